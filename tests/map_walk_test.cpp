// A survey walked along a line straight through the map update: the swath in the colour of the readings, the
// map-point records, the view following the walk, and the rebuild from the data file matching the live map.
#include "map_test_support.h"

#include <algorithm>
#include <cmath>

#include "map/map_replot.h"
#include "processing/em61mk2_decode.h"

namespace {

// A stored EM61-MK2 reading record: mode 'T', gain 0, channel words and the mean current 1350.00.
std::string ReadingRecord(int nWord1)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    const int words[5] = {nWord1, nWord1, 0, 0, 1350};
    rec[0] = 'T';
    rec[1] = 0;
    for (int k = 0; k < 5; ++k) {
        rec[2 + 2 * k] = (char)((words[k] >> 8) & 0xFF);
        rec[3 + 2 * k] = (char)(words[k] & 0xFF);
    }
    rec[12] = 0;
    PutRecordTick(rec, 1234);
    return std::string(rec, 27);
}

class MapWalkTest : public MapTest {
protected:
    // Readings of segment i (from position i - 1 to i): count and channel word.
    static void SegmentReadings(int i, int *pnFirst, int *pnWordFirst, int *pnSecond, int *pnWordSecond)
    {
        *pnFirst = 5;
        *pnWordFirst = kWordA;
        *pnSecond = 0;
        *pnWordSecond = kWordA;
        if (i >= 31 && i <= 33) *pnFirst = 0;  // no readings: nothing drawn
        if (i >= 34 && i <= 50) *pnWordFirst = kWordB;
        if (i == 51) {  // more readings than a row holds: the first 500 count
            *pnFirst = 500;
            *pnWordFirst = kWordB;
            *pnSecond = 100;
        }
    }

    // Walks east along the origin's northing, one metre per position, to metre nLast.
    void Walk(int nLast)
    {
        WriteDataRecord(HeaderStart().c_str());
        UpdateMapDisplay(hwndMap, 1, kNorth, kEast, 0.0);
        for (int i = 1; i <= nLast; ++i) {
            int nFirst, nWordFirst, nSecond, nWordSecond;
            SegmentReadings(i, &nFirst, &nWordFirst, &nSecond, &nWordSecond);
            if (i == 1) nFirst = nSecond = 0;  // before the segment start: not drawn
            for (int k = 0; k < nFirst; ++k) WriteDataRecord(ReadingRecord(nWordFirst).c_str());
            for (int k = 0; k < nSecond; ++k) WriteDataRecord(ReadingRecord(nWordSecond).c_str());
            // The handler keeps the first 500 cells of a row.
            HandOver(nFirst + nSecond > 500 ? 500 : nFirst + nSecond, nWordFirst == kWordA ? 25 : nIndexB);
            UpdateMapDisplay(hwndMap, 1, kNorth, kEast + i, 1.0);
        }
        FlushDataFile();
    }

    static std::string HeaderStart()
    {
        char rec[DATA_RECORD_MAX];
        BeginRecord(rec);
        memcpy(rec, "X$STARTED", 9);
        return std::string(rec, 27);
    }

    void SetUpSurvey()
    {
        nEm61Type = 1;
        nEm61TypeSaved = 1;
        nSensorSize = 0;
        nScaleType = 0;
        // The scale puts reading A in the middle of class 25; reading B falls in a lower class.
        double adChannel[4], adZero[4] = {0, 0, 0, 0};
        int nMode = 0;
        DecodeInstrumentFrameWithOffsets(ReadingRecord(kWordA).c_str(), adChannel, adZero, &nMode);
        ASSERT_GT(adChannel[0], 0.0);
        dScale1Min = 0.0;
        dScale1Max = adChannel[0] * 50.0 / 25.5;
        ComputeColorStep(dScale1Min, dScale1Max);
        DecodeInstrumentFrameWithOffsets(ReadingRecord(kWordB).c_str(), adChannel, adZero, &nMode);
        nIndexB = ColorScaleIndex(adChannel[0], dScale1Min);
        ASSERT_GT(nIndexB, 0);
        ASSERT_LT(nIndexB, 20);
        nColorMapView = 1;
        nSensorsMinus1 = 0;
        dGpsOffsetY = 0.0;
        dSwathLeft = 0.5;
        dSwathRight = 0.5;
        StartLogging(kEast, kNorth);
        nRecordingState = 1;
    }

    static constexpr double kEast = 500000.0, kNorth = 5000000.0;
    static constexpr int kWordA = 1000, kWordB = 400;
    int nIndexB = 0;
};

