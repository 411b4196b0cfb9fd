// EM31-MK2, EM38, EM34-3 and EM38-MK2 surveys through the device emulator on both product lines: reading records
// byte for byte at each build's record length, one record per reading interval's frames, the numbers panel, lamps
// and bars, and the profile redrawn from the file equal to the live profile pixel for pixel; the record switch in
// the manual mode.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/logging_command.h"
#include "core/rates.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "map/map.h"
#include "platform/platform.h"
#include "processing/conductivity_handlers.h"
#include "processing/dispatch.h"
#include "processing/gps_position.h"
#include "processing/handler_state.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"
#include "settings_test_support.h"

using namespace survey;

namespace {
constexpr COLORREF kOrange = 0x0060FF;  // a lit lamp
}  // namespace

namespace {

// One build's survey: the emulator's frames at a monitoring value, then counted bursts at the survey value; the
// bytes of the reading records those give (from the instrument's record up to byte 12, or 13 for the EM38-MK2), the
// numbers-panel texts of a reading, and a burst of the other dipole that lights the dipole lamp.
struct ConductivitySurvey {
    const char *name;
    int instrumentType;
    int jix;
    std::string port;
    std::string monitorCommand;  // values while monitoring
    std::string valueCommand;    // values of the recorded bursts (a " marker=N" may follow)
    std::string otherDipole;     // values of the last burst
    int framesPerReading;        // the decimation at a reading interval of 0.15 s
    int recordLength;
    std::string reading;         // the instrument's bytes of a reading record
    std::string markedReading;   // the same with the record switch pressed
    std::vector<std::wstring> numbers;
    bool battery;                // the instrument sends battery records (EM31-MK2)
};

std::string Bytes(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes) s += (char)b;
    return s;
}

class ConductivitySurveyTest : public ::testing::TestWithParam<ConductivitySurvey> {};

