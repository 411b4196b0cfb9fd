// Device emulator: pseudo-terminal ports linked as <root>/dev/COMn, the event loop and the command interface.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <utility>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "device.h"

using namespace devemu;

namespace {

volatile sig_atomic_t gStop = 0;
void onSignal(int) { gStop = 1; }

Ms nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

constexpr Ms kForever = 1e300;
// Bytes kept for a reader that does not take them (the pseudo-terminal itself holds a few kilobytes more); beyond
// that frames are dropped, as on a serial line, so that a purge after a pause does not bring back old frames.
constexpr size_t kMaxPending = 512;
constexpr size_t kMaxReceived = 64 * 1024;

struct Port {
    std::string name;      // COM4
    std::string link;      // <root>/dev/COM4
    std::string slave;     // /dev/pts/N
    std::string kind;
    int master = -1;
    bool hup = true;       // nobody has the port open
    std::unique_ptr<Device> dev;
    double rate = 1;
    bool maxRate = false;
    Ms next = 0;
    Ms silentUntil = 0;
    long framesLeft = -1;  // periodic frames still to send after "frames N"; -1 without a limit
    long garbageBytes = 0, garbageLeft = 0;   // garbageLeft < 0: before every frame
    bool garbageRaw = false;
    bool badsum = false, torn = false;
    long frames = 0;
    std::string received, pending;
    std::vector<std::pair<Ms, Timed>> timed;
    uint32_t rngState = 1;
};

std::string hex(const std::string& s) {
    static const char* d = "0123456789ABCDEF";
    std::string r;
    for (unsigned char c : s) {
        r.push_back(d[c >> 4]);
        r.push_back(d[c & 15]);
    }
    return r;
}

bool unhex(const std::string& h, std::string& out) {
    std::string s;
    for (char c : h)
        if (c != ' ' && c != ':') s.push_back(c);
    if (s.size() % 2) return false;
    out.clear();
    for (size_t i = 0; i < s.size(); i += 2) {
        auto v = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) ? c - '0' : (std::tolower(c) >= 'a' && std::tolower(c) <= 'f') ? std::tolower(c) - 'a' + 10 : -1; };
        int hi = v(s[i]), lo = v(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out.push_back(static_cast<char>(hi * 16 + lo));
    }
    return true;
}

uint32_t nextRand(uint32_t& s) {
    s ^= s << 13;
    s ^= s >> 17;
    s ^= s << 5;
    return s;
}

bool mkdirs(const std::string& path) {
    std::string cur;
    std::stringstream ss(path);
    std::string part;
    if (!path.empty() && path[0] == '/') cur = "/";
    while (std::getline(ss, part, '/')) {
        if (part.empty()) continue;
        cur += part + "/";
        if (mkdir(cur.c_str(), 0755) != 0 && errno != EEXIST) return false;
    }
    return true;
}

// Opens a pty pair in raw mode and links it; err on failure.
bool openPort(Port& p, std::string& err) {
    int m = -1, s = -1;
    if (openpty(&m, &s, nullptr, nullptr, nullptr) != 0) {
        err = std::string("openpty: ") + std::strerror(errno);
        return false;
    }
    termios t{};
    tcgetattr(s, &t);
    cfmakeraw(&t);
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    tcsetattr(s, TCSANOW, &t);
    char name[256];
    if (ttyname_r(s, name, sizeof name) != 0) {
        err = "ttyname failed";
        close(m);
        close(s);
        return false;
    }
    close(s);   // the port counts as closed until the program opens it
    fcntl(m, F_SETFL, fcntl(m, F_GETFL) | O_NONBLOCK);
    fcntl(m, F_SETFD, FD_CLOEXEC);
    p.master = m;
    p.slave = name;
    p.hup = true;
    unlink(p.link.c_str());
    if (symlink(p.slave.c_str(), p.link.c_str()) != 0) {
        err = "cannot link " + p.link + ": " + std::strerror(errno);
        close(m);
        p.master = -1;
        return false;
    }
    return true;
}

// The link of a closed port dangles on purpose: it points at a name that never exists, so that a program that
// tries the port meets "no such device" and never another emulator's pseudo-terminal that took the old number.
std::string unpluggedTarget(const Port& p) { return p.link + ".unplugged"; }

void closePort(Port& p, bool relink = true) {
    if (p.master >= 0 && relink) {
        unlink(p.link.c_str());
        if (symlink(unpluggedTarget(p).c_str(), p.link.c_str()) != 0) unlink(p.link.c_str());
    }
    if (p.master >= 0) close(p.master);
    p.master = -1;
    p.hup = true;
    p.pending.clear();
    p.timed.clear();
}

