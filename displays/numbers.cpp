// Numbers panel of the EM61 family, Grad601 and CS-21: channel labels and the EM61-MK2 channel values.
#include "displays/numbers.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "processing/em61mk2_decode.h"

namespace {

HBRUSH PanelBrush()
{
    return nRecordingState == 1 ? hbrGreen : hbrWhite;
}

void TextAt(HDC hdc, int x, int y, const wchar_t *szText)
{
    TextOut(hdc, x, y, szText, (int)wcslen(szText));
}

}  // namespace

void DrawChannelLabels(HDC hdc)
{
    SetTextColor(hdc, RGB(0, 0, 255));
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    FillRect(hdc, &rcSidePanel, PanelBrush());

    static const wchar_t *const aszGrad[2] = {L"G #1:", L"G #2:"};
    static const wchar_t *const aszLx2One[3] = {L"ChE:", L"ChL:", L"ChF:"};
    static const wchar_t *const aszLx2Two[6] = {L"LE:", L"LL:", L"LF:", L"RE:", L"RL:", L"RF:"};
    static const wchar_t *const aszMk2[4] = {L"Ch1", L"Ch2", L"Ch3", L"Ch4"};
    static const wchar_t *const aszCs21[8] = {L"HC #1:", L"HI  #1:", L"PC #1:", L"PI  #1:",
                                             L"HC #2:", L"HI  #2:", L"PC #2:", L"PI  #2:"};
    const wchar_t *const *aszLabels = nullptr;
    int nLabels = 0;
    int x = nTextMarginX - 8;
    int nRowStep = nLineHeight;
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        aszLabels = aszGrad;
        nLabels = nSensorsMinus1 == 1 ? 2 : 1;
        break;
    case INSTRUMENT_EM61LX2:
        aszLabels = nSensorsMinus1 == 1 ? aszLx2Two : aszLx2One;
        nLabels = nSensorsMinus1 == 1 ? 6 : 3;
        break;
    case INSTRUMENT_EM61MK2:
        aszLabels = aszMk2;
        nLabels = 4;
        x = nTextMarginX;
        break;
    case INSTRUMENT_CS21:
        aszLabels = aszCs21;
        nLabels = 8;
        nRowStep = nLineHeight - 3;
        break;
    default:
        break;
    }
    for (int k = 0; k < nLabels; k++) TextAt(hdc, x, rcSidePanelValues.top + k * nRowStep, aszLabels[k]);

    if (nInstrumentType == INSTRUMENT_EM61MK2 && nColorMapView >= 1 && nEm61ProcedureState == 1 && bGpsEnabled > 0) {
        const int y = rcSidePanelValues.top +
                      ClampToInt((nColorMapView - 0.5) * nLineHeight, -nRowLimit, nRowLimit) - 3;
        SelectObject(hdc, hbrGreen);
        SelectObject(hdc, hpenGreen);
        Ellipse(hdc, nTextMarginX - 7, y - 3, nTextMarginX - 1, y + 3);
    }
}

void DrawChannelValues(HDC hdc, double dChannel1, double dChannel2, double dChannel3, double dChannel4)
{
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    FillRect(hdc, &rcSidePanelValues, PanelBrush());

    const double adValue[4] = {dChannel1, dChannel2, dChannel3, dChannel4};
    SetTextAlign(hdc, TA_RIGHT | TA_TOP);
    for (int k = 0; k < 4; k++) {
        // Formatted narrow into a bounded buffer: a value of any size (or no number) cannot overrun it.
        char szNarrow[32];
        std::snprintf(szNarrow, sizeof szNarrow, "%10.1f", adValue[k]);
        wchar_t szOut[32];
        NarrowToWideUnsigned(szNarrow, szOut, 32);
        TextAt(hdc, rcSidePanelValues.right - 10, rcSidePanelValues.top + k * nLineHeight, szOut);
    }
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
}
