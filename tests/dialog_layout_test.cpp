// Layout for a field tablet: every dialog template of the program laid out on the smallest portrait and landscape
// screens (controls inside their dialog, no two overlapping but a group box and its content, no label cut, the
// dialog inside the main window; a picture of each), and the labels of the main window's and the logging screen's
// buttons and texts at the smallest and largest window sizes.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "displays/numbers.h"
#include "logscreen/logscreen.h"
#include "platform/platform.h"
#include "resources/resources.h"
#include "support/program_runner.h"

namespace {

// Failures found inside the child, printed there; the count becomes the child's exit code.
struct Findings {
    int n = 0;
    void Add(const std::string &where, const std::string &what)
    {
        n++;
        std::fprintf(stderr, "LAYOUT: %s: %s\n", where.c_str(), what.c_str());
    }
};

std::string Narrow(const std::wstring &w)
{
    std::string s;
    for (wchar_t c : w) s += c < 128 ? (char)c : '?';
    return s;
}

bool Overlap(const RECT &a, const RECT &b)
{
    return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

bool Inside(const RECT &inner, const RECT &outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

std::string Describe(const ControlView &c)
{
    return c.kind + " " + std::to_string(c.id) + " \"" + Narrow(c.text) + "\"";
}

// The controls of one laid-out window: each inside `bounds`, every label whole, and (among the visible ones) no
// two overlapping unless one is a group box that holds the other whole.
void CheckControls(const std::vector<ControlView> &controls, const RECT &bounds, const std::string &where,
                   Findings &f, bool bOnlyButtons = false)
{
    std::vector<const ControlView *> shown;
    for (const ControlView &c : controls) {
        if (bOnlyButtons && c.kind != "BUTTON" && c.kind != "CHECKBOX" && c.kind != "RADIOBUTTON") continue;
        if (!Inside(c.rect, bounds)) f.Add(where, Describe(c) + " leaves its window");
        if (!c.labelFits) f.Add(where, Describe(c) + " label is cut");
        if (c.visible) shown.push_back(&c);
    }
    for (size_t i = 0; i < shown.size(); i++)
        for (size_t j = 0; j < i; j++) {
            const ControlView &a = *shown[i], &b = *shown[j];
            if (!Overlap(a.rect, b.rect)) continue;
            if ((a.kind == "GROUPBOX" && Inside(b.rect, a.rect)) || (b.kind == "GROUPBOX" && Inside(a.rect, b.rect)))
                continue;
            f.Add(where, Describe(a) + " overlaps " + Describe(b));
        }
}

INT_PTR PlainDialogProc(HWND d, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(d, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

std::string SizeName(int w, int h)
{
    return std::to_string(w) + "x" + std::to_string(h);
}

// Every registered template, opened over the main window with a plain procedure: checked and photographed.
void CheckEveryTemplate(Findings &f)
{
    RegisterResources();
    RECT rcMain;
    GetWindowRect(hwndMain, &rcMain);
    const std::vector<const DialogTemplate *> templates = PlatformDialogTemplates();
    if (templates.empty()) f.Add("templates", "none registered");
    for (const DialogTemplate *t : templates) {
        const std::wstring name = t->name;
        const std::string where = Narrow(name) + " on " + SizeName(nMainWidth, nMainHeight);
        PlatformScriptDialog(name, [&f, where, rcMain, name](HWND d) {
            RECT rcDialog, rcClient;
            GetWindowRect(d, &rcDialog);
            GetClientRect(d, &rcClient);
            if (!Inside(rcDialog, rcMain))
                f.Add(where, "the dialog " + std::to_string(rcDialog.left) + "," + std::to_string(rcDialog.top) + "-" +
                                 std::to_string(rcDialog.right) + "," + std::to_string(rcDialog.bottom) +
                                 " leaves the main window " + std::to_string(rcMain.left) + "," +
                                 std::to_string(rcMain.top) + "-" + std::to_string(rcMain.right) + "," +
                                 std::to_string(rcMain.bottom));
            CheckControls(PlatformChildControls(d), rcClient, where, f);
            const std::string png = std::string(TEST_OUTPUT_DIR "/dialog_") + Narrow(name) + "_" +
                                    SizeName(nMainWidth, nMainHeight) + ".png";
            if (!PlatformSaveWindowPng(d, png)) f.Add(where, "no picture");
            EndDialog(d, IDCANCEL);
        });
        if (DialogBox(hInst, name.c_str(), hwndMain, PlainDialogProc) != IDCANCEL) f.Add(where, "did not open");
    }
    PlatformClearDialogScripts();
}

// The main window's ten buttons and every button of the logging screen laid out for this window size.
void CheckScreens(Findings &f)
{
    const std::string size = SizeName(nMainWidth, nMainHeight);
    RECT rcClient;
    GetClientRect(hwndMain, &rcClient);
    CheckControls(PlatformChildControls(hwndMain), rcClient, "main window " + size, f, true);

    if (bPortrait) ArrangeLogScreenTall();
    else ArrangeLogScreen();
    GetClientRect(hwndLog, &rcClient);
    std::vector<ControlView> buttons;
    for (const ControlView &c : PlatformChildControls(hwndLog))
        if (c.kind == "BUTTON" && (c.visible || c.enabled)) buttons.push_back(c);  // hidden and disabled: never shown
    // Rows of the logging screen share their places (one row shows at a time), so only whole labels are checked.
    for (ControlView &c : buttons) c.visible = false;
    CheckControls(buttons, rcClient, "logging screen " + size, f);
}

// Texts the logging screen and the GPS monitor draw themselves: whole, and clear of the controls beside them.
void CheckDrawnTexts(Findings &f)
{
    const std::string size = SizeName(nMainWidth, nMainHeight);
    // The lost-link notice in the numbers window.
    PlatformClearDrawnTexts();
    ShowLostConnectionNotice(rcSidePanelValues);
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwndNumbers && (t.cell.left < rcSidePanelValues.left || t.cell.right > rcSidePanelValues.right))
            f.Add("lost-link notice " + size, "\"" + Narrow(t.text) + "\" leaves its box");

    // The numbers window: values of every width beside the EM61-MK2 channel labels.
    PlatformClearDrawnTexts();
    HDC hdc = GetDC(hwndNumbers);
    DrawChannelLabels(hdc);
    DrawChannelValues(hdc, 2000.0, -99999.9, 12.5, 123456.7);
    ReleaseDC(hwndNumbers, hdc);
    std::vector<DrawnText> labels, values;
    for (const DrawnText &t : PlatformDrawnTexts())
        if (t.window == hwndNumbers) (t.text.find(L'.') == std::wstring::npos ? labels : values).push_back(t);
    for (const DrawnText &v : values)
        for (const DrawnText &l : labels)
            if (Overlap(v.cell, l.cell))
                f.Add("numbers panel " + size, "\"" + Narrow(v.text) + "\" covers \"" + Narrow(l.text) + "\"");

    // The GPS monitor's label before its command edit.
    PlatformClearDrawnTexts();
    ShowWindow(hwndGpsMonitor, SW_SHOW);
    InvalidateRect(hwndGpsMonitor, nullptr, TRUE);
    UpdateWindow(hwndGpsMonitor);
    ShowWindow(hwndGpsMonitor, SW_HIDE);
    RECT rcGps;
    GetClientRect(hwndGpsMonitor, &rcGps);
    bool bSeen = false;
    for (const DrawnText &t : PlatformDrawnTexts()) {
        if (t.window != hwndGpsMonitor || t.text != L"Enter Command Text") continue;
        bSeen = true;
        if (!Inside(t.cell, rcGps)) f.Add("GPS monitor " + size, "label leaves the window");
        for (const ControlView &c : PlatformChildControls(hwndGpsMonitor))
            if (c.visible && Overlap(c.rect, t.cell))
                f.Add("GPS monitor " + size, "\"Enter Command Text\" lies under " + Describe(c));
    }
    if (!bSeen) f.Add("GPS monitor " + size, "\"Enter Command Text\" not drawn");
}

struct ScreenCase {
    const char *name;
    int screenW, screenH;
    int jixProduct;   // the logging line hides the map buttons the mapping line shows
    bool bTemplates;  // the smallest screens of each orientation lay out every template
};

TEST(TabletLayout, TemplatesButtonsAndTextsFitEveryWindowSize)
{
    const ScreenCase aCase[] = {
        {"smallest landscape", 800, 600, 1, true},
        {"smallest landscape, mapping line", 800, 600, 0, false},
        {"largest landscape", 1920, 1080, 0, false},
        {"1366 x 800 laptop", 1366, 800, 1, false},
        {"smallest portrait", 600, 1024, 0, true},
        {"largest portrait", 1080, 1920, 1, false},
    };
    for (const ScreenCase &c : aCase) {
        SCOPED_TRACE(c.name);
        ProgramStart start;
        start.screenWidth = c.screenW;
        start.screenHeight = c.screenH;
        start.jixProduct = c.jixProduct;
        ChildResult r = RunProgramInChild(
            start,
            [&c]() {
                Findings f;
                if (c.bTemplates) CheckEveryTemplate(f);
                CheckScreens(f);
                CheckDrawnTexts(f);
                // 0 ends the checks and lets "E&xit" end the program; any finding ends the child with its count.
                if (f.n) return f.n > 90 ? 90 : f.n;
                PlatformClickButton(ahMenuButton[9]);
                return 0;
            },
            240);
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0) << "findings (see LAYOUT lines above)";
    }
}

}  // namespace
