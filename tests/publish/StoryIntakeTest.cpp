#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "notify/TraceLog.h"
#include "publish/StoryIntake.h"
#include "relay/FolderLock.h"
#include "relay/MonitorState.h"
#include "relay/PostMoveCommands.h"
#include "support/FakeClock.h"
#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "support/SmtpServer.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

// Stands in for the publish driver: each alias fails as often as it is told
// (-1: always), may add aliases when published, and notes what it was given.
class ScriptedDriver final : public StoryDriver {
public:
    bool PublishStory(StorySubmission& submission) override {
        const std::string alias = submission.story.work.alias;
        calls.push_back(alias);
        if (firstBodyLine.empty()) submission.openStory.ReadLine(firstBodyLine);
        int& failures = failuresLeft[alias];
        if (failures != 0) {
            if (failures > 0) --failures;
            return false;
        }
        for (const std::string& added : adds[alias]) submission.story.work.aliases.push_back(added);
        return true;
    }
    void AfterPublication(const CDirOptions&) override { ++published; }

    std::map<std::string, int> failuresLeft;
    std::map<std::string, std::vector<std::string>> adds;
    std::vector<std::string> calls;
    std::string firstBodyLine;
    int published = 0;
};

const std::string kStory = "TQ32_SCRIPT1\r\nFILESLUG:Council vote\r\nFILECMD1:Replace\r\nThe council voted.\r\n";

class StoryIntakeRun : public ::testing::Test {
protected:
    StoryIntakeRun() {
        fs::create_directories(dir / "in");
        route.m_inDir = Location::Parse(dir.Folder() + "in/");
        route.m_bProcessTxtFiles = true;
        route.m_strAliases = {"News", "Sports"};
        options.pinwellPath = dir.Folder() + "pinwell/";
    }
    StoryOutcome Handle(const std::string& name) {
        StoryIntake intake({files, reporter, trace, clock, messages, mail, exit, serviceStart}, options, driver);
        tagFileInfo file{name, 0, fileTime};
        return intake.Handle(route, file);
    }
    std::string In(const std::string& name) const { return dir.Folder() + "in/" + name; }
    bool Has(const std::string& line) const {
        for (const auto& status : reporter.StatusLines())
            if (status.find(line) != std::string::npos) return true;
        return false;
    }

    test::TempDir dir;
    test::FakeClock clock;
    test::RecordingReporter reporter;
    TraceLog trace{clock};
    FileAccess files{reporter, clock, FileAccessSettings{false, 0, 0, false, {}}};
    WireMessages messages{files, reporter, dir.Folder()};
    MailSender mail;
    std::atomic<bool> exit{false};
    std::time_t serviceStart = clock.NowSeconds() - 3600;
    std::time_t fileTime = clock.NowSeconds() - 600;
    StoryOptions options;
    CDirOptions route;
    ScriptedDriver driver;
};

TEST_F(StoryIntakeRun, AStoryIsPublishedToEveryAliasThenDeleted) {
    test::WriteWholeFile(In("vote.txt"), kStory);
    const StoryOutcome outcome = Handle("vote.txt");
    EXPECT_TRUE(outcome.published);
    EXPECT_EQ(outcome.alias, "Sports");
    EXPECT_EQ(outcome.slug, "Council vote");
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"News", "Sports"}));
    EXPECT_EQ(driver.firstBodyLine, "The council voted.");
    EXPECT_EQ(driver.published, 2);
    EXPECT_TRUE(Has("Transferring vote.txt to News containing slug Council vote.\nTime needed to process alias is: "
                    "00:00:00"));
    EXPECT_TRUE(fs::is_empty(dir / "in"));
}

TEST_F(StoryIntakeRun, ALaterAliasIsRetriedThenLetGoAndEachAliasIsPublishedOnce) {
    options.aliasRetryCount = 2;
    options.aliasRetryDelayMs = 3000;
    driver.failuresLeft["Sports"] = -1;
    // News adds itself (in another case), Sports and Weather: each goes once.
    driver.adds["News"] = {"news", "Sports", "Weather"};
    test::WriteWholeFile(In("vote.txt"), kStory);
    EXPECT_TRUE(Handle("vote.txt").published);
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"News", "Sports", "Sports", "Sports", "Weather"}));
    EXPECT_EQ(clock.Sleeps(), 6);  // two pauses of three seconds, a second at a time
    EXPECT_TRUE(fs::is_empty(dir / "in"));
}

