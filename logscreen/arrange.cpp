// Logging-screen arrangement: places the map, profiles, bars, numbers, buttons and channel boxes for the screen.
#include <algorithm>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"

int nGraphBandHeight = 0, nButtonRowHeight = 0, nLayoutMarginX = 20, nLayoutMarginY = 20, nSidePanelWidth = 110,
    nStatusPanelX = 0, nStatusPanelHeight = 0, nStatusPanelTop = 0, nPanelGap = 2, nBarColumnX = 0, nBarColumnY = 20,
    nCurveWndX = 20, nCurveWndTop = 20, nMapWndX = 20, nMapWndY = 20, nSpeedBarX = 20, nSpeedBarY = 0, nBarWidth = 0,
    nBarWndWidth = 0, nBarWndHeight = 0, nScaleStripX = 0, nScaleStripWidth = 0, nButtonColumnX = 0,
    nButtonColumnTop = 0, nButtonWidth = 0, nButtonHeight = 0, nButtonGap = 2, nBottomMargin = 16,
    nMapButtonHeight = 0, nSpeedBarYGpsOn = 0, nBarColumnHeightGpsOn = 0, nSpeedBarYGpsOff = 0,
    nBarColumnHeightGpsOff = 0, nLowerBandTop = 0;
RECT rcPauseHintArea = {0, 0, 0, 0};

void SetMapSide(int nSide)
{
    nMapViewPixels = nSide;
    nMapWndHeight = nSide;
    nMapWndX = 20;
    nMapWndY = 20;
    nTileWidth = nSide - 2;
    nTileMaxX = nSide - 3;
    nTileHeight = nSide - 2;
    nTileMaxY = nSide - 3;
}

namespace {

// The profile window keeps at least this width beside a square map on a narrow landscape screen.
constexpr int kMinCurveWidth = 100;

bool IsLx2OrGrad() { return nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_GRAD601; }
bool IsEm384OrCs21() { return nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21; }
bool HasTwoProfiles()
{
    return nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_GRAD601 || IsEm384OrCs21();
}

// The EM61-MK2's tilt-meter row under the profiles (without the map, and in portrait above the buttons).
int TiltRowRoom() { return nInstrumentType == INSTRUMENT_EM61MK2 && hwndLog ? nLineHeight + 4 : 0; }

void Move(HWND h, int x, int y, int w, int h2)
{
    if (h) MoveWindow(h, x, y, w, h2, TRUE);
}
void Show(HWND h, int bShow)
{
    if (h) ShowWindow(h, bShow ? SW_SHOW : SW_HIDE);
}

void SetSpeedScale()
{
    double dRange = dSpeedScaleMax - dSpeedScaleMin;
    dSpeedPixPerUnit = dRange != 0.0 ? nSpeedBarWidth / dRange : 0.0;
}

// Bars of the bar column and the profile windows of the instruments with two profile windows (step 10).
void ArrangeBarsAndProfiles(int nProfileTop, int nProfileHeight, int bPortraitLayout)
{
    const int W = nBarColumnWidth, Hb = nCurveAreaHeightB, X = nBarColumnX, Y = nBarColumnY;
    const int nHalf = (W - 2) / 2;
    double u = 0.0;
    int m = 4, nBars = 4, bFirst3u = 0, bSplit = 0, bRoundedStep = 0, bAllSame = 0, nProfiles = 0;
    HWND hwndWhole = hwndDecay;
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        m = 10, nBars = 1, bFirst3u = 1;
        bSplit = nSensorsMinus1 != 0;
        u = bSplit ? (nHalf - 2) / 16.0 : (W - 2) / 16.0;
        nProfiles = bSplit ? 2 : 1;
        break;
    case INSTRUMENT_EM61LX2:
        m = 4, nBars = 3;
        bSplit = nSensorsMinus1 != 0;
        u = bSplit ? (nHalf - 2) / 16.0 : (W - 2) / 16.0;
        nProfiles = bSplit ? 2 : 1;
        break;
    case INSTRUMENT_EM61MK2:
        u = (W - 2) / 21.0, m = 4, nBars = 4;
        break;
    case INSTRUMENT_EM34:
        u = (W - 2) / 21.0, m = 15, nBars = 7, bFirst3u = 1, bAllSame = 1;
        hwndWhole = hwndBarQ;
        break;
    case INSTRUMENT_EM38MK2:
        u = (nHalf - 2) / 21.0, m = 4, nBars = 4, bSplit = 1, bRoundedStep = 1;
        break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        // Four channels a window on either screen: the tall screen's bar windows are as wide as the landscape's.
        u = (nHalf - 2) / 21.0, m = 4, nBars = 4, bSplit = 1, bRoundedStep = 1, nProfiles = 2;
        break;
    default:  // EM31-MK2, EM38
        u = (nHalf - 2) / 21.0, m = 9, nBars = 2, bSplit = 1;
        break;
    }

