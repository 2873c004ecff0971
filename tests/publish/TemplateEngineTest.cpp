#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "publish/TemplateEngine.h"
#include "publish/TemplateFixture.h"

namespace pv {
namespace {

struct FillCase {
    const char* name;
    std::string templateText;
    std::string page;
};

class TemplatePages : public test::TemplateFixture {
protected:
    void ExpectPages(const std::vector<FillCase>& cases) {
        for (const FillCase& c : cases) {
            ResetState();
            EXPECT_EQ(Fill(c.templateText), c.page) << c.name;
            EXPECT_TRUE(status.ok()) << c.name << ": " << status.message();
        }
    }
    std::string TemplatePath(const std::string& name = "TextTemplate.htm") const { return TemplateFolder() + name; }
};

TEST_F(TemplatePages, CopiesTextAndReplacesMarkers) {
    ExpectPages({
        {"markers among text", "a <!--Quillmark Slug --> b <!--Quillmark Show --> c\r\n",
         "a Council vote b Bob's Hour c\r\n"},
        {"any case", "<!--Quillmark slug -->|<!--Quillmark SHOW -->\r\n", "Council vote|Bob's Hour\r\n"},
        {"lines without markers", "<html>\r\n\r\n<body>\r\n", "<html>\r\n\r\n<body>\r\n"},
        {"line feeds alone become CRLF", "one\ntwo\n", "one\r\ntwo\r\n"},
        {"last line without its end", "<!--Quillmark Writer -->", "Ann\r\n"},
        {"markers side by side", "<!--Quillmark Slug --><!--Quillmark Writer -->\r\n", "Council voteAnn\r\n"},
        {"closer text after a marker", "<!--Quillmark Slug -->-->\r\n", "Council vote-->\r\n"},
        {"feed form", "<!--Quillmark Show-RSS -->\r\n", "Bob&apos;s Hour\r\n"},
        {"Filename Chars", "<!--Quillmark Filename Chars 0,3 -->\r\n", "0004\r\n"},
        {"cp1252 bytes pass as they are", "caf\xe9 \x93<!--Quillmark Slug -->\x94\r\n",
         "caf\xe9 \x93" "Council vote\x94\r\n"},
        {"empty template", "", ""},
    });
    EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(TemplatePages, UnknownAndMalformedMarkersStayAndAreReported) {
    ExpectPages({
        {"unknown", "x <!--Quillmark Nothing --> y\r\n", "x <!--Quillmark Nothing --> y\r\n"},
        {"unknown feed form", "<!--Quillmark Nothing-RSS -->\r\n", "<!--Quillmark Nothing-RSS -->\r\n"},
        {"empty name", "<!--Quillmark  -->\r\n", "<!--Quillmark  -->\r\n"},
        {"stray entry end", "<!--Quillmark End Ordered Entry -->\r\n", "<!--Quillmark End Ordered Entry -->\r\n"},
        {"stray list end", "<!--Quillmark end ordered list -->\r\n", "<!--Quillmark end ordered list -->\r\n"},
        {"stray region end", "<!--Quillmark End Replace -->\r\n", "<!--Quillmark End Replace -->\r\n"},
    });
    const std::string in = " in text template file " + TemplatePath() + ".";
    EXPECT_EQ(FatalTexts(), (std::vector<std::string>{
                                "Unrecognized macro name Nothing" + in,
                                "Unrecognized macro name Nothing-RSS" + in,
                                "Unrecognized macro name " + in,
                                "End Ordered Entry not valid outside of Begin/End Ordered Entry context.",
                                "end ordered list not valid without a Begin Ordered List.",
                                "Unrecognized macro name End Replace" + in,
                            }));
}

TEST_F(TemplatePages, MarkerWithoutCloserIsCopiedAsText) {
    ExpectPages({{"no closer", "a <!--Quillmark Slug -- b\r\n", "a <!--Quillmark Slug -- b\r\n"},
                 {"closer without its blank", "<!--Quillmark Slug-->\r\n", "<!--Quillmark Slug-->\r\n"},
                 {"after a good one", "<!--Quillmark Slug --> <!--Quillmark Show\r\n",
                  "Council vote <!--Quillmark Show\r\n"}});
    EXPECT_EQ(Notes(), std::vector<std::string>(3, "Corrupt macro definition in TextTemplate file " +
                                                       TemplatePath() + "."));
    EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(TemplatePages, ConditionalSections) {
    const std::string ifSlug = "<!--Quillmark If Slug -->yes<!--Quillmark Else -->no<!--Quillmark EndIf -->\r\n";
    const std::string nested =
        "<!--Quillmark If Slug -->A<!--Quillmark If Writer -->B<!--Quillmark Else -->C<!--Quillmark EndIf -->"
        "D<!--Quillmark Else -->E<!--Quillmark If Writer -->F<!--Quillmark Else -->G<!--Quillmark EndIf -->"
        "H<!--Quillmark EndIf -->\r\n";
    ExpectPages({
        {"true", ifSlug, "yes\r\n"},
        {"over lines", "<!--Quillmark If Slug -->\r\nshown\r\n<!--Quillmark EndIf -->\r\nafter\r\n",
         "\r\nshown\r\n\r\nafter\r\n"},
        {"false section drops its lines",
         "<!--Quillmark If User2 -->\r\nhidden <!--Quillmark Slug -->\r\n<!--Quillmark EndIf -->\r\nafter\r\n",
         "\r\nafter\r\n"},
        {"nested, both true", nested, "ABD\r\n"},
        {"not a macro changes nothing", "<!--Quillmark If Nothing -->x<!--Quillmark EndIf -->\r\n", "x\r\n"},
        {"feed form", "<!--Quillmark If Slug-RSS -->x<!--Quillmark EndIf -->\r\n", "x\r\n"},
        {"blocks and unknown markers in a false section",
         "<!--Quillmark If User2 --><!--Quillmark Story --><!--Quillmark Nothing -->"
         "<!--Quillmark Begin Replace a b --><!--Quillmark EndIf -->z\r\n",
         "z\r\n"},
        {"If without EndIf hides the rest", "a<!--Quillmark If User2 -->\r\nb\r\nc\r\n", "a"},
    });
    EXPECT_TRUE(FatalTexts().empty());
    values.slug.clear();
    header.m_strWriter.clear();
    ExpectPages({{"false", ifSlug, "no\r\n"}, {"nested, outer false", nested, "EGH\r\n"}});
}

// A section inside a hidden section stays hidden, whatever its own If says.
TEST_F(TemplatePages, SectionInsideAHiddenSectionStaysHidden) {
    descriptor.m_strUser[0] = "";
    ExpectPages({
        {"If true inside If false",
         "<!--Quillmark If User1 -->\r\n<!--Quillmark If Slug -->\r\nleak\r\n<!--Quillmark EndIf -->\r\n"
         "<!--Quillmark EndIf -->\r\nafter\r\n",
         "\r\nafter\r\n"},
        {"Else inside If false",
         "<!--Quillmark If User1 --><!--Quillmark If User1 -->a<!--Quillmark Else -->leak<!--Quillmark EndIf -->"
         "<!--Quillmark EndIf -->b\r\n",
         "b\r\n"},
        {"Else of the outer one shows its nested section",
         "<!--Quillmark If User1 -->a<!--Quillmark Else --><!--Quillmark If Slug -->shown<!--Quillmark EndIf -->"
         "<!--Quillmark EndIf -->\r\n",
         "shown\r\n"},
    });
}

TEST_F(TemplatePages, ElseAndEndIfWithoutIf) {
    ExpectPages({{"Else alone turns output off", "a<!--Quillmark Else -->b\r\nc\r\n", "a"},
                 {"EndIf alone turns it on", "<!--Quillmark EndIf -->a\r\n", "a\r\n"}});
    EXPECT_EQ(FatalTexts(), (std::vector<std::string>{"Else macro without If macro.", "EndIf macro without If macro."}));
}

TEST_F(TemplatePages, NamedSectionsOnlyExpandTheAliasSection) {
    const std::string text =
        "<!--Quillmark Slug -->\r\n"
        "<!--Quillmark Template Name News begin -->\r\n"
        "news <!--Quillmark Slug -->\r\n"
        "<!--Quillmark Template Name Sports begin --><!--Quillmark Show --><!--Quillmark Template Name Sports end -->\r\n"
        "<!--Quillmark Template Name news END -->\r\n"
        "plain <!--Quillmark Writer -->\r\n";
    story.options.templateName = "News";
    ResetState();
    EXPECT_EQ(Fill(text),
              "<!--Quillmark Slug -->\r\n"
              "<!--Quillmark Template Name News begin -->\r\n"
              "news Council vote\r\n"
              "<!--Quillmark Template Name Sports begin -->Bob's Hour<!--Quillmark Template Name Sports end -->\r\n"
              "<!--Quillmark Template Name news END -->\r\n"
              "plain <!--Quillmark Writer -->\r\n");
    story.options.templateName.clear();
    ResetState();
    EXPECT_EQ(Fill(text),
              "Council vote\r\n"
              "<!--Quillmark Template Name News begin -->\r\n"
              "news Council vote\r\n"
              "<!--Quillmark Template Name Sports begin -->Bob's Hour<!--Quillmark Template Name Sports end -->\r\n"
              "<!--Quillmark Template Name news END -->\r\n"
              "plain Ann\r\n");
    EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(TemplatePages, MalformedSectionSwitchesAreReported) {
    story.options.templateName = "News";
    ResetState();
    const std::string page = Fill(
        "<!--Quillmark Template Name News -->\r\n"
        "<!--Quillmark Template Name News x -->\r\n"
        "<!--Quillmark Template Name News start -->\r\n"
        "<!--Quillmark Template Name Sports start -->\r\n");
    EXPECT_TRUE(status.ok());
    const std::string in = " in text template file " + TemplatePath() + ".";
    EXPECT_EQ(FatalTexts(), (std::vector<std::string>{
                                "Improperly formatted macro Template Name News" + in,
                                "Improperly formatted macro Template Name News x" + in,
                                "Improperly formatted macro Template Name News start" + in,
                            }));
    EXPECT_NE(page.find("<!--Quillmark Template Name News x -->\r\n"), std::string::npos);
}

TEST_F(TemplatePages, StoryBlocks) {
    ExpectPages({
        {"story body", "<p>\r\n<!--Quillmark Story -->\r\n</p>\r\n",
         "<p>\r\nThe council met.\r\nIt voted.\r\n\r\n</p>\r\n"},
        {"whole text", "<!--Quillmark TextFile -->",
         "FILESLUG:Council vote\r\nFILESHOW:Bob's Hour\r\nThe council met.\r\nIt voted.\r\n\r\n"},
        {"feed form", "<!--Quillmark textfile-rss -->",
         "FILESLUG:Council vote\r\nFILESHOW:Bob&apos;s Hour\r\nThe council met.\r\nIt voted.\r\n\r\n"},
        {"twice", "<!--Quillmark Story --><!--Quillmark Story-RSS -->",
         "The council met.\r\nIt voted.\r\nThe council met.\r\nIt voted.\r\n\r\n"},
    });
    test::WriteWholeFile(dir / "story.txt", "No header <!--Quillmark Begin Replace x y -->\r\nFILEABCD:line\r\n");
    ExpectPages({{"text without a header, marker in it", "<!--Quillmark Story -->",
                  "No header &lt;!--Quillmark Begin Replace x y --&gt;\r\nFILEABCD:line\r\n\r\n"}});
}

TEST_F(TemplatePages, OrderedListRegionPassesThrough) {
    const std::string list =
        "before\r\n"
        "<!--Quillmark Begin Ordered List 5 Descending -->\r\n"
        "<!--Quillmark Entry Date 12/08/2025 -->\r\n"
        "<!--Quillmark Entry Slug Old story -->\r\n"
        "<p>Old story</p>\r\n"
        "<!--Quillmark End Ordered Entry -->\r\n"
        "<!--Quillmark End Ordered List -->\r\n"
        "after <!--Quillmark Slug -->\r\n";
    const std::string page = Fill(list);
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(page, list.substr(0, list.rfind("after")) + "after Council vote\r\n");
    EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(TemplatePages, ReplacedRegionIsRebuiltFromItsTemplate) {
    WriteTemplate("Item.htm", "<li><!--Quillmark Slug --></li>\r\n");
    const std::string page = Fill(
        "<ul>\r\n"
        "<!--Quillmark Begin Replace Item.htm ItemLink.htm -->\r\n"
        "<li>old</li>\r\n"
        "[old.mp3]\r\n"
        "[ photo one.jpg ]\r\n"
        "[]\r\n"
        " [not.mp3]\r\n"
        "<!--Quillmark End Replace -->\r\n"
        "</ul>\r\n");
    EXPECT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(page,
              "<ul>\r\n"
              "<!--Quillmark Begin Replace Item.htm ItemLink.htm -->\r\n"
              "<li>Council vote</li>\r\n"
              "<!--Quillmark End Replace -->\r\n"
              "</ul>\r\n");
    EXPECT_EQ(purger.purged, (std::vector<std::string>{"old.mp3@10", "photo one.jpg@10"}));
}

TEST_F(TemplatePages, ReplacedRegionKeepsOldLinkedFilesWhenTheAliasSaysSo) {
    WriteTemplate("Item.htm", "new\r\n");
    story.options.dontPurgeOldLinkedFiles = true;
    Fill("<!--Quillmark Begin Replace Item.htm x -->\r\n[old.mp3]\r\n<!--Quillmark End Replace -->\r\n");
    EXPECT_TRUE(status.ok());
    EXPECT_TRUE(purger.purged.empty());
}

TEST_F(TemplatePages, ReplacedRegionEdges) {
    WriteTemplate("Item.htm", "new <!--Quillmark Writer -->\r\n");
    ExpectPages({
        {"the end marker must match exactly",
         "<!--Quillmark Begin Replace Item.htm x -->\r\nold\r\n<!--Quillmark end replace -->\r\nlost\r\n",
         "<!--Quillmark Begin Replace Item.htm x -->\r\nnew Ann\r\n<!--Quillmark End Replace -->\r\n"},
        {"a template ending first ends the region",
         "<!--Quillmark Begin Replace Item.htm x -->\r\nold\r\n",
         "<!--Quillmark Begin Replace Item.htm x -->\r\nnew Ann\r\n<!--Quillmark End Replace -->\r\n"},
        {"text around the marker keeps its own lines",
         "<div><!--Quillmark Begin Replace Item.htm x --></div>\r\n<!--Quillmark End Replace -->\r\n",
         "<div><!--Quillmark Begin Replace Item.htm x -->\r\nnew Ann\r\n<!--Quillmark End Replace -->\r\n</div>\r\n"},
        {"without a link template name",
         "<!--Quillmark Begin Replace Item.htm -->\r\n<!--Quillmark End Replace -->\r\n",
         "<!--Quillmark Begin Replace Item.htm -->\r\nnew Ann\r\n<!--Quillmark End Replace -->\r\n"},
    });
}

// Fills a page whose text template is the page itself, as under
// modify_file, and writes the result back as the page.
class ModifiedPage : public TemplatePages {
protected:
    std::string FillPage() {
        ResetState();
        const std::string page = FillNamed(PagePath());
        EXPECT_TRUE(status.ok()) << status.message();
        test::WriteWholeFile(PagePath(), page);
        return page;
    }
    std::string PagePath() const { return dir / "out/News.htm"; }
};

TEST_F(ModifiedPage, SecondFillKeepsWhatTheFirstAdded) {
    std::filesystem::create_directories(dir / "out");
    WriteTemplate("Latest.htm", "<h2><!--Quillmark Slug --></h2>\r\n<!--Quillmark Begin Replace Byline.htm x -->\r\n");
    WriteTemplate("Byline.htm", "by <!--Quillmark Writer -->\r\n");
    story.options.templateName = "Top";
    // The alias's default page seeds the page at the first fill.
    WriteTemplate("News.htm",
                  "<html>\r\n"
                  "<p>First published as <!--Quillmark Slug --></p>\r\n"
                  "<!--Quillmark Template Name Top begin -->\r\n"
                  "<p>Updated: <!--Quillmark Slug --></p>\r\n"
                  "<div><!--Quillmark Begin Replace Latest.htm x --></div>\r\n"
                  "<!--Quillmark End Replace -->\r\n"
                  "<!--Quillmark Template Name Top end -->\r\n"
                  "<!--Quillmark Begin Ordered List 5 -->\r\n"
                  "<!--Quillmark End Ordered List -->\r\n"
                  "</html>\r\n");
    const std::string first = FillPage();
    EXPECT_EQ(first,
              "<html>\r\n"
              "<p>First published as <!--Quillmark Slug --></p>\r\n"
              "<!--Quillmark Template Name Top begin -->\r\n"
              "<p>Updated: Council vote</p>\r\n"
              "<div><!--Quillmark Begin Replace Latest.htm x -->\r\n"
              "<h2>Council vote</h2>\r\n"
              "<!--Quillmark Begin Replace Byline.htm x -->\r\n"
              "by Ann\r\n"
              "<!--Quillmark End Replace -->\r\n"
              "<!--Quillmark End Replace -->\r\n"
              "</div>\r\n"
              "<!--Quillmark Template Name Top end -->\r\n"
              "<!--Quillmark Begin Ordered List 5 -->\r\n"
              "<!--Quillmark End Ordered List -->\r\n"
              "</html>\r\n");

    values.slug = "Fire downtown";
    header.m_strWriter = "Bo";
    const std::string second = FillPage();
    EXPECT_EQ(second,
              "<html>\r\n"
              "<p>First published as <!--Quillmark Slug --></p>\r\n"
              "<!--Quillmark Template Name Top begin -->\r\n"
              "<p>Updated: Council vote</p>\r\n"
              "<div><!--Quillmark Begin Replace Latest.htm x -->\r\n"
              "<h2>Fire downtown</h2>\r\n"
              "<!--Quillmark Begin Replace Byline.htm x -->\r\n"
              "by Bo\r\n"
              "<!--Quillmark End Replace -->\r\n"
              "<!--Quillmark End Replace -->\r\n"
              "</div>\r\n"
              "<!--Quillmark Template Name Top end -->\r\n"
              "<!--Quillmark Begin Ordered List 5 -->\r\n"
              "<!--Quillmark End Ordered List -->\r\n"
              "</html>\r\n");
    EXPECT_EQ(FillPage(), second);
    EXPECT_TRUE(FatalTexts().empty());
}

// A value that looks like a marker goes into the page as text and stays
// text at every later fill: it includes nothing and commands nothing.
TEST_F(ModifiedPage, HostileValuesStayText) {
    std::filesystem::create_directories(dir / "out");
    const std::string secret = dir / "secret.htm";
    test::WriteWholeFile(secret, "SECRET\r\n");
    WriteTemplate("Latest.htm", "<!--Quillmark Slug --> / <!--Quillmark Show -->\r\n");
    test::WriteWholeFile(PagePath(),
                         "<p><!--Quillmark Slug --></p>\r\n"
                         "<p><!--Quillmark User1 --></p>\r\n"
                         "<!--Quillmark Begin Replace Latest.htm x -->\r\n"
                         "<!--Quillmark End Replace -->\r\n");
    values.slug = "<!--Quillmark Begin Replace " + secret + " x -->";
    descriptor.m_strUser[0] = "a --> <!--Quillmark End Replace -->\r\n<!--Quillmark Slug -->";
    header.m_strShow = "..\\..\\etc \x93q\x94 caf\xe9";
    const std::string shownSlug = "&lt;!--Quillmark Begin Replace " + secret + " x --&gt;";
    const std::string first = FillPage();
    EXPECT_EQ(first,
              "<p>" + shownSlug + "</p>\r\n"
              "<p>a --&gt; &lt;!--Quillmark End Replace --&gt; &lt;!--Quillmark Slug --&gt;</p>\r\n"
              "<!--Quillmark Begin Replace Latest.htm x -->\r\n" +
              shownSlug + " / ..\\..\\etc \x93q\x94 caf\xe9\r\n"
              "<!--Quillmark End Replace -->\r\n");
    EXPECT_EQ(FillPage(), first);
    EXPECT_EQ(first.find("SECRET"), std::string::npos);
    EXPECT_TRUE(FatalTexts().empty());
}

// A relative template folder (as an alias may write it) hangs off the
// working folder, not off the current folder of the process.
TEST_F(TemplatePages, RelativeTemplateFolderHangsOffTheWorkingFolder) {
    story.options.templateFolder = "tpl\\";
    EXPECT_EQ(Fill("<!--Quillmark Slug -->\r\n"), "Council vote\r\n");
    EXPECT_TRUE(status.ok()) << status.message();
}

TEST_F(TemplatePages, MissingTemplateFails) {
    const std::string page = FillNamed("Missing.htm");
    EXPECT_EQ(status.code(), Status::Code::notFound);
    EXPECT_EQ(page, "");
    EXPECT_EQ(FatalTexts(), std::vector<std::string>{"Neither the TextTemplate nor the default TextTemplate exist. " +
                                                     TemplatePath("Missing.htm")});
}

TEST_F(TemplatePages, MissingTemplateIsSeededFromTheDefault) {
    WriteTemplate("Page.htm", "default <!--Quillmark Slug -->\r\n");
    std::filesystem::create_directories(dir / "site");
    EXPECT_EQ(FillNamed(dir / "site/Page.htm"), "default Council vote\r\n");
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(test::ReadWholeFile(dir / "site/Page.htm"), "default <!--Quillmark Slug -->\r\n");
}

TEST_F(TemplatePages, DefaultThatCannotBeCopiedFails) {
    WriteTemplate("Page.htm", "default\r\n");
    FillNamed(dir / "no/such/folder/Page.htm");
    EXPECT_FALSE(status.ok());
    ASSERT_EQ(FatalTexts().size(), 1u);
    EXPECT_EQ(FatalTexts()[0].rfind("Error copying the default text template file to " +
                                        (dir / "no/such/folder/Page.htm") + ". ", 0),
              0u);
}

// A server that refuses: whether the template exists cannot be told, so
// it is opened, which fails.
TEST_F(TemplatePages, TemplateThatCannotBeOpenedFails) {
    FillNamed("ftp://127.0.0.1:1/News.htm|webuser|s3cret|");
    EXPECT_EQ(status.code(), Status::Code::ioError);
    EXPECT_EQ(FatalTexts(), std::vector<std::string>{"Can't open text template file ftp://127.0.0.1:1/News.htm."});
}

TEST_F(TemplatePages, MissingLinkTemplateIsCopiedFromTheStock) {
    std::filesystem::create_directories(dir / "Pressvane/Templates");
    test::WriteWholeFile(dir / "Pressvane/Templates/TextLinkTemplate.htm", "stock link\r\n");
    Fill("x\r\n");
    EXPECT_TRUE(status.ok());
    EXPECT_EQ(test::ReadWholeFile(TemplatePath("TextLinkTemplate.htm")), "stock link\r\n");
    FillNamed("TextTemplate.htm", "Absent.htm");
    EXPECT_TRUE(status.ok());
    EXPECT_FALSE(std::filesystem::exists(TemplatePath("Absent.htm")));
}

TEST_F(TemplatePages, TemplateIncludingItselfStopsAtTheDepthLimit) {
    const std::string text = "x\r\n<!--Quillmark Begin Replace TextTemplate.htm y -->\r\n<!--Quillmark End Replace -->\r\n";
    const std::string page = Fill(text);
    EXPECT_EQ(status.code(), Status::Code::invalidArgument);
    const std::string level = "x\r\n<!--Quillmark Begin Replace TextTemplate.htm y -->\r\n";
    std::string expected;
    for (int i = 0; i < TemplateEngine::kMaxTemplateDepth; ++i) expected += level;
    EXPECT_EQ(page, expected);
    EXPECT_EQ(FatalTexts(), std::vector<std::string>{"Template TextTemplate.htm includes itself, or templates nest "
                                                     "deeper than 8 levels."});
}

TEST_F(TemplatePages, TemplatesIncludingEachOtherStop) {
    WriteTemplate("A.htm", "<!--Quillmark Begin Replace B.htm x -->\r\n");
    WriteTemplate("B.htm", "<!--Quillmark Begin Replace A.htm x -->\r\n");
    FillNamed("A.htm");
    EXPECT_FALSE(status.ok());
    EXPECT_EQ(FatalTexts().size(), 1u);
    // The next fill starts at depth 0 again.
    WriteTemplate("C.htm", "c\r\n");
    EXPECT_EQ(FillNamed("C.htm"), "c\r\n");
    EXPECT_TRUE(status.ok());
}

TEST_F(TemplatePages, MessagesNeverShowCredentials) {
    story.options.templateFolder = TemplateFolder() + "|webuser|s3cret|";
    FillNamed("Missing.htm");
    ASSERT_EQ(FatalTexts().size(), 1u);
    EXPECT_EQ(FatalTexts()[0].find("s3cret"), std::string::npos) << FatalTexts()[0];
    EXPECT_EQ(FatalTexts()[0].find("webuser"), std::string::npos) << FatalTexts()[0];
}

TEST_F(TemplatePages, WritesIntoAFile) {
    WriteTemplate("TextTemplate.htm", "a <!--Quillmark Slug -->\n<!--Quillmark Story -->");
    CFTPFile page(access);
    ASSERT_TRUE(page.Open(dir / "page.htm.tmp", platform::File::modeWrite | platform::File::modeCreate));
    CFTPFile storyText(access);
    ASSERT_TRUE(storyText.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
    FilePageOutput output(page);
    StoryReports reports(messages, reporter, route, values.slug);
    const MacroExpander macros(values, clock);
    TemplateFill fill{route, story, macros, storyText, output, reports, references};
    EXPECT_TRUE(engine.FillTemplate(fill, "TextTemplate.htm", "TextLinkTemplate.htm").ok());
    output.Flush();
    EXPECT_TRUE(page.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "page.htm.tmp"), "a Council vote\r\nThe council met.\r\nIt voted.\r\n\r\n");
}

// The pieces are gathered and written in large ones; what is left goes
// when the output does.
TEST_F(TemplatePages, AFileGetsEveryPieceInOrder) {
    CFTPFile page(access);
    ASSERT_TRUE(page.Open(dir / "page.htm.tmp", platform::File::modeWrite | platform::File::modeCreate));
    std::string expected;
    {
        FilePageOutput output(page);
        for (int i = 0; expected.size() < 2 * FilePageOutput::kBufferSize + 100; ++i) {
            const std::string piece = std::to_string(i) + (i % 10 == 9 ? "\r\n" : ",");
            output.Write(piece);
            expected += piece;
        }
    }
    EXPECT_TRUE(page.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "page.htm.tmp"), expected);
}

}  // namespace
}  // namespace pv
