// Map geometry: map pixels to tiles, rounding, grid direction, the sparse tile store and its limits, the first
// view placement, scrolling, the footprint records, the near-edge state and the path set-back.
#include "map_test_support.h"

#include <cmath>

namespace {

TEST(MapTileArithmetic, PixelsToTilesAndOffsets)
{
    nTileWidth = nTileHeight = 398;
    nTileMaxX = nTileMaxY = 397;
    struct Case {
        int px, py, col, row, offX, offY;
    };
    const Case cases[] = {
        {0, 0, 1000, 1000, 397, 397},       // the origin: right-most column of tile 1000, bottom row of row 1000
        {1, 0, 1001, 1000, 0, 397},         // first pixel of tile 1001
        {-398, 0, 999, 1000, 397, 397},     // one tile west
        {-397, 0, 1000, 1000, 0, 397},      // left column of tile 1000
        {398, 397, 1001, 1000, 397, 0},     // last column of 1001, top row of row 1000
        {399, 398, 1002, 1001, 0, 397},
        {0, -1, 1000, 999, 397, 0},         // top row of row 999
        {0, -398, 1000, 999, 397, 397},
        {0, -399, 1000, 998, 397, 0},
        {1 - 398 * 998, 0, 3, 1000, 0, 397},  // the first usable column
    };
    for (const Case &c : cases) {
        int col, row, ox, oy;
        MapPixelToTile(c.px, c.py, &col, &row, &ox, &oy);
        EXPECT_EQ(col, c.col) << c.px << "," << c.py;
        EXPECT_EQ(row, c.row) << c.px << "," << c.py;
        EXPECT_EQ(ox, c.offX) << c.px << "," << c.py;
        EXPECT_EQ(oy, c.offY) << c.px << "," << c.py;
        // Relative to its own tile the offset is the same.
        int ox2, oy2;
        MapPixelToTileOffset(c.px, c.py, c.col, c.row, &ox2, &oy2);
        EXPECT_EQ(ox2, c.offX);
        EXPECT_EQ(oy2, c.offY);
    }
    // Relative to the west neighbour the offset lies one tile width further right.
    int ox, oy;
    MapPixelToTileOffset(1, 0, 1000, 1000, &ox, &oy);
    EXPECT_EQ(ox, 398);
    EXPECT_EQ(CompareTileIndex(3, 4), -1);
    EXPECT_EQ(CompareTileIndex(4, 4), 0);
    EXPECT_EQ(CompareTileIndex(5, 4), 1);
}

TEST(MapTileArithmetic, WorldToPixelsAddsOneHalfThenTruncates)
{
    dMapOriginX = 1000.0;
    dMapOriginY = 2000.0;
    dMapPixelsPerUnit = 1.0;
    struct Case {
        double d;
        int expected;
    };
    const Case cases[] = {{-2.7, -2}, {-2.4, -1}, {2.5, 3}, {2.4, 2}, {0.0, 0}, {-0.6, 0}};
    for (const Case &c : cases) {
        int px1, py1, px2, py2;
        WorldToMapPixels(&px1, &py1, &px2, &py2, 1000.0 + c.d, 2000.0 + c.d, 1000.0, 2000.0);
        EXPECT_EQ(px1, c.expected) << c.d;
        EXPECT_EQ(py1, c.expected) << c.d;
        EXPECT_EQ(px2, 0);
        EXPECT_EQ(py2, 0);
    }
    dMapPixelsPerUnit = 10.0;
    int px1, py1, px2, py2;
    WorldToMapPixels(&px1, &py1, &px2, &py2, 1001.25, 1999.0, 1000.0, 2000.0);
    EXPECT_EQ(px1, 13);
    EXPECT_EQ(py1, -9);  // -10 + 0.5 truncated toward zero
}

TEST(MapTileArithmetic, GridDirectionFromTheSettings)
{
    nTileWidth = 398;
    nMapSize = 40;
    dGridInterval = 2.0;
    struct Case {
        int mode;
        double angle;
        int kind;
        double slope;  // checked when kind is 1 or -1
        double spacing;
    };
    const double sin20 = std::sin(20.0 * 3.14159265359 / 180.0);
    const Case cases[] = {
        {0, -20.0, 0, 0.0, 19.9},
        {1, 0.0, 2, 0.0, 19.9},
        {1, 90.0, 1, 0.0, 19.9},
        {1, -90.0, -1, 0.0, 19.9},
        {1, -20.0, -1, std::tan(110.0 * 3.14159265359 / 180.0), 2.0 / sin20 * 398.0 / 40.0},
        {1, 20.0, 1, std::tan(70.0 * 3.14159265359 / 180.0), 2.0 / sin20 * 398.0 / 40.0},
    };
    for (const Case &c : cases) {
        nGridMode = c.mode;
        dLinesAngle = c.angle;
        ComputeMapDirection();
        EXPECT_EQ(nGridKind, c.kind) << c.mode << " " << c.angle;
        if (c.kind == 1 || c.kind == -1) {
            EXPECT_NEAR(dGridSlope, c.slope, 1e-9) << c.angle;
        }
        EXPECT_NEAR(dGridSpacingPixels, c.spacing, 1e-9) << c.mode << " " << c.angle;
    }
}

TEST_F(MapTest, TilesOutsideTheTableAreIgnoredAndTilesAreMadeOnlyWhenDrawnInto)
{
    StartLogging(500000.0, 5000000.0);
    EXPECT_EQ(MapTileCount(), 0);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    const int outside[][2] = {{-1, 1000}, {2000, 1000}, {1000, -1}, {1000, 2000}, {-5000, 99999}};
    for (const auto &t : outside) {
        EXPECT_EQ(SelectMapTileBitmap(hdcMem, t[0], t[1], 1), 0);
        EXPECT_EQ(SelectMapTileBitmap(hdcMem, t[0], t[1], 0), 0);
    }
    EXPECT_EQ(MapTileCount(), 0);
    // Tiles are made inside the usable range only (3..1996), even where the table goes on.
    const int unusable[][2] = {{2, 1000}, {1997, 1000}, {1000, 2}, {1000, 1997}, {0, 1999}};
    for (const auto &t : unusable) {
        EXPECT_EQ(SelectMapTileBitmap(hdcMem, t[0], t[1], 1), 0);
        EXPECT_EQ(MapTileExists(t[0], t[1]), 0);
    }
    // A mark at a tile's corner at the usable range's edge: the neighbours outside are skipped, the one inside made.
    nCursorSize = 2;
    PlotDotOnTilesFilled(hdcMem, 3, 1996, 0, 0, hpenPosition, hbrPosition);
    EXPECT_EQ(MapTileExists(3, 1996), 1);
    EXPECT_EQ(MapTileCount(), 1);
    // Either layer of a missing tile makes both and widens the used range once.
    nTileColMin = nTileColMax = 1000;
    nTileRowMin = nTileRowMax = 1000;
    EXPECT_EQ(SelectMapTileBitmap(hdcMem, 1005, 990, 0), 1);
    EXPECT_EQ(MapTileExists(1005, 990), 1);
    EXPECT_EQ(nTileColMax, 1005);
    EXPECT_EQ(nTileRowMin, 990);
    DeleteDC(hdcMem);
    FreeMapTiles();
    EXPECT_EQ(MapTileCount(), 0);
    EXPECT_EQ(nTileColMin, nViewTileCol);
    EXPECT_EQ(nTileRowMax, nViewTileRow);
}

TEST_F(MapTest, FirstPositionPlacesTheViewOnTheOriginTile)
{
    StartLogging(500000.0, 5000000.0);
    nRecordingState = 1;
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 0.0);
    EXPECT_EQ(bMapViewPlaced, 1);
    EXPECT_EQ(nCursorWndX, nTileWidth / 2 - 1);
    EXPECT_EQ(nCursorWndY, nTileHeight / 2 - 1);
    EXPECT_EQ(nViewTileCol, 1000);
    EXPECT_EQ(nViewTileRow, 1000);
    EXPECT_EQ(nViewTileOffsetX, nTileWidth / 2);
    EXPECT_EQ(nViewTileOffsetY, nTileHeight / 2);
    EXPECT_EQ(nTileColMin, 1000);
    EXPECT_EQ(nTileColMax, 1001);
    EXPECT_EQ(nTileRowMin, 999);
    EXPECT_EQ(nTileRowMax, 1000);
    // Nothing drawn yet, so no tile holds bitmaps.
    EXPECT_EQ(MapTileCount(), 0);
    // The window shows the cross-hair at the cursor.
    HDC hdc = GetDC(hwndMap);
    EXPECT_EQ(GetPixel(hdc, nCursorWndX + 3, nCursorWndY), clrCursor);
    ReleaseDC(hwndMap, hdc);
}

