// EM61-MK2 decoding: gains, mode factors, normalisation ring, write-back, stored records, scales and rows.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "processing/em61mk2_decode.h"

namespace {

struct Frame {
    char b[20];
};

Frame MakeFrame(char letter, int gain, int w1, int w2, int w3, int w4, int current, int battery)
{
    Frame f;
    memset(f.b, 0, sizeof f.b);
    f.b[0] = letter;
    f.b[1] = (char)gain;
    int words[5] = {w1, w2, w3, w4, current};
    for (int k = 0; k < 5; ++k) {
        f.b[2 + 2 * k] = (char)((words[k] >> 8) & 0xFF);
        f.b[3 + 2 * k] = (char)(words[k] & 0xFF);
    }
    f.b[12] = (char)battery;
    f.b[13] = 0x7F;
    return f;
}

// A stored record: the frame with the mean current written as integer part and hundredths.
Frame MakeRecord(char letter, int gain, int w1, int w2, int w3, int w4, int whole, int hundredths)
{
    Frame f = MakeFrame(letter, gain, w1, w2, w3, w4, whole, 0);
    f.b[12] = (char)hundredths;
    return f;
}

void FillRing(double current, int length = 98)
{
    nReferenceRingLength = length;
    for (int k = 0; k < REFERENCE_RING_MAX; ++k) adCurrentRing[k] = k < length ? current : 0.0;
    dCurrentSum = current * length;
    nReferenceRingPos = 0;
    bReferenceReady = 1;
}

class Em61Mk2DecodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        nEm61Type = 0;
        nEm61TypeSaved = 0;
        nSensorSize = 1;
        nInstrumentCmdReply = 1;
        nEm61Mk2AltMode = 0;
        nScaleType = 0;
        for (double &d : adOffset) d = 0.0;
        FillRing(3000.0);
    }

    struct Decoded {
        double ch[4];
        double current;
        int battery;
        short gain;
        int letter;
        int cls;
        int result;
    };

    Decoded Decode(Frame &f)
    {
        Decoded d{};
        d.result = DecodeInstrumentFrame(f.b, d.ch, &d.current, &d.battery, &d.gain, &d.letter, &d.cls);
        return d;
    }
};

TEST_F(Em61Mk2DecodeTest, GainCodes)
{
    struct Case {
        int code;
        int g[4];
    } cases[] = {
        {0, {1, 1, 1, 1}},     {255, {100, 100, 100, 100}}, {85, {10, 10, 10, 10}},
        {192, {100, 1, 1, 1}}, {64 + 48 + 3, {10, 100, 1, 100}}, {16 + 12 + 1, {1, 10, 100, 10}},
    };
    for (const Case &c : cases) {
        int g[4];
        DecodeGainCode(c.code, g);
        for (int k = 0; k < 4; ++k) EXPECT_EQ(g[k], c.g[k]) << "code " << c.code << " channel " << k + 1;
    }
}

