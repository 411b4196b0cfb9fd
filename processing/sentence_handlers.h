// CS-21 and Grad601 reading handlers: sentence values, reading records, colour cells and the live displays.
#pragma once

#include "platform/platform.h"

// WM_DUALEM_READING: the "$PDLM" sentence in szInstrumentRecord; returns 0.
LRESULT OnDualEmReading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Logging starts or resumes: the profiles wait for a recorded sentence '1' before the next '2' takes a step.
void ForgetDualEmFirstHalf();
// WM_GRAD601_READING: the "$PBAR" sentence in szInstrumentRecord; returns 0.
LRESULT OnGradReading(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// The four values of a CS-21 sentence (fields 3 to 6; a missing or empty field leaves its value as it was).
void DualEmSentenceValues(const char *szSentence, double adValue[4]);
// The two sensor readings of a Grad601 sentence (field 2, and field 3 with two sensors; a missing or empty field
// leaves its value as it was).
void GradSentenceValues(const char *szSentence, double adValue[2]);

// CS-21 rows: kind '1' fills profile entries 0..3, Q bars 0, 1 and I bars 0, 1; kind '2' entries 4..7 and bars
// 2, 3; F1 and F3 on scale 1, F2 and F4 on scale 2. Other kinds change nothing.
void ScaleDualEmReadings(char cKind, double dF1, double dF2, double dF3, double dF4, int anProfile[8],
                         int anBarQ[4], int anBarI[4]);
// Grad601 rows on scale 1: profile and bar row of each sensor (sensor 2 only with two sensors).
void ReadingsToPixelsGrad(double dSensor1, double dSensor2, int *pnProfile1, int *pnBar1, int *pnProfile2,
                          int *pnBar2);
// Colour cell of a one- or two-sensor reading: the index of value 1, or 64 x index of value 2 + index of value 1.
int SensorPairCell(double dValue1, double dValue2, int bTwoSensors);

// The Q bar rows into the Q bar window and the I bar rows into the I bar window.
void UpdateQAndIBars(const int *anBarQ, const int *anBarI);

// CS-21 numbers: kind '1' rows 1 to 4, kind '2' rows 5 to 8, "%8.2f"; display mode 1 adds the inversion panel.
void DrawDualEmNumbers(HDC hdc, char cKind, double dF1, double dF2, double dF3, double dF4);

// The reading record of a sentence: "T", its first nPrefix characters, then the sentence from character nFrom,
// cut where the tick begins; blanks, the tick, the line feed. Returns the write's result.
int WriteSentenceRecord(const char *szSentence, int nPrefix, int nFrom, DWORD dwTick);
