// Scale and option dialogs of the logging screen: reading and speed scales, map size, audio, units, drift reminder.
#include "dialogs/setup_dialogs.h"

#include "dialogs/dialog_services.h"
#include "dialogs/setup_frame.h"

namespace {
void NoFields(HWND) {}
}  // namespace

INT_PTR ReadingScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}

INT_PTR SpeedScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}

INT_PTR MapScaleDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}

INT_PTR AudioFunctionsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}

INT_PTR CoordinatesUnitsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}

INT_PTR DriftReminderDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}
