// Record decoding of the conductivity meters: EM31-MK2, EM38 and EM34-3 text records, EM38-MK2 word records.
#include "processing/conductivity_decode.h"

#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "platform/platform.h"

namespace {

// A five-character field from byte nAt, as a decimal number; anything a five-character field cannot hold (an
// exponent) is cut to its range.
double FieldValue(const char *pRecord, int nAt)
{
    char sz[6];
    memcpy(sz, pRecord + nAt, 5);
    sz[5] = 0;
    double v = TextToDouble(sz);
    if (v > 99999.0) v = 99999.0;
    if (v < -99999.0) v = -99999.0;
    return v;
}

// Range rows by range index; an index without a row gives range 0.
EmRangeRow Em31Range(int nIndex)
{
    switch (nIndex) {
    case 0: case 6: return {1000, -0.25};
    case 4: return {100, -0.025};
    case 1: case 2: case 3: case 5: case 7: return {10, -0.0025};
    default: return {0, 0.0};
    }
}

EmRangeRow Em34Range(int nIndex)
{
    switch (nIndex) {
    case 0: return {3, -0.00075};
    case 2: return {10, -0.0025};
    case 3: return {30, -0.0075};
    case 4: return {100, -0.025};
    case 5: return {300, -0.075};
    case 1: case 6: case 7: return {1000, -0.25};
    default: return {0, 0.0};
    }
}

struct TextDecode {
    double v1 = 0.0, v2 = 0.0;
    char chDipole = 'H';
    short nRange = 0;
    char chMarker = 'N';
    int nModeIndex = 0;
    int bBattery = 0;
    int nSlot = -1;  // the valid slot, -1 for none
};

TextDecode DecodeText(const char *pRecord, double adValue[8], int abValid[8])
{
    TextDecode d;
    for (int i = 0; i < 8; i++) {
        adValue[i] = 0.0;
        abValid[i] = 0;
    }
    const int nType = nInstrumentType;
    if (nType != INSTRUMENT_EM31MK2 && nType != INSTRUMENT_EM38 && nType != INSTRUMENT_EM34) return d;
    int f = (unsigned char)pRecord[1];
    d.bBattery = f & 1;
    if (f > 128) f -= 128;
    if (f >= 64) {
        d.chMarker = 'M';
        f -= 64;
    }
    if (nSurveyMode == 2) d.chMarker = 'N';
    const double dField1 = FieldValue(pRecord, 2);

    if (nType == INSTRUMENT_EM34) {
        int nBase = 0;
        if (f >= 32) {
            d.chDipole = 'H';
            nBase = 3;
            f -= 32;
        } else {
            d.chDipole = 'V';
        }
        int nSeparation;
        if (f >= 24) {
            nSeparation = 40;
            nBase += 2;
            f -= 24;
        } else if (f >= 16) {
            nSeparation = 10;
            f -= 16;
        } else {
            if (f >= 8) f -= 8;
            nSeparation = 20;
            nBase += 1;
        }
        const EmRangeRow row = Em34Range(f);
        d.nRange = row.nRange;
        d.v1 = dField1 * row.dScale;
        d.v2 = nSeparation;
        if (row.nRange != 0) {
            d.nSlot = nBase;
            adValue[nBase] = d.v1;
            abValid[nBase] = 1;
        }
        return d;
    }

    int nDivisor = 1;
    if (f >= 32) {
        d.chDipole = 'V';
        f -= 32;
    }
    if (f >= 16) {
        nDivisor = 8;
        f -= 16;
    }
    if (f >= 8) f -= 8;
    const int nH = d.chDipole == 'H' ? 1 : 0;

    if (nType == INSTRUMENT_EM38) {
        const bool bConductivity = f >= 4;
        if (bConductivity) f -= 4;
        const bool b1000 = f == 3;
        d.nRange = b1000 ? 1000 : 100;
        double dScale = bConductivity ? (b1000 ? -1.0 : -0.1) : (b1000 ? -0.0288 : -0.00288);
        dScale /= nDivisor;
        d.v1 = d.v2 = dField1 * dScale;
        d.nSlot = (bConductivity ? 0 : 2) + nH;
        d.nModeIndex = d.nSlot;
        adValue[d.nSlot] = d.v1;
        abValid[d.nSlot] = 1;
        return d;
    }

    // EM31-MK2
    d.nModeIndex = nH;
    const EmRangeRow row = Em31Range(f);
    d.nRange = row.nRange;
    const double dField2 = FieldValue(pRecord, 7);
    const double dShort = nEm31Type == 1 ? 3.35 : 1.0;
    if (nComponent == 0) {
        if (d.bBattery) {
            d.v1 = dField1 * row.dScale;
            d.v2 = dField2 * row.dScale;
        } else {
            d.v1 = dField1 * row.dScale;
            d.v2 = dField2 * -0.0025 / dShort;
        }
        if (row.nRange != 0) {
            d.nSlot = nH;
            adValue[nH] = d.v1;
            abValid[nH] = 1;
            adValue[2 + nH] = d.v2;
            abValid[2 + nH] = 1;
        }
    } else {
        if (d.bBattery) {
            d.v1 = dField1 * row.dScale;
            d.v2 = dField2 * row.dScale;
        } else {
            d.v1 = dField1;
            d.v2 = dField1 * row.dScale * 0.25 / dShort;
        }
        if (row.nRange != 0) {
            d.nSlot = 2 + nH;
            adValue[2 + nH] = d.v2;
            abValid[2 + nH] = 1;
        }
    }
    return d;
}

int Export(const TextDecode &d, double *pValue1, double *pValue2, char *pDipole, short *pRange, char *pMarker,
           int *pModeIndex)
{
    *pValue1 = d.v1;
    *pValue2 = d.v2;
    *pDipole = d.chDipole;
    *pRange = d.nRange;
    *pMarker = d.chMarker;
    if (nInstrumentType != INSTRUMENT_EM34) *pModeIndex = d.nModeIndex;
    return d.nSlot;
}

struct Em38Mk2Words {
    unsigned r, s, p, q, t1, t2;
};

unsigned Word(const char *pRecord, int nAt)
{
    return ((unsigned)(unsigned char)pRecord[nAt] << 8) | (unsigned char)pRecord[nAt + 1];
}

// p, q, r, s of a record into their slots (V: p 0, q 2, r 4, s 6; H one above), offsets as given.
void DecodeWords(const char *pRecord, int bSecondSeparation, double adValue[8], int abValid[8], double adOut[4],
                 char *pDipole, char *pMarker, short *pDipoleCode, const double adOff[6])
{
    for (int i = 0; i < 8; i++) {
        adValue[i] = 0.0;
        abValid[i] = 0;
    }
    for (int i = 0; i < 4; i++) adOut[i] = 0.0;
    const int nStatus = (unsigned char)pRecord[1];
    *pMarker = nStatus == 2 || nStatus == 6 ? 'N' : 'M';
    const int nH = nStatus < 4 ? 1 : 0;
    *pDipole = nH ? 'H' : 'V';
    if (pDipoleCode) *pDipoleCode = (short)nH;
    // adOff: p, r, q V, s V, q H, s H
    adOut[0] = Em38Mk2WordValue(Word(pRecord, 6)) + adOff[0];
    adOut[1] = Em38Mk2WordValue(Word(pRecord, 8)) * 0.028819 - (nH ? adOff[4] : adOff[2]);
    adValue[0 + nH] = adOut[0];
    abValid[0 + nH] = 1;
    adValue[2 + nH] = adOut[1];
    abValid[2 + nH] = 1;
    if (bSecondSeparation) {
        adOut[2] = Em38Mk2WordValue(Word(pRecord, 2)) + adOff[1];
        adOut[3] = Em38Mk2WordValue(Word(pRecord, 4)) * 0.00720475 - (nH ? adOff[5] : adOff[3]);
        adValue[4 + nH] = adOut[2];
        abValid[4 + nH] = 1;
        adValue[6 + nH] = adOut[3];
        abValid[6 + nH] = 1;
    }
}

}  // namespace

