// CS-21 and Grad601 reading handlers: values from the sentences, records cut at the tick, colour cells of one and
// two sensors, the station count and the result sound, driven with sentences and a data file in a private root.
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
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/em61mk2_handler.h"
#include "processing/sentence_handlers.h"
#include "support/test_root.h"

namespace {

class SentenceEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("sentence-handlers");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "sentence-handlers-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        std::filesystem::create_directories(root + "/C/data");
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new SentenceEnvironment);

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class SentenceHandlerTest : public ::testing::Test {
protected:
    void Open(int nInstrument, int nLength)
    {
        nInstrumentType = nInstrument;
        SetDataRecordLength(nLength);
        nRecordingState = 1;
        dStation = 0.0;
        dStationIncrement = 0.5;
        bStationStarted = 0;
        nTotalReadingCount = 0;
        nColorMapView = 1;
        bSwathSampling = 1;
        nSwathRow = 0;
        nSwathCellCount = 0;
        dScale1Min = 0.0;
        dScale1Max = 50.0;
        ComputeColorStep(0.0, 50.0);  // class width 1
        bAudioTicks = 0;
        nSensorsMinus1 = 0;
        bSimulatedReadings = 0;
        path = NameFreshDataFile(L"sentence", L"DAT");
        ASSERT_EQ(OpenDataFileHandle(), 1);
    }
    void TearDown() override { CloseDataFile(); }
    void Sentence(const std::string &s, DWORD dwTick, LRESULT (*handler)(HWND, UINT, WPARAM, LPARAM))
    {
        memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
        memcpy(szInstrumentRecord, s.data(), s.size() < 127 ? s.size() : 127);
        dwInstrumentDataTick = dwTick;
        EXPECT_EQ(handler(nullptr, 0, 0, 0), 0);
    }
    std::string path;
};

TEST(DualEmValues, FieldsThreeToSixAreTheFourValues)
{
    double ad[4] = {9, 9, 9, 9};
    DualEmSentenceValues("$PDLM1,112345.234,12.5,-0.8,30.1,1.2*23", ad);
    EXPECT_DOUBLE_EQ(ad[0], 12.5);
    EXPECT_DOUBLE_EQ(ad[1], -0.8);
    EXPECT_DOUBLE_EQ(ad[2], 30.1);
    EXPECT_DOUBLE_EQ(ad[3], 1.2);
    // Missing and empty fields keep what was there; text that is no number gives 0.
    DualEmSentenceValues("$PDLM2,1,,abc", ad);
    EXPECT_DOUBLE_EQ(ad[0], 12.5);
    EXPECT_DOUBLE_EQ(ad[1], 0.0);
    EXPECT_DOUBLE_EQ(ad[2], 30.1);
    EXPECT_DOUBLE_EQ(ad[3], 1.2);
}

TEST(DualEmValues, KindsFillTheirOwnHalfOfTheRows)
{
    dScale1Max = 50;
    dScale2Max = 10;
    dScale1PixPerUnit = 2;
    dScale2PixPerUnit = 4;
    dScale1PixPerUnitB = 1;
    dScale2PixPerUnitB = 3;
    int p[8], q[4], i[4];
    for (int k = 0; k < 8; k++) p[k] = -7;
    for (int k = 0; k < 4; k++) q[k] = i[k] = -7;
    ScaleDualEmReadings('1', 12.5, -0.8, 30.1, 1.2, p, q, i);
    EXPECT_EQ(p[0], 75);
    EXPECT_EQ(p[1], 43);
    EXPECT_EQ(p[2], 39);
    EXPECT_EQ(p[3], 35);
    EXPECT_EQ(p[4], -7);
    EXPECT_EQ(q[0], 37);
    EXPECT_EQ(q[1], 19);
    EXPECT_EQ(i[0], 32);
    EXPECT_EQ(i[1], 26);
    EXPECT_EQ(q[2], -7);
    ScaleDualEmReadings('2', 0, 0, 0, 0, p, q, i);
    EXPECT_EQ(p[4], 100);
    EXPECT_EQ(q[2], 50);
    EXPECT_EQ(p[0], 75);
    ScaleDualEmReadings('A', 0, 0, 0, 0, p, q, i);
    EXPECT_EQ(p[0], 75);
}

