// Map review end to end: the real program (Zanth EM61-MK2) with the device emulator's instrument and walking GPS
// receiver. A survey is walked, paused and reviewed: the review buttons, pans by exactly the step (pictures of the
// map window compared pixel by pixel), zoom equal to a rebuild at the new size, fit, a channel chosen in review,
// leaving the review, logging resumed at the end of the file; a survey walked tiles away fitted; the refusals.
#include <gtest/gtest.h>

#include <algorithm>
#include <QImage>
#include <cstdlib>
#include <string>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_view.h"
#include "map/pens.h"
#include "processing/dispatch.h"
#include "processing/em61mk2_decode.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

enum { BTN_LEFT, BTN_RIGHT, BTN_UP, BTN_DOWN, BTN_ZOOM_IN, BTN_ZOOM_OUT, BTN_FIT, BTN_ENTER, BTN_EXIT };

// Channel values 255, 100, 50, 20 on the 0..500 scale: colour indexes 25 and 10.
const unsigned kRgbChannel1 = 0x40FF00u;  // aclrColorScale[25] as 0xRRGGBB

QImage MapPicture(const std::string &name)
{
    std::string png = std::string(TEST_OUTPUT_DIR "/") + name + ".png";
    if (!PlatformSaveWindowPng(hwndMap, png)) return QImage();
    return QImage(QString::fromStdString(png));
}

unsigned Rgb(const QImage &img, int x, int y) { return img.pixel(x, y) & 0xFFFFFFu; }

unsigned RgbOf(COLORREF c) { return (unsigned)((GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c)); }

// Pixels of `after` that differ from `before` moved by (dx, dy): after(x, y) against before(x + dx, y + dy) over the
// overlap within the w x h tile area the view copies (inside the window's one-pixel frame); *pnInk counts the overlap's non-white pixels (so that a blank
// picture does not pass).
long ShiftMismatches(const QImage &before, const QImage &after, int dx, int dy, int w, int h, long *pnInk)
{
    long nBad = 0;
    *pnInk = 0;
    for (int y = 1; y <= h && y < after.height(); y++)
        for (int x = 1; x <= w && x < after.width(); x++) {
            int bx = x + dx, by = y + dy;
            if (bx < 1 || by < 1 || bx > w || by > h) continue;
            nBad += Rgb(after, x, y) != Rgb(before, bx, by);
            *pnInk += Rgb(after, x, y) != 0xFFFFFFu;
        }
    return nBad;
}

long Differences(const QImage &a, const QImage &b)
{
    if (a.size() != b.size()) return -1;
    long n = 0;
    for (int y = 0; y < a.height(); y++)
        for (int x = 0; x < a.width(); x++) n += Rgb(a, x, y) != Rgb(b, x, y);
    return n;
}

// Pixels of one colour and their bounding box.
struct ColourBox {
    long n = 0;
    int minX = 1 << 30, maxX = -1, minY = 1 << 30, maxY = -1;
};
ColourBox FindColour(const QImage &img, unsigned rgb)
{
    ColourBox b;
    for (int y = 0; y < img.height(); y++)
        for (int x = 0; x < img.width(); x++)
            if (Rgb(img, x, y) == rgb) {
                b.n++;
                b.minX = std::min(b.minX, x), b.maxX = std::max(b.maxX, x);
                b.minY = std::min(b.minY, y), b.maxY = std::max(b.maxY, y);
            }
    return b;
}

// Pixels of a box of the logging screen that differ from the text alone, drawn in the font on the button face with
// its left edge at xText (the screen's coordinates); *pnInk counts the text's own pixels (so that an empty box
// does not pass).
long TextBoxMismatches(const RECT &rc, const wchar_t *szText, HFONT hFont, int xText, long *pnInk)
{
    const int w = rc.right - rc.left, h = rc.bottom - rc.top;
    *pnInk = 0;
    if (w <= 0 || h <= 0) return -1;
    HDC hdcRef = PlatformCreateMemorySurface(w + 1, h);
    RECT all = {0, 0, w + 1, h};
    FillRect(hdcRef, &all, hbrButtonFace);
    const COLORREF clrFace = GetPixel(hdcRef, w, 0);
    SetBkMode(hdcRef, TRANSPARENT);
    SelectObject(hdcRef, hFont);
    TextOut(hdcRef, xText - rc.left, 0, szText, (int)wcslen(szText));
    HDC hdcLog = GetDC(hwndLog);
    long nBad = 0;
    // A box that starts above the window (the title's cell reaches over the top edge) is compared where it is on it.
    for (int y = std::max(0, -(int)rc.top); y < h; y++)
        for (int x = 0; x < w; x++) {
            COLORREF ref = GetPixel(hdcRef, x, y);
            nBad += GetPixel(hdcLog, rc.left + x, rc.top + y) != ref;
            *pnInk += ref != clrFace;
        }
    ReleaseDC(hwndLog, hdcLog);
    DeleteDC(hdcRef);
    return nBad;
}

