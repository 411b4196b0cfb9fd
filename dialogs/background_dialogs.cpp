// Background file dialogs: Load BackGround File (file type, display style, columns and delimiter) and Remove
// BackGround Files (a tick per loaded file).
#include <cwchar>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/settings.h"
#include "dialogs/background_dialogs.h"
#include "dialogs/setup_frame.h"
#include "logscreen/logscreen.h"

namespace {

const wchar_t *const aszFileTypes[3] = {L"Ulvane Zanth/Faldorinex/Brovy Data File", L"Column Delimited ASCII Text File",
                                        L"Column Delimited ASCII Text File with Labels"};
const wchar_t *const aszStylesJix[4] = {L"Display Positions as Separate Dots", L"Display Positions Joined by Thin Line",
                                        L"Display Positions Joined by Medium Line",
                                        L"Display Positions Joined by Thick Line"};
const wchar_t *const aszStylesZanth[12] = {
    L"Display Positions as Separate Small Dots",      L"Display Positions as Separate Medium Dots",
    L"Display Positions as Separate Large Dots",      L"Display Positions as Separate Small Squares",
    L"Display Positions as Separate Medium Squares",  L"Display Positions as Separate Large Squares",
    L"Display Positions as Separate Small Triangles", L"Display Positions as Separate Medium Triangles",
    L"Display Positions as Separate Large Triangles", L"Display Positions Joined by Thin Line",
    L"Display Positions Joined by Medium Line",       L"Display Positions Joined by Thick Line"};
const wchar_t *const aszCoordTypes[4] = {L"Geodetic", L"UTM meters", L"UTM feet", L"UTM US Feet"};
const wchar_t *const aszDelimiters[4] = {L"  Space", L", Comma", L"  Tab", L"; Semicolon"};
const wchar_t *const aszColumns[24] = {
    L"Column 1",  L"Column 2",  L"Column 3",  L"Column 4",  L"Column 5",  L"Column 6",  L"Column 7",  L"Column 8",
    L"Column 9",  L"Column 10", L"Column 11", L"Column 12", L"Column 13", L"Column 14", L"Column 15", L"Column 16",
    L"Column 17", L"Column 18", L"Column 19", L"Column 20", L"Column 21", L"Column 22", L"Column 23", L"Column 24"};

int nWorkingFileType = 0;

// The key C ends the dialog like Cancel; key code 99 is the keypad's 3 on this platform and does not.
BOOL EndOnCancelKey(HWND hDlg, UINT message, WPARAM wParam)
{
    if (message == WM_KEYDOWN && wParam != 'C') return FALSE;
    return EndSetupDialogOnCancelKey(hDlg, message, wParam);
}

// The list's choice, or the old value when nothing is chosen.
int ChosenOr(HWND hDlg, int nId, int nOld)
{
    int n = SetupListIndex(hDlg, nId);
    return n >= 0 ? n : nOld;
}

void ApplyEnabling(HWND hDlg)
{
    const int bAscii = nWorkingFileType != 0;
    for (int id = IDC_BG_COORD_TYPE; id <= IDC_BG_DELIMITER; id++) EnableWindow(GetDlgItem(hDlg, id), bAscii);
    HWND hLabel = GetDlgItem(hDlg, IDC_BG_COLUMN_LABEL);
    if (hLabel) EnableWindow(hLabel, nWorkingFileType == 2);
    SetDlgItemText(hDlg, IDC_BG_TYPE_HINT,
                   bAscii ? L"(files ASC, TXT, DAT, and XYZ)" : L"(files H31, T31, H61, P61, GXY, etc., V2.0 & later)");
    ShowWindow(GetDlgItem(hDlg, IDC_BG_DATUM_NOTE), bAscii ? SW_SHOW : SW_HIDE);
}

void InitLoadDialog(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 10);
    wchar_t szCount[16];
    if (swprintf(szCount, 16, L"%d", nBackgroundFileCount) < 0) szCount[0] = 0;
    SetDlgItemText(hDlg, IDC_BG_LOADED_COUNT, szCount);
    if (bJixProduct)
        FillSetupList(hDlg, IDC_BG_FILE_TYPE, aszFileTypes, 2, bBgJoinPositions);
    else
        FillSetupList(hDlg, IDC_BG_FILE_TYPE, aszFileTypes, 3, bBgJoinPositions);
    if (bJixProduct)
        FillSetupList(hDlg, IDC_BG_DISPLAY_STYLE, aszStylesJix, nBgDisplayType);
    else
        FillSetupList(hDlg, IDC_BG_DISPLAY_STYLE, aszStylesZanth, nBgDisplayType);
    FillSetupList(hDlg, IDC_BG_COORD_TYPE, aszCoordTypes, nBgCoordType);
    FillSetupList(hDlg, IDC_BG_COLUMN_Y, aszColumns, nBgColumnY);
    FillSetupList(hDlg, IDC_BG_COLUMN_X, aszColumns, nBgColumnX);
    FillSetupList(hDlg, IDC_BG_DELIMITER, aszDelimiters, nBgDelimiter);
    if (!bJixProduct) FillSetupList(hDlg, IDC_BG_COLUMN_LABEL, aszColumns, nBgColumnLabel);
    nWorkingFileType = bBgJoinPositions;
    ApplyEnabling(hDlg);
}

