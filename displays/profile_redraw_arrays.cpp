// Profile redraw from the data file for the EM38-4, CS-21 and Grad601: split traces in the second and third windows.
#include <cstring>

#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/displays.h"
#include "displays/profile_redraw.h"
#include "displays/profiles.h"
#include "displays/reading_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "processing/em384_decode.h"
#include "processing/em61mk2_decode.h"
#include "processing/sentence_handlers.h"

namespace {

constexpr int kTracePoints = 420;
constexpr int kGradPoints = 600;

struct Trace {
    POINT pt[kTracePoints];
    int nCount;
    int bEmpty;
};

void DrawTracePolyline(HWND hwnd, const POINT *apt, int nFirst, int nEnd, int nPen)
{
    if (!hwnd || nEnd <= nFirst) return;
    POINT pt[kTracePoints + 1];
    int n = 0;
    for (int i = nFirst; i < nEnd && n < kTracePoints; i++) pt[n++] = apt[i];
    if (n == 1) pt[n++] = pt[0];
    DrawPolylineWithPen(hwnd, pt, n, nPen);
}

// Draws the points as polylines split wherever x jumps by more than 2, then empties the trace.
void DrawTraceSegments(HWND hwnd, Trace *t, int nPen)
{
    if (t->bEmpty) return;
    int nFirst = 0;
    for (int i = 0; i + 1 < t->nCount; i++) {
        if (t->pt[i].x - t->pt[i + 1].x > 2) {
            DrawTracePolyline(hwnd, t->pt, nFirst, i + 1, nPen);
            nFirst = i + 1;
        }
    }
    DrawTracePolyline(hwnd, t->pt, nFirst, t->nCount, nPen);
    t->bEmpty = 1;
    t->nCount = 0;
}

// A full trace is drawn and carried on from its last point.
void AddTracePoint(HWND hwnd, Trace *t, int nPen, double dValue, double dScaleMax, double dPixPerUnit, int x)
{
    if (t->nCount >= kTracePoints) {
        const POINT last = t->pt[t->nCount - 1];
        DrawTraceSegments(hwnd, t, nPen);
        t->pt[0] = last;
        t->nCount = 1;
    }
    t->pt[t->nCount++] = POINT{x, ClampRow(ClampToInt((dScaleMax - dValue) * dPixPerUnit, -nRowLimit, nRowLimit))};
    t->bEmpty = 0;
}

bool IsStationReadingKind(char c) { return c == 'T' || (c >= '2' && c <= '6'); }

Trace gTraces[8];  // 27 KB: kept off the stack

void EmptyTraces()
{
    for (Trace &t : gTraces) {
        t.nCount = 0;
        t.bEmpty = 1;
    }
}

ProfileScan gScan;  // 64 KB block: kept off the stack

}  // namespace

