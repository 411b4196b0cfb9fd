// Dialog template of the EM34-3 station confirmation (CONFIRMSTATION): the station's readings, accept or repeat.
#include "resources/resources.h"

namespace {

const DWORD kStationStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;

// Rows 701..706 hold one reading each ("n", dipole, separation, gain, conductivity), under the column heads.
const DialogControl kConfirmStation[] = {
    {1, DC_DEFPUSHBUTTON, L"Accept and Move to the Next Station", 10, 186, 150, 18, WS_TABSTOP},
    {2, DC_PUSHBUTTON, L"Cancel and Repeat All Readings at this Station", 170, 186, 170, 18, WS_TABSTOP},
    {710, DC_LTEXT, L"Current Station:", 10, 10, 70, 10, 0},
    {717, DC_EDITTEXT, L"", 82, 8, 70, 14, WS_BORDER | ES_READONLY},
    {711, DC_LTEXT, L"Measurements at this station are completed, following readings were obtained:", 10, 30, 330, 10,
     0},
    {712, DC_LTEXT, L"#", 10, 48, 12, 10, 0},
    {713, DC_LTEXT, L"Dipole", 30, 48, 60, 10, 0},
    {714, DC_LTEXT, L"Sep.", 100, 48, 40, 10, 0},
    {715, DC_LTEXT, L"Gain", 150, 48, 50, 10, 0},
    {716, DC_LTEXT, L"Conductivity", 210, 48, 70, 10, 0},
    {701, DC_LTEXT, L"", 10, 62, 330, 12, 0},
    {702, DC_LTEXT, L"", 10, 80, 330, 12, 0},
    {703, DC_LTEXT, L"", 10, 98, 330, 12, 0},
    {704, DC_LTEXT, L"", 10, 116, 330, 12, 0},
    {705, DC_LTEXT, L"", 10, 134, 330, 12, 0},
    {706, DC_LTEXT, L"", 10, 152, 330, 12, 0},
};

const DialogTemplate kStationTemplates[] = {
    {L"CONFIRMSTATION", L"Confirm and Save Readings", 350, 212, 16, L"Microsoft Sans Serif", kStationStyle,
     kConfirmStation, (int)(sizeof kConfirmStation / sizeof kConfirmStation[0])},
};

}  // namespace

void RegisterStationDialogTemplates()
{
    RegisterDialogTemplates(kStationTemplates, 1);
}
