// Message dialogs: results of OK, Cancel, Yes, No, Escape and Enter, the shown text and caption, two in a row.
#include <gtest/gtest.h>

#include <string>

#include "core/core.h"
#include "resources/resources.h"
#include "support/program_runner.h"

namespace {

// Starts the platform layer in the child with the program's resources, as the program's start does.
void StartDialogsInChild()
{
    static char arg0[] = "message-dialogs-test";
    static char *argv[] = {arg0, nullptr};
    hInst = PlatformInit(1, argv);
    RegisterResources();
}

struct AnswerCase {
    const wchar_t *templateName;
    const char *answer;  // "button 1", "button 2", "escape", "enter"
    int expected;
};

TEST(MessageDialogs, AnswersGiveTheirResults)
{
    const AnswerCase cases[] = {
        {L"MESSAGEOK", "button 1", 1},      {L"MESSAGEOK", "enter", 1},
        {L"MESSAGEOK", "escape", 0},        {L"MESSAGEOKCANCEL", "button 1", 1},
        {L"MESSAGEOKCANCEL", "button 2", 0}, {L"MESSAGEOKCANCEL", "escape", 0},
        {L"MESSAGEOKCANCEL", "enter", 1},   {L"MESSAGEYESNO", "button 1", 1},
        {L"MESSAGEYESNO", "button 2", 0},   {L"MESSAGEYESNO", "escape", 0},
        {L"MESSAGEYESNO", "enter", 1},
    };
    ChildResult r = RunInChild([&cases]() {
        StartDialogsInChild();
        int n = 0;
        for (const AnswerCase &c : cases) {
            std::string answer = c.answer;
            PlatformScriptDialog(c.templateName, [answer](HWND dialog) {
                if (answer == "button 1")
                    PlatformPressDialogButton(dialog, 1);
                else if (answer == "button 2")
                    PlatformPressDialogButton(dialog, 2);
                else
                    PlatformPressKey(answer == "enter" ? VK_RETURN : VK_ESCAPE);
            });
            int result = ShowMessageDialog(nullptr, c.templateName, L"QUESTION", L"Answer?");
            if (result != c.expected)
                fprintf(stderr, "%ls with %s gave %d\n", c.templateName, c.answer, result);
            CHILD_CHECK(result == c.expected);
            n++;
        }
        CHILD_CHECK((int)PlatformShownDialogs().size() == n);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(MessageDialogs, ShowsTheCallersTextAndCaptionTwoInARow)
{
    ChildResult r = RunInChild([]() {
        StartDialogsInChild();
        struct Seen { std::wstring text, caption; bool hiddenLine, textShown; };
        std::vector<Seen> seen;
        auto look = [&seen](HWND dialog) {
            wchar_t text[300] = {}, caption[200] = {};
            GetDlgItemText(dialog, IDC_MESSAGE_TEXT, text, 300);
            GetWindowText(dialog, caption, 200);
            seen.push_back({text, caption, IsWindowVisible(GetDlgItem(dialog, IDC_MESSAGE_HIDDEN)) != 0,
                            IsWindowVisible(GetDlgItem(dialog, IDC_MESSAGE_TEXT)) != 0});
            PlatformPressDialogButton(dialog, 1);
        };
        PlatformScriptDialog(L"MESSAGEOK", look);
        PlatformScriptDialog(L"MESSAGEYESNO", look);
        // The caller's pattern: fill the two buffers, then open the template.
        swprintf(szMessageText, 256, L"%ls\r\n%ls", L"File not found", L"C:\\DATA\\A.M61");
        swprintf(szMessageTitle, 128, L"%ls", L"FILE ERROR");
        CHILD_CHECK(OpenMessageDialog(nullptr, L"MESSAGEOK") == 1);
        swprintf(szMessageText, 256, L"%ls", L"Exit Logging?");
        swprintf(szMessageTitle, 128, L"%ls", L"Confirm Exit");
        CHILD_CHECK(OpenMessageDialog(nullptr, L"MESSAGEYESNO") == 1);
        CHILD_CHECK(seen.size() == 2);
        CHILD_CHECK(seen[0].text == L"File not found\r\nC:\\DATA\\A.M61" && seen[0].caption == L"FILE ERROR");
        CHILD_CHECK(seen[1].text == L"Exit Logging?" && seen[1].caption == L"Confirm Exit");
        CHILD_CHECK(!seen[0].hiddenLine && seen[0].textShown);
        std::vector<ShownDialog> shown = PlatformShownDialogs();
        CHILD_CHECK(shown.size() == 2 && shown[1].caption == L"Confirm Exit" && shown[1].text == L"Exit Logging?");
        CHILD_CHECK(shown[1].templateName == L"MESSAGEYESNO");
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

TEST(MessageDialogs, LongTextsAreCutToTheBuffers)
{
    ChildResult r = RunInChild([]() {
        StartDialogsInChild();
        PlatformAnswerDialog(L"MESSAGEOK", 1);
        std::wstring longText(400, L'a'), longTitle(200, L'T');
        CHILD_CHECK(ShowMessageDialog(nullptr, L"MESSAGEOK", longTitle.c_str(), longText.c_str()) == 1);
        CHILD_CHECK(wcslen(szMessageText) == 255 && wcslen(szMessageTitle) == 127);
        // An unknown template shows nothing and counts as not confirmed.
        CHILD_CHECK(ShowMessageDialog(nullptr, L"NOSUCHMESSAGE", L"X", L"Y") == 0);
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

// Every box makes window objects (the dialog and its controls); once the boxes are gone and the loop is back at
// its top, they are freed: many boxes leave no more objects than a few do.
TEST(MessageDialogs, WindowObjectsOfClosedBoxesAreFreed)
{
    ChildResult r = RunInChild([]() {
        StartDialogsInChild();
        PlatformAnswerDialog(L"MESSAGEOK", 1, true);
        auto boxes = [](int n) {
            for (int i = 0; i < n; i++) CHILD_CHECK(ShowMessageDialog(nullptr, L"MESSAGEOK", L"WARNING", L"Refused") == 1);
            PlatformPump(20);
            return PlatformWindowObjectCount();
        };
        long nAfterFew = boxes(20);
        long nAfterMany = boxes(200);
        if (nAfterMany > nAfterFew) fprintf(stderr, "window objects: %ld after 20 boxes, %ld after 220\n", nAfterFew, nAfterMany);
        CHILD_CHECK(nAfterMany <= nAfterFew);
        PlatformClearShownDialogs();
        return 0;
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
}

}  // namespace
