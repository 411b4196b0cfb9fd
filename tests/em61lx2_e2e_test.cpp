// A two-coil EM61-LX2 survey end to end: the real program against the device emulator on a pseudo-terminal,
// normalisation, logging with the simple alarm telling a target between the coils, the records it leaves and a
// picture of the logging screen during the alarm.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "datafile/datafile.h"
#include "dialogs/alarm_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/system_dialog.h"
#include "displays/bar_windows.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "processing/em61lx2_alarm.h"
#include "processing/em61lx2_decode.h"
#include "processing/em61lx2_handler.h"
#include "processing/em61mk2_decode.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

ProgramStart Lx2Start(const std::string &root);

int ColourInRect(HWND hwnd, const RECT &rc, COLORREF clr) { return CountColourInRect(hwnd, rc, clr); }

}  // namespace

TEST(Em61Lx2Survey, TwoCoilsTargetBetweenTheCoilsRingsAndLightsTheMiddleLamp)
{
    std::string root = emu::MakeTempRoot("em61lx2_two_coils");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=2"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    // Left coil early 100 words (2000 mV), right coil early 90 words (1800 mV): 0.2 x 2000 = 400 > 200, between.
    ASSERT_TRUE(dev.ok("COM4 value raw=100,50,90,45 range=0 letter=E current=3171 battery=10"));
    ChildResult r = RunProgramInChild(Lx2Start(root), [&dev]() {
        UseEmulatorPorts(false);
        nSensorsMinus1 = 1;
        nAlarmType = 1;
        nAlarmAudio = 1;
        nAlarmChannel = 0;
        dAlarmLevel = 1500.0;
        dScale1Min = 0;
        dScale1Max = 2500;
        bNoCurrentNorm = 0;
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(20000));
        PlatformPump(1000);
        PlatformScriptFileChooser(L"C:\\data\\twocoils.TX2");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        CHILD_CHECK(PlatformWaitFor([] { return SoundCount(L"BETWEENSOUND") >= 1 && nTotalReadingCount >= 30; },
                                    15000));
        CHILD_CHECK(bAlarmActive == 1 && bAlarmActiveRight == 1);
        CHILD_CHECK(ColourInRect(hwndLog, rcTargetLampMiddle, RGB(255, 0, 0)) > 0);
        CHILD_CHECK(ColourInRect(hwndLog, rcTargetLampLeft, RGB(255, 0, 0)) == 0);
        CHILD_CHECK(PlatformSaveWindowPng(hwndLog, std::string(TEST_OUTPUT_DIR "/logscreen_em61lx2_two_coils_alarm.png")));
        // 10 V of battery is at or below the 10.5 V limit: the battery box is red.
        CHILD_CHECK(ColourInRect(hwndLog, rcStatusVoltage, RGB(255, 0, 0)) > 0);
        CHILD_CHECK(SoundCount(L"LEFTSOUND") == 0);
        // The instrument falls silent: the pause and any later repaint keep the last reading's coil bars.
        CHILD_CHECK(dev.ok("COM4 silence 0"));
        CHILD_CHECK(InstrumentSilentAndHandled(10000));
        const std::vector<COLORREF> barQ = WindowPixels(hwndBarQ), barI = WindowPixels(hwndBarI);
        CHILD_CHECK(anBarQTop[0] >= 0 && anBarITop[0] >= 0);
        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        for (HWND hwnd : {hwndBarQ, hwndBarI}) {
            InvalidateRect(hwnd, nullptr, TRUE);
            UpdateWindow(hwnd);
        }
        CHILD_CHECK(PlatformSaveWindowPng(hwndBarQ, std::string(TEST_OUTPUT_DIR "/em61lx2_two_coils_bar_q_paused.png")));
        CHILD_CHECK(WindowPixels(hwndBarQ) == barQ);
        CHILD_CHECK(WindowPixels(hwndBarI) == barI);
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);

    std::vector<Record> recs = SplitRecords(ReadFileBytes(root + "/C/data/twocoils.TX2"), 27);
    int nReadings = 0;
    for (const Record &rec : recs) {
        if (rec.Kind() != 'E') continue;
        nReadings++;
        const std::string &b = rec.bytes;
        ASSERT_EQ(b.size(), 27u);
        EXPECT_EQ((unsigned char)b[2], 0);
        EXPECT_EQ((unsigned char)b[3], 100);
        EXPECT_EQ((unsigned char)b[6], 0);
        EXPECT_EQ((unsigned char)b[7], 90);
        // The averaged current 3171.00 and byte 13 cleared.
        EXPECT_EQ(((unsigned char)b[10] << 8) | (unsigned char)b[11], 3171);
        EXPECT_EQ((unsigned char)b[12], 0);
        EXPECT_EQ(b[13], 0);
        EXPECT_GE(rec.Tick(), 0);
        EXPECT_EQ(b[26], '\n');
    }
    EXPECT_GE(nReadings, 20);  // frames older than the recording start are counted, not written
}

