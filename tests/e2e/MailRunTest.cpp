#include <gtest/gtest.h>

#include <filesystem>

#include "support/ChildProcess.h"
#include "support/SmtpServer.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

TEST(MailRun, StartupMailCopyFailureMailAndRelayReceipts) {
    test::SmtpServer smtp;
    test::TempDir work, scratch;
    fs::create_directories(work / "Pressvane");
    fs::create_directories(work / "in");
    fs::create_directories(work / "out");
    test::WriteWholeFile(work / "blocked", "a file where a folder should be");
    test::WriteWholeFile(work / "in/news.txt", "news");
    fs::last_write_time(work / "in/news.txt", fs::file_time_type::clock::now() - 1min);
    test::WriteWholeFile(
        work / "Pressvane/Pressvane.ini",
        "[Postiex]\r\nSMTP Server=127.0.0.1:" + std::to_string(smtp.Port()) + "\r\nUser ID=" + smtp.User() +
            "\r\nPassword=" + smtp.Password() + "\r\nEmail From=pressvane@newsroom.test\r\n"
            "Send Startup Via Postie=Yes\r\nStartup Email To=desk@newsroom.test\r\n"
            "[Debug]\r\nDebug Email Enable=Yes\r\nDebug Email To=engineer@newsroom.test\r\n"
            "[MoveFiles]\r\nIn0=" + work.Folder() + "in/\r\nOut0=" + work.Folder() + "out/, " + work.Folder() +
            "blocked/x/\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nLockOutputFolders0=No\r\nMakeSurePathsExist0=No\r\n"
            "SendReceiptViaPinwell0=Yes\r\n");
    test::ChildProcess child({PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M", "DontMakeDirs"},
                             scratch / "out.txt");
    ASSERT_EQ(child.Wait(120s), 0);
    ASSERT_TRUE(smtp.WaitForMessages(2, 20s)) << test::ReadWholeFile(scratch / "out.txt") << smtp.Log();
    const auto messages = smtp.Messages();
    EXPECT_NE(messages[0].raw.find("Subject: Pressvane is starting up "), std::string::npos);
    EXPECT_EQ(messages[0].recipients.front(), "desk@newsroom.test");
    EXPECT_NE(messages[1].raw.find("Subject: CFtpFile::CopyFile Error"), std::string::npos);
    EXPECT_EQ(messages[1].recipients.front(), "engineer@newsroom.test");
    EXPECT_EQ(smtp.Messages().size(), 2u);

    const std::string receipt = test::ReadWholeFile(work / "PINWELL/Pvane000.txt");
    EXPECT_NE(receipt.find("Received news.txt\r\nFile Size: 4\r\n"), std::string::npos);
    EXPECT_TRUE(fs::exists(work / "in/news.txt"));  // the second output failed: the input stays
}

}  // namespace
}  // namespace pv
