// Wheel survey mode: a start the instrument does not answer keeps stand-by with the main reader running; an answered
// start runs the wheel reader alone; the pause hands back to the main reader.
#include "acquisition_test_support.h"

#include <atomic>
#include <thread>

#include "core/settings.h"
#include "logscreen/logscreen.h"

namespace {

std::atomic<int> nMainTicks{0}, nWheelTicks{0}, bReadersRun{1};

DWORD MainStandIn(void *)
{
    while (bReadersRun) {
        nMainTicks++;
        Sleep(5);
    }
    return 0;
}
DWORD WheelStandIn(void *)
{
    while (bReadersRun) {
        nWheelTicks++;
        Sleep(5);
    }
    return 0;
}

// Counts of the two readers over a short while: which of them runs.
std::pair<int, int> RunningOver(int ms)
{
    int m0 = nMainTicks, w0 = nWheelTicks;
    PlatformPump(ms);
    return {nMainTicks - m0, nWheelTicks - w0};
}

// Answers each two-byte command the program sends with "OV" while `answer` is set.
void Responder(int master, std::atomic<int> *answer, std::atomic<int> *stop, std::string *seen)
{
    while (!*stop) {
        char b;
        ssize_t n = read(master, &b, 1);
        if (n == 1) {
            *seen += b;
            if ((b == 'W' || b == 'X') && *answer) acqtest::WriteBytes(master, "OV");
        } else {
            usleep(2000);
        }
    }
}

TEST(LogScreenWheel, SilentStartKeepsStandByAndAnAnsweredStartDeliversReadings)
{
    hInst = PlatformInit(0, nullptr);
    RegisterResources();
    acqtest::PortRoot ports;
    int m = ports.AddPty(4);
    ASSERT_GE(m, 0);
    fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
    hInstrumentPort = OpenSerialPort(L"COM4");
    ASSERT_NE(hInstrumentPort.load(), INVALID_HANDLE_VALUE);
    COMMTIMEOUTS timeouts = {MAXDWORD, 0, 10, 0, 100};  // a read returns after at most 10 ms
    SetCommTimeouts(hInstrumentPort, &timeouts);
    PlatformAnswerDialog(L"MESSAGEOK", 1, true);

    nInstrumentType = INSTRUMENT_EM61MK2;
    nInstrumentCmdReply = 0;
    nSurveyMode = 1;
    nRecordingState = -1;
    hInstrumentThread = CreateThread(nullptr, 0, MainStandIn, nullptr, 0, nullptr);
    hInstrumentThread2 = CreateThread(nullptr, 0, WheelStandIn, nullptr, CREATE_SUSPENDED, nullptr);

    std::atomic<int> answer{0}, stop{0};
    std::string seen;
    std::thread responder(Responder, m, &answer, &stop, &seen);

    // Silent instrument: stand-by, the operator told, the main reader running, the wheel reader parked.
    PlatformClearShownDialogs();
    EXPECT_EQ(StartLogging(), -1);
    EXPECT_EQ(bWheelStartFailed, 1);
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().caption, L"Connection Issue");
    auto r = RunningOver(150);
    EXPECT_GT(r.first, 0);
    EXPECT_EQ(r.second, 0);

    // Answered: logging, the wheel reader alone.
    answer = 1;
    EXPECT_EQ(StartLogging(), 1);
    EXPECT_EQ(bWheelStartFailed, 0);
    PlatformPump(50);
    r = RunningOver(150);
    EXPECT_EQ(r.first, 0);
    EXPECT_GT(r.second, 0);
    EXPECT_NE(seen.find("HW"), std::string::npos);

    // Pause: the wheel reader parked, the main reader back.
    EXPECT_EQ(PauseLogging(), -1);
    PlatformPump(50);
    r = RunningOver(150);
    EXPECT_GT(r.first, 0);
    EXPECT_EQ(r.second, 0);
    EXPECT_NE(seen.find("HX"), std::string::npos);

    stop = 1;
    responder.join();
    bReadersRun = 0;
    ResumeThread(hInstrumentThread2);
    WaitForSingleObject(hInstrumentThread, 2000);
    WaitForSingleObject(hInstrumentThread2, 2000);
    CloseHandle(hInstrumentThread);
    CloseHandle(hInstrumentThread2);
    hInstrumentThread = hInstrumentThread2 = INVALID_HANDLE_VALUE;
    CloseHandle(hInstrumentPort.exchange(INVALID_HANDLE_VALUE));
    nSurveyMode = 0;
    nRecordingState = -2;
}

}  // namespace
