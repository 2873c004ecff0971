#pragma once
// Local-time texts used by the status lines and log file names.
#include <ctime>
#include <string>

namespace pv {

// "%I:%M:%S %p  %m/%d/%Y  " - the prefix of every status line.
std::string StatusTimeStamp(std::time_t when);
// strftime into a std::string; empty when the local time cannot be computed.
std::string FormatLocalTime(std::time_t when, const char* format);
// A span of time as "HH:MM:SS", the hours counted modulo 24 (negative spans
// count as none).
std::string ElapsedText(std::time_t seconds);

}  // namespace pv
