// Numbers panels of every instrument: the rows written for given values, the two warning lamps of the logging
// screen, the panel's fill, every text whole inside the panel; the EM61-LX2 alarm indicator.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "displays/legend.h"
#include "displays/numbers.h"
#include "map/map_state.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "processing/em384_handler.h"
#include "platform/platform.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF, kGreen = 0x00FF00, kOrange = 0x0060FF, kUntouched = 0x123456;
COLORREF gButtonFace;

class NumbersEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "numbers-panels-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        hFontNormal = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
        hFontBold = CreateFont(16, 0, 0, 0, 700, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
        nLineHeight = 18;
        CreateFixedPensAndBrushes();
        WNDCLASS wc = {};
        wc.lpfnWndProc = DefWindowProc;
        wc.hInstance = hInst;
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = L"NumbersTestScreen";
        ASSERT_NE(RegisterClass(&wc), 0);
        hwndLog = CreateWindow(L"NumbersTestScreen", L"Log", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, 0, hInst,
                               nullptr);
        ShowWindow(hwndLog, SW_SHOW);
        hwndNumbers = CreateWindow(L"NumbersTestScreen", L"", WS_CHILD | WS_VISIBLE, 0, 100, 110, 130, hwndLog, 650,
                                   hInst, nullptr);
        ASSERT_TRUE(hwndLog && hwndNumbers);
        HDC hdc = PlatformCreateMemorySurface(4, 4);
        RECT rc = {0, 0, 4, 4};
        FillRect(hdc, &rc, hbrButtonFace);
        gButtonFace = GetPixel(hdc, 1, 1);
        DeleteDC(hdc);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new NumbersEnvironment);

COLORREF PixelOf(HWND hwnd, int x, int y)
{
    HDC hdc = GetDC(hwnd);
    const COLORREF c = GetPixel(hdc, x, y);
    ReleaseDC(hwnd, hdc);
    return c;
}

// Blue (label) pixels of the numbers window inside the rectangle.
int BlueIn(const RECT &rc)
{
    HDC hdc = GetDC(hwndNumbers);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) n += GetPixel(hdc, x, y) == 0xFF0000u;
    ReleaseDC(hwndNumbers, hdc);
    return n;
}

struct Row {
    std::wstring text;
    int y;  // top of the text cell
};

struct PanelCase {
    const char *name;
    int nType, nRecording;
    std::function<void()> setUp;
    std::function<void(HDC)> draw;
    std::vector<Row> rows;
    COLORREF fill, lamp1, lamp2;
};

// Row k of the panel (value column top 7, rows 18 apart), raised by n pixels.
int RowY(int k, int nRaise = 0)
{
    return 7 + 18 * k - nRaise;
}

