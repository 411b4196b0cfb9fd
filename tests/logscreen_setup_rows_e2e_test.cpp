// The logging screen's option dialogs end to end: the real program (Zanth EM61-MK2) with the device emulator's
// instrument and walking GPS receiver. A reading-scale change rebuilds the colour map in the new classes; a map
// size the survey does not fit is refused with the ring, the warning and everything as it was; a grid interval
// below half a unit is raised with a note; map options without a change rebuild nothing.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdio>
#include <string>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "dialogs/display_options_dialog.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

unsigned RgbOf(COLORREF c) { return (unsigned)((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)); }

// Pixels of the map window of exactly this colour, its picture saved under the name.
int MapPixelsOf(COLORREF clr, const std::string &name)
{
    return CountColourInWindow(hwndMap, RgbOf(clr), std::string(TEST_OUTPUT_DIR "/") + name + ".png");
}

// Channel 1 reads 255 five times the real rate; the receiver stands still until the test walks it.
bool SetUpDevices(emu::Emulator &dev)
{
    return dev.ok("COM4 value 255 100 50 20 letter=T") && dev.ok("COM4 rate 5") &&
           dev.ok("COM6 position 45.5 -75.5") && dev.ok("COM6 walk 0 0");
}

// Logging screen at the first fix, a new data file and "&Go", a walk east of `dMetres`, then the pause.
void SurveyEastAndPause(emu::Emulator &dev, const wchar_t *szFile, const char *szWalk, double dMetres)
{
    UseColourMapOfChannel1();
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(15000));
    CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 10000));
    PlatformScriptFileChooser(szFile);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
    PlatformPressKey('G');
    CHILD_CHECK(nRecordingState == 1);
    PlatformPump(1000);
    CHILD_CHECK(dev.ok(szWalk));
    CHILD_CHECK(PlatformWaitFor([dMetres] { return dExtentMaxX - dExtentMinX > dMetres; }, 60000));
    PlatformPressKey(kKeySpace);
    CHILD_CHECK(nRecordingState == -1);
    CHILD_CHECK(dev.ok("COM6 walk 0 0"));
    PlatformPump(500);
}

bool DrawnSince(const wchar_t *szText)
{
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.text == szText) return true;
    return false;
}

std::string SettingsFileBytes()
{
    wchar_t sz[261];
    return GetSettingsFilePath(sz, 261) ? ReadFileBytes(MapDrivePath(sz)) : std::string();
}

}  // namespace

// Channel 1 at 255 on the 0..500 scale is class 25; the scale widened to 0..1000 in the dialog makes it class 12:
// the map is rebuilt from the data file in the new colour and the old one is gone.
TEST(LogScreenOptionRows, ReadingScaleChangeRebuildsTheColourMapInTheNewClasses)
{
    std::string root = emu::MakeTempRoot("rows_reading_scale");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=10"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(SetUpDevices(dev));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        SurveyEastAndPause(dev, L"C:\\data\\scale.T61", "COM6 walk 90 8 0", 30.0);
        Facts facts;
        facts.Set("oldBefore", MapPixelsOf(aclrColorScale[25], "rows_reading_scale_before"));
        facts.Set("newBefore", MapPixelsOf(aclrColorScale[12], "rows_reading_scale_before"));
        PlatformClearDrawnTexts();
        PlatformScriptDialog(L"READINGSCALE", [](HWND d) {
            PlatformTypeIntoEdit(d, IDC_SCALE1_MAX, L"1000");
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('A');
        facts.Set("max", (long long)dScale1Max);
        facts.Set("pleaseWait", DrawnSince(L"Please Wait"));
        // The rebuilt tiles reach the window with the next position.
        PlatformWaitFor([] { return MapPixelsOf(aclrColorScale[12], "rows_reading_scale_after") > 150; }, 8000);
        facts.Set("oldAfter", MapPixelsOf(aclrColorScale[25], "rows_reading_scale_after"));
        facts.Set("newAfter", MapPixelsOf(aclrColorScale[12], "rows_reading_scale_after"));
        facts.Set("legendHidden", IsWindowVisible(hwndColorBar) ? 0 : 1);
        return StopSavingFacts(facts, root);
    }, 150);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts f = Facts::Load(FactsPath(root));
    EXPECT_GT(f.Get("oldBefore"), 150) << "the swath in class 25 before";
    EXPECT_EQ(f.Get("newBefore"), 0);
    EXPECT_EQ(f.Get("max"), 1000);
    EXPECT_EQ(f.Get("pleaseWait"), 1);
    EXPECT_EQ(f.Get("oldAfter"), 0) << "nothing left of the old classes";
    EXPECT_GT(f.Get("newAfter"), 150) << "the swath rebuilt in class 12";
    EXPECT_EQ(f.Get("legendHidden"), 1);
}

