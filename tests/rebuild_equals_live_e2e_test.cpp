// Profiles and colour map rebuilt from the data file against the live ones, per instrument, through the device
// emulator on the mapping line: after a dialog, after a change of map channel in mid-walk, after a procedure that
// writes coefficient records in mid-line, and after an append to the file.
#include <gtest/gtest.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "dialogs/display_options_dialog.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "processing/dispatch.h"
#include "processing/em384_handler.h"
#include "processing/gps_position.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// What an instrument does in mid-line, while recording.
enum class MidLine {
    None,
    DeleteCalibration,  // "Delete Calibration" answered Yes: the coefficient records written in mid-line
};

struct RebuildCase {
    const char *name;
    int instrumentType;
    std::string port;
    std::string valueCommand;
    int recordLength;
    int sensorsMinus1;
    int viewAtStart;          // colour-map view when logging starts
    int box;                  // the channel box clicked in mid-walk (-1: the instrument has none)
    int viewOfBox;            // the view that box chooses
    double scale1[2], scale2[2];
    MidLine midLine;
    bool driftAfterPause;     // an EM38-4 drift procedure run on the paused line (its end rebuilds)
};

void PrintTo(const RebuildCase &c, std::ostream *os) { *os << c.name; }

// Pixels of the profile windows of the instrument, then of the map window.
struct Picture {
    std::vector<std::vector<COLORREF>> windows;
};

std::vector<HWND> ProfileWindows()
{
    if (nInstrumentType == INSTRUMENT_EM384 || nInstrumentType == INSTRUMENT_CS21 ||
        nInstrumentType == INSTRUMENT_GRAD601)
        return {hwndCurve2, hwndCurve3};
    return {hwndCurve1};
}

Picture TakePicture()
{
    Picture p;
    for (HWND h : ProfileWindows()) p.windows.push_back(WindowPixels(h));
    p.windows.push_back(WindowPixels(hwndMap));
    return p;
}

// Pixels that differ in the profile windows (bMap false) or in the map window (bMap true).
long Difference(const Picture &live, const Picture &now, bool bMap)
{
    long n = 0;
    const size_t nWindows = live.windows.size();
    for (size_t w = 0; w < nWindows; w++) {
        if ((w + 1 == nWindows) != bMap) continue;
        const std::vector<COLORREF> &a = live.windows[w], &b = now.windows[w];
        n += (long)(a.size() != b.size());
        for (size_t i = 0; i < a.size() && i < b.size(); i++) n += a[i] != b[i];
    }
    return n;
}

long Ink(const Picture &p, bool bMap)
{
    long n = 0;
    const size_t nWindows = p.windows.size();
    for (size_t w = 0; w < nWindows; w++) {
        if ((w + 1 == nWindows) != bMap) continue;
        for (COLORREF c : p.windows[w]) n += c != RGB(255, 255, 255);
    }
    return n;
}

void SavePictures(const std::string &prefix)
{
    const std::vector<HWND> windows = ProfileWindows();
    for (size_t i = 0; i < windows.size(); i++)
        PlatformSaveWindowPng(windows[i], prefix + "_profile" + std::to_string(i + 1) + ".png");
    PlatformSaveWindowPng(hwndMap, prefix + "_map.png");
}

// The next positions of the receiver standing still reach the map: the view shows the tiles and the cross-hair.
void LetPositionsShowTheMap()
{
    for (int i = 0; i < 3; i++) {
        const char ch = chGpsBlink;
        CHILD_CHECK(PlatformWaitFor([ch] { return chGpsBlink != ch; }, 5000));
    }
    PlatformPump(100);
}

// The reading-scale dialog answered OK with scale 1 typed as given.
void ReadingScaleDialog(double dMin, double dMax)
{
    wchar_t szMin[32], szMax[32];
    swprintf(szMin, 32, L"%.1f", dMin);
    swprintf(szMax, 32, L"%.1f", dMax);
    const std::wstring sMin = szMin, sMax = szMax;
    PlatformScriptDialog(ReadingScaleTemplateName(), [sMin, sMax](HWND d) {
        PlatformTypeIntoEdit(d, IDC_SCALE1_MIN, sMin.c_str());
        PlatformTypeIntoEdit(d, IDC_SCALE1_MAX, sMax.c_str());
        PlatformPressDialogButton(d, IDOK);
    });
    PlatformPressKey('A');
}

