// EM38-4 reading handler: averaging, displays, reading records, the drift procedure and the calibration.
#include "processing/em384_handler.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/logging_command.h"
#include "core/rates.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/profiles.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/conductivity_handlers.h"
#include "processing/dispatch.h"
#include "processing/em384_coefficients.h"
#include "processing/em384_decode.h"
#include "processing/em61mk2_handler.h"
#include "processing/handler_state.h"
#include "processing/sentence_handlers.h"

// The procedure state, phase, step tick, sample count, sums and the backup of adCalibration are shared with the
// EM38-MK2 calibration (processing/conductivity_handlers.h).
int nCalStep = 0;
double adCalibrationBBackup[8];

namespace {
// The previous sets and the carrier means as they stood when the calibration started: a calibration that is
// cancelled or fails leaves every set its coefficient block records as it was.
double adCalibrationPrevBackup[12], adCalibrationBPrevBackup[8], adCarrierFreeMeanBackup[8], adCarrierMeanBackup[8];
}  // namespace
int nDriftCount = 0, nDriftReadings = 10;
double adDriftMean[8];
RECT InversionPanelRects[7];

namespace {

const DWORD kCollectMs = 5000;
const DWORD kSettleMs = 1000;
const int kMaxRate = 20;  // largest reading-window length (rate values 1, 5, 10, 15, 20)

// Frame averaging while logging: C1..C4, I1..I4, heights 1 and 2, temperatures 1 and 2.
double adFrameSum[12], adFrameMean[12];
DWORD dwRecordTick = 0;
// Reading window: heights 1 and 2, C1..C4.
double aadRing[6][kMaxRate], adRingSum[6], adWindowMean[6];
int nRingIndex = 0;
int nSoundCounter = 0;

int RateValue() { return nEm384RateValue < 1 ? 1 : (nEm384RateValue > kMaxRate ? kMaxRate : nEm384RateValue); }
int DriftReadings() { return nDriftReadings < 1 ? 1 : nDriftReadings; }

void ToArray(const Em384Values &v, double a[12])
{
    for (int k = 0; k < 4; k++) {
        a[k] = v.adC[k];
        a[4 + k] = v.adI[k];
    }
    a[8] = v.adHeight[0];
    a[9] = v.adHeight[1];
    a[10] = v.adTemp[0];
    a[11] = v.adTemp[1];
}

void FromArray(const double a[12], Em384Values *pv)
{
    for (int k = 0; k < 4; k++) {
        pv->adC[k] = a[k];
        pv->adI[k] = a[4 + k];
    }
    pv->adHeight[0] = a[8];
    pv->adHeight[1] = a[9];
    pv->adTemp[0] = a[10];
    pv->adTemp[1] = a[11];
}

HBRUSH PanelBrush() { return nRecordingState == 1 ? hbrGreen : hbrWhite; }

// "%s" formatted narrow into a bounded buffer and drawn; a failed format draws nothing.
void TextAtF(HDC hdc, int x, int y, const char *szFormat, double d)
{
    char sz[48];
    const int n = std::snprintf(sz, sizeof sz, szFormat, d);
    if (n <= 0 || n >= (int)sizeof sz) return;
    wchar_t w[48];
    NarrowToWideU(sz, w);
    TextOut(hdc, x, y, w, n);
}

// Box protocol: the reader is held while the box is up and what arrived meanwhile is dropped.
int Em384Box(const wchar_t *szTemplate, const wchar_t *szTitle, const wchar_t *szText)
{
    if (hInstrumentThread) SuspendThread(hInstrumentThread);
    bEm384DialogOpen = 1;
    const int r = ShowMessageDialog(hwndLog, szTemplate, szTitle, szText);
    HANDLE hPort = hInstrumentPort;
    if (hPort != INVALID_HANDLE_VALUE) PurgeComm(hPort, PURGE_RXCLEAR);
    if (hInstrumentThread) ResumeThread(hInstrumentThread);
    adwFrameTick[0] = GetTickCount();
    bEm384DialogOpen = 0;
    return r;
}

void RefreshLogScreen()
{
    if (!hwndLog) return;
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

void EndProcedure()
{
    if (bGpsEnabled == 1) {
        if (hwndSpeed) ShowWindow(hwndSpeed, SW_SHOW);
        dwGpsDataTick = GetTickCount();
        if (hGpsThread) ResumeThread(hGpsThread);
        HANDLE hGps = hGpsPort;
        if (hGps != INVALID_HANDLE_VALUE) {
            PurgeComm(hGps, PURGE_TXCLEAR);
            PurgeComm(hGps, PURGE_RXCLEAR);
        }
        WaitMilliseconds(5);
    }
    adwFrameTick[0] = GetTickCount();
    bEm384DialogOpen = 0;
    nCalPhase = 0;
    nCalProcedureState = 0;
    nCalStep = 0;
    RefreshLogScreen();
    bMapUpdatesOn = 1;
    RedrawProfileForInstrument();
    RebuildMapForInstrument();
    if (hwndLog) SetFocus(hwndLog);
}

void RestoreCoefficientBackup()
{
    memcpy(adCalibration, adCalibrationBackup, sizeof adCalibrationBackup);
    memcpy(adCalibrationB, adCalibrationBBackup, sizeof adCalibrationBBackup);
    memcpy(adCalibrationPrev, adCalibrationPrevBackup, sizeof adCalibrationPrevBackup);
    memcpy(adCalibrationBPrev, adCalibrationBPrevBackup, sizeof adCalibrationBPrevBackup);
    memcpy(adCarrierFreeMean, adCarrierFreeMeanBackup, sizeof adCarrierFreeMeanBackup);
    memcpy(adCarrierMean, adCarrierMeanBackup, sizeof adCarrierMeanBackup);
}

void SaveAndWriteCoefficients()
{
    LoadSaveSettingsFile(1);
    if (hDataFile == INVALID_HANDLE_VALUE) return;
    WriteEm384CoefficientBlock();
    // The profiles start anew at new coefficients, as after their removal (and as the redraw draws them).
    for (int &b : abCurveHasPrev) b = 0;
}

// Sums of one collection: in-phase into [nBase..nBase + 3], conductivity into [nBase + 8..nBase + 11].
void AddToSums(const Em384Values &v, int nBase)
{
    for (int k = 0; k < 4; k++) {
        adCalSum[nBase + k] += v.adI[k];
        adCalSum[nBase + 8 + k] += v.adC[k];
    }
    nCalSampleCount++;
}

void ClearCurrentSums()
{
    for (int k = 0; k < 4; k++) adCalSum[k] = adCalSum[8 + k] = 0.0;
}

// Means of the current collection in the carrier order C1, C3, C2, C4, I1, I3, I2, I4.
void CarrierOrderMeans(double a[8])
{
    static const int anPair[4] = {0, 2, 1, 3};
    const double n = nCalSampleCount;
    for (int k = 0; k < 4; k++) {
        a[k] = adCalSum[8 + anPair[k]] / n;
        a[4 + k] = adCalSum[anPair[k]] / n;
    }
}

// A collection step that ended with nothing summed: the calibration ends as cancelled, nothing kept.
bool FailEmptyStep()
{
    if (nCalSampleCount > 0) return false;
    RestoreCoefficientBackup();
    EndProcedure();
    return true;
}

void RunCalibrationStep(const Em384Values &v)
{
    const DWORD dwElapsed = GetTickCount() - dwCalibStepTick;
    if (nCalPhase == 1) {
        if (dwElapsed <= kCollectMs) {
            AddToSums(v, 0);
            return;
        }
        if (FailEmptyStep()) return;
        for (int k = 0; k < 4; k++) {
            adCalibration[k] = adCalSum[k] / nCalSampleCount;
            adCalSum[8 + k] /= nCalSampleCount;
        }
        nCalStep = 0;
        Em384Box(L"MESSAGEOK", L"Horizontal Calibration",
                 L"Rotate the unit to Horizontal Dipole Mode.\r\nWhen ready then press OK\r\n");
        dwCalibStepTick = GetTickCount();
        nCalPhase = 2;
        nCalStep = 1;
        return;
    }
    if (nCalPhase != 2) return;
    switch (nCalStep) {
    case 1:
    case 7:
    case 9:
        if (dwElapsed <= kSettleMs) return;
        if (nCalStep != 1) ClearCurrentSums();
        nCalStep++;
        dwCalibStepTick = GetTickCount();
        nCalSampleCount = 0;
        return;
    case 2:
        if (dwElapsed <= kCollectMs) {
            AddToSums(v, 4);
            return;
        }
        if (FailEmptyStep()) return;
        for (int k = 0; k < 4; k++) {
            adCalibration[4 + k] = adCalSum[4 + k] / nCalSampleCount;
            adCalSum[12 + k] /= nCalSampleCount;
            adCalibration[8 + k] = adCalSum[8 + k] - 2.0 * adCalSum[12 + k];
        }
        memcpy(adCalibrationPrev, adCalibrationBackup, sizeof adCalibrationBackup);
        nCalStep = 3;
        dwCalibStepTick = GetTickCount();
        return;
    case 3:
        if (!Em384Box(L"MESSAGEOKCANCEL", L"Instrument Calibration",
                      L"Instrument Calibration is Completed.\r\nPress OK to accept or CANCEL this Calibration\r\n")) {
            RestoreCoefficientBackup();
            EndProcedure();
            return;
        }
        if (!Em384Box(L"MESSAGEYESNO", L"Removing Carrier Effect Calibration",
                      L"Do you want to proceed with Carrier Effect Calibration?\r\n"
                      L"press YES to CONTINUE or NO to SKIP this option.\r\n")) {
            for (int k = 0; k < 8; k++) adCalibrationB[k] = adCalibrationBPrev[k] = 0.0;
            SaveAndWriteCoefficients();
            Em384Box(L"MESSAGEOK", L"Instrument Calibration Completed",
                     L"Instrument Calibration Completed.\r\nPress OK to continue\r\n");
            nEm384CalibrationState = 1;
            EndProcedure();
            return;
        }
        Em384Box(L"MESSAGEOK", L"Removing Carrier Effect Calibration",
                 L"Rotate the instrument to Standard Vertical Dipole Mode and\r\n"
                 L"place at the height equivalent to height from ground that instrument will operate.\r\n"
                 L"Press OK to continue\r\n");
        dwCalibStepTick = GetTickCount();
        nCalStep = 7;
        return;
    case 8:
        if (dwElapsed <= kCollectMs) {
            AddToSums(v, 0);
            return;
        }
        if (FailEmptyStep()) return;
        // The carrier set in force before this calibration becomes the previous one.
        memcpy(adCalibrationBPrev, adCalibrationBBackup, sizeof adCalibrationBBackup);
        for (double &d : adCalibrationB) d = 0.0;
        CarrierOrderMeans(adCarrierFreeMean);
        Em384Box(L"MESSAGEOK", L"Removing Carrier Effect Calibration",
                 L"Mount EM38-4 on the carrier.\r\nPress OK to continue\r\n");
        dwCalibStepTick = GetTickCount();
        nCalStep = 9;
        return;
    case 10:
        if (dwElapsed <= kCollectMs) {
            AddToSums(v, 0);
            return;
        }
        if (FailEmptyStep()) return;
        CarrierOrderMeans(adCarrierMean);
        for (int k = 0; k < 8; k++) adCalibrationB[k] = adCarrierMean[k] - adCarrierFreeMean[k];
        SaveAndWriteCoefficients();
        Em384Box(L"MESSAGEOK", L"Calibration Completed", L"Calibration Completed.\r\nPress OK to continue\r\n");
        nEm384CalibrationState = 2;
        EndProcedure();
        return;
    default:
        return;
    }
}

void ShowDriftProgress(const Em384Values &v)
{
    if (!hwndNumbers) return;
    HDC hdc = GetDC(hwndNumbers);
    if (!hdc) return;
    SetBkMode(hdc, TRANSPARENT);
    if (hFontBold) SelectObject(hdc, hFontBold);
    if (hbrWhite) FillRect(hdc, &rcSidePanel, hbrWhite);
    DrawDriftControlPanel(hdc, v.adC[0], v.adC[1], v.adC[2], v.adC[3], 1);
    ReleaseDC(hwndNumbers, hdc);
}

void RunDriftStep(const Em384Values &v)
{
    nDriftCount++;
    for (int k = 0; k < 4; k++) {
        adCalSum[k] += v.adI[k];
        adCalSum[8 + k] += v.adC[k];
    }
    ShowDriftProgress(v);
    if (nDriftCount < DriftReadings()) return;
    const double n = DriftReadings();
    static const int anPair[4] = {0, 1, 3, 2};  // channel order C1 I1, C2 I2, C4 I4, C3 I3
    double adMean[8];
    for (int k = 0; k < 4; k++) {
        adMean[2 * k] = adCalSum[8 + anPair[k]] / n;
        adMean[2 * k + 1] = adCalSum[anPair[k]] / n;
    }
    if (Em384Box(L"MESSAGEOKCANCEL", L"Drift Procedure - DONE",
                 L"Drift Collection Completed.\r\nTap OK to Accept or Cancel to Discard\r\n")) {
        memcpy(adDriftMean, adMean, sizeof adMean);
        if (hDataFile != INVALID_HANDLE_VALUE) WriteSensorOffsetLines();
    }
    nCalProcedureState = 0;
    RefreshLogScreen();
    RedrawProfileForInstrument();
    if (hwndLog) SetFocus(hwndLog);
}

// The reading window of display modes 1 and 2. Returns false when the filling window took the packet.
bool StepReadingWindow(const Em384Values &v, bool bDue, int *pbInversionEmpty)
{
    const double a[6] = {v.adHeight[0], v.adHeight[1], v.adC[0], v.adC[1], v.adC[2], v.adC[3]};
    const int N = RateValue();
    if (nRingIndex < 0 || nRingIndex >= N) nRingIndex = 0;
    if (nEm384AverageState == -1) {
        memset(aadRing, 0, sizeof aadRing);
        memset(adRingSum, 0, sizeof adRingSum);
        nRingIndex = 0;
        nEm384AverageState = 0;
        return true;
    }
    if (nEm384AverageState == 0) {
        for (int i = 0; i < 6; i++) {
            aadRing[i][nRingIndex] = a[i];
            adRingSum[i] += a[i];
        }
        if (++nRingIndex >= N) {
            nEm384AverageState = 1;
            nRingIndex = 0;
        }
        return false;
    }
    for (int i = 0; i < 6; i++) {
        adRingSum[i] += a[i] - aadRing[i][nRingIndex];
        aadRing[i][nRingIndex] = a[i];
        adWindowMean[i] = adRingSum[i] / N;
    }
    nRingIndex = (nRingIndex + 1) % N;
    if (v.cDipole == 'V' && bDue)
        for (int i = 2; i < 6; i++)
            if (adWindowMean[i] < 0.0) *pbInversionEmpty = 1;
    return true;
}

// The colour cell of a recorded reading; a full row takes no more cells.
void StoreColourCell(const double adMean[12])
{
    if (nColorMapView < 1 || nColorMapView > 8 || bSwathSampling != 1) return;
    if (nSwathRow < 0 || nSwathRow > 1 || nSwathCellCount < 0 || nSwathCellCount >= SWATH_CELLS_PER_ROW) return;
    // Views 1..8: C1, I1, C2, I2, C4, I4, C3, I3.
    static const int anIndex[8] = {0, 4, 1, 5, 3, 7, 2, 6};
    const double dMin = nColorMapView % 2 == 0 ? dScale2Min : dScale1Min;
    rgColorGrid[nSwathRow][nSwathCellCount++] = ColorScaleIndex(adMean[anIndex[nColorMapView - 1]], dMin);
}

// The Q bars (conductivity, scale 1) and I bars (in-phase, scale 2).
void UpdateEm384Bars(const int *anBar1, const int *anBar2)
{
    UpdateQAndIBars(anBar1, anBar2);
}

char ChosenDipoleLetter() { return nDipoleMode == 0 ? 'V' : (nDipoleMode == 1 ? 'H' : 'B'); }

// Manual sample series: the frame means of nReadingsPerStation readings are summed; the record of the series
// carries their means with bytes 0 and 1 of its first reading.
double adSeriesSum[12];
char achSeriesBytes[2];

// Adds the reading to the series; true when it completes the series (adFrameMean then holds the series' means and
// szInstrumentRecord bytes 0 and 1 those of its first reading).
bool StepEm384Series()
{
    const int nSample = nSeriesSampleCount + 1;
    if (nSample == 1) {
        achSeriesBytes[0] = szInstrumentRecord[0];
        achSeriesBytes[1] = szInstrumentRecord[1];
        for (double &d : adSeriesSum) d = 0.0;
    }
    for (int i = 0; i < 12; i++) adSeriesSum[i] += adFrameMean[i];
    if (!CountSeriesSample()) return false;
    for (int i = 0; i < 12; i++) adFrameMean[i] = adSeriesSum[i] / nSample;
    szInstrumentRecord[0] = achSeriesBytes[0];
    szInstrumentRecord[1] = achSeriesBytes[1];
    return true;
}

void RecordReading(const Em384Values &packet, int bInversionEmpty)
{
    Em384Values mean = packet;
    FromArray(adFrameMean, &mean);
    char achRecord[EM384_RECORD_BYTES];
    EncodeEm384Record(mean, szInstrumentRecord[0], szInstrumentRecord[1], bInversionEmpty, achRecord);
    nReadingInStation++;
    if (nReadingInStation == 2) achRecord[0] = '2';
    StoreColourCell(adFrameMean);
    WriteEm384DataRecord(achRecord, dwRecordTick);
    if (bAudioTicks == 1 && ++nSoundCounter >= nReadingRateHz) {
        MessageBeep(0x10);
        nSoundCounter = 0;
    }
    if (nReadingInStation >= nEm34Configuration) {
        if (bStationStarted == 1) dStation += dStationIncrement;
        nLineReadingCount++;
        nTotalReadingCount++;
        nReadingInStation = 0;
    }
    bStationStarted = 1;
    HDC hdcLog = hwndLog ? GetDC(hwndLog) : nullptr;
    if (hdcLog) {
        SetBkMode(hdcLog, TRANSPARENT);
        wchar_t sz[32];
        if (swprintf(sz, 32, L"%-11.2f", dStation) > 0) WriteStatusBox(hdcLog, rcStatusStation, hFontBold, sz);
        // The count of recorded readings beside the station, as the other handlers keep it.
        if (swprintf(sz, 32, L"%-7d", nTotalReadingCount) > 0) WriteStatusBox(hdcLog, rcStatusCount, hFontNormal, sz);
    }
    if (packet.cDipole == ChosenDipoleLetter()) {
        // The profiles show the values as recorded, so that a redraw from the file draws the same rows.
        Em384Values recorded;
        int abValid[16], anProfile[16], anBar1[4], anBar2[4];
        double adValue[16];
        DecodeEm384Record(achRecord, &recorded, abValid, adValue);
        ScaleEm384Channels(adValue, anProfile, anBar1, anBar2);
        ScrollEm384Windows(hwndCurve2, hwndCurve3, anProfile);
    }
    const DWORD dwNow = GetTickCount();
    UpdateElapsedTime(dwNow);
    const DWORD dwLine = (dwNow - dwRecordStartTick) + (DWORD)nLineElapsedMs;
    const DWORD s = dwLine / 1000;
    anLineElapsedHms[0] = (int)(s / 3600);
    anLineElapsedHms[1] = (int)(s % 3600 / 60);
    anLineElapsedHms[2] = (int)(s % 60);
    if (hdcLog) {
        wchar_t sz[32];
        if (swprintf(sz, 32, L"%02d:%02d:%02d", anTotalElapsedHms[0], anTotalElapsedHms[1], anTotalElapsedHms[2]) > 0)
            WriteStatusBox(hdcLog, rcStatusTime, hFontNormal, sz);
        ReleaseDC(hwndLog, hdcLog);
    }
}

void RunNormalReading(Em384Values v)
{
    int anProfile[16], anBar1[4], anBar2[4];
    ScaleEm384Readings(anProfile, anBar1, anBar2);
    if (nEm384DisplayMode == 2) v.adHeight[0] = v.adHeight[1] = dEm384Height;

    double a[12];
    ToArray(v, a);
    const int nDecimation = nFrameDecimation < 1 ? 1 : nFrameDecimation.load();
    const int nCount = ++nFrameCount;
    bool bDue = false;
    if (nRecordingState == 1) {
        for (int i = 0; i < 12; i++) adFrameSum[i] = nCount <= 1 ? a[i] : adFrameSum[i] + a[i];
        if (nCount >= nDecimation) {
            for (int i = 0; i < 12; i++) adFrameMean[i] = adFrameSum[i] / nCount;
            dwRecordTick = adwFrameTick[0];
            bDue = true;
            nFrameCount = 0;
        }
    } else if (nCount >= nDecimation) {
        bDue = true;
        nFrameCount = 0;
    }

    int bInversionEmpty = 0;
    if (nEm384DisplayMode >= 1 && !StepReadingWindow(v, bDue, &bInversionEmpty)) return;

    if (bDue) {
        // During a manual sample series every reading counts (survey mode 0), the setting stays as it is.
        if (nSurveyMode == 2 && !bSeriesCollecting) {
            if (v.cMode == 'M') nRecordTrigger = nRecordTrigger == 0 ? 1 : -1;
            else nRecordTrigger = 0;
        } else {
            nRecordTrigger = 1;
        }
        if (nRecordingState == 1 && nRecordTrigger == 1) {
            if (bManualSampleSeries != 1 || StepEm384Series()) RecordReading(v, bInversionEmpty);
        }
    }

    if (hwndNumbers) {
        HDC hdc = GetDC(hwndNumbers);
        if (hdc) {
            if (nRecordingState == 1)
                DrawEm384Numbers(hdc, v.cDipole, adFrameMean[0], adFrameMean[1], adFrameMean[2], adFrameMean[3],
                                 adFrameMean[4], adFrameMean[5], adFrameMean[6], adFrameMean[7]);
            else
                DrawEm384Numbers(hdc, v.cDipole, v.adC[0], v.adC[1], v.adC[2], v.adC[3], v.adI[0], v.adI[1],
                                 v.adI[2], v.adI[3]);
            ReleaseDC(hwndNumbers, hdc);
        }
    }
    UpdateEm384Bars(anBar1, anBar2);
    szInstrumentRecord[0] = 0;
}

}  // namespace

void ScaleEm384Readings(int anProfile[16], int anBar1[4], int anBar2[4])
{
    ScaleEm384Channels(dChannelValue, anProfile, anBar1, anBar2);
}

void ScaleEm384Channels(const double adChannel[16], int anProfile[16], int anBar1[4], int anBar2[4])
{
    for (int m = 0; m < 4; m++) {
        anProfile[4 * m] =
            ClampRow(ClampToInt((dScale1Max - adChannel[4 * m]) * dScale1PixPerUnit, -nRowLimit, nRowLimit));
        anProfile[4 * m + 2] =
            ClampRow(ClampToInt((dScale2Max - adChannel[4 * m + 2]) * dScale2PixPerUnit, -nRowLimit, nRowLimit));
        anProfile[4 * m + 1] = anProfile[4 * m + 3] = 0;
        anBar1[m] = ClampToInt((dScale1Max - adChannel[4 * m]) * dScale1PixPerUnitB, -nRowLimit, nRowLimit);
        anBar2[m] = ClampToInt((dScale2Max - adChannel[4 * m + 2]) * dScale2PixPerUnitB, -nRowLimit, nRowLimit);
    }
}

void DrawEm384Numbers(HDC hdc, char, double dC1, double dC2, double dC3, double dC4, double dI1, double dI2,
                      double dI3, double dI4)
{
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    // Eight rows at the pitch of the channel boxes beside the window (line height - 3), as the CS-21's, on a
    // panel cleared from edge to edge (green while logging, without a white band above or below the rows).
    const int nPitch = nLineHeight - 3;
    FillRect(hdc, &rcSidePanel, PanelBrush());
    static const char *const aszRow[8] = {"C1: %8.2f", "C2: %8.2f", "C3: %8.2f", "C4: %8.2f",
                                          "I1: %8.2f", "I2: %8.2f", "I3: %8.2f", "I4: %8.2f"};
    const double ad[8] = {dC1, dC2, dC3, dC4, dI1, dI2, dI3, dI4};
    const int x = nTextMarginX, y0 = rcSidePanelValues.top;
    for (int k = 0; k < 8; k++) TextAtF(hdc, x, y0 + k * nPitch, aszRow[k], ad[k]);
    if (nEm384DisplayMode == 1) DrawInversionPanel();
}

void DrawInversionPanel()
{
    HDC hdcLog = hwndLog ? GetDC(hwndLog) : nullptr;
    if (!hdcLog) return;
    DrawInversionPanelOn(hdcLog);
    ReleaseDC(hwndLog, hdcLog);
}

void DrawInversionPanelOn(HDC hdc)
{
    if (InversionPanelRects[0].right <= InversionPanelRects[0].left) return;  // no place for it in this build
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    for (int k = 0; k < 7; k++) {
        FillRect(hdc, &InversionPanelRects[k], PanelBrush());
        wchar_t w[24];
        if (InversionPanelText(k, w, 24) > 0)
            TextOut(hdc, InversionPanelRects[k].left, InversionPanelRects[k].top, w, (int)wcslen(w));
    }
}

int InversionPanelText(int k, wchar_t *szOut, int nOut)
{
    // The panel shows fixed figures.
    static const char *const aszInv[6] = {"T1: %-8.2f", "T2: %-8.2f", "INV: Th %-5.2f",
                                          "C1 %-7.1f",  "C2 %-7.1f",  "RMS %-7.1f"};
    static const double adInv[6] = {24.19, 20.75, 0.95, 50.05, 86.28, 3.25};
    if (k < 0 || k > 6 || nOut < 1) return 0;
    char sz[24];
    const int n = k < 6 ? std::snprintf(sz, sizeof sz, aszInv[k], adInv[k]) : std::snprintf(sz, sizeof sz, "Itr %-3d", 6);
    if (n <= 0 || n >= (int)sizeof sz || n >= nOut) return 0;
    for (int i = 0; i <= n; i++) szOut[i] = (wchar_t)(unsigned char)sz[i];
    return n;
}

void DrawDriftControlPanel(HDC hdc, double d1, double d2, double d3, double d4, int bProgress)
{
    if (hbrWhite) FillRect(hdc, &rcSidePanel, hbrWhite);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    SetTextAlign(hdc, TA_LEFT | TA_TOP);
    static const char *const aszRow[4] = {"C1: %8.2f", "C2: %8.2f", "C3: %8.2f", "C4: %8.2f"};
    const double ad[4] = {d1, d2, d3, d4};
    const int x = nTextMarginX, y0 = rcSidePanelValues.top;
    for (int k = 0; k < 4; k++) TextAtF(hdc, x, y0 + k * nLineHeight, aszRow[k], ad[k]);
    if (bProgress != 1) return;
    TextOut(hdc, x, y0 + 4 * nLineHeight, L"Drift Control", 13);
    char sz[32];
    const int n = std::snprintf(sz, sizeof sz, "%3d of %3d", nDriftCount, nDriftReadings);
    if (n <= 0 || n >= (int)sizeof sz) return;
    wchar_t w[32];
    NarrowToWideU(sz, w);
    TextOut(hdc, x, y0 + 5 * nLineHeight, w, n);
}

LRESULT OnEm384Reading(HWND, UINT, WPARAM, LPARAM)
{
    // A packet handed over while one of this handler's boxes is up belongs to no step: it is dropped.
    if (bEm384DialogOpen) {
        szInstrumentRecord[0] = 0;
        return 0;
    }
    Em384Values v;
    DecodeEm384Packet(&v);
    switch (nCalProcedureState) {
    case -3:
        RunDriftStep(v);
        break;
    case -1:
        if (nEm384DisplayMode == 2) v.adHeight[0] = v.adHeight[1] = dEm384Height;
        RunCalibrationStep(v);
        break;
    default:
        RunNormalReading(v);
        return 0;
    }
    szInstrumentRecord[0] = 0;
    return 0;
}

void StartEm384Calibration()
{
    hPopupMenu = nullptr;
    hPopupSubMenu = nullptr;
    // Both sets are kept and cleared, so that the zeros are measured free of the old carrier terms.
    memcpy(adCalibrationBackup, adCalibration, sizeof adCalibrationBackup);
    memcpy(adCalibrationBBackup, adCalibrationB, sizeof adCalibrationBBackup);
    memcpy(adCalibrationPrevBackup, adCalibrationPrev, sizeof adCalibrationPrevBackup);
    memcpy(adCalibrationBPrevBackup, adCalibrationBPrev, sizeof adCalibrationBPrevBackup);
    memcpy(adCarrierFreeMeanBackup, adCarrierFreeMean, sizeof adCarrierFreeMeanBackup);
    memcpy(adCarrierMeanBackup, adCarrierMean, sizeof adCarrierMeanBackup);
    for (double &d : adCalibration) d = 0.0;
    for (double &d : adCalibrationB) d = 0.0;
    if (!Em384Box(L"MESSAGEYESNO", L"CALIBRATION",
                  L"Place  EM38-4  on  Monopod\r\nin  Vertical  Dipole  Mode\r\nand  press  YES  when  ready\r\n")) {
        RestoreCoefficientBackup();
        nCalPhase = 0;
        nCalProcedureState = 0;
        return;
    }
    if (bGpsEnabled == 1 && hGpsPort != INVALID_HANDLE_VALUE && hGpsThread) SuspendThread(hGpsThread);
    if (hwndSpeed) ShowWindow(hwndSpeed, SW_HIDE);
    nCalPhase = 1;
    nCalStep = 0;
    nCalSampleCount = 0;
    for (double &d : adCalSum) d = 0.0;
    dwCalibStepTick = GetTickCount();
    nCalProcedureState = -1;
}

void RemoveEm384Calibration()
{
    hPopupMenu = nullptr;
    hPopupSubMenu = nullptr;
    if (!Em384Box(L"MESSAGEYESNO", L"Delete Calibration",
                  L"Are you sure you want to\r\ndelete Calibration factors ?\r\npress  YES  or  NO\r\n"))
        return;
    memcpy(adCalibrationPrev, adCalibration, sizeof adCalibrationPrev);
    memcpy(adCalibrationBPrev, adCalibrationB, sizeof adCalibrationBPrev);
    for (double &d : adCalibration) d = 0.0;
    for (double &d : adCalibrationB) d = 0.0;
    for (double &d : adCarrierFreeMean) d = 0.0;
    for (double &d : adCarrierMean) d = 0.0;
    LoadSaveSettingsFile(1);
    if (hDataFile != INVALID_HANDLE_VALUE) WriteEm384CoefficientBlock();
    nEm384CalibrationState = 0;
    for (int &b : abCurveHasPrev) b = 0;
    RefreshLogScreen();
    RedrawProfileForInstrument();
    RefreshReadingWindows();
}

void StartEm384DriftControl()
{
    if (!Em384Box(L"MESSAGEOKCANCEL", L"Confirm Drift Control Procedure",
                  L"Position EM38-4 in Standard Drift Control Position.\r\n"
                  L"Tap OK to Start Procedure or  CANCEL to stop\r\n")) {
        nCalProcedureState = 0;
        RedrawProfileForInstrument();
        if (hwndLog) SetFocus(hwndLog);
        return;
    }
    nDriftCount = 0;
    ClearCurrentSums();
    nCalProcedureState = -3;
}
