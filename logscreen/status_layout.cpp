// Status panel geometry: every status box measured from its sample string in the font that paints it.
#include <algorithm>
#include <cwchar>
#include <initializer_list>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/legend.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "processing/em384_handler.h"
#include "processing/gps_position.h"

RECT rcActiveComponent, rcCalibText, rcDipoleModeText, rcNavigationLabel, rcGradientLabel, rcTopValue1,
    rcTopValue2;
RECT arcTargetLampBox[3];
RECT rcDualEmCh1Values, rcDualEmCh2Values;
RECT rcBatteryLabel, rcCurrentLabel;
RECT rcLineNameLabel, rcLineNameValue, rcStationLabel, rcTotalStationsLabel, rcTotalTimeLabel, rcPositionsLabel,
    rcDopLabel, rcSatLabel, rcLatLabel, rcLonLabel, rcZoneLabel, rcSpeedLabel;
int anGpsRowY[5];
int anGpsColumnX[4];
int anGpsGroupLeft[3];
int bProfileScaleCopy = 1;
RECT rcSlamLabel, rcTiltRLabel, rcTiltPLabel, rcTiltYLabel;
RECT rcTiltMeterLabel, rcTiltRollLabel, rcTiltPitchLabel;

namespace {

// The boxes that differ between the arrangement with the map and the one without it.
struct PanelSet {
    RECT rcMode, rcVoltage, rcCurrent, rcLamp1, rcLamp2, rcBatteryLabel, rcCurrentLabel, rcGradient;
    RECT rcFile, rcLineLabel, rcLineValue, rcStationLabel, rcStationValue, rcTotalLabel, rcTotalValue, rcTimeLabel,
        rcTimeValue;
    RECT rcPosLabel, rcPosValue, rcRts, rcGpsLamp1, rcGpsLamp2, rcDopLabel, rcDopValue, rcSatLabel, rcSatValue,
        rcLatLabel, rcLatValue, rcLonLabel, rcLonValue, rcZoneLabel, rcZoneValue, rcSpeedLabel, rcSpeedValue,
        rcProcedure;
    int anRowY[5];
    int anColumnX[4];
    int anGroupLeft[3];
    int bScaleCopy;
};
PanelSet gMapOn, gMapOff;

// A device context of the logging screen with its font restored when done.
struct Measure {
    HWND hwnd;
    HDC hdc;
    HGDIOBJ hOldFont;
    explicit Measure(HWND h) : hwnd(h), hdc(GetDC(h)), hOldFont(nullptr) {}
    ~Measure()
    {
        if (!hdc) return;
        if (hOldFont) SelectObject(hdc, hOldFont);
        ReleaseDC(hwnd, hdc);
    }
    SIZE Of(HFONT hFont, const wchar_t *sz)
    {
        SIZE s = {0, 0};
        if (!hdc) return s;
        HGDIOBJ hPrev = SelectObject(hdc, hFont);
        if (!hOldFont) hOldFont = hPrev;
        GetTextExtentPoint32(hdc, sz, (int)wcslen(sz), &s);
        return s;
    }
    int W(HFONT hFont, const wchar_t *sz) { return Of(hFont, sz).cx; }
    int H(HFONT hFont) { return Of(hFont, L"Mg").cy; }
};

RECT Box(int left, int top, int width, int height) { return RECT{left, top, left + width, top + height}; }

// Room kept between a group's frame line and the texts inside it.
constexpr int kFrameInset = 6;

bool IsLx2() { return nInstrumentType == INSTRUMENT_EM61LX2; }

// Height of one text row of the panel: nLineHeight - 4, but never lower than the text.
int RowHeight(Measure &m) { return std::max(nLineHeight - 4, std::max(m.H(hFontNormal), m.H(hFontBold))); }

// The value sample of the mode row (no value box for the Grad601, EM38-4 and CS-21).
const wchar_t *ModeSample()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM61LX2:
    case INSTRUMENT_EM61MK2: return L"D";
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34:
    case INSTRUMENT_EM38MK2: return L"Horizontal";
    default: return nullptr;
    }
}

// Width of a mode-row label box: the widest of the texts painted there.
int ModeLabelWidth(Measure &m)
{
    int w = m.W(hFontNormal, L"    Mode: ");
    for (const wchar_t *sz : {L"Battery: ", L"Current: "}) w = std::max(w, m.W(hFontNormal, sz));
    return w;
}

// Top of the numbers window as the arrangement placed it (the right-hand column is reset after it).
int gNumbersTop = 0, gNumbersHeight = 0;

// Under the bar column: the bottom scale label (2 lower for the instruments with two scales).
int BottomScaleRow(Measure &m)
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2:
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return 2 + m.H(hFontNormal) + 1;
    default: return m.H(hFontNormal) + 1;
    }
}

bool HasModeRows()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2:
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34:
    case INSTRUMENT_EM38MK2: return true;
    default: return false;
    }
}

// Landscape: the mode rows start under the bar column's bottom scale label, and end above the numbers window.
int ModeRowsTop(Measure &m, int nSpecTop)
{
    const int nAfterLabel = nBarColumnY + nCurveAreaHeightB + BottomScaleRow(m);
    return std::max(nAfterLabel, std::min(nSpecTop, gNumbersTop - 3 * RowHeight(m) - 1));
}

// Width of the widest label the paint writes before the mode row's value box.
int ModeRowLabelWidth(Measure &m)
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2: return m.W(hFontNormal, L"Selected for file :");
    case INSTRUMENT_EM34: return std::max(m.W(hFontNormal, L"Selected for file :"), m.W(hFontNormal, L"Survey: Manual"));
    default: return m.W(hFontNormal, L"Mode: ");
    }
}

// Mode row at (x, top) with the voltage and current rows under it, and the two lamps beside the voltage.
void PlaceModeRows(Measure &m, int x, int top, RECT *prcMode, RECT *prcVoltage, RECT *prcCurrent, RECT *prcLamp1,
                   RECT *prcLamp2)
{
    const int rh = RowHeight(m);
    const wchar_t *szSample = ModeSample();
    *prcMode = Box(x, top, szSample ? m.W(hFontNormal, szSample) + 2 : 0, rh);
    const int wv = m.W(hFontNormal, L"12.9 V") + 3;
    *prcVoltage = Box(x, prcMode->top + rh, wv, rh);
    *prcCurrent = Box(x, prcVoltage->bottom, wv, rh);
    *prcLamp1 = Box(prcVoltage->right + 10, prcVoltage->top, 13, 13);
    *prcLamp2 = Box(prcVoltage->right + 10, prcVoltage->top + (nLineHeight - 4), 13, 13);
}

// EM61-LX2: battery and current on the title row, each value after its label (the labels shorten to "B:" and
// "T:" over a profile window of 300 pixels or less). With the map the top scale label stands centred over the
// profile window on this row too: both blocks keep clear of it, or, where the row has no room for that before the
// bar column, the copy over the profile is left out (the bar column shows the same label).
void PlaceLx2TitleRows(Measure &m, int xBattery, int xCurrent, PanelSet *p)
{
    const bool bShort = nCurveWndWidth <= 300;
    const int rh = RowHeight(m), wv = m.W(hFontNormal, L"12.9 V") + 3;
    const int wb = bShort ? m.W(hFontNormal, L"B:") + 2 : ModeLabelWidth(m);
    const int wt = bShort ? m.W(hFontNormal, L"T:") + 2 : ModeLabelWidth(m);
    const int wLamps = 2 * (13 + 2) + 10;
    int nClearLeft = 0, nClearRight = 0;
    if (bGpsActive == 1) {
        const int ws = m.W(hFontNormal, L"-8888.8 mV"), c = nCurveWndX + nCurveWndWidth / 2;
        nClearLeft = c - ws / 2 - 8, nClearRight = c + ws / 2 + 8;
    }
    const int nLimit = bGpsActive == 1 ? nBarColumnX - 4 : nClientWidth - 16;
    auto Place = [&](bool bClear) {
        auto Clear = [&](int x, int w) { return bClear && x < nClearRight && nClearLeft < x + w ? nClearRight : x; };
        const int xb = Clear(xBattery, wb + wv + wLamps);
        p->rcBatteryLabel = Box(xb, 2, wb, rh);
        p->rcVoltage = Box(p->rcBatteryLabel.right, 2, wv, rh);
        const int xc = Clear(std::max(xCurrent, (int)p->rcVoltage.right + wLamps), wt + wv);
        // The title row is the only row above the profiles: current and both lamps stay on it, where a row lower
        // would lie under the profile window.
        p->rcCurrentLabel = Box(xc, 2, wt, rh);
        p->rcCurrent = Box(p->rcCurrentLabel.right, 2, wv, rh);
        p->rcLamp1 = Box(p->rcVoltage.right + 2, 3, 13, 13);
        p->rcLamp2 = Box(p->rcLamp1.right + 2, 3, 13, 13);
        return p->rcCurrent.right <= nLimit;
    };
    p->bScaleCopy = 1;
    if (bGpsActive != 1) {
        Place(false);
    } else if (!Place(true)) {
        Place(false);
        p->bScaleCopy = 0;
    }
}

