#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FtpClient.h"
#include "transport/FtpListing.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::ScriptedFtpServer;
using Step = ScriptedFtpServer::Step;

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

FtpClientSettings Quick(bool trace = true) {
    FtpClientSettings settings;
    settings.traceClient = trace;
    settings.logLogons = trace;
    settings.timeout = 3s;
    return settings;
}

std::vector<std::string> ListNames(CFtpClient& client, const std::string& name) {
    std::vector<std::string> names;
    const int slot = client.FindFirst(name);
    if (slot < 0) return {"<failed: " + client.m_strErrorText + ">"};
    while (client.FindNextEntry(slot)) names.push_back(client.FindEntry(slot)->name);
    client.FindClose(slot);
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------------------
// Real servers

template <class Server>
class RealServer : public ::testing::Test {
protected:
    void LogOn() {
        if constexpr (requires { server.HandRootToUser(); }) server.HandRootToUser();
        ASSERT_TRUE(client.LogOnToServer(server.Host(), server.Port(), server.User(), server.Password()))
            << client.m_strRetMsg << "\n"
            << server.Log();
    }
    std::string Remote(const std::string& name) const { return (server.Root() / name).string(); }
    std::string RemoteForClient(const std::string& name) const { return "/" + name; }

    Server server;
    test::TempDir local;
    test::RecordingReporter reporter;
    FtpListingTable listings;
    CFtpClient client{reporter, [] {
        FtpClientSettings settings = Quick(false);
        settings.timeout = 10s;  // pure-ftpd answers a wrong password after 3 to 6 s
        return settings;
    }(), listings};
};

using ServerTypes = ::testing::Types<test::PyFtpServer, test::VsftpdServer, test::PureFtpdServer>;
TYPED_TEST_SUITE(RealServer, ServerTypes);

TYPED_TEST(RealServer, FilesRoundTripByteIdentical) {
    this->LogOn();
    const size_t sizes[] = {0, 1, 10000, 65537, 3 * 1024 * 1024 + 7};
    for (size_t size : sizes) {
        const std::string name = "file-" + std::to_string(size) + ".bin";
        const std::string bytes = RandomBytes(size, static_cast<unsigned>(size));
        test::WriteWholeFile(this->local / name, bytes);
        ASSERT_TRUE(this->client.MoveFile(this->RemoteForClient(name), this->local / name, false))
            << this->client.m_strErrorText << " / " << this->client.m_strRetMsg;
        EXPECT_EQ(test::ReadWholeFile(this->Remote(name)), bytes) << size;
        ASSERT_TRUE(this->client.MoveFile(this->RemoteForClient(name), this->local / ("back-" + name), true))
            << this->client.m_strErrorText << " / " << this->client.m_strRetMsg;
        EXPECT_EQ(test::ReadWholeFile(this->local / ("back-" + name)), bytes) << size;
    }
}

TYPED_TEST(RealServer, ListsFoldersFilesAndWildcards) {
    fs::create_directory(this->server.Root() / "in");
    for (const char* name : {"a.dat", "b.dat", "story.txt"}) test::WriteWholeFile(this->Remote(std::string("in/") + name), "12345");
    this->LogOn();
    EXPECT_EQ(ListNames(this->client, this->RemoteForClient("in")),
              (std::vector<std::string>{"a.dat", "b.dat", "story.txt"}));
    EXPECT_EQ(ListNames(this->client, this->RemoteForClient("in/*.dat")), (std::vector<std::string>{"a.dat", "b.dat"}));
    EXPECT_EQ(ListNames(this->client, this->RemoteForClient("in/*.*")),
              (std::vector<std::string>{"a.dat", "b.dat", "story.txt"}));

    const int slot = this->client.FindFirst(this->RemoteForClient("in/story.txt"));
    ASSERT_GE(slot, 0);
    ASSERT_TRUE(this->client.FindNextEntry(slot));
    // pure-ftpd, as ls does, shows a listed file by the path it was asked for.
    const bool showsPath = std::is_same_v<TypeParam, test::PureFtpdServer>;
    EXPECT_EQ(this->client.FindEntry(slot)->name, showsPath ? "/in/story.txt" : "story.txt");
    EXPECT_EQ(this->client.FindEntry(slot)->size, 5);
    EXPECT_FALSE(this->client.FindNextEntry(slot));
    this->client.FindClose(slot);

    const int missing = this->client.FindFirst(this->RemoteForClient("in/missing.txt"));
    if (missing >= 0) {
        EXPECT_FALSE(this->client.FindNextEntry(missing));
        this->client.FindClose(missing);
    } else {
        EXPECT_EQ(this->client.LastListResult(), FtpListResult::noSuchFile) << this->client.m_strErrorText;
    }
}

TYPED_TEST(RealServer, DeleteRenameAndMakeFolder) {
    test::WriteWholeFile(this->Remote("old.txt"), "x");
    this->LogOn();
    EXPECT_TRUE(this->client.SendCommand("RNFR " + this->RemoteForClient("old.txt"), 3)) << this->client.m_strRetMsg;
    EXPECT_TRUE(this->client.SendCommand("RNTO " + this->RemoteForClient("new.txt"), 2)) << this->client.m_strRetMsg;
    EXPECT_TRUE(fs::exists(this->Remote("new.txt")));
    EXPECT_TRUE(this->client.SendCommand("MKD " + this->RemoteForClient("made"), 2)) << this->client.m_strRetMsg;
    EXPECT_TRUE(fs::is_directory(this->Remote("made")));
    EXPECT_TRUE(this->client.SendCommand("DELE " + this->RemoteForClient("new.txt"), 2)) << this->client.m_strRetMsg;
    EXPECT_FALSE(fs::exists(this->Remote("new.txt")));
    EXPECT_FALSE(this->client.SendCommand("DELE " + this->RemoteForClient("new.txt"), 2));
}

TYPED_TEST(RealServer, WrongPasswordFailsCleanly) {
    EXPECT_FALSE(this->client.LogOnToServer(this->server.Host(), this->server.Port(), this->server.User(), "wrong"));
    EXPECT_EQ(this->client.m_strRetMsg, "Logon failed");
    EXPECT_FALSE(this->client.IsLoggedOn());
}

TEST(FtpClient, StoppedServerFailsWithinTheTimeOut) {
    test::RecordingReporter reporter;
    int port;
    {
        test::PyFtpServer server;
        port = server.Port();
    }
    FtpListingTable listings;
    CFtpClient client(reporter, Quick(), listings);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.LogOnToServer("127.0.0.1", port, "editor", "s3cret"));
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_EQ(client.m_strRetMsg, "Logon failed");
}