    nChannelBarWidth = nBarWidth = (int)(m * u + 0.5);
    int nLeft = bFirst3u ? (int)(3 * u + 0.5) : (int)(u + 0.5);
    for (int i = 0; i < 8; i++) anBarLeft[i] = 0;
    for (int i = 0; i < nBars && i < 8; i++) {
        anBarLeft[i] = nLeft;
        if (bAllSame) continue;
        double d = bRoundedStep ? nBarWidth : m * u;
        nLeft = (int)(nLeft + d + u + 0.5);
    }

    if (bSplit) {
        Move(hwndBarQ, X, Y, nHalf, Hb);
        Move(hwndBarI, X + nHalf + 2, Y, nHalf, Hb);
        Show(hwndBarQ, 1);
        Show(hwndBarI, 1);
        nBarWndWidth = nHalf;
    } else {
        Move(hwndWhole, X, Y, W, Hb);
        Show(hwndWhole, 1);
        nBarWndWidth = W;
    }

    if (nProfiles == 2) {
        nCurveAreaHeight3 = nProfileHeight / 2 - 2;
        // The EM38-4's display mode 1 leaves the second window's place to the inversion panel, as tall as the
        // panel needs (the first window takes the rest).
        const int bInversion = nInstrumentType == INSTRUMENT_EM384 && nEm384DisplayMode == 1;
        if (bInversion && hwndLog)
            nCurveAreaHeight3 = std::max(0, std::min(nCurveAreaHeight3, nProfileHeight - 4 -
                                                                         MeasureInversionPanelHeight(hwndLog, nCurveWndWidth)));
        Move(hwndCurve2, nCurveWndX, nProfileTop, nCurveWndWidth, nCurveAreaHeight3);
        Move(hwndCurve3, nCurveWndX, nProfileTop + nCurveAreaHeight3 + 4, nCurveWndWidth, nCurveAreaHeight3);
        Show(hwndCurve2, 1);
        Show(hwndCurve3, !bInversion);
        if (bInversion && bPortraitLayout) Show(hwndCurve1, 0);
        if (IsEm384OrCs21() && !bPortraitLayout) nCurveAreaHeight = nCurveAreaHeight3;
    } else if (nProfiles == 1) {
        nCurveAreaHeight3 = nProfileHeight;
        Move(hwndCurve2, nCurveWndX, nProfileTop, nCurveWndWidth, nCurveAreaHeight3);
        Show(hwndCurve2, 1);
    }
}

void ArrangeNumbers()
{
    Show(hwndNumbers, 0);
    // The EM38-4 and CS-21 rows: eight, line height - 3 apart from the values' top (7), inside the window's border,
    // with room for a value in the narrow face (its cell is a pixel or two taller).
    const int nEightRows = 7 + 7 * (nLineHeight - 3) + nTextHeight + 4;
    if (nInstrumentType == INSTRUMENT_GRAD601)
        Move(hwndNumbers, nStatusPanelX, nStatusPanelTop, 110, nStatusPanelHeight / 2);
    else if (IsEm384OrCs21() && !bPortrait)
        Move(hwndNumbers, nStatusPanelX, nStatusPanelTop - 40, 110, std::max(nStatusPanelHeight + 50, nEightRows));
    else if (IsEm384OrCs21())
        Move(hwndNumbers, nStatusPanelX, nBarColumnY, 110, nStatusPanelHeight);
    else
        Move(hwndNumbers, nStatusPanelX, nStatusPanelTop, 110, nStatusPanelHeight);
    // A build without its instrument shows no readings: the "Instrument Disabled" rows take the window's place.
    Show(hwndNumbers, bInstrumentEnabled > 0);
    // Shown again, the window is painted afresh: a lost-link notice that was up goes, and the next silent tick
    // draws it again.
    bConnLostNoticeShown = 0;
}

