// The tile store: layers out of use are held compressed and come back pixel for pixel; clearing and grid
// redrawing reach compressed tiles too; the store's memory stays bounded by what the tiles hold.
#include "map_test_support.h"

#include <cstdint>

namespace {

class TileStoreTest : public TileLayerTest {
protected:
    size_t LayerBudget() override { return 0; }  // only the four most recently used layers stay bitmaps

    // Uses both layers of eight other tiles, so that every layer used before is packed.
    void UseOtherTiles()
    {
        for (int i = 0; i < 8; ++i) {
            ASSERT_EQ(SelectMapTileBitmap(hdcMem, 1010 + i, 1010, 1), 1);
            SetPixel(hdcMem, i, i, RGB(0, 0, 255));
            ASSERT_EQ(SelectMapTileBitmap(hdcMem, 1010 + i, 1010, 0), 1);
        }
    }
};

// A picture that packs badly: every pixel of the upper half its own colour, bands below.
COLORREF PatternColour(int x, int y, int nLayer)
{
    uint32_t h = (uint32_t)x * 2654435761u ^ (uint32_t)y * 40503u ^ (uint32_t)nLayer * 97u;
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    if (y >= 200) return RGB((x / 7) * 3 % 256, 128, nLayer * 100);
    return h & 0xFFFFFF;
}

TEST_F(TileStoreTest, PackedLayersComeBackPixelForPixel)
{
    for (int nLayer : {0, 1}) {
        FreeMapTiles();
        ASSERT_EQ(SelectMapTileBitmap(hdcMem, 1000, 1000, nLayer), 1);
        for (int y = 0; y < nTileHeight; ++y)
            for (int x = 0; x < nTileWidth; ++x) SetPixel(hdcMem, x, y, PatternColour(x, y, nLayer));
        std::vector<COLORREF> drawn = LayerPixels(1000, 1000, nLayer);
        // The other layer of the tile keeps its first picture: white, or the grid.
        std::vector<COLORREF> other = LayerPixels(1000, 1000, 1 - nLayer);

        UseOtherTiles();
        // Nine tiles of two layers: four bitmaps in use, one spare, the rest packed.
        EXPECT_EQ(MapTileCount(), 9);
        EXPECT_LT(MapTileStoreBytes(), 7 * MapTileLayerBytes()) << nLayer;

        EXPECT_TRUE(LayerPixels(1000, 1000, nLayer) == drawn) << "layer " << nLayer;
        EXPECT_TRUE(LayerPixels(1000, 1000, 1 - nLayer) == other) << "layer " << 1 - nLayer;
        // Read back again after being packed once more.
        UseOtherTiles();
        EXPECT_TRUE(LayerPixels(1000, 1000, nLayer) == drawn) << "layer " << nLayer;
    }
}

// Clearing and grid redrawing on tiles that are packed keep what the mode keeps.
TEST_F(TileStoreTest, CreateMapTilesReachesPackedTiles)
{
    struct Case {
        int mode;
        bool surveyKept, backgroundKept;
    };
    const Case cases[] = {{0, true, false}, {1, false, true}, {2, false, false}, {7, true, true}};
    const COLORREF red = RGB(255, 0, 0), green = RGB(0, 160, 0);
    for (const Case &c : cases) {
        FreeMapTiles();
        ASSERT_EQ(SelectMapTileBitmap(hdcMem, 1000, 1000, 1), 1);
        SetPixel(hdcMem, 120, 121, red);
        ASSERT_EQ(SelectMapTileBitmap(hdcMem, 1000, 1000, 0), 1);
        SetPixel(hdcMem, 120, 121, green);
        COLORREF gridPixel = GetPixel(hdcMem, 0, 0);
        UseOtherTiles();
        CreateMapTiles(c.mode);
        std::vector<COLORREF> survey = LayerPixels(1000, 1000, 1);
        std::vector<COLORREF> base = LayerPixels(1000, 1000, 0);
        ASSERT_EQ(survey.size(), (size_t)nTileWidth * nTileHeight);
        ASSERT_EQ(base.size(), survey.size());
        size_t at = 121 * (size_t)nTileWidth + 120;
        EXPECT_EQ(survey[at], c.surveyKept ? red : RGB(255, 255, 255)) << c.mode;
        EXPECT_EQ(base[at] == green, c.backgroundKept) << c.mode;
        EXPECT_EQ(base[0], gridPixel) << c.mode;  // the grid is there either way
        // A survey layer cleared holds nothing but white.
        if (!c.surveyKept) {
            size_t nWhite = 0;
            for (COLORREF p : survey) nWhite += p == RGB(255, 255, 255);
            EXPECT_EQ(nWhite, survey.size()) << c.mode;
        }
    }
}

}  // namespace
