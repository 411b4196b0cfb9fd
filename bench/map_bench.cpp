// Speed and memory of the map: the update per GPS position with a full swath, the resident memory of a square
// kilometre surveyed lawn-mower fashion, and the rebuild of the map from a data file of one million records (from
// freed tiles and into existing ones) beside a plain read of the same file.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"
#include "platform/platform.h"

namespace {

const double kEast = 500000.0, kNorth = 5000000.0;
std::string benchRoot;

// The platform, the pens, the map window of a 1280 x 800 screen as the logging screen lays it out (a client area
// of 1272 x 728 gives a square map of 666 pixels, tiles of 664) and a data file folder; once.
void StartOnce()
{
    static bool started = false;
    if (started) return;
    started = true;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    benchRoot = std::filesystem::temp_directory_path().string() + "/map-bench-" + std::to_string(getpid());
    std::filesystem::create_directories(benchRoot + "/C/data");
    setenv("ULVANE_ROOT", benchRoot.c_str(), 1);
    static char arg0[] = "map-bench";
    static char *argv[] = {arg0, nullptr};
    hInst = PlatformInit(1, argv);
    nInstrumentType = INSTRUMENT_EM61MK2;
    bJixProduct = 0;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    SetDataRecordLength(27);
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateChannelPens(0);
    CreateColorScalePens();
    RegisterMapWnd(hInst);
    nClientWidth = 1272;
    nClientHeight = 728;
    nLineHeight = 18;
    nTextHeight = 16;
    bGpsActive = 1;
    ArrangeLogScreen();
    const int nSide = nMapViewPixels;
    hwndMap = CreateWindow(L"MapWnd", L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, nSide + GetFrameSize().cx,
                           nSide + GetFrameSize().cy, nullptr, 0, hInst, nullptr);
    RECT rc;
    GetClientRect(hwndMap, &rc);
    nMapViewPixels = rc.right;
    nMapWndHeight = rc.bottom;
    nTileWidth = nMapViewPixels - 2;
    nTileHeight = nMapWndHeight - 2;
    nTileMaxX = nTileWidth - 1;
    nTileMaxY = nTileHeight - 1;
}

// Resident memory of the process in megabytes.
double ResidentMegabytes()
{
    long nPages = 0, nResident = 0;
    FILE *f = fopen("/proc/self/statm", "r");
    if (!f) return 0.0;
    if (fscanf(f, "%ld %ld", &nPages, &nResident) != 2) nResident = 0;
    fclose(f);
    return (double)nResident * (double)sysconf(_SC_PAGESIZE) / 1e6;
}

void OpenBenchFile(const wchar_t *name)
{
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\%ls", name);
    std::filesystem::remove(MapDrivePath(szDataFilePath));
    OpenDataFileHandle();
}

// A logging start at the default map size (40 map units a tile), colour view of channel 1.
void StartSurvey()
{
    nMapSize = 40;
    nColorMapView = 1;
    nSensorsMinus1 = 0;
    dGpsOffsetY = 0.0;
    dSwathLeft = dSwathRight = 0.5;
    bGpsActive = 1;
    nMapEdgeState = 0;
    bMapViewPlaced = 0;
    nViewTileCol = nViewTileRow = 1000;
    FreeMapTiles();
    InitMapView();
    ComputeMapDirection();
    nMapTrackState = 0;
    nTrackPointCount = 0;
    dMapOriginX = kEast;
    dMapOriginY = kNorth;
    dExtentMinX = dExtentMaxX = kEast;
    dExtentMinY = dExtentMaxY = kNorth;
    nRecordingState = 1;
    UpdateMapDisplay(hwndMap, 1, kNorth, kEast, 0.0);
}

// Hands over a full row of 500 cells spread over the colour scale.
void HandOverFullRow()
{
    for (int i = 0; i < SWATH_CELLS_PER_ROW; ++i) rgColorGrid[nSwathRow][i] = (i / 10) % 50;
    nSwathPlotRow = nSwathRow;
    nSwathPlotLastCell = SWATH_CELLS_PER_ROW - 1;
    bSwathHasCells = 1;
    nSwathRow = 1 - nSwathRow;
}

// Position n of a lawn-mower walk: lines of nLineSteps steps of dStep metres, dLineSpacing metres apart.
void LawnMowerPosition(long n, int nLineSteps, double dStep, double *pdEast, double *pdNorth,
                       double dLineSpacing = 1.0)
{
    long nLine = n / (nLineSteps + 1), k = n % (nLineSteps + 1);
    double dAlong = k * dStep;
    *pdEast = kEast + (nLine % 2 == 0 ? dAlong : nLineSteps * dStep - dAlong);
    *pdNorth = kNorth + nLine * dLineSpacing;
}

void BM_UpdateMapDisplayFullSwath(benchmark::State &state)
{
    StartOnce();
    OpenBenchFile(L"update.T61");
    StartSurvey();
    const double dStep = state.range(0) / 10.0;  // metres between positions
    long n = 1;
    for (auto _ : state) {
        double e, no;
        LawnMowerPosition(n++, (int)(100.0 / dStep), dStep, &e, &no);
        HandOverFullRow();
        UpdateMapDisplay(hwndMap, 1, no, e, dStep);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["tiles"] = MapTileCount();
    CloseDataFile();
}
BENCHMARK(BM_UpdateMapDisplayFullSwath)->Arg(2)->Arg(10)->Unit(benchmark::kMicrosecond);

// A survey of one square kilometre at the default map size (40 m a tile): lawn-mower lines 1 km long, 2 m apart,
// a swath 2 m wide, a position every 2 m with a full row of cells; the map copied into the window at every
// position. Resident memory after the survey, beside what the process held before it.
void BM_LawnMowerSquareKilometre(benchmark::State &state)
{
    StartOnce();
    const double dStep = 2.0, dLineSpacing = 2.0;
    const int nLineSteps = 500, nLines = 500;
    double dResidentBefore = 0.0;
    for (auto _ : state) {
        OpenBenchFile(L"square.T61");
        StartSurvey();
        dSwathLeft = dSwathRight = dLineSpacing / 2;
        dResidentBefore = ResidentMegabytes();
        for (long n = 1; n < (long)nLines * (nLineSteps + 1); ++n) {
            double e, no;
            LawnMowerPosition(n, nLineSteps, dStep, &e, &no, dLineSpacing);
            HandOverFullRow();
            UpdateMapDisplay(hwndMap, 1, no, e, dStep);
        }
        CloseDataFile();
    }
    state.counters["positions"] = (double)nLines * (nLineSteps + 1);
    state.counters["tiles"] = MapTileCount();
    state.counters["tile_px"] = nTileWidth;
    state.counters["bitmaps_would_MB"] = MapTileCount() * 2.0 * MapTileLayerBytes() / 1e6;
    state.counters["store_MB"] = MapTileStoreBytes() / 1e6;
    state.counters["resident_before_MB"] = dResidentBefore;
    state.counters["resident_MB"] = ResidentMegabytes();
    FreeMapTiles();
}
BENCHMARK(BM_LawnMowerSquareKilometre)->Unit(benchmark::kMillisecond)->Iterations(1);

// A data file of one million 27-byte records: the start event, then per position five EM61-MK2 readings and a
// footprint of four map-point records along a lawn-mower walk.
std::string MillionRecordFile()
{
    static std::string path;
    if (!path.empty()) return path;
    path = MapDrivePath(L"C:\\data\\million.T61");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    auto record = [&](const char *text, size_t len) {
        char rec[27];
        memset(rec, ' ', 26);
        rec[26] = '\n';
        memcpy(rec, text, len < 16 ? len : 16);
        memcpy(rec + 16, "  12345678", 10);
        out.write(rec, 27);
    };
    record("X$STARTED", 9);
    long nRecords = 1;
    char sz[40];
    record("{0         0.000", 16);
    ++nRecords;
    for (long n = 0; nRecords < 1000000; ++n) {
        for (int k = 0; k < 5 && nRecords < 1000000; ++k, ++nRecords) {
            int w = 500 + (int)((n * 7 + k) % 1000);
            char frame[16] = {'T', 0, (char)(w >> 8), (char)(w & 0xFF), (char)(w >> 8), (char)(w & 0xFF), 0, 0, 0, 0,
                              5, 0x46, 0, 0, 0, 0};
            record(frame, 13);
        }
        double e, no;
        LawnMowerPosition(n, 500, 0.2, &e, &no);
        const double v[4] = {e, no + 0.5, e, no - 0.5};
        const char *letters = n == 0 ? "abcd" : "efgh";
        for (int i = 0; i < 4 && nRecords < 1000000; ++i, ++nRecords) {
            snprintf(sz, sizeof sz, "{%c%14.3f", letters[i], v[i]);
            record(sz, 16);
        }
    }
    return path;
}

void BM_RebuildMillionRecords(benchmark::State &state)
{
    StartOnce();
    std::string path = MillionRecordFile();
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\million.T61");
    OpenDataFileHandle();
    StartSurvey();
    nColorMapView = state.range(0);
    nCursorSize = 4;
    dScale1Min = 0.0;
    dScale1Max = 40000.0;
    ComputeColorStep(dScale1Min, dScale1Max);
    // As after a logging start or a zoom: no tile exists, the rebuild makes every one it draws into.
    const bool bFreed = state.range(1) != 0;
    for (auto _ : state) {
        if (bFreed) {
            state.PauseTiming();
            FreeMapTiles();
            state.ResumeTiming();
        }
        ReplotMapEm61Mk2();
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
    state.counters["tiles"] = MapTileCount();
    CloseDataFile();
}
// Arguments: colour view (1) or track (0); tiles freed before each rebuild (1) or redrawn into (0).
BENCHMARK(BM_RebuildMillionRecords)
    ->Args({1, 1})
    ->Args({0, 1})
    ->Args({1, 0})
    ->Args({0, 0})
    ->Unit(benchmark::kMillisecond);

// The same file read with plain read() into a buffer, as cat would.
void BM_ReadMillionRecordsPlain(benchmark::State &state)
{
    StartOnce();
    std::string path = MillionRecordFile();
    std::vector<char> buffer(131072);
    for (auto _ : state) {
        int fd = open(path.c_str(), O_RDONLY);
        size_t total = 0;
        ssize_t got;
        while ((got = read(fd, buffer.data(), buffer.size())) > 0) total += (size_t)got;
        close(fd);
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_ReadMillionRecordsPlain)->Unit(benchmark::kMillisecond);

}  // namespace