TEST_P(ConductivitySurveyTest, ReadingsAreRecordedShownAndRedrawnFromTheFile)
{
    const ConductivitySurvey &s = GetParam();
    std::string root = emu::MakeTempRoot(std::string("conductivity_survey_") + s.name);
    emu::Emulator dev(root, {s.port});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(s.monitorCommand)) << s.monitorCommand;
    const ProgramStart start = StartBuildIn(root, s.instrumentType, s.jix);
    const std::string png = std::string(TEST_OUTPUT_DIR "/") + s.name;
    const int K = s.framesPerReading;
    ChildResult r = RunProgramInChild(start, [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nSurveyMode = 0;
        dSampleInterval = 0.15;
        SetReadingRateFactors();
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(nRecordingState == 0);
        CHILD_CHECK(FramesArrive(10000));
        // The instrument falls silent; what it sent has been handled once its port is drained and no frame came for
        // 300 ms.
        CHILD_CHECK(dev.ok("COM4 silence 0"));
        CHILD_CHECK(InstrumentSilentAndHandled(10000));
        PlatformScriptFileChooser(L"C:\\data\\survey.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        facts.Set("framesPerReading", nFramesPerReading);
        const long nCountBefore = dev.count("COM4");
        int nExpected = 0;
        // A burst of n readings' frames; true once the program has recorded them.
        auto Burst = [&](int nReadings) {
            nExpected += nReadings;
            if (!dev.ok("COM4 frames " + std::to_string(nReadings * K))) return false;
            const int nWant = nExpected;
            return PlatformWaitFor([nWant] { return nTotalReadingCount >= nWant; }, 20000);
        };

        const std::vector<COLORREF> barQMonitoring = WindowPixels(hwndBarQ);
        PlatformClearDrawnTexts();
        CHILD_CHECK(dev.ok(s.valueCommand));
        CHILD_CHECK(Burst(6));
        // The readings are counted before their numbers are drawn: the numbers are waited for.
        for (const std::wstring &t : s.numbers)
            CHILD_CHECK(PlatformWaitFor([&t] { return DrewText(hwndNumbers, t); }, 10000));
        CHILD_CHECK(!DrewText(hwndLog, L"Marker"));
        CHILD_CHECK(CountColourInRect(hwndLog, rcLamp1, kOrange) == 0);
        CHILD_CHECK(CountColourInRect(hwndLog, rcLamp2, kOrange) == 0);
        // The bars follow the readings: their picture changed from the monitoring value's.
        CHILD_CHECK(WindowPixels(hwndBarQ) != barQMonitoring);
        CHILD_CHECK(PlatformSaveWindowPng(hwndBarQ, png + "_bar_q.png"));

        // The record switch pressed: the marker lamp.
        CHILD_CHECK(dev.ok(s.valueCommand + " marker=" + std::to_string(2 * K)));
        CHILD_CHECK(Burst(2));
        CHILD_CHECK(PlatformWaitFor([] { return DrewText(hwndLog, L"Marker"); }, 10000));

        if (s.battery) {
            // A battery record is recorded, shows "Battery Levels" and leaves the bars as they were.
            const std::vector<COLORREF> barQ = WindowPixels(hwndBarQ), barI = WindowPixels(hwndBarI);
            PlatformClearDrawnTexts();
            CHILD_CHECK(dev.ok(s.valueCommand + " battery=1"));
            CHILD_CHECK(Burst(1));
            CHILD_CHECK(PlatformWaitFor([] { return DrewText(hwndNumbers, L"Battery Levels"); }, 10000));
            CHILD_CHECK(WindowPixels(hwndBarQ) == barQ);
            CHILD_CHECK(WindowPixels(hwndBarI) == barI);
            CHILD_CHECK(dev.ok(s.valueCommand + " battery=0"));
        }

        // Readings of the other dipole than the survey's light the dipole lamp.
        CHILD_CHECK(dev.ok(s.otherDipole));
        CHILD_CHECK(Burst(1));
        CHILD_CHECK(CountColourInRect(hwndLog, rcLamp1, kOrange) > 0);
        facts.Set("framesSent", dev.count("COM4") - nCountBefore);
        facts.Set("readings", nTotalReadingCount);

        // The pause repaints the bar windows: they keep the last reading's bars, and so does any later repaint
        // before the next reading.
        const std::vector<COLORREF> barQLive = WindowPixels(hwndBarQ), barILive = WindowPixels(hwndBarI);
        facts.Set("barQInk", (long long)std::count_if(barQLive.begin(), barQLive.end(),
                                                      [](COLORREF c) { return c != 0xFFFFFF; }));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(PlatformSaveWindowPng(hwndBarQ, png + "_bar_q_paused.png"));
        facts.Set("barQPausedSame", WindowPixels(hwndBarQ) == barQLive);
        facts.Set("barIPausedSame", WindowPixels(hwndBarI) == barILive);
        for (HWND hwnd : {hwndBarQ, hwndBarI}) {
            InvalidateRect(hwnd, nullptr, TRUE);
            UpdateWindow(hwnd);
        }
        facts.Set("barQRepaintedSame", WindowPixels(hwndBarQ) == barQLive);
        facts.Set("barIRepaintedSame", WindowPixels(hwndBarI) == barILive);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, png + "_logging_screen.png"));
        // The profile rebuilt from the file on a freshly painted window is the live one, pixel for pixel.
        long nInk = 0;
        const long nDiff = RedrawnProfileDifference({hwndCurve1}, png, &nInk);
        facts.Set("redrawDiff", nDiff);
        facts.Set("liveInk", nInk);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("framesPerReading"), K);
    EXPECT_GT(facts.Get("liveInk"), 0);
    EXPECT_EQ(facts.Get("redrawDiff"), 0);
    EXPECT_GT(facts.Get("barQInk"), 0);
    EXPECT_EQ(facts.Get("barQPausedSame"), 1) << "the Q bars after the pause";
    EXPECT_EQ(facts.Get("barIPausedSame"), 1) << "the I bars after the pause";
    EXPECT_EQ(facts.Get("barQRepaintedSame"), 1) << "the Q bars after a repaint";
    EXPECT_EQ(facts.Get("barIRepaintedSame"), 1) << "the I bars after a repaint";

    const std::string bytes = ReadFileBytes(OnlyDataFile(root));
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(bytes, (size_t)s.recordLength, &tail);
    ASSERT_EQ(tail, 0u);
    std::vector<Record> readings;
    for (const Record &rec : recs)
        if (rec.Kind() == 'T') readings.push_back(rec);
    // One reading record per K frames sent, as many as the screen counted.
    EXPECT_EQ((long long)readings.size(), facts.Get("framesSent") / K);
    EXPECT_EQ(facts.Get("framesSent") % K, 0);
    EXPECT_EQ((long long)readings.size(), facts.Get("readings"));
    ASSERT_GE(readings.size(), 8u);
    // Byte for byte: the instrument's bytes, blanks, the tick "%10lu" and the line feed.
    const size_t nTickAt = (size_t)s.recordLength - 11;
    for (size_t i = 0; i < 8; i++) {
        const std::string &want = i < 6 ? s.reading : s.markedReading;
        std::string expected = want + std::string(nTickAt - want.size(), ' ');
        EXPECT_EQ(readings[i].bytes.substr(0, nTickAt), expected) << "reading " << i;
        EXPECT_GE(readings[i].Tick(), 0) << "reading " << i;
        EXPECT_EQ(readings[i].bytes[s.recordLength - 1], '\n');
    }
    for (size_t i = 1; i < readings.size(); i++) EXPECT_GE(readings[i].Tick(), readings[i - 1].Tick());
}

// EM31-MK2 80 mS/m and 3 ppt: range 100 (index 4) in vertical dipole, flags 32 + 4. EM38 7-character records of
// 45 mS/m: range 100 (index 2), conductivity (4), vertical (32). EM34-3 25 mS/m at 10 m vertical: range index 4,
// separation 16. EM38-MK2 p 40 (word 33792), q 2 (34545), r 60 (34304), s 3 (43428), status 6.
const std::string kEm38Mk2Words = Bytes({0x86, 0x00, 0xA9, 0xA4, 0x84, 0x00, 0x86, 0xF1, 0x0A, 0x00, 0x0A, 0xFF});

const std::vector<std::wstring> kEm31Numbers = {L"Dipole: Vertical", L"Gain:   100", L"C:    80.00", L"I:      3.00"};
const std::vector<std::wstring> kEm38Numbers = {L"Dipole: Vertical", L"Gain:   100", L"C:    45.00"};
const std::vector<std::wstring> kEm34Numbers = {L"Dipole: Vertical", L"Sep:    10 m", L"Gain:   100", L"C:    25.00"};
const std::vector<std::wstring> kEm38Mk2Numbers = {L"CV:    40.00", L"IV:      2.00", L"cv:    60.00",
                                                   L"iv:      3.00"};

