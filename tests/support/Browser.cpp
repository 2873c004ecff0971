#include "support/Browser.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "support/TempDir.h"

extern char** environ;

namespace pv::test {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

std::string Tail(const std::string& text, size_t bytes) {
    return text.size() <= bytes ? text : text.substr(text.size() - bytes);
}

// Our environment with HOME pointing into the scratch folder: whatever the
// browser keeps under the home folder goes away with the scratch folder.
std::vector<std::string> BrowserEnvironment(const std::string& home) {
    std::vector<std::string> environment;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        if (entry.rfind("HOME=", 0) == 0) continue;
        environment.push_back(entry);
    }
    environment.push_back("HOME=" + home);
    return environment;
}

// Waits for the browser until the limit; then kills its group.  Stray
// helpers left in the group after the browser itself ended are killed too.
// Returns the wait status, or -1 when the limit passed.
int WaitForGroup(pid_t pid, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    int status = 0;
    for (;;) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(-pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
            return -1;
        }
        std::this_thread::sleep_for(20ms);
    }
    ::kill(-pid, SIGKILL);  // ESRCH when the group is gone already
    return status;
}

}  // namespace

std::string FileUrl(const std::string& absolutePath) {
    static const char* const kHex = "0123456789ABCDEF";
    std::string url = "file://";
    for (const unsigned char c : absolutePath) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                           c == '_' || c == '.' || c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

RenderedPage RenderInChromium(const std::string& absolutePath, std::chrono::milliseconds limit) {
    RenderedPage page;
    if (::access(kChromiumPath, X_OK) != 0) {
        page.outcome = RenderedPage::Outcome::absent;
        page.details = std::string(kChromiumPath) + " is not installed (scripts/install-deps installs it)";
        return page;
    }
    TempDir scratch;
    const std::string profile = scratch / "profile";
    const std::string domFile = scratch / "dom.html";
    const std::string logFile = scratch / "browser.log";
    fs::create_directory(profile);

    const std::vector<std::string> argv = {kChromiumPath,
                                           "--headless",
                                           "--no-sandbox",
                                           "--disable-gpu",
                                           "--disable-quic",
                                           "--no-first-run",
                                           "--disable-background-networking",
                                           "--disable-component-update",
                                           "--disable-sync",
                                           "--user-data-dir=" + profile,
                                           "--dump-dom",
                                           FileUrl(absolutePath)};
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    std::vector<std::string> environment = BrowserEnvironment(scratch.Path().string());
    std::vector<char*> env;
    for (auto& e : environment) env.push_back(e.data());
    env.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, domFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, logFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addchdir_np(&actions, scratch.Path().c_str());
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);  // a group of its own, so its helpers can be ended with it
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, kChromiumPath, &actions, &attributes, args.data(), env.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        page.details = std::string("cannot start ") + kChromiumPath + ": error " + std::to_string(spawned);
        return page;
    }

    const int status = WaitForGroup(pid, limit);
    page.dom = ReadWholeFile(domFile);
    const std::string log = Tail(ReadWholeFile(logFile), 4000);
    if (status < 0) {
        page.details = "chromium did not finish within " + std::to_string(limit.count()) + " ms\n" + log;
        return page;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || page.dom.empty()) {
        page.details = (WIFEXITED(status) ? "chromium exited with " + std::to_string(WEXITSTATUS(status))
                                          : "chromium ended by signal " + std::to_string(WTERMSIG(status))) +
                       (page.dom.empty() ? ", printing no document\n" : "\n") + log;
        return page;
    }
    page.outcome = RenderedPage::Outcome::rendered;
    return page;
}

}  // namespace pv::test
