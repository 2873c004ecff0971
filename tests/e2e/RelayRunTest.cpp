#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "support/AudioTestSupport.h"
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
        test::ChildProcess child(argv, scratch / "out.txt", {"TEMP=" + temp.Path().string()});
        return child.Wait(120s);
    }
    // Route n, relaying everything at once.
    static std::string Route(int n, const std::string& in, const std::string& out, const std::string& more = "") {
        const std::string k = std::to_string(n);
        return "In" + k + "=" + in + "\r\nOut" + k + "=" + out + "\r\nProcessDatFiles" + k + "=No\r\nScanTwice" + k +
               "=No\r\n" + more;
    }
    std::string Output() const { return test::ReadWholeFile(scratch / "out.txt"); }
    static std::string Ftp(int port, const std::string& path, const std::string& user, const std::string& password) {
        return "ftp://127.0.0.1:" + std::to_string(port) + path + "|" + user + "|" + password + "|";
    }

    test::TempDir work;
    test::TempDir scratch;
    test::TempDir temp;  // the service's $TEMP
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

// pure-ftpd reads LIST's argument as ls reads a command line: names with a
// blank show that the client finds them all the same.
using Servers = ::testing::Types<test::PyFtpServer, test::VsftpdServer, test::PureFtpdServer>;
TYPED_TEST_SUITE(FtpRelayRun, Servers);

TYPED_TEST(FtpRelayRun, LocalToFtpAndBack) {
    auto& server = this->server;
    fs::create_directories(server.Root() / "drop");
    fs::create_directories(server.Root() / "outgoing");
    const std::string bytes = Bytes(300000, 2);
    test::WriteWholeFile((server.Root() / "outgoing/from server.wav").string(), bytes);
    fs::last_write_time(server.Root() / "outgoing/from server.wav", fs::file_time_type::clock::now() - 10min);
    if constexpr (!std::is_same_v<TypeParam, test::PyFtpServer>) server.HandRootToUser();
    const std::string in = this->Folder("in"), back = this->Folder("back");
    const std::string up = this->Ftp(server.Port(), "/drop", server.User(), server.Password());
    const std::string down = this->Ftp(server.Port(), "/outgoing", server.User(), server.Password());
    this->Settings("[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" + up + "\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\n" +
                   "In1=" + down + "\r\nOut1=" + back + "\r\nScanTwice1=No\r\n");
    this->Input(in, "to server.txt", bytes.substr(0, 12345));
    ASSERT_EQ(this->Run(), 0) << this->Output();
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "drop/to server.txt").string()), bytes.substr(0, 12345))
        << this->Output();
    EXPECT_EQ(test::ReadWholeFile(back + "from server.wav"), bytes) << this->Output();
    EXPECT_FALSE(fs::exists(server.Root() / "outgoing/from server.wav"));
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
        // One second between commands makes the pass slow enough to stop the server in it.  (Written
        // whole: a second [FTP] section after the fixture's would not be read.)
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\n[FTP]\r\nSeconds Delay Between FTP Commands=1\r\n"
                             "[MoveFiles]\r\nIn0=" + in + "\r\nOut0=" +
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

TEST_F(RelayRun, AnOutputFolderMissingAtTheCopyIsMadeFirst) {
    const std::string in = Folder("in"), out = work.Folder() + "not/yet/";
    Settings("[MoveFiles]\r\n" + Route(0, in, out, "LockOutputFolders0=Yes\r\n"));
    Input(in, "a.txt", "a");
    ASSERT_EQ(Run({"Once", "EasyExit", "/M", "DontMakeDirs"}), 0);
    EXPECT_EQ(test::ReadWholeFile(out + "a.txt"), "a") << Output();
    EXPECT_EQ(Output().find("Can't create lock file"), std::string::npos);
}

