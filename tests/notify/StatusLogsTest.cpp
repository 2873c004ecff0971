#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "notify/DebugFiles.h"
#include "notify/StatusBoard.h"
#include "notify/TraceLog.h"
#include "support/FakeClock.h"
#include "support/TempDir.h"

namespace pv {
namespace {

std::chrono::system_clock::time_point LocalTimePoint(int year, int month, int day, int hour, int minute, int second) {
    return std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(year, month, day, hour, minute, second));
}

class StatusLogs : public ::testing::Test {
protected:
    test::TempDir dir;
    test::FakeClock clock{LocalTimePoint(2026, 12, 9, 14, 37, 5)};
    TraceLog trace{clock};
    StatusBoard board{clock, trace};
};

TEST_F(StatusLogs, StatusLineIsStampedAndFirstLineAfterResetGoesToIndexZero) {
    board.ResetRing();
    board.AddStatusLine("Checking.", true);
    EXPECT_EQ(board.WriteIndex(), 0);
    EXPECT_EQ(board.DisplayText(), "02:37:05 PM  12/09/2026  Checking.\r\n");
}

TEST_F(StatusLogs, DisplayShowsTheLastLinesOldestFirstUpToDisplayLines) {
    board.SetDisplayLines(3);
    for (int i = 0; i < 150; ++i) board.AddStatusLine("line " + std::to_string(i), false);
    const std::string stamp = "02:37:05 PM  12/09/2026  ";
    EXPECT_EQ(board.DisplayText(), stamp + "line 147\r\n" + stamp + "line 148\r\n" + stamp + "line 149\r\n");
}

TEST_F(StatusLogs, DisplayLinesAreClampedToTheRing) {
    board.SetDisplayLines(5000);
    for (int i = 0; i < 120; ++i) board.AddStatusLine("x", false);
    size_t lines = 0;
    for (size_t at = 0; (at = board.DisplayText().find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 100u);
    board.SetDisplayLines(-4);
    board.AddStatusLine("y", false);
    EXPECT_EQ(board.DisplayText(), "");
}

TEST_F(StatusLogs, StatusLogGetsCrLfLinesOnlyWhenAskedAndOn) {
    board.ConfigureStatusLog(true, dir.Folder());
    board.AddStatusLine("Checking.", true);
    board.AddStatusLine("Waiting. Version", false);
    board.AddStatusLine("two\nlines", true);
    EXPECT_TRUE(board.Refresh());
    EXPECT_FALSE(board.Refresh());  // nothing changed since
    EXPECT_EQ(test::ReadWholeFile(dir / "12-09-2026.STSIN.log"),
              "02:37:05 PM  12/09/2026  Checking.\r\n02:37:05 PM  12/09/2026  two\r\nlines\r\n");
}

TEST_F(StatusLogs, BacklogBeyondTheRingIsWrittenOnceInOrder) {
    board.ConfigureStatusLog(true, dir.Folder() + "missing/");
    for (int i = 0; i < 130; ++i) board.AddStatusLine("n" + std::to_string(i), true);
    board.Refresh();  // folder missing: lines stay queued
    std::filesystem::create_directory(dir / "missing");
    board.AddStatusLine("n130", true);
    board.Refresh();
    const std::string log = test::ReadWholeFile(dir / "missing/12-09-2026.STSIN.log");
    EXPECT_EQ(log.find("n30\r\n"), std::string::npos);
    const size_t first = log.find("n31\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_LT(first, log.find("n130\r\n"));
    EXPECT_EQ(log.find("n31\r\n", first + 1), std::string::npos);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 100);
}

TEST_F(StatusLogs, HeartbeatKeepsTheTailOfALongerPreviousText) {
    test::WriteWholeFile(dir / "hb.txt", std::string(300, '#'));
    board.SetHeartbeat({true, dir / "hb.txt", 40});
    board.AddStatusLine("first", false);
    board.AddStatusLine("second", false);
    board.Refresh();
    const std::string display = board.DisplayText();
    const std::string heartbeat = test::ReadWholeFile(dir / "hb.txt");
    EXPECT_EQ(heartbeat.substr(0, 40), display.substr(display.size() - 40));
    EXPECT_EQ(heartbeat.substr(40), std::string(260, '#'));
}

TEST_F(StatusLogs, TraceGoesToTheTenMinuteSlotWithOneLineEnd) {
    trace.Configure(dir / "trace.txt", false, false);
    board.AddStatusLine("ends with break\r\n", false);
    trace.Write("plain");
    EXPECT_EQ(test::ReadWholeFile(dir / "14_30_trace.txt"),
              "14:37:05: 02:37:05 PM  12/09/2026  ends with break\r\n14:37:05: plain\r\n");
}

TEST_F(StatusLogs, NothingIsTracedWithoutAFileName) {
    trace.Configure("", true, true);
    board.AddStatusLine("shown only", true);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
    EXPECT_NE(board.DisplayText().find("shown only"), std::string::npos);
}

TEST_F(StatusLogs, TraceSizeLimitFollowsTheFtpSwitches) {
    const struct { bool file, client; int64_t limit; } cases[] = {
        {false, false, 1000000}, {true, false, 100000000}, {false, true, 2000000}, {true, true, 200000000}};
    for (const auto& c : cases) {
        trace.Configure("t.txt", c.file, c.client);
        EXPECT_EQ(trace.SizeLimit(), c.limit);
        EXPECT_EQ(trace.FtpFileTraceName(), c.file ? "t.txt" : "");
        EXPECT_EQ(trace.FtpClientTraceName(), c.client ? "t.txt" : "");
    }
}

TEST_F(StatusLogs, FullTraceFileKeepsItsFirstHalf) {
    trace.Configure(dir / "trace.txt", false, false);
    std::string big(1000000, 'a');
    big[10] = 'M';
    test::WriteWholeFile(dir / "14_30_trace.txt", big);
    trace.Write("after");
    const std::string now = test::ReadWholeFile(dir / "14_30_trace.txt");
    EXPECT_EQ(now.size(), 500000u + std::string("14:37:05: after\r\n").size());
    EXPECT_EQ(now[10], 'M');
    EXPECT_FALSE(std::filesystem::exists(dir / "14_30_trace.txt2"));
}

TEST_F(StatusLogs, ScopesIndentFourBlanksPerLevel) {
    trace.Configure(dir / "trace.txt", false, false);
    {
        TraceScope outer(trace, "Outer");
        TraceScope inner(trace, "Inner");
    }
    EXPECT_EQ(test::ReadWholeFile(dir / "14_30_trace.txt"),
              "14:37:05: Outer starting.\r\n14:37:05:     Inner starting.\r\n14:37:05:     Inner.\r\n"
              "14:37:05: Outer.\r\n");
}

TEST_F(StatusLogs, TwoThreadsAddingLinesLoseNothing) {
    board.ConfigureStatusLog(true, dir.Folder());
    board.SetDisplayLines(100);
    auto writer = [&](char tag) {
        for (int i = 0; i < 40; ++i) board.AddStatusLine(std::string(1, tag) + std::to_string(i), true);
    };
    std::thread a(writer, 'a'), b(writer, 'b');
    a.join();
    b.join();
    board.Refresh();
    const std::string log = test::ReadWholeFile(dir / "12-09-2026.STSIN.log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 80);
}

TEST_F(StatusLogs, DebugFileIsNamedByTheTime) {
    DebugFiles debug(clock, dir.Folder());
    const std::string name = debug.Write("a\nb");
    EXPECT_EQ(name, dir / "Debug 12-09-2026 14_37_05.txt");
    EXPECT_EQ(test::ReadWholeFile(name), "a\r\nb");
}

}  // namespace
}  // namespace pv
