// A process advancing a rotation list as fast as it can, killed with
// SIGKILL at random moments, round after round: the list is always there,
// always whole - the old list or the new one - with at most one marker,
// right behind a playable entry.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <random>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "rotation/PlayName.h"
#include "rotation/PlayRotationEngine.h"
#include "support/AudioTestSupport.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

// Lines of the list as read, without their line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
        at = end + 1;
    }
    return lines;
}

TEST(RotationKillTrial, AListBeingAdvancedIsAlwaysTheOldOrTheNewList) {
    test::TempDir folder;
    // Long enough that rewriting it is most of what the advancing process does.
    std::vector<std::string> original;
    for (int i = 0; i < 40000; ++i) original.push_back("; filler line " + std::to_string(i) + " of the rotation list");
    for (int i = 0; i < 8; ++i) {
        original.push_back("[spot" + std::to_string(i) + "]");
        test::WriteWholeFile(folder / ("spot" + std::to_string(i) + ".wav"), test::PcmWav(1, 8000, 16, 32));
    }
    std::string text;
    for (const std::string& line : original) text += line + "\r\n";
    const std::string list = folder / "Spots.rpl";
    test::WriteWholeFile(list, text);

    std::mt19937 random(20261209);
    int caughtWriting = 0;
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            CAudioFileHeaderCache headers;
            NullReporter quiet;
            CPlayRotationEngine engine(headers, folder.Folder(), quiet);
            for (;;) {
                PlayChoice choice;
                engine.ResolvePlayName(engine.PlayFolder(), "Spots", choice);
            }
        }
        std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<int>(1000, 60000)(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);

        SCOPED_TRACE("round " + std::to_string(round));
        ASSERT_TRUE(fs::exists(list)) << "the list is gone";
        std::vector<std::string> lines = Lines(test::ReadWholeFile(list));
        // The list as first written (no marker yet), or advanced: one marker,
        // right behind an entry.
        const auto marker = std::find(lines.begin(), lines.end(), rotation::kPlayNextMarker);
        if (marker != lines.end()) {
            ASSERT_NE(marker, lines.begin());
            EXPECT_TRUE((marker - 1)->starts_with("[spot")) << "the marker stands behind an entry";
            lines.erase(marker);
        }
        EXPECT_EQ(std::count(lines.begin(), lines.end(), rotation::kPlayNextMarker), 0);
        EXPECT_TRUE(lines == original) << "the list is not whole";
        caughtWriting += fs::exists(folder / "Spots_$$QM.rpl");
    }
    EXPECT_GT(caughtWriting, 0) << "no kill came while a list was being written";
    RecordProperty("rounds_killed_while_writing", caughtWriting);

    // A later advance takes over what a killed one left.
    CAudioFileHeaderCache headers;
    NullReporter quiet;
    CPlayRotationEngine engine(headers, folder.Folder(), quiet);
    PlayChoice choice;
    ASSERT_TRUE(engine.ResolvePlayName(engine.PlayFolder(), "Spots", choice));
    EXPECT_TRUE(choice.Usable());
    EXPECT_FALSE(fs::exists(folder / "Spots_$$QM.rpl"));
}

}  // namespace
}  // namespace pv
