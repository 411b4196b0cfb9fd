// Dialog template of the EM34-3 station confirmation (CONFIRMSTATION): the station's readings, accept or repeat.
#include "resources/resources.h"

namespace {

const DWORD kStationStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

// Rows 701..706 hold one reading each ("n", dipole, separation, gain, conductivity), under the column heads.
// Laid out for a field tablet: no wider than the narrowest portrait window; the two long buttons one above the other.
const DialogControl kConfirmStation[] = {
    {1, DC_DEFPUSHBUTTON, L"Accept and Move to the Next Station", 6, 134, 192, 15, WS_TABSTOP},
    {2, DC_PUSHBUTTON, L"Cancel and Repeat All Readings at this Station", 6, 151, 192, 15, WS_TABSTOP},
    {710, DC_LTEXT, L"Current Station:", 6, 6, 80, 9, 0},
    {717, DC_EDITTEXT, L"", 90, 4, 60, 14, WS_BORDER | ES_READONLY},
    {711, DC_LTEXT, L"Measurements at this station are completed, following readings were obtained:", 6, 21, 192, 20,
     0},
    {712, DC_LTEXT, L"#", 6, 43, 10, 9, 0},
    {713, DC_LTEXT, L"Dipole", 18, 43, 40, 9, 0},
    {714, DC_LTEXT, L"Sep.", 60, 43, 28, 9, 0},
    {715, DC_LTEXT, L"Gain", 90, 43, 30, 9, 0},
    {716, DC_LTEXT, L"Conductivity", 122, 43, 76, 9, 0},
    {701, DC_LTEXT, L"", 6, 55, 192, 11, 0},
    {702, DC_LTEXT, L"", 6, 68, 192, 11, 0},
    {703, DC_LTEXT, L"", 6, 81, 192, 11, 0},
    {704, DC_LTEXT, L"", 6, 94, 192, 11, 0},
    {705, DC_LTEXT, L"", 6, 107, 192, 11, 0},
    {706, DC_LTEXT, L"", 6, 120, 192, 11, 0},
};

const DialogTemplate kStationTemplates[] = {
    {L"CONFIRMSTATION", L"Confirm and Save Readings", 204, 170, 16, L"Microsoft Sans Serif", kStationStyle,
     kConfirmStation, (int)(sizeof kConfirmStation / sizeof kConfirmStation[0])},
};

}  // namespace

void RegisterStationDialogTemplates()
{
    RegisterDialogTemplates(kStationTemplates, 1);
}
