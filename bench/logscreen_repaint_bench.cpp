// Full repaint of the logging screen with all its children, at the largest main window (landscape 1280 x 762, or
// portrait 800 x 1242 with LOGSCREEN_BENCH_PORTRAIT=1), an EM61-MK2 build with GPS and the map shown.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "platform/platform.h"
#include "resources/resources.h"

namespace {

HWND SetUpOnce()
{
    static HWND hwnd = nullptr;
    if (hwnd) return hwnd;
    char szRoot[] = "/tmp/logscreen-repaint-bench-XXXXXX";
    if (!mkdtemp(szRoot)) abort();
    setenv("ULVANE_ROOT", szRoot, 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char arg0[] = "logscreen-repaint-bench";
    static char *argv[] = {arg0, nullptr};
    nInstrumentType = INSTRUMENT_EM61MK2;
    bJixProduct = 0;
    HINSTANCE inst = PlatformInit(1, argv);
    const char *szPortrait = getenv("LOGSCREEN_BENCH_PORTRAIT");
    if (szPortrait && szPortrait[0] == '1')
        PlatformSetScreenSize(1080, 1920);
    else
        PlatformSetScreenSize(1920, 1080);
    std::filesystem::create_directories(std::string(szRoot) + "/C/ProgramData/Ulvane/Zanth61MK2");
    RegisterResources();
    if (RegisterWindowClasses(inst) != 0) abort();
    if (!InitInstance(inst, nullptr, SW_SHOWNORMAL)) abort();

    // The logging screen as the logging command lays it out, with GPS and the map.
    bGpsEnabled = bGpsActive = 1;
    bInstrumentEnabled = 1;
    nRecordingState = 0;
    if (bPortrait == 1)
        ArrangeLogScreenTall();
    else
        ArrangeLogScreen();
    ComputeMapDirection();
    LayoutStatusPanel(hwndLog);
    DeriveGraphScales();
    for (HWND h : ahMenuButton)
        if (h) ShowWindow(h, SW_HIDE);
    nActiveScreen = 1;
    ShowWindow(hwndLog, SW_SHOW);
    UpdateWindow(hwndLog);
    hwnd = hwndLog;
    return hwnd;
}

void BM_LogScreenFullRepaint(benchmark::State &state)
{
    HWND hwnd = SetUpOnce();
    const HWND ahChild[] = {hwndCurve1, hwndCurve2, hwndCurve3, hwndDecay, hwndBarQ, hwndBarI,
                            hwndNumbers, hwndSpeed, hwndMap, hwndColorBar};
    for (auto _ : state) {
        InvalidateRect(hwnd, nullptr, TRUE);
        for (HWND h : ahChild)
            if (h && IsWindowVisible(h)) InvalidateRect(h, nullptr, TRUE);
        UpdateWindow(hwnd);
        for (HWND h : ahChild)
            if (h && IsWindowVisible(h)) UpdateWindow(h);
    }
    state.counters["width"] = nClientWidth;
    state.counters["height"] = nClientHeight;
}
BENCHMARK(BM_LogScreenFullRepaint)->Unit(benchmark::kMillisecond)->Repetitions(5);

}  // namespace
