// EM38-4 drift control, calibration (with and without the carrier step, cancelled, failed) and its removal from the popup menu of the real program, every box answered by script, with the device emulator's packets.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "datafile/datafile_state.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "processing/conductivity_handlers.h"
#include "processing/dispatch.h"
#include "processing/em384_handler.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

// Values as the emulator takes them: C1 I1 C2 I2 C3 I3 C4 I4.
const char *const kVertical = "COM4 value 300 5 450 -8 600 12 750 -15";
const char *const kHorizontal = "COM4 value 100 2 150 -3 200 4 250 -5";
const char *const kOffCarrier = "COM4 value 310 6 460 -7 610 13 760 -14";
const char *const kOnCarrier = "COM4 value 330 6.5 470 -7.5 640 12 790 -13";

long long X1000(double d) { return std::llround(d * 1000); }

// Logging screen with a data file in stand-by.
void OpenFileInStandBy(const wchar_t *szPath)
{
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(PlatformWaitFor([] { return IsWindowEnabled(hwndLogButtons[0]) != 0; }, 5000));
    CHILD_CHECK(FramesArrive(5000));
    PlatformScriptFileChooser(szPath);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
}

// A text drawn on the logging screen since the drawn texts were last cleared.
bool LogScreenShows(const std::wstring &text)
{
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwndLog && t.text == text) return true;
    return false;
}

// The settings file holds the coefficients in force: they come back from it over zeros.
bool SettingsFileHoldsTheCoefficients()
{
    double adA[12], adB[8];
    memcpy(adA, adCalibration, sizeof adA);
    memcpy(adB, adCalibrationB, sizeof adB);
    for (double &d : adCalibration) d = 0.0;
    for (double &d : adCalibrationB) d = 0.0;
    LoadSaveSettingsFile(0);
    bool bSame = true;
    for (int i = 0; i < 12; i++) bSame = bSame && std::fabs(adCalibration[i] - adA[i]) < 1e-3;
    for (int i = 0; i < 8; i++) bSame = bSame && std::fabs(adCalibrationB[i] - adB[i]) < 1e-3;
    memcpy(adCalibration, adA, sizeof adA);
    memcpy(adCalibrationB, adB, sizeof adB);
    return bSame;
}

std::string SettingsFileBytes()
{
    wchar_t sz[261];
    if (!GetSettingsFilePath(sz, 261)) return "";
    return ReadFileBytes(MapDrivePath(sz));
}

// A packet decoded after the call (the reader stamps each packet it hands over).
bool NextPacketHandled()
{
    adwFrameTick[0] = 0;
    return PlatformWaitFor([] { return adwFrameTick[0] != 0 && szInstrumentRecord[0] == 0; }, 5000);
}

std::vector<Record> RecordsOfKind(const std::string &path, char kind)
{
    size_t tail = 0;
    std::vector<Record> out;
    for (const Record &r : SplitRecords(ReadFileBytes(path), 47, &tail))
        if (r.Kind() == kind) out.push_back(r);
    EXPECT_EQ(tail, 0u);
    return out;
}

// The two values of a coefficient line ("%10.3f", blank, "%10.3f" after the two letters).
double FirstValue(const Record &r) { return std::atof(r.bytes.substr(2, 10).c_str()); }
double SecondValue(const Record &r) { return std::atof(r.bytes.substr(13, 10).c_str()); }

