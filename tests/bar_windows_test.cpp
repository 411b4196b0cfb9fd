// Q and I bar windows: pixels of real BarQWnd and BarIWnd windows after readings and repaints, per scale.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "displays/bar_windows.h"
#include "displays/child_windows.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"

namespace {

constexpr int kSize = 100;  // both bar windows are 100 x 100
constexpr COLORREF kGridGrey = 0xC0C0C0;
// Eight distinct channel colours, so that a bar's slot shows in its pixels.
constexpr COLORREF kChannel[8] = {0xFF0000, 0x00A000, 0x0000FF, 0xFF00FF, 0x808000, 0x008080, 0x800080, 0x404040};

class BarEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "bar-windows-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        nInstrumentType = INSTRUMENT_EM31MK2;
        CreateFixedPensAndBrushes();
        for (int i = 0; i < 8; i++) aclrChannel[i] = kChannel[i];
        CreateChannelPens(0);
        ASSERT_EQ(RegisterBarQWnd(hInst), 0);
        ASSERT_EQ(RegisterBarIWnd(hInst), 0);
        WNDCLASS wc = {};
        wc.lpfnWndProc = DefWindowProc;
        wc.hInstance = hInst;
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = L"BarTestParent";
        ASSERT_NE(RegisterClass(&wc), 0);
        HWND hwndParent =
            CreateWindow(L"BarTestParent", L"Bars", WS_OVERLAPPED, 0, 0, 400, 300, nullptr, 0, hInst, nullptr);
        ShowWindow(hwndParent, SW_SHOW);
        hwndBarQ = CreateWindow(L"BarQWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, kSize, kSize, hwndParent, 620, hInst,
                                nullptr);
        hwndBarI = CreateWindow(L"BarIWnd", L"", WS_CHILD | WS_VISIBLE, 150, 0, kSize, kSize, hwndParent, 630,
                                hInst, nullptr);
        ASSERT_TRUE(hwndBarQ && hwndBarI);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new BarEnvironment);

// Row of a value on a window of kSize rows, as the reading handlers convert it.
int RowOf(double v, double dMin, double dMax)
{
    return (int)((dMax - v) * (kSize / (dMax - dMin)));
}

// Column x shows a bar of the colour exactly over rows first..last: every row there is the colour or a scale line
// drawn over it, and no other row carries the colour.
::testing::AssertionResult BarOver(HWND hwnd, int x, COLORREF clr, int first, int last)
{
    HDC hdc = GetDC(hwnd);
    std::string sBad;
    for (int y = 0; y < kSize; y++) {
        const COLORREF px = GetPixel(hdc, x, y);
        const bool bInside = y >= first && y <= last;
        if (bInside ? (px != clr && px != kGridGrey) : px == clr) sBad += " " + std::to_string(y);
    }
    ReleaseDC(hwnd, hdc);
    if (sBad.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "rows out of place:" << sBad;
}

int Count(HWND hwnd, COLORREF clr)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = 0; y < kSize; y++)
        for (int x = 0; x < kSize; x++) n += GetPixel(hdc, x, y) == clr;
    ReleaseDC(hwnd, hdc);
    return n;
}

