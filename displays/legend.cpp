// Colour legend and speed bar.
#include "displays/legend.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/map_view.h"
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

namespace {

const wchar_t szBlankTitle[] = L"            ";

// Live titles by channel 1..8 (channel 0 is the blank for every type that has titles).
const wchar_t *LiveTitle(int nType, int nView, int nComp, int nDipole)
{
    static const wchar_t *const aszLx2[3] = {L"Ch E", L"Ch L", L"Ch F"};
    static const wchar_t *const aszMk2[4] = {L"Channel 1", L"Channel 2", L"Channel 3", L"Channel 4/T"};
    static const wchar_t *const aszEm31[2] = {L"Conductivity", L"Inphase"};
    static const wchar_t *const aszEm38[4] = {L"Conductivity VDM", L"Conductivity HDM", L"Inphase VDM",
                                              L"Inphase HDM"};
    static const wchar_t *const aszEm38Mk2[4] = {L"Conductivity 1 m", L"Inphase 1 m", L"Conductivity 0.5 m",
                                                 L"Inphase 0.5 m"};
    static const wchar_t *const aszEm384[8] = {L"Coil1 Conductivity", L"Coil1 Inphase", L"Coil2 Conductivity",
                                               L"Coil2 Inphase",      L"Coil3 Conductivity", L"Coil3 Inphase",
                                               L"Coil4 Conductivity", L"Coil4 Inphase"};
    switch (nType) {
    case INSTRUMENT_EM61LX2:
        return nView >= 1 && nView <= 3 ? aszLx2[nView - 1] : L"";
    case INSTRUMENT_EM61MK2:
        return nView >= 1 && nView <= 4 ? aszMk2[nView - 1] : L"";
    case INSTRUMENT_EM31MK2:
        return nView >= 1 && nView <= 2 ? aszEm31[nView - 1] : L"";
    case INSTRUMENT_EM38:
        return nView == 1 ? aszEm38[(nComp != 0 ? 2 : 0) + (nDipole != 0 ? 1 : 0)] : L"";
    case INSTRUMENT_EM38MK2:
        return nView >= 1 && nView <= 4 ? aszEm38Mk2[nView - 1] : L"";
    case INSTRUMENT_EM384:
        return nView >= 1 && nView <= 8 ? aszEm384[nView - 1] : L"";
    default:
        return L"";
    }
}

}  // namespace

const wchar_t *MapChannelTitleText(int nType, int nView, int bReview, int nComp, int nDipole)
{
    if (nType == INSTRUMENT_CS21) return L"";
    if (nType == INSTRUMENT_GRAD601) return bReview ? L"Review" : szBlankTitle;
    if (nView == 0) return szBlankTitle;
    if (!bReview) return LiveTitle(nType, nView, nComp, nDipole);

    // Review titles: the EM61 family's short channel names, the EM31-MK2 and EM38 components, and for the others
    // the live title after "Review ".
    static const wchar_t *const aszLx2[3] = {L"Review ChE", L"Review ChL", L"Review ChF"};
    static const wchar_t *const aszMk2[4] = {L"Review Ch1", L"Review Ch2", L"Review Ch3", L"Review Ch4/T"};
    static const wchar_t *const aszComponent[2] = {L"Review Conductivity", L"Review Inphase"};
    static const wchar_t *const aszEm38Mk2[4] = {L"Review Conductivity 1 m", L"Review Inphase 1 m",
                                                 L"Review Conductivity 0.5 m", L"Review Inphase 0.5 m"};
    static const wchar_t *const aszEm384[8] = {
        L"Review Coil1 Conductivity", L"Review Coil1 Inphase", L"Review Coil2 Conductivity", L"Review Coil2 Inphase",
        L"Review Coil3 Conductivity", L"Review Coil3 Inphase", L"Review Coil4 Conductivity", L"Review Coil4 Inphase"};
    switch (nType) {
    case INSTRUMENT_EM61LX2:
        return nView >= 1 && nView <= 3 ? aszLx2[nView - 1] : L"";
    case INSTRUMENT_EM61MK2:
        return nView >= 1 && nView <= 4 ? aszMk2[nView - 1] : L"";
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
        return nView >= 1 && nView <= 2 ? aszComponent[nView - 1] : L"";
    case INSTRUMENT_EM38MK2:
        return nView >= 1 && nView <= 4 ? aszEm38Mk2[nView - 1] : L"";
    case INSTRUMENT_EM384:
        return nView >= 1 && nView <= 8 ? aszEm384[nView - 1] : L"";
    default:
        return L"";
    }
}

