// Test support: the device emulator's child process, its command pipe and raw access to its ports.
#include "support/emulator_client.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>

#ifndef TEST_BINARY_DIR
#define TEST_BINARY_DIR "."
#endif
#ifndef TEST_OUTPUT_DIR
#define TEST_OUTPUT_DIR "/tmp"
#endif

namespace emu {

namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void mkdirs(const std::string& path) {
    for (size_t i = 1; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '/') mkdir(path.substr(0, i).c_str(), 0755);
    }
}

}  // namespace

std::string MakeTempRoot(const std::string& name) {
    std::string base = std::string(TEST_OUTPUT_DIR "/roots");
    mkdirs(base);
    std::string tmpl = base + "/" + name + "-XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) return "";
    return buf.data();
}

Emulator::Emulator(const std::string& root, const std::vector<std::string>& ports,
                   const std::vector<std::string>& extraArgs)
    : root_(root) {
    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        error_ = std::string("pipe: ") + std::strerror(errno);
        return;
    }
    std::vector<std::string> args = {std::string(TEST_BINARY_DIR "/tools/devemu"), "--root", root};
    for (const auto& p : ports) {
        args.push_back("--port");
        args.push_back(p);
    }
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
    if (pid_ < 0) {
        error_ = std::string("fork: ") + std::strerror(errno);
        return;
    }
    std::string line = readLine(10000);
    if (line == "READY") {
        ready_ = true;
    } else {
        error_ = "devemu did not get ready (" + args[0] + "): '" + line + "'";
    }
}

Emulator::~Emulator() {
    if (pid_ > 0) {
        if (toChild_ >= 0) {
            signal(SIGPIPE, SIG_IGN);
            const char q[] = "quit\n";
            (void)!write(toChild_, q, sizeof q - 1);
        }
        int status = 0;
        bool gone = false;
        for (int i = 0; i < 200 && !gone; ++i) {
            if (waitpid(pid_, &status, WNOHANG) == pid_) gone = true;
            else usleep(10000);
        }
        if (!gone) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
        }
    }
    if (toChild_ >= 0) close(toChild_);
    if (fromChild_ >= 0) close(fromChild_);
}

std::string Emulator::readLine(int timeoutMs) {
    long long end = nowMs() + timeoutMs;
    for (;;) {
        size_t nl = buffered_.find('\n');
        if (nl != std::string::npos) {
            std::string line = buffered_.substr(0, nl);
            buffered_.erase(0, nl + 1);
            return line;
        }
        long long left = end - nowMs();
        if (left <= 0 || fromChild_ < 0) return "";
        pollfd pf{fromChild_, POLLIN, 0};
        int r = poll(&pf, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return "";
        char buf[4096];
        ssize_t n = read(fromChild_, buf, sizeof buf);
        if (n <= 0) return "";
        buffered_.append(buf, static_cast<size_t>(n));
    }
}

std::string Emulator::command(const std::string& line, int timeoutMs) {
    if (toChild_ < 0) return "";
    std::string l = line + "\n";
    signal(SIGPIPE, SIG_IGN);
    if (!WriteAll(toChild_, l)) return "";
    return readLine(timeoutMs);
}

bool Emulator::ok(const std::string& line, std::string* detail) {
    std::string a = command(line);
    if (a == "OK") {
        if (detail) detail->clear();
        return true;
    }
    if (a.rfind("OK ", 0) == 0) {
        if (detail) *detail = a.substr(3);
        return true;
    }
    if (detail) *detail = a;
    return false;
}

long Emulator::count(const std::string& port) {
    std::string d;
    if (!ok(port + " count", &d)) return -1;
    return std::strtol(d.c_str(), nullptr, 10);
}

std::string Emulator::received(const std::string& port) {
    std::string d, out;
    if (!ok(port + " received", &d)) return "";
    for (size_t i = 0; i + 1 < d.size(); i += 2) out.push_back(static_cast<char>(std::stoi(d.substr(i, 2), nullptr, 16)));
    return out;
}

bool Emulator::waitOpened(const std::string& port, int timeoutMs) {
    long long end = nowMs() + timeoutMs;
    do {
        std::string d;
        if (!ok(port + " state", &d)) return false;
        if (d == "open") return true;
        usleep(20000);
    } while (nowMs() < end);
    return false;
}

std::string Emulator::linkPath(const std::string& port) const { return root_ + "/dev/" + port; }

int OpenPort(const std::string& path) {
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    termios t{};
    if (tcgetattr(fd, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(fd, TCSANOW, &t);
    }
    return fd;
}

std::string ReadFor(int fd, int timeoutMs, size_t maxBytes) {
    std::string out;
    long long end = nowMs() + timeoutMs;
    while (out.size() < maxBytes) {
        long long left = end - nowMs();
        if (left <= 0) break;
        pollfd pf{fd, POLLIN, 0};
        int r = poll(&pf, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        char buf[4096];
        ssize_t n = read(fd, buf, std::min(sizeof buf, maxBytes - out.size()));
        if (n > 0) out.append(buf, static_cast<size_t>(n));
        else if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        else break;   // end of file or a broken link
    }
    return out;
}

std::string ReadUntil(int fd, const std::string& terminator, int timeoutMs) {
    std::string out;
    long long end = nowMs() + timeoutMs;
    while (out.find(terminator) == std::string::npos) {
        long long left = end - nowMs();
        if (left <= 0) break;
        pollfd pf{fd, POLLIN, 0};
        int r = poll(&pf, 1, static_cast<int>(left));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        char c;
        ssize_t n = read(fd, &c, 1);
        if (n == 1) out.push_back(c);
        else if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
        else break;
    }
    return out;
}

bool WriteAll(int fd, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
            pollfd pf{fd, POLLOUT, 0};
            poll(&pf, 1, 100);
        } else {
            return false;
        }
    }
    return true;
}

}  // namespace emu
