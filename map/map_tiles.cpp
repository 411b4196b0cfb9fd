// Tile store and map geometry: map units to map pixels to tiles, the sparse store of tile layers (bitmaps while in
// use, compressed out of use), the guide grid, the copy of the visible tiles into the map window and the view set-up
// at logging start.
#include <zstd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
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

struct PackJob;

// One layer of a tile. While it is in use it is a bitmap that the drawing code selects; out of use its pixels are
// held compressed, or not held at all while it still shows only what it was made with (a white survey layer, a
// base layer with nothing but the guide grid), since that picture is made again in a moment. Between the two a
// layer may wait on the packer: its pixels being compressed (taken out of use), or unpacked ahead of use.
struct TileLayer {
    HBITMAP hBitmap = nullptr;             // while in use
    std::vector<unsigned char> packed;     // compressed pixels (valid while bPackedCurrent)
    int nWidth = 0, nHeight = 0;           // pixels, fixed when the tile is made
    bool bPlain = true;                    // nothing but the initial picture
    bool bPackedCurrent = false;           // packed holds the picture (nothing handed out since it was unpacked)
    bool bPackedRaw = false;               // packed holds the pixels uncompressed (they could not be packed)
    PackJob *pJob = nullptr;               // the packer's work on this layer, if any
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
std::vector<unsigned char> scratchPixels;
ZSTD_DCtx *pUnpacker = nullptr;

// ---------------------------------------------------------------------------------------------------------------
// The packer: a thread of the store's own that packs the layers taken out of use and unpacks those the view will
// soon need, so that the screen thread neither compresses nor copies pixels. A job holds one bitmap that no tile
// holds and the screen thread leaves alone while the job is on the way: the packer reads its pixels (packing),
// or writes them (unpacking, or filling white for a base layer whose grid is drawn over it), or makes the bitmap
// when the job brings none. From Submit until the job is done only the packer touches the job and its bitmap; the
// screen thread then takes the result (pLayer, screen thread only, is the layer waiting for it).
// ---------------------------------------------------------------------------------------------------------------
struct PackJob {
    enum Kind { PACK, UNPACK, WHITE } kind = PACK;
    HBITMAP hBitmap = nullptr;                     // PACK: the picture; UNPACK, WHITE: receives it (made if null)
    int nWidth = 0, nHeight = 0;                   // of the bitmap
    std::vector<unsigned char> packed;             // PACK: the result
    const std::vector<unsigned char> *pPacked = nullptr;  // UNPACK: the layer's packed pixels (left alone meanwhile)
    bool bDone = false, bOk = false;               // under the packer's lock
    TileLayer *pLayer = nullptr;                   // screen thread only: null when no layer waits for the result
};

// Jobs at most on the way at once (each holds one layer's bitmap).
const size_t PACK_JOBS_AT_MOST = 12;
// Layers in use kept free for the tiles the view moves onto, and the fewest layers in use with which keeping
// tiles ready pays (the 16 tiles around the view, the free ones and the view's own drawing).
const size_t HOT_LAYERS_FREE = 4, HOT_LAYERS_TO_PREPARE = 40;

class TilePacker {
public:
    void Submit(PackJob *pJob)
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!bStarted) {
            // The thread lives as long as the process: it waits for work and holds nothing of the program's.
            std::thread(&TilePacker::Run, this).detach();
            bStarted = true;
        }
        queue.push_back(pJob);
        cvWork.notify_one();
    }
    bool IsDone(PackJob *pJob)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return pJob->bDone;
    }
    // Waits for one job (its work is one layer's pixels).
    void Wait(PackJob *pJob)
    {
        std::unique_lock<std::mutex> lock(mutex);
        cvDone.wait(lock, [pJob] { return pJob->bDone; });
    }

