// The built service against pure-ftpd, a server that reads LIST's argument as
// ls reads a command line (a blank splits it).
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/ChildProcess.h"
#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FtpClient.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Bytes(size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator());
    return bytes;
}

std::string FilesText(const fs::path& folder) {
    std::string text;
    if (!fs::is_directory(folder)) return text;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) text += test::ReadWholeFile(entry.path().string());
    return text;
}

class PureFtpdRun : public ::testing::Test {
protected:
    std::string Folder(const std::string& name) {
        fs::create_directories(work.Path() / name);
        return work.Folder() + name + "/";
    }
    std::string Ftp(const std::string& folder) const {
        return "ftp://127.0.0.1:" + std::to_string(server.Port()) + folder + "|" + server.User() + "|" +
               server.Password() + "|";
    }
    int Run() {
        test::ChildProcess child({PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"},
                                 scratch / "out.txt", {"TEMP=" + temp.Path().string()});
        return child.Wait(120s);
    }
    std::string Output() const { return test::ReadWholeFile(scratch / "out.txt"); }

    test::PureFtpdServer server;
    test::TempDir work;
    test::TempDir scratch;
    test::TempDir temp;  // the service's $TEMP
};

TEST_F(PureFtpdRun, FilesWhoseNamesHoldABlankRelayToTheServerAndBack) {
    fs::create_directories(server.Root() / "drop");
    fs::create_directories(server.Root() / "outgoing");
    const std::string bulletin = Bytes(12345, 5);
    const std::string audio = Bytes(300000, 6);
    const fs::path fromServer = server.Root() / "outgoing/from server.wav";
    test::WriteWholeFile(fromServer.string(), audio);
    fs::last_write_time(fromServer, fs::file_time_type::clock::now() - 10min);
    server.HandRootToUser();

    const std::string in = Folder("in"), back = Folder("back");
    fs::create_directories(work.Path() / "Pressvane");
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                         "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\n[FTP]\r\nSeconds Delay Between FTP Commands=0\r\n"
                         "[MoveFiles]\r\n"
                         "In0=" + in + "\r\nOut0=" + Ftp("/drop") + "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\n"
                         "In1=" + Ftp("/outgoing") + "\r\nOut1=" + back + "\r\nScanTwice1=No\r\n");
    test::WriteWholeFile(in + "bulletin 0600.txt", bulletin);
    fs::last_write_time(in + "bulletin 0600.txt", fs::file_time_type::clock::now() - 1min);

    ASSERT_EQ(Run(), 0) << Output();
    const std::string output = Output();
    EXPECT_TRUE(test::ReadWholeFile((server.Root() / "drop/bulletin 0600.txt").string()) == bulletin)
        << output << server.Log();
    EXPECT_TRUE(test::ReadWholeFile(back + "from server.wav") == audio) << output << server.Log();
    EXPECT_TRUE(fs::is_empty(in)) << output;
    EXPECT_FALSE(fs::exists(fromServer)) << output;
    EXPECT_NE(output.find("Success: Output FileSize: 12345."), std::string::npos) << output;
    EXPECT_NE(output.find("Success: Output FileSize: 300000."), std::string::npos) << output;
    EXPECT_EQ(output.find(server.Password()), std::string::npos);
    EXPECT_EQ(FilesText(work.Path() / "Pressvane/INLOG").find(server.Password()), std::string::npos);
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
        CFtpClient client(reporter, settings);
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
}  // namespace pv
