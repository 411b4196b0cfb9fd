// The frame every setup dialog shares: placement, list filling, number boxes, check boxes, range messages, the C key.
#pragma once

#include "platform/platform.h"

// Places a dialog centred across the window it was opened over (its top-level window; the screen when it was opened
// over none), at that window's top plus the height difference over nDivisor.
void PlaceDialogOnOwner(HWND hDlg, int nDivisor);

// Fills combo box nId from a fixed list of texts in order (each text passes the wide formatter, so a stored "%%"
// shows as one percent sign) and selects nSelected (nothing selected when it is outside the list).
void FillSetupList(HWND hDlg, int nId, const wchar_t *const *aszItems, int nCount, int nSelected);
template <size_t N>
void FillSetupList(HWND hDlg, int nId, const wchar_t *const (&aszItems)[N], int nSelected)
{
    FillSetupList(hDlg, nId, aszItems, (int)N, nSelected);
}
// The 0-based index chosen in combo box nId (-1 when nothing is chosen).
int SetupListIndex(HWND hDlg, int nId);

// Shows a number in edit box nId with a narrow printf-style format ("%.1f", "%.2f", "%.3f"), widened.
void ShowSetupNumber(HWND hDlg, int nId, const char *szFormat, double dValue);
// Reads edit box nId back as a number; text that is no number reads as 0.
double ReadSetupNumber(HWND hDlg, int nId);

// Read-back that leaves a setting alone when the dialog's template lacks the control (or, for a list, when nothing
// is chosen), so that a narrower variant of a template never clears what it cannot show.
void ReadListSetting(HWND hDlg, int nId, int *pSetting);
void ReadCheckSetting(HWND hDlg, int nId, int *pSetting);
// An edit box read as a number from at most nMaxChars characters; text that is no number reads as 0.
void ReadNumberSetting(HWND hDlg, int nId, int nMaxChars, double *pSetting);

// Check boxes map to 0/1 settings.
void SetSetupCheck(HWND hDlg, int nId, int bChecked);
int GetSetupCheck(HWND hDlg, int nId);

// The key that ends a setup dialog like Cancel: WM_KEYDOWN of "C" (either case: both are the key code 'C'; code 99
// is keypad 3). Returns TRUE when it ended the dialog (with 0).
BOOL EndSetupDialogOnCancelKey(HWND hDlg, UINT message, WPARAM wParam);
