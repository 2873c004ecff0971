#include "app/WindowTicker.h"

#include <algorithm>
#include <cstdio>

namespace pv {

std::string RunningTimeText(std::time_t elapsedSeconds) {
    const long long elapsed = std::max<long long>(elapsedSeconds, 0);
    const long long hours = elapsed / 3600;
    const long long days = elapsed / 86400;
    const long long minutes = elapsed / 60;
    char text[96];
    std::snprintf(text, sizeof text, "Time Running: %lld Days %lld Hrs. %02lld Min.", days, hours - 24 * days,
                  minutes - 60 * hours);
    return text;
}

std::optional<WindowShows> WindowTicker::OnTimer() {
    if (m_inTick) return std::nullopt;
    m_inTick = true;
    const WindowShows shows = Tick();
    m_inTick = false;
    return shows;
}

WindowShows WindowTicker::Tick() {
    WindowShows shows;
    shows.end = m_service.OnTimer();
    shows.displayChanged = m_feed.TakeDisplay(m_service.DisplayLines(), shows.displayText);
    shows.runningLine = RunningTimeText(m_clock.NowSeconds() - m_service.StartTime());
    shows.ftpConnections = m_service.OpenFtpConnections();
    shows.paused = m_service.Paused();
    return shows;
}

}  // namespace pv
