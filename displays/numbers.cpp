// Numbers panels: channel labels and values, the conductivity meters' panels with their lamps, the EM61-LX2 alarm.
#include "displays/numbers.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/logging_command.h"
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

// Formats narrow text into a bounded buffer and widens it; a format that fails leaves the text empty.
template <typename... Args>
void FormatWide(wchar_t (&szOut)[48], const char *szFormat, Args... args)
{
    char szNarrow[48];
    const int n = std::snprintf(szNarrow, sizeof szNarrow, szFormat, args...);
    if (n < 0 || n >= (int)sizeof szNarrow) szNarrow[0] = 0;
    NarrowToWideUnsigned(szNarrow, szOut, 48);
}

// Row k of the side panel.
int RowY(int k)
{
    return rcSidePanelValues.top + k * nLineHeight;
}

// One text row at x = nTextMarginX, raised by nRaise pixels, in the given font.
template <typename... Args>
void PanelRow(HDC hdc, HFONT hFont, int k, int nRaise, const char *szFormat, Args... args)
{
    wchar_t szText[48];
    FormatWide(szText, szFormat, args...);
    SelectObject(hdc, hFont);
    TextOutWithin(hdc, nTextMarginX, RowY(k) - nRaise, szText, (int)wcslen(szText), rcSidePanel.left,
                  rcSidePanel.right);
}

void DipoleRow(HDC hdc, int k, char cDipole)
{
    PanelRow(hdc, hFontNormal, k, 0, "%s", cDipole == 'V' ? "Dipole: Vertical" : "Dipole: Horiz.");
}

// A warning lamp of the logging screen: off is the button face, lit an orange disc one pixel below the top.
enum LampState { LAMP_OFF, LAMP_LIT };
void SetLamp(HDC hdcLog, const RECT &rc, LampState state)
{
    if (!hdcLog) return;
    if (state == LAMP_OFF) {
        FillRect(hdcLog, &rc, hbrButtonFace);
        return;
    }
    SelectObject(hdcLog, hbrOrange);
    SelectObject(hdcLog, hpenOrange);
    Ellipse(hdcLog, rc.left, rc.top + 1, rc.right, rc.bottom);
}

// The logging screen's own context for the lamps, released on leaving.
struct LogScreenDc {
    HDC hdc = hwndLog ? GetDC(hwndLog) : nullptr;
    LogScreenDc() = default;
    LogScreenDc(const LogScreenDc &) = delete;
    LogScreenDc &operator=(const LogScreenDc &) = delete;
    ~LogScreenDc()
    {
        if (hdc) ReleaseDC(hwndLog, hdc);
    }
};

// Common start of the conductivity-meter panels: fill and text mode.
void BeginMeterPanel(HDC hdc, HBRUSH hbrFill)
{
    FillRect(hdc, &rcSidePanel, hbrFill);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
}

}  // namespace

namespace {

// The channel labels of the build's instrument: texts, count, x and row step.
struct LabelSet {
    const wchar_t *const *aszLabels;
    int nLabels, x, nRowStep;
};

LabelSet ChannelLabelSet()
{
    static const wchar_t *const aszGrad[2] = {L"G #1:", L"G #2:"};
    static const wchar_t *const aszLx2One[3] = {L"ChE:", L"ChL:", L"ChF:"};
    static const wchar_t *const aszLx2Two[6] = {L"LE:", L"LL:", L"LF:", L"RE:", L"RL:", L"RF:"};
    static const wchar_t *const aszMk2[4] = {L"Ch1", L"Ch2", L"Ch3", L"Ch4"};
    static const wchar_t *const aszCs21[8] = {L"HC #1:", L"HI  #1:", L"PC #1:", L"PI  #1:",
                                             L"HC #2:", L"HI  #2:", L"PC #2:", L"PI  #2:"};
    LabelSet set = {nullptr, 0, nTextMarginX - 8, nLineHeight};
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        set.aszLabels = aszGrad;
        set.nLabels = nSensorsMinus1 == 1 ? 2 : 1;
        break;
    case INSTRUMENT_EM61LX2:
        set.aszLabels = nSensorsMinus1 == 1 ? aszLx2Two : aszLx2One;
        set.nLabels = nSensorsMinus1 == 1 ? 6 : 3;
        break;
    case INSTRUMENT_EM61MK2:
        set.aszLabels = aszMk2;
        set.nLabels = 4;
        set.x = nTextMarginX;
        break;
    case INSTRUMENT_CS21:
        set.aszLabels = aszCs21;
        set.nLabels = 8;
        set.nRowStep = nLineHeight - 3;
        break;
    default:
        break;
    }
    return set;
}

