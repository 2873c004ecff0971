#pragma once
// The main window's timer tick (every 250 ms): it keeps the service ticking
// and works out what the window shows, without any toolkit.
#include <ctime>
#include <optional>
#include <string>

#include "app/StatusFeed.h"
#include "app/WindowService.h"
#include "platform/Clock.h"

namespace pv {

inline constexpr int kTickMilliseconds = 250;

// What one tick puts on the window.
struct WindowShows {
    bool end = false;             // the monitor has finished: the window ends
    bool displayChanged = false;  // the status display gets displayText
    std::string displayText;
    std::string runningLine;      // "Time Running: ..."
    int ftpConnections = 0;
    bool paused = false;
};

// "Time Running: %d Days %d Hrs. %02d Min." for a running time in seconds
// (a clock set back shows no time).
std::string RunningTimeText(std::time_t elapsedSeconds);

class WindowTicker {
public:
    WindowTicker(WindowService& service, StatusFeed& feed, platform::Clock& clock)
        : m_service(service), m_feed(feed), m_clock(clock) {}

    // Nothing while a tick is already being handled (a tick never runs
    // inside another).
    std::optional<WindowShows> OnTimer();

private:
    WindowShows Tick();

    WindowService& m_service;
    StatusFeed& m_feed;
    platform::Clock& m_clock;
    bool m_inTick = false;
};

}  // namespace pv