TEST_F(MapWalkTest, SwathOfKnownReadingsRecordsAndScrolling)
{
    std::string path = OpenFile(L"walk.T61");
    SetUpSurvey();
    const int nInitialViewLeft = -nTileWidth / 2 + 1;
    Walk(70);

    // The view followed the walk east: 700 pixels in a window of 400.
    EXPECT_GT(nViewLeft, nInitialViewLeft + 300);
    EXPECT_EQ(nCursorWndX, 700 - nViewLeft);
    EXPECT_GT(nCursorWndX, 0);
    EXPECT_LT(nCursorWndX, nMapViewPixels);
    ASSERT_TRUE(PlatformSaveWindowPng(hwndMap, std::string(TEST_OUTPUT_DIR "/map_swath_walk.png")));

    // Along the track behind the cursor: index 25 of the colour scale, the colour 0x00FF40.
    EXPECT_EQ(aclrColorScale[25], (COLORREF)0x00FF40);
    HDC hdc = GetDC(hwndMap);
    for (int back = 30; back <= 150; back += 15) {
        EXPECT_EQ(GetPixel(hdc, nCursorWndX - back, nCursorWndY - 3), aclrColorScale[25]) << back;
        EXPECT_EQ(GetPixel(hdc, nCursorWndX - back, nCursorWndY + 3), aclrColorScale[25]) << back;
        // Beyond the footprint (half a metre each side): white.
        EXPECT_EQ(GetPixel(hdc, nCursorWndX - back, nCursorWndY - 20), RGB(255, 255, 255)) << back;
    }
    ReleaseDC(hwndMap, hdc);

    // The survey layer: segments 34..51 in reading B's class, the segments without readings white.
    EXPECT_EQ(SurveyPixel(405, 3), aclrColorScale[nIndexB]);
    EXPECT_EQ(SurveyPixel(505, -3), aclrColorScale[nIndexB]);
    EXPECT_EQ(SurveyPixel(315, 3), RGB(255, 255, 255));
    EXPECT_EQ(SurveyPixel(325, -3), RGB(255, 255, 255));
    EXPECT_EQ(SurveyPixel(205, 3), aclrColorScale[25]);

    // Map-point records: segment start at metre 1, the first pair, then one footprint per position.
    std::vector<std::string> recs = MapPointRecords(ReadWholeFile(path));
    ASSERT_EQ(recs.size(), 1u + 8u + 4u * 68u);
    EXPECT_EQ(recs[0].substr(0, 16), "{0         0.000");
    EXPECT_EQ(recs[1].substr(0, 16), "{a    500001.000");
    EXPECT_EQ(recs[2].substr(0, 16), "{b   5000000.500");
    EXPECT_EQ(recs[3].substr(0, 16), "{c    500001.000");
    EXPECT_EQ(recs[4].substr(0, 16), "{d   4999999.500");
    // Position at metre 40: its footprint across the track, left end north of it going east.
    size_t k = 9 + 4 * (40 - 3);
    EXPECT_EQ(recs[k].substr(0, 16), "{e    500040.000");
    EXPECT_EQ(recs[k + 1].substr(0, 16), "{f   5000000.500");
    EXPECT_EQ(recs[k + 2].substr(0, 16), "{g    500040.000");
    EXPECT_EQ(recs[k + 3].substr(0, 16), "{h   4999999.500");
}

