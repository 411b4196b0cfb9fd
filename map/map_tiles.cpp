// Tile store and map geometry: map units to map pixels to tiles, the sparse store of tile bitmaps, the guide grid,
// the copy of the visible tiles into the map window and the view set-up at logging start.
#include <cmath>
#include <unordered_map>

#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"

int nMapWndHeight = 400;

int nViewTileCol = 1000, nViewTileRow = 1000, nViewTileOffsetX = 200, nViewTileOffsetY = 200;
int nViewLeft = 0, nViewRight = 399, nViewTop = 0, nViewBottom = 399;
int nCursorWndX = 200, nCursorWndY = 200;
int nLastPosPixelX = 0, nLastPosPixelY = 0;
int bMapViewPlaced = 0;
int bRecentreMap = 0;

int nGridKind = 0;
double dGridSlope = 0.0, dGridSpacingPixels = 0.0;

namespace {

// Both layers of one tile: the base layer (grid, background files) and the survey layer.
struct MapTile {
    HBITMAP hGrid;
    HBITMAP hBlank;
};

// Only tiles that something was drawn into hold bitmaps; the key is column x 2000 + row.
std::unordered_map<int, MapTile> mapTiles;

// Grid pictures of tiles that hold no bitmaps, kept for the view copy (made again when the grid changes).
enum { GRID_CACHE_SIZE = 4 };
struct GridCacheEntry {
    int col, row;
    HBITMAP hBitmap;
    int nWidth, nHeight;
};
GridCacheEntry aGridCache[GRID_CACHE_SIZE] = {};
int nGridCacheNext = 0;

const int TILE_TABLE_SIZE = 2000;

int TileKey(int col, int row) { return col * TILE_TABLE_SIZE + row; }

bool TileInTable(int col, int row)
{
    return col >= 0 && col < TILE_TABLE_SIZE && row >= 0 && row < TILE_TABLE_SIZE;
}

void WidenUsedRange(int col, int row)
{
    if (col < nTileColMin) nTileColMin = col;
    if (col > nTileColMax) nTileColMax = col;
    if (row < nTileRowMin) nTileRowMin = row;
    if (row > nTileRowMax) nTileRowMax = row;
}

void ForgetGridCache()
{
    for (GridCacheEntry &entry : aGridCache) {
        if (entry.hBitmap) DeleteObject(entry.hBitmap);
        entry = GridCacheEntry{};
    }
    nGridCacheNext = 0;
}

// The grid picture of a tile without bitmaps, selected into hdcMem.
void SelectGridPicture(HDC hdcMem, int col, int row)
{
    for (GridCacheEntry &entry : aGridCache) {
        if (entry.hBitmap && entry.col == col && entry.row == row && entry.nWidth == nTileWidth &&
            entry.nHeight == nTileHeight) {
            SelectObject(hdcMem, entry.hBitmap);
            return;
        }
    }
    GridCacheEntry &entry = aGridCache[nGridCacheNext];
    nGridCacheNext = (nGridCacheNext + 1) % GRID_CACHE_SIZE;
    if (entry.hBitmap) DeleteObject(entry.hBitmap);
    entry.hBitmap = CreateCompatibleBitmap(hdcMem, nTileWidth, nTileHeight);
    entry.col = col;
    entry.row = row;
    entry.nWidth = nTileWidth;
    entry.nHeight = nTileHeight;
    if (!entry.hBitmap) return;
    SelectObject(hdcMem, entry.hBitmap);
    DrawTileGrid(hdcMem, col, row);
}

}  // namespace

int MapTileCount() { return (int)mapTiles.size(); }

int MapTileExists(int col, int row)
{
    if (!TileInTable(col, row)) return 0;
    auto it = mapTiles.find(TileKey(col, row));
    return it != mapTiles.end() && it->second.hBlank ? 1 : 0;
}

size_t MapTileLayerBytes() { return (size_t)(nTileWidth > 0 ? nTileWidth : 1) * (nTileHeight > 0 ? nTileHeight : 1) * 4; }

// Add one half, then truncate toward zero; a position absurdly far from the origin is held far outside the tile
// table instead of overflowing.
static int MapUnitsToPixel(double d, double dOrigin)
{
    double v = (d - dOrigin) * dMapPixelsPerUnit + 0.5;
    if (!(v > -1e9)) return -1000000000;
    if (v > 1e9) return 1000000000;
    return (int)v;
}

void WorldToMapPixels(int *px1, int *py1, int *px2, int *py2, double x1, double y1, double x2, double y2)
{
    *px1 = MapUnitsToPixel(x1, dMapOriginX);
    *py1 = MapUnitsToPixel(y1, dMapOriginY);
    *px2 = MapUnitsToPixel(x2, dMapOriginX);
    *py2 = MapUnitsToPixel(y2, dMapOriginY);
}

