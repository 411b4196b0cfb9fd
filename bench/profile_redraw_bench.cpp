// Speed of the profile redraw from the data file when the current line holds no readings near its end: a file of
// ten million records whose last line is GPS records only, and, beside it, a full window of readings.
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
#include "displays/child_windows.h"
#include "displays/profile_redraw.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/dispatch.h"
#include "tests/support/stand_in_windows.h"

namespace {

std::string benchRoot;

// The platform, the pens, a profile window of 1000 pixels and a data file folder; once.
void StartOnce()
{
    static bool started = false;
    if (started) return;
    started = true;
    benchRoot = StartBenchProgram("profile-bench");
    std::atexit([] { std::filesystem::remove_all(benchRoot); });  // the ten-million-record file is 270 MB
    SetDataRecordLength(27);
    CreateThinTracePens();
    InitProfileRecordKinds();
    RegisterCurveWnd(hInst);
    hwndCurve1 = CreateWindow(L"CurveWnd", L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 1000, 200, nullptr, 0, hInst,
                              nullptr);
    nCurveWndWidth = 1000;
    nCurveAreaHeight = 200;
    dScale1Min = 0.0;
    dScale1Max = 2000.0;
    dScale1PixPerUnit = 0.1;
    dScale1PixPerUnitB = 0.1;
}

void Record(std::ofstream &out, const char *text, size_t len)
{
    char rec[27];
    memset(rec, ' ', 26);
    rec[26] = '\n';
    memcpy(rec, text, len < 16 ? len : 16);
    memcpy(rec + 16, "  12345678", 10);
    out.write(rec, 27);
}

void Reading(std::ofstream &out, int w)
{
    const char frame[13] = {'T', 0, (char)(w >> 8), (char)(w & 0xFF), (char)(w >> 8), (char)(w & 0xFF), 0, 0, 0, 0,
                            5, 0x46, 0};
    Record(out, frame, 13);
}

// A line of readings, then a new line of nRecords GPS records only.
std::string NoReadingsFile(long nRecords)
{
    std::string path = MapDrivePath(L"C:\\data\\noreadings.T61");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    Record(out, "Z10/12/26", 9);
    Record(out, "X$STARTED", 9);
    for (int i = 0; i < 2000; i++) Reading(out, 500 + i % 1000);
    Record(out, "Z10/12/26", 9);
    for (long n = 4003; n < nRecords; n++) Record(out, "X GPS SENTENCE", 14);
    return path;
}

std::string FullWindowFile()
{
    std::string path = MapDrivePath(L"C:\\data\\readings.T61");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    Record(out, "Z10/12/26", 9);
    Record(out, "X$STARTED", 9);
    for (int i = 0; i < 5000; i++) {
        Reading(out, 500 + i % 1000);
        Record(out, "X GPS SENTENCE", 14);
    }
    return path;
}

void Open(const wchar_t *name)
{
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\%ls", name);
    OpenDataFileHandle();
}

void BM_RedrawTenMillionRecordsNoReadingsInLine(benchmark::State &state)
{
    StartOnce();
    static std::string path = NoReadingsFile(10000000);
    Open(L"noreadings.T61");
    for (auto _ : state) RedrawProfileForInstrument();
    state.counters["file_MB"] = (double)std::filesystem::file_size(path) / 1e6;
    CloseDataFile();
}
BENCHMARK(BM_RedrawTenMillionRecordsNoReadingsInLine)->Unit(benchmark::kMillisecond);

void BM_RedrawFullWindowOfReadings(benchmark::State &state)
{
    StartOnce();
    static std::string path = FullWindowFile();
    Open(L"readings.T61");
    for (auto _ : state) RedrawProfileForInstrument();
    CloseDataFile();
}
BENCHMARK(BM_RedrawFullWindowOfReadings)->Unit(benchmark::kMillisecond);

}  // namespace
