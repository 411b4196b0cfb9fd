// Background file slots: the load sequence (dialog, column checks, open-file dialog, conversion into the slot's
// temporary file, drawing, commit) and the remove sequence (dialog, deletion, closing up, redraw).
#include <cwchar>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/map_view.h"
#include "map/pens.h"

namespace {

const wchar_t kAsciiFilter[] = L"ASCII Files (*.ASC,*.TXT,*.DAT,*.XYZ)\0*.TXT;*.ASC;*.DAT;*.XYZ\0\0";
const wchar_t kDataFilter[] =
    L"Zanth, Faldorinex, Brovy)\0"
    L"*.T61;*.RX2;*.TX2;*.T31;*.TM8;*.T38;*.P61;*.H31;*.382;*.FRX;*.601;*.823;*.38B;*.38D;*.H38;*.N61;*.R61;*.R31;"
    L"*.P38;*.Q38;*.R38;*.R34;*.N38;*.601;*.RGR;*.GXY\0\0";

void RepaintScreen()
{
    if (!hwndLog) return;
    InvalidateRect(hwndLog, nullptr, TRUE);
    UpdateWindow(hwndLog);
}

// The view the operator sees, from the tiles as they are now.
void ShowMapViewAgain()
{
    if (!hwndMap) return;
    if (bMapReviewMode)
        BlitMapView(nBrowseTileCol, nBrowseTileRow, nBrowseTileOffsetX, nBrowseTileOffsetY);
    else
        BlitMapView(nViewTileCol, nViewTileRow, nViewTileOffsetX, nViewTileOffsetY);
}

// The open-file dialog; the chosen drive path in szPath, 0 when cancelled.
int ChooseBackgroundFile(HWND hwnd, const wchar_t *szFilter, wchar_t *szPath, DWORD nPath)
{
    szPath[0] = 0;
    OPENFILENAME ofn = {};
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = szFilter;
    ofn.lpstrFile = szPath;
    ofn.nMaxFile = nPath;
    ofn.lpstrInitialDir = szBackgroundFolder;
    if (!GetOpenFileName(&ofn)) return 0;
    szPath[nPath - 1] = 0;
    return szPath[0] != 0;
}

// The slot's names and the remembered folder from the chosen path.
void NameSlot(int nSlot, const wchar_t *szPath)
{
    BuildBackgroundTempName(szPath, nSlot, aszBackgroundTempFile[nSlot], BACKGROUND_NAME_CHARS);
    CopyBoundedName(aszBackgroundFileName[nSlot], BACKGROUND_NAME_CHARS, BareFileName(szPath));
    const size_t nFolder = (size_t)(BareFileName(szPath) - szPath);
    const size_t nMax = sizeof szBackgroundFolder / sizeof szBackgroundFolder[0];
    if (nFolder > 0 && nFolder < nMax) {
        wmemcpy(szBackgroundFolder, szPath, nFolder);
        szBackgroundFolder[nFolder] = 0;
    }
}

HANDLE OpenSource(const wchar_t *szPath)
{
    return CreateFile(szPath, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// 1 opened and named, -1 cancelled.
int OpenAsciiBackgroundFile(HWND hwnd, int nSlot, HANDLE *phSource)
{
    wchar_t szPath[261];
    *phSource = INVALID_HANDLE_VALUE;
    if (!ChooseBackgroundFile(hwnd, kAsciiFilter, szPath, 261)) return -1;
    *phSource = OpenSource(szPath);
    NameSlot(nSlot, szPath);
    return 1;
}

// 1 opened, recognised and named; 0 not recognised (closed); -1 cancelled.
int OpenDataFileAsBackground(HWND hwnd, int nSlot, HANDLE *phSource, BgSource *pSrc, DataBgInfo *pInfo)
{
    wchar_t szPath[261];
    *phSource = INVALID_HANDLE_VALUE;
    if (!ChooseBackgroundFile(hwnd, kDataFilter, szPath, 261)) return -1;
    HANDLE h = OpenSource(szPath);
    BgSourceFromFile(pSrc, h);
    if (IdentifyDataFileKind(pSrc, pInfo) < 0) {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        return 0;
    }
    *phSource = h;
    NameSlot(nSlot, szPath);
    return 1;
}

void ColumnError(HWND hwnd, const wchar_t *szText)
{
    ShowMessageDialog(hwnd, L"MESSAGEOK", L"COORDINATES ERROR", szText);
}

}  // namespace

int CheckBackgroundColumns(HWND hwnd, int nFileType)
{
    int bOk = 1;
    // The coordinate columns matter for ASCII files only, the label column for files with labels only.
    if (nFileType != 0 && nBgColumnY == nBgColumnX) {
        ColumnError(hwnd, nBgCoordType == 0 ? L"Same column selected for Longitude and Latitude. Please correct."
                                            : L"Same column selected for UTM coordinates. Please correct.");
        bOk = 0;
    }
    if (nFileType == 2 && nBgColumnY == nBgColumnLabel) {
        ColumnError(hwnd, L"Same column selected for Longitude and Label. Please correct.");
        bOk = 0;
    }
    if (nFileType == 2 && nBgColumnX == nBgColumnLabel) {
        ColumnError(hwnd, L"Same column selected for Latitude and Label. Please correct.");
        bOk = 0;
    }
    return bOk;
}

void LoadBackgroundFile(HWND hwnd)
{
    const int nSlot = nBackgroundFileCount;
    if (nSlot < 0 || nSlot >= nMaxBackgroundFiles) return;
    if (DialogBox(hInst, bJixProduct ? L"BACKGROUNDFILELOAD" : L"BACKGROUNDFILELOADZN", hwnd,
                  BackgroundFileLoadDlgProc) != 1)
        return;
    const int nFileType = bBgJoinPositions >= 0 && bBgJoinPositions <= (bJixProduct ? 1 : 2) ? bBgJoinPositions : 0;
    if (!CheckBackgroundColumns(hwnd, nFileType)) return;

    HANDLE hSource = INVALID_HANDLE_VALUE;
    BgSource source;
    DataBgInfo info;
    int nOpened = nFileType == 0 ? OpenDataFileAsBackground(hwnd, nSlot, &hSource, &source, &info)
                                 : OpenAsciiBackgroundFile(hwnd, nSlot, &hSource);
    if (nOpened == -1) return;
    if (nOpened == 0) {
        ShowMessageDialog(hwnd, L"MESSAGEOK", L"FILE ERROR", L"Format not supported");
        return;
    }
    SaveSettingsKeepingConfiguration();

    int nResult = -1;
    {
        TempFolderScope scope;
        // Always a new, empty file: nothing of an older file of the same name comes back.
        HANDLE hTemp = CreateFile(aszBackgroundTempFile[nSlot], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, 0, nullptr);
        BgSink sink;
        BgSinkToFile(&sink, hTemp);
        int nRecords = 0;
        if (nFileType == 0) {
            nRecords = ConvertDataFileRecords(&source, &sink, info, nMapUnits, nUtmZone);
        } else {
            BgSourceFromFile(&source, hSource);
            nRecords = ConvertAsciiLines(&source, &sink, AsciiBgOptionsFromSettings(nFileType));
        }
        if (hSource != INVALID_HANDLE_VALUE) CloseHandle(hSource);

        RepaintScreen();
        const BgStyle style = BackgroundStyle(bJixProduct, nBgDisplayType);
        hpenBackgroundCurrent = BackgroundPen(style.nCurrentPen);
        BgSource temp;
        BgSourceFromFile(&temp, hTemp);
        if (style.bLines)
            nResult = DrawBackgroundLines(hwnd, &temp, nRecords, aszBackgroundFileName[nSlot], nBgDisplayType);
        else
            nResult = DrawBackgroundPoints(hwnd, &temp, nRecords, aszBackgroundFileName[nSlot], nBgDisplayType,
                                           nFileType);
        if (hTemp != INVALID_HANDLE_VALUE) CloseHandle(hTemp);
    }
    if (nResult >= 1) {
        aBgSlotStyle[nSlot] = nBgDisplayType;
        aBgSlotFileType[nSlot] = nFileType;
        nBackgroundFileCount = nSlot + 1;
    } else {
        DeleteBackgroundTempFile(aszBackgroundTempFile[nSlot]);
        aszBackgroundFileName[nSlot][0] = 0;
        aszBackgroundTempFile[nSlot][0] = 0;
    }
    ShowMapViewAgain();
}

void RemoveBackgroundFiles(HWND hwnd)
{
    if (nBackgroundFileCount <= 0) {
        ShowMessageDialog(hwnd, L"MESSAGEOK", L"WARNING", L"No background files to remove");
        return;
    }
    if (DialogBox(hInst, L"BACKGROUNDFILEREMOVE", hwnd, BackgroundFileRemoveDlgProc) != 1) return;
    const int nUsed = nBackgroundFileCount > nMaxBackgroundFiles ? nMaxBackgroundFiles : nBackgroundFileCount;
    int nKept = 0;
    for (int i = 0; i < nUsed; i++) {
        if (abBgRemoveTick[i] == 1) {
            DeleteBackgroundTempFile(aszBackgroundTempFile[i]);
            continue;
        }
        // The slots that stay move to the front in order, all their fields together.
        if (nKept != i) {
            wmemcpy(aszBackgroundFileName[nKept], aszBackgroundFileName[i], BACKGROUND_NAME_CHARS);
            wmemcpy(aszBackgroundTempFile[nKept], aszBackgroundTempFile[i], BACKGROUND_NAME_CHARS);
            aBgSlotStyle[nKept] = aBgSlotStyle[i];
            aBgSlotFileType[nKept] = aBgSlotFileType[i];
        }
        nKept++;
    }
    for (int i = nKept; i < nMaxBackgroundFiles; i++) {
        aszBackgroundFileName[i][0] = 0;
        aszBackgroundTempFile[i][0] = 0;
        aBgSlotStyle[i] = 0;
        aBgSlotFileType[i] = 0;
        abBgRemoveTick[i] = 0;
    }
    nBackgroundFileCount = nKept;
    ClearMapWindow(hwndMap);
    StepBusyIndicator();
    // The base layer again: the grid, and the files that remain drawn on it.
    RebuildMapTiles(0);
    RepaintScreen();
    ShowMapViewAgain();
}
