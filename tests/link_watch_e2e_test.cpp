// The instrument link watch end to end, for every instrument it watches: the emulator falls silent during a
// recording and speaks again (one break record, one ring only with the alarm on, the notice while silent, the
// labels back after), its pseudo-terminal is closed and made again under the same name (the port found again and
// readings resume), and the EM34-3 in the manual mode offers its battery-save reconnection. A numbers panel drawn
// afresh while the link is lost shows the notice again. A screen held busy while the EM61-MK2 streams is no
// silence: no break, no frame lost.
//
// After the link returns, every instrument's readings are handled and drawn again: the reading count grows and the
// numbers panel draws values, with no red of the notice left anywhere in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "logscreen/logscreen.h"
#include "processing/em61mk2_decode.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/screen_text.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

struct Instrument {
    const char *name;
    int type;
    const char *device;  // the emulator's device spec of COM4
};
void PrintTo(const Instrument &i, std::ostream *os) { *os << i.name; }

// A reader hands data to the watch again: a new frame tick or data tick.
bool DataArrives(int ms)
{
    const DWORD a0 = adwFrameTick[0], d0 = dwInstrumentDataTick;
    return PlatformWaitFor([a0, d0] { return adwFrameTick[0] != a0 || dwInstrumentDataTick != d0; }, ms);
}

// "&Logging", then a data file ("&File" answered by the chooser) and "&Go": recording.
void StartRecording(const std::wstring &name)
{
    PlatformAnswerDialog(L"MESSAGEOK", 1, true);
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(DataArrives(8000));
    if (nInstrumentType == INSTRUMENT_EM61MK2 || nInstrumentType == INSTRUMENT_EM61LX2)
        CHILD_CHECK(WaitNormalOperation(40000));
    PlatformScriptFileChooser(L"C:\\data\\" + name + L"." + DataFileExtension());
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
    PlatformPressKey('G');
    CHILD_CHECK(nRecordingState == 1);
}

// Readings are handled and drawn again: three more are counted and the numbers panel draws values (digits).
bool ReadingsDrawnAgain()
{
    PlatformClearDrawnTexts();
    const int n0 = nTotalReadingCount;
    if (!PlatformWaitFor([n0] { return nTotalReadingCount >= n0 + 3; }, 8000)) {
        fprintf(stderr, "readings: %d before, %d now\n", n0, nTotalReadingCount);
        return false;
    }
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwndNumbers && t.text.find_first_of(L"0123456789") != std::wstring::npos) return true;
    fprintf(stderr, "no value drawn in the numbers panel\n");
    return false;
}

int DarkPixelsIn(HWND hwnd, const RECT &rc)
{
    HDC hdc = GetDC(hwnd);
    int n = 0;
    for (int y = rc.top; y < rc.bottom; y++)
        for (int x = rc.left; x < rc.right; x++) {
            const COLORREF c = GetPixel(hdc, x, y);
            n += GetRValue(c) + GetGValue(c) + GetBValue(c) < 300;
        }
    ReleaseDC(hwnd, hdc);
    return n;
}

// Pixels of the lost-link notice's red left anywhere in the window's client area.
int NoticeRedPixelsIn(HWND hwnd)
{
    RECT rc = {0, 0, 0, 0};
    if (!GetClientRect(hwnd, &rc)) return -1;
    return CountColourInRect(hwnd, rc, RGB(255, 0, 0));
}

// Once the notice has given way (a break a loaded machine adds meanwhile is waited out), no pixel of its red is left
// anywhere in the numbers window. The window is written to <build>/test-output/<name>.png.
bool NoNoticeLeftInNumbers(const std::string &name)
{
    if (!PlatformWaitFor([] { return bConnLostNoticeShown == 0; }, 6000)) {
        fprintf(stderr, "the notice stays up (%s)\n", name.c_str());
        return false;
    }
    const int nRed = NoticeRedPixelsIn(hwndNumbers);
    PlatformSaveWindowPng(hwndNumbers, std::string(TEST_OUTPUT_DIR "/") + name + ".png");
    if (nRed == 0) return true;
    fprintf(stderr, "%d notice-red pixels left in the numbers window (%s)\n", nRed, name.c_str());
    return false;
}

