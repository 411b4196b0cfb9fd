// Map replot from the data file: the frame every rebuild shares (rewind, header skip, record loop, busy dot, end
// at the file's end), its track branch, and the EM61-MK2 colour rebuild.
#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_replot.h"
#include "map/pens.h"
#include "processing/em61mk2_decode.h"

namespace {

const int HEADER_SKIP_RECORDS = 300;
const DWORD BUSY_STEP_MS = 750;

// The number of a map-point record, characters 2..15.
double MapPointValue(const char *szRecord)
{
    char szNumber[15];
    memcpy(szNumber, szRecord + 2, 14);
    szNumber[14] = 0;
    return TextToDouble(szNumber);
}

// EM61 zero offsets of an 'O' record, characters 1..9.
double OffsetValue(const char *szRecord)
{
    char szNumber[10];
    memcpy(szNumber, szRecord + 1, 9);
    szNumber[9] = 0;
    return TextToDouble(szNumber);
}

// Reads the three 'O' records after szFirst; the four offsets of the run into adOffset. Returns 0 at the end of
// the file (szLast then holds what was read last).
int ReadOffsetRun(DataFileScan *pScan, const char *szFirst, char *szLast, double adOffset[4])
{
    double adNew[4];
    adNew[0] = OffsetValue(szFirst);
    for (int i = 1; i < 4; ++i) {
        if (!NextScanRecord(pScan, szLast)) return 0;
        adNew[i] = OffsetValue(szLast);
    }
    for (int i = 0; i < 4; ++i) adOffset[i] = adNew[i];
    return 1;
}

// State of the EM61-MK2 member during one rebuild.
double adEm61Offset[4];
double dEm61LastValue;

int Em61ExtraRecords(DataFileScan *pScan, char *szRecord)
{
    if (szRecord[0] != 'O') return 0;
    char szFirst[DATA_RECORD_MAX];
    memcpy(szFirst, szRecord, sizeof szFirst);
    return ReadOffsetRun(pScan, szFirst, szRecord, adEm61Offset) ? 1 : -1;
}

int Em61ReadingCell(const char *szRecord, int *pnCell)
{
    char szFrame[14];
    memcpy(szFrame, szRecord, 13);
    szFrame[13] = 0;
    double adChannel[4], adShown[4];
    int nMode = 0;
    DecodeInstrumentFrameWithOffsets(szFrame, adChannel, adEm61Offset, &nMode);
    ApplySignedSqrtScale(adChannel, adShown);
    if (nColorMapView >= 1 && nColorMapView <= 4) dEm61LastValue = adShown[nColorMapView - 1];
    *pnCell = ColorScaleIndex(dEm61LastValue, dScale1Min);
    return 1;
}

// Does the record end a run of readings for the swath?
bool EndsReadingRun(const char *szRecord)
{
    char c = szRecord[0];
    if (c == 'C' || c == 'L' || c == 'S') return true;
    if (c >= 'a' && c <= 'z') return true;  // first record of a header block appended to the file
    if (c == 'X' && (strncmp(szRecord + 1, "$PA", 3) == 0 || strncmp(szRecord + 1, " GP", 3) == 0)) return true;
    return false;
}

}  // namespace

void ReplotFromDataFile(const ReplotMember &member)
{
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return;
    DataFileScan *pScan = new DataFileScan;
    BeginDataFileScan(pScan);
    char szRecord[DATA_RECORD_MAX];
    bool bEnd = false;

    // Header: up to the logging start event, at most 300 reads; offsets and the like are kept on the way.
    for (int nRead = 0; nRead < HEADER_SKIP_RECORDS; ++nRead) {
        if (!NextScanRecord(pScan, szRecord)) {
            bEnd = true;
            break;
        }
        int nExtra = member.pfnExtraRecords ? member.pfnExtraRecords(pScan, szRecord) : 0;
        if (nExtra < 0) {
            bEnd = true;
            break;
        }
        if (strstr(szRecord, "X$START")) break;
    }

    HDC hdcWindow = hwndMap ? GetDC(hwndMap) : nullptr;
    HDC hdcMem = CreateCompatibleDC(hdcWindow);
    DWORD dwBusyTick = GetTickCount();
    const bool bColour = nColorMapView != 0;
    double dSavedColorStep = dColorStep;
    if (member.nColorStepScale == 2) ComputeColorStep(dScale2Min, dScale2Max);
    else ComputeColorStep(dScale1Min, dScale1Max);

    // The rebuild's own cells: the live handlers' rows are never touched.
    int anCells[SWATH_CELLS_PER_ROW];
    int nCells = 0;
    bool bCollect = false;
    double adSet[4] = {0, 0, 0, 0};
    int anPrevEdge[4] = {0, 0, 0, 0}, anEdge[4];

    while (!bEnd && hdcMem) {
        if (!NextScanRecord(pScan, szRecord)) break;
        DWORD dwNow = GetTickCount();
        if (dwNow - dwBusyTick > BUSY_STEP_MS) {
            StepBusyIndicator();
            dwBusyTick = dwNow;
        }
        char c = szRecord[0];
        if (c == '{') {
            char chLetter = szRecord[1];
            if (chLetter == '0') {
                bCollect = true;
                nCells = 0;
                continue;
            }
            if (chLetter < 'a' || chLetter > 'h') continue;
            int nItem = (chLetter - 'a') % 4;
            adSet[nItem] = MapPointValue(szRecord);
            if (nItem != 3) continue;
            WorldToMapPixels(&anEdge[0], &anEdge[1], &anEdge[2], &anEdge[3], adSet[0], adSet[1], adSet[2], adSet[3]);
            if (!bColour) {
                PlotTrackPoint(hdcMem, anEdge[0], anEdge[1], anEdge[2], anEdge[3]);
            } else if (chLetter == 'h') {
                SpreadSwathCells(hdcMem, anCells, nCells, member.bTwoSensors ? 1 : 0, anEdge[0], anEdge[1], anEdge[2], anEdge[3],
                                 anPrevEdge[0], anPrevEdge[1], anPrevEdge[2], anPrevEdge[3]);
                nCells = 0;
            }
            for (int i = 0; i < 4; ++i) anPrevEdge[i] = anEdge[i];
            continue;
        }
        if (!bColour) continue;
        if (member.pfnExtraRecords) {
            int nExtra = member.pfnExtraRecords(pScan, szRecord);
            if (nExtra < 0) break;
            if (nExtra > 0) continue;
        }
        if (EndsReadingRun(szRecord)) {
            bCollect = false;
            continue;
        }
        if (bCollect && strchr(member.szReadingKinds, c) && c != 0) {
            int nCell = 0;
            if (member.pfnReadingCell(szRecord, &nCell) && nCells < SWATH_CELLS_PER_ROW) anCells[nCells++] = nCell;
        }
    }

    dColorStep = dSavedColorStep;
    SetFilePointer(h, 0, nullptr, FILE_END);
    if (hdcMem) DeleteDC(hdcMem);
    if (hdcWindow) ReleaseDC(hwndMap, hdcWindow);
    delete pScan;
}

void ReplotMapEm61Mk2()
{
    for (double &d : adEm61Offset) d = 0.0;
    dEm61LastValue = 0.0;
    static const ReplotMember member = {Em61ExtraRecords, Em61ReadingCell, "DEFMNPQT", 0, 1};
    ReplotFromDataFile(member);
}
