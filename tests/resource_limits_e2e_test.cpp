// The real program under damaged settings files and process limits: it starts, mends the file, and never aborts.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

#include "core/core.h"
#include "core/settings.h"
#include "platform/platform.h"
#include "settings_test_support.h"
#include "support/program_runner.h"

// Allocations through operator new fail once this count, armed in a child, runs down to zero (memory running out
// in the middle of the toolkit's start).
static std::atomic<long> nAllocationsLeft{0};

void *operator new(size_t n)
{
    if (nAllocationsLeft.load(std::memory_order_relaxed) > 0 && --nAllocationsLeft == 0) throw std::bad_alloc();
    if (void *p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }

namespace {

size_t CountLines(const std::string &bytes)
{
    size_t n = 0;
    for (char c : bytes) n += c == '\n';
    return n;
}

int PressExit()
{
    PlatformClickButton(ahMenuButton[9]);
    return 0;
}

// The settings file of the Jix EM38-MK2 build under a fresh root, holding `bytes`; returns its path on disk.
std::string PlantSettingsFile(const std::string &root, const std::string &bytes)
{
    std::string folder = root + "/C/ProgramData/Ulvane/Jix38MK2";
    std::filesystem::create_directories(folder);
    std::string path = folder + "/Jix38MK2_217.INI";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
}

ProgramStart Jix38Mk2In(const std::string &root)
{
    ProgramStart start;
    start.instrumentType = INSTRUMENT_EM38MK2;
    start.jixProduct = 1;
    start.rootFolder = root;
    return start;
}

// A save killed right after its first line left only the version line; a file with a 100 MB folder line. The
// program shows its window and the file is whole again afterwards, in the layout a save writes.
TEST(DamagedSettingsFile, ProgramStartsAndWritesTheFileWhole)
{
    const std::string root = MakeTestRootFolder("resource-limits-fresh");
    const std::string path = PlantSettingsFile(root, "");
    std::filesystem::remove(path);
    ChildResult first = RunProgramInChild(Jix38Mk2In(root), PressExit);
    ASSERT_TRUE(first.exited);
    const std::string fresh = ReadBytes(path);
    ASSERT_GT(CountLines(fresh), 50u);

    const size_t nFolderEnd = fresh.find("\r\n", fresh.find("\r\n") + 2);
    const struct {
        const char *name;
        std::string bytes;
    } cases[] = {
        {"only the version line", "Ver2.17\r\n"},
        {"100 MB folder line", fresh.substr(0, nFolderEnd) + std::string(100u << 20, 'A') + fresh.substr(nFolderEnd)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const std::string caseRoot = MakeTestRootFolder("resource-limits-damaged");
        const std::string casePath = PlantSettingsFile(caseRoot, c.bytes);
        ChildResult r = RunProgramInChild(Jix38Mk2In(caseRoot), []() {
            CHILD_CHECK(hwndMain && IsWindowVisible(hwndMain));
            return PressExit();
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 0);
        EXPECT_EQ(ReadBytes(casePath), fresh);
    }
}

// With few descriptors left the save chooser is not opened (the toolkit would end the process from its helper
// thread): the call fails as a cancel, with the reason, and the program goes on to a clean exit.
TEST(ResourceLimits, FileChooserWithoutDescriptorsFailsAndTheProgramGoesOn)
{
    ChildResult r = RunProgramInChild(Jix38Mk2In(MakeTestRootFolder("resource-limits-fds")), []() {
        int nLowestFree = dup(0);
        CHILD_CHECK(nLowestFree >= 0);
        close(nLowestFree);
        struct rlimit old;
        CHILD_CHECK(getrlimit(RLIMIT_NOFILE, &old) == 0);
        struct rlimit low = old;
        low.rlim_cur = (rlim_t)nLowestFree + 4;
        CHILD_CHECK(setrlimit(RLIMIT_NOFILE, &low) == 0);
        wchar_t szFile[261] = L"C:\\data\\LINE001.TXT";
        OPENFILENAME ofn = {};
        ofn.hwndOwner = hwndMain;
        ofn.lpstrFile = szFile;
        ofn.nMaxFile = 261;
        ofn.lpstrTitle = L"Create Data File";
        BOOL bChosen = GetSaveFileName(&ofn);
        DWORD dwError = GetLastError();
        CHILD_CHECK(setrlimit(RLIMIT_NOFILE, &old) == 0);
        CHILD_CHECK(!bChosen);
        CHILD_CHECK(dwError == ERROR_TOO_MANY_OPEN_FILES);
        return PressExit();
    });
    EXPECT_TRUE(r.exited);
    EXPECT_EQ(r.signal, 0);
    EXPECT_EQ(r.exitCode, 0);
}

// Memory running out while the toolkit starts: a word on the error output and the program's own exit code (3),
// never an abort on an uncaught exception.
TEST(ResourceLimits, MemoryRunningOutAtStartEndsWithTheProgramsOwnCode)
{
    for (long nAllowed : {10L, 100L}) {
        SCOPED_TRACE(nAllowed);
        const std::string root = MakeTestRootFolder("resource-limits-memory");
        ChildResult r = RunInChild([&]() -> int {
            setenv("ULVANE_ROOT", root.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            try {
                nAllocationsLeft = nAllowed;
                return RunProgram(INSTRUMENT_CS21, 0, 0, nullptr);
            } catch (...) {
                return 99;  // escaped the program: a real start would abort here
            }
        });
        EXPECT_TRUE(r.exited);
        EXPECT_EQ(r.exitCode, 3);
    }
}

}  // namespace
