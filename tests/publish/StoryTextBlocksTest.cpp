// The story blocks: the story text as page lines, blank runs, preformatted
// text, separators, references handed to the link template, the feed form
// (every feed output is parsed as XML), and the "Audio" rows they ask for.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "publish/StoryTextBlocks.h"
#include "support/XmlCheck.h"
#include "publish/StoryFixture.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

const std::string kSeparator = "=-------------------------";
const std::string kHeader = "TQ32_SCRIPT1\r\nFILESLUG:Council vote\r\nFILESHOW:Bob's Hour\r\n";

class StoryBlocks : public test::StoryFixture {
protected:
    StoryBlocks() {
        // A link shows the reference as the story names it, in braces.
        WriteTemplate("TextLinkTemplate.htm", "{<!--Quillmark LinkedFilenameOriginal -->}");
    }
};

struct BodyCase {
    std::string name;
    std::string body;      // after the header
    std::string expected;  // what the Story block writes
};

TEST_F(StoryBlocks, BodyLinesOfAnHtmlPage) {
    const std::vector<BodyCase> cases = {
        {"three blanks", "a   b", "a&nbsp;&nbsp;&nbsp;b<BR>\r\n"},
        {"two blanks stay", "a  b c", "a  b c<BR>\r\n"},
        {"a run of five", "a     b", "a&nbsp;&nbsp;&nbsp;&nbsp;&nbsp;b<BR>\r\n"},
        {"empty line", "a\r\n\r\nb", "a<BR>\r\n<BR>\r\nb<BR>\r\n"},
        {"preformatted", "<pre>x   y\r\na   b\r\n</pre>\r\nc   d",
         "<pre>x   y<BR>\r\na   b<BR>\r\n</pre><BR>\r\nc&nbsp;&nbsp;&nbsp;d<BR>\r\n"},
        {"reference between words", "Hear it [cut.wav] now", "Hear it{cut.wav}\r\n now<BR>\r\n"},
        {"tab before a reference", "Hear\t[cut.wav]", "Hear{cut.wav}\r\n<BR>\r\n"},
        {"other character before a reference", "Tom,[cut.wav]", "Tom,{cut.wav}\r\n<BR>\r\n"},
        {"reference first, blanks in brackets", "[ cut.wav ]end", "{cut.wav}\r\nend<BR>\r\n"},
        {"two references", "[a.wav] and [b.jpg]", "{a.wav}\r\n and{b.jpg}\r\n<BR>\r\n"},
        {"empty brackets", "[] and [  ] x", " and x<BR>\r\n"},
        {"no closing bracket", "a [b", "a [b<BR>\r\n"},
        {"script after a link is dropped",
         "x\r\n" + kSeparator + "\r\n[cut.wav]\r\nscript one\r\nscript two\r\n" + kSeparator + "  \r\ny",
         "x<BR>\r\n{cut.wav}\r\n<BR>\r\ny<BR>\r\n"},
        {"no closing separator within six lines",
         kSeparator + "\r\n[cut.wav]\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n" + kSeparator + "\r\ny",
         "{cut.wav}\r\n<BR>\r\n1<BR>\r\n2<BR>\r\n3<BR>\r\n4<BR>\r\n5<BR>\r\n6<BR>\r\ny<BR>\r\n"},
        {"separator before text", "a\r\n" + kSeparator + "\r\nplain", "a<BR>\r\nplain<BR>\r\n"},
        {"separator before an empty line", kSeparator + "\r\n\r\nz", "<BR>\r\nz<BR>\r\n"},
        {"separator at the end", "a\r\n" + kSeparator, "a<BR>\r\n"},
        {"markers in story text", "<!--Quillmark Slug --> -->", "&lt;!--Quillmark Slug --&gt; --&gt;<BR>\r\n"},
        {"apostrophes stay", "Bob's", "Bob's<BR>\r\n"},
    };
    for (const BodyCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteStory(kHeader + c.body + "\r\n");
        EXPECT_EQ(Block(false), c.expected);
    }
}

