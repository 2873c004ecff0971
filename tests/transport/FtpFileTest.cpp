#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <sys/stat.h>

#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "platform/PrivateTempFolder.h"
#include "transport/FtpFile.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;
using test::ScriptedFtpServer;
using Step = ScriptedFtpServer::Step;

FileAccessSettings FastSettings() {
    FileAccessSettings settings;
    settings.secondsBetweenFtpCommands = 0;
    settings.delayAfterLogonSeconds = 0;
    settings.traceFtpFile = true;
    settings.client.traceClient = true;
    settings.client.timeout = 3s;
    return settings;
}

class FileObject : public ::testing::Test {
protected:
    std::vector<std::string> Lines(const std::string& bytes) {
        test::WriteWholeFile(dir / "in.txt", bytes);
        CFTPFile file(access);
        EXPECT_TRUE(file.Open(dir / "in.txt", platform::File::modeRead));
        std::vector<std::string> lines;
        for (std::string line; file.ReadLine(line);) lines.push_back(line);
        return lines;
    }

    test::TempDir dir;
    test::RecordingReporter reporter;
    FileAccess access{reporter, platform::DefaultClock(), FastSettings()};
};

TEST_F(FileObject, EveryLineEndReadsTheSameWay) {
    EXPECT_EQ(Lines("a\rb\r\nc\nd\n\re"), (std::vector<std::string>{"a", "b", "c", "d", "e"}));
    EXPECT_EQ(Lines("one\r\n\r\nthree"), (std::vector<std::string>{"one", "", "three"}));
    EXPECT_EQ(Lines(""), (std::vector<std::string>{}));
}

TEST_F(FileObject, CarriageReturnsBeforeALineFeedBelongToItsLineEnd) {
    EXPECT_EQ(Lines("a\r\r\nb\r\r\r\nc\r\r"), (std::vector<std::string>{"a", "b", "c", ""}));
    EXPECT_EQ(Lines("a\r\rb\n\r\rc"), (std::vector<std::string>{"a", "", "b", "", "c"}));
    // A run of them longer than the read buffer, then a line feed.
    EXPECT_EQ(Lines("a" + std::string(70000, '\r') + "\nb"), (std::vector<std::string>{"a", "b"}));
}

TEST_F(FileObject, AReadErrorIsNoted) {
    CFTPFile file(access);
    test::WriteWholeFile(dir / "in.txt", "x\n");
    ASSERT_TRUE(file.Open(dir / "in.txt", platform::File::modeRead));
    std::string line;
    while (file.ReadLine(line)) {}
    EXPECT_FALSE(file.ReadFailed());
    ASSERT_TRUE(file.Open(dir.Path().string(), platform::File::modeRead));  // reading a folder fails
    EXPECT_FALSE(file.ReadLine(line));
    EXPECT_TRUE(file.ReadFailed());
    ASSERT_TRUE(file.Open(dir.Path().string(), platform::File::modeRead));
    EXPECT_FALSE(file.ReadFailed());
    char block[8];
    EXPECT_EQ(file.Read(block, sizeof block), 0);
    EXPECT_TRUE(file.ReadFailed());
}

TEST_F(FileObject, LongLinesAndALineEndAcrossTheBufferEdgeReadWhole) {
    const std::string longLine(70000, 'x');
    EXPECT_EQ(Lines(longLine + "\nnext\n"), (std::vector<std::string>{longLine, "next"}));
    const std::string edge(65535, 'y');  // its CR is the last byte of the first buffer fill
    EXPECT_EQ(Lines(edge + "\r\nafter"), (std::vector<std::string>{edge, "after"}));
}

TEST_F(FileObject, PositionFollowsTheLinesReadAndWritesLandThere) {
    test::WriteWholeFile(dir / "f.txt", "ab\r\ncd\r\nef\r\n");
    CFTPFile file(access);
    ASSERT_TRUE(file.Open(dir / "f.txt", platform::File::modeReadWrite));
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(file.GetPosition(), 4);
    EXPECT_EQ(file.Seek(0, CFileString::seekCurrent), 4);
    file.WriteText("XY\n");
    ASSERT_TRUE(file.Close());
    EXPECT_EQ(test::ReadWholeFile(dir / "f.txt"), "ab\r\nXY\r\nef\r\n");
}

