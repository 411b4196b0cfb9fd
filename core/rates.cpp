// Reading-rate factors: instrument frames per logged reading from the reading interval or the rate choice.
#include "core/rates.h"

#include "core/core.h"
#include "core/settings.h"

double dFramePeriodMs = 55.07821106;
int nFramesPerReading = 1;
int nReadingRateHz = 5;
double dReadingRateHz = 5.0;

void SetReadingRateFactors()
{
    static const int anFrames[9] = {1, 2, 3, 4, 5, 10, 20, 50, 100};
    static const int anHz[9] = {10, 5, 3, 3, 2, 1, 1, 1, 1};
    static const double adHz[9] = {10.0, 5.0, 3.3, 2.5, 2.0, 1.0, 0.5, 0.2, 0.1};

    switch (nInstrumentType) {
    case INSTRUMENT_GRAD601:
    case INSTRUMENT_EM61LX2:
    case INSTRUMENT_EM61MK2:
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
    case INSTRUMENT_EM34:
    case INSTRUMENT_EM38MK2: {
        if (nInstrumentType == INSTRUMENT_GRAD601) dFramePeriodMs = 91.0;
        else if (nInstrumentType == INSTRUMENT_EM61LX2 || nInstrumentType == INSTRUMENT_EM61MK2)
            dFramePeriodMs = 55.078211059704785;
        else if (nInstrumentType == INSTRUMENT_EM31MK2) dFramePeriodMs = 1000.0 / 10.5;
        else if (nInstrumentType == INSTRUMENT_EM38MK2) dFramePeriodMs = 47.0;
        double dFrames = dSampleInterval * 1000.0 / dFramePeriodMs + 0.5;
        // A huge or broken interval must not overflow the conversion to int.
        if (!(dFrames >= 1.0)) nFramesPerReading = 1;
        else if (dFrames > 1000000.0) nFramesPerReading = 1000000;
        else nFramesPerReading = (int)dFrames;
        break;
    }
    case INSTRUMENT_EM384:
        nReadingRateHz = 10;
        if (nRateChoice >= 0 && nRateChoice <= 8) {
            nFramesPerReading = anFrames[nRateChoice];
            nReadingRateHz = anHz[nRateChoice];
            dReadingRateHz = adHz[nRateChoice];
        }
        break;
    case INSTRUMENT_CS21:
        nFramesPerReading = 1;
        nReadingRateHz = 1;
        dReadingRateHz = 10.0;
        break;
    default:
        break;
    }
}
