// EM38 record-length probe against the device emulator: 7- and 12-character records, wrong lengths, a record
// that never ends, a silent instrument and no port.
#include "acquisition_test_support.h"

#include "core/rates.h"
#include "core/settings.h"
#include "processing/em38_probe.h"
#include "support/emulator_client.h"

#include <string>
#include <thread>

using namespace acqtest;

namespace {

class Em38Probe : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        nInstrumentType = INSTRUMENT_EM38;
        nInstrumentPort = 3;  // COM4
        nInstrumentBaudIndex = 0;
        dSampleInterval = 0.2;
    }
    void TearDown() override
    {
        HANDLE h = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        PlatformClearDialogScripts();
    }
};

std::string Hex(const std::string &bytes)
{
    std::string s;
    char b[4];
    for (unsigned char c : bytes) {
        snprintf(b, sizeof b, "%02X ", c);
        s += b;
    }
    return s;
}

}  // namespace

TEST_F(Em38Probe, SevenAndTwelveCharacterRecordsSetLengthPeriodAndFramesPerReading)
{
    struct Case {
        const char *device;
        int length;
        double periodMs;
        int framesPerReading;  // 0.2 s: 200 / 72 + 0.5 = 3.28 -> 3; 200 / 91 + 0.5 = 2.70 -> 2
    };
    for (const Case &c : {Case{"COM4=em38:len=7", 7, 72.0, 3}, Case{"COM4=em38:len=12", 12, 91.0, 2}}) {
        SCOPED_TRACE(c.device);
        std::string root = emu::MakeTempRoot(std::string("em38_probe_") + std::to_string(c.length));
        emu::Emulator dev(root, {c.device});
        ASSERT_TRUE(dev.ready()) << dev.error();
        setenv("ULVANE_ROOT", root.c_str(), 1);
        nInstrumentRecordLength = 12;
        nFramesPerReading = 99;
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        EXPECT_EQ(DetectEm38RecordLength(), 1);
        EXPECT_EQ(nInstrumentRecordLength.load(), c.length);
        EXPECT_DOUBLE_EQ(dFramePeriodMs, c.periodMs);
        EXPECT_EQ(nFramesPerReading, c.framesPerReading);
        CloseHandle(hInstrumentPort.exchange(INVALID_HANDLE_VALUE));
    }
}

TEST_F(Em38Probe, WrongLengthsFailAtOnceAndAnUnendedRecordIsSkipped)
{
    std::string root = emu::MakeTempRoot("em38_probe_hand");
    emu::Emulator dev(root, {"COM4=em38:len=7"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    ASSERT_TRUE(dev.ok("COM4 silence 0"));

    // "T" and 8 to 11 characters before the carriage return: not an EM38 record length.
    for (int count : {8, 9, 11, 13}) {
        SCOPED_TRACE(count);
        ASSERT_EQ(OpenInstrumentPort(1), 1);
        int result = -1;
        DWORD dwStart = GetTickCount();
        DWORD dwEnd = 0;
        std::thread probe([&] {
            result = DetectEm38RecordLength();
            dwEnd = GetTickCount();
        });
        Sleep(100);
        ASSERT_TRUE(dev.ok("COM4 send " + Hex("T" + std::string(count - 1, '1') + "\r")));
        probe.join();
        EXPECT_EQ(result, 0);
        EXPECT_LT(dwEnd - dwStart, 1500u);  // at once, not after the 2 s limit
        CloseHandle(hInstrumentPort.exchange(INVALID_HANDLE_VALUE));
    }

    // A record that does not end within 1000 ms is dropped; the next whole one is measured.
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    int result = -1;
    std::thread probe([&] { result = DetectEm38RecordLength(); });
    Sleep(50);
    ASSERT_TRUE(dev.ok("COM4 send " + Hex("T12")));
    Sleep(1150);
    ASSERT_TRUE(dev.ok("COM4 send " + Hex("T" + std::string(11, '2') + "\r")));
    probe.join();
    EXPECT_EQ(result, 1);
    EXPECT_EQ(nInstrumentRecordLength.load(), 12);
}

TEST_F(Em38Probe, SilentInstrumentFailsAfterTwoSecondsAndNoPortFailsAtOnce)
{
    std::string root = emu::MakeTempRoot("em38_probe_silent");
    emu::Emulator dev(root, {"COM4=em38:len=7"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    setenv("ULVANE_ROOT", root.c_str(), 1);
    ASSERT_TRUE(dev.ok("COM4 silence 0"));
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    DWORD dwStart = GetTickCount();
    EXPECT_EQ(DetectEm38RecordLength(), 0);
    DWORD dwTook = GetTickCount() - dwStart;
    EXPECT_GE(dwTook, 1900u);
    EXPECT_LT(dwTook, 6000u);
    CloseHandle(hInstrumentPort.exchange(INVALID_HANDLE_VALUE));

    dwStart = GetTickCount();
    EXPECT_EQ(DetectEm38RecordLength(), 0);
    EXPECT_LT(GetTickCount() - dwStart, 1000u);
}
