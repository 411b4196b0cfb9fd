// Reading scales: per-type default ranges, pixels per unit, channel pen slots and the row of a value.
#include "displays/scales.h"

#include <cmath>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/record_length.h"
#include "displays/grid.h"
#include "logscreen/logscreen.h"

double dScale1PixPerUnit = 0, dScale1PixPerUnitB = 0;
double dScale2PixPerUnit = 0, dScale2PixPerUnitB = 0;
int nDisplayedChannels = 4;
int anBarQPenSlot[6] = {0, 1, 4, 5, 0, 0};
int anBarIPenSlot[4] = {2, 3, 6, 7};
int nEm34Channel = 0;
double dChannelValue[16];
int bChannelValid[16];

double ScalePixelsPerUnit(int nHeight, double dMin, double dMax)
{
    if (!(dMax > dMin)) return 0;
    double d = nHeight / (dMax - dMin);
    return std::isfinite(d) ? d : 0;
}

static void SetPenSlots(const int *q, int nq, const int *i, int ni)
{
    for (int k = 0; k < nq && k < 6; k++) anBarQPenSlot[k] = q[k];
    for (int k = 0; k < ni && k < 4; k++) anBarIPenSlot[k] = i[k];
}

void SetupReadingScales()
{
    if (bJixProduct == 1 && nInstrumentType == INSTRUMENT_EM31MK2) SetDataRecordLength(24);
    else if (nInstrumentType == INSTRUMENT_EM384) SetDataRecordLength(47);
    else if (nInstrumentType == INSTRUMENT_CS21) SetDataRecordLength(65);
    else SetDataRecordLength(27);

    if (nInstrumentType < 0) {
        dScale1Min = 0;
        dScale1Max = 2000;
        dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
        dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
        ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
        ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                         &nScale1RangeSign);
        int bTwoSensors = 0;
        if (nInstrumentType == INSTRUMENT_GRAD601) {
            anBarQPenSlot[0] = 0;
            anBarIPenSlot[0] = 1;
            nDisplayedChannels = 1;
            bTwoSensors = nSensorsMinus1 == 1;
        } else if (nInstrumentType == INSTRUMENT_EM61LX2) {
            static const int q[3] = {0, 1, 2};
            SetPenSlots(q, 3, q, 3);
            nDisplayedChannels = 3;
            bTwoSensors = nSensorsMinus1 == 1;
        } else {
            nDisplayedChannels = 4;
        }
        if (bTwoSensors) {
            dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight3, dScale1Min, dScale1Max);
            dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
            ComputeGridLines(anGridLineY1, nCurveAreaHeight3, dScale1Min, dScale1Max, dScale1PixPerUnit,
                             &nScale1RangeSign);
            ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                             &nScale1RangeSign);
            ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                             &nScale1RangeSign);
        }
        nGridLines1 = anGridLineY1[0];
        return;
    }

    static const int qStd[4] = {0, 1, 4, 5}, iStd[4] = {2, 3, 6, 7};
    bAltGraphScale = 0;
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
        dScale1Min = 0; dScale1Max = 500; dScale2Min = -25; dScale2Max = 25;
        nComponent = nInstrumentType == INSTRUMENT_EM38 ? 2 : 0;
        nDipoleMode = 0;
        nDisplayedChannels = 2;
        SetPenSlots(qStd, 4, iStd, 4);
        break;
    case INSTRUMENT_EM34: {
        static const int q[6] = {0, 1, 2, 3, 4, 5};
        dScale1Min = 0; dScale1Max = 500; dScale2Min = -25; dScale2Max = 25;
        nComponent = 2;
        nDipoleMode = 0;
        nDisplayedChannels = 1;
        SetPenSlots(q, 6, iStd, 4);
        break;
    }
    case INSTRUMENT_EM38MK2:
        dScale1Min = 0; dScale1Max = 1000; dScale2Min = 0; dScale2Max = 1500;
        nComponent = 0;
        nDipoleMode = 0;
        nDisplayedChannels = 4;
        SetPenSlots(qStd, 4, iStd, 4);
        break;
    case INSTRUMENT_EM384: {
        static const int q[4] = {0, 4, 8, 12}, i[4] = {2, 6, 10, 14};
        dScale1Min = 0; dScale1Max = 1000; dScale2Min = -30; dScale2Max = 30;
        nComponent = 0;
        nDipoleMode = 0;
        nDisplayedChannels = 4;
        SetPenSlots(q, 4, i, 4);
        break;
    }
    case INSTRUMENT_CS21: {
        static const int q[4] = {0, 1, 2, 3};
        dScale1Min = 0; dScale1Max = 1000; dScale2Min = -30; dScale2Max = 30;
        nComponent = 0;
        nDipoleMode = 0;
        nDisplayedChannels = 4;
        SetPenSlots(q, 4, q, 4);
        break;
    }
    default:
        break;
    }
    dScale1PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale1Min, dScale1Max);
    dScale2PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale2Min, dScale2Max);
    dScale1PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale1Min, dScale1Max);
    dScale2PixPerUnitB = ScalePixelsPerUnit(nCurveAreaHeightB, dScale2Min, dScale2Max);
    ComputeGridLines(anGridLineY1, nCurveAreaHeight, dScale1Min, dScale1Max, dScale1PixPerUnit, &nScale1RangeSign);
    ComputeGridLines(anGridLineY1B, nCurveAreaHeightB, dScale1Min, dScale1Max, dScale1PixPerUnitB,
                     &nScale1RangeSign);
    ComputeGridLines(anGridLineY2B, nCurveAreaHeightB, dScale2Min, dScale2Max, dScale2PixPerUnitB,
                     &nScale2RangeSign);
    nGridLines1 = anGridLineY1[0];
    nGridLines2 = anGridLineY2B[0];
}

