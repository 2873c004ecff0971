#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/FeedText.h"

namespace pv {
namespace {

struct FeedCase {
    std::string text;
    std::string converted;
};

TEST(FeedText, ConvertsMarkupAndLatinLetters) {
    const std::vector<FeedCase> cases = {
        {"Tom & Jerry's <b>", "Tom &amp; Jerry&apos;s &lt;b&gt;"},
        {"say \"hi\" `now`", "say &quot;hi&quot; &quot;now&quot;"},
        {"it\x92s \xb4quoted\xb4", "it&quot;s &quot;quoted&quot;"},
        {"rock & roll &", "rock &amp; roll &"},
        {"&", "&"},
        {"&&", "&amp;&"},
        {"\xa0", "&nbsp;"},
        {"\xc0\xc9\xd7\xdf\xe9\xf7\xff", "&Agrave;&Eacute;&times;&szlig;&eacute;&divide;&yuml;"},
        {"\x80\x93\x94\xbf", "\x80\x93\x94\xbf"},
        {"a  b   c", "a b c"},
        {"a__b---c", "a_b-c"},
        {"<!-- x -->", "&lt;!- x -&gt;"},
        {"", ""},
    };
    for (const FeedCase& c : cases) {
        std::string text = c.text;
        ConvertForFeed(text);
        EXPECT_EQ(text, c.converted) << c.text;
    }
}

// A text that begins with "&nbsp;" counts as converted: only the runs shrink.
TEST(FeedText, TextBeginningWithNbspIsLeftAlone) {
    const std::vector<FeedCase> cases = {
        {"&nbsp;Tom & Jerry's  <b>", "&nbsp;Tom & Jerry's <b>"},
        {"&nbsp;", "&nbsp;"},
        {"&nbsp", "&amp;nbsp"},
        {"\xa0x", "&nbsp;x"},
    };
    for (const FeedCase& c : cases) {
        std::string text = c.text;
        ConvertForFeed(text);
        EXPECT_EQ(text, c.converted) << c.text;
    }
}

TEST(FeedText, LongTextIsConvertedInLinearTime) {
    std::string text(200000, '<');
    ConvertForFeed(text);
    EXPECT_EQ(text.size(), 800000u);
}

}  // namespace
}  // namespace pv
