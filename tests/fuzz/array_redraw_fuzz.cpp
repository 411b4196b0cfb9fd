// Fuzz target: the profile redraws of the EM38-4 (47-byte records), CS-21 (65) and Grad601 (27) read backwards from
// a data file of any bytes, into the second and third profile windows.
#include <cstdint>
#include <cstdlib>
#include <cstring>
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
#include "support/fuzz_support.h"
#include "tests/support/stand_in_windows.h"

namespace {

LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(hwnd, m, w, l); }

void Start()
{
    StartFuzzPlatform("array_redraw");
    nInstrumentType = INSTRUMENT_EM384;
    bJixProduct = 0;
    RestoreInitialSettings();
    ApplyStartupDefaults();
    CreateFixedPensAndBrushes();
    CreateTrackPens(0);
    for (int i = 0; i < 16; i++) anChannelPenWidth[i] = 1 + i % 3;
    CreateChannelPens(0);
    RegisterCurveWnd(hInst);
    HWND parent = CreateStandInParent(ParentProc, L"ArrayRedrawFuzzParent", L"Redraw", 400, 300);
    hwndCurve2 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 0, 210, 100, parent, 601, hInst, nullptr);
    hwndCurve3 = CreateWindow(L"CurveWnd", L"", WS_CHILD | WS_VISIBLE, 0, 100, 210, 100, parent, 602, hInst, nullptr);
    if (!hwndCurve2 || !hwndCurve3) abort();
}

}  // namespace

// Input: one byte choosing the instrument and its modes, then the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    static const int bStarted = (Start(), 1);
    (void)bStarted;
    if (nSize < 1) return 0;
    static const int anType[3] = {INSTRUMENT_EM384, INSTRUMENT_CS21, INSTRUMENT_GRAD601};
    static const int anLength[3] = {47, 65, 27};
    const int nWhich = pData[0] % 3;
    nInstrumentType = anType[nWhich];
    nEm384DisplayMode = (pData[0] / 3) % 3;
    nSensorsMinus1 = (pData[0] / 9) & 1;
    nInphaseUnits = (pData[0] / 18) & 1;
    SetDataRecordLength(anLength[nWhich]);
    nCurveWndWidth = 210;
    nCurveAreaHeight = nCurveAreaHeight2 = nCurveAreaHeight3 = 100;
    dScale1Min = -50.0;
    dScale1Max = 950.0;
    dScale2Min = -20.0;
    dScale2Max = 30.0;
    dScale1PixPerUnit = dScale1PixPerUnitB = 0.1;
    dScale2PixPerUnit = dScale2PixPerUnitB = 2.0;
    for (double &d : adCalibration) d = 0.0;
    for (double &d : adCalibrationB) d = 0.0;
    CloseDataFile();
    swprintf(szDataFilePath, 261, L"C:\\data\\arrayredraw.dat");
    if (!WriteFuzzFile(MapDrivePath(szDataFilePath), pData + 1, nSize - 1)) abort();
    if (OpenDataFileHandle() != 1) abort();
    switch (nInstrumentType) {
    case INSTRUMENT_EM384: RedrawEm384ProfileFromFile(hwndCurve2, hwndCurve3); break;
    case INSTRUMENT_CS21: RedrawDualEmProfileFromFile(hwndCurve2, hwndCurve3); break;
    default: RedrawRecentRecordsGrad(hwndCurve2, hwndCurve3); break;
    }
    // The redraw reads the coefficients of older readings into a copy: the ones in force stay as they were.
    for (double d : adCalibration)
        if (d != 0.0) abort();
    for (double d : adCalibrationB)
        if (d != 0.0) abort();
    CloseDataFile();
    return 0;
}
