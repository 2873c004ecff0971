#pragma once
// Wall time, monotonic time and sleeping, behind one interface so that tests
// can run passes, lock ages and dates instantly with a fake clock.
#include <chrono>
#include <ctime>

namespace pv::platform {

class Clock {
public:
    virtual ~Clock() = default;
    // Seconds since the epoch, with sub-second part.
    virtual std::chrono::system_clock::time_point Now() const = 0;
    virtual std::chrono::steady_clock::time_point Steady() const = 0;
    virtual void SleepFor(std::chrono::milliseconds duration) = 0;

    std::time_t NowSeconds() const { return std::chrono::system_clock::to_time_t(Now()); }
    // Local broken-down time; false when the conversion fails.
    static bool LocalTime(std::time_t t, std::tm& out);
    // Seconds since the epoch of a local calendar time (month 1-12); the
    // system decides daylight saving.  -1 when it cannot be represented.
    static std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);
};

class SystemClock final : public Clock {
public:
    std::chrono::system_clock::time_point Now() const override;
    std::chrono::steady_clock::time_point Steady() const override;
    void SleepFor(std::chrono::milliseconds duration) override;
};

// The clock the program uses unless a test hands in another.
Clock& DefaultClock();

}  // namespace pv::platform
