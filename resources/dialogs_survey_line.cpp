// Dialog templates of the survey-line dialogs: New Survey Line (GETNEWLINE), New Station (NEWSTATION), Enter Comment
// (COMMENT).
#include "resources/resources.h"

namespace {

// Laid out for a field tablet: every label above its field, two columns, buttons large enough for a finger; the
// widest dialog fits the narrowest portrait window.
const DWORD kSurveyLineStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
const DWORD kField = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;
const DWORD kReadOnly = WS_BORDER | ES_AUTOHSCROLL | ES_READONLY;
const DWORD kList = WS_TABSTOP | WS_VSCROLL;

const DialogControl kNewLine[] = {
    {-1, DC_LTEXT, L"Current Line:", 6, 7, 93, 9, 0},
    {1182, DC_EDITTEXT, L"", 6, 17, 93, 14, kReadOnly},
    {-1, DC_LTEXT, L"Last Station:", 6, 35, 93, 9, 0},
    {1184, DC_EDITTEXT, L"", 6, 45, 93, 14, kReadOnly},
    {-1, DC_LTEXT, L"New Line:", 6, 63, 93, 9, 0},
    {1106, DC_EDITTEXT, L"", 6, 73, 93, 14, kField},
    {-1, DC_LTEXT, L"Line Increment:", 6, 91, 93, 9, 0},
    {1107, DC_EDITTEXT, L"", 6, 101, 93, 14, kField},
    {-1, DC_LTEXT, L"Line Sequence:", 105, 7, 93, 9, 0},
    {1178, DC_COMBOBOX, L"", 105, 17, 93, 60, kList},
    {-1, DC_LTEXT, L"Line Direction:", 105, 35, 93, 9, 0},
    {1180, DC_COMBOBOX, L"", 105, 45, 93, 70, kList},
    {-1, DC_LTEXT, L"Start Station:", 105, 63, 93, 9, 0},
    {1108, DC_EDITTEXT, L"", 105, 73, 93, 14, kField},
    {-1, DC_LTEXT, L"Station Increment:", 105, 91, 93, 9, 0},
    {1109, DC_EDITTEXT, L"", 105, 101, 93, 14, kField},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 32, 124, 60, 20, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 112, 124, 60, 20, WS_TABSTOP},
};

const DialogControl kNewStation[] = {
    {-1, DC_LTEXT, L"Current Line:", 6, 7, 93, 9, 0},
    {1186, DC_EDITTEXT, L"", 6, 17, 93, 14, kReadOnly},
    {-1, DC_LTEXT, L"Start Station:", 105, 7, 93, 9, 0},
    {1187, DC_EDITTEXT, L"", 105, 17, 93, 14, kReadOnly},
    {-1, DC_LTEXT, L"Current Station:", 6, 35, 93, 9, 0},
    {1189, DC_EDITTEXT, L"", 6, 45, 93, 14, kReadOnly},
    {-1, DC_LTEXT, L"New Station:", 105, 35, 93, 9, 0},
    {1188, DC_EDITTEXT, L"", 105, 45, 93, 14, kField},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 32, 68, 60, 20, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 112, 68, 60, 20, WS_TABSTOP},
};

const DialogControl kComment[] = {
    {-1, DC_LTEXT, L"Maximum 11 characters", 7, 7, 146, 9, 0},
    {1190, DC_EDITTEXT, L"", 7, 19, 146, 14, kField},
    {IDOK, DC_DEFPUSHBUTTON, L"OK", 13, 42, 60, 20, WS_TABSTOP},
    {IDCANCEL, DC_PUSHBUTTON, L"Cancel", 87, 42, 60, 20, WS_TABSTOP},
};

const DialogTemplate kSurveyLineTemplates[] = {
    {L"GETNEWLINE", L"New Survey Line", 204, 151, 16, L"Microsoft Sans Serif", kSurveyLineStyle, kNewLine,
     (int)(sizeof kNewLine / sizeof kNewLine[0])},
    {L"NEWSTATION", L"New Station", 204, 95, 16, L"Microsoft Sans Serif", kSurveyLineStyle, kNewStation,
     (int)(sizeof kNewStation / sizeof kNewStation[0])},
    {L"COMMENT", L"Enter Comment", 160, 69, 16, L"Microsoft Sans Serif", kSurveyLineStyle, kComment,
     (int)(sizeof kComment / sizeof kComment[0])},
};

}  // namespace

void RegisterSurveyLineDialogTemplates()
{
    static int bRegistered = 0;  // handed to the platform layer once per process
    if (bRegistered) return;
    bRegistered = 1;
    RegisterDialogTemplates(kSurveyLineTemplates, (int)(sizeof kSurveyLineTemplates / sizeof kSurveyLineTemplates[0]));
}
