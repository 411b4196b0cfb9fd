// Instrument readers through real pseudo-terminals: every framer's message, payload and tick at the log window.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "logscreen/logscreen.h"

#include <cstdint>
#include <functional>

#include "support/bounded_waits.h"

using namespace acqtest;

namespace {

class InstrumentReaders : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        ReceivedMessages().clear();
        nInstrumentPort = 3;
        nInstrumentBaudIndex = 0;
        nFrameDecimation = 1;
        nFrameCount = 0;
        nRecordingState = 0;
        bInstrumentConnBreak = 0;
        nSensorsMinus1 = 1;
    }
    void TearDown() override
    {
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        PlatformClearDialogScripts();
    }
    // Writes the stream in pieces of `piece` bytes with a pause between them, so frames split across reads.
    static void WriteInPieces(int m, const std::string &stream, size_t piece)
    {
        for (size_t i = 0; i < stream.size(); i += piece) {
            ASSERT_TRUE(WriteBytes(m, stream.substr(i, piece)));
            PlatformPump(3);
        }
    }
    // Starts a reader on COM4, feeds it and waits for `want` messages; then closes the port and sees it end.
    std::vector<Received> RunReader(int instrumentType, THREADPROC proc, const std::string &stream, size_t want,
                                    size_t piece = 7)
    {
        nInstrumentType = instrumentType;
        PortRoot root;
        int m = root.AddPty(4);
        EXPECT_GE(m, 0);
        EXPECT_EQ(OpenInstrumentPort(1), 1);
        const long nReads = PlatformPortReadCount();
        HANDLE hThread = CreateThread(nullptr, 0, proc, nullptr, 0, nullptr);
        EXPECT_NE(hThread, nullptr);
        // A reader purges its port on entry: bytes are written once it reads.
        EXPECT_TRUE(WaitUntil([&] { return PlatformPortReadCount() > nReads; }, 5000));
        DWORD dwBefore = GetTickCount();
        WriteInPieces(m, stream, piece);
        WaitUntil([&] { return ReceivedMessages().size() >= want; }, 5000);
        PlatformPump(50);  // nothing more than expected arrives
        DWORD dwAfter = GetTickCount();
        for (const Received &r : ReceivedMessages()) {
            EXPECT_GE(r.tick - dwBefore, 0u);
            EXPECT_LE(r.tick - dwBefore, dwAfter - dwBefore) << "tick outside the feeding time";
        }
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        CloseHandle(h);
        EXPECT_TRUE(ThreadEnds(hThread)) << "reader did not end after its port was closed";
        CloseHandle(hThread);
        return ReceivedMessages();
    }
};

std::string Em38Mk2Frame(int seed)
{
    std::string f = seed % 2 ? "T" : "t";
    for (int i = 0; i < 12; ++i) f += (char)(0x30 + (seed * 5 + i) % 60);
    return f + "\xFF\xFF";
}

std::string Em384Packet(int seed)
{
    std::string p = "T";
    for (int i = 0; i < 25; ++i) p += (char)(0x20 + (seed * 3 + i) % 80);
    return p + "\xFF\xFF";
}

TEST_F(InstrumentReaders, Em61Mk2ContinuousSendsEveryThirdFrame)
{
    nFrameDecimation = 3;
    std::string stream;
    std::vector<std::string> frames;
    for (int i = 1; i <= 9; ++i) {
        frames.push_back(Em61Frame("TDEFMNPQ"[i % 8], i));
        stream += frames.back();
        if (i == 4) stream += "\x01";                    // garbage between frames
        if (i == 6) stream += frames.back().substr(0, 5);  // a torn frame
    }
    std::vector<Received> got = RunReader(INSTRUMENT_EM61MK2, ContinuousFrameReaderThread, stream, 3);
    ASSERT_EQ(got.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(got[k].message, (UINT)WM_EM61MK2_READING);
        EXPECT_FALSE(got[k].posted);
        EXPECT_EQ(got[k].bytes, frames[3 * k + 2].substr(0, 14)) << "frame " << 3 * k + 3;
    }
    EXPECT_NE(dwInstrumentDataTick.load(), 0u);
}

