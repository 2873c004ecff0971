#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <optional>
#include <thread>
#include <vector>

#include "config/ProfileFile.h"
#include "platform/FileMode.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using test::ReadWholeFile;
using test::TempDir;
using test::WriteWholeFile;

constexpr std::string_view kDefault = "<default>";

// Reads a key from a private copy of the bytes, so nothing remembered about
// the original file can stand in for what is on disk.
std::string ReadFromCopy(const TempDir& dir, const std::string& bytes, std::string_view section,
                         std::string_view key) {
    static int copies = 0;
    const std::string copy = dir / ("copy" + std::to_string(++copies) + ".ini");
    WriteWholeFile(copy, bytes);
    return ProfileFile(copy).GetString(section, key, kDefault);
}

platform::FileStamp StampOf(const std::string& path) {
    platform::FileStamp stamp;
    EXPECT_EQ(platform::StampOf(path, stamp), platform::Existence::present) << path;
    return stamp;
}

// --- reading -----------------------------------------------------------------

struct ReadCase {
    const char* name;
    std::string file;
    const char* section;
    const char* key;
    std::string expected;
};

TEST(ProfileFileRead, FindsValuesByTheProfileRules) {
    const std::vector<ReadCase> cases = {
        {"plain", "[S]\r\nk=v\r\n", "S", "k", "v"},
        {"names ignore ASCII case", "[Pressvane]\r\nDelay=7\r\n", "PRESSVANE", "dELAY", "7"},
        {"blanks around names", "  [ S ]  \r\n \t k  =v\r\n", " S", "k ", "v"},
        {"value loses outer blanks", "[S]\r\nk=  a b \t\r\n", "S", "k", "a b"},
        {"double quotes kept blanks", "[S]\r\nk=\" a \"\r\n", "S", "k", " a "},
        {"single quotes removed", "[S]\r\nk='x'\r\n", "S", "k", "x"},
        {"unmatched quotes stay", "[S]\r\nk=\"x'\r\n", "S", "k", "\"x'"},
        {"lone quote stays", "[S]\r\nk=\"\r\n", "S", "k", "\""},
        {"value after first equals", "[S]\r\nk=a=b\r\n", "S", "k", "a=b"},
        {"empty value is present", "[S]\r\nk=\r\n", "S", "k", ""},
        {"LF line ends", "[S]\nk=v\n", "S", "k", "v"},
        {"no final line end", "[S]\r\nk=v", "S", "k", "v"},
        {"first of duplicate keys", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "1"},
        {"repeated section", "[S]\r\na=1\r\n[T]\r\n[S]\r\nb=2\r\n", "S", "b", "2"},
        {"text after bracket ignored", "[S] ; note\r\nk=v\r\n", "S", "k", "v"},
        {"NUL in value", std::string("[S]\r\nk=a\0b\r\n", 12), "S", "k", std::string("a\0b", 3)},
        {"high bytes kept", "[S]\r\nk=\xE9t\xE9\r\n", "S", "k", "\xE9t\xE9"},
        {"missing key", "[S]\r\nother=1\r\n", "S", "k", std::string(kDefault)},
        {"missing section", "[T]\r\nk=1\r\n", "S", "k", std::string(kDefault)},
        {"key of the next section", "[S]\r\n[T]\r\nk=1\r\n", "S", "k", std::string(kDefault)},
        {"key before any section", "k=1\r\n[S]\r\n", "S", "k", std::string(kDefault)},
        {"comment is not a key", "[S]\r\n;k=1\r\n", "S", "k", std::string(kDefault)},
        {"high bytes do not fold", "[\xC4]\r\nk=v\r\n", "\xE4", "k", std::string(kDefault)},
        {"empty file", "", "S", "k", std::string(kDefault)},
    };
    TempDir dir;
    for (const ReadCase& c : cases) EXPECT_EQ(ReadFromCopy(dir, c.file, c.section, c.key), c.expected) << c.name;
}

TEST(ProfileFileRead, MissingFileOrFolderGivesTheDefault) {
    TempDir dir;
    EXPECT_EQ(ProfileFile(dir / "none.ini").GetString("S", "k", "d"), "d");
    EXPECT_EQ(ProfileFile(dir / "no/such/folder.ini").GetInt("S", "k", 42), 42);
    EXPECT_FALSE(fs::exists(dir / "none.ini"));
}

