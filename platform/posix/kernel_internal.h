// Kernel objects of the POSIX part of the platform layer: handle registry, reference counts, thread gate.
#pragma once

#include "platform/platform.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

enum class KernelKind { File, Event, Thread, Port };

// Every handle points at one of these. The shell is never freed (it stays in the registry for good), so a stale
// handle can always be looked up safely; what it owns (descriptors, buffers) is released once it is closed and no
// call is using it any more.
struct KernelObject {
    explicit KernelObject(KernelKind k) : kind(k) {}
    virtual ~KernelObject() = default;
    KernelObject(const KernelObject &) = delete;
    KernelObject &operator=(const KernelObject &) = delete;

    const KernelKind kind;
    std::mutex lifeLock;       // guards users, closed and released
    int users = 0;             // calls currently inside the object
    bool closed = false;       // CloseHandle was called
    bool released = false;     // ReleaseResources has run
    std::atomic<bool> isClosed{false};  // lock-free view of `closed` for wait loops

    // Called once, under no lock of the caller, after close when the last user has left.
    virtual void ReleaseResources() {}
    // Called by CloseHandle (after marking closed) to wake calls blocked inside the object.
    virtual void WakeBlockedCalls() {}
};

// Adds a new object to the registry and returns it as a handle.
HANDLE RegisterKernelObject(KernelObject *obj);

// Looks up a handle and holds it for the duration of a call. Invalid, unknown, closed or wrong-kind handles give an
// empty holder (and set ERROR_INVALID_HANDLE).
class KernelRef {
public:
    KernelRef() = default;
    KernelRef(HANDLE h, KernelKind kind);
    ~KernelRef();
    KernelRef(KernelRef &&other) noexcept : obj_(other.obj_) { other.obj_ = nullptr; }
    KernelRef(const KernelRef &) = delete;
    KernelRef &operator=(const KernelRef &) = delete;
    KernelRef &operator=(KernelRef &&) = delete;
    explicit operator bool() const { return obj_ != nullptr; }
    template <class T> T *as() const { return static_cast<T *>(obj_); }
    KernelObject *get() const { return obj_; }

private:
    KernelObject *obj_ = nullptr;
};

// The kind of a registered handle; false for anything else (nothing is dereferenced for unknown values).
bool KernelHandleKind(HANDLE h, KernelKind *kind);

// errno to the program's error codes (2, 3, 5, 32, 80, 112, 121, ...); every errno maps to one of them, one the
// table does not name to ERROR_GEN_FAILURE.
DWORD ErrnoToError(int err);

// ---------------------------------------------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------------------------------------------
// True on a thread made by CreateThread.
bool CurrentThreadIsProgramThread();
// True when the calling program thread was cancelled by CancelAllThreads (false on other threads).
bool CurrentThreadCancelled();
// A cancellation point of a program thread cancelled by CancelAllThreads: the first time it returns true (the
// caller fails its call, e.g. a port read); any later call ends the thread by unwinding its stack back to the
// thread's start, so a reader that loops on failing reads still ends. False when not cancelled.
bool ThreadCancelPoint();
// The descriptor that becomes readable when the calling program thread is cancelled; -1 on other threads.
int CurrentThreadCancelFd();
// The thread gate: on a program thread, blocks while the thread is suspended. Returns false (the caller must give
// up) when the thread was cancelled (a cancellation point) or `abortFlag` became true while waiting; true when the
// thread may go on.
bool WaitAtThreadGate(const std::atomic<bool> *abortFlag);
// Wakes every thread waiting at its gate so that it re-checks its abort flag (a port was closed).
void NotifyThreadGates();
// Calls registered here run inside CancelAllThreads, after the threads were marked cancelled and before they are
// awaited (the window layer releases readers blocked in SendMessage this way).
void AddThreadCancelListener(std::function<void()> listener);

// ---------------------------------------------------------------------------------------------------------------
// Ports and paths
// ---------------------------------------------------------------------------------------------------------------
// The COM number named by "COM3", "COM3:", "\\.\COM10" (letter case ignored); 0 when the text names no port.
int ParseComPortName(const char *name);
// The device path of COM n: <root>/dev/COMn when it exists, else /dev/ttyS<n-1>.
std::string ResolveComPortPath(int n);
// UTF-8 of wide text (paths).
std::string WideToUtf8(const wchar_t *text);
std::wstring Utf8ToWide(const std::string &text);

// Port side of the generic handle calls (serial.cpp).
BOOL PortReadFile(HANDLE h, void *buf, DWORD len, DWORD *read);
BOOL PortWriteFile(HANDLE h, const void *buf, DWORD len, DWORD *written);
BOOL PortFlushFileBuffers(HANDLE h);

// Waits for a thread object to end (threads.cpp); WAIT_OBJECT_0, WAIT_TIMEOUT or WAIT_FAILED.
DWORD WaitForThreadObject(KernelObject *thread, DWORD ms);
