// Shared steps of the System Setup and GPS dialog tests: a hand on the controls, the configuration file's lines
// before and after, and a dialog opened over the running program's main window.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "settings_test_support.h"
#include "support/program_runner.h"
#include "support/survey_harness.h"

namespace setuptest {

// Prints a failed comparison in the program's process and ends it there.
#define CHILD_EXPECT_EQ(a, b, what)                                                                              \
    do {                                                                                                         \
        if (!((a) == (b))) {                                                                                     \
            std::fprintf(stderr, "%s\n", std::string(what).c_str());                                            \
            CHILD_CHECK((a) == (b));                                                                             \
        }                                                                                                        \
    } while (0)

// One thing a hand does on a dialog: pick list item `index`, set a check box to `index` (0/1), or type `text`.
struct Action {
    enum Kind { PICK, CHECK, TYPE } kind;
    int id;
    int index;
    const wchar_t *text;
};
inline Action Pick(int id, int index) { return {Action::PICK, id, index, nullptr}; }
inline Action Check(int id, bool on) { return {Action::CHECK, id, on ? 1 : 0, nullptr}; }
inline Action Type(int id, const wchar_t *text) { return {Action::TYPE, id, 0, text}; }

inline void Apply(HWND d, const Action &a)
{
    switch (a.kind) {
    case Action::PICK: PlatformPickListItem(d, a.id, a.index); break;
    case Action::CHECK: PlatformSetDialogCheck(d, a.id, a.index != 0); break;
    case Action::TYPE: PlatformTypeIntoEdit(d, a.id, a.text); break;
    }
}

// What control `id` shows: the chosen item, the edit's text, or "checked" / "unchecked" for a check box.
inline std::wstring Shown(HWND d, const Action &a)
{
    if (a.kind == Action::CHECK)
        return SendDlgItemMessage(d, a.id, BM_GETCHECK, 0, 0) == BST_CHECKED ? L"checked" : L"unchecked";
    return PlatformDialogItemText(d, a.id);
}

inline std::string Narrow(const std::wstring &w)
{
    std::string s;
    for (wchar_t c : w) s += c < 128 ? (char)c : '?';
    return s;
}

// The configuration file of the running build.
inline std::string SettingsFile()
{
    wchar_t sz[261];
    if (!GetSettingsFilePath(sz, 261)) return std::string();
    return MapDrivePath(sz);
}
inline std::string SettingsBytes() { return ReadBytes(SettingsFile()); }

// The new texts of the lines that differ (the files must have as many lines; else one entry "line count").
inline std::vector<std::string> ChangedLines(const std::string &before, const std::string &after)
{
    const std::vector<std::string> a = SplitLines(before), b = SplitLines(after);
    if (a.size() != b.size()) return {"line count " + std::to_string(a.size()) + " -> " + std::to_string(b.size())};
    std::vector<std::string> changed;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i] != b[i]) changed.push_back(b[i]);
    return changed;
}

inline std::string Join(const std::vector<std::string> &v)
{
    std::string s = "{";
    for (const std::string &x : v) s += "\"" + x + "\" ";
    return s + "}";
}

// Runs `body` in the program started as `start`, then closes the program; the program must end cleanly.
inline void RunInProgram(const ProgramStart &start, const std::function<void()> &body)
{
    ChildResult r = RunProgramInChild(start, [&body]() {
        body();
        survey::CloseProgram();
        return 0;
    });
    EXPECT_TRUE(r.exited && r.exitCode == 0) << r.exitCode;
}

// Opens template `name` over the main window; `drive` runs inside the dialog (it must end it). Returns the result.
inline INT_PTR OpenDialog(const wchar_t *name, DLGPROC proc, std::function<void(HWND)> drive)
{
    PlatformScriptDialog(name, std::move(drive));
    return DialogBox(hInst, name, hwndMain, proc);
}

// One control set, OK pressed: the lines of the configuration file that change (their new texts), and what the
// control shows when the dialog opens again after a restart (after all rows of its build).
struct LineRow {
    const wchar_t *szTemplate;
    Action action;
    std::vector<std::string> lines;
    const wchar_t *szShown;
};

// Runs the rows in order: each control set and OK changes exactly its lines. Then, after a restart, each control
// shows what the file keeps.
inline void CheckLinesAndRestart(const ProgramStart &start, const std::vector<LineRow> &rows,
                                 DLGPROC (*pfnProcOf)(const wchar_t *szTemplate))
{
    RunInProgram(start, [&rows, pfnProcOf]() {
        for (const LineRow &row : rows) {
            const std::string before = SettingsBytes();
            CHILD_CHECK(!before.empty());
            const INT_PTR result = OpenDialog(row.szTemplate, pfnProcOf(row.szTemplate), [&row](HWND d) {
                Apply(d, row.action);
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(result == 1);
            const std::vector<std::string> changed = ChangedLines(before, SettingsBytes());
            CHILD_EXPECT_EQ(changed, row.lines,
                            "control " + std::to_string(row.action.id) + ": changed lines " + Join(changed));
        }
    });
    RunInProgram(start, [&rows, pfnProcOf]() {
        for (const LineRow &row : rows) {
            std::wstring shown;
            OpenDialog(row.szTemplate, pfnProcOf(row.szTemplate), [&row, &shown](HWND d) {
                shown = Shown(d, row.action);
                PlatformPressDialogButton(d, IDCANCEL);
            });
            CHILD_EXPECT_EQ(shown, std::wstring(row.szShown),
                            "control " + std::to_string(row.action.id) + " shows \"" + Narrow(shown) + "\"");
        }
    });
}

// A hand on every control a user can reach: each enabled, visible list moves to its next item, each check box
// flips, each enabled edit gets "999".
inline void ChangeEveryControl(HWND d)
{
    for (const ControlView &c : PlatformChildControls(d)) {
        if (!c.visible || !c.enabled || c.id <= 2) continue;
        if (c.kind == "COMBOBOX") {
            const int n = (int)SendMessage(c.hwnd, CB_GETCOUNT, 0, 0);
            const int i = (int)SendMessage(c.hwnd, CB_GETCURSEL, 0, 0);
            if (n > 1) PlatformPickListItem(d, c.id, (i + 1) % n);
        } else if (c.kind == "CHECKBOX") {
            PlatformSetDialogCheck(d, c.id, SendMessage(c.hwnd, BM_GETCHECK, 0, 0) != BST_CHECKED);
        } else if (c.kind == "EDIT") {
            PlatformTypeIntoEdit(d, c.id, L"999");
        }
    }
}

}  // namespace setuptest
