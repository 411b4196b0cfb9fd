// Profile redraw from the data file: the open file read backwards from its end, readings decoded again and drawn.
#pragma once

#include "platform/platform.h"

// Record kinds the EM61 redraw knows (readings D E F M N P Q T, then S Z O X), filled at start-up by
// InitProfileRecordKinds (the logging screen's).
extern wchar_t awProfileRecordKinds[12];
int InitProfileRecordKinds();

// EM61-MK2: rebuilds the four-channel profile in the window from the readings of the current line (back to its
// 'Z' record or until the window is full), each decoded with the offsets in force when it was written. Leaves the
// file's read position as it was; draws nothing when no data file is open.
void RedrawProfileFromFile(HWND hwnd);

// Backward reader over whole records of the open file, from its last whole record towards its start.
struct BackwardScan {
    HANDLE h;
    int L;       // record length
    long nPos;   // offset of the record read last (the next read is the one before it)
};
// Reads the record before the current one into nnn (at least the record length; zero at the line feed); false
// when none is left or a seek or read fails.
bool ReadPrevious(BackwardScan *s, char *nnn);

// EM38-4: conductivity (scale 1) into the first window and, in display mode 0, in-phase (scale 2) into the second,
// decoded with the coefficients in force when each reading was taken; the coefficients in force stay as they are.
void RedrawEm384ProfileFromFile(HWND hwnd1, HWND hwnd2);
// CS-21: the conductivity traces of both sentences into the first window, the in-phase traces into the second.
void RedrawDualEmProfileFromFile(HWND hwnd1, HWND hwnd2);
// Grad601: sensor 1 into the first window and, with two sensors, sensor 2 into the second.
void RedrawRecentRecordsGrad(HWND hwnd1, HWND hwnd2);
