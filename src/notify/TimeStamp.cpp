#include "notify/TimeStamp.h"

#include "platform/Clock.h"

namespace pv {

std::string FormatLocalTime(std::time_t when, const char* format) {
    std::tm local{};
    if (!platform::Clock::LocalTime(when, local)) return {};
    char buffer[128];
    const size_t n = std::strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, n);
}

std::string StatusTimeStamp(std::time_t when) { return FormatLocalTime(when, "%I:%M:%S %p  %m/%d/%Y  "); }

}  // namespace pv
