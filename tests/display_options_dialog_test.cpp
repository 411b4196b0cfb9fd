// Map display options dialog: each control's line of the configuration file and a restart showing it, Cancel
// putting back every live value (pens and cross-hair included) with the file untouched, the derived values of OK
// (angle folding, interval and size limits, swath edges, colour step, redraw requests), the view-list rules and
// the preview at angles too small to draw.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/display_options_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "resources/resources.h"
#include "option_dialogs_test_support.h"

namespace {

class DisplayOptionsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "display-options-dialog-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
        CreateFixedPensAndBrushes();
        CreateTrackPens(0);
    }
};
const ::testing::Environment *const gEnvironment =
    ::testing::AddGlobalTestEnvironment(new DisplayOptionsEnvironment);

class DisplayOptionsTest : public OptionDialogTest {
protected:
    void Prepare() override
    {
        nClientWidth = 1024;
        CreateTrackPens(1);
    }
    void AfterStart() override { PlatformAnswerDialog(L"MESSAGEOK", IDOK, true); }
    // Opens the dialog of the build, runs `act` in it and presses `button`; returns the dialog's result.
    INT_PTR Run(const std::function<void(HWND)> &act, int button = IDOK)
    {
        PlatformScriptDialog(L"Map Display Options", [&](HWND hDlg) {
            act(hDlg);
            PlatformPressDialogButton(hDlg, button);
        });
        return DialogBox(hInst, DisplayOptionsTemplateName(), nullptr, DisplayOptionsDlgProc);
    }
};


void Type(HWND hDlg, int id, const std::wstring &text) { SetDlgItemText(hDlg, id, text.c_str()); }

COLORREF PixelOfPen(HPEN pen)
{
    HDC hdc = PlatformCreateMemorySurface(20, 20);
    SelectObject(hdc, pen);
    MoveToEx(hdc, 2, 10, nullptr);
    LineTo(hdc, 18, 10);
    COLORREF c = GetPixel(hdc, 10, 10);
    DeleteDC(hdc);
    return c;
}

