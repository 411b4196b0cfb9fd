// Survey Setup dialog (SURVEYSETUP templates): survey mode and reading rate, component and dipole, survey line,
// stations and station increments, nulling, and the EM61-LX2 GPS antenna offsets.
#include "dialogs/survey_setup_dialog.h"

#include <cwchar>

#include "core/core.h"
#include "core/logging_command.h"
#include "core/rates.h"
#include "core/settings.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"
#include "processing/em61mk2_handler.h"

namespace {

const wchar_t *const aszModesEm61Mk2[] = {L"Auto", L"Wheel", L"Manual"};
const wchar_t *const aszModesEm34[] = {L"Auto", L"Manual"};
const wchar_t *const aszModesOther[] = {L"Auto"};
const wchar_t *const aszComponentEm31[] = {L"Both", L"Inphase"};
const wchar_t *const aszComponentEm38[] = {L"Conductivity", L"Inphase"};
const wchar_t *const aszDipole[] = {L"Vertical", L"Horizontal"};
const wchar_t *const aszEm34Dipoles[] = {L"Vertical-10m",   L"Vertical-20m",   L"Vertical-40m",
                                         L"Horizontal-10m", L"Horizontal-20m", L"Horizontal-40m"};
const wchar_t *const aszEm34Readings[] = {L"1 reading",  L"2 readings", L"3 readings",
                                          L"4 readings", L"5 readings", L"6 readings"};
const wchar_t *const aszLineMode[] = {L"Alternate", L"One Way"};
const wchar_t *const aszLineDirection[] = {L"West", L"South", L"North", L"East"};
const wchar_t *const aszNullApply[] = {L"None", L"Last Survey"};

// The longest reading interval the configuration file keeps (one reading an hour).
const double kLongestIntervalS = 3600.0;

// What the dialog shows while it is open; none of it is a setting until OK.
struct SurveyWork {
    int nMode;           // survey-mode slot shown: 0 auto, 1 wheel, 2 manual
    double dIncrement;   // station increment shown
    double adSlot[3];    // station increments of the three slots
    double dRate;        // readings per second
    int nSamples;        // EM34-3 samples per reading
};
SurveyWork work;

bool IsEm34()
{
    return nInstrumentType == INSTRUMENT_EM34;
}

// The name of the station increment shown for a survey-mode slot.
const wchar_t *IncrementLabel(int nMode)
{
    if (IsEm34()) return L"Stn. Increment";
    return nMode == 1 ? L"Wheel Increment" : L"Station Increment";
}

void SetRateBox(HWND hDlg, const wchar_t *szText, bool bEditable)
{
    SetDlgItemText(hDlg, IDC_SURVEY_RATE, szText);
    SendDlgItemMessage(hDlg, IDC_SURVEY_RATE, EM_SETREADONLY, bEditable ? FALSE : TRUE, 0);
}

void ShowRate(HWND hDlg)
{
    ShowSetupNumber(hDlg, IDC_SURVEY_RATE, "%.2f", work.dRate);
    SendDlgItemMessage(hDlg, IDC_SURVEY_RATE, EM_SETREADONLY, FALSE, 0);
}

void ShowSamples(HWND hDlg)
{
    wchar_t sz[16];
    if (swprintf(sz, 16, L"%3d", work.nSamples) < 0) sz[0] = 0;
    SetRateBox(hDlg, sz, true);
}

// The EM34-3 list 1173 for a survey-mode slot: the dipole and separation choices in automatic mode, the readings
// of a station otherwise; both select nDipoleMode.
void FillEm34DipoleList(HWND hDlg, int nMode)
{
    if (nMode != 0) {
        SetDlgItemText(hDlg, IDC_SURVEY_DIPOLE_LABEL, L"Configurations:");
        FillSetupList(hDlg, IDC_SURVEY_DIPOLE, aszEm34Readings, nDipoleMode);
    } else {
        SetDlgItemText(hDlg, IDC_SURVEY_DIPOLE_LABEL, L"Dipole/Separ.:");
        FillSetupList(hDlg, IDC_SURVEY_DIPOLE, aszEm34Dipoles, nDipoleMode);
    }
}

// EM34-3 samples per reading as typed: limited to 1..999 before the fraction is dropped (no number reads as 1).
int SamplesOfTyped(double d)
{
    if (!(d >= 1.0)) return 1;
    return d > 999.0 ? 999 : (int)d;
}

// The boxes the typed rate and samples live in are read back into the working copies before the mode changes.
void KeepTypedRate(HWND hDlg)
{
    if (GetWindowStyle(GetDlgItem(hDlg, IDC_SURVEY_RATE)) & ES_READONLY) return;
    double d = ReadSetupNumber(hDlg, IDC_SURVEY_RATE);
    if (work.nMode == 0) work.dRate = d;
    else if (IsEm34()) work.nSamples = SamplesOfTyped(d);
}

void OnInitDialog(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 10);

