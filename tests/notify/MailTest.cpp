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
        MailSender sender(MailSettings{"127.0.0.1:" + std::to_string(server.Port()), server.User(), password, "pressvane@newsroom.test",
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
    MailSender closed(MailSettings{"127.0.0.1:" + std::to_string(port), "mailer", "x", "a@b.test"});
    EXPECT_FALSE(closed.SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error));
    EXPECT_EQ(error.rfind("Postie can't connect to SMTP server: 127.0.0.1. Error: ", 0), 0u) << error;
    EXPECT_EQ(server.Messages().size(), 0u);
}

TEST_F(Mail, EmptyUserSendsWithoutLoggingIn) {
    test::SmtpServer open(test::SmtpServer::Options{.requireAuth = false});
    MailSender sender(MailSettings{"127.0.0.1:" + std::to_string(open.Port()), "", "", "pressvane@newsroom.test"});
    std::string error;
    EXPECT_TRUE(sender.SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error)) << error;
    // The file access's failure mails go the same way.
    DebugMailer debug(sender, "engineer@newsroom.test");
    EXPECT_EQ(debug.SendFileError("CFtpFile::CopyFile Error", "m", {}), "");
    ASSERT_TRUE(open.WaitForMessages(2, 10s)) << open.Log();
    for (const auto& message : open.Messages()) EXPECT_FALSE(message.authenticated);
    EXPECT_EQ(open.Log().find(">> b'AUTH"), std::string::npos) << open.Log();

    // A server that insists on a log-in says which settings to fill in.
    MailSender anonymous(MailSettings{"127.0.0.1:" + std::to_string(server.Port()), "", "", "pressvane@newsroom.test"});
    EXPECT_FALSE(anonymous.SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error));
    EXPECT_EQ(error.rfind("Postie can't Login to SMTP server: 127.0.0.1. Error: ", 0), 0u) << error;
    EXPECT_NE(error.find("\"User ID\""), std::string::npos) << error;
}

// Names arrive as the operator sees them whether the host wrote them in UTF-8
// or they came as Windows-1252; line ends arrive as CR LF (the server refuses
// anything else).
TEST_F(Mail, NamesArriveEncodedOnceAndLinesEndInCrLf) {
    const std::string longName = [] {
        std::string name;
        for (int i = 0; i < 30; ++i) name += "\xc3\xa9t\xc3\xa9 ";  // "été "
        return name + "\xe2\x82\xac.wav";
    }();
    const struct {
        const char* what;
        std::string name;  // the bytes of the file name
        std::string shown; // as UTF-8
    } cases[] = {
        {"UTF-8", "caf\xc3\xa9 \xe2\x82\xac.wav", "caf\xc3\xa9 \xe2\x82\xac.wav"},
        {"Windows-1252", "caf\xe9 \x80.wav", "caf\xc3\xa9 \xe2\x82\xac.wav"},
        {"plain ASCII with a quote", "say \"hi\".wav", "say \"hi\".wav"},
        {"long UTF-8", longName, longName},
        {"longest Windows-1252", std::string(250, '\xe9') + ".wav", [] {
             std::string shown;
             for (int i = 0; i < 250; ++i) shown += "\xc3\xa9";
             return shown + ".wav";
         }()},
    };
    size_t count = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteWholeFile(dir / c.name, "RIFF");
        std::string error;
        ASSERT_TRUE(Sender(server.Password()).SendMail({"desk@newsroom.test", "Received " + c.name,
                                                        "File " + c.name + "\nline two\rline three\r\n",
                                                        {dir / c.name}, ""},
                                                       error))
            << error;
        ASSERT_TRUE(server.WaitForMessages(++count, 10s)) << server.Log();
        const auto message = server.Messages().back();
        ASSERT_EQ(message.parseError, "") << message.raw;
        EXPECT_EQ(message.subject, "Received " + c.shown);
        EXPECT_EQ(message.text, "File " + c.shown + "\r\nline two\r\nline three\r\n");
        EXPECT_EQ(message.attachmentNames, std::vector<std::string>{c.shown});
        for (size_t at = 0, end; (end = message.raw.find("\r\n", at)) != std::string::npos; at = end + 2)
            EXPECT_LE(end - at, 998u);
    }
}

TEST_F(Mail, SilentServerIsAConnectFailure) {
    test::SmtpServer silent(test::SmtpServer::Options{.silent = true});
    MailSender sender(MailSettings{"127.0.0.1:" + std::to_string(silent.Port()), "mailer", "pw", "pressvane@newsroom.test",
                      std::chrono::seconds(1), std::chrono::seconds(20)});
    std::string error;
    EXPECT_FALSE(sender.SendMail({"desk@newsroom.test", "s", "m", {}, ""}, error));
    EXPECT_EQ(error.rfind("Postie can't connect to SMTP server: 127.0.0.1. Error: ", 0), 0u) << error;
    EXPECT_NE(error.find("no greeting"), std::string::npos) << error;
}

TEST(MailText, ValidUtf8IsKeptAndOtherBytesAreWindows1252) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"\xf0\x9f\x93\xbb on air \xe2\x82\xac", "\xf0\x9f\x93\xbb on air \xe2\x82\xac"},
        {"caf\xe9 \x80 \x96", "caf\xc3\xa9 \xe2\x82\xac \xe2\x80\x93"},
        {"caf\xc3\xa9/caf\xe9", "caf\xc3\xa9/caf\xc3\xa9"},                       // mixed
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                                          // overlong
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},                          // surrogate
        {"ab\xe2\x82", "ab\xc3\xa2\xe2\x80\x9a"},                                  // cut short
        {"\xf4\x90\x80\x80", "\xc3\xb4\xef\xbf\xbd\xe2\x82\xac\xe2\x82\xac"},      // beyond U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(MailUtf8(c.in), c.out) << c.in;
}

TEST(MailText, EveryLineEndBecomesCrLf) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb", "a\r\nb"},
        {"a\rb\r", "a\r\nb\r\n"},
        {"\n\r\r\n\n\r", "\r\n\r\n\r\n\r\n\r\n"},
        {"no line end", "no line end"},
    };
    for (const auto& c : cases) EXPECT_EQ(CrLfLines(c.in), c.out);
}

TEST(MailText, SubjectsStayOnOneLineAndNonAsciiIsEncoded) {
    EXPECT_EQ(MailSubjectHeader("a\r\nBcc: x@y"), "a  Bcc: x@y");
    EXPECT_EQ(MailSubjectHeader("Caf\xe9 \x80"), "=?UTF-8?B?" + Base64("Caf\xc3\xa9 \xe2\x82\xac") + "?=");
    EXPECT_EQ(Base64("Ma"), "TWE=");
}

}  // namespace
}  // namespace pv