double Em38Mk2WordValue(unsigned nWord)
{
    const int nTimes5 = (int)(nWord & 0xFFFF) * 5;
    return (nTimes5 / 1024.0 - 160.0) * 8.0;
}

int DecodeEmRecord(double *pValue1, double *pValue2, char *pDipole, short *pRange, char *pMarker, int *pModeIndex,
                   int *pBattery)
{
    char achRecord[16];
    memcpy(achRecord, szInstrumentRecord, 13);
    achRecord[13] = 0;
    double adValue[8];
    int abValid[8];
    const TextDecode d = DecodeText(achRecord, adValue, abValid);
    for (int i = 0; i < 8; i++) {
        dChannelValue[i] = adValue[i];
        bChannelValid[i] = abValid[i];
    }
    *pBattery = d.bBattery;
    return Export(d, pValue1, pValue2, pDipole, pRange, pMarker, pModeIndex);
}

int DecodeEmRecordBuffer(const char *pRecord, int abValid[8], double adValue[8], double *pValue1, double *pValue2,
                         char *pDipole, short *pRange, char *pMarker, int *pModeIndex)
{
    const TextDecode d = DecodeText(pRecord, adValue, abValid);
    return Export(d, pValue1, pValue2, pDipole, pRange, pMarker, pModeIndex);
}

