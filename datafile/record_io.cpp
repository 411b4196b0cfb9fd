// Data file handle: opening, closing, record building, whole-record writes, flush, failure report, put-back, scans.
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "core/core.h"
#include "datafile/datafile.h"

std::atomic<HANDLE> hDataFile{INVALID_HANDLE_VALUE};
wchar_t szDataFilePath[261];
char szDataFileName[264];
int bLongFileName = 0;
char szFileNameTail[16];
std::atomic<int> bDataFileWriteFailed{0};

// Serialises every write with the closing of the handle, so that a reader thread never writes to a handle that is
// being closed. Scans (user-interface thread, like the closing) do not take it.
static std::mutex g_dataFileLock;
// 1 once the failure of the open file has been reported (again 0 when a file is opened or recording starts).
static std::atomic<int> g_bFailureReported{0};
// The size a write that failed part way could not be cut back to (-1: none); under g_dataFileLock. Nothing is
// written after a part record: the cut is tried again before the next write, which fails while it fails.
static int64_t g_nCutBackTo = -1;
// 1 once a writer found the open file deleted and asked the user-interface thread to put it back.
static std::atomic<int> g_bLossPosted{0};
// Hidden window of the data file that shows the failure box on the user-interface thread.
static HWND g_hwndNotice = nullptr;

static const wchar_t kFileErrorText[] = L"Cannot write to the data file.\r\nCheck the card or disk.\r\nRecording is paused.";
static const wchar_t kPutBackText[] =
    L"The data file was deleted from the disk.\r\nIt has been written back in its place;\r\nnothing was lost.";
static const wchar_t kNotPutBackText[] =
    L"The data file was deleted from the disk\r\nand cannot be written back.\r\nRecording is paused.";

// Posted to the notice window by a writer that found the open file deleted.
#define WM_DATAFILE_LOST (WM_USER + 41)

int DataRecordBytes()
{
    int L = nDataRecordLength;
    if (L < 2) L = 2;
    if (L > DATA_RECORD_MAX) L = DATA_RECORD_MAX;
    return L;
}

static int NewlineIndex()
{
    int L = DataRecordBytes();
    int nl = nDataRecordNewline;
    if (nl < 0 || nl >= L) nl = L - 1;
    return nl;
}

