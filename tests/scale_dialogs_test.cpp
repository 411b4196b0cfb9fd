// Scale and option dialogs of the logging screen: reading scales (live edits, OK limits, redraw requests, colour
// step, Cancel), speed scale, map size, audio options, coordinate units and drift reminder; each with the line of
// the configuration file its control writes, a restart showing it, and Cancel leaving the file as it was.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/display_options_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "resources/resources.h"
#include "option_dialogs_test_support.h"

namespace {

class ScaleDialogsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "scale-dialogs-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new ScaleDialogsEnvironment);

using Proc = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

class ScaleDialogsTest : public OptionDialogTest {
protected:
    void Prepare() override
    {
        nMapViewPixels = 400;
        nSpeedBarWidth = 200;
        nCurveAreaHeight = nCurveAreaHeight3 = 300;
        nCurveAreaHeightB = 180;
    }
    static INT_PTR Run(const wchar_t *szTemplate, Proc proc, const std::function<void(HWND)> &act, int button = IDOK)
    {
        PlatformScriptDialog(szTemplate, [&](HWND hDlg) {
            act(hDlg);
            if (button) PlatformPressDialogButton(hDlg, button);
        });
        return DialogBox(hInst, szTemplate, nullptr, proc);
    }
};


void Type(HWND hDlg, int id, const std::wstring &text) { SetDlgItemText(hDlg, id, text.c_str()); }

// The whole text of an edit replaced in one change, as a paste does.
void Paste(HWND hDlg, int id, const std::wstring &text)
{
    SetDlgItemText(hDlg, id, text.c_str());
    SendMessage(hDlg, WM_COMMAND, MAKEWPARAM(id, EN_CHANGE), (LPARAM)GetDlgItem(hDlg, id));
}

// ---------------------------------------------------------------------------------------------------------------
// One table: each dialog's controls, the lines OK writes, what a restart shows, and Cancel
// ---------------------------------------------------------------------------------------------------------------
TEST_F(ScaleDialogsTest, EachControlWritesItsLineARestartShowsItAndCancelLeavesTheFile)
{
    struct Case {
        const char *name;
        int nType;
        const wchar_t *szTemplate;
        Proc proc;
        std::function<void()> prepare;
        std::function<void(HWND)> act;
        std::vector<std::string> lines;
        int nShownId;
        std::wstring shown;
    };
    const Case cases[] = {
        {"reading scale 1", INSTRUMENT_EM61MK2, L"READINGSCALE", ReadingScaleDlgProc, [] {},
         [](HWND d) {
             PlatformTypeIntoEdit(d, IDC_SCALE1_MIN, L"-10");
             PlatformTypeIntoEdit(d, IDC_SCALE1_MAX, L"250.5");
         },
         {"-10.000000", "250.500000"}, IDC_SCALE1_MAX, L"250.5"},
        {"reading scale 2", INSTRUMENT_EM31MK2, L"READINGSCALE31", ReadingScaleDlgProc, [] {},
         [](HWND d) { PlatformTypeIntoEdit(d, IDC_SCALE2_MAX, L"60"); }, {"60.000000"}, IDC_SCALE2_MAX, L"60.0"},
        {"speed scale", INSTRUMENT_EM61MK2, L"SPEEDSCALE", SpeedScaleDlgProc, [] {},
         [](HWND d) { PlatformTypeIntoEdit(d, IDC_SPEED_NEW, L"7.5"); }, {"7.500000"}, IDC_SPEED_CURRENT, L"7.50"},
        {"speed units", INSTRUMENT_EM61MK2, L"SPEEDSCALE", SpeedScaleDlgProc, [] {},
         [](HWND d) { PlatformPickListItem(d, IDC_SPEED_UNITS, 3); }, {"3"}, IDC_SPEED_UNITS, L"mph"},
        {"audio ticks", INSTRUMENT_EM61MK2, L"AUDIOFUNCTIONS", AudioFunctionsDlgProc, [] {},
         [](HWND d) { PlatformSetDialogCheck(d, IDC_AUDIO_TICKS, false); }, {"0"}, IDC_AUDIO_TICKS, L""},
        {"disconnection alarm", INSTRUMENT_EM61MK2, L"AUDIOFUNCTIONS", AudioFunctionsDlgProc, [] {},
         [](HWND d) { PlatformSetDialogCheck(d, IDC_AUDIO_DISCONNECT, false); }, {"0"}, IDC_AUDIO_DISCONNECT, L""},
        {"GPS mask audio", INSTRUMENT_EM61MK2, L"AUDIOFUNCTIONS", AudioFunctionsDlgProc, [] {},
         [](HWND d) { PlatformSetDialogCheck(d, IDC_AUDIO_GPS_MASK, false); }, {"0"}, IDC_AUDIO_GPS_MASK, L""},
        {"coordinate units", INSTRUMENT_EM61MK2, L"COORDINATESUNITS", CoordinatesUnitsDlgProc, [] {},
         [](HWND d) { PlatformPickListItem(d, IDC_COORD_UNITS, 3); }, {"3"}, IDC_COORD_UNITS, L"UTM US Feet"},
        {"drift reminder", INSTRUMENT_EM384, L"DRIFTREMINDER", DriftReminderDlgProc, [] {},
         [](HWND d) { PlatformPickListItem(d, IDC_DRIFT_TIME, 4); }, {"4"}, IDC_DRIFT_TIME, L"1.5 hour"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Start(c.nType, 0);
        c.prepare();
        LoadSaveSettingsFile(1);
        const std::string before = ReadBytes(SettingsPath());
        // Cancel after the same changes: the file and the settings as they were.
        ASSERT_EQ(Run(c.szTemplate, c.proc, c.act, IDCANCEL), 0);
        EXPECT_EQ(ReadBytes(SettingsPath()), before);
        LoadSaveSettingsFile(1);
        EXPECT_EQ(ReadBytes(SettingsPath()), before) << "Cancel changed a setting";
        // OK: the control's line, and a restart shows it.
        ASSERT_EQ(Run(c.szTemplate, c.proc, c.act), 1);
        EXPECT_EQ(ChangedLines(before, ReadBytes(SettingsPath())), c.lines);
        RestartFromSettingsFile();
        Run(c.szTemplate, c.proc, [&](HWND d) {
            if (c.shown.empty()) EXPECT_EQ(IsDlgButtonChecked(d, c.nShownId), (UINT)BST_UNCHECKED);
            else EXPECT_EQ(PlatformDialogItemText(d, c.nShownId), c.shown);
        }, IDCANCEL);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Reading scale
// ---------------------------------------------------------------------------------------------------------------
TEST_F(ScaleDialogsTest, ReadingScaleLiveEditsKeepTheMinimumBelowTheMaximum)
{
    dScale1Min = 0, dScale1Max = 500;
    Run(L"READINGSCALE", ReadingScaleDlgProc, [](HWND d) {
        Paste(d, IDC_SCALE1_MIN, L"600");  // above the maximum: not applied
        EXPECT_DOUBLE_EQ(dScale1Min, 0.0);
        Paste(d, IDC_SCALE1_MAX, L"900");
        EXPECT_DOUBLE_EQ(dScale1Max, 900.0);
        Paste(d, IDC_SCALE1_MIN, L"-50");
        EXPECT_DOUBLE_EQ(dScale1Min, -50.0);
        Paste(d, IDC_SCALE1_MAX, L"-60");  // below the minimum: not applied
        EXPECT_DOUBLE_EQ(dScale1Max, 900.0);
    }, IDCANCEL);
    Start(INSTRUMENT_EM61MK2, 0);
    ASSERT_EQ(Run(L"READINGSCALE", ReadingScaleDlgProc, [](HWND d) {
                  Type(d, IDC_SCALE1_MIN, L"200");
                  Type(d, IDC_SCALE1_MAX, L"100");
              }),
              1);
    EXPECT_DOUBLE_EQ(dScale1Min, 200.0);
    EXPECT_DOUBLE_EQ(dScale1Max, 300.0);
    // The profile and bars restart on the new scale.
    EXPECT_DOUBLE_EQ(dScale1PixPerUnit, 300.0 / 100.0);
    EXPECT_DOUBLE_EQ(dScale1PixPerUnitB, 180.0 / 100.0);
    EXPECT_EQ(bGraphFrameDrawn, 0);
    for (int b : abCurveHasPrev) EXPECT_EQ(b, 0);
}

TEST_F(ScaleDialogsTest, ReadingScaleCancelRestoresAllFourAndClearsTheRequest)
{
    Start(INSTRUMENT_EM38MK2, 0);
    dScale1Min = 0, dScale1Max = 1000, dScale2Min = 0, dScale2Max = 1500;
    nColorMapView = 1;
    nRedrawFlags = REDRAW_COLOUR_VIEW | REDRAW_MAP_SIZE;
    ASSERT_EQ(Run(L"READINGSCALE31", ReadingScaleDlgProc, [](HWND d) {
                  EXPECT_EQ(nRedrawFlags, 0) << "bits left by an earlier dialog are cleared at open";
                  PlatformTypeIntoEdit(d, IDC_SCALE1_MIN, L"10");
                  PlatformTypeIntoEdit(d, IDC_SCALE1_MAX, L"20");
                  PlatformTypeIntoEdit(d, IDC_SCALE2_MIN, L"-5");
                  PlatformTypeIntoEdit(d, IDC_SCALE2_MAX, L"5");
                  EXPECT_DOUBLE_EQ(dScale1Max, 20.0);
                  EXPECT_DOUBLE_EQ(dScale2Min, -5.0);
              }, IDCANCEL),
              0);
    EXPECT_DOUBLE_EQ(dScale1Min, 0.0);
    EXPECT_DOUBLE_EQ(dScale1Max, 1000.0);
    EXPECT_DOUBLE_EQ(dScale2Min, 0.0);
    EXPECT_DOUBLE_EQ(dScale2Max, 1500.0);
    EXPECT_EQ(nRedrawFlags, 0);
}

TEST_F(ScaleDialogsTest, ReadingScaleRedrawRequestAndColourStep)
{
    const struct {
        const char *name;
        int nType, nView;
        const wchar_t *szMin1, *szMin2;  // typed minimums (scales open at 0..500 and -25..75)
        int nFlags;
        double dStep;
    } rows[] = {
        {"EM61-MK2 always rebuilds", INSTRUMENT_EM61MK2, 0, L"0", L"-25", REDRAW_COLOUR_VIEW, 10},
        {"Grad601 takes scale 1 for both", INSTRUMENT_GRAD601, 1, L"100", L"-25", REDRAW_COLOUR_VIEW, 8},
        {"EM31-MK2 no colour view", INSTRUMENT_EM31MK2, 0, L"100", L"-25", 0, 8},
        {"EM31-MK2 conductivity view, scale 1 changed", INSTRUMENT_EM31MK2, 1, L"100", L"-25", REDRAW_COLOUR_VIEW, 8},
        {"EM31-MK2 conductivity view, only scale 2 changed", INSTRUMENT_EM31MK2, 1, L"0", L"25", 0, 10},
        {"EM31-MK2 inphase view, scale 2 changed", INSTRUMENT_EM31MK2, 2, L"0", L"25", REDRAW_COLOUR_VIEW, 1},
        {"EM38-MK2 inphase view 4, only scale 1 changed", INSTRUMENT_EM38MK2, 4, L"100", L"-25", 0, 2},
        {"CS-21 inphase view 6", INSTRUMENT_CS21, 6, L"0", L"25", REDRAW_COLOUR_VIEW, 1},
        {"EM34-3 colour view leaves the request", INSTRUMENT_EM34, 1, L"100", L"-25", 0, 8},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Start(r.nType, 0);
        nColorMapView = r.nView;
        dScale1Min = 0, dScale1Max = 500, dScale2Min = -25, dScale2Max = 75;
        ASSERT_EQ(Run(ReadingScaleTemplateName(), ReadingScaleDlgProc, [&](HWND d) {
                      Type(d, IDC_SCALE1_MIN, r.szMin1);
                      Type(d, IDC_SCALE2_MIN, r.szMin2);
                  }),
                  1);
        EXPECT_EQ(nRedrawFlags, r.nFlags);
        EXPECT_DOUBLE_EQ(dColorStep, r.dStep);
    }
}

TEST_F(ScaleDialogsTest, ReadingScaleTemplateByInstrument)
{
    const struct {
        int nType;
        const wchar_t *name, *caption;
    } rows[] = {
        {INSTRUMENT_GRAD601, L"READINGSCALE", L"Readings Scale"},
        {INSTRUMENT_EM61LX2, L"READINGSCALE", L"Readings Scale"},
        {INSTRUMENT_EM61MK2, L"READINGSCALE", L"Readings Scale"},
        {INSTRUMENT_EM34, L"READINGSCALE34", L"Readings Scale"},
        {INSTRUMENT_EM31MK2, L"READINGSCALE31", L"Conductivity/Inphase Readings Scales"},
        {INSTRUMENT_EM38, L"READINGSCALE31", L"Conductivity/Inphase Readings Scales"},
        {INSTRUMENT_EM38MK2, L"READINGSCALE31", L"Conductivity/Inphase Readings Scales"},
        {INSTRUMENT_EM384, L"READINGSCALE31", L"Conductivity/Inphase Readings Scales"},
        {INSTRUMENT_CS21, L"READINGSCALE31", L"Conductivity/Inphase Readings Scales"},
    };
    for (const auto &r : rows) {
        nInstrumentType = r.nType;
        EXPECT_EQ(std::wstring(ReadingScaleTemplateName()), r.name);
        EXPECT_EQ(std::wstring(FindDialogTemplate(r.name)->caption), r.caption);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Speed scale, map size, coordinate units, drift reminder
// ---------------------------------------------------------------------------------------------------------------
TEST_F(ScaleDialogsTest, SpeedScaleMaximumNotAboveTheMinimumKeepsTheOldOne)
{
    const struct {
        const wchar_t *typed;
        double dMax;
    } rows[] = {{L"0", 5}, {L"-2", 5}, {L"abc", 5}, {L"0.01", 0.01}, {L"12", 12}};
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.dMax);
        Start(INSTRUMENT_EM61MK2, 0);
        dSpeedScaleMax = 5;
        ASSERT_EQ(Run(L"SPEEDSCALE", SpeedScaleDlgProc, [&](HWND d) { Type(d, IDC_SPEED_NEW, r.typed); }), 1);
        EXPECT_DOUBLE_EQ(dSpeedScaleMax, r.dMax);
        EXPECT_DOUBLE_EQ(dSpeedPixPerUnit, 200.0 / r.dMax);
    }
}

TEST_F(ScaleDialogsTest, TheCKeyCancelsSpeedScaleAndCoordinateUnitsOnly)
{
    const struct {
        const wchar_t *name;
        Proc proc;
        bool bCancels;
    } rows[] = {
        {L"SPEEDSCALE", SpeedScaleDlgProc, true},
        {L"COORDINATESUNITS", CoordinatesUnitsDlgProc, true},
        {L"AUDIOFUNCTIONS", AudioFunctionsDlgProc, false},
        {L"DRIFTREMINDER", DriftReminderDlgProc, false},
        {L"MAPSCALE", MapScaleDlgProc, false},
        {L"READINGSCALE", ReadingScaleDlgProc, false},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(std::string(r.name, r.name + wcslen(r.name)));
        const INT_PTR result = Run(r.name, r.proc, [&](HWND d) {
            SendMessage(d, WM_KEYDOWN, 'c', 0);
            SendMessage(d, WM_KEYDOWN, 'C', 0);
            if (!r.bCancels) PlatformPressDialogButton(d, IDOK);
        }, 0);
        EXPECT_EQ(result, r.bCancels ? 0 : 1);
    }
    // A "c" typed into an edit box is text, never the key that cancels.
    const INT_PTR result = Run(L"SPEEDSCALE", SpeedScaleDlgProc, [](HWND d) {
        PlatformTypeIntoEdit(d, IDC_SPEED_NEW, L"c");
        PlatformTypeIntoEdit(d, IDC_SPEED_NEW, L"C");
        PlatformPressDialogButton(d, IDOK);
    }, 0);
    EXPECT_EQ(result, 1);
}

TEST_F(ScaleDialogsTest, MapSizeDialog)
{
    nMapSize = 40;
    dGridInterval = 2;
    nCursorBand = 1;
    nGridMode = 1;
    LoadSaveSettingsFile(1);
    const std::string before = ReadBytes(SettingsPath());
    ASSERT_EQ(Run(L"MAPSCALE", MapScaleDlgProc, [](HWND d) {
                  EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPSCALE_INTERVAL_LABEL), L"Guide Lines Interval:");
                  PlatformTypeIntoEdit(d, IDC_MAPSCALE_SIZE, L"0");
                  EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPSCALE_SIZE), L"1");
                  Type(d, IDC_MAPSCALE_SIZE, L"80");
                  Type(d, IDC_MAPSCALE_INTERVAL, L"0.2");
                  PlatformPickListItem(d, IDC_MAPSCALE_BAND, 3);  // "25"
              }),
              1);
    EXPECT_EQ(nMapSize, 80);
    EXPECT_DOUBLE_EQ(dMapPixelsPerUnit, 398.0 / 80);
    EXPECT_DOUBLE_EQ(dGridInterval, 0.2) << "no lower limit in the dialog itself";
    EXPECT_EQ(nCursorBand, 3);
    EXPECT_EQ(nCursorBandPixels, 100) << "25 % of the 400-pixel map window";
    EXPECT_EQ(nRedrawFlags, REDRAW_MAP_SIZE | REDRAW_GRID_INTERVAL);
    EXPECT_EQ(ReadBytes(SettingsPath()), before) << "the logging screen saves after this dialog";

