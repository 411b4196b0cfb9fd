// EM61-MK2 frame decoding: gains, mode factors, current normalisation, zero offsets and screen rows.
#include "processing/em61mk2_decode.h"

#include <cmath>
#include <cstdio>
#include <cwchar>

#include "core/settings.h"
#include "core/text.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"

double adCurrentRing[REFERENCE_RING_MAX];
int nReferenceRingLength = REFERENCE_RING_MAX;
int nReferenceRingPos = 0;
double dCurrentSum = 0.0;
double dCurrentMean = 0.0;
double dCurrentNormFactor = 1.0;
int bReferenceReady = 0;
int nEm61ProcedureState = 1;
int nEm61Mk2AltMode = 0;
const double adCurrentFactor[3] = {0.0018780699, 0.0058, 0.0058988159};

// Counts per millivolt step of a channel word.
static const double dChannelWordScale = 4.8333;

int ClampToInt(double dValue, int nMin, int nMax)
{
    if (std::isnan(dValue)) return nMin;
    if (dValue <= (double)nMin) return nMin;
    if (dValue >= (double)nMax) return nMax;
    return (int)dValue;  // truncation toward zero, within range
}

// Ring length in use: the setting kept within the ring's storage.
static int RingLength()
{
    if (nReferenceRingLength < 1) return 1;
    if (nReferenceRingLength > REFERENCE_RING_MAX) return REFERENCE_RING_MAX;
    return nReferenceRingLength;
}

// Signed 16-bit word, high byte first.
static int BigEndianWord(const char *p)
{
    return (short)(((unsigned char)p[0] << 8) | (unsigned char)p[1]);
}

void DecodeGainCode(int nGainCode, int anGain[4])
{
    int rest = nGainCode & 0xFF;
    if (rest >= 192) {
        anGain[0] = 100;
        rest -= 192;
    } else if (rest >= 64) {
        anGain[0] = 10;
        rest -= 64;
    } else {
        anGain[0] = 1;
    }
    if (rest >= 48) {
        anGain[1] = 100;
        rest -= 48;
    } else if (rest >= 16) {
        anGain[1] = 10;
        rest -= 16;
    } else {
        anGain[1] = 1;
    }
    if (rest >= 12) {
        anGain[2] = 100;
        rest -= 12;
    } else if (rest >= 4) {
        anGain[2] = 10;
        rest -= 4;
    } else {
        anGain[2] = 1;
    }
    anGain[3] = rest == 3 ? 100 : rest == 1 ? 10 : 1;
}

static int IsHighPowerType()
{
    return nEm61Type == 1 || nEm61Type == 3;
}

static int IsStandardType()
{
    return !IsHighPowerType();
}

// Channel words of bytes 2..9 divided by their gains.
static void RawChannels(const char *pFrame, double adChannel[4])
{
    int anGain[4];
    DecodeGainCode((unsigned char)pFrame[1], anGain);
    for (int k = 0; k < 4; ++k) adChannel[k] = BigEndianWord(pFrame + 2 + 2 * k) * dChannelWordScale / anGain[k];
}

