#include "platform/Clock.h"

#include <thread>

namespace pv::platform {

bool Clock::LocalTime(std::time_t t, std::tm& out) { return ::localtime_r(&t, &out) != nullptr; }

std::time_t Clock::MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

std::chrono::system_clock::time_point SystemClock::Now() const { return std::chrono::system_clock::now(); }

std::chrono::steady_clock::time_point SystemClock::Steady() const { return std::chrono::steady_clock::now(); }

void SystemClock::SleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

Clock& DefaultClock() {
    static SystemClock clock;
    return clock;
}

}  // namespace pv::platform
