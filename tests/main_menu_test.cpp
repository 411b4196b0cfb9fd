// Main menu: the highlight moved by Tab and arrows, letters in either case, Enter, "E&xit" and "&Reset to Default".
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <filesystem>
#include <string>

#include "core/core.h"
#include "core/settings.h"
#include "support/program_runner.h"

namespace {

int Style(int i)
{
    return (int)(SendMessage(ahMenuButton[i], BM_GETSTYLE, 0, 0) & BS_TYPEMASK);
}

// Exactly one button carries the default-button style: the highlighted one.
bool OnlyHighlighted(int i)
{
    if (nHighlightedButton != i)
        return false;
    for (int k = 0; k < 10; k++)
        if ((Style(k) == BS_DEFPUSHBUTTON) != (k == i))
            return false;
    return true;
}

// A letter key as the window system delivers it: upper case with Shift, lower case without.
void TypeLetter(char letter)
{
    // The widget the program focused: the application's focus, or the focus child of the visible top-level window.
    // A window that is hidden (a dialog that has ended) holds no keyboard focus.
    QWidget *target = QApplication::focusWidget();
    if (target && !target->window()->isVisible())
        target = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (!target && top->isVisible() && top->focusWidget())
            target = top->focusWidget();
    CHILD_CHECK(target != nullptr);
    bool upper = letter >= 'A' && letter <= 'Z';
    int key = Qt::Key_A + ((upper ? letter - 'A' : letter - 'a'));
    Qt::KeyboardModifiers mods = upper ? Qt::ShiftModifier : Qt::NoModifier;
    QKeyEvent press(QEvent::KeyPress, key, mods, QString(QChar(letter)));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, QString(QChar(letter)));
    QApplication::sendEvent(target, &release);
}

TEST(MainMenu, TabTenTimesComesBackToLoggingAndArrowsWrap)
{
    ChildResult r = RunProgramInChild(ProgramStart(), []() {
        CHILD_CHECK(OnlyHighlighted(0));
        for (int i = 1; i <= 10; i++) {
            PlatformPressKey(VK_TAB);
            CHILD_CHECK(OnlyHighlighted(i % 10));
        }
        PlatformPressKey(VK_UP);  // from "&Logging" back to "E&xit"
        CHILD_CHECK(OnlyHighlighted(9));
        PlatformPressKey(VK_LEFT);
        CHILD_CHECK(OnlyHighlighted(8));
        PlatformPressKey(VK_DOWN);
        PlatformPressKey(VK_RIGHT);
        CHILD_CHECK(OnlyHighlighted(0));
        PlatformPressKey(VK_RIGHT);
        CHILD_CHECK(OnlyHighlighted(1));
        CHILD_CHECK(nMenuKeyAction == -99);
        CHILD_CHECK(IsWindow(hwndMain));  // moving the highlight runs no command
        PlatformPressKey('X');
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(MainMenu, EnterPressesTheHighlightedButton)
{
    ChildResult r = RunProgramInChild(ProgramStart(), []() {
        PlatformPressKey(VK_UP);
        CHILD_CHECK(OnlyHighlighted(9));
        PlatformPressKey(VK_RETURN);  // "E&xit"
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(MainMenu, LettersActInEitherCaseWithoutMovingTheHighlight)
{
    for (char exitLetter : {'x', 'X'}) {
        SCOPED_TRACE(std::string(1, exitLetter));
        ChildResult r = RunProgramInChild(ProgramStart(), [exitLetter]() {
            PlatformPressKey(VK_TAB);
            PlatformPressKey(VK_TAB);
            CHILD_CHECK(OnlyHighlighted(2));
            // The setup commands open their dialog (answered with Cancel here) and leave the highlight ("&Logging"
            // and "GPS M&onitoring" open ports, so they have tests of their own).
            for (const DialogTemplate *t : PlatformDialogTemplates())
                PlatformAnswerDialog(t->name, IDCANCEL, true);
            for (char c : {'m', 'M', 'p', 'S', 't', 'E', 'g'}) {
                PlatformClearShownDialogs();
                TypeLetter(c);
                CHILD_CHECK(OnlyHighlighted(2));
                CHILD_CHECK(PlatformShownDialogs().size() == 1);
            }
            TypeLetter(exitLetter);
            return 0;
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
    }
}

// The settings file of the default build (Jix61MK2) in a root folder; the settings folder is made beforehand.
std::filesystem::path SettingsFileIn(const std::string &root)
{
    std::filesystem::path folder = std::filesystem::path(root) / "C" / "ProgramData" / "Ulvane" / "Jix61MK2";
    if (!std::filesystem::exists(folder))
        return {};
    for (const auto &entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".INI")
            return entry.path();
    return {};
}

TEST(MainMenu, ResetToDefaultWithCancelChangesNothing)
{
    ProgramStart start;
    start.rootFolder = MakeTestRootFolder("reset-cancel");
    start.makeFolders = {L"C:\\ProgramData\\Ulvane\\Jix61MK2"};
    ChildResult r = RunProgramInChild(start, []() {
        PlatformAnswerDialog(L"Reset to Default Setting", IDCANCEL);
        TypeLetter('r');
        std::vector<ShownDialog> shown = PlatformShownDialogs();
        CHILD_CHECK(shown.size() == 1);
        CHILD_CHECK(shown[0].templateName == L"MESSAGEOKCANCEL");
        CHILD_CHECK(shown[0].caption == L"Reset to Default Setting");
        CHILD_CHECK(shown[0].text == L"Program settings will be reset to default and the program will close");
        CHILD_CHECK(IsWindow(hwndMain) && OnlyHighlighted(0));
        // The program goes on: the menu still answers.
        PlatformPressKey(VK_TAB);
        CHILD_CHECK(OnlyHighlighted(1));
        PlatformClickButton(ahMenuButton[9]);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(SettingsFileIn(start.rootFolder).empty()) << "the settings file was deleted";
}

TEST(MainMenu, ResetToDefaultWithOkDeletesTheSettingsAndCloses)
{
    ProgramStart start;
    start.rootFolder = MakeTestRootFolder("reset-ok");
    start.makeFolders = {L"C:\\ProgramData\\Ulvane\\Jix61MK2"};
    // A first start writes the settings file; change a setting on disk to see the reset take effect.
    ChildResult r = RunProgramInChild(start, []() {
        PlatformClickButton(ahMenuButton[9]);
        return 0;
    });
    ASSERT_EQ(r.exitCode, 0);
    std::filesystem::path file = SettingsFileIn(start.rootFolder);
    ASSERT_FALSE(file.empty()) << "the first start wrote no settings file";

    r = RunProgramInChild(start, []() {
        PlatformAnswerDialog(L"Reset to Default Setting", IDOK);
        PlatformClickButton(ahMenuButton[8]);  // the program closes itself
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(file)) << "the settings file is still there";

    // The next start writes a new file from the start-up defaults.
    r = RunProgramInChild(start, []() {
        PlatformClickButton(ahMenuButton[9]);
        return 0;
    });
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(file));
}

TEST(MainMenu, ButtonClickIsACommandNotAKey)
{
    // Child id 429 ("E&xit") as a click closes the program whatever the highlight.
    ChildResult r = RunProgramInChild(ProgramStart(), []() {
        PlatformPressKey(VK_TAB);
        SendMessage(hwndMain, WM_COMMAND, MAKEWPARAM(429, BN_CLICKED), (LPARAM)ahMenuButton[9]);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