// Right end of the label column in the normal font: the value column's fill and values stay right of it, so
// that a new reading never covers a label's last characters.
int ChannelLabelsRight(HDC hdc)
{
    const LabelSet set = ChannelLabelSet();
    SelectObject(hdc, hFontNormal);
    int nRight = rcSidePanelValues.left;
    for (int k = 0; k < set.nLabels; k++) {
        SIZE size = {0, 0};
        GetTextExtentPoint32(hdc, set.aszLabels[k], (int)wcslen(set.aszLabels[k]), &size);
        if (set.x + size.cx + 2 > nRight) nRight = set.x + size.cx + 2;
    }
    return nRight;
}

}  // namespace

void DrawChannelLabels(HDC hdc)
{
    SetTextColor(hdc, RGB(0, 0, 255));
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    FillRect(hdc, &rcSidePanel, PanelBrush());

    const LabelSet set = ChannelLabelSet();
    for (int k = 0; k < set.nLabels; k++)
        TextOutWithin(hdc, set.x, rcSidePanelValues.top + k * set.nRowStep, set.aszLabels[k],
                      (int)wcslen(set.aszLabels[k]), rcSidePanel.left, rcSidePanel.right);

    if (nInstrumentType == INSTRUMENT_EM61MK2 && nColorMapView >= 1 && nEm61ProcedureState == 1 && bGpsEnabled > 0) {
        const int y = rcSidePanelValues.top +
                      ClampToInt((nColorMapView - 0.5) * nLineHeight, -nRowLimit, nRowLimit) - 3;
        SelectObject(hdc, hbrGreen);
        SelectObject(hdc, hpenGreen);
        Ellipse(hdc, nTextMarginX - 7, y - 3, nTextMarginX - 1, y + 3);
    }
}

namespace {

// Values "%10.1f" on rows 0..nCount - 1, right-aligned 10 pixels left of the value column's right edge; the
// column's fill and its values keep clear of the channel labels.
void DrawValueColumn(HDC hdc, const double *adValue, int nCount)
{
    RECT rcValues = rcSidePanelValues;
    rcValues.left = ChannelLabelsRight(hdc);
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    if (rcValues.left < rcValues.right) FillRect(hdc, &rcValues, PanelBrush());

    SetTextAlign(hdc, TA_RIGHT | TA_TOP);
    for (int k = 0; k < nCount; k++) {
        wchar_t szOut[48];
        FormatWide(szOut, "%10.1f", adValue[k]);
        TextOutWithin(hdc, rcSidePanelValues.right - 10, RowY(k), szOut, (int)wcslen(szOut), rcValues.left,
                      rcSidePanelValues.right - 10);
    }
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
}

}  // namespace

void DrawChannelValues(HDC hdc, double dChannel1, double dChannel2, double dChannel3, double dChannel4)
{
    const double adValue[4] = {dChannel1, dChannel2, dChannel3, dChannel4};
    DrawValueColumn(hdc, adValue, 4);
}

void DrawReadingNumbersGrad(HDC hdc, double dValue1, double dValue2)
{
    const double adValue[2] = {dValue1, dValue2};
    DrawValueColumn(hdc, adValue, nSensorsMinus1 == 1 ? 2 : 1);
}

void DrawEm31Mk2Numbers(HDC hdc, int nComp, char cDipole, int nGain, double dConductivity, double dInphase,
                        int bBattery)
{
    {
        LogScreenDc log;
        SetLamp(log.hdc, rcLamp1, cDipole == cDipoleMode ? LAMP_OFF : LAMP_LIT);
    }
    BeginMeterPanel(hdc, PanelBrush());
    if (bBattery) {
        PanelRow(hdc, hFontNormal, 0, 0, "%s", "Battery Levels");
        PanelRow(hdc, hFontNormal, 1, 0, "%s", "      [Volts]");
        PanelRow(hdc, hFontBold, 2, 0, "B: %8.2f", dConductivity);
        PanelRow(hdc, hFontBold, 3, 0, "B: %8.2f", dInphase);
        return;
    }
    DipoleRow(hdc, 0, cDipole);
    PanelRow(hdc, hFontNormal, 1, 0, "Gain: %5d", nGain);
    if (nComp == 0) PanelRow(hdc, hFontBold, 2, 0, "C: %8.2f", dConductivity);
    PanelRow(hdc, hFontBold, 3, 0, "I:  %8.2f", dInphase);
}