TEST_F(MapWalkTest, RebuildFromTheFileEqualsTheLiveSurveyLayerAndChangesNoSetting)
{
    OpenFile(L"rebuild.T61");
    SetUpSurvey();
    adOffset[0] = 12.5;
    Walk(70);
    LayerPicture live = SurveyLayer();
    ASSERT_GT(live.tiles.size(), 1u);

    // What a rebuild must leave alone: settings, calibration and the live handlers' cells.
    const double dStep = dColorStep, dMin = dScale1Min, dMax = dScale1Max, dOff = adOffset[0];
    const double dPpu = dMapPixelsPerUnit, dOx = dMapOriginX, dOy = dMapOriginY;
    const int nView = nColorMapView, nSize = nMapSize, nPlotRow = nSwathPlotRow, nLast = nSwathPlotLastCell;
    const int bHas = bSwathHasCells, nRow = nSwathRow, nCount = nSwathCellCount;
    std::vector<int> cells(&rgColorGrid[0][0], &rgColorGrid[0][0] + 2 * SWATH_CELLS_PER_ROW);
    for (int &c : rgColorGrid[nSwathRow]) c = 7;  // the row the handlers are filling
    cells.assign(&rgColorGrid[0][0], &rgColorGrid[0][0] + 2 * SWATH_CELLS_PER_ROW);

    CreateMapTiles(1);
    EXPECT_EQ(SurveyPixel(205, 3), RGB(255, 255, 255));  // cleared
    ReplotMapEm61Mk2();
    LayerPicture rebuilt = SurveyLayer();
    EXPECT_EQ(rebuilt.tiles, live.tiles);
    ASSERT_EQ(rebuilt.pixels.size(), live.pixels.size());
    size_t nDiffer = 0;
    for (size_t i = 0; i < live.pixels.size(); ++i) {
        if (live.pixels[i] != rebuilt.pixels[i] && nDiffer++ < 5) {
            size_t t = i / (nTileWidth * nTileHeight), p = i % (nTileWidth * nTileHeight);
            ADD_FAILURE() << "tile " << live.tiles[t] << " x " << p % nTileWidth << " y " << p / nTileWidth << " live "
                          << std::hex << live.pixels[i] << " rebuilt " << rebuilt.pixels[i] << std::dec;
        }
    }
    EXPECT_EQ(nDiffer, 0u);

    EXPECT_EQ(dColorStep, dStep);
    EXPECT_EQ(dScale1Min, dMin);
    EXPECT_EQ(dScale1Max, dMax);
    EXPECT_EQ(adOffset[0], dOff);
    EXPECT_EQ(dMapPixelsPerUnit, dPpu);
    EXPECT_EQ(dMapOriginX, dOx);
    EXPECT_EQ(dMapOriginY, dOy);
    EXPECT_EQ(nColorMapView, nView);
    EXPECT_EQ(nMapSize, nSize);
    EXPECT_EQ(nSwathPlotRow, nPlotRow);
    EXPECT_EQ(nSwathPlotLastCell, nLast);
    EXPECT_EQ(bSwathHasCells, bHas);
    EXPECT_EQ(nSwathRow, nRow);
    EXPECT_EQ(nSwathCellCount, nCount);
    EXPECT_TRUE(std::equal(cells.begin(), cells.end(), &rgColorGrid[0][0]));

    // The file is left at its end: logging appends after the last record.
    char rec[DATA_RECORD_MAX];
    EXPECT_EQ(ReadDataRecord(rec), 0);
}

// A lawn-mower survey of 7200 footprints with readings between them: long enough that the rebuild reads the file
// ahead of its drawing in several batches. From freed tiles (as after a zoom) it draws what the live map drew, pixel
// for pixel, and leaves the file at its end.
TEST_F(MapWalkTest, RebuildOfALongLawnMowerSurveyFromFreedTilesEqualsTheLiveSurveyLayer)
{
    OpenFile(L"lawn.T61");
    SetUpSurvey();
    WriteDataRecord(HeaderStart().c_str());
    UpdateMapDisplay(hwndMap, 1, kNorth, kEast, 0.0);
    for (int nLine = 0; nLine < 30; ++nLine) {
        for (int k = 1; k <= 240; ++k) {
            const double e = kEast + (nLine % 2 == 0 ? k * 0.25 : 60.0 - k * 0.25);
            const int nWord = (nLine / 3 + k / 40) % 2 == 0 ? kWordA : kWordB;
            const int nReadings = nLine == 0 && k == 1 ? 0 : 3;  // before the segment start: not drawn
            for (int r = 0; r < nReadings; ++r) WriteDataRecord(ReadingRecord(nWord).c_str());
            HandOver(nReadings, nWord == kWordA ? 25 : nIndexB);
            UpdateMapDisplay(hwndMap, 1, kNorth + nLine * 1.5, e, 0.25);
        }
    }
    FlushDataFile();
    LayerPicture live = SurveyLayer();
    ASSERT_GE(live.tiles.size(), 2u);

    FreeMapTiles();
    ReplotMapEm61Mk2();
    LayerPicture rebuilt = SurveyLayer();
    EXPECT_EQ(rebuilt.tiles, live.tiles);
    ASSERT_EQ(rebuilt.pixels.size(), live.pixels.size());
    size_t nDiffer = 0;
    for (size_t i = 0; i < live.pixels.size(); ++i) nDiffer += live.pixels[i] != rebuilt.pixels[i];
    EXPECT_EQ(nDiffer, 0u);
    char rec[DATA_RECORD_MAX];
    EXPECT_EQ(ReadDataRecord(rec), 0);
}

