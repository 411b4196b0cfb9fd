// Background temporary files: the temporary folder scope, the temporary-name rule, the 38-byte records and the
// block reader and writer the converters and the drawing use.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"

const int nBackgroundRecordLen = BG_RECORD_LEN;
const double dBackgroundPenUp = -99999.0;

namespace {

enum { kBlockBytes = 65536 };

int SameNameIgnoringCase(const wchar_t *a, const wchar_t *b)
{
    for (; *a && *b; a++, b++)
        if (towupper(*a) != towupper(*b)) return 0;
    return *a == *b;
}

// A coordinate field of a record: the number as TextToDouble reads it. A field of blanks, a sign, at most 15
// digits and a point (what the records are written with) is read here exactly: its digits as a whole number, exact in
// a double, divided by an exact power of ten give the nearest double to the decimal value, as the library's reading
// does. Any other field is left to TextToDouble.
double RecordField(const char *pField)
{
    static const double adPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const int kWidth = 14;
    int i = 0;
    while (i < kWidth && pField[i] == ' ') i++;
    const bool bNegative = i < kWidth && pField[i] == '-';
    if (i < kWidth && (pField[i] == '-' || pField[i] == '+')) i++;
    long long nDigits = 0;
    int nCount = 0, nDecimals = -1;
    for (; i < kWidth; i++) {
        const char c = pField[i];
        if (c >= '0' && c <= '9') {
            nDigits = nDigits * 10 + (c - '0');
            nCount++;
            if (nDecimals >= 0) nDecimals++;
        } else if (c == '.' && nDecimals < 0) {
            nDecimals = 0;
        } else {
            break;
        }
    }
    if (i < kWidth || nCount == 0 || nCount > 15) {
        char szField[kWidth + 1];
        memcpy(szField, pField, kWidth);
        szField[kWidth] = 0;
        return TextToDouble(szField);
    }
    const double d = (double)nDigits / adPowers[nDecimals > 0 ? nDecimals : 0];
    return bNegative ? -d : d;
}

}  // namespace

TempFolderScope::TempFolderScope()
{
    DWORD n = GetCurrentDirectory((DWORD)(sizeof szSaved / sizeof szSaved[0]), szSaved);
    bSaved = n > 0 && n < sizeof szSaved / sizeof szSaved[0];
    SetCurrentDirectory(szTempFolder);
}

TempFolderScope::~TempFolderScope()
{
    if (bSaved) SetCurrentDirectory(szSaved);
}

const wchar_t *BareFileName(const wchar_t *szPath)
{
    if (!szPath) return L"";
    const wchar_t *p = szPath;
    for (const wchar_t *q = szPath; *q; q++)
        if (*q == L'\\' || *q == L'/') p = q + 1;
    return p;
}

void CopyBoundedName(wchar_t *szOut, size_t nOut, const wchar_t *szIn)
{
    if (!szOut || nOut == 0) return;
    size_t i = 0;
    if (szIn)
        for (; i + 1 < nOut && szIn[i]; i++) szOut[i] = szIn[i];
    szOut[i] = 0;
}

int BuildBackgroundTempName(const wchar_t *szChosen, int nSlot, wchar_t *szOut, size_t nOut)
{
    if (!szOut || nOut == 0) return 0;
    szOut[0] = 0;
    if (nOut > BACKGROUND_NAME_CHARS) nOut = BACKGROUND_NAME_CHARS;
    if (nOut < 5) return 0;
    // The stem: the bare name without its fourth-last character, then "."; cut so that "$nn" still fits.
    const wchar_t *szName = BareFileName(szChosen);
    size_t nLen = wcslen(szName);
    wchar_t szStem[BACKGROUND_NAME_CHARS];
    size_t nStemMax = nOut - 5;  // room for ".", "$", two digits and the end
    size_t k = 0;
    for (size_t i = 0; i < nLen && k < nStemMax; i++) {
        if (nLen >= 4 && i == nLen - 4) continue;
        wchar_t c = szName[i];
        // A drive letter or a separator inside a name would send the file elsewhere.
        if (c == L':' || c == L'\\' || c == L'/') c = L'_';
        szStem[k++] = c;
    }
    szStem[k++] = L'.';
    szStem[k] = 0;
    int nUsed = nBackgroundFileCount < 0 ? 0 : (nBackgroundFileCount > nMaxBackgroundFiles ? nMaxBackgroundFiles
                                                                                          : nBackgroundFileCount);
    int nStart = nSlot >= 0 && nSlot < 100 ? nSlot : 0;
    for (int t = 0; t < 100; t++) {
        int nNumber = (nStart + t) % 100;
        wchar_t szTry[BACKGROUND_NAME_CHARS + 8];
        if (swprintf(szTry, sizeof szTry / sizeof szTry[0], L"%ls$%02d", szStem, nNumber) < 0) return 0;
        int bHeld = 0;
        for (int i = 0; i < nUsed && !bHeld; i++) bHeld = SameNameIgnoringCase(aszBackgroundTempFile[i], szTry);
        if (!bHeld) {
            CopyBoundedName(szOut, nOut, szTry);
            return 1;
        }
    }
    return 0;
}

