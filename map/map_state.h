// Map geometry, extents, tile ranges and position counters shared with the data files, and the tile arithmetic.
#pragma once

#include "acquisition/acquisition.h"

// Origin of the map (map units) and its scale; tile bitmap size in pixels.
extern double dMapOriginX, dMapOriginY;
extern double dMapPixelsPerUnit;       // nTileWidth / nMapSize
extern int nTileWidth, nTileHeight;    // map window size - 2
extern int nTileMaxX, nTileMaxY;       // nTileWidth - 1, nTileHeight - 1

// Bounding box of everything plotted (map units).
extern double dExtentMinX, dExtentMaxX, dExtentMinY, dExtentMaxY;

// Used tile range and usable tile range (3 .. 1996).
extern int nTileColMin, nTileColMax, nTileRowMin, nTileRowMax;
extern int nTileIndexMin, nTileIndexMax;

// Position limit of one survey. The positions plotted so far, nGpsPositionCount, are counted with the GPS reader
// (acquisition/acquisition.h).
extern int nMaxGpsPositions;

// 0 normal, 1 the position left the usable tile range, 2 set by the next pause.
extern int nMapEdgeState;
// UTM zone in force for the map.
extern int nUtmZone;

// Tile (index 1000 holds the origin; x grows right, y grows up) and in-tile pixel of a map pixel.
void MapPixelToTile(int px, int py, int *pnCol, int *pnRow, int *pnOffX, int *pnOffY);
// Advances the busy indicator of the map window during long scans.
void StepBusyIndicator();
// Paces the busy indicator of a scan of the data file: PaceBusyIndicator is called once per record and asks the
// clock every BUSY_PACE_RECORDS records; the dot moves when more than 750 ms passed since it last moved.
enum { BUSY_PACE_RECORDS = 4096 };
struct BusyPacer {
    DWORD dwLastStep;
    unsigned nRecords;
};
void BeginBusyPacer(BusyPacer *pPacer);
void StepBusyIndicatorWhenDue(BusyPacer *pPacer);
inline void PaceBusyIndicator(BusyPacer *pPacer)
{
    if (++pPacer->nRecords % BUSY_PACE_RECORDS == 0) StepBusyIndicatorWhenDue(pPacer);
}

// Colour cells collected by the reading handlers between two positions: two rows of 500 cells; the handlers append
// at row nSwathRow, column nSwathCellCount while bSwathSampling is 1. The position handler hands a closed row to
// the map through nSwathPlotRow, nSwathPlotLastCell and bSwathHasCells.
enum { SWATH_CELLS_PER_ROW = 500 };
extern int rgColorGrid[2][SWATH_CELLS_PER_ROW];
extern int nSwathRow, nSwathCellCount, bSwathSampling, nSwathState;
extern int nSwathPlotRow, nSwathPlotLastCell, bSwathHasCells;

// 1 while the operator reviews the map (positions are then not drawn).
extern int bMapReviewMode;

// Draws one GPS position on the map (northing, easting in map units; distance from the previous position, 0 for a
// position that must not be drawn), plots the handed-over swath and writes the map-point records (map/map.h has
// the rest of the map). UpdateMapDisplayMode2 is the station-mode twin.
void UpdateMapDisplay(HWND hwndMapWindow, int nRecState, double dNorthing, double dEasting, double dDistance);
void UpdateMapDisplayMode2(HWND hwndMapWindow, int nRecState, double dNorthing, double dEasting, double dDistance);
