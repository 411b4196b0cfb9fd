// GPS positions and the map end to end: the real program under the offscreen platform with the device emulator's
// EM61-MK2 and walking GPS receiver on pseudo-terminals; the map window's picture, the data file's GPS and
// map-point records, the scrolling view, and the first fix that lets a survey begin.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "processing/em61mk2_decode.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// The view's left edge in map pixels (tile column and in-tile offset).
long long ViewLeftPixel() { return (long long)nViewTileCol * nTileWidth + nViewTileOffsetX; }

// A map-point coordinate record "{a".."{l": the letter and a "%14.3f" value.
bool MapPointValue(const Record &r, char *letter, double *value)
{
    if (r.bytes.size() != 27 || r.bytes[0] != '{' || r.bytes[26] != '\n') return false;
    *letter = r.bytes[1];
    std::string field = r.bytes.substr(2, 14);
    char *end = nullptr;
    *value = std::strtod(field.c_str(), &end);
    return end != field.c_str();
}

}  // namespace

// Zanth EM61-MK2 with GPS: readings of channel 1 fixed at 255 on the 0..500 scale (colour index 25, 0x00FF40 as a
// COLORREF) while the receiver walks east. The map window shows the swath in that colour along an east-west band;
// the data file holds the GGA sentences as text records and the "{" map-point records, whose eastings grow; the
// view scrolls east as the walk nears the window's right edge.
TEST(MapWalk, SwathOfAKnownReadingAlongTheWalkRecordsAndScrolling)
{
    std::string root = emu::MakeTempRoot("map_walk");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 255 100 50 20 letter=T"));
    ASSERT_TRUE(dev.ok("COM4 rate 5"));
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        UseColourMapOfChannel1();
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(IsOpenHandle(hGpsPort));
        CHILD_CHECK(WaitNormalOperation(15000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 10000));
        CHILD_CHECK(nColorMapView == 1);
        PlatformPump(2000);
        PlatformScriptFileChooser(L"C:\\data\\walk.T61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(1500);
        Facts facts;
        facts.Set("viewLeftBefore", ViewLeftPixel());
        CHILD_CHECK(dev.ok("COM6 walk 90 8 0"));
        PlatformPump(6000);
        facts.Set("viewLeftAfter", ViewLeftPixel());
        facts.Set("tileWidth", nTileWidth);
        facts.Set("swathAcrossMm", std::llround((dSwathLeft + dSwathRight) * 1000));
        facts.Set("edgeState", nMapEdgeState);
        std::string png = std::string(TEST_OUTPUT_DIR "/map_walk_swath.png");
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, png));
        QImage img(QString::fromStdString(png));
        CHILD_CHECK(!img.isNull());
        // Pixels of colour index 25 (RGB 0x40FF00) and their extent.
        int n = 0, minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
        for (int y = 0; y < img.height(); y++)
            for (int x = 0; x < img.width(); x++)
                if ((img.pixel(x, y) & 0xFFFFFFu) == 0x40FF00u) {
                    n++;
                    minX = std::min(minX, x), maxX = std::max(maxX, x);
                    minY = std::min(minY, y), maxY = std::max(maxY, y);
                }
        facts.Set("swathPixels", n);
        facts.Set("swathWidth", n ? maxX - minX + 1 : 0);
        facts.Set("swathHeight", n ? maxY - minY + 1 : 0);
        facts.Set("mapWidth", img.width());
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));

    // The swath: many pixels of the value's colour along an east-west band across a good part of the window.
    EXPECT_GT(facts.Get("swathPixels"), 200);
    EXPECT_GT(facts.Get("swathWidth"), facts.Get("mapWidth") / 4);
    EXPECT_LT(facts.Get("swathHeight"), facts.Get("swathWidth") / 2);
    // The view followed the walk east.
    EXPECT_GT(facts.Get("viewLeftAfter"), facts.Get("viewLeftBefore"));
    EXPECT_EQ(facts.Get("edgeState"), 0);

    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/walk.T61"), 27, &tail);
    EXPECT_EQ(tail, 0u);
    int ggaFirst = 0, textEnd = 0, segmentStarts = 0, readings = 0;
    std::vector<double> eastings;
    // Footprints of the walk east: "{e".."{h" hold left x, left y, right x, right y; the bar lies across the
    // track (north-south), its left end north of its right end by the swath's width.
    std::vector<double> set;
    int footprints = 0;
    const double across = facts.Get("swathAcrossMm") / 1000.0;
    for (const Record &rec : recs) {
        if (rec.Kind() == '@' && rec.bytes.find("GGA") != std::string::npos) ggaFirst++;
        if (rec.Kind() == '!') textEnd++;
        if (rec.StartsWith("{0")) segmentStarts++;
        readings += IsEm61Mk2Reading(rec);
        char letter;
        double value;
        // Sets 1 and 2 ("{a".."{h"): the first and third values are eastings.
        if (MapPointValue(rec, &letter, &value) && (letter == 'a' || letter == 'c' || letter == 'e' || letter == 'g'))
            eastings.push_back(value);
        if (MapPointValue(rec, &letter, &value) && letter >= 'e' && letter <= 'h') {
            set.push_back(value);
            if (letter == 'h' && set.size() == 4) {
                footprints++;
                EXPECT_NEAR(set[0], set[2], 0.1) << "footprint " << footprints << " across an eastward track";
                EXPECT_NEAR(set[1] - set[3], across, 0.1) << "footprint " << footprints << ": left end north";
            }
            if (letter == 'h') set.clear();
        }
    }
    EXPECT_GT(ggaFirst, 10) << "GGA sentences as text records";
    EXPECT_GE(textEnd, ggaFirst);
    EXPECT_GE(segmentStarts, 1);
    EXPECT_GT(readings, 20);
    EXPECT_GE(footprints, 3);
    ASSERT_GE(eastings.size(), 8u) << "map-point coordinate records";
    // Walking east: the footprint's eastings grow by about 8 m/s over the walk.
    EXPECT_GT(eastings.back() - eastings.front(), 20.0);
    int decreasing = 0;
    for (size_t i = 1; i < eastings.size(); i++) decreasing += eastings[i] < eastings[i - 1] - 1.0;
    EXPECT_LE(decreasing, 1);
}