size_t CountOf(const std::string &bytes, const std::string &what)
{
    size_t n = 0;
    for (size_t at = bytes.find(what); at != std::string::npos; at = bytes.find(what, at + 1)) n++;
    return n;
}

// The data file of that name in <root>/C/data, whatever the build's extension.
std::string ReadDataFile(const std::string &root, const std::string &stem)
{
    for (const auto &e : std::filesystem::directory_iterator(root + "/C/data"))
        if (e.path().stem().string() == stem) return ReadFileBytes(e.path().string());
    return "";
}

class LinkWatch : public ::testing::TestWithParam<Instrument> {};

// Silent for 1.5 s during a recording, then back: one break, one ring, the notice while silent, then the labels.
TEST_P(LinkWatch, SilenceThenBackIsOneBreakOneRingAndTheNoticeUntilDataReturns)
{
    const Instrument inst = GetParam();
    for (int alarm : {1, 0}) {
        SCOPED_TRACE(alarm);
        std::string root = emu::MakeTempRoot(std::string("link_silence_") + inst.name + (alarm ? "_alarm" : ""));
        emu::Emulator dev(root, {std::string("COM4=") + inst.device});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ChildResult r = RunProgramInChild(StartBuildIn(root, inst.type, 1), [&dev, &root, &inst, alarm]() {
            UseEmulatorPorts(false);
            bDisconnectAlarm = alarm;
            nSurveyMode = 0;
            StartRecording(L"silence");
            PlatformPump(800);
            const int nRingsBefore = SoundCount(L"SOUND_RING"), nPlayedBefore = PlayedCount(L"SOUND_RING");
            // Breaks before the silence (a loaded machine may delay a frame past the time-out) are not this one.
            const long long nBreaksBefore = (long long)CountOf(ReadDataFile(root, "silence"), "X1CONN BRK 1");
            // Another sound is still playing when the link breaks: the alarm is not skipped for it.
            PlatformHoldSoundPlaying(true);
            CHILD_CHECK(dev.ok("COM4 silence 1500"));
            CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 1; }, 3000));
            CHILD_CHECK(screentext::ShowsText(hwndNumbers,
                                              (rcSidePanel.left + rcSidePanel.right -
                                               screentext::TextSize(hwndNumbers, hFontBold, L"Lost").cx) / 2,
                                              (nInstrumentType == INSTRUMENT_EM61MK2 ? rcSidePanelValues.top
                                                                                     : rcSidePanel.top) + 5,
                                              hFontBold, L"Lost") ||
                        nInstrumentType == INSTRUMENT_EM61MK2);
            // Data returns: the notice gives way to the labels.
            CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 0; }, 6000));
            CHILD_CHECK(DataArrives(3000));
            CHILD_CHECK(ReadingsDrawnAgain());
            PlatformPump(600);
            CHILD_CHECK(NoNoticeLeftInNumbers(std::string("link_silence_numbers_after_") + inst.name));
            PlatformHoldSoundPlaying(false);
            Facts facts;
            facts.Set("rings", SoundCount(L"SOUND_RING") - nRingsBefore);
            facts.Set("played", PlayedCount(L"SOUND_RING") - nPlayedBefore);
            facts.Set("breaksBefore", nBreaksBefore);
            return StopSavingFacts(facts, root);
        }, 120);
        ASSERT_TRUE(r.exited);
        ASSERT_EQ(r.exitCode, 0);
        Facts facts = Facts::Load(FactsPath(root));
        EXPECT_EQ(facts.Get("rings"), alarm ? 1 : 0);
        EXPECT_EQ(facts.Get("played"), alarm ? 1 : 0);
        const std::string bytes = ReadDataFile(root, "silence");
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ((long long)CountOf(bytes, "X1CONN BRK 1") - facts.Get("breaksBefore"), 1);
        EXPECT_EQ(CountOf(bytes, "$STARTED"), 1u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, LinkWatch,
    ::testing::Values(Instrument{"em61mk2", INSTRUMENT_EM61MK2, "em61mk2:static,answer=OV"},
                      Instrument{"em61mk2_triggered", INSTRUMENT_EM61MK2, "em61mk2:static,answer=OK"},
                      Instrument{"em61lx2", INSTRUMENT_EM61LX2, "em61lx2:static,answer=OV"},
                      Instrument{"em31mk2", INSTRUMENT_EM31MK2, "em31mk2:static"},
                      Instrument{"em34", INSTRUMENT_EM34, "em34:static"},
                      Instrument{"em38mk2", INSTRUMENT_EM38MK2, "em38mk2:static"},
                      Instrument{"em384", INSTRUMENT_EM384, "em384:static"},
                      Instrument{"grad601", INSTRUMENT_GRAD601, "grad601:static"},
                      Instrument{"em38", INSTRUMENT_EM38, "em38:static"},
                      Instrument{"cs21", INSTRUMENT_CS21, "cs21:static"}),
    [](const ::testing::TestParamInfo<Instrument> &info) { return std::string(info.param.name); });

