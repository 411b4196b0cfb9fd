// Status panel painting: the logging screen's own surface, the status line and the pause hint.
#include <algorithm>
#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/legend.h"
#include "displays/numbers.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "processing/em384_handler.h"
#include "processing/em61mk2_handler.h"
#include "processing/gps_position.h"

namespace {

// Formats one value; a text that does not fit its buffer reads "N/A".
template <typename... Args>
void Format(wchar_t *szOut, size_t nSize, const wchar_t *szFormat, Args... args)
{
    if (swprintf(szOut, nSize, szFormat, args...) < 0) swprintf(szOut, nSize, L"N/A");
}

int TextWidth(HDC hdc, const wchar_t *sz)
{
    SIZE s = {0, 0};
    GetTextExtentPoint32(hdc, sz, (int)wcslen(sz), &s);
    return s.cx;
}

void Text(HDC hdc, int x, int y, const wchar_t *sz) { TextOut(hdc, x, y, sz, (int)wcslen(sz)); }

void TextAt(HDC hdc, const RECT &rc, const wchar_t *sz)
{
    if (rc.right > rc.left || rc.bottom > rc.top) Text(hdc, rc.left, rc.top, sz);
}

// A text that keeps within its box: one wider than the box takes the narrow face.
void TextWithin(HDC hdc, const RECT &rc, const wchar_t *sz)
{
    if (rc.right > rc.left) TextOutWithin(hdc, rc.left, rc.top, sz, (int)wcslen(sz), rc.left, rc.right);
}

// A box holding a changing text: filled with the button face, the text clipped to it.
void FillAndWrite(HDC hdc, const RECT &rc, const wchar_t *sz)
{
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    FillRect(hdc, &rc, hbrButtonFace);
    RECT r = rc;
    DrawText(hdc, sz, -1, &r, DT_LEFT | DT_SINGLELINE);
}

// A label that ends where its value box begins.
void LabelBefore(HDC hdc, const RECT &rcValue, const wchar_t *sz)
{
    if (rcValue.right < rcValue.left) return;
    Text(hdc, rcValue.left - TextWidth(hdc, sz), rcValue.top, sz);
}

bool IsTwoScaleInstrument()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2:
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return true;
    default: return false;
    }
}

// Step 8: the colour-scale strip between the profiles and the bar column, colour 0 at the bottom.
void PaintColourStrip(HDC hdc)
{
    if (!(nColorMapView > 0 && bGpsEnabled > 0 && bGpsActive == 1)) return;
    const int bottom = nBarColumnY + nCurveAreaHeightB;
    SelectObject(hdc, hpenDarkGrey);
    SelectObject(hdc, GetStockObject(NULL_BRUSH));
    Rectangle(hdc, nScaleStripX, nBarColumnY, nScaleStripX + nScaleStripWidth, bottom);
    const double s = (double)(nCurveAreaHeightB - 2) / (nColorScaleSteps + 1);
    for (int i = nColorScaleSteps; i >= 0; i--) {
        SelectObject(hdc, ahColorScalePen[i]);
        SelectObject(hdc, ahColorScaleBrush[i]);
        Rectangle(hdc, nScaleStripX + 2, bottom - (int)((i + 1) * s), nScaleStripX + nScaleStripWidth - 1,
                  bottom - (int)(i * s));
    }
}

