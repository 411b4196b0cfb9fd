// EM38-4 packet and reading-record decoding, the record's inverse encoding and its data-file lines.
#include "processing/em384_decode.h"

#include <cmath>
#include <cstring>

#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "processing/em384_handler.h"

namespace {

// In-phase factor of pairs 1 to 4.
const double kInphaseFactor[4] = {0.00716, 0.0161, 0.0286, 0.0222};
// Place of each pair's carrier coefficient in adCalibrationB (conductivity; in-phase is 4 further on).
const int kCarrierIndex[4] = {0, 2, 1, 3};
// Offset of each pair's conductivity word in the packet (its in-phase word follows).
const int kPairOffset[4] = {10, 14, 2, 6};
const double kHeightOffset = -8.7;  // dEm384HeightOffset

unsigned Word(const unsigned char *p, int i) { return (unsigned)p[i] << 8 | p[i + 1]; }

double WordValue(unsigned w) { return ((double)w * 5.0 / 1024.0 - 160.0) * 8.0; }

// A value truncated to a word, held to 0..65535 (a value that is no number gives 0).
unsigned ToWord(double d)
{
    if (!(d > 0.0)) return 0;
    if (d >= 65535.0) return 65535;
    return (unsigned)d;
}

void PutWord(char *p, int i, unsigned w)
{
    p[i] = (char)(w >> 8 & 0xFF);
    p[i + 1] = (char)(w & 0xFF);
}

}  // namespace

Em384Coefficients Em384CoefficientsInForce()
{
    Em384Coefficients k;
    memcpy(k.adCal, adCalibration, sizeof k.adCal);
    memcpy(k.adCalB, adCalibrationB, sizeof k.adCalB);
    return k;
}

double *Em384CoefficientOf(Em384Coefficients *k, char cId)
{
    static const char kIds[] = "123456789ABCDEFGHIJK";
    // Ids 1..4 the conductivity zeros, 5..C the in-phase means, D..G carrier conductivity of pairs 1..4 (stored
    // in the order 1, 3, 2, 4), H..K carrier in-phase likewise.
    static const int anSlot[20] = {8, 9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 12, 14, 13, 15, 16, 18, 17, 19};
    for (int i = 0; i < 20; i++)
        if (kIds[i] == cId) return anSlot[i] < 12 ? &k->adCal[anSlot[i]] : &k->adCalB[anSlot[i] - 12];
    return nullptr;
}

void DecodeEm384Words(const unsigned char *p, const Em384Coefficients &k, Em384Values *pv)
{
    for (int n = 0; n < 4; n++) {
        const int j = kCarrierIndex[n];
        const double c = WordValue(Word(p, kPairOffset[n]));
        pv->adC[n] = c + k.adCal[8 + n] - k.adCalB[j];
        double s = WordValue(Word(p, kPairOffset[n] + 2));
        if (nInphaseUnits == 0) s *= kInphaseFactor[n];
        pv->adI[n] = s - k.adCal[n] - k.adCalB[4 + j];
    }
    pv->adHeight[0] = Word(p, 18) * 0.66667 - 4.0 + kHeightOffset;
    pv->adHeight[1] = Word(p, 20) * 0.66667 - 4.0 + kHeightOffset;
    pv->adTemp[0] = ((double)Word(p, 22) - 31.0) / 3.1 - 40.0;
    pv->adTemp[1] = ((double)Word(p, 24) - 31.0) / 3.1 - 40.0;
    pv->cDipole = 'V';
    pv->cMode = (p[1] == 2 || p[1] == 6) ? 'N' : 'M';
    for (double &d : pv->adInversion) d = 0.0;
    pv->nIterations = 0;
}

void Em384ToChannels(const Em384Values &v, int abValid[16], double adValue[16])
{
    for (int i = 0; i < 16; i++) {
        abValid[i] = 0;
        adValue[i] = 0.0;
    }
    const double a[8] = {v.adC[0], v.adI[0], v.adC[1], v.adI[1], v.adC[3], v.adI[3], v.adC[2], v.adI[2]};
    for (int i = 0; i < 8; i++) {
        adValue[2 * i] = a[i];
        abValid[2 * i] = 1;
    }
}