private:
    void Run()
    {
        ZSTD_CCtx *pc = ZSTD_createCCtx();
        ZSTD_DCtx *pd = ZSTD_createDCtx();
        std::vector<unsigned char> pixels, out, white;
        for (;;) {
            PackJob *pJob = nullptr;
            {
                std::unique_lock<std::mutex> lock(mutex);
                cvWork.wait(lock, [this] { return !queue.empty(); });
                pJob = queue.front();
                queue.pop_front();
            }
            const size_t nBytes = (size_t)pJob->nWidth * (size_t)pJob->nHeight * 4;
            bool bOk = false;
            if (pJob->kind == PackJob::PACK) {
                pixels.resize(nBytes);
                out.resize(ZSTD_compressBound(nBytes));
                size_t n = 0;
                bOk = pc && (size_t)GetBitmapBits(pJob->hBitmap, (int32_t)nBytes, pixels.data()) == nBytes;
                if (bOk) n = ZSTD_compressCCtx(pc, out.data(), out.size(), pixels.data(), nBytes, 1);
                bOk = bOk && !ZSTD_isError(n);
                if (bOk) pJob->packed.assign(out.begin(), out.begin() + (long)n);
            } else {
                if (!pJob->hBitmap) pJob->hBitmap = CreateCompatibleBitmap(nullptr, pJob->nWidth, pJob->nHeight);
                const unsigned char *pSource = nullptr;
                if (pJob->kind == PackJob::UNPACK) {
                    pixels.resize(nBytes);
                    size_t n = pd ? ZSTD_decompressDCtx(pd, pixels.data(), nBytes, pJob->pPacked->data(),
                                                        pJob->pPacked->size())
                                  : 0;
                    if (pd && !ZSTD_isError(n) && n == nBytes) pSource = pixels.data();
                } else {
                    if (white.size() != nBytes) white.assign(nBytes, 0xFF);
                    pSource = white.data();
                }
                bOk = pJob->hBitmap && pSource &&
                      (size_t)SetBitmapBits(pJob->hBitmap, (int32_t)nBytes, pSource) == nBytes;
            }
            std::lock_guard<std::mutex> lock(mutex);
            pJob->bOk = bOk;
            pJob->bDone = true;
            cvDone.notify_all();
        }
    }

    std::mutex mutex;
    std::condition_variable cvWork, cvDone;
    std::deque<PackJob *> queue;
    bool bStarted = false;
};

// Made once and never destroyed: the thread may still wait on it while the process ends.
TilePacker &Packer()
{
    static TilePacker *pPacker = new TilePacker;
    return *pPacker;
}

// Jobs handed to the packer and not yet taken back (screen thread).
std::vector<PackJob *> jobsOnTheWay;

size_t HotLayerLimit();
void GiveBackBitmap(HBITMAP h, int nWidth, int nHeight);
void DrawTileGridLines(HDC hdc, int col, int row);
HDC StoreContext();

// The layer stops waiting for its job; the job's bitmap goes to the spares when it is done.
void DetachJob(TileLayer &layer)
{
    if (!layer.pJob) return;
    layer.pJob->pLayer = nullptr;
    layer.pJob = nullptr;
}

// Takes a job done out of the list: a packed layer keeps its compressed pixels (the bitmap goes to the spares, or
// back to the layer when the packing failed or bKeepBitmap asks for it), a layer unpacked or filled ahead takes
// its bitmap into use.
void TakeJobResult(PackJob *pJob, bool bKeepBitmap = false)
{
    jobsOnTheWay.erase(std::find(jobsOnTheWay.begin(), jobsOnTheWay.end(), pJob));
    TileLayer *pLayer = pJob->pLayer;
    if (pLayer) pLayer->pJob = nullptr;
    HBITMAP h = pJob->hBitmap;
    if (pLayer && pJob->kind == PackJob::PACK && pJob->bOk) {
        pLayer->packed.swap(pJob->packed);
        pLayer->bPackedCurrent = true;
        if (!bKeepBitmap) pLayer = nullptr;  // the bitmap is spare
    } else if (pLayer && !pJob->bOk && pJob->kind == PackJob::UNPACK) {
        pLayer = nullptr;  // the layer stays packed, to be unpacked when it is used
    }
    if (pLayer && h) {
        // The picture is the layer's: kept after a failed packing, unpacked, or white with the grid to draw.
        pLayer->hBitmap = h;
        pLayer->nLastUse = ++nUseClock;
        hotLayers.push_back(pLayer);
        if (pJob->kind == PackJob::WHITE && pLayer->nLayer == 0) {
            HDC hdc = StoreContext();
            SelectObject(hdc, h);
            DrawTileGridLines(hdc, pLayer->col, pLayer->row);
        }
    } else if (h) {
        GiveBackBitmap(h, pJob->nWidth, pJob->nHeight);
    }
    delete pJob;
}

// Takes the results of the jobs done (bWait: of every job, waiting for those on the way).
void CollectJobs(bool bWait)
{
    std::vector<PackJob *> done;
    for (PackJob *pJob : jobsOnTheWay) {
        if (bWait) Packer().Wait(pJob);
        if (bWait || Packer().IsDone(pJob)) done.push_back(pJob);
    }
    for (PackJob *pJob : done) TakeJobResult(pJob);
}

