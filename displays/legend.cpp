// Colour legend and speed bar.
#include "displays/legend.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "map/pens.h"

namespace {

void TextAt(HDC hdc, int x, int y, const wchar_t *szText)
{
    TextOut(hdc, x, y, szText, (int)wcslen(szText));
}

// One legend: frame, ticks, the colour cells (lowest colour at the bottom) and five value labels of the range.
void DrawOneLegend(HDC hdc, int x0, int nLabelX, double dMin, double dMax)
{
    const int c = 280 / (nColorScaleSteps + 1);
    const int H = c * (nColorScaleSteps + 1);
    const int T = (306 - H) / 2;

    SelectObject(hdc, hpenDarkGrey);
    const POINT aptFrame[5] = {
        {x0 - 1, T - 2}, {x0 - 1, T + H - 1}, {x0 + 20, T + H - 1}, {x0 + 20, T - 2}, {x0 - 1, T - 2}};
    Polyline(hdc, aptFrame, 5);

    const int anTick[5] = {T + c, T + H - c, T + H / 2, T + H / 4, T + 3 * H / 4};
    for (int k = 0; k < 5; k++) {
        const POINT pt[2] = {{x0 - 12, anTick[k]}, {x0 - 6, anTick[k]}};
        Polyline(hdc, pt, 2);
    }

    for (int i = nColorScaleSteps; i >= 0; i--) {
        SelectObject(hdc, ahColorScalePen[i]);
        SelectObject(hdc, ahColorScaleBrush[i]);
        Rectangle(hdc, x0 + 1, T + H - i * c, x0 + 20, T + H - (i + 1) * c);
    }

    for (int k = 0; k <= 4; k++) {
        int nRow = T + H - k * H / 4;
        if (k == 0) nRow -= c;
        if (k == 4) nRow += c;
        char szNarrow[32];
        std::snprintf(szNarrow, sizeof szNarrow, "%.2f", dMin + k * (dMax - dMin) / 4);
        wchar_t szLabel[32];
        NarrowToWideUnsigned(szNarrow, szLabel, 32);
        TextAt(hdc, nLabelX, nRow - 6, szLabel);
    }
}

}  // namespace

void DrawColorLegend(HDC hdc, int nWidth, int nHeight)
{
    SelectObject(hdc, hbrWhite);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    SelectObject(hdc, hFontNormal);
    const RECT rcAll = {0, 0, nWidth, nHeight};
    FillRect(hdc, &rcAll, hbrWhite);

    DrawOneLegend(hdc, 75, 5, dScale1Min, dScale1Max);
    if (nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_EM38MK2 ||
        nInstrumentType == INSTRUMENT_EM384) {
        SelectObject(hdc, hFontNormal);
        TextAt(hdc, 18, 4, L"Conductivity [mS/m]");
        TextAt(hdc, 156, 4, L"Inphase [ppt]");
        DrawOneLegend(hdc, 207, 137, dScale2Min, dScale2Max);
    }
}

LRESULT ColorBarWndOnPaint(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)wParam;
    (void)lParam;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc = {0, 0, 0, 0};
    GetClientRect(hwnd, &rc);
    if (hdc) DrawColorLegend(hdc, rc.right, rc.bottom);
    EndPaint(hwnd, &ps);
    UpdateWindow(hwnd);
    return 0;
}

void DrawSpeedBar(HDC hdc, int nEmptyWidth)
{
    const int W = nSpeedBarWidth > 0 ? nSpeedBarWidth : 0;
    if (nEmptyWidth < 0) nEmptyWidth = 0;
    if (nEmptyWidth > W) nEmptyWidth = W;
    SelectObject(hdc, hbrBlue);
    SelectObject(hdc, hpenBlue);
    Rectangle(hdc, 0, 0, W, nSpeedBarHeight);
    SelectObject(hdc, hbrWhite);
    SelectObject(hdc, hpenWhite);
    Rectangle(hdc, W - nEmptyWidth, 0, W, nSpeedBarHeight);
}
