// Logging command: prepares a logging run, checks and opens the ports, starts the readers and shows the screen.
#include "core/logging_command.h"

#include "acquisition/acquisition.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile_state.h"
#include "datafile/record_length.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/em38_probe.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "processing/gps_formats.h"
#include "processing/gps_position.h"
#include "processing/handler_state.h"

#include <cmath>

int nModeCode = 0;
char cDipoleMode = 'V';
int bManualSampleSeries = 0;
double dReadingRate = 5.0;

namespace {

const DWORD kLinkTimerId = 1;

int IsOpen(HANDLE h)
{
    return h != nullptr && h != INVALID_HANDLE_VALUE;
}

void ShowCommandMessage(HWND hwnd, const wchar_t *szTitle, const wchar_t *szText)
{
    ShowMessageDialog(hwnd, L"MESSAGEOK", szTitle, szText);
}

void ShowConnectionIssue(HWND hwnd)
{
    ShowCommandMessage(hwnd, L"Connection Issue", L"Instrument OFF or Disconnected, or wrong COM port selected");
}

// Purges and closes the instrument port (the value becomes invalid first, so a reader sees it closed).
void CloseInstrumentPortHandle()
{
    HANDLE hPort = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    if (!IsOpen(hPort)) return;
    PurgeComm(hPort, PURGE_TXCLEAR);
    PurgeComm(hPort, PURGE_RXCLEAR);
    CloseHandle(hPort);
}

void CloseGpsPortHandle()
{
    HANDLE hPort = hGpsPort.exchange(INVALID_HANDLE_VALUE);
    if (IsOpen(hPort)) CloseHandle(hPort);
}

// Waits up to dwWaitMs for a reader thread to end, then closes its handle. A reader started by this command may be
// waiting for this (the user-interface) thread to take its reading; it ends on its own right after, so the
// command's own failure paths do not wait for it.
void EndReaderThread(HANDLE *phThread, DWORD dwWaitMs)
{
    HANDLE hThread = *phThread;
    if (!IsOpen(hThread)) {
        *phThread = INVALID_HANDLE_VALUE;
        return;
    }
    if (dwWaitMs > 0) WaitForSingleObject(hThread, dwWaitMs);
    CloseHandle(hThread);
    *phThread = INVALID_HANDLE_VALUE;
}

// Ends the instrument readers this command (or an earlier run) started: the port closed, the trigger event set
// and a suspended reader let run, so that each finds its port closed and leaves.
void EndInstrumentReaders(DWORD dwWaitMs)
{
    bInstrumentSimulatorRun = 0;
    bTextSimulatorRun = 0;
    StopInstrumentReaders();
    EndReaderThread(&hInstrumentThread, dwWaitMs);
    EndReaderThread(&hInstrumentThread2, dwWaitMs);
    nInstrumentThreadState = THREAD_NONE;
}

// Ending what was started after a tilt-meter failure: readers, instrument port, GPS reader and port.
void EndStartedDevices(int bWaits)
{
    bInstrumentSimulatorRun = 0;
    StopInstrumentReaders();
    EndReaderThread(&hInstrumentThread, 0);
    if (bWaits) WaitMilliseconds(200);
    EndReaderThread(&hInstrumentThread2, 0);
    nInstrumentThreadState = THREAD_NONE;
    if (bWaits) WaitMilliseconds(200);
    if (IsOpen(hGpsThread)) {
        StopGpsNmeaReader();
        EndReaderThread(&hGpsThread, 0);
    }
    CloseGpsPortHandle();
    nGpsThreadState = THREAD_NONE;
}

// Starts a reader thread (running, or suspended); INVALID_HANDLE_VALUE when no thread could be made.
HANDLE StartReader(THREADPROC proc, int bSuspended)
{
    HANDLE h = CreateThread(nullptr, 0, proc, nullptr, bSuspended ? CREATE_SUSPENDED : 0, nullptr);
    if (!IsOpen(h)) return INVALID_HANDLE_VALUE;
    return h;
}

void SetLinkTimer(UINT nMs)
{
    if (hwndLog) SetTimer(hwndLog, kLinkTimerId, nMs, nullptr);
    dwInstrumentDataTick = GetTickCount();
}

void MarkDataTicksNow()
{
    DWORD dwNow = GetTickCount();
    dwInstrumentDataTick = dwNow;
    adwFrameTick[0] = dwNow;
}

// Start-up data check: after the reader started, waits until it stored a frame tick or one second passed.
int FirstFrameArrived()
{
    DWORD dwStart = GetTickCount() - 10;
    while (adwFrameTick[0] == 0 && GetTickCount() - dwStart < 1000)
        Sleep(2);
    return adwFrameTick[0] != 0 ? 1 : 0;
}

void PrepareStartupCheck()
{
    dwInstrumentDataTick = GetTickCount() - 10;
    adwFrameTick[0] = 0;
}

// Opens the instrument port: up to four attempts, the fourth reporting its error; 1 on success.
int OpenInstrumentPortWithRetries()
{
    for (int nAttempt = 1; nAttempt <= 4; nAttempt++) {
        if (OpenInstrumentPort(nAttempt == 4 ? 1 : 0)) return 1;
        WaitMilliseconds(10);
    }
    return 0;
}

}  // namespace

