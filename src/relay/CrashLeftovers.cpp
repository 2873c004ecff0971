#include "relay/CrashLeftovers.h"

#include <cstdlib>

#include "platform/FileSystem.h"
#include "platform/PrivateTempFolder.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/FtpPath.h"

namespace pv {

void CrashLeftovers::Clean(const std::map<std::string, std::string>& leftover, const RouteList& routes) {
    if (const auto copy = leftover.find(kInFlightCopy); copy != leftover.end()) RemoveCopy(copy->second);
    if (const auto work = leftover.find(kInFlightWorkFile); work != leftover.end()) RemoveWorkFile(work->second);
    if (const auto lock = leftover.find(kInFlightLock); lock != leftover.end()) ReleaseLock(lock->second, routes);
}

// Only a name of the hidden-copy form is ever removed, whatever the record says.
void CrashLeftovers::RemoveCopy(const std::string& path) {
    std::string name;
    SplitFolderAndName(path, nullptr, &name);
    if (!IsHiddenCopyName(name) || platform::Exists(path) != platform::Existence::present) return;
    std::string error;
    if (platform::RemoveFile(path, &error))
        m_reporter.Status("Removed the unfinished copy " + path + " this service left when it stopped.", true);
    else
        m_reporter.Status("Can't remove the unfinished copy " + path + ". " + error, true);
}

// A page's work file that its writer left unfinished: only a name ending in
// ".part" (a finished work file, "<page>.tmp", may be the only copy of a
// page and is never touched).
void CrashLeftovers::RemoveWorkFile(const std::string& path) {
    std::string name;
    SplitFolderAndName(path, nullptr, &name);
    if (!name.ends_with(".part") || platform::Exists(path) != platform::Existence::present) return;
    std::string error;
    if (platform::RemoveFile(path, &error))
        m_reporter.Status("Removed the unfinished page " + path + " this service left when it stopped.", true);
    else
        m_reporter.Status("Can't remove the unfinished page " + path + ". " + error, true);
}

void CrashLeftovers::ReleaseLock(const std::string& entry, const RouteList& routes) {
    const size_t tab = entry.find('\t');
    if (tab == std::string::npos || tab == 0 || tab > 8) return;
    const std::string hex = entry.substr(0, tab);
    if (hex.find_first_not_of("0123456789ABCDEFabcdef") != std::string::npos) return;
    const uint32_t ownerId = static_cast<uint32_t>(std::strtoul(hex.c_str(), nullptr, 16));
    const std::string shown = entry.substr(tab + 1);
    if (shown.empty()) return;
    CFTPFile file(m_files);
    ShowFailure(m_reporter, m_lock.ReleaseLeftover(file, Location::Parse(WithRouteCredentials(shown, routes)), ownerId));
}

std::string CrashLeftovers::WithRouteCredentials(const std::string& shownFolder, const RouteList& routes) {
    const std::string wanted = NormalisePath(shownFolder);
    for (const auto& route : routes) {
        for (const Location& output : route->m_destDirs) {
            const std::string& outputShown = output.Path();
            if (!output.HasCredentials() || outputShown.empty()) continue;
            if (wanted.compare(0, outputShown.size(), outputShown) != 0) continue;
            // The credential part stays where the route has it; the rest
            // (a prefix folder) follows.
            return output.Written() + wanted.substr(outputShown.size());
        }
    }
    return shownFolder;
}

void CrashLeftovers::RemoveAbandonedTempFolders(const std::string& parent) {
    const int removed = platform::PrivateTempFolder::RemoveAbandoned(parent);
    if (removed > 0)
        m_reporter.Status("Removed " + std::to_string(removed) +
                              " temporary folder(s) that stopped runs of this service left in " + parent + ".",
                          true);
}

}  // namespace pv
