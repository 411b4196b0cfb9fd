// Survey Setup dialog (SURVEYSETUP templates): file, line, stations, mode and rate.
#include "dialogs/setup_dialogs.h"

#include "dialogs/dialog_services.h"
#include "dialogs/setup_frame.h"

namespace {
void NoFields(HWND) {}
}  // namespace

INT_PTR SurveySetupDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, NoFields, NoFields);
}