// A root of the test's own (named after it) with the emulator's EM38-4 on COM4, giving the vertical values.
class Em384Procedures : public ::testing::Test {
protected:
    Em384Procedures()
        : root(emu::MakeTempRoot(std::string("em384_procedures_") +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          dev(root, {"COM4=em384:static"})
    {
    }
    void SetUp() override
    {
        ASSERT_TRUE(dev.ready()) << dev.error();
        ASSERT_TRUE(dev.ok(kVertical));
    }

    std::string root;
    emu::Emulator dev;
};

// Drift control over ten packets accepted, a second one cancelled; the calibration answered No with carrier
// coefficients in force before; then "Delete Calibration" answered Yes.
TEST_F(Em384Procedures, DriftAcceptedAndCancelledCalibrationWithoutCarrierAndItsRemoval)
{
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM384, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        OpenFileInStandBy(L"C:\\data\\procedures.dat");

        // Drift control: the box of the tenth packet, with ten of ten shown, accepted.
        nDriftReadings = 10;
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Confirm Drift Control Procedure", 1);
        PlatformScriptDialog(L"Drift Procedure - DONE", [&](HWND dlg) {
            facts.Set("driftCountAtBox", nDriftCount);
            bool bShown = false;
            for (const DrawnText &t : PlatformDrawnTexts())
                bShown = bShown || (t.window == hwndNumbers && t.text == L" 10 of  10");
            facts.Set("tenOfTenShown", bShown);
            PlatformPressDialogButton(dlg, 1);
        });
        PlatformClearDrawnTexts();
        PlatformScriptPopupMenu(520);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Confirm Drift Control Procedure"); }, 3000));
        CHILD_CHECK(ShownWith(L"Confirm Drift Control Procedure",
                              L"Position EM38-4 in Standard Drift Control Position.\r\n"
                              L"Tap OK to Start Procedure or  CANCEL to stop\r\n"));
        CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Drift Procedure - DONE"); }, 10000));
        CHILD_CHECK(ShownWith(L"Drift Procedure - DONE",
                              L"Drift Collection Completed.\r\nTap OK to Accept or Cancel to Discard\r\n"));
        CHILD_CHECK(nCalProcedureState == 0);
        double adDrift[8];
        memcpy(adDrift, adDriftMean, sizeof adDrift);
        for (int k = 0; k < 8; k++) facts.Set("drift" + std::to_string(k), X1000(adDrift[k]));

        // A second drift collection on other values, cancelled: the means stay.
        CHILD_CHECK(dev.ok(kHorizontal));
        CHILD_CHECK(NextPacketHandled() && NextPacketHandled());
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"Confirm Drift Control Procedure", 1);
        PlatformAnswerDialog(L"Drift Procedure - DONE", 2);
        PlatformScriptPopupMenu(520);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Drift Procedure - DONE") && nCalProcedureState == 0; }, 10000));
        facts.Set("cancelKeptDrift", memcmp(adDrift, adDriftMean, sizeof adDrift) == 0);
        CHILD_CHECK(dev.ok(kVertical));
        CHILD_CHECK(NextPacketHandled() && NextPacketHandled());

        // Calibration answered No at the carrier question, with carrier coefficients in force before.
        for (int i = 0; i < 8; i++) adCalibrationB[i] = 0.5 + 0.25 * i;
        for (int i = 0; i < 12; i++) adCalibration[i] = -1.0 - i;
        double adOld[12];
        memcpy(adOld, adCalibration, sizeof adOld);
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"CALIBRATION", 1);
        PlatformAnswerDialog(L"Horizontal Calibration", 1);
        PlatformAnswerDialog(L"Instrument Calibration", 1);
        PlatformAnswerDialog(L"Removing Carrier Effect Calibration", 2);
        PlatformAnswerDialog(L"Instrument Calibration Completed", 1);
        PlatformScriptPopupMenu(516);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return nCalProcedureState == -1; }, 3000));
        CHILD_CHECK(ShownWith(L"CALIBRATION",
                              L"Place  EM38-4  on  Monopod\r\nin  Vertical  Dipole  Mode\r\nand  press  YES  when  ready\r\n"));
        PlatformClearDrawnTexts();
        CHILD_CHECK(PlatformWaitFor([] { return nEm384CalibrationState == 1 && nCalProcedureState == 0; }, 30000));
        CHILD_CHECK(ShownWith(L"Instrument Calibration",
                              L"Instrument Calibration is Completed.\r\nPress OK to accept or CANCEL this Calibration\r\n"));
        CHILD_CHECK(ShownWith(L"Removing Carrier Effect Calibration",
                              L"Do you want to proceed with Carrier Effect Calibration?\r\n"
                              L"press YES to CONTINUE or NO to SKIP this option.\r\n"));
        CHILD_CHECK(ShownWith(L"Instrument Calibration Completed",
                              L"Instrument Calibration Completed.\r\nPress OK to continue\r\n"));
        facts.Set("calibOnShown", PlatformWaitFor([] { return LogScreenShows(L"Calib: ON"); }, 3000));
        for (int k = 0; k < 4; k++) facts.Set("zeroI" + std::to_string(k + 1), X1000(adCalibration[k]));
        int bCarrierZero = 1;
        for (int i = 0; i < 8; i++) bCarrierZero = bCarrierZero && adCalibrationB[i] == 0.0 && adCalibrationBPrev[i] == 0.0;
        facts.Set("carrierZero", bCarrierZero);
        facts.Set("prevIsOld", memcmp(adCalibrationPrev, adOld, sizeof adOld) == 0);
        facts.Set("settingsSaved", SettingsFileHoldsTheCoefficients());
        // A packet at the calibration position decodes to in-phase 0 on every pair.
        CHILD_CHECK(NextPacketHandled());
        for (int k = 0; k < 4; k++) facts.Set("inphaseAfter" + std::to_string(k), X1000(dChannelValue[4 * k + 2]));
        double adCal[12];
        memcpy(adCal, adCalibration, sizeof adCal);

        // "Delete Calibration" answered Yes: the set becomes the previous one, zeros in force, the block written.
        PlatformClearShownDialogs();
        PlatformClearDrawnTexts();
        PlatformAnswerDialog(L"Delete Calibration", 1);
        PlatformScriptPopupMenu(517);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Delete Calibration") && nEm384CalibrationState == 0; }, 3000));
        CHILD_CHECK(ShownWith(L"Delete Calibration",
                              L"Are you sure you want to\r\ndelete Calibration factors ?\r\npress  YES  or  NO\r\n"));
        int bZero = 1;
        for (double d : adCalibration) bZero = bZero && d == 0.0;
        for (double d : adCalibrationB) bZero = bZero && d == 0.0;
        facts.Set("deletedZero", bZero);
        facts.Set("deletedPrev", memcmp(adCalibrationPrev, adCal, sizeof adCal) == 0);
        facts.Set("calibState", nEm384CalibrationState);
        facts.Set("calibOffShown", PlatformWaitFor([] { return LogScreenShows(L"Calib: OFF"); }, 3000));
        facts.Set("deleteSaved", SettingsFileHoldsTheCoefficients());
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("driftCountAtBox"), 10);
    EXPECT_EQ(facts.Get("tenOfTenShown"), 1);
    // Channel order C1 I1, C2 I2, C4 I4, C3 I3.
    const double adWant[8] = {300, 5, 450, -8, 750, -15, 600, 12};
    for (int k = 0; k < 8; k++) EXPECT_NEAR(facts.Get("drift" + std::to_string(k)), adWant[k] * 1000, 30) << k;
    EXPECT_EQ(facts.Get("cancelKeptDrift"), 1);
    // The in-phase zeros are the values sent, measured free of the old carrier terms.
    const double adZero[4] = {5, -8, 12, -15};
    for (int k = 0; k < 4; k++) EXPECT_NEAR(facts.Get("zeroI" + std::to_string(k + 1)), adZero[k] * 1000, 2) << k;
    for (int k = 0; k < 4; k++) EXPECT_NEAR(facts.Get("inphaseAfter" + std::to_string(k)), 0, 2) << k;
    EXPECT_EQ(facts.Get("carrierZero"), 1);
    EXPECT_EQ(facts.Get("prevIsOld"), 1);
    EXPECT_EQ(facts.Get("settingsSaved"), 1);
    EXPECT_EQ(facts.Get("calibOnShown"), 1);
    EXPECT_EQ(facts.Get("deletedZero"), 1);
    EXPECT_EQ(facts.Get("deletedPrev"), 1);
    EXPECT_EQ(facts.Get("calibState"), 0);
    EXPECT_EQ(facts.Get("calibOffShown"), 1);
    EXPECT_EQ(facts.Get("deleteSaved"), 1);

    const std::string path = root + "/C/data/procedures.dat";
    std::vector<Record> v = RecordsOfKind(path, 'V');
    ASSERT_EQ(v.size(), 4u) << "only the accepted drift is written";
    EXPECT_TRUE(v[0].StartsWith("V1   300.00    5.00")) << v[0].bytes;
    EXPECT_TRUE(v[2].StartsWith("V3   750.00  -15.00")) << v[2].bytes;
    std::vector<Record> o = RecordsOfKind(path, 'O');
    ASSERT_GE(o.size(), 56u);
    // The calibration's block, then the removal's: 28 lines each, second letters 1..9, A..S.
    const std::string kLetters = "123456789ABCDEFGHIJKLMNOPQRS";
    const size_t nCal = o.size() - 56, nDel = o.size() - 28;
    for (size_t n = 0; n < 28; n++) {
        EXPECT_EQ(o[nCal + n].bytes[1], kLetters[n]);
        EXPECT_EQ(o[nDel + n].bytes[1], kLetters[n]);
    }
    // In the calibration's block the carrier lines OD..OK hold 0 in force and 0 before (No clears both sets).
    for (size_t n = 12; n < 20; n++) EXPECT_EQ(o[nCal + n].bytes.substr(2, 21), "     0.000      0.000") << o[nCal + n].bytes;
    // O5: the in-phase zero of pair 1, over the old coefficient.
    EXPECT_NEAR(FirstValue(o[nCal + 4]), 5.0, 0.002);
    EXPECT_NEAR(SecondValue(o[nCal + 4]), -1.0, 0.0005);
    // The removal's block: zeros in force, the calibration before them.
    for (size_t n = 0; n < 20; n++) EXPECT_EQ(o[nDel + n].bytes.substr(2, 10), "     0.000") << o[nDel + n].bytes;
    EXPECT_NEAR(SecondValue(o[nDel + 4]), 5.0, 0.002);
}

