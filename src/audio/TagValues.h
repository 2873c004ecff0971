#pragma once
// Values derived from the text tags: cue times in milliseconds, fade codes,
// start and stop dates, and the day-part grid.
#include <array>
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

namespace pv::audio {

constexpr int kDayPartFlagCount = 168;  // one per hour of the week
constexpr int kDayPartTextLength = 42;  // four flags to a character
using DayPartFlags = std::array<uint8_t, kDayPartFlagCount>;

// "7.5" -> 7500, "7.25" -> 7250, "12" -> 12000: seconds before the point,
// tenths and hundredths after it; reading stops at any other character.
// Only the first 69 characters count; seconds saturate rather than overflow.
int64_t ParseCueTimeMs(std::string_view text);

// 0 none, 1 fade, 2 talk-over, 3 end of music; unknown words are 0.
int FadeCode(std::string_view word);

// "MM/DD/YYYY" or "MM/DD/YYYY HH:MM:SS" as local time.  A bare date starts
// at 00:00:00, or ends at 23:59:59 for a stop date.  Anything else gives
// 01/01/2002 00:00:00 (start) or 01/01/2037 23:59:59 (stop).
std::time_t ParseTagDate(std::string_view text, bool stopDate);

// Every flag whose character is missing is 1.
DayPartFlags DecodeDayParts(std::string_view text);
std::string EncodeDayParts(const DayPartFlags& flags);

// Local time from its parts; -1 when it cannot be represented.
std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second);

}  // namespace pv::audio
