// Live display drawers on memory surfaces: profile scroll, channel bars, channel values and labels, the speed bar,
// the colour legend, and the clamps that keep bad readings on the window's edge.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/legend.h"
#include "displays/numbers.h"
#include "displays/profiles.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/em61mk2_decode.h"
#include "support/stand_in_windows.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kBlue = 0xFF0000;     // channel 1
constexpr COLORREF kGreen = 0x00FF00;    // channel 2 (and the logging panel)
constexpr COLORREF kRed = 0x0000FF;      // channel 3
constexpr COLORREF kMagenta = 0xFF00FF;  // channel 4
constexpr COLORREF kGridGrey = 0xC0C0C0;
constexpr COLORREF kMark = 0x030201;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class DisplayEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "display-drawers-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        nInstrumentType = INSTRUMENT_EM61MK2;
        hFontNormal = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
        nLineHeight = 18;
        CreateThinTracePens();
        CreateColorScalePens();
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new DisplayEnvironment);

// Traces with the configured pen widths (2, 3, 4, 1) or all one pixel wide.
void MakeChannelPens(bool bConfiguredWidths)
{
    static const int anWidth[4] = {2, 3, 4, 1};
    for (int i = 0; i < 16; i++) anChannelPenWidth[i] = bConfiguredWidths ? anWidth[i % 4] : 1;
    CreateChannelPens(1);
}

// A 100-row curve area on a window 110 wide: the newest point at x = 100, scale 0..2000 and one grid line at 50.
void SetUpCurveWindow()
{
    nCurveWndWidth = 110;
    nCurveAreaHeight = nCurveAreaHeight2 = 100;
    dScale1Min = 0;
    dScale1Max = 2000;
    bAltGraphScale = 0;
    std::memset(anGridLineY1, 0, sizeof anGridLineY1);
    anGridLineY1[0] = 1;
    anGridLineY1[1] = 50;
    std::memset(abCurveHasPrev, 0, sizeof abCurveHasPrev);
}

// Bars in a decay window 100 x 100: bar i at x = 10 + 20 i, 10 wide; no decay-window grid line in the way but
// row 5.
void SetUpDecayWindow(double dMin, double dMax, int nSign, int nZeroRow)
{
    nCurveAreaHeightB = 100;
    nBarColumnWidth = 100;
    dScale1Min = dMin;
    dScale1Max = dMax;
    nScale1RangeSign = nSign;
    std::memset(anGridLineY1B, 0, sizeof anGridLineY1B);
    anGridLineY1B[0] = 1;
    anGridLineY1B[1] = nZeroRow;
    std::memset(anCurveGridY, 0, sizeof anCurveGridY);
    anCurveGridY[0] = 1;
    anCurveGridY[1] = 5;
    for (int i = 0; i < 8; i++) anBarLeft[i] = 10 + 20 * i;
    nChannelBarWidth = 10;
    bGraphFrameDrawn = 0;
}

// Rows x..x of column x carrying the colour, top to bottom: the first and last row, or -1, -1.
std::pair<int, int> ColumnSpan(HDC hdc, int x, int nHeight, COLORREF colour)
{
    int first = -1, last = -1;
    for (int y = 0; y < nHeight; y++) {
        if (GetPixel(hdc, x, y) == colour) {
            if (first < 0) first = y;
            last = y;
        }
    }
    return {first, last};
}

// Rows carrying the colour anywhere in columns x0..x1: first and last row, and whether they run without a gap.
struct RowRun { int first, last; bool contiguous; };
RowRun RowsOfColour(HDC hdc, int x0, int x1, int nHeight, COLORREF colour)
{
    RowRun run{-1, -1, true};
    bool bGap = false;
    for (int y = 0; y < nHeight; y++) {
        bool bHit = false;
        for (int x = x0; x <= x1; x++) bHit = bHit || GetPixel(hdc, x, y) == colour;
        if (bHit) {
            if (run.first < 0) run.first = y;
            else if (bGap) run.contiguous = false;
            run.last = y;
            bGap = false;
        } else if (run.first >= 0) {
            bGap = true;
        }
    }
    return run;
}

// Ink (neither of the two background colours) inside a band of rows: leftmost and rightmost column, or -1.
std::pair<int, int> InkColumns(HDC hdc, int nWidth, int yTop, int yBottom, COLORREF bg1, COLORREF bg2)
{
    int left = -1, right = -1;
    for (int y = yTop; y < yBottom; y++)
        for (int x = 0; x < nWidth; x++) {
            COLORREF c = GetPixel(hdc, x, y);
            if (c == bg1 || c == bg2) continue;
            if (left < 0 || x < left) left = x;
            if (x > right) right = x;
        }
    return {left, right};
}