int FormatBackgroundRecord(char *pOut, double x, double y, int nLabelLength, const char *szLabel)
{
    pOut[0] = 0;
    if (!std::isfinite(x) || !std::isfinite(y)) return 0;
    if (std::fabs(x) >= 1e10 || std::fabs(y) >= 1e10) return 0;
    char szLabel5[BG_LABEL_CHARS + 1] = "     ";
    int n = 0;
    if (szLabel)
        for (; n < BG_LABEL_CHARS && n < nLabelLength && szLabel[n]; n++) szLabel5[n] = szLabel[n];
    char szRec[80];
    int nWritten = snprintf(szRec, sizeof szRec, "%14.3f,%14.3f,%1d,%s", x, y, n, szLabel5);
    // A value that needs more than its 14 characters would shift every field after it.
    if (nWritten != BG_RECORD_LEN - 1 || szRec[14] != ',' || szRec[29] != ',') return 0;
    memcpy(pOut, szRec, BG_RECORD_LEN - 1);
    pOut[BG_RECORD_LEN - 1] = '\n';
    pOut[BG_RECORD_LEN] = 0;
    return 1;
}

void FormatPenUpRecord(char *pOut) { FormatBackgroundRecord(pOut, dBackgroundPenUp, dBackgroundPenUp, 0, nullptr); }

int ParseBackgroundRecord(const char *pRecord, double *pdX, double *pdY, int *pnLabelLength, char *szLabel)
{
    *pdX = RecordField(pRecord);
    *pdY = RecordField(pRecord + 15);
    int n = pRecord[30] >= '0' && pRecord[30] <= '5' ? pRecord[30] - '0' : 0;
    if (pnLabelLength) *pnLabelLength = n;
    if (szLabel) {
        int i = 0;
        for (; i < n; i++) {
            char c = pRecord[32 + i];
            if (c == '\n' || c == 0) break;
            szLabel[i] = c;
        }
        szLabel[i] = 0;
        if (pnLabelLength) *pnLabelLength = i;
    }
    return 1;
}

void BgSourceFromFile(BgSource *pSrc, HANDLE hFile)
{
    *pSrc = BgSource();
    pSrc->hFile = hFile;
    pSrc->block.resize(kBlockBytes);
}

void BgSourceFromMemory(BgSource *pSrc, const char *pData, size_t nSize)
{
    *pSrc = BgSource();
    pSrc->pMem = pData;
    pSrc->nMemSize = nSize;
}

void BgRewind(BgSource *pSrc)
{
    pSrc->nFill = pSrc->nPos = 0;
    pSrc->bEnd = 0;
    pSrc->nMemPos = 0;
    if (pSrc->hFile != INVALID_HANDLE_VALUE && pSrc->hFile) SetFilePointer(pSrc->hFile, 0, nullptr, FILE_BEGIN);
}

namespace {

// Refills the block from the file; 0 at the end.
int Refill(BgSource *pSrc)
{
    if (pSrc->bEnd) return 0;
    pSrc->nPos = pSrc->nFill = 0;
    if (pSrc->pMem) {
        pSrc->bEnd = 1;  // memory is served straight from its buffer
        return 0;
    }
    if (!pSrc->hFile || pSrc->hFile == INVALID_HANDLE_VALUE || pSrc->block.empty()) {
        pSrc->bEnd = 1;
        return 0;
    }
    DWORD dwRead = 0;
    if (!ReadFile(pSrc->hFile, pSrc->block.data(), (DWORD)pSrc->block.size(), &dwRead, nullptr) || dwRead == 0) {
        pSrc->bEnd = 1;
        return 0;
    }
    pSrc->nFill = dwRead;
    return 1;
}

// The bytes available now without another read: pointer and count.
inline const char *Available(BgSource *pSrc, size_t *pnCount)
{
    if (pSrc->pMem) {
        *pnCount = pSrc->nMemSize - pSrc->nMemPos;
        return pSrc->pMem + pSrc->nMemPos;
    }
    if (pSrc->nPos >= pSrc->nFill && !Refill(pSrc)) {
        *pnCount = 0;
        return nullptr;
    }
    *pnCount = pSrc->nFill - pSrc->nPos;
    return pSrc->block.data() + pSrc->nPos;
}

inline void Consume(BgSource *pSrc, size_t n)
{
    if (pSrc->pMem)
        pSrc->nMemPos += n;
    else
        pSrc->nPos += n;
}

}  // namespace

