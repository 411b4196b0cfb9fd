// EM61-LX2 reading handlers driven with frames of chosen values and scripted procedure boxes: reading records,
// normalisation, nulling, the two-part filter calibration with its refusals, and the target alarm.
#include <gtest/gtest.h>

#include <cmath>
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
#include "processing/em61lx2_alarm.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "processing/filter_factor.h"
#include "resources/resources.h"
#include "support/test_root.h"

namespace {

class Lx2Environment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("em61lx2-handler");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "em61lx2-handler-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
        std::filesystem::create_directories(root + "/C/data");
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new Lx2Environment);

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Frame as the reader hands it over: mode letter, range byte, four channel words, current word, battery byte.
void PutFrame(char chMode, const int anWord[4], int nCurrent = 3000, int nBattery = 80)
{
    memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
    szInstrumentRecord[0] = chMode;
    szInstrumentRecord[1] = 0;
    for (int k = 0; k < 4; k++) {
        szInstrumentRecord[2 + 2 * k] = (char)((anWord[k] >> 8) & 0xFF);
        szInstrumentRecord[3 + 2 * k] = (char)(anWord[k] & 0xFF);
    }
    szInstrumentRecord[10] = (char)((nCurrent >> 8) & 0xFF);
    szInstrumentRecord[11] = (char)(nCurrent & 0xFF);
    szInstrumentRecord[12] = (char)nBattery;
    szInstrumentRecord[13] = 0x11;
    szInstrumentRecord[14] = 0x22;
    szInstrumentRecord[15] = 0x33;
}

class Em61Lx2HandlerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nInstrumentType = INSTRUMENT_EM61LX2;
        SetDataRecordLength(27);
        bNoCurrentNorm = 1;  // channel values are words x 20: exact sums and ratios
        for (double &d : adOffset) d = 0.0;
        nReferenceRingLength = 98;
        for (double &d : adCurrentRing) d = 3000.0;
        dCurrentSum = 98 * 3000.0;
        dCurrentMean = 3000.0;
        nReferenceRingPos = 0;
        bReferenceReady = 1;
        nEm61ProcedureState = 1;
        nProcedureCount = 0;
        nNullingReadings = 100;
        nFilterReadings = 200;
        nRecordingState = 1;
        dwRecordingStartTick = 1000;
        dStation = 10.0;
        dStationIncrement = 0.5;
        bStationStarted = 0;
        nTotalReadingCount = 0;
        nColorMapView = 0;
        bSwathSampling = 0;
        bSoftMarkerDown = 0;
        nAlarmType = 0;
        nAlarmAudio = 1;
        nAlarmChannel = 0;
        nFrameDecimation = 1;
        dFilterFactorLeft = dFilterFactorRight = 310.0;
        dFilterFactorLeftPrev = dFilterFactorRightPrev = 310.0;
        dFilterRatioLeft = dFilterRatioRight = ConvertFilterFactor(310.0, 1);
        dFilterRatioLeftPrev = dFilterRatioLeft;
        dFilterRatioRightPrev = dFilterRatioRight;
        PlatformClearDialogScripts();
        PlatformClearShownDialogs();

        path = NameFreshDataFile(L"lx2handler", L"TX2");
        ASSERT_EQ(OpenDataFileHandle(), 1);
    }
    void TearDown() override
    {
        CloseDataFile();
        bNoCurrentNorm = 0;
        for (double &d : adOffset) d = 0.0;
        PlatformClearDialogScripts();
    }

    void Reading(int bDual, char chMode, const int anWord[4], DWORD dwTick = 1234, int nCurrent = 3000,
                 int nBattery = 80)
    {
        PutFrame(chMode, anWord, nCurrent, nBattery);
        dwInstrumentDataTick = dwTick;
        EXPECT_EQ(bDual ? HandleEm61Lx2DualReading(nullptr) : HandleEm61Lx2Reading(nullptr), 0);
        EXPECT_EQ(szInstrumentRecord[0], 0);
    }
    void Readings(int bDual, int nCount, const int anWord[4])
    {
        for (int i = 0; i < nCount; i++) Reading(bDual, 'E', anWord);
    }
    std::string FileBytes() { return ReadAll(path); }
    std::vector<std::string> Lines()
    {
        std::vector<std::string> v;
        const std::string s = FileBytes();
        for (size_t i = 0; i + 27 <= s.size(); i += 27) v.push_back(s.substr(i, 27));
        return v;
    }
    // Calibration from its command's state: part 1 over nulling frames, part 2 over ground frames.
    void Calibrate(int bDual, const int anAir[4], const int anGround[4])
    {
        nProcedureCount = 0;
        dFilterRatioLeftPrev = dFilterRatioLeft;
        dFilterRatioRightPrev = dFilterRatioRight;
        nEm61ProcedureState = -2;
        Readings(bDual, nNullingReadings + 1, anAir);
        ASSERT_EQ(nEm61ProcedureState, -3);
        Readings(bDual, nFilterReadings, anGround);
    }
    std::vector<ShownDialog> Shown() { return PlatformShownDialogs(); }
    // An empty data file and no boxes shown or scripted, in stand-by: the next case of a table starts afresh.
    void FreshFileInStandBy()
    {
        PlatformClearShownDialogs();
        PlatformClearDialogScripts();
        CloseDataFile();
        std::filesystem::remove(path);
        ASSERT_EQ(OpenDataFileHandle(), 1);
        nRecordingState = -1;
    }

    std::string path;
};

