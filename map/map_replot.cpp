// Map replot from the data file: the frame every rebuild shares (rewind, header skip, record loop, busy dot, end
// at the file's end), its track branch, and the EM61-MK2 colour rebuild.
#include <condition_variable>
#include <cstring>
#include <deque>
#include <memory>
#include <new>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_replot.h"
#include "map/pens.h"
#include "core/logging_command.h"
#include "processing/conductivity_decode.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61mk2_decode.h"
#include "processing/filter_factor.h"

namespace {

const int HEADER_SKIP_RECORDS = 300;

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

// An 'O' record starts a run of four offsets: 1 when they were read into adOffset, -1 at the end of the file, 0
// for any other record.
int OffsetRecords(DataFileScan *pScan, char *szRecord, double adOffset[4])
{
    if (szRecord[0] != 'O') return 0;
    char szFirst[DATA_RECORD_MAX];
    memcpy(szFirst, szRecord, sizeof szFirst);
    return ReadOffsetRun(pScan, szFirst, szRecord, adOffset) ? 1 : -1;
}

int Em61ExtraRecords(DataFileScan *pScan, char *szRecord)
{
    return OffsetRecords(pScan, szRecord, adEm61Offset);
}

// State of the EM61-LX2 member during one rebuild: offsets, the coils' filter coefficients, the last values.
double adLx2Offset[4];
double adLx2Coefficient[2];
double adLx2LastValue[2];

// Offsets, and an 'I' record with the one after it: the two coils' filter factors turned back into coefficients.
int Lx2ExtraRecords(DataFileScan *pScan, char *szRecord)
{
    if (szRecord[0] != 'I') return OffsetRecords(pScan, szRecord, adLx2Offset);
    const double dFirst = ConvertFilterFactor(OffsetValue(szRecord), 1);
    if (!NextScanRecord(pScan, szRecord)) return -1;
    adLx2Coefficient[0] = dFirst;
    adLx2Coefficient[1] = ConvertFilterFactor(OffsetValue(szRecord), 1);
    return 1;
}

// Colour cell of one coil or, with two coils, coil 2's index x 64 + coil 1's.
int Lx2ReadingCell(const char *szRecord, int *pnCell)
{
    char szFrame[14];
    memcpy(szFrame, szRecord, 13);
    szFrame[13] = 0;
    const int bTwoCoils = nSensorsMinus1 == 1;
    double ad[4] = {0, 0, 0, 0};
    int nMode = 0;
    if (bTwoCoils)
        DecodeReading4Ch(szFrame, adLx2Offset[0], adLx2Offset[1], adLx2Offset[2], adLx2Offset[3], &ad[0], &ad[1],
                         &ad[2], &ad[3], &nMode);
    else
        DecodeReading2Ch(szFrame, adLx2Offset[0], adLx2Offset[1], &ad[0], &ad[1], &nMode);
    for (int c = 0; c < (bTwoCoils ? 2 : 1); c++) {
        const double dE = ad[2 * c], dL = ad[2 * c + 1];
        if (nColorMapView == 1) adLx2LastValue[c] = dE;
        else if (nColorMapView == 2) adLx2LastValue[c] = dL;
        else if (nColorMapView == 3) adLx2LastValue[c] = dE - adLx2Coefficient[c] * dL;
    }
    const int nFirst = ColorScaleIndex(adLx2LastValue[0], dScale1Min);
    *pnCell = bTwoCoils ? ColorScaleIndex(adLx2LastValue[1], dScale1Min) * 64 + nFirst : nFirst;
    return 1;
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

// ---------------------------------------------------------------------------------------------------------------
// The rebuild in two halves: the reading half scans the data file and turns its records into drawing steps (the
// positions in map pixels and the colour cells of each swath); the drawing half draws the steps into the tiles in
// the order they were read and paces the busy indicator. On a survey of a million records each half is about half
// the work, so the reading half runs on a thread of its own while the screen thread draws.
// ---------------------------------------------------------------------------------------------------------------
namespace {

struct ReplotStep {
    enum Kind : unsigned char { PLOT_SET, TRACK_POINT, SWATH } kind;
    unsigned char nSet;  // PLOT_SET: the set of four map-point records
    unsigned nRecords;   // records read since the step before
    int anEdge[4], anPrevEdge[4];
    int nFirstCell, nCells;  // SWATH: its cells in the batch's cell list
};

// Steps handed over together, with the cells of their swaths and the records read after the last of them.
struct ReplotBatch {
    std::vector<ReplotStep> steps;
    std::vector<int> cells;
    unsigned nRecordsAfter = 0;
    void Clear()
    {
        steps.clear();
        cells.clear();
        nRecordsAfter = 0;
    }
};
const size_t REPLOT_BATCH_STEPS = 2048;

// What the reading half leaves at the end: whether the file ended inside the header or an offset run, and the
// cells of the row still open.
struct ReplotEnd {
    bool bEnd = false, bCollect = false;
    int nCells = 0;
    int anCells[SWATH_CELLS_PER_ROW];
};

// Full batches from the reading half to the drawing half, emptied ones back; at most a few on the way, so the
// reading half never runs far ahead of the drawing.
class ReplotHandOver {
public:
    // Reading half: hands the full batch over (the last one with bLast) and gets an empty one back.
    void Hand(ReplotBatch &batch, bool bLast)
    {
        std::unique_lock<std::mutex> lock(mutex);
        cvRoom.wait(lock, [this] { return full.size() < BATCHES_ON_THE_WAY; });
        full.push_back(std::move(batch));
        if (empty.empty()) {
            batch = ReplotBatch();
        } else {
            batch = std::move(empty.back());
            empty.pop_back();
        }
        if (bLast) bLastHanded = true;
        cvFull.notify_one();
    }
    // Reading half, when it cannot go on (no memory for a batch): what was handed over is all there is.
    void Finish()
    {
        std::lock_guard<std::mutex> lock(mutex);
        bLastHanded = true;
        cvFull.notify_one();
    }
    // Drawing half: the next full batch into batch (whose steps were drawn); false after the last.
    bool Take(ReplotBatch &batch)
    {
        std::unique_lock<std::mutex> lock(mutex);
        cvFull.wait(lock, [this] { return !full.empty() || bLastHanded; });
        if (full.empty()) return false;
        batch.Clear();
        empty.push_back(std::move(batch));
        batch = std::move(full.front());
        full.pop_front();
        cvRoom.notify_one();
        return true;
    }

private:
    static constexpr size_t BATCHES_ON_THE_WAY = 3;
    std::mutex mutex;
    std::condition_variable cvRoom, cvFull;
    std::deque<ReplotBatch> full;
    std::vector<ReplotBatch> empty;
    bool bLastHanded = false;
};

// The reading half: the header up to the logging start (keeping the member's extra records on the way), then the
// records as drawing steps, handed over through hand in batches (the last one with its second argument true).
template <typename Hand>
void ReadReplotSteps(const ReplotMember &member, DataFileScan *pScan, bool bColour, ReplotEnd *pEnd, Hand hand)
{
    char szRecord[DATA_RECORD_MAX];
    bool bEnd = false;
    ReplotBatch batch;
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

    // The rebuild's own cells: the live handlers' rows are never touched.
    int *anCells = pEnd->anCells;
    int nCells = 0;
    bool bCollect = false;
    // The set being read (four coordinates, a bit for each read whole) and the previous edge (none after a break).
    double adSet[4] = {0, 0, 0, 0}, adPrevEdge[4] = {0, 0, 0, 0};
    int nSetItems = 0;
    bool bPrevEdge = false;
    int anPrevEdge[4] = {0, 0, 0, 0}, anEdge[4];
    unsigned nRecords = 0;
    auto step = [&](ReplotStep::Kind kind) -> ReplotStep & {
        batch.steps.push_back(ReplotStep{});
        ReplotStep &s = batch.steps.back();
        s.kind = kind;
        s.nRecords = nRecords;
        nRecords = 0;
        for (int i = 0; i < 4; ++i) s.anEdge[i] = anEdge[i];
        return s;
    };

    // Station marks are drawn only on the track; with a colour view such a rebuild draws nothing.
    if (member.pfnPlotSet && bColour) bEnd = true;

    while (!bEnd) {
        if (batch.steps.size() >= REPLOT_BATCH_STEPS) hand(batch, false);
        if (!NextScanRecord(pScan, szRecord)) break;
        ++nRecords;
        char c = szRecord[0];
        if (c == '{') {
            char chLetter = szRecord[1];
            if (chLetter == '0') {
                bCollect = true;
                nCells = 0;
                continue;
            }
            if (chLetter < 'a' || chLetter > (member.pfnPlotSet ? 'l' : 'h')) continue;
            int nItem = (chLetter - 'a') % 4;
            if (nItem == 0) nSetItems = 0;
            if (ReadMapPointValue(szRecord, &adSet[nItem])) nSetItems |= 1 << nItem;
            if (nItem != 3) continue;
            // A set with a damaged record, or a footprint wider than any can be, breaks the track and the swath.
            if (nSetItems != 0xF || MapFootprintBreaks(nullptr, adSet)) {
                bPrevEdge = false;
                nCells = 0;
                continue;
            }
            WorldToMapPixels(&anEdge[0], &anEdge[1], &anEdge[2], &anEdge[3], adSet[0], adSet[1], adSet[2], adSet[3]);
            if (member.pfnPlotSet) {
                step(ReplotStep::PLOT_SET).nSet = (unsigned char)((chLetter - 'a') / 4);
            } else if (!bColour) {
                step(ReplotStep::TRACK_POINT);
            } else if (chLetter == 'h') {
                // Nothing is filled across a jump farther than any walk between two fixes.
                if (bPrevEdge && !MapFootprintBreaks(adPrevEdge, adSet) && nCells > 0) {
                    ReplotStep &s = step(ReplotStep::SWATH);
                    for (int i = 0; i < 4; ++i) s.anPrevEdge[i] = anPrevEdge[i];
                    s.nFirstCell = (int)batch.cells.size();
                    s.nCells = nCells;
                    batch.cells.insert(batch.cells.end(), anCells, anCells + nCells);
                }
                nCells = 0;
            }
            for (int i = 0; i < 4; ++i) {
                anPrevEdge[i] = anEdge[i];
                adPrevEdge[i] = adSet[i];
            }
            bPrevEdge = true;
            continue;
        }
        if (!bColour) continue;
        if (member.pfnExtraRecords) {
            int nExtra = member.pfnExtraRecords(pScan, szRecord);
            if (nExtra < 0) break;
            if (nExtra > 0) continue;
        }
        // Reading kinds first: an EM38-MK2 reading may begin with a lower-case 't', like an appended header.
        if (c != 0 && strchr(member.szReadingKinds, c)) {
            int nCell = 0;
            if (bCollect && member.pfnReadingCell(szRecord, &nCell) && nCells < SWATH_CELLS_PER_ROW)
                anCells[nCells++] = nCell;
            continue;
        }
        if (EndsReadingRun(szRecord)) bCollect = false;
    }
    pEnd->bEnd = bEnd;
    pEnd->bCollect = bCollect;
    pEnd->nCells = nCells;
    batch.nRecordsAfter = nRecords;
    hand(batch, true);
}

// The drawing half: one batch of steps into the tiles.
void DrawReplotBatch(HDC hdcMem, const ReplotMember &member, const ReplotBatch &batch, BusyPacer *pPacer)
{
    for (const ReplotStep &s : batch.steps) {
        for (unsigned i = 0; i < s.nRecords; ++i) PaceBusyIndicator(pPacer);
        const int *e = s.anEdge;
        switch (s.kind) {
        case ReplotStep::PLOT_SET: member.pfnPlotSet(hdcMem, s.nSet, e); break;
        case ReplotStep::TRACK_POINT: PlotTrackPoint(hdcMem, e[0], e[1], e[2], e[3]); break;
        case ReplotStep::SWATH: {
            const int *p = s.anPrevEdge;
            SpreadSwathCells(hdcMem, batch.cells.data() + s.nFirstCell, s.nCells, member.bTwoSensors ? 1 : 0, e[0],
                             e[1], e[2], e[3], p[0], p[1], p[2], p[3]);
            break;
        }
        }
    }
    for (unsigned i = 0; i < batch.nRecordsAfter; ++i) PaceBusyIndicator(pPacer);
}

}  // namespace

void ReplotFromDataFile(const ReplotMember &member)
{
    HANDLE h = hDataFile;
    if (h == INVALID_HANDLE_VALUE) return;
    HDC hdcWindow = hwndMap ? GetDC(hwndMap) : nullptr;
    HDC hdcMem = CreateCompatibleDC(hdcWindow);
    std::unique_ptr<DataFileScan> scan(new DataFileScan);
    BeginDataFileScan(scan.get());
    BusyPacer pacer;
    BeginBusyPacer(&pacer);
    const bool bColour = nColorMapView != 0;
    double dSavedColorStep = dColorStep;
    if (member.nColorStepScale == 2) ComputeColorStep(dScale2Min, dScale2Max);
    else ComputeColorStep(dScale1Min, dScale1Max);

    std::unique_ptr<ReplotEnd> end(new ReplotEnd);
    if (hdcMem) {
        // The reading half on its own thread; should none be had, it reads and the screen thread draws in turns.
        ReplotHandOver handOver;
        std::thread reader;
        try {
            reader = std::thread([&] {
                try {
                    ReadReplotSteps(member, scan.get(), bColour, end.get(),
                                    [&handOver](ReplotBatch &batch, bool bLast) { handOver.Hand(batch, bLast); });
                } catch (const std::bad_alloc &) {
                    end->bEnd = true;  // the open row is not known: the live row stays as the handlers left it
                    handOver.Finish();
                }
            });
        } catch (const std::system_error &) {
        }
        if (reader.joinable()) {
            ReplotBatch batch;
            while (handOver.Take(batch)) DrawReplotBatch(hdcMem, member, batch, &pacer);
            reader.join();
        } else {
            ReadReplotSteps(member, scan.get(), bColour, end.get(), [&](ReplotBatch &batch, bool) {
                DrawReplotBatch(hdcMem, member, batch, &pacer);
                batch.Clear();
            });
        }
    }

    // While recording, the readings after the last footprint are the live row still open: the reading handlers
    // stored its cells in the view and classes in force when they came. They are the rebuild's cells now, so that
    // the next position paints that stretch as every later rebuild will (in a channel chosen in mid-walk too).
    if (hdcMem && bColour && !end->bEnd && nRecordingState == 1 && nSwathRow >= 0 && nSwathRow <= 1) {
        const int n = end->bCollect ? end->nCells : 0;
        for (int i = 0; i < n; ++i) rgColorGrid[nSwathRow][i] = end->anCells[i];
        nSwathCellCount = n;
    }

    dColorStep = dSavedColorStep;
    SetFilePointer(h, 0, nullptr, FILE_END);
    if (hdcMem) DeleteDC(hdcMem);
    if (hdcWindow) ReleaseDC(hwndMap, hdcWindow);
}

void ReplotMapEm61Mk2()
{
    for (double &d : adEm61Offset) d = 0.0;
    dEm61LastValue = 0.0;
    static const ReplotMember member = {Em61ExtraRecords, Em61ReadingCell, "DEFMNPQT", 0, 1, nullptr};
    ReplotFromDataFile(member);
}

// ---------------------------------------------------------------------------------------------------------------
// Conductivity meters
// ---------------------------------------------------------------------------------------------------------------
namespace {

// The colour cell of the last reading that gave one (reused for views without a value).
int nConductivityLastCell;

// A stored text reading decoded again; false when it gives no valid channel (nothing mapped from it).
bool DecodeStoredText(const char *szRecord, double *pV1, double *pV2, int *pModeIndex)
{
    char szFrame[14];
    memcpy(szFrame, szRecord, 13);
    szFrame[13] = 0;
    double ad[8];
    int ab[8];
    char chDipole, chMarker;
    short nRange;
    *pModeIndex = 0;
    return DecodeEmRecordBuffer(szFrame, ab, ad, pV1, pV2, &chDipole, &nRange, &chMarker, pModeIndex) >= 0;
}

int Em31ReadingCell(const char *szRecord, int *pnCell)
{
    double v1, v2;
    int nMode;
    if (!DecodeStoredText(szRecord, &v1, &v2, &nMode)) return 0;
    if (nColorMapView == 1) nConductivityLastCell = ColorScaleIndex(v1, dScale1Min);
    else if (nColorMapView == 2) nConductivityLastCell = ColorScaleIndex(v2, dScale2Min);
    *pnCell = nConductivityLastCell;
    return 1;
}

// As the live handler: a reading of the chosen component and dipole is coloured, any other is white (50).
int Em38ReadingCell(const char *szRecord, int *pnCell)
{
    double v1, v2;
    int nMode;
    if (!DecodeStoredText(szRecord, &v1, &v2, &nMode)) return 0;
    *pnCell = nMode == nModeCode ? ColorScaleIndex(v1, dScale1Min) : 50;
    return 1;
}

// EM38-MK2 offsets O1..O6 (p, r, q vertical, s vertical, q horizontal, s horizontal) of the records read so far.
double adEm38Mk2Offset[6];

int Em38Mk2ExtraRecords(DataFileScan *, char *szRecord)
{
    if (szRecord[0] != 'O' || szRecord[1] < '1' || szRecord[1] > '6') return 0;
    char szNumber[12];
    memcpy(szNumber, szRecord + 2, 10);
    szNumber[10] = 0;
    adEm38Mk2Offset[szRecord[1] - '1'] = TextToDouble(szNumber);
    return 1;
}

int Em38Mk2ReadingCell(const char *szRecord, int *pnCell)
{
    double ad[8], p, q, r, s;
    int ab[8];
    char chDipole, chMarker;
    const double *o = adEm38Mk2Offset;
    DecodeEm38Mk2RecordBuffer(szRecord, ab, ad, &p, &q, &r, &s, &chDipole, &chMarker, o[0], o[1], o[2], o[3], o[4],
                              o[5]);
    switch (nColorMapView) {
    case 2: *pnCell = ColorScaleIndex(q, dScale2Min); break;
    case 3: *pnCell = ColorScaleIndex(r, dScale1Min); break;
    case 4: *pnCell = ColorScaleIndex(s, dScale2Min); break;
    default: *pnCell = ColorScaleIndex(p, dScale1Min); break;  // view 1, and as the live handler for the others
    }
    return 1;
}

}  // namespace

void ReplotMapEm31()
{
    nConductivityLastCell = 0;
    const ReplotMember member = {nullptr, Em31ReadingCell, "DEFMNPQT", 0, ColorStepScale(), nullptr};
    ReplotFromDataFile(member);
}

void ReplotMapEm38()
{
    // The class width of the live cells.
    const ReplotMember member = {nullptr, Em38ReadingCell, "DEFMNPQT", 0, ColorStepScale(), nullptr};
    ReplotFromDataFile(member);
}

void ReplotMapEm34()
{
    const ReplotMember member = {nullptr, nullptr, "", 0, 1, PlotSeparationMark};
    ReplotFromDataFile(member);
}

void ReplotMapEm38Mk2()
{
    for (double &d : adEm38Mk2Offset) d = 0.0;
    const ReplotMember member = {Em38Mk2ExtraRecords, Em38Mk2ReadingCell, "23456Tt", 0, ColorStepScale(),
                                 nullptr};
    ReplotFromDataFile(member);
}

void ReplotMapEm61Lx2()
{
    for (double &d : adLx2Offset) d = 0.0;
    for (double &d : adLx2Coefficient) d = 0.0;
    for (double &d : adLx2LastValue) d = 0.0;
    const ReplotMember member = {Lx2ExtraRecords, Lx2ReadingCell, "DEFMNPQT", nSensorsMinus1 == 1 ? 1 : 0, 1, nullptr};
    ReplotFromDataFile(member);
}
