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

#include "platform/HostPath.h"
#include "platform/Wildcard.h"

namespace pv::platform {

namespace {

std::string WithoutTrailingSeparator(std::string host) {
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR; }

// The host path of an entry about to be made.
bool MapNew(const std::string& path, std::string& host, std::string* error) {
    std::string mapError;
    if (ToHostPath(path, host, &mapError)) return true;
    if (error) *error = mapError;
    return false;
}

// One look at an existing path (stat, or lstat without follow); rc and
// errno as the call left them, host the host path it looked at.
struct Look {
    bool mapped = false;
    int rc = -1;
    int error = 0;
    std::string host;
};

Look LookAt(const std::string& path, struct stat& st, bool follow, bool keepTrailingSeparator = false,
            std::string* mapError = nullptr) {
    Look look;
    look.mapped = OnExistingHostPath(
        path,
        [&](const std::string& host) {
            look.host = host;
            const std::string target = keepTrailingSeparator ? host : WithoutTrailingSeparator(host);
            look.rc = follow ? ::stat(target.c_str(), &st) : ::lstat(target.c_str(), &st);
            look.error = look.rc == 0 ? 0 : errno;
            if (look.rc == 0 && S_ISDIR(st.st_mode)) NoteHostFolderSeen(target, st);
            return look.rc == 0 || !IsMissing(look.error);
        },
        mapError);
    errno = look.error;
    return look;
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

KernelCopy CopyInKernel(int source, int target, int64_t& size) {
    for (bool first = true;; first = false) {
        const ssize_t n = ::copy_file_range(source, nullptr, target, nullptr, 1 << 30, 0);
        if (n > 0) {
            size += n;
            continue;
        }
        if (n == 0) return KernelCopy::done;
        if (errno == EINTR) continue;
        const bool unsupported = errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP;
        return first && unsupported ? KernelCopy::unsupported : KernelCopy::failed;
    }
}

// Adds the bytes copied to size.
bool CopyBytes(int source, int target, const std::string& hostFrom, const std::string& hostTo, int64_t& size,
               std::string* error) {
    switch (CopyInKernel(source, target, size)) {
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
        size += got;
    }
}

// True when hostTo already names the file that is open as the source, so
// replacing it would destroy what is about to be copied.
bool IsSameFile(const struct stat& source, const std::string& hostTo) {
    struct stat target {};
    return ::stat(hostTo.c_str(), &target) == 0 && target.st_dev == source.st_dev &&
           target.st_ino == source.st_ino;
}

void Renamed(const std::string& hostFrom, const std::string& hostTo) {
    NoteHostEntryRemoved(hostFrom);
    NoteHostEntryAdded(hostTo);
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

// The user the service runs as (it never changes it).
uid_t EffectiveUser() {
    static const uid_t user = ::geteuid();
    return user;
}

// A copy writes through a symbolic link at the target; a rename would
// replace the link itself.
bool IsSymbolicLink(const std::string& host) {
    struct stat st {};
    return ::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

// A rename leaves what a copy and the removal of the source would only for
// a plain file of ours with no other name.
bool SourceMayBeRenamed(const struct stat& source) {
    return S_ISREG(source.st_mode) && source.st_nlink == 1 && source.st_uid == EffectiveUser();
}

// Renames; 0, or -1 with errno.
int RenameOnHost(const std::string& hostFrom, const std::string& hostTo, bool replace) {
    if (replace) return ::rename(hostFrom.c_str(), hostTo.c_str());
    if (::renameat2(AT_FDCWD, hostFrom.c_str(), AT_FDCWD, hostTo.c_str(), RENAME_NOREPLACE) == 0) return 0;
    // File systems without RENAME_NOREPLACE: link refuses an existing target.
    if (errno != EINVAL && errno != ENOSYS) return -1;
    if (::link(hostFrom.c_str(), hostTo.c_str()) != 0) return -1;
    ::unlink(hostFrom.c_str());
    return 0;
}

bool RenameHost(const std::string& hostFrom, const std::string& hostTo, bool replace, std::string* error) {
    if (RenameOnHost(hostFrom, hostTo, replace) == 0) {
        Renamed(hostFrom, hostTo);
        return true;
    }
    SetErrno(error, "cannot rename", hostFrom + " to " + hostTo);
    return false;
}

// Renames from (a path as the operator wrote it) to a host path: the source
// is looked up without regard to case only when it is not there as written.
bool RenameTo(const std::string& from, const std::string& hostTo, bool replace, std::string* error) {
    std::string hostFrom;
    int rc = -1;
    if (!OnExistingHostPath(
            from,
            [&](const std::string& host) {
                hostFrom = host;
                rc = RenameOnHost(host, hostTo, replace);
                return rc == 0 || errno != ENOENT;
            },
            error))
        return false;
    if (rc == 0) {
        Renamed(hostFrom, hostTo);
        return true;
    }
    SetErrno(error, "cannot rename", hostFrom + " to " + hostTo);
    return false;
}

// The source of a copy, opened: its host path, descriptor and description.
struct OpenSource {
    std::string host;
    int fd = -1;
    struct stat st {};
    ~OpenSource() {
        if (fd >= 0) ::close(fd);
    }
};

bool OpenCopySource(const std::string& from, OpenSource& source, std::string* error) {
    if (!OnExistingHostPath(
            from,
            [&](const std::string& host) {
                source.host = host;
                source.fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC);
                return source.fd >= 0 || !IsMissing(errno);
            },
            error))
        return false;
    if (source.fd < 0 || ::fstat(source.fd, &source.st) != 0) return FailErrno(error, "cannot open", source.host);
    if (S_ISDIR(source.st.st_mode)) return Fail(error, "cannot copy " + source.host + ": it is a folder");
    return true;
}

// Copies the bytes of the open source into hostTarget (created, or replaced
// unless failIfExists).  hostFinal is the name the copy ends up under: when
// it may exist already, the source must not be that file.  A target left
// incomplete is removed.
bool CopyHost(const OpenSource& source, const std::string& hostTarget, const std::string& hostFinal,
              bool failIfExists, bool finalMayExist, int64_t& size, std::string* error) {
    if (finalMayExist && IsSameFile(source.st, hostFinal))
        return Fail(error, "cannot copy " + source.host + " onto itself");
    UniqueFd target(OpenTarget(hostTarget, failIfExists));
    if (!target.IsOpen()) return FailErrno(error, "cannot create", hostTarget);
    const bool copied = CopyBytes(source.fd, target.Get(), source.host, hostTarget, size, error);
    const bool closed = target.Close();
    if (copied && closed) {
        NoteHostEntryAdded(hostTarget);
        return true;
    }
    if (copied) SetErrno(error, "cannot write", hostTarget);
    ::unlink(hostTarget.c_str());
    return false;
}

// "folder\name" and "folder\other" are in the same folder as written.
bool InFolderOf(const std::string& path, const std::string& other) {
    const size_t cut = path.find_last_of("\\/");
    const size_t otherCut = other.find_last_of("\\/");
    if (cut == std::string::npos || otherCut == std::string::npos) return cut == otherCut;
    return cut == otherCut && path.compare(0, cut, other, 0, otherCut) == 0;
}

}  // namespace

Existence Exists(const std::string& path) {
    struct stat st {};
    const Look look = LookAt(path, st, true);
    if (!look.mapped) return Existence::unknown;
    if (look.rc == 0) return Existence::present;
    return IsMissing(look.error) ? Existence::absent : Existence::unknown;
}

bool PathExists(const std::string& path) { return Exists(path) == Existence::present; }

bool IsDirectory(const std::string& path) {
    struct stat st {};
    const Look look = LookAt(path, st, true);
    return look.mapped && look.rc == 0 && S_ISDIR(st.st_mode);
}

bool MakeDirs(const std::string& path, std::string* error) {
    struct stat st {};
    if (const Look look = LookAt(path, st, true); look.rc == 0 && S_ISDIR(st.st_mode)) return true;
    std::string host;
    if (!MapNew(path, host, error)) return false;
    std::error_code ec;
    std::filesystem::create_directories(WithoutTrailingSeparator(host), ec);
    if (::stat(WithoutTrailingSeparator(host).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!ec) NoteHostEntryAdded(host);
        return true;
    }
    if (error) *error = "cannot create folder " + host + ": " + (ec ? ec.message() : "not a folder");
    return false;
}

bool RemoveFile(const std::string& path, std::string* error) {
    std::string host;
    int rc = -1;
    if (!OnExistingHostPath(
            path,
            [&](const std::string& attempt) {
                host = attempt;
                rc = ::unlink(attempt.c_str());
                return rc == 0 || errno != ENOENT;
            },
            error))
        return false;
    if (rc == 0) {
        NoteHostEntryRemoved(host);
        return true;
    }
    if (errno == ENOENT) return true;
    SetErrno(error, "cannot remove", host);
    return false;
}

bool RenameReplace(const std::string& from, const std::string& to, std::string* error) {
    std::string hostTo;
    return MapNew(to, hostTo, error) && RenameTo(from, hostTo, true, error);
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error) {
    std::string hostTo;
    return MapNew(to, hostTo, error) && RenameTo(from, hostTo, false, error);
}

bool IsExecutable(const std::string& path) {
    int rc = -1;
    return OnExistingHostPath(path,
                              [&](const std::string& host) {
                                  rc = ::access(host.c_str(), X_OK);
                                  return rc == 0 || !IsMissing(errno);
                              }) &&
           rc == 0;
}

int64_t FileSize(const std::string& path) {
    struct stat st {};
    const Look look = LookAt(path, st, true, true);
    return look.mapped && look.rc == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

std::time_t ModifiedTime(const std::string& path) {
    struct stat st {};
    const Look look = LookAt(path, st, true);
    return look.mapped && look.rc == 0 ? st.st_mtime : -1;
}

bool SetModifiedTime(const std::string& path, std::time_t modified, std::string* error) {
    const struct timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
    std::string host;
    int rc = -1;
    if (!OnExistingHostPath(
            path,
            [&](const std::string& attempt) {
                host = attempt;
                rc = ::utimensat(AT_FDCWD, WithoutTrailingSeparator(attempt).c_str(), times, 0);
                return rc == 0 || !IsMissing(errno);
            },
            error))
        return false;
    return rc == 0 || FailErrno(error, "cannot set the modified time of", host);
}

Existence DescribeEntry(const std::string& path, DirEntry& entry) {
    struct stat st {};
    const Look look = LookAt(path, st, true, true);
    if (!look.mapped) return Existence::unknown;
    if (look.rc != 0) return IsMissing(look.error) ? Existence::absent : Existence::unknown;
    const size_t cut = look.host.find_last_of('/');
    entry.name = cut == std::string::npos ? look.host : look.host.substr(cut + 1);
    entry.isDirectory = S_ISDIR(st.st_mode);
    entry.size = st.st_size;
    entry.modified = st.st_mtime;
    return Existence::present;
}

bool ListFolder(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& out,
                std::string* error) {
    out.clear();
    std::string host;
    DirHandle dir(nullptr, ::closedir);
    if (!OnExistingHostPath(
            folder,
            [&](const std::string& attempt) {
                host = attempt;
                dir.reset(::opendir(attempt.empty() ? "." : attempt.c_str()));
                return dir != nullptr || !IsMissing(errno);
            },
            error))
        return false;
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
    OpenSource source;
    std::string hostTo;
    int64_t size = 0;
    return OpenCopySource(from, source, error) && MapNew(to, hostTo, error) &&
           CopyHost(source, hostTo, hostTo, failIfExists, !failIfExists, size, error);
}

bool CopyFileIntoPlace(const std::string& from, const std::string& to, const std::string& temporary,
                       bool failIfExists, std::string* error, const PlacedCopy& placed) {
    std::string hostTo, hostTemporary;
    if (!MapNew(to, hostTo, error)) return false;
    // The temporary name is new in the target's folder: no need to look for it there.
    if (InFolderOf(temporary, to)) {
        const size_t cut = hostTo.find_last_of('/');
        const size_t nameCut = temporary.find_last_of("\\/");
        hostTemporary = (cut == std::string::npos ? std::string() : hostTo.substr(0, cut + 1)) +
                        (nameCut == std::string::npos ? temporary : temporary.substr(nameCut + 1));
    } else if (!MapNew(temporary, hostTemporary, error)) {
        return false;
    }
    if (failIfExists && ::access(hostTo.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return FailErrno(error, "cannot create", hostTo);
    }
    OpenSource source;
    int64_t size = 0;
    if (!OpenCopySource(from, source, error) ||
        !CopyHost(source, hostTemporary, hostTo, true, !failIfExists, size, error))
        return false;
    const std::time_t modified = placed.keepSourceTime ? source.st.st_mtime : placed.modified;
    if (modified >= 0) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, {modified, 0}};
        ::utimensat(AT_FDCWD, hostTemporary.c_str(), times, 0);
    }
    if (RenameHost(hostTemporary, hostTo, !failIfExists, error)) {
        if (placed.size) *placed.size = size;
        return true;
    }
    if (::unlink(hostTemporary.c_str()) == 0) NoteHostEntryRemoved(hostTemporary);
    return false;
}

bool MoveByRename(const std::string& from, const std::string& to, bool replace, int64_t* movedSize) {
    std::string hostFrom, hostTo;
    struct stat st {};
    const Look look = LookAt(from, st, false);
    hostFrom = look.host;
    if (look.rc != 0 || !SourceMayBeRenamed(st) || !ToHostPath(to, hostTo)) return false;
    // Where the target does not exist yet, a rename that never replaces
    // cannot meet the source itself or a link; otherwise look first.
    int renamed = ::renameat2(AT_FDCWD, hostFrom.c_str(), AT_FDCWD, hostTo.c_str(), RENAME_NOREPLACE);
    const bool looked = renamed != 0 && (errno == EEXIST || errno == EINVAL || errno == ENOSYS);
    if (looked && (replace || errno != EEXIST)) {
        if (IsSameFile(st, hostTo) || IsSymbolicLink(hostTo)) return false;
        renamed = replace ? ::rename(hostFrom.c_str(), hostTo.c_str()) : -1;
    }
    if (renamed != 0) return false;
    Renamed(hostFrom, hostTo);
    const mode_t copyMode = kNewFileMode & ~ProcessUmask();
    if ((st.st_mode & 07777) != copyMode) ::chmod(hostTo.c_str(), copyMode);
    if (movedSize) *movedSize = st.st_size;
    return true;
}

}  // namespace pv::platform