TEST(NumbersPanels, RowsLampsAndFillPerInstrument)
{
    const PanelCase aCase[] = {
        {"EM31-MK2 logging, both components, configured dipole", INSTRUMENT_EM31MK2, 1, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm31Mk2Numbers(h, 0, 'V', 10, 123.456, -4.5, 0); },
         {{L"Dipole: Vertical", RowY(0)}, {L"Gain:    10", RowY(1)}, {L"C:   123.46", RowY(2)},
          {L"I:     -4.50", RowY(3)}},
         kGreen, gButtonFace, kUntouched},
        {"EM31-MK2 in-phase only, other dipole", INSTRUMENT_EM31MK2, 0, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm31Mk2Numbers(h, 1, 'H', 2, 123.456, 7.25, 0); },
         {{L"Dipole: Horiz.", RowY(0)}, {L"Gain:     2", RowY(1)}, {L"I:      7.25", RowY(3)}}, kWhite, kOrange,
         kUntouched},
        {"EM31-MK2 battery levels", INSTRUMENT_EM31MK2, 0, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm31Mk2Numbers(h, 0, 'V', 0, 12.3, 8.1, 1); },
         {{L"Battery Levels", RowY(0)}, {L"      [Volts]", RowY(1)}, {L"B:    12.30", RowY(2)},
          {L"B:     8.10", RowY(3)}},
         kWhite, gButtonFace, kUntouched},
        {"EM34-3 other dipole, configured separation", INSTRUMENT_EM34, 1,
         [] { nSurveyMode = 0, nEm34DipoleLetter = 'H', nEm34Separation = 20; },
         [](HDC h) { DrawEm34Numbers(h, 99, 'V', 3, 55.0, 20); },
         {{L"Dipole: Vertical", RowY(0)}, {L"Sep:    20 m", RowY(1, 2)}, {L"Gain:     3", RowY(2, 4)},
          {L"C:    55.00", RowY(3)}},
         kGreen, kOrange, gButtonFace},
        {"EM34-3 configured dipole, other separation", INSTRUMENT_EM34, 0,
         [] { nSurveyMode = 1, nEm34DipoleLetter = 'H', nEm34Separation = 20; },
         [](HDC h) { DrawEm34Numbers(h, 0, 'H', 3, -1.0, 40); },
         {{L"Dipole: Horiz.", RowY(0)}, {L"Sep:    40 m", RowY(1, 2)}, {L"Gain:     3", RowY(2, 4)},
          {L"C:    -1.00", RowY(3)}},
         kWhite, gButtonFace, kOrange},
        {"EM34-3 manual survey: lamp 1 off, lamp 2 untouched", INSTRUMENT_EM34, 0,
         [] { nSurveyMode = 2, nEm34DipoleLetter = 'H', nEm34Separation = 20; },
         [](HDC h) { DrawEm34Numbers(h, 0, 'V', 3, 1.0, 40); },
         {{L"Dipole: Vertical", RowY(0)}, {L"Sep:    40 m", RowY(1, 2)}, {L"Gain:     3", RowY(2, 4)},
          {L"C:     1.00", RowY(3)}},
         kWhite, gButtonFace, kUntouched},
        {"EM38 conductivity read as conductivity", INSTRUMENT_EM38, 1, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm38Numbers(h, 0, 'V', 1, 42.0, 1); },
         {{L"Dipole: Vertical", RowY(0)}, {L"Gain:     1", RowY(1)}, {L"C:    42.00", RowY(2)}}, kGreen,
         gButtonFace, gButtonFace},
        {"EM38 in-phase range while conductivity is chosen", INSTRUMENT_EM38, 1, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm38Numbers(h, 0, 'V', 1, 3.5, 2); },
         {{L"Dipole: Vertical", RowY(0)}, {L"Gain:     1", RowY(1)}, {L"I:      3.50", RowY(3)}}, kOrange,
         gButtonFace, kOrange},
        {"EM38 in-phase chosen and read, other dipole", INSTRUMENT_EM38, 1, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm38Numbers(h, 1, 'H', 1, 3.5, 3); },
         {{L"Dipole: Horiz.", RowY(0)}, {L"Gain:     1", RowY(1)}, {L"I:      3.50", RowY(3)}}, kGreen, kOrange,
         gButtonFace},
        {"EM38 mismatch not logging stays white", INSTRUMENT_EM38, 0, [] { cDipoleMode = 'V'; },
         [](HDC h) { DrawEm38Numbers(h, 1, 'V', 1, 9.0, 0); },
         {{L"Dipole: Vertical", RowY(0)}, {L"Gain:     1", RowY(1)}, {L"C:     9.00", RowY(2)}}, kWhite,
         gButtonFace, kOrange},
        {"EM38-MK2 two coils", INSTRUMENT_EM38MK2, 1, [] { cDipoleMode = 'V', nEm38Mk2Type = 0; },
         [](HDC h) { DrawEm38Mk2Numbers(h, 'V', 1.0, 2.0, 3.0, 4.0); },
         {{L"CV:     1.00", RowY(0)}, {L"IV:      2.00", RowY(1)}, {L"cv:     3.00", RowY(2)},
          {L"iv:      4.00", RowY(3)}},
         kGreen, gButtonFace, kUntouched},
        {"EM38-MK2 one coil shows two rows", INSTRUMENT_EM38MK2, 0, [] { cDipoleMode = 'V', nEm38Mk2Type = 1; },
         [](HDC h) { DrawEm38Mk2Numbers(h, 'H', -1.0, 2.5, 3.0, 4.0); },
         {{L"CH:    -1.00", RowY(0)}, {L"IH:      2.50", RowY(1)}}, kWhite, kOrange, kUntouched},
        {"Grad601 two sensors", INSTRUMENT_GRAD601, 1, [] { nSensorsMinus1 = 1; },
         [](HDC h) { DrawReadingNumbersGrad(h, 12.5, -3.25); },
         {{L"      12.5", RowY(0)}, {L"      -3.2", RowY(1)}}, kGreen, kUntouched, kUntouched},
        {"Grad601 one sensor", INSTRUMENT_GRAD601, 0, [] { nSensorsMinus1 = 0; },
         [](HDC h) { DrawReadingNumbersGrad(h, 12.5, -3.25); }, {{L"      12.5", RowY(0)}}, kWhite, kUntouched,
         kUntouched},
    };
    const RECT rcL1 = {200, 10, 213, 23}, rcL2 = {200, 30, 213, 43};
    for (const PanelCase &c : aCase) {
        SCOPED_TRACE(c.name);
        nInstrumentType = c.nType;
        nRecordingState = c.nRecording;
        rcSidePanel = RECT{0, 0, 110, 82};
        rcSidePanelValues = RECT{30, 7, 110, 82};
        nTextMarginX = 10;
        rcLamp1 = rcL1, rcLamp2 = rcL2;
        HDC hdcLog = GetDC(hwndLog);
        HBRUSH hbrMark = CreateSolidBrush(kUntouched);
        FillRect(hdcLog, &rcL1, hbrMark);
        FillRect(hdcLog, &rcL2, hbrMark);
        DeleteObject(hbrMark);
        ReleaseDC(hwndLog, hdcLog);
        c.setUp();

        PlatformClearDrawnTexts();
        HDC hdc = GetDC(hwndNumbers);
        c.draw(hdc);
        ReleaseDC(hwndNumbers, hdc);

        std::vector<DrawnText> texts;
        for (const DrawnText &t : PlatformDrawnTexts())
            if (t.window == hwndNumbers) texts.push_back(t);
        ASSERT_EQ(texts.size(), c.rows.size());
        for (size_t k = 0; k < texts.size(); k++) {
            EXPECT_EQ(texts[k].text, c.rows[k].text) << "row " << k;
            EXPECT_EQ(texts[k].cell.top, c.rows[k].y) << "row " << k;
            // Whole: inside the panel (a long text takes the narrow face rather than leave it).
            EXPECT_GE(texts[k].cell.left, rcSidePanel.left);
            EXPECT_LE(texts[k].cell.right, rcSidePanel.right);
            EXPECT_LE(texts[k].cell.bottom, rcSidePanel.bottom);
        }
        EXPECT_EQ(PixelOf(hwndNumbers, 108, 80), c.fill) << "panel fill";
        EXPECT_EQ(PixelOf(hwndLog, 206, 17), c.lamp1) << "lamp 1";
        EXPECT_EQ(PixelOf(hwndLog, 206, 37), c.lamp2) << "lamp 2";
    }
    nRecordingState = 0;
}

