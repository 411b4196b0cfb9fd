// Serial ports on termios: exclusive opening, line settings, time-outs read with poll, purge, modem lines.
#include "platform/posix/kernel_internal.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct PortObject : KernelObject {
    PortObject() : KernelObject(KernelKind::Port) {}
    int fd = -1;
    int wakeFd = -1;  // readable once the port is closed (never drained)
    bool pseudoTerminal = false;
    std::string path;
    std::mutex readLock;   // one reader at a time
    std::mutex writeLock;  // one writer at a time
    std::mutex bufLock;    // the layer's receive buffer
    std::vector<uint8_t> inBuf;
    size_t inPos = 0;
    std::mutex settingsLock;
    COMMTIMEOUTS timeouts{};
    DCB dcb{};
    bool haveDcb = false;

    void WakeBlockedCalls() override {
        if (wakeFd >= 0) {
            uint64_t one = 1;
            ssize_t n = write(wakeFd, &one, sizeof one);
            (void)n;
        }
    }
    void ReleaseResources() override {
        if (fd >= 0) {
            ioctl(fd, TIOCNXCL);
            close(fd);  // also drops the advisory lock
        }
        if (wakeFd >= 0) close(wakeFd);
        fd = wakeFd = -1;
    }
    size_t Buffered() {
        std::lock_guard<std::mutex> g(bufLock);
        return inBuf.size() - inPos;
    }
    size_t TakeBuffered(uint8_t *out, size_t max) {
        std::lock_guard<std::mutex> g(bufLock);
        size_t n = std::min(max, inBuf.size() - inPos);
        if (n == 0) return 0;
        memcpy(out, inBuf.data() + inPos, n);
        inPos += n;
        if (inPos == inBuf.size()) {
            inBuf.clear();
            inPos = 0;
        }
        return n;
    }
    void AddBuffered(const uint8_t *in, size_t n) {
        std::lock_guard<std::mutex> g(bufLock);
        inBuf.insert(inBuf.end(), in, in + n);
    }
    void DropBuffered() {
        std::lock_guard<std::mutex> g(bufLock);
        inBuf.clear();
        inPos = 0;
    }
};


// Failure of a read or write on an open port: a vanished or hung-up device is a broken link.
DWORD PortIoError(int err) {
    switch (err) {
    case EIO:
    case ENODEV:
    case ENXIO:
    case EPIPE: return ERROR_GEN_FAILURE;
    default: return ErrnoToError(err);
    }
}

// A port read or write that ends early: the count done so far (where asked for) and the error; FALSE.
BOOL FailPortIo(DWORD *pdwDone, DWORD dwDone, DWORD dwError) {
    if (pdwDone) *pdwDone = dwDone;
    SetLastError(dwError);
    return FALSE;
}

struct BaudEntry { DWORD baud; speed_t code; };
const BaudEntry kBauds[] = {
    {110, B110},       {300, B300},       {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},     {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool BaudCode(DWORD baud, speed_t *code) {
    for (const BaudEntry &e : kBauds)
        if (e.baud == baud) {
            *code = e.code;
            return true;
        }
    return false;
}

DWORD BaudValue(speed_t code) {
    for (const BaudEntry &e : kBauds)
        if (e.code == code) return e.baud;
    return 9600;
}

using Clock = std::chrono::steady_clock;

int RemainingMs(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return 0;
    return left > 0x7FFFFFFF ? 0x7FFFFFFF : (int)left;
}

}  // namespace

HANDLE OpenSerialPort(const wchar_t *name) {
    int n = ParseComPortName(WideToUtf8(name).c_str());
    if (n <= 0) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    std::string path = ResolveComPortPath(n);
    int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(ErrnoToError(errno));
        return INVALID_HANDLE_VALUE;
    }
    // The advisory lock keeps out a second opener even when it runs as root (which TIOCEXCL does not).
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int err = errno;
        close(fd);
        SetLastError(ErrnoToError(err));
        return INVALID_HANDLE_VALUE;
    }
    if (ioctl(fd, TIOCEXCL) != 0 && errno == EBUSY) {
        close(fd);
        SetLastError(ERROR_SHARING_VIOLATION);
        return INVALID_HANDLE_VALUE;
    }
    auto *p = new PortObject;
    p->fd = fd;
    p->path = path;
    p->wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode) && major(st.st_rdev) >= 136 && major(st.st_rdev) <= 143)
        p->pseudoTerminal = true;
    // Raw bytes from the start: no line editing, no echo, reads never wait for a line end.
    struct termios tio;
    if (tcgetattr(fd, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_cflag |= CLOCAL | CREAD;
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        tcsetattr(fd, TCSANOW, &tio);
    }
    SetLastError(ERROR_SUCCESS);
    return RegisterKernelObject(p);
}

