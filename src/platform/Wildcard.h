#pragma once
// Name comparison the way the operator's Windows settings expect it: ASCII
// letters compare without regard to case, every other byte (Windows-1252
// text included) compares as itself.
#include <string>
#include <string_view>

namespace pv::platform {

char AsciiLower(char c);
// The text with its ASCII letters in lower case (other bytes as they are).
std::string AsciiLowered(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// <0, 0 or >0 like strcmp, comparing ASCII-lower-cased bytes as unsigned.
int CompareIgnoringCase(std::string_view a, std::string_view b);

// Matches a file name against a wildcard pattern with Windows rules:
// '*' any run of characters, '?' exactly one, ASCII case ignored.  "*.*"
// matches every name (also names without a dot); a pattern ending in ".*"
// also matches the name without that dot ("a.*" matches "a"); a pattern
// ending in "." matches only names without an extension ("*." matches
// "readme" but not "a.txt").  An empty pattern matches nothing.
bool WildcardMatch(const std::string& pattern, const std::string& name);

}  // namespace pv::platform