TEST(ProfileFileRead, ReturnsLongValuesWhole) {
    TempDir dir;
    const std::string value(5000, 'x');
    EXPECT_EQ(ReadFromCopy(dir, "[S]\r\nk=" + value + "\r\n", "S", "k"), value);
}

TEST(ProfileFileRead, IntegersUseTheLeadingDigits) {
    const std::vector<std::pair<std::string, int>> cases = {
        {"12", 12},
        {"-5", -5},
        {"12abc", 12},
        {"007", 7},
        {" 7 ", 7},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"+5", 0},
        {"0x10", 0},
        {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},
        {"99999999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},
        {"-99999999999999999999999", INT_MIN},
    };
    TempDir dir;
    const std::string path = dir / "int.ini";
    ProfileFile file(path);
    for (const auto& [text, expected] : cases) {
        WriteWholeFile(path, "[S]\r\nk=" + text + "\r\n");
        EXPECT_EQ(file.GetInt("S", "k", 99), expected) << "value \"" << text << "\"";
        EXPECT_EQ(LeadingInt(text), expected) << "value \"" << text << "\"";
    }
    EXPECT_EQ(file.GetInt("S", "missing", 99), 99);
}

// --- writing -----------------------------------------------------------------

struct WriteCase {
    const char* name;
    std::string before;
    const char* section;
    const char* key;
    const char* value;
    std::string after;
};