TEST_F(FileObject, WriteErrorMakesCloseFail) {
    CFTPFile file(access);
    ASSERT_TRUE(file.Open("/dev/full", platform::File::modeWrite));
    file.WriteText(std::string(100000, 'z'));
    EXPECT_FALSE(file.Close());
}

TEST_F(FileObject, LocalExistRemoveMkdirAndCopy) {
    fs::create_directory(dir / "empty");
    test::WriteWholeFile(dir / "99.bin", std::string(99, 'b'));
    CFTPFile file(access);
    EXPECT_TRUE(file.Exist(dir.Folder() + "empty/"));
    EXPECT_FALSE(file.Exist(dir.Folder() + "missing/"));
    EXPECT_TRUE(file.Exist(dir / "99.bin", 99));
    EXPECT_FALSE(file.Exist(dir / "99.bin", 100));
    EXPECT_EQ(file.Remove(dir / "never-there.txt"), 0);

    EXPECT_EQ(file.mkdir(dir.Folder() + "a/b/c"), 0);
    EXPECT_TRUE(fs::is_directory(dir / "a/b/c"));

    struct stat before {};
    ::stat((dir / "99.bin").c_str(), &before);
    ASSERT_TRUE(file.CopyFile(dir / "99.bin", dir / "a/copy.bin"));
    struct stat after {};
    ::stat((dir / "a/copy.bin").c_str(), &after);
    EXPECT_EQ(after.st_mtime, before.st_mtime);
    EXPECT_FALSE(file.CopyFile(dir / "99.bin", dir / "a/copy.bin", true));
    EXPECT_FALSE(file.ErrorText().empty());

    EXPECT_EQ(file.Rename(dir / "a/copy.bin", dir / "a/moved.bin"), 0);
    EXPECT_EQ(file.Rename(dir / "99.bin", dir / "a/moved.bin"), -1);  // never replaces
}

TEST_F(FileObject, TempNamesAndNumberFiles) {
    CFTPFile file(access);
    std::string path = "C:\\out\\story.htm";
    ASSERT_TRUE(file.MakeTempName(path));
    EXPECT_EQ(path.rfind("C:\\out\\ZZQMTemp", 0), 0u);
    std::string ftp = "ftp://h/out|ed|pw|/story.htm";
    ASSERT_TRUE(file.MakeTempName(ftp));
    EXPECT_EQ(ftp.substr(0, 16), "ftp://h/out/ZZQM");
    EXPECT_EQ(ftp.substr(ftp.size() - 7), "|ed|pw|");
    std::string bad = "ftp://h/out|ed|pw";
    EXPECT_FALSE(file.MakeTempName(bad));

    const int first = file.GetNextNumber(dir.Folder());
    EXPECT_EQ(file.GetNextNumber(dir.Folder()), first + 1);
    EXPECT_EQ(file.GetNextNumberText(dir / "story.htm"), [&] {
        char text[16];
        std::snprintf(text, sizeof text, "%05d", first + 2);
        return std::string(text);
    }());
    test::WriteWholeFile(dir / "ID.dat", std::string("\x9f\x86\x01\x00", 4));  // 99999
    EXPECT_EQ(file.GetNextNumber(dir.Folder()), 99999);
    EXPECT_EQ(file.GetNextNumber(dir.Folder()), 0);
}

// ---------------------------------------------------------------------------
// Against real servers

std::string RandomBytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

template <class Server>
class FtpFileOnServer : public ::testing::Test {
protected:
    std::string Url(const std::string& path) const {
        return "ftp://127.0.0.1:" + std::to_string(server.Port()) + path;
    }
    std::string WithLogon(const std::string& folder, const std::string& rest) const {
        return Url(folder) + "|" + server.User() + "|" + server.Password() + "|" + rest;
    }
    std::string OnServer(const std::string& path) const { return (server.Root() / path).string(); }
    // What a test (running as root) put under the root becomes the FTP user's.
    void HandOver() {
        if constexpr (requires { server.HandRootToUser(); }) server.HandRootToUser();
    }

    Server server;
    test::TempDir dir;
    test::RecordingReporter reporter;
    FileAccess access{reporter, platform::DefaultClock(), FastSettings()};
};

