// Data-file records: header and line blocks of five builds and every shared record kind at each record length,
// compared byte for byte with hand-written fixtures; field isolation, long names, tick rules, map tiles.
#include "datafile_test_support.h"

#include <cstring>
#include <random>

#include "processing/em384_coefficients.h"
#include "processing/em61lx2_offsets.h"

namespace {

const char kSentence[] = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*470";

class DataFileRecordsTest : public DataFileTest {
protected:
    // Header block, line block and time record of a new file, as the creation writes them.
    std::string WriteOpening(int bAppended = 0)
    {
        std::filesystem::remove(DataPath("261209_000.dat"));
        std::string path = OpenFile(L"261209_000.dat");
        strcpy(szDataFileName, "261209_000");
        EXPECT_NE(WriteDataFileHeader(bAppended), 0);
        EXPECT_NE(WriteLineHeader(), 0);
        EXPECT_NE(WriteTimeRecord(), 0);
        CloseDataFile();
        return ReadFileBytes(path);
    }
};

TEST_F(DataFileRecordsTest, JixEm61Mk2HeaderAndLineBlock)
{
    Build(INSTRUMENT_EM61MK2, 1);
    nMapUnits = 0;
    nSensorSize = 2;
    nSurveyMode = 0;
    nEm61Type = 3;
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    dSampleInterval = 0.2;
    dGpsOffsetX = 0.5;
    dGpsOffsetY = -1.25;
    nRtsUnits = 0;
    bPseudoGga = 0;
    nGpsFormat = 1;
    nInstrumentCmdReply = -1;  // no answer yet: a blank
    const double offsets[4] = {1.5, -2.25, 10.0, 0.0};
    const double previous[4] = {1.0, 2.0, 3.0, 4.0};
    memcpy(adOffset, offsets, sizeof offsets);
    memcpy(adPrevOffset, previous, sizeof previous);
    PlainLine();
    EXPECT_TRUE(MatchesFixture(WriteOpening(), FixtureBytes("header_jix_em61mk2.dat"), 27));
}

TEST_F(DataFileRecordsTest, ZanthEm61Mk2HeaderAndLineBlock)
{
    Build(INSTRUMENT_EM61MK2, 0);
    nMapUnits = 0;
    nSensorSize = 0;
    nSurveyMode = 0;
    nEm61Type = 0;
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    dSampleInterval = 0.2;
    dGpsOffsetX = 0.0;
    dGpsOffsetY = 0.0;
    nRtsUnits = 0;
    bPseudoGga = 0;
    nGpsFormat = 1;
    nInstrumentCmdReply = 1;
    dFirstFixX = 500123.456;
    dFirstFixY = 5401234.5;
    nUtmZoneFirstFix = 33;
    bTiltMeterOn = 0;
    bAntennaRigidFix = 1;
    dGpsAntennaHeight = 1.657;
    memset(adOffset, 0, sizeof adOffset);
    PlainLine();
    std::string bytes = WriteOpening();
    EXPECT_EQ(bytes.substr(0, 27), std::string("ZNTMK2  W228GPS0000  1    \n"));
    EXPECT_TRUE(MatchesFixture(bytes, FixtureBytes("header_zanth_em61mk2.dat"), 27));
}

TEST_F(DataFileRecordsTest, ZanthEm38Mk2HeaderAndLineBlock)
{
    Build(INSTRUMENT_EM38MK2, 0);
    nMapUnits = 1;
    nDipoleMode = 1;
    nSurveyMode = 2;
    nComponent = 0;
    nEm38Mk2Type = 0;
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    nReadingsPerStation = 10;
    dGpsOffsetX = dGpsOffsetY = 0.0;
    nRtsUnits = 1;
    bPseudoGga = 0;
    nGpsFormat = 0;
    nUtmZoneFirstFix = 5;
    for (int i = 0; i < 12; i++) {
        adCalibration[i] = i + 0.5;
        adCalibrationPrev[i] = -(i + 1);
    }
    PlainLine();
    EXPECT_TRUE(MatchesFixture(WriteOpening(), FixtureBytes("header_zanth_em38mk2.dat"), 27));
}

TEST_F(DataFileRecordsTest, ZanthEm384HeaderLineBlockAndCoefficients)
{
    Build(INSTRUMENT_EM384, 0);
    ASSERT_EQ(nDataRecordLength, 47);
    nMapUnits = 0;
    nDipoleMode = 0;
    nSurveyMode = 0;
    nComponent = 0;
    nEm38Mk2Type = 1;
    nInphaseUnits = 1;
    nSoftMarkerKey = 1;
    nEm384DisplayMode = 2;
    nEm384StoredInt1 = 2;
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    dSampleInterval = 0.1;
    dGpsOffsetX = dGpsOffsetY = 0.0;
    nRtsUnits = 0;
    bPseudoGga = 0;
    nGpsFormat = 1;
    dFirstFixX = 500123.456;
    dFirstFixY = 5401234.5;
    nUtmZoneFirstFix = 33;
    for (int i = 0; i < 12; i++) {
        adCalibration[i] = i + 1;
        adCalibrationPrev[i] = 100 + i;
    }
    for (int i = 0; i < 8; i++) {
        adCalibrationB[i] = 20 + i;
        adCalibrationBPrev[i] = 30 + i;
        adCarrierFreeMean[i] = 40 + i;
        adCarrierMean[i] = 50 + i;
    }
    PlainLine();
    EXPECT_TRUE(MatchesFixture(WriteOpening(), FixtureBytes("header_zanth_em384.dat"), 47));
}

TEST_F(DataFileRecordsTest, JixCs21HeaderAndLineBlock)
{
    Build(INSTRUMENT_CS21, 1);
    ASSERT_EQ(nDataRecordLength, 65);
    nMapUnits = 1;
    nDipoleMode = 0;
    nSurveyMode = 0;
    nComponent = 0;
    nEm38Mk2Type = 2;
    nInphaseUnits = 1;
    nSoftMarkerKey = 0;
    nEm384DisplayMode = 1;
    nEm384StoredInt1 = 1;
    bInstrumentEnabled = 1;
    bGpsEnabled = 0;
    dSampleInterval = 0.1;
    dGpsOffsetX = dGpsOffsetY = 0.0;
    nRtsUnits = 0;
    bPseudoGga = 0;
    nGpsFormat = 1;
    PlainLine();
    EXPECT_TRUE(MatchesFixture(WriteOpening(), FixtureBytes("header_jix_cs21.dat"), 65));
}

// Every shared writer once (twice for the sentence), in one file per record length.
struct KindsCase {
    int type, jix, length;
    const char *fixture;
};

void PrintTo(const KindsCase &c, std::ostream *os) { *os << c.fixture; }

class DataFileRecordKindsTest : public DataFileTest, public ::testing::WithParamInterface<KindsCase> {};

TEST_P(DataFileRecordKindsTest, EveryKindAtItsLength)
{
    const KindsCase &c = GetParam();
    Build(c.type, c.jix);
    ASSERT_EQ(nDataRecordLength, c.length);
    std::string path = OpenFile(L"kinds.dat");

    EXPECT_NE(WriteTaggedRecord(L"$STARTED", 'X'), 0);
    EXPECT_NE(WriteTaggedRecord(L"", 'C'), 0);
    EXPECT_NE(WriteTaggedRecord(L"ABCDEFGHIJKLMNO", 'C'), 0);
    nGpsSentenceCount = 42;
    EXPECT_NE(WriteTextRecord(kSentence, 5000, '@', '#', '!', 'p'), 0);
    nGpsSentenceCount = 1234567;  // the closing record keeps six characters of it
    EXPECT_NE(WriteTextRecord(kSentence, 5000, '?', '"', '!', ' '), 0);
    dStation = 12.5;
    EXPECT_NE(WriteStationRecord(), 0);
    EXPECT_NE(WriteOffsetRecords(1, 2, 3, 4, -1, -2, -3, -4), 0);
    EXPECT_NE(WriteTimeRecord(), 0);
    EXPECT_NE(WriteMarkerRecords('{', 0, 7, 7, 7, 7), 0);
    // The last value is too wide for its 14 characters: it is cut, nothing shifts.
    EXPECT_NE(WriteMarkerRecords('{', 2, 500000.125, 4000000.5, -1.0, 12345678901.0), 0);
    for (int i = 0; i < 12; i++) {
        adCalibration[i] = i + 0.5;
        adCalibrationPrev[i] = -(i + 1);
    }
    EXPECT_NE(WriteEm38Mk2OffsetLines(), 0);
    strcpy(szInstrumentRecord, "D  12.34 5.6EXTRA");
    adwFrameTick[0] = 4000000000u;
    EXPECT_NE(WriteEmRawRecord(), 0);
    nEm34Configuration = 2;
    strcpy(szStationRecords[0], "E  20.00 1.0");
    strcpy(szStationRecords[1], "E  40.00 2.0");
    adwFrameTick[1] = 11;
    adwFrameTick[2] = 22;
    EXPECT_NE(WriteEm34RawRecords(), 0);
    if (c.length >= 27) {
        EXPECT_NE(WriteEm38Mk2RawRecord("6ABCDEFGHIJKLM"), 0);
    }
    CloseDataFile();

    std::string bytes = ReadFileBytes(path);
    EXPECT_TRUE(MatchesFixture(bytes, FixtureBytes(c.fixture), c.length));
    ASSERT_EQ(bytes.size() % (size_t)c.length, 0u);
    for (size_t i = c.length - 1; i < bytes.size(); i += c.length) EXPECT_EQ(bytes[i], '\n') << "record end " << i;
}

INSTANTIATE_TEST_SUITE_P(Lengths, DataFileRecordKindsTest,
                         ::testing::Values(KindsCase{INSTRUMENT_EM31MK2, 1, 24, "record_kinds_24.dat"},
                                           KindsCase{INSTRUMENT_EM61MK2, 0, 27, "record_kinds_27.dat"},
                                           KindsCase{INSTRUMENT_EM384, 0, 47, "record_kinds_47.dat"},
                                           KindsCase{INSTRUMENT_CS21, 0, 65, "record_kinds_65.dat"}),
                         [](const ::testing::TestParamInfo<KindsCase> &i) {
                             return "L" + std::to_string(i.param.length);
                         });

TEST_F(DataFileRecordsTest, OversizedOffsetDoesNotShiftTheOtherFields)
{
    Build(INSTRUMENT_EM61MK2, 0);
    dGpsOffsetX = 123456.789;  // "123456.789" is wider than its seven characters
    dGpsOffsetY = -1.5;
    nInstrumentCmdReply = 0;
    nRtsUnits = 1;
    bPseudoGga = 1;
    nGpsFormat = 6;
    bGpsEnabled = 1;
    std::string bytes = WriteOpening();
    std::string g = bytes.substr(2 * 27, 27);
    EXPECT_EQ(g, std::string("G123456. -1.500071161     \n"));
}

TEST_F(DataFileRecordsTest, OutOfRangeDigitsStayInTheirByte)
{
    Build(INSTRUMENT_EM61MK2, 0);
    nMapUnits = 0;
    nSensorSize = 12;  // cut to its first character
    nSurveyMode = 0;
    nEm61Type = 0;
    std::string bytes = WriteOpening();
    EXPECT_EQ(bytes.substr(0, 27), std::string("ZNTMK2  W228GPS0100  1    \n"));
}

TEST_F(DataFileRecordsTest, LongFileNameContinuesInTheLineRecord)
{
    Build(INSTRUMENT_EM61MK2, 0);
    PlainLine();
    wcscpy(szSurveyLine, L"12");
    std::string path = OpenFile(L"long.dat");
    strcpy(szDataFileName, "ABCDEFGHIJKLMNO");
    WriteDataFileHeader(0);
    WriteLineHeader();
    CloseDataFile();
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(27, 11), std::string("HABCDEFGHIJ"));
    EXPECT_EQ(bLongFileName, 1);
    size_t line = bytes.find("\nL");
    ASSERT_NE(line, std::string::npos);
    EXPECT_EQ(bytes.substr(line + 1, 27), std::string("L12          KLMNO        \n"));
}

