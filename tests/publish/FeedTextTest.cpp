#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/FeedText.h"
#include "support/XmlCheck.h"

namespace pv {
namespace {

struct FeedCase {
    std::string text;
    std::string converted;
    // Whether the converted text is well-formed inside a feed.  The texts
    // that are not keep what they were given on purpose: a trailing "&"
    // (the text goes on in the next piece of the page), and text that came
    // already converted ("&nbsp;" first).
    bool wellFormed = true;
};

using Conversion = void (*)(std::string&);

// Converts every case, compares, and hands every result to an XML parser.
void ExpectConversions(Conversion convert, const std::vector<FeedCase>& cases) {
    std::vector<std::string> outputs;
    for (const FeedCase& c : cases) {
        std::string text = c.text;
        convert(text);
        EXPECT_EQ(text, c.converted) << c.text;
        outputs.push_back(text);
    }
    const std::optional<std::vector<std::string>> errors = test::XmlParseErrors(outputs);
    ASSERT_TRUE(errors) << "the XML parser (/usr/bin/python3) could not be run";
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ((*errors)[i].empty(), cases[i].wellFormed) << cases[i].text << " -> " << outputs[i] << ": "
                                                            << (*errors)[i];
}

TEST(FeedText, ConvertsMarkupAndLatinLetters) {
    ExpectConversions(ConvertForFeed, {
        {"Tom & Jerry's <b>", "Tom &amp; Jerry&apos;s &lt;b&gt;"},
        {"say \"hi\" `now`", "say &quot;hi&quot; &quot;now&quot;"},
        {"it\x92s \xb4quoted\xb4", "it&quot;s &quot;quoted&quot;"},
        {"rock & roll &", "rock &amp; roll &", false},
        {"&", "&", false},
        {"&&", "&amp;&", false},
        {"\xa0", "&nbsp;"},
        {"\xc0\xc9\xd7\xdf\xe9\xf7\xff", "&Agrave;&Eacute;&times;&szlig;&eacute;&divide;&yuml;"},
        {"\x80\x93\x94\xbf", "\x80\x93\x94\xbf"},
        {"a  b   c", "a b c"},
        {"a__b---c", "a_b-c"},
        {"<!-- x -->", "&lt;!- x -&gt;"},
        {"", ""},
    });
}

// A text that begins with "&nbsp;" counts as converted: only the runs shrink.
TEST(FeedText, TextBeginningWithNbspIsLeftAlone) {
    ExpectConversions(ConvertForFeed, {
        {"&nbsp;Tom & Jerry's  <b>", "&nbsp;Tom & Jerry's <b>", false},
        {"&nbsp;", "&nbsp;"},
        {"&nbsp", "&amp;nbsp"},
        {"\xa0x", "&nbsp;x"},
    });
}

// Text known to be plain is converted whole: an "&nbsp;" in it (a blank run
// the page turned into entities) is carried as escaped HTML.
TEST(FeedText, PlainTextIsConvertedWhole) {
    ExpectConversions(ConvertPlainTextForFeed, {
        {"&nbsp;&nbsp;&nbsp;Tom & Jerry's <b>", "&amp;nbsp;&amp;nbsp;&amp;nbsp;Tom &amp; Jerry&apos;s &lt;b&gt;"},
        {"a&nbsp;&nbsp;&nbsp;b", "a&amp;nbsp;&amp;nbsp;&amp;nbsp;b"},
        {"Tom & Jerry's <b>", "Tom &amp; Jerry&apos;s &lt;b&gt;"},
        {"rock & roll &", "rock &amp; roll &", false},
        {"\xa0\xe9", "&nbsp;&eacute;"},
        {"a  b", "a b"},
    });
}

TEST(FeedText, LongTextIsConvertedInLinearTime) {
    std::string text(200000, '<');
    ConvertForFeed(text);
    EXPECT_EQ(text.size(), 800000u);
}

}  // namespace
}  // namespace pv