using ServerTypes = ::testing::Types<test::PyFtpServer, test::VsftpdServer, test::PureFtpdServer>;
TYPED_TEST_SUITE(FtpFileOnServer, ServerTypes);

TYPED_TEST(FtpFileOnServer, CredentialsBeforeOrAfterTheSlashAddressTheSameFile) {
    fs::create_directory(this->server.Root() / "in");
    this->HandOver();
    test::WriteWholeFile(this->dir / "a.txt", "first");
    CFTPFile file(this->access);
    ASSERT_TRUE(file.CopyFile(this->dir / "a.txt", this->WithLogon("/in", "/a.txt"))) << file.ErrorText();
    EXPECT_EQ(test::ReadWholeFile(this->OnServer("in/a.txt")), "first");
    test::WriteWholeFile(this->dir / "a.txt", "second!");
    ASSERT_TRUE(file.CopyFile(this->dir / "a.txt", this->WithLogon("/in/", "a.txt"))) << file.ErrorText();
    EXPECT_EQ(test::ReadWholeFile(this->OnServer("in/a.txt")), "second!");

    ASSERT_TRUE(file.CopyFile(this->WithLogon("/in", "/a.txt"), this->dir / "back.txt")) << file.ErrorText();
    EXPECT_EQ(test::ReadWholeFile(this->dir / "back.txt"), "second!");
    EXPECT_EQ(this->access.LoggedOnClientCount(), 1);  // one logon, reused after NOOP
    EXPECT_EQ(this->reporter.AllText().find(this->server.Password()), std::string::npos);
}

TYPED_TEST(FtpFileOnServer, EmptyFilesTravelToo) {
    this->HandOver();
    test::WriteWholeFile(this->dir / "empty.txt", "");
    CFTPFile file(this->access);
    ASSERT_TRUE(file.CopyFile(this->dir / "empty.txt", this->WithLogon("/", "empty.txt"))) << file.ErrorText();
    ASSERT_TRUE(file.CopyFile(this->WithLogon("/", "empty.txt"), this->dir / "back.txt")) << file.ErrorText();
    EXPECT_TRUE(fs::exists(this->dir / "back.txt"));
}

// Names a server may read as more than one LIST argument, an option or a
// pattern: the size checks after each copy must find them, and never a
// neighbour that such a reading names instead.
TYPED_TEST(FtpFileOnServer, NamesWithBlanksDashesAndBracketsTravelBothWaysByteIdentical) {
    fs::create_directory(this->server.Root() / "news");
    // Neighbours that "news 0600.txt" split at its blank and "rundown[2].txt"
    // taken as a pattern would name.
    for (const char* neighbour : {"news", "rundown2.txt"})
        test::WriteWholeFile(this->OnServer(std::string("news/") + neighbour), "decoy");
    this->HandOver();
    const std::string big = RandomBytes(3 * 1024 * 1024 + 11, 6);
    fs::create_directory(this->dir.Path() / "back");
    CFTPFile file(this->access);
    for (const std::string name : {"news 0600.txt", "-draft.txt", "rundown[2].txt"}) {
        // Empty first, then the large file replaces it on both sides.
        for (const std::string& bytes : {std::string(), big}) {
            const std::string what = name + " (" + std::to_string(bytes.size()) + " bytes)";
            test::WriteWholeFile(this->dir / name, bytes);
            ASSERT_TRUE(file.CopyFile(this->dir / name, this->WithLogon("/news/", name)))
                << what << ": " << file.ErrorText() << "\n" << this->reporter.AllText();
            EXPECT_TRUE(test::ReadWholeFile(this->OnServer("news/" + name)) == bytes) << what;
            ASSERT_TRUE(file.CopyFile(this->WithLogon("/news/", name), this->dir / ("back/" + name)))
                << what << ": " << file.ErrorText() << "\n" << this->reporter.AllText();
            EXPECT_TRUE(test::ReadWholeFile(this->dir / ("back/" + name)) == bytes) << what;
        }
    }
    for (const char* neighbour : {"news", "rundown2.txt"})
        EXPECT_EQ(test::ReadWholeFile(this->OnServer(std::string("news/") + neighbour)), "decoy");
}

