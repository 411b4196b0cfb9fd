// EM61-MK2 reading handler: reading records and their tick rule, the normalisation phase, nulling with its offset
// records, colour cells and the marker rules, driven with stub frames and a data file in a private root.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "support/test_root.h"

namespace {

class HandlerEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("em61mk2-handler");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "em61mk2-handler-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        std::filesystem::create_directories(root + "/C/data");
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new HandlerEnvironment);

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Frame bytes as the reader hands them over: mode letter, gain code, four channel words, current word, battery.
void PutFrame(char chMode, int nGain, const int anWord[4], int nCurrentWord, int nBattery)
{
    memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
    szInstrumentRecord[0] = chMode;
    szInstrumentRecord[1] = (char)nGain;
    for (int k = 0; k < 4; k++) {
        szInstrumentRecord[2 + 2 * k] = (char)((anWord[k] >> 8) & 0xFF);
        szInstrumentRecord[3 + 2 * k] = (char)(anWord[k] & 0xFF);
    }
    szInstrumentRecord[10] = (char)((nCurrentWord >> 8) & 0xFF);
    szInstrumentRecord[11] = (char)(nCurrentWord & 0xFF);
    szInstrumentRecord[12] = (char)nBattery;
    szInstrumentRecord[13] = 0x7F;
}

// Standard type, "OK" answer, linear scale, ring full of 3000 counts: factor 3000 / 3000 = 1, mode T scales x2.
void FillRing(double dValue)
{
    nReferenceRingLength = 98;
    for (int i = 0; i < 98; i++) adCurrentRing[i] = dValue;
    dCurrentSum = 98 * dValue;
    dCurrentMean = dValue;
    nReferenceRingPos = 0;
    bReferenceReady = 1;
}

class Em61Mk2HandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nInstrumentType = INSTRUMENT_EM61MK2;
        SetDataRecordLength(27);
        nEm61Type = 0;
        nEm61TypeSaved = 0;
        nSensorSize = 2;
        nInstrumentCmdReply = 1;
        nScaleType = 0;
        nEm61Mk2AltMode = 0;
        for (double &d : adOffset) d = 0.0;
        FillRing(3000.0);
        nEm61ProcedureState = 1;
        nSurveyMode = 0;
        nRecordTrigger = 0;
        nRecordingState = 1;
        dwRecordingStartTick = 1000;
        dwInstrumentDataTick = 1234;
        dStation = 0.0;
        dStationIncrement = 1.0;
        bStationStarted = 0;
        nLineReadingCount = nTotalReadingCount = 0;
        nColorMapView = 0;
        bSwathSampling = 0;
        nSwathRow = 0;
        nSwathCellCount = 0;
        dScale1Min = 0.0;
        dScale1Max = 2000.0;
        dColorStep = 40.0;
        bGpsEnabled = 0;
        bAudioTicks = 0;

        path = NameFreshDataFile(L"handler", L"T61");
        ASSERT_EQ(OpenDataFileHandle(), 1);
    }
    void TearDown() override { CloseDataFile(); }

    std::string FileBytes() { return ReadAll(path); }

    void Reading(char chMode, const int anWord[4], DWORD dwTick = 1234, int nCurrentWord = 3000)
    {
        PutFrame(chMode, 0, anWord, nCurrentWord, 81);
        dwInstrumentDataTick = dwTick;
        EXPECT_EQ(OnInstrumentReadingMsg(nullptr, WM_EM61MK2_READING, 0, 0), 0);
    }

    std::string path;
};

const int kWords[4] = {1000, 2000, -1000, 0};

TEST_F(Em61Mk2HandlerTest, RecordHoldsFrameWithAveragedReferenceTickAndLineFeed)
{
    Reading('T', kWords, 1234);
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 27u);
    // Bytes 0..9 as received; 10..12 the mean 3000.00 (0x0BB8, 0 hundredths); 13..15 the raw current and battery.
    const unsigned char expected[16] = {'T', 0, 0x03, 0xE8, 0x07, 0xD0, 0xFC, 0x18, 0x00, 0x00,
                                        0x0B, 0xB8, 0x00, 0x0B, 0xB8, 81};
    for (int i = 0; i < 16; i++) EXPECT_EQ((unsigned char)bytes[i], expected[i]) << "byte " << i;
    EXPECT_EQ(bytes.substr(16, 10), "      1234");
    EXPECT_EQ(bytes[26], '\n');
    EXPECT_EQ(szInstrumentRecord[0], 0);  // taken
}