TEST_F(MapWalkTest, TrackRebuildDrawsTheFootprintsAgain)
{
    OpenFile(L"track.T61");
    SetUpSurvey();
    nColorMapView = 0;
    nCursorSize = 4;
    Walk(30);
    LayerPicture live = SurveyLayer();
    EXPECT_EQ(SurveyPixel(150, 2), clrPosition);
    CreateMapTiles(1);
    ReplotMapEm61Mk2();
    LayerPicture rebuilt = SurveyLayer();
    EXPECT_EQ(rebuilt.tiles, live.tiles);
    EXPECT_TRUE(rebuilt.pixels == live.pixels);
}

TEST_F(MapWalkTest, EmptyFileRebuildsNothingAndEndsAtTheEnd)
{
    OpenFile(L"empty.T61");
    SetUpSurvey();
    ReplotMapEm61Mk2();
    EXPECT_EQ(MapTileCount(), 0);
    char rec[DATA_RECORD_MAX];
    EXPECT_EQ(ReadDataRecord(rec), 0);
}

// A record of text (the rest blanks, the line feed last).
std::string PaddedRecord(const std::string &text)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    memcpy(rec, text.data(), text.size() < 26 ? text.size() : 26);
    return std::string(rec, 27);
}

void WriteText(const std::string &text) { WriteDataRecord(PaddedRecord(text).c_str()); }

// The footprint of metre m east of the origin, as a set of four map-point records.
void WriteFootprint(int m, bool bFirst)
{
    char sz[40];
    const double v[4] = {500000.0 + m, 5000000.5, 500000.0 + m, 4999999.5};
    for (int i = 0; i < 4; ++i) {
        snprintf(sz, sizeof sz, "{%c%14.3f", (bFirst ? 'a' : 'e') + i, v[i]);
        WriteText(sz);
    }
}

void WriteOffsets(double d1)
{
    char sz[40];
    const double v[4] = {d1, 0.0, 0.0, 0.0};
    for (double d : v) {
        snprintf(sz, sizeof sz, "O%9.2f %9.2f", d, 0.0);
        WriteText(sz);
    }
}

