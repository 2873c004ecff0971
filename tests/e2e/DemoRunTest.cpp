// The README's demo (scripts/run-demo, what "make demo" runs) on the example
// newsroom, twice into one folder: the front page, as a browser shows it,
// lists the three stories newest first, and every link of the published
// site - from the front page down through the archive's index pages to the
// story pages and their audio cuts - reaches a file that is there; the
// archive database holds one row per story and one per cut (read with the
// sqlite3 tool); and the second run starts from the example as it is, so
// it ends exactly where the first one did.
#include <gtest/gtest.h>

#include <filesystem>
#include <algorithm>
#include <map>
#include <set>
#include <sstream>
#include <vector>

#include "support/ArchiveDatabases.h"
#include "support/Browser.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The example's stories, in the order they are published (by file name).
const std::vector<std::string> kSlugs = {"Council backs the new bridge", "Storm closes the harbour",
                                         "School choir wins the regional prize"};

struct Link {
    std::string href;
    std::string text;
};

// The links of a piece of HTML, in order: href and the link's text.
std::vector<Link> Links(const std::string& html) {
    std::vector<Link> links;
    for (size_t at = html.find("<a "); at != std::string::npos; at = html.find("<a ", at + 1)) {
        const size_t tagEnd = html.find('>', at), href = html.find(" href=\"", at);
        if (tagEnd == std::string::npos || href == std::string::npos || href > tagEnd) continue;
        const size_t hrefStart = href + 7, hrefEnd = html.find('"', hrefStart), close = html.find("</a>", tagEnd);
        if (hrefEnd == std::string::npos || close == std::string::npos) continue;
        links.push_back({html.substr(hrefStart, hrefEnd - hrefStart), html.substr(tagEnd + 1, close - tagEnd - 1)});
    }
    return links;
}

// The text with the moment of every "Updated <date>T<time>" left out.
std::string WithoutUpdateTimes(std::string text) {
    const std::string word = "Updated ";
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const size_t start = at + word.size();
        const size_t end = text.find_first_not_of("0123456789T:-", start);
        text.replace(start, (end == std::string::npos ? text.size() : end) - start, "(time)");
    }
    return text;
}

// The text between the first `from` and the next `to` after it.
std::string Between(const std::string& text, const std::string& from, const std::string& to) {
    const size_t start = text.find(from);
    if (start == std::string::npos) return {};
    const size_t end = text.find(to, start + from.size());
    return text.substr(start + from.size(), end == std::string::npos ? std::string::npos : end - start - from.size());
}

class DemoRun : public ::testing::Test {
protected:
    // What run-demo printed; fails the test when it did not end well.
    std::string RunDemo() {
        const std::string build = fs::path(PRESSVANE_BIN).parent_path().string();
        test::ChildProcess child({"/bin/bash", std::string(PRESSVANE_SOURCE_DIR) + "/scripts/run-demo", build, demo},
                                 scratch / "demo.txt");
        const int exitCode = child.Wait(300s);
        const std::string output = test::ReadWholeFile(scratch / "demo.txt");
        EXPECT_EQ(exitCode, 0) << output;
        return output;
    }
    std::string Path(const std::string& relative) const { return demo + "/" + relative; }
    std::string Rows(const std::string& sql) const { return test::SqliteRows(Path("NewsArchive/News.mdb"), sql); }

    // Every file under the demo folder with its bytes, but for the records of
    // the run itself (logs, debug files, the settings written back, the
    // heartbeat), which name the moment they were written.
    std::map<std::string, std::string> Results() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(demo)) {
            if (!entry.is_regular_file()) continue;
            const std::string relative = fs::relative(entry.path(), demo).string();
            if (relative.starts_with("Pressvane/INLOG/") || relative.starts_with("Logs/") ||
                relative.starts_with("Debug ") || relative == "Pressvane/HeartBeat.txt" ||
                relative == "Pressvane/Pressvane.ini" || relative.ends_with(".mdb"))
                continue;
            // The front page and its backups say when they were written.
            files[relative] = WithoutUpdateTimes(test::ReadWholeFile(entry.path().string()));
        }
        return files;
    }

    // Follows every relative link of the pages reachable from the front
    // page; each must lead to a file that is there.  Returns the pages
    // reached (".htm") and the other files linked.
    std::set<std::string> WalkSite() const {
        std::set<std::string> reached;
        std::vector<fs::path> pages{Path("Site/FrontPage.htm")};
        reached.insert(fs::weakly_canonical(pages.front()).string());
        while (!pages.empty()) {
            const fs::path page = pages.back();
            pages.pop_back();
            for (const Link& link : Links(test::ReadWholeFile(page.string()))) {
                const fs::path target = (page.parent_path() / link.href).lexically_normal();
                EXPECT_TRUE(fs::is_regular_file(target)) << page << " links to " << link.href << ", which is not there";
                if (!fs::is_regular_file(target)) continue;
                const std::string key = fs::weakly_canonical(target).string();
                if (reached.insert(key).second && target.extension() == ".htm") pages.push_back(target);
            }
        }
        return reached;
    }

    test::TempDir scratch;
    const std::string demo = scratch / "demo";
};

