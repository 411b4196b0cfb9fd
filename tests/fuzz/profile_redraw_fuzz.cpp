// Fuzz target: the profile redraw read backwards from a data file of any bytes (EM61-MK2, 27-byte records).
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "displays/child_windows.h"
#include "displays/grid.h"
#include "displays/profile_redraw.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_decode.h"
#include "support/fuzz_support.h"
#include "tests/support/stand_in_windows.h"

static LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

static void Start()
{
    StartFuzzPlatform("profile_redraw");
    nInstrumentType = INSTRUMENT_EM61MK2;
    bJixProduct = 0;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    CreateThinTracePens();
    InitProfileRecordKinds();
    RegisterCurveWnd(hInst);
    HWND parent = CreateStandInParent(ParentProc, L"RedrawFuzzParent", L"Redraw", 400, 300);
    hwndCurve1 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, 210, 100, parent, 600, hInst, nullptr);
    if (!hwndCurve1) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const int bStarted = (Start(), 1);
    (void)bStarted;
    if (nSize < 1) return 0;
    SetDataRecordLength(27);
    nEm61Type = pData[0] & 3;
    nSensorSize = 2;
    nScaleType = (pData[0] >> 2) & 1;
    nEm61Mk2AltMode = (pData[0] >> 3) & 1;
    bInstrumentEnabled = 1;
    bAltGraphScale = 0;
    nCurveWndWidth = 210;
    nCurveAreaHeight = 100;
    dScale1Min = 0.0;
    dScale1Max = 2000.0;
    dScale1PixPerUnit = 0.05;
    dScale1PixPerUnitB = 0.05;
    nGraphBandWidth = 210;
    int nSign = 0;
    ComputeGridLines(anGridLineY1, 100, 0.0, 2000.0, 0.05, &nSign);
    for (double &d : adOffset) d = 0.0;
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\redraw.T61");
    if (!WriteFuzzFile(MapDrivePath(szDataFilePath), pData + 1, nSize - 1)) abort();
    if (OpenDataFileHandle() != 1) abort();
    RedrawProfileForInstrument();
    RedrawProfileFromFile(hwndCurve1);
    CloseDataFile();
    return 0;
}
