// Index pages on real folders: made from their template when missing, one
// link line above every marker line, never the same link twice, never
// changed in place.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "notify/WireMessages.h"
#include "publish/IndexPages.h"
#include "support/FakeClock.h"
#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

const std::string kMarker = "<!--Quillmark Add new links before this line -->";

class IndexPageRun : public ::testing::Test {
protected:
    IndexPageRun() {
        fs::create_directories(dir / "Templates");
        fs::create_directories(dir / "Pressvane/Templates");
        fs::create_directories(dir / "Web");
        story.options.templateFolder = dir.Folder() + "Templates/";
        values.slug = "Council vote";
        values.outputFilename = "00041_vote.htm";
        Template("StoryIndexTemplate.htm", "<html><title><!--Quillmark Slug --></title>\r\n<ul>\r\n"
                                           "<!--Quillmark Add new links before this line -->\r\n</ul></html>\r\n");
        Template("StoryIndexLinkTemplate.htm", "<!-- one line per story -->\r\n<li><a href=\"<!--Quillmark TextFilename -->\">\r\n"
                                               "<!--Quillmark Slug --></a></li>\r\n");
    }
    void Template(const std::string& name, const std::string& text) {
        test::WriteWholeFile(dir / ("Templates/" + name), text);
    }
    bool Update(const std::string& page = {}) {
        StorySubmission submission{route, story, header, descriptor, {}, {}, openStory};
        RouteStoryState state;
        StoryReports reports(messages, reporter, route, values.slug);
        CFTPFile output(files);
        Publication publication{submission, state, reports, output, values, {}};
        return pages.UpdateIndexPage(publication, Location::Parse(page.empty() ? Page() : page), "StoryIndexTemplate.htm",
                                     "StoryIndexLinkTemplate.htm");
    }
    std::string Page() const { return dir.Folder() + "Web/Index.htm"; }
    std::string Link(const std::string& file, const std::string& slug) const {
        return "<li><a href=\"" + file + "\">" + slug + "</a></li>\r\n";
    }
    bool Said(const std::string& text) const {
        for (const std::string& line : reporter.StatusLines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    // Nothing but the page is ever left in its folder.
    void ExpectOnlyThePage() const {
        for (const auto& entry : fs::directory_iterator(dir / "Web"))
            EXPECT_EQ(entry.path().filename(), "Index.htm");
    }

    test::TempDir dir;
    test::FakeClock clock;
    test::RecordingReporter reporter;
    FileAccess files{reporter, clock, FileAccessSettings{false, 0, 0, false, {}}};
    WireMessages messages{files, reporter, dir.Folder()};
    IndexPages pages{files, clock, dir.Folder()};
    CDirOptions route;
    CFileData story;
    CTextFileHeader header;
    CDatFile descriptor;
    CFTPFile openStory{files};
    MacroValues values;
};

TEST_F(IndexPageRun, AMissingPageIsMadeAndEachStoryLinkedOnce) {
    ASSERT_TRUE(Update());
    const std::string first = "<html><title>Council vote</title>\r\n<ul>\r\n" + Link("00041_vote.htm", "Council vote") +
                              kMarker + "\r\n</ul></html>\r\n";
    EXPECT_EQ(test::ReadWholeFile(Page()), first);
    // The same story again: the page stays as it is, and nothing is written
    // beside it either (a file made or removed there would change the
    // folder's time).
    const auto before = fs::file_time_type::clock::now() - std::chrono::hours(24 * 365);
    fs::last_write_time(dir / "Web", before);
    ASSERT_TRUE(Update());
    EXPECT_EQ(test::ReadWholeFile(Page()), first);
    EXPECT_EQ(fs::last_write_time(dir / "Web"), before);

    values.slug = "Budget";
    values.outputFilename = "00042_budget.htm";
    ASSERT_TRUE(Update());
    EXPECT_EQ(test::ReadWholeFile(Page()), "<html><title>Council vote</title>\r\n<ul>\r\n" +
                                               Link("00041_vote.htm", "Council vote") + Link("00042_budget.htm", "Budget") +
                                               kMarker + "\r\n</ul></html>\r\n");
    ExpectOnlyThePage();
}

TEST_F(IndexPageRun, OnlyExactMarkerLinesTakeTheLink) {
    struct Case {
        std::string page;
        std::string after;  // empty: unchanged, and the update fails
    };
    const std::string link = Link("00041_vote.htm", "Council vote");
    const Case cases[] = {
        {"a\r\n" + kMarker + "\r\nb\r\n" + kMarker + "\r\n", "a\r\n" + link + kMarker + "\r\nb\r\n" + link + kMarker + "\r\n"},
        {" " + kMarker + "\r\n", ""},
        {kMarker + " \r\n", ""},
        {"<!--Quillmark add new links before this line -->\r\n", ""},
        {"no marker at all\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        test::WriteWholeFile(Page(), c.page);
        EXPECT_EQ(Update(), !c.after.empty());
        EXPECT_EQ(test::ReadWholeFile(Page()), c.after.empty() ? c.page : c.after);
        if (c.after.empty()) {
            EXPECT_TRUE(Said("has no line " + kMarker + ": the link of Council vote was not added."));
        }
        ExpectOnlyThePage();
    }
}

// A page whose replacement was left complete under the leftover name, by an
// update cut short after the old page was deleted, comes back first.
TEST_F(IndexPageRun, ALeftoverReplacementBecomesThePage) {
    test::WriteWholeFile(dir / "Web/zzQMDBIndexTemp", "old\r\n" + kMarker + "\r\n");
    ASSERT_TRUE(Update());
    EXPECT_EQ(test::ReadWholeFile(Page()), "old\r\n" + Link("00041_vote.htm", "Council vote") + kMarker + "\r\n");
    ExpectOnlyThePage();
}

TEST_F(IndexPageRun, TemplatesComeFromTheStockWhenMissingAndBrokenOnesFail) {
    // The stock copy is put in the template folder first.
    fs::rename(dir / "Templates/StoryIndexTemplate.htm", dir / "Pressvane/Templates/StoryIndexTemplate.htm");
    ASSERT_TRUE(Update());
    EXPECT_TRUE(fs::exists(dir / "Templates/StoryIndexTemplate.htm"));

    struct Case {
        std::string linkTemplate;  // empty: none anywhere
        std::string report;
    };
    const Case cases[] = {
        {"", "Can't open index link template file " + dir.Folder() + "Templates/StoryIndexLinkTemplate.htm."},
        {"<li><!--Quillmark Slug</li>\r\n", "Corrupt macro definition in IndexTemplate file StoryIndexTemplate.htm."},
        {"<li><!--Quillmark No Such Macro --></li>\r\n",
         "Corrupt macro definition in IndexLinkTemplate file StoryIndexLinkTemplate.htm."},
    };
    const std::string before = test::ReadWholeFile(Page());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.report);
        if (c.linkTemplate.empty()) {
            fs::remove(dir / "Templates/StoryIndexLinkTemplate.htm");
        } else {
            Template("StoryIndexLinkTemplate.htm", c.linkTemplate);
        }
        values.slug = "Another";
        EXPECT_FALSE(Update());
        EXPECT_TRUE(Said(c.report));
        EXPECT_EQ(test::ReadWholeFile(Page()), before);
        ExpectOnlyThePage();
    }
}

// Comment lines of a link template are left out; a link template of
// comments alone gives an empty link line.
TEST_F(IndexPageRun, ALinkTemplateBecomesOneLine) {
    Template("StoryIndexLinkTemplate.htm", "<!-- a -->\r\n<li>\r\n<!-- b -->\r\n<!--Quillmark Slug -->\r\n</li>\r\n");
    ASSERT_TRUE(Update());
    EXPECT_NE(test::ReadWholeFile(Page()).find("<li>Council vote</li>\r\n" + kMarker), std::string::npos);
}

// On a server the page cannot be replaced in one step: the new page goes up
// under a hidden name, becomes the leftover, and takes the old page's place.
TEST_F(IndexPageRun, APageOnAServerIsReplacedWhole) {
    test::PyFtpServer server;
    fs::create_directories(server.Root() / "web");
    const std::string page = "ftp://" + server.Host() + ":" + std::to_string(server.Port()) + "/web/|" + server.User() +
                             "|" + server.Password() + "|Index.htm";
    ASSERT_TRUE(Update(page));
    values.slug = "Budget";
    values.outputFilename = "00042_budget.htm";
    ASSERT_TRUE(Update(page));
    EXPECT_EQ(test::ReadWholeFile(server.Root() / "web/Index.htm"),
              "<html><title>Council vote</title>\r\n<ul>\r\n" + Link("00041_vote.htm", "Council vote") +
                  Link("00042_budget.htm", "Budget") + kMarker + "\r\n</ul></html>\r\n");
    std::vector<std::string> left;
    for (const auto& entry : fs::directory_iterator(server.Root() / "web")) left.push_back(entry.path().filename());
    EXPECT_EQ(left, std::vector<std::string>{"Index.htm"});
}

}  // namespace
}  // namespace pv
