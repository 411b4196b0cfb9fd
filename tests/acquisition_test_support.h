// Test support of the acquisition tests: a root with pseudo-terminals as COM ports and a recording log window.
#pragma once

#include "acquisition/acquisition.h"
#include "core/core.h"
#include "resources/resources.h"
#include "support/stand_in_windows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_THREAD__)
// ThreadSanitizer: Qt is not instrumented, so the hand-over of a queued call between threads (Qt's own atomic
// reference count and event-queue lock) is invisible to it; the slot object freed after the call shows up as a
// race inside Qt's invocation code. The sound library's own threads (PulseAudio, also uninstrumented) likewise.
// Nothing of the program's own is suppressed.
extern "C" const char *__tsan_default_suppressions()
{
    return "race:QMetaObject::invokeMethodImpl\n"
           "race:QtPrivate::QFunctorSlotObject\n"
           "race:QtPrivate::FunctorCall\n"
           "race:libpulse\n";
}
#endif

namespace acqtest {

// One private message as the logging screen received it: the payload it would read and the frame tick.
struct Received {
    UINT message;
    std::string bytes;
    DWORD tick;
    bool posted;
};

inline std::vector<Received> &ReceivedMessages()
{
    static std::vector<Received> v;
    return v;
}

// Window procedure of the stand-in logging screen: records every private message with what its handler reads.
inline LRESULT RecordingLogWndProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_USER + 10 && message <= WM_USER + 25) {
        Received r{message, std::string(), 0, false};
        const std::vector<uint8_t> &posted = GetMessageBytes();
        if (!posted.empty()) {
            r.bytes.assign(posted.begin(), posted.end());
            r.tick = GetMessageTick();
            r.posted = true;
        } else if (message == WM_GPS_POSITION || message == WM_GPS_DOP) {
            r.bytes = szGpsSentence;
            r.tick = dwGpsSentenceTick;
        } else if (message == WM_TILT_SENTENCE) {
            r.bytes = szTilt;
            r.tick = dwTiltTick;
        } else {
            int n = message == WM_EM38MK2_READING || message == WM_EM61MK2_READING ||
                            message == WM_EM61LX2_READING || message == WM_EM61LX2_DUAL_READING
                        ? 14
                        : message == WM_EM384_READING ? 26 : (int)strlen(szInstrumentRecord);
            r.bytes.assign(szInstrumentRecord, (size_t)n);
            // The sentence readers stamp dwInstrumentDataTick, the frame readers adwFrameTick[0].
            r.tick = (message == WM_DUALEM_READING || message == WM_GRAD601_READING) ? dwInstrumentDataTick.load()
                                                                                    : adwFrameTick[0].load();
        }
        ReceivedMessages().push_back(r);
        return 0;
    }
    return DefWindowProc(hwnd, message, wParam, lParam);
}

// Starts the platform once, registers the resources and the two window classes, and makes the stand-in logging
// screen (hwndLog) and the GPS monitor (hwndGpsMonitor, which carries readers' calls to this thread).
inline void InitAcquisitionTestWindows()
{
    static bool bDone = false;
    if (bDone) return;
    bDone = true;
    StartStandInLogScreen(RecordingLogWndProc, L"AcqTestLogWnd", 800, 600);
    nClientWidth = 800;
    nClientHeight = 600;
    RegisterGpsMonitorClass(hInst);
    hwndGpsMonitor =
        CreateWindow(L"MonitorGPSWnd", L"Monitor GPS", WS_CHILD, 0, 0, 800, 600, hwndMain, 780, hInst, nullptr);
}

// Waits (serving the user-interface thread's messages) until pred holds or ms passed.
template <class Pred> bool WaitUntil(Pred pred, int ms = 5000)
{
    return PlatformWaitFor([&] { return (bool)pred(); }, ms);
}

inline int CountOpenDescriptors()
{
    int n = 0;
    DIR *d = opendir("/proc/self/fd");
    if (!d) return -1;
    while (readdir(d)) ++n;
    closedir(d);
    return n;
}

// A temporary root folder with pseudo-terminals linked as <root>/dev/COMn; the test holds the master ends.
class PortRoot {
public:
    PortRoot()
    {
        char tmpl[] = "/tmp/ulvane-acq-XXXXXX";
        if (mkdtemp(tmpl)) root_ = tmpl;
        setenv("ULVANE_ROOT", root_.c_str(), 1);
        mkdir((root_ + "/dev").c_str(), 0755);
    }
    ~PortRoot()
    {
        for (int fd : masters_)
            if (fd >= 0) close(fd);
        std::string cmd = "rm -rf '" + root_ + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    PortRoot(const PortRoot &) = delete;
    PortRoot &operator=(const PortRoot &) = delete;

    const std::string &root() const { return root_; }

    // Opens a pseudo-terminal, links its slave end as COM<n> (replacing a link there) and returns the master.
    int AddPty(int n)
    {
        int m = posix_openpt(O_RDWR | O_NOCTTY);
        if (m < 0) return -1;
        grantpt(m);
        unlockpt(m);
        std::string link = root_ + "/dev/COM" + std::to_string(n);
        unlink(link.c_str());
        if (symlink(ptsname(m), link.c_str()) != 0) {
            close(m);
            return -1;
        }
        masters_.push_back(m);
        return m;
    }
    // Links COM<n> to a path (a regular file, a missing target).
    void LinkTo(int n, const std::string &target)
    {
        std::string link = root_ + "/dev/COM" + std::to_string(n);
        unlink(link.c_str());
        if (symlink(target.c_str(), link.c_str()) != 0) {
        }
    }
    void CloseMaster(int m)
    {
        for (int &fd : masters_)
            if (fd == m) {
                close(fd);
                fd = -1;
            }
    }

private:
    std::string root_;
    std::vector<int> masters_;
};

inline bool WriteBytes(int fd, const std::string &bytes)
{
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                usleep(1000);
                continue;
            }
            return false;
        }
        done += (size_t)n;
    }
    return true;
}

// Reads what the program wrote to a port during ms (or until want bytes are in), serving the user-interface thread.
inline std::string ReadMaster(int m, size_t want, int ms = 3000)
{
    std::string got;
    WaitUntil(
        [&] {
            struct pollfd p {
                m, POLLIN, 0
            };
            while (poll(&p, 1, 0) > 0 && (p.revents & POLLIN)) {
                char buf[256];
                ssize_t n = read(m, buf, sizeof buf);
                if (n <= 0) break;
                got.append(buf, (size_t)n);
            }
            return got.size() >= want;
        },
        ms);
    return got;
}

// Ends a reader thread: waits (serving messages) until it is signalled; true when it ended within ms.
inline bool ThreadEnds(HANDLE hThread, int ms = 5000)
{
    return WaitUntil([&] { return WaitForSingleObject(hThread, 0) == WAIT_OBJECT_0; }, ms);
}

inline std::vector<ShownDialog> DialogsWithText(const std::wstring &part)
{
    std::vector<ShownDialog> out;
    for (const ShownDialog &d : PlatformShownDialogs())
        if (d.text.find(part) != std::wstring::npos) out.push_back(d);
    return out;
}

// EM61-MK2 frame: letter, 12 data bytes, 0x7F 0x7F.
inline std::string Em61Frame(char letter, int seed)
{
    std::string f(1, letter);
    for (int i = 0; i < 12; ++i) f += (char)(0x20 + (seed * 7 + i * 3) % 90);
    f += "\x7F\x7F";
    return f;
}

}  // namespace acqtest
