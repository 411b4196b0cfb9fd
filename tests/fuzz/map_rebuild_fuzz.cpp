// Fuzz target: the map rebuilt from a data file of any bytes (EM61-MK2, 27-byte records), from freed tiles.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/dispatch.h"
#include "support/fuzz_support.h"
#include "tests/support/map_start.h"

static LRESULT ScreenProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

static void Start()
{
    StartFuzzPlatform("map_rebuild");
    nInstrumentType = INSTRUMENT_EM61MK2;
    bJixProduct = 0;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    CreateChannelPens(0);
    CreateColorScalePens();
    WNDCLASS wc{};
    wc.lpfnWndProc = ScreenProc;
    wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
    wc.lpszClassName = L"MapFuzzScreen";
    RegisterClass(&wc);
    RegisterMapWnd(hInst);
    hwndLog = CreateWindow(L"MapFuzzScreen", L"Log", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 500, 500, nullptr, 0, hInst,
                           nullptr);
    hwndMap = CreateWindow(L"MapWnd", L"", WS_CHILD | WS_VISIBLE, 10, 10, 202, 202, hwndLog, 652, hInst, nullptr);
    if (!hwndMap) abort();
    RECT rc;
    GetClientRect(hwndMap, &rc);
    SetMapSide(rc.right);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const int bStarted = (Start(), 1);
    (void)bStarted;
    if (nSize < 1) return 0;
    SetDataRecordLength(27);
    bInstrumentEnabled = 1;
    nColorMapView = 1 + pData[0] % 4;
    StartMapLogging(500000.0, 5400000.0);
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\rebuild.T61");
    if (!WriteFuzzFile(MapDrivePath(szDataFilePath), pData + 1, nSize - 1)) abort();
    if (OpenDataFileHandle() != 1) abort();
    RebuildMapForInstrument();
    CloseDataFile();
    FreeMapTiles();
    return 0;
}
