// Program entry and main window: class registration, window size for the screen, creation, message loop, exit.
#include "background/background_state.h"
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "core/start_screen.h"
#include "core/text.h"
#include "core/utm.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "resources/resources.h"

#include <cstdio>
#include <new>
#include <stdexcept>
#include <unistd.h>

int nInstrumentType = INSTRUMENT_EM61MK2;
int bJixProduct = 1;

int bSimulateInstrument = 0, bSimulateGps = 0, bSimulatedReadings = 0, bSimulateSentences = 0, nEm384SimMode = 0,
    bEm38EventReader = 0, bNoGpsRecords = 0;

HINSTANCE hInst = nullptr;
HWND hwndMain = nullptr, hwndLog = nullptr, hwndGpsMonitor = nullptr;
int bPortrait = 0, nMainWidth = 0, nMainHeight = 0, nMainX = 0, nMainY = 0, nClientWidth = 0, nClientHeight = 0;
int nTextHeight = 0, nAveCharWidth = 0, nLineHeight = 0, nSideColumnWidth = 140;
int bLongUptime = 0, nActiveScreen = 0;
int bGpsActive = 0;
HWND ahMenuButton[10];
int nMenuButtonX = 0, nMenuButtonY = 0, nMenuButtonWidth = 0, nMenuButtonHeight = 0;

HFONT hFontLight, hFontLarge, hFontSemibold24, hFontTitle, hFontNormal, hFontSmallBold, hFontBold, hFontButton,
    hFontSummary, hFontItalic18;
HFONT hFontMenuButton;

const wchar_t szTempFolder[] = L"C:\\ProgramData\\Ulvane\\Temp\\";
HBRUSH hbrMainBackground = nullptr;

namespace {

const MessageHandlerEntry kMainMessages[8] = {
    {WM_CREATE, MainOnCreate},     {WM_SIZE, MainOnSize},       {WM_DESTROY, MainOnDestroy},
    {WM_COMMAND, MainOnCommand},   {WM_DEADCHAR, MainOnCommand}, {WM_KEYDOWN, MainOnCommand},
    {WM_PAINT, MainOnPaint},
    {WM_UPTIME_NOTICE, MainOnUptimeNotice},
};

HFONT MakeFont(int nHeight, int nWeight, int bItalic)
{
    return CreateFont(nHeight, 0, 0, 0, nWeight, (DWORD)bItalic, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                      L"Microsoft Sans Serif");
}

}  // namespace

const wchar_t *CaptionForBuild(int instrumentType, int jixProduct)
{
    switch (instrumentType) {
    case INSTRUMENT_GRAD601: return jixProduct ? L"Jix601" : L"Zanth601";
    case INSTRUMENT_EM61LX2: return jixProduct ? L"Jix61LX2" : L"Zanth61LX2";
    case INSTRUMENT_EM61MK2: return jixProduct ? L"Jix61MK2" : L"Zanth61MK2";
    case INSTRUMENT_EM31MK2: return jixProduct ? L"Jix31" : L"Zanth31";
    case INSTRUMENT_EM38: return jixProduct ? L"Jix38" : L"Zanth38";
    case INSTRUMENT_EM34: return jixProduct ? L"Jix34-3" : L"Zanth34-3";
    case INSTRUMENT_EM38MK2: return jixProduct ? L"Jix38MK2" : L"Zanth38MK2";
    case INSTRUMENT_EM384: return jixProduct ? L"Jix38-4" : L"Zanth38-4";
    case INSTRUMENT_CS21: return jixProduct ? L"JixCS-21" : L"ZanthCS-21";
    }
    return nullptr;
}

const wchar_t *MainMenuButtonLabel(int i)
{
    static const wchar_t *const aszLabels[10] = {
        L"&Logging",         L"&Survey Setup", L"Sys&tem Setup",     L"G&eometry Setup",   L"&GPS Port Setup",
        L"GPS M&onitoring", L"&Map Options",  L"&Profiles Options", L"&Reset to Default", L"E&xit"};
    if (i < 0 || i > 9)
        return L"";
    if (i == 3 && nInstrumentType == INSTRUMENT_EM61LX2)
        return L"Alarms S&etup";
    return aszLabels[i];
}

