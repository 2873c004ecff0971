#include "publish/MacroTime.h"

#include <cstdio>

namespace pv {

namespace {

constexpr const char* kWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[96];
    std::snprintf(text, sizeof text, format, args...);
    return text;
}

const char* Name(const char* const* names, int count, int index) {
    return index >= 0 && index < count ? names[index] : "";
}

}  // namespace

std::string MonthDayYear(const std::tm& when) {
    return Format("%02d/%02d/%04d", when.tm_mon + 1, when.tm_mday, when.tm_year + 1900);
}

std::string HoursMinutesSeconds(const std::tm& when) {
    return Format("%02d:%02d:%02d", when.tm_hour, when.tm_min, when.tm_sec);
}

std::string Rfc2822DateTime(const std::tm& when) {
    return Format("%s, %02d %s %04d %02d:%02d:%02d %s", Name(kWeekdays, 7, when.tm_wday), when.tm_mday,
                  Name(kMonths, 12, when.tm_mon), when.tm_year + 1900, when.tm_hour, when.tm_min, when.tm_sec,
                  when.tm_zone ? when.tm_zone : "");
}

std::string CompactDateTime(const std::tm& when) {
    return Format("%04d%02d%02dT%02d%02d%02d", when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour,
                  when.tm_min, when.tm_sec);
}

std::string IsoDateTime(const std::tm& when) {
    return Format("%04d-%02d-%02dT%02d:%02d:%02d", when.tm_year + 1900, when.tm_mon + 1, when.tm_mday,
                  when.tm_hour, when.tm_min, when.tm_sec);
}

std::string TwoDigits(int number) { return Format("%02d", number); }
std::string FourDigits(int number) { return Format("%04d", number); }

}  // namespace pv
