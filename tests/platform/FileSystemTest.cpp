#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "support/TempDir.h"

namespace pv::platform {
namespace {

std::vector<std::string> Names(const std::vector<DirEntry>& entries) {
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.name);
    return names;
}

std::vector<std::string> List(const std::string& folder, const std::string& pattern) {
    std::vector<DirEntry> entries;
    std::string error;
    EXPECT_TRUE(ListFolder(folder, pattern, entries, &error)) << error;
    return Names(entries);
}

TEST(ListFolder, SortsByNameWithoutCaseAndFiltersByPattern) {
    test::TempDir dir;
    for (const char* name : {"b.wav", "A.WAV", "a.wav", "c.txt", "README", ".hidden"})
        test::WriteWholeFile(dir / name, "12345");
    std::filesystem::create_directory(dir / "Sub.wav");
    using Names = std::vector<std::string>;
    EXPECT_EQ(List(dir.Folder(), "*.*"), (Names{".hidden", "A.WAV", "a.wav", "b.wav", "c.txt", "README", "Sub.wav"}));
    EXPECT_EQ(List(dir.Path().string(), "*.wav"), (Names{"A.WAV", "a.wav", "b.wav", "Sub.wav"}));
    EXPECT_EQ(List(dir.Folder(), "*."), (Names{"README"}));
    EXPECT_EQ(List(dir.Folder(), ""), List(dir.Folder(), "*"));
    EXPECT_EQ(List(dir.Folder(), "*.mp3"), Names{});
}

TEST(ListFolder, DescribesEachEntry) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "a.txt", std::string(1000, 'x'));
    std::filesystem::create_directory(dir / "folder");
    ASSERT_TRUE(SetModifiedTime(dir / "a.txt", 1700000000));
    std::filesystem::create_symlink(dir / "gone", dir / "dangling");
    std::vector<DirEntry> entries;
    ASSERT_TRUE(ListFolder(dir.Folder(), "*", entries));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, "a.txt");
    EXPECT_FALSE(entries[0].isDirectory);
    EXPECT_EQ(entries[0].size, 1000);
    EXPECT_EQ(entries[0].modified, 1700000000);
    EXPECT_EQ(entries[1].name, "dangling");
    EXPECT_FALSE(entries[1].isDirectory);
    EXPECT_EQ(entries[1].size, 0);
    EXPECT_EQ(entries[2].name, "folder");
    EXPECT_TRUE(entries[2].isDirectory);
}

TEST(ListFolder, AMissingFolderIsAnErrorNotAnEmptyListing) {
    test::TempDir dir;
    std::vector<DirEntry> entries{DirEntry{"stale", false, 1, 1}};
    std::string error;
    EXPECT_FALSE(ListFolder(dir / "missing", "*.*", entries, &error));
    EXPECT_TRUE(entries.empty());
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(ListFolder(dir.Folder(), "*.*", entries, &error));
    EXPECT_TRUE(entries.empty());
}

TEST(ListFolder, FindsAFolderWrittenInAnotherCase) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "News/In");
    test::WriteWholeFile(dir / "News/In/x.wav", "");
    EXPECT_EQ(List(dir / "NEWS\\in\\", "*.WAV"), std::vector<std::string>{"x.wav"});
}

TEST(ModifiedTime, RoundTripsAndReportsFailure) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "a.txt", "x");
    for (std::time_t when : {std::time_t{0}, std::time_t{946684800}, std::time_t{4102444800}}) {
        ASSERT_TRUE(SetModifiedTime(dir / "a.txt", when));
        EXPECT_EQ(ModifiedTime(dir / "a.txt"), when);
    }
    std::string error;
    EXPECT_FALSE(SetModifiedTime(dir / "missing.txt", 0, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ModifiedTime(dir / "missing.txt"), -1);
}

std::string Pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 7) & 0xFF);
    return bytes;
}

TEST(CopyFileContents, CopiesEveryByte) {
    test::TempDir dir;
    for (size_t size : {size_t{0}, size_t{1}, size_t{65536}, size_t{65537}, size_t{1000003}}) {
        const std::string bytes = Pattern(size);
        test::WriteWholeFile(dir / "from.bin", bytes);
        std::string error;
        ASSERT_TRUE(CopyFileContents(dir / "from.bin", dir / "to.bin", false, &error)) << error;
        EXPECT_EQ(test::ReadWholeFile(dir / "to.bin"), bytes) << size;
    }
}

