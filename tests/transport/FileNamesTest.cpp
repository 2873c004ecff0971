#include <gtest/gtest.h>

#include "transport/FileNames.h"

namespace pv {
namespace {

std::string Valid(std::string text, bool bAllowPath) {
    MakeValidFilename(text, bAllowPath);
    return text;
}

TEST(MakeValidFilename, GivesTheSameForEitherPathFlag) {
    const struct {
        std::string text;
        std::string result;
    } cases[] = {
        {"Fire & Rescue (update)", "Fire_Rescue_update"},
        {"a--b__c", "a-b_c"},
        {"", "z"},
        {"&", "z"},
        {" & lead", "lead"},
        {"[{(?*'\",;#<>%$)}]", "z"},
        {"x&&y", "x_y"},
        {"it\x92s caf\xe9", "it_s_caf_"},
        {"\xff\xfe", "_"},
        {"pipe|tab\tnl\r\nnul\x01 del\x7f!", "pipetabnlnul_del!"},
        {"(&x", "_x"},
        {"a-_-b", "a-_-b"},
        {"---", "-"},
        {".", "z"},
        {"..", "z"},
        {"...", "z"},
        {". .", "._."},
        {".hidden", ".hidden"},
    };
    for (const auto& c : cases) {
        for (const bool allowPath : {false, true}) {
            EXPECT_EQ(Valid(c.text, allowPath), c.result) << c.text << " allowPath " << allowPath;
        }
    }
}

TEST(MakeValidFilename, KeepsPathCharactersOnlyWhenAllowed) {
    const struct {
        std::string text;
        bool allowPath;
        std::string result;
    } cases[] = {
        {"C:\\news\\a b.txt", false, "Cnewsa_b.txt"},
        {"C:\\news\\a b.txt", true, "C:\\news\\a_b.txt"},
        {"x:y", false, "xy"},
        {"x:y", true, "x:y"},
        {"a/b c/d", false, "ab_cd"},
        {"a/b c/d", true, "a/b_c/d"},
        {"..\\..\\up", false, "....up"},
        {":\\/", false, "z"},
        {"..\\..\\up", true, "z\\z\\up"},
        {"news/./a", true, "news/z/a"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Valid(c.text, c.allowPath), c.result) << c.text << " allowPath " << c.allowPath;
    }
}

TEST(AppendPathSeparator, AddsTheSeparatorThePathUses) {
    const struct {
        std::string path;
        std::string result;
    } cases[] = {
        {"", ""},
        {"C:", "C:\\"},
        {"C:\\News", "C:\\News\\"},
        {"C:\\News\\", "C:\\News\\"},
        {"C:\\News/", "C:\\News/"},
        {"ftp:host", "ftp:host/"},
        {"ftp://host/dir", "ftp://host/dir/"},
        {"ftp://host", "ftp://host/"},
        {"/srv/news", "/srv/news/"},
        {"mixed/a\\b", "mixed/a\\b\\"},
        {"News", "News\\"},
        {"C:x:y", "C:x:y\\"},
        {":", ":/"},
    };
    for (const auto& c : cases) {
        std::string path = c.path;
        AppendPathSeparator(path);
        EXPECT_EQ(path, c.result) << c.path;
    }
}

TEST(SplitFolderAndName, SplitsAfterTheLastSeparatorOfEitherKind) {
    const struct {
        std::string path;
        std::string folder;
        std::string name;
    } cases[] = {
        {"", "", ""},
        {"name.txt", "", "name.txt"},
        {"C:\\News\\a.txt", "C:\\News\\", "a.txt"},
        {"a\\b/c", "a\\b/", "c"},
        {"a/b\\c", "a/b\\", "c"},
        {"ftp://host/dir/x.htm", "ftp://host/dir/", "x.htm"},
        {"C:\\News\\", "C:\\News\\", ""},
        {"C:name", "", "C:name"},
    };
    for (const auto& c : cases) {
        std::string folder = "old";
        std::string name = "old";
        SplitFolderAndName(c.path, &folder, &name);
        EXPECT_EQ(folder, c.folder) << c.path;
        EXPECT_EQ(name, c.name) << c.path;
    }
    std::string folder;
    SplitFolderAndName("x/y", &folder);
    EXPECT_EQ(folder, "x/");
    std::string name;
    SplitFolderAndName("x/y", nullptr, &name);
    EXPECT_EQ(name, "y");
}

}  // namespace
}  // namespace pv