void DeriveGraphScales()
{
    int nSign = 0;
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB, &nSign);
    nGridLines1 = anGridLineY1[0];
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
    case INSTRUMENT_EM61LX2:
        dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight3, dScale1Min, dScale1Max);
        ComputeGridLines(anGridLineY1, nCurveAreaHeight3, dScale1Min, dScale1Max, dScale1PixPerUnit,
                         &nScale1RangeSign);
        nGridLines1 = anGridLineY1[0];
        dScale2Min = dScale1Min;
        dScale2Max = dScale1Max;
        nGridLines2 = nGridLines1;
        dScale2PixPerUnit = dScale1PixPerUnit;
        dScale2PixPerUnitB = dScale1PixPerUnitB;
        ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                         &nScale2RangeSign);
        break;
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight3, dScale1Min, dScale1Max);
        ComputeGridLines(anGridLineY1, nCurveAreaHeight3, dScale1Min, dScale1Max, dScale1PixPerUnit,
                         &nScale1RangeSign);
        nGridLines1 = anGridLineY1[0];
        ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                         &nScale2RangeSign);
        break;
    default:
        break;
    }
    if (nInstrumentType >= 0) {
        dScale2PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale2Min, dScale2Max);
        dScale2PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale2Min, dScale2Max);
        ComputeGridLines(anGridLineY2, nCurveAreaHeight3, dScale2Min, dScale2Max, dScale2PixPerUnit,
                         &nScale2RangeSign);
        ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB, &nSign);
        nGridLines2 = anGridLineY2[0];
    }
}

