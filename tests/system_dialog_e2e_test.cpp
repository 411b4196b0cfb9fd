// System Setup through the running program: each control and OK writes its line of the configuration file and a
// restart shows it, Cancel and the "C" key leave the file byte-identical, the filter-factor range box, the EM61-LX2
// one- and two-coil boxes, the tilt meter's enabling, the labels by instrument and the values OK derives.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/rates.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/system_dialog.h"
#include "displays/scales.h"
#include "processing/filter_factor.h"
#include "system_dialog_test_support.h"

using namespace setuptest;

namespace {

INT_PTR OpenSystem(const wchar_t *name, std::function<void(HWND)> drive)
{
    return OpenDialog(name, SystemDlgProc, std::move(drive));
}

struct BuildRows {
    int nType, bJix;
    std::vector<LineRow> rows;
};

const BuildRows kLineRows[] = {
    {INSTRUMENT_EM31MK2, 1,
     {{L"SYSTEM", Pick(IDC_SYS_INSTRUMENT_STATE, 0), {"0"}, L"Disabled"},
      {L"SYSTEM", Pick(IDC_SYS_INSTRUMENT_PORT, 10), {"10"}, L"COM11:"},
      {L"SYSTEM", Pick(IDC_SYS_GPS_PORT, 20), {"20"}, L"COM21:"},
      {L"SYSTEM", Pick(IDC_SYS_PAUSE_KEY, 3), {"3"}, L"<P>"},
      {L"SYSTEM", Pick(IDC_SYS_SPEED_UNITS, 2), {"2"}, L"km/h"},
      {L"SYSTEM", Pick(IDC_SYS_COORD_UNITS, 3), {"3"}, L"UTM US Feet"},
      {L"SYSTEM", Check(IDC_SYS_AUDIO_TICKS, false), {"0"}, L"unchecked"},
      {L"SYSTEM", Check(IDC_SYS_DISCONNECT_ALARM, false), {"0"}, L"unchecked"},
      {L"SYSTEM", Pick(IDC_SYS_TYPE, 1), {"1"}, L"Short"}}},
    {INSTRUMENT_EM38MK2, 0,
     {{L"SYSTEM", Pick(IDC_SYS_TYPE, 1), {"1"}, L"EM38-MK2-1"},
      {L"SYSTEMNARROW", Pick(IDC_SYS_PAUSE_KEY, 1), {"1"}, L"<Enter>"}}},
    {INSTRUMENT_EM61MK2, 1, {{L"SYSTEM", Pick(IDC_SYS_TYPE, 2), {"2"}, L"Standard   N.C.C."}}},
    {INSTRUMENT_EM61MK2, 0,
     {{L"SYSTEMTILT61", Pick(IDC_SYS_TILT_STATE, 1), {"1"}, L"Enabled"},
      {L"SYSTEMTILT61", Pick(IDC_SYS_TILT_PORT, 9), {"9"}, L"COM10:"},
      {L"SYSTEMTILT61", Type(IDC_SYS_ANTENNA_HEIGHT, L"2.5"), {"2.500000"}, L"0.00"},  // typed again below
      {L"SYSTEMTILT61", Check(IDC_SYS_RIGID_FIX, false), {"0"}, L"unchecked"},
      {L"SYSTEMTILT61NARROW", Pick(IDC_SYS_COORD_UNITS, 1), {"1"}, L"UTM meters"},
      {L"SYSTEMTILT61NARROW", Type(IDC_SYS_ANTENNA_HEIGHT, L"abc"), {"0.000000"}, L"0.00"}}},
    {INSTRUMENT_EM61LX2, 0,
     {{L"SYSTEMLX2V", Pick(IDC_SYS_SENSORS, 0), {"0"}, L"2 Sensors"},  // two again below
      {L"SYSTEMLX2", Pick(IDC_SYS_SENSORS, 1), {"1"}, L"2 Sensors"},
      {L"SYSTEMLX2", Type(IDC_SYS_FILTER_RIGHT, L"700"), {"700.000000"}, L"700.0"},
      {L"SYSTEMLX2", Type(IDC_SYS_FILTER_LEFT, L"500"), {"500.000000"}, L"500.0"},
      {L"SYSTEMLX2", Pick(IDC_SYS_TYPE, 1), {"1"}, L"Standard N.C.C."},
      {L"SYSTEMLX2", Pick(IDC_SYS_SOFT_MARKER, 0), {"0"}, L"Disabled"}}},
    {INSTRUMENT_EM384, 0,
     {{L"SYSTEM384", Pick(IDC_SYS_TYPE, 1), {"1"}, L"mS/m"},
      {L"SYSTEM384", Pick(IDC_SYS_RATE, 5), {"5", "5"}, L"1 Hz"},  // the rate choice is kept on two lines
      {L"SYSTEM384", Pick(IDC_SYS_SOFT_MARKER, 0), {"0"}, L"Disabled"},
      {L"SYSTEM384", Pick(IDC_SYS_DRIFT_REMINDER, 0), {"0"}, L"15 minutes"}}},
    {INSTRUMENT_CS21, 0,
     {{L"SYSTEMCS21", Pick(IDC_SYS_TYPE, 1), {}, L"DualEM CS-21"},  // shown only, never stored
      {L"SYSTEMCS21", Pick(IDC_SYS_RATE, 2), {}, L"9600"},
      {L"SYSTEMCS21", Pick(IDC_SYS_SOFT_MARKER, 0), {"0"}, L"Disabled"},
      {L"SYSTEMCS21", Pick(IDC_SYS_DRIFT_REMINDER, 3), {"3"}, L"1 hour"}}},
    {INSTRUMENT_GRAD601, 0,
     {{L"SYSTEM601", Pick(IDC_SYS_SENSORS, 0), {"0"}, L"1 Sensor"},
      {L"SYSTEMNARROW601", Pick(IDC_SYS_SPEED_UNITS, 1), {"1"}, L"feet/s"}}},
    {INSTRUMENT_EM34, 1, {{L"SYSTEMNARROW", Pick(IDC_SYS_GPS_PORT, 0), {"0"}, L"COM1:"}}},
};

TEST(SystemDialogE2E, EachControlAndOkWritesItsLineAndARestartShowsIt)
{
    for (const BuildRows &b : kLineRows) {
        SCOPED_TRACE(Narrow(CaptionForBuild(b.nType, b.bJix)));
        const std::string root = MakeTestRootFolder("system_lines_" + std::to_string(b.nType + 4) + "_" +
                                                    std::to_string(b.bJix));
        CheckLinesAndRestart(survey::StartBuildIn(root, b.nType, b.bJix), b.rows,
                             [](const wchar_t *) { return (DLGPROC)SystemDlgProc; });
    }
}

// Every template: every control changed, then Cancel (or the "C" key on a list): the dialog ends with 0 and
// nothing changed - saving the settings afterwards writes the same bytes as before.
TEST(SystemDialogE2E, CancelAndTheCKeyAfterChangesLeaveEverySettingAsItWas)
{
    const struct {
        int nType, bJix;
        std::vector<const wchar_t *> templates;
    } builds[] = {
        {INSTRUMENT_EM31MK2, 1, {L"SYSTEM", L"SYSTEMNARROW"}},
        {INSTRUMENT_EM61MK2, 0, {L"SYSTEMTILT61", L"SYSTEMTILT61NARROW"}},
        {INSTRUMENT_EM61LX2, 0, {L"SYSTEMLX2", L"SYSTEMLX2V"}},
        {INSTRUMENT_EM384, 0, {L"SYSTEM384"}},
        {INSTRUMENT_CS21, 1, {L"SYSTEMCS21"}},
        {INSTRUMENT_GRAD601, 0, {L"SYSTEM601", L"SYSTEMNARROW601"}},
    };
    for (const auto &b : builds) {
        SCOPED_TRACE(Narrow(CaptionForBuild(b.nType, b.bJix)));
        RunInProgram(
            survey::StartBuildIn(MakeTestRootFolder("system_cancel_" + std::to_string(b.nType + 4)), b.nType, b.bJix),
            [&b]() {
                bTiltMeterOn = 1;  // every tilt meter control can be reached
                LoadSaveSettingsFile(1);
                const std::string before = SettingsBytes();
                for (const wchar_t *name : b.templates) {
                    for (bool bKey : {false, true}) {
                        const INT_PTR result = OpenSystem(name, [bKey](HWND d) {
                            ChangeEveryControl(d);
                            if (bKey) {
                                SetFocus(GetDlgItem(d, IDC_SYS_SPEED_UNITS));
                                PlatformPressKey('C');
                            } else {
                                PlatformPressDialogButton(d, IDCANCEL);
                            }
                        });
                        CHILD_CHECK(result == 0);
                        CHILD_CHECK(SettingsBytes() == before);
                        LoadSaveSettingsFile(1);
                        CHILD_EXPECT_EQ(SettingsBytes(), before, "settings changed by " + Narrow(name));
                    }
                }
            });
    }
}

// The "C" key ends System Setup like Cancel wherever the focus is, except in an edit box, where it is typed; other
// keys do nothing. GPS Port Setup has no such key.
DLGPROC pfnWatched;
int nKeysTaken;  // WM_KEYDOWN messages the watched procedure used
INT_PTR KeyWatchProc(HWND d, UINT message, WPARAM wParam, LPARAM lParam)
{
    const INT_PTR r = pfnWatched(d, message, wParam, lParam);
    if (message == WM_KEYDOWN && r) nKeysTaken++;
    return r;
}

TEST(SystemDialogE2E, TheCKeyCancelsButNeverWhileTypingInAnEdit)
{
    const struct {
        const wchar_t *szTemplate;
        DLGPROC proc;
        int nFocusId;
        int nKey;
        bool bEnds;
    } rows[] = {
        {L"SYSTEMLX2", SystemDlgProc, IDC_SYS_AUDIO_TICKS, 'C', true},
        {L"SYSTEMLX2", SystemDlgProc, IDC_SYS_SENSORS, 'C', true},
        {L"SYSTEMLX2", SystemDlgProc, IDOK, 'C', true},
        {L"SYSTEMLX2", SystemDlgProc, IDC_SYS_FILTER_LEFT, 'C', false},
        {L"SYSTEMLX2", SystemDlgProc, IDC_SYS_SENSORS, 'X', false},
        {L"SYSTEMLX2", SystemDlgProc, IDC_SYS_AUDIO_TICKS, 'X', false},
        {L"GPSINPUT", GpsInputDlgProc, IDC_GPS_MASK_AUDIO, 'C', false},
    };
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("system_c_key"), INSTRUMENT_EM61LX2, 1), [&rows]() {
            const std::string before = SettingsBytes();
            for (const auto &row : rows) {
                std::wstring edit, sensors;
                pfnWatched = row.proc;
                nKeysTaken = 0;
                PlatformScriptDialog(row.szTemplate, [&](HWND d) {
                    SetFocus(GetDlgItem(d, row.nFocusId));
                    PlatformPressKey(row.nKey);
                    edit = PlatformDialogItemText(d, IDC_SYS_FILTER_LEFT);
                    sensors = PlatformDialogItemText(d, IDC_SYS_SENSORS);
                    if (nKeysTaken == 0) PlatformPressDialogButton(d, IDCANCEL);
                });
                const INT_PTR result = DialogBox(hInst, row.szTemplate, hwndMain, KeyWatchProc);
                std::fprintf(stderr, "focus %d key %c: keys taken %d\n", row.nFocusId, row.nKey, nKeysTaken);
                CHILD_CHECK(result == 0);
                CHILD_CHECK(nKeysTaken == (row.bEnds ? 1 : 0));
                if (row.nFocusId == IDC_SYS_FILTER_LEFT) CHILD_CHECK(edit == L"310.0c");
                if (row.szTemplate == std::wstring(L"SYSTEMLX2")) CHILD_CHECK(sensors == L"2 Sensors");
            }
            CHILD_CHECK(SettingsBytes() == before);
        });
}

