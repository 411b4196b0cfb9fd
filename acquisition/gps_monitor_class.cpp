// GPS monitor screen: registration of its window class and its window procedure.
#include "core/core.h"

LRESULT MonitorGPSWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProc(hwnd, message, wParam, lParam);
}

int RegisterGpsMonitorClass(HINSTANCE inst)
{
    WNDCLASS wc = {};
    wc.lpfnWndProc = MonitorGPSWndProc;
    wc.hInstance = inst;
    wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.lpszClassName = L"MonitorGPSWnd";
    return RegisterClass(&wc) ? 0 : 1;
}
