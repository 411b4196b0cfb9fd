// Scrolling profiles and channel bars: one new column per reading, bars that grow and shrink by their difference.
#include "displays/profiles.h"

#include "displays/bar_windows.h"

#include <cstring>

#include "core/settings.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

namespace {

// Number of rows a grid list holds (element 0), kept to the list's size.
int GridCount(const int anGrid[10])
{
    int n = anGrid[0];
    if (n < 0) return 0;
    return n > 9 ? 9 : n;
}

// The last column a scroll clears: the newest point's column and the one after it, and as far right as the widest
// channel pen reaches past the newest point. Those margin columns never scroll; the end of a wide trace left there
// would stay for good, where a profile redrawn from the file holds only the ends of the readings it replays.
int LastClearedColumn(int w)
{
    int nWidest = 1;
    for (int nWidth : anChannelPenWidth) nWidest = nWidth > nWidest ? nWidth : nWidest;
    if (nWidest > 16) nWidest = 16;
    int nLast = w + nWidest / 2 + 1;
    if (nLast < w + 1) nLast = w + 1;
    // The window's right frame column stays.
    if (nLast > nCurveWndWidth - 2 && nCurveWndWidth - 2 >= w + 1) nLast = nCurveWndWidth - 2;
    return nLast;
}

// Steps 1 to 3 of a scroll: move the picture 2 pixels left, clear the newest columns and put the grid pixels of the
// cleared columns back. The first grid row is the zero line when the range spans zero.
void ShiftProfile(HDC hdc, int w, int nCopyHeight, double dMin, double dMax, const int *anGrid = anGridLineY1)
{
    BitBlt(hdc, 0, 0, w - 1, nCopyHeight, hdc, 2, 0, SRCCOPY);
    SelectObject(hdc, hpenWhite);
    const int nLast = LastClearedColumn(w);
    for (int x = w - 1; x <= nLast; x++) {
        MoveToEx(hdc, x, 0, nullptr);
        LineTo(hdc, x, nCurveAreaHeight2);
    }
    const int n = GridCount(anGrid);
    for (int k = 1; k <= n; k++) {
        SelectObject(hdc, (k == 1 && dMin < 0 && 0 < dMax) ? hpenZeroLine : hpenGrid);
        POINT pt[2] = {{w - 1, anGrid[k]}, {nLast, anGrid[k]}};
        Polyline(hdc, pt, 2);
    }
}

// Step 4 for one trace: a segment from the previous point (2 pixels left after the shift) to the new one, or a
// single point that starts a new run. The segment leaves out its end pixel; the next reading starts there.
void AdvanceTrace(HDC hdc, int w, int nPenSlot, int nRow, int *pnPrevY, int nFlagSlot, bool bJoin)
{
    nRow = ClampRow(nRow);
    SelectObject(hdc, ahChannelPen[nPenSlot]);
    POINT pt[2];
    pt[1] = POINT{w, nRow};
    if (bJoin) {
        pt[0] = POINT{w - 2, ClampRow(*pnPrevY)};
    } else {
        pt[0] = pt[1];
        abCurveHasPrev[nFlagSlot] = 1;
    }
    Polyline(hdc, pt, 2);
    *pnPrevY = nRow;
}

// x of the newest point; 0 when the window is too narrow to scroll (not laid out yet).
int NewestX()
{
    const int w = nCurveWndWidth - 10;
    return w - 1 > 0 ? w : 0;
}

}  // namespace

void ScrollProfileGraph(HDC hdc, const int yCurve[8])
{
    const int w = NewestX();
    if (w == 0) return;
    const bool bAlt = bAltGraphScale != 0;
    ShiftProfile(hdc, w, nCurveAreaHeight2, bAlt ? dScale2Min : dScale1Min, bAlt ? dScale2Max : dScale1Max);
    const int nCurves = nProfileCurves < 0 ? 0 : (nProfileCurves > 8 ? 8 : nProfileCurves);
    for (int i = 0; i < nCurves; i++) {
        if (bChannelValid[i] == 0) {
            // A channel missing from this reading ends its run: its last point has moved on with the scroll, so
            // its next point starts afresh instead of joining a row from readings ago.
            abCurveHasPrev[i] = 0;
            continue;
        }
        const bool bJoin = abCurveHasPrev[i] && anCurvePrevFlag[i] == bChannelValid[i];
        if (!bJoin) anCurvePrevFlag[i] = bChannelValid[i];
        AdvanceTrace(hdc, w, i, yCurve[i], &anCurvePrevY[i], i, bJoin);
    }
}

