// Readers against the device emulator: every instrument's frames with garbage and torn frames, the instrument
// command, the GPS reader with bad checksums and a broken link, and the tilt meter.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "processing/gps_formats.h"
#include "support/emulator_client.h"

#include <strings.h>

using namespace acqtest;

namespace {

// Independent checksum test of "$...*hh".
bool ChecksumMatches(const std::string &s)
{
    size_t star = s.find('*');
    if (s.empty() || s[0] != '$' || star == std::string::npos || star + 3 > s.size()) return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i) sum ^= (unsigned char)s[i];
    char hex[3];
    snprintf(hex, sizeof hex, "%02X", sum);
    return strncasecmp(hex, s.c_str() + star + 1, 2) == 0;
}

class EmulatedDevices : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        ReceivedMessages().clear();
        nInstrumentPort = 3;
        nGpsPort = 5;
        nTiltPort = 6;
        nInstrumentBaudIndex = 0;
        nFrameDecimation = 1;
        nFrameCount = 0;
        nRecordingState = 0;
        nSurveyModePrev = 0;
        bInstrumentConnBreak = 0;
    }
    void TearDown() override { PlatformClearDialogScripts(); }
    size_t CountOf(UINT message)
    {
        size_t n = 0;
        for (const Received &r : ReceivedMessages()) n += r.message == message;
        return n;
    }
};

struct EmulatedReader {
    const char *device;  // emulator device and options
    int instrumentType;
    THREADPROC reader;
    UINT message;
    int recordLength;
    size_t frameBytes;  // payload length the handler reads
    char first;
};

TEST_F(EmulatedDevices, EveryInstrumentReaderTakesEveryFrameThroughGarbageAndTornFrames)
{
    const EmulatedReader cases[] = {
        {"em61mk2:commanded", INSTRUMENT_EM61MK2, ContinuousFrameReaderThread, WM_EM61MK2_READING, 12, 14, 'T'},
        {"em61lx2:commanded,coils=2", INSTRUMENT_EM61LX2, ContinuousFrameReaderThread, WM_EM61LX2_DUAL_READING, 12,
         14, 'T'},
        {"em31mk2", INSTRUMENT_EM31MK2, TextFrameReaderThread, WM_EM31MK2_READING, 12, 12, 'T'},
        {"em38:len=7", INSTRUMENT_EM38, TextFrameReaderThread, WM_EM38_READING, 7, 7, 'T'},
        {"em34", INSTRUMENT_EM34, TextFrameReaderThread, WM_EM34_READING, 12, 12, 'T'},
        {"em38mk2", INSTRUMENT_EM38MK2, BinaryFrameReaderThread, WM_EM38MK2_READING, 14, 14, 0},
        {"em384", INSTRUMENT_EM384, Em384PortThread, WM_EM384_READING, 26, 26, 'T'},
        {"cs21", INSTRUMENT_CS21, DualEmPortThread, WM_DUALEM_READING, 9, 0, '$'},
        {"grad601", INSTRUMENT_GRAD601, GradPortReaderThread, WM_GRAD601_READING, 9, 0, '$'},
    };
    for (const EmulatedReader &c : cases) {
        SCOPED_TRACE(c.device);
        ReceivedMessages().clear();
        std::string root = emu::MakeTempRoot(std::string("acq_") + c.device);
        emu::Emulator dev(root, {std::string("COM4=") + c.device + (strchr(c.device, ':') ? "," : ":") + "rate=5"});
        ASSERT_TRUE(dev.ready()) << dev.error();
        setenv("ULVANE_ROOT", root.c_str(), 1);
        nInstrumentType = c.instrumentType;
        nSensorsMinus1 = 1;
        nInstrumentRecordLength = c.recordLength;
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        HANDLE hThread = CreateThread(nullptr, 0, c.reader, nullptr, 0, nullptr);
        ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 3; }, 5000));
        // The reader purges what came before its first read, however long it took to start (seconds under a
        // sanitizer on a loaded machine): every frame sent from here on must be handed on.
        const long nSentBase = dev.count("COM4");
        const long nGotBase = (long)ReceivedMessages().size();
        EXPECT_TRUE(dev.ok("COM4 garbage 5 4"));
        ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 10; }, 5000));
        EXPECT_TRUE(dev.ok("COM4 torn"));
        size_t nBefore = ReceivedMessages().size();
        ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= nBefore + 4; }, 5000));
        // Stop the device, let the last frames arrive, and compare what was sent with what was handed on.
        EXPECT_TRUE(dev.ok("COM4 silence 0"));
        const long nSent = dev.count("COM4");
        // Generous: a sanitizer build on a loaded machine can be seconds behind the device.
        WaitUntil([&] { return (long)ReceivedMessages().size() - nGotBase >= nSent - nSentBase - 2; }, 30000);
        PlatformPump(100);  // nothing beyond what was sent arrives
        size_t nGot = ReceivedMessages().size();
        StopInstrumentReaders();
        EXPECT_TRUE(ThreadEnds(hThread));
        CloseHandle(hThread);
        // Only the torn frame (and the one it spoiled) may be missing.
        EXPECT_GE((long)nGot - nGotBase, nSent - nSentBase - 2)
            << "sent " << nSent << " (" << nSentBase << " before), handed on " << nGot << " (" << nGotBase << ")";
        EXPECT_LE((long)nGot, nSent);
        for (const Received &r : ReceivedMessages()) {
            EXPECT_EQ(r.message, c.message);
            if (c.frameBytes) {
                EXPECT_EQ(r.bytes.size(), c.frameBytes);
            }
            if (c.first) {
                EXPECT_EQ(r.bytes[0], c.first);
            }
        }
    }
}

