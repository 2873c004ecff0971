#include <gtest/gtest.h>

#include <filesystem>

#include "config/GlobalSettings.h"
#include "config/HostPathSettings.h"
#include "config/ProfileFile.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

class GlobalKeys : public ::testing::Test {
protected:
    GlobalKeys() { std::filesystem::create_directories(dir / "Pressvane"); }

    std::string File() const { return dir / "Pressvane/Pressvane.ini"; }
    std::string Value(const char* section, const char* key) const {
        return ProfileFile(File()).GetString(section, key, "<missing>");
    }
    ReaderSettings ReadWith(const std::string& settings) {
        test::WriteWholeFile(File(), settings);
        SettingsReader reads(File());
        return ReadReaderSettings(reads, ini, reporter, dir.Folder(), false, routes);
    }
    LaterSettings ReadLaterWith(const std::string& settings) {
        test::WriteWholeFile(File(), settings);
        SettingsReader reads(File());
        return ReadLaterSettings(reads, dir.Folder());
    }
    int StatusCount(const std::string& line) const {
        const auto lines = reporter.StatusLines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    test::TempDir dir;
    CIni ini;
    test::RecordingReporter reporter;
    RouteList routes;
};

TEST_F(GlobalKeys, LimitsAndWordsAreNormalisedAndWrittenBack) {
    const ReaderSettings s = ReadWith(
        "[Pressvane]\r\nDelay=0\r\nDisplay Lines=500\r\nThrottling Percentage=0\r\nLog=on\r\n"
        "CopyExtensions=WAV, MP3\r\nUse-Unicode-Conversions=true\r\n");
    EXPECT_EQ(s.delaySeconds, 1);
    EXPECT_EQ(Value("Pressvane", "Delay"), "1");
    EXPECT_EQ(s.displayLines, 100);
    EXPECT_EQ(s.throttlingPercentage, 1);
    EXPECT_TRUE(s.statusLog);
    EXPECT_EQ(Value("Pressvane", "Log"), "Yes");
    EXPECT_EQ(Value("Pressvane", "CopyExtensions"), "wav, mp3");
    EXPECT_EQ(s.copyExtensions, (std::vector<std::string>{"wav", "mp3"}));
    EXPECT_TRUE(s.useUnicodeConversions);
}

TEST_F(GlobalKeys, DelayAfterLogonIsCorrectedWithAStatusLine) {
    const struct {
        const char* written;
        int used;
        const char* message;
    } cases[] = {
        {"90", 60, "Delay After Logon In Seconds maximum value is 60 so it has been changed to 60."},
        {"1", 3, "Delay After Logon In Seconds minimum value is 3 so it has been changed to 3."},
        {"10", 10, nullptr},
    };
    for (const auto& c : cases) {
        CIni freshIni;
        test::RecordingReporter freshReporter;
        test::WriteWholeFile(File(), std::string("[Debug]\r\nDelay After Logon In Seconds=") + c.written + "\r\n");
        SettingsReader reads(File());
        const ReaderSettings s = ReadReaderSettings(reads, freshIni, freshReporter, dir.Folder(), false, routes);
        EXPECT_EQ(s.delayAfterLogonSeconds, c.used) << c.written;
        EXPECT_EQ(Value("Debug", "Delay After Logon In Seconds"), std::to_string(c.used));
        const auto lines = freshReporter.StatusLines();
        EXPECT_EQ(std::count(lines.begin(), lines.end(), c.message ? c.message : ""), c.message ? 1 : 0);
    }
}

TEST_F(GlobalKeys, ObsoleteNoCopyExtensionsIsRetiredButNeverCreated) {
    ReadWith("[Pressvane]\r\n");
    EXPECT_EQ(Value("Pressvane", "NoCopyExtensions"), "<missing>");
    ReadWith("[Pressvane]\r\nNoCopyExtensions=doc\r\n");
    EXPECT_EQ(Value("Pressvane", "NoCopyExtensions"), "This key is no longer used and may be deleted.");
}

TEST_F(GlobalKeys, CopyPathListSkipsBlankLinesAndTakesTheTextAfterTheSemicolon) {
    std::filesystem::create_directories(dir / "system");
    test::WriteWholeFile(dir / "system/CusDir32.dat", "Sports;S:\\Sports\r\n\r\n   \r\nW:\\Weather\\\r\n/srv/traffic\n");
    const ReaderSettings s = ReadWith("");
    EXPECT_EQ(s.copyPaths, (std::vector<std::string>{dir.Folder() + "Pressvane/In", "S:\\Sports\\", "W:\\Weather\\",
                                                     "/srv/traffic/"}));
    EXPECT_EQ(StatusCount("\nFATAL ERROR!!!\nWe can't open the cusdir32.dat file at " + dir.Folder() +
                          "system/CusDir32.dat\n"),
              0);
}

TEST_F(GlobalKeys, MissingCopyPathListIsAFatalErrorAndLeavesTheFirstEntry) {
    const ReaderSettings s = ReadWith("");
    EXPECT_EQ(s.copyPaths.size(), 1u);
    EXPECT_EQ(StatusCount("\nFATAL ERROR!!!\nWe can't open the cusdir32.dat file at " + dir.Folder() +
                          "system/CusDir32.dat\n"),
              1);
}

TEST_F(GlobalKeys, RelayRouteWithoutOutputIsReported) {
    ReadWith("[MoveFiles]\r\nIn0=/news/in\r\nProcessDatFiles0=No\r\nIn1=/news/stories\r\nProcessDatFiles1=Yes\r\n");
    ASSERT_EQ(routes.size(), 2u);
    EXPECT_EQ(StatusCount("The route for /news/in has no output folder; files arriving there are left in place."), 1);
    EXPECT_EQ(StatusCount("The route for /news/stories has no output folder; files arriving there are left in place."),
              0);
}

TEST_F(GlobalKeys, LaterKeysNormalisePublishOrderAndRetryDelay) {
    const LaterSettings s =
        ReadLaterWith("[Pressvane]\r\nPublishOrder=newest\r\n[Alias Retry]\r\nAlias Retry Delay In Seconds=-5\r\n");
    EXPECT_EQ(s.publishOrder, PublishOrder::newestFirst);
    EXPECT_EQ(Value("Pressvane", "PublishOrder"), "Newest");
    EXPECT_EQ(s.aliasRetryDelayMs, 0);
    EXPECT_EQ(ReadLaterWith("[Pressvane]\r\nPublishOrder=junk\r\n").publishOrder, PublishOrder::listing);
    EXPECT_EQ(Value("Pressvane", "PublishOrder"), "OS");
    EXPECT_EQ(Value("ONHOLD", "PINWELL-path"), dir.Folder() + "pinwell/");
}

TEST(HostPathKeys, DriveMapEntries) {
    std::vector<std::string> rejected;
    const auto drives = ParseDriveMap(" c = /srv/c ; W=/mnt/audio;;bogus;QQ=/x;D=", rejected);
    EXPECT_EQ(drives, (std::map<char, std::string>{{'C', "/srv/c"}, {'W', "/mnt/audio"}}));
    EXPECT_EQ(rejected, (std::vector<std::string>{"bogus", "QQ=/x", "D="}));
}

}  // namespace
}  // namespace pv
