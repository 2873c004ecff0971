#include <gtest/gtest.h>

#include <filesystem>

#include "notify/WireMessages.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

class Messages : public ::testing::Test {
protected:
    std::string Message(int number) const {
        char name[32];
        std::snprintf(name, sizeof name, "PINWELL/Pvane%03d.txt", number);
        return test::ReadWholeFile(dir / name);
    }
    test::TempDir dir;
    test::RecordingReporter reporter;
    FileAccess files{reporter, platform::DefaultClock()};
    std::atomic<bool> fatal{false};
    WireMessages messages{files, reporter, dir.Folder(), &fatal};
    CDirOptions route;
};

TEST_F(Messages, FatalErrorShowsALineSetsTheFlagAndWritesAMessageWhenAsked) {
    messages.PostFatalError(&route, "", "quiet");
    EXPECT_TRUE(fatal);
    EXPECT_EQ(reporter.StatusLines().front(), "\nFATAL ERROR!!!\nquiet\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "PINWELL"));

    route.m_bPostFatalErrorsToPinwell = true;
    messages.PostFatalError(&route, "", "first line\nsecond line");
    EXPECT_EQ(Message(0), " z z\r\nfirst line\r\nsecond line");
    messages.PostFatalError(&route, "SLUG", "x");
    EXPECT_EQ(Message(1), "SLUG z z\r\nx");
}

TEST_F(Messages, UnreadMessagesAreNeverOverwritten) {
    route.m_bPostFatalErrorsToPinwell = true;
    std::filesystem::create_directories(dir / "PINWELL");
    test::WriteWholeFile(dir / "PINWELL/Pvane000.txt", "unread");
    messages.PostFatalError(&route, "", "new");
    EXPECT_EQ(Message(0), "unread");
    EXPECT_EQ(Message(1), " z z\r\nnew");
    EXPECT_EQ(messages.Counter(), 2);
}

}  // namespace
}  // namespace pv
