// Program threads: created running or suspended, an on/off gate, waits, sleeps and cancellation at exit.
#include "platform/posix/kernel_internal.h"

#include <chrono>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

namespace {

struct ThreadObject : KernelObject {
    ThreadObject() : KernelObject(KernelKind::Thread) {}
    THREADPROC proc = nullptr;
    void *param = nullptr;
    DWORD id = 0;
    // Gate state, changed under gGateLock.
    std::atomic<bool> suspended{false};
    std::atomic<bool> cancelled{false};
    std::atomic<DWORD> exitCode{STILL_ACTIVE};
    // End of the thread, under `endLock`.
    std::mutex endLock;
    std::condition_variable ended;
    bool finished = false;
    int cancelFd = -1;  // readable once cancelled; closed when the thread ends
};

struct ThreadRegistry {
    std::mutex lock;
    std::vector<ThreadObject *> threads;
    std::vector<std::function<void()>> cancelListeners;
};

// Never destroyed (detached threads may outlive static destruction).
ThreadRegistry &Threads() {
    static ThreadRegistry *r = new ThreadRegistry;
    return *r;
}
std::mutex &GateLock() {
    static std::mutex *m = new std::mutex;
    return *m;
}
std::condition_variable &GateChanged() {
    static std::condition_variable *cv = new std::condition_variable;
    return *cv;
}

// Drops the threads that ended from the registry; the caller holds its lock.
void ForgetEndedThreads() {
    auto &all = Threads().threads;
    for (size_t i = 0; i < all.size();) {
        bool done;
        {
            std::lock_guard<std::mutex> e(all[i]->endLock);
            done = all[i]->finished;
        }
        if (done) all.erase(all.begin() + (long)i);
        else ++i;
    }
}

std::atomic<DWORD> gNextThreadId{1000};
thread_local ThreadObject *tCurrent = nullptr;
thread_local bool tCancelNoticed = false;

// Thrown at a cancellation point of a thread that already failed one call after being cancelled.
struct ThreadCancelledUnwind {};

void ThreadMain(ThreadObject *t) {
    tCurrent = t;
    bool run;
    {
        std::unique_lock<std::mutex> g(GateLock());
        GateChanged().wait(g, [t] { return !t->suspended.load() || t->cancelled.load(); });
        run = !t->cancelled.load();
    }
    DWORD code = 0;  // a thread cancelled before it ever ran runs none of its code
    if (run) {
        try {
            code = t->proc(t->param);
        } catch (const ThreadCancelledUnwind &) {
            code = 0;
        }
    }
    {
        std::lock_guard<std::mutex> g(t->endLock);
        t->exitCode.store(code);
        t->finished = true;
        if (t->cancelFd >= 0) close(t->cancelFd);
        t->cancelFd = -1;
    }
    t->ended.notify_all();
}

}  // namespace

bool CurrentThreadIsProgramThread() { return tCurrent != nullptr; }
bool CurrentThreadCancelled() { return tCurrent != nullptr && tCurrent->cancelled.load(); }
int CurrentThreadCancelFd() { return tCurrent ? tCurrent->cancelFd : -1; }

bool ThreadCancelPoint() {
    ThreadObject *t = tCurrent;
    if (!t || !t->cancelled.load()) return false;
    if (tCancelNoticed) throw ThreadCancelledUnwind{};
    tCancelNoticed = true;
    return true;
}

bool WaitAtThreadGate(const std::atomic<bool> *abortFlag) {
    ThreadObject *t = tCurrent;
    if (!t) return !(abortFlag && abortFlag->load());
    {
        std::unique_lock<std::mutex> g(GateLock());
        GateChanged().wait(g, [t, abortFlag] {
            return !t->suspended.load() || t->cancelled.load() || (abortFlag && abortFlag->load());
        });
    }
    if (ThreadCancelPoint()) return false;
    return !(abortFlag && abortFlag->load());
}

void NotifyThreadGates() {
    { std::lock_guard<std::mutex> g(GateLock()); }
    GateChanged().notify_all();
}

void AddThreadCancelListener(std::function<void()> listener) {
    std::lock_guard<std::mutex> g(Threads().lock);
    Threads().cancelListeners.push_back(std::move(listener));
}

