// Dialog templates of the three message dialogs (OK, OK/Cancel, Yes/No).
#include "resources/resources.h"

namespace {

const DWORD kMessageStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

const DialogControl kMessageOk[] = {
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 74, 65, 49, 18, WS_TABSTOP},
    {IDC_MESSAGE_TEXT, DC_CTEXT, L"", 7, 22, 184, 32, 0},
    {IDC_MESSAGE_HIDDEN, DC_LTEXT, L"", 7, 6, 184, 12, DC_HIDDEN},
};

const DialogControl kMessageOkCancel[] = {
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 102, 63, 49, 18, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 46, 63, 49, 18, WS_TABSTOP},
    {IDC_MESSAGE_TEXT, DC_CTEXT, L"", 7, 22, 184, 32, 0},
    {IDC_MESSAGE_HIDDEN, DC_LTEXT, L"", 7, 6, 184, 12, DC_HIDDEN},
};

const DialogControl kMessageYesNo[] = {
    {IDOK, DC_DEFPUSHBUTTON, L"Yes", 103, 65, 49, 18, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"No", 46, 65, 49, 18, WS_TABSTOP},
    {IDC_MESSAGE_TEXT, DC_CTEXT, L"", 7, 22, 184, 32, 0},
    {IDC_MESSAGE_HIDDEN, DC_LTEXT, L"", 7, 6, 184, 12, DC_HIDDEN},
};

const DialogTemplate kMessageTemplates[] = {
    {L"MESSAGEOK", L"Message", 198, 90, 16, L"Microsoft Sans Serif", kMessageStyle, kMessageOk, 3},
    {L"MESSAGEOKCANCEL", L"Message", 198, 90, 16, L"Microsoft Sans Serif", kMessageStyle, kMessageOkCancel, 4},
    {L"MESSAGEYESNO", L"Message", 198, 90, 16, L"Microsoft Sans Serif", kMessageStyle, kMessageYesNo, 4},
};

}  // namespace

void RegisterMessageDialogTemplates()
{
    RegisterDialogTemplates(kMessageTemplates, 3);
}
