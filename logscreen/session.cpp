// Logging session: data file, start, pause, quick line, stop, and the drop to stand-by after a file error.
#include <cmath>
#include <cwchar>

#include "acquisition/acquisition.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/numbers.h"
#include "displays/reading_windows.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/map.h"
#include "processing/conductivity_handlers.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "processing/sentence_handlers.h"

int nLineReadingCount = 0, nTotalReadingCount = 0, nLineCounter = 0;
double dLineAccum1 = 0.0, dLineAccum2 = 0.0;
int nLineElapsedMs = 0, nTotalElapsedMs = 0;
DWORD dwRecordStartTick = 0;
int nFixedTimerMs = 100;
int nRecordTrigger = 0;
int bStationStarted = 0;
int bProcedureDialogOpen = 0, bStationConfirmOpen = 0, bEm384DialogOpen = 0;
int bWheelStartFailed = 0;
int bInstrumentLinkGivenUp = 0;


namespace {

const UINT_PTR kTimerId = 1;

// Antenna offsets and colour view of the configuration, kept while a GPS-only data file runs with them zeroed.
int bRunTimeCopiesZeroed = 0;
double dKeptOffsetX = 0.0, dKeptOffsetY = 0.0;
int nKeptColorMapView = 0;

int IsOpen(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

void Show(HWND h, int bShow)
{
    if (h) ShowWindow(h, bShow ? SW_SHOW : SW_HIDE);
}

void Repaint()
{
    if (!hwndLog) return;
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

void FocusLog()
{
    if (hwndLog) SetFocus(hwndLog);
}

void Ring(const wchar_t *szSound) { PlaySound(szSound, hInst, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT); }

// Shows one button row (0 first, 1 second) with its button 0 as the default.
void ShowButtonRow(int nRow)
{
    HWND *aFirst = hwndLogButtons, *aSecond = hwndLogButtonsAlt;
    for (int i = 0; i < 4; i++) Show(nRow == 0 ? aSecond[i] : aFirst[i], 0);
    for (int i = 0; i < 4; i++) {
        HWND b = nRow == 0 ? aFirst[i] : aSecond[i];
        if (!b) continue;
        SendMessage(b, BM_SETSTYLE, i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
        Show(b, 1);
    }
    nDefaultButton = 0;
}

void ClearCurveContinuation()
{
    for (int i = 0; i < 16; i++) abCurveHasPrev[i] = 0;
    ForgetDualEmFirstHalf();
}

void MarkFramesForRedraw()
{
    bGraphFrameDrawn = 0;
    bBarQFrameDrawn = 0;
    bBarIFrameDrawn = 0;
}

void RedrawLabels()
{
    if (nInstrumentType != INSTRUMENT_EM61MK2 && nInstrumentType != INSTRUMENT_EM61LX2 &&
        nInstrumentType != INSTRUMENT_GRAD601)
        return;
    if (!hwndNumbers) return;
    HDC hdc = GetDC(hwndNumbers);
    DrawChannelLabels(hdc);
    ReleaseDC(hwndNumbers, hdc);
    // The labels cover the whole panel: a lost-link notice that was up is gone, and the next silent tick draws it
    // again.
    bConnLostNoticeShown = 0;
}

}  // namespace

void ParkReaderForCommand(HANDLE hThread)
{
    bInstrumentConnBreak = 0;
    int bLocked = LockPortExchange(1, 3600);
    if (IsOpen(hThread)) SuspendThread(hThread);
    if (bLocked) UnlockPortExchange(1);
}

void PurgeInstrumentPortForCommand()
{
    HANDLE hPort = hInstrumentPort;
    if (!IsOpen(hPort)) return;
    PurgeComm(hPort, PURGE_TXCLEAR);
    PurgeComm(hPort, PURGE_RXCLEAR);
}

namespace {

void EnableReviewFreeMapButtons()
{
    static const int anButton[6] = {0, 1, 2, 3, 7, 8};
    if (bGpsActive != 1) return;
    for (int i : anButton)
        if (hwndMapViewButtons[i]) EnableWindow(hwndMapViewButtons[i], TRUE);
}

// The time of the run that ends now joins the line and total times.
void TakeElapsedTimes()
{
    DWORD dwRun = GetTickCount() - dwRecordStartTick;
    nLineElapsedMs += (int)dwRun;
    nTotalElapsedMs += (int)dwRun;
    dwRecordStartTick = GetTickCount();
}

// After the wheel reader is parked: the main reader runs again and the timer watches the link.
void ReturnToMainReader()
{
    if (IsOpen(hInstrumentThread)) ResumeThread(hInstrumentThread);
    if (hwndLog) SetTimer(hwndLog, kTimerId, (UINT)nFixedTimerMs, nullptr);
    bInstrumentIdle = 1;
    dwInstrumentDataTick = GetTickCount();
}

// The pause record; a file deleted meanwhile is put back, then everything written so far goes to disk. A failure
// is reported by the data file (FILE ERROR).
void WritePauseRecord()
{
    WriteTaggedRecord(nMapEdgeState == 1 ? L"PAUSED BMP" : L"PAUSED", 'X');
    if (!IsOpen(hDataFile)) return;
    CheckDataFileAtPath();
    FlushDataFile();
}

// Steps of the pause after the records: reader mode, times, buttons, status. Shared with the drop after a file
// error.
void PauseReaderAndScreen()
{
    ShowChannelCheckBoxes(1);
    switch (nSurveyMode) {
    case 0:
        if (nInstrumentCmdReply == 1) {
            dwTriggerWaitMs = (DWORD)(nFixedTimerMs * 1.1) + 1;
            if (hwndLog) {
                KillTimer(hwndLog, kTimerId);
                SetTimer(hwndLog, kTimerId, (UINT)nFixedTimerMs, nullptr);
            }
        } else {
            nFrameCount = 0;
            nFrameDecimation = 1;
        }
        break;
    case 1:
        ParkReaderForCommand(hInstrumentThread2);
        PurgeInstrumentPortForCommand();
        SendInstrumentCommand('H', 'X', 0);
        WaitMilliseconds(100);
        ReturnToMainReader();
        break;
    default:
        nFrameCount = 0;
        nFrameDecimation = 1;
        break;
    }
    TakeElapsedTimes();
    Show(hwndPauseButton, 0);
    ShowButtonRow(1);
    EnableReviewFreeMapButtons();
    DrawStatusLine(2);
}

void WaitForReaderEnd(HANDLE *phThread)
{
    if (IsOpen(*phThread)) {
        WaitForSingleObject(*phThread, 1000);
        CloseHandle(*phThread);
    }
    *phThread = INVALID_HANDLE_VALUE;
}

void StopGps()
{
    bGpsSimulatorRun = 0;
    if (!bSimulateGps) StopGpsNmeaReader();
    WaitForReaderEnd(&hGpsThread);
    HANDLE hPort = hGpsPort.exchange(INVALID_HANDLE_VALUE);
    if (IsOpen(hPort) && !bGpsConnBroken) CloseHandle(hPort);
    nGpsThreadState = THREAD_NONE;
}

void StopTilt(int bWait)
{
    StopTiltReader();
    if (bWait) WaitMilliseconds(100);
    WaitForReaderEnd(&hTiltThread);
    hTiltPort = INVALID_HANDLE_VALUE;
    nTiltThreadState = THREAD_NONE;
}

void StopInstrument()
{
    bInstrumentSimulatorRun = 0;
    StopInstrumentReaders();
    WaitForReaderEnd(&hInstrumentThread);
    WaitForReaderEnd(&hInstrumentThread2);
}

// A session that gave up its instrument link ends: the second row works again for the next session.
void ReleaseGivenUpLink()
{
    if (!bInstrumentLinkGivenUp) return;
    bInstrumentLinkGivenUp = 0;
    for (int i = 0; i < 2; i++)
        if (hwndLogButtonsAlt[i]) EnableWindow(hwndLogButtonsAlt[i], TRUE);
}

void RestoreConfigurationCopies()
{
    if (!bRunTimeCopiesZeroed) return;
    dGpsOffsetX = dKeptOffsetX;
    dGpsOffsetY = dKeptOffsetY;
    nColorMapView = nKeptColorMapView;
    bRunTimeCopiesZeroed = 0;
}

}  // namespace

void SaveSettingsKeepingConfiguration()
{
    if (!bRunTimeCopiesZeroed) {
        LoadSaveSettingsFile(1);
        return;
    }
    double x = dGpsOffsetX, y = dGpsOffsetY;
    int v = nColorMapView;
    dGpsOffsetX = dKeptOffsetX;
    dGpsOffsetY = dKeptOffsetY;
    nColorMapView = nKeptColorMapView;
    LoadSaveSettingsFile(1);
    dGpsOffsetX = x;
    dGpsOffsetY = y;
    nColorMapView = v;
}

int CreateDataFileStep()
{
    bMapUpdatesOn = 0;
    const double dOffsetX = dGpsOffsetX, dOffsetY = dGpsOffsetY;
    const int nView = nColorMapView;
    int nResult = CreateDataFileDialog(hwndLog);
    WaitMilliseconds(50);
    int bRedraw = 1;
    if (IsOpen(hDataFile)) {
        for (int i = 0; i < 4; i++)
            if (hwndMapViewButtons[i]) EnableWindow(hwndMapViewButtons[i], TRUE);
        if (bJixProduct == 0 && hwndMapViewButtons[7]) EnableWindow(hwndMapViewButtons[7], TRUE);

        int nOutcome = CompleteDataFileOpen(hwndLog, nResult);
        if (nOutcome == DATAFILE_NEW || nOutcome == DATAFILE_TAKEN_OVER || nOutcome == DATAFILE_APPENDED) {
            if (bInstrumentEnabled == 0 && nOutcome != DATAFILE_TAKEN_OVER) {
                // The run uses zero offsets and the track view; the configuration file keeps the operator's values.
                dKeptOffsetX = dOffsetX;
                dKeptOffsetY = dOffsetY;
                nKeptColorMapView = nView;
                bRunTimeCopiesZeroed = 1;
                dGpsOffsetX = dGpsOffsetY = 0.0;
                nColorMapView = 0;
                if (nOutcome == DATAFILE_APPENDED) SaveSettingsKeepingConfiguration();
            }
            if (nOutcome == DATAFILE_APPENDED && bGpsEnabled == 1) {
                Repaint();
                ShowPleaseWait();
                RebuildMapForInstrument();
            }
            ShowButtonRow(1);
            nRecordingState = -1;
            if (nOutcome == DATAFILE_NEW) InvalidateRect(hwndLog, nullptr, TRUE);
        } else {
            // Refused, not fitting the map or not writable: the session stays in monitoring without a file.
            if (IsOpen(hDataFile)) CloseDataFile();
            nRecordingState = 0;
            bRedraw = 0;
        }
    } else {
        nRecordingState = 0;
    }
    if (bRedraw && IsOpen(hDataFile)) {
        DrawStatusLine(0);
        DrawStatusLine(2);
    }
    MarkFramesForRedraw();
    Repaint();
    bMapUpdatesOn = 1;
    FocusLog();
    return nRecordingState;
}

int StartLogging()
{
    if (nMapEdgeState == 2) {
        Ring(L"SOUND_RING");
        ShowMessageDialog(hwndLog, L"MESSAGEOK", L"WARNING",
                          L"Cannot start logging.\r\nPlease increase the map size\r\nby 20-25%.");
        return nRecordingState;
    }
    // A new run: a failure of the file is told again. A file deleted since the pause is put back first; one that
    // cannot be put back keeps the session in stand-by (the box has told why).
    BeginDataFileRun();
    if (!CheckDataFileAtPath()) {
        FocusLog();
        return nRecordingState;
    }
    bStationConfirmOpen = 0;
    bEm34Sep10Shown = bEm34Sep20Shown = bEm34Sep40Shown = 0;
    DropSampleSeries();
    bWriteGpsWithReading = 0;
    bInstrumentLinkUp = 1;
    nSwathCellCount = 0;
    nSwathRow = 0;
    nMapTrackState = 0;
    nTrackPointCount = 0;
    bMapReviewMode = 0;
    bMapUpdatesOn = 0;

    for (int i = 0; i < 9; i++)
        if (hwndMapViewButtons[i]) EnableWindow(hwndMapViewButtons[i], FALSE);
    for (int i = 0; i < 4; i++) Show(hwndLogButtonsAlt[i], 0);

    dwRecordStartTick = GetTickCount();
    const int nSavedBefore = nSurveyModeSaved;
    if (nSurveyMode != 2) nSurveyModeSaved = nSurveyMode;
    DrawStatusLine(3);
    ShowChannelCheckBoxes(0);

    switch (nSurveyMode) {
    case 0:
        if (nInstrumentCmdReply == 1) {
            dwTriggerWaitMs = (DWORD)(nSampleIntervalMs * 1.1) + 1;
            if (hwndLog) {
                KillTimer(hwndLog, kTimerId);
                SetTimer(hwndLog, kTimerId, (UINT)nSampleIntervalMs, nullptr);
            }
        } else {
            nFrameCount = 0;
            nFrameDecimation = nFramesPerReading;
        }
        break;
    case 1: {
        bInstrumentIdle = 0;
        nSurveyModeSaved = nSurveyMode;
        if (hwndLog) KillTimer(hwndLog, kTimerId);
        int bAnswered = 1;
        if (nInstrumentType < 0 && bInstrumentEnabled) {
            if (nInstrumentCmdReply == 1 && hTriggerEvent.load()) SetEvent(hTriggerEvent);
            ParkReaderForCommand(hInstrumentThread);
            PurgeInstrumentPortForCommand();
            bAnswered = SendInstrumentCommand('H', 'W', 0);
            if (bAnswered) {
                WaitMilliseconds(1300);
                PurgeInstrumentPortForCommand();
                // Only the EM61-MK2 has a wheel reader; without one the main reader goes on.
                if (IsOpen(hInstrumentThread2))
                    ResumeThread(hInstrumentThread2);
                else if (IsOpen(hInstrumentThread))
                    ResumeThread(hInstrumentThread);
            }
        }
        if (!bAnswered) {
            // No answer to the wheel command: the main reader keeps the readings coming, the session stays in
            // stand-by and the operator is told; the next start tries the wheel again.
            bWheelStartFailed = 1;
            nSurveyModeSaved = nSavedBefore;
            ReturnToMainReader();
            ShowChannelCheckBoxes(1);
            ShowButtonRow(1);
            EnableReviewFreeMapButtons();
            DrawStatusLine(2);
            ShowMessageDialog(hwndLog, L"MESSAGEOK", L"Connection Issue",
                              L"Instrument OFF or Disconnected, or wrong COM port selected");
            bMapUpdatesOn = 1;
            FocusLog();
            return nRecordingState;
        }
        bWheelStartFailed = 0;
        nFrameCount = 0;
        nFrameDecimation = 1;
        break;
    }
    default:
        nFrameCount = 0;
        nFrameDecimation = 1;
        if (nInstrumentType == INSTRUMENT_EM34) ShowEm34ReadingOfStation(1, nReadingInStation);
        break;
    }

    Show(hwndPauseButton, 1);
    nSwathState = 0;
    bSwathSampling = 0;
    bSwathHasCells = 0;
    nSwathCellCount = 0;
    nRecordTrigger = 0;
    bGraphFrameDrawn = 0;
    nRecordingState = 1;
    RedrawLabels();
    DrawPauseHint(1);
    ClearCurveContinuation();
    dwRecordingStartTick = GetTickCount();
    if (!WriteTaggedRecord(L"$STARTED", 'X') && bDataFileWriteFailed) {
        // The file could not take the start record (the FILE ERROR box has been shown): back to stand-by.
        DropToStandByAfterFileError();
        bMapUpdatesOn = 1;
        return nRecordingState;
    }
    bMapUpdatesOn = 1;
    FocusLog();
    return nRecordingState;
}

int PauseLogging()
{
    nRecordingState = -1;
    if (nInstrumentType == INSTRUMENT_EM34 && nSurveyModePrev == 2 && nEm34Configuration > 1)
        ShowEm34ReadingOfStation(0, 0);
    RedrawLabels();
    DrawPauseHint(-1);
    bMapUpdatesOn = 0;
    WritePauseRecord();
    PauseReaderAndScreen();
    if (nMapEdgeState == 1) {
        nMapEdgeState = 2;
        Ring(L"SOUND_RING_2S");
        ShowMessageDialog(hwndLog, L"MESSAGEOK", L"WARNING",
                          L"Please select Map Size option\r\nand increase the map size\r\nby 20-25%.");
    }
    MarkFramesForRedraw();
    RefreshReadingWindows();
    FocusLog();
    bMapUpdatesOn = 1;
    return nRecordingState;
}

void DropToStandByAfterFileError()
{
    if (nRecordingState == 1) {
        nRecordingState = -1;
        RedrawLabels();
        DrawPauseHint(-1);
        PauseReaderAndScreen();
        MarkFramesForRedraw();
        RefreshReadingWindows();
        FocusLog();
    } else if (nRecordingState == -1 && !IsOpen(hDataFile)) {
        nRecordingState = 0;
        ShowButtonRow(0);
    }
}

void GiveUpInstrumentLink()
{
    if (hwndLog) KillTimer(hwndLog, kTimerId);
    if (nRecordingState != 0) WriteTaggedRecord(L"$CONN END", 'X');
    const int bWasLogging = nRecordingState == 1;
    nRecordingState = IsOpen(hDataFile) ? -1 : 0;
    bInstrumentLinkGivenUp = 1;
    if (bWasLogging) {
        TakeElapsedTimes();
        RedrawLabels();
    }
    DrawPauseHint(-1);
    Show(hwndPauseButton, 0);
    ShowButtonRow(nRecordingState == -1 ? 1 : 0);
    // Without a reader nothing can be recorded: "&Go" and "&QLine" wait for a new session.
    for (int i = 0; i < 2; i++)
        if (hwndLogButtonsAlt[i]) EnableWindow(hwndLogButtonsAlt[i], FALSE);
    if (nRecordingState == -1) EnableReviewFreeMapButtons();
    DrawStatusLine(nRecordingState == -1 ? 2 : 1);
    MarkFramesForRedraw();
    FocusLog();
}

LRESULT OnScreenLogDataFileError(HWND, UINT, WPARAM, LPARAM)
{
    DropToStandByAfterFileError();
    return 0;
}

int QuickLine()
{
    if (!bInstrumentEnabled) {
        ShowMessageDialog(hwndLog, L"MESSAGEOK", L"INFORMATION", L"Option avaiable only when Instrument is enabled");
        Repaint();
        return nRecordingState;
    }
    bMapUpdatesOn = 0;
    double dNext = TextToDouble(szSurveyLine) + dLineIncrement;
    wchar_t szNext[400];
    if (!std::isfinite(dNext) || swprintf(szNext, 400, L"%.2f", dNext) < 0) swprintf(szNext, 400, L"%.2f", 0.0);
    wchar_t szQuestion[440];
    swprintf(szQuestion, 440, L"New Line: %ls", szNext);
    if (!ShowMessageDialog(hwndLog, L"MESSAGEYESNO", L"Quick Line", szQuestion)) {
        RedrawProfileForInstrument();
        FocusLog();
        bMapUpdatesOn = 1;
        return nRecordingState;
    }
    nLineCounter++;
    nLineElapsedMs = 0;
    nLineReadingCount = 0;
    dLineAccum1 = 0.0;
    // The new name is cut like a typed one (12 characters) and never passes the end of the line name.
    const size_t nMax = sizeof szSurveyLine / sizeof szSurveyLine[0] - 1;
    const size_t nKeep = nMax < 12 ? nMax : 12;
    wcsncpy(szSurveyLine, szNext, nKeep);
    szSurveyLine[nKeep] = 0;
    if (nLineMode == 1) {
        dStation = dStartStation;
    } else if (nLineMode == 0) {
        dStartStation = dStation;
        dStationIncrement = -dStationIncrement;
        nLineDirection = 3 - nLineDirection;
    }
    WriteLineHeader();
    WriteTimeRecord();
    SaveSettingsKeepingConfiguration();
    if (bInstrumentEnabled && hwndCurve1) InvalidateRect(hwndCurve1, nullptr, TRUE);
    Repaint();
    ShowPleaseWait();
    RedrawProfileForInstrument();
    bMapUpdatesOn = 1;
    FocusLog();
    return nRecordingState;
}

int StopLoggingStep()
{
    bMapUpdatesOn = 0;
    int nResult = StopLogging(0);
    if (nResult == 1) {
        // The background files of the session are let go (their slots emptied).
        ClearBackgroundSlots();
        if (bMapReviewMode) {
            RestoreMapReviewCopies();
            Show(hwndMapViewButtons[8], 0);
            Show(hwndMapViewButtons[7], 1);
            for (int i = 0; i < 4; i++)
                if (hwndLogButtonsAlt[i]) EnableWindow(hwndLogButtonsAlt[i], TRUE);
        }
        if (!hwndLog || !IsWindowVisible(hwndLog)) {
            Show(hwndPauseButton, 0);
            ShowButtonRow(0);
            for (int i = 0; i < 10; i++) Show(ahMenuButton[i], 1);
            dStation = dStartStationMk2;
            nActiveScreen = 0;
            if (hwndMain) {
                InvalidateRect(hwndMain, nullptr, TRUE);
                UpdateWindow(hwndMain);
            }
            bMapUpdatesOn = 1;
        }
    } else {
        RedrawProfileForInstrument();
        FocusLog();
        bMapUpdatesOn = 1;
    }
    return nRecordingState;
}

int StopLogging(int bForced)
{
    bInstrumentSimulatorRun = 0;
    dwRecordingStartTick = 0;
    bMapUpdatesOn = 0;
    MarkFramesForRedraw();
    for (int i = 0; i < 4; i++) anBarTop[i] = -1;
    if (nRecordingState == -2) return 1;

    if (nRecordingState == 0 && !IsOpen(hDataFile)) {
        if (bInstrumentEnabled && hwndLog) KillTimer(hwndLog, kTimerId);
        if (bGpsEnabled) StopGps();
        if (nInstrumentType == INSTRUMENT_EM61MK2 && bTiltMeterOn) StopTilt(0);
        if (bInstrumentEnabled) StopInstrument();
        nInstrumentThreadState = THREAD_NONE;
        nEm61ProcedureState = 0;
        bReferenceReady = 0;
        nReferenceRingPos = 0;
        dGpsOffsetY = dGpsOffsetYSaved;
        bGpsSimulatorRun = 0;
        RestoreConfigurationCopies();
        nRecordingState = -2;
        ReleaseGivenUpLink();
        if (hwndLog) ShowWindow(hwndLog, SW_HIDE);
        if (hwndMain) {
            InvalidateRect(hwndMain, nullptr, TRUE);
            UpdateWindow(hwndMain);
        }
        return 1;
    }

    if (!bForced && !ShowMessageDialog(hwndMain, L"MESSAGEYESNO", L"Confirm Exit", L"Exit Logging?")) {
        if (nRecordingState == 1) {
            // Staying: recording stops and the file stays open, as after a pause.
            nRecordingState = -1;
            DrawPauseHint(-1);
            WritePauseRecord();
            PauseReaderAndScreen();
        }
        nRecordingState = -1;
        Repaint();
        RedrawProfileForInstrument();
        FocusLog();
        return 0;
    }

    if (bInstrumentEnabled && hwndLog) KillTimer(hwndLog, kTimerId);
    if (IsOpen(hDataFile)) {
        // Closing a deleted file would lose it: it is put back first (the operator is told).
        if (!bForced) CheckDataFileAtPath();
        FlushDataFile();
        CloseDataFile();
    }
    if (bGpsEnabled) StopGps();
    if (nInstrumentType == INSTRUMENT_EM61MK2 && bTiltMeterOn) StopTilt(1);
    if (bInstrumentEnabled) StopInstrument();
    nEm61ProcedureState = 0;
    bReferenceReady = 0;
    nReferenceRingPos = 0;
    nInstrumentThreadState = THREAD_NONE;
    dGpsOffsetY = dGpsOffsetYSaved;
    bGpsSimulatorRun = 0;
    RestoreConfigurationCopies();

    szDataFileName[0] = 0;
    nLineReadingCount = nTotalReadingCount = nLineCounter = 0;
    dLineAccum1 = dLineAccum2 = 0.0;
    nGpsPositionCount = 0;
    nLineElapsedMs = nTotalElapsedMs = 0;
    dwRecordStartTick = 0;
    nRecordingState = -2;
    ReleaseGivenUpLink();
    if (hwndMain) InvalidateRect(hwndMain, nullptr, TRUE);
    if (hwndLog) ShowWindow(hwndLog, SW_HIDE);
    return 1;
}