// The popup menu of the logging screen from its button, while recording or not, with the item chosen.
void ChooseFromPopupMenu(int nItem)
{
    PlatformScriptPopupMenu(nItem);
    for (HWND h : {hwndLogButtons[3], hwndLogButtonsAlt[3]})
        if (h && IsWindowVisible(h)) {
            PlatformClickButton(h);
            return;
        }
    CHILD_CHECK(!"a visible menu button");
}

// Walks east while recording for about ms milliseconds, then stands still.
void WalkWhileRecording(emu::Emulator &dev, int ms)
{
    CHILD_CHECK(dev.ok("COM6 walk 90 3 0"));
    PlatformPump(ms);
}

void StandStillAndPause(emu::Emulator &dev)
{
    CHILD_CHECK(dev.ok("COM6 walk 0 0"));
    PlatformPump(600);
    PlatformPressKey(kKeySpace);
    CHILD_CHECK(nRecordingState == -1);
    LetPositionsShowTheMap();
}

// The checks on a paused line: the live picture, then the pictures after a dialog without a change, after a
// map rebuild by two scale dialogs (a change and back), and after the channel box chosen again; each against the
// live one. Facts are named after the step.
void CompareRebuildsWithLive(const RebuildCase &c, const std::string &step, const std::string &png, Facts *f)
{
    const Picture live = TakePicture();
    SavePictures(png + "_" + step + "_live");
    double adCal[12], adCalB[8];
    memcpy(adCal, adCalibration, sizeof adCal);
    memcpy(adCalB, adCalibrationB, sizeof adCalB);
    f->Set(step + "ProfileInk", Ink(live, false));
    f->Set(step + "MapInk", Ink(live, true));
    // Still while paused: the live picture does not move on its own.
    LetPositionsShowTheMap();
    f->Set(step + "Steady", Difference(live, TakePicture(), false) + Difference(live, TakePicture(), true));

    // A dialog answered OK without a change: the profiles come back from the file.
    ReadingScaleDialog(c.scale1[0], c.scale1[1]);
    LetPositionsShowTheMap();
    Picture now = TakePicture();
    SavePictures(png + "_" + step + "_dialog");
    f->Set(step + "DialogProfileDiff", Difference(live, now, false));
    f->Set(step + "DialogMapDiff", Difference(live, now, true));

    // The scale changed and changed back: the map is rebuilt twice from the file.
    ReadingScaleDialog(c.scale1[0], c.scale1[1] * 2);
    ReadingScaleDialog(c.scale1[0], c.scale1[1]);
    LetPositionsShowTheMap();
    now = TakePicture();
    SavePictures(png + "_" + step + "_rescaled");
    f->Set(step + "RescaleProfileDiff", Difference(live, now, false));
    f->Set(step + "RescaleMapDiff", Difference(live, now, true));

    if (c.box >= 0) {
        PlatformClickButton(hwndChannelBoxes[c.box]);
        CHILD_CHECK(nColorMapView == c.viewOfBox);
        LetPositionsShowTheMap();
        now = TakePicture();
        SavePictures(png + "_" + step + "_box");
        f->Set(step + "BoxProfileDiff", Difference(live, now, false));
        f->Set(step + "BoxMapDiff", Difference(live, now, true));
    }
    // The redraws and rebuilds read older coefficients from the file; those in force stay as they were.
    f->Set(step + "CoefficientsKept",
           memcmp(adCal, adCalibration, sizeof adCal) == 0 && memcmp(adCalB, adCalibrationB, sizeof adCalB) == 0);
}

class RebuildEqualsLiveTest : public ::testing::TestWithParam<RebuildCase> {};