// ---------------------------------------------------------------------------
// Scripted faults

std::vector<Step> With(std::vector<Step> steps) {
    std::vector<Step> all = ScriptedFtpServer::LoginSteps();
    all.insert(all.end(), steps.begin(), steps.end());
    return all;
}

class Scripted : public ::testing::Test {
protected:
    bool LogOn(ScriptedFtpServer& server, const std::string& password = "pw") {
        return client.LogOnToServer(server.Host(), server.Port(), "ed", password);
    }
    test::TempDir local;
    test::RecordingReporter reporter;
    FtpListingTable listings;
    CFtpClient client{reporter, Quick(), listings};
};

TEST_F(Scripted, MultiLineGreetingAndSplitRepliesAreOneReplyEach) {
    ScriptedFtpServer server({Step::Send("220-Welcome to the\r\n220-newsroom\r\n220 ready\r\n"),
                              Step::Expect("USER"), Step::SendSplit({"33", "1 password please\r\n"}),
                              Step::Expect("PASS"), Step::SendSplit({"230 logged ", "in\r", "\n"}),
                              Step::Expect("NOOP", "200 ok\r\n")});
    ASSERT_TRUE(LogOn(server)) << client.m_strRetMsg;
    EXPECT_TRUE(client.SendCommand("NOOP", 2));
    EXPECT_EQ(client.m_strRetMsg, "200 ok");
}

TEST_F(Scripted, UserAnsweredWithCompletionEndsTheLogon) {
    ScriptedFtpServer server({Step::Send("220 ready\r\n"), Step::Expect("USER", "230 no password needed\r\n"),
                              Step::Expect("QUIT"), Step::ExpectClose()});
    ASSERT_TRUE(LogOn(server));
    client.Quit();
    EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
    EXPECT_EQ(server.ReceivedCommands(), (std::vector<std::string>{"USER ed", "QUIT"}));
}

