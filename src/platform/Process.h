#pragma once
// Runs another program and waits for it, with an argument vector (never a
// shell command line) and an optional time limit.
#include <chrono>
#include <string>
#include <vector>

namespace pv::platform {

struct ProcessOptions {
    // Folder the program starts in; empty = ours.  Paths here are local paths
    // as the operator wrote them (mapped through ToHostPath).
    std::string workingDir;
    // Longest the program may run; 0 = no limit.  On time-out its whole
    // process group gets SIGTERM, and SIGKILL about a second later.
    std::chrono::milliseconds timeLimit{0};
    // Files that receive the program's output (created or truncated); empty =
    // /dev/null.  The same file for both keeps the two streams interleaved.
    std::string stdoutFile;
    std::string stderrFile;
};

struct ProcessResult {
    bool started = false;   // false: nothing ran, error says why
    bool timedOut = false;  // stopped because the time limit passed
    int exitCode = -1;      // exit status, -1 when ended by a signal
    int signal = 0;         // signal that ended it, 0 when it exited
    std::string error;
    int startErrno = 0;     // the system's error when the program could not be started
};

// Runs argv[0] with the arguments argv[1..] exactly as given.  A program name
// without '/' is looked up on PATH; a relative path with '/' is taken from the
// working folder.  The child gets /dev/null as input, default signal handling,
// no blocked signals, no inherited descriptors beyond 0-2, and its own
// process group.
ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// The argument vector that runs a script or program: ".bat" and ".cmd" files
// (any case) are handed to /bin/sh, everything else is run directly.
// scriptPath must already be a host path.
std::vector<std::string> CommandForScript(const std::string& scriptPath, const std::vector<std::string>& args = {});

}  // namespace pv::platform
