// Reading-rate factors: instrument frames per logged reading.
#pragma once

extern double dFramePeriodMs;   // milliseconds per instrument frame
extern int nFramesPerReading;   // at least 1
extern int nReadingRateHz;      // EM38-4 and CS-21 whole readings per second
extern double dReadingRateHz;   // EM38-4 and CS-21 readings per second as shown

// Recomputes the factors from nInstrumentType, dSampleInterval and nRateChoice.
void SetReadingRateFactors();
