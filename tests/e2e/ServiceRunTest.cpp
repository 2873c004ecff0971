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
    const std::string in0 = "In0=" + work.Folder() + "Pressvane/In/";
    for (const std::string& line : std::vector<std::string>{
             "[Pressvane]", "Minimize To System Tray=Yes", "LinesToIgnoreOnTopOfStory=0",
             "Replace Spaces With In Dashes Output Names=Yes", "TraceLogFilename=", "TraceLogFtpFile=No",
             "TraceLogFtpClient=No", "Delay=5", "Display Lines=20", "Lock Retry Delay Seconds=5",
             "Lock Max Time Out Minutes=240", "Lock Max InUse Age Minutes=60", "Throttling Percentage=50", "Log=No",
             "BackupOutputFiles=Yes", "Use-Unicode-Conversions=No", "Transfer All Links=No",
             "CopyExtensions=wav,mp2,mp3,jpg,bmp,wma,wmv", "DefaultPlayPath=W:\\Audio", "PublishOrder=OS",
             "CompressionBatchFilePath=" + work.Folder() + "Pressvane/BatFiles/",
             "UpdateDateTimeForUncDestinations=No", "[HeartBeat]", "Enable=No",
             "Filename=C:\\Temp\\PressvaneHeartBeat.txt", "MaxFileSizeInBytes=5000", "[KickOff]",
             "Delay-In-Seconds=0", "Timeout-In-Seconds=30", "Fatal-Error-Timeout-In-Minutes=30", "[Debug]",
             "Log FTP logons=No", "Delay After Logon In Seconds Range=The range of the Delay After Logon is 3 - 60",
             "Delay After Logon In Seconds=3", "Debug Email Enable=No", "[FTP]",
             "Seconds Delay Between FTP Commands=1", "[Cart chunk]", "SaveEntireCartDataToTag-vers6-and-higher=No",
             "convert-cart-to-chunk=No", "TargetName-from-CART=CUTID", "[ONHOLD]", "Put-Retries-On-Hold=Yes",
             "Warn-via-PINWELL=Yes", "Warn-Via-Email=No", "Email-Delays=No", "DelayTimeout=Yes",
             "[Alias Retry]", "Alias Retry Count=0", "Alias Retry Delay In Seconds=120", "[MoveFiles]", in0,
             "Out0=", "ProcessDatFiles0=Yes", "ProcessTxtFiles0=No", "Aliases0=", "SummaryLineOffset0=0",
             "SummaryOffset0=0", "SummaryLength0=150", "SummaryMinAdditionalSentenceLength0=40",
             "SummaryMaxAdditionalSentenceLength0=40", "LinkExtsForLine1_0=jpg,bmp",
             "LinkExtsForLine2_0=wav,wma,mp2,mp3", "LinkExtsForLine3_0=wmv", "PostFatalErrorsToPINWELL0=Yes",
             "PostFatalErrorsToMAILCHUTE0=Yes", "MAILCHUTEAddress0=NoAddressSpecifiedInIniFile", "UniqueFile0=No",
             "MakeSurePathsExist0=Yes", "LockOutputFolders0=Yes", "PrefixCharCount0=0", "MinFileSize0=100",
             "AudioFormat0=1", "AudioBitrate0=0", "AudioRatio0=1", "WMAProfileName0=", "Send Receipt Via Pinwell0=No",
             "LockSampleOnDecode0=No", "LockSampleRate0=22050", "Abort-Failed-In-Out-Files0=No",
             "Delete-Failed-In-Out-Files0=No", "ID3-Tag-Mp3-Files0=No", "Use-Tmp-Filename-During-Copy0=No",
             "Dont Recompress MP3 Files0=No", "Change Spaces To Underscores In Filenames0=No",
             "Disable Dest Size Checking For FTP Files0=No", "ScanTwice0=Yes", "SendReceiptViaPinwell0=No"})
        EXPECT_NE(first.find(line + "\r\n"), std::string::npos) << line;
    EXPECT_EQ(first.find("ExecuteBatsAfterMove0"), std::string::npos);
    EXPECT_EQ(first.find("QM_No_Dir_Specified"), std::string::npos);
    EXPECT_EQ(first.find("NoCopyExtensions"), std::string::npos);
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