TEST_F(DisplayOptionsTest, EachControlWritesItsLineAndARestartShowsIt)
{
    struct Case {
        const char *name;
        std::function<void(HWND)> act;
        std::vector<std::string> lines;  // the new texts of the lines that change, in file order
        int nShownId;                    // the control that shows the value after the restart
        std::wstring shown;              // its text; empty: a radio button that is checked
    };
    const Case cases[] = {
        {"cursor size 3", [](HWND d) { PlatformSetDialogCheck(d, IDC_MAPOPT_CURSOR_SIZE1 + 2, true); }, {"2"},
         IDC_MAPOPT_CURSOR_SIZE1 + 2, L""},
        {"position size 2", [](HWND d) { PlatformSetDialogCheck(d, IDC_MAPOPT_MARK_STYLE1 + 1, true); }, {"1"},
         IDC_MAPOPT_MARK_STYLE1 + 1, L""},
        {"cursor colour",
         [](HWND d) {
             PlatformScriptColorChooser(0x123456);
             PlatformClickButton(GetDlgItem(d, IDC_MAPOPT_CURSOR_COLOR));
         },
         {"1193046"}, IDC_MAPOPT_MAP_SIZE, L"40"},
        {"position colour",
         [](HWND d) {
             PlatformScriptColorChooser(0x00FF00);
             PlatformClickButton(GetDlgItem(d, IDC_MAPOPT_POSITION_COLOR));
         },
         {"65280"}, IDC_MAPOPT_MAP_SIZE, L"40"},
        {"parallel lines", [](HWND d) { PlatformSetDialogCheck(d, IDC_MAPOPT_LINES, true); }, {"1"}, IDC_MAPOPT_LINES,
         L""},
        {"interval", [](HWND d) { PlatformTypeIntoEdit(d, IDC_MAPOPT_INTERVAL, L"3.5"); }, {"3.500000"},
         IDC_MAPOPT_INTERVAL, L"3.50"},
        {"map size", [](HWND d) { PlatformTypeIntoEdit(d, IDC_MAPOPT_MAP_SIZE, L"55"); }, {"55"}, IDC_MAPOPT_MAP_SIZE,
         L"55"},
        {"lines angle",
         [](HWND d) {
             PlatformSetDialogCheck(d, IDC_MAPOPT_LINES, true);
             PlatformTypeIntoEdit(d, IDC_MAPOPT_ANGLE, L"33.25");
         },
         {"1", "33.250000"}, IDC_MAPOPT_ANGLE, L"33.25"},
        {"map units", [](HWND d) { PlatformPickListItem(d, IDC_MAPOPT_UNITS, 2); }, {"2"}, IDC_MAPOPT_UNITS,
         L"US Survey Feet"},
        {"swath", [](HWND d) { PlatformPickListItem(d, IDC_MAPOPT_SWATH, 11); }, {"11"}, IDC_MAPOPT_SWATH, L"200%"},
        {"colour view", [](HWND d) { PlatformPickListItem(d, IDC_MAPOPT_VIEW, 3); }, {"3"}, IDC_MAPOPT_VIEW,
         L"Colour Map View of Channel 3"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        Start(INSTRUMENT_EM61MK2, 0);
        nColorMapView = 1;
        LoadSaveSettingsFile(1);
        const std::string before = ReadBytes(SettingsPath());
        ASSERT_EQ(Run(c.act), 1);
        EXPECT_EQ(ChangedLines(before, ReadBytes(SettingsPath())), c.lines);
        RestartFromSettingsFile();
        PlatformScriptDialog(L"Map Display Options", [&](HWND d) {
            if (c.shown.empty()) EXPECT_EQ(IsDlgButtonChecked(d, c.nShownId), (UINT)BST_CHECKED);
            else EXPECT_EQ(PlatformDialogItemText(d, c.nShownId), c.shown);
            PlatformPressDialogButton(d, IDCANCEL);
        });
        DialogBox(hInst, DisplayOptionsTemplateName(), nullptr, DisplayOptionsDlgProc);
    }
}

TEST_F(DisplayOptionsTest, CancelPutsBackEveryLiveValueAndLeavesTheFile)
{
    nGridMode = 0;
    dLinesAngle = -20;
    nColorMapView = 1;
    LoadSaveSettingsFile(1);
    CreateTrackPens(1);
    const std::string before = ReadBytes(SettingsPath());
    const COLORREF clrCursorBefore = clrCursor, clrPositionBefore = clrPosition;
    const int nHalfBefore = nCrossHairHalf, nPositionBefore = nPositionSize, nStyleBefore = nCursorSize;
    ASSERT_EQ(Run(
                  [&](HWND d) {
                      PlatformSetDialogCheck(d, IDC_MAPOPT_CURSOR_SIZE1 + 5, true);
                      PlatformSetDialogCheck(d, IDC_MAPOPT_MARK_STYLE1 + 0, true);
                      PlatformScriptColorChooser(0x0000FF);
                      PlatformClickButton(GetDlgItem(d, IDC_MAPOPT_CURSOR_COLOR));
                      PlatformScriptColorChooser(0x00FFFF);
                      PlatformClickButton(GetDlgItem(d, IDC_MAPOPT_POSITION_COLOR));
                      PlatformSetDialogCheck(d, IDC_MAPOPT_LINES, true);
                      PlatformTypeIntoEdit(d, IDC_MAPOPT_ANGLE, L"45");
                      PlatformPickListItem(d, IDC_MAPOPT_VIEW, 4);
                      PlatformTypeIntoEdit(d, IDC_MAPOPT_MAP_SIZE, L"7");
                      // Everything applies at once while the dialog is open.
                      EXPECT_EQ(nCrossHairHalf, 9);
                      EXPECT_EQ(clrCursor, 0x0000FFu);
                      EXPECT_EQ(PixelOfPen(hpenCursor), 0x0000FFu);
                      EXPECT_EQ(nGridMode, 1);
                      EXPECT_DOUBLE_EQ(dLinesAngle, 45.0);
                      EXPECT_EQ(nColorMapView, 4);
                  },
                  IDCANCEL),
              0);
    EXPECT_EQ(ReadBytes(SettingsPath()), before);
    EXPECT_EQ(clrCursor, clrCursorBefore);
    EXPECT_EQ(clrPosition, clrPositionBefore);
    EXPECT_EQ(PixelOfPen(hpenCursor), clrCursorBefore);
    EXPECT_EQ(PixelOfPen(hpenPosition), clrPositionBefore);
    EXPECT_EQ(nPositionSize, nPositionBefore);
    EXPECT_EQ(nCrossHairHalf, nHalfBefore);
    EXPECT_EQ(nCursorSize, nStyleBefore);
    EXPECT_EQ(nGridMode, 0);
    EXPECT_DOUBLE_EQ(dLinesAngle, -20.0);
    EXPECT_EQ(nColorMapView, 1);
    EXPECT_EQ(nMapSize, 40);
}

TEST_F(DisplayOptionsTest, OkFoldsTheAngleAndHoldsIntervalAndSizeToTheirLeast)
{
    const struct {
        const wchar_t *angle, *interval, *size;
        double dAngle, dInterval;
        int nSize;
    } rows[] = {
        {L"135", L"0.2", L"0", -45, 0.5, 1},      {L"-90", L"0.5", L"-3", 90, 0.5, 1},
        {L"200", L"abc", L"12.9", 0, 0.5, 12},    {L"90", L"2.25", L"3", 90, 2.25, 3},
        {L"-135", L"-1", L"1e12", 45, 0.5, 1000000}, {L"180", L"0.49", L"x", 0, 0.5, 1},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << "angle " << r.dAngle << " size " << r.nSize);
        ASSERT_EQ(Run([&](HWND d) {
                      Type(d, IDC_MAPOPT_ANGLE, r.angle);
                      Type(d, IDC_MAPOPT_INTERVAL, r.interval);
                      Type(d, IDC_MAPOPT_MAP_SIZE, r.size);
                  }),
                  1);
        EXPECT_DOUBLE_EQ(dLinesAngle, r.dAngle);
        EXPECT_DOUBLE_EQ(dGridInterval, r.dInterval);
        EXPECT_EQ(nMapSize, r.nSize);
        // The scale is a floating division of the tile width.
        EXPECT_DOUBLE_EQ(dMapPixelsPerUnit, 398.0 / r.nSize);
    }
}