TYPED_TEST(FtpFileOnServer, BadCredentialFormIsRefusedWithoutShowingThePassword) {
    CFTPFile file(this->access);
    EXPECT_FALSE(file.CopyFile(this->dir / "x.txt", this->Url("/in") + "|" + this->server.User() + "|" +
                                                        this->server.Password()));
    EXPECT_EQ(file.ErrorText().find("Improperly formatted path: "), 0u);
    EXPECT_EQ(file.ErrorText().find(this->server.Password()), std::string::npos);
}

TYPED_TEST(FtpFileOnServer, ExistRemoveMkdirAndRename) {
    fs::create_directory(this->server.Root() / "empty");
    fs::create_directory(this->server.Root() / "full");
    test::WriteWholeFile(this->OnServer("full/99.bin"), std::string(99, 'b'));
    this->HandOver();
    CFTPFile file(this->access);
    file.SetCredentials(this->server.User(), this->server.Password());
    EXPECT_TRUE(file.Exist(this->Url("/full/99.bin"), 99));
    EXPECT_FALSE(file.Exist(this->Url("/full/99.bin"), 100));
    EXPECT_TRUE(file.Exist(this->Url("/full/")));
    EXPECT_FALSE(file.Exist(this->Url("/empty/")));
    EXPECT_EQ(file.ExistState(this->Url("/full/none.txt")), platform::Existence::absent);
    EXPECT_EQ(file.Remove(this->Url("/full/none.txt")), 0);
    EXPECT_EQ(file.Remove(this->Url("/full/99.bin")), 0);
    EXPECT_FALSE(fs::exists(this->server.Root() / "full/99.bin"));

    EXPECT_EQ(file.mkdir(this->Url("/x/y/z")), 0);
    EXPECT_TRUE(fs::is_directory(this->server.Root() / "x/y/z"));

    test::WriteWholeFile(this->OnServer("x/old.txt"), "o");
    this->HandOver();
    EXPECT_EQ(file.Rename(this->Url("/x/old.txt"), this->Url("/x/new.txt")), 0) << file.ErrorText();
    EXPECT_TRUE(fs::exists(this->server.Root() / "x/new.txt"));
}

TYPED_TEST(FtpFileOnServer, OpenDownloadsAndCloseUploadsOnlyWhatWasWritten) {
    test::WriteWholeFile(this->OnServer("page.htm"), "line 1\r\nline 2\r\n");
    this->HandOver();
    CFTPFile file(this->access);
    ASSERT_TRUE(file.Open(this->WithLogon("/", "page.htm"), platform::File::modeRead)) << file.ErrorText();
    std::string line;
    ASSERT_TRUE(file.ReadLine(line));
    EXPECT_EQ(line, "line 1");
    ASSERT_TRUE(file.Close());

    ASSERT_TRUE(file.Open(this->WithLogon("/", "new.htm"), platform::File::modeWrite | platform::File::modeCreate));
    file.WriteText("fresh\n");
    ASSERT_TRUE(file.Close()) << file.ErrorText();
    EXPECT_EQ(test::ReadWholeFile(this->OnServer("new.htm")), "fresh\r\n");
    // No temporary copy stays behind: the folder holds only its owner's lock.
    for (const auto& entry : fs::directory_iterator(this->access.TempFolder()))
        EXPECT_EQ(entry.path().filename(), platform::PrivateTempFolder::kLockName);
}

TEST(FtpFileRename, BetweenTwoServersIsRefusedWithoutContactingEither) {
    test::RecordingReporter reporter;
    FileAccess access(reporter, platform::DefaultClock(), FastSettings());
    CFTPFile file(access);
    EXPECT_EQ(file.Rename("ftp://one.invalid/a.txt", "ftp://two.invalid/a.txt"), -1);
    EXPECT_EQ(access.LoggedOnClientCount(), 0);
}

