// The frame every setup dialog shares: placement, list filling, number boxes, check boxes, range messages, the C key.
#include "dialogs/setup_frame.h"

#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/text.h"

void PlaceDialogOnOwner(HWND hDlg, int nDivisor)
{
    // Screen rectangles: a child window is measured by its top-level window.
    HWND hParent = GetWindow(hDlg, GW_OWNER);
    while (hParent && GetParent(hParent)) hParent = GetParent(hParent);
    RECT rcParent{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)}, rcDialog;
    if (nDivisor <= 0 || (hParent && !GetWindowRect(hParent, &rcParent)) || !GetWindowRect(hDlg, &rcDialog)) return;
    const int w = rcDialog.right - rcDialog.left, h = rcDialog.bottom - rcDialog.top;
    const int x = rcParent.left + ((rcParent.right - rcParent.left) - w) / 2;
    const int y = rcParent.top + ((rcParent.bottom - rcParent.top) - h) / nDivisor;
    MoveWindow(hDlg, x, y, w, h, TRUE);
}

void FillSetupList(HWND hDlg, int nId, const wchar_t *const *aszItems, int nCount, int nSelected)
{
    SendDlgItemMessage(hDlg, nId, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < nCount; i++) {
        wchar_t szItem[128];
        if (swprintf(szItem, 128, aszItems[i]) < 0) szItem[0] = 0;
        SendDlgItemMessage(hDlg, nId, CB_ADDSTRING, 0, (LPARAM)szItem);
    }
    SendDlgItemMessage(hDlg, nId, CB_SETCURSEL, (WPARAM)(nSelected >= 0 && nSelected < nCount ? nSelected : -1), 0);
}

int SetupListIndex(HWND hDlg, int nId)
{
    return (int)SendDlgItemMessage(hDlg, nId, CB_GETCURSEL, 0, 0);
}

void ShowSetupNumber(HWND hDlg, int nId, const char *szFormat, double dValue)
{
    char szNarrow[64];
    wchar_t szWide[64];
    const int n = snprintf(szNarrow, sizeof szNarrow, szFormat, dValue);
    if (n < 0 || n >= (int)sizeof szNarrow) snprintf(szNarrow, sizeof szNarrow, "N/A");
    NarrowToWide(szNarrow, szWide);
    SetDlgItemText(hDlg, nId, szWide);
}

double ReadSetupNumber(HWND hDlg, int nId)
{
    wchar_t sz[64];
    if (GetDlgItemText(hDlg, nId, sz, 64) <= 0) return 0.0;
    return TextToDouble(sz);
}

void ReadListSetting(HWND hDlg, int nId, int *pSetting)
{
    if (!GetDlgItem(hDlg, nId)) return;
    const int n = SetupListIndex(hDlg, nId);
    if (n >= 0) *pSetting = n;
}

void ReadCheckSetting(HWND hDlg, int nId, int *pSetting)
{
    if (GetDlgItem(hDlg, nId)) *pSetting = GetSetupCheck(hDlg, nId);
}

void ReadNumberSetting(HWND hDlg, int nId, int nMaxChars, double *pSetting)
{
    if (!GetDlgItem(hDlg, nId)) return;
    wchar_t sz[64];
    if (nMaxChars < 1 || nMaxChars > 63) nMaxChars = 63;
    *pSetting = GetDlgItemText(hDlg, nId, sz, nMaxChars + 1) > 0 ? TextToDouble(sz) : 0.0;
}

void SetSetupCheck(HWND hDlg, int nId, int bChecked)
{
    SendDlgItemMessage(hDlg, nId, BM_SETCHECK, bChecked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int GetSetupCheck(HWND hDlg, int nId)
{
    return SendDlgItemMessage(hDlg, nId, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
}

BOOL EndSetupDialogOnCancelKey(HWND hDlg, UINT message, WPARAM wParam)
{
    // Both cases of the letter arrive as the virtual-key code 'C'; 'c' (99) is the code of keypad 3.
    if (message != WM_KEYDOWN || wParam != 'C') return FALSE;
    EndDialog(hDlg, 0);
    return TRUE;
}
