#include "relay/Monitor.h"

#include "transport/Credentials.h"

namespace pv {

using platform::Existence;

Monitor::Monitor(MonitorState& state, RouteList& routes, FolderAccess& folders, Reporter& reporter,
                 platform::Clock& clock, std::string workingFolder, RouteScan scan)
    : m_state(state),
      m_routes(routes),
      m_folders(folders),
      m_reporter(reporter),
      m_clock(clock),
      m_workingFolder(std::move(workingFolder)),
      m_scan(std::move(scan)) {}

void Monitor::Run() {
    if (!m_state.dontMakeDirs) MakeFolders();
    m_reporter.Trace("Monitor: Starting main loop.");
    while (!m_state.exit) {
        RunPass();
        if (m_state.once) break;
        WaitBetweenPasses();
        if (m_state.twice) m_state.once = true;
    }
    m_state.MarkFinished();
}

void Monitor::RunPass() {
    m_state.passHadFatalError = false;
    m_reporter.Report(PassStarted{});
    MarkHour();
    for (size_t i = 0; i < m_routes.size() && !m_state.exit; ++i) {
        m_state.currentRouteIndex = static_cast<int>(i);
        if (m_scan) m_scan(*m_routes[i], static_cast<int>(i));
        while (m_state.pause && !m_state.exit) SleepOneSecond();
    }
    m_folders.CloseAllFtpClients();
    const std::time_t now = m_clock.NowSeconds();
    m_state.lastPassEnd = now;
    if (!m_state.passHadFatalError) m_state.lastGoodPassEnd = now;
    ++m_state.passCount;
    m_reporter.Report(PassEnded{m_state.passHadFatalError});
}

void Monitor::MarkHour() {
    std::tm local{};
    const int hour = platform::Clock::LocalTime(m_clock.NowSeconds(), local) ? local.tm_hour : -1;
    if (hour != m_state.lastHour) {
        m_state.lastHour = hour;
        m_state.newHour = true;
    } else {
        m_state.newHour = false;
    }
}

void Monitor::WaitBetweenPasses() {
    if (m_state.noDelay) {
        SleepOneSecond();
        return;
    }
    for (int slept = 0; (slept < m_state.delaySeconds || m_state.pause) && !m_state.exit; ++slept) SleepOneSecond();
}

void Monitor::MakeFolders() {
    m_reporter.Status("Making directories.", true);
    for (size_t i = 0; i < m_routes.size() && !m_state.exit; ++i) {
        MakeInputFolder(*m_routes[i]);
        MakeOutputFolders(*m_routes[i]);
    }
    m_folders.MakeDirs(Location::Parse(m_workingFolder + "Temp"));
    m_folders.CloseAllFtpClients();
    m_reporter.Trace("Monitor: Mkdir closing all FTP clients");
}

// Traces show folders without their credentials too: a trace file is read by
// more people than the settings file.
void Monitor::MakeInputFolder(const CDirOptions& route) {
    if (route.m_inDir.Empty()) return;
    const Location& folder = route.m_inDir;
    const std::string shown = FolderForDisplay(folder.Written());
    m_reporter.Trace("Input directory name to be checked for existence: " + shown);
    if (m_folders.Exists(folder) == Existence::present) return;
    m_reporter.Status("Directory Doesn't Exist so we are trying to make it.\n" + shown, true);
    m_folders.MakeDirs(folder);
    m_reporter.Trace("Mkdir complete for input directory name: " + shown);
    if (m_folders.Exists(folder) != Existence::present)
        m_reporter.Status("Error: Directory doesn't Exist after trying to make it.\n" + shown, false);
}

void Monitor::MakeOutputFolders(const CDirOptions& route) {
    m_reporter.Trace("Monitor: Checking Output directory names pDirOptions->m_strDestDirs.GetCount: " +
                     std::to_string(route.m_destDirs.size()));
    for (const Location& output : route.m_destDirs) {
        const std::string shown = FolderForDisplay(output.Written());
        m_reporter.Trace("Monitor: Output directory name to be checked for existence: " + shown);
        if (m_folders.Exists(output) != Existence::present) {
            m_reporter.Trace("Monitor: Output directory doesn't exist so we are trying to make it: " + shown);
            m_folders.MakeDirs(output);
            m_reporter.Trace("Monitor: Mkdir complete for output directory name: " + shown);
        }
        m_reporter.Trace("Monitor: Output directory name found: " + shown);
    }
}

}  // namespace pv