void DecodeEm38Mk2Record(double *pP, double *pQ, double *pR, double *pS, int anRaw[4], double adTemp[2],
                         int anRawTemp[2], char *pDipole, char *pMarker, short *pDipoleCode)
{
    char achRecord[16];
    memcpy(achRecord, szInstrumentRecord, 14);
    const double adOff[6] = {adCalibration[10], adCalibration[8], adCalibration[2],
                             adCalibration[0],  adCalibration[6], adCalibration[4]};
    double adValue[8], adOut[4];
    int abValid[8];
    DecodeWords(achRecord, nEm38Mk2Type == 0, adValue, abValid, adOut, pDipole, pMarker, pDipoleCode, adOff);
    for (int i = 0; i < 8; i++) {
        dChannelValue[i] = adValue[i];
        bChannelValid[i] = abValid[i];
    }
    *pP = adOut[0];
    *pQ = adOut[1];
    *pR = adOut[2];
    *pS = adOut[3];
    anRaw[0] = (int)Word(achRecord, 6);
    anRaw[1] = (int)Word(achRecord, 8);
    anRaw[2] = (int)Word(achRecord, 2);
    anRaw[3] = (int)Word(achRecord, 4);
    anRawTemp[0] = (int)Word(achRecord, 10);
    anRawTemp[1] = (int)Word(achRecord, 12);
    adTemp[0] = anRawTemp[0];
    adTemp[1] = anRawTemp[1];
}

void DecodeEm38Mk2RecordBuffer(const char *pRecord, int abValid[8], double adValue[8], double *pP, double *pQ,
                               double *pR, double *pS, char *pDipole, char *pMarker, double dOffsetP, double dOffsetR,
                               double dOffsetQV, double dOffsetSV, double dOffsetQH, double dOffsetSH)
{
    const double adOff[6] = {dOffsetP, dOffsetR, dOffsetQV, dOffsetSV, dOffsetQH, dOffsetSH};
    double adOut[4];
    DecodeWords(pRecord, 1, adValue, abValid, adOut, pDipole, pMarker, nullptr, adOff);
    *pP = adOut[0];
    *pQ = adOut[1];
    *pR = adOut[2];
    *pS = adOut[3];
}