bool Shown(HWND h) { return h && IsWindowVisible(h) && IsWindowEnabled(h); }

// The emulator's EM61-MK2 reading 255, 100, 50, 20 five times its real rate and a receiver standing at a fixed place.
bool SetUpDevices(emu::Emulator &dev)
{
    return dev.ok("COM4 value 255 100 50 20 letter=T") && dev.ok("COM4 rate 5") &&
           dev.ok("COM6 position 45.5 -75.5") && dev.ok("COM6 walk 0 0");
}

// The program's settings for a colour map of channel 1 on the 0..500 scale, then Logging and the first fix.
void OpenLoggingScreenAtFirstFix()
{
    UseColourMapOfChannel1();
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(15000));
    CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 10000));
}

// A new data file and "&Go".
void NewFileAndGo(const wchar_t *szFile)
{
    PlatformScriptFileChooser(szFile);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
    PlatformPressKey('G');
    CHILD_CHECK(nRecordingState == 1);
}

// Walks until n more positions have arrived (bounded), then pauses.
void WalkAndPause(int nPositions, int ms)
{
    const long nTarget = nGpsSentenceCount + nPositions;
    CHILD_CHECK(PlatformWaitFor([nTarget] { return nGpsSentenceCount >= nTarget; }, ms));
    PlatformPressKey(kKeySpace);
    CHILD_CHECK(nRecordingState == -1);
}

}  // namespace

