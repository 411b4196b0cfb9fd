// EM38-4 packets and CS-21 and Grad601 sentences of chosen values, sent one by one through the device emulator into
// the real program: frame means and ticks of the records, the reading window, numbers, bars, profiles, colour cells,
// the station count and the result sound.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/rates.h"
#include "core/settings.h"
#include "datafile/datafile_state.h"
#include "displays/bar_windows.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/map_state.h"
#include "map/pens.h"
#include "processing/dispatch.h"
#include "processing/gps_position.h"
#include "processing/conductivity_handlers.h"
#include "processing/handler_state.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

std::string Hex(const std::string &bytes)
{
    std::string s;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X", c);
        s += b;
    }
    return s;
}

// An EM38-4 packet: "T", the status byte, the words of pairs 3, 4, 1, 2 (conductivity then in-phase), heights and
// temperatures, then 0xFF 0xFF. Conductivity words are (C / 8 + 160) x 1024 / 5; the in-phase words stay at 32768
// (in-phase 0) unless given.
std::string Em384Packet(const double adC[4], const unsigned anInphaseWord[4] = nullptr, unsigned char status = 2)
{
    std::string p;
    p.push_back('T');
    p.push_back((char)status);
    auto word = [&](unsigned w) {
        p.push_back((char)(w >> 8));
        p.push_back((char)(w & 0xFF));
    };
    for (int k : {2, 3, 0, 1}) {
        word((unsigned)std::lround((adC[k] / 8 + 160) * 1024 / 5));
        word(anInphaseWord ? anInphaseWord[k] : 32768u);
    }
    word(20);
    word(20);
    word(155);
    word(155);
    p += "\xFF\xFF";
    return p;
}

bool SendBytes(emu::Emulator &dev, const std::string &bytes) { return dev.ok("COM4 send " + Hex(bytes)); }

// Logging screen, a data file made and recording started; from then on the instrument sends only what the test
// sends (the EM38-4 must be heard when logging starts, so it falls silent afterwards).
void StartRecording(emu::Emulator &dev, const std::wstring &drivePath)
{
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(PlatformWaitFor([] { return IsWindowEnabled(hwndLogButtons[0]) != 0; }, 5000));
    PlatformScriptFileChooser(drivePath);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
    CHILD_CHECK(dev.ok("COM4 silence 0"));
    // What was on its way is read: no packet for 300 ms.
    DWORD dwLast = adwFrameTick[0], dwQuietFrom = GetTickCount();
    CHILD_CHECK(PlatformWaitFor([&] {
        if (adwFrameTick[0] != dwLast) {
            dwLast = adwFrameTick[0];
            dwQuietFrom = GetTickCount();
        }
        return GetTickCount() - dwQuietFrom >= 300;
    }, 5000));
    PlatformClickButton(hwndLogButtonsAlt[0]);
    CHILD_CHECK(nRecordingState == 1);
}

std::vector<Record> ReadingRecords(const std::string &root, size_t length, const std::string &prefix)
{
    size_t tail = 0;
    std::vector<Record> all = SplitRecords(ReadFileBytes(OnlyDataFile(root)), length, &tail);
    EXPECT_EQ(tail, 0u);
    std::vector<Record> out;
    for (const Record &r : all)
        if (r.StartsWith(prefix)) out.push_back(r);
    return out;
}

// The big-endian word at a record's byte.
unsigned WordAt(const Record &r, int at) { return (unsigned char)r.bytes[at] * 256u + (unsigned char)r.bytes[at + 1]; }

// ------------------------------------------------------------------------------------------------- EM38-4