// Step 10: the reading-scale labels over and under the bar column.
void PaintScaleLabels(HDC hdc)
{
    if (bInstrumentEnabled <= 0) return;
    const int bTwo = IsTwoScaleInstrument();
    // The top label's cell ends on the column's top edge at most.
    SIZE sCell = {0, 0};
    GetTextExtentPoint32(hdc, L"8", 1, &sCell);
    const int yTop = nBarColumnY - std::max((int)nTextHeight - 1, (int)sCell.cy);
    const int yBottom = nBarColumnY + nCurveAreaHeightB + (bTwo ? 2 : 0);
    const int cLeft = bPortrait ? nBarColumnX : nStatusPanelX;
    const int cWidth = bPortrait ? nBarColumnWidth : 110;
    const int h = cWidth / 2;
    wchar_t sz[64];
    const double adValue1[2] = {dScale1Max, dScale1Min}, adValue2[2] = {dScale2Max, dScale2Min};
    const int anY[2] = {yTop, yBottom};
    for (int k = 0; k < 2; k++) {
        switch (nInstrumentType) {
        case INSTRUMENT_GRAD601:
        case INSTRUMENT_EM61LX2:
        case INSTRUMENT_EM61MK2: {
            Format(sz, 64, nInstrumentType == INSTRUMENT_GRAD601 ? L"%0.1f nT/m" : L"%0.1f mV", adValue1[k]);
            const int w = TextWidth(hdc, sz);
            Text(hdc, cLeft + (cWidth - w) / 2, anY[k], sz);
            // No copy over the profile window where the tilt line of the pseudo GGA stands there.
            const int bTiltLine = nGpsFormat == 7 && bPseudoGga == 1 && bGpsEnabled > 0 &&
                                  (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_GRAD601);
            const int bCopy = bGpsActive == 1 && !(nInstrumentType == INSTRUMENT_EM61MK2 && nGpsFormat == 7 &&
                                                   bPseudoGga == 1) && !bTiltLine && bProfileScaleCopy;
            if (bCopy) Text(hdc, nCurveWndX + (nCurveWndWidth - w) / 2, anY[k], sz);
            break;
        }
        case INSTRUMENT_EM34: {
            Format(sz, 64, L"%0.0fmS/m", adValue1[k]);
            const int w = TextWidth(hdc, sz);
            const int p = (k == 0 ? w > cWidth : w > h) ? 10 : 0;
            Text(hdc, cLeft - p + (110 - w) / 2, anY[k], sz);
            break;
        }
        default: {
            Format(sz, 64, L"%0.0fmS/m", adValue1[k]);
            int w = TextWidth(hdc, sz);
            Text(hdc, cLeft - (w > h ? 10 : 0) + (h - w) / 2, anY[k], sz);
            const int bPpt = !((nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21) &&
                               nInphaseUnits != 0);
            Format(sz, 64, bPpt ? L"%0.0fppt" : L"%0.0fmS/m", adValue2[k]);
            w = TextWidth(hdc, sz);
            Text(hdc, cLeft + h + (h - w) / 2 + 2, anY[k], sz);
            break;
        }
        }
    }
    if (nInstrumentType == INSTRUMENT_EM61MK2) {
        if (bTiltMeterOn == 1) {
            TextAt(hdc, rcTiltMeterLabel, L"Tilt Meter:");
            TextAt(hdc, rcTiltRollLabel, L"Roll:");
            TextAt(hdc, rcTiltPitchLabel, L"Pitch:");
        } else {
            TextAt(hdc, rcTiltMeterLabel, L"Tilt Meter: Disabled");
        }
    }
}

// Step 11: the rounded frames around the station and GPS groups.
void PaintGroupFrames(HDC hdc)
{
    RECT a, b;
    StatusGroupFrames(&a, &b);
    SelectObject(hdc, hpenDarkGrey);
    SelectObject(hdc, hbrButtonFace);
    RoundRect(hdc, a.left, a.top, a.right, a.bottom, 10, 10);
    RoundRect(hdc, b.left, b.top, b.right, b.bottom, 10, 10);
}

