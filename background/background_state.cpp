// Background file slots: count, names, styles and file types of the loaded background files.
#include "background/background_state.h"

#include "background/background_files.h"
#include "core/core.h"
#include "platform/platform.h"

const int nMaxBackgroundFiles = BACKGROUND_SLOTS;
int nBackgroundFileCount = 0;
wchar_t aszBackgroundFileName[BACKGROUND_SLOTS][BACKGROUND_NAME_CHARS] = {};
wchar_t aszBackgroundTempFile[BACKGROUND_SLOTS][BACKGROUND_NAME_CHARS] = {};
int aBgSlotStyle[BACKGROUND_SLOTS] = {};
int aBgSlotFileType[BACKGROUND_SLOTS] = {};
int abBgRemoveTick[BACKGROUND_SLOTS] = {};

int DeleteBackgroundTempFile(const wchar_t *szBareName)
{
    if (!szBareName || !szBareName[0]) return 0;
    TempFolderScope scope;
    return DeleteFile(szBareName) ? 1 : 0;
}

void ClearBackgroundSlots()
{
    int nUsed = nBackgroundFileCount;
    if (nUsed < 0) nUsed = 0;
    if (nUsed > nMaxBackgroundFiles) nUsed = nMaxBackgroundFiles;
    for (int i = 0; i < nUsed; i++) DeleteBackgroundTempFile(aszBackgroundTempFile[i]);
    nBackgroundFileCount = 0;
    for (int i = 0; i < nMaxBackgroundFiles; i++) {
        aszBackgroundFileName[i][0] = L'\0';
        aszBackgroundTempFile[i][0] = L'\0';
        aBgSlotStyle[i] = 0;
        aBgSlotFileType[i] = 0;
        abBgRemoveTick[i] = 0;
    }
}
