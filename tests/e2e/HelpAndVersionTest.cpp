#include <gtest/gtest.h>

#include <filesystem>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::vector<std::string> Programs() {
    std::vector<std::string> programs{PRESSVANE_BIN};
#ifdef PRESSVANE_GUI_BIN
    programs.emplace_back(PRESSVANE_GUI_BIN);
#endif
    return programs;
}

bool IsEmpty(const fs::path& folder) { return fs::is_empty(folder); }

// Tried as a new user would, in an empty folder: the usage or the version,
// exit 0, and nothing made - no settings, no folders, no instance lock, not
// even where "/PATH=" points.  The window front end answers without a display.
TEST(HelpAndVersion, AnswerAndTouchNothing) {
    const struct {
        std::vector<std::string> args;
        const char* shows;
    } cases[] = {
        {{"--help"}, "Usage: "},
        {{"-h"}, "Usage: "},
        {{"--version"}, "Version 12.021"},
        {{"Once", "EasyExit", "--help"}, "Usage: "},
        {{"/PATH=elsewhere/", "--version"}, "Version 12.021"},
    };
    for (const std::string& program : Programs()) {
        for (const auto& c : cases) {
            test::TempDir folder;
            test::TempDir runtime;
            test::TempDir scratch;
            std::vector<std::string> argv{program};
            argv.insert(argv.end(), c.args.begin(), c.args.end());
            test::ChildProcess child(argv, scratch / "out.txt",
                                     {"PRESSVANE_RUNTIME_DIR=" + runtime.Path().string(),
                                      "TEMP=" + runtime.Path().string(), "QT_QPA_PLATFORM=xcb", "DISPLAY=:97"},
                                     folder.Folder());
            const std::string label = program + " " + c.args.back();
            ASSERT_EQ(child.Wait(30s), 0) << label;
            const std::string output = test::ReadWholeFile(scratch / "out.txt");
            EXPECT_NE(output.find(c.shows), std::string::npos) << label << ":\n" << output;
            EXPECT_TRUE(IsEmpty(folder.Path())) << label;
            EXPECT_TRUE(IsEmpty(runtime.Path())) << label;
        }
    }
}

TEST(HelpAndVersion, TheUsageSaysWhereTheSettingsAreAndWhatTheSignalsDo) {
    test::TempDir scratch;
    test::ChildProcess child({PRESSVANE_BIN, "--help"}, scratch / "out.txt");
    ASSERT_EQ(child.Wait(30s), 0);
    const std::string usage = test::ReadWholeFile(scratch / "out.txt");
    EXPECT_TRUE(usage.starts_with("Usage: pressvane [/PATH=FOLDER | /PEXE] [WORD]...\n")) << usage;
    for (const char* text : {"Pressvane/Pressvane.ini", "SIGTERM, SIGINT   finish the file in hand, then exit 0",
                             "SIGUSR1           pause or resume the monitor", "Once, /X", "AllowMultipleInstances, /M"})
        EXPECT_NE(usage.find(text), std::string::npos) << text;
}

}  // namespace
}  // namespace pv
