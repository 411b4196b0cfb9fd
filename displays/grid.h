// Grid lines of the profile and bar windows: computation of the grid lists and their drawers.
#pragma once

#include "platform/platform.h"

// Grid list: element 0 the number of lines (1..9), then their rows from the top; the zero line first when the
// scale spans zero.
extern int anGridLineY1[10];   // scale 1, main curve height
extern int anGridLineY2[10];   // scale 2, main curve height
extern int anGridLineY1B[10];  // scale 1, bar height
extern int anGridLineY2B[10];  // scale 2, bar height
extern int anCurveGridY[10];   // scale 1, bar height (decay window)
extern int nScale1RangeSign, nScale2RangeSign;  // 1 at or above 0, -1 at or below 0, 0 spanning zero
extern int nGridLines1, nGridLines2;            // line counts of the last scale-1 and scale-2 lists

// Widths the drawers run their lines to; set by the logging-screen arrangement.
extern int nGraphBandWidth;  // the graph band of the logging screen
extern int nBarColumnWidth;  // the bar column (decay window and channel bars)

void ComputeGridLines(int anGrid[10], int nHeight, double dMin, double dMax, double dPixPerUnit, int *pnRangeSign);
// anCurveGridY from scale 1 on nCurveAreaHeightB (the argument is not used).
void ComputeGridLinesMain(int unused = 0);

void DrawCurveGridLines(HDC hdc, const int anGrid[10], double dMin, double dMax);
void DrawCurveGridLinesMain(HDC hdc);
void DrawCurveGridLinesB(HDC hdc, double dMin, double dMax);
void DrawCurveGridLinesC(HDC hdc, double dMin, double dMax);
