#pragma once
// A clock for tests: time stands still until someone sleeps or advances it.
#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>

#include "platform/Clock.h"

namespace pv::test {

class FakeClock final : public platform::Clock {
public:
    explicit FakeClock(std::chrono::system_clock::time_point start = std::chrono::system_clock::from_time_t(1765286400))
        : m_now(start) {}

    std::chrono::system_clock::time_point Now() const override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_now;
    }
    std::chrono::steady_clock::time_point Steady() const override {
        std::lock_guard<std::mutex> lock(m_mutex);
        return std::chrono::steady_clock::time_point(m_elapsed);
    }
    void SleepFor(std::chrono::milliseconds duration) override {
        Advance(duration);
        m_sleeps.fetch_add(1);
        if (m_onSleep) m_onSleep(m_sleeps.load());
    }
    // Called after every sleep with the number of sleeps so far (set it
    // before the sleeping thread starts).
    void OnSleep(std::function<void(int)> hook) { m_onSleep = std::move(hook); }
    void Advance(std::chrono::milliseconds duration) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_now += duration;
        m_elapsed += duration;
    }
    void Set(std::chrono::system_clock::time_point when) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_now = when;
    }
    int Sleeps() const { return m_sleeps.load(); }

private:
    mutable std::mutex m_mutex;
    std::chrono::system_clock::time_point m_now;
    std::chrono::steady_clock::duration m_elapsed{};
    std::atomic<int> m_sleeps{0};
    std::function<void(int)> m_onSleep;
};

}  // namespace pv::test
