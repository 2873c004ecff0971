#include <gtest/gtest.h>

#include <cstdio>

#include "app/ConsolePrinter.h"
#include "app/PressvaneDlg.h"
#include "notify/TimeStamp.h"
#include "platform/FileSystem.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace pv {
namespace {

std::string ReadBack(std::FILE* file) {
    std::rewind(file);
    std::string text;
    for (int c; (c = std::fgetc(file)) != EOF;) text += static_cast<char>(c);
    return text;
}

std::string WithoutCarriageReturns(std::string text) {
    std::erase(text, '\r');
    return text;
}

// The status board and the console are two views of one service: both show
// every status line, in the order reported, the console with "\n" line ends.
TEST(ServiceViews, TheConsoleAndTheStatusBoardShowTheSameLines) {
    test::TempDir dir;
    test::FakeClock clock{std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(2026, 12, 9, 14, 37, 5))};
    StartupOptions options;
    options.workingFolder = dir.Folder();
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ConsolePrinter console(out);
    CPressvaneDlg service(options, clock);
    service.AddObserver(console);

    Reporter& reporter = service.GetReporter();
    reporter.Report(PassStarted{});
    reporter.Report(FileFound{"in/", "in/story.txt", "story.txt", 11, 0});
    reporter.Report(FatalError{"Improperly formatted path: ftp://h/x Should be PATH|ID|PASSWORD|."});
    reporter.Status("Waiting for access to dest folder out/", true);
    const std::string stamp = "02:37:05 PM  12/09/2026  ";
    EXPECT_EQ(ReadBack(out), stamp + "Checking.\n" + stamp + "Copying in/story.txt FileSize: 11.\n" + stamp +
                                 "\nFATAL ERROR!!!\nImproperly formatted path: ftp://h/x Should be PATH|ID|PASSWORD|.\n\n" +
                                 stamp + "Waiting for access to dest folder out/\n");
    EXPECT_EQ(WithoutCarriageReturns(service.Status().DisplayText()), ReadBack(out));

    // A console that goes away first is taken off the service's views.
    service.RemoveObserver(console);
    reporter.Status("board only", false);
    EXPECT_EQ(ReadBack(out).find("board only"), std::string::npos);
    EXPECT_NE(service.Status().DisplayText().find("board only"), std::string::npos);
    std::fclose(out);
}

// Under systemd every line the journal takes on its own starts with its
// syslog priority: fatal errors "err", failed outputs "warning".
TEST(ServiceViews, TheConsoleGivesTheJournalEachLinesPriority) {
    const std::string stamp = StatusTimeStamp(0);
    const struct {
        ProgressEvent event;
        std::string printed;
    } cases[] = {
        {FatalError{"Improperly formatted path."},
         "<3>" + stamp + "\n<3>FATAL ERROR!!!\n<3>Improperly formatted path.\n<3>\n"},
        {OutputFailed{OutputStep::makeFolder, "out/", "denied", "a.txt", ""},
         "<4>" + stamp + "Unable to make the output folder out/. denied\n"},
        {FileFound{"in/", "in/a.txt", "a.txt", 5, 0}, "<6>" + stamp + "Copying in/a.txt FileSize: 5.\n"},
        {StatusNote{"two\nlines"}, "<6>" + stamp + "two\n<6>lines\n"},
    };
    for (const auto& c : cases) {
        std::FILE* out = std::tmpfile();
        ASSERT_NE(out, nullptr);
        ConsolePrinter journal(out, true);
        journal.OnProgress(c.event, StatusPrinter().Print(c.event, 0));
        EXPECT_EQ(ReadBack(out), c.printed);
        std::fclose(out);
    }
    std::FILE* out = std::tmpfile();
    ASSERT_NE(out, nullptr);
    ConsolePrinter terminal(out);
    terminal.OnProgress(FatalError{"x"}, StatusPrinter().Print(FatalError{"x"}, 0));
    EXPECT_EQ(ReadBack(out).find('<'), std::string::npos) << "a terminal gets no priorities";
    std::fclose(out);
}

// The window's minimise-to-tray box is written back as "Yes" or "No", and
// the rest of the settings file stays as it was.
TEST(ServiceViews, TheMinimiseToTrayChoiceIsWrittenBack) {
    test::TempDir dir;
    platform::MakeDirs(dir / "Pressvane");
    const std::string settings = dir / "Pressvane/Pressvane.ini";
    test::WriteWholeFile(settings, "[Pressvane]\r\nMinimize To System Tray=Yes\r\nDelay=7\r\n");
    test::FakeClock clock;
    StartupOptions options;
    options.workingFolder = dir.Folder();
    CPressvaneDlg service(options, clock);
    EXPECT_EQ(service.OpenFtpConnections(), 0);
    service.WriteMinimizeToSystemTray(false);
    EXPECT_EQ(test::ReadWholeFile(settings), "[Pressvane]\r\nMinimize To System Tray=No\r\nDelay=7\r\n");
    EXPECT_FALSE(service.MinimizeToSystemTray());
    service.WriteMinimizeToSystemTray(true);
    EXPECT_EQ(test::ReadWholeFile(settings), "[Pressvane]\r\nMinimize To System Tray=Yes\r\nDelay=7\r\n");
}

}  // namespace
}  // namespace pv