TEST_F(DisplayOptionsTest, RedrawRequestsOneBitPerChangeAndNoneWithout)
{
    const struct {
        const char *name;
        std::function<void(HWND)> act;
        int nFlags;
    } rows[] = {
        {"nothing", [](HWND) {}, 0},
        {"cursor size only", [](HWND d) { PlatformSetDialogCheck(d, IDC_MAPOPT_CURSOR_SIZE1, true); }, 0},
        {"mark style", [](HWND d) { PlatformSetDialogCheck(d, IDC_MAPOPT_MARK_STYLE1 + 2, true); }, REDRAW_MARK_STYLE},
        {"position colour",
         [](HWND d) {
             PlatformScriptColorChooser(0x00FF00);
             PlatformClickButton(GetDlgItem(d, IDC_MAPOPT_POSITION_COLOR));
         },
         REDRAW_POSITION_COLOUR},
        {"same position colour again",
         [](HWND d) {
             PlatformScriptColorChooser(clrPosition);
             PlatformClickButton(GetDlgItem(d, IDC_MAPOPT_POSITION_COLOR));
         },
         0},
        {"colour view", [](HWND d) { PlatformPickListItem(d, IDC_MAPOPT_VIEW, 2); }, REDRAW_COLOUR_VIEW},
        {"grid mode", [](HWND d) { PlatformSetDialogCheck(d, IDC_MAPOPT_LINES, true); }, REDRAW_GRID_MODE},
        {"interval", [](HWND d) { Type(d, IDC_MAPOPT_INTERVAL, L"7"); }, REDRAW_GRID_INTERVAL},
        {"interval below the least, was the least", [](HWND d) { Type(d, IDC_MAPOPT_INTERVAL, L"0.1"); }, 0},
        {"angle", [](HWND d) { Type(d, IDC_MAPOPT_ANGLE, L"10"); }, REDRAW_LINES_ANGLE},
        {"angle folded to the same", [](HWND d) { Type(d, IDC_MAPOPT_ANGLE, L"160"); }, 0},
        {"map size", [](HWND d) { Type(d, IDC_MAPOPT_MAP_SIZE, L"80"); }, REDRAW_MAP_SIZE},
        {"map units", [](HWND d) { PlatformPickListItem(d, IDC_MAPOPT_UNITS, 1); }, REDRAW_MAP_UNITS},
        {"size and angle", [](HWND d) {
             Type(d, IDC_MAPOPT_MAP_SIZE, L"41");
             Type(d, IDC_MAPOPT_ANGLE, L"11");
         },
         REDRAW_MAP_SIZE | REDRAW_LINES_ANGLE},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Start(INSTRUMENT_EM61MK2, 0);
        dGridInterval = 0.5;
        dLinesAngle = -20;
        nColorMapView = 1;
        nRedrawFlags = 0x7FFF;  // whatever was left before
        ASSERT_EQ(Run(r.act), 1);
        EXPECT_EQ(nRedrawFlags, r.nFlags);
    }
}

