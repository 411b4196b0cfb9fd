// Test support: runs a program start in a forked child so that every start has fresh global state.
//
// The program keeps its state in process-wide globals, so each start runs in its own child process: the test
// forks, the child sets the build identity, starts the platform layer with the screen size of the test and an
// empty root folder ($ULVANE_ROOT), registers the classes and creates the main window exactly as the program's
// entry does, then runs the test's own steps (check globals, press keys, script dialog answers) and finally the
// program's message loop. The child's exit status is the program's exit code, or the code a failed check chose.
// The parent only forks and waits; it never starts Qt, so forking stays safe.
//
// Inside the child use CHILD_CHECK(condition) : it prints the failed condition and ends the child with exit code
// 100 + line % 100 (never 0, 2 or 16), so the parent's EXPECT on the exit code reports the failure.
#pragma once

#include <functional>
#include <string>
#include <vector>

struct ChildResult {
    bool exited = false;     // ended normally (not by a signal or the time-out)
    int exitCode = -1;       // the exit status when exited
    int signal = 0;          // the signal that ended it, or 0
    bool timedOut = false;   // killed after the time-out
};

// Runs `body` in a forked child; its result becomes the child's exit code. Stdout and stderr are shared.
ChildResult RunInChild(const std::function<int()> &body, int timeoutSeconds = 60);

struct ProgramStart {
    int instrumentType = -1;  // EM61-MK2
    int jixProduct = 1;       // logging line
    int screenWidth = 1920;
    int screenHeight = 1080;
    std::string rootFolder;   // $ULVANE_ROOT of the child; empty: a fresh folder is made for this start
    // Classes that fail to register / windows of a class that fail to be created (platform test hooks).
    const wchar_t *failRegisterClass = nullptr;
    const wchar_t *failWindowClass = nullptr;
    // Drive paths of folders made before the program starts (e.g. the settings folder C:\ProgramData\Ulvane\<caption>).
    std::vector<std::wstring> makeFolders;
    // The millisecond tick count the program sees from its start (empty: the system clock).
    std::function<unsigned int()> tickSource;
};

// A fresh empty folder under the build tree for one program start's files; returns its path.
std::string MakeTestRootFolder(const std::string &name);

// Starts the program in a child as its entry would. When the main window exists, `afterStart` runs (it may check
// globals, press keys and buttons; a non-zero result ends the child with that code at once), then the message
// loop runs until the program quits. Without a main window the child ends with the entry's code (2 or 16).
ChildResult RunProgramInChild(const ProgramStart &start, const std::function<int()> &afterStart = nullptr,
                              int timeoutSeconds = 60);

// Prints the failed condition and leaves the child process with a code that names the line.
[[noreturn]] void ChildCheckFailed(const char *condition, const char *file, int line);
#define CHILD_CHECK(cond)                                 \
    do {                                                  \
        if (!(cond))                                      \
            ChildCheckFailed(#cond, __FILE__, __LINE__);  \
    } while (0)
