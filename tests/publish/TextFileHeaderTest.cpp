#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "publish/TextFileHeader.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FtpFile.h"

namespace pv {
namespace {

using namespace std::string_literals;
using platform::File;

constexpr unsigned kReadMode = File::modeRead | File::shareDenyNone | File::typeText;
constexpr unsigned kWriteMode = File::modeWrite | File::modeCreate | File::typeText;

// What the file gives from its position to its end.
std::string RestOf(CFileString& file) {
    std::string rest;
    char block[4096];
    for (int64_t n; (n = file.Read(block, sizeof block)) > 0;) rest.append(block, static_cast<size_t>(n));
    return rest;
}

class StoryHeader : public ::testing::Test {
protected:
    // The service's file object and the plain line file: the header reads
    // the same through either.
    std::vector<std::unique_ptr<CFileString>> BothFileKinds() {
        std::vector<std::unique_ptr<CFileString>> files;
        files.push_back(std::make_unique<CFTPFile>(access));
        files.push_back(std::make_unique<CFileString>());
        return files;
    }

    std::string Story(const std::string& bytes) {
        const std::string path = dir / "story.txt";
        test::WriteWholeFile(path, bytes);
        return path;
    }

    test::TempDir dir;
    test::RecordingReporter reporter;
    FileAccess access{reporter, platform::DefaultClock()};
};

struct ReadCase {
    const char* name;
    std::string bytes;
    bool found;
    std::string slug;
    int command;
    std::string body;  // what the file reads from where the header leaves it
};

const std::string kLongValue(100000, 'v');

const std::vector<ReadCase> kReadCases = {
    {"CRLF header and body",
     "TQ32_SCRIPT1\r\nFILESLUG:Council vote\r\nFILECMD1:Replace\r\nFirst line\r\nSecond line\r\n", true,
     "Council vote", kCmdReplace, "First line\r\nSecond line\r\n"},
    {"LF only", "TQ32_SCRIPT1\nFILESLUG:Council vote\nFILECMD1:Replace\nFirst line\n", true,
     "Council vote", kCmdReplace, "First line\n"},
    {"no magic line", "FILESLUG:Council vote\r\nFirst line\r\n", false, "", kNoStoryCommand,
     "FILESLUG:Council vote\r\nFirst line\r\n"},
    {"magic line in lower case", "tq32_script1\r\nFILESLUG:x\r\nbody\r\n", false, "", kNoStoryCommand,
     "tq32_script1\r\nFILESLUG:x\r\nbody\r\n"},
    {"magic line with a trailing blank", "TQ32_SCRIPT1 \r\nFILESLUG:x\r\n", false, "", kNoStoryCommand,
     "TQ32_SCRIPT1 \r\nFILESLUG:x\r\n"},
    {"13 bytes: magic line and LF", "TQ32_SCRIPT1\n", false, "", kNoStoryCommand, "TQ32_SCRIPT1\n"},
    {"empty file", "", false, "", kNoStoryCommand, ""},
    {"magic line alone is an empty header", "TQ32_SCRIPT1\r\n", true, "", kNoStoryCommand, ""},
    {"header without body", "TQ32_SCRIPT1\r\nFILESLUG:Fire\r\n", true, "Fire", kNoStoryCommand, ""},
    {"last header line without line end", "TQ32_SCRIPT1\r\nFILESLUG:Fire", true, "Fire", kNoStoryCommand,
     ""},
    {"key of three bytes ends the header", "TQ32_SCRIPT1\r\nFILESLU:x\r\nbody\r\n", true, "",
     kNoStoryCommand, "FILESLU:x\r\nbody\r\n"},
    {"key of five bytes ends the header", "TQ32_SCRIPT1\r\nFILESLUGS:x\r\n", true, "", kNoStoryCommand,
     "FILESLUGS:x\r\n"},
    {"body line starting with FILE", "TQ32_SCRIPT1\r\nFILESLUG:x\r\nFILE NOTES follow\r\n", true, "x",
     kNoStoryCommand, "FILE NOTES follow\r\n"},
    {"short line starting with FILE", "TQ32_SCRIPT1\r\nFILESLUG:x\r\nFILE\r\nbody", true, "x",
     kNoStoryCommand, "FILE\r\nbody"},
    {"a key never reaches over a line end", "TQ32_SCRIPT1\r\nFILEA\nBC:x\r\n", true, "", kNoStoryCommand,
     "FILEA\nBC:x\r\n"},
    {"a key never holds a zero byte", "TQ32_SCRIPT1\r\nFILE\0LUG:x\r\n"s, true, "",
     kNoStoryCommand, "FILE\0LUG:x\r\n"s},
    {"empty values", "TQ32_SCRIPT1\r\nFILESLUG:\r\nFILECMD1:\r\nbody", true, "", kNoStoryCommand, "body"},
    {"later value wins", "TQ32_SCRIPT1\r\nFILESLUG:old\r\nFILESLUG:new\r\n", true, "new", kNoStoryCommand,
     ""},
    {"command in any case", "TQ32_SCRIPT1\r\nFILECMD1:rEPLACE tEXT oNLY\r\n", true, "",
     kCmdReplaceTextOnly, ""},
    {"unknown command word", "TQ32_SCRIPT1\r\nFILECMD1:Publish\r\n", true, "", kNoStoryCommand, ""},
    {"later unknown command clears the code", "TQ32_SCRIPT1\r\nFILECMD1:Delete\r\nFILECMD1:Publish\r\n",
     true, "", kNoStoryCommand, ""},
    {"carriage returns before the line feed", "TQ32_SCRIPT1\r\nFILESLUG:x\r\r\nFILECMD1:Add Unique\r\r\nbody\r\n",
     true, "x", kCmdAddUnique, "body\r\n"},
    {"bytes above 127 kept as they are", "TQ32_SCRIPT1\r\nFILESLUG:Caf\xe9 \x93news\x94\r\n", true,
     "Caf\xe9 \x93news\x94", kNoStoryCommand, ""},
    {"very long value and body line", "TQ32_SCRIPT1\r\nFILESLUG:" + kLongValue + "\r\n" + kLongValue + "\r\n",
     true, kLongValue, kNoStoryCommand, kLongValue + "\r\n"},
};

TEST_F(StoryHeader, ReadsTheHeaderAndLeavesTheFileAtTheBody) {
    for (const ReadCase& c : kReadCases) {
        const std::string path = Story(c.bytes);
        for (auto& file : BothFileKinds()) {
            SCOPED_TRACE(c.name);
            ASSERT_TRUE(file->Open(path, kReadMode));
            CTextFileHeader header;
            EXPECT_EQ(header.Read(*file), Status::OK());
            EXPECT_EQ(header.Found(), c.found);
            EXPECT_EQ(header.m_strSlug, c.slug);
            EXPECT_EQ(header.m_nCommand, c.command);
            EXPECT_EQ(RestOf(*file), c.body);
            file->Close();
        }
    }
}

TEST_F(StoryHeader, EveryKeyFillsItsFieldAndOtherKeysAreKeptInOrder) {
    std::string bytes = "TQ32_SCRIPT1\r\n";
    for (const char* key : {"SLUG", "CATG", "WHOM", "WRIT", "DATE", "SHOW", "TIME", "NEXT", "OWNR", "LUSE", "TUSE"})
        bytes += std::string("FILE") + key + ":" + key + " value\r\n";
    bytes += "FILECMD1:Delete\r\n";
    for (int n = 1; n <= 9; ++n) bytes += "FILEUS0" + std::to_string(n) + ":user " + std::to_string(n) + "\r\n";
    bytes += "FILEslug:lower case key\r\nFILEUS10:ten\r\nFILEUS00:zero\r\nFILEXTRA:\r\nbody\r\n";

    CFTPFile file(access);
    ASSERT_TRUE(file.Open(Story(bytes), kReadMode));
    CTextFileHeader header;
    ASSERT_EQ(header.Read(file), Status::OK());
    ASSERT_TRUE(header.Found());
    EXPECT_EQ(header.m_strSlug, "SLUG value");
    EXPECT_EQ(header.m_strCategory, "CATG value");
    EXPECT_EQ(header.m_strWho, "WHOM value");
    EXPECT_EQ(header.m_strWriter, "WRIT value");
    EXPECT_EQ(header.m_strDate, "DATE value");
    EXPECT_EQ(header.m_strShow, "SHOW value");
    EXPECT_EQ(header.m_strTime, "TIME value");
    EXPECT_EQ(header.m_strNext, "NEXT value");
    EXPECT_EQ(header.m_strOwner, "OWNR value");
    EXPECT_EQ(header.m_strLuse, "LUSE value");
    EXPECT_EQ(header.m_strTuse, "TUSE value");
    EXPECT_EQ(header.m_strCommand, "Delete");
    EXPECT_EQ(header.m_nCommand, kCmdDelete);
    for (int n = 1; n <= 9; ++n) EXPECT_EQ(header.m_strUser[static_cast<size_t>(n - 1)], "user " + std::to_string(n));
    const std::vector<CTextFileHeader::OtherField> others = {
        {"slug", "lower case key"}, {"US10", "ten"}, {"US00", "zero"}, {"XTRA", ""}};
    EXPECT_EQ(header.m_otherFields, others);
    EXPECT_EQ(RestOf(file), "body\r\n");
}

TEST_F(StoryHeader, ReadStartsFromAClearHeaderAndRewindsTheFile) {
    CFTPFile file(access);
    const std::string story = Story("TQ32_SCRIPT1\r\nFILESLUG:first\r\nFILEXTRA:x\r\nFILECMD1:Add\r\nbody\r\n");
    ASSERT_TRUE(file.Open(story, kReadMode));
    CTextFileHeader header;
    ASSERT_EQ(header.Read(file), Status::OK());
    ASSERT_TRUE(header.Found());
    EXPECT_EQ(header.m_otherFields.size(), 1u);

    // Read again from the middle of the body: the header starts over at the
    // file's start and no field of the first read is kept twice.
    ASSERT_EQ(header.Read(file), Status::OK());
    ASSERT_TRUE(header.Found());
    EXPECT_EQ(header.m_strSlug, "first");
    EXPECT_EQ(header.m_nCommand, kCmdAdd);
    EXPECT_EQ(header.m_otherFields.size(), 1u);

    ASSERT_TRUE(file.Open(Story("no header\r\n"), kReadMode));
    EXPECT_EQ(header.Read(file), Status::OK());
    EXPECT_FALSE(header.Found());
    EXPECT_EQ(header.m_strSlug, "");
    EXPECT_EQ(header.m_nCommand, kNoStoryCommand);
    EXPECT_TRUE(header.m_otherFields.empty());
}

TEST_F(StoryHeader, AFileThatCannotBeReadIsAFailureWithTheReason) {
    // A folder opens like a file, but every read of it fails.
    for (const char* name : {"a.txt", "b.txt"}) test::WriteWholeFile(dir / name, "x");
    CFTPFile folder(access);
    ASSERT_TRUE(folder.Open(dir.Path().string(), kReadMode));
    ASSERT_GE(folder.GetLength(), CTextFileHeader::kMinimumFileLength);
    CTextFileHeader header;
    header.m_strSlug = "stale";
    EXPECT_EQ(header.Read(folder), Status::IoError("Unknown file error trying to read the text file header.")
                                       .WithDetail("A read of the file failed."));
    EXPECT_FALSE(header.Found());
    EXPECT_EQ(header.m_strSlug, "");

    CFTPFile closed(access);
    EXPECT_EQ(header.Read(closed), Status::IoError("Unknown file error trying to read the text file header.")
                                       .WithDetail("The file is not open."));
}

TEST_F(StoryHeader, WritesTheEightFixedLinesAndOnlyTheOtherFieldsThatHoldText) {
    CTextFileHeader header;
    header.m_strSlug = "Fire";
    header.m_strDate = "03/07/2026";
    header.m_otherFields.push_back({"XTRA", "not written"});
    const std::string path = dir / "written.txt";
    CFTPFile file(access);
    ASSERT_TRUE(file.Open(path, kWriteMode));
    ASSERT_TRUE(header.Write(file));
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(path),
              "TQ32_SCRIPT1\r\nFILESLUG:Fire\r\nFILECATG:\r\nFILEWHOM:\r\nFILEWRIT:\r\nFILEDATE:03/07/2026\r\n"
              "FILESHOW:\r\nFILETIME:\r\nFILENEXT:\r\n");

