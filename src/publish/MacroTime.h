#pragma once
// The date and time forms of the template macros.  All are local time;
// names of days and months are English whatever the host's locale.
#include <ctime>
#include <string>

namespace pv {

std::string MonthDayYear(const std::tm& when);        // "12/09/2025"
std::string HoursMinutesSeconds(const std::tm& when);  // "08:05:03"
// "Tue, 09 Dec 2025 08:05:03 EST": the zone is the host's abbreviation for
// that time, as it stands (empty when the host gives none).
std::string Rfc2822DateTime(const std::tm& when);
std::string CompactDateTime(const std::tm& when);  // "20251209T080503"
std::string IsoDateTime(const std::tm& when);      // "2025-12-09T08:05:03"
// One number with printf's "%02d" or "%04d".
std::string TwoDigits(int number);
std::string FourDigits(int number);

}  // namespace pv