void SubmitJob(TileLayer *pLayer, PackJob *pJob)
{
    // Bounded: with too many on the way, the oldest is waited for.
    if (jobsOnTheWay.size() >= PACK_JOBS_AT_MOST) {
        Packer().Wait(jobsOnTheWay.front());
        CollectJobs(false);
    }
    pJob->pLayer = pLayer;
    if (pLayer) pLayer->pJob = pJob;
    jobsOnTheWay.push_back(pJob);
    Packer().Submit(pJob);
}

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

// The grid lines of a tile over what its bitmap holds (white).
void DrawTileGridLines(HDC hdc, int col, int row);

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
    // The oldest picture's bitmap is drawn over when it has the size (a new one is white already).
    const bool bReuse = entry.hBitmap && entry.nWidth == nTileWidth && entry.nHeight == nTileHeight;
    if (!bReuse) {
        if (entry.hBitmap) DeleteObject(entry.hBitmap);
        entry.hBitmap = CreateCompatibleBitmap(hdcMem, nTileWidth, nTileHeight);
    }
    entry.col = col;
    entry.row = row;
    entry.nWidth = nTileWidth;
    entry.nHeight = nTileHeight;
    if (!entry.hBitmap) return;
    SelectObject(hdcMem, entry.hBitmap);
    if (bReuse) PatBlt(hdcMem, 0, 0, nTileWidth, nTileHeight, WHITENESS);
    DrawTileGridLines(hdcMem, col, row);
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
    layer.bPackedRaw = false;
}

// Takes a layer out of use: its bitmap goes to the packer (unless its picture is plain or already packed: then to
// the spares).
void EvictLayer(TileLayer &layer)
{
    if (!layer.bPlain && !layer.bPackedCurrent) {
        PackJob *pJob = new PackJob;
        pJob->kind = PackJob::PACK;
        pJob->hBitmap = layer.hBitmap;
        pJob->nWidth = layer.nWidth;
        pJob->nHeight = layer.nHeight;
        SubmitJob(&layer, pJob);
    } else {
        GiveBackBitmap(layer.hBitmap, layer.nWidth, layer.nHeight);
    }
    layer.hBitmap = nullptr;
}

// Takes the least recently used layer out of use (none of the layers the caller keeps, when given); false when
// none could be.
bool EvictOldestLayer(bool (*pfnKeep)(const TileLayer &) = nullptr)
{
    size_t nOldest = hotLayers.size();
    for (size_t i = 0; i < hotLayers.size(); ++i) {
        if (pfnKeep && pfnKeep(*hotLayers[i])) continue;
        if (nOldest == hotLayers.size() || hotLayers[i]->nLastUse < hotLayers[nOldest]->nLastUse) nOldest = i;
    }
    if (nOldest == hotLayers.size()) return false;
    TileLayer &layer = *hotLayers[nOldest];
    hotLayers[nOldest] = hotLayers.back();
    hotLayers.pop_back();
    EvictLayer(layer);
    return true;
}

// Packs the least recently used layers until one more fits.
void MakeRoomForLayer()
{
    size_t nLimit = HotLayerLimit();
    while (hotLayers.size() >= nLimit)
        if (!EvictOldestLayer()) return;  // cannot pack: the store grows instead
}

// A bitmap out of use waits for the next layer of its size; beyond what the packer and the tiles around the view
// take in turn (one beside a store of a few layers in use), it is freed.
void GiveBackBitmap(HBITMAP h, int nWidth, int nHeight)
{
    const size_t nKept = HotLayerLimit() >= HOT_LAYERS_TO_PREPARE ? PACK_JOBS_AT_MOST + 2 * HOT_LAYERS_FREE : 1;
    if (spareBitmaps.size() >= nKept) {
        DeleteObject(h);
        return;
    }
    spareBitmaps.push_back({h, nWidth, nHeight});
}

// A spare bitmap of the size, or nullptr.
HBITMAP TakeSpareBitmap(int nWidth, int nHeight)
{
    for (size_t i = spareBitmaps.size(); i-- > 0;) {
        SpareBitmap spare = spareBitmaps[i];
        spareBitmaps[i] = spareBitmaps.back();
        spareBitmaps.pop_back();
        if (spare.nWidth == nWidth && spare.nHeight == nHeight) return spare.hBitmap;
        DeleteObject(spare.hBitmap);  // of a size no longer in use
    }
    return nullptr;
}

