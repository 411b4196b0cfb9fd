// EM38-4 packets and reading records: word values, coefficients, mode letters, the inverse encoding, the inversion
// block and the record, drift and coefficient lines of the data file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "platform/platform.h"
#include "processing/em384_coefficients.h"
#include "processing/em384_decode.h"
#include "processing/em384_handler.h"
#include "support/test_root.h"

namespace {

class DecodeEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        const std::string root = MakeTestRoot("em384-decode");
        ASSERT_FALSE(root.empty());
        static char arg0[] = "em384-decode-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        std::filesystem::create_directories(root + "/C/data");
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new DecodeEnvironment);

// A packet of 26 bytes: letter, status, then the twelve words in packet order.
std::string Packet(unsigned char status, const unsigned anWord[12])
{
    std::string p(26, 0);
    p[0] = 'T';
    p[1] = (char)status;
    for (int i = 0; i < 12; i++) {
        p[2 + 2 * i] = (char)(anWord[i] >> 8);
        p[3 + 2 * i] = (char)(anWord[i] & 0xFF);
    }
    return p;
}

void ZeroCoefficients()
{
    for (double &d : adCalibration) d = 0.0;
    for (double &d : adCalibrationB) d = 0.0;
}

class Em384DecodeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ZeroCoefficients();
        nInphaseUnits = 0;
        nEm384DisplayMode = 0;
    }
    Em384Values DecodePacket(const std::string &p)
    {
        memset(szInstrumentRecord, 0, sizeof szInstrumentRecord);
        memcpy(szInstrumentRecord, p.data(), p.size());
        Em384Values v;
        EXPECT_EQ(DecodeEm384Packet(&v), 8);
        return v;
    }
};

struct ModeCase {
    unsigned char status;
    char mode;
};
class Em384ModeTest : public Em384DecodeTest, public ::testing::WithParamInterface<ModeCase> {};

TEST_P(Em384ModeTest, StatusByteGivesModeLetter)
{
    const unsigned w[12] = {};
    const Em384Values v = DecodePacket(Packet(GetParam().status, w));
    EXPECT_EQ(v.cMode, GetParam().mode);
    EXPECT_EQ(v.cDipole, 'V');
}
INSTANTIATE_TEST_SUITE_P(Status, Em384ModeTest,
                         ::testing::Values(ModeCase{2, 'N'}, ModeCase{6, 'N'}, ModeCase{3, 'M'}, ModeCase{18, 'M'},
                                           ModeCase{0, 'M'}, ModeCase{10, 'M'}, ModeCase{255, 'M'}));

TEST_F(Em384DecodeTest, AllZeroWordsGiveTheScaleEnds)
{
    const unsigned w[12] = {};
    const Em384Values v = DecodePacket(Packet(2, w));
    for (int k = 0; k < 4; k++) EXPECT_DOUBLE_EQ(v.adC[k], -1280.0) << "pair " << k + 1;
    EXPECT_NEAR(v.adTemp[0], -50.0, 1e-9);
    EXPECT_NEAR(v.adTemp[1], -50.0, 1e-9);
    EXPECT_NEAR(v.adHeight[0], -12.7, 1e-9);
    EXPECT_NEAR(v.adHeight[1], -12.7, 1e-9);
}

// In-phase word 33792 (v = 40) on each pair with zero coefficients: 40 x the pair's factor.
TEST_F(Em384DecodeTest, InphaseWordScaledByPairFactor)
{
    // Packet order: pair 3, pair 4, pair 1, pair 2 (conductivity, in-phase each), heights, temperatures.
    const unsigned w[12] = {32768, 33792, 32768, 33792, 32768, 33792, 32768, 33792, 0, 0, 0, 0};
    Em384Values v = DecodePacket(Packet(2, w));
    EXPECT_NEAR(v.adI[0], 0.2864, 1e-9);
    EXPECT_NEAR(v.adI[1], 0.644, 1e-9);
    EXPECT_NEAR(v.adI[2], 1.144, 1e-9);
    EXPECT_NEAR(v.adI[3], 0.888, 1e-9);
    for (int k = 0; k < 4; k++) EXPECT_NEAR(v.adC[k], 0.0, 1e-9);
    // Unscaled units leave v itself.
    nInphaseUnits = 1;
    v = DecodePacket(Packet(2, w));
    for (int k = 0; k < 4; k++) EXPECT_NEAR(v.adI[k], 40.0, 1e-9);
}

