// The FTP test servers themselves, driven with plain sockets.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <filesystem>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "transport/FtpClient.h"
#include "transport/FtpListing.h"

namespace pv::test {
namespace {

using namespace std::chrono_literals;
using Step = ScriptedFtpServer::Step;

int Connect(int port) { return pv::test::ConnectLoopback(port); }

// Reads what arrives within the limit, or the first bytes that arrive when
// firstOnly; stops at end of stream (eof tells).
std::string ReadFor(int fd, std::chrono::milliseconds limit, bool* eof = nullptr, bool firstOnly = false) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0ms || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) {
            if (eof) *eof = true;
            break;
        }
        text.append(buffer, static_cast<size_t>(n));
        if (firstOnly) break;
    }
    return text;
}

// A bare control connection: whole replies (multi-line aware), commands.
class Control {
public:
    explicit Control(int port) : m_fd(Connect(port)) {}
    ~Control() {
        if (m_fd >= 0) ::close(m_fd);
    }
    bool Connected() const { return m_fd >= 0; }

    std::string Reply() {
        for (;;) {
            const auto first = m_buffer.find("\r\n");
            if (first != std::string::npos) {
                size_t stop = first;
                if (first >= 4 && m_buffer[3] == '-') {  // multi-line: up to "ddd " at a line start
                    const auto last = m_buffer.find("\r\n" + m_buffer.substr(0, 3) + " ");
                    stop = last == std::string::npos ? std::string::npos : m_buffer.find("\r\n", last + 2);
                }
                if (stop != std::string::npos) {
                    const std::string reply = m_buffer.substr(0, stop);
                    m_buffer.erase(0, stop + 2);
                    return reply;
                }
            }
            bool eof = false;
            const std::string more = ReadFor(m_fd, 10s, &eof, true);
            if (more.empty()) return eof ? "<closed>" : "<no reply>";
            m_buffer += more;
        }
    }
    std::string Command(const std::string& line) {
        const std::string bytes = line + "\r\n";
        ::send(m_fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        return Reply();
    }
    void Login(const std::string& user, const std::string& password) {
        ASSERT_TRUE(Command("USER " + user).starts_with("331"));
        ASSERT_TRUE(Command("PASS " + password).starts_with("230"));
    }
    // PASV and a connection to the port it names; -1 when that fails.
    int Passive() {
        const std::string reply = Command("PASV");
        unsigned h1, h2, h3, h4, p1, p2;
        const auto open = reply.find('(');
        if (!reply.starts_with("227") || open == std::string::npos ||
            std::sscanf(reply.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h1, &h2, &h3, &h4, &p1, &p2) != 6)
            return -1;
        return Connect(static_cast<int>(p1 * 256 + p2));
    }
    // LIST through a passive connection; the listing text.
    std::string List(const std::string& argument = {}) {
        const int data = Passive();
        if (data < 0) return "<no data connection>";
        const std::string start = Command(argument.empty() ? "LIST" : "LIST " + argument);
        // 150, or 125 when the data connection was open already.
        const bool started = start.starts_with("1");
        std::string listing = started ? ReadFor(data, 10s) : "<" + start + ">";
        ::close(data);
        if (started && !Reply().starts_with("226")) listing += "<no 226>";
        return listing;
    }
    // STOR through a passive connection; the final reply.
    std::string Store(const std::string& name, const std::string& bytes) {
        const int data = Passive();
        if (data < 0) return "<no data connection>";
        const std::string start = Command("STOR " + name);
        if (!start.starts_with("1")) {
            ::close(data);
            return start;
        }
        ::send(data, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        ::close(data);
        return Reply();
    }

private:
    int m_fd;
    std::string m_buffer;
};

TEST(FtpServers, PyFtpServerServesItsRootToEditorAndStops) {
    PyFtpServer server;
    WriteWholeFile((server.Root() / "take1.wav").string(), "RIFF");
    {
        Control wrong(server.Port());
        ASSERT_TRUE(wrong.Reply().starts_with("220"));
        ASSERT_TRUE(wrong.Command("USER editor").starts_with("331"));
        EXPECT_TRUE(wrong.Command("PASS guess").starts_with("530"));
    }
    Control control(server.Port());
    ASSERT_TRUE(control.Reply().starts_with("220"));
    control.Login(server.User(), server.Password());
    EXPECT_TRUE(control.Command("TYPE I").starts_with("200"));
    const std::string listing = control.List();
    EXPECT_NE(listing.find("take1.wav"), std::string::npos) << listing << server.Log();
    const std::string stored = control.Store("news.txt", "headline\r\n");
    EXPECT_TRUE(stored.starts_with("226")) << stored << server.Log();
    EXPECT_EQ(ReadWholeFile((server.Root() / "news.txt").string()), "headline\r\n");
    EXPECT_TRUE(control.Command("QUIT").starts_with("221"));

    const int port = server.Port();
    server.Stop();
    EXPECT_FALSE(Control(port).Connected());
}

TEST(FtpServers, VsftpdLogsInItsAccountChrootedWritesAndExpandsListWildcards) {
    VsftpdServer server;
    WriteWholeFile((server.Root() / "take1.wav").string(), "RIFF");
    WriteWholeFile((server.Root() / "story.txt").string(), "text");
    server.HandRootToUser();
    {
        Control wrong(server.Port());
        ASSERT_TRUE(wrong.Reply().starts_with("220"));
        ASSERT_TRUE(wrong.Command("USER " + server.User()).starts_with("331"));
        EXPECT_TRUE(wrong.Command("PASS guess").starts_with("530"));
    }
    Control control(server.Port());
    ASSERT_TRUE(control.Reply().starts_with("220"));
    control.Login(server.User(), server.Password());
    EXPECT_TRUE(control.Command("TYPE I").starts_with("200"));
    EXPECT_NE(control.Command("PWD").find("\"/\""), std::string::npos);
    const std::string all = control.List();
    EXPECT_NE(all.find("take1.wav"), std::string::npos) << all;
    const std::string texts = control.List("*.txt");
    EXPECT_NE(texts.find("story.txt"), std::string::npos) << texts;
    EXPECT_EQ(texts.find("take1.wav"), std::string::npos) << texts;
    EXPECT_TRUE(control.Store("news.txt", "headline\r\n").starts_with("226")) << server.Log();
    EXPECT_EQ(ReadWholeFile((server.Root() / "news.txt").string()), "headline\r\n");
    EXPECT_TRUE(control.Command("DELE take1.wav").starts_with("250"));
    EXPECT_FALSE(std::filesystem::exists(server.Root() / "take1.wav"));
    EXPECT_TRUE(control.Command("QUIT").starts_with("221"));
}

TEST(FtpServers, ScriptedServerPlaysItsScriptAndRecordsCommandsAndUploads) {
    std::vector<Step> steps{Step::SendSplit({"22", "0 Ready\r\n"}, 50),
                            Step::Expect("USER ", "331 Password required.\r\n"),
                            Step::Expect("PASS ", "230 Logged in.\r\n"),
                            Step::Expect("PASV"),
                            Step::PasvReply(),
                            Step::Expect("RETR ", "150 Here it comes.\r\n"),
                            Step::DataSend(std::string("\x00\xff\r\n", 4), Step::Then::Close, 3),
                            Step::Send("226 Done.\r\n"),
                            Step::Expect("PASV"),
                            Step::PasvReply(),
                            Step::Expect("STOR ", "150 Go ahead.\r\n"),
                            Step::DataReceive(),
                            Step::Send("226 Stored.\r\n"),
                            Step::Expect("QUIT", "221 Bye.\r\n"),
                            Step::Close()};
    ScriptedFtpServer server(steps);
    Control control(server.Port());
    EXPECT_EQ(control.Reply(), "220 Ready");
    control.Login("editor", "s3cret");

    int data = control.Passive();
    ASSERT_GE(data, 0);
    EXPECT_TRUE(control.Command("RETR a.wav").starts_with("150"));
    EXPECT_EQ(ReadFor(data, 5s), std::string("\x00\xff\r\n\x00\xff\r\n\x00\xff\r\n", 12));
    ::close(data);
    EXPECT_EQ(control.Reply(), "226 Done.");

    EXPECT_TRUE(control.Store("b.wav", std::string("up\x80load", 7)).starts_with("226"));
    EXPECT_EQ(control.Command("QUIT"), "221 Bye.");
    EXPECT_EQ(control.Reply(), "<closed>");
    ASSERT_TRUE(server.WaitDone(10s)) << server.Error() << server.Log();
    EXPECT_EQ(server.ReceivedCommands(),
              (std::vector<std::string>{"USER editor", "PASS s3cret", "PASV", "RETR a.wav", "PASV", "STOR b.wav",
                                        "QUIT"}));
    EXPECT_EQ(server.ReceivedData(0), std::string("up\x80load", 7));
}

TEST(FtpServers, ScriptedServerStallsADataConnectionAndReportsAWrongCommand) {
    {
        ScriptedFtpServer server({Step::Send("220 Ready\r\n"), Step::Expect("PASV"), Step::PasvReply(),
                                  Step::Expect("RETR ", "150 Here it comes.\r\n"),
                                  Step::DataSend("partial", Step::Then::Stall), Step::Expect("ABOR", "226 Aborted.\r\n"),
                                  Step::Close()});
        Control control(server.Port());
        EXPECT_EQ(control.Reply(), "220 Ready");
        const int data = control.Passive();
        ASSERT_GE(data, 0);
        EXPECT_TRUE(control.Command("RETR a.wav").starts_with("150"));
        bool eof = false;
        EXPECT_EQ(ReadFor(data, 500ms, &eof), "partial");
        EXPECT_FALSE(eof);
        EXPECT_EQ(control.Command("ABOR"), "226 Aborted.");
        EXPECT_EQ(control.Reply(), "<closed>");
        ::close(data);
        EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
    }
    ScriptedFtpServer server({Step::Send("220 Ready\r\n"), Step::Expect("CWD ", "250 OK.\r\n")});
    Control control(server.Port());
    EXPECT_EQ(control.Reply(), "220 Ready");
    EXPECT_EQ(control.Command("LIST"), "<closed>");
    EXPECT_FALSE(server.WaitDone(5s));
    EXPECT_NE(server.Error().find("CWD"), std::string::npos) << server.Error();
    EXPECT_EQ(server.ReceivedCommands(), std::vector<std::string>{"LIST"});
}

// Two servers at once (as under ctest -j) each serve their own root only.
TEST(PureFtpdServers, TwoAtOnceServeEachTheirOwnRoot) {
    test::PureFtpdServer first, second;
    ASSERT_NE(first.Port(), second.Port());
    test::WriteWholeFile((first.Root() / "first.txt").string(), "1");
    test::WriteWholeFile((second.Root() / "second.txt").string(), "2");
    test::RecordingReporter reporter;
    FtpClientSettings settings;
    settings.timeout = 10s;
    for (const auto& [server, name] : {std::pair<test::PureFtpdServer*, const char*>{&first, "first.txt"},
                                       std::pair<test::PureFtpdServer*, const char*>{&second, "second.txt"}}) {
        server->HandRootToUser();
        FtpListingTable listings;
        CFtpClient client(reporter, settings, listings);
        ASSERT_TRUE(client.LogOnToServer(server->Host(), server->Port(), server->User(), server->Password()))
            << client.m_strRetMsg << server->Log();
        std::vector<std::string> names;
        const int slot = client.FindFirst("/");
        ASSERT_GE(slot, 0) << client.m_strErrorText;
        while (client.FindNextEntry(slot)) names.push_back(client.FindEntry(slot)->name);
        client.FindClose(slot);
        EXPECT_EQ(names, std::vector<std::string>{name});
    }
}

}  // namespace
}  // namespace pv::test