TEST_F(EmulatedDevices, InstrumentCommandAnswers)
{
    for (const char *answer : {"OV", "OK", "none"}) {
        SCOPED_TRACE(answer);
        std::string root = emu::MakeTempRoot(std::string("acq_cmd_") + answer);
        emu::Emulator dev(root, {std::string("COM4=em61mk2:answer=") + answer});
        ASSERT_TRUE(dev.ready()) << dev.error();
        setenv("ULVANE_ROOT", root.c_str(), 1);
        nInstrumentType = INSTRUMENT_EM61MK2;
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        nInstrumentCmdReply = -1;
        int nResult = SendInstrumentCommand('H', 'X', 0);
        std::string received = dev.received("COM4");
        StopInstrumentReaders();
        if (std::string(answer) == "none") {
            EXPECT_EQ(nResult, 0);
            EXPECT_EQ(nInstrumentCmdReply, -1);
            EXPECT_EQ(received, "HXHXHX");
        } else {
            EXPECT_EQ(nResult, 1);
            EXPECT_EQ(nInstrumentCmdReply, std::string(answer) == "OK" ? 1 : 0);
            EXPECT_EQ(received, "HX");
        }
    }
}

TEST_F(EmulatedDevices, TriggeredEm61Mk2SendsOneFramePerTrigger)
{
    std::string root = emu::MakeTempRoot("acq_triggered");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=OK"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    nInstrumentType = INSTRUMENT_EM61MK2;
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    ASSERT_EQ(SendInstrumentCommand('H', 'X', 0), 1);
    ASSERT_EQ(nInstrumentCmdReply, 1);
    HANDLE hEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    hTriggerEvent = hEvent;
    hInstrumentThread = CreateThread(nullptr, 0, TriggeredFrameReaderThread, nullptr, 0, nullptr);
    // What the logging screen's timer does for each reading: the trigger character, then the event.
    for (int i = 1; i <= 5; ++i) {
        ASSERT_TRUE(WaitUntil([] { return bInstrumentIdle == 1; }, 2000));
        DWORD dwWritten = 0;
        WriteFile(hInstrumentPort, "A", 1, &dwWritten, nullptr);
        SetEvent(hEvent);
        ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= (size_t)i; }, 2000)) << "trigger " << i;
    }
    PlatformPump(200);
    EXPECT_EQ(ReceivedMessages().size(), 5u);
    EXPECT_EQ(dev.count("COM4"), 5);
    StopInstrumentReaders();
    EXPECT_TRUE(ThreadEnds(hInstrumentThread));
    CloseHandle(hInstrumentThread);
    hInstrumentThread = INVALID_HANDLE_VALUE;
    hTriggerEvent = nullptr;
    CloseHandle(hEvent);
}

