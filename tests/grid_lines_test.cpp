// Grid lines: the worked lists, the fixed lines, the guards, and the drawers on a memory surface.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "core/settings.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"

namespace {

struct GridCase {
    int height;
    double min, max;
    int sign;
    std::vector<int> rows;
};

TEST(GridLines, WorkedLists)
{
    const GridCase cases[] = {
        {200, -25, 25, 0, {100, 75, 50, 25, 125, 150, 175}},
        {280, 0, 500, 1, {223, 167, 111, 55}},
        {200, -100, 25, 0, {40, 80, 120, 160}},
        {180, -5, 30, 0, {154, 123, 92, 61, 30}},
        // Wholly below zero: -1 and the fixed lines.
        {200, -50, 0, -1, {159, 119, 79, 39}},
        // The zero line nearer the bottom with k = 2: step = far / 2.
        {300, -100, 200, 0, {200, 100}},
    };
    for (const GridCase &c : cases) {
        SCOPED_TRACE(std::to_string(c.height) + " " + std::to_string(c.min) + ".." + std::to_string(c.max));
        int grid[10] = {0};
        int sign = 99;
        ComputeGridLines(grid, c.height, c.min, c.max, c.height / (c.max - c.min), &sign);
        EXPECT_EQ(sign, c.sign);
        ASSERT_EQ(grid[0], (int)c.rows.size());
        for (size_t i = 0; i < c.rows.size(); i++) EXPECT_EQ(grid[i + 1], c.rows[i]) << i;
    }
}

TEST(GridLines, ZeroLineOnTheTopRowGivesTheFixedLinesWithSignZero)
{
    int grid[10] = {0};
    int sign = 99;
    // The maximum is less than one pixel above zero.
    ComputeGridLines(grid, 200, -1000, 1, 200.0 / 1001, &sign);
    EXPECT_EQ(sign, 0);
    EXPECT_EQ(grid[0], 4);
    EXPECT_EQ(grid[1], 159);
}

TEST(GridLines, NeverMoreThanNineLinesAndNoneOnTheEdges)
{
    for (int h : {1, 2, 3, 10, 57, 180, 999}) {
        for (double max : {0.001, 0.5, 1.0, 7.0, 24.0, 99.0}) {
            int grid[10] = {0};
            int sign = 0;
            double min = max - 100.0;
            ComputeGridLines(grid, h, min, max, h / (max - min), &sign);
            ASSERT_GE(grid[0], 1);
            ASSERT_LE(grid[0], 9);
            if (h < 4) continue;
            for (int i = 1; i <= grid[0]; i++) {
                EXPECT_GE(grid[i], 0);
                EXPECT_LT(grid[i], h);
            }
            // Beside the zero line no computed line falls on row 0.
            if (sign == 0 && grid[0] != 4) {
                for (int i = 2; i <= grid[0]; i++) EXPECT_GT(grid[i], 0);
            }
        }
    }
}

// Divisions are guarded: no height, an empty range, infinite or negative pixels per unit.
TEST(GridLines, DegenerateInputsGiveTheFixedLines)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct { int h; double min, max, ppu; } cases[] = {
        {0, -10, 10, 0},      {200, -10, 10, inf}, {200, -10, 10, -3}, {200, -10, 10, nan},
        {-50, -10, 10, -2.5}, {200, nan, 10, 10},  {200, -10, inf, 0},
    };
    for (auto c : cases) {
        int grid[10] = {0};
        int sign = 99;
        ComputeGridLines(grid, c.h, c.min, c.max, c.ppu, &sign);
        EXPECT_EQ(grid[0], 4);
    }
}

