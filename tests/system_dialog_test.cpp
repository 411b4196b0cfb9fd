// System Setup, GPS Port Setup and GPS Warning Mask with hostile stored values (as a damaged or hand-edited
// configuration file may leave them): every template opens, nothing outside a list is shown as chosen, OK keeps
// what the operator did not touch, and a filter factor too large to print still gives its range box.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/system_dialog.h"
#include "platform/platform.h"
#include "processing/filter_factor.h"
#include "resources/resources.h"
#include "settings_test_support.h"

namespace {

class SystemDialogEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "system-dialog-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new SystemDialogEnvironment);

class SystemDialogTest : public SettingsRootTest {
protected:
    void SetUp() override
    {
        SettingsRootTest::SetUp();
        PlatformClearDialogScripts();
        PlatformClearShownDialogs();
    }
    void TearDown() override
    {
        PlatformClearDialogScripts();
        PlatformPump(10);  // windows destroyed inside a procedure are freed by the loop
    }
};

// Every list setting the three dialogs show, set to one hostile value.
std::vector<int *> ListSettings()
{
    return {&bInstrumentEnabled, &nInstrumentPort, &nGpsPort,       &nPauseKey,      &nSpeedUnits,   &nCoordUnits,
            &nEm61Type,          &nEm31Type,       &nEm38Mk2Type,   &nInphaseUnits,  &nRateChoice,   &nSensorsMinus1,
            &nSoftMarkerKey,     &nDriftReminder,  &bTiltMeterOn,   &nTiltPort,      &bGpsEnabled,   &nGpsFormat,
            &nGpsBaud,           &nGpsParity,      &nGpsDataBits,   &nGpsStopBits,   &bGpsMaskEnabled,
            &nGpsMinQuality,     &nGpsMinSatellites, &nRtsUnits};
}

TEST_F(SystemDialogTest, ValuesNoListShowsAreKeptByOk)
{
    const struct {
        int nType, bJix;
        std::vector<const wchar_t *> templates;
    } builds[] = {
        {INSTRUMENT_EM31MK2, 1, {L"SYSTEM", L"SYSTEMNARROW"}},
        {INSTRUMENT_EM38, 0, {L"SYSTEM"}},
        {INSTRUMENT_EM34, 1, {L"SYSTEMNARROW"}},
        {INSTRUMENT_EM38MK2, 0, {L"SYSTEM"}},
        {INSTRUMENT_EM384, 0, {L"SYSTEM384"}},
        {INSTRUMENT_CS21, 1, {L"SYSTEMCS21"}},
        {INSTRUMENT_GRAD601, 0, {L"SYSTEM601", L"SYSTEMNARROW601"}},
        {INSTRUMENT_EM61LX2, 0, {L"SYSTEMLX2", L"SYSTEMLX2V"}},
        {INSTRUMENT_EM61MK2, 0, {L"SYSTEMTILT61", L"SYSTEMTILT61NARROW"}},
        {INSTRUMENT_EM61MK2, 1, {L"SYSTEM"}},
    };
    for (const auto &b : builds) {
        for (int nHostile : {-1, 1000, INT_MIN, INT_MAX}) {
            for (const wchar_t *name : b.templates) {
                SCOPED_TRACE(testing::Message() << b.nType << " " << nHostile);
                StartBuild(b.nType, b.bJix);
                for (int *p : ListSettings()) *p = nHostile;
                std::vector<std::wstring> chosen;
                PlatformScriptDialog(name, [&chosen, &b](HWND d) {
                    for (const ControlView &c : PlatformChildControls(d))
                        // The CS-21 baud-rate list shows a fixed choice of its own.
                        if (c.kind == "COMBOBOX" && c.visible && !(c.id == IDC_SYS_RATE && b.nType == INSTRUMENT_CS21))
                            chosen.push_back(PlatformDialogItemText(d, c.id));
                    PlatformPressDialogButton(d, IDOK);
                });
                EXPECT_EQ(DialogBox(hInst, name, nullptr, SystemDlgProc), 1);
                for (const std::wstring &s : chosen) EXPECT_EQ(s, L"");
                for (int *p : ListSettings()) EXPECT_EQ(*p, nHostile);
                EXPECT_GE(nDriftReminderMs, 0.0);
            }
            for (const wchar_t *name : {L"GPSINPUT", L"GPSINPUTNARROW", L"GPSMASK"}) {
                StartBuild(b.nType, b.bJix);
                for (int *p : ListSettings()) *p = nHostile;
                PlatformAnswerDialog(name, IDOK);
                EXPECT_EQ(DialogBox(hInst, name, nullptr,
                                    std::wstring(name) == L"GPSMASK" ? GpsMaskDlgProc : GpsInputDlgProc),
                          1);
                for (int *p : ListSettings()) EXPECT_EQ(*p, nHostile);
            }
        }
    }
}

// The EM61-LX2 filter factors are shown from their ratio forms, which the procedures keep up to date; opening the
// dialog changes no setting: Cancel leaves the factor as it was, OK takes the shown one.
TEST_F(SystemDialogTest, TheShownFilterFactorIsTakenOnlyByOk)
{
    StartBuild(INSTRUMENT_EM61LX2, 0);
    dFilterFactorLeft = dFilterFactorLeftPrev = 310.0;
    dFilterRatioLeft = ConvertFilterFactor(400.0, 1);
    for (int nButton : {IDCANCEL, IDOK}) {
        std::wstring shown;
        PlatformScriptDialog(L"SYSTEMLX2V", [&shown, nButton](HWND d) {
            shown = PlatformDialogItemText(d, IDC_SYS_FILTER_LEFT);
            PlatformPressDialogButton(d, nButton);
        });
        EXPECT_EQ(DialogBox(hInst, L"SYSTEMLX2V", nullptr, SystemDlgProc), nButton == IDOK ? 1 : 0);
        EXPECT_EQ(shown, L"400.0");
        EXPECT_DOUBLE_EQ(dFilterFactorLeft, nButton == IDOK ? 400.0 : 310.0);
        EXPECT_DOUBLE_EQ(dFilterFactorLeftPrev, nButton == IDOK ? 400.0 : 310.0);
    }
}

// Filter factors far outside the range, stored or typed: no text overflows, the box still names the coil and the
// kept value stays.
TEST_F(SystemDialogTest, HugeFilterFactorsStillGiveTheRangeBox)
{
    StartBuild(INSTRUMENT_EM61LX2, 0);
    PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
    const struct {
        double dStoredRatio;
        const wchar_t *szTyped;
        int nBoxes;  // a stored factor too large to print shows "N/A", which is refused as well
        bool bTypedTaken;
    } rows[] = {
        {1e300, L"200", 1, true},
        {ConvertFilterFactor(310.0, 1), L"999999999999999999999999999999999999999999999999999999999999", 1, false},
        {-1e300, L"-999999999999999999999999999999999999999999999999999999999999", 2, false},
    };
    for (const auto &row : rows) {
        nSensorsMinus1 = 1;
        dFilterRatioLeft = dFilterRatioRight = row.dStoredRatio;
        PlatformClearShownDialogs();
        PlatformScriptDialog(L"SYSTEMLX2", [&row](HWND d) {
            PlatformTypeIntoEdit(d, IDC_SYS_FILTER_RIGHT, row.szTyped);
            PlatformPressDialogButton(d, IDOK);
        });
        EXPECT_EQ(DialogBox(hInst, L"SYSTEMLX2", nullptr, SystemDlgProc), 1);
        int nBoxes = 0;
        for (const ShownDialog &s : PlatformShownDialogs()) {
            if (s.templateName != L"MESSAGEOK") continue;
            nBoxes++;
            EXPECT_EQ(s.text.rfind(L"Entered Filter Factor for ", 0), 0u);
            EXPECT_LE(s.text.size(), 255u);
        }
        EXPECT_EQ(nBoxes, row.nBoxes);
        EXPECT_EQ(dFilterFactorRight, row.bTypedTaken ? 200.0 : ConvertFilterFactor(row.dStoredRatio, 0));
        EXPECT_EQ(dFilterFactorLeft, ConvertFilterFactor(row.dStoredRatio, 0));
    }
}

}  // namespace