// The mode rows of a set: the mode row at (x, top); for the other instruments the two label boxes start at
// xLabels (or, with xLabels < 0, end where the mode row's value column begins).
void PlaceSetModeRows(Measure &m, PanelSet *p, int x, int top, int xLabels, int xLx2Battery, int xLx2Current)
{
    const int wm = m.W(hFontNormal, L"    Mode: "), wl = ModeLabelWidth(m), rh = RowHeight(m);
    if (!bPortrait) top = ModeRowsTop(m, top);
    PlaceModeRows(m, x + wm, top, &p->rcMode, &p->rcVoltage, &p->rcCurrent, &p->rcLamp1, &p->rcLamp2);
    p->bScaleCopy = 1;
    if (IsLx2() && !bPortrait && bInstrumentEnabled > 0) {
        PlaceLx2TitleRows(m, xLx2Battery, xLx2Current, p);
        return;
    }
    const int left = xLabels >= 0 ? xLabels : p->rcMode.left - wl;
    // The conductivity meters' mode-row label ends where the row's value box begins: a label wider than
    // "    Mode: " moves the box right rather than reach left of the column, where the profiles and the group
    // frames lie. Nothing is written into that box; it keeps within the client area.
    const int wLabel = ModeRowLabelWidth(m);
    if (wLabel > wm) {
        const int nRight = std::min((int)p->rcMode.right + (wLabel - wm), nClientWidth - 16);
        p->rcMode = RECT{x + wLabel, p->rcMode.top, std::max(x + wLabel, nRight), p->rcMode.bottom};
    }
    p->rcBatteryLabel = Box(left, p->rcVoltage.top, std::max(wl, p->rcVoltage.left - left), rh);
    p->rcCurrentLabel = Box(left, p->rcCurrent.top, std::max(wl, p->rcCurrent.left - left), rh);
    // The conductivity meters write whole texts on these two rows ("Component: Both", "Dipole: Vertical"):
    // each box reaches as far as its widest text, short of the frame line.
    const int nFrameLimit = nClientWidth - 16;
    auto Widen = [&](RECT *prc, std::initializer_list<const wchar_t *> texts) {
        int w = 0;
        for (const wchar_t *sz : texts) w = std::max(w, m.W(hFontNormal, sz));
        prc->right = std::max((int)prc->right, std::min(nFrameLimit, (int)prc->left + w));
    };
    static const std::initializer_list<const wchar_t *> kDipoles = {L"Dipole: Vertical", L"Dipole: Horiz."};
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
        Widen(&p->rcBatteryLabel, kDipoles);
        Widen(&p->rcCurrentLabel, {L"Component: Both", L"Component: Inph.", L"Component: Conductivity"});
        break;
    case INSTRUMENT_EM38:
        Widen(&p->rcBatteryLabel, kDipoles);
        Widen(&p->rcCurrentLabel, {L"Comp.: Cond.", L"Comp.: Inph."});
        break;
    case INSTRUMENT_EM34:
        Widen(&p->rcBatteryLabel, {L"Dipole: Vertical", L"Dipole: Horiz.", L"8888  Readings"});
        Widen(&p->rcCurrentLabel, {L"Sep: 88888 m"});
        break;
    case INSTRUMENT_EM38MK2: Widen(&p->rcBatteryLabel, kDipoles); break;
    default: break;
    }
    // Where the lamps beside the voltage would reach the screen's frame line or the labels' texts, the labels fill
    // the right-hand column: the lamps stand left of the labels (in portrait in the gap between the bar column and
    // the right-hand column, in landscape under the gap between the profiles and the bar column).
    auto Meets = [](const RECT &a, const RECT &b) {
        return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    };
    if (p->rcLamp1.right > nFrameLimit || Meets(p->rcLamp1, p->rcBatteryLabel) || Meets(p->rcLamp1, p->rcCurrentLabel) ||
        Meets(p->rcLamp2, p->rcBatteryLabel) || Meets(p->rcLamp2, p->rcCurrentLabel)) {
        const int xLamp = std::min(p->rcBatteryLabel.left, p->rcCurrentLabel.left) - 4 - 13;
        p->rcLamp1 = Box(xLamp, p->rcLamp1.top, 13, 13);
        p->rcLamp2 = Box(xLamp, p->rcLamp2.top, 13, 13);
    }
}

// The Grad601's gradient label, under its numbers window (the upper half of the right-hand column as the
// arrangement placed it).
void PlaceGradientLabel(Measure &m, RECT *prc)
{
    const SIZE s = m.Of(hFontNormal, L"Gradient [nT/m]");
    const int top = gNumbersTop + gNumbersHeight / 2 + 4;
    *prc = RECT{nStatusPanelX + (110 - s.cx) / 2, top, nStatusPanelX + 110, top + s.cy};
}

// A group of the GPS block: its left and width, and the tops of its five rows (top row first).
struct Group {
    int left, width;
    int anRowY[5];
};

void RowsUp(int anRowY[5], int nBottomTop, int r)
{
    for (int i = 0; i < 5; i++) anRowY[i] = nBottomTop - (4 - i) * r;
}

// Station group: file name, line name, station, total readings and total time. bLarge measures the label column
// on "Tot Time:  00:00:00" in the bold font, else on "# of Stns:888999" in the normal font.
void PlaceStationGroup(Measure &m, const Group &g, int bLarge, int nLabelShift, PanelSet *p)
{
    const int rh = RowHeight(m);
    const int w = bLarge ? m.W(hFontBold, L"Tot Time:  00:00:00") : m.W(hFontNormal, L"# of Stns:888999");
    const int wl = bLarge ? m.W(hFontBold, L"Tot Time:") : m.W(hFontNormal, L"# of Stns:");
    int x = g.left + (g.width - w) / 2 - 18 + nLabelShift;
    if (nLabelShift > 0) x = g.left + nLabelShift;
    // The widest row ends inside the group's frame, and no label starts on the frame's line.
    const int wValues = std::max({m.W(hFontNormal, L"88888.88"), m.W(hFontBold, L"-88888.88"),
                                  m.W(hFontNormal, L"8888888"), m.W(hFontNormal, L"00:00:00")}) + 2;
    // The value column stands 18 right of the label column where the group has the room, closer where it has not.
    int wLabels = wl;
    for (const wchar_t *sz : {L"Curr. Line:", L"Station:", L"Tot. Stns:", L"Tot. Time:"})
        wLabels = std::max(wLabels, m.W(hFontNormal, sz));
    const int nPad = std::max(wLabels - wl + 6, std::min(18, g.width - 2 * kFrameInset - wl - wValues));
    x = std::max(std::min(x, g.left + g.width - kFrameInset - (wl + nPad + wValues)), g.left + kFrameInset);
    const int xValue = x + wl + nPad;
    const int xEnd = g.left + g.width - 5, xEndNarrow = g.left + g.width - 10;
    auto Value = [&](int nRow, int xRight, HFONT hFont, const wchar_t *szSample) {
        int right = std::max(xRight, xValue + m.W(hFont, szSample) + 2);
        return RECT{xValue, g.anRowY[nRow], right, g.anRowY[nRow] + rh};
    };
    p->rcFile = RECT{x, g.anRowY[0], std::max(xEnd, x + m.W(hFontNormal, L"File:        ") + 2), g.anRowY[0] + rh};
    p->rcLineLabel = Box(x, g.anRowY[1], m.W(hFontNormal, L"Curr. Line:"), rh);
    p->rcLineValue = Value(1, xEndNarrow, hFontNormal, L"88888.88");
    p->rcStationLabel = Box(x, g.anRowY[2], m.W(hFontNormal, L"Station:      "), rh);
    p->rcStationValue = Value(2, xEndNarrow, hFontBold, L"-88888.88");
    p->rcTotalLabel = Box(x, g.anRowY[3], m.W(hFontNormal, L"Tot. Stns:"), rh);
    p->rcTotalValue = Value(3, xEnd, hFontNormal, L"8888888");
    p->rcTimeLabel = Box(x, g.anRowY[4], m.W(hFontNormal, L"Tot. Time:"), rh);
    p->rcTimeValue = Value(4, xEnd, hFontNormal, L"00:00:00");
}

