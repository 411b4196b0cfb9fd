// Shared steps of the setup-dialog tests: a build started in a root of its own, one dialog opened over the main
// window and driven by a script, and the lines of the configuration file that changed.
#pragma once

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/core.h"
#include "settings_test_support.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

namespace setup_test {

// The lines of the configuration file that differ, as "n=text" (n from 1) joined by "; ".
inline std::string ChangedLines(const std::vector<std::string> &before, const std::vector<std::string> &after)
{
    std::string r;
    for (size_t i = 0; i < after.size() || i < before.size(); i++) {
        const std::string a = i < after.size() ? after[i] : std::string("<none>");
        if (i < before.size() && before[i] == a) continue;
        if (!r.empty()) r += "; ";
        r += std::to_string(i + 1) + "=" + a;
    }
    return r;
}

inline std::vector<std::string> SettingsLines()
{
    return SplitLines(ReadBytes(SettingsPath()));
}

// A start of the build in a fresh root named after the case.
inline ProgramStart BuildStart(int instrumentType, int jix, const std::string &rootName)
{
    ProgramStart start = survey::StartBuildIn(MakeTestRootFolder(rootName), instrumentType, jix);
    return start;
}

// Opens the template over the main window with the procedure; the script drives it. Returns the dialog's result.
inline INT_PTR OpenDialog(const wchar_t *szTemplate, DLGPROC proc, const std::function<void(HWND)> &script)
{
    PlatformScriptDialog(szTemplate, script);
    return DialogBox(hInst, szTemplate, hwndMain, proc);
}

// Child step: the file lines changed by the dialog must be exactly `expected`; prints both when they are not.
inline bool SameChanges(const std::string &actual, const std::string &expected)
{
    if (actual == expected) return true;
    std::fprintf(stderr, "changed lines: %s\n   expected: %s\n", actual.c_str(), expected.c_str());
    return false;
}

inline bool Near(double a, double b)
{
    return std::fabs(a - b) < 1e-9;
}

// Runs `body` in the program's process of this start, then ends the program; the process must end with 0.
inline void ExpectInProgram(const ProgramStart &start, const std::function<void()> &body)
{
    ChildResult r = RunProgramInChild(start, [&body]() {
        body();
        survey::CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// One row of a dialog's configuration-file table.
struct LineCase {
    const char *name;
    int type, jix;
    std::function<void(HWND)> set;  // sets the controls (OK is pressed after it)
    std::string changed;            // the lines OK must change ("n=text; ..."), and nothing else
    std::function<bool()> restart;  // what the next start of the program shows
};

// Each row in a build of its own: the dialog of the build (`pfnTemplate` of the instrument type) set by the row,
// OK ends it with `okResult` and changes exactly the row's lines; a restart then shows the row's settings.
inline void ExpectEachLineAndRestart(const std::vector<LineCase> &cases, const wchar_t *(*pfnTemplate)(int),
                                     DLGPROC proc, INT_PTR okResult, const std::string &rootPrefix)
{
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.name);
        const ProgramStart start = BuildStart(c.type, c.jix, rootPrefix + c.name);
        ExpectInProgram(start, [&]() {
            const std::vector<std::string> before = SettingsLines();
            const INT_PTR result = OpenDialog(pfnTemplate(nInstrumentType), proc, [&c](HWND d) {
                c.set(d);
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(result == okResult);
            CHILD_CHECK(SameChanges(ChangedLines(before, SettingsLines()), c.changed));
        });
        ExpectInProgram(start, [&c]() { CHILD_CHECK(c.restart()); });
    }
}

}  // namespace setup_test
