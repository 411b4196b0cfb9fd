// The "Send Message to GPS Receiver" dialog: accept or edit the command text of the GPS monitor.
#include "dialogs/gps_message_dialog.h"
#include "acquisition/acquisition.h"

INT_PTR GetGPSMessageDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemText(hDlg, 1203, szGpsCommandText);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            GetDlgItemText(hDlg, 1203, szGpsCommandText, 100);
            EndDialog(hDlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        }
        break;
    }
    return FALSE;
}