// Step 12: the labels of the mode, voltage and current rows.
void PaintModeRowLabels(HDC hdc)
{
    if (bInstrumentEnabled <= 0) {
        SelectObject(hdc, hFontBold);
        Text(hdc, rcBatteryLabel.left, rcStatusMode.top, L"Instrument");
        TextAt(hdc, rcBatteryLabel, L"Disabled");
        SelectObject(hdc, hFontNormal);
        TextAt(hdc, rcCurrentLabel, L"GXY Mode");
        return;
    }
    wchar_t sz[64];
    const wchar_t *szDipole = nDipoleMode == 0 ? L"Dipole: Vertical" : L"Dipole: Horiz.";
    switch (nInstrumentType) {
    case INSTRUMENT_EM61LX2: {
        const bool bShort = nCurveWndWidth <= 300;
        TextAt(hdc, rcBatteryLabel, bShort ? L"B:" : L"Battery: ");
        TextAt(hdc, rcCurrentLabel, bShort ? L"T:" : L"Current: ");
        break;
    }
    case INSTRUMENT_EM61MK2:
        LabelBefore(hdc, rcStatusMode, L"Mode: ");
        LabelBefore(hdc, rcStatusVoltage, L"Battery: ");
        LabelBefore(hdc, rcStatusCurrent, L"Current: ");
        break;
    case INSTRUMENT_EM31MK2: {
        static const wchar_t *const aszComponent[3] = {L"Component: Both", L"Component: Inph.",
                                                       L"Component: Conductivity"};
        LabelBefore(hdc, rcStatusMode, L"Selected for file :");
        TextWithin(hdc, rcBatteryLabel, szDipole);
        if (nComponent >= 0 && nComponent <= 2) TextWithin(hdc, rcCurrentLabel, aszComponent[nComponent]);
        break;
    }
    case INSTRUMENT_EM38:
        LabelBefore(hdc, rcStatusMode, L"Selected for file :");
        TextWithin(hdc, rcBatteryLabel, szDipole);
        TextWithin(hdc, rcCurrentLabel, nComponent == 0 ? L"Comp.: Cond." : L"Comp.: Inph.");
        break;
    case INSTRUMENT_EM34:
        if (nSurveyModePrev == 2) {
            LabelBefore(hdc, rcStatusMode, L"Survey: Manual");
            Format(sz, 64, L"%4d  Readings", nEm34Configuration);
            TextWithin(hdc, rcBatteryLabel, sz);
        } else {
            LabelBefore(hdc, rcStatusMode, L"Selected for file :");
            // The EM34-3's dipole mode numbers a coil configuration (dipole and separation): the letter tells.
            TextWithin(hdc, rcBatteryLabel, nEm34DipoleLetter == 'V' ? L"Dipole: Vertical" : L"Dipole: Horiz.");
            Format(sz, 64, L"Sep: %5d m", nEm34Separation);
            TextWithin(hdc, rcCurrentLabel, sz);
        }
        break;
    case INSTRUMENT_EM38MK2:
        LabelBefore(hdc, rcStatusMode, L"Selected for file :");
        TextWithin(hdc, rcBatteryLabel, szDipole);
        break;
    default: break;  // Grad601, EM38-4, CS-21: no mode rows
    }
}

// Steps 13 to 16: station group, GPS group, file name and totals.
void PaintGroups(HDC hdc)
{
    wchar_t sz[300];
    SelectObject(hdc, hFontNormal);
    TextAt(hdc, rcLineNameLabel, L"Curr. Line:");
    FillAndWrite(hdc, rcLineNameValue, szSurveyLine);
    TextAt(hdc, rcStationLabel, L"Station:      ");
    SelectObject(hdc, hFontBold);
    Format(sz, 300, L"%-11.2f", dStation);
    FillAndWrite(hdc, rcStatusStation, sz);

    SelectObject(hdc, hFontNormal);
    if (bGpsEnabled > 0) {
        TextAt(hdc, rcPositionsLabel, L"Positions: ");
        Format(sz, 300, L"%-6d", (int)nGpsPositionCount);
        FillAndWrite(hdc, arcGpsBox[GPS_BOX_POSITIONS], sz);
        SelectObject(hdc, hFontBold);
        FillAndWrite(hdc, arcGpsBox[GPS_BOX_QUALITY], L"RTS");
        SelectObject(hdc, hFontNormal);
        TextAt(hdc, rcDopLabel, DopLabelText());
        if (nGpsFormat != 7 && nGpsFormat != 8) TextAt(hdc, rcSatLabel, L"Sat:");
        const int bGeodetic = nCoordUnits == 0 && nGpsFormat < 7;
        TextAt(hdc, rcLatLabel, bGeodetic ? L"Lat:" : L"N:");
        TextAt(hdc, rcLonLabel, bGeodetic ? L"Lon:" : L"E:");
        if (nCoordUnits != 0) TextAt(hdc, rcZoneLabel, L"Z:");
        if (!(nGpsFormat == 7 && bPseudoGga == 1)) {
            SelectObject(hdc, hFontBold);
            FillAndWrite(hdc, arcGpsBox[GPS_BOX_DOP], L"N/A");
        }
    } else {
        const RECT &rc = arcGpsBox[GPS_BOX_DOP];
        if (rc.right > rc.left) FillRect(hdc, &rc, hbrButtonFace);
        SelectObject(hdc, hFontBold);
        TextAt(hdc, rc, L"GPS Disabled");
    }

    SelectObject(hdc, hFontNormal);
    if (nRecordingState == 0) {
        FillAndWrite(hdc, rcFileNameText, L"File:        ");
    } else {
        wchar_t szName[264];
        NarrowToWideUnsigned(szDataFileName, szName, 264);
        Format(sz, 300, L"File: %ls", szName);
        FillAndWrite(hdc, rcFileNameText, sz);
    }
    TextAt(hdc, rcTotalStationsLabel, L"Tot. Stns:");
    Format(sz, 300, L"%-7d", nTotalReadingCount);
    FillAndWrite(hdc, rcStatusCount, sz);
    TextAt(hdc, rcTotalTimeLabel, L"Tot. Time:");
    Format(sz, 300, L"%02d:%02d:%02d", anTotalElapsedHms[0], anTotalElapsedHms[1], anTotalElapsedHms[2]);
    FillAndWrite(hdc, rcStatusTime, sz);
}

