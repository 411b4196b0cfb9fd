// Background files end to end: the real Zanth and Jix programs with the device emulator's EM61-MK2 and GPS
// receiver on pseudo-terminals, the load and remove dialogs and the file chooser answered by the test; the map
// window's picture, the slots and the temporary files.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "background/background_files.h"
#include "background/background_state.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "dialogs/background_dialogs.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/map_view.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

const unsigned kBackgroundRgb = 0x202020;

struct LoadChoice {
    int type, style, coord, colY, colX, delim, colLabel;
};

// The instrument reads a fixed value; the receiver stands at 45.5 N, 75.5 W.
bool StandStill(emu::Emulator &dev)
{
    return dev.ok("COM4 value 255 100 50 20 letter=T") && dev.ok("COM6 position 45.5 -75.5") && dev.ok("COM6 walk 0 0");
}

// The next load dialog is answered with these choices and OK; the chooser then gives the file.
// A key code given in nKeyFirst reaches the dialog before the choices.
void ScriptLoad(const LoadChoice &c, const std::wstring &file, int nKeyFirst = 0)
{
    PlatformScriptDialog(bJixProduct ? L"BACKGROUNDFILELOAD" : L"BACKGROUNDFILELOADZN", [c, nKeyFirst](HWND d) {
        if (nKeyFirst) SendMessage(d, WM_KEYDOWN, (WPARAM)nKeyFirst, 0);
        PlatformPickListItem(d, IDC_BG_FILE_TYPE, c.type);
        PlatformPickListItem(d, IDC_BG_DISPLAY_STYLE, c.style);
        if (c.type != 0) {
            PlatformPickListItem(d, IDC_BG_COORD_TYPE, c.coord);
            PlatformPickListItem(d, IDC_BG_COLUMN_Y, c.colY);
            PlatformPickListItem(d, IDC_BG_COLUMN_X, c.colX);
            PlatformPickListItem(d, IDC_BG_DELIMITER, c.delim);
            if (c.type == 2) PlatformPickListItem(d, IDC_BG_COLUMN_LABEL, c.colLabel);
        }
        PlatformPressDialogButton(d, IDOK);
    });
    if (!file.empty()) PlatformScriptFileChooser(file);
}

// Load command by its key, then the dialogs it opened are all done.
void LoadBackground(const LoadChoice &c, const std::wstring &file)
{
    ScriptLoad(c, file);
    PlatformPressKey('V');
    PlatformPump(200);
}

void WriteText(const std::string &path, const std::string &text)
{
    std::ofstream out(path, std::ios::binary);
    out << text;
}

std::string PointLine(double e, double n, const char *sep, const std::string &label = "")
{
    char s[128];
    snprintf(s, sizeof s, "%.3f%s%.3f", e, sep, n);
    return std::string(s) + (label.empty() ? "" : std::string(sep) + label) + "\r\n";
}

// Window pixel of a map point in the view shown (the review view in review).
void WindowOf(double x, double y, int *wx, int *wy)
{
    int px, py, px2, py2, c, r, ox, oy;
    WorldToMapPixels(&px, &py, &px2, &py2, x, y, x, y);
    MapPixelToTile(px, py, &c, &r, &ox, &oy);
    const int col = bMapReviewMode ? nBrowseTileCol : nViewTileCol;
    const int row = bMapReviewMode ? nBrowseTileRow : nViewTileRow;
    const int offX = bMapReviewMode ? nBrowseTileOffsetX : nViewTileOffsetX;
    const int offY = bMapReviewMode ? nBrowseTileOffsetY : nViewTileOffsetY;
    *wx = (c - col) * nTileWidth + ox - offX;
    *wy = (row - r) * nTileHeight + oy - offY;
}

QImage MapPicture(const std::string &name)
{
    std::string png = std::string(TEST_OUTPUT_DIR "/") + name + ".png";
    if (!PlatformSaveWindowPng(hwndMap, png)) return QImage();
    return QImage(QString::fromStdString(png));
}

// Background-coloured pixels within r pixels of the map point; -1 when it lies outside the window.
int BackgroundNear(const QImage &img, double x, double y, int r = 3)
{
    int wx, wy;
    WindowOf(x, y, &wx, &wy);
    if (wx < r || wy < r || wx >= img.width() - r || wy >= img.height() - r) return -1;
    int n = 0;
    for (int j = -r; j <= r; j++)
        for (int i = -r; i <= r; i++) n += (img.pixel(wx + i, wy + j) & 0xFFFFFFu) == kBackgroundRgb;
    return n;
}

