// Background file slots: count and display names of the loaded background files.
#include "background/background_state.h"

const int nMaxBackgroundFiles = BACKGROUND_SLOTS;
int nBackgroundFileCount = 0;
wchar_t aszBackgroundFileName[BACKGROUND_SLOTS][BACKGROUND_NAME_CHARS] = {};

void ClearBackgroundSlots()
{
    nBackgroundFileCount = 0;
    for (int i = 0; i < nMaxBackgroundFiles; i++)
        aszBackgroundFileName[i][0] = L'\0';
}
