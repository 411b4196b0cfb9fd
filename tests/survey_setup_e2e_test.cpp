// Survey Setup and Geometry Setup in the real program against the device emulator: what the operator types in the
// two dialogs reaches the next data file's header (the antenna offsets typed in centimetres in the "G" record in
// metres, a long survey line cut in the "L" record).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/array_geometry_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/survey_setup_dialog.h"
#include "logscreen/logscreen.h"
#include "support/emulator_client.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

TEST(SetupDialogsSurvey, SurveyLineAndGeometryReachTheNextDataFile)
{
    std::string root = emu::MakeTempRoot("setup_dialogs_survey");
    emu::Emulator dev(root, {"COM4=em61mk2:static,answer=OV"});
    ASSERT_TRUE(dev.ready()) << dev.error();
    const std::string path = root + "/C/data/setup.P61";
    ChildResult r = RunProgramInChild(StartIn(root, 1), []() {
        UseEmulatorPorts(false);
        nPauseKey = 0;
        PlatformScriptDialog(L"SURVEYSETUP", [](HWND d) {
            PlatformTypeIntoEdit(d, IDC_SURVEY_LINE, L"ABCDEFGHIJKLMNOPQRST");
            PlatformPressDialogButton(d, IDOK);
        });
        DialogBox(hInst, L"SURVEYSETUP", hwndMain, SurveySetupDlgProc);
        CHILD_CHECK(wcscmp(szSurveyLine, L"ABCDEFGHIJKLMNO") == 0);
        PlatformScriptDialog(L"ARRAYGEOMETRY", [](HWND d) {
            PlatformSetDialogCheck(d, IDC_GEOMETRY_CENTIMETERS, true);
            PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_X, L"30");
            PlatformTypeIntoEdit(d, IDC_GEOMETRY_OFFSET_Y, L"-12.5");
            PlatformPressDialogButton(d, IDOK);
        });
        CHILD_CHECK(DialogBox(hInst, L"ARRAYGEOMETRY", hwndMain, ArrayGeometryDlgProc) == 1);

        PlatformPressKey('L');
        CHILD_CHECK(nActiveScreen == 1);
        CHILD_CHECK(WaitNormalOperation(15000));
        PlatformScriptFileChooser(L"C:\\data\\setup.P61");
        PlatformPressKey('F');
        CHILD_CHECK(nRecordingState == -1);
        PauseAndStop();
        CloseProgram();
        return 0;
    }, 120);
    ASSERT_TRUE(r.exited);
    ASSERT_EQ(r.exitCode, 0);

    std::vector<std::string> lines, gps;
    for (const Record &rec : SplitRecords(ReadFileBytes(path), 27)) {
        if (rec.Kind() == 'L') lines.push_back(rec.bytes.substr(0, 13));
        if (rec.Kind() == 'G') gps.push_back(rec.bytes.substr(0, 15));
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "LABCDEFGHIJKL");
    ASSERT_FALSE(gps.empty());
    EXPECT_EQ(gps[0], "G  0.300 -0.125");
}