bool Geodetic() { return nCoordUnits == 0 && nGpsFormat < 7; }
bool SlamDop() { return nGpsFormat == 7 && bPseudoGga == 1; }

// GPS group: positions, fix quality with the two lamps, DOP and satellites, latitude (northing), longitude
// (easting) with the zone. The label column is centred on "Lon: -188 88 88.88888".
void PlaceGpsGroup(Measure &m, const Group &g, int nCoordShift, int nEastPad, PanelSet *p)
{
    const int rh = RowHeight(m);
    int x = g.left + (g.width - m.W(hFontNormal, L"Lon: -188 88 88.88888")) / 2 - 4;
    if (nCoordShift > 0) x = g.left + nCoordShift;
    // The widest row ends inside the group's frame, and no label starts on the frame's line.
    const int wQuality = std::max(m.W(hFontBold, L"PHASE"), m.W(hFontBold, L"NO FIX")) + 4;
    const int wDop = std::max({m.W(hFontBold, L"N/A"), m.W(hFontBold, L"88.8"), m.W(hFontBold, L" 88")}) + 4;
    const int wCoordLabel = std::max({m.W(hFontNormal, L"Lon:"), m.W(hFontNormal, L"Lat:"), m.W(hFontNormal, L"N:"),
                                      m.W(hFontNormal, L"E:")}) + 2;
    const int wCoord = m.W(hFontNormal, Geodetic() ? L"W-888 88 88.888888" : L"-88888888.88 USft") + 4;
    const int wDopLabel = m.W(hFontNormal, SlamDop() ? L"SLAM Conf.:" : L"PDOP:") + 2;
    // The zone follows the easting; where the group has no room for it there, it follows the positions count.
    const int wZone = nCoordUnits != 0 ? 4 + m.W(hFontNormal, L"Z:") + 2 + m.W(hFontNormal, L"33") + 4 : 0;
    const int wPositions = m.W(hFontNormal, L"Positions: ") + m.W(hFontNormal, L"88888") + 4;
    const int wEast = wCoordLabel + nEastPad + wCoord;
    const int wOthers = std::max({wQuality + 5 + 13 + 5 + 13,
                                  wDopLabel + 2 + wDop + 6 + m.W(hFontNormal, L"Sat:") + 2 + m.W(hFontBold, L"88") + 4});
    const bool bZoneFirstRow = wZone > 0 && g.width - 2 * kFrameInset < std::max({wOthers, wPositions, wEast + wZone});
    const int wRows = std::max({wOthers, bZoneFirstRow ? wPositions + 2 + wZone : wPositions,
                                bZoneFirstRow ? wEast : wEast + wZone});
    x = std::max(std::min(x, g.left + g.width - kFrameInset - wRows), g.left + kFrameInset);
    p->rcPosLabel = Box(x, g.anRowY[0], m.W(hFontNormal, L"Positions: "), rh);
    p->rcPosValue = Box(p->rcPosLabel.right, g.anRowY[0], m.W(hFontNormal, L"88888") + 4, rh);
    p->rcRts = Box(x, g.anRowY[1], wQuality, rh);
    const int yLamp = g.anRowY[1] + std::max(0, (rh - 13) / 2);
    p->rcGpsLamp1 = Box(p->rcRts.right + 5, yLamp, 13, 13);
    p->rcGpsLamp2 = Box(p->rcGpsLamp1.right + 5, yLamp, 13, 13);
    p->rcDopLabel = Box(x, g.anRowY[2], wDopLabel, rh);
    p->rcDopValue = Box(p->rcDopLabel.right + 2, g.anRowY[2], wDop, rh);
    p->rcSatLabel = Box(p->rcDopValue.right + 6, g.anRowY[2], m.W(hFontNormal, L"Sat:") + 2, rh);
    p->rcSatValue = Box(p->rcSatLabel.right, g.anRowY[2], m.W(hFontBold, L"88") + 4, rh);
    p->rcLatLabel = Box(x, g.anRowY[3], wCoordLabel, rh);
    p->rcLatValue = Box(p->rcLatLabel.right + nEastPad, g.anRowY[3], wCoord, rh);
    p->rcLonLabel = Box(x, g.anRowY[4], wCoordLabel, rh);
    p->rcLonValue = Box(p->rcLonLabel.right + nEastPad, g.anRowY[4], wCoord, rh);
    const RECT &rcAfter = bZoneFirstRow ? p->rcPosValue : p->rcLonValue;
    const int nZoneRow = bZoneFirstRow ? 0 : 4;
    p->rcZoneLabel = Box(rcAfter.right + (bZoneFirstRow ? 6 : 4), g.anRowY[nZoneRow], m.W(hFontNormal, L"Z:") + 2, rh);
    p->rcZoneValue = Box(p->rcZoneLabel.right, g.anRowY[nZoneRow], m.W(hFontNormal, L"33") + 4, rh);
}

// Speed label and value one line above the speed bar at y, centred under the span [x, x + w); the procedure
// message takes the same row across the span.
void PlaceSpeed(Measure &m, int x, int w, int ySpeedBar, PanelSet *p)
{
    const int rh = RowHeight(m);
    const int wFull = m.W(hFontNormal, L"Speed: 88.56 ft/s"), wLabel = m.W(hFontNormal, L"Speed:");
    const int top = ySpeedBar - std::max(nLineHeight - 1, (int)m.H(hFontNormal));  // clear of the speed bar
    const int xLabel = x + (w - wFull) / 2;
    p->rcSpeedLabel = Box(xLabel, top, wLabel, rh);
    p->rcSpeedValue = Box(xLabel + wLabel + 5, top, m.W(hFontNormal, L"88.56 ft/s") + 40, rh);
    p->rcProcedure = Box(x, top, w, rh);
}

int GroupWidthNeeded(Measure &m, bool bGps);

// Rows and columns of the GPS block without the map. The second and third columns move right, where the station
// or GPS group needs more than its quarter of the band (landscape), and the GPS group takes from the station
// group what it needs (portrait); the arrangement leaves them that room.
void ComputeRowsGrid(Measure &m, int anRowY[5], int anColumn[4], int *pr)
{
    const int rh = RowHeight(m);
    int r = 0, nBottomTop = 0;
    if (!bPortrait) {
        r = std::max(nLineHeight - 4, rh);
        nBottomTop = nClientHeight - nBottomMargin - 4 - nLineHeight;
        anColumn[0] = nLayoutMarginX;
        anColumn[1] = nLayoutMarginX + nGraphBandWidth / 4;
        anColumn[2] = nLayoutMarginX + (2 * nGraphBandWidth) / 4;
        anColumn[3] = nLayoutMarginX + nGraphBandWidth - nGraphBandWidth / 4;
        anColumn[1] = std::max(anColumn[1], anColumn[0] + GroupWidthNeeded(m, false) + 5);
        anColumn[2] = std::max(anColumn[2], anColumn[1] + GroupWidthNeeded(m, true) + 10);
        anColumn[3] = std::max(anColumn[3], anColumn[2]);
    } else {
        const int e = (nCurveAreaHeightB - (5 * nLineHeight + 10)) / 5;
        r = std::max(nLineHeight + e, rh);
        nBottomTop = nBarColumnY + nCurveAreaHeightB - 4 - nLineHeight;
        anColumn[0] = nLayoutMarginX;
        anColumn[1] = nLayoutMarginX + (nBarColumnX - 2 - nLayoutMarginX) / 2 + 2;
        // The groups take the width from the frame line on the left to near the bar column.
        anColumn[0] = nLayoutMarginX - 6;
        anColumn[2] = anColumn[3] = nBarColumnX - 4;
        anColumn[1] = std::min(anColumn[1], anColumn[2] - GroupWidthNeeded(m, true));
    }
    RowsUp(anRowY, nBottomTop, r);
    *pr = r;
}