TEST_F(DataFileRecordsTest, AppendedHeaderStartsLowerCaseOnTheMappingLineOnly)
{
    Build(INSTRUMENT_EM61MK2, 0);
    EXPECT_EQ(WriteOpening(1).substr(0, 9), std::string("zNTMK2  W"));
    Build(INSTRUMENT_EM61MK2, 0);
    EXPECT_EQ(WriteOpening(0).substr(0, 9), std::string("ZNTMK2  W"));
    Build(INSTRUMENT_GRAD601, 0);
    EXPECT_EQ(WriteOpening(1).substr(0, 9), std::string("zNT601 AW"));
}

TEST_F(DataFileRecordsTest, Em61Lx2LinesCarryTheMark)
{
    Build(INSTRUMENT_EM61LX2, 0);
    std::string path = OpenFile(L"lx2.dat");
    EXPECT_EQ(WriteOffsetLines(0, 0, 1.5, 2, 3, 4, 9, 9, 9, 9), 4);
    EXPECT_EQ(WriteOffsetLines(0, 1, 1.5, 2, 3, 4, -1, -2, -3, -4), 4);
    EXPECT_NE(WriteOffsetLines(1, 1, 310, 352.8, 0, 0, 309.6, 310, 0, 0), 0);
    CloseDataFile();
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 10u * 27u);
    EXPECT_EQ(bytes.substr(0, 27), std::string("O     1.50               1\n"));
    EXPECT_EQ(bytes.substr(4 * 27, 27), std::string("O     1.50     -1.00     1\n"));
    EXPECT_EQ(bytes.substr(8 * 27, 27), std::string("I   310.00    309.60     1\n"));
    EXPECT_EQ(bytes.substr(9 * 27, 27), std::string("I   352.80    310.00     1\n"));
}

