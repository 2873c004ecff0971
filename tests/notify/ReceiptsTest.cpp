#include <gtest/gtest.h>

#include <filesystem>

#include "notify/Receipts.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class ReceiptFiles : public ::testing::Test {
protected:
    ReceiptFiles() { fs::create_directories(dir / "Pressvane"); }
    void List(const std::string& text) { test::WriteWholeFile(dir / "Pressvane/ReceiptConfirmationList.dat", text); }
    std::vector<std::string> Files(const std::string& folder) const {
        std::vector<std::string> names;
        if (fs::is_directory(folder))
            for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        return names;
    }

    test::TempDir dir;
    test::FakeClock clock;
    test::RecordingReporter reporter;
    FileAccess files{reporter, clock};
    WireMessages messages{files, reporter, dir.Folder()};
    MailSender mail;
    Receipts receipts{files, messages, mail, clock, dir.Folder()};
};

TEST_F(ReceiptFiles, RelayReceiptOfAPlainFileHasDateNameAndSize) {
    CDirOptions route;
    route.m_bSendReceiptViaPinwell = true;
    receipts.WriteRelayReceipt(route, {"weather.txt", 5000000000LL, {}, {}, false, ""});
    const std::string text = test::ReadWholeFile(dir / "PINWELL/Pvane000.txt");
    std::tm local{};
    platform::Clock::LocalTime(clock.NowSeconds(), local);
    char date[64];
    std::snprintf(date, sizeof date, "%02d/%02d/%04d %02d:%02d\r\n\r\n", local.tm_mon + 1, local.tm_mday,
                  local.tm_year + 1900, local.tm_hour, local.tm_min);
    EXPECT_EQ(text, std::string(date) + "Received weather.txt\r\nFile Size: 5000000000\r\n");

    route.m_bSendReceiptViaPinwell = false;
    receipts.WriteRelayReceipt(route, {"other.txt", 1, {}, {}, false, ""});
    EXPECT_FALSE(fs::exists(dir / "PINWELL/Pvane001.txt"));
}

TEST_F(ReceiptFiles, TransmissionReceiptGoesToTheSendersFolder) {
    const std::string folder = dir.Folder() + "Receipts/";
    fs::create_directories(folder);
    List("3;" + dir.Folder() + "Other/;x@y\r\n17;" + folder + ";\r\n");
    test::WriteWholeFile(dir / "story.txt", "12345");
    const std::string written = receipts.WriteTransmissionReceipt({"SLUG", 17, true, false}, 1, Location::Parse(dir / "story.txt"), true);
    ASSERT_EQ(Files(folder).size(), 1u);
    const std::string name = Files(folder).front();
    EXPECT_EQ(name.rfind("-story.txt-SLUG-Success-17-", 0), 0u) << name;
    const std::string text = test::ReadWholeFile(written);
    EXPECT_EQ(text.rfind("SLUG z z\r\n", 0), 0u);
    EXPECT_NE(text.find("*** Quillmark Pressvane Transmission ***\r\nSent by: 17\r\nFilename: " + (dir / "story.txt") +
                        "\r\nSize: 5\r\n"),
              std::string::npos);

    // A path with credentials is sized as that user and shown without them.
    const std::string shown = test::ReadWholeFile(receipts.WriteTransmissionReceipt(
        {"SLUG", 17, true, false}, 1, Location::Parse(dir.Folder() + "|editor|s3cret|story.txt"), true));
    EXPECT_NE(shown.find("Filename: " + (dir / "story.txt") + "\r\nSize: 5\r\n"), std::string::npos) << shown;
    EXPECT_EQ(shown.find("s3cret"), std::string::npos);
    EXPECT_EQ(shown.find("editor"), std::string::npos);
}

TEST_F(ReceiptFiles, FailedAttachmentAsksForAResend) {
    const std::string folder = dir.Folder() + "Receipts/";
    fs::create_directories(folder);
    List("17;" + folder + ";\r\n");
    const std::string written = receipts.WriteTransmissionReceipt({"SLUG", 17, false, true}, 0, Location::Parse(dir / "clip.wav"), false);
    const std::string text = test::ReadWholeFile(written);
    EXPECT_EQ(text.rfind("SLUG-Failure z z\r\n", 0), 0u);
    EXPECT_NE(text.find("File: " + (dir / "clip.wav") +
                        " was NOT successfully received.\r\nPlease ask whoever sent this file to resend it.\r\n"),
              std::string::npos);
    // An alias that asked only for files gives no receipt for attachments.
    EXPECT_EQ(receipts.WriteTransmissionReceipt({"SLUG", 17, true, false}, 0, Location::Parse(dir / "clip.wav"), true), "");
}

TEST_F(ReceiptFiles, FirstLineOfASenderDecidesAndHostileSlugsStayInTheFolder) {
    const std::string folder = dir.Folder() + "Receipts/";
    fs::create_directories(folder);
    List("17;only-one-field\r\n17;" + folder + ";\r\n");
    EXPECT_EQ(receipts.WriteTransmissionReceipt({"SLUG", 17, true, true}, 1, Location::Parse(dir / "s.txt"), true), "");
    EXPECT_TRUE(Files(folder).empty());

    List("17;" + folder + ";\r\n");
    const std::string written =
        receipts.WriteTransmissionReceipt({"../../etc/evil", 17, true, false}, 1, Location::Parse(dir / "s.txt"), true);
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(fs::path(written).parent_path(), fs::path(folder).parent_path());
    EXPECT_EQ(Files(folder).size(), 1u);
}

}  // namespace
}  // namespace pv