TEST_F(InstrumentReaders, CountBeyondALoweredDecimationStillNotifies)
{
    // The count had run past the decimation (lowered meanwhile): the next frame is handed on, not the 2^31st.
    nFrameCount = 7;
    nFrameDecimation = 3;
    std::vector<Received> got = RunReader(INSTRUMENT_EM61MK2, ContinuousFrameReaderThread, Em61Frame('T', 1), 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(nFrameCount.load(), 0);
}

TEST_F(InstrumentReaders, Em61Lx2SingleAndDualSensorMessages)
{
    std::string f = Em61Frame('T', 3);
    nSensorsMinus1 = 0;
    std::vector<Received> got = RunReader(INSTRUMENT_EM61LX2, ContinuousFrameReaderThread, f, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, (UINT)WM_EM61LX2_READING);
    ReceivedMessages().clear();
    nSensorsMinus1 = 1;
    got = RunReader(INSTRUMENT_EM61LX2, ContinuousFrameReaderThread, f, 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, (UINT)WM_EM61LX2_DUAL_READING);
}

TEST_F(InstrumentReaders, TriggeredReaderSendsEachFrameAfterItsTrigger)
{
    HANDLE hEvent = CreateEvent(nullptr, TRUE, TRUE, nullptr);
    hTriggerEvent = hEvent;
    std::string stream = Em61Frame('T', 1) + Em61Frame('P', 2) + Em61Frame('Q', 3);
    std::vector<Received> got = RunReader(INSTRUMENT_EM61MK2, TriggeredFrameReaderThread, stream, 3, 15);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[2].bytes, Em61Frame('Q', 3).substr(0, 14));
    EXPECT_EQ(nInstrumentThreadState.load(), (int)THREAD_ENDED);
    hTriggerEvent = nullptr;
    CloseHandle(hEvent);
}

TEST_F(InstrumentReaders, WheelReaderTakesJAndKFrames)
{
    std::string stream = Em61Frame('J', 1) + Em61Frame('k', 2) + Em61Frame('T', 3);
    std::vector<Received> got = RunReader(INSTRUMENT_EM61MK2, FrameReaderThreadJK, stream, 3);
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[0].bytes[0], 'J');
    EXPECT_EQ(got[1].bytes[0], 'k');
}

TEST_F(InstrumentReaders, TextRecordReaderBSendsTwelveByteRecords)
{
    std::string stream = "T0123456789A\r" "zzT98765432109\r";
    std::vector<Received> got = RunReader(INSTRUMENT_EM61MK2, TextFrameReaderThreadB, stream, 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].message, (UINT)WM_EM61MK2_READING);
    EXPECT_EQ(got[1].bytes.substr(0, 12), "T98765432109");
    EXPECT_EQ(got[1].bytes[12], '\0');
}

struct PostingCase {
    int instrumentType;
    UINT message;
};

TEST_F(InstrumentReaders, TextRecordsArePostedWithACopyOfTheRecordAndItsTick)
{
    const PostingCase cases[] = {
        {INSTRUMENT_EM31MK2, WM_EM31MK2_READING},
        {INSTRUMENT_EM38, WM_EM38_READING},
        {INSTRUMENT_EM34, WM_EM34_READING},
    };
    for (const PostingCase &c : cases) {
        ReceivedMessages().clear();
        nInstrumentRecordLength = 12;
        nFrameDecimation = 2;
        nFrameCount = 0;
        std::string stream;
        for (int i = 0; i < 6; ++i) stream += "T" + std::string(10, (char)('a' + i)) + "Z\r";
        std::vector<Received> got = RunReader(c.instrumentType, TextFrameReaderThread, stream, 3);
        ASSERT_EQ(got.size(), 3u) << c.instrumentType;
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(got[k].message, c.message);
            EXPECT_TRUE(got[k].posted);
            EXPECT_EQ(got[k].bytes, "T" + std::string(10, (char)('a' + 2 * k + 1)) + "Z");
        }
    }
}

TEST_F(InstrumentReaders, Em38Mk2FramesBackToBackAreAllDelivered)
{
    std::string stream;
    for (int i = 1; i <= 6; ++i) stream += Em38Mk2Frame(i);
    nFrameDecimation = 2;
    std::vector<Received> got = RunReader(INSTRUMENT_EM38MK2, BinaryFrameReaderThread, stream, 3, 45);
    ASSERT_EQ(got.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(got[k].message, (UINT)WM_EM38MK2_READING);
        EXPECT_EQ(got[k].bytes, Em38Mk2Frame(2 * k + 2).substr(0, 14));
    }
}

