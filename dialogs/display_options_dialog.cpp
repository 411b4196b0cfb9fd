// Map Display Options dialog (DISPLAYOPTIONS31 templates): track, swath, channel colours, grid and map size.
#include "dialogs/setup_dialogs.h"

#include "dialogs/dialog_services.h"
#include "dialogs/setup_frame.h"

namespace {
void NoFields(HWND) {}
}  // namespace

INT_PTR DisplayOptionsDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}