void UpdateSensorGeometryGrad()
{
    dSwathWidth = (nSwathIndex + 1) * 0.25;
    double s = dSensorSeparation;
    if (nSensorsMinus1 == 1) s *= 2.0;
    double width;
    if (nSensorsMinus1 == 1) {
        width = s;
        dSwathLeft = s / 2.0 + dGpsOffsetX;
    } else {
        width = dSwathWidth;
        dSwathLeft = dSwathWidth / 2.0 + dGpsOffsetX;
    }
    dSwathRight = width - dSwathLeft;
    dSwathLeftM = dSwathLeft;
    dSwathRightM = dSwathRight;
    if (nMapUnits > 0) {
        dSwathLeft = dSwathLeftM / 0.3048;
        dSwathRight = dSwathRightM / 0.3048;
    }
}

// Row of a value: the range maximum maps to row 0; truncated toward zero, held within the int range.
static int ValueToRow(double dMax, double dValue, double dPixPerUnit)
{
    double d = (dMax - dValue) * dPixPerUnit;
    if (!(d > -1.0e9)) return d != d ? 0 : -1000000000;
    if (d > 1.0e9) return 1000000000;
    return (int)d;
}

void CurveRowsOf(const double adValue[8], int yCurve[8])
{
    auto S1 = [](double v) { return ValueToRow(dScale1Max, v, dScale1PixPerUnit); };
    auto S2 = [](double v) { return ValueToRow(dScale2Max, v, dScale2PixPerUnit); };
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
        yCurve[0] = S1(adValue[0]);
        yCurve[1] = S1(adValue[1]);
        yCurve[2] = S2(adValue[2]);
        yCurve[3] = S2(adValue[3]);
        break;
    case INSTRUMENT_EM34:
        for (int i = 0; i < 6; i++) yCurve[i] = S1(adValue[i]);
        break;
    case INSTRUMENT_EM38MK2:
        for (int i = 0; i < 8; i++) yCurve[i] = (i & 2) ? S2(adValue[i]) : S1(adValue[i]);
        break;
    default:
        break;
    }
}

void ChannelValuesToScreenY(int yCurve[8], int yBarQ[4], int yBarI[4])
{
    const double *ch = dChannelValue;
    CurveRowsOf(ch, yCurve);
    auto S1B = [](double v) { return ValueToRow(dScale1Max, v, dScale1PixPerUnitB); };
    auto S2B = [](double v) { return ValueToRow(dScale2Max, v, dScale2PixPerUnitB); };
    switch (nInstrumentType) {
    case INSTRUMENT_EM31MK2:
    case INSTRUMENT_EM38:
        yBarQ[0] = S1B(ch[0]);
        yBarQ[1] = S1B(ch[1]);
        yBarI[0] = S2B(ch[2]);
        yBarI[1] = S2B(ch[3]);
        break;
    case INSTRUMENT_EM34:
        for (int k = 0; k < 6; k++) {
            if (bChannelValid[k]) {
                yBarQ[0] = S1B(ch[k]);
                nEm34Channel = k;
                break;
            }
        }
        break;
    case INSTRUMENT_EM38MK2:
        yBarQ[0] = S1B(ch[0]);
        yBarQ[1] = S1B(ch[1]);
        yBarQ[2] = S1B(ch[4]);
        yBarQ[3] = S1B(ch[5]);
        yBarI[0] = S2B(ch[2]);
        yBarI[1] = S2B(ch[3]);
        yBarI[2] = S2B(ch[6]);
        yBarI[3] = S2B(ch[7]);
        break;
    default:
        break;
    }
}