// A bitmap of the size: a spare one, or a new one (*pbWhite set: it is white already).
HBITMAP TakeBitmap(int nWidth, int nHeight, bool *pbWhite)
{
    *pbWhite = false;
    if (HBITMAP h = TakeSpareBitmap(nWidth, nHeight)) return h;
    *pbWhite = true;
    return CreateCompatibleBitmap(StoreContext(), nWidth, nHeight);
}

// The packed picture of a layer out of use into the bitmap h; false when it cannot be had back.
bool UnpackLayer(TileLayer &layer, HBITMAP h)
{
    const size_t nBytes = LayerBytes(layer);
    if (layer.bPackedRaw)
        return layer.packed.size() == nBytes && (size_t)SetBitmapBits(h, (int32_t)nBytes, layer.packed.data()) == nBytes;
    scratchPixels.resize(nBytes);
    if (!pUnpacker) pUnpacker = ZSTD_createDCtx();
    size_t nGot = pUnpacker ? ZSTD_decompressDCtx(pUnpacker, scratchPixels.data(), nBytes, layer.packed.data(),
                                                  layer.packed.size())
                            : 0;
    return pUnpacker && !ZSTD_isError(nGot) && nGot == nBytes &&
           (size_t)SetBitmapBits(h, (int32_t)nBytes, scratchPixels.data()) == nBytes;
}

