// Main menu: keyboard focus, the highlighted button, keys and letters, and the commands of the ten buttons.
#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/logging_command.h"
#include "core/settings.h"
#include "core/text.h"
#include "dialogs/alarm_dialog.h"

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
    case 3:
        if (nInstrumentType == INSTRUMENT_EM61LX2) OpenAlarmLx2Dialog(hwnd);
        break;
    case 5:
        StartGpsMonitoring();
        break;
    case 8:
        ResetToDefault(hwnd);
        break;
    case 9:
        SendMessage(hwnd, WM_CLOSE, 0, 0);
        break;
    default:
        // The setup dialogs arrive with their dialogs.
        break;
    }
    return 0;
}
