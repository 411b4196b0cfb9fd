// EM61-LX2 reading handlers: normalisation, nulling, the two-part filter calibration and normal readings.
#include "processing/em61lx2_handler.h"

#include <cmath>
#include <cstring>
#include <cwchar>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/numbers.h"
#include "displays/profiles.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/em61lx2_alarm.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_display.h"
#include "processing/em61lx2_offsets.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "processing/filter_factor.h"
#include "processing/sentence_handlers.h"

int nFilterReadings = 200;
double dFilterSum1 = 0.0, dFilterSum2 = 0.0, dFilterSum3 = 0.0, dFilterSum4 = 0.0;
int bFilterLeftOk = 1, bFilterRightOk = 1;
double dFilterRatioLeftPrev = 0.0, dFilterRatioRightPrev = 0.0;

// Low-battery limit and amperes per count of the transmitter current word.
static const double dBatteryVoltsPerCount = 1.0 / 6.66757;
static const double dAmperesPerCount = 0.0018780699;

int FilterFactorAcceptable(double dFactor)
{
    return dFactor >= dFilterFactorMin && dFactor <= dFilterFactorMax;
}

namespace {

// One frame decoded: channels 1..4 (3 and 4 stay 0 with one coil), raw current, battery byte, range, mode.
struct Lx2Frame {
    double ch[4] = {0, 0, 0, 0};
    int nCurrent = 0, nBattery = 0, nRange = 0, nMode = 0;
};

void Decode(char *pRecord, int bDual, Lx2Frame &f)
{
    if (bDual)
        DecodeReading4ChAveraged(pRecord, &f.ch[0], &f.ch[1], &f.ch[2], &f.ch[3], &f.nCurrent, &f.nBattery,
                                 &f.nRange, &f.nMode);
    else
        DecodeReading2ChAveraged(pRecord, &f.ch[0], &f.ch[1], &f.nCurrent, &f.nBattery, &f.nRange, &f.nMode);
}

// Side-panel lines in the value column, bold, one text line apart; the panel is cleared first.
void ShowSidePanelLines(const wchar_t *const *aszLine, int nLines)
{
    WindowDc w = TakeDc(hwndNumbers);
    if (!w.hdc) return;
    SetBkMode(w.hdc, TRANSPARENT);
    SetTextColor(w.hdc, RGB(0, 0, 0));
    if (hFontBold) SelectObject(w.hdc, hFontBold);
    ClearSidePanel(w.hdc);
    for (int k = 0; k < nLines; k++)
        TextOut(w.hdc, rcSidePanelValues.left, rcSidePanelValues.top + k * nLineHeight, aszLine[k],
                (int)wcslen(aszLine[k]));
    if (hFontNormal) SelectObject(w.hdc, hFontNormal);
    GiveDc(w);
}

// "%Nd of %Nd" progress of a procedure step under its title lines.
void ShowProgress(const wchar_t *szFirst, const wchar_t *szSecond, const wchar_t *szFormat, int nCount, int nTotal)
{
    wchar_t sz[32];
    if (swprintf(sz, 32, szFormat, nCount, nTotal) < 0) sz[0] = 0;
    const wchar_t *aszLines[3];
    int n = 0;
    aszLines[n++] = szFirst;
    if (szSecond) aszLines[n++] = szSecond;
    aszLines[n++] = sz;
    ShowSidePanelLines(aszLines, n);
}

// The end of every procedure: side panel cleared, channel labels again, command buttons enabled.
void EndProcedure()
{
    nEm61ProcedureState = 1;
    WindowDc w = TakeDc(hwndNumbers);
    if (w.hdc) {
        ClearSidePanel(w.hdc);
        DrawChannelLabels(w.hdc);
    }
    GiveDc(w);
    EnableProcedureButtons();
}

void RestartTraces()
{
    for (int &b : abCurveHasPrev) b = 0;
}

// The procedure boxes of one reading: the reader is parked before the first box and the port purged and the
// reader resumed after the last, so that no frame that arrived while any box was up is handled.
class ProcedureBoxes {
public:
    explicit ProcedureBoxes(HWND hwndOwner) : m_hwnd(hwndOwner) {}
    ProcedureBoxes(const ProcedureBoxes &) = delete;
    ProcedureBoxes &operator=(const ProcedureBoxes &) = delete;
    ~ProcedureBoxes()
    {
        if (!m_bParked) return;
        PurgeInstrumentPortForCommand();
        if (hInstrumentThread && hInstrumentThread != INVALID_HANDLE_VALUE) ResumeThread(hInstrumentThread);
    }
    // Opens one box; 1 for OK, 0 for Cancel.
    int Ask(const wchar_t *szTemplate, const wchar_t *szTitle, const wchar_t *szText)
    {
        if (!m_bParked) {
            ParkReaderForCommand(hInstrumentThread);
            m_bParked = 1;
        }
        WindowDc w = TakeDc(hwndNumbers);
        if (w.hdc) ClearSidePanel(w.hdc);
        GiveDc(w);
        bProcedureDialogOpen = 1;
        MessageBeep((UINT)-1);
        const int nAnswer = ShowMessageDialog(m_hwnd, szTemplate, szTitle, szText);
        bProcedureDialogOpen = 0;
        return nAnswer;
    }

private:
    HWND m_hwnd;
    int m_bParked = 0;
};

void RestoreSavedOffsets(int nFirst, int nLast)
{
    for (int k = nFirst; k <= nLast; k++) adOffset[k] = adSavedOffset[k];
}

void RestoreStartRatios()
{
    dFilterRatioLeft = dFilterRatioLeftPrev;
    dFilterRatioRight = dFilterRatioRightPrev;
}

// State -2: a nulling run with the coils in the air, then the box that leads into the second part.
void RunCalibrationPart1(HWND hwnd, int bDual, const Lx2Frame &f)
{
    AccumulateReferenceReadings(f.ch[0], f.ch[1], f.ch[2], f.ch[3]);
    ShowProgress(L"Offset", L"Nulling:", L"%3d of %3d", nProcedureCount, nNullingReadings);
    if (nProcedureCount <= nNullingReadings) return;
    wchar_t szText[256];
    if (bDual)
        swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls\r\n", L"Ready to calculate Filter Factors",
                 L"Place coil(s) on the ground.", L"Press OK when you are ready to start");
    else
        swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls\r\n", L"Ready to calculate Filter Factor",
                 L"Place coil(s) on the ground.", L"Press  OK  when  you are ready to start");
    ProcedureBoxes boxes(hwnd);
    if (boxes.Ask(L"MESSAGEOKCANCEL", bDual ? L"Filter Calibration Part 2" : L"Calibration Part 2", szText)) {
        dFilterSum1 = dFilterSum2 = dFilterSum3 = dFilterSum4 = 0.0;
        nProcedureCount = 0;
        nEm61ProcedureState = -3;
        return;
    }
    RestoreSavedOffsets(0, bDual ? 3 : 1);
    RestoreStartRatios();
    EndProcedure();
}