namespace {

// The procedures and alarms below run against frames the emulator sends: the values set with "value raw=" (the
// channel words, range byte 0: 20 mV per count) or frames of chosen words sent one after another.
constexpr double kNorm = 3171.2 / 3171.0;  // the normalisation of the emulator's current word 3171

ProgramStart Lx2Start(const std::string &root)
{
    ProgramStart start = StartBuildIn(root, INSTRUMENT_EM61LX2, 1);
    start.screenWidth = 1280;
    start.screenHeight = 800;
    return start;
}

std::string Raw(int w1, int w2, int w3 = 0, int w4 = 0)
{
    return "COM4 value raw=" + std::to_string(w1) + "," + std::to_string(w2) + "," + std::to_string(w3) + "," +
           std::to_string(w4) + " range=0 letter=E current=3171 battery=12";
}

// A text of this content was drawn in the window since the drawn texts were last cleared.
bool Drew(HWND hwnd, const std::wstring &text)
{
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwnd && t.text == text) return true;
    return false;
}

bool Near(double a, double b) { return std::fabs(a - b) < 1e-6 * (1 + std::fabs(b)); }

// "&Logging" until normal operation, then a data file: stand-by.
void LoggingInStandBy(const std::wstring &file)
{
    PlatformPressKey('L');
    CHILD_CHECK(nActiveScreen == 1);
    CHILD_CHECK(WaitNormalOperation(30000));
    PlatformScriptFileChooser(L"C:\\data\\" + file);
    PlatformPressKey('F');
    CHILD_CHECK(nRecordingState == -1);
}

// Every file of the build's settings folder, name and bytes.
std::map<std::string, std::string> SettingsFiles(const std::string &root)
{
    std::map<std::string, std::string> m;
    for (const auto &e : std::filesystem::recursive_directory_iterator(root + "/C/ProgramData"))
        if (e.is_regular_file()) m[e.path().string()] = ReadFileBytes(e.path().string());
    return m;
}

// The filter calibration command with its boxes answered: part 1 over the air frames, part 2 over the ground frames
// the emulator sends once the second box is answered, the refusal boxes with OK, the last box with bAccept.
struct CalibrationBoxes {
    std::vector<ShownDialog> shown;
};
CalibrationBoxes Calibrate(emu::Emulator &dev, int bDual, const std::string &air, const std::string &ground,
                           int bAccept)
{
    CHILD_CHECK(dev.ok(air));
    PlatformPump(300);  // frames of the new values are under way
    PlatformClearShownDialogs();
    PlatformAnswerDialog(L"Filter Calibration Part 1", 1);
    PlatformScriptDialog(bDual ? L"Filter Calibration Part 2" : L"Calibration Part 2", [&dev, ground](HWND d) {
        dev.ok(ground);  // the coils on the ground while the box is up
        PlatformPressDialogButton(d, 1);
    });
    PlatformAnswerDialog(L"Filter Factor Left Coil", 1);
    PlatformAnswerDialog(L"Filter Factor Right Coil", 1);
    PlatformAnswerDialog(L"Filter Calibration Complete", bAccept ? 1 : 2);
    SendMessage(hwndLog, WM_COMMAND, 516, 0);  // "Filter Calibration Part 1"
    CHILD_CHECK(nEm61ProcedureState == -2);
    CHILD_CHECK(PlatformWaitFor([] { return nEm61ProcedureState == 1; }, 60000));
    PlatformClearDialogScripts();
    return CalibrationBoxes{PlatformShownDialogs()};
}

std::vector<std::string> RecordsOfKind(const std::string &path, char kind)
{
    std::vector<std::string> v;
    for (const Record &r : SplitRecords(ReadFileBytes(path), 27))
        if (r.Kind() == kind) v.push_back(r.bytes);
    return v;
}

std::string OffsetLine(double dNew, double dPrev)
{
    char sz[64];
    snprintf(sz, sizeof sz, "O%9.2f %9.2f     1\n", dNew, dPrev);
    return sz;
}

}  // namespace

