// Link templates over a small template store: which template a reference
// is written from, what the LinkedFilename macros show, and what happens
// when a template is missing or broken.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "publish/LinkTemplates.h"
#include "publish/StoryFixture.h"
#include "support/AudioTestSupport.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

// Link.htm is the story's link template.  The alias's folder holds the
// templates for wav, jpg and links that are not copied ("htm.ALT"); the
// store holds the one for mp3.
class LinkTemplatesTest : public test::StoryFixture {
protected:
    LinkTemplatesTest() {
        WriteTemplate("Link.htm", "plain:<!--Quillmark LinkedFilename -->");
        WriteTemplate("Linkwav.htm", "wav:<!--Quillmark LinkedFilename -->");
        WriteTemplate("Linkjpg.htm", "jpg:<!--Quillmark LinkedFilename -->");
        WriteTemplate("Linkhtm.ALT", "alt:<!--Quillmark LinkedFilename -->");
        WriteStock("Linkmp3.htm", "stock mp3:<!--Quillmark LinkedFilename -->");
        for (const char* file : {"w/Audio/a.wav", "w/Audio/b.WAV", "w/Audio/song.mp3", "w/Audio/x.wma",
                                 "w/Pictures/photo.jpg", "w/Audio/News_LO.wav"})
            test::WriteWholeFile(dir / file, "data");
        test::WriteWholeFile(dir / "w/Audio/News_HI.wav", test::PcmWav(1, 8000, 16, 24000));
    }
    std::string LinkOf(const std::string& name, bool* written = nullptr) { return Link(name, written, "Link.htm"); }
};

