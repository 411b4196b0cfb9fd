// Damaged settings files: truncated, garbage, out-of-range values, overlong lines; the program keeps sound values.
#include "settings_test_support.h"

#include <cmath>
#include <csignal>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/rates.h"
#include "displays/grid.h"
#include "displays/scales.h"

namespace {

const int kTypes[] = {INSTRUMENT_GRAD601, INSTRUMENT_EM61LX2, INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2, INSTRUMENT_EM38,
                      INSTRUMENT_EM34,    INSTRUMENT_EM38MK2, INSTRUMENT_EM384,   INSTRUMENT_CS21};

// Every value that later indexes a table, divides or sizes something is in its range.
void ExpectSoundValues()
{
    EXPECT_GE(nGpsFormat, 0);
    EXPECT_LE(nGpsFormat, 8);
    EXPECT_GE(nRateChoice, 0);
    EXPECT_LE(nRateChoice, 8);
    EXPECT_GE(nSwathIndex, 0);
    EXPECT_LE(nSwathIndex, 11);
    EXPECT_GE(nEm34Configuration, 1);
    EXPECT_LE(nEm34Configuration, 6);
    EXPECT_GE(nColorMapView, 0);
    EXPECT_LE(nColorMapView, 8);
    for (int port : {nInstrumentPort, nGpsPort, nTiltPort}) {
        EXPECT_GE(port, 0);
        EXPECT_LE(port, 98);
    }
    EXPECT_GE(nGpsBaud, 0);
    EXPECT_LE(nGpsBaud, 5);
    EXPECT_GE(nTiltBaud, 0);
    EXPECT_LE(nTiltBaud, 5);
    EXPECT_GE(nGpsParity, 0);
    EXPECT_LE(nGpsParity, 2);
    EXPECT_GE(nSurveyMode, 0);
    EXPECT_LE(nSurveyMode, 2);
    EXPECT_GE(nMapUnits, 0);
    EXPECT_LE(nMapUnits, 2);
    EXPECT_GE(nCoordUnits, 0);
    EXPECT_LE(nCoordUnits, 3);
    EXPECT_GE(nSensorSize, 0);
    EXPECT_LE(nSensorSize, 4);
    EXPECT_GE(nEm61Type, 0);
    EXPECT_LE(nEm61Type, 3);
    EXPECT_GE(nCursorBand, 0);
    EXPECT_LE(nCursorBand, 6);
    EXPECT_GE(nPositionSize, 0);
    EXPECT_LE(nPositionSize, 5);
    for (int i = 0; i < 16; i++) EXPECT_GE(anChannelPenWidth[i], 1);
    EXPECT_GE(nMapSize, 1);
    EXPECT_GT(dGridInterval, 0);
    EXPECT_TRUE(std::isfinite(dGridInterval));
    EXPECT_GT(dScale1Max, dScale1Min);
    EXPECT_GT(dScale2Max, dScale2Min);
    EXPECT_GT(dSpeedScaleMax, dSpeedScaleMin);
    EXPECT_TRUE(bGpsEnabled == 0 || bGpsEnabled == 1);
    EXPECT_GT(dSampleInterval, 0);
    EXPECT_GE(nFramesPerReading, 1);
    EXPECT_LE(wcslen(szDataFolder), 260u);
    EXPECT_LE(wcslen(szBackgroundFolder), 260u);
    EXPECT_LE(wcslen(szSurveyLine), 15u);
    for (int *grid : {anGridLineY1, anGridLineY1B, anGridLineY2B}) {
        EXPECT_GE(grid[0], 0);
        EXPECT_LE(grid[0], 9);
    }
    EXPECT_TRUE(std::isfinite(dSwathLeft) && std::isfinite(dSwathRight));
    // Stations and increments fit the record fields they are written into.
    for (double d : {dStartStation, dStartStationMk2, dStation}) EXPECT_LT(std::fabs(d), 1.0e6);
    for (double d : {dStationIncrementAuto, dStationIncrementWheel, dStationIncrementManual, dStationIncrementAutoMk2,
                     dStationIncrementWheelMk2, dStationIncrementManualMk2, dStationIncrement})
        EXPECT_LT(std::fabs(d), 1000.0);
}

TEST_F(SettingsRootTest, TruncatedFilesKeepTheRestInMemory)
{
    for (int type : kTypes) {
        SCOPED_TRACE(type);
        StartBuild(type, 0);
        nGpsPort = 20;  // line after line 20 in every family
        LoadSaveSettingsFile(1);
        std::string full = ReadBytes(SettingsPath());
        std::vector<std::string> lines = SplitLines(full);
        for (size_t keep : {size_t(1), size_t(2), size_t(15), lines.size() / 2, lines.size() - 1}) {
            std::vector<std::string> part(lines.begin(), lines.begin() + keep);
            std::string bytes = JoinLines(part);
            // Also cut in the middle of the last line (no line feed).
            bytes += "12";
            WriteBytes(SettingsPath(), bytes);
            StartBuild(type, 0);
            LoadSaveSettingsFile(0);
            ExpectSoundValues();
        }
        // The last line missing: everything before it is taken.
        std::vector<std::string> part(lines.begin(), lines.end() - 1);
        WriteBytes(SettingsPath(), JoinLines(part));
        StartBuild(type, 0);
        LoadSaveSettingsFile(0);
        EXPECT_EQ(nGpsPort, 20);
    }
}

// A file that ends before its last line (a save cut short) is damaged: the lines it holds are taken and the file is
// written whole again from the settings in memory, as for a wrong version line.
TEST_F(SettingsRootTest, FileCutShortIsWrittenWholeAgain)
{
    for (int type : kTypes) {
        for (int jix : {0, 1}) {
            SCOPED_TRACE(std::to_string(type) + (jix ? " Jix" : " Zanth"));
            StartBuild(type, jix);
            nGpsPort = 20;
            LoadSaveSettingsFile(1);
            const std::string full = ReadBytes(SettingsPath());
            const std::vector<std::string> lines = SplitLines(full);
            // Only the version line, as a save killed right after its first write leaves it.
            WriteBytes(SettingsPath(), JoinLines({lines[0]}));
            StartBuild(type, jix);
            LoadSaveSettingsFile(0);
            EXPECT_NE(nGpsPort, 20);
            std::string rewritten = ReadBytes(SettingsPath());
            EXPECT_EQ(SplitLines(rewritten).size(), lines.size());
            LoadSaveSettingsFile(1);
            EXPECT_EQ(rewritten, ReadBytes(SettingsPath()));  // the start-up settings, every line
            // Cut in the middle of the last line: every line before it is taken and kept.
            WriteBytes(SettingsPath(), full.substr(0, full.size() - 3));
            StartBuild(type, jix);
            LoadSaveSettingsFile(0);
            EXPECT_EQ(nGpsPort, 20);
            EXPECT_EQ(SplitLines(ReadBytes(SettingsPath())).size(), lines.size());
            EXPECT_EQ(SplitLines(ReadBytes(SettingsPath()))[0], lines[0]);
        }
    }
}

// A save killed part-way (here by the file-size limit, whose signal ends the process in the middle of the writes)
// leaves the old file whole: the next start reads every setting of it.
TEST_F(SettingsRootTest, SaveKilledPartWayLeavesTheOldFileWhole)
{
    StartBuild(INSTRUMENT_EM38MK2, 1);
    nGpsPort = 20;
    LoadSaveSettingsFile(1);
    const std::string before = ReadBytes(SettingsPath());
    ASSERT_GT(before.size(), 200u);
    nGpsPort = 21;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        signal(SIGXFSZ, SIG_DFL);
        struct rlimit limit = {100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        LoadSaveSettingsFile(1);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));  // the save was ended in the middle
    EXPECT_EQ(WTERMSIG(status), SIGXFSZ);
    EXPECT_EQ(ReadBytes(SettingsPath()), before);
    StartBuild(INSTRUMENT_EM38MK2, 1);
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nGpsPort, 20);
    // The next save goes through and takes the place of the old file.
    nGpsPort = 22;
    LoadSaveSettingsFile(1);
    StartBuild(INSTRUMENT_EM38MK2, 1);
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nGpsPort, 22);
}

