// Settings file: default files byte for byte, names and versions of all builds, load, round trip, stale versions.
#include "settings_test_support.h"

#include <cmath>
#include <functional>
#include <unistd.h>

#include "core/rates.h"
#include "datafile/record_length.h"
#include "dialogs/dialog_services.h"

namespace {

std::string Fixture(const std::string &name)
{
    return ReadBytes(std::string(TEST_FIXTURE_DIR "/settings/") + name);
}

struct DefaultFileCase {
    int type;
    int jix;
    const char *fixture;
};

class DefaultFileTest : public SettingsRootTest, public ::testing::WithParamInterface<DefaultFileCase> {};

// A first start writes the file from the start-up defaults; the fixtures were typed from the line tables.
TEST_P(DefaultFileTest, FirstStartWritesTheDefaultFile)
{
    const DefaultFileCase &c = GetParam();
    StartBuild(c.type, c.jix);
    LoadSaveSettingsFile(0);
    std::string expected = Fixture(c.fixture);
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(ReadBytes(SettingsPath()), expected);
    // The name of the file is the fixture's name.
    EXPECT_EQ(SettingsPath().substr(SettingsPath().rfind('/') + 1), c.fixture);
}

INSTANTIATE_TEST_SUITE_P(Families, DefaultFileTest,
                         ::testing::Values(DefaultFileCase{INSTRUMENT_EM61MK2, 1, "Jix61MK2_225.INI"},
                                           DefaultFileCase{INSTRUMENT_EM31MK2, 0, "Zanth31MK2_230.INI"},
                                           DefaultFileCase{INSTRUMENT_EM61LX2, 0, "Zanth61LX2_109.INI"},
                                           DefaultFileCase{INSTRUMENT_EM384, 1, "Jix38-4_100.INI"},
                                           DefaultFileCase{INSTRUMENT_CS21, 0, "ZanthCS-21_100.INI"},
                                           DefaultFileCase{INSTRUMENT_GRAD601, 0, "Zanth601_101.INI"}));

struct BuildCase {
    int type;
    int jix;
    const char *drivePath;
    const char *versionLine;
    int lines;
};

// All eighteen builds: file name in its folder, version line and number of lines.
const BuildCase kBuilds[] = {
    {INSTRUMENT_GRAD601, 0, "C:\\ProgramData\\Ulvane\\Zanth601\\Zanth601_101.INI", "Ver1.01", 64},
    {INSTRUMENT_GRAD601, 1, "C:\\ProgramData\\Ulvane\\Jix601\\Jix601_107.INI", "Ver1.07", 64},
    {INSTRUMENT_EM61LX2, 0, "C:\\ProgramData\\Ulvane\\Zanth61LX2\\Zanth61LX2_109.INI", "Ver1.09", 96},
    {INSTRUMENT_EM61LX2, 1, "C:\\ProgramData\\Ulvane\\Jix61LX2\\Jix61LX2_100.INI", "Ver1.00", 96},
    {INSTRUMENT_EM61MK2, 0, "C:\\ProgramData\\Ulvane\\Zanth61MK2\\Zanth61MK2_228.INI", "Ver2.28", 90},
    {INSTRUMENT_EM61MK2, 1, "C:\\ProgramData\\Ulvane\\Jix61MK2\\Jix61MK2_225.INI", "Ver2.25", 90},
    {INSTRUMENT_EM31MK2, 0, "C:\\ProgramData\\Ulvane\\Zanth31MK2\\Zanth31MK2_230.INI", "Ver2.30", 83},
    {INSTRUMENT_EM31MK2, 1, "C:\\ProgramData\\Ulvane\\Jix31MK2\\Jix31MK2_218.INI", "Ver2.18", 83},
    {INSTRUMENT_EM38, 0, "C:\\ProgramData\\Ulvane\\Zanth38\\Zanth38_215.INI", "Ver2.15", 83},
    {INSTRUMENT_EM38, 1, "C:\\ProgramData\\Ulvane\\Jix38\\Jix38_200.INI", "Ver2.00", 83},
    {INSTRUMENT_EM34, 0, "C:\\ProgramData\\Ulvane\\Zanth34-3\\Zanth34-3_214.INI", "Ver2.14", 85},
    {INSTRUMENT_EM34, 1, "C:\\ProgramData\\Ulvane\\Jix34-3\\Jix34-3_215.INI", "Ver2.15", 85},
    {INSTRUMENT_EM38MK2, 0, "C:\\ProgramData\\Ulvane\\Zanth38MK2\\Zanth38MK2_229.INI", "Ver2.29", 89},
    {INSTRUMENT_EM38MK2, 1, "C:\\ProgramData\\Ulvane\\Jix38MK2\\Jix38MK2_217.INI", "Ver2.17", 89},
    {INSTRUMENT_EM384, 0, "C:\\ProgramData\\Ulvane\\Zanth38-4\\Zanth38-4_100.INI", "Ver1.00", 154},
    {INSTRUMENT_EM384, 1, "C:\\ProgramData\\Ulvane\\Jix38-4\\Jix38-4_100.INI", "Ver1.00", 154},
    {INSTRUMENT_CS21, 0, "C:\\ProgramData\\Ulvane\\ZanthCS-21\\ZanthCS-21_100.INI", "Ver1.00", 154},
    {INSTRUMENT_CS21, 1, "C:\\ProgramData\\Ulvane\\JixCS-21\\JixCS-21_100.INI", "Ver1.00", 154},
};

TEST_F(SettingsRootTest, EveryBuildWritesItsNamedFile)
{
    for (const BuildCase &b : kBuilds) {
        SCOPED_TRACE(b.drivePath);
        StartBuild(b.type, b.jix);
        LoadSaveSettingsFile(0);
        std::string bytes = ReadBytes(MapDrivePath(b.drivePath));
        std::vector<std::string> lines = SplitLines(bytes);
        ASSERT_EQ((int)lines.size(), b.lines);
        EXPECT_EQ(lines[0], b.versionLine);
        // Every line ends in CR LF, including the last.
        size_t crlf = 0;
        for (size_t i = 0; i + 1 < bytes.size(); i++)
            if (bytes[i] == '\r' && bytes[i + 1] == '\n') crlf++;
        EXPECT_EQ((int)crlf, b.lines);
        EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
    }
}

// An EM31-MK2 file and an EM38 file of the same line have the same line list; only version and name differ.
TEST_F(SettingsRootTest, Em31AndEm38FilesDifferOnlyInVersionAndDefaults)
{
    StartBuild(INSTRUMENT_EM31MK2, 0);
    LoadSaveSettingsFile(0);
    std::vector<std::string> em31 = SplitLines(ReadBytes(SettingsPath()));
    StartBuild(INSTRUMENT_EM38, 0);
    LoadSaveSettingsFile(0);
    std::vector<std::string> em38 = SplitLines(ReadBytes(SettingsPath()));
    ASSERT_EQ(em31.size(), em38.size());
    for (size_t i = 1; i < em31.size(); i++) {
        if (i + 1 == 50) continue;  // line 50: the swath index default (2 and 1)
        EXPECT_EQ(em31[i], em38[i]) << "line " << i + 1;
    }
    EXPECT_EQ(em31[49], "2");
    EXPECT_EQ(em38[49], "1");
}

// ---------------------------------------------------------------------------------------------------------------
// Round trip: every stored setting changed, saved, the program restarted, loaded.
// ---------------------------------------------------------------------------------------------------------------
struct Setting {
    const char *name;
    std::function<void()> change;  // sets a value that differs from every default
    std::function<bool()> holds;   // the changed value is in force
};

#define INT_SETTING(var, value) Setting{#var, [] { var = (value); }, [] { return var == (value); }}
#define REAL_SETTING(var, value) Setting{#var, [] { var = (value); }, [] { return std::fabs(var - (value)) < 5e-7; }}

std::vector<Setting> CommonSettings()
{
    return {
        Setting{"szDataFolder", [] { wcscpy(szDataFolder, L"D:\\Survey\\\u00C9t\u00E9 2026\\"); },
                [] { return wcscmp(szDataFolder, L"D:\\Survey\\\u00C9t\u00E9 2026\\") == 0; }},
        Setting{"szBackgroundFolder", [] { wcscpy(szBackgroundFolder, L"E:\\Back"); },
                [] { return wcscmp(szBackgroundFolder, L"E:\\Back") == 0; }},
        Setting{"szSurveyLine", [] { wcscpy(szSurveyLine, L"L-12b"); }, [] { return wcscmp(szSurveyLine, L"L-12b") == 0; }},
        INT_SETTING(nMapUnits, 1),
        INT_SETTING(nSpeedUnits, 2),
        INT_SETTING(nInstrumentPort, 11),
        INT_SETTING(bAudioTicks, 0),
        INT_SETTING(bDisconnectAlarm, 0),
        INT_SETTING(bGpsMaskAudio, 0),
        INT_SETTING(nPauseKey, 2),
        INT_SETTING(anChannelPenWidth[0], 5),
        INT_SETTING(anChannelPenWidth[1], 6),
        INT_SETTING(aclrChannel[0], RGB(12, 34, 56)),
        INT_SETTING(aclrChannel[1], RGB(255, 255, 255)),
        REAL_SETTING(dScale1Min, -150.5),
        REAL_SETTING(dScale1Max, 875.25),
        INT_SETTING(bGpsEnabled, 0),
        INT_SETTING(nGpsFormat, 6),
        INT_SETTING(nGpsPort, 97),
        INT_SETTING(nGpsBaud, 4),
        INT_SETTING(nGpsDataBits, 0),
        INT_SETTING(nGpsParity, 2),
        INT_SETTING(nGpsStopBits, 1),
        REAL_SETTING(dSpeedScaleMax, 12.5),
        INT_SETTING(nGeometryUnits, 2),
        REAL_SETTING(dGpsOffsetX, 0.125),
        Setting{"dGpsOffsetY", [] { dGpsOffsetY = dGpsOffsetYSaved = -1.75; },
                [] { return dGpsOffsetY == -1.75 && dGpsOffsetYSaved == -1.75; }},
        INT_SETTING(nSurveyMode, 1),
        REAL_SETTING(dLineIncrement, 2.5),
        INT_SETTING(nLineMode, 1),
        INT_SETTING(nLineDirection, 3),
        INT_SETTING(nPositionSize, 5),
        INT_SETTING(nCursorSize, 1),
        INT_SETTING(clrCursor, RGB(1, 2, 3)),
        INT_SETTING(clrPosition, RGB(0, 255, 0)),
        REAL_SETTING(dGridInterval, 7.5),
        INT_SETTING(nMapSize, 123456),
        INT_SETTING(nGridMode, 1),
        REAL_SETTING(dLinesAngle, 33.333333),
        INT_SETTING(nCursorBand, 6),
        INT_SETTING(nCoordUnits, 3),
        INT_SETTING(bGpsMaskEnabled, 0),
        INT_SETTING(nGpsMinQuality, 4),
        INT_SETTING(nGpsMinSatellites, 9),
        REAL_SETTING(dGpsMaxDop, 2.5),
        REAL_SETTING(dStoredReal1, 6.25),
        INT_SETTING(bBgJoinPositions, 2),
        INT_SETTING(nBgDisplayType, 3),
        INT_SETTING(nBgCoordType, 2),
        INT_SETTING(nBgColumnY, 4),
        INT_SETTING(nBgColumnX, 5),
        INT_SETTING(nBgColumnLabel, 6),
        INT_SETTING(nBgDelimiter, 3),
    };
}

std::vector<Setting> FamilySettings(int type)
{
    std::vector<Setting> s;
    auto add = [&](std::initializer_list<Setting> more) { s.insert(s.end(), more); };
    const bool em61 = type == INSTRUMENT_EM61MK2 || type == INSTRUMENT_EM61LX2;
    const bool multi = type == INSTRUMENT_EM384 || type == INSTRUMENT_CS21;
    if (type != INSTRUMENT_GRAD601) {
        add({REAL_SETTING(dSampleInterval, 0.75), INT_SETTING(bPseudoGga, 1), INT_SETTING(nRtsUnits, 1),
             INT_SETTING(anChannelPenWidth[7], 9), INT_SETTING(aclrChannel[7], RGB(200, 100, 50))});
    }
    if (!em61 && type != INSTRUMENT_GRAD601)
        add({REAL_SETTING(dScale2Min, -7.5), REAL_SETTING(dScale2Max, 42.0), INT_SETTING(nComponent, 1),
             REAL_SETTING(dStationIncrementAuto, 0.3), REAL_SETTING(dStationIncrementWheel, 0.45),
             REAL_SETTING(dStationIncrementManual, 3.5), REAL_SETTING(dStartStation, 101.5),
             INT_SETTING(nSwathIndex, 6), INT_SETTING(nSensorSize, 3)});
    if (type == INSTRUMENT_EM34)
        add({INT_SETTING(nReference, 1), INT_SETTING(nReadingsPerStation, 25), INT_SETTING(nDipoleMode, 4)});
    else if (!em61 && type != INSTRUMENT_GRAD601)
        add({INT_SETTING(nDipoleMode, 1)});
    if (type == INSTRUMENT_EM31MK2 || type == INSTRUMENT_EM38 || type == INSTRUMENT_EM34)
        add({INT_SETTING(nEm31Type, 1), INT_SETTING(nScaleType, 1)});
    if (type == INSTRUMENT_EM38MK2) {
        add({INT_SETTING(nEm38Mk2Type, 1), INT_SETTING(nScaleType, 1)});
        for (int i : {0, 2, 4, 6, 8, 10})
            s.push_back(Setting{"adCalibration", [i] { adCalibration[i] = 1.5 + i; },
                                [i] { return adCalibration[i] == 1.5 + i; }});
    }
    if (em61) {
        add({INT_SETTING(nEm61Type, 3), INT_SETTING(nScaleType, 1), INT_SETTING(nSwathIndex, 11),
             INT_SETTING(nNullApply, 1), INT_SETTING(nSensorSize, 2)});
        for (int i = 0; i < 4; i++)
            s.push_back(Setting{"adOffset", [i] { adOffset[i] = -12.25 * (i + 1); },
                                [i] { return adOffset[i] == -12.25 * (i + 1); }});
    }
    if (type == INSTRUMENT_EM61MK2)
        add({REAL_SETTING(dStationIncrementAutoMk2, 0.3), REAL_SETTING(dStationIncrementWheelMk2, 0.5),
             REAL_SETTING(dStationIncrementManualMk2, 4.0), REAL_SETTING(dStartStationMk2, 55.5),
             INT_SETTING(bTiltMeterOn, 1), INT_SETTING(nTiltPort, 12), INT_SETTING(nTiltBaud, 3),
             INT_SETTING(nTiltMeterState, 1), REAL_SETTING(dGpsAntennaHeight, 2.125), INT_SETTING(bAntennaRigidFix, 0)});
    if (type == INSTRUMENT_EM61LX2)
        add({INT_SETTING(nSensorsMinus1, 0), REAL_SETTING(dStationIncrementAuto, 0.3),
             REAL_SETTING(dStationIncrementWheel, 0.5), REAL_SETTING(dStationIncrementManual, 4.0),
             REAL_SETTING(dStartStation, 55.5), INT_SETTING(nAlarmType, 2), INT_SETTING(nAlarmAudio, 0),
             INT_SETTING(nAlarmChannel, 2), INT_SETTING(nAlarmAnomalyWidth, 9), REAL_SETTING(dAlarmLevel, 250),
             REAL_SETTING(dAlarmMinLevel, 20), REAL_SETTING(dAlarmMaxLevel, 900), INT_SETTING(nAlarmDescending, 1),
             INT_SETTING(nSoftMarkerKey, 0), REAL_SETTING(dFilterFactorLeft, 400), REAL_SETTING(dFilterFactorRight, 875.5)});
    if (multi) {
        add({INT_SETTING(anChannelFlag[0], 0), INT_SETTING(anChannelFlag[15], 0), INT_SETTING(anChannelPenWidth[15], 7),
             INT_SETTING(aclrChannel[15], RGB(9, 8, 7)), INT_SETTING(bAltGraphScale, 1), INT_SETTING(nEm384StoredInt2, 3),
             INT_SETTING(nRateChoice, 7), REAL_SETTING(dLowBatteryVolts, 11.25), INT_SETTING(nEm384DisplayMode, 2),
             INT_SETTING(nEm384StoredInt1, 4), REAL_SETTING(dEm384Height, 0.45), INT_SETTING(nSoftMarkerKey, 0),
             INT_SETTING(nInphaseUnits, 1), REAL_SETTING(dEm384StoredReal3, 1.5), REAL_SETTING(dEm384StoredReal4, 150),
             REAL_SETTING(dEm384StoredReal5, -3), REAL_SETTING(dEm384StoredReal6, 0.5), INT_SETTING(nEm384StoredInt3, 1),
             INT_SETTING(nEm384StoredInt4, 2), REAL_SETTING(dEm384StoredReal7, 0.6), REAL_SETTING(dEm384StoredReal8, 30),
             REAL_SETTING(dEm384StoredReal9, 90), INT_SETTING(nDriftReminder, 3)});
        for (int i = 0; i < 12; i++)
            s.push_back(Setting{"adCalibration", [i] { adCalibration[i] = 0.125 * (i + 1); },
                                [i] { return adCalibration[i] == 0.125 * (i + 1); }});
        for (int i = 0; i < 8; i++)
            s.push_back(Setting{"adCalibrationB", [i] { adCalibrationB[i] = -0.5 * (i + 1); },
                                [i] { return adCalibrationB[i] == -0.5 * (i + 1); }});
    }
    if (type == INSTRUMENT_GRAD601)
        add({INT_SETTING(nSensorsMinus1, 0), INT_SETTING(nSwathIndex, 6), REAL_SETTING(dSensorSeparation, 0.75),
             INT_SETTING(nSensorSize, 2), REAL_SETTING(dStationIncrementAuto, 0.3), REAL_SETTING(dStartStation, 101.5),
             INT_SETTING(nSoftMarkerKey, 0)});
    return s;
}

const int kTypes[] = {INSTRUMENT_GRAD601, INSTRUMENT_EM61LX2, INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2, INSTRUMENT_EM38,
                      INSTRUMENT_EM34,    INSTRUMENT_EM38MK2, INSTRUMENT_EM384,   INSTRUMENT_CS21};

TEST_F(SettingsRootTest, RoundTripOfChangedValuesForEveryFamily)
{
    for (int type : kTypes) {
        SCOPED_TRACE(type);
        StartBuild(type, 0);
        LoadSaveSettingsFile(0);
        std::vector<Setting> settings = CommonSettings();
        std::vector<Setting> family = FamilySettings(type);
        settings.insert(settings.end(), family.begin(), family.end());
        for (Setting &s : settings) s.change();
        nColorMapView = 1;
        LoadSaveSettingsFile(1);
        std::string saved = ReadBytes(SettingsPath());

        // Next start: defaults first, then the file.
        StartBuild(type, 0);
        for (Setting &s : settings) EXPECT_FALSE(s.holds()) << s.name << " is already the start-up value";
        LoadSaveSettingsFile(0);
        for (Setting &s : settings) EXPECT_TRUE(s.holds()) << s.name;
        EXPECT_EQ(nColorMapView, 1);
        // Saving again writes the same bytes.
        LoadSaveSettingsFile(1);
        EXPECT_EQ(ReadBytes(SettingsPath()), saved);
    }
}

// A line of characters above 0x7F names the same folder after a reload.
TEST_F(SettingsRootTest, AccentedFolderSurvivesReload)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    wcscpy(szDataFolder, L"C:\\D\u00F6rfer\\\u00FF");
    LoadSaveSettingsFile(1);
    EXPECT_EQ(SplitLines(ReadBytes(SettingsPath()))[1], "C:\\D\xF6rfer\\\xFF");
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    EXPECT_STREQ(szDataFolder, L"C:\\D\u00F6rfer\\\u00FF");
}