ConductivitySurvey Em31(const char *name, int jix, int nLength)
{
    return {name, INSTRUMENT_EM31MK2, jix, "COM4=em31mk2:static,rate=4", "COM4 value 20 1", "COM4 value 80 3",
            "COM4 value 80 3 dipole=H", 2, nLength, "T$-3200-1200 ", "Td-3200-1200 ", kEm31Numbers, true};
}
ConductivitySurvey Em38(const char *name, int jix)
{
    return {name, INSTRUMENT_EM38, jix, "COM4=em38:len=7,static,rate=4", "COM4 value 20 1", "COM4 value 45 2",
            "COM4 value 45 2 dipole=H", 2, 27, "T&-0450      ", "Tf-0450      ", kEm38Numbers, false};
}
ConductivitySurvey Em34(const char *name, int jix)
{
    return {name, INSTRUMENT_EM34, jix, "COM4=em34:sep=10,static,rate=4", "COM4 value 50", "COM4 value 25",
            "COM4 value 25 dipole=H", 3, 27, "T\x14-100000000 ", "TT-100000000 ", kEm34Numbers, false};
}
ConductivitySurvey Em38Mk2(const char *name, int jix)
{
    return {name, INSTRUMENT_EM38MK2, jix, "COM4=em38mk2:static,rate=4", "COM4 value 20 1 30 2",
            "COM4 value 40 2 60 3", "COM4 value 40 2 60 3 dipole=H", 3, 27, Bytes({'T', 6}) + kEm38Mk2Words,
            Bytes({'T', 7}) + kEm38Mk2Words, kEm38Mk2Numbers, false};
}

INSTANTIATE_TEST_SUITE_P(Instruments, ConductivitySurveyTest,
                         ::testing::Values(Em31("em31mk2_jix", 1, 24), Em31("em31mk2_zanth", 0, 27),
                                           Em38("em38_jix", 1), Em38("em38_zanth", 0), Em34("em34_jix", 1),
                                           Em34("em34_zanth", 0), Em38Mk2("em38mk2_jix", 1),
                                           Em38Mk2("em38mk2_zanth", 0)),
                         [](const ::testing::TestParamInfo<ConductivitySurvey> &info) {
                             return std::string(info.param.name);
                         });

}  // namespace

namespace {

// Each build in MANUAL mode: the record switch held over three readings records one reading, and each press one
// more; the EM34-3 station of one reading is confirmed at each press. The EM31-MK2 shows "Battery Levels" for a
// battery record.
struct ManualSurvey {
    const char *name;
    int instrumentType;
    int jix;
    std::string port;
    std::string values;
    int recordLength;
};

class ManualSurveyTest : public ::testing::TestWithParam<ManualSurvey> {};

TEST_P(ManualSurveyTest, SwitchHeldOverThreeReadingsRecordsOne)
{
    const ManualSurvey &s = GetParam();
    std::string root = emu::MakeTempRoot(std::string("manual_") + s.name);
    emu::Emulator dev(root, {s.port});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value " + s.values));
    ChildResult r = RunProgramInChild(StartBuildIn(root, s.instrumentType, s.jix), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nSurveyMode = 2;
        nDipoleMode = 0;  // the EM34-3: "1 reading" a station
        dwInstrumentTimeoutMs = 10000;  // a reader held up on a loaded machine is no EM34-3 battery save
        nReadingsPerStation = 0;
        PlatformAnswerDialog(L"CONFIRMSTATION", 1, true);
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(10000));
        PlatformScriptFileChooser(L"C:\\data\\manual.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        // Readings without the switch record nothing.
        CHILD_CHECK(FramesArrive(10000));
        CHILD_CHECK(FramesArrive(10000));
        facts.Set("before", nTotalReadingCount);
        // Three readings with the switch held, then the switch released; twice. (The instrument keeps sending: an
        // EM34-3 falling silent in MANUAL mode is in its battery save.)
        for (int nPress = 1; nPress <= 2; nPress++) {
            CHILD_CHECK(PlatformWaitFor([] { return nRecordTrigger == 0; }, 10000));
            CHILD_CHECK(dev.ok("COM4 value " + s.values + " marker=3"));
            CHILD_CHECK(PlatformWaitFor([nPress] { return nTotalReadingCount >= nPress && nRecordTrigger == 0; }, 10000));
            facts.Set("afterPress" + std::to_string(nPress), nTotalReadingCount);
        }
        if (s.instrumentType == INSTRUMENT_EM31MK2) {
            PlatformClearDrawnTexts();
            CHILD_CHECK(dev.ok("COM4 value " + s.values + " battery=1"));
            CHILD_CHECK(PlatformWaitFor([] { return DrewText(hwndNumbers, L"Battery Levels"); }, 5000));
            CHILD_CHECK(dev.ok("COM4 value " + s.values + " battery=0"));
        }
        return StopSavingFacts(facts, root);
    }, 90);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("before"), 0);
    EXPECT_EQ(facts.Get("afterPress1"), 1);
    EXPECT_EQ(facts.Get("afterPress2"), 2);
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(OnlyDataFile(root)), (size_t)s.recordLength, &tail);
    ASSERT_EQ(tail, 0u);
    int nReadings = 0;
    for (const Record &rec : recs) nReadings += rec.Kind() == 'T';
    EXPECT_EQ(nReadings, 2);
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, ManualSurveyTest,
    ::testing::Values(ManualSurvey{"em31mk2_jix", INSTRUMENT_EM31MK2, 1, "COM4=em31mk2:static,rate=2", "80 3", 24},
                      ManualSurvey{"em31mk2_zanth", INSTRUMENT_EM31MK2, 0, "COM4=em31mk2:static,rate=2", "80 3", 27},
                      ManualSurvey{"em38_jix", INSTRUMENT_EM38, 1, "COM4=em38:len=7,static,rate=2", "45 2", 27},
                      ManualSurvey{"em38_zanth", INSTRUMENT_EM38, 0, "COM4=em38:len=12,static,rate=2", "45 2", 27},
                      ManualSurvey{"em34_jix", INSTRUMENT_EM34, 1, "COM4=em34:static,rate=2", "25", 27},
                      ManualSurvey{"em34_zanth", INSTRUMENT_EM34, 0, "COM4=em34:static,rate=2", "25", 27},
                      ManualSurvey{"em38mk2_jix", INSTRUMENT_EM38MK2, 1, "COM4=em38mk2:static,rate=2", "40 2 60 3", 27},
                      ManualSurvey{"em38mk2_zanth", INSTRUMENT_EM38MK2, 0, "COM4=em38mk2:static,rate=2", "40 2 60 3",
                                   27}),
    [](const ::testing::TestParamInfo<ManualSurvey> &info) { return std::string(info.param.name); });

}  // namespace

