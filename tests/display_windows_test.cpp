// Display child windows: class registration, the common repaint (scale lines, stored bars, labels, empty speed
// bar; nothing but the speed bar without an instrument), the reading-window refresh and the colour legend.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "displays/child_windows.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "acquisition/acquisition.h"
#include "datafile/datafile.h"
#include "support/stand_in_windows.h"

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
HWND gParent;

LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

class WindowsEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "display-windows-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        nInstrumentType = INSTRUMENT_EM61MK2;
        CreateDisplayFontsAndPens();
        ASSERT_EQ(RegisterDecayWnd(hInst), 0);
        ASSERT_EQ(RegisterBarQWnd(hInst), 0);
        ASSERT_EQ(RegisterBarIWnd(hInst), 0);
        ASSERT_EQ(RegisterCurveWnd(hInst), 0);
        ASSERT_EQ(RegisterNumbersWnd(hInst), 0);
        ASSERT_EQ(RegisterSpeedWnd(hInst), 0);
        ASSERT_EQ(RegisterColorBarWnd(hInst), 0);

        gParent = CreateStandInParent(ParentProc, L"DisplayTestParent", L"Displays", 800, 600);
        ASSERT_NE(gParent, nullptr);
        const DWORD style = WS_CHILD | WS_VISIBLE;
        hwndCurve1 = CreateWindow(L"CurveWnd", L"", style, 0, 0, 300, 120, gParent, 600, hInst, nullptr);
        hwndDecay = CreateWindow(L"DecayWnd", L"", style, 310, 0, 120, 120, gParent, 610, hInst, nullptr);
        hwndNumbers = CreateWindow(L"NumbersWnd", L"", style, 440, 0, 150, 120, gParent, 650, hInst, nullptr);
        hwndSpeed = CreateWindow(L"SpeedWnd", L"", style, 0, 130, 200, 10, gParent, 651, hInst, nullptr);
        ASSERT_TRUE(hwndCurve1 && hwndDecay && hwndNumbers && hwndSpeed);
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new WindowsEnvironment);

int PixelsNotWhite(HWND hwnd, int w, int h)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) n += GetPixel(hdc, x, y) != kWhite;
    ReleaseDC(hwnd, hdc);
    return n;
}

int PixelsOf(HWND hwnd, int w, int h, COLORREF clr)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) n += GetPixel(hdc, x, y) == clr;
    ReleaseDC(hwnd, hdc);
    return n;
}

// Scribbles black over a window, so that a repaint shows what it restores.
void Scribble(HWND hwnd, int w, int h)
{
    HDC hdc = GetDC(hwnd);
    RECT rc = {0, 0, w, h};
    FillRect(hdc, &rc, (HBRUSH)GetStockObject(BLACK_BRUSH));
    ReleaseDC(hwnd, hdc);
}

class DisplayWindowsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nInstrumentType = INSTRUMENT_EM61MK2;
        bInstrumentEnabled = 1;
        bAltGraphScale = 0;
        nRecordingState = 0;
        SetProfileArea(300, 120, 120, 120);
        nSpeedBarWidth = 200;
        nSpeedBarHeight = 10;
        rcSidePanel = RECT{0, 0, 150, 120};
        rcSidePanelValues = RECT{30, 7, 150, 120};
        for (int i = 0; i < 4; i++) anBarLeft[i] = 10 + 25 * i;
        nChannelBarWidth = 15;
    }
};

TEST_F(DisplayWindowsTest, ARegistrationFailureIsReported)
{
    PlatformFailRegisterClass(L"BarIWnd");
    EXPECT_EQ(RegisterBarIWnd(hInst), 1);
    PlatformFailRegisterClass(nullptr);
}

TEST_F(DisplayWindowsTest, RepaintRestoresScaleLinesLabelsAndAnEmptySpeedBar)
{
    Scribble(hwndCurve1, 300, 120);
    Scribble(hwndNumbers, 150, 120);
    Scribble(hwndSpeed, 200, 10);
    InvalidateRect(hwndCurve1, nullptr, TRUE);
    InvalidateRect(hwndNumbers, nullptr, TRUE);
    InvalidateRect(hwndSpeed, nullptr, TRUE);
    // One paint message repaints every invalid child.
    UpdateWindow(hwndSpeed);
    EXPECT_EQ(PixelsOf(hwndCurve1, 300, 120, 0), 0);
    HDC hdc = GetDC(hwndCurve1);
    // The four fixed lines of a 0..2000 scale: rows trunc(120 - 121 x f), f = 0.2 .. 0.8.
    for (int row : {95, 71, 47, 23}) EXPECT_NE(GetPixel(hdc, 150, row), kWhite) << row;
    EXPECT_EQ(GetPixel(hdc, 150, 60), kWhite);
    ReleaseDC(hwndCurve1, hdc);
    EXPECT_GT(PixelsOf(hwndNumbers, 150, 120, RGB(0, 0, 255)), 20);  // blue channel labels
    EXPECT_EQ(PixelsNotWhite(hwndSpeed, 200, 10), 0);                // empty bar
}