BOOL IsSerialPort(HANDLE h) {
    KernelKind kind;
    return KernelHandleKind(h, &kind) && kind == KernelKind::Port ? TRUE : FALSE;
}

namespace {
std::atomic<long> nPortReads{0};
}  // namespace

long PlatformPortReadCount() { return nPortReads.load(); }

BOOL PortReadFile(HANDLE h, void *buf, DWORD len, DWORD *read) {
    ++nPortReads;
    if (read) *read = 0;
    KernelRef ref(h, KernelKind::Port);
    if (!ref) {
        if (CurrentThreadIsProgramThread()) WaitAtThreadGate(nullptr);
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    PortObject *p = ref.as<PortObject>();
    // A suspended reader parks here until resumed, its port closed or the program ends.
    if (!WaitAtThreadGate(&p->isClosed)) {
        SetLastError(ERROR_OPERATION_ABORTED);
        return FALSE;
    }
    std::lock_guard<std::mutex> readGuard(p->readLock);
    COMMTIMEOUTS to;
    {
        std::lock_guard<std::mutex> g(p->settingsLock);
        to = p->timeouts;
    }
    const bool immediate = to.ReadIntervalTimeout == MAXDWORD && to.ReadTotalTimeoutMultiplier == 0 &&
                           to.ReadTotalTimeoutConstant == 0;
    const bool firstByteOnly = to.ReadIntervalTimeout == MAXDWORD && to.ReadTotalTimeoutMultiplier == MAXDWORD &&
                               to.ReadTotalTimeoutConstant != 0 && to.ReadTotalTimeoutConstant != MAXDWORD;
    uint64_t totalMs = 0;
    if (firstByteOnly) totalMs = to.ReadTotalTimeoutConstant;
    else if (!immediate)
        totalMs = (uint64_t)to.ReadTotalTimeoutMultiplier * len + to.ReadTotalTimeoutConstant;
    const uint64_t intervalMs =
        (to.ReadIntervalTimeout != 0 && to.ReadIntervalTimeout != MAXDWORD) ? to.ReadIntervalTimeout : 0;
    const Clock::time_point start = Clock::now();
    const Clock::time_point totalDeadline = start + std::chrono::milliseconds(totalMs);
    Clock::time_point lastByte = start;
    const int cancelFd = CurrentThreadCancelFd();

    uint8_t *out = static_cast<uint8_t *>(buf);
    DWORD got = 0;
    for (;;) {
        size_t n = p->TakeBuffered(out + got, len - got);
        if (n > 0) {
            got += (DWORD)n;
            lastByte = Clock::now();
        }
        if (got == len || immediate || (firstByteOnly && got > 0)) break;
        if (p->isClosed.load() || ThreadCancelPoint()) {
            return FailPortIo(read, got, ERROR_OPERATION_ABORTED);
        }
        int waitMs = -1;
        if (totalMs > 0) waitMs = RemainingMs(totalDeadline);
        if (intervalMs > 0 && got > 0) {
            int w = RemainingMs(lastByte + std::chrono::milliseconds(intervalMs));
            waitMs = waitMs < 0 ? w : std::min(waitMs, w);
        }
        if (waitMs == 0) break;  // time-out: what arrived so far
        struct pollfd fds[3] = {{p->fd, POLLIN, 0}, {p->wakeFd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
        int r = poll(fds, cancelFd >= 0 ? 3 : 2, waitMs);
        if (r < 0) {
            if (errno == EINTR) continue;
            return FailPortIo(read, got, PortIoError(errno));
        }
        if (r == 0) continue;  // the deadline is checked above
        if ((fds[1].revents & POLLIN) || (cancelFd >= 0 && (fds[2].revents & POLLIN))) {
            ThreadCancelPoint();
            return FailPortIo(read, got, ERROR_OPERATION_ABORTED);
        }
        if (fds[0].revents & POLLIN) {
            uint8_t chunk[4096];
            ssize_t k = ::read(p->fd, chunk, sizeof chunk);
            if (k > 0) {
                p->AddBuffered(chunk, (size_t)k);
                continue;
            }
            if (k < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // Zero bytes after "readable" is a hang-up; EIO is the other end of a pseudo-terminal gone.
            return FailPortIo(read, got, k == 0 ? ERROR_GEN_FAILURE : PortIoError(errno));
        }
        if (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            return FailPortIo(read, got, ERROR_GEN_FAILURE);
        }
    }
    if (read) *read = got;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL PortWriteFile(HANDLE h, const void *buf, DWORD len, DWORD *written) {
    if (written) *written = 0;
    KernelRef ref(h, KernelKind::Port);
    if (!ref) return FALSE;
    PortObject *p = ref.as<PortObject>();
    std::lock_guard<std::mutex> writeGuard(p->writeLock);
    COMMTIMEOUTS to;
    {
        std::lock_guard<std::mutex> g(p->settingsLock);
        to = p->timeouts;
    }
    uint64_t totalMs = (uint64_t)to.WriteTotalTimeoutMultiplier * len + to.WriteTotalTimeoutConstant;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(totalMs);
    const int cancelFd = CurrentThreadCancelFd();
    const uint8_t *in = static_cast<const uint8_t *>(buf);
    DWORD done = 0;
    while (done < len) {
        if (p->isClosed.load()) {
            return FailPortIo(written, done, ERROR_OPERATION_ABORTED);
        }
        ssize_t k = ::write(p->fd, in + done, len - done);
        if (k > 0) {
            done += (DWORD)k;
            continue;
        }
        if (k < 0 && errno == EINTR) continue;
        if (k < 0 && errno != EAGAIN) {
            return FailPortIo(written, done, PortIoError(errno));
        }
        int waitMs = totalMs > 0 ? RemainingMs(deadline) : -1;
        if (waitMs == 0) {
            return FailPortIo(written, done, ERROR_SEM_TIMEOUT);
        }
        struct pollfd fds[3] = {{p->fd, POLLOUT, 0}, {p->wakeFd, POLLIN, 0}, {cancelFd, POLLIN, 0}};
        int r = poll(fds, cancelFd >= 0 ? 3 : 2, waitMs);
        if (r < 0 && errno != EINTR) {
            return FailPortIo(written, done, PortIoError(errno));
        }
        if (r > 0 && ((fds[1].revents & POLLIN) || (cancelFd >= 0 && (fds[2].revents & POLLIN)))) {
            return FailPortIo(written, done, ERROR_OPERATION_ABORTED);
        }
        if (r > 0 && (fds[0].revents & (POLLHUP | POLLERR | POLLNVAL)) && !(fds[0].revents & POLLOUT)) {
            return FailPortIo(written, done, ERROR_GEN_FAILURE);
        }
    }
    if (written) *written = done;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL PortFlushFileBuffers(HANDLE h) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref) return FALSE;
    PortObject *p = ref.as<PortObject>();
    if (tcdrain(p->fd) != 0 && errno == EIO) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    return TRUE;
}

BOOL GetCommState(HANDLE h, DCB *dcb) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref || !dcb) return FALSE;
    PortObject *p = ref.as<PortObject>();
    std::lock_guard<std::mutex> g(p->settingsLock);
    struct termios tio;
    if (tcgetattr(p->fd, &tio) != 0) {
        SetLastError(ErrnoToError(errno));
        return FALSE;
    }
    if (p->haveDcb) {
        *dcb = p->dcb;
        return TRUE;
    }
    DCB d{};
    d.DCBlength = sizeof(DCB);
    d.BaudRate = BaudValue(cfgetospeed(&tio));
    d.fBinary = 1;
    d.fParity = (tio.c_iflag & INPCK) ? 1 : 0;
    d.fOutxCtsFlow = (tio.c_cflag & CRTSCTS) ? 1 : 0;
    d.fOutX = (tio.c_iflag & IXON) ? 1 : 0;
    d.fInX = (tio.c_iflag & IXOFF) ? 1 : 0;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    d.fRtsControl = RTS_CONTROL_ENABLE;
    switch (tio.c_cflag & CSIZE) {
    case CS5: d.ByteSize = 5; break;
    case CS6: d.ByteSize = 6; break;
    case CS7: d.ByteSize = 7; break;
    default: d.ByteSize = 8; break;
    }
    d.Parity = !(tio.c_cflag & PARENB) ? NOPARITY : (tio.c_cflag & PARODD) ? ODDPARITY : EVENPARITY;
    d.StopBits = (tio.c_cflag & CSTOPB) ? TWOSTOPBITS : ONESTOPBIT;
    *dcb = d;
    return TRUE;
}

BOOL SetCommState(HANDLE h, const DCB *dcb) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref || !dcb) return FALSE;
    PortObject *p = ref.as<PortObject>();
    std::lock_guard<std::mutex> g(p->settingsLock);
    struct termios tio;
    if (tcgetattr(p->fd, &tio) != 0) {
        SetLastError(ErrnoToError(errno));
        return FALSE;
    }
    tcflag_t size;
    switch (dcb->ByteSize) {
    case 5: size = CS5; break;
    case 6: size = CS6; break;
    case 7: size = CS7; break;
    case 8: size = CS8; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    speed_t speed = 0;
    bool knownBaud = BaudCode(dcb->BaudRate, &speed);
    if (!knownBaud && !p->pseudoTerminal) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag = (tio.c_cflag & ~CSIZE) | size;
    tio.c_cflag &= ~(PARENB | PARODD | CSTOPB | CRTSCTS);
    if (dcb->Parity == ODDPARITY) tio.c_cflag |= PARENB | PARODD;
    else if (dcb->Parity == EVENPARITY) tio.c_cflag |= PARENB;
    else if (dcb->Parity == 3) tio.c_cflag |= PARENB | PARODD | CMSPAR;  // mark
    else if (dcb->Parity == 4) tio.c_cflag |= PARENB | CMSPAR;           // space
    if (dcb->fParity && dcb->Parity != NOPARITY) tio.c_iflag |= INPCK;
    if (dcb->StopBits != ONESTOPBIT) tio.c_cflag |= CSTOPB;
    if (dcb->fOutX) tio.c_iflag |= IXON;
    if (dcb->fInX) tio.c_iflag |= IXOFF;
    if (dcb->fOutxCtsFlow || dcb->fRtsControl == 2) tio.c_cflag |= CRTSCTS;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    if (knownBaud) {
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
    }
    if (tcsetattr(p->fd, TCSANOW, &tio) != 0) {
        int err = errno;
        if (err == ENOTTY || !p->pseudoTerminal) {
            SetLastError(ErrnoToError(err));
            return FALSE;
        }
        // A pseudo-terminal that cannot take a setting still carries the bytes.
    }
    // Modem lines; a pseudo-terminal has none, which is fine.
    int dtr = TIOCM_DTR, rts = TIOCM_RTS;
    if (dcb->fDtrControl == DTR_CONTROL_ENABLE) ioctl(p->fd, TIOCMBIS, &dtr);
    else if (dcb->fDtrControl == DTR_CONTROL_DISABLE) ioctl(p->fd, TIOCMBIC, &dtr);
    if (dcb->fRtsControl == RTS_CONTROL_ENABLE) ioctl(p->fd, TIOCMBIS, &rts);
    else if (dcb->fRtsControl == RTS_CONTROL_DISABLE) ioctl(p->fd, TIOCMBIC, &rts);
    p->dcb = *dcb;
    p->dcb.DCBlength = sizeof(DCB);
    p->haveDcb = true;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL SetCommTimeouts(HANDLE h, const COMMTIMEOUTS *t) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref || !t) return FALSE;
    PortObject *p = ref.as<PortObject>();
    std::lock_guard<std::mutex> g(p->settingsLock);
    p->timeouts = *t;
    return TRUE;
}

