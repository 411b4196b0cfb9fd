// Events (manual or automatic reset) and WaitForSingleObject on events and threads.
#include "platform/posix/kernel_internal.h"

#include <chrono>

namespace {

struct EventObject : KernelObject {
    EventObject() : KernelObject(KernelKind::Event) {}
    std::mutex lock;
    std::condition_variable changed;
    bool signalled = false;
    bool manualReset = false;
};

}  // namespace

HANDLE CreateEvent(void *, BOOL manualReset, BOOL initialState, const wchar_t *) {
    auto *e = new EventObject;
    e->manualReset = manualReset != FALSE;
    e->signalled = initialState != FALSE;
    SetLastError(ERROR_SUCCESS);
    return RegisterKernelObject(e);
}

BOOL SetEvent(HANDLE h) {
    KernelRef ref(h, KernelKind::Event);
    if (!ref) return FALSE;
    EventObject *e = ref.as<EventObject>();
    {
        std::lock_guard<std::mutex> g(e->lock);
        e->signalled = true;
    }
    e->changed.notify_all();
    return TRUE;
}

BOOL ResetEvent(HANDLE h) {
    KernelRef ref(h, KernelKind::Event);
    if (!ref) return FALSE;
    EventObject *e = ref.as<EventObject>();
    std::lock_guard<std::mutex> g(e->lock);
    e->signalled = false;
    return TRUE;
}

DWORD WaitForSingleObject(HANDLE h, DWORD ms) {
    KernelKind kind;
    if (!KernelHandleKind(h, &kind)) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    if (kind == KernelKind::Thread) {
        KernelRef ref(h, KernelKind::Thread);
        if (!ref) return WAIT_FAILED;
        return WaitForThreadObject(ref.get(), ms);
    }
    if (kind != KernelKind::Event) {
        SetLastError(ERROR_INVALID_HANDLE);
        return WAIT_FAILED;
    }
    KernelRef ref(h, KernelKind::Event);
    if (!ref) return WAIT_FAILED;
    EventObject *e = ref.as<EventObject>();
    using Clock = std::chrono::steady_clock;
    const bool forever = ms == INFINITE;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : ms);
    const bool programThread = CurrentThreadIsProgramThread();
    std::unique_lock<std::mutex> g(e->lock);
    for (;;) {
        if (e->signalled) {
            if (!e->manualReset) e->signalled = false;
            return WAIT_OBJECT_0;
        }
        if (programThread && ThreadCancelPoint()) {
            SetLastError(ERROR_OPERATION_ABORTED);
            return WAIT_FAILED;
        }
        // Program threads look at their cancellation now and then; others just wait.
        Clock::time_point until = forever ? Clock::now() + std::chrono::milliseconds(50) : deadline;
        if (programThread && until > Clock::now() + std::chrono::milliseconds(50))
            until = Clock::now() + std::chrono::milliseconds(50);
        if (!forever && Clock::now() >= deadline) return WAIT_TIMEOUT;
        e->changed.wait_until(g, std::min(until, forever ? until : deadline));
    }
}
