#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/HostPath.h"
#include "platform/Wildcard.h"

extern char** environ;

namespace pv::platform {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kStopGrace = std::chrono::seconds(1);

struct HostOptions {
    std::string workingDir;
    std::string stdoutFile;
    std::string stderrFile;
};

class SpawnActions {
public:
    SpawnActions() { ::posix_spawn_file_actions_init(&m_actions); }
    ~SpawnActions() { ::posix_spawn_file_actions_destroy(&m_actions); }
    SpawnActions(const SpawnActions&) = delete;
    SpawnActions& operator=(const SpawnActions&) = delete;
    posix_spawn_file_actions_t* Get() { return &m_actions; }

private:
    posix_spawn_file_actions_t m_actions;
};

class SpawnAttributes {
public:
    SpawnAttributes() { ::posix_spawnattr_init(&m_attributes); }
    ~SpawnAttributes() { ::posix_spawnattr_destroy(&m_attributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;
    posix_spawnattr_t* Get() { return &m_attributes; }

private:
    posix_spawnattr_t m_attributes;
};

bool MapOptional(const std::string& path, std::string& host, std::string& error) {
    if (path.empty()) return true;
    std::string why;
    if (ToHostPath(path, host, &why)) return true;
    error = "cannot use " + path + ": " + why;
    return false;
}

bool MapOptions(const ProcessOptions& options, HostOptions& host, std::string& error) {
    if (!MapOptional(options.workingDir, host.workingDir, error) ||
        !MapOptional(options.stdoutFile, host.stdoutFile, error) ||
        !MapOptional(options.stderrFile, host.stderrFile, error))
        return false;
    struct stat st {};
    if (host.workingDir.empty() || (::stat(host.workingDir.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) return true;
    error = "working folder " + host.workingDir + " does not exist";
    return false;
}

int AddOutput(posix_spawn_file_actions_t* actions, int fd, const std::string& file) {
    const char* target = file.empty() ? "/dev/null" : file.c_str();
    return ::posix_spawn_file_actions_addopen(actions, fd, target, O_WRONLY | O_CREAT | O_TRUNC, 0644);
}

// Output files are opened before the change of folder, so relative output
// paths mean the same as they do to the caller.
int PrepareActions(posix_spawn_file_actions_t* actions, const HostOptions& host) {
    int rc = ::posix_spawn_file_actions_addopen(actions, 0, "/dev/null", O_RDONLY, 0);
    if (rc == 0) rc = AddOutput(actions, 1, host.stdoutFile);
    if (rc == 0 && !host.stdoutFile.empty() && host.stdoutFile == host.stderrFile)
        rc = ::posix_spawn_file_actions_adddup2(actions, 1, 2);
    else if (rc == 0)
        rc = AddOutput(actions, 2, host.stderrFile);
    if (rc == 0) rc = ::posix_spawn_file_actions_addclosefrom_np(actions, 3);
    if (rc == 0 && !host.workingDir.empty())
        rc = ::posix_spawn_file_actions_addchdir_np(actions, host.workingDir.c_str());
    return rc;
}

// Own process group (so a time-out can stop everything the program started),
// default handling for every signal and nothing blocked, whatever the service
// itself ignores or blocks.
int PrepareAttributes(posix_spawnattr_t* attributes) {
    sigset_t all, none;
    sigfillset(&all);
    sigemptyset(&none);
    int rc = ::posix_spawnattr_setflags(attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                                        POSIX_SPAWN_SETSIGMASK);
    if (rc == 0) rc = ::posix_spawnattr_setpgroup(attributes, 0);
    if (rc == 0) rc = ::posix_spawnattr_setsigdefault(attributes, &all);
    if (rc == 0) rc = ::posix_spawnattr_setsigmask(attributes, &none);
    return rc;
}

int Spawn(const std::vector<std::string>& argv, const HostOptions& host, pid_t& pid) {
    SpawnActions actions;
    SpawnAttributes attributes;
    int rc = PrepareActions(actions.Get(), host);
    if (rc == 0) rc = PrepareAttributes(attributes.Get());
    if (rc != 0) return rc;
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const char* program = argv[0].c_str();
    if (argv[0].find('/') == std::string::npos)
        return ::posix_spawnp(&pid, program, actions.Get(), attributes.Get(), args.data(), environ);
    return ::posix_spawn(&pid, program, actions.Get(), attributes.Get(), args.data(), environ);
}

// Whether the child has ended, without reaping it: while it is an unreaped
// zombie its id cannot be reused, so signalling its group stays safe.
// ECHILD (someone else reaped it) also counts as ended.
bool HasEnded(pid_t pid) {
    siginfo_t info {};
    if (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0) return info.si_pid == pid;
    return errno == ECHILD;
}

// Waits until the child has ended or the deadline has passed; true if it ended.
// Polls quickly at first so short programs return at once, then every 10 ms.
bool AwaitEnd(pid_t pid, Clock::time_point deadline) {
    auto pause = std::chrono::milliseconds(1);
    while (!HasEnded(pid)) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(pause);
        if (pause < std::chrono::milliseconds(10)) pause *= 2;
    }
    return true;
}

void StopGroup(pid_t pid) {
    ::kill(-pid, SIGTERM);
    AwaitEnd(pid, Clock::now() + kStopGrace);
    ::kill(-pid, SIGKILL);
}

// Collects the child's exit status and tells how it ended.
void Reap(pid_t pid, ProcessResult& result) {
    int status = 0;
    pid_t reaped = 0;
    do {
        reaped = ::waitpid(pid, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    if (reaped != pid) {
        result.error = std::string("cannot learn how the program ended: ") + std::strerror(errno);
    } else if (WIFEXITED(status)) {
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

bool HasScriptExtension(const std::string& path) {
    if (path.size() < 4) return false;
    const std::string_view tail = std::string_view(path).substr(path.size() - 4);
    return EqualsIgnoringCase(tail, ".bat") || EqualsIgnoringCase(tail, ".cmd");
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, const ProcessOptions& options) {
    ProcessResult result;
    if (argv.empty() || argv[0].empty()) {
        result.error = "no program to run";
        return result;
    }
    HostOptions host;
    if (!MapOptions(options, host, result.error)) return result;
    pid_t pid = 0;
    if (const int rc = Spawn(argv, host, pid); rc != 0) {
        result.error = "cannot start " + argv[0] + ": " + std::strerror(rc);
        result.startErrno = rc;
        return result;
    }
    result.started = true;
    if (options.timeLimit.count() > 0 && !AwaitEnd(pid, Clock::now() + options.timeLimit)) {
        result.timedOut = true;
        result.error = "stopped after its time limit of " + std::to_string(options.timeLimit.count()) + " ms";
        StopGroup(pid);
    }
    Reap(pid, result);
    return result;
}

std::vector<std::string> CommandForScript(const std::string& scriptPath, const std::vector<std::string>& args) {
    std::vector<std::string> command;
    if (HasScriptExtension(scriptPath)) command.push_back("/bin/sh");
    command.push_back(scriptPath);
    command.insert(command.end(), args.begin(), args.end());
    return command;
}

}  // namespace pv::platform
