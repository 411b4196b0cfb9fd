// GPS input and GPS mask dialogs: the receiver's port, sentences, offsets and the warning mask.
#include "dialogs/setup_dialogs.h"

#include "dialogs/dialog_services.h"
#include "dialogs/setup_frame.h"

namespace {
void NoFields(HWND) {}
}  // namespace

INT_PTR GpsInputDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}

INT_PTR GpsMaskDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}