// The numbers panel drawn afresh while the link is still lost: the labels of "&Go" (Grad601, EM61-LX2, EM61-MK2)
// or the window arranged again when the map is switched on or off. The instruments that draw the notice once per
// break draw it again at the next silent tick; once the link is back no notice red is left in the numbers window.
struct Redrawn {
    const char *name;
    int type;
    const char *device;
    bool bMapToggle;  // the map switched (else "&Go")
};
void PrintTo(const Redrawn &c, std::ostream *os) { *os << c.name; }

class LinkWatchRedrawn : public ::testing::TestWithParam<Redrawn> {};

TEST_P(LinkWatchRedrawn, PanelDrawnAfreshWhileSilentShowsTheNoticeAgainAndNoRedAfter)
{
    const Redrawn c = GetParam();
    std::string root = emu::MakeTempRoot(std::string("link_redrawn_") + c.name);
    std::vector<std::string> devices = {std::string("COM4=") + c.device};
    if (c.bMapToggle) devices.push_back("COM6=gps:format=1,hz=5");
    emu::Emulator dev(root, devices);
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartBuildIn(root, c.type, 1), [&dev, &c]() {
        UseEmulatorPorts(c.bMapToggle);
        nGpsFormat = 1;
        bDisconnectAlarm = 0;
        nSurveyMode = 0;
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(DataArrives(8000));
        PlatformScriptFileChooser(std::wstring(L"C:\\data\\redrawn.") + DataFileExtension());
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(dev.ok("COM4 silence 0"));
        CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 1; }, 3000));
        CHILD_CHECK(NoticeRedPixelsIn(hwndNumbers) > 0);
        if (c.bMapToggle) {
            const int bMapBefore = bGpsActive;
            PlatformScriptPopupMenu(511);
            PlatformPressKey('M');
            CHILD_CHECK(PlatformWaitFor([bMapBefore] { return bGpsActive != bMapBefore; }, 3000));
        } else {
            PlatformPressKey('G');
            CHILD_CHECK(nRecordingState == 1);
        }
        // Still silent: the notice is shown again.
        const bool bShownAgain = PlatformWaitFor([] { return NoticeRedPixelsIn(hwndNumbers) > 0; }, 3000);
        PlatformSaveWindowPng(hwndNumbers, std::string(TEST_OUTPUT_DIR "/link_redrawn_numbers_while_silent_") +
                                               c.name + ".png");
        CHILD_CHECK(bShownAgain);
        CHILD_CHECK(dev.ok("COM4 resume"));
        CHILD_CHECK(DataArrives(8000));
        CHILD_CHECK(NoNoticeLeftInNumbers(std::string("link_redrawn_numbers_after_") + c.name));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Panels, LinkWatchRedrawn,
    ::testing::Values(Redrawn{"grad601_go", INSTRUMENT_GRAD601, "grad601:static", false},
                      Redrawn{"em384_map_switched", INSTRUMENT_EM384, "em384:static", true},
                      Redrawn{"grad601_map_switched", INSTRUMENT_GRAD601, "grad601:static", true}),
    [](const ::testing::TestParamInfo<Redrawn> &info) { return std::string(info.param.name); });