// One coil through the real program: nulling in stand-by over 100 readings, then filter calibrations accepted,
// refused (ratio 0.9, a dead late channel) and cancelled at the last box, with the records and settings they leave.
TEST(Em61Lx2Procedures, OneCoilNullingThenCalibrationsAcceptedRefusedAndCancelled)
{
    std::string root = emu::MakeTempRoot("em61lx2_one_coil_procedures");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=1,rate=4"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(Raw(10, 5)));
    const std::string path = root + "/C/data/onecoil.TX2";
    ChildResult r = RunProgramInChild(Lx2Start(root), [&dev, &root, &path]() {
        UseEmulatorPorts(false);
        nSensorsMinus1 = 0;
        nAlarmType = 0;
        nAlarmChannel = 0;
        bNoCurrentNorm = 0;
        LoggingInStandBy(L"onecoil.TX2");

        // Nulling: the progress in the side panel, four "O" records in stand-by, the offsets subtracted after.
        const size_t nO0 = RecordsOfKind(path, 'O').size(), nI0 = RecordsOfKind(path, 'I').size();
        PlatformAnswerDialog(L"NULLING", 1);
        PlatformClearDrawnTexts();
        PlatformPressKey('U');
        CHILD_CHECK(nEm61ProcedureState == -1);
        CHILD_CHECK(PlatformWaitFor([] { return nEm61ProcedureState == 1; }, 30000));
        CHILD_CHECK(Drew(hwndNumbers, L"Nulling:"));
        CHILD_CHECK(Drew(hwndNumbers, L" 9 of 100") && Drew(hwndNumbers, L"50 of 100"));
        CHILD_CHECK(Near(adOffset[0], 200 * kNorm) && Near(adOffset[1], 100 * kNorm));
        std::vector<std::string> o = RecordsOfKind(path, 'O');
        CHILD_CHECK(o.size() == nO0 + 4 && o[nO0].substr(0, 10) == "O   200.01" &&
                    o[nO0 + 1].substr(0, 10) == "O   100.01");
        CHILD_CHECK(FramesArrive(3000) && FramesArrive(3000));
        CHILD_CHECK(std::fabs(dAlarmValue) < 0.01);  // the early channel of the same frames now reads 0

        // Accepted: air 20, 10 (offsets 400, 200), ground 290, 110: (5800 - 400) / (2200 - 200) = 2.7, 309.6.
        CalibrationBoxes b = Calibrate(dev, 0, Raw(20, 10), Raw(290, 110), 1);
        CHILD_CHECK(b.shown.size() == 3);
        CHILD_CHECK(b.shown[0].caption == L"Filter Calibration Part 1");
        CHILD_CHECK(b.shown[1].text == L"Ready to calculate Filter Factor\r\nPlace coil(s) on the ground.\r\n"
                                       L"Press  OK  when  you are ready to start\r\n");
        CHILD_CHECK(b.shown[2].text == L"Filter Factor = 309.6\r\nPress OK to accept the calibration\r\n"
                                       L"or CANCEL to restore previous values\r\n");
        CHILD_CHECK(Near(dFilterFactorLeft, 309.6) && Near(dFilterRatioLeft, 2.7));
        o = RecordsOfKind(path, 'O');
        CHILD_CHECK(o.size() == nO0 + 8);
        // The previous column: the offsets in force before this calibration (those of the nulling).
        CHILD_CHECK(o[nO0 + 4] == OffsetLine(400 * kNorm, 200 * kNorm) &&
                    o[nO0 + 5] == OffsetLine(200 * kNorm, 100 * kNorm));
        const std::vector<std::string> i = RecordsOfKind(path, 'I');
        CHILD_CHECK(i.size() == nI0 + 2 && i[nI0].substr(0, 10) == "I   309.60");

        // Refused: the box names the coil, the factor, ratio and offsets stay, nothing is written or saved.
        struct Refusal {
            const char *ground;
            const wchar_t *line;
        };
        const std::string g1 = Raw(110, 110), g2 = Raw(290, 10);  // ratio 0.9 (115.2); late channel at its offset
        const Refusal aRefusal[] = {{g1.c_str(), L"Calculated Filter Factor for Left Coil ( 115.2 )\r\n"},
                                    {g2.c_str(), L"Calculated Filter Factor for Left Coil ( "}};
        for (const Refusal &c : aRefusal) {
            const size_t nBytes = ReadFileBytes(path).size();
            const std::map<std::string, std::string> settings = SettingsFiles(root);
            const double adBefore[2] = {adOffset[0], adOffset[1]};
            CalibrationBoxes rb = Calibrate(dev, 0, Raw(20, 10), c.ground, 1);
            CHILD_CHECK(rb.shown.size() == 3);
            CHILD_CHECK(rb.shown[2].caption == L"Filter Factor Left Coil");
            CHILD_CHECK(rb.shown[2].text.rfind(L"Calibration Failed.\r\n", 0) == 0);
            CHILD_CHECK(rb.shown[2].text.find(c.line) != std::wstring::npos);
            CHILD_CHECK(rb.shown[2].text.find(L" is out of valid range ( 125 to 1000 ).\r\n"
                                              L"Program restores previous value ( 309.6 )\r\n") != std::wstring::npos);
            CHILD_CHECK(Near(dFilterFactorLeft, 309.6) && Near(dFilterRatioLeft, 2.7));
            CHILD_CHECK(std::isfinite(dFilterFactorLeftPrev) && std::isfinite(dFilterRatioLeftPrev));
            CHILD_CHECK(Near(adOffset[0], adBefore[0]) && Near(adOffset[1], adBefore[1]));
            CHILD_CHECK(ReadFileBytes(path).size() == nBytes);
            CHILD_CHECK(SettingsFiles(root) == settings);
        }

        // Cancel at the last box: ratio 2.0 (234.0) offered, the ratio and factor of before come back.
        const size_t nBytes = ReadFileBytes(path).size();
        CalibrationBoxes cb = Calibrate(dev, 0, Raw(20, 10), Raw(220, 110), 0);
        CHILD_CHECK(cb.shown.size() == 3 && cb.shown[2].text.rfind(L"Filter Factor = 234.0\r\n", 0) == 0);
        CHILD_CHECK(Near(dFilterFactorLeft, 309.6) && Near(dFilterRatioLeft, 2.7));
        CHILD_CHECK(ReadFileBytes(path).size() == nBytes);
        CHILD_CHECK(dev.ok(Raw(20, 10)));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 240);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    // No NaN anywhere in the file.
    EXPECT_EQ(ReadFileBytes(path).find("nan"), std::string::npos);
}

// Two coils: 2.7 and 2.0 give the two factors and OK writes four "O" and two "I" records; then a calibration with
// the right coil refused and accepted: the right coil's "I" record carries its own factor as the previous one.
TEST(Em61Lx2Procedures, TwoCoilCalibrationsWriteTheirRecordsAndARefusedCoilKeepsItsFactor)
{
    std::string root = emu::MakeTempRoot("em61lx2_two_coil_calibration");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=2,rate=4"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(Raw(10, 5, 10, 5)));
    const std::string path = root + "/C/data/twocal.TX2";
    ChildResult r = RunProgramInChild(Lx2Start(root), [&dev, &path]() {
        UseEmulatorPorts(false);
        nSensorsMinus1 = 1;
        nAlarmType = 0;
        bNoCurrentNorm = 0;
        dFilterRatioLeft = dFilterRatioRight = 2.7;
        dFilterFactorLeft = dFilterFactorRight = 309.6;
        LoggingInStandBy(L"twocal.TX2");
        const double adBefore[4] = {adOffset[0], adOffset[1], adOffset[2], adOffset[3]};
        const size_t nO0 = RecordsOfKind(path, 'O').size(), nI0 = RecordsOfKind(path, 'I').size();

        // Air 10, 5 on both coils (offsets 200, 100); ground left 280, 105 (2.7), right 210, 105 (2.0).
        CalibrationBoxes b = Calibrate(dev, 1, Raw(10, 5, 10, 5), Raw(280, 105, 210, 105), 1);
        CHILD_CHECK(b.shown.size() == 3);
        CHILD_CHECK(b.shown[1].caption == L"Filter Calibration Part 2");
        CHILD_CHECK(b.shown[2].text == L"Filter Factor for Left  Sensor = 309.6\r\n Filter Factor for Right Sensor = "
                                       L"234.0\r\nPress OK to accept the calibration\r\nor CANCEL to restore previous "
                                       L"values\r\n");
        CHILD_CHECK(Near(dFilterFactorLeft, 309.6) && Near(dFilterFactorRight, 234.0));
        std::vector<std::string> o = RecordsOfKind(path, 'O'), i = RecordsOfKind(path, 'I');
        CHILD_CHECK(o.size() == nO0 + 4 && i.size() == nI0 + 2);
        for (size_t k = 0; k < 4 && o.size() == nO0 + 4; k++)
            CHILD_CHECK(o[nO0 + k] == OffsetLine((k % 2 ? 100 : 200) * kNorm, adBefore[k]));
        CHILD_CHECK(i.size() == nI0 + 2 && i[nI0] == "I   309.60    309.60     1\n" &&
                    i[nI0 + 1] == "I   234.00    309.60     1\n");

        // Right refused (ratio 0.9), left 2.0 accepted: "(restored)" on the right, its record carries 234.00 twice.
        b = Calibrate(dev, 1, Raw(10, 5, 10, 5), Raw(210, 105, 100, 105), 1);
        CHILD_CHECK(b.shown.size() == 4 && b.shown[2].caption == L"Filter Factor Right Coil");
        CHILD_CHECK(b.shown[3].text.rfind(L"Filter Factor for Left  Sensor = 234.0\r\n Filter Factor for Right "
                                          L"Sensor = 234.0 (restored)\r\n", 0) == 0);
        i = RecordsOfKind(path, 'I');
        CHILD_CHECK(i.size() == nI0 + 4 && i[nI0 + 2] == "I   234.00    309.60     1\n" &&
                    i[nI0 + 3] == "I   234.00    234.00     1\n");
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 240);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
}

namespace {

// One-coil frames of these early-channel words (late channel 1), sent one at a time, each once the one before has
// been handled as a recorded reading (as the instrument paces them), while the emulator's own stream holds still.
bool SendEarlyWords(emu::Emulator &dev, const std::vector<int> &anWord)
{
    if (!dev.ok("COM4 silence 0")) return false;
    // The frames of the stream still under way are handled first.
    int nLast = -1;
    for (int i = 0; i < 20 && nLast != nTotalReadingCount; i++) {
        nLast = nTotalReadingCount;
        PlatformPump(150);
    }
    bool bOk = true;
    for (int w : anWord) {
        char sz[80];
        if (snprintf(sz, sizeof sz, "COM4 send 45 00 %02X %02X 00 01 00 00 00 00 0C 63 50 7F 7F", (w >> 8) & 0xFF,
                     w & 0xFF) <= 0)
            return false;
        const int n0 = nTotalReadingCount;
        bOk = dev.ok(sz) && PlatformWaitFor([n0] { return nTotalReadingCount > n0; }, 3000);
        if (!bOk) {
            fprintf(stderr, "frame of word %d not handled (%d readings, time-out %u ms)\n", w, nTotalReadingCount,
                    (unsigned)dwInstrumentTimeoutMs);
            break;
        }
    }
    return dev.ok("COM4 resume") && bOk;
}

std::vector<int> Repeat(int w, int n) { return std::vector<int>((size_t)n, w); }

std::vector<int> Join(std::initializer_list<std::vector<int>> parts)
{
    std::vector<int> v;
    for (const std::vector<int> &p : parts) v.insert(v.end(), p.begin(), p.end());
    return v;
}

}  // namespace

// The alarm dialog opened from the main menu ("Alarms S&etup"; Cancel changes nothing, OK saves the settings file)
// and by the logging screen's code 132 (the mode letter follows the watched channel); the enhanced alarm over frames
// of chosen values rings "RINGINSOUND" for a peak and not for a window with a low first slot; the simple alarm rings
// once and then holds for 20 readings.
TEST(Em61Lx2Alarm, DialogFromMenuAndScreenThenEnhancedAndSimpleAlarmsOverEmulatedFrames)
{
    std::string root = emu::MakeTempRoot("em61lx2_alarm_dialog_and_sounds");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=1"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(Raw(1, 1)));
    ChildResult r = RunProgramInChild(Lx2Start(root), [&dev, &root]() {
        UseEmulatorPorts(false);
        nSensorsMinus1 = 0;
        nAlarmType = 0;
        nAlarmChannel = 0;
        bNoCurrentNorm = 0;
        LoadSaveSettingsFile(1);

        // Main menu, Cancel: nothing changes.
        std::map<std::string, std::string> settings = SettingsFiles(root);
        PlatformClearShownDialogs();
        PlatformScriptDialog(L"ALARMLX2", [](HWND d) {
            PlatformPickListItem(d, IDC_ALARM_TYPE, 1);
            PlatformTypeIntoEdit(d, IDC_ALARM_LEVEL, L"5");
            PlatformPressDialogButton(d, IDCANCEL);
        });
        PlatformPressKey('E');
        CHILD_CHECK(ShownWith(L"Alarm Setup"));
        CHILD_CHECK(nAlarmType == 0 && dAlarmLevel == 100.0 && SettingsFiles(root) == settings);
        // Main menu, OK: enhanced on the early channel, "21 Samples" stored as 9, levels as typed, file saved.
        PlatformScriptDialog(L"ALARMLX2", [](HWND d) {
            PlatformPickListItem(d, IDC_ALARM_TYPE, 2);
            PlatformPickListItem(d, IDC_ALARM_AUDIO, 1);
            PlatformPickListItem(d, IDC_ALARM_CHANNEL, 0);
            PlatformPickListItem(d, IDC_ALARM_WIDTH, 9);
            PlatformPickListItem(d, IDC_ALARM_DESCENDING, 0);
            PlatformTypeIntoEdit(d, IDC_ALARM_MIN_LEVEL, L"50");
            PlatformTypeIntoEdit(d, IDC_ALARM_MAX_LEVEL, L"1000");
            PlatformPressDialogButton(d, IDOK);
        });
        PlatformPressKey('E');
        CHILD_CHECK(nAlarmType == 2 && nAlarmAudio == 1 && nAlarmChannel == 0 && nAlarmAnomalyWidth == 9);
        CHILD_CHECK(dAlarmMinLevel == 50.0 && dAlarmMaxLevel == 1000.0);
        CHILD_CHECK(SettingsFiles(root) != settings);

        CHILD_CHECK(StartLoggingTo(L"C:\\data\\alarm.TX2", 30000));
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount >= 5; }, 10000));
        dwInstrumentTimeoutMs = 10000;  // the stream held still while chosen frames are sent is no lost link
        nFrameDecimation = 1;  // every frame a reading, as after a filter calibration

        // Enhanced, in mV (20 per word): 20, 60, 160, 120, 80 never has all slots at 0.4 of the peak: no alarm;
        // 80, 120, 160, 140, 100 fires once (the sound is held while the peak passes).
        int nRings = SoundCount(L"RINGINSOUND");
        CHILD_CHECK(SendEarlyWords(dev, Join({Repeat(1, 8), {3, 8, 6}, Repeat(4, 10)})));
        CHILD_CHECK(SoundCount(L"RINGINSOUND") == nRings);
        CHILD_CHECK(SendEarlyWords(dev, Join({Repeat(4, 8), {6, 8, 7, 5}, Repeat(4, 10)})));
        CHILD_CHECK(SoundCount(L"RINGINSOUND") == nRings + 1);
        // A peak above the maximum does not fire: 1200 mV over a 1000 maximum.
        CHILD_CHECK(SendEarlyWords(dev, Join({Repeat(40, 25), {50, 60, 55, 45}, Repeat(40, 10)})));
        CHILD_CHECK(SoundCount(L"RINGINSOUND") == nRings + 1);

        // Code 132: the dialog from the logging screen; the mode letter follows the watched channel.
        const struct {
            int nChannel;
            const wchar_t *szLetter;
        } aChannel[] = {{1, L"L"}, {2, L"F"}, {0, L"E"}};
        for (const auto &c : aChannel) {
            PlatformClearDrawnTexts();
            const int nChannel = c.nChannel;
            PlatformScriptDialog(L"ALARMLX2", [nChannel](HWND d) {
                PlatformPickListItem(d, IDC_ALARM_TYPE, 1);
                PlatformPickListItem(d, IDC_ALARM_CHANNEL, nChannel);
                PlatformTypeIntoEdit(d, IDC_ALARM_LEVEL, L"100");
                PlatformPressDialogButton(d, IDOK);
            });
            SendMessage(hwndLog, WM_COMMAND, 513, 0);  // "Alarm S&ettings"
            CHILD_CHECK(nAlarmChannel == c.nChannel && nAlarmType == 1 && dAlarmLevel == 100.0);
            CHILD_CHECK(Drew(hwndLog, c.szLetter));
        }

        // Simple at 100 mV over steady frames of exactly 100 mV (early word 5): a ring, then 20 readings of silence.
        // (The hold counter the enhanced sound left runs out first, over quiet readings.)
        CHILD_CHECK(SendEarlyWords(dev, Repeat(1, 25)));
        nRings = SoundCount(L"SOUND_RING");
        CHILD_CHECK(SendEarlyWords(dev, Repeat(5, 43)));
        const int nSimpleRings = SoundCount(L"SOUND_RING") - nRings;
        if (nSimpleRings != 3) fprintf(stderr, "simple alarm: %d rings over 43 readings\n", nSimpleRings);
        CHILD_CHECK(nSimpleRings == 3);  // readings 1, 22 and 43
        CHILD_CHECK(SendEarlyWords(dev, Repeat(1, 30)));
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 240);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
}