std::vector<std::string> TempBackgroundFiles(const std::string &root)
{
    std::vector<std::string> names;
    DIR *d = opendir((root + "/C/ProgramData/Ulvane/Temp").c_str());
    if (!d) return names;
    while (dirent *e = readdir(d)) {
        std::string n = e->d_name;
        if (n.find(".$") != std::string::npos) names.push_back(n);
    }
    closedir(d);
    return names;
}

// The logging screen of the build with the emulator's ports, a first fix received and (optionally) a data file
// open in stand-by.
void StartSurvey(bool bFile, int nSize)
{
    UseEmulatorPorts(true);
    nGpsFormat = 1;
    nColorMapView = 0;
    nMapSize = nSize;
    dGpsOffsetX = dGpsOffsetY = 0.0;
    PlatformAnswerDialog(L"MESSAGEOK", 1, true);
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(15000));
    CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 10000));
    PlatformPump(1000);
    if (bFile) {
        PlatformScriptFileChooser(L"C:\\data\\survey.T61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
    }
}

// The end of a session without a data file: the facts saved, the logging screen closed by "E&xit", the program
// closed.
int StopMonitoringSavingFacts(const Facts &facts, const std::string &root)
{
    CHILD_CHECK(facts.Save(FactsPath(root)));
    PlatformPressKey('X');
    CHILD_CHECK(nRecordingState == -2);
    CloseProgram();
    return 0;
}

}  // namespace

