// EM61-MK2 reading handler: normalisation phase, nulling, reading records, colour cells and the live displays.
#include "processing/em61mk2_handler.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/text.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/numbers.h"
#include "displays/profiles.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/em61lx2_offsets.h"
#include "processing/em61mk2_decode.h"

double adSavedOffset[4];
double adNullSum[4];
double adNullSumB[4];
int nProcedureCount = 0;
int nNullingReadingsMk2 = 50;
int nNullingReadings = 100;

DWORD dwElapsedTotalMs = 0;
int anTotalElapsedHms[3];

namespace {

bool IsMarkerLetter(int c)
{
    return c != 'T' && c != 'D' && c != 'E' && c != 'F';
}

// A device context of a display window for one drawing step; nothing when the window does not exist.
struct WindowDc {
    HWND hwnd;
    HDC hdc;
};
WindowDc TakeDc(HWND hwnd)
{
    if (!hwnd) return {nullptr, nullptr};
    return {hwnd, GetDC(hwnd)};
}
void GiveDc(const WindowDc &w)
{
    if (w.hdc) ReleaseDC(w.hwnd, w.hdc);
}

}  // namespace

void WriteStatusBox(HDC hdc, const RECT &rc, HFONT hFont, const wchar_t *szText)
{
    if (rc.right <= rc.left || rc.bottom <= rc.top) return;
    FillRect(hdc, &rc, hbrButtonFace);
    if (!szText || !szText[0]) return;
    if (hFont) SelectObject(hdc, hFont);
    RECT r = rc;
    DrawText(hdc, szText, -1, &r, DT_LEFT | DT_SINGLELINE);
}

namespace {

void EnableProcedureButtons()
{
    HWND *ahRow = nRecordingState == 0 ? ahMonitorButton : ahRecordButton;
    static const int anButton[3] = {0, 1, 3};
    for (int i : anButton)
        if (ahRow[i]) EnableWindow(ahRow[i], TRUE);
    for (int i = 0; i < 4; i++)
        if (ahSideButton[i]) EnableWindow(ahSideButton[i], TRUE);
}

void ClearSidePanel(HDC hdc)
{
    if (hbrWhite) FillRect(hdc, &rcSidePanel, hbrWhite);
}

void ShowNullingProgress()
{
    WindowDc w = TakeDc(hwndNumbers);
    if (!w.hdc) return;
    SetBkMode(w.hdc, TRANSPARENT);
    if (hFontBold) SelectObject(w.hdc, hFontBold);
    ClearSidePanel(w.hdc);
    TextOut(w.hdc, nTextMarginX + 25, rcSidePanelValues.top + nLineHeight, L"Nulling:", 8);
    wchar_t sz[32];
    int n = swprintf(sz, 32, L"%2d of %2d", nProcedureCount, nNullingReadingsMk2);
    TextOut(w.hdc, rcSidePanelValues.left, rcSidePanelValues.top + 2 * nLineHeight, sz, n > 0 ? n : 0);
    if (hFontNormal) SelectObject(w.hdc, hFontNormal);
    if (nEm61ProcedureState == 1) {
        ClearSidePanel(w.hdc);
        DrawChannelLabels(w.hdc);
    }
    GiveDc(w);
}

void RunNormalisationStep()
{
    bReferencePhaseDone = 0;
    int nProgress = bReferenceReady == 1 ? 100 : AccumulateReferenceAverage();
    WindowDc w = TakeDc(hwndNumbers);
    if (w.hdc) {
        SetBkMode(w.hdc, TRANSPARENT);
        if (hFontNormal) SelectObject(w.hdc, hFontNormal);
        ClearSidePanel(w.hdc);
        TextOut(w.hdc, nTextMarginX, rcSidePanelValues.top + nLineHeight, L"Normalization:", 14);
        if (hFontBold) SelectObject(w.hdc, hFontBold);
        wchar_t sz[16];
        int n = swprintf(sz, 16, L"%3d %c", nProgress, L'%');
        TextOut(w.hdc, rcSidePanelValues.left + 10, rcSidePanelValues.top + 2 * nLineHeight, sz, n > 0 ? n : 0);
        if (hFontNormal) SelectObject(w.hdc, hFontNormal);
    }
    if (bReferenceReady == 1) {
        if (!(bGpsEnabled > 0 && bGpsPositionValid == 0)) {
            static const int anButton[3] = {0, 1, 3};
            for (int i : anButton)
                if (ahMonitorButton[i]) EnableWindow(ahMonitorButton[i], TRUE);
            for (int i = 0; i < 4; i++)
                if (ahSideButton[i]) EnableWindow(ahSideButton[i], TRUE);
        }
        nEm61ProcedureState = 1;
        if (w.hdc) {
            ClearSidePanel(w.hdc);
            DrawChannelLabels(w.hdc);
        }
        bReferencePhaseDone = 1;
    }
    GiveDc(w);
}

// Colour cell of a recorded reading; a full row takes no more cells until the next position starts a new one.
void StoreColourCell(const double adShown[4])
{
    if (nColorMapView <= 0 || nColorMapView > 4 || bSwathSampling != 1) return;
    if (nSwathRow < 0 || nSwathRow > 1) return;
    if (nSwathCellCount < 0 || nSwathCellCount >= SWATH_CELLS_PER_ROW) return;
    rgColorGrid[nSwathRow][nSwathCellCount] = ColorScaleIndex(adShown[nColorMapView - 1], dScale1Min);
    nSwathCellCount++;
}

// The 27-byte reading record: the rewritten frame, the frame's tick and the line feed.
void WriteReadingRecord(char *pRecord, DWORD dwTick)
{
    const int L = DataRecordBytes();
    int nl = nDataRecordNewline;
    if (nl < 0 || nl >= L) nl = L - 1;
    char szTick[16];
    snprintf(szTick, sizeof szTick, "%10lu", (unsigned long)dwTick);
    for (int i = 0; i < 10 && 16 + i < nl; i++) pRecord[16 + i] = szTick[i];
    for (int i = 26; i < nl; i++) pRecord[i] = ' ';
    pRecord[nl] = '\n';
    pRecord[L] = 0;
    WriteDataRecord(pRecord);
}

}  // namespace