// Each coefficient reaches its own pair (the carrier set in the order 1, 3, 2, 4) and its own channel.
TEST_F(Em384DecodeTest, CoefficientsAndChannelLayout)
{
    for (int k = 0; k < 4; k++) {
        adCalibration[k] = 0.1 * (k + 1);        // in-phase zero of pair k + 1
        adCalibration[8 + k] = 10.0 * (k + 1);   // conductivity zero
    }
    for (int j = 0; j < 8; j++) adCalibrationB[j] = 0.01 * (j + 1);
    const unsigned w[12] = {32768, 32768, 32768, 32768, 32768, 32768, 32768, 32768, 0, 0, 0, 0};
    const Em384Values v = DecodePacket(Packet(2, w));
    const int anCarrier[4] = {0, 2, 1, 3};
    for (int k = 0; k < 4; k++) {
        EXPECT_NEAR(v.adC[k], 10.0 * (k + 1) - 0.01 * (anCarrier[k] + 1), 1e-9) << "C" << k + 1;
        EXPECT_NEAR(v.adI[k], -0.1 * (k + 1) - 0.01 * (anCarrier[k] + 5), 1e-9) << "I" << k + 1;
    }
    const double expected[16] = {v.adC[0], 0, v.adI[0], 0, v.adC[1], 0, v.adI[1], 0,
                                 v.adC[3], 0, v.adI[3], 0, v.adC[2], 0, v.adI[2], 0};
    for (int i = 0; i < 16; i++) {
        EXPECT_EQ(bChannelValid[i], i % 2 == 0 ? 1 : 0) << i;
        EXPECT_DOUBLE_EQ(dChannelValue[i], expected[i]) << i;
    }
}

TEST_F(Em384DecodeTest, InversionBlockOnlyInDisplayModesAboveZero)
{
    const unsigned w[12] = {};
    std::string rec = Packet(2, w);
    const unsigned char tail[9] = {0x79, 0x18, 0x01, 0x2C, 0x00, 0x64, 0x27, 0x10, 7};  // 31000, 300, 100, 10000, 7
    rec.append((const char *)tail, 9);
    Em384Values v;
    int abValid[16];
    double adValue[16];
    for (int mode : {0, 1, 2}) {
        nEm384DisplayMode = mode;
        DecodeEm384Record(rec.data(), &v, abValid, adValue);
        if (mode == 0) {
            for (double d : v.adInversion) EXPECT_EQ(d, 0.0);
            EXPECT_EQ(v.nIterations, 0);
        } else {
            EXPECT_DOUBLE_EQ(v.adInversion[0], 31.0);
            EXPECT_DOUBLE_EQ(v.adInversion[1], 3.0);
            EXPECT_DOUBLE_EQ(v.adInversion[2], 1.0);
            EXPECT_DOUBLE_EQ(v.adInversion[3], 100.0);
            EXPECT_EQ(v.nIterations, 7);
        }
    }
}

// Random values and coefficients: encoding and decoding returns each value within one word step of its scale.
TEST_F(Em384DecodeTest, EncodingThenDecodingReturnsTheValues)
{
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> coef(-20.0, 20.0), cond(-500.0, 800.0), inph(-6.0, 6.0),
        height(-5.0, 30.0), temp(-20.0, 60.0);
    const double adStep[4] = {0.0390625 * 0.00716, 0.0390625 * 0.0161, 0.0390625 * 0.0286, 0.0390625 * 0.0222};
    for (int units : {0, 1}) {
        nInphaseUnits = units;
        for (int round = 0; round < 200; round++) {
            // Within the words' reach: pair 1's in-phase spans only 1280 x 0.00716 either side of zero.
            for (int i = 0; i < 12; i++) adCalibration[i] = i < 8 ? coef(rng) / 20 : coef(rng);
            for (double &d : adCalibrationB) d = coef(rng) / 200;
            Em384Values in{};
            for (int k = 0; k < 4; k++) {
                in.adC[k] = cond(rng);
                in.adI[k] = inph(rng);
            }
            in.adHeight[0] = height(rng);
            in.adHeight[1] = height(rng);
            in.adTemp[0] = temp(rng);
            in.adTemp[1] = temp(rng);
            char rec[EM384_RECORD_BYTES];
            EncodeEm384Record(in, 'T', 2, 0, rec);
            Em384Values out;
            int abValid[16];
            double adValue[16];
            DecodeEm384Record(rec, &out, abValid, adValue);
            for (int k = 0; k < 4; k++) {
                EXPECT_NEAR(out.adC[k], in.adC[k], 0.0390625 + 1e-9);
                EXPECT_NEAR(out.adI[k], in.adI[k], (units == 0 ? adStep[k] : 0.0390625) + 1e-9);
            }
            for (int h = 0; h < 2; h++) {
                EXPECT_NEAR(out.adHeight[h], in.adHeight[h], 0.66667 + 1e-6);
                EXPECT_NEAR(out.adTemp[h], in.adTemp[h], 1 / 3.1 + 1e-9);
            }
            EXPECT_EQ(rec[0], 'T');
            EXPECT_EQ(rec[1], 2);
        }
    }
}

