// Reading scales: per-type defaults, record lengths, pen slots, and the Grad601 sensor geometry.
#include <gtest/gtest.h>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/record_length.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"

namespace {

struct ScaleCase {
    int type;
    int jix;
    double s1min, s1max, s2min, s2max;  // scale 2 unchanged when s2min == s2max == 0
    int channels;
    int recordLength;
};

TEST(ReadingScales, PerTypeDefaultsAndRecordLengths)
{
    const ScaleCase cases[] = {
        {INSTRUMENT_GRAD601, 0, 0, 2000, 0, 0, 1, 27},     {INSTRUMENT_EM61LX2, 1, 0, 2000, 0, 0, 3, 27},
        {INSTRUMENT_EM61MK2, 1, 0, 2000, 0, 0, 4, 27},     {INSTRUMENT_EM31MK2, 1, 0, 500, -25, 25, 2, 24},
        {INSTRUMENT_EM31MK2, 0, 0, 500, -25, 25, 2, 27},   {INSTRUMENT_EM38, 0, 0, 500, -25, 25, 2, 27},
        {INSTRUMENT_EM34, 1, 0, 500, -25, 25, 1, 27},      {INSTRUMENT_EM38MK2, 0, 0, 1000, 0, 1500, 4, 27},
        {INSTRUMENT_EM384, 0, 0, 1000, -30, 30, 4, 47},    {INSTRUMENT_EM384, 1, 0, 1000, -30, 30, 4, 47},
        {INSTRUMENT_CS21, 0, 0, 1000, -30, 30, 4, 65},     {INSTRUMENT_CS21, 1, 0, 1000, -30, 30, 4, 65},
    };
    nCurveAreaHeight = 280;
    nCurveAreaHeight3 = 130;
    nCurveAreaHeightB = 180;
    for (const ScaleCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + (c.jix ? " Jix" : " Zanth"));
        nInstrumentType = c.type;
        bJixProduct = c.jix;
        dScale1Min = 5;  // a scale from the settings file: replaced by the type's default
        dScale1Max = 100;
        dScale2Min = 1;
        dScale2Max = 2;
        nSensorsMinus1 = 0;
        nComponent = 1;
        nDipoleMode = 1;
        bAltGraphScale = 1;
        SetupReadingScales();
        EXPECT_EQ(dScale1Min, c.s1min);
        EXPECT_EQ(dScale1Max, c.s1max);
        EXPECT_DOUBLE_EQ(dScale1PixPerUnit, 280.0 / (c.s1max - c.s1min));
        EXPECT_DOUBLE_EQ(dScale1PixPerUnitB, 180.0 / (c.s1max - c.s1min));
        if (c.type >= 0) {
            EXPECT_EQ(dScale2Min, c.s2min);
            EXPECT_EQ(dScale2Max, c.s2max);
            EXPECT_DOUBLE_EQ(dScale2PixPerUnitB, 180.0 / (c.s2max - c.s2min));
            EXPECT_EQ(bAltGraphScale, 0);
            EXPECT_EQ(nComponent, (c.type == INSTRUMENT_EM38 || c.type == INSTRUMENT_EM34) ? 2 : 0);
            EXPECT_EQ(nDipoleMode, 0);
        }
        EXPECT_EQ(nDisplayedChannels, c.channels);
        EXPECT_EQ(nDataRecordLength, c.recordLength);
        EXPECT_EQ(nDataRecordNewline, c.recordLength - 1);
        EXPECT_EQ(nDataRecordMarkPos, c.recordLength - 2);
        EXPECT_EQ(nDataRecordBlankPos, c.recordLength - 3);
        // Scale 1 from 0: the four fixed lines on the curve height.
        EXPECT_EQ(anGridLineY1[0], 4);
        EXPECT_EQ(anGridLineY1[1], 223);
        EXPECT_EQ(nScale1RangeSign, 1);
    }
}

TEST(ReadingScales, ConductivityMetersSecondScaleGrid)
{
    nInstrumentType = INSTRUMENT_EM31MK2;
    bJixProduct = 0;
    nCurveAreaHeightB = 200;
    SetupReadingScales();
    // -25..25 on 200 pixels: seven lines, the zero line at 100.
    EXPECT_EQ(nScale2RangeSign, 0);
    EXPECT_EQ(anGridLineY2B[0], 7);
    EXPECT_EQ(anGridLineY2B[1], 100);
}

TEST(ReadingScales, PenSlots)
{
    nInstrumentType = INSTRUMENT_EM384;
    SetupReadingScales();
    EXPECT_EQ(anBarQPenSlot[1], 4);
    EXPECT_EQ(anBarQPenSlot[3], 12);
    EXPECT_EQ(anBarIPenSlot[0], 2);
    EXPECT_EQ(anBarIPenSlot[3], 14);
    nInstrumentType = INSTRUMENT_EM34;
    SetupReadingScales();
    for (int i = 0; i < 6; i++) EXPECT_EQ(anBarQPenSlot[i], i);
    nInstrumentType = INSTRUMENT_GRAD601;
    SetupReadingScales();
    EXPECT_EQ(anBarQPenSlot[0], 0);
    EXPECT_EQ(anBarIPenSlot[0], 1);
}

TEST(ReadingScales, TwoSensorGradUsesTheStackedHeight)
{
    nInstrumentType = INSTRUMENT_GRAD601;
    nSensorsMinus1 = 1;
    nCurveAreaHeight = 280;
    nCurveAreaHeight3 = 130;
    nCurveAreaHeightB = 180;
    anGridLineY2B[0] = 0;
    SetupReadingScales();
    EXPECT_DOUBLE_EQ(dScale1PixPerUnit, 130.0 / 2000);
    EXPECT_EQ(anGridLineY1[1], 103);  // trunc(130 - 131 x 0.2)
    EXPECT_EQ(anGridLineY2B[0], 4);
    EXPECT_EQ(anGridLineY2B[1], anGridLineY1B[1]);
}

