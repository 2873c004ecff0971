#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "publish/DatFile.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileNames.h"

namespace pv {
namespace {

// A descriptor as the newsroom system writes it, one text per line.
std::vector<std::string> FullDescriptor() {
    return {"NEWSROOM",     "desk 4",      "&News [Update] #1", "line four", "line five", "Local News",
            "line seven",   "12",          "-3",                "4102444800", "17",       "0",
            "council, vote", "Replace",     "user one",          "user two",   "user three", "user four",
            "user five",    "user six",    "user seven",        "user eight", "user nine"};
}

std::string Joined(const std::vector<std::string>& lines, const std::string& lineEnd) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + lineEnd;
    return bytes;
}

class SubmissionDescriptor : public ::testing::Test {
protected:
    CDatFile Read(const std::string& bytes) {
        test::WriteWholeFile(dir / "story.dat", bytes);
        CDatFile descriptor;
        const Status status = descriptor.Read(access, Location::Parse(dir / "story.dat"));
        EXPECT_TRUE(status.ok()) << status.message();
        return descriptor;
    }

    CDatFile ReadWithLine(size_t lineNumber, const std::string& text) {
        std::vector<std::string> lines = FullDescriptor();
        lines[lineNumber - 1] = text;
        return Read(Joined(lines, "\r\n"));
    }

