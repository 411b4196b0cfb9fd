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
