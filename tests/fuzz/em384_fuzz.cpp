// Fuzz target: the EM38-4 packet and reading-record decoders (DecodeEm384Words, DecodeEm384Packet,
// DecodeEm384Record) and the record's encoding, from any bytes and any coefficients the input chooses.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "processing/em384_decode.h"
#include "processing/em384_handler.h"

namespace {

// A coefficient from two input bytes: -327.68 .. 327.67.
double Coefficient(const uint8_t *p) { return (int16_t)(p[0] << 8 | p[1]) / 100.0; }

bool Finite(const Em384Values &v)
{
    for (int n = 0; n < 4; n++)
        if (!std::isfinite(v.adC[n]) || !std::isfinite(v.adI[n]) || !std::isfinite(v.adInversion[n])) return false;
    for (int n = 0; n < 2; n++)
        if (!std::isfinite(v.adTemp[n]) || !std::isfinite(v.adHeight[n])) return false;
    return (v.cMode == 'N' || v.cMode == 'M') && v.cDipole == 'V';
}

}  // namespace

// Input: one byte of modes, 40 bytes of coefficients (twenty), then records of 35 bytes.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    constexpr size_t kHead = 1 + 40;
    if (nSize < kHead + EM384_PACKET_BYTES) return 0;
    nInphaseUnits = pData[0] & 1;
    nEm384DisplayMode = (pData[0] >> 1) % 3;
    for (int i = 0; i < 12; i++) adCalibration[i] = Coefficient(pData + 1 + 2 * i);
    for (int i = 0; i < 8; i++) adCalibrationB[i] = Coefficient(pData + 25 + 2 * i);
    const Em384Coefficients k = Em384CoefficientsInForce();
    for (size_t nAt = kHead; nAt + EM384_PACKET_BYTES <= nSize; nAt += EM384_RECORD_BYTES) {
        // The packet as the reader hands it over.
        memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
        memcpy(szInstrumentRecord, pData + nAt, EM384_PACKET_BYTES);
        Em384Values packet;
        if (DecodeEm384Packet(&packet) != 8) abort();
        if (!Finite(packet)) abort();
        Em384Values words;
        DecodeEm384Words(pData + nAt, k, &words);
        if (memcmp(words.adC, packet.adC, sizeof words.adC) != 0) abort();

        // The same bytes as a stored record (short tails padded with zeros).
        char achRecord[EM384_RECORD_BYTES] = {0};
        memcpy(achRecord, pData + nAt, nSize - nAt < (size_t)EM384_RECORD_BYTES ? nSize - nAt : EM384_RECORD_BYTES);
        Em384Values v;
        int abValid[16];
        double adValue[16];
        DecodeEm384Record(achRecord, &v, abValid, adValue);
        if (!Finite(v)) abort();
        if (v.nIterations < 0 || v.nIterations > 255) abort();
        for (int c = 0; c < 16; c++)
            if (abValid[c] != (c % 2 == 0) || !std::isfinite(adValue[c])) abort();

        // Encoded again and decoded, every value comes back within one word step of its scale (in-phase steps
        // shrink by the pair's factor; 0.05 covers the largest).
        char achAgain[EM384_RECORD_BYTES];
        EncodeEm384Record(v, achRecord[0], achRecord[1], 0, achAgain);
        Em384Values back;
        DecodeEm384Record(achAgain, &back, abValid, adValue);
        if (!Finite(back)) abort();
        for (int n = 0; n < 4; n++)
            if (std::fabs(back.adC[n] - v.adC[n]) > 0.05 || std::fabs(back.adI[n] - v.adI[n]) > 0.05) abort();
        if (back.cMode != v.cMode) abort();

        // Rows for the profiles and bars are held to the drawers' band.
        int anProfile[16], anBar1[4], anBar2[4];
        ScaleEm384Channels(adValue, anProfile, anBar1, anBar2);
    }
    return 0;
}