TEST(ProfileScroll, MovesTheOldTraceTwoPixelsLeftAndDrawsTheNewSegmentInTheChannelColour)
{
    SetUpCurveWindow();
    HDC hdc = PlatformCreateMemorySurface(110, 100);
    SetPixel(hdc, 50, 5, kMark);  // a mark to follow through the scroll

    const int anFirst[4] = {10, 30, 60, 80};
    ScrollCurveWindow(hdc, anFirst);
    // The first point of each run is a single point; with one-pixel pens nothing shows yet, but the runs started.
    for (int i = 0; i < 4; i++) EXPECT_EQ(abCurveHasPrev[i], 1) << i;
    EXPECT_EQ(GetPixel(hdc, 48, 5), kMark);
    EXPECT_EQ(GetPixel(hdc, 50, 5), kWhite);

    const int anSecond[4] = {12, 30, 66, 90};
    ScrollCurveWindow(hdc, anSecond);
    // Segments from (98, previous row) to (100, new row), the end pixel left out.
    EXPECT_EQ(GetPixel(hdc, 98, 10), kBlue);
    EXPECT_EQ(GetPixel(hdc, 99, 11), kBlue);
    EXPECT_EQ(GetPixel(hdc, 100, 12), kWhite);
    EXPECT_EQ(GetPixel(hdc, 98, 30), kGreen);
    EXPECT_EQ(GetPixel(hdc, 99, 30), kGreen);
    // A steep segment covers every row from the previous row to the one before the new row, in columns 98..100.
    EXPECT_EQ(GetPixel(hdc, 98, 60), kRed);
    RowRun red = RowsOfColour(hdc, 98, 101, 100, kRed);
    EXPECT_EQ(red.first, 60);
    EXPECT_EQ(red.last, 65);
    EXPECT_TRUE(red.contiguous);
    EXPECT_EQ(GetPixel(hdc, 98, 80), kMagenta);
    RowRun magenta = RowsOfColour(hdc, 98, 101, 100, kMagenta);
    EXPECT_EQ(magenta.first, 80);
    EXPECT_EQ(magenta.last, 89);
    EXPECT_TRUE(magenta.contiguous);
    // Nothing of any trace left of the new segment but the shifted first points (single points draw nothing).
    EXPECT_EQ(RowsOfColour(hdc, 0, 97, 100, kRed).first, -1);
    // The grid pixels of the new column.
    EXPECT_EQ(GetPixel(hdc, 99, 50), kGridGrey);
    EXPECT_EQ(GetPixel(hdc, 100, 50), kGridGrey);
    EXPECT_EQ(GetPixel(hdc, 101, 50), kWhite);
    EXPECT_EQ(GetPixel(hdc, 46, 5), kMark);

    const int anThird[4] = {14, 30, 66, 90};
    ScrollCurveWindow(hdc, anThird);
    // The previous segment moved 2 pixels left; the new one joins it at x = 98.
    EXPECT_EQ(GetPixel(hdc, 96, 10), kBlue);
    EXPECT_EQ(GetPixel(hdc, 97, 11), kBlue);
    EXPECT_EQ(GetPixel(hdc, 98, 12), kBlue);
    EXPECT_EQ(GetPixel(hdc, 99, 13), kBlue);
    RowRun redOld = RowsOfColour(hdc, 96, 97, 100, kRed);
    EXPECT_EQ(redOld.first, 60);
    EXPECT_TRUE(redOld.contiguous);
    EXPECT_EQ(RowsOfColour(hdc, 96, 99, 100, kRed).last, 66);
    EXPECT_EQ(GetPixel(hdc, 99, 66), kRed);   // the new, level segment
    EXPECT_EQ(GetPixel(hdc, 100, 66), kWhite);
    EXPECT_EQ(RowsOfColour(hdc, 94, 101, 100, kMagenta).last, 90);  // level at 90 now
    // Three readings of the grid line: columns 95..100.
    for (int x = 95; x <= 100; x++) EXPECT_EQ(GetPixel(hdc, x, 50), kGridGrey) << x;
    EXPECT_EQ(GetPixel(hdc, 44, 5), kMark);
    EXPECT_EQ(anEm61PrevY[0], 14);
}

TEST(ProfileScroll, ClearedRunsStartAgainWithoutALineFromTheOldRows)
{
    SetUpCurveWindow();
    HDC hdc = PlatformCreateMemorySurface(110, 100);
    const int anHigh[4] = {10, 10, 10, 10};
    ScrollCurveWindow(hdc, anHigh);
    ScrollCurveWindow(hdc, anHigh);
    std::memset(abCurveHasPrev, 0, sizeof abCurveHasPrev);  // e.g. after the reading-scale dialog
    const int anLow[4] = {90, 90, 90, 90};
    ScrollCurveWindow(hdc, anLow);
    ScrollCurveWindow(hdc, anLow);
    // Between rows 11 and 89 nothing but the grid line was drawn in the last columns.
    for (int x = 90; x <= 101; x++)
        for (int y = 11; y < 90; y++) {
            COLORREF c = GetPixel(hdc, x, y);
            ASSERT_TRUE(c == kWhite || (y == 50 && c == kGridGrey)) << x << "," << y;
        }
}