TEST_F(MapTest, ScrollingFollowsTheMarginRules)
{
    StartLogging(500000.0, 5000000.0);
    nTileWidth = nTileHeight = 398;  // views of the 400-pixel window
    UpdateMapDisplay(hwndMap, 0, 5000000.0, 500000.0, 0.0);
    ASSERT_EQ(nViewRight, 199);
    ASSERT_EQ(nViewLeft, -198);
    struct Step {
        double dEast, dNorth;  // metres from the origin (10 pixels a metre)
        int viewLeft, viewBottom;
    };
    // nViewRight - margin = 199 - 76 = 123 px: east 12 m (120 px) keeps the view; 13 m (130 px) scrolls by the
    // whole movement on both axes.
    const Step steps[] = {
        {12.0, 0.0, -198, 199},
        {13.0, 0.5, -188, 204},   // moved 10 px east and 5 px north: both axes follow
        {13.0, 0.0, -188, 204},   // straight south within the view: dx = 0 takes the west rule, no trigger
        {-1.0, 0.0, -188, 204},   // west to -9 px, still right of nViewLeft + margin (-112)
    };
    for (int i = 0; i < 4; ++i) {
        const Step &s = steps[i];
        UpdateMapDisplay(hwndMap, 0, 5000000.0 + s.dNorth, 500000.0 + s.dEast, 1.0);
        EXPECT_EQ(nViewLeft, s.viewLeft) << i;
        EXPECT_EQ(nViewBottom, s.viewBottom) << i;
        EXPECT_EQ(nViewRight, nViewLeft + 397) << i;
    }
    // West past nViewLeft + margin (-188 + 76 = -112): from -9 px to -119 px (-119.5 truncated) scrolls by -110.
    UpdateMapDisplay(hwndMap, 0, 5000000.0, 500000.0 - 12.0, 1.0);
    EXPECT_EQ(nViewLeft, -188 - 110);
    // The cursor keeps its window position relative to the view.
    EXPECT_EQ(nCursorWndX, -119 - nViewLeft);
    EXPECT_EQ(nCursorWndY, nViewBottom - 0 - 1);
}

