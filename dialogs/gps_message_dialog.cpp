// The "Send Message to GPS Receiver" dialog: accept or edit the command text of the GPS monitor.
#include "dialogs/gps_message_dialog.h"
#include "acquisition/acquisition.h"
#include "dialogs/dialog_services.h"

INT_PTR GetGPSMessageDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(
        hDlg, message, wParam, [](HWND h) { SetDlgItemText(h, 1203, szGpsCommandText); },
        [](HWND h) { GetDlgItemText(h, 1203, szGpsCommandText, 100); });
}