// The adapter unplugged mid-survey and plugged back: the pseudo-terminal is closed and made again under the same
// COM name. The watch closes the dead port, opens it again by name once it is back and re-arms; one break record;
// readings resume with no operator action.
struct Replug {
    const char *name;
    int type;
    const char *device;
};
void PrintTo(const Replug &c, std::ostream *os) { *os << c.name; }

class LinkReplug : public ::testing::TestWithParam<Replug> {};

TEST_P(LinkReplug, PortClosedAndMadeAgainIsFoundAgainAndReadingsResume)
{
    const Replug c = GetParam();
    std::string root = emu::MakeTempRoot(std::string("link_replug_") + c.name);
    emu::Emulator dev(root, {std::string("COM4=") + c.device});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartBuildIn(root, c.type, 1), [&dev, &root, &c]() {
        UseEmulatorPorts(false);
        bDisconnectAlarm = 1;
        nSurveyMode = 0;
        StartRecording(L"replug");
        // A frame a loaded machine holds up is no break here: only the unplug's break is counted.
        dwInstrumentTimeoutMs = 1000;
        PlatformPump(800);
        // A loaded machine may be slow to give the first readings: only the break of the unplug is counted.
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount >= 2; }, 8000));
        CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 0; }, 6000));
        const long long nBreaksBefore = (long long)CountOf(ReadDataFile(root, "replug"), "X1CONN BRK 1");
        CHILD_CHECK(dev.ok("COM4 close"));
        CHILD_CHECK(PlatformWaitFor([] { return bInstrumentPortLost == 1; }, 3000));
        CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 1; }, 3000));
        // Still unplugged for a while: the port stays missing, the readers wait.
        PlatformPump(1200);
        CHILD_CHECK(bInstrumentPortLost == 1);
        CHILD_CHECK(IsOpenHandle(hInstrumentThread));
        const int nReadingsBefore = nTotalReadingCount;
        CHILD_CHECK(dev.ok("COM4 reopen"));
        CHILD_CHECK(PlatformWaitFor([] { return bInstrumentPortLost == 0 && IsOpenHandle(hInstrumentPort); }, 3000));
        CHILD_CHECK(DataArrives(8000));
        CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 0; }, 6000));
        CHILD_CHECK(ReadingsDrawnAgain());
        PlatformPump(1000);
        CHILD_CHECK(NoNoticeLeftInNumbers(std::string("link_replug_numbers_after_") + c.name));
        Facts facts;
        facts.Set("readingsAfter", nTotalReadingCount - nReadingsBefore);
        facts.Set("breaksBefore", nBreaksBefore);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    const std::string bytes = ReadDataFile(root, "replug");
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ((long long)CountOf(bytes, "X1CONN BRK 1") - facts.Get("breaksBefore"), 1);
    // Readings go on after the replug.
    EXPECT_GT(facts.Get("readingsAfter"), 3);
}

INSTANTIATE_TEST_SUITE_P(
    Devices, LinkReplug,
    ::testing::Values(Replug{"em61mk2_continuous", INSTRUMENT_EM61MK2, "em61mk2:static,answer=OV"},
                      Replug{"em61mk2_triggered", INSTRUMENT_EM61MK2, "em61mk2:static,answer=OK"},
                      Replug{"em31mk2", INSTRUMENT_EM31MK2, "em31mk2:static"},
                      Replug{"em61lx2", INSTRUMENT_EM61LX2, "em61lx2:static,answer=OV"},
                      Replug{"grad601", INSTRUMENT_GRAD601, "grad601:static"},
                      Replug{"em34", INSTRUMENT_EM34, "em34:static"},
                      Replug{"em38mk2", INSTRUMENT_EM38MK2, "em38mk2:static"},
                      Replug{"em384", INSTRUMENT_EM384, "em384:static"},
                      Replug{"em38", INSTRUMENT_EM38, "em38:static"},
                      Replug{"cs21", INSTRUMENT_CS21, "cs21:static"}),
    [](const ::testing::TestParamInfo<Replug> &info) { return std::string(info.param.name); });