TEST(ReadingScales, ZeroHeightsBeforeTheLayoutStaySound)
{
    nInstrumentType = INSTRUMENT_EM38MK2;
    nCurveAreaHeight = 0;
    nCurveAreaHeightB = 0;
    SetupReadingScales();
    EXPECT_EQ(dScale1PixPerUnit, 0.0);
    EXPECT_EQ(anGridLineY1[0], 4);
}

TEST(SensorGeometry, GradOneAndTwoSensors)
{
    nInstrumentType = INSTRUMENT_GRAD601;
    nSensorsMinus1 = 0;
    nSwathIndex = 1;
    dGpsOffsetX = 0;
    nMapUnits = 0;
    UpdateSensorGeometryGrad();
    EXPECT_DOUBLE_EQ(dSwathWidth, 0.5);
    EXPECT_DOUBLE_EQ(dSwathLeft, 0.25);
    EXPECT_DOUBLE_EQ(dSwathRight, 0.25);
    nMapUnits = 1;
    UpdateSensorGeometryGrad();
    EXPECT_NEAR(dSwathLeft, 0.820, 0.0005);
    EXPECT_NEAR(dSwathRight, 0.820, 0.0005);
    EXPECT_DOUBLE_EQ(dSwathLeftM, 0.25);
    // Two sensors: the doubled separation is the width.
    nSensorsMinus1 = 1;
    dSensorSeparation = 1.0;
    dGpsOffsetX = 0.5;
    nMapUnits = 0;
    UpdateSensorGeometryGrad();
    EXPECT_DOUBLE_EQ(dSwathLeft, 1.5);
    EXPECT_DOUBLE_EQ(dSwathRight, 0.5);
}

}  // namespace

namespace {

TEST(ScreenMapping, RowsOfTheConductivityMeters)
{
    nInstrumentType = INSTRUMENT_EM38MK2;
    dScale1Min = 0;
    dScale1Max = 1000;
    dScale2Min = 0;
    dScale2Max = 1500;
    dScale1PixPerUnit = 0.28;   // 280 pixels
    dScale2PixPerUnit = 0.2;    // 300 pixels
    dScale1PixPerUnitB = 0.18;  // 180 pixels
    dScale2PixPerUnitB = 0.12;  // 180 pixels
    const double values[8] = {1000, 500, 1500, 0, 1100, -100, 750, 10};
    for (int i = 0; i < 8; i++) dChannelValue[i] = values[i];
    int yCurve[8], yBarQ[4], yBarI[4];
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    // The maximum maps to row 0, a value above it to a negative row, below the minimum beyond the bottom.
    EXPECT_EQ(yCurve[0], 0);
    EXPECT_EQ(yCurve[1], 140);
    EXPECT_EQ(yCurve[2], 0);
    EXPECT_EQ(yCurve[3], 300);
    EXPECT_EQ(yCurve[4], -28);
    EXPECT_EQ(yCurve[5], 308);
    EXPECT_EQ(yCurve[6], 150);
    EXPECT_EQ(yCurve[7], 298);
    EXPECT_EQ(yBarQ[0], 0);
    EXPECT_EQ(yBarQ[1], 90);
    EXPECT_EQ(yBarQ[2], -18);
    EXPECT_EQ(yBarQ[3], 198);
    EXPECT_EQ(yBarI[0], 0);
    EXPECT_EQ(yBarI[1], 180);
    EXPECT_EQ(yBarI[2], 90);
    EXPECT_EQ(yBarI[3], 178);
}

TEST(ScreenMapping, Em34BarShowsTheFirstValidChannel)
{
    nInstrumentType = INSTRUMENT_EM34;
    dScale1Max = 500;
    dScale1PixPerUnit = 0.5;
    dScale1PixPerUnitB = 0.4;
    for (int i = 0; i < 16; i++) {
        dChannelValue[i] = 100.0 * i;
        bChannelValid[i] = 0;
    }
    bChannelValid[3] = 1;
    int yCurve[8] = {0}, yBarQ[4] = {-7, -7, -7, -7}, yBarI[4] = {-7, -7, -7, -7};
    nEm34Channel = -1;
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    EXPECT_EQ(nEm34Channel, 3);
    EXPECT_EQ(yBarQ[0], 80);  // (500 - 300) x 0.4
    EXPECT_EQ(yCurve[5], 0);
    EXPECT_EQ(yBarI[0], -7);
    // No channel valid: neither the bar row nor the channel is written.
    bChannelValid[3] = 0;
    yBarQ[0] = -7;
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    EXPECT_EQ(yBarQ[0], -7);
    EXPECT_EQ(nEm34Channel, 3);
}

TEST(ScreenMapping, OtherTypesWriteNothingAndHugeValuesStayDefined)
{
    nInstrumentType = INSTRUMENT_EM61MK2;
    int yCurve[8] = {5, 5, 5, 5, 5, 5, 5, 5}, yBarQ[4] = {5, 5, 5, 5}, yBarI[4] = {5, 5, 5, 5};
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    for (int y : yCurve) EXPECT_EQ(y, 5);
    nInstrumentType = INSTRUMENT_EM31MK2;
    dScale1Max = 500;
    dScale1PixPerUnit = 1;
    dChannelValue[0] = -1e300;
    dChannelValue[1] = 1e300;
    ChannelValuesToScreenY(yCurve, yBarQ, yBarI);
    EXPECT_GT(yCurve[0], 100000);
    EXPECT_LT(yCurve[1], -100000);
}

}  // namespace