class BarWindowsTest : public ::testing::Test {
protected:
    // Both windows cleared and laid out: two bars at x = 10 and 40, 15 wide; scale 1 and scale 2 as given.
    void Layout(int nType, double dMin1, double dMax1, double dMin2, double dMax2)
    {
        nInstrumentType = nType;
        bInstrumentEnabled = 1;
        nDisplayedChannels = nType == INSTRUMENT_EM34 ? 1 : 2;
        static const int anQ[6] = {0, 1, 4, 5, 0, 0}, anI[4] = {2, 3, 6, 7};
        static const int anEm34Q[6] = {0, 1, 2, 3, 4, 5};
        std::memcpy(anBarQPenSlot, nType == INSTRUMENT_EM34 ? anEm34Q : anQ, sizeof anBarQPenSlot);
        std::memcpy(anBarIPenSlot, anI, sizeof anBarIPenSlot);
        nBarWndWidth = nBarWndHeight = nCurveAreaHeightB = kSize;
        nBarWidth = 15;
        anBarLeft[0] = 10;
        anBarLeft[1] = 40;
        dScale1Min = dMin1, dScale1Max = dMax1, dScale2Min = dMin2, dScale2Max = dMax2;
        ComputeGridLines(anGridLineY1B, kSize, dMin1, dMax1, kSize / (dMax1 - dMin1), &nScale1RangeSign);
        ComputeGridLines(anGridLineY2B, kSize, dMin2, dMax2, kSize / (dMax2 - dMin2), &nScale2RangeSign);
        bBarQFrameDrawn = bBarIFrameDrawn = 0;
    }
    void Q(double v0, double v1)
    {
        const int an[2] = {RowOf(v0, dScale1Min, dScale1Max), RowOf(v1, dScale1Min, dScale1Max)};
        HDC hdc = GetDC(hwndBarQ);
        UpdateBarQBars(hdc, an);
        ReleaseDC(hwndBarQ, hdc);
    }
    void I(double v0, double v1)
    {
        const int an[2] = {RowOf(v0, dScale2Min, dScale2Max), RowOf(v1, dScale2Min, dScale2Max)};
        HDC hdc = GetDC(hwndBarI);
        UpdateBarIBars(hdc, an);
        ReleaseDC(hwndBarI, hdc);
    }
};

// x of a column inside bar i that no grid line crosses vertically.
constexpr int kBar0X = 17, kBar1X = 47;

TEST_F(BarWindowsTest, BarsStandOnTheBottomHangFromTheTopOrStartAtTheZeroLine)
{
    struct Case {
        const char *name;
        double dMin, dMax, v;
        int first, last;  // rows of bar 0 in its colour, grid rows aside
    } const aCase[] = {
        {"0..500 stands on the bottom", 0, 500, 250, 50, 99},
        {"-500..0 hangs from the top", -500, 0, -250, 0, 49},
        {"-250..250 above zero rises from the zero line", -250, 250, 125, 25, 49},
        {"-250..250 below zero hangs from the zero line", -250, 250, -125, 50, 74},
    };
    for (const Case &c : aCase) {
        SCOPED_TRACE(c.name);
        Layout(INSTRUMENT_EM31MK2, c.dMin, c.dMax, -25, 25);
        Q(c.v, c.v);
        EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[0], c.first, c.last));
        EXPECT_TRUE(BarOver(hwndBarQ, kBar1X, kChannel[1], c.first, c.last)) << "the second bar in its own colour";
    }
}

TEST_F(BarWindowsTest, ASignChangeLeavesNoRemnantInEitherWindow)
{
    Layout(INSTRUMENT_EM31MK2, -250, 250, -25, 25);
    const struct {
        double q, i;
    } aStep[] = {{200, 20}, {-200, -20}, {100, 10}, {-50, -5}, {240, 24}, {-240, -24}, {10, 1}};
    for (const auto &step : aStep) {
        SCOPED_TRACE(step.q);
        Q(step.q, step.q);
        I(step.i, step.i);
        const int r = RowOf(step.q, -250, 250);
        EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[0], r < 50 ? r : 50, r < 50 ? 49 : r - 1));
        const int ri = RowOf(step.i, -25, 25);
        EXPECT_TRUE(BarOver(hwndBarI, kBar1X, kChannel[3], ri < 50 ? ri : 50, ri < 50 ? 49 : ri - 1));
        // Nothing of the bar's colour beside it either (the erase is one pixel wider on each side).
        const int nRows = r < 50 ? 50 - r : r - 50;
        EXPECT_LE(Count(hwndBarQ, kChannel[0]), nRows * 15);
    }
}

TEST_F(BarWindowsTest, Em34BarTakesTheColourOfTheChannelReadAndAChangeClearsTheWindowFirst)
{
    Layout(INSTRUMENT_EM34, 0, 500, -25, 25);
    nEm34Channel = 3;
    Q(400, 0);
    EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[3], 20, 99));
    EXPECT_EQ(Count(hwndBarQ, kChannel[0]), 0);

    // The handler clears the frame flag when the channel changes: the old bar goes, the new one has its colour.
    nEm34Channel = 5;
    bBarQFrameDrawn = 0;
    Q(100, 0);
    EXPECT_EQ(Count(hwndBarQ, kChannel[3]), 0);
    EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[5], 80, 99));
}

