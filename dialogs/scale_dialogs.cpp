// Scale and option dialogs of the logging screen: reading and speed scales, map size, audio, units, drift reminder.
#include <cwchar>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "dialogs/dialog_services.h"
#include "dialogs/display_options_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"

namespace {

// ---------------------------------------------------------------------------------------------------------------
// Reading scale
// ---------------------------------------------------------------------------------------------------------------
double adScaleAtOpen[4];  // scale 1 minimum and maximum, scale 2 minimum and maximum

int IsConductivityMeter()
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34:
    case INSTRUMENT_EM38MK2:
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21: return 1;
    default: return 0;
    }
}

void RepaintColorLegend()
{
    if (!hwndColorBar) return;
    InvalidateRect(hwndColorBar, nullptr, TRUE);
    UpdateWindow(hwndColorBar);
}

void HideColorLegend()
{
    if (hwndColorBar) ShowWindow(hwndColorBar, SW_HIDE);
}

// A live edit of one end of a scale: taken when it differs and keeps the minimum below the maximum.
BOOL OnScaleEdit(HWND hDlg, int nId)
{
    wchar_t sz[32];
    if (GetDlgItemText(hDlg, nId, sz, 32) == 0) sz[0] = 0;
    const double v = TextToDouble(sz);
    double *pd = nullptr;
    switch (nId) {
    case IDC_SCALE1_MIN:
        if (v != dScale1Min && v < dScale1Max) pd = &dScale1Min;
        break;
    case IDC_SCALE1_MAX:
        if (v != dScale1Max && v > dScale1Min) pd = &dScale1Max;
        break;
    case IDC_SCALE2_MIN:
        if (v != dScale2Min && v < dScale2Max) pd = &dScale2Min;
        break;
    case IDC_SCALE2_MAX:
        if (v != dScale2Max && v > dScale2Min) pd = &dScale2Max;
        break;
    default: return FALSE;
    }
    if (pd) {
        *pd = v;
        RepaintColorLegend();
    }
    return TRUE;
}

// A scale read back on OK: a maximum not above its minimum becomes the minimum + 100.
void ReadScale(HWND hDlg, int nMinId, int nMaxId, double *pdMin, double *pdMax)
{
    *pdMin = ReadSetupNumber(hDlg, nMinId);
    *pdMax = ReadSetupNumber(hDlg, nMaxId);
    if (!(*pdMin < *pdMax)) *pdMax = *pdMin + 100;
}

void ReadingScaleInit(HWND hDlg)
{
    // Bits an earlier dialog left must not start a rebuild after this one.
    nRedrawFlags = 0;
    PlaceDialogOnOwner(hDlg, 7);
    if (nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_EM38MK2) {
        RECT rc;
        if (GetWindowRect(hDlg, &rc)) MoveWindow(hDlg, rc.left + 50, rc.top, rc.right - rc.left, rc.bottom - rc.top, TRUE);
    }
    adScaleAtOpen[0] = dScale1Min;
    adScaleAtOpen[1] = dScale1Max;
    adScaleAtOpen[2] = dScale2Min;
    adScaleAtOpen[3] = dScale2Max;
    ShowSetupNumber(hDlg, IDC_SCALE1_MIN, "%.1f", dScale1Min);
    ShowSetupNumber(hDlg, IDC_SCALE1_MAX, "%.1f", dScale1Max);
    if (IsConductivityMeter()) {
        ShowSetupNumber(hDlg, IDC_SCALE2_MIN, "%.1f", dScale2Min);
        ShowSetupNumber(hDlg, IDC_SCALE2_MAX, "%.1f", dScale2Max);
    }
}

