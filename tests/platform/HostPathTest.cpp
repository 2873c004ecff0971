#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/FolderCaseIndex.h"
#include "platform/HostEnvironment.h"
#include "platform/HostPath.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

// An environment with its own path map, installed for one test; the one
// installed before comes back afterwards.
class ScopedPathMap {
public:
    explicit ScopedPathMap(const PathMapSettings& settings) : m_environment(settings), m_installed(m_environment) {}
    HostEnvironment& Environment() { return m_environment; }

private:
    HostEnvironment m_environment;
    ScopedHostEnvironment m_installed;
};

std::string Host(const std::string& path) {
    std::string host, error;
    EXPECT_TRUE(ToHostPath(path, host, &error)) << path << ": " << error;
    return host;
}

std::string Refusal(const std::string& path) {
    std::string host = "untouched", error;
    EXPECT_FALSE(ToHostPath(path, host, &error)) << path << " gave " << host;
    EXPECT_EQ(host, "untouched");
    return error;
}

class HostPathTest : public ::testing::Test {
protected:
    HostPathTest() : m_map(Settings()) {}

    PathMapSettings Settings() const {
        PathMapSettings settings;
        settings.drives['N'] = m_news.Path().string();
        settings.drives['S'] = m_shares.Folder();  // with a trailing '/'
        settings.shareRoot = m_shares.Path().string();
        return settings;
    }

    std::string News(const std::string& rest) const { return m_news.Path().string() + rest; }
    std::string Shares(const std::string& rest) const { return m_shares.Path().string() + rest; }

    test::TempDir m_news;
    test::TempDir m_shares;
    ScopedPathMap m_map;
};

TEST_F(HostPathTest, MapsDrivesSharesAndHostPaths) {
    struct Case {
        std::string path;
        std::string host;
    };
    const Case cases[] = {
        {"N:\\In\\a.txt", News("/In/a.txt")},
        {"n:/In/a.txt", News("/In/a.txt")},
        {"N:", News("")},
        {"N:\\", News("/")},
        {"N:\\In\\", News("/In/")},
        {"N:\\In\\\\a.txt", News("/In/a.txt")},
        {"S:\\x", Shares("/x")},
        {"S:\\", Shares("/")},
        {"\\\\srv\\news\\a.wav", Shares("/srv/news/a.wav")},
        {"//srv/news/a.wav", Shares("/srv/news/a.wav")},
        {"/var/nothing-here/a.txt", "/var/nothing-here/a.txt"},
        {"/", "/"},
        {"no-such-folder\\a.txt", "no-such-folder/a.txt"},
        {"no-such-folder/", "no-such-folder/"},
    };
    for (const auto& c : cases) EXPECT_EQ(Host(c.path), c.host) << c.path;
}

TEST_F(HostPathTest, RefusesWhatCannotBeMapped) {
    EXPECT_EQ(Refusal("ftp://host/dir/a.txt"), "not a local path");
    EXPECT_NE(Refusal("Q:\\In\\a.txt").find("drive Q:"), std::string::npos);
    EXPECT_NE(Refusal("q:").find("drive Q:"), std::string::npos);
    EXPECT_FALSE(Refusal("").empty());
    EXPECT_FALSE(Refusal("\\\\").empty());
    const char* unsafe[] = {"N:\\In\\..\\..\\etc\\passwd", "../x", "/tmp/..", "a/../b",
                            "N:\\In\\a.txt|user|secret|", "N:\\In\\a\nb.txt", "N:\\In\\a\tb"};
    for (const char* path : unsafe) {
        const std::string error = Refusal(path);
        EXPECT_FALSE(error.empty()) << path;
        EXPECT_EQ(error.find("secret"), std::string::npos);
    }
}

TEST_F(HostPathTest, ShareAndDriveNeedTheirSettings) {
    ScopedPathMap empty(PathMapSettings{});
    EXPECT_NE(Refusal("\\\\srv\\news\\a.wav").find("share root"), std::string::npos);
    EXPECT_NE(Refusal("N:\\In").find("drive N:"), std::string::npos);
    PathMapSettings blank;
    blank.drives['N'] = "";
    ScopedPathMap blankDrive(blank);
    EXPECT_NE(Refusal("N:\\In").find("drive N:"), std::string::npos);
}