TEST_F(MapTest, NearEdgeStateIsRaisedOnceWhenTheUsedRangeLeavesTheUsableRange)
{
    struct Case {
        int colMin, colMax, rowMin, rowMax;
        int raised;
    };
    const Case cases[] = {
        {3, 1996, 3, 1996, 0}, {2, 1001, 999, 1000, 1}, {1000, 1997, 999, 1000, 1},
        {1000, 1001, 2, 1000, 1}, {1000, 1001, 999, 1997, 1}, {1000, 1001, 999, 1000, 0},
    };
    for (const Case &c : cases) {
        StartLogging(500000.0, 5000000.0);
        UpdateMapDisplay(hwndMap, 0, 5000000.0, 500000.0, 0.0);
        MapTestScreenMessages().clear();
        nTileColMin = c.colMin;
        nTileColMax = c.colMax;
        nTileRowMin = c.rowMin;
        nTileRowMax = c.rowMax;
        UpdateMapDisplay(hwndMap, 0, 5000000.0, 500000.1, 0.1);
        UpdateMapDisplay(hwndMap, 0, 5000000.0, 500000.2, 0.1);
        EXPECT_EQ(nMapEdgeState, c.raised) << c.colMin << " " << c.colMax << " " << c.rowMin << " " << c.rowMax;
        int sent = 0;
        for (UINT m : MapTestScreenMessages()) sent += m == WM_MAP_NEAR_EDGE;
        EXPECT_EQ(sent, c.raised);
    }
}