TEST_F(DisplayOptionsTest, ColourStepFollowsScaleTwoForInphaseViews)
{
    const struct {
        int nType, nView, nScale;
    } rows[] = {
        {INSTRUMENT_EM31MK2, 1, 1}, {INSTRUMENT_EM31MK2, 2, 2}, {INSTRUMENT_EM38, 1, 1},
        {INSTRUMENT_EM38MK2, 2, 2}, {INSTRUMENT_EM38MK2, 3, 1}, {INSTRUMENT_EM38MK2, 4, 2},
        {INSTRUMENT_EM384, 7, 1},   {INSTRUMENT_EM384, 8, 2},   {INSTRUMENT_EM61MK2, 2, 1},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << "type " << r.nType << " view " << r.nView);
        Start(r.nType, 0);
        nComponent = 0;
        dScale1Min = 0, dScale1Max = 500;
        dScale2Min = -25, dScale2Max = 75;
        ASSERT_EQ(Run([&](HWND d) { PlatformPickListItem(d, IDC_MAPOPT_VIEW, r.nView); }), 1);
        EXPECT_EQ(nColorMapView, r.nView);
        EXPECT_DOUBLE_EQ(dColorStep, r.nScale == 2 ? 100.0 / 50 : 500.0 / 50);
    }
}

TEST_F(DisplayOptionsTest, SwathEdgesOfTheChosenWidth)
{
    const struct {
        const char *name;
        int nType, nSensors, nSensorSize, nIndex, nUnits;
        double dLeftM, dRightM, dLeft;
    } rows[] = {
        {"EM61-LX2 two sensors 100%", INSTRUMENT_EM61LX2, 1, 0, 5, 0, 1.03, 1.03, 1.03},
        {"EM61-LX2 one sensor 200%", INSTRUMENT_EM61LX2, 0, 0, 11, 0, 1.03, 1.03, 1.03},
        {"EM61-MK2 hand-held coil 100%", INSTRUMENT_EM61MK2, 0, 4, 5, 0, 0.1, 0.1, 0.1},
        {"EM61-MK2 standard coil 50% in feet", INSTRUMENT_EM61MK2, 0, 0, 0, 1, 0.25, 0.25, 0.25 / 0.3048},
        {"conductivity 10 m", INSTRUMENT_EM31MK2, 0, 0, 7, 0, 5, 5, 5},
        {"conductivity 0.25 m in feet stays metres", INSTRUMENT_EM38, 0, 0, 0, 1, 0.125, 0.125, 0.125},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Start(r.nType, 0);
        nSensorsMinus1 = r.nSensors;
        nSensorSize = r.nSensorSize;
        dGpsOffsetX = 0;
        nMapUnits = r.nUnits;
        nSwathIndex = r.nIndex;  // the EM61-LX2 list is disabled: OK keeps the stored choice
        ASSERT_EQ(Run([&](HWND d) {
                      if (r.nType != INSTRUMENT_EM61LX2) PlatformPickListItem(d, IDC_MAPOPT_SWATH, r.nIndex);
                  }),
                  1);
        EXPECT_NEAR(dSwathLeftM, r.dLeftM, 1e-9);
        EXPECT_NEAR(dSwathRightM, r.dRightM, 1e-9);
        EXPECT_NEAR(dSwathLeft, r.dLeft, 1e-9);
    }
}

