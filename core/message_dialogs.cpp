// The program's own message dialogs: the two shared buffers and the one dialog procedure of the three templates.
#include "core/core.h"
#include "resources/resources.h"

#include <cwchar>

wchar_t szMessageText[256];
wchar_t szMessageTitle[128];

INT_PTR MessageDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)lParam;
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemText(hDlg, IDC_MESSAGE_TEXT, szMessageText);
        SetWindowText(hDlg, szMessageTitle);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            EndDialog(hDlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return FALSE;
        default:
            return TRUE;
        }
    }
    return FALSE;
}

int OpenMessageDialog(HWND owner, const wchar_t *templateName)
{
    INT_PTR nResult = DialogBox(hInst, templateName, owner, MessageDlgProc);
    return nResult == 1 ? 1 : 0;
}

int ShowMessageDialog(HWND owner, const wchar_t *templateName, const wchar_t *title, const wchar_t *text)
{
    // Texts longer than the buffers are cut.
    wcsncpy(szMessageText, text ? text : L"", 255);
    szMessageText[255] = 0;
    wcsncpy(szMessageTitle, title ? title : L"", 127);
    szMessageTitle[127] = 0;
    return OpenMessageDialog(owner, templateName);
}
