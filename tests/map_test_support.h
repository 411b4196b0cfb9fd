// Shared set-up of the map tests: platform, pens, a map window of known size, a data file and the walk helpers.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/record_length.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "support/test_root.h"
#include "support/map_start.h"

// Messages the test's logging screen received.
inline std::vector<UINT> &MapTestScreenMessages()
{
    static std::vector<UINT> messages;
    return messages;
}

inline LRESULT MapTestScreenProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER) MapTestScreenMessages().push_back(message);
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// The platform, the program's pens and a logging screen with a map window of (tile + 2) pixels; once.
inline void StartMapPlatform(int nTile)
{
    static bool started = false;
    static HWND screen = nullptr;
    if (!started) {
        started = true;
        static char arg0[] = "map-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        CreateFixedPensAndBrushes();
        CreateTrackPens(0);
        CreateChannelPens(0);
        CreateColorScalePens();
        WNDCLASS wc{};
        wc.lpfnWndProc = MapTestScreenProc;
        wc.hbrBackground = (HBRUSH)GetStockObject(WHITE_BRUSH);
        wc.lpszClassName = L"MapTestScreen";
        RegisterClass(&wc);
        EXPECT_EQ(RegisterMapWnd(hInst), 0);
        screen = CreateWindow(L"MapTestScreen", L"Log", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 900, 900, nullptr, 0,
                              hInst, nullptr);
        hwndLog = screen;
    }
    if (hwndMap) DestroyWindow(hwndMap);
    hwndMap = CreateWindow(L"MapWnd", L"", WS_CHILD | WS_VISIBLE, 10, 10, nTile + 2, nTile + 2, screen, 652, hInst,
                           nullptr);
    RECT rc;
    GetClientRect(hwndMap, &rc);
    SetMapSide(rc.right);
}

// A root folder of its own and an open data file C:\data\<name> of 27-byte records.
class MapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root = MakeTestRoot("map");
        ASSERT_FALSE(root.empty());
        std::filesystem::create_directories(root + "/C/data");
        nInstrumentType = INSTRUMENT_EM61MK2;
        bJixProduct = 0;
        RestoreInitialSettings();
        ApplyStartupDefaults();
        SetDataRecordLength(27);
        StartMapPlatform(400);
        MapTestScreenMessages().clear();
        CloseDataFile();
    }
    void TearDown() override { CloseDataFile(); }

    std::string OpenFile(const wchar_t *name)
    {
        swprintf(szDataFilePath, 261, L"C:\\data\\%ls", name);
        EXPECT_EQ(OpenDataFileHandle(), 1);
        return MapDrivePath(szDataFilePath);
    }

    // The state of a logging start: map size 40 (10 pixels a metre), grid far apart, origin at the first fix.
    void StartLogging(double dOriginX, double dOriginY) { StartMapLogging(dOriginX, dOriginY); }

    // Hands a row of n cells of one value to the painter, as the position handler does.
    void HandOver(int nCells, int nValue)
    {
        for (int i = 0; i < nCells && i < SWATH_CELLS_PER_ROW; ++i) rgColorGrid[nSwathRow][i] = nValue;
        nSwathPlotRow = nSwathRow;
        nSwathPlotLastCell = (nCells < SWATH_CELLS_PER_ROW ? nCells : SWATH_CELLS_PER_ROW) - 1;
        bSwathHasCells = nCells > 0 ? 1 : 0;
        nSwathRow = 1 - nSwathRow;
    }

    std::string root;
};

inline std::string ReadWholeFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The map-point records of a file ("{" first), in order.
inline std::vector<std::string> MapPointRecords(const std::string &bytes, int nLength = 27)
{
    std::vector<std::string> records;
    for (size_t i = 0; i + nLength <= bytes.size(); i += nLength)
        if (bytes[i] == '{') records.push_back(bytes.substr(i, nLength));
    return records;
}

// Pixels of the survey layer of every tile that holds one, keyed by tile.
struct LayerPicture {
    std::vector<int> tiles;  // col x 2000 + row
    std::vector<COLORREF> pixels;
};

inline LayerPicture SurveyLayer()
{
    LayerPicture picture;
    HDC hdcMem = CreateCompatibleDC(nullptr);
    for (int col = nTileColMin; col <= nTileColMax; ++col) {
        for (int row = nTileRowMin; row <= nTileRowMax; ++row) {
            if (!MapTileExists(col, row)) continue;
            picture.tiles.push_back(col * 2000 + row);
            SelectMapTileBitmap(hdcMem, col, row, 1);
            for (int y = 0; y < nTileHeight; ++y)
                for (int x = 0; x < nTileWidth; ++x) picture.pixels.push_back(GetPixel(hdcMem, x, y));
        }
    }
    DeleteDC(hdcMem);
    return picture;
}

// The survey-layer pixel at a map pixel; white where no tile holds one.
inline COLORREF SurveyPixel(int px, int py)
{
    int col, row, ox, oy;
    MapPixelToTile(px, py, &col, &row, &ox, &oy);
    if (!MapTileExists(col, row)) return RGB(255, 255, 255);
    HDC hdcMem = CreateCompatibleDC(nullptr);
    SelectMapTileBitmap(hdcMem, col, row, 1);
    COLORREF c = GetPixel(hdcMem, ox, oy);
    DeleteDC(hdcMem);
    return c;
}

// The tile store at a logging start with a grid line every 50 pixels and a memory context to draw with; the layers
// kept as bitmaps are LayerBudget()'s (put back afterwards).
class TileLayerTest : public MapTest {
protected:
    virtual size_t LayerBudget() { return nTileLayerBudgetBytes; }
    void SetUp() override
    {
        MapTest::SetUp();
        nSavedBudget = nTileLayerBudgetBytes;
        nTileLayerBudgetBytes = LayerBudget();
        StartLogging(500000.0, 5000000.0);
        dGridInterval = 5.0;
        ComputeMapDirection();
        hdcMem = CreateCompatibleDC(nullptr);
    }
    void TearDown() override
    {
        DeleteDC(hdcMem);
        FreeMapTiles();
        nTileLayerBudgetBytes = nSavedBudget;
        MapTest::TearDown();
    }

    // Every pixel of one layer of a tile (the layer is handed out as for drawing).
    std::vector<COLORREF> LayerPixels(int col, int row, int nLayer)
    {
        std::vector<COLORREF> pixels;
        if (!SelectMapTileBitmap(hdcMem, col, row, nLayer)) return pixels;
        for (int y = 0; y < nTileHeight; ++y)
            for (int x = 0; x < nTileWidth; ++x) pixels.push_back(GetPixel(hdcMem, x, y));
        return pixels;
    }

    size_t nSavedBudget = 0;
    HDC hdcMem = nullptr;
};
