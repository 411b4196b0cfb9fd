// EM61-MK2 frame decoding: gains, mode factors, current normalisation, zero offsets and screen rows.
#pragma once

#include <cstddef>

// Running mean of the transmitter current (shared with the EM61-LX2 averaging decoders).
#define REFERENCE_RING_MAX 98
extern double adCurrentRing[REFERENCE_RING_MAX];
extern int nReferenceRingLength;  // 98 (3 with the EM61-MK2 simulation switch); used within 1..98
extern int nReferenceRingPos;     // next slot
extern double dCurrentSum;        // running sum of the ring
extern double dCurrentMean;       // sum / length
extern double dCurrentNormFactor; // last normalisation factor (1.0 at start)
extern int bReferenceReady;
// EM61 procedure state: 1 normal, 0 normalisation, -1 nulling, -2 and -3 the EM61-LX2 filter calibration parts.
extern int nEm61ProcedureState;       // 1 once the normalisation phase has filled the ring

// Build switch recorded in the data-file header: 0 in every build.
extern int nEm61Mk2AltMode;
// Amperes per count of the transmitter current by current class 0, 1, 2.
extern const double adCurrentFactor[3];

// Truncates toward zero into nMin..nMax; a value outside the range (infinities included) gives the nearer bound,
// NaN gives nMin. Every double-to-int conversion of a reading (rows, bars, colour cells) goes through it.
int ClampToInt(double dValue, int nMin, int nMax);
// Limit of screen rows: far beyond any window, small enough for pixel arithmetic on the result.
#define SCREEN_ROW_LIMIT 1000000

// Gains 1, 10 or 100 of the four channels from the packed gain code (byte 1 of the frame).
void DecodeGainCode(int nGainCode, int anGain[4]);

// One frame's current into the ring (the oldest slot leaves it): sum, position and mean move on.
void PushCurrentRing(double dCurrent);
// The mean current written back into bytes 10..12 of a frame: whole part (big-endian) and hundredths.
void WriteMeanCurrent(char *pFrame);

// Live frame in pFrame (writable, at least 17 bytes). Gives the four channel values, this frame's current, the
// battery byte, the gain code, the mode letter and the current class (0, 1, 2); moves the ring by one slot and
// rewrites bytes 10..16 for the reading record (mean current, raw current and battery byte, terminator).
// Returns 16, the length of the rewritten frame.
int DecodeInstrumentFrame(char *pFrame, double adChannel[4], double *pdCurrent, int *pnBattery, short *pnGainCode,
                          int *pnModeLetter, int *pnCurrentClass);
// Stored record (bytes 0..12): the same scaling with the record's own mean current and the given offsets.
// Touches neither the ring nor the record.
void DecodeInstrumentFrameWithOffsets(const char *pRecord, double adChannel[4], const double adOffsetIn[4],
                                      int *pnModeLetter);
// Normalisation phase: puts the current word of szInstrumentRecord into the ring. Returns the fill progress in
// percent; 100 (ring full, sum computed, bReferenceReady 1) on the frame that fills it.
int AccumulateReferenceAverage();

// "Compressed" scale (nScaleType 1): signed square root of each value; "Linear": a copy.
void ApplySignedSqrtScale(const double adIn[4], double adOut[4]);
// Rows of four values on reading scale 1: profile window and decay window.
void ChannelValuesToScreen(const double adValue[4], int anProfileY[4], int anDecayY[4]);

// Status texts: battery byte as "%4.1f V", current as "%4.1f A" (amperes by the current class), and the mode
// character ('4' for T, E, M, P; 'D' otherwise).
void FormatBatteryText(int nBatteryByte, wchar_t *szText, size_t nSize);
void FormatCurrentText(double dCurrent, int nCurrentClass, wchar_t *szText, size_t nSize);
wchar_t Em61Mk2ModeCharacter(int nModeLetter);
