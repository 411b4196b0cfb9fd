// Dialogs as they open: where each stands over the window it was opened over, where the keyboard starts (a station
// typed at once lands in the station box) and how read-only boxes look.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>

#include <cwchar>
#include <string>
#include <vector>

#include "background/background_files.h"
#include "core/core.h"
#include "dialogs/display_options_dialog.h"
#include "dialogs/setup_dialogs.h"
#include "dialogs/survey_line_dialogs.h"
#include "platform/platform.h"
#include "platform/qt/window_internal.h"
#include "resources/resources.h"
#include "option_dialogs_test_support.h"

namespace {

class DialogOpeningEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        static char arg0[] = "dialog-opening-test";
        static char *argv[] = {arg0, nullptr};
        hInst = PlatformInit(1, argv);
        RegisterResources();
    }
};
const ::testing::Environment *const gEnvironment = ::testing::AddGlobalTestEnvironment(new DialogOpeningEnvironment);

LRESULT OwnerProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProc(hwnd, msg, wp, lp); }

// A shown top-level window to open the dialogs over, away from the screen's corner and smaller than the screen, so
// that a dialog placed on the screen instead stands elsewhere.
HWND NewOwnerWindow(int x, int y, int w, int h)
{
    static bool bRegistered = false;
    if (!bRegistered) {
        WNDCLASS wc{};
        wc.lpfnWndProc = OwnerProc;
        wc.lpszClassName = L"DialogOpeningOwner";
        wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
        bRegistered = RegisterClass(&wc) != 0;
    }
    HWND hwnd = CreateWindow(L"DialogOpeningOwner", L"Owner", WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE, x, y, w, h, nullptr, 0,
                             hInst, nullptr);
    return hwnd;
}

// The colour of the pixel a few pixels in from the right edge of a control, half-way down: its background.
QRgb BackgroundOf(HWND c)
{
    const QImage image = c->widget->grab().toImage();
    return image.pixel(image.width() - 5, image.height() / 2) & 0xFFFFFF;
}

class DialogOpeningTest : public OptionDialogTest {};

}  // namespace

// Each setup dialog stands centred across the window it was opened over, its top at that window's top plus the
// height difference over the dialog's divisor; the reading scales of the EM31-MK2 and EM38-MK2 stand 50 pixels
// further right. Opened over no window, the screen takes the window's place.
TEST_F(DialogOpeningTest, SetupDialogsStandAtTheirFractionOfTheOwnerHeight)
{
    struct Case {
        const char *name;
        int nType;
        const wchar_t *(*pfnTemplate)();
        DLGPROC proc;
        int nDivisor;
        int nShiftRight;
    };
    const Case cases[] = {
        {"system setup", INSTRUMENT_EM61MK2, [] { return L"SYSTEMTILT61"; }, SystemDlgProc, 4, 0},
        {"survey setup", INSTRUMENT_EM61MK2, [] { return L"SURVEYSETUP"; }, SurveySetupDlgProc, 10, 0},
        {"array geometry", INSTRUMENT_EM61MK2, [] { return L"ARRAYGEOMETRY"; }, ArrayGeometryDlgProc, 10, 0},
        {"coordinates units", INSTRUMENT_EM61MK2, [] { return L"COORDINATESUNITS"; }, CoordinatesUnitsDlgProc, 10, 0},
        {"map size", INSTRUMENT_EM61MK2, [] { return L"MAPSCALE"; }, MapScaleDlgProc, 8, 0},
        {"map display options", INSTRUMENT_EM61MK2, DisplayOptionsTemplateName, DisplayOptionsDlgProc, 7, 0},
        {"reading scale", INSTRUMENT_EM61MK2, ReadingScaleTemplateName, ReadingScaleDlgProc, 7, 0},
        {"reading scale EM31-MK2", INSTRUMENT_EM31MK2, ReadingScaleTemplateName, ReadingScaleDlgProc, 7, 50},
        {"reading scale EM38-MK2", INSTRUMENT_EM38MK2, ReadingScaleTemplateName, ReadingScaleDlgProc, 7, 50},
        {"speed scale", INSTRUMENT_EM61MK2, [] { return L"SPEEDSCALE"; }, SpeedScaleDlgProc, 7, 0},
        {"comment", INSTRUMENT_EM61MK2, [] { return L"COMMENT"; }, CommentDlgProc, 6, 0},
        {"background load", INSTRUMENT_EM61MK2, [] { return L"BACKGROUNDFILELOAD"; }, BackgroundFileLoadDlgProc, 10,
         0},
        {"background remove", INSTRUMENT_EM61MK2, [] { return L"BACKGROUNDFILEREMOVE"; }, BackgroundFileRemoveDlgProc,
         10, 0},
    };
    const int nScreenW = GetSystemMetrics(SM_CXSCREEN), nScreenH = GetSystemMetrics(SM_CYSCREEN);
    HWND hwndOwner = NewOwnerWindow(37, 23, 1100, 820);
    ASSERT_NE(hwndOwner, nullptr);
    RECT rcOwner{};
    ASSERT_TRUE(GetWindowRect(hwndOwner, &rcOwner));
    const RECT rcScreen{0, 0, nScreenW, nScreenH};
    for (const Case &c : cases) {
        for (HWND hwndOver : {hwndOwner, (HWND) nullptr}) {
            SCOPED_TRACE(std::string(c.name) + (hwndOver ? " over a window" : " over no window"));
            Start(c.nType, c.nType == INSTRUMENT_EM31MK2);
            const RECT &rcOver = hwndOver ? rcOwner : rcScreen;
            RECT rcDialog{};
            const wchar_t *szTemplate = c.pfnTemplate();
            PlatformScriptDialog(szTemplate, [&rcDialog](HWND d) {
                GetWindowRect(d, &rcDialog);
                PlatformPressDialogButton(d, IDCANCEL);
            });
            DialogBox(hInst, szTemplate, hwndOver, c.proc);
            const int w = rcDialog.right - rcDialog.left, h = rcDialog.bottom - rcDialog.top;
            ASSERT_GT(w, 0);
            EXPECT_EQ(rcDialog.left, rcOver.left + (rcOver.right - rcOver.left - w) / 2 + c.nShiftRight);
            EXPECT_EQ(rcDialog.top, rcOver.top + (rcOver.bottom - rcOver.top - h) / c.nDivisor);
        }
    }
    DestroyWindow(hwndOwner);
}