// Footprint records of a walk: the segment start, then the first pair of footprints, then one per position.
TEST_F(MapTest, FootprintRecordsAcrossTheTrack)
{
    std::string path = OpenFile(L"footprint.T61");
    StartLogging(500000.0, 5000000.0);
    dGpsOffsetY = 0.0;
    dSwathLeft = 1.0;
    dSwathRight = 1.0;
    nGpsOffsetSign = 0;
    nColorMapView = 0;
    nCursorSize = 4;
    nRecordingState = 1;
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 0.0);   // placement
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 0.5);   // segment start
    UpdateMapDisplay(hwndMap, 1, 5000002.0, 500000.0, 2.0);   // due north
    UpdateMapDisplay(hwndMap, 1, 5000002.0, 500000.0, 1.0);   // no movement: no direction, nothing written
    UpdateMapDisplay(hwndMap, 1, 5000004.0, 500000.0, 2.0);
    // With an offset of 0.5 behind the antenna going east.
    dGpsOffsetY = 0.5;
    UpdateMapDisplay(hwndMap, 1, 5000004.0, 500003.0, 3.0);
    // A zero distance draws and writes nothing.
    UpdateMapDisplay(hwndMap, 1, 5000004.0, 500009.0, 0.0);
    FlushDataFile();
    std::vector<std::string> recs = MapPointRecords(ReadWholeFile(path));
    const char *expected[] = {
        "{0         0.000",
        "{a    499999.000", "{b   5000000.000", "{c    500001.000", "{d   5000000.000",
        "{e    499999.000", "{f   5000002.000", "{g    500001.000", "{h   5000002.000",
        "{e    499999.000", "{f   5000004.000", "{g    500001.000", "{h   5000004.000",
        "{e    500002.500", "{f   5000005.000", "{g    500002.500", "{h   5000003.000",
    };
    ASSERT_EQ(recs.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < recs.size(); ++i) {
        EXPECT_EQ(recs[i].substr(0, 16), expected[i]) << i;
        EXPECT_EQ(recs[i].size(), 27u);
        EXPECT_EQ(recs[i][26], '\n');
    }
}

// Path-following set-back with the set-back exactly as long as the path held: the sample point is the first
// entry, never an entry before it.
TEST_F(MapTest, PathSetBackEqualToThePathUsesTheFirstEntry)
{
    std::string path = OpenFile(L"path.T61");
    StartLogging(500000.0, 5000000.0);
    dGpsOffsetY = 5.0;
    InitMapView();
    ASSERT_EQ(nGpsOffsetSign, 1);
    dSwathLeft = 0.5;
    dSwathRight = 0.5;
    nColorMapView = 0;
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 0.0);
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 1.0);   // entry 0
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500002.5, 2.5);   // entry 1: straight set-back, both footprints
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500005.0, 2.5);   // path of 5 = set-back: sample at entry 0
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500008.0, 3.0);   // 3 m past entry 1 (2.5 + 3 - 5 = 0.5 along)
    FlushDataFile();
    std::vector<std::string> recs = MapPointRecords(ReadWholeFile(path));
    const char *expected[] = {
        "{0         0.000",
        "{a    499995.000", "{b   5000000.500", "{c    499995.000", "{d   4999999.500",
        "{e    499997.500", "{f   5000000.500", "{g    499997.500", "{h   4999999.500",
        "{e    500000.000", "{f   5000000.500", "{g    500000.000", "{h   4999999.500",
        "{e    500003.000", "{f   5000000.500", "{g    500003.000", "{h   4999999.500",
    };
    ASSERT_EQ(recs.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < recs.size(); ++i) EXPECT_EQ(recs[i].substr(0, 16), expected[i]) << i;
}