// Values worked out by hand: word x 4.8333 / gain x mode factor x level / mean current - offset.
TEST_F(Em61Mk2DecodeTest, LiveFramesAgainstHandTable)
{
    struct Case {
        const char *what;
        int type, coil;
        char letter;
        int gain, w[4], current;
        double ringCurrent;
        double expect[4];
        int cls;
    } cases[] = {
        {"Standard T, gain 0", 0, 1, 'T', 0, {1000, 2000, -1000, 0}, 3000, 3000, {9666.6, 19333.2, -9666.6, 0.0}, 0},
        {"Standard T, gain 100", 0, 1, 'T', 255, {1000, 0, 0, 0}, 3000, 3000, {96.666, 0, 0, 0}, 0},
        {"Standard D, coil 1: ch4 x4", 0, 1, 'D', 0, {1000, 0, 0, 1000}, 3000, 3000, {9666.6, 0, 0, 19333.2}, 0},
        {"Standard D, coil 0: ch4 x4 x1.114/1.112", 0, 0, 'D', 0, {0, 0, 0, 1000}, 3000, 3000,
         {0, 0, 0, 19367.971942446}, 0},
        {"Standard M, coil 0: no extra factor", 0, 0, 'M', 0, {0, 0, 0, 1000}, 3000, 3000, {0, 0, 0, 9666.6}, 0},
        {"E ignores type and coil", 1, 2, 'E', 0, {1000, 1000, 1000, 1000}, 1800, 1800,
         {4362.05325, 6587.7879, 9796.1082735, 14591.0367048}, 0},
        {"Q, mean 2400", 0, 0, 'Q', 0, {0, 0, 0, 1000}, 2400, 2400, {0, 0, 0, 44050.6962}, 0},
        {"High Power coil 2 D, 3000 >= 2600: level 3729", 1, 2, 'D', 0, {100, 100, 100, 100}, 3000, 3000,
         {799.0363227, 1222.525573731, 1803.424980334, 1506.18346829}, 1},
        {"High Power coil 0 D, ch4 x6.07 x1.114 x1.112, 2000: level 1840", 1, 0, 'D', 0, {0, 0, 0, 1000}, 2000, 2000,
         {0, 0, 0, 33435.6868336}, 1},
    };
    for (const Case &c : cases) {
        SetUp();
        nEm61Type = c.type;
        nEm61TypeSaved = c.type >= 2 ? 1 : 0;
        nSensorSize = c.coil;
        FillRing(c.ringCurrent);
        Frame f = MakeFrame(c.letter, c.gain, c.w[0], c.w[1], c.w[2], c.w[3], c.current, 81);
        Decoded d = Decode(f);
        EXPECT_EQ(d.result, 16) << c.what;
        EXPECT_EQ(d.letter, c.letter) << c.what;
        EXPECT_EQ(d.cls, c.cls) << c.what;
        EXPECT_EQ(d.battery, 81) << c.what;
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(d.ch[k], c.expect[k], 1e-6) << c.what << " channel " << k + 1;
    }
}

TEST_F(Em61Mk2DecodeTest, HighPowerLevelThreshold)
{
    nEm61Type = 1;
    nSensorSize = 0;
    // Stored records carry the current the level is tested with.
    double ch[4];
    double zero[4] = {0, 0, 0, 0};
    int letter = 0;
    Frame r = MakeRecord('T', 0, 1000, 1000, 0, 0, 1350, 0);
    DecodeInstrumentFrameWithOffsets(r.b, ch, zero, &letter);
    EXPECT_NEAR(ch[0], 11330.6872888889, 1e-6);  // level 1840
    EXPECT_NEAR(ch[1], 16732.5265777778, 1e-6);
    r = MakeRecord('T', 0, 1000, 0, 0, 0, 1349, 0);
    DecodeInstrumentFrameWithOffsets(r.b, ch, zero, &letter);
    EXPECT_NEAR(ch[0], 5669.5433061527, 1e-6);  // level 920

    // Live: current class 1 at exactly 1350, 2 just below.
    FillRing(1350.0);
    Frame f = MakeFrame('T', 0, 0, 0, 0, 0, 1350, 0);
    EXPECT_EQ(Decode(f).cls, 1);
    f = MakeFrame('T', 0, 0, 0, 0, 0, 1349, 0);
    EXPECT_EQ(Decode(f).cls, 2);
}

TEST_F(Em61Mk2DecodeTest, NccTypeUsesFactorOneButMovesTheRing)
{
    nEm61Type = 2;
    nEm61TypeSaved = 1;
    FillRing(1500.0);
    Frame f = MakeFrame('T', 0, 1000, 0, 0, 0, 3000, 0);
    Decoded d = Decode(f);
    EXPECT_NEAR(d.ch[0], 9666.6, 1e-9);  // x2, no normalisation
    EXPECT_EQ(nReferenceRingPos, 1);
    EXPECT_NEAR(dCurrentMean, (1500.0 * 97 + 3000.0) / 98, 1e-9);
    EXPECT_DOUBLE_EQ(dCurrentNormFactor, 1.0);
}

TEST_F(Em61Mk2DecodeTest, NormalisationByTheRunningMean)
{
    FillRing(1500.0);
    Frame f = MakeFrame('T', 0, 1000, 0, 0, 0, 1500, 0);
    Decoded d = Decode(f);
    EXPECT_NEAR(d.ch[0], 9666.6 * 2, 1e-6);  // level 3000 / mean 1500
}

