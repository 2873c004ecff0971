#include "platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/FolderCaseIndex.h"
#include "platform/HostPath.h"
#include "platform/Wildcard.h"

namespace pv::platform {

namespace {

bool Map(const std::string& path, std::string& host, std::string* error) {
    std::string mapError;
    if (ToHostPath(path, host, &mapError)) return true;
    if (error) *error = mapError;
    return false;
}

std::string WithoutTrailingSeparator(std::string host) {
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

void SetErrno(std::string* error, const std::string& what, const std::string& path) {
    if (error) *error = what + " " + path + ": " + std::strerror(errno);
}

bool FailErrno(std::string* error, const std::string& what, const std::string& path) {
    SetErrno(error, what, path);
    return false;
}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// A file descriptor closed when it goes out of scope.
class UniqueFd {
public:
    explicit UniqueFd(int fd) : m_fd(fd) {}
    ~UniqueFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    int Get() const { return m_fd; }
    bool IsOpen() const { return m_fd >= 0; }
    // Closes now; false when the close reported an error (a lost write).
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

using DirHandle = std::unique_ptr<DIR, int (*)(DIR*)>;

// Size, kind and time of one folder entry, following a symbolic link; a
// dangling link counts as an empty file.  False when the entry vanished.
bool DescribeEntry(int folderFd, const char* name, DirEntry& entry) {
    struct stat st {};
    if (::fstatat(folderFd, name, &st, 0) != 0) {
        if (::fstatat(folderFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
        st.st_size = 0;
    }
    entry.name = name;
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.size = S_ISDIR(st.st_mode) ? 0 : static_cast<int64_t>(st.st_size);
    entry.modified = st.st_mtime;
    return true;
}

bool ListingOrder(const DirEntry& a, const DirEntry& b) {
    const int order = CompareIgnoringCase(a.name, b.name);
    return order != 0 ? order < 0 : a.name < b.name;
}

bool ReadBlock(int fd, char* buffer, size_t capacity, ssize_t& got) {
    do {
        got = ::read(fd, buffer, capacity);
    } while (got < 0 && errno == EINTR);
    return got >= 0;
}

bool WriteAll(int fd, const char* data, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, data, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        data += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// The kernel copies (and may share blocks) without the data passing through
// us; file systems that cannot do that fall back to the read/write loop.
enum class KernelCopy { done, failed, unsupported };

KernelCopy CopyInKernel(int source, int target) {
    for (bool first = true;; first = false) {
        const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0);
        if (n > 0) continue;
        if (n == 0) return KernelCopy::done;
        if (errno == EINTR) continue;
        const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
        return first && unsupported ? KernelCopy::unsupported : KernelCopy::failed;
    }
}

bool CopyBytes(int source, int target, const std::string& hostFrom, const std::string& hostTo,
               std::string* error) {
    switch (CopyInKernel(source, target)) {
    case KernelCopy::done: return true;
    case KernelCopy::failed: return FailErrno(error, "cannot copy", hostFrom + " to " + hostTo);
    case KernelCopy::unsupported: break;
    }
    constexpr size_t bufferSize = 256 * 1024;
    const auto buffer = std::make_unique<char[]>(bufferSize);
    for (;;) {
        ssize_t got = 0;
        if (!ReadBlock(source, buffer.get(), bufferSize, got)) return FailErrno(error, "cannot read", hostFrom);
        if (got == 0) return true;
        if (!WriteAll(target, buffer.get(), static_cast<size_t>(got)))
            return FailErrno(error, "cannot write", hostTo);
    }
}

// True when hostTo already names the file that is open as the source, so
// replacing it would destroy what is about to be copied.
bool IsSameFile(const struct stat& source, const std::string& hostTo) {
    struct stat target {};
    return ::stat(hostTo.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
           target.st_ino == source.st_ino;
}

bool Renamed(const std::string& hostFrom, const std::string& hostTo) {
    FolderCaseIndex::Shared().NoteRemoved(hostFrom);
    FolderCaseIndex::Shared().NoteAdded(hostTo);
    return true;
}

constexpr mode_t kNewFileMode = 0644;  // less the process's umask

int OpenTarget(const std::string& hostTo, bool failIfExists) {
    const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
    return ::open(hostTo.c_str(), flags, kNewFileMode);
}

// The umask, read without changing it (umask() would, for a moment, for
// every thread).
mode_t ProcessUmask() {
    static const mode_t mask = [] {
        mode_t found = 022;
        if (FILE* status = std::fopen("/proc/self/status", "re")) {
            char line[256];
            unsigned value = 0;
            while (std::fgets(line, sizeof line, status))
                if (std::sscanf(line, "Umask: %o", &value) == 1) found = static_cast<mode_t>(value & 0777);
            std::fclose(status);
        }
        return found;
    }();
    return mask;
}

// A copy writes through a symbolic link at the target; a rename would
// replace the link itself.
bool IsSymbolicLink(const std::string& host) {
    struct stat st {};
    return ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool RenameStandsInForCopy(const struct stat& source, const std::string& hostTo) {
    return S_ISREG(source.st_mode) && source.st_nlink == 1 && source.st_uid == ::geteuid() &&
           !IsSameFile(source, hostTo) && !IsSymbolicLink(hostTo);
}

bool RenameHost(const std::string& hostFrom, const std::string& hostTo, bool replace, std::string* error) {
    if (replace && ::rename(hostFrom.c_str(), hostTo.c_str()) == 0) return Renamed(hostFrom, hostTo);
    if (!replace) {
        if (::renameat2(AT_FDCWD, hostFrom.c_str(), AT_FDCWD, hostTo.c_str(), RENAME_NOREPLACE) == 0)
            return Renamed(hostFrom, hostTo);
        // File systems without RENAME_NOREPLACE: link refuses an existing target.
        if ((errno == EINVAL || errno == ENOSYS) && ::link(hostFrom.c_str(), hostTo.c_str()) == 0) {
            ::unlink(hostFrom.c_str());
            return Renamed(hostFrom, hostTo);
        }
    }
    SetErrno(error, "cannot rename", hostFrom + " to " + hostTo);
    return false;
}

// Copies the bytes of hostFrom into hostTarget (created, or replaced unless
// failIfExists).  hostFinal is the name the copy ends up under: the source
// must not be that file.  A target left incomplete is removed.
bool CopyHost(const std::string& hostFrom, const std::string& hostTarget, const std::string& hostFinal,
              bool failIfExists, std::string* error) {
    UniqueFd source(::open(hostFrom.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat st {};
    if (!source.IsOpen() || ::fstat(source.Get(), &st) != 0) return FailErrno(error, "cannot open", hostFrom);
    if (S_ISDIR(st.st_mode)) return Fail(error, "cannot copy " + hostFrom + ": it is a folder");
    if (IsSameFile(st, hostFinal)) return Fail(error, "cannot copy " + hostFrom + " onto itself");
    UniqueFd target(OpenTarget(hostTarget, failIfExists));
    if (!target.IsOpen()) return FailErrno(error, "cannot create", hostTarget);
    const bool copied = CopyBytes(source.Get(), target.Get(), hostFrom, hostTarget, error);
    const bool closed = target.Close();
    if (copied && closed) {
        FolderCaseIndex::Shared().NoteAdded(hostTarget);
        return true;
    }
    if (copied) SetErrno(error, "cannot write", hostTarget);
    ::unlink(hostTarget.c_str());
    return false;
}

}  // namespace

Existence Exists(const std::string& path) {
    std::string host;
    if (!Map(path, host, nullptr)) return Existence::unknown;
    struct stat st {};
    if (::stat(WithoutTrailingSeparator(host).c_str(), &st) == 0) return Existence::present;
    return (errno == ENOENT || errno == ENOTDIR) ? Existence::absent : Existence::unknown;
}

bool PathExists(const std::string& path) { return Exists(path) == Existence::present; }

bool IsDirectory(const std::string& path) {
    std::string host;
    struct stat st {};
    return Map(path, host, nullptr) && ::stat(WithoutTrailingSeparator(host).c_str(), &st) == 0 &&
           S_ISDIR(st.st_mode);
}

bool MakeDirs(const std::string& path, std::string* error) {
    std::string host;
    if (!Map(path, host, error)) return false;
    std::error_code ec;
    std::filesystem::create_directories(WithoutTrailingSeparator(host), ec);
    struct stat st {};
    if (::stat(WithoutTrailingSeparator(host).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!ec) FolderCaseIndex::Shared().NoteAdded(host);
        return true;
    }
    if (error) *error = "cannot create folder " + host + ": " + (ec ? ec.message() : "not a folder");
    return false;
}

bool RemoveFile(const std::string& path, std::string* error) {
    std::string host;
    if (!Map(path, host, error)) return false;
    if (::unlink(host.c_str()) == 0) {
        FolderCaseIndex::Shared().NoteRemoved(host);
        return true;
    }
    if (errno == ENOENT) return true;
    SetErrno(error, "cannot remove", host);
    return false;
}

bool RenameReplace(const std::string& from, const std::string& to, std::string* error) {
    std::string hostFrom, hostTo;
    return Map(from, hostFrom, error) && Map(to, hostTo, error) && RenameHost(hostFrom, hostTo, true, error);
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error) {
    std::string hostFrom, hostTo;
    return Map(from, hostFrom, error) && Map(to, hostTo, error) && RenameHost(hostFrom, hostTo, false, error);
}

bool IsExecutable(const std::string& path) {
    std::string host;
    return Map(path, host, nullptr) && ::access(host.c_str(), X_OK) == 0;
}

int64_t FileSize(const std::string& path) {
    std::string host;
    struct stat st {};
    if (!Map(path, host, nullptr) || ::stat(host.c_str(), &st) != 0) return -1;
    return st.st_size;
}

std::time_t ModifiedTime(const std::string& path) {
    std::string host;
    struct stat st {};
    if (!Map(path, host, nullptr) || ::stat(WithoutTrailingSeparator(host).c_str(), &st) != 0) return -1;
    return st.st_mtime;
}

bool SetModifiedTime(const std::string& path, std::time_t modified, std::string* error) {
    std::string host;
    if (!Map(path, host, error)) return false;
    const struct timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    if (::utimensat(AT_FDCWD, WithoutTrailingSeparator(host).c_str(), times, 0) == 0) return true;
    return FailErrno(error, "cannot set the modified time of", host);
}

Existence DescribeEntry(const std::string& path, DirEntry& entry) {
    std::string host;
    if (!Map(path, host, nullptr)) return Existence::unknown;
    struct stat st {};
    if (::stat(host.c_str(), &st) != 0)
        return (errno == ENOENT || errno == ENOTDIR) ? Existence::absent : Existence::unknown;
    const size_t cut = host.find_last_of('/');
    entry.name = cut == std::string::npos ? host : host.substr(cut + 1);
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.size = st.st_size;
    entry.modified = st.st_mtime;
    return Existence::present;
}

bool ListFolder(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& out,
                std::string* error) {
    out.clear();
    std::string host;
    if (!Map(folder, host, error)) return false;
    DirHandle dir(::opendir(host.empty() ? "." : host.c_str()), ::closedir);
    if (!dir) return FailErrno(error, "cannot list folder", host);
    const std::string wanted = pattern.empty() ? "*" : pattern;
    for (;;) {
        errno = 0;
        const dirent* found = ::readdir(dir.get());
        if (!found) break;
        const std::string_view name(found->d_name);
        if (name == "." || name == ".." || !WildcardMatch(wanted, found->d_name)) continue;
        DirEntry entry;
        if (DescribeEntry(::dirfd(dir.get()), found->d_name, entry)) out.push_back(std::move(entry));
    }
    if (errno != 0) {
        out.clear();
        return FailErrno(error, "cannot read folder", host);
    }
    std::sort(out.begin(), out.end(), ListingOrder);
    return true;
}

bool CopyFileContents(const std::string& from, const std::string& to, bool failIfExists, std::string* error) {
    std::string hostFrom, hostTo;
    return Map(from, hostFrom, error) && Map(to, hostTo, error) && CopyHost(hostFrom, hostTo, hostTo, failIfExists, error);
}

bool CopyFileIntoPlace(const std::string& from, const std::string& to, const std::string& temporary,
                       bool failIfExists, std::string* error) {
    std::string hostFrom, hostTo, hostTemporary;
    if (!Map(from, hostFrom, error) || !Map(to, hostTo, error) || !Map(temporary, hostTemporary, error)) return false;
    if (failIfExists && ::access(hostTo.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return FailErrno(error, "cannot create", hostTo);
    }
    if (!CopyHost(hostFrom, hostTemporary, hostTo, true, error)) return false;
    if (RenameHost(hostTemporary, hostTo, !failIfExists, error)) return true;
    if (::unlink(hostTemporary.c_str()) == 0) FolderCaseIndex::Shared().NoteRemoved(hostTemporary);
    return false;
}

bool MoveByRename(const std::string& from, const std::string& to, bool replace) {
    std::string hostFrom, hostTo;
    if (!Map(from, hostFrom, nullptr) || !Map(to, hostTo, nullptr)) return false;
    struct stat st {};
    if (::lstat(hostFrom.c_str(), &st) != 0 || !RenameStandsInForCopy(st, hostTo)) return false;
    const int renamed = replace ? ::rename(hostFrom.c_str(), hostTo.c_str())
                                : ::renameat2(AT_FDCWD, hostFrom.c_str(), AT_FDCWD, hostTo.c_str(), RENAME_NOREPLACE);
    if (renamed != 0) return false;
    Renamed(hostFrom, hostTo);
    const mode_t copyMode = kNewFileMode & ~ProcessUmask();
    if ((st.st_mode & 07777) != copyMode) ::chmod(hostTo.c_str(), copyMode);
    return true;
}

}  // namespace pv::platform