void MapPixelToTileOffset(int px, int py, int col, int row, int *pnOffX, int *pnOffY)
{
    *pnOffX = px - 1 - (col - 1001) * nTileWidth;
    *pnOffY = (row - 999) * nTileHeight - 1 - py;
}

int CompareTileIndex(int a, int b) { return a < b ? -1 : (a == b ? 0 : 1); }

int SelectMapTileBitmap(HDC hdcMem, int col, int row, int nLayer)
{
    if (!TileInTable(col, row)) return 0;
    MapTile &tile = mapTiles[TileKey(col, row)];
    if (!tile.hBlank) {
        tile.hBlank = CreateCompatibleBitmap(hdcMem, nTileWidth, nTileHeight);
        if (tile.hBlank) {
            SelectObject(hdcMem, tile.hBlank);
            PatBlt(hdcMem, 0, 0, nTileWidth, nTileHeight, WHITENESS);
        }
        WidenUsedRange(col, row);
    }
    if (!tile.hGrid) {
        tile.hGrid = CreateCompatibleBitmap(hdcMem, nTileWidth, nTileHeight);
        if (tile.hGrid) {
            SelectObject(hdcMem, tile.hGrid);
            DrawTileGrid(hdcMem, col, row);
        }
        WidenUsedRange(col, row);
    }
    HBITMAP h = nLayer == 0 ? tile.hGrid : tile.hBlank;
    if (!h) return 0;
    SelectObject(hdcMem, h);
    return 1;
}

void FreeMapTiles()
{
    for (auto &entry : mapTiles) {
        if (entry.second.hGrid) DeleteObject(entry.second.hGrid);
        if (entry.second.hBlank) DeleteObject(entry.second.hBlank);
    }
    mapTiles.clear();
    ForgetGridCache();
    nTileColMin = nTileColMax = nViewTileCol;
    nTileRowMin = nTileRowMax = nViewTileRow;
}

void CreateMapTiles(int nMode)
{
    if (nMode < 0 || nMode > 2) return;
    ForgetGridCache();
    HDC hdcMem = CreateCompatibleDC(nullptr);
    if (!hdcMem) return;
    // Only tiles that hold bitmaps have anything to keep; the others show the grid when copied.
    for (auto &entry : mapTiles) {
        int col = entry.first / TILE_TABLE_SIZE, row = entry.first % TILE_TABLE_SIZE;
        MapTile &tile = entry.second;
        bool bGridNew = !tile.hGrid, bBlankNew = !tile.hBlank;
        if (bBlankNew || bGridNew) SelectMapTileBitmap(hdcMem, col, row, 1);
        if (nMode != 1 && !bGridNew && tile.hGrid) {
            SelectObject(hdcMem, tile.hGrid);
            DrawTileGrid(hdcMem, col, row);
        }
        if (nMode != 0 && !bBlankNew && tile.hBlank) {
            SelectObject(hdcMem, tile.hBlank);
            PatBlt(hdcMem, 0, 0, nTileWidth, nTileHeight, WHITENESS);
        }
    }
    DeleteDC(hdcMem);
}

void ComputeMapDirection()
{
    const double dPi = 3.14159265359;
    int nSize = nMapSize > 0 ? nMapSize : 1;
    if (nGridMode == 0)
        nGridKind = 0;
    else
        nGridKind = dLinesAngle > 0 ? 1 : (dLinesAngle < 0 ? -1 : 2);
    if (nGridKind == 0 || dLinesAngle == 0.0) {
        dGridSpacingPixels = dGridInterval * nTileWidth / nSize;
    } else {
        dGridSlope = std::tan((90.0 - dLinesAngle) * dPi / 180.0);
        dGridSpacingPixels = (dGridInterval / std::sin(dLinesAngle * dPi / 180.0)) * nTileWidth / nSize;
    }
    if (dGridSpacingPixels < 0) dGridSpacingPixels = -dGridSpacingPixels;
    ForgetGridCache();
}

