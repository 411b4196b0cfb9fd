// Background drawing into the map's base layer: segments across tiles without gaps, lines broken by pen-ups and
// points off the grid, the reports of a new file, labels only for files that carry them, and the same pixels whether
// repeated marks, labels and segments are copied or each is painted.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "background/background_files.h"
#include "background/background_state.h"
#include "map_test_support.h"
#include "map/map_state.h"
#include "resources/resources.h"

namespace {

const COLORREF kBackground = 0x202020;

// The base-layer pixel at a map pixel; white where no tile holds one.
COLORREF BasePixel(int px, int py)
{
    int col, row, ox, oy;
    MapPixelToTile(px, py, &col, &row, &ox, &oy);
    if (!MapTileExists(col, row)) return RGB(255, 255, 255);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcMem, col, row, 0);
    COLORREF c = GetPixel(hdcMem, ox, oy);
    DeleteDC(hdcMem);
    return c;
}

// A background pixel within one pixel of the map pixel.
bool BackgroundAt(int px, int py)
{
    for (int dy = -1; dy <= 1; dy++)
        for (int dx = -1; dx <= 1; dx++)
            if (BasePixel(px + dx, py + dy) == kBackground) return true;
    return false;
}

// The map pixel of a point in map units.
void Pixel(double x, double y, int *px, int *py)
{
    int px2, py2;
    WorldToMapPixels(px, py, &px2, &py2, x, y, x, y);
}

std::string Records(const std::vector<std::array<double, 2>> &points)
{
    std::string bytes;
    char rec[BG_RECORD_LEN + 1];
    for (const auto &p : points) {
        if (p[0] < 0)
            FormatPenUpRecord(rec);
        else
            EXPECT_EQ(FormatBackgroundRecord(rec, p[0], p[1], 0, nullptr), 1);
        bytes.append(rec, BG_RECORD_LEN);
    }
    return bytes;
}

std::wstring LastBoxText(const std::wstring &caption)
{
    std::wstring text = L"(none)";
    for (const ShownDialog &d : PlatformShownDialogs())
        if (d.caption == caption) text = d.text;
    return text;
}

class BackgroundDrawTest : public MapTest {
protected:
    void SetUp() override
    {
        MapTest::SetUp();
        static bool bRegistered = false;
        if (!bRegistered) RegisterResources();
        bRegistered = true;
        StartLogging(kE, kN);
        hpenBackgroundCurrent = hpenBackgroundFile1;
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
    }
    void TearDown() override
    {
        PlatformClearDialogScripts();
        MapTest::TearDown();
    }
    static constexpr double kE = 500000.0, kN = 5000000.0;
};

TEST_F(BackgroundDrawTest, SegmentsAcrossTilesLeaveNoGap)
{
    // Tile (1000, 1000) holds map pixels x -399..0 and y 0..399 (400-pixel tiles).
    struct Case {
        int x1, y1, x2, y2;
    } cases[] = {
        {-200, 100, 600, 600},   // from tile (1000, 1000) to (1002, 1001)
        {600, 600, -200, 100},   // the same from the other end
        {-10, 790, 5, -790},     // nearly vertical, down through three rows
        {-300, 395, 700, 405},   // along a row border
        {-50, -50, -50, 850},    // vertical
    };
    HDC hdcMem = CreateCompatibleDC(nullptr);
    for (const Case &c : cases) {
        FreeMapTiles();
        DrawBackgroundSegment(hdcMem, c.x1, c.y1, c.x2, c.y2);
        int nGaps = 0;
        const int n = 2000;
        for (int i = 0; i <= n; i++) {
            const double t = (double)i / n;
            nGaps += !BackgroundAt((int)std::lround(c.x1 + t * (c.x2 - c.x1)), (int)std::lround(c.y1 + t * (c.y2 - c.y1)));
        }
        EXPECT_EQ(nGaps, 0) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
    }
    DeleteDC(hdcMem);
}

