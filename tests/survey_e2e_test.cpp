// An EM61-MK2 survey end to end: the real program under the offscreen platform against the device emulator on
// pseudo-terminals, driven by the main menu's "&Logging", the logging screen's keys and buttons, and the data file
// it leaves behind; both product lines, landscape and portrait screens.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>
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

struct ProductLine {
    int jix;
    const char *name;       // for messages and files
    const wchar_t *file;    // the data file the save chooser answers with
    const char *fileName;   // the same under <root>/C/data/
    const char *tag;        // file tag and format number of header record 1
    int headerGpsRecords;   // "G" records of the header block
};
void PrintTo(const ProductLine &line, std::ostream *os) { *os << line.name; }
const ProductLine kJix = {1, "jix", L"C:\\data\\survey.P61", "survey.P61", "JIXMK2  W225", 1};
const ProductLine kZanth = {0, "zanth", L"C:\\data\\survey.T61", "survey.T61", "ZNTMK2  W228", 3};

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

// The running mean of the transmitter current has settled on the "OV" instrument's 3141 / 1.047 = 3000 (every slot
// of the ring holds a frame of that current), however many frames a loaded machine took to fill it.
static bool MeanCurrentSettled()
{
    return PlatformWaitFor([] { return std::fabs(dCurrentMean - 3000.0) < 0.005; }, 20000);
}

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
    // Twice the real rate: a program held up on a loaded machine still catches up with it, so that its port drains.
    ASSERT_TRUE(dev.ok("COM4 rate 2"));
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
        CHILD_CHECK(MeanCurrentSettled());
        // "&File" by its key: the save chooser is answered with the file.
        PlatformScriptFileChooser(line.file);
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        CHILD_CHECK(IsOpenHandle(hDataFile.load()));
        CHILD_CHECK(IsWindowVisible(hwndLogButtonsAlt[0]));
        facts.Set("framesPerReading", nFramesPerReading);

        // Run 1: "&Go" by its button, paused by any key. The frames of a run are those the emulator sent between
        // the two counts. Each count is taken right after the program has read every byte sent so far and right
        // before the start or the pause, so that a reader held up on a loaded machine does not move frames across
        // the boundaries.
        CHILD_CHECK(InstrumentPortDrained(20000));
        long c0 = dev.count("COM4");
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(IsWindowVisible(hwndPauseButton));
        PlatformPump(2000);
        CHILD_CHECK(InstrumentPortDrained(20000));
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
        CHILD_CHECK(InstrumentPortDrained(20000));
        long c2 = dev.count("COM4");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(2000);
        CHILD_CHECK(InstrumentPortDrained(20000));
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
        // After a survey, "&Logging" (its menu button) starts monitoring again.
        PlatformClearShownDialogs();
        PlatformClickButton(ahMenuButton[0]);
        CHILD_CHECK(PlatformShownDialogs().empty());
        CHILD_CHECK(nActiveScreen == 1 && nRecordingState == 0);
        CHILD_CHECK(FramesArrive(5000));
        PlatformPressKey('X');
        CHILD_CHECK(nRecordingState == -2);
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

// ---------------------------------------------------------------------------------------------------------------
// Nulling, link watch, wheel mode
// ---------------------------------------------------------------------------------------------------------------

namespace {

// Mean row of the pixels of one colour in the right-most columns of a picture; -1 when there are none.
double MeanRowOfColour(const QImage &img, unsigned rgb, int columns)
{
    double sum = 0;
    int n = 0;
    for (int y = 0; y < img.height(); y++)
        for (int x = std::max(0, img.width() - columns); x < img.width(); x++)
            if ((img.pixel(x, y) & 0xFFFFFFu) == rgb) {
                sum += y;
                n++;
            }
    return n ? sum / n : -1;
}

const unsigned kBlue = 0x0000FF, kGreen = 0x00FF00, kRed = 0xFF0000, kMagenta = 0xFF00FF;  // as RGB

// Monitoring with the normalisation done and the mean current settled, then a data file (key F): stand-by.
void MonitorThenCreateFile(const wchar_t *file)
{
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(15000));
    CHILD_CHECK(MeanCurrentSettled());
    PlatformScriptFileChooser(file);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
}

}  // namespace