    // Mode list.
    if (IsEm34()) FillSetupList(hDlg, IDC_SURVEY_MODE, aszModesEm34, SurveyListIndexOfMode(nSurveyMode));
    else if (nInstrumentType == INSTRUMENT_EM61MK2)
        FillSetupList(hDlg, IDC_SURVEY_MODE, aszModesEm61Mk2, nSurveyMode);
    else FillSetupList(hDlg, IDC_SURVEY_MODE, aszModesOther, nSurveyMode);

    // Rate box.
    work.dRate = dSampleInterval > 0.0 ? 1.0 / dSampleInterval : 1.0;
    work.nSamples = nReadingsPerStation;
    if (IsEm34()) {
        if (nSurveyMode == 0) {
            SetDlgItemText(hDlg, IDC_SURVEY_RATE_LABEL, L"Readings/s:");
            ShowRate(hDlg);
        } else if (nSurveyMode == 1 || nSurveyMode == 2) {
            // Wheel is no EM34-3 mode: the list shows it as "Manual", so the box shows the manual samples.
            SetDlgItemText(hDlg, IDC_SURVEY_RATE_LABEL, L"Samples/Rdg:");
            ShowSamples(hDlg);
        }
    } else if (nSurveyMode != 0) {
        SetRateBox(hDlg, L"Not Applicable", false);
    } else {
        ShowRate(hDlg);
    }

    // Component and dipole.
    if (nInstrumentType == INSTRUMENT_EM31MK2) FillSetupList(hDlg, IDC_SURVEY_COMPONENT, aszComponentEm31, nComponent);
    if (nInstrumentType == INSTRUMENT_EM38) FillSetupList(hDlg, IDC_SURVEY_COMPONENT, aszComponentEm38, nComponent);
    if (nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_EM38 ||
        nInstrumentType == INSTRUMENT_EM38MK2)
        FillSetupList(hDlg, IDC_SURVEY_DIPOLE, aszDipole, nDipoleMode);
    if (IsEm34()) FillEm34DipoleList(hDlg, SurveyModeOfListIndex(SurveyListIndexOfMode(nSurveyMode)));

    // Survey line and stations.
    SetDlgItemText(hDlg, IDC_SURVEY_LINE, szSurveyLine);
    ShowSetupNumber(hDlg, IDC_SURVEY_LINE_INCREMENT, "%.2f", dLineIncrement);
    FillSetupList(hDlg, IDC_SURVEY_LINE_MODE, aszLineMode, nLineMode);
    FillSetupList(hDlg, IDC_SURVEY_LINE_DIRECTION, aszLineDirection, nLineDirection);
    ShowSetupNumber(hDlg, IDC_SURVEY_START_STATION, "%.3f", dStartStationMk2);

