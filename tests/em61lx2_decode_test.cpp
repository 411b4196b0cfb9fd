// EM61-LX2 decoders: range byte, stored and live current normalisation, the ring and the write-back, two coils.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "core/settings.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61mk2_decode.h"

namespace {

struct Frame {
    char b[20];
};

Frame MakeFrame(char chMode, int nRange, const int anWord[4], int nCurrent, int nByte12)
{
    Frame f;
    memset(f.b, 0, sizeof f.b);
    f.b[0] = chMode;
    f.b[1] = (char)nRange;
    for (int k = 0; k < 4; k++) {
        f.b[2 + 2 * k] = (char)((anWord[k] >> 8) & 0xFF);
        f.b[3 + 2 * k] = (char)(anWord[k] & 0xFF);
    }
    f.b[10] = (char)((nCurrent >> 8) & 0xFF);
    f.b[11] = (char)(nCurrent & 0xFF);
    f.b[12] = (char)nByte12;
    f.b[13] = 0x55;
    f.b[14] = 'x';
    f.b[15] = 'y';
    return f;
}

void FillRing(double dCurrent)
{
    nReferenceRingLength = 98;
    for (int i = 0; i < 98; i++) adCurrentRing[i] = dCurrent;
    dCurrentSum = 98 * dCurrent;
    dCurrentMean = dCurrent;
    nReferenceRingPos = 0;
}

class Em61Lx2Decode : public ::testing::Test {
protected:
    void SetUp() override
    {
        bNoCurrentNorm = 0;
        for (double &d : adOffset) d = 0.0;
    }
    void TearDown() override
    {
        bNoCurrentNorm = 0;
        for (double &d : adOffset) d = 0.0;
    }
};

// Stored records: channel = word x 20 / range x factor - offset.
struct StoredCase {
    const char *what;
    int nRange;
    int anWord[4];
    int nCurrent, nHundredths;
    int bNoNorm;
    double adOffset[4];
    double adExpect[4];
};

TEST_F(Em61Lx2Decode, StoredRecordsTable)
{
    const StoredCase cases[] = {
        {"range byte 0: range 1 everywhere, current 0 gives factor 1", 0, {100, -50, 7, -1}, 0, 0, 0,
         {0, 0, 0, 0}, {2000, -1000, 140, -20}},
        {"range byte 255: 100, 100, 100 and channel 4 at 100", 255, {100, -50, 7, -1}, 0, 0, 0,
         {0, 0, 0, 0}, {20, -10, 1.4, -0.2}},
        {"range byte 64 + 16 + 4 + 1: all ten", 85, {100, 100, 100, 100}, 0, 0, 0, {0, 0, 0, 0},
         {200, 200, 200, 200}},
        {"stored current exactly 2212 uses 3171.2", 0, {100, 0, 0, 0}, 2212, 0, 0, {0, 0, 0, 0},
         {2000 * 3171.2 / 2212, 0, 0, 0}},
        {"stored current 2211.99 uses 1585.6", 0, {100, 0, 0, 0}, 2211, 99, 0, {0, 0, 0, 0},
         {2000 * 1585.6 / 2211.99, 0, 0, 0}},
        {"hundredths are part of the stored current", 0, {100, 0, 0, 0}, 1500, 50, 0, {0, 0, 0, 0},
         {2000 * 1585.6 / 1500.5, 0, 0, 0}},
        {"no normalisation: factor 1", 0, {100, 0, 0, 0}, 3000, 0, 1, {0, 0, 0, 0}, {2000, 0, 0, 0}},
        {"offsets subtracted after normalisation", 0, {100, 50, 10, 5}, 3171, 20, 0, {10, 20, 30, 40},
         {1990, 980, 170, 60}},
        {"extreme words stay finite", 0, {32767, -32768, 0, 0}, -32768, 0, 0, {0, 0, 0, 0},
         {32767 * 20 * 1585.6 / -32768.0, -32768 * 20 * 1585.6 / -32768.0, 0, 0}},
    };
    for (const StoredCase &c : cases) {
        SCOPED_TRACE(c.what);
        bNoCurrentNorm = c.bNoNorm;
        Frame f = MakeFrame('E', c.nRange, c.anWord, c.nCurrent, c.nHundredths);
        Frame before = f;
        double a[4];
        int nMode = 0;
        DecodeReading4Ch(f.b, c.adOffset[0], c.adOffset[1], c.adOffset[2], c.adOffset[3], &a[0], &a[1], &a[2],
                         &a[3], &nMode);
        EXPECT_EQ(nMode, 'E');
        for (int k = 0; k < 4; k++) EXPECT_NEAR(a[k], c.adExpect[k], 1e-6 * (1 + std::fabs(c.adExpect[k]))) << k;
        double b1, b2;
        DecodeReading2Ch(f.b, c.adOffset[0], c.adOffset[1], &b1, &b2, &nMode);
        EXPECT_DOUBLE_EQ(b1, a[0]);
        EXPECT_DOUBLE_EQ(b2, a[1]);
        EXPECT_EQ(memcmp(f.b, before.b, sizeof f.b), 0);
    }
}

// Live frames: the ring moves, the factor follows the mean and this frame's own current, bytes 10..13 carry the
// mean back.
struct LiveCase {
    const char *what;
    double dRingCurrent;  // ring filled with this value before the frame
    int nCurrent;         // this frame's current word
    int bNoNorm;
    double dExpectMean;
    double dExpectFactor;
    int nExpectWhole, nExpectHundredths;
};

TEST_F(Em61Lx2Decode, LiveFramesTable)
{
    const LiveCase cases[] = {
        {"live current exactly 2212 uses 1585.6", 2212, 2212, 0, 2212, 1585.6 / 2212, 2212, 0},
        {"live current 2213 uses 3171.2", 2213, 2213, 0, 2213, 3171.2 / 2213, 2213, 0},
        {"no normalisation still moves the ring and writes the mean back", 3000, 3098, 1, 3001, 1.0, 3001, 0},
        {"a mean of 47.56 is written back as 47 and 56", 47, 47 + 55, 0, 47 + 55.0 / 98, 1585.6 / (47 + 55.0 / 98),
         47, 56},
        {"a mean of 0 gives factor 1", 0, 0, 0, 0, 1.0, 0, 0},
    };
    for (const LiveCase &c : cases) {
        SCOPED_TRACE(c.what);
        bNoCurrentNorm = c.bNoNorm;
        FillRing(c.dRingCurrent);
        const int anWord[4] = {100, 50, 25, 10};
        Frame f = MakeFrame('F', 0, anWord, c.nCurrent, 80);
        double a[4];
        int nCurrent = 0, nBattery = 0, nRange = -1, nMode = 0;
        EXPECT_EQ(DecodeReading4ChAveraged(f.b, &a[0], &a[1], &a[2], &a[3], &nCurrent, &nBattery, &nRange, &nMode), 1);
        EXPECT_EQ(nCurrent, c.nCurrent);
        EXPECT_EQ(nBattery, 80);
        EXPECT_EQ(nRange, 0);
        EXPECT_EQ(nMode, 'F');
        EXPECT_EQ(nReferenceRingPos, 1);
        EXPECT_DOUBLE_EQ(adCurrentRing[0], c.nCurrent);
        EXPECT_NEAR(dCurrentMean, c.dExpectMean, 1e-9);
        EXPECT_NEAR(dCurrentNormFactor, c.dExpectFactor, 1e-12);
        for (int k = 0; k < 4; k++) EXPECT_NEAR(a[k], anWord[k] * 20.0 * c.dExpectFactor, 1e-9) << k;
        EXPECT_EQ(((unsigned char)f.b[10] << 8) | (unsigned char)f.b[11], c.nExpectWhole);
        EXPECT_EQ(f.b[12], c.nExpectHundredths);
        EXPECT_EQ(f.b[13], 0);
        EXPECT_EQ(f.b[14], 'x');
        EXPECT_EQ(f.b[15], 'y');
        // The stored-record decoder reads the averaged current back (hundredths included).
        double s1, s2;
        int nMode2 = 0;
        DecodeReading2Ch(f.b, 0, 0, &s1, &s2, &nMode2);
        if (c.bNoNorm == 0 && c.nExpectWhole != 0) {
            const double dStored = c.nExpectWhole + c.nExpectHundredths / 100.0;
            EXPECT_NEAR(s1, 2000.0 * (dStored >= 2212 ? 3171.2 : 1585.6) / dStored, 1e-6);
        }
    }
}

TEST_F(Em61Lx2Decode, OneCoilLiveUsesTheFirstTwoOffsetsAndTheRingWraps)
{
    FillRing(1000);
    nReferenceRingPos = 97;
    adOffset[0] = 5;
    adOffset[1] = -5;
    adOffset[2] = 1e9;
    const int anWord[4] = {10, 20, 0, 0};
    Frame f = MakeFrame('E', 64 + 16, anWord, 1000, 0);
    double a1, a2;
    int nCurrent, nBattery, nRange, nMode;
    DecodeReading2ChAveraged(f.b, &a1, &a2, &nCurrent, &nBattery, &nRange, &nMode);
    EXPECT_EQ(nReferenceRingPos, 0);
    EXPECT_NEAR(a1, 10 * 20.0 / 10 * 1.5856 - 5, 1e-9);
    EXPECT_NEAR(a2, 20 * 20.0 / 10 * 1.5856 + 5, 1e-9);
}

TEST_F(Em61Lx2Decode, TwoCoilRecordGivesEarlyAndLateOfEachCoil)
{
    // Left coil channels 1 (early) and 2 (late), right coil channels 3 and 4, each at its own range.
    const int anWord[4] = {1200, 400, 900, 300};
    Frame f = MakeFrame('E', 64 + 0 + 12 + 0, anWord, 3171, 20);
    double l1, l2, r1, r2;
    int nMode;
    DecodeReading4Ch(f.b, 0, 0, 0, 0, &l1, &l2, &r1, &r2, &nMode);
    EXPECT_NEAR(l1, 1200 * 20.0 / 10, 1e-9);
    EXPECT_NEAR(l2, 400 * 20.0, 1e-9);
    EXPECT_NEAR(r1, 900 * 20.0 / 100, 1e-9);
    EXPECT_NEAR(r2, 300 * 20.0, 1e-9);
}

}  // namespace
