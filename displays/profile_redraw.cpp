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

// Backward reader over whole records of the open file, from its last whole record towards its start.
struct BackwardScan {
    HANDLE h;
    int L;       // record length
    int64_t nPos;  // offset of the record read last (the next read is the one before it)
};

// Reads the record before the current one into nnn (zero at the line feed); false when none is left.
bool ReadPrevious(BackwardScan *s, char *nnn)
{
    if (s->nPos - s->L < 0) return false;
    s->nPos -= s->L;
    if (!SetFilePointerEx(s->h, s->nPos, nullptr, FILE_BEGIN)) return false;
    DWORD got = 0;
    if (!ReadFile(s->h, nnn, (DWORD)s->L, &got, nullptr) || got < (DWORD)s->L) return false;
    int nl = nDataRecordNewline;
    if (nl < 0 || nl >= s->L) nl = s->L - 1;
    nnn[nl] = 0;
    return true;
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

}  // namespace

void RedrawProfileFromFile(HWND hwnd)
{
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return;
    BackwardScan s;
    s.h = h;
    s.L = DataRecordBytes();
    if (s.L >= 30) return;  // longer records are no EM61 records

    // The read position is held and restored; the scan starts after the last whole record written.
    int64_t nHeld = 0, nSize = 0;
    if (!SetFilePointerEx(h, 0, &nHeld, FILE_CURRENT) || !GetFileSizeEx(h, &nSize)) return;
    s.nPos = nSize / s.L * s.L;

    static Traces t;  // 19 KB: kept off the stack
    t.nCount = 0;
    double adCurrentOffset[4] = {adOffset[0], adOffset[1], adOffset[2], adOffset[3]};
    int x = nCurveWndWidth - 10;
    char nnn[30];
    char rob[30];

    while (x >= 0 && ReadPrevious(&s, nnn)) {
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
                const int64_t nKeep = s.nPos;
                char rec[30];
                if (!ReadPrevious(&s, rec)) break;
                if (rec[0] != 'O') {
                    s.nPos = nKeep;
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
    SetFilePointerEx(h, nHeld, nullptr, FILE_BEGIN);
    DrawTraces(hwnd, &t);
}
