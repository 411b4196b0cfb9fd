// The tile store's packer thread: tiles kept ready around the view and tiles taken back while their bitmaps are
// still on the packer's way show what was drawn into them, pixel for pixel, during a walk far beyond the tiles in
// use (run under the thread sanitizer too).
#include "map_test_support.h"

#include <cstdint>

namespace {

using TileThreadsTest = TileLayerTest;

COLORREF PatternColour(int i, int col, int nLayer)
{
    uint32_t h = (uint32_t)i * 2654435761u ^ (uint32_t)col * 40503u ^ (uint32_t)nLayer * 97u;
    h ^= h >> 13;
    return h & 0xFFFFFF;
}

// Tiles kept ready around the view (unpacked on the store's own thread, brought into use a layer at a time) and
// tiles taken back while their pixels are still being packed show what was drawn into them, pixel for pixel.
TEST_F(TileThreadsTest, TilesKeptReadyAroundTheViewComeBackPixelForPixel)
{
    nTileLayerBudgetBytes = 44 * MapTileLayerBytes();  // enough to keep the tiles around the view ready
    auto draw = [this](int col, int nLayer) {
        ASSERT_EQ(SelectMapTileBitmap(hdcMem, col, 1000, nLayer), 1);
        for (int i = 0; i < 3000; ++i) {
            const uint32_t h = (uint32_t)(i * 2654435761u) ^ (uint32_t)col * 40503u;
            SetPixel(hdcMem, (int)(h % (uint32_t)nTileWidth), (int)((h >> 12) % (uint32_t)nTileHeight),
                     PatternColour(i, col, nLayer));
        }
    };
    // The view's tiles first, then a row of others long enough that every layer drawn before is packed.
    std::vector<std::vector<COLORREF>> drawn;
    for (int col = 999; col <= 1002; ++col) {
        for (int nLayer : {0, 1}) {
            draw(col, nLayer);
            drawn.push_back(LayerPixels(col, 1000, nLayer));
        }
    }
    for (int col = 1003; col < 1040; ++col)
        for (int nLayer : {0, 1}) draw(col, nLayer);
    // Positions come: the store readies the tiles around the view a little at each (the store's size is asked
    // each time, which waits for the packer to finish what it was given).
    for (int i = 0; i < 60; ++i) {
        PrepareMapTilesAround(1000, 1000);
        MapTileStoreBytes();
    }
    size_t k = 0;
    for (int col = 999; col <= 1002; ++col)
        for (int nLayer : {0, 1}) EXPECT_TRUE(LayerPixels(col, 1000, nLayer) == drawn[k++]) << col << " " << nLayer;

    // Taken out of use and straight back, while the packer may still hold the pixels.
    for (int round = 0; round < 3; ++round) {
        draw(1000 + round, 1);
        std::vector<COLORREF> before = LayerPixels(1000 + round, 1000, 1);
        for (int col = 1003; col < 1040; ++col)
            for (int nLayer : {0, 1}) ASSERT_EQ(SelectMapTileBitmap(hdcMem, col, 1000, nLayer), 1);
        EXPECT_TRUE(LayerPixels(1000 + round, 1000, 1) == before) << round;
    }
}

// A colour survey walked three times across 24 tiles, with room for 40 layers in use, leaves the picture the same
// walk leaves when every layer stays in use.
TEST_F(TileThreadsTest, WalkBeyondTheTilesInUseDrawsWhatAWalkWithinThemDraws)
{
    auto walk = [this](const wchar_t *szFile) {
        OpenFile(szFile);
        StartLogging(500000.0, 5000000.0);
        nColorMapView = 1;
        dSwathLeft = dSwathRight = 1.0;
        UpdateMapDisplay(hwndMap, 1, 5000000.0, 500000.0, 0.0);
        for (int n = 1; n < 3 * 481; ++n) {
            const int nLine = n / 481, k = n % 481;
            const double e = 500000.0 + (nLine % 2 == 0 ? k * 2.0 : 960.0 - k * 2.0);
            HandOver(40, (n / 7) % 50);
            UpdateMapDisplay(hwndMap, 1, 5000000.0 + nLine * 2.0, e, 2.0);
        }
        LayerPicture picture = SurveyLayer();
        CloseDataFile();
        return picture;
    };
    nTileLayerBudgetBytes = 200 * MapTileLayerBytes();
    LayerPicture within = walk(L"within.T61");
    FreeMapTiles();
    nTileLayerBudgetBytes = 40 * MapTileLayerBytes();
    LayerPicture beyond = walk(L"beyond.T61");
    ASSERT_GE(within.tiles.size(), 24u);
    EXPECT_TRUE(within.tiles == beyond.tiles);
    EXPECT_TRUE(within.pixels == beyond.pixels);
}

}  // namespace
