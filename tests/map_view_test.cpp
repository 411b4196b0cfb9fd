// Map view commands in-process: the arithmetic of pan, zoom and fit through MapViewCommand at the map window sizes
// of the arrangement, the fit of a survey far from the origin, a zoom equal to a rebuild at the new size, the map
// size text, the redraw requests and the conditions of the review and view commands.
#include "map_test_support.h"

#include <cmath>

#include "map/map_view.h"

namespace {

constexpr double kEast = 500000.0, kNorth = 5000000.0;

// A record of text (blanks after it, the line feed last).
std::string TextRecord(const std::string &text)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    memcpy(rec, text.data(), text.size() < 26 ? text.size() : 26);
    return std::string(rec, 27);
}

// The map-point records of one footprint ("{a".."{d" for the first of a segment, "{e".."{h" after).
void WriteFootprint(bool bFirst, double lx, double ly, double rx, double ry)
{
    const char *szLetters = bFirst ? "abcd" : "efgh";
    const double v[4] = {lx, ly, rx, ry};
    for (int i = 0; i < 4; ++i) {
        char sz[40];
        snprintf(sz, sizeof sz, "{%c%14.3f", szLetters[i], v[i]);
        WriteDataRecord(TextRecord(sz).c_str());
    }
}

// Survey-layer pixels of every tile with something drawn in it, with the tiles' keys (a tile left white by a
// rebuild at another size counts as none).
struct DrawnTiles {
    std::vector<int> tiles;
    std::vector<COLORREF> pixels;
    bool operator==(const DrawnTiles &o) const { return tiles == o.tiles && pixels == o.pixels; }
};

DrawnTiles DrawnSurveyTiles()
{
    DrawnTiles picture;
    HDC hdcMem = CreateCompatibleDC(nullptr);
    for (int col = nTileColMin; col <= nTileColMax; ++col)
        for (int row = nTileRowMin; row <= nTileRowMax; ++row) {
            if (!MapTileExists(col, row)) continue;
            SelectMapTileBitmap(hdcMem, col, row, 1);
            bool bAny = false;
            std::vector<COLORREF> tile;
            for (int y = 0; y < nTileHeight; ++y)
                for (int x = 0; x < nTileWidth; ++x) {
                    COLORREF c = GetPixel(hdcMem, x, y);
                    bAny = bAny || c != RGB(255, 255, 255);
                    tile.push_back(c);
                }
            // A tile left white by a rebuild at another size holds nothing.
            if (!bAny) continue;
            picture.tiles.push_back(col * 2000 + row);
            picture.pixels.insert(picture.pixels.end(), tile.begin(), tile.end());
        }
    DeleteDC(hdcMem);
    return picture;
}

COLORREF LayerPixel(int px, int py, int nLayer)
{
    int col, row, ox, oy;
    MapPixelToTile(px, py, &col, &row, &ox, &oy);
    if (!MapTileExists(col, row)) return RGB(255, 255, 255);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcMem, col, row, nLayer);
    COLORREF c = GetPixel(hdcMem, ox, oy);
    DeleteDC(hdcMem);
    return c;
}

class MapViewTest : public MapTest {
protected:
    // A logging start at the origin with a track view (bars in the position colour), in review.
    void StartReview(double dOriginX = kEast, double dOriginY = kNorth)
    {
        nColorMapView = 0;
        nCursorSize = 4;
        nSensorsMinus1 = 0;
        StartLogging(dOriginX, dOriginY);
        bMapReviewMode = 1;
        nRecordingState = -1;
    }

    // A file with a straight track from (x0, y0) to (x1, y1) metres from the origin: one footprint of 1 m across
    // the track every metre. The extents are the track's own (the origin need not lie in them).
    void WriteTrack(double x0, double y0, double x1, double y1)
    {
        dExtentMinX = dExtentMaxX = dMapOriginX + x0;
        dExtentMinY = dExtentMaxY = dMapOriginY + y0;
        WriteDataRecord(TextRecord("X$STARTED").c_str());
        WriteDataRecord(TextRecord("{0         0.000").c_str());
        const double len = std::hypot(x1 - x0, y1 - y0);
        const double ux = (x1 - x0) / len, uy = (y1 - y0) / len;
        for (int i = 0; i <= (int)len; ++i) {
            double x = dMapOriginX + x0 + i * ux, y = dMapOriginY + y0 + i * uy;
            WriteFootprint(i == 0, x - 0.5 * uy, y + 0.5 * ux, x + 0.5 * uy, y - 0.5 * ux);
            dExtentMinX = std::min(dExtentMinX, x), dExtentMaxX = std::max(dExtentMaxX, x);
            dExtentMinY = std::min(dExtentMinY, y), dExtentMaxY = std::max(dExtentMaxY, y);
        }
        FlushDataFile();
    }