TEST_F(DataFileRecordsTest, SentenceBeforeTheRecordingStartIsNotWrittenAcrossTheTickWrap)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"ticks.dat");
    dwRecordingStartTick = 0xFFFFFF00u;
    EXPECT_EQ(WriteTextRecord("$A", 0xFFFFFE00u, '@', '#', '!', ' '), 0);  // before the start
    EXPECT_NE(WriteTextRecord("$B", 0x00000010u, '@', '#', '!', ' '), 0);  // after it, past the wrap
    dwRecordingStartTick = 0;                                              // not started: nothing to compare
    EXPECT_NE(WriteTextRecord("$C", 0x90000000u, '@', '#', '!', ' '), 0);
    CloseDataFile();
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 4u * 27u);
    EXPECT_EQ(bytes.substr(0, 3), std::string("@$B"));
    EXPECT_EQ(bytes.substr(54, 3), std::string("@$C"));
}

TEST_F(DataFileRecordsTest, SentenceOfExactlyTwoRecordsHasNoEmptyThird)
{
    Build(INSTRUMENT_EM61MK2, 0);
    std::string path = OpenFile(L"split.dat");
    std::string two(50, 'a'), twoPlus(51, 'b');
    WriteTextRecord(two.c_str(), 1, '@', '#', '!', ' ');
    WriteTextRecord(twoPlus.c_str(), 1, '@', '#', '!', ' ');
    CloseDataFile();
    std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), (3u + 4u) * 27u);
    EXPECT_EQ(bytes[2 * 27], '!');
    EXPECT_EQ(bytes.substr(5 * 27, 27), std::string("#b                        \n"));
}