TEST(LinkTemplateNames, TheTypeOfAReferenceChoosesItsTemplate) {
    struct Case {
        std::string reference;
        bool copied;
        std::string linkTemplate;
        std::string chosen;
    };
    const std::vector<Case> cases = {
        {"cut.wav", true, "Link.htm", "Linkwav.htm"},
        {"W:\\Cuts\\CUT.WAV", true, "Link.htm", "Linkwav.htm"},
        {"photo.jpg", true, "/srv/tpl/Link.htm", "/srv/tpl/Linkjpg.htm"},
        {"http://www.example.com/page.htm", false, "Link.htm", "Linkhtm.ALT"},
        {"notes.html", false, "Link.htm", "Linkhtm.ALT"},
        {"noextension", true, "Link.htm", "Linkhtm.htm"},
        {"a.b\\noextension", true, "Link.htm", "Linkhtm.htm"},
        {"ftp://host/x.wav", true, "ftp://host/tpl/|user|pw|Link.htm", "ftp://host/tpl/|user|pw|Linkwav.htm"},
        {"cut.wav", true, "Link", ""},
        {"cut.wav", true, "my.templates/Link", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TypeTemplateName(c.linkTemplate, ReferenceType(c.reference, ".htm"), c.copied), c.chosen)
            << c.reference << " " << c.linkTemplate;
    EXPECT_EQ(ReferenceType("noextension", ""), "");
    EXPECT_EQ(TypeTemplateName("Link.htm", "", true), "Link.htm");
    EXPECT_EQ(BareName("W:\\Cuts/cut.wav"), "cut.wav");
    EXPECT_EQ(BareName("/etc"), "/etc");
}

TEST_F(LinkTemplatesTest, EachReferenceIsWrittenFromTheTemplateOfItsType) {
    struct Case {
        std::string reference;
        std::string link;
    };
    const std::vector<Case> cases = {
        {"W:\\Audio\\a.wav", "wav:a.wav\r\n"},
        {"W:\\Audio\\b.WAV", "wav:b.WAV\r\n"},
        {"W:\\Pictures\\photo.jpg", "jpg:photo.jpg\r\n"},
        {"http://www.example.com/story.htm", "alt:www.example.com/story.htm\r\n"},
        {"notes.html", "alt:notes.html\r\n"},
        {"W:\\Audio\\song.mp3", "stock mp3:song.mp3\r\n"},
        {"W:\\Audio\\x.wma", "plain:x.wma\r\n"},
    };
    for (const Case& c : cases) {
        bool written = false;
        EXPECT_EQ(LinkOf(c.reference, &written), c.link) << c.reference;
        EXPECT_TRUE(written) << c.reference;
    }
    EXPECT_EQ(test::ReadWholeFile(dir / "tpl/Linkmp3.htm"), "stock mp3:<!--Quillmark LinkedFilename -->");
    EXPECT_FALSE(fs::exists(dir / "tpl/Linkwma.htm"));
}

// One template open for a block: the second reference of a type rewinds it.
TEST_F(LinkTemplatesTest, AnOpenTemplateIsRewoundForTheNextReference) {
    LinkWriter links(access, WorkingFolder());
    OpenLinkTemplate open(access);
    CFTPFile storyText(access);
    StringPageOutput output;
    const MacroExpander macros(values, clock);
    TemplateFill fill{route, story, macros, storyText, output, reports, *references};
    for (const char* name : {"W:\\Audio\\a.wav", "W:\\Audio\\b.WAV", "W:\\Pictures\\photo.jpg", "W:\\Audio\\a.wav"})
        EXPECT_TRUE(links.WriteLink(fill, open, LinkTemplatePath("Link.htm"), name));
    EXPECT_EQ(output.Text(), "wav:a.wav\r\nwav:b.WAV\r\njpg:photo.jpg\r\nwav:a.wav\r\n");
}

struct MacroCase {
    std::string reference;
    std::string macro;
    std::string value;
};

// Every macro of a link template, over a copied reference with its high and
// low variants (transferred to Pages/), a web page and a missing file
// without extension.
TEST_F(LinkTemplatesTest, LinkedFilenameMacros) {
    const std::string pages = dir.Folder() + "Pages/";
    std::string pagesWindows = pages;
    std::replace(pagesWindows.begin(), pagesWindows.end(), '/', '\\');
    const std::string news = "W:\\Audio\\News.wav";
    const std::string web = "http://www.example.com/a/b.htm";
    const std::string bare = "W:\\Audio\\noext";
    const std::vector<MacroCase> cases = {
        {news, "LinkedFilenameOriginal", "W:\\Audio\\News.wav"},
        {news, "LinkedFilename", "News_HI.wav"},
        {news, "linkedfilename", "News_HI.wav"},
        {news, "LinkedFilenameNoExt", "News_HI"},
        {news, "LinkedFilenameExtOnly", ".wav"},
        {news, "LinkedFilenameTitle", "News_HI"},
        {news, "LinkedFilenameNoPath", "News_HI.wav"},
        {news, "LinkedFilenameNoServer", pagesWindows + "News_HI.wav"},
        {news, "LinkedFilenameLo", "News_LO.wav"},
        {news, "LinkedFilenameNoPathLo", "News_LO.wav"},
        {news, "LinkedFilenameTitleLo", "News_LO"},
        {news, "LinkedFilenameNoServerLo", pagesWindows + "News_LO.wav"},
        {news, "LinkedFilename Chars 0,3", pages.substr(0, 4)},
        {news, "LinkedFilename Chars 99x", ""},
        {news, "LinkedFilenameTitle Chars 0,3", "News"},
        {news, "LinkedFilenameTitle Chars -5,2", "New"},
        {news, "LinkedFilenameTitle Chars 5,99", "HI.wav"},
        {news, "AF Length Milliseconds", "1.500"},
        {web, "LinkedFilename", "www.example.com/a/b.htm"},
        {web, "LinkedFilenameOriginal", "http://www.example.com/a/b.htm"},
        {web, "LinkedFilenameNoPath", "b.htm"},
        {web, "LinkedFilenameNoServer", "a\\b.htm"},
        {web, "LinkedFilenameLo", ""},
        {bare, "LinkedFilename", "\\Audio\\noext"},
        {bare, "LinkedFilenameExtOnly", "\\Audio\\noext"},
        {bare, "LinkedFilenameNoExt", "\\Audio\\noext"},
        {bare, "LinkedFilenameTitle", "noext"},
    };
    for (const MacroCase& c : cases) {
        WriteTemplate("Link.htm", "<!--Quillmark " + c.macro + " -->");
        WriteTemplate("Linkhtm.ALT", "<!--Quillmark " + c.macro + " -->");
        WriteTemplate("Linkwav.htm", "<!--Quillmark " + c.macro + " -->");
        EXPECT_EQ(LinkOf(c.reference), c.value + "\r\n") << c.reference << " " << c.macro;
    }
    EXPECT_TRUE(Notes().empty()) << Notes().front();
}

// If, Else and EndIf work in a link template; a name that is no macro, and
// a marker without its end, are reported and the link is still written.
TEST_F(LinkTemplatesTest, ConditionsAndBrokenMarkers) {
    WriteTemplate("Linkwav.htm",
                  "<!--Quillmark If AF Description -->described<!--Quillmark Else -->plain<!--Quillmark EndIf -->\r\n"
                  "<!--Quillmark Bogus -->x\r\n"
                  "<a href=\"<!--Quillmark LinkedFilename -->\">cut</a> <!--Quillmark LinkedFilename\r\n");
    bool written = false;
    EXPECT_EQ(LinkOf("W:\\Audio\\a.wav", &written), "plain\r\nx\r\n<a href=\"a.wav\">cut</a> LinkedFilename\r\n");
    EXPECT_TRUE(written);
    EXPECT_TRUE(Noted("Unrecognized macro name in text link template file " + dir.Folder() + "tpl/Linkwav.htm."));
    EXPECT_TRUE(Noted("Corrupt macro definition in TextLinkTemplate file " + dir.Folder() + "tpl/Linkwav.htm."));
    // The link is in the page, so its file stays.
    EXPECT_TRUE(fs::exists(dir / "Pages/a.wav"));
}

// With no template at all the page gets the error text; the copy this
// publication made goes again, and nothing else of the storage folder does,
// whatever its name.
TEST_F(LinkTemplatesTest, WithoutATemplateTheErrorTextStandsInThePage) {
    for (const char* name : {"Link.htm", "Linkwav.htm", "Linkjpg.htm", "Linkhtm.ALT"}) fs::remove(dir / ("tpl/" + std::string(name)));
    test::WriteWholeFile(dir / "Pages/Index.htm", "the story index");
    test::WriteWholeFile(dir / "Pages/photo.jpg", "an older photo");
    test::WriteWholeFile(dir / "w/Other/Index.htm", "x");
    references->Output("W:\\Audio\\a.wav");
    ASSERT_TRUE(fs::exists(dir / "Pages/a.wav"));

    bool written = true;
    EXPECT_EQ(LinkOf("W:\\Audio\\a.wav", &written), "[ a.wav-FileTemplateNotFound ]<BR>\r\n");
    EXPECT_FALSE(written);
    EXPECT_TRUE(Noted("Can't open link template file " + dir.Folder() + "tpl/Linkwav.htm. Using an error template "
                      "instead."));
    EXPECT_FALSE(fs::exists(dir / "Pages/a.wav"));
    EXPECT_TRUE(fs::exists(dir / "w/Audio/a.wav"));

    EXPECT_EQ(LinkOf("W:\\Other\\Index.htm"), "[ Index.htm-FileTemplateNotFound ]<BR>\r\n");
    EXPECT_EQ(LinkOf("http://www.example.com/photo.jpg"), "[ photo.jpg-FileTemplateNotFound ]<BR>\r\n");
    EXPECT_EQ(test::ReadWholeFile(dir / "Pages/Index.htm"), "the story index");
    EXPECT_EQ(test::ReadWholeFile(dir / "Pages/photo.jpg"), "an older photo");
}

}  // namespace
}  // namespace pv