TEST(CopyFileContents, FailIfExistsLeavesTheTargetAlone) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "from.txt", "new");
    test::WriteWholeFile(dir / "to.txt", "old");
    std::string error;
    EXPECT_FALSE(CopyFileContents(dir / "from.txt", dir / "to.txt", true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(test::ReadWholeFile(dir / "to.txt"), "old");
    EXPECT_TRUE(CopyFileContents(dir / "from.txt", dir / "to.txt", false, &error)) << error;
    EXPECT_EQ(test::ReadWholeFile(dir / "to.txt"), "new");
}

TEST(CopyFileContents, RefusesWhatWouldLoseData) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "a.txt", "keep me");
    std::filesystem::create_directory(dir / "folder");
    std::string error;
    EXPECT_FALSE(CopyFileContents(dir / "a.txt", dir / "A.TXT", false, &error));  // the same file
    EXPECT_EQ(test::ReadWholeFile(dir / "a.txt"), "keep me");
    EXPECT_FALSE(CopyFileContents(dir / "missing.txt", dir / "b.txt", false, &error));
    EXPECT_FALSE(CopyFileContents(dir / "folder", dir / "c.txt", false, &error));
    EXPECT_FALSE(CopyFileContents(dir / "a.txt", dir / "no/such/d.txt", false, &error));
    EXPECT_FALSE(std::filesystem::exists(dir / "b.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir / "c.txt"));
}

TEST(CopyFileContents, RemovesATargetItCouldNotFinish) {
    // /dev/full takes the open and fails every write, like a full disk.
    struct stat st {};
    if (::stat("/dev/full", &st) != 0) GTEST_SKIP() << "no /dev/full";
    test::TempDir dir;
    test::WriteWholeFile(dir / "from.txt", "bytes");
    std::filesystem::create_symlink("/dev/full", dir / "to.txt");
    std::string error;
    EXPECT_FALSE(CopyFileContents(dir / "from.txt", dir / "to.txt", false, &error));
    EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "to.txt"));
    EXPECT_EQ(::stat("/dev/full", &st), 0);
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(CopyFileIntoPlace, TheTargetAppearsWholeUnderItsNameOrNotAtAll) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "source", std::string(300000, 'n'));
    test::WriteWholeFile(dir / "target", "old");
    std::string error;
    // Replacing: the temporary name is gone, the target holds the new bytes.
    ASSERT_TRUE(CopyFileIntoPlace(dir / "source", dir / "target", dir / ".part1", false, &error)) << error;
    EXPECT_EQ(test::ReadWholeFile(dir / "target"), std::string(300000, 'n'));
    EXPECT_FALSE(std::filesystem::exists(dir / ".part1"));
    // Never replacing: an existing target is left alone, nothing stays behind.
    test::WriteWholeFile(dir / "kept", "keep");
    EXPECT_FALSE(CopyFileIntoPlace(dir / "source", dir / "kept", dir / ".part2", true, &error));
    EXPECT_EQ(test::ReadWholeFile(dir / "kept"), "keep");
    EXPECT_FALSE(std::filesystem::exists(dir / ".part2"));
    ASSERT_TRUE(CopyFileIntoPlace(dir / "source", dir / "new", dir / ".part3", true, &error)) << error;
    EXPECT_EQ(std::filesystem::file_size(dir / "new"), 300000u);
    // A failed copy leaves neither name.
    EXPECT_FALSE(CopyFileIntoPlace(dir / "missing", dir / "none", dir / ".part4", false, &error));
    EXPECT_FALSE(std::filesystem::exists(dir / "none"));
    EXPECT_FALSE(std::filesystem::exists(dir / ".part4"));
    EXPECT_FALSE(CopyFileIntoPlace(dir / "new", dir / "new", dir / ".part5", false, &error));
    EXPECT_EQ(std::filesystem::file_size(dir / "new"), 300000u);
}