TEST(ProfileScroll, ConductivityProfileDrawsOnlyValidChannelsAndAChangedChannelStartsANewRun)
{
    SetUpCurveWindow();
    nProfileCurves = 6;  // EM34-3
    std::memset(bChannelValid, 0, sizeof bChannelValid);
    HDC hdc = PlatformCreateMemorySurface(110, 100);
    int yCurve[8] = {20, 20, 20, 20, 70, 20, 20, 20};

    bChannelValid[4] = 1;
    ScrollProfileGraph(hdc, yCurve);
    bChannelValid[4] = 0;
    bChannelValid[2] = 1;
    yCurve[2] = 30;
    ScrollProfileGraph(hdc, yCurve);
    yCurve[2] = 34;
    ScrollProfileGraph(hdc, yCurve);
    // Channel 3 (index 2, red) joined its two points; channels 0 and 1 were never drawn.
    RowRun red = RowsOfColour(hdc, 98, 101, 100, kRed);
    EXPECT_EQ(red.first, 30);
    EXPECT_EQ(red.last, 33);
    EXPECT_TRUE(red.contiguous);
    EXPECT_EQ(ColumnSpan(hdc, 98, 100, kBlue).first, -1);
    EXPECT_EQ(ColumnSpan(hdc, 98, 100, kGreen).first, -1);

    // Channel index 4 again (the first slot's colour again, blue): a single point, no line from row 70.
    bChannelValid[2] = 0;
    bChannelValid[4] = 1;
    yCurve[4] = 10;
    ScrollProfileGraph(hdc, yCurve);
    EXPECT_EQ(ColumnSpan(hdc, 98, 100, kBlue).first, -1);
    EXPECT_EQ(ColumnSpan(hdc, 99, 100, kBlue).first, -1);
    yCurve[4] = 12;
    ScrollProfileGraph(hdc, yCurve);
    EXPECT_EQ(ColumnSpan(hdc, 98, 100, kBlue), std::make_pair(10, 10));
    nProfileCurves = 4;
    std::memset(bChannelValid, 0, sizeof bChannelValid);
}

TEST(ProfileScroll, TwoCoilAndGradiometerChartsScrollEachWindowOnceAndKeepTheirOwnRuns)
{
    SetUpCurveWindow();
    HDC hdcLeft = PlatformCreateMemorySurface(110, 100);
    HDC hdcRight = PlatformCreateMemorySurface(110, 100);
    SetPixel(hdcLeft, 50, 5, kMark);
    SetPixel(hdcRight, 50, 5, kMark);
    const int anLeft1[3] = {10, 40, 70}, anRight1[3] = {20, 45, 80};
    ScrollStripChart4Ch(hdcLeft, hdcRight, anLeft1, anRight1);
    for (int i = 0; i < 6; i++) EXPECT_EQ(abCurveHasPrev[i], 1) << i;  // right coil runs in slots 3..5
    abCurveHasPrev[3] = 0;  // the right coil's first channel starts again
    const int anLeft2[3] = {12, 40, 70}, anRight2[3] = {60, 47, 80};
    ScrollStripChart4Ch(hdcLeft, hdcRight, anLeft2, anRight2);
    EXPECT_EQ(GetPixel(hdcLeft, 46, 5), kMark);  // each window moved once
    EXPECT_EQ(GetPixel(hdcRight, 46, 5), kMark);
    EXPECT_EQ(GetPixel(hdcLeft, 98, 10), kBlue);
    EXPECT_EQ(GetPixel(hdcLeft, 98, 40), kGreen);
    EXPECT_EQ(GetPixel(hdcRight, 98, 45), kGreen);
    EXPECT_EQ(RowsOfColour(hdcRight, 90, 101, 100, kBlue).first, -1);  // no line from row 20 to row 60
    EXPECT_EQ(RowsOfColour(hdcLeft, 0, 109, 100, kBlue).last, 11);     // the left coil's trace only
    EXPECT_EQ(anLx2PrevYRight[0], 60);

    // Grad601 with one sensor: both traces in one window, moved once.
    std::memset(abCurveHasPrev, 0, sizeof abCurveHasPrev);
    HDC hdc = PlatformCreateMemorySurface(110, 100);
    SetPixel(hdc, 50, 5, kMark);
    const int anSensor1[1] = {30}, anSensor2[1] = {60};
    DrawProfileCurvesGrad(hdc, hdc, anSensor1, anSensor2);
    const int anSensor1b[1] = {32}, anSensor2b[1] = {62};
    DrawProfileCurvesGrad(hdc, hdc, anSensor1b, anSensor2b);
    EXPECT_EQ(GetPixel(hdc, 46, 5), kMark);
    EXPECT_EQ(GetPixel(hdc, 98, 30), kBlue);
    EXPECT_EQ(GetPixel(hdc, 98, 60), kGreen);
    EXPECT_EQ(abCurveHasPrev[3], 1);  // sensor 2 runs in slot 3
    EXPECT_EQ(anGradPrevY2[0], 62);

    // One-coil EM61-LX2: three channels.
    std::memset(abCurveHasPrev, 0, sizeof abCurveHasPrev);
    HDC hdc2 = PlatformCreateMemorySurface(110, 100);
    const int anRows1[3] = {20, 40, 60}, anRows2[3] = {20, 40, 60};
    ScrollStripChart2Ch(hdc2, anRows1);
    ScrollStripChart2Ch(hdc2, anRows2);
    EXPECT_EQ(GetPixel(hdc2, 98, 20), kBlue);
    EXPECT_EQ(GetPixel(hdc2, 99, 40), kGreen);
    EXPECT_EQ(GetPixel(hdc2, 99, 60), kRed);
}