// Reading records of an EM61-MK2 data file whose mode letter is `letter`, and whether a connection-break record
// lies between the first and the last of them.
struct LetterRun {
    int readings = 0;
    int breaksWithin = 0;
};
LetterRun ReadingsWithLetter(const std::string &bytes, char letter)
{
    LetterRun run;
    const std::vector<Record> recs = SplitRecords(bytes, 27);
    size_t first = recs.size(), last = 0;
    for (const Record &rec : recs)
        if (IsEm61Mk2Reading(rec) && rec.Kind() == letter) {
            run.readings++;
            first = std::min(first, rec.index);
            last = std::max(last, rec.index);
        }
    for (size_t i = first; i < last; i++) run.breaksWithin += recs[i].StartsWith("X1CONN BRK 1");
    return run;
}

// The screen thread held for 1.5 s (a long redraw, a map rebuild) while the EM61-MK2 streams: the reader waits to
// hand over its reading meanwhile, which is no silence of the instrument. No break record (and so no re-arm, whose
// purge would drop the frames waiting in the port), and every frame the instrument sent is recorded: the counted
// frames carry the letter "E", those before them "T", and every frame is a reading record.
TEST(LinkWatchBusyScreen, ScreenHeldWhileTheEm61Mk2StreamsIsNoBreakAndLosesNoFrame)
{
    constexpr int kFrames = 60;  // 3.3 s of frames: the hold lies inside the stream
    std::string root = emu::MakeTempRoot("link_busy_screen");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM61MK2, 1), [&dev, &root]() {
        UseEmulatorPorts(false);
        nSurveyMode = 0;
        dSampleInterval = 0.05;
        SetReadingRateFactors();
        StartRecording(L"busy");
        CHILD_CHECK(nFrameDecimation == 1);
        // A reading stores the tick of the frame before it: the counted frames start after one recorded already.
        CHILD_CHECK(PlatformWaitFor([&root] { return ReadingsWithLetter(ReadDataFile(root, "busy"), 'T').readings > 0; },
                                    8000));
        // The short stop while the letter changes is no break, however slow the machine.
        dwInstrumentTimeoutMs = 10000;
        CHILD_CHECK(dev.ok("COM4 frames 0"));
        CHILD_CHECK(dev.ok("COM4 value letter=E"));
        CHILD_CHECK(dev.ok("COM4 frames " + std::to_string(kFrames)));
        auto Recorded = [&root](int n) {
            return PlatformWaitFor(
                [&root, n] { return ReadingsWithLetter(ReadDataFile(root, "busy"), 'E').readings >= n; }, 30000);
        };
        CHILD_CHECK(Recorded(1));
        // A loaded machine may hold the reader itself up for a moment: the hold is three time-outs long.
        dwInstrumentTimeoutMs = 500;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        // The watch's tick that fell due during the hold comes first, before the reader's waiting reading is taken.
        SendMessage(hwndLog, WM_TIMER, 1, 0);
        Facts facts;
        facts.Set("allRecorded", Recorded(kFrames) ? 1 : 0);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    const LetterRun run = ReadingsWithLetter(ReadDataFile(root, "busy"), 'E');
    EXPECT_EQ(facts.Get("allRecorded"), 1);
    EXPECT_EQ(run.readings, kFrames) << "frames lost or doubled";
    EXPECT_EQ(run.breaksWithin, 0) << "a break (and its re-arm) while the screen was busy";
}

}  // namespace