// The copy's modified time is the source's, a given one, or the time it was
// made; its size is told.
TEST(CopyFileIntoPlace, SetsTheModifiedTimeAskedForAndTellsTheSize) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "source", std::string(70000, 's'));
    ASSERT_TRUE(SetModifiedTime(dir / "source", 946684800));
    struct Case {
        bool keepSourceTime;
        std::time_t modified;
        std::time_t expected;  // -1: not the source's
    };
    const Case cases[] = {{true, -1, 946684800}, {false, 1700000000, 1700000000}, {false, -1, -1}};
    int n = 0;
    for (const Case& c : cases) {
        const std::string target = dir / ("target" + std::to_string(n));
        const std::string temporary = dir / (".part" + std::to_string(n++));
        int64_t size = -1;
        PlacedCopy placed;
        placed.keepSourceTime = c.keepSourceTime;
        placed.modified = c.modified;
        placed.size = &size;
        std::string error;
        ASSERT_TRUE(CopyFileIntoPlace(dir / "source", target, temporary, true, &error, placed)) << error;
        EXPECT_EQ(size, 70000);
        if (c.expected >= 0) EXPECT_EQ(ModifiedTime(target), c.expected) << n;
        else EXPECT_NE(ModifiedTime(target), 946684800) << n;
        EXPECT_FALSE(std::filesystem::exists(temporary));
    }
}

TEST(MoveByRename, WithoutReplaceNeverTakesAnExistingName) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "from", "new");
    test::WriteWholeFile(dir / "to", "old");
    EXPECT_FALSE(MoveByRename(dir / "from", dir / "to", false));
    EXPECT_EQ(test::ReadWholeFile(dir / "to"), "old");
    EXPECT_TRUE(MoveByRename(dir / "from", dir / "free", false));
    EXPECT_EQ(test::ReadWholeFile(dir / "free"), "new");
}

TEST(MoveByRename, MovesWhereARenameLeavesWhatACopyWould) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "in.bin", "news");
    test::WriteWholeFile(dir / "out.bin", "old");
    ASSERT_EQ(::chmod((dir / "in.bin").c_str(), 0600), 0);
    ASSERT_TRUE(SetModifiedTime(dir / "in.bin", 946684800));
    const ino_t inode = Inode(dir / "in.bin");
    int64_t moved = -1;
    EXPECT_TRUE(MoveByRename(dir / "in.bin", dir / "OUT.BIN", true, &moved));
    EXPECT_EQ(moved, 4);
    EXPECT_FALSE(std::filesystem::exists(dir / "in.bin"));
    EXPECT_EQ(test::ReadWholeFile(dir / "out.bin"), "news");  // replaced, found without regard to case
    EXPECT_EQ(Inode(dir / "out.bin"), inode);
    EXPECT_EQ(ModifiedTime(dir / "out.bin"), 946684800);
    // The permissions a copy would have got, not the source's.
    struct stat st {};
    ASSERT_EQ(::stat((dir / "out.bin").c_str(), &st), 0);
    const mode_t mask = ::umask(022);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0644 & ~mask);
}

TEST(MoveByRename, LeavesEverythingAloneWhereOnlyACopyWillDo) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "linked.bin", "two names");
    std::filesystem::create_hard_link(dir / "linked.bin", dir / "other-name.bin");
    test::WriteWholeFile(dir / "target.bin", "kept");
    std::filesystem::create_symlink(dir / "target.bin", dir / "link.bin");
    test::WriteWholeFile(dir / "plain.bin", "plain");
    std::filesystem::create_directory(dir / "folder");
    struct Case {
        std::string from, to;
    };
    const Case cases[] = {
        {dir / "linked.bin", dir / "out.bin"},    // another name would keep sharing the file
        {dir / "plain.bin", dir / "PLAIN.bin"},   // the file itself
        {dir / "plain.bin", dir / "link.bin"},    // a copy writes through the link
        {dir / "folder", dir / "moved-folder"},   // folders are not relayed files
        {dir / "missing.bin", dir / "x.bin"},
        {dir / "plain.bin", dir / "no/such/folder/x.bin"},  // the copy will say why
    };
    for (const auto& c : cases) EXPECT_FALSE(MoveByRename(c.from, c.to)) << c.from << " -> " << c.to;
    EXPECT_EQ(test::ReadWholeFile(dir / "linked.bin"), "two names");
    EXPECT_EQ(test::ReadWholeFile(dir / "plain.bin"), "plain");
    EXPECT_EQ(test::ReadWholeFile(dir / "target.bin"), "kept");
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.bin"));
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "folder"));
}

TEST(MoveByRename, LeavesAFileOfAnotherUserToACopy) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to give a file away";
    test::TempDir dir;
    test::WriteWholeFile(dir / "theirs.bin", "uploaded");
    ASSERT_EQ(::chown((dir / "theirs.bin").c_str(), 65534, 65534), 0);
    EXPECT_FALSE(MoveByRename(dir / "theirs.bin", dir / "out.bin"));
    EXPECT_TRUE(std::filesystem::exists(dir / "theirs.bin"));
}

}  // namespace
}  // namespace pv::platform