TEST_F(DisplayOptionsTest, ListsAndLabelsByInstrumentAndState)
{
    // The EM61-LX2 swath list never takes a choice; units and swath only while the logging screen is closed.
    Start(INSTRUMENT_EM61LX2, 0);
    nSensorsMinus1 = 1;
    Run([](HWND d) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_MAPOPT_SWATH)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_MAPOPT_UNITS)));
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_SWATH_UNIT), L"Sensors");
        EXPECT_EQ(PlatformListItems(d, IDC_MAPOPT_SWATH).size(), 12u);
        EXPECT_EQ(PlatformListItems(d, IDC_MAPOPT_SWATH)[0], L"50%");
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_VIEW_TEXT),
                  L"Colour Map View - Sensors positions and amplitude are represented by bars creating continuous "
                  L"colour image for the selected EM61-LX2 channel.");
    }, IDCANCEL);
    Start(INSTRUMENT_EM31MK2, 0);
    nRecordingState = 0;
    Run([](HWND d) {
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_MAPOPT_SWATH)));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(d, IDC_MAPOPT_UNITS)));
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_INTERVAL_LABEL), L"Grid Interval:");
        PlatformSetDialogCheck(d, IDC_MAPOPT_LINES, true);
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_INTERVAL_LABEL), L"Lines Interval:");
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDC_MAPOPT_ANGLE)));
    }, IDCANCEL);
    // Units labels follow the list at once (the swath's too on the EM31-MK2); the setting only on OK.
    Start(INSTRUMENT_EM31MK2, 0);
    Run([](HWND d) {
        PlatformPickListItem(d, IDC_MAPOPT_UNITS, 2);
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_MAP_SIZE_UNIT), L"US feet");
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_INTERVAL_UNIT), L"USft");
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_SWATH_UNIT), L"US feet");
        EXPECT_EQ(nMapUnits, 0);
    }, IDCANCEL);
    // The Grad601 with two sensors on an open logging screen: one fixed entry of the double separation.
    Start(INSTRUMENT_GRAD601, 0);
    nSensorsMinus1 = 1;
    dSensorSeparation = 0.75;
    nSwathIndex = 3;
    nRecordingState = 0;
    Run([](HWND d) {
        EXPECT_EQ(PlatformListItems(d, IDC_MAPOPT_SWATH), std::vector<std::wstring>{L"1.50"});
        EXPECT_EQ(PlatformDialogItemText(d, IDC_MAPOPT_SWATH), L"1.50");
        EXPECT_FALSE(PlatformDialogItemText(d, IDC_MAPOPT_SWATH_TEXT).empty());
    });
    EXPECT_EQ(nSwathIndex, 3);
    // The EM34-3 in manual mode hides the position colour.
    Start(INSTRUMENT_EM34, 0);
    nSurveyModePrev = 2;
    Run([](HWND d) { EXPECT_FALSE(IsWindowVisible(GetDlgItem(d, IDC_MAPOPT_POSITION_COLOR))); }, IDCANCEL);
}

TEST_F(DisplayOptionsTest, ViewChoicesTheInstrumentCannotShowSnapBackWithAWarning)
{
    const struct {
        const char *name;
        int nType, bEnabled, nComponent, nPick, nView;
        const wchar_t *text;
    } rows[] = {
        {"EM31-MK2 inphase survey: conductivity becomes inphase", INSTRUMENT_EM31MK2, 1, 1, 1, 2,
         L"Inphase mode is fixed in the Survey Setup dialog"},
        {"EM31-MK2 conductivity survey", INSTRUMENT_EM31MK2, 1, 0, 1, 1, nullptr},
        {"instrument disabled", INSTRUMENT_EM61MK2, 0, 0, 3, 0, L"Only sensor position avaiable for GXY format"},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(r.name);
        Start(r.nType, 0);
        bInstrumentEnabled = r.bEnabled;
        nComponent = r.nComponent;
        nColorMapView = 0;
        ASSERT_EQ(Run([&](HWND d) {
                      PlatformPickListItem(d, IDC_MAPOPT_VIEW, r.nPick);
                      EXPECT_EQ(SendDlgItemMessage(d, IDC_MAPOPT_VIEW, CB_GETCURSEL, 0, 0), r.nView);
                  }),
                  1);
        EXPECT_EQ(nColorMapView, r.nView);
        bool bWarned = false;
        for (const ShownDialog &s : PlatformShownDialogs())
            if (s.caption == L"WARNING" && r.text && s.text.find(r.text) != std::wstring::npos) bWarned = true;
        EXPECT_EQ(bWarned, r.text != nullptr);
    }
    // The logging line stores no colour view whatever the list said.
    Start(INSTRUMENT_EM61MK2, 1);
    nColorMapView = 2;
    ASSERT_EQ(Run([](HWND) {}), 1);
    EXPECT_EQ(nColorMapView, 0);
}

