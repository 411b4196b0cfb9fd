// Messages on Qt: sent and posted messages across threads, the message loop, nested loops, timers and pumping.
#include "platform/posix/kernel_internal.h"
#include "platform/qt/window_internal.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace {

struct SentCall {
    std::function<LRESULT()> fn;
    LRESULT result = 0;
    bool done = false;
    bool abandoned = false;
};

struct PostedMessage {
    MSG msg{};
    bool hasBytes = false;
    std::shared_ptr<std::vector<uint8_t>> bytes;
    DWORD tick = 0;
};

struct BytesContext {
    std::shared_ptr<std::vector<uint8_t>> bytes;
    DWORD tick = 0;
};

std::mutex sentLock;
std::condition_variable sentCv;
std::deque<std::shared_ptr<SentCall>> sentQueue;

std::mutex postLock;
std::deque<PostedMessage> postQueue;

std::atomic<bool> quitPosted{false};
std::atomic<int> quitCode{0};

int loopDepth = 0;
bool getMessageWaiting = false;
int getMessageDepth = 0;

std::vector<BytesContext> bytesStack;
PostedMessage retrieved;  // the message GetMessage handed out last (its bytes go with DispatchMessage)
bool retrievedValid = false;

std::once_flag cancelListenerOnce;

void ServeSentCalls()
{
    for (;;) {
        std::shared_ptr<SentCall> call;
        {
            std::lock_guard<std::mutex> g(sentLock);
            if (sentQueue.empty()) return;
            call = sentQueue.front();
            sentQueue.pop_front();
            if (call->abandoned) continue;
        }
        LRESULT r = call->fn ? call->fn() : 0;
        {
            std::lock_guard<std::mutex> g(sentLock);
            call->result = r;
            call->done = true;
        }
        sentCv.notify_all();
    }
}

void DispatchPosted(PostedMessage &pm)
{
    BytesContext ctx;
    if (pm.hasBytes) {
        ctx.bytes = pm.bytes;
        ctx.tick = pm.tick;
    }
    bytesStack.push_back(ctx);
    if (IsLiveWindow(pm.msg.hwnd)) CallWindowProcedure(pm.msg.hwnd, pm.msg.message, pm.msg.wParam, pm.msg.lParam);
    bytesStack.pop_back();
}

void ServeOnePosted()
{
    // The outermost GetMessage takes posted messages itself (it hands them to the program's loop).
    if (getMessageWaiting && loopDepth == getMessageDepth) return;
    PostedMessage pm;
    {
        std::lock_guard<std::mutex> g(postLock);
        if (postQueue.empty()) return;
        pm = std::move(postQueue.front());
        postQueue.pop_front();
    }
    DispatchPosted(pm);
}

void WakeUiThread(void (*fn)())
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, fn, Qt::QueuedConnection);
}

void EnsureCancelListener()
{
    std::call_once(cancelListenerOnce, [] {
        AddThreadCancelListener([] { sentCv.notify_all(); });
    });
}

bool PostInternal(PostedMessage &&pm)
{
    if (!QCoreApplication::instance()) return FALSE;
    {
        std::lock_guard<std::mutex> g(postLock);
        postQueue.push_back(std::move(pm));
    }
    WakeUiThread(&ServeOnePosted);
    return TRUE;
}

}  // namespace

BOOL IsUserInterfaceThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

namespace {
// Counts the window procedures running while one is called.
struct ProcedureDepth {
    ProcedureDepth() { ++nWindowProcedureDepth; }
    ~ProcedureDepth() { --nWindowProcedureDepth; }
};
}  // namespace

void DropPostedMessagesFor(HWND w)
{
    std::lock_guard<std::mutex> g(postLock);
    postQueue.erase(std::remove_if(postQueue.begin(), postQueue.end(),
                                   [w](const PostedMessage &pm) { return pm.msg.hwnd == w; }),
                    postQueue.end());
    if (retrievedValid && retrieved.msg.hwnd == w) retrieved.msg.hwnd = nullptr;
}