// Step 17: the speed scale under the speed bar.
void PaintSpeedScale(HDC hdc)
{
    if (bGpsEnabled != 1) return;
    wchar_t sz[64];
    TextAt(hdc, rcSpeedLabel, L"Speed:");
    const int y = rcSpeedValue.top;
    Format(sz, 64, L"%0.1f", dSpeedScaleMin);
    Text(hdc, nLayoutMarginX, y, sz);
    Format(sz, 64, L"%0.1f", dSpeedScaleMax);
    int right = 0;
    if (bGpsActive == 1) right = nMapWndX + nMapViewPixels;
    else if (!bPortrait) right = nLayoutMarginX + nGraphBandWidth;
    else right = nSpeedBarX + nSpeedBarWidth;
    Text(hdc, right - TextWidth(hdc, sz), y, sz);
}

}  // namespace

const wchar_t *LoggingStateText(int nState, int nMode)
{
    static const wchar_t *const aszText[3][3] = {
        {L"Stand By (Auto)", L"Stand By (Wheel)", L"Stand By (Manual)"},
        {L"Monitoring (Auto)", L"Monitoring (Wheel)", L"Monitoring (Manual)"},
        {L"Logging (Auto)", L"Logging (Wheel)", L"Logging (Manual)"},
    };
    if (nState < -1 || nState > 1 || nMode < 0 || nMode > 2) return L"";
    return aszText[nState + 1][nMode];
}

const wchar_t *DopLabelText()
{
    static const wchar_t *const aszLabel[9] = {L"PDOP:", L"HDOP:", L"PDOP:", L"GDOP:", L"GDOP:",
                                               L"PDOP:", L"PDOP:", L"PDOP:", L"PDOP:"};
    if (nGpsFormat == 7 && bPseudoGga == 1) return L"SLAM Conf.:";
    if (nGpsFormat < 0 || nGpsFormat > 8) return L"PDOP:";
    return aszLabel[nGpsFormat];
}

int DrawStatusLine(unsigned kind)
{
    if (!hwndLog) return 0;
    HDC hdc = GetDC(hwndLog);
    HGDIOBJ hOldFont = SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    if (kind == 0) {
        wchar_t szName[264], sz[300];
        NarrowToWideUnsigned(szDataFileName, szName, 264);
        Format(sz, 300, L"File: %ls", szName);
        FillAndWrite(hdc, rcFileNameText, sz);
    } else if (kind >= 1 && kind <= 3) {
        static const int anState[4] = {0, 0, -1, 1};
        if (rcStatusLineText.right > rcStatusLineText.left) FillRect(hdc, &rcStatusLineText, hbrButtonFace);
        Text(hdc, rcStatusLineText.left, rcStatusLineText.top, LoggingStateText(anState[kind], nSurveyModePrev));
    }
    SelectObject(hdc, hOldFont);
    return ReleaseDC(hwndLog, hdc);
}

