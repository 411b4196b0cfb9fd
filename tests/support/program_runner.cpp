// Test support: runs a program start in a forked child so that every start has fresh global state.
#include "support/program_runner.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "core/core.h"
#include "resources/resources.h"

ChildResult RunInChild(const std::function<int()> &body, int timeoutSeconds)
{
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    ChildResult result;
    if (pid < 0)
        return result;
    if (pid == 0) {
        int code = body();
        fflush(stdout);
        fflush(stderr);
        _exit(code);
    }
    int status = 0;
    for (int waitedMs = 0;; waitedMs += 20) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR)
            return result;
        if (waitedMs >= timeoutSeconds * 1000) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            return result;
        }
        usleep(20000);
    }
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
    return result;
}

std::string MakeTestRootFolder(const std::string &name)
{
    std::filesystem::path path = std::filesystem::path(TEST_OUTPUT_DIR) / "roots" / name;
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
    std::filesystem::create_directories(path, ec);
    return path.string();
}

void ChildCheckFailed(const char *condition, const char *file, int line)
{
    fprintf(stderr, "%s:%d: check failed in the program's process: %s\n", file, line, condition);
    fflush(stderr);
    _exit(100 + line % 100);
}

ChildResult RunProgramInChild(const ProgramStart &start, const std::function<int()> &afterStart, int timeoutSeconds)
{
    static int nStart = 0;
    std::string root = start.rootFolder;
    if (root.empty())
        root = MakeTestRootFolder("start-" + std::to_string(getpid()) + "-" + std::to_string(++nStart));
    return RunInChild(
        [&]() -> int {
            setenv("ULVANE_ROOT", root.c_str(), 1);
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            nInstrumentType = start.instrumentType;
            bJixProduct = start.jixProduct;
            static char arg0[] = "fieldlogger-test";
            static char *argv[] = {arg0, nullptr};
            HINSTANCE inst = PlatformInit(1, argv);
            PlatformSetScreenSize(start.screenWidth, start.screenHeight);
            if (start.failRegisterClass)
                PlatformFailRegisterClass(start.failRegisterClass);
            if (start.failWindowClass)
                PlatformFailWindowClass(start.failWindowClass);
            if (start.tickSource)
                PlatformSetTickSource([source = start.tickSource]() { return (DWORD)source(); });
            for (const std::wstring &folder : start.makeFolders)
                std::filesystem::create_directories(MapDrivePath(folder.c_str()));
            // The program's entry, in its steps, with the test's own steps before the message loop.
            RegisterResources();
            if (RegisterWindowClasses(inst) != 0)
                return 2;
            if (!InitInstance(inst, nullptr, SW_SHOWNORMAL))
                return 16;
            if (afterStart) {
                int code = afterStart();
                if (code != 0)
                    return code;
            }
            return ReturnExitCode(inst, ProgramMessageLoop());
        },
        timeoutSeconds);
}
