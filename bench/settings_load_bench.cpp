// Speed of loading the settings file at start-up: a whole file, and files with a 100 MB first line or folder line
// (the load time must not grow with what the file holds), and ReadFileLine through a 16 MB line.
#include <benchmark/benchmark.h>

#include "bench/bench_support.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "platform/platform.h"

namespace {

std::string root;

void StartOnce()
{
    static bool started = false;
    if (started) return;
    started = true;
    root = StartBenchProgram("settings-load-bench");
    EnsureRootFolders();
}

std::string SettingsFilePath()
{
    wchar_t sz[261];
    if (!GetSettingsFilePath(sz, 261)) return std::string();
    return MapDrivePath(sz);
}

std::string FreshFileBytes()
{
    RestoreInitialSettings();
    ApplyStartupDefaults();
    LoadSaveSettingsFile(1);
    std::ifstream in(SettingsFilePath(), std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The file as it stands (0), with 100 MB added to the version line (1) or to the data folder line (2).
void BM_LoadSettingsFile(benchmark::State &state)
{
    StartOnce();
    const std::string fresh = FreshFileBytes();
    const size_t nLineEnd = fresh.find("\r\n");
    const size_t nFolderEnd = fresh.find("\r\n", nLineEnd + 2);
    std::string bytes = fresh;
    if (state.range(0) == 1) bytes.insert(nLineEnd, std::string(100u << 20, 'A'));
    if (state.range(0) == 2) bytes.insert(nFolderEnd, std::string(100u << 20, 'A'));
    for (auto _ : state) {
        state.PauseTiming();
        std::ofstream(SettingsFilePath(), std::ios::binary | std::ios::trunc) << bytes;
        state.ResumeTiming();
        LoadSaveSettingsFile(0);
    }
}
BENCHMARK(BM_LoadSettingsFile)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_ReadFileLineThroughLongLine(benchmark::State &state)
{
    StartOnce();
    const std::string path = root + "/C/longline.txt";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << std::string(16u << 20, 'x') << "\r\nnext\r\n";
    for (auto _ : state) {
        HANDLE h = CreateFile(L"C:\\longline.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        char szLine[261];
        benchmark::DoNotOptimize(ReadFileLine(h, szLine, (int)sizeof szLine));
        benchmark::DoNotOptimize(ReadFileLine(h, szLine, (int)sizeof szLine));
        CloseHandle(h);
    }
    state.SetBytesProcessed(state.iterations() * (int64_t)(16u << 20));
}
BENCHMARK(BM_ReadFileLineThroughLongLine)->Unit(benchmark::kMillisecond);

}  // namespace
