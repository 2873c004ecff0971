#pragma once
// The relay pieces wired up on a temporary working folder, for tests.
#include <filesystem>

#include "notify/TraceLog.h"
#include "notify/WireMessages.h"
#include "relay/DirectoryScan.h"
#include "relay/FileTransfer.h"
#include "relay/FolderLock.h"
#include "relay/MonitorState.h"
#include "relay/PostMoveCommands.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"

namespace pv::test {

struct RelayFixture {
    static FileAccessSettings FastFtp() {
        FileAccessSettings settings;
        settings.secondsBetweenFtpCommands = 0;
        settings.delayAfterLogonSeconds = 0;
        return settings;
    }
    std::string Folder(const std::string& name) const {
        std::filesystem::create_directories(dir.Path() / name);
        return dir.Folder() + name + "/";
    }
    CDirOptions Route(const std::string& in, std::vector<std::string> outputs) const {
        CDirOptions route;
        route.m_inDir = Location::Parse(in);
        for (const std::string& output : outputs) route.m_destDirs.push_back(Location::Parse(output));
        route.m_eScanTwice = ScanTwiceMode::never;
        route.m_bLockOutputFolders = false;
        return route;
    }
    // What was reported as typed events, status notes left out.
    std::vector<ProgressEvent> Milestones() const {
        std::vector<ProgressEvent> milestones = reporter.Events();
        std::erase_if(milestones, [](const ProgressEvent& e) { return std::holds_alternative<StatusNote>(e); });
        return milestones;
    }
    int StatusCount(const std::string& needle) const {
        int n = 0;
        for (const auto& line : reporter.StatusLines()) n += line.find(needle) != std::string::npos ? 1 : 0;
        return n;
    }

    TempDir dir;
    FakeClock clock{std::chrono::system_clock::now()};
    RecordingReporter reporter;
    TraceLog trace{clock};
    MonitorState state;
    FileAccess files{reporter, clock, FastFtp()};
    WireMessages messages{files, reporter, dir.Folder(), &state.passHadFatalError};
    FolderLock lock{files, reporter, trace, clock, state.exit};
    PostMoveCommands postMove{files, reporter, dir.Folder(), std::chrono::seconds(5)};
    FileTransfer transfer{files, reporter, lock, postMove};
    DirectoryScan scan{files, reporter, trace, clock, state, messages, transfer};
};

}  // namespace pv::test
