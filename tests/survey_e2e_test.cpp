// An EM61-MK2 survey end to end: the real program under the offscreen platform against the device emulator on
// pseudo-terminals, driven by the main menu's "&Logging", the logging screen's keys and buttons, and the data file
// it leaves behind; both product lines, landscape and portrait screens.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QImage>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/displays.h"
#include "logscreen/logscreen.h"
#include "processing/em61mk2_decode.h"
#include "processing/em61mk2_handler.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

constexpr int kKeySpace = 0x20;

struct ProductLine {
    int jix;
    const char *name;       // for messages and files
    const wchar_t *file;    // the data file the save chooser answers with
    const char *fileName;   // the same under <root>/C/data/
    const char *tag;        // file tag and format number of header record 1
    int headerGpsRecords;   // "G" records of the header block
};
const ProductLine kJix = {1, "jix", L"C:\\data\\survey.P61", "survey.P61", "JIXMK2  W225", 1};
const ProductLine kZanth = {0, "zanth", L"C:\\data\\survey.T61", "survey.T61", "ZNTMK2  W228", 3};

// A start of the program in the emulator's root with the data folder and the build's settings folder made.
ProgramStart StartIn(const std::string &root, int jix, int width = 1280, int height = 800)
{
    ProgramStart start;
    start.rootFolder = root;
    start.jixProduct = jix;
    start.screenWidth = width;
    start.screenHeight = height;
    start.makeFolders = {L"C:\\data", jix ? L"C:\\ProgramData\\Ulvane\\Jix61MK2" : L"C:\\ProgramData\\Ulvane\\Zanth61MK2"};
    return start;
}

std::string FactsPath(const std::string &root) { return root + "/facts.txt"; }

void CloseProgram() { PostMessage(hwndMain, WM_CLOSE, 0, 0); }

// Fixed raw frames: letter T, gain code 0, channel words 1000, 2000, -1000, 0, current word 3141 ("OV" answer).
const unsigned char kRawFrame[10] = {'T', 0, 0x03, 0xE8, 0x07, 0xD0, 0xFC, 0x18, 0x00, 0x00};

