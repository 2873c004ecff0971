#include "relay/PostMoveCommands.h"

#include <algorithm>

#include "platform/File.h"
#include "platform/HostPath.h"
#include "platform/Process.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

std::string PostMoveCommands::LauncherPath() const { return JoinPath(m_workingFolder, "Pressvane\\Bat.bat"); }

namespace {

constexpr size_t kMaxScriptBytes = 1024 * 1024;

// A script's text, or empty when it cannot be read or is implausibly large.
std::string ReadScript(const std::string& host) {
    platform::File file;
    if (!file.OpenHost(host, platform::File::modeRead)) return {};
    const int64_t size = file.Size();
    if (size <= 0 || size > static_cast<int64_t>(kMaxScriptBytes)) return {};
    std::string bytes(static_cast<size_t>(size), '\0');
    return file.Read(bytes.data(), size) == size ? bytes : std::string();
}

}  // namespace

// The launcher "Bat.bat" holds the one line "%1": run the file named by the
// first argument.  It is kept for the folders that share it with other
// systems.
bool PostMoveCommands::EnsureLauncher() {
    CFTPFile launcher(m_files);
    if (launcher.Exist(LauncherPath(), 0)) return true;
    const unsigned mode = platform::File::modeCreate | platform::File::modeWrite | platform::File::shareExclusive;
    if (!launcher.Open(LauncherPath(), mode)) return false;
    launcher.WriteText("%1\n");
    return launcher.Close();
}

// The launcher as the service writes it ("%1") runs the batch file itself,
// through /bin/sh.  A launcher the operator changed is a script of its own:
// /bin/sh runs its text with the batch file as its one argument - "%1" in it
// stands for that argument - so no name ever becomes part of a command line.
std::vector<std::string> LaunchCommand(const std::string& launcherText, const std::string& launcherHost,
                                       const std::string& batchHost) {
    std::string text;
    for (char c : launcherText)
        if (c != '\r') text += c;
    const size_t first = text.find_first_not_of(" \t\n");
    const size_t last = text.find_last_not_of(" \t\n");
    if (first == std::string::npos || text.substr(first, last - first + 1) == "%1")
        return {"/bin/sh", batchHost};
    for (const char* argument : {"\"%1\"", "%1"}) {
        for (size_t at = 0; (at = text.find(argument, at)) != std::string::npos;) {
            text.replace(at, std::string(argument).size(), "\"$1\"");
            at += 4;
        }
    }
    return {"/bin/sh", "-c", text, launcherHost, batchHost};
}

// Batch files written on Windows end their lines with CR LF; a CR left in a
// line would end up in a command or a file name.  The file is deleted after
// its run, so it is rewritten without them first.
void DropCarriageReturns(const std::string& host) {
    std::string bytes = ReadScript(host);
    if (bytes.find('\r') == std::string::npos) return;
    bytes.erase(std::remove(bytes.begin(), bytes.end(), '\r'), bytes.end());
    platform::File out;
    if (!out.OpenHost(host, platform::File::modeWrite | platform::File::modeCreate)) return;
    out.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
    out.Close();
}

void PostMoveCommands::RunOne(const std::string& batchFile) {
    std::string host, launcherHost;
    if (!platform::ToHostPath(batchFile, host) || !platform::ToHostPath(LauncherPath(), launcherHost)) return;
    DropCarriageReturns(host);
    platform::ProcessOptions options;
    options.timeLimit = m_timeLimit;
    const platform::ProcessResult result = platform::RunProcess(LaunchCommand(ReadScript(launcherHost), launcherHost, host), options);
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