void ShowRecordingStatus(HDC hdc)
{
    wchar_t sz[32];
    FormatBoxText(sz, 32, L"%-11.2f", dStation);
    WriteStatusBox(hdc, rcStatusStation, hFontBold, sz);
    swprintf(sz, 32, L"%-7d", nTotalReadingCount);
    WriteStatusBox(hdc, rcStatusCount, hFontNormal, sz);
    UpdateElapsedTime(GetTickCount());
    swprintf(sz, 32, L"%02d:%02d:%02d", anTotalElapsedHms[0], anTotalElapsedHms[1], anTotalElapsedHms[2]);
    WriteStatusBox(hdc, rcStatusTime, hFontNormal, sz);
}

namespace {

void RunNormalStep(char *pRecord, DWORD dwTick)
{
    double ch[4], dCurrent = 0.0;
    int nBattery = 0, nMode = 0, nClass = 0;
    short nGain = 0;
    DecodeInstrumentFrame(pRecord, ch, &dCurrent, &nBattery, &nGain, &nMode, &nClass);
    double a[4];
    ApplySignedSqrtScale(ch, a);
    int anProfileY[4], anDecayY[4];
    ChannelValuesToScreen(a, anProfileY, anDecayY);

    const bool bMarker = IsMarkerLetter(nMode);
    if (!bMarker) {
        nRecordTrigger = nSurveyMode == 2 ? 0 : 1;
    } else if (nSurveyMode == 2) {
        nRecordTrigger = nRecordTrigger == 0 ? 1 : -1;
    } else {
        nRecordTrigger = 1;
    }

    WindowDc log = TakeDc(hwndLog);
    if (log.hdc) SetBkMode(log.hdc, TRANSPARENT);
    if (nRecordingState == 1 && nRecordTrigger == 1) {
        StoreColourCell(a);
        if (dwRecordingStartTick == 0 || TickNotBefore(dwTick, dwRecordingStartTick))
            WriteReadingRecord(pRecord, dwTick);
        if (bStationStarted == 1) dStation += dStationIncrement;
        nLineReadingCount++;
        nTotalReadingCount++;
        bStationStarted = 1;
        WindowDc curve = TakeDc(hwndCurve1);
        if (curve.hdc) ScrollCurveWindow(curve.hdc, anProfileY);
        GiveDc(curve);
        if (log.hdc) ShowRecordingStatus(log.hdc);
        else UpdateElapsedTime(GetTickCount());
    }

    if (log.hdc) {
        WriteStatusBox(log.hdc, rcStatusMarker, hFontBold, nullptr);
        if (bMarker && nSurveyMode != 2) WriteStatusBox(log.hdc, rcStatusMarker, hFontBold, L"MARKER");
    }
    if (bMarker && nSurveyMode == 2 && bAudioTicks == 1)
        PlaySound(L"SOUND_RESULT", hInst, SND_RESOURCE | SND_ASYNC | SND_NOSTOP);

    if (log.hdc) {
        wchar_t sz[32];
        FormatBatteryText(nBattery, sz, 32);
        WriteStatusBox(log.hdc, rcStatusVoltage, hFontNormal, sz);
        FormatCurrentText(dCurrent, nClass, sz, 32);
        WriteStatusBox(log.hdc, rcStatusCurrent, hFontNormal, sz);
        sz[0] = Em61Mk2ModeCharacter(nMode);
        sz[1] = 0;
        WriteStatusBox(log.hdc, rcStatusMode, hFontNormal, sz);
    }
    GiveDc(log);

    WindowDc numbers = TakeDc(hwndNumbers);
    if (numbers.hdc) DrawChannelValues(numbers.hdc, ch[0], ch[1], ch[2], ch[3]);
    GiveDc(numbers);
    WindowDc decay = TakeDc(hwndDecay);
    if (decay.hdc) DrawChannelBars(decay.hdc, anDecayY, 4);
    GiveDc(decay);
}

}  // namespace

