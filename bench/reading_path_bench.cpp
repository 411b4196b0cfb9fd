// Reading paths per reading: EM61-MK2, EM61-LX2, EM38-4 packets and CS-21 sentences, from decode to the record.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/child_windows.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "processing/conductivity_handlers.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61lx2_alarm.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em384_handler.h"
#include "processing/em61mk2_handler.h"
#include "processing/sentence_handlers.h"
#include "tests/support/stand_in_windows.h"

namespace {

LRESULT ParentProc(HWND hwnd, UINT m, WPARAM w, LPARAM l)
{
    return DefWindowProc(hwnd, m, w, l);
}

// A logging screen's display children on a 1024 x 600 screen, a data file in a private root, logging state.
void SetUpOnce()
{
    static bool bDone = false;
    if (bDone) return;
    bDone = true;
    char szRoot[] = "/tmp/reading-path-bench-XXXXXX";
    if (!mkdtemp(szRoot)) abort();
    setenv("ULVANE_ROOT", szRoot, 1);
    static char arg0[] = "reading-path-bench";
    static char *argv[] = {arg0, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    hInst = PlatformInit(1, argv);
    std::filesystem::create_directories(std::string(szRoot) + "/C/data");

    nInstrumentType = INSTRUMENT_EM61MK2;
    CreateDisplayFontsAndPens();
    RegisterCurveWnd(hInst);
    RegisterDecayWnd(hInst);
    RegisterNumbersWnd(hInst);
    hwndLog = CreateStandInParent(ParentProc, L"BenchLog", L"Log", 1024, 600);
    const DWORD style = WS_CHILD | WS_VISIBLE;
    hwndCurve1 = CreateWindow(L"CurveWnd", L"", style, 0, 40, 700, 300, hwndLog, 600, hInst, nullptr);
    hwndDecay = CreateWindow(L"DecayWnd", L"", style, 710, 40, 140, 180, hwndLog, 610, hInst, nullptr);
    hwndNumbers = CreateWindow(L"NumbersWnd", L"", style, 860, 40, 160, 180, hwndLog, 650, hInst, nullptr);

    SetProfileArea(700, 300, 180, 140);
    for (int i = 0; i < 4; i++) anBarLeft[i] = 10 + 30 * i;
    rcSidePanel = RECT{0, 0, 160, 180};
    rcSidePanelValues = RECT{30, 7, 160, 180};
    // Status boxes along the top of the screen, as the status panel lays them out.
    RECT *aprc[7] = {&rcStatusMarker, &rcStatusVoltage, &rcStatusCurrent, &rcStatusMode, &rcStatusStation,
                     &rcStatusCount, &rcStatusTime};
    for (int i = 0; i < 7; i++) *aprc[i] = RECT{10 + 100 * i, 2, 100 + 100 * i, 20};

    SetDataRecordLength(27);
    wcscpy(szDataFilePath, L"C:\\data\\bench.T61");
    OpenDataFileHandle();

    nEm61Type = 0;
    nEm61TypeSaved = 0;
    nInstrumentCmdReply = 1;
    nReferenceRingLength = 98;
    for (int i = 0; i < 98; i++) adCurrentRing[i] = 3000;
    dCurrentSum = 98 * 3000.0;
    bReferenceReady = 1;
    nEm61ProcedureState = 1;
    nRecordingState = 1;
    dwRecordingStartTick = 0;
    nColorMapView = 1;
    bSwathSampling = 1;
    dColorStep = 40;
}

void PutFrame(int i)
{
    const int w[4] = {1000 + (i % 200) * 3, 800 + (i % 170) * 2, 600 + (i % 150), 400 + (i % 90)};
    szInstrumentRecord[0] = (i % 40) == 0 ? 'M' : 'T';
    szInstrumentRecord[1] = 0;
    for (int k = 0; k < 4; k++) {
        szInstrumentRecord[2 + 2 * k] = (char)((w[k] >> 8) & 0xFF);
        szInstrumentRecord[3 + 2 * k] = (char)(w[k] & 0xFF);
    }
    szInstrumentRecord[10] = 0x0B;
    szInstrumentRecord[11] = (char)0xB8;
    szInstrumentRecord[12] = 81;
    szInstrumentRecord[13] = 0x7F;
    dwInstrumentDataTick = GetTickCount();
}

void BM_Em61Mk2ReadingPath(benchmark::State &state)
{
    SetUpOnce();
    int i = 0;
    for (auto _ : state) {
        PutFrame(i++);
        nSwathCellCount = 0;
        OnInstrumentReadingMsg(hwndLog, WM_EM61MK2_READING, 0, 0);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Em61Mk2ReadingPath)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// The two-coil EM61-LX2 reading path with the enhanced alarm: decode, alarm and numbers panel with the lamps,
// both strip charts, the Q and I bars, status, colour cell and record write.
void SetUpLx2Once()
{
    static bool bDone = false;
    if (bDone) return;
    bDone = true;
    SetUpOnce();
    nInstrumentType = INSTRUMENT_EM61LX2;
    nSensorsMinus1 = 1;
    const DWORD style = WS_CHILD | WS_VISIBLE;
    hwndCurve2 = CreateWindow(L"CurveWnd", L"", style, 0, 40, 700, 150, hwndLog, 600, hInst, nullptr);
    hwndCurve3 = CreateWindow(L"CurveWnd", L"", style, 0, 195, 700, 150, hwndLog, 600, hInst, nullptr);
    // The Q and I bars of the two coils.
    RegisterBarQWnd(hInst);
    RegisterBarIWnd(hInst);
    hwndBarQ = CreateWindow(L"BarQWnd", L"", style, 710, 230, 69, 180, hwndLog, 620, hInst, nullptr);
    hwndBarI = CreateWindow(L"BarIWnd", L"", style, 781, 230, 69, 180, hwndLog, 630, hInst, nullptr);
    RECT *aprcRow[6] = {&rcLx2Row1, &rcLx2Row2, &rcLx2Row3, &rcLx2Row4, &rcLx2Row5, &rcLx2Row6};
    for (int i = 0; i < 6; i++) *aprcRow[i] = RECT{40, 7 + 18 * i, 160, 25 + 18 * i};
    rcTargetLampLeft = RECT{720, 250, 740, 270};
    rcTargetLampMiddle = RECT{745, 250, 765, 270};
    rcTargetLampRight = RECT{770, 250, 790, 270};
    bNoCurrentNorm = 0;
    nAlarmType = 2;
    nAlarmAudio = 1;
    nAlarmChannel = 2;
    dAlarmMinLevel = 50;
    dAlarmMaxLevel = 100000;
    nColorMapView = 3;
}

void PutLx2Frame(int i)
{
    // A target every 40 readings under the left coil: a peak the enhanced alarm takes.
    const int nPeak = (i % 40) < 5 ? (2 - std::abs((i % 40) - 2)) * 400 : 0;
    const int w[4] = {300 + nPeak + (i % 17), 100 + (i % 11), 200 + (i % 13), 80 + (i % 7)};
    szInstrumentRecord[0] = 'E';
    szInstrumentRecord[1] = 0;
    for (int k = 0; k < 4; k++) {
        szInstrumentRecord[2 + 2 * k] = (char)((w[k] >> 8) & 0xFF);
        szInstrumentRecord[3 + 2 * k] = (char)(w[k] & 0xFF);
    }
    szInstrumentRecord[10] = (char)(3171 >> 8);
    szInstrumentRecord[11] = (char)(3171 & 0xFF);
    szInstrumentRecord[12] = 80;
    szInstrumentRecord[13] = 0;
    dwInstrumentDataTick = GetTickCount();
}

void BM_Em61Lx2DualReadingPath(benchmark::State &state)
{
    SetUpLx2Once();
    int i = 0;
    for (auto _ : state) {
        PutLx2Frame(i++);
        nSwathCellCount = 0;
        HandleEm61Lx2DualReading(hwndLog);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Em61Lx2DualReadingPath)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// EM38-4 packet while logging: decode, average over the frames of a reading (Arg: frames per reading), encode,
// record, profiles, numbers and bars. With one frame a reading every packet is recorded (the costliest case).
void BM_Em384PacketPath(benchmark::State &state)
{
    SetUpOnce();
    nInstrumentType = INSTRUMENT_EM384;
    SetDataRecordLength(47);
    hwndCurve2 = hwndCurve3 = hwndCurve1;
    dScale2Min = -25;
    dScale2Max = 25;
    dScale2PixPerUnit = 300.0 / 50.0;
    nFrameDecimation = (int)state.range(0);
    nFrameCount = 0;
    nEm384DisplayMode = 0;
    nCalProcedureState = 0;
    const int nReadingsBefore = nTotalReadingCount;
    int i = 0;
    for (auto _ : state) {
        memset(szInstrumentRecord, 0, 26);
        szInstrumentRecord[0] = 'T';
        szInstrumentRecord[1] = 2;
        for (int k = 0; k < 8; k++) {
            const int w = 33000 + (i * (k + 3)) % 600;
            szInstrumentRecord[2 + 2 * k] = (char)(w >> 8);
            szInstrumentRecord[3 + 2 * k] = (char)(w & 0xFF);
        }
        i++;
        adwFrameTick[0] = GetTickCount();
        nSwathCellCount = 0;
        OnEm384Reading(hwndLog, WM_EM384_READING, 0, 0);
    }
    // Every reading of the run was recorded.
    if (nTotalReadingCount - nReadingsBefore != i / (int)state.range(0)) state.SkipWithError("readings not recorded");
    state.SetItemsProcessed(state.iterations());
    SetDataRecordLength(27);
    nFrameDecimation = 1;
    nInstrumentType = INSTRUMENT_EM61MK2;
}
BENCHMARK(BM_Em384PacketPath)->Arg(1)->Arg(4)->Unit(benchmark::kMicrosecond)->Repetitions(5);

// CS-21 sentence while logging: values, rows, record, cell, status, profiles (on the '2' half) and numbers.
void BM_DualEmSentencePath(benchmark::State &state)
{
    SetUpOnce();
    nInstrumentType = INSTRUMENT_CS21;
    SetDataRecordLength(65);
    hwndCurve2 = hwndCurve3 = hwndCurve1;
    const int nReadingsBefore = nTotalReadingCount;
    int i = 0;
    for (auto _ : state) {
        char sz[128];
        const int n = snprintf(sz, sizeof sz, "$PDLM%d,112345.234,%.1f,%.2f,%.1f,%.2f*23", 1 + i % 2,
                               10.0 + i % 90, -0.8 + (i % 7) * 0.1, 30.0 + i % 50, 1.2);
        if (n <= 0 || n >= (int)sizeof sz) state.SkipWithError("sentence");
        memcpy(szInstrumentRecord, sz, (size_t)n + 1);
        dwInstrumentDataTick = GetTickCount();
        i++;
        nSwathCellCount = 0;
        OnDualEmReading(hwndLog, WM_DUALEM_READING, 0, 0);
    }
    // Every sentence was recorded.
    if (nTotalReadingCount - nReadingsBefore != i) state.SkipWithError("sentences not recorded");
    state.SetItemsProcessed(state.iterations());
    SetDataRecordLength(27);
    nInstrumentType = INSTRUMENT_EM61MK2;
}
BENCHMARK(BM_DualEmSentencePath)->Unit(benchmark::kMicrosecond)->Repetitions(5);

}  // namespace