namespace {

// EM34-3 in MANUAL mode: the record switch takes one reading per press (the emulator marks the next frame).
class Em34ManualSurvey {
public:
    explicit Em34ManualSurvey(emu::Emulator &dev) : dev_(dev) {}
    // One press of the switch at these values; true once the program has handled the pressed frame and then a
    // released one (so that the next press is a new one).
    bool Press(const std::string &values, std::function<bool()> taken)
    {
        if (!PlatformWaitFor([] { return nRecordTrigger == 0; }, 10000)) return false;
        if (!dev_.ok("COM4 value " + values + " marker=1")) return false;
        if (!PlatformWaitFor(taken, 10000)) return false;
        return PlatformWaitFor([] { return nRecordTrigger == 0; }, 10000);
    }

private:
    emu::Emulator &dev_;
};

int ConfirmStationsShown()
{
    int n = 0;
    for (const ShownDialog &d : PlatformShownDialogs()) n += d.templateName == L"CONFIRMSTATION";
    return n;
}

// Three readings per station answered in "Confirm and Save Readings": Accept writes the held GPS sentence, then the
// three readings with their own ticks, and advances the station; a reading while the dialog is open is dropped;
// Cancel writes nothing and the station is taken again from reading 1.
TEST(Em34ManualStations, AcceptWritesHeldGpsThenTheStationCancelWritesNothing)
{
    std::string root = emu::MakeTempRoot("em34_stations");
    emu::Emulator dev(root, {"COM4=em34:static,rate=2", "COM6=gps"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 50 sep=10"));
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM34, 0), [&]() {
        Facts facts;
        Em34ManualSurvey survey(dev);
        UseEmulatorPorts(true);
        nSurveyMode = 2;
        nDipoleMode = 2;  // "3 readings"
        dwInstrumentTimeoutMs = 10000;  // a reader held up on a loaded machine is no EM34-3 battery save
        nReadingsPerStation = 0;
        dStationIncrement = 1.0;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(10000));
        PlatformScriptFileChooser(L"C:\\data\\stations.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformClearDrawnTexts();
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(nEm34Configuration == 3);
        CHILD_CHECK(DrewText(hwndLog, L"Rdg: 0 of 3"));
        // A position held since the recording started: one held from before it is not written.
        CHILD_CHECK(PlatformWaitFor([] {
            return bGpsPositionHeld == 1 && (int32_t)(dwGpsPositionTick - dwRecordingStartTick) >= 0;
        }, 15000));

        PlatformScriptDialog(L"CONFIRMSTATION", [&](HWND dlg) {
            for (int i = 0; i < 3; i++) {
                const std::wstring row = PlatformDialogItemText(dlg, 701 + i);
                facts.Set("row" + std::to_string(i + 1),
                          row == std::wstring(i == 0   ? L"1      Vertical         10        100              25.00"
                                              : i == 1 ? L"2      Vertical         20        100              30.00"
                                                       : L"3      Vertical         40        100              35.00"));
            }
            facts.Set("row4Hidden", !IsWindowVisible(GetDlgItem(dlg, 704)));
            facts.Set("stationShown", PlatformDialogItemText(dlg, 717) == L"0.000");
            // A press while the dialog is open: shown in the numbers panel, recorded nowhere.
            PlatformClearDrawnTexts();
            facts.Set("duringDialogShown", survey.Press("45 sep=10", [] { return DrewText(hwndNumbers, L"C:    45.00"); }));
            facts.Set("readingDuringDialog", nReadingInStation);
            PlatformPressDialogButton(dlg, 1);
        });
        const char *const aszValues[3] = {"25 sep=10", "30 sep=20", "35 sep=40"};
        for (int n = 1; n <= 3; n++) {
            CHILD_CHECK(survey.Press(aszValues[n - 1], [n] { return nReadingInStation == n || nTotalReadingCount == 1; }));
            facts.Set("tick" + std::to_string(n), adwFrameTick[n]);
            if (n == 2) CHILD_CHECK(DrewText(hwndLog, L"Rdg: 2 of 3"));
        }
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount == 1 && bStationConfirmOpen == 0; }, 10000));
        facts.Set("readingAfterAccept", nReadingInStation);
        facts.Set("stationAfterAcceptCm", std::lround(dStation * 100));

