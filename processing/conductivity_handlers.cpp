// Reading handlers of the EM31-MK2, EM38, EM34-3 and EM38-MK2: decode, record switch, colour cell, reading record,
// status panel and profile; the EM34-3 manual station and sample series; the EM38-MK2 calibration procedure.
#include "processing/conductivity_handlers.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/numbers.h"
#include "displays/profiles.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/conductivity_decode.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_handler.h"
#include "processing/handler_state.h"

int abStationValid[6];
double adStationValues[6];
char szStationRowBuild[128];
wchar_t wszStationRows[6][128];
int bEm34Sep10Shown = 0, bEm34Sep20Shown = 0, bEm34Sep40Shown = 0;
int nSeriesSampleCount = 0, bSeriesCollecting = 0;
double dSeriesRawSum1 = 0, dSeriesRawSum2 = 0, dSeriesValueSum1 = 0, dSeriesValueSum2 = 0, dSeriesRawMean1 = 0,
       dSeriesRawMean2 = 0;

int nCalProcedureState = 0, nCalPhase = 0, nEm38Mk2CalStep = 0, nCalSampleCount = 0;
DWORD dwCalibStepTick = 0;
double adCalSum[16];
double adCalibrationBackup[12];

namespace {

// A device context of a window for one handler step; nothing when the window does not exist.
struct ScopedWindowDc {
    HWND hwnd = nullptr;
    HDC hdc = nullptr;
    explicit ScopedWindowDc(HWND h) : hwnd(h), hdc(h ? GetDC(h) : nullptr)
    {
        if (hdc) SetBkMode(hdc, TRANSPARENT);
    }
    ~ScopedWindowDc()
    {
        if (hdc) ReleaseDC(hwnd, hdc);
    }
    ScopedWindowDc(const ScopedWindowDc &) = delete;
    ScopedWindowDc &operator=(const ScopedWindowDc &) = delete;
};

// The record switch: one recorded reading per press in survey mode 2, every reading otherwise.
void StepRecordTrigger(bool bSwitch, int nMode)
{
    if (!bSwitch) nRecordTrigger = nMode == 2 ? 0 : 1;
    else if (nMode == 2) nRecordTrigger = nRecordTrigger == 0 ? 1 : -1;
    else nRecordTrigger = 1;
}

// The switch bit of a text record's flags byte.
bool SwitchPressed(const char *pRecord)
{
    int f = (unsigned char)pRecord[1];
    if (f >= 128) f -= 128;
    return f >= 64;
}

// A colour cell for the row being collected; only with a colour view, never past the row's end.
void StoreColourCell(int nCell)
{
    if (bSwathSampling != 1 || nColorMapView < 1) return;
    if (nSwathRow < 0 || nSwathRow > 1) return;
    if (nSwathCellCount < 0 || nSwathCellCount >= SWATH_CELLS_PER_ROW) return;
    rgColorGrid[nSwathRow][nSwathCellCount++] = nCell;
}

// A posted text record (the copy the reader's message carries, 13 bytes) with its tick and decoded values.
struct TextReading {
    char rec[16];
    DWORD dwTick;
    double v1, v2;
    char chDipole, chMarker;
    short nRange;
    int nModeIndex, bBattery, nSlot;
};

void TakeTextReading(TextReading *r)
{
    memset(r->rec, 0, sizeof r->rec);
    const std::vector<uint8_t> &bytes = GetMessageBytes();
    if (!bytes.empty()) {
        memcpy(r->rec, bytes.data(), bytes.size() < 13 ? bytes.size() : 13);
        r->dwTick = GetMessageTick();
    } else {  // sent without a copy: the shared buffer
        memcpy(r->rec, szInstrumentRecord, 13);
        r->dwTick = adwFrameTick[0];
    }
    memcpy(szInstrumentRecord, r->rec, 14);
    r->nModeIndex = 0;
    r->nSlot = DecodeEmRecord(&r->v1, &r->v2, &r->chDipole, &r->nRange, &r->chMarker, &r->nModeIndex, &r->bBattery);
}

// Bytes from the received length up to byte 12 become blanks.
void BlankPastRecordLength(char *pRecord)
{
    int n = nInstrumentRecordLength;
    if (n < 0) n = 0;
    for (int i = n; i < 13; i++) pRecord[i] = ' ';
}

bool FrameOfThisRun(DWORD dwTick)
{
    return dwRecordingStartTick == 0 || TickNotBefore(dwTick, dwRecordingStartTick);
}

// A recorded reading's station advance, counts, status panel and profile step.
void AdvanceStationAndShow(const int yCurve[8])
{
    if (bStationStarted == 1) dStation += dStationIncrement;
    nLineReadingCount++;
    nTotalReadingCount++;
    bStationStarted = 1;
    nReadingInStation = 0;
    {
        ScopedWindowDc log(hwndLog);
        if (log.hdc) ShowRecordingStatus(log.hdc);
        else UpdateElapsedTime(GetTickCount());
    }
    ScopedWindowDc curve(hwndCurve1);
    if (curve.hdc) ScrollProfileGraph(curve.hdc, yCurve);
}

void ShowMarkerLamp(bool bMarker)
{
    ScopedWindowDc log(hwndLog);
    if (!log.hdc) return;
    const bool bShow = bMarker && !(nSurveyMode == 2 && nRecordingState == 1);
    WriteStatusBox(log.hdc, rcStatusMarker, hFontBold, bShow ? L"Marker" : L" ");
}

// The bar windows' step of this reading (the EM34-3 has no I bar).
void StepBars(const int yBarQ[4], const int yBarI[4], bool bIBar)
{
    {
        ScopedWindowDc q(hwndBarQ);
        if (q.hdc) UpdateBarQBars(q.hdc, yBarQ);
    }
    if (!bIBar) return;
    ScopedWindowDc i(hwndBarI);
    if (i.hdc) UpdateBarIBars(i.hdc, yBarI);
}

void WriteBoldBox(const RECT &rc, const wchar_t *szText)
{
    ScopedWindowDc log(hwndLog);
    if (log.hdc) WriteStatusBox(log.hdc, rc, hFontBold, szText);
}

void ShowReadingOfStation(int nReading)
{
    ShowEm34ReadingOfStation(1, nReading);
}

// The EM31-MK2 and EM38 handlers: twins but for the colour cell and the battery record.
LRESULT HandleTextReading(bool bEm38)
{
    TextReading r;
    TakeTextReading(&r);
    const bool bSwitch = SwitchPressed(r.rec);
    StepRecordTrigger(bSwitch, nSurveyMode);
    int yCurve[8] = {0}, yBarQ[4] = {0}, yBarI[4] = {0};
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);