TEST(ProfileScroll, AWindowNotYetLaidOutIsLeftAlone)
{
    SetUpCurveWindow();
    nCurveWndWidth = 0;
    HDC hdc = PlatformCreateMemorySurface(20, 20);
    const int anRows[4] = {1, 2, 3, 4};
    ScrollCurveWindow(hdc, anRows);
    EXPECT_EQ(abCurveHasPrev[0], 0);
    EXPECT_EQ(RowsOfColour(hdc, 0, 19, 20, kWhite).last, 19);
}

TEST(ProfileScroll, WriteAPictureOfScrolledProfileSteps)
{
    MakeChannelPens(true);
    nCurveWndWidth = 400;
    nCurveAreaHeight = nCurveAreaHeight2 = 200;
    dScale1Min = 0;
    dScale1Max = 2000;
    double dPixPerUnit = 200 / 2000.0;
    dScale1PixPerUnit = dScale1PixPerUnitB = dPixPerUnit;
    int nSign = 0;
    ComputeGridLines(anGridLineY1, 200, 0, 2000, dPixPerUnit, &nSign);
    std::memset(abCurveHasPrev, 0, sizeof abCurveHasPrev);
    HDC hdc = PlatformCreateMemorySurface(400, 200);
    DrawCurveGridLines(hdc, anGridLineY1, 0, 2000);
    for (int n = 0; n < 170; n++) {
        // A target passing under the coil: four channels decaying from early to late.
        double dPeak = 1500.0 * std::exp(-std::pow((n - 90) / 14.0, 2));
        double adValue[4] = {200 + dPeak, 150 + 0.6 * dPeak, 100 + 0.35 * dPeak, 60 + 0.15 * dPeak};
        if (n == 120) adValue[0] = -kInf;   // far below the scale: drawn to the bottom edge
        if (n == 121) adValue[1] = kNaN;    // a broken reading: drawn to the top edge
        int anRow[4], anDecay[4];
        ChannelValuesToScreen(adValue, anRow, anDecay);
        ScrollCurveWindow(hdc, anRow);
    }
    EXPECT_TRUE(PlatformSaveSurfacePng(hdc, std::string(TEST_OUTPUT_DIR "/em61mk2_profile_scroll.png")));
    MakeChannelPens(false);
}

TEST(ChannelBars, GrowAndShrinkToTheRowsOnAScaleAboveZero)
{
    SetUpDecayWindow(0, 2000, 1, 50);
    HDC hdc = PlatformCreateMemorySurface(100, 100);
    const int anRows1[4] = {80, 50, 20, 100};
    DrawChannelBars(hdc, anRows1, 4);
    EXPECT_EQ(bGraphFrameDrawn, 1);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(80, 99));
    EXPECT_EQ(ColumnSpan(hdc, 35, 100, kGreen), std::make_pair(50, 99));
    EXPECT_EQ(ColumnSpan(hdc, 55, 100, kRed), std::make_pair(20, 99));
    EXPECT_EQ(ColumnSpan(hdc, 75, 100, kMagenta).first, -1);  // at the base: no bar

    const int anRows2[4] = {90, 10, 20, 60};
    DrawChannelBars(hdc, anRows2, 4);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(90, 99));   // shrank
    EXPECT_EQ(ColumnSpan(hdc, 35, 100, kGreen), std::make_pair(10, 99));  // grew
    EXPECT_EQ(ColumnSpan(hdc, 55, 100, kRed), std::make_pair(20, 99));
    EXPECT_EQ(ColumnSpan(hdc, 75, 100, kMagenta), std::make_pair(60, 99));
    // No remnant beside the shrunk bar, and the decay-window grid line drawn over the bars.
    for (int x = 9; x <= 20; x++) EXPECT_EQ(GetPixel(hdc, x, 85), kWhite) << x;
    EXPECT_EQ(GetPixel(hdc, 35, 5), kGridGrey);
    EXPECT_EQ(anBarEnd[1], 10);
    EXPECT_EQ(anBarTop[3], 60);

    // Repaint of the stored bars on a fresh surface.
    HDC hdc2 = PlatformCreateMemorySurface(100, 100);
    anBarTop[2] = -1;  // no bar stored
    DrawSmallBar(hdc2, 4);
    EXPECT_EQ(nBarBase, 100);
    EXPECT_EQ(ColumnSpan(hdc2, 15, 100, kBlue), std::make_pair(90, 99));
    EXPECT_EQ(ColumnSpan(hdc2, 35, 100, kGreen), std::make_pair(10, 99));
    EXPECT_EQ(ColumnSpan(hdc2, 55, 100, kRed).first, -1);
}

