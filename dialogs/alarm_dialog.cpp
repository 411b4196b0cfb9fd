// EM61-LX2 alarm settings dialog (ALARMLX2): alarm type, audio, watched channel, levels, width and descending readings.
#include "dialogs/alarm_dialog.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"

namespace {

const wchar_t *const aszAlarmType[] = {L"Disabled", L"Simple", L"Enhanced"};
const wchar_t *const aszAlarmAudio[] = {L"None", L"Voice Indication", L"Ringing"};
const wchar_t *const aszAlarmChannel[] = {L"Early Channel", L"Late Channel", L"Filtered Channel"};
const wchar_t *const aszAnomalyWidth[] = {L"3 Samples",  L"5 Samples",  L"7 Samples",  L"9 Samples",
                                          L"11 Samples", L"13 Samples", L"15 Samples", L"17 Samples",
                                          L"19 Samples", L"21 Samples"};
const wchar_t *const aszDescending[] = {L"1 Sample", L"2 Samples"};

template <size_t N>
void FillList(HWND hDlg, int nId, const wchar_t *const (&aszItem)[N], int nSelected)
{
    SendDlgItemMessage(hDlg, nId, CB_RESETCONTENT, 0, 0);
    for (const wchar_t *sz : aszItem) SendDlgItemMessage(hDlg, nId, CB_ADDSTRING, 0, (LPARAM)sz);
    SendDlgItemMessage(hDlg, nId, CB_SETCURSEL, (WPARAM)nSelected, 0);
}

int Selected(HWND hDlg, int nId)
{
    return (int)SendDlgItemMessage(hDlg, nId, CB_GETCURSEL, 0, 0);
}

void ShowLevel(HWND hDlg, int nId, double dLevel)
{
    wchar_t sz[64];
    if (swprintf(sz, 64, L"%.1f", dLevel) < 0) sz[0] = 0;
    SetDlgItemText(hDlg, nId, sz);
}

// A level as typed: at most 19 characters, text that is no number gives 0.
double ReadLevel(HWND hDlg, int nId)
{
    wchar_t sz[20];
    GetDlgItemText(hDlg, nId, sz, 20);
    return TextToDouble(sz);
}

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
        FillList(hDlg, IDC_ALARM_TYPE, aszAlarmType, nAlarmType);
        EnableByType(hDlg, nAlarmType);
        FillList(hDlg, IDC_ALARM_AUDIO, aszAlarmAudio, nAlarmAudio);
        FillList(hDlg, IDC_ALARM_CHANNEL, aszAlarmChannel, nAlarmChannel);
        ShowLevel(hDlg, IDC_ALARM_LEVEL, dAlarmLevel);
        ShowLevel(hDlg, IDC_ALARM_MIN_LEVEL, dAlarmMinLevel);
        ShowLevel(hDlg, IDC_ALARM_MAX_LEVEL, dAlarmMaxLevel);
        FillList(hDlg, IDC_ALARM_WIDTH, aszAnomalyWidth, nAlarmAnomalyWidth);
        FillList(hDlg, IDC_ALARM_DESCENDING, aszDescending, nAlarmDescending);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_ALARM_TYPE:
            EnableByType(hDlg, Selected(hDlg, IDC_ALARM_TYPE));
            return TRUE;
        case IDOK:
            nAlarmType = Selected(hDlg, IDC_ALARM_TYPE);
            nAlarmAudio = Selected(hDlg, IDC_ALARM_AUDIO);
            nAlarmChannel = Selected(hDlg, IDC_ALARM_CHANNEL);
            dAlarmLevel = ReadLevel(hDlg, IDC_ALARM_LEVEL);
            dAlarmMinLevel = ReadLevel(hDlg, IDC_ALARM_MIN_LEVEL);
            dAlarmMaxLevel = ReadLevel(hDlg, IDC_ALARM_MAX_LEVEL);
            nAlarmAnomalyWidth = Selected(hDlg, IDC_ALARM_WIDTH);
            nAlarmDescending = Selected(hDlg, IDC_ALARM_DESCENDING);
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
