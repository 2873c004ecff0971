#include "relay/PostMoveCommands.h"

#include "platform/HostPath.h"
#include "platform/Process.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

std::string PostMoveCommands::LauncherPath() const { return JoinPath(m_workingFolder, "Pressvane\\Bat.bat"); }

// The launcher "Bat.bat" holds the one line "%1": run the file named by the
// first argument.  It is kept for the folders that share it with other
// systems; here the batch file itself is handed to /bin/sh as one argument,
// which is what that line does, without ever building a command string.
bool PostMoveCommands::EnsureLauncher() {
    CFTPFile launcher(m_files);
    if (launcher.Exist(LauncherPath(), 0)) return true;
    const unsigned mode = platform::File::modeCreate | platform::File::modeWrite | platform::File::shareExclusive;
    if (!launcher.Open(LauncherPath(), mode)) return false;
    launcher.WriteText("%1\n");
    return launcher.Close();
}

void PostMoveCommands::RunOne(const std::string& batchFile) {
    std::string host;
    if (!platform::ToHostPath(batchFile, host)) return;
    platform::ProcessOptions options;
    options.timeLimit = m_timeLimit;
    const platform::ProcessResult result = platform::RunProcess(platform::CommandForScript(host), options);
    if (result.timedOut)
        m_reporter.Trace("Post-move command " + batchFile + " did not end within its time limit and was stopped.");
    else if (!result.started)
        m_reporter.Trace("Post-move command " + batchFile + " could not be started: " + result.error);
}

void PostMoveCommands::RunPostMoveBatchFiles(const std::string& outputFolderIn) {
    const std::string outputFolder = NormalisePath(outputFolderIn);
    if (IsFtpUrl(outputFolder)) return;
    CFTPFile scratch(m_files);
    std::string name;
    const int handle = scratch.FindFirst(outputFolder + "*.bat", name);
    while (!name.empty()) {
        const std::string fullPath = outputFolder + name;
        if (!EnsureLauncher()) break;
        RunOne(fullPath);
        scratch.Remove(fullPath);
        name = scratch.FindNext(handle);
    }
    scratch.FindClose(handle);
}

}  // namespace pv
