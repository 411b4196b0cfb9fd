// Fuzz target: the conductivity-meter decoders (EM31-MK2, EM38, EM34-3 text records; EM38-MK2 word records), live
// and stored, from any bytes, for every instrument, component and survey mode the first bytes choose.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "processing/conductivity_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pData, size_t nSize)
{
    if (nSize < 2) return 0;
    static const int anType[3] = {INSTRUMENT_EM31MK2, INSTRUMENT_EM38, INSTRUMENT_EM34};
    nComponent = pData[0] % 3;
    nSurveyMode = (pData[0] / 3) % 3;
    nEm31Type = (pData[0] / 9) % 2;
    nEm38Mk2Type = pData[1] % 2;
    for (size_t nAt = 2; nAt + 13 <= nSize; nAt += 14) {
        nInstrumentType = anType[pData[nAt - 1] % 3];
        memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
        memcpy(szInstrumentRecord, pData + nAt, 13);
        double v1, v2;
        char chDipole, chMarker;
        short nRange;
        int nMode = 0, nBattery = 0;
        int nSlot = DecodeEmRecord(&v1, &v2, &chDipole, &nRange, &chMarker, &nMode, &nBattery);
        if (nSlot < -1 || nSlot > 5) abort();
        if (!std::isfinite(v1) || !std::isfinite(v2)) abort();
        int nValid = 0;
        for (int k = 0; k < 8; k++) nValid += bChannelValid[k];
        if ((nSlot < 0) != (nValid == 0)) abort();
        double ad[8];
        int ab[8];
        char abRecord[16] = {0};
        memcpy(abRecord, pData + nAt, 13);
        DecodeEmRecordBuffer(abRecord, ab, ad, &v1, &v2, &chDipole, &nRange, &chMarker, &nMode);
        // The same bytes as an EM38-MK2 record.
        nInstrumentType = INSTRUMENT_EM38MK2;
        memcpy(szInstrumentRecord, pData + nAt, nSize - nAt < 14 ? 13 : 14);
        double p, q, r, s, adTemp[2];
        int anRaw[4], anRawTemp[2];
        short nCode;
        DecodeEm38Mk2Record(&p, &q, &r, &s, anRaw, adTemp, anRawTemp, &chDipole, &chMarker, &nCode);
        if (!std::isfinite(p) || !std::isfinite(q) || !std::isfinite(r) || !std::isfinite(s)) abort();
        DecodeEm38Mk2RecordBuffer(szInstrumentRecord, ab, ad, &p, &q, &r, &s, &chDipole, &chMarker, 1e300, -1e300,
                                  0.5, 0.5, 0.5, 0.5);
    }
    return 0;
}
