#include "transport/FtpListParser.h"

#include <algorithm>
#include <chrono>
#include <limits>
#include <utility>

namespace pv {
namespace {

constexpr size_t kNone = std::string_view::npos;
constexpr int64_t kDaySeconds = 86'400;
// A listing date without a year is placed no further back than this.
constexpr int64_t kRecentSpan = 350 * kDaySeconds;
// Days from 0000-03-01 to 1970-01-01.
constexpr int64_t kMarchZeroToEpoch = 719'468;
// Bounds that keep the calendar arithmetic inside 64 bits for any input.
constexpr int64_t kYearLimit = 100'000'000'000;
constexpr int64_t kDayLimit = 10'000'000'000'000;
constexpr uint64_t kClockLimit = 1'000'000'000'000;
constexpr uint64_t kMonthLimit = 1'000'000;

constexpr std::string_view kMonths[12] = {"jan", "feb", "mar", "apr", "may", "jun",
                                          "jul", "aug", "sep", "oct", "nov", "dec"};

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

int64_t AddSaturating(int64_t a, int64_t b) {
    int64_t sum = 0;
    if (!__builtin_add_overflow(a, b, &sum)) return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

int64_t ToSigned(uint64_t value) {
    constexpr uint64_t kMax = std::numeric_limits<int64_t>::max();
    return static_cast<int64_t>(std::min(value, kMax));
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal digits at the start of `text`: 0 without digits, the largest
// value when they do not fit.
uint64_t ReadNumber(std::string_view text) {
    constexpr uint64_t kMax = std::numeric_limits<uint64_t>::max();
    uint64_t value = 0;
    for (const char c : text) {
        if (!IsDigit(c)) break;
        const auto digit = static_cast<uint64_t>(c - '0');
        if (value > (kMax - digit) / 10) return kMax;
        value = value * 10 + digit;
    }
    return value;
}

// "Mar", "MAR" or "mar" (each letter in either case) -> 2; -1 for anything
// that is not exactly a three-letter month name.
int ReadMonth(std::string_view text) {
    if (text.size() != 3) return -1;
    for (int month = 0; month < 12; ++month) {
        const std::string_view lower = kMonths[month];
        bool same = true;
        for (size_t i = 0; i < 3 && same; ++i) same = text[i] == lower[i] || text[i] == lower[i] - 'a' + 'A';
        if (same) return month;
    }
    return -1;
}

int64_t ClockSeconds(uint64_t hour, uint64_t minute) {
    return static_cast<int64_t>(std::min(hour, kClockLimit) * 3'600 + std::min(minute, kClockLimit) * 60);
}

// The calendar year that holds `seconds` after 1970-01-01 00:00.
int64_t YearOf(int64_t seconds) {
    const int64_t days = FloorDiv(seconds, kDaySeconds) + kMarchZeroToEpoch;
    const int64_t era = FloorDiv(days, 146'097);
    const int64_t dayOfEra = days - era * 146'097;
    const int64_t yearOfEra = (dayOfEra - dayOfEra / 1'460 + dayOfEra / 36'524 - dayOfEra / 146'096) / 365;
    const int64_t dayFromMarch = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const bool janOrFeb = dayFromMarch >= 306;  // March to December hold 306 days
    return era * 400 + yearOfEra + (janOrFeb ? 1 : 0);
}

// A name or id runs to the end of its text or to a zero byte.  An entry
// without a name is of no use to anyone, so it makes the line unrecognised.
bool SetName(FtpListEntry& entry, std::string_view name) {
    name = name.substr(0, name.find('\0'));
    if (name.empty()) return false;
    entry.name.assign(name);
    return true;
}

// ---- "+" lines: comma-terminated facts, a tab, the name ----

void ApplyFact(FtpListEntry& entry, std::string_view fact) {
    if (fact.empty()) return;
    const std::string_view value = fact.substr(1);
    switch (fact[0]) {
    case '/': entry.mayBeFolder = true; break;
    case 'r': entry.mayBeFile = true; break;
    case 'i':
        entry.idType = 1;
        entry.id.assign(value.substr(0, value.find('\0')));
        break;
    case 'm':
        entry.timeType = 1;
        entry.time = ToSigned(ReadNumber(value));
        break;
    case 's':
        entry.sizeType = 1;
        entry.size = ToSigned(ReadNumber(value));
        break;
    default: break;
    }
}

bool ParseFacts(FtpListEntry& entry, std::string_view line) {
    size_t factStart = 1;
    for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '\t') return SetName(entry, line.substr(i + 1));
        if (line[i] != ',') continue;
        ApplyFact(entry, line.substr(factStart, i - factStart));
        factStart = i + 1;
    }
    return false;
}

// ---- Unix long listings ----

bool IsLongListingType(char c) { return std::string_view("bcdlps-").find(c) != kNone; }

// What a long listing line holds up to its time-or-year field.
struct LongListing {
    uint64_t size = 0;
    int month = 0;
    uint64_t day = 0;
    std::string_view clock;  // "14:05", "9:05" or a year
    std::string_view name;   // everything after the clock field's ending space
};

// Fields in order: permissions, link count, owner, [group], size, month,
// day, clock.  Macintosh servers write "folder" in place of link count and
// owner; a group is recognised by not being a month name.
int NextLongListingState(int state, std::string_view field, LongListing& out) {
    switch (state) {
    case 1: return 2;
    case 2: return field.size() == 6 && field[0] == 'f' ? 4 : 3;
    case 3: return 4;
    case 4: out.size = ReadNumber(field); return 5;
    case 5: {
        const int month = ReadMonth(field);
        if (month >= 0) {
            out.month = month;
            return 6;
        }
        out.size = ReadNumber(field);
        return 5;
    }
    default: out.day = ReadNumber(field); return 7;
    }
}

// False when the line ends before the clock field has ended with a space.
bool SplitLongListing(std::string_view line, LongListing& out) {
    int state = 1;
    size_t fieldStart = 0;
    for (size_t end = 1; end < line.size(); ++end) {
        if (line[end] != ' ' || line[end - 1] == ' ') continue;
        const std::string_view field = line.substr(fieldStart, end - fieldStart);
        if (state == 7) {
            out.clock = field;
            out.name = line.substr(end + 1);
            return true;
        }
        state = NextLongListingState(state, field, out);
        fieldStart = end + 1;
        while (fieldStart < line.size() && line[fieldStart] == ' ') ++fieldStart;
    }
    return false;
}

// Drops a link's target and the three spaces NetWare servers put before names.
std::string_view LongListingName(std::string_view line, std::string_view name) {
    if (line[0] == 'l') name = name.substr(0, name.find(" -> "));
    if ((line[1] == ' ' || line[1] == '[') && name.size() > 3 && name.starts_with("   ")) name.remove_prefix(3);
    return name;
}

// ---- Lines read by searching for delimiters (VMS, MS-DOS) ----

class Cursor {
public:
    Cursor(std::string_view line, size_t at) : line_(line), at_(std::min(at, line.size())) {}

    // The text up to the next of `stops`, which becomes the current
    // character; false when none follows.
    bool TakeUntil(std::string_view stops, std::string_view& taken) {
        const size_t stop = line_.find_first_of(stops, at_);
        if (stop == kNone) return false;
        taken = line_.substr(at_, stop - at_);
        at_ = stop;
        return true;
    }
    // Steps over a run of `c`; false when that reaches the end of the line.
    bool Skip(char c) {
        while (at_ < line_.size() && line_[at_] == c) ++at_;
        return at_ < line_.size();
    }
    char Peek(size_t ahead = 0) const { return at_ + ahead < line_.size() ? line_[at_ + ahead] : '\0'; }
    void Step() { at_ = std::min(at_ + 1, line_.size()); }
    std::string_view Rest() const { return line_.substr(at_); }

private:
    std::string_view line_;
    size_t at_;
};

// "NAME.EXT;1   <blocks>  8-SEP-2018 16:09 ...": skips to the date.
bool SkipVmsNameAndBlocks(Cursor& at) {
    std::string_view skipped;
    return at.TakeUntil(" ", skipped) && at.Skip(' ') && at.TakeUntil(" ", skipped) && at.Skip(' ');
}

// "8-SEP-2018 16:09" (seconds, if present, are ignored).
bool ReadVmsTime(Cursor& at, int64_t& time) {
    std::string_view day, month, year, hour;
    if (!at.TakeUntil("-", day) || !at.Skip('-') || !at.TakeUntil("-", month) || !at.Skip('-') ||
        !at.TakeUntil(" ", year) || !at.Skip(' ') || !at.TakeUntil(":", hour) || !at.Skip(':'))
        return false;
    const int monthIndex = ReadMonth(month);
    if (monthIndex < 0) return false;
    const int64_t date = DayCountSeconds(ToSigned(ReadNumber(year)), monthIndex, ToSigned(ReadNumber(day)));
    time = AddSaturating(date, ClockSeconds(ReadNumber(hour), ReadNumber(at.Rest())));
    return true;
}

bool ParseVms(FtpListEntry& entry, std::string_view line, size_t semicolon) {
    std::string_view name = line.substr(0, semicolon);
    const bool folder = name.size() > 4 && name.ends_with(".DIR");
    if (folder) name.remove_suffix(4);
    (folder ? entry.mayBeFolder : entry.mayBeFile) = true;
    Cursor at(line, semicolon);
    if (!SkipVmsNameAndBlocks(at) || !ReadVmsTime(at, entry.time)) return false;
    entry.timeType = 2;
    return SetName(entry, name);
}

// "04-27-19" or "04-27-2019" (month first) and the spaces after it.
bool ReadDosDate(Cursor& at, int64_t& date) {
    std::string_view month, day, year;
    if (!at.TakeUntil("-", month) || !at.Skip('-') || !at.TakeUntil("-", day) || !at.Skip('-') ||
        !at.TakeUntil(" ", year) || !at.Skip(' '))
        return false;
    uint64_t fullYear = ReadNumber(year);
    if (fullYear < 50) fullYear += 2000;
    if (fullYear <= 999) fullYear += 1900;
    const int monthIndex = static_cast<int>(std::min(ReadNumber(month), kMonthLimit)) - 1;
    date = DayCountSeconds(ToSigned(fullYear), monthIndex, ToSigned(ReadNumber(day)));
    return true;
}

// After the minutes: "AM"/"PM" glued on or as a field of its own; 24-hour
// servers have neither.  12 AM is midnight, 12 PM noon.
uint64_t ApplyDayHalf(Cursor& at, uint64_t hour) {
    const char half = at.Peek();
    if (half != 'A' && half != 'P') return hour;
    at.Step();
    if (at.Peek() == 'M') at.Step();
    if (half == 'A') return hour == 12 ? 0 : hour;
    return hour == 12 ? hour : hour + 12;
}

bool IsSeparateDayHalf(const Cursor& at) {
    return (at.Peek() == 'A' || at.Peek() == 'P') && at.Peek(1) == 'M' && at.Peek(2) == ' ';
}

// "09:09PM", "12:47AM", "21:09" and the spaces after it.
bool ReadDosClock(Cursor& at, int64_t& seconds) {
    std::string_view hour, minute;
    if (!at.TakeUntil(":", hour) || !at.Skip(':') || !at.TakeUntil("AP ", minute)) return false;
    if (at.Peek() == ' ') {
        if (!at.Skip(' ')) return false;
        if (!IsSeparateDayHalf(at)) {
            seconds = ClockSeconds(ReadNumber(hour), ReadNumber(minute));
            return true;
        }
    }
    const uint64_t hour24 = ApplyDayHalf(at, std::min(ReadNumber(hour), kClockLimit));
    seconds = ClockSeconds(hour24, ReadNumber(minute));
    return at.Skip(' ');
}

// "<DIR>" or a size, and the spaces after it.
bool ReadDosSizeOrFolder(Cursor& at, FtpListEntry& entry) {
    const bool folder = at.Peek() == '<';
    std::string_view size;
    if (!at.TakeUntil(" ", size) || !at.Skip(' ')) return false;
    if (folder) {
        entry.mayBeFolder = true;
        return true;
    }
    entry.mayBeFile = true;
    entry.sizeType = 1;
    entry.size = ToSigned(ReadNumber(size));
    return true;
}

bool ParseDos(FtpListEntry& entry, std::string_view line) {
    Cursor at(line, 0);
    int64_t date = 0;
    int64_t clock = 0;
    if (!ReadDosDate(at, date) || !ReadDosClock(at, clock) || !ReadDosSizeOrFolder(at, entry)) return false;
    entry.timeType = 2;
    entry.time = AddSaturating(date, clock);
    return SetName(entry, at.Rest());
}

}  // namespace

int64_t DayCountSeconds(int64_t year, int month, int64_t day) {
    const int64_t yearsInMonth = FloorDiv(month, 12);
    const int64_t monthOfYear = month - yearsInMonth * 12;
    year = std::clamp(year, -kYearLimit, kYearLimit) + yearsInMonth;
    day = std::clamp(day, -kDayLimit, kDayLimit);
    // Years counted from March put the leap day at the end of a counted year.
    const int64_t marchYear = monthOfYear < 2 ? year - 1 : year;
    const int64_t monthFromMarch = monthOfYear < 2 ? monthOfYear + 10 : monthOfYear - 2;
    const int64_t era = FloorDiv(marchYear, 400);
    const int64_t yearOfEra = marchYear - era * 400;
    const int64_t dayOfEra =
        yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + (153 * monthFromMarch + 2) / 5;
    return (era * 146'097 + dayOfEra - kMarchZeroToEpoch + day - 1) * kDaySeconds;
}

FtpListParser::FtpListParser(NowFunction now) : now_(std::move(now)) {
    if (!now_) now_ = [] { return std::chrono::system_clock::to_time_t(std::chrono::system_clock::now()); };
}

bool FtpListParser::ParseListLine(FtpListEntry& entry, std::string_view line) {
    entry = FtpListEntry{};
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.size() < 2) return false;
    const bool recognised = ParseAnyFormat(entry, line);
    if (!recognised) entry = FtpListEntry{};
    return recognised;
}

bool FtpListParser::ParseAnyFormat(FtpListEntry& entry, std::string_view line) {
    const char first = line[0];
    if (first == '+') return ParseFacts(entry, line);
    if (IsLongListingType(first)) return ParseLongListing(entry, line);
    const size_t semicolon = line.find(';');
    if (semicolon != kNone && ParseVms(entry, line, semicolon)) return true;
    if (!IsDigit(first)) return false;
    // An MS-DOS name may hold a ";" too.
    entry = FtpListEntry{};
    return ParseDos(entry, line);
}

bool FtpListParser::ParseLongListing(FtpListEntry& entry, std::string_view line) {
    LongListing fields;
    if (!SplitLongListing(line, fields)) return false;
    if (!SetClockOrYear(entry, fields.month, ToSigned(fields.day), fields.clock)) return false;
    entry.sizeType = 1;
    entry.size = ToSigned(fields.size);
    entry.mayBeFolder = line[0] == 'd' || line[0] == 'l';
    entry.mayBeFile = line[0] == '-' || line[0] == 'l';
    return SetName(entry, LongListingName(line, fields.name));
}

// "9:05" and "14:05" are this year's or last year's (guessed); a field of
// four or more characters is otherwise a year, with no clock time.
bool FtpListParser::SetClockOrYear(FtpListEntry& entry, int month, int64_t day, std::string_view field) {
    size_t colon = kNone;
    if (field.size() == 4 && field[1] == ':') colon = 1;
    if (field.size() == 5 && field[2] == ':') colon = 2;
    if (colon == kNone) {
        if (field.size() < 4) return false;
        entry.timeType = 3;
        entry.time = DayCountSeconds(ToSigned(ReadNumber(field)), month, day);
        return true;
    }
    const int64_t clock = ClockSeconds(ReadNumber(field.substr(0, colon)), ReadNumber(field.substr(colon + 1)));
    entry.timeType = 2;
    entry.time = AddSaturating(DayCountSeconds(GuessYear(month, day), month, day), clock);
    return true;
}

// The first year from last year on whose date is not more than 350 days
// before now (future dates count); 0 when no year in the next century fits.
int64_t FtpListParser::GuessYear(int month, int64_t day) {
    const int64_t now = static_cast<int64_t>(now_());
    if (!currentYear_) currentYear_ = YearOf(now);
    const int64_t earliest = AddSaturating(now, -kRecentSpan);
    for (int64_t year = *currentYear_ - 1; year <= *currentYear_ + 99; ++year)
        if (DayCountSeconds(year, month, day) > earliest) return year;
    return 0;
}

}  // namespace pv
