// Dialog template of the EM61-LX2 alarm settings dialog (ALARMLX2).
#include "dialogs/alarm_dialog.h"
#include "resources/resources.h"

namespace {

const DWORD kAlarmStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;
const DWORD kEdit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

const DialogControl kAlarmLx2[] = {
    {-1, DC_GROUPBOX, L"Alarm Setup", 7, 4, 236, 62, 0},
    {-1, DC_LTEXT, L"Select Alarm Type:", 14, 18, 100, 10, 0},
    {IDC_ALARM_TYPE, DC_COMBOBOX, L"", 122, 16, 112, 60, kList},
    {-1, DC_LTEXT, L"Alarm Audio Indicator:", 14, 34, 100, 10, 0},
    {IDC_ALARM_AUDIO, DC_COMBOBOX, L"", 122, 32, 112, 60, kList},
    {-1, DC_LTEXT, L"Alarm Monitored Channel:", 14, 50, 104, 10, 0},
    {IDC_ALARM_CHANNEL, DC_COMBOBOX, L"", 122, 48, 112, 60, kList},
    {-1, DC_GROUPBOX, L"Simple Alarm Setting", 7, 70, 236, 30, 0},
    {-1, DC_LTEXT, L"Amplitude Alarm Level: ", 14, 84, 100, 10, 0},
    {IDC_ALARM_LEVEL, DC_EDITTEXT, L"", 122, 82, 60, 13, kEdit},
    {-1, DC_LTEXT, L"mV", 186, 84, 20, 10, 0},
    {-1, DC_GROUPBOX, L"Enhanced Alarm Settings", 7, 104, 236, 78, 0},
    {-1, DC_LTEXT, L"Minimum Amplitude Level:", 14, 118, 104, 10, 0},
    {IDC_ALARM_MIN_LEVEL, DC_EDITTEXT, L"", 122, 116, 60, 13, kEdit},
    {-1, DC_LTEXT, L"mV", 186, 118, 20, 10, 0},
    {-1, DC_LTEXT, L"Maximum Amplitude Level:", 14, 134, 104, 10, 0},
    {IDC_ALARM_MAX_LEVEL, DC_EDITTEXT, L"", 122, 132, 60, 13, kEdit},
    {-1, DC_LTEXT, L"mV", 186, 134, 20, 10, 0},
    {-1, DC_LTEXT, L"Medium Anomaly Width:", 14, 150, 100, 10, 0},
    {IDC_ALARM_WIDTH, DC_COMBOBOX, L"", 122, 148, 112, 80, kList},
    {-1, DC_LTEXT, L"No of Descending Rdgs:", 14, 166, 100, 10, 0},
    {IDC_ALARM_DESCENDING, DC_COMBOBOX, L"", 122, 164, 112, 40, kList},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 136, 190, 50, 16, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 192, 190, 50, 16, WS_TABSTOP},
};

const DialogTemplate kAlarmTemplates[] = {
    {L"ALARMLX2", L"Alarm Setup", 250, 214, 16, L"Microsoft Sans Serif", kAlarmStyle, kAlarmLx2,
     sizeof kAlarmLx2 / sizeof kAlarmLx2[0]},
};

}  // namespace

void RegisterAlarmDialogTemplates()
{
    RegisterDialogTemplates(kAlarmTemplates, 1);
}