TEST_F(StoryIntakeRun, AnExitRequestEndsTheRetryPauseWithinASecond) {
    options.aliasRetryCount = 5;
    driver.failuresLeft["News"] = -1;
    options.putRetriesOnHold = false;
    clock.OnSleep([this](int) { exit = true; });
    test::WriteWholeFile(In("vote.txt"), kStory);
    EXPECT_FALSE(Handle("vote.txt").published);
    EXPECT_EQ(clock.Sleeps(), 1);
    EXPECT_EQ(driver.calls.size(), 1u);
    EXPECT_TRUE(fs::exists(In("vote.txt")));  // tried again next pass
}

TEST_F(StoryIntakeRun, AFailedStoryGoesOnHoldWithItsDescriptorAndAWarning) {
    route.m_bProcessDatFiles = true;
    driver.failuresLeft["News"] = -1;
    test::WriteWholeFile(In("vote.txt"), kStory);
    test::WriteWholeFile(In("vote.dat"), "a\r\nb\r\nSlug\r\n");
    EXPECT_FALSE(Handle("vote.dat").published);
    EXPECT_EQ(test::ReadWholeFile(dir / "in/OnHold/vote.txt"), kStory);
    EXPECT_EQ(test::ReadWholeFile(dir / "in/OnHold/vote.dat"), "a\r\nb\r\nSlug\r\n");
    EXPECT_FALSE(fs::exists(In("vote.txt")));
    EXPECT_FALSE(fs::exists(In("vote.dat")));
    EXPECT_EQ(test::ReadWholeFile(dir / "pinwell/vote.txt"), "File moved to OnHold. Filename: vote.txt");
}

TEST_F(StoryIntakeRun, AStoryThatCannotBeCopiedOnHoldStaysWhereItIs) {
    driver.failuresLeft["News"] = -1;
    test::WriteWholeFile(In("vote.txt"), kStory);
    test::WriteWholeFile(In("OnHold"), "a file where the folder should be");
    Handle("vote.txt");
    EXPECT_EQ(test::ReadWholeFile(In("vote.txt")), kStory);
    EXPECT_TRUE(Has("Unable to put " + In("vote.txt") + " on hold in " + In("OnHold/")));
}

TEST_F(StoryIntakeRun, AWavGetsAStoryWrittenForItAndGoesOnHoldWithItWhenItFails) {
    route.m_bProcessTxtFiles = false;
    route.m_bPrecreateTxtFiles = true;
    route.m_strPrecreateCommand = "Replace";
    route.m_nPrecreateCommand = kCmdReplace;
    test::WriteWholeFile(In("cut.wav"), "RIFF");
    EXPECT_TRUE(Handle("cut.wav").published);
    EXPECT_EQ(driver.firstBodyLine, "[" + dir.Folder() + "in/cut.wav]");
    EXPECT_TRUE(fs::is_empty(dir / "in"));

    driver.failuresLeft["News"] = -1;
    test::WriteWholeFile(In("bulletin.wav"), "RIFF");
    EXPECT_FALSE(Handle("bulletin.wav").published);
    EXPECT_EQ(test::ReadWholeFile(dir / "in/OnHold/bulletin.wav"), "RIFF");
    const std::string written = test::ReadWholeFile(dir / "in/OnHold/bulletin.txt");
    EXPECT_EQ(written.rfind("TQ32_SCRIPT1\r\nFILESLUG:\r\n", 0), 0u) << written;
    EXPECT_NE(written.find("FILEDATE:12/09/2025\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("FILECMD1:Replace\r\n"), std::string::npos) << written;
    EXPECT_EQ(std::vector<fs::path>(fs::directory_iterator(dir / "in"), {}).size(), 1u);  // OnHold alone

    // Left for the next pass instead: the .wav stays, its story text goes.
    options.putRetriesOnHold = false;
    test::WriteWholeFile(In("news.wav"), "RIFF");
    Handle("news.wav");
    EXPECT_TRUE(fs::exists(In("news.wav")));
    EXPECT_FALSE(fs::exists(In("news.txt")));
}

TEST_F(StoryIntakeRun, TheDescriptorCanNameTheAliasButNeverAPath) {
    route.m_strAliases = {kDescriptorAlias};
    test::WriteWholeFile(In("vote.txt"), kStory);
    Handle("vote.txt");  // without descriptors there is none to use
    EXPECT_TRUE(Has("Cannot use QMUseDBFolderAlias without processing dat files in " + dir.Folder() + "in/"));
    EXPECT_TRUE(driver.calls.empty());

    route.m_bProcessDatFiles = true;
    const std::string lines = "1\r\n2\r\nSlug\r\n4\r\n5\r\n";
    test::WriteWholeFile(In("vote.txt"), kStory);
    test::WriteWholeFile(In("vote.dat"), lines + "Politics\r\n");
    EXPECT_TRUE(Handle("vote.dat").published);
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"Politics"}));

    options.putRetriesOnHold = false;
    for (const char* hostile : {"..\\..\\x", "../x", "a/b", "C:x"}) {
        SCOPED_TRACE(hostile);
        test::WriteWholeFile(In("vote.txt"), kStory);
        test::WriteWholeFile(In("vote.dat"), lines + hostile + "\r\n");
        EXPECT_FALSE(Handle("vote.dat").published);
        EXPECT_TRUE(Has("The folder alias \"" + std::string(hostile) + "\" of "));
        EXPECT_EQ(driver.calls.size(), 1u);
    }
}