TEST_F(Em61Lx2HandlerTest, ReadingRecordCarriesTheMeanCurrentAndTheTick)
{
    bNoCurrentNorm = 0;
    const int w[4] = {100, 50, 0, 0};
    // The ring of 3000 takes 3098: mean 3001.00.
    Reading(0, 'E', w, 4321, 3098);
    const std::string b = FileBytes();
    ASSERT_EQ(b.size(), 27u);
    const unsigned char expected[16] = {'E', 0, 0, 100, 0, 50, 0, 0, 0, 0, 0x0B, 0xB9, 0, 0, 0x22, 0x33};
    for (int i = 0; i < 16; i++) EXPECT_EQ((unsigned char)b[i], expected[i]) << "byte " << i;
    EXPECT_EQ(b.substr(16, 10), "      4321");
    EXPECT_EQ(b[26], '\n');
}

TEST_F(Em61Lx2HandlerTest, StationCountAndTheRecordingStartTick)
{
    const int w[4] = {1, 2, 3, 4};
    Reading(1, 'E', w, 999);  // older than the recording start: counted, not written
    EXPECT_EQ(FileBytes().size(), 0u);
    EXPECT_DOUBLE_EQ(dStation, 10.0);  // the first reading keeps the start station
    Reading(1, 'E', w, 1000);
    EXPECT_EQ(FileBytes().size(), 27u);
    EXPECT_DOUBLE_EQ(dStation, 10.5);  // the second advances it
    EXPECT_EQ(nTotalReadingCount, 2);
    nRecordingState = 0;
    Reading(1, 'E', w, 2000);
    EXPECT_EQ(FileBytes().size(), 27u);
    EXPECT_EQ(nTotalReadingCount, 2);
}

TEST_F(Em61Lx2HandlerTest, SoftMarkerTurnsModeLettersIntoMarkerLetters)
{
    const struct {
        char in, out;
    } cases[] = {{'E', 'P'}, {'D', 'N'}, {'F', 'Q'}, {'T', 'M'}, {'X', 'X'}};
    const int w[4] = {1, 2, 3, 4};
    bSoftMarkerDown = 1;
    for (const auto &c : cases) Reading(0, c.in, w);
    bSoftMarkerDown = 0;
    Reading(0, 'E', w);
    const std::vector<std::string> v = Lines();
    ASSERT_EQ(v.size(), 6u);
    for (size_t i = 0; i < 5; i++) EXPECT_EQ(v[i][0], cases[i].out) << i;
    EXPECT_EQ(v[5][0], 'E');
}