TEST_F(MapTest, BusyIndicatorVisitsEachPlaceOnce)
{
    for (int i = 0; i < 5; ++i) arcBusyDot[i] = RECT{300 - 20 * i, 10, 310 - 20 * i, 20};
    rcBusyIndicator = RECT{210, 5, 315, 25};
    nBusyStep = 0;
    const int expectedLit[5] = {4, 3, 2, 1, 0};
    for (int k = 0; k < 5; ++k) {
        StepBusyIndicator();
        HDC hdc = GetDC(hwndMap);
        for (int i = 0; i < 5; ++i) {
            COLORREF c = GetPixel(hdc, arcBusyDot[i].left + 5, 15);
            EXPECT_EQ(c != RGB(255, 255, 255), i == expectedLit[k]) << "step " << k << " dot " << i;
        }
        ReleaseDC(hwndMap, hdc);
    }
    EXPECT_EQ(nBusyStep, 0);
}

}  // namespace

namespace {

// Footprints 10 pixels apart: 10 lines, the first on the old footprint, line i from cell trunc(i x last / 10).
TEST_F(MapTest, SwathSpreadsTheCellsOverTheSegment)
{
    StartLogging(500000.0, 5000000.0);
    for (int i = 0; i < 50; ++i) rgColorGrid[0][i] = i;
    nSwathPlotRow = 0;
    nSwathPlotLastCell = 49;
    bSwathHasCells = 1;
    HDC hdcMem = CreateCompatibleDC(nullptr);
    PlotColourSwath(hdcMem, 110, 5, 110, -5, 100, 5, 100, -5);
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(SurveyPixel(100 + i, 0), aclrColorScale[i * 49 / 10]) << "line " << i;
    EXPECT_EQ(SurveyPixel(99, 0), RGB(255, 255, 255));
    EXPECT_EQ(SurveyPixel(100, 8), RGB(255, 255, 255));
    // The same footprint again: a segment of no length draws nothing (and makes no tile).
    FreeMapTiles();
    PlotColourSwath(hdcMem, 100, 5, 100, -5, 100, 5, 100, -5);
    EXPECT_EQ(MapTileCount(), 0);
    // No cells handed over: nothing drawn.
    bSwathHasCells = 0;
    PlotColourSwath(hdcMem, 110, 5, 110, -5, 100, 5, 100, -5);
    EXPECT_EQ(MapTileCount(), 0);
    // Two sensors: 131 = 2 x 64 + 3 paints the first half in colour 3 and the second in colour 2.
    bSwathHasCells = 1;
    nSwathPlotLastCell = 0;
    rgColorGrid[0][0] = 131;
    PlotColourSwathTable(hdcMem, 210, 10, 210, -10, 200, 10, 200, -10);
    EXPECT_EQ(SurveyPixel(204, 6), aclrColorScale[3]);
    EXPECT_EQ(SurveyPixel(204, -6), aclrColorScale[2]);
    DeleteDC(hdcMem);
}

// A segment from tile (1000, 1000) into the diagonal tile (1001, 1001) is drawn in the three tiles it crosses,
// and is continuous across the borders.
TEST_F(MapTest, SegmentsAcrossTileBorders)
{
    StartLogging(500000.0, 5000000.0);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    // From map pixel (-10, 380) to (30, 420): crosses x = 0/1 and y = 399/400.
    DrawMapPixelSegment(hdcMem, -10, 380, 30, 420, hpenBlack);
    EXPECT_EQ(MapTileExists(1000, 1000), 1);
    EXPECT_EQ(MapTileExists(1001, 1000), 1);
    EXPECT_EQ(MapTileExists(1001, 1001), 1);
    EXPECT_EQ(MapTileExists(1000, 1001), 0);  // the line passes the corner below-right of it
    for (int x = -10; x < 30; ++x) EXPECT_EQ(SurveyPixel(x, 380 + (x + 10)), RGB(0, 0, 0)) << x;
    DeleteDC(hdcMem);
}

}  // namespace

