// Appending to an existing data file on the mapping line: a matching file, each refusal of the append check with its
// text and the file untouched while the box is up, the EM38's own tag, a cut file, a foreign file taken over, the
// extent check before anything is written, and the neighbouring UTM zone.
#include "datafile_test_support.h"

#include <cmath>

#include "core/utm.h"

namespace {

// A Zanth EM61-MK2 file as an earlier session wrote it: header, line block, start, one position.
struct FileParts {
    std::string r1 = "ZNTMK2  W228GPS0000  1";
    std::string r2 = "H261209_000  0.200     0";
    std::string r3 = "G  0.000  0.000170011";
    std::string r4 = "G    500123.456 33";
    std::string r5 = "G   5401234.500 01135";
    std::vector<std::string> data = {
        "O     0.00", "O     0.00", "O     0.00", "O     0.00", "L1", "B       0.00", "AN            1.000",
        "Z09122026 10:11:12", "X$STARTED        123456", "{0         0.000", "{a    500010.000",
        "{b   5400010.000", "{c    500011.000", "{d   5400011.000"};

    std::string Bytes() const
    {
        std::string s = Rec(r1) + Rec(r2) + Rec(r3) + Rec(r4) + Rec(r5);
        for (const std::string &d : data) s += Rec(d);
        return s;
    }
};

class DataFileAppendTest : public DataFileDialogTest {
protected:
    void SetUp() override
    {
        DataFileDialogTest::SetUp();
        ZanthEm61Mk2();
    }

    void ZanthEm61Mk2()
    {
        Build(INSTRUMENT_EM61MK2, 0);
        PlainLine();
        nMapUnits = 0;
        nSensorSize = 0;
        nEm61Type = 0;
        bInstrumentEnabled = 1;
        bGpsEnabled = 1;
        nGpsFormat = 1;
        dGpsOffsetX = dGpsOffsetY = 0.0;
        bGpsPositionValid = 1;
        nUtmZoneFirstFix = 33;
        nUtmZone = 33;
        dMapOriginX = 500000.0;
        dMapOriginY = 5400000.0;
        nTileWidth = nTileHeight = 398;
        nTileMaxX = nTileMaxY = 397;
        dMapPixelsPerUnit = 398.0 / 40.0;
        nTileIndexMin = 3;
        nTileIndexMax = 1996;
        nMaxGpsPositions = 28800;
        nGpsPositionCount = 0;
    }

    // Chooses the existing file and completes the data-file command; returns the outcome.
    int AppendTo(const std::string &name)
    {
        std::wstring path = L"C:\\data\\" + std::wstring(name.begin(), name.end());
        PlatformScriptFileChooser(path);
        int result = CreateDataFileDialog(nullptr);
        return CompleteDataFileOpen(nullptr, result);
    }