// The colour cell of the filtered channel: one coil its class; two coils the right coil's class x 64 + the left
// coil's, as the two-coil swath painter and the rebuild from the file read it. A full row takes no more cells.
TEST_F(Em61Lx2HandlerTest, ColourCellsOfOneAndTwoCoilsStopAtTheRowEnd)
{
    nColorMapView = 3;  // difference channel
    bSwathSampling = 1;
    nSwathRow = 0;
    dScale1Min = 0.0;
    ComputeColorStep(0.0, 500.0);  // 10 per class
    dFilterRatioLeft = 2.0;
    dFilterRatioRight = 1.0;
    // Left 600 - 2 x 200 = 200 (class 20); right 100 - 40 = 60 (class 6).
    const int w[4] = {30, 10, 5, 2};
    const struct {
        int bDual, nCell;
    } cases[] = {{0, 20}, {1, 6 * 64 + 20}};
    for (const auto &c : cases) {
        nSwathCellCount = SWATH_CELLS_PER_ROW - 1;
        Reading(c.bDual, 'E', w);
        EXPECT_EQ(rgColorGrid[0][SWATH_CELLS_PER_ROW - 1], c.nCell) << c.bDual;
        EXPECT_EQ(nSwathCellCount, SWATH_CELLS_PER_ROW);
        Reading(c.bDual, 'E', w);
        EXPECT_EQ(nSwathCellCount, SWATH_CELLS_PER_ROW);
    }
}

TEST_F(Em61Lx2HandlerTest, NormalisationCountsUpThenButtonsWaitForGps)
{
    bReferenceReady = 0;
    nReferenceRingPos = 0;
    nEm61ProcedureState = 0;
    bGpsEnabled = 1;
    bGpsPositionValid = 0;
    const int w[4] = {1, 2, 3, 4};
    for (int i = 0; i < 97; i++) Reading(1, 'E', w);
    EXPECT_EQ(nEm61ProcedureState, 0);
    EXPECT_EQ(FileBytes().size(), 0u);
    Reading(1, 'E', w);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_EQ(bReferencePhaseDone, 1);
    bGpsEnabled = 0;
}

TEST_F(Em61Lx2HandlerTest, NullingAveragesOneHundredReadingsAndWritesOffsetsInStandBy)
{
    nRecordingState = -1;
    adOffset[0] = 7;
    adOffset[1] = 8;
    nEm61ProcedureState = -1;
    const int w[4] = {10, 5, 3, 1};
    Readings(1, 101, w);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_DOUBLE_EQ(adOffset[0], 200.0);
    EXPECT_DOUBLE_EQ(adOffset[1], 100.0);
    EXPECT_DOUBLE_EQ(adOffset[2], 60.0);
    EXPECT_DOUBLE_EQ(adOffset[3], 20.0);
    const std::vector<std::string> v = Lines();
    ASSERT_EQ(v.size(), 4u);
    EXPECT_EQ(v[0], "O   200.00      7.00     1\n");
    EXPECT_EQ(v[3], "O    20.00      0.00     1\n");
    // Afterwards the offsets are subtracted: the same frame reads 0.
    nRecordingState = 1;
    Reading(1, 'E', w);
    EXPECT_EQ(Lines().size(), 5u);
}

TEST_F(Em61Lx2HandlerTest, OneCoilCalibrationGivesTheFactorOfTheRatio)
{
    PlatformAnswerDialog(L"Calibration Part 2", 1);
    PlatformAnswerDialog(L"Filter Calibration Complete", 1);
    const int air[4] = {0, 0, 0, 0};
    const int ground[4] = {270, 100, 0, 0};
    Calibrate(0, air, ground);
    EXPECT_EQ(nEm61ProcedureState, 1);
    EXPECT_NEAR(dFilterFactorLeft, 309.6, 1e-9);
    EXPECT_NEAR(dFilterRatioLeft, 2.7, 1e-12);
    EXPECT_DOUBLE_EQ(dFilterFactorLeftPrev, 310.0);
    const std::vector<ShownDialog> shown = Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].caption, L"Calibration Part 2");
    EXPECT_EQ(shown[0].text,
              L"Ready to calculate Filter Factor\r\nPlace coil(s) on the ground.\r\n"
              L"Press  OK  when  you are ready to start\r\n");
    EXPECT_EQ(shown[1].text,
              L"Filter Factor = 309.6\r\nPress OK to accept the calibration\r\nor CANCEL to restore previous values\r\n");
}

