// Data-file naming and creation: the proposed name, the save-file chooser, the origin test and the completion of a
// new or appended file.
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"

void CreateDataFileNoticeWindow();  // record_io.cpp

// Per instrument: extensions and chooser filters of both lines, bytes read for the origin test, origin tag and
// the notice shown when the origin test fails.
struct DataFileKind {
    int nType;
    const wchar_t *szZanthExt;
    const wchar_t *szZanthFilter;  // display text; nullptr: no filter
    const wchar_t *szJixExt;
    const wchar_t *szJixFilter;
    int nOriginBytes;
    const char *szOriginTag;
    const wchar_t *szZanthNotice;
    const wchar_t *szJixNotice;
};

static const DataFileKind kDataFileKinds[] = {
    {INSTRUMENT_EM31MK2, L"T31", L"ZNT31 Files (*.T31)", L"H31", L"Jix31 Files (*.H31)", 5, "ZNT31",
     L"File not from Zanth31 program", L"File not from Jix31 program"},
    {INSTRUMENT_EM38, L"T38", nullptr, L"H38", nullptr, 5, "ZNT38", L"File not from Zanth38 program",
     L"File not from Jix38 program"},
    {INSTRUMENT_EM34, L"T34", L"ZNT34-3 Files (*.T34)", L"H34", L"Jix34-3 Files (*.H34)", 7, "ZNT343",
     L"File not from Zanth34-3 program", L"File not from Jix34-3 program"},
    {INSTRUMENT_EM38MK2, L"TM8", L"ZNT38MK2 Files (*.TM8)", L"382", L"Jix38MK2 Files (*.382)", 8, "ZNT38MK2",
     L"File not from Zanth38MK2 program", L"File not from Jix38MK2 program"},
    {INSTRUMENT_EM384, L"38A", L"ZNT38-4 Files (*.38A)", L"38N", L"Jix38-4 Files (*.38N)", 6, "ZNT384",
     L"File not from Zanth38-4 program", L"File not from Jix38-4 program"},
    {INSTRUMENT_CS21, L"R21", L"ZNTCS21 Files (*.R21)", L"D21", L"JixCS21 Files (*.D21)", 7, "ZNTCS21",
     L"File not from ZanthCS-21 program", L"File not from JixCS-21 program"},
    {INSTRUMENT_GRAD601, L"RGR", L"ZNT601 Files (*.RGR)", L"601", L"Jix601 Files (*.601)", 6, "ZNT601",
     L"File not from Zanth601 program", L"File not from Jix601 program"},
    {INSTRUMENT_EM61LX2, L"RX2", L"ZNT61LX2 Files (*.RX2)", L"TX2", L"Jix61LX2 Files (*.TX2)", 6, "ZNTLX",
     L"File not from Zanth61LX2 program", L"File not from Jix61LX2 program"},
    {INSTRUMENT_EM61MK2, L"T61", L"ZNT61MK2 Files (*.T61)", L"P61", L"Jix61MK2 Files (*.P61)", 6, "ZNTMK2",
     L"File not from Zanth61MK2 program", L"File not from Jix61MK2 program"},
};

static const DataFileKind *CurrentKind()
{
    for (const DataFileKind &k : kDataFileKinds)
        if (k.nType == nInstrumentType) return &k;
    return &kDataFileKinds[8];
}

const wchar_t *DataFileExtension()
{
    if (bInstrumentEnabled == 0) return L"GXY";
    const DataFileKind *k = CurrentKind();
    return bJixProduct ? k->szJixExt : k->szZanthExt;
}

// The chooser's filter: display text, NUL, "*.EXT", NUL, NUL; empty for a build without one.
static void MakeFilter(wchar_t *szFilter, size_t nSize)
{
    const DataFileKind *k = CurrentKind();
    const wchar_t *display = bInstrumentEnabled == 0 ? L"ZNTGXY Files (*.GXY)"
                                                     : (bJixProduct ? k->szJixFilter : k->szZanthFilter);
    memset(szFilter, 0, nSize * sizeof(wchar_t));
    if (!display) return;
    size_t n1 = wcslen(display);
    const wchar_t *ext = DataFileExtension();
    if (n1 + 1 + 2 + wcslen(ext) + 2 > nSize) return;
    wcscpy(szFilter, display);
    swprintf(szFilter + n1 + 1, nSize - n1 - 1, L"*.%ls", ext);
}