void UpdateElapsedTime(DWORD dwNow)
{
    dwElapsedTotalMs = (dwNow - dwRecordStartTick) + (DWORD)nTotalElapsedMs;
    DWORD s = dwElapsedTotalMs / 1000;
    DWORD h = s / 3600;
    DWORD m = (s - 3600 * h) / 60;
    anTotalElapsedHms[0] = (int)h;
    anTotalElapsedHms[1] = (int)m;
    anTotalElapsedHms[2] = (int)(s - 3600 * h - 60 * m);
}

void AccumulateNullReadings(double dCh1, double dCh2, double dCh3, double dCh4)
{
    if (nProcedureCount == 0) {
        for (int k = 0; k < 4; k++) {
            adPrevOffset[k] = adOffset[k];
            adOffset[k] = 0.0;
            adNullSum[k] = 0.0;
        }
        nProcedureCount = 1;
        return;
    }
    adNullSum[0] += dCh1;
    adNullSum[1] += dCh2;
    adNullSum[2] += dCh3;
    adNullSum[3] += dCh4;
    const int N = nNullingReadingsMk2 > 0 ? nNullingReadingsMk2 : 1;
    if (nProcedureCount >= N) {
        nEm61ProcedureState = 1;
        for (int k = 0; k < 4; k++) adOffset[k] = adNullSum[k] / N;
        if (nRecordingState == -1)
            WriteOffsetRecords(adOffset[0], adOffset[1], adOffset[2], adOffset[3], adPrevOffset[0], adPrevOffset[1],
                               adPrevOffset[2], adPrevOffset[3]);
        EnableProcedureButtons();
        nProcedureCount = N;
        return;
    }
    nProcedureCount++;
}

int AccumulateReferenceReadings(double dCh1, double dCh2, double dCh3, double dCh4)
{
    if (nProcedureCount == 0) {
        for (int k = 0; k < 4; k++) {
            if (nEm61ProcedureState == -2) adSavedOffset[k] = adOffset[k];
            else adPrevOffset[k] = adOffset[k];
            adOffset[k] = 0.0;
            adNullSumB[k] = 0.0;
        }
        nProcedureCount = 1;
        return 0;
    }
    adNullSumB[0] += dCh1;
    adNullSumB[1] += dCh2;
    adNullSumB[2] += dCh3;
    adNullSumB[3] += dCh4;
    const int N = nNullingReadings > 0 ? nNullingReadings : 1;
    if (nProcedureCount >= N) {
        for (int k = 0; k < 4; k++) adOffset[k] = adNullSumB[k] / N;
        if (nEm61ProcedureState != -2) {
            nEm61ProcedureState = 1;
            if (nRecordingState == -1)
                WriteOffsetLines(0, 1, adOffset[0], adOffset[1], adOffset[2], adOffset[3], adPrevOffset[0],
                                 adPrevOffset[1], adPrevOffset[2], adPrevOffset[3]);
        }
        nProcedureCount = N + 1;
        return 1;
    }
    nProcedureCount++;
    return 0;
}

LRESULT OnInstrumentReadingMsg(HWND, UINT, WPARAM, LPARAM)
{
    // Room for the longest record of any build, so that the record length can never reach past the buffer.
    char achRecord[DATA_RECORD_MAX + 1 > 64 ? DATA_RECORD_MAX + 1 : 64];
    memset(achRecord, 0, sizeof achRecord);
    memcpy(achRecord, szInstrumentRecord, 16);
    achRecord[16] = 0;
    const DWORD dwTick = dwInstrumentDataTick.load();

    switch (nEm61ProcedureState) {
    case -1: {
        double ch[4], dCurrent;
        int nBattery, nMode, nClass;
        short nGain;
        DecodeInstrumentFrame(achRecord, ch, &dCurrent, &nBattery, &nGain, &nMode, &nClass);
        AccumulateNullReadings(ch[0], ch[1], ch[2], ch[3]);
        ShowNullingProgress();
        break;
    }
    case 0:
        RunNormalisationStep();
        break;
    case 1:
        RunNormalStep(achRecord, dwTick);
        break;
    default:
        return 0;
    }
    szInstrumentRecord[0] = 0;
    return 0;
}
