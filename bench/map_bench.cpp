// Speed and memory of the map: the update per GPS position with a full swath, the resident memory of a square
// kilometre surveyed lawn-mower fashion, and the rebuild of the map from a data file of one million records (from
// freed tiles and into existing ones) beside a plain read of the same file.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "displays/child_windows.h"
#include "displays/scales.h"
#include "processing/conductivity_handlers.h"
#include "tests/support/map_start.h"
#include "tests/support/stand_in_windows.h"

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
    benchRoot = StartBenchProgram("map-bench");
    SetDataRecordLength(27);
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateChannelPens(0);
    CreateColorScalePens();
    nClientWidth = 1272;
    nClientHeight = 728;
    nLineHeight = 18;
    nTextHeight = 16;
    bGpsActive = 1;
    ArrangeLogScreen();
    CreateBenchMapWindow(nMapViewPixels);
}

// Processor time of the calling thread in milliseconds.
double ThreadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
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
    ResetMapView(kEast, kNorth);
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

// Layers the tile store keeps as bitmaps at the map window of the benchmarks.
double HotLayers() { return (double)nTileLayerBudgetBytes / (double)MapTileLayerBytes(); }

// Positions of a walk with a full swath: lines 1 km long, 2 m apart, a position every range / 10 metres. The
// benchmark runs a fixed number of positions, enough that the walk leaves the tiles kept as bitmaps and comes
// back to tiles held packed on every line, as a survey longer than a few tiles does.
void BM_UpdateMapDisplayFullSwath(benchmark::State &state)
{
    StartOnce();
    OpenBenchFile(L"update.T61");
    StartSurvey();
    dSwathLeft = dSwathRight = 1.0;
    const double dStep = state.range(0) / 10.0;  // metres between positions
    long n = 1;
    for (auto _ : state) {
        double e, no;
        LawnMowerPosition(n++, (int)(1000.0 / dStep), dStep, &e, &no, 2.0);
        HandOverFullRow();
        UpdateMapDisplay(hwndMap, 1, no, e, dStep);
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["tiles"] = MapTileCount();
    state.counters["hot_layers"] = HotLayers();
    if (MapTileCount() * 2 <= HotLayers()) state.SkipWithError("the walk stayed within the tiles kept as bitmaps");
    CloseDataFile();
    FreeMapTiles();
}
BENCHMARK(BM_UpdateMapDisplayFullSwath)->Arg(2)->Arg(10)->Iterations(25000)->Unit(benchmark::kMicrosecond);

// A survey of one square kilometre at the default map size (40 m a tile): lawn-mower lines 1 km long, 2 m apart,
// a swath 2 m wide, a position every 2 m with a full row of cells; the map copied into the window at every
// position. Far more tiles than stay bitmaps, so the walk keeps leaving the tiles in use and coming back to tiles
// held packed, as an operator's does. Each call of UpdateMapDisplay is timed: the median, the 99th percentile and
// the slowest call in milliseconds; resident memory after the survey, beside what the process held before it.
void BM_LawnMowerSquareKilometre(benchmark::State &state)
{
    StartOnce();
    const double dStep = 2.0, dLineSpacing = 2.0;
    const int nLineSteps = 500, nLines = 500;
    double dResidentBefore = 0.0;
    std::vector<double> adCallMs, adCpuMs;
    adCallMs.reserve((size_t)nLines * (nLineSteps + 1));
    adCpuMs.reserve((size_t)nLines * (nLineSteps + 1));
    for (auto _ : state) {
        OpenBenchFile(L"square.T61");
        StartSurvey();
        dSwathLeft = dSwathRight = dLineSpacing / 2;
        dResidentBefore = ResidentMegabytes();
        adCallMs.clear();
        adCpuMs.clear();
        for (long n = 1; n < (long)nLines * (nLineSteps + 1); ++n) {
            double e, no;
            LawnMowerPosition(n, nLineSteps, dStep, &e, &no, dLineSpacing);
            HandOverFullRow();
            const auto t0 = std::chrono::steady_clock::now();
            const double dCpu0 = ThreadCpuMs();
            UpdateMapDisplay(hwndMap, 1, no, e, dStep);
            adCpuMs.push_back(ThreadCpuMs() - dCpu0);
            adCallMs.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        }
        CloseDataFile();
    }
    // The survey must have drawn every tile of the square and gone far beyond the tiles kept as bitmaps.
    const int nTiles = MapTileCount();
    if (nTiles < 25 * 25) state.SkipWithError("the survey did not draw the square kilometre");
    if ((size_t)nTiles * 2 * MapTileLayerBytes() <= 4 * nTileLayerBudgetBytes)
        state.SkipWithError("the survey stayed within the tiles kept as bitmaps");
    std::sort(adCallMs.begin(), adCallMs.end());
    std::sort(adCpuMs.begin(), adCpuMs.end());
    auto percentile = [](const std::vector<double> &ad, double p) {
        return ad.empty() ? 0.0 : ad[std::min(ad.size() - 1, (size_t)(p * ad.size()))];
    };
    state.counters["positions"] = (double)nLines * (nLineSteps + 1);
    state.counters["tiles"] = nTiles;
    state.counters["tile_px"] = nTileWidth;
    // Wall-clock time of a call, and the screen thread's own processor time in it (a busy machine stretches the
    // first with time the thread waits for a processor).
    state.counters["p50_ms"] = percentile(adCallMs, 0.5);
    state.counters["p99_ms"] = percentile(adCallMs, 0.99);
    state.counters["p999_ms"] = percentile(adCallMs, 0.999);
    state.counters["max_ms"] = adCallMs.empty() ? 0.0 : adCallMs.back();
    state.counters["cpu_p50_ms"] = percentile(adCpuMs, 0.5);
    state.counters["cpu_p99_ms"] = percentile(adCpuMs, 0.99);
    state.counters["cpu_max_ms"] = adCpuMs.empty() ? 0.0 : adCpuMs.back();
    size_t nOver1 = 0, nOver20 = 0;
    for (double d : adCallMs) {
        nOver1 += d > 1.0;
        nOver20 += d > 20.0;
    }
    state.counters["calls_over_1ms"] = (double)nOver1;
    state.counters["calls_over_20ms"] = (double)nOver20;
    state.counters["bitmaps_would_MB"] = nTiles * 2.0 * MapTileLayerBytes() / 1e6;
    state.counters["store_MB"] = MapTileStoreBytes() / 1e6;
    state.counters["resident_before_MB"] = dResidentBefore;
    state.counters["resident_MB"] = ResidentMegabytes();
    FreeMapTiles();
}
BENCHMARK(BM_LawnMowerSquareKilometre)->Unit(benchmark::kMillisecond)->Iterations(1);

// A file of one million 27-byte records: the start event, a segment start, then five readings (made by frame(n, k) from
// 13 or 14 bytes) and the footprint of four map-point records along a lawn-mower walk.
std::string MillionRecordFileOf(const wchar_t *szName, std::string (*frame)(long n, int k))
{
    std::string path = MapDrivePath((std::wstring(L"C:\\data\\") + szName).c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    // Readings carry their tick; map-point records hold nothing after their field, as the program writes them.
    auto record = [&](const char *text, size_t len) {
        char rec[27];
        memset(rec, ' ', 26);
        rec[26] = '\n';
        memcpy(rec, text, len < 16 ? len : 16);
        if (text[0] != '{') memcpy(rec + 16, "  12345678", 10);
        out.write(rec, 27);
    };
    record("X$STARTED", 9);
    long nRecords = 1;
    char sz[40];
    record("{0         0.000", 16);
    ++nRecords;
    for (long n = 0; nRecords < 1000000; ++n) {
        for (int k = 0; k < 5 && nRecords < 1000000; ++k, ++nRecords) {
            const std::string f = frame(n, k);
            record(f.data(), f.size());
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

std::string Em61Mk2Frame(long n, int k)
{
    int w = 500 + (int)((n * 7 + k) % 1000);
    const char frame[13] = {'T', 0, (char)(w >> 8), (char)(w & 0xFF), (char)(w >> 8), (char)(w & 0xFF), 0, 0, 0, 0,
                            5, 0x46, 0};
    return std::string(frame, 13);
}

std::string MillionRecordFile()
{
    static std::string path;
    if (path.empty()) path = MillionRecordFileOf(L"million.T61", Em61Mk2Frame);
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
    // As after a logging start or a zoom: no tile exists, the rebuild makes every one it draws into (1: from the
    // bitmaps the store kept when it freed the tiles; 2: from new bitmaps, as the first rebuild of a run).
    const int nFreed = (int)state.range(1);
    for (auto _ : state) {
        if (nFreed) {
            state.PauseTiming();
            const size_t nBudget = nTileLayerBudgetBytes;
            if (nFreed == 2) nTileLayerBudgetBytes = 0;  // no bitmap kept for the next tiles
            FreeMapTiles();
            nTileLayerBudgetBytes = nBudget;
            state.ResumeTiming();
        }
        ReplotMapEm61Mk2();
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
    state.counters["tiles"] = MapTileCount();
    state.counters["tile_px"] = nTileWidth;
    if (MapTileCount() == 0) state.SkipWithError("the rebuild drew nothing");
    CloseDataFile();
}
// Arguments: colour view (1) or track (0); tiles freed before each rebuild (1, 2 with no bitmap kept) or redrawn
// into (0).
BENCHMARK(BM_RebuildMillionRecords)
    ->Args({1, 1})
    ->Args({1, 2})
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

// A data file of one million records of the given length: the start event, then per position five readings made by
// `reading` and a footprint of four map-point records along a lawn-mower walk.
std::string MillionArrayFile(const char *szName, int nLength, void (*reading)(long n, int k, char *rec))
{
    std::string path = MapDrivePath((std::wstring(L"C:\\data\\") + std::wstring(szName, szName + strlen(szName))).c_str());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    std::vector<char> rec(nLength);
    auto text = [&](const char *sz) {
        memset(rec.data(), ' ', nLength - 1);
        rec[nLength - 1] = '\n';
        memcpy(rec.data(), sz, strlen(sz));
        out.write(rec.data(), nLength);
    };
    text("X$STARTED");
    text("{0         0.000");
    long nRecords = 2;
    char sz[40];
    for (long n = 0; nRecords < 1000000; ++n) {
        for (int k = 0; k < 5 && nRecords < 1000000; ++k, ++nRecords) {
            memset(rec.data(), ' ', nLength - 1);
            rec[nLength - 1] = '\n';
            reading(n, k, rec.data());
            out.write(rec.data(), nLength);
        }
        double e, no;
        LawnMowerPosition(n, 500, 0.2, &e, &no);
        const double v[4] = {e, no + 0.5, e, no - 0.5};
        const char *letters = n == 0 ? "abcd" : "efgh";
        for (int i = 0; i < 4 && nRecords < 1000000; ++i, ++nRecords) {
            snprintf(sz, sizeof sz, "{%c%14.3f", letters[i], v[i]);
            text(sz);
        }
    }
    return path;
}

void Em384BenchReading(long n, int k, char *rec)
{
    rec[0] = 'T';
    rec[1] = 2;
    for (int i = 2; i < 35; i++) rec[i] = 0;
    const int w = 33000 + (int)((n * 7 + k) % 1000);
    for (int off = 2; off < 18; off += 2) {
        rec[off] = (char)(w >> 8);
        rec[off + 1] = (char)(w & 0xFF);
    }
}

void GradBenchReading(long n, int k, char *rec)
{
    char sz[24];
    snprintf(sz, sizeof sz, "T$P,%5ld,%5ld", (n * 7 + k) % 1000, (n * 3 + k) % 1000);
    memcpy(rec, sz, strlen(sz));
}

void RunReplayBench(benchmark::State &state, int nInstrument, int nLength, const char *szName,
                    void (*reading)(long, int, char *), void (*replay)(), int nSensors = 0)
{
    StartOnce();
    nInstrumentType = nInstrument;
    SetDataRecordLength(nLength);
    MillionArrayFile(szName, nLength, reading);
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\%s", szName);
    OpenDataFileHandle();
    StartSurvey();
    nSensorsMinus1 = nSensors;
    nColorMapView = 1;
    dScale1Min = 0.0;
    dScale1Max = 1000.0;
    for (auto _ : state) replay();
    nSensorsMinus1 = 0;
    state.SetItemsProcessed(state.iterations() * 1000000);
    CloseDataFile();
    nInstrumentType = INSTRUMENT_EM61MK2;
    SetDataRecordLength(27);
}

void BM_ReplayEm384MillionRecords(benchmark::State &state)
{
    RunReplayBench(state, INSTRUMENT_EM384, 47, "million.T38", Em384BenchReading, ReplayEm384DataFile);
}
BENCHMARK(BM_ReplayEm384MillionRecords)->Unit(benchmark::kMillisecond);

void BM_ReplayGradMillionRecords(benchmark::State &state)
{
    RunReplayBench(state, INSTRUMENT_GRAD601, 27, "million.G60", GradBenchReading, ReplayDataFileGrad,
                   (int)state.range(0));
}
BENCHMARK(BM_ReplayGradMillionRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// ---------------------------------------------------------------------------------------------------------------
// Conductivity meters: the rebuild from one million records, and one reading through the live handler
// (decode, screen rows, colour cell, reading record, status and profile)
// ---------------------------------------------------------------------------------------------------------------
std::string Em31Frame(long n, int k)
{
    char sz[16];
    snprintf(sz, sizeof sz, "T0%+05d%+05d", -(int)((n * 7 + k) % 1000), -(int)((n * 3 + k) % 900));
    return std::string(sz, 12);
}

std::string Em38Mk2Frame(long n, int k)
{
    std::string f = "T";
    f += (char)6;
    const unsigned w = 32800u + (unsigned)((n * 37 + k * 11) % 600);
    for (unsigned word : {w + 5, w + 9, w, w + 3, 0u, 0u}) {
        f += (char)(word >> 8);
        f += (char)(word & 0xFF);
    }
    return f;
}

void BM_ReplotConductivityMillionRecords(benchmark::State &state)
{
    StartOnce();
    const bool bMk2 = state.range(0) == 1;
    static std::string aPath[2];
    std::string &path = aPath[bMk2 ? 1 : 0];
    if (path.empty()) path = MillionRecordFileOf(bMk2 ? L"million.M38" : L"million.T31", bMk2 ? Em38Mk2Frame : Em31Frame);
    CloseDataFile();
    swprintf(szDataFilePath, 261, bMk2 ? L"C:\\data\\million.M38" : L"C:\\data\\million.T31");
    OpenDataFileHandle();
    nInstrumentType = bMk2 ? INSTRUMENT_EM38MK2 : INSTRUMENT_EM31MK2;
    StartSurvey();
    nColorMapView = 1;
    dScale1Min = 0.0;
    dScale1Max = bMk2 ? 60.0 : 300.0;
    for (auto _ : state) {
        if (bMk2) ReplotMapEm38Mk2();
        else ReplotMapEm31();
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
    state.SetLabel(bMk2 ? "ReplotMapEm38Mk2" : "ReplotMapEm31");
    CloseDataFile();
    nInstrumentType = INSTRUMENT_EM61MK2;
}
BENCHMARK(BM_ReplotConductivityMillionRecords)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ConductivityReadingPath(benchmark::State &state)
{
    StartOnce();
    const bool bMk2 = state.range(0) == 1;
    OpenBenchFile(bMk2 ? L"path.M38" : L"path.T31");
    nInstrumentType = bMk2 ? INSTRUMENT_EM38MK2 : INSTRUMENT_EM31MK2;
    SetDataRecordLength(27);
    nInstrumentRecordLength = bMk2 ? 14 : 12;
    StartSurvey();
    nSurveyMode = 0;
    nRecordTrigger = 0;
    nCalProcedureState = 0;
    bSwathSampling = 1;
    dwRecordingStartTick = 0;
    // The logging screen the handler draws on: its status panel and marker lamp, the profile window it scrolls
    // (1000 pixels, 4 curves), the numbers panel and the two bar windows. Made once; the other benchmarks of this
    // file run without them.
    static HWND hLog = nullptr, hCurve = nullptr, hNumbers = nullptr, hBarQ = nullptr, hBarI = nullptr;
    if (!hLog) {
        RegisterCurveWnd(hInst);
        RegisterNumbersWnd(hInst);
        RegisterBarQWnd(hInst);
        RegisterBarIWnd(hInst);
        hLog = CreateStandInParent(DefWindowProc, L"ConductivityBenchLog", L"Log", 1272, 728);
        const DWORD style = WS_CHILD | WS_VISIBLE;
        hCurve = CreateWindow(L"CurveWnd", L"", style, 0, 20, 1000, 200, hLog, 600, hInst, nullptr);
        hBarQ = CreateWindow(L"BarQWnd", L"", style, 1010, 20, 60, 200, hLog, 620, hInst, nullptr);
        hBarI = CreateWindow(L"BarIWnd", L"", style, 1080, 20, 60, 200, hLog, 630, hInst, nullptr);
        hNumbers = CreateWindow(L"NumbersWnd", L"", style, 1010, 240, 160, 100, hLog, 650, hInst, nullptr);
    }
    hwndLog = hLog;
    hwndCurve1 = hCurve;
    hwndNumbers = hNumbers;
    hwndBarQ = hBarQ;
    hwndBarI = hBarI;
    nCurveWndWidth = 1000;
    nCurveAreaHeight2 = 200;
    nProfileCurves = 4;
    dScale1Min = 0.0;
    dScale1Max = 300.0;
    dScale1PixPerUnit = 200.0 / 300.0;
    dScale2Min = -20.0;
    dScale2Max = 20.0;
    dScale2PixPerUnit = 5.0;
    long n = 0;
    for (auto _ : state) {
        const std::string frame = bMk2 ? Em38Mk2Frame(n, 0) : Em31Frame(n, 0);
        memcpy(szInstrumentRecord, frame.data(), frame.size());
        adwFrameTick[0] = (DWORD)n;
        if (bMk2) HandleEm38Mk2Reading(hwndLog, 0, 0, 0);
        else HandleEm31Mk2Reading(hwndLog, 0, 0, 0);
        if (++n % 400 == 0) nSwathCellCount = 0;  // a position hands the row over
    }
    state.SetLabel(bMk2 ? "EM38-MK2 with screen" : "EM31-MK2 with screen");
    hwndLog = hwndCurve1 = hwndNumbers = hwndBarQ = hwndBarI = nullptr;
    CloseDataFile();
    nInstrumentType = INSTRUMENT_EM61MK2;
}
BENCHMARK(BM_ConductivityReadingPath)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
// The EM61-LX2 rebuild over the same million records, two coils in the filtered view (two-sensor cells).
void BM_RebuildMillionRecordsEm61Lx2(benchmark::State &state)
{
    StartOnce();
    std::string path = MillionRecordFile();
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\million.T61");
    OpenDataFileHandle();
    StartSurvey();
    const int nSensorsBefore = nSensorsMinus1;
    nSensorsMinus1 = 1;
    nColorMapView = 3;
    nCursorSize = 4;
    dScale1Min = 0.0;
    dScale1Max = 40000.0;
    ComputeColorStep(dScale1Min, dScale1Max);
    for (auto _ : state) {
        ReplotMapEm61Lx2();
    }
    state.SetItemsProcessed(state.iterations() * 1000000);
    nSensorsMinus1 = nSensorsBefore;
    CloseDataFile();
}
BENCHMARK(BM_RebuildMillionRecordsEm61Lx2)->Unit(benchmark::kMillisecond);

}  // namespace
