// Profile redraw from the data file: the open file read backwards from its end, readings decoded again and drawn.
#pragma once

#include <cstdint>

#include "platform/platform.h"

// ---------------------------------------------------------------------------------------------------------------
// The frame every member of the profile redraw shares: a backward reader over the whole records of the open data
// file. It holds the read position at the start and restores it at the end, so that the record writers go on
// appending where they were. Records are read in blocks (one read per block, not per record), and a scan never
// returns more than PROFILE_SCAN_RECORD_BOUND records: a line that holds no readings for a long stretch (GPS only,
// a long link break) costs the same as a short one, whatever the file's size.
// ---------------------------------------------------------------------------------------------------------------
constexpr long PROFILE_SCAN_RECORD_BOUND = 250000;
constexpr int PROFILE_SCAN_BLOCK_BYTES = 65536;

struct ProfileScan {
    HANDLE h;
    int nLength;        // record length (2 .. DATA_RECORD_MAX)
    int nNewline;       // index of the line feed, below nLength
    int64_t nHeld;      // read position at the start, restored by EndProfileScan
    int64_t nPos;       // file offset of the record returned last
    int64_t nBlockAt;   // file offset of the block's first byte
    int nBlockFill;     // bytes held in the block
    long nReturned;     // records returned so far
    char achBlock[PROFILE_SCAN_BLOCK_BYTES];
};

// Starts a scan after the last whole record of the open data file. Returns false (nothing held, nothing to end)
// when no data file is open.
bool BeginProfileScan(ProfileScan *pScan);
// The record before the one returned last, into szRecord (at least DATA_RECORD_MAX + 1 bytes), ended at the line
// feed. Returns false at the start of the file, at a failed read, or once the bound of records is reached.
bool PreviousProfileRecord(ProfileScan *pScan, char *szRecord);
// Gives the record returned last back: the next PreviousProfileRecord returns it again.
void UnreadProfileRecord(ProfileScan *pScan);
// Restores the read position held at the start.
void EndProfileScan(ProfileScan *pScan);

// Record kinds the EM61 redraw knows (readings D E F M N P Q T, then S Z O X), filled at start-up by
// InitProfileRecordKinds (the logging screen's).
extern wchar_t awProfileRecordKinds[12];
int InitProfileRecordKinds();

// EM61-MK2: rebuilds the four-channel profile in the window from the readings of the current line (back to its
// 'Z' record or until the window is full), each decoded with the offsets in force when it was written. Leaves the
// file's read position as it was; draws nothing when no data file is open.
void RedrawProfileFromFile(HWND hwnd);

// EM31-MK2, EM38, EM34-3 and EM38-MK2: rebuilds the profile in the window from the readings of the current line,
// station readings sharing the column of their first reading, EM38-MK2 readings decoded with the offsets in force
// when they were written. A channel missing from a reading, a station record and a pause leave gaps.
void RedrawProfileFromDataFile(HWND hwnd);
// EM61-LX2: rebuilds the E, L and F traces of the current line, the first coil in the first window and, with two
// coils, the second coil in the second window; each reading decoded with the offsets in force when it was written
// and the filter ratios in use, and replayed through the live strip chart. Leaves the file's read position as it
// was; draws nothing when no file is open.
void RedrawProfileFromFileTwoSensors(HWND hwndFirst, HWND hwndSecond);

// EM38-4: conductivity (scale 1) into the first window and, in display mode 0, in-phase (scale 2) into the second,
// decoded with the coefficients in force when each reading was taken; the coefficients in force stay as they are.
void RedrawEm384ProfileFromFile(HWND hwnd1, HWND hwnd2);
// CS-21: the conductivity traces of both sentences into the first window, the in-phase traces into the second.
void RedrawDualEmProfileFromFile(HWND hwnd1, HWND hwnd2);
// Grad601: sensor 1 into the first window and, with two sensors, sensor 2 into the second.
void RedrawRecentRecordsGrad(HWND hwnd1, HWND hwnd2);