void RedrawEm384ProfileFromFile(HWND hwnd1, HWND hwnd2)
{
    if (!BeginProfileScan(&gScan)) return;
    EmptyTraces();
    // A copy of the coefficients: older readings are decoded with those in force when they were taken.
    Em384Coefficients k = Em384CoefficientsInForce();
    HWND ahWnd[8];
    int anPen[8], anChannel[8];
    for (int m = 0; m < 4; m++) {
        ahWnd[m] = hwnd1;
        anPen[m] = anChannel[m] = 4 * m;
        ahWnd[4 + m] = nEm384DisplayMode == 0 ? hwnd2 : nullptr;
        anPen[4 + m] = anChannel[4 + m] = 4 * m + 2;
    }
    int x = nCurveWndWidth - 10;
    char nnn[DATA_RECORD_MAX + 1];
    while (x >= 0 && PreviousProfileRecord(&gScan, nnn)) {
        const char c = nnn[0];
        if (IsStationReadingKind(c)) {
            char rob[EM384_RECORD_BYTES + 1];
            memcpy(rob, nnn, EM384_RECORD_BYTES);
            Em384Values v;
            int abValid[16];
            double adValue[16];
            DecodeEm384RecordWith(rob, k, &v, abValid, adValue);
            for (int t = 0; t < 8; t++) {
                if (!abValid[anChannel[t]]) continue;
                const bool bScale1 = t < 4;
                AddTracePoint(ahWnd[t], &gTraces[t], anPen[t], adValue[anChannel[t]], bScale1 ? dScale1Max : dScale2Max,
                              bScale1 ? dScale1PixPerUnit : dScale2PixPerUnit, x);
            }
            if (c == 'T') x -= 2;
        } else if (c == 'O') {
            // The second value: the coefficient in force before this record, for the older readings.
            double *pd = Em384CoefficientOf(&k, nnn[1]);
            if (!pd) continue;
            char szNumber[DATA_RECORD_MAX + 1];
            strncpy(szNumber, nnn + 13, 10);
            szNumber[10] = 0;
            *pd = TextToDouble(szNumber);
        } else if (c == 'S') {
            x -= 2;
            for (int t = 0; t < 8; t++) DrawTraceSegments(ahWnd[t], &gTraces[t], anPen[t]);
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&gScan);
    for (int t = 0; t < 8; t++) DrawTraceSegments(ahWnd[t], &gTraces[t], anPen[t]);
}

void RedrawDualEmProfileFromFile(HWND hwnd1, HWND hwnd2)
{
    if (!BeginProfileScan(&gScan)) return;
    EmptyTraces();
    // Trace t: window 1 for even t, 2 for odd t; pen t / 2 within its sentence half.
    auto Window = [&](int t) { return t % 2 == 0 ? hwnd1 : hwnd2; };
    auto Pen = [](int t) { return t / 2; };
    double ad[4] = {0, 0, 0, 0};
    int x = nCurveWndWidth - 10;
    char nnn[DATA_RECORD_MAX + 1];
    while (x >= 0 && PreviousProfileRecord(&gScan, nnn)) {
        const char c = nnn[0];
        if (IsStationReadingKind(c)) {
            char rob[55];
            strncpy(rob, nnn, 54);
            rob[54] = 0;
            const char cSentence = rob[6];
            if (cSentence != '1' && cSentence != '2') continue;
            DualEmSentenceValues(rob, ad);
            const int t0 = cSentence == '1' ? 0 : 4;
            for (int n = 0; n < 4; n++) {
                const bool bScale1 = n % 2 == 0;
                const int t = t0 + n;
                AddTracePoint(Window(t), &gTraces[t], Pen(t), ad[n], bScale1 ? dScale1Max : dScale2Max,
                              bScale1 ? dScale1PixPerUnit : dScale2PixPerUnit, x);
            }
            if (cSentence == '1') x -= 2;
        } else if (c == 'S') {
            x -= 2;
            for (int t = 0; t < 8; t++) DrawTraceSegments(Window(t), &gTraces[t], Pen(t));
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&gScan);
    for (int t = 0; t < 8; t++) DrawTraceSegments(Window(t), &gTraces[t], Pen(t));
}

void RedrawRecentRecordsGrad(HWND hwnd1, HWND hwnd2)
{
    if (!BeginProfileScan(&gScan)) return;
    static POINT pt1[kGradPoints], pt2[kGradPoints];
    int nCount = 0;
    const int bTwo = nSensorsMinus1 == 1;
    auto Draw = [&] {
        DrawPolylineWithPen(hwnd1, pt1, nCount, 0);
        if (bTwo) DrawPolylineWithPen(hwnd2, pt2, nCount, 1);
    };
    double ad[2] = {0, 0};
    int x = nCurveWndWidth - 10;
    char nnn[DATA_RECORD_MAX + 1];
    while (x >= 0 && PreviousProfileRecord(&gScan, nnn)) {
        const char c = nnn[0];
        if (c == 'D' || c == 'E' || c == 'F' || c == 'M' || c == 'N' || c == 'P' || c == 'Q' || c == 'T') {
            char rob[17];
            strncpy(rob, nnn, 16);
            rob[16] = 0;
            GradSentenceValues(rob, ad);
            int p1 = 0, b1 = 0, p2 = 0, b2 = 0;
            ReadingsToPixelsGrad(ad[0], ad[1], &p1, &b1, &p2, &b2);
            if (nCount == kGradPoints) {
                const POINT l1 = pt1[nCount - 1], l2 = pt2[nCount - 1];
                Draw();
                pt1[0] = l1;
                pt2[0] = l2;
                nCount = 1;
            }
            pt1[nCount] = POINT{x, ClampRow(p1)};
            pt2[nCount] = POINT{x, ClampRow(p2)};
            nCount++;
            x -= 2;
        } else if (c == 'S' || (c == 'X' && nnn[1] == '1' && nnn[11] == '1')) {
            x -= 2;
            if (nCount > 0) Draw();
            nCount = 0;
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&gScan);
    Draw();
}