    header.m_strTuse = "t";
    header.m_strOwner = "o";
    header.m_strCommand = "Replace";
    header.m_strUser[8] = "nine";
    header.m_strUser[0] = "one";
    EXPECT_TRUE(header.HeaderText().ends_with(
        "FILENEXT:\nFILEOWNR:o\nFILETUSE:t\nFILECMD1:Replace\nFILEUS01:one\nFILEUS09:nine\n"));
}

TEST_F(StoryHeader, ALineEndInAValueNeverSplitsItsLine) {
    CTextFileHeader header;
    header.m_strSlug = "Fire\r\nFILECMD1:Delete";
    header.m_strCategory = "News\n\n\nLocal";
    header.m_strUser[1] = "\rtwo\r";
    EXPECT_EQ(header.HeaderText(),
              "TQ32_SCRIPT1\nFILESLUG:Fire FILECMD1:Delete\nFILECATG:News Local\nFILEWHOM:\nFILEWRIT:\n"
              "FILEDATE:\nFILESHOW:\nFILETIME:\nFILENEXT:\nFILEUS02: two \n");
}

TEST_F(StoryHeader, AWrittenHeaderReadsBackWithTheBodyAfterIt) {
    CTextFileHeader written;
    written.m_strSlug = "Council vote";
    written.m_strCategory = "News,Local";
    written.m_strWriter = "Caf\xe9";
    written.m_strCommand = "Replace Text Only";
    written.m_strUser[4] = "five";
    written.m_strNext = "line\nbreak";
    const std::string path = dir / "roundtrip.txt";
    CFTPFile file(access);
    ASSERT_TRUE(file.Open(path, kWriteMode));
    ASSERT_TRUE(written.Write(file));
    ASSERT_TRUE(file.WriteText("First body line\n"));
    ASSERT_TRUE(file.Close());

    ASSERT_TRUE(file.Open(path, kReadMode));
    CTextFileHeader read;
    ASSERT_EQ(read.Read(file), Status::OK());
    ASSERT_TRUE(read.Found());
    EXPECT_EQ(read.m_strSlug, "Council vote");
    EXPECT_EQ(read.m_strCategory, "News,Local");
    EXPECT_EQ(read.m_strWriter, "Caf\xe9");
    EXPECT_EQ(read.m_nCommand, kCmdReplaceTextOnly);
    EXPECT_EQ(read.m_strUser[4], "five");
    EXPECT_EQ(read.m_strNext, "line break");
    EXPECT_TRUE(read.m_otherFields.empty());
    EXPECT_EQ(RestOf(file), "First body line\r\n");
}

TEST_F(StoryHeader, AFailedWriteIsReported) {
    CTextFileHeader header;
    header.m_strSlug = std::string(100000, 's');
    CFTPFile full(access);
    ASSERT_TRUE(full.Open("/dev/full", File::modeWrite));
    EXPECT_FALSE(header.Write(full));
    EXPECT_FALSE(full.Close());

    CFTPFile closed(access);
    EXPECT_FALSE(header.Write(closed));
}

}  // namespace
}  // namespace pv
