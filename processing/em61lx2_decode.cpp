// EM61-LX2 frame and record decoding: range byte, current normalisation and zero offsets, one coil or two.
#include "processing/em61lx2_decode.h"

#include <cmath>

#include "core/settings.h"
#include "processing/em61mk2_decode.h"

int bNoCurrentNorm = 0;

namespace {

// Millivolts per count of a channel word at range 1.
constexpr double kMillivoltsPerCount = 20.0;
// Nominal transmitter currents the readings are normalised to, and the current that separates them.
constexpr double kHighCurrentLevel = 3171.2;
constexpr double kLowCurrentLevel = 1585.6;
constexpr double kCurrentThreshold = 2212.0;

int Word(const char *p)
{
    return (short)(((unsigned char)p[0] << 8) | (unsigned char)p[1]);
}

// Channels 1..n of the frame in millivolts, normalised by the factor and corrected by the offsets.
void Channels(const char *p, int n, double dFactor, const double *adOff, double *adOut)
{
    int anRange[4];
    DecodeGainCode((unsigned char)p[1], anRange);
    for (int k = 0; k < n; k++)
        adOut[k] = Word(p + 2 + 2 * k) * kMillivoltsPerCount / anRange[k] * dFactor - adOff[k];
}

// Stored record: bytes 10..11 and the hundredths in byte 12; factor 1 without normalisation or current.
double StoredFactor(const char *p)
{
    const double dCurrent = Word(p + 10) + (signed char)p[12] / 100.0;
    if (bNoCurrentNorm != 0 || dCurrent == 0.0) return 1.0;
    return (dCurrent >= kCurrentThreshold ? kHighCurrentLevel : kLowCurrentLevel) / dCurrent;
}

// Live frame: moves the ring, sets dCurrentMean and dCurrentNormFactor, rewrites bytes 10..13.
void AverageCurrent(char *p, int *pnCurrent, int *pnBattery, int *pnRange, int *pnModeLetter)
{
    const int nCurrent = Word(p + 10);
    *pnCurrent = nCurrent;
    *pnBattery = (unsigned char)p[12];
    *pnRange = (unsigned char)p[1];
    *pnModeLetter = (unsigned char)p[0];
    PushCurrentRing(nCurrent);
    if (dCurrentMean == 0.0) dCurrentNormFactor = 1.0;
    else dCurrentNormFactor = (nCurrent > kCurrentThreshold ? kHighCurrentLevel : kLowCurrentLevel) / dCurrentMean;
    if (bNoCurrentNorm == 1 || !std::isfinite(dCurrentNormFactor)) dCurrentNormFactor = 1.0;
    WriteMeanCurrent(p);
    p[13] = 0;
}

}  // namespace

void DecodeReading2Ch(const char *pRecord, double dOffset1, double dOffset2, double *pdCh1, double *pdCh2,
                      int *pnModeLetter)
{
    const double adOff[2] = {dOffset1, dOffset2};
    double ad[2];
    Channels(pRecord, 2, StoredFactor(pRecord), adOff, ad);
    *pdCh1 = ad[0];
    *pdCh2 = ad[1];
    *pnModeLetter = (unsigned char)pRecord[0];
}

void DecodeReading4Ch(const char *pRecord, double dOffset1, double dOffset2, double dOffset3, double dOffset4,
                      double *pdCh1, double *pdCh2, double *pdCh3, double *pdCh4, int *pnModeLetter)
{
    const double adOff[4] = {dOffset1, dOffset2, dOffset3, dOffset4};
    double ad[4];
    Channels(pRecord, 4, StoredFactor(pRecord), adOff, ad);
    *pdCh1 = ad[0];
    *pdCh2 = ad[1];
    *pdCh3 = ad[2];
    *pdCh4 = ad[3];
    *pnModeLetter = (unsigned char)pRecord[0];
}

int DecodeReading2ChAveraged(char *pFrame, double *pdCh1, double *pdCh2, int *pnCurrent, int *pnBattery,
                             int *pnRange, int *pnModeLetter)
{
    double ad[2];
    AverageCurrent(pFrame, pnCurrent, pnBattery, pnRange, pnModeLetter);
    Channels(pFrame, 2, dCurrentNormFactor, adOffset, ad);
    *pdCh1 = ad[0];
    *pdCh2 = ad[1];
    return 1;
}

int DecodeReading4ChAveraged(char *pFrame, double *pdCh1, double *pdCh2, double *pdCh3, double *pdCh4,
                             int *pnCurrent, int *pnBattery, int *pnRange, int *pnModeLetter)
{
    double ad[4];
    AverageCurrent(pFrame, pnCurrent, pnBattery, pnRange, pnModeLetter);
    Channels(pFrame, 4, dCurrentNormFactor, adOffset, ad);
    *pdCh1 = ad[0];
    *pdCh2 = ad[1];
    *pdCh3 = ad[2];
    *pdCh4 = ad[3];
    return 1;
}