    // A frame read before recording started is neither recorded nor counted nor drawn: the screen shows what the
    // file holds.
    if (nRecordingState == 1 && nRecordTrigger == 1 && FrameOfThisRun(r.dwTick)) {
        // A reading without a valid channel (a range index without a row) colours nothing.
        if (r.nSlot >= 0) {
            if (bEm38) {
                StoreColourCell(r.nModeIndex == nModeCode ? ColorScaleIndex(r.v1, dScale1Min) : 50);
            } else {
                int nCell = 0;
                if (nColorMapView == 1) nCell = ColorScaleIndex(r.v1, dScale1Min);
                else if (nColorMapView == 2) nCell = ColorScaleIndex(r.v2, dScale2Min);
                StoreColourCell(nCell);
            }
        }
        BlankPastRecordLength(r.rec);
        nReadingInStation++;
        WriteEmRawRecordOf(r.rec, r.dwTick);
        AdvanceStationAndShow(yCurve);
    }
    {
        ScopedWindowDc numbers(hwndNumbers);
        if (numbers.hdc) {
            if (bEm38) DrawEm38Numbers(numbers.hdc, nComponent, r.chDipole, r.nRange, r.v1, r.nModeIndex);
            else DrawEm31Mk2Numbers(numbers.hdc, nComponent, r.chDipole, r.nRange, r.v1, r.v2, r.bBattery);
        }
    }
    if (bEm38 || !r.bBattery) StepBars(yBarQ, yBarI, true);  // a battery record leaves the bars as they are
    ShowMarkerLamp(bSwitch);
    szInstrumentRecord[0] = 0;
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// EM34-3
// ---------------------------------------------------------------------------------------------------------------
void ClearStationTable()
{
    for (int i = 0; i < 6; i++) {
        abStationValid[i] = 0;
        adStationValues[i] = 0.0;
    }
}

int ReadingsPerStation()
{
    return nEm34Configuration < 1 ? 1 : nEm34Configuration > 6 ? 6 : nEm34Configuration;
}

// Reading n of the station into the table and its dialog row.
void StoreStationReading(int n, const TextReading &r)
{
    memset(szStationRecords[n - 1], 0, sizeof szStationRecords[n - 1]);
    memcpy(szStationRecords[n - 1], r.rec, 13);
    for (int k = 0; k < 6; k++)
        if (bChannelValid[k]) {
            abStationValid[k] = 1;
            adStationValues[k] = dChannelValue[k];
        }
    adwFrameTick[n] = r.dwTick;
    const int nWritten = snprintf(szStationRowBuild, sizeof szStationRowBuild, "%1d      %s%2d       %4d           %8.2f",
                                  n, r.chDipole == 'H' ? "Horizontal    " : "Vertical         ", (int)r.v2,
                                  (int)r.nRange, r.v1);
    if (nWritten < 0 || nWritten >= (int)sizeof szStationRowBuild) szStationRowBuild[0] = 0;
    NarrowToWideUnsigned(szStationRowBuild, wszStationRows[n - 1], 128);
}

void WriteHeldGpsSentences()
{
    std::lock_guard<std::mutex> held(mtxGpsHeld);
    bGpsHoldBusy = 1;
    if (bGpsPositionHeld == 1) {
        WriteTextRecord(szGpsPosition, dwGpsPositionTick, '@', '#', '!', 'p');
        nGpsPositionCount++;
    }
    if (bGpsSatellitesHeld == 1) WriteTextRecord(szGpsSatellites, dwGpsSatellitesTick, '@', '#', '!', 'p');
    bGpsPositionHeld = 0;
    bGpsSatellitesHeld = 0;
    bGpsHoldBusy = 0;
}

void AcceptStation()
{
    if (nSurveyMode == 2 && bWriteGpsWithReading == 0) {
        WriteHeldGpsSentences();
        bWriteGpsWithReading = 1;
        bEm34StationStarted = 1;
        bMapSegmentPending = 1;
    }
    WriteEm34RawRecords();
    dStation += dStationIncrement;
    nLineReadingCount++;
    nTotalReadingCount++;
    bStationStarted = 1;
    {
        ScopedWindowDc log(hwndLog);
        if (log.hdc) {
            wchar_t sz[32];
            if (swprintf(sz, 32, L"%-7d", nTotalReadingCount) > 0) WriteStatusBox(log.hdc, rcStatusCount, hFontNormal, sz);
        }
    }
    nReadingInStation = 0;
    for (int k = 0; k < 6; k++) {
        dChannelValue[k] = adStationValues[k];
        bChannelValid[k] = abStationValid[k];
    }
    // The separations read at this station (the station-mode map marks each of them).
    bEm34Sep10Shown = bEm34Sep20Shown = bEm34Sep40Shown = 0;
    if (abStationValid[0] || abStationValid[3]) bEm34Sep10Shown = 1;
    if (abStationValid[1] || abStationValid[4]) bEm34Sep20Shown = 1;
    if (abStationValid[2] || abStationValid[5]) bEm34Sep40Shown = 1;
    int yCurve[8] = {0}, yBarQ[4] = {0}, yBarI[4] = {0};
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    ScopedWindowDc curve(hwndCurve1);
    if (curve.hdc) ScrollProfileGraph(curve.hdc, yCurve);
}

}  // namespace