void ScrollCurveWindow(HDC hdc, const int anRow[4])
{
    const int w = NewestX();
    if (w == 0) return;
    ShiftProfile(hdc, w, nCurveAreaHeight, dScale1Min, dScale1Max);
    for (int i = 0; i < 4; i++) AdvanceTrace(hdc, w, i, anRow[i], &anEm61PrevY[i], i, abCurveHasPrev[i] != 0);
}

void ScrollStripChart2Ch(HDC hdc, const int anRow[3])
{
    const int w = NewestX();
    if (w == 0) return;
    ShiftProfile(hdc, w, nCurveAreaHeight2, dScale1Min, dScale1Max);
    for (int i = 0; i < 3; i++) AdvanceTrace(hdc, w, i, anRow[i], &anLx2PrevY[i], i, abCurveHasPrev[i] != 0);
}

void ScrollStripChart4Ch(HDC hdcLeft, HDC hdcRight, const int anRowLeft[3], const int anRowRight[3])
{
    const int w = NewestX();
    if (w == 0) return;
    ShiftProfile(hdcLeft, w, nCurveAreaHeight2, dScale1Min, dScale1Max);
    ShiftProfile(hdcRight, w, nCurveAreaHeight2, dScale1Min, dScale1Max);
    for (int i = 0; i < 3; i++)
        AdvanceTrace(hdcLeft, w, i, anRowLeft[i], &anLx2PrevYLeft[i], i, abCurveHasPrev[i] != 0);
    for (int i = 0; i < 3; i++)
        AdvanceTrace(hdcRight, w, i, anRowRight[i], &anLx2PrevYRight[i], i + 3, abCurveHasPrev[i + 3] != 0);
}

void DrawProfileCurvesGrad(HDC hdc1, HDC hdc2, const int anRow1[], const int anRow2[])
{
    const int w = NewestX();
    if (w == 0 || !hdc1) return;
    ShiftProfile(hdc1, w, nCurveAreaHeight2, dScale1Min, dScale1Max);
    if (hdc2 && hdc2 != hdc1) ShiftProfile(hdc2, w, nCurveAreaHeight2, dScale1Min, dScale1Max);
    AdvanceTrace(hdc1, w, 0, anRow1[0], &anGradPrevY1[0], 0, abCurveHasPrev[0] != 0);
    if (hdc2) AdvanceTrace(hdc2, w, 1, anRow2[0], &anGradPrevY2[0], 3, abCurveHasPrev[3] != 0);
}

// Four traces of a split profile: entries nFirst, nFirst + nStep, ... of the array, each in its pen slot, with its
// previous row in anPrevY[entry] and its run flag in abCurveHasPrev[entry].
static void ScrollSplitProfile(HDC hdc, const int anRow[], int nFirst, int nStep, int anPrevY[], int nScale,
                               int (*pfnPenSlot)(int))
{
    const int w = NewestX();
    if (w == 0) return;
    if (nScale == 2) ShiftProfile(hdc, w, nCurveAreaHeight2, dScale2Min, dScale2Max, anGridLineY2);
    else ShiftProfile(hdc, w, nCurveAreaHeight2, dScale1Min, dScale1Max, anGridLineY1);
    for (int k = 0; k < 4; k++) {
        const int e = nFirst + k * nStep;
        AdvanceTrace(hdc, w, pfnPenSlot(e), anRow[e], &anPrevY[e], e, abCurveHasPrev[e] != 0);
    }
}

static int anEm384PrevY[16], anDualEmPrevY[8];