// A save whose writes fail (the disk full) keeps the old file.
TEST_F(SettingsRootTest, FailedSaveKeepsTheOldFile)
{
    StartBuild(INSTRUMENT_CS21, 0);
    nGpsPort = 20;
    LoadSaveSettingsFile(1);
    const std::string before = ReadBytes(SettingsPath());
    signal(SIGXFSZ, SIG_IGN);  // writes past the limit fail with EFBIG instead of ending the process
    struct rlimit old;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit limit = old;
    limit.rlim_cur = 100;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    nGpsPort = 21;
    int result = LoadSaveSettingsFile(1);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &old), 0);
    signal(SIGXFSZ, SIG_DFL);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(SettingsPath()), before);
}

// A file far larger than any settings file (a line of megabytes) is not read at all: it is written anew from the
// settings in memory, as for a wrong version line.
TEST_F(SettingsRootTest, HugeFileIsWrittenAnewWithoutReadingIt)
{
    for (int firstLine : {1, 0}) {
        SCOPED_TRACE(firstLine ? "huge version line" : "huge folder line");
        StartBuild(INSTRUMENT_EM61MK2, 1);
        LoadSaveSettingsFile(1);
        const std::string fresh = ReadBytes(SettingsPath());
        std::vector<std::string> lines = SplitLines(fresh);
        lines[firstLine ? 0 : 1] = (firstLine ? lines[0] : std::string()) + std::string(4 * 1024 * 1024, 'A');
        lines[35] = "9";  // nGpsPort: not taken
        WriteBytes(SettingsPath(), JoinLines(lines));
        lines.clear();
        StartBuild(INSTRUMENT_EM61MK2, 1);
        nGpsPort = 7;
        LoadSaveSettingsFile(0);
        EXPECT_EQ(nGpsPort, 7);
        ExpectSoundValues();
        std::string after = ReadBytes(SettingsPath());
        EXPECT_LT(after.size(), 10000u);
        EXPECT_EQ(SplitLines(after).size(), SplitLines(fresh).size());
    }
}