TEST_F(BackgroundDrawTest, LinesBreakAtPenUpsAndPointsOffTheGrid)
{
    // A pen-up first, then A B, a point 1000 km away, C D, a pen-up, E: segments A-B and C-D only.
    const double y = kN + 5;
    std::string bytes = Records({{-1, 0}, {kE, y}, {kE + 4, y}, {kE + 1e6, y}, {kE + 8, y}, {kE + 12, y}, {-1, 0},
                                 {kE + 16, y}});
    BgSource src;
    BgSourceFromMemory(&src, bytes.data(), bytes.size());
    EXPECT_EQ(DrawBackgroundLines(hwndLog, &src, 8, L"lines.txt", 9), 1);
    auto mid = [&](double a, double b) {
        int px, py;
        Pixel((a + b) / 2, y, &px, &py);
        return BackgroundAt(px, py);
    };
    EXPECT_TRUE(mid(kE, kE + 4));
    EXPECT_FALSE(mid(kE + 4, kE + 8)) << "the point off the grid lifts the pen";
    EXPECT_TRUE(mid(kE + 8, kE + 12));
    EXPECT_FALSE(mid(kE + 12, kE + 16)) << "the pen-up lifts the pen";
    int px, py;
    Pixel(kE + 16, y, &px, &py);
    EXPECT_TRUE(BackgroundAt(px, py)) << "the next valid point starts with a dot";
    EXPECT_EQ(LastBoxText(L"WARNING"), L"Number of points in background file: 8\r\nNumber of invalid points: 1\r\n");
}

// A joined-line step longer than the map draws as one segment of the survey is a break: the two points keep their
// dots, nothing is drawn between them and no tile is made along the way (a pair 40 km apart crossed a thousand
// tiles); a step within the limit is still joined. Both the drawing of a new file and the redraw after a rebuild.
TEST_F(BackgroundDrawTest, StepsLongerThanTheMapLimitBreakTheLine)
{
    const double dLimit = MapSegmentLimit();
    ASSERT_GT(dLimit, 10.0);
    struct Case {
        double dx, dy;
        bool bJoined;
    } cases[] = {
        {0.9 * dLimit, 0.0, true},
        {0.0, -0.9 * dLimit, true},
        {1.1 * dLimit, 0.0, false},
        {28000.0, 28000.0, false},  // 40 km across
        {-38000.0, 0.0, false},
    };
    std::filesystem::create_directories(root + "/C/ProgramData/Ulvane/Temp");
    for (const Case &c : cases) {
        const double x1 = kE + 3, y1 = kN + 3, x2 = x1 + c.dx, y2 = y1 + c.dy;
        std::string bytes = Records({{x1, y1}, {x2, y2}});
        for (int bRedraw = 0; bRedraw <= 1; bRedraw++) {
            FreeMapTiles();
            if (bRedraw) {
                ClearBackgroundSlots();
                std::ofstream(root + "/C/ProgramData/Ulvane/Temp/FAR.$00", std::ios::binary) << bytes;
                wcscpy(aszBackgroundTempFile[0], L"FAR.$00");
                aBgSlotStyle[0] = 9;
                aBgSlotFileType[0] = 1;
                nBackgroundFileCount = 1;
                RedrawBackgroundFiles();
            } else {
                BgSource src;
                BgSourceFromMemory(&src, bytes.data(), bytes.size());
                ASSERT_EQ(DrawBackgroundLines(hwndLog, &src, 2, L"far.txt", 9), 1);
            }
            const std::string what = std::to_string(c.dx) + "," + std::to_string(c.dy) + (bRedraw ? " redraw" : "");
            int px, py;
            Pixel(x1, y1, &px, &py);
            EXPECT_TRUE(BackgroundAt(px, py)) << what << ": the first point keeps its dot";
            Pixel(x2, y2, &px, &py);
            EXPECT_TRUE(BackgroundAt(px, py)) << what << ": the second point keeps its dot";
            for (double t : {0.25, 0.5, 0.75}) {
                Pixel(x1 + t * c.dx, y1 + t * c.dy, &px, &py);
                EXPECT_EQ(BackgroundAt(px, py), c.bJoined) << what << " at " << t;
            }
            if (!c.bJoined) {
                EXPECT_LE(MapTileCount(), 8) << what << ": tiles of the two dots only";
            }
            EXPECT_GE(nTileColMin, nTileIndexMin) << what;
            EXPECT_LE(nTileColMax, nTileIndexMax) << what;
            EXPECT_GE(nTileRowMin, nTileIndexMin) << what;
            EXPECT_LE(nTileRowMax, nTileIndexMax) << what;
        }
    }
    ClearBackgroundSlots();
}