TEST_F(RelayRun, TracedOperationsAreIndentedByTheirNesting) {
    const std::string in = Folder("in"), out = Folder("out"), traces = Folder("trace");
    Settings("[Pressvane]\r\nTraceLogFilename=" + traces + "run.log\r\nTraceLogFtpFile=Yes\r\n[MoveFiles]\r\n" +
             Route(0, in, out, "LockOutputFolders0=Yes\r\n"));
    Input(in, "a.txt", "a");
    ASSERT_EQ(Run(), 0);
    std::string trace;
    for (const auto& entry : fs::directory_iterator(traces)) trace += test::ReadWholeFile(entry.path().string());
    // Each line: "HH:MM:SS: <indent><name>".
    const auto indentOf = [&trace](const std::string& name) -> std::string {
        const size_t at = trace.find(name);
        if (at == std::string::npos) return "<missing " + name + ">";
        const size_t lineStart = trace.rfind('\n', at) + 1;
        const size_t stampEnd = trace.find(": ", lineStart) + 2;
        return trace.substr(stampEnd, at - stampEnd);
    };
    EXPECT_EQ(indentOf("CPressvaneDlg::LockDir - Lock directory starting."), "") << trace;
    EXPECT_EQ(indentOf("CPressvaneDlg::CheckDirLock - Check for locked directory starting."), "    ") << trace;
    EXPECT_EQ(indentOf("CPressvaneDlg::UnLockDir - Unlock directory starting."), "") << trace;
    EXPECT_EQ(indentOf("CFTPFile::Remove - Removing file " + out + "InUse.dat starting."), "    ") << trace;
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

// Every place the three credential forms of an output folder are written in:
// the lock, the unique number, the copy, the cart-named conversion, the
// receipt.  Afterwards no file the run wrote shows the password.
TEST_F(RelayRun, EveryCredentialFormReachesTheServerAsItsUserAndThePasswordIsNeverShown) {
    test::PyFtpServer server;
    const std::string base = "ftp://127.0.0.1:" + std::to_string(server.Port());
    const std::string logon = "|" + server.User() + "|" + server.Password() + "|";
    const std::vector<std::string> forms = {base + "/o0" + logon, base + "/o1/" + logon, base + "/o2" + logon + "/"};
    std::string routes = "[Cart chunk]\r\nconvert-cart-to-chunk=Yes\r\nTargetName-from-CART=CUTID\r\n[MoveFiles]\r\n";
    std::string cart(2048, '\0');
    cart.replace(0, 4, "0101");
    cart.replace(132, 6, "CUT123");
    const std::string wav = test::PcmWav(1, 22050, 16, 22050 * 2, test::Chunk("cart", cart));
    for (size_t n = 0; n < forms.size(); ++n) {
        fs::create_directories(server.Root() / ("o" + std::to_string(n)));
        const std::string in = Folder("in" + std::to_string(n));
        const std::string k = std::to_string(n);
        routes += Route(static_cast<int>(n), in, forms[n],
                        "LockOutputFolders" + k + "=Yes\r\nUniqueFile" + k + "=Yes\r\nSendReceiptViaPinwell" + k +
                            "=Yes\r\nAudioFormat" + k + "=85\r\nAudioBitrate" + k + "=64000\r\n");
        Input(in, "a.txt", "story " + k);
        Input(in, "budget.wav", wav);
    }
    Settings("[Pressvane]\r\nLock Retry Delay Seconds=1\r\n[FTP]\r\nDelay After Logon In Seconds=0\r\n" + routes);
    ASSERT_EQ(Run(), 0);
    const std::string output = Output();
    for (size_t n = 0; n < forms.size(); ++n) {
        const fs::path out = server.Root() / ("o" + std::to_string(n));
        EXPECT_TRUE(fs::exists(out / "ID.dat")) << forms[n] << "\n" << output;
        EXPECT_FALSE(fs::exists(out / "InUse.dat")) << forms[n];
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(out)) {
            std::string name = entry.path().filename().string();
            if (name.size() == 10 && name.ends_with("a.txt")) {
                EXPECT_EQ(test::ReadWholeFile(entry.path().string()), "story " + std::to_string(n));
                name = "NNNNNa.txt";  // numbered from the folder's counter
            }
            names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"CUT123.mp3", "ID.dat", "NNNNNa.txt"})) << forms[n] << "\n" << output;
        EXPECT_TRUE(fs::is_empty(work.Path() / ("in" + std::to_string(n)))) << forms[n];
    }
    EXPECT_NE(output.find("Changing Output filename from " + base + "/o1/"), std::string::npos) << output;
    // A receipt for every delivery, with the size the server has.
    std::string receipts;
    for (const auto& entry : fs::directory_iterator(work.Path() / "PINWELL"))
        receipts += test::ReadWholeFile(entry.path().string());
    size_t cutReceipts = 0;
    for (size_t at = 0; (at = receipts.find("Received CUT123.mp3\r\nFile Size: ", at)) != std::string::npos; ++at)
        ++cutReceipts;
    EXPECT_EQ(cutReceipts, forms.size()) << receipts;
    EXPECT_EQ(receipts.find("File Size: 0\r\n"), std::string::npos) << receipts;
    EXPECT_EQ(server.Log().find("USER \r"), std::string::npos);  // no logon without a user

    // Status lines, logs, receipts, messages, debug and temporary files: none
    // may hold the password (the settings file is where it is kept).
    std::vector<fs::path> written{scratch / "out.txt"};
    for (const fs::path& root : {work.Path(), temp.Path()})
        for (const auto& entry : fs::recursive_directory_iterator(root))
            if (entry.is_regular_file() && entry.path().filename() != "Pressvane.ini") written.push_back(entry.path());
    EXPECT_GT(written.size(), 3u);
    for (const fs::path& file : written)
        EXPECT_EQ(test::ReadWholeFile(file.string()).find(server.Password()), std::string::npos) << file;
}

