// Stopping readers directly: port closed or run flag cleared while a reader waits, is suspended, was never
// resumed or is blocked in a send; every reader ends, no descriptor stays open, and the reader starts again.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "processing/gps_formats.h"

#include <chrono>
#include <thread>

using namespace acqtest;

namespace {

enum StopState { WAITING, SUSPENDED, NEVER_RESUMED, BLOCKED_IN_SEND };
const char *const kStateName[] = {"waiting", "suspended", "never resumed", "blocked in a send"};

struct ReaderCase {
    const char *name;
    int instrumentType;
    THREADPROC proc;
    std::string frame;  // one frame the reader hands on
    bool posts;
};

std::vector<ReaderCase> InstrumentReaderCases()
{
    std::string em61 = Em61Frame('T', 1);
    std::string mk2 = "T" + std::string(12, 'A') + "\xFF\xFF";
    std::string em384 = "T" + std::string(25, 'B') + "\xFF\xFF";
    return {
        {"continuous", INSTRUMENT_EM61MK2, ContinuousFrameReaderThread, em61, false},
        {"triggered", INSTRUMENT_EM61MK2, TriggeredFrameReaderThread, em61, false},
        {"wheel", INSTRUMENT_EM61MK2, FrameReaderThreadJK, em61, false},
        {"text B", INSTRUMENT_EM61MK2, TextFrameReaderThreadB, "T0123456789A\r", false},
        {"text", INSTRUMENT_EM31MK2, TextFrameReaderThread, "T0123456789A\r", true},
        {"text event", INSTRUMENT_EM38, TextFrameEventReaderThread, "T0123456789A\r", true},
        {"binary", INSTRUMENT_EM38MK2, BinaryFrameReaderThread, mk2, false},
        {"EM38-4", INSTRUMENT_EM384, Em384PortThread, em384, false},
        {"CS-21", INSTRUMENT_CS21, DualEmPortThread, "$PDLM1,1,2,3\r\n", false},
        {"Grad601", INSTRUMENT_GRAD601, GradPortReaderThread, "$PBAR,+1.0,+2.0\r\n", false},
        {"Grad601 alt", INSTRUMENT_GRAD601, GradAltFormatReaderThread, "Tx12345ABCDE\r", false},
    };
}

class StoppingReaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        nInstrumentPort = 3;
        nGpsPort = 5;
        nTiltPort = 6;
        nFrameDecimation = 1;
        nFrameCount = 0;
        nRecordingState = 0;
        nInstrumentRecordLength = 12;
        bInstrumentConnBreak = 0;
    }
    void TearDown() override { PlatformClearDialogScripts(); }

    // Runs one reader into one state, stops it by closing its port, and checks that it ended cleanly.
    void StopInstrumentReader(const ReaderCase &c, StopState state)
    {
        SCOPED_TRACE(std::string(c.name) + ", " + kStateName[state]);
        nInstrumentType = c.instrumentType;
        HANDLE hEvent = CreateEvent(nullptr, TRUE, TRUE, nullptr);
        hTriggerEvent = hEvent;
        PortRoot root;
        int m = root.AddPty(4);
        int nFdsBefore = CountOpenDescriptors();
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        ReceivedMessages().clear();
        const long nReads = PlatformPortReadCount();
        HANDLE hThread =
            CreateThread(nullptr, 0, c.proc, nullptr, state == NEVER_RESUMED ? CREATE_SUSPENDED : 0, nullptr);
        ASSERT_NE(hThread, nullptr);
        if (state == NEVER_RESUMED)
            PlatformPump(30);
        else  // a reader purges its port on entry: the test goes on once it reads
            EXPECT_TRUE(WaitUntil([&] { return PlatformPortReadCount() > nReads; }, 5000));
        if (state == SUSPENDED) {
            SuspendThread(hThread);
            PlatformPump(30);
        }
        if (state == BLOCKED_IN_SEND) {
            ASSERT_TRUE(WriteBytes(m, c.frame));
            // The user-interface thread does not serve messages now, so the reader waits in its send.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        if (state == NEVER_RESUMED) {
            // A thread that never ran cannot see its port close: the stop lets it run to its end.
            hInstrumentThread = hThread;
            StopInstrumentReaders();
            hInstrumentThread = INVALID_HANDLE_VALUE;
        } else {
            HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
            CloseHandle(h);
            SetEvent(hEvent);
        }
        EXPECT_TRUE(ThreadEnds(hThread)) << "reader did not end";
        if (state == BLOCKED_IN_SEND) {
            EXPECT_EQ(ReceivedMessages().size(), 1u);
        }
        CloseHandle(hThread);
        EXPECT_EQ(CountOpenDescriptors(), nFdsBefore) << "a descriptor stayed open";

        // The same reader starts again on the port.
        ReceivedMessages().clear();
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        const long nReadsAgain = PlatformPortReadCount();
        hThread = CreateThread(nullptr, 0, c.proc, nullptr, 0, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return PlatformPortReadCount() > nReadsAgain; }, 5000));
        ASSERT_TRUE(WriteBytes(m, c.frame));
        EXPECT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 1; }, 3000)) << "no frame after restart";
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        CloseHandle(h);
        EXPECT_TRUE(ThreadEnds(hThread));
        CloseHandle(hThread);
        hTriggerEvent = nullptr;
        CloseHandle(hEvent);
    }
};

