#pragma once
// The monitor thread: makes the folders once, then runs passes over every
// route until told to stop (or after one or two passes).
#include <functional>
#include <string>

#include "config/DirOptions.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "relay/FolderAccess.h"
#include "relay/MonitorState.h"

namespace pv {

class Monitor {
public:
    // Scans one route (by its index in the list).
    using RouteScan = std::function<void(const CDirOptions& route, int index)>;

    Monitor(MonitorState& state, RouteList& routes, FolderAccess& folders, Reporter& reporter,
            platform::Clock& clock, std::string workingFolder, RouteScan scan = {});

    // The thread body; sets the finished flag as its last action.
    void Run();

    void MakeFolders();
    void RunPass();
    void WaitBetweenPasses();

private:
    void MakeInputFolder(const CDirOptions& route);
    void MakeOutputFolders(const CDirOptions& route);
    void MarkHour();
    void SleepOneSecond() { m_clock.SleepFor(std::chrono::seconds(1)); }

    MonitorState& m_state;
    RouteList& m_routes;
    FolderAccess& m_folders;
    Reporter& m_reporter;
    platform::Clock& m_clock;
    std::string m_workingFolder;
    const RouteScan m_scan;
};


}  // namespace pv
