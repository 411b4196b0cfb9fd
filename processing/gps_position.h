// GPS position handling: position and satellite sentences to positions, fix quality, satellites, DOP and speed.
#pragma once

#include "platform/platform.h"

// Fix state kept between sentences. The first fix of a run and its zone (bGpsPositionValid, dGpsLatitude,
// dGpsLongitude, dFirstFixX, dFirstFixY, nUtmZoneFirstFix) are in datafile/datafile_state.h; the zone in force,
// the map origin and the extents in map/map_state.h.
extern int nGpsSatellites;    // last satellite count (20 until a sentence sets it, so that the mask passes)
extern int nGpsQuality;       // last fix quality (10 likewise)
extern double dGpsDop;        // last DOP (-2.0: none)
extern double dGpsSpeed;      // last speed, map units per second (kept while a speed cannot be worked out)
extern int bGpsFixValid;      // the last position sentence gave a usable position
extern double dGpsPrevX, dGpsPrevY;  // previous accepted position, map units (easting, northing)
extern double dGpsPrevTime;   // its time of day in seconds; -1 when unknown
extern char chGpsBlink;       // '/' or '\\' (initial '\\'), flipped at every position sentence

// Value boxes of the status panel that the position handlers write into (logging-screen coordinates). The
// logging-screen layout sets them; an empty box draws nothing.
enum {
    GPS_BOX_SATELLITES,
    GPS_BOX_QUALITY,
    GPS_BOX_DOP,
    GPS_BOX_LATITUDE,   // latitude, or northing
    GPS_BOX_LONGITUDE,  // longitude, or easting
    GPS_BOX_ZONE,
    GPS_BOX_POSITIONS,
    GPS_BOX_SPEED,
    GPS_BOX_EXTRA1,  // pseudo-GGA extras
    GPS_BOX_EXTRA2,
    GPS_BOX_EXTRA3,
    GPS_BOX_LAMP1,
    GPS_BOX_LAMP2,
    GPS_BOX_COUNT
};
extern RECT arcGpsBox[GPS_BOX_COUNT];

// Background of a box text.
enum { GPS_BOX_BG_FACE = 0, GPS_BOX_BG_RED = 1 };

// What one position sentence gives: the position and the texts of the boxes it sets.
struct GpsPositionFix {
    int bValid;        // usable as a position
    int bGeodetic;     // latitude and longitude (converted to UTM); 0 for grid northing and easting
    double dLatitude;  // degrees, north positive (geodetic sentences)
    double dLongitude; // degrees, east positive
    double dNorthing;  // metres (UTM, or the grid value)
    double dEasting;
    double dX, dY;     // map units: easting, northing
    int nZone;         // UTM zone used (0 for grid sentences)
    double dTimeOfDay; // seconds since UTC midnight; -1 when the time field is unusable
    // Set by AdvanceGpsTrack.
    int bFirstFix;
    double dDistance;   // from the previous position, map units (0 at the first fix)
    int bSpeedKnown;    // a speed was worked out from this position
    double dSpeedShown; // in the speed units
    int nSpeedBarEmptyWidth; // empty part of the speed bar, pixels
    // Box texts: abBoxSet[box] 1 when the sentence writes the box.
    int abBoxSet[GPS_BOX_COUNT];
    int abBoxBold[GPS_BOX_COUNT];
    int anBoxBackground[GPS_BOX_COUNT];
    wchar_t aszBox[GPS_BOX_COUNT][48];
};

// Puts the fix state back to its state before the first sentence of a run (satellites 20, quality 10, DOP -2,
// no previous position or speed, no valid position yet, lamp phase '\\').
void ResetGpsFixState();

// Time field of the position sentence for the GPS format: nGpsTimeField, but field 5 for "POS" and field 3 for
// "GGK", whose sentences begin with a two-word address.
int GpsPositionTimeField();
// hhmmss[.sss] to seconds since midnight; -1 when the text is no such time.
double GpsTimeOfDay(const char *szField);

// Interprets a position sentence by the item list of the GPS format: satellites, quality, DOP, hemispheres,
// coordinates, the grid values, the extras; decides the validity; converts a valid geodetic position to UTM in
// the zone of the run (chosen at the run's first valid fix) and to map units; reads the time. Sets nGpsSatellites,
// nGpsQuality, dGpsDop, bGpsFixValid and, at the run's first valid fix, nUtmZone, nUtmZoneFirstFix, dGpsLatitude
// and dGpsLongitude. Draws nothing. Returns bValid.
int InterpretGpsSentence(const char *szSentence, GpsPositionFix *pFix);
// The GPS mask: 1 when it applies (enabled, format not 5, 7 or 8) and the last satellites, DOP or quality fail it.
int GpsMaskFails();
// For a valid position: the first of the run sets the map origin, the first fix, the extents and the previous
// position (distance 0); a later one gives the distance and, from the time difference, the speed (a day is added
// across UTC midnight; no positive time difference leaves the speed unknown and dGpsSpeed as it was). The
// previous position and time become this one. Sets bGpsPositionValid.
void AdvanceGpsTrack(GpsPositionFix *pFix);
// Speed text of a speed in map units per second by nSpeedUnits and nMapUnits; returns the speed shown.
double FormatGpsSpeed(double dSpeed, wchar_t *szText, size_t nSize);

// Satellite ("GSA") sentence: the PDOP of field 16 into dGpsDop and szText ("%-4.1f"); "N/A" and dGpsDop
// unchanged when the field is empty or missing. Returns 1 when the DOP was taken.
int InterpretGpsDopSentence(const char *szSentence, wchar_t *szText, size_t nSize);

// Handlers of WM_GPS_POSITION and WM_GPS_DOP on the logging screen; both return 0.
LRESULT OnGpsPositionMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT OnGpsDopMsg(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
