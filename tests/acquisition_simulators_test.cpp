// Simulator threads: what each hands to the logging screen in place of its reader, and that each stops.
#include "acquisition_test_support.h"

#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "processing/gps_formats.h"

using namespace acqtest;

namespace {

class Simulators : public ::testing::Test {
protected:
    void SetUp() override
    {
        InitAcquisitionTestWindows();
        ReceivedMessages().clear();
        nRecordingState = 0;
        nActiveScreen = 1;
        nFrameDecimation = 1;
        nFrameCount = 0;
    }
    void TearDown() override { nActiveScreen = 0; }
    size_t CountOf(UINT message)
    {
        size_t n = 0;
        for (const Received &r : ReceivedMessages()) n += r.message == message;
        return n;
    }
};

TEST_F(Simulators, GpsSimulatorSendsTheCannedPositionWithItsClockAndTheGsa)
{
    nGpsFormat = 0;
    SelectGpsSentenceFields();
    bGpsSimulatorRun = 1;
    HANDLE hThread = CreateThread(nullptr, 0, GpsSimulatorThread, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return CountOf(WM_GPS_POSITION) >= 2; }, 5000));
    bGpsSimulatorRun = 0;
    EXPECT_TRUE(ThreadEnds(hThread, 3000));
    CloseHandle(hThread);
    std::vector<std::string> positions;
    for (const Received &r : ReceivedMessages())
        if (r.message == WM_GPS_POSITION) positions.push_back(r.bytes);
    EXPECT_EQ(positions[0], "$GPGGA,170356,4336.5940,N,07936.6403,W,8,11,2.0,142.5,M,-35.4,M,,*70");
    EXPECT_EQ(positions[1].substr(0, 14), "$GPGGA,170357,");
    EXPECT_GE(CountOf(WM_GPS_DOP), 1u);
    EXPECT_EQ(bGpsNoChecksum.load(), 1);
}

TEST_F(Simulators, GpsSimulatorOnlyFeedsTheMonitorWhileItIsShown)
{
    nGpsFormat = 1;
    SelectGpsSentenceFields();
    nActiveScreen = 2;
    bGpsSimulatorRun = 1;
    HANDLE hThread = CreateThread(nullptr, 0, GpsSimulatorThread, nullptr, 0, nullptr);
    PlatformPump(400);
    bGpsSimulatorRun = 0;
    EXPECT_TRUE(ThreadEnds(hThread, 3000));
    CloseHandle(hThread);
    EXPECT_TRUE(ReceivedMessages().empty());
}

TEST_F(Simulators, Em61Mk2SimulatorFramesHaveTheReaderLayout)
{
    nFrameDecimation = 2;
    bInstrumentSimulatorRun = 1;
    HANDLE hThread = CreateThread(nullptr, 0, InstrumentSimulatorThread, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 3; }, 5000));
    bInstrumentSimulatorRun = 0;
    EXPECT_TRUE(ThreadEnds(hThread, 3000));
    CloseHandle(hThread);
    for (const Received &r : ReceivedMessages()) {
        EXPECT_EQ(r.message, (UINT)WM_EM61MK2_READING);
        ASSERT_EQ(r.bytes.size(), 14u);
        EXPECT_EQ(r.bytes[0], 'T');
        EXPECT_EQ((unsigned char)r.bytes[1], 0xFF);
        EXPECT_EQ(r.bytes[2], 50);
        EXPECT_EQ(r.bytes[8], 35);
        EXPECT_EQ(r.bytes.substr(10, 4), std::string("\x0B\x12\x51\x00", 4));
    }
}

TEST_F(Simulators, Em384SimulatorRunsWhileThePortIsOpen)
{
    PortRoot root;
    root.AddPty(4);
    nInstrumentPort = 3;
    nInstrumentType = INSTRUMENT_EM384;
    ASSERT_EQ(OpenInstrumentPort(1), 1);
    HANDLE hThread = CreateThread(nullptr, 0, Em384SimulatorThread, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 2; }, 5000));
    StopInstrumentReaders();
    EXPECT_TRUE(ThreadEnds(hThread, 3000));
    CloseHandle(hThread);
    const Received &r = ReceivedMessages()[0];
    EXPECT_EQ(r.message, (UINT)WM_EM384_READING);
    EXPECT_EQ(r.bytes[0], 'T');
    EXPECT_GE((unsigned char)r.bytes[3], 169);
    EXPECT_LE((unsigned char)r.bytes[3], 192);
    EXPECT_GE((unsigned char)r.bytes[19], 15);
    EXPECT_LE((unsigned char)r.bytes[19], 56);
}

TEST_F(Simulators, Cs21AndGrad601SimulatorsPassTheirSentenceTests)
{
    bTextSimulatorRun = 1;
    HANDLE hThread = CreateThread(nullptr, 0, DualEmSimulatorThread, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 3; }, 5000));
    bTextSimulatorRun = 0;
    EXPECT_TRUE(ThreadEnds(hThread, 3000));
    CloseHandle(hThread);
    EXPECT_EQ(ReceivedMessages()[0].message, (UINT)WM_DUALEM_READING);
    EXPECT_EQ(ReceivedMessages()[0].bytes.substr(0, 18), "$PDLM1,112345.234,");
    EXPECT_EQ(ReceivedMessages()[1].bytes.substr(0, 7), "$PDLM2,");
    EXPECT_EQ(ReceivedMessages()[2].bytes.substr(0, 7), "$PDLMA,");
    EXPECT_EQ(ReceivedMessages()[2].bytes.substr(ReceivedMessages()[2].bytes.size() - 3), "*29");

    ReceivedMessages().clear();
    bTextSimulatorRun = 1;
    hThread = CreateThread(nullptr, 0, GradSimulatorThread, nullptr, 0, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return ReceivedMessages().size() >= 1; }, 5000));
    bTextSimulatorRun = 0;
    EXPECT_TRUE(ThreadEnds(hThread, 3000));
    CloseHandle(hThread);
    const std::string &s = ReceivedMessages()[0].bytes;
    EXPECT_EQ(ReceivedMessages()[0].message, (UINT)WM_GRAD601_READING);
    ASSERT_EQ(s.size(), 17u) << s;
    EXPECT_EQ(s.substr(0, 7), "$PBAR,+");
    EXPECT_EQ(s[11], ',');
    EXPECT_EQ(s[12], '+');
}

}  // namespace