TEST_F(Em61Mk2HandlerTest, MeanWithHundredthsIsWrittenBack)
{
    // Ring of 300.567: bytes 10-11 = 0x012C, byte 12 = 56.
    FillRing(300.567);
    const int w[4] = {0, 0, 0, 0};
    PutFrame('T', 0, w, 300, 81);
    // The frame's current 300 replaces one slot: mean = (97 x 300.567 + 300) / 98.
    OnInstrumentReadingMsg(nullptr, WM_EM61MK2_READING, 0, 0);
    const double dMean = (97 * 300.567 + 300) / 98;
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 27u);
    EXPECT_EQ((unsigned char)bytes[10], 0x01);
    EXPECT_EQ((unsigned char)bytes[11], 0x2C);
    EXPECT_EQ((unsigned char)bytes[12], (unsigned char)(int)((dMean - 300) * 100));
}

struct TickCase {
    const char *name;
    DWORD dwStart;
    DWORD dwFrame;
    bool bWritten;
};

class TickRuleTest : public Em61Mk2HandlerTest, public ::testing::WithParamInterface<TickCase> {};

TEST_P(TickRuleTest, FrameOlderThanStartWritesNoRecordButCounts)
{
    const TickCase &c = GetParam();
    dwRecordingStartTick = c.dwStart;
    Reading('T', kWords, c.dwFrame);
    EXPECT_EQ(FileBytes().size(), c.bWritten ? 27u : 0u);
    EXPECT_EQ(nTotalReadingCount, 1);
    EXPECT_EQ(nLineReadingCount, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Ticks, TickRuleTest,
    ::testing::Values(TickCase{"older", 1000, 999, false}, TickCase{"same", 1000, 1000, true},
                      TickCase{"newer", 1000, 5000, true},
                      TickCase{"newer_across_wrap", 0xFFFFFF00u, 0x00000010u, true},
                      TickCase{"older_across_wrap", 0x00000010u, 0xFFFFFF00u, false},
                      TickCase{"not_started", 0, 0xFFFFFFF0u, true}),
    [](const ::testing::TestParamInfo<TickCase> &info) { return std::string(info.param.name); });

TEST_F(Em61Mk2HandlerTest, MonitoringAndStandByWriteNothing)
{
    for (int s : {0, -1}) {
        nRecordingState = s;
        Reading('T', kWords);
    }
    EXPECT_EQ(FileBytes().size(), 0u);
    EXPECT_EQ(nTotalReadingCount, 0);
}

TEST_F(Em61Mk2HandlerTest, StationAdvancesFromTheSecondRecordedReading)
{
    dStation = 10.0;
    dStationIncrement = 0.5;
    Reading('T', kWords);
    EXPECT_DOUBLE_EQ(dStation, 10.0);
    Reading('T', kWords);
    Reading('T', kWords);
    EXPECT_DOUBLE_EQ(dStation, 11.0);
}

TEST_F(Em61Mk2HandlerTest, ManualModeRecordsFirstMarkerOfEachRunAndRingsOnEveryMarker)
{
    nSurveyMode = 2;
    bAudioTicks = 1;
    const size_t nSoundsBefore = PlatformSoundLog().size();
    const char *szModes = "DNNDN";
    for (const char *p = szModes; *p; p++) Reading(*p, kWords);
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 2u * 27u);
    EXPECT_EQ(bytes[0], 'N');
    EXPECT_EQ(bytes[27], 'N');
    std::vector<std::wstring> sounds = PlatformSoundLog();
    int nResult = 0;
    for (size_t i = nSoundsBefore; i < sounds.size(); i++) nResult += sounds[i] == L"SOUND_RESULT";
    EXPECT_EQ(nResult, 3);
}

TEST_F(Em61Mk2HandlerTest, AutoModeRecordsMarkerFrames)
{
    Reading('M', kWords);
    Reading('M', kWords);
    EXPECT_EQ(FileBytes().size(), 2u * 27u);
}

TEST_F(Em61Mk2HandlerTest, NormalisationFillsTheRingBeforeAnyReadingIsUsed)
{
    bReferenceReady = 0;
    nReferenceRingPos = 0;
    nEm61ProcedureState = 0;
    bReferencePhaseDone = 1;
    for (int i = 0; i < 97; i++) Reading('T', kWords);
    EXPECT_EQ(nEm61ProcedureState, 0);
    EXPECT_EQ(bReferencePhaseDone, 0);
    Reading('T', kWords);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_EQ(bReferencePhaseDone, 1);
    EXPECT_EQ(bReferenceReady, 1);
    EXPECT_EQ(FileBytes().size(), 0u);  // no reading decoded or recorded in the phase
    EXPECT_EQ(nTotalReadingCount, 0);
}