// While logging the EM38-4's eight rows stand on a green panel from edge to edge: no band of the window is left
// white above or below them.
TEST(NumbersPanels, Em384PanelIsGreenFromEdgeToEdgeWhileLogging)
{
    nInstrumentType = INSTRUMENT_EM384;
    nRecordingState = 1;
    nEm384DisplayMode = 0;
    rcSidePanel = RECT{0, 0, 110, 400};  // down to the right-hand column's bottom, past the window's
    rcSidePanelValues = RECT{32, 7, 110, 400};
    nTextMarginX = 10;
    HDC hdc = GetDC(hwndNumbers);
    RECT rcWindow;
    GetClientRect(hwndNumbers, &rcWindow);
    FillRect(hdc, &rcWindow, hbrWhite);
    DrawEm384Numbers(hdc, 'H', 1, 2, 3, 4, 5, 6, 7, 8);
    int nWhite = 0;
    for (int y = 0; y < rcWindow.bottom; y++)
        for (int x = 0; x < rcWindow.right; x++) nWhite += GetPixel(hdc, x, y) == kWhite;
    ReleaseDC(hwndNumbers, hdc);
    PlatformSaveWindowPng(hwndNumbers, std::string(TEST_OUTPUT_DIR "/numbers_panel_em384_logging.png"));
    EXPECT_EQ(nWhite, 0);
    nRecordingState = 0;
}

