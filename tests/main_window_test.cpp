// Main window: size and position for the screen, button layouts and fonts, the eighteen builds with their
// captions and start-up defaults, exit codes, and pictures of the start screen.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstring>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "map/pens.h"
#include "processing/filter_factor.h"
#include "support/program_runner.h"

namespace {

// Top-left corner of the main window's client area on the screen (the frame's border and caption before it).
POINT ClientOrigin()
{
    RECT rc;
    GetWindowRect(hwndMain, &rc);
    SIZE f = GetFrameSize();
    return POINT{rc.left + f.cx / 2, rc.top + f.cy - f.cx / 2};
}

RECT ButtonInClient(int i)
{
    RECT rc;
    GetWindowRect(ahMenuButton[i], &rc);
    POINT o = ClientOrigin();
    return RECT{rc.left - o.x, rc.top - o.y, rc.right - o.x, rc.bottom - o.y};
}

int PressExit()
{
    PlatformClickButton(ahMenuButton[9]);
    return 0;
}

struct GeometryCase {
    int screenW, screenH;
    int w, h, x, y, portrait;
};

TEST(MainWindow, SizeAndPositionForTheScreen)
{
    const GeometryCase cases[] = {
        {1920, 1080, 1280, 762, 320, 140, 0}, {1024, 768, 1024, 730, 0, 0, 0}, {800, 600, 800, 562, 0, 0, 0},
        {1080, 1920, 800, 1242, 140, 320, 1}, {600, 1024, 640, 986, 0, 0, 1},
        {1000, 1038, 800, 1242, 100, 0, 1},   // square working area (1000 x 1000 below the task bar): portrait
        {1000, 1000, 1280, 762, 0, 100, 0},   // a square screen is wider than its working area: landscape
        {768, 1366, 800, 1242, 0, 43, 1},     // width and height always set together
    };
    for (const GeometryCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.screenW) + " x " + std::to_string(c.screenH));
        ProgramStart start;
        start.screenWidth = c.screenW;
        start.screenHeight = c.screenH;
        ChildResult r = RunProgramInChild(start, [&c]() {
            CHILD_CHECK(nMainWidth == c.w && nMainHeight == c.h);
            CHILD_CHECK(nMainX == c.x && nMainY == c.y);
            CHILD_CHECK(bPortrait == c.portrait);
            RECT rc;
            CHILD_CHECK(GetWindowRect(hwndMain, &rc));
            CHILD_CHECK(rc.left == c.x && rc.top == c.y && rc.right == c.x + c.w && rc.bottom == c.y + c.h);
            SIZE f = GetFrameSize();
            CHILD_CHECK(nClientWidth == c.w - f.cx && nClientHeight == c.h - f.cy);
            CHILD_CHECK(GetClientRect(hwndMain, &rc) && rc.right == nClientWidth && rc.bottom == nClientHeight);
            // The two hidden screens cover the window.
            CHILD_CHECK(GetWindowRect(hwndLog, &rc) && rc.right - rc.left == c.w && rc.bottom - rc.top == c.h);
            return PressExit();
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// Expected button rectangles, worked out from the layout rules for a client area of W x H.
void ExpectedLayout(int W, int H, int portrait, RECT out[10])
{
    const int g = 3;
    if ((!portrait && W < 1000) || (portrait && H < 110)) {
        int h = std::max(36, (H - 180 - 9 * g) / 10);
        for (int i = 0; i < 10; i++)
            out[i] = RECT{W - 200, 30 + i * (h + g), W - 30, 30 + i * (h + g) + h};
    } else if (!portrait) {
        int w = W / 6, x = W - 2 * w - g - 30, h = std::max(36, (H - 160 - 4 * g) / 5);
        for (int i = 0; i < 10; i++) {
            int xi = i < 5 ? x : x + w + g, yi = 30 + (i % 5) * (h + g);
            out[i] = RECT{xi, yi, xi + w, yi + h};
        }
    } else {
        int w = (W - 3 * g - 40) / 4, y0 = (int)(H * 0.55), h = std::max(36, (H - y0 - 30 - 2 * g) / 3);
        for (int i = 1; i <= 8; i++) {
            int col = (i - 1) % 4, row = (i - 1) / 4;
            int xi = 20 + col * (w + g), yi = y0 + row * (h + g);
            out[i] = RECT{xi, yi, xi + w, yi + h};
        }
        int y3 = y0 + 2 * (h + g);
        out[9] = RECT{20, y3, 20 + w, y3 + h};
        out[0] = RECT{20 + w + g, y3, 20 + w + g + 3 * w + 2 * g, y3 + h};
    }
}

struct LayoutCase {
    const char *name;
    int clientW, clientH;  // wanted client area; the screen is chosen to give it
    int portrait;
    int columnsOfTen;      // 1: one column, 2: two columns of five, 4: the portrait grid
    const char *font;      // "button", "large" or "semibold24"
};

TEST(MainWindow, ButtonLayoutsAndFonts)
{
    const SIZE f = GetFrameSize();
    const LayoutCase cases[] = {
        {"landscape 999", 999, 600, 0, 1, "button"},
        {"landscape 1000", 1000, 600, 0, 2, "button"},
        {"landscape 1100", 1100, 600, 0, 2, "button"},
        {"landscape 1101", 1101, 600, 0, 2, "large"},
        {"portrait 1100 high", 700, 1100, 1, 4, "button"},
        {"portrait 1101 high", 700, 1101, 1, 4, "semibold24"},
        {"portrait smallest", 640 - f.cx, 986 - f.cy, 1, 4, "button"},
    };
    for (const LayoutCase &c : cases) {
        SCOPED_TRACE(c.name);
        ProgramStart start;
        start.screenWidth = c.clientW + f.cx;
        start.screenHeight = c.clientH + f.cy + 38;
        ChildResult r = RunProgramInChild(start, [&c]() {
            CHILD_CHECK(nClientWidth == c.clientW && nClientHeight == c.clientH);
            CHILD_CHECK(bPortrait == c.portrait);
            RECT expected[10];
            ExpectedLayout(c.clientW, c.clientH, c.portrait, expected);
            for (int i = 0; i < 10; i++) {
                RECT got = ButtonInClient(i);
                if (memcmp(&got, &expected[i], sizeof(RECT)) != 0)
                    fprintf(stderr, "button %d at %d,%d-%d,%d, expected %d,%d-%d,%d\n", i, got.left, got.top,
                            got.right, got.bottom, expected[i].left, expected[i].top, expected[i].right,
                            expected[i].bottom);
                CHILD_CHECK(memcmp(&got, &expected[i], sizeof(RECT)) == 0);
                CHILD_CHECK(IsWindowVisible(ahMenuButton[i]));
            }
            if (c.columnsOfTen == 1)
                CHILD_CHECK(ButtonInClient(9).left == ButtonInClient(0).left &&
                            ButtonInClient(0).right - ButtonInClient(0).left == 170);
            if (c.columnsOfTen == 2)
                CHILD_CHECK(ButtonInClient(5).left > ButtonInClient(4).left);
            if (c.columnsOfTen == 4)
                CHILD_CHECK(ButtonInClient(0).top == ButtonInClient(9).top &&
                            ButtonInClient(0).left > ButtonInClient(9).left);
            HFONT expectedFont = strcmp(c.font, "large") == 0        ? hFontLarge
                                 : strcmp(c.font, "semibold24") == 0 ? hFontSemibold24
                                                                     : hFontButton;
            CHILD_CHECK(hFontMenuButton == expectedFont);
            return PressExit();
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// Start-up defaults of one instrument, as the settings file of a first start holds them.
struct BuildCase {
    int type;
    const wchar_t *jixCaption;
    const wchar_t *zanthCaption;
    int baudIndex;
    DWORD timeoutMs;
    int profileCurves;
    int zanthColorMapView;
    int referencePhaseDone;
    int penWidth[8];
    COLORREF colour[8];
    double gpsOffsetX;
    int swathIndex;
};

const COLORREF kBlue = RGB(0, 0, 255), kGreen = RGB(0, 255, 0), kRed = RGB(255, 0, 0), kMagenta = RGB(255, 0, 255),
               kCyan = RGB(0, 255, 255), kOrange = RGB(255, 128, 64);

TEST(MainWindow, EighteenBuildsStartWithTheirCaptionAndDefaultsAndExitWithZero)
{
    const BuildCase cases[] = {
        {-4, L"Jix601", L"Zanth601", 0, 1000, 4, 1, 1, {2, 3, 4, 1, 2, 3, 4, 1},
         {kBlue, kGreen, kRed, kMagenta, kBlue, kGreen, kRed, kMagenta}, 0, 1},
        {-2, L"Jix61LX2", L"Zanth61LX2", 0, 200, 4, 2, 0, {2, 3, 4, 2, 2, 3, 4, 1},
         {kBlue, kGreen, kRed, kMagenta, kBlue, kGreen, kRed, kMagenta}, 0, 5},
        {-1, L"Jix61MK2", L"Zanth61MK2", 0, 200, 4, 3, 0, {2, 3, 4, 2, 2, 3, 4, 1},
         {kBlue, kGreen, kRed, kMagenta, kBlue, kGreen, kRed, kMagenta}, 0, 5},
        {0, L"Jix31", L"Zanth31", 0, 200, 4, 1, 1, {3, 2, 3, 2, 2, 2, 2, 2},
         {kBlue, kGreen, kRed, kMagenta, kBlue, kGreen, kRed, kMagenta}, -0.3, 2},
        {3, L"Jix38", L"Zanth38", 0, 200, 4, 1, 1, {3, 2, 3, 2, 2, 2, 2, 2},
         {kBlue, kGreen, kRed, kMagenta, kBlue, kGreen, kRed, kMagenta}, -0.3, 1},
        {4, L"Jix34-3", L"Zanth34-3", 0, 200, 6, 1, 1, {3, 3, 3, 2, 2, 2, 4, 1},
         {kBlue, kGreen, kRed, kCyan, kOrange, kMagenta, kRed, kMagenta}, 0, 2},
        {7, L"Jix38MK2", L"Zanth38MK2", 1, 500, 8, 1, 1, {3, 3, 3, 3, 2, 2, 2, 2},
         {kBlue, kGreen, kRed, kOrange, kBlue, kGreen, kRed, kOrange}, -0.3, 1},
        {8, L"Jix38-4", L"Zanth38-4", 1, 500, 8, 1, 1, {1, 2, 3, 4, 1, 2, 3, 4},
         {kBlue, kGreen, kRed, kMagenta, RGB(0, 224, 255), RGB(53, 181, 21), RGB(255, 160, 0), RGB(164, 0, 255)},
         -0.3, 1},
        {9, L"JixCS-21", L"ZanthCS-21", 0, 500, 8, 1, 1, {1, 2, 3, 4, 1, 2, 3, 4},
         {kBlue, kGreen, kRed, kMagenta, RGB(0, 224, 255), RGB(53, 181, 21), RGB(255, 160, 0), RGB(164, 0, 255)},
         -0.3, 1},
    };
    for (const BuildCase &c : cases) {
        for (int jix = 1; jix >= 0; jix--) {
            const wchar_t *caption = jix ? c.jixCaption : c.zanthCaption;
            SCOPED_TRACE(std::string(caption, caption + wcslen(caption)));
            ProgramStart start;
            start.instrumentType = c.type;
            start.jixProduct = jix;
            start.screenWidth = 1366;
            start.screenHeight = 768;
            ChildResult r = RunProgramInChild(start, [&c, jix, caption]() {
                wchar_t text[64] = {};
                GetWindowText(hwndMain, text, 64);
                if (wcscmp(text, caption) != 0)
                    fprintf(stderr, "caption \"%ls\"\n", text);
                CHILD_CHECK(wcscmp(text, caption) == 0);
                CHILD_CHECK(nInstrumentBaudIndex == c.baudIndex);
                CHILD_CHECK(dwInstrumentTimeoutMs == c.timeoutMs);
                CHILD_CHECK(nProfileCurves == c.profileCurves);
                CHILD_CHECK(nColorMapView == (jix ? 0 : c.zanthColorMapView));
                CHILD_CHECK(bReferencePhaseDone == c.referencePhaseDone);
                for (int k = 0; k < 8; k++) {
                    if (anChannelPenWidth[k] != c.penWidth[k] || aclrChannel[k] != c.colour[k])
                        fprintf(stderr, "channel %d: width %d colour %06X\n", k + 1, anChannelPenWidth[k],
                                (unsigned)aclrChannel[k]);
                    CHILD_CHECK(anChannelPenWidth[k] == c.penWidth[k]);
                    CHILD_CHECK(aclrChannel[k] == c.colour[k]);
                }
                CHILD_CHECK(std::fabs(dGpsOffsetX - c.gpsOffsetX) < 1e-9 && dGpsOffsetY == 0.0);
                CHILD_CHECK(nSwathIndex == c.swathIndex);
                if (c.type == INSTRUMENT_EM61LX2) {
                    CHILD_CHECK(dFilterFactorLeft == 310.0 && dFilterFactorRight == 310.0);
                    CHILD_CHECK(dFilterFactorLeftPrev == 310.0 && dFilterFactorRightPrev == 310.0);
                    // (310 - 18) / 108
                    CHILD_CHECK(std::fabs(dFilterRatioLeft - 2.7037037037) < 1e-9);
                    CHILD_CHECK(std::fabs(dFilterRatioRight - 2.7037037037) < 1e-9);
                }
                if (c.type == INSTRUMENT_EM61MK2) {
                    CHILD_CHECK(dGpsAntennaHeight == 1.65 && nTiltBaud == 5 && nTiltMeterState == 2);
                    CHILD_CHECK(bTiltMeterOn == 0);
                }
                if (c.type == INSTRUMENT_GRAD601) {
                    CHILD_CHECK(std::fabs(dSwathWidth - 0.5) < 1e-12 && nSensorsMinus1 == 1);
                    CHILD_CHECK(nGeometryUnits == 0);
                }
                // The ten buttons with their labels, the first one highlighted; the two hidden screens.
                for (int i = 0; i < 10; i++) {
                    GetWindowText(ahMenuButton[i], text, 64);
                    CHILD_CHECK(wcscmp(text, MainMenuButtonLabel(i)) == 0);
                    CHILD_CHECK(GetDlgCtrlID(ahMenuButton[i]) == 420 + i);
                }
                GetWindowText(ahMenuButton[3], text, 64);
                CHILD_CHECK(wcscmp(text, c.type == INSTRUMENT_EM61LX2 ? L"Alarms S&etup" : L"G&eometry Setup") == 0);
                CHILD_CHECK((SendMessage(ahMenuButton[0], BM_GETSTYLE, 0, 0) & BS_TYPEMASK) == BS_DEFPUSHBUTTON);
                CHILD_CHECK(IsWindow(hwndLog) && !IsWindowVisible(hwndLog) && GetDlgCtrlID(hwndLog) == 4);
                CHILD_CHECK(IsWindow(hwndGpsMonitor) && !IsWindowVisible(hwndGpsMonitor) &&
                            GetDlgCtrlID(hwndGpsMonitor) == 780);
                GetWindowText(hwndLog, text, 64);
                CHILD_CHECK(wcscmp(text, L"Log") == 0);
                GetWindowText(hwndGpsMonitor, text, 64);
                CHILD_CHECK(wcscmp(text, L"Monitor GPS") == 0);
                CHILD_CHECK(nSideColumnWidth == 140 && nActiveScreen == 0);
                CHILD_CHECK(nLineHeight == nTextHeight + 2 && nTextHeight > 0);
                // Pens and brushes are made (the last group too).
                CHILD_CHECK(hpenBlack != nullptr && hpenCursor != nullptr && ahChannelPen[0] != nullptr);
                CHILD_CHECK(ahColorScalePen[50] != nullptr && ahColorScaleBrush[50] != nullptr);
                return PressExit();
            });
            EXPECT_TRUE(r.exited);
            EXPECT_EQ(r.exitCode, 0);
        }
    }
}

TEST(MainWindow, FilterFactorConversion)
{
    EXPECT_NEAR(ConvertFilterFactor(2.7, 0), 309.6, 1e-9);
    EXPECT_NEAR(ConvertFilterFactor(310.0, 1), 2.7037, 5e-5);
    EXPECT_NEAR(ConvertFilterFactor(3.1, 0), 352.8, 1e-9);
    EXPECT_NEAR(ConvertFilterFactor(352.8, 1), 3.1, 1e-9);
    EXPECT_NEAR(ConvertFilterFactor(4.0, 0), 468.0, 1e-9);   // 128 x 4 - 44
    EXPECT_NEAR(ConvertFilterFactor(468.0, 2), 4.0, 1e-9);   // any direction but 0 goes back to the ratio
}

TEST(MainWindow, TypeWithoutCaptionEndsWithSixteen)
{
    ChildResult r = RunInChild([]() {
        setenv("ULVANE_ROOT", MakeTestRootFolder("no-caption").c_str(), 1);
        static char arg0[] = "Jix";
        static char *argv[] = {arg0, nullptr};
        return RunProgram(5, 1, 1, argv);  // the program's own entry
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 16);
}

TEST(MainWindow, ChildScreenThatCannotBeMadeEndsWithSixteen)
{
    for (const wchar_t *cls : {L"ScreenLogWnd", L"MonitorGPSWnd"}) {
        SCOPED_TRACE(std::string(cls, cls + wcslen(cls)));
        ProgramStart start;
        start.failWindowClass = cls;
        ChildResult r = RunProgramInChild(start);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 16);
        // No creation step runs after the failure: nothing of steps 12 to 15 is made.
        r = RunInChild([cls]() {
            setenv("ULVANE_ROOT", MakeTestRootFolder("failed-screen").c_str(), 1);
            static char arg0[] = "Jix";
            static char *argv[] = {arg0, nullptr};
            HINSTANCE inst = PlatformInit(1, argv);
            PlatformFailWindowClass(cls);
            int code = wWinMain(inst, nullptr, nullptr, SW_SHOWNORMAL);
            CHILD_CHECK(hpenBlack == nullptr && ahColorScalePen[0] == nullptr && hpenCursor == nullptr);
            CHILD_CHECK(hwndLog == nullptr && hwndGpsMonitor == nullptr);
            return code;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 16);
    }
}

TEST(MainWindow, ClassThatCannotBeRegisteredEndsWithTwo)
{
    for (const wchar_t *cls : {L"ScreenLogWnd", L"CurveWnd", L"ColorBarWnd", L"MonitorGPSWnd"}) {
        SCOPED_TRACE(std::string(cls, cls + wcslen(cls)));
        ProgramStart start;
        start.failRegisterClass = cls;
        ChildResult r = RunProgramInChild(start);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 2);
    }
}

// Counts the pixels of a rectangle that differ from the colour of its top-left pixel.
int PixelsUnlike(const QImage &image, RECT rc)
{
    QRgb first = image.pixel(rc.left, rc.top);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++)
            if (image.pixel(x, y) != first)
                n++;
    return n;
}

void SaveStartScreen(int screenW, int screenH, const std::string &name)
{
    ProgramStart start;
    start.screenWidth = screenW;
    start.screenHeight = screenH;
    std::string path = std::string(TEST_OUTPUT_DIR "/") + name;
    ChildResult r = RunProgramInChild(start, [&path]() {
        CHILD_CHECK(PlatformSaveWindowPng(hwndMain, path));
        QImage image(QString::fromStdString(path));
        CHILD_CHECK(!image.isNull());
        fprintf(stderr, "%s: %d x %d, client %d x %d\n", path.c_str(), image.width(), image.height(), nClientWidth,
                nClientHeight);
        // The picture is of the client area, or of the whole window with its frame.
        int dx = 0, dy = 0;
        if (image.width() != nClientWidth) {
            SIZE f = GetFrameSize();
            dx = f.cx / 2;
            dy = f.cy - f.cx / 2;
        }
        // The background above the start screen's frame is the button-face colour, plain.
        RECT bg = {dx + 15, dy + 2, dx + 60, dy + 10};
        CHILD_CHECK(PixelsUnlike(image, bg) == 0);
        // Every button shows its label: its inner part is not one colour.
        for (int i = 0; i < 10; i++) {
            RECT b = ButtonInClient(i);
            RECT inner = {dx + b.left + 6, dy + b.top + 6, dx + b.right - 6, dy + b.bottom - 6};
            CHILD_CHECK(PixelsUnlike(image, inner) > 20);
        }
        return PressExit();
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(MainWindow, PicturesOfTheStartScreen)
{
    SaveStartScreen(1920, 1080, "main_window_landscape_1280x762.png");
    SaveStartScreen(1080, 1920, "main_window_portrait_800x1242.png");
}

}  // namespace
