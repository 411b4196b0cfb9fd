// Test support: starts the device emulator (devemu) as a child process and talks to it and to its ports.
//
// Typical end-to-end use:
//
//     std::string root = emu::MakeTempRoot("em61_logging");
//     emu::Emulator dev(root, {"COM4=em61mk2:static", "COM6=gps:format=1"});
//     ASSERT_TRUE(dev.ready()) << dev.error();
//     setenv("ULVANE_ROOT", root.c_str(), 1);      // the program resolves COMn to <root>/dev/COMn
//     dev.command("COM4 value 10 20 30 40");        // "OK" or "ERR ..."
//     ... run the program ...
//     EXPECT_GT(dev.count("COM4"), 0);
//
// Port specs are those of devemu's --port option: "COMn=DEVICE[:opt,opt=value...]" (see tools/README.md).
// The emulator only sends while some process has the port open, so frames start when the program opens it.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace emu {

// Creates a fresh, empty folder under TEST_OUTPUT_DIR/roots/ (left in place for inspection) and returns its path.
std::string MakeTempRoot(const std::string& name);

class Emulator {
public:
    // Starts TEST_BINARY_DIR/tools/devemu --root root --port spec... [extraArgs...] and waits up to 10 s for its
    // "READY" line. ready() tells whether that came; error() says why not.
    Emulator(const std::string& root, const std::vector<std::string>& ports,
             const std::vector<std::string>& extraArgs = {});
    // Sends "quit", waits a moment, then kills the child if it is still there. The port links are removed.
    ~Emulator();
    Emulator(const Emulator&) = delete;
    Emulator& operator=(const Emulator&) = delete;

    bool ready() const { return ready_; }
    const std::string& error() const { return error_; }
    const std::string& root() const { return root_; }
    pid_t pid() const { return pid_; }

    // Sends one command line (e.g. "COM4 silence 500") and returns the answer line: "OK", "OK <detail>" or
    // "ERR <reason>"; "" when no answer came within timeoutMs or the emulator has gone.
    std::string command(const std::string& line, int timeoutMs = 5000);
    // command() that is true on "OK"; the text after "OK " goes to *detail when given.
    bool ok(const std::string& line, std::string* detail = nullptr);
    // Frames (or sentences) the port has sent so far; -1 on error.
    long count(const std::string& port);
    // Bytes the program wrote to the port since the last call (decoded from the emulator's hex).
    std::string received(const std::string& port);
    // Waits until some process (the program) has the port open; false after timeoutMs.
    bool waitOpened(const std::string& port, int timeoutMs = 10000);
    // <root>/dev/COMn.
    std::string linkPath(const std::string& port) const;

private:
    std::string readLine(int timeoutMs);
    std::string root_;
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    std::string buffered_;
    bool ready_ = false;
    std::string error_;
};

// Opens a linked port the way a program would (read/write, raw, non-blocking); -1 on failure.
int OpenPort(const std::string& path);
// Reads what arrives on fd during timeoutMs (stops early once maxBytes are in). Read errors and end of file stop it.
std::string ReadFor(int fd, int timeoutMs, size_t maxBytes = 1 << 20);
// Reads until the text holds `terminator` (inclusive) or timeoutMs passed; returns everything read.
std::string ReadUntil(int fd, const std::string& terminator, int timeoutMs);
// Writes all bytes to fd; false on error.
bool WriteAll(int fd, const std::string& bytes);

}  // namespace emu
