// Globals the data-file records are made of that belong to the readers, the GPS handling and the session.
#include "datafile/datafile_state.h"

int nInstrumentCmdReply = -1;

char szInstrumentRecord[128];
std::atomic<DWORD> adwFrameTick[7];

std::atomic<long> nGpsSentenceCount{0};

int bGpsPositionValid = 0;
double dGpsLatitude = 0.0, dGpsLongitude = 0.0;
double dFirstFixX = 0.0, dFirstFixY = 0.0;
int nUtmZoneFirstFix = 0;

std::atomic<DWORD> dwRecordingStartTick{0};

double adPrevOffset[4];

double adCalibrationPrev[12];
double adCalibrationBPrev[8];
double adCarrierFreeMean[8];
double adCarrierMean[8];

char szStationRecords[8][128];