    // Pixels of the position colour in the map window and their bounding box.
    struct Found {
        int n = 0, minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
    };
    Found PositionPixelsInWindow()
    {
        Found f;
        HDC hdc = GetDC(hwndMap);
        for (int y = 0; y < nMapWndHeight; ++y)
            for (int x = 0; x < nMapViewPixels; ++x)
                if (GetPixel(hdc, x, y) == clrPosition) {
                    f.n++;
                    f.minX = std::min(f.minX, x), f.maxX = std::max(f.maxX, x);
                    f.minY = std::min(f.minY, y), f.maxY = std::max(f.maxY, y);
                }
        ReleaseDC(hwndMap, hdc);
        return f;
    }
};

// One view command and the view and map size it leaves. Offsets below 0 count back from the tile size (-4 is
// nTileWidth - 4); the used tile range is columns 999..1002 and rows 998..1001 unless a row says otherwise.
struct ViewCase {
    const char *name;
    int review;
    int code;
    int mapSize;
    int col, row, offX, offY;
    int colMin, colMax, rowMin, rowMax;
    double spanX, spanY;  // extents from the origin (map units)
    int band;             // cursor band index (fit margin)
    int wantSize;
    int wantCol, wantRow, wantOffX, wantOffY;
    int wantLiveShift;  // map pixels the live view's edges and last position move (x for left/right, y for up/down)
};

const ViewCase kViewCases[] = {
    // name                                review code size  col   row  offX offY  used range          span  band size  col   row   offX offY shift
    {"right by the step in review",           1, 114, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 107, 100, 0},
    {"left by the step in review",            1, 113, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 93, 100, 0},
    {"up by the step in review",              1, 115, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 100, 93, 0},
    {"down by the step in review",            1, 116, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 100, 107, 0},
    {"left from offset 3 to the left tile",   1, 113, 40, 1000, 1000, 3, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 999, 1000, -4, 100, 0},
    {"right past the tile to the right one",  1, 114, 40, 1000, 1000, -3, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1001, 1000, 4, 100, 0},
    {"up from offset 3 to the tile above",    1, 115, 40, 1000, 1000, 100, 3, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1001, 100, -4, 0},
    {"down past the tile to the one below",   1, 116, 40, 1000, 1000, 100, -3, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 999, 100, 4, 0},
    {"left beyond the used range refused",    1, 113, 40, 1000, 1000, 3, 100, 1000, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 3, 100, 0},
    {"right beyond the used range refused",   1, 114, 40, 1000, 1000, -3, 100, 999, 1001, 998, 1001, 0, 0, 1, 40, 1000, 1000, -3, 100, 0},
    {"up beyond the used range refused",      1, 115, 40, 1000, 1001, 100, 3, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1001, 100, 3, 0},
    {"down beyond the used range refused",    1, 116, 40, 1000, 999, 100, -3, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 999, 100, -3, 0},
    {"live view right: edges follow",         0, 114, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 107, 100, 7},
    {"live view up: edges move north",        0, 115, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 100, 93, 7},
    {"live view left into the left tile",     0, 113, 40, 1000, 1000, 3, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 999, 1000, -4, 100, -7},
    {"live view down",                        0, 116, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 100, 107, -7},
    {"zoom in from 40",                       1, 117, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 38, 1000, 1000, 100, 100, 0},
    {"zoom in from 10: one less",             1, 117, 10, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 9, 1000, 1000, 100, 100, 0},
    {"zoom in from 1 stays",                  1, 117, 1, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 1, 1000, 1000, 100, 100, 0},
    {"zoom out from 10",                      1, 118, 10, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 11, 1000, 1000, 100, 100, 0},
    {"zoom out from 1: one more",             1, 118, 1, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 2, 1000, 1000, 100, 100, 0},
    {"zoom outside a review does nothing",    0, 117, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 40, 1000, 1000, 100, 100, 0},
    {"fit over 100 m with band 1",            1, 119, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 100, 30, 1, 120, 0, 0, 0, 0, 0},
    {"fit over 100 m north with band 0",      1, 119, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 20, 100, 0, 115, 0, 0, 0, 0, 0},
    {"fit over empty extents",                1, 119, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 0, 0, 1, 10, 0, 0, 0, 0, 0},
    {"fit outside a review does nothing",     0, 119, 40, 1000, 1000, 100, 100, 999, 1002, 998, 1001, 100, 30, 1, 40, 1000, 1000, 100, 100, 0},
};