TEST(MapPixelToTileTest, EdgesOfTheOriginTiles)
{
    nTileWidth = nTileHeight = 398;
    nTileMaxX = nTileMaxY = 397;
    struct {
        int px, py, col, row, offX, offY;
    } cases[] = {
        {0, 0, 1000, 1000, 397, 397},   {1, 0, 1001, 1000, 0, 397},      {-398, 0, 999, 1000, 397, 397},
        {0, -1, 1000, 999, 397, 0},     {398, 397, 1001, 1000, 397, 0},  {399, 398, 1002, 1001, 0, 397},
        {-397, -398, 1000, 999, 0, 397},
    };
    for (const auto &c : cases) {
        int col, row, offX, offY;
        MapPixelToTile(c.px, c.py, &col, &row, &offX, &offY);
        EXPECT_EQ(col, c.col) << c.px;
        EXPECT_EQ(row, c.row) << c.py;
        EXPECT_EQ(offX, c.offX) << c.px;
        EXPECT_EQ(offY, c.offY) << c.py;
    }
}

}  // namespace

namespace {

// Every coordinate the writers put in the field ("%14.3f", and the shorter forms a damaged or older file may hold)
// reads back as the very double the text conversion gives, bit for bit, negative zero included.
TEST(MapPointValueTest, FieldReadsAsTheTextConversionBitForBit)
{
    SetDataRecordLength(27);
    std::mt19937_64 random(20261211);
    std::uniform_real_distribution<double> wide(-9999999.0, 99999999.0), near(-2.0, 2.0);
    const char *const aszFormat[] = {"%14.3f", "%14.1f", "%14.2f", "%14.0f", "%+14.3f", "%.3f", "%14.5f"};
    auto check = [](const std::string &field) {
        std::string rec = "{e" + field;
        rec.resize(26, ' ');
        double d = 1.0;
        ASSERT_EQ(ReadMapPointValue(rec.c_str(), &d), 1) << field;
        std::string number = field.substr(field.find_first_not_of(' '));
        number = number.substr(0, number.find(' '));
        const double expected = TextToDouble(number.c_str());
        EXPECT_EQ(memcmp(&d, &expected, sizeof d), 0) << field << " read " << d << " not " << expected;
    };
    for (int i = 0; i < 200000; ++i) {
        const double v = i % 4 == 0 ? near(random) : wide(random);
        char sz[64];
        const int n = snprintf(sz, sizeof sz, aszFormat[i % 7], v);
        if (n <= 0 || n > 14) continue;
        check(sz);
    }
    for (const char *sz : {"        -0.000", "         0.000", "            .5", "            5.", "             0",
                           "99999999999999", "-9999999999999", "  0.0000000001", "     4503599.627370497"})
        check(std::string(sz).substr(0, 14));
}

// The one reader of a map-point record's coordinate: the number in characters 2..15 and nothing after it.
TEST(MapPointValueTest, FieldReadOnlyWhenNothingStandsBeyondIt)
{
    struct Case {
        std::string record;  // the text of the record, blank-filled to its length
        int length;
        int valid;
        double value;
    };
    const Case cases[] = {
        {"{e    500001.000", 27, 1, 500001.0},
        {"{h  -4999999.500", 27, 1, -4999999.5},
        {"{a      +12.5", 27, 1, 12.5},
        {"{a   12.5", 47, 1, 12.5},                 // blanks after the number inside the field
        {"{c    500001.000", 65, 1, 500001.0},
        {"{e50000100000000e-8", 27, 0, 0.0},      // an exponent beyond the field's width
        {"{e50000100000000", 27, 1, 50000100000000.0},
        {"{e    500001.000 7", 27, 0, 0.0},       // anything after the field
        {"{e    500001.000", 16, 0, 0.0},         // a record too short for the field
        {"{e    500001.000", 17, 1, 500001.0},    // just long enough
        {"{e   500001.0x00", 27, 0, 0.0},
        {"{e   5000.01.000", 27, 0, 0.0},         // two points
        {"{e              ", 27, 0, 0.0},         // no digits
        {"{e             .", 27, 0, 0.0},
        {"{e              -", 27, 0, 0.0},
        {"{e          1e10", 27, 0, 0.0},
        {"{e           nan", 27, 0, 0.0},
        {"{e           inf", 27, 0, 0.0},
        {"{e   - 500001.00", 27, 0, 0.0},
        {"{e  500001.000+", 27, 0, 0.0},
    };
    for (const Case &c : cases) {
        SetDataRecordLength(c.length);
        std::string rec = c.record;
        rec.resize((size_t)c.length - 1, ' ');
        rec += '\0';
        double d = -1.0;
        EXPECT_EQ(ReadMapPointValue(rec.c_str(), &d), c.valid) << c.record << " / " << c.length;
        if (c.valid) {
            EXPECT_DOUBLE_EQ(d, c.value) << c.record;
        }
    }
    // A zero byte after the field (a damaged card) is not a blank.
    SetDataRecordLength(27);
    std::string rec = "{e    500001.000";
    rec.resize(26, ' ');
    rec[20] = '\0';
    double d = 0.0;
    EXPECT_EQ(ReadMapPointValue(rec.data(), &d), 0);
}

}  // namespace