// A few hundred positions in lines, paused, then reviewed by key and buttons; every step checked on the pictures
// of the map window; leaving the review and "&Go" append after the last record.
TEST(MapReview, ReviewPanZoomFitChannelAndBack)
{
    std::string root = emu::MakeTempRoot("map_review");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=10"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(SetUpDevices(dev));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        OpenLoggingScreenAtFirstFix();
        NewFileAndGo(L"C:\\data\\review.T61");
        PlatformPump(1000);
        CHILD_CHECK(dev.ok("COM6 walk 90 10 24 3"));
        WalkAndPause(300, 60000);
        Facts facts;
        const std::string path = root + "/C/data/review.T61";
        const std::string bytesBefore = ReadFileBytes(path);
        const int nLiveCol = nViewTileCol, nLiveOffX = nViewTileOffsetX, nLiveOffY = nViewTileOffsetY;
        const int nCursorX = nCursorWndX, nCursorY = nCursorWndY;
        const double dLiveScale = dMapPixelsPerUnit;

        // Enter review by its key: the review buttons in place of the second row.
        PlatformPressKey('I');
        CHILD_CHECK(bMapReviewMode == 1);
        facts.Set("reviewButtons", Shown(hwndMapViewButtons[BTN_ZOOM_IN]) + Shown(hwndMapViewButtons[BTN_ZOOM_OUT]) +
                                       Shown(hwndMapViewButtons[BTN_FIT]) + Shown(hwndMapViewButtons[BTN_EXIT]));
        facts.Set("enterShown", IsWindowVisible(hwndMapViewButtons[BTN_ENTER]) ? 1 : 0);
        int nRowShown = 0;
        for (HWND h : hwndLogButtonsAlt) nRowShown += IsWindowVisible(h) ? 1 : 0;
        facts.Set("secondRowShown", nRowShown);
        long nInk = 0;
        facts.Set("reviewTitleBad",
                  TextBoxMismatches(rcMapChannelTitle, L"Review Ch1", hFontLight, rcMapChannelTitle.left, &nInk));
        facts.Set("reviewTitleInk", nInk);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/map_review_logging_screen.png")));

        // Positions keep arriving: neither view moves, the picture stays.
        QImage entered = MapPicture("map_review_entered");
        const int nBrowseOffX = nBrowseTileOffsetX, nBrowseOffY = nBrowseTileOffsetY;
        const double dEastBefore = dGpsPrevX, dNorthBefore = dGpsPrevY;
        PlatformPump(1500);
        facts.Set("positionsInReview", dGpsPrevX != dEastBefore || dGpsPrevY != dNorthBefore);
        facts.Set("liveViewMoved", nViewTileCol != nLiveCol || nViewTileOffsetX != nLiveOffX ||
                                       nViewTileOffsetY != nLiveOffY);
        facts.Set("reviewViewMoved", nBrowseTileOffsetX != nBrowseOffX || nBrowseTileOffsetY != nBrowseOffY);
        facts.Set("pictureChangedInReview", Differences(entered, MapPicture("map_review_waited")));

        // Pans: buttons and keys, each picture the last one moved by exactly the step.
        const int s = MapPanStep();
        facts.Set("step", s);
        facts.Set("stepExpected", (int)((0.05 + 1) * nCursorBandPixels * 0.1 - 0.5));
        const struct {
            const char *name;
            int button;  // -1: the key
            int key;
            int dx, dy;
        } pans[] = {
            {"right", BTN_RIGHT, 0, s, 0},
            {"left", -1, 0x25, -s, 0},
            {"up", BTN_UP, 0, 0, -s},
            {"down", -1, 'D', 0, s},
        };
        QImage last = entered;
        for (const auto &p : pans) {
            if (p.button >= 0)
                PlatformClickButton(hwndMapViewButtons[p.button]);
            else
                PlatformPressKey(p.key);
            QImage now = MapPicture(std::string("map_review_pan_") + p.name);
            nInk = 0;
            facts.Set(std::string("panBad_") + p.name,
                      ShiftMismatches(last, now, p.dx, p.dy, nTileWidth, nTileHeight, &nInk));
            facts.Set(std::string("panInk_") + p.name, nInk);
            facts.Set(std::string("panMoved_") + p.name, Differences(last, now));
            last = now;
        }

        // Zoom in: 38 m a tile shown right-aligned in its box, the picture that of a rebuild of the file at that
        // size from no tiles at all.
        PlatformClickButton(hwndMapViewButtons[BTN_ZOOM_IN]);
        facts.Set("zoomInSize", nMapSize);
        {
            HDC hdcLog = GetDC(hwndLog);
            SelectObject(hdcLog, hFontNormal);
            SIZE size = {0, 0};
            GetTextExtentPoint32(hdcLog, L"Map Size:   38 m", 16, &size);
            ReleaseDC(hwndLog, hdcLog);
            facts.Set("sizeTextBad", TextBoxMismatches(rcMapSizeText, L"Map Size:   38 m", hFontNormal,
                                                        rcMapSizeText.right - size.cx, &nInk));
            facts.Set("sizeTextInk", nInk);
        }
        QImage zoomed = MapPicture("map_review_zoom_in");
        FreeMapTiles();
        ComputeMapDirection();
        CreateMapTiles(2);
        RebuildMapForInstrument();
        BlitMapView(nBrowseTileCol, nBrowseTileRow, nBrowseTileOffsetX, nBrowseTileOffsetY);
        QImage rebuilt = MapPicture("map_review_zoom_in_rebuilt");
        facts.Set("zoomVsRebuild", Differences(zoomed, rebuilt));
        facts.Set("zoomInk", FindColour(zoomed, kRgbChannel1).n);
        PlatformClickButton(hwndMapViewButtons[BTN_ZOOM_OUT]);
        facts.Set("zoomOutSize", nMapSize);
        // The plus and minus keys, of the main block and of the keypad.
        const int anKey[4] = {VK_OEM_PLUS, VK_ADD, VK_OEM_MINUS, VK_SUBTRACT};
        for (int i = 0; i < 4; i++) {
            PlatformPressKey(anKey[i]);
            facts.Set("keySize" + std::to_string(i), nMapSize);
        }

        // Fit: the whole walk inside the window.
        PlatformClickButton(hwndMapViewButtons[BTN_FIT]);
        const double dSpan = std::max(dExtentMaxX - dExtentMinX, dExtentMaxY - dExtentMinY);
        facts.Set("fitSize", nMapSize);
        facts.Set("fitExpected", FittedMapSize(dSpan, nCursorBand));
        QImage fitted = MapPicture("map_review_fit");
        ColourBox box = FindColour(fitted, kRgbChannel1);
        facts.Set("fitInk", box.n);
        facts.Set("fitMargin", std::min(std::min(box.minX, box.minY),
                                        std::min(fitted.width() - 1 - box.maxX, fitted.height() - 1 - box.maxY)));
        facts.Set("fitWide", box.maxX - box.minX);
        facts.Set("mapWidth", fitted.width());

        // A channel box in review: channel 2 at once in the review view, in the colour of its readings (about
        // 100, colour index 9 or 10).
        PlatformClickButton(hwndChannelBoxes[1]);
        facts.Set("reviewChannel", nColorMapView);
        QImage channel2 = MapPicture("map_review_channel_2");
        facts.Set("channel2Ink", FindColour(channel2, RgbOf(aclrColorScale[9])).n +
                                     FindColour(channel2, RgbOf(aclrColorScale[10])).n);
        facts.Set("channel1InkLeft", FindColour(channel2, kRgbChannel1).n);

        // Exit review: size, scale and channel back, the second row back, the live view re-centred at the next
        // position with the cursor where it was. The receiver stands still from here, so that no later position
        // moves the cursor before it is looked at.
        CHILD_CHECK(dev.ok("COM6 walk 0 0"));
        double dLastEast = dGpsPrevX;
        DWORD dwLastMove = GetTickCount();
        CHILD_CHECK(PlatformWaitFor([&dLastEast, &dwLastMove] {
            if (dGpsPrevX != dLastEast) dLastEast = dGpsPrevX, dwLastMove = GetTickCount();
            return GetTickCount() - dwLastMove > 500;  // five fixes at the same place
        }, 10000));
        PlatformClickButton(hwndMapViewButtons[BTN_EXIT]);
        facts.Set("exitReview", bMapReviewMode);
        facts.Set("exitSize", nMapSize);
        facts.Set("exitScaleSame", dMapPixelsPerUnit == dLiveScale);
        facts.Set("exitChannel", nColorMapView);
        nRowShown = 0;
        for (HWND h : hwndLogButtonsAlt) nRowShown += Shown(h) ? 1 : 0;
        facts.Set("exitSecondRow", nRowShown);
        facts.Set("exitZoomShown", IsWindowVisible(hwndMapViewButtons[BTN_ZOOM_IN]) ? 1 : 0);
        facts.Set("exitEnterShown", IsWindowVisible(hwndMapViewButtons[BTN_ENTER]) ? 1 : 0);
        CHILD_CHECK(bRecentreMap == 1);
        CHILD_CHECK(PlatformWaitFor([] { return bRecentreMap == 0; }, 5000));
        facts.Set("cursorKeptX", nCursorWndX == nCursorX);
        facts.Set("cursorKeptY", nCursorWndY == nCursorY);
        HDC hdc = GetDC(hwndMap);
        facts.Set("crossHair", GetPixel(hdc, nCursorWndX - 3, nCursorWndY) == clrCursor &&
                                   GetPixel(hdc, nCursorWndX, nCursorWndY + 3) == clrCursor);
        ReleaseDC(hwndMap, hdc);

        // "&Go": logging resumes and appends after the last record of before the review.
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(2000);
        PauseAndStop();
        const std::string bytesAfter = ReadFileBytes(path);
        facts.Set("sizeBefore", (long long)bytesBefore.size());
        facts.Set("sizeAfter", (long long)bytesAfter.size());
        facts.Set("prefixKept", bytesAfter.compare(0, bytesBefore.size(), bytesBefore) == 0);
        CHILD_CHECK(facts.Save(FactsPath(root)));
        CloseProgram();
        return 0;
    }, 180);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts f = Facts::Load(FactsPath(root));

    EXPECT_EQ(f.Get("reviewButtons"), 4) << "\"Zm&+\", \"Zm&-\", \"&Fit All\" and \"&Exit Review\" shown and enabled";
    EXPECT_EQ(f.Get("enterShown"), 0);
    EXPECT_EQ(f.Get("secondRowShown"), 0);
    EXPECT_EQ(f.Get("reviewTitleBad"), 0) << "the title in its review form";
    EXPECT_GT(f.Get("reviewTitleInk"), 20);
    EXPECT_EQ(f.Get("positionsInReview"), 1) << "positions arrived during the review";
    EXPECT_EQ(f.Get("liveViewMoved"), 0);
    EXPECT_EQ(f.Get("reviewViewMoved"), 0);
    EXPECT_EQ(f.Get("pictureChangedInReview"), 0);

    EXPECT_EQ(f.Get("step"), f.Get("stepExpected"));
    EXPECT_GT(f.Get("step"), 0);
    for (const char *name : {"right", "left", "up", "down"}) {
        EXPECT_EQ(f.Get(std::string("panBad_") + name), 0) << name;
        EXPECT_GT(f.Get(std::string("panInk_") + name), 500) << name << ": the picture holds the survey";
        EXPECT_GT(f.Get(std::string("panMoved_") + name), 100) << name << ": the picture moved";
    }

    EXPECT_EQ(f.Get("zoomInSize"), 38);
    EXPECT_EQ(f.Get("zoomVsRebuild"), 0);
    EXPECT_GT(f.Get("zoomInk"), 500);
    EXPECT_EQ(f.Get("zoomOutSize"), 40);
    EXPECT_EQ(f.Get("sizeTextBad"), 0) << "\"Map Size:   38 m\" right-aligned in its box";
    EXPECT_GT(f.Get("sizeTextInk"), 30);
    EXPECT_EQ(f.Get("keySize0"), 38);
    EXPECT_EQ(f.Get("keySize1"), 36);
    EXPECT_EQ(f.Get("keySize2"), 38);
    EXPECT_EQ(f.Get("keySize3"), 40);

    EXPECT_EQ(f.Get("fitSize"), f.Get("fitExpected"));
    EXPECT_GT(f.Get("fitInk"), 500);
    EXPECT_GE(f.Get("fitMargin"), 3) << "the whole walk inside the window";
    EXPECT_GT(f.Get("fitWide"), f.Get("mapWidth") / 2) << "and filling a good part of it";

    EXPECT_EQ(f.Get("reviewChannel"), 2);
    EXPECT_GT(f.Get("channel2Ink"), 500);
    EXPECT_EQ(f.Get("channel1InkLeft"), 0);

    EXPECT_EQ(f.Get("exitReview"), 0);
    EXPECT_EQ(f.Get("exitSize"), 40);
    EXPECT_EQ(f.Get("exitScaleSame"), 1);
    EXPECT_EQ(f.Get("exitChannel"), 1);
    EXPECT_EQ(f.Get("exitSecondRow"), 4);
    EXPECT_EQ(f.Get("exitZoomShown"), 0);
    EXPECT_EQ(f.Get("exitEnterShown"), 1);
    EXPECT_EQ(f.Get("cursorKeptX"), 1);
    EXPECT_EQ(f.Get("cursorKeptY"), 1);
    EXPECT_EQ(f.Get("crossHair"), 1);

    EXPECT_GT(f.Get("sizeAfter"), f.Get("sizeBefore") + 27 * 10) << "readings written after the review";
    EXPECT_EQ(f.Get("prefixKept"), 1) << "nothing written before the file's end";
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/review.T61"), 27, &tail);
    EXPECT_EQ(tail, 0u);
    int started = 0, readingsAfterResume = 0;
    for (const Record &rec : recs) {
        started += rec.StartsWith("X$STARTED");
        if (started == 2) readingsAfterResume += IsEm61Mk2Reading(rec);
    }
    EXPECT_EQ(started, 2);
    EXPECT_GT(readingsAfterResume, 10);
}