void ScrollEm384Profile(HDC hdc, const int anProfile[16], int nFirst)
{
    if (nFirst != 0 && nFirst != 2) return;
    ScrollSplitProfile(hdc, anProfile, nFirst, 4, anEm384PrevY, nFirst == 0 ? 1 : 2, [](int e) { return e; });
}

void ScrollDualEmProfile(HDC hdc, const int anProfile[8], int nFirst)
{
    if (nFirst != 0 && nFirst != 1) return;
    ScrollSplitProfile(hdc, anProfile, nFirst, 2, anDualEmPrevY, nFirst == 0 ? 1 : 2, [](int e) { return e / 2; });
}

void ScrollEm384Windows(HWND hwnd1, HWND hwnd2, const int anProfile[16])
{
    if (hwnd1) {
        HDC hdc = GetDC(hwnd1);
        if (hdc) {
            ScrollEm384Profile(hdc, anProfile, 0);
            ReleaseDC(hwnd1, hdc);
        }
    }
    if (nEm384DisplayMode == 0 && hwnd2) {
        HDC hdc = GetDC(hwnd2);
        if (hdc) {
            ScrollEm384Profile(hdc, anProfile, 2);
            ReleaseDC(hwnd2, hdc);
        }
    }
}

void ScrollDualEmWindows(HWND hwnd1, HWND hwnd2, const int anProfile[8])
{
    const HWND ahWnd[2] = {hwnd1, hwnd2};
    for (int k = 0; k < 2; k++) {
        HDC hdc = ahWnd[k] ? GetDC(ahWnd[k]) : nullptr;
        if (!hdc) continue;
        ScrollDualEmProfile(hdc, anProfile, k);
        ReleaseDC(ahWnd[k], hdc);
    }
}

void ScrollGradWindows(HWND hwnd1, HWND hwnd2, int nRow1, int nRow2)
{
    // One sensor: its profile only; the second window (hidden in that layout) has no reading to show.
    if (nSensorsMinus1 != 1) hwnd2 = nullptr;
    HDC h1 = hwnd1 ? GetDC(hwnd1) : nullptr;
    HDC h2 = hwnd2 ? GetDC(hwnd2) : nullptr;
    if (h1) DrawProfileCurvesGrad(h1, h2, &nRow1, &nRow2);
    if (h1) ReleaseDC(hwnd1, h1);
    if (h2) ReleaseDC(hwnd2, h2);
}

int ProfileReplayStepsWanted()
{
    const int n = (nCurveWndWidth - 10) / 2 + 6;
    if (n < 1) return 1;
    return n > PROFILE_REPLAY_STEPS ? PROFILE_REPLAY_STEPS : n;
}

ProfileStep *AddProfileStep(ProfileReplay *r)
{
    if (r->nCount < 0 || r->nCount >= PROFILE_REPLAY_STEPS) return nullptr;
    ProfileStep *p = &r->aStep[r->nCount++];
    *p = ProfileStep{};
    return p;
}

namespace {

// Everything the scroll routines carry from one reading to the next.
struct ScrollState {
    int abHasPrev[16], anPrevY[8], anPrevFlag[8], anEm61[4], anGrad1, anGrad2, anEm384[16], anDualEm[8];
    int abValid[16];
};

void SaveScrollState(ScrollState *s)
{
    memcpy(s->abHasPrev, abCurveHasPrev, sizeof s->abHasPrev);
    memcpy(s->anPrevY, anCurvePrevY, sizeof s->anPrevY);
    memcpy(s->anPrevFlag, anCurvePrevFlag, sizeof s->anPrevFlag);
    memcpy(s->anEm61, anEm61PrevY, sizeof s->anEm61);
    s->anGrad1 = anGradPrevY1[0];
    s->anGrad2 = anGradPrevY2[0];
    memcpy(s->anEm384, anEm384PrevY, sizeof s->anEm384);
    memcpy(s->anDualEm, anDualEmPrevY, sizeof s->anDualEm);
    memcpy(s->abValid, bChannelValid, sizeof s->abValid);
}

void RestoreScrollState(const ScrollState &s)
{
    memcpy(abCurveHasPrev, s.abHasPrev, sizeof s.abHasPrev);
    memcpy(anCurvePrevY, s.anPrevY, sizeof s.anPrevY);
    memcpy(anCurvePrevFlag, s.anPrevFlag, sizeof s.anPrevFlag);
    memcpy(anEm61PrevY, s.anEm61, sizeof s.anEm61);
    anGradPrevY1[0] = s.anGrad1;
    anGradPrevY2[0] = s.anGrad2;
    memcpy(anEm384PrevY, s.anEm384, sizeof s.anEm384);
    memcpy(anDualEmPrevY, s.anDualEm, sizeof s.anDualEm);
    memcpy(bChannelValid, s.abValid, sizeof s.abValid);
}

}  // namespace

