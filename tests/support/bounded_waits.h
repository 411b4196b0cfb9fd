// Test support: bounded waits and elapsed-time reading for tests that drive platform threads and ports.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

namespace bounded_waits {

using Clock = std::chrono::steady_clock;

inline long ElapsedMs(Clock::time_point since) {
    return (long)std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - since).count();
}

// Waits (bounded) until `pred` holds.
template <class Pred> bool Eventually(Pred pred, int ms = 5000) {
    auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < end) {
        if (pred()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return pred();
}

// Waits (bounded) until a counter has stopped moving: the thread reached its gate.
inline bool SettlesDown(const std::atomic<long> &counter) {
    auto end = Clock::now() + std::chrono::milliseconds(5000);
    while (Clock::now() < end) {
        long before = counter.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(80));
        if (counter.load() == before) return true;
    }
    return false;
}

}  // namespace bounded_waits