TEST(FtpFilePool, ClientIsReplacedWhenItsServerWentAway) {
    std::vector<Step> steps = ScriptedFtpServer::LoginSteps();
    steps.push_back(Step::Expect("MKD", "257 made\r\n"));
    steps.push_back(Step::Close());
    steps.push_back(Step::Accept());
    for (const Step& step : ScriptedFtpServer::LoginSteps()) steps.push_back(step);
    steps.push_back(Step::Expect("MKD", "257 made\r\n"));
    ScriptedFtpServer server(steps);
    test::RecordingReporter reporter;
    FileAccess access(reporter, platform::DefaultClock(), FastSettings());
    CFTPFile file(access);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/a|ed|pw|";
    EXPECT_EQ(file.mkdirInternal(url), 0);
    EXPECT_EQ(file.mkdirInternal(url), 0) << file.ErrorText();
    EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
    EXPECT_EQ(access.LoggedOnClientCount(), 1);
    // The count other threads read (the window's) follows the pool.
    EXPECT_EQ(access.OpenConnections(), 1);
    access.CloseAllFtpClients();
    EXPECT_EQ(access.OpenConnections(), 0);
}

// Two upload attempts the server cuts short (or refuses), then what the
// removal of the partial file gets.
std::vector<Step> CutUploads(const char* storReply, std::vector<Step> after) {
    std::vector<Step> steps = ScriptedFtpServer::LoginSteps();
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (attempt > 0) steps.push_back(Step::Expect("NOOP", "200 ok\r\n"));
        steps.push_back(Step::Expect("TYPE I", "200 ok\r\n"));
        steps.push_back(Step::Expect("PASV"));
        steps.push_back(Step::PasvReply());
        steps.push_back(Step::Expect("STOR", storReply));
        if (storReply[0] == '1') {
            steps.push_back(Step::DataReceive());
            steps.push_back(Step::Send("426 Connection closed; transfer aborted\r\n"));
        }
    }
    steps.insert(steps.end(), after.begin(), after.end());
    return steps;
}

TEST(FtpFileUpload, ACutUploadIsRemovedFromTheServer) {
    test::TempDir dir;
    test::WriteWholeFile(dir / "a.txt", std::string(100000, 'a'));
    test::RecordingReporter reporter;
    FileAccess access(reporter, platform::DefaultClock(), FastSettings());
    {
        ScriptedFtpServer server(CutUploads("150 Ok to send data\r\n",
                                            {Step::Expect("NOOP", "200 ok\r\n"), Step::Expect("DELE", "250 gone\r\n")}));
        CFTPFile file(access);
        const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/out/|ed|pw|a.txt";
        EXPECT_FALSE(file.CopyFile(dir / "a.txt", url));
        EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
        EXPECT_EQ(server.ReceivedCommands().back(), "DELE /out/a.txt");
        EXPECT_NE(file.ErrorText().find("The partial file ftp://127.0.0.1:" + std::to_string(server.Port()) +
                                        "/out/a.txt was removed"),
                  std::string::npos)
            << file.ErrorText();
        access.CloseAllFtpClients();
    }
    {
        // A server that refused the upload has no partial file: nothing is deleted.
        ScriptedFtpServer server(CutUploads("553 not allowed\r\n", {}));
        CFTPFile file(access);
        EXPECT_FALSE(file.CopyFile(dir / "a.txt", "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/out/a.txt|ed|pw|"));
        EXPECT_TRUE(server.WaitDone(5s)) << server.Error();
        for (const std::string& command : server.ReceivedCommands()) EXPECT_NE(command.rfind("DELE", 0), 0u);
        access.CloseAllFtpClients();
    }
}

TEST(FtpFileOpen, FailedListingNeverBecomesAnEmptyUpload) {
    ScriptedFtpServer server(
        [] {
            std::vector<Step> steps = ScriptedFtpServer::LoginSteps();
            for (int i = 0; i < 3; ++i) {
                steps.push_back(Step::Expect("TYPE I", "200 ok\r\n"));
                steps.push_back(Step::Expect("PASV", "425 cannot open data connection\r\n"));
            }
            return steps;
        }());
    test::RecordingReporter reporter;
    FileAccess access(reporter, platform::DefaultClock(), FastSettings());
    CFTPFile file(access);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/list.htm|ed|pw|";
    EXPECT_FALSE(file.Open(url, platform::File::modeReadWrite | platform::File::modeCreate | platform::File::modeNoTruncate));
    file.Close();
    for (const std::string& command : server.ReceivedCommands()) EXPECT_EQ(command.rfind("STOR", 0), std::string::npos);
}

}  // namespace
}  // namespace pv