TEST(NumbersPanels, ChannelValuesLeaveTheLabelsWhole)
{
    // The value column starts where the labels still run ("Ch1" reaches past it): a reading must not cover the
    // labels' digits, and a value too wide for the room left takes the narrow face rather than cover them.
    const struct {
        int nType, nSensors;
        double v;
    } aCase[] = {{INSTRUMENT_EM61MK2, 0, 1234.5}, {INSTRUMENT_EM61MK2, 0, -98765.4}, {INSTRUMENT_GRAD601, 1, -9999.9},
                 {INSTRUMENT_EM61LX2, 1, 12.0}};
    for (const auto &c : aCase) {
        SCOPED_TRACE(c.v);
        nInstrumentType = c.nType, nSensorsMinus1 = c.nSensors;
        nRecordingState = 1;
        rcSidePanel = RECT{0, 0, 110, 125};  // six rows of the two-coil EM61-LX2
        rcSidePanelValues = RECT{30, 7, 110, 125};
        nTextMarginX = 10;
        PlatformClearDrawnTexts();
        HDC hdc = GetDC(hwndNumbers);
        DrawChannelLabels(hdc);
        if (c.nType == INSTRUMENT_EM61MK2) DrawChannelValues(hdc, c.v, c.v, c.v, c.v);
        else DrawReadingNumbersGrad(hdc, c.v, c.v);
        ReleaseDC(hwndNumbers, hdc);

        std::vector<DrawnText> labels, values;
        for (const DrawnText &t : PlatformDrawnTexts())
            if (t.window == hwndNumbers) (t.text.find(L'.') == std::wstring::npos ? labels : values).push_back(t);
        ASSERT_FALSE(labels.empty());
        ASSERT_FALSE(values.empty());
        for (const DrawnText &l : labels) {
            // Every label still blue after the values were drawn.
            EXPECT_GT(BlueIn(l.cell), 10) << "label drawn";
            for (const DrawnText &v : values)
                EXPECT_TRUE(v.cell.left >= l.cell.right || v.cell.top >= l.cell.bottom || v.cell.bottom <= l.cell.top)
                    << "a value covers a label";
        }
        // The label's last character is not painted over by the value column's fill.
        const RECT rcLastColumns = {labels.front().cell.right - 5, labels.front().cell.top, labels.front().cell.right,
                                    labels.front().cell.bottom};
        EXPECT_GT(BlueIn(rcLastColumns), 0);
    }
    nRecordingState = 0;
}

TEST(NumbersPanels, Em61Lx2AlarmIndicatorShowsTheAlarmChannelLetterOrIsCleared)
{
    nInstrumentType = INSTRUMENT_EM61LX2;
    rcModeIndicatorArea = RECT{140, 0, 300, 20};
    rcModeLetterBox1 = RECT{141, 1, 153, 19};
    rcModeLetterBox2 = RECT{280, 1, 292, 19};
    const POINT aOutline[3][5] = {{{160, 1}, {200, 1}, {200, 18}, {160, 18}, {160, 1}},
                                  {{203, 1}, {227, 1}, {227, 18}, {203, 18}, {203, 1}},
                                  {{230, 1}, {270, 1}, {270, 18}, {230, 18}, {230, 1}}};
    for (int i = 0; i < 5; i++) {
        aptLampOutline1[i] = aOutline[0][i];
        aptLampOutline2[i] = aOutline[1][i];
        aptLampOutline3[i] = aOutline[2][i];
    }
    rcTargetLampLeft = RECT{161, 2, 200, 18};
    rcTargetLampMiddle = RECT{204, 2, 227, 18};
    rcTargetLampRight = RECT{231, 2, 270, 18};

    const struct {
        int nType, nChannel, nSensors;
        const wchar_t *letter;
        bool bRightLamps;
    } aCase[] = {
        {1, 0, 1, L"E", true}, {2, 1, 1, L"L", true}, {1, 2, 0, L"F", false}, {1, 7, 1, L" ", true}, {0, 0, 1, nullptr, false},
    };
    for (const auto &c : aCase) {
        SCOPED_TRACE(c.nChannel);
        nAlarmType = c.nType, nAlarmChannel = c.nChannel, nSensorsMinus1 = c.nSensors;
        HDC hdc = GetDC(hwndLog);
        RECT rcAll = {130, 0, 310, 25};
        FillRect(hdc, &rcAll, (HBRUSH)GetStockObject(BLACK_BRUSH));
        PlatformClearDrawnTexts();
        DrawModeIndicator(hdc);
        ReleaseDC(hwndLog, hdc);

        std::vector<std::wstring> letters;
        for (const DrawnText &t : PlatformDrawnTexts())
            if (t.window == hwndLog) letters.push_back(t.text);
        if (!c.letter) {
            EXPECT_TRUE(letters.empty());
            EXPECT_EQ(PixelOf(hwndLog, 180, 10), gButtonFace) << "the area is cleared";
            continue;
        }
        // A blank letter draws no text.
        const std::vector<std::wstring> expected =
            std::wstring(c.letter) == L" " ? std::vector<std::wstring>{} : std::vector<std::wstring>{c.letter, c.letter};
        EXPECT_EQ(letters, expected);
        EXPECT_EQ(PixelOf(hwndLog, 180, 10), kWhite) << "left lamp";
        EXPECT_EQ(PixelOf(hwndLog, 160, 10), 0x000000u) << "left outline";
        EXPECT_EQ(PixelOf(hwndLog, 250, 10), c.bRightLamps ? kWhite : 0x000000u) << "right lamp";
        EXPECT_EQ(PixelOf(hwndLog, 285, 17), gButtonFace) << "letter box";
    }
}