void ReadingScaleOk(HWND hDlg)
{
    ReadScale(hDlg, IDC_SCALE1_MIN, IDC_SCALE1_MAX, &dScale1Min, &dScale1Max);
    HideColorLegend();
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB, &nScale1RangeSign);
    ComputeGridLines(anCurveGridY, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB, &nScale1RangeSign);

    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
    case INSTRUMENT_EM61LX2:
        // Two sensors' curves share the window: scale 1 on the third curve height, scale 2 a copy of it.
        DeriveGraphScales();
        break;
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM38MK2:
    case INSTRUMENT_EM384:
    case INSTRUMENT_CS21:
        ReadScale(hDlg, IDC_SCALE2_MIN, IDC_SCALE2_MAX, &dScale2Min, &dScale2Max);
        dScale2PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale2Min, dScale2Max);
        if (bAltGraphScale == 1)
            ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale2Min, dScale2Max, dScale2PixPerUnit,
                             &nScale2RangeSign);
        dScale2PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale2Min, dScale2Max);
        ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                         &nScale2RangeSign);
        break;
    default: break;
    }
    nGridLines1 = anGridLineY1[0];
    nGridLines2 = anGridLineY2B[0];

    for (int &b : abCurveHasPrev) b = 0;
    bGraphFrameDrawn = 0;

    const int bInphase = ColorViewUsesScale2(nColorMapView);
    if (bInphase) ComputeColorStep(dScale2Min, dScale2Max);
    else ComputeColorStep(dScale1Min, dScale1Max);

    const int bScale1Changed = dScale1Min != adScaleAtOpen[0] || dScale1Max != adScaleAtOpen[1];
    const int bScale2Changed = dScale2Min != adScaleAtOpen[2] || dScale2Max != adScaleAtOpen[3];
    if (nInstrumentType < 0) {
        nRedrawFlags = REDRAW_COLOUR_VIEW;
    } else if (nColorMapView == 0) {
        nRedrawFlags = 0;
    } else if (nInstrumentType != INSTRUMENT_EM34 && (bInphase ? bScale2Changed : bScale1Changed)) {
        nRedrawFlags = REDRAW_COLOUR_VIEW;
    }
    SaveSettingsKeepingConfiguration();
}

void ReadingScaleCancel()
{
    nRedrawFlags = 0;
    dScale1Min = adScaleAtOpen[0];
    dScale1Max = adScaleAtOpen[1];
    dScale2Min = adScaleAtOpen[2];
    dScale2Max = adScaleAtOpen[3];
    HideColorLegend();
}

// ---------------------------------------------------------------------------------------------------------------
// Speed scale
// ---------------------------------------------------------------------------------------------------------------
const wchar_t *const aszSpeedUnits[] = {L"m/s", L"ft/s", L"km/h", L"mph"};

void SpeedScaleInit(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 7);
    ShowSetupNumber(hDlg, IDC_SPEED_CURRENT, "%.2f", dSpeedScaleMax);
    ShowSetupNumber(hDlg, IDC_SPEED_NEW, "%.2f", dSpeedScaleMax);
    FillSetupList(hDlg, IDC_SPEED_UNITS, aszSpeedUnits, nSpeedUnits);
}

void SpeedScaleOk(HWND hDlg)
{
    // A maximum not above the minimum would divide by zero or turn the bar round: the old one stays.
    const double dMax = ReadSetupNumber(hDlg, IDC_SPEED_NEW);
    if (dMax > dSpeedScaleMin) dSpeedScaleMax = dMax;
    const int nUnits = SetupListIndex(hDlg, IDC_SPEED_UNITS);
    if (nUnits >= 0 && nUnits <= 3) nSpeedUnits = nUnits;
    dSpeedPixPerUnit = ScalePixelsPerUnit(nSpeedBarWidth, dSpeedScaleMin, dSpeedScaleMax);
    SaveSettingsKeepingConfiguration();
}

// ---------------------------------------------------------------------------------------------------------------
// Map size
// ---------------------------------------------------------------------------------------------------------------
struct MapScaleCopies {
    int nMapSize;
    double dMapPixelsPerUnit;
    double dGridInterval;
    int nCursorBand;
    int nCursorBandPixels;
};
MapScaleCopies mapScaleKept;

const wchar_t *const aszCursorBand[] = {L"10", L"15", L"20", L"25", L"30", L"35", L"40"};
const wchar_t *const aszMapScaleUnit[] = {L"meters", L"feet", L"US feet"};