TEST_F(Em61Mk2HandlerTest, OtherProcedureStateLeavesTheFrameUntaken)
{
    nEm61ProcedureState = -3;
    PutFrame('T', 0, kWords, 3000, 81);
    OnInstrumentReadingMsg(nullptr, WM_EM61MK2_READING, 0, 0);
    EXPECT_EQ(szInstrumentRecord[0], 'T');
    EXPECT_EQ(FileBytes().size(), 0u);
}

// Channel values by hand: word x 4.8333 (gain 1) x 2 (mode T, Standard) x 3000 / 3000.
double HandValue(int nWord)
{
    return nWord * 4.8333 * 2.0;
}

TEST_F(Em61Mk2HandlerTest, NullingAveragesFiftyReadingsWritesOffsetsAndSubtractsThem)
{
    adOffset[0] = 1.0;
    adOffset[1] = 2.0;
    adOffset[2] = 3.0;
    adOffset[3] = 4.0;
    nRecordingState = -1;  // data file open, not recording
    nEm61ProcedureState = -1;
    nProcedureCount = 0;

    // The first frame starts the nulling and is not averaged; 50 frames follow.
    const int anStart[4] = {9000, 9000, 9000, 9000};
    Reading('T', anStart);
    EXPECT_EQ(nProcedureCount, 1);
    const int anNull[4] = {100, 200, 300, 400};
    for (int i = 0; i < 49; i++) Reading('T', anNull);
    EXPECT_EQ(nEm61ProcedureState, -1);
    EXPECT_EQ(nProcedureCount, 50);
    Reading('T', anNull);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_EQ(nProcedureCount, 50);
    for (int k = 0; k < 4; k++) EXPECT_NEAR(adOffset[k], HandValue(anNull[k]), 1e-6) << k;

    // Four offset records: "O", the new offset "%9.2f" at 1..9, the previous at 11..19.
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 4u * 27u);
    const char *aszNew[4] = {"   966.66", "  1933.32", "  2899.98", "  3866.64"};
    const char *aszOld[4] = {"     1.00", "     2.00", "     3.00", "     4.00"};
    for (int k = 0; k < 4; k++) {
        const std::string rec = bytes.substr(27 * k, 27);
        EXPECT_EQ(rec[0], 'O');
        EXPECT_EQ(rec.substr(1, 9), aszNew[k]);
        EXPECT_EQ(rec.substr(11, 9), aszOld[k]);
        EXPECT_EQ(rec[26], '\n');
    }

    // A later reading of twice the nulled words shows the words' value once: seen through its colour cells
    // (step 40 on 0..2000), channel by channel.
    nRecordingState = 1;
    bSwathSampling = 1;
    const int anLater[4] = {200, 400, 600, 800};
    for (int k = 0; k < 4; k++) {
        nColorMapView = k + 1;
        Reading('T', anLater);
        int nExpected = (int)(HandValue(anNull[k]) / 40.0);
        if (nExpected > 49) nExpected = 49;
        EXPECT_EQ(rgColorGrid[0][k], nExpected) << "channel " << k + 1;
    }
}

TEST_F(Em61Mk2HandlerTest, NullingWhileMonitoringWritesNoOffsetRecords)
{
    nRecordingState = 0;
    nEm61ProcedureState = -1;
    nProcedureCount = 0;
    const int anNull[4] = {10, 20, 30, 40};
    for (int i = 0; i < 51; i++) Reading('T', anNull);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_EQ(FileBytes().size(), 0u);
    EXPECT_NEAR(adOffset[3], HandValue(40), 1e-6);
}

TEST_F(Em61Mk2HandlerTest, ReferenceReadingsOfTheFilterCalibrationKeepItsState)
{
    // First step of the two-coil filter calibration: 100 readings averaged, the offsets in force saved aside, the state
    // left for the second step, no records.
    adOffset[0] = 5.0;
    nRecordingState = -1;
    nEm61ProcedureState = -2;
    nProcedureCount = 0;
    EXPECT_EQ(AccumulateReferenceReadings(99, 99, 99, 99), 0);
    for (int i = 0; i < 99; i++) EXPECT_EQ(AccumulateReferenceReadings(1, 2, 3, 4), 0);
    EXPECT_EQ(AccumulateReferenceReadings(3, 4, 5, 6), 1);
    EXPECT_EQ(nEm61ProcedureState, -2);
    EXPECT_EQ(nProcedureCount, 101);
    EXPECT_DOUBLE_EQ(adSavedOffset[0], 5.0);
    EXPECT_NEAR(adOffset[0], (99 * 1 + 3) / 100.0, 1e-12);
    EXPECT_NEAR(adOffset[3], (99 * 4 + 6) / 100.0, 1e-12);
    EXPECT_EQ(FileBytes().size(), 0u);

    // Nulling with it (state -1) ends in state 1 and writes the four offset lines in stand-by.
    nEm61ProcedureState = -1;
    nProcedureCount = 0;
    AccumulateReferenceReadings(0, 0, 0, 0);
    for (int i = 0; i < 100; i++) AccumulateReferenceReadings(2, 2, 2, 2);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_DOUBLE_EQ(adOffset[2], 2.0);
    const std::string bytes = FileBytes();
    ASSERT_EQ(bytes.size(), 4u * 27u);
    for (int k = 0; k < 4; k++) EXPECT_EQ(bytes[27 * k], 'O');
}