// Rate choice 3 (four frames a reading) while logging: eight packets make two records, each with the means of its
// four packets and the tick of its fourth.
TEST(Em384Logging, FourPacketMeansAndTheTickOfTheFourth)
{
    std::string root = emu::MakeTempRoot("array_readings_em384_decimation");
    emu::Emulator dev(root, {"COM4=em384:static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    const double adC1[8] = {10, 20, 30, 45, 100, 105, 110, 125};
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM384, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nEm384DisplayMode = 0;
        nRateChoice = 3;
        SetReadingRateFactors();
        StartRecording(dev, L"C:\\data\\decimation.dat");
        CHILD_CHECK(nFrameDecimation == 4);
        for (int n = 0; n < 8; n++) {
            const double adC[4] = {adC1[n], 200, 300, 400};
            CHILD_CHECK(SendBytes(dev, Em384Packet(adC)));
            const double dWant = adC1[n];
            CHILD_CHECK(PlatformWaitFor([&] { return std::fabs(dChannelValue[0] - dWant) < 0.01 && szInstrumentRecord[0] == 0; },
                                        5000));
            facts.Set("tick" + std::to_string(n), (long long)adwFrameTick[0].load());
            PlatformPump(15);  // distinct ticks
        }
        facts.Set("readings", nTotalReadingCount);
        // The status panel counts the recorded readings as they come.
        bool bCountShown = false;
        for (const DrawnText &t : PlatformDrawnTexts())
            bCountShown = bCountShown || (t.window == hwndLog && t.text == L"2      " && t.cell.left >= rcStatusCount.left &&
                                          t.cell.top >= rcStatusCount.top && t.cell.top < rcStatusCount.bottom);
        facts.Set("countShown", bCountShown);
        return StopSavingFacts(facts, root);
    }, 60);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("readings"), 2);
    EXPECT_EQ(facts.Get("countShown"), 1);
    std::vector<Record> recs = ReadingRecords(root, 47, "T");
    ASSERT_EQ(recs.size(), 2u);
    // C1 of pair 1 sits at bytes 10-11: the word of the mean, within one word step.
    const double adMean[2] = {(10 + 20 + 30 + 45) / 4.0, (100 + 105 + 110 + 125) / 4.0};
    for (int k = 0; k < 2; k++) {
        const double dC1 = ((double)WordAt(recs[k], 10) * 5 / 1024 - 160) * 8;
        EXPECT_NEAR(dC1, adMean[k], 0.04) << k;
        EXPECT_NEAR(((double)WordAt(recs[k], 2) * 5 / 1024 - 160) * 8, 300.0, 0.04) << "pair 3";
        EXPECT_EQ(recs[k].Tick(), facts.Get("tick" + std::to_string(4 * k + 3))) << recs[k].bytes;
        EXPECT_NE(recs[k].Tick(), facts.Get("tick" + std::to_string(4 * k + 2)));
        EXPECT_EQ(recs[k].bytes[35], ' ');
        EXPECT_EQ(recs[k].bytes[46], '\n');
    }
}

// Display mode 1 with rate value 10: the packet that finds the reading window restarting is recorded, the ten after
// it fill the window and leave nothing; then a negative conductivity mean empties the inversion block of the record
// (31000, blanks, 0) and a window mean back above zero gives the zero block.
TEST(Em384Logging, ReadingWindowAbsorbsTenPacketsAndANegativeMeanEmptiesTheInversionBlock)
{
    std::string root = emu::MakeTempRoot("array_readings_em384_window");
    emu::Emulator dev(root, {"COM4=em384:static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM384, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nEm384DisplayMode = 1;
        nEm384RateValue = 10;
        nRateChoice = 0;
        SetReadingRateFactors();
        StartRecording(dev, L"C:\\data\\window.dat");
        // The silence before the first packet restarts the window (no-data time-out of the logging timer).
        CHILD_CHECK(PlatformWaitFor([] { return nEm384AverageState == -1; }, 5000));
        long long nRecordsAfter[13];
        for (int n = 0; n < 13; n++) {
            // C3 below zero up to the twelfth packet, then well above: C1 tells the packets apart.
            const double adC[4] = {100.0 + n * 5, 200, n < 12 ? -50.0 : 500.0, 400};
            CHILD_CHECK(SendBytes(dev, Em384Packet(adC)));
            const double dWant = adC[0];
            CHILD_CHECK(PlatformWaitFor([&] { return std::fabs(dChannelValue[0] - dWant) < 0.01; }, 5000));
            nRecordsAfter[n] = nTotalReadingCount;
            facts.Set("state" + std::to_string(n), nEm384AverageState);
        }
        for (int n = 0; n < 13; n++) facts.Set("records" + std::to_string(n), nRecordsAfter[n]);
        return StopSavingFacts(facts, root);
    }, 60);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("records0"), 1);
    for (int n = 1; n <= 10; n++) EXPECT_EQ(facts.Get("records" + std::to_string(n)), 1) << "absorbed packet " << n;
    EXPECT_EQ(facts.Get("state10"), 1);
    EXPECT_EQ(facts.Get("records11"), 2);
    EXPECT_EQ(facts.Get("records12"), 3);
    std::vector<Record> recs = ReadingRecords(root, 47, "T");
    ASSERT_EQ(recs.size(), 3u);
    EXPECT_EQ(recs[0].bytes.substr(26, 9), std::string(9, '\0')) << "the restart packet: zero block";
    EXPECT_EQ(WordAt(recs[1], 26), 31000u);
    EXPECT_EQ(recs[1].bytes.substr(28, 6), "      ");
    EXPECT_EQ(recs[1].bytes[34], '\0');
    // The twelfth packet's C1 (155) is the one recorded after the window filled.
    EXPECT_NEAR(((double)WordAt(recs[1], 10) * 5 / 1024 - 160) * 8, 155.0, 0.04);
    // One packet of 500 in a window of ten -50s brings the C3 mean to +5: the block is zero again.
    EXPECT_EQ(recs[2].bytes.substr(26, 9), std::string(9, '\0'));
}

