// Windows-1252 text to UTF-8 and back, as the archive database stores it.
#include <gtest/gtest.h>

#include <string>

#include "transport/Windows1252.h"

namespace pv {
namespace {

TEST(Windows1252, CharactersBecomeTheirUtf8) {
    struct Case {
        std::string windows1252;
        std::string utf8;
    };
    const Case cases[] = {
        {"", ""},
        {"Council vote; 'quoted' -- \"twice\"", "Council vote; 'quoted' -- \"twice\""},
        {"Caf\xe9", "Caf\xc3\xa9"},                                    // é
        {"\x93quoted\x94", "\xe2\x80\x9cquoted\xe2\x80\x9d"},          // “ ”
        {"\x80 \x85 \x99", "\xe2\x82\xac \xe2\x80\xa6 \xe2\x84\xa2"},  // € … ™
        {"\xa0\xff", "\xc2\xa0\xc3\xbf"},                              // no-break space, ÿ
        // Bytes the code page leaves unassigned stand for the C1 controls.
        {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},
        {std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.windows1252);
        EXPECT_EQ(Utf8FromWindows1252(c.windows1252), c.utf8);
        EXPECT_EQ(Windows1252FromUtf8(c.utf8), c.windows1252);
    }
}

TEST(Windows1252, EveryByteComesBackFromUtf8Unchanged) {
    std::string every;
    for (int byte = 0; byte < 256; ++byte) every += static_cast<char>(byte);
    EXPECT_EQ(Windows1252FromUtf8(Utf8FromWindows1252(every)), every);
}

// What the code page cannot hold, and bytes that are no UTF-8 at all,
// become "?" one for one.
TEST(Windows1252, Utf8ItCannotHoldBecomesQuestionMarks) {
    struct Case {
        std::string utf8;
        std::string windows1252;
    };
    const Case cases[] = {
        {"\xe2\x82\xac\xe6\x97\xa5", "\x80?"},  // € 日
        {"\xf0\x9f\x93\xbb radio", "? radio"},  // a four-byte character
        {"\xc2\x80", "?"},                      // U+0080: no byte of the code page
        {"\xc3", "?"},                          // cut short
        {"\xc3(", "?("},
        {"\xc0\xaf", "??"},          // overlong "/"
        {"\xed\xa0\x80", "???"},     // a surrogate
        {"\xf4\x90\x80\x80", "????"},  // beyond U+10FFFF
        {"\xff\xfe", "??"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(Windows1252FromUtf8(c.utf8), c.windows1252);
    }
}

}  // namespace
}  // namespace pv
