// Reading scales: per-type default ranges, pixels per unit, channel pen slots and the row of a value.
#pragma once

extern double dScale1PixPerUnit, dScale1PixPerUnitB;  // scale 1 on the curve height and on the bar height
extern double dScale2PixPerUnit, dScale2PixPerUnitB;  // scale 2 likewise
extern int nDisplayedChannels;                        // channels drawn in the bar and curve displays
extern int anBarQPenSlot[6];                          // channel pen slot of each Q bar (scale 1)
extern int anBarIPenSlot[4];                          // channel pen slot of each I bar (scale 2)
extern int nEm34Channel;                              // EM34-3: the channel shown by the Q bar

// Decoded channel values of the current reading, cleared before each decode and filled by the instrument's decoder
// (reading handlers); read here and by the displays, the map colour cells and the record writers.
extern double dChannelValue[16];
extern int bChannelValid[16];

// Per-type default scales, channel count, pen slots and record length; derives pixels per unit and grid lists.
void SetupReadingScales();
// Rows of the current reading (dChannelValue, bChannelValid) for the curve and the two bar windows of the
// conductivity meters (EM31-MK2, EM38, EM34-3, EM38-MK2); other types write nothing.
void ChannelValuesToScreenY(int yCurve[8], int yBarQ[4], int yBarI[4]);
// The curve rows alone, of the given channel values (the profile redraw's decoded readings).
void CurveRowsOf(const double adValue[8], int yCurve[8]);
// Grad601 swath bar width and edges from nSwathIndex, dSensorSeparation, nSensorsMinus1, dGpsOffsetX, nMapUnits.
void UpdateSensorGeometryGrad();
// Pixels per unit of a range on a height; 0 when the range is empty or reversed.
double ScalePixelsPerUnit(int nHeight, double dMin, double dMax);
