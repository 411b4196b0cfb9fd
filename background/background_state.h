// Background file slots: the loaded background files, their temporary files, styles and file types.
#pragma once

#include <cstddef>

// Number of slots (constant 10); slots 0..nBackgroundFileCount-1 are in use, the newest is count-1.
extern const int nMaxBackgroundFiles;
#define BACKGROUND_SLOTS 10
#define BACKGROUND_NAME_CHARS 64
extern int nBackgroundFileCount;
// Per slot the display name: the chosen file's name without its folder (cut to fit).
extern wchar_t aszBackgroundFileName[BACKGROUND_SLOTS][BACKGROUND_NAME_CHARS];
// Per slot the temporary file's bare name (no folder), in the temporary folder szTempFolder.
extern wchar_t aszBackgroundTempFile[BACKGROUND_SLOTS][BACKGROUND_NAME_CHARS];
// Per slot the display style chosen at load (nBgDisplayType) and the file type (0 data file, 1 ASCII, 2 ASCII with
// labels); the ticks of the remove dialog.
extern int aBgSlotStyle[BACKGROUND_SLOTS];
extern int aBgSlotFileType[BACKGROUND_SLOTS];
extern int abBgRemoveTick[BACKGROUND_SLOTS];

// Deletes the temporary file of every used slot from the temporary folder (the current folder is kept), then
// empties every slot: the count becomes 0, every name the empty text, styles and file types 0.
void ClearBackgroundSlots();

// Deletes one temporary file by its bare name: the temporary folder is made current for the deletion and the
// previous current folder restored. Returns 1 when the file was deleted.
int DeleteBackgroundTempFile(const wchar_t *szBareName);