// Offsets written by a nulling during the survey apply to the readings after them; a comment ends the collection
// until the next segment start; the live handlers' cells are never used.
TEST_F(MapWalkTest, RebuildTakesNewOffsetsAndStopsCollectingAtAComment)
{
    OpenFile(L"offsets.T61");
    SetUpSurvey();
    double adA[4], adB[4], adZero[4] = {0, 0, 0, 0};
    int nMode = 0;
    DecodeInstrumentFrameWithOffsets(ReadingRecord(kWordA).c_str(), adA, adZero, &nMode);
    DecodeInstrumentFrameWithOffsets(ReadingRecord(kWordB).c_str(), adB, adZero, &nMode);
    for (int &c : rgColorGrid[0]) c = 40;  // whatever the live rows hold plays no part
    for (int &c : rgColorGrid[1]) c = 40;

    WriteText("ZNTMK2  W");
    WriteOffsets(0.0);
    WriteText("X$STARTED");
    WriteText("{0         0.000");
    for (int k = 0; k < 5; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteFootprint(1, true);
    WriteFootprint(2, false);                      // segment 1..2: A
    WriteOffsets(adA[0] - adB[0]);                 // a nulling: A now reads as B
    for (int k = 0; k < 5; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteFootprint(3, false);                      // segment 2..3: B
    for (int k = 0; k < 2; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteText("CA COMMENT");
    for (int k = 0; k < 3; ++k) WriteDataRecord(ReadingRecord(0).c_str());
    WriteFootprint(4, false);                      // segment 3..4: the two readings before the comment
    for (int k = 0; k < 3; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteFootprint(5, false);                      // segment 4..5: nothing collected, nothing drawn
    WriteText("{0         0.000");
    for (int k = 0; k < 3; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteFootprint(6, true);
    for (int k = 0; k < 3; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteFootprint(7, false);                      // segment 6..7: collecting again (offsets still in force)
    FlushDataFile();

    ReplotMapEm61Mk2();
    EXPECT_EQ(SurveyPixel(15, 2), aclrColorScale[25]);
    EXPECT_EQ(SurveyPixel(25, 2), aclrColorScale[nIndexB]);
    EXPECT_EQ(SurveyPixel(35, 2), aclrColorScale[nIndexB]);
    EXPECT_EQ(SurveyPixel(45, 2), RGB(255, 255, 255));
    EXPECT_EQ(SurveyPixel(55, 2), RGB(255, 255, 255));
    EXPECT_EQ(SurveyPixel(65, 2), aclrColorScale[nIndexB]);
}

// Without a start event in the first 300 records the rebuild starts at record 301.
TEST_F(MapWalkTest, RebuildWithoutStartEventBeginsAtRecord301)
{
    for (int nJunk : {299, 300}) {
        OpenFile(nJunk == 299 ? L"nostart299.T61" : L"nostart300.T61");
        SetUpSurvey();
        for (int k = 0; k < nJunk; ++k) WriteText("Z HEADER");
        WriteText("{0         0.000");
        for (int k = 0; k < 5; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
        WriteFootprint(1, true);
        WriteFootprint(2, false);
        FlushDataFile();
        ReplotMapEm61Mk2();
        // With 299 records before it the segment start is the 300th record, skipped with the header.
        EXPECT_EQ(SurveyPixel(15, 2), nJunk == 300 ? aclrColorScale[25] : RGB(255, 255, 255)) << nJunk;
        CloseDataFile();
    }
}

// A member of two sensors hands cells of two six-bit indices (second x 64 + first): the rebuild paints the first
// sensor's index over the half of the swath at the footprint's first point, the second sensor's over the other.
int TwoSensorCell(const char *, int *pnCell)
{
    *pnCell = 3 * 64 + 10;
    return 1;
}

TEST_F(MapWalkTest, TwoSensorRebuildPaintsEachSensorOverItsHalfOfTheSwath)
{
    OpenFile(L"twosensors.T61");
    SetUpSurvey();
    WriteText("X$STARTED");
    WriteText("{0         0.000");
    for (int k = 0; k < 5; ++k) WriteDataRecord(ReadingRecord(kWordA).c_str());
    WriteFootprint(1, true);
    WriteFootprint(4, false);
    FlushDataFile();
    const ReplotMember member = {nullptr, TwoSensorCell, "T", 1, 1, nullptr};
    ReplotFromDataFile(member);
    // The footprint runs from its first point 0.5 m north of the walk (map pixel row 5) to 0.5 m south (row -5).
    EXPECT_EQ(SurveyPixel(25, 3), aclrColorScale[10]);
    EXPECT_EQ(SurveyPixel(25, -3), aclrColorScale[3]);
    char rec[DATA_RECORD_MAX];
    EXPECT_EQ(ReadDataRecord(rec), 0);  // left at the file's end
}

// A two-coil EM61-LX2 record of four channel words, stored current 0 (no normalisation).
std::string Lx2Record(int nE1, int nL1, int nE2, int nL2)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    const int words[4] = {nE1, nL1, nE2, nL2};
    rec[0] = 'E';
    rec[1] = 0;
    for (int k = 0; k < 4; ++k) {
        rec[2 + 2 * k] = (char)((words[k] >> 8) & 0xFF);
        rec[3 + 2 * k] = (char)(words[k] & 0xFF);
    }
    rec[10] = rec[11] = rec[12] = rec[13] = 0;
    PutRecordTick(rec, 1234);
    return std::string(rec, 27);
}

// Two coils in view 3 (filtered): the offsets and the filter factors of the file give coil 1 class 10 and coil 2
// class 3, stored as 3 x 64 + 10 = 202 and painted in two colours.
TEST_F(MapWalkTest, TwoCoilEm61Lx2RebuildTakesOffsetsAndFilterFactors)
{
    OpenFile(L"lx2twocoils.RX2");
    SetUpSurvey();
    nSensorsMinus1 = 1;
    nColorMapView = 3;
    dScale1Min = 0.0;
    dScale1Max = 500.0;  // 10 per class
    WriteText("ZNTLX2  W");
    char sz[40];
    const double adOff[4] = {0.0, 0.0, 10.0, 0.0};
    for (double d : adOff) {
        snprintf(sz, sizeof sz, "O%9.2f %9.2f", d, 0.0);
        WriteText(sz);
    }
    WriteText("I   234.00    310.00");  // coil 1: ratio 2
    WriteText("I   126.00    310.00");  // coil 2: ratio 1
    WriteText("X$STARTED");
    WriteText("{0         0.000");
    // Coil 1: 300 - 2 x 100 = 100 (class 10); coil 2: (100 - 10) - 60 = 30 (class 3).
    for (int k = 0; k < 5; ++k) WriteDataRecord(Lx2Record(15, 5, 5, 3).c_str());
    WriteFootprint(1, true);
    WriteFootprint(4, false);
    FlushDataFile();
    ReplotMapEm61Lx2();
    EXPECT_EQ(SurveyPixel(25, 3), aclrColorScale[10]);
    EXPECT_EQ(SurveyPixel(25, -3), aclrColorScale[3]);
    // One coil of the same file: coil 1 only, over the whole swath.
    nSensorsMinus1 = 0;
    ReplotMapEm61Lx2();
    EXPECT_EQ(SurveyPixel(25, -3), aclrColorScale[10]);
}

}  // namespace

// The same walk with only four tile layers kept as bitmaps: every layer is packed and unpacked many times on the
// way, the store holds far less than its bitmaps would, and the rebuild still equals the live map pixel for pixel.
TEST_F(MapWalkTest, RebuildEqualsTheLiveMapWhenTilesArePackedOutOfUse)
{
    const size_t nSavedBudget = nTileLayerBudgetBytes;
    nTileLayerBudgetBytes = 0;
    OpenFile(L"packed.T61");
    SetUpSurvey();
    Walk(70);
    EXPECT_LT(MapTileStoreBytes(), (size_t)MapTileCount() * 2 * MapTileLayerBytes());
    LayerPicture live = SurveyLayer();
    ASSERT_GT(live.tiles.size(), 3u);
    CreateMapTiles(1);
    ReplotMapEm61Mk2();
    LayerPicture rebuilt = SurveyLayer();
    nTileLayerBudgetBytes = nSavedBudget;
    EXPECT_EQ(rebuilt.tiles, live.tiles);
    EXPECT_TRUE(rebuilt.pixels == live.pixels);
    // Reading the tiles back above left every layer as it was drawn: the colour of the first segments is there.
    EXPECT_EQ(SurveyPixel(205, 3), aclrColorScale[25]);
}

namespace {

std::string MapPointRecord(char chLetter, double dValue)
{
    char rec[DATA_RECORD_MAX];
    BeginRecord(rec);
    rec[0] = '{';
    rec[1] = chLetter;
    PutRecordField(rec, 2, 14, "%14.3f", dValue);
    return std::string(rec, 27);
}

// One fix 20 arc-minutes (37 km) away and back while the colour map is on: the track and the swath restart at each
// far position, nothing is filled across the gap, the view is placed around the far position, and the rebuild takes
// the same decisions as the live map (pixel for pixel), with either set-back.
TEST_F(MapWalkTest, AFixFarAwayBreaksTheSwathLiveAndInTheRebuildAlike)
{
    for (double dSetBack : {0.0, 2.0}) {
        std::string path = OpenFile(dSetBack == 0.0 ? L"jump.T61" : L"jumpback.T61");
        SetUpSurvey();
        dGpsOffsetY = dSetBack;
        InitMapView();
        const double kFar = 37000.0;
        // East 20 m, 37 km north for three metres, back at 25 m east and on to 30 m.
        std::vector<std::pair<double, double>> walk;
        for (int i = 1; i <= 20; ++i) walk.push_back({(double)i, 0.0});
        for (int i = 20; i <= 23; ++i) walk.push_back({(double)i, kFar});
        for (int i = 25; i <= 30; ++i) walk.push_back({(double)i, 0.0});
        WriteDataRecord(HeaderStart().c_str());
        UpdateMapDisplay(hwndMap, 1, kNorth, kEast, 0.0);
        for (size_t k = 0; k < walk.size(); ++k) {
            for (int r = 0; r < 5; ++r) WriteDataRecord(ReadingRecord(kWordA).c_str());
            HandOver(5, 25);
            UpdateMapDisplay(hwndMap, 1, kNorth + walk[k].second, kEast + walk[k].first, 1.0);
            if (walk[k].second == kFar && walk[k].first == 20.0) {
                // The view was placed around the far position, not scrolled by the whole jump.
                EXPECT_GE(nViewTileOffsetX, 0);
                EXPECT_LE(nViewTileOffsetX, nTileWidth);
                EXPECT_GE(nViewTileOffsetY, 0);
                EXPECT_LE(nViewTileOffsetY, nTileHeight);
                EXPECT_GT(nCursorWndX, 0);
                EXPECT_LT(nCursorWndX, nMapViewPixels);
                EXPECT_GT(nCursorWndY, 0);
                EXPECT_LT(nCursorWndY, nMapWndHeight);
            }
        }
        FlushDataFile();
        // A handful of tiles at both places, none between them.
        EXPECT_LE(MapTileCount(), 12) << dSetBack;
        const int nMidRow = 1000 + (int)(kFar / 2 * 10) / nTileHeight;
        for (int col = 999; col <= 1002; ++col) EXPECT_EQ(MapTileExists(col, nMidRow), 0) << col;
        // The swath near the origin and at the far place; nothing over the gap on the way back.
        EXPECT_EQ(SurveyPixel(105, 0), aclrColorScale[25]) << dSetBack;
        EXPECT_EQ(SurveyPixel(205, (int)(kFar * 10)), aclrColorScale[25]) << dSetBack;
        EXPECT_EQ(SurveyPixel(215, 20000), RGB(255, 255, 255)) << dSetBack;
        // Three segment starts: logging start, the jump away and the jump back.
        int nStarts = 0;
        for (const std::string &rec : MapPointRecords(ReadWholeFile(path))) nStarts += rec.compare(0, 2, "{0") == 0;
        EXPECT_EQ(nStarts, 3) << dSetBack;

        LayerPicture live = SurveyLayer();
        CreateMapTiles(1);
        ReplotMapEm61Mk2();
        LayerPicture rebuilt = SurveyLayer();
        EXPECT_EQ(rebuilt.tiles, live.tiles) << dSetBack;
        EXPECT_TRUE(rebuilt.pixels == live.pixels) << dSetBack;
        CloseDataFile();
    }
}

// A rebuild from a file whose footprints jump, or whose set is damaged: nothing is drawn across it, the swath goes on
// from the next two whole footprints, and a footprint absurdly far away makes no tile and no overflow.
TEST_F(MapWalkTest, RebuildBreaksAtFootprintsFarAwayOrDamaged)
{
    struct Case {
        const char *name;
        std::vector<std::string> set;  // the third set, 'e' .. 'h'
    };
    const Case cases[] = {
        {"55 km away", {MapPointRecord('e', kEast + 55000.0), MapPointRecord('f', kNorth + 0.5),
                        MapPointRecord('g', kEast + 55000.0), MapPointRecord('h', kNorth - 0.5)}},
        {"far beyond the table", {MapPointRecord('e', 99999999999.0), MapPointRecord('f', -9999999999.0),
                                  MapPointRecord('g', -9999999999.0), MapPointRecord('h', 99999999999.0)}},
        {"exponent beyond the field", {PaddedRecord("{e50000150000000e-8"), MapPointRecord('f', kNorth + 0.5),
                                       MapPointRecord('g', kEast + 1.5), MapPointRecord('h', kNorth - 0.5)}},
        {"wider than any footprint", {MapPointRecord('e', kEast + 1.5), MapPointRecord('f', kNorth + 0.5),
                                      MapPointRecord('g', kEast + 1.5), MapPointRecord('h', kNorth - 900.0)}},
    };
    for (const Case &c : cases) {
        OpenFile(L"damaged.T61");
        SetUpSurvey();
        WriteDataRecord(HeaderStart().c_str());
        WriteText("{0         0.000");
        auto readings = [] {
            for (int r = 0; r < 5; ++r) WriteDataRecord(ReadingRecord(kWordA).c_str());
        };
        WriteFootprint(0, true);
        readings();
        WriteFootprint(1, false);
        readings();
        for (const std::string &rec : c.set) WriteDataRecord(rec.c_str());
        readings();
        WriteFootprint(2, false);
        readings();
        WriteFootprint(3, false);
        FlushDataFile();
        FreeMapTiles();
        ReplotMapEm61Mk2();
        EXPECT_LE(MapTileCount(), 4) << c.name;  // the four tiles around the origin
        EXPECT_EQ(SurveyPixel(5, 3), aclrColorScale[25]) << c.name;          // 0 .. 1 m
        EXPECT_EQ(SurveyPixel(15, 3), RGB(255, 255, 255)) << c.name;         // after the break
        EXPECT_EQ(SurveyPixel(25, 3), aclrColorScale[25]) << c.name;         // 2 .. 3 m
        CloseDataFile();
        std::filesystem::remove(root + "/C/data/damaged.T61");
    }
}

// The swath painter refuses an edge longer than any segment between two fixes before it counts its lines, so a
// far footprint neither overflows the count nor fills the map.
// A swath looks the same wherever it lies against the tile borders: drawn in the middle of a tile and again across
// a tile corner (its lines then drawn into every tile they cross), pixel for pixel, for walks in sixteen directions.
TEST_F(MapTest, SwathIsTheSameInsideATileAndAcrossATileCorner)
{
    StartLogging(500000.0, 5000000.0);
    const int cells[4] = {5, 25, 40, 12};
    HDC hdcMem = CreateCompatibleDC(nullptr);
    // The swath between two footprints 10 pixels wide and 12 pixels apart, the first centred on (x0, y0); the map
    // pixels around it.
    auto swath = [&](int nDirection, int x0, int y0) {
        const double a = nDirection * 3.14159265358979 / 8, wx = std::cos(a), wy = std::sin(a);
        auto foot = [&](double along, int *e) {
            const double cx = along * wx, cy = along * wy;
            e[0] = x0 + (int)std::lround(cx - 5 * wy);
            e[1] = y0 + (int)std::lround(cy + 5 * wx);
            e[2] = x0 + (int)std::lround(cx + 5 * wy);
            e[3] = y0 + (int)std::lround(cy - 5 * wx);
        };
        int o[4], n[4];
        foot(0.0, o);
        foot(12.0, n);
        FreeMapTiles();
        SpreadSwathCells(hdcMem, cells, 4, 0, n[0], n[1], n[2], n[3], o[0], o[1], o[2], o[3]);
        std::vector<COLORREF> pixels;
        for (int y = y0 - 20; y <= y0 + 20; ++y)
            for (int x = x0 - 20; x <= x0 + 20; ++x) pixels.push_back(SurveyPixel(x, y));
        return pixels;
    };
    for (int nDirection = 0; nDirection < 16; ++nDirection) {
        const std::vector<COLORREF> inside = swath(nDirection, nTileWidth / 2, nTileHeight / 2);
        EXPECT_NE(std::count(inside.begin(), inside.end(), RGB(255, 255, 255)), (long)inside.size());
        // The corner of four tiles: map x nTileWidth + 1 starts a column, map y nTileHeight a row.
        EXPECT_TRUE(swath(nDirection, nTileWidth + 1, nTileHeight) == inside) << nDirection;
        EXPECT_TRUE(swath(nDirection, nTileWidth - 2, nTileHeight + 3) == inside) << nDirection;
    }
    DeleteDC(hdcMem);
}

TEST_F(MapTest, SwathEdgesLongerThanAnySegmentDrawNothing)
{
    StartLogging(500000.0, 5000000.0);
    dSwathLeft = dSwathRight = 0.5;
    const int cells[3] = {25, 25, 25};
    struct Case {
        int nlx, nrx;  // the new footprint's x (old one at 0, both 10 pixels tall)
        int drawn;
    };
    const Case cases[] = {{300, 300, 1}, {100000, 100000, 0}, {1000000000, -1000000000, 0},
                          {2000000000, 2000000000, 0}, {-1000000000, 1000000000, 0}};
    HDC hdcMem = CreateCompatibleDC(nullptr);
    for (const Case &c : cases) {
        FreeMapTiles();
        SpreadSwathCells(hdcMem, cells, 3, 0, c.nlx, 5, c.nrx, -5, 0, 5, 0, -5);
        EXPECT_EQ(MapTileCount() > 0, c.drawn == 1) << c.nlx;
    }
    DeleteDC(hdcMem);
}

}  // namespace

namespace {

// The rebuild and the extent check ask the clock once every few thousand records, not for every record, and the
// busy dot still moves when the clock says more than 750 ms have passed.
TEST_F(MapWalkTest, LongScansAskTheClockEveryFewThousandRecords)
{
    OpenFile(L"long.T61");
    SetUpSurvey();
    const int nRecords = 30000;
    std::string block = HeaderStart() + PaddedRecord("{0         0.000");
    std::string reading = ReadingRecord(kWordA);
    for (int i = 0; i < nRecords; ++i) block += reading;
    ASSERT_EQ(WriteDataRecords(block.data(), nRecords + 2), 1);
    FlushDataFile();
    int nAsked = 0;
    DWORD dwNow = 0;
    PlatformSetTickSource([&] {
        ++nAsked;
        return dwNow += 1000;  // a second passes between two looks at the clock
    });
    const int nBusyBefore = nBusyStep;
    ReplotMapEm61Mk2();
    const int nAskedByRebuild = nAsked;
    nAsked = 0;
    bGpsPositionValid = 1;
    PlatformAnswerDialog(L"MESSAGEOK", 1, true);
    CheckDataFileFitsMap(nullptr);
    const int nAskedByCheck = nAsked;
    PlatformSetTickSource(nullptr);
    EXPECT_LE(nAskedByRebuild, nRecords / BUSY_PACE_RECORDS + 3);
    EXPECT_LE(nAskedByCheck, nRecords / BUSY_PACE_RECORDS + 3);
    EXPECT_GE(nAskedByRebuild, nRecords / BUSY_PACE_RECORDS);
    // The dot moved at each look: seven looks, the step goes round the five places.
    EXPECT_EQ(nBusyStep, (nBusyBefore + nRecords / BUSY_PACE_RECORDS * 2) % 5);
}

}  // namespace
