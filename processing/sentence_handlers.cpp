// CS-21 and Grad601 reading handlers: sentence values, reading records, colour cells and the live displays.
#include "processing/sentence_handlers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/numbers.h"
#include "displays/profiles.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/em384_handler.h"
#include "processing/em61mk2_handler.h"

namespace {

int nSoundCounter = 0;

int Row(double dMax, double dValue, double dPixPerUnit)
{
    return ClampToInt((dMax - dValue) * dPixPerUnit, -nRowLimit, nRowLimit);
}

// Field n of the sentence as a number when present and not empty; otherwise the value stays.
void TakeField(const char *szSentence, int n, double *pd)
{
    char szField[128];
    if (strnlen(szSentence, sizeof szField) >= sizeof szField) return;
    if (GetDelimitedField(szSentence, n, ',', szField) && szField[0] != 0) *pd = atof(szField);
}

// The sentence as handed over, at most 127 characters.
void CopySentence(char szSentence[128])
{
    memcpy(szSentence, szInstrumentRecord, 127);
    szSentence[127] = 0;
}

// Simulated readings: the two values scaled with a little noise and written back at characters 6 to 10 and 12 to
// 16 as "%5d".
void SimulateReadings(double *pd1, double *pd2)
{
    const double u1 = rand() / 32767.0 * 2 * 0.01 - 0.01;
    const double u2 = rand() / 32767.0 * 2 * 0.01 - 0.01;
    *pd1 = (double)ClampToInt(*pd1 / 40 * 0.5 * (1 + u1), -9999, 99999);
    *pd2 = (double)ClampToInt(*pd2 / 40 * 0.4 * (1 + u2), -9999, 99999);
    char sz[8];
    const size_t nLength = strlen(szInstrumentRecord);
    if (nLength < 17) return;
    if (std::snprintf(sz, sizeof sz, "%5d", (int)*pd1) == 5) memcpy(szInstrumentRecord + 6, sz, 5);
    if (std::snprintf(sz, sizeof sz, "%5d", (int)*pd2) == 5) memcpy(szInstrumentRecord + 12, sz, 5);
}

// Result sound of records 1, 5, 9 and so on.
void CountResultSound()
{
    if (bAudioTicks != 1) return;
    if (nSoundCounter == 0) {
        PlaySound(L"SOUND_RESULT", hInst, SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
        nSoundCounter = 1;
    } else {
        nSoundCounter = nSoundCounter >= 3 ? 0 : nSoundCounter + 1;
    }
}

void StoreCell(int nCell)
{
    if (nColorMapView < 1 || bSwathSampling != 1) return;
    if (nSwathRow < 0 || nSwathRow > 1 || nSwathCellCount < 0 || nSwathCellCount >= SWATH_CELLS_PER_ROW) return;
    rgColorGrid[nSwathRow][nSwathCellCount++] = nCell;
}

// Station and status panel of a recorded sentence.
void CountRecordedReading()
{
    if (bStationStarted == 1) dStation += dStationIncrement;
    nTotalReadingCount++;
    bStationStarted = 1;
    HDC hdc = hwndLog ? GetDC(hwndLog) : nullptr;
    if (!hdc) {
        UpdateElapsedTime(GetTickCount());
        return;
    }
    SetBkMode(hdc, TRANSPARENT);
    ShowRecordingStatus(hdc);
    ReleaseDC(hwndLog, hdc);
}

void RecordSentence(int nPrefix, int nFrom, int nCell)
{
    char szSentence[128];
    CopySentence(szSentence);
    StoreCell(nCell);
    WriteSentenceRecord(szSentence, nPrefix, nFrom, dwInstrumentDataTick.load());
    CountResultSound();
    CountRecordedReading();
}

HBRUSH PanelBrush() { return nRecordingState == 1 ? hbrGreen : hbrWhite; }


}  // namespace

void UpdateQAndIBars(const int *anBarQ, const int *anBarI)
{
    const struct {
        HWND hwnd;
        void (*pfnUpdate)(HDC, const int[]);
        const int *anRow;
    } aBars[2] = {{hwndBarQ, UpdateBarQBars, anBarQ}, {hwndBarI, UpdateBarIBars, anBarI}};
    for (const auto &b : aBars) {
        if (!b.hwnd) continue;
        HDC hdc = GetDC(b.hwnd);
        if (!hdc) continue;
        b.pfnUpdate(hdc, b.anRow);
        ReleaseDC(b.hwnd, hdc);
    }
}

void DualEmSentenceValues(const char *szSentence, double adValue[4])
{
    for (int n = 0; n < 4; n++) TakeField(szSentence, n + 3, &adValue[n]);
}

void GradSentenceValues(const char *szSentence, double adValue[2])
{
    if (nSensorsMinus1 == 1) TakeField(szSentence, 3, &adValue[1]);
    TakeField(szSentence, 2, &adValue[0]);
}

void ScaleDualEmReadings(char cKind, double dF1, double dF2, double dF3, double dF4, int anProfile[8],
                         int anBarQ[4], int anBarI[4])
{
    if (cKind != '1' && cKind != '2') return;
    const int p = cKind == '1' ? 0 : 4, b = cKind == '1' ? 0 : 2;
    anProfile[p] = Row(dScale1Max, dF1, dScale1PixPerUnit);
    anProfile[p + 1] = Row(dScale2Max, dF2, dScale2PixPerUnit);
    anProfile[p + 2] = Row(dScale1Max, dF3, dScale1PixPerUnit);
    anProfile[p + 3] = Row(dScale2Max, dF4, dScale2PixPerUnit);
    anBarQ[b] = Row(dScale1Max, dF1, dScale1PixPerUnitB);
    anBarQ[b + 1] = Row(dScale1Max, dF3, dScale1PixPerUnitB);
    anBarI[b] = Row(dScale2Max, dF2, dScale2PixPerUnitB);
    anBarI[b + 1] = Row(dScale2Max, dF4, dScale2PixPerUnitB);
}

void ReadingsToPixelsGrad(double dSensor1, double dSensor2, int *pnProfile1, int *pnBar1, int *pnProfile2,
                          int *pnBar2)
{
    *pnProfile1 = Row(dScale1Max, dSensor1, dScale1PixPerUnit);
    *pnBar1 = Row(dScale1Max, dSensor1, dScale1PixPerUnitB);
    if (nSensorsMinus1 != 1) return;
    *pnProfile2 = Row(dScale1Max, dSensor2, dScale1PixPerUnit);
    *pnBar2 = Row(dScale1Max, dSensor2, dScale1PixPerUnitB);
}

int SensorPairCell(double dValue1, double dValue2, int bTwoSensors)
{
    const int n1 = ColorScaleIndex(dValue1, dScale1Min);
    return bTwoSensors ? 64 * ColorScaleIndex(dValue2, dScale1Min) + n1 : n1;
}

int WriteSentenceRecord(const char *szSentence, int nPrefix, int nFrom, DWORD dwTick)
{
    char szRecord[DATA_RECORD_MAX + 1];
    BeginRecord(szRecord);
    szRecord[0] = 'T';
    // The text stops where the tick begins (PutRecordTick writes the ten bytes before the line feed).
    int nl = nDataRecordNewline;
    if (nl < 0 || nl >= DataRecordBytes()) nl = DataRecordBytes() - 1;
    const int nTick = nl - 10;
    const int nLength = (int)strnlen(szSentence, 127);
    int nAt = 1;
    for (int i = 0; i < nPrefix && i < nLength && nAt < nTick; i++) szRecord[nAt++] = szSentence[i];
    for (int i = nFrom; i < nLength && nAt < nTick; i++) szRecord[nAt++] = szSentence[i];
    PutRecordTick(szRecord, dwTick);
    return WriteDataRecord(szRecord);
}

void DrawDualEmNumbers(HDC hdc, char cKind, double dF1, double dF2, double dF3, double dF4)
{
    SelectObject(hdc, hFontNormal);
    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, RGB(0, 0, 0));
    const int nPitch = nLineHeight - 3;  // the pitch of the CS-21 labels
    if (cKind == '1' || cKind == '2') {
        const int nFirst = cKind == '1' ? 0 : 4;
        RECT rc = rcSidePanelValues;
        rc.left = ChannelLabelsRight(hdc);
        rc.top = rcSidePanelValues.top + nFirst * nPitch;
        rc.bottom = rc.top + 4 * nPitch;
        FillRect(hdc, &rc, PanelBrush());
        const double ad[4] = {dF1, dF2, dF3, dF4};
        SetTextAlign(hdc, TA_RIGHT | TA_TOP);
        for (int k = 0; k < 4; k++) {
            char sz[48];
            const int n = std::snprintf(sz, sizeof sz, "%8.2f", ad[k]);
            if (n <= 0 || n >= (int)sizeof sz) continue;
            wchar_t w[48];
            NarrowToWideU(sz, w);
            // A value too wide for the room beside its label takes the narrow face rather than cover the label.
            TextOutWithin(hdc, rcSidePanelValues.right - 10, rc.top + k * nPitch, w, n, rc.left,
                          rcSidePanelValues.right - 10);
        }
        SetTextAlign(hdc, TA_LEFT | TA_TOP);
    }
    if (nEm384DisplayMode == 1) DrawInversionPanel();
}