// The operator reads why an FTP output failed, not only that it did.
TEST_F(RelayRun, AnFtpOutputThatCannotBeReachedSaysWhy) {
    test::PyFtpServer server;
    fs::create_directories(server.Root() / "drop");
    const int closedPort = [] {
        test::PyFtpServer gone;
        const int port = gone.Port();
        gone.Stop();
        return port;
    }();
    const std::string in0 = Folder("in0"), in1 = Folder("in1");
    Settings("[FTP]\r\nDelay After Logon In Seconds=0\r\n[MoveFiles]\r\n" +
             Route(0, in0, "ftp://127.0.0.1:" + std::to_string(closedPort) + "/drop/|editor|s3cret|",
                   "LockOutputFolders0=Yes\r\n") +
             Route(1, in1, Ftp(server.Port(), "/drop", server.User(), "wrong-password"),
                   "LockOutputFolders1=Yes\r\n"));
    Input(in0, "a.txt", "a");
    Input(in1, "b.txt", "b");
    ASSERT_EQ(Run(), 0);
    const std::string output = Output();
    EXPECT_NE(output.find("Its lock file could not be checked."), std::string::npos) << output;
    EXPECT_NE(output.find("Connection refused"), std::string::npos) << output;
    EXPECT_NE(output.find("the server refused the logon: 530"), std::string::npos) << output;
    EXPECT_TRUE(fs::exists(in0 + "a.txt"));
    EXPECT_TRUE(fs::exists(in1 + "b.txt"));
}

TEST_F(RelayRun, AUniqueNameNeverReplacesAFileWhenTheCounterWrapsOrIsLost) {
    const std::string in = Folder("in"), out = Folder("out");
    Settings("[MoveFiles]\r\n" + Route(0, in, out, "UniqueFile0=Yes\r\nLockOutputFolders0=Yes\r\n"));
    test::WriteWholeFile(out + "ID.dat", std::string("\x9f\x86\x01\x00", 4));  // 99999: the next wraps to 0
    test::WriteWholeFile(out + "00000b.txt", "an earlier b");
    Input(in, "a.txt", "a");
    Input(in, "b.txt", "b");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(test::ReadWholeFile(out + "99999a.txt"), "a");
    EXPECT_EQ(test::ReadWholeFile(out + "00000b.txt"), "an earlier b");
    EXPECT_EQ(test::ReadWholeFile(out + "00001b.txt"), "b");

    fs::remove(out + "ID.dat");  // lost: numbering starts again at 0
    Input(in, "b.txt", "b again");
    ASSERT_EQ(Run(), 0);
    EXPECT_EQ(test::ReadWholeFile(out + "00000b.txt"), "an earlier b");
    EXPECT_EQ(test::ReadWholeFile(out + "00001b.txt"), "b");
    EXPECT_EQ(test::ReadWholeFile(out + "00002b.txt"), "b again");
    EXPECT_TRUE(fs::is_empty(in));
}

