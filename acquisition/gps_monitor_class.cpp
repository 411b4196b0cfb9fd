// GPS monitor screen: registration of its window class and its window procedure's message table.
#include "acquisition/acquisition.h"
#include "core/core.h"

struct GpsMonitorMessageEntry {
    UINT message;
    LRESULT (*handler)(HWND, UINT, WPARAM, LPARAM);
};

static const GpsMonitorMessageEntry aGpsMonitorMessages[] = {
    {WM_CREATE, CreateGpsMonitorControls},
    {WM_PAINT, PaintGpsMonitor},
    {WM_COMMAND, GpsMonitorCommand},
    {WM_KEYDOWN, GpsMonitorCommand},
    {WM_SIZE, FocusGpsMonitor},
    {WM_GPS_MONITOR_LINE, ListGpsMonitorLine},
    {WM_RUN_ON_UI_THREAD, RunHandedOverCall},
};

LRESULT MonitorGPSWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const GpsMonitorMessageEntry &entry : aGpsMonitorMessages)
        if (entry.message == message) return entry.handler(hwnd, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

int RegisterGpsMonitorClass(HINSTANCE inst)
{
    WNDCLASS wc = {};
    wc.style = 0;
    wc.lpfnWndProc = MonitorGPSWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = inst;
    wc.cursor = 0;
    wc.hbrBackground = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = L"MonitorGPSWnd";
    return RegisterClass(&wc) ? 0 : 1;
}
