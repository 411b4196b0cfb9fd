// EM61-LX2 mapping surveys (one coil and two coils) through the device emulator with a GPS walk: a nulling and a
// filter calibration in mid-line, then the profile redrawn after a dialog and the map rebuilt from the data file
// against the live pictures; the two-coil cells of the filtered channel carry both coils' classes.
#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/grid.h"
#include "dialogs/alarm_dialog.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/dispatch.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em61mk2_decode.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// Frames of chosen channel words (range byte 0: 20 mV a word) and the current word 3171.
std::string Raw(const char *szWords)
{
    return std::string("COM4 value raw=") + szWords + " range=0 letter=E current=3171 battery=12";
}

// Air frames of the nulling and of the calibration's first part: offsets 40, 20, 40, 20 mV.
const std::string kAir = Raw("2,1,2,1");
// Coils on the ground: (580 - 40) / (220 - 20) = 2.7 on the left, (440 - 40) / (220 - 20) = 2.0 on the right.
const std::string kGround = Raw("29,11,22,11");
// After the calibration, on the scale 5..505 (classes of 10): left (200 - 40) - 2.7 x (40 - 20) = 106, class 10;
// right (120 - 40) - 2.0 x (40 - 20) = 40, class 3.
const std::string kClassesTenAndThree = Raw("10,2,6,2");

// Waits until this many more readings were recorded.
bool MoreReadings(int n, int ms = 20000)
{
    const int nEnd = nTotalReadingCount + n;
    return PlatformWaitFor([nEnd] { return nTotalReadingCount >= nEnd; }, ms);
}

// Recorded readings over changing ground: the frames change every 8 readings.
bool WalkReadings(emu::Emulator &dev, int n)
{
    static const char *const aszWords[] = {"15,5,10,3", "25,6,14,4", "9,2,20,5", "30,8,8,2", "18,4,16,6"};
    static int nStep = 0;
    for (int i = 0; i < n; i += 8)
        if (!dev.ok(Raw(aszWords[nStep++ % 5])) || !MoreReadings(8)) return false;
    return true;
}

// Pixels that differ between two pictures of the same size; *pnColoured counts the first one's non-white pixels.
long Differences(const QImage &a, const QImage &b, long *pnColoured)
{
    if (a.isNull() || a.size() != b.size()) return -1;
    long nDiff = 0;
    *pnColoured = 0;
    for (int y = 0; y < a.height(); y++)
        for (int x = 0; x < a.width(); x++) {
            const unsigned pa = a.pixel(x, y) & 0xFFFFFFu, pb = b.pixel(x, y) & 0xFFFFFFu;
            nDiff += pa != pb;
            *pnColoured += pa != 0xFFFFFFu;
        }
    return nDiff;
}

int PixelsOf(const QImage &image, COLORREF clr)
{
    const unsigned rgb = ((unsigned)GetRValue(clr) << 16) | ((unsigned)GetGValue(clr) << 8) | GetBValue(clr);
    int n = 0;
    for (int y = 0; y < image.height(); y++)
        for (int x = 0; x < image.width(); x++) n += (image.pixel(x, y) & 0xFFFFFFu) == rgb;
    return n;
}

class Em61Lx2MapSurvey : public ::testing::TestWithParam<int> {};