TEST(GridLines, MainListUsesScaleOneOnTheBarHeight)
{
    dScale1Min = -25;
    dScale1Max = 25;
    nCurveAreaHeightB = 200;
    dScale1PixPerUnitB = 4.0;
    ComputeGridLinesMain(0);
    EXPECT_EQ(anCurveGridY[0], 7);
    EXPECT_EQ(anCurveGridY[1], 100);
    EXPECT_EQ(nScale1RangeSign, 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Drawers on a memory surface
// ---------------------------------------------------------------------------------------------------------------
class GridDrawTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        static char arg0[] = "grid_lines_test";
        static char *argv[] = {arg0, nullptr};
        PlatformInit(1, argv);
        CreateFixedPensAndBrushes();
    }
};

bool IsGrey(COLORREF c) { return c == RGB(0xC0, 0xC0, 0xC0); }

// Rows painted grey in column x.
std::vector<int> GreyRows(HDC hdc, int x, int height)
{
    std::vector<int> rows;
    for (int y = 0; y < height; y++)
        if (IsGrey(GetPixel(hdc, x, y))) rows.push_back(y);
    return rows;
}

TEST_F(GridDrawTest, SpanningScaleDrawsAThickZeroLine)
{
    HDC hdc = PlatformCreateMemorySurface(300, 200);
    ASSERT_NE(hdc, nullptr);
    int grid[10] = {0};
    int sign = 0;
    ComputeGridLines(grid, 200, -25, 25, 4.0, &sign);
    nCurveWndWidth = 250;
    DrawCurveGridLines(hdc, grid, -25, 25);
    PlatformSaveSurfacePng(hdc, std::string(TEST_OUTPUT_DIR "/grid_lines_symmetric_scale.png"));
    std::vector<int> rows = GreyRows(hdc, 120, 200);
    // Width-2 zero line at 100 covers two rows; the six others one row each.
    EXPECT_EQ(rows.size(), 8u);
    int zeroRows = 0;
    for (int y : rows) zeroRows += (y == 99 || y == 100 || y == 101);
    EXPECT_EQ(zeroRows, 2);
    for (int y : {25, 50, 75, 125, 150, 175}) EXPECT_TRUE(IsGrey(GetPixel(hdc, 120, y))) << y;
    // The lines end at the right end given by the window width.
    EXPECT_FALSE(IsGrey(GetPixel(hdc, 280, 50)));
    DeleteDC(hdc);
}

TEST_F(GridDrawTest, OneSidedScaleDrawsThinLinesOnly)
{
    HDC hdc = PlatformCreateMemorySurface(300, 281);
    int sign = 0;
    ComputeGridLines(anGridLineY1, 280, 0, 500, 280.0 / 500, &sign);
    nGraphBandWidth = 300;
    DrawCurveGridLinesB(hdc, 0, 500);
    std::vector<int> rows = GreyRows(hdc, 150, 281);
    EXPECT_EQ(rows, (std::vector<int>{55, 111, 167, 223}));
    DeleteDC(hdc);
}

TEST_F(GridDrawTest, DecayGridDecidesThePenByScaleOne)
{
    HDC hdc = PlatformCreateMemorySurface(100, 200);
    dScale1Min = -1000;
    dScale1Max = 1;
    int sign = 0;
    ComputeGridLines(anCurveGridY, 200, dScale1Min, dScale1Max, 200.0 / 1001, &sign);
    nBarColumnWidth = 60;
    DrawCurveGridLinesMain(hdc);
    // The first fixed line (159) comes in the zero-line pen: two rows.
    std::vector<int> rows = GreyRows(hdc, 30, 200);
    EXPECT_EQ(rows.size(), 5u);
    EXPECT_FALSE(IsGrey(GetPixel(hdc, 70, 159)));
    DeleteDC(hdc);
}

TEST_F(GridDrawTest, SecondScaleListAcrossTheGraphBand)
{
    HDC hdc = PlatformCreateMemorySurface(200, 100);
    anGridLineY2[0] = 2;
    anGridLineY2[1] = 20;
    anGridLineY2[2] = 60;
    nGraphBandWidth = 150;
    DrawCurveGridLinesC(hdc, 0, 10);
    EXPECT_EQ(GreyRows(hdc, 100, 100), (std::vector<int>{20, 60}));
    DeleteDC(hdc);
}

}  // namespace