// EM61-LX2 filter factors: 125 to 1000 are taken with the value they replace and their ratio form; anything else
// brings the range box with its exact text, keeps the value and its ratio, and the dialog still ends with 1.
TEST(SystemDialogE2E, FilterFactorsOutOfRangeAreRefusedWithTheRangeBox)
{
    const struct {
        int nSensorsIndex;
        const wchar_t *szLeft, *szRight;
        double dLeft, dRight;
        std::vector<ShownDialog> boxes;
    } rows[] = {
        {1, L"124", L"1000", 310.0, 1000.0,
         {{L"MESSAGEOK", L"Filter Factor Left Coil",
           L"Entered Filter Factor for Left Coil ( 124.0 )\r\n is out of valid range ( 125 to 1000 ).\r\n"
           L"Program restores previous value ( 310.0 )\r\n"}}},
        {1, L"125", L"1000.1", 125.0, 310.0,
         {{L"MESSAGEOK", L"Filter Factor Right Coil",
           L"Entered Filter Factor for Right Coil ( 1000.1 )\r\n is out of valid range ( 125 to 1000 ).\r\n"
           L"Program restores previous value ( 310.0 )\r\n"}}},
        {1, L"1000", L"125", 1000.0, 125.0, {}},
        {1, L"abc", L"-5", 310.0, 310.0,
         {{L"MESSAGEOK", L"Filter Factor Left Coil",
           L"Entered Filter Factor for Left Coil ( 0.0 )\r\n is out of valid range ( 125 to 1000 ).\r\n"
           L"Program restores previous value ( 310.0 )\r\n"},
          {L"MESSAGEOK", L"Filter Factor Right Coil",
           L"Entered Filter Factor for Right Coil ( -5.0 )\r\n is out of valid range ( 125 to 1000 ).\r\n"
           L"Program restores previous value ( 310.0 )\r\n"}}},
        // One coil: the right box shows "N/A", is disabled and is never read.
        {0, L"400", nullptr, 400.0, 310.0, {}},
    };
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("system_filter"), INSTRUMENT_EM61LX2, 0), [&rows]() {
            PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
            int nRow = 0;
            for (const auto &row : rows) {
                std::fprintf(stderr, "filter row %d\n", nRow++);
                dFilterFactorLeft = dFilterFactorRight = 310.0;
                dFilterFactorLeftPrev = dFilterFactorRightPrev = 0.0;
                dFilterRatioLeft = dFilterRatioRight = ConvertFilterFactor(310.0, 1);
                nSensorsMinus1 = 1;
                PlatformClearShownDialogs();
                const INT_PTR result = OpenSystem(L"SYSTEMLX2", [&row](HWND d) {
                    PlatformPickListItem(d, IDC_SYS_SENSORS, row.nSensorsIndex);
                    PlatformTypeIntoEdit(d, IDC_SYS_FILTER_LEFT, row.szLeft);
                    if (row.szRight) PlatformTypeIntoEdit(d, IDC_SYS_FILTER_RIGHT, row.szRight);
                    PlatformPressDialogButton(d, IDOK);
                });
                CHILD_CHECK(result == 1);
                CHILD_CHECK(dFilterFactorLeft == row.dLeft && dFilterFactorRight == row.dRight);
                CHILD_CHECK(dFilterRatioLeft == ConvertFilterFactor(row.dLeft, 1));
                CHILD_CHECK(dFilterRatioRight == ConvertFilterFactor(row.dRight, 1));
                // The value replaced is kept only where a new one was taken.
                CHILD_CHECK(dFilterFactorLeftPrev == (row.dLeft != 310.0 ? 310.0 : 0.0));
                CHILD_CHECK(dFilterFactorRightPrev == (row.dRight != 310.0 ? 310.0 : 0.0));
                std::vector<ShownDialog> boxes;
                for (const ShownDialog &s : PlatformShownDialogs())
                    if (s.templateName == L"MESSAGEOK") boxes.push_back(s);
                CHILD_CHECK(boxes.size() == row.boxes.size());
                for (size_t i = 0; i < boxes.size(); i++) {
                    CHILD_EXPECT_EQ(boxes[i].caption, row.boxes[i].caption, Narrow(boxes[i].caption));
                    CHILD_EXPECT_EQ(boxes[i].text, row.boxes[i].text, Narrow(boxes[i].text));
                }
            }
        });
}