// The four screen buttons of both rows into slots: button 0 slot 3, 1 slot 1, 2 slot 0, 3 slot 2.
const int anButtonSlot[4] = {3, 1, 0, 2};

void PlaceButtonGrid(int nX, int nSecondX, int nCellWidth)
{
    for (int b = 0; b < 4; b++) {
        int s = anButtonSlot[b];
        int x = s < 2 ? nX : nSecondX;
        int y = nButtonColumnTop + (s % 2) * (nButtonHeight + nButtonGap);
        Move(hwndLogButtons[b], x, y, nCellWidth, nButtonHeight);
        Move(hwndLogButtonsAlt[b], x, y, nCellWidth, nButtonHeight);
    }
}

void PlaceButtonRow()
{
    for (int b = 0; b < 4; b++) {
        int s = anButtonSlot[b];
        int x = nButtonColumnX + s * (nButtonWidth + nButtonGap);
        Move(hwndLogButtons[b], x, nButtonColumnTop, nButtonWidth, nButtonHeight);
        Move(hwndLogButtonsAlt[b], x, nButtonColumnTop, nButtonWidth, nButtonHeight);
    }
}

void EnableMapButtons()
{
    int bOn = bGpsEnabled && bGpsActive && nRecordingState;
    for (int i = 0; i < 9; i++)
        if (hwndMapViewButtons[i]) EnableWindow(hwndMapViewButtons[i], bOn && !(i >= 4 && i <= 6));
}

// Map view buttons with the map, from base x and button width B.
void PlaceMapButtonsWithMap(int nBaseX, int B)
{
    const int H = nClientHeight;
    int T = bJixProduct ? (H - nButtonColumnTop - nButtonGap - nBottomMargin) / 2
                        : (H - nButtonColumnTop - 2 * nButtonGap - nBottomMargin) / 3;
    nMapButtonHeight = T;
    int P = H - nBottomMargin - 2 - 2 * T;
    int Q = H - nBottomMargin - T;
    for (int i = 0; i < 9; i++) {
        HWND h = hwndMapViewButtons[i];
        if (i < 2) {
            Move(h, nBaseX + i * (B + 2), P, B, T);
            Show(h, 1);
        } else if (i < 4) {
            Move(h, nBaseX + (i - 2) * (B + 2), Q, B, T);
            Show(h, 1);
        } else if (i < 7) {
            Move(h, nButtonColumnX, nButtonColumnTop + (i - 4) * (T + 2), nButtonWidth, T);
            Show(h, 0);
            if (bJixProduct && h) EnableWindow(h, FALSE);
        } else {
            Move(h, nBaseX, nButtonColumnTop, 2 * B + 2, T);
            Show(h, i == 7 && !bJixProduct);
        }
    }
}

void PlaceMapButtonsWithoutMap()
{
    const int H = nClientHeight;
    int B = ((nGraphBandWidth / 4) - 11) / 4;
    int B2 = ((nGraphBandWidth / 4) - 9) / 3;
    int T = (H - nLowerBandTop - 2 * nButtonGap - nBottomMargin) / 3;
    nMapButtonHeight = T;
    int P = H - nBottomMargin - 2 - 2 * T;
    int Q = H - nBottomMargin - T;
    int x0 = 20 + nGraphBandWidth - nGraphBandWidth / 4;
    for (int i = 0; i < 9; i++) {
        HWND h = hwndMapViewButtons[i];
        if (i < 4)
            Move(h, x0 + i * (B + 2) + 5, P, B, T);
        else if (i < 7)
            Move(h, x0 + (i - 4) * (B2 + 2) + 5, Q, B2, T);
        else
            Move(h, x0 + B2 + 7, P - T - 2, 2 * B2 + 2, T);
        Show(h, 0);
    }
}