void DrawTileGrid(HDC hdc, int col, int row)
{
    PatBlt(hdc, 0, 0, nTileWidth, nTileHeight, WHITENESS);
    double s = dGridSpacingPixels;
    if (!(s > 0.0) || !std::isfinite(s)) return;
    HGDIOBJ hOldPen = SelectObject(hdc, hpenGrid);
    const double L = (double)(col - 1000) * nTileWidth - nTileMaxX, R = L + nTileMaxX;
    const double B = (double)(row - 1000) * nTileHeight, T = B + nTileMaxY;
    const int nMaxLines = 10000;
    if (nGridKind == 0 || nGridKind == 2) {
        int nFirst = (int)std::ceil(L / s), nCount = 0;
        for (int n = nFirst; n * s <= R && nCount < nMaxLines; ++n, ++nCount) {
            if (n * s < L) continue;
            int x = (int)(n * s - L + 0.5);
            MoveToEx(hdc, x, -5, nullptr);
            LineTo(hdc, x, nTileHeight + 5);
        }
    }
    if (nGridKind == 0) {
        int nFirst = (int)std::ceil(B / s), nCount = 0;
        for (int n = nFirst; n * s <= T && nCount < nMaxLines; ++n, ++nCount) {
            if (n * s < B) continue;
            int y = (int)(T - n * s + 0.5);
            MoveToEx(hdc, -5, y, nullptr);
            LineTo(hdc, nTileWidth + 5, y);
        }
    }
    if (nGridKind == 1 || nGridKind == -1) {
        // Lines y = slope x + n s; a line crosses the tile when its y at one end lies in the tile's band.
        const double xl = L - 5, xr = R + 5;
        double yl0 = dGridSlope * xl, yr0 = dGridSlope * xr;
        double yMinAtEnds = std::min(yl0, yr0), yMaxAtEnds = std::max(yl0, yr0);
        // n s must lie in [B - 1 - yMaxAtEnds, T + 1 - yMinAtEnds] for the line to reach the tile.
        int nLow = (int)std::floor((B - 1 - yMaxAtEnds) / s), nHigh = (int)std::ceil((T + 1 - yMinAtEnds) / s);
        int nCount = 0;
        for (int n = nLow; n <= nHigh && nCount < nMaxLines; ++n, ++nCount) {
            int yL = (int)(nTileHeight + B - (dGridSlope * xl + n * s) + 0.5);
            int yR = (int)(nTileHeight + B - (dGridSlope * xr + n * s) + 0.5);
            MoveToEx(hdc, -5, yL, nullptr);
            LineTo(hdc, nTileMaxX + 5, yR);
        }
    }
    SelectObject(hdc, hOldPen);
}

void BlitMapView(int col, int row, int offX, int offY)
{
    if (!hwndMap) return;
    HDC hdc = GetDC(hwndMap);
    if (!hdc) return;
    HDC hdcMem = CreateCompatibleDC(hdc);
    const int aCol[4] = {col, col + 1, col, col + 1};
    const int aRow[4] = {row, row, row - 1, row - 1};
    const int aX[4] = {-offX, nTileWidth - offX, -offX, nTileWidth - offX};
    const int aY[4] = {-offY, -offY, nTileHeight - offY, nTileHeight - offY};
    for (int i = 0; i < 4; ++i) {
        int c = aCol[i], r = aRow[i];
        if (!TileInTable(c, r)) {
            PatBlt(hdc, aX[i], aY[i], nTileWidth, nTileHeight, WHITENESS);
            continue;
        }
        auto it = mapTiles.find(TileKey(c, r));
        if (it != mapTiles.end() && it->second.hGrid && it->second.hBlank) {
            SelectObject(hdcMem, it->second.hGrid);
            BitBlt(hdc, aX[i], aY[i], nMapViewPixels, nMapWndHeight, hdcMem, 0, 0, SRCCOPY);
            SelectObject(hdcMem, it->second.hBlank);
            BitBlt(hdc, aX[i], aY[i], nMapViewPixels, nMapWndHeight, hdcMem, 0, 0, SRCAND);
        } else {
            // Nothing drawn here: the survey layer would be white, so the grid alone is the picture.
            SelectGridPicture(hdcMem, c, r);
            BitBlt(hdc, aX[i], aY[i], nMapViewPixels, nMapWndHeight, hdcMem, 0, 0, SRCCOPY);
        }
    }
    DeleteDC(hdcMem);
    ReleaseDC(hwndMap, hdc);
}

void ClearMapWindow(HWND hwnd)
{
    if (!hwnd) return;
    HDC hdc = GetDC(hwnd);
    if (!hdc) return;
    RECT rc = {0, 0, nTileWidth, nTileHeight};
    FillRect(hdc, &rc, hbrWhite);
    ReleaseDC(hwnd, hdc);
}

void InitMapView()
{
    nViewLeft = 0;
    nViewRight = nMapViewPixels - 1;
    nViewTop = 0;
    nViewBottom = nMapWndHeight - 1;
    nMaxGpsPositions = 28800;
    dMapPixelsPerUnit = (double)nTileWidth / (nMapSize > 0 ? nMapSize : 1);
    if (dSpeedScaleMax - dSpeedScaleMin != 0.0) dSpeedPixPerUnit = nSpeedBarWidth / (dSpeedScaleMax - dSpeedScaleMin);
    nGpsOffsetSign = dGpsOffsetY > 0 ? 1 : (dGpsOffsetY < 0 ? -1 : 0);
}