namespace {

// EM34-3 in the manual mode: a silence is the instrument's battery save. Answered Yes, the port is opened again,
// the reader made again and readings go on without another question; answered No, "$CONN END" is written and
// the screen stays in stand-by with "&Go" and "&QLine" disabled (the key G starts nothing) and the pause hint
// and "Push switch RECORD" erased, until "E&xit".
TEST(LinkWatchEm34, BatterySaveAnsweredYesReconnectsAndNoLeavesStandBy)
{
    for (int yes : {1, 0}) {
        SCOPED_TRACE(yes);
        std::string root = emu::MakeTempRoot(std::string("link_em34_battery_") + (yes ? "yes" : "no"));
        emu::Emulator dev(root, {"COM4=em34:static"});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM34, 1), [&dev, &root, yes]() {
            UseEmulatorPorts(false);
            bDisconnectAlarm = 1;
            nSurveyMode = 2;
            StartRecording(L"battery");
            CHILD_CHECK(nSurveyModePrev == 2);
            // A frame a loaded machine holds up is no battery save: only the emulator's silence asks.
            dwInstrumentTimeoutMs = 1000;
            PlatformPump(500);
            CHILD_CHECK(screentext::BoxShows(hwndLog, rcHintLine, hFontBold, L"Push switch RECORD"));
            PlatformClearShownDialogs();
            PlatformScriptDialog(L"EM34-3 Battery Save Mode", [&dev, yes](HWND dialog) {
                if (yes) dev.ok("COM4 resume");
                PlatformPressDialogButton(dialog, yes ? 1 : 2);
            }, true);  // a second question is answered too (and counted) rather than left waiting
            CHILD_CHECK(dev.ok("COM4 silence 0"));
            CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"EM34-3 Battery Save Mode"); }, 4000));
            CHILD_CHECK(ShownWith(L"EM34-3 Battery Save Mode",
                                  L"After the instrument is ON\r\npress YES to connect.\r\npress NO to exit Logging "
                                  L"Mode.\r\n"));
            Facts facts;
            if (yes) {
                CHILD_CHECK(bInstrumentLinkUp == 1);
                CHILD_CHECK(IsOpenHandle(hInstrumentPort));
                CHILD_CHECK(IsOpenHandle(hInstrumentThread));
                CHILD_CHECK(HasTimer(300));
                CHILD_CHECK(DataArrives(3000));
                PlatformPump(1500);
                CHILD_CHECK(NoNoticeLeftInNumbers("link_em34_battery_save_numbers_after_reconnection"));
                // Readings went on: no second question.
                int nQuestions = 0;
                for (const ShownDialog &d : PlatformShownDialogs()) nQuestions += d.caption == L"EM34-3 Battery Save Mode";
                CHILD_CHECK(nQuestions == 1);
                CHILD_CHECK(nRecordingState == 1);
                PauseAndStop();
            } else {
                CHILD_CHECK(nRecordingState == -1);
                CHILD_CHECK(ActiveTimerPeriods().empty());
                CHILD_CHECK(!IsWindowVisible(hwndPauseButton));
                CHILD_CHECK(IsWindowVisible(hwndLogButtonsAlt[0]));
                CHILD_CHECK(!IsWindowEnabled(hwndLogButtonsAlt[0]));
                CHILD_CHECK(!IsWindowEnabled(hwndLogButtonsAlt[1]));
                CHILD_CHECK(IsWindowEnabled(hwndLogButtonsAlt[2]));
                CHILD_CHECK(screentext::BoxShows(hwndLog, rcStatusLineText, hFontNormal, L"Stand By (Manual)"));
                // The pause hint and the record prompt are erased: no dark pixel left in either box.
                CHILD_CHECK(DarkPixelsIn(hwndLog, rcPauseHintArea) == 0);
                CHILD_CHECK(DarkPixelsIn(hwndLog, rcHintLine) == 0);
                PlatformPressKey('G');
                CHILD_CHECK(nRecordingState == -1);
                PlatformAnswerDialog(L"Confirm Exit", 1);
                PlatformPressKey('X');
                CHILD_CHECK(nRecordingState == -2);
            }
            CHILD_CHECK(facts.Save(FactsPath(root)));
            CloseProgram();
            return 0;
        }, 120);
        ASSERT_TRUE(r.exited);
        ASSERT_EQ(r.exitCode, 0);
        const std::string bytes = ReadDataFile(root, "battery");
        ASSERT_FALSE(bytes.empty());
        EXPECT_EQ(CountOf(bytes, "X$CONN END"), yes ? 0u : 1u);
        EXPECT_EQ(CountOf(bytes, "X$STARTED"), 1u);
    }
}

}  // namespace