TEST_F(StoppingReaders, EveryInstrumentReaderEndsWhenItsPortIsClosed)
{
    for (const ReaderCase &c : InstrumentReaderCases()) {
        for (StopState state : {WAITING, SUSPENDED, NEVER_RESUMED, BLOCKED_IN_SEND}) {
            if (state == BLOCKED_IN_SEND && c.posts) continue;  // posting readers never wait for the window
            StopInstrumentReader(c, state);
        }
    }
}

TEST_F(StoppingReaders, TiltReaderEndsWhenItsPortIsClosed)
{
    for (StopState state : {WAITING, SUSPENDED, NEVER_RESUMED, BLOCKED_IN_SEND}) {
        SCOPED_TRACE(kStateName[state]);
        PortRoot root;
        int m = root.AddPty(7);
        int nFdsBefore = CountOpenDescriptors();
        ASSERT_EQ(OpenTiltPort(), 1);
        ReceivedMessages().clear();
        HANDLE hThread = CreateThread(nullptr, 0, TiltReaderThread, nullptr,
                                      state == NEVER_RESUMED ? CREATE_SUSPENDED : 0, nullptr);
        PlatformPump(30);
        if (state == SUSPENDED) SuspendThread(hThread);
        if (state == BLOCKED_IN_SEND) {
            ASSERT_TRUE(WriteBytes(m, "$PTILT,1*48\r\n"));
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        if (state == NEVER_RESUMED) {
            hTiltThread = hThread;
            StopTiltReader();
            hTiltThread = INVALID_HANDLE_VALUE;
        } else {
            HANDLE h = hTiltPort.exchange(INVALID_HANDLE_VALUE);
            CloseHandle(h);
        }
        EXPECT_TRUE(ThreadEnds(hThread));
        CloseHandle(hThread);
        EXPECT_EQ(CountOpenDescriptors(), nFdsBefore);
    }
}

TEST_F(StoppingReaders, GpsReaderEndsWhenItsRunFlagIsClearedAndClosesItsPort)
{
    nGpsFormat = 1;
    SelectGpsSentenceFields();
    nGpsIntervalMs = -1;
    const std::string gga = "$GPGGA,133524,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*74\r\n";
    for (StopState state : {WAITING, SUSPENDED, NEVER_RESUMED, BLOCKED_IN_SEND}) {
        SCOPED_TRACE(kStateName[state]);
        PortRoot root;
        int m = root.AddPty(6);
        int nFdsBefore = CountOpenDescriptors();
        ASSERT_EQ(OpenGpsPort(), 1);
        ReceivedMessages().clear();
        ASSERT_EQ(StartGpsNmeaReader(), 1);
        if (state != NEVER_RESUMED) ResumeThread(hGpsThread);
        PlatformPump(30);
        if (state == SUSPENDED) SuspendThread(hGpsThread);
        if (state == BLOCKED_IN_SEND) {
            ASSERT_TRUE(WriteBytes(m, gga));
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
        }
        StopGpsNmeaReader();
        EXPECT_TRUE(ThreadEnds(hGpsThread));
        EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
        EXPECT_EQ(nGpsThreadState.load(), (int)THREAD_ENDED);
        CloseHandle(hGpsThread);
        hGpsThread = INVALID_HANDLE_VALUE;
        EXPECT_EQ(CountOpenDescriptors(), nFdsBefore);

        // And it starts again.
        ReceivedMessages().clear();
        ASSERT_EQ(OpenGpsPort(), 1);
        ASSERT_EQ(StartGpsNmeaReader(), 1);
        ResumeThread(hGpsThread);
        ASSERT_TRUE(WriteBytes(m, gga));
        EXPECT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 1; }, 3000));
        StopGpsNmeaReader();
        EXPECT_TRUE(ThreadEnds(hGpsThread));
        CloseHandle(hGpsThread);
        hGpsThread = INVALID_HANDLE_VALUE;
    }
    nGpsIntervalMs = 910;
}

TEST_F(StoppingReaders, StoppedGpsReaderDoesNotReopenAfterABreak)
{
    // A break handled after the stop request must not leave a port open behind the ended reader.
    PortRoot root;
    root.AddPty(6);
    ASSERT_EQ(OpenGpsPort(), 1);
    bGpsThreadRun = 0;
    EXPECT_EQ(HandleGpsConnectionBreak(), 0);
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
}

}  // namespace