// Values outside the word range or no number at all are held to the range's ends, never wrapped.
TEST_F(Em384DecodeTest, EncodingHoldsWordsToTheirRange)
{
    Em384Values in{};
    in.adC[0] = 1e12;
    in.adC[1] = -1e12;
    in.adC[2] = NAN;
    in.adC[3] = 0.0;
    char rec[EM384_RECORD_BYTES];
    EncodeEm384Record(in, 'T', 2, 1, rec);
    auto word = [&](int i) { return (unsigned)(unsigned char)rec[i] << 8 | (unsigned char)rec[i + 1]; };
    EXPECT_EQ(word(10), 65535u);  // pair 1
    EXPECT_EQ(word(14), 0u);      // pair 2
    EXPECT_EQ(word(2), 0u);       // pair 3
    EXPECT_EQ(word(26), 31000u);  // empty inversion block
    EXPECT_EQ(std::string(rec + 28, 6), "      ");
    EXPECT_EQ(rec[34], 0);
}

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Em384LinesTest : public Em384DecodeTest {
protected:
    void SetUp() override
    {
        Em384DecodeTest::SetUp();
        SetDataRecordLength(47);
        path = NameFreshDataFile(L"em384lines", L"T38");
        ASSERT_EQ(OpenDataFileHandle(), 1);
    }
    void TearDown() override { CloseDataFile(); }
    std::string path;
};

TEST_F(Em384LinesTest, ReadingRecordHoldsBytesBlankTickAndLineFeed)
{
    char bytes[EM384_RECORD_BYTES];
    for (int i = 0; i < EM384_RECORD_BYTES; i++) bytes[i] = (char)(i == 5 ? '\n' : i * 7);
    ASSERT_EQ(WriteEm384DataRecord(bytes, 4294967295u), 1);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 47u);
    EXPECT_EQ(f.substr(0, 35), std::string(bytes, 35));
    EXPECT_EQ(f[35], ' ');
    EXPECT_EQ(f.substr(36, 10), "4294967295");
    EXPECT_EQ(f[46], '\n');
}

TEST_F(Em384LinesTest, DriftLinesCarryTheMeansInChannelOrder)
{
    for (int i = 0; i < 8; i++) adDriftMean[i] = (i + 1) * 1.25 - (i % 2 ? 20 : 0);
    ASSERT_EQ(WriteSensorOffsetLines(), 1);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 4u * 47);
    for (int n = 0; n < 4; n++) {
        const std::string line = f.substr(47 * n, 47);
        char expected[32];
        ASSERT_GT(snprintf(expected, sizeof expected, "V%1d %8.2f%8.2f", n + 1, adDriftMean[2 * n],
                           adDriftMean[2 * n + 1]),
                  0);
        EXPECT_EQ(line.substr(0, 19), expected);
        EXPECT_EQ(line.substr(19, 17), std::string(17, ' '));
        EXPECT_NE(line.substr(36, 10).find_first_not_of(' '), std::string::npos);
        EXPECT_EQ(line[46], '\n');
    }
}

TEST_F(Em384LinesTest, CoefficientBlockIsTwentyEightLinesInOrder)
{
    for (int i = 0; i < 12; i++) {
        adCalibration[i] = i + 0.5;
        adCalibrationPrev[i] = -(i + 0.25);
    }
    for (int i = 0; i < 8; i++) {
        adCalibrationB[i] = 100 + i;
        adCalibrationBPrev[i] = 200 + i;
        adCarrierFreeMean[i] = 300 + i;
        adCarrierMean[i] = 400 + i;
    }
    ASSERT_EQ(WriteEm384CoefficientBlock(), 1);
    const std::string f = ReadAll(path);
    ASSERT_EQ(f.size(), 28u * 47);
    static const char kIds[] = "123456789ABCDEFGHIJKLMNOPQRS";
    const double first[28] = {8.5,   9.5,   10.5,  11.5,  0.5,   1.5,   2.5,   3.5,   4.5,   5.5,
                              6.5,   7.5,   100,   102,   101,   103,   104,   106,   105,   107,
                              300,   302,   301,   303,   304,   306,   305,   307};
    for (int n = 0; n < 28; n++) {
        const std::string line = f.substr(47 * n, 47);
        EXPECT_EQ(line[0], 'O');
        EXPECT_EQ(line[1], kIds[n]);
        EXPECT_NEAR(atof(line.substr(2, 10).c_str()), first[n], 1e-9) << n;
        EXPECT_EQ(line[46], '\n');
    }
    EXPECT_NEAR(atof(f.substr(13, 10).c_str()), -8.25, 1e-9);  // "O1" second value: the previous zero
}

}  // namespace