// Zanth EM61-MK2 standing still: files loaded as labelled symbols and as joined lines lie under the survey; a file
// with points off the grid draws the others and reports the counts; a file of comments and a file of points all
// off the grid use no slot; a zoom, the map options and the end of the review draw every file again; two of four
// files are removed and the others keep their styles; a shorter file under a stale temporary name shows only its
// own points; stopping deletes every temporary file.
TEST(BackgroundFiles, LoadDrawRedrawRemoveAndStop)
{
    std::string root = emu::MakeTempRoot("background_files");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(StandStill(dev));
    ChildResult r = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        StartSurvey(true, 60);
        Facts facts;
        const double E = dGpsPrevX, N = dGpsPrevY;
        const std::string data = root + "/C/data/";
        // Ten labelled points, three of them 500 km east (off the tile grid).
        std::string pts = "/ easting,northing,label\r\n";
        for (int k = 0; k < 7; k++) pts += PointLine(E - 15 + 5 * k, N + 10, ",", "P" + std::to_string(k));
        for (int k = 0; k < 3; k++) pts += PointLine(E + 500000 + k, N, ",", "FAR");
        WriteText(data + "pts.txt", pts);
        // A line 10 m south, blank-delimited with runs of blanks.
        std::string line;
        for (int k = 0; k < 5; k++) line += "  " + PointLine(E - 20 + 10 * k, N - 10, "    ");
        WriteText(data + "line.txt", line);
        WriteText(data + "comments.txt", "/ only a comment\r\n/ and another\r\n");
        std::string far;
        for (int k = 0; k < 4; k++) far += PointLine(E + 600000, N + k, ",");
        WriteText(data + "far.txt", far);
        WriteText(data + "d3.txt", PointLine(E - 10, N + 20, ",") + PointLine(E + 10, N + 20, ","));
        WriteText(data + "d4.txt", PointLine(E - 10, N - 20, ",") + PointLine(E + 10, N - 20, ","));

        const LoadChoice labelled = {2, 4, 1, 0, 1, 1, 2};  // medium squares with labels, UTM metres, comma
        const LoadChoice lines = {1, 10, 1, 0, 1, 0, 2};    // medium line, blank delimiter
        const LoadChoice thinLines = {1, 9, 1, 0, 1, 1, 2};
        const LoadChoice dots = {1, 0, 1, 0, 1, 1, 2};

        PlatformClearShownDialogs();
        LoadBackground(labelled, L"C:\\data\\pts.txt");
        CHILD_CHECK(nBackgroundFileCount == 1);
        facts.Set("countsBox", ShownWith(L"WARNING", L"Number of points in background file: 10\r\n"
                                                     L"Number of invalid points: 3\r\n"));
        LoadBackground(lines, L"C:\\data\\line.txt");
        CHILD_CHECK(nBackgroundFileCount == 2);
        facts.Set("folder", wcscmp(szBackgroundFolder, L"C:\\data\\") == 0);

        PlatformClearShownDialogs();
        LoadBackground(dots, L"C:\\data\\comments.txt");
        facts.Set("commentsFileError", ShownWith(L"FILE ERROR", L"Check background file structure."));
        facts.Set("countAfterComments", nBackgroundFileCount);
        LoadBackground(thinLines, L"C:\\data\\far.txt");
        facts.Set("farStop", ShownWith(L"STOP", L"All points in background file are invalid\r\n"));
        facts.Set("countAfterFar", nBackgroundFileCount);
        facts.Set("tempAfterFailures", (long long)TempBackgroundFiles(root).size());

        // A short walk south while logging draws the track across the line; the pause brings stand-by back.
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        // Three positions of the walk plotted, however slowly a loaded machine takes them.
        const int nBeforeWalk = nGpsPositionCount;
        CHILD_CHECK(dev.ok("COM6 walk 180 5"));
        CHILD_CHECK(PlatformWaitFor([&] { return nGpsPositionCount >= nBeforeWalk + 3; }, 30000));
        CHILD_CHECK(dev.ok("COM6 walk 0 0"));
        PlatformPump(300);
        QImage img = MapPicture("background_symbols_and_lines_under_the_track");
        CHILD_CHECK(!img.isNull());
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        int nTrack = 0;
        for (int y = 0; y < img.height(); y++)
            for (int x = 0; x < img.width(); x++) nTrack += (img.pixel(x, y) & 0xFFFFFFu) == 0x0000FFu;
        facts.Set("trackPixels", nTrack);
        int nPtsSeen = 0, nLineSeen = 0;
        for (int k = 0; k < 7; k++) nPtsSeen += BackgroundNear(img, E - 15 + 5 * k, N + 10) > 0;
        for (int k = 0; k < 4; k++) nLineSeen += BackgroundNear(img, E - 15 + 10 * k, N - 10, 1) > 0;
        facts.Set("ptsSeen", nPtsSeen);
        facts.Set("lineSeen", nLineSeen);  // between the line's points: the segments
        facts.Set("nothingAtPosition", BackgroundNear(img, E, N, 2));

        LoadBackground(dots, L"C:\\data\\d3.txt");
        LoadBackground(dots, L"C:\\data\\d4.txt");
        CHILD_CHECK(nBackgroundFileCount == 4);

        // Review and zoom: the base layer rebuilt, every file drawn again.
        PlatformPressKey('I');
        CHILD_CHECK(bMapReviewMode == 1);
        PlatformPressKey(VK_OEM_PLUS);
        PlatformPump(300);
        img = MapPicture("background_after_zoom");
        auto seenAll = [&](const QImage &im) {
            int n = 0;
            n += BackgroundNear(im, E - 5, N + 10) > 0;
            n += BackgroundNear(im, E - 5, N - 10, 1) > 0;
            n += BackgroundNear(im, E - 10, N + 20) > 0;
            n += BackgroundNear(im, E - 10, N - 20) > 0;
            return n;
        };
        facts.Set("seenAfterZoom", seenAll(img));
        // The map options' grid change rebuilds the base layer too.
        ClearMapWindow(hwndMap);
        ActOnRedrawFlags(REDRAW_GRID_MODE);
        BlitMapView(nBrowseTileCol, nBrowseTileRow, nBrowseTileOffsetX, nBrowseTileOffsetY);
        facts.Set("seenAfterOptions", seenAll(MapPicture("background_after_map_options")));
        PlatformPressKey('E');  // the review ends: the map rebuilt in mode 2
        CHILD_CHECK(bMapReviewMode == 0);
        PlatformPump(300);
        BlitMapView(nViewTileCol, nViewTileRow, nViewTileOffsetX, nViewTileOffsetY);
        facts.Set("seenAfterReview", seenAll(MapPicture("background_after_review")));

        // Remove the second and third (line.txt, d3.txt).
        std::wstring tempLine = aszBackgroundTempFile[1], tempD3 = aszBackgroundTempFile[2];
        PlatformScriptDialog(L"BACKGROUNDFILEREMOVE", [](HWND d) {
            PlatformSetDialogCheck(d, IDC_BG_REMOVE_TICK_FIRST + 1, true);
            PlatformSetDialogCheck(d, IDC_BG_REMOVE_TICK_FIRST + 2, true);
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformScriptPopupMenu(519);
        PlatformPressKey('M');
        PlatformPump(300);
        facts.Set("countAfterRemove", nBackgroundFileCount);
        facts.Set("keptNames", wcscmp(aszBackgroundFileName[0], L"pts.txt") == 0 &&
                                   wcscmp(aszBackgroundFileName[1], L"d4.txt") == 0);
        facts.Set("keptStyles", aBgSlotStyle[0] == 4 && aBgSlotStyle[1] == 0);
        facts.Set("keptTypes", aBgSlotFileType[0] == 2 && aBgSlotFileType[1] == 1);
        facts.Set("freedEmpty", aszBackgroundFileName[2][0] == 0 && aszBackgroundTempFile[3][0] == 0);
        std::string tempDir = root + "/C/ProgramData/Ulvane/Temp/";
        facts.Set("removedDeleted", !std::ifstream(tempDir + std::string(tempLine.begin(), tempLine.end())).good() &&
                                        !std::ifstream(tempDir + std::string(tempD3.begin(), tempD3.end())).good());
        img = MapPicture("background_after_remove");
        facts.Set("removedGone", BackgroundNear(img, E - 5, N - 10, 1) == 0 && BackgroundNear(img, E - 10, N + 20) == 0);
        facts.Set("keptShown", BackgroundNear(img, E - 5, N + 10) > 0 && BackgroundNear(img, E - 10, N - 20) > 0);

        // A stale temporary file of the name the next load gets: 40 points north-east; the new file has two.
        std::string stale;
        char rec[BG_RECORD_LEN + 1];
        for (int k = 0; k < 40; k++) {
            FormatBackgroundRecord(rec, E + 20, N + 5 + k * 0.1, 0, nullptr);
            stale += std::string(rec, BG_RECORD_LEN);
        }
        WriteText(tempDir + "shorttxt.$02", stale);
        WriteText(data + "short.txt", PointLine(E - 20, N + 25, ",") + PointLine(E - 18, N + 25, ","));
        LoadBackground(dots, L"C:\\data\\short.txt");
        facts.Set("shortName", wcscmp(aszBackgroundTempFile[2], L"shorttxt.$02") == 0);
        PlatformPressKey('I');
        PlatformPressKey(VK_OEM_MINUS);
        PlatformPump(300);
        img = MapPicture("background_shorter_file_after_zoom");
        facts.Set("shortShown", BackgroundNear(img, E - 20, N + 25) > 0);
        facts.Set("staleShown", BackgroundNear(img, E + 20, N + 7));
        PlatformPressKey('E');
        facts.Set("tempBeforeStop", (long long)TempBackgroundFiles(root).size());
        return StopSavingFacts(facts, root);
    }, 180);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("countsBox"), 1) << "10 points, 3 invalid";
    EXPECT_EQ(facts.Get("folder"), 1);
    EXPECT_EQ(facts.Get("commentsFileError"), 1);
    EXPECT_EQ(facts.Get("countAfterComments"), 2);
    EXPECT_EQ(facts.Get("farStop"), 1);
    EXPECT_EQ(facts.Get("countAfterFar"), 2);
    EXPECT_EQ(facts.Get("tempAfterFailures"), 2) << "failed loads leave no temporary file";
    EXPECT_GT(facts.Get("trackPixels"), 20) << "the walk's track on the same map";
    EXPECT_EQ(facts.Get("ptsSeen"), 7);
    EXPECT_EQ(facts.Get("lineSeen"), 4);
    EXPECT_EQ(facts.Get("nothingAtPosition"), 0);
    EXPECT_EQ(facts.Get("seenAfterZoom"), 4);
    EXPECT_EQ(facts.Get("seenAfterOptions"), 4);
    EXPECT_EQ(facts.Get("seenAfterReview"), 4);
    EXPECT_EQ(facts.Get("countAfterRemove"), 2);
    EXPECT_EQ(facts.Get("keptNames"), 1);
    EXPECT_EQ(facts.Get("keptStyles"), 1);
    EXPECT_EQ(facts.Get("keptTypes"), 1);
    EXPECT_EQ(facts.Get("freedEmpty"), 1);
    EXPECT_EQ(facts.Get("removedDeleted"), 1);
    EXPECT_EQ(facts.Get("removedGone"), 1);
    EXPECT_EQ(facts.Get("keptShown"), 1);
    EXPECT_EQ(facts.Get("shortName"), 1);
    EXPECT_EQ(facts.Get("shortShown"), 1);
    EXPECT_EQ(facts.Get("staleShown"), 0) << "nothing of the older file of the same name";
    EXPECT_EQ(facts.Get("tempBeforeStop"), 3);
    EXPECT_TRUE(TempBackgroundFiles(root).empty()) << "stopping deletes every temporary file";
}

