// Survey-line dialogs used while logging: New Survey Line, New Station and Enter Comment.
#include "dialogs/survey_line_dialogs.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "dialogs/dialog_services.h"
#include "dialogs/setup_frame.h"
#include "displays/displays.h"
#include "logscreen/logscreen.h"
#include "processing/em61mk2_handler.h"

namespace {

const wchar_t *const aszLineSequence[2] = {L"Alternate", L"One Way"};
const wchar_t *const aszLineDirection[4] = {L"West", L"South", L"North", L"East"};

// A number in a field with the format; a value that cannot be shown leaves the field empty.
void SetNumber(HWND hDlg, int nId, const wchar_t *szFormat, double dValue)
{
    wchar_t szText[64];
    const int n = std::isfinite(dValue) ? swprintf(szText, 64, szFormat, dValue) : -1;
    SetDlgItemText(hDlg, nId, n < 0 ? L"" : szText);
}

double ReadNumber(HWND hDlg, int nId, int nMaxChars)
{
    wchar_t szText[64];
    GetDlgItemText(hDlg, nId, szText, nMaxChars + 1 < 64 ? nMaxChars + 1 : 64);
    return TextToDouble(szText);
}

void FillList(HWND hDlg, int nId, const wchar_t *const *aszItems, int nItems, int nChosen)
{
    for (int i = 0; i < nItems; i++) SendDlgItemMessage(hDlg, nId, CB_ADDSTRING, 0, (LPARAM)aszItems[i]);
    SendDlgItemMessage(hDlg, nId, CB_SETCURSEL, (WPARAM)(nChosen >= 0 && nChosen < nItems ? nChosen : 0), 0);
}

// The chosen item, or the old value when nothing is chosen.
int ReadList(HWND hDlg, int nId, int nOld, int nItems)
{
    const LRESULT n = SendDlgItemMessage(hDlg, nId, CB_GETCURSEL, 0, 0);
    return n >= 0 && n < nItems ? (int)n : nOld;
}

void InitNewLine(HWND hDlg)
{
    SetDlgItemText(hDlg, 1182, szSurveyLine);
    SetNumber(hDlg, 1184, L"%.3f", dStation);
    SetNumber(hDlg, 1106, L"%.2f", TextToDouble(szSurveyLine) + dLineIncrement);
    SetNumber(hDlg, 1107, L"%.2f", dLineIncrement);
    const int bOneWay = nLineMode == 1;
    FillList(hDlg, 1178, aszLineSequence, 2, nLineMode);
    const int nDirection = nLineDirection >= 0 && nLineDirection <= 3 ? nLineDirection : 0;
    FillList(hDlg, 1180, aszLineDirection, 4, bOneWay ? nDirection : 3 - nDirection);
    SetNumber(hDlg, 1108, L"%.3f", bOneWay ? dStartStation : dStation);
    SetNumber(hDlg, 1109, L"%.3f", bOneWay ? dStationIncrement : -dStationIncrement);
}

void AcceptNewLine(HWND hDlg)
{
    bStationStarted = 0;
    // The new name: its first 12 characters.
    wchar_t szName[64];
    GetDlgItemText(hDlg, 1106, szName, 64);
    szName[12] = 0;
    wcsncpy(szSurveyLine, szName, sizeof szSurveyLine / sizeof szSurveyLine[0] - 1);
    szSurveyLine[sizeof szSurveyLine / sizeof szSurveyLine[0] - 1] = 0;
    dLineIncrement = ReadNumber(hDlg, 1107, 31);
    nLineMode = ReadList(hDlg, 1178, nLineMode, 2);
    nLineDirection = ReadList(hDlg, 1180, nLineDirection, 4);
    dStartStation = dStation = ReadNumber(hDlg, 1108, 31);
    dStationIncrement = ReadNumber(hDlg, 1109, 31);
    SaveSettingsKeepingConfiguration();
}

void InitNewStation(HWND hDlg)
{
    SetDlgItemText(hDlg, 1186, szSurveyLine);
    SetNumber(hDlg, 1187, L"%.3f", dStartStation);
    SetNumber(hDlg, 1189, L"%.3f", dStation);
    SetDlgItemText(hDlg, 1188, L"");
}

void AcceptNewStation(HWND hDlg)
{
    bStationStarted = 0;
    dStation = ReadNumber(hDlg, 1188, 15);
    for (int i = 0; i < 4; i++) abCurveHasPrev[i] = 0;
    WriteStationRecord();
    WriteTimeRecord();
    SaveSettingsKeepingConfiguration();
}

void InitComment(HWND hDlg)
{
    PlaceDialogOnOwner(hDlg, 6);
    SetDlgItemText(hDlg, 1190, L"");
}

void AcceptComment(HWND hDlg)
{
    wchar_t szComment[32];
    GetDlgItemText(hDlg, 1190, szComment, 32);
    WriteTaggedRecord(szComment, 'C');
}

}  // namespace

INT_PTR GetNewLineDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    // "C" ends New Survey Line like Cancel; a "c" typed into one of its edits stays in the edit.
    if (EndSetupDialogOnCancelKey(hDlg, message, wParam)) return TRUE;
    return OkCancelDialog(hDlg, message, wParam, InitNewLine, AcceptNewLine);
}

INT_PTR NewStationDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, InitNewStation, AcceptNewStation);
}

INT_PTR CommentDlgProc(HWND hDlg, UINT message, WPARAM wParam, LPARAM)
{
    return OkCancelDialog(hDlg, message, wParam, InitComment, AcceptComment);
}
