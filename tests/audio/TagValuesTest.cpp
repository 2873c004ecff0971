#include <gtest/gtest.h>

#include "audio/TagBlock.h"
#include "audio/TagValues.h"

namespace pv::audio {
namespace {

TEST(CueTime, ReadsSecondsTenthsAndHundredths) {
    const struct {
        std::string text;
        int64_t ms;
    } cases[] = {
        {"7.5", 7500},   {"7.25", 7250}, {"12", 12000},        {"", 0},         {"0.999", 990},
        {"3.", 3000},    {".5", 500},    {"4.5x", 4500},       {"x4", 0},       {" 4", 0},
        {"2.05", 2050},  {"1:30", 1000}, {"86400.01", 86400010},
        // Far more seconds than 32 bits of milliseconds hold.
        {"5000000", 5000000000LL},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseCueTimeMs(c.text), c.ms) << c.text;
}

TEST(CueTime, HugeValuesSaturateWithoutOverflow) {
    const std::string digits(200, '9');
    const int64_t ms = ParseCueTimeMs(digits);
    EXPECT_GT(ms, 0);
    EXPECT_EQ(ms, ParseCueTimeMs(std::string(69, '9')));
}

TEST(FadeCode, MapsWholeWordsWithoutRegardToCase) {
    const struct {
        std::string word;
        int code;
    } cases[] = {
        {"", 0},          {"NONE", 0},     {"whatever", 0},  {"FADE", 1}, {"fade up", 1}, {"Fade Down", 1},
        {"FADE UPX", 0},  {"TALKOVER", 2}, {"talk over previous cart", 2}, {"TALK OVER next cart", 2},
        {"EOM", 3},       {"end of music", 3}, {" EOM", 0},
    };
    for (const auto& c : cases) EXPECT_EQ(FadeCode(c.word), c.code) << c.word;
}

TEST(TagDate, AcceptsOnlyTheTwoFormsInRange) {
    const auto at = MakeLocalTime;
    const struct {
        std::string text;
        bool stop;
        std::time_t expected;
    } cases[] = {
        {"12/31/2005", false, at(2005, 12, 31, 0, 0, 0)},
        {"12/31/2005", true, at(2005, 12, 31, 23, 59, 59)},
        {"07/04/2010 13:45:07", false, at(2010, 7, 4, 13, 45, 7)},
        {"07/04/2010 13:45:07", true, at(2010, 7, 4, 13, 45, 7)},
        {"13/01/2005", false, at(2002, 1, 1, 0, 0, 0)},
        {"13/01/2005", true, at(2037, 1, 1, 23, 59, 59)},
        {"", false, at(2002, 1, 1, 0, 0, 0)},
        {"", true, at(2037, 1, 1, 23, 59, 59)},
        {"01/01/1969", false, at(2002, 1, 1, 0, 0, 0)},
        {"01/01/2038", false, at(2002, 1, 1, 0, 0, 0)},
        {"00/10/2005", false, at(2002, 1, 1, 0, 0, 0)},
        {"10/32/2005", false, at(2002, 1, 1, 0, 0, 0)},
        {"1/2/2005", false, at(2002, 1, 1, 0, 0, 0)},
        {"12/31/2005 24:00:00", false, at(2002, 1, 1, 0, 0, 0)},
        {"12/31/2005 23:60:00", false, at(2002, 1, 1, 0, 0, 0)},
        {"12/31/2005T23:00:00", false, at(2002, 1, 1, 0, 0, 0)},
        {"12/31/2005 ", false, at(2002, 1, 1, 0, 0, 0)},
        {"1a/31/2005", false, at(2002, 1, 1, 0, 0, 0)},
    };
    for (const auto& c : cases) EXPECT_EQ(ParseTagDate(c.text, c.stop), c.expected) << c.text << " stop " << c.stop;
}

TEST(DayParts, MissingCharactersAreSetAndBitsDecodeLowFirst) {
    const DayPartFlags all = DecodeDayParts("");
    for (auto flag : all) EXPECT_EQ(flag, 1);

    // "A" = 64+1: only the first flag of the four; "H" = 64+8: only the fourth.
    const DayPartFlags some = DecodeDayParts("AH@O");
    const int expected[] = {1, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 1, 1};
    for (int i = 0; i < 16; ++i) EXPECT_EQ(some[i], expected[i]) << i;
    for (int i = 16; i < kDayPartFlagCount; ++i) EXPECT_EQ(some[i], 1) << i;
}

TEST(DayParts, EncodeGivesFortyTwoCharactersThatDecodeBack) {
    DayPartFlags flags{};
    for (int i = 0; i < kDayPartFlagCount; ++i) flags[i] = (i % 3 == 0) ? 1 : 0;
    const std::string text = EncodeDayParts(flags);
    ASSERT_EQ(text.size(), 42u);
    for (char c : text) {
        EXPECT_GE(c, 64);
        EXPECT_LE(c, 79);
    }
    EXPECT_EQ(DecodeDayParts(text), flags);
    flags.fill(1);
    EXPECT_EQ(EncodeDayParts(flags), std::string(42, 'O'));
}

}  // namespace
}  // namespace pv::audio

namespace pv {
namespace {

TEST(TagBlock, IsBuiltInTableOrderWithLineBreaksEncoded) {
    AudioTagValues values;
    values[tagDescription] = "Two\r\nlines";
    values[tagArtist] = "cr\ronly and lf\nonly";
    values[tagYear] = "2024";
    const std::string block = BuildAudioTagBlock(values);
    const std::string expected =
        "QMTGBEGN\r\nQMTGDESC:Two<BR>lines\r\nQMTGOUTC:\r\nQMTGLPLD:\r\nQMTGTPLD:\r\nQMTGSAVD:\r\nQMTGCATG:\r\n"
        "QMTGSTAT:\r\nQMTGARST:cr<BR>only and lf<BR>only\r\nQMTGSTRT:\r\nQMTGSTOP:\r\nQMTGINTM:\r\nQMTGOTTM:\r\n"
        "QMTGINFD:\r\nQMTGOTFD:\r\nQMTGCDAT:\r\nQMTGMDAT:\r\nQMTGDAYP:\r\nQMTGISCI:\r\nQMTGTAG1:\r\nQMTGALBM:\r\n"
        "QMTGYEAR:2024\r\nQMTGENDL\r\n";
    EXPECT_EQ(block, expected);
}

TEST(TagBlock, ParsesTrimmedValuesAndTolerantLayout) {
    const std::string text =
        "junk before QMTGARST:ignored? no\r\n"
        "QMTGDESC:  Lead <BR>story \r\n"
        "QMTGARST:The Band\r\n"
        "QMTGCATG:NEWS";  // no CR after it: empty
    const AudioTagValues values = ParseAudioTagBlock(text);
    EXPECT_EQ(values[tagDescription], "Lead \r\nstory");
    EXPECT_EQ(values[tagArtist], "The Band");
    EXPECT_EQ(values[tagCategory], "");
    EXPECT_EQ(values[tagYear], "");
}

TEST(TagBlock, AValueQuotingAnotherPrefixDoesNotHideIt) {
    AudioTagValues values;
    values[tagDescription] = "see QMTGARST:fake";
    values[tagArtist] = "real";
    EXPECT_EQ(ParseAudioTagBlock(BuildAudioTagBlock(values))[tagArtist], "real");
}

}  // namespace
}  // namespace pv
