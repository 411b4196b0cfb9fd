// System Setup dialog (SYSTEM templates): instrument, ports, pause key, units, audio and per-instrument settings.
#include "dialogs/system_dialog.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"
#include "displays/scales.h"
#include "processing/filter_factor.h"

void FillPortList(HWND hDlg, int nId, int nSelected)
{
    static wchar_t aszNames[99][8];
    static const wchar_t *apszNames[99];
    if (!apszNames[0]) {
        for (int i = 0; i < 99; i++) {
            if (swprintf(aszNames[i], 8, L"COM%d:", i + 1) < 0) aszNames[i][0] = 0;
            apszNames[i] = aszNames[i];
        }
    }
    FillSetupList(hDlg, nId, apszNames, nSelected);
}

namespace {

const wchar_t *const aszState[] = {L"Disabled", L"Enabled"};
const wchar_t *const aszPauseKey[] = {L"any key", L"<Enter>", L"<Space Bar>", L"<P>"};
const wchar_t *const aszPauseKeySoftMarker[] = {L"non arrow/numeric keys", L"<Enter>", L"<Space Bar>", L"<P>"};
const wchar_t *const aszSpeedUnits[] = {L"meters/s", L"feet/s", L"km/h", L"mph"};
const wchar_t *const aszCoordUnits[] = {L"Geodetic", L"UTM meters", L"UTM feet", L"UTM US Feet"};
const wchar_t *const aszEm61Mk2Type[] = {L"Standard", L"High Power", L"Standard   N.C.C.", L"High Power N.C.C."};
const wchar_t *const aszEm61Lx2Type[] = {L"Standard", L"Standard N.C.C."};
const wchar_t *const aszEm31Type[] = {L"Standard", L"Short"};
const wchar_t *const aszEm38Mk2Type[] = {L"EM38-MK2", L"EM38-MK2-1"};
const wchar_t *const aszInphaseUnits[] = {L"ppt", L"mS/m"};
const wchar_t *const aszUpdateRate[] = {L"10 Hz", L"5 Hz", L"3.3 Hz", L"2.5 Hz", L"2 Hz",
                                        L"1 Hz",  L"0.5 Hz", L"0.2 Hz", L"0.1 Hz"};
const wchar_t *const aszDualEmType[] = {L"DualEM CS-21", L"DualEM CS-20", L"DualEM CS-20"};
const wchar_t *const aszDualEmBaud[] = {L"9600", L"19200", L"38400", L"57600", L"115200"};
const wchar_t *const aszSensors[] = {L"1 Sensor", L"2 Sensors"};
const wchar_t *const aszSoftMarker[] = {L"Disabled", L"arrow/numeric keys"};
const wchar_t *const aszDriftReminder[] = {L"15 minutes", L"30 minutes", L"45 minutes", L"1 hour",
                                           L"1.5 hour",   L"2 hours",    L"Never"};

// Labels 1001, 1002 and 1003 by instrument (1003 hidden, with its list, where the instrument has no type).
struct InstrumentLabels {
    int nType;
    const wchar_t *szState, *szPort, *szType;
};
const InstrumentLabels aLabels[] = {
    {INSTRUMENT_EM31MK2, L"EM31-MK2 State:", L"EM31-MK2 Port:", L"EM31-MK2 Type:"},
    {INSTRUMENT_EM38, L"EM38 State:", L"EM38 Port:", nullptr},
    {INSTRUMENT_EM34, L"EM34-3 State:", L"EM34-3 Port:", nullptr},
    {INSTRUMENT_EM38MK2, L"EM38-MK2 State:", L"EM38-MK2 Port:", L"EM38-MK2 Type:"},
    {INSTRUMENT_EM384, L"EM38-4 State:", L"EM38-4 Port:", nullptr},
    {INSTRUMENT_CS21, L"DualEM State:", L"DualEM Port:", L"DualEM Type:"},
    {INSTRUMENT_GRAD601, L"Grad601 State:", L"Grad601 Port:", L"EM601 Type:"},
    {INSTRUMENT_EM61LX2, L"EM61-LX2 State:", L"EM61-LX2 Port:", L"EM61-LX2 Type:"},
    {INSTRUMENT_EM61MK2, L"EM61-MK2 State:", L"EM61-MK2 Port:", L"EM61-MK2 Type:"},
};

const InstrumentLabels *LabelsOfInstrument()
{
    for (const InstrumentLabels &l : aLabels)
        if (l.nType == nInstrumentType) return &l;
    return nullptr;
}

bool TiltMeterBuild()
{
    return nInstrumentType == INSTRUMENT_EM61MK2 && !bJixProduct;
}

// Filter factors shown while the dialog is open (the ratio forms turned back into factors); they are the values a
// refused entry keeps.
double dShownFilterLeft, dShownFilterRight;

void ShowFilterFactors(HWND hDlg, int nSensorsIndex)
{
    ShowSetupNumber(hDlg, IDC_SYS_FILTER_LEFT, "%.1f", dShownFilterLeft);
    if (nSensorsIndex == 1) {
        ShowSetupNumber(hDlg, IDC_SYS_FILTER_RIGHT, "%.1f", dShownFilterRight);
        EnableWindow(GetDlgItem(hDlg, IDC_SYS_FILTER_RIGHT), TRUE);
    } else {
        SetDlgItemText(hDlg, IDC_SYS_FILTER_RIGHT, L"N/A");
        EnableWindow(GetDlgItem(hDlg, IDC_SYS_FILTER_RIGHT), FALSE);
    }
}

// Tilt meter list enabled with the instrument; its port, height and rigid-fix box with both.
void EnableTiltControls(HWND hDlg)
{
    const bool bInstrument = SetupListIndex(hDlg, IDC_SYS_INSTRUMENT_STATE) == 1;
    const bool bTilt = bInstrument && SetupListIndex(hDlg, IDC_SYS_TILT_STATE) == 1;
    EnableWindow(GetDlgItem(hDlg, IDC_SYS_TILT_STATE), bInstrument);
    for (int id : {IDC_SYS_RIGID_FIX, IDC_SYS_ANTENNA_HEIGHT, IDC_SYS_TILT_PORT})
        EnableWindow(GetDlgItem(hDlg, id), bTilt);
}

void ShowHeightLabel(HWND hDlg)
{
    SetDlgItemText(hDlg, IDC_SYS_HEIGHT_LABEL,
                   GetSetupCheck(hDlg, IDC_SYS_RIGID_FIX) ? L"GPS Antenna Height:" : L"Main Sensor Height:");
}

void FillInstrumentLists(HWND hDlg)
{
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2: FillSetupList(hDlg, IDC_SYS_TYPE, aszEm31Type, nEm31Type); break;
    case INSTRUMENT_EM38MK2: FillSetupList(hDlg, IDC_SYS_TYPE, aszEm38Mk2Type, nEm38Mk2Type); break;
    case INSTRUMENT_EM384:
        FillSetupList(hDlg, IDC_SYS_TYPE, aszInphaseUnits, nInphaseUnits);
        FillSetupList(hDlg, IDC_SYS_RATE, aszUpdateRate, nRateChoice);
        break;
    case INSTRUMENT_CS21:
        // Shown only: the CS-21 keeps no type or baud-rate setting of its own.
        FillSetupList(hDlg, IDC_SYS_TYPE, aszDualEmType, nEm38Mk2Type);
        FillSetupList(hDlg, IDC_SYS_RATE, aszDualEmBaud, 0);
        break;
    case INSTRUMENT_GRAD601: FillSetupList(hDlg, IDC_SYS_SENSORS, aszSensors, nSensorsMinus1); break;
    case INSTRUMENT_EM61LX2:
        FillSetupList(hDlg, IDC_SYS_TYPE, aszEm61Lx2Type, nEm61Type);
        FillSetupList(hDlg, IDC_SYS_SENSORS, aszSensors, nSensorsMinus1);
        dShownFilterLeft = ConvertFilterFactor(dFilterRatioLeft, 0);
        dShownFilterRight = ConvertFilterFactor(dFilterRatioRight, 0);
        ShowFilterFactors(hDlg, nSensorsMinus1);
        break;
    case INSTRUMENT_EM61MK2: FillSetupList(hDlg, IDC_SYS_TYPE, aszEm61Mk2Type, nEm61Type); break;
    default: break;
    }
}

