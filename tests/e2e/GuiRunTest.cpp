#include <gtest/gtest.h>

#include <filesystem>

#include "support/ChildProcess.h"
#include "support/TempDir.h"

#ifdef PRESSVANE_GUI_BIN

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The window front end, run as a newsroom would on a display (here the
// offscreen one): one pass relays the file, then the window ends by itself
// and the program exits 0.
TEST(GuiRun, OncePassRelaysAndTheWindowEndsByItself) {
    test::TempDir work;
    test::TempDir scratch;
    fs::create_directories(work.Path() / "Pressvane");
    fs::create_directories(work.Path() / "in");
    test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                         "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\n[MoveFiles]\r\nIn0=" + work.Folder() + "in/\r\nOut0=" +
                             work.Folder() + "out/\r\nScanTwice0=No\r\nProcessDatFiles0=No\r\n");
    test::WriteWholeFile(work / "in/bulletin.txt", "the news");
    fs::last_write_time(work / "in/bulletin.txt", fs::file_time_type::clock::now() - 1min);

    test::ChildProcess child({PRESSVANE_GUI_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"},
                             scratch / "out.txt", {"QT_QPA_PLATFORM=offscreen"});
    ASSERT_EQ(child.Wait(60s), 0) << test::ReadWholeFile(scratch / "out.txt");
    EXPECT_EQ(test::ReadWholeFile(work / "out/bulletin.txt"), "the news");
    EXPECT_FALSE(fs::exists(work / "in/bulletin.txt"));
    std::string log;
    for (const auto& entry : fs::directory_iterator(work / "Pressvane/INLOG")) log += test::ReadWholeFile(entry.path());
    EXPECT_NE(log.find("Success: Output FileSize: 8."), std::string::npos) << log;
}

}  // namespace
}  // namespace pv

#endif
