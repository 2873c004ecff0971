#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "publish/FolderAliasLine.h"
#include "publish/StoryAliases.h"

namespace pv {
namespace {

TEST(FolderAliasLine, CommentsAreEmptyLinesAndLinesStartingWithSemicolonOrBlank) {
    const struct {
        std::string line;
        bool comment;
    } cases[] = {
        {"", true},
        {";News;output_filename=a.htm", true},
        {" News;output_filename=a.htm", true},
        {"\tNews;x", true},
        {"News;output_filename=a.htm", false},
        {"Sports", false},
        {"=x;", false},
        {";", true},
    };
    for (const auto& c : cases) EXPECT_EQ(IsFolderAliasComment(c.line), c.comment) << '"' << c.line << '"';
}

TEST(FolderAliasLine, TheAliasIsTheTextBeforeTheFirstSemicolonAsWritten) {
    const struct {
        std::string line;
        std::optional<std::string> alias;
    } cases[] = {
        {"News;output_filename=a.htm", "News"},
        {"Local News ;a;b", "Local News "},
        {";x", ""},
        {"Sports", std::nullopt},
        {"News;", "News"},
    };
    for (const auto& c : cases) {
        const auto alias = FolderAliasOfLine(c.line);
        ASSERT_EQ(alias.has_value(), c.alias.has_value()) << c.line;
        if (alias) {
            EXPECT_EQ(std::string(*alias), *c.alias) << c.line;
        }
    }
}

struct Parsed {
    std::string written, key, value;
    bool operator==(const Parsed&) const = default;
};

std::vector<Parsed> Parse(const std::string& line) {
    std::vector<Parsed> parsed;
    for (const FolderAliasOption& option : FolderAliasOptions(line))
        parsed.push_back({option.written, option.key, option.value});
    return parsed;
}

TEST(FolderAliasLine, OptionsSplitAtTheirFirstEqualsSignUnlessItLeads) {
    EXPECT_EQ(Parse("News;Output_Filename = News.htm ; REPLACE_FILE"),
              (std::vector<Parsed>{{"Output_Filename = News.htm ", "output_filename", "News.htm"},
                                   {" REPLACE_FILE", "replace_file", ""}}));
    EXPECT_EQ(Parse("News;eol=a=b"), (std::vector<Parsed>{{"eol=a=b", "eol", "a=b"}}));
    EXPECT_EQ(Parse("News;=x"), (std::vector<Parsed>{{"=x", "=x", ""}}));
    EXPECT_EQ(Parse("News;nbsp="), (std::vector<Parsed>{{"nbsp=", "nbsp", ""}}));
    EXPECT_EQ(Parse("News;\tKey\t=\tvalue with blanks\t"),
              (std::vector<Parsed>{{"\tKey\t=\tvalue with blanks\t", "key", "value with blanks"}}));
}

TEST(FolderAliasLine, EmptyPiecesAreOptionsWithAnEmptyKey) {
    EXPECT_EQ(Parse("News;output_filename=News.htm;"),
              (std::vector<Parsed>{{"output_filename=News.htm", "output_filename", "News.htm"}, {"", "", ""}}));
    EXPECT_EQ(Parse("News;a;;b"), (std::vector<Parsed>{{"a", "a", ""}, {"", "", ""}, {"b", "b", ""}}));
    EXPECT_EQ(Parse("News;"), (std::vector<Parsed>{{"", "", ""}}));
    EXPECT_EQ(Parse("Sports"), std::vector<Parsed>{});
    EXPECT_EQ(Parse(""), std::vector<Parsed>{});
}

TEST(FolderAliasLine, OptionTextsAreShownWithoutPasswords) {
    const struct {
        std::string written, shown;
    } cases[] = {
        {"colour=blue", "colour=blue"},
        {"=x", "=x"},
        {"pasword=secret", "pasword=****"},
        {"Passwd = secret", "Passwd =****"},
        {"user_pw:secret", "user_pw:****"},
        {"outputfile=ftp://h/out/|me|secret|x.htm", "outputfile=ftp://h/out/|me|****|x.htm"},
        {"out=ftp://h/|me|secret", "out=ftp://h/|me|****"},
        {"out=ftp://h/|secret", "out=ftp://h/|****"},
        {"a=x|u|p1|y|v|p2|z", "a=x|u|****|y|v|****|z"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(OptionTextForDisplay(c.written), c.shown) << c.written;
}

// ---------------------------------------------------------------------------
// Alias names

TEST(StoryAliasNames, ANameThatCouldReachAPathIsRefused) {
    const struct {
        std::string alias;
        std::string why;  // empty: usable
    } cases[] = {
        {"News", ""},
        {"Local News", ""},
        {"Caf\xe9", ""},
        {"v1.2", ""},
        {"", "empty file name"},
        {"news/local", "file name contains '/'"},
        {"news\\local", "file name contains '\\'"},
        {"a|b|c|", "file name contains '|'"},
        {"C:News", "it holds ':'"},
        {"..", "it holds \"..\""},
        {"News..", "it holds \"..\""},
        {"../etc", "it holds \"..\""},
        {"News\r\n", "file name contains a control character"},
        {std::string("a\0b", 3), "file name contains a control character"},
    };
    for (const auto& c : cases) {
        std::string why;
        EXPECT_EQ(IsUsableAlias(c.alias, &why), c.why.empty()) << AliasForDisplay(c.alias);
        EXPECT_EQ(why, c.why);
    }
    EXPECT_EQ(AliasForDisplay(std::string("a\r\n\0b\x7f", 6)), "a???b?");
}

TEST(StoryAliasNames, EachAliasIsListedOnceWhateverItsCase) {
    CFileData::WorkValues story;
    story.alias = "News";
    story.aliases = {"News"};
    EXPECT_EQ(AddStoryAlias(story, "Sports"), AliasAdded::added);
    EXPECT_EQ(AddStoryAlias(story, "SPORTS"), AliasAdded::alreadyListed);
    EXPECT_EQ(AddStoryAlias(story, "news"), AliasAdded::alreadyListed);
    std::string why;
    EXPECT_EQ(AddStoryAlias(story, "../x", &why), AliasAdded::refused);
    EXPECT_EQ(why, "it holds \"..\"");
    EXPECT_EQ(story.aliases, (std::vector<std::string>{"News", "Sports"}));

    CFileData::WorkValues another;
    another.alias = "Weather";  // being published, not (yet) in the list
    EXPECT_EQ(AddStoryAlias(another, "weather"), AliasAdded::alreadyListed);
    EXPECT_TRUE(another.aliases.empty());
}

}  // namespace
}  // namespace pv