void InitSystemDialog(HWND hDlg)
{
    // Opened by the main menu over the main window.
    PlaceDialogOnOwner(hDlg, 4);
    const InstrumentLabels *pLabels = LabelsOfInstrument();
    if (pLabels && pLabels->szType) {
        SetDlgItemText(hDlg, IDC_SYS_TYPE_LABEL, pLabels->szType);
    } else if (nInstrumentType == INSTRUMENT_EM38 || nInstrumentType == INSTRUMENT_EM34) {
        ShowWindow(GetDlgItem(hDlg, IDC_SYS_TYPE_LABEL), SW_HIDE);
        ShowWindow(GetDlgItem(hDlg, IDC_SYS_TYPE), SW_HIDE);
    }
    FillInstrumentLists(hDlg);
    const bool bSoftMarker = nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_EM384 ||
                             nInstrumentType == INSTRUMENT_CS21;
    if (bSoftMarker) FillSetupList(hDlg, IDC_SYS_SOFT_MARKER, aszSoftMarker, nSoftMarkerKey);
    if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21)
        FillSetupList(hDlg, IDC_SYS_DRIFT_REMINDER, aszDriftReminder, nDriftReminder);

    if (pLabels) SetDlgItemText(hDlg, IDC_SYS_STATE_LABEL, pLabels->szState);
    FillSetupList(hDlg, IDC_SYS_INSTRUMENT_STATE, aszState, bInstrumentEnabled);

    if (TiltMeterBuild()) {
        FillSetupList(hDlg, IDC_SYS_TILT_STATE, aszState, bTiltMeterOn);
        FillPortList(hDlg, IDC_SYS_TILT_PORT, nTiltPort);
        SetSetupCheck(hDlg, IDC_SYS_RIGID_FIX, bAntennaRigidFix);
        ShowHeightLabel(hDlg);
        ShowSetupNumber(hDlg, IDC_SYS_ANTENNA_HEIGHT, "%.2f", dGpsAntennaHeight);
        EnableTiltControls(hDlg);
    }

    if (pLabels) SetDlgItemText(hDlg, IDC_SYS_PORT_LABEL, pLabels->szPort);
    FillPortList(hDlg, IDC_SYS_INSTRUMENT_PORT, nInstrumentPort);
    FillPortList(hDlg, IDC_SYS_GPS_PORT, nGpsPort);
    const bool bSoftMarkerPauseKey = nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_EM384;
    FillSetupList(hDlg, IDC_SYS_PAUSE_KEY, bSoftMarkerPauseKey ? aszPauseKeySoftMarker : aszPauseKey, nPauseKey);
    FillSetupList(hDlg, IDC_SYS_SPEED_UNITS, aszSpeedUnits, nSpeedUnits);
    FillSetupList(hDlg, IDC_SYS_COORD_UNITS, aszCoordUnits, nCoordUnits);
    SetSetupCheck(hDlg, IDC_SYS_AUDIO_TICKS, bAudioTicks);
    SetSetupCheck(hDlg, IDC_SYS_DISCONNECT_ALARM, bDisconnectAlarm);
}

