// Start-up cost: processor time (user and system, all threads) of a fresh process from exec until its main window is
// shown, for several builds. Each iteration starts this program again with STARTUP_BENCH_CHILD set; the child runs
// the program's own entry steps (platform, resources, window classes, main window made, shown and updated, then the
// pending Qt events once, so the first paint is done), reads its processor time and hands it back through a pipe.
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/core.h"
#include "platform/platform.h"
#include "resources/resources.h"

namespace {

double Seconds(const timeval &t) { return (double)t.tv_sec + (double)t.tv_usec / 1e6; }

// The child: the start of the build named by "type,jix" as its entry makes it ("exec": nothing, the cost of loading
// the program alone); writes its processor time in seconds to fd 3.
int RunChild(const char *szBuild, int argc, char **argv)
{
    int nType = 0, bJix = 0;
    if (strcmp(szBuild, "exec") != 0) {
        if (sscanf(szBuild, "%d,%d", &nType, &bJix) != 2) return 90;
        nInstrumentType = nType;
        bJixProduct = bJix;
        HINSTANCE inst = PlatformInit(argc, argv);
        RegisterResources();
        if (RegisterWindowClasses(inst) != 0) return 2;
        if (!InitInstance(inst, nullptr, SW_SHOWNORMAL)) return 16;
        PlatformPump(1);
    }
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    char text[64];
    const int n = snprintf(text, sizeof text, "%.6f\n", Seconds(ru.ru_utime) + Seconds(ru.ru_stime));
    if (n <= 0 || write(3, text, (size_t)n) != n) return 91;
    return 0;
}

// One start of the child in the root folder; its processor time until the window was shown (and until it ended),
// or a negative value when it failed.
double StartChild(const std::string &root, const std::string &build, double *pdTotal)
{
    int fds[2];
    if (pipe(fds) != 0) return -1.0;
    const pid_t pid = fork();
    if (pid < 0) return -1.0;
    if (pid == 0) {
        dup2(fds[1], 3);
        setenv("STARTUP_BENCH_CHILD", build.c_str(), 1);
        setenv("ULVANE_ROOT", root.c_str(), 1);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        execl("/proc/self/exe", "startup_bench", (char *)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string text;
    char buf[64];
    ssize_t n;
    while ((n = read(fds[0], buf, sizeof buf)) > 0) text.append(buf, (size_t)n);
    close(fds[0]);
    int status = 0;
    rusage ru{};
    if (wait4(pid, &status, 0, &ru) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1.0;
    *pdTotal = Seconds(ru.ru_utime) + Seconds(ru.ru_stime);
    char *end = nullptr;
    const double d = strtod(text.c_str(), &end);
    return end != text.c_str() ? d : -1.0;
}

// Arguments: instrument type and product line (1 Jix); type 99 loads the program and ends at once, the share of the
// figures that is the system's loading of the program and its libraries.
void BM_StartToMainWindowShown(benchmark::State &state)
{
    const std::string build =
        state.range(0) == 99 ? "exec" : std::to_string(state.range(0)) + "," + std::to_string(state.range(1));
    const std::string root = std::filesystem::temp_directory_path().string() + "/startup-bench-" +
                             std::to_string(getpid()) + "-" + std::to_string(state.range(0) + 10) + "-" +
                             std::to_string(state.range(1));
    std::filesystem::create_directories(root + "/C/data");
    double dTotal = 0.0;
    // The first start writes the settings file; the starts measured find it, as every later start does.
    if (StartChild(root, build, &dTotal) < 0.0) {
        state.SkipWithError("the program did not start");
        return;
    }
    double dSum = 0.0, dSumTotal = 0.0;
    for (auto _ : state) {
        const double d = StartChild(root, build, &dTotal);
        if (d < 0.0) {
            state.SkipWithError("the program did not start");
            break;
        }
        state.SetIterationTime(d);
        dSum += d;
        dSumTotal += dTotal;
    }
    if (state.iterations() > 0) {
        state.counters["cpu_ms_to_shown"] = 1000.0 * dSum / (double)state.iterations();
        state.counters["cpu_ms_to_exit"] = 1000.0 * dSumTotal / (double)state.iterations();
    }
    std::filesystem::remove_all(root);
}
BENCHMARK(BM_StartToMainWindowShown)
    ->Args({-1, 0})   // Zanth61MK2
    ->Args({-1, 1})   // Jix61MK2
    ->Args({-2, 0})   // Zanth61LX2
    ->Args({8, 0})    // Zanth38-4
    ->Args({9, 0})    // ZanthCS-21
    ->Args({99, 0})   // loading only
    ->UseManualTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char **argv)
{
    if (const char *szBuild = getenv("STARTUP_BENCH_CHILD")) _exit(RunChild(szBuild, argc, argv));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
