// Dialog template of the "Send Message to GPS Receiver" dialog (GETGPSMESSAGE) of the GPS monitor.
#include "resources/resources.h"

void RegisterGpsMessageDialogTemplates();

namespace {

const DWORD kGpsMessageStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

// Laid out for a field tablet: no wider than the narrowest portrait window, buttons large enough for a finger.
const DialogControl kGpsMessage[] = {
    {-1, DC_LTEXT, L"Accept or edit GPS message and click on OK to send", 7, 7, 196, 12, 0},
    {1203, DC_EDITTEXT, L"", 7, 24, 196, 14, WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 113, 48, 60, 20, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 37, 48, 60, 20, WS_TABSTOP},
};

const DialogTemplate kGpsMessageTemplates[] = {
    {L"GETGPSMESSAGE", L"Send Message to GPS Receiver", 210, 76, 16, L"Microsoft Sans Serif", kGpsMessageStyle,
     kGpsMessage, 4},
};

}  // namespace

void RegisterGpsMessageDialogTemplates()
{
    static int bRegistered = 0;  // handed to the platform layer once per process
    if (bRegistered) return;
    bRegistered = 1;
    RegisterDialogTemplates(kGpsMessageTemplates, 1);
}