// One coil of the calibration result: its new ratio and factor, its current factors and ratio.
struct CoilResult {
    const wchar_t *szSide;  // "Left" or "Right"
    double dRatio, dFactor;
    double *pdRatio, *pdFactor, *pdFactorPrev;
    int *pbOk;
    int nFirstChannel;
};

// State -3: the filter sums of the coils on the ground; at the last reading the factors, their checks and boxes.
void RunCalibrationPart2(HWND hwnd, int bDual, const Lx2Frame &f)
{
    bFilterLeftOk = bFilterRightOk = 1;
    dFilterSum1 += f.ch[0];
    dFilterSum2 += f.ch[1];
    dFilterSum3 += f.ch[2];
    dFilterSum4 += f.ch[3];
    nProcedureCount++;
    ShowProgress(L"Calculating:", nullptr, L"%3d of %3d", nProcedureCount, nFilterReadings);
    const int N = nFilterReadings > 0 ? nFilterReadings : 1;
    if (nProcedureCount < N) return;

    dFilterSum1 /= N;
    dFilterSum2 /= N;
    dFilterSum3 /= N;
    dFilterSum4 /= N;
    const double dRatioLeft = dFilterSum1 / dFilterSum2;
    const double dRatioRight = dFilterSum3 / dFilterSum4;
    CoilResult aCoil[2] = {
        {L"Left", dRatioLeft, ConvertFilterFactor(dRatioLeft, 0), &dFilterRatioLeft, &dFilterFactorLeft,
         &dFilterFactorLeftPrev, &bFilterLeftOk, 0},
        {L"Right", dRatioRight, ConvertFilterFactor(dRatioRight, 0), &dFilterRatioRight, &dFilterFactorRight,
         &dFilterFactorRightPrev, &bFilterRightOk, 2},
    };
    const int nCoils = bDual ? 2 : 1;
    ProcedureBoxes boxes(hwnd);
    int nPassed = 0;
    for (int c = 0; c < nCoils; c++) {
        CoilResult &r = aCoil[c];
        if (FilterFactorAcceptable(r.dFactor)) {
            nPassed++;
            continue;
        }
        *r.pbOk = 0;
        wchar_t szRefused[80], szRestores[80], szText[256], szTitle[64];
        const int n1 = swprintf(szRefused, 80, L"Calculated Filter Factor for %ls Coil ( %.1f )", r.szSide, r.dFactor);
        const int n2 = swprintf(szRestores, 80, L"Program restores previous value ( %.1f )", *r.pdFactor);
        const int n3 = swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls\r\n%ls\r\n", L"Calibration Failed.",
                                n1 < 0 ? L"" : szRefused, L" is out of valid range ( 125 to 1000 ).",
                                n2 < 0 ? L"" : szRestores);
        if (n3 < 0) szText[0] = 0;
        if (swprintf(szTitle, 64, L"Filter Factor %ls Coil", r.szSide) < 0) szTitle[0] = 0;
        boxes.Ask(L"MESSAGEOK", szTitle, szText);
        RestoreSavedOffsets(r.nFirstChannel, r.nFirstChannel + 1);
        RestartTraces();
    }
    if (nPassed == 0) {
        EndProcedure();
        return;
    }
    for (int c = 0; c < nCoils; c++) {
        CoilResult &r = aCoil[c];
        if (!*r.pbOk) continue;
        *r.pdFactorPrev = *r.pdFactor;
        *r.pdFactor = r.dFactor;
        *r.pdRatio = r.dRatio;
    }
    wchar_t szFirst[160], szText[256];
    int n1;
    if (!bDual)
        n1 = swprintf(szFirst, 160, L"Filter Factor = %.1f", dFilterFactorLeft);
    else
        n1 = swprintf(szFirst, 160, L"Filter Factor for Left  Sensor = %.1f%ls\r\n Filter Factor for Right Sensor = %.1f%ls",
                      dFilterFactorLeft, bFilterLeftOk ? L"" : L" (restored)", dFilterFactorRight,
                      bFilterRightOk ? L"" : L" (restored)");
    if (n1 < 0) szFirst[0] = 0;
    if (swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls\r\n", szFirst, L"Press OK to accept the calibration",
                 L"or CANCEL to restore previous values") < 0)
        szText[0] = 0;
    if (!boxes.Ask(L"MESSAGEOKCANCEL", L"Filter Calibration Complete", szText)) {
        RestoreSavedOffsets(0, bDual ? 3 : 1);
        RestoreStartRatios();
        for (int c = 0; c < nCoils; c++)
            if (*aCoil[c].pbOk) *aCoil[c].pdFactor = *aCoil[c].pdFactorPrev;
    } else {
        // The previous offsets are those in force before this calibration, so that a redraw of the readings taken
        // before it restores the right ones.
        WriteOffsetLines(0, 1, adOffset[0], adOffset[1], adOffset[2], adOffset[3], adSavedOffset[0],
                         adSavedOffset[1], adSavedOffset[2], adSavedOffset[3]);
        // The same for the factors: a coil refused in this calibration kept its factor, which is then also the
        // factor in force before it (its stored previous factor belongs to an older calibration).
        const double dLeftBefore = bFilterLeftOk ? dFilterFactorLeftPrev : dFilterFactorLeft;
        const double dRightBefore = !bDual ? dFilterFactorRightPrev
                                    : bFilterRightOk ? dFilterFactorRightPrev : dFilterFactorRight;
        WriteOffsetLines(1, 1, dFilterFactorLeft, bDual ? dFilterFactorRight : 0.0, 0, 0, dLeftBefore, dRightBefore,
                         0, 0);
        // Both twins start the traces anew, so that the readings on the two sides of the change are not joined
        // (the redraw from the file breaks the traces there as well).
        RestartTraces();
    }
    EndProcedure();
}

