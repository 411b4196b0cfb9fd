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
    // The points of a line, a swath or a rebuild come in runs inside one tile: the tile of the last call is tried
    // before the two divisions.
    struct LastTile {
        int w = 0, h = 0, col = 0, row = 0;
        long long x0 = 0, y0 = 0;  // map pixels (px - 1, py) of the tile's first column and row
    };
    static LastTile last;  // the screen thread's (every map drawing is done there)
    const long long x = (long long)px - 1, y = py;
    if (w != last.w || h != last.h || x < last.x0 || x >= last.x0 + w || y < last.y0 || y >= last.y0 + h) {
        last.w = w;
        last.h = h;
        last.col = 1001 + FloorDiv(px - 1, w);
        last.row = 1000 + FloorDiv(py, h);
        last.x0 = (long long)(last.col - 1001) * w;
        last.y0 = (long long)(last.row - 1000) * h;
    }
    *pnCol = last.col;
    *pnRow = last.row;
    *pnOffX = (int)(x - last.x0);
    *pnOffY = (h - 1) - (int)(y - last.y0);
}

int rgColorGrid[2][SWATH_CELLS_PER_ROW];
int nSwathRow = 0, nSwathCellCount = 0, bSwathSampling = 0, nSwathState = 0;
int nSwathPlotRow = 0, nSwathPlotLastCell = -1, bSwathHasCells = 0;
int bMapReviewMode = 0;

int nMapSizeSaved = 0;
double dSavedMapPixelsPerUnit = 0.0;
