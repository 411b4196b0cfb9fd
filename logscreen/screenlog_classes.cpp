// Logging screen: class registration with the display child classes, its window procedure and the session stop.
#include "core/core.h"
#include "logscreen/logscreen.h"

int nRecordingState = -2;
int nCurveAreaHeight = 0, nCurveAreaHeight2 = 0, nCurveAreaHeight3 = 0, nCurveAreaHeightB = 180, nCurveWndWidth = 0;

namespace {

// Display child windows: until their drawing is in place they only take the default handling.
LRESULT DisplayChildWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

int RegisterDisplayClass(HINSTANCE inst, const wchar_t *className, UINT style)
{
    WNDCLASS wc = {};
    wc.style = style;
    wc.lpfnWndProc = DisplayChildWndProc;
    wc.cbWndExtra = 4;
    wc.hInstance = inst;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = className;
    return RegisterClass(&wc) ? 0 : 1;
}

}  // namespace

LRESULT ScreenLogWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

int RegisterScreenLogClasses(HINSTANCE inst)
{
    WNDCLASS wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ScreenLogWndProc;
    wc.hInstance = inst;
    wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.lpszClassName = L"ScreenLogWnd";
    if (!RegisterClass(&wc))
        return 1;

    static const wchar_t *const aszChildClasses[8] = {L"DecayWnd",   L"BarQWnd",  L"BarIWnd", L"CurveWnd",
                                                      L"NumbersWnd", L"SpeedWnd", L"MapWnd",  L"ColorBarWnd"};
    for (int i = 0; i < 8; i++) {
        UINT style = (i == 7) ? 0u : (CS_HREDRAW | CS_VREDRAW);
        if (RegisterDisplayClass(inst, aszChildClasses[i], style) != 0)
            return 2;
    }
    return 0;
}

int StopLogging(int forced)
{
    (void)forced;
    if (nRecordingState == -2)
        return 1;
    nRecordingState = -2;
    if (hwndLog && IsWindowVisible(hwndLog))
        ShowWindow(hwndLog, SW_HIDE);
    return 1;
}
