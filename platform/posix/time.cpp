// Millisecond tick count since boot (replaceable for tests) and local time.
#include "platform/posix/kernel_internal.h"

#include <ctime>

namespace {
// Replaced sources are never freed: a reader may be calling the old one while a test swaps it.
std::atomic<std::function<DWORD()> *> gTickSource{nullptr};
}  // namespace

void PlatformSetTickSource(std::function<DWORD()> source) {
    static std::mutex *lock = new std::mutex;
    static std::vector<std::function<DWORD()> *> *retired = new std::vector<std::function<DWORD()> *>;
    std::function<DWORD()> *fresh = source ? new std::function<DWORD()>(std::move(source)) : nullptr;
    std::lock_guard<std::mutex> g(*lock);
    if (fresh) retired->push_back(fresh);  // kept: a caller may still be inside an older source
    gTickSource.store(fresh);
}

DWORD GetTickCount() {
    if (std::function<DWORD()> *src = gTickSource.load()) return (*src)();
    struct timespec ts;
    if (clock_gettime(CLOCK_BOOTTIME, &ts) != 0) clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms = (uint64_t)ts.tv_sec * 1000u + (uint64_t)ts.tv_nsec / 1000000u;
    return (DWORD)(ms & 0xFFFFFFFFu);
}

void GetLocalTime(SYSTEMTIME *t) {
    if (!t) return;
    struct timespec ts;
    clock_gettime(CLOCK_REALTIME, &ts);
    struct tm tm;
    time_t secs = ts.tv_sec;
    localtime_r(&secs, &tm);
    t->wYear = (WORD)(tm.tm_year + 1900);
    t->wMonth = (WORD)(tm.tm_mon + 1);
    t->wDayOfWeek = (WORD)tm.tm_wday;
    t->wDay = (WORD)tm.tm_mday;
    t->wHour = (WORD)tm.tm_hour;
    t->wMinute = (WORD)tm.tm_min;
    t->wSecond = (WORD)tm.tm_sec;
    t->wMilliseconds = (WORD)(ts.tv_nsec / 1000000);
}