TEST_F(Scripted, SameLogonTwiceSendsNothingAndAChangedPasswordLogsOnAgain) {
    std::vector<Step> steps = ScriptedFtpServer::LoginSteps();
    steps.push_back(Step::Expect("QUIT"));
    steps.push_back(Step::Accept());
    for (const Step& step : ScriptedFtpServer::LoginSteps()) steps.push_back(step);
    ScriptedFtpServer server(steps);
    ASSERT_TRUE(LogOn(server));
    ASSERT_TRUE(LogOn(server));
    ASSERT_TRUE(LogOn(server, "other")) << client.m_strRetMsg;
    EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
    EXPECT_EQ(server.ReceivedCommands(),
              (std::vector<std::string>{"USER ed", "PASS pw", "QUIT", "USER ed", "PASS other"}));
}

TEST_F(Scripted, FirewallLogonNamesTheHostWithItsPort) {
    ScriptedFtpServer server({Step::Send("220 proxy\r\n"), Step::Expect("USER fw", "331 ok\r\n"),
                              Step::Expect("PASS", "230 ok\r\n"), Step::Expect("SITE", "331 connected, send USER\r\n"),
                              Step::Expect("USER", "331 ok\r\n"), Step::Expect("PASS", "230 ok\r\n")});
    ASSERT_TRUE(client.LogOnToServer("news.example", 2121, "ed", "pw", "", "127.0.0.1", "fw", "fwpw",
                                     server.Port(), 1))
        << client.m_strRetMsg;
    EXPECT_EQ(server.ReceivedCommands()[2], "SITE news.example:2121");
}

TEST_F(Scripted, IllegalLogonTypeFailsWithoutTraffic) {
    ScriptedFtpServer server({Step::Send("220 ready\r\n")});
    EXPECT_FALSE(client.LogOnToServer("127.0.0.1", server.Port(), "ed", "pw", "", "", "", "", 21, 9));
    EXPECT_EQ(client.m_strRetMsg, "Logon failed");
    EXPECT_TRUE(server.ReceivedCommands().empty());
}

TEST_F(Scripted, ReplyTimeOutEndsTheSessionSoALateReplyIsNeverTakenForTheNextOne) {
    ScriptedFtpServer server(With({Step::Expect("NOOP"), Step::Sleep(4500), Step::Send("200 late\r\n")}));
    ASSERT_TRUE(LogOn(server));
    EXPECT_FALSE(client.SendCommand("NOOP", 2));
    EXPECT_FALSE(client.IsLoggedOn());
    EXPECT_FALSE(client.SendCommand("NOOP", 2));
    EXPECT_NE(client.m_strRetMsg, "200 late");
}

TEST_F(Scripted, AServerThatNeverEndsALineEndsTheSession) {
    ScriptedFtpServer server({Step::Send("220 " + std::string(300000, 'A')), Step::Sleep(8000)});
    EXPECT_FALSE(LogOn(server));
    EXPECT_FALSE(client.IsLoggedOn());
    EXPECT_NE(reporter.AllText().find("a reply line longer than"), std::string::npos) << reporter.AllText();
}

TEST_F(Scripted, AMultiLineReplyHasOneDeadlineForAllItsLines) {
    // Each line comes well within the time-out, the whole reply does not.
    std::vector<Step> steps;
    for (int line = 0; line < 8; ++line) {
        steps.push_back(Step::Send("220-still here\r\n"));
        steps.push_back(Step::Sleep(700));
    }
    steps.push_back(Step::Send("220 ready\r\n"));
    steps.push_back(Step::Expect("USER", "331 password please\r\n"));
    steps.push_back(Step::Expect("PASS", "230 logged in\r\n"));
    ScriptedFtpServer server(steps);
    EXPECT_FALSE(LogOn(server));
    EXPECT_TRUE(server.ReceivedCommands().empty());
}