// The chosen dipole mode "Horizontal" with the array's 'V' readings: records, numbers and bars go on, the profiles
// stay. Display mode 2 records the height set for the array in place of the measured ones.
TEST(Em384Logging, VerticalReadingsInHorizontalModeLeaveTheProfilesAndModeTwoRecordsTheSetHeight)
{
    std::string root = emu::MakeTempRoot("array_readings_em384_dipole");
    emu::Emulator dev(root, {"COM4=em384:static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM384, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nEm384DisplayMode = 2;
        nEm384RateValue = 1;
        nDipoleMode = 1;
        dEm384Height = 3.0;
        nRateChoice = 0;
        SetReadingRateFactors();
        StartRecording(dev, L"C:\\data\\dipole.dat");
        const std::vector<COLORREF> q0 = WindowPixels(hwndCurve2), i0 = WindowPixels(hwndCurve3);
        PlatformClearDrawnTexts();
        for (int n = 0; n < 6; n++) {
            const double adC[4] = {100.0 + 50 * n, 200, 300, 400};
            CHILD_CHECK(SendBytes(dev, Em384Packet(adC)));
            const double dWant = adC[0];
            CHILD_CHECK(PlatformWaitFor([&] { return std::fabs(dChannelValue[0] - dWant) < 0.01 && szInstrumentRecord[0] == 0; },
                                        5000));
        }
        bool bNumbers = false;
        for (const DrawnText &t : PlatformDrawnTexts()) bNumbers = bNumbers || (t.window == hwndNumbers && t.text == L"C1:   350.00");
        facts.Set("numbersShown", bNumbers);
        facts.Set("profilesSame", WindowPixels(hwndCurve2) == q0 && WindowPixels(hwndCurve3) == i0);
        facts.Set("barShown", anBarQTop[0] >= 0);
        facts.Set("readings", nTotalReadingCount);
        return StopSavingFacts(facts, root);
    }, 60);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("numbersShown"), 1);
    EXPECT_EQ(facts.Get("profilesSame"), 1);
    EXPECT_EQ(facts.Get("barShown"), 1);
    std::vector<Record> recs = ReadingRecords(root, 47, "T");
    ASSERT_GE(recs.size(), 4u);
    EXPECT_EQ((long long)recs.size(), facts.Get("readings"));
    // Height words: (3.0 + 8.7 + 4) / 0.66667 truncated, not the packets' 20.
    for (const Record &rec : recs) {
        EXPECT_EQ(WordAt(rec, 18), 23u) << rec.index;
        EXPECT_EQ(WordAt(rec, 20), 23u) << rec.index;
    }
}

// ------------------------------------------------------------------------------------------------- CS-21

// Waits until the count of recorded readings reaches n; the arrival tick of the sentence that did it is kept.
std::vector<long long> gArrivalTicks;
bool ReadingsReach(int n)
{
    if (!PlatformWaitFor([n] { return nTotalReadingCount >= n; }, 5000)) return false;
    gArrivalTicks.push_back((long long)dwInstrumentDataTick.load());
    return true;
}

