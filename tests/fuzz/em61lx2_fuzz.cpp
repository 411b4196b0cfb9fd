// Fuzz target: the EM61-LX2 decoders, live frames of one and two coils (the current ring and the write-back of the
// mean) and stored records, from any bytes, and the filter factor taken from the decoded channels.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/settings.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em61mk2_decode.h"
#include "processing/filter_factor.h"

namespace {

bool AllFinite(const double *ad, int n)
{
    for (int k = 0; k < n; k++)
        if (!std::isfinite(ad[k])) return false;
    return true;
}

// A factor the calibration would accept is a number within the valid range.
void CheckFactorOfRatio(double dEarly, double dLate)
{
    const double dFactor = ConvertFilterFactor(dEarly / dLate, 0);
    if (FilterFactorAcceptable(dFactor) && !(dFactor >= 125.0 && dFactor <= 1000.0)) abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    if (nSize < 2) return 0;
    // The first byte: normalisation switch, ring length (1..98, and out-of-range settings) and offsets.
    bNoCurrentNorm = pData[0] & 1;
    static const int anRing[4] = {98, 3, 0, 100000};
    nReferenceRingLength = anRing[(pData[0] >> 1) & 3];
    static const double adOffsets[4][4] = {{0, 0, 0, 0}, {1.5, -2.5, 1e6, -1e6}, {200, 100, 200, 100}, {-0.01, 0, 7, 3}};
    for (int k = 0; k < 4; k++) adOffset[k] = adOffsets[(pData[0] >> 3) & 3][k];
    const int bDual = (pData[0] >> 5) & 1;
    for (size_t nAt = 1; nAt + 12 <= nSize; nAt += 16) {
        char abFrame[32] = {0};
        const size_t n = nSize - nAt < 16 ? nSize - nAt : 16;
        memcpy(abFrame, pData + nAt, n);
        const char ch14 = abFrame[14], ch15 = abFrame[15];
        const unsigned char bRange = (unsigned char)abFrame[1];
        double ad[4] = {0, 0, 0, 0};
        int nCurrent = 0, nBattery = 0, nRange = 0, nMode = 0;
        const int nResult =
            bDual ? DecodeReading4ChAveraged(abFrame, &ad[0], &ad[1], &ad[2], &ad[3], &nCurrent, &nBattery, &nRange,
                                             &nMode)
                  : DecodeReading2ChAveraged(abFrame, &ad[0], &ad[1], &nCurrent, &nBattery, &nRange, &nMode);
        if (nResult != 1) abort();
        if (!AllFinite(ad, 4) || !std::isfinite(dCurrentMean) || !std::isfinite(dCurrentNormFactor)) abort();
        if (nCurrent < -32768 || nCurrent > 32767 || nBattery < 0 || nBattery > 255) abort();
        if (nRange != bRange || nMode != (unsigned char)pData[nAt]) abort();
        // The record carries the mean current in bytes 10..12 (hundredths within one), byte 13 cleared, 14..15 kept.
        if (abFrame[13] != 0 || abFrame[14] != ch14 || abFrame[15] != ch15) abort();
        if ((signed char)abFrame[12] < -99 || (signed char)abFrame[12] > 99) abort();
        CheckFactorOfRatio(ad[0], ad[1]);
        CheckFactorOfRatio(ad[2], ad[3]);

        // The written record, then the raw bytes, as stored records with the offsets in force.
        for (int nPass = 0; nPass < 2; nPass++) {
            const char *pRecord = abFrame;
            char abRaw[32] = {0};
            if (nPass == 1) {
                memcpy(abRaw, pData + nAt, n);
                pRecord = abRaw;
            }
            double as[4] = {0, 0, 0, 0};
            int nLetter = 0;
            DecodeReading2Ch(pRecord, adOffset[0], adOffset[1], &as[0], &as[1], &nLetter);
            if (!AllFinite(as, 2) || nLetter != (unsigned char)pRecord[0]) abort();
            DecodeReading4Ch(pRecord, adOffset[0], adOffset[1], adOffset[2], adOffset[3], &as[0], &as[1], &as[2],
                             &as[3], &nLetter);
            if (!AllFinite(as, 4) || nLetter != (unsigned char)pRecord[0]) abort();
        }
    }
    return 0;
}
