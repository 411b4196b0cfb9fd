// Map rebuild from the data file for the EM38-4, CS-21 and Grad601: coefficient records, array readings and the
// gradiometer's one- or two-sensor cells.
#include <cstring>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "map/map.h"
#include "map/map_replot.h"
#include "map/pens.h"
#include "processing/em384_decode.h"
#include "processing/em61mk2_decode.h"
#include "processing/sentence_handlers.h"

namespace {

// EM38-4 and CS-21 rebuild: a copy of the coefficients, updated from the coefficient records on the way (the
// value in force, characters 2 to 11); the settings are never changed.
Em384Coefficients gEm384Coefficients;
int nArrayLastCell = 0;
double adSensorReading[4];

int ArrayExtraRecords(DataFileScan *, char *szRecord)
{
    if (szRecord[0] != 'O') return 0;
    double *pd = Em384CoefficientOf(&gEm384Coefficients, szRecord[1]);
    if (!pd) return 1;
    char szNumber[11];
    memcpy(szNumber, szRecord + 2, 10);
    szNumber[10] = 0;
    *pd = TextToDouble(szNumber);
    return 1;
}

int Em384ReadingCell(const char *szRecord, int *pnCell)
{
    if (nColorMapView >= 1 && nColorMapView <= 8) {
        Em384Values v;
        int abValid[16];
        double adValue[16];
        DecodeEm384RecordWith(szRecord, gEm384Coefficients, &v, abValid, adValue);
        const double dMin = nColorMapView % 2 == 0 ? dScale2Min : dScale1Min;
        nArrayLastCell = ColorScaleIndex(adValue[2 * (nColorMapView - 1)], dMin);
    }
    *pnCell = nArrayLastCell;
    return 1;
}

// The stored sentence starts at byte 1 of a CS-21 record; its values are those the live handler took.
int DualEmReadingCell(const char *szRecord, int *pnCell)
{
    char szSentence[DATA_RECORD_MAX];
    int nl = nDataRecordNewline;
    if (nl < 0 || nl >= DataRecordBytes()) nl = DataRecordBytes() - 1;
    const int nText = nl - 11 > 0 ? nl - 11 : 0;
    memcpy(szSentence, szRecord + 1, nText);
    szSentence[nText] = 0;
    // The tick and the blanks before it are no part of the sentence.
    for (int i = nText - 1; i >= 0 && szSentence[i] == ' '; i--) szSentence[i] = 0;
    double ad[4] = {0, 0, 0, 0};
    DualEmSentenceValues(szSentence, ad);
    *pnCell = SensorPairCell(ad[0], ad[1], nSensorsMinus1 == 1);
    return 1;
}

int GradReadingCell(const char *szRecord, int *pnCell)
{
    char szText[17];
    memcpy(szText, szRecord, 16);
    szText[16] = 0;
    GradSentenceValues(szText, adSensorReading);
    *pnCell = SensorPairCell(adSensorReading[0], adSensorReading[1], nSensorsMinus1 == 1);
    return 1;
}

}  // namespace

void ReplayEm384DataFile()
{
    gEm384Coefficients = Em384CoefficientsInForce();
    nArrayLastCell = 0;
    // The class width of the live cells.
    const int nScale = ColorStepScale();
    const ReplotMember member = {ArrayExtraRecords,
                                 nInstrumentType == INSTRUMENT_CS21 ? DualEmReadingCell : Em384ReadingCell,
                                 "23456Tt", 0, nScale, nullptr};
    ReplotFromDataFile(member);
}

void ReplayDataFileGrad()
{
    for (double &d : adSensorReading) d = 0.0;
    const ReplotMember grad = {nullptr, GradReadingCell, "DEFMNPQT", nSensorsMinus1 == 1 ? 1 : 0, 1, nullptr};
    ReplotFromDataFile(grad);
}
