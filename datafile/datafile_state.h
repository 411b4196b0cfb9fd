// Globals the data-file records are made of that belong to the readers, the GPS handling and the session.
//
// They live here until their own subsystems declare them; the owners named in each comment take them over by
// moving the declaration and the definition (datafile/datafile_state.cpp) into their own files.
#pragma once

#include <atomic>

#include "platform/platform.h"

// Instrument command exchange: the instrument's answer to the last command, 1 "OK", 0 "OV", -1 none yet.
extern int nInstrumentCmdReply;

// Instrument reader buffers: the last frame (at most 127 characters, zero-terminated) and the frame ticks
// (element 0 the last accepted frame; 1..6 the readings of an EM34-3 station).
extern char szInstrumentRecord[128];
extern std::atomic<DWORD> adwFrameTick[7];

// GPS reader: sentences counted while logging (the closing record of each written sentence carries it).
extern std::atomic<long> nGpsSentenceCount;

// GPS position handling: a valid position since logging started, the last latitude and longitude (degrees), and
// the first fix of the run (map units) with its UTM zone.
extern int bGpsPositionValid;
extern double dGpsLatitude, dGpsLongitude;
extern double dFirstFixX, dFirstFixY;
extern int nUtmZoneFirstFix;

// Logging session: tick of the last "$STARTED" (0: recording has not started; nothing is compared with it).
extern std::atomic<DWORD> dwRecordingStartTick;

// EM61 nulling: the offsets in force before the last nulling.
extern double adPrevOffset[4];

// EM38-MK2 and EM38-4 calibration: the sets before the last calibration and the carrier means.
extern double adCalibrationPrev[12];
extern double adCalibrationBPrev[8];
extern double adCarrierFreeMean[8];
extern double adCarrierMean[8];

// EM34-3 station: the padded instrument records of the readings of one station (rows 0..5 used).
extern char szStationRecords[8][128];
