#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "support/ChildProcess.h"
#include "support/FtpServers.h"
#include "support/TempDir.h"

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

class RelayRun : public ::testing::Test {
protected:
    std::string Folder(const std::string& name) {
        fs::create_directories(work.Path() / name);
        return work.Folder() + name + "/";
    }
    void Settings(const std::string& extra) {
        fs::create_directories(work.Path() / "Pressvane");
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\n[FTP]\r\nSeconds Delay Between FTP Commands=0\r\n" +
                                 extra);
    }
    void Input(const std::string& folder, const std::string& name, const std::string& bytes) {
        test::WriteWholeFile(folder + name, bytes);
        fs::last_write_time(folder + name, fs::file_time_type::clock::now() - 1min);
    }
    int Run(std::vector<std::string> options = {"Once", "EasyExit", "/M"}) {
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + work.Folder()};
        argv.insert(argv.end(), options.begin(), options.end());
        test::ChildProcess child(argv, scratch / "out.txt");
        return child.Wait(120s);
    }
    std::string Output() const { return test::ReadWholeFile(scratch / "out.txt"); }
    static std::string Ftp(int port, const std::string& path, const std::string& user, const std::string& password) {
        return "ftp://127.0.0.1:" + std::to_string(port) + path + "|" + user + "|" + password + "|";
    }

    test::TempDir work;
    test::TempDir scratch;
};

TEST_F(RelayRun, LocalInputReachesTwoLocalOutputs) {
    const std::string in = Folder("in"), a = Folder("a"), b = Folder("b");
    Settings("[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" + a + ", " + b + "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\n");
    const std::string bytes = Bytes(200000, 1);
    Input(in, "bulletin 0600.txt", bytes);
    ASSERT_EQ(Run(), 0) << Output();
    EXPECT_EQ(test::ReadWholeFile(a + "bulletin 0600.txt"), bytes);
    EXPECT_EQ(test::ReadWholeFile(b + "bulletin 0600.txt"), bytes);
    EXPECT_TRUE(fs::is_empty(in));
    EXPECT_FALSE(fs::exists(a + "InUse.dat"));
}

template <class Server>
class FtpRelayRun : public RelayRun {
protected:
    Server server;
};

using Servers = ::testing::Types<test::PyFtpServer, test::VsftpdServer>;
TYPED_TEST_SUITE(FtpRelayRun, Servers);

TYPED_TEST(FtpRelayRun, LocalToFtpAndBack) {
    auto& server = this->server;
    fs::create_directories(server.Root() / "drop");
    fs::create_directories(server.Root() / "outgoing");
    const std::string bytes = Bytes(300000, 2);
    test::WriteWholeFile((server.Root() / "outgoing/from-server.wav").string(), bytes);
    fs::last_write_time(server.Root() / "outgoing/from-server.wav", fs::file_time_type::clock::now() - 10min);
    if constexpr (std::is_same_v<TypeParam, test::VsftpdServer>) server.HandRootToUser();
    const std::string in = this->Folder("in"), back = this->Folder("back");
    const std::string up = this->Ftp(server.Port(), "/drop", server.User(), server.Password());
    const std::string down = this->Ftp(server.Port(), "/outgoing", server.User(), server.Password());
    this->Settings("[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" + up + "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\n" +
                   "In1=" + down + "\r\nOut1=" + back + "\r\nScanTwice1=No\r\n");
    this->Input(in, "to-server.txt", bytes.substr(0, 12345));
    ASSERT_EQ(this->Run(), 0) << this->Output();
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "drop/to-server.txt").string()), bytes.substr(0, 12345))
        << this->Output();
    EXPECT_EQ(test::ReadWholeFile(back + "from-server.wav"), bytes) << this->Output();
    EXPECT_FALSE(fs::exists(server.Root() / "outgoing/from-server.wav"));
    EXPECT_TRUE(fs::is_empty(in));
    const std::string log = this->Output();
    EXPECT_EQ(log.find(server.Password()), std::string::npos);
    // The sizes the service reports are the ones that arrived.
    EXPECT_NE(log.find("Success: Output FileSize: 12345."), std::string::npos) << log;
    EXPECT_NE(log.find("Success: Output FileSize: 300000."), std::string::npos) << log;
}

