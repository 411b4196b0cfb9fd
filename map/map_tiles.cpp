// Tile store and map geometry: map units to map pixels to tiles, the sparse store of tile layers (bitmaps while in
// use, compressed out of use), the guide grid, the copy of the visible tiles into the map window and the view set-up
// at logging start.
#include <zstd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <unordered_map>
#include <vector>

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

size_t nTileLayerBudgetBytes = (size_t)96 << 20;

int nGridKind = 0;
double dGridSlope = 0.0, dGridSpacingPixels = 0.0;

namespace {

const int TILE_TABLE_SIZE = 2000;

// One layer of a tile. While it is in use it is a bitmap that the drawing code selects; out of use its pixels are
// held compressed, or not held at all while it still shows only what it was made with (a white survey layer, a
// base layer with nothing but the guide grid), since that picture is made again in a moment.
struct TileLayer {
    HBITMAP hBitmap = nullptr;             // while in use
    std::vector<unsigned char> packed;     // compressed pixels (valid while bPackedCurrent)
    int nWidth = 0, nHeight = 0;           // pixels, fixed when the tile is made
    bool bPlain = true;                    // nothing but the initial picture
    bool bPackedCurrent = false;           // packed holds the picture (nothing handed out since it was unpacked)
    uint64_t nLastUse = 0;
    int col = 0, row = 0, nLayer = 0;
};

// Both layers of one tile: the base layer (grid, background files) and the survey layer.
struct MapTile {
    TileLayer grid, blank;
};

// Only tiles that something was drawn into exist; the key is column x 2000 + row. Nodes never move, so the list
// of layers in use may point into them.
std::unordered_map<int, MapTile> mapTiles;

// Layers in use as bitmaps, at most nHotLayerLimit of them; the least recently used is packed to make room.
// Bitmaps of packed layers wait in the spare list for the next layer of their size.
const size_t HOT_LAYERS_AT_LEAST = 4;
std::vector<TileLayer *> hotLayers;
struct SpareBitmap {
    HBITMAP hBitmap;
    int nWidth, nHeight;
};
std::vector<SpareBitmap> spareBitmaps;
uint64_t nUseClock = 0;
// A memory context of the store's own for restoring pictures, and the scratch pixels of packing.
HDC hdcStore = nullptr;
std::vector<unsigned char> scratchPixels, scratchPacked;
ZSTD_CCtx *pPacker = nullptr;
ZSTD_DCtx *pUnpacker = nullptr;

// Grid pictures of tiles that hold no bitmaps, kept for the view copy (made again when the grid changes).
enum { GRID_CACHE_SIZE = 4 };
struct GridCacheEntry {
    int col, row;
    HBITMAP hBitmap;
    int nWidth, nHeight;
};
GridCacheEntry aGridCache[GRID_CACHE_SIZE] = {};
int nGridCacheNext = 0;

int TileKey(int col, int row) { return col * TILE_TABLE_SIZE + row; }

bool TileInTable(int col, int row)
{
    return col >= 0 && col < TILE_TABLE_SIZE && row >= 0 && row < TILE_TABLE_SIZE;
}

// Tiles are made inside the usable range only; the near-edge state tells the operator long before it ends.
bool TileUsable(int col, int row)
{
    return TileInTable(col, row) && col >= nTileIndexMin && col <= nTileIndexMax && row >= nTileIndexMin &&
           row <= nTileIndexMax;
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

size_t LayerBytes(const TileLayer &layer) { return (size_t)layer.nWidth * (size_t)layer.nHeight * 4; }

size_t HotLayerLimit()
{
    size_t nBytes = (size_t)(nTileWidth > 0 ? nTileWidth : 1) * (size_t)(nTileHeight > 0 ? nTileHeight : 1) * 4;
    return std::max(HOT_LAYERS_AT_LEAST, nTileLayerBudgetBytes / nBytes);
}

HDC StoreContext()
{
    if (!hdcStore) hdcStore = CreateCompatibleDC(nullptr);
    return hdcStore;
}

void FreeLayerPacked(TileLayer &layer)
{
    std::vector<unsigned char>().swap(layer.packed);
    layer.bPackedCurrent = false;
}

// Packs a layer in use (unless its picture is plain or already packed) and puts its bitmap on the spare list.
// Returns false when the pixels could not be packed: the layer then stays in use.
bool PackLayer(TileLayer &layer)
{
    if (!layer.bPlain && !layer.bPackedCurrent) {
        size_t nBytes = LayerBytes(layer);
        scratchPixels.resize(nBytes);
        if ((size_t)GetBitmapBits(layer.hBitmap, (int32_t)nBytes, scratchPixels.data()) != nBytes) return false;
        if (!pPacker) pPacker = ZSTD_createCCtx();
        if (!pPacker) return false;
        scratchPacked.resize(ZSTD_compressBound(nBytes));
        size_t nPacked = ZSTD_compressCCtx(pPacker, scratchPacked.data(), scratchPacked.size(), scratchPixels.data(),
                                           nBytes, 1);
        if (ZSTD_isError(nPacked)) return false;
        layer.packed.assign(scratchPacked.begin(), scratchPacked.begin() + (long)nPacked);
        layer.bPackedCurrent = true;
    }
    spareBitmaps.push_back({layer.hBitmap, layer.nWidth, layer.nHeight});
    layer.hBitmap = nullptr;
    return true;
}

// Packs the least recently used layers until one more fits.
void MakeRoomForLayer()
{
    size_t nLimit = HotLayerLimit();
    while (hotLayers.size() >= nLimit) {
        size_t nOldest = 0;
        for (size_t i = 1; i < hotLayers.size(); ++i)
            if (hotLayers[i]->nLastUse < hotLayers[nOldest]->nLastUse) nOldest = i;
        if (!PackLayer(*hotLayers[nOldest])) return;  // cannot pack: the store grows instead
        hotLayers[nOldest] = hotLayers.back();
        hotLayers.pop_back();
    }
}

// A bitmap of the size: a spare one, or a new one (*pbWhite set: it is white already).
HBITMAP TakeBitmap(int nWidth, int nHeight, bool *pbWhite)
{
    *pbWhite = false;
    for (size_t i = spareBitmaps.size(); i-- > 0;) {
        SpareBitmap spare = spareBitmaps[i];
        spareBitmaps[i] = spareBitmaps.back();
        spareBitmaps.pop_back();
        if (spare.nWidth == nWidth && spare.nHeight == nHeight) return spare.hBitmap;
        DeleteObject(spare.hBitmap);  // of a size no longer in use
    }
    *pbWhite = true;
    return CreateCompatibleBitmap(StoreContext(), nWidth, nHeight);
}

// The layer as a bitmap holding its picture; false when no bitmap could be had.
bool UseLayer(TileLayer &layer)
{
    layer.nLastUse = ++nUseClock;
    if (layer.hBitmap) return true;
    MakeRoomForLayer();
    bool bWhite = false;
    HBITMAP h = TakeBitmap(layer.nWidth, layer.nHeight, &bWhite);
    if (!h) return false;
    bool bRestored = true;
    if (layer.bPlain) {
        HDC hdc = StoreContext();
        SelectObject(hdc, h);
        if (layer.nLayer == 0)
            DrawTileGrid(hdc, layer.col, layer.row);
        else if (!bWhite)
            PatBlt(hdc, 0, 0, layer.nWidth, layer.nHeight, WHITENESS);
    } else {
        size_t nBytes = LayerBytes(layer);
        scratchPixels.resize(nBytes);
        if (!pUnpacker) pUnpacker = ZSTD_createDCtx();
        size_t nGot = pUnpacker ? ZSTD_decompressDCtx(pUnpacker, scratchPixels.data(), nBytes, layer.packed.data(),
                                                      layer.packed.size())
                                : 0;
        bRestored = pUnpacker && !ZSTD_isError(nGot) && nGot == nBytes &&
                    (size_t)SetBitmapBits(h, (int32_t)nBytes, scratchPixels.data()) == nBytes;
    }
    if (!bRestored) {
        // The packed picture cannot be had back: the layer keeps its bitmap's spare pixels out of sight.
        spareBitmaps.push_back({h, layer.nWidth, layer.nHeight});
        return false;
    }
    layer.hBitmap = h;
    hotLayers.push_back(&layer);
    return true;
}

// The layer is handed out for drawing: what is packed no longer holds its picture.
void LayerHandedOut(TileLayer &layer)
{
    layer.bPlain = false;
    FreeLayerPacked(layer);
}

// Makes a layer plain again (white survey layer, or the grid drawn anew).
void ResetLayer(TileLayer &layer)
{
    FreeLayerPacked(layer);
    layer.bPlain = true;
    if (!layer.hBitmap) return;
    HDC hdc = StoreContext();
    SelectObject(hdc, layer.hBitmap);
    if (layer.nLayer == 0)
        DrawTileGrid(hdc, layer.col, layer.row);
    else
        PatBlt(hdc, 0, 0, layer.nWidth, layer.nHeight, WHITENESS);
}

void InitLayer(TileLayer &layer, int col, int row, int nLayer)
{
    layer.col = col;
    layer.row = row;
    layer.nLayer = nLayer;
    layer.nWidth = nTileWidth > 0 ? nTileWidth : 1;
    layer.nHeight = nTileHeight > 0 ? nTileHeight : 1;
}

// The tile at (col, row), made (both layers, plain) when missing and usable; nullptr otherwise.
MapTile *FindTile(int col, int row, bool bMake)
{
    if (!TileInTable(col, row)) return nullptr;
    auto it = mapTiles.find(TileKey(col, row));
    if (it != mapTiles.end()) return &it->second;
    if (!bMake || !TileUsable(col, row)) return nullptr;
    MapTile &tile = mapTiles[TileKey(col, row)];
    InitLayer(tile.blank, col, row, 1);
    InitLayer(tile.grid, col, row, 0);
    WidenUsedRange(col, row);
    return &tile;
}

}  // namespace

int MapTileCount() { return (int)mapTiles.size(); }

int MapTileExists(int col, int row) { return FindTile(col, row, false) ? 1 : 0; }

size_t MapTileLayerBytes() { return (size_t)(nTileWidth > 0 ? nTileWidth : 1) * (nTileHeight > 0 ? nTileHeight : 1) * 4; }

size_t MapTileStoreBytes()
{
    size_t n = 0;
    for (const TileLayer *layer : hotLayers) n += LayerBytes(*layer);
    for (const SpareBitmap &spare : spareBitmaps) n += (size_t)spare.nWidth * spare.nHeight * 4;
    for (const auto &entry : mapTiles) n += entry.second.grid.packed.capacity() + entry.second.blank.packed.capacity();
    return n;
}

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
    MapTile *pTile = FindTile(col, row, true);
    if (!pTile) return 0;
    TileLayer &layer = nLayer == 0 ? pTile->grid : pTile->blank;
    if (!UseLayer(layer)) return 0;
    LayerHandedOut(layer);
    SelectObject(hdcMem, layer.hBitmap);
    return 1;
}