// Map windows of the arrangement: the tests' own, the landscape 1280 x 762 screen and the largest portrait one.
const int kMapWindowSides[] = {402, 666, 760};

}  // namespace

TEST_F(MapViewTest, ArithmeticThroughTheCommand)
{
    for (int nSide : kMapWindowSides) {
        StartMapPlatform(nSide - 2);
        const int W = nTileWidth, H = nTileHeight;
        auto Off = [](int v, int size) { return v < 0 ? size + v : v; };
        for (const ViewCase &c : kViewCases) {
            SCOPED_TRACE(std::string(c.name) + " at a map window of " + std::to_string(nSide));
            StartReview();
            nCursorBandPixels = 76;
            nCursorBand = c.band;
            nMapSize = c.mapSize;
            dMapPixelsPerUnit = (double)W / nMapSize;
            dExtentMaxX = kEast + c.spanX;
            dExtentMaxY = kNorth + c.spanY;
            bMapReviewMode = c.review;
            int *view[4] = {&nViewTileCol, &nViewTileRow, &nViewTileOffsetX, &nViewTileOffsetY};
            if (c.review) {
                view[0] = &nBrowseTileCol, view[1] = &nBrowseTileRow;
                view[2] = &nBrowseTileOffsetX, view[3] = &nBrowseTileOffsetY;
                nViewTileCol = 1000, nViewTileRow = 1000, nViewTileOffsetX = 50, nViewTileOffsetY = 60;
            }
            *view[0] = c.col, *view[1] = c.row, *view[2] = Off(c.offX, W), *view[3] = Off(c.offY, H);
            nTileColMin = c.colMin, nTileColMax = c.colMax, nTileRowMin = c.rowMin, nTileRowMax = c.rowMax;
            nViewLeft = 10, nViewRight = 10 + W, nViewTop = 20, nViewBottom = 20 + H;
            nLastPosPixelX = 30, nLastPosPixelY = 40;

            MapViewCommand(c.code);

            EXPECT_EQ(nMapSize, c.wantSize);
            EXPECT_DOUBLE_EQ(dMapPixelsPerUnit, (double)W / c.wantSize);
            if (c.code != 119 || !c.review) {
                EXPECT_EQ(*view[0], c.wantCol);
                EXPECT_EQ(*view[1], c.wantRow);
                EXPECT_EQ(*view[2], Off(c.wantOffX, W));
                EXPECT_EQ(*view[3], Off(c.wantOffY, H));
            }
            const bool bHorizontal = c.code == 113 || c.code == 114;
            const int dx = bHorizontal ? c.wantLiveShift : 0, dy = bHorizontal ? 0 : c.wantLiveShift;
            if (c.code <= 116) {
                EXPECT_EQ(nViewLeft, 10 + dx);
                EXPECT_EQ(nViewRight, 10 + W + dx);
                EXPECT_EQ(nViewTop, 20 + dy);
                EXPECT_EQ(nViewBottom, 20 + H + dy);
                EXPECT_EQ(nLastPosPixelX, 30 + dx);
                EXPECT_EQ(nLastPosPixelY, 40 + dy);
            }
            if (c.review) {
                // The live view is not the review's.
                EXPECT_EQ(nViewTileCol, 1000);
                EXPECT_EQ(nViewTileOffsetX, 50);
                EXPECT_EQ(nViewTileOffsetY, 60);
            }
        }
    }
}

TEST_F(MapViewTest, PanStepFollowsTheCursorBand)
{
    const struct {
        int band;
        int step;
    } cases[] = {{76, 7}, {0, 0}, {4, 0}, {10, 0}, {20, 1}, {120, 12}, {400, 41}};
    for (const auto &c : cases) {
        nCursorBandPixels = c.band;
        EXPECT_EQ(MapPanStep(), c.step) << "band " << c.band;
    }
}