// A plain-text page: no markup at line ends and blanks as they are; the
// alias's nbsp stands over both that and preformatted text.
TEST_F(StoryBlocks, PlainTextPagesAndTheNbspOption) {
    WriteStory(kHeader + "a   b\r\n<pre>\r\nc   d\r\n</pre>\r\n");
    UsePage(".txt");
    EXPECT_EQ(Block(false), "a   b\r\n<pre>\r\nc   d\r\n</pre>\r\n");
    story.work.blank = "&#160;";
    story.work.blankOverride = true;
    EXPECT_EQ(Block(false), "a&#160;&#160;&#160;b\r\n<pre>\r\nc&#160;&#160;&#160;d\r\n</pre>\r\n");
    UsePage(".htm");
    story.work.blank = "_";
    EXPECT_EQ(Block(false), "a___b<BR>\r\n<pre><BR>\r\nc___d<BR>\r\n</pre><BR>\r\n");
}

TEST_F(StoryBlocks, OptionsOfTheAliasAndTheSettings) {
    WriteStory(kHeader + "skip one\r\nskip two\r\nBob's  line\r\n\r\n" + kSeparator + "\r\n\r\nend\r\n");
    storyOptions.linesToIgnoreOnTopOfStory = 2;
    storyOptions.useUnicodeConversions = true;
    story.work.addSpaceToBlankLines = true;
    EXPECT_EQ(Block(false), "Bob&lsquo;s  line<BR>\r\n <BR>\r\n<BR>\r\nend<BR>\r\n");
}

// The TextFile block shows the header lines (never the magic line), the
// three link lines of a story whose links were moved to the top, as they
// are, then the body.
TEST_F(StoryBlocks, TextFileShowsTheHeaderAndTheLinkLines) {
    WriteStory(kHeader + "ignored\r\n[cut.wav]\r\n\r\n[photo.jpg]\r\nBody [x.wav].\r\n");
    storyOptions.linesToIgnoreOnTopOfStory = 1;
    story.options.moveFirstLinksToTop = true;
    story.work.addSpaceToBlankLines = true;
    EXPECT_EQ(Block(true), "FILESLUG:Council vote<BR>\r\nFILESHOW:Bob's Hour<BR>\r\n[cut.wav]<BR>\r\n <BR>\r\n"
                           "[photo.jpg]<BR>\r\nBody{x.wav}\r\n.<BR>\r\n");
    EXPECT_EQ(Block(false), "Body{x.wav}\r\n.<BR>\r\n");
}

// Without the magic line the story is converted from its first line; header
// lines are still known by their form.
TEST_F(StoryBlocks, HeaderLinesWithoutTheMagicLine) {
    WriteStory("FILESLUG:x\r\nFILE:no\r\nbody\r\n");
    EXPECT_EQ(Block(false), "FILE:no<BR>\r\nbody<BR>\r\n");
    EXPECT_EQ(Block(true), "FILESLUG:x<BR>\r\nFILE:no<BR>\r\nbody<BR>\r\n");
    WriteStory("tq32_script1\r\nbody\r\n");
    EXPECT_EQ(Block(false), "tq32_script1<BR>\r\nbody<BR>\r\n");
}

struct FeedCase {
    std::string name;
    std::string body;
    std::string expected;
    bool wellFormed = true;  // see FeedTextTest: a trailing "&" is kept on purpose
};

// The feed form (alias option rss): line break and blank escaped, every text
// piece converted, links as their template writes them.  An indented line
// stays well-formed: its blanks become "&nbsp;" only after the question
// whether the text was converted already was answered.
TEST_F(StoryBlocks, FeedFormIsWellFormedXml) {
    UseFeed();
    WriteTemplate("TextLinkTemplate.htm", "<link><!--Quillmark LinkedFilename --></link>");
    const std::vector<FeedCase> cases = {
        {"indented line", "   Tom & Jerry", "&amp;nbsp;&amp;nbsp;&amp;nbsp;Tom &amp; Jerry&lt;BR&gt;\r\n"},
        {"markup", "Tom & Jerry's <b>", "Tom &amp; Jerry&apos;s &lt;b&gt;&lt;BR&gt;\r\n"},
        {"converted before", "&nbsp;already", "&nbsp;already&lt;BR&gt;\r\n"},
        {"latin letters", "caf\xe9 \x93quoted\x94", "caf&eacute; \x93quoted\x94&lt;BR&gt;\r\n"},
        {"blank run inside", "a   b", "a&amp;nbsp;&amp;nbsp;&amp;nbsp;b&lt;BR&gt;\r\n"},
        {"link", "Hear it [cut.wav] now", "Hear it<link>cut.wav</link>\r\n now&lt;BR&gt;\r\n"},
        {"empty line", "a\r\n\r\nb", "a&lt;BR&gt;\r\n&lt;BR&gt;\r\nb&lt;BR&gt;\r\n"},
        {"ampersand before a link", "Tom &[cut.wav]", "Tom &<link>cut.wav</link>\r\n&lt;BR&gt;\r\n", false},
    };
    std::vector<std::string> outputs;
    for (const FeedCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteStory(kHeader + c.body + "\r\n");
        outputs.push_back(Block(false));
        EXPECT_EQ(outputs.back(), c.expected);
    }
    // The header lines of the TextFile block are converted too.
    WriteStory("TQ32_SCRIPT1\r\nFILESHOW:Tom & Jerry's <b>\r\nx\r\n");
    outputs.push_back(Block(true));
    EXPECT_EQ(outputs.back(), "FILESHOW:Tom &amp; Jerry&apos;s &lt;b&gt;&lt;BR&gt;\r\nx&lt;BR&gt;\r\n");

    const std::optional<std::vector<std::string>> errors = test::XmlParseErrors(outputs);
    ASSERT_TRUE(errors) << "the XML parser (/usr/bin/python3) could not be run";
    for (size_t i = 0; i < outputs.size(); ++i) {
        const bool wellFormed = i < cases.size() ? cases[i].wellFormed : true;
        EXPECT_EQ((*errors)[i].empty(), wellFormed) << outputs[i] << ": " << (*errors)[i];
    }
}

