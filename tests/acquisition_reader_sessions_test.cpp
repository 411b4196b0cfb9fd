// Instrument readers across a stop and the next start: a reader held up in its send when the port was closed ends
// even when the next session has opened the port again, and leaves the new reader alone on it.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "logscreen/logscreen.h"

#include <chrono>
#include <ostream>
#include <thread>

using namespace acqtest;

namespace {

struct SessionCase {
    const char *name;
    int instrumentType;
    THREADPROC proc;
    std::string first, second;  // two sentences sent back to back in the new session
};

void PrintTo(const SessionCase &c, std::ostream *os) { *os << c.name; }

class ReaderSessions : public ::testing::TestWithParam<SessionCase> {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        nInstrumentPort = 3;
        nFrameDecimation = 1;
        nFrameCount = 0;
        nRecordingState = 0;
        bInstrumentConnBreak = 0;
        ReceivedMessages().clear();
    }
    void TearDown() override
    {
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        PlatformClearDialogScripts();
    }
};

TEST_P(ReaderSessions, AReaderOfAnEndedSessionLeavesTheReopenedPortToTheNewReader)
{
    const SessionCase &c = GetParam();
    nInstrumentType = c.instrumentType;
    PortRoot root;
    const int m = root.AddPty(4);
    ASSERT_GE(m, 0);
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    long nReads = PlatformPortReadCount();
    HANDLE hOld = CreateThread(nullptr, 0, c.proc, nullptr, 0, nullptr);
    ASSERT_NE(hOld, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return PlatformPortReadCount() > nReads; }, 5000));
    // The user-interface thread serves nothing now: the reader waits in the send of its sentence.
    ASSERT_TRUE(WriteBytes(m, c.first));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));

    // The session stops; the next one opens the port and starts its reader before the old send is served.
    StopInstrumentReaders();
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    nReads = PlatformPortReadCount();
    HANDLE hNew = CreateThread(nullptr, 0, c.proc, nullptr, 0, nullptr);
    ASSERT_NE(hNew, nullptr);
    EXPECT_TRUE(ThreadEnds(hOld)) << "the old session's reader goes on reading the new port";
    CloseHandle(hOld);
    ASSERT_TRUE(WaitUntil([&] { return PlatformPortReadCount() > nReads; }, 5000));

    // The new session's sentences reach the window each once, in order, whole.
    ReceivedMessages().clear();
    ASSERT_TRUE(WriteBytes(m, c.first + c.second));
    EXPECT_TRUE(WaitUntil([] { return ReceivedMessages().size() >= 2; }, 5000));
    PlatformPump(100);
    std::vector<Received> got = ReceivedMessages();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].bytes + "\r\n", c.first);
    EXPECT_EQ(got[1].bytes + "\r\n", c.second);

    HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(ThreadEnds(hNew));
    CloseHandle(hNew);
}

INSTANTIATE_TEST_SUITE_P(
    SentenceReaders, ReaderSessions,
    ::testing::Values(SessionCase{"cs21", INSTRUMENT_CS21, DualEmPortThread, "$PDLM1,112345.1,250.0,-12.0\r\n",
                                  "$PDLM2,112345.1,400.0,-6.0\r\n"},
                      SessionCase{"grad601", INSTRUMENT_GRAD601, GradPortReaderThread, "$PBAR,+12.3,+45.6\r\n",
                                  "$PBAR,+78.9,+10.1\r\n"}),
    [](const ::testing::TestParamInfo<SessionCase> &info) { return std::string(info.param.name); });

}  // namespace
