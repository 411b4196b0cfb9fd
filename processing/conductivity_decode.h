// Record decoding of the conductivity meters: the 13-byte text record (EM31-MK2, EM38, EM34-3) and the 14-byte
// word record of the EM38-MK2, each with a live decoder (szInstrumentRecord into dChannelValue / bChannelValid)
// and a buffer decoder (a caller's record into the caller's arrays).
#pragma once

// Range index, range and scale factor of one decoded text record; range 0 when the index has no row.
struct EmRangeRow {
    short nRange;
    double dScale;
};

// Decodes szInstrumentRecord for the build's instrument (EM31-MK2, EM38, EM34-3; any other type only clears).
// value1 / value2: the two values; dipole 'V' or 'H'; range as shown ("Gain"); marker 'M' or 'N'; the mode index
// (EM31-MK2: 0 V, 1 H; EM38: the slot 0..3); battery 1 on an odd flags byte. Returns the EM34-3's slot (0..5),
// -1 when the record gives no valid channel; the EM31-MK2 and EM38 return their slot in the same way.
int DecodeEmRecord(double *pValue1, double *pValue2, char *pDipole, short *pRange, char *pMarker, int *pModeIndex,
                   int *pBattery);
// The same rules on a caller's record (at least 12 bytes) and arrays of 8 entries; no battery flag, so a battery
// record decodes as a reading.
int DecodeEmRecordBuffer(const char *pRecord, int abValid[8], double adValue[8], double *pValue1, double *pValue2,
                         char *pDipole, short *pRange, char *pMarker, int *pModeIndex);

// EM38-MK2: decodes szInstrumentRecord with the offsets of adCalibration into p, q, r, s (r and s only for the
// two-separation type), their raw words, the two temperature words (unconverted), dipole, marker and dipole code
// (0 V, 1 H); fills dChannelValue / bChannelValid.
void DecodeEm38Mk2Record(double *pP, double *pQ, double *pR, double *pS, int anRaw[4], double adTemp[2],
                         int anRawTemp[2], char *pDipole, char *pMarker, short *pDipoleCode);
// The same on a caller's record (14 bytes) with the six offsets given (p, r, q vertical, s vertical, q horizontal,
// s horizontal); always decodes all four values.
void DecodeEm38Mk2RecordBuffer(const char *pRecord, int abValid[8], double adValue[8], double *pP, double *pQ,
                               double *pR, double *pS, char *pDipole, char *pMarker, double dOffsetP, double dOffsetR,
                               double dOffsetQV, double dOffsetSV, double dOffsetQH, double dOffsetSH);

// The value of a 16-bit EM38-MK2 word: (W x 5 / 1024 - 160) x 8.
double Em38Mk2WordValue(unsigned nWord);