namespace {

// A. Preparing the logging run (steps that need no device).
void PrepareLoggingRun()
{
    dTiltCorrectionFactor = 0.0;
    if (nInstrumentType == INSTRUMENT_EM61MK2 && bJixProduct == 0 && bTiltMeterOn == 1 && bAntennaRigidFix == 1)
        dTiltCorrectionFactor = 1.0;

    bConnLostNoticeShown = 0;
    if (nInstrumentType != INSTRUMENT_EM61LX2 && nInstrumentType != INSTRUMENT_GRAD601) nSensorsMinus1 = 0;

    nDataRecordNewline = nDataRecordLength - 1;
    nDataRecordMarkPos = nDataRecordLength - 2;
    nDataRecordBlankPos = nDataRecordLength - 3;

    nFrameDecimation = 1;
    for (int i = 0; i < 3; i++) {
        anLineElapsedHms[i] = 0;
        anTotalElapsedHms[i] = 0;
    }
    if (bSimulateInstrument == 1) nReferenceRingLength = 3;

    // Component 2 (a start-up default the survey list does not offer) reads as in-phase, as the numbers panel does.
    nModeCode = nDipoleMode + 2 * (nComponent != 0 ? 1 : 0);
    dGpsOffsetYSaved = dGpsOffsetY;
    bMapSegmentPending = 1;

    if (nInstrumentType == INSTRUMENT_EM34) {
        nEm34Channel = nDipoleMode;
        nEm34PrevChannel = nDipoleMode;
        if (nSurveyModePrev == 2) {
            bEm34StationStarted = 0;
            bMapSegmentPending = 0;
            if (nReference == 0) {
                dEm34Offset10 = 5.0 + dGpsOffsetY;
                dEm34Offset20 = 10.0 + dGpsOffsetY;
                dEm34Offset40 = 20.0 + dGpsOffsetY;
            } else if (nReference == 1) {
                dEm34Offset10 = -5.0 - dGpsOffsetY;
                dEm34Offset20 = -10.0 - dGpsOffsetY;
                dEm34Offset40 = -20.0 - dGpsOffsetY;
            } else {
                dEm34Offset10 = dGpsOffsetY;
                dEm34Offset20 = dGpsOffsetY;
                dEm34Offset40 = dGpsOffsetY;
            }
        } else {
            double dHalf = nEm34Separation == 40 ? 20.0 : nEm34Separation == 20 ? 10.0 : 5.0;
            if (nReference == 0)
                dGpsOffsetY += dHalf;
            else if (nReference == 1)
                dGpsOffsetY = -dHalf - dGpsOffsetY;
        }
    }

    if (bGpsEnabled == 0) {
        bGpsActive = 0;
        nColorMapView = 0;
    } else {
        bGpsActive = 1;
    }
    if (bJixProduct == 1) nColorMapView = 0;

    ClearBackgroundSlots();

    nTileColMin = 0;
    nTileColMax = 1999;
    nTileRowMin = 0;
    nTileRowMax = 1999;
    nTileIndexMin = 3;
    nTileIndexMax = 1996;
    nMapSizeSaved = nMapSize;
    dSavedMapPixelsPerUnit = dMapPixelsPerUnit;
    bMapViewPlaced = 0;
    bMapReviewMode = 0;
    FreeMapTiles();

    dReadingRate = dSampleInterval > 0.0 ? 1.0 / dSampleInterval : 0.0;
    if (nInstrumentType == INSTRUMENT_EM61MK2 && nSurveyMode == 1)
        nFramesPerSound = 1;
    else if (nInstrumentType == INSTRUMENT_EM61MK2 && nSurveyMode == 2)
        nFramesPerSound = 6;
    else if (dReadingRate < 4.0)
        nFramesPerSound = 1;
    else if (dReadingRate < 8.0)
        nFramesPerSound = 2;
    else if (dReadingRate < 13.0)
        nFramesPerSound = 3;
    else
        nFramesPerSound = 6;

    bGpsPositionValid = 0;
    bMapViewPlaced = 0;
    nGpsSentenceCount = 0;
    nRecordingState = 0;
    dGpsDop = -2.0;
    bSoftMarkerDown = 0;
    if (bGpsEnabled == 1) ResetGpsFixState();

    dwTriggerWaitMs = (DWORD)(nFixedTimerMs * 1.1 + 1);

    ArrangeAndLayOutLogScreen();
    SelectGpsSentenceFields();

    DeriveGraphScales();

    if (nNullApply == 0)
        for (int i = 0; i < 4; i++) adOffset[i] = 0.0;
    ComputeGridLinesMain(0);
    bGraphFrameDrawn = 0;
    nSurveyModeSaved = 0;

    if (nInstrumentType >= 0) {
        nScaleType = 0;
        nSurveyModePrev = nSurveyMode;
        MarkDataTicksNow();
        nEm34Configuration = 1;
        nReadingInStation = 0;
        bGraphFrameDrawn = 0;
        bBarIFrameDrawn = 0;
        bBarQFrameDrawn = 0;
        bManualSampleSeries =
            (nInstrumentType == INSTRUMENT_EM34 && nSurveyMode == 2 && nReadingsPerStation > 0) ? 1 : 0;
        UpdateInstrumentModeFlags();
    }
}

// B. Port conflicts; 1 when one was reported.
int ReportPortConflict(HWND hwnd)
{
    wchar_t szText[160];
    const wchar_t *pszFormat = nullptr;
    int nPort = 0;
    if (bSimulateInstrument == 0 && bSimulateGps == 0 && bGpsEnabled == 1 && bInstrumentEnabled == 1 &&
        nInstrumentPort == nGpsPort) {
        pszFormat = L"Serial Port COM%d Assigned to Instrument and GPS, please change port selection.";
        nPort = nGpsPort;
    } else if (nInstrumentType == INSTRUMENT_EM61MK2 && bTiltMeterOn == 1 && bGpsEnabled == 1 &&
               nTiltPort == nGpsPort) {
        pszFormat = L"Serial Port COM%d Assigned to GPS and Tilt Meter, please change port selection.";
        nPort = nGpsPort;
    } else if (nInstrumentType == INSTRUMENT_EM61MK2 && bTiltMeterOn == 1 && nTiltPort == nInstrumentPort) {
        pszFormat = L"Serial Port COM%d Assigned to Instrument and Tilt Meter, please change port selection.";
        nPort = nInstrumentPort;
    }
    if (!pszFormat) return 0;
    swprintf(szText, 160, pszFormat, nPort + 1);
    ShowCommandMessage(hwnd, L"Serial Port Issue", szText);
    return 1;
}

// C. Instrument port by the state left by an earlier run; 1 on success.
int OpenInstrumentPortForRun()
{
    int nState = nInstrumentThreadState;
    if (nState == THREAD_NONE) {
        if (!OpenInstrumentPortWithRetries()) return 0;
        nInstrumentThreadState = THREAD_ENDED;
        return 1;
    }
    // A port and readers left by an earlier run: the readers end on the closed port before it opens again, so
    // that no old reader takes bytes from the new port.
    CloseInstrumentPortHandle();
    EndInstrumentReaders(OLD_READER_WAIT_MS);
    if (!OpenInstrumentPortWithRetries()) return 0;
    nInstrumentThreadState = THREAD_ENDED;
    return 1;
}

int InstrumentPortReplacedBySwitch()
{
    return (nInstrumentType == INSTRUMENT_EM61MK2 && bSimulateInstrument == 1) ||
           (nInstrumentType == INSTRUMENT_GRAD601 && bSimulateSentences != 0) ||
           (nInstrumentType == INSTRUMENT_EM384 && nEm384SimMode == 2);
}

// Step 24: the tilt meter of the EM61-MK2; 1 when it runs (or is not used).
int StartTiltMeter(HWND hwnd)
{
    if (nInstrumentType != INSTRUMENT_EM61MK2 || bTiltMeterOn != 1) return 1;
    if (!OpenTiltPort()) {
        EndStartedDevices(0);
        return 0;
    }
    if (!SetTiltOutputRate(nTiltMeterState)) {
        HANDLE hPort = hTiltPort.exchange(INVALID_HANDLE_VALUE);
        if (IsOpen(hPort)) CloseHandle(hPort);
        WaitMilliseconds(200);
        ShowCommandMessage(hwnd, L"Connection Issue", L"Tilt Meter OFF or Disconnected, or wrong COM port selected");
        EndStartedDevices(1);
        return 0;
    }
    hTiltThread = StartReader(TiltReaderThread, 0);
    nTiltThreadState = THREAD_ENDED;
    if (!IsOpen(hTiltThread)) {
        StopTiltReader();
        EndStartedDevices(0);
        return 0;
    }
    return 1;
}

// Closes what the command opened after a refused start-up: readers, instrument port, GPS port.
void CloseAfterConnectionIssue(int bGpsOpenedHere)
{
    EndInstrumentReaders(0);
    if (bGpsOpenedHere) {
        CloseGpsPortHandle();
        nGpsThreadState = THREAD_NONE;
    }
}

// A refused start-up: the operator is told, what the command opened is closed; gives 0.
int RefuseStartup(HWND hwnd, int bGpsOpenedHere)
{
    ShowConnectionIssue(hwnd);
    CloseAfterConnectionIssue(bGpsOpenedHere);
    return 0;
}

void ReplaceTriggerEvent()
{
    HANDLE hOld = hTriggerEvent.exchange(nullptr);
    if (hOld) CloseHandle(hOld);
    hTriggerEvent = CreateEvent(nullptr, TRUE, FALSE, nullptr);
}

// D. Reader threads of the instrument; 1 when they run, 0 after a reported failure (ports closed).
int StartInstrumentReaders(HWND hwnd, int bGpsOpenedHere)
{
    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
        if (bSimulateSentences != 0) {
            bTextSimulatorRun = 1;
            hInstrumentThread = StartReader(GradSimulatorThread, 0);
        } else if (bSimulatedReadings != 0) {
            hInstrumentThread = StartReader(GradAltFormatReaderThread, 0);
        } else {
            hInstrumentThread = StartReader(GradPortReaderThread, 0);
        }
        dwInstrumentDataTick = GetTickCount();
        WaitMilliseconds(50);
        SetLinkTimer(1000);
        return 1;

    case INSTRUMENT_CS21:
        if (bSimulateSentences != 0) {
            bTextSimulatorRun = 1;
            hInstrumentThread = StartReader(DualEmSimulatorThread, 0);
        } else if (bSimulatedReadings == 0) {
            hInstrumentThread = StartReader(DualEmPortThread, 0);
        }
        dwInstrumentDataTick = GetTickCount();
        WaitMilliseconds(50);
        SetLinkTimer(1000);
        return 1;

    case INSTRUMENT_EM61LX2:
        if (bSimulatedReadings != 0) {
            nInstrumentCmdReply = 0;
            hInstrumentThread = StartReader(TextFrameReaderThreadB, 0);
        } else {
            if (!SendInstrumentCommand('H', 'X', 0)) return RefuseStartup(hwnd, bGpsOpenedHere);
            hInstrumentThread = StartReader(ContinuousFrameReaderThread, 0);
        }
        dwInstrumentDataTick = GetTickCount();
        nEm61ProcedureState = 0;
        WaitMilliseconds(50);
        SetLinkTimer(500);
        return 1;

    case INSTRUMENT_EM61MK2:
        if (bSimulateInstrument == 1) {
            bInstrumentSimulatorRun = 1;
            nInstrumentCmdReply = 0;
            hInstrumentThread = StartReader(InstrumentSimulatorThread, 0);
            dwInstrumentDataTick = GetTickCount();
            nEm61ProcedureState = 0;
        } else if (bSimulatedReadings != 0) {
            nInstrumentCmdReply = 0;
            hInstrumentThread = StartReader(TextFrameReaderThreadB, 0);
            dwInstrumentDataTick = GetTickCount();
            nEm61ProcedureState = 0;
        } else {
            if (!SendInstrumentCommand('H', 'X', 0)) return RefuseStartup(hwnd, bGpsOpenedHere);
            WaitMilliseconds(100);
            if (nInstrumentCmdReply == 1) {
                ReplaceTriggerEvent();
                hInstrumentThread = StartReader(TriggeredFrameReaderThread, 0);
                dwInstrumentDataTick = GetTickCount();
                hInstrumentThread2 = StartReader(FrameReaderThreadJK, 1);
                dwInstrumentDataTick = GetTickCount();
                WaitMilliseconds(200);
                SetLinkTimer((UINT)nFixedTimerMs);
                bInstrumentIdle = 1;
            } else {
                hInstrumentThread = StartReader(ContinuousFrameReaderThread, 0);
                dwInstrumentDataTick = GetTickCount();
                hInstrumentThread2 = StartReader(FrameReaderThreadJK, 1);
                dwInstrumentDataTick = GetTickCount();
                WaitMilliseconds(100);
                SetLinkTimer(500);
            }
            nEm61ProcedureState = 0;
        }
        WaitMilliseconds(50);
        return StartTiltMeter(hwnd);

    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM34:
        if (nInstrumentType == INSTRUMENT_EM31MK2 && nComponent == 1 && bJixProduct == 0) nColorMapView = 2;
        PrepareStartupCheck();
        hInstrumentThread = StartReader(TextFrameReaderThread, 0);
        if (!FirstFrameArrived()) return RefuseStartup(hwnd, bGpsOpenedHere);
        dwInstrumentDataTick = GetTickCount();
        nEm61ProcedureState = 1;
        SetLinkTimer(300);
        return 1;

    case INSTRUMENT_EM38:
        if (!DetectEm38RecordLength()) {
            ShowConnectionIssue(hwnd);
            CloseAfterConnectionIssue(bGpsOpenedHere);
            nActiveScreen = 0;
            InvalidateRect(hwndMain, nullptr, TRUE);
            UpdateWindow(hwndMain);
            return 0;
        }
        hInstrumentThread = StartReader(bEm38EventReader != 0 ? TextFrameEventReaderThread : TextFrameReaderThread, 0);
        dwInstrumentDataTick = GetTickCount();
        WaitMilliseconds(50);
        SetLinkTimer(300);
        return 1;

    case INSTRUMENT_EM38MK2:
        PrepareStartupCheck();
        hInstrumentThread = StartReader(BinaryFrameReaderThread, 0);
        if (!FirstFrameArrived()) return RefuseStartup(hwnd, bGpsOpenedHere);
        dwInstrumentDataTick = GetTickCount();
        WaitMilliseconds(50);
        nEm61ProcedureState = 1;
        SetLinkTimer(300);
        return 1;

    case INSTRUMENT_EM384:
        nEm61ProcedureState = 1;
        PrepareStartupCheck();
        hInstrumentThread = StartReader(nEm384SimMode == 2 ? Em384SimulatorThread : Em384PortThread, 0);
        nEm384AverageState = -1;
        WaitMilliseconds(200);
        if (!FirstFrameArrived()) return RefuseStartup(hwnd, bGpsOpenedHere);
        dwInstrumentDataTick = GetTickCount();
        WaitMilliseconds(50);
        nEm61ProcedureState = 1;
        SetLinkTimer(300);
        return 1;

    default:
        return 1;
    }
}

