// Ordered lists filled through the template engine, the page of each step
// being the template of the next (as under modify_file).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "config/StoryCommand.h"
#include "publish/OrderedList.h"
#include "publish/TemplateFixture.h"

namespace pv {
namespace {

struct Step {
    std::string slug;
    int command;
    std::string date;                  // the story header's DATE
    std::vector<std::string> entries;  // the list's slugs afterwards, top to bottom
    std::vector<std::string> purged;   // linked files of the entries let go in this step
};

class OrderedLists : public test::TemplateFixture {
protected:
    OrderedLists() {
        for (const char* name : {"Entry.htm", "TextTemplate.htm"})
            WriteTemplate(name, "<li><!--Quillmark Slug --> [<!--Quillmark Slug -->.wav]</li>\r\n");
    }

    // Publishes one story through the page, which then holds the result.
    std::string Publish(const std::string& slug, int command, const std::string& date) {
        values.slug = header.m_strSlug = slug;
        header.m_strDate = date;
        story.work.command = command;
        purger.purged.clear();
        CFTPFile storyText(access);
        EXPECT_TRUE(storyText.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
        StringPageOutput output;
        StoryReports reports(messages, reporter, route, values.slug);
        const MacroExpander macros(values, clock);
        TemplateFill fill{route, story, macros, storyText, output, reports, references};
        ResetState();
        status = listEngine.FillTemplate(fill, "Page.htm", "TextLinkTemplate.htm");
        if (status.ok()) WriteTemplate("Page.htm", output.Text());
        return output.Text();
    }
    void StartPage(const std::string& parameters, const std::string& entries = {}) {
        WriteTemplate("Page.htm", "<ul>\r\n<!--Quillmark Begin Ordered List " + parameters + " -->\r\n" + entries +
                                      "<!--Quillmark End Ordered List -->\r\n</ul>\r\n");
    }
    static std::string Entry(const std::string& slug, const std::string& date, const std::string& extra = {}) {
        return "<!--Quillmark Entry Date " + date + " -->\r\n<!--Quillmark Entry Slug " + slug + " -->\r\n" + extra +
               "<li>" + slug + " [" + slug + ".wav]</li>\r\n<!--Quillmark End Ordered Entry -->\r\n";
    }
    static std::vector<std::string> Slugs(const std::string& page) {
        std::vector<std::string> slugs;
        const std::string prefix = "<!--Quillmark Entry Slug ";
        for (size_t at = page.find(prefix); at != std::string::npos; at = page.find(prefix, at + 1)) {
            const size_t end = page.find(" -->\r\n", at);
            slugs.push_back(page.substr(at + prefix.size(), end - at - prefix.size()));
        }
        return slugs;
    }
    void Run(const std::string& parameters, const std::vector<Step>& steps, const std::string& entries = {}) {
        StartPage(parameters, entries);
        for (const Step& step : steps) {
            SCOPED_TRACE(parameters + " / " + step.slug + " command " + std::to_string(step.command));
            const std::string page = Publish(step.slug, step.command, step.date);
            ASSERT_TRUE(status.ok()) << status.message();
            EXPECT_EQ(Slugs(page), step.entries) << page;
            EXPECT_EQ(purger.purged, step.purged);
            const std::string tail = "<!--Quillmark End Ordered List -->\r\n</ul>\r\n";
            EXPECT_EQ(page.rfind(tail), page.size() - tail.size()) << page;
        }
    }

    OrderedList orderedList{clock, purger};
    TemplateEngine listEngine{access, dir.Folder(), TemplateBlocks{storyBlocks, orderedList, purger}};
};

const std::string kToday = "12/09/2025";

TEST_F(OrderedLists, FixedListsKeepTheirLimit) {
    Run("Fixed Descending 3 Entry.htm", {
                                            {"A", kCmdAdd, kToday, {"A"}, {}},
                                            {"B", kCmdAdd, kToday, {"B", "A"}, {}},
                                            {"C", kCmdAdd, kToday, {"C", "B", "A"}, {}},
                                            {"D", kCmdAdd, kToday, {"D", "C", "B"}, {"A.wav@10"}},
                                            {"B", kCmdReplace, kToday, {"D", "C", "B"}, {"B.wav@10"}},
                                            {"C", kCmdDelete, kToday, {"D", "B"}, {"C.wav@10"}},
                                            {"B", kCmdAddUnique, kToday, {"B", "D"}, {"B.wav@10"}},
                                        });
    Run("3 Ascending Entry.htm", {
                                     {"A", kCmdAdd, kToday, {"A"}, {}},
                                     {"B", kCmdAdd, kToday, {"A", "B"}, {}},
                                     {"C", kCmdAdd, kToday, {"A", "B", "C"}, {}},
                                     {"D", kCmdAdd, kToday, {"B", "C", "D"}, {"A.wav@10"}},
                                     {"C", kCmdAddUnique, kToday, {"B", "D", "C"}, {"C.wav@10"}},
                                 });
    // No limit: nothing is let go for being too many.
    Run("Fixed", {{"A", kCmdAdd, kToday, {"A"}, {}}, {"B", kCmdAdd, kToday, {"B", "A"}, {}}});
}

TEST_F(OrderedLists, DateListsOrderByDateAndLetOldEntriesGo) {
    // Today is 12/09/2025: seven days keep entries from 12/02 on.
    Run("Date 7 Entry.htm",
        {
            {"C", kCmdAdd, "12/05/2025", {"B", "C"}, {"A.wav@10"}},
            {"D", kCmdAdd, "12/09/2025", {"D", "B", "C"}, {}},
            // A short DATE orders by today and never makes the others undated.
            {"E", kCmdAdd, "", {"E", "D", "B", "C"}, {}},
            // A date far ahead is kept as written.
            {"F", kCmdAdd, "01/15/2040", {"F", "E", "D", "B", "C"}, {}},
            {"B", kCmdReplace, "12/03/2025", {"F", "E", "D", "B", "C"}, {"B.wav@10"}},
        },
        Entry("B", "12/08/2025") + Entry("A", "12/01/2025"));
    const std::string page = Publish("G", kCmdAdd, "");
    EXPECT_NE(page.find("<!--Quillmark Entry Date 01/15/2040 -->"), std::string::npos);
    EXPECT_NE(page.find("<!--Quillmark Entry Date 12/09/2025 -->\r\n<!--Quillmark Entry Slug G -->"), std::string::npos);
}

TEST_F(OrderedLists, SortKeysAndPurgeDates) {
    descriptor.m_strUser[0] = "m";
    StartPage("Sort=User1 Ascending 10 Entry.htm",
              Entry("a", kToday, "<!--Quillmark Entry Sort a -->\r\n") + Entry("z", kToday, "<!--Quillmark Entry Sort Z -->\r\n"));
    const std::string sorted = Publish("M", kCmdAdd, kToday);
    EXPECT_EQ(Slugs(sorted), (std::vector<std::string>{"a", "M", "z"})) << sorted;

    descriptor.m_strUser[0] = "12/31/2030";
    StartPage("PurgeDate=User1 Entry.htm",
              Entry("old", kToday, "<!--Quillmark Entry Purge Date 12/08/2025 10:00 -->\r\n"));
    std::string page = Publish("N", kCmdAdd, kToday);
    EXPECT_EQ(Slugs(page), std::vector<std::string>{"N"});
    EXPECT_NE(page.find("<!--Quillmark Entry Purge Date 12/31/2030 23:59 -->"), std::string::npos);
    descriptor.m_strUser[0] = "";
    page = Publish("P", kCmdAdd, kToday);
    // Ten years, 23 hours and 59 minutes from now.
    EXPECT_NE(page.find("<!--Quillmark Entry Purge Date 12/08/2035 08:19 -->"), std::string::npos) << page;
}

// Slugs are written as page values: a hostile one can neither end its
// marker nor open a new one, and is still recognised as itself.
TEST_F(OrderedLists, HostileSlugsStayInsideTheirEntry) {
    const std::string hostile = "x --> <!--Quillmark End Ordered List --> y";
    StartPage("Fixed 3 Entry.htm");
    Publish(hostile, kCmdAdd, kToday);
    ASSERT_TRUE(status.ok()) << status.message();
    const std::string page = Publish("B", kCmdAdd, kToday);
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(Slugs(page).size(), 2u) << page;
    Publish(hostile, kCmdDelete, kToday);
    EXPECT_EQ(Slugs(test::ReadWholeFile(dir / "tpl/Page.htm")), std::vector<std::string>{"B"});
}

// A Begin marker without parameters opens a list with every default.
TEST_F(OrderedLists, ABareBeginMarkerOpensAList) {
    WriteTemplate("Page.htm", "<!--Quillmark Begin Ordered List -->\r\n<!--Quillmark End Ordered List -->\r\n");
    EXPECT_EQ(Slugs(Publish("A", kCmdAdd, kToday)), std::vector<std::string>{"A"});
    EXPECT_EQ(Slugs(Publish("B", kCmdAdd, kToday)), (std::vector<std::string>{"B", "A"}));
}

// A first plain token that is no number gives no limit, rather than a limit
// of 0 that would let every entry go.
TEST_F(OrderedLists, ALimitThatIsNoNumberLimitsNothing) {
    Run("Entry.htm", {{"A", kCmdAdd, kToday, {"A", "B"}, {}}}, Entry("B", kToday));
}

TEST_F(OrderedLists, AControlMarkerSharingItsLineStopsThePublication) {
    StartPage("Fixed 3 Entry.htm", "<!--Quillmark Entry Slug A -->\r\n<li>A</li>\r\n<!--Quillmark End Ordered Entry --> x\r\n");
    Publish("B", kCmdAdd, kToday);
    EXPECT_FALSE(status.ok());
    ASSERT_FALSE(FatalTexts().empty());
    EXPECT_EQ(FatalTexts().back().rfind("Ordered List control macro not on it's own line: "
                                        "<!--Quillmark End Ordered Entry --> x in text template file ",
                                        0),
              0u);
}

}  // namespace
}  // namespace pv