TEST_F(DisplayWindowsTest, ChildrenWithoutAnInvalidRegionStayAsTheyAre)
{
    UpdateWindow(hwndCurve1);  // the profile window was invalid since its creation; now it is not
    Scribble(hwndCurve1, 300, 120);
    Scribble(hwndSpeed, 200, 10);
    InvalidateRect(hwndSpeed, nullptr, TRUE);
    UpdateWindow(hwndSpeed);
    EXPECT_EQ(PixelsNotWhite(hwndSpeed, 200, 10), 0);
    EXPECT_EQ(PixelsOf(hwndCurve1, 300, 120, 0), 300 * 120);
}

TEST_F(DisplayWindowsTest, WithoutInstrumentOnlyTheSpeedBarIsDrawn)
{
    bInstrumentEnabled = 0;
    Scribble(hwndCurve1, 300, 120);
    Scribble(hwndNumbers, 150, 120);
    Scribble(hwndDecay, 120, 120);
    InvalidateRect(hwndCurve1, nullptr, TRUE);
    InvalidateRect(hwndNumbers, nullptr, TRUE);
    InvalidateRect(hwndDecay, nullptr, TRUE);
    UpdateWindow(hwndCurve1);
    EXPECT_EQ(PixelsNotWhite(hwndCurve1, 300, 120), 0);
    EXPECT_EQ(PixelsNotWhite(hwndNumbers, 150, 120), 0);
    EXPECT_EQ(PixelsNotWhite(hwndDecay, 120, 120), 0);
}

TEST_F(DisplayWindowsTest, RefreshRedrawsStoredBarsOnlyOnceTheirFrameIsDrawn)
{
    for (int i = 0; i < 4; i++) anBarTop[i] = 40;
    bGraphFrameDrawn = 1;
    Scribble(hwndDecay, 120, 120);
    RefreshReadingWindows();
    EXPECT_GT(PixelsOf(hwndDecay, 120, 120, aclrChannel[0]), 15 * 60);
    EXPECT_EQ(PixelsOf(hwndDecay, 120, 120, 0), 0);

    bGraphFrameDrawn = 0;
    RefreshReadingWindows();
    EXPECT_EQ(PixelsOf(hwndDecay, 120, 120, aclrChannel[0]), 0);
    EXPECT_GT(PixelsNotWhite(hwndDecay, 120, 120), 0);  // its scale lines
}

TEST_F(DisplayWindowsTest, ColourLegendPaintsWhenCreated)
{
    HWND hwnd = CreateWindow(L"ColorBarWnd", L"", WS_CHILD | WS_VISIBLE, 600, 0, 60, 296, gParent, 653, hInst,
                             nullptr);
    ASSERT_NE(hwnd, nullptr);
    PlatformPump(20);
    EXPECT_GT(PixelsNotWhite(hwnd, 60, 296), 100);
    DestroyWindow(hwnd);
}

