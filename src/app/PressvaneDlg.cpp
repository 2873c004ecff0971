#include "app/PressvaneDlg.h"

#include <unistd.h>

#include "app/SettingsLoader.h"
#include "notify/Product.h"
#include "notify/TimeStamp.h"
#include "platform/FileSystem.h"
#include "platform/RunningProgram.h"
#include "relay/CrashLeftovers.h"
#include "transport/PathJoin.h"

namespace pv {

CPressvaneDlg::CPressvaneDlg(const StartupOptions& options, platform::Clock& clock)
    : m_startup(options),
      m_clock(clock),
      m_trace(clock),
      m_progress(clock),
      m_status(clock, m_trace),
      m_reporter(m_progress, m_trace) {
    m_progress.AddObserver(m_status);
    const std::time_t now = clock.NowSeconds();
    m_state.lastPassEnd = now;
    m_state.lastGoodPassEnd = now;
    m_state.once = options.once;
    m_state.twice = options.twice;
    m_state.noDelay = options.noDelay;
    m_state.dontMakeDirs = options.dontMakeDirs;
}

CPressvaneDlg::~CPressvaneDlg() {
    if (m_monitorThread.joinable()) {
        m_state.exit = true;
        m_monitorThread.join();
    }
    m_watchdog.Close();
}

void CPressvaneDlg::OnInitDialog() {
    ReadSettings();
    OpenInFlightRecord();
    m_relay = std::make_unique<RelayService>(
        m_options, RelayContext{m_startup.workingFolder, m_reporter, m_trace, m_clock, m_state, m_routes,
                                m_inFlight.IsOpen() ? &m_inFlight : nullptr});
    SendStartupMail();
    CleanUpAfterCrash();
    m_startTime = m_clock.NowSeconds();

    m_state.finished = false;
    m_monitorThread = std::thread([this] { m_relay->GetMonitor().Run(); });
}

// The three rounds of the settings file.  The status lines and the watchdog
// are set up as soon as their keys are known, so that what the later rounds
// report is shown, logged and kept alive.
void CPressvaneDlg::ReadSettings() {
    SettingsLoader loader(m_startup, m_ini, m_reporter);
    m_settingsFile = loader.SettingsFile();
    loader.ReadStartupKeys(m_options);
    // Before anything that names a Windows path (the heartbeat file).
    m_environment.SetPathMap(m_options.hostPaths);
    m_status.SetHeartbeat(m_options.status.heartbeat);
    m_watchdog.Open(m_options.watchdog, static_cast<long>(::getpid()), kServiceName, m_reporter);
    loader.ReadMainKeys(m_options, m_routes);
    ConfigureStatus();
    ReportMissingSettingsFile();
    loader.ReadLaterKeys(m_options);
}

void CPressvaneDlg::ConfigureStatus() {
    const StatusOptions& status = m_options.status;
    m_trace.Configure(status.traceLogFilename, status.traceFtpFile, status.traceFtpClient);
    m_state.delaySeconds = m_options.relay.delaySeconds;
    m_status.SetDisplayLines(status.displayLines);
    const std::string logFolder = JoinPath(m_startup.workingFolder, "Pressvane\\INLOG\\");
    platform::MakeDirs(logFolder);
    m_status.ConfigureStatusLog(status.statusLog, logFolder);
    m_status.ResetRing();
}

void CPressvaneDlg::ReportMissingSettingsFile() {
    if (platform::Exists(m_settingsFile) != platform::Existence::absent) return;
    m_reporter.Status("The configuration file " + m_settingsFile + " was not found.", true);
    m_reporter.Status("We will be starting with default settings.", true);
}

void CPressvaneDlg::OpenInFlightRecord() {
    const std::string recordFile = JoinPath(m_startup.workingFolder, "Pressvane\\InFlight.dat");
    if (!m_inFlight.Open(recordFile, &m_inFlightError) && m_inFlightError.empty())
        m_inFlightError = "it could not be opened";
}

void CPressvaneDlg::SendStartupMail() {
    const MailOptions& mail = m_options.mail;
    if (!mail.sendStartupEmail || mail.startupEmailTo.empty()) return;
    std::tm local{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), local);
    char subject[64];
    std::snprintf(subject, sizeof subject, "Pressvane is starting up %d/%d/%d %02d:%02d", local.tm_mon + 1,
                  local.tm_mday, local.tm_year + 1900, local.tm_hour, local.tm_min);
    std::string error;
    if (!m_relay->Mail().SendMail({mail.startupEmailTo, subject, subject, {}, ""}, error))
        m_reporter.Status("Error: " + error + "\r\n\r\nTo: " + mail.startupEmailTo + "\r\nFrom: \r\nSubject: " +
                              subject + "\r\n" + subject,
                          true);
}

// What a run that died left in shared folders goes before the first pass;
// from then on every lock and copy is noted until it is done.
void CPressvaneDlg::CleanUpAfterCrash() {
    CrashLeftovers leftovers(m_relay->Files(), m_relay->Lock(), m_reporter);
    leftovers.RemoveAbandonedTempFolders(platform::TemporaryFolder());
    if (!m_inFlight.IsOpen()) {
        m_reporter.Status("Unable to keep the record of work under way (" + m_inFlightError +
                              "); after a crash, locks this run took wait for their age limit.",
                          true);
        return;
    }
    leftovers.Clean(m_inFlight.Leftover(), m_routes);
}

std::string CPressvaneDlg::LastStartedLine() const {
    return FormatLocalTime(m_startTime, "Last Started: %m/%d/%Y %H:%M:%S");
}

bool CPressvaneDlg::OnTimer() {
    m_watchdog.Tick(m_clock.NowSeconds(), m_state.lastPassEnd, m_state.lastGoodPassEnd);
    const bool ended = m_state.finished;
    m_status.Refresh();
    return ended;
}

void CPressvaneDlg::RequestExit() { m_state.exit = true; }

// The count the file access keeps for other threads: the window never
// touches the pool the monitor works with.
int CPressvaneDlg::OpenFtpConnections() const { return m_relay ? m_relay->Files().OpenConnections() : 0; }

// The settings file may not be writable; the choice then lasts for this run.
void CPressvaneDlg::WriteMinimizeToSystemTray(bool on) {
    m_options.minimizeToSystemTray = on;
    m_ini.WriteString("Pressvane", "Minimize To System Tray", YesNo(on), SettingsLoader::SettingsFileOf(m_startup));
}

void CPressvaneDlg::TogglePause() { m_state.pause = !m_state.pause; }

void CPressvaneDlg::JoinMonitor() {
    if (m_monitorThread.joinable()) m_monitorThread.join();
}

}  // namespace pv
