#pragma once
// The service object: reads the settings into each component's options,
// builds the components fully configured, and owns the status lines and
// logs, the route list, the monitor thread and the shared flags.  The console
// and the window are views of it: they observe its progress, call
// OnInitDialog once, OnTimer every 250 ms and the request operations when the
// operator acts.
#include <memory>
#include <string>
#include <thread>

#include "app/CommandLine.h"
#include "app/RelayService.h"
#include "app/ServiceOptions.h"
#include "app/WindowService.h"
#include "config/DirOptions.h"
#include "config/Ini.h"
#include "notify/ProgressHub.h"
#include "notify/ProgressObserver.h"
#include "notify/ServiceReporter.h"
#include "notify/StatusBoard.h"
#include "notify/TraceLog.h"
#include "platform/Clock.h"
#include "platform/HostEnvironment.h"
#include "platform/InFlightRecord.h"
#include "relay/MonitorState.h"
#include "relay/Watchdog.h"

namespace pv {

class CPressvaneDlg final : public WindowService {
public:
    CPressvaneDlg(const StartupOptions& options, platform::Clock& clock);
    ~CPressvaneDlg() override;
    CPressvaneDlg(const CPressvaneDlg&) = delete;
    CPressvaneDlg& operator=(const CPressvaneDlg&) = delete;

    // Reads the settings, builds the components, opens the watchdog and
    // starts the monitor thread.
    void OnInitDialog();
    // One timer tick: watchdog, status log, heartbeat.  Returns true once the
    // monitor has finished and the service should end.
    bool OnTimer() override;
    // A confirmed exit: the monitor finishes the file in hand, then stops.
    void RequestExit() override;
    void TogglePause() override;
    bool Paused() const override { return m_state.pause; }
    bool MonitorFinished() const override { return m_state.finished; }
    bool ExitRequested() const { return m_state.exit; }
    // Waits for the monitor thread to end (after it has finished).
    void JoinMonitor();
    // Waits up to one timer period, returning early when the monitor finishes.
    void WaitForTick(std::chrono::milliseconds period) { m_state.WaitFinished(period); }

    // A view of the progress: it sees every event and status line from now
    // on, after the status board.  It must stay until removed, or until the
    // service is gone.
    void AddObserver(ProgressObserver& observer) { m_progress.AddObserver(observer); }
    void RemoveObserver(ProgressObserver& observer) { m_progress.RemoveObserver(observer); }

    // What a view shows.
    StatusBoard& Status() { return m_status; }
    Reporter& GetReporter() { return m_reporter; }
    const std::string& WorkingFolder() const { return m_startup.workingFolder; }
    std::string LastStartedLine() const;
    std::time_t StartTime() const override { return m_startTime; }
    int OpenFtpConnections() const override;
    int DisplayLines() const override { return m_options.status.displayLines; }
    bool MinimizeToSystemTray() const override { return m_options.minimizeToSystemTray; }
    void WriteMinimizeToSystemTray(bool on) override;

private:
    void ReadSettings();
    void ConfigureStatus();
    void ReportMissingSettingsFile();
    void OpenInFlightRecord();
    void SendStartupMail();
    void CleanUpAfterCrash();

    // The host environment (path map, folder name index) every file operation
    // of this service goes through, installed while the service lives.
    platform::HostEnvironment m_environment;
    platform::ScopedHostEnvironment m_installedEnvironment{m_environment};
    const StartupOptions m_startup;
    platform::Clock& m_clock;
    TraceLog m_trace;
    ProgressHub m_progress;
    StatusBoard m_status;
    ServiceReporter m_reporter;
    CIni m_ini;
    MonitorState m_state;
    RouteList m_routes;
    ServiceOptions m_options;
    std::string m_settingsFile;
    platform::InFlightRecord m_inFlight;
    std::string m_inFlightError;  // why the record could not be opened
    Watchdog m_watchdog;
    std::unique_ptr<RelayService> m_relay;
    std::thread m_monitorThread;
    std::time_t m_startTime = 0;
};

}  // namespace pv