TEST_F(BarWindowsTest, RepaintRestoresStoredBarsToTheWindowEdgeAndNoneBeforeTheFirstReading)
{
    Layout(INSTRUMENT_EM31MK2, 0, 500, -25, 25);
    Q(250, 9000);  // the second far above the scale: drawn to its row, stored at the edge
    I(-20, 20);
    HDC hdc = GetDC(hwndBarQ);
    RECT rc = {0, 0, kSize, kSize};
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(hwndBarQ, hdc);
    hdc = GetDC(hwndBarI);
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(WHITE_BRUSH));
    ReleaseDC(hwndBarI, hdc);

    RefreshReadingWindows();
    EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[0], 50, 99));
    EXPECT_TRUE(BarOver(hwndBarQ, kBar1X, kChannel[1], 0, 99));
    EXPECT_EQ(Count(hwndBarQ, 0), 0) << "the erase-background repaint cleared the scribble";
    EXPECT_TRUE(BarOver(hwndBarI, kBar0X, kChannel[2], 50, 89));
    EXPECT_TRUE(BarOver(hwndBarI, kBar1X, kChannel[3], 10, 49));

    // After a new session's frame reset the repaint shows only the scale lines.
    ForgetBarWindowBars();
    bBarQFrameDrawn = 0;
    RefreshReadingWindows();
    EXPECT_EQ(Count(hwndBarQ, kChannel[0]) + Count(hwndBarQ, kChannel[1]), 0);
    EXPECT_GT(Count(hwndBarQ, 0xC0C0C0) + Count(hwndBarQ, 0x808080), 0) << "scale lines";
}

// A frame reset (a pause, a logging-screen command, a dialog) repaints the last reading's bars while their rows
// still mean the same on the window; a changed scale, window height or bar count, or a new session, leaves only
// the scale lines until the next reading, which then draws the bars afresh.
TEST_F(BarWindowsTest, RepaintAfterAFrameResetKeepsTheLastBarsWhileTheirRowsStillFit)
{
    struct Case {
        const char *name;
        void (*change)();  // what happens between the reading and the repaint, frames reset
        bool bKept;
    } const aCase[] = {
        {"pause: nothing else changed", [] {}, true},
        {"scale 1 changed", [] { dScale1Min = -100; }, false},
        {"window height changed", [] { nBarWndHeight = kSize - 10; }, false},
        {"bar count changed", [] { nDisplayedChannels = 1; }, false},
        {"new session", [] { ForgetBarWindowBars(); }, false},
    };
    for (const Case &c : aCase) {
        SCOPED_TRACE(c.name);
        Layout(INSTRUMENT_EM31MK2, 0, 500, -25, 25);
        Q(250, 400);
        I(-20, 20);
        c.change();
        bBarQFrameDrawn = bBarIFrameDrawn = 0;
        RefreshReadingWindows();
        if (c.bKept) {
            EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[0], 50, 99));
            EXPECT_TRUE(BarOver(hwndBarQ, kBar1X, kChannel[1], 20, 99));
            EXPECT_TRUE(BarOver(hwndBarI, kBar0X, kChannel[2], 50, 89));
            EXPECT_TRUE(BarOver(hwndBarI, kBar1X, kChannel[3], 10, 49));
        } else {
            EXPECT_EQ(Count(hwndBarQ, kChannel[0]) + Count(hwndBarQ, kChannel[1]), 0);
        }
        // The next reading clears the window and draws its bars from the base row, whatever was repainted.
        nDisplayedChannels = 2;
        nBarWndHeight = kSize;
        Layout(INSTRUMENT_EM31MK2, 0, 500, -25, 25);
        bBarQFrameDrawn = 0;
        Q(100, 450);
        EXPECT_TRUE(BarOver(hwndBarQ, kBar0X, kChannel[0], 80, 99));
        EXPECT_TRUE(BarOver(hwndBarQ, kBar1X, kChannel[1], 10, 99));
    }
}

TEST_F(BarWindowsTest, NoInstrumentLeavesTheBarWindowsBlank)
{
    Layout(INSTRUMENT_EM31MK2, 0, 500, -25, 25);
    Q(250, 250);
    bInstrumentEnabled = 0;
    RefreshReadingWindows();
    EXPECT_EQ(Count(hwndBarQ, 0xFFFFFF), kSize * kSize);
    bInstrumentEnabled = 1;
}

}  // namespace