void StatusGroupFrames(RECT *prcFirst, RECT *prcSecond)
{
    const int G1 = anGpsGroupLeft[0], G2 = anGpsGroupLeft[1], G3 = anGpsGroupLeft[2];
    const int T = anGpsRowY[0], R = nButtonRowHeight, B = nClientHeight - nBottomMargin;
    const int Hb = nBarColumnY + nCurveAreaHeightB;
    RECT a, b;
    if (!bPortrait && bGpsActive != 1) {
        a = RECT{G1, T - 4, G2 - 5, anGpsRowY[4] + nLineHeight + 4};
        b = RECT{G2 + 5, T - 4, G3 - 5, B};
    } else if (!bPortrait && nCurveWndWidth > 300) {
        a = RECT{G1, T - 4, G2 - 10, nGraphBandHeight};
        b = RECT{G2, T - 4, G3, nGraphBandHeight};
    } else if (!bPortrait) {
        a = RECT{G1, T - 4, G1 + nCurveWndWidth, nGraphBandHeight};
        b = RECT{G2, T - 4 - R, G2 + nCurveWndWidth, nGraphBandHeight - R};
    } else if (bGpsActive == 1) {
        a = RECT{G1, T - 4, G1 + nStatusColumnWidth, B};
        b = RECT{G2, T - 4 - R, G2 + nStatusColumnWidth, B - R};
    } else {
        // Beside the bar column: the station group up to the second column, the GPS group from there to the
        // third, which the rows layout moves to give the GPS group the width it needs.
        a = RECT{G1, T - 4, G2 - 5, Hb};
        b = RECT{G2, T - 4, G3, Hb};
    }
    *prcFirst = a;
    *prcSecond = b;
}

void DrawPauseHint(int state)
{
    if (!hwndLog) return;
    HDC hdc = GetDC(hwndLog);
    SelectObject(hdc, hbrButtonFace);
    const int width = rcPauseHintArea.right - rcPauseHintArea.left;
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(hdc, nClientWidth < 1000 ? hFontNormal : hFontLight);
    const int bEm34Manual = nInstrumentType == INSTRUMENT_EM34 && nSurveyMode == 2;
    if (state == 1) {
        const wchar_t *szFirst = L"Tap/Click PAUSE button or";
        // Lines a text height apart; the light font of wide screens is taller than the panel's text.
        SIZE sFirst = {0, 0};
        GetTextExtentPoint32(hdc, szFirst, (int)wcslen(szFirst), &sFirst);
        const int nStep = sFirst.cy > nTextHeight ? sFirst.cy : nTextHeight;
        Text(hdc, rcPauseHintArea.left + (width - sFirst.cx) / 2, rcPauseHintArea.top + nStep, szFirst);
        static const wchar_t *const aszSecond[4] = {L"press any key to pause", L"press <ENTER> to pause",
                                                    L"<Space Bar> to pause", L"press key <P> pause"};
        if (nPauseKey >= 0 && nPauseKey <= 3) {
            const wchar_t *sz = aszSecond[nPauseKey];
            Text(hdc, rcPauseHintArea.left + (width - TextWidth(hdc, sz)) / 2,
                 rcPauseHintArea.top + 2 * nStep, sz);
        }
        if (bEm34Manual) {
            SelectObject(hdc, hFontBold);
            FillAndWrite(hdc, rcHintLine, L"Push switch RECORD");
            SelectObject(hdc, hFontNormal);
        }
    } else if (state == -1) {
        if (width > 0) FillRect(hdc, &rcPauseHintArea, hbrButtonFace);
        if (bEm34Manual && rcHintLine.right > rcHintLine.left) FillRect(hdc, &rcHintLine, hbrButtonFace);
    }
    SelectObject(hdc, hOldFont);
    ReleaseDC(hwndLog, hdc);
}

