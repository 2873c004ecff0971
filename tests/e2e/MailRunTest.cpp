#include <gtest/gtest.h>

#include <filesystem>

#include "config/ProfileFile.h"
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

// One start of the service ("Once") in a working folder of its own.
class MailStart {
public:
    MailStart() {
        fs::create_directories(work / "Pressvane");
        fs::create_directories(work / "in");
        fs::create_directories(work / "out");
    }
    // The [Postiex] section for this server, with the start-up mail on.
    static std::string MailSection(const test::SmtpServer& smtp, const std::string& user, const std::string& password) {
        return "[Postiex]\r\nSMTP Server=127.0.0.1:" + std::to_string(smtp.Port()) + "\r\nUser ID=" + user +
               "\r\nPassword=" + password + "\r\nEmail From=pressvane@newsroom.test\r\n"
               "Send Startup Via Postie=Yes\r\nStartup Email To=desk@newsroom.test\r\n";
    }
    // A route whose one file cannot be copied to its second output, so that
    // the copy-failure mail goes to the debug recipient.
    std::string FailingRoute(const std::string& fileName) const {
        test::WriteWholeFile(work / "blocked", "a file where a folder should be");
        test::WriteWholeFile(work / ("in/" + fileName), "news");
        fs::last_write_time(work / ("in/" + fileName), fs::file_time_type::clock::now() - 1min);
        return "[Debug]\r\nDebug Email Enable=Yes\r\nDebug Email To=engineer@newsroom.test\r\n"
               "[MoveFiles]\r\nIn0=" + work.Folder() + "in/\r\nOut0=" + work.Folder() + "out/, " + work.Folder() +
               "blocked/x/\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nLockOutputFolders0=No\r\n"
               "MakeSurePathsExist0=No\r\n";
    }
    // Runs the service on these settings; its exit code.
    int Run(const std::string& settings) {
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini", settings);
        test::ChildProcess child({PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M", "DontMakeDirs"},
                                 scratch / "out.txt");
        return child.Wait(120s);
    }
    std::string Output() const { return test::ReadWholeFile(scratch / "out.txt"); }
    std::string Setting(const char* section, const char* key) const {
        return ProfileFile(work / "Pressvane/Pressvane.ini").GetString(section, key, "<missing>");
    }

    test::TempDir work, scratch;
};

TEST(MailRun, EmptyUserIdMailsWithoutLoggingIn) {
    test::SmtpServer smtp(test::SmtpServer::Options{.requireAuth = false});
    MailStart start;
    ASSERT_EQ(start.Run(MailStart::MailSection(smtp, "", "") + start.FailingRoute("news.txt")), 0);
    ASSERT_TRUE(smtp.WaitForMessages(2, 20s)) << start.Output() << smtp.Log();
    const auto messages = smtp.Messages();
    EXPECT_EQ(messages[0].recipients.front(), "desk@newsroom.test");
    EXPECT_EQ(messages[1].recipients.front(), "engineer@newsroom.test");
    for (const auto& message : messages) EXPECT_FALSE(message.authenticated);
    EXPECT_EQ(smtp.Log().find(">> b'AUTH"), std::string::npos) << smtp.Log();
    EXPECT_EQ(start.Setting("Postiex", "User ID"), "");
}

// A server with its own (self-signed) certificate offering STARTTLS.
TEST(MailRun, SmtpTlsSettingChoosesHowStartTlsIsUsed) {
    const struct {
        const char* written;  // nullptr: no such key
        const char* writtenBack;
        bool delivered;
        bool tls;
    } cases[] = {
        {nullptr, "Verify", false, false},
        {"noverify", "NoVerify", true, true},
        {"OFF", "Off", true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written ? c.written : "no key");
        test::SmtpServer smtp(test::SmtpServer::Options{.offerStartTls = true});
        MailStart start;
        const std::string key = c.written ? std::string("SMTP TLS=") + c.written + "\r\n" : "";
        ASSERT_EQ(start.Run(MailStart::MailSection(smtp, smtp.User(), smtp.Password()) + key), 0);
        EXPECT_EQ(start.Setting("Postiex", "SMTP TLS"), c.writtenBack);
        const std::string output = start.Output();
        if (!c.delivered) {
            EXPECT_NE(output.find("Postie can't connect to SMTP server: 127.0.0.1. Error: "), std::string::npos)
                << output;
            EXPECT_NE(output.find("certificate"), std::string::npos) << output;
            EXPECT_NE(output.find("\"SMTP TLS=NoVerify\" in section [Postiex]"), std::string::npos) << output;
            EXPECT_EQ(output.find("Error: 3c"), std::string::npos) << output;
            EXPECT_EQ(smtp.MessageCount(), 0u);
            continue;
        }
        ASSERT_TRUE(smtp.WaitForMessages(1, 20s)) << output << smtp.Log();
        EXPECT_EQ(smtp.Messages().front().tls, c.tls);
        EXPECT_EQ(smtp.Log().find(">> b'STARTTLS'") != std::string::npos, c.tls) << smtp.Log();
    }
}

// The server refuses bare line ends, as strict servers do; the file name is a
// UTF-8 one as this host writes them.
TEST(MailRun, CopyFailureMailNamesTheFileOnceInCrLfLines) {
    test::SmtpServer smtp;
    MailStart start;
    const std::string name = "caf\xc3\xa9 \xe2\x82\xac.txt";
    ASSERT_EQ(start.Run(MailStart::MailSection(smtp, smtp.User(), smtp.Password()) + start.FailingRoute(name)), 0);
    ASSERT_TRUE(smtp.WaitForMessages(2, 20s)) << start.Output() << smtp.Log();
    const auto failure = smtp.Messages()[1];
    ASSERT_EQ(failure.parseError, "") << failure.raw;
    EXPECT_EQ(failure.subject, "CFtpFile::CopyFile Error");
    EXPECT_NE(failure.text.find(start.work.Folder() + "in/" + name), std::string::npos) << failure.text;
    EXPECT_NE(failure.text.find("\r\nbInputIsFTP: false\r\n"), std::string::npos) << failure.text;
}

TEST(MailRun, SilentServerIsReportedAsAConnectFailure) {
    test::SmtpServer smtp(test::SmtpServer::Options{.silent = true});
    MailStart start;
    ASSERT_EQ(start.Run(MailStart::MailSection(smtp, smtp.User(), smtp.Password())), 0);
    const std::string output = start.Output();
    EXPECT_NE(output.find("Postie can't connect to SMTP server: 127.0.0.1. Error: the server took the connection but "
                          "sent no greeting within 15 seconds"),
              std::string::npos)
        << output;
    EXPECT_EQ(output.find("Post email message"), std::string::npos) << output;
}

}  // namespace
}  // namespace pv