bool CountSeriesSample()
{
    const int nPerStation = nReadingsPerStation < 1 ? 1 : nReadingsPerStation > 999 ? 999 : nReadingsPerStation;
    bSeriesCollecting = 1;
    nSeriesSampleCount++;
    wchar_t sz[48];
    if (swprintf(sz, 48, L"Sample %-3d of %-3d", nSeriesSampleCount, nPerStation) > 0) WriteBoldBox(rcHintLine, sz);
    if (nSeriesSampleCount < nPerStation) return false;
    nSeriesSampleCount = 0;
    bSeriesCollecting = 0;
    WriteBoldBox(rcHintLine, L"Push switch RECORD");
    return true;
}

void DropSampleSeries()
{
    nSeriesSampleCount = 0;
    bSeriesCollecting = 0;
    dSeriesRawSum1 = dSeriesRawSum2 = dSeriesValueSum1 = dSeriesValueSum2 = 0.0;
}

namespace {

// One sample of a series; true when the series is complete and r holds its mean.
bool StepSampleSeries(TextReading *r)
{
    const int nSample = nSeriesSampleCount + 1;
    const bool bLast = CountSeriesSample();
    char szField[6];
    memcpy(szField, r->rec + 2, 5);
    szField[5] = 0;
    double d = TextToDouble(szField);
    dSeriesRawSum1 += d < -99999.0 ? -99999.0 : d > 99999.0 ? 99999.0 : d;
    if (nInstrumentRecordLength > 7) {
        memcpy(szField, r->rec + 7, 5);
        d = TextToDouble(szField);
        dSeriesRawSum2 += d < -99999.0 ? -99999.0 : d > 99999.0 ? 99999.0 : d;
    }
    dSeriesValueSum1 += r->v1;
    dSeriesValueSum2 += r->v2;
    if (!bLast) return false;
    r->v1 = dSeriesValueSum1 / nSample;
    r->v2 = dSeriesValueSum2 / nSample;
    dSeriesRawMean1 = dSeriesRawSum1 / nSample;
    dSeriesRawMean2 = dSeriesRawSum2 / nSample;
    dSeriesRawSum1 = dSeriesRawSum2 = dSeriesValueSum1 = dSeriesValueSum2 = 0.0;
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// EM38-MK2 calibration
// ---------------------------------------------------------------------------------------------------------------
const int kCalOffsetElements[6] = {0, 2, 4, 6, 8, 10};

void ShowProcedurePrompt(const wchar_t *szText)
{
    ScopedWindowDc log(hwndLog);
    if (!log.hdc || rcProcedureMessage.right <= rcProcedureMessage.left) return;
    FillRect(log.hdc, &rcProcedureMessage, hbrButtonFace);
    if (hFontBold) SelectObject(log.hdc, hFontBold);
    SetTextColor(log.hdc, RGB(0, 0, 255));
    SIZE size = {0, 0};
    const int n = (int)wcslen(szText);
    GetTextExtentPoint32(log.hdc, szText, n, &size);
    TextOut(log.hdc, (rcProcedureMessage.right - size.cx) / 2, rcProcedureMessage.top, szText, n);
    SetTextColor(log.hdc, RGB(0, 0, 0));
    if (hFontNormal) SelectObject(log.hdc, hFontNormal);
}

void ShowEm38Mk2Numbers(char chDipole, double p, double q, double r, double s)
{
    ScopedWindowDc numbers(hwndNumbers);
    if (numbers.hdc) DrawEm38Mk2Numbers(numbers.hdc, chDipole, p, q, r, s);
}

void NextCalStep(int nStep)
{
    nEm38Mk2CalStep = nStep;
    dwCalibStepTick = GetTickCount();
}

void EndCalibration(bool bCompleted)
{
    nCalPhase = 0;
    nCalProcedureState = 0;
    nEm38Mk2CalStep = 0;
    if (bGpsEnabled == 1) {
        if (hwndSpeed) ShowWindow(hwndSpeed, SW_SHOW);
        dwGpsDataTick = GetTickCount();
        if (hGpsThread) ResumeThread(hGpsThread);
        if (bCompleted) Sleep(5);
        HANDLE hPort = hGpsPort;
        if (hPort != INVALID_HANDLE_VALUE && hPort) {
            PurgeComm(hPort, PURGE_TXCLEAR);
            PurgeComm(hPort, PURGE_RXCLEAR);
        }
    }
    if (hwndLog) {
        InvalidateRect(hwndLog, nullptr, TRUE);
        UpdateWindow(hwndLog);
    }
    RedrawProfileForInstrument();
    RefreshReadingWindows();
    bMapUpdatesOn = 1;
    if (hwndLog) SetFocus(hwndLog);
}

void RestoreCalibrationBackup()
{
    for (int e : kCalOffsetElements) adCalibration[e] = adCalibrationBackup[e];
}

// A sampling step within its 2 seconds: the prompt and the numbers shown, a reading of the wanted dipole counted
// and summed into the elements given for p, q, r, s. False once the time is over.
bool TakeCalibrationSample(DWORD dwElapsed, const wchar_t *szPrompt, char chWanted, char chDipole, double p, double q,
                           double r, double s, const int anSum[4])
{
    if (dwElapsed > 2000) return false;
    ShowProcedurePrompt(szPrompt);
    ShowEm38Mk2Numbers(chDipole, p, q, r, s);
    if (chDipole == chWanted) {
        nCalSampleCount++;
        adCalSum[anSum[0]] += p;
        adCalSum[anSum[1]] += q;
        adCalSum[anSum[2]] += r;
        adCalSum[anSum[3]] += s;
    }
    return true;
}

// One reading of the running procedure (p, q, r, s and the dipole decoded).
void StepCalibration(double p, double q, double r, double s, char chDipole)
{
    const DWORD dwElapsed = GetTickCount() - dwCalibStepTick;
    if (nCalPhase == 1) {
        static const int anVertical[4] = {10, 2, 8, 0};  // sums of p, q, r, s
        if (TakeCalibrationSample(dwElapsed, L"Vertical Calibration", 'V', chDipole, p, q, r, s, anVertical)) return;
        nCalPhase = 2;
        if (nCalSampleCount < 30) {
            NextCalStep(4);
            return;
        }
        adCalibration[2] = adCalSum[2] / nCalSampleCount;
        adCalibration[0] = adCalSum[0] / nCalSampleCount;
        adCalSum[10] /= nCalSampleCount;
        adCalSum[8] /= nCalSampleCount;
        ShowProcedurePrompt(L"Rotate to Horizontal Mode within 60 seconds");
        MessageBeep(0x30);
        NextCalStep(0);
        return;
    }
    if (nCalPhase != 2) return;
    switch (nEm38Mk2CalStep) {
    case 0:
        if (dwElapsed <= 60000) {
            if (chDipole == 'H') NextCalStep(1);
        } else {
            NextCalStep(6);
        }
        break;
    case 1:
        if (dwElapsed <= 1000) {
            ShowProcedurePrompt(L"Preparing for Horizontal Calibration");
        } else {
            NextCalStep(2);
            nCalSampleCount = 0;
        }
        break;
    case 2:
        static const int anHorizontal[4] = {14, 6, 12, 4};
        if (TakeCalibrationSample(dwElapsed, L"Horizontal Calibration", 'H', chDipole, p, q, r, s, anHorizontal))
            break;
        if (nCalSampleCount < 30) {
            NextCalStep(5);
            break;
        }
        adCalibration[6] = adCalSum[6] / nCalSampleCount;
        adCalibration[4] = adCalSum[4] / nCalSampleCount;
        adCalSum[14] /= nCalSampleCount;
        adCalSum[12] /= nCalSampleCount;
        adCalibration[10] = adCalSum[10] - 2.0 * adCalSum[14];
        adCalibration[8] = adCalSum[8] - 2.0 * adCalSum[12];
        for (int e : kCalOffsetElements) adCalibrationPrev[e] = adCalibrationBackup[e];
        LoadSaveSettingsFile(1);
        WriteEm38Mk2OffsetLines();
        NextCalStep(3);
        break;
    case 3:
        if (dwElapsed < 1500) {
            ShowProcedurePrompt(L"Calibration Completed - Wait for Beep");
        } else {
            MessageBeep(0x30);
            EndCalibration(true);
        }
        break;
    case 4:
    case 5:
    case 6: {
        static const wchar_t *const aszFailed[3] = {L"Vertical Mode Failed - Wait for Beep",
                                                    L"Horizontal Mode Failed - Wait for Beep",
                                                    L"Horizontal Mode Not Detected - Wait for Beep"};
        if (dwElapsed < 1500) {
            ShowProcedurePrompt(aszFailed[nEm38Mk2CalStep - 4]);
        } else {
            RestoreCalibrationBackup();
            EndCalibration(false);
            MessageBeep(0x30);
        }
        break;
    }
    default:
        break;
    }
}

}  // namespace

void ShowEm34ReadingOfStation(int bShow, int nReading)
{
    ScopedWindowDc log(hwndLog);
    if (!log.hdc) return;
    wchar_t sz[32];
    if (!bShow || swprintf(sz, 32, L"Rdg: %1d of %1d", nReading, nEm34Configuration) <= 0) sz[0] = 0;
    WriteStatusBox(log.hdc, rcStatusCurrent, hFontBold, sz);
}

void FormatSeriesField(double dMean, char szField[6])
{
    double d = dMean;
    if (!(d > -99999.0)) d = -9999.0;  // also a mean that is no number
    if (d > 99999.0) d = 99999.0;
    int n = (int)d;
    if (n < -9999) n = -9999;
    char sz[16];
    const int nWritten = n > 9999 ? snprintf(sz, sizeof sz, "%05d", n) : snprintf(sz, sizeof sz, "%+05d", n);
    if (nWritten != 5) snprintf(sz, sizeof sz, "%s", "+0000");
    memcpy(szField, sz, 5);
    szField[5] = 0;
}

LRESULT HandleEm31Mk2Reading(HWND, UINT, WPARAM, LPARAM)
{
    return HandleTextReading(false);
}

LRESULT HandleEm38Reading(HWND, UINT, WPARAM, LPARAM)
{
    return HandleTextReading(true);
}

LRESULT HandleEm34Reading(HWND, UINT, WPARAM, LPARAM)
{
    TextReading r;
    TakeTextReading(&r);
    const bool bSwitch = SwitchPressed(r.rec);
    const int nMode = bSeriesCollecting ? 0 : nSurveyMode;
    StepRecordTrigger(bSwitch, nMode);
    bool bDrop = false;
    if (bManualSampleSeries == 1 && nRecordingState == 1 && nRecordTrigger == 1) bDrop = !StepSampleSeries(&r);

    if (!bDrop) {
        int yCurve[8] = {0}, yBarQ[4] = {0}, yBarI[4] = {0};
        ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
        if (r.nSlot >= 0) nEm34Channel = r.nSlot;
        if (nEm34Channel != nEm34PrevChannel) {
            bBarQFrameDrawn = 0;
            nEm34PrevChannel = nEm34Channel;
        }
        if (nRecordingState == 1 && nRecordTrigger == 1) {
            if (r.nSlot >= 0) {
                int nCell = 0;
                if (nColorMapView == 1) nCell = ColorScaleIndex(r.v1, dScale1Min);
                else if (nColorMapView == 2) nCell = ColorScaleIndex(r.v2, dScale2Min);
                StoreColourCell(nCell);
            }
            BlankPastRecordLength(r.rec);
            if (bManualSampleSeries == 1) {
                char szField[6];
                FormatSeriesField(dSeriesRawMean1, szField);
                memcpy(r.rec + 2, szField, 5);
                if (nInstrumentRecordLength > 7) {
                    FormatSeriesField(dSeriesRawMean2, szField);
                    memcpy(r.rec + 7, szField, 5);
                }
            }
            const int nPerStation = ReadingsPerStation();
            bool bRecorded = true;
            if (bStationConfirmOpen == 1) {
                bRecorded = false;  // a reading while the station waits for its answer
            } else {
                nReadingInStation++;
                if (nReadingInStation > nPerStation || nReadingInStation < 1) {
                    // Beyond the station's readings (the configuration changed mid-station): a new station.
                    ClearStationTable();
                    nReadingInStation = 1;
                }
            }
            if (bRecorded) {
                const int n = nReadingInStation;
                if (n >= 2) r.rec[0] = (char)('0' + n);
                if (nSurveyMode != 2) {
                    if (FrameOfThisRun(r.dwTick)) {
                        WriteEmRawRecordOf(r.rec, r.dwTick);
                        AdvanceStationAndShow(yCurve);
                    }
                } else {
                    StoreStationReading(n, r);
                    if (n >= nPerStation) {
                        bStationConfirmOpen = 1;
                        ShowReadingOfStation(n);
                        const INT_PTR nAnswer = DialogBox(hInst, L"CONFIRMSTATION", hwndLog, ConfirmStationDlgProc);
                        if (nAnswer == 1) AcceptStation();
                        else nReadingInStation = 0;
                        bStationConfirmOpen = 0;
                        ClearStationTable();
                    }
                }
                UpdateElapsedTime(GetTickCount());
                bStationStarted = 1;
                wchar_t sz[32];
                if (swprintf(sz, 32, L"%-11.2f", dStation) > 0) WriteBoldBox(rcStatusStation, sz);
                if (nSurveyModePrev == 2) ShowReadingOfStation(nReadingInStation);
            }
        }
        {
            ScopedWindowDc numbers(hwndNumbers);
            if (numbers.hdc) DrawEm34Numbers(numbers.hdc, nComponent, r.chDipole, r.nRange, r.v1, (int)r.v2);
        }
        StepBars(yBarQ, yBarI, false);
        if (bManualSampleSeries != 1) {
            ScopedWindowDc log(hwndLog);
            if (log.hdc) {
                const bool bShow = bSwitch && !(nSurveyMode == 2 && nRecordingState == 1);
                WriteStatusBox(log.hdc, rcStatusMarker, hFontBold, bShow ? L"Marker" : L" ");
            }
        }
    }
    szInstrumentRecord[0] = 0;
    return 0;
}

INT_PTR ConfirmStationDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: {
        wchar_t sz[64];
        if (swprintf(sz, 64, L"%.3f", dStation) < 0) wcscpy(sz, L"N/A");
        SetDlgItemText(hDlg, 717, sz);
        for (int i = 0; i < 6; i++) {
            HWND hRow = GetDlgItem(hDlg, 701 + i);
            if (hRow) ShowWindow(hRow, SW_HIDE);
        }
        const int nRows = ReadingsPerStation();
        for (int i = 0; i < nRows; i++) {
            HWND hRow = GetDlgItem(hDlg, 701 + i);
            if (!hRow) continue;
            ShowWindow(hRow, SW_SHOW);
            SetDlgItemText(hDlg, 701 + i, wszStationRows[i]);
        }
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == 1) {
            EndDialog(hDlg, 1);
            return TRUE;
        }
        if (LOWORD(wParam) == 2) {
            EndDialog(hDlg, 0);
            return TRUE;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

LRESULT HandleEm38Mk2Reading(HWND, UINT, WPARAM, LPARAM)
{
    if (nCalProcedureState != 0 && nCalProcedureState != -1) return 0;
    char achFrame[16];
    memcpy(achFrame, szInstrumentRecord, 14);
    achFrame[14] = 0;
    const DWORD dwTick = adwFrameTick[0];
    double p, q, r, s, adTemp[2];
    int anRaw[4], anRawTemp[2];
    char chDipole, chMarker;
    short nDipoleCode;
    DecodeEm38Mk2Record(&p, &q, &r, &s, anRaw, adTemp, anRawTemp, &chDipole, &chMarker, &nDipoleCode);

    if (nCalProcedureState == -1) {
        StepCalibration(p, q, r, s, chDipole);
        szInstrumentRecord[0] = 0;
        return 0;
    }

    const bool bSwitch = chMarker == 'M';
    StepRecordTrigger(bSwitch, nSurveyMode);
    int yCurve[8] = {0}, yBarQ[4] = {0}, yBarI[4] = {0};
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    if (nRecordingState == 1 && nRecordTrigger == 1 && FrameOfThisRun(dwTick)) {
        double dValue = p, dMin = dScale1Min;
        switch (nColorMapView) {
        case 2: dValue = q; dMin = dScale2Min; break;
        case 3: dValue = r; break;
        case 4: dValue = s; dMin = dScale2Min; break;
        default: break;
        }
        StoreColourCell(ColorScaleIndex(dValue, dMin));
        nReadingInStation++;
        WriteEm38Mk2RawRecord(achFrame);
        AdvanceStationAndShow(yCurve);
    }
    ShowEm38Mk2Numbers(chDipole, p, q, r, s);
    StepBars(yBarQ, yBarI, true);
    ShowMarkerLamp(bSwitch);
    szInstrumentRecord[0] = 0;
    return 0;
}

int StartEm38Mk2Calibration()
{
    for (int e : kCalOffsetElements) {
        adCalibrationBackup[e] = adCalibration[e];
        adCalibration[e] = 0.0;
    }
    wchar_t szText[256];
    if (swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Place  EM38-MK2  on  Monopod", L"in  Vertical  Dipole  Mode",
                 L"and  press  YES  when  ready") < 0)
        return 0;
    if (ShowMessageDialog(hwndLog, L"MESSAGEYESNO", L"CALIBRATION", szText) != 1) {
        RestoreCalibrationBackup();
        nCalPhase = 0;
        nCalProcedureState = 0;
        return 0;
    }
    HANDLE hPort = hGpsPort;
    if (hPort != INVALID_HANDLE_VALUE && hPort && hGpsThread) SuspendThread(hGpsThread);
    if (hwndSpeed) ShowWindow(hwndSpeed, SW_HIDE);
    for (double &d : adCalSum) d = 0.0;
    nCalSampleCount = 0;
    nCalPhase = 1;
    nEm38Mk2CalStep = 0;
    dwCalibStepTick = GetTickCount();
    nCalProcedureState = -1;
    return 1;
}

int RemoveEm38Mk2Calibration()
{
    wchar_t szText[256];
    if (swprintf(szText, 256, L"%ls\r\n%ls\r\n%ls", L"Are you sure you want to", L"delete Calibration factors ?",
                 L"press  YES  or  NO") < 0)
        return 0;
    if (ShowMessageDialog(hwndLog, L"MESSAGEYESNO", L"Delete Calibration", szText) != 1) return 0;
    for (int e : kCalOffsetElements) {
        adCalibrationPrev[e] = adCalibration[e];
        adCalibration[e] = 0.0;
    }
    LoadSaveSettingsFile(1);
    if (hDataFile != INVALID_HANDLE_VALUE) WriteEm38Mk2OffsetLines();
    return 1;
}
