// EM61-LX2 reading handlers: normalisation, nulling, the two-part filter calibration and normal readings.
#pragma once

#include "platform/platform.h"

// Readings of the second part of the filter calibration (coils on the ground).
extern int nFilterReadings;  // 200
// Filter sums of channels 1..4 during the second part, then their means.
extern double dFilterSum1, dFilterSum2, dFilterSum3, dFilterSum4;
// Outcome of each coil's calibration in the reading that ends it: 1 accepted, 0 refused (left, right).
extern int bFilterLeftOk, bFilterRightOk;

// Filter ratios in use when the filter calibration started (Cancel brings them back).
extern double dFilterRatioLeftPrev, dFilterRatioRightPrev;

// Lowest and highest filter factor a calibration may give.
constexpr double dFilterFactorMin = 125.0;
constexpr double dFilterFactorMax = 1000.0;
// 1 when a calibrated factor may be used: within 125..1000 (a factor that is no number is not).
int FilterFactorAcceptable(double dFactor);

// WM_EM61LX2_READING (one coil) and WM_EM61LX2_DUAL_READING (two coils): one step of the procedure in force on the
// frame waiting in szInstrumentRecord; the logging screen owns the procedure boxes. Return 0.
LRESULT HandleEm61Lx2Reading(HWND hwnd);
LRESULT HandleEm61Lx2DualReading(HWND hwnd);
// Their rows of the logging screen's message table.
LRESULT OnEm61Lx2ReadingMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnEm61Lx2DualReadingMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
