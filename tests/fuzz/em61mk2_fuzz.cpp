// Fuzz target: the EM61-MK2 decoder, live frames (the ring, the status texts) and stored records, from any bytes.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "processing/em61mk2_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    // Frames of 17 bytes, one after another through the same ring; the last part also as a stored record.
    for (size_t nAt = 0; nAt + 13 <= nSize; nAt += 17) {
        char abFrame[32] = {0};
        memcpy(abFrame, pData + nAt, nSize - nAt < 17 ? nSize - nAt : 17);
        double adChannel[4], dCurrent = 0;
        int nBattery = 0, nMode = 0, nClass = 0;
        short nGain = 0;
        int n = DecodeInstrumentFrame(abFrame, adChannel, &dCurrent, &nBattery, &nGain, &nMode, &nClass);
        if (n < 0 || n > 17) abort();
        wchar_t szText[16];
        FormatBatteryText(nBattery, szText, 16);
        if (wcsnlen(szText, 16) >= 16) abort();
        FormatCurrentText(dCurrent, nClass, szText, 16);
        if (wcsnlen(szText, 16) >= 16) abort();
        Em61Mk2ModeCharacter(nMode);
        int anProfile[4], anDecay[4];
        double adScaled[4];
        ApplySignedSqrtScale(adChannel, adScaled);
        ChannelValuesToScreen(adScaled, anProfile, anDecay);
        const double adOffset[4] = {0, 1.5, -2.5, 1e6};
        char abRecord[32] = {0};
        memcpy(abRecord, pData + nAt, 13);
        DecodeInstrumentFrameWithOffsets(abRecord, adChannel, adOffset, &nMode);
    }
    return 0;
}
