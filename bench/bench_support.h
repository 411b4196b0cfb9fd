// Shared start of the benchmarks: the platform in a fresh root folder as a Zanth EM61-MK2, and the map window.
#pragma once

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "platform/platform.h"

// Starts the platform offscreen with $ULVANE_ROOT a new folder named after the benchmark (with its C/data folder)
// and the start-up settings of the Zanth EM61-MK2; returns the root folder.
inline std::string StartBenchProgram(const char *szName)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    std::string root = std::filesystem::temp_directory_path().string() + "/" + szName + "-" + std::to_string(getpid());
    std::filesystem::create_directories(root + "/C/data");
    setenv("ULVANE_ROOT", root.c_str(), 1);
    static std::string arg0 = szName;  // the platform keeps argv
    static char *argv[] = {arg0.data(), nullptr};
    hInst = PlatformInit(1, argv);
    nInstrumentType = INSTRUMENT_EM61MK2;
    bJixProduct = 0;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    return root;
}

// A square map window with a client area of nSide pixels, and the tiles it gives.
inline void CreateBenchMapWindow(int nSide)
{
    RegisterMapWnd(hInst);
    hwndMap = CreateWindow(L"MapWnd", L"", WS_OVERLAPPED | WS_VISIBLE, 0, 0, nSide + GetFrameSize().cx,
                           nSide + GetFrameSize().cy, nullptr, 0, hInst, nullptr);
    RECT rc;
    GetClientRect(hwndMap, &rc);
    SetMapSide(rc.right);
}
