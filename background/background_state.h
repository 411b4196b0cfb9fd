// Background file slots: the loaded background files and their display names.
#pragma once

#include <cstddef>

// Number of slots (constant 10); slots 0..nBackgroundFileCount-1 are in use, the newest is count-1.
extern const int nMaxBackgroundFiles;
#define BACKGROUND_SLOTS 10
#define BACKGROUND_NAME_CHARS 64
extern int nBackgroundFileCount;
// Per slot the display name: the chosen file's name without its folder.
extern wchar_t aszBackgroundFileName[BACKGROUND_SLOTS][BACKGROUND_NAME_CHARS];

// Empties every slot: the count becomes 0 and every name the empty text.
void ClearBackgroundSlots();