void RunNulling(int bDual, const Lx2Frame &f)
{
    (void)bDual;
    AccumulateReferenceReadings(f.ch[0], f.ch[1], f.ch[2], f.ch[3]);
    ShowProgress(L"Nulling:", nullptr, L"%2d of %2d", nProcedureCount, nNullingReadings);
    if (nEm61ProcedureState == 1) EndProcedure();
}

bool IsMarkerRecordLetter(int c)
{
    return c == 'M' || c == 'N' || c == 'P' || c == 'Q' || c == 'K' || c == 'k';
}

// The marker letter of a mode letter while the soft marker key is held.
char SoftMarkerLetter(char c)
{
    switch (c) {
    case 'D': return 'N';
    case 'E': return 'P';
    case 'F': return 'Q';
    case 'T': return 'M';
    default: return c;
    }
}

void RunNormalReading(int bDual, char *pRecord, DWORD dwTick)
{
    ClearAlarmFlags();
    Lx2Frame f;
    Decode(pRecord, bDual, f);
    HoldAlarmSound(bDual ? &nAlarmHoldCountDual : &nAlarmHoldCount);
    const double adLeft[3] = {f.ch[0], f.ch[1], f.ch[0] - dFilterRatioLeft * f.ch[1]};
    const double adRight[3] = {f.ch[2], f.ch[3], f.ch[2] - dFilterRatioRight * f.ch[3]};
    // The bar rows have a fourth entry: a bar window reads a row for each bar it can show.
    int anLeftY[3], anLeftBarY[4] = {}, anRightY[3], anRightBarY[4] = {};
    Em61Lx2ValuesToScreenY(adLeft[0], adLeft[1], adLeft[2], anLeftY, anLeftBarY);
    if (bDual) Em61Lx2ValuesToScreenY(adRight[0], adRight[1], adRight[2], anRightY, anRightBarY);
    if (bSoftMarkerDown) pRecord[0] = SoftMarkerLetter(pRecord[0]);

    WindowDc log = TakeDc(hwndLog);
    if (log.hdc) SetBkMode(log.hdc, TRANSPARENT);
    if (nRecordingState == 1) {
        // Two coils: the right coil's class x 64 + the left coil's, each half of the swath painted from its own.
        if (nColorMapView >= 1 && nColorMapView <= 3)
            StoreSwathCell(SensorPairCell(adLeft[nColorMapView - 1], adRight[nColorMapView - 1], bDual));
        if (dwRecordingStartTick == 0 || TickNotBefore(dwTick, dwRecordingStartTick)) WriteReadingRecord(pRecord, dwTick);
        if (bStationStarted == 1) dStation += dStationIncrement;
        nTotalReadingCount++;
        bStationStarted = 1;
        WindowDc left = TakeDc(hwndCurve2);
        if (bDual) {
            WindowDc right = TakeDc(hwndCurve3);
            if (left.hdc && right.hdc) ScrollStripChart4Ch(left.hdc, right.hdc, anLeftY, anRightY);
            GiveDc(right);
        } else if (left.hdc) {
            ScrollStripChart2Ch(left.hdc, anLeftY);
        }
        GiveDc(left);
        if (log.hdc) ShowRecordingStatus(log.hdc);
        else UpdateElapsedTime(GetTickCount());
    }
    if (log.hdc) {
        WriteStatusBox(log.hdc, rcStatusMarker, hFontBold, nullptr);
        if (IsMarkerRecordLetter((unsigned char)pRecord[0])) WriteStatusBox(log.hdc, rcStatusMarker, hFontBold, L"MARKER");
        wchar_t sz[32];
        const double dVolts = f.nBattery * dBatteryVoltsPerCount;
        if (swprintf(sz, 32, L" %4.1f V", dVolts) < 0) sz[0] = 0;
        WriteStatusBox(log.hdc, rcStatusVoltage, hFontNormal, sz, dLowBatteryVolts >= dVolts ? hbrRed : nullptr);
        if (swprintf(sz, 32, L"%4.1f A", f.nCurrent * dAmperesPerCount) < 0) sz[0] = 0;
        WriteStatusBox(log.hdc, rcStatusCurrent, hFontNormal, sz);
    }
    GiveDc(log);

    WindowDc numbers = TakeDc(hwndNumbers);
    if (bDual) RunEm61Lx2DualAlarm(numbers.hdc, adLeft, adRight);
    else RunEm61Lx2Alarm(numbers.hdc, adLeft);
    GiveDc(numbers);

    if (!bDual) {
        WindowDc decay = TakeDc(hwndDecay);
        if (decay.hdc) DrawChannelBars(decay.hdc, anLeftBarY, 3);
        GiveDc(decay);
    } else {
        WindowDc barQ = TakeDc(hwndBarQ);
        if (barQ.hdc) UpdateBarQBars(barQ.hdc, anLeftBarY);
        GiveDc(barQ);
        WindowDc barI = TakeDc(hwndBarI);
        if (barI.hdc) UpdateBarIBars(barI.hdc, anRightBarY);
        GiveDc(barI);
    }
}

