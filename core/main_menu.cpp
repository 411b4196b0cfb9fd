// Main menu: keyboard focus, the highlighted button, keys and letters, and the commands of the ten buttons.
#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "core/text.h"
#include "dialogs/alarm_dialog.h"
#include "dialogs/display_setup_dialog.h"
#include "dialogs/setup_dialogs.h"

int nHighlightedButton = 0;
int nMenuKeyAction = -99;

namespace {

// Moves the default-button style from the highlighted button to its neighbour (step +1 or -1, wrapping).
void MoveHighlight(int nStep)
{
    SendMessage(ahMenuButton[nHighlightedButton], BM_SETSTYLE, BS_PUSHBUTTON, TRUE);
    nHighlightedButton = (nHighlightedButton + nStep + 10) % 10;
    SendMessage(ahMenuButton[nHighlightedButton], BM_SETSTYLE, BS_DEFPUSHBUTTON, TRUE);
}

// Templates of the setup commands by instrument and product line (-1: either line). A narrow form is opened when the
// client width is below its limit; nullptr: the instrument has no such dialog.
struct SetupTemplates {
    int nInstrument, nJix;
    const wchar_t *szSurvey;
    const wchar_t *szSystem, *szSystemNarrow;  // narrow below 640
    const wchar_t *szGeometry, *szGeometryNarrow;  // narrow below 600; the alarm settings on the EM61-LX2
};
const SetupTemplates kSetupTemplates[] = {
    {INSTRUMENT_GRAD601, -1, L"SURVEYSETUP601", L"SYSTEM601", L"SYSTEMNARROW601", L"ARRAYGEOMETRY601", nullptr},
    {INSTRUMENT_EM61LX2, -1, L"SURVEYSETUPLX2", L"SYSTEMLX2", L"SYSTEMLX2V", L"ALARMLX2", nullptr},
    {INSTRUMENT_EM61MK2, 0, L"SURVEYSETUP", L"SYSTEMTILT61", L"SYSTEMTILT61NARROW", L"ARRAYGEOMETRY",
     L"ARRAYGEOMETRYNARROW"},
    {INSTRUMENT_EM61MK2, 1, L"SURVEYSETUP", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY", L"ARRAYGEOMETRYNARROW"},
    {INSTRUMENT_EM31MK2, -1, L"SURVEYSETUP31", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY31", nullptr},
    {INSTRUMENT_EM38, -1, L"SURVEYSETUP38", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY38", nullptr},
    {INSTRUMENT_EM34, -1, L"SURVEYSETUP34", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY34", nullptr},
    {INSTRUMENT_EM38MK2, -1, L"SURVEYSETUP38MK2", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY38", nullptr},
    {INSTRUMENT_EM384, -1, L"SURVEYSETUP384", L"SYSTEM384", nullptr, L"ARRAYGEOMETRY384", nullptr},
    {INSTRUMENT_CS21, -1, L"SURVEYSETUP38MK2", L"SYSTEMCS21", nullptr, L"ARRAYGEOMETRY384", nullptr},
};
// An instrument type outside the table: survey and system setup only.
const SetupTemplates kOtherInstrument = {0, -1, L"SURVEYSETUP", L"SYSTEM", L"SYSTEMNARROW", nullptr, nullptr};

const SetupTemplates &SetupTemplatesOfBuild()
{
    for (const SetupTemplates &t : kSetupTemplates)
        if (t.nInstrument == nInstrumentType && (t.nJix < 0 || t.nJix == bJixProduct))
            return t;
    return kOtherInstrument;
}

const wchar_t *NarrowBelow(int nLimit, const wchar_t *szWide, const wchar_t *szNarrow)
{
    return nClientWidth < nLimit && szNarrow ? szNarrow : szWide;
}

// Opens one setup dialog modally over the main window; afterwards the start screen is drawn again with the new
// settings (and, with bRefocus, the main window takes the keys back).
void RunSetupDialog(HWND hwnd, const wchar_t *szTemplate, DLGPROC pfnProc, bool bRefocus = false)
{
    if (!szTemplate)
        return;
    DialogBox(hInst, szTemplate, hwnd, pfnProc);
    InvalidateRect(hwnd, nullptr, TRUE);
    if (bRefocus)
        SetFocus(hwnd);
}

void ResetToDefault(HWND hwnd)
{
    if (ShowMessageDialog(hwnd, L"MESSAGEOKCANCEL", L"Reset to Default Setting",
                          L"Program settings will be reset to default and the program will close") != 1)
        return;
    LoadSaveSettingsFile(2);
    WaitMilliseconds(100);
    SendMessage(hwnd, WM_CLOSE, 0, 0);
}

}  // namespace

LRESULT MainOnCommand(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    (void)message;
    (void)lParam;
    if (hwndLog && IsWindowVisible(hwndLog)) {
        SetFocus(hwndLog);
        return 0;
    }
    if (hwndGpsMonitor && IsWindowVisible(hwndGpsMonitor)) {
        SetFocus(hwndGpsMonitor);
        return 0;
    }
    SetFocus(hwnd);

    int nCommand = (int)LOWORD(wParam) - 420;
    if (nActiveScreen == 0) {
        static const char szLetters[] = "LSTEGOMPRX";
        switch (wParam) {
        case VK_TAB:
        case VK_RIGHT:
        case VK_DOWN:
            nMenuKeyAction = 1009;
            MoveHighlight(1);
            break;
        case VK_LEFT:
        case VK_UP:
            nMenuKeyAction = 1010;
            MoveHighlight(-1);
            break;
        case VK_RETURN:
            nMenuKeyAction = 1013;
            nCommand = nHighlightedButton;
            break;
        default:
            for (int i = 0; i < 10; i++) {
                if (wParam == (WPARAM)(unsigned char)szLetters[i]) {
                    nMenuKeyAction = i;
                    nCommand = i;
                }
            }
            break;
        }
        if (nMenuKeyAction == 1009 || nMenuKeyAction == 1010)
            nCommand = -1;
        nMenuKeyAction = -99;
    }

    switch (nCommand) {
    case 0:
        MainOnLoggingCommand(hwnd);
        break;
    case 1:
        RunSetupDialog(hwnd, SetupTemplatesOfBuild().szSurvey, SurveySetupDlgProc);
        break;
    case 2: {
        const SetupTemplates &t = SetupTemplatesOfBuild();
        RunSetupDialog(hwnd, NarrowBelow(640, t.szSystem, t.szSystemNarrow), SystemDlgProc);
        break;
    }
    case 3: {
        const SetupTemplates &t = SetupTemplatesOfBuild();
        RunSetupDialog(hwnd, NarrowBelow(600, t.szGeometry, t.szGeometryNarrow),
                       nInstrumentType == INSTRUMENT_EM61LX2 ? AlarmLx2DlgProc : ArrayGeometryDlgProc);
        break;
    }
    case 4:
        RunSetupDialog(hwnd, NarrowBelow(600, L"GPSINPUT", L"GPSINPUTNARROW"), GpsInputDlgProc);
        break;
    case 5:
        StartGpsMonitoring();
        break;
    case 6:
        if (bJixProduct)
            RunSetupDialog(hwnd, NarrowBelow(784, L"DISPLAYOPTIONS31FLD", L"DISPLAYOPTIONS31FLDNARROW"),
                           DisplayOptionsDlgProc, true);
        else
            RunSetupDialog(hwnd, NarrowBelow(784, L"DISPLAYOPTIONS31", L"DISPLAYOPTIONS31NARROW"),
                           DisplayOptionsDlgProc, true);
        break;
    case 7:
        RunSetupDialog(hwnd, DisplaySetupTemplate(nInstrumentType), DisplaySetupDlgProc, true);
        break;
    case 8:
        ResetToDefault(hwnd);
        break;
    case 9:
        SendMessage(hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        break;
    }
    return 0;
}