TEST_F(Em61Mk2DecodeTest, OffsetsAreSubtractedAfterNormalisation)
{
    adOffset[0] = 10.5;
    adOffset[3] = -2.0;
    Frame f = MakeFrame('T', 0, 1000, 0, 0, 0, 3000, 0);
    Decoded d = Decode(f);
    EXPECT_NEAR(d.ch[0], 9656.1, 1e-6);
    EXPECT_NEAR(d.ch[3], 2.0, 1e-9);
}

TEST_F(Em61Mk2DecodeTest, StreamingAnswerCorrectsTheCurrentOnlyWhenDecoding)
{
    nEm61Type = 1;
    nInstrumentCmdReply = 0;
    Frame f = MakeFrame('T', 0, 0, 0, 0, 0, 1152, 0);
    Decoded d = Decode(f);
    EXPECT_NEAR(d.current, 1000.0, 1e-9);
    EXPECT_NEAR(adCurrentRing[0], 1000.0, 1e-9);

    nEm61Type = 0;
    f = MakeFrame('T', 0, 0, 0, 0, 0, 1047, 0);
    EXPECT_NEAR(Decode(f).current, 1000.0, 1e-9);

    nEm61Type = 3;  // N.C.C.: unchanged
    f = MakeFrame('T', 0, 0, 0, 0, 0, 1152, 0);
    EXPECT_NEAR(Decode(f).current, 1152.0, 1e-9);

    // The normalisation phase takes the word as received.
    nEm61Type = 1;
    nReferenceRingPos = 0;
    bReferenceReady = 0;
    Frame g = MakeFrame('T', 0, 0, 0, 0, 0, 1152, 0);
    memcpy(szInstrumentRecord, g.b, 16);
    AccumulateReferenceAverage();
    EXPECT_DOUBLE_EQ(adCurrentRing[0], 1152.0);
}

TEST_F(Em61Mk2DecodeTest, WriteBackOfTheMeanCurrent)
{
    // Ring of 3 holding 0, 300.701, 300: the next frame of 301 replaces the 0 and the mean becomes 300.567.
    nReferenceRingLength = 3;
    adCurrentRing[0] = 0.0;
    adCurrentRing[1] = 300.701;
    adCurrentRing[2] = 300.0;
    dCurrentSum = 600.701;
    nReferenceRingPos = 0;
    Frame f = MakeFrame('T', 0, 0, 0, 0, 0, 301, 81);
    f.b[16] = 'x';
    Decoded d = Decode(f);
    EXPECT_NEAR(dCurrentMean, 300.567, 1e-9);
    EXPECT_EQ((unsigned char)f.b[10], 0x01);
    EXPECT_EQ((unsigned char)f.b[11], 0x2C);
    EXPECT_EQ((unsigned char)f.b[12], 56);
    EXPECT_EQ((unsigned char)f.b[13], 0x01);  // raw current word 301 = 0x012D
    EXPECT_EQ((unsigned char)f.b[14], 0x2D);
    EXPECT_EQ((unsigned char)f.b[15], 81);  // battery byte
    EXPECT_EQ(f.b[16], 0);
    EXPECT_EQ(d.result, 16);
    EXPECT_EQ(nReferenceRingPos, 1);

    // The stored record decodes with that mean: 300.56.
    nReferenceRingLength = 98;
    double ch[4];
    double zero[4] = {0, 0, 0, 0};
    int letter = 0;
    Frame r = MakeFrame('T', 0, 1000, 0, 0, 0, 0, 0);
    memcpy(r.b + 10, f.b + 10, 3);
    DecodeInstrumentFrameWithOffsets(r.b, ch, zero, &letter);
    EXPECT_NEAR(ch[0], 9666.6 * 3000.0 / 300.56, 1e-6);
    EXPECT_EQ(letter, 'T');
}

