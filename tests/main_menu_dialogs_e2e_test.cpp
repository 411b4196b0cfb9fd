// Main menu setup commands through the real program: the template each of the six dialog buttons opens for every
// instrument and product line at the client widths around the narrow limits, the focus after the map and profile
// options, and the C key of the dialogs that close on it (never while the operator types in an edit).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "support/program_runner.h"

namespace {

// Templates of one build by command: survey; system at 640 or more and below; geometry (alarms on the EM61-LX2) at
// 600 or more and below; profiles options.
struct BuildTemplates {
    int type, jix;
    const char *name;
    const wchar_t *szSurvey, *szSystem, *szSystemNarrow, *szGeometry, *szGeometryNarrow, *szProfiles;
};

const BuildTemplates kBuilds[] = {
    {INSTRUMENT_GRAD601, 1, "Jix Grad601", L"SURVEYSETUP601", L"SYSTEM601", L"SYSTEMNARROW601", L"ARRAYGEOMETRY601",
     L"ARRAYGEOMETRY601", L"DISPLAYSETUP601"},
    {INSTRUMENT_GRAD601, 0, "Zanth Grad601", L"SURVEYSETUP601", L"SYSTEM601", L"SYSTEMNARROW601",
     L"ARRAYGEOMETRY601", L"ARRAYGEOMETRY601", L"DISPLAYSETUP601"},
    {INSTRUMENT_EM61LX2, 1, "Jix EM61-LX2", L"SURVEYSETUPLX2", L"SYSTEMLX2", L"SYSTEMLX2V", L"ALARMLX2", L"ALARMLX2",
     L"DISPLAYSETUPLX2"},
    {INSTRUMENT_EM61LX2, 0, "Zanth EM61-LX2", L"SURVEYSETUPLX2", L"SYSTEMLX2", L"SYSTEMLX2V", L"ALARMLX2",
     L"ALARMLX2", L"DISPLAYSETUPLX2"},
    {INSTRUMENT_EM61MK2, 0, "Zanth EM61-MK2", L"SURVEYSETUP", L"SYSTEMTILT61", L"SYSTEMTILT61NARROW",
     L"ARRAYGEOMETRY", L"ARRAYGEOMETRYNARROW", L"DISPLAYSETUP"},
    {INSTRUMENT_EM61MK2, 1, "Jix EM61-MK2", L"SURVEYSETUP", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY",
     L"ARRAYGEOMETRYNARROW", L"DISPLAYSETUP"},
    {INSTRUMENT_EM31MK2, 1, "Jix EM31-MK2", L"SURVEYSETUP31", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY31",
     L"ARRAYGEOMETRY31", L"DISPLAYSETUP31"},
    {INSTRUMENT_EM31MK2, 0, "Zanth EM31-MK2", L"SURVEYSETUP31", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY31",
     L"ARRAYGEOMETRY31", L"DISPLAYSETUP31"},
    {INSTRUMENT_EM38, 1, "Jix EM38", L"SURVEYSETUP38", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY38",
     L"ARRAYGEOMETRY38", L"DISPLAYSETUP31"},
    {INSTRUMENT_EM38, 0, "Zanth EM38", L"SURVEYSETUP38", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY38",
     L"ARRAYGEOMETRY38", L"DISPLAYSETUP31"},
    {INSTRUMENT_EM34, 1, "Jix EM34-3", L"SURVEYSETUP34", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY34",
     L"ARRAYGEOMETRY34", L"DISPLAYSETUP34"},
    {INSTRUMENT_EM34, 0, "Zanth EM34-3", L"SURVEYSETUP34", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY34",
     L"ARRAYGEOMETRY34", L"DISPLAYSETUP34"},
    {INSTRUMENT_EM38MK2, 1, "Jix EM38-MK2", L"SURVEYSETUP38MK2", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY38",
     L"ARRAYGEOMETRY38", L"DISPLAYSETUP38MK2"},
    {INSTRUMENT_EM38MK2, 0, "Zanth EM38-MK2", L"SURVEYSETUP38MK2", L"SYSTEM", L"SYSTEMNARROW", L"ARRAYGEOMETRY38",
     L"ARRAYGEOMETRY38", L"DISPLAYSETUP38MK2"},
    {INSTRUMENT_EM384, 1, "Jix EM38-4", L"SURVEYSETUP384", L"SYSTEM384", L"SYSTEM384", L"ARRAYGEOMETRY384",
     L"ARRAYGEOMETRY384", L"DISPLAYSETUP384"},
    {INSTRUMENT_EM384, 0, "Zanth EM38-4", L"SURVEYSETUP384", L"SYSTEM384", L"SYSTEM384", L"ARRAYGEOMETRY384",
     L"ARRAYGEOMETRY384", L"DISPLAYSETUP384"},
    {INSTRUMENT_CS21, 1, "Jix CS-21", L"SURVEYSETUP38MK2", L"SYSTEMCS21", L"SYSTEMCS21", L"ARRAYGEOMETRY384",
     L"ARRAYGEOMETRY384", L"DISPLAYSETUPCS21"},
    {INSTRUMENT_CS21, 0, "Zanth CS-21", L"SURVEYSETUP38MK2", L"SYSTEMCS21", L"SYSTEMCS21", L"ARRAYGEOMETRY384",
     L"ARRAYGEOMETRY384", L"DISPLAYSETUPCS21"},
};

// The six commands in button order with their letters: survey, system, geometry, GPS port, map and profiles options.
const char kLetters[6] = {'S', 'T', 'E', 'G', 'M', 'P'};

std::vector<std::wstring> Expected(const BuildTemplates &b, int nWidth)
{
    const wchar_t *szMap = b.jix ? (nWidth < 784 ? L"DISPLAYOPTIONS31FLDNARROW" : L"DISPLAYOPTIONS31FLD")
                                 : (nWidth < 784 ? L"DISPLAYOPTIONS31NARROW" : L"DISPLAYOPTIONS31");
    return {b.szSurvey,
            nWidth < 640 ? b.szSystemNarrow : b.szSystem,
            nWidth < 600 ? b.szGeometryNarrow : b.szGeometry,
            nWidth < 600 ? L"GPSINPUTNARROW" : L"GPSINPUT",
            szMap,
            b.szProfiles};
}

// Every template the commands may open, each answered with Cancel whenever it opens.
void CancelEveryDialog()
{
    for (const BuildTemplates &b : kBuilds)
        for (const wchar_t *sz : {b.szSurvey, b.szSystem, b.szSystemNarrow, b.szGeometry, b.szGeometryNarrow,
                                  b.szProfiles})
            PlatformAnswerDialog(sz, IDCANCEL, true);
    for (const wchar_t *sz : {L"GPSINPUT", L"GPSINPUTNARROW", L"DISPLAYOPTIONS31", L"DISPLAYOPTIONS31NARROW",
                              L"DISPLAYOPTIONS31FLD", L"DISPLAYOPTIONS31FLDNARROW"})
        PlatformAnswerDialog(sz, IDCANCEL, true);
}

std::string Narrow(const std::wstring &w)
{
    return std::string(w.begin(), w.end());
}

// Presses the six letters at the present client width; each must open its template (and only it). Prints what
// differs and returns the number of differences.
int CheckCommands(const BuildTemplates &b, int nWidth)
{
    int nWrong = 0;
    const std::vector<std::wstring> expected = Expected(b, nWidth);
    for (int k = 0; k < 6; k++) {
        PlatformClearShownDialogs();
        PlatformPressKey(kLetters[k]);
        const std::vector<ShownDialog> shown = PlatformShownDialogs();
        const std::string got = shown.size() == 1 ? Narrow(shown[0].templateName)
                                                  : std::to_string(shown.size()) + " dialogs";
        if (got != Narrow(expected[k])) {
            fprintf(stderr, "%s at width %d, key %c: opened %s, expected %s\n", b.name, nWidth, kLetters[k],
                    got.c_str(), Narrow(expected[k]).c_str());
            nWrong++;
        }
        // The keys come back to the main menu; after the map and profile options the main window takes them back
        // itself.
        if (GetFocus() != hwndMain) {
            fprintf(stderr, "%s at width %d, key %c: the main window lost the focus\n", b.name, nWidth, kLetters[k]);
            nWrong++;
        }
    }
    return nWrong;
}

// Screen widths that give a portrait main window of client width 639, 640, 783 and 784 (the frame takes 8 pixels).
// No main window is narrower than 632 pixels of client area, so 599 and 600 are the program's width setting put
// below that on the narrowest start.
TEST(MainMenuDialogs, EachCommandOpensTheTemplateOfTheBuildAndWidth)
{
    for (const BuildTemplates &b : kBuilds) {
        for (int nClient : {639, 640, 783, 784}) {
            SCOPED_TRACE(std::string(b.name) + " width " + std::to_string(nClient));
            ProgramStart start;
            start.instrumentType = b.type;
            start.jixProduct = b.jix;
            start.screenWidth = nClient + 8;
            start.screenHeight = 1100;
            ChildResult r = RunProgramInChild(start, [&b, nClient] {
                CHILD_CHECK(nClientWidth == nClient);
                CancelEveryDialog();
                int nWrong = CheckCommands(b, nClient);
                if (nClient == 639) {
                    for (int nNarrow : {599, 600}) {
                        nClientWidth = nNarrow;
                        nWrong += CheckCommands(b, nNarrow);
                    }
                }
                CHILD_CHECK(nWrong == 0);
                PlatformPressKey('X');
                return 0;
            });
            EXPECT_TRUE(r.exited);
            EXPECT_EQ(r.exitCode, 0);
        }
    }
}

// System, survey and geometry setup close on the C key like Cancel, but not while the operator types a "c" into
// one of their edit boxes.
TEST(MainMenuDialogs, TheCKeyClosesTheSetupDialogsButNotWhileTyping)
{
    const struct {
        int type, jix;
        char letter;
        const wchar_t *szTemplate;
        bool bEdit;  // an edit box is open for typing at the start
    } cases[] = {
        {INSTRUMENT_EM61MK2, 0, 'T', L"SYSTEMTILT61", false},  // the tilt meter is off: its edit is disabled
        {INSTRUMENT_EM61LX2, 1, 'T', L"SYSTEMLX2", true},      // filter factor edits
        {INSTRUMENT_EM61MK2, 1, 'S', L"SURVEYSETUP", true},
        {INSTRUMENT_EM31MK2, 0, 'E', L"ARRAYGEOMETRY31", true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(std::string(1, c.letter) + " " + Narrow(c.szTemplate));
        ProgramStart start;
        start.instrumentType = c.type;
        start.jixProduct = c.jix;
        ChildResult r = RunProgramInChild(start, [&c] {
            // First opening: a "c" typed into each edit box that takes input leaves the dialog open; then Cancel.
            bool bTyped = false, bOpened = false;
            PlatformScriptDialog(c.szTemplate, [&bTyped, &bOpened](HWND d) {
                bOpened = true;
                for (const ControlView &v : PlatformChildControls(d)) {
                    if (v.kind != "EDIT" || !v.visible || !v.enabled) continue;
                    SetFocus(v.hwnd);
                    PlatformPressKey('C');
                    CHILD_CHECK(IsWindow(d) && IsWindowVisible(d));
                    bTyped = true;
                }
                PlatformPressDialogButton(d, IDCANCEL);
            });
            PlatformPressKey(c.letter);
            CHILD_CHECK(bOpened && bTyped == c.bEdit);
            // Second opening: the key pressed on a button ends the dialog like Cancel.
            bool bClosed = false;
            PlatformScriptDialog(c.szTemplate, [&bClosed](HWND d) {
                SetFocus(GetDlgItem(d, IDOK));
                PlatformPressKey('C');
                bClosed = !IsWindow(d) || !IsWindowVisible(d);
                if (!bClosed) PlatformPressDialogButton(d, IDCANCEL);
            });
            PlatformPressKey(c.letter);
            CHILD_CHECK(bClosed);
            PlatformPressKey('X');
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

}  // namespace