TEST_F(DemoRun, TheFrontPageListsTheStoriesWhoseArchiveHoldsTheirPagesAndRows) {
    const std::string output = RunDemo();
    const std::string front = Path("Site/FrontPage.htm");
    ASSERT_TRUE(fs::exists(front)) << output;
    // Where the results went, and the address to open.
    EXPECT_NE(output.find("   " + test::FileUrl(front) + "\n"), std::string::npos) << output;
    EXPECT_NE(output.find("NewsArchive/News.mdb"), std::string::npos) << output;
    EXPECT_NE(output.find("Outbox/headlines-0600.mp3"), std::string::npos) << output;

    // The archive: one row per story, in the order published, each naming a
    // page in the day folder of its row; one row per audio cut.
    const std::string texts = Rows(
        "SELECT \"TextID\", \"Slug\", \"YearAndMonthArchived\" || '\\' || \"DayArchived\" || '\\' || \"TextFilename\" "
        "FROM \"Text\" ORDER BY \"TextID\"");
    std::vector<std::string> pages;
    std::istringstream lines(texts);
    int row = 0;
    for (std::string line; std::getline(lines, line); ++row) {
        ASSERT_LT(row, static_cast<int>(kSlugs.size())) << texts;
        const std::string prefix = std::to_string(row + 1) + "|" + kSlugs[static_cast<size_t>(row)] + "|";
        ASSERT_EQ(line.rfind(prefix, 0), 0u) << texts;
        std::string page = "NewsArchive/Files/" + line.substr(prefix.size());
        std::replace(page.begin(), page.end(), '\\', '/');
        ASSERT_TRUE(fs::exists(Path(page))) << page;
        EXPECT_NE(test::ReadWholeFile(Path(page)).find("<h1>" + kSlugs[static_cast<size_t>(row)] + "</h1>"),
                  std::string::npos)
            << page;
        pages.push_back(page);
    }
    ASSERT_EQ(pages.size(), kSlugs.size()) << texts;
    EXPECT_EQ(Rows("SELECT \"TextID\", \"LinkedFilename\" FROM \"Audio\" ORDER BY \"TextID\""),
              "1|Audio\\council-vote.wav\n2|Audio\\harbour-storm.wav\n");
    EXPECT_EQ(Rows("PRAGMA integrity_check"), "ok\n");

    // The front page as a browser shows it: the stories newest first, each
    // linking to the index of its day, which lists it.
    const test::RenderedPage shown = test::RenderInChromium(front);
    if (shown.Absent()) GTEST_SKIP() << shown.details;
    ASSERT_TRUE(shown.Rendered()) << shown.details;
    const std::vector<Link> listed = Links(Between(shown.dom, "<ol id=\"latest\">", "</ol>"));
    ASSERT_EQ(listed.size(), kSlugs.size()) << shown.dom;
    const std::string dayFolder = fs::path(pages.front()).parent_path().string();
    for (size_t n = 0; n < listed.size(); ++n) {
        SCOPED_TRACE(listed[n].href);
        EXPECT_EQ(listed[n].text, kSlugs[kSlugs.size() - 1 - n]);
        const fs::path day = (fs::path(front).parent_path() / listed[n].href).lexically_normal();
        EXPECT_EQ(day, fs::path(Path(dayFolder + "/Index.htm")).lexically_normal());
        ASSERT_TRUE(fs::exists(day));
        std::vector<std::string> storyLinks;
        for (const Link& link : Links(test::ReadWholeFile(day.string()))) storyLinks.push_back(link.text);
        EXPECT_NE(std::find(storyLinks.begin(), storyLinks.end(), listed[n].text), storyLinks.end());
    }

    // Every link of the site reaches a file: the story pages, their cuts
    // (copied beside them) and every index page are reached.
    // The whole archive - every index page, story page and cut - is reached.
    const std::set<std::string> reached = WalkSite();
    size_t archived = 0, cuts = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Path("NewsArchive"))) {
        const std::string name = entry.path().filename().string();
        if (!entry.is_regular_file() || name == "News.mdb" || name == "ID.dat" || name == ".keep") continue;
        ++archived;
        cuts += name.ends_with(".wav");
        EXPECT_TRUE(reached.count(fs::weakly_canonical(entry.path()).string())) << entry.path() << " is not linked";
    }
    EXPECT_EQ(archived, 6 + kSlugs.size() + 2) << "six index pages, the story pages and the cuts";
    EXPECT_EQ(cuts, 2u);
    for (const std::string& page : pages) EXPECT_TRUE(reached.count(fs::weakly_canonical(Path(page)).string())) << page;
}

TEST_F(DemoRun, ASecondRunStartsFromTheExampleAsItIs) {
    RunDemo();
    const std::map<std::string, std::string> first = Results();
    ASSERT_TRUE(first.count("Site/FrontPage.htm"));
    // What a run leaves (and more that a reader might drop in) is gone
    // before the next run begins.
    test::WriteWholeFile(Path("Stories/0900-late-story.txt"), "TQ32_SCRIPT1\r\nFILESLUG:Late\r\nLate.\r\n");
    test::WriteWholeFile(Path("Site/stray.htm"), "<p>stray</p>\r\n");

    RunDemo();
    const std::map<std::string, std::string> second = Results();
    std::vector<std::string> firstNames, secondNames;
    for (const auto& [name, bytes] : first) firstNames.push_back(name);
    for (const auto& [name, bytes] : second) secondNames.push_back(name);
    EXPECT_EQ(secondNames, firstNames);
    for (const auto& [name, bytes] : second) {
        if (!first.count(name)) continue;
        const bool text = name.ends_with(".htm") || name.ends_with(".txt") || name.ends_with(".dat");
        if (text) {
            EXPECT_EQ(bytes, first.at(name)) << name;
        } else {
            EXPECT_TRUE(bytes == first.at(name)) << name << " differs";
        }
    }
    EXPECT_EQ(Rows("SELECT count(*) FROM \"Text\""), std::to_string(kSlugs.size()) + "\n");
    EXPECT_EQ(Rows("SELECT count(*) FROM \"Audio\""), "2\n");
    EXPECT_EQ(Rows("SELECT count(*) FROM \"Path\""), "1\n");
}

}  // namespace
}  // namespace pv
