// Status panel of the logging screen in the real program's windows: every box holds its sample string in its font
// for each build, screen and map view (PNGs of each); a map toggle gives the boxes of a fresh arrangement; the
// painted labels per GPS format and coordinate units; the status line and the pause hint per state.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/numbers.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/map_view.h"
#include "processing/em384_handler.h"
#include "processing/em61lx2_display.h"
#include "processing/em61mk2_handler.h"
#include "processing/gps_position.h"
#include "processing/sentence_handlers.h"
#include "support/program_runner.h"
#include "support/screen_text.h"

using screentext::BoxShows;
using screentext::TextSize;

namespace {

struct Build {
    const char *name;  // names the PNG
    int instrumentType;
    int screenWidth, screenHeight;
    int gps;         // GPS input (and the map shown)
    int instrument;  // instrument enabled
};

// The logging command's layout steps, then the screen shown as the command shows it.
void LayOut()
{
    ArrangeAndLayOutLogScreen();
    DeriveGraphScales();
}

void ShowLogScreen()
{
    for (HWND h : ahMenuButton)
        if (h) ShowWindow(h, SW_HIDE);
    nActiveScreen = 1;
    ShowWindow(hwndLog, SW_SHOW);
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

void UseBuild(const Build &b)
{
    bGpsEnabled = b.gps;
    bGpsActive = b.gps;
    bInstrumentEnabled = b.instrument;
    bTiltMeterOn = 0;
    nRecordingState = 0;
    nSurveyModePrev = 0;
    nGpsFormat = 1;
    bPseudoGga = 0;
    nCoordUnits = 0;
}

struct Sample {
    const char *name;
    const RECT *prc;
    HFONT *pFont;
    const wchar_t *text;
};

// The boxes the painting and the handlers write into, each with the widest text it holds.
std::vector<Sample> Samples()
{
    const bool bGeodetic = nCoordUnits == 0 && nGpsFormat < 7;
    std::vector<Sample> v = {
        {"state line", &rcStatusLineText, &hFontNormal, L"Monitoring (Manual)"},
        {"marker", &rcStatusMarker, &hFontBold, L"MARKER"},
        {"map size", &rcMapSizeText, &hFontNormal, L"Map Size: 99999 meters"},
        {"hint line", &rcHintLine, &hFontBold, L"Push switch RECORD"},
        {"hint line in a sample series", &rcHintLine, &hFontBold, L"Sample 999 of 999"},
        {"file", &rcFileNameText, &hFontNormal, L"File:        "},
        {"line", &rcLineNameValue, &hFontNormal, L"88888.88"},
        {"station", &rcStatusStation, &hFontBold, L"-88888.88"},
        {"readings", &rcStatusCount, &hFontNormal, L"8888888"},
        {"time", &rcStatusTime, &hFontNormal, L"00:00:00"},
        {"positions", &arcGpsBox[GPS_BOX_POSITIONS], &hFontNormal, L"88888"},
        {"quality", &arcGpsBox[GPS_BOX_QUALITY], &hFontBold, L"NO FIX"},
        {"dop", &arcGpsBox[GPS_BOX_DOP], &hFontBold, L"N/A"},
        {"satellites", &arcGpsBox[GPS_BOX_SATELLITES], &hFontBold, L"88"},
        {"latitude", &arcGpsBox[GPS_BOX_LATITUDE], &hFontNormal, bGeodetic ? L"W-888 88 88.888888" : L"-88888888.88 USft"},
        {"longitude", &arcGpsBox[GPS_BOX_LONGITUDE], &hFontNormal, bGeodetic ? L"W-888 88 88.888888" : L"-88888888.88 USft"},
        {"zone", &arcGpsBox[GPS_BOX_ZONE], &hFontNormal, L"33"},
        {"speed", &arcGpsBox[GPS_BOX_SPEED], &hFontNormal, L"88.56 ft/s"},
        {"tilt R", &arcGpsBox[GPS_BOX_EXTRA1], &hFontNormal, L"-888.888"},
        {"tilt P", &arcGpsBox[GPS_BOX_EXTRA2], &hFontNormal, L"-888.888"},
        {"tilt Y", &arcGpsBox[GPS_BOX_EXTRA3], &hFontNormal, L"-888.888"},
        {"voltage", &rcStatusVoltage, &hFontNormal, L"12.9 V"},
        {"current", &rcStatusCurrent, &hFontNormal, L"12.9 V"},
    };
    if (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2)
        v.push_back({"mode", &rcStatusMode, &hFontNormal, L"D"});
    if (nInstrumentType == INSTRUMENT_EM61MK2)
        v.push_back({"tilt meter", &rcTiltMeterLabel, &hFontNormal, bTiltMeterOn == 1 ? L"Tilt Meter:" : L"Tilt Meter: Disabled"});
    if (nInstrumentType == INSTRUMENT_EM384) {
        v.push_back({"calibration", &rcCalibText, &hFontBold, L"Calib/Offset: ON"});
        // Left out where the title row has no room for it (it always reads Horizontal).
        if (rcDipoleModeText.right > rcDipoleModeText.left)
            v.push_back({"dipole mode", &rcDipoleModeText, &hFontNormal, L"Dipole Mode: Horizontal"});
    }
    if (nInstrumentType == INSTRUMENT_GRAD601) v.push_back({"gradient", &rcGradientLabel, &hFontNormal, L"Gradient [nT/m]"});
    return v;
}

// Every box is wide and tall enough for its sample in its font and lies in the client area.
int CheckSamples(const char *szBuild)
{
    RECT rcClient;
    GetClientRect(hwndLog, &rcClient);
    int nBad = 0;
    for (const Sample &s : Samples()) {
        const SIZE t = TextSize(hwndLog, *s.pFont, s.text);
        const RECT &rc = *s.prc;
        const bool bFits = rc.right - rc.left >= t.cx && rc.bottom - rc.top >= t.cy;
        const bool bInside = rc.left >= 0 && rc.top >= 0 && rc.right <= rcClient.right && rc.bottom <= rcClient.bottom;
        if (!bFits || !bInside) {
            fprintf(stderr, "%s: box %s {%d %d %d %d} for %ls (%d x %d) in %d x %d\n", szBuild, s.name, (int)rc.left,
                    (int)rc.top, (int)rc.right, (int)rc.bottom, s.text, (int)t.cx, (int)t.cy, (int)rcClient.right,
                    (int)rcClient.bottom);
            nBad++;
        }
    }
    return nBad;
}

// Every live box and the layout values they stand on, for comparing two arrangements.
std::vector<long> Snapshot()
{
    std::vector<long> v;
    auto Add = [&v](const RECT &rc) {
        v.push_back(rc.left);
        v.push_back(rc.top);
        v.push_back(rc.right);
        v.push_back(rc.bottom);
    };
    for (const Sample &s : Samples()) Add(*s.prc);
    for (const RECT &rc : arcGpsBox) Add(rc);
    for (const RECT *prc : {&rcSidePanel, &rcSidePanelValues, &rcLamp1, &rcLamp2, &rcBatteryLabel, &rcCurrentLabel,
                            &rcSpeedLabel, &rcProcedureMessage, &rcDopLabel, &rcLatLabel, &rcLonLabel, &rcSlamLabel,
                            &rcTiltRLabel, &rcTiltMeterLabel, &rcLx2Row1, &rcLx2Row6, &rcPauseHintArea})
        Add(*prc);
    for (int y : anGpsRowY) v.push_back(y);
    for (int x : anGpsGroupLeft) v.push_back(x);
    for (int n : {nStatusPanelX, nStatusPanelTop, nStatusPanelHeight, nButtonRowHeight, nCurveWndX, nCurveWndWidth,
                  nCurveAreaHeight, nCurveAreaHeightB})
        v.push_back(n);
    return v;
}

ProgramStart StartOf(const Build &b)
{
    ProgramStart start;
    start.instrumentType = b.instrumentType;
    start.jixProduct = 0;
    start.screenWidth = b.screenWidth;
    start.screenHeight = b.screenHeight;
    return start;
}

class StatusPanelBuild : public ::testing::TestWithParam<Build> {};

TEST_P(StatusPanelBuild, EveryBoxHoldsItsSampleAndTheToggleGivesAFreshArrangement)
{
    const Build b = GetParam();
    ChildResult r = RunProgramInChild(StartOf(b), [b]() {
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        UseBuild(b);
        LayOut();
        CHILD_CHECK(CheckSamples(b.name) == 0);
        ShowLogScreen();
        // Monitoring: the state line, the empty file line and the GPS labels as painted.
        CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Monitoring (Auto)"));
        CHILD_CHECK(BoxShows(hwndLog, rcFileNameText, hFontNormal, L"File:"));
        if (b.gps) {
            CHILD_CHECK(BoxShows(hwndLog, rcDopLabel, hFontNormal, L"HDOP:"));
            CHILD_CHECK(BoxShows(hwndLog, arcGpsBox[GPS_BOX_DOP], hFontBold, L"N/A"));
            CHILD_CHECK(BoxShows(hwndLog, rcPositionsLabel, hFontNormal, L"Positions:"));
        }
        if (nInstrumentType == INSTRUMENT_EM61MK2 && b.instrument)
            CHILD_CHECK(screentext::ShowsText(hwndLog, rcStatusVoltage.left - TextSize(hwndLog, hFontNormal, L"Battery: ").cx,
                                              rcStatusVoltage.top, hFontNormal, L"Battery:"));
        const std::string png = std::string(TEST_OUTPUT_DIR "/status_panel_") + b.name + ".png";
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, png));

        // Toggle View (popup item 511) both ways: each time the boxes of a fresh arrangement of that view.
        if (b.gps && b.instrument) {
            for (int i = 0; i < 2; i++) {
                const int bWasActive = bGpsActive;
                SendMessage(hwndLog, WM_COMMAND, 511, 0);
                CHILD_CHECK(bGpsActive == !bWasActive);
                const std::vector<long> toggled = Snapshot();
                LayOut();
                const std::vector<long> fresh = Snapshot();
                for (size_t k = 0; k < fresh.size() && k < toggled.size(); k++)
                    if (fresh[k] != toggled[k]) fprintf(stderr, "value %zu: toggled %ld, fresh %ld\n", k, toggled[k], fresh[k]);
                CHILD_CHECK(fresh == toggled);
                CHILD_CHECK(CheckSamples(b.name) == 0);
            }
            const std::string pngOff = std::string(TEST_OUTPUT_DIR "/status_panel_") + b.name + "_toggled_twice.png";
            CHILD_CHECK(PlatformSaveWindowPng(hwndLog, pngOff));
        }
        PostMessage(hwndMain, WM_CLOSE, 0, 0);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Builds, StatusPanelBuild,
    ::testing::Values(Build{"em61mk2_landscape_map", INSTRUMENT_EM61MK2, 1280, 800, 1, 1},
                      Build{"em61mk2_landscape_nomap", INSTRUMENT_EM61MK2, 1280, 800, 0, 1},
                      Build{"em61mk2_portrait_map", INSTRUMENT_EM61MK2, 800, 1280, 1, 1},
                      Build{"em61mk2_portrait_nomap", INSTRUMENT_EM61MK2, 800, 1280, 0, 1},
                      Build{"em61mk2_small_landscape_map", INSTRUMENT_EM61MK2, 1024, 768, 1, 1},
                      Build{"em61lx2_landscape_map", INSTRUMENT_EM61LX2, 1280, 800, 1, 1},
                      Build{"em384_landscape_map", INSTRUMENT_EM384, 1280, 800, 1, 1},
                      Build{"grad601_landscape_map", INSTRUMENT_GRAD601, 1366, 768, 1, 1},
                      Build{"gps_only_landscape_map", INSTRUMENT_EM61MK2, 1280, 800, 1, 0}),
    [](const ::testing::TestParamInfo<Build> &info) { return std::string(info.param.name); });

// The DOP label by GPS format ("SLAM Conf.:" only for the pseudo GGA), the coordinate labels by units and format,
// and "Sat:" left out for formats 7 and 8.
TEST(StatusPanelLabels, DopAndCoordinateLabelsPerGpsFormat)
{
    struct Case {
        int format, pseudo, units;
        const wchar_t *dop, *lat, *lon;
        int sat;
    };
    const Case cases[] = {
        {0, 0, 0, L"PDOP:", L"Lat:", L"Lon:", 1},  {1, 0, 0, L"HDOP:", L"Lat:", L"Lon:", 1},
        {2, 0, 0, L"PDOP:", L"Lat:", L"Lon:", 1},  {3, 0, 0, L"GDOP:", L"Lat:", L"Lon:", 1},
        {4, 0, 0, L"GDOP:", L"Lat:", L"Lon:", 1},  {5, 0, 1, L"PDOP:", L"N:", L"E:", 1},
        {6, 0, 2, L"PDOP:", L"N:", L"E:", 1},      {7, 1, 0, L"SLAM Conf.:", L"N:", L"E:", 0},
        {7, 0, 0, L"PDOP:", L"N:", L"E:", 0},      {8, 0, 0, L"PDOP:", L"N:", L"E:", 0},
    };
    const Build b = {"labels", INSTRUMENT_EM61MK2, 1280, 800, 1, 1};
    ChildResult r = RunProgramInChild(StartOf(b), [&]() {
        UseBuild(b);
        for (const Case &c : cases) {
            nGpsFormat = c.format;
            bPseudoGga = c.pseudo;
            nCoordUnits = c.units;
            LayOut();
            ShowLogScreen();
            CHILD_CHECK(BoxShows(hwndLog, rcDopLabel, hFontNormal, c.dop));
            CHILD_CHECK(BoxShows(hwndLog, rcLatLabel, hFontNormal, c.lat));
            CHILD_CHECK(BoxShows(hwndLog, rcLonLabel, hFontNormal, c.lon));
            CHILD_CHECK(BoxShows(hwndLog, rcSatLabel, hFontNormal, L"Sat:") == (c.sat == 1));
            CHILD_CHECK(BoxShows(hwndLog, rcZoneLabel, hFontNormal, L"Z:") == (c.units != 0));
            // The DOP placeholder is left out only for the pseudo GGA.
            CHILD_CHECK(BoxShows(hwndLog, arcGpsBox[GPS_BOX_DOP], hFontBold, L"N/A") == !(c.format == 7 && c.pseudo));
            // The DOP box holds its label's widest text.
            CHILD_CHECK(rcDopLabel.right - rcDopLabel.left >= TextSize(hwndLog, hFontNormal, c.dop).cx);
        }
        PostMessage(hwndMain, WM_CLOSE, 0, 0);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// The state line by kind and survey mode (an unknown mode clears it and writes nothing), the file line clipped to
// its box, and the pause hint by the pause key setting, erased again, on a narrow and a wide screen.
TEST(StatusPanelLines, StatusLineAndPauseHintPerState)
{
    for (int width : {960, 1280}) {
        const Build b = {"lines", INSTRUMENT_EM61MK2, width, 800, 0, 1};
        ChildResult r = RunProgramInChild(StartOf(b), [&]() {
            UseBuild(b);
            LayOut();
            ShowLogScreen();
            const wchar_t *aszMode[3] = {L"Auto", L"Wheel", L"Manual"};
            const wchar_t *aszKind[4] = {nullptr, L"Monitoring", L"Stand By", L"Logging"};
            for (int mode = 0; mode < 3; mode++)
                for (unsigned kind = 1; kind <= 3; kind++) {
                    nSurveyModePrev = mode;
                    DrawStatusLine(kind);
                    std::wstring text = std::wstring(aszKind[kind]) + L" (" + aszMode[mode] + L")";
                    CHILD_CHECK(BoxShows(hwndLog, rcStatusLineText, hFontNormal, text));
                }
            nSurveyModePrev = 5;
            DrawStatusLine(3);
            CHILD_CHECK(!BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Logging (Manual)"));
            CHILD_CHECK(!BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Logging (Auto)"));
            nSurveyModePrev = 0;

            // A long file name stays inside its box: nothing dark just right of it.
            strcpy(szDataFileName, "A_VERY_LONG_DATA_FILE_NAME_THAT_DOES_NOT_FIT_0123456789");
            DrawStatusLine(0);
            CHILD_CHECK(BoxShows(hwndLog, rcFileNameText, hFontNormal, L"File:"));
            {
                HDC hdc = GetDC(hwndLog);
                int nDark = 0;
                for (int y = rcFileNameText.top; y < rcFileNameText.bottom; y++) {
                    COLORREF c = GetPixel(hdc, rcFileNameText.right + 1, y);
                    nDark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
                }
                ReleaseDC(hwndLog, hdc);
                CHILD_CHECK(nDark == 0);
            }

            const wchar_t *aszSecond[4] = {L"press any key to pause", L"press <ENTER> to pause",
                                           L"<Space Bar> to pause", L"press key <P> pause"};
            HFONT hFont = nClientWidth < 1000 ? hFontNormal : hFontLight;
            const int w = rcPauseHintArea.right - rcPauseHintArea.left;
            const int nStep = std::max((int)nTextHeight, (int)TextSize(hwndLog, hFont, L"Tap").cy);
            for (int key = 0; key < 4; key++) {
                nPauseKey = key;
                DrawPauseHint(-1);
                DrawPauseHint(1);
                const std::wstring first = L"Tap/Click PAUSE button or";
                CHILD_CHECK(screentext::ShowsText(hwndLog,
                                                  rcPauseHintArea.left + (w - TextSize(hwndLog, hFont, first).cx) / 2,
                                                  rcPauseHintArea.top + nStep, hFont, first));
                CHILD_CHECK(screentext::ShowsText(
                    hwndLog, rcPauseHintArea.left + (w - TextSize(hwndLog, hFont, aszSecond[key]).cx) / 2,
                    rcPauseHintArea.top + 2 * nStep, hFont, aszSecond[key]));
            }
            // Erased: no dark pixel left in the hint area.
            DrawPauseHint(-1);
            HDC hdc = GetDC(hwndLog);
            int nDark = 0;
            for (int y = rcPauseHintArea.top; y < rcPauseHintArea.bottom; y++)
                for (int x = rcPauseHintArea.left; x < rcPauseHintArea.right; x++) {
                    COLORREF c = GetPixel(hdc, x, y);
                    nDark += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
                }
            ReleaseDC(hwndLog, hdc);
            CHILD_CHECK(nDark == 0);
            PostMessage(hwndMain, WM_CLOSE, 0, 0);
            return 0;
        });
        EXPECT_TRUE(r.exited) << width;
        EXPECT_EQ(r.exitCode, 0) << width;
    }
}

}  // namespace

namespace {

// Strictly inside: a box on a frame's line touches it.
bool Inside(const RECT &inner, const RECT &outer)
{
    return inner.left > outer.left && inner.right < outer.right && inner.top > outer.top && inner.bottom < outer.bottom;
}

bool Meets(const RECT &a, const RECT &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

std::wstring Wide(const char *sz) { return std::wstring(sz, sz + strlen(sz)); }

struct Ink {
    const char *name;
    RECT rc;
};

// The boxes of the station and GPS groups: a value box is filled when its value is written, so it counts whole
// and at least as wide as its widest value; a label counts as far as its text's ink.
std::vector<Ink> GroupBoxes()
{
    struct Box {
        const char *name;
        const RECT *prc;
        HFONT *pFont;
        const wchar_t *text;
        bool bValue;
    };
    const bool bGrid = nCoordUnits != 0;
    const bool bGeodetic = nCoordUnits == 0 && nGpsFormat < 7;
    const Box aBox[] = {
        {"file", &rcFileNameText, &hFontNormal, L"File:        ", true},
        {"line label", &rcLineNameLabel, &hFontNormal, L"Curr. Line:", false},
        {"line", &rcLineNameValue, &hFontNormal, L"88888.88", true},
        {"station label", &rcStationLabel, &hFontNormal, L"Station:", false},
        {"station", &rcStatusStation, &hFontBold, L"-88888.88", true},
        {"readings label", &rcTotalStationsLabel, &hFontNormal, L"Tot. Stns:", false},
        {"readings", &rcStatusCount, &hFontNormal, L"8888888", true},
        {"time label", &rcTotalTimeLabel, &hFontNormal, L"Tot. Time:", false},
        {"time", &rcStatusTime, &hFontNormal, L"00:00:00", true},
        {"positions label", &rcPositionsLabel, &hFontNormal, L"Positions:", false},
        {"positions", &arcGpsBox[GPS_BOX_POSITIONS], &hFontNormal, L"88888", true},
        {"quality", &arcGpsBox[GPS_BOX_QUALITY], &hFontBold, L"NO FIX", true},
        {"lamp 1", &arcGpsBox[GPS_BOX_LAMP1], &hFontNormal, L"", true},
        {"lamp 2", &arcGpsBox[GPS_BOX_LAMP2], &hFontNormal, L"", true},
        {"dop label", &rcDopLabel, &hFontNormal, DopLabelText(), false},
        {"dop", &arcGpsBox[GPS_BOX_DOP], &hFontBold, bGpsEnabled > 0 ? L"88.8" : L"GPS Disabled", true},
        {"satellites label", &rcSatLabel, &hFontNormal, L"Sat:", false},
        {"satellites", &arcGpsBox[GPS_BOX_SATELLITES], &hFontBold, L"88", true},
        {"latitude label", &rcLatLabel, &hFontNormal, bGeodetic ? L"Lat:" : L"N:", false},
        {"latitude", &arcGpsBox[GPS_BOX_LATITUDE], &hFontNormal, bGeodetic ? L"W-888 88 88.888888" : L"-88888888.88 USft", true},
        {"longitude label", &rcLonLabel, &hFontNormal, bGeodetic ? L"Lon:" : L"E:", false},
        {"longitude", &arcGpsBox[GPS_BOX_LONGITUDE], &hFontNormal, bGeodetic ? L"W-888 88 88.888888" : L"-88888888.88 USft", true},
        {"zone label", &rcZoneLabel, &hFontNormal, bGrid ? L"Z:" : nullptr, false},  // grid coordinates only
        {"zone", &arcGpsBox[GPS_BOX_ZONE], &hFontNormal, bGrid ? L"33" : nullptr, true},
    };
    std::vector<Ink> v;
    for (const Box &b : aBox) {
        if (!b.text) continue;
        // Without GPS the GPS group shows "GPS Disabled" in the DOP box alone.
        if (bGpsEnabled <= 0 && (&b - aBox) >= 9 && strcmp(b.name, "dop") != 0) continue;
        RECT rc = *b.prc;
        if (*b.text) {
            const SIZE s = TextSize(hwndLog, *b.pFont, b.text);
            if (b.bValue) {
                rc.right = std::max(rc.right, rc.left + s.cx);
                rc.bottom = std::max(rc.bottom, rc.top + s.cy);
            } else {
                rc = RECT{rc.left, rc.top, rc.left + s.cx, rc.top + s.cy};
            }
        }
        v.push_back({b.name, rc});
    }
    return v;
}

// The visible child windows of the logging screen, in its client coordinates.
std::vector<std::pair<HWND, RECT>> VisibleChildren()
{
    std::vector<HWND> v = {hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI,
                           hwndNumbers, hwndSpeed, hwndMap, hwndPauseButton};
    for (HWND h : hwndLogButtons) v.push_back(h);
    for (HWND h : hwndLogButtonsAlt) v.push_back(h);
    for (HWND h : hwndMapViewButtons) v.push_back(h);
    for (HWND h : hwndChannelBoxes) v.push_back(h);
    for (HWND h : hwndChannelBoxes2) v.push_back(h);
    RECT rcLog;
    GetWindowRect(hwndLog, &rcLog);
    std::vector<std::pair<HWND, RECT>> out;
    for (HWND h : v) {
        if (!h || !IsWindowVisible(h)) continue;
        RECT rc;
        GetWindowRect(h, &rc);
        out.push_back({h, RECT{rc.left - rcLog.left, rc.top - rcLog.top, rc.right - rcLog.left, rc.bottom - rcLog.top}});
    }
    return out;
}

// The ink of a drawn text: the box of its dark pixels, drawn alone in whichever panel font gives its cell's size
// (for a text in the narrow face, the dark pixels the screen shows within its cell).
RECT TextInk(const DrawnText &t)
{
    const int w = t.cell.right - t.cell.left, h = t.cell.bottom - t.cell.top;
    for (HFONT font : {hFontNormal, hFontBold, hFontLight}) {
        const SIZE s = TextSize(hwndLog, font, t.text);
        if (s.cx != w || s.cy != h || w <= 0 || h <= 0) continue;
        HDC mem = PlatformCreateMemorySurface(w, h);
        SelectObject(mem, font);
        SetBkMode(mem, TRANSPARENT);
        SetTextColor(mem, RGB(0, 0, 0));
        TextOut(mem, 0, 0, t.text.c_str(), (int)t.text.size());
        RECT ink = {w, h, 0, 0};
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                const COLORREF c = GetPixel(mem, x, y);
                if (GetRValue(c) + GetGValue(c) + GetBValue(c) > 600) continue;
                ink = RECT{std::min((int)ink.left, x), std::min((int)ink.top, y), std::max((int)ink.right, x + 1),
                           std::max((int)ink.bottom, y + 1)};
            }
        DeleteDC(mem);
        if (ink.right <= ink.left) return RECT{t.cell.left, t.cell.top, t.cell.left, t.cell.top};
        return RECT{t.cell.left + ink.left, t.cell.top + ink.top, t.cell.left + ink.right, t.cell.top + ink.bottom};
    }
    // A text in the narrow face: the dark pixels its window shows within its cell.
    RECT rcClient;
    GetClientRect(t.window, &rcClient);
    HDC hdc = GetDC(t.window);
    RECT ink = {t.cell.right, t.cell.bottom, t.cell.left, t.cell.top};
    for (int y = std::max(0, (int)t.cell.top); y < std::min(t.cell.bottom, rcClient.bottom); y++)
        for (int x = std::max(0, (int)t.cell.left); x < std::min(t.cell.right, rcClient.right); x++) {
            const COLORREF c = GetPixel(hdc, x, y);
            if (GetRValue(c) + GetGValue(c) + GetBValue(c) > 600) continue;
            ink = RECT{std::min((int)ink.left, x), std::min((int)ink.top, y), std::max((int)ink.right, x + 1),
                       std::max((int)ink.bottom, y + 1)};
        }
    ReleaseDC(t.window, hdc);
    if (ink.right <= ink.left) return t.cell;
    return ink;
}

// The instruments whose readings fill the marker box (the EM61s and the conductivity meters but the EM38-4).
bool WritesMarkerBox()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2:
    case INSTRUMENT_EM61LX2:
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM34:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2: return true;
    default: return false;
    }
}

struct NamedBox {
    const char *name;
    const RECT *prc;
};

// The boxes filled between paints but the marker box and the EM34-3's manual-mode hint: the EM61-LX2's target lamps
// and alarm letters (shown whenever the alarm is set, with no new arrangement), the map size (with the map), the
// mode, voltage, current and lamp boxes, the tilt values and the GPS boxes (the pseudo GGA's extras where written).
std::vector<NamedBox> BoxesFilledBetweenPaints()
{
    std::vector<NamedBox> boxes = {{"on the target lamp", &arcTargetLampBox[0]},
                                   {"on the target lamp", &arcTargetLampBox[1]},
                                   {"on the target lamp", &arcTargetLampBox[2]},
                                   {"on the alarm letter", &rcModeLetterBox1},
                                   {"on the alarm letter", &rcModeLetterBox2},
                                   {"on the mode", &rcStatusMode},
                                   {"on the voltage", &rcStatusVoltage},
                                   {"on the current", &rcStatusCurrent},
                                   {"on the lamp", &rcLamp1},
                                   {"on the lamp", &rcLamp2},
                                   {"on the tilt roll", &rcTiltRollValue},
                                   {"on the tilt pitch", &rcTiltPitchValue},
                                   {"on the station", &rcStatusStation},
                                   {"on the readings", &rcStatusCount},
                                   {"on the time", &rcStatusTime}};
    if (bGpsActive == 1) boxes.push_back({"on the map size", &rcMapSizeText});
    // The pseudo GGA's extras are written for every instrument but the EM61-LX2.
    const bool bExtras = nGpsFormat == 7 && bPseudoGga == 1 && nInstrumentType != INSTRUMENT_EM61LX2;
    if (bGpsEnabled > 0)
        for (int i = 0; i < GPS_BOX_COUNT; i++)
            if (bExtras || i < GPS_BOX_EXTRA1 || i > GPS_BOX_EXTRA3) boxes.push_back({"on a GPS box", &arcGpsBox[i]});
    return boxes;
}

// A box filled between paints lies in the client area short of the frame line, under no visible child window, off
// both status group frames and apart from each of the boxes given.
int CheckBoxApart(const std::string &what, const char *szBox, const RECT &rcBox, const std::vector<NamedBox> &boxes)
{
    RECT rcClient;
    GetClientRect(hwndLog, &rcClient);
    int nBad = 0;
    auto Report = [&](const char *problem, const RECT &rc) {
        fprintf(stderr, "%s: %s {%d %d %d %d} %s {%d %d %d %d}\n", what.c_str(), szBox, (int)rcBox.left,
                (int)rcBox.top, (int)rcBox.right, (int)rcBox.bottom, problem, (int)rc.left, (int)rc.top,
                (int)rc.right, (int)rc.bottom);
        nBad++;
    };
    if (rcBox.left < 0 || rcBox.top < 0 || rcBox.right > rcClient.right - 15 || rcBox.bottom > rcClient.bottom)
        Report("off the screen", rcClient);
    for (const auto &child : VisibleChildren())
        if (Meets(rcBox, child.second)) Report("under a window", child.second);
    RECT a, b;
    StatusGroupFrames(&a, &b);
    for (const RECT &frame : {a, b}) {
        const RECT aLine[4] = {{frame.left, frame.top, frame.right, frame.top + 1},
                               {frame.left, frame.bottom - 1, frame.right, frame.bottom},
                               {frame.left, frame.top, frame.left + 1, frame.bottom},
                               {frame.right - 1, frame.top, frame.right, frame.bottom}};
        for (const RECT &line : aLine)
            if (Meets(rcBox, line)) Report("on a group frame", frame);
    }
    for (const NamedBox &n : boxes)
        if (n.prc->right > n.prc->left && n.prc->bottom > n.prc->top && Meets(rcBox, *n.prc)) Report(n.name, *n.prc);
    return nBad;
}

bool Em34Manual() { return nInstrumentType == INSTRUMENT_EM34 && nSurveyMode == 2; }

// The marker box, filled by every reading, keeps apart from every other box filled between paints and from the
// EM34-3's "Push switch RECORD" hint of the manual mode.
int CheckMarkerBox(const std::string &what)
{
    if (!WritesMarkerBox() || bInstrumentEnabled <= 0) return 0;
    std::vector<NamedBox> boxes = BoxesFilledBetweenPaints();
    if (Em34Manual()) boxes.push_back({"on the manual mode's hint", &rcHintLine});
    return CheckBoxApart(what, "marker box", rcStatusMarker, boxes);
}

// The EM34-3's manual mode writes "Push switch RECORD" (and "Sample %-3d of %-3d" during a sample series) into its
// box while logging: the box keeps apart from the marker box and every other box filled between paints.
int CheckHintLine(const std::string &what)
{
    if (!Em34Manual() || bInstrumentEnabled <= 0) return 0;
    std::vector<NamedBox> boxes = BoxesFilledBetweenPaints();
    boxes.push_back({"on the marker box", &rcStatusMarker});
    return CheckBoxApart(what, "manual mode's hint", rcHintLine, boxes);
}

// A reading lights "MARKER" in its box: it shows whole, and the texts beside it still show: the EM61-LX2's alarm
// letters with its alarm set (also after the map size is written beside them), the pseudo GGA's "SLAM:" where the
// tilt line is painted, the EM34-3's "Push switch RECORD" where bHintShown says it was written. A picture where one
// is named.
int CheckMarkerLit(const std::string &what, const std::string &png = "", bool bHintShown = false)
{
    if (!WritesMarkerBox() || bInstrumentEnabled <= 0) return 0;
    HDC hdc = GetDC(hwndLog);
    WriteStatusBox(hdc, rcStatusMarker, hFontBold, L"MARKER");
    ReleaseDC(hwndLog, hdc);
    int nBad = 0;
    auto Expect = [&](bool bShown, const char *text) {
        if (bShown) return;
        const RECT &rc = rcStatusMarker;
        fprintf(stderr, "%s: %s not shown with the marker lit in {%d %d %d %d}\n", what.c_str(), text, (int)rc.left,
                (int)rc.top, (int)rc.right, (int)rc.bottom);
        nBad++;
    };
    Expect(BoxShows(hwndLog, rcStatusMarker, hFontBold, L"MARKER"), "MARKER");
    if (!png.empty()) CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/") + png));
    if (nInstrumentType == INSTRUMENT_EM61LX2 && nAlarmType > 0) {
        const wchar_t *szLetter = nAlarmChannel == 0 ? L"E" : nAlarmChannel == 1 ? L"L" : L"F";
        Expect(BoxShows(hwndLog, rcModeLetterBox1, hFontNormal, szLetter), "the left alarm letter");
        Expect(BoxShows(hwndLog, rcModeLetterBox2, hFontNormal, szLetter), "the right alarm letter");
        // The map size, written again (a zoom), fills its box beside them.
        if (bGpsActive == 1) {
            DrawMapSizeText();
            Expect(BoxShows(hwndLog, rcModeLetterBox2, hFontNormal, szLetter),
                   "the right alarm letter beside the map size");
        }
    }
    if (MeasureTiltLineWidth(hwndLog) > 0) Expect(BoxShows(hwndLog, rcSlamLabel, hFontNormal, L"SLAM:"), "SLAM:");
    if (bHintShown)
        Expect(BoxShows(hwndLog, rcHintLine, hFontBold, L"Push switch RECORD"), "the manual mode's hint");
    return nBad;
}

// The map size written again (a zoom) leaves the map channel title beside it as it was, pixel for pixel: on a small
// map the title may stand in the part of the map size's box that the text leaves free.
std::vector<COLORREF> LogScreenPixels(const RECT &rc)
{
    std::vector<COLORREF> v;
    HDC hdc = GetDC(hwndLog);
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) v.push_back(GetPixel(hdc, x, y));
    ReleaseDC(hwndLog, hdc);
    return v;
}

int CheckTitleBesideMapSize(const std::string &what)
{
    if (bGpsActive != 1) return 0;
    const RECT rc = rcMapChannelTitle;
    const std::vector<COLORREF> before = LogScreenPixels(rc);
    DrawMapSizeText();
    if (LogScreenPixels(rc) == before) return 0;
    fprintf(stderr, "%s: the map size written again changed the map channel title {%d %d %d %d} (map size box {%d %d})\n",
            what.c_str(), (int)rc.left, (int)rc.top, (int)rc.right, (int)rc.bottom, (int)rcMapSizeText.left,
            (int)rcMapSizeText.right);
    return 1;
}

// Everything the status panel shows stays whole, apart and in its place:
// - every group box (a value box with its widest value) lies within one of the two group frames, and no two meet;
// - every text the paint drew lies in the client area, uncut, under no visible child window, off the marker box and
//   apart from every other text; a text that starts within a group frame ends there too, and any other text keeps
//   off both frames.
int CheckTextsInFrames(const std::string &what)
{
    RECT a, b;
    StatusGroupFrames(&a, &b);
    RECT rcClient;
    GetClientRect(hwndLog, &rcClient);
    int nBad = 0;
    auto Report = [&](const char *kind, const std::wstring &name, const RECT &rc, const std::wstring &other = L"") {
        if (nBad++ > 12) return;
        fprintf(stderr, "%s: %s %ls {%d %d %d %d}%s%ls (frames {%d %d %d %d} {%d %d %d %d})\n", what.c_str(), kind,
                name.c_str(), (int)rc.left, (int)rc.top, (int)rc.right, (int)rc.bottom, other.empty() ? "" : " against ",
                other.c_str(), (int)a.left, (int)a.top, (int)a.right, (int)a.bottom, (int)b.left, (int)b.top,
                (int)b.right, (int)b.bottom);
    };
    if (Meets(a, b)) Report("frames meet", L"", a);
    const std::vector<Ink> boxes = GroupBoxes();
    for (size_t i = 0; i < boxes.size(); i++) {
        if (!Inside(boxes[i].rc, a) && !Inside(boxes[i].rc, b)) Report("box outside its frame", Wide(boxes[i].name), boxes[i].rc);
        for (size_t k = i + 1; k < boxes.size(); k++)
            if (Meets(boxes[i].rc, boxes[k].rc)) Report("boxes meet", Wide(boxes[i].name), boxes[i].rc, Wide(boxes[k].name));
    }
    const auto children = VisibleChildren();
    std::vector<std::pair<std::wstring, RECT>> texts;
    for (const DrawnText &t : PlatformDrawnTexts()) {
        if (t.window != hwndLog) continue;
        const RECT ink = TextInk(t);
        if (ink.right <= ink.left) continue;  // blanks
        bool bSeen = false;
        for (const auto &seen : texts)
            bSeen = bSeen || (seen.first == t.text && seen.second.left == ink.left && seen.second.top == ink.top);
        if (bSeen) continue;
        if (ink.left < t.bounds.left || ink.right > t.bounds.right || ink.top < t.bounds.top ||
            ink.bottom > t.bounds.bottom)
            Report("cut text", t.text, ink);
        if (ink.left < 0 || ink.top < 0 || ink.right > rcClient.right || ink.bottom > rcClient.bottom)
            Report("text off the screen", t.text, ink);
        const RECT rcStart = {ink.left, ink.top, ink.left + 1, ink.top + 1};
        bool bInFrame = false;
        for (const RECT &frame : {a, b}) {
            if (Inside(rcStart, frame)) {
                bInFrame = true;
                if (!Inside(ink, frame)) Report("text leaves its frame", t.text, ink);
            }
        }
        if (!bInFrame)
            for (const RECT &frame : {a, b})
                if (Meets(ink, frame)) Report("text on a frame", t.text, ink);
        for (const auto &child : children)
            if (Meets(ink, child.second)) {
                wchar_t szClass[64];
                swprintf(szClass, 64, L"child {%d %d %d %d}", (int)child.second.left, (int)child.second.top,
                         (int)child.second.right, (int)child.second.bottom);
                Report("text under a window", t.text, ink, szClass);
            }
        for (const auto &other : texts)
            if (Meets(ink, other.second)) Report("texts meet", t.text, ink, other.first);
        // The marker box is filled by every reading between paints: nothing the paint writes may lie under it
        // (the EM61-LX2's alarm letters and the pseudo GGA's tilt line among them).
        if (WritesMarkerBox() && Meets(ink, rcStatusMarker)) Report("text under the marker box", t.text, ink);
        // So is the EM34-3's manual-mode hint while logging.
        if (Em34Manual() && t.text != L"Push switch RECORD" && Meets(ink, rcHintLine))
            Report("text under the manual mode's hint", t.text, ink);
        texts.push_back({t.text, ink});
    }
    return nBad;
}

// The instrument's numbers rows with its widest values, as the reading handlers write them (the conductivity
// meters light both lamps of the logging screen on the way).
void DrawNumbersRows()
{
    HDC hdc = GetDC(hwndNumbers);
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2: DrawChannelValues(hdc, -88888.8, -88888.8, -88888.8, -88888.8); break;
    case INSTRUMENT_EM61LX2:
        if (nSensorsMinus1 == 1) DrawEm61Lx2DualNumbers(hdc, -8888.8, -8888.8, -8888.8, -8888.8, -8888.8, -8888.8);
        else DrawEm61Lx2Numbers(hdc, -8888.8, -8888.8, -8888.8);
        break;
    case INSTRUMENT_GRAD601: DrawReadingNumbersGrad(hdc, -88888.8, -88888.8); break;
    case INSTRUMENT_EM31MK2: DrawEm31Mk2Numbers(hdc, 0, cDipoleMode == 'V' ? 'H' : 'V', 88888, -8888.88, -8888.88, 0); break;
    case INSTRUMENT_EM34: DrawEm34Numbers(hdc, 0, 'V', 88888, -8888.88, 88); break;
    case INSTRUMENT_EM38:
        DrawEm38Numbers(hdc, 1, cDipoleMode == 'V' ? 'H' : 'V', 88888, -8888.88, 0);
        DrawEm38Numbers(hdc, 0, 'V', 88888, -8888.88, 3);
        break;
    case INSTRUMENT_EM38MK2: DrawEm38Mk2Numbers(hdc, 'V', -8888.88, -8888.88, -8888.88, -8888.88); break;
    case INSTRUMENT_EM384:
        DrawEm384Numbers(hdc, 'H', -8888.88, -8888.88, -8888.88, -8888.88, -8888.88, -8888.88, -8888.88, -8888.88);
        break;
    case INSTRUMENT_CS21:
        DrawDualEmNumbers(hdc, '1', -8888.88, -8888.88, -8888.88, -8888.88);
        DrawDualEmNumbers(hdc, '2', -8888.88, -8888.88, -8888.88, -8888.88);
        break;
    default: break;
    }
    ReleaseDC(hwndNumbers, hdc);
}

// Every text of the numbers window lies wholly inside it; with the EM38-4's display mode 1 the seven texts of the
// inversion panel are on the logging screen (where the frame check finds them whole and uncovered).
int CheckNumbersRows(const std::string &what, int bInversion)
{
    RECT rc;
    GetClientRect(hwndNumbers, &rc);
    int nBad = 0, nPanel = 0;
    for (const wchar_t *sz : {L"T1: 24.19   ", L"T2: 20.75   ", L"INV: Th 0.95 ", L"C1 50.0   ", L"C2 86.3   ",
                              L"RMS 3.2    ", L"Itr 6  "}) {
        bool bShown = false;
        for (const DrawnText &t : PlatformDrawnTexts()) bShown = bShown || (t.window == hwndLog && t.text == sz);
        nPanel += bShown;
    }
    for (const DrawnText &t : PlatformDrawnTexts()) {
        if (t.window != hwndNumbers) continue;
        if (t.cell.left < rc.left || t.cell.top < rc.top || t.cell.right > rc.right || t.cell.bottom > rc.bottom) {
            fprintf(stderr, "%s: numbers row %ls {%d %d %d %d} outside the numbers window %d x %d\n", what.c_str(),
                    t.text.c_str(), (int)t.cell.left, (int)t.cell.top, (int)t.cell.right, (int)t.cell.bottom,
                    (int)rc.right, (int)rc.bottom);
            nBad++;
        }
    }
    // No two texts of the numbers window meet: labels and values stay apart and whole (a row written again in
    // its place replaces the old one).
    struct Written {
        std::wstring text;
        RECT ink, cell;
    };
    std::vector<Written> inks;
    for (const DrawnText &t : PlatformDrawnTexts()) {
        if (t.window != hwndNumbers) continue;
        const RECT ink = TextInk(t);
        if (ink.right <= ink.left) continue;
        for (const Written &other : inks)
            if (Meets(ink, other.ink) && !(other.cell.left == t.cell.left && other.cell.top == t.cell.top)) {
                fprintf(stderr, "%s: numbers text %ls {%d %d %d %d} meets %ls\n", what.c_str(), t.text.c_str(),
                        (int)ink.left, (int)ink.top, (int)ink.right, (int)ink.bottom, other.text.c_str());
                nBad++;
            }
        inks.push_back({t.text, ink, t.cell});
    }
    if (nPanel != (bInversion ? 7 : 0)) {
        fprintf(stderr, "%s: %d texts of the inversion panel on the logging screen\n", what.c_str(), nPanel);
        nBad++;
    }
    return nBad;
}

// The texts of the conductivity meters' dipole and component rows keep within their boxes.
int CheckModeRowTexts(const std::string &what)
{
    int nBad = 0;
    for (const DrawnText &t : PlatformDrawnTexts()) {
        if (t.window != hwndLog) continue;
        for (const RECT *prc : {&rcBatteryLabel, &rcCurrentLabel}) {
            if (t.cell.left != prc->left || t.cell.top != prc->top) continue;
            const RECT ink = TextInk(t);
            if (ink.right > prc->right || ink.left < prc->left) {
                fprintf(stderr, "%s: %ls {%d %d %d %d} runs past its box {%d %d %d %d}\n", what.c_str(),
                        t.text.c_str(), (int)ink.left, (int)ink.top, (int)ink.right, (int)ink.bottom, (int)prc->left,
                        (int)prc->top, (int)prc->right, (int)prc->bottom);
                nBad++;
            }
        }
    }
    return nBad;
}

// The lost-link notice over the numbers window, in the box the link watch gives the instrument: each line whole in
// the box; then data returns (the labels, as the watch and the readers draw them, and a reading): nothing of its
// red is left.
int CheckLostLinkNotice(const std::string &what)
{
    if (!IsWindowVisible(hwndNumbers)) return 0;
    int nBad = 0;
    const RECT rcBox = nInstrumentType == INSTRUMENT_EM61MK2 ? rcSidePanelValues : rcSidePanel;
    RECT rcWindow;
    GetClientRect(hwndNumbers, &rcWindow);
    PlatformClearDrawnTexts();
    ShowLostConnectionNotice(rcBox);
    for (const DrawnText &t : PlatformDrawnTexts()) {
        if (t.window != hwndNumbers) continue;
        const RECT ink = TextInk(t);
        // The ink within the box, the cell within the window (the window shows no more of it).
        if (ink.left < rcBox.left || ink.right > rcBox.right || ink.top < rcBox.top || ink.bottom > rcBox.bottom ||
            t.cell.left < rcWindow.left || t.cell.right > rcWindow.right || t.cell.top < rcWindow.top ||
            t.cell.bottom > rcWindow.bottom) {
            fprintf(stderr, "%s: notice text %ls {%d %d %d %d} leaves its box {%d %d %d %d} or its window %d x %d\n",
                    what.c_str(), t.text.c_str(), (int)t.cell.left, (int)t.cell.top, (int)t.cell.right, (int)t.cell.bottom,
                    (int)rcBox.left, (int)rcBox.top, (int)rcBox.right, (int)rcBox.bottom, (int)rcWindow.right,
                    (int)rcWindow.bottom);
            nBad++;
        }
    }
    HDC hdc = GetDC(hwndNumbers);
    DrawChannelLabels(hdc);
    ReleaseDC(hwndNumbers, hdc);
    DrawNumbersRows();
    hdc = GetDC(hwndNumbers);
    int nRed = 0;
    for (int y = 0; y < rcWindow.bottom; y++)
        for (int x = 0; x < rcWindow.right; x++) nRed += GetPixel(hdc, x, y) == RGB(255, 0, 0);
    ReleaseDC(hwndNumbers, hdc);
    if (nRed) {
        fprintf(stderr, "%s: %d pixels of the notice's red left on the numbers panel\n", what.c_str(), nRed);
        nBad++;
    }
    return nBad;
}

// Both warning lamps lie wholly inside the client area, left of the frame line at the right edge, under no visible
// child window and apart from every text of the logging screen.
int CheckLamps(const std::string &what)
{
    RECT rcClient;
    GetClientRect(hwndLog, &rcClient);
    int nBad = 0;
    for (const RECT *prc : {&rcLamp1, &rcLamp2}) {
        const RECT &rc = *prc;
        if (rc.right <= rc.left) continue;
        std::wstring problem;
        if (rc.left < 0 || rc.top < 0 || rc.right > rcClient.right - 15 || rc.bottom > rcClient.bottom)
            problem = L"off the screen";
        for (const auto &child : VisibleChildren())
            if (Meets(rc, child.second)) problem = L"under a window";
        if (Meets(rc, rcStatusVoltage) || Meets(rc, rcStatusCurrent)) problem = L"on the voltage or current box";
        for (const DrawnText &t : PlatformDrawnTexts())
            if (t.window == hwndLog && Meets(rc, TextInk(t))) problem = L"on the text " + t.text;
        if (!problem.empty()) {
            fprintf(stderr, "%s: lamp {%d %d %d %d} %ls\n", what.c_str(), (int)rc.left, (int)rc.top, (int)rc.right,
                    (int)rc.bottom, problem.c_str());
            nBad++;
        }
    }
    return nBad;
}

struct FrameCase {
    const char *name;
    int instrumentType;
};
void PrintTo(const FrameCase &c, std::ostream *os) { *os << c.name; }

class StatusFrames : public ::testing::TestWithParam<FrameCase> {};

// Screens (the window is the screen less a 38-pixel task bar, kept within 800 x 562 .. 1280 x 762 landscape and
// 640 x 986 .. 800 x 1242 portrait): the corners of both ranges, and each side of the large-font threshold.
const struct {
    int w, h;
} kScreens[] = {
    {800, 600},   // 800 x 562, the smallest landscape
    {1024, 600},  // 1024 x 562, the small font on the lowest landscape
    {1024, 768},  // 1024 x 730, the small font
    {1025, 600},  // 1025 x 562, the large font on the lowest landscape
    {1280, 600},  // 1280 x 562
    {1280, 800},  // 1280 x 762, the largest landscape
    {640, 1024},  // 640 x 986, the smallest portrait
    {640, 1039},  // 640 x 1001, the large font on the narrowest portrait
    {720, 1150},  // 720 x 1112
    {800, 1024},  // 800 x 986
    {800, 1280},  // 800 x 1242, the largest portrait
};

// Every size, with the map and without it, with and without GPS, geodetic and grid coordinates, the pseudo GGA,
// the tilt meter on and off, one and two sensors, the instrument enabled and disabled: every status text lies
// within its frame, the marker box keeps off everything else and, lit, leaves its neighbours whole (with the
// EM61-LX2's alarm set and in the EM34-3's manual mode too), and after a map toggle every box equals that of a
// fresh arrangement.
TEST_P(StatusFrames, EveryStatusTextLiesWithinItsFrame)
{
    const FrameCase c = GetParam();
    for (const auto &screen : kScreens) {
        const Build b = {c.name, c.instrumentType, screen.w, screen.h, 1, 1};
        SCOPED_TRACE(testing::Message() << screen.w << " x " << screen.h);
        ChildResult r = RunProgramInChild(StartOf(b), [b]() {
            PlatformAnswerDialog(L"MESSAGEOK", 1, true);
            const bool bTwoSensors = b.instrumentType == INSTRUMENT_EM61LX2 || b.instrumentType == INSTRUMENT_GRAD601;
            const bool bTilt = b.instrumentType == INSTRUMENT_EM61MK2;
            int nBad = 0;
            for (int gps : {1, 0, -1})  // map on, map off, no GPS
                for (int units : {0, 1})
                    for (int pseudo : {0, 1})
                        for (int sensors : {0, 1})
                            for (int tilt : {0, 1})
                                for (int instrument : {1, 0})
                                for (int inversion : {0, 1}) {
                                    if ((gps < 0 && (units || pseudo)) || (sensors && !bTwoSensors) ||
                                        (tilt && !bTilt) || (!instrument && (gps < 0 || units || pseudo || sensors || tilt)))
                                        continue;
                                    // The EM38-4's display mode 1 gives its second profile window to the
                                    // inversion panel.
                                    if (inversion && (b.instrumentType != INSTRUMENT_EM384 || !instrument || units ||
                                                      pseudo))
                                        continue;
                                    Build v = b;
                                    v.gps = gps > 0 ? 1 : 0;
                                    v.instrument = instrument;
                                    UseBuild(v);
                                    bGpsEnabled = gps >= 0;
                                    nCoordUnits = units;
                                    nGpsFormat = pseudo ? 7 : 1;
                                    bPseudoGga = pseudo;
                                    nSensorsMinus1 = sensors;
                                    bTiltMeterOn = tilt;
                                    nEm384DisplayMode = inversion;
                                    LayOut();
                                    PlatformClearDrawnTexts();
                                    ShowLogScreen();
                                    if (instrument) DrawNumbersRows();
                                    const std::string what =
                                        std::string(b.name) + " " + std::to_string(nClientWidth) + "x" +
                                        std::to_string(nClientHeight) +
                                        (gps > 0 ? " map" : gps == 0 ? " no map" : " no GPS") +
                                        (units ? " grid" : "") + (pseudo ? " pseudo-GGA" : "") +
                                        (sensors ? " two sensors" : "") + (tilt ? " tilt" : "") +
                                        (instrument ? "" : " GPS only") + (inversion ? " inversion panel" : "");
                                    nBad += CheckSamples(what.c_str());
                                    nBad += CheckTextsInFrames(what);
                                    nBad += CheckMarkerBox(what);
                                    nBad += CheckTitleBesideMapSize(what);
                                    // The tilt line under the marker box on a narrow portrait screen without the
                                    // map, before it moved.
                                    const bool bPortraitTiltPicture = b.instrumentType == INSTRUMENT_EM61MK2 &&
                                                                      b.screenWidth == 640 && b.screenHeight == 1024 &&
                                                                      gps == 0 && pseudo && !units && !tilt;
                                    nBad += CheckMarkerLit(what, bPortraitTiltPicture
                                                                     ? "status_frames_em61mk2_632x952_nomap_pseudo_gga_marker_lit.png"
                                                                     : "");
                                    // The EM61-LX2's alarm: its letters are painted on the title row; pictures of
                                    // the marker lit beside them on the small maps, where it moved.
                                    if (b.instrumentType == INSTRUMENT_EM61LX2 && instrument) {
                                        const int nAlarm = nAlarmType;
                                        nAlarmType = 1;
                                        nAlarmChannel = 0;
                                        PlatformClearDrawnTexts();
                                        ShowLogScreen();
                                        nBad += CheckTextsInFrames(what + " alarm");
                                        std::string png;
                                        if (gps > 0 && !units && !pseudo && b.screenHeight == 600 &&
                                            (b.screenWidth == 800 || b.screenWidth == 1280))
                                            png = std::string("status_frames_em61lx2_") + std::to_string(nClientWidth) +
                                                  "x" + std::to_string(nClientHeight) + "_map" +
                                                  (sensors ? "_two_sensors" : "") + "_alarm_marker_lit.png";
                                        nBad += CheckMarkerLit(what + " alarm", png);
                                        // The map size's box, filled whenever the map size is written, keeps off
                                        // the lamps and letters.
                                        for (const RECT *prc : {&arcTargetLampBox[0], &arcTargetLampBox[1],
                                                                &arcTargetLampBox[2], &rcModeLetterBox1, &rcModeLetterBox2})
                                            if (gps > 0 && prc->right > prc->left && Meets(*prc, rcMapSizeText)) {
                                                fprintf(stderr, "%s: map size box {%d %d} on the alarm lamps {%d %d}\n",
                                                        what.c_str(), (int)rcMapSizeText.left, (int)rcMapSizeText.right,
                                                        (int)prc->left, (int)prc->right);
                                                nBad++;
                                            }
                                        nAlarmType = nAlarm;
                                        PlatformClearDrawnTexts();
                                        ShowLogScreen();
                                        DrawNumbersRows();
                                    }
                                    // The EM34-3's manual mode, which writes "Push switch RECORD" into its box
                                    // on the title row while logging.
                                    if (b.instrumentType == INSTRUMENT_EM34 && instrument) {
                                        const int nMode = nSurveyMode;
                                        nSurveyMode = 2;
                                        LayOut();
                                        PlatformClearDrawnTexts();
                                        ShowLogScreen();
                                        nBad += CheckTextsInFrames(what + " manual");
                                        nBad += CheckMarkerBox(what + " manual");
                                        nBad += CheckHintLine(what + " manual");
                                        // Logging: the hint is written, a GPS reading writes the pseudo GGA's
                                        // extras, then a reading lights the marker: the hint still shows whole. A
                                        // picture where the title row has no room for all of them (no map): on the
                                        // smallest landscape and the narrowest portrait.
                                        std::string png;
                                        if (gps == 0 && pseudo && !units && b.screenWidth == 800 && b.screenHeight == 600)
                                            png = "status_frames_em34_792x528_nomap_pseudo_gga_manual_hint_marker_lit.png";
                                        if (gps == 0 && pseudo && !units && b.screenWidth == 640 && b.screenHeight == 1024)
                                            png = "status_frames_em34_632x952_nomap_pseudo_gga_manual_hint_marker_lit.png";
                                        HDC hdc = GetDC(hwndLog);
                                        WriteStatusBox(hdc, rcHintLine, hFontBold, L"Push switch RECORD");
                                        if (pseudo)  // a GPS reading writes the pseudo GGA's extras
                                            for (int i = GPS_BOX_EXTRA1; i <= GPS_BOX_EXTRA3; i++)
                                                WriteStatusBox(hdc, arcGpsBox[i], hFontNormal, L"-888.888");
                                        ReleaseDC(hwndLog, hdc);
                                        nBad += CheckMarkerLit(what + " manual", png, true);
                                        nSurveyMode = nMode;
                                        LayOut();
                                        PlatformClearDrawnTexts();
                                        ShowLogScreen();
                                        DrawNumbersRows();
                                    }
                                    nBad += CheckNumbersRows(what, inversion);
                                    if (instrument && !units && !pseudo && !tilt) nBad += CheckLostLinkNotice(what);
                                    // The lamps of the conductivity meters' panels.
                                    const int t = b.instrumentType;
                                    if (instrument && (t == INSTRUMENT_EM31MK2 || t == INSTRUMENT_EM34 ||
                                                       t == INSTRUMENT_EM38 || t == INSTRUMENT_EM38MK2)) {
                                        nBad += CheckLamps(what);
                                        nBad += CheckModeRowTexts(what);
                                        // Every component's text of the EM31-MK2 and the EM38 ("Component:
                                        // Conductivity" the longest).
                                        if (t == INSTRUMENT_EM31MK2 || t == INSTRUMENT_EM38) {
                                            const int nComp = nComponent;
                                            for (int comp = 0; comp <= (t == INSTRUMENT_EM38 ? 1 : 2); comp++) {
                                                nComponent = comp;
                                                PlatformClearDrawnTexts();
                                                ShowLogScreen();
                                                nBad += CheckModeRowTexts(what + " component " + std::to_string(comp));
                                            }
                                            nComponent = nComp;
                                            PlatformClearDrawnTexts();
                                            ShowLogScreen();
                                            DrawNumbersRows();
                                        }
                                    }
                                    // The pseudo GGA's tilt line is shown where it moves: under the speed bar
                                    // of the smallest landscape.
                                    const bool bTiltLinePicture =
                                        pseudo && b.screenWidth == 800 && b.screenHeight == 600 && gps > 0;
                                    if (units == 0 && sensors == 0 && tilt == 0 && (pseudo == 0 || bTiltLinePicture))
                                        CHILD_CHECK(PlatformSaveWindowPng(
                                            hwndLog, std::string(TEST_OUTPUT_DIR "/status_frames_") + b.name + "_" +
                                                         std::to_string(nClientWidth) + "x" +
                                                         std::to_string(nClientHeight) +
                                                         (gps > 0 ? "_map" : gps == 0 ? "_nomap" : "_nogps") +
                                                         (instrument ? "" : "_gpsonly") +
                                                         (inversion ? "_inversion" : "") +
                                                         (pseudo ? "_pseudo_gga_tilt_line" : "") + ".png"));
                                    // The map channel title of every view, live and in map review: whole and
                                    // clear of its neighbours (the EM61-LX2's with its alarm lamps shown too);
                                    // one picture of a title squeezed between the state line and the map size,
                                    // and one of the EM31-MK2's live title on the lowest small-font screen.
                                    if (gps > 0 && instrument && !inversion && !units && !sensors && !tilt) {
                                        const int nView = nColorMapView, nAlarm = nAlarmType;
                                        for (int alarm : {0, 1}) {
                                            if (alarm && b.instrumentType != INSTRUMENT_EM61LX2) continue;
                                            nAlarmType = alarm;
                                            for (int review : {1, 0})
                                            for (int v = 1; v <= 8; v++) {
                                                bMapReviewMode = review;
                                                nColorMapView = v;
                                                PlatformClearDrawnTexts();
                                                ShowLogScreen();
                                                nBad += CheckTextsInFrames(what + (review ? " review" : " live") +
                                                                           " view " + std::to_string(v) +
                                                                           (alarm ? " alarm" : ""));
                                                if (!pseudo && review && v == 3 &&
                                                    b.instrumentType == INSTRUMENT_EM38MK2 && b.screenWidth == 800 &&
                                                    b.screenHeight == 600)
                                                    CHILD_CHECK(PlatformSaveWindowPng(
                                                        hwndLog, std::string(TEST_OUTPUT_DIR
                                                                             "/status_frames_em38mk2_792x528_review_title_squeezed.png")));
                                                if (!pseudo && !review && v == 1 &&
                                                    b.instrumentType == INSTRUMENT_EM31MK2 && b.screenWidth == 1024 &&
                                                    b.screenHeight == 600)
                                                    CHILD_CHECK(PlatformSaveWindowPng(
                                                        hwndLog, std::string(TEST_OUTPUT_DIR
                                                                             "/status_frames_em31mk2_1016x528_live_title.png")));
                                            }
                                        }
                                        nAlarmType = nAlarm;
                                        bMapReviewMode = 0;
                                        nColorMapView = nView;
                                        PlatformClearDrawnTexts();
                                        ShowLogScreen();
                                    }
                                    if (gps < 0 || !instrument) continue;  // the toggle is refused then
                                    // Toggle View: the boxes of a fresh arrangement of the other view.
                                    SendMessage(hwndLog, WM_COMMAND, 511, 0);
                                    CHILD_CHECK(bGpsActive == (gps > 0 ? 0 : 1));
                                    const std::vector<long> toggled = Snapshot();
                                    LayOut();
                                    const std::vector<long> fresh = Snapshot();
                                    for (size_t k = 0; k < fresh.size() && k < toggled.size(); k++)
                                        if (fresh[k] != toggled[k])
                                            fprintf(stderr, "%s toggled: value %zu toggled %ld, fresh %ld\n",
                                                    what.c_str(), k, toggled[k], fresh[k]);
                                    nBad += fresh != toggled;
                                }
            CHILD_CHECK(nBad == 0);
            PostMessage(hwndMain, WM_CLOSE, 0, 0);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, StatusFrames,
    ::testing::Values(FrameCase{"em61mk2", INSTRUMENT_EM61MK2}, FrameCase{"em61lx2", INSTRUMENT_EM61LX2},
                      FrameCase{"em31mk2", INSTRUMENT_EM31MK2}, FrameCase{"em34", INSTRUMENT_EM34},
                      FrameCase{"em38", INSTRUMENT_EM38}, FrameCase{"em38mk2", INSTRUMENT_EM38MK2},
                      FrameCase{"em384", INSTRUMENT_EM384}, FrameCase{"cs21", INSTRUMENT_CS21},
                      FrameCase{"grad601", INSTRUMENT_GRAD601}),
    [](const ::testing::TestParamInfo<FrameCase> &info) { return std::string(info.param.name); });

}  // namespace