void ReplayProfileSteps(const ProfileReplay *r, void (*pfnScroll)(const ProfileStep &))
{
    ScrollState saved;
    SaveScrollState(&saved);
    for (int &b : abCurveHasPrev) b = 0;
    const int n = r->nCount < 0 ? 0 : (r->nCount > PROFILE_REPLAY_STEPS ? PROFILE_REPLAY_STEPS : r->nCount);
    for (int i = n - 1; i >= 0; i--) {
        const ProfileStep &step = r->aStep[i];
        if (step.bRestart)
            for (int &b : abCurveHasPrev) b = 0;
        if (pfnScroll) pfnScroll(step);
    }
    RestoreScrollState(saved);
}

namespace {

// What the stored decay-window bar rows were drawn for.
BarRowMapping gDecayStored;

BarSet DecayBarSet(int nCount)
{
    static const int anSlot[8] = {0, 1, 2, 3, 4, 5, 6, 7};
    BarSet bars = {};
    bars.nCount = nCount < 0 ? 0 : (nCount > 8 ? 8 : nCount);
    bars.nHeight = nCurveAreaHeightB;
    bars.nZeroRow = anGridLineY1B[1];
    bars.nRangeSign = nScale1RangeSign;
    bars.nWidth = nChannelBarWidth;
    bars.nClearRight = nBarColumnWidth - 1;
    bars.anSlot = anSlot;
    bars.anEnd = anBarEnd;
    bars.anTop = anBarTop;
    bars.pbFrameDrawn = &bGraphFrameDrawn;
    bars.pfnGrid = DrawCurveGridLinesMain;
    bars.dScaleMin = dScale1Min;
    bars.dScaleMax = dScale1Max;
    bars.pStored = &gDecayStored;
    return bars;
}

}  // namespace

void DrawChannelBars(HDC hdc, const int anRow[], int nCount)
{
    UpdateBarSet(hdc, DecayBarSet(nCount), anRow);
}

int DecayStoredBarsFit(int nCount)
{
    return StoredBarsFit(DecayBarSet(nCount), gDecayStored);
}

void DrawSmallBar(HDC hdc, int nCount)
{
    if (nCount < 0) nCount = 0;
    if (nCount > 8) nCount = 8;
    nBarBase = BarBaseRow(nScale1RangeSign, anGridLineY1B[1], nCurveAreaHeightB);
    for (int i = 0; i < nCount; i++) {
        if (anBarTop[i] < 0) continue;
        FillBar(hdc, i, anBarLeft[i], nChannelBarWidth, anBarTop[i], nBarBase);
    }
}

void DrawSensorBars(HDC hdc)
{
    nBarBase = BarBaseRow(nScale1RangeSign, anCurveGridY[1], nCurveAreaHeightB);
    if (anBarTop[0] < 0) return;
    FillBar(hdc, 0, anBarLeft[0], nChannelBarWidth, anBarTop[0], nBarBase);
}

void DrawPolylineWithPen(HWND hwnd, const POINT *apt, int nPoints, int nPenSlot)
{
    if (nPenSlot < 0 || nPenSlot > 15 || apt == nullptr || nPoints < 2) return;
    HDC hdc = GetDC(hwnd);
    if (!hdc) return;
    SelectObject(hdc, ahChannelPen[nPenSlot]);
    Polyline(hdc, apt, nPoints);
    ReleaseDC(hwnd, hdc);
}