// EM61-LX2 with one coil: the right filter box shows "N/A" and is disabled; "2 Sensors" enables it with the right
// value, "1 Sensor" takes it away again.
TEST(SystemDialogE2E, TheRightFilterBoxFollowsTheCoilCount)
{
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("system_one_coil"), INSTRUMENT_EM61LX2, 1), []() {
            nSensorsMinus1 = 0;
            dFilterFactorRight = 450.0;
            dFilterRatioRight = ConvertFilterFactor(450.0, 1);
            const struct {
                int nPick;  // -1: as opened
                const wchar_t *szRight;
                bool bEnabled;
            } steps[] = {{-1, L"N/A", false}, {1, L"450.0", true}, {0, L"N/A", false}, {1, L"450.0", true}};
            OpenSystem(L"SYSTEMLX2V", [&steps](HWND d) {
                for (const auto &s : steps) {
                    if (s.nPick >= 0) PlatformPickListItem(d, IDC_SYS_SENSORS, s.nPick);
                    CHILD_EXPECT_EQ(PlatformDialogItemText(d, IDC_SYS_FILTER_RIGHT), std::wstring(s.szRight),
                                    Narrow(PlatformDialogItemText(d, IDC_SYS_FILTER_RIGHT)));
                    CHILD_CHECK((IsWindowEnabled(GetDlgItem(d, IDC_SYS_FILTER_RIGHT)) != 0) == s.bEnabled);
                    CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_FILTER_LEFT) == L"310.0");
                }
                PlatformPressDialogButton(d, IDCANCEL);
            });
            CHILD_CHECK(nSensorsMinus1 == 0);
        });
}