LRESULT CallWindowProcedure(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!IsLiveWindow(w)) return 0;
    ProcedureDepth depth;
    switch (w->kind) {
    case WindowKind::Custom:
        return w->proc ? w->proc(w, msg, wp, lp) : DefWindowProc(w, msg, wp, lp);
    case WindowKind::Dialog: {
        INT_PTR r = w->dlgProc ? w->dlgProc(w, msg, wp, lp) : 0;
        if (msg == WM_INITDIALOG) return r;
        if (!r && IsLiveWindow(w)) return DefDialogProc(w, msg, wp, lp);
        return r;
    }
    default:
        return ControlProcedure(w, msg, wp, lp);
    }
}

LRESULT RunOnUiThreadAndWait(std::function<LRESULT()> fn)
{
    if (IsUserInterfaceThread()) return fn();
    EnsureCancelListener();
    auto call = std::make_shared<SentCall>();
    call->fn = std::move(fn);
    {
        std::lock_guard<std::mutex> g(sentLock);
        sentQueue.push_back(call);
    }
    WakeUiThread(&ServeSentCalls);
    std::unique_lock<std::mutex> lk(sentLock);
    while (!call->done) {
        if (CurrentThreadCancelled() || !QCoreApplication::instance()) {
            call->abandoned = true;
            return 0;
        }
        sentCv.wait_for(lk, std::chrono::milliseconds(50));
    }
    return call->result;
}

void RunOnUiThread(std::function<void()> fn)
{
    if (IsUserInterfaceThread()) {
        fn();
        return;
    }
    QCoreApplication *app = QCoreApplication::instance();
    if (!app) return;
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
}

LRESULT SendMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (!IsLiveWindow(w)) return 0;
    if (IsUserInterfaceThread()) return CallWindowProcedure(w, msg, wp, lp);
    return RunOnUiThreadAndWait([=] { return CallWindowProcedure(w, msg, wp, lp); });
}

BOOL PostMessage(HWND w, UINT msg, WPARAM wp, LPARAM lp)
{
    if (w && !IsLiveWindow(w)) return FALSE;
    PostedMessage pm;
    pm.msg = MSG{w, msg, wp, lp, GetTickCount()};
    return PostInternal(std::move(pm));
}

BOOL PostMessageWithBytes(HWND w, UINT msg, WPARAM wp, LPARAM lp, const void *bytes, size_t len, DWORD tick)
{
    if (w && !IsLiveWindow(w)) return FALSE;
    PostedMessage pm;
    pm.msg = MSG{w, msg, wp, lp, GetTickCount()};
    pm.hasBytes = true;
    pm.bytes = std::make_shared<std::vector<uint8_t>>();
    if (bytes && len) pm.bytes->assign((const uint8_t *)bytes, (const uint8_t *)bytes + len);
    pm.tick = tick;
    return PostInternal(std::move(pm));
}

const std::vector<uint8_t> &GetMessageBytes()
{
    static const std::vector<uint8_t> empty;
    if (bytesStack.empty() || !bytesStack.back().bytes) return empty;
    return *bytesStack.back().bytes;
}

DWORD GetMessageTick()
{
    if (bytesStack.empty() || !bytesStack.back().bytes) return 0;
    return bytesStack.back().tick;
}

void PostQuitMessage(int exitCode)
{
    quitCode = exitCode;
    quitPosted = true;
    WakeUiThread(+[] {});
}

bool QuitRequested() { return quitPosted; }

BOOL GetMessage(MSG *out, HWND, UINT, UINT)
{
    for (;;) {
        {
            std::lock_guard<std::mutex> g(postLock);
            if (!postQueue.empty()) {
                retrieved = std::move(postQueue.front());
                postQueue.pop_front();
                retrievedValid = true;
                if (out) *out = retrieved.msg;
                return TRUE;
            }
        }
        if (quitPosted) {
            quitPosted = false;
            if (out) *out = MSG{nullptr, WM_QUIT, (WPARAM)(intptr_t)quitCode.load(), 0, GetTickCount()};
            return FALSE;
        }
        if (loopDepth == 0) {
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            FreeRetiredWindows();
        }
        bool wasWaiting = getMessageWaiting;
        int wasDepth = getMessageDepth;
        getMessageWaiting = true;
        getMessageDepth = loopDepth;
        ServeSentCalls();
        ProcessEventsOnce(true, 1000);
        getMessageWaiting = wasWaiting;
        getMessageDepth = wasDepth;
    }
}