void StoreEm61Type(HWND hDlg)
{
    ReadListSetting(hDlg, IDC_SYS_TYPE, &nEm61Type);
    nEm61TypeSaved = (nEm61Type == 2 || nEm61Type == 3) ? 1 : 0;
}

// A filter factor from its box: 125 to 1000 is taken (with the value it replaces and its ratio form); anything else
// is reported and the shown value is kept.
void StoreFilterFactor(HWND hDlg, int nId, const wchar_t *szSide, double dShown, double *pFactor, double *pPrev,
                       double *pRatio)
{
    double dValue = 0.0;
    ReadNumberSetting(hDlg, nId, 63, &dValue);
    if (dValue >= 125.0 && dValue <= 1000.0) {
        *pPrev = dShown;
        *pFactor = dValue;
        *pRatio = ConvertFilterFactor(dValue, 1);
        return;
    }
    *pFactor = dShown;
    wchar_t szTitle[64], szText[512];
    if (swprintf(szTitle, 64, L"Filter Factor %ls Coil", szSide) < 0) szTitle[0] = 0;
    if (swprintf(szText, 512,
                 L"Entered Filter Factor for %ls Coil ( %.1f )\r\n is out of valid range ( 125 to 1000 ).\r\n"
                 L"Program restores previous value ( %.1f )\r\n",
                 szSide, dValue, dShown) < 0)
        szText[0] = 0;
    ShowMessageDialog(hDlg, L"MESSAGEOK", szTitle, szText);
}