TEST_F(Em61Mk2DecodeTest, StoredRecordMatchesTheLiveDecoder)
{
    adOffset[0] = 99.0;  // in force, but the stored decoder takes the given offsets
    double offsets[4] = {1.0, 2.0, 3.0, 4.0};
    double ch[4];
    int letter = 0;
    Frame r = MakeRecord('M', 0, 1000, 2000, -1000, 0, 3000, 0);
    DecodeInstrumentFrameWithOffsets(r.b, ch, offsets, &letter);
    EXPECT_EQ(letter, 'M');
    EXPECT_NEAR(ch[0], 9665.6, 1e-6);
    EXPECT_NEAR(ch[1], 19331.2, 1e-6);
    EXPECT_NEAR(ch[2], -9669.6, 1e-6);
    EXPECT_NEAR(ch[3], -4.0, 1e-9);
    // Nothing of the ring moved.
    EXPECT_EQ(nReferenceRingPos, 0);
    EXPECT_DOUBLE_EQ(dCurrentSum, 294000.0);

    // A negative hundredths byte: 3000 + (-50) / 100 = 2999.5.
    Frame n = MakeRecord('T', 0, 1000, 0, 0, 0, 3000, -50);
    double none[4] = {0, 0, 0, 0};
    DecodeInstrumentFrameWithOffsets(n.b, ch, none, &letter);
    EXPECT_NEAR(ch[0], 9666.6 * 3000.0 / 2999.5, 1e-6);
}

TEST_F(Em61Mk2DecodeTest, ZeroCurrentUsesFactorOne)
{
    // Live: a ring of zeros and a frame current of 0 give a mean of 0.
    FillRing(0.0);
    Frame f = MakeFrame('T', 0, 1000, 2000, -1000, 0, 0, 0);
    Decoded d = Decode(f);
    EXPECT_DOUBLE_EQ(dCurrentMean, 0.0);
    EXPECT_DOUBLE_EQ(dCurrentNormFactor, 1.0);
    EXPECT_NEAR(d.ch[0], 9666.6, 1e-9);
    EXPECT_NEAR(d.ch[1], 19333.2, 1e-9);
    EXPECT_NEAR(d.ch[2], -9666.6, 1e-9);
    for (double v : d.ch) EXPECT_TRUE(std::isfinite(v));

    // Stored record with a current of 0.00.
    double ch[4];
    double zero[4] = {0, 0, 0, 0};
    int letter = 0;
    Frame r = MakeRecord('T', 0, 1000, 0, 0, 0, 0, 0);
    DecodeInstrumentFrameWithOffsets(r.b, ch, zero, &letter);
    EXPECT_NEAR(ch[0], 9666.6, 1e-9);

    // High Power at 0: the lower level, still factor 1.
    nEm61Type = 1;
    DecodeInstrumentFrameWithOffsets(r.b, ch, zero, &letter);
    EXPECT_NEAR(ch[0], 1000 * 4.8333 * 1.72, 1e-9);
}

TEST_F(Em61Mk2DecodeTest, NormalisationPhaseProgress)
{
    nReferenceRingLength = 98;
    nReferenceRingPos = 0;
    bReferenceReady = 0;
    dCurrentSum = 12345.0;  // stale: recomputed when the ring is full
    Frame g = MakeFrame('T', 0, 0, 0, 0, 0, 2000, 0);
    memcpy(szInstrumentRecord, g.b, 16);
    int progress[99] = {};
    for (int i = 1; i <= 98; ++i) progress[i] = AccumulateReferenceAverage();
    EXPECT_EQ(progress[1], 1);
    EXPECT_EQ(progress[49], 50);
    EXPECT_EQ(progress[97], 98);
    EXPECT_EQ(progress[98], 100);
    EXPECT_EQ(bReferenceReady, 1);
    EXPECT_EQ(nReferenceRingPos, 0);
    EXPECT_DOUBLE_EQ(dCurrentSum, 2000.0 * 98);
    for (int i = 1; i < 98; ++i) EXPECT_LT(progress[i], 100) << i;
}

TEST_F(Em61Mk2DecodeTest, CompressedScale)
{
    double in[4] = {-9.0, 16.0, 0.0, 2.25};
    double out[4];
    nScaleType = 1;
    ApplySignedSqrtScale(in, out);
    EXPECT_DOUBLE_EQ(out[0], -3.0);
    EXPECT_DOUBLE_EQ(out[1], 4.0);
    EXPECT_DOUBLE_EQ(out[2], 0.0);
    EXPECT_DOUBLE_EQ(out[3], 1.5);
    nScaleType = 0;
    ApplySignedSqrtScale(in, out);
    for (int k = 0; k < 4; ++k) EXPECT_DOUBLE_EQ(out[k], in[k]);
}