void MapScaleInit(HWND hDlg)
{
    mapScaleKept = {nMapSize, dMapPixelsPerUnit, dGridInterval, nCursorBand, nCursorBandPixels};
    PlaceDialogOnOwner(hDlg, 8);
    wchar_t szSize[32];
    if (swprintf(szSize, 32, L"%d", nMapSize) > 0) SetDlgItemText(hDlg, IDC_MAPSCALE_SIZE, szSize);
    SetDlgItemText(hDlg, IDC_MAPSCALE_INTERVAL_LABEL, nGridMode == 1 ? L"Guide Lines Interval:" : L"Grid Lines Interval:");
    ShowSetupNumber(hDlg, IDC_MAPSCALE_INTERVAL, "%.2f", dGridInterval);
    const wchar_t *szUnit = aszMapScaleUnit[nMapUnits >= 0 && nMapUnits <= 2 ? nMapUnits : 0];
    SetDlgItemText(hDlg, IDC_MAPSCALE_SIZE_UNIT, szUnit);
    SetDlgItemText(hDlg, IDC_MAPSCALE_INTERVAL_UNIT, szUnit);
    FillSetupList(hDlg, IDC_MAPSCALE_BAND, aszCursorBand, nCursorBand);
}

// A size of 0 or less shows 1 at once.
BOOL OnMapScaleEdit(HWND hDlg, int nId)
{
    if (nId != IDC_MAPSCALE_SIZE && nId != IDC_MAPSCALE_INTERVAL) return FALSE;
    if (ReadSetupNumber(hDlg, IDC_MAPSCALE_SIZE) <= 0) SetDlgItemText(hDlg, IDC_MAPSCALE_SIZE, L"1");
    return TRUE;
}

void MapScaleOk(HWND hDlg)
{
    nRedrawFlags = 0;
    nMapSize = ReadMapSizeBox(hDlg, IDC_MAPSCALE_SIZE);
    dMapPixelsPerUnit = (double)nTileWidth / nMapSize;
    dGridInterval = ReadSetupNumber(hDlg, IDC_MAPSCALE_INTERVAL);
    const int nBand = SetupListIndex(hDlg, IDC_MAPSCALE_BAND);
    if (nBand >= 0 && nBand <= 6) nCursorBand = nBand;
    nCursorBandPixels = (int)((5 * nCursorBand + 10) * 0.01 * nMapViewPixels);
    if (nMapSize != mapScaleKept.nMapSize) nRedrawFlags |= REDRAW_MAP_SIZE;
    if (dGridInterval != mapScaleKept.dGridInterval) nRedrawFlags |= REDRAW_GRID_INTERVAL;
}

// ---------------------------------------------------------------------------------------------------------------
// Coordinates units
// ---------------------------------------------------------------------------------------------------------------
const wchar_t *const aszCoordProjected[] = {L"meters", L"feet", L"US Survey Feet"};
const wchar_t *const aszCoordAll[] = {L"Geodetic Lat/Lon", L"UTM meters", L"UTM feet", L"UTM US Feet"};

// Receivers whose positions come projected already: no geodetic entry, entry k stands for units k + 1.
int ProjectedGpsFormat() { return nGpsFormat == 3 || nGpsFormat == 4 || nGpsFormat == 7 || nGpsFormat == 9; }

void CoordinatesUnitsInit(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 10);
    if (ProjectedGpsFormat()) {
        // A stored geodetic choice shows the first entry; the setting follows only on OK.
        FillSetupList(hDlg, IDC_COORD_UNITS, aszCoordProjected, nCoordUnits >= 1 ? nCoordUnits - 1 : 0);
    } else {
        FillSetupList(hDlg, IDC_COORD_UNITS, aszCoordAll, nCoordUnits);
    }
}

void CoordinatesUnitsOk(HWND hDlg)
{
    const int nIndex = SetupListIndex(hDlg, IDC_COORD_UNITS);
    if (nIndex >= 0 && nIndex <= 3) nCoordUnits = ProjectedGpsFormat() ? (nIndex <= 2 ? nIndex + 1 : nCoordUnits) : nIndex;
    SaveSettingsKeepingConfiguration();
}