void CopyGrid(PanelSet *p, const int anRowY[5], const int anColumn[4], int g1, int g2, int g3)
{
    for (int i = 0; i < 5; i++) p->anRowY[i] = anRowY[i];
    for (int i = 0; i < 4; i++) p->anColumnX[i] = anColumn[3 - i];  // last column first
    p->anGroupLeft[0] = g1;
    p->anGroupLeft[1] = g2;
    p->anGroupLeft[2] = g3;
}

// The width a group's frame needs: the group placed at 0 with no width of its own, each box ending where its sample
// ends, and the frame's inset after the rightmost.
int GroupWidthNeeded(Measure &m, bool bGps)
{
    PanelSet p;
    const Group g = {0, 0, {0, 0, 0, 0, 0}};
    int nRight = 0;
    if (bGps) {
        PlaceGpsGroup(m, g, 10, 4, &p);
        for (const RECT *prc : {&p.rcPosValue, &p.rcGpsLamp2, &p.rcDopValue, &p.rcSatValue, &p.rcLatValue,
                                &p.rcLonValue})
            nRight = std::max(nRight, (int)prc->right);
        // The zone follows the east value with grid coordinates only.
        if (nCoordUnits != 0) nRight = std::max(nRight, (int)p.rcZoneValue.right);
    } else {
        PlaceStationGroup(m, g, 1, 10, &p);
        for (const RECT *prc : {&p.rcFile, &p.rcLineValue, &p.rcStationValue, &p.rcTotalValue, &p.rcTimeValue})
            nRight = std::max(nRight, (int)prc->right);
    }
    return nRight + kFrameInset + 2;
}

// With the map, the rows under the profile window before the status groups: the bottom scale label, which the
// EM61-MK2, EM61-LX2 and Grad601 repeat under the profile, and the EM61-MK2 tilt-meter row.
bool ScaleLabelUnderProfile()
{
    return nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2 ||
           nInstrumentType == INSTRUMENT_GRAD601;
}
int ScaleLabelRow(Measure &m) { return m.H(hFontNormal) + 1; }
int TiltMeterRowHeight() { return nInstrumentType == INSTRUMENT_EM61MK2 ? nLineHeight + 2 + 2 : 0; }

int UnderProfileReserve(Measure &m)
{
    return (ScaleLabelUnderProfile() ? ScaleLabelRow(m) : 0) + TiltMeterRowHeight();
}

// The map-on set, small (profile width up to 300) or large.
void LayoutMapOnSet(HWND hwnd, int bLarge)
{
    Measure m(hwnd);
    PanelSet &p = gMapOn;
    const int rh = RowHeight(m);
    int r = 0, nBottomTop = 0, g1 = 0, g2 = 0, g3 = 0, nGroupWidth = 0, nGpsGroupWidth = -1;
    // The groups stand under the profile window and the rows the arrangement keeps under it.
    const int nFreeTop = nCurveWndTop + (bPortrait ? nCurveAreaHeight : nCurveAreaHeight2) + UnderProfileReserve(m);
    if (!bPortrait) {
        r = bLarge ? nLineHeight + 4 : std::max(nLineHeight - 4, rh);
        const int nRoom = nGraphBandHeight - nFreeTop - 2;
        if (bLarge && (nRoom - 8) / 5 < r) r = std::max(rh, (nRoom - 8) / 5);
        if (!bLarge) nButtonRowHeight = 5 * r + 10;
        nBottomTop = nGraphBandHeight - r - 4;
        if (bLarge) {
            // Two groups side by side under the profiles: halves, unless the GPS group needs more and the station
            // group can give it.
            int g = (nCurveWndWidth - 10) / 2, gGps = g;
            const int nGpsNeed = GroupWidthNeeded(m, true);
            if (g < nGpsNeed && nCurveWndWidth - 10 - nGpsNeed >= GroupWidthNeeded(m, false)) {
                gGps = nGpsNeed;
                g = nCurveWndWidth - 10 - nGpsNeed;
            }
            g1 = nCurveWndX, g2 = nCurveWndX + g + 10, g3 = g2 + gGps, nGroupWidth = g, nGpsGroupWidth = gGps;
            nButtonRowHeight = 0;
        } else {
            g1 = g2 = g3 = nCurveWndX, nGroupWidth = nCurveWndWidth;
        }
    } else if (bLarge) {
        // Both groups stacked between the rows under the profile window and the bottom margin.
        const int e = ((nButtonGap + 2 * nButtonHeight) - (10 * nLineHeight + 20)) / 10;
        const int nRoom = nClientHeight - nBottomMargin - nFreeTop - 2;
        r = std::max(rh, std::min(nLineHeight + e, (nRoom - 18) / 10));
        nBottomTop = nClientHeight - nBottomMargin - r - 4;
        g1 = g2 = nCurveWndX, g3 = nCurveWndX + nStatusColumnWidth, nGroupWidth = nStatusColumnWidth;
        nButtonRowHeight = 5 * r + 10;
    } else {
        r = std::max(nLineHeight - 5, rh);
        nBottomTop = nButtonColumnTop - r - 6;
        g1 = g2 = g3 = nCurveWndX + nCurveWndWidth + 10;
        nGroupWidth = (nStatusPanelX - 30) - g1;
    }
    Group gps = {g2, nGpsGroupWidth >= 0 ? nGpsGroupWidth : nGroupWidth, {}};
    RowsUp(gps.anRowY, nBottomTop, r);
    Group station = {g1, nGroupWidth, {}};
    for (int i = 0; i < 5; i++) station.anRowY[i] = gps.anRowY[i] - nButtonRowHeight;
    const int bPortraitLarge = bPortrait && bLarge;
    PlaceStationGroup(m, station, bLarge, bPortraitLarge ? 10 : 0, &p);
    PlaceGpsGroup(m, gps, bPortrait ? 10 : 0, bLarge ? 1 : 4, &p);
    if (bLarge) nSpeedBarYGpsOn = nMapWndY + nMapViewPixels + nLineHeight + 2;
    PlaceSpeed(m, nMapWndX, nMapViewPixels, bLarge ? nSpeedBarYGpsOn : nSpeedBarY, &p);
    const int anColumn[4] = {g1, g2, g3, g3};
    CopyGrid(&p, gps.anRowY, anColumn, g1, g2, g3);

    const int wl = ModeLabelWidth(m);
    if (bPortrait)
        PlaceSetModeRows(m, &p, nStatusPanelX, nBarColumnY, -1, 0, 0);
    else if (bLarge)
        PlaceSetModeRows(m, &p, nBarColumnX, nBarColumnY + nBarColumnHeightGpsOn + 15, -1, nCurveWndX + 60,
                         nCurveWndX + nCurveWndWidth / 2 + 10);
    else
        PlaceSetModeRows(m, &p, nBarColumnX, nBarColumnY + nBarColumnHeightGpsOn + 15, nBarColumnX, nCurveWndX + 10,
                         nCurveWndX + 10 + wl + 60);
    PlaceGradientLabel(m, &p.rcGradient);
}

// The inversion panel's boxes flowed into a place: the two top values on the first row, the inversion row under
// them, each box as wide as the widest of its sample and its text, 20 apart, wrapped where the place ends; a
// place too low for that takes them closer (8 apart, rows packed, inset 2). Returns the height used.
int FlowInversionPanel(Measure &m, const RECT &rcPlace, int nFirstTry = 0)
{
    const wchar_t *aszSample[7] = {L"T1:999999.99 ", L"T1:999999.99 ", L"INV:   Th 99.99", L"C1 99999.9",
                                   L"C1 99999.9",    L"C1 99999.9",    L"Itr 999"};
    const int h = nLineHeight + 2;
    for (int nTry = nFirstTry; nTry < 2; nTry++) {
        const int nGap = nTry == 0 ? 20 : 8, nInset = nTry == 0 ? 10 : 2;
        int x = rcPlace.left + nInset, y = rcPlace.top + (nTry == 0 ? 6 : 2);
        for (int i = 0; i < 7; i++) {
            wchar_t w[24];
            const int wBox = std::max(m.W(hFontNormal, aszSample[i]),
                                      InversionPanelText(i, w, 24) > 0 ? m.W(hFontNormal, w) : 0);
            const bool bBreak = (nTry == 0 && i == 2) || x + wBox > rcPlace.right - nInset;
            if (bBreak && x > rcPlace.left + nInset) x = rcPlace.left + nInset, y += h;
            InversionPanelRects[i] = Box(x, y, wBox, h);
            x += wBox + nGap;
        }
        if (InversionPanelRects[6].bottom <= rcPlace.bottom) break;
    }
    return InversionPanelRects[6].bottom + 2 - rcPlace.top;
}

}  // namespace

