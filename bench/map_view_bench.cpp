// Speed of the map view commands at the largest map window (760 pixels, the portrait 800 x 1242 screen): one pan
// step (the clear and the 2 x 2 tile copy) and one zoom with the rebuild from a data file of 100,000 records.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "platform/platform.h"

namespace {

const double kEast = 500000.0, kNorth = 5000000.0;
const int kMapWindow = 760;
const long kRecords = 100000;

void StartOnce()
{
    static bool started = false;
    if (started) return;
    started = true;
    StartBenchProgram("map-view-bench");
    SetDataRecordLength(27);
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateChannelPens(0);
    CreateColorScalePens();
    CreateBenchMapWindow(kMapWindow);
}

// One 27-byte record: up to 16 bytes of text, blanks, a tick and the line feed. Map-point records hold nothing
// after their field, as the program writes them (a rebuild refuses one with anything there).
void PutRecord(std::ofstream &out, const char *text, size_t len)
{
    char rec[27];
    memset(rec, ' ', 26);
    memcpy(rec, text, len < 16 ? len : 16);
    if (text[0] != '{') memcpy(rec + 16, "  12345678", 10);
    rec[26] = '\n';
    out.write(rec, 27);
}

// A survey of kRecords records: per position five EM61-MK2 readings and a footprint, along lines of 50 m a metre
// apart, 0.2 m between positions.
void WriteSurveyFile()
{
    std::ofstream out(MapDrivePath(szDataFilePath), std::ios::binary | std::ios::trunc);
    PutRecord(out, "X$STARTED", 9);
    PutRecord(out, "{0         0.000", 16);
    long n = 2;
    for (long pos = 0; n < kRecords; ++pos) {
        for (int k = 0; k < 5 && n < kRecords; ++k, ++n) {
            int w = 500 + (int)((pos * 3 + k) % 1000);
            const char frame[13] = {'T', 0, (char)(w >> 8), (char)(w & 0xFF), 0, 0, 0, 0, 0, 0, 5, 0x46, 0};
            PutRecord(out, frame, 13);
        }
        const long nLine = pos / 251, k = pos % 251;
        const double e = kEast + (nLine % 2 ? 50.0 - k * 0.2 : k * 0.2), no = kNorth + nLine;
        dExtentMaxX = std::max(dExtentMaxX, e), dExtentMaxY = std::max(dExtentMaxY, no);
        const double v[4] = {e, no + 0.5, e, no - 0.5};
        for (int i = 0; i < 4 && n < kRecords; ++i, ++n) {
            char sz[40];
            snprintf(sz, sizeof sz, "{%c%14.3f", (pos == 0 ? "abcd" : "efgh")[i], v[i]);
            PutRecord(out, sz, 16);
        }
    }
}

// A review of a survey of 100,000 records at the default map size, in the colour view of channel 1.
void StartReview()
{
    StartOnce();
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\view.T61");
    nMapSize = 40;
    nColorMapView = 1;
    nCursorBand = 1;
    nCursorBandPixels = (int)((nCursorBand * 5 + 10) * 0.01 * nMapViewPixels);
    dScale1Min = 0.0;
    dScale1Max = 40000.0;
    nViewTileCol = nViewTileRow = 1000;
    FreeMapTiles();
    InitMapView();
    ComputeMapDirection();
    dMapOriginX = kEast;
    dMapOriginY = kNorth;
    dExtentMinX = dExtentMaxX = kEast;
    dExtentMinY = dExtentMaxY = kNorth;
    WriteSurveyFile();
    OpenDataFileHandle();
    CreateMapTiles(2);
    RebuildMapTiles(1);
    bMapReviewMode = 1;
    nBrowseTileCol = 1000, nBrowseTileRow = 1000;
    nBrowseTileOffsetX = nTileWidth / 2, nBrowseTileOffsetY = nTileHeight / 2;
}

// Pixels of the survey's colours in the survey layer of the tile that holds the survey's first position.
long SurveyPixels()
{
    int px, py, px2, py2, col, row, x, y;
    WorldToMapPixels(&px, &py, &px2, &py2, kEast + 10.0, kNorth + 1.0, kEast + 10.0, kNorth + 1.0);
    MapPixelToTile(px, py, &col, &row, &x, &y);
    HDC hdc = CreateCompatibleDC(nullptr);
    long n = 0;
    if (SelectMapTileBitmap(hdc, col, row, 1))
        for (int i = 0; i < nTileHeight; i += 2)
            for (int j = 0; j < nTileWidth; j += 2) n += GetPixel(hdc, j, i) != RGB(255, 255, 255);
    DeleteDC(hdc);
    return n;
}

void BM_PanStepLargestWindow(benchmark::State &state)
{
    StartReview();
    int n = 0;
    for (auto _ : state) MapViewCommand(n++ % 2 ? MAPVIEW_PAN_LEFT : MAPVIEW_PAN_RIGHT);
    state.counters["window"] = nMapViewPixels;
    state.counters["step"] = MapPanStep();
    CloseDataFile();
}
BENCHMARK(BM_PanStepLargestWindow)->Unit(benchmark::kMillisecond);

void BM_ZoomHundredThousandRecords(benchmark::State &state)
{
    StartReview();
    int n = 0;
    const int nSizeBefore = nMapSize;
    for (auto _ : state) MapViewCommand(n++ % 2 ? MAPVIEW_ZOOM_OUT : MAPVIEW_ZOOM_IN);
    state.SetItemsProcessed(state.iterations() * kRecords);
    state.counters["tiles"] = MapTileCount();
    // Each zoom rebuilt the survey: the map size moved and the survey layer holds its colours.
    if (nMapSize == nSizeBefore && n % 2 == 1) state.SkipWithError("the zoom did not change the map size");
    if (MapTileCount() == 0 || SurveyPixels() == 0) state.SkipWithError("the zoom drew no survey");
    CloseDataFile();
}
BENCHMARK(BM_ZoomHundredThousandRecords)->Unit(benchmark::kMillisecond);

}  // namespace