TEST_F(SettingsRootTest, GarbageBytesGiveSoundValues)
{
    std::mt19937 rng(12345);
    for (int type : kTypes) {
        SCOPED_TRACE(type);
        for (int round = 0; round < 20; round++) {
            StartBuild(type, round % 2);
            LoadSaveSettingsFile(1);
            std::string version = SplitLines(ReadBytes(SettingsPath()))[0];
            std::string bytes = version + "\r\n";
            int n = 200 + (int)(rng() % 4000);
            for (int i = 0; i < n; i++) {
                unsigned r = rng() % 10;
                // Mostly text that parses, with line ends, signs, points and arbitrary bytes between.
                if (r < 3) bytes += (char)('0' + rng() % 10);
                else if (r == 3) bytes += "\r\n";
                else if (r == 4) bytes += '-';
                else if (r == 5) bytes += '.';
                else if (r == 6) bytes += "99999999999999999999";
                else if (r == 7) bytes += "1e308";
                else bytes += (char)(rng() % 256);
            }
            WriteBytes(SettingsPath(), bytes);
            StartBuild(type, round % 2);
            LoadSaveSettingsFile(0);
            ExpectSoundValues();
            SetupReadingScales();
            ExpectSoundValues();
        }
    }
}

// Every line of the file set to values that index, divide or size out of range.
TEST_F(SettingsRootTest, OutOfRangeValuesTakeTheStartupDefaults)
{
    for (int type : kTypes) {
        for (const char *bad : {"-1", "999", "2147483647", "-2147483648", "99999999999999", "0", "nan", "inf",
                                "-1e309", "1e309", "1e300", "-1e7", "0x10", "", " ", "-"}) {
            SCOPED_TRACE(std::to_string(type) + " " + bad);
            StartBuild(type, 0);
            LoadSaveSettingsFile(1);
            std::vector<std::string> lines = SplitLines(ReadBytes(SettingsPath()));
            for (size_t i = 1; i < lines.size(); i++) lines[i] = bad;
            WriteBytes(SettingsPath(), JoinLines(lines));
            StartBuild(type, 0);
            LoadSaveSettingsFile(0);
            ExpectSoundValues();
        }
    }
}

TEST_F(SettingsRootTest, SelectedBadIndexesFallBackToStartupDefaults)
{
    StartBuild(INSTRUMENT_EM61MK2, 0);
    LoadSaveSettingsFile(0);
    SetFileLine(4, "1");
    SetFileLine(5, "7");       // nSensorSize
    SetFileLine(13, "12");     // nColorMapView (EM61-MK2: 0..4)
    SetFileLine(14, "9");      // nEm61Type
    SetFileLine(15, "0");      // pen width
    SetFileLine(32, "100.0");  // scale 1 minimum above ...
    SetFileLine(33, "50.0");   // ... its maximum
    SetFileLine(34, "7");      // bGpsEnabled
    SetFileLine(35, "9");      // nGpsFormat
    SetFileLine(36, "99");     // nGpsPort
    SetFileLine(37, "-1");     // nGpsBaud
    SetFileLine(41, "-5");     // dSpeedScaleMax
    SetFileLine(45, "3");      // nSurveyMode
    SetFileLine(46, "12");     // nSwathIndex
    SetFileLine(47, "1e300");  // dStationIncrementAutoMk2
    SetFileLine(50, "0");      // dSampleInterval
    SetFileLine(55, "1e300");  // dStartStationMk2
    SetFileLine(56, "6");      // nPositionSize
    SetFileLine(60, "0");      // dGridInterval
    SetFileLine(61, "0");      // nMapSize
    SetFileLine(64, "7");      // nCursorBand
    SetFileLine(65, "4");      // nCoordUnits
    SetFileLine(86, "-3");     // nTiltPort
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nSensorSize, 0);
    EXPECT_EQ(nColorMapView, 3);
    EXPECT_EQ(nEm61Type, 0);
    EXPECT_EQ(anChannelPenWidth[0], 2);
    EXPECT_EQ(dScale1Min, 0.0);
    EXPECT_EQ(dScale1Max, 500.0);
    EXPECT_EQ(bGpsEnabled, 1);
    EXPECT_EQ(nGpsFormat, 1);
    EXPECT_EQ(nGpsPort, 5);
    EXPECT_EQ(nGpsBaud, 1);
    EXPECT_EQ(dSpeedScaleMax, 5.0);
    EXPECT_EQ(nSurveyMode, 0);
    EXPECT_EQ(nSwathIndex, 5);
    EXPECT_EQ(dSampleInterval, 0.2);
    EXPECT_EQ(nPositionSize, 3);
    EXPECT_EQ(dGridInterval, 2.0);
    EXPECT_EQ(nMapSize, 40);
    EXPECT_EQ(nCursorBand, 1);
    EXPECT_EQ(nCoordUnits, 0);
    EXPECT_EQ(nTiltPort, 6);
    EXPECT_EQ(dStationIncrementAutoMk2, 1.0);
    EXPECT_EQ(dStartStationMk2, 0.0);
    EXPECT_EQ(dStation, 0.0);
    // The EM61-MK2 hand-held default is not in play; the start-up swath stands: 100 % of a 1 m coil.
    EXPECT_DOUBLE_EQ(dSwathLeft, 0.5);
}

