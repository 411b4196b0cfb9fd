// Grid lines of the profile and bar windows: computation of the grid lists and their drawers.
#include "displays/grid.h"

#include <cmath>

#include "displays/scales.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

int anGridLineY1[10];
int anGridLineY2[10];
int anGridLineY1B[10];
int anGridLineY2B[10];
int anCurveGridY[10];
int nScale1RangeSign = 1, nScale2RangeSign = 1;
int nGridLines1 = 0, nGridLines2 = 0;
int nGraphBandWidth = 0;
int nBarColumnWidth = 0;

// Truncation toward zero that stays defined for rows far outside any window.
static int TruncRow(double d)
{
    if (!(d > -1.0e9)) return -1000000000;
    if (d > 1.0e9) return 1000000000;
    return (int)d;
}

static void FixedGridLines(int anGrid[10], int nHeight)
{
    static const double adFraction[4] = {0.2, 0.4, 0.6, 0.8};
    anGrid[0] = 4;
    for (int i = 0; i < 4; i++) anGrid[i + 1] = TruncRow(nHeight - (nHeight + 1) * adFraction[i]);
}

void ComputeGridLines(int anGrid[10], int nHeight, double dMin, double dMax, double dPixPerUnit, int *pnRangeSign)
{
    if (!std::isfinite(dMin) || !std::isfinite(dMax)) {
        *pnRangeSign = 1;
        FixedGridLines(anGrid, nHeight);
        return;
    }
    if (dMin >= 0 || dMax <= 0) {
        *pnRangeSign = dMin >= 0 ? 1 : -1;
        FixedGridLines(anGrid, nHeight);
        return;
    }
    *pnRangeSign = 0;
    // A window without height, an empty range or a zero line on the top or bottom row leaves no part to divide
    // into steps: the fixed lines stand.
    if (nHeight <= 0 || !std::isfinite(dPixPerUnit) || dPixPerUnit <= 0) {
        FixedGridLines(anGrid, nHeight);
        return;
    }
    const int z = TruncRow(dMax * dPixPerUnit);
    if (z <= 0 || z >= nHeight) {
        FixedGridLines(anGrid, nHeight);
        return;
    }
    double dNear, dFar;
    int k;
    if (z < nHeight / 2) {
        k = TruncRow((double)(nHeight - z) / (double)z + 0.5);
        dNear = std::fabs(dMax);
        dFar = std::fabs(dMin);
    } else {
        k = TruncRow((double)z / (double)(nHeight - z) + 0.5);
        dNear = std::fabs(dMin);
        dFar = std::fabs(dMax);
    }
    if (k <= 0) {
        FixedGridLines(anGrid, nHeight);
        return;
    }
    double dStep;
    if (k > 4) dStep = dFar / 5.0;
    else if (k == 1) dStep = dNear / 4.0;
    else dStep = dFar / k;

    int n = 1;
    anGrid[1] = z;
    for (int j = 1; n < 9; j++) {
        int row = TruncRow((dMax - j * dStep) * dPixPerUnit);
        if (row <= 0) break;
        anGrid[++n] = row;
    }
    for (int j = 1; n < 9; j++) {
        int row = TruncRow((dMax + j * dStep) * dPixPerUnit);
        if (row >= nHeight) break;
        anGrid[++n] = row;
    }
    anGrid[0] = n;
}

void ComputeGridLinesMain(int)
{
    ComputeGridLines(anCurveGridY, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB, &nScale1RangeSign);
}

// One behaviour for the four drawers: the first line in the zero-line pen when the range spans zero, the others in
// the grid pen, each across the window from x = 0 to the right end.
static void DrawGridList(HDC hdc, const int anGrid[10], int bSpansZero, int nRight)
{
    POINT pt[2];
    int n = anGrid[0];
    if (n < 1) return;
    if (n > 9) n = 9;
    SelectObject(hdc, bSpansZero ? hpenZeroLine : hpenGrid);
    pt[0] = {0, anGrid[1]};
    pt[1] = {nRight, anGrid[1]};
    Polyline(hdc, pt, 2);
    SelectObject(hdc, hpenGrid);
    for (int i = 2; i <= n; i++) {
        pt[0] = {0, anGrid[i]};
        pt[1] = {nRight, anGrid[i]};
        Polyline(hdc, pt, 2);
    }
}

void DrawCurveGridLines(HDC hdc, const int anGrid[10], double dMin, double dMax)
{
    DrawGridList(hdc, anGrid, dMin < 0 && dMax > 0, nCurveWndWidth);
}

void DrawCurveGridLinesMain(HDC hdc)
{
    DrawGridList(hdc, anCurveGridY, dScale1Min < 0 && dScale1Max > 0, nBarColumnWidth);
}

void DrawCurveGridLinesB(HDC hdc, double dMin, double dMax)
{
    DrawGridList(hdc, anGridLineY1, dMin < 0 && dMax > 0, nGraphBandWidth);
}

void DrawCurveGridLinesC(HDC hdc, double dMin, double dMax)
{
    DrawGridList(hdc, anGridLineY2, dMin < 0 && dMax > 0, nGraphBandWidth);
}