// The layer as a bitmap holding its picture; false when no bitmap could be had.
bool UseLayer(TileLayer &layer)
{
    layer.nLastUse = ++nUseClock;
    if (layer.hBitmap) return true;
    if (layer.pJob) {
        // On the packer's way: a layer being packed takes its bitmap back, one being unpacked or made ready takes
        // the bitmap the packer filled (one layer's work to wait for).
        Packer().Wait(layer.pJob);
        TakeJobResult(layer.pJob, true);
        if (layer.hBitmap) {
            layer.nLastUse = ++nUseClock;
            return true;
        }
    }
    MakeRoomForLayer();
    bool bWhite = false;
    HBITMAP h = TakeBitmap(layer.nWidth, layer.nHeight, &bWhite);
    if (!h) return false;
    bool bRestored = true;
    if (layer.bPlain) {
        HDC hdc = StoreContext();
        SelectObject(hdc, h);
        if (!bWhite) PatBlt(hdc, 0, 0, layer.nWidth, layer.nHeight, WHITENESS);
        if (layer.nLayer == 0) DrawTileGridLines(hdc, layer.col, layer.row);
    } else {
        bRestored = UnpackLayer(layer, h);
    }
    if (!bRestored) {
        // The packed picture cannot be had back: the layer keeps its bitmap's spare pixels out of sight.
        GiveBackBitmap(h, layer.nWidth, layer.nHeight);
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
    if (layer.bPackedCurrent || layer.bPackedRaw || layer.packed.capacity()) FreeLayerPacked(layer);
}

// Makes a layer plain again (white survey layer, or the grid drawn anew).
void ResetLayer(TileLayer &layer)
{
    if (layer.pJob) {
        // An unpacking reads the packed pixels: it ends before they go.
        Packer().Wait(layer.pJob);
        DetachJob(layer);
    }
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
// The tile found last (nodes never move; FreeMapTiles forgets it with the tiles): a line or a swath asks for the
// same tile many times running.
int nLastTileKey = -1;
MapTile *pLastTile = nullptr;

MapTile *FindTile(int col, int row, bool bMake)
{
    if (!TileInTable(col, row)) return nullptr;
    const int nKey = TileKey(col, row);
    if (nKey == nLastTileKey && pLastTile) return pLastTile;
    auto it = mapTiles.find(nKey);
    if (it == mapTiles.end()) {
        if (!bMake || !TileUsable(col, row)) return nullptr;
        MapTile &tile = mapTiles[nKey];
        InitLayer(tile.blank, col, row, 1);
        InitLayer(tile.grid, col, row, 0);
        WidenUsedRange(col, row);
        it = mapTiles.find(nKey);
    }
    nLastTileKey = nKey;
    pLastTile = &it->second;
    return pLastTile;
}

// The tiles kept ready around the view: the 4 x 4 tiles around the 2 x 2 block whose top-left tile is
// (nReadyCol, nReadyRow).
int nReadyCol = 1000, nReadyRow = 1000;
bool NearView(const TileLayer &layer)
{
    return layer.col >= nReadyCol - 1 && layer.col <= nReadyCol + 2 && layer.row <= nReadyRow + 1 &&
           layer.row >= nReadyRow - 2;
}

}  // namespace

int MapTileCount() { return (int)mapTiles.size(); }

int MapTileExists(int col, int row) { return FindTile(col, row, false) ? 1 : 0; }

size_t MapTileLayerBytes() { return (size_t)(nTileWidth > 0 ? nTileWidth : 1) * (nTileHeight > 0 ? nTileHeight : 1) * 4; }

size_t MapTileStoreBytes()
{
    CollectJobs(true);  // what the store settles at
    size_t n = 0;
    for (const TileLayer *layer : hotLayers) n += LayerBytes(*layer);
    for (const SpareBitmap &spare : spareBitmaps) n += (size_t)spare.nWidth * spare.nHeight * 4;
    for (const auto &entry : mapTiles) n += entry.second.grid.packed.capacity() + entry.second.blank.packed.capacity();
    for (const PackJob *pJob : jobsOnTheWay) n += (size_t)pJob->nWidth * pJob->nHeight * 4 + pJob->packed.capacity();
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
    // The packer finishes what it holds; nothing of it is wanted any more.
    for (auto &entry : mapTiles) {
        DetachJob(entry.second.grid);
        DetachJob(entry.second.blank);
    }
    CollectJobs(true);
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
    nLastTileKey = -1;
    pLastTile = nullptr;
    std::vector<unsigned char>().swap(scratchPixels);
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
    DrawTileGridLines(hdc, col, row);
}

namespace {

void DrawTileGridLines(HDC hdc, int col, int row)
{
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

}  // namespace

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

void PrepareMapTilesAround(int col, int row)
{
    CollectJobs(false);
    const size_t nLimit = HotLayerLimit();
    if (nLimit < HOT_LAYERS_TO_PREPARE) return;
    nReadyCol = col;
    nReadyRow = row;
    // Room for the tiles ahead: the oldest layer away from the view goes to the packer.
    if (hotLayers.size() + jobsOnTheWay.size() + HOT_LAYERS_FREE > nLimit) EvictOldestLayer(NearView);
    // One layer around the view that is out of use goes to the packer to be unpacked (or made white for its grid),
    // into a spare bitmap or one the packer makes.
    if (jobsOnTheWay.size() >= PACK_JOBS_AT_MOST / 2 || hotLayers.size() + jobsOnTheWay.size() >= nLimit) return;
    // A few spare bitmaps made ahead by the packer while the store grows, so that new tiles do not wait for new
    // memory here.
    size_t nMaking = 0;
    for (const PackJob *pJob : jobsOnTheWay) nMaking += !pJob->pLayer && pJob->kind == PackJob::WHITE;
    if (spareBitmaps.size() + nMaking < 2 * HOT_LAYERS_FREE &&
        hotLayers.size() + jobsOnTheWay.size() + spareBitmaps.size() + HOT_LAYERS_FREE <= nLimit) {
        PackJob *pJob = new PackJob;
        pJob->kind = PackJob::WHITE;
        pJob->nWidth = nTileWidth > 0 ? nTileWidth : 1;
        pJob->nHeight = nTileHeight > 0 ? nTileHeight : 1;
        SubmitJob(nullptr, pJob);
    }
    for (int c = col - 1; c <= col + 2; ++c) {
        for (int r = row + 1; r >= row - 2; --r) {
            MapTile *pTile = FindTile(c, r, false);
            if (!pTile) continue;
            for (TileLayer *pLayer : {&pTile->blank, &pTile->grid}) {
                if (pLayer->hBitmap || pLayer->pJob || pLayer->bPackedRaw) continue;
                if (!pLayer->bPlain && !pLayer->bPackedCurrent) continue;
                PackJob *pJob = new PackJob;
                pJob->kind = pLayer->bPlain ? PackJob::WHITE : PackJob::UNPACK;
                pJob->hBitmap = TakeSpareBitmap(pLayer->nWidth, pLayer->nHeight);
                pJob->nWidth = pLayer->nWidth;
                pJob->nHeight = pLayer->nHeight;
                pJob->pPacked = &pLayer->packed;
                SubmitJob(pLayer, pJob);
                return;
            }
        }
    }
}
