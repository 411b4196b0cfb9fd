// Reading windows: refresh after a scale or channel change, and whole channel polylines drawn into a window.
#include "displays/reading_windows.h"

#include "core/core.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

namespace {

void Repaint(HWND hwnd)
{
    if (!hwnd) return;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

void DrawPolylines(HWND hwnd, const POINT *const *aapt, int nArrays, int nCount)
{
    if (!hwnd || nCount <= 0) return;
    HDC hdc = GetDC(hwnd);
    if (!hdc) return;
    for (int k = 0; k < nArrays; k++) {
        if (!aapt[k] || !ahChannelPen[k]) continue;
        SelectObject(hdc, ahChannelPen[k]);
        Polyline(hdc, aapt[k], nCount);
    }
    ReleaseDC(hwnd, hdc);
}

}  // namespace

void RefreshReadingWindows()
{
    if (nInstrumentType < 0) {
        Repaint(hwndDecay);
    } else {
        Repaint(hwndBarQ);
        Repaint(hwndBarI);
    }
}

void DrawFourChannelPolylines(HWND hwnd, const POINT *apt1, const POINT *apt2, const POINT *apt3, const POINT *apt4,
                              int nCount)
{
    const POINT *aapt[4] = {apt1, apt2, apt3, apt4};
    DrawPolylines(hwnd, aapt, 4, nCount);
}

void DrawThreeChannelPolylines(HWND hwnd, const POINT *apt1, const POINT *apt2, const POINT *apt3, int nCount)
{
    const POINT *aapt[3] = {apt1, apt2, apt3};
    DrawPolylines(hwnd, aapt, 3, nCount);
}

void DrawChannelPolyline(HWND hwnd, const POINT *aptPoints, int nFirst, int nEnd, int nChannel)
{
    if (!hwnd || !aptPoints || nChannel < 0 || nChannel > 15 || !ahChannelPen[nChannel]) return;
    if (nFirst < 0) nFirst = 0;
    if (nEnd - nFirst > 600) nEnd = nFirst + 600;
    int n = nEnd - nFirst;
    if (n <= 0) return;
    POINT pt[601];
    for (int i = 0; i < n; i++) pt[i] = aptPoints[nFirst + i];
    if (n == 1) pt[n++] = pt[0];
    HDC hdc = GetDC(hwnd);
    if (!hdc) return;
    SelectObject(hdc, ahChannelPen[nChannel]);
    Polyline(hdc, pt, n);
    ReleaseDC(hwnd, hdc);
}