TEST_F(BackgroundDrawTest, ReportsOfANewFile)
{
    struct Case {
        std::vector<std::array<double, 2>> points;
        int nStyle;
        int nResult;
        const wchar_t *caption;
        const wchar_t *text;
    } cases[] = {
        {{}, 0, -1, L"FILE ERROR", L"Check background file structure."},
        {{{kE + 1e6, kN}, {kE + 1e6, kN + 1}}, 0, -1, L"STOP", L"All points in background file are invalid\r\n"},
        // Every point off the grid but a pen-up among them: points keep the slot with the counts, lines stop.
        {{{kE + 1e6, kN}, {-1, 0}, {kE + 1e6, kN + 1}}, 0, 1, L"WARNING",
         L"Number of points in background file: 3\r\nNumber of invalid points: 2\r\n"},
        {{{kE + 1e6, kN}, {-1, 0}, {kE + 1e6, kN + 1}}, 9, -1, L"STOP", L"All points in background file are invalid\r\n"},
        {{{kE, kN}, {kE + 1, kN}}, 9, 1, nullptr, nullptr},
    };
    for (const Case &c : cases) {
        PlatformClearShownDialogs();
        std::string bytes = Records(c.points);
        BgSource src;
        BgSourceFromMemory(&src, bytes.data(), bytes.size());
        const int n = (int)c.points.size();
        int nResult = BackgroundStyle(0, c.nStyle).bLines ? DrawBackgroundLines(hwndLog, &src, n, L"f.txt", c.nStyle)
                                                          : DrawBackgroundPoints(hwndLog, &src, n, L"f.txt", c.nStyle, 1);
        EXPECT_EQ(nResult, c.nResult) << n << " style " << c.nStyle;
        if (c.caption)
            EXPECT_EQ(LastBoxText(c.caption), c.text);
        else
            EXPECT_TRUE(PlatformShownDialogs().empty());
    }
    // Fewer records than counted: the read error with the file's name, and no slot.
    std::string bytes = Records({{kE, kN}});
    BgSource src;
    BgSourceFromMemory(&src, bytes.data(), bytes.size());
    PlatformClearShownDialogs();
    EXPECT_EQ(DrawBackgroundPoints(hwndLog, &src, 2, L"short.txt", 0, 1), -1);
    EXPECT_EQ(LastBoxText(L"WARNING"), L" Unexpected error B$1\r\n processing file:\r\n short.txt");
}

TEST_F(BackgroundDrawTest, RedrawShowsLabelsOnlyOfFilesWithLabels)
{
    // Two slots in the temporary folder: labels "AA" in a file with labels, "BB" in a file without.
    std::filesystem::create_directories(root + "/C/ProgramData/Ulvane/Temp");
    char rec[BG_RECORD_LEN + 1];
    FormatBackgroundRecord(rec, kE + 2, kN + 2, 2, "AA");
    std::ofstream(root + "/C/ProgramData/Ulvane/Temp/A.$00", std::ios::binary) << std::string(rec, BG_RECORD_LEN);
    FormatBackgroundRecord(rec, kE - 2, kN - 2, 2, "BB");
    std::ofstream(root + "/C/ProgramData/Ulvane/Temp/B.$01", std::ios::binary) << std::string(rec, BG_RECORD_LEN);
    ClearBackgroundSlots();
    wcscpy(aszBackgroundTempFile[0], L"A.$00");
    wcscpy(aszBackgroundTempFile[1], L"B.$01");
    aBgSlotStyle[0] = aBgSlotStyle[1] = 4;
    aBgSlotFileType[0] = 2;
    aBgSlotFileType[1] = 1;
    nBackgroundFileCount = 2;
    FreeMapTiles();
    RedrawBackgroundFiles();
    int nA = 0, nB = 0;
    for (const DrawnText &t : PlatformDrawnTexts()) {
        nA += t.text == L"AA";
        nB += t.text == L"BB";
    }
    EXPECT_GE(nA, 1);
    EXPECT_EQ(nB, 0);
    int px, py;
    Pixel(kE - 2, kN - 2, &px, &py);
    EXPECT_TRUE(BackgroundAt(px, py)) << "the file without labels still shows its symbol";
    ClearBackgroundSlots();
    EXPECT_FALSE(std::filesystem::exists(root + "/C/ProgramData/Ulvane/Temp/A.$00")) << "emptying the slots deletes";
}

