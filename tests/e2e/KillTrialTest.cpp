// The service killed with SIGKILL at random moments while it relays a mix of
// small and large files, then started again, over many rounds.  At every
// moment a file under its final name in an output is whole; in the end every
// file is in every output exactly once, the input is empty, and nothing the
// killed runs had under way is left: no lock, no lock candidate, no hidden
// copy, no temporary folder, and no restart ever waited for its own lock.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <map>
#include <random>
#include <thread>

#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "transport/FileNames.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string Content(size_t size, uint64_t seed) {
    std::string bytes(size, '\0');
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    for (size_t i = 0; i < size; ++i) {
        if (i % 8 == 0) state = state * 6364136223846793005ull + 1442695040888963407ull;
        bytes[i] = static_cast<char>(state >> (8 * (i % 8)));
    }
    return bytes;
}

bool IsBookkeeping(const std::string& name) {
    return name == "InUse.dat" || name == "ID.dat" || (name.starts_with("InUse") && name.ends_with(".tmp")) ||
           IsHiddenCopyName(name);
}

class KillTrial : public ::testing::Test {
protected:
    KillTrial() {
        for (const char* folder : {"Pressvane", "in", "out1", "out2"}) fs::create_directories(work.Path() / folder);
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\nLock Retry Delay Seconds=1\r\n"
                             "Lock Max Time Out Minutes=1\r\n[MoveFiles]\r\nIn0=" + work.Folder() + "in/\r\nOut0=" +
                                 work.Folder() + "out1/, " + work.Folder() +
                                 "out2/\r\nProcessDatFiles0=No\r\nScanTwice0=No\r\nLockOutputFolders0=Yes\r\n"
                                 "AudioFormat0=0\r\n");
    }
    void AddFiles(int round) {
        static const size_t sizes[] = {0,    1000,   70000, 700000, 3000000, 1000, 6000000, 70000,
                                       1000, 300000, 1000,  70000,  2000000, 1000, 70000,   1000};
        for (size_t i = 0; i < std::size(sizes); ++i) {
            const std::string name = "r" + std::to_string(round) + "-" + std::to_string(i) + ".bin";
            sent[name] = Content(sizes[i], static_cast<uint64_t>(round * 100 + i));
            test::WriteWholeFile(work / ("in/" + name), sent[name]);
            fs::last_write_time(work / ("in/" + name), fs::file_time_type::clock::now() - 1min);
        }
    }
    // Every file under a final name in an output is whole; returns how many there are.
    size_t CheckOutputs(const std::string& when) {
        size_t count = 0;
        for (const char* out : {"out1", "out2"}) {
            for (const auto& entry : fs::directory_iterator(work.Path() / out)) {
                const std::string name = entry.path().filename().string();
                if (IsBookkeeping(name)) continue;
                ++count;
                const auto original = sent.find(name);
                EXPECT_NE(original, sent.end()) << when << ": unexpected file " << out << "/" << name;
                if (original != sent.end()) {
                    EXPECT_TRUE(test::ReadWholeFile(entry.path().string()) == original->second)
                        << when << ": " << out << "/" << name << " is not whole";
                }
            }
        }
        return count;
    }
    std::vector<std::string> Argv(bool once) const {
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + work.Folder(), "EasyExit", "/M"};
        if (once) argv.push_back("Once");
        return argv;
    }
    std::vector<std::string> Environment() const { return {"TEMP=" + temp.Path().string()}; }

    test::TempDir work, scratch, temp;
    std::map<std::string, std::string> sent;
};

TEST_F(KillTrial, NothingIsLostDuplicatedOrLeftHalfAndNoRestartStalls) {
    std::mt19937 random(20261210);
    constexpr int kRounds = 25;
    int killedWithWorkLeft = 0;
    for (int round = 0; round < kRounds; ++round) {
        AddFiles(round);
        const std::string log = (scratch.Path() / ("run" + std::to_string(round) + ".txt")).string();
        {
            // Killed at a random moment of the pass: once it has begun copying.
            test::ChildProcess child(Argv(false), log, Environment());
            const auto limit = std::chrono::steady_clock::now() + 20s;
            while (test::ReadWholeFile(log).find("Copying") == std::string::npos &&
                   std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(200us);
            std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(0, 15000)(random)));
            child.Signal(SIGKILL);
            child.Wait(10s);
        }
        killedWithWorkLeft += !fs::is_empty(work.Path() / "in");
        CheckOutputs("after kill " + std::to_string(round));
        EXPECT_EQ(test::ReadWholeFile(log).find("Waiting for access"), std::string::npos) << "round " << round;
    }
    EXPECT_GT(killedWithWorkLeft, kRounds / 4) << "the kills came too late to interrupt anything";

    const std::string last = (scratch.Path() / "last.txt").string();
    test::ChildProcess finish(Argv(true), last, Environment());
    ASSERT_EQ(finish.Wait(300s), 0) << test::ReadWholeFile(last);
    const std::string output = test::ReadWholeFile(last);
    EXPECT_EQ(output.find("Waiting for access"), std::string::npos) << output;

    EXPECT_TRUE(fs::is_empty(work.Path() / "in"));
    EXPECT_EQ(CheckOutputs("at the end"), 2 * sent.size());
    for (const char* out : {"out1", "out2"})
        for (const auto& entry : fs::directory_iterator(work.Path() / out))
            EXPECT_FALSE(IsBookkeeping(entry.path().filename().string()) &&
                         entry.path().filename() != "ID.dat")
                << "left behind: " << out << "/" << entry.path().filename();
    EXPECT_TRUE(fs::is_empty(temp.Path())) << "temporary folders left behind";
    EXPECT_EQ(test::ReadWholeFile(work / "Pressvane/InFlight.dat"), "");
}

}  // namespace
}  // namespace pv