void PlaceChannelBoxes()
{
    if (nInstrumentType == INSTRUMENT_GRAD601) return;
    int o = 0;
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34: o = 2; break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: o = -4; break;
    default: o = 0; break;
    }
    int nCount = nInstrumentType == INSTRUMENT_EM61LX2 ? 3 : 4 - o;
    for (int i = 0; i < nCount && i < 8; i++) {
        if (o == -4)
            Move(hwndChannelBoxes[i], nStatusPanelX - 17, nStatusPanelTop + (int)(i * 0.84 * nLineHeight) - 30, 14,
                 10);
        else
            Move(hwndChannelBoxes[i], nStatusPanelX - 17, nStatusPanelTop + (i + o) * nLineHeight + 10, 14, 14);
    }
    if (nInstrumentType == INSTRUMENT_EM61LX2 && nSensorsMinus1 == 1)
        for (int i = 0; i < 3; i++)
            Move(hwndChannelBoxes2[i], nStatusPanelX - 17, nStatusPanelTop + (i + 3) * nLineHeight + 10, 14, 14);
}

void HideProfilesAndBars()
{
    if (HasTwoProfiles()) {
        Show(hwndCurve2, 0);
        Show(hwndCurve3, 0);
    }
    Show(hwndCurve1, 0);
    Show(hwndDecay, 0);
    Show(hwndBarQ, 0);
    Show(hwndBarI, 0);
}

}  // namespace