// Jix EM61-MK2 with GPS: "&File" stays disabled until the first valid fix, then a survey with positions runs to
// its end and its file holds readings, GGA text records and map-point records.
TEST(MapFirstFix, FileWaitsForTheFirstFixThenASurveyWithPositionsRuns)
{
    std::string root = emu::MakeTempRoot("map_first_fix");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 255 100 50 20 letter=T"));
    ASSERT_TRUE(dev.ok("COM4 rate 5"));
    ASSERT_TRUE(dev.ok("COM6 value quality=0"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev, &root]() {
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(nColorMapView == 0);  // the logging line shows no colour map
        CHILD_CHECK(WaitNormalOperation(15000));
        PlatformPump(1500);
        Facts facts;
        facts.Set("fileEnabledWithoutFix", IsWindowEnabled(hwndLogButtons[0]) ? 1 : 0);
        facts.Set("validWithoutFix", bGpsPositionValid);
        CHILD_CHECK(dev.ok("COM6 value quality=1"));
        CHILD_CHECK(PlatformWaitFor([] { return IsWindowEnabled(hwndLogButtons[0]) != 0; }, 10000));
        CHILD_CHECK(bGpsPositionValid == 1);
        PlatformScriptFileChooser(L"C:\\data\\fix.P61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(dev.ok("COM6 walk 90 3 0"));
        PlatformPump(3000);
        std::string png = std::string(TEST_OUTPUT_DIR "/map_first_fix_track.png");
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, png));
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("fileEnabledWithoutFix"), 0) << "\"&File\" waits for the first valid fix";
    EXPECT_EQ(facts.Get("validWithoutFix"), 0);

    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/fix.P61"), 27, &tail);
    EXPECT_EQ(tail, 0u);
    ASSERT_FALSE(recs.empty());
    EXPECT_EQ(recs[0].bytes.substr(0, 15), "JIXMK2  W225GPS");
    int gga = 0, readings = 0, mapPoints = 0, started = 0, paused = 0;
    for (const Record &rec : recs) {
        gga += rec.Kind() == '@' && rec.bytes.find("GGA") != std::string::npos;
        readings += IsEm61Mk2Reading(rec);
        mapPoints += rec.Kind() == '{';
        started += rec.StartsWith("X$STARTED");
        paused += rec.StartsWith("XPAUSED");
    }
    EXPECT_EQ(started, 1);
    EXPECT_EQ(paused, 1);
    EXPECT_GT(readings, 20);
    EXPECT_GT(gga, 5);
    EXPECT_GT(mapPoints, 5);
}
