// EM61-LX2 alarm dialog: enabling by alarm type, values stored as typed, OK saves the configuration file, Cancel
// changes nothing; opened from the main menu's alarm button.
#include <gtest/gtest.h>

#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/alarm_dialog.h"
#include "platform/platform.h"
#include "resources/resources.h"
#include "settings_test_support.h"

namespace {

class AlarmDialogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "alarm-dialog-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new AlarmDialogEnvironment);

class AlarmDialogTest : public SettingsRootTest {
protected:
    void SetUp() override
    {
        SettingsRootTest::SetUp();
        StartBuild(INSTRUMENT_EM61LX2, 0);
        PlatformClearDialogScripts();
        PlatformClearShownDialogs();
    }
    void TearDown() override { PlatformClearDialogScripts(); }
};

void ChooseType(HWND hDlg, int nType)
{
    SendDlgItemMessage(hDlg, IDC_ALARM_TYPE, CB_SETCURSEL, (WPARAM)nType, 0);
    SendMessage(hDlg, WM_COMMAND, MAKEWPARAM(IDC_ALARM_TYPE, CBN_SELCHANGE), (LPARAM)GetDlgItem(hDlg, IDC_ALARM_TYPE));
}

TEST_F(AlarmDialogTest, EnablingFollowsTheTypeAtOnce)
{
    const struct {
        int nType;
        bool bCommon, bSimple, bEnhanced;
    } rows[] = {{0, false, false, false}, {1, true, true, false}, {2, true, false, true}, {1, true, true, false}};
    bool bChecked = false;
    PlatformScriptDialog(L"ALARMLX2", [&](HWND hDlg) {
        for (const auto &r : rows) {
            SCOPED_TRACE(r.nType);
            ChooseType(hDlg, r.nType);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hDlg, IDC_ALARM_AUDIO)) != 0, r.bCommon);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hDlg, IDC_ALARM_CHANNEL)) != 0, r.bCommon);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(hDlg, IDC_ALARM_LEVEL)) != 0, r.bSimple);
            for (int id : {IDC_ALARM_MIN_LEVEL, IDC_ALARM_MAX_LEVEL, IDC_ALARM_WIDTH, IDC_ALARM_DESCENDING})
                EXPECT_EQ(IsWindowEnabled(GetDlgItem(hDlg, id)) != 0, r.bEnhanced) << id;
        }
        bChecked = true;
        PlatformPressDialogButton(hDlg, IDCANCEL);
    });
    EXPECT_EQ(OpenAlarmLx2Dialog(nullptr), 0);
    EXPECT_TRUE(bChecked);
}

TEST_F(AlarmDialogTest, InitialValuesAreShown)
{
    nAlarmType = 2;
    dAlarmMinLevel = 12.25;
    PlatformScriptDialog(L"ALARMLX2", [&](HWND hDlg) {
        wchar_t sz[32];
        GetDlgItemText(hDlg, IDC_ALARM_MIN_LEVEL, sz, 32);
        EXPECT_EQ(std::wstring(sz), L"12.2");
        GetDlgItemText(hDlg, IDC_ALARM_LEVEL, sz, 32);
        EXPECT_EQ(std::wstring(sz), L"100.0");
        EXPECT_EQ(SendDlgItemMessage(hDlg, IDC_ALARM_TYPE, CB_GETCURSEL, 0, 0), 2);
        EXPECT_EQ(SendDlgItemMessage(hDlg, IDC_ALARM_WIDTH, CB_GETCOUNT, 0, 0), 10);
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(hDlg, IDC_ALARM_LEVEL)));
        PlatformPressDialogButton(hDlg, IDCANCEL);
    });
    OpenAlarmLx2Dialog(nullptr);
    const std::vector<ShownDialog> shown = PlatformShownDialogs();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"Alarm Setup");
}

TEST_F(AlarmDialogTest, OkStoresAsTypedAndSavesTheFile)
{
    const std::string before = ReadBytes(SettingsPath());
    PlatformScriptDialog(L"ALARMLX2", [&](HWND hDlg) {
        ChooseType(hDlg, 2);
        SendDlgItemMessage(hDlg, IDC_ALARM_AUDIO, CB_SETCURSEL, 2, 0);
        SendDlgItemMessage(hDlg, IDC_ALARM_CHANNEL, CB_SETCURSEL, 2, 0);
        SendDlgItemMessage(hDlg, IDC_ALARM_WIDTH, CB_SETCURSEL, 9, 0);  // "21 Samples"
        SendDlgItemMessage(hDlg, IDC_ALARM_DESCENDING, CB_SETCURSEL, 1, 0);
        SetDlgItemText(hDlg, IDC_ALARM_MIN_LEVEL, L"900");
        SetDlgItemText(hDlg, IDC_ALARM_MAX_LEVEL, L"300.5");  // below the minimum: stored as typed
        SetDlgItemText(hDlg, IDC_ALARM_LEVEL, L"abc");        // no number: 0
        PlatformPressDialogButton(hDlg, IDOK);
    });
    EXPECT_EQ(OpenAlarmLx2Dialog(nullptr), 1);
    EXPECT_EQ(nAlarmType, 2);
    EXPECT_EQ(nAlarmAudio, 2);
    EXPECT_EQ(nAlarmChannel, 2);
    EXPECT_EQ(nAlarmAnomalyWidth, 9);
    EXPECT_EQ(nAlarmDescending, 1);
    EXPECT_DOUBLE_EQ(dAlarmMinLevel, 900.0);
    EXPECT_DOUBLE_EQ(dAlarmMaxLevel, 300.5);
    EXPECT_DOUBLE_EQ(dAlarmLevel, 0.0);
    const std::string after = ReadBytes(SettingsPath());
    EXPECT_FALSE(after.empty());
    EXPECT_NE(after, before);
    // The file carries the new values: reading it back gives them.
    nAlarmAnomalyWidth = 0;
    dAlarmMaxLevel = 0;
    LoadSaveSettingsFile(0);
    EXPECT_EQ(nAlarmAnomalyWidth, 9);
    EXPECT_DOUBLE_EQ(dAlarmMaxLevel, 300.5);
}

TEST_F(AlarmDialogTest, CancelChangesNothing)
{
    LoadSaveSettingsFile(1);
    const std::string before = ReadBytes(SettingsPath());
    PlatformScriptDialog(L"ALARMLX2", [&](HWND hDlg) {
        ChooseType(hDlg, 1);
        SetDlgItemText(hDlg, IDC_ALARM_LEVEL, L"5");
        PlatformPressDialogButton(hDlg, IDCANCEL);
    });
    EXPECT_EQ(OpenAlarmLx2Dialog(nullptr), 0);
    EXPECT_EQ(nAlarmType, 0);
    EXPECT_DOUBLE_EQ(dAlarmLevel, 100.0);
    EXPECT_EQ(ReadBytes(SettingsPath()), before);
}

}  // namespace
