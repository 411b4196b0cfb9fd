// Bar windows (Q on reading scale 1, I on reading scale 2) and the bar step they share with the decay window.
#include "displays/bar_windows.h"

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

int anBarQEnd[4], anBarIEnd[4];
int anBarQTop[4] = {-1, -1, -1, -1}, anBarITop[4] = {-1, -1, -1, -1};
int nBarQBase, nBarIBase;

namespace {

BarRowMapping gBarQStored, gBarIStored;

int SafeSlot(int nSlot)
{
    return nSlot < 0 || nSlot > 15 ? 0 : nSlot;
}

// Grid list drawn from x = 0 to nRight: the first row in the zero-line pen when the range spans zero.
void DrawBarGrid(HDC hdc, const int anGrid[10], double dMin, double dMax, int nRight)
{
    int n = anGrid[0];
    if (n < 1) return;
    if (n > 9) n = 9;
    SelectObject(hdc, dMin < 0 && 0 < dMax ? hpenZeroLine : hpenGrid);
    for (int k = 1; k <= n; k++) {
        if (k == 2) SelectObject(hdc, hpenGrid);
        POINT pt[2] = {{0, anGrid[k]}, {nRight, anGrid[k]}};
        Polyline(hdc, pt, 2);
    }
}

void DrawBarQGridFull(HDC hdc)
{
    DrawBarQGrid(hdc, nBarWndWidth);
}

int BarWindowCount()
{
    return nDisplayedChannels < 0 ? 0 : (nDisplayedChannels > 4 ? 4 : nDisplayedChannels);
}

// The Q window's slots: per bar from anBarQPenSlot, or for the EM34-3 the slot of the channel just read.
const int *BarQSlots(int anSlot[4])
{
    for (int i = 0; i < 4; i++) {
        int k = i;
        if (nInstrumentType == INSTRUMENT_EM34) k = nEm34Channel < 0 || nEm34Channel > 5 ? 0 : nEm34Channel;
        anSlot[i] = SafeSlot(anBarQPenSlot[k]);
    }
    return anSlot;
}

const int *BarISlots(int anSlot[4])
{
    for (int i = 0; i < 4; i++) anSlot[i] = SafeSlot(anBarIPenSlot[i]);
    return anSlot;
}

// A bar window's set: nDisplayedChannels bars across the window, on the given scale's zero row and range.
BarSet BarWindowSet(const int *anSlot, int nZeroRow, int nRangeSign, int *anEnd, int *anTop, int *pbFrameDrawn,
                    void (*pfnGrid)(HDC), double dMin, double dMax, BarRowMapping *pStored)
{
    BarSet bars = {};
    bars.nCount = BarWindowCount();
    bars.nHeight = nBarWndHeight;
    bars.nZeroRow = nZeroRow;
    bars.nRangeSign = nRangeSign;
    bars.nWidth = nBarWidth;
    bars.nClearRight = nBarWndWidth - 1;
    bars.anSlot = anSlot;
    bars.anEnd = anEnd;
    bars.anTop = anTop;
    bars.pbFrameDrawn = pbFrameDrawn;
    bars.pfnGrid = pfnGrid;
    bars.dScaleMin = dMin;
    bars.dScaleMax = dMax;
    bars.pStored = pStored;
    return bars;
}

BarSet BarQSet(const int *anSlot)
{
    return BarWindowSet(anSlot, anGridLineY1B[1], nScale1RangeSign, anBarQEnd, anBarQTop, &bBarQFrameDrawn,
                        DrawBarQGridFull, dScale1Min, dScale1Max, &gBarQStored);
}

BarSet BarISet(const int *anSlot)
{
    return BarWindowSet(anSlot, anGridLineY2B[1], nScale2RangeSign, anBarIEnd, anBarITop, &bBarIFrameDrawn,
                        DrawBarIGrid, dScale2Min, dScale2Max, &gBarIStored);
}

void RedrawBarSet(HDC hdc, const BarSet &bars, int *pnBase)
{
    *pnBase = BarBaseRow(bars.nRangeSign, bars.nZeroRow, bars.nHeight);
    for (int i = 0; i < bars.nCount; i++) {
        if (bars.anTop[i] < 0) continue;
        FillBar(hdc, bars.anSlot[i], anBarLeft[i], bars.nWidth, bars.anTop[i], *pnBase);
    }
}

}  // namespace

BarRowMapping BarSetMapping(const BarSet &bars)
{
    BarRowMapping m = {};
    m.dMin = bars.dScaleMin;
    m.dMax = bars.dScaleMax;
    m.nHeight = bars.nHeight;
    m.nZeroRow = bars.nZeroRow;
    m.nRangeSign = bars.nRangeSign;
    m.nCount = bars.nCount;
    m.bValid = 1;
    return m;
}

int StoredBarsFit(const BarSet &bars, const BarRowMapping &stored)
{
    if (!stored.bValid) return 0;
    const BarRowMapping now = BarSetMapping(bars);
    return now.dMin == stored.dMin && now.dMax == stored.dMax && now.nHeight == stored.nHeight &&
           now.nZeroRow == stored.nZeroRow && now.nRangeSign == stored.nRangeSign && now.nCount == stored.nCount;
}