TEST_F(SettingsRootTest, OverlongLineIsCutAndTheLinesAfterItStayInPlace)
{
    for (int type : kTypes) {
        SCOPED_TRACE(type);
        StartBuild(type, 0);
        LoadSaveSettingsFile(0);
        SetFileLine(2, std::string(2000, 'A'));
        SetFileLine(3, std::string(2000, '\xE9'));
        LoadSaveSettingsFile(0);
        EXPECT_EQ(wcslen(szDataFolder), 260u);
        EXPECT_EQ(wcslen(szBackgroundFolder), 260u);
        EXPECT_EQ(szBackgroundFolder[0], L'\u00E9');
        EXPECT_EQ(bInstrumentEnabled, 1);
        ExpectSoundValues();
    }
    // A 2,000-character survey line.
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    SetFileLine(51, std::string(2000, '7'));
    LoadSaveSettingsFile(0);
    EXPECT_STREQ(szSurveyLine, L"777777777777777");
    EXPECT_DOUBLE_EQ(dLineIncrement, 1.0);
    // In the EM38-4 file the survey line holds 14 characters.
    StartBuild(INSTRUMENT_EM384, 1);
    LoadSaveSettingsFile(0);
    SetFileLine(89, std::string(2000, 'x'));
    LoadSaveSettingsFile(0);
    EXPECT_EQ(wcslen(szSurveyLine), 14u);
}

TEST_F(SettingsRootTest, LongFirstLineIsAMismatch)
{
    StartBuild(INSTRUMENT_EM61MK2, 1);
    LoadSaveSettingsFile(0);
    SetFileLine(1, "Ver2.25" + std::string(5000, ' '));
    nGpsPort = 9;
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nGpsPort, 9);  // nothing taken from the file
    EXPECT_EQ(SplitLines(ReadBytes(SettingsPath()))[0], "Ver2.25");
}

TEST_F(SettingsRootTest, EmptyAndBinaryFilesAreRewritten)
{
    StartBuild(INSTRUMENT_CS21, 1);
    WriteBytes(SettingsPath(), "");  // the folder does not exist yet: nothing written
    LoadSaveSettingsFile(0);
    ExpectSoundValues();
    ASSERT_EQ(access(SettingsPath().c_str(), F_OK), 0);
    WriteBytes(SettingsPath(), "");
    LoadSaveSettingsFile(0);
    EXPECT_EQ(SplitLines(ReadBytes(SettingsPath())).size(), 154u);
    WriteBytes(SettingsPath(), std::string("\0\0\0\xff\xfe", 5));
    LoadSaveSettingsFile(0);
    EXPECT_EQ(SplitLines(ReadBytes(SettingsPath()))[0], "Ver1.00");
}

// A configuration folder that cannot be created (a file stands in its place): the program runs on memory.
TEST_F(SettingsRootTest, UnwritableFolderIsSilent)
{
    StartBuild(INSTRUMENT_EM38, 1);
    std::string path = SettingsPath();
    std::string folder = path.substr(0, path.rfind('/'));
    WriteBytes(folder, "not a folder");
    nGpsPort = 17;
    EXPECT_EQ(LoadSaveSettingsFile(0), 0);
    EXPECT_EQ(nGpsPort, 17);
    EXPECT_EQ(LoadSaveSettingsFile(1), 0);
    ExpectSoundValues();
}

}  // namespace