// Step 31: screen buttons and channel boxes.
void EnableScreenButtons()
{
    static const int anButton[3] = {0, 1, 3};
    // With GPS input on, the buttons wait for the first accepted position.
    int bDisable = bGpsEnabled == 1;
    int nBoxesDisabled = 0;
    if (bInstrumentEnabled == 1) {
        switch (nInstrumentType) {
        case INSTRUMENT_GRAD601:
        case INSTRUMENT_CS21:
            bDisable = bGpsEnabled == 1;
            break;
        case INSTRUMENT_EM61LX2:
            nBoxesDisabled = 3;
            bDisable = 1;
            break;
        case INSTRUMENT_EM61MK2:
            nBoxesDisabled = 4;
            bDisable = 1;
            break;
        case INSTRUMENT_EM31MK2:
        case INSTRUMENT_EM38:
        case INSTRUMENT_EM34:
            nBoxesDisabled = 2;
            bDisable = bGpsEnabled == 1;
            break;
        case INSTRUMENT_EM38MK2:
            nBoxesDisabled = 4;
            bDisable = bGpsEnabled == 1;
            break;
        case INSTRUMENT_EM384:
            nBoxesDisabled = 8;
            bDisable = bGpsEnabled == 1;
            break;
        default:
            break;
        }
        if (nBoxesDisabled > 0) {
            ShowChannelCheckBoxes(1);
            for (int i = 0; i < nBoxesDisabled && i < 8; i++)
                if (ahSideButton[i]) EnableWindow(ahSideButton[i], FALSE);
            // The second row of the two-coil EM61-LX2.
            if (nInstrumentType == INSTRUMENT_EM61LX2)
                for (int i = 0; i < 3; i++)
                    if (ahLogExtraButton[i]) EnableWindow(ahLogExtraButton[i], FALSE);
        }
    } else {
        nColorMapView = 0;
    }
    for (int i = 0; i < 3; i++)
        if (ahMonitorButton[anButton[i]]) EnableWindow(ahMonitorButton[anButton[i]], bDisable ? FALSE : TRUE);
}

}  // namespace