int MeasureInversionPanelHeight(HWND hwnd, int nWidth)
{
    Measure m(hwnd);
    const RECT rcPlace = {0, 0, nWidth, 1 << 20};
    const int n = FlowInversionPanel(m, rcPlace, 1);
    for (RECT &rc : InversionPanelRects) rc = RECT{0, 0, 0, 0};
    return n;
}

int nStatusColumnWidth = 140;

int MeasureStatusColumnWidth(HWND hwnd)
{
    Measure m(hwnd);
    return std::max({nSideColumnWidth, GroupWidthNeeded(m, false), GroupWidthNeeded(m, true)});
}

int MeasureStatusGroupWidth(HWND hwnd, int bGps)
{
    Measure m(hwnd);
    return GroupWidthNeeded(m, bGps != 0);
}

int MeasureTiltLineWidth(HWND hwnd)
{
    const int bShown = nGpsFormat == 7 && bPseudoGga == 1 && bGpsEnabled > 0 &&
                       (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM38MK2 ||
                        nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_GRAD601);
    if (!bShown) return 0;
    Measure m(hwnd);
    return m.W(hFontNormal, L"SLAM:") + 4 + m.W(hFontNormal, L"R:-888.888 P:-888.888 Y:-888.888") + 2 * 5 + 6 + 4;
}

int MeasureTitleRowWidth(HWND hwnd)
{
    Measure m(hwnd);
    // The widest live title of the instrument's channels (views 1..8; a type without titles gives "").
    int wTitle = 0;
    for (int nView = 1; nView <= 8; nView++)
        for (int nComp : {0, 1})
            for (int nDipole : {0, 1})
                wTitle = std::max(wTitle, m.W(hFontLight, MapChannelTitleText(nInstrumentType, nView, 0, nComp,
                                                                              nDipole)));
    // The state line, the title with a gap each side and the map size, as LayoutStatusPanelRects places them.
    return m.W(hFontNormal, L"Monitoring (Manual)") + 2 + 8 + wTitle + 8 + m.W(hFontNormal, L"Map Size: 99999 meters");
}

int MeasureTiltRowUnderMap(HWND hwnd)
{
    Measure m(hwnd);
    return 4 + RowHeight(m);
}

int MeasureModeRowsHeight(HWND hwnd)
{
    if (!HasModeRows()) return 0;
    Measure m(hwnd);
    return BottomScaleRow(m) + 3 * RowHeight(m) + 1;
}

int MeasureUnderProfile(HWND hwnd, int bStacked)
{
    Measure m(hwnd);
    const int rh = RowHeight(m);
    return UnderProfileReserve(m) + (bStacked ? 10 * rh + 18 + 2 : 5 * rh + 8 + 2);
}