namespace {

bool WindowHasGrey(int y0, int y1)
{
    HDC hdc = GetDC(hwndMap);
    bool found = false;
    for (int y = y0; y < y1 && !found; ++y)
        for (int x = 0; x < nMapViewPixels && !found; ++x)
            found = GetPixel(hdc, x, y) == RGB(160, 160, 160);
    ReleaseDC(hwndMap, hdc);
    return found;
}

TEST_F(MapTest, WaitingAndPleaseWaitTexts)
{
    StartLogging(500000.0, 5000000.0);
    ShowWaitingForGps();
    EXPECT_TRUE(WindowHasGrey(nTileMaxY / 2, nTileMaxY / 2 + 30));
    EXPECT_FALSE(WindowHasGrey(0, nTileMaxY / 2));
    // "Please Wait" only while GPS is in use: otherwise the window is left as it is.
    ClearMapWindow(hwndMap);
    bGpsActive = 0;
    ShowPleaseWait();
    EXPECT_FALSE(WindowHasGrey(nTileMaxY / 2, nTileMaxY / 2 + 30));
    bGpsActive = 1;
    ShowPleaseWait();
    EXPECT_TRUE(WindowHasGrey(nTileMaxY / 2, nTileMaxY / 2 + 30));
}

// A position absurdly far away: nothing is made outside the tile table and nothing overflows.
TEST_F(MapTest, PositionFarOutsideTheTableDrawsNothingOutsideIt)
{
    StartLogging(500000.0, 5000000.0);
    nMapSize = 1;
    InitMapView();
    nColorMapView = 0;
    UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 0.0);
    UpdateMapDisplay(hwndMap, 1, 9000000.0, 8000000.0, 0.0);
    UpdateMapDisplay(hwndMap, 1, 9000000.0, 8000000.0, 1.0);
    UpdateMapDisplay(hwndMap, 1, 9000001.0, 8000001.0, 1.0);
    UpdateMapDisplay(hwndMap, 1, 9000002.0, 8000002.0, 1.0);
    EXPECT_EQ(nMapEdgeState, 1);
    EXPECT_EQ(MapTileCount(), 0);  // every footprint lies outside the table
    EXPECT_GE(nTileColMin, 0);
    EXPECT_LE(nTileColMax, 1999);
    EXPECT_GE(nTileRowMin, 0);
    EXPECT_LE(nTileRowMax, 1999);
}

}  // namespace

namespace {

// Lines of a base-layer tile: columns grey from top to bottom (bRows 0) or rows grey from left to right (bRows 1).
std::vector<int> GridLines(int col, int row, bool bRows)
{
    HDC hdcMem = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcMem, col, row, 0);
    std::vector<int> v;
    int nOuter = bRows ? nTileHeight : nTileWidth, nInner = bRows ? nTileWidth : nTileHeight;
    for (int i = 0; i < nOuter; ++i) {
        bool bLine = true;
        for (int k = 0; k < nInner && bLine; ++k)
            bLine = (bRows ? GetPixel(hdcMem, k, i) : GetPixel(hdcMem, i, k)) != RGB(255, 255, 255);
        if (bLine) v.push_back(i);
    }
    DeleteDC(hdcMem);
    return v;
}

