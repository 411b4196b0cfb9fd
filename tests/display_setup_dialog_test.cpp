// Profile display setup dialog through the real program: every control's line of the configuration file after OK
// and what a restart shows, Cancel after changes (file byte-identical, colours, widths and pens as they were), the
// live sample, the grid scale of the conductivity meters, and the C key that does not close this dialog.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/core.h"
#include "core/settings.h"
#include "dialogs/display_setup_dialog.h"
#include "displays/grid.h"
#include "displays/scales.h"
#include "logscreen/logscreen.h"
#include "map/pens.h"
#include "platform/platform.h"
#include "support/program_runner.h"

namespace {

struct Build {
    int type, jix;
    const char *name;
    int nWidthLine, nColorLine;  // first lines of the pen widths and the colours
    int nScaleLine;              // line of nScaleType / bAltGraphScale (0: none)
    bool bScaleList;             // the template has list 1202
    const char *szScaleAfterOk;  // the scale line after OK with "Inphase" / "Compressed" chosen; nullptr: kept
};

// Lines of the configuration files of each family. A scale line the dialog must keep, or must clear, holds "1"
// before the dialog opens; the list then chooses the other entry.
const Build kBuilds[] = {
    {INSTRUMENT_GRAD601, 1, "Grad601", 17, 19, 0, false, nullptr},
    {INSTRUMENT_EM61LX2, 0, "EM61-LX2", 16, 24, 32, false, nullptr},
    {INSTRUMENT_EM61MK2, 1, "EM61-MK2 Jix", 15, 23, 31, true, "1"},
    {INSTRUMENT_EM61MK2, 0, "EM61-MK2 Zanth", 15, 23, 31, true, "1"},
    {INSTRUMENT_EM31MK2, 0, "EM31-MK2", 15, 23, 31, true, "1"},
    {INSTRUMENT_EM38, 1, "EM38", 15, 23, 31, true, "1"},
    {INSTRUMENT_EM34, 0, "EM34-3", 15, 23, 31, false, "0"},
    {INSTRUMENT_EM38MK2, 1, "EM38-MK2", 15, 23, 31, true, "1"},
    {INSTRUMENT_EM384, 0, "EM38-4", 30, 46, 62, true, nullptr},
    {INSTRUMENT_CS21, 1, "CS-21", 30, 46, 62, true, nullptr},
};

std::string ReadFile(const std::filesystem::path &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> Lines(const std::string &bytes)
{
    std::vector<std::string> lines;
    std::istringstream in(bytes);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

std::string Join(const std::vector<std::string> &lines)
{
    std::string out;
    for (const std::string &l : lines) out += l + "\r\n";
    return out;
}

// The one configuration file under a program start's root folder (empty when there is none).
std::filesystem::path SettingsFileUnder(const std::string &root)
{
    for (const auto &entry : std::filesystem::recursive_directory_iterator(root))
        if (entry.path().extension() == ".INI") return entry.path();
    return {};
}

// A start of the build with its settings folder made beforehand.
ProgramStart StartOf(const Build &b, const std::string &root)
{
    ProgramStart start;
    start.instrumentType = b.type;
    start.jixProduct = b.jix;
    start.rootFolder = root;
    nInstrumentType = b.type;
    bJixProduct = b.jix;
    wchar_t szPath[261];
    EXPECT_TRUE(GetSettingsFilePath(szPath, 261));
    std::wstring folder(szPath);
    start.makeFolders = {folder.substr(0, folder.rfind(L'\\'))};
    return start;
}

// Opens the build's dialog from the main menu ("P") with the handler as the operator's hand.
void OpenFromMenu(const Build &b, std::function<void(HWND)> handler)
{
    PlatformScriptDialog(DisplaySetupTemplate(b.type), std::move(handler));
    PlatformPressKey('P');
}

// Colour and width a pen draws with: a horizontal line on a white surface, read back at its middle column.
void PenLook(HPEN hpen, COLORREF *pclr, int *pnWidth)
{
    HDC hdc = PlatformCreateMemorySurface(40, 40);
    HGDIOBJ old = SelectObject(hdc, hpen);
    MoveToEx(hdc, 5, 20, nullptr);
    LineTo(hdc, 35, 20);
    SelectObject(hdc, old);
    *pclr = GetPixel(hdc, 20, 20);
    *pnWidth = 0;
    for (int y = 0; y < 40; y++)
        if (GetPixel(hdc, 20, y) != RGB(255, 255, 255)) ++*pnWidth;
    DeleteDC(hdc);
}

COLORREF NewColor(int i)
{
    return RGB(17 + 29 * i, 101 + i, 203 - 7 * i);
}

const wchar_t *const aszThickness[] = {L"1 pixel", L"2 pixels", L"3 pixels", L"4 pixels"};

TEST(DisplaySetupDialog, OkWritesEveryControlToItsLineAndARestartShowsIt)
{
    for (const Build &b : kBuilds) {
        SCOPED_TRACE(b.name);
        const int n = DisplaySetupChannelCount(b.type);
        ASSERT_GT(n, 0);
        const std::string root = MakeTestRootFolder(std::string("display-setup-ok-") + std::to_string(&b - kBuilds));
        const ProgramStart start = StartOf(b, root);

        // A first start writes the file.
        ChildResult r = RunProgramInChild(start, [] {
            PlatformPressKey('X');
            return 0;
        });
        ASSERT_EQ(r.exitCode, 0);
        const std::filesystem::path file = SettingsFileUnder(root);
        ASSERT_FALSE(file.empty());
        std::vector<std::string> before = Lines(ReadFile(file));
        const bool bStores = b.szScaleAfterOk && b.bScaleList;
        if (b.nScaleLine && !bStores) before[b.nScaleLine - 1] = "1";
        {
            std::ofstream out(file, std::ios::binary | std::ios::trunc);
            out << Join(before);
        }

        // New widths (each differs from the stored one) and colours; the list shows the other scale.
        std::vector<int> widths(n);
        std::vector<std::string> expected = before;
        for (int i = 0; i < n; i++) {
            widths[i] = std::stoi(before[b.nWidthLine - 1 + i]) % 4 + 1;
            expected[b.nWidthLine - 1 + i] = std::to_string(widths[i]);
            expected[b.nColorLine - 1 + i] = std::to_string((long)NewColor(i));
        }
        if (b.szScaleAfterOk) expected[b.nScaleLine - 1] = b.szScaleAfterOk;

        r = RunProgramInChild(start, [&b, n, widths, bStores] {
            const int nScaleBefore = nScaleType, bAltBefore = bAltGraphScale;
            // The profile's height as the logging screen gives it (the start screen has none), with both scales on it.
            nCurveAreaHeight = 300;
            SettingsAfterScale1();
            dScale2PixPerUnit = ScalePixelsPerUnit(nCurveAreaHeight, dScale2Min, dScale2Max);
            int aOldGrid[10];
            for (int k = 0; k < 10; k++) aOldGrid[k] = anGridLineY1[k];
            bool bOpened = false;
            OpenFromMenu(b, [&](HWND d) {
                bOpened = true;
                for (int i = 0; i < n; i++) {
                    PlatformScriptColorChooser(NewColor(i));
                    PlatformClickButton(GetDlgItem(d, IDC_DISPLAYSETUP_COLOR + i));
                    PlatformPickListItem(d, IDC_DISPLAYSETUP_THICKNESS + i, widths[i] - 1);
                }
                CHILD_CHECK((GetDlgItem(d, IDC_DISPLAYSETUP_SCALE) != nullptr) == b.bScaleList);
                if (b.bScaleList) {
                    CHILD_CHECK(PlatformListItems(d, IDC_DISPLAYSETUP_SCALE).size() == 2);
                    CHILD_CHECK(SendDlgItemMessage(d, IDC_DISPLAYSETUP_SCALE, CB_GETCURSEL, 0, 0) == nScaleType);
                    PlatformPickListItem(d, IDC_DISPLAYSETUP_SCALE, bStores ? 1 : 1 - nScaleType);
                }
                PlatformPressDialogButton(d, IDOK);
            });
            CHILD_CHECK(bOpened);
            // The pens follow at once: slot 0 draws channel 0's new colour and width.
            COLORREF clr;
            int nWidth;
            PenLook(ahChannelPen[0], &clr, &nWidth);
            CHILD_CHECK(clr == NewColor(0));
            CHILD_CHECK(nWidth == widths[0]);
            if (b.type == INSTRUMENT_EM384 || b.type == INSTRUMENT_CS21) {
                CHILD_CHECK(nScaleType == nScaleBefore);
                CHILD_CHECK(bAltGraphScale == bAltBefore);
            }
            // The conductivity meters draw the grid lines of the scale chosen (scale 2 for "Inphase").
            if (b.type == INSTRUMENT_EM31MK2 || b.type == INSTRUMENT_EM38 || b.type == INSTRUMENT_EM38MK2) {
                CHILD_CHECK(nScaleType == 1 && bAltGraphScale == 1);
                int aGrid[10], nSign = 7;
                ComputeGridLines(aGrid, nCurveAreaHeight, dScale2Min, dScale2Max, dScale2PixPerUnit, &nSign);
                bool bSame = true, bMoved = false;
                for (int k = 0; k <= aGrid[0] && k < 10; k++) {
                    bSame = bSame && aGrid[k] == anGridLineY1[k];
                    bMoved = bMoved || aOldGrid[k] != anGridLineY1[k];
                }
                CHILD_CHECK(bSame && bMoved);
                CHILD_CHECK(nScale2RangeSign == nSign);
            }
            if (b.type == INSTRUMENT_EM34) CHILD_CHECK(nScaleType == 0 && bAltGraphScale == 0);
            PlatformPressKey('X');
            return 0;
        });
        ASSERT_EQ(r.exitCode, 0);
        const std::string afterOk = ReadFile(file);
        const std::vector<std::string> after = Lines(afterOk);
        ASSERT_EQ(after.size(), expected.size());
        for (size_t k = 0; k < after.size(); k++) EXPECT_EQ(after[k], expected[k]) << "line " << k + 1;

        // A restart shows the stored choices; changes then cancelled put every live value back and write nothing.
        r = RunProgramInChild(start, [&b, n, widths] {
            for (int i = 0; i < n; i++) CHILD_CHECK(aclrChannel[i] == NewColor(i) && anChannelPenWidth[i] == widths[i]);
            const int nScaleBefore = nScaleType;
            bool bOpened = false;
            OpenFromMenu(b, [&](HWND d) {
                bOpened = true;
                for (int i = 0; i < n; i++)
                    CHILD_CHECK(PlatformDialogItemText(d, IDC_DISPLAYSETUP_THICKNESS + i) == aszThickness[widths[i] - 1]);
                if (b.szScaleAfterOk && b.bScaleList)
                    CHILD_CHECK(SendDlgItemMessage(d, IDC_DISPLAYSETUP_SCALE, CB_GETCURSEL, 0, 0) ==
                                std::stoi(b.szScaleAfterOk));
                for (int i = 0; i < n; i++) {
                    PlatformScriptColorChooser(RGB(1, 2, 3 + i));
                    PlatformClickButton(GetDlgItem(d, IDC_DISPLAYSETUP_COLOR + i));
                    PlatformPickListItem(d, IDC_DISPLAYSETUP_THICKNESS + i, widths[i] % 4);
                    CHILD_CHECK(aclrChannel[i] == RGB(1, 2, 3 + i));  // live
                    CHILD_CHECK(anChannelPenWidth[i] == widths[i] % 4 + 1);
                }
                if (b.bScaleList) PlatformPickListItem(d, IDC_DISPLAYSETUP_SCALE, nScaleType == 1 ? 0 : 1);
                // This dialog has no C key: it stays open.
                PlatformPressKey('C');
                PlatformPressKey('c');
                CHILD_CHECK(IsWindow(d) && IsWindowVisible(d));
                PlatformPressDialogButton(d, IDCANCEL);
            });
            CHILD_CHECK(bOpened);
            for (int i = 0; i < n; i++) CHILD_CHECK(aclrChannel[i] == NewColor(i) && anChannelPenWidth[i] == widths[i]);
            CHILD_CHECK(nScaleType == nScaleBefore);
            COLORREF clr;
            int nWidth;
            PenLook(ahChannelPen[0], &clr, &nWidth);
            CHILD_CHECK(clr == NewColor(0) && nWidth == widths[0]);
            PlatformPressKey('X');
            return 0;
        });
        ASSERT_EQ(r.exitCode, 0);
        EXPECT_EQ(ReadFile(file), afterOk) << "Cancel changed the configuration file";
    }
}

// The sample of a channel follows its list and the chooser at once; a cancelled chooser changes nothing.
TEST(DisplaySetupDialog, TheSampleFollowsAtOnceAndACancelledChooserChangesNothing)
{
    ProgramStart start;  // EM61-MK2, logging line
    ChildResult r = RunProgramInChild(start, [] {
        bool bOpened = false;
        PlatformScriptDialog(L"DISPLAYSETUP", [&](HWND d) {
            bOpened = true;
            HWND hButton = GetDlgItem(d, IDC_DISPLAYSETUP_COLOR + 1);
            CHILD_CHECK(hButton != nullptr);
            // Thickness of the sample line at the middle column of channel 1's button, as painted so far.
            InvalidateRect(hButton, nullptr, TRUE);
            UpdateWindow(hButton);
            auto sample = [hButton](COLORREF *pclr) {
                RECT rc;
                GetClientRect(hButton, &rc);
                HDC hdc = GetDC(hButton);
                const int x = (rc.left + rc.right) / 2;
                *pclr = GetPixel(hdc, x, rc.top + 10);
                int n = 0;
                for (int y = rc.top + 4; y < rc.top + 17; y++)
                    if (GetPixel(hdc, x, y) == *pclr) n++;
                ReleaseDC(hButton, hdc);
                return n;
            };
            COLORREF clr;
            const int nBefore = sample(&clr);
            CHILD_CHECK(clr == aclrChannel[1]);
            CHILD_CHECK(nBefore == anChannelPenWidth[1]);
            PlatformPickListItem(d, IDC_DISPLAYSETUP_THICKNESS + 1, 3);  // "4 pixels"
            CHILD_CHECK(anChannelPenWidth[1] == 4);
            CHILD_CHECK(sample(&clr) == 4);

            const COLORREF clrOld = aclrChannel[1];
            PlatformScriptColorChooser(RGB(250, 10, 10), false);
            PlatformClickButton(hButton);
            CHILD_CHECK(aclrChannel[1] == clrOld);
            PlatformScriptColorChooser(RGB(250, 10, 10));
            PlatformClickButton(hButton);
            CHILD_CHECK(aclrChannel[1] == RGB(250, 10, 10));
            sample(&clr);
            CHILD_CHECK(clr == RGB(250, 10, 10));
            CHILD_CHECK(PlatformSaveWindowPng(d, std::string(TEST_OUTPUT_DIR "/display_setup_samples.png")));
            PlatformPressDialogButton(d, IDCANCEL);
        });
        PlatformPressKey('P');
        CHILD_CHECK(bOpened);
        std::vector<ShownDialog> shown = PlatformShownDialogs();
        CHILD_CHECK(shown.size() == 3);  // the dialog and two choosers
        CHILD_CHECK(shown[0].templateName == L"DISPLAYSETUP" && shown[0].caption == L"Setup Display Options");
        CHILD_CHECK(shown[1].templateName == L"CHOOSECOLOR");
        PlatformPressKey('X');
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