// A link may be replaced when it dangles or points at a pseudo-terminal (ours from an earlier run).
bool linkReplaceable(const std::string& link, std::string& why) {
    struct stat st;
    if (lstat(link.c_str(), &st) != 0) return true;
    if (!S_ISLNK(st.st_mode)) {
        why = link + " exists and is not a link";
        return false;
    }
    char target[512];
    ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n < 0) return true;
    target[n] = 0;
    if (std::strncmp(target, "/dev/pts/", 9) == 0) return true;
    if (stat(link.c_str(), &st) != 0) return true;   // dangling
    why = link + " is linked to the device " + target;
    return false;
}

std::string applyFaults(Port& p, const std::string& frame, bool& counted) {
    std::string out;
    if (p.garbageLeft != 0 && p.garbageBytes > 0) {
        std::string avoid = p.garbageRaw ? std::string() : p.dev->markerBytes();
        for (long i = 0; i < p.garbageBytes;) {
            char c = static_cast<char>(nextRand(p.rngState) & 0xFF);
            if (avoid.find(c) != std::string::npos) continue;
            out.push_back(c);
            ++i;
        }
        if (p.garbageLeft > 0) --p.garbageLeft;
    }
    if (p.torn) {
        p.torn = false;
        out += frame.substr(0, frame.size() / 2);
    }
    out += frame;
    counted = true;
    return out;
}

void emitFrames(Port& p, const std::vector<std::string>& frames) {
    for (const auto& f : frames) {
        bool counted = false;
        p.pending += applyFaults(p, f, counted);
        if (counted) ++p.frames;
    }
}

// The device's own frames of one time slot, counted against a "frames N" limit.
void emitPeriodicFrames(Port& p, const std::vector<std::string>& frames) {
    emitFrames(p, frames);
    if (p.framesLeft > 0) p.framesLeft = std::max(0L, p.framesLeft - static_cast<long>(frames.size()));
}

void flush(Port& p) {
    while (!p.pending.empty() && p.master >= 0) {
        ssize_t n = write(p.master, p.pending.data(), p.pending.size());
        if (n > 0) {
            p.pending.erase(0, static_cast<size_t>(n));
        } else {
            break;
        }
    }
}

std::vector<std::string> words(const std::string& line) {
    std::vector<std::string> w;
    std::stringstream ss(line);
    std::string x;
    while (ss >> x) w.push_back(x);
    return w;
}

const char* kHelp =
    "commands: COMn silence MS | resume | frames N | garbage N [COUNT] [raw] | badsum | torn | close | reopen |\n"
    "          rate X|max | value ... | position LAT LON | walk HEADING SPEED [LINE [SPACING]] | count | send HEX | received |\n"
    "          state | path ; list ; quit";

struct Emulator {
    std::string root;
    std::vector<std::unique_ptr<Port>> ports;
    bool quit = false;

    Port* find(const std::string& name) {
        for (auto& p : ports)
            if (p->name == name) return p.get();
        return nullptr;
    }