TEST(DualEmSentences, RowsRecordsProfilesStationAndResultSound)
{
    std::string root = emu::MakeTempRoot("array_readings_cs21");
    emu::Emulator dev(root, {"COM4=cs21:static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 silence 0"));
    const std::string first = "$PDLM1,112345.234,12.5,-0.8,30.1,1.2*23";
    const std::string second = "$PDLM2,112345.334,14.0,-0.5,28.0,0.9*3F";
    const std::string other = "$PDLMA,12.60,24.5,0.5,-0.3*49";
    const std::string longOne = "$PDLM1,112345.434,12.5,-0.8,30.1,1.2,7.77777,8.88888,9.99999,ABCDEFGHIJKLMNOPQRSTUVWXYZ*02";
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_CS21, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nEm384DisplayMode = 0;
        StartRecording(dev, L"C:\\data\\cs21.dat");
        bAudioTicks = 1;
        const int nPlayedBefore = PlayedCount(L"SOUND_RESULT");
        PlatformPump(300);
        std::vector<COLORREF> q0 = WindowPixels(hwndCurve2), i0 = WindowPixels(hwndCurve3);

        // The first half: rows 1 to 4 of the numbers window, no profile step.
        PlatformClearDrawnTexts();
        CHILD_CHECK(SendBytes(dev, first + "\r\n"));
        CHILD_CHECK(ReadingsReach(1));
        const wchar_t *aszRow[4] = {L"   12.50", L"   -0.80", L"   30.10", L"    1.20"};
        int anTop[4] = {-1, -1, -1, -1};
        for (const DrawnText &t : PlatformDrawnTexts())
            for (int k = 0; k < 4; k++)
                if (t.window == hwndNumbers && t.text == aszRow[k]) anTop[k] = t.cell.top;
        facts.Set("row1Top", anTop[0] - rcSidePanelValues.top);
        for (int k = 1; k < 4; k++) facts.Set("rowStep" + std::to_string(k), anTop[k] - anTop[k - 1]);
        facts.Set("pitch", nLineHeight - 3);
        facts.Set("profileAfterFirst", WindowPixels(hwndCurve2) != q0 || WindowPixels(hwndCurve3) != i0);
        facts.Set("soundsAfterFirst", PlayedCount(L"SOUND_RESULT") - nPlayedBefore);

        // The second half: both profiles step.
        CHILD_CHECK(SendBytes(dev, second + "\r\n"));
        CHILD_CHECK(ReadingsReach(2));
        std::vector<COLORREF> q2 = WindowPixels(hwndCurve2), i2 = WindowPixels(hwndCurve3);
        facts.Set("conductivityStepped", q2 != q0);
        facts.Set("inphaseStepped", i2 != i0);

        // Another kind: recorded, the station advances, no profile step.
        const double dStationBefore = dStation;
        CHILD_CHECK(SendBytes(dev, other + "\r\n"));
        CHILD_CHECK(ReadingsReach(3));
        facts.Set("stationStepX1000", std::lround((dStation - dStationBefore) * 1000));
        facts.Set("incrementX1000", std::lround(dStationIncrement * 1000));
        facts.Set("profileAfterOther", WindowPixels(hwndCurve2) != q2 || WindowPixels(hwndCurve3) != i2);

        CHILD_CHECK(SendBytes(dev, first + "\r\n"));
        CHILD_CHECK(ReadingsReach(4));
        facts.Set("soundsAfterFour", PlayedCount(L"SOUND_RESULT") - nPlayedBefore);
        CHILD_CHECK(SendBytes(dev, longOne + "\r\n"));
        CHILD_CHECK(ReadingsReach(5));
        facts.Set("soundsAfterFive", PlayedCount(L"SOUND_RESULT") - nPlayedBefore);
        facts.Set("readings", nTotalReadingCount);
        for (size_t n = 0; n < gArrivalTicks.size(); n++) facts.Set("tick" + std::to_string(n), gArrivalTicks[n]);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/cs21_chosen_sentences_logging_screen.png")));
        return StopSavingFacts(facts, root);
    }, 60);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("row1Top"), 0);
    for (int k = 1; k < 4; k++) EXPECT_EQ(facts.Get("rowStep" + std::to_string(k)), facts.Get("pitch")) << k;
    EXPECT_EQ(facts.Get("profileAfterFirst"), 0);
    EXPECT_EQ(facts.Get("conductivityStepped"), 1);
    EXPECT_EQ(facts.Get("inphaseStepped"), 1);
    EXPECT_EQ(facts.Get("profileAfterOther"), 0);
    EXPECT_EQ(facts.Get("stationStepX1000"), facts.Get("incrementX1000"));
    EXPECT_EQ(facts.Get("soundsAfterFirst"), 1);
    EXPECT_EQ(facts.Get("soundsAfterFour"), 1);
    EXPECT_EQ(facts.Get("soundsAfterFive"), 2);
    EXPECT_EQ(facts.Get("readings"), 5);

    std::vector<Record> recs = ReadingRecords(root, 65, "T$PDLM");
    ASSERT_EQ(recs.size(), 5u);
    for (size_t n = 0; n < recs.size(); n++) EXPECT_EQ(recs[n].Tick(), facts.Get("tick" + std::to_string(n))) << n;
    // "T", the sentence as received, blanks, the ten-digit tick, the line feed.
    const std::string &rec = recs[0].bytes;
    EXPECT_EQ(rec.substr(0, 1 + first.size()), "T" + first);
    EXPECT_EQ(rec.substr(1 + first.size(), 54 - 1 - first.size()), std::string(54 - 1 - first.size(), ' '));
    EXPECT_GE(recs[0].Tick(), 0) << rec;
    EXPECT_EQ(rec[64], '\n');
    EXPECT_TRUE(recs[2].StartsWith("T" + other)) << recs[2].bytes;
    // The over-long sentence keeps its first 53 characters; the tick takes the rest.
    const std::string &cut = recs[4].bytes;
    EXPECT_EQ(cut.substr(1, 53), longOne.substr(0, 53));
    EXPECT_GE(recs[4].Tick(), 0) << cut;
    EXPECT_EQ(cut[64], '\n');
}