// Zanth EM61-MK2: the tilt meter list is enabled with the instrument, its port, antenna height and rigid-fix box
// with both, at open and at once on each change; the height label follows the rigid-fix box.
TEST(SystemDialogE2E, TiltMeterControlsFollowTheInstrumentAndTiltStates)
{
    RunInProgram(
        survey::StartBuildIn(MakeTestRootFolder("system_tilt"), INSTRUMENT_EM61MK2, 0), []() {
            auto Enabled = [](HWND d, int id) { return IsWindowEnabled(GetDlgItem(d, id)) != 0; };
            auto Expect = [&Enabled](HWND d, bool bList, bool bRest) {
                CHILD_CHECK(Enabled(d, IDC_SYS_TILT_STATE) == bList);
                for (int id : {IDC_SYS_TILT_PORT, IDC_SYS_ANTENNA_HEIGHT, IDC_SYS_RIGID_FIX})
                    CHILD_EXPECT_EQ(Enabled(d, id), bRest, "control " + std::to_string(id));
            };
            const struct {
                int bInstrument, bTilt;
                bool bList, bRest;
            } atOpen[] = {{1, 1, true, true}, {1, 0, true, false}, {0, 1, false, false}, {0, 0, false, false}};
            for (const auto &o : atOpen) {
                bInstrumentEnabled = o.bInstrument;
                bTiltMeterOn = o.bTilt;
                for (const wchar_t *name : {L"SYSTEMTILT61", L"SYSTEMTILT61NARROW"})
                    OpenSystem(name, [&](HWND d) {
                        Expect(d, o.bList, o.bRest);
                        PlatformPressDialogButton(d, IDCANCEL);
                    });
            }
            bInstrumentEnabled = 1;
            bTiltMeterOn = 1;
            bAntennaRigidFix = 1;
            OpenSystem(L"SYSTEMTILT61", [&](HWND d) {
                CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_HEIGHT_LABEL) == L"GPS Antenna Height:");
                PlatformPickListItem(d, IDC_SYS_INSTRUMENT_STATE, 0);
                Expect(d, false, false);
                PlatformPickListItem(d, IDC_SYS_INSTRUMENT_STATE, 1);
                Expect(d, true, true);
                PlatformPickListItem(d, IDC_SYS_TILT_STATE, 0);
                Expect(d, true, false);
                PlatformPickListItem(d, IDC_SYS_TILT_STATE, 1);
                Expect(d, true, true);
                PlatformSetDialogCheck(d, IDC_SYS_RIGID_FIX, false);
                CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_HEIGHT_LABEL) == L"Main Sensor Height:");
                PlatformSetDialogCheck(d, IDC_SYS_RIGID_FIX, true);
                CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_HEIGHT_LABEL) == L"GPS Antenna Height:");
                PlatformPressDialogButton(d, IDCANCEL);
            });
        });
}