namespace {
// A sentence '1' was recorded since logging last started: its values are the first half of the next profile step.
int gbDualEmFirstHalfRecorded;
}  // namespace

void ForgetDualEmFirstHalf() { gbDualEmFirstHalfRecorded = 0; }

LRESULT OnDualEmReading(HWND, UINT, WPARAM, LPARAM)
{
    static int anProfile[8], anBarQ[4], anBarI[4];
    const char cKind = strnlen(szInstrumentRecord, 6) >= 6 ? szInstrumentRecord[5] : 0;
    double ad[4] = {0, 0, 0, 0};
    DualEmSentenceValues(szInstrumentRecord, ad);
    if (bSimulatedReadings == 1) SimulateReadings(&ad[0], &ad[1]);
    ScaleDualEmReadings(cKind, ad[0], ad[1], ad[2], ad[3], anProfile, anBarQ, anBarI);
    if (nRecordingState == 1) {
        RecordSentence(0, 0, SensorPairCell(ad[0], ad[1], nSensorsMinus1 == 1));
        // A '2' whose '1' came before logging started (or resumed) is in the file without it: like the redraw
        // from the file, the profiles take no step for it, whenever the key fell between the two sentences.
        if (cKind == '1') gbDualEmFirstHalfRecorded = 1;
        if (cKind == '2' && gbDualEmFirstHalfRecorded) ScrollDualEmWindows(hwndCurve2, hwndCurve3, anProfile);
    }
    if (hwndNumbers) {
        HDC hdc = GetDC(hwndNumbers);
        if (hdc) {
            DrawDualEmNumbers(hdc, cKind, ad[0], ad[1], ad[2], ad[3]);
            ReleaseDC(hwndNumbers, hdc);
        }
    }
    UpdateQAndIBars(anBarQ, anBarI);
    return 0;
}

