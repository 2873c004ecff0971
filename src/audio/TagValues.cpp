#include "audio/TagValues.h"

#include "platform/Clock.h"

#include "platform/Wildcard.h"

namespace pv::audio {

namespace {

constexpr size_t kCueTimeCharacters = 69;
constexpr int64_t kMaxCueSeconds = 1000000000000LL;  // far beyond any cue, far below overflow

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool AllDigits(std::string_view text) {
    for (char c : text) {
        if (!IsDigit(c)) return false;
    }
    return !text.empty();
}

int Number(std::string_view digits) {
    int value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

struct DateParts {
    int month = 0, day = 0, year = 0, hour = 0, minute = 0, second = 0;
};

bool Field(std::string_view text, size_t at, size_t length, int low, int high, int& out) {
    const auto digits = text.substr(at, length);
    if (!AllDigits(digits) || digits.size() != length) return false;
    out = Number(digits);
    return out >= low && out <= high;
}

bool ParseDateParts(std::string_view text, bool stopDate, DateParts& parts) {
    if (text.size() != 10 && text.size() != 19) return false;
    if (text[2] != '/' || text[5] != '/') return false;
    if (!Field(text, 0, 2, 1, 12, parts.month) || !Field(text, 3, 2, 1, 31, parts.day) ||
        !Field(text, 6, 4, 1970, 2037, parts.year)) {
        return false;
    }
    if (text.size() == 10) {
        if (stopDate) parts = {parts.month, parts.day, parts.year, 23, 59, 59};
        return true;
    }
    return text[10] == ' ' && text[13] == ':' && text[16] == ':' && Field(text, 11, 2, 0, 23, parts.hour) &&
           Field(text, 14, 2, 0, 59, parts.minute) && Field(text, 17, 2, 0, 59, parts.second);
}

}  // namespace

int64_t ParseCueTimeMs(std::string_view text) {
    text = text.substr(0, kCueTimeCharacters);
    size_t i = 0;
    int64_t seconds = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        if (seconds < kMaxCueSeconds) seconds = seconds * 10 + (text[i] - '0');
    }
    int64_t fraction = 0;
    if (i < text.size() && text[i] == '.') {
        ++i;
        for (int scale = 100; scale >= 10 && i < text.size() && IsDigit(text[i]); scale /= 10, ++i) {
            fraction += (text[i] - '0') * scale;
        }
    }
    return seconds * 1000 + fraction;
}

int FadeCode(std::string_view word) {
    using platform::EqualsIgnoringCase;
    for (const char* fade : {"FADE", "FADE UP", "FADE DOWN"}) {
        if (EqualsIgnoringCase(word, fade)) return 1;
    }
    for (const char* talk : {"TALKOVER", "TALK OVER previous cart", "TALK OVER next cart"}) {
        if (EqualsIgnoringCase(word, talk)) return 2;
    }
    for (const char* eom : {"EOM", "End Of Music"}) {
        if (EqualsIgnoringCase(word, eom)) return 3;
    }
    return 0;
}

std::time_t MakeLocalTime(int year, int month, int day, int hour, int minute, int second) {
    return platform::Clock::MakeLocalTime(year, month, day, hour, minute, second);
}

std::time_t ParseTagDate(std::string_view text, bool stopDate) {
    DateParts parts;
    if (!ParseDateParts(text, stopDate, parts)) {
        return stopDate ? MakeLocalTime(2037, 1, 1, 23, 59, 59) : MakeLocalTime(2002, 1, 1, 0, 0, 0);
    }
    return MakeLocalTime(parts.year, parts.month, parts.day, parts.hour, parts.minute, parts.second);
}

DayPartFlags DecodeDayParts(std::string_view text) {
    DayPartFlags flags;
    flags.fill(1);
    for (int i = 0; i < kDayPartFlagCount; ++i) {
        const size_t character = static_cast<size_t>(i / 4);
        if (character < text.size()) {
            flags[i] = (static_cast<unsigned char>(text[character]) >> (i % 4)) & 1;
        }
    }
    return flags;
}

std::string EncodeDayParts(const DayPartFlags& flags) {
    std::string text;
    for (int c = 0; c < kDayPartTextLength; ++c) {
        int bits = 0;
        for (int b = 0; b < 4; ++b) bits |= (flags[c * 4 + b] ? 1 : 0) << b;
        text += static_cast<char>(64 + bits);
    }
    return text;
}

}  // namespace pv::audio
