// Dialog template of the EM34-3 station confirmation (CONFIRMSTATION): the station's readings, accept or repeat.
#include "resources/resources.h"

namespace {

const DWORD kStationStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

// Rows 701..706 hold one reading each ("n", dipole, separation, gain, conductivity), under the column heads.
const DialogControl kConfirmStation[] = {
    {1, DC_DEFPUSHBUTTON, L"Accept and Move to the Next Station", 5, 134, 190, 14, WS_TABSTOP},
    {2, DC_PUSHBUTTON, L"Cancel and Repeat All Readings at this Station", 5, 151, 190, 14, WS_TABSTOP},
    {710, DC_LTEXT, L"Current Station:", 5, 6, 56, 10, 0},
    {717, DC_EDITTEXT, L"", 62, 4, 60, 12, WS_BORDER | ES_READONLY},
    {711, DC_LTEXT, L"Measurements at this station are completed, following readings were obtained:", 5, 20, 190, 18,
     0},
    {712, DC_LTEXT, L"#", 5, 40, 8, 10, 0},
    {713, DC_LTEXT, L"Dipole", 15, 40, 40, 10, 0},
    {714, DC_LTEXT, L"Sep.", 60, 40, 25, 10, 0},
    {715, DC_LTEXT, L"Gain", 90, 40, 30, 10, 0},
    {716, DC_LTEXT, L"Conductivity", 130, 40, 65, 10, 0},
    {701, DC_LTEXT, L"", 5, 52, 190, 11, 0},
    {702, DC_LTEXT, L"", 5, 65, 190, 11, 0},
    {703, DC_LTEXT, L"", 5, 78, 190, 11, 0},
    {704, DC_LTEXT, L"", 5, 91, 190, 11, 0},
    {705, DC_LTEXT, L"", 5, 104, 190, 11, 0},
    {706, DC_LTEXT, L"", 5, 117, 190, 11, 0},
};

const DialogTemplate kStationTemplates[] = {
    {L"CONFIRMSTATION", L"Confirm and Save Readings", 200, 170, 16, L"Microsoft Sans Serif", kStationStyle,
     kConfirmStation, (int)(sizeof kConfirmStation / sizeof kConfirmStation[0])},
};

}  // namespace

void RegisterStationDialogTemplates()
{
    RegisterDialogTemplates(kStationTemplates, 1);
}
