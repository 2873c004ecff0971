#pragma once
// Turns one line of an FTP "LIST" answer into a directory entry.  Servers
// choose their own line format; the parser knows the "+" fact lines, Unix
// long listings (with the NetWare and Macintosh variants), VMS listings and
// MS-DOS/IIS listings.  Anything else is "not recognised" and is skipped.
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace pv {

struct FtpListEntry {
    std::string name;
    bool mayBeFolder = false;  // changing into it may work
    bool mayBeFile = false;    // retrieving it may work
    int sizeType = 0;          // 0 not given, 1 exact bytes
    int64_t size = 0;
    int timeType = 0;  // 0 none, 1 absolute (epoch s), 2 server local date+time as if UTC, 3 date only
    int64_t time = 0;
    int idType = 0;  // 0 none, 1 unique and stable identifier
    std::string id;
};

// One parser per FTP session: it remembers the current year the first time a
// listing date without a year has to be placed.  Not thread-safe.
class FtpListParser {
public:
    using NowFunction = std::function<std::time_t()>;

    // An empty `now` reads the system clock.
    explicit FtpListParser(NowFunction now = {});

    // Fills `entry` from `line` (without its LF; a trailing CR is ignored).
    // False when the line is in no known format, is cut short or has no
    // name; the entry is then reset and should be skipped.
    bool ParseListLine(FtpListEntry& entry, std::string_view line);

private:
    bool ParseAnyFormat(FtpListEntry& entry, std::string_view line);
    bool ParseLongListing(FtpListEntry& entry, std::string_view line);
    bool SetClockOrYear(FtpListEntry& entry, int month, int64_t day, std::string_view field);
    int64_t GuessYear(int month, int64_t day);

    NowFunction now_;
    std::optional<int64_t> currentYear_;
};

// Seconds from 1970-01-01 to 00:00 of (year, month 0..11, day) in the
// proleptic Gregorian calendar.  Days (and months) out of range carry into
// the following months and years.
int64_t DayCountSeconds(int64_t year, int month, int64_t day);

}  // namespace pv
