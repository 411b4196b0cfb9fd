// Reading handlers of the conductivity meters (EM31-MK2, EM38, EM34-3, EM38-MK2), the EM34-3 station
// confirmation and the EM38-MK2 calibration procedure.
#pragma once

#include "platform/platform.h"

// EM34-3 station table: records, valid channel slots and values, dialog rows of readings 1..6.
extern int abStationValid[6];
extern double adStationValues[6];
extern char szStationRowBuild[128];
extern wchar_t wszStationRows[6][128];
// Separations read at the current station (the station-mode map draws one mark per separation).
extern int bEm34Sep10Shown, bEm34Sep20Shown, bEm34Sep40Shown;
// Manual sample series of the EM34-3: the count, the sums and the means of the record fields and values. The
// series runs with bSeriesCollecting 1; the survey-mode setting never changes for it.
extern int nSeriesSampleCount, bSeriesCollecting;
extern double dSeriesRawSum1, dSeriesRawSum2, dSeriesValueSum1, dSeriesValueSum2, dSeriesRawMean1, dSeriesRawMean2;
// One more sample of a manual series (EM34-3, EM38-4): counts it, shows "Sample %-3d of %-3d" on the hint line and
// returns true when it completes the series of nReadingsPerStation samples; the count then starts again and the
// hint line asks for the switch.
bool CountSeriesSample();
// Drops a series left unfinished by a pause or a stop, so that recording that starts again takes nothing until the
// switch is pressed and no mean mixes samples from before with samples after.
void DropSampleSeries();

// EM38-MK2 calibration: state 0 normal, -1 running; phase 1 vertical sampling, 2 the steps after it; the step of
// phase 2 (0 wait for horizontal, 1 settle, 2 horizontal sampling, 3 completed, 4..6 failed); the step's start
// tick; the readings summed in the step and the sums; the offsets saved at the start.
extern int nCalProcedureState, nCalPhase, nEm38Mk2CalStep, nCalSampleCount;
extern DWORD dwCalibStepTick;
extern double adCalSum[16];
extern double adCalibrationBackup[12];

// Message handlers of the logging screen (each returns 0).
LRESULT HandleEm31Mk2Reading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HandleEm38Reading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HandleEm34Reading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT HandleEm38Mk2Reading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// CONFIRMSTATION: 1 accept, 0 cancel.
INT_PTR ConfirmStationDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);

// EM38-MK2 calibration commands of the logging screen: start after the operator's Yes (1 started), and the removal
// of the calibration after the operator's Yes (1 removed).
int StartEm38Mk2Calibration();
int RemoveEm38Mk2Calibration();

// The station's reading box of the status panel: "Rdg: n of m" in bold (bShow 1), or cleared (bShow 0).
void ShowEm34ReadingOfStation(int bShow, int nReading);

// The five characters of a series mean written into a record field: "%+05d" from -9999 to 9999, "%05d" above,
// "-9999" / "99999" beyond the field. szField gets 5 characters and a zero.
void FormatSeriesField(double dMean, char szField[6]);