    // Expects one WARNING box with the text, shown while the file was still byte-identical, and nothing written.
    void ExpectRefused(const std::string &name, const std::string &before, const std::wstring &text)
    {
        std::string path = DataPath(name.c_str());
        bool unchangedWhileShown = false;
        PlatformClearDialogScripts();
        PlatformScriptDialog(L"MESSAGEOK", [&](HWND d) {
            unchangedWhileShown = ReadFileBytes(path) == before;
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        EXPECT_EQ(AppendTo(name), DATAFILE_NOT_OPEN);
        EXPECT_EQ(hDataFile.load(), INVALID_HANDLE_VALUE);
        std::vector<ShownDialog> boxes = MessageBoxesShown();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].caption, L"WARNING");
        EXPECT_EQ(boxes[0].text, text);
        EXPECT_TRUE(unchangedWhileShown);
        EXPECT_EQ(ReadFileBytes(path), before);
    }
};

TEST_F(DataFileAppendTest, MatchingFileIsAppendedAndCounted)
{
    std::string before = FileParts().Bytes();
    WriteFileBytes(DataPath("old.T61"), before);
    EXPECT_EQ(AppendTo("old.T61"), DATAFILE_APPENDED);
    EXPECT_NE(hDataFile.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(nGpsPositionCount.load(), 1);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"INFORMATION");
    EXPECT_EQ(boxes[0].text, L"Total Number of GPS Positions:       1\r\n");
    // Extent of the file's positions.
    EXPECT_DOUBLE_EQ(dExtentMinX, 500000.0);
    EXPECT_DOUBLE_EQ(dExtentMaxX, 500011.0);
    EXPECT_DOUBLE_EQ(dExtentMaxY, 5400011.0);
    CloseDataFile();

    std::string after = ReadFileBytes(DataPath("old.T61"));
    ASSERT_GT(after.size(), before.size());
    EXPECT_EQ(after.substr(0, before.size()), before);
    // The appended block: lower-case header record, then the line block and a time record.
    EXPECT_EQ(after.substr(before.size(), 27), std::string("zNTMK2  W228GPS0000  1    \n"));
    EXPECT_EQ(after.size() - before.size(), 18u * 27u);
    EXPECT_EQ(after[after.size() - 27], '*');
}

// A damaged map-point record counts for nothing: it neither widens the extent nor counts as a position, the way
// the rebuild leaves it out (an exponent beyond the field once passed here as 500001 and was rebuilt as 5.0e13).
TEST_F(DataFileAppendTest, DamagedMapPointRecordsAreLeftOutOfTheExtentAndTheCount)
{
    struct Case {
        const char *record;
        int count;
        double maxX;
    };
    const Case cases[] = {
        {"{g    500012.000", 2, 500012.0},     // whole: the second set counts
        {"{g50001200000000e-5", 1, 500011.0},  // characters beyond the field's width
        {"{g    500012.000  9", 1, 500011.0},
        {"{g   500012.0x00", 1, 500011.0},
        {"{g   5000.12.000", 1, 500011.0},
        {"{g              ", 1, 500011.0},
    };
    for (const Case &c : cases) {
        FileParts f;
        f.data.push_back("{e    500010.000");
        f.data.push_back("{f   5400010.000");
        f.data.push_back(c.record);
        // The set's last record damaged the same way when the third one is, so that the set does not count.
        std::string last = "{h   5400011.000";
        if (c.count == 1) last = std::string("{h") + std::string(c.record).substr(2);
        f.data.push_back(last);
        WriteFileBytes(DataPath("damaged.T61"), f.Bytes());
        PlatformClearDialogScripts();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        EXPECT_EQ(AppendTo("damaged.T61"), DATAFILE_APPENDED) << c.record;
        EXPECT_EQ(nGpsPositionCount.load(), c.count) << c.record;
        EXPECT_DOUBLE_EQ(dExtentMaxX, c.maxX) << c.record;
        EXPECT_DOUBLE_EQ(dExtentMaxY, 5400011.0) << c.record;
        CloseDataFile();
    }
}

struct Mismatch {
    const char *name;
    void (*change)(FileParts &);  // the file's side
    void (*settings)();           // the program's side
    const wchar_t *text;
};

void PrintTo(const Mismatch &m, std::ostream *os) { *os << m.name; }

void NoChange(FileParts &) {}
void NoSettings() {}

const Mismatch kMismatches[] = {
    {"FormatOfVersionOne", [](FileParts &f) { f.r1 = "ZNTMK2  W128GPS0000  1"; }, NoSettings,
     L"Append file option is not avaiable\r\nfor files created with Version 1.xx\r\nThe file will be closed."},
    {"InstrumentState", [](FileParts &f) { f.r1 = "ZNTMK2  W228GPS0000  0"; }, NoSettings,
     L" EM61-MK2 in the file: DISABLED\r\n Selected EM61-MK2: ENABLED\r\n Please adjust the configuration. "},
    {"RecordTwoKind", [](FileParts &f) { f.r2 = "X261209_000  0.200     0"; }, NoSettings,
     L"Invalid File Format.\r\nFile Record # 2 invalid.\r\nThe file will be closed."},
    {"RecordFourKind", [](FileParts &f) { f.r4 = "L    500123.456 33"; }, NoSettings,
     L"Invalid File Format.\r\nFile Record # 4 invalid.\r\nThe file will be closed."},
    {"SensorSize", [](FileParts &f) { f.r1 = "ZNTMK2  W228GPS0200  1"; }, NoSettings,
     L" Sensor Size in the file:  1 x 1 m\r\n Selected Sensor Size:  1 x 0.5 m\r\n Please adjust the configuration. "},
    {"SensorSizeOutsideItsTable", [](FileParts &f) { f.r1 = "ZNTMK2  W228GPS0700  1"; }, NoSettings,
     L"Invalid File Format.\r\nFile Record # 1 invalid.\r\nThe file will be closed."},
    {"Em61Mk2Type", [](FileParts &f) { f.r1 = "ZNTMK2  W228GPS0001  1"; }, NoSettings,
     L" EM61-MK2 Type in the file:  High Power\r\n Selected EM61-MK2 Type:  Standard\r\n Please adjust the "
     L"configuration. "},
    {"GpsDisabledInTheFile", [](FileParts &f) { f.r3 = "G  0.000  0.000170010"; }, NoSettings,
     L" GPS state in the file: DISABLED\r\n Selected GPS state: ENABLED\r\n Please adjust the configuration. "},
    {"GpsDisabledInTheProgram", NoChange, [] { bGpsEnabled = 0; },
     L" GPS state in the file: ENABLED\r\n Selected GPS state: DISABLED \r\n Please adjust the configuration. "},
    {"NoValidPosition", NoChange, [] { bGpsPositionValid = 0; },
     L"Valid GPS position must be \r\nreceived to append file.\r\nCheck settings and GPS performance."},
    {"MapUnits", [](FileParts &f) { f.r1 = "ZNTMK2  W228GPS1000  1"; }, NoSettings,
     L" Map units in the file:  Feet\r\n  Select the same units in the program"},
    {"AntennaOffsets", [](FileParts &f) { f.r3 = "G  0.010  0.000170011"; }, NoSettings,
     L" GPS antenna offsets in the file: \r\n  X=0.01 Y=0.00\r\nGPS antenna offsets specified: \r\n  X=0.00 "
     L"Y=0.00\r\nPlease adjust offsets or create the new data file. "},
    {"GpsFormat", [](FileParts &f) { f.r3 = "G  0.000  0.000170021"; }, NoSettings,
     L"GPS NMEA Data in the file: POS\r\nSelected in the program: GGA\r\nPlease select POS\r\nto append file."},
    {"GpsFormatOutsideItsTable", [](FileParts &f) { f.r3 = "G  0.000  0.000170091"; }, NoSettings,
     L"Invalid File Format.\r\nFile Record # 3 invalid.\r\nThe file will be closed."},
    {"ZoneTooFar", [](FileParts &f) { f.r4 = "G    500123.456 30"; }, NoSettings,
     L"Distance between gps current position and position\r\nin the file is greater than 6 degrees "
     L"longitude.\r\nTherefore the program cannot append this file.\r\nThe file will be closed."},
    {"MapTooSmall", [](FileParts &f) { f.data.push_back("{a    600000.000"); }, NoSettings,
     L"Map Size too small to accommodate the data file.\r\nPlease increase map size in Map Size option\r\nthen "
     L"select the file again"},
    {"CutInsideARecord", NoChange, NoSettings,
     L"Data file length does not fit\r\nits record length.\r\nFile was not changed."},
};

class DataFileMismatchTest : public DataFileAppendTest, public ::testing::WithParamInterface<Mismatch> {};

TEST_P(DataFileMismatchTest, RefusedWithItsTextAndLeftAsItWas)
{
    FileParts f;
    GetParam().change(f);
    GetParam().settings();
    std::string before = f.Bytes();
    if (std::string(GetParam().name) == "CutInsideARecord") before += "{a    5000";
    WriteFileBytes(DataPath("old.T61"), before);
    ExpectRefused("old.T61", before, GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(Checks, DataFileMismatchTest, ::testing::ValuesIn(kMismatches),
                         [](const ::testing::TestParamInfo<Mismatch> &i) { return std::string(i.param.name); });

TEST_F(DataFileAppendTest, OffsetsCloserThanOneCentimetrePass)
{
    FileParts f;
    f.r3 = "G  0.004  0.000170011";
    WriteFileBytes(DataPath("old.T61"), f.Bytes());
    EXPECT_EQ(AppendTo("old.T61"), DATAFILE_APPENDED);
}

TEST_F(DataFileAppendTest, Em38BuildRefusesAnEm38Mk2File)
{
    Build(INSTRUMENT_EM38, 0);
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    bGpsPositionValid = 1;
    std::string before = Rec("ZNT38MK2W229GPS00002 1") + Rec("H261209_000  0.200     0") +
                         Rec("G  0.000  0.000 70011") + Rec("G    500123.456 33") + Rec("G   5401234.500");
    WriteFileBytes(DataPath("mk2.T38"), before);
    ExpectRefused("mk2.T38", before, L"Invalid File Format.\r\nFile Record # 1 invalid.\r\nThe file will be closed.");
}

TEST_F(DataFileAppendTest, Em38BuildAppendsToAnEm38File)
{
    Build(INSTRUMENT_EM38, 0);
    PlainLine();
    bInstrumentEnabled = 1;
    bGpsEnabled = 1;
    bGpsPositionValid = 1;
    nGpsFormat = 1;
    nMapUnits = nDipoleMode = nComponent = nEm31Type = 0;
    dGpsOffsetX = dGpsOffsetY = 0.0;
    nUtmZoneFirstFix = 33;
    std::string before = Rec("ZNT38   W215GPS00000 1") + Rec("H261209_000  0.200     0") +
                         Rec("G  0.000  0.000 70011") + Rec("G    500123.456 33") + Rec("G   5401234.500");
    WriteFileBytes(DataPath("em38.T38"), before);
    EXPECT_EQ(AppendTo("em38.T38"), DATAFILE_APPENDED);
    CloseDataFile();
    EXPECT_EQ(ReadFileBytes(DataPath("em38.T38")).substr(before.size(), 9), "zNT38   W");
}

// The EM34-3, EM38-4 and CS-21 have no append check; the extent check still wants a position to place the file.
TEST_F(DataFileAppendTest, InstrumentsWithoutACheckNeedAValidPositionForTheExtent)
{
    Build(INSTRUMENT_EM384, 0);
    bGpsEnabled = 1;
    bGpsPositionValid = 0;
    std::string before = Rec("ZNT384  W100GPS000011122", 47) + Rec("H261209_000  0.100     0", 47);
    WriteFileBytes(DataPath("em384.38A"), before);
    ExpectRefused("em384.38A", before,
                  L"Valid GPS position must be \r\nreceived to append file.\r\nCheck settings and GPS performance.");
}

TEST_F(DataFileAppendTest, Em34FileIsAcceptedByItsTag)
{
    Build(INSTRUMENT_EM34, 0);
    PlainLine();
    bGpsEnabled = 1;
    bGpsPositionValid = 1;
    std::string before = Rec("ZNT343  W214GPS00000 1") + Rec("{a    500001.000") + Rec("{b   5400001.000") +
                         Rec("{c    500001.000") + Rec("{d   5400001.000");
    WriteFileBytes(DataPath("em34.T34"), before);
    EXPECT_EQ(AppendTo("em34.T34"), DATAFILE_APPENDED);
    EXPECT_EQ(nGpsPositionCount.load(), 1);
    CloseDataFile();
    EXPECT_EQ(ReadFileBytes(DataPath("em34.T34")).substr(before.size(), 9), "zNT343  W");
}

TEST_F(DataFileAppendTest, ForeignFileIsTakenOverAndTheOperatorTold)
{
    std::string before = Rec("Some other program's text") + Rec("with two lines of it");
    WriteFileBytes(DataPath("other.T61"), before);
    PlatformScriptFileChooser(L"C:\\data\\other.T61");
    int result = CreateDataFileDialog(nullptr);
    EXPECT_EQ(result, -1);
    EXPECT_NE(hDataFile.load(), INVALID_HANDLE_VALUE);
    EXPECT_EQ(nRecordingState, -1);
    EXPECT_EQ(CompleteDataFileOpen(nullptr, result), DATAFILE_TAKEN_OVER);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"INFORMATION");
    EXPECT_EQ(boxes[0].text, L"File not from Zanth61MK2 program");
    CloseDataFile();
    std::string after = ReadFileBytes(DataPath("other.T61"));
    EXPECT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(after.substr(before.size(), 27), std::string("ZNTMK2  W228GPS0000  1    \n"));
}

TEST_F(DataFileAppendTest, PositionLimitRefusesTheFileAndTheProgramGoesOn)
{
    FileParts f;
    f.data.push_back("{e    500012.000");
    f.data.push_back("{f   5400012.000");
    f.data.push_back("{g    500013.000");
    f.data.push_back("{h   5400013.000");
    nMaxGpsPositions = 2;
    std::string before = f.Bytes();
    WriteFileBytes(DataPath("full.T61"), before);
    PlatformClearShownDialogs();
    EXPECT_EQ(AppendTo("full.T61"), DATAFILE_NOT_OPEN);
    std::vector<ShownDialog> boxes = MessageBoxesShown();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"INFORMATION");
    EXPECT_EQ(boxes[0].text, L"Number of GPS Positions in the file has reached its maximum");
    EXPECT_EQ(ReadFileBytes(DataPath("full.T61")), before);
}

struct ZoneCase {
    int fileZone, currentZone;
    bool appended;
};

void PrintTo(const ZoneCase &c, std::ostream *os) { *os << "file " << c.fileZone << ", current " << c.currentZone; }

class DataFileZoneTest : public DataFileAppendTest, public ::testing::WithParamInterface<ZoneCase> {};

// A file without positions, so that only the zone decides.
TEST_P(DataFileZoneTest, NeighbouringZoneMovesTheOriginIntoTheFilesZone)
{
    const ZoneCase &c = GetParam();
    FileParts f;
    f.data.resize(9);
    char r4[32];
    snprintf(r4, sizeof r4, "G    500123.456 %02d", c.fileZone);
    f.r4 = r4;
    WriteFileBytes(DataPath("zone.T61"), f.Bytes());
    nUtmZoneFirstFix = c.currentZone;
    nUtmZone = c.currentZone;
    dGpsLatitude = 48.1173;
    dGpsLongitude = 6.0 * c.currentZone - 183.0;
    InitUtmConstants();
    int zone = c.fileZone;
    double northing = 0, easting = 0;
    LatLonToUtm(dGpsLatitude, dGpsLongitude, &zone, &northing, &easting, 1);
    dMapOriginX = 1.0;
    dMapOriginY = 2.0;
    if (c.appended) {
        EXPECT_EQ(AppendTo("zone.T61"), DATAFILE_APPENDED);
        EXPECT_EQ(nUtmZone, c.fileZone);
        EXPECT_DOUBLE_EQ(dMapOriginX, easting);
        EXPECT_DOUBLE_EQ(dMapOriginY, northing);
    } else {
        EXPECT_EQ(AppendTo("zone.T61"), DATAFILE_NOT_OPEN);
        EXPECT_EQ(nUtmZone, c.currentZone);
        EXPECT_EQ(dMapOriginX, 1.0);
    }
}

INSTANTIATE_TEST_SUITE_P(Zones, DataFileZoneTest,
                         ::testing::Values(ZoneCase{32, 33, true}, ZoneCase{60, 1, true}, ZoneCase{1, 60, true},
                                           ZoneCase{58, 60, false}, ZoneCase{31, 33, false}));

}  // namespace