// New Station, New Survey Line and Set New Speed Bar Scale open with the keyboard in the first box the operator can
// type into: what is typed at once arrives there (replacing a proposal) and the read-only boxes keep their text.
TEST_F(DialogOpeningTest, TextTypedAtOnceArrivesInTheFirstBoxThatTakesText)
{
    struct Case {
        const wchar_t *szTemplate;
        DLGPROC proc;
        int nBox;
        std::vector<int> readOnly;
    };
    const Case cases[] = {
        {L"NEWSTATION", NewStationDlgProc, 1188, {1186, 1187, 1189}},
        {L"GETNEWLINE", GetNewLineDlgProc, 1106, {1182, 1184}},
        {L"SPEEDSCALE", SpeedScaleDlgProc, 1192, {1191}},
    };
    HWND hwndOwner = NewOwnerWindow(0, 0, 900, 700);
    ASSERT_NE(hwndOwner, nullptr);
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.szTemplate, c.szTemplate + wcslen(c.szTemplate)));
        wcscpy(szSurveyLine, L"10");
        dStation = 25.5;
        std::wstring typed;
        std::vector<std::wstring> before, after;
        bool bTabSkipsReadOnly = true, bTabCameBack = false;
        PlatformScriptDialog(c.szTemplate, [&](HWND d) {
            for (int id : c.readOnly) before.push_back(PlatformDialogItemText(d, id));
            for (int vk : {'3', '7', '4'}) PlatformPressKey(vk);
            typed = PlatformDialogItemText(d, c.nBox);
            for (int id : c.readOnly) after.push_back(PlatformDialogItemText(d, id));
            // Tab goes round the boxes that take text and the buttons, never into a read-only box.
            for (int i = 0; i < 12; i++) {
                PlatformPressKey(VK_TAB);
                for (int id : c.readOnly)
                    if (d->widget->focusWidget() == GetDlgItem(d, id)->widget) bTabSkipsReadOnly = false;
                if (d->widget->focusWidget() == GetDlgItem(d, c.nBox)->widget) bTabCameBack = true;
            }
            PlatformPressDialogButton(d, IDCANCEL);
        });
        DialogBox(hInst, c.szTemplate, hwndOwner, c.proc);
        EXPECT_EQ(typed, L"374");
        EXPECT_EQ(after, before);
        EXPECT_TRUE(bTabSkipsReadOnly);
        EXPECT_TRUE(bTabCameBack);
    }
    DestroyWindow(hwndOwner);
}

// A read-only box shows the button face behind its text, as the system's own does; a box that takes text is white.
// The look follows the box when the program makes it read-only or writable while the dialog is open.
TEST_F(DialogOpeningTest, ReadOnlyBoxesAreGreyedAndBoxesThatTakeTextAreWhite)
{
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const QRgb rgbFace = qRgb(GetRValue(face), GetGValue(face), GetBValue(face)) & 0xFFFFFF;
    const QRgb rgbWhite = qRgb(255, 255, 255) & 0xFFFFFF;
    std::vector<QRgb> seen;
    PlatformScriptDialog(L"NEWSTATION", [&](HWND d) {
        for (int id : {1186, 1187, 1189, 1188}) seen.push_back(BackgroundOf(GetDlgItem(d, id)));
        SendDlgItemMessage(d, 1188, EM_SETREADONLY, TRUE, 0);
        SendDlgItemMessage(d, 1186, EM_SETREADONLY, FALSE, 0);
        for (int id : {1188, 1186}) seen.push_back(BackgroundOf(GetDlgItem(d, id)));
        PlatformPressDialogButton(d, IDCANCEL);
    });
    DialogBox(hInst, L"NEWSTATION", nullptr, NewStationDlgProc);
    EXPECT_EQ(seen, (std::vector<QRgb>{rgbFace, rgbFace, rgbFace, rgbWhite, rgbFace, rgbWhite}));
}