TEST(ProfileFileWrite, ChangesOnlyWhatItMust) {
    const std::vector<WriteCase> cases = {
        {"empty file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        {"replace", "[S]\r\nk=old\r\n", "S", "k", "new", "[S]\r\nk=new\r\n"},
        {"replace keeps key spelling and spacing", "[s]\r\n  KEY =  old  \r\n", "S", "key", "new",
         "[s]\r\n  KEY =  new\r\n"},
        {"replace keeps LF", "[S]\nk=old\nz=1\n", "S", "k", "new", "[S]\nk=new\nz=1\n"},
        {"new key after the last key of its section", "[S]\r\na=1\r\n\r\n;next\r\n[T]\r\nb=2\r\n", "S", "c", "3",
         "[S]\r\na=1\r\nc=3\r\n\r\n;next\r\n[T]\r\nb=2\r\n"},
        {"new key in an empty section", "[S]\r\n\r\n[T]\r\n", "S", "k", "v", "[S]\r\nk=v\r\n\r\n[T]\r\n"},
        {"new section at the end", "; top\r\n[T]\r\nb=2\r\n", "S", "k", "v", "; top\r\n[T]\r\nb=2\r\n[S]\r\nk=v\r\n"},
        {"no final line end", "[T]\r\nb=2", "S", "k", "v", "[T]\r\nb=2\r\n[S]\r\nk=v\r\n"},
        {"no final line end, same section", "[S]\r\na=1", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
        {"lone CR at the end", "[S]\r\na=1\r", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n"},
        {"first of duplicate keys", "[S]\r\nk=1\r\nk=2\r\n", "S", "k", "3", "[S]\r\nk=3\r\nk=2\r\n"},
        {"first of repeated sections", "[S]\r\na=1\r\n[S]\r\n", "S", "k", "v", "[S]\r\na=1\r\nk=v\r\n[S]\r\n"},
        {"names trimmed", "", " S ", " k ", "v", "[S]\r\nk=v\r\n"},
        {"blanks kept by quotes", "[S]\r\n", "S", "k", " v ", "[S]\r\nk=\" v \"\r\n"},
        {"quoted text kept by quotes", "[S]\r\n", "S", "k", "\"v\"", "[S]\r\nk=\"\"v\"\"\r\n"},
        {"garbage kept", "junk\r\n[S\r\n\x01\x02\r\n[S]\r\nno equals\r\n", "S", "k", "v",
         "junk\r\n[S\r\n\x01\x02\r\n[S]\r\nk=v\r\nno equals\r\n"},
    };
    TempDir dir;
    for (const WriteCase& c : cases) {
        const std::string path = dir / "w.ini";
        WriteWholeFile(path, c.before);
        std::string error;
        EXPECT_TRUE(ProfileFile(path).WriteString(c.section, c.key, c.value, &error)) << c.name << ": " << error;
        EXPECT_EQ(ReadWholeFile(path), c.after) << c.name;
    }
}

TEST(ProfileFileWrite, EveryValueReadsBackAsWritten) {
    const std::vector<std::string> values = {
        "", "plain", " lead", "trail ", "\tboth\t", "\"q\"", "'q'", "\"", "a\"", "'a", "x=y", ";not a comment",
        "[not a section]", std::string("n\0ul", 4), "\xE9t\xE9", std::string(3000, 'z'),
    };
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    for (const std::string& value : values) {
        ASSERT_TRUE(ProfileFile(path).WriteString("S", "k", value));
        EXPECT_EQ(ReadFromCopy(dir, ReadWholeFile(path), "S", "k"), value) << "value \"" << value << "\"";
    }
}

TEST(ProfileFileWrite, RefusesNamesAndValuesThatWouldBreakTheFile) {
    const std::vector<std::vector<std::string>> cases = {
        {"", "k", "v"}, {"S", "", "v"}, {" ", "k", "v"},   {"a]b", "k", "v"},   {"S", "a=b", "v"},
        {"S", "[k", "v"}, {"S", ";k", "v"}, {"S\r\n[T]", "k", "v"}, {"S", "a\nb", "v"}, {"S", "k", "a\r\nb=1"},
    };
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    WriteWholeFile(path, "[S]\r\nk=1\r\n");
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ProfileFile(path).WriteString(c[0], c[1], c[2], &error)) << c[0] << "|" << c[1] << "|" << c[2];
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nk=1\r\n");
}

TEST(ProfileFileWrite, KeepsEveryOtherByteOfAGarbledFile) {
    std::string garbage = "\xEF\xBB\xBFjunk without anything\r\n";
    garbage += std::string("bin\0ary\x01\x7F\xFF=\0\r\n", 15);
    garbage += std::string(200000, 'L') + "\r\n";  // an overlong line
    garbage += "[S]\r\n]][[\r\nk=old\r\n;comment=1\r\n\n\r\n[Other]\r\nlast=line without end";
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    WriteWholeFile(path, garbage);
    ProfileFile file(path);
    EXPECT_EQ(file.GetString("S", "k", ""), "old");
    EXPECT_EQ(file.GetString("Other", "last", ""), "line without end");
    ASSERT_TRUE(file.WriteString("S", "k", "new"));
    ASSERT_TRUE(file.WriteString("S", "added", "1"));
    ASSERT_TRUE(file.WriteString("New", "x", "y"));
    std::string expected = garbage;
    expected.replace(expected.find("k=old"), 5, "k=new\r\nadded=1");
    expected += "\r\n[New]\r\nx=y\r\n";
    EXPECT_EQ(ReadWholeFile(path), expected);
}

TEST(ProfileFileWrite, CreatesTheFileForItsOwnerOnly) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    ASSERT_TRUE(ProfileFile(path).WriteString("Postiex", "Password", "secret"));
    EXPECT_EQ(StampOf(path).permissions, 0600u);
    ASSERT_TRUE(ProfileFile(path).WriteString("Postiex", "Password", "other"));
    EXPECT_EQ(StampOf(path).permissions, 0600u);
}

TEST(ProfileFileWrite, AReplacedFileKeepsItsPermissions) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    WriteWholeFile(path, "[S]\r\n");
    fs::permissions(path, fs::perms(0640), fs::perm_options::replace);
    ASSERT_TRUE(ProfileFile(path).WriteString("S", "k", "v"));
    EXPECT_EQ(StampOf(path).permissions, 0640u);
}

TEST(ProfileFileWrite, ReplacesTheFileByRenameAndLeavesNoTemporaryFile) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    WriteWholeFile(path, "[S]\r\nk=1\r\n");
    const uint64_t inodeBefore = StampOf(path).inode;
    ASSERT_TRUE(ProfileFile(path).WriteString("S", "k", "2"));
    EXPECT_NE(StampOf(path).inode, inodeBefore);
    for (int i = 3; i < 6; ++i) ASSERT_TRUE(ProfileFile(path).WriteString("S", "k", std::to_string(i)));
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path())) names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"Pressvane.ini"});
}

