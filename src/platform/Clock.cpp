#include "platform/Clock.h"

#include <thread>

namespace pv::platform {

bool Clock::LocalTime(std::time_t t, std::tm& out) { return ::localtime_r(&t, &out) != nullptr; }

std::chrono::system_clock::time_point SystemClock::Now() const { return std::chrono::system_clock::now(); }

std::chrono::steady_clock::time_point SystemClock::Steady() const { return std::chrono::steady_clock::now(); }

void SystemClock::SleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

Clock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace pv::platform