void AcceptLoadDialog(HWND hDlg)
{
    bBgJoinPositions = ChosenOr(hDlg, IDC_BG_FILE_TYPE, bBgJoinPositions);
    nBgDisplayType = ChosenOr(hDlg, IDC_BG_DISPLAY_STYLE, nBgDisplayType);
    nBgCoordType = ChosenOr(hDlg, IDC_BG_COORD_TYPE, nBgCoordType);
    nBgColumnY = ChosenOr(hDlg, IDC_BG_COLUMN_Y, nBgColumnY);
    nBgColumnX = ChosenOr(hDlg, IDC_BG_COLUMN_X, nBgColumnX);
    nBgDelimiter = ChosenOr(hDlg, IDC_BG_DELIMITER, nBgDelimiter);
    if (!bJixProduct) nBgColumnLabel = ChosenOr(hDlg, IDC_BG_COLUMN_LABEL, nBgColumnLabel);
    SaveSettingsKeepingConfiguration();
}

}  // namespace

INT_PTR BackgroundFileLoadDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG: InitLoadDialog(hDlg); return TRUE;
    case WM_KEYDOWN: return EndOnCancelKey(hDlg, message, wParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            AcceptLoadDialog(hDlg);
            EndDialog(hDlg, 1);
            return TRUE;
        case IDCANCEL: EndDialog(hDlg, 0); return TRUE;
        case IDC_BG_FILE_TYPE:
            nWorkingFileType = ChosenOr(hDlg, IDC_BG_FILE_TYPE, nWorkingFileType);
            ApplyEnabling(hDlg);
            return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

INT_PTR BackgroundFileRemoveDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    const int nUsed = nBackgroundFileCount < 0 ? 0
                      : (nBackgroundFileCount > nMaxBackgroundFiles ? nMaxBackgroundFiles : nBackgroundFileCount);
    switch (message) {
    case WM_INITDIALOG:
        PlaceDialogOnOwner(hDlg, 10);
        for (int i = 0; i < nMaxBackgroundFiles; i++) {
            abBgRemoveTick[i] = 0;
            SetSetupCheck(hDlg, IDC_BG_REMOVE_TICK_FIRST + i, 0);
        }
        for (int i = 0; i < nUsed; i++) {
            ShowWindow(GetDlgItem(hDlg, IDC_BG_REMOVE_TICK_FIRST + i), SW_SHOW);
            ShowWindow(GetDlgItem(hDlg, IDC_BG_REMOVE_NAME_FIRST + i), SW_SHOW);
            SetDlgItemText(hDlg, IDC_BG_REMOVE_NAME_FIRST + i, aszBackgroundFileName[i]);
        }
        return TRUE;
    case WM_KEYDOWN: return EndOnCancelKey(hDlg, message, wParam);
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_BG_SELECT_ALL:
            for (int i = 0; i < nUsed; i++) SetSetupCheck(hDlg, IDC_BG_REMOVE_TICK_FIRST + i, 1);
            return TRUE;
        case IDOK: {
            int nTicked = 0;
            for (int i = 0; i < nUsed; i++) {
                abBgRemoveTick[i] = GetSetupCheck(hDlg, IDC_BG_REMOVE_TICK_FIRST + i) ? 1 : 0;
                nTicked += abBgRemoveTick[i];
            }
            EndDialog(hDlg, nTicked > 0 ? 1 : 0);
            return TRUE;
        }
        case IDCANCEL: EndDialog(hDlg, 0); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}
