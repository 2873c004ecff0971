#pragma once
// Takes away what a process of this service that died (kill -9, power cut)
// left behind, at the next start and before the first pass: the lock it held
// on an output folder, its lock candidate, the hidden copy (or index page) it
// was writing, the work file of the page it was writing, and private
// temporary folders no live process holds.  Another writer's
// lock is never touched: a lock file goes only when it still holds the dead
// process's identifier.
#include <map>
#include <string>

#include "config/DirOptions.h"
#include "platform/Reporter.h"
#include "relay/FolderLock.h"
#include "transport/FileAccess.h"

namespace pv {

class CrashLeftovers {
public:
    CrashLeftovers(FileAccess& files, FolderLock& lock, Reporter& reporter)
        : m_files(files), m_lock(lock), m_reporter(reporter) {}

    // leftover: what the in-flight record held at start.  routes give FTP
    // folders back the credentials the record leaves out.
    void Clean(const std::map<std::string, std::string>& leftover, const RouteList& routes);
    void RemoveAbandonedTempFolders(const std::string& parent);

    // The folder as the routes write it, credentials included: the output
    // folder (or its prefix folder) whose display form starts the shown one;
    // the shown folder itself when no route has it.
    static std::string WithRouteCredentials(const std::string& shownFolder, const RouteList& routes);

private:
    void RemoveCopy(const std::string& path);
    void RemoveWorkFile(const std::string& path);
    void ReleaseLock(const std::string& entry, const RouteList& routes);

    FileAccess& m_files;
    FolderLock& m_lock;
    Reporter& m_reporter;
};

}  // namespace pv
