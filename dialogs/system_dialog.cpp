// System Setup dialog (SYSTEM templates): instrument, ports, pause key, units, audio and per-instrument settings.
#include "dialogs/setup_dialogs.h"

#include "dialogs/dialog_services.h"
#include "dialogs/setup_frame.h"

namespace {
void NoFields(HWND) {}
}  // namespace

INT_PTR SystemDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}