// The fit shows the whole track, in the middle of the window, wherever the survey lies: next to the origin, or
// several tiles away from it (east and south, west and north), as when the map's origin lies outside the survey.
TEST_F(MapViewTest, FitShowsTheWholeSurveyWhereverItLies)
{
    const struct {
        const char *name;
        double x0, y0, x1, y1;
    } cases[] = {
        {"next to the origin", 0, 0, 60, 20},
        {"six tiles east and four south", 230, -150, 290, -170},
        {"far west and north", -1500, 800, -1420, 830},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string name = std::string("fit_") + std::to_string((int)c.x0) + ".T61";
        OpenFile(std::wstring(name.begin(), name.end()).c_str());
        StartReview();
        WriteTrack(c.x0, c.y0, c.x1, c.y1);
        MapViewCommand(119);
        const double dSpan = std::max(dExtentMaxX - dExtentMinX, dExtentMaxY - dExtentMinY);
        EXPECT_EQ(nMapSize, FittedMapSize(dSpan, nCursorBand));
        Found f = PositionPixelsInWindow();
        ASSERT_GT(f.n, 50) << "the track is in the window";
        // The extent (plus the footprint's half metre) in pixels, and centred in the window.
        const double ppu = dMapPixelsPerUnit;
        const int nWide = (int)((dExtentMaxX - dExtentMinX) * ppu), nHigh = (int)((dExtentMaxY - dExtentMinY) * ppu);
        EXPECT_NEAR(f.maxX - f.minX, nWide, ppu + 3);
        EXPECT_NEAR(f.maxY - f.minY, nHigh, ppu + 3);
        EXPECT_GT(f.minX, 2);
        EXPECT_LT(f.maxX, nMapViewPixels - 3);
        EXPECT_GT(f.minY, 2);
        EXPECT_LT(f.maxY, nMapWndHeight - 3);
        EXPECT_NEAR((f.minX + f.maxX) / 2.0, nTileWidth / 2.0, ppu + 3);
        EXPECT_NEAR((f.minY + f.maxY) / 2.0, nTileHeight / 2.0, ppu + 3);
        EXPECT_GE(nBrowseTileOffsetX, 0);
        EXPECT_LT(nBrowseTileOffsetX, nTileWidth);
        EXPECT_GE(nBrowseTileOffsetY, 0);
        EXPECT_LT(nBrowseTileOffsetY, nTileHeight);
        PlatformSaveWindowPng(hwndMap, std::string(TEST_OUTPUT_DIR "/map_view_fit_") + std::to_string((int)c.x0) +
                                           ".png");
        CloseDataFile();
    }
}

// A zoom rebuilds the survey layer from the file exactly as a rebuild at the new size does, and leaves the file at
// its end.
TEST_F(MapViewTest, ZoomEqualsARebuildAtTheNewSize)
{
    OpenFile(L"zoom.T61");
    StartReview();
    WriteTrack(-30, 5, 45, -12);
    for (int code : {117, 118, 118}) {
        SCOPED_TRACE(code);
        MapViewCommand(code);
        DrawnTiles zoomed = DrawnSurveyTiles();
        ASSERT_FALSE(zoomed.tiles.empty());
        char rec[DATA_RECORD_MAX];
        EXPECT_EQ(ReadDataRecord(rec), 0) << "the file is at its end";

        const int nSize = nMapSize;
        FreeMapTiles();
        nMapSize = nSize;
        dMapPixelsPerUnit = (double)nTileWidth / nMapSize;
        ComputeMapDirection();
        CreateMapTiles(2);
        ReplotMapEm61Mk2();
        EXPECT_TRUE(DrawnSurveyTiles() == zoomed);
    }
    EXPECT_EQ(nMapSize, 42);  // 40, 38, 40, 42
}

// A zoom in that would carry the survey past the usable tiles is refused; a zoom out is not.
TEST_F(MapViewTest, ZoomInRefusedWhenTheSurveyWouldLeaveTheUsableTiles)
{
    StartReview();
    dExtentMaxX = kEast + 39000.0;  // 975 tiles east at 40 m a tile, 1026 at 38
    MapViewCommand(117);
    EXPECT_EQ(nMapSize, 40);
    MapViewCommand(118);
    EXPECT_EQ(nMapSize, 42);
    dExtentMaxX = kEast + 37000.0;  // 925 tiles at 40 m, 974 at 38: still inside
    nMapSize = 40;
    MapViewCommand(117);
    EXPECT_EQ(nMapSize, 38);
}