TEST_F(Em61Lx2HandlerTest, TwoCoilCalibrationWritesOffsetsBeforeItAndBothFactors)
{
    nRecordingState = -1;
    const double adBefore[4] = {1, 2, 3, 4};
    for (int k = 0; k < 4; k++) adOffset[k] = adBefore[k];
    adPrevOffset[0] = -99;  // a nulling long ago: not the column a redraw needs
    PlatformAnswerDialog(L"Filter Calibration Part 2", 1);
    PlatformAnswerDialog(L"Filter Calibration Complete", 1);
    const int air[4] = {10, 5, 10, 5};           // offsets 200, 100, 200, 100
    const int ground[4] = {280, 105, 210, 105};  // (5600 - 200) / (2100 - 100) = 2.7; (4200 - 200) / 2000 = 2.0
    Calibrate(1, air, ground);
    EXPECT_NEAR(dFilterFactorLeft, 309.6, 1e-9);
    EXPECT_NEAR(dFilterFactorRight, 234.0, 1e-9);
    const std::vector<ShownDialog> shown = Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(shown[0].text,
              L"Ready to calculate Filter Factors\r\nPlace coil(s) on the ground.\r\n"
              L"Press OK when you are ready to start\r\n");
    EXPECT_EQ(shown[1].caption, L"Filter Calibration Complete");
    EXPECT_EQ(shown[1].text,
              L"Filter Factor for Left  Sensor = 309.6\r\n Filter Factor for Right Sensor = 234.0\r\n"
              L"Press OK to accept the calibration\r\nor CANCEL to restore previous values\r\n");
    const std::vector<std::string> v = Lines();
    ASSERT_EQ(v.size(), 6u);
    EXPECT_EQ(v[0], "O   200.00      1.00     1\n");
    EXPECT_EQ(v[1], "O   100.00      2.00     1\n");
    EXPECT_EQ(v[3], "O   100.00      4.00     1\n");
    EXPECT_EQ(v[4], "I   309.60    310.00     1\n");
    EXPECT_EQ(v[5], "I   234.00    310.00     1\n");
}

struct RefusalCase {
    const char *what;
    int anGround[4];
    const wchar_t *szRefusedLine;
};

TEST_F(Em61Lx2HandlerTest, OutOfRangeOrNoNumberFactorIsRefused)
{
    const RefusalCase cases[] = {
        {"ratio 0.9 gives 115.2", {90, 100, 0, 0}, L"Calculated Filter Factor for Left Coil ( 115.2 )"},
        {"dead late channel", {270, 0, 0, 0}, nullptr},
        {"both channels zero after nulling (0 / 0)", {0, 0, 0, 0}, nullptr},
        {"ratio 9 gives 1108.0", {900, 100, 0, 0}, L"Calculated Filter Factor for Left Coil ( 1108.0 )"},
    };
    for (const RefusalCase &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(FreshFileInStandBy());
        for (int k = 0; k < 4; k++) adOffset[k] = k + 1.0;
        const double dRatioBefore = dFilterRatioLeft;
        PlatformAnswerDialog(L"Calibration Part 2", 1);
        PlatformAnswerDialog(L"Filter Factor Left Coil", 1);
        const int air[4] = {0, 0, 0, 0};
        Calibrate(0, air, c.anGround);
        EXPECT_EQ(nEm61ProcedureState, 1);
        EXPECT_DOUBLE_EQ(dFilterFactorLeft, 310.0);
        EXPECT_DOUBLE_EQ(dFilterRatioLeft, dRatioBefore);
        EXPECT_DOUBLE_EQ(adOffset[0], 1.0);
        EXPECT_DOUBLE_EQ(adOffset[1], 2.0);
        EXPECT_TRUE(std::isfinite(dFilterFactorLeftPrev));
        EXPECT_EQ(FileBytes().size(), 0u);  // no "O" or "I" records
        const std::vector<ShownDialog> shown = Shown();
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[1].caption, L"Filter Factor Left Coil");
        EXPECT_EQ(shown[1].text.rfind(L"Calibration Failed.\r\n", 0), 0u);
        if (c.szRefusedLine) {
            EXPECT_NE(shown[1].text.find(c.szRefusedLine), std::wstring::npos);
        }
        EXPECT_NE(shown[1].text.find(L" is out of valid range ( 125 to 1000 ).\r\nProgram restores previous value ( 310.0 )\r\n"),
                  std::wstring::npos);
    }
}

