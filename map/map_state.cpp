// Map geometry, extents, tile ranges and position counters, and the map-pixel-to-tile arithmetic.
#include "map/map_state.h"

double dMapOriginX = 0.0, dMapOriginY = 0.0;
double dMapPixelsPerUnit = 398.0 / 40.0;
int nTileWidth = 398, nTileHeight = 398;
int nTileMaxX = 397, nTileMaxY = 397;

double dExtentMinX = 0.0, dExtentMaxX = 0.0, dExtentMinY = 0.0, dExtentMaxY = 0.0;

int nTileColMin = 0, nTileColMax = 1999, nTileRowMin = 0, nTileRowMax = 1999;
int nTileIndexMin = 3, nTileIndexMax = 1996;

int nMaxGpsPositions = 28800;

int nMapEdgeState = 0;
int nUtmZone = 0;

// Floor division for any signs (b > 0).
static int FloorDiv(int a, int b)
{
    int q = a / b;
    if ((a % b) != 0 && a < 0) q -= 1;
    return q;
}

void MapPixelToTile(int px, int py, int *pnCol, int *pnRow, int *pnOffX, int *pnOffY)
{
    int w = nTileWidth > 0 ? nTileWidth : 1;
    int h = nTileHeight > 0 ? nTileHeight : 1;
    int col = 1001 + FloorDiv(px - 1, w);
    int row = 1000 + FloorDiv(py, h);
    *pnCol = col;
    *pnRow = row;
    *pnOffX = (px - 1) - (col - 1001) * w;
    *pnOffY = (h - 1) - (py - (row - 1000) * h);
}

int rgColorGrid[2][SWATH_CELLS_PER_ROW];
int nSwathRow = 0, nSwathCellCount = 0, bSwathSampling = 0, nSwathState = 0;
int nSwathPlotRow = 0, nSwathPlotLastCell = -1, bSwathHasCells = 0;
int bMapReviewMode = 0;

int nMapSizeSaved = 0;
double dSavedMapPixelsPerUnit = 0.0;
