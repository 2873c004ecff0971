#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

#include "config/ProfileFile.h"
#include "support/TempDir.h"

namespace pv {
namespace {

ino_t InodeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

TEST(ProfileBatch, PendingWritesAreReadBackAndLandInOneReplacement) {
    test::TempDir dir;
    const std::string path = dir / "settings.ini";
    test::WriteWholeFile(path, "; keep me\r\n[A]\r\nx=1\r\n");
    const ino_t before = InodeOf(path);
    {
        ProfileBatch batch(path);
        ProfileFile file(path);
        ASSERT_TRUE(file.WriteString("A", "x", "2"));
        ASSERT_TRUE(file.WriteString("B", "y", "3"));
        EXPECT_EQ(file.GetString("A", "x", ""), "2");
        EXPECT_EQ(InodeOf(path), before);  // nothing on disk yet
        EXPECT_EQ(test::ReadWholeFile(path), "; keep me\r\n[A]\r\nx=1\r\n");
        ASSERT_TRUE(batch.Commit());
    }
    EXPECT_EQ(test::ReadWholeFile(path), "; keep me\r\n[A]\r\nx=2\r\n[B]\r\ny=3\r\n");
}

TEST(ProfileBatch, NewFileIsPrivateAndAnUnreadableOneStaysUntouched) {
    test::TempDir dir;
    const std::string path = dir / "new.ini";
    {
        ProfileBatch batch(path);
        ProfileFile(path).WriteString("Pressvane", "Password", "secret");
    }
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    std::filesystem::create_directory(dir / "folder");
    std::filesystem::create_symlink(dir / "folder", dir / "link.ini");
    ProfileBatch batch(dir / "link.ini");
    EXPECT_FALSE(ProfileFile(dir / "link.ini").WriteString("A", "b", "c"));
    EXPECT_TRUE(batch.Commit());
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
}

TEST(ProfileBatch, FailedCommitIsReportedAndForgetsThePendingImage) {
    test::TempDir dir;
    const std::string path = dir / "missing-folder/settings.ini";
    ProfileBatch batch(path);
    ProfileFile file(path);
    ASSERT_TRUE(file.WriteString("A", "x", "1"));
    std::string error;
    EXPECT_FALSE(batch.Commit(&error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(file.GetString("A", "x", "default"), "default");
}

}  // namespace
}  // namespace pv