BOOL GetCommTimeouts(HANDLE h, COMMTIMEOUTS *t) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref || !t) return FALSE;
    PortObject *p = ref.as<PortObject>();
    std::lock_guard<std::mutex> g(p->settingsLock);
    *t = p->timeouts;
    return TRUE;
}

BOOL SetupComm(HANDLE h, DWORD, DWORD) {
    KernelRef ref(h, KernelKind::Port);
    return ref ? TRUE : FALSE;  // the driver's queues are its own size
}

BOOL PurgeComm(HANDLE h, DWORD flags) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref) return FALSE;
    PortObject *p = ref.as<PortObject>();
    bool rx = (flags & (PURGE_RXABORT | PURGE_RXCLEAR)) != 0;
    bool tx = (flags & (PURGE_TXABORT | PURGE_TXCLEAR)) != 0;
    if (rx && tx) tcflush(p->fd, TCIOFLUSH);
    else if (rx) tcflush(p->fd, TCIFLUSH);
    else if (tx) tcflush(p->fd, TCOFLUSH);
    if (rx) p->DropBuffered();
    return TRUE;
}

BOOL EscapeCommFunction(HANDLE h, DWORD func) {
    KernelRef ref(h, KernelKind::Port);
    if (!ref) return FALSE;
    PortObject *p = ref.as<PortObject>();
    int bits;
    unsigned long request;
    switch (func) {
    case SETDTR: bits = TIOCM_DTR; request = TIOCMBIS; break;
    case CLRDTR: bits = TIOCM_DTR; request = TIOCMBIC; break;
    case SETRTS: bits = TIOCM_RTS; request = TIOCMBIS; break;
    case CLRRTS: bits = TIOCM_RTS; request = TIOCMBIC; break;
    default: SetLastError(ERROR_INVALID_PARAMETER); return FALSE;
    }
    ioctl(p->fd, request, &bits);  // a pseudo-terminal has no modem lines: accepted
    return TRUE;
}