TEST_F(DisplayOptionsTest, TemplateByProductLineAndClientWidth)
{
    const struct {
        int bJix, nWidth;
        const wchar_t *name;
    } rows[] = {
        {0, 783, L"DISPLAYOPTIONS31NARROW"}, {0, 784, L"DISPLAYOPTIONS31"},
        {1, 783, L"DISPLAYOPTIONS31FLDNARROW"}, {1, 784, L"DISPLAYOPTIONS31FLD"},
    };
    for (const auto &r : rows) {
        bJixProduct = r.bJix;
        nClientWidth = r.nWidth;
        EXPECT_EQ(std::wstring(DisplayOptionsTemplateName()), r.name);
        // The logging line's templates carry no colour-map view.
        PlatformScriptDialog(r.name, [&](HWND d) {
            EXPECT_EQ(GetDlgItem(d, IDC_MAPOPT_VIEW) == nullptr, r.bJix == 1);
            PlatformPressDialogButton(d, IDCANCEL);
        });
        EXPECT_EQ(DialogBox(hInst, r.name, nullptr, DisplayOptionsDlgProc), 0);
    }
}

// Every text of the dialog whole for each instrument's lists and descriptions, on the wide and the narrow
// template (a picture of each).
TEST_F(DisplayOptionsTest, EveryTextIsWholeForEveryInstrument)
{
    const struct {
        int nType;
        const char *name;
    } aType[] = {{INSTRUMENT_GRAD601, "grad601"}, {INSTRUMENT_EM61LX2, "em61lx2"}, {INSTRUMENT_EM61MK2, "em61mk2"},
                 {INSTRUMENT_EM31MK2, "em31mk2"}, {INSTRUMENT_EM38, "em38"},       {INSTRUMENT_EM34, "em34"},
                 {INSTRUMENT_EM38MK2, "em38mk2"}, {INSTRUMENT_EM384, "em384"},     {INSTRUMENT_CS21, "cs21"}};
    for (const auto &t : aType)
        for (int nWidth : {1024, 783}) {
            SCOPED_TRACE(testing::Message() << t.name << " " << nWidth);
            Start(t.nType, 0);
            nClientWidth = nWidth;
            Run([&](HWND d) {
                for (const ControlView &c : PlatformChildControls(d))
                    EXPECT_TRUE(c.labelFits) << "control " << c.id << " cut";
                PlatformSaveWindowPng(d, std::string(TEST_OUTPUT_DIR "/map_display_options_") + t.name +
                                             (nWidth < 784 ? "_narrow" : "") + ".png");
            }, IDCANCEL);
        }
}

// The preview drawn onto a surface of its own, as the dialog hands it over.
std::vector<COLORREF> PreviewPixels(double dAngle, int nMode)
{
    dLinesAngle = dAngle;
    nGridMode = nMode;
    const int w = 180, h = 200;
    HDC hdc = PlatformCreateMemorySurface(w, h);
    DRAWITEMSTRUCT dis = {};
    dis.CtlID = IDC_MAPOPT_PREVIEW;
    dis.hDC = hdc;
    dis.rcItem = RECT{0, 0, w, h};
    DrawMapPreview(nullptr, &dis);
    std::vector<COLORREF> px;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) px.push_back(GetPixel(hdc, x, y));
    DeleteDC(hdc);
    return px;
}

TEST_F(DisplayOptionsTest, PreviewDrawsAnglesTooSmallToTellFromZeroAsZero)
{
    nCursorSize = 4;
    const std::vector<COLORREF> zero = PreviewPixels(0.0, 1);
    for (double a : {1e-300, 1e-9, -0.001, 0.0099, -0.0099}) {
        SCOPED_TRACE(a);
        EXPECT_EQ(PreviewPixels(a, 1), zero);
    }
    // Just above the limit the lines lean: the picture differs from the vertical lines, and the huge spacing and
    // slope stay inside the drawing.
    for (double a : {0.011, -0.02, 1.0, 5.0, 15.0, 89.99, -89.99, 1e12}) {
        SCOPED_TRACE(a);
        EXPECT_NE(PreviewPixels(a, 1), zero);
    }
    // The basic grid ignores the angle.
    EXPECT_EQ(PreviewPixels(30.0, 0), PreviewPixels(-70.0, 0));
}

}  // namespace
