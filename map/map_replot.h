// The frame every map rebuild from the data file shares, and what an instrument's member adds to it.
#pragma once

#include "datafile/datafile.h"

// What a rebuild member adds to the frame. A member fills one at each call (its settings may change between
// rebuilds) and hands it to ReplotFromDataFile.
struct ReplotMember {
    // Offsets and similar records read in the header and between readings; 1 when the record was one of them
    // (szRecord then holds the last record read), -1 at the end of the file. May be null.
    int (*pfnExtraRecords)(DataFileScan *pScan, char *szRecord);
    // Colour cell of a reading record; 0 when the record holds no reading of this instrument.
    int (*pfnReadingCell)(const char *szRecord, int *pnCell);
    // Reading record kinds of the instrument.
    const char *szReadingKinds;
    // 1: each cell holds two sensors' six-bit colour indices (second x 64 + first), each painted over its half of
    // the swath; 0: one colour index per cell.
    int bTwoSensors;
    // Reading scale (1 or 2) whose range gives the colour class width.
    int nColorStepScale;
    // Station mode: every set of four map-point records (sets 0..2: 'a'..'d', 'e'..'h', 'i'..'l') is drawn by
    // this routine on the track, and nothing is drawn with a colour view. Null for the swath members.
    void (*pfnPlotSet)(HDC hdc, int nSet, const int anEdge[4]);
};

// Rewinds the open data file, skips its header up to the logging start (keeping the member's extra records on the
// way), then rebuilds the survey layer: the track when nColorMapView is 0, else the colour swath from the member's
// cells. Leaves the file positioned at its end; does nothing when no data file is open.
void ReplotFromDataFile(const ReplotMember &member);
