// Bar windows (Q on reading scale 1, I on reading scale 2) and the bar step they share with the decay window.
#pragma once

#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// Q and I bar windows
// ---------------------------------------------------------------------------------------------------------------
extern int anBarQEnd[4], anBarIEnd[4];  // row at which bar i currently ends (last drawn, not clipped)
extern int anBarQTop[4], anBarITop[4];  // the end clipped to 0..nBarWndHeight for repainting; negative: no bar
extern int nBarQBase, nBarIBase;        // base row used by the last repaint

// Scale lines of the Q window from x = 0 to nRight, of the I window across nBarWndWidth.
void DrawBarQGrid(HDC hdc, int nRight);
void DrawBarIGrid(HDC hdc);
// Per reading: the bars move from their old ends to the new rows (nDisplayedChannels of them, at most four: anRow
// holds four), drawing only the difference; a cleared frame flag clears the window and re-bases the bars first.
void UpdateBarQBars(HDC hdc, const int anRow[4]);
void UpdateBarIBars(HDC hdc, const int anRow[4]);
// Repaint of the stored bars from their base row.
void RedrawBarQBars(HDC hdc);
void RedrawBarIBars(HDC hdc);
// 1 while the stored bars of the window still stand for rows of its present scale, height and bar count, so that a
// repaint after a frame reset (a pause, a toggle, a dialog) shows the last reading's bars until the next reading
// re-bases them; 0 once the scale or the window changed or the bars were forgotten.
int BarQStoredBarsFit();
int BarIStoredBarsFit();
// No stored bar in either window any more (a new logging session): no bar is repainted before the session's
// first reading.
void ForgetBarWindowBars();

// ---------------------------------------------------------------------------------------------------------------
// The bar step shared by the bar windows and the decay window
// ---------------------------------------------------------------------------------------------------------------
// What the stored rows of a bar set were computed for.
struct BarRowMapping {
    double dMin, dMax;  // the scale
    int nHeight, nZeroRow, nRangeSign, nCount;
    int bValid;  // 0: nothing stored
};
struct BarSet {
    int nCount;            // bars 0..nCount - 1 (at most 8)
    int nHeight;           // window height H
    int nZeroRow;          // zero row Z of the scale's grid list
    int nRangeSign;        // -1 hang from the top, 0 from the zero line, 1 stand on the bottom
    int nWidth;            // width of every bar
    int nClearRight;       // right edge of the frame clear
    const int *anSlot;     // channel brush and thin pen slot of each bar
    int *anEnd;            // last drawn end of each bar
    int *anTop;            // that end clipped to 0..H
    int *pbFrameDrawn;     // 0: clear and re-base first
    void (*pfnGrid)(HDC);  // scale lines, drawn before and over the bars
    double dScaleMin, dScaleMax;   // the scale the rows are on
    BarRowMapping *pStored;        // when set: takes the mapping of the rows stored by each update
};
// The mapping a bar set's rows are on now.
BarRowMapping BarSetMapping(const BarSet &bars);
// 1 when the stored mapping holds rows and equals the set's present one.
int StoredBarsFit(const BarSet &bars, const BarRowMapping &stored);
void UpdateBarSet(HDC hdc, const BarSet &bars, const int anRow[]);

// Base row of a bar set: the top edge when the scale lies below zero, the zero line when it spans zero, the
// bottom edge when it lies above.
int BarBaseRow(int nSign, int nZeroRow, int nHeight);
// A bar of the slot's channel colours from row a to row b.
void FillBar(HDC hdc, int nSlot, int nLeft, int nWidth, int a, int b);
// White over a bar's column from row a to row b, one pixel wider on each side.
void EraseBar(HDC hdc, int nLeft, int nWidth, int a, int b);
