#include <gtest/gtest.h>

#include <functional>
#include <mutex>
#include <thread>

#include "notify/ProgressHub.h"
#include "notify/ServiceReporter.h"
#include "notify/StatusBoard.h"
#include "support/FakeClock.h"

namespace pv {
namespace {

// Keeps the stamped lines it is shown; may act on each one.
class LineKeeper final : public ProgressObserver {
public:
    void OnProgress(const ProgressEvent& event, const StatusLine& line) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_lines.push_back(line.stamped);
            m_kinds.push_back(event.index());
        }
        if (m_then) m_then(line);
    }
    void Then(std::function<void(const StatusLine&)> action) { m_then = std::move(action); }
    std::vector<std::string> Lines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_lines;
    }
    std::vector<size_t> Kinds() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_kinds;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_lines;
    std::vector<size_t> m_kinds;
    std::function<void(const StatusLine&)> m_then;
};

std::time_t LocalTime(int hour, int minute, int second) {
    return platform::Clock::MakeLocalTime(2026, 12, 9, hour, minute, second);
}

class Progress : public ::testing::Test {
protected:
    test::FakeClock clock{std::chrono::system_clock::from_time_t(LocalTime(14, 37, 5))};
    ProgressHub hub{clock};
    TraceLog trace{clock};
    ServiceReporter reporter{hub, trace};
    static constexpr const char* kStamp = "02:37:05 PM  12/09/2026  ";
};

TEST_F(Progress, EveryObserverGetsThePrintedLineStampedWhenReported) {
    LineKeeper first, second;
    hub.AddObserver(first);
    hub.AddObserver(second);
    reporter.Report(PassStarted{});
    clock.Advance(std::chrono::seconds(2));
    reporter.Report(OutputDelivered{"Outbox/b.txt", 3});
    reporter.Status("Searching directory Bad/ for any files to transfer.", false);
    const std::vector<std::string> expected = {
        std::string(kStamp) + "Checking.", "02:37:07 PM  12/09/2026  Success: Output FileSize: 3.",
        "02:37:07 PM  12/09/2026  Searching directory Bad/ for any files to transfer."};
    EXPECT_EQ(first.Lines(), expected);
    EXPECT_EQ(second.Lines(), expected);
    EXPECT_EQ(first.Kinds(), (std::vector<size_t>{ProgressEvent(PassStarted{}).index(),
                                                  ProgressEvent(OutputDelivered{}).index(),
                                                  ProgressEvent(StatusNote{}).index()}));
}

// The monitor thread and the front end report at once: every observer sees
// one order, and each thread's lines in the order that thread reported them.
TEST_F(Progress, TwoThreadsReportingReachEveryObserverInOneOrder) {
    StatusBoard board{clock, trace};
    board.SetDisplayLines(StatusBoard::kRingSize);
    LineKeeper console;
    hub.AddObserver(board);
    hub.AddObserver(console);
    constexpr int kLines = 50;  // the display ring holds both threads' lines
    auto report = [&](char thread) {
        for (int i = 0; i < kLines; ++i) reporter.Status(std::string(1, thread) + std::to_string(i), true);
    };
    std::thread monitor(report, 'm'), front(report, 'f');
    monitor.join();
    front.join();

    const std::vector<std::string> lines = console.Lines();
    ASSERT_EQ(lines.size(), 2u * kLines);
    std::string shown;
    for (const std::string& line : lines) shown += line + "\r\n";
    EXPECT_EQ(board.DisplayText(), shown);
    for (char thread : {'m', 'f'}) {
        int next = 0;
        for (const std::string& line : lines) {
            if (line[std::string(kStamp).size()] == thread) {
                EXPECT_EQ(line, kStamp + std::string(1, thread) + std::to_string(next++));
            }
        }
        EXPECT_EQ(next, kLines);
    }
}

TEST_F(Progress, ObserversSeeOnlyWhatIsReportedWhileTheyAreAdded) {
    LineKeeper early, late;
    hub.AddObserver(early);
    hub.AddObserver(early);  // once is enough
    reporter.Status("one", false);
    hub.AddObserver(late);
    reporter.Status("two", false);
    hub.RemoveObserver(early);
    reporter.Status("three", false);
    hub.RemoveObserver(early);  // no longer there: nothing happens
    EXPECT_EQ(early.Lines(), (std::vector<std::string>{kStamp + std::string("one"), kStamp + std::string("two")}));
    EXPECT_EQ(late.Lines(), (std::vector<std::string>{kStamp + std::string("two"), kStamp + std::string("three")}));
}

// An observer that reports in turn (a view that notes what it did) neither
// blocks the service nor cuts into the line every other observer is being
// shown: its line comes next, for everyone.
TEST_F(Progress, ALineReportedByAnObserverFollowsTheLineInHand) {
    LineKeeper noting, other;
    noting.Then([&](const StatusLine& line) {
        if (line.text == "Checking.") reporter.Status("noted", false);
    });
    hub.AddObserver(noting);
    hub.AddObserver(other);
    reporter.Report(PassStarted{});
    reporter.Status("after", false);
    const std::vector<std::string> expected = {kStamp + std::string("Checking."), kStamp + std::string("noted"),
                                               kStamp + std::string("after")};
    EXPECT_EQ(noting.Lines(), expected);
    EXPECT_EQ(other.Lines(), expected);
}

}  // namespace
}  // namespace pv
