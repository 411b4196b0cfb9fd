// EM61-LX2 frame and record decoding: range byte, current normalisation and zero offsets, one coil or two.
#pragma once

// 1 switches the current normalisation off (factor 1); 0 at start.
extern int bNoCurrentNorm;

// Stored records (profile redraw, map rebuild): the record's own averaged current (bytes 10..12) and the given
// offsets. Values in millivolts; the mode letter is byte 0. The record is not touched.
void DecodeReading2Ch(const char *pRecord, double dOffset1, double dOffset2, double *pdCh1, double *pdCh2,
                      int *pnModeLetter);
void DecodeReading4Ch(const char *pRecord, double dOffset1, double dOffset2, double dOffset3, double dOffset4,
                      double *pdCh1, double *pdCh2, double *pdCh3, double *pdCh4, int *pnModeLetter);

// Live frames (pFrame writable, at least 14 bytes): this frame's current moves the current ring by one slot, the
// channels are normalised by the ring's mean and corrected by adOffset; bytes 10..13 are rewritten with the mean
// current (whole part, hundredths, 0) for the reading record. Out: the raw current word, the battery byte, the
// range byte and the mode letter. Return 1.
int DecodeReading2ChAveraged(char *pFrame, double *pdCh1, double *pdCh2, int *pnCurrent, int *pnBattery,
                             int *pnRange, int *pnModeLetter);
int DecodeReading4ChAveraged(char *pFrame, double *pdCh1, double *pdCh2, double *pdCh3, double *pdCh4,
                             int *pnCurrent, int *pnBattery, int *pnRange, int *pnModeLetter);