int DecodeEm384Packet(Em384Values *pv)
{
    DecodeEm384Words((const unsigned char *)szInstrumentRecord, Em384CoefficientsInForce(), pv);
    Em384ToChannels(*pv, bChannelValid, dChannelValue);
    return 8;
}

void DecodeEm384RecordWith(const char *pRecord, const Em384Coefficients &k, Em384Values *pv, int abValid[16],
                           double adValue[16])
{
    const unsigned char *p = (const unsigned char *)pRecord;
    DecodeEm384Words(p, k, pv);
    if (nEm384DisplayMode >= 1) {
        pv->adInversion[0] = Word(p, 26) / 1000.0;
        pv->adInversion[1] = Word(p, 28) / 100.0;
        pv->adInversion[2] = Word(p, 30) / 100.0;
        pv->adInversion[3] = Word(p, 32) / 100.0;
        pv->nIterations = p[34];
    }
    Em384ToChannels(*pv, abValid, adValue);
}

void DecodeEm384Record(const char *pRecord, Em384Values *pv, int abValid[16], double adValue[16])
{
    DecodeEm384RecordWith(pRecord, Em384CoefficientsInForce(), pv, abValid, adValue);
}

void EncodeEm384Record(const Em384Values &v, char cByte0, char cByte1, int bInversionEmpty,
                       char achRecord[EM384_RECORD_BYTES])
{
    memset(achRecord, 0, EM384_RECORD_BYTES);
    achRecord[0] = cByte0;
    achRecord[1] = cByte1;
    for (int n = 0; n < 4; n++) {
        const int j = kCarrierIndex[n];
        const double c = (v.adC[n] + adCalibrationB[j] - adCalibration[8 + n]) * 0.125;
        PutWord(achRecord, kPairOffset[n], ToWord((c + 160.0) * 1024.0 / 5.0));
        const double sum = v.adI[n] + adCalibrationB[4 + j] + adCalibration[n];
        const double i = nInphaseUnits == 0 ? sum / (8.0 * kInphaseFactor[n]) : sum * 0.125;
        PutWord(achRecord, kPairOffset[n] + 2, ToWord((i + 160.0) * 1024.0 / 5.0));
    }
    PutWord(achRecord, 18, ToWord((v.adHeight[0] - kHeightOffset + 4.0) / 0.66667));
    PutWord(achRecord, 20, ToWord((v.adHeight[1] - kHeightOffset + 4.0) / 0.66667));
    PutWord(achRecord, 22, ToWord((v.adTemp[0] + 40.0) * 3.1 + 31.0));
    PutWord(achRecord, 24, ToWord((v.adTemp[1] + 40.0) * 3.1 + 31.0));
    if (bInversionEmpty) {
        PutWord(achRecord, 26, 31000);
        for (int i = 28; i < 34; i++) achRecord[i] = ' ';
        achRecord[34] = 0;
    }
}

int WriteEm384DataRecord(const char *pRecordBytes, DWORD dwTick)
{
    char szRecord[DATA_RECORD_MAX + 1];
    BeginRecord(szRecord);
    int nl = nDataRecordNewline;
    if (nl < 0 || nl >= DataRecordBytes()) nl = DataRecordBytes() - 1;
    // Only the bytes that fit before the tick: a record length of another build never lets them reach past it.
    const int nBytes = nl - 11 < EM384_RECORD_BYTES ? (nl - 11 > 0 ? nl - 11 : 0) : EM384_RECORD_BYTES;
    memcpy(szRecord, pRecordBytes, nBytes);
    PutRecordTick(szRecord, dwTick);
    return WriteDataRecord(szRecord);
}

int WriteSensorOffsetLines()
{
    char szRecord[DATA_RECORD_MAX + 1];
    const DWORD dwTick = GetTickCount();
    int bAll = 1;
    for (int n = 1; n <= 4; n++) {
        BeginRecord(szRecord);
        PutRecordField(szRecord, 0, 3, "V%1d ", n);
        PutRecordField(szRecord, 3, 8, "%8.2f", adDriftMean[2 * (n - 1)]);
        PutRecordField(szRecord, 11, 8, "%8.2f", adDriftMean[2 * (n - 1) + 1]);
        PutRecordTick(szRecord, dwTick);
        if (!WriteDataRecord(szRecord)) bAll = 0;
    }
    return bAll;
}