TEST_F(SettingsRootTest, ColorsAreStoredAsDecimalBgr)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    SetFileLine(23, "16711680");
    SetFileLine(24, "255");
    aclrChannel[0] = aclrChannel[1] = 0;
    LoadSaveSettingsFile(0);
    EXPECT_EQ(aclrChannel[0], RGB(0, 0, 255));  // blue
    EXPECT_EQ(aclrChannel[1], RGB(255, 0, 0));  // red
}

TEST_F(SettingsRootTest, JixLineForcesColorMapViewToZero)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    SetFileLine(13, "2");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nColorMapView, 0);
    nColorMapView = 2;
    LoadSaveSettingsFile(1);
    EXPECT_EQ(SplitLines(ReadBytes(SettingsPath()))[12], "0");
}

TEST_F(SettingsRootTest, DisabledInstrumentClearsColorMapView)
{
    StartBuild(INSTRUMENT_EM31MK2, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(4, "0");
    SetFileLine(13, "2");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(bInstrumentEnabled, 0);
    EXPECT_EQ(nColorMapView, 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Another version: nothing of the file is taken, and it is rewritten from memory.
// ---------------------------------------------------------------------------------------------------------------
TEST_F(SettingsRootTest, OtherVersionIsRewrittenFromMemory)
{
    for (const char *version : {"Ver2.24", "ver2.25", "Ver2.25 ", "Ver2.25Ver2.25Ver2.25", ""}) {
        SCOPED_TRACE(version);
        StartBuild(INSTRUMENT_EM61MK2, 1);
        LoadSaveSettingsFile(0);
        // A file full of other values under another version line.
        nGpsPort = 42;
        nSwathIndex = 9;
        dScale1Max = 999;
        wcscpy(szDataFolder, L"Z:\\Old");
        LoadSaveSettingsFile(1);
        SetFileLine(1, version);

        StartBuild(INSTRUMENT_EM61MK2, 1);
        LoadSaveSettingsFile(0);
        EXPECT_EQ(nGpsPort, 5);
        EXPECT_EQ(nSwathIndex, 5);
        EXPECT_EQ(dScale1Max, 500);
        EXPECT_STREQ(szDataFolder, L"C:\\");
        EXPECT_EQ(ReadBytes(SettingsPath()), Fixture("Jix61MK2_225.INI"));
    }
}

// The folder of the configuration file is made when it is missing, so that settings can be saved.
TEST_F(SettingsRootTest, MissingFolderIsCreated)
{
    StartBuild(INSTRUMENT_EM38MK2, 0);
    std::string path = SettingsPath();
    std::string folder = path.substr(0, path.rfind('/'));
    ASSERT_NE(access(folder.c_str(), F_OK), 0);
    nGpsPort = 8;
    LoadSaveSettingsFile(1);
    ASSERT_EQ(access(path.c_str(), F_OK), 0);
    StartBuild(INSTRUMENT_EM38MK2, 0);
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nGpsPort, 8);
}

TEST_F(SettingsRootTest, DeleteModeRemovesTheFile)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    ASSERT_EQ(access(SettingsPath().c_str(), F_OK), 0);
    SetFileLine(1, "garbage");  // whatever its first line
    EXPECT_EQ(LoadSaveSettingsFile(2), 1);
    EXPECT_NE(access(SettingsPath().c_str(), F_OK), 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Values derived while reading
// ---------------------------------------------------------------------------------------------------------------
TEST_F(SettingsRootTest, Em61Mk2WheelModeTakesItsOwnIncrement)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    SetFileLine(45, "1");         // WHEEL
    SetFileLine(48, "0.500000");  // WHEEL increment of the EM61-MK2
    SetFileLine(55, "12.000000");
    dStationIncrementAuto = 0.7;
    LoadSaveSettingsFile(0);
    EXPECT_EQ(dStationIncrement, 0.5);
    EXPECT_EQ(dStationIncrementWheel, 0.5);
    EXPECT_EQ(dStationIncrementPrev, 0.5);
    EXPECT_EQ(dStationIncrementAuto, 0.7);
    EXPECT_EQ(dStartStation, 12.0);
    EXPECT_EQ(dStation, 12.0);
    EXPECT_EQ(nSurveyModeSaved, 1);
    EXPECT_EQ(nSurveyModePrev, 1);
}

TEST_F(SettingsRootTest, Em61TypeSetsTheNccFlag)
{
    struct { int type; int flag; } cases[] = {{0, 0}, {1, 0}, {2, 1}, {3, 1}};
    for (auto c : cases) {
        StartBuild(INSTRUMENT_EM61MK2, 1);
        LoadSaveSettingsFile(0);
        SetFileLine(14, std::to_string(c.type));
        LoadSaveSettingsFile(0);
        EXPECT_EQ(nEm61TypeSaved, c.flag) << c.type;
    }
}

TEST_F(SettingsRootTest, Em34AutoModeDipoleGivesLetterAndSeparation)
{
    StartBuild(INSTRUMENT_EM34, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(50, "4");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nEm34DipoleLetter, 'H');
    EXPECT_EQ(nEm34Separation, 20);
    // In station mode the same line is the number of configurations.
    SetFileLine(48, "2");
    SetFileLine(50, "5");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nEm34Configuration, 5);
}

TEST_F(SettingsRootTest, Em38Mk2CalibrationOffsetsKeepTheirElementOrder)
{
    StartBuild(INSTRUMENT_EM38MK2, 0);
    LoadSaveSettingsFile(0);
    const char *values[6] = {"10.000000", "8.000000", "2.000000", "0.500000", "6.000000", "4.000000"};
    for (int i = 0; i < 6; i++) SetFileLine(75 + i, values[i]);
    LoadSaveSettingsFile(0);
    EXPECT_EQ(adCalibration[10], 10.0);
    EXPECT_EQ(adCalibration[8], 8.0);
    EXPECT_EQ(adCalibration[2], 2.0);
    EXPECT_EQ(adCalibration[0], 0.5);
    EXPECT_EQ(adCalibration[6], 6.0);
    EXPECT_EQ(adCalibration[4], 4.0);
    EXPECT_EQ(adCalibration[1], 0.0);
}

struct SwathCase {
    int type;
    int swathIndex;
    int sensorSize;      // EM61-MK2 coil size
    int sensorsMinus1;   // EM61-LX2 coils - 1
    double offsetX;
    int mapUnits;
    double left, right, leftM, rightM;
};

TEST_F(SettingsRootTest, SwathEdgesAfterLoading)
{
    const SwathCase cases[] = {
        // Conductivity meters: width by index, metres whatever the map units.
        {INSTRUMENT_EM31MK2, 7, 0, 0, -0.3, 1, 4.7, 5.3, 4.7, 5.3},
        {INSTRUMENT_EM38MK2, 0, 0, 0, 0.0, 0, 0.125, 0.125, 0.125, 0.125},
        // EM61-LX2 two coils, 200 %: 4.12 m.
        {INSTRUMENT_EM61LX2, 11, 0, 1, 0.0, 0, 2.06, 2.06, 2.06, 2.06},
        {INSTRUMENT_EM61LX2, 5, 0, 0, 0.0, 0, 0.515, 0.515, 0.515, 0.515},
        // EM61-MK2 hand-held coil: 0.2 m at 100 %.
        {INSTRUMENT_EM61MK2, 5, 4, 0, 0.0, 0, 0.1, 0.1, 0.1, 0.1},
        {INSTRUMENT_EM61MK2, 5, 0, 0, 0.0, 1, 0.5 / 0.3048, 0.5 / 0.3048, 0.5, 0.5},
        {INSTRUMENT_EM61MK2, 11, 1, 0, 0.25, 0, 0.75, 0.25, 0.75, 0.25},
        // EM38-4 with the widths of its list.
        {INSTRUMENT_EM384, 3, 0, 0, -0.3, 1, 0.7, 1.3, 0.7, 1.3},
    };
    for (const SwathCase &c : cases) {
        SCOPED_TRACE(c.type * 100 + c.swathIndex);
        StartBuild(c.type, 0);
        nSwathIndex = c.swathIndex;
        nSensorSize = c.sensorSize;
        if (c.type == INSTRUMENT_EM61LX2) nSensorsMinus1 = c.sensorsMinus1;
        dGpsOffsetX = c.offsetX;
        nMapUnits = c.mapUnits;
        LoadSaveSettingsFile(1);
        StartBuild(c.type, 0);
        LoadSaveSettingsFile(0);
        EXPECT_NEAR(dSwathLeft, c.left, 1e-9);
        EXPECT_NEAR(dSwathRight, c.right, 1e-9);
        EXPECT_NEAR(dSwathLeftM, c.leftM, 1e-9);
        EXPECT_NEAR(dSwathRightM, c.rightM, 1e-9);
    }
}

// Without a file the swath edges follow the start-up defaults too.
TEST_F(SettingsRootTest, FirstStartSwathEdgesFollowTheDefaults)
{
    struct { int type; double left, right; } cases[] = {
        {INSTRUMENT_EM31MK2, 0.2, 0.8},    // 1 m, antenna 0.3 m to the left
        {INSTRUMENT_EM38, -0.05, 0.55},    // 0.5 m, the antenna beyond its left edge
        {INSTRUMENT_EM61MK2, 0.5, 0.5},    // 100 % of a 1 m coil
        {INSTRUMENT_EM61LX2, 1.03, 1.03},  // two coils, 100 %
        {INSTRUMENT_GRAD601, 1.0, 1.0},    // two sensors 1 m apart
    };
    for (auto c : cases) {
        SCOPED_TRACE(c.type);
        dSwathLeft = dSwathRight = -99;
        StartBuild(c.type, 0);
        LoadSaveSettingsFile(0);  // no file: written from memory
        EXPECT_NEAR(dSwathLeft, c.left, 1e-9);
        EXPECT_NEAR(dSwathRight, c.right, 1e-9);
    }
}

TEST_F(SettingsRootTest, Em61Lx2FilterFactorsGiveRatios)
{
    StartBuild(INSTRUMENT_EM61LX2, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(95, "250.000000");
    SetFileLine(96, "600.000000");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(dFilterFactorLeftPrev, 250.0);
    EXPECT_EQ(dFilterFactorRightPrev, 600.0);
    EXPECT_NEAR(dFilterRatioLeft, (250.0 - 18) / 108, 1e-12);
    EXPECT_NEAR(dFilterRatioRight, (600.0 + 44) / 128, 1e-12);
}

TEST_F(SettingsRootTest, Em384RateChoiceSecondCopyStandsAfterLoading)
{
    StartBuild(INSTRUMENT_EM384, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(83, "4");
    SetFileLine(112, "2");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nRateChoice, 2);
    EXPECT_EQ(nFramesPerReading, 5);  // computed from the first copy while loading
}

TEST_F(SettingsRootTest, Em384CalibrationStateAndSelection)
{
    StartBuild(INSTRUMENT_EM384, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(132, "0.100000");  // adCalibrationB element 5 (order 0, 2, 1, 3, 4, 6, 5, 7)
    LoadSaveSettingsFile(0);
    EXPECT_EQ(adCalibrationB[5], 0.1);
    EXPECT_EQ(nEm384CalibrationState, 2);

    StartBuild(INSTRUMENT_EM384, 0);
    LoadSaveSettingsFile(1);
    SetFileLine(117, "3.000000");  // adCalibration element 11
    LoadSaveSettingsFile(0);
    EXPECT_EQ(adCalibration[11], 3.0);
    EXPECT_EQ(nEm384CalibrationState, 1);

    SetFileLine(140, "0");
    SetFileLine(141, "2");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nEm384Selected, 0);
    EXPECT_EQ(dEm384Selected, 0.0);
    SetFileLine(140, "1");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nEm384Selected, 3);
    EXPECT_EQ(dEm384Selected, 100.0);

    SetFileLine(111, "3");
    SetFileLine(154, "4");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nEm384RateValue, 15);
    EXPECT_EQ(nDriftReminderMs, 5400000.0);
    SetFileLine(154, "6");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nDriftReminderMs, 0.0);
}

