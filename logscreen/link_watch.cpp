// Link watch timer: paces the triggered EM61-MK2 and notices a silent instrument (notice, ring, break record).
#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"

namespace {

int IsOpen(HANDLE h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }

bool Silent() { return GetTickCount() - dwInstrumentDataTick.load() > (DWORD)dwInstrumentTimeoutMs; }

void RingForLostLink()
{
    if (bDisconnectAlarm == 1) PlaySound(L"SOUND_RING", hInst, SND_RESOURCE | SND_ASYNC | SND_NOSTOP);
}

void WriteBreakRecord()
{
    bGraphFrameDrawn = 0;
    wchar_t szLabel[16];
    swprintf(szLabel, 16, L"%1dCONN BRK %1d", 1, 1);
    WriteTaggedRecord(szLabel, 'X');
}

// 1 once the current break has been recorded and rung for; cleared when the instrument speaks again. A break is
// one event: one record in the data file and one ring, however many ticks the re-arm takes.
int bBreakAnnounced = 0;

// The waiting half of the EM61-MK2 watch (a reading is awaited).
void WatchEm61Mk2Link()
{
    if (!Silent()) {
        bBreakAnnounced = 0;
        return;
    }
    bInstrumentConnBreak = 1;
    ShowLostConnectionNotice(rcSidePanelValues);
    bConnLostNoticeShown = 1;
    if (!bBreakAnnounced) {
        bBreakAnnounced = 1;
        if (nRecordingState == 1) WriteBreakRecord();
        RingForLostLink();
    }
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

LRESULT OnScreenLogTimer(HWND, UINT, WPARAM, LPARAM)
{
    if (nInstrumentType == INSTRUMENT_EM61MK2 && nSurveyModeSaved == 0) {
        if (nInstrumentCmdReply == 1 && bInstrumentIdle == 1) {
            // Triggered mode: ask the instrument for the next reading and let the reader wait for it.
            HANDLE hPort = hInstrumentPort;
            if (IsOpen(hPort)) {
                DWORD dwWritten = 0;
                char ch = 'A';
                WriteFile(hPort, &ch, 1, &dwWritten, nullptr);
            }
            if (hTriggerEvent.load()) SetEvent(hTriggerEvent);
            bInstrumentIdle = 0;
            dwInstrumentDataTick = GetTickCount();
            return 1;
        }
        WatchEm61Mk2Link();
    }
    return 1;
}