// Every pixel of the base layers of the tiles around the origin, tile after tile.
std::vector<COLORREF> BaseLayers()
{
    std::vector<COLORREF> pixels;
    HDC hdcMem = CreateCompatibleDC(nullptr);
    for (int col = 996; col <= 1004; col++)
        for (int row = 996; row <= 1004; row++) {
            if (!MapTileExists(col, row)) continue;
            pixels.push_back((COLORREF)(col * 10000 + row));
            SelectMapTileBitmap(hdcMem, col, row, 0);
            for (int y = 0; y < nTileHeight; y++)
                for (int x = 0; x < nTileWidth; x++) pixels.push_back(GetPixel(hdcMem, x, y));
        }
    DeleteDC(hdcMem);
    return pixels;
}

// The redraw of every style sets the same pixels with the copies of repeated figures as with each figure painted:
// walks over the corner of four tiles in steps of every direction and length, with labels and pen-ups.
TEST_F(BackgroundDrawTest, RedrawSetsTheSamePixelsAsPaintingEachFigure)
{
    if (!hFontNormal)
        hFontNormal = CreateFont(16, 0, 0, 0, 400, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, L"Microsoft Sans Serif");
    std::filesystem::create_directories(root + "/C/ProgramData/Ulvane/Temp");
    const std::vector<std::vector<int>> rounds = {{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {10, 11, 9, 11, 10}};
    const char *labels[] = {"AB", "x1", "", "Q", "AB"};
    for (const std::vector<int> &styles : rounds) {
        ClearBackgroundSlots();
        for (size_t f = 0; f < styles.size(); f++) {
            std::string bytes;
            char rec[BG_RECORD_LEN + 1];
            double x = kE - 25 + f * 0.37, y = kN - 20 + f * 0.29;
            unsigned seed = 77 + (unsigned)f;
            for (int i = 0; i < 1500; i++) {
                seed = seed * 1103515245u + 12345u;
                const double a = (seed >> 8) % 360 * 3.14159265358979 / 180.0;
                const double step = i % 97 == 0 ? 9.0 : 0.05 + (seed >> 20) % 20 * 0.08;  // 0.5 to 16 pixels
                x += step * std::cos(a) + 0.02;
                y += step * std::sin(a) + 0.015;
                if (i % 211 == 0)
                    FormatPenUpRecord(rec);
                else
                    FormatBackgroundRecord(rec, x, y, 2, labels[i % 5]);
                bytes.append(rec, BG_RECORD_LEN);
            }
            swprintf(aszBackgroundTempFile[f], BACKGROUND_NAME_CHARS, L"SAME%d.$%02d", (int)f, (int)f);
            std::ofstream(root + "/C/ProgramData/Ulvane/Temp/SAME" + std::to_string(f) + ".$" + (f < 10 ? "0" : "") +
                              std::to_string(f),
                          std::ios::binary)
                << bytes;
            aBgSlotStyle[f] = styles[f];
            aBgSlotFileType[f] = 2;
        }
        nBackgroundFileCount = (int)styles.size();
        PlatformPaintEveryFigure(true);
        FreeMapTiles();
        RedrawBackgroundFiles();
        const std::vector<COLORREF> painted = BaseLayers();
        PlatformPaintEveryFigure(false);
        for (int pass = 0; pass < 2; pass++) {  // the kinds met in the first pass are copied in the second
            FreeMapTiles();
            RedrawBackgroundFiles();
            const std::vector<COLORREF> copied = BaseLayers();
            ASSERT_EQ(copied.size(), painted.size());
            EXPECT_GT(painted.size(), 4u * nTileWidth * nTileHeight) << "the walks cover four tiles";
            size_t nDiffer = 0;
            for (size_t i = 0; i < painted.size(); i++) nDiffer += copied[i] != painted[i];
            EXPECT_EQ(nDiffer, 0u) << "styles from " << styles[0] << ", pass " << pass;
            EXPECT_GT(std::count(copied.begin(), copied.end(), kBackground), 10000);
        }
    }
    ClearBackgroundSlots();
}

}  // namespace
