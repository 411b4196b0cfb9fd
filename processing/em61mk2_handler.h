// EM61-MK2 reading handler: normalisation phase, nulling, reading records, colour cells and the live displays.
#pragma once

#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// Nulling data
// ---------------------------------------------------------------------------------------------------------------
// adOffset (core/settings.h) holds the offsets in force, adPrevOffset (datafile/datafile_state.h) those before the
// nulling in progress.
extern double adSavedOffset[4];   // offsets before the first step of the EM61-LX2 filter calibration
extern double adNullSum[4];       // sums of AccumulateNullReadings
extern double adNullSumB[4];      // sums of AccumulateReferenceReadings
extern int nProcedureCount;       // readings counted in the procedure step; 0 = not started
extern int nNullingReadingsMk2;   // 50: readings averaged by an EM61-MK2 nulling
extern int nNullingReadings;      // 100: readings averaged by AccumulateReferenceReadings

// Elapsed recording time of the session as the handlers show it.
extern DWORD dwElapsedTotalMs;
extern int anTotalElapsedHms[3];  // hours, minutes, seconds

// Set by the logging session (logscreen/session.cpp, which holds the other session counters and the status boxes
// of logscreen/logscreen.h): 1 once a reading of the line advanced the station.
extern int bStationStarted;

// ---------------------------------------------------------------------------------------------------------------
// Handler and nulling accumulators
// ---------------------------------------------------------------------------------------------------------------
// WM_EM61MK2_READING: one step of the active procedure on the frame in szInstrumentRecord; returns 0.
LRESULT OnInstrumentReadingMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// EM61-MK2 nulling: the first call starts it (offsets to 0), the next nNullingReadingsMk2 are averaged into
// adOffset; then the state returns to 1, offset records are written in stand-by and the buttons are enabled.
void AccumulateNullReadings(double dCh1, double dCh2, double dCh3, double dCh4);
// Its EM61-LX2 twin over nNullingReadings (nulling, and the first step of the filter calibration in state -2).
int AccumulateReferenceReadings(double dCh1, double dCh2, double dCh3, double dCh4);

// Elapsed recording time at tick dwNow into dwElapsedTotalMs and anTotalElapsedHms.
void UpdateElapsedTime(DWORD dwNow);

// ---------------------------------------------------------------------------------------------------------------
// Status panel steps every reading handler shares
// ---------------------------------------------------------------------------------------------------------------
// Clears a status box with the button face and writes the text clipped to it; an empty box draws nothing.
void WriteStatusBox(HDC hdc, const RECT &rc, HFONT hFont, const wchar_t *szText);
// A recorded reading: the station "%-11.2f" (bold), the total readings "%-7d" and the elapsed time "%02d:%02d:%02d".
void ShowRecordingStatus(HDC hdc);