TEST(ChannelBars, CrossingTheZeroLineLeavesNoRemnant)
{
    SetUpDecayWindow(-1000, 1000, 0, 50);
    HDC hdc = PlatformCreateMemorySurface(100, 100);
    const int anUp[1] = {20};
    DrawChannelBars(hdc, anUp, 1);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(20, 49));
    const int anDown[1] = {80};
    DrawChannelBars(hdc, anDown, 1);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(50, 79));
    const int anUpAgain[1] = {30};
    DrawChannelBars(hdc, anUpAgain, 1);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(30, 49));
    const int anLess[1] = {40};
    DrawChannelBars(hdc, anLess, 1);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(40, 49));
    const int anDeeper[1] = {90};
    DrawChannelBars(hdc, anDeeper, 1);
    const int anShallower[1] = {70};
    DrawChannelBars(hdc, anShallower, 1);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(50, 69));
    DrawSmallBar(PlatformCreateMemorySurface(100, 100), 1);
    EXPECT_EQ(nBarBase, 50);
}

TEST(ChannelBars, HangFromTheTopOnAScaleBelowZero)
{
    SetUpDecayWindow(-2000, 0, -1, 0);
    HDC hdc = PlatformCreateMemorySurface(100, 100);
    const int anRows[2] = {30, 60};
    DrawChannelBars(hdc, anRows, 2);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(0, 29));
    EXPECT_EQ(ColumnSpan(hdc, 35, 100, kGreen), std::make_pair(0, 59));
    const int anRows2[2] = {10, 60};
    DrawChannelBars(hdc, anRows2, 2);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(0, 9));
}

TEST(ChannelBars, OneSensorRepaintStandsOnTheDecayWindowZeroRow)
{
    SetUpDecayWindow(-1000, 1000, 0, 50);
    anCurveGridY[1] = 50;
    anBarTop[0] = 20;
    HDC hdc = PlatformCreateMemorySurface(100, 100);
    DrawSensorBars(hdc);
    EXPECT_EQ(nBarBase, 50);
    EXPECT_EQ(ColumnSpan(hdc, 15, 100, kBlue), std::make_pair(20, 49));
    anBarTop[0] = -1;
    HDC hdc2 = PlatformCreateMemorySurface(100, 100);
    DrawSensorBars(hdc2);
    EXPECT_EQ(ColumnSpan(hdc2, 15, 100, kBlue).first, -1);
}

