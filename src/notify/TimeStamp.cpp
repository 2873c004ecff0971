#include "notify/TimeStamp.h"

#include <cstdio>

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

std::string ElapsedText(std::time_t seconds) {
    if (seconds < 0) seconds = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", static_cast<int>((seconds / 3600) % 24),
                  static_cast<int>((seconds / 60) % 60), static_cast<int>(seconds % 60));
    return text;
}

}  // namespace pv