TEST_F(Em61Lx2HandlerTest, FactorLimitsAreInclusive)
{
    const struct {
        double d;
        int ok;
    } cases[] = {{124.9, 0}, {125.0, 1}, {1000.0, 1}, {1000.1, 0}, {NAN, 0}, {INFINITY, 0}, {-INFINITY, 0}};
    for (const auto &c : cases) EXPECT_EQ(FilterFactorAcceptable(c.d), c.ok) << c.d;
}

TEST_F(Em61Lx2HandlerTest, TwoCoilsRightRefusedThenCancelRestores)
{
    PlatformAnswerDialog(L"Filter Calibration Part 2", 1);
    PlatformAnswerDialog(L"Filter Factor Right Coil", 1);
    PlatformAnswerDialog(L"Filter Calibration Complete", 2);
    dFilterFactorLeft = dFilterFactorLeftPrev = 300.0;
    dFilterRatioLeft = ConvertFilterFactor(300.0, 1);
    const double dRatioLeft = dFilterRatioLeft, dRatioRight = dFilterRatioRight;
    for (int k = 0; k < 4; k++) adOffset[k] = 5.0;
    const int air[4] = {0, 0, 0, 0};
    const int ground[4] = {270, 100, 90, 100};
    Calibrate(1, air, ground);
    const std::vector<ShownDialog> shown = Shown();
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(shown[2].text.rfind(L"Filter Factor for Left  Sensor = 309.6\r\n Filter Factor for Right Sensor = 310.0 "
                                  L"(restored)\r\nPress OK",
                                  0),
              0u);
    EXPECT_DOUBLE_EQ(dFilterFactorLeft, 300.0);
    EXPECT_DOUBLE_EQ(dFilterFactorRight, 310.0);
    EXPECT_DOUBLE_EQ(dFilterRatioLeft, dRatioLeft);
    EXPECT_DOUBLE_EQ(dFilterRatioRight, dRatioRight);
    for (int k = 0; k < 4; k++) EXPECT_DOUBLE_EQ(adOffset[k], 5.0) << k;
    EXPECT_EQ(FileBytes().size(), 0u);
}

// One coil refused, the calibration accepted: each "I" record's previous column holds the factor in force before
// this calibration, which for the refused coil is its unchanged factor, not the one of an older calibration.
TEST_F(Em61Lx2HandlerTest, AcceptedCalibrationWithARefusedCoilWritesThatCoilsFactorAsItsPrevious)
{
    const struct {
        const char *what;
        int anGround[4];
        const wchar_t *szRefusedTitle;
        const char *szLeft, *szRight;
    } cases[] = {
        {"right refused", {270, 100, 90, 100}, L"Filter Factor Right Coil", "I   309.60    300.00     1\n",
         "I   310.00    310.00     1\n"},
        {"left refused", {90, 100, 200, 100}, L"Filter Factor Left Coil", "I   300.00    300.00     1\n",
         "I   234.00    310.00     1\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(FreshFileInStandBy());
        // Both coils carry an older previous factor of 280 from a calibration long ago.
        dFilterFactorLeft = 300.0;
        dFilterFactorRight = 310.0;
        dFilterFactorLeftPrev = dFilterFactorRightPrev = 280.0;
        dFilterRatioLeft = ConvertFilterFactor(300.0, 1);
        dFilterRatioRight = ConvertFilterFactor(310.0, 1);
        PlatformAnswerDialog(L"Filter Calibration Part 2", 1);
        PlatformAnswerDialog(c.szRefusedTitle, 1);
        PlatformAnswerDialog(L"Filter Calibration Complete", 1);
        const int air[4] = {0, 0, 0, 0};
        Calibrate(1, air, c.anGround);
        ASSERT_EQ(Shown().size(), 3u);
        EXPECT_EQ(Shown()[1].caption, c.szRefusedTitle);
        const std::vector<std::string> v = Lines();
        ASSERT_EQ(v.size(), 6u);
        EXPECT_EQ(v[4], c.szLeft);
        EXPECT_EQ(v[5], c.szRight);
    }
}

TEST_F(Em61Lx2HandlerTest, CancelAtPartTwoBoxEndsTheCalibration)
{
    PlatformAnswerDialog(L"Calibration Part 2", 2);
    adOffset[0] = 3;
    adOffset[1] = 4;
    nProcedureCount = 0;
    nEm61ProcedureState = -2;
    const int air[4] = {10, 10, 0, 0};
    Readings(0, nNullingReadings + 1, air);
    EXPECT_EQ(nEm61ProcedureState, 1);
    ASSERT_EQ(Shown().size(), 1u);
    EXPECT_DOUBLE_EQ(adOffset[0], 3.0);
    EXPECT_DOUBLE_EQ(adOffset[1], 4.0);
}

// The alarm through the handler: the sounds the platform logs, reading by reading.
struct AlarmCase {
    const char *what;
    int nType, nAudio, nDescending, bDual;
    std::vector<std::pair<int, int>> values;  // watched value of each reading, left and right coil (mV / 20)
    std::vector<std::wstring> sounds;         // sounds of the whole run
    int nActiveLeftAtEnd, nActiveRightAtEnd;
    // Two coils: the left, middle and right target lamps after the run, R red and W white, from white lamps; "="
    // the lamps as they were before the run; "" not looked at.
    const char *szLamps;
};

LRESULT LampParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(hwnd, m, w, l); }