BOOL TranslateMessage(const MSG *) { return FALSE; }

LRESULT DispatchMessage(const MSG *m)
{
    if (!m) return 0;
    PostedMessage pm;
    pm.msg = *m;
    if (retrievedValid && retrieved.msg.hwnd == m->hwnd && retrieved.msg.message == m->message &&
        retrieved.msg.wParam == m->wParam && retrieved.msg.lParam == m->lParam) {
        pm.hasBytes = retrieved.hasBytes;
        pm.bytes = retrieved.bytes;
        pm.tick = retrieved.tick;
    }
    retrievedValid = false;
    retrieved = PostedMessage();
    if (!IsLiveWindow(m->hwnd)) return 0;
    BytesContext ctx;
    if (pm.hasBytes) {
        ctx.bytes = pm.bytes;
        ctx.tick = pm.tick;
    }
    bytesStack.push_back(ctx);
    LRESULT r = CallWindowProcedure(m->hwnd, m->message, m->wParam, m->lParam);
    bytesStack.pop_back();
    return r;
}

void EnterNestedLoop() { ++loopDepth; }
void LeaveNestedLoop() { --loopDepth; }

void ProcessEventsOnce(bool wait, int maxMs)
{
    if (!QCoreApplication::instance()) return;
    if (wait) {
        QTimer wake;
        wake.setSingleShot(true);
        wake.start(std::max(1, maxMs));
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    } else {
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Timers
// ---------------------------------------------------------------------------------------------------------------
UINT_PTR SetTimer(HWND w, UINT_PTR id, UINT ms, void *)
{
    if (!IsUserInterfaceThread()) {
        RunOnUiThread([=] { SetTimer(w, id, ms, nullptr); });
        return id ? id : 1;
    }
    if (!IsLiveWindow(w)) return 0;
    int period = (int)std::max<UINT>(ms, 10);
    auto it = w->timers.find(id);
    if (it != w->timers.end()) {
        it->second->start(period);
        return id ? id : 1;
    }
    auto *t = new QTimer(qApp);
    t->setSingleShot(false);
    QObject::connect(t, &QTimer::timeout, t, [w, id] {
        if (IsLiveWindow(w)) CallWindowProcedure(w, WM_TIMER, (WPARAM)id, 0);
    });
    w->timers[id] = t;
    t->start(period);
    return id ? id : 1;
}

BOOL KillTimer(HWND w, UINT_PTR id)
{
    if (!IsUserInterfaceThread()) {
        RunOnUiThread([=] { KillTimer(w, id); });
        return TRUE;
    }
    if (!IsLiveWindow(w)) return FALSE;
    auto it = w->timers.find(id);
    if (it == w->timers.end()) return FALSE;
    it->second->stop();
    it->second->deleteLater();
    w->timers.erase(it);
    return TRUE;
}

// ---------------------------------------------------------------------------------------------------------------
// Pumping for tests
// ---------------------------------------------------------------------------------------------------------------
void PlatformPump(int ms, std::function<bool()> until)
{
    if (!QCoreApplication::instance()) return;
    EnterNestedLoop();
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        ServeSentCalls();
        if (until && until()) break;
        qint64 left = ms - clock.elapsed();
        if (left <= 0) break;
        ProcessEventsOnce(true, (int)std::min<qint64>(left, 20));
    }
    LeaveNestedLoop();
    if (loopDepth == 0 && !getMessageWaiting) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        FreeRetiredWindows();
    }
}

bool PlatformWaitFor(std::function<bool()> pred, int ms)
{
    if (!pred) return false;
    // The value that ended the wait: a condition that holds for a moment only (a port drained while its device
    // goes on sending) is not asked again after it held.
    bool bHeld = false;
    PlatformPump(ms, [&pred, &bHeld] { return bHeld = pred(); });
    return bHeld || pred();
}