LRESULT MainOnLoggingCommand(HWND hwnd)
{
    // A. Preparing the logging run. The instrument's answer belongs to this run only.
    nInstrumentCmdReply = -1;
    double dOffsetYBefore = dGpsOffsetY;
    PrepareLoggingRun();

    // Every failure below leaves the GPS Y offset as it was before this attempt (the EM34-3 shifts it for a run).
    auto fail = [&]() -> LRESULT {
        dGpsOffsetY = dOffsetYBefore;
        if (hwndLog) KillTimer(hwndLog, kLinkTimerId);
        nRecordingState = -2;
        return 0;
    };

    // B. Device checks.
    if (bGpsEnabled == 0 && bInstrumentEnabled == 0) {
        ShowCommandMessage(hwnd, L"EM AND GPS DISABLED", L"Instrument Disabled and GPS Disabled");
        InvalidateRect(hwndMain, nullptr, TRUE);
        UpdateWindow(hwndMain);
        return fail();
    }
    if (ReportPortConflict(hwnd)) return fail();

    // C. Opening the ports.
    int nFailures = 0;
    if (bInstrumentEnabled == 1 && !InstrumentPortReplacedBySwitch()) {
        if (!OpenInstrumentPortForRun()) nFailures++;
    }
    int bGpsOpenedHere = 0;
    if (bGpsEnabled == 1 && bSimulateGps == 0) {
        if (OpenGpsPort()) {
            bGpsOpenedHere = 1;
            nGpsThreadState = THREAD_ENDED;
        } else {
            nFailures++;
        }
    }
    if (nFailures > 0) {
        if (nInstrumentThreadState == THREAD_ENDED) {
            CloseInstrumentPortHandle();
            nInstrumentThreadState = THREAD_NONE;
        }
        if (bGpsOpenedHere) {
            CloseGpsPortHandle();
            nGpsThreadState = THREAD_NONE;
        }
        return fail();
    }

    // D. Reader threads.
    if (bInstrumentEnabled == 1) {
        if (!StartInstrumentReaders(hwnd, bGpsOpenedHere)) return fail();
    }

    // E. GPS reader (suspended until the screen is shown), timer and the screen.
    if (bGpsEnabled == 1) {
        InitMapView();
        bGpsPositionValid = 0;
        bMapViewPlaced = 0;
        bGpsSimulatorRun = 1;
        if (bSimulateGps != 0) {
            hGpsThread = StartReader(GpsSimulatorThread, 0);
        } else {
            StartGpsNmeaReader();
        }
    }
    nSwathState = 0;

    ComputeColorStepForView();

    MarkDataTicksNow();
    if (bInstrumentEnabled == 1 && bSimulatedReadings == 0)
        SetLinkTimer(nInstrumentCmdReply == 1 ? (UINT)nFixedTimerMs : 300u);

    for (int i = 0; i < 10; i++)
        if (ahMenuButton[i]) ShowWindow(ahMenuButton[i], SW_HIDE);

    EnableScreenButtons();

    cDipoleMode = nDipoleMode == 0 ? 'V' : 'H';
    MarkDataTicksNow();
    // The bars of an earlier session are not this one's: none is repainted before the first reading.
    ForgetBarWindowBars();

    InvalidateRect(hwndMain, nullptr, TRUE);
    nActiveScreen = 1;
    if (hwndLog) ShowWindow(hwndLog, SW_SHOW);
    WaitMilliseconds(20);
    bMapUpdatesOn = 1;
    bGraphFrameDrawn = 0;
    bBarIFrameDrawn = 0;
    bBarQFrameDrawn = 0;
    if (hwndLog) {
        InvalidateRect(hwndLog, nullptr, TRUE);
        UpdateWindow(hwndLog);
        // Keys go to the logging screen from now on.
        SetFocus(hwndLog);
    }
    RefreshReadingWindows();

    if (bGpsEnabled == 1) {
        if (bGpsPositionValid == 0) ShowWaitingForGps();
        if (IsOpen(hGpsThread)) ResumeThread(hGpsThread);
    }
    return 0;
}