        // Cancel: nothing written, the same station taken again.
        PlatformAnswerDialog(L"CONFIRMSTATION", 2);
        for (int n = 1; n <= 3; n++)
            CHILD_CHECK(survey.Press(aszValues[n - 1], [n] { return nReadingInStation == n || ConfirmStationsShown() == 2; }));
        CHILD_CHECK(PlatformWaitFor([] { return ConfirmStationsShown() == 2 && bStationConfirmOpen == 0; }, 10000));
        facts.Set("readingAfterCancel", nReadingInStation);
        facts.Set("stationAfterCancelCm", std::lround(dStation * 100));
        facts.Set("totalAfterCancel", nTotalReadingCount);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/em34_manual_station_logging_screen.png")));

        // The pause clears the station's reading box ("Rdg: n of 3") to the bare button face.
        const RECT rcRdg = rcStatusCurrent;
        const int nBoxPixels = (rcRdg.right - rcRdg.left) * (rcRdg.bottom - rcRdg.top);
        const COLORREF clrFace = GetSysColor(COLOR_BTNFACE);
        CHILD_CHECK(survey.Press("25 sep=10", [] { return nReadingInStation == 1; }));
        facts.Set("rdgInkBeforePause", nBoxPixels - CountColourInRect(hwndLog, rcRdg, clrFace));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        facts.Set("rdgInkAfterPause", nBoxPixels - CountColourInRect(hwndLog, rcRdg, clrFace));
        facts.Set("rdgBoxPixels", nBoxPixels);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    for (const char *key : {"row1", "row2", "row3", "row4Hidden", "stationShown", "duringDialogShown"})
        EXPECT_EQ(facts.Get(key), 1) << key;
    EXPECT_EQ(facts.Get("readingDuringDialog"), 3);
    EXPECT_EQ(facts.Get("readingAfterAccept"), 0);
    EXPECT_EQ(facts.Get("stationAfterAcceptCm"), 100);  // the first accepted station advances too
    EXPECT_EQ(facts.Get("readingAfterCancel"), 0);
    EXPECT_EQ(facts.Get("stationAfterCancelCm"), 100);
    EXPECT_EQ(facts.Get("totalAfterCancel"), 1);
    EXPECT_GT(facts.Get("rdgBoxPixels"), 0);
    EXPECT_GT(facts.Get("rdgInkBeforePause"), 0) << "\"Rdg: 1 of 3\" shown while logging";
    EXPECT_EQ(facts.Get("rdgInkAfterPause"), 0) << "the reading box is cleared at the pause";

    std::vector<Record> recs = SplitRecords(ReadFileBytes(OnlyDataFile(root)), 27);
    std::vector<size_t> at;
    for (const Record &rec : recs)
        if (rec.Kind() == 'T' || (rec.Kind() >= '1' && rec.Kind() <= '6')) at.push_back(rec.index);
    // The accepted station only: readings 2 and 3 numbered in byte 0, each with its frame's tick, the switch bit set.
    ASSERT_EQ(at.size(), 3u);
    const char *const aszBytes[3] = {"TT-100000000 ", "2D-120000000 ", "3\\-140000000 "};
    for (size_t i = 0; i < 3; i++) {
        const Record &rec = recs[at[i]];
        EXPECT_EQ(rec.index, at[0] + i);
        EXPECT_EQ(rec.bytes.substr(0, 16), std::string(aszBytes[i]) + "   ") << i;
        EXPECT_EQ(rec.Tick(), facts.Get("tick" + std::to_string(i + 1))) << i;
    }
    EXPECT_LT(recs[at[0]].Tick(), recs[at[1]].Tick());
    EXPECT_LT(recs[at[1]].Tick(), recs[at[2]].Tick());
    // Just before the station: the held position sentence, its first record "@$GPGGA" and its last one "!".
    ASSERT_GE(at[0], 2u);
    EXPECT_EQ(recs[at[0] - 1].Kind(), '!');
    size_t first = at[0] - 1;
    while (first > 0 && (recs[first - 1].Kind() == '#' || recs[first - 1].Kind() == '@')) first--;
    EXPECT_TRUE(recs[first].StartsWith("@$GPGGA")) << recs[first].bytes;
    // Nothing of the GPS was written before the hold was handed over.
    for (size_t i = 0; i < first; i++) EXPECT_EQ(recs[i].bytes.find("$GP"), std::string::npos) << recs[i].bytes;
}

