#include <gtest/gtest.h>

#include <filesystem>

#include "relay/Monitor.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

class MonitorLoop : public ::testing::Test {
protected:
    void AddRoute(const std::string& in, std::vector<std::string> outputs = {}) {
        auto route = std::make_unique<CDirOptions>();
        route->m_inDir = Location::Parse(in);
        for (const std::string& output : outputs) route->m_destDirs.push_back(Location::Parse(output));
        routes.push_back(std::move(route));
    }
    int Count(const std::string& line) const {
        const auto lines = reporter.StatusLines();
        return static_cast<int>(std::count(lines.begin(), lines.end(), line));
    }

    test::TempDir dir;
    test::FakeClock clock;
    test::RecordingReporter reporter;
    MonitorState state;
    RouteList routes;
    LocalFolderAccess folders;
    std::vector<int> scanned;
    // What scanning a route does; a test may replace it before the run.
    std::function<void(const CDirOptions&, int)> onScan = [this](const CDirOptions&, int index) { scanned.push_back(index); };
    Monitor monitor{state, routes, folders, reporter, clock, dir.Folder(),
                    [this](const CDirOptions& route, int index) { onScan(route, index); }};
};

TEST_F(MonitorLoop, OnceMakesOnePassWithoutRoutes) {
    state.once = true;
    monitor.Run();
    EXPECT_TRUE(state.finished);
    EXPECT_EQ(reporter.StatusLines(),
              (std::vector<std::string>{"Making directories.", "Checking.", "Waiting. Version 12.021"}));
    EXPECT_EQ(reporter.LoggedLines(), (std::vector<std::string>{"Making directories.", "Checking."}));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "Temp"));
    EXPECT_EQ(clock.Sleeps(), 0);
}

TEST_F(MonitorLoop, TwiceWithNoDelayMakesTwoPassesOneSecondApart) {
    state.twice = true;
    state.noDelay = true;
    state.delaySeconds = 30;
    AddRoute(dir.Folder() + "a/");
    AddRoute(dir.Folder() + "b/");
    monitor.Run();
    EXPECT_EQ(scanned, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(state.passCount, 2);
    EXPECT_EQ(clock.Sleeps(), 1);
}

TEST_F(MonitorLoop, WaitsTheDelayAndStopsOnExit) {
    state.delaySeconds = 5;
    onScan = ([this](const CDirOptions&, int) {
        if (state.passCount == 2) state.exit = true;
    });
    AddRoute(dir.Folder() + "in/");
    monitor.Run();
    EXPECT_EQ(state.passCount, 3);
    EXPECT_EQ(clock.Sleeps(), 10);  // two full waits; the exit ends the third pass at once
}

TEST_F(MonitorLoop, PauseHoldsTheWaitUntilReleased) {
    state.delaySeconds = 2;
    state.twice = true;
    state.pause = true;
    clock.OnSleep([this](int sleeps) {
        if (sleeps == 7) state.pause = false;
    });
    monitor.Run();
    EXPECT_EQ(state.passCount, 2);
    EXPECT_EQ(clock.Sleeps(), 7);
}

TEST_F(MonitorLoop, NewHourFlagIsSetOnFirstPassAndEachNewHour) {
    std::vector<bool> seen;
    state.delaySeconds = 1;
    onScan = ([&](const CDirOptions&, int) {
        seen.push_back(state.newHour);
        if (seen.size() == 2) clock.Advance(std::chrono::hours(1));
        if (seen.size() == 4) state.exit = true;
    });
    AddRoute(dir.Folder() + "in/");
    monitor.Run();
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true, false}));
}

TEST_F(MonitorLoop, FatalErrorKeepsTheGoodPassEndBack) {
    state.once = true;
    AddRoute(dir.Folder() + "in/");
    state.lastGoodPassEnd = 7;
    onScan = ([this](const CDirOptions&, int) { state.passHadFatalError = true; });
    monitor.Run();
    EXPECT_EQ(state.lastPassEnd, clock.NowSeconds());
    EXPECT_EQ(state.lastGoodPassEnd, 7);
}

// A window learns of each pass end, and of whether that pass met a fatal
// error, from the events around the pass.
TEST_F(MonitorLoop, EveryPassIsFramedByEventsThatTellAFatalErrorApart) {
    state.twice = true;
    state.noDelay = true;
    AddRoute(dir.Folder() + "in/");
    onScan = [this](const CDirOptions&, int) { state.passHadFatalError = state.passCount == 0; };
    monitor.Run();
    std::vector<ProgressEvent> passes = reporter.Events();
    std::erase_if(passes, [](const ProgressEvent& e) { return std::holds_alternative<StatusNote>(e); });
    EXPECT_EQ(passes, (std::vector<ProgressEvent>{PassStarted{}, PassEnded{true}, PassStarted{}, PassEnded{false}}));
}

TEST_F(MonitorLoop, MakesMissingFoldersAndShowsThemWithoutCredentials) {
    state.once = true;
    AddRoute(dir.Folder() + "news|editor|secret|/in/", {dir.Folder() + "out1/", dir.Folder() + "deep/out2/"});
    monitor.Run();
    EXPECT_TRUE(std::filesystem::is_directory(dir / "news/in"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "out1"));
    EXPECT_TRUE(std::filesystem::is_directory(dir / "deep/out2"));
    EXPECT_EQ(Count("Directory Doesn't Exist so we are trying to make it.\n" + dir.Folder() + "news/in"), 1);
    EXPECT_EQ(reporter.AllText().find("secret"), std::string::npos);
}

TEST_F(MonitorLoop, DontMakeDirsSkipsFolderMaking) {
    state.once = true;
    state.dontMakeDirs = true;
    AddRoute(dir.Folder() + "in/");
    monitor.Run();
    EXPECT_FALSE(std::filesystem::exists(dir / "in"));
    EXPECT_EQ(Count("Making directories."), 0);
}

TEST_F(MonitorLoop, FolderThatCannotBeMadeIsReportedAndTheServiceRunsOn) {
    state.once = true;
    test::WriteWholeFile(dir / "file", "x");
    AddRoute(dir.Folder() + "file/in/");
    monitor.Run();
    EXPECT_EQ(Count("Error: Directory doesn't Exist after trying to make it.\n" + dir.Folder() + "file/in"), 1);
    EXPECT_EQ(scanned, (std::vector<int>{0}));
}

}  // namespace
}  // namespace pv