// Before a data file neither the review nor a pan does anything; a survey walked several tiles east of its first
// fix is fitted whole by the F key in review, and E leaves the review with the size of before.
TEST(MapReview, RefusedWithoutAFileAndAFarSurveyFitted)
{
    std::string root = emu::MakeTempRoot("map_review_far");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=10"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(SetUpDevices(dev));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        Facts facts;
        OpenLoggingScreenAtFirstFix();
        PlatformPump(500);
        // Monitoring, no data file: I and the arrow keys do nothing.
        const int nOffX = nViewTileOffsetX, nOffY = nViewTileOffsetY, nCol = nViewTileCol;
        PlatformPressKey('I');
        PlatformPressKey(0x25);
        PlatformPressKey(0x26);
        facts.Set("reviewWithoutFile", bMapReviewMode);
        facts.Set("panWithoutFile", nViewTileOffsetX != nOffX || nViewTileOffsetY != nOffY || nViewTileCol != nCol);

        NewFileAndGo(L"C:\\data\\far.T61");
        const double dStartEast = dGpsPrevX;
        CHILD_CHECK(dev.ok("COM6 walk 90 40 0"));
        CHILD_CHECK(PlatformWaitFor([dStartEast] { return dGpsPrevX - dStartEast > 320.0; }, 30000));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(dev.ok("COM6 walk 0 0"));
        facts.Set("tilesEast", (long long)((dExtentMaxX - dExtentMinX) / nMapSize));

        PlatformPressKey('I');
        CHILD_CHECK(bMapReviewMode == 1);
        PlatformPressKey('F');
        facts.Set("fitSize", nMapSize);
        facts.Set("fitExpected", FittedMapSize(std::max(dExtentMaxX - dExtentMinX, dExtentMaxY - dExtentMinY),
                                               nCursorBand));
        QImage fitted = MapPicture("map_review_far_fit");
        ColourBox box = FindColour(fitted, kRgbChannel1);
        facts.Set("fitInk", box.n);
        facts.Set("fitMargin", std::min(std::min(box.minX, box.minY),
                                        std::min(fitted.width() - 1 - box.maxX, fitted.height() - 1 - box.maxY)));
        facts.Set("fitRight", box.maxX);
        facts.Set("mapWidth", fitted.width());
        PlatformPressKey('E');
        facts.Set("exitReview", bMapReviewMode);
        facts.Set("exitSize", nMapSize);
        return StopSavingFacts(facts, root);
    }, 150);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts f = Facts::Load(FactsPath(root));
    EXPECT_EQ(f.Get("reviewWithoutFile"), 0);
    EXPECT_EQ(f.Get("panWithoutFile"), 0);
    EXPECT_GE(f.Get("tilesEast"), 8) << "the survey reaches several tiles east of its first fix";
    EXPECT_EQ(f.Get("fitSize"), f.Get("fitExpected"));
    EXPECT_GT(f.Get("fitInk"), 150);
    EXPECT_GE(f.Get("fitMargin"), 3) << "the whole walk inside the window";
    EXPECT_GT(f.Get("fitRight"), f.Get("mapWidth") * 3 / 4) << "the far end of the walk is shown";
    EXPECT_EQ(f.Get("exitReview"), 0);
    EXPECT_EQ(f.Get("exitSize"), 40);
}