// The colour letter of a lamp: the centre pixel of its box.
char LampLetter(HDC hdc, const RECT &rc)
{
    const COLORREF c = GetPixel(hdc, (rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2);
    return c == RGB(255, 0, 0) ? 'R' : c == RGB(255, 255, 255) ? 'W' : '?';
}

TEST_F(Em61Lx2HandlerTest, AlarmTable)
{
    const AlarmCase cases[] = {
        {"enhanced 10 30 80 60 40: slot 1 below 0.4 of the peak", 2, 1, 0, 0,
         {{10, 0}, {30, 0}, {80, 0}, {60, 0}, {40, 0}}, {}, 0, 0, ""},
        {"enhanced 40 60 80 70 50 fires", 2, 1, 0, 0, {{40, 0}, {60, 0}, {80, 0}, {70, 0}, {50, 0}},
         {L"RINGINSOUND"}, 1, 0, ""},
        {"enhanced with 2 samples still fires", 2, 1, 1, 0, {{40, 0}, {60, 0}, {80, 0}, {70, 0}, {50, 0}},
         {L"RINGINSOUND"}, 1, 0, ""},
        {"enhanced flat window never fires", 2, 1, 0, 0, {{80, 0}, {80, 0}, {80, 0}, {80, 0}, {80, 0}}, {}, 0, 0, ""},
        {"enhanced peak 1200 over a maximum of 1000", 2, 1, 0, 0,
         {{600, 0}, {900, 0}, {1200, 0}, {1000, 0}, {700, 0}}, {}, 0, 0, ""},
        {"simple at exactly the level rings once in 21 readings", 1, 1, 0, 0,
         std::vector<std::pair<int, int>>(21, {100, 0}), {L"SOUND_RING"}, 1, 0, ""},
        {"simple rings again at the 22nd reading", 1, 1, 0, 0, std::vector<std::pair<int, int>>(22, {100, 0}),
         {L"SOUND_RING", L"SOUND_RING"}, 1, 0, ""},
        {"simple below the level", 1, 1, 0, 0, {{99, 0}}, {}, 0, 0, ""},
        {"simple audio none", 1, 0, 0, 0, {{200, 0}}, {}, 1, 0, ""},
        {"two coils 100 and 90: between", 1, 1, 0, 1, {{100, 90}}, {L"BETWEENSOUND"}, 1, 0, "WRW"},
        {"two coils 100 and 20: left", 1, 1, 0, 1, {{100, 20}}, {L"LEFTSOUND"}, 1, 0, "RWW"},
        {"two coils 20 and 100: right", 1, 1, 0, 1, {{20, 100}}, {L"RIGHTSOUND"}, 0, 1, "WWR"},
        {"two coils both active, far apart: left and right", 1, 1, 0, 1, {{500, 100}}, {L"LEFTRIGHTSOUND"}, 1, 1, "RWR"},
        {"two coils ringing", 1, 2, 0, 1, {{500, 100}}, {L"SOUND_RING"}, 1, 1, "RWR"},
        {"two coils enhanced, left fires", 2, 1, 0, 1, {{40, 0}, {60, 0}, {80, 0}, {70, 0}, {50, 0}},
         {L"LEFTSOUND"}, 1, 0, "RWW"},
        {"disabled leaves the lamps as they were", 0, 1, 0, 1, {{500, 500}}, {}, 0, 0, "="},
    };
    // The logging screen's lamp boxes, in a window of their own.
    CreateFixedPensAndBrushes();
    WNDCLASS wc = {};
    wc.lpfnWndProc = LampParentProc;
    wc.hInstance = hInst;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = L"Lx2LampLog";
    RegisterClass(&wc);
    hwndLog = CreateWindow(L"Lx2LampLog", L"Log", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, 0, hInst, nullptr);
    ASSERT_NE(hwndLog, nullptr);
    ShowWindow(hwndLog, SW_SHOW);
    rcTargetLampLeft = RECT{10, 10, 30, 30};
    rcTargetLampMiddle = RECT{40, 10, 60, 30};
    rcTargetLampRight = RECT{70, 10, 90, 30};
    const RECT *const aprcLamp[3] = {&rcTargetLampLeft, &rcTargetLampMiddle, &rcTargetLampRight};
    auto Lamps = [&aprcLamp] {
        HDC hdc = GetDC(hwndLog);
        std::string v;
        for (const RECT *prc : aprcLamp) v += LampLetter(hdc, *prc);
        ReleaseDC(hwndLog, hdc);
        return v;
    };
    nRecordingState = 0;
    for (const AlarmCase &c : cases) {
        SCOPED_TRACE(c.what);
        const std::string lampsBefore = Lamps();
        if (c.szLamps[0] != '=') {
            HDC hdc = GetDC(hwndLog);
            for (const RECT *prc : aprcLamp) FillRect(hdc, prc, (HBRUSH)GetStockObject(WHITE_BRUSH));
            ReleaseDC(hwndLog, hdc);
        }
        nAlarmType = c.nType;
        nAlarmAudio = c.nAudio;
        nAlarmDescending = c.nDescending;
        nAlarmChannel = 0;
        dAlarmLevel = 100.0 * 20;
        dAlarmMinLevel = 50.0 * 20;
        dAlarmMaxLevel = 1000.0 * 20;
        for (auto &w : adAlarmWindow)
            for (double &d : w) d = 0.0;
        bAlarmSoundPlaying = 0;
        nAlarmHoldCount = nAlarmHoldCountDual = 0;
        const size_t nBefore = PlatformSoundLog().size();
        for (const auto &v : c.values) {
            const int w[4] = {v.first, 0, v.second, 0};
            Reading(c.bDual, 'E', w);
        }
        std::vector<std::wstring> log = PlatformSoundLog();
        std::vector<std::wstring> got;
        for (size_t i = nBefore; i < log.size(); i++)
            if (log[i] != L"BEEP") got.push_back(log[i]);
        EXPECT_EQ(got, c.sounds);
        EXPECT_EQ(bAlarmActive, c.nActiveLeftAtEnd);
        EXPECT_EQ(bAlarmActiveRight, c.nActiveRightAtEnd);
        if (c.szLamps[0] == '=') {
            EXPECT_NE(lampsBefore.find('R'), std::string::npos);
            EXPECT_EQ(Lamps(), lampsBefore);
        } else if (c.szLamps[0]) {
            EXPECT_EQ(Lamps(), c.szLamps);
        }
    }
    DestroyWindow(hwndLog);
    hwndLog = nullptr;
}

TEST_F(Em61Lx2HandlerTest, EnhancedSoundIsStoppedAfterNineteenReadings)
{
    nRecordingState = 0;
    nAlarmType = 2;
    nAlarmAudio = 1;
    dAlarmMinLevel = 50;
    dAlarmMaxLevel = 100000;
    for (auto &w : adAlarmWindow)
        for (double &d : w) d = 0.0;
    bAlarmSoundPlaying = 0;
    const int anSeries[5] = {40, 60, 80, 70, 50};
    for (int v : anSeries) {
        const int w[4] = {v, 0, 0, 0};
        Reading(0, 'E', w);
    }
    ASSERT_EQ(bAlarmSoundPlaying, 1);
    const int quiet[4] = {0, 0, 0, 0};
    for (int i = 0; i < 18; i++) Reading(0, 'E', quiet);
    EXPECT_EQ(bAlarmSoundPlaying, 1);
    Reading(0, 'E', quiet);
    EXPECT_EQ(bAlarmSoundPlaying, 0);
}

}  // namespace