int BgReadBytes(BgSource *pSrc, char *p, int n)
{
    int nGot = 0;
    while (nGot < n) {
        size_t nAvail = 0;
        const char *q = Available(pSrc, &nAvail);
        if (!q || nAvail == 0) break;
        size_t nTake = std::min(nAvail, (size_t)(n - nGot));
        memcpy(p + nGot, q, nTake);
        Consume(pSrc, nTake);
        nGot += (int)nTake;
    }
    return nGot;
}

int BgReadLine(BgSource *pSrc, char *szLine, int nSize)
{
    int nStored = 0, bAny = 0, bLastStoredCR = 0;
    for (;;) {
        size_t nAvail = 0;
        const char *q = Available(pSrc, &nAvail);
        if (!q || nAvail == 0) {
            // The end of the file ends a last line without a line feed.
            if (nStored > 0 && bLastStoredCR) nStored--;
            if (nSize > 0) szLine[nStored] = 0;
            return bAny ? nStored : -1;
        }
        const char *pLf = (const char *)memchr(q, '\n', nAvail);
        size_t nTake = pLf ? (size_t)(pLf - q) : nAvail;
        bAny = 1;
        for (size_t i = 0; i < nTake; i++) {
            if (nStored < nSize - 1) {
                szLine[nStored++] = q[i];
                bLastStoredCR = q[i] == '\r';
            } else {
                bLastStoredCR = 0;  // the rest of a long line is dropped
            }
        }
        Consume(pSrc, nTake + (pLf ? 1 : 0));
        if (pLf) {
            if (bLastStoredCR) nStored--;
            if (nSize > 0) szLine[nStored] = 0;
            return nStored;
        }
    }
}

int ReadBackgroundRecordXY(BgSource *pSrc, double *pdX, double *pdY)
{
    char achRec[BG_RECORD_LEN];
    if (BgReadBytes(pSrc, achRec, BG_RECORD_LEN) < BG_RECORD_LEN) return 0;
    return ParseBackgroundRecord(achRec, pdX, pdY, nullptr, nullptr);
}

int ReadBackgroundRecordXYLabel(BgSource *pSrc, double *pdX, double *pdY, int *pnLabelLength, char *szLabel)
{
    char achRec[BG_RECORD_LEN];
    if (BgReadBytes(pSrc, achRec, BG_RECORD_LEN) < BG_RECORD_LEN) return 0;
    return ParseBackgroundRecord(achRec, pdX, pdY, pnLabelLength, szLabel);
}

void BgSinkToFile(BgSink *pSink, HANDLE hFile)
{
    *pSink = BgSink();
    pSink->hFile = hFile;
}

void BgSinkToMemory(BgSink *pSink, std::string *pOut)
{
    *pSink = BgSink();
    pSink->pMem = pOut;
}

void BgSinkFlush(BgSink *pSink)
{
    if (pSink->pending.empty()) return;
    if (pSink->pMem) {
        pSink->pMem->append(pSink->pending);
    } else if (pSink->hFile && pSink->hFile != INVALID_HANDLE_VALUE) {
        DWORD dwWritten = 0;
        if (!WriteFile(pSink->hFile, pSink->pending.data(), (DWORD)pSink->pending.size(), &dwWritten, nullptr) ||
            dwWritten != pSink->pending.size())
            pSink->bFailed = 1;
    } else {
        pSink->bFailed = 1;
    }
    pSink->pending.clear();
}

void BgSinkRecord(BgSink *pSink, const char *pRecord)
{
    pSink->pending.append(pRecord, BG_RECORD_LEN);
    pSink->nRecords++;
    if (pSink->pending.size() >= kBlockBytes) BgSinkFlush(pSink);
}