LRESULT OnScreenLogPaint(HWND hwnd, UINT, WPARAM, LPARAM)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rcClient;
    GetClientRect(hwnd, &rcClient);
    const int W = rcClient.right, H = rcClient.bottom;
    SetBkMode(hdc, TRANSPARENT);
    HGDIOBJ hOldFont = SelectObject(hdc, hFontNormal);
    HGDIOBJ hOldPen = SelectObject(hdc, hpenDarkGrey);
    HGDIOBJ hOldBrush = SelectObject(hdc, hbrButtonFace);

    // 1. Map size, right-aligned to the map's right edge.
    // The box keeps the width of its widest text; the text stands right-aligned in it.
    if (bGpsActive == 1) DrawMapSizeText(hdc);
    // 2. EM38-4: calibration state and dipole mode.
    if (nInstrumentType == INSTRUMENT_EM384) {
        static const wchar_t *const aszCalib[3] = {L"Calib: OFF", L"Calib: ON", L"Calib/Offset: ON"};
        SetTextColor(hdc, RGB(0, 0, 255));
        const int n = (nEm384CalibrationState >= 0 && nEm384CalibrationState <= 2) ? nEm384CalibrationState : 0;
        FillAndWrite(hdc, rcCalibText, aszCalib[n]);
        SetTextColor(hdc, RGB(0, 0, 0));
        FillAndWrite(hdc, rcDipoleModeText, L"Dipole Mode: Horizontal");
        // Display mode 1: the inversion panel in the second profile window's place.
        if (nEm384DisplayMode == 1) DrawInversionPanelOn(hdc);
        SelectObject(hdc, hFontNormal);
    }
    // 3. The map channel title in the light font.
    SelectObject(hdc, hFontLight);
    DrawMapChannelTitle(hdc);
    SelectObject(hdc, hFontNormal);
    SelectObject(hdc, hbrButtonFace);
    // 4. Tilt line labels in the pseudo-GGA mode.
    const int bTiltLine = nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM38MK2 ||
                          nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_GRAD601;
    if (nGpsFormat == 7 && bPseudoGga == 1 && bGpsEnabled > 0 && bTiltLine) {
        TextAt(hdc, rcSlamLabel, L"SLAM:");
        TextAt(hdc, rcTiltRLabel, L"R:");
        TextAt(hdc, rcTiltPLabel, L"P:");
        TextAt(hdc, rcTiltYLabel, L"Y:");
    }
    // 5. Grad601: the gradient label.
    if (nInstrumentType == INSTRUMENT_GRAD601)
        Text(hdc, rcGradientLabel.left, rcGradientLabel.top, L"Gradient [nT/m]");
    // 6. EM61-LX2 with an alarm: the target lamps and the alarm letters.
    if (nInstrumentType == INSTRUMENT_EM61LX2 && nAlarmType > 0) DrawModeIndicator(hdc);
    // 7. Frame lines and their corner circles.
    const int B = H - nBottomMargin;
    SelectObject(hdc, hpenDarkGrey);
    MoveToEx(hdc, 10, 10, nullptr);
    LineTo(hdc, 10, B);
    MoveToEx(hdc, W - 14, B, nullptr);
    LineTo(hdc, W - 14, 10);
    Ellipse(hdc, 7, 7, 13, 13);
    Ellipse(hdc, W - 17, 7, W - 11, 13);
    Ellipse(hdc, 7, B - 3, 13, B + 3);
    Ellipse(hdc, W - 17, B - 3, W - 11, B + 3);
    // 8. The colour-scale strip.
    PaintColourStrip(hdc);
    SelectObject(hdc, hpenDarkGrey);
    SelectObject(hdc, hbrButtonFace);
    // 9. The logging state.
    SelectObject(hdc, hFontNormal);
    if (rcStatusLineText.right > rcStatusLineText.left) FillRect(hdc, &rcStatusLineText, hbrButtonFace);
    Text(hdc, rcStatusLineText.left, rcStatusLineText.top, LoggingStateText(nRecordingState, nSurveyModePrev));
    // 10. Reading-scale labels.
    PaintScaleLabels(hdc);
    // 11. Frames of the station and GPS groups.
    PaintGroupFrames(hdc);
    // 12. Mode-row labels.
    SelectObject(hdc, hFontNormal);
    PaintModeRowLabels(hdc);
    // 13 to 16. Station group, GPS group, file name and totals.
    PaintGroups(hdc);
    // 17. Speed scale.
    SelectObject(hdc, hFontNormal);
    PaintSpeedScale(hdc);

    SelectObject(hdc, hOldFont);
    SelectObject(hdc, hOldPen);
    SelectObject(hdc, hOldBrush);
    EndPaint(hwnd, &ps);
    if (hwndLog) UpdateWindow(hwndLog);
    // The keyboard goes back to the logging screen, unless a dialog of its own holds it.
    HWND hFocus = GetFocus();
    if (!hFocus || hFocus == hwndMain || GetParent(hFocus) == hwnd) SetFocus(hwnd);
    return 0;
}