// ---------------------------------------------------------------------------------------------------------------
// Audio options and drift reminder
// ---------------------------------------------------------------------------------------------------------------
void AudioInit(HWND hDlg)
{
    SetSetupCheck(hDlg, IDC_AUDIO_TICKS, bAudioTicks);
    SetSetupCheck(hDlg, IDC_AUDIO_DISCONNECT, bDisconnectAlarm);
    SetSetupCheck(hDlg, IDC_AUDIO_GPS_MASK, bGpsMaskAudio);
}

void AudioOk(HWND hDlg)
{
    bAudioTicks = GetSetupCheck(hDlg, IDC_AUDIO_TICKS);
    bDisconnectAlarm = GetSetupCheck(hDlg, IDC_AUDIO_DISCONNECT);
    bGpsMaskAudio = GetSetupCheck(hDlg, IDC_AUDIO_GPS_MASK);
    SaveSettingsKeepingConfiguration();
}

const wchar_t *const aszDriftTime[] = {L"15 min", L"30 min", L"45 min", L"1 hour", L"1.5 hour", L"2 hours", L"Never"};

void DriftInit(HWND hDlg) { FillSetupList(hDlg, IDC_DRIFT_TIME, aszDriftTime, nDriftReminder); }

void DriftOk(HWND hDlg)
{
    const int nIndex = SetupListIndex(hDlg, IDC_DRIFT_TIME);
    if (nIndex >= 0 && nIndex <= 6) nDriftReminder = nIndex;
    nDriftReminderMs = DriftReminderSeconds(nDriftReminder) * 1000.0;
    SaveSettingsKeepingConfiguration();
}

void MapScaleCancel()
{
    nRedrawFlags = 0;
    RestoreMapScaleDialogCopies();
}

}  // namespace

INT_PTR LiveDialogMessage(HWND hDlg, UINT message, WPARAM wParam, const LiveDialogSteps &steps)
{
    if (message == WM_INITDIALOG) {
        steps.pfnInit(hDlg);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    const int nId = LOWORD(wParam);
    if (nId == IDOK || nId == IDCANCEL) {
        if (nId == IDOK) steps.pfnOk(hDlg);
        else steps.pfnCancel();
        EndDialog(hDlg, nId == IDOK ? 1 : 0);
        return TRUE;
    }
    return steps.pfnCommand(hDlg, nId);
}

const wchar_t *ReadingScaleTemplateName()
{
    if (nInstrumentType < 0) return L"READINGSCALE";
    if (nInstrumentType == INSTRUMENT_EM34) return L"READINGSCALE34";
    return L"READINGSCALE31";
}

void RestoreMapScaleDialogCopies()
{
    nMapSize = mapScaleKept.nMapSize;
    dMapPixelsPerUnit = mapScaleKept.dMapPixelsPerUnit;
    dGridInterval = mapScaleKept.dGridInterval;
    nCursorBand = mapScaleKept.nCursorBand;
    nCursorBandPixels = mapScaleKept.nCursorBandPixels;
}

INT_PTR ReadingScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    static const LiveDialogSteps steps = {ReadingScaleInit, OnScaleEdit, ReadingScaleOk, ReadingScaleCancel};
    return LiveDialogMessage(hDlg, message, wParam, steps);
}

INT_PTR SpeedScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (EndSetupDialogOnCancelKey(hDlg, message, wParam)) return TRUE;
    return OkCancelDialog(hDlg, message, wParam, SpeedScaleInit, SpeedScaleOk);
}

INT_PTR MapScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    static const LiveDialogSteps steps = {MapScaleInit, OnMapScaleEdit, MapScaleOk, MapScaleCancel};
    return LiveDialogMessage(hDlg, message, wParam, steps);
}

INT_PTR AudioFunctionsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, AudioInit, AudioOk);
}

INT_PTR CoordinatesUnitsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (EndSetupDialogOnCancelKey(hDlg, message, wParam)) return TRUE;
    return OkCancelDialog(hDlg, message, wParam, CoordinatesUnitsInit, CoordinatesUnitsOk);
}

INT_PTR DriftReminderDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, DriftInit, DriftOk);
}