int BarBaseRow(int nSign, int nZeroRow, int nHeight)
{
    if (nSign < 0) return 0;
    if (nSign == 0) return nZeroRow;
    return nHeight;
}

void FillBar(HDC hdc, int nSlot, int nLeft, int nWidth, int a, int b)
{
    nSlot = SafeSlot(nSlot);
    SelectObject(hdc, ahChannelBrush[nSlot]);
    SelectObject(hdc, ahChannelPenThin[nSlot]);
    Rectangle(hdc, nLeft, a, nLeft + nWidth, b);
}

void EraseBar(HDC hdc, int nLeft, int nWidth, int a, int b)
{
    SelectObject(hdc, hbrWhite);
    SelectObject(hdc, hpenWhite);
    Rectangle(hdc, nLeft - 1, a, nLeft + nWidth + 1, b);
}

void UpdateBarSet(HDC hdc, const BarSet &bars, const int anRow[])
{
    const int H = bars.nHeight, Z = bars.nZeroRow, W = bars.nWidth, nSign = bars.nRangeSign;
    const int nCount = bars.nCount < 0 ? 0 : (bars.nCount > 8 ? 8 : bars.nCount);

    bars.pfnGrid(hdc);
    if (*bars.pbFrameDrawn == 0) {
        *bars.pbFrameDrawn = 1;
        SelectObject(hdc, hbrWhite);
        SelectObject(hdc, hpenWhite);
        // The whole window, row 0 and column 0 too: a bar that hung from the top edge leaves no line there.
        Rectangle(hdc, 0, 0, bars.nClearRight + 1, H + 1);
        for (int i = 0; i < nCount; i++) bars.anEnd[i] = BarBaseRow(nSign, Z, H);
    }
    for (int i = 0; i < nCount; i++) {
        const int r = ClampRow(anRow[i]);
        const int p = ClampRow(bars.anEnd[i]);
        const int left = anBarLeft[i];
        const int s = bars.anSlot[i];
        if (nSign < 0) {
            if (r > p) FillBar(hdc, s, left, W, p, r);
            else EraseBar(hdc, left, W, p, r);
        } else if (nSign > 0) {
            if (r < p) FillBar(hdc, s, left, W, r, p);
            else EraseBar(hdc, left, W, p, r);
        } else if (r <= Z) {
            if (p < Z) {
                if (r < p) FillBar(hdc, s, left, W, r, p);
                else EraseBar(hdc, left, W, p, r);
            } else {
                EraseBar(hdc, left, W, H, Z);
                FillBar(hdc, s, left, W, r, Z);
            }
        } else {
            if (p < Z) {
                EraseBar(hdc, left, W, p, Z);
                FillBar(hdc, s, left, W, r, Z);
            } else if (r > p) {
                FillBar(hdc, s, left, W, p, r);
            } else {
                EraseBar(hdc, left, W, p, r);
            }
        }
        bars.anEnd[i] = r;
        bars.anTop[i] = r < 0 ? 0 : (r > H ? H : r);
    }
    if (bars.pStored) *bars.pStored = BarSetMapping(bars);
    bars.pfnGrid(hdc);
}

void DrawBarQGrid(HDC hdc, int nRight)
{
    DrawBarGrid(hdc, anGridLineY1B, dScale1Min, dScale1Max, nRight);
}

void DrawBarIGrid(HDC hdc)
{
    DrawBarGrid(hdc, anGridLineY2B, dScale2Min, dScale2Max, nBarWndWidth);
}

void UpdateBarQBars(HDC hdc, const int anRow[4])
{
    int anSlot[4];
    UpdateBarSet(hdc, BarQSet(BarQSlots(anSlot)), anRow);
}

void UpdateBarIBars(HDC hdc, const int anRow[4])
{
    int anSlot[4];
    UpdateBarSet(hdc, BarISet(BarISlots(anSlot)), anRow);
}

void RedrawBarQBars(HDC hdc)
{
    int anSlot[4];
    RedrawBarSet(hdc, BarQSet(BarQSlots(anSlot)), &nBarQBase);
}

void RedrawBarIBars(HDC hdc)
{
    int anSlot[4];
    RedrawBarSet(hdc, BarISet(BarISlots(anSlot)), &nBarIBase);
}

int BarQStoredBarsFit()
{
    int anSlot[4];
    return StoredBarsFit(BarQSet(BarQSlots(anSlot)), gBarQStored);
}

int BarIStoredBarsFit()
{
    int anSlot[4];
    return StoredBarsFit(BarISet(BarISlots(anSlot)), gBarIStored);
}

void ForgetBarWindowBars()
{
    for (int i = 0; i < 4; i++) anBarQTop[i] = anBarITop[i] = -1;
    gBarQStored.bValid = 0;
    gBarIStored.bValid = 0;
}