TEST_F(HostPathTest, FindsExistingNamesWithoutRegardToCase) {
    std::filesystem::create_directories(m_news / "News/In");
    test::WriteWholeFile(News("/News/In/Story.TXT"), "x");
    struct Case {
        std::string path;
        std::string host;
    };
    const Case cases[] = {
        {"N:\\news\\in\\x.txt", News("/News/In/x.txt")},         // new file keeps its spelling
        {"N:\\NEWS\\IN\\story.txt", News("/News/In/Story.TXT")},  // existing file is found
        {"N:\\news\\in\\", News("/News/In/")},
        {"N:\\news\\Out\\a.txt", News("/News/Out/a.txt")},        // missing folder kept as written
        {"N:\\News\\In\\Story.TXT", News("/News/In/Story.TXT")},
    };
    for (const auto& c : cases) EXPECT_EQ(Host(c.path), c.host) << c.path;
}

TEST_F(HostPathTest, PrefersTheExactNameAndOtherwiseAStableOne) {
    std::filesystem::create_directories(m_news / "news");
    std::filesystem::create_directories(m_news / "NEWS");
    std::filesystem::create_directories(m_news / "News");
    EXPECT_EQ(Host("N:\\news\\a"), News("/news/a"));
    EXPECT_EQ(Host("N:\\NEWS\\a"), News("/NEWS/a"));
    EXPECT_EQ(Host("N:\\nEwS\\a"), News("/NEWS/a"));  // byte-wise smallest of the candidates
}

TEST_F(HostPathTest, FoldsOnlyAsciiLetters) {
    std::filesystem::create_directories(m_news / "\xC9t\xE9");
    EXPECT_EQ(Host("N:\\\xC9T\xE9\\a"), News("/\xC9t\xE9/a"));
    EXPECT_EQ(Host("N:\\\xE9t\xE9\\a"), News("/\xE9t\xE9/a"));  // no match: kept as written
}

TEST_F(HostPathTest, LooksUpRelativePathsInTheCurrentFolder) {
    std::filesystem::create_directories(m_news / "Work/Sub");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(m_news.Path());
    const std::string host = Host("work\\sub\\new.txt");
    std::filesystem::current_path(previous);
    EXPECT_EQ(host, "Work/Sub/new.txt");
}

// A folder's names are remembered between lookups; what changes the folder
// must still be seen.
TEST_F(HostPathTest, SeesNamesAddedSinceAnEarlierLookup) {
    std::filesystem::create_directories(m_news / "Out");
    EXPECT_EQ(Host("N:\\Out\\story.txt"), News("/Out/story.txt"));
    // Another program adds the name in other letters; the folder's time says so.
    test::WriteWholeFile(News("/Out/STORY.TXT"), "x");
    const auto when = std::filesystem::last_write_time(m_news / "Out");
    std::filesystem::last_write_time(m_news / "Out", when + std::chrono::seconds(1));
    EXPECT_EQ(Host("N:\\Out\\story.txt"), News("/Out/STORY.TXT"));
    // Through this layer: a name it created, and one it removed.
    std::string error;
    ASSERT_TRUE(CopyFileContents(News("/Out/STORY.TXT"), News("/Out/Bulletin.txt"), true, &error)) << error;
    EXPECT_EQ(Host("N:\\Out\\BULLETIN.TXT"), News("/Out/Bulletin.txt"));
    ASSERT_TRUE(RemoveFile(News("/Out/Bulletin.txt")));
    EXPECT_EQ(Host("N:\\Out\\BULLETIN.TXT"), News("/Out/BULLETIN.TXT"));
    ASSERT_TRUE(RenameNoReplace(News("/Out/STORY.TXT"), News("/Out/Item.txt")));
    EXPECT_EQ(Host("N:\\Out\\ITEM.TXT"), News("/Out/Item.txt"));
    EXPECT_EQ(Host("N:\\Out\\story.txt"), News("/Out/story.txt"));
}

