// Dialog template of the EM61-LX2 alarm settings dialog (ALARMLX2).
#include "dialogs/alarm_dialog.h"
#include "resources/resources.h"

namespace {

const DWORD kAlarmStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;
const DWORD kEdit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

const DialogControl kAlarmLx2[] = {
    {-1, DC_GROUPBOX, L"Alarm Setup", 4, 2, 192, 50, 0},
    {-1, DC_LTEXT, L"Select Alarm Type:", 8, 13, 90, 9, 0},
    {IDC_ALARM_TYPE, DC_COMBOBOX, L"", 100, 11, 92, 60, kList},
    {-1, DC_LTEXT, L"Alarm Audio Indicator:", 8, 25, 90, 9, 0},
    {IDC_ALARM_AUDIO, DC_COMBOBOX, L"", 100, 23, 92, 60, kList},
    {-1, DC_LTEXT, L"Alarm Monitored Channel:", 8, 37, 90, 9, 0},
    {IDC_ALARM_CHANNEL, DC_COMBOBOX, L"", 100, 35, 92, 60, kList},
    {-1, DC_GROUPBOX, L"Simple Alarm Setting", 4, 54, 192, 24, 0},
    {-1, DC_LTEXT, L"Amplitude Alarm Level: ", 8, 65, 90, 9, 0},
    {IDC_ALARM_LEVEL, DC_EDITTEXT, L"", 100, 63, 60, 11, kEdit},
    {-1, DC_LTEXT, L"mV", 164, 65, 16, 9, 0},
    {-1, DC_GROUPBOX, L"Enhanced Alarm Settings", 4, 80, 192, 60, 0},
    {-1, DC_LTEXT, L"Minimum Amplitude Level:", 8, 91, 90, 9, 0},
    {IDC_ALARM_MIN_LEVEL, DC_EDITTEXT, L"", 100, 89, 60, 11, kEdit},
    {-1, DC_LTEXT, L"mV", 164, 91, 16, 9, 0},
    {-1, DC_LTEXT, L"Maximum Amplitude Level:", 8, 103, 90, 9, 0},
    {IDC_ALARM_MAX_LEVEL, DC_EDITTEXT, L"", 100, 101, 60, 11, kEdit},
    {-1, DC_LTEXT, L"mV", 164, 103, 16, 9, 0},
    {-1, DC_LTEXT, L"Medium Anomaly Width:", 8, 115, 90, 9, 0},
    {IDC_ALARM_WIDTH, DC_COMBOBOX, L"", 100, 113, 92, 80, kList},
    {-1, DC_LTEXT, L"No of Descending Rdgs:", 8, 127, 90, 9, 0},
    {IDC_ALARM_DESCENDING, DC_COMBOBOX, L"", 100, 125, 92, 40, kList},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 96, 144, 46, 14, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 148, 144, 46, 14, WS_TABSTOP},
};

const DialogTemplate kAlarmTemplates[] = {
    {L"ALARMLX2", L"Alarm Setup", 200, 162, 16, L"Microsoft Sans Serif", kAlarmStyle, kAlarmLx2,
     sizeof kAlarmLx2 / sizeof kAlarmLx2[0]},
};

}  // namespace

void RegisterAlarmDialogTemplates()
{
    RegisterDialogTemplates(kAlarmTemplates, 1);
}