// Square grid and north-south lines join up across tile borders in every quadrant around the origin, a whole
// number of spacings from the origin.
TEST_F(MapTest, GridLinesJoinAcrossTileBorders)
{
    for (int mode : {0, 1}) {
        StartLogging(500000.0, 5000000.0);
        nGridMode = mode;
        dLinesAngle = 0.0;
        dGridInterval = 3.3;  // 33 pixels: lines fall anywhere in a tile
        ComputeMapDirection();
        for (int col = 999; col <= 1001; ++col) {
            for (int row = 999; row <= 1001; ++row) {
                std::vector<int> columns = GridLines(col, row, false);
                EXPECT_EQ(columns.size(), 12u + (columns.size() == 13u)) << col << "," << row;
                EXPECT_EQ(columns, GridLines(col, row + 1, false)) << mode << " " << col << "," << row;
                for (int x : columns) {
                    int px = x + 1 + (col - 1001) * nTileWidth;  // map pixel of the in-tile column
                    EXPECT_EQ(((px % 33) + 33) % 33, 0) << px;
                }
                std::vector<int> rows = GridLines(col, row, true);
                if (mode == 0) {
                    EXPECT_FALSE(rows.empty());
                    EXPECT_EQ(rows, GridLines(col + 1, row, true)) << col << "," << row;
                    for (int y : rows) {
                        int py = (row - 999) * nTileHeight - 1 - y;
                        EXPECT_EQ(((py % 33) + 33) % 33, 0) << py;
                    }
                } else {
                    EXPECT_TRUE(rows.empty());  // north-south lines only
                }
            }
        }
    }
}

// A spacing far below a pixel (the largest map size with the shortest interval) on the farthest tiles: the line
// numbers lie far beyond an int, and the grid is still drawn without overflow (the sanitizer build checks the
// conversions).
TEST_F(MapTest, TinyGridSpacingOnFarTilesDrawsWithoutOverflow)
{
    StartLogging(500000.0, 5000000.0);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    HBITMAP hbm = CreateCompatibleBitmap(hdcMem, nTileWidth, nTileHeight);
    HGDIOBJ hOld = SelectObject(hdcMem, hbm);
    for (int mode : {0, 1}) {
        for (double angle : {0.0, 30.0, -60.0, 89.99}) {
            nGridMode = mode;
            dLinesAngle = angle;
            nMapSize = 1000000;
            dGridInterval = 0.5;
            ComputeMapDirection();
            dGridSpacingPixels = 2e-5;
            for (int col : {3, 1996})
                for (int row : {3, 1996}) DrawTileGrid(hdcMem, col, row);
        }
    }
    SelectObject(hdcMem, hOld);
    DeleteObject(hbm);
    DeleteDC(hdcMem);
}

}  // namespace

namespace {

COLORREF BasePixel(int col, int row, int x, int y)
{
    if (!MapTileExists(col, row)) return RGB(255, 255, 255);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcMem, col, row, 0);
    COLORREF c = GetPixel(hdcMem, x, y);
    DeleteDC(hdcMem);
    return c;
}