LRESULT OnGradReading(HWND, UINT, WPARAM, LPARAM)
{
    double ad[2] = {0, 0};
    GradSentenceValues(szInstrumentRecord, ad);
    if (bSimulatedReadings == 1) SimulateReadings(&ad[0], &ad[1]);
    int nProfile1 = 0, nBar1 = 0, nProfile2 = 0, nBar2 = 0;
    ReadingsToPixelsGrad(ad[0], ad[1], &nProfile1, &nBar1, &nProfile2, &nBar2);
    const int bTwo = nSensorsMinus1 == 1;
    if (nRecordingState == 1) {
        RecordSentence(2, 5, SensorPairCell(ad[0], ad[1], bTwo));
        ScrollGradWindows(hwndCurve2, hwndCurve3, nProfile1, nProfile2);
    }
    if (hwndNumbers) {
        HDC hdc = GetDC(hwndNumbers);
        if (hdc) {
            DrawReadingNumbersGrad(hdc, ad[0], ad[1]);
            ReleaseDC(hwndNumbers, hdc);
        }
    }
    if (bTwo) {
        // One bar a window; a bar window reads a row for each bar it can show.
        const int anBarQ[4] = {nBar1, nBar1, nBar1, nBar1}, anBarI[4] = {nBar2, nBar2, nBar2, nBar2};
        UpdateQAndIBars(anBarQ, anBarI);
    } else if (hwndDecay) {
        HDC hdc = GetDC(hwndDecay);
        if (hdc) {
            DrawChannelBars(hdc, &nBar1, 1);
            ReleaseDC(hwndDecay, hdc);
        }
    }
    return 0;
}