    // Without a change: no request. Cancel: every value as it was.
    Run(L"MAPSCALE", MapScaleDlgProc, [](HWND) {});
    EXPECT_EQ(nRedrawFlags, 0);
    nRedrawFlags = 64;
    ASSERT_EQ(Run(L"MAPSCALE", MapScaleDlgProc, [](HWND d) {
                  Type(d, IDC_MAPSCALE_SIZE, L"5");
                  PlatformPickListItem(d, IDC_MAPSCALE_BAND, 6);
              }, IDCANCEL),
              0);
    EXPECT_EQ(nMapSize, 80);
    EXPECT_EQ(nCursorBand, 3);
    EXPECT_EQ(nCursorBandPixels, 100);
    EXPECT_EQ(nRedrawFlags, 0);
}

TEST_F(ScaleDialogsTest, CoordinateUnitsOfProjectedReceiversHaveNoGeodeticEntry)
{
    const struct {
        const char *name;
        int nFormat, nStored, nPick, nStoredAfter;
        const wchar_t *first, *shown;
    } rows[] = {
        {"LLQ: feet stores 2", 4, 1, 1, 2, L"meters", L"meters"},
        {"LLK: stored geodetic shows meters, OK stores 1", 3, 0, -1, 1, L"meters", L"meters"},
        {"RTS pseudo-GGA: US feet stores 3", 7, 3, 2, 3, L"meters", L"US Survey Feet"},
        {"format 9", 9, 2, 0, 1, L"meters", L"feet"},
        {"GGA keeps geodetic", 1, 0, 2, 2, L"Geodetic Lat/Lon", L"Geodetic Lat/Lon"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Start(INSTRUMENT_EM61MK2, 0);
        nGpsFormat = r.nFormat;
        nCoordUnits = r.nStored;
        // Opening and cancelling changes nothing, even a stored geodetic choice the list cannot show.
        Run(L"COORDINATESUNITS", CoordinatesUnitsDlgProc, [&](HWND d) {
            EXPECT_EQ(PlatformListItems(d, IDC_COORD_UNITS)[0], r.first);
            EXPECT_EQ(PlatformDialogItemText(d, IDC_COORD_UNITS), r.shown);
        }, IDCANCEL);
        EXPECT_EQ(nCoordUnits, r.nStored);
        ASSERT_EQ(Run(L"COORDINATESUNITS", CoordinatesUnitsDlgProc, [&](HWND d) {
                      if (r.nPick >= 0) PlatformPickListItem(d, IDC_COORD_UNITS, r.nPick);
                  }),
                  1);
        EXPECT_EQ(nCoordUnits, r.nStoredAfter);
    }
}

TEST_F(ScaleDialogsTest, DriftReminderStoresTheIndexAndItsMilliseconds)
{
    const struct {
        int nPick;
        double dMs;
    } rows[] = {{0, 900000}, {3, 3600000}, {5, 7200000}, {6, 0}};
    for (const auto &r : rows) {
        SCOPED_TRACE(r.nPick);
        Start(INSTRUMENT_CS21, 0);
        nDriftReminder = 2;
        ASSERT_EQ(Run(L"DRIFTREMINDER", DriftReminderDlgProc,
                      [&](HWND d) { PlatformPickListItem(d, IDC_DRIFT_TIME, r.nPick); }),
                  1);
        EXPECT_EQ(nDriftReminder, r.nPick);
        EXPECT_DOUBLE_EQ(nDriftReminderMs, r.dMs);
    }
}

}  // namespace
