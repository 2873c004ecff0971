#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <regex>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class ServiceRun : public ::testing::Test {
protected:
    std::vector<std::string> Command(std::vector<std::string> options) const {
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + work.Folder()};
        argv.insert(argv.end(), options.begin(), options.end());
        return argv;
    }
    int RunToEnd(std::vector<std::string> options, const std::string& output = "out.txt") {
        test::ChildProcess child(Command(std::move(options)), scratch / output, Environment());
        return child.Wait(60s);
    }
    std::vector<std::string> Environment() const { return {"PRESSVANE_RUNTIME_DIR=" + scratch.Path().string()}; }
    std::string Settings() const { return test::ReadWholeFile(work / "Pressvane/Pressvane.ini"); }
    std::string TodaysStatusLog() const {
        for (const auto& entry : fs::directory_iterator(work / "Pressvane/INLOG"))
            if (entry.path().string().ends_with(".STSIN.log")) return test::ReadWholeFile(entry.path());
        return {};
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
        return n;
    }

    test::TempDir work;
    test::TempDir scratch;
};

TEST_F(ServiceRun, FirstStartInAnEmptyFolderWritesEverySettingAndASecondChangesNothing) {
    ASSERT_EQ(RunToEnd({"Once", "EasyExit", "/M"}), 0);
    EXPECT_TRUE(fs::is_directory(work / "Temp"));
    EXPECT_TRUE(fs::is_directory(work / "Pressvane/INLOG"));
    const std::string first = Settings();
    for (const char* key : {"[Pressvane]\r\n", "Delay=5\r\n", "Log=No\r\n", "Display Lines=20\r\n",
                            "[HeartBeat]\r\n", "[KickOff]\r\n", "Delay After Logon In Seconds=3\r\n"})
        EXPECT_NE(first.find(key), std::string::npos) << key;
    EXPECT_EQ(fs::status(work / "Pressvane/Pressvane.ini").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(RunToEnd({"Once", "EasyExit", "/M"}), 0);
    EXPECT_EQ(Settings(), first);
}

TEST_F(ServiceRun, StatusLogHoldsStampedCheckingLinesWithCrLf) {
    fs::create_directories(work / "Pressvane");
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini", "[Pressvane]\r\nLog=on\r\n");
    ASSERT_EQ(RunToEnd({"Once", "EasyExit", "/M"}), 0);
    EXPECT_NE(Settings().find("Log=Yes\r\n"), std::string::npos);
    const std::string log = TodaysStatusLog();
    const std::regex checking(R"((0[1-9]|1[0-2]):[0-5]\d:[0-5]\d (AM|PM)  \d\d/\d\d/\d{4}  Checking\.\r\n)");
    EXPECT_TRUE(std::regex_search(log, checking)) << log;
    EXPECT_EQ(Count(log, "\n"), Count(log, "\r\n"));
    EXPECT_EQ(Count(log, "Waiting."), 0);  // shown, not logged
}

TEST_F(ServiceRun, TwiceWithNoDelayMakesExactlyTwoPasses) {
    fs::create_directories(work / "Pressvane");
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini", "[Pressvane]\r\nLog=Yes\r\nDelay=600\r\n");
    ASSERT_EQ(RunToEnd({"Twice", "NoDelay", "EasyExit", "/M"}), 0);
    EXPECT_EQ(Count(TodaysStatusLog(), "Checking."), 2);
}

TEST_F(ServiceRun, SecondStartAsksTheFirstToShowAndLeaves) {
    test::ChildProcess first(Command({"EasyExit"}), scratch / "first.txt", Environment());
    ASSERT_TRUE(test::WaitForText(scratch / "first.txt", "Waiting.", 30s));
    EXPECT_EQ(RunToEnd({"EasyExit"}, "second.txt"), 0);
    EXPECT_TRUE(test::WaitForText(scratch / "first.txt", "asked this one to show itself", 10s));
    EXPECT_EQ(test::ReadWholeFile(scratch / "second.txt"), "");

    first.Signal(SIGTERM);
    EXPECT_EQ(first.Wait(30s), 0);
}

TEST_F(ServiceRun, GarbageSettingsFileStillGivesAWorkingService) {
    fs::create_directories(work / "Pressvane");
    std::string garbage = "[Pressvane\r\nDelay=abc\r\n=\r\n[\r\n";
    for (int i = 0; i < 256; ++i) garbage += static_cast<char>(i);
    garbage += std::string(100000, 'x') + "\r\nDisplay Lines=-5\r\n";
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini", garbage);
    ASSERT_EQ(RunToEnd({"Once", "EasyExit", "/M"}), 0);
    EXPECT_NE(test::ReadWholeFile(scratch / "out.txt").find("Checking."), std::string::npos);
}

}  // namespace
}  // namespace pv