// The exit code when memory or another resource of the system ran out (told on the error output).
static const int nExitNoResources = 3;

int RunProgram(int instrumentType, int jixProduct, int argc, char **argv)
{
    nInstrumentType = instrumentType;
    bJixProduct = jixProduct;
#ifdef DEVELOPMENT_SIMULATORS
    bSimulateInstrument = 1;
    bSimulateGps = 1;
#endif
    // The toolkit throws when memory runs out (a process limit, a small tablet); the operator is told and the
    // program ends with its own code instead of an abort. The data file needs no flush (its writes are unbuffered);
    // the half-made toolkit is left alone on the way out.
    try {
        HINSTANCE inst = PlatformInit(argc, argv);
        return wWinMain(inst, nullptr, nullptr, SW_SHOWNORMAL);
    } catch (const std::exception &e) {
        const wchar_t *szCaption = CaptionForBuild(instrumentType, jixProduct);
        const bool bNoMemory = dynamic_cast<const std::bad_alloc *>(&e) != nullptr;
        fprintf(stderr, "%ls: cannot go on: %s\n", szCaption ? szCaption : L"",
                bNoMemory ? "not enough memory" : e.what());
        fflush(nullptr);
        _exit(nExitNoResources);
    }
}

int wWinMain(HINSTANCE inst, HINSTANCE prev, wchar_t *cmdLine, int show)
{
    (void)prev;
    RegisterResources();
    if (RegisterWindowClasses(inst) != 0)
        return 2;
    if (!InitInstance(inst, cmdLine, show))
        return 16;
    return ReturnExitCode(inst, ProgramMessageLoop());
}

