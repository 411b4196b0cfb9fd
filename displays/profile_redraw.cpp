// Profile redraw from the data file: the open file read backwards from its end, readings decoded again and drawn.
#include "displays/profile_redraw.h"

#include <cstring>

#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/reading_windows.h"
#include "logscreen/logscreen.h"
#include "processing/em61mk2_decode.h"

namespace {

constexpr int kProfilePoints = 600;

bool IsProfileRecordKind(char c)
{
    for (wchar_t k : awProfileRecordKinds)
        if (k == (wchar_t)(unsigned char)c) return true;
    return false;
}

bool IsReadingKind(char c)
{
    return c == 'D' || c == 'E' || c == 'F' || c == 'M' || c == 'N' || c == 'P' || c == 'Q' || c == 'T';
}

// The previous offset held in characters 11 to 19 of an offset record.
double PreviousOffsetOf(const char *nnn)
{
    char rob2[15];
    memcpy(rob2, nnn + 11, 9);
    rob2[9] = 0;
    return TextToDouble(rob2);
}

struct Traces {
    POINT pt1[kProfilePoints], pt2[kProfilePoints], pt3[kProfilePoints], pt4[kProfilePoints];
    int nCount;
};

void DrawTraces(HWND hwnd, Traces *t)
{
    if (t->nCount > 0) DrawFourChannelPolylines(hwnd, t->pt1, t->pt2, t->pt3, t->pt4, t->nCount);
    t->nCount = 0;
}

// Seeks the read offset to a 64-bit position from the file's start.
bool SeekFromStart(HANDLE h, int64_t nAt)
{
    int32_t nHigh = (int32_t)(nAt >> 32);
    SetLastError(0);
    DWORD dwLow = SetFilePointer(h, (int32_t)(uint32_t)(nAt & 0xFFFFFFFF), &nHigh, FILE_BEGIN);
    return !(dwLow == INVALID_SET_FILE_POINTER && GetLastError() != 0);
}

// Fills the block with whole records that end at nEnd (a record boundary), as many as the block holds.
bool LoadBlockEndingAt(ProfileScan *pScan, int64_t nEnd)
{
    const int64_t nSpan = (int64_t)(PROFILE_SCAN_BLOCK_BYTES / pScan->nLength) * pScan->nLength;
    const int64_t nStart = nEnd > nSpan ? nEnd - nSpan : 0;
    const DWORD dwWant = (DWORD)(nEnd - nStart);
    DWORD dwGot = 0;
    pScan->nBlockFill = 0;
    if (!SeekFromStart(pScan->h, nStart)) return false;
    if (!ReadFile(pScan->h, pScan->achBlock, dwWant, &dwGot, nullptr) || dwGot < dwWant) return false;
    pScan->nBlockAt = nStart;
    pScan->nBlockFill = (int)dwGot;
    return true;
}

}  // namespace

bool BeginProfileScan(ProfileScan *pScan)
{
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return false;
    pScan->h = h;
    pScan->nLength = DataRecordBytes();
    pScan->nNewline = nDataRecordNewline;
    if (pScan->nNewline < 0 || pScan->nNewline >= pScan->nLength) pScan->nNewline = pScan->nLength - 1;
    int32_t nHigh = 0;
    SetLastError(0);
    const DWORD dwLow = SetFilePointer(h, 0, &nHigh, FILE_CURRENT);
    const bool bHeld = !(dwLow == INVALID_SET_FILE_POINTER && GetLastError() != 0);
    pScan->nHeld = bHeld ? (int64_t)(((uint64_t)(uint32_t)nHigh << 32) | dwLow) : 0;
    DWORD dwSizeHigh = 0;
    SetLastError(0);
    const DWORD dwSize = GetFileSize(h, &dwSizeHigh);
    const bool bSized = !(dwSize == INVALID_FILE_SIZE && GetLastError() != 0);
    const int64_t nSize = bSized ? (int64_t)(((uint64_t)dwSizeHigh << 32) | dwSize) : 0;
    pScan->nPos = nSize / pScan->nLength * pScan->nLength;  // after the last whole record written
    pScan->nBlockAt = pScan->nPos;
    pScan->nBlockFill = 0;
    pScan->nReturned = 0;
    return true;
}

