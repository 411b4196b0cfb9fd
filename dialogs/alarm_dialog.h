// EM61-LX2 alarm settings dialog (ALARMLX2): alarm type, audio, watched channel, levels, width and descending readings.
#pragma once

#include "platform/platform.h"

// Control ids of the ALARMLX2 template.
enum {
    IDC_ALARM_LEVEL = 900,
    IDC_ALARM_TYPE = 901,
    IDC_ALARM_MIN_LEVEL = 902,
    IDC_ALARM_MAX_LEVEL = 903,
    IDC_ALARM_DESCENDING = 905,
    IDC_ALARM_AUDIO = 906,
    IDC_ALARM_WIDTH = 907,
    IDC_ALARM_CHANNEL = 908,
};

// Ends with 1 after OK (the settings stored and the configuration file saved), 0 after Cancel (nothing changed).
INT_PTR AlarmLx2DlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Opens the dialog over the owner; returns its result.
INT_PTR OpenAlarmLx2Dialog(HWND hwndOwner);
