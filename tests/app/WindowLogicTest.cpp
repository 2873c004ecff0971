#include <gtest/gtest.h>

#include "app/MainWindowController.h"
#include "app/StatusFeed.h"
#include "app/WindowTicker.h"
#include "support/FakeClock.h"
#include "support/FakeWindowParts.h"

namespace pv {
namespace {

// Answers the exit warning as an operator would: OK with a text, or Cancel.
class ScriptedExitWarning final : public ExitWarning {
public:
    explicit ScriptedExitWarning(std::optional<std::string> answer) : m_answer(std::move(answer)) {}
    std::optional<std::string> Ask() override {
        ++asked;
        return m_answer;
    }
    int asked = 0;

private:
    std::optional<std::string> m_answer;
};

StatusLine Line(const std::string& stamped) { return {stamped, false, stamped}; }

TEST(RunningTime, DaysHoursAndTwoDigitMinutes) {
    const struct {
        std::time_t elapsed;
        const char* shown;
    } cases[] = {
        {0, "Time Running: 0 Days 0 Hrs. 00 Min."},
        {59, "Time Running: 0 Days 0 Hrs. 00 Min."},
        {93780, "Time Running: 1 Days 2 Hrs. 03 Min."},  // 1 day, 2 hours, 3 minutes
        {23 * 3600 + 59 * 60, "Time Running: 0 Days 23 Hrs. 59 Min."},
        {86400, "Time Running: 1 Days 0 Hrs. 00 Min."},
        {400 * 86400 + 10 * 3600 + 45 * 60 + 59, "Time Running: 400 Days 10 Hrs. 45 Min."},
        {-120, "Time Running: 0 Days 0 Hrs. 00 Min."},  // the clock was set back
    };
    for (const auto& c : cases) EXPECT_EQ(RunningTimeText(c.elapsed), c.shown) << c.elapsed;
}

struct Window {
    test::FakeWindowService service;
    StatusFeed feed;
    test::FakeClock clock;
    WindowTicker ticker{service, feed, clock};
};

TEST(WindowTicker, ShowsRunningTimeConnectionsAndPause) {
    Window w;
    w.service.startTime = w.clock.NowSeconds() - 93780;
    w.service.connections = 3;
    w.service.paused = true;
    const std::optional<WindowShows> shows = w.ticker.OnTimer();
    ASSERT_TRUE(shows);
    EXPECT_EQ(shows->runningLine, "Time Running: 1 Days 2 Hrs. 03 Min.");
    EXPECT_EQ(shows->ftpConnections, 3);
    EXPECT_TRUE(shows->paused);
    EXPECT_FALSE(shows->end);
    EXPECT_EQ(w.service.timerCalls, 1);
}

TEST(WindowTicker, TheWindowEndsOnceTheMonitorHasFinished) {
    Window w;
    EXPECT_FALSE(w.ticker.OnTimer()->end);
    w.service.finished = true;
    EXPECT_TRUE(w.ticker.OnTimer()->end);
}

TEST(WindowTicker, TheDisplayChangesOnlyWhenALineCameAndShowsTheLastDisplayLines) {
    Window w;
    w.service.displayLines = 2;
    EXPECT_FALSE(w.ticker.OnTimer()->displayChanged);
    for (const char* text : {"one", "two", "three"}) w.feed.OnProgress(StatusNote{text}, Line(text));
    const std::optional<WindowShows> shows = w.ticker.OnTimer();
    ASSERT_TRUE(shows->displayChanged);
    EXPECT_EQ(shows->displayText, "two\r\nthree\r\n");
    EXPECT_FALSE(w.ticker.OnTimer()->displayChanged);
}

// A tick that comes while one is being handled does nothing.
TEST(WindowTicker, ATickNeverRunsInsideAnother) {
    Window w;
    std::optional<WindowShows> inner{WindowShows{}};
    w.service.duringTimer = [&] { inner = w.ticker.OnTimer(); };
    EXPECT_TRUE(w.ticker.OnTimer());
    EXPECT_FALSE(inner);
    EXPECT_EQ(w.service.timerCalls, 1);
    w.service.duringTimer = nullptr;
    EXPECT_TRUE(w.ticker.OnTimer());  // and the guard is down again
}

TEST(StatusFeed, KeepsTheLastHundredLines) {
    StatusFeed feed;
    for (int i = 0; i < 150; ++i) feed.OnProgress(StatusNote{}, Line(std::to_string(i)));
    std::string text;
    ASSERT_TRUE(feed.TakeDisplay(1000, text));
    EXPECT_EQ(text.substr(0, 4), "50\r\n");
    EXPECT_TRUE(text.ends_with("\r\n149\r\n"));
    feed.OnProgress(StatusNote{}, Line("x"));
    ASSERT_TRUE(feed.TakeDisplay(0, text));
    EXPECT_EQ(text, "");
}

struct Controlled {
    test::FakeTrayHost host;
    TrayState tray{host};
    test::FakeWindowService service;
    MainWindowController controller;
    explicit Controlled(bool easyExit = false) : controller(service, tray, easyExit) {}
};

// The exit warning confirms only with OK and the exit word, in any case.
TEST(MainWindowController, TheExitWordConfirmsTheExit) {
    const struct {
        std::optional<std::string> answer;
        bool exits;
    } cases[] = {
        {"VANE", true},  {"vane", true},    {"VaNe", true},  {std::nullopt, false},
        {"", false},     {"wrong", false},  {"van", false},  {"vane ", false},
    };
    for (const auto& c : cases) {
        Controlled w;
        ScriptedExitWarning warning(c.answer);
        w.controller.OnCloseRequest(warning);
        EXPECT_EQ(warning.asked, 1);
        EXPECT_EQ(w.service.exitRequested, c.exits) << c.answer.value_or("(Cancel)");
    }
}

TEST(MainWindowController, EasyExitAsksNothing) {
    Controlled w(true);
    ScriptedExitWarning warning(std::nullopt);
    w.controller.OnCloseRequest(warning);
    EXPECT_EQ(warning.asked, 0);
    EXPECT_TRUE(w.service.exitRequested);
}

// A monitor that has finished needs no exit flag: the next tick ends the window.
TEST(MainWindowController, AConfirmedExitAfterTheMonitorFinishedSetsNoFlag) {
    Controlled w;
    w.service.finished = true;
    ScriptedExitWarning warning("VANE");
    w.controller.OnCloseRequest(warning);
    EXPECT_EQ(warning.asked, 1);
    EXPECT_FALSE(w.service.exitRequested);
}

TEST(MainWindowController, EscapeLeavesTheServiceRunning) {
    Controlled w;
    w.controller.OnInitDialog();
    const std::vector<std::string> before = w.host.calls;
    w.controller.OnCancel();
    EXPECT_FALSE(w.service.exitRequested);
    EXPECT_EQ(w.host.calls, before);
    EXPECT_TRUE(w.host.windowVisible);
}

TEST(MainWindowController, PauseTogglesAndNamesTheNextStep) {
    Controlled w;
    EXPECT_STREQ(w.controller.OnPause(), "&Unpause");
    EXPECT_TRUE(w.service.paused);
    EXPECT_STREQ(w.controller.OnPause(), "&Pause");
    EXPECT_FALSE(w.service.paused);
}

// Turning the box off while the window is shown changes nothing visible;
// from then on minimising keeps a task-bar button and shows no icon, and
// "No" is written back.  On again, minimising goes to the tray.
TEST(MainWindowController, TheMinimiseToTrayBoxTakesEffectAtOnce) {
    Controlled w;
    w.controller.OnInitDialog();
    ASSERT_TRUE(w.controller.MinimizeToTray());
    EXPECT_TRUE(w.host.windowVisible && w.host.taskbarButton && !w.host.iconVisible);

    w.controller.OnMinimizeToTrayClicked(false);
    EXPECT_EQ(w.service.written, std::vector<bool>{false});
    EXPECT_TRUE(w.host.windowVisible && w.host.taskbarButton && !w.host.iconVisible);
    EXPECT_EQ(w.tray.OnMinimise(), MinimiseOutcome::minimised);
    EXPECT_TRUE(w.host.windowMinimised && w.host.taskbarButton && !w.host.iconVisible);
    w.tray.OnRestore();

    w.controller.OnMinimizeToTrayClicked(true);
    EXPECT_EQ(w.service.written, (std::vector<bool>{false, true}));
    EXPECT_EQ(w.tray.OnMinimise(), MinimiseOutcome::hidden);
    EXPECT_TRUE(!w.host.windowVisible && !w.host.taskbarButton && w.host.iconVisible);
}

TEST(MainWindowController, TheTrayStartsAsTheSettingSays) {
    Controlled off;
    off.service.minimizeToTray = false;
    off.controller.OnInitDialog();
    EXPECT_FALSE(off.controller.MinimizeToTray());
    EXPECT_EQ(off.tray.IconMode(), TrayMode::never);
    EXPECT_EQ(off.tray.TaskbarMode(), TrayMode::always);
    EXPECT_TRUE(off.service.written.empty());

    Controlled on;
    on.controller.OnInitDialog();
    EXPECT_EQ(on.tray.IconMode(), TrayMode::whileMinimised);
    EXPECT_EQ(on.tray.TaskbarMode(), TrayMode::whileNotMinimised);
}

}  // namespace
}  // namespace pv
