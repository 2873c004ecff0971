#include "relay/DirectoryScan.h"

#include <cstdio>

#include "notify/TimeStamp.h"
#include "platform/HostPath.h"
#include "platform/WriteProbe.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

// FTP listings give the server's local time as if it were UTC; a server east
// of us would otherwise list every file as "in the future" and never have it
// taken.  Fourteen hours is the widest offset there is.
constexpr std::time_t kFtpClockAllowance = 14 * 3600;

// Characters no Windows file name can hold; such a name never reaches an output.
constexpr const char* kForbidden = "\\/:*?\"<>|";


bool PublishesStories(const CDirOptions& route) {
    return route.m_bProcessDatFiles || route.m_bProcessTxtFiles || route.m_bPrecreateTxtFiles;
}

}  // namespace

DirectoryScan::DirectoryScan(FileAccess& files, Reporter& reporter, TraceLog& trace, platform::Clock& clock,
                             MonitorState& state, WireMessages& messages, FileTransfer& transfer, PublishOrder order,
                             StoryHandler story)
    : m_files(files),
      m_reporter(reporter),
      m_trace(trace),
      m_clock(clock),
      m_state(state),
      m_messages(messages),
      m_transfer(transfer),
      m_publishOrder(order),
      m_story(std::move(story)) {}

bool DirectoryScan::ListFiles(const Location& folder, const std::string& pattern, bool ftp,
                              std::vector<tagFileInfo>& files) {
    CFTPFile lister(m_files);
    std::string name;
    const int handle = lister.FindFirst(folder, pattern, name);
    if (handle < 0 && !lister.ErrorText().empty()) return false;
    const std::time_t scanStart = m_clock.NowSeconds() + (ftp ? kFtpClockAllowance : 0);
    while (!name.empty() && !m_state.exit) {
        const std::time_t when = lister.GetFindFileTime(handle);
        if (when <= scanStart)
            files.push_back({name, static_cast<uint64_t>(std::max<int64_t>(0, lister.GetFindFileSize(handle))), when});
        name = lister.FindNext(handle);
    }
    lister.FindClose(handle);
    Order(files, m_publishOrder);
    return true;
}

// On equal times the one listed first stays first.
void DirectoryScan::Order(std::vector<tagFileInfo>& files, PublishOrder order) {
    if (order == PublishOrder::oldestFirst)
        std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    else if (order == PublishOrder::newestFirst)
        std::stable_sort(files.begin(), files.end(), [](const auto& a, const auto& b) { return a.time > b.time; });
}

void DirectoryScan::ProcessDirectory(const CDirOptions& route) {
    const std::time_t callStart = m_clock.NowSeconds();
    std::string lastFileLine;
    std::time_t lastStart = callStart;
    if (!route.m_inDir.Empty()) {
        const std::string& shownFolder = route.m_inDir.Display();
        if (route.m_bProcessTxtFiles && (route.m_strAliases.empty() || route.m_strAliases.front().empty())) {
            m_reporter.Status("Cannot process txt files without an Alias in " + shownFolder, true);
            return;
        }
        if (!route.m_inDir.Problem().ok()) {
            m_messages.PostFatalError(&route, "", route.m_inDir.Problem().message());
            return;
        }
        const char* pattern = route.m_bProcessDatFiles ? "*.dat" : route.m_bProcessTxtFiles ? "*.txt" : "*.*";
        const char* label = route.m_bProcessDatFiles ? "DAT" : route.m_bProcessTxtFiles ? "TXT" : "any";
        m_reporter.Status("Searching directory " + shownFolder + " for " + label + " files to transfer.",
                          m_state.newHour);
        const bool ftp = route.m_inDir.IsFtp();
        std::vector<tagFileInfo> files;
        if (!ListFiles(route.m_inDir, pattern, ftp, files)) {
            m_messages.PostFatalError(&route, "", "Fatal error checking directory: " + shownFolder + "\n");
            return;
        }
        for (const tagFileInfo& file : files) {
            if (m_state.exit) break;
            const std::time_t fileStart = m_clock.NowSeconds();
            StoryOutcome story;
            if (HandleFile(route, file, ftp, story)) {
                lastStart = fileStart;
                lastFileLine = "Transferring " + file.name + " to " + story.alias + " containing slug " + story.slug +
                               ".\n";
            }
        }
    }
    m_reporter.Status(lastFileLine + " Time needed to process all operations for this file is: " +
                          ElapsedText(m_clock.NowSeconds() - lastStart),
                      m_state.newHour);
}