int ProgramMessageLoop()
{
    MSG msg = {};
    while (GetMessage(&msg, nullptr, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    return (int)msg.wParam;
}

int ReturnExitCode(HINSTANCE inst, int exitCode)
{
    (void)inst;
    return exitCode;
}

int RegisterWindowClasses(HINSTANCE inst)
{
    WNDCLASS wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWndProc;
    wc.hInstance = inst;
    wc.iconId = 108;
    hbrMainBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.hbrBackground = hbrMainBackground;
    wc.lpszClassName = L"Zanth";
    RegisterClass(&wc);  // the result is not used: a missing main class shows as a failed main window
    if (RegisterScreenLogClasses(inst) != 0)
        return 2;
    if (RegisterGpsMonitorClass(inst) != 0)
        return 2;
    return 0;
}

HWND InitInstance(HINSTANCE inst, wchar_t *cmdLine, int show)
{
    (void)cmdLine;
    hInst = inst;
    int nScreenWidth = GetSystemMetrics(SM_CXSCREEN);
    int nScreenHeight = GetSystemMetrics(SM_CYSCREEN);
    int w = nScreenWidth;
    int h = nScreenHeight - 38;
    bPortrait = 1;
    if (w > h)
        bPortrait = 0;
    if (bPortrait) {
        if (w > 800 || h > 1242) {
            w = 800;
            h = 1242;
        }
        if (w < 640 || h < 986) {
            w = 640;
            h = 986;
        }
    } else {
        if (w > 1280 || h > 762) {
            w = 1280;
            h = 762;
        }
        if (w < 800 || h < 562) {
            w = 800;
            h = 562;
        }
    }
    int x = (nScreenWidth - w) / 2;
    int y = (nScreenHeight - 38 - h) / 2;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    nMainWidth = w;
    nMainHeight = h;
    nMainX = x;
    nMainY = y;
    const wchar_t *szCaption = CaptionForBuild(nInstrumentType, bJixProduct);
    if (!szCaption)
        return nullptr;
    hwndMain = CreateWindow(L"Zanth", szCaption, WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, w, h,
                            nullptr, 0, inst, nullptr);
    if (!hwndMain)
        return nullptr;
    ShowWindow(hwndMain, show);
    UpdateWindow(hwndMain);
    SetFocus(hwndMain);  // the shown main window takes the keys from the start
    return hwndMain;
}

LRESULT MainWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandlerEntry &entry : kMainMessages)
        if (entry.message == message)
            return entry.handler(hwnd, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

LRESULT MainOnCreate(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    (void)lParam;
    hwndMain = hwnd;

    // 1-2. Client size and the large-screen flag.
    RECT rc;
    GetClientRect(hwnd, &rc);
    nClientWidth = rc.right - rc.left;
    nClientHeight = rc.bottom - rc.top;
    int bLargeScreen = bPortrait ? (nClientHeight > 1000) : (nClientWidth > 1024 || nClientHeight > 900);

    // 3. Folder of the temporary background files; it may exist already.
    CreateDirectory(szTempFolder, nullptr);

    // 4-7. Defaults of the build's instrument, the settings file and what is derived from it.
    ApplyStartupDefaults();
    if (GetTickCount() > 1728000000u)
        bLongUptime = 1;
    if (bJixProduct == 1)
        nColorMapView = 0;
    LoadSaveSettingsFile(0);
    SetReadingRateFactors();
    SetupReadingScales();
    if (nInstrumentType == INSTRUMENT_GRAD601)
        nGeometryUnits = 0;

    // 8. Fonts.
    hFontLight = MakeFont(20, 200, 0);
    hFontLarge = MakeFont(28, 600, 0);
    hFontSemibold24 = MakeFont(24, 600, 0);
    hFontTitle = MakeFont(48, 800, 0);
    hFontNormal = MakeFont(bLargeScreen ? 16 : 14, 400, 0);
    hFontSmallBold = MakeFont(14, 600, 0);
    hFontBold = MakeFont(bLargeScreen ? 16 : 14, 700, 0);
    hFontButton = MakeFont(18, 600, 0);
    hFontSummary = MakeFont(16, 400, 0);
    hFontItalic18 = MakeFont(18, 400, 1);
    nSideColumnWidth = 140;

    // 9. Text metrics of the panels' font (the context's own font on small screens).
    HDC hdc = GetDC(hwnd);
    HGDIOBJ hOldFont = nullptr;
    if (bLargeScreen)
        hOldFont = SelectObject(hdc, hFontNormal);
    TEXTMETRIC tm = {};
    GetTextMetrics(hdc, &tm);
    if (hOldFont)
        SelectObject(hdc, hOldFont);
    ReleaseDC(hwnd, hdc);
    nTextHeight = tm.tmHeight;
    nAveCharWidth = tm.tmAveCharWidth;
    nLineHeight = nTextHeight + 2;
    if (nInstrumentType == INSTRUMENT_EM61LX2 && bPortrait && nClientWidth < 640)
        nLineHeight = nTextHeight - 1;

    // 10. The ten main-menu buttons, first in one column; LayoutMainButtons places them.
    if (nClientWidth > 1100 || nClientHeight > 1100)
        hFontMenuButton = bPortrait ? hFontSemibold24 : hFontLarge;
    else
        hFontMenuButton = hFontButton;
    int nButtonHeight = (nClientHeight - 257) / 10;
    if (nButtonHeight < 36)
        nButtonHeight = 36;
    for (int i = 0; i < 10; i++) {
        DWORD style = WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        ahMenuButton[i] = CreateWindow(L"BUTTON", MainMenuButtonLabel(i), style, nClientWidth - 200,
                                       30 + i * (nButtonHeight + 3), 170, nButtonHeight, hwnd, 420 + i, hInst,
                                       nullptr);
        SendMessage(ahMenuButton[i], WM_SETFONT, (WPARAM)hFontMenuButton, TRUE);
    }
    nHighlightedButton = 0;

    // 11. The two hidden full-window screens. Without them the program cannot run: the main window is not made.
    hwndLog = CreateWindow(L"ScreenLogWnd", L"Log", WS_CHILD, 0, 0, nMainWidth, nMainHeight, hwnd, 4, hInst,
                           nullptr);
    hwndGpsMonitor = CreateWindow(L"MonitorGPSWnd", L"Monitor GPS", WS_CHILD, 0, 0, nMainWidth, nMainHeight, hwnd,
                                  780, hInst, nullptr);
    if (!IsWindow(hwndLog) || !IsWindow(hwndGpsMonitor)) {
        if (hwndLog && IsWindow(hwndLog))
            DestroyWindow(hwndLog);
        if (hwndGpsMonitor && IsWindow(hwndGpsMonitor))
            DestroyWindow(hwndGpsMonitor);
        hwndLog = nullptr;
        hwndGpsMonitor = nullptr;
        return -1;  // creation fails: the window is destroyed and start-up ends with exit code 16
    }

    bGpsActive = bGpsEnabled != 0 ? 1 : 0;
    LayoutMainButtons();
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateChannelPens(0);
    CreateColorScalePens();
    InitUtmConstants();
    return 0;
}

LRESULT MainOnSize(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)hwnd;
    (void)message;
    (void)wParam;
    (void)lParam;
    return 0;
}

LRESULT MainOnDestroy(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)hwnd;
    (void)message;
    (void)wParam;
    (void)lParam;
    StopLogging(1);
    // The logging screen closes with the program: its background files' temporary copies go too.
    ClearBackgroundSlots();
    if (hbrMainBackground) {
        DeleteObject(hbrMainBackground);
        hbrMainBackground = nullptr;
    }
    PostQuitMessage(0);
    return 0;
}