void StoreEm61Lx2(HWND hDlg)
{
    ReadListSetting(hDlg, IDC_SYS_SENSORS, &nSensorsMinus1);
    StoreEm61Type(hDlg);
    StoreFilterFactor(hDlg, IDC_SYS_FILTER_LEFT, L"Left", dShownFilterLeft, &dFilterFactorLeft,
                      &dFilterFactorLeftPrev, &dFilterRatioLeft);
    if (nSensorsMinus1 == 1)
        StoreFilterFactor(hDlg, IDC_SYS_FILTER_RIGHT, L"Right", dShownFilterRight, &dFilterFactorRight,
                          &dFilterFactorRightPrev, &dFilterRatioRight);
    ReadListSetting(hDlg, IDC_SYS_SOFT_MARKER, &nSoftMarkerKey);
    ReadListSetting(hDlg, IDC_SYS_SENSORS, &nSensorsMinus1);
    UpdateSwathEdges();
}

void StoreSystemDialog(HWND hDlg)
{
    ReadListSetting(hDlg, IDC_SYS_INSTRUMENT_STATE, &bInstrumentEnabled);
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2: ReadListSetting(hDlg, IDC_SYS_TYPE, &nEm31Type); break;
    case INSTRUMENT_EM38MK2: ReadListSetting(hDlg, IDC_SYS_TYPE, &nEm38Mk2Type); break;
    case INSTRUMENT_EM384:
        ReadListSetting(hDlg, IDC_SYS_TYPE, &nInphaseUnits);
        ReadListSetting(hDlg, IDC_SYS_RATE, &nRateChoice);
        SetReadingRateFactors();
        break;
    case INSTRUMENT_GRAD601:
        ReadListSetting(hDlg, IDC_SYS_SENSORS, &nSensorsMinus1);
        dGpsOffsetYSaved = dGpsOffsetY;
        UpdateSensorGeometryGrad();
        break;
    case INSTRUMENT_EM61MK2: StoreEm61Type(hDlg); break;
    case INSTRUMENT_EM61LX2: StoreEm61Lx2(hDlg); break;
    default: break;
    }
    if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21) {
        // Both keep the soft marker key in their configuration file.
        ReadListSetting(hDlg, IDC_SYS_SOFT_MARKER, &nSoftMarkerKey);
        ReadListSetting(hDlg, IDC_SYS_DRIFT_REMINDER, &nDriftReminder);
        nDriftReminderMs = DriftReminderSeconds(nDriftReminder) * 1000.0;
    }
    ReadListSetting(hDlg, IDC_SYS_PAUSE_KEY, &nPauseKey);
    ReadListSetting(hDlg, IDC_SYS_SPEED_UNITS, &nSpeedUnits);
    ReadListSetting(hDlg, IDC_SYS_COORD_UNITS, &nCoordUnits);
    ReadListSetting(hDlg, IDC_SYS_INSTRUMENT_PORT, &nInstrumentPort);
    ReadListSetting(hDlg, IDC_SYS_GPS_PORT, &nGpsPort);
    ReadCheckSetting(hDlg, IDC_SYS_AUDIO_TICKS, &bAudioTicks);
    ReadCheckSetting(hDlg, IDC_SYS_DISCONNECT_ALARM, &bDisconnectAlarm);
    if (TiltMeterBuild()) {
        ReadListSetting(hDlg, IDC_SYS_TILT_STATE, &bTiltMeterOn);
        ReadListSetting(hDlg, IDC_SYS_TILT_PORT, &nTiltPort);
        ReadNumberSetting(hDlg, IDC_SYS_ANTENNA_HEIGHT, 63, &dGpsAntennaHeight);
        ReadCheckSetting(hDlg, IDC_SYS_RIGID_FIX, &bAntennaRigidFix);
    }
    LoadSaveSettingsFile(1);
}

}  // namespace

INT_PTR SystemDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_KEYDOWN) return EndSetupDialogOnCancelKey(hDlg, message, wParam);
    if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_SYS_INSTRUMENT_STATE:
        case IDC_SYS_TILT_STATE:
            if (TiltMeterBuild()) EnableTiltControls(hDlg);
            return TRUE;
        case IDC_SYS_RIGID_FIX:
            if (TiltMeterBuild()) ShowHeightLabel(hDlg);
            return TRUE;
        case IDC_SYS_SENSORS:
            if (nInstrumentType == INSTRUMENT_EM61LX2) ShowFilterFactors(hDlg, SetupListIndex(hDlg, IDC_SYS_SENSORS));
            return TRUE;
        default:
            break;
        }
    }
    return OkCancelDialog(hDlg, message, wParam, InitSystemDialog, StoreSystemDialog);
}
