#include "platform/Wildcard.h"

namespace pv::platform {

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string AsciiLowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = AsciiLower(c);
    return lower;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareIgnoringCase(a, b) == 0;
}

int CompareIgnoringCase(std::string_view a, std::string_view b) {
    const size_t common = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < common; ++i) {
        const auto x = static_cast<unsigned char>(AsciiLower(a[i]));
        const auto y = static_cast<unsigned char>(AsciiLower(b[i]));
        if (x != y) return x < y ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

namespace {

bool SameLetter(char patternChar, char nameChar) {
    return patternChar == '?' || AsciiLower(patternChar) == AsciiLower(nameChar);
}

// Plain '*' / '?' matching.  On a mismatch after a '*', the star takes one
// more character and matching resumes; linear in practice, never recursive.
bool Glob(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t starAt = std::string_view::npos, resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() && SameLetter(pattern[p], name[n])) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool EndsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
    if (pattern.empty()) return false;
    if (Glob(pattern, name)) return true;
    const std::string_view view(pattern);
    if (EndsWith(view, ".*") && view.size() > 2)
        return WildcardMatch(pattern.substr(0, pattern.size() - 2), name);
    if (EndsWith(view, ".") && name.find('.') == std::string::npos)
        return Glob(view.substr(0, view.size() - 1), name);
    return false;
}

}  // namespace pv::platform
