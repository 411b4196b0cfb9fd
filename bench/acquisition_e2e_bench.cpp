// End to end: the device emulator streams frames through a pseudo-terminal to each instrument reader; frames
// delivered to the logging-screen window are counted against frames sent, at 100 times the real rate and at the
// line's top speed, and the process's processor time is measured at the real rate.
#include "acquisition/acquisition.h"
#include "core/core.h"
#include "core/settings.h"
#include "resources/resources.h"
#include "tests/support/stand_in_windows.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

// The emulator as a child process: commands on its standard input, answers on its standard output.
class DeviceEmulator {
public:
    DeviceEmulator(const std::string &root, const std::string &port)
    {
        char self[PATH_MAX] = {};
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        std::string dir = n > 0 ? std::string(self, (size_t)n) : std::string();
        dir = dir.substr(0, dir.rfind('/'));
        std::string exe = dir + "/../tools/devemu";
        int in[2], out[2];
        if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            execl(exe.c_str(), exe.c_str(), "--root", root.c_str(), "--port", port.c_str(), (char *)nullptr);
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toChild_ = in[1];
        fromChild_ = out[0];
        ready_ = ReadLine(10000) == "READY";
    }
    ~DeviceEmulator()
    {
        if (pid_ > 0) {
            Command("quit", 1000);
            close(toChild_);
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (fromChild_ >= 0) close(fromChild_);
    }
    bool ready() const { return ready_; }
    std::string Command(const std::string &line, int timeoutMs = 5000)
    {
        std::string l = line + "\n";
        if (write(toChild_, l.data(), l.size()) != (ssize_t)l.size()) return "";
        return ReadLine(timeoutMs);
    }
    long Count(const std::string &port)
    {
        std::string a = Command(port + " count");
        return a.rfind("OK ", 0) == 0 ? atol(a.c_str() + 3) : -1;
    }

private:
    std::string ReadLine(int timeoutMs)
    {
        for (int waited = 0; waited < timeoutMs; waited += 10) {
            size_t nl = buffered_.find('\n');
            if (nl != std::string::npos) {
                std::string line = buffered_.substr(0, nl);
                buffered_.erase(0, nl + 1);
                return line;
            }
            struct pollfd p {
                fromChild_, POLLIN, 0
            };
            if (poll(&p, 1, 10) > 0) {
                char buf[512];
                ssize_t n = read(fromChild_, buf, sizeof buf);
                if (n <= 0) return "";
                buffered_.append(buf, (size_t)n);
            }
        }
        return "";
    }
    pid_t pid_ = -1;
    int toChild_ = -1, fromChild_ = -1;
    std::string buffered_;
    bool ready_ = false;
};

long gnDelivered = 0;
UINT gnCountedMessage = 0;

LRESULT CountingLogWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == gnCountedMessage) {
        ++gnDelivered;
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

void InitWindows()
{
    static bool bDone = false;
    if (bDone) return;
    bDone = true;
    StartStandInLogScreen(CountingLogWndProc, L"BenchLogWnd", 400, 300);
}

double ProcessCpuSeconds()
{
    struct rusage ru;
    getrusage(RUSAGE_SELF, &ru);
    return ru.ru_utime.tv_sec + ru.ru_utime.tv_usec / 1e6 + ru.ru_stime.tv_sec + ru.ru_stime.tv_usec / 1e6;
}

struct DeviceCase {
    const char *device;  // emulator device and options after "COM4="
    int instrumentType;
    THREADPROC reader;
    UINT message;
    double frameMs;  // real frame period
    int recordLength;
};

const DeviceCase kCases[] = {
    {"em61mk2:commanded,static", INSTRUMENT_EM61MK2, ContinuousFrameReaderThread, WM_EM61MK2_READING, 55.08, 12},
    {"em31mk2:static", INSTRUMENT_EM31MK2, TextFrameReaderThread, WM_EM31MK2_READING, 95.24, 12},
    {"em38:len=12,static", INSTRUMENT_EM38, TextFrameReaderThread, WM_EM38_READING, 91, 12},
    {"em34:static", INSTRUMENT_EM34, TextFrameReaderThread, WM_EM34_READING, 100, 12},
    {"em38mk2:static", INSTRUMENT_EM38MK2, BinaryFrameReaderThread, WM_EM38MK2_READING, 47, 14},
    {"em384:static", INSTRUMENT_EM384, Em384PortThread, WM_EM384_READING, 100, 26},
    {"cs21:static", INSTRUMENT_CS21, DualEmPortThread, WM_DUALEM_READING, 50, 9},
    {"grad601:static", INSTRUMENT_GRAD601, GradPortReaderThread, WM_GRAD601_READING, 91, 9},
};

// rate: "100" (times the real rate), "max" or "1"; seconds of streaming.
void RunDevice(benchmark::State &state, int nCase, const char *rate, double seconds, bool measureCpu)
{
    InitWindows();
    const DeviceCase &c = kCases[nCase];
    char tmpl[] = "/tmp/ulvane-bench-XXXXXX";
    std::string root = mkdtemp(tmpl);
    setenv("ULVANE_ROOT", root.c_str(), 1);
    DeviceEmulator emu(root, std::string("COM4=") + c.device);
    if (!emu.ready()) {
        state.SkipWithError("device emulator did not start");
        return;
    }
    emu.Command("COM4 silence 0");
    emu.Command(std::string("COM4 rate ") + rate);
    nInstrumentType = c.instrumentType;
    nInstrumentPort = 3;
    nInstrumentBaudIndex = 4;
    nInstrumentRecordLength = c.recordLength;
    nFrameDecimation = 1;
    nFrameCount = 0;
    gnCountedMessage = c.message;
    for (auto _ : state) {
        gnDelivered = 0;
        if (!OpenInstrumentPort(0)) {
            state.SkipWithError("port did not open");
            return;
        }
        HANDLE hThread = CreateThread(nullptr, 0, c.reader, nullptr, 0, nullptr);
        PlatformPump(300);
        long nStart = emu.Count("COM4");
        double dCpu0 = ProcessCpuSeconds();
        emu.Command("COM4 resume");
        PlatformPump((int)(seconds * 1000));
        // Silencing drops what the emulator still had queued (at most 512 bytes, already counted as sent): at the
        // line's top speed "lost" includes those frames, which never reached the port.
        emu.Command("COM4 silence 0");
        double dCpu1 = ProcessCpuSeconds();
        PlatformPump(700);  // the frames on their way arrive
        long nSent = emu.Count("COM4") - nStart;
        StopInstrumentReaders();
        PlatformWaitFor([&] { return WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; }, 3000);
        CloseHandle(hThread);
        state.counters["sent"] = (double)nSent;
        state.counters["delivered"] = (double)gnDelivered;
        state.counters["lost"] = (double)(nSent - gnDelivered);
        state.counters["frames_per_s"] = nSent / seconds;
        state.counters["x_real_rate"] = nSent / seconds * c.frameMs / 1000.0;
        if (measureCpu) state.counters["cpu_percent"] = (dCpu1 - dCpu0) / seconds * 100.0;
    }
    std::string cmd = "rm -rf '" + root + "'";
    if (system(cmd.c_str()) != 0) {
    }
}

void BM_HundredTimesRealRate(benchmark::State &state)
{
    RunDevice(state, (int)state.range(0), "100", 3.0, false);
}
BENCHMARK(BM_HundredTimesRealRate)->DenseRange(0, 7)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_LineTopSpeed(benchmark::State &state)
{
    RunDevice(state, (int)state.range(0), "max", 2.0, true);
}
BENCHMARK(BM_LineTopSpeed)->DenseRange(0, 7)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_RealRateProcessorLoad(benchmark::State &state)
{
    RunDevice(state, (int)state.range(0), "1", 5.0, true);
}
BENCHMARK(BM_RealRateProcessorLoad)->DenseRange(0, 7)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