    std::string command(const std::string& line) {
        auto w = words(line);
        if (w.empty()) return "";
        if (w[0] == "quit" || w[0] == "exit") {
            quit = true;
            return "OK";
        }
        if (w[0] == "help") {
            std::string h = kHelp;
            for (char& ch : h)
                if (ch == '\n') ch = ' ';
            return "OK " + h;
        }
        if (w[0] == "list") {
            std::string r = "OK";
            for (auto& p : ports) r += " " + p->name + "=" + p->kind;
            return r;
        }
        Port* p = find(w[0]);
        if (!p) return "ERR no port " + w[0];
        if (w.size() < 2) return "ERR missing command after " + w[0];
        const std::string& c = w[1];
        std::vector<std::string> args(w.begin() + 2, w.end());
        Ms now = nowMs();
        long n;
        if (c == "silence") {
            if (args.size() != 1 || !parseInt(args[0], n) || n < 0) return "ERR silence MS (0 = until resume)";
            p->silentUntil = n == 0 ? kForever : now + n;
            p->pending.clear();
            return "OK";
        }
        if (c == "resume") {
            p->silentUntil = 0;
            p->framesLeft = -1;
            return "OK";
        }
        if (c == "frames") {
            if (args.size() != 1 || !parseInt(args[0], n) || n < 0 || n > 1000000) return "ERR frames N";
            p->silentUntil = 0;
            p->framesLeft = n;
            return "OK";
        }
        if (c == "garbage") {
            long count = 1;
            bool raw = false;
            if (args.empty() || !parseInt(args[0], n) || n < 0 || n > 4096) return "ERR garbage N [COUNT] [raw]";
            for (size_t i = 1; i < args.size(); ++i) {
                if (args[i] == "raw") raw = true;
                else if (!parseInt(args[i], count) || count < 0) return "ERR garbage N [COUNT] [raw]";
            }
            p->garbageBytes = n;
            p->garbageLeft = count == 0 ? -1 : count;
            p->garbageRaw = raw;
            return "OK";
        }
        if (c == "badsum") {
            if (!p->dev->hasChecksum()) return "ERR " + p->kind + " frames carry no checksum";
            p->badsum = true;
            return "OK";
        }
        if (c == "torn") {
            p->torn = true;
            return "OK";
        }
        if (c == "close") {
            if (p->master < 0) return "ERR " + p->name + " is closed";
            closePort(*p);
            return "OK";
        }
        if (c == "reopen") {
            if (p->master >= 0) closePort(*p, false);
            std::string err;
            if (!openPort(*p, err)) return "ERR " + err;
            p->next = now;
            return "OK";
        }
        if (c == "rate") {
            double r;
            if (args.size() != 1) return "ERR rate X|max";
            if (args[0] == "max") {
                p->maxRate = true;
                return "OK";
            }
            if (!parseDouble(args[0], r) || r <= 0 || r > 100000) return "ERR rate X|max (X > 0)";
            p->maxRate = false;
            p->rate = r;
            p->next = now + p->dev->periodMs() / r;
            return "OK";
        }
        if (c == "value") {
            std::string e = p->dev->setValues(args);
            return e.empty() ? "OK" : "ERR " + e;
        }
        if (c == "count") return "OK " + std::to_string(p->frames);
        if (c == "send") {
            std::string bytes;
            if (args.empty()) return "ERR send HEX";
            std::string all;
            for (auto& a : args) all += a;
            if (!unhex(all, bytes)) return "ERR send HEX (pairs of hex digits)";
            if (p->master < 0) return "ERR " + p->name + " is closed";
            p->pending += bytes;
            flush(*p);
            return "OK";
        }
        if (c == "received") {
            std::string r = hex(p->received);
            p->received.clear();
            return r.empty() ? "OK" : "OK " + r;
        }
        if (c == "state") {
            if (p->master < 0) return "OK closed";
            service(*p, now);   // fresh news of whether the program has the port open
            return p->hup ? "OK idle" : "OK open";
        }
        if (c == "path") return "OK " + p->link + " " + (p->master >= 0 ? p->slave : std::string("closed"));
        std::string e = p->dev->control(c, args);
        return e.empty() ? "OK" : "ERR " + e;
    }

    // One turn of the loop for a port: input, due frames, timed answers, output.
    void service(Port& p, Ms now) {
        if (p.master < 0) return;
        pollfd pf{p.master, POLLIN, 0};
        poll(&pf, 1, 0);
        bool hupNow = (pf.revents & POLLHUP) != 0;
        if (pf.revents & POLLIN) {
            char buf[512];
            ssize_t n;
            while ((n = read(p.master, buf, sizeof buf)) > 0) {
                std::vector<Timed> out;
                for (ssize_t i = 0; i < n; ++i) {
                    if (p.received.size() < kMaxReceived) p.received.push_back(buf[i]);
                    p.dev->input(static_cast<unsigned char>(buf[i]), now, out);
                }
                for (auto& t : out) p.timed.push_back({now + t.delayMs / (p.maxRate ? 1 : std::max(1.0, p.rate)), t});
            }
        }
        if (hupNow && !p.hup) p.pending.clear();   // the program closed the port: what was queued is lost
        p.hup = hupNow;
        bool silent = now < p.silentUntil;
        // Answers and triggered frames.
        for (size_t i = 0; i < p.timed.size();) {
            if (p.timed[i].first > now) {
                ++i;
                continue;
            }
            Timed t = p.timed[i].second;
            p.timed.erase(p.timed.begin() + static_cast<long>(i));
            if (silent || p.hup) continue;
            if (t.frame) emitFrames(p, {t.bytes});
            else p.pending += t.bytes;
        }
        // Periodic frames.
        Ms period = p.dev->periodMs() / p.rate;
        if (p.maxRate) {
            while (!silent && !p.hup && p.framesLeft != 0 && p.dev->streaming(now) && p.pending.size() < kMaxPending) {
                emitPeriodicFrames(p, p.dev->nextFrames(std::exchange(p.badsum, false)));
                flush(p);
            }
            p.next = now;
        } else if (now >= p.next) {
            if (!silent && !p.hup && p.framesLeft != 0 && p.dev->streaming(now) && p.pending.size() < kMaxPending) {
                bool bad = p.badsum;
                p.badsum = false;
                emitPeriodicFrames(p, p.dev->nextFrames(bad));
            }
            p.next += period;
            if (p.next < now - 1000 || p.hup) p.next = now + period;
        }
        if (!p.hup) flush(p);
    }

