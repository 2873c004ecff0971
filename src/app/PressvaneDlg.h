#pragma once
// The service object: owns the settings, the route list, the status lines and
// logs, the monitor thread and the shared flags.  The console (and later a
// window) are views of it: they call OnInitDialog once, OnTimer every 250 ms
// and the request operations when the operator acts.
#include <memory>
#include <string>
#include <thread>

#include "app/CommandLine.h"
#include "config/DirOptions.h"
#include "config/GlobalSettings.h"
#include "config/Ini.h"
#include "notify/DebugFiles.h"
#include "notify/ServiceReporter.h"
#include "notify/StatusBoard.h"
#include "notify/TraceLog.h"
#include "platform/Clock.h"
#include "platform/InFlightRecord.h"
#include "audio/RelayedAudio.h"
#include "notify/MailSender.h"
#include "notify/Receipts.h"
#include "notify/WireMessages.h"
#include "relay/DirectoryScan.h"
#include "relay/FileAccessFolders.h"
#include "relay/FileTransfer.h"
#include "relay/FolderLock.h"
#include "relay/PostMoveCommands.h"
#include "relay/Monitor.h"
#include "relay/MonitorState.h"
#include "relay/Watchdog.h"

namespace pv {

class CPressvaneDlg {
public:
    CPressvaneDlg(const StartupOptions& options, platform::Clock& clock);
    ~CPressvaneDlg();
    CPressvaneDlg(const CPressvaneDlg&) = delete;
    CPressvaneDlg& operator=(const CPressvaneDlg&) = delete;

    // Reads the settings, opens the watchdog and starts the monitor thread.
    void OnInitDialog();
    // One timer tick: watchdog, status log, heartbeat.  Returns true once the
    // monitor has finished and the service should end.
    bool OnTimer();
    // A confirmed exit: the monitor finishes the file in hand, then stops.
    void RequestExit();
    void TogglePause();
    // Waits for the monitor thread to end (after it has finished).
    void JoinMonitor();
    // Waits up to one timer period, returning early when the monitor finishes.
    void WaitForTick(std::chrono::milliseconds period) { m_state.WaitFinished(period); }

    StatusBoard& Status() { return m_status; }
    Reporter& GetReporter() { return m_reporter; }
    FileAccess& Files() { return m_fileAccess; }
    WireMessages& Messages() { return m_messages; }
    MailSender& Mail() { return m_mail; }
    Receipts& GetReceipts() { return m_receipts; }
    FileTransfer& Transfer() { return m_transfer; }
    DirectoryScan& Scan() { return m_scan; }
    MonitorState& State() { return m_state; }
    const std::string& SettingsFile() const { return m_settingsFile; }
    const std::string& WorkingFolder() const { return m_options.workingFolder; }
    const std::string& TempFolder() const { return m_tempFolder; }
    std::string LastStartedLine() const;

private:
    void ReadSettings();
    void ApplyReaderSettings(const ReaderSettings& settings);
    void ReadLaterSettings();
    void ConfigureFileAccess();
    void ConfigureRelay();
    void SetUpMail();
    void SendStartupMail();
    void WriteRelayReceipt(CDirOptions& route, const std::string& outputPath, const std::string& sourcePath);
    void OpenWatchdog();
    void ReportMissingSettingsFile();
    void CleanUpAfterCrash();

    StartupOptions m_options;
    platform::Clock& m_clock;
    TraceLog m_trace;
    StatusBoard m_status;
    ServiceReporter m_reporter;
    DebugFiles m_debugFiles;
    CIni m_ini;
    MonitorState m_state;
    RouteList m_routes;
    platform::InFlightRecord m_inFlight;
    FileAccess m_fileAccess;
    FileAccessFolders m_folders;
    WireMessages m_messages;
    MailSender m_mail;
    std::unique_ptr<DebugMailer> m_debugMailer;
    Receipts m_receipts;
    std::unique_ptr<RelayedAudio> m_audio;
    FolderLock m_lock;
    PostMoveCommands m_postMove;
    FileTransfer m_transfer;
    DirectoryScan m_scan;
    Watchdog m_watchdog;
    std::unique_ptr<Monitor> m_monitor;
    std::thread m_monitorThread;

    std::string m_settingsFile;
    std::string m_tempFolder;
    std::time_t m_startTime = 0;
    WindowSettings m_window;
    ReaderSettings m_reader;
    LaterSettings m_later;
};

}  // namespace pv
