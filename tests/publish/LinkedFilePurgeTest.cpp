// Removing a page with the files it links to: only inside the storage
// folder, each file once, down to the depth asked for.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "notify/WireMessages.h"
#include "platform/HostEnvironment.h"
#include "publish/LinkedFilePurge.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class Purge : public ::testing::Test {
protected:
    Purge() { fs::create_directories(dir.Path() / "site/Pages/sub"); }

    static platform::PathMapSettings DriveC(const test::TempDir& dir) {
        platform::PathMapSettings map;
        map.drives['C'] = (dir.Path() / "c").string();
        map.shareRoot = (dir.Path() / "shares").string();
        return map;
    }
    Location Pages() const { return Location::Parse(dir.Folder() + "site/Pages/"); }
    void Put(const std::string& relative, const std::string& text = "x") {
        fs::create_directories((dir.Path() / relative).parent_path());
        test::WriteWholeFile(dir / relative, text);
    }
    bool Exists(const std::string& relative) const { return fs::exists(dir.Path() / relative); }
    bool PurgePage(const std::string& name, int depth) {
        LinkedFilePurge purge(access, reports, "", "");
        return purge.PurgeFile(Pages().Join(name), depth);
    }

    test::TempDir dir;
    platform::HostEnvironment host{DriveC(dir)};
    platform::ScopedHostEnvironment installed{host};
    test::FakeClock clock;
    test::RecordingReporter reporter;
    FileAccess access{reporter, clock};
    WireMessages messages{access, reporter, dir.Folder()};
    CDirOptions route;
    StoryReports reports{messages, reporter, route, "Vote"};
};

TEST_F(Purge, NamesAreFollowedOnlyBelowTheirFolder) {
    const std::string pages = dir.Folder() + "site/Pages/";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"cut.wav", pages + "cut.wav"},
        {"sub\\cut.wav", pages + "sub/cut.wav"},
        {"sub/cut.wav", pages + "sub/cut.wav"},
        {".\\cut.wav", pages + "cut.wav"},
        {"sub\\\\cut.wav", pages + "sub/cut.wav"},
        {"..\\..\\etc\\passwd", ""},
        {"sub\\..\\..\\x", ""},
        {"..", ""},
        {"/etc/passwd", ""},
        {"\\etc\\passwd", ""},
        {"C:\\x", ""},
        {"C:x", ""},
        {"\\\\server\\share\\x", ""},
        {"http://www.example.com/x", ""},
        {"ftp://host/x", ""},
        {"a.wav|user|pw|", ""},
        {"sub\\", ""},
        {"", ""},
        {"a\x01.wav", ""},
    };
    for (const auto& [name, expected] : cases) {
        const std::optional<Location> file = LinkedFileIn(Pages(), name);
        EXPECT_EQ(file ? file->Path() : std::string(), expected) << name;
    }
    EXPECT_FALSE(LinkedFileIn(Location(), "cut.wav"));
}

// A page goes with what it links to, and what the pages among those link
// to; hostile names in it reach nothing outside the storage folder.
TEST_F(Purge, APageGoesWithItsLinkedFilesAndNothingOutside) {
    Put("site/Pages/page.htm",
        "<p>[cut.wav] [sub/inner.htm] [page.htm] [missing.wav]</p>\r\n"
        "[..\\outside.txt] [..\\..\\secret.txt] [C:\\x] [\\\\server\\share\\y] [" + dir.Folder() + "abs.txt]\r\n");
    Put("site/Pages/sub/inner.htm", "[deep.jpg] [..\\cut.wav] [inner.htm]");
    Put("site/Pages/sub/deep.jpg");
    Put("site/Pages/cut.wav");
    Put("site/Pages/other.wav");
    for (const char* outside : {"site/outside.txt", "secret.txt", "c/x", "shares/server/share/y", "abs.txt"})
        Put(outside);
    EXPECT_TRUE(PurgePage("page.htm", 10));
    for (const char* gone : {"site/Pages/page.htm", "site/Pages/sub/inner.htm", "site/Pages/sub/deep.jpg",
                             "site/Pages/cut.wav"})
        EXPECT_FALSE(Exists(gone)) << gone;
    for (const char* kept : {"site/Pages/other.wav", "site/outside.txt", "secret.txt", "c/x",
                             "shares/server/share/y", "abs.txt"})
        EXPECT_TRUE(Exists(kept)) << kept;
}

TEST_F(Purge, TheDepthLimitsTheWalk) {
    struct Case {
        int depth;
        std::vector<std::string> kept;
    };
    const std::vector<Case> cases = {
        {0, {"a.wav", "b.htm", "c.wav"}},
        {1, {"c.wav"}},
        {2, {}},
    };
    for (const Case& c : cases) {
        Put("site/Pages/page.htm", "[a.wav] [b.htm]");
        Put("site/Pages/a.wav");
        Put("site/Pages/b.htm", "[c.wav]");
        Put("site/Pages/c.wav");
        EXPECT_TRUE(PurgePage("page.htm", c.depth));
        std::vector<std::string> kept;
        for (const char* name : {"a.wav", "b.htm", "c.wav"})
            if (Exists("site/Pages/" + std::string(name))) kept.push_back(name);
        EXPECT_EQ(kept, c.kept) << "depth " << c.depth;
        EXPECT_FALSE(Exists("site/Pages/page.htm"));
    }
}

// Twelve pages that all link to each other: followed naively to depth 10
// that would be eleven to the tenth visits; each page is visited once.
TEST_F(Purge, PagesThatCiteEachOtherAreVisitedOnce) {
    std::string links;
    for (int i = 0; i < 12; ++i) links += "[p" + std::to_string(i) + ".htm] [P" + std::to_string(i) + ".HTM] ";
    for (int i = 0; i < 12; ++i) Put("site/Pages/p" + std::to_string(i) + ".htm", links);
    EXPECT_TRUE(PurgePage("p0.htm", 10));
    EXPECT_TRUE(fs::is_empty(dir.Path() / "site/Pages/sub"));
    for (int i = 0; i < 12; ++i) EXPECT_FALSE(Exists("site/Pages/p" + std::to_string(i) + ".htm")) << i;
}

TEST_F(Purge, AMissingPageIsNoFailure) { EXPECT_TRUE(PurgePage("none.htm", 10)); }

}  // namespace
}  // namespace pv