void DrawMapChannelTitle(HDC hdc)
{
    SetBkMode(hdc, TRANSPARENT);
    SelectObject(hdc, hFontLight);
    const wchar_t *szTitle =
        MapChannelTitleText(nInstrumentType, nColorMapView, bMapReviewMode, nComponent, nDipoleMode);
    int nLength = (int)wcslen(szTitle);
    FillRect(hdc, &rcMapChannelTitle, hbrButtonFace);
    SIZE size = {0, 0};
    GetTextExtentPoint32(hdc, szTitle, nLength, &size);

    int nLeftEdge = rcStatusLineText.right;
    if (nInstrumentType == INSTRUMENT_EM61LX2)
        nLeftEdge = nSensorsMinus1 == 1 ? rcTargetLampRight.right : rcTargetLampLeft.right;
    // Every reading fills the marker box: where it lies on this row before the map size text, the title starts
    // after it (on a small map it would be wiped from its left end).
    const int nMarkerRight = rcStatusMarker.right > rcStatusMarker.left && rcStatusMarker.right < rcMapSizeText.left &&
                                     rcStatusMarker.top < rcMapSizeText.bottom
                                 ? rcStatusMarker.right
                                 : 0;
    nLeftEdge = std::max(nLeftEdge, nMarkerRight);
    rcMapChannelTitle.left = (nLeftEdge + rcMapSizeText.left - size.cx) / 2;
    rcMapChannelTitle.right = rcMapChannelTitle.left + size.cx;
    // A long title (the review ones) on a narrow map can reach the state line, the lamps or the map size text: it
    // is then centred in the free span between them (the EM61-LX2's lamps and alarm letters count only while its
    // alarm shows them), in the normal font on the map size text's row where the light one is wider than the span,
    // in the narrow face where that is still too wide, and as the live title where even that is: whole, and never
    // over its neighbours.
    const int nGap = 6;
    const int nSpanLeft = std::max(nInstrumentType == INSTRUMENT_EM61LX2 && nAlarmType > 0
                                       ? std::max(nLeftEdge, (int)rcModeIndicatorArea.right)
                                       : (int)rcStatusLineText.right,
                                   nMarkerRight) +
                          nGap;
    const int nSpanRight = MapSizeTextLeft(hdc) - 2;
    const int nSpan = nSpanRight - nSpanLeft;
    const bool bSqueezed = rcMapChannelTitle.left < nLeftEdge + nGap || rcMapChannelTitle.right > nSpanRight;
    int y = rcMapChannelTitle.top;
    if (bSqueezed && size.cx > nSpan) {
        SelectObject(hdc, hFontNormal);
        y = rcMapSizeText.top;
        if (NarrowTextWidth(hdc, szTitle, nLength) > nSpan) {
            szTitle = MapChannelTitleText(nInstrumentType, nColorMapView, 0, nComponent, nDipoleMode);
            nLength = (int)wcslen(szTitle);
        }
        GetTextExtentPoint32(hdc, szTitle, nLength, &size);
    }
    if (bSqueezed) {
        rcMapChannelTitle.left = std::max(nSpanLeft, (nSpanLeft + nSpanRight - (int)size.cx) / 2);
        rcMapChannelTitle.right = std::max(nSpanRight, (int)rcMapChannelTitle.left + 1);
    }
    if (bGpsActive == 1) {
        SetTextColor(hdc, RGB(0, 0, 0));
        SetTextAlign(hdc, TA_LEFT | TA_TOP);
        if (bSqueezed)
            TextOutWithin(hdc, rcMapChannelTitle.left, y, szTitle, nLength, nSpanLeft, nSpanRight);
        else
            TextAt(hdc, rcMapChannelTitle.left, y, szTitle);
    }
    SelectObject(hdc, hFontNormal);
    SelectObject(hdc, hbrButtonFace);
}