TEST_F(Scripted, ANameTheServerCannotListIsFoundInItsFoldersListing) {
    // As servers do that read LIST's argument as ls reads a command line: the
    // name with a blank lists nothing, or the neighbour its first word names.
    const auto list = [](const std::string& argument, const std::string& lines) {
        return std::vector<Step>{Step::Expect("TYPE I", "200 ok\r\n"), Step::Expect("PASV"), Step::PasvReply(),
                                 Step::Expect("LIST " + argument, "150 Here comes the listing\r\n"),
                                 Step::DataSend(lines), Step::Send("226 Transfer complete\r\n")};
    };
    const std::string folder =
        "-rw-r--r--    1 1000       1000             5 Dec 09 10:00 a b.txt.bak\r\n"
        "-rw-r--r--    1 1000       1000            12 Dec 09 10:00 A B.TXT\r\n"
        "-rw-r--r--    1 1000       1000             7 Dec 09 10:00 a\r\n"
        "-rw-r--r--    1 1000       1000            42 Dec 09 10:00 a b.txt\r\n";
    for (const char* firstListing : {"", "-rw-r--r--    1 1000       1000             7 Dec 09 10:00 /out/a\r\n"}) {
        std::vector<Step> steps = list("/out/a b.txt", firstListing);
        for (const Step& step : list("/out", folder)) steps.push_back(step);
        ScriptedFtpServer server(With(steps));
        CFtpClient fresh(reporter, Quick(), listings);
        ASSERT_TRUE(fresh.LogOnToServer(server.Host(), server.Port(), "ed", "pw"));
        const int slot = fresh.FindFirst("/out/a b.txt");
        ASSERT_GE(slot, 0) << fresh.m_strErrorText;
        ASSERT_TRUE(fresh.FindNextEntry(slot)) << firstListing;
        EXPECT_EQ(fresh.FindEntry(slot)->name, "a b.txt");
        EXPECT_EQ(fresh.FindEntry(slot)->size, 42);
        EXPECT_FALSE(fresh.FindNextEntry(slot));
        fresh.FindClose(slot);
        EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
    }
}

TEST_F(Scripted, CommandArgumentWithALineBreakIsRefused) {
    ScriptedFtpServer server(With({}));
    ASSERT_TRUE(LogOn(server));
    EXPECT_FALSE(client.WriteCommandString("DELE a\r\nDELE b"));
    EXPECT_FALSE(client.WriteCommandString(std::string("DELE a\0b", 8)));
    EXPECT_EQ(server.ReceivedCommands().size(), 2u);
}

TEST_F(Scripted, PasswordsAreMaskedInTheTrace) {
    ScriptedFtpServer server(With({}));
    ASSERT_TRUE(LogOn(server, "topsecret"));
    const std::string trace = reporter.AllText();
    EXPECT_EQ(trace.find("topsecret"), std::string::npos);
    EXPECT_NE(trace.find("PASS ****"), std::string::npos);
}

TEST_F(Scripted, PassiveRepliesOutsideTheByteRangeAreRefused) {
    for (const char* reply : {"227 Entering Passive Mode (127,0,0,1,300,1)\r\n", "227 Entering Passive Mode (127,0,0,1,4)\r\n",
                              "227 no numbers at all\r\n"}) {
        ScriptedFtpServer server(With({Step::Expect("TYPE I", "200 ok\r\n"), Step::Expect("PASV", reply)}));
        CFtpClient fresh(reporter, Quick(), listings);
        ASSERT_TRUE(fresh.LogOnToServer(server.Host(), server.Port(), "ed", "pw"));
        EXPECT_FALSE(fresh.MoveFile("/x", local / "x", true)) << reply;
        EXPECT_EQ(fresh.m_strErrorText, "Failure trying to decode IP address and Port number.");
    }
    uint32_t address;
    uint16_t port;
    ASSERT_TRUE(DecodePassiveReply("227 Entering Passive Mode (10,0,0,7,4,1)", address, port));
    EXPECT_EQ(address, 0x0A000007u);
    EXPECT_EQ(port, 1025);
}

std::vector<Step> RetrieveSteps(Step data, const std::string& opening = "150 Opening (10 bytes)\r\n") {
    return With({Step::Expect("TYPE I", "200 ok\r\n"), Step::Expect("PASV"), Step::PasvReply(),
                 Step::Expect("RETR", opening), data, Step::Send("226 Transfer complete\r\n")});
}