HANDLE CreateThread(void *, size_t, THREADPROC proc, void *param, DWORD flags, DWORD *id) {
    if (!proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto *t = new ThreadObject;
    t->proc = proc;
    t->param = param;
    t->id = gNextThreadId.fetch_add(1);
    t->suspended.store((flags & CREATE_SUSPENDED) != 0);
    t->cancelFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (id) *id = t->id;
    HANDLE h = RegisterKernelObject(t);
    {
        std::lock_guard<std::mutex> g(Threads().lock);
        // Threads that ended need no cancelling any more.
        ForgetEndedThreads();
        Threads().threads.push_back(t);
    }
    try {
        std::thread(ThreadMain, t).detach();
    } catch (...) {
        std::lock_guard<std::mutex> g(t->endLock);
        t->finished = true;
        t->exitCode.store(0);
        SetLastError(ERROR_GEN_FAILURE);
        return nullptr;
    }
    SetLastError(ERROR_SUCCESS);
    return h;
}

DWORD SuspendThread(HANDLE h) {
    KernelRef ref(h, KernelKind::Thread);
    if (!ref) return (DWORD)-1;
    ThreadObject *t = ref.as<ThreadObject>();
    std::lock_guard<std::mutex> g(GateLock());
    return t->suspended.exchange(true) ? 1 : 0;
}

DWORD ResumeThread(HANDLE h) {
    KernelRef ref(h, KernelKind::Thread);
    if (!ref) return (DWORD)-1;
    ThreadObject *t = ref.as<ThreadObject>();
    DWORD previous;
    {
        std::lock_guard<std::mutex> g(GateLock());
        previous = t->suspended.exchange(false) ? 1 : 0;
    }
    GateChanged().notify_all();
    return previous;
}

BOOL GetExitCodeThread(HANDLE h, DWORD *code) {
    KernelRef ref(h, KernelKind::Thread);
    if (!ref) return FALSE;
    if (code) *code = ref.as<ThreadObject>()->exitCode.load();
    return TRUE;
}

DWORD WaitForThreadObject(KernelObject *obj, DWORD ms) {
    auto *t = static_cast<ThreadObject *>(obj);
    if (t == tCurrent) {  // a thread never ends while waiting for itself
        if (ms == INFINITE) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return WAIT_FAILED;
        }
        Sleep(ms);
        return WAIT_TIMEOUT;
    }
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(ms == INFINITE ? 0 : ms);
    std::unique_lock<std::mutex> g(t->endLock);
    for (;;) {
        if (t->finished) return WAIT_OBJECT_0;
        if (ThreadCancelPoint()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return WAIT_FAILED;
        }
        Clock::time_point now = Clock::now();
        if (ms != INFINITE && now >= deadline) return WAIT_TIMEOUT;
        Clock::time_point until = now + std::chrono::milliseconds(50);
        if (ms != INFINITE && deadline < until) until = deadline;
        t->ended.wait_until(g, until);
    }
}

void Sleep(DWORD ms) {
    ThreadObject *t = tCurrent;
    if (!t) {
        if (ms == 0) std::this_thread::yield();
        else std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        return;
    }
    if (!WaitAtThreadGate(nullptr)) return;
    if (ms == 0) {
        std::this_thread::yield();
    } else {
        std::unique_lock<std::mutex> g(GateLock());
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        GateChanged().wait_until(g, deadline, [t] { return t->cancelled.load(); });
    }
    WaitAtThreadGate(nullptr);  // parks here when suspended meanwhile
}

void CancelAllThreads() {
    std::vector<ThreadObject *> threads;
    std::vector<std::function<void()>> listeners;
    {
        std::lock_guard<std::mutex> g(Threads().lock);
        threads = Threads().threads;
        listeners = Threads().cancelListeners;
    }
    {
        std::lock_guard<std::mutex> g(GateLock());
        for (ThreadObject *t : threads) t->cancelled.store(true);
    }
    GateChanged().notify_all();
    for (ThreadObject *t : threads) {
        std::lock_guard<std::mutex> g(t->endLock);
        if (t->cancelFd >= 0) {
            uint64_t one = 1;
            ssize_t n = write(t->cancelFd, &one, sizeof one);
            (void)n;
        }
    }
    for (auto &listener : listeners) listener();
    // Give every thread a bounded time to return; a thread stuck elsewhere is left detached.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(3000);
    for (ThreadObject *t : threads) {
        std::unique_lock<std::mutex> g(t->endLock);
        t->ended.wait_until(g, deadline, [t] { return t->finished; });
    }
    // Forget the threads that ended, so a later cancel (tests) does not look at them again.
    std::lock_guard<std::mutex> g(Threads().lock);
    ForgetEndedThreads();
}
