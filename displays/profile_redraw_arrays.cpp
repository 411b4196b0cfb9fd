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
#include "processing/em384_handler.h"
#include "processing/em61mk2_decode.h"
#include "processing/sentence_handlers.h"

namespace {

bool IsStationReadingKind(char c) { return c == 'T' || (c >= '2' && c <= '6'); }

// The event record written where logging starts or resumes (the live profiles start every trace anew there).
bool StartsLogging(const char *nnn) { return strncmp(nnn + 1, "$STARTED", 8) == 0; }

ProfileScan gScan;      // 64 KB block: kept off the stack
ProfileReplay gReplay;  // the gathered steps, newest first
HWND ghwndFirst, ghwndSecond;

// Steps of the split profiles: each replayed into the two windows as the live handler scrolls them.
void Em384Step(const ProfileStep &step) { ScrollEm384Windows(ghwndFirst, ghwndSecond, step.anRow); }
void DualEmStep(const ProfileStep &step) { ScrollDualEmWindows(ghwndFirst, ghwndSecond, step.anRow); }
void GradStep(const ProfileStep &step) { ScrollGradWindows(ghwndFirst, ghwndSecond, step.anRow[0], step.anRow[1]); }

}  // namespace

// Each member reads the current line backwards until it holds a step for every column of the window (or meets
// the line's start), then replays the steps through the live scroll: the redrawn profiles are the live ones. A
// station, a pause or a resumed logging takes no column on the live profiles; their traces start anew after it.