TEST_F(Scripted, TransfersThatDidNotEndNormallyFailDespiteA226) {
    const struct {
        const char* what;
        Step data;
        const char* opening;
    } cases[] = {
        {"closed early", Step::DataSendCloseEarly("0123456789", 4), "150 Opening (10 bytes)\r\n"},
        {"reset", Step::DataSend("0123456789", ScriptedFtpServer::Step::Then::Reset), "150 Opening\r\n"},
        {"stalled", Step::DataSend("0123", ScriptedFtpServer::Step::Then::Stall), "150 Opening\r\n"},
    };
    for (const auto& c : cases) {
        ScriptedFtpServer server(RetrieveSteps(c.data, c.opening));
        CFtpClient fresh(reporter, Quick(), listings);
        ASSERT_TRUE(fresh.LogOnToServer(server.Host(), server.Port(), "ed", "pw"));
        EXPECT_FALSE(fresh.MoveFile("/story.txt", local / "story.txt", true)) << c.what;
        EXPECT_NE(fresh.m_strErrorText.find("Failure during data transfer."), std::string::npos) << c.what;
    }
}

TEST_F(Scripted, DataSentBeforeTheServerClosesIsKept) {
    ScriptedFtpServer server(RetrieveSteps(Step::DataSend("0123456789")));
    ASSERT_TRUE(LogOn(server));
    ASSERT_TRUE(client.MoveFile("ftp://127.0.0.1/story.txt", local / "story.txt", true)) << client.m_strErrorText;
    EXPECT_EQ(test::ReadWholeFile(local / "story.txt"), "0123456789");
    EXPECT_EQ(server.ReceivedCommands()[4], "RETR /story.txt");
}

TEST_F(Scripted, FailedListingIsAnErrorAndNotAnEmptyFolder) {
    ScriptedFtpServer refused(With({Step::Expect("TYPE I", "200 ok\r\n"), Step::Expect("PASV", "425 no\r\n")}));
    ASSERT_TRUE(LogOn(refused));
    EXPECT_EQ(client.FindFirst("/in"), -1);
    EXPECT_EQ(client.LastListResult(), FtpListResult::failed);

    ScriptedFtpServer missing(With({Step::Expect("TYPE I", "200 ok\r\n"), Step::Expect("PASV"), Step::PasvReply(),
                                    Step::Expect("LIST", "550 No such file\r\n")}));
    CFtpClient other(reporter, Quick(), listings);
    ASSERT_TRUE(other.LogOnToServer(missing.Host(), missing.Port(), "ed", "pw"));
    const int slot = other.FindFirst("/in/x.txt");
    EXPECT_EQ(other.LastListResult(), FtpListResult::noSuchFile);
    ASSERT_GE(slot, 0);
    EXPECT_FALSE(other.FindNextEntry(slot));
    other.FindClose(slot);
}

TEST_F(Scripted, CutListingNeverYieldsABogusLastName) {
    const std::string listing =
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:05 story1.txt\r\n"
        "-rw-r--r--   1 news     staff       2048 Mar  3 14:";
    ScriptedFtpServer server(With({Step::Expect("TYPE I", "200 ok\r\n"), Step::Expect("PASV"), Step::PasvReply(),
                                   Step::Expect("LIST", "150 here\r\n"), Step::DataSend(listing),
                                   Step::Send("226 done\r\n")}));
    ASSERT_TRUE(LogOn(server));
    EXPECT_EQ(ListNames(client, "/in"), (std::vector<std::string>{"story1.txt"}));
}

TEST(FtpListingTable, TenthListingFailsAndTheCountDropsOnlyOverFreeTopSlots) {
    FtpListingTable table;
    ASSERT_EQ(table.OpenCount(), 0);
    std::vector<int> slots;
    for (int i = 0; i < 9; ++i) slots.push_back(table.Take());
    EXPECT_EQ(slots.back(), 8);
    EXPECT_EQ(table.Take(), -1);
    table.Release(3);
    EXPECT_EQ(table.OpenCount(), 9);
    table.Release(8);
    EXPECT_EQ(table.OpenCount(), 8);
    for (int slot : slots) table.Release(slot);
    EXPECT_EQ(table.OpenCount(), 0);
}

}  // namespace
}  // namespace pv
