// EM61-LX2 alarm settings dialog (ALARMLX2): alarm type, audio, watched channel, levels, width and descending readings.
#include "dialogs/alarm_dialog.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/setup_frame.h"

namespace {

const wchar_t *const aszAlarmType[] = {L"Disabled", L"Simple", L"Enhanced"};
const wchar_t *const aszAlarmAudio[] = {L"None", L"Voice Indication", L"Ringing"};
const wchar_t *const aszAlarmChannel[] = {L"Early Channel", L"Late Channel", L"Filtered Channel"};
const wchar_t *const aszAnomalyWidth[] = {L"3 Samples",  L"5 Samples",  L"7 Samples",  L"9 Samples",
                                          L"11 Samples", L"13 Samples", L"15 Samples", L"17 Samples",
                                          L"19 Samples", L"21 Samples"};
const wchar_t *const aszDescending[] = {L"1 Sample", L"2 Samples"};

void EnableByType(HWND hDlg, int nType)
{
    if (nType < 0 || nType > 2) return;
    static const int anCommon[2] = {IDC_ALARM_AUDIO, IDC_ALARM_CHANNEL};
    static const int anEnhanced[4] = {IDC_ALARM_MIN_LEVEL, IDC_ALARM_MAX_LEVEL, IDC_ALARM_WIDTH, IDC_ALARM_DESCENDING};
    for (int id : anCommon) EnableWindow(GetDlgItem(hDlg, id), nType != 0);
    EnableWindow(GetDlgItem(hDlg, IDC_ALARM_LEVEL), nType == 1);
    for (int id : anEnhanced) EnableWindow(GetDlgItem(hDlg, id), nType == 2);
}

}  // namespace

INT_PTR AlarmLx2DlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        FillSetupList(hDlg, IDC_ALARM_TYPE, aszAlarmType, nAlarmType);
        EnableByType(hDlg, nAlarmType);
        FillSetupList(hDlg, IDC_ALARM_AUDIO, aszAlarmAudio, nAlarmAudio);
        FillSetupList(hDlg, IDC_ALARM_CHANNEL, aszAlarmChannel, nAlarmChannel);
        ShowSetupNumber(hDlg, IDC_ALARM_LEVEL, "%.1f", dAlarmLevel);
        ShowSetupNumber(hDlg, IDC_ALARM_MIN_LEVEL, "%.1f", dAlarmMinLevel);
        ShowSetupNumber(hDlg, IDC_ALARM_MAX_LEVEL, "%.1f", dAlarmMaxLevel);
        FillSetupList(hDlg, IDC_ALARM_WIDTH, aszAnomalyWidth, nAlarmAnomalyWidth);
        FillSetupList(hDlg, IDC_ALARM_DESCENDING, aszDescending, nAlarmDescending);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ALARM_TYPE:
            EnableByType(hDlg, SetupListIndex(hDlg, IDC_ALARM_TYPE));
            return TRUE;
        case IDOK:
            ReadListSetting(hDlg, IDC_ALARM_TYPE, &nAlarmType);
            ReadListSetting(hDlg, IDC_ALARM_AUDIO, &nAlarmAudio);
            ReadListSetting(hDlg, IDC_ALARM_CHANNEL, &nAlarmChannel);
            dAlarmLevel = ReadSetupNumber(hDlg, IDC_ALARM_LEVEL);
            dAlarmMinLevel = ReadSetupNumber(hDlg, IDC_ALARM_MIN_LEVEL);
            dAlarmMaxLevel = ReadSetupNumber(hDlg, IDC_ALARM_MAX_LEVEL);
            ReadListSetting(hDlg, IDC_ALARM_WIDTH, &nAlarmAnomalyWidth);
            ReadListSetting(hDlg, IDC_ALARM_DESCENDING, &nAlarmDescending);
            LoadSaveSettingsFile(1);
            EndDialog(hDlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return FALSE;
}

INT_PTR OpenAlarmLx2Dialog(HWND hwndOwner)
{
    return DialogBox(hInst, L"ALARMLX2", hwndOwner, AlarmLx2DlgProc);
}