TEST_F(Em61Mk2HandlerTest, ColourCellPerRecordedReadingOfTheMappedChannel)
{
    bSwathSampling = 1;
    nColorMapView = 2;
    rgColorGrid[0][0] = rgColorGrid[0][1] = -5;
    const int anWords[4] = {0, 100, 0, 0};  // channel 2: 966.66 -> class 24
    Reading('T', anWords);
    EXPECT_EQ(nSwathCellCount, 1);
    EXPECT_EQ(rgColorGrid[0][0], 24);
    nRecordingState = -1;  // not recording: no cell
    Reading('T', anWords);
    EXPECT_EQ(nSwathCellCount, 1);
    nRecordingState = 1;
    nColorMapView = 0;  // no colour map: no cell
    Reading('T', anWords);
    EXPECT_EQ(nSwathCellCount, 1);
    EXPECT_EQ(rgColorGrid[0][1], -5);
}

TEST_F(Em61Mk2HandlerTest, ColourCellsStopAtTheEndOfTheRow)
{
    bSwathSampling = 1;
    nColorMapView = 1;
    nSwathRow = 0;
    for (int i = 0; i < SWATH_CELLS_PER_ROW; i++) rgColorGrid[1][i] = -7;
    const int anWords[4] = {50, 0, 0, 0};  // 483.33 -> class 12
    for (int i = 0; i < SWATH_CELLS_PER_ROW + 20; i++) Reading('T', anWords);
    EXPECT_EQ(nSwathCellCount, SWATH_CELLS_PER_ROW);
    EXPECT_EQ(rgColorGrid[0][SWATH_CELLS_PER_ROW - 1], 12);
    for (int i = 0; i < SWATH_CELLS_PER_ROW; i++) ASSERT_EQ(rgColorGrid[1][i], -7) << i;
    // The readings themselves are all recorded.
    EXPECT_EQ(nTotalReadingCount, SWATH_CELLS_PER_ROW + 20);
    EXPECT_EQ(FileBytes().size(), (size_t)(SWATH_CELLS_PER_ROW + 20) * 27u);
}

TEST_F(Em61Mk2HandlerTest, ColourCellsOfValuesFarOutsideTheScaleTakeTheEndClasses)
{
    bSwathSampling = 1;
    const int anWords[4] = {32767, -32768, 0, 0};  // about 316744 and -316754
    nColorMapView = 1;
    Reading('T', anWords);
    nColorMapView = 2;
    Reading('T', anWords);
    EXPECT_EQ(rgColorGrid[0][0], 49);
    EXPECT_EQ(rgColorGrid[0][1], 0);
}

TEST_F(Em61Mk2HandlerTest, ZeroColourStepGivesTheFirstClass)
{
    bSwathSampling = 1;
    nColorMapView = 1;
    dColorStep = 0.0;
    Reading('T', kWords);
    EXPECT_EQ(nSwathCellCount, 1);
    EXPECT_EQ(rgColorGrid[0][0], 0);
}

TEST_F(Em61Mk2HandlerTest, ZeroMeanCurrentReadsWithFactorOne)
{
    FillRing(0.0);
    bSwathSampling = 1;
    nColorMapView = 2;
    const int anWords[4] = {0, 100, 0, 0};  // 966.66 with factor 1 -> class 24
    Reading('T', anWords, 1234, 0);
    EXPECT_EQ(rgColorGrid[0][0], 24);
    EXPECT_EQ(FileBytes().size(), 27u);
}

TEST_F(Em61Mk2HandlerTest, ElapsedTimeAddsEarlierRuns)
{
    dwRecordStartTick = 0xFFFFF000u;  // across the wrap
    nTotalElapsedMs = 3600 * 1000 + 61 * 1000;
    UpdateElapsedTime(0xFFFFF000u + 4096 + 2000);
    EXPECT_EQ(anTotalElapsedHms[0], 1);
    EXPECT_EQ(anTotalElapsedHms[1], 1);
    EXPECT_EQ(anTotalElapsedHms[2], 7);
    nTotalElapsedMs = 0;
    dwRecordStartTick = 0;
}

}  // namespace