void ArrangeLogScreen()
{
    const int W = nClientWidth, H = nClientHeight, L = nLineHeight;
    nGraphBandHeight = (int)(H * 0.6);
    nLayoutMarginX = nLayoutMarginY = 20;
    nButtonRowHeight = (L - 4) * 5 + 10;
    nSidePanelWidth = 110;
    int R = W > 1000 ? nGraphBandHeight - nButtonRowHeight - 20 : nGraphBandHeight - 2 * nButtonRowHeight - 20;
    nCurveAreaHeight2 = nGraphBandHeight - 20;
    nStatusPanelX = W - 110 - 20;
    int k = IsLx2OrGrad() ? 6 : 4;
    double f = IsLx2OrGrad() ? 1.0 : 3.5;
    nStatusPanelHeight = L * k + 10;
    nStatusPanelTop = nGraphBandHeight - nStatusPanelHeight;
    nCurveAreaHeightB = nGraphBandHeight - nStatusPanelHeight - 20 - (int)(L * f);
    // The bar column ends where its scale label and the mode rows under it keep clear of the numbers window.
    const int nModeRows = hwndLog ? MeasureModeRowsHeight(hwndLog) : 0;
    if (nModeRows > 0) nCurveAreaHeightB = std::min(nCurveAreaHeightB, nStatusPanelTop - 20 - nModeRows);
    nGraphBandWidth = W - 110 - 2 * 20 - 20;
    nPanelGap = 2;
    nBarColumnX = nStatusPanelX;
    nBarColumnY = 20;
    nBarColumnWidth = 110;
    nSpeedBarHeight = 8;

    if (bGpsActive) {
        nCurveWndTop = 20;
        int nSide = H - 14 - 20 - nSpeedBarHeight - L - 2;
        // A square map as tall as the band would leave no room for the profiles on a narrow screen, nor for the
        // status groups under them: the profile window keeps the width of the wider group (stacked, up to 300
        // pixels) or of both side by side (wider than 300).
        int nNeed = kMinCurveWidth, nBoth = 0;
        if (hwndLog) {
            const int nStation = MeasureStatusGroupWidth(hwndLog, 0), nGps = MeasureStatusGroupWidth(hwndLog, 1);
            nNeed = std::max({nNeed, nStation, nGps});
            // The pseudo GGA's tilt line stands over the profile window, which keeps its width for it, unless the
            // map so narrowed leaves the title row over it too short for the state, the channel title and the
            // map size: the line then takes the free row under the speed bar (the map is narrower than tall).
            const int nTilt = MeasureTiltLineWidth(hwndLog);
            if (nTilt > nNeed) {
                const int nNarrowed = std::min(nSide, nGraphBandWidth - 6 - nTilt);
                const int nWide = std::min(nSide, nGraphBandWidth - 6 - nNeed);
                const int nRowBottom = 20 + nWide + L + 2 + nSpeedBarHeight + MeasureTiltRowUnderMap(hwndLog);
                if (nNarrowed >= MeasureTitleRowWidth(hwndLog) || nRowBottom > H - nBottomMargin - 2)
                    nNeed = nTilt;
            }
            nBoth = nStation + nGps + 10;
        }
        nSide = std::min(nSide, nGraphBandWidth - 6 - nNeed);
        const int nCurveW = nGraphBandWidth - nSide - 6;
        if (nCurveW > 300 && nCurveW < nBoth) nSide = std::min(nSide, nGraphBandWidth - 6 - nBoth);
        SetMapSide(nSide);
        Move(hwndMap, 20, 20, nSide, nSide);
        Show(hwndMap, 1);
        nCurveWndX = 20 + nSide + 6;
        nCurveWndWidth = nGraphBandWidth - nSide - 6;
        nSpeedBarX = 20;
        nSpeedBarWidth = nSide;
        nSpeedBarY = 20 + nSide + L + 2;
        SetSpeedScale();
        Move(hwndSpeed, nSpeedBarX, nSpeedBarY, nSpeedBarWidth, nSpeedBarHeight);
        Show(hwndSpeed, 1);
        // Under the profile window: its scale label, the tilt-meter row and the status groups.
        if (hwndLog) R = std::min(R, nGraphBandHeight - 20 - MeasureUnderProfile(hwndLog, nCurveWndWidth <= 300));
        nCurveAreaHeight2 = R;
        int nLow = std::min(nCurveAreaHeight2, nCurveAreaHeightB);
        nCurveAreaHeight2 = nCurveAreaHeightB = nLow;
        nCurveAreaHeight = nCurveAreaHeightB;
        nCurveWndTop = nBarColumnY;
    } else {
        // The EM61-MK2 keeps a row for its tilt meter between the profile window and the speed row.
        nCurveAreaHeight2 = nCurveAreaHeight =
            H - 20 - nButtonRowHeight - nSpeedBarHeight - nBottomMargin - 8 - L - TiltRowRoom();
        nCurveWndTop = 20;
        nCurveWndX = 20;
        nCurveWndWidth = nGraphBandWidth;
        Show(hwndMap, 0);
        Show(hwndSpeed, 0);
        nSpeedBarX = 20;
        nSpeedBarWidth = nGraphBandWidth;
        nSpeedBarY = H - nButtonRowHeight - nSpeedBarHeight - nBottomMargin - 8;
        SetSpeedScale();
        Move(hwndSpeed, nSpeedBarX, nSpeedBarY, nSpeedBarWidth, nSpeedBarHeight);
        if (bGpsEnabled == 1) Show(hwndSpeed, 1);
        nStatusPanelTop = 20 + nCurveAreaHeight2 - nStatusPanelHeight;
        nCurveAreaHeightB =
            nStatusPanelTop - 20 - (nInstrumentType == INSTRUMENT_EM61LX2 ? (int)(L * 1.0) : (int)(L * 3.5));
        if (nModeRows > 0) nCurveAreaHeightB = std::min(nCurveAreaHeightB, nStatusPanelTop - 20 - nModeRows);
    }

    nSpeedBarYGpsOn = H - 14 - nSpeedBarHeight;
    nBarColumnHeightGpsOn = nGraphBandHeight - nStatusPanelHeight - 20 - (int)(L * f);
    nBarColumnHeightGpsOff = H - 20 - nButtonRowHeight - nSpeedBarHeight - nBottomMargin - 8 - L -
                             nStatusPanelHeight - (int)(L * f) - TiltRowRoom();
    nSpeedBarYGpsOff = H - nButtonRowHeight - nSpeedBarHeight - nBottomMargin - 8;

    HideProfilesAndBars();
    if (!HasTwoProfiles()) {
        Move(hwndCurve1, nCurveWndX, 20, nCurveWndWidth, nCurveAreaHeight2);
        Show(hwndCurve1, 1);
    }
    ArrangeBarsAndProfiles(20, nCurveAreaHeight2, 0);
    nBarWndHeight = nCurveAreaHeightB;
    ArrangeNumbers();

    nScaleStripX = nCurveWndX + nCurveWndWidth + 3;
    nScaleStripWidth = nBarColumnX - nScaleStripX - 3;

    nButtonColumnTop = nGraphBandHeight + L - 2;
    nButtonGap = 2;
    nButtonHeight = (H - nButtonColumnTop - nButtonGap - nBottomMargin) / 2;
    int E = W > 800 ? nCurveWndWidth / 2 : nCurveWndWidth / 3;
    if (bGpsActive) {
        nButtonWidth = nBarColumnWidth + E - nButtonGap;
        nButtonColumnX = nBarColumnX - E;
        PlaceButtonGrid(nButtonColumnX, nButtonColumnX + nButtonWidth / 2 + nButtonGap, nButtonWidth / 2);
        int T = (H - nButtonColumnTop - 2 * nButtonGap - nBottomMargin) / 3;
        int P = H - nBottomMargin - 2 - 2 * T;
        Move(hwndPauseButton, nButtonColumnX, P, nButtonWidth, 2 * T + 2);
        rcPauseHintArea = {nButtonColumnX, nButtonColumnTop, nButtonColumnX + nButtonWidth + nButtonGap, P - 1};
        int N = nCurveWndWidth - E;
        PlaceMapButtonsWithMap(nCurveWndX, N / 2 + 6);
    } else {
        nButtonColumnX = 20 + (2 * nGraphBandWidth) / 4 + 20;
        // The button row starts right of the station and GPS groups, which take the width they need.
        if (hwndLog)
            nButtonColumnX = std::max(nButtonColumnX, 20 + MeasureStatusGroupWidth(hwndLog, 0) + 5 +
                                                          MeasureStatusGroupWidth(hwndLog, 1) + 10 + 20);
        nButtonWidth = (nBarColumnX + nBarColumnWidth - nButtonColumnX - 3 * nButtonGap) / 4;
        nButtonColumnTop = H - nBottomMargin - (L - 4) * 5 - 12;
        nButtonHeight = H - nBottomMargin - nButtonColumnTop;
        PlaceButtonRow();
        Move(hwndPauseButton, nBarColumnX + nBarColumnWidth - 2 * nButtonWidth, nButtonColumnTop, 2 * nButtonWidth,
             nButtonHeight);
        rcPauseHintArea = {nBarColumnX + nBarColumnWidth - (int)(nButtonWidth * 3.8),
                           nButtonColumnTop + (int)(nTextHeight * 0.25),
                           nBarColumnX + nBarColumnWidth - 2 * nButtonWidth, nButtonColumnTop + nButtonHeight - 1};
        PlaceMapButtonsWithoutMap();
    }
    EnableMapButtons();
    PlaceChannelBoxes();
}