bool PreviousProfileRecord(ProfileScan *pScan, char *szRecord)
{
    if (pScan->nReturned >= PROFILE_SCAN_RECORD_BOUND) return false;
    const int64_t nWanted = pScan->nPos - pScan->nLength;
    if (nWanted < 0) return false;
    if (nWanted < pScan->nBlockAt || nWanted + pScan->nLength > pScan->nBlockAt + pScan->nBlockFill) {
        if (!LoadBlockEndingAt(pScan, pScan->nPos)) return false;
    }
    memcpy(szRecord, pScan->achBlock + (nWanted - pScan->nBlockAt), (size_t)pScan->nLength);
    szRecord[pScan->nNewline] = 0;
    pScan->nPos = nWanted;
    pScan->nReturned++;
    return true;
}

void UnreadProfileRecord(ProfileScan *pScan)
{
    if (pScan->nReturned <= 0) return;
    pScan->nPos += pScan->nLength;
    pScan->nReturned--;
}

void EndProfileScan(ProfileScan *pScan)
{
    SeekFromStart(pScan->h, pScan->nHeld);
}

void RedrawProfileFromFile(HWND hwnd)
{
    static ProfileScan s;  // 64 KB block: kept off the stack
    if (!BeginProfileScan(&s)) return;
    if (s.nLength >= 30) {  // longer records are no EM61 records
        EndProfileScan(&s);
        return;
    }

    static Traces t;  // 19 KB: kept off the stack
    t.nCount = 0;
    double adCurrentOffset[4] = {adOffset[0], adOffset[1], adOffset[2], adOffset[3]};
    int x = nCurveWndWidth - 10;
    char nnn[DATA_RECORD_MAX + 1];
    char rob[30];

    while (x >= 0 && PreviousProfileRecord(&s, nnn)) {
        const char c = nnn[0];
        if (!IsProfileRecordKind(c)) continue;
        if (IsReadingKind(c)) {
            memcpy(rob, nnn, 13);
            rob[13] = 0;
            double ch[4], a[4];
            int mk = 0;
            DecodeInstrumentFrameWithOffsets(rob, ch, adCurrentOffset, &mk);
            ApplySignedSqrtScale(ch, a);
            int pix[4], pixb[4];
            ChannelValuesToScreen(a, pix, pixb);
            if (t.nCount == kProfilePoints) {
                // A full stretch is drawn and carried on from its last point.
                POINT last[4] = {t.pt1[t.nCount - 1], t.pt2[t.nCount - 1], t.pt3[t.nCount - 1], t.pt4[t.nCount - 1]};
                DrawTraces(hwnd, &t);
                t.pt1[0] = last[0];
                t.pt2[0] = last[1];
                t.pt3[0] = last[2];
                t.pt4[0] = last[3];
                t.nCount = 1;
            }
            t.pt1[t.nCount] = POINT{x, ClampRow(pix[0])};
            t.pt2[t.nCount] = POINT{x, ClampRow(pix[1])};
            t.pt3[t.nCount] = POINT{x, ClampRow(pix[2])};
            t.pt4[t.nCount] = POINT{x, ClampRow(pix[3])};
            t.nCount++;
            x -= 2;
        } else if (c == 'O') {
            // The newest of four offset records (channel 4): each holds the offset in force before the change.
            adCurrentOffset[3] = PreviousOffsetOf(nnn);
            for (int k = 2; k >= 0; k--) {
                char rec[DATA_RECORD_MAX + 1];
                if (!PreviousProfileRecord(&s, rec)) break;
                if (rec[0] != 'O') {
                    UnreadProfileRecord(&s);
                    break;
                }
                adCurrentOffset[k] = PreviousOffsetOf(rec);
            }
        } else if (c == 'S' || (c == 'X' && nnn[1] == '1' && nnn[11] == '1')) {
            x -= 2;
            DrawTraces(hwnd, &t);
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&s);
    DrawTraces(hwnd, &t);
}