// Mode factors of the letter, type and coil size; returns the nominal current level and sets the current class.
static double ApplyModeScale(int nLetter, double adChannel[4], double dCurrent, int *pnClass)
{
    *pnClass = 0;
    int bDN = nLetter == 'D' || nLetter == 'N';
    if (nLetter == 'E' || nLetter == 'P') {
        static const double f[4] = {0.9025, 1.363, 2.026795, 3.018856};
        for (int k = 0; k < 4; ++k) adChannel[k] *= f[k];
        return 1800.0;
    }
    if (nLetter == 'F' || nLetter == 'Q') {
        static const double f[4] = {0.9025, 1.363, 2.043, 12.152};
        for (int k = 0; k < 4; ++k) adChannel[k] *= f[k];
        return 1800.0;
    }
    if (bDN && nSensorSize == 0) adChannel[3] *= IsHighPowerType() ? 1.114 * 1.112 : 1.114 / 1.112;
    double dLevel;
    if (IsStandardType()) {
        adChannel[0] *= 2;
        adChannel[1] *= 2;
        adChannel[2] *= 2;
        adChannel[3] *= bDN ? 4 : 2;
        dLevel = 3000.0;
        if (bDN && nEm61Mk2AltMode == 1)
            for (int k = 0; k < 3; ++k) adChannel[k] /= 2;
        return dLevel;
    }
    double dHigh, dLow, dThreshold;
    if (nSensorSize == 2) {
        adChannel[0] *= 1.33;
        adChannel[1] *= 1.33 * 1.53;
        adChannel[2] *= 1.33 * 2.257;
        adChannel[3] *= 1.33 * 1.885;
        dHigh = 3729.0;
        dLow = 1920.0;
        dThreshold = 2600.0;
    } else {
        adChannel[0] *= 1.72;
        adChannel[1] *= 2.54;
        adChannel[2] *= 3.74;
        adChannel[3] *= 6.07;
        if (nSensorSize == 1) {
            dHigh = 2230.0;
            dLow = 1123.0;
            dThreshold = 1650.0;
        } else {
            dHigh = 1840.0;
            dLow = 920.0;
            dThreshold = 1350.0;
        }
    }
    if (dCurrent >= dThreshold) {
        *pnClass = 1;
        return dHigh;
    }
    *pnClass = 2;
    return dLow;
}

// Normalisation factor: the nominal level over the current, 1 for the N.C.C. types and for a current of 0 (or one
// that gives no finite factor), so that such a reading shows its unnormalised value.
static double NormFactor(double dLevel, double dCurrent)
{
    if (nEm61TypeSaved == 1) return 1.0;
    if (dCurrent == 0.0) return 1.0;
    double dFactor = dLevel / dCurrent;
    if (!std::isfinite(dFactor)) return 1.0;
    return dFactor;
}

void PushCurrentRing(double dCurrent)
{
    int nLength = RingLength();
    if (nReferenceRingPos < 0 || nReferenceRingPos >= nLength) nReferenceRingPos = 0;
    dCurrentSum -= adCurrentRing[nReferenceRingPos];
    adCurrentRing[nReferenceRingPos] = dCurrent;
    nReferenceRingPos = nReferenceRingPos + 1 >= nLength ? 0 : nReferenceRingPos + 1;
    dCurrentSum += dCurrent;
    dCurrentMean = dCurrentSum / nLength;
}

void WriteMeanCurrent(char *pFrame)
{
    int nWhole = ClampToInt(dCurrentMean, -32768, 32767);
    int nHundredths = ClampToInt((dCurrentMean - nWhole) * 100.0, -99, 99);
    pFrame[10] = (char)((nWhole >> 8) & 0xFF);
    pFrame[11] = (char)(nWhole & 0xFF);
    pFrame[12] = (char)(nHundredths & 0xFF);
}

int DecodeInstrumentFrame(char *pFrame, double adChannel[4], double *pdCurrent, int *pnBattery, short *pnGainCode,
                          int *pnModeLetter, int *pnCurrentClass)
{
    // 1. This frame's current, with the streaming ("OV") correction of the two non-N.C.C. types.
    double dCurrent = BigEndianWord(pFrame + 10);
    if (nInstrumentCmdReply == 0) {
        if (nEm61Type == 0) dCurrent /= 1.047;
        else if (nEm61Type == 1) dCurrent /= 1.152;
    }
    // 2.-4. Letter, gain code, battery, channels and mode factors.
    int nLetter = (unsigned char)pFrame[0];
    *pnModeLetter = nLetter;
    *pnGainCode = (short)(unsigned char)pFrame[1];
    *pnBattery = (unsigned char)pFrame[12];
    RawChannels(pFrame, adChannel);
    int nClass = 0;
    double dLevel = ApplyModeScale(nLetter, adChannel, dCurrent, &nClass);
    *pnCurrentClass = nClass;
    *pdCurrent = dCurrent;
    // 5. Ring.
    PushCurrentRing(dCurrent);
    // 6.-7. Normalisation and zero offsets.
    dCurrentNormFactor = NormFactor(dLevel, dCurrentMean);
    for (int k = 0; k < 4; ++k) adChannel[k] = adChannel[k] * dCurrentNormFactor - adOffset[k];
    // 8. Write-back for the reading record.
    pFrame[13] = pFrame[10];
    pFrame[14] = pFrame[11];
    pFrame[15] = pFrame[12];
    WriteMeanCurrent(pFrame);
    pFrame[16] = 0;
    return 16;
}

