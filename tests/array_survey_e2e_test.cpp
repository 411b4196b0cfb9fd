// EM38-4, CS-21 and Grad601 surveys through the device emulator: readings recorded at each build's record length,
// the profiles redrawn from the file over the live ones, and pictures of the logging screens.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "displays/bar_windows.h"
#include "displays/displays.h"
#include "displays/reading_windows.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "processing/dispatch.h"
#include "processing/em384_handler.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

struct ArraySurvey {
    const char *name;
    int instrumentType;
    const wchar_t *caption;
    std::vector<std::string> ports;
    std::string valueCommand;
    int recordLength;
    int sensorsMinus1;
    int tracesInFirstWindow;
    int displayMode = 0;  // EM38-4: 1 adds the inversion panel (and leaves the in-phase profile still)
};

class ArraySurveyTest : public ::testing::TestWithParam<ArraySurvey> {};

TEST_P(ArraySurveyTest, ReadingsAreRecordedShownAndRedrawn)
{
    const ArraySurvey &s = GetParam();
    std::string root = emu::MakeTempRoot(std::string("array_survey_") + s.name);
    emu::Emulator dev(root, s.ports);
    ASSERT_TRUE(dev.ready()) << dev.error();
    if (!s.valueCommand.empty()) {
        ASSERT_TRUE(dev.ok(s.valueCommand)) << s.valueCommand;
    }
    const ProgramStart start = StartBuildIn(root, s.instrumentType, 1);
    const std::string png = std::string(TEST_OUTPUT_DIR "/") + s.name + "_logging_screen.png";
    ChildResult r = RunProgramInChild(start, [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nSensorsMinus1 = s.sensorsMinus1;
        nEm384DisplayMode = s.displayMode;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(nRecordingState == 0);
        PlatformPump(1500);
        PlatformScriptFileChooser(std::wstring(L"C:\\data\\") + s.caption + L".dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount >= 40; }, 20000));
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, png));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        // The profiles rebuilt from the file on freshly painted windows are the live ones, pixel for pixel (the
        // one-sensor Grad601 has one profile window).
        std::vector<HWND> windows = {hwndCurve2};
        if (s.instrumentType != INSTRUMENT_GRAD601 || s.sensorsMinus1 == 1) windows.push_back(hwndCurve3);
        long nInk = 0;
        const long nDiff = RedrawnProfileDifference(windows, std::string(TEST_OUTPUT_DIR "/") + s.name, &nInk);
        facts.Set("redrawDiff", nDiff);
        facts.Set("liveInk", nInk);
        facts.Set("readings", nTotalReadingCount);
        CHILD_CHECK(facts.Save(FactsPath(root)));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_GT(facts.Get("liveInk"), 0);
    EXPECT_EQ(facts.Get("redrawDiff"), 0);

    const std::string bytes = ReadFileBytes(OnlyDataFile(root));
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(bytes, (size_t)s.recordLength, &tail);
    ASSERT_EQ(tail, 0u);
    int nReadings = 0, nOtherSentences = 0;
    for (const Record &rec : recs) {
        nOtherSentences += rec.StartsWith("T$PDLMA");
        EXPECT_EQ(rec.bytes[s.recordLength - 1], '\n') << rec.index;
        if (rec.Kind() != 'T') continue;
        nReadings++;
        EXPECT_GE(rec.Tick(), 0) << rec.index;
        if (s.instrumentType == INSTRUMENT_CS21) {
            EXPECT_TRUE(rec.StartsWith("T$PDLM")) << rec.bytes;
        }
        if (s.instrumentType == INSTRUMENT_GRAD601) {
            EXPECT_TRUE(rec.StartsWith("T$P,")) << rec.bytes;
        }
    }
    EXPECT_GE(nReadings, 40);
    // The CS-21's "$PDLMA" sentences (one a second) are recorded too.
    if (s.instrumentType == INSTRUMENT_CS21) {
        EXPECT_GE(nOtherSentences, 1);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, ArraySurveyTest,
    ::testing::Values(
        ArraySurvey{"em384", INSTRUMENT_EM384, L"Jix38-4", {"COM4=em384"},
                    "COM4 value 300 5 450 -8 600 12 750 -15 anim=1", 47, 0, 4},
        ArraySurvey{"em384_inversion_panel", INSTRUMENT_EM384, L"Jix38-4", {"COM4=em384"},
                    "COM4 value 300 5 450 -8 600 12 750 -15 anim=1", 47, 0, 4, 1},
        ArraySurvey{"cs21", INSTRUMENT_CS21, L"JixCS-21", {"COM4=cs21"},
                    "COM4 value 250 -12 500 8 400 -6 650 15 anim=1", 65, 0, 4},
        ArraySurvey{"grad601_one_sensor", INSTRUMENT_GRAD601, L"Jix601", {"COM4=grad601:sensors=1"},
                    "COM4 value 700 0 anim=1", 27, 0, 1},
        ArraySurvey{"grad601_two_sensors", INSTRUMENT_GRAD601, L"Jix601", {"COM4=grad601:sensors=2"},
                    "COM4 value 700 1300 anim=1", 27, 1, 1}),
    [](const ::testing::TestParamInfo<ArraySurvey> &info) { return std::string(info.param.name); });

}  // namespace

namespace {

struct PanelCase {
    const char *name;
    int instrumentType;
    std::string port;
    std::string valueCommand;
    int sensorsMinus1;
    int displayMode;
    std::vector<std::wstring> texts;  // texts the numbers window shows, in row order
    bool bQIBars;                     // the Q and I bar windows carry bars
    std::vector<std::wstring> panelTexts = {};  // texts of the logging screen in the hidden second profile window's place
    bool bDecayBar = false;           // the decay window carries the one sensor's bar
};

class ArrayPanelTest : public ::testing::TestWithParam<PanelCase> {};

// Monitoring: the numbers window shows the values sent, row under row, and the bar windows follow them.
TEST_P(ArrayPanelTest, NumbersAndBarsOfTheValuesSent)
{
    const PanelCase &c = GetParam();
    std::string root = emu::MakeTempRoot(std::string("array_panel_") + c.name);
    emu::Emulator dev(root, {c.port});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(c.valueCommand));
    ChildResult r = RunProgramInChild(StartBuildIn(root, c.instrumentType, 1), [&]() {
        UseEmulatorPorts(false);
        nSensorsMinus1 = c.sensorsMinus1;
        nEm384DisplayMode = c.displayMode;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        PlatformPump(1500);
        PlatformClearDrawnTexts();
        PlatformPump(1000);
        int nLastTop = -1;
        for (const std::wstring &text : c.texts) {
            int nTop = -1;
            for (const DrawnText &t : PlatformDrawnTexts())
                if (t.window == hwndNumbers && t.text == text) nTop = t.cell.top;
            CHILD_CHECK(nTop >= 0);
            CHILD_CHECK(nTop > nLastTop);
            nLastTop = nTop;
        }
        if (!c.panelTexts.empty()) {
            CHILD_CHECK(!IsWindowVisible(hwndCurve3));
            RECT rcPlace, rcLog;
            GetWindowRect(hwndCurve3, &rcPlace);
            GetWindowRect(hwndLog, &rcLog);
            rcPlace = RECT{rcPlace.left - rcLog.left, rcPlace.top - rcLog.top, rcPlace.right - rcLog.left,
                           rcPlace.bottom - rcLog.top};
            for (const std::wstring &text : c.panelTexts) {
                bool bShown = false;
                for (const DrawnText &t : PlatformDrawnTexts())
                    bShown = bShown || (t.window == hwndLog && t.text == text && t.cell.left >= rcPlace.left &&
                                        t.cell.top >= rcPlace.top && t.cell.right <= rcPlace.right &&
                                        t.cell.bottom <= rcPlace.bottom);
                CHILD_CHECK(bShown);
            }
        }
        if (c.bQIBars) CHILD_CHECK(anBarQTop[0] >= 0 && anBarITop[0] >= 0);
        if (c.bDecayBar) CHILD_CHECK(anBarTop[0] >= 0);
        if (c.bQIBars || c.bDecayBar) {
            // The instrument falls silent; a frame reset and repaint (as a pause or a command makes) keeps the
            // last reading's bars.
            CHILD_CHECK(dev.ok("COM4 silence 0"));
            CHILD_CHECK(InstrumentSilentAndHandled(10000));
            const std::vector<HWND> windows = c.bQIBars ? std::vector<HWND>{hwndBarQ, hwndBarI}
                                                        : std::vector<HWND>{hwndDecay};
            std::vector<std::vector<COLORREF>> before;
            for (HWND hwnd : windows) before.push_back(WindowPixels(hwnd));
            CHILD_CHECK(std::count_if(before[0].begin(), before[0].end(), [](COLORREF px) {
                            return px != 0xFFFFFF && px != 0xC0C0C0 && px != 0x808080;
                        }) > 0);
            bGraphFrameDrawn = bBarQFrameDrawn = bBarIFrameDrawn = 0;
            for (HWND hwnd : windows) {
                InvalidateRect(hwnd, nullptr, TRUE);
                UpdateWindow(hwnd);
            }
            CHILD_CHECK(PlatformSaveWindowPng(windows[0], std::string(TEST_OUTPUT_DIR "/") + c.name +
                                                              "_bars_repainted.png"));
            for (size_t k = 0; k < windows.size(); k++) CHILD_CHECK(WindowPixels(windows[k]) == before[k]);
        }
        PlatformPressKey('X');
        CHILD_CHECK(nRecordingState == -2);
        CloseProgram();
        return 0;
    }, 60);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, ArrayPanelTest,
    ::testing::Values(
        PanelCase{"cs21", INSTRUMENT_CS21, "COM4=cs21:static", "COM4 value 12.5 -0.8 30.1 1.2 14 -0.5 28 0.9", 0, 0,
                  {L"   12.50", L"   -0.80", L"   30.10", L"    1.20", L"   14.00"}, true},
        PanelCase{"em384_inversion", INSTRUMENT_EM384, "COM4=em384:static", "COM4 value 300 5 450 -8 600 12 750 -15",
                  0, 1,
                  {L"C1:   300.00", L"C2:   450.00", L"C3:   600.00", L"C4:   750.00", L"I1:     5.00",
                   L"I2:    -8.00", L"I3:    12.00", L"I4:   -15.00"},
                  true,
                  {L"T1: 24.19   ", L"T2: 20.75   ", L"INV: Th 0.95 ", L"C1 50.0   ", L"C2 86.3   ", L"RMS 3.2    ",
                   L"Itr 6  "}},
        PanelCase{"grad601_two_sensors", INSTRUMENT_GRAD601, "COM4=grad601:static,sensors=2", "COM4 value 700 300",
                  1, 0, {L"     700.0", L"     300.0"}, true},
        PanelCase{"grad601_one_sensor", INSTRUMENT_GRAD601, "COM4=grad601:static,sensors=1", "COM4 value 700 0", 0,
                  0, {L"     700.0"}, false, {}, true}),
    [](const ::testing::TestParamInfo<PanelCase> &info) { return std::string(info.param.name); });

}  // namespace