TEST_F(SettingsRootTest, GradSecondSwathLineStands)
{
    StartBuild(INSTRUMENT_GRAD601, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(5, "0");  // one sensor
    SetFileLine(6, "7");
    SetFileLine(35, "3");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nSwathIndex, 3);
    EXPECT_DOUBLE_EQ(dSwathWidth, 1.0);
    EXPECT_DOUBLE_EQ(dSwathLeft, 0.5);
    EXPECT_DOUBLE_EQ(dSwathRight, 0.5);
    // No interval line: the frame count comes from the interval held in memory.
    EXPECT_EQ(nFramesPerReading, 2);
}

TEST_F(SettingsRootTest, MarkerSizesAndCursorBandFollowTheirLines)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    nMapViewPixels = 400;
    LoadSaveSettingsFile(0);
    SetFileLine(56, "2");
    SetFileLine(64, "4");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nPositionMarkerSize, 11);
    EXPECT_EQ(nCrossHairHalf, 5);
    EXPECT_EQ(nCursorBandPixels, 120);  // 30 % of 400
    SetFileLine(50, "1.000000");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nSampleIntervalMs, 1000);
    EXPECT_EQ(nFramesPerReading, 18);  // 1000 / 55.078 + 0.5
}

}  // namespace

namespace {

TEST(DialogServices, CursorMarkerSizeAndDriftReminder)
{
    const struct { int index, marker, half; } sizes[] = {{0, 7, 3}, {3, 13, 6}, {4, 15, 7}, {5, 19, 9}};
    for (auto s : sizes) {
        nPositionSize = s.index;
        UpdateCursorMarkerSize();
        EXPECT_EQ(nPositionMarkerSize, s.marker) << s.index;
        EXPECT_EQ(nCrossHairHalf, s.half) << s.index;
    }
    nPositionSize = 6;  // a larger index changes nothing
    UpdateCursorMarkerSize();
    EXPECT_EQ(nPositionMarkerSize, 19);
    EXPECT_EQ(nCrossHairHalf, 9);
    const int seconds[8] = {900, 1800, 2700, 3600, 5400, 7200, 0, 0};
    for (int i = 0; i < 8; i++) EXPECT_EQ(DriftReminderSeconds(i), seconds[i]) << i;
    EXPECT_EQ(DriftReminderSeconds(-1), 0);
}

}  // namespace
