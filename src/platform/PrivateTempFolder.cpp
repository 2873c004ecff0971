#include "platform/PrivateTempFolder.h"

#include <cstdlib>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pv::platform {

namespace {

// A folder that has no lock file yet may be one a live process has just
// made; only one older than this is taken for abandoned.
constexpr std::time_t kUnlockedGraceSeconds = 60;

bool LooksLikeOurs(std::string_view name) {
    const std::string_view prefix(PrivateTempFolder::kPrefix);
    return name.size() == prefix.size() + 6 && name.substr(0, prefix.size()) == prefix;
}

// True when nobody holds the folder's lock file (so it can go), or the folder
// has none and is past the grace time.
bool Abandoned(const std::string& folder, const struct stat& st) {
    const std::string lockPath = folder + "/" + PrivateTempFolder::kLockName;
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::time(nullptr) - st.st_mtime > kUnlockedGraceSeconds;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

}  // namespace

PrivateTempFolder::~PrivateTempFolder() {
    if (m_path.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
    if (m_lockFd >= 0) ::close(m_lockFd);
}

const std::string& PrivateTempFolder::Path() {
    if (!m_path.empty()) return m_path;
    std::string pattern = m_parent + "/" + kPrefix + "XXXXXX";
    if (!::mkdtemp(pattern.data())) return m_path;
    // The lock file gets its name only once it is locked: a folder seen
    // without one is young (the grace time), never one whose lock is free.
    const std::string lockPath = pattern + "/" + kLockName;
    const std::string newLock = lockPath + ".new";
    m_lockFd = ::open(newLock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (m_lockFd >= 0 && (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0 || ::rename(newLock.c_str(), lockPath.c_str()) != 0)) {
        ::close(m_lockFd);
        m_lockFd = -1;
    }
    m_path = pattern + "/";
    return m_path;
}

int PrivateTempFolder::RemoveAbandoned(const std::string& parent) {
    DIR* dir = ::opendir(parent.c_str());
    if (!dir) return 0;
    int removed = 0;
    while (const dirent* entry = ::readdir(dir)) {
        if (!LooksLikeOurs(entry->d_name)) continue;
        const std::string folder = parent + "/" + entry->d_name;
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (!Abandoned(folder, st)) continue;
        std::error_code ec;
        if (std::filesystem::remove_all(folder, ec) > 0 && !ec) ++removed;
    }
    ::closedir(dir);
    return removed;
}

}  // namespace pv::platform