int OpenDataFileHandle()
{
    CloseDataFile();
    HANDLE h = CreateFile(szDataFilePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return 0;
    {
        std::lock_guard<std::mutex> g(g_dataFileLock);
        hDataFile = h;
        bDataFileWriteFailed = 0;
        g_bFailureReported = 0;
        g_nCutBackTo = -1;
        g_bLossPosted = 0;
    }
    return 1;
}

void CloseDataFile()
{
    HANDLE h;
    {
        std::lock_guard<std::mutex> g(g_dataFileLock);
        h = hDataFile.exchange(INVALID_HANDLE_VALUE);
    }
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
}

static void ShowFileErrorBox(const wchar_t *szText = kFileErrorText)
{
    HWND owner = hwndLog ? hwndLog : hwndMain;
    ShowMessageDialog(owner, L"MESSAGEOK", L"FILE ERROR", szText);
    if (hwndLog) PostMessage(hwndLog, WM_DATAFILE_ERROR, 0, 0);
}

static LRESULT DataFileNoticeWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_DATAFILE_ERROR) {
        ShowFileErrorBox();
        return 0;
    }
    if (msg == WM_DATAFILE_LOST) {
        CheckDataFileAtPath();
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

void CreateDataFileNoticeWindow()
{
    if (g_hwndNotice && IsWindow(g_hwndNotice)) return;
    static int bRegistered = 0;
    if (!bRegistered) {
        WNDCLASS wc = {};
        wc.lpfnWndProc = DataFileNoticeWndProc;
        wc.hInstance = hInst;
        wc.lpszClassName = L"DataFileNoticeWnd";
        bRegistered = RegisterClass(&wc) ? 1 : 0;
        if (!bRegistered) return;
    }
    g_hwndNotice = CreateWindow(L"DataFileNoticeWnd", L"", WS_POPUP, 0, 0, 1, 1, nullptr, 0, hInst, nullptr);
}

void ReportDataFileError()
{
    bDataFileWriteFailed = 1;
    int expected = 0;
    if (!g_bFailureReported.compare_exchange_strong(expected, 1)) return;
    if (IsUserInterfaceThread()) {
        ShowFileErrorBox();
    } else if (g_hwndNotice) {
        PostMessage(g_hwndNotice, WM_DATAFILE_ERROR, 0, 0);
    } else if (hwndLog) {
        // Without the notice window the session's own window learns of it; it shows nothing itself.
        PostMessage(hwndLog, WM_DATAFILE_ERROR, 0, 0);
    }
}

void BeginDataFileRun()
{
    bDataFileWriteFailed = 0;
    g_bFailureReported = 0;
}

int FlushDataFile()
{
    std::unique_lock<std::mutex> g(g_dataFileLock);
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return 0;
    BOOL ok = FlushFileBuffers(h);
    g.unlock();
    if (!ok || bDataFileWriteFailed) {
        ReportDataFileError();
        return 0;
    }
    return 1;
}

int WriteDataRecords(const char *pRecords, int nCount)
{
    if (nCount <= 0) return 0;
    DWORD len = (DWORD)nCount * (DWORD)DataRecordBytes();
    std::unique_lock<std::mutex> g(g_dataFileLock);
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return 0;
    bool ok = true;
    if (g_nCutBackTo >= 0) {
        if (SetEndOfFileAt(h, g_nCutBackTo))
            g_nCutBackTo = -1;
        else
            ok = false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    if (ok) ok = GetFileInformationByHandle(h, &info) != 0;
    if (ok) {
        DWORD written = 0;
        ok = WriteFile(h, pRecords, len, &written, nullptr) && written == len;
        // A write that failed part way (a full disk) is cut back to the file's size before it, the last whole
        // record, so that nothing written later is shifted.
        const int64_t nBefore = ((int64_t)info.nFileSizeHigh << 32) | info.nFileSizeLow;
        if (!ok && written > 0 && !SetEndOfFileAt(h, nBefore)) g_nCutBackTo = nBefore;
        // A file deleted while open is put back by the user-interface thread (its bytes are still all here).
        if (info.nNumberOfLinks == 0 && g_hwndNotice && !g_bLossPosted.exchange(1))
            PostMessage(g_hwndNotice, WM_DATAFILE_LOST, 0, 0);
    }
    g.unlock();
    if (!ok) {
        ReportDataFileError();
        return 0;
    }
    return 1;
}

// Makes every folder of a drive path (C:\a\b\name: C:, C:\a, C:\a\b) that is missing.
static void MakeFoldersOf(const wchar_t *szPath)
{
    wchar_t szFolder[261];
    for (size_t i = 1; i < 261 && szPath[i]; i++) {
        if (szPath[i] != L'\\') continue;
        wmemcpy(szFolder, szPath, i);
        szFolder[i] = 0;
        CreateDirectory(szFolder, nullptr);
    }
}

// Writes every byte of the deleted open file hOld into a new file at szDataFilePath (its folders made again) and
// returns the new file's handle with hOld's read offset; INVALID_HANDLE_VALUE (nothing left behind) when it fails.
static HANDLE PutBackDataFile(HANDLE hOld)
{
    MakeFoldersOf(szDataFilePath);
    HANDLE hNew = CreateFile(szDataFilePath, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (hNew == INVALID_HANDLE_VALUE) return INVALID_HANDLE_VALUE;
    int64_t nReadAt = 0;
    bool ok = SetFilePointerEx(hOld, 0, &nReadAt, FILE_CURRENT) && SetFilePointerEx(hOld, 0, nullptr, FILE_BEGIN);
    std::vector<char> buffer(65536);
    while (ok) {
        DWORD got = 0, put = 0;
        if (!ReadFile(hOld, buffer.data(), (DWORD)buffer.size(), &got, nullptr)) ok = false;
        if (!ok || got == 0) break;
        ok = WriteFile(hNew, buffer.data(), got, &put, nullptr) && put == got;
    }
    int64_t nOldSize = -1, nNewSize = -2;
    ok = ok && GetFileSizeEx(hOld, &nOldSize) && GetFileSizeEx(hNew, &nNewSize) && nOldSize == nNewSize &&
         FlushFileBuffers(hNew);
    SetFilePointerEx(hOld, nReadAt, nullptr, FILE_BEGIN);
    if (!ok) {
        CloseHandle(hNew);
        DeleteFile(szDataFilePath);
        return INVALID_HANDLE_VALUE;
    }
    SetFilePointerEx(hNew, nReadAt, nullptr, FILE_BEGIN);
    return hNew;
}

int CheckDataFileAtPath()
{
    std::unique_lock<std::mutex> g(g_dataFileLock);
    HANDLE hOld = hDataFile;
    BY_HANDLE_FILE_INFORMATION info;
    // Open under its name (renamed or not): it goes on as it is.
    if (hOld == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(hOld, &info) || info.nNumberOfLinks > 0) return 1;
    HANDLE hNew = PutBackDataFile(hOld);
    if (hNew != INVALID_HANDLE_VALUE) {
        hDataFile = hNew;
        g_bLossPosted = 0;
        g.unlock();
        CloseHandle(hOld);
        ShowMessageDialog(hwndLog ? hwndLog : hwndMain, L"MESSAGEOK", L"WARNING", kPutBackText);
        return 1;
    }
    g.unlock();
    // Told once per recording run, like a failed write; the session drops to stand-by.
    bDataFileWriteFailed = 1;
    int expected = 0;
    if (g_bFailureReported.compare_exchange_strong(expected, 1)) ShowFileErrorBox(kNotPutBackText);
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Record building
// ---------------------------------------------------------------------------------------------------------------
void BeginRecord(char *szRecord, char fill)
{
    int L = DataRecordBytes();
    memset(szRecord, fill, (size_t)L);
    szRecord[NewlineIndex()] = '\n';
    // Bytes after the line feed (a record length above the newline index + 1) stay filled.
}

void PutRecordText(char *szRecord, int nIndex, int nWidth, const char *szText)
{
    int nl = NewlineIndex();
    if (nIndex < 0 || nWidth <= 0 || !szText) return;
    for (int i = 0; i < nWidth && szText[i] != 0; i++) {
        int pos = nIndex + i;
        if (pos >= nl) break;
        szRecord[pos] = szText[i];
    }
}

void PutRecordField(char *szRecord, int nIndex, int nWidth, const char *szFormat, ...)
{
    char szText[128];
    va_list ap;
    va_start(ap, szFormat);
    int n = vsnprintf(szText, sizeof szText, szFormat, ap);
    va_end(ap);
    // A text that could not be formatted leaves the field as it was.
    if (n < 0) return;
    PutRecordText(szRecord, nIndex, nWidth, szText);
}

void PutRecordDigit(char *szRecord, int nIndex, int nValue, int nBlankBelow0)
{
    if (nBlankBelow0 && nValue < 0) {
        PutRecordText(szRecord, nIndex, 1, " ");
        return;
    }
    char szDigit[16];
    int n = snprintf(szDigit, sizeof szDigit, "%1d", nValue);
    if (n > 0 && n < (int)sizeof szDigit) PutRecordText(szRecord, nIndex, 1, szDigit);
}

void PutRecordTick(char *szRecord, DWORD dwTick)
{
    PutRecordField(szRecord, NewlineIndex() - 10, 10, "%10lu", (unsigned long)dwTick);
}

// ---------------------------------------------------------------------------------------------------------------
// Reading back
// ---------------------------------------------------------------------------------------------------------------
int ReadDataRecord(char *szRecord)
{
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return 0;
    DWORD L = (DWORD)DataRecordBytes();
    DWORD got = 0;
    if (!ReadFile(h, szRecord, L, &got, nullptr)) return 0;
    if (got < L) {
        szRecord[got] = 0;
        return 0;
    }
    szRecord[NewlineIndex()] = 0;
    return 1;
}

int ReadMapPointValue(const char *szRecord, double *pdValue)
{
    const int nFirst = 2, nWidth = 14, nl = NewlineIndex();
    if (!szRecord || nl < nFirst + nWidth) return 0;
    // Leading blanks, a sign, digits with at most one point, and nothing but blanks after the number: first to the
    // end of the field, then up to the line feed. The digits are gathered on the way as one whole number with its
    // count of decimals.
    int i = nFirst;
    const int nEnd = nFirst + nWidth;
    while (i < nEnd && szRecord[i] == ' ') ++i;
    const int nStart = i;
    if (i < nEnd && (szRecord[i] == '+' || szRecord[i] == '-')) ++i;
    int nDigits = 0, nDecimals = 0;
    bool bPoint = false;
    long long nWhole = 0;
    for (; i < nEnd; ++i) {
        const unsigned nDigit = (unsigned)(unsigned char)szRecord[i] - '0';
        if (nDigit <= 9) {
            if (++nDigits <= 15) {
                nWhole = nWhole * 10 + nDigit;
                nDecimals += bPoint;
            }
        } else if (szRecord[i] == '.' && !bPoint) {
            bPoint = true;
        } else {
            break;
        }
    }
    if (nDigits == 0) return 0;
    const int nStop = i;
    static const std::array<char, DATA_RECORD_MAX> achBlanks = [] {
        std::array<char, DATA_RECORD_MAX> a;
        a.fill(' ');
        return a;
    }();
    if (nl > nStop && memcmp(szRecord + nStop, achBlanks.data(), (size_t)(nl - nStop)) != 0) return 0;
    if (!pdValue) return 1;
    // With at most 15 digits the whole number is exact in a double, and so is a power of ten up to 10^22, so one
    // division rounds as the text conversion does and gives the same value bit for bit. The field holds at most 14
    // characters; longer numbers go the slow way.
    if (nDigits <= 15) {
        static const double adPowerOfTen[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
        double d = (double)nWhole / adPowerOfTen[nDecimals];
        *pdValue = szRecord[nStart] == '-' ? -d : d;
        return 1;
    }
    char szNumber[16];
    memcpy(szNumber, szRecord + nStart, (size_t)(nStop - nStart));
    szNumber[nStop - nStart] = 0;
    *pdValue = TextToDouble(szNumber);
    return 1;
}

void BeginDataFileScan(DataFileScan *pScan)
{
    pScan->nFill = 0;
    pScan->nPos = 0;
    pScan->bEnd = 0;
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE || SetFilePointer(h, 0, nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER)
        pScan->bEnd = 1;
}

int NextScanRecord(DataFileScan *pScan, char *szRecord)
{
    DWORD L = (DWORD)DataRecordBytes();
    while (pScan->nFill - pScan->nPos < L) {
        if (pScan->bEnd) return 0;
        // Keep the part record, refill behind it.
        DWORD rest = pScan->nFill - pScan->nPos;
        memmove(pScan->achBuffer, pScan->achBuffer + pScan->nPos, rest);
        pScan->nFill = rest;
        pScan->nPos = 0;
        DWORD room = (DWORD)sizeof pScan->achBuffer - rest;
        room -= room % L;
        DWORD got = 0;
        HANDLE h = hDataFile;
        if (h == INVALID_HANDLE_VALUE || !ReadFile(h, pScan->achBuffer + rest, room, &got, nullptr) || got == 0) {
            pScan->bEnd = 1;
            return 0;
        }
        pScan->nFill += got;
    }
    memcpy(szRecord, pScan->achBuffer + pScan->nPos, L);
    szRecord[NewlineIndex()] = 0;
    pScan->nPos += L;
    return 1;
}
