#pragma once
// What the window asks of the service object.  The service implements it;
// the window's logic is tried against a stand-in.
#include <ctime>

namespace pv {

class WindowService {
public:
    virtual ~WindowService() = default;

    // One timer tick of the service (watchdog, status log, heartbeat); true
    // once the monitor has finished and the window should end.
    virtual bool OnTimer() = 0;
    // When the service started, for the running time.
    virtual std::time_t StartTime() const = 0;
    // Logged-on FTP clients in the pool; safe from any thread.
    virtual int OpenFtpConnections() const = 0;
    // "Display Lines": how many status lines the display shows.
    virtual int DisplayLines() const = 0;

    virtual bool MonitorFinished() const = 0;
    // A confirmed exit: the monitor finishes the file in hand, then stops.
    virtual void RequestExit() = 0;
    virtual void TogglePause() = 0;
    virtual bool Paused() const = 0;

    // "Minimize To System Tray" as read at the start, and the operator's
    // change of it, written back to the settings file as "Yes" or "No".
    virtual bool MinimizeToSystemTray() const = 0;
    virtual void WriteMinimizeToSystemTray(bool on) = 0;
};

}  // namespace pv