// A sample series in MANUAL mode: one press takes 40 readings whose mean is recorded; a raw mean of 12345 is
// written "12345". A stop in the middle of a series leaves MANUAL in the settings file, and the next run does not
// go on with the unfinished series.
TEST(Em34ManualStations, SeriesMeanOfFiveDigitsAndStopMidSeriesKeepsManualMode)
{
    std::string root = emu::MakeTempRoot("em34_series");
    emu::Emulator dev(root, {"COM4=em34:static,rate=4,sep=10"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    // Range index 4 (scale -0.025): -308.625 mS/m is the field 12345.
    ASSERT_TRUE(dev.ok("COM4 value -308.625 range=4"));
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM34, 1), [&]() {
        Facts facts;
        Em34ManualSurvey survey(dev);
        UseEmulatorPorts(false);
        nSurveyMode = 2;
        nDipoleMode = 0;  // "1 reading"
        dwInstrumentTimeoutMs = 10000;  // a reader held up on a loaded machine is no EM34-3 battery save
        nReadingsPerStation = 40;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(10000));
        PlatformScriptFileChooser(L"C:\\data\\series.dat");
        PlatformPressKey('F');
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(bManualSampleSeries == 1);
        PlatformAnswerDialog(L"CONFIRMSTATION", 1);
        CHILD_CHECK(survey.Press("-308.625 range=4", [] { return nTotalReadingCount == 1; }));
        CHILD_CHECK(DrewText(hwndLog, L"Push switch RECORD"));

        // The next series is stopped after its first samples (the instrument must not fall silent: in MANUAL mode
        // that is its battery save).
        CHILD_CHECK(PlatformWaitFor([] { return nRecordTrigger == 0; }, 10000));
        CHILD_CHECK(dev.ok("COM4 value -308.625 range=4 marker=1"));
        CHILD_CHECK(PlatformWaitFor([] { return nSeriesSampleCount >= 1; }, 10000));
        facts.Set("modeMidSeries", nSurveyMode);
        PlatformPressKey(kKeySpace);
        facts.Set("collectingAtPause", bSeriesCollecting);
        PauseAndStop();
        facts.Set("modeAfterStop", nSurveyMode);
        // Any later save writes the survey mode in force.
        LoadSaveSettingsFile(1);
        nSurveyMode = 0;
        LoadSaveSettingsFile(0);
        facts.Set("savedMode", nSurveyMode);
        // The unfinished series is dropped: the next run records nothing until the switch is pressed.
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(10000));
        PlatformScriptFileChooser(L"C:\\data\\series2.dat");
        PlatformPressKey('F');
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        for (int i = 0; i < 5; i++) CHILD_CHECK(FramesArrive(10000));
        facts.Set("samplesAfterRestart", nSeriesSampleCount);
        facts.Set("collectingAfterRestart", bSeriesCollecting);
        facts.Set("readingsAfterRestart", nTotalReadingCount);
        PauseAndStop();
        CHILD_CHECK(facts.Save(FactsPath(root)));
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    ASSERT_EQ(facts.Get("collectingAtPause"), 1);
    EXPECT_EQ(facts.Get("modeMidSeries"), 2);
    EXPECT_EQ(facts.Get("modeAfterStop"), 2);
    EXPECT_EQ(facts.Get("savedMode"), 2);
    EXPECT_EQ(facts.Get("samplesAfterRestart"), 0);
    EXPECT_EQ(facts.Get("collectingAfterRestart"), 0);
    EXPECT_EQ(facts.Get("readingsAfterRestart"), 0);
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/series.dat"), 27);
    int nReadings = 0;
    for (const Record &rec : recs) {
        if (rec.Kind() != 'T') continue;
        nReadings++;
        EXPECT_EQ(rec.bytes.substr(2, 5), "12345") << rec.bytes;
    }
    EXPECT_EQ(nReadings, 1);
}

}  // namespace

