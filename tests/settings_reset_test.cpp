// "&Reset to Default": Cancel keeps the settings file byte for byte; OK deletes it, the program ends with 0 and
// the next start writes the default file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "core/core.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "support/program_runner.h"

namespace {

std::string ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Presses "&Reset to Default" and answers its question with `button`.
int PressResetAndAnswer(int button)
{
    PlatformAnswerDialog(L"Reset to Default Setting", button);
    PlatformClickButton(ahMenuButton[8]);
    std::vector<ShownDialog> shown = PlatformShownDialogs();
    CHILD_CHECK(!shown.empty());
    CHILD_CHECK(shown.back().templateName == L"MESSAGEOKCANCEL");
    CHILD_CHECK(shown.back().text == L"Program settings will be reset to default and the program will close");
    return 0;
}

int CloseProgram()
{
    PostMessage(hwndMain, WM_CLOSE, 0, 0);
    return 0;
}

TEST(SettingsReset, CancelKeepsTheFileAndOkDeletesIt)
{
    ProgramStart start;  // Jix EM61-MK2
    start.rootFolder = MakeTestRootFolder("settings-reset");
    setenv("ULVANE_ROOT", start.rootFolder.c_str(), 1);
    const std::string path = MapDrivePath(L"C:\\ProgramData\\Ulvane\\Jix61MK2\\Jix61MK2_225.INI");
    const std::string defaults = ReadAll(std::string(TEST_FIXTURE_DIR "/settings/Jix61MK2_225.INI"));
    ASSERT_FALSE(defaults.empty());

    // First start: the default file is written.
    ChildResult r = RunProgramInChild(start, CloseProgram);
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_EQ(ReadAll(path), defaults);

    // The operator's own data folder.
    std::string own = defaults;
    own.replace(own.find("C:\\\r\n"), 5, "D:\\Daten\\\r\n");
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << own;
    }

    // Cancel: the file stays byte for byte and the program runs on.
    r = RunProgramInChild(start, [] {
        PressResetAndAnswer(IDCANCEL);
        CHILD_CHECK(IsWindow(hwndMain));
        CHILD_CHECK(wcscmp(szDataFolder, L"D:\\Daten\\") == 0);
        return CloseProgram();
    });
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadAll(path), own);

    // OK: the file is deleted and the program ends with 0.
    r = RunProgramInChild(start, [] { return PressResetAndAnswer(IDOK); });
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(access(path.c_str(), F_OK), 0);

    // The next start writes the default file again.
    r = RunProgramInChild(start, [] {
        CHILD_CHECK(wcscmp(szDataFolder, L"C:\\") == 0);
        return CloseProgram();
    });
    ASSERT_TRUE(r.exited);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadAll(path), defaults);
}

}  // namespace