// A run killed while it held a lock (what the in-flight record then holds,
// written here as the killed run left it): the next start releases that
// lock at once, on a local and on an FTP folder, and delivers.
TEST_F(RelayRun, TheLockACrashedRunLeftIsReleasedAtTheNextStart) {
    test::PyFtpServer server;
    fs::create_directories(server.Root() / "drop");
    const std::string in0 = Folder("in0"), in1 = Folder("in1"), out = Folder("out");
    const std::string ftpFolder = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/drop/";
    Settings("[MoveFiles]\r\n" + Route(0, in0, out, "LockOutputFolders0=Yes\r\n") +
             Route(1, in1, ftpFolder + "|" + server.User() + "|" + server.Password() + "|", "LockOutputFolders1=Yes\r\n"));
    const std::string ownerId = "\x11\x22\x33\x44";  // 0x44332211, little endian
    test::WriteWholeFile(out + "InUse.dat", ownerId);
    test::WriteWholeFile(out + "InUse44332211.tmp", ownerId);
    test::WriteWholeFile((server.Root() / "drop/InUse.dat").string(), "\x55\x66\x77\x08");
    // The record names the local folder; a second start finds the FTP one.
    test::WriteWholeFile(work / "Pressvane/InFlight.dat", "lock\t44332211\t" + out + "\r\n");
    Input(in0, "a.txt", "a");
    ASSERT_EQ(Run(), 0);
    std::string output = Output();
    EXPECT_NE(output.find("Removed the lock file this service left in folder " + out), std::string::npos) << output;
    EXPECT_EQ(output.find("Waiting for access to dest folder " + out), std::string::npos) << output;
    EXPECT_EQ(test::ReadWholeFile(out + "a.txt"), "a");
    EXPECT_FALSE(fs::exists(out + "InUse.dat"));
    EXPECT_FALSE(fs::exists(out + "InUse44332211.tmp"));

    test::WriteWholeFile(work / "Pressvane/InFlight.dat", "lock\t08776655\t" + ftpFolder + "\r\n");
    Input(in1, "b.txt", "b");
    ASSERT_EQ(Run(), 0);
    output = Output();
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "drop/b.txt").string()), "b") << output;
    EXPECT_FALSE(fs::exists(server.Root() / "drop/InUse.dat"));
    EXPECT_EQ(test::ReadWholeFile(work / "Pressvane/InFlight.dat"), "");

    // Another writer's lock is not ours to release: it is waited for.
    test::WriteWholeFile(out + "InUse.dat", "\x01\x02\x03\x04");
    test::WriteWholeFile(work / "Pressvane/InFlight.dat", "lock\t44332211\t" + out + "\r\n");
    Settings("[Pressvane]\r\nLock Max Time Out Minutes=0\r\nLock Retry Delay Seconds=1\r\n[MoveFiles]\r\n" +
             Route(0, in0, out, "LockOutputFolders0=Yes\r\n"));
    Input(in0, "c.txt", "c");
    ASSERT_EQ(Run(), 0);
    output = Output();
    EXPECT_EQ(test::ReadWholeFile(out + "InUse.dat"), "\x01\x02\x03\x04");
    EXPECT_TRUE(fs::exists(in0 + "c.txt")) << output;
}

}  // namespace
}  // namespace pv