void ArrangeLogScreenTall()
{
    const int W = nClientWidth, H = nClientHeight, L = nLineHeight;
    nGraphBandHeight = (int)(H * 0.8);
    nLayoutMarginX = nLayoutMarginY = 20;
    nButtonRowHeight = (L - 4) * 5 + 10;
    nSidePanelWidth = 110;
    nCurveAreaHeight2 = nGraphBandHeight - 20;
    nStatusPanelX = W - 110 - 20;
    if (IsLx2OrGrad()) {
        nStatusPanelHeight = 6 * L + 10;
        nStatusPanelTop = nGraphBandHeight - nStatusPanelHeight;
    } else if (IsEm384OrCs21()) {
        nStatusPanelHeight = 8 * L;
        nStatusPanelTop = 20;
    } else {
        nStatusPanelHeight = 4 * L + 10;
        nStatusPanelTop = nGraphBandHeight - nStatusPanelHeight;
    }
    nCurveAreaHeightB = nGraphBandHeight - nStatusPanelHeight - 20 - (int)(L * 3.5);
    nGraphBandWidth = W - 110 - 2 * 20 - 20;
    nPanelGap = 2;
    nBarColumnWidth = 110;
    nSpeedBarHeight = 8;
    nButtonGap = 2;

    // The square map takes the width; on a short portrait screen it gives up height so that the panels and
    // buttons under it keep their room.
    const int nToStatusBottom = (L + 2) + 8 + (L - 2) + 3 * L + nStatusPanelHeight;  // from the map bottom
    const int nBelowMap = nToStatusBottom + L + TiltRowRoom();  // map bottom to button top
    const int nMinButtons = 2 * std::max(2 * L, 30) + nButtonGap + nBottomMargin;
    int nSide = std::min(W - 40, H - 20 - nBelowMap - nMinButtons);
    // With the map the status groups stand stacked under the profile window down to the bottom margin.
    if (hwndLog) nSide = std::min(nSide, H - 20 - nToStatusBottom - MeasureUnderProfile(hwndLog, 1) - nBottomMargin);
    SetMapSide(nSide);
    Move(hwndMap, 20, 20, nSide, nSide);
    nSpeedBarX = 20;
    nSpeedBarWidth = nSide;
    nSpeedBarY = 20 + nSide + L + 2;
    SetSpeedScale();
    Move(hwndSpeed, nSpeedBarX, nSpeedBarY, nSpeedBarWidth, nSpeedBarHeight);
    nBarColumnX = nStatusPanelX - 30 - nBarColumnWidth;

    if (bGpsActive) {
        Show(hwndMap, 1);
        Show(hwndSpeed, 1);
        nCurveWndTop = nSpeedBarY + 8 + L - 2;
        nCurveWndX = 20;
        nStatusPanelTop = nCurveWndTop + 3 * L;
        nCurveAreaHeight = nStatusPanelTop + nStatusPanelHeight - nCurveWndTop;
        nBarColumnY = nCurveWndTop;
        nCurveAreaHeightB = nCurveAreaHeight;
        nCurveWndWidth = nBarColumnX - 30 - nCurveWndX;
    } else {
        Show(hwndMap, 0);
        Show(hwndSpeed, bGpsEnabled == 1);
        nCurveWndTop = 20;
        nCurveAreaHeight = nSide;
        nCurveWndX = 20;
        nCurveWndWidth = nSide;
        nStatusPanelTop = nSpeedBarY + 8 + L + 3 * L - 2;
        nBarColumnY = nSpeedBarY + 8 + L - 2;
        nCurveAreaHeightB = nStatusPanelTop + nStatusPanelHeight - nBarColumnY;
        nGraphBandWidth = nSide;
    }
    nCurveAreaHeight2 = nCurveAreaHeight;

    nSpeedBarYGpsOn = H - 14 - nSpeedBarHeight;
    nBarColumnHeightGpsOn = nGraphBandHeight - nStatusPanelHeight - 20 - (int)(L * 3.5);
    nSpeedBarYGpsOff = 20 + nSide + L + 2;
    nBarColumnHeightGpsOff = nStatusPanelTop + nStatusPanelHeight - (nSpeedBarY + 8 + L - 2);

    if (nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_GRAD601) {
        Show(hwndCurve2, 0);
        Show(hwndCurve3, 0);
        Show(hwndCurve1, 0);
    } else {
        if (IsEm384OrCs21()) {
            Show(hwndCurve2, 0);
            Show(hwndCurve3, 0);
        }
        Move(hwndCurve1, nCurveWndX, nCurveWndTop, nCurveWndWidth, nCurveAreaHeight);
        Show(hwndCurve1, 1);
    }
    Show(hwndDecay, 0);
    Show(hwndBarQ, 0);
    Show(hwndBarI, 0);
    ArrangeBarsAndProfiles(nCurveWndTop, nCurveAreaHeight, 1);
    nBarWndHeight = nCurveAreaHeightB;
    ArrangeNumbers();

    nScaleStripWidth = (int)(8 * 1.5);
    int nCurveRight = nCurveWndX + nCurveWndWidth;
    if (bGpsActive)
        nScaleStripX = nCurveRight + (nBarColumnX - nCurveRight - nScaleStripWidth) / 2;
    else
        nScaleStripX = nBarColumnX - 20 - nScaleStripWidth;

    nButtonColumnTop = nStatusPanelTop + nStatusPanelHeight + L + TiltRowRoom();
    nButtonHeight = (H - nButtonColumnTop - nButtonGap - nBottomMargin) / 2;
    int T = (H - nButtonColumnTop - 2 * nButtonGap - nBottomMargin) / 3;
    int P = H - nBottomMargin - 2 - 2 * T;
    // The status column beside the map buttons takes the width its station and GPS groups need.
    nStatusColumnWidth = bGpsActive && hwndLog ? MeasureStatusColumnWidth(hwndLog) : nSideColumnWidth;
    if (bGpsActive) {
        nButtonWidth = (W - 2 * nButtonGap - nStatusColumnWidth) / 4;
        nButtonColumnX = W - 20 - 2 * nButtonWidth - nButtonGap;
        rcPauseHintArea = {nButtonColumnX, nButtonColumnTop - 2, nButtonColumnX + 2 * nButtonWidth + nButtonGap,
                           P - 1};
    } else {
        nButtonColumnX = 20;
        nButtonWidth = (nCurveWndWidth - nButtonGap) / 2;
        rcPauseHintArea = {nButtonColumnX, nButtonColumnTop, nButtonColumnX + 2 * nButtonWidth + nButtonGap, P - 1};
    }
    PlaceButtonGrid(nButtonColumnX, nButtonColumnX + nButtonWidth + nButtonGap, nButtonWidth);
    Move(hwndPauseButton, nButtonColumnX, P, 2 * nButtonWidth + nButtonGap, 2 * T + 2);

    int B = (nButtonColumnX - nStatusColumnWidth - 40 - nButtonGap) / 2;
    if (bGpsActive)
        PlaceMapButtonsWithMap(nCurveWndX + nStatusColumnWidth + 10, B);
    else
        PlaceMapButtonsWithoutMap();
    EnableMapButtons();
    PlaceChannelBoxes();
}