namespace {

// Copies a set into the live boxes that the painting and the handlers use.
void UseSet(const PanelSet &p)
{
    rcStatusMode = p.rcMode;
    rcStatusVoltage = p.rcVoltage;
    rcStatusCurrent = p.rcCurrent;
    rcLamp1 = p.rcLamp1;
    rcLamp2 = p.rcLamp2;
    rcBatteryLabel = p.rcBatteryLabel;
    rcCurrentLabel = p.rcCurrentLabel;
    rcGradientLabel = p.rcGradient;
    rcFileNameText = p.rcFile;
    rcLineNameLabel = p.rcLineLabel;
    rcLineNameValue = p.rcLineValue;
    rcStationLabel = p.rcStationLabel;
    rcStatusStation = p.rcStationValue;
    rcTotalStationsLabel = p.rcTotalLabel;
    rcStatusCount = p.rcTotalValue;
    rcTotalTimeLabel = p.rcTimeLabel;
    rcStatusTime = p.rcTimeValue;
    rcPositionsLabel = p.rcPosLabel;
    arcGpsBox[GPS_BOX_POSITIONS] = p.rcPosValue;
    arcGpsBox[GPS_BOX_QUALITY] = p.rcRts;
    arcGpsBox[GPS_BOX_LAMP1] = p.rcGpsLamp1;
    arcGpsBox[GPS_BOX_LAMP2] = p.rcGpsLamp2;
    rcDopLabel = p.rcDopLabel;
    arcGpsBox[GPS_BOX_DOP] = p.rcDopValue;
    rcSatLabel = p.rcSatLabel;
    arcGpsBox[GPS_BOX_SATELLITES] = p.rcSatValue;
    rcLatLabel = p.rcLatLabel;
    arcGpsBox[GPS_BOX_LATITUDE] = p.rcLatValue;
    rcLonLabel = p.rcLonLabel;
    arcGpsBox[GPS_BOX_LONGITUDE] = p.rcLonValue;
    rcZoneLabel = p.rcZoneLabel;
    arcGpsBox[GPS_BOX_ZONE] = p.rcZoneValue;
    rcSpeedLabel = p.rcSpeedLabel;
    rcSpeedValue = p.rcSpeedValue;
    arcGpsBox[GPS_BOX_SPEED] = p.rcSpeedValue;
    rcProcedureMessage = p.rcProcedure;
    for (int i = 0; i < 5; i++) anGpsRowY[i] = p.anRowY[i];
    for (int i = 0; i < 4; i++) anGpsColumnX[i] = p.anColumnX[i];
    for (int i = 0; i < 3; i++) anGpsGroupLeft[i] = p.anGroupLeft[i];
    bProfileScaleCopy = p.bScaleCopy;
}

void FiveCorners(const RECT &rc, POINT apt[5])
{
    apt[0] = POINT{rc.left, rc.top};
    apt[1] = POINT{rc.right, rc.top};
    apt[2] = POINT{rc.right, rc.bottom};
    apt[3] = POINT{rc.left, rc.bottom};
    apt[4] = apt[0];
}

void LayoutTargetLamps(Measure &m, int nLeftLimit, int nRightLimit)
{
    POINT *aptOutline[3] = {aptLampOutline1, aptLampOutline2, aptLampOutline3};
    RECT *aprcFill[3] = {&rcTargetLampLeft, &rcTargetLampMiddle, &rcTargetLampRight};
    for (int i = 0; i < 3; i++) {
        arcTargetLampBox[i] = *aprcFill[i] = RECT{0, 0, 0, 0};
        for (int k = 0; k < 5; k++) aptOutline[i][k] = POINT{0, 0};
    }
    rcModeLetterBox1 = rcModeLetterBox2 = rcModeIndicatorArea = RECT{0, 0, 0, 0};
    if (!IsLx2()) return;
    // Centred on the map; on a small map the right letter would reach into the map size's box (nRightLimit), which
    // is filled whenever the map size is written: the lamps then end before it, where the row has room for that
    // after nLeftLimit.
    const SIZE e = m.Of(hFontNormal, L"E");
    const int nHalf = nSensorsMinus1 == 1 ? 52 : 32, nExtent = nHalf + 3 + e.cx + 1;
    int c = nMapWndX + nMapViewPixels / 2;
    if (c + nExtent >= nRightLimit && nRightLimit - 1 - nExtent - nHalf - 1 - (e.cx + 2) > nLeftLimit)
        c = nRightLimit - 1 - nExtent;
    int nLast = 0;
    if (nSensorsMinus1 == 1) {
        arcTargetLampBox[0] = RECT{c - 52, 1, c - 12, 18};
        arcTargetLampBox[2] = RECT{c + 12, 1, c + 52, 18};
        arcTargetLampBox[1] = RECT{arcTargetLampBox[0].right + 3, 1, arcTargetLampBox[2].left - 3, 18};
        nLast = 2;
    } else {
        arcTargetLampBox[0] = RECT{c - 32, 1, c + 32, 18};
    }
    for (int i = 0; i <= nLast; i++) {
        const RECT &b = arcTargetLampBox[i];
        FiveCorners(b, aptOutline[i]);
        *aprcFill[i] = RECT{b.left + 1, b.top + 1, b.right, b.bottom};
    }
    const int nBottom = 1 + std::max(17, (int)e.cy);
    rcModeLetterBox1 = RECT{arcTargetLampBox[0].left - 1 - (e.cx + 2), 1, arcTargetLampBox[0].left - 1, nBottom};
    rcModeLetterBox2 = RECT{arcTargetLampBox[nLast].right + 3, 1, arcTargetLampBox[nLast].right + 3 + e.cx + 1, nBottom};
    rcModeIndicatorArea = RECT{rcModeLetterBox1.left, 0, rcModeLetterBox2.right, nBottom + 1};
}

// The marker box's own place: on the title row, 20 after the state line (but for the EM61-LX2, 175 after it with
// bJixProduct on a screen at least 1000 wide).
RECT DefaultMarkerBox(Measure &m)
{
    const int nTitleRight = rcStatusLineText.right;
    const SIZE sMarker = m.Of(hFontBold, L"MARKER");
    int nMarkerLeft = nTitleRight + 20;
    if (!IsLx2() && nClientWidth >= 1000 && bJixProduct == 1) nMarkerLeft = nTitleRight + 175;
    return RECT{nMarkerLeft, 0, nMarkerLeft + sMarker.cx + 2, std::max(nLayoutMarginY, (int)sMarker.cy)};
}

bool Meet(const RECT &a, const RECT &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// The marker box is filled by every reading between paints, so it may lie on nothing else. It keeps its place on
// the title row after the state line where that is free; where the EM61-LX2's alarm lamps and letters (centred on
// a small map), the pseudo GGA's tilt line, the EM34-3's manual-mode hint or a box of the title row take it, it
// moves to the first free place on that row, short of the frame line; where the row has none, to a spare row that
// nothing else fills between paints (SpareRow below).
void PlaceMarkerBox(Measure &m)
{
    const RECT rcDefault = DefaultMarkerBox(m);
    rcStatusMarker = rcDefault;
    // The EM38-4, the CS-21 and the Grad601 leave the box empty.
    const int type = nInstrumentType;
    if (type == INSTRUMENT_EM384 || type == INSTRUMENT_CS21 || type == INSTRUMENT_GRAD601) return;
    const int w = rcDefault.right - rcDefault.left, nGap = 8;
    std::vector<RECT> taken = {rcStatusLineText, rcModeIndicatorArea, rcStatusMode, rcStatusVoltage, rcStatusCurrent,
                               rcBatteryLabel, rcCurrentLabel, rcLamp1, rcLamp2, rcTiltMeterLabel, rcTiltRollValue,
                               rcTiltPitchValue};
    if (bGpsActive == 1) taken.push_back(rcMapSizeText);
    // The pseudo GGA's extras are written for every instrument but the EM61-LX2; the tilt line's labels are
    // painted where it is shown.
    if (bGpsEnabled > 0 && nGpsFormat == 7 && bPseudoGga == 1 && !IsLx2())
        for (int i = GPS_BOX_EXTRA1; i <= GPS_BOX_EXTRA3; i++) taken.push_back(arcGpsBox[i]);
    if (MeasureTiltLineWidth(m.hwnd) > 0)
        taken.push_back(RECT{rcSlamLabel.left, rcSlamLabel.top, arcGpsBox[GPS_BOX_EXTRA3].right, rcSlamLabel.bottom});
    if (bInstrumentEnabled > 0) {
        // The bar column's top scale label, and its copy centred over the profile window with the map.
        const int yLabel = nBarColumnY - m.H(hFontNormal) - 1;
        const int xColumn = bPortrait ? nBarColumnX : nStatusPanelX;
        taken.push_back(RECT{xColumn - 10, yLabel, xColumn + (bPortrait ? nBarColumnWidth : 110), nBarColumnY});
        if (bGpsActive == 1 && bProfileScaleCopy) {
            const int ws = m.W(hFontNormal, L"-8888.8 mV"), c = nCurveWndX + nCurveWndWidth / 2;
            taken.push_back(RECT{c - ws / 2 - 2, yLabel, c + ws / 2 + 2, nBarColumnY});
        }
    }
    auto Free = [&](const RECT &rc) {
        for (const RECT &t : taken)
            if (t.right > t.left && t.bottom > t.top && Meet(rc, t)) return false;
        return true;
    };
    // The first free place of a box of width wBox on a row, ending by nRight: at x, else the leftmost from xFrom on
    // that starts just right of a box in the way.
    auto FirstFree = [&](int wBox, int x, int xFrom, int top, int bottom, int nRight, RECT *prc) {
        std::vector<int> lefts = {xFrom};
        for (const RECT &t : taken)
            if (t.right + nGap > xFrom) lefts.push_back(t.right + nGap);
        std::sort(lefts.begin(), lefts.end());
        lefts.insert(lefts.begin(), x);
        for (int left : lefts) {
            const RECT rcTry = {left, top, left + wBox, bottom};
            if (rcTry.right <= nRight && Free(rcTry)) {
                *prc = rcTry;
                return true;
            }
        }
        return false;
    };
    // Rows nothing else fills between paints, for a box the title row has no room for: with a landscape map the row
    // under the speed bar (a map so narrowed leaves it free); on a portrait screen without the map the row under the
    // speed bar, left of the bar column and above the status groups; on a landscape screen without the map the
    // corner under the numbers window, right of the speed bar and above the buttons.
    auto SpareRow = [&](int wBox, RECT *prc) {
        const int h = m.H(hFontBold), top = nSpeedBarY + nSpeedBarHeight + 4;
        if (bGpsActive == 1 && !bPortrait)
            return top + h <= nClientHeight - 2 &&
                   FirstFree(wBox, nSpeedBarX, nSpeedBarX, top, top + h, nSpeedBarX + nSpeedBarWidth, prc);
        if (bGpsActive == 1) return false;
        if (bPortrait) {
            RECT a, b;
            StatusGroupFrames(&a, &b);
            return top + h <= std::min(a.top, b.top) - 2 &&
                   FirstFree(wBox, nSpeedBarX, nSpeedBarX, top, top + h,
                             std::min(nSpeedBarX + nSpeedBarWidth, nBarColumnX - 10), prc);
        }
        const int nUnderNumbers = gNumbersTop + gNumbersHeight + 2;
        return nUnderNumbers + h <= nButtonColumnTop - 2 &&
               FirstFree(wBox, nStatusPanelX, std::max(nStatusPanelX, nSpeedBarX + nSpeedBarWidth + nGap),
                         nUnderNumbers, nUnderNumbers + h, nClientWidth - 16, prc);
    };
    RECT rc;
    // The EM34-3's manual mode writes "Push switch RECORD" on the title row while logging, centred between the
    // state line and the map size. Where the marker box stands in it, it is centred between the marker box and the
    // map size instead, or takes the first free place right of the marker box, when the row has room for it; where
    // the row has none, it stays, and the marker box moves. Where another box filled between paints stands in it
    // too (the map size, the pseudo GGA's extras), it takes the first free place on the row from the state line on,
    // the marker box moving, or, where the row has none, a spare row.
    if (nInstrumentType == INSTRUMENT_EM34 && nSurveyMode == 2) {
        const int wHint = rcHintLine.right - rcHintLine.left;
        const int nCentred =
            std::max((int)rcDefault.right + nGap, (int)(rcDefault.right + rcMapSizeText.left - wHint) / 2);
        const bool bFreeOfOthers = Free(rcHintLine);
        taken.push_back(rcDefault);  // the marker box's own place, while the hint looks for room
        if (!Free(rcHintLine)) {
            if (FirstFree(wHint, nCentred, rcDefault.right + nGap, rcHintLine.top, rcHintLine.bottom,
                          nClientWidth - 16, &rc)) {
                rcHintLine = rc;
            } else if (!bFreeOfOthers) {
                taken.pop_back();
                if (FirstFree(wHint, rcHintLine.left, rcStatusLineText.right, rcHintLine.top, rcHintLine.bottom,
                              nClientWidth - 16, &rc) ||
                    SpareRow(wHint, &rc))
                    rcHintLine = rc;
                taken.push_back(rcDefault);
            }
        }
        taken.back() = rcHintLine;
    }
    if (FirstFree(w, rcDefault.left, rcStatusLineText.right + nGap, rcDefault.top, rcDefault.bottom, nClientWidth - 16,
                  &rc) ||
        SpareRow(w, &rc))
        rcStatusMarker = rc;
}

}  // namespace

void LayoutStatusPanelRects(HWND hwnd)
{
    Measure m(hwnd);
    const int mx = nLayoutMarginX, my = nLayoutMarginY;
    const int rh = RowHeight(m);

    // Title line.
    const int wState = m.W(hFontNormal, L"Monitoring (Manual)");
    rcStatusLineText = RECT{mx + 1, 2, mx + wState + 2, std::max(my, 2 + rh)};
    const int nTitleRight = rcStatusLineText.right;
    const int wActive = m.W(hFontNormal, L"Active: Cond Horizontal");
    rcActiveComponent = RECT{nTitleRight + 15, 3, nTitleRight + 15 + wActive + 5, std::max(my, 3 + rh)};
    const SIZE sMapSize = m.Of(hFontNormal, L"Map Size: 99999 meters");
    const int nMapRight = mx + nMapViewPixels;
    rcMapSizeText = RECT{nMapRight - sMapSize.cx, 2, nMapRight, std::max(my, 2 + (int)sMapSize.cy)};
    LayoutTargetLamps(m, nTitleRight + 2, bGpsActive == 1 ? (int)rcMapSizeText.left : nClientWidth);
    rcStatusMarker = DefaultMarkerBox(m);
    const SIZE sHint = m.Of(hFontBold, L"Push switch RECORD");
    const int nHintLeft = (nTitleRight + rcMapSizeText.left - sHint.cx) / 2;
    rcHintLine = RECT{nHintLeft, 2, nHintLeft + sHint.cx + 2, std::max(my, 2 + (int)sHint.cy)};

    // EM38-4: calibration state, dipole mode, the two top values and the inversion row.
    rcCalibText = rcDipoleModeText = rcTopValue1 = rcTopValue2 = RECT{0, 0, 0, 0};
    for (RECT &rc : InversionPanelRects) rc = RECT{0, 0, 0, 0};
    if (nInstrumentType == INSTRUMENT_EM384) {
        // On a portrait screen with the map the title row has no room for them: they take the row above the
        // profile window, which the EM38-4 leaves free.
        const SIZE sCalib = m.Of(hFontBold, L"Calib/Offset: ON");
        int nCalibRight = mx + nGraphBandWidth - 5, yRow = 2;
        if (bPortrait && bGpsActive == 1) {
            nCalibRight = nCurveWndX + nCurveWndWidth - 5;
            yRow = std::max(2, nCurveWndTop - (int)sCalib.cy - 1);
        }
        rcCalibText = RECT{nCalibRight - sCalib.cx, yRow, nCalibRight, std::max(yRow == 2 ? my : 0, yRow + (int)sCalib.cy)};
        const SIZE sTop = m.Of(hFontNormal, L"T1:999999.99 ");
        rcTopValue1 = Box(nMapWndX + nMapViewPixels + 10, 2, sTop.cx, std::max(my - 2, (int)sTop.cy));
        rcTopValue2 = Box(rcTopValue1.right + 10, 2, sTop.cx, std::max(my - 2, (int)sTop.cy));
        // Display mode 1: the inversion panel in the place of the second profile window, which the arrangement
        // leaves to it: the two top values on the first row, the inversion row under them, each box as wide as
        // the widest of its sample and its text, 20 apart, wrapped where the place ends.
        if (nEm384DisplayMode == 1) {
            const int nProfileTop = bPortrait ? nCurveWndTop : 20;
            const int nTop3 = nProfileTop + nCurveAreaHeight3 + 4;
            const RECT rcPlace = {nCurveWndX, nTop3, nCurveWndX + nCurveWndWidth,
                                  nProfileTop + (bPortrait ? nCurveAreaHeight : nCurveAreaHeight2)};
            FlowInversionPanel(m, rcPlace);
        }
        // Centred between the profile's left and the calibration state; where the row has no room for it between
        // its neighbours (the map size over the map, the calibration state) it is left out: the EM38-4 always
        // reads the horizontal dipole.
        const SIZE sDipole = m.Of(hFontNormal, L"Dipole Mode: Horizontal");
        int nLow = nCurveWndX;
        if (yRow == 2) nLow = std::max(nLow, nTitleRight + 8);
        if (yRow == 2 && bGpsActive == 1) nLow = std::max(nLow, mx + nMapViewPixels + 8);
        const int nLeft = std::max(nLow, (int)(nCurveWndX + rcCalibText.left - sDipole.cx) / 2);
        if (nLeft + sDipole.cx <= rcCalibText.left - 8)
            rcDipoleModeText = RECT{nLeft, yRow, nLeft + sDipole.cx, rcCalibText.bottom};
    }

    // The title is painted in the light font, taller than the title row: its cell ends on the row's bottom, so
    // that no descender reaches the map under it.
    const SIZE sChannel = m.Of(hFontBold, L"Channel 4/T");
    const int nMid = (nTitleRight + rcMapSizeText.left) / 2;
    const int nTitleTop = std::min(0, my - (int)m.Of(hFontLight, L"Channel 4/T").cy);
    rcMapChannelTitle = RECT{nMid - sChannel.cx / 2, nTitleTop, nMid - sChannel.cx / 2 + sChannel.cx + 2, my};

    // The map's busy dots (map-window coordinates).
    for (int i = 0; i < 5; i++) arcBusyDot[i] = Box(nTileMaxX / 2 - 30 + i * (12 + 5), nTileMaxY / 2 + 40, 12, 13);
    rcBusyIndicator = RECT{arcBusyDot[0].left, arcBusyDot[0].top, arcBusyDot[4].right, arcBusyDot[4].bottom};

    const SIZE sNav = m.Of(hFontNormal, L"Navigation");
    rcNavigationLabel = Box(nCurveWndX + (nCurveWndWidth / 3 - sNav.cx) / 2, nButtonColumnTop - nLineHeight + 4,
                            sNav.cx, sNav.cy);

    // Mode, voltage and current rows with the lamps.
    const int wm = m.W(hFontNormal, L"    Mode: ");
    PlaceModeRows(m, nBarColumnX + wm, nBarColumnY + nCurveAreaHeightB + 15, &rcStatusMode, &rcStatusVoltage,
                  &rcStatusCurrent, &rcLamp1, &rcLamp2);
    if (IsLx2()) {
        const int wv = m.W(hFontNormal, L"12.9 V") + 3;
        rcStatusVoltage = Box(nCurveWndX + 40, 2, wv, rh);
        rcStatusCurrent = Box(rcStatusVoltage.right + 40, rcStatusVoltage.bottom, wv, rh);
        rcLamp1 = Box(rcStatusVoltage.right + 10, rcStatusVoltage.top, 13, 13);
        rcLamp2 = Box(rcStatusVoltage.right + 10, rcStatusVoltage.top + (nLineHeight - 4), 13, 13);
    }

    // The right-hand column: four text rows for every instrument.
    gNumbersTop = nStatusPanelTop, gNumbersHeight = nStatusPanelHeight;
    nStatusPanelX = nClientWidth - 110 - 20;
    nStatusPanelHeight = nLineHeight * 4 + 10;
    nStatusPanelTop = nGraphBandHeight - nStatusPanelHeight;
    PlaceGradientLabel(m, &rcGradientLabel);
    if (nInstrumentType != INSTRUMENT_GRAD601) rcGradientLabel = RECT{0, 0, 0, 0};
    int nValuesLeft = nTextMarginX + ((nClientWidth > 1000 || nClientHeight > 900) ? 22 : 20);
    if (nInstrumentType == INSTRUMENT_CS21) nValuesLeft += 10;
    // The panel's texts end inside the numbers window's border (its client area is narrower than the column).
    int nPanelRight = 110;
    RECT rcNumbersClient;
    if (hwndNumbers && GetClientRect(hwndNumbers, &rcNumbersClient) && rcNumbersClient.right > nValuesLeft)
        nPanelRight = std::min(110, (int)rcNumbersClient.right);
    rcSidePanelValues = RECT{nValuesLeft, 7, nPanelRight, nStatusPanelTop + nStatusPanelHeight};
    RECT *aprcRow[6] = {&rcLx2Row1, &rcLx2Row2, &rcLx2Row3, &rcLx2Row4, &rcLx2Row5, &rcLx2Row6};
    for (int k = 0; k < 6; k++) {
        const int bShown = IsLx2() && (k < 3 || nSensorsMinus1 == 1);
        const int top = rcSidePanelValues.top + k * nLineHeight;
        *aprcRow[k] = bShown ? RECT{rcSidePanelValues.left + 10, top, rcSidePanelValues.right, top + nLineHeight}
                             : RECT{0, 0, 0, 0};
    }
    rcSidePanel = RECT{0, 0, nPanelRight, nStatusPanelTop + nStatusPanelHeight};
    rcDualEmCh1Values = rcDualEmCh2Values = RECT{0, 0, 0, 0};
    if (nInstrumentType == INSTRUMENT_CS21) {
        const int nSplit = rcSidePanelValues.top + 4 * nLineHeight - 12;
        rcDualEmCh1Values = RECT{rcSidePanelValues.left, rcSidePanelValues.top, rcSidePanelValues.right, nSplit};
        rcDualEmCh2Values = RECT{rcSidePanelValues.left, nSplit, rcSidePanelValues.right, rcSidePanelValues.bottom};
    }
}

void LayoutGpsPanelRows(HWND hwnd)
{
    Measure m(hwnd);
    PanelSet &p = gMapOff;
    int anRowY[5], anColumn[4], r = 0;
    ComputeRowsGrid(m, anRowY, anColumn, &r);
    nButtonRowHeight = 5 * r + 10;
    // Landscape: the frames stand 5 either side of the second column and 5 left of the third; portrait: the GPS
    // frame spans the second column to the third.
    Group station = {anColumn[0], anColumn[1] - 5 - anColumn[0], {}};
    Group gps = {anColumn[1] + 5, anColumn[2] - anColumn[1] - 10, {}};
    if (bPortrait) gps = Group{anColumn[1], anColumn[2] - anColumn[1], {}};
    for (int i = 0; i < 5; i++) station.anRowY[i] = gps.anRowY[i] = anRowY[i];
    PlaceStationGroup(m, station, 0, 0, &p);
    PlaceGpsGroup(m, gps, 0, 4, &p);
    const int nBarX = bPortrait ? nMapWndX : nLayoutMarginX;
    const int nBarW = bPortrait ? nMapViewPixels : nGraphBandWidth;
    PlaceSpeed(m, nBarX, nBarW, nSpeedBarYGpsOff, &p);
    CopyGrid(&p, anRowY, anColumn, anColumn[0], anColumn[1], anColumn[2]);
    const int xBattery = nLayoutMarginX + (2 * nGraphBandWidth) / 3;
    // In portrait the mode rows stand in the right-hand column above the numbers window.
    if (bPortrait)
        PlaceSetModeRows(m, &p, nStatusPanelX, nBarColumnY, -1, 0, 0);
    else
        PlaceSetModeRows(m, &p, nBarColumnX, nBarColumnY + nBarColumnHeightGpsOff + 15, -1, xBattery,
                         xBattery + ModeLabelWidth(m) + 70);
    PlaceGradientLabel(m, &p.rcGradient);
}

void LayoutGpsPanelRectsLarge(HWND hwnd) { LayoutMapOnSet(hwnd, 1); }

void LayoutGpsPanelRectsSmall(HWND hwnd) { LayoutMapOnSet(hwnd, 0); }

void LayoutTiltPanelRects(HWND hwnd)
{
    UseSet(bGpsActive == 1 ? gMapOn : gMapOff);
    if (nInstrumentType != INSTRUMENT_GRAD601) rcGradientLabel = RECT{0, 0, 0, 0};

    Measure m(hwnd);
    const int rh = RowHeight(m);
    // Tilt line above the profiles.
    // The free width counts "SLAM:" before "R:" and the value boxes' pads too: with the map the whole line stays
    // over the profile window, off the map size of the title row and the bar column's scale labels.
    const int wSample = m.W(hFontNormal, L"R:-888.888 P:-888.888 Y:-888.888");
    const int wSlam = m.W(hFontNormal, L"SLAM:");
    const int nFree = nCurveWndWidth - wSample - (bGpsActive == 1 ? wSlam + 4 + 6 : 0);
    int s = nFree > 60 ? 30 : (nFree - 10) / 2;
    if (s <= 2) s = 5;
    int x = 0;
    if (bGpsActive == 1)
        x = nCurveWndX + wSlam + 4 + std::max(0, (nFree - 2 * s) / 2);
    else
        x = nLayoutMarginX + nGraphBandWidth - wSample - 2 * s - 10;
    int top = std::max(2, nCurveWndTop - nLineHeight + (bPortrait ? 2 : 0));
    // A landscape arrangement that kept the profile window narrower than the line (the title row over the map
    // needs the width) puts it in the row under the speed bar, from the map's left edge.
    if (bGpsActive == 1 && !bPortrait && nCurveWndWidth < MeasureTiltLineWidth(hwnd)) {
        x = nSpeedBarX + wSlam + 4;
        top = nSpeedBarY + nSpeedBarHeight + 4;
    }
    rcSlamLabel = Box(std::max(0, x - wSlam - 4), top, wSlam, rh);
    const int wValue = m.W(hFontNormal, L"-888.888") + 2;
    RECT *aprcLabel[3] = {&rcTiltRLabel, &rcTiltPLabel, &rcTiltYLabel};
    const wchar_t *aszLabel[3] = {L"R:", L"P:", L"Y:"};
    for (int i = 0; i < 3; i++) {
        *aprcLabel[i] = Box(x, top, m.W(hFontNormal, aszLabel[i]), rh);
        arcGpsBox[GPS_BOX_EXTRA1 + i] = Box(aprcLabel[i]->right, top, wValue, rh);
        x = arcGpsBox[GPS_BOX_EXTRA1 + i].right + s;
    }

    // EM61-MK2: the tilt-meter row under the profiles.
    rcTiltMeterLabel = rcTiltRollLabel = rcTiltPitchLabel = rcTiltRollValue = rcTiltPitchValue = RECT{0, 0, 0, 0};
    if (nInstrumentType == INSTRUMENT_EM61MK2) {
        // Under the profile window beside the map; without the map (or in portrait) under the profile's left
        // end, clear of the buttons.
        // With the map it stands under the scale label under the profile window, above the status groups; without
        // it under the profile's left end (landscape: in the row the arrangement keeps above the speed row;
        // portrait: between the status groups and the buttons).
        const int h = nLineHeight + 2;
        int y = 0, xr = nCurveWndX;
        if (bGpsActive == 1 && !bPortrait) {
            xr = nMapWndX + nMapViewPixels + 10;
            y = nCurveWndTop + nCurveAreaHeight2 + ScaleLabelRow(m);
        } else if (bGpsActive == 1) {
            y = nCurveWndTop + nCurveAreaHeight + ScaleLabelRow(m);
        } else if (bPortrait) {
            y = nBarColumnY + nCurveAreaHeightB + 2;
        } else {
            y = nCurveWndTop + nCurveAreaHeight2 + 2;
        }
        const wchar_t *szTitle = bTiltMeterOn == 1 ? L"Tilt Meter:" : L"Tilt Meter: Disabled";
        wchar_t szValue[32];
        if (swprintf(szValue, 32, L"%+0.2f", -8888.88) < 0) wcscpy(szValue, L"-8888.88");
        rcTiltMeterLabel = Box(xr, y, m.W(hFontNormal, szTitle), h);
        if (bTiltMeterOn == 1) {
            rcTiltRollLabel = Box(rcTiltMeterLabel.right + 10, y, m.W(hFontNormal, L"Roll:"), h);
            rcTiltRollValue = Box(rcTiltRollLabel.right + 10, y, m.W(hFontNormal, szValue) + 2, h);
            rcTiltPitchLabel = Box(rcTiltRollValue.right + 10, y, m.W(hFontNormal, L"Pitch:"), h);
            rcTiltPitchValue = Box(rcTiltPitchLabel.right + 10, y, m.W(hFontNormal, szValue) + 2, h);
        }
    }

    // The marker box last, clear of every box laid out before it.
    PlaceMarkerBox(m);
}

void LayoutStatusPanel(HWND hwnd)
{
    LayoutStatusPanelRects(hwnd);
    LayoutGpsPanelRows(hwnd);
    if (nCurveWndWidth > 300)
        LayoutGpsPanelRectsLarge(hwnd);
    else
        LayoutGpsPanelRectsSmall(hwnd);
    LayoutTiltPanelRects(hwnd);
}

void ArrangeAndLayOutLogScreen()
{
    if (bPortrait == 1)
        ArrangeLogScreenTall();
    else
        ArrangeLogScreen();
    ComputeMapDirection();
    if (hwndLog) LayoutStatusPanel(hwndLog);
}