void DecodeInstrumentFrameWithOffsets(const char *pRecord, double adChannel[4], const double adOffsetIn[4],
                                      int *pnModeLetter)
{
    double dCurrent = BigEndianWord(pRecord + 10) + (signed char)pRecord[12] / 100.0;
    int nLetter = (unsigned char)pRecord[0];
    *pnModeLetter = nLetter;
    RawChannels(pRecord, adChannel);
    int nClass = 0;
    double dLevel = ApplyModeScale(nLetter, adChannel, dCurrent, &nClass);
    if (nEm61Mk2AltMode == 2) {
        adChannel[1] *= 0.8;
        adChannel[2] *= 0.64;
        adChannel[3] *= 0.6072;
        dLevel = 1.0;
    }
    double dFactor = NormFactor(dLevel, dCurrent);
    for (int k = 0; k < 4; ++k) adChannel[k] = adChannel[k] * dFactor - adOffsetIn[k];
}

int AccumulateReferenceAverage()
{
    int nLength = RingLength();
    if (nReferenceRingPos < 0 || nReferenceRingPos >= nLength) nReferenceRingPos = 0;
    adCurrentRing[nReferenceRingPos] = BigEndianWord(szInstrumentRecord + 10);
    nReferenceRingPos = nReferenceRingPos + 1;
    if (nReferenceRingPos < nLength) return nReferenceRingPos * 100 / nLength;
    double dSum = 0.0;
    for (int k = 0; k < nLength; ++k) dSum += adCurrentRing[k];
    dCurrentSum = dSum;
    dCurrentMean = dSum / nLength;
    nReferenceRingPos = 0;
    bReferenceReady = 1;
    return 100;
}

void ApplySignedSqrtScale(const double adIn[4], double adOut[4])
{
    for (int k = 0; k < 4; ++k) {
        if (nScaleType == 1) {
            double d = std::sqrt(std::fabs(adIn[k]));
            adOut[k] = adIn[k] < 0 ? -d : d;
        } else {
            adOut[k] = adIn[k];
        }
    }
}

void ChannelValuesToScreen(const double adValue[4], int anProfileY[4], int anDecayY[4])
{
    for (int k = 0; k < 4; ++k) {
        anProfileY[k] = ClampToInt((dScale1Max - adValue[k]) * dScale1PixPerUnit, -SCREEN_ROW_LIMIT, SCREEN_ROW_LIMIT);
        anDecayY[k] = ClampToInt((dScale1Max - adValue[k]) * dScale1PixPerUnitB, -SCREEN_ROW_LIMIT, SCREEN_ROW_LIMIT);
    }
}

void FormatBatteryText(int nBatteryByte, wchar_t *szText, size_t nSize)
{
    FormatBoxText(szText, nSize, L"%4.1f V", nBatteryByte / 6.66757);
}

void FormatCurrentText(double dCurrent, int nCurrentClass, wchar_t *szText, size_t nSize)
{
    if (nCurrentClass < 0 || nCurrentClass > 2) nCurrentClass = 0;
    FormatBoxText(szText, nSize, L"%4.1f A", dCurrent * adCurrentFactor[nCurrentClass]);
}

wchar_t Em61Mk2ModeCharacter(int nModeLetter)
{
    switch (nModeLetter) {
    case 'T':
    case 'E':
    case 'M':
    case 'P':
        return L'4';
    default:
        return L'D';
    }
}
