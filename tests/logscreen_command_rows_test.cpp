// Logging-screen command rows of the survey in the real program: new line and new station refused without the
// instrument (no dialog, nothing changed), the comment offered always, "&Hide Menu" ending menu mode with
// "Please Wait" only under GPS, and "Toggle &View" going on past its refusals to arrange the screen again.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "logscreen/logscreen.h"
#include "logscreen/status_panel.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

using namespace survey;

namespace {

const wchar_t *const kNoInstrument = L"Option avaiable only when Instrument is enabled";
const wchar_t *const kNoGps = L"Option avaiable only when GPS is enabled";

bool Drew(const wchar_t *szText)
{
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.text == szText) return true;
    return false;
}

// The refusals (caption "INFORMATION") and templates shown since the last clear, in order.
std::vector<std::wstring> Shown()
{
    std::vector<std::wstring> v;
    for (const ShownDialog &d : PlatformShownDialogs())
        v.push_back(d.caption == L"INFORMATION" ? d.text : d.templateName);
    return v;
}

}  // namespace

TEST(LogScreenCommandRows, SurveyRowsRefuseOrOpenAndToggleViewGoesOnPastItsRefusals)
{
    std::string root = MakeTestRootFolder("command_rows");
    ChildResult r = RunProgramInChild(StartBuildIn(root, INSTRUMENT_EM61MK2, 0), []() {
        PlatformAnswerDialog(L"MESSAGEOK", IDOK, true);
        for (const wchar_t *name : {L"GETNEWLINE", L"NEWSTATION", L"COMMENT"})
            PlatformScriptDialog(name, [](HWND d) { PlatformPressDialogButton(d, IDCANCEL); }, true);
        nActiveScreen = 1;
        for (HWND h : ahMenuButton)
            if (h) ShowWindow(h, SW_HIDE);
        ShowWindow(hwndLog, SW_SHOW);

        // 101, 102 and 103 with the instrument disabled and enabled.
        const struct {
            int nCode, bInstrument;
            const wchar_t *szShown;
        } rows[] = {
            {101, 0, kNoInstrument}, {101, 1, L"GETNEWLINE"}, {102, 0, kNoInstrument},
            {102, 1, L"NEWSTATION"}, {103, 0, L"COMMENT"},    {103, 1, L"COMMENT"},
        };
        for (const auto &row : rows) {
            std::fprintf(stderr, "row %d instrument %d\n", row.nCode, row.bInstrument);
            bInstrumentEnabled = row.bInstrument;
            bGpsEnabled = 0;
            bGpsActive = 0;
            const int nLines = nLineCounter;
            const double dStationBefore = dStation;
            PlatformClearShownDialogs();
            RunScreenLogCommandCode(row.nCode);
            CHILD_CHECK(Shown() == std::vector<std::wstring>{row.szShown});
            CHILD_CHECK(nLineCounter == nLines && dStation == dStationBefore);
            CHILD_CHECK(bMapUpdatesOn == 1);
        }
        bInstrumentEnabled = 1;

        // 108: menu mode ends; "Please Wait" on the map only with GPS.
        for (int gps : {1, 0}) {
            std::fprintf(stderr, "hide menu, GPS %d\n", gps);
            bGpsEnabled = gps;
            bGpsActive = gps;
            ArrangeAndLayOutLogScreen();
            hPopupMenu = hPopupSubMenu = (HMENU)1;
            PlatformClearDrawnTexts();
            PlatformClearShownDialogs();
            RunScreenLogCommandCode(108);
            CHILD_CHECK(hPopupMenu == nullptr && hPopupSubMenu == nullptr);
            CHILD_CHECK(Drew(L"Please Wait") == (gps == 1));
            CHILD_CHECK(PlatformShownDialogs().empty());
            CHILD_CHECK(bMapUpdatesOn == 1);
        }

        // 109: the refusals are shown, then the screen is arranged and laid out again all the same; the map view
        // changes only with both the instrument and GPS enabled.
        const struct {
            int bInstrument, bGps, bActive;
            std::vector<std::wstring> shown;
            int bActiveAfter;
        } toggles[] = {
            {0, 1, 1, {kNoInstrument}, 1},
            {1, 0, 0, {kNoGps}, 0},
            {0, 0, 0, {kNoInstrument, kNoGps}, 0},
            {1, 1, 1, {}, 0},
            {1, 1, 0, {}, 1},
        };
        for (const auto &t : toggles) {
            std::fprintf(stderr, "toggle, instrument %d GPS %d map %d\n", t.bInstrument, t.bGps, t.bActive);
            bInstrumentEnabled = t.bInstrument;
            bGpsEnabled = t.bGps;
            bGpsActive = t.bActive;
            ArrangeAndLayOutLogScreen();
            rcStatusLineText = RECT{0, 0, 0, 0};
            rcLx2Row1 = RECT{-1, -1, -1, -1};
            PlatformClearShownDialogs();
            RunScreenLogCommandCode(109);
            CHILD_CHECK(Shown() == t.shown);
            CHILD_CHECK(bGpsActive == t.bActiveAfter);
            CHILD_CHECK(rcStatusLineText.right > rcStatusLineText.left);
            CHILD_CHECK(rcLx2Row1.left != -1);
            // The map buttons are usable only with the map shown.
            if (t.bActiveAfter == 0)
                for (HWND h : hwndMapViewButtons)
                    if (h) CHILD_CHECK(!IsWindowEnabled(h));
            CHILD_CHECK(bMapUpdatesOn == 1);
        }
        CloseProgram();
        return 0;
    });
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}
