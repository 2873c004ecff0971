// The built service on faults that would lose, overwrite or expose data:
// credentials kept through every operation on an FTP folder and never shown,
// unique names that never replace a file, a crashed run's lock released.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/AudioTestSupport.h"
#include "support/ChildProcess.h"
#include "support/FtpServers.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

class RelayFaultsRun : public ::testing::Test {
protected:
    std::string Folder(const std::string& name) {
        fs::create_directories(work.Path() / name);
        return work.Folder() + name + "/";
    }
    void Settings(const std::string& extra) {
        fs::create_directories(work.Path() / "Pressvane");
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\nLock Retry Delay Seconds=1\r\n"
                             "[FTP]\r\nSeconds Delay Between FTP Commands=0\r\nDelay After Logon In Seconds=0\r\n" +
                                 extra);
    }
    static void Input(const std::string& path, const std::string& bytes) {
        test::WriteWholeFile(path, bytes);
        fs::last_write_time(path, fs::file_time_type::clock::now() - 1min);
    }
    std::string Run() {
        test::ChildProcess child({PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"},
                                 scratch / "out.txt", {"TEMP=" + temp.Path().string()});
        EXPECT_EQ(child.Wait(120s), 0);
        return test::ReadWholeFile(scratch / "out.txt");
    }
    static std::string Route(int n, const std::string& in, const std::string& out, const std::string& more = "") {
        const std::string k = std::to_string(n);
        return "In" + k + "=" + in + "\r\nOut" + k + "=" + out + "\r\nProcessDatFiles" + k + "=No\r\nScanTwice" + k +
               "=No\r\n" + more;
    }

    test::TempDir work, scratch, temp;
};

// Every place the three credential forms of an output folder are written in:
// the lock, the unique number, the copy, the cart-named conversion, the
// receipt.  Afterwards no file the run wrote shows the password.
TEST_F(RelayFaultsRun, EveryCredentialFormReachesTheServerAsItsUserAndThePasswordIsNeverShown) {
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
        Input(in + "a.txt", "story " + k);
        Input(in + "budget.wav", wav);
    }
    Settings(routes);
    const std::string output = Run();
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

TEST_F(RelayFaultsRun, AUniqueNameNeverReplacesAFileWhenTheCounterWrapsOrIsLost) {
    const std::string in = Folder("in"), out = Folder("out");
    Settings("[MoveFiles]\r\n" + Route(0, in, out, "UniqueFile0=Yes\r\nLockOutputFolders0=Yes\r\n"));
    test::WriteWholeFile(out + "ID.dat", std::string("\x9f\x86\x01\x00", 4));  // 99999: the next wraps to 0
    test::WriteWholeFile(out + "00000b.txt", "an earlier b");
    Input(in + "a.txt", "a");
    Input(in + "b.txt", "b");
    Run();
    EXPECT_EQ(test::ReadWholeFile(out + "99999a.txt"), "a");
    EXPECT_EQ(test::ReadWholeFile(out + "00000b.txt"), "an earlier b");
    EXPECT_EQ(test::ReadWholeFile(out + "00001b.txt"), "b");

    fs::remove(out + "ID.dat");  // lost: numbering starts again at 0
    Input(in + "b.txt", "b again");
    Run();
    EXPECT_EQ(test::ReadWholeFile(out + "00000b.txt"), "an earlier b");
    EXPECT_EQ(test::ReadWholeFile(out + "00001b.txt"), "b");
    EXPECT_EQ(test::ReadWholeFile(out + "00002b.txt"), "b again");
    EXPECT_TRUE(fs::is_empty(in));
}

// A run killed while it held a lock (what the in-flight record then holds,
// written here as the killed run left it): the next start releases that
// lock at once, on a local and on an FTP folder, and delivers.
TEST_F(RelayFaultsRun, TheLockACrashedRunLeftIsReleasedAtTheNextStart) {
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
    Input(in0 + "a.txt", "a");
    std::string output = Run();
    EXPECT_NE(output.find("Removed the lock file this service left in folder " + out), std::string::npos) << output;
    EXPECT_EQ(output.find("Waiting for access to dest folder " + out), std::string::npos) << output;
    EXPECT_EQ(test::ReadWholeFile(out + "a.txt"), "a");
    EXPECT_FALSE(fs::exists(out + "InUse.dat"));
    EXPECT_FALSE(fs::exists(out + "InUse44332211.tmp"));

    test::WriteWholeFile(work / "Pressvane/InFlight.dat", "lock\t08776655\t" + ftpFolder + "\r\n");
    Input(in1 + "b.txt", "b");
    output = Run();
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "drop/b.txt").string()), "b") << output;
    EXPECT_FALSE(fs::exists(server.Root() / "drop/InUse.dat"));
    EXPECT_EQ(test::ReadWholeFile(work / "Pressvane/InFlight.dat"), "");

    // Another writer's lock is not ours to release: it is waited for.
    test::WriteWholeFile(out + "InUse.dat", "\x01\x02\x03\x04");
    test::WriteWholeFile(work / "Pressvane/InFlight.dat", "lock\t44332211\t" + out + "\r\n");
    Settings("[Pressvane]\r\nLock Max Time Out Minutes=0\r\n[MoveFiles]\r\n" +
             Route(0, in0, out, "LockOutputFolders0=Yes\r\n"));
    Input(in0 + "c.txt", "c");
    output = Run();
    EXPECT_EQ(test::ReadWholeFile(out + "InUse.dat"), "\x01\x02\x03\x04");
    EXPECT_TRUE(fs::exists(in0 + "c.txt")) << output;
}

}  // namespace
}  // namespace pv