void FreeMapTiles()
{
    if (hdcStore) {
        DeleteDC(hdcStore);
        hdcStore = nullptr;
    }
    // The bitmaps in use wait as spares for the tiles made next (a rebuild follows at once); those of another
    // size than the tiles have now are freed.
    for (TileLayer *layer : hotLayers) spareBitmaps.push_back({layer->hBitmap, layer->nWidth, layer->nHeight});
    hotLayers.clear();
    size_t nKept = 0, nLimit = HotLayerLimit();
    for (SpareBitmap &spare : spareBitmaps) {
        if (spare.nWidth == nTileWidth && spare.nHeight == nTileHeight && nKept < nLimit)
            spareBitmaps[nKept++] = spare;
        else
            DeleteObject(spare.hBitmap);
    }
    spareBitmaps.resize(nKept);
    mapTiles.clear();
    std::vector<unsigned char>().swap(scratchPixels);
    std::vector<unsigned char>().swap(scratchPacked);
    ForgetGridCache();
    nTileColMin = nTileColMax = nViewTileCol;
    nTileRowMin = nTileRowMax = nViewTileRow;
}

void CreateMapTiles(int nMode)
{
    if (nMode < 0 || nMode > 2) return;
    ForgetGridCache();
    // Only tiles that exist have anything to keep; the others show the grid when copied.
    for (auto &entry : mapTiles) {
        if (nMode != 1) ResetLayer(entry.second.grid);
        if (nMode != 0) ResetLayer(entry.second.blank);
    }
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
    // Line numbers are counted in 64 bits: a tiny spacing (a large map size with a short interval) puts them far
    // beyond an int.
    if (!(s >= 1e-6) || !std::isfinite(s)) return;
    HGDIOBJ hOldPen = SelectObject(hdc, hpenGrid);
    const double L = (double)(col - 1000) * nTileWidth - nTileMaxX, R = L + nTileMaxX;
    const double B = (double)(row - 1000) * nTileHeight, T = B + nTileMaxY;
    const int nMaxLines = 10000;
    if (nGridKind == 0 || nGridKind == 2) {
        long long nFirst = (long long)std::ceil(L / s);
        int nCount = 0;
        for (long long n = nFirst; n * s <= R && nCount < nMaxLines; ++n, ++nCount) {
            if (n * s < L) continue;
            int x = (int)(n * s - L + 0.5);
            MoveToEx(hdc, x, -5, nullptr);
            LineTo(hdc, x, nTileHeight + 5);
        }
    }
    if (nGridKind == 0) {
        long long nFirst = (long long)std::ceil(B / s);
        int nCount = 0;
        for (long long n = nFirst; n * s <= T && nCount < nMaxLines; ++n, ++nCount) {
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
        const double dLow = std::floor((B - 1 - yMaxAtEnds) / s), dHigh = std::ceil((T + 1 - yMinAtEnds) / s);
        if (!(std::fabs(dLow) < 4e18 && std::fabs(dHigh) < 4e18)) {
            SelectObject(hdc, hOldPen);
            return;
        }
        const long long nLow = (long long)dLow, nHigh = (long long)dHigh;
        int nCount = 0;
        for (long long n = nLow; n <= nHigh && nCount < nMaxLines; ++n, ++nCount) {
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
        MapTile *pTile = FindTile(c, r, false);
        if (pTile && UseLayer(pTile->grid) && UseLayer(pTile->blank)) {
            SelectObject(hdcMem, pTile->grid.hBitmap);
            BitBlt(hdc, aX[i], aY[i], nMapViewPixels, nMapWndHeight, hdcMem, 0, 0, SRCCOPY);
            SelectObject(hdcMem, pTile->blank.hBitmap);
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
