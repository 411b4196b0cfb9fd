// Logging-screen arrangement: hand-computed layouts, the 1000 and 800 pixel thresholds, and every size positive over
// all window sizes the main window can take, landscape and portrait, for every instrument, map on and off.
#include <gtest/gtest.h>

#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "displays/displays.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map.h"

namespace {

void Screen(int clientW, int clientH, int lineHeight, int portrait, int gps)
{
    nClientWidth = clientW;
    nClientHeight = clientH;
    nLineHeight = lineHeight;
    nTextHeight = lineHeight - 2;
    nSideColumnWidth = 140;
    bPortrait = portrait;
    bGpsActive = gps;
    bGpsEnabled = gps;
    dSpeedScaleMin = 0.0;
    dSpeedScaleMax = 5.0;
    nRecordingState = 0;
    bJixProduct = 1;
    nSensorsMinus1 = 1;
}

void Arrange()
{
    if (bPortrait)
        ArrangeLogScreenTall();
    else
        ArrangeLogScreen();
}

TEST(LogScreenArrangement, LandscapeWithMapByHand)
{
    nInstrumentType = INSTRUMENT_EM61MK2;
    Screen(1272, 728, 18, 0, 1);
    Arrange();
    EXPECT_EQ(nGraphBandHeight, 436);  // 728 x 0.6 = 436.8
    EXPECT_EQ(nButtonRowHeight, 80);   // (18 - 4) x 5 + 10
    EXPECT_EQ(nStatusPanelHeight, 82);
    EXPECT_EQ(nStatusPanelTop, 354);
    EXPECT_EQ(nMapViewPixels, 666);  // 728 - 14 - 20 - 8 - 18 - 2
    EXPECT_EQ(nGraphBandWidth, 1102);
    EXPECT_EQ(nCurveWndX, 692);
    EXPECT_EQ(nCurveWndWidth, 430);
    // Profile room 436 - 80 - 20 = 336 against the bar column 436 - 82 - 20 - 63 = 271: the smaller wins.
    EXPECT_EQ(nCurveAreaHeight2, 271);
    EXPECT_EQ(nCurveAreaHeightB, 271);
    EXPECT_EQ(nSpeedBarY, 20 + 666 + 18 + 2);
    EXPECT_DOUBLE_EQ(dSpeedPixPerUnit, 666 / 5.0);
    // Bars: u = 108 / 21, width trunc(4u + 0.5) = 21, lefts 5, 31, 57, 83.
    EXPECT_EQ(nChannelBarWidth, 21);
    EXPECT_EQ(anBarLeft[0], 5);
    EXPECT_EQ(anBarLeft[1], 31);
    EXPECT_EQ(anBarLeft[2], 57);
    EXPECT_EQ(anBarLeft[3], 83);
    // The decay window is the whole bar column, and the bar windows are told so.
    EXPECT_EQ(nBarWndWidth, 110);
    EXPECT_EQ(nScaleStripWidth, 14);
}

TEST(LogScreenArrangement, SplitBarColumnGivesHalfWidthBarWindows)
{
    nInstrumentType = INSTRUMENT_EM38MK2;
    Screen(1272, 728, 18, 0, 1);
    Arrange();
    EXPECT_EQ(nBarWndWidth, 54);  // (110 - 2) / 2
}

// Every bar a window shows (erased one pixel wider on each side) lies inside the window and clear of its neighbours,
// landscape and portrait, for every instrument: the EM38-4's and CS-21's four bars too on the tall screen.
TEST(LogScreenArrangement, EveryBarLiesInItsWindowApartFromTheOthers)
{
    const int aTypes[9] = {INSTRUMENT_GRAD601, INSTRUMENT_EM61LX2, INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2,
                           INSTRUMENT_EM38,    INSTRUMENT_EM34,    INSTRUMENT_EM38MK2, INSTRUMENT_EM384,
                           INSTRUMENT_CS21};
    for (int portrait : {0, 1})
        for (int type : aTypes)
            for (int sensors : {0, 1}) {
                nInstrumentType = type;
                if (portrait) Screen(632, 952, 18, 1, 1);
                else Screen(1272, 728, 18, 0, 1);
                nSensorsMinus1 = sensors;
                Arrange();
                SetupReadingScales();
                SCOPED_TRACE(testing::Message() << (portrait ? "portrait" : "landscape") << " type " << type
                                                << " sensors " << sensors);
                ASSERT_GT(nDisplayedChannels, 0);
                for (int i = 0; i < nDisplayedChannels; i++) {
                    EXPECT_GE(anBarLeft[i] - 1, 0) << "bar " << i;
                    EXPECT_LE(anBarLeft[i] + nBarWidth + 1, nBarWndWidth) << "bar " << i;
                    // The EM34-3 shows one bar at a time, all in one place.
                    if (i > 0 && type != INSTRUMENT_EM34) {
                        EXPECT_GT(anBarLeft[i], anBarLeft[i - 1] + nBarWidth) << "bar " << i << " meets bar " << i - 1;
                    }
                }
            }
}

TEST(LogScreenArrangement, ButtonRoomAndExtraWidthThresholds)
{
    nInstrumentType = INSTRUMENT_EM61MK2;
    // Band 700 x 0.6 = 420; bar column 420 - 82 - 20 - 63 = 255.
    Screen(1000, 700, 18, 0, 1);
    Arrange();
    EXPECT_EQ(nCurveAreaHeight2, 240);  // two rows of room: 420 - 2 x 80 - 20
    Screen(1001, 700, 18, 0, 1);
    Arrange();
    EXPECT_EQ(nCurveAreaHeight2, 255);  // one row: 420 - 80 - 20 = 320, the bar column is lower

    Screen(800, 560, 18, 0, 1);
    Arrange();
    EXPECT_EQ(nButtonColumnX, nBarColumnX - nCurveWndWidth / 3);
    Screen(801, 560, 18, 0, 1);
    Arrange();
    EXPECT_EQ(nButtonColumnX, nBarColumnX - nCurveWndWidth / 2);
}

struct LayoutValue {
    const char *name;
    int value;
};

// Every size the arrangement computes: window widths and heights, bars, buttons, tiles, strips.
std::vector<LayoutValue> Sizes()
{
    return {{"nGraphBandHeight", nGraphBandHeight},
            {"nGraphBandWidth", nGraphBandWidth},
            {"nStatusPanelHeight", nStatusPanelHeight},
            {"nCurveAreaHeight", nCurveAreaHeight},
            {"nCurveAreaHeight2", nCurveAreaHeight2},
            {"nCurveAreaHeight3", nCurveAreaHeight3},
            {"nCurveAreaHeightB", nCurveAreaHeightB},
            {"nCurveWndWidth", nCurveWndWidth},
            {"nMapViewPixels", nMapViewPixels},
            {"nMapWndHeight", nMapWndHeight},
            {"nTileMaxX", nTileMaxX},
            {"nTileMaxY", nTileMaxY},
            {"nSpeedBarWidth", nSpeedBarWidth},
            {"nChannelBarWidth", nChannelBarWidth},
            {"nBarWndWidth", nBarWndWidth},
            {"nBarWndHeight", nBarWndHeight},
            {"nScaleStripWidth", nScaleStripWidth},
            {"nButtonWidth", nButtonWidth},
            {"nButtonHeight", nButtonHeight},
            {"nMapButtonHeight", nMapButtonHeight},
            {"pause hint width", rcPauseHintArea.right - rcPauseHintArea.left},
            {"pause hint height", rcPauseHintArea.bottom - rcPauseHintArea.top},
            {"nBarColumnHeightGpsOn", nBarColumnHeightGpsOn},
            {"nBarColumnHeightGpsOff", nBarColumnHeightGpsOff}};
}

struct ScreenRange {
    int portrait;
    int minW, maxW, minH, maxH;  // outer sizes of the main window
};

TEST(LogScreenArrangement, EverySizeStaysPositiveOverAllWindowSizes)
{
    const ScreenRange aRanges[2] = {{0, 800, 1280, 562, 762}, {1, 640, 800, 986, 1242}};
    const int aTypes[9] = {INSTRUMENT_GRAD601, INSTRUMENT_EM61LX2, INSTRUMENT_EM61MK2, INSTRUMENT_EM31MK2,
                           INSTRUMENT_EM38,    INSTRUMENT_EM34,    INSTRUMENT_EM38MK2, INSTRUMENT_EM384,
                           INSTRUMENT_CS21};
    const SIZE frame = GetFrameSize();
    int nFailures = 0;
    for (const ScreenRange &r : aRanges)
        for (int w = r.minW; w <= r.maxW; w += (r.maxW - r.minW) / 8)
            for (int h = r.minH; h <= r.maxH; h += (r.maxH - r.minH) / 8)
                for (int L : {15, 18, 22})
                    for (int type : aTypes)
                        for (int gps : {0, 1})
                            for (int sensors : {0, 1}) {
                                nInstrumentType = type;
                                Screen(w - frame.cx, h - frame.cy, L, r.portrait, gps);
                                nSensorsMinus1 = sensors;
                                Arrange();
                                // Without the map a landscape screen leaves the map's values as they were.
                                const bool bMapPlaced = gps || r.portrait;
                                for (const LayoutValue &v : Sizes()) {
                                    const std::string name = v.name;
                                    if (!bMapPlaced && (name.rfind("nMapView", 0) == 0 || name.rfind("nMapWnd", 0) == 0 ||
                                                        name.find("Tile") != std::string::npos))
                                        continue;
                                    if (v.value <= 0 && nFailures++ < 20)
                                        ADD_FAILURE() << v.name << " = " << v.value << " at " << w << "x" << h
                                                      << (r.portrait ? " portrait" : " landscape") << " L " << L
                                                      << " type " << type << " gps " << gps << " sensors "
                                                      << sensors;
                                }
                            }
    EXPECT_EQ(nFailures, 0);
}

TEST(LogScreenArrangement, PortraitProfilesUnderTheMap)
{
    nInstrumentType = INSTRUMENT_EM61MK2;
    Screen(632, 952, 18, 1, 1);
    Arrange();
    EXPECT_EQ(nMapViewPixels, 592);  // 632 - 40
    EXPECT_EQ(nSpeedBarY, 20 + 592 + 18 + 2);
    EXPECT_EQ(nCurveWndTop, nSpeedBarY + 8 + 18 - 2);
    EXPECT_EQ(nStatusPanelTop, nCurveWndTop + 3 * 18);
    EXPECT_EQ(nCurveAreaHeight, 3 * 18 + 4 * 18 + 10);
    EXPECT_EQ(nBarColumnX, 632 - 130 - 30 - 110);
    EXPECT_EQ(nCurveWndWidth, nBarColumnX - 30 - 20);
    EXPECT_EQ(nScaleStripWidth, 12);
}

}  // namespace