// Marks near a tile's corner are repeated in the neighbours they reach, at the same map pixels.
TEST_F(MapTest, MarksRepeatInTheNeighboursTheyReach)
{
    StartLogging(500000.0, 5000000.0);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    // A dot of radius 2 at in-tile x = 1 reaches the left neighbour at x + tile width.
    nCursorSize = 2;
    PlotDotOnTilesFilled(hdcMem, 1000, 1000, 1, 200, hpenBlack, hbrRed);
    EXPECT_EQ(MapTileExists(999, 1000), 1);
    EXPECT_EQ(MapTileExists(1000, 1001), 0);
    HDC hdcTile = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcTile, 999, 1000, 1);
    EXPECT_NE(GetPixel(hdcTile, nTileWidth - 1, 200), RGB(255, 255, 255));
    EXPECT_EQ(GetPixel(hdcTile, nTileWidth - 5, 200), RGB(255, 255, 255));
    DeleteDC(hdcTile);

    // A labelled square near the lower-left corner: this tile, the one to the left, below and below-left only.
    FreeMapTiles();
    PlotLabelOnTile(hdcMem, 1000, 1000, 1, nTileMaxY - 1, hpenBlack, hbrRed, 3, "A12", 4);
    EXPECT_EQ(MapTileExists(1000, 1000), 1);
    EXPECT_EQ(MapTileExists(999, 1000), 1);
    EXPECT_EQ(MapTileExists(1000, 999), 1);
    EXPECT_EQ(MapTileExists(999, 999), 1);
    EXPECT_EQ(MapTileCount(), 4);
    // The square at the same map pixels in the tile below (its lower outline) and below-left.
    EXPECT_EQ(BasePixel(1000, 1000, 1, nTileMaxY - 1), RGB(255, 0, 0));
    EXPECT_EQ(BasePixel(1000, 999, 1, 0), RGB(0, 0, 0));
    EXPECT_EQ(BasePixel(1000, 999, 1, 1), RGB(255, 255, 255));
    EXPECT_EQ(BasePixel(999, 999, nTileWidth - 1, 0), RGB(0, 0, 0));
    DeleteDC(hdcMem);
}

TEST_F(MapTest, CreateMapTilesKeepsWhatItsModeKeeps)
{
    StartLogging(500000.0, 5000000.0);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    DrawMapPixelSegment(hdcMem, 10, 10, 20, 10, hpenBlack);      // survey layer
    PlotDotOnTiles(hdcMem, 1001, 1000, 50, 50, hpenBlack, hbrRed);  // base layer (background point)
    DeleteDC(hdcMem);
    auto survey = [] { return SurveyPixel(15, 10); };
    CreateMapTiles(0);  // grid redrawn, survey kept
    EXPECT_EQ(survey(), RGB(0, 0, 0));
    EXPECT_EQ(BasePixel(1001, 1000, 50, 50), RGB(255, 255, 255));
    PlotDotOnTiles(hdcMem = CreateCompatibleDC(nullptr), 1001, 1000, 50, 50, hpenBlack, hbrRed);
    DeleteDC(hdcMem);
    CreateMapTiles(1);  // survey cleared, background kept
    EXPECT_EQ(survey(), RGB(255, 255, 255));
    EXPECT_EQ(BasePixel(1001, 1000, 50, 50), RGB(255, 0, 0));
    CreateMapTiles(7);  // no such mode: nothing
    EXPECT_EQ(BasePixel(1001, 1000, 50, 50), RGB(255, 0, 0));
    CreateMapTiles(2);
    EXPECT_EQ(BasePixel(1001, 1000, 50, 50), RGB(255, 255, 255));
}

TEST_F(MapTest, PointMarkerStyles)
{
    HDC hdc = PlatformCreateMemorySurface(40, 40);
    DrawPointMarker(hdc, 10, 10, 30, 10, -2, hpenBlack, hpenBlack, hbrRed, RGB(0, 0, 255));
    EXPECT_EQ(GetPixel(hdc, 10, 10), RGB(0, 0, 255));
    DrawPointMarker(hdc, 10, 20, 30, 20, 4, hpenBlack, hpenBlack, hbrRed, 0);
    EXPECT_EQ(GetPixel(hdc, 20, 20), RGB(0, 0, 0));  // the line between the two ends
    DrawPointMarker(hdc, 10, 30, 30, 30, 9, hpenBlack, hpenBlack, hbrRed, 0);
    EXPECT_EQ(GetPixel(hdc, 20, 30), RGB(255, 255, 255));  // unknown style: nothing
    DeleteDC(hdc);
}

}  // namespace
