// Profile redraw from the data file: the open file read backwards from its end, readings decoded again and drawn.
#include "displays/profile_redraw.h"

#include <cstring>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/profiles.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "processing/conductivity_decode.h"
#include "map/pens.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_display.h"
#include "processing/em61mk2_decode.h"
#include "processing/filter_factor.h"

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

// The newest of four offset records (channel 4) was just read: each of the four holds the offset in force before
// the change, and they become the current offsets. The scan goes on before the oldest of them.
void ReadOffsetBlock(ProfileScan *pScan, const char *nnn, double adCurrentOffset[4])
{
    adCurrentOffset[3] = PreviousOffsetOf(nnn);
    for (int k = 2; k >= 0; k--) {
        char rec[DATA_RECORD_MAX + 1];
        if (!PreviousProfileRecord(pScan, rec)) break;
        if (rec[0] != 'O') {
            UnreadProfileRecord(pScan);
            break;
        }
        adCurrentOffset[k] = PreviousOffsetOf(rec);
    }
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
            ReadOffsetBlock(&s, nnn, adCurrentOffset);
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

// ---------------------------------------------------------------------------------------------------------------
// Conductivity meters (EM31-MK2, EM38, EM34-3, EM38-MK2)
// ---------------------------------------------------------------------------------------------------------------
namespace {

// EM38-MK2 offset records in the order O1..O6: p, r, q vertical, s vertical, q horizontal, s horizontal.
const int kEm38Mk2OffsetElement[6] = {10, 8, 2, 0, 6, 4};

ProfileReplay gConductivityReplay;  // the gathered steps, newest first
HWND ghwndConductivity;

// One live step: the reading's channels (bChannelValid) scrolled into the window as the reading handler does.
void ConductivityStep(const ProfileStep &step)
{
    for (int k = 0; k < 8; k++) bChannelValid[k] = step.abValid[k];
    HDC hdc = ghwndConductivity ? GetDC(ghwndConductivity) : nullptr;
    if (!hdc) return;
    ScrollProfileGraph(hdc, step.anRow);
    ReleaseDC(ghwndConductivity, hdc);
}

}  // namespace

void RedrawProfileFromDataFile(HWND hwnd)
{
    static ProfileScan s;  // 64 KB block: kept off the stack
    if (!BeginProfileScan(&s)) return;
    if (s.nLength >= 30 || s.nNewline >= 30) {  // no record of these instruments
        EndProfileScan(&s);
        return;
    }
    const int nType = nInstrumentType;
    const bool bMk2 = nType == INSTRUMENT_EM38MK2;
    const int nChannels = bMk2 ? 8 : nType == INSTRUMENT_EM34 ? 6 : 4;
    ProfileReplay &r = gConductivityReplay;
    r.nCount = 0;
    const int nWanted = ProfileReplayStepsWanted();
    double adOffset6[6];
    for (int i = 0; i < 6; i++) adOffset6[i] = adCalibration[kEm38Mk2OffsetElement[i]];
    int nRecordLength = nInstrumentRecordLength;
    if (nRecordLength < 1) nRecordLength = 1;
    if (nRecordLength > 14) nRecordLength = 14;
    char nnn[DATA_RECORD_MAX + 1];
    char rob[30];
    // A station's readings ('2' to '6' after its 'T') make one step, as the live profile takes one step per
    // station with the newest value of each channel; read backwards, they come before their 'T'.
    ProfileStep *pStation = nullptr;
    ProfileStep *pNewer = nullptr;  // the step of the next newer reading

    while (PreviousProfileRecord(&s, nnn)) {
        const char c = nnn[0];
        const bool bReading = c == 'T' || (c >= '2' && c <= '6') || c == 't';
        if (bReading) {
            memset(rob, 0, sizeof rob);
            memcpy(rob, nnn, bMk2 ? 14 : (size_t)nRecordLength);
            double ad[8] = {0};
            int ab[8] = {0};
            if (bMk2) {
                double p, q, rr, sv;
                char chDipole, chMarker;
                DecodeEm38Mk2RecordBuffer(rob, ab, ad, &p, &q, &rr, &sv, &chDipole, &chMarker, adOffset6[0],
                                          adOffset6[1], adOffset6[2], adOffset6[3], adOffset6[4], adOffset6[5]);
            } else {
                double v1, v2;
                char chDipole, chMarker;
                short nRange;
                int nMode = 0;
                DecodeEmRecordBuffer(rob, ab, ad, &v1, &v2, &chDipole, &nRange, &chMarker, &nMode);
            }
            int yCurve[8] = {0};
            CurveRowsOf(ad, yCurve);
            ProfileStep *p = pStation;
            if (!p) {
                if (r.nCount >= nWanted) break;
                p = AddProfileStep(&r);
                if (!p) break;
            }
            for (int k = 0; k < nChannels; k++) {
                if (!ab[k] || p->abValid[k]) continue;  // a newer reading of the station gave this channel
                p->abValid[k] = 1;
                p->anRow[k] = yCurve[k];
            }
            pStation = c == 'T' || c == 't' ? nullptr : p;
            pNewer = p;
        } else if (c == 'O' && bMk2) {
            // The value in force before this record (from character 13) holds for the older readings; the live
            // profile started anew at the change.
            if (nnn[1] >= '1' && nnn[1] <= '6') adOffset6[nnn[1] - '1'] = TextToDouble(nnn + 13);
            if (pNewer) pNewer->bRestart = 1;
        } else if (c == 'S' || (c == 'X' && strncmp(nnn + 1, "PAUSED", 6) == 0)) {
            // A station or a pause takes no column on the live profile; its traces start anew after it.
            if (pNewer) pNewer->bRestart = 1;
            pStation = nullptr;
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&s);
    ghwndConductivity = hwnd;
    ReplayProfileSteps(&r, ConductivityStep);
}

namespace {

// EM61-LX2 steps: rows 0..2 the first coil's E, L and F, rows 3..5 the second coil's, and in kLx2StationRow 1 when
// a new station restarted the first four traces before the step (the station dialog restarts those four only).
constexpr int kLx2StationRow = 6;
ProfileReplay gLx2Replay;  // the gathered steps, newest first
HWND ghwndLx2First, ghwndLx2Second;
int gbLx2TwoCoils;

// One live step: the rows scrolled into the coils' windows as the reading handler does.
void Lx2Step(const ProfileStep &step)
{
    if (step.anRow[kLx2StationRow])
        for (int i = 0; i < 4; i++) abCurveHasPrev[i] = 0;
    HDC hdcFirst = ghwndLx2First ? GetDC(ghwndLx2First) : nullptr;
    if (!hdcFirst) return;
    if (gbLx2TwoCoils) {
        HDC hdcSecond = ghwndLx2Second ? GetDC(ghwndLx2Second) : nullptr;
        if (hdcSecond) {
            ScrollStripChart4Ch(hdcFirst, hdcSecond, step.anRow, step.anRow + 3);
            ReleaseDC(ghwndLx2Second, hdcSecond);
        }
    } else {
        ScrollStripChart2Ch(hdcFirst, step.anRow);
    }
    ReleaseDC(ghwndLx2First, hdcFirst);
}

// An event record after which the live traces started anew: a resumed logging (and its pause) or a connection
// break of the instrument (the tag whose two digits are 1).
bool RestartsLx2Traces(const char *nnn)
{
    return strncmp(nnn + 1, "$STARTED", 8) == 0 || strncmp(nnn + 1, "PAUSED", 6) == 0 ||
           (nnn[1] == '1' && nnn[11] == '1');
}

}  // namespace

// The current line is read backwards until there is a step for every column of the strip (or the line's start),
// each reading decoded with the offsets and filter ratios in force when it was written; the steps are then replayed
// oldest first through the live strip chart, so pen widths, line ends and crossings fall where the live profile put
// them. A nulling or calibration (its offset block or filter-factor pair), a resumed logging and a connection break
// start the traces anew, as the live profile did.
void RedrawProfileFromFileTwoSensors(HWND hwndFirst, HWND hwndSecond)
{
    static ProfileScan s;  // 64 KB block: kept off the stack
    if (!BeginProfileScan(&s)) return;
    if (s.nLength >= 30) {  // longer records are no EM61 records
        EndProfileScan(&s);
        return;
    }
    const int bTwoCoils = nSensorsMinus1 == 1;
    gLx2Replay.nCount = 0;
    const int nWanted = ProfileReplayStepsWanted();
    double adCurrentOffset[4] = {adOffset[0], adOffset[1], adOffset[2], adOffset[3]};
    double dRatioLeft = dFilterRatioLeft, dRatioRight = dFilterRatioRight;
    ProfileStep *pNewer = nullptr;  // the step of the next newer reading
    char nnn[DATA_RECORD_MAX + 1];
    char rob[30];

    while (gLx2Replay.nCount < nWanted && PreviousProfileRecord(&s, nnn)) {
        const char c = nnn[0];
        if (c == 'I') {
            // The newer of two filter-factor records (right coil) was just read: the previous factors they hold
            // give the ratios of the older readings.
            dRatioRight = ConvertFilterFactor(PreviousOffsetOf(nnn), 1);
            char rec[DATA_RECORD_MAX + 1];
            if (PreviousProfileRecord(&s, rec)) {
                if (rec[0] == 'I') dRatioLeft = ConvertFilterFactor(PreviousOffsetOf(rec), 1);
                else UnreadProfileRecord(&s);
            }
            if (pNewer) pNewer->bRestart = 1;
            continue;
        }
        if (!IsProfileRecordKind(c)) continue;
        if (IsReadingKind(c)) {
            memcpy(rob, nnn, 13);
            rob[13] = 0;
            int mk = 0, anBar[3];
            double e1 = 0, l1 = 0, e2 = 0, l2 = 0;
            if (bTwoCoils)
                DecodeReading4Ch(rob, adCurrentOffset[0], adCurrentOffset[1], adCurrentOffset[2], adCurrentOffset[3],
                                 &e1, &l1, &e2, &l2, &mk);
            else
                DecodeReading2Ch(rob, adCurrentOffset[0], adCurrentOffset[1], &e1, &l1, &mk);
            ProfileStep *p = AddProfileStep(&gLx2Replay);
            if (!p) break;
            Em61Lx2ValuesToScreenY(e1, l1, e1 - dRatioLeft * l1, p->anRow, anBar);
            if (bTwoCoils) Em61Lx2ValuesToScreenY(e2, l2, e2 - dRatioRight * l2, p->anRow + 3, anBar);
            pNewer = p;
        } else if (c == 'O') {
            ReadOffsetBlock(&s, nnn, adCurrentOffset);
            if (pNewer) pNewer->bRestart = 1;
        } else if (c == 'S') {
            if (pNewer) pNewer->anRow[kLx2StationRow] = 1;
        } else if (c == 'X') {
            if (pNewer && RestartsLx2Traces(nnn)) pNewer->bRestart = 1;
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&s);
    // The replay leaves the live run flags as they were; the previous rows too.
    int anPrev[3], anPrevLeft[3], anPrevRight[3];
    memcpy(anPrev, anLx2PrevY, sizeof anPrev);
    memcpy(anPrevLeft, anLx2PrevYLeft, sizeof anPrevLeft);
    memcpy(anPrevRight, anLx2PrevYRight, sizeof anPrevRight);
    ghwndLx2First = hwndFirst;
    ghwndLx2Second = hwndSecond;
    gbLx2TwoCoils = bTwoCoils;
    ReplayProfileSteps(&gLx2Replay, Lx2Step);
    memcpy(anLx2PrevY, anPrev, sizeof anPrev);
    memcpy(anLx2PrevYLeft, anPrevLeft, sizeof anPrevLeft);
    memcpy(anLx2PrevYRight, anPrevRight, sizeof anPrevRight);
}