TEST_P(Em61Lx2MapSurvey, NullingAndCalibrationInMidLineRedrawAndRebuildAsShownLive)
{
    const int bTwoCoils = GetParam() == 2;
    const std::string name = bTwoCoils ? "em61lx2_map_two_coils" : "em61lx2_map_one_coil";
    std::string root = emu::MakeTempRoot(name);
    emu::Emulator dev(root, {std::string("COM4=em61lx2:static,answer=OV,rate=4,coils=") + (bTwoCoils ? "2" : "1"),
                             "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(kAir));
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    const std::string out = std::string(TEST_OUTPUT_DIR "/") + name;
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM61LX2, 0), [&]() {
        Facts facts;
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nSensorsMinus1 = bTwoCoils ? 1 : 0;
        nColorMapView = 3;  // the filtered channel
        nScaleType = 0;
        dScale1Min = 5.0;
        dScale1Max = 505.0;
        nMapSize = 40;
        nAlarmType = 0;
        bNoCurrentNorm = 0;
        dFilterRatioLeft = dFilterRatioRight = 2.7;
        dFilterFactorLeft = dFilterFactorRight = 309.6;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(30000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 15000));
        PlatformScriptFileChooser(L"C:\\data\\" + std::wstring(bTwoCoils ? L"twocoils" : L"onecoil") + L".RX2");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(dev.ok("COM6 walk 90 2 0"));
        CHILD_CHECK(WalkReadings(dev, 60));

        // Nulling in mid-line: the air frames become the offsets; the logging goes on after it.
        CHILD_CHECK(dev.ok(kAir));
        CHILD_CHECK(MoreReadings(20));
        const int nReadingsAtNulling = nTotalReadingCount;
        SendMessage(hwndLog, WM_COMMAND, 504, 0);  // "Nulling"
        CHILD_CHECK(nEm61ProcedureState == -1);
        CHILD_CHECK(PlatformWaitFor([] { return nEm61ProcedureState == 1; }, 20000));
        CHILD_CHECK(WalkReadings(dev, 32));

        // Filter calibration in mid-line, its boxes answered: part 1 in the air, part 2 on the ground, accepted.
        CHILD_CHECK(dev.ok(kAir));
        CHILD_CHECK(MoreReadings(16));
        PlatformAnswerDialog(L"Filter Calibration Part 1", 1);
        PlatformScriptDialog(bTwoCoils ? L"Filter Calibration Part 2" : L"Calibration Part 2", [&dev](HWND d) {
            dev.ok(kGround);
            PlatformPressDialogButton(d, 1);
        });
        PlatformScriptDialog(L"Filter Calibration Complete", [&dev](HWND d) {
            dev.ok(kClassesTenAndThree);  // the frames after the calibration
            PlatformPressDialogButton(d, 1);
        });
        SendMessage(hwndLog, WM_COMMAND, 516, 0);  // "Filter Calibration Part 1"
        CHILD_CHECK(nEm61ProcedureState == -2);
        CHILD_CHECK(PlatformWaitFor([] { return nEm61ProcedureState == 1; }, 60000));
        PlatformClearDialogScripts();
        CHILD_CHECK(std::fabs(dFilterFactorLeft - 309.6) < 0.05);
        if (bTwoCoils) CHILD_CHECK(std::fabs(dFilterFactorRight - 234.0) < 0.05);

        // The live cell of the filtered channel: coil 2's class x 64 + coil 1's.
        const int nCell = bTwoCoils ? 3 * 64 + 10 : 10;
        facts.Set("liveCellSeen", PlatformWaitFor(
                                      [nCell] {
                                          return nSwathRow >= 0 && nSwathRow <= 1 && nSwathCellCount > 0 &&
                                                 rgColorGrid[nSwathRow][nSwathCellCount - 1] == nCell;
                                      },
                                      10000));
        CHILD_CHECK(MoreReadings(100));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        PlatformPump(300);
        // The nulling lies within the profile's strip (2 pixels a reading from 10 pixels off the right edge).
        const int nSince = nTotalReadingCount - nReadingsAtNulling;
        facts.Set("readingsSinceNulling", nSince);
        facts.Set("stripReadings", (nCurveWndWidth - 10) / 2);

        // The profile after a dialog is the live one, pixel for pixel; the windows are painted afresh first (as a
        // dialog over them would leave them), which shows that the traces were there.
        std::vector<HWND> windows = {hwndCurve2};
        if (bTwoCoils) windows.push_back(hwndCurve3);
        std::vector<std::vector<COLORREF>> live;
        for (HWND h : windows) live.push_back(WindowPixels(h));
        CHILD_CHECK(PlatformSaveWindowPng(hwndCurve2, out + "_profile_live.png"));
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, out + "_map_live.png"));
        long nErased = 0;
        for (HWND h : windows) {
            InvalidateRect(h, nullptr, TRUE);
            UpdateWindow(h);
        }
        for (size_t w = 0; w < windows.size(); w++) {
            const std::vector<COLORREF> now = WindowPixels(windows[w]);
            for (size_t i = 0; i < now.size() && i < live[w].size(); i++) nErased += now[i] != live[w][i];
        }
        facts.Set("profileErased", nErased);
        PlatformScriptDialog(L"ALARMLX2", [](HWND d) { PlatformPressDialogButton(d, IDCANCEL); });
        SendMessage(hwndLog, WM_COMMAND, 513, 0);  // "Alarm S&ettings"
        PlatformClearDialogScripts();
        CHILD_CHECK(PlatformSaveWindowPng(hwndCurve2, out + "_profile_redrawn.png"));
        long nDiff = 0;
        for (size_t w = 0; w < windows.size(); w++) {
            const std::vector<COLORREF> now = WindowPixels(windows[w]);
            nDiff += (long)(now.size() != live[w].size());
            for (size_t i = 0; i < now.size() && i < live[w].size(); i++) nDiff += now[i] != live[w][i];
        }
        facts.Set("profileDiff", nDiff);

        // The map rebuilt from the file, with the position cursor the live view carries.
        RebuildMapViewFromFile();
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, out + "_map_rebuilt.png"));
        return StopSavingFacts(facts, root);
    }, 180);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("liveCellSeen"), 1) << "the live cell of the filtered channel";
    EXPECT_LT(facts.Get("readingsSinceNulling"), facts.Get("stripReadings"));
    EXPECT_GT(facts.Get("profileErased"), 100) << "the traces were on the windows before the dialog";
    EXPECT_EQ(facts.Get("profileDiff"), 0);

    QImage live(QString::fromStdString(out + "_map_live.png")), rebuilt(QString::fromStdString(out + "_map_rebuilt.png"));
    long nColoured = 0;
    EXPECT_EQ(Differences(live, rebuilt, &nColoured), 0);
    EXPECT_GT(nColoured, 200);
    // The last stretch in class 10 (coil 1) and, with two coils, class 3 (coil 2) beside it.
    EXPECT_GT(PixelsOf(rebuilt, aclrColorScale[10]), 30);
    if (bTwoCoils) {
        EXPECT_GT(PixelsOf(rebuilt, aclrColorScale[3]), 30);
    }

    // The file holds the nulling's and the calibration's offset blocks and the calibration's filter factors.
    int nOffsets = 0, nFactors = 0;
    for (const Record &rec : SplitRecords(ReadFileBytes(OnlyDataFile(root)), 27)) {
        nOffsets += rec.Kind() == 'O';
        nFactors += rec.Kind() == 'I';
    }
    EXPECT_GE(nOffsets, 8);
    EXPECT_GE(nFactors, 2);
}

INSTANTIATE_TEST_SUITE_P(Coils, Em61Lx2MapSurvey, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return info.param == 2 ? std::string("TwoCoils") : std::string("OneCoil");
                         });

}  // namespace