void LayoutMainButtons()
{
    const int g = 3;
    const int W = nClientWidth, H = nClientHeight;
    int ax[10], ay[10], aw[10];
    int nHeight;
    int nFirstX, nFirstY, nColumnWidth;  // the layout's first column and row, and one column's width
    if ((!bPortrait && W < 1000) || (bPortrait && H < 110)) {
        nHeight = (H - 180 - 9 * g) / 10;
        if (nHeight < 36)
            nHeight = 36;
        for (int i = 0; i < 10; i++) {
            ax[i] = W - 170 - 30;
            ay[i] = 30 + i * (nHeight + g);
            aw[i] = 170;
        }
        nFirstX = W - 170 - 30;
        nFirstY = 30;
        nColumnWidth = 170;
    } else if (!bPortrait) {
        int nWidth = W / 6;
        int x = W - 2 * nWidth - g - 30;
        nHeight = (H - 160 - 4 * g) / 5;
        if (nHeight < 36)
            nHeight = 36;
        for (int i = 0; i < 10; i++) {
            ax[i] = i < 5 ? x : x + nWidth + g;
            ay[i] = 30 + (i % 5) * (nHeight + g);
            aw[i] = nWidth;
        }
        nFirstX = x;
        nFirstY = 30;
        nColumnWidth = nWidth;
    } else {
        int nWidth = (W - 3 * g - 40) / 4;
        int x0 = 20;
        int y0 = (int)(H * 0.55);
        nHeight = (H - y0 - 30 - 2 * g) / 3;
        if (nHeight < 36)
            nHeight = 36;
        for (int i = 1; i <= 4; i++) {
            ax[i] = x0 + (i - 1) * (nWidth + g);
            ay[i] = y0;
            aw[i] = nWidth;
        }
        for (int i = 5; i <= 8; i++) {
            ax[i] = x0 + (i - 5) * (nWidth + g);
            ay[i] = y0 + nHeight + g;
            aw[i] = nWidth;
        }
        ax[9] = x0;
        ay[9] = y0 + 2 * (nHeight + g);
        aw[9] = nWidth;
        ax[0] = x0 + nWidth + g;
        ay[0] = ay[9];
        aw[0] = 3 * nWidth + 2 * g;
        nFirstX = x0;
        nFirstY = y0;
        nColumnWidth = nWidth;
    }
    for (int i = 0; i < 10; i++)
        MoveWindow(ahMenuButton[i], ax[i], ay[i], aw[i], nHeight, TRUE);
    // The start screen's frame and areas keep clear of the buttons from here: in portrait the first row is the one
    // at the top (the Logging button sits in the last).
    nMenuButtonX = nFirstX;
    nMenuButtonY = nFirstY;
    nMenuButtonWidth = nColumnWidth;
    nMenuButtonHeight = nHeight;
}