// Filter factors typed in System Setup reach the next data file: its pair of "I" records carries them.
TEST(Em61Lx2Procedures, FilterFactorsOfSystemSetupReachTheNextDataFile)
{
    std::string root = emu::MakeTempRoot("em61lx2_system_filter_factors");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=2,rate=4"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    const std::string path = root + "/C/data/factors.TX2";
    ChildResult r = RunProgramInChild(Lx2Start(root), []() {
        UseEmulatorPorts(false);
        nAlarmType = 0;
        PlatformScriptDialog(L"SYSTEMLX2", [](HWND d) {
            PlatformPickListItem(d, IDC_SYS_SENSORS, 1);
            PlatformTypeIntoEdit(d, IDC_SYS_FILTER_LEFT, L"200");
            PlatformTypeIntoEdit(d, IDC_SYS_FILTER_RIGHT, L"1000");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(DialogBox(hInst, L"SYSTEMLX2", hwndMain, SystemDlgProc) == 1);
        CHILD_CHECK(nSensorsMinus1 == 1);
        CHILD_CHECK(std::fabs(dFilterFactorLeft - 200.0) < 1e-9 && std::fabs(dFilterFactorRight - 1000.0) < 1e-9);
        LoggingInStandBy(L"factors.TX2");
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    const std::vector<std::string> i = RecordsOfKind(path, 'I');
    ASSERT_GE(i.size(), 2u);
    EXPECT_EQ(i[0].substr(0, 10), "I   200.00");
    EXPECT_EQ(i[1].substr(0, 10), "I  1000.00");
}

namespace {

// The progress texts of the normalisation ("%3d %") drawn in the side panel so far, as numbers.
std::vector<int> NormalisationPercentages()
{
    std::vector<int> v;
    for (const DrawnText &t : PlatformDrawnTexts()) {
        int n = 0;
        wchar_t chPercent = 0;
        if (t.window == hwndNumbers && t.text.size() == 5 && swscanf(t.text.c_str(), L"%3d %lc", &n, &chPercent) == 2 &&
            chPercent == L'%')
            v.push_back(n);
    }
    return v;
}

}  // namespace

// One coil, logging with GPS on: "Normalization:" counts up while the current ring fills and the buttons wait for
// the first position; then the readings: the current and the battery in the status panel (red at 10.5 V), an arrow
// key held marks the readings, the first reading keeps the start station and each later one advances it, and every
// record is 27 bytes with the mean current, byte 13 cleared and the frame's tick.
TEST(Em61Lx2Survey, OneCoilNormalisationThenReadingsMarkersStationsAndStatus)
{
    std::string root = emu::MakeTempRoot("em61lx2_one_coil_logging");
    emu::Emulator dev(root, {"COM4=em61lx2:static,answer=OV,coils=1", "COM6=gps:format=1,hz=5"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    ASSERT_TRUE(dev.ok(Raw(30, 12)));
    ASSERT_TRUE(dev.ok("COM6 silence 0"));  // no position until the test lets it come
    ASSERT_TRUE(dev.ok("COM6 position 45.5 -75.5"));
    const std::string path = root + "/C/data/onecoil.TX2";
    ChildResult r = RunProgramInChild(Lx2Start(root), [&dev, &root]() {
        Facts facts;
        UseEmulatorPorts(true);
        nGpsFormat = 1;
        nSensorsMinus1 = 0;
        nAlarmType = 0;
        bNoCurrentNorm = 0;
        nPauseKey = 0;  // any key pauses; the arrow and digit keys hold the soft marker
        nSoftMarkerKey = 1;
        PlatformClearDrawnTexts();
        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(30000));
        CHILD_CHECK(Drew(hwndNumbers, L"Normalization:"));
        const std::vector<int> anPercent = NormalisationPercentages();
        int nBetween = 0;
        for (size_t i = 0; i < anPercent.size(); i++) {
            CHILD_CHECK(anPercent[i] >= 0 && anPercent[i] <= 100);
            CHILD_CHECK(i == 0 || anPercent[i] >= anPercent[i - 1]);
            nBetween += anPercent[i] > 0 && anPercent[i] < 100;
        }
        facts.Set("percentagesBetween", nBetween);
        // Normal operation, but no position yet: the buttons stay disabled until the first one.
        PlatformPump(500);
        CHILD_CHECK(bGpsPositionValid == 0 && !IsWindowEnabled(hwndLogButtons[0]));
        CHILD_CHECK(dev.ok("COM6 resume"));
        CHILD_CHECK(PlatformWaitFor([] { return IsWindowEnabled(hwndLogButtons[0]) != 0; }, 15000));

        PlatformScriptFileChooser(L"C:\\data\\onecoil.TX2");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        const double dStart = dStation;
        PlatformClearDrawnTexts();
        PlatformPressKey('G');
        CHILD_CHECK(nRecordingState == 1);
        facts.Set("startTick", (long long)dwRecordingStartTick);
        CHILD_CHECK(PlatformWaitFor([] { return nTotalReadingCount >= 20; }, 15000));
        // 3171 x 0.0018780699 A; 12 V is above the limit.
        CHILD_CHECK(Drew(hwndLog, L" 6.0 A"));
        CHILD_CHECK(Drew(hwndLog, L" 12.0 V"));
        CHILD_CHECK(ColourInRect(hwndLog, rcStatusVoltage, RGB(255, 0, 0)) == 0);

        // An arrow key held: the "E" frames are recorded as "P" and "MARKER" is shown; released, "E" again.
        PlatformClearDrawnTexts();
        SendMessage(hwndLog, WM_KEYDOWN, VK_LEFT, 0);
        CHILD_CHECK(bSoftMarkerDown == 1 && nRecordingState == 1);
        int n0 = nTotalReadingCount;
        CHILD_CHECK(PlatformWaitFor([n0] { return nTotalReadingCount >= n0 + 10; }, 10000));
        CHILD_CHECK(Drew(hwndLog, L"MARKER"));
        SendMessage(hwndLog, WM_KEYUP, VK_LEFT, 0);
        CHILD_CHECK(bSoftMarkerDown == 0);

        // 10.5 V is at the limit: the battery box turns red.
        CHILD_CHECK(dev.ok("COM4 value raw=30,12,0,0 range=0 letter=E current=3171 battery=10.5"));
        n0 = nTotalReadingCount;
        CHILD_CHECK(PlatformWaitFor([n0] { return nTotalReadingCount >= n0 + 20; }, 10000));
        CHILD_CHECK(ColourInRect(hwndLog, rcStatusVoltage, RGB(255, 0, 0)) > 0);

        PlatformPressKey(kKeySpace);
        CHILD_CHECK(nRecordingState == -1);
        // The first reading kept the start station; each later one advanced it by the increment.
        CHILD_CHECK(std::fabs(dStation - (dStart + (nTotalReadingCount - 1) * dStationIncrement)) < 1e-6);
        facts.Set("readings", nTotalReadingCount);
        return StopSavingFacts(facts, root);
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);
    const Facts facts = Facts::Load(FactsPath(root));
    EXPECT_GE(facts.Get("percentagesBetween"), 1) << "the percentage shown while the ring fills";

    size_t tail = 0;
    const std::vector<Record> recs = SplitRecords(ReadFileBytes(path), 27, &tail);
    EXPECT_EQ(tail, 0u);
    int nE = 0, nP = 0, nPAfterE = 0;
    char chLast = 0;
    for (const Record &rec : recs) {
        const char c = rec.Kind();
        if (c != 'E' && c != 'P') continue;
        const std::string &b = rec.bytes;
        nE += c == 'E';
        nP += c == 'P';
        nPAfterE += c == 'P' && chLast == 'E';
        chLast = c;
        EXPECT_EQ((unsigned char)b[1], 0);
        EXPECT_EQ(((unsigned char)b[2] << 8) | (unsigned char)b[3], 30);
        EXPECT_EQ(((unsigned char)b[4] << 8) | (unsigned char)b[5], 12);
        EXPECT_EQ(((unsigned char)b[10] << 8) | (unsigned char)b[11], 3171);  // the mean current 3171.00
        EXPECT_EQ((unsigned char)b[12], 0);
        EXPECT_EQ(b[13], 0);
        // Only frames that arrived after the recording start are written.
        EXPECT_GE(rec.Tick(), facts.Get("startTick"));
        EXPECT_EQ(b[26], '\n');
    }
    EXPECT_GE(nP, 5);
    EXPECT_EQ(nPAfterE, 1) << "one run of marked readings";
    EXPECT_GE(nE, 30);
    // Frames older than the recording start are shown and counted but not written.
    EXPECT_LE(nE + nP, facts.Get("readings"));
}