// The zoom writes "Map Size:%5ld <unit>" right-aligned into its box on the button face.
TEST_F(MapViewTest, MapSizeTextRightAlignedInItsBox)
{
    if (!hFontNormal)
        hFontNormal = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    const struct {
        int units;
        int code;
        const wchar_t *text;
    } cases[] = {
        {0, 117, L"Map Size:   38 m"},
        {1, 118, L"Map Size:   42 ft"},
        {2, 117, L"Map Size:   38 US-ft"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.units);
        StartReview();
        nMapUnits = c.units;
        rcMapSizeText = {500, 20, 800, 40};
        HDC hdc = GetDC(hwndLog);
        RECT all = {400, 10, 850, 50};
        FillRect(hdc, &all, hbrWhite);
        MapViewCommand(c.code);
        SelectObject(hdc, hFontNormal);
        SIZE size;
        GetTextExtentPoint32(hdc, c.text, (int)wcslen(c.text), &size);
        // The box keeps its place and width.
        EXPECT_EQ(rcMapSizeText.left, 500);
        EXPECT_EQ(rcMapSizeText.right, 800);
        // The same text drawn on the button face elsewhere gives the same pixels.
        RECT ref = {500, 60, 800, 80};
        FillRect(hdc, &ref, hbrButtonFace);
        SetBkMode(hdc, TRANSPARENT);
        TextOut(hdc, 800 - size.cx, 60, c.text, (int)wcslen(c.text));
        const COLORREF clrFace = GetPixel(hdc, 501, 21);
        int nDiffer = 0, nInk = 0;
        for (int y = 0; y < 20; ++y)
            for (int x = 500; x < 800; ++x) {
                COLORREF a = GetPixel(hdc, x, 20 + y), b = GetPixel(hdc, x, 60 + y);
                nDiffer += a != b;
                nInk += a != clrFace;
            }
        EXPECT_EQ(nDiffer, 0);
        EXPECT_GT(nInk, 20);
        ReleaseDC(hwndLog, hdc);
    }
    nMapUnits = 0;
    rcMapSizeText = {0, 0, 0, 0};
}

