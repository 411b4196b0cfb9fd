// Reading-rate factors: frames per logged reading by instrument, interval and rate choice.
#include <gtest/gtest.h>

#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"

namespace {

struct IntervalCase {
    int type;
    double interval;
    int frames;
    double period;
};

TEST(ReadingRates, FramesFromTheInterval)
{
    const IntervalCase cases[] = {
        {INSTRUMENT_EM61MK2, 0.2, 4, 55.078211059704785},  // 3.63 + 0.5
        {INSTRUMENT_EM61LX2, 0.2, 4, 55.078211059704785},
        {INSTRUMENT_EM31MK2, 0.2, 2, 1000.0 / 10.5},       // 2.1 + 0.5
        {INSTRUMENT_EM31MK2, 0.05, 1, 1000.0 / 10.5},      // the minimum
        {INSTRUMENT_EM38MK2, 1.0, 21, 47.0},               // 21.28 + 0.5
        {INSTRUMENT_GRAD601, 0.2, 2, 91.0},                // 2.2 + 0.5
        {INSTRUMENT_EM61MK2, 0.0, 1, 55.078211059704785},
        {INSTRUMENT_EM61MK2, -5.0, 1, 55.078211059704785},
        {INSTRUMENT_EM61MK2, 1.0e300, 1000000, 55.078211059704785},
    };
    for (const IntervalCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.type) + " " + std::to_string(c.interval));
        nInstrumentType = c.type;
        dSampleInterval = c.interval;
        SetReadingRateFactors();
        EXPECT_EQ(nFramesPerReading, c.frames);
        EXPECT_DOUBLE_EQ(dFramePeriodMs, c.period);
    }
}

TEST(ReadingRates, Em38AndEm34KeepTheFramePeriodInForce)
{
    nInstrumentType = INSTRUMENT_EM38;
    dFramePeriodMs = 100.0;
    dSampleInterval = 0.5;
    SetReadingRateFactors();
    EXPECT_EQ(dFramePeriodMs, 100.0);
    EXPECT_EQ(nFramesPerReading, 5);
    nInstrumentType = INSTRUMENT_EM34;
    SetReadingRateFactors();
    EXPECT_EQ(dFramePeriodMs, 100.0);
}

TEST(ReadingRates, Em384RateChoices)
{
    const struct { int frames, hz; double shown; } table[9] = {
        {1, 10, 10.0}, {2, 5, 5.0}, {3, 3, 3.3}, {4, 3, 2.5}, {5, 2, 2.0},
        {10, 1, 1.0},  {20, 1, 0.5}, {50, 1, 0.2}, {100, 1, 0.1},
    };
    nInstrumentType = INSTRUMENT_EM384;
    for (int choice = 0; choice < 9; choice++) {
        nRateChoice = choice;
        SetReadingRateFactors();
        EXPECT_EQ(nFramesPerReading, table[choice].frames) << choice;
        EXPECT_EQ(nReadingRateHz, table[choice].hz) << choice;
        EXPECT_DOUBLE_EQ(dReadingRateHz, table[choice].shown) << choice;
    }
    // A choice outside the list leaves the frames and the shown rate, with 10 readings per second.
    nRateChoice = 2;
    SetReadingRateFactors();
    nRateChoice = 9;
    SetReadingRateFactors();
    EXPECT_EQ(nFramesPerReading, 3);
    EXPECT_DOUBLE_EQ(dReadingRateHz, 3.3);
    EXPECT_EQ(nReadingRateHz, 10);
}

TEST(ReadingRates, Cs21TakesEveryFrame)
{
    nInstrumentType = INSTRUMENT_CS21;
    nFramesPerReading = 7;
    SetReadingRateFactors();
    EXPECT_EQ(nFramesPerReading, 1);
    EXPECT_EQ(nReadingRateHz, 1);
    EXPECT_DOUBLE_EQ(dReadingRateHz, 10.0);
}

}  // namespace
