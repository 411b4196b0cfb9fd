// EM38-4 packet and reading-record decoding, the record's inverse encoding and its data-file lines.
#pragma once

#include "platform/platform.h"

// Bytes of a packet as the reader hands it over, and of the packet part of a reading record.
constexpr int EM384_PACKET_BYTES = 26;
constexpr int EM384_RECORD_BYTES = 35;

// The coefficients a decoding uses: adCalibration (twelve) and adCalibrationB (eight), same layouts.
struct Em384Coefficients {
    double adCal[12];
    double adCalB[8];
};
// The coefficients in force (adCalibration, adCalibrationB).
Em384Coefficients Em384CoefficientsInForce();
// The coefficient a coefficient record's id ('1' to '9', 'A' to 'K') stands for; nullptr for any other id.
double *Em384CoefficientOf(Em384Coefficients *k, char cId);

// One decoded packet or record. Coil pairs are numbered by their place in the packet: adC[0] is C1, adI[3] is I4.
struct Em384Values {
    double adC[4];
    double adI[4];
    double adTemp[2];
    double adHeight[2];
    char cDipole;  // always 'V'
    char cMode;    // 'N' (status byte 2 or 6) or 'M'
    // Inversion block of a stored record (0 unless nEm384DisplayMode is 1 or more).
    double adInversion[4];
    int nIterations;
};

// Channel array layout: 0 C1, 2 I1, 4 C2, 6 I2, 8 C4, 10 I4, 12 C3, 14 I3; odd channels 0 and not valid.
void Em384ToChannels(const Em384Values &v, int abValid[16], double adValue[16]);

// The packet in szInstrumentRecord with the coefficients in force; fills dChannelValue / bChannelValid.
// Returns 8.
int DecodeEm384Packet(Em384Values *pv);
// A stored record (its first 35 bytes) with the coefficients in force, into the caller's channel arrays.
void DecodeEm384Record(const char *pRecord, Em384Values *pv, int abValid[16], double adValue[16]);
// The same with the given coefficients (the map rebuild keeps its own copy).
void DecodeEm384RecordWith(const char *pRecord, const Em384Coefficients &k, Em384Values *pv, int abValid[16],
                           double adValue[16]);
// The values of 26 packet bytes with the given coefficients (no inversion block).
void DecodeEm384Words(const unsigned char *p, const Em384Coefficients &k, Em384Values *pv);

// The 35 record bytes from values with the coefficients in force, so that the decoders read the values back
// within one word step; bytes 0 and 1 are given; bInversionEmpty writes the empty inversion block (31000, blanks,
// 0), else bytes 26 to 34 are zero. Words are held to 0..65535.
void EncodeEm384Record(const Em384Values &v, char cByte0, char cByte1, int bInversionEmpty,
                       char achRecord[EM384_RECORD_BYTES]);

// One reading record: the 35 bytes, a blank, the tick "%10lu", the line feed. Returns the write's result.
int WriteEm384DataRecord(const char *pRecordBytes, DWORD dwTick);
// The four drift result lines "V1 " .. "V4 " with the pairs of adDriftMean; returns 1 when all were written.
int WriteSensorOffsetLines();