// Labels 1001 to 1003 and the pause key's first entry by instrument, the type box hidden where the instrument has
// none, every label whole once filled (a picture of each), and the dialog placed across its parent at a quarter of
// the spare height.
TEST(SystemDialogE2E, LabelsAndPlacementByInstrument)
{
    const struct {
        int nType, bJix;
        const wchar_t *szTemplate, *szState, *szPort, *szType;  // szType nullptr: hidden with its list
        const wchar_t *szPauseFirst, *szTypeFirst;
    } rows[] = {
        {INSTRUMENT_EM31MK2, 0, L"SYSTEM", L"EM31-MK2 State:", L"EM31-MK2 Port:", L"EM31-MK2 Type:", L"any key",
         L"Standard"},
        {INSTRUMENT_EM38, 1, L"SYSTEMNARROW", L"EM38 State:", L"EM38 Port:", nullptr, L"any key", nullptr},
        {INSTRUMENT_EM34, 0, L"SYSTEM", L"EM34-3 State:", L"EM34-3 Port:", nullptr, L"any key", nullptr},
        {INSTRUMENT_EM38MK2, 1, L"SYSTEM", L"EM38-MK2 State:", L"EM38-MK2 Port:", L"EM38-MK2 Type:", L"any key",
         L"EM38-MK2"},
        {INSTRUMENT_EM384, 0, L"SYSTEM384", L"EM38-4 State:", L"EM38-4 Port:", L"Inphase Units:",
         L"non arrow/numeric keys", L"ppt"},
        {INSTRUMENT_CS21, 0, L"SYSTEMCS21", L"DualEM State:", L"DualEM Port:", L"DualEM Type:", L"any key",
         L"DualEM CS-21"},
        {INSTRUMENT_GRAD601, 1, L"SYSTEMNARROW601", L"Grad601 State:", L"Grad601 Port:", nullptr, L"any key",
         nullptr},
        {INSTRUMENT_EM61LX2, 1, L"SYSTEMLX2", L"EM61-LX2 State:", L"EM61-LX2 Port:", L"EM61-LX2 Type:",
         L"non arrow/numeric keys", L"Standard"},
        {INSTRUMENT_EM61MK2, 0, L"SYSTEMTILT61", L"EM61-MK2 State:", L"EM61-MK2 Port:", L"EM61-MK2 Type:",
         L"any key", L"Standard"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(Narrow(row.szTemplate));
        RunInProgram(
            survey::StartBuildIn(MakeTestRootFolder("system_labels_" + std::to_string(row.nType + 4)), row.nType,
                                 row.bJix),
            [&row]() {
                OpenSystem(row.szTemplate, [&row](HWND d) {
                    CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_STATE_LABEL) == row.szState);
                    CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_PORT_LABEL) == row.szPort);
                    if (row.szType) {
                        if (GetDlgItem(d, IDC_SYS_TYPE_LABEL))
                            CHILD_CHECK(PlatformDialogItemText(d, IDC_SYS_TYPE_LABEL) == row.szType);
                        CHILD_CHECK(PlatformListItems(d, IDC_SYS_TYPE).at(0) == row.szTypeFirst);
                    } else if (GetDlgItem(d, IDC_SYS_TYPE)) {
                        CHILD_CHECK(!IsWindowVisible(GetDlgItem(d, IDC_SYS_TYPE)));
                        CHILD_CHECK(!IsWindowVisible(GetDlgItem(d, IDC_SYS_TYPE_LABEL)));
                    }
                    CHILD_CHECK(PlatformListItems(d, IDC_SYS_PAUSE_KEY).at(0) == row.szPauseFirst);
                    CHILD_CHECK(PlatformListItems(d, IDC_SYS_INSTRUMENT_PORT).size() == 99);
                    CHILD_CHECK(PlatformListItems(d, IDC_SYS_INSTRUMENT_PORT).back() == L"COM99:");
                    for (const ControlView &c : PlatformChildControls(d))
                        CHILD_EXPECT_EQ(c.labelFits, true, "label cut: " + Narrow(c.text));
                    CHILD_CHECK(PlatformSaveWindowPng(d, std::string(TEST_OUTPUT_DIR "/system_setup_filled_") +
                                                             Narrow(row.szTemplate) + ".png"));
                    RECT rcMain, rcDialog;
                    GetWindowRect(hwndMain, &rcMain);
                    GetWindowRect(d, &rcDialog);
                    const int w = rcDialog.right - rcDialog.left, h = rcDialog.bottom - rcDialog.top;
                    CHILD_CHECK(rcDialog.left == rcMain.left + (rcMain.right - rcMain.left - w) / 2);
                    CHILD_CHECK(rcDialog.top == rcMain.top + (rcMain.bottom - rcMain.top - h) / 4);
                    PlatformPressDialogButton(d, IDCANCEL);
                });
            });
    }
}