void DrawEm34Numbers(HDC hdc, int, char cDipole, int nGain, double dConductivity, int nSeparationM)
{
    {
        LogScreenDc log;
        if (nSurveyMode == 2) {
            SetLamp(log.hdc, rcLamp1, LAMP_OFF);
        } else {
            SetLamp(log.hdc, rcLamp1, cDipole == (char)nEm34DipoleLetter ? LAMP_OFF : LAMP_LIT);
            SetLamp(log.hdc, rcLamp2, nSeparationM == nEm34Separation ? LAMP_OFF : LAMP_LIT);
        }
    }
    BeginMeterPanel(hdc, PanelBrush());
    DipoleRow(hdc, 0, cDipole);
    PanelRow(hdc, hFontNormal, 1, 2, "Sep:  %4d m", nSeparationM);
    PanelRow(hdc, hFontNormal, 2, 4, "Gain: %5d", nGain);
    PanelRow(hdc, hFontBold, 3, 0, "C: %8.2f", dConductivity);
}

void DrawEm38Numbers(HDC hdc, int nComp, char cDipole, int nGain, double dValue, int nRangeCode)
{
    const bool bRangeMatches = nComp == 0 ? nRangeCode < 2 : nRangeCode > 1;
    {
        LogScreenDc log;
        if (cDipole == cDipoleMode) {
            SetLamp(log.hdc, rcLamp1, LAMP_OFF);
        } else {
            SetLamp(log.hdc, rcLamp1, LAMP_LIT);
            SetLamp(log.hdc, rcLamp2, LAMP_LIT);
        }
        SetLamp(log.hdc, rcLamp2, bRangeMatches ? LAMP_OFF : LAMP_LIT);
    }
    BeginMeterPanel(hdc, nRecordingState != 1 ? hbrWhite : (bRangeMatches ? hbrGreen : hbrOrange));
    DipoleRow(hdc, 0, cDipole);
    PanelRow(hdc, hFontNormal, 1, 0, "Gain: %5d", nGain);
    if (nRangeCode < 2) PanelRow(hdc, hFontBold, 2, 0, "C: %8.2f", dValue);
    else PanelRow(hdc, hFontBold, 3, 0, "I:  %8.2f", dValue);
}

void DrawEm38Mk2Numbers(HDC hdc, char cDipole, double dC1, double dI1, double dC2, double dI2)
{
    {
        LogScreenDc log;
        SetLamp(log.hdc, rcLamp1, cDipole == cDipoleMode ? LAMP_OFF : LAMP_LIT);
    }
    BeginMeterPanel(hdc, PanelBrush());
    const char cLower = cDipole >= 'A' && cDipole <= 'Z' ? (char)(cDipole - 'A' + 'a') : cDipole;
    PanelRow(hdc, hFontBold, 0, 0, "C%c: %8.2f", cDipole, dC1);
    PanelRow(hdc, hFontBold, 1, 0, "I%c:  %8.2f", cDipole, dI1);
    if (nEm38Mk2Type == 0) {
        PanelRow(hdc, hFontBold, 2, 0, "c%c: %8.2f", cLower, dC2);
        PanelRow(hdc, hFontBold, 3, 0, "i%c:  %8.2f", cLower, dI2);
    }
}

void DrawModeIndicator(HDC hdc)
{
    if (nAlarmType <= 0) {
        FillRect(hdc, &rcModeIndicatorArea, hbrButtonFace);
        return;
    }
    SelectObject(hdc, hpenBlack);
    Polyline(hdc, aptLampOutline1, 5);
    FillRect(hdc, &rcTargetLampLeft, hbrWhite);
    if (nSensorsMinus1 == 1) {
        Polyline(hdc, aptLampOutline2, 5);
        Polyline(hdc, aptLampOutline3, 5);
        FillRect(hdc, &rcTargetLampMiddle, hbrWhite);
        FillRect(hdc, &rcTargetLampRight, hbrWhite);
    }
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    FillRect(hdc, &rcModeLetterBox1, hbrButtonFace);
    FillRect(hdc, &rcModeLetterBox2, hbrButtonFace);
    const wchar_t *szLetter = nAlarmChannel == 0 ? L"E" : nAlarmChannel == 1 ? L"L" : nAlarmChannel == 2 ? L"F" : L" ";
    TextAt(hdc, rcModeLetterBox1.left, rcModeLetterBox1.top, szLetter);
    TextAt(hdc, rcModeLetterBox2.left, rcModeLetterBox2.top, szLetter);
}