int ChannelBoxCount()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM38MK2: return nEm38Mk2Type == 0 ? 4 : 2;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return 8;
    case INSTRUMENT_EM61LX2: return 3;
    case INSTRUMENT_EM61MK2: return 4;
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM34: return 2;
    default: return 0;  // EM38, Grad601
    }
}

void ShowChannelCheckBoxes(int show)
{
    if (nInstrumentType == INSTRUMENT_GRAD601) return;
    const int nCount = ChannelBoxCount();
    const int bLx2Two = nInstrumentType == INSTRUMENT_EM61LX2 && nSensorsMinus1 == 1;
    if (bJixProduct != 0 || nColorMapView <= 0 || bGpsEnabled <= 0 || bGpsActive <= 0 || show == 0) {
        for (int i = 0; i < 8; i++) Show(hwndChannelBoxes[i], 0);
        if (nInstrumentType == INSTRUMENT_EM61LX2)
            for (int i = 0; i < 3; i++) Show(hwndChannelBoxes2[i], 0);
        return;
    }
    for (int i = 0; i < nCount; i++) {
        if (!hwndChannelBoxes[i]) continue;
        SendMessage(hwndChannelBoxes[i], BM_SETCHECK, BST_UNCHECKED, 0);
        Show(hwndChannelBoxes[i], 1);
    }
    if (bLx2Two)
        for (int i = 0; i < 3; i++) {
            if (!hwndChannelBoxes2[i]) continue;
            SendMessage(hwndChannelBoxes2[i], BM_SETCHECK, BST_UNCHECKED, 0);
            Show(hwndChannelBoxes2[i], 1);
        }
    if (nInstrumentType == INSTRUMENT_EM31MK2 && nComponent == 1) Show(hwndChannelBoxes[0], 0);

    int nBox = nColorMapView;
    if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21) {
        static const int anBoxOfChannel[9] = {1, 1, 5, 2, 6, 3, 7, 4, 8};
        nBox = (nColorMapView >= 1 && nColorMapView <= 8) ? anBoxOfChannel[nColorMapView] : 1;
    }
    if (nBox >= 1 && nBox <= nCount && hwndChannelBoxes[nBox - 1])
        SendMessage(hwndChannelBoxes[nBox - 1], BM_SETCHECK, BST_CHECKED, 0);
    if (bLx2Two && nBox >= 1 && nBox <= 3 && hwndChannelBoxes2[nBox - 1])
        SendMessage(hwndChannelBoxes2[nBox - 1], BM_SETCHECK, BST_CHECKED, 0);
}