// The calibration with the carrier step: horizontal values given at the rotation box, off-carrier values at the
// height box, on-carrier values at the mounting box; the carrier coefficients are the differences of the means.
TEST_F(Em384Procedures, CalibrationWithCarrierStep)
{
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM384, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        OpenFileInStandBy(L"C:\\data\\carrier.dat");
        auto answerAfter = [&](const wchar_t *szKey, const char *szValues, int nButton) {
            PlatformScriptDialog(szKey, [this, szValues, nButton](HWND dlg) {
                if (szValues) CHILD_CHECK(dev.ok(szValues));
                PlatformPressDialogButton(dlg, nButton);
            });
        };
        PlatformClearShownDialogs();
        answerAfter(L"CALIBRATION", nullptr, 1);
        answerAfter(L"Horizontal Calibration", kHorizontal, 1);
        answerAfter(L"Instrument Calibration", nullptr, 1);
        answerAfter(L"Removing Carrier Effect Calibration", nullptr, 1);          // the question: Yes
        answerAfter(L"Removing Carrier Effect Calibration", kOffCarrier, 1);      // vertical, at working height
        answerAfter(L"Removing Carrier Effect Calibration", kOnCarrier, 1);       // mounted on the carrier
        answerAfter(L"Calibration Completed", nullptr, 1);
        PlatformScriptPopupMenu(516);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return nCalProcedureState == -1; }, 3000));
        PlatformClearDrawnTexts();
        CHILD_CHECK(PlatformWaitFor([] { return nEm384CalibrationState == 2 && nCalProcedureState == 0; }, 60000));
        CHILD_CHECK(ShownWith(L"Removing Carrier Effect Calibration",
                              L"Rotate the instrument to Standard Vertical Dipole Mode and\r\n"
                              L"place at the height equivalent to height from ground that instrument will operate.\r\n"
                              L"Press OK to continue\r\n"));
        CHILD_CHECK(ShownWith(L"Removing Carrier Effect Calibration",
                              L"Mount EM38-4 on the carrier.\r\nPress OK to continue\r\n"));
        CHILD_CHECK(ShownWith(L"Calibration Completed", L"Calibration Completed.\r\nPress OK to continue\r\n"));
        facts.Set("calibOffsetOnShown", PlatformWaitFor([] { return LogScreenShows(L"Calib/Offset: ON"); }, 3000));
        for (int i = 0; i < 12; i++) facts.Set("cal" + std::to_string(i), X1000(adCalibration[i]));
        for (int i = 0; i < 8; i++) {
            facts.Set("b" + std::to_string(i), X1000(adCalibrationB[i]));
            facts.Set("free" + std::to_string(i), X1000(adCarrierFreeMean[i]));
            facts.Set("on" + std::to_string(i), X1000(adCarrierMean[i]));
        }
        facts.Set("settingsSaved", SettingsFileHoldsTheCoefficients());
        // The end of the procedure rebuilt the map and the profiles from the file: the new sets are still in force.
        double adA[12], adB[8];
        memcpy(adA, adCalibration, sizeof adA);
        memcpy(adB, adCalibrationB, sizeof adB);
        RebuildMapForInstrument();
        RedrawProfileForInstrument();
        facts.Set("unchangedByRebuild",
                  memcmp(adA, adCalibration, sizeof adA) == 0 && memcmp(adB, adCalibrationB, sizeof adB) == 0);
        // On the carrier the values now decode as they did off it.
        CHILD_CHECK(NextPacketHandled());
        facts.Set("c1OnCarrier", X1000(dChannelValue[0]));
        facts.Set("i1OnCarrier", X1000(dChannelValue[2]));
        return StopSavingFacts(facts, root);
    }, 150);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    // Conductivity zero of pair k: vertical mean - 2 x horizontal mean.
    const double adCond[4] = {300 - 2 * 100, 450 - 2 * 150, 600 - 2 * 200, 750 - 2 * 250};
    for (int k = 0; k < 4; k++) EXPECT_NEAR(facts.Get("cal" + std::to_string(8 + k)), adCond[k] * 1000, 60) << k;
    const double adInV[4] = {5, -8, 12, -15}, adInH[4] = {2, -3, 4, -5};
    for (int k = 0; k < 4; k++) {
        EXPECT_NEAR(facts.Get("cal" + std::to_string(k)), adInV[k] * 1000, 2) << k;
        // The horizontal readings are decoded through the vertical zeros, which are in force from the end of the
        // vertical step.
        EXPECT_NEAR(facts.Get("cal" + std::to_string(4 + k)), (adInH[k] - adInV[k]) * 1000, 2) << k;
    }
    // Carrier order C1, C3, C2, C4, I1, I3, I2, I4: on-carrier minus off-carrier values.
    const double adB[8] = {330 - 310, 640 - 610, 470 - 460, 790 - 760, 0.5, -1.0, -0.5, 1.0};
    for (int i = 0; i < 8; i++) EXPECT_NEAR(facts.Get("b" + std::to_string(i)), adB[i] * 1000, 60) << i;
    // The off-carrier means as decoded with the new zeros and no carrier terms: C1 310 + 100, I1 6 - 5.
    EXPECT_NEAR(facts.Get("free0"), 410000, 60);
    EXPECT_NEAR(facts.Get("free4"), 1000, 2);
    EXPECT_NEAR(facts.Get("on0"), 430000, 60);
    EXPECT_NEAR(facts.Get("c1OnCarrier"), 410000, 60);
    EXPECT_NEAR(facts.Get("i1OnCarrier"), 1000, 2);
    EXPECT_EQ(facts.Get("settingsSaved"), 1);
    EXPECT_EQ(facts.Get("unchangedByRebuild"), 1);
    EXPECT_EQ(facts.Get("calibOffsetOnShown"), 1);

    std::vector<Record> o = RecordsOfKind(root + "/C/data/carrier.dat", 'O');
    ASSERT_GE(o.size(), 28u);
    const size_t nCal = o.size() - 28;
    // OD..OG carrier conductivity of pairs 1, 2, 3, 4; OH..OK carrier in-phase of pairs 1, 2, 3, 4.
    const double adLines[8] = {20, 10, 30, 30, 0.5, -0.5, -1.0, 1.0};
    for (int n = 0; n < 8; n++) {
        EXPECT_EQ(o[nCal + 12 + n].bytes[1], "DEFGHIJK"[n]);
        EXPECT_NEAR(FirstValue(o[nCal + 12 + n]), adLines[n], 0.06) << o[nCal + 12 + n].bytes;
        EXPECT_NEAR(SecondValue(o[nCal + 12 + n]), 0.0, 0.0005) << o[nCal + 12 + n].bytes;
    }
    // OL: conductivity of pair 1 off the carrier, beside its value on it.
    EXPECT_NEAR(FirstValue(o[nCal + 20]), 410.0, 0.06);
    EXPECT_NEAR(SecondValue(o[nCal + 20]), 430.0, 0.06);
}