// Nulling in stand-by (key U, "NULLING" answered Yes) averages 50 readings into the offsets, writes the four offset
// records with the new and the previous offsets, and later readings are shown less the offsets: the four profile
// traces sit at the nulled values in channel order.
TEST(SurveyNulling, FiftyReadingsGiveTheOffsetsTheirRecordsAndNulledProfiles)
{
    std::string root = emu::MakeTempRoot("survey_nulling");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    // Words of 103 with gain 1, letter T, Standard type: 103 x 4.8333 x 2 = 995.66 per channel.
    ASSERT_TRUE(dev.ok("COM4 value raw=103,103,103,103 gain=0 letter=T current=3141"));
    ASSERT_TRUE(dev.ok("COM4 rate 5"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev, &root]() {
        UseEmulatorPorts(false);
        nEm61Type = 0;
        nScaleType = 0;
        dScale1Min = 0;
        dScale1Max = 500;
        nNullApply = 1;  // the offsets of the configuration stay in force
        adOffset[0] = 1.5, adOffset[1] = 2.5, adOffset[2] = 3.5, adOffset[3] = 4.5;
        MonitorThenCreateFile(L"C:\\data\\nulling.P61");
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"NULLING", 1);
        PlatformPressKey('U');
        CHILD_CHECK(ShownWith(L"NULLING", L"DO YOU WANT TO PERFORM NULLING"));
        CHILD_CHECK(PlatformWaitFor([] { return nEm61ProcedureState == 1; }, 15000));
        CHILD_CHECK(nProcedureCount == 50);
        Facts facts;
        for (int c = 0; c < 4; c++) facts.Set("offset" + std::to_string(c), std::llround(adOffset[c] * 1000));
        // Later readings: words 129, 118, 113, 108 are 26, 15, 10, 5 words above the nulled ones.
        CHILD_CHECK(dev.ok("COM4 value raw=129,118,113,108 gain=0 letter=T current=3141"));
        PlatformPump(500);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(2500);
        std::string png = std::string(TEST_OUTPUT_DIR "/logscreen_nulled_profile.png");
        CHILD_CHECK(PlatformSaveWindowPng(hwndCurve1, png));
        QImage img(QString::fromStdString(png));
        CHILD_CHECK(!img.isNull());
        double yBlue = MeanRowOfColour(img, kBlue, 40), yGreen = MeanRowOfColour(img, kGreen, 40),
               yRed = MeanRowOfColour(img, kRed, 40), yMagenta = MeanRowOfColour(img, kMagenta, 40);
        facts.Set("yBlue", (long long)yBlue);
        facts.Set("yGreen", (long long)yGreen);
        facts.Set("yRed", (long long)yRed);
        facts.Set("yMagenta", (long long)yMagenta);
        facts.Set("height", img.height());
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    for (int c = 0; c < 4; c++) EXPECT_NEAR(facts.Get("offset" + std::to_string(c)), 995660, 50) << "channel " << c;

    // Offset records of the nulling: after the line block's time record, before the start.
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/nulling.P61"), 27);
    size_t firstTime = 0;
    while (firstTime < recs.size() && recs[firstTime].Kind() != '*') firstTime++;
    ASSERT_LT(firstTime + 4, recs.size());
    const char *previous[4] = {"     1.50", "     2.50", "     3.50", "     4.50"};
    for (int c = 0; c < 4; c++) {
        const Record &rec = recs[firstTime + 1 + c];
        EXPECT_EQ(rec.bytes, std::string("O   995.66 ") + previous[c] + std::string(6, ' ') + "\n") << "channel " << c;
    }
    EXPECT_TRUE(IsEvent(recs[firstTime + 5], "$STARTED"));

    // Shown values 251.3, 145.0, 96.7 and 48.3 on a 0..500 scale: the traces lie in the window, channel 1 highest.
    long long h = facts.Get("height");
    long long yBlue = facts.Get("yBlue"), yGreen = facts.Get("yGreen"), yRed = facts.Get("yRed"),
              yMagenta = facts.Get("yMagenta");
    EXPECT_GT(yBlue, 0);
    EXPECT_LT(yBlue, yGreen);
    EXPECT_LT(yGreen, yRed);
    EXPECT_LT(yRed, yMagenta);
    EXPECT_LT(yMagenta, h);
    // Rows in proportion: channel 1 at about half the height, channel 4 at about nine tenths.
    EXPECT_NEAR((double)yBlue / h, 1 - 251.3 / 500, 0.1);
    EXPECT_NEAR((double)yMagenta / h, 1 - 48.3 / 500, 0.1);
}

// The instrument falls silent while logging: the link watch writes the connection-break record, rings, and the
// reader sends the re-arm command "H" "X"; when the instrument speaks again readings are recorded again.
TEST(SurveyLinkWatch, SilenceWritesTheBreakRecordRingsAndReArms)
{
    std::string root = emu::MakeTempRoot("survey_link_watch");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value raw=1000,2000,-1000,0 gain=0 letter=T current=3141"));
    ASSERT_TRUE(dev.ok("COM4 rate 3"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev, &root]() {
        UseEmulatorPorts(false);
        bDisconnectAlarm = 1;
        MonitorThenCreateFile(L"C:\\data\\link.P61");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(1000);
        dev.received("COM4");
        int rings = SoundCount(L"SOUND_RING");
        CHILD_CHECK(dev.ok("COM4 silence 700"));
        CHILD_CHECK(PlatformWaitFor([] { return bConnLostNoticeShown == 1; }, 3000));
        // The reader re-arms the instrument and readings come back.
        std::string sent;
        CHILD_CHECK(PlatformWaitFor(
            [&dev, &sent] {
                sent += dev.received("COM4");
                return sent.find("HX") != std::string::npos;
            },
            4000));
        CHILD_CHECK(PlatformWaitFor([] { return bInstrumentConnBreak == 0; }, 4000));
        CHILD_CHECK(FramesArrive(4000));
        PlatformPump(1500);
        Facts facts;
        facts.Set("rings", SoundCount(L"SOUND_RING") - rings);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("rings"), 1);

    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/link.P61"), 27, &tail);
    EXPECT_EQ(tail, 0u);
    std::vector<size_t> breaks;
    size_t paused = 0, started = 0;
    for (const Record &rec : recs) {
        if (IsEvent(rec, "1CONN BRK 1")) breaks.push_back(rec.index);
        if (IsEvent(rec, "$STARTED")) started = rec.index;
        if (IsEvent(rec, "PAUSED")) paused = rec.index;
    }
    // One break: one record, between the start and the pause.
    ASSERT_EQ(breaks.size(), 1u);
    EXPECT_GT(breaks.front(), started);
    EXPECT_LT(breaks.back(), paused);
    // Readings before the break and again after it.
    int before = 0, after = 0;
    for (size_t j = started + 1; j < paused; j++) {
        if (!IsEm61Mk2Reading(recs[j])) continue;
        (j < breaks.front() ? before : after)++;
    }
    EXPECT_GT(before, 3);
    EXPECT_GT(after, 3);
}

// Wheel mode: a start whose wheel command the instrument does not answer stays in stand-by with a message and
// its readings keep coming from the main reader; a later answered start records readings.
TEST(SurveyWheel, UnansweredStartThenAnsweredStartGivesReadings)
{
    std::string root = emu::MakeTempRoot("survey_wheel");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value raw=1000,2000,-1000,0 gain=0 letter=T current=3141"));
    ASSERT_TRUE(dev.ok("COM4 rate 3"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev, &root]() {
        UseEmulatorPorts(false);
        nSurveyMode = 1;
        MonitorThenCreateFile(L"C:\\data\\wheel.P61");
        Facts facts;
        // First start: the instrument does not answer "H" "W".
        CHILD_CHECK(dev.ok("COM4 value answer=none"));
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformPressKey('G');
        PlatformPump(500);
        facts.Set("firstState", nRecordingState);
        facts.Set("firstDialogs", (long long)PlatformShownDialogs().size());
        facts.Set("firstConnectionIssue",
                  ShownWith(L"Connection Issue", L"Instrument OFF or Disconnected, or wrong COM port selected"));
        if (nRecordingState == 1) PlatformPressKey(kKeySpace);
        // The instrument answers again: once its readings are back (the main reader took them over), the next
        // start is answered.
        CHILD_CHECK(dev.ok("COM4 value answer=OV"));
        CHILD_CHECK(FramesArrive(8000));
        PlatformPump(300);
        dev.received("COM4");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(dev.received("COM4").find("HW") != std::string::npos);
        CHILD_CHECK(FramesArrive(5000));
        PlatformPump(2000);
        facts.Set("readings", nTotalReadingCount);
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        // The pause gives the instrument back to the main reader.
        CHILD_CHECK(FramesArrive(5000));
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("firstState"), -1) << "an unanswered wheel start stays in stand-by";
    EXPECT_EQ(facts.Get("firstDialogs"), 1);
    EXPECT_EQ(facts.Get("firstConnectionIssue"), 1) << "the operator is told the instrument did not answer";
    EXPECT_GT(facts.Get("readings"), 5);
    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/wheel.P61"), 27);
    size_t lastStart = 0;
    for (const Record &rec : recs)
        if (IsEvent(rec, "$STARTED")) lastStart = rec.index;
    ASSERT_GT(lastStart, 0u);
    int readings = 0;
    for (size_t j = lastStart + 1; j < recs.size(); j++) readings += IsEm61Mk2Reading(recs[j]);
    EXPECT_GT(readings, 5);
}

// ---------------------------------------------------------------------------------------------------------------
// Pictures of the logging screen during a survey
// ---------------------------------------------------------------------------------------------------------------

// Landscape and portrait screens: the logging screen while logging, saved as a PNG; the profile window holds the
// four channel colours (blue, green, red, magenta) of readings inside the 0..500 scale.
TEST(SurveyPictures, LoggingScreenOnLandscapeAndPortraitShowsTheFourChannelColours)
{
    struct Screen {
        const char *name;
        int width, height;
    };
    for (const Screen s : {Screen{"landscape", 1280, 800}, Screen{"portrait", 768, 1024}}) {
        SCOPED_TRACE(s.name);
        std::string root = emu::MakeTempRoot(std::string("survey_pictures_") + s.name);
        emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
        ASSERT_TRUE(dev.ready()) << dev.error();
        ASSERT_TRUE(dev.ok("COM4 value 400 300 200 100 letter=T"));
        ASSERT_TRUE(dev.ok("COM4 rate 5"));
        ChildResult r = RunProgramInChild(StartIn(root, 1, s.width, s.height), [&root, s]() {
            UseEmulatorPorts(false);
            nScaleType = 0;
            adOffset[0] = adOffset[1] = adOffset[2] = adOffset[3] = 0;
            MonitorThenCreateFile(L"C:\\data\\pictures.P61");
            PlatformPressKey('G');
            CHILD_CHECK(nRecordingState == 1);
            PlatformPump(3000);
            std::string dir = std::string(TEST_OUTPUT_DIR "/");
            CHILD_CHECK(PlatformSaveWindowPng(hwndLog, dir + "logscreen_survey_" + s.name + ".png"));
            std::string curve = dir + "logscreen_survey_" + s.name + "_profile.png";
            Facts facts;
            facts.Set("blue", CountColourInWindow(hwndCurve1, kBlue, curve));
            facts.Set("green", CountColourInWindow(hwndCurve1, kGreen, curve));
            facts.Set("red", CountColourInWindow(hwndCurve1, kRed, curve));
            facts.Set("magenta", CountColourInWindow(hwndCurve1, kMagenta, curve));
            return StopSavingFacts(facts, root);
        }, 120);
        ASSERT_TRUE(r.exited);
        ASSERT_EQ(r.exitCode, 0);
        Facts facts = Facts::Load(FactsPath(root));
        for (const char *colour : {"blue", "green", "red", "magenta"})
            EXPECT_GT(facts.Get(colour), 20) << colour << " pixels in the profile window";
    }
}

// Wheel mode: the instrument comes back and the operator presses "&Go" at once. The failed start handed the
// instrument back to the main reader, whose link watch keeps re-arming the silent instrument ("H" "X"); the wheel
// start must still get its "H" "W" through to the instrument and record readings.
TEST(SurveyWheel, StartRightAfterTheInstrumentAnswersAgainGivesReadings)
{
    std::string root = emu::MakeTempRoot("survey_wheel_at_once");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value raw=1000,2000,-1000,0 gain=0 letter=T current=3141"));
    ASSERT_TRUE(dev.ok("COM4 rate 3"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&dev]() {
        UseEmulatorPorts(false);
        nSurveyMode = 1;
        MonitorThenCreateFile(L"C:\\data\\wheel2.P61");
        CHILD_CHECK(dev.ok("COM4 value answer=none"));
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPump(500);
        CHILD_CHECK(dev.ok("COM4 value answer=OV"));
        PlatformClearShownDialogs();
        PlatformPressKey('G');
        CHILD_CHECK(PlatformShownDialogs().empty());
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(FramesArrive(5000));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Profile redraw from the data file
// ---------------------------------------------------------------------------------------------------------------

namespace {

// Rows of one colour per column of a picture: for each column the lowest and highest row (-1 when none).
struct ColumnRows {
    std::vector<int> top, bottom;
};
ColumnRows RowsOfColour(const QImage &img, unsigned rgb)
{
    ColumnRows c;
    c.top.assign(img.width(), -1);
    c.bottom.assign(img.width(), -1);
    for (int x = 0; x < img.width(); x++)
        for (int y = 0; y < img.height(); y++)
            if ((img.pixel(x, y) & 0xFFFFFFu) == rgb) {
                if (c.top[x] < 0) c.top[x] = y;
                c.bottom[x] = y;
            }
    return c;
}

}  // namespace

// One line logged with varying readings, all of it inside the profile window; after the pause the quick-line
// question is answered No, which redraws the profile from the data file: every channel's trace lies where the live
// trace was: every column of each trace has a column of the other, at most one pixel across, whose rows meet it
// (within a pixel; a wide pen's line end may add a few rows to one side of a step).
TEST(SurveyProfileRedraw, RedrawFromTheFileLiesOnTheLiveTraces)
{
    std::string root = emu::MakeTempRoot("survey_profile_redraw");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 400 250 150 50 letter=T"));
    ASSERT_TRUE(dev.ok("COM4 rate 4"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), [&root, &dev]() {
        UseEmulatorPorts(false);
        nScaleType = 0;
        nNullApply = 1;
        adOffset[0] = adOffset[1] = adOffset[2] = adOffset[3] = 0;
        dScale1Min = 0;
        dScale1Max = 500;
        MonitorThenCreateFile(L"C:\\data\\redraw.P61");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        // Steps of the four values, so that the traces climb and fall without crossing each other.
        for (int step = 0; step < 10; step++) {
            int d = (step % 4) * 40 - 60;
            CHILD_CHECK(dev.ok("COM4 value " + std::to_string(400 + d) + " " + std::to_string(250 - d / 2) + " " +
                               std::to_string(150 + d / 2) + " " + std::to_string(50 - d / 3)));
            PlatformPump(250);
        }
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        PlatformPump(300);
        std::string dir = std::string(TEST_OUTPUT_DIR "/");
        CHILD_CHECK(PlatformSaveWindowPng(hwndCurve1, dir + "profile_live.png"));
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Quick Line", 2);
        PlatformPressKey('Q');
        CHILD_CHECK(ShownWith(L"Quick Line"));
        PlatformPump(300);
        CHILD_CHECK(PlatformSaveWindowPng(hwndCurve1, dir + "profile_redrawn.png"));
        QImage live(QString::fromStdString(dir + "profile_live.png"));
        QImage redrawn(QString::fromStdString(dir + "profile_redrawn.png"));
        CHILD_CHECK(!live.isNull() && live.size() == redrawn.size());
        Facts facts;
        const unsigned colours[4] = {kBlue, kGreen, kRed, kMagenta};
        for (int c = 0; c < 4; c++) {
            ColumnRows a = RowsOfColour(live, colours[c]), b = RowsOfColour(redrawn, colours[c]);
            const int slack = 1;
            // Each column of either trace has a column of the other within one pixel whose rows agree.
            auto near = [&](const ColumnRows &p, const ColumnRows &q, int x) {
                for (int dx = -1; dx <= 1; dx++) {
                    int x2 = x + dx;
                    if (x2 < 0 || x2 >= (int)q.top.size() || q.top[x2] < 0) continue;
                    // Rows overlap: a wide pen's line end may add a few rows to one side of a step.
                    if (p.top[x] <= q.bottom[x2] + slack && q.top[x2] <= p.bottom[x] + slack) return true;
                }
                return false;
            };
            int columns = 0, apart = 0;
            for (int x = 0; x < live.width(); x++) {
                if (a.top[x] < 0 && b.top[x] < 0) continue;
                columns++;
                if ((a.top[x] >= 0 && !near(a, b, x)) || (b.top[x] >= 0 && !near(b, a, x))) apart++;
            }
            facts.Set("columns" + std::to_string(c), columns);
            facts.Set("apart" + std::to_string(c), apart);
        }
        facts.Set("width", live.width());
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    for (int c = 0; c < 4; c++) {
        long long columns = facts.Get("columns" + std::to_string(c)), apart = facts.Get("apart" + std::to_string(c));
        EXPECT_GT(columns, 40) << "channel " << c + 1 << " trace too short";
        EXPECT_LT(columns, facts.Get("width")) << "the line must lie inside the window";
        // The first reading of the run may be drawn by the live profile only (its frame predates the start).
        EXPECT_LE(apart, 4) << "channel " << c + 1 << ": " << apart << " of " << columns << " columns apart";
    }
}

// After a survey stopped with "E&xit" and "Yes", the main menu's keys work again: key L starts monitoring.
TEST(SurveyLogging, MenuKeysWorkAfterASurveyIsStopped)
{
    std::string root = emu::MakeTempRoot("survey_keys_after_stop");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 rate 5"));
    ChildResult r = RunProgramInChild(StartIn(root, 1), []() {
        UseEmulatorPorts(false);
        MonitorThenCreateFile(L"C:\\data\\keys.P61");
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(500);
        PauseAndStop();
        CHILD_CHECK(nActiveScreen == 0);
        CHILD_CHECK(GetFocus() != hwndLog);
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1 && nRecordingState == 0);
        PlatformPressKey('X');
        CloseProgram();
        return 0;
    }, 120);
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}
