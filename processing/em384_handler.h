// EM38-4 reading handler: averaging, displays, reading records, the drift procedure and the calibration.
#pragma once

#include "platform/platform.h"

#include "processing/conductivity_handlers.h"

// Shared with the EM38-MK2 calibration (processing/conductivity_handlers.h): nCalProcedureState (0 normal,
// -1 calibration, -3 drift collection), nCalPhase (1 vertical collection, 2 later steps, 0 none), dwCalibStepTick
// (tick at which the current step began), nCalSampleCount (readings summed in the current collection step),
// adCalSum ([0..3] in-phase I1..I4 and [8..11] conductivity C1..C4 of the vertical or current collection; [4..7]
// and [12..15] of the horizontal collection) and adCalibrationBackup (adCalibration when the calibration started).
// Step within phase 2: 1 settle, 2 horizontal collection, 3 completion question, 7 settle, 8 off the carrier,
// 9 settle, 10 on the carrier.
extern int nCalStep;
// adCalibrationB when the calibration started (restored with adCalibrationBackup by Cancel).
extern double adCalibrationBBackup[8];

// Drift procedure: readings collected, readings required (held to at least 1 where used) and the result in the
// channel order C1 I1 C2 I2 C4 I4 C3 I3.
extern int nDriftCount, nDriftReadings;
extern double adDriftMean[8];

// WM_EM384_READING: one step of the running procedure, or a normal reading; returns 0.
LRESULT OnEm384Reading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// Rows of the channel array (dChannelValue): profile[4m] scale 1, profile[4m + 2] scale 2 (odd entries 0), and the
// bar rows of the Q (scale 1) and I (scale 2) windows.
void ScaleEm384Readings(int anProfile[16], int anBar1[4], int anBar2[4]);
// The same rows of any channel array.
void ScaleEm384Channels(const double adChannel[16], int anProfile[16], int anBar1[4], int anBar2[4]);
// Numbers panel: "C1: %8.2f" .. "C4: %8.2f", "I1: %8.2f" .. "I4: %8.2f"; with display mode 1 the inversion panel.
void DrawEm384Numbers(HDC hdc, char cDipole, double dC1, double dC2, double dC3, double dC4, double dI1, double dI2,
                      double dI3, double dI4);
// Drift panel: "C1: %8.2f" .. "C4: %8.2f" and, with bProgress, "Drift Control" and "%3d of %3d".
void DrawDriftControlPanel(HDC hdc, double d1, double d2, double d3, double d4, int bProgress);
// The seven boxes of the inversion panel on the logging screen (EM38-4 display mode 1: the place of the second
// profile window, which the arrangement leaves to it; laid out with the status panel, empty for other builds),
// and the panel itself: "T1: %-8.2f" 24.19 .. "Itr %-3d" 6, on the logging screen's own context or on hdc.
extern RECT InversionPanelRects[7];
void DrawInversionPanel();
void DrawInversionPanelOn(HDC hdc);
// Text k (0..6) of the inversion panel into szOut; its length, 0 when it does not fit.
int InversionPanelText(int k, wchar_t *szOut, int nOut);

// Logging-screen commands of the EM38-4: calibration start, "Delete Calibration", drift control.
void StartEm384Calibration();
void RemoveEm384Calibration();
void StartEm384DriftControl();
