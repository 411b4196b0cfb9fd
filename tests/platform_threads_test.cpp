// Platform events and threads: timed waits, the suspend/resume gate, waits on threads, cancellation at exit.
#include "platform/platform.h"

#include <gtest/gtest.h>

#include "support/bounded_waits.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace {

using namespace bounded_waits;

TEST(PlatformEvents, ManualResetStaysSignalledUntilReset) {
    HANDLE e = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(e, nullptr);
    auto t0 = Clock::now();
    EXPECT_EQ(WaitForSingleObject(e, 60), WAIT_TIMEOUT);
    EXPECT_GE(ElapsedMs(t0), 50);
    EXPECT_TRUE(SetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 10), WAIT_OBJECT_0);
    EXPECT_TRUE(ResetEvent(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(CloseHandle(e));
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_FAILED);
    EXPECT_FALSE(SetEvent(e));
}

TEST(PlatformEvents, AutoResetReleasesOneWait) {
    HANDLE e = CreateEvent(nullptr, FALSE, TRUE, nullptr);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT);
    CloseHandle(e);
}

TEST(PlatformEvents, SetFromAnotherThreadWakesAWait) {
    HANDLE e = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD> result{12345};
    std::thread waiter([&] { result = WaitForSingleObject(e, INFINITE); });
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(result.load(), 12345u);
    SetEvent(e);
    waiter.join();
    EXPECT_EQ(result.load(), WAIT_OBJECT_0);
    CloseHandle(e);
}

std::atomic<int> gRuns{0};
DWORD CountOnce(void *) {
    gRuns++;
    return 7;
}

TEST(PlatformThreads, CreatedSuspendedRunsNothingUntilResumed) {
    gRuns = 0;
    DWORD id = 0;
    HANDLE t = CreateThread(nullptr, 0, CountOnce, nullptr, CREATE_SUSPENDED, &id);
    ASSERT_NE(t, nullptr);
    EXPECT_NE(id, 0u);
    EXPECT_EQ(WaitForSingleObject(t, 100), WAIT_TIMEOUT);
    EXPECT_EQ(gRuns.load(), 0);
    DWORD code = 0;
    ASSERT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    EXPECT_EQ(ResumeThread(t), 1u);
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gRuns.load(), 1);
    ASSERT_TRUE(GetExitCodeThread(t, &code));
    EXPECT_EQ(code, 7u);
    EXPECT_TRUE(CloseHandle(t));
    EXPECT_FALSE(GetExitCodeThread(t, &code));
}

TEST(PlatformThreads, SuspendIsAGateNotACount) {
    gRuns = 0;
    HANDLE t = CreateThread(nullptr, 0, CountOnce, nullptr, CREATE_SUSPENDED, nullptr);
    EXPECT_EQ(SuspendThread(t), 1u);
    EXPECT_EQ(SuspendThread(t), 1u);
    ResumeThread(t);  // once is enough
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gRuns.load(), 1);
    CloseHandle(t);
}

struct Looper {
    std::atomic<bool> run{true};
    std::atomic<long> passes{0};
    std::atomic<bool> done{false};
};
DWORD LoopWithSleeps(void *p) {
    auto *l = static_cast<Looper *>(p);
    while (l->run.load()) {
        l->passes++;
        Sleep(2);
    }
    l->done = true;
    return 3;
}

TEST(PlatformThreads, SuspendedThreadParksInSleepAndResumes) {
    Looper l;
    HANDLE t = CreateThread(nullptr, 0, LoopWithSleeps, &l, 0, nullptr);
    ASSERT_TRUE(Eventually([&] { return l.passes.load() > 3; }));
    EXPECT_EQ(SuspendThread(t), 0u);
    ASSERT_TRUE(SettlesDown(l.passes));
    long parked = l.passes.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(l.passes.load(), parked);
    EXPECT_EQ(ResumeThread(t), 1u);
    EXPECT_TRUE(Eventually([&] { return l.passes.load() > parked + 3; }));
    l.run = false;
    EXPECT_EQ(WaitForSingleObject(t, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(t, &code);
    EXPECT_EQ(code, 3u);
    CloseHandle(t);
}

TEST(PlatformThreads, ClosingAThreadHandleDoesNotEndTheThread) {
    Looper l;
    HANDLE t = CreateThread(nullptr, 0, LoopWithSleeps, &l, 0, nullptr);
    EXPECT_TRUE(CloseHandle(t));
    long before = l.passes.load();
    EXPECT_TRUE(Eventually([&] { return l.passes.load() > before + 2; }));
    l.run = false;
    EXPECT_TRUE(Eventually([&] { return l.done.load(); }));
}

TEST(PlatformThreads, SleepOutsideProgramThreadsJustSleeps) {
    auto t0 = Clock::now();
    Sleep(40);
    EXPECT_GE(ElapsedMs(t0), 35);
}

std::atomic<int> gWaitResult{-1};
HANDLE gNeverSet = nullptr;
DWORD WaitForeverOnEvent(void *) {
    gWaitResult = (int)WaitForSingleObject(gNeverSet, INFINITE);
    return 0;
}

TEST(PlatformThreads, CancelAllThreadsReleasesEveryThread) {
    gRuns = 0;
    // Never resumed: returns without running its code.
    HANDLE never = CreateThread(nullptr, 0, CountOnce, nullptr, CREATE_SUSPENDED, nullptr);
    // Running, then parked by a suspend inside its sleeps.
    Looper parked;
    parked.run = true;
    HANDLE looper = CreateThread(nullptr, 0, LoopWithSleeps, &parked, 0, nullptr);
    ASSERT_TRUE(Eventually([&] { return parked.passes.load() > 1; }));
    SuspendThread(looper);
    // Blocked in an endless wait on an event.
    gNeverSet = CreateEvent(nullptr, TRUE, FALSE, nullptr);
    gWaitResult = -1;
    HANDLE waiter = CreateThread(nullptr, 0, WaitForeverOnEvent, nullptr, 0, nullptr);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));

    auto t0 = Clock::now();
    CancelAllThreads();
    EXPECT_LT(ElapsedMs(t0), 3000);
    EXPECT_EQ(WaitForSingleObject(never, 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(waiter, 0), WAIT_OBJECT_0);
    EXPECT_EQ(gRuns.load(), 0);
    EXPECT_EQ(gWaitResult.load(), (int)WAIT_FAILED);
    // The looper's run flag is still set: it ended at its sleeps all the same.
    EXPECT_EQ(WaitForSingleObject(looper, 0), WAIT_OBJECT_0);
    EXPECT_TRUE(parked.run.load());
    CloseHandle(never);
    CloseHandle(looper);
    CloseHandle(waiter);
    CloseHandle(gNeverSet);

    // Threads made after a cancel run normally.
    gRuns = 0;
    HANDLE later = CreateThread(nullptr, 0, CountOnce, nullptr, 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(later, 5000), WAIT_OBJECT_0);
    EXPECT_EQ(gRuns.load(), 1);
    CloseHandle(later);
}

}  // namespace
