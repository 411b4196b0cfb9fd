// EM38-4 coefficient lines of the data file: the calibration, carrier-effect and carrier-mean block.
#include "processing/em384_coefficients.h"

#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"

int WriteCoefficientLine(char chFirst, char chSecond, double dFirst, double dSecond, char *szLine)
{
    BeginRecord(szLine);
    szLine[0] = chFirst;
    szLine[1] = chSecond;
    PutRecordField(szLine, 2, 10, "%10.3f", dFirst);
    PutRecordField(szLine, 13, 10, "%10.3f", dSecond);
    return WriteDataRecord(szLine);
}

int WriteEm384CoefficientBlock()
{
    static const char kIds[] = "123456789ABCDEFGHIJKLMNOPQRS";
    double adFirst[28], adSecond[28];
    int n = 0;
    for (int k = 0; k < 4; k++, n++) {  // conductivity zero of pairs 1..4
        adFirst[n] = adCalibration[8 + k];
        adSecond[n] = adCalibrationPrev[8 + k];
    }
    for (int k = 0; k < 8; k++, n++) {  // in-phase vertical and horizontal means of pairs 1..4
        adFirst[n] = adCalibration[k];
        adSecond[n] = adCalibrationPrev[k];
    }
    static const int anPairOrder[4] = {0, 2, 1, 3};
    for (int k = 0; k < 4; k++, n++) {  // carrier conductivity coefficients of pairs 1..4
        adFirst[n] = adCalibrationB[anPairOrder[k]];
        adSecond[n] = adCalibrationBPrev[anPairOrder[k]];
    }
    for (int k = 0; k < 4; k++, n++) {  // carrier in-phase coefficients of pairs 1..4
        adFirst[n] = adCalibrationB[4 + anPairOrder[k]];
        adSecond[n] = adCalibrationBPrev[4 + anPairOrder[k]];
    }
    for (int k = 0; k < 4; k++, n++) {  // conductivity off and on the carrier
        adFirst[n] = adCarrierFreeMean[anPairOrder[k]];
        adSecond[n] = adCarrierMean[anPairOrder[k]];
    }
    for (int k = 0; k < 4; k++, n++) {  // in-phase off and on the carrier
        adFirst[n] = adCarrierFreeMean[4 + anPairOrder[k]];
        adSecond[n] = adCarrierMean[4 + anPairOrder[k]];
    }
    char szLine[DATA_RECORD_MAX];
    for (int i = 0; i < 28; i++) {
        if (!WriteCoefficientLine('O', kIds[i], adFirst[i], adSecond[i], szLine)) return 0;
    }
    return 1;
}