// A walk of more than a kilometre east; then, paused: map size 1 does not fit it, a grid interval of 0.2, map
// options without and with a change.
TEST(LogScreenOptionRows, MapSizeTooSmallIntervalRaisedAndOptionsWithoutChange)
{
    std::string root = emu::MakeTempRoot("rows_map_size");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=10"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(SetUpDevices(dev));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        SurveyEastAndPause(dev, L"C:\\data\\size.T61", "COM6 walk 90 300 0", 1100.0);
        Facts facts;
        PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);

        // Map size 1: the survey would leave the usable tiles.
        SaveSettingsKeepingConfiguration();
        const std::string settingsBefore = SettingsFileBytes();
        const int anTiles[4] = {nTileColMin, nTileColMax, nTileRowMin, nTileRowMax};
        const double dScaleBefore = dMapPixelsPerUnit;
        PlatformClearShownDialogs();
        PlatformScriptDialog(L"MAPSCALE", [](HWND d) {
            PlatformTypeIntoEdit(d, IDC_MAPSCALE_SIZE, L"1");
            PlatformPressDialogButton(d, IDOK);
        });
        const int nRingsBefore = SoundCount(L"SOUND_RING");
        PlatformPressKey('S');
        facts.Set("rings", SoundCount(L"SOUND_RING") - nRingsBefore);
        facts.Set("warned", ShownWith(L"WARNING", L"Map Size too small\r\nPlease select Map Size option\r\nand increase the map size\r\n") ? 1 : 0);
        facts.Set("sizeAfterRefusal", nMapSize);
        facts.Set("scaleKept", dMapPixelsPerUnit == dScaleBefore ? 1 : 0);
        facts.Set("fileKept", SettingsFileBytes() == settingsBefore ? 1 : 0);
        facts.Set("tilesKept", anTiles[0] == nTileColMin && anTiles[1] == nTileColMax && anTiles[2] == nTileRowMin &&
                                   anTiles[3] == nTileRowMax);

        // Grid interval 0.2: raised to half a unit with a note, and saved.
        PlatformClearShownDialogs();
        PlatformScriptDialog(L"MAPSCALE", [](HWND d) {
            SetDlgItemText(d, IDC_MAPSCALE_INTERVAL, L"0.2");
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('S');
        facts.Set("noted", ShownWith(L"INFORMATION", L"Grid Interval must be >= 0.5 of map unit. Program assumed "
                                                     L"minimum value.")
                               ? 1
                               : 0);
        facts.Set("intervalCm", (long long)(dGridInterval * 100 + 0.5));
        dGridInterval = 9;
        LoadSaveSettingsFile(0);
        facts.Set("intervalSavedCm", (long long)(dGridInterval * 100 + 0.5));

        // Map options, OK without a change: no rebuild.
        PlatformClearDrawnTexts();
        PlatformScriptDialog(L"Map Display Options", [](HWND d) { PlatformPressDialogButton(d, IDOK); });
        PlatformPressKey('Y');
        facts.Set("waitWithoutChange", DrawnSince(L"Please Wait"));
        // With a change of the grid: the rebuild shows "Please Wait".
        PlatformClearDrawnTexts();
        PlatformScriptDialog(L"Map Display Options", [](HWND d) {
            PlatformSetDialogCheck(d, nGridMode == 0 ? IDC_MAPOPT_LINES : IDC_MAPOPT_GRID, true);
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('Y');
        facts.Set("waitWithChange", DrawnSince(L"Please Wait"));
        return StopSavingFacts(facts, root);
    }, 150);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts f = Facts::Load(FactsPath(root));
    EXPECT_EQ(f.Get("rings"), 1);
    EXPECT_EQ(f.Get("warned"), 1);
    EXPECT_EQ(f.Get("sizeAfterRefusal"), 40);
    EXPECT_EQ(f.Get("scaleKept"), 1);
    EXPECT_EQ(f.Get("fileKept"), 1);
    EXPECT_EQ(f.Get("tilesKept"), 1);
    EXPECT_EQ(f.Get("noted"), 1);
    EXPECT_EQ(f.Get("intervalCm"), 50);
    EXPECT_EQ(f.Get("intervalSavedCm"), 50);
    EXPECT_EQ(f.Get("waitWithoutChange"), 0);
    EXPECT_EQ(f.Get("waitWithChange"), 1);
}

// Each row of the popup menu and keys that opens an option dialog, in the real program without devices: the
// refusals with their exact texts, the dialog each opens, the map updates held off while it is open (not for the
// drift reminder), and the menu mode the audio options end.
TEST(LogScreenOptionRows, EachRowOpensItsDialogOrRefuses)
{
    std::string root = MakeTestRootFolder("rows_open");
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM61MK2, 0), []() {
        const wchar_t *const szGps = L"Option avaiable only when GPS is enabled";
        const wchar_t *const szMap = L"Option avaiable only when map is visible";
        const wchar_t *const szInstrument = L"Option avaiable only when Instrument is enabled";
        const struct {
            int nCode, bInstrument, bGps, bMapShown;
            const wchar_t *szShown;  // template opened, or the text of the refusal
            int bMapUpdatesWhileOpen;
        } rows[] = {
            {105, 1, 1, 1, L"READINGSCALE", 0},
            {106, 1, 0, 1, szGps, -1},
            {106, 1, 1, 1, L"SPEEDSCALE", 0},
            {107, 0, 1, 1, szInstrument, -1},
            {107, 1, 1, 1, L"DISPLAYSETUP", 0},
            {110, 1, 0, 1, szGps, -1},
            {110, 1, 1, 0, szMap, -1},
            {110, 1, 1, 1, L"MAPSCALE", 0},
            {111, 1, 0, 0, szGps, -1},
            {111, 1, 1, 0, szMap, -1},
            {111, 1, 1, 1, L"DISPLAYOPTIONS31", 0},
            {112, 1, 0, 1, szGps, -1},
            {112, 1, 1, 1, L"GPSMASK", 0},
            {126, 1, 1, 1, L"AUDIOFUNCTIONS", 0},
            {127, 1, 1, 1, L"COORDINATESUNITS", 0},
            {140, 1, 1, 1, L"DRIFTREMINDER", 1},
        };
        PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
        int nUpdatesSeen = -1;
        for (const wchar_t *name : {L"READINGSCALE", L"SPEEDSCALE", L"MAPSCALE", L"DISPLAYOPTIONS31", L"AUDIOFUNCTIONS",
                                    L"COORDINATESUNITS", L"DRIFTREMINDER", L"DISPLAYSETUP", L"GPSMASK"})
            PlatformScriptDialog(name, [&nUpdatesSeen](HWND d) {
                nUpdatesSeen = bMapUpdatesOn;
                PlatformPressDialogButton(d, IDCANCEL);
            }, true);
        nClientWidth = 1024;
        for (const auto &row : rows) {
            std::fprintf(stderr, "row %d instrument %d gps %d map %d\n", row.nCode, row.bInstrument, row.bGps,
                         row.bMapShown);
            bInstrumentEnabled = row.bInstrument;
            bGpsEnabled = row.bGps;
            bGpsActive = row.bMapShown;
            bMapUpdatesOn = 1;
            hPopupMenu = hPopupSubMenu = (HMENU)1;  // menu mode left by an earlier popup menu
            nUpdatesSeen = -1;
            PlatformClearShownDialogs();
            RunScreenLogCommandCode(row.nCode);
            const std::vector<ShownDialog> shown = PlatformShownDialogs();
            CHILD_CHECK(shown.size() == 1);
            if (row.bMapUpdatesWhileOpen < 0) {
                CHILD_CHECK(shown[0].caption == L"INFORMATION" && shown[0].text == row.szShown);
            } else {
                CHILD_CHECK(shown[0].templateName == row.szShown);
                CHILD_CHECK(nUpdatesSeen == row.bMapUpdatesWhileOpen);
            }
            CHILD_CHECK(bMapUpdatesOn == 1);
            CHILD_CHECK((hPopupMenu == nullptr) == (row.nCode == 126));
        }
        hPopupMenu = hPopupSubMenu = nullptr;
        CloseProgram();
        return 0;
    });
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}
