#include <gtest/gtest.h>

#include "support/TempDir.h"
#include "transport/Filename.h"

namespace pv {
namespace {

TEST(Filename, SplitsIntoDriveDirectoryTitleAndExtension) {
    const struct {
        const char* path;
        const char* drive;
        const char* dir;
        const char* title;
        const char* ext;
    } cases[] = {
        {"", "", "", "", ""},
        {"C:\\News\\story.txt", "C:", "\\News\\", "story", ".txt"},
        {"C:", "C:", "", "", ""},
        {"C:file.htm", "C:", "", "file", ".htm"},
        {"C:\\News\\", "C:", "\\News\\", "", ""},
        {"ftp://host/dir/a.b.htm", "", "ftp://host/dir/", "a.b", ".htm"},
        {"\\\\server\\share\\x.wav", "", "\\\\server\\share\\", "x", ".wav"},
        {"mixed/sep\\name", "", "mixed/sep\\", "name", ""},
        {"dir.d/name", "", "dir.d/", "name", ""},
        {"name.", "", "", "name", "."},
        {".profile", "", "", "", ".profile"},
        {"plain", "", "", "plain", ""},
    };
    for (const auto& c : cases) {
        const CFilename name(c.path);
        EXPECT_EQ(name.GetDrive(), c.drive) << c.path;
        EXPECT_EQ(name.GetDir(), c.dir) << c.path;
        EXPECT_EQ(name.GetTitle(), c.title) << c.path;
        EXPECT_EQ(name.GetExt(), c.ext) << c.path;
        EXPECT_EQ(name.GetFileName(), std::string(c.title) + c.ext) << c.path;
        EXPECT_EQ(name.GetPath(), std::string(c.drive) + c.dir) << c.path;
        EXPECT_EQ(name.GetFullPath(), c.path);
    }
}

TEST(Filename, KeepsLongPartsWhole) {
    const std::string title(400, 't');
    const std::string dir = "\\" + std::string(300, 'd') + "\\";
    const CFilename name("C:" + dir + title + ".txt");
    EXPECT_EQ(name.GetDir(), dir);
    EXPECT_EQ(name.GetTitle(), title);
}

TEST(Filename, ExistsForFilesAndFoldersWithOrWithoutTrailingSeparator) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "a.txt", "x");
    const std::string folder = dir.Path().string();
    EXPECT_TRUE(CFilename(dir / "a.txt").Exists());
    EXPECT_TRUE(CFilename(folder).Exists());
    EXPECT_TRUE(CFilename(folder + "/").Exists());
    EXPECT_TRUE(CFilename(folder + "\\").Exists());
    EXPECT_FALSE(CFilename(dir / "b.txt").Exists());
    EXPECT_EQ(CFilename(dir / "b.txt").CheckExists(), platform::Existence::absent);
    EXPECT_FALSE(CFilename("").Exists());
}

}  // namespace
}  // namespace pv