TEST_F(SentenceHandlerTest, DualEmRecordIsSixtyFiveBytesEndingInTickAndLineFeed)
{
    Open(INSTRUMENT_CS21, 65);
    const std::string s = "$PDLM1,112345.234,12.5,-0.8,30.1,1.2*23";
    Sentence(s, 98765, OnDualEmReading);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 65u);
    EXPECT_EQ(f[0], 'T');
    EXPECT_EQ(f.substr(1, s.size()), s);
    EXPECT_EQ(f.substr(1 + s.size(), 53 - s.size()), std::string(53 - s.size(), ' '));
    EXPECT_EQ(f.substr(54, 10), "     98765");
    EXPECT_EQ(f[64], '\n');
    EXPECT_EQ(rgColorGrid[0][0], 12);
}

TEST_F(SentenceHandlerTest, DualEmOverlongSentenceIsCutAtTheTick)
{
    Open(INSTRUMENT_CS21, 65);
    const std::string s = "$PDLM1,112345.234," + std::string(100, '7');
    Sentence(s, 5, OnDualEmReading);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 65u);
    EXPECT_EQ(f.substr(1, 53), s.substr(0, 53));
    EXPECT_EQ(f.substr(54, 10), "         5");
    EXPECT_EQ(f[64], '\n');
}

TEST_F(SentenceHandlerTest, DualEmOtherKindIsRecordedAndAdvancesTheStation)
{
    Open(INSTRUMENT_CS21, 65);
    Sentence("$PDLM1,1,1,1,1,1", 1, OnDualEmReading);
    Sentence("$PDLMA,12.6,24.5,0.5,-0.3", 2, OnDualEmReading);
    EXPECT_EQ(ReadAll(path).size(), 130u);
    EXPECT_DOUBLE_EQ(dStation, 0.5);
    EXPECT_EQ(nTotalReadingCount, 2);
}

TEST_F(SentenceHandlerTest, FourRecordsPlayTheResultSoundOnce)
{
    Open(INSTRUMENT_CS21, 65);
    bAudioTicks = 1;
    auto count = [] {
        int n = 0;
        for (const std::wstring &s : PlatformSoundLog()) n += s == L"SOUND_RESULT";
        return n;
    };
    const int n0 = count();
    // The first record of the test may meet the counter anywhere in its cycle: eight records play it twice.
    for (int k = 0; k < 8; k++) Sentence("$PDLM1,1,1,1,1,1", 1, OnDualEmReading);
    EXPECT_EQ(count() - n0, 2);
}

TEST_F(SentenceHandlerTest, GradOneSensorRecordAndCell)
{
    Open(INSTRUMENT_GRAD601, 27);
    Sentence("$PBAR,12345,-0123", 4321, OnGradReading);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 27u);
    EXPECT_EQ(f, std::string("T$P,12345,-0123       4321\n"));
    EXPECT_EQ(rgColorGrid[0][0], 49);  // 12345 clipped to the last class; field 3 not read
}

TEST_F(SentenceHandlerTest, GradLongSentenceKeepsThirteenCharacters)
{
    Open(INSTRUMENT_GRAD601, 27);
    Sentence("$PBAR,+12.345,+23.456,+34.567", 1, OnGradReading);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 27u);
    EXPECT_EQ(f.substr(0, 16), "T$P,+12.345,+23.");
    EXPECT_EQ(f.substr(16, 11), "         1\n");
}

TEST_F(SentenceHandlerTest, GradTwoSensorsGiveTheCombinedCell)
{
    Open(INSTRUMENT_GRAD601, 27);
    nSensorsMinus1 = 1;
    Sentence("$PBAR,12.0,3.0", 1, OnGradReading);
    Sentence("$PBAR,-4,99", 1, OnGradReading);
    EXPECT_EQ(rgColorGrid[0][0], 3 * 64 + 12);
    EXPECT_EQ(rgColorGrid[0][1], 49 * 64 + 0);
}

TEST_F(SentenceHandlerTest, CellsStopAtTheEndOfTheRow)
{
    Open(INSTRUMENT_GRAD601, 27);
    nSwathCellCount = SWATH_CELLS_PER_ROW - 1;
    Sentence("$PBAR,1,1", 1, OnGradReading);
    Sentence("$PBAR,1,1", 1, OnGradReading);
    EXPECT_EQ(nSwathCellCount, SWATH_CELLS_PER_ROW);
    EXPECT_EQ(ReadAll(path).size(), 54u);
}

TEST_F(SentenceHandlerTest, NothingIsRecordedOutsideLogging)
{
    Open(INSTRUMENT_GRAD601, 27);
    nRecordingState = -1;
    Sentence("$PBAR,1,1", 1, OnGradReading);
    EXPECT_EQ(ReadAll(path).size(), 0u);
    EXPECT_EQ(nSwathCellCount, 0);
}

}  // namespace