TEST(ProfileFileWrite, TheValueAlreadyThereLeavesTheFileAlone) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    WriteWholeFile(path, "[S]\r\nk=\"v\"\r\n");
    const platform::FileStamp before = StampOf(path);
    EXPECT_TRUE(ProfileFile(path).WriteString("s", "K", "v"));
    EXPECT_EQ(StampOf(path), before);
    EXPECT_EQ(ReadWholeFile(path), "[S]\r\nk=\"v\"\r\n");
}

TEST(ProfileFileWrite, FailsCleanlyWhenTheFolderIsMissing) {
    TempDir dir;
    const std::string path = dir / "Pressvane/Pressvane.ini";
    std::string error;
    EXPECT_FALSE(ProfileFile(path).WriteString("S", "k", "v", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(dir / "Pressvane"));
}

TEST(ProfileFileWrite, NeverReplacesAFileItCannotRead) {
    // Tests may run as root, who reads any plain file; a link to a folder is a
    // settings file that exists and cannot be read, and that a rename would
    // silently replace.
    TempDir dir;
    fs::create_directory(dir / "folder");
    const std::string link = dir / "Pressvane.ini";
    fs::create_directory_symlink(dir / "folder", link);
    ProfileFile file(link);
    EXPECT_EQ(file.GetString("S", "k", "d"), "d");
    std::string error;
    EXPECT_FALSE(file.WriteString("S", "k", "v", &error));
    EXPECT_NE(error.find("not replaced"), std::string::npos) << error;
    EXPECT_TRUE(fs::is_symlink(link));

    const std::string folder = dir / "folder";
    EXPECT_FALSE(ProfileFile(folder).WriteString("S", "k", "v"));
    EXPECT_TRUE(fs::is_directory(folder));
}

TEST(ProfileFileWrite, WritesFromTwoThreadsAllLand) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    constexpr int kKeys = 20;
    auto writer = [&path](const std::string& prefix) {
        for (int i = 0; i < kKeys; ++i)
            EXPECT_TRUE(ProfileFile(path).WriteString("S", prefix + std::to_string(i), std::to_string(i)));
    };
    std::thread first(writer, "a");
    std::thread second(writer, "b");
    first.join();
    second.join();
    const std::string bytes = ReadWholeFile(path);
    for (int i = 0; i < kKeys; ++i) {
        for (const char* prefix : {"a", "b"}) {
            const std::string key = prefix + std::to_string(i);
            EXPECT_EQ(ReadFromCopy(dir, bytes, "S", key), std::to_string(i)) << key;
        }
    }
}

// --- the remembered image -----------------------------------------------------

TEST(ProfileFileImage, AnUnchangedFileIsNotReadAgain) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    WriteWholeFile(path, "[S]\r\nk=1\r\n");
    const auto old = fs::last_write_time(path) - std::chrono::hours(1);
    fs::last_write_time(path, old);
    ProfileFile file(path);
    ASSERT_EQ(file.GetString("S", "k", ""), "1");

    // Same file, size and time: the remembered image answers.
    WriteWholeFile(path, "[S]\r\nk=2\r\n");
    fs::last_write_time(path, old);
    EXPECT_EQ(file.GetString("S", "k", ""), "1");

    // A new modification time shows the change.
    fs::last_write_time(path, old + std::chrono::minutes(1));
    EXPECT_EQ(file.GetString("S", "k", ""), "2");
}

TEST(ProfileFileImage, SeesChangesMadeRightAfterARead) {
    TempDir dir;
    const std::string path = dir / "Pressvane.ini";
    ProfileFile file(path);
    for (int i = 0; i < 20; ++i) {
        WriteWholeFile(path, "[S]\r\nk=" + std::to_string(i % 10) + "\r\n");  // same size every time
        ASSERT_EQ(file.GetString("S", "k", ""), std::to_string(i % 10));
    }
    ASSERT_TRUE(file.WriteString("S", "k", "w"));
    WriteWholeFile(path, "[S]\r\nk=x\r\n");
    EXPECT_EQ(file.GetString("S", "k", ""), "x");
    fs::remove(path);
    EXPECT_EQ(file.GetString("S", "k", "gone"), "gone");
}

}  // namespace
}  // namespace pv