// An event record "X" with this label: the label, blanks up to the tick, the tick and the line feed.
bool IsEvent(const Record &r, const std::string &label)
{
    if (r.bytes.size() != 27 || r.bytes[0] != 'X' || r.bytes[26] != '\n') return false;
    if (r.bytes.compare(1, label.size(), label) != 0) return false;
    for (size_t i = 1 + label.size(); i < 16; i++)
        if (r.bytes[i] != ' ') return false;
    return r.Tick() >= 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// "&Logging" from the main menu
// ---------------------------------------------------------------------------------------------------------------

// "OV" (streaming): the continuous reader and a 300 ms timer; frames arrive without triggers. "OK" (triggered):
// a 100 ms timer and one 'A' per tick while the instrument is idle, each answered by one frame. After "E&xit" from
// monitoring the menu is back and "&Logging" works again.
TEST(SurveyLogging, AnswerChoosesReaderAndTimerAndLoggingStartsAgainAfterStop)
{
    struct Case {
        const char *answer;
        int timerMs;
        int cmdReply;
    };
    for (const Case c : {Case{"OV", 300, 0}, Case{"OK", 100, 1}}) {
        SCOPED_TRACE(c.answer);
        std::string root = emu::MakeTempRoot(std::string("survey_logging_") + c.answer);
        emu::Emulator dev(root, {std::string("COM4=em61mk2:static,answer=") + c.answer});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev, c]() {
            UseEmulatorPorts(false);
            for (int run = 0; run < 2; run++) {
                PlatformClearShownDialogs();
                if (run == 0)
                    PlatformPressKey('L');
                else
                    PlatformClickButton(ahMenuButton[0]);
                CHILD_CHECK(PlatformShownDialogs().empty());
                CHILD_CHECK(nActiveScreen == 1);
                CHILD_CHECK(IsWindowVisible(hwndLog));
                CHILD_CHECK(nRecordingState == 0);
                CHILD_CHECK(nInstrumentCmdReply == c.cmdReply);
                CHILD_CHECK(IsOpenHandle(hInstrumentPort));
                CHILD_CHECK(IsOpenHandle(hInstrumentThread));
                CHILD_CHECK(HasTimer(c.timerMs));
                CHILD_CHECK(ActiveTimerPeriods().size() == 1);
                std::string sent = dev.received("COM4");
                CHILD_CHECK(sent.find("HX") != std::string::npos);
                CHILD_CHECK(FramesArrive(3000));
                if (c.cmdReply == 1) {
                    // Triggered: about one 'A' per 100 ms tick, and one frame for each 'A'.
                    dev.received("COM4");
                    long before = dev.count("COM4");
                    PlatformPump(1500);
                    std::string triggers = dev.received("COM4");
                    long frames = dev.count("COM4") - before;
                    size_t nA = 0;
                    for (char ch : triggers) nA += ch == 'A';
                    CHILD_CHECK(nA == triggers.size());  // nothing but triggers
                    CHILD_CHECK(nA >= 4 && nA <= 20);
                    CHILD_CHECK(frames >= (long)nA - 2 && frames <= (long)nA + 2);
                } else {
                    PlatformPump(500);
                    CHILD_CHECK(dev.received("COM4").find('A') == std::string::npos);
                }
                // "E&xit" from monitoring asks nothing and brings the menu back with every port closed.
                PlatformPressKey('X');
                CHILD_CHECK(PlatformShownDialogs().empty());
                CHILD_CHECK(nRecordingState == -2);
                CHILD_CHECK(nActiveScreen == 0);
                CHILD_CHECK(!IsWindowVisible(hwndLog));
                CHILD_CHECK(IsWindowVisible(ahMenuButton[0]));
                CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
                CHILD_CHECK(ActiveTimerPeriods().empty());
                CHILD_CHECK(PlatformWaitFor([&dev] { return dev.command("COM4 state") == "OK idle"; }, 3000));
            }
            CloseProgram();
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// A silent instrument: "Connection Issue" with its text, every port closed, the menu back.
TEST(SurveyLogging, SilentInstrumentGivesConnectionIssueWithPortsClosed)
{
    std::string root = emu::MakeTempRoot("survey_logging_silent");
    emu::Emulator dev(root, {"COM4=em61mk2:answer=none"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev]() {
        UseEmulatorPorts(false);
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Connection Issue", 1);
        PlatformPressKey('L');
        CHILD_CHECK(PlatformShownDialogs().size() == 1);
        CHILD_CHECK(ShownWith(L"Connection Issue", L"Instrument OFF or Disconnected, or wrong COM port selected"));
        CHILD_CHECK(nActiveScreen == 0);
        CHILD_CHECK(nRecordingState == -2);
        CHILD_CHECK(!IsWindowVisible(hwndLog));
        CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
        CHILD_CHECK(!IsOpenHandle(hInstrumentThread));
        CHILD_CHECK(ActiveTimerPeriods().empty());
        CHILD_CHECK(dev.command("COM4 state") == "OK idle");
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// Two devices on one port: "Serial Port Issue" with the port named, nothing opened.
TEST(SurveyLogging, PortConflictsAreRefusedWithTheirTexts)
{
    struct Conflict {
        int instrumentPort, gpsPort, tiltPort, gpsOn, tiltOn;
        const wchar_t *text;
    };
    const Conflict cases[] = {
        {3, 3, 6, 1, 0, L"Serial Port COM4 Assigned to Instrument and GPS, please change port selection."},
        {3, 6, 6, 1, 1, L"Serial Port COM7 Assigned to GPS and Tilt Meter, please change port selection."},
        {3, 5, 3, 0, 1, L"Serial Port COM4 Assigned to Instrument and Tilt Meter, please change port selection."},
    };
    std::string root = emu::MakeTempRoot("survey_logging_conflicts");
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&cases]() {
        PlatformAnswerDialog(L"Serial Port Issue", 1, true);
        for (const Conflict &c : cases) {
            UseEmulatorPorts(c.gpsOn != 0);
            nInstrumentPort = c.instrumentPort;
            nGpsPort = c.gpsPort;
            nTiltPort = c.tiltPort;
            bTiltMeterOn = c.tiltOn;
            PlatformClearShownDialogs();
            PlatformPressKey('L');
            CHILD_CHECK(PlatformShownDialogs().size() == 1);
            CHILD_CHECK(ShownWith(L"Serial Port Issue", c.text));
            CHILD_CHECK(nActiveScreen == 0);
            CHILD_CHECK(!IsOpenHandle(hInstrumentPort) && !IsOpenHandle(hGpsPort) && !IsOpenHandle(hTiltPort));
        }
        CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// ---------------------------------------------------------------------------------------------------------------
// A whole survey by keys and buttons, and the data file it leaves
// ---------------------------------------------------------------------------------------------------------------

class SurveyRun : public ::testing::TestWithParam<ProductLine> {};

// "&File" (key F, chooser answered), "&Go" (button), frames, pause (any key), quick line (key Q, Yes), resume (key
// G), frames, pause ("P A U S E" button), "E&xit" (key X) answered Yes. The file holds the header block, the line
// blocks, "$STARTED" and "PAUSED" around each run, and per run the reading records of the frames the emulator sent
// meanwhile (one per nFramesPerReading frames): each 27 bytes, the frame's first ten bytes as sent, the mean
// transmitter current written back, the raw current word, the tick and the line feed; none torn, none outside a run.
TEST_P(SurveyRun, WholeSurveyByKeysAndButtons)
{
    const ProductLine line = GetParam();
    std::string root = emu::MakeTempRoot(std::string("survey_whole_") + line.name);
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value raw=1000,2000,-1000,0 gain=0 letter=T current=3141"));
    ASSERT_TRUE(dev.ok("COM4 rate 5"));
    ChildResult r = RunProgramInChild(StartIn(root, line.jix), [&dev, &root, line]() {
        Facts facts;
        UseEmulatorPorts(false);
        wcscpy(szSurveyLine, L"7");
        dLineIncrement = 1.0;
        nLineMode = 1;
        nPauseKey = 0;
        nSurveyMode = 0;
        PlatformClearShownDialogs();
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(15000));
        PlatformPump(2500);  // the running mean of the current settles on the "OV" value
        // "&File" by its key: the save chooser is answered with the file.
        PlatformScriptFileChooser(line.file);
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(IsOpenHandle(hDataFile.load()));
        CHILD_CHECK(IsWindowVisible(hwndLogButtonsAlt[0]));
        facts.Set("framesPerReading", nFramesPerReading);

        // Run 1: "&Go" by its button, paused by any key.
        long c0 = dev.count("COM4");
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(IsWindowVisible(hwndPauseButton));
        PlatformPump(2000);
        long c1 = dev.count("COM4");
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        facts.Set("run1Frames", c1 - c0);
        facts.Set("run1Readings", nTotalReadingCount);

        // Quick line by key Q, answered Yes.
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Quick Line", 1);
        PlatformPressKey('Q');
        CHILD_CHECK(ShownWith(L"Quick Line", L"New Line: 8.00"));
        CHILD_CHECK(wcscmp(szSurveyLine, L"8.00") == 0);
        CHILD_CHECK(nRecordingState == -1);

        // Run 2: resumed by key G, paused by the "P A U S E" button.
        long c2 = dev.count("COM4");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(2000);
        long c3 = dev.count("COM4");
        PlatformClickButton(hwndPauseButton);
        CHILD_CHECK(nRecordingState == -1);
        facts.Set("run2Frames", c3 - c2);
        facts.Set("totalReadings", nTotalReadingCount);

        // "E&xit" by key X, confirmed.
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Confirm Exit", 1);
        PlatformPressKey('X');
        CHILD_CHECK(ShownWith(L"Confirm Exit", L"Exit Logging?"));
        CHILD_CHECK(nRecordingState == -2);
        CHILD_CHECK(nActiveScreen == 0);
        CHILD_CHECK(!IsOpenHandle(hDataFile.load()));
        CHILD_CHECK(!IsOpenHandle(hInstrumentPort));
        CHILD_CHECK(IsWindowVisible(ahMenuButton[0]));
        CHILD_CHECK(facts.Save(FactsPath(root)));
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);

    Facts facts = Facts::Load(FactsPath(root));
    const long long k = facts.Get("framesPerReading");
    ASSERT_GE(k, 1);
    std::string bytes = ReadFileBytes(root + "/C/data/" + line.fileName);
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(bytes, 27, &tail);
    ASSERT_EQ(tail, 0u) << "the file ends inside a record";
    ASSERT_GT(recs.size(), 20u);
    for (const Record &rec : recs) EXPECT_EQ(rec.bytes[26], '\n') << "record " << rec.index;

    // Header block: tag and format, "GRD" (GPS off), the file name, the GPS records, four offset records.
    EXPECT_EQ(recs[0].bytes.substr(0, 15), std::string(line.tag) + "GRD");
    EXPECT_EQ(recs[1].bytes.substr(0, 11), "Hsurvey    ");
    size_t i = 2;
    for (int g = 0; g < line.headerGpsRecords; g++, i++) EXPECT_EQ(recs[i].Kind(), 'G') << "record " << i;
    for (int o = 0; o < 4; o++, i++) EXPECT_EQ(recs[i].Kind(), 'O') << "record " << i;
    // First line block.
    EXPECT_EQ(recs[i].bytes.substr(0, 14), "L7            ") << "record " << i;

    // Events in order, and the readings of each run between its "$STARTED" and its "PAUSED".
    std::vector<size_t> started, paused, lines;
    for (const Record &rec : recs) {
        if (IsEvent(rec, "$STARTED")) started.push_back(rec.index);
        if (IsEvent(rec, "PAUSED")) paused.push_back(rec.index);
        if (rec.Kind() == 'L') lines.push_back(rec.index);
    }
    ASSERT_EQ(started.size(), 2u);
    ASSERT_EQ(paused.size(), 2u);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(recs[lines[1]].bytes.substr(0, 14), "L8.00         ");
    EXPECT_LT(started[0], paused[0]);
    EXPECT_LT(paused[0], lines[1]);
    EXPECT_LT(lines[1], started[1]);
    EXPECT_LT(started[1], paused[1]);

    int nReadings = 0;
    for (int run = 0; run < 2; run++) {
        SCOPED_TRACE("run " + std::to_string(run + 1));
        long long startTick = recs[started[run]].Tick();
        long long pauseTick = recs[paused[run]].Tick();
        long long lastTick = -1;
        int n = 0;
        for (size_t j = started[run] + 1; j < paused[run]; j++) {
            const Record &rec = recs[j];
            ASSERT_TRUE(IsEm61Mk2Reading(rec)) << "record " << j << ": " << rec.bytes;
            n++;
            EXPECT_EQ(rec.bytes.compare(0, 10, std::string((const char *)kRawFrame, 10)), 0) << "record " << j;
            // Mean current: 3141 / 1.047 = 3000 in the ring, written back as integer part and hundredths.
            int integer = ((unsigned char)rec.bytes[10] << 8) | (unsigned char)rec.bytes[11];
            int hundredths = (unsigned char)rec.bytes[12];
            EXPECT_TRUE((integer == 3000 && hundredths == 0) || (integer == 2999 && hundredths == 99))
                << "record " << j << ": mean " << integer << "." << hundredths;
            EXPECT_EQ((unsigned char)rec.bytes[13], 0x0C);  // raw current word 3141
            EXPECT_EQ((unsigned char)rec.bytes[14], 0x45);
            long long tick = rec.Tick();
            // The tick rule: no frame older than the start; nothing after the pause.
            EXPECT_GE(tick + 20, startTick) << "record " << j;
            EXPECT_LE(tick, pauseTick) << "record " << j;
            EXPECT_GE(tick, lastTick) << "record " << j;
            lastTick = tick;
        }
        nReadings += n;
        // None lost, none doubled: one record per k frames the emulator sent during the run.
        long long frames = facts.Get(run == 0 ? "run1Frames" : "run2Frames");
        long long slack = 2 * k + std::max(8LL, frames / 10);
        EXPECT_GT(n, 5);
        EXPECT_GE(n * k, frames - slack) << n << " records of " << frames << " frames, " << k << " per reading";
        EXPECT_LE(n * k, frames + slack) << n << " records of " << frames << " frames, " << k << " per reading";
    }
    // No reading record outside the runs; the session counted every record it wrote.
    int nAll = 0;
    for (const Record &rec : recs) nAll += IsEm61Mk2Reading(rec) && rec.Kind() == 'T';
    EXPECT_EQ(nAll, nReadings);
    // A frame older than a start is counted but not written: at most one such per run.
    EXPECT_GE(facts.Get("totalReadings"), nReadings);
    EXPECT_LE(facts.Get("totalReadings"), nReadings + 2);
}

INSTANTIATE_TEST_SUITE_P(BothLines, SurveyRun, ::testing::Values(kJix, kZanth),
                         [](const ::testing::TestParamInfo<ProductLine> &info) {
                             return std::string(info.param.jix ? "Jix" : "Zanth");
                         });