namespace {

// The platform's clock for the EM38-MK2 calibration: held still and moved on by the test, so that each step's time
// window holds exactly the frames the emulator was told to send.
std::atomic<DWORD> gCalClock{0};

const int kOffsetElements[6] = {10, 8, 2, 0, 6, 4};  // "O1" .. "O6"

// The calibration driven from the logging screen's menu with frames of chosen dipole: 29 vertical readings fail,
// no horizontal reading within 60 s fails, both restore the offsets and write nothing; 50 vertical then 50
// horizontal readings set the six offsets, write them and save them, and GPS sentences flow again afterwards;
// "Delete Calibration" answered Yes writes the cleared offsets.
TEST(Em38Mk2CalibrationSurvey, FailuresRestoreSuccessWritesAndSavesDeleteWritesZeros)
{
    std::string root = emu::MakeTempRoot("em38mk2_calibration");
    emu::Emulator dev(root, {"COM4=em38mk2:static,rate=4", "COM6=gps"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 40 2 60 3 dipole=V"));
    const double adBefore[6] = {1.5, 2.5, 3.5, 4.5, 5.5, 6.5};
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM38MK2, 0), [&]() {
        Facts facts;
        UseEmulatorPorts(true);
        nSurveyMode = 0;
        for (int i = 0; i < 6; i++) adCalibration[kOffsetElements[i]] = adBefore[i];
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(10000));
        PlatformScriptFileChooser(L"C:\\data\\calibration.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(dev.ok("COM4 silence 0"));
        CHILD_CHECK(InstrumentSilentAndHandled(10000));
        gCalClock = GetTickCount();
        PlatformSetTickSource([] { return gCalClock.load(); });

        auto Frames = [&](int n, const char *szDipole) {
            return dev.ok(std::string("COM4 value 40 2 60 3 dipole=") + szDipole) &&
                   dev.ok("COM4 frames " + std::to_string(n));
        };
        // One reading after the clock moved on by ms; true once the procedure is in this phase and step.
        auto After = [&](DWORD ms, const char *szDipole, int nPhase, int nStep) {
            gCalClock += ms;
            return Frames(1, szDipole) &&
                   PlatformWaitFor([=] { return nCalPhase == nPhase && nEm38Mk2CalStep == nStep; }, 10000);
        };
        auto Start = [&]() {
            PlatformAnswerDialog(L"CALIBRATION", 1);
            PlatformScriptPopupMenu(516);
            PlatformPressKey('M');
            return PlatformWaitFor([] { return nCalProcedureState == -1 && nCalPhase == 1; }, 10000);
        };
        auto Sampled = [&](int n, const char *szDipole) {
            return Frames(n, szDipole) && PlatformWaitFor([n] { return nCalSampleCount == n; }, 20000);
        };
        // One reading within the step's time shows its prompt.
        auto Prompted = [&](const char *szDipole, const wchar_t *szPrompt) {
            PlatformClearDrawnTexts();
            const std::wstring prompt = szPrompt;
            return Frames(1, szDipole) && PlatformWaitFor([prompt] { return DrewText(hwndLog, prompt); }, 10000);
        };
        auto OffsetsRestored = [&]() {
            for (int i = 0; i < 6; i++)
                if (adCalibration[kOffsetElements[i]] != adBefore[i]) return false;
            return true;
        };
        auto Ended = [&](DWORD ms, const char *szDipole) {
            gCalClock += ms;
            return Frames(1, szDipole) && PlatformWaitFor([] { return nCalProcedureState == 0; }, 10000);
        };

        // 29 vertical readings are too few.
        CHILD_CHECK(Start());
        CHILD_CHECK(Sampled(29, "V"));
        CHILD_CHECK(After(2001, "V", 2, 4));
        CHILD_CHECK(Prompted("V", L"Vertical Mode Failed - Wait for Beep"));
        CHILD_CHECK(Ended(1500, "V"));
        facts.Set("restoredAfterVertical", OffsetsRestored());

        // No horizontal reading within 60 s of the prompt.
        CHILD_CHECK(Start());
        CHILD_CHECK(Sampled(30, "V"));
        PlatformClearDrawnTexts();
        CHILD_CHECK(After(2001, "V", 2, 0));
        CHILD_CHECK(DrewText(hwndLog, L"Rotate to Horizontal Mode within 60 seconds"));
        CHILD_CHECK(After(60001, "V", 2, 6));
        CHILD_CHECK(Prompted("V", L"Horizontal Mode Not Detected - Wait for Beep"));
        CHILD_CHECK(Ended(1500, "V"));
        facts.Set("restoredAfterNoHorizontal", OffsetsRestored());

        // 50 vertical, then 50 horizontal readings.
        CHILD_CHECK(Start());
        CHILD_CHECK(Sampled(50, "V"));
        CHILD_CHECK(After(2001, "V", 2, 0));
        CHILD_CHECK(After(100, "H", 2, 1));
        CHILD_CHECK(After(1001, "H", 2, 2));
        CHILD_CHECK(Sampled(50, "H"));
        CHILD_CHECK(After(2001, "H", 2, 3));
        CHILD_CHECK(Prompted("H", L"Calibration Completed - Wait for Beep"));
        // The GPS reader rests while the procedure runs.
        const DWORD dwGpsDuring = dwGpsDataTick;
        CHILD_CHECK(Ended(1500, "H"));
        facts.Set("gpsRestedDuring", dwGpsDuring != gCalClock.load() - 1500);
        for (int i = 0; i < 6; i++) facts.Set("offset" + std::to_string(i + 1), std::lround(adCalibration[kOffsetElements[i]] * 1000));
        gCalClock += 1000;
        const DWORD dwAfter = gCalClock;
        facts.Set("gpsFlowsAgain", PlatformWaitFor([dwAfter] { return dwGpsDataTick == dwAfter; }, 10000));
        // The settings file holds the new offsets (lines 75 to 80 in the order of the records).
        {
            std::ifstream in(SettingsPath());
            std::string line;
            for (int n = 1; std::getline(in, line); n++)
                if (n >= 75 && n <= 80) facts.Set("saved" + std::to_string(n - 74), std::lround(atof(line.c_str()) * 1000));
        }

        // "Delete Calibration" answered Yes.
        PlatformAnswerDialog(L"Delete Calibration", 1);
        PlatformScriptPopupMenu(517);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return adCalibration[10] == 0.0 && adCalibration[0] == 0.0; }, 10000));
        PlatformSetTickSource(nullptr);
        CHILD_CHECK(dev.ok("COM4 resume"));
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("restoredAfterVertical"), 1);
    EXPECT_EQ(facts.Get("restoredAfterNoHorizontal"), 1);
    EXPECT_EQ(facts.Get("gpsRestedDuring"), 1);
    EXPECT_EQ(facts.Get("gpsFlowsAgain"), 1);
    // Words p 33792, q 34545, r 34304, s 43428 in both positions: q and s offsets are their means, p and r the
    // vertical mean less twice the horizontal one.
    const long alOffset[6] = {-40000, -60000, 2000, 3000, 2000, 3000};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(facts.Get("offset" + std::to_string(i + 1)), alOffset[i]) << "O" << i + 1;
        EXPECT_EQ(facts.Get("saved" + std::to_string(i + 1)), alOffset[i]) << "settings line " << 75 + i;
    }

    // The header's six offset records, the calibration's six, then those of the deletion; the failed procedures
    // wrote nothing.
    std::vector<Record> offsets;
    for (const Record &rec : SplitRecords(ReadFileBytes(OnlyDataFile(root)), 27))
        if (rec.Kind() == 'O') offsets.push_back(rec);
    ASSERT_EQ(offsets.size(), 18u);
    EXPECT_EQ(offsets[0].bytes, "O1     1.500      0.000   \n");
    offsets.erase(offsets.begin(), offsets.begin() + 6);
    const char *const aszCalibrated[6] = {"O1   -40.000      1.500   \n", "O2   -60.000      2.500   \n",
                                          "O3     2.000      3.500   \n", "O4     3.000      4.500   \n",
                                          "O5     2.000      5.500   \n", "O6     3.000      6.500   \n"};
    const char *const aszDeleted[6] = {"O1     0.000    -40.000   \n", "O2     0.000    -60.000   \n",
                                       "O3     0.000      2.000   \n", "O4     0.000      3.000   \n",
                                       "O5     0.000      2.000   \n", "O6     0.000      3.000   \n"};
    for (int i = 0; i < 6; i++) {
        EXPECT_EQ(offsets[i].bytes, aszCalibrated[i]);
        EXPECT_EQ(offsets[6 + i].bytes, aszDeleted[i]);
    }
}

}  // namespace