TEST_P(RebuildEqualsLiveTest, ProfilesAndMapFromTheFileAreTheLiveOnes)
{
    const RebuildCase &c = GetParam();
    std::string root = emu::MakeTempRoot(std::string("rebuild_live_") + c.name);
    emu::Emulator dev(root, {c.port, "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(c.valueCommand)) << c.valueCommand;
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    const std::string png = std::string(TEST_OUTPUT_DIR "/rebuild_live_") + c.name;
    const std::wstring file = L"C:\\data\\rebuild.dat";
    ChildResult r = RunProgramInChild(StartBuildIn(root, c.instrumentType, 0), [&]() {
        Facts facts;
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nSurveyMode = 0;
        nFrameDecimation = 1;
        nPauseKey = 2;
        nColorMapView = c.viewAtStart;
        nSensorsMinus1 = c.sensorsMinus1;
        nMapSize = 40;
        dScale1Min = c.scale1[0];
        dScale1Max = c.scale1[1];
        dScale2Min = c.scale2[0];
        dScale2Max = c.scale2[1];
        if (c.instrumentType == INSTRUMENT_EM38MK2) {
            // Calibration offsets in force: deleting them changes every value.
            const int anElement[6] = {10, 8, 2, 0, 6, 4};
            const double adValue[6] = {6.0, 1.5, 9.0, 0.8, 4.0, 1.2};
            for (int i = 0; i < 6; i++) adCalibration[anElement[i]] = adValue[i];
        }
        if (c.instrumentType == INSTRUMENT_EM384) {
            const double adZero[4] = {3.0, -2.0, 4.0, -1.0}, adCond[4] = {60.0, -40.0, 80.0, 30.0};
            for (int k = 0; k < 4; k++) {
                adCalibration[k] = adZero[k];
                adCalibration[8 + k] = adCond[k];
            }
        }
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 15000));
        PlatformPump(1000);
        PlatformScriptFileChooser(file);
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        WalkWhileRecording(dev, 2500);
        if (c.box >= 0) {
            // Another channel in mid-walk: the map is rebuilt in it and the walk goes on in it.
            PlatformClickButton(hwndChannelBoxes[c.box]);
            CHILD_CHECK(nColorMapView == c.viewOfBox);
            WalkWhileRecording(dev, 2500);
        }
        if (c.midLine == MidLine::DeleteCalibration) {
            // On the paused line, then on with the same line.
            PlatformPressKey(kKeySpace);
            CHILD_CHECK(nRecordingState == -1);
            PlatformAnswerDialog(L"Delete Calibration", 1);
            PlatformClearShownDialogs();
            ChooseFromPopupMenu(517);
            CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Delete Calibration"); }, 5000));
            PlatformPump(200);
            PlatformPressKey('G');
            CHILD_CHECK(nRecordingState == 1);
            for (int k : {0, 2, 4, 6, 8, 10}) CHILD_CHECK(adCalibration[k] == 0.0);
            WalkWhileRecording(dev, 2500);
        }
        StandStillAndPause(dev);
        CompareRebuildsWithLive(c, "line", png, &facts);

        if (c.driftAfterPause) {
            // The end of a procedure rebuilds the profiles and the map from the file.
            const Picture live = TakePicture();
            nDriftReadings = 10;
            PlatformAnswerDialog(L"Confirm Drift Control Procedure", 1);
            PlatformAnswerDialog(L"Drift Procedure - DONE", 1);
            PlatformScriptPopupMenu(520);
            PlatformPressKey('M');
            CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Drift Procedure - DONE"); }, 15000));
            CHILD_CHECK(PlatformWaitFor([] { return nCalProcedureState == 0; }, 5000));
            LetPositionsShowTheMap();
            const Picture now = TakePicture();
            SavePictures(png + "_drift");
            facts.Set("driftProfileDiff", Difference(live, now, false));
            facts.Set("driftMapDiff", Difference(live, now, true));
        }

        // Stop, then the same file again: appended to, its map rebuilt, and the survey goes on.
        PauseAndStop();
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 15000));
        PlatformPump(1000);
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformScriptFileChooser(file);
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        WalkWhileRecording(dev, 3000);
        StandStillAndPause(dev);
        CompareRebuildsWithLive(c, "appended", png, &facts);
        return StopSavingFacts(facts, root);
    }, 180);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    const Facts f = Facts::Load(FactsPath(root));
    for (const std::string step : {"line", "appended"}) {
        EXPECT_GT(f.Get(step + "ProfileInk"), 0) << step;
        EXPECT_GT(f.Get(step + "MapInk"), 0) << step;
        EXPECT_EQ(f.Get(step + "Steady"), 0) << step;
        EXPECT_EQ(f.Get(step + "CoefficientsKept"), 1) << step;
        EXPECT_EQ(f.Get(step + "DialogProfileDiff"), 0) << step;
        EXPECT_EQ(f.Get(step + "DialogMapDiff"), 0) << step;
        EXPECT_EQ(f.Get(step + "RescaleProfileDiff"), 0) << step;
        EXPECT_EQ(f.Get(step + "RescaleMapDiff"), 0) << step;
        if (c.box >= 0) {
            EXPECT_EQ(f.Get(step + "BoxProfileDiff"), 0) << step;
            EXPECT_EQ(f.Get(step + "BoxMapDiff"), 0) << step;
        }
    }
    if (c.driftAfterPause) {
        EXPECT_EQ(f.Get("driftProfileDiff"), 0);
        EXPECT_EQ(f.Get("driftMapDiff"), 0);
    }
    // Every record the redraws and rebuilds were followed by landed whole at the end of the file.
    size_t tail = 0;
    const std::vector<Record> recs = SplitRecords(ReadFileBytes(OnlyDataFile(root)), (size_t)c.recordLength, &tail);
    EXPECT_EQ(tail, 0u);
    for (const Record &rec : recs) EXPECT_EQ(rec.bytes.back(), '\n') << rec.index;
    if (c.midLine == MidLine::DeleteCalibration) {
        // The coefficient records stand in the first line between its readings, as the redraws read them.
        bool bReadingBefore = false, bBlock = false, bReadingAfter = false;
        for (const Record &rec : recs) {
            const char k = rec.Kind();
            if (k == 'z' || (k == 'Z' && bReadingBefore)) break;  // the next line or the appended block
            if (k == 'T') (bBlock ? bReadingAfter : bReadingBefore) = true;
            if (k == 'O' && bReadingBefore) bBlock = true;
        }
        EXPECT_TRUE(bReadingBefore && bBlock && bReadingAfter);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, RebuildEqualsLiveTest,
    ::testing::Values(
        RebuildCase{"em31mk2", INSTRUMENT_EM31MK2, "COM4=em31mk2", "COM4 value 80 3 anim=1", 27, 0, 1, 1, 2,
                    {0, 200}, {-20, 30}, MidLine::None, false},
        RebuildCase{"em38", INSTRUMENT_EM38, "COM4=em38:len=7", "COM4 value 45 2 anim=1", 27, 0, 1, -1, 0,
                    {0, 100}, {-20, 30}, MidLine::None, false},
        RebuildCase{"em34", INSTRUMENT_EM34, "COM4=em34", "COM4 value 25 anim=1", 27, 0, 1, 1, 2, {0, 60}, {0, 60},
                    MidLine::None, false},
        RebuildCase{"em38mk2", INSTRUMENT_EM38MK2, "COM4=em38mk2", "COM4 value 40 2 60 3 anim=1", 27, 0, 1, 1, 2,
                    {0, 100}, {-10, 15}, MidLine::DeleteCalibration, false},
        RebuildCase{"em384", INSTRUMENT_EM384, "COM4=em384", "COM4 value 300 5 450 -8 600 12 750 -15 anim=1", 47, 0,
                    1, 4, 2, {0, 1000}, {-20, 30}, MidLine::DeleteCalibration, true},
        RebuildCase{"cs21", INSTRUMENT_CS21, "COM4=cs21", "COM4 value 250 -12 500 8 400 -6 650 15 anim=1", 65, 0, 1,
                    4, 2, {0, 1000}, {-20, 30}, MidLine::None, false},
        RebuildCase{"grad601_one_sensor", INSTRUMENT_GRAD601, "COM4=grad601:sensors=1", "COM4 value 700 0 anim=1", 27,
                    0, 1, -1, 0, {0, 1500}, {0, 1500}, MidLine::None, false},
        RebuildCase{"grad601_two_sensors", INSTRUMENT_GRAD601, "COM4=grad601:sensors=2", "COM4 value 700 1300 anim=1",
                    27, 1, 1, -1, 0, {0, 1500}, {0, 1500}, MidLine::None, false}),
    [](const ::testing::TestParamInfo<RebuildCase> &info) { return std::string(info.param.name); });

}  // namespace
