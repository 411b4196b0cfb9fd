// The "Send Message to GPS Receiver" dialog of the GPS monitor.
#pragma once

#include "platform/platform.h"

// Template GETGPSMESSAGE: edit 1203 shows szGpsCommandText; OK reads it back (99 characters at most) and ends
// with 1, Cancel ends with 0.
INT_PTR GetGPSMessageDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam);
// Registers the template (resources/dialogs_gps_message.cpp); later calls do nothing.
void RegisterGpsMessageDialogTemplates();