TEST(MapChannelTitle, LiveAndReviewTitlesPerInstrumentAndChannel)
{
    const wchar_t *const kBlank = L"            ";
    const struct {
        int nType, nView, bReview, nComp, nDipole;
        const wchar_t *title;
    } aCase[] = {
        {INSTRUMENT_GRAD601, 3, 0, 0, 0, kBlank},
        {INSTRUMENT_GRAD601, 3, 1, 0, 0, L"Review"},
        {INSTRUMENT_EM61LX2, 2, 0, 0, 0, L"Ch L"},
        {INSTRUMENT_EM61LX2, 3, 1, 0, 0, L"Review ChF"},
        {INSTRUMENT_EM61MK2, 0, 0, 0, 0, kBlank},
        {INSTRUMENT_EM61MK2, 4, 0, 0, 0, L"Channel 4/T"},
        {INSTRUMENT_EM61MK2, 4, 1, 0, 0, L"Review Ch4/T"},
        {INSTRUMENT_EM61MK2, 5, 0, 0, 0, L""},
        {INSTRUMENT_EM31MK2, 2, 0, 0, 0, L"Inphase"},
        {INSTRUMENT_EM31MK2, 1, 1, 0, 0, L"Review Conductivity"},
        {INSTRUMENT_EM38, 1, 0, 0, 0, L"Conductivity VDM"},
        {INSTRUMENT_EM38, 1, 0, 1, 1, L"Inphase HDM"},
        {INSTRUMENT_EM38, 2, 1, 0, 0, L"Review Inphase"},
        {INSTRUMENT_EM34, 0, 0, 0, 0, kBlank},
        {INSTRUMENT_EM34, 1, 0, 0, 0, L""},
        {INSTRUMENT_EM38MK2, 3, 0, 0, 0, L"Conductivity 0.5 m"},
        {INSTRUMENT_EM38MK2, 4, 1, 0, 0, L"Review Inphase 0.5 m"},
        // EM38-4: the review titles follow the live order (conductivity and in-phase coil by coil).
        {INSTRUMENT_EM384, 2, 0, 0, 0, L"Coil1 Inphase"},
        {INSTRUMENT_EM384, 2, 1, 0, 0, L"Review Coil1 Inphase"},
        {INSTRUMENT_EM384, 5, 1, 0, 0, L"Review Coil3 Conductivity"},
        {INSTRUMENT_EM384, 8, 1, 0, 0, L"Review Coil4 Inphase"},
        {INSTRUMENT_CS21, 1, 0, 0, 0, L""},
        {INSTRUMENT_CS21, 0, 1, 0, 0, L""},
    };
    for (const auto &c : aCase) {
        SCOPED_TRACE(std::to_string(c.nType) + " view " + std::to_string(c.nView) + " review " +
                     std::to_string(c.bReview));
        EXPECT_EQ(std::wstring(MapChannelTitleText(c.nType, c.nView, c.bReview, c.nComp, c.nDipole)), c.title);
    }
}

TEST(MapChannelTitle, WrittenCentredOnlyWhileGpsIsInUse)
{
    hFontLight = CreateFont(20, 0, 0, 0, 200, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    nInstrumentType = INSTRUMENT_EM61MK2;
    nColorMapView = 2;
    bMapReviewMode = 0;
    rcStatusLineText = RECT{10, 2, 100, 20};
    rcMapSizeText = RECT{300, 2, 390, 20};
    rcMapChannelTitle = RECT{150, 0, 250, 20};
    for (int bActive : {1, 0}) {
        SCOPED_TRACE(bActive);
        bGpsActive = bActive;
        PlatformClearDrawnTexts();
        HDC hdc = GetDC(hwndLog);
        DrawMapChannelTitle(hdc);
        ReleaseDC(hwndLog, hdc);
        std::vector<DrawnText> texts;
        for (const DrawnText &t : PlatformDrawnTexts())
            if (t.window == hwndLog) texts.push_back(t);
        if (!bActive) {
            EXPECT_TRUE(texts.empty());
            EXPECT_EQ(PixelOf(hwndLog, 200, 10), gButtonFace) << "the box is cleared";
            continue;
        }
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_EQ(texts[0].text, L"Channel 2");
        // Centred between the status line's right edge and the map-size text's left edge.
        EXPECT_NEAR((texts[0].cell.left + texts[0].cell.right) / 2, 200, 1);
        EXPECT_EQ(rcMapChannelTitle.left, texts[0].cell.left);
    }
}

}  // namespace
