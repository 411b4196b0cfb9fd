// Small services of the dialogs: the setup values used by the settings readers and the plain OK/Cancel step.
#include "dialogs/dialog_services.h"

#include "core/settings.h"

void UpdateCursorMarkerSize()
{
    if (nPositionSize >= 0 && nPositionSize <= 4) {
        nPositionMarkerSize = 2 * nPositionSize + 7;
        nCrossHairHalf = nPositionSize + 3;
    } else if (nPositionSize == 5) {
        nPositionMarkerSize = 19;
        nCrossHairHalf = 9;
    }
}

int DriftReminderSeconds(int index)
{
    static const int anSeconds[6] = {900, 1800, 2700, 3600, 5400, 7200};
    if (index < 0 || index > 5) return 0;
    return anSeconds[index];
}

INT_PTR OkCancelDialog(HWND hDlg, UINT message, WPARAM wParam, void (*pfnInit)(HWND), void (*pfnAccept)(HWND))
{
    switch (message) {
    case WM_INITDIALOG:
        pfnInit(hDlg);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            pfnAccept(hDlg);
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