// The logging line has no review: I does nothing with a file open, while the arrow keys pan the live view.
TEST(MapReview, LoggingLineHasNoReviewButPans)
{
    std::string root = emu::MakeTempRoot("map_review_jix");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 rate 5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&root]() {
        Facts facts;
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        PlatformPressKey('L');
        CHILD_CHECK(WaitNormalOperation(15000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 10000));
        PlatformScriptFileChooser(L"C:\\data\\jix.P61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('I');
        facts.Set("review", bMapReviewMode);
        facts.Set("enterShown", IsWindowVisible(hwndMapViewButtons[BTN_ENTER]) ? 1 : 0);
        const long long nLeft = (long long)nViewTileCol * nTileWidth + nViewTileOffsetX;
        const int nViewLeftBefore = nViewLeft;
        PlatformPressKey(0x25);
        facts.Set("panned", (long long)nViewTileCol * nTileWidth + nViewTileOffsetX - nLeft);
        facts.Set("viewLeftMoved", nViewLeft - nViewLeftBefore);
        facts.Set("step", MapPanStep());
        return StopSavingFacts(facts, root);
    }, 90);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts f = Facts::Load(FactsPath(root));
    EXPECT_EQ(f.Get("review"), 0);
    EXPECT_EQ(f.Get("enterShown"), 0);
    EXPECT_GT(f.Get("step"), 0);
    EXPECT_EQ(f.Get("panned"), -f.Get("step"));
    EXPECT_EQ(f.Get("viewLeftMoved"), -f.Get("step"));
}