// The shared save-file record.
static OPENFILENAME g_ofnDataFile;
static wchar_t g_szChooserFile[261];
static wchar_t g_szChooserFilter[128];

void InitOpenFileRecord(HWND hwndOwner)
{
    memset(&g_ofnDataFile, 0, sizeof g_ofnDataFile);
    g_ofnDataFile.hwndOwner = hwndOwner;
    g_ofnDataFile.lpstrFile = g_szChooserFile;
    g_ofnDataFile.nMaxFile = 260;
    g_ofnDataFile.lpstrTitle = L"Create Data File";
    CreateDataFileNoticeWindow();
}

// The folder with a trailing backslash.
static void FolderWithBackslash(wchar_t *szFolder, size_t nSize)
{
    size_t n = wcslen(szFolder);
    if (n > 0 && szFolder[n - 1] != L'\\' && n + 1 < nSize) {
        szFolder[n] = L'\\';
        szFolder[n + 1] = 0;
    }
}

void MakeDefaultDataFileName(HWND, wchar_t *szName)
{
    CreateDirectory(szDataFolder, nullptr);
    SetCurrentDirectory(szDataFolder);
    wchar_t szFolder[261];
    wcsncpy(szFolder, szDataFolder, 260);
    szFolder[260] = 0;
    FolderWithBackslash(szFolder, 261);

    SYSTEMTIME st;
    GetLocalTime(&st);
    wchar_t szBase[16];
    swprintf(szBase, 16, L"%02d%02d%02d_", st.wYear % 100, st.wMonth % 100, st.wDay % 100);
    const wchar_t *ext = bInstrumentEnabled == 0 ? L"gxy" : DataFileExtension();
    wchar_t szCandidate[40];
    for (int n = 0; n < 1000; n++) {
        swprintf(szCandidate, 40, L"%ls%03d.%ls", szBase, n, ext);
        wchar_t szPath[400];
        swprintf(szPath, 400, L"%ls%ls", szFolder, szCandidate);
        if (!FileExistsIgnoreCase(szPath)) {
            swprintf(szName, 260, L"%ls%03d", szBase, n);
            return;
        }
    }
    swprintf(szName, 260, L"%ls", szCandidate);
}

// The name between the last backslash and the first dot after it, as low bytes.
static void TakeFileName(const wchar_t *szPath)
{
    const wchar_t *start = wcsrchr(szPath, L'\\');
    start = start ? start + 1 : szPath;
    wchar_t szName[264];
    size_t n = 0;
    while (start[n] && start[n] != L'.' && n < 263) {
        szName[n] = start[n];
        n++;
    }
    szName[n] = 0;
    WideToNarrowLowByte(szName, szDataFileName, sizeof szDataFileName);
}

static HWND MessageOwner(HWND hwndOwner) { return hwndOwner ? hwndOwner : (hwndLog ? hwndLog : hwndMain); }

// Header block, line block, time record and the flush that makes them durable, then the settings save.
static int WriteOpeningBlock(int bAppended)
{
    int ok = WriteDataFileHeader(bAppended) && WriteLineHeader() && WriteTimeRecord();
    if (ok) ok = FlushDataFile();
    LoadSaveSettingsFile(1);
    return ok;
}

