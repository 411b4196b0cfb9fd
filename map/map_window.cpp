// Map window class: registration and window procedure; the map draws through the window's device context.
#include "core/core.h"
#include "map/map.h"

static const MessageHandlerEntry aMapWndMessages[] = {
    {WM_PAINT, MapWndOnPaint},
};

LRESULT MapWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    for (const MessageHandlerEntry &entry : aMapWndMessages)
        if (entry.message == message) return entry.handler(hwnd, message, wParam, lParam);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// Only validates the window: what the map drew stays until the map draws again.
LRESULT MapWndOnPaint(HWND hwnd, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
    return 0;
}

int RegisterMapWnd(HINSTANCE inst)
{
    WNDCLASS wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MapWndProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 4;
    wc.hInstance = inst;
    wc.cursor = 0;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = L"MapWnd";
    return RegisterClass(&wc) ? 0 : 1;
}