// Within a batch a folder's names are checked against the folder once: what
// this process changes is seen at once, what another program changes from
// the next batch on.
TEST_F(HostPathTest, ABatchChecksEachFolderOnce) {
    std::filesystem::create_directories(m_news / "Out");
    {
        LookupBatch batch;
        EXPECT_EQ(Host("N:\\Out\\story.txt"), News("/Out/story.txt"));
        test::WriteWholeFile(News("/Out/STORY.TXT"), "x");
        const auto when = std::filesystem::last_write_time(m_news / "Out");
        std::filesystem::last_write_time(m_news / "Out", when + std::chrono::seconds(1));
        EXPECT_EQ(Host("N:\\Out\\story.txt"), News("/Out/story.txt"));
    }
    EXPECT_EQ(Host("N:\\Out\\story.txt"), News("/Out/STORY.TXT"));
    LookupBatch batch;
    EXPECT_EQ(Host("N:\\Out\\bulletin.txt"), News("/Out/bulletin.txt"));
    std::string error;
    ASSERT_TRUE(CopyFileContents(News("/Out/STORY.TXT"), News("/Out/Bulletin.txt"), true, &error)) << error;
    EXPECT_EQ(Host("N:\\Out\\BULLETIN.TXT"), News("/Out/Bulletin.txt"));
}

// Whichever environment is installed maps the paths; without one, drives
// and shares are refused and names are still found without regard to case.
TEST_F(HostPathTest, PathsMapThroughTheInstalledEnvironment) {
    std::filesystem::create_directories(m_news / "In");
    PathMapSettings other;
    other.drives['N'] = m_shares.Path().string();
    {
        ScopedPathMap inner(other);
        EXPECT_EQ(HostEnvironment::Installed(), &inner.Environment());
        EXPECT_EQ(Host("N:\\In\\a.txt"), Shares("/In/a.txt"));
    }
    EXPECT_EQ(Host("N:\\In\\a.txt"), News("/In/a.txt"));
    HostEnvironment* const previous = HostEnvironment::Install(nullptr);
    std::string host, error;
    EXPECT_FALSE(ToHostPath("N:\\In\\a.txt", host, &error));
    EXPECT_NE(error.find("drive N:"), std::string::npos) << error;
    EXPECT_FALSE(ToHostPath("\\\\srv\\news\\a.wav", host, &error));
    EXPECT_TRUE(ToHostPath(News("/in/a.txt"), host, &error)) << error;
    EXPECT_EQ(host, News("/In/a.txt"));
    HostEnvironment::Install(previous);
}

// The index answers for a name this process made and removed again without
// reading the folder, and keeps a case variant when only the other one goes.
TEST(FolderCaseIndex, ARemovedNameIsGoneAndItsOtherCaseVariantStays) {
    test::TempDir dir;
    const std::string folder = dir.Path().string();
    test::WriteWholeFile(dir / "Keep.txt", "k");
    test::WriteWholeFile(dir / "KEEP.TXT", "K");
    FolderCaseIndex index;
    EXPECT_FALSE(index.MayHold(folder, "InUse.dat"));
    test::WriteWholeFile(dir / "InUse.dat", "1234");
    index.NoteAdded(dir / "InUse.dat");
    EXPECT_TRUE(index.MayHold(folder, "INUSE.DAT"));
    std::filesystem::remove(dir / "InUse.dat");
    index.NoteRemoved(dir / "InUse.dat");
    EXPECT_FALSE(index.MayHold(folder, "InUse.dat"));
    std::filesystem::remove(dir / "Keep.txt");
    index.NoteRemoved(dir / "Keep.txt");
    EXPECT_TRUE(index.MayHold(folder, "keep.txt"));
}

TEST(SafeFileName, AcceptsPlainNamesOnly) {
    const char* good[] = {"story.txt", "a b.wav", "...", ".profile", "\xC9t\xE9.wav", "x:y"};
    for (const char* name : good) EXPECT_TRUE(IsSafeFileName(name, nullptr)) << name;
    const std::string bad[] = {"", ".", "..", "a/b", "a\\b", "a|b", "a\rb", std::string("a\0b", 3), "\x1f"};
    for (const auto& name : bad) {
        std::string why;
        EXPECT_FALSE(IsSafeFileName(name, &why)) << name;
        EXPECT_FALSE(why.empty());
    }
}

}  // namespace
}  // namespace pv::platform
