#include "publish/ArchiveValues.h"

#include <array>
#include <cstdio>
#include <limits>

namespace pv {

namespace {

constexpr std::string_view kDateSeparators = "\\/-";
constexpr std::string_view kTimeSeparators = "\\/-.:";

// The first three pieces of text between separators, each as a decimal
// number; missing pieces are 0.
std::array<int64_t, 3> ThreeNumbers(std::string_view text, std::string_view separators) {
    std::array<int64_t, 3> numbers{};
    for (int64_t& number : numbers) {
        const size_t cut = text.find_first_of(separators);
        number = ArchiveInteger(text.substr(0, cut));
        if (cut == std::string_view::npos) break;
        text.remove_prefix(cut + 1);
    }
    return numbers;
}

bool IsLeapYear(int64_t year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int64_t DaysInMonth(int64_t year, int64_t month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

ArchiveFieldValue Invalid() { return {std::nullopt, true}; }

}  // namespace

ArchiveFieldValue ArchiveDate(std::string_view text) {
    const auto [month, day, year] = ThreeNumbers(text, kDateSeparators);
    if (month == 0 && day == 0 && year == 0) return {};
    if (year < 100 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
        return Invalid();
    char iso[32];
    std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", static_cast<int>(year), static_cast<int>(month),
                  static_cast<int>(day));
    return {iso, false};
}

ArchiveFieldValue ArchiveTime(std::string_view text) {
    const auto [hours, minutes, seconds] = ThreeNumbers(text, kTimeSeparators);
    if (hours == 0 && minutes == 0 && seconds == 0) return {};
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59) return Invalid();
    char iso[32];
    std::snprintf(iso, sizeof iso, "%02d:%02d:%02d", static_cast<int>(hours), static_cast<int>(minutes),
                  static_cast<int>(seconds));
    return {iso, false};
}

ArchiveFieldValue ArchiveCreationTime(std::string_view headerTime) {
    return ArchiveTime(headerTime.size() > 3 ? headerTime.substr(3) : std::string_view());
}

FieldText ArchiveCueTime(int64_t milliseconds) {
    constexpr int64_t kDay = 24 * 60 * 60 * 1000;
    if (milliseconds <= 0 || milliseconds >= kDay) return std::nullopt;
    const int64_t seconds = milliseconds / 1000;
    char iso[32];
    std::snprintf(iso, sizeof iso, "%02d:%02d:%02d.%03d", static_cast<int>(seconds / 3600),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60),
                  static_cast<int>(milliseconds % 1000));
    return iso;
}

int64_t ArchiveInteger(std::string_view text) {
    size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t')) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) negative = text[at++] == '-';
    constexpr int64_t kMost = std::numeric_limits<int64_t>::max();
    int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const int digit = text[at] - '0';
        value = value > (kMost - digit) / 10 ? kMost : value * 10 + digit;
    }
    return negative ? -value : value;
}

}  // namespace pv