BOOL GetCommModemStatus(HANDLE h, DWORD *status) {
    if (status) *status = 0;
    KernelRef ref(h, KernelKind::Port);
    if (!ref) return FALSE;
    int bits = 0;
    if (ioctl(ref.as<PortObject>()->fd, TIOCMGET, &bits) != 0) {
        SetLastError(ErrnoToError(errno));
        return FALSE;
    }
    DWORD s = 0;
    if (bits & TIOCM_CTS) s |= MS_CTS_ON;
    if (bits & TIOCM_DSR) s |= MS_DSR_ON;
    if (bits & TIOCM_RNG) s |= MS_RING_ON;
    if (bits & TIOCM_CAR) s |= MS_RLSD_ON;
    if (status) *status = s;
    return TRUE;
}

BOOL ClearCommError(HANDLE h, DWORD *errors, COMSTAT *stat) {
    if (errors) *errors = 0;
    KernelRef ref(h, KernelKind::Port);
    if (!ref) return FALSE;
    PortObject *p = ref.as<PortObject>();
    // A device that went away (unplugged adapter, the far end of a pseudo-terminal closed) hangs the line up:
    // the call fails as it does for a removed port.
    struct pollfd fds = {p->fd, POLLIN, 0};
    if (poll(&fds, 1, 0) > 0 && (fds.revents & (POLLHUP | POLLERR | POLLNVAL))) {
        SetLastError(ERROR_GEN_FAILURE);
        return FALSE;
    }
    if (stat) {
        int in = 0, out = 0;
        if (ioctl(p->fd, FIONREAD, &in) != 0) in = 0;
        if (ioctl(p->fd, TIOCOUTQ, &out) != 0) out = 0;
        stat->cbInQue = (DWORD)in + (DWORD)p->Buffered();
        stat->cbOutQue = (DWORD)out;
    }
    return TRUE;
}
