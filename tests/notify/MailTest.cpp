#include <gtest/gtest.h>

#include <filesystem>

#include "notify/MailSender.h"
#include "notify/MailText.h"
#include "support/SmtpServer.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;

std::string DecodeBase64(const std::string& text) {
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= 'A' && c <= 'Z') digit = c - 'A';
        else if (c >= 'a' && c <= 'z') digit = c - 'a' + 26;
        else if (c >= '0' && c <= '9') digit = c - '0' + 52;
        else if (c == '+') digit = 62;
        else if (c == '/') digit = 63;
        if (digit < 0) continue;
        value = (value << 6) | static_cast<unsigned>(digit);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xFF);
        }
    }
    return out;
}

class Mail : public ::testing::Test {
protected:
    MailSender Sender(const std::string& password) const {
        MailSender sender;
        sender.Configure({"127.0.0.1:" + std::to_string(server.Port()), server.User(), password, "pressvane@newsroom.test",
                          std::chrono::seconds(5), std::chrono::seconds(20)});
        return sender;
    }
    test::SmtpServer server;
    test::TempDir dir;
};

TEST_F(Mail, StartupMailArrivesWithSubjectAndSender) {
    std::string error;
    ASSERT_TRUE(Sender(server.Password()).SendMail({"desk@newsroom.test", "Pressvane is starting up 12/9/2026 06:05",
                                                    "Pressvane is starting up 12/9/2026 06:05", {}, ""},
                                                   error))
        << error;
    ASSERT_TRUE(server.WaitForMessages(1, 10s));
    const auto message = server.Messages().front();
    EXPECT_EQ(message.mailFrom, "pressvane@newsroom.test");
    EXPECT_EQ(message.recipients, (std::vector<std::string>{"desk@newsroom.test"}));
    EXPECT_NE(message.raw.find("Subject: Pressvane is starting up 12/9/2026 06:05\r\n"), std::string::npos);
    EXPECT_NE(message.raw.find("From: pressvane@newsroom.test"), std::string::npos);
}

TEST_F(Mail, AttachmentArrivesIntact) {
    std::string bytes;
    for (int i = 0; i < 5000; ++i) bytes += static_cast<char>(i * 7);
    test::WriteWholeFile(dir / "clip.wav", bytes);
    std::string error;
    ASSERT_TRUE(Sender(server.Password()).SendMail({"desk@newsroom.test", "CFtpFile::CopyFile Error", "see attached",
                                                    {dir / "clip.wav"}, ""},
                                                   error))
        << error;
    ASSERT_TRUE(server.WaitForMessages(1, 10s));
    const std::string raw = server.Messages().front().raw;
    const size_t name = raw.find("clip.wav");
    ASSERT_NE(name, std::string::npos);
    const size_t start = raw.find("\r\n\r\n", name) + 4;
    const size_t end = raw.find("\r\n--", start);
    EXPECT_EQ(DecodeBase64(raw.substr(start, end - start)), bytes);
}

TEST_F(Mail, FailuresGiveTheirTextsAndDeliverNothing) {
    std::string error;
    EXPECT_FALSE(Sender("wrong").SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error));
    EXPECT_EQ(error.rfind("Postie can't Login to SMTP server: 127.0.0.1. Error: ", 0), 0u) << error;

    EXPECT_FALSE(Sender(server.Password()).SendMail({"desk@newsroom.test", "s", "m", {dir / "missing.wav"}, ""}, error));
    EXPECT_EQ(error.rfind("Postie can't add email attachment. Error: ", 0), 0u) << error;

    MailSender unconfigured;
    EXPECT_FALSE(unconfigured.SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error));
    EXPECT_EQ(error, "Can't send email via Postie because Postie is not installed.");

    const int port = server.Port();
    server.Stop();
    MailSender closed;
    closed.Configure({"127.0.0.1:" + std::to_string(port), "mailer", "x", "a@b.test"});
    EXPECT_FALSE(closed.SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error));
    EXPECT_EQ(error.rfind("Postie can't connect to SMTP server: 127.0.0.1. Error: ", 0), 0u) << error;
    EXPECT_EQ(server.Messages().size(), 0u);
}

TEST(MailText, SubjectsStayOnOneLineAndNonAsciiIsEncoded) {
    EXPECT_EQ(MailSubjectHeader("a\r\nBcc: x@y"), "a  Bcc: x@y");
    EXPECT_EQ(MailSubjectHeader("Caf\xe9 \x80"), "=?UTF-8?B?" + Base64("Caf\xc3\xa9 \xe2\x82\xac") + "?=");
    EXPECT_EQ(Base64("Ma"), "TWE=");
}

}  // namespace
}  // namespace pv
