// EM31-MK2, EM38, EM34-3 and EM38-MK2 surveys through the device emulator on both product lines: reading records
// at each build's record length, one record per reading, and the profile redrawn from the file equal to the live
// profile pixel for pixel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "processing/dispatch.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

struct ConductivitySurvey {
    const char *name;
    int instrumentType;
    int jix;
    std::string port;
    std::string valueCommand;
    int recordLength;
    int readingBytes;  // bytes of the instrument's record at the start of a reading record (the rest up to 13 blank)
};

class ConductivitySurveyTest : public ::testing::TestWithParam<ConductivitySurvey> {};

TEST_P(ConductivitySurveyTest, ReadingsAreRecordedAndTheRedrawIsTheLiveProfile)
{
    const ConductivitySurvey &s = GetParam();
    std::string root = emu::MakeTempRoot(std::string("conductivity_survey_") + s.name);
    emu::Emulator dev(root, {s.port});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(s.valueCommand)) << s.valueCommand;
    const ProgramStart start = StartBuildIn(root, s.instrumentType, s.jix);
    const std::string png = std::string(TEST_OUTPUT_DIR) + "/" + s.name;
    ChildResult r = RunProgramInChild(start, [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nSurveyMode = 0;
        nFrameDecimation = 1;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(nRecordingState == 0);
        PlatformPump(1500);
        PlatformScriptFileChooser(L"C:\\data\\survey.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount >= 60; }, 30000));
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        facts.Set("readings", nTotalReadingCount);
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
    EXPECT_GT(facts.Get("liveInk"), 0);
    EXPECT_EQ(facts.Get("redrawDiff"), 0);

    const std::string bytes = ReadFileBytes(OnlyDataFile(root));
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(bytes, (size_t)s.recordLength, &tail);
    ASSERT_EQ(tail, 0u);
    long nReadings = 0;
    for (const Record &rec : recs) {
        EXPECT_EQ(rec.bytes[s.recordLength - 1], '\n') << rec.index;
        if (rec.Kind() != 'T') continue;
        nReadings++;
        EXPECT_GE(rec.Tick(), 0) << rec.bytes;
        // The instrument's bytes, then blanks up to byte 12.
        for (int i = s.readingBytes; i < 13; i++) EXPECT_EQ(rec.bytes[i], ' ') << rec.index << " byte " << i;
    }
    // One reading record per reading counted on the screen.
    EXPECT_EQ(nReadings, facts.Get("readings"));
}

INSTANTIATE_TEST_SUITE_P(
    Instruments, ConductivitySurveyTest,
    ::testing::Values(
        ConductivitySurvey{"em31mk2_jix", INSTRUMENT_EM31MK2, 1, "COM4=em31mk2", "COM4 value 80 3", 24, 12},
        ConductivitySurvey{"em31mk2_zanth", INSTRUMENT_EM31MK2, 0, "COM4=em31mk2", "COM4 value 80 3", 27, 12},
        ConductivitySurvey{"em38_jix", INSTRUMENT_EM38, 1, "COM4=em38:len=7", "COM4 value 45 2", 27, 7},
        ConductivitySurvey{"em38_zanth", INSTRUMENT_EM38, 0, "COM4=em38:len=7", "COM4 value 45 2", 27, 7},
        ConductivitySurvey{"em34_jix", INSTRUMENT_EM34, 1, "COM4=em34", "COM4 value 25", 27, 12},
        ConductivitySurvey{"em34_zanth", INSTRUMENT_EM34, 0, "COM4=em34", "COM4 value 25", 27, 12},
        ConductivitySurvey{"em38mk2_jix", INSTRUMENT_EM38MK2, 1, "COM4=em38mk2", "COM4 value 40 2 60 3", 27, 13},
        ConductivitySurvey{"em38mk2_zanth", INSTRUMENT_EM38MK2, 0, "COM4=em38mk2", "COM4 value 40 2 60 3", 27, 13}),
    [](const ::testing::TestParamInfo<ConductivitySurvey> &info) { return std::string(info.param.name); });

}  // namespace

namespace {

// EM31-MK2 in MANUAL mode on both lines: the record switch held over three readings records one reading; a battery
// frame shows "Battery Levels" in the numbers panel.
class Em31ManualSurveyTest : public ::testing::TestWithParam<int> {};

TEST_P(Em31ManualSurveyTest, SwitchHeldOverThreeReadingsRecordsOneAndBatteryLevelsShow)
{
    const int jix = GetParam();
    std::string root = emu::MakeTempRoot(std::string("em31_manual_") + (jix ? "jix" : "zanth"));
    emu::Emulator dev(root, {"COM4=em31mk2:static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 value 80 3"));
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM31MK2, jix), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nSurveyMode = 2;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        PlatformPump(1000);
        PlatformScriptFileChooser(L"C:\\data\\manual.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformClickButton(hwndLogButtonsAlt[0]);
        CHILD_CHECK(nRecordingState == 1);
        PlatformPump(1000);  // readings without the switch: nothing recorded
        facts.Set("before", nTotalReadingCount);
        CHILD_CHECK(dev.ok("COM4 value 80 3 marker=3"));
        PlatformPump(1500);
        facts.Set("after", nTotalReadingCount);
        PlatformClearDrawnTexts();
        CHILD_CHECK(dev.ok("COM4 value 80 3 battery=1"));
        CHILD_CHECK(PlatformWaitFor(
            [] {
                for (const DrawnText &t : PlatformDrawnTexts())
                    if (t.window == hwndNumbers && t.text == L"Battery Levels") return true;
                return false;
            },
            5000));
        CHILD_CHECK(dev.ok("COM4 value 80 3 battery=0"));
        return StopSavingFacts(facts, root);
    }, 90);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("before"), 0);
    EXPECT_EQ(facts.Get("after"), 1);
    size_t tail = 0;
    std::vector<Record> recs = SplitRecords(ReadFileBytes(OnlyDataFile(root)), jix ? 24 : 27, &tail);
    ASSERT_EQ(tail, 0u);
    int nReadings = 0;
    for (const Record &rec : recs) nReadings += rec.Kind() == 'T';
    EXPECT_EQ(nReadings, 1);
}

INSTANTIATE_TEST_SUITE_P(BothLines, Em31ManualSurveyTest, ::testing::Values(1, 0),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param ? "Jix" : "Zanth");
                         });

}  // namespace