// Redraw requests: what each bit rebuilds. The grid is seen at a new interval, the survey layer by a mark that is
// not in the file (a rebuild of the survey layer removes it).
TEST_F(MapViewTest, RedrawRequestsRebuildWhatTheirBitsAsk)
{
    const struct {
        const char *name;
        int flags;
        int colourView;
        bool recentre, grid, survey;
    } cases[] = {
        {"map size", REDRAW_MAP_SIZE, 0, true, true, true},
        {"map size with others", REDRAW_MAP_SIZE | REDRAW_MARK_STYLE, 1, true, true, true},
        {"grid mode", REDRAW_GRID_MODE, 0, false, true, false},
        {"grid interval", REDRAW_GRID_INTERVAL, 1, false, true, false},
        {"lines angle", REDRAW_LINES_ANGLE, 0, false, true, false},
        {"mark style, track view", REDRAW_MARK_STYLE, 0, false, false, true},
        {"mark style, colour view", REDRAW_MARK_STYLE, 1, false, false, false},
        {"position colour, track view", REDRAW_POSITION_COLOUR, 0, false, false, true},
        {"position colour, colour view", REDRAW_POSITION_COLOUR, 2, false, false, false},
        {"colour view", REDRAW_COLOUR_VIEW, 1, false, false, true},
        {"colour view and mark style", REDRAW_COLOUR_VIEW | REDRAW_MARK_STYLE, 0, false, false, true},
        {"grid and colour view", REDRAW_GRID_INTERVAL | REDRAW_COLOUR_VIEW, 1, false, true, true},
        {"units", REDRAW_MAP_UNITS, 0, false, false, false},
        {"nothing", 0, 0, false, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        OpenFile(L"redraw.T61");
        StartReview();
        bMapReviewMode = 0;
        WriteTrack(0, 0, 10, 0);
        nColorMapView = c.colourView;
        // Tiles at the origin and east of it; a stray mark in the survey layer at map pixel (150, 150).
        HDC hdcMem = CreateCompatibleDC(nullptr);
        SelectMapTileBitmap(hdcMem, 1000, 1000, 1);
        SelectMapTileBitmap(hdcMem, 1001, 1000, 1);
        int col, row, ox, oy;
        MapPixelToTile(150, 150, &col, &row, &ox, &oy);
        SelectMapTileBitmap(hdcMem, col, row, 1);
        SetPixel(hdcMem, ox, oy, RGB(1, 2, 3));
        DeleteDC(hdcMem);
        // A grid interval of 5 m puts a line at map pixel x = 5 x 398 / 40, which the old grid lacks.
        dGridInterval = 5.0;
        const int nLineX = (int)(5.0 * nTileWidth / nMapSize + 0.5);
        ASSERT_EQ(LayerPixel(nLineX, 100, 0), RGB(255, 255, 255));
        bRecentreMap = 0;

        ActOnRedrawFlags(c.flags);

        EXPECT_EQ(bRecentreMap, c.recentre ? 1 : 0);
        EXPECT_EQ(LayerPixel(nLineX, 100, 0) != RGB(255, 255, 255), c.grid);
        EXPECT_EQ(LayerPixel(150, 150, 1) != RGB(1, 2, 3), c.survey);
        dGridInterval = 1000.0;
        CloseDataFile();
        std::filesystem::remove(root + "/C/data/redraw.T61");
    }
}

// The review and view commands of the logging screen and the conditions they need: a data file open and the map
// shown (113..119), and for the review also the mapping line and logging paused.
TEST_F(MapViewTest, ReviewAndViewCommandsOnlyWhereTheyApply)
{
    const struct {
        const char *name;
        int code;
        bool file;
        int gpsActive, jix, state, review;
        bool wantReview, wantViewChanged;
    } cases[] = {
        {"enter review", 120, true, 1, 0, -1, 0, true, false},
        {"enter review without a data file", 120, false, 1, 0, 0, 0, false, false},
        {"enter review with the map hidden", 120, true, 0, 0, -1, 0, false, false},
        {"enter review on the logging line", 120, true, 1, 1, -1, 0, false, false},
        {"enter review while logging", 120, true, 1, 0, 1, 0, false, false},
        {"enter review twice keeps the first copies", 120, true, 1, 0, -1, 1, true, false},
        {"pan in review", 114, true, 1, 0, -1, 1, true, true},
        {"pan without a data file", 114, false, 1, 0, 0, 1, true, false},
        {"pan with the map hidden", 113, true, 0, 0, -1, 1, true, false},
        {"zoom without a data file", 117, false, 1, 0, 0, 1, true, false},
        {"fit with the map hidden", 119, true, 0, 0, -1, 1, true, false},
        {"exit review when none is on", 121, true, 1, 0, -1, 0, false, false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        if (c.file) OpenFile(L"review.T61");
        StartReview();
        bJixProduct = c.jix;
        bGpsActive = c.gpsActive;
        nRecordingState = c.state;
        bMapReviewMode = c.review;
        nViewTileCol = 1000, nViewTileRow = 1000, nViewTileOffsetX = 120, nViewTileOffsetY = 130;
        nBrowseTileCol = 1000, nBrowseTileRow = 1000, nBrowseTileOffsetX = 220, nBrowseTileOffsetY = 230;
        nTileColMin = 999, nTileColMax = 1002, nTileRowMin = 998, nTileRowMax = 1001;
        nMapSizeSaved = 33;  // the copies of an earlier review
        nMapSize = 40;
        RunScreenLogCommandCode(c.code);
        EXPECT_EQ(bMapReviewMode, c.wantReview ? 1 : 0);
        EXPECT_EQ(nMapSize, 40);
        const bool bLiveMoved = nViewTileOffsetX != 120 || nViewTileOffsetY != 130;
        const bool bReviewMoved = nBrowseTileOffsetX != 220 || nBrowseTileOffsetY != 230;
        if (c.code == 120 && c.wantReview && !c.review) {
            // The review starts from the live view with the size, scale and colour view kept.
            EXPECT_EQ(nBrowseTileOffsetX, 120);
            EXPECT_EQ(nBrowseTileOffsetY, 130);
            EXPECT_EQ(nMapSizeSaved, 40);
        } else {
            EXPECT_EQ(bReviewMoved, c.wantViewChanged);
            EXPECT_EQ(nMapSizeSaved, 33);
        }
        EXPECT_FALSE(bLiveMoved);
        CloseDataFile();
        std::filesystem::remove(root + "/C/data/review.T61");
    }
    bJixProduct = 0;
    bGpsActive = 1;
}

// A review's zoom and channel are its own: leaving it gives back the map size, scale and colour view of before,
// rebuilds the map at that size and re-centres the live view at the next position. A channel chosen in review
// redraws the review view at once.
TEST_F(MapViewTest, LeavingAReviewRestoresTheLiveMap)
{
    OpenFile(L"leave.T61");
    StartReview();
    bMapReviewMode = 0;
    WriteTrack(0, 0, 30, 10);
    const DrawnTiles live = [] {
        CreateMapTiles(2);
        ReplotMapEm61Mk2();
        return DrawnSurveyTiles();
    }();
    const double dScale = dMapPixelsPerUnit;
    RunScreenLogCommandCode(120);
    ASSERT_EQ(bMapReviewMode, 1);
    RunScreenLogCommandCode(117);
    RunScreenLogCommandCode(117);
    EXPECT_EQ(nMapSize, 36);

    // A channel box in review: the new channel at once, in the review view (the survey layer made again).
    HDC hdcMem = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcMem, 1000, 1000, 1);
    SetPixel(hdcMem, 5, 5, RGB(1, 2, 3));
    DeleteDC(hdcMem);
    RunScreenLogCommandCode(143);
    EXPECT_EQ(nColorMapView, 2);
    EXPECT_EQ(bMapReviewMode, 1);
    EXPECT_NE(LayerPixel(-nTileWidth + 6, nTileHeight - 6, 1), RGB(1, 2, 3));

    bRecentreMap = 0;
    RunScreenLogCommandCode(121);
    EXPECT_EQ(bMapReviewMode, 0);
    EXPECT_EQ(nMapSize, 40);
    EXPECT_EQ(dMapPixelsPerUnit, dScale);
    EXPECT_EQ(nColorMapView, 0);
    EXPECT_EQ(bRecentreMap, 1);
    EXPECT_TRUE(DrawnSurveyTiles() == live) << "the map rebuilt at the live size";
    char rec[DATA_RECORD_MAX];
    EXPECT_EQ(ReadDataRecord(rec), 0) << "the file is at its end";
}

// After a review the next position re-centres the live view: the position lands exactly under the cross-hair,
// whose window place is kept, and the view's edges agree with its tiles (so the scrolling that follows is right).
TEST_F(MapViewTest, RecentredViewPutsThePositionUnderTheCrossHair)
{
    const struct {
        int cursorX, cursorY;
        double east, north;  // metres from the origin
    } cases[] = {
        {199, 199, 0.0, 0.0},   {50, 60, 3.3, -2.1},    {350, 20, 57.0, 44.4},
        {10, 380, -61.2, -0.3}, {300, 300, 12.0, 80.0}, {0, 0, 0.7, 0.2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::to_string(c.cursorX) + "," + std::to_string(c.cursorY));
        StartReview();
        bMapReviewMode = 0;
        UpdateMapDisplay(hwndMap, -1, kNorth, kEast, 0.0);
        nCursorWndX = c.cursorX;
        nCursorWndY = c.cursorY;
        bRecentreMap = 1;
        UpdateMapDisplay(hwndMap, -1, kNorth + c.north, kEast + c.east, 0.0);
        EXPECT_EQ(bRecentreMap, 0);
        EXPECT_EQ(nCursorWndX, c.cursorX);
        EXPECT_EQ(nCursorWndY, c.cursorY);
        int px, py, px2, py2, col, row, ox, oy;
        WorldToMapPixels(&px, &py, &px2, &py2, kEast + c.east, kNorth + c.north, 0, 0);
        MapPixelToTile(px, py, &col, &row, &ox, &oy);
        // Where the copy of the view tiles puts that pixel in the window.
        EXPECT_EQ((col - nViewTileCol) * nTileWidth + ox - nViewTileOffsetX, c.cursorX);
        EXPECT_EQ((nViewTileRow - row) * nTileHeight + oy - nViewTileOffsetY, c.cursorY);
        EXPECT_EQ(px - nViewLeft, c.cursorX);
        EXPECT_EQ(nViewBottom - py - 1, c.cursorY);
        EXPECT_EQ(nViewBottom - nViewTop, nTileHeight);
    }
}