    // Station increments: the working copies of the three slots.
    dStationIncrement = dStationIncrementPrev;
    work.dIncrement = dStationIncrementPrev;
    work.adSlot[0] = dStationIncrementAuto;
    work.adSlot[1] = dStationIncrementWheel;
    work.adSlot[2] = dStationIncrementManual;
    work.nMode = SurveyModeOfListIndex(SurveyListIndexOfMode(nSurveyMode));
    ShowSetupNumber(hDlg, IDC_SURVEY_STATION_INCREMENT, "%.3f", work.dIncrement);
    // The increment's name follows the mode it belongs to from the start.
    SetDlgItemText(hDlg, IDC_SURVEY_INCREMENT_LABEL, IncrementLabel(work.nMode));

    FillSetupList(hDlg, IDC_SURVEY_NULL_APPLY, aszNullApply, nNullApply);
    if (nInstrumentType == INSTRUMENT_EM61LX2) {
        ShowSetupNumber(hDlg, IDC_SURVEY_OFFSET_X, "%.2f", dGpsOffsetX);
        ShowSetupNumber(hDlg, IDC_SURVEY_OFFSET_Y, "%.2f", dGpsOffsetY);
    }
}

void OnModeList(HWND hDlg)
{
    const int nIndex = SetupListIndex(hDlg, IDC_SURVEY_MODE);
    if (nIndex < 0) return;
    const int nMode = SurveyModeOfListIndex(nIndex);
    // A notification that changes no mode leaves every box as typed.
    if (nMode < 0 || nMode > 2 || nMode == work.nMode) return;
    // What was typed goes back to the mode left: the rate or samples, and the increment into its slot.
    KeepTypedRate(hDlg);
    work.adSlot[work.nMode] = ReadSetupNumber(hDlg, IDC_SURVEY_STATION_INCREMENT);
    work.dIncrement = work.adSlot[nMode];
    if (IsEm34()) FillEm34DipoleList(hDlg, nMode);
    work.nMode = nMode;

    SetDlgItemText(hDlg, IDC_SURVEY_INCREMENT_LABEL, IncrementLabel(nMode));
    if (nMode == 0) {
        ShowRate(hDlg);
        if (IsEm34()) SetDlgItemText(hDlg, IDC_SURVEY_RATE_LABEL, L"Readings/s:");
    } else if (IsEm34()) {
        SetDlgItemText(hDlg, IDC_SURVEY_RATE_LABEL, L"Samples/Rdg:");
        ShowSamples(hDlg);
    } else {
        SetRateBox(hDlg, L"Not Available", false);
    }
    ShowSetupNumber(hDlg, IDC_SURVEY_STATION_INCREMENT, "%.3f", work.dIncrement);
}

// Readings per second typed into the rate box: 0, less or no number reads as 1 reading per second, and the
// interval is held to what the configuration file keeps.
void StoreReadingRate(HWND hDlg)
{
    double r = ReadSetupNumber(hDlg, IDC_SURVEY_RATE);
    if (!(r > 0.0)) r = 1.0;
    if (r < 1.0 / kLongestIntervalS) r = 1.0 / kLongestIntervalS;
    dSampleInterval = 1.0 / r;
    double dMs = 1000.0 / r;
    if (dMs < 1.0) dMs = 1.0;
    nSampleIntervalMs = (int)dMs;
    SetReadingRateFactors();
}