TEST_F(DisplayWindowsTest, ReadingsScrollTheProfileFillTheBarsAndShowTheValues)
{
    // Standard type, "OK" answer, ring full of 3000: channel k of mode T = word x 4.8333 x 2.
    CloseDataFile();
    nEm61Type = 0;
    nEm61TypeSaved = 0;
    nInstrumentCmdReply = 1;
    nScaleType = 0;
    for (double &d : adOffset) d = 0.0;
    nReferenceRingLength = 98;
    for (int i = 0; i < 98; i++) adCurrentRing[i] = 3000.0;
    dCurrentSum = 98 * 3000.0;
    bReferenceReady = 1;
    nEm61ProcedureState = 1;
    nRecordingState = 1;
    nSurveyMode = 0;
    bGraphFrameDrawn = 0;
    for (double &d : adOffset) d = 0.0;
    RECT rc = {0, 0, 300, 120};
    HDC hdc = GetDC(hwndCurve1);
    FillRect(hdc, &rc, hbrWhite);
    ReleaseDC(hwndCurve1, hdc);
    for (int i = 0; i < 40; i++) {
        const int w[4] = {150 + i, 100 + i, 60 + i, 20 + i};  // rows about 36, 60, 84 and 104 of 120
        szInstrumentRecord[0] = 'T';
        szInstrumentRecord[1] = 0;
        for (int k = 0; k < 4; k++) {
            szInstrumentRecord[2 + 2 * k] = (char)(w[k] >> 8);
            szInstrumentRecord[3 + 2 * k] = (char)(w[k] & 0xFF);
        }
        szInstrumentRecord[10] = 0x0B;
        szInstrumentRecord[11] = (char)0xB8;
        szInstrumentRecord[12] = 81;
        OnInstrumentReadingMsg(nullptr, WM_EM61MK2_READING, 0, 0);
    }
    for (int k = 0; k < 4; k++) {
        EXPECT_GT(PixelsOf(hwndCurve1, 300, 120, aclrChannel[k]), 40) << "profile channel " << k + 1;
        EXPECT_GT(PixelsOf(hwndDecay, 120, 120, aclrChannel[k]), 15 * 10) << "bar " << k + 1;
    }
    // The value column of the numbers window is green while logging and holds the values' text.
    EXPECT_GT(PixelsOf(hwndNumbers, 150, 120, RGB(0, 255, 0)), 100);
    EXPECT_GT(PixelsOf(hwndNumbers, 150, 120, RGB(0, 0, 0)), 20);
    PlatformSaveWindowPng(gParent, std::string(TEST_OUTPUT_DIR "/em61mk2_live_displays.png"));
    nRecordingState = 0;
}

// One reading through the handler: mode letter, gain 0, channel words 100, 80, 60, 40, current 3000, battery 81.
void HandleReading(char chMode)
{
    const int w[4] = {100, 80, 60, 40};
    szInstrumentRecord[0] = chMode;
    szInstrumentRecord[1] = 0;
    for (int k = 0; k < 4; k++) {
        szInstrumentRecord[2 + 2 * k] = (char)(w[k] >> 8);
        szInstrumentRecord[3 + 2 * k] = (char)(w[k] & 0xFF);
    }
    szInstrumentRecord[10] = 0x0B;
    szInstrumentRecord[11] = (char)0xB8;
    szInstrumentRecord[12] = 81;
    OnInstrumentReadingMsg(nullptr, WM_EM61MK2_READING, 0, 0);
}

int TextPixelsIn(HWND hwnd, const RECT &rc)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) n += GetPixel(hdc, x, y) == 0;
    ReleaseDC(hwnd, hdc);
    return n;
}

TEST_F(DisplayWindowsTest, StatusBoxesShowMarkerBatteryCurrentAndMode)
{
    CloseDataFile();
    nEm61Type = 0;
    nEm61TypeSaved = 0;
    nInstrumentCmdReply = 1;
    nReferenceRingLength = 98;
    for (int i = 0; i < 98; i++) adCurrentRing[i] = 3000.0;
    dCurrentSum = 98 * 3000.0;
    bReferenceReady = 1;
    nEm61ProcedureState = 1;
    nRecordingState = 0;
    bAudioTicks = 0;
    hwndLog = gParent;
    rcStatusMarker = RECT{10, 200, 110, 220};
    rcStatusVoltage = RECT{10, 230, 110, 250};
    rcStatusCurrent = RECT{10, 260, 110, 280};
    rcStatusMode = RECT{10, 290, 60, 310};

    nSurveyMode = 0;
    HandleReading('M');
    EXPECT_GT(TextPixelsIn(gParent, rcStatusMarker), 10);  // "MARKER"
    EXPECT_GT(TextPixelsIn(gParent, rcStatusVoltage), 10);  // "12.1 V"
    EXPECT_GT(TextPixelsIn(gParent, rcStatusCurrent), 10);  // " 5.6 A"
    EXPECT_GT(TextPixelsIn(gParent, rcStatusMode), 3);      // "4"
    HandleReading('T');
    EXPECT_EQ(TextPixelsIn(gParent, rcStatusMarker), 0);
    nSurveyMode = 2;  // MANUAL: a marker rings instead of showing
    HandleReading('M');
    EXPECT_EQ(TextPixelsIn(gParent, rcStatusMarker), 0);
    nSurveyMode = 0;
    hwndLog = nullptr;
    for (RECT *prc : {&rcStatusMarker, &rcStatusVoltage, &rcStatusCurrent, &rcStatusMode}) *prc = RECT{0, 0, 0, 0};
}

}  // namespace