    test::TempDir dir;
    test::RecordingReporter reporter;
    FileAccess access{reporter, platform::DefaultClock()};
};

void ExpectFullDescriptor(const CDatFile& descriptor) {
    EXPECT_EQ(descriptor.m_strLine1, "NEWSROOM");
    EXPECT_EQ(descriptor.m_strLine2, "desk 4");
    EXPECT_EQ(descriptor.m_strSlug, "News -Update- -1");
    EXPECT_EQ(descriptor.m_strLine5, "line five");
    EXPECT_EQ(descriptor.m_strAlias, "Local News");
    EXPECT_EQ(descriptor.m_nLine8, 12);
    EXPECT_EQ(descriptor.m_nLine9, -3);
    EXPECT_EQ(descriptor.m_nTime, 4102444800);  // 1 January 2100
    EXPECT_EQ(descriptor.m_nSenderNumber, 17);
    EXPECT_EQ(descriptor.m_nLine12, 0);
    EXPECT_EQ(descriptor.m_strKeywords, "council, vote");
    EXPECT_EQ(descriptor.m_nCommand, kCmdReplace);
    const char* users[] = {"one", "two", "three", "four", "five", "six", "seven", "eight", "nine"};
    for (size_t i = 0; i < 9; ++i) EXPECT_EQ(descriptor.m_strUser[i], std::string("user ") + users[i]);
}

TEST_F(SubmissionDescriptor, EveryLineEndReadsTheSame) {
    for (const char* lineEnd : {"\r\n", "\n", "\r"}) {
        SCOPED_TRACE(testing::PrintToString(lineEnd));
        ExpectFullDescriptor(Read(Joined(FullDescriptor(), lineEnd)));
    }
    std::string withoutLastLineEnd = Joined(FullDescriptor(), "\r\n");
    withoutLastLineEnd.resize(withoutLastLineEnd.size() - 2);
    ExpectFullDescriptor(Read(withoutLastLineEnd));
}

TEST_F(SubmissionDescriptor, AStrayCarriageReturnEndsNoLineOfItsOwn) {
    std::vector<std::string> lines = FullDescriptor();
    lines[5] = "Local News\r";
    lines[13] = "Replace\r\r";
    ExpectFullDescriptor(Read(Joined(lines, "\r\n")));
}

TEST_F(SubmissionDescriptor, AShortDescriptorLeavesTheMissingFieldsClear) {
    std::vector<std::string> lines = FullDescriptor();
    lines.resize(6);
    const CDatFile descriptor = Read(Joined(lines, "\r\n"));
    EXPECT_EQ(descriptor.m_strSlug, "News -Update- -1");
    EXPECT_EQ(descriptor.m_strAlias, "Local News");
    EXPECT_EQ(descriptor.m_nSenderNumber, 0);
    EXPECT_EQ(descriptor.m_nTime, 0);
    EXPECT_EQ(descriptor.m_strKeywords, "");
    EXPECT_EQ(descriptor.m_nCommand, kCmdAdd);
    for (const std::string& user : descriptor.m_strUser) EXPECT_EQ(user, "");

    lines = FullDescriptor();
    lines.resize(16);
    const CDatFile fewUsers = Read(Joined(lines, "\n"));
    EXPECT_EQ(fewUsers.m_strUser[1], "user two");
    EXPECT_EQ(fewUsers.m_strUser[2], "");

    const CDatFile empty = Read("");
    EXPECT_EQ(empty.m_strSlug, "");
    EXPECT_EQ(empty.m_nCommand, kCmdAdd);
}

TEST_F(SubmissionDescriptor, TheSlugIsCleaned) {
    const struct {
        std::string line;
        std::string slug;
    } cases[] = {
        {"&News [Update] #1", "News -Update- -1"},
        {"   ", ""},
        {"", ""},
        {"&&[#Fire", "Fire"},
        {"#", ""},
        {"  &Fire  ", "-Fire"},
        {"Fire & Rescue\t", "Fire - Rescue"},
        {"Caf\xe9 \xa0", "Caf\xe9 \xa0"},  // a no-break space (0xA0) is not white space here
        {"..\\..\\x", "..\\..\\x"},
        {"../../etc/passwd", "../../etc/passwd"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(CleanSlug(c.line), c.slug);
        EXPECT_EQ(ReadWithLine(3, c.line).m_strSlug, c.slug);
    }
}

TEST_F(SubmissionDescriptor, AHostileSlugNamesAFileInsideItsFolder) {
    for (const char* line : {"..\\..\\x", "../../etc/passwd", "..", "&..", "C:\\Windows\\x"}) {
        SCOPED_TRACE(line);
        std::string name = ReadWithLine(3, line).m_strSlug;
        MakeValidFilename(name, false);
        EXPECT_EQ(name.find_first_of("/\\:"), std::string::npos);
        EXPECT_NE(name, "..");
        EXPECT_NE(name, ".");
    }
}

TEST_F(SubmissionDescriptor, TheCommandWordGivesItsCode) {
    const struct {
        const char* line;
        int command;
    } cases[] = {
        {"Add", kCmdAdd},
        {"replace", kCmdReplace},
        {"DELETE", kCmdDelete},
        {"rePlace TEXT only", kCmdReplaceTextOnly},
        {"add unique", kCmdAddUnique},
        {"Publish", kCmdAdd},
        {"", kCmdAdd},
        {"Delete now", kCmdAdd},
        {"ReplaceTextOnly", kCmdAdd},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ReadWithLine(14, c.line).m_nCommand, c.command);
    }
}

TEST_F(SubmissionDescriptor, NumbersFollowTheDecimalRule) {
    const struct {
        const char* line;
        int sender;
    } cases[] = {
        {"17", 17},         {"  17 senders", 17}, {"+17", 17},          {"-5", -5},
        {"", 0},            {"abc", 0},           {"- 5", 0},           {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN}, {"\t42", 42},  {"0017", 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(ReadWithLine(11, c.line).m_nSenderNumber, c.sender);
    }
    EXPECT_EQ(ReadWithLine(10, "99999999999999999999999").m_nTime, INT64_MAX);
}

TEST_F(SubmissionDescriptor, AVeryLongLineIsReadWholeAndMovesNothing) {
    const std::string keywords(200000, 'k');
    const CDatFile descriptor = ReadWithLine(13, keywords);
    EXPECT_EQ(descriptor.m_strKeywords, keywords);
    EXPECT_EQ(descriptor.m_nCommand, kCmdReplace);
    EXPECT_EQ(descriptor.m_strUser[8], "user nine");
}

TEST_F(SubmissionDescriptor, ADescriptorThatCannotBeReadIsAFailureAndLeavesNothingBehind) {
    CDatFile descriptor;
    test::WriteWholeFile(dir / "good.dat", Joined(FullDescriptor(), "\r\n"));
    const Location good = Location::Parse(dir / "good.dat");
    ASSERT_TRUE(descriptor.Read(access, good).ok());

    // Credentials in the path never show in the message.
    const Location missing = Location::Parse(dir.Folder() + "|user|secret|missing.dat");
    const Status notThere = descriptor.Read(access, missing);
    EXPECT_EQ(notThere.code(), Status::Code::ioError);
    EXPECT_EQ(notThere.message(), "Unable to read the submission descriptor " + missing.Display() + ".");
    EXPECT_NE(notThere.message().find("missing.dat"), std::string::npos);
    EXPECT_NE(notThere.detail(), "");  // why it could not be opened
    EXPECT_EQ((notThere.message() + notThere.detail()).find("secret"), std::string::npos);
    EXPECT_EQ(descriptor.m_strSlug, "");
    EXPECT_EQ(descriptor.m_nSenderNumber, 0);
    EXPECT_EQ(descriptor.m_strUser[0], "");  // nothing of the earlier descriptor is left

    // A folder opens like a file, but every read of it fails.
    ASSERT_TRUE(descriptor.Read(access, good).ok());
    const Location folder = Location::Parse(dir.Path().string());
    EXPECT_EQ(descriptor.Read(access, folder),
              Status::IoError("Unable to read the submission descriptor " + folder.Display() + ".")
                  .WithDetail("A read of the file failed."));
    EXPECT_EQ(descriptor.m_strAlias, "");
    EXPECT_EQ(descriptor.m_strUser[8], "");

    const Status climbing = descriptor.Read(access, Location::Parse(dir.Folder() + "../story.dat"));
    EXPECT_EQ(climbing.code(), Status::Code::invalidArgument);
}

}  // namespace
}  // namespace pv