// Zanth EM61-MK2: a survey walked north through the emulator with the antenna 2 m ahead of the sensor is recorded;
// a later session lays its data file under the map as a thin line: the line lies on the walk and ends 2 m behind
// the last position. The label checks show their texts.
TEST(BackgroundFiles, EarlierDataFileDrawnWhereItWasWalked)
{
    std::string root = emu::MakeTempRoot("background_datafile");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(StandStill(dev));
    ChildResult r1 = RunProgramInChild(StartIn(root, 0), [&dev, &root]() {
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nColorMapView = 0;
        nMapSize = 40;
        dGpsOffsetX = 0.0;
        dGpsOffsetY = 2.0;
        PlatformPressKey('L');
        CHILD_CHECK(WaitNormalOperation(15000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 10000));
        PlatformScriptFileChooser(L"C:\\data\\walk1.T61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(1000);
        Facts facts;
        facts.Set("firstNmm", std::llround(dGpsPrevY * 1000));
        CHILD_CHECK(dev.ok("COM6 walk 0 2"));
        PlatformPump(5000);
        CHILD_CHECK(dev.ok("COM6 walk 0 0"));
        PlatformPump(1500);
        facts.Set("lastEmm", std::llround(dGpsPrevX * 1000));
        facts.Set("lastNmm", std::llround(dGpsPrevY * 1000));
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r1.exited);
    ASSERT_EQ(r1.exitCode, 0);
    Facts walk = Facts::Load(FactsPath(root));
    const double E = walk.Get("lastEmm") / 1000.0, N1 = walk.Get("lastNmm") / 1000.0, N0 = walk.Get("firstNmm") / 1000.0;
    ASSERT_GT(N1 - N0, 6.0) << "the walk went north";
    // The offset as the file's header holds it.
    std::string bytes = ReadFileBytes(root + "/C/data/walk1.T61");
    ASSERT_GT(bytes.size(), 81u);
    const double Y = std::atof(bytes.substr(27 * 2 + 8, 7).c_str());
    ASSERT_NEAR(Y, 2.0, 1e-6);

    ChildResult r2 = RunProgramInChild(StartIn(root, 0), [&root, E, N0, N1, Y]() {
        StartSurvey(false, 40);
        Facts facts;
        PlatformClearShownDialogs();
        LoadBackground({0, 9, 1, 0, 1, 1, 2}, L"C:\\data\\walk1.T61");
        facts.Set("count", nBackgroundFileCount);
        facts.Set("type", aBgSlotFileType[0]);
        QImage img = MapPicture("background_earlier_survey_track");
        CHILD_CHECK(!img.isNull());
        int nOnTrack = 0, nSamples = 0;
        for (double n = N0 + 0.5; n <= N1 - Y - 0.5; n += 0.5, nSamples++) nOnTrack += BackgroundNear(img, E, n, 2) > 0;
        facts.Set("onTrack", nOnTrack);
        facts.Set("samples", nSamples);
        facts.Set("behindLast", BackgroundNear(img, E, N1 - Y, 3) > 0);
        facts.Set("gapAtAntenna", BackgroundNear(img, E, N1 - 0.6, 2));
        facts.Set("besideTrack", BackgroundNear(img, E + 3.0, (N0 + N1) / 2, 2));

        // The label checks, each with its own text.
        PlatformClearShownDialogs();
        LoadBackground({2, 0, 1, 0, 1, 1, 0}, L"");
        facts.Set("lonLabel", ShownWith(L"COORDINATES ERROR", L"Same column selected for Longitude and Label. Please correct."));
        LoadBackground({2, 0, 1, 0, 1, 1, 1}, L"");
        facts.Set("latLabel", ShownWith(L"COORDINATES ERROR", L"Same column selected for Latitude and Label. Please correct."));
        LoadBackground({2, 0, 1, 1, 1, 1, 2}, L"");
        facts.Set("utmSame", ShownWith(L"COORDINATES ERROR", L"Same column selected for UTM coordinates. Please correct."));
        LoadBackground({1, 0, 0, 3, 3, 1, 2}, L"");
        facts.Set("geoSame", ShownWith(L"COORDINATES ERROR", L"Same column selected for Longitude and Latitude. Please correct."));
        facts.Set("countAfterChecks", nBackgroundFileCount);
        return StopMonitoringSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r2.exited);
    ASSERT_EQ(r2.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("count"), 1);
    EXPECT_EQ(facts.Get("type"), 0);
    EXPECT_GE(facts.Get("samples"), 6);
    EXPECT_EQ(facts.Get("onTrack"), facts.Get("samples")) << "the line follows the walk";
    EXPECT_EQ(facts.Get("behindLast"), 1);
    EXPECT_EQ(facts.Get("gapAtAntenna"), 0) << "the last output lies 2 m behind the last position";
    EXPECT_EQ(facts.Get("besideTrack"), 0);
    EXPECT_EQ(facts.Get("lonLabel"), 1);
    EXPECT_EQ(facts.Get("latLabel"), 1);
    EXPECT_EQ(facts.Get("utmSame"), 1);
    EXPECT_EQ(facts.Get("geoSame"), 1);
    EXPECT_EQ(facts.Get("countAfterChecks"), 1);
}

// Jix EM61-MK2: the logging line's dialog has no label column; a stored label column equal to a coordinate column
// does not refuse an ASCII file. The key C cancels the dialog; key code 99 (the keypad's 3) does not.
TEST(BackgroundFiles, LoggingLineLabelColumnAndCancelKey)
{
    std::string root = emu::MakeTempRoot("background_jix");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(StandStill(dev));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&root]() {
        StartSurvey(false, 60);
        Facts facts;
        const double E = dGpsPrevX, N = dGpsPrevY;
        WriteText(root + "/C/data/jix.txt", PointLine(E - 5, N + 5, ",") + PointLine(E + 5, N + 5, ","));
        nBgColumnLabel = 0;  // equal to the easting column, never shown on this line
        PlatformClearShownDialogs();
        // Key code 99 first: the dialog stays and its OK loads the file.
        ScriptLoad({1, 0, 1, 0, 1, 1, 0}, L"C:\\data\\jix.txt", 99);
        PlatformPressKey('V');
        PlatformPump(200);
        facts.Set("count", nBackgroundFileCount);
        facts.Set("refused", ShownWith(L"COORDINATES ERROR"));
        facts.Set("style", aBgSlotStyle[0]);
        QImage img = MapPicture("background_logging_line_dots");
        facts.Set("dotSeen", BackgroundNear(img, E - 5, N + 5) > 0);
        // The key C: cancelled, no chooser.
        int nChoosers = 0;
        for (const ShownDialog &s : PlatformShownDialogs()) nChoosers += s.templateName == L"OPENFILE";
        PlatformScriptDialog(L"BACKGROUNDFILELOAD", [](HWND d) { SendMessage(d, WM_KEYDOWN, 'C', 0); });
        PlatformPressKey('V');
        PlatformPump(200);
        int nChoosersAfter = 0;
        for (const ShownDialog &s : PlatformShownDialogs()) nChoosersAfter += s.templateName == L"OPENFILE";
        facts.Set("newChoosers", nChoosersAfter - nChoosers);
        facts.Set("countAfterC", nBackgroundFileCount);
        return StopMonitoringSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("refused"), 0);
    EXPECT_EQ(facts.Get("count"), 1);
    EXPECT_EQ(facts.Get("style"), 0);
    EXPECT_EQ(facts.Get("dotSeen"), 1);
    EXPECT_EQ(facts.Get("newChoosers"), 0);
    EXPECT_EQ(facts.Get("countAfterC"), 1);
}