void OnOk(HWND hDlg)
{
    // 1. Survey mode and reading rate (the EM38-4 keeps both).
    if (nInstrumentType != INSTRUMENT_EM384) {
        const int nIndex = SetupListIndex(hDlg, IDC_SURVEY_MODE);
        if (nIndex >= 0) nSurveyModeSaved = SurveyModeOfListIndex(nIndex);
        nSurveyMode = nSurveyModeSaved;
        nSurveyModePrev = nSurveyModeSaved;
        const bool bRateShown = !(GetWindowStyle(GetDlgItem(hDlg, IDC_SURVEY_RATE)) & ES_READONLY);
        if (nInstrumentType == INSTRUMENT_GRAD601 || !bRateShown) {
            // No rate box, or one that shows no rate ("Not Applicable"): the interval and the rate factors stay.
        } else if (nSurveyMode == 0) {
            StoreReadingRate(hDlg);
        } else if (IsEm34()) {
            nReadingsPerStation = SamplesOfTyped(ReadSetupNumber(hDlg, IDC_SURVEY_RATE));
        }
        bStationStarted = 0;
        if (IsEm34()) bManualSampleSeries = nSurveyMode == 2 && nReadingsPerStation > 0 ? 1 : 0;
    }

    // 2. Component and dipole mode.
    if (nInstrumentType == INSTRUMENT_EM31MK2 || nInstrumentType == INSTRUMENT_EM38 || IsEm34() ||
        nInstrumentType == INSTRUMENT_EM38MK2) {
        ReadListSetting(hDlg, IDC_SURVEY_COMPONENT, &nComponent);
        ReadListSetting(hDlg, IDC_SURVEY_DIPOLE, &nDipoleMode);
        if (IsEm34() && nSurveyMode == 0 && nDipoleMode >= 0 && nDipoleMode <= 5) {
            static const int anSeparation[3] = {10, 20, 40};
            nEm34DipoleLetter = nDipoleMode < 3 ? 'V' : 'H';
            nEm34Separation = anSeparation[nDipoleMode % 3];
        }
    }

    // 3. Survey line and start station.
    wchar_t szLine[16] = L"";
    GetDlgItemText(hDlg, IDC_SURVEY_LINE, szLine, 16);  // at most 15 characters
    szLine[15] = 0;
    wcscpy(szSurveyLine, szLine);
    dLineIncrement = ReadSetupNumber(hDlg, IDC_SURVEY_LINE_INCREMENT);
    ReadListSetting(hDlg, IDC_SURVEY_LINE_MODE, &nLineMode);
    ReadListSetting(hDlg, IDC_SURVEY_LINE_DIRECTION, &nLineDirection);
    dStartStation = ReadSetupNumber(hDlg, IDC_SURVEY_START_STATION);
    dStation = dStartStation;
    dStartStationMk2 = dStartStation;

    // 4. Station increment of the mode chosen.
    dStationIncrement = ReadSetupNumber(hDlg, IDC_SURVEY_STATION_INCREMENT);
    if (dStationIncrement == 0.0) dStationIncrement = 1.0;
    dStationIncrementPrev = dStationIncrement;
    if (nSurveyModeSaved == 0) dStationIncrementAuto = dStationIncrementAutoMk2 = dStationIncrement;
    else if (nSurveyModeSaved == 1) dStationIncrementWheel = dStationIncrementWheelMk2 = dStationIncrement;
    else if (nSurveyModeSaved == 2) dStationIncrementManual = dStationIncrementManualMk2 = dStationIncrement;

    // 5. Nulling.
    ReadListSetting(hDlg, IDC_SURVEY_NULL_APPLY, &nNullApply);

    // 6. EM61-LX2 antenna offsets and the swath they move.
    if (nInstrumentType == INSTRUMENT_EM61LX2) {
        dGpsOffsetX = ReadSetupNumber(hDlg, IDC_SURVEY_OFFSET_X);
        dGpsOffsetY = ReadSetupNumber(hDlg, IDC_SURVEY_OFFSET_Y);
        dGpsOffsetYSaved = dGpsOffsetY;
        UpdateSwathEdges();
    }

    LoadSaveSettingsFile(1);
}

}  // namespace

int SurveyModeOfListIndex(int nIndex)
{
    return IsEm34() && nIndex >= 1 ? 2 : nIndex;
}

int SurveyListIndexOfMode(int nMode)
{
    return IsEm34() ? (nMode >= 1 ? 1 : 0) : nMode;
}

INT_PTR SurveySetupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(hDlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_SURVEY_MODE:
            OnModeList(hDlg);
            return TRUE;
        case IDOK:
            OnOk(hDlg);
            // The main menu does not look at the result: OK ends like Cancel.
            EndDialog(hDlg, 0);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        default:
            break;
        }
        break;
    case WM_KEYDOWN:
        return EndSetupDialogOnCancelKey(hDlg, message, wParam);
    default:
        break;
    }
    return FALSE;
}
