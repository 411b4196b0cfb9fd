// Scrolling profiles and channel bars: one new column per reading, bars that grow and shrink by their difference.
#pragma once

#include "platform/platform.h"

// The newest point of every trace is drawn at x = nCurveWndWidth - 10; each reading moves the profile 2 pixels
// left. Rows come converted from the readings (ValueToRow); pens are selected into the caller's context and left
// there.

// Conductivity meters on hwndCurve1: channels 0..nProfileCurves - 1 whose bChannelValid is set.
void ScrollProfileGraph(HDC hdc, const int yCurve[8]);
// EM61-MK2 on hwndCurve1: always four channels.
void ScrollCurveWindow(HDC hdc, const int anRow[4]);
// One-coil EM61-LX2 on hwndCurve2: channels E, L, F.
void ScrollStripChart2Ch(HDC hdc, const int anRow[3]);
// Two-coil EM61-LX2: the left coil on hwndCurve2, the right coil on hwndCurve3.
void ScrollStripChart4Ch(HDC hdcLeft, HDC hdcRight, const int anRowLeft[3], const int anRowRight[3]);
// Grad601: sensor 1 in the first context, sensor 2 in the second (scrolled once when both are the same; none
// without a second context).
void DrawProfileCurvesGrad(HDC hdc1, HDC hdc2, const int anRow1[], const int anRow2[]);
// EM38-4: entries nFirst, + 4, + 8, + 12 of the sixteen profile rows (0 conductivity on scale 1 in the first
// profile window, 2 in-phase on scale 2 in the second), each in its channel's pen.
void ScrollEm384Profile(HDC hdc, const int anProfile[16], int nFirst);
// CS-21: entries nFirst, + 2, + 4, + 6 of the eight profile rows (0 conductivity on scale 1, 1 in-phase on scale 2),
// entry e in the pen of trace e / 2.
void ScrollDualEmProfile(HDC hdc, const int anProfile[8], int nFirst);

// One live step of the split profiles on the windows' own contexts: the EM38-4 conductivity into the first window
// and, in display mode 0, its in-phase into the second; the CS-21 scale-1 traces into the first and scale-2 traces
// into the second; the Grad601 sensor 1 into the first and, with two sensors, sensor 2 into the second.
void ScrollEm384Windows(HWND hwnd1, HWND hwnd2, const int anProfile[16]);
void ScrollDualEmWindows(HWND hwnd1, HWND hwnd2, const int anProfile[8]);
void ScrollGradWindows(HWND hwnd1, HWND hwnd2, int nRow1, int nRow2);

// Decay-window bars (EM61-MK2 4, one-coil EM61-LX2 3, one-sensor Grad601 1) on reading scale 1.
void DrawChannelBars(HDC hdc, const int anRow[], int nCount);
// 1 while the stored decay-window bars (nCount of them) still stand for rows of scale 1 on the present window, so
// that a repaint after a frame reset shows the last reading's bars until the next reading re-bases them.
int DecayStoredBarsFit(int nCount);
// Repaint of the stored decay-window bars.
void DrawSmallBar(HDC hdc, int nCount);
// Repaint of the one-sensor Grad601 bar.
void DrawSensorBars(HDC hdc);

// ---------------------------------------------------------------------------------------------------------------
// Profile replay: a redraw from the data file gathers, newest first, one step per live scroll (the rows its
// reading handler hands to the scroll routine), then passes them oldest first through that same routine on the
// window's context. Pen ends, joins and crossings then fall exactly where the live profile put them.
// ---------------------------------------------------------------------------------------------------------------
constexpr int PROFILE_REPLAY_STEPS = 2048;

struct ProfileStep {
    int anRow[16];    // rows as the reading handler hands them over
    int abValid[8];   // conductivity meters: the channels the reading carries
    int bRestart;     // every run restarted before this step (a station, a pause, new coefficients)
};

struct ProfileReplay {
    ProfileStep aStep[PROFILE_REPLAY_STEPS];  // newest first
    int nCount;
};

// Steps the replay needs to cover a window of nCurveWndWidth: every column from its left edge to the newest point,
// and a few beyond the left edge whose segments and pen ends reach into it. At most PROFILE_REPLAY_STEPS.
int ProfileReplayStepsWanted();
// A new step in front of the gathered ones (the scan reads backwards): nullptr when the replay is full.
ProfileStep *AddProfileStep(ProfileReplay *r);
// Passes the steps oldest first to pfnScroll, with the run flags and previous rows of every scroll routine saved
// before and restored after, so the live profile goes on as it was.
void ReplayProfileSteps(const ProfileReplay *r, void (*pfnScroll)(const ProfileStep &));

// One polyline in the configured-width channel pen of the slot, on the window's own context.
void DrawPolylineWithPen(HWND hwnd, const POINT *apt, int nPoints, int nPenSlot);
