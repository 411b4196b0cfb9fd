// Speed of the background files: converting an ASCII file of one million lines and a data file of one million
// records into temporary records, and RedrawBackgroundFiles with ten files of 100,000 points each.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/utm.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"

namespace {

const double kEast = 500000.0, kNorth = 5000000.0;
const int kMapWindow = 666;  // the map window of a 1280 x 800 screen (tiles of 664 pixels)
std::string root;

void StartOnce()
{
    static bool started = false;
    if (started) return;
    started = true;
    root = StartBenchProgram("background-bench");
    std::filesystem::create_directories(root + "/C/ProgramData/Ulvane/Temp");
    InitUtmConstants();
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateBenchMapWindow(kMapWindow);
    // The labels' font, as the main window makes it.
    hFontNormal = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    nMapSize = 100;
    dMapPixelsPerUnit = (double)nTileWidth / nMapSize;
    dMapOriginX = kEast;
    dMapOriginY = kNorth;
    nUtmZone = 18;
    nMapUnits = 0;
}

std::wstring Wide(const std::string &s) { return std::wstring(s.begin(), s.end()); }

// Converts the file at path with fn into a fresh temporary file; returns the records written.
template <typename Fn>
int ConvertInto(const std::string &path, const wchar_t *szTemp, Fn fn)
{
    HANDLE hSource = CreateFile(Wide(path).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    HANDLE hTemp = CreateFile(szTemp, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    BgSource src;
    BgSourceFromFile(&src, hSource);
    BgSink sink;
    BgSinkToFile(&sink, hTemp);
    int n = fn(&src, &sink);
    CloseHandle(hSource);
    CloseHandle(hTemp);
    return n;
}

void BM_ConvertAsciiMillionLines(benchmark::State &state)
{
    StartOnce();
    const std::string path = root + "/C/data/million.txt";
    const int kLines = 1000000;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        char line[96];
        for (int i = 0; i < kLines; i++) {
            int n = snprintf(line, sizeof line, "%.3f,%.3f,P%d\r\n", kEast + (i % 1000) * 0.05, kNorth + i / 1000 * 0.05,
                             i % 100);
            out.write(line, n);
        }
    }
    AsciiBgOptions opt;
    opt.nFileType = 2;
    const std::wstring temp = Wide(root + "/C/ProgramData/Ulvane/Temp/MILLIONTXT.$00");
    int n = 0;
    for (auto _ : state) {
        n = ConvertInto(path, temp.c_str(), [&opt](BgSource *s, BgSink *k) { return ConvertAsciiLines(s, k, opt); });
        benchmark::DoNotOptimize(n);
    }
    if (n != kLines) state.SkipWithError("not every line converted");
    state.SetItemsProcessed(state.iterations() * (int64_t)n);
    state.counters["points"] = n;
}
BENCHMARK(BM_ConvertAsciiMillionLines)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_ConvertDataFileMillionRecords(benchmark::State &state)
{
    StartOnce();
    const std::string path = root + "/C/data/million.T61";
    const int kRecords = 1000000;
    int nPositions = 0;
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        auto rec = [&out](std::string s) {
            s.resize(26, ' ');
            out << s << '\n';
        };
        rec("ZNTMK2  W");
        rec("2");
        rec("G  0.000  1.500 7001 1");
        int nWritten = 3;
        while (nWritten + 3 <= kRecords) {
            // One GGA sentence in "@", "#" and "!" records, positions 0.2 m apart north, line after line.
            double lat = 45.0 + (nPositions % 2000) * 0.2 / 111132.0;
            double minutes = (lat - 45.0) * 60.0;
            double lonMinutes = (nPositions / 2000) * 1.0 / 78846.0 * 60.0;
            char s[128];
            snprintf(s, sizeof s, "$GPGGA,120000,45%08.5f,N,075%07.4f,W,1,08", minutes, lonMinutes);
            std::string text = s;
            rec("@" + text.substr(0, 25));
            rec("#" + text.substr(25, 25));
            rec("!000001p");
            nWritten += 3;
            nPositions++;
        }
        while (nWritten++ < kRecords) rec("T    12   34   56   78");
    }
    const std::wstring temp = Wide(root + "/C/ProgramData/Ulvane/Temp/MILLIONT61.$01");
    int n = 0;
    for (auto _ : state) {
        n = ConvertInto(path, temp.c_str(), [](BgSource *s, BgSink *k) {
            DataBgInfo info;
            if (IdentifyDataFileKind(s, &info) != 3) return -1;
            return ConvertDataFileRecords(s, k, info, 0, 18);
        });
        benchmark::DoNotOptimize(n);
    }
    if (n < nPositions - 2) state.SkipWithError("positions lost");
    state.SetItemsProcessed(state.iterations() * (int64_t)kRecords);
    state.counters["records"] = kRecords;
    state.counters["points"] = n;
    state.counters["points_per_second"] = benchmark::Counter((double)n, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ConvertDataFileMillionRecords)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_RedrawTenFilesOf100000Points(benchmark::State &state)
{
    StartOnce();
    ClearBackgroundSlots();
    const int kPoints = 100000;
    char rec[BG_RECORD_LEN + 1];
    // Ten files over a 150 m square around the origin: (0) five of dots and symbols with labels and five of joined
    // lines; (1) dots only; (2) labelled squares only; (3) joined lines only; (4) as (0) along dense tracks, points
    // 0.05 m apart as a walk at 10 Hz records them.
    const int nMix = (int)state.range(0);
    for (int f = 0; f < 10; f++) {
        swprintf(aszBackgroundTempFile[f], BACKGROUND_NAME_CHARS, L"BENCH%d.$%02d", f, f);
        swprintf(aszBackgroundFileName[f], BACKGROUND_NAME_CHARS, L"bench%d.txt", f);
        aBgSlotStyle[f] = nMix == 1 ? 0 : nMix == 2 ? 4 : nMix == 3 ? 9 : (f < 5 ? f : 9 + f % 3);
        aBgSlotFileType[f] = ((nMix == 0 || nMix == 4) && f < 5) || nMix == 2 ? 2 : 1;
        const double dStep = nMix == 4 ? 0.05 : 0.3;
        std::string path = root + "/C/ProgramData/Ulvane/Temp/" + std::string(aszBackgroundTempFile[f],
                                                                               aszBackgroundTempFile[f] + wcslen(aszBackgroundTempFile[f]));
        std::string bytes;
        bytes.reserve((size_t)kPoints * BG_RECORD_LEN);
        for (int i = 0; i < kPoints; i++) {
            double x = kEast - 75 + (i % 500) * dStep + f * 0.02, y = kNorth - 75 + (i / 500) * 0.75;
            FormatBackgroundRecord(rec, x, y, 2, "AB");
            bytes.append(rec, BG_RECORD_LEN);
        }
        std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    }
    nBackgroundFileCount = 10;
    // As after a logging start, a zoom or a dialog: from freed tiles at the default map size, so that every tile
    // the files reach is made by the drawing.
    const int nMapSizeBefore = nMapSize;
    nMapSize = 40;
    dMapPixelsPerUnit = (double)nTileWidth / nMapSize;
    ComputeMapDirection();
    for (auto _ : state) {
        state.PauseTiming();
        FreeMapTiles();
        state.ResumeTiming();
        RedrawBackgroundFiles();
    }
    state.SetItemsProcessed(state.iterations() * 10 * (int64_t)kPoints);
    state.counters["tiles"] = MapTileCount();
    state.counters["tile_px"] = nTileWidth;
    // The 150 m square at 40 m a tile reaches at least 4 x 4 tiles; the dense tracks, 25 m by 150 m, at least 4.
    if (MapTileCount() < (nMix == 4 ? 4 : 16)) state.SkipWithError("the files drew into fewer tiles than they cover");
    FreeMapTiles();
    nMapSize = nMapSizeBefore;
    dMapPixelsPerUnit = (double)nTileWidth / nMapSize;
    nBackgroundFileCount = 0;
}
BENCHMARK(BM_RedrawTenFilesOf100000Points)->Arg(0)->Arg(1)->Arg(2)->Arg(3)->Arg(4)->Unit(benchmark::kMillisecond)->MinTime(3.0);

}  // namespace

// RedrawBackgroundFiles with one joined-line file of two points 40 km apart (a mistyped digit, a jump of a bad
// fix): the step is longer than any segment the map draws, so only the two dots are drawn; under 50 ms.
void BM_RedrawTwoPoints40KmApart(benchmark::State &state)
{
    StartOnce();
    ClearBackgroundSlots();
    char rec[BG_RECORD_LEN + 1];
    std::string bytes;
    const double d = 20000.0 / std::sqrt(2.0);
    FormatBackgroundRecord(rec, kEast - d, kNorth - d, 0, nullptr);
    bytes.append(rec, BG_RECORD_LEN);
    FormatBackgroundRecord(rec, kEast + d, kNorth + d, 0, nullptr);
    bytes.append(rec, BG_RECORD_LEN);
    std::ofstream(root + "/C/ProgramData/Ulvane/Temp/FAR40KM.$00", std::ios::binary | std::ios::trunc) << bytes;
    swprintf(aszBackgroundTempFile[0], BACKGROUND_NAME_CHARS, L"FAR40KM.$00");
    swprintf(aszBackgroundFileName[0], BACKGROUND_NAME_CHARS, L"far40km.txt");
    aBgSlotStyle[0] = 9;
    aBgSlotFileType[0] = 1;
    nBackgroundFileCount = 1;
    for (auto _ : state) {
        FreeMapTiles();
        RedrawBackgroundFiles();
    }
    state.counters["tiles"] = MapTileCount();
    nBackgroundFileCount = 0;
}
BENCHMARK(BM_RedrawTwoPoints40KmApart)->Unit(benchmark::kMillisecond);