LRESULT LegendTestWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) return ColorBarWndOnPaint(hwnd, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

TEST(ColorLegend, PaintHandlerDrawsTheLegendAndPolylinesUseTheSlotPen)
{
    WNDCLASS wc = {};
    wc.lpfnWndProc = LegendTestWndProc;
    wc.hInstance = hInst;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = L"LegendTestWnd";
    ASSERT_NE(RegisterClass(&wc), 0);
    const SIZE f = GetFrameSize();
    HWND hwnd = CreateWindow(L"LegendTestWnd", L"Legend", WS_VISIBLE, 0, 0, 300 + f.cx, 296 + f.cy, nullptr, 0,
                             hInst, nullptr);
    ASSERT_NE(hwnd, nullptr);
    nInstrumentType = INSTRUMENT_EM61MK2;
    dScale1Min = 0;
    dScale1Max = 500;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    HDC hdc = GetDC(hwnd);
    EXPECT_EQ(GetPixel(hdc, 85, 275), aclrColorScale[0]);
    EXPECT_EQ(GetPixel(hdc, 85, 30), aclrColorScale[49]);
    ReleaseDC(hwnd, hdc);

    const POINT apt[3] = {{10, 10}, {40, 10}, {40, 40}};
    DrawPolylineWithPen(hwnd, apt, 3, 2);
    hdc = GetDC(hwnd);
    EXPECT_EQ(GetPixel(hdc, 25, 10), kRed);
    EXPECT_EQ(GetPixel(hdc, 40, 25), kRed);
    ReleaseDC(hwnd, hdc);
    DestroyWindow(hwnd);
}

TEST(Clamps, RowsReachTheDrawersHeldWithinTheBand)
{
    EXPECT_EQ(ClampRow(2147483647), nRowLimit);
    EXPECT_EQ(ClampRow(-2147483647 - 1), -nRowLimit);
    EXPECT_EQ(ClampRow(-5), -5);
    EXPECT_EQ(ClampRow(123), 123);
}

// Readings converted the way the EM61-MK2 handler converts them (ChannelValuesToScreen, clamped with ClampToInt).
void RowsOfReadings(const double adValue[4], int anProfileY[4], int anDecayY[4])
{
    dScale1Min = 0;
    dScale1Max = 2000;
    dScale1PixPerUnit = dScale1PixPerUnitB = 0.05;  // 100 rows for 2000 units
    ChannelValuesToScreen(adValue, anProfileY, anDecayY);
}

TEST(Clamps, BadReadingsAreDrawnToTheEdgeOfProfileAndBars)
{
    SetUpCurveWindow();
    HDC hdc = PlatformCreateMemorySurface(110, 100);
    const double adGood[4] = {1600, 1000, 400, 1000};
    const double adBad[4] = {kNaN, 1000, -kInf, 1000};
    int anRow[4], anDecay[4];
    RowsOfReadings(adGood, anRow, anDecay);
    EXPECT_EQ(anRow[0], 20);
    EXPECT_EQ(anRow[2], 80);
    ScrollCurveWindow(hdc, anRow);
    RowsOfReadings(adBad, anRow, anDecay);
    ScrollCurveWindow(hdc, anRow);
    EXPECT_EQ(anEm61PrevY[0], -nRowLimit);
    EXPECT_EQ(anEm61PrevY[2], nRowLimit);
    // The NaN channel runs from row 20 to the top edge, the -inf one from row 80 to the bottom edge.
    RowRun blue = RowsOfColour(hdc, 98, 101, 100, kBlue);
    EXPECT_EQ(blue.first, 0);
    EXPECT_EQ(blue.last, 20);
    EXPECT_TRUE(blue.contiguous);
    RowRun red = RowsOfColour(hdc, 98, 101, 100, kRed);
    EXPECT_EQ(red.first, 80);
    EXPECT_EQ(red.last, 99);
    EXPECT_TRUE(red.contiguous);
    // Staying beyond the scale, they go on outside the window: nothing in the new column.
    ScrollCurveWindow(hdc, anRow);
    for (COLORREF c : {kBlue, kRed}) EXPECT_EQ(RowsOfColour(hdc, 98, 101, 100, c).first, -1) << c;
    EXPECT_EQ(RowsOfColour(hdc, 96, 97, 100, kBlue).first, 0);  // the run to the edge moved left
    EXPECT_EQ(RowsOfColour(hdc, 96, 97, 100, kRed).last, 99);

    // Bars of the same readings (and one far above the scale): full height above the scale and for NaN, empty
    // below it.
    const double adBars[4] = {kNaN, 1000, -kInf, 1e300};
    RowsOfReadings(adBars, anRow, anDecay);
    SetUpDecayWindow(0, 2000, 1, 50);
    HDC hdcBars = PlatformCreateMemorySurface(100, 100);
    DrawChannelBars(hdcBars, anDecay, 4);
    EXPECT_EQ(ColumnSpan(hdcBars, 15, 100, kBlue), std::make_pair(0, 99));
    EXPECT_EQ(ColumnSpan(hdcBars, 35, 100, kGreen), std::make_pair(50, 99));
    EXPECT_EQ(ColumnSpan(hdcBars, 55, 100, kRed).first, -1);
    EXPECT_EQ(ColumnSpan(hdcBars, 75, 100, kMagenta), std::make_pair(0, 99));
    EXPECT_EQ(anBarTop[0], 0);
    EXPECT_EQ(anBarTop[2], 100);
    // And back to good readings: the bars shrink and grow with no remnant.
    RowsOfReadings(adGood, anRow, anDecay);
    DrawChannelBars(hdcBars, anDecay, 4);
    const COLORREF aclr[4] = {kBlue, kGreen, kRed, kMagenta};
    const int anTopRow[4] = {20, 50, 80, 50};
    for (int i = 0; i < 4; i++)
        EXPECT_EQ(ColumnSpan(hdcBars, 15 + 20 * i, 100, aclr[i]), std::make_pair(anTopRow[i], 99)) << i;
    // Rows at the ends of the int range do not overflow the drawers either.
    const int anHuge[2] = {-2147483647 - 1, 2147483647};
    DrawChannelBars(hdcBars, anHuge, 2);
    EXPECT_EQ(ColumnSpan(hdcBars, 15, 100, kBlue), std::make_pair(0, 99));
    EXPECT_EQ(ColumnSpan(hdcBars, 35, 100, kGreen).first, -1);
    const int anHugeRows[4] = {2147483647, -2147483647 - 1, 0, 100};
    ScrollCurveWindow(hdc, anHugeRows);
    EXPECT_EQ(anEm61PrevY[0], nRowLimit);
}

TEST(ChannelNumbers, ValuesAreRightAlignedInTheValueColumn)
{
    rcSidePanel = {0, 0, 120, 100};
    rcSidePanelValues = {30, 7, 110, 100};
    nRecordingState = 0;
    HDC hdc = PlatformCreateMemorySurface(120, 100);
    DrawChannelValues(hdc, 12.34, -5.0, 1234.5, 7.0);
    int anRight[4];
    for (int k = 0; k < 4; k++) {
        auto ink = InkColumns(hdc, 120, 7 + k * 18, 7 + (k + 1) * 18, kWhite, kGreen);
        ASSERT_GE(ink.first, 30) << k;   // inside the value column
        EXPECT_LE(ink.second, 100) << k;  // ends 10 pixels left of its right edge
        EXPECT_GE(ink.second, 94) << k;
        anRight[k] = ink.second;
    }
    // Right-aligned: "12.3", "-5.0", "1234.5" and "7.0" all end on the same digit column.
    for (int k = 1; k < 4; k++) EXPECT_NEAR(anRight[k], anRight[0], 1) << k;
    // Wider numbers reach further left.
    EXPECT_LT(InkColumns(hdc, 120, 7 + 2 * 18, 7 + 3 * 18, kWhite, kGreen).first,
              InkColumns(hdc, 120, 7 + 3 * 18, 7 + 4 * 18, kWhite, kGreen).first);
}

TEST(ChannelNumbers, PanelTurnsGreenWhileLoggingAndOddValuesAreHarmless)
{
    rcSidePanel = {0, 0, 120, 100};
    rcSidePanelValues = {30, 7, 110, 100};
    HDC hdc = PlatformCreateMemorySurface(120, 100);
    nRecordingState = 1;
    DrawChannelValues(hdc, kNaN, kInf, -1e300, 1e300);
    EXPECT_EQ(GetPixel(hdc, 60, 8), kGreen);  // the value column right of the channel labels
    EXPECT_EQ(GetPixel(hdc, 109, 99), kGreen);
    EXPECT_EQ(GetPixel(hdc, 29, 8), kWhite);  // outside the value column
    EXPECT_NE(InkColumns(hdc, 120, 7, 25, kWhite, kGreen).first, -1);  // "nan" is written
    nRecordingState = -1;
    DrawChannelValues(hdc, 1, 2, 3, 4);
    EXPECT_EQ(GetPixel(hdc, 60, 8), kWhite);
    nRecordingState = 0;
}

TEST(ChannelLabels, Em61Mk2LabelsInBlueWithTheMappedChannelDot)
{
    nInstrumentType = INSTRUMENT_EM61MK2;
    rcSidePanel = {0, 0, 120, 100};
    rcSidePanelValues = {30, 7, 110, 100};
    nTextMarginX = 10;
    nRecordingState = 0;
    nColorMapView = 2;
    nEm61ProcedureState = 1;
    bGpsEnabled = 1;
    HDC hdc = PlatformCreateMemorySurface(120, 100);
    DrawChannelLabels(hdc);
    for (int k = 0; k < 4; k++) {
        auto ink = InkColumns(hdc, 120, 7 + k * 18, 7 + (k + 1) * 18, kWhite, kGreen);
        EXPECT_GE(ink.first, 10) << k;
        EXPECT_LT(ink.second, 40) << k;
    }
    EXPECT_EQ(GetPixel(hdc, 12, 7 + 18 + 9), kWhite);  // (the labels are text, not boxes)
    bool bBlue = false;
    for (int y = 7; y < 25; y++)
        for (int x = 10; x < 40; x++) bBlue = bBlue || GetPixel(hdc, x, y) == RGB(0, 0, 255);
    EXPECT_TRUE(bBlue);
    // The dot of channel 2: centre at (nTextMarginX - 4, top + trunc(1.5 x 18) - 3) = (6, 31).
    EXPECT_EQ(GetPixel(hdc, 6, 31), kGreen);

    // No dot without GPS, during nulling, or with no mapped channel.
    const struct { int gps, state, view; } noDot[] = {{0, 1, 2}, {1, -1, 2}, {1, 1, 0}};
    for (const auto &c : noDot) {
        bGpsEnabled = c.gps;
        nEm61ProcedureState = c.state;
        nColorMapView = c.view;
        DrawChannelLabels(hdc);
        EXPECT_EQ(GetPixel(hdc, 6, 31), kWhite) << c.gps << c.state << c.view;
    }
    bGpsEnabled = 1;
    nEm61ProcedureState = 1;
    nColorMapView = 1;

    // While logging the panel is green.
    nRecordingState = 1;
    DrawChannelLabels(hdc);
    EXPECT_EQ(GetPixel(hdc, 2, 90), kGreen);
    nRecordingState = 0;
}

TEST(ChannelLabels, RowsPerInstrument)
{
    rcSidePanel = {0, 0, 120, 200};
    rcSidePanelValues = {30, 7, 110, 200};
    nTextMarginX = 10;
    const struct { int type, sensorsMinus1, rows, step; } cases[] = {
        {INSTRUMENT_GRAD601, 0, 1, 18}, {INSTRUMENT_GRAD601, 1, 2, 18}, {INSTRUMENT_EM61LX2, 0, 3, 18},
        {INSTRUMENT_EM61LX2, 1, 6, 18}, {INSTRUMENT_CS21, 0, 8, 15},   {INSTRUMENT_EM38, 0, 0, 18},
    };
    const int nSaved = nSensorsMinus1;
    for (const auto &c : cases) {
        nInstrumentType = c.type;
        nSensorsMinus1 = c.sensorsMinus1;
        HDC hdc = PlatformCreateMemorySurface(120, 200);
        DrawChannelLabels(hdc);
        // Ink in the first rows, none below the last label.
        for (int k = 0; k < c.rows; k++)
            EXPECT_NE(InkColumns(hdc, 120, 7 + k * c.step, 7 + (k + 1) * c.step, kWhite, kGreen).first, -1)
                << c.type << " row " << k;
        EXPECT_EQ(InkColumns(hdc, 120, 7 + c.rows * c.step + 2, 200, kWhite, kGreen).first, -1) << c.type;
        if (c.rows > 0) {
            EXPECT_GE(InkColumns(hdc, 120, 7, 7 + c.step, kWhite, kGreen).first, 2) << c.type;
        }
    }
    nSensorsMinus1 = nSaved;
    nInstrumentType = INSTRUMENT_EM61MK2;
}

TEST(SpeedBar, FillMatchesTheOrdinate)
{
    nSpeedBarWidth = 200;
    nSpeedBarHeight = 8;
    dSpeedScaleMax = 5;
    const double dPixPerUnit = 200 / 5.0;
    const struct { double speed; int blueColumns; } cases[] = {
        {2.0, 80}, {0.0, 0}, {5.0, 200}, {4.5, 180}, {4.99, 200}, {7.5, 200}, {-1.0, 0}, {1e300, 200}, {-kInf, 0},
    };
    for (const auto &c : cases) {
        HDC hdc = PlatformCreateMemorySurface(200, 8);
        // The ordinate as the position handler computes it.
        int nEmpty = ClampToInt((dSpeedScaleMax - c.speed) * dPixPerUnit, -SCREEN_ROW_LIMIT, SCREEN_ROW_LIMIT);
        DrawSpeedBar(hdc, nEmpty);
        for (int y : {0, 4, 7}) {
            if (c.blueColumns > 0) {
                EXPECT_EQ(GetPixel(hdc, c.blueColumns - 1, y), kBlue) << c.speed;
            }
            if (c.blueColumns < 200) {
                EXPECT_EQ(GetPixel(hdc, c.blueColumns, y), kWhite) << c.speed;
            }
        }
        EXPECT_EQ(GetPixel(hdc, 0, 4), c.blueColumns > 0 ? kBlue : kWhite) << c.speed;
    }
    // The repaint draws the bar empty; out-of-range ordinates are held to the window.
    HDC hdc = PlatformCreateMemorySurface(200, 8);
    DrawSpeedBar(hdc, -50);
    EXPECT_EQ(GetPixel(hdc, 199, 4), kBlue);
    DrawSpeedBar(hdc, 200);
    EXPECT_EQ(GetPixel(hdc, 0, 4), kWhite);
    DrawSpeedBar(hdc, 2147483647);
    EXPECT_EQ(GetPixel(hdc, 0, 4), kWhite);
}

TEST(ColorLegend, CellsFromTheLowestColourAtTheBottomAndFiveLabels)
{
    nInstrumentType = INSTRUMENT_EM61MK2;
    dScale1Min = 0;
    dScale1Max = 500;
    HDC hdc = PlatformCreateMemorySurface(300, 296);
    DrawColorLegend(hdc, 300, 296);
    // c = 5, H = 250, T = 28: cell i spans rows 278 - 5 (i + 1) .. 277 - 5 i.
    EXPECT_EQ(GetPixel(hdc, 85, 275), aclrColorScale[0]);
    EXPECT_EQ(GetPixel(hdc, 85, 30), aclrColorScale[49]);
    EXPECT_EQ(GetPixel(hdc, 85, 28 + 250 - 5 * 25 - 3), aclrColorScale[25]);
    EXPECT_EQ(GetPixel(hdc, 74, 150), 0x404040u);  // frame
    EXPECT_EQ(GetPixel(hdc, 65, 28 + 125), 0x404040u);  // middle tick
    // Labels left of the ticks: bottom label one cell above the bottom, top label one cell below the top.
    EXPECT_NE(InkColumns(hdc, 60, 28 + 250 - 5 - 6, 28 + 250 - 5 + 10, kWhite, kWhite).first, -1);
    EXPECT_NE(InkColumns(hdc, 60, 28 + 5 - 6, 28 + 5 + 10, kWhite, kWhite).first, -1);
    EXPECT_EQ(InkColumns(hdc, 60, 0, 15, kWhite, kWhite).first, -1);  // no titles on the EM61-MK2
    EXPECT_EQ(GetPixel(hdc, 217, 150), kWhite);                       // and no second legend
    EXPECT_TRUE(PlatformSaveSurfacePng(hdc, std::string(TEST_OUTPUT_DIR "/em61mk2_colour_legend.png")));

    nInstrumentType = INSTRUMENT_EM38MK2;
    dScale2Min = 0;
    dScale2Max = 1500;
    HDC hdc2 = PlatformCreateMemorySurface(300, 296);
    DrawColorLegend(hdc2, 300, 296);
    EXPECT_EQ(GetPixel(hdc2, 217, 275), aclrColorScale[0]);
    EXPECT_EQ(GetPixel(hdc2, 217, 30), aclrColorScale[49]);
    EXPECT_NE(InkColumns(hdc2, 300, 0, 15, kWhite, kWhite).first, -1);  // titles
    EXPECT_TRUE(PlatformSaveSurfacePng(hdc2, std::string(TEST_OUTPUT_DIR "/em38mk2_colour_legends.png")));
    nInstrumentType = INSTRUMENT_EM61MK2;
}

}  // namespace
