// The SMTP test server itself, driven by the curl command-line tool and by
// plain sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "support/ChildProcess.h"
#include "support/SmtpServer.h"
#include "support/TempDir.h"

namespace pv::test {
namespace {

using namespace std::chrono_literals;

const char* const kMessage =
    "From: Desk <a@x>\r\n"
    "To: b@y\r\n"
    "Subject: Bulletin 14:00 arrived\r\n"
    "\r\n"
    "The bulletin is in.\r\n"
    ".a line that starts with a dot\r\n";

// Sends kMessage with curl; returns curl's exit code (67: login refused).
int CurlSend(const SmtpServer& server, const TempDir& dir, const std::string& password,
             const std::vector<std::string>& extra = {}) {
    WriteWholeFile(dir / "msg.txt", kMessage);
    std::vector<std::string> argv{"/usr/bin/curl", "-s", "-S", "--max-time", "20", "--url",
                                  "smtp://127.0.0.1:" + std::to_string(server.Port()), "--mail-from", "a@x",
                                  "--mail-rcpt", "b@y", "--upload-file", dir / "msg.txt"};
    if (!password.empty()) argv.insert(argv.end(), {"--user", server.User() + ":" + password});
    argv.insert(argv.end(), extra.begin(), extra.end());
    ChildProcess curl(argv, dir / "curl.out");
    return curl.Wait(30s);
}

int Connect(int port) { return pv::test::ConnectLoopback(port); }

// One whole reply (the last line is "NNN " + text), or what came before the limit.
std::string ReadReply(int fd, std::chrono::milliseconds limit = 10s) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
            if (end - at >= 4 && text[at + 3] == ' ') return text;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0ms || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return text;
        char buffer[1024];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return text;
        text.append(buffer, static_cast<size_t>(n));
    }
}

std::string Command(int fd, const std::string& line) {
    const std::string text = line + "\r\n";
    if (::send(fd, text.data(), text.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(text.size())) return {};
    return ReadReply(fd);
}

TEST(SmtpServer, DeliversAMailSentWithTheRightPassword) {
    SmtpServer server;
    TempDir dir;
    ASSERT_EQ(CurlSend(server, dir, server.Password()), 0) << ReadWholeFile(dir / "curl.out") << server.Log();
    ASSERT_TRUE(server.WaitForMessages(1, 10s)) << server.Log();
    const auto messages = server.Messages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].mailFrom, "a@x");
    EXPECT_EQ(messages[0].recipients, std::vector<std::string>{"b@y"});
    EXPECT_NE(messages[0].raw.find("Subject: Bulletin 14:00 arrived\r\n"), std::string::npos) << messages[0].raw;
    EXPECT_NE(messages[0].raw.find("\r\n.a line that starts with a dot\r\n"), std::string::npos) << messages[0].raw;
}

TEST(SmtpServer, RefusesAWrongPasswordWith535AndDeliversNothing) {
    SmtpServer server;
    TempDir dir;
    EXPECT_EQ(CurlSend(server, dir, "wrong-pw"), 67) << ReadWholeFile(dir / "curl.out");

    const int fd = Connect(server.Port());
    ASSERT_GE(fd, 0);
    EXPECT_TRUE(ReadReply(fd).starts_with("220"));
    EXPECT_TRUE(Command(fd, "EHLO client").find("250-AUTH LOGIN PLAIN") != std::string::npos);
    // "\0mailer\0wrong-pw" and then LOGIN with "mailer" / "wrong-pw".
    EXPECT_TRUE(Command(fd, "AUTH PLAIN AG1haWxlcgB3cm9uZy1wdw==").starts_with("535"));
    EXPECT_TRUE(Command(fd, "AUTH LOGIN").starts_with("334"));
    EXPECT_TRUE(Command(fd, "bWFpbGVy").starts_with("334"));
    EXPECT_TRUE(Command(fd, "d3JvbmctcHc=").starts_with("535"));
    EXPECT_TRUE(Command(fd, "MAIL FROM:<a@x>").starts_with("530"));
    ::close(fd);

    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(server.MessageCount(), 0u) << server.Log();
}

TEST(SmtpServer, OffersStartTlsAndCanGoWithoutAuth) {
    SmtpServer server(SmtpServer::Options{.requireAuth = false, .offerStartTls = true});
    TempDir dir;
    ASSERT_EQ(CurlSend(server, dir, server.Password(), {"--ssl-reqd", "--insecure"}), 0)
        << ReadWholeFile(dir / "curl.out") << server.Log();
    ASSERT_EQ(CurlSend(server, dir, ""), 0) << ReadWholeFile(dir / "curl.out") << server.Log();
    ASSERT_TRUE(server.WaitForMessages(2, 10s)) << server.Log();
    EXPECT_EQ(server.Messages().size(), 2u);
    EXPECT_NE(server.Log().find("b'STARTTLS'"), std::string::npos);
}

TEST(SmtpServer, RefusesConnectionsAfterStop) {
    SmtpServer server;
    const int before = Connect(server.Port());
    ASSERT_GE(before, 0);
    ::close(before);
    server.Stop();
    const int after = Connect(server.Port());
    EXPECT_LT(after, 0);
    if (after >= 0) ::close(after);
}

}  // namespace
}  // namespace pv::test