TEST_F(StoryIntakeRun, ShortNamesAndMissingStoryTextsAreLeftAlone) {
    route.m_bProcessDatFiles = true;
    for (const char* name : {"a", ".dat", "x.da"}) {
        test::WriteWholeFile(In(name), "1\r\n");
        EXPECT_FALSE(Handle(name).published) << name;
        EXPECT_TRUE(fs::exists(In(name))) << name;
    }
    EXPECT_TRUE(driver.calls.empty());
}

TEST_F(StoryIntakeRun, ALongWaitingStoryIsMailedAbout) {
    test::SmtpServer server;
    mail = MailSender(MailSettings{"127.0.0.1:" + std::to_string(server.Port()), server.User(), server.Password(),
                                   "pressvane@newsroom.test"});
    options.emailDelays = true;
    options.delayTimeoutMinutes = 1;
    options.delayEmailTo = "desk@newsroom.test";
    options.putRetriesOnHold = false;
    driver.failuresLeft["News"] = -1;
    test::WriteWholeFile(In("vote.txt"), kStory);
    Handle("vote.txt");
    ASSERT_TRUE(server.WaitForMessages(1, std::chrono::seconds(10)));
    const auto message = server.Messages().front();
    EXPECT_EQ(message.recipients, (std::vector<std::string>{"desk@newsroom.test"}));
    EXPECT_EQ(message.subject, "File delay has exceeded timeout. Filename: vote.txt");

    fileTime = clock.NowSeconds();  // a fresh story is not
    Handle("vote.txt");
    EXPECT_FALSE(server.WaitForMessages(2, std::chrono::milliseconds(500)));
}

TEST_F(StoryIntakeRun, StoriesInAnFtpFolderArePublishedAndRemoved) {
    test::PyFtpServer server;
    fs::create_directories(server.Root() / "in");
    test::WriteWholeFile((server.Root() / "in/vote.txt").string(), kStory);
    route.m_inDir = Location::Parse("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/in/|" + server.User() + "|" +
                                    server.Password() + "|");
    EXPECT_TRUE(Handle("vote.txt").published);
    EXPECT_EQ(driver.firstBodyLine, "The council voted.");
    EXPECT_TRUE(fs::is_empty(server.Root() / "in"));
}

// The scan lists only descriptors on a route that reads them, hands each
// story to the intake and names the last one's alias and slug when it ends.
TEST_F(StoryIntakeRun, TheScanHandsStoriesToTheIntakeAndNamesTheirAliasAndSlug) {
    route.m_bProcessDatFiles = true;
    route.m_eScanTwice = ScanTwiceMode::never;
    route.m_strAliases = {"News"};
    test::WriteWholeFile(In("vote.txt"), kStory);
    test::WriteWholeFile(In("vote.dat"), "1\r\n2\r\nCouncil vote\r\n");
    fs::last_write_time(In("vote.txt"), fs::file_time_type::clock::now() - std::chrono::hours(1));
    fs::last_write_time(In("vote.dat"), fs::file_time_type::clock::now() - std::chrono::hours(1));
    MonitorState state;
    FolderLock lock{files, reporter, trace, clock, state.exit};
    PostMoveCommands postMove{files, reporter, dir.Folder()};
    FileTransfer transfer{files, reporter, lock, postMove};
    StoryIntake intake({files, reporter, trace, clock, messages, mail, exit, serviceStart}, options, driver);
    clock.Set(std::chrono::system_clock::now());
    DirectoryScan scan{files,    reporter, trace, clock, state, messages, transfer, PublishOrder::listing,
                       [&](const CDirOptions& r, const tagFileInfo& f) { return intake.Handle(r, f); }};
    scan.ProcessDirectory(route);
    EXPECT_EQ(driver.calls, (std::vector<std::string>{"News"}));
    EXPECT_TRUE(fs::is_empty(dir / "in"));
    EXPECT_EQ(reporter.StatusLines().back(),
              "Transferring vote.dat to News containing slug Council vote.\n Time needed to process all operations for "
              "this file is: 00:00:00");
}

}  // namespace
}  // namespace pv