// Cancel at the completion question puts every coefficient back and saves nothing; a collection step in which no
// packet came ends the calibration the same way.
TEST_F(Em384Procedures, CancelAndAStepWithoutPacketsChangeNothing)
{
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM384, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        OpenFileInStandBy(L"C:\\data\\cancel.dat");
        const std::string path = MapDrivePath(szDataFilePath);
        for (int i = 0; i < 12; i++) adCalibration[i] = 1.0 + 0.25 * i;
        for (int i = 0; i < 8; i++) adCalibrationB[i] = 0.5 + 0.1 * i;
        for (int i = 0; i < 12; i++) adCalibrationPrev[i] = -1.0 - i;
        for (int i = 0; i < 8; i++) adCalibrationBPrev[i] = -0.5 - 0.1 * i;
        const int nState = nEm384CalibrationState;
        double adA[12], adB[8], adAPrev[12], adBPrev[8];
        memcpy(adA, adCalibration, sizeof adA);
        memcpy(adB, adCalibrationB, sizeof adB);
        memcpy(adAPrev, adCalibrationPrev, sizeof adAPrev);
        memcpy(adBPrev, adCalibrationBPrev, sizeof adBPrev);
        // Every set as before, the previous ones too (the next coefficient block names them).
        auto unchanged = [&] {
            return memcmp(adA, adCalibration, sizeof adA) == 0 && memcmp(adB, adCalibrationB, sizeof adB) == 0 &&
                   memcmp(adAPrev, adCalibrationPrev, sizeof adAPrev) == 0 &&
                   memcmp(adBPrev, adCalibrationBPrev, sizeof adBPrev) == 0 && nEm384CalibrationState == nState;
        };
        const std::string settingsBefore = SettingsFileBytes();
        CHILD_CHECK(!settingsBefore.empty());
        const size_t nFileBefore = ReadFileBytes(path).size();

        // Cancel at step 3.
        PlatformClearShownDialogs();
        PlatformAnswerDialog(L"CALIBRATION", 1);
        PlatformAnswerDialog(L"Horizontal Calibration", 1);
        PlatformAnswerDialog(L"Instrument Calibration", 2);
        PlatformScriptPopupMenu(516);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return nCalProcedureState == -1; }, 3000));
        CHILD_CHECK(PlatformWaitFor([] { return ShownWith(L"Instrument Calibration") && nCalProcedureState == 0; }, 30000));
        facts.Set("cancelUnchanged", unchanged());
        facts.Set("cancelAskedNoCarrier", ShownWith(L"Removing Carrier Effect Calibration"));
        facts.Set("cancelSettingsSame", SettingsFileBytes() == settingsBefore);
        facts.Set("cancelFileSame", ReadFileBytes(path).size() == nFileBefore);

        // The instrument falls silent once the calibration has started and speaks again after the 5-second step.
        PlatformClearShownDialogs();
        PlatformScriptDialog(L"CALIBRATION", [&](HWND dlg) {
            CHILD_CHECK(dev.ok("COM4 silence 0"));
            PlatformPressDialogButton(dlg, 1);
        });
        PlatformScriptPopupMenu(516);
        PlatformPressKey('M');
        CHILD_CHECK(PlatformWaitFor([] { return nCalProcedureState == -1; }, 3000));
        CHILD_CHECK(PlatformWaitFor([] { return GetTickCount() - dwCalibStepTick > 5300; }, 10000));
        facts.Set("emptyCount", nCalSampleCount);
        CHILD_CHECK(dev.ok("COM4 resume"));
        CHILD_CHECK(PlatformWaitFor([] { return nCalProcedureState == 0; }, 10000));
        facts.Set("emptyHorizontalAsked", ShownWith(L"Horizontal Calibration"));
        facts.Set("emptyUnchanged", unchanged());
        int bFinite = 1;
        for (double d : adCalibration) bFinite = bFinite && std::isfinite(d);
        facts.Set("emptyFinite", bFinite);
        facts.Set("emptySettingsSame", SettingsFileBytes() == settingsBefore);
        facts.Set("phase", nCalPhase);
        // Readings go on as before.
        CHILD_CHECK(NextPacketHandled());
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("cancelUnchanged"), 1);
    EXPECT_EQ(facts.Get("cancelAskedNoCarrier"), 0);
    EXPECT_EQ(facts.Get("cancelSettingsSame"), 1);
    EXPECT_EQ(facts.Get("cancelFileSame"), 1);
    EXPECT_EQ(facts.Get("emptyCount"), 0);
    EXPECT_EQ(facts.Get("emptyHorizontalAsked"), 0);
    EXPECT_EQ(facts.Get("emptyUnchanged"), 1);
    EXPECT_EQ(facts.Get("emptyFinite"), 1);
    EXPECT_EQ(facts.Get("emptySettingsSame"), 1);
    EXPECT_EQ(facts.Get("phase"), 0);
}

}  // namespace