// The CS-21 has no calibration or drift procedure: the popup menu's calibration, removal and drift items open no
// box and stop no reading.
TEST(DualEmSentences, CalibrationRemovalAndDriftItemsDoNothing)
{
    std::string root = emu::MakeTempRoot("array_readings_cs21_menu");
    emu::Emulator dev(root, {"COM4=cs21:static"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_CS21, 1), [&]() {
        UseEmulatorPorts(false);
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        // With a data file open the menu offers all three.
        PlatformScriptFileChooser(L"C:\\data\\cs21_menu.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        const double adB[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        memcpy(adCalibrationB, adB, sizeof adB);
        for (int nItem : {516, 517, 520}) {
            PlatformClearShownDialogs();
            PlatformScriptPopupMenu(nItem);
            PlatformPressKey('M');
            bool bOffered = false;
            for (const ShownMenuItem &m : PlatformLastPopupMenu()) bOffered = bOffered || (m.id == nItem && m.enabled);
            CHILD_CHECK(bOffered);
            // Sentences keep coming to the handler.
            dwInstrumentDataTick = 0;
            CHILD_CHECK(PlatformWaitFor([] { return dwInstrumentDataTick != 0; }, 3000));
            CHILD_CHECK(PlatformShownDialogs().empty());
            CHILD_CHECK(nCalProcedureState == 0);
            CHILD_CHECK(memcmp(adCalibrationB, adB, sizeof adB) == 0);
        }
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 60);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// ------------------------------------------------------------------------------------------------- Grad601

int CountNonWhite(const std::vector<COLORREF> &px)
{
    int n = 0;
    for (COLORREF c : px) n += (c & 0xFFFFFF) != 0xFFFFFF;
    return n;
}

// One sensor: the 27-byte record "T$P" + thirteen characters from the comma after the tag + tick + line feed, and
// the sensor's bar in the decay window.
TEST(GradSentences, OneSensorRecordAndDecayBar)
{
    std::string root = emu::MakeTempRoot("array_readings_grad_one");
    emu::Emulator dev(root, {"COM4=grad601:static,sensors=1"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 silence 0"));
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_GRAD601, 1), [&]() {
        Facts facts;
        UseEmulatorPorts(false);
        nSensorsMinus1 = 0;
        StartRecording(dev, L"C:\\data\\grad_one.dat");
        PlatformPump(300);
        const std::vector<COLORREF> before = WindowPixels(hwndDecay);
        CHILD_CHECK(SendBytes(dev, "$PBAR,12345,-0123\r\n"));
        CHILD_CHECK(ReadingsReach(1));
        const std::vector<COLORREF> after = WindowPixels(hwndDecay);
        facts.Set("decayChanged", before != after);
        facts.Set("decayInkGrew", CountNonWhite(after) > CountNonWhite(before));
        // A value inside the scale: the bar stands at its own row.
        const double dMid = (dScale1Min + dScale1Max) / 2;
        char sz[64];
        std::snprintf(sz, sizeof sz, "$PBAR,%.1f\r\n", dMid);
        CHILD_CHECK(SendBytes(dev, sz));
        CHILD_CHECK(ReadingsReach(2));
        const std::vector<COLORREF> mid = WindowPixels(hwndDecay);
        facts.Set("decayMovedForMid", mid != after);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/grad601_one_sensor_chosen_logging_screen.png")));
        return StopSavingFacts(facts, root);
    }, 60);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("decayChanged"), 1);
    EXPECT_EQ(facts.Get("decayInkGrew"), 1);
    EXPECT_EQ(facts.Get("decayMovedForMid"), 1);
    std::vector<Record> recs = ReadingRecords(root, 27, "T$P,");
    ASSERT_EQ(recs.size(), 2u);
    EXPECT_EQ(recs[0].bytes.substr(0, 16), "T$P,12345,-0123 ");
    EXPECT_GE(recs[0].Tick(), 0) << recs[0].bytes;
    EXPECT_EQ(recs[0].bytes[26], '\n');
}

// Two sensors on the colour map: the Q bar follows sensor 1 and the I bar sensor 2, both on reading scale 1, and
// the colour cell is 64 x index 2 + index 1, each index held to 0..49.
TEST(GradSentences, TwoSensorsBarsAndCombinedCell)
{
    std::string root = emu::MakeTempRoot("array_readings_grad_two");
    emu::Emulator dev(root, {"COM4=grad601:static,sensors=2", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok("COM4 silence 0"));
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    ASSERT_TRUE(dev.ok("COM6 walk 0 0"));
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_GRAD601, 0), [&]() {
        Facts facts;
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nColorMapView = 1;
        nSensorsMinus1 = 1;
        nMapSize = 40;
        dScale1Min = 0.0;
        dScale1Max = 500.0;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(PlatformWaitFor([] { return bGpsPositionValid == 1 && IsWindowEnabled(hwndLogButtons[0]); }, 15000));
        PlatformScriptFileChooser(L"C:\\data\\grad_two.dat");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        // A position hands the swath over; then the GPS falls silent so that the row stays where it is.
        CHILD_CHECK(PlatformWaitFor([] { return bSwathSampling == 1; }, 5000));
        CHILD_CHECK(dev.ok("COM6 silence 0"));
        PlatformPump(500);
        facts.Set("colorStepX1000", std::lround(dColorStep * 1000));
        const struct {
            const char *sz;
            double d1, d2;
        } kCases[] = {{"$PBAR,120.0,370.0\r\n", 120.0, 370.0}, {"$PBAR,-40.0,900.0\r\n", -40.0, 900.0}};
        int n = 0;
        for (const auto &c : kCases) {
            const int nRow = nSwathRow, nCell = nSwathCellCount;
            CHILD_CHECK(SendBytes(dev, c.sz));
            CHILD_CHECK(ReadingsReach(n + 1));
            CHILD_CHECK(nSwathRow == nRow && nSwathCellCount == nCell + 1);
            const std::string k = std::to_string(n++);
            facts.Set("cell" + k, rgColorGrid[nRow][nCell]);
            auto index = [](double v) {
                const int i = (int)((v - dScale1Min) / dColorStep);
                return i < 0 ? 0 : (i > nColorScaleSteps ? nColorScaleSteps : i);
            };
            facts.Set("want" + k, 64 * index(c.d2) + index(c.d1));
            facts.Set("barQ" + k, anBarQEnd[0]);
            facts.Set("barI" + k, anBarIEnd[0]);
            facts.Set("wantQ" + k, (long long)((dScale1Max - c.d1) * dScale1PixPerUnitB));
            facts.Set("wantI" + k, (long long)((dScale1Max - c.d2) * dScale1PixPerUnitB));
            facts.Set("barsShown" + k, anBarQTop[0] >= 0 && anBarITop[0] >= 0);
        }
        return StopSavingFacts(facts, root);
    }, 90);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    Facts facts = Facts::Load(FactsPath(root));
    EXPECT_EQ(facts.Get("colorStepX1000"), 10000) << "500 units in 50 classes";
    EXPECT_EQ(facts.Get("want0"), 64 * 37 + 12);
    EXPECT_EQ(facts.Get("want1"), 64 * 49 + 0);
    for (int n = 0; n < 2; n++) {
        const std::string k = std::to_string(n);
        EXPECT_EQ(facts.Get("cell" + k), facts.Get("want" + k)) << n;
        EXPECT_EQ(facts.Get("barQ" + k), facts.Get("wantQ" + k)) << n;
        EXPECT_EQ(facts.Get("barI" + k), facts.Get("wantI" + k)) << n;
        EXPECT_EQ(facts.Get("barsShown" + k), 1) << n;
    }
}

}  // namespace