TEST_F(EmulatedDevices, GpsReaderDropsBadChecksumsAndRecoversABrokenLink)
{
    std::string root = emu::MakeTempRoot("acq_gps");
    emu::Emulator dev(root, {"COM6=gps:format=1,hz=2"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    nGpsFormat = 1;
    SelectGpsSentenceFields();
    nGpsIntervalMs = -1;
    bDisconnectAlarm = 1;
    ASSERT_EQ(OpenGpsPort(), 1);
    ASSERT_EQ(StartGpsNmeaReader(), 1);
    ResumeThread(hGpsThread);
    ASSERT_TRUE(WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= 2; }, 5000));
    for (const Received &r : ReceivedMessages()) EXPECT_TRUE(ChecksumMatches(r.bytes)) << r.bytes;
    EXPECT_TRUE(dev.ok("COM6 badsum"));
    size_t n = CountOf(WM_GPS_POSITION);
    ASSERT_TRUE(WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= n + 2; }, 5000));
    for (const Received &r : ReceivedMessages()) EXPECT_TRUE(ChecksumMatches(r.bytes)) << r.bytes;

    // The receiver's end closes; later it comes back under the same name.
    HANDLE hBefore = hGpsPort;
    EXPECT_TRUE(dev.ok("COM6 close"));
    PlatformPump(500);
    EXPECT_TRUE(dev.ok("COM6 reopen"));
    ASSERT_TRUE(WaitUntil([&] { return hGpsPort.load() != hBefore && hGpsPort.load() != INVALID_HANDLE_VALUE; },
                          8000));
    n = CountOf(WM_GPS_POSITION);
    EXPECT_TRUE(WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= n + 2; }, 5000)) << "no positions after the break";
    std::vector<std::wstring> sounds = PlatformSoundLog();
    EXPECT_NE(std::find(sounds.begin(), sounds.end(), L"SOUND_RING"), sounds.end());
    StopGpsNmeaReader();
    EXPECT_TRUE(ThreadEnds(hGpsThread));
    CloseHandle(hGpsThread);
    hGpsThread = INVALID_HANDLE_VALUE;
    nGpsIntervalMs = 910;
}

TEST_F(EmulatedDevices, TiltMeterRateCommandAndSentences)
{
    std::string root = emu::MakeTempRoot("acq_tilt");
    emu::Emulator dev(root, {"COM7=tilt"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    nTiltBaud = 1;
    ASSERT_EQ(OpenTiltPort(), 1);
    EXPECT_EQ(SetTiltOutputRate(3), 1);
    EXPECT_EQ(dev.received("COM7"), "[1D10\r");
    hTiltThread = CreateThread(nullptr, 0, TiltReaderThread, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return CountOf(WM_TILT_SENTENCE) >= 5; }, 5000));
    EXPECT_TRUE(dev.ok("COM7 badsum"));
    PlatformPump(500);
    StopTiltReader();
    EXPECT_TRUE(ThreadEnds(hTiltThread));
    CloseHandle(hTiltThread);
    hTiltThread = INVALID_HANDLE_VALUE;
    for (const Received &r : ReceivedMessages()) {
        EXPECT_EQ(r.bytes.substr(0, 7), "$PTILT,");
        EXPECT_TRUE(ChecksumMatches(r.bytes)) << r.bytes;
    }
}

TEST_F(EmulatedDevices, GpsMonitorSendsTheCommandToTheReceiver)
{
    std::string root = emu::MakeTempRoot("acq_gpsmon");
    emu::Emulator dev(root, {"COM6=gps:format=1"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    bGpsEnabled = 1;
    ASSERT_EQ(StartGpsMonitoring(), 1);
    HWND hList = GetDlgItem(hwndGpsMonitor, 760);
    ASSERT_TRUE(WaitUntil([&] { return SendMessage(hList, LB_GETCOUNT, 0, 0) >= 2; }, 5000));
    PlatformAnswerDialog(L"GETGPSMESSAGE", IDOK);
    SendMessage(hwndGpsMonitor, WM_KEYDOWN, 'S', 0);
    PlatformPump(200);
    EXPECT_EQ(dev.received("COM6"), "$PASHS,NME,SAT,A,ON\r\n");
    SendMessage(hwndGpsMonitor, WM_KEYDOWN, 'X', 0);
    EXPECT_EQ(hGpsPort.load(), INVALID_HANDLE_VALUE);
    EXPECT_TRUE(WaitUntil([&] { return dev.command("COM6 state") == "OK idle"; }, 3000));
}

}  // namespace