LRESULT HandleReading(HWND hwnd, int bDual)
{
    char achRecord[DATA_RECORD_MAX + 1 > 64 ? DATA_RECORD_MAX + 1 : 64];
    memset(achRecord, 0, sizeof achRecord);
    memcpy(achRecord, szInstrumentRecord, 16);
    const DWORD dwTick = dwInstrumentDataTick.load();
    Lx2Frame f;
    switch (nEm61ProcedureState) {
    case -1:
        Decode(achRecord, bDual, f);
        RunNulling(bDual, f);
        break;
    case -2:
        Decode(achRecord, bDual, f);
        RunCalibrationPart1(hwnd, bDual, f);
        break;
    case -3:
        Decode(achRecord, bDual, f);
        RunCalibrationPart2(hwnd, bDual, f);
        break;
    case 0:
        RunNormalisationStep();
        break;
    case 1:
        RunNormalReading(bDual, achRecord, dwTick);
        break;
    default:
        break;
    }
    szInstrumentRecord[0] = 0;
    return 0;
}

}  // namespace

LRESULT HandleEm61Lx2Reading(HWND hwnd) { return HandleReading(hwnd, 0); }
LRESULT HandleEm61Lx2DualReading(HWND hwnd) { return HandleReading(hwnd, 1); }
LRESULT OnEm61Lx2ReadingMsg(HWND hwnd, UINT, WPARAM, LPARAM) { return HandleEm61Lx2Reading(hwnd); }
LRESULT OnEm61Lx2DualReadingMsg(HWND hwnd, UINT, WPARAM, LPARAM) { return HandleEm61Lx2DualReading(hwnd); }