// A file is taken when two successive scans saw it at the same size.
bool DirectoryScan::PassesScanTwice(const CDirOptions& route, const tagFileInfo& file, bool ftp) {
    const bool on = route.m_eScanTwice == ScanTwiceMode::always || (route.m_eScanTwice == ScanTwiceMode::ftpOnly && ftp);
    if (!on) return true;
    ScanTwiceMemory& seen = m_scanTwice[&route];
    auto& names = seen.names;
    auto& sizes = seen.sizes;
    for (size_t i = 0; i < names.size(); ++i) {
        if (names[i] != file.name) continue;
        if (sizes[i] == file.size) {
            names.erase(names.begin() + static_cast<std::ptrdiff_t>(i));
            sizes.erase(sizes.begin() + static_cast<std::ptrdiff_t>(i));
            return true;
        }
        sizes[i] = file.size;
        return false;
    }
    names.push_back(file.name);
    sizes.push_back(file.size);
    return false;
}

bool DirectoryScan::AcceptableName(const CDirOptions& route, const std::string& name) {
    std::string why;
    const bool windowsSafe = name.find_first_of(kForbidden) == std::string::npos;
    if (windowsSafe && platform::IsSafeFileName(name, &why)) return true;
    if (why.empty()) why = "it holds a character file names cannot have";
    if (DueForReport(route.m_inDir.Display() + name))
        m_reporter.Status("Refusing the file " + name + " in " + route.m_inDir.Display() + ": " + why +
                              ".",
                          true);
    return false;
}

// A refused file stays where it is and is met again on every pass: it is
// reported when first seen, then at most once an hour.
bool DirectoryScan::DueForReport(const std::string& path) {
    const std::time_t now = m_clock.NowSeconds();
    const auto seen = m_refusedReported.find(path);
    if (seen != m_refusedReported.end() && now - seen->second < kRefusedReportSeconds && now >= seen->second)
        return false;
    if (m_refusedReported.size() >= kMaxRefusedRemembered) m_refusedReported.clear();
    m_refusedReported[path] = now;
    return true;
}

// Another program still writing the file keeps it for a later pass.  FTP
// inputs rely on the scan start time and the scan-twice check instead.
bool DirectoryScan::StillBeingWritten(const Location& file, bool ftp) {
    if (ftp) return false;
    TraceScope scope(m_trace, "CPressvaneDlg::ProcessDirectory - Trial open");
    return platform::ProbeWriters(file.Path()) == platform::WriteState::beingWritten;
}

void DirectoryScan::ShowStart(const tagFileInfo& file) {
    std::tm local{};
    platform::Clock::LocalTime(file.time, local);
    char when[64];
    std::snprintf(when, sizeof when, "%02d-%02d-%04d %02d:%02d", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900,
                  local.tm_hour, local.tm_min);
    m_reporter.Status("Transferring " + file.name + " to  containing slug .\nSource file time is: " + when +
                          "\nTime needed to start file is: " + ElapsedText(m_clock.NowSeconds() - file.time),
                      true);
}

bool DirectoryScan::HandleFile(const CDirOptions& route, const tagFileInfo& file, bool ftp, StoryOutcome& story) {
    // A copy still being written into this folder (by this service on
    // another route, or another instance) is not a file yet.
    if (IsHiddenCopyName(file.name)) return false;
    if (!AcceptableName(route, file.name)) return false;
    if (!PassesScanTwice(route, file, ftp)) return false;
    ShowStart(file);
    if (PublishesStories(route)) {
        if (m_story) story = m_story(route, file);
        return true;
    }
    const bool scanTwice = route.m_eScanTwice == ScanTwiceMode::always ||
                           (route.m_eScanTwice == ScanTwiceMode::ftpOnly && ftp);
    if (!scanTwice && StillBeingWritten(route.m_inDir.Join(file.name), ftp)) return true;
    m_transfer.Transfer(route, file);
    return true;
}

}  // namespace pv
