// Link watch timer: paces the triggered EM61-MK2, notices a silent instrument (notice, ring, break record) and
// finds a port whose device went away again.
#include <cstdint>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/numbers.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "map/pens.h"
#include "processing/handler_state.h"
#include "processing/dispatch.h"

int dwEm384TimeoutMs = 1000;

namespace {

const UINT_PTR kTimerId = 1;

int IsOpen(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

// Silence: more than the time-out since the tick a reader stored. A tick stored after "now" was read is no silence.
bool SilentSince(DWORD dwTick, DWORD dwTimeoutMs)
{
    const int32_t nTimeout = dwTimeoutMs > 0x7FFFFFFFu ? 0x7FFFFFFF : (int32_t)dwTimeoutMs;
    return (int32_t)(GetTickCount() - dwTick) > nTimeout;
}

// The instrument is silent when its port delivered no byte, and no reader handed over data, for longer than the
// time-out. A reader waiting for this thread to take its reading is not listening to the port: a screen busy with
// a redraw or a map rebuild is no silence of the instrument.
bool InstrumentSilentSince(DWORD dwTick, DWORD dwTimeoutMs)
{
    if (nInstrumentScreenWaits > 0) return false;
    return SilentSince(dwTick, dwTimeoutMs) && SilentSince(dwInstrumentByteTick, dwTimeoutMs);
}

// The disconnection alarm; an alarm is never skipped for another sound that is playing.
void RingForLostLink()
{
    if (bDisconnectAlarm == 1) PlaySound(L"SOUND_RING", hInst, SND_RESOURCE | SND_ASYNC);
}

void WriteBreakRecord()
{
    bGraphFrameDrawn = 0;
    wchar_t szLabel[16];
    if (swprintf(szLabel, 16, L"%1dCONN BRK %1d", 1, 1) < 0) return;
    WriteTaggedRecord(szLabel, 'X');
}

// 1 once the current break has been recorded and rung for; cleared when the instrument speaks again. A break is
// one event: one record in the data file and one ring, however many ticks it lasts.
int bBreakAnnounced = 0;

// How often a silent tick draws the notice: once per break, or at every silent tick (a reading handled late, after
// the notice was drawn, may have painted over it).
enum NoticeDrawing { NOTICE_ONCE, NOTICE_EVERY_TICK };

// A silent tick of any instrument: the notice (kept up until data returns), and once per break the record (while
// logging) and the ring.
void OnSilentTick(const RECT &rcNotice, NoticeDrawing drawing)
{
    if (bConnLostNoticeShown != 1 || drawing == NOTICE_EVERY_TICK) {
        ShowLostConnectionNotice(rcNotice);
        bConnLostNoticeShown = 1;
    }
    if (bBreakAnnounced) return;
    bBreakAnnounced = 1;
    if (nRecordingState == 1) WriteBreakRecord();
    RingForLostLink();
}

// A tick with data: the break is over; the notice gives way to the channel labels.
void OnLiveTick()
{
    bBreakAnnounced = 0;
    ClearLostConnectionNotice();
}

void WatchSilence(bool bSilent, const RECT &rcNotice, NoticeDrawing drawing)
{
    if (bSilent)
        OnSilentTick(rcNotice, drawing);
    else
        OnLiveTick();
}

// The port whose device went away is closed and opened again by its COM name at each tick until it opens; the
// readers wait for it meanwhile. Returns 1 while the port is still missing.
int FindLostPort()
{
    if (bInstrumentPortLost != 1) {
        HANDLE hPort = hInstrumentPort;
        DWORD dwErrors = 0;
        if (!IsOpen(hPort) || ClearCommError(hPort, &dwErrors, nullptr)) return 0;
        bInstrumentPortLost = 1;
        HANDLE hOld = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
        if (IsOpen(hOld)) CloseHandle(hOld);
    }
    if (!OpenInstrumentPort(0)) return 1;
    bInstrumentPortLost = 0;
    // The instrument is armed again (the EM61 readers send their command); the break lasts until data returns.
    if (nInstrumentType < 0) bInstrumentConnBreak = 1;
    return 0;
}

// EM34-3 in the manual mode: a silence is the instrument's battery save; the operator is offered a reconnection.
void OfferEm34Reconnection(HWND hwnd)
{
    bInstrumentPortLost = 0;
    bInstrumentLinkUp = 0;
    KillTimer(hwnd, kTimerId);
    HANDLE hOld = hInstrumentPort.exchange(INVALID_HANDLE_VALUE);
    if (IsOpen(hOld)) CloseHandle(hOld);
    if (IsOpen(hInstrumentThread)) {
        WaitForSingleObject(hInstrumentThread, 1000);
        CloseHandle(hInstrumentThread);
    }
    hInstrumentThread = INVALID_HANDLE_VALUE;
    nInstrumentThreadState = THREAD_NONE;
    if (!ShowMessageDialog(hwnd, L"MESSAGEYESNO", L"EM34-3 Battery Save Mode",
                           L"After the instrument is ON\r\npress YES to connect.\r\npress NO to exit Logging Mode.\r\n")) {
        GiveUpInstrumentLink();
        return;
    }
    bInstrumentLinkUp = 1;
    if (hwndNumbers) {
        HDC hdc = GetDC(hwndNumbers);
        if (hbrWhite) FillRect(hdc, &rcSidePanel, hbrWhite);
        SetBkMode(hdc, TRANSPARENT);
        SelectObject(hdc, hFontBold);
        TextOut(hdc, rcSidePanel.left, rcSidePanel.top, L"Connecting... Please wait", 25);
        ReleaseDC(hwndNumbers, hdc);
    }
    WaitMilliseconds(500);
    for (int nTry = 1; nTry <= 4; nTry++) {
        if (OpenInstrumentPort(nTry == 4 ? 1 : 0)) {
            nInstrumentThreadState = THREAD_ENDED;
            break;
        }
        WaitMilliseconds(10);
    }
    WaitMilliseconds(10);
    // The silence that asked for the reconnection is over: the next tick measures from now.
    const DWORD dwNow = GetTickCount();
    adwFrameTick[0] = dwNow;
    dwInstrumentDataTick = dwNow;
    HANDLE hThread = CreateThread(nullptr, 0, TextFrameReaderThread, nullptr, 0, nullptr);
    hInstrumentThread = IsOpen(hThread) ? hThread : INVALID_HANDLE_VALUE;
    for (int i = 0; i < 16; i++) abCurveHasPrev[i] = 0;
    bBreakAnnounced = 0;
    SetTimer(hwnd, kTimerId, 300, nullptr);
    RedrawProfileForInstrument();
}

}  // namespace

void ShowLostConnectionNotice(RECT rcBox)
{
    if (hwndNumbers) {
        HDC hdc = GetDC(hwndNumbers);
        SetBkMode(hdc, TRANSPARENT);
        HGDIOBJ hOldFont = SelectObject(hdc, hFontBold);
        if (hbrRed) FillRect(hdc, &rcBox, hbrRed);
        static const wchar_t *const aszLines[3] = {L"Lost", L"Connection,", L"trying"};
        // Centred in the box; a line wider than the box takes the narrow face rather than leave it.
        SetTextAlign(hdc, TA_CENTER | TA_TOP);
        for (int i = 0; i < 3; i++)
            TextOutWithin(hdc, (rcBox.left + rcBox.right) / 2, rcBox.top + i * nLineHeight + 5, aszLines[i],
                          (int)wcslen(aszLines[i]), rcBox.left, rcBox.right);
        SetTextAlign(hdc, TA_LEFT | TA_TOP);
        SelectObject(hdc, hFontNormal ? (HGDIOBJ)hFontNormal : hOldFont);
        if (hbrWhite) SelectObject(hdc, hbrWhite);
        if (hpenWhite) SelectObject(hdc, hpenWhite);
        ReleaseDC(hwndNumbers, hdc);
    }
    if (hwndDecay) {
        HDC hdc = GetDC(hwndDecay);
        Rectangle(hdc, 1, 1, nBarColumnWidth - 1, nCurveAreaHeightB);
        ReleaseDC(hwndDecay, hdc);
        InvalidateRect(hwndDecay, nullptr, FALSE);
    }
    if (hwndLog) SetFocus(hwndLog);
}

void ClearLostConnectionNotice()
{
    if (bConnLostNoticeShown != 1) return;
    bConnLostNoticeShown = 0;
    if (!hwndNumbers) return;
    HDC hdc = GetDC(hwndNumbers);
    DrawChannelLabels(hdc);
    ReleaseDC(hwndNumbers, hdc);
}

LRESULT OnScreenLogTimer(HWND hwnd, UINT, WPARAM, LPARAM)
{
    const bool bLost = FindLostPort() != 0;
    const bool bSilent = bLost || InstrumentSilentSince(dwInstrumentDataTick, dwInstrumentTimeoutMs);
    switch (nInstrumentType) {
    case INSTRUMENT_EM61MK2:
        if (nSurveyModeSaved != 0) break;
        if (nInstrumentCmdReply == 1 && bInstrumentIdle == 1 && !bLost) {
            // Triggered mode: ask the instrument for the next reading and let the reader wait for it.
            HANDLE hPort = hInstrumentPort;
            if (IsOpen(hPort)) {
                DWORD dwWritten = 0;
                char ch = 'A';
                WriteFile(hPort, &ch, 1, &dwWritten, nullptr);
            }
            if (hTriggerEvent.load()) SetEvent(hTriggerEvent);
            bInstrumentIdle = 0;
            // The reader's last frame answered the last request: the link is live.
            if (!SilentSince(adwFrameTick[0], dwInstrumentTimeoutMs)) OnLiveTick();
            dwInstrumentDataTick = GetTickCount();
            break;
        }
        if (bSilent) {
            bInstrumentConnBreak = 1;
            OnSilentTick(rcSidePanelValues, NOTICE_EVERY_TICK);
        } else if (nInstrumentCmdReply != 1 || !SilentSince(adwFrameTick[0], dwInstrumentTimeoutMs)) {
            // In triggered mode the timer stamps the data tick with each request: only a frame ends a break.
            OnLiveTick();
        }
        break;
    case INSTRUMENT_EM61LX2:
        if (nSurveyModeSaved != 0 || bProcedureDialogOpen) break;
        if (bSilent) bInstrumentConnBreak = 1;
        WatchSilence(bSilent, rcSidePanel, NOTICE_ONCE);
        break;
    case INSTRUMENT_GRAD601:
        WatchSilence(bSilent, rcSidePanel, NOTICE_ONCE);
        break;
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_CS21:
        // The EM38 and the CS-21 have no re-arm command: the notice, the ring and the record tell the operator, and
        // their readings come back by themselves once the instrument speaks again or its port is found again.
        WatchSilence(bSilent, rcSidePanel, NOTICE_EVERY_TICK);
        break;
    case INSTRUMENT_EM34:
        if (nSurveyModePrev != 2) {
            WatchSilence(bSilent, rcSidePanel, NOTICE_EVERY_TICK);
        } else if (bSilent && !bStationConfirmOpen) {
            OfferEm34Reconnection(hwnd);
        } else if (!bSilent) {
            OnLiveTick();
        }
        break;
    case INSTRUMENT_EM384: {
        const bool bQuiet =
            bLost || InstrumentSilentSince(adwFrameTick[0], dwEm384TimeoutMs > 0 ? (DWORD)dwEm384TimeoutMs : 0);
        if (bQuiet) nEm384AverageState = -1;
        if (!bEm384DialogOpen) WatchSilence(bQuiet, rcSidePanel, NOTICE_ONCE);
        break;
    }
    default:
        break;
    }
    return 1;
}
