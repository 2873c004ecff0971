#pragma once
// Sets the process's time zone (TZ) for one test and puts the old one back.
#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace pv::test {

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) m_old = old;
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~ScopedTimeZone() {
        if (m_old) ::setenv("TZ", m_old->c_str(), 1);
        else ::unsetenv("TZ");
        ::tzset();
    }
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    std::optional<std::string> m_old;
};

// US Eastern time, written out so that no time zone data is needed.
inline constexpr const char* kEasternTime = "EST5EDT,M3.2.0,M11.1.0";

}  // namespace pv::test
