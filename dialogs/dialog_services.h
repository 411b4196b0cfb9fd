// Small services of the dialogs: the setup values used by the settings readers and the plain OK/Cancel step.
#pragma once

#include "platform/platform.h"

// Position-marker size and cross-hair half size from nPositionSize (0..5; a larger index changes nothing).
void UpdateCursorMarkerSize();
// Drift-reminder interval in seconds for a choice index: 900, 1800, 2700, 3600, 5400, 7200; 0 otherwise.
int DriftReminderSeconds(int index);
// The messages of a plain OK/Cancel dialog: pfnInit fills the fields at WM_INITDIALOG; OK runs pfnAccept and ends
// with 1, Cancel ends with 0. Anything else is left to the default handling.
INT_PTR OkCancelDialog(HWND hDlg, UINT message, WPARAM wParam, void (*pfnInit)(HWND), void (*pfnAccept)(HWND));