// What OK derives: the N.C.C. flag of the EM61-MK2 type, the drift reminder in milliseconds, the EM61-LX2 swath
// edges (1.03 m a coil), the EM38-4 reading rate and the Grad601 saved Y offset.
TEST(SystemDialogE2E, OkDerivesItsValues)
{
    const double kFoot = 0.3048;
    {
        SCOPED_TRACE("EM61-MK2 type");
        RunInProgram(
            survey::StartBuildIn(MakeTestRootFolder("system_ncc"), INSTRUMENT_EM61MK2, 1), []() {
                const int anSaved[4] = {0, 0, 1, 1};
                for (int nType : {2, 0, 3, 1}) {
                    OpenSystem(L"SYSTEMNARROW", [nType](HWND d) {
                        PlatformPickListItem(d, IDC_SYS_TYPE, nType);
                        PlatformPressDialogButton(d, IDOK);
                    });
                    CHILD_CHECK(nEm61Type == nType && nEm61TypeSaved == anSaved[nType]);
                }
            });
    }
    {
        SCOPED_TRACE("EM38-4 drift reminder and rate");
        RunInProgram(
            survey::StartBuildIn(MakeTestRootFolder("system_drift"), INSTRUMENT_EM384, 0), []() {
                const double adMs[7] = {900000, 1800000, 2700000, 3600000, 5400000, 7200000, 0};
                for (int i : {0, 1, 2, 3, 4, 5, 6, 2}) {
                    OpenSystem(L"SYSTEM384", [i](HWND d) {
                        PlatformPickListItem(d, IDC_SYS_DRIFT_REMINDER, i);
                        PlatformPickListItem(d, IDC_SYS_RATE, i);
                        PlatformPressDialogButton(d, IDOK);
                    });
                    CHILD_CHECK(nDriftReminder == i && nDriftReminderMs == adMs[i]);
                    CHILD_CHECK(nRateChoice == i);
                    const double dHz = dReadingRateHz;
                    SetReadingRateFactors();
                    CHILD_CHECK(dReadingRateHz == dHz);  // the factors were brought up to date by OK
                }
            });
    }
    {
        SCOPED_TRACE("EM61-LX2 swath edges");
        RunInProgram(
            survey::StartBuildIn(MakeTestRootFolder("system_swath"), INSTRUMENT_EM61LX2, 0), [kFoot]() {
                const struct {
                    int nSensorsIndex, nSwathIndex, nMapUnits;
                    double dOffsetX, dLeftM, dRightM;
                } rows[] = {
                    {1, 5, 0, 0.0, 1.03, 1.03},   {0, 5, 0, 0.0, 0.515, 0.515}, {1, 11, 0, 0.0, 2.06, 2.06},
                    {1, 5, 0, 0.25, 1.28, 0.78},  {1, 5, 1, 0.0, 1.03, 1.03},   {0, 0, 2, 0.0, 0.2575, 0.2575},
                };
                for (const auto &row : rows) {
                    nSwathIndex = row.nSwathIndex;
                    nMapUnits = row.nMapUnits;
                    dGpsOffsetX = row.dOffsetX;
                    OpenSystem(L"SYSTEMLX2", [&row](HWND d) {
                        PlatformPickListItem(d, IDC_SYS_SENSORS, row.nSensorsIndex);
                        PlatformPressDialogButton(d, IDOK);
                    });
                    CHILD_CHECK(std::fabs(dSwathLeftM - row.dLeftM) < 1e-9);
                    CHILD_CHECK(std::fabs(dSwathRightM - row.dRightM) < 1e-9);
                    const double dUnit = row.nMapUnits >= 1 ? kFoot : 1.0;
                    CHILD_CHECK(std::fabs(dSwathLeft - row.dLeftM / dUnit) < 1e-9);
                    CHILD_CHECK(std::fabs(dSwathRight - row.dRightM / dUnit) < 1e-9);
                }
            });
    }
    {
        SCOPED_TRACE("Grad601 sensors");
        RunInProgram(
            survey::StartBuildIn(MakeTestRootFolder("system_grad"), INSTRUMENT_GRAD601, 0), []() {
                dGpsOffsetY = 1.75;
                dGpsOffsetYSaved = 0.0;
                for (int nSensors : {0, 1}) {
                    OpenSystem(L"SYSTEM601", [nSensors](HWND d) {
                        PlatformPickListItem(d, IDC_SYS_SENSORS, nSensors);
                        PlatformPressDialogButton(d, IDOK);
                    });
                    CHILD_CHECK(nSensorsMinus1 == nSensors && dGpsOffsetYSaved == 1.75);
                    const double dLeft = dSwathLeft, dRight = dSwathRight, dWidth = dSwathWidth;
                    UpdateSensorGeometryGrad();  // the sensor geometry was brought up to date by OK
                    CHILD_CHECK(dSwathLeft == dLeft && dSwathRight == dRight && dSwathWidth == dWidth);
                }
            });
    }
}

}  // namespace