TEST_F(RelayRun, ServerStoppedMidPassLosesNothing) {
    const std::string in = Folder("in");
    std::map<std::string, std::string> sent;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "clip" + std::to_string(i) + ".wav";
        sent[name] = Bytes(400000 + static_cast<size_t>(i), static_cast<unsigned>(i));
        Input(in, name, sent[name]);
    }
    std::map<std::string, std::string> delivered;
    auto collect = [&](const fs::path& root) {
        for (const auto& entry : fs::directory_iterator(root / "drop")) {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() == ".tmp") continue;  // a copy cut short, never under a final name
            ASSERT_TRUE(sent.count(name)) << "unexpected file under a final name: " << name;
            if (fs::exists(in + name)) continue;  // still in the input: delivered again later
            EXPECT_EQ(test::ReadWholeFile(entry.path().string()), sent[name]) << name;
            delivered[name] = test::ReadWholeFile(entry.path().string());
        }
    };
    {
        test::PyFtpServer server;
        fs::create_directories(server.Root() / "drop");
        // One second between commands makes the pass slow enough to stop the server in it.
        Settings("[FTP]\r\nSeconds Delay Between FTP Commands=1\r\n[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" +
                 Ftp(server.Port(), "/drop", server.User(), server.Password()) +
                 "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nLockOutputFolders0=No\r\n"
                 "Use-Tmp-Filename-During-Copy0=Yes\r\n");
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"};
        test::ChildProcess child(argv, scratch / "out.txt");
        const auto deadline = std::chrono::steady_clock::now() + 60s;
        while (std::chrono::steady_clock::now() < deadline) {
            int whole = 0;
            for (const auto& entry : fs::directory_iterator(server.Root() / "drop"))
                whole += entry.path().extension() == ".wav";
            if (whole >= 2) break;
            std::this_thread::sleep_for(20ms);
        }
        server.Stop();
        ASSERT_EQ(child.Wait(180s), 0) << Output();
        collect(server.Root());
    }
    ASSERT_LT(delivered.size(), sent.size()) << "the server was stopped too late to test anything";
    for (const auto& [name, bytes] : sent)
        EXPECT_TRUE(delivered.count(name) || test::ReadWholeFile(in + name) == bytes) << name << " was lost";

    test::PyFtpServer again;
    fs::create_directories(again.Root() / "drop");
    Settings("[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" + Ftp(again.Port(), "/drop", again.User(), again.Password()) +
             "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nUse-Tmp-Filename-During-Copy0=Yes\r\n");
    ASSERT_EQ(Run(), 0) << Output();
    collect(again.Root());
    EXPECT_EQ(delivered.size(), sent.size());
    EXPECT_TRUE(fs::is_empty(in));
}

TEST_F(RelayRun, ExistingFreshLockIsWaitedForAndAStaleOneBroken) {
    const std::string in = Folder("in"), out = Folder("out");
    Settings("[Pressvane]\r\nLock Retry Delay Seconds=1\r\nLock Max Time Out Minutes=0\r\n[MoveFiles]\r\nIn0=" + in +
             "\r\nOut0=" + out + "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nLockOutputFolders0=Yes\r\n");
    Input(in, "a.txt", "a");
    test::WriteWholeFile(out + "InUse.dat", "\x01\x02\x03\x04");
    ASSERT_EQ(Run(), 0);
    EXPECT_NE(Output().find("Can't lock dest folder"), std::string::npos);
    EXPECT_TRUE(fs::exists(in + "a.txt"));
    fs::last_write_time(out + "InUse.dat", fs::file_time_type::clock::now() - 2h);
    ASSERT_EQ(Run(), 0);
    EXPECT_NE(Output().find("Lock file is too old"), std::string::npos);
    EXPECT_EQ(test::ReadWholeFile(out + "a.txt"), "a");
    EXPECT_FALSE(fs::exists(out + "InUse.dat"));
}

TEST_F(RelayRun, BatchFilesRunOnlyWhenStartedWithExecute) {
    const std::string in = Folder("in"), out = Folder("out $(x) ;&& 'q'");
    Settings("[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" + out +
             "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nExecuteBatsAfterMove0=Yes\r\n");
    Input(in, "note.bat", "echo \"$0\" > \"$(dirname \"$0\")/ran.txt\"\n");
    ASSERT_EQ(Run(), 0);
    EXPECT_TRUE(fs::exists(out + "note.bat"));  // not started with Execute
    Input(in, "note.bat", "echo \"$0\" > \"$(dirname \"$0\")/ran.txt\"\n");
    ASSERT_EQ(Run({"Once", "EasyExit", "/M", "Execute"}), 0);
    EXPECT_EQ(test::ReadWholeFile(out + "ran.txt"), out + "note.bat\n");
    EXPECT_FALSE(fs::exists(out + "note.bat"));
}

}  // namespace
}  // namespace pv