TEST_F(Em61Mk2DecodeTest, ScreenRows)
{
    double saveMax = dScale1Max, savePpu = dScale1PixPerUnit, savePpuB = dScale1PixPerUnitB;
    dScale1Max = 500.0;
    dScale1PixPerUnit = 0.5;
    dScale1PixPerUnitB = 0.25;
    double v[4] = {100.0, 500.0, 600.5, 0.0};
    int p[4], b[4];
    ChannelValuesToScreen(v, p, b);
    EXPECT_EQ(p[0], 200);
    EXPECT_EQ(b[0], 100);
    EXPECT_EQ(p[1], 0);
    EXPECT_EQ(p[2], -50);  // -50.25 truncated toward zero
    EXPECT_EQ(b[2], -25);  // -25.125
    EXPECT_EQ(p[3], 250);
    EXPECT_EQ(b[3], 125);
    dScale1Max = saveMax;
    dScale1PixPerUnit = savePpu;
    dScale1PixPerUnitB = savePpuB;
}

TEST_F(Em61Mk2DecodeTest, ScreenRowsAreClamped)
{
    double saveMax = dScale1Max, savePpu = dScale1PixPerUnit, savePpuB = dScale1PixPerUnitB;
    dScale1Max = 500.0;
    dScale1PixPerUnit = 1.0e300;
    dScale1PixPerUnitB = 2.0;
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    double v[4] = {-1.0e300, inf, nan, 1.0e12};
    int p[4], b[4];
    ChannelValuesToScreen(v, p, b);
    EXPECT_EQ(p[0], SCREEN_ROW_LIMIT);   // far below the window
    EXPECT_EQ(b[0], SCREEN_ROW_LIMIT);
    EXPECT_EQ(p[1], -SCREEN_ROW_LIMIT);  // far above
    EXPECT_EQ(b[1], -SCREEN_ROW_LIMIT);
    EXPECT_EQ(p[2], -SCREEN_ROW_LIMIT);  // NaN: the lower bound
    EXPECT_EQ(b[2], -SCREEN_ROW_LIMIT);
    EXPECT_EQ(p[3], -SCREEN_ROW_LIMIT);
    EXPECT_EQ(b[3], -SCREEN_ROW_LIMIT);
    dScale1Max = saveMax;
    dScale1PixPerUnit = savePpu;
    dScale1PixPerUnitB = savePpuB;
}

TEST(ClampToIntTest, Table)
{
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double v;
        int lo, hi, expect;
    } cases[] = {
        {3.9, 0, 49, 3},    {-0.5, 0, 49, 0},  {49.99, 0, 49, 49}, {50.0, 0, 49, 49}, {1e30, 0, 49, 49},
        {-1e30, 0, 49, 0},  {inf, 0, 49, 49},  {-inf, 0, 49, 0},   {-7.9, -10, 10, -7},
        {std::numeric_limits<double>::quiet_NaN(), 0, 49, 0},
    };
    for (const Case &c : cases) EXPECT_EQ(ClampToInt(c.v, c.lo, c.hi), c.expect) << c.v;
}

TEST(Em61Mk2StatusTextTest, BatteryCurrentAndMode)
{
    wchar_t sz[32];
    FormatBatteryText(81, sz, 32);
    EXPECT_STREQ(sz, L"12.1 V");
    FormatBatteryText(0, sz, 32);
    EXPECT_STREQ(sz, L" 0.0 V");
    FormatCurrentText(3000.0, 0, sz, 32);
    EXPECT_STREQ(sz, L" 5.6 A");
    FormatCurrentText(1000.0, 1, sz, 32);
    EXPECT_STREQ(sz, L" 5.8 A");
    FormatCurrentText(1000.0, 2, sz, 32);
    EXPECT_STREQ(sz, L" 5.9 A");  // 5.8988
    EXPECT_EQ(Em61Mk2ModeCharacter('T'), L'4');
    EXPECT_EQ(Em61Mk2ModeCharacter('P'), L'4');
    EXPECT_EQ(Em61Mk2ModeCharacter('D'), L'D');
    EXPECT_EQ(Em61Mk2ModeCharacter('Q'), L'D');
    EXPECT_EQ(Em61Mk2ModeCharacter('J'), L'D');
}

}  // namespace
