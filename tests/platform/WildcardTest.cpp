#include <gtest/gtest.h>

#include "platform/Wildcard.h"

namespace pv::platform {
namespace {

struct MatchCase {
    const char* pattern;
    const char* name;
    bool matches;
};

TEST(Wildcard, MatchesWithWindowsRules) {
    const MatchCase cases[] = {
        {"*", "anything.wav", true},
        {"*", "", true},
        {"*.*", "story.txt", true},
        {"*.*", "README", true},
        {"*.*", ".hidden", true},
        {"*.wav", "NEWS.WAV", true},
        {"*.WAV", "news.wav", true},
        {"*.wav", "news.wav.tmp", false},
        {"*.wav", "news.mp3", false},
        {"*.", "README", true},
        {"*.", "a.txt", false},
        {"news.", "news", true},
        {"news.*", "news", true},
        {"news.*", "news.txt", true},
        {"news.*", "newsroom", false},
        {"a*.*", "abc", true},
        {"?.txt", "a.txt", true},
        {"?.txt", "ab.txt", false},
        {"?.txt", ".txt", false},
        {"b??k", "BOOK", true},
        {"*b*c*", "aXbYYcZ", true},
        {"*b*c*", "aXcYYbZ", false},
        {"a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"exact.txt", "EXACT.TXT", true},
        {"exact.txt", "exact.txt2", false},
        {"\xC9t\xE9.txt", "\xC9t\xE9.txt", true},   // Windows-1252 bytes compare as themselves
        {"\xC9t\xE9.txt", "\xE9t\xE9.txt", false},  // no case folding above ASCII
        {"", "", false},
        {"", "a", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.matches) << "pattern '" << c.pattern << "' name '" << c.name << "'";
}

TEST(Wildcard, ComparesAsciiLettersWithoutCase) {
    EXPECT_TRUE(EqualsIgnoringCase("News\\In", "NEWS\\in"));
    EXPECT_FALSE(EqualsIgnoringCase("news", "news2"));
    EXPECT_FALSE(EqualsIgnoringCase("\xC9", "\xE9"));
    EXPECT_LT(CompareIgnoringCase("apple", "Banana"), 0);
    EXPECT_GT(CompareIgnoringCase("b", "A"), 0);
    EXPECT_LT(CompareIgnoringCase("abc", "ABCD"), 0);
    EXPECT_EQ(CompareIgnoringCase("MiXeD", "mixed"), 0);
    EXPECT_GT(CompareIgnoringCase("\xE9", "z"), 0);  // high bytes sort after ASCII
}

}  // namespace
}  // namespace pv::platform
