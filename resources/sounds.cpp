// Names of the program's nine WAVE sounds (the platform layer generates the clips).
#include "resources/resources.h"

const wchar_t *const aszSoundNames[9] = {
    L"BETWEENSOUND", L"LEFTRIGHTSOUND", L"LEFTSOUND",     L"RIGHTSOUND",   L"RINGINSOUND",
    L"SOUND_GPSWARNING", L"SOUND_RESULT", L"SOUND_RING", L"SOUND_RING_2S",
};