// The "-RSS" marker asks for the feed form on any page.
TEST_F(StoryBlocks, FeedModeOfTheMarker) {
    WriteStory(kHeader + "   a & b\r\n");
    EXPECT_EQ(Block(false, true), "&amp;nbsp;&amp;nbsp;&amp;nbsp;a &amp; b<BR>\r\n");
}

// One row per linked audio file and publication, however often the page
// names it (two blocks, the _HI variant); none for pictures, none when the
// alias keeps no archive or replaces its page.
TEST_F(StoryBlocks, AudioRowsOncePerLinkedFile) {
    WriteStory(kHeader + "[W:\\Audio\\cut.wav] [W:\\Audio\\cut_HI.wav] [W:\\Pictures\\photo.jpg]\r\n"
                         "Again [W:\\Audio\\cut.wav] and [W:\\Audio\\other.WAV]\r\n");
    story.options.databasePath = dir.Folder() + "db/Archive.mdb";
    LinkWriter links(access, WorkingFolder());
    StoryTextBlocks blocks(access, WorkingFolder(), storyOptions, links);
    Block(blocks, false, false);
    Block(blocks, true, true);
    std::vector<std::string> rows;
    for (const AudioRowNote& row : references->AudioRows()) rows.push_back(row.linkedFilename);
    EXPECT_EQ(rows, (std::vector<std::string>{"W:\\Audio\\cut.wav", "W:\\Audio\\other.WAV"}));

    for (const bool replace : {false, true}) {
        MakeReferences();
        story.options.databasePath = replace ? dir.Folder() + "db/Archive.mdb" : "";
        story.options.replaceFile = replace;
        Block(blocks, false, false);
        EXPECT_TRUE(references->AudioRows().empty());
    }
}

// A missing link template: the error text stands in the page and no row is
// asked for.
TEST_F(StoryBlocks, NoRowWithoutALink) {
    fs::remove(dir / "tpl/TextLinkTemplate.htm");
    story.options.databasePath = dir.Folder() + "db/Archive.mdb";
    WriteStory(kHeader + "Hear [cut.wav] now\r\n");
    EXPECT_EQ(Block(false), "Hear[ cut.wav-FileTemplateNotFound ]<BR>\r\n now<BR>\r\n");
    EXPECT_TRUE(references->AudioRows().empty());
}

// The audio format list is made afresh after the first story block of a
// run, and only then.
TEST_F(StoryBlocks, TheFormatListIsForgottenOnce) {
    const std::string list = dir / "work/Pressvane/Format.dat";
    test::WriteWholeFile(list, "old list");
    WriteStory(kHeader + "x\r\n");
    LinkWriter links(access, WorkingFolder());
    StoryTextBlocks blocks(access, WorkingFolder(), storyOptions, links);
    Block(blocks, false, false);
    EXPECT_FALSE(fs::exists(list));
    test::WriteWholeFile(list, "new list");
    Block(blocks, true, false);
    EXPECT_EQ(test::ReadWholeFile(list), "new list");
}

}  // namespace
}  // namespace pv