void RedrawEm384ProfileFromFile(HWND hwnd1, HWND hwnd2)
{
    if (!BeginProfileScan(&gScan)) return;
    gReplay.nCount = 0;
    const int nWanted = ProfileReplayStepsWanted();
    // A copy of the coefficients: older readings are decoded with those in force when they were taken.
    Em384Coefficients k = Em384CoefficientsInForce();
    ProfileStep *pNewer = nullptr;  // the step of the next newer reading
    char nnn[DATA_RECORD_MAX + 1];
    while (gReplay.nCount < nWanted && PreviousProfileRecord(&gScan, nnn)) {
        const char c = nnn[0];
        if (IsStationReadingKind(c)) {
            // One live scroll per reading record, with the rows of the values as recorded.
            char rob[EM384_RECORD_BYTES + 1];
            memcpy(rob, nnn, EM384_RECORD_BYTES);
            Em384Values v;
            int abValid[16], anBar1[4], anBar2[4];
            double adValue[16];
            DecodeEm384RecordWith(rob, k, &v, abValid, adValue);
            ProfileStep *p = AddProfileStep(&gReplay);
            if (!p) break;
            ScaleEm384Channels(adValue, p->anRow, anBar1, anBar2);
            pNewer = p;
        } else if (c == 'O') {
            // The second value: the coefficient in force before this record, for the older readings. The live
            // profiles started anew after the coefficients changed.
            double *pd = Em384CoefficientOf(&k, nnn[1]);
            if (!pd) continue;
            char szNumber[DATA_RECORD_MAX + 1];
            strncpy(szNumber, nnn + 13, 10);
            szNumber[10] = 0;
            *pd = TextToDouble(szNumber);
            if (pNewer) pNewer->bRestart = 1;
        } else if (c == 'S' || (c == 'X' && StartsLogging(nnn))) {
            if (pNewer) pNewer->bRestart = 1;  // a new station or a resumed logging: the live traces started anew
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&gScan);
    ghwndFirst = hwnd1;
    ghwndSecond = hwnd2;
    ReplayProfileSteps(&gReplay, Em384Step);
}

void RedrawDualEmProfileFromFile(HWND hwnd1, HWND hwnd2)
{
    if (!BeginProfileScan(&gScan)) return;
    gReplay.nCount = 0;
    const int nWanted = ProfileReplayStepsWanted();
    // The live profiles scroll at each sentence '2' with the values of the last sentence '1' before it (kept
    // across stations) recorded since logging started or resumed. Read backwards, a '2' opens a step; the next '1'
    // met gives the first half of every step still without one. abValid[0] marks a step's first half as given.
    // Steps still without one where logging started took no step live (their '1' came before the key): dropped.
    auto DropStepsWithoutFirstHalf = [] {
        while (gReplay.nCount > 0 && !gReplay.aStep[gReplay.nCount - 1].abValid[0]) gReplay.nCount--;
    };
    bool bFull = false;
    char nnn[DATA_RECORD_MAX + 1];
    while (PreviousProfileRecord(&gScan, nnn)) {
        const char c = nnn[0];
        if (IsStationReadingKind(c)) {
            char rob[55];
            strncpy(rob, nnn, 54);
            rob[54] = 0;
            const char cSentence = rob[6];
            if (cSentence != '1' && cSentence != '2') continue;
            double ad[4] = {0, 0, 0, 0};
            DualEmSentenceValues(rob, ad);
            int anProfile[8] = {0}, anBarQ[4], anBarI[4];
            if (cSentence == '2') {
                if (bFull) continue;  // only the first half of the oldest step is still looked for
                ProfileStep *p = gReplay.nCount < nWanted ? AddProfileStep(&gReplay) : nullptr;
                if (!p) {
                    bFull = true;
                    continue;
                }
                ScaleDualEmReadings('2', ad[0], ad[1], ad[2], ad[3], anProfile, anBarQ, anBarI);
                for (int e = 4; e < 8; e++) p->anRow[e] = anProfile[e];
            } else {
                ScaleDualEmReadings('1', ad[0], ad[1], ad[2], ad[3], anProfile, anBarQ, anBarI);
                for (int i = gReplay.nCount - 1; i >= 0; i--) {
                    ProfileStep &step = gReplay.aStep[i];
                    if (step.abValid[0]) break;
                    for (int e = 0; e < 4; e++) step.anRow[e] = anProfile[e];
                    step.abValid[0] = 1;
                }
                if (bFull) break;
            }
        } else if (c == 'S') {
            if (!bFull && gReplay.nCount > 0) gReplay.aStep[gReplay.nCount - 1].bRestart = 1;
        } else if (c == 'X' && StartsLogging(nnn)) {
            // Logging started or resumed here: the live traces started anew after it.
            DropStepsWithoutFirstHalf();
            bFull = gReplay.nCount >= nWanted;
            if (bFull) break;
            if (gReplay.nCount > 0) gReplay.aStep[gReplay.nCount - 1].bRestart = 1;
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&gScan);
    DropStepsWithoutFirstHalf();
    ghwndFirst = hwnd1;
    ghwndSecond = hwnd2;
    ReplayProfileSteps(&gReplay, DualEmStep);
}

void RedrawRecentRecordsGrad(HWND hwnd1, HWND hwnd2)
{
    if (!BeginProfileScan(&gScan)) return;
    gReplay.nCount = 0;
    const int nWanted = ProfileReplayStepsWanted();
    double ad[2] = {0, 0};
    char nnn[DATA_RECORD_MAX + 1];
    while (gReplay.nCount < nWanted && PreviousProfileRecord(&gScan, nnn)) {
        const char c = nnn[0];
        if (c == 'D' || c == 'E' || c == 'F' || c == 'M' || c == 'N' || c == 'P' || c == 'Q' || c == 'T') {
            char rob[17];
            strncpy(rob, nnn, 16);
            rob[16] = 0;
            GradSentenceValues(rob, ad);
            int b1 = 0, b2 = 0;
            ProfileStep *p = AddProfileStep(&gReplay);
            if (!p) break;
            ReadingsToPixelsGrad(ad[0], ad[1], &p->anRow[0], &b1, &p->anRow[1], &b2);
        } else if (c == 'S' || (c == 'X' && ((nnn[1] == '1' && nnn[11] == '1') || StartsLogging(nnn)))) {
            if (gReplay.nCount > 0) gReplay.aStep[gReplay.nCount - 1].bRestart = 1;
        } else if (c == 'Z') {
            break;
        }
    }
    EndProfileScan(&gScan);
    ghwndFirst = hwnd1;
    ghwndSecond = hwnd2;
    ReplayProfileSteps(&gReplay, GradStep);
}