    Ms nextWake(Ms now) const {
        Ms wake = now + 50;
        for (const auto& p : ports) {
            if (p->master < 0) continue;
            if (p->hup || p->maxRate) wake = std::min(wake, now + 5);
            wake = std::min(wake, p->next);
            for (const auto& t : p->timed) wake = std::min(wake, t.first);
            if (p->silentUntil > now && p->silentUntil < kForever) wake = std::min(wake, p->silentUntil);
        }
        return wake;
    }
};

void usage() {
    std::fprintf(stderr,
                 "usage: devemu [--root DIR] [--port COMn=DEVICE[:opt,opt=value...]]... [--seed N] [--no-stdin] [--demo]\n"
                 "devices: %s\n"
                 "without --port: COM4=em61mk2 COM6=gps COM7=tilt (the default ports of the EM61-MK2 build)\n%s\n",
                 deviceKinds(), kHelp);
}

bool parsePortSpec(const std::string& spec, Port& p, Options& opts, std::string& err) {
    auto eq = spec.find('=');
    if (eq == std::string::npos || spec.compare(0, 3, "COM") != 0) {
        err = "bad --port '" + spec + "' (COMn=DEVICE[:options])";
        return false;
    }
    p.name = spec.substr(0, eq);
    long n;
    if (!parseInt(p.name.substr(3), n) || n < 1 || n > 256) {
        err = "bad port name " + p.name;
        return false;
    }
    std::string rest = spec.substr(eq + 1);
    auto colon = rest.find(':');
    p.kind = rest.substr(0, colon);
    if (colon != std::string::npos) {
        std::stringstream ss(rest.substr(colon + 1));
        std::string o;
        while (std::getline(ss, o, ',')) {
            if (o.empty()) continue;
            auto e2 = o.find('=');
            if (e2 == std::string::npos) opts[o].assign(1, '1');   // a bare flag
            else opts[o.substr(0, e2)] = o.substr(e2 + 1);
        }
    }
    static const std::set<std::string> known = {"static", "rate", "answer", "coils", "commanded", "len", "dipole",
                                                "sep", "component", "range", "lead", "sensors", "format", "hz",
                                                "extra", "feet", "autostart"};
    for (const auto& [k, v] : opts) {
        if (!known.count(k)) {
            err = "unknown option '" + k + "' in " + spec;
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string root;
    std::vector<std::string> specs;
    uint32_t seed = 1;
    bool useStdin = true, force = false, demo = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) return false;
            out = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--root" && value(v)) root = v;
        else if (a == "--port" && value(v)) specs.push_back(v);
        else if (a == "--seed" && value(v)) seed = static_cast<uint32_t>(std::strtoul(v.c_str(), nullptr, 10));
        else if (a == "--no-stdin") useStdin = false;
        else if (a == "--force") force = true;
        else if (a == "--demo") demo = true;
        else if (a == "--help" || a == "-h") {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "devemu: bad argument '%s'\n", a.c_str());
            usage();
            return 2;
        }
    }
    if (root.empty()) {
        // The program's own root folder: $ULVANE_ROOT, else $XDG_DATA_HOME/ulvane-root, else ~/.local/share/ulvane-root.
        const char* env = std::getenv("ULVANE_ROOT");
        const char* xdg = std::getenv("XDG_DATA_HOME");
        const char* home = std::getenv("HOME");
        if (env && *env) root = env;
        else if (xdg && *xdg) root = std::string(xdg) + "/ulvane-root";
        else root = std::string(home && *home ? home : "/tmp") + "/.local/share/ulvane-root";
    }
    bool defaults = specs.empty();
    if (defaults) specs = {"COM4=em61mk2", "COM6=gps", "COM7=tilt"};

    signal(SIGINT, onSignal);
    signal(SIGTERM, onSignal);
    signal(SIGHUP, onSignal);
    signal(SIGPIPE, SIG_IGN);
    signal(SIGTTIN, SIG_IGN);

    Emulator emu;
    emu.root = root;
    Ground ground;   // the demo survey's, shared by the GPS and the instruments
    std::string devDir = root + "/dev";
    if (!mkdirs(devDir)) {
        std::fprintf(stderr, "devemu: cannot create %s: %s\n", devDir.c_str(), std::strerror(errno));
        return 1;
    }
    uint32_t k = 0;
    for (const auto& spec : specs) {
        auto p = std::make_unique<Port>();
        Options opts;
        std::string err;
        if (!parsePortSpec(spec, *p, opts, err)) {
            std::fprintf(stderr, "devemu: %s\n", err.c_str());
            return 2;
        }
        if (emu.find(p->name)) {
            std::fprintf(stderr, "devemu: %s given twice\n", p->name.c_str());
            return 2;
        }
        p->dev = makeDevice(p->kind, opts, seed * 7919u + k, err);
        if (!p->dev) {
            std::fprintf(stderr, "devemu: %s: %s\n", p->name.c_str(), err.c_str());
            return 2;
        }
        if (auto it = opts.find("rate"); it != opts.end()) {
            double r;
            if (it->second == "max") p->maxRate = true;
            else if (parseDouble(it->second, r) && r > 0) p->rate = r;
            else {
                std::fprintf(stderr, "devemu: %s: rate wants a number or max\n", p->name.c_str());
                return 2;
            }
        }
        if (demo) p->dev->ground = &ground;
        p->rngState = seed * 2654435761u + 17 * (k + 1);
        if (p->rngState == 0) p->rngState = 1;
        ++k;
        p->link = devDir + "/" + p->name;
        std::string why;
        if (!force && !linkReplaceable(p->link, why)) {
            if (defaults) {
                std::fprintf(stderr, "devemu: %s left alone: %s\n", p->name.c_str(), why.c_str());
                continue;
            }
            std::fprintf(stderr, "devemu: %s (use --force to replace it)\n", why.c_str());
            return 1;
        }
        if (!openPort(*p, err)) {
            std::fprintf(stderr, "devemu: %s\n", err.c_str());
            return 1;
        }
        p->next = nowMs();
        std::fprintf(stderr, "devemu: %s -> %s (%s)\n", p->link.c_str(), p->slave.c_str(), p->kind.c_str());
        emu.ports.push_back(std::move(p));
    }
    std::printf("READY\n");
    std::fflush(stdout);

    if (useStdin) fcntl(0, F_SETFL, fcntl(0, F_GETFL) | O_NONBLOCK);
    std::string inLine;
    while (!emu.quit && !gStop) {
        Ms now = nowMs();
        for (auto& p : emu.ports) emu.service(*p, now);
        now = nowMs();
        Ms wake = emu.nextWake(now);
        std::vector<pollfd> fds;
        if (useStdin) fds.push_back({0, POLLIN, 0});
        for (auto& p : emu.ports) {
            if (p->master >= 0 && !p->hup) {
                short ev = POLLIN;
                if (!p->pending.empty()) ev |= POLLOUT;
                fds.push_back({p->master, ev, 0});
            }
        }
        int timeout = static_cast<int>(std::max(0.0, std::min(50.0, wake - now)));
        int r = poll(fds.data(), fds.size(), timeout);
        if (r < 0 && errno != EINTR) break;
        if (useStdin && r > 0 && (fds[0].revents & (POLLIN | POLLHUP | POLLERR))) {
            char buf[1024];
            ssize_t n = read(0, buf, sizeof buf);
            if (n == 0) {
                emu.quit = true;   // the controlling side has gone
            } else if (n < 0) {
                if (errno != EAGAIN && errno != EINTR) useStdin = false;   // e.g. in the background of a terminal
            } else {
                inLine.append(buf, static_cast<size_t>(n));
                size_t nl;
                while ((nl = inLine.find('\n')) != std::string::npos) {
                    std::string line = inLine.substr(0, nl);
                    inLine.erase(0, nl + 1);
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    std::string answer = emu.command(line);
                    if (!answer.empty()) {
                        std::printf("%s\n", answer.c_str());
                        std::fflush(stdout);
                    }
                    if (emu.quit) break;
                }
            }
        }
    }
    for (auto& p : emu.ports) {
        char target[512];
        ssize_t n = readlink(p->link.c_str(), target, sizeof target - 1);
        if (n > 0) {
            target[n] = 0;
            if (p->slave == target || unpluggedTarget(*p) == target) unlink(p->link.c_str());
        }
        closePort(*p, false);
    }
    return 0;
}