namespace {

// The EM34-3 station mode on the map, walking east: three stations of three readings, the second with only the
// 20 m separation; positions between the stations draw nothing. Style 5 marks each separation read at a station
// with a bar 2 pixels wide in its colour (10 m blue, 20 m red, 40 m green).
TEST(Em34StationMap, ThreeStationsOneWithOnlyTheTwentyMetreReading)
{
    std::string root = emu::MakeTempRoot("em34_station_map");
    emu::Emulator dev(root, {"COM4=em34:static,rate=2", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 50 sep=10"));
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM34, 0), [&]() {
        Facts facts;
        Em34ManualSurvey survey(dev);
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nSurveyMode = 2;
        nDipoleMode = 2;  // "3 readings"
        dwInstrumentTimeoutMs = 10000;  // a reader held up on a loaded machine is no EM34-3 battery save
        nReadingsPerStation = 0;
        nColorMapView = 0;
        nCursorSize = 5;
        nMapSize = 40;
        dEm34Offset10 = 0.0;
        dEm34Offset20 = 1.0;
        dEm34Offset40 = 2.0;
        PlatformAnswerDialog(L"CONFIRMSTATION", 1, true);
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(FramesArrive(10000));
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1; }, 15000));
        PlatformScriptFileChooser(L"C:\\data\\stationmap.dat");
        PlatformPressKey('F');
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(dev.ok("COM6 walk 90 3 0"));
        const char *const aszStations[3][3] = {{"25 sep=10", "30 sep=20", "35 sep=40"},
                                               {"30 sep=20", "30 sep=20", "30 sep=20"},
                                               {"25 sep=10", "30 sep=20", "35 sep=40"}};
        for (int nStation = 1; nStation <= 3; nStation++) {
            // Positions go by without a station: 4 m of the walk.
            const double dFrom = dGpsPrevX;
            CHILD_CHECK(PlatformWaitFor([dFrom] { return dGpsPrevX >= dFrom + 4.0; }, 10000));
            for (int n = 1; n <= 3; n++)
                CHILD_CHECK(survey.Press(aszStations[nStation - 1][n - 1], [nStation, n] {
                    return nReadingInStation == n || (n == 3 && nTotalReadingCount == nStation);
                }));
            CHILD_CHECK(PlatformWaitFor([nStation] { return nTotalReadingCount == nStation; }, 10000));
            // The next position draws the station.
            CHILD_CHECK(PlatformWaitFor([] { return bMapSegmentPending == 0; }, 10000));
        }
        // The bars of each colour: runs of neighbouring pixel columns that hold the colour, and their widths. The
        // window ANDs the grid over the survey, so a bar pixel on a grid line (where the walk put it) is the colour
        // masked by the grid's grey.
        constexpr COLORREF kGridGrey = 0xC0C0C0;
        RECT rc;
        GetClientRect(hwndMap, &rc);
        const std::vector<COLORREF> pixels = WindowPixels(hwndMap);
        const struct {
            const char *name;
            COLORREF clr;
        } kColours[3] = {{"blue", 0xFF0000}, {"red", 0x0000FF}, {"green", 0x15B535}};
        for (const auto &c : kColours) {
            std::vector<int> columns;
            for (int x = 0; x < rc.right; x++)
                for (int y = 0; y < rc.bottom; y++)
                    if (pixels[(size_t)y * rc.right + x] == c.clr ||
                        pixels[(size_t)y * rc.right + x] == (c.clr & kGridGrey)) {
                        columns.push_back(x);
                        break;
                    }
            int nBars = 0, nWidth = 0, nOtherWidths = 0;
            for (size_t i = 0; i <= columns.size(); i++) {
                if (i < columns.size() && i > 0 && columns[i] == columns[i - 1] + 1) {
                    nWidth++;
                    continue;
                }
                if (i > 0) nOtherWidths += nWidth != 2;
                if (i < columns.size()) nBars++;
                nWidth = 1;
            }
            facts.Set(std::string(c.name) + "Bars", nBars);
            facts.Set(std::string(c.name) + "NotTwoPixels", nOtherWidths);
            facts.Set(std::string(c.name) + "First", columns.empty() ? -1 : columns.front());
            facts.Set(std::string(c.name) + "Last", columns.empty() ? -1 : columns.back());
        }
        CHILD_CHECK(PlatformSaveWindowPng(hwndMap, std::string(TEST_OUTPUT_DIR "/em34_station_mode_map_three_stations.png")));
        CHILD_CHECK(dev.ok("COM6 walk 0 0"));
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    // Walking east, the 10 m bar at the station and the 20 m and 40 m ones behind it (west).
    EXPECT_EQ(facts.Get("blueBars"), 2);
    EXPECT_EQ(facts.Get("redBars"), 3);
    EXPECT_EQ(facts.Get("greenBars"), 2);
    for (const char *c : {"blue", "red", "green"}) EXPECT_EQ(facts.Get(std::string(c) + "NotTwoPixels"), 0) << c;
    EXPECT_LT(facts.Get("greenFirst"), facts.Get("redFirst"));
    EXPECT_LT(facts.Get("redFirst"), facts.Get("blueFirst"));
    EXPECT_GT(facts.Get("blueLast"), facts.Get("redLast"));
}

}  // namespace
