// GPS Port Setup and GPS Warning Mask dialogs: whether GPS is used, its sentences and serial line, the warning mask.
#include "core/core.h"
#include "core/settings.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/setup_frame.h"
#include "dialogs/system_dialog.h"

namespace {

const wchar_t *const aszState[] = {L"Disabled", L"Enabled"};
const wchar_t *const aszFormat[] = {L"GGA/GSA", L"GGA", L"POS", L"LLK", L"LLQ",
                                    L"GLL",     L"GGK", L"RTS pseudo-GGA", L"pseudo-GLL"};
const wchar_t *const aszBaud[] = {L"4800", L"9600", L"19200", L"38400", L"57600", L"115200"};
const wchar_t *const aszParity[] = {L"No", L"Even", L"Odd"};
const wchar_t *const aszDataBits[] = {L"7", L"8"};
const wchar_t *const aszStopBits[] = {L"1", L"2"};
const wchar_t *const aszQuality[] = {L"Raw (AGPS)", L"DGPS", L"RTK 3", L"RTK 4", L"RTK 5"};
const wchar_t *const aszSatellites[] = {L"3", L"4", L"5", L"6", L"7", L"8", L"9", L"10", L"11", L"12"};
const wchar_t *const aszRtsUnits[] = {L"meters or feet", L"US Survey Feet"};

enum { FORMAT_LLQ = 4, FORMAT_RTS_PSEUDO_GGA = 7 };

// The dilution label of a sentence format, or nullptr where the format carries no mask (GLL, RTS pseudo-GGA,
// pseudo-GLL). szLlq names the LLQ quality, which the two dialogs and the moment of showing spell differently.
const wchar_t *DilutionLabel(int nFormat, const wchar_t *szLlq)
{
    switch (nFormat) {
    case 0:
    case 2: return L"PDOP";
    case 1: return L"HDOP";
    case 3: return L"GDOP";
    case FORMAT_LLQ: return szLlq;
    case 6: return L"DOP";
    default: return nullptr;
    }
}

// The four mask labels by format; returns whether the format has a mask.
bool ShowMaskLabels(HWND hDlg, int nFormat, const wchar_t *szLlq)
{
    const wchar_t *szDilution = DilutionLabel(nFormat, szLlq);
    SetDlgItemText(hDlg, IDC_GPS_WARNING_LABEL, szDilution ? L"Warning" : L"N/A");
    SetDlgItemText(hDlg, IDC_GPS_QUALITY_LABEL, szDilution ? L"Quality" : L"N/A");
    SetDlgItemText(hDlg, IDC_GPS_SATELLITES_LABEL, szDilution ? L"Satellites" : L"N/A");
    SetDlgItemText(hDlg, IDC_GPS_DOP_LABEL, szDilution ? szDilution : L"N/A");
    return szDilution != nullptr;
}

// GPS Port Setup: the mask labels and the mask controls enabled by format.
void ShowInputMask(HWND hDlg, int nFormat, const wchar_t *szLlq)
{
    const bool bMask = ShowMaskLabels(hDlg, nFormat, szLlq);
    for (int id : {IDC_GPS_MASK_ENABLED, IDC_GPS_MIN_QUALITY, IDC_GPS_MAX_DOP, IDC_GPS_MIN_SATELLITES})
        EnableWindow(GetDlgItem(hDlg, id), bMask);
}

void EnablePseudoGga(HWND hDlg, bool bEnable)
{
    for (int id : {IDC_GPS_PSEUDO_GGA, IDC_GPS_RTS_UNITS, IDC_GPS_RTS_UNITS_LABEL})
        EnableWindow(GetDlgItem(hDlg, id), bEnable);
}

// The satellite list shows counts 3 .. 12; a count outside them selects nothing, and nothing chosen keeps it.
int SatellitesIndex()
{
    return nGpsMinSatellites >= 3 && nGpsMinSatellites <= 12 ? nGpsMinSatellites - 3 : -1;
}

void InitGpsInput(HWND hDlg)
{
    ShowInputMask(hDlg, nGpsFormat, L"Quality [m]");
    FillSetupList(hDlg, IDC_GPS_ENABLED, aszState, bGpsEnabled);
    FillSetupList(hDlg, IDC_GPS_FORMAT, aszFormat, nGpsFormat);
    FillPortList(hDlg, IDC_GPS_PORT, nGpsPort);
    FillSetupList(hDlg, IDC_GPS_BAUD, aszBaud, nGpsBaud);
    FillSetupList(hDlg, IDC_GPS_PARITY, aszParity, nGpsParity);
    FillSetupList(hDlg, IDC_GPS_DATA_BITS, aszDataBits, nGpsDataBits);
    FillSetupList(hDlg, IDC_GPS_STOP_BITS, aszStopBits, nGpsStopBits);
    FillSetupList(hDlg, IDC_GPS_MASK_ENABLED, aszState, bGpsMaskEnabled);
    FillSetupList(hDlg, IDC_GPS_MIN_QUALITY, aszQuality, nGpsMinQuality);
    ShowSetupNumber(hDlg, IDC_GPS_MAX_DOP, "%.1f", dGpsMaxDop);
    FillSetupList(hDlg, IDC_GPS_MIN_SATELLITES, aszSatellites, SatellitesIndex());
    SetSetupCheck(hDlg, IDC_GPS_MASK_AUDIO, bGpsMaskAudio);
    SetSetupCheck(hDlg, IDC_GPS_PSEUDO_GGA, bPseudoGga);
    FillSetupList(hDlg, IDC_GPS_RTS_UNITS, aszRtsUnits, nRtsUnits);
    EnablePseudoGga(hDlg, nGpsFormat == FORMAT_RTS_PSEUDO_GGA);
}

void FormatChanged(HWND hDlg)
{
    const int nFormat = SetupListIndex(hDlg, IDC_GPS_FORMAT);
    if (nFormat == FORMAT_RTS_PSEUDO_GGA) FillSetupList(hDlg, IDC_GPS_RTS_UNITS, aszRtsUnits, nRtsUnits);
    EnablePseudoGga(hDlg, nFormat == FORMAT_RTS_PSEUDO_GGA);
    ShowInputMask(hDlg, nFormat, L"Quality[m]");
}

void ReadSatellites(HWND hDlg, int nId)
{
    int nIndex = -1;
    ReadListSetting(hDlg, nId, &nIndex);
    if (nIndex >= 0) nGpsMinSatellites = nIndex + 3;
}

void StoreGpsInput(HWND hDlg)
{
    ReadListSetting(hDlg, IDC_GPS_ENABLED, &bGpsEnabled);
    bGpsActive = bGpsEnabled != 0 ? 1 : 0;
    ReadListSetting(hDlg, IDC_GPS_FORMAT, &nGpsFormat);
    ReadListSetting(hDlg, IDC_GPS_PORT, &nGpsPort);
    ReadListSetting(hDlg, IDC_GPS_BAUD, &nGpsBaud);
    ReadListSetting(hDlg, IDC_GPS_PARITY, &nGpsParity);
    ReadListSetting(hDlg, IDC_GPS_DATA_BITS, &nGpsDataBits);
    ReadListSetting(hDlg, IDC_GPS_STOP_BITS, &nGpsStopBits);
    ReadListSetting(hDlg, IDC_GPS_MASK_ENABLED, &bGpsMaskEnabled);
    ReadListSetting(hDlg, IDC_GPS_MIN_QUALITY, &nGpsMinQuality);
    ReadNumberSetting(hDlg, IDC_GPS_MAX_DOP, 31, &dGpsMaxDop);
    ReadSatellites(hDlg, IDC_GPS_MIN_SATELLITES);
    // Read whatever the format; the narrow template has no pseudo-GGA box and keeps the setting.
    ReadCheckSetting(hDlg, IDC_GPS_PSEUDO_GGA, &bPseudoGga);
    ReadListSetting(hDlg, IDC_GPS_RTS_UNITS, &nRtsUnits);
    ReadCheckSetting(hDlg, IDC_GPS_MASK_AUDIO, &bGpsMaskAudio);
    LoadSaveSettingsFile(1);
}

void InitGpsMask(HWND hDlg)
{
    ShowMaskLabels(hDlg, nGpsFormat, L"Quality (m)");
    FillSetupList(hDlg, IDC_GPSMASK_ENABLED, aszState, bGpsMaskEnabled);
    FillSetupList(hDlg, IDC_GPSMASK_MIN_QUALITY, aszQuality, nGpsMinQuality);
    ShowSetupNumber(hDlg, IDC_GPSMASK_MAX_DOP, "%.1f", dGpsMaxDop);
    FillSetupList(hDlg, IDC_GPSMASK_MIN_SATELLITES, aszSatellites, SatellitesIndex());
    SetSetupCheck(hDlg, IDC_GPSMASK_AUDIO, bGpsMaskAudio);
}

void StoreGpsMask(HWND hDlg)
{
    ReadListSetting(hDlg, IDC_GPSMASK_ENABLED, &bGpsMaskEnabled);
    ReadListSetting(hDlg, IDC_GPSMASK_MIN_QUALITY, &nGpsMinQuality);
    ReadNumberSetting(hDlg, IDC_GPSMASK_MAX_DOP, 15, &dGpsMaxDop);
    ReadSatellites(hDlg, IDC_GPSMASK_MIN_SATELLITES);
    ReadCheckSetting(hDlg, IDC_GPSMASK_AUDIO, &bGpsMaskAudio);
    LoadSaveSettingsFile(1);
}

}  // namespace

// Both keep their template's place; OK stores and saves, Cancel changes nothing.
INT_PTR GpsInputDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDC_GPS_FORMAT) {
        FormatChanged(hDlg);
        return TRUE;
    }
    return OkCancelDialog(hDlg, message, wParam, InitGpsInput, StoreGpsInput);
}

INT_PTR GpsMaskDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, InitGpsMask, StoreGpsMask);
}