int CreateDataFileDialog(HWND hwndOwner)
{
    int result;
    wchar_t szPath[261];
    bDataFileWriteFailed = 0;
    for (;;) {
        MakeDefaultDataFileName(hwndOwner, g_szChooserFile);
        MakeFilter(g_szChooserFilter, 128);
        OPENFILENAME ofn = g_ofnDataFile;
        ofn.hwndOwner = hwndOwner;
        ofn.lpstrFile = g_szChooserFile;
        ofn.nMaxFile = 260;
        ofn.lpstrFilter = g_szChooserFilter[0] ? g_szChooserFilter : nullptr;
        ofn.lpstrInitialDir = szDataFolder;
        ofn.lpstrTitle = L"Create Data File";
        ofn.lpstrDefExt = DataFileExtension();
        ofn.Flags = 0;
        if (!GetSaveFileName(&ofn)) return -1;
        wcsncpy(szPath, g_szChooserFile, 260);
        szPath[260] = 0;
        TakeFileName(szPath);
        if (!FileExistsIgnoreCase(szPath)) {
            result = 0;
            break;
        }
        if (!bJixProduct) {
            result = 1;
            break;
        }
        ShowMessageDialog(MessageOwner(hwndOwner), L"MESSAGEOK", L"WARNING",
                          L"The file already exisits. Please enter another name");
    }

    wcscpy(szDataFilePath, szPath);
    if (!OpenDataFileHandle()) {
        // Nothing can be written: told once, the session stays in monitoring.
        ReportDataFileError();
        return -1;
    }

    if (result == 1) {
        // A file cut inside a record is left exactly as it is.
        int64_t size = 0;
        if (!GetFileSizeEx(hDataFile, &size) || size % DataRecordBytes() != 0) {
            CloseDataFile();
            ShowMessageDialog(MessageOwner(hwndOwner), L"MESSAGEOK", L"WARNING",
                              L"Data file length does not fit\r\nits record length.\r\nFile was not changed.");
            return -1;
        }
        const DataFileKind *k = CurrentKind();
        char achStart[16];
        DWORD got = 0;
        SetFilePointer(hDataFile, 0, nullptr, FILE_BEGIN);
        if (ReadFile(hDataFile, achStart, (DWORD)k->nOriginBytes, &got, nullptr) && got == (DWORD)k->nOriginBytes) {
            SetFilePointer(hDataFile, 0, nullptr, FILE_BEGIN);
            achStart[got] = 0;
            size_t tagLen = strlen(k->szOriginTag);
            bool found = false;
            for (size_t i = 0; i + tagLen <= got; i++)
                if (memcmp(achStart + i, k->szOriginTag, tagLen) == 0) found = true;
            if (!found) result = -1;
        } else {
            SetFilePointer(hDataFile, 0, nullptr, FILE_BEGIN);
        }
    }

    // The folder of the chosen file becomes the data folder.
    const wchar_t *slash = wcsrchr(szPath, L'\\');
    if (slash) {
        size_t n = (size_t)(slash - szPath) + 1;
        if (n < 261) {
            wcsncpy(szDataFolder, szPath, n);
            szDataFolder[n] = 0;
        }
    }

    if (result != 1) {
        if (!WriteOpeningBlock(result)) {
            CloseDataFile();
            return result;
        }
        nRecordingState = -1;
    }
    return result;
}

int CompleteDataFileOpen(HWND hwndOwner, int nDialogResult)
{
    HWND owner = MessageOwner(hwndOwner);
    if (hDataFile.load() == INVALID_HANDLE_VALUE)
        return bDataFileWriteFailed ? DATAFILE_WRITE_FAILED : DATAFILE_NOT_OPEN;

    if (nDialogResult == -1) {
        const DataFileKind *k = CurrentKind();
        ShowMessageDialog(owner, L"MESSAGEOK", L"INFORMATION", bJixProduct ? k->szJixNotice : k->szZanthNotice);
        return DATAFILE_TAKEN_OVER;
    }
    if (nDialogResult == 0) {
        if (bInstrumentEnabled == 0) {
            dGpsOffsetX = dGpsOffsetY = 0.0;
            nColorMapView = 0;
        }
        return DATAFILE_NEW;
    }

    // An existing file chosen for appending: the checks run before anything is written.
    if (CheckAppendFileForInstrument(owner) != 0) {
        CloseDataFile();
        return DATAFILE_NOT_OPEN;
    }
    if (bGpsEnabled == 1 && CheckDataFileFitsMap(owner) == 0) {
        CloseDataFile();
        return DATAFILE_NOT_OPEN;
    }
    if (bInstrumentEnabled == 0) {
        dGpsOffsetX = dGpsOffsetY = 0.0;
        nColorMapView = 0;
    }
    if (!WriteOpeningBlock(1)) {
        CloseDataFile();
        return DATAFILE_WRITE_FAILED;
    }
    return DATAFILE_APPENDED;
}