TEST_F(InstrumentReaders, Em384PacketsAreSent)
{
    std::string stream = "\x05\x06" + Em384Packet(1) + Em384Packet(2);
    std::vector<Received> got = RunReader(INSTRUMENT_EM384, Em384PortThread, stream, 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, (UINT)WM_EM384_READING);
    EXPECT_EQ(got[1].bytes, Em384Packet(2).substr(0, 26));
}

TEST_F(InstrumentReaders, SentenceReadersOfCs21AndGrad601)
{
    std::string stream = "$PDLM1,112345.234,1070.0,735.00\r\n$PDLM\r\n$PDLMA,70.12,30.1,23.4,31.0*29\r\n";
    std::vector<Received> got = RunReader(INSTRUMENT_CS21, DualEmPortThread, stream, 2);
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].message, (UINT)WM_DUALEM_READING);
    EXPECT_EQ(got[0].bytes, "$PDLM1,112345.234,1070.0,735.00");
    EXPECT_EQ(got[1].bytes, "$PDLMA,70.12,30.1,23.4,31.0*29");

    ReceivedMessages().clear();
    got = RunReader(INSTRUMENT_GRAD601, GradPortReaderThread, "$PBAR,+12.3,+45.6\r\n", 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message, (UINT)WM_GRAD601_READING);
    EXPECT_EQ(got[0].bytes, "$PBAR,+12.3,+45.6");

    ReceivedMessages().clear();
    got = RunReader(INSTRUMENT_GRAD601, GradAltFormatReaderThread, "Tx12345ABCDE\r", 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].bytes, "$PBAR,12345,ABCDE");
}

// The link watch measures silence by the bytes the port delivers. A reader stamps the byte tick from its start
// and at each byte; while it waits for the logging screen to take its reading (this thread, held meanwhile) the
// watch sees it waiting; and once the reading is taken its silence starts again from then. For the binary frame,
// packet and sentence readers alike.
TEST_F(InstrumentReaders, ReaderStampsItsBytesAndShowsItsWaitForTheScreen)
{
    struct Case {
        const char *name;
        int type;
        THREADPROC proc;
        std::string reading;
    };
    const Case aCase[] = {
        {"EM61-MK2", INSTRUMENT_EM61MK2, ContinuousFrameReaderThread, Em61Frame('T', 1)},
        {"EM38-MK2", INSTRUMENT_EM38MK2, BinaryFrameReaderThread, std::string(1, '\0') + Em38Mk2Frame(1)},
        {"EM38-4", INSTRUMENT_EM384, Em384PortThread, Em384Packet(1)},
        {"CS-21", INSTRUMENT_CS21, DualEmPortThread, "$PDLM1,112345.234,1070.0,735.00\r\n"},
    };
    auto NotBefore = [](DWORD dwTick, DWORD dwSince) { return (int32_t)(dwTick - dwSince) >= 0; };
    for (const Case &c : aCase) {
        SCOPED_TRACE(c.name);
        ReceivedMessages().clear();
        nInstrumentType = c.type;
        PortRoot root;
        int m = root.AddPty(4);
        ASSERT_GE(m, 0);
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        const long nReads = PlatformPortReadCount();
        const DWORD dwStart = GetTickCount();
        HANDLE hThread = CreateThread(nullptr, 0, c.proc, nullptr, 0, nullptr);
        ASSERT_NE(hThread, nullptr);
        EXPECT_TRUE(WaitUntil([&] { return PlatformPortReadCount() > nReads; }, 5000));
        EXPECT_TRUE(NotBefore(dwInstrumentByteTick, dwStart)) << "listening from its start";
        // This thread takes no message now: the reader waits in its hand-over.
        const DWORD dwWritten = GetTickCount();
        ASSERT_TRUE(WriteBytes(m, c.reading));
        EXPECT_TRUE(bounded_waits::Eventually([] { return nInstrumentScreenWaits.load() == 1; }));
        EXPECT_TRUE(NotBefore(dwInstrumentByteTick, dwWritten)) << "the bytes stamped on arrival";
        // The reading taken: the reader is back at the port, and its silence is measured from then.
        const DWORD dwTaken = GetTickCount();
        EXPECT_TRUE(WaitUntil([] { return ReceivedMessages().size() == 1 && nInstrumentScreenWaits.load() == 0; }));
        EXPECT_TRUE(NotBefore(dwInstrumentByteTick, dwTaken));
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        CloseHandle(h);
        EXPECT_TRUE(ThreadEnds(hThread));
        CloseHandle(hThread);
    }
}

}  // namespace
