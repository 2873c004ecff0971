#include "platform/File.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/HostPath.h"

namespace pv::platform {

namespace {

int OpenFlagsFor(unsigned mode) {
    int flags = O_CLOEXEC;
    const unsigned access = mode & 0x3;
    if (access == File::modeWrite) flags |= O_WRONLY;
    else if (access == File::modeReadWrite) flags |= O_RDWR;
    else flags |= O_RDONLY;
    if (mode & File::modeCreateNew) flags |= O_CREAT | O_EXCL;
    else if (mode & File::modeCreate) {
        flags |= O_CREAT;
        if (!(mode & File::modeNoTruncate)) flags |= O_TRUNC;
    }
    if (mode & File::modeAppend) flags |= O_APPEND;
    return flags;
}

std::string ErrnoText(const std::string& what, const std::string& path) {
    return what + " " + path + ": " + std::strerror(errno);
}

}  // namespace

File::~File() { Close(); }

File::File(File&& other) noexcept : m_fd(other.m_fd), m_hostPath(std::move(other.m_hostPath)) {
    other.m_fd = -1;
}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        m_hostPath = std::move(other.m_hostPath);
        other.m_fd = -1;
    }
    return *this;
}

bool File::Open(const std::string& path, unsigned mode, std::string* error) {
    Close();
    const int flags = OpenFlagsFor(mode);
    std::string host;
    int fd = -1;
    if (flags & O_CREAT) {
        if (!ToHostPath(path, host, error)) return false;
        fd = ::open(host.c_str(), flags, 0644);
    } else if (!OnExistingHostPath(
                   path,
                   [&](const std::string& attempt) {
                       host = attempt;
                       fd = ::open(attempt.c_str(), flags, 0644);
                       return fd >= 0 || (errno != ENOENT && errno != ENOTDIR);
                   },
                   error)) {
        return false;
    }
    return Adopt(fd, host, flags, mode, error);
}

bool File::OpenHost(const std::string& hostPath, unsigned mode, std::string* error) {
    Close();
    const int flags = OpenFlagsFor(mode);
    return Adopt(::open(hostPath.c_str(), flags, 0644), hostPath, flags, mode, error);
}

bool File::Adopt(int fd, const std::string& hostPath, int flags, unsigned mode, std::string* error) {
    if (fd < 0) {
        if (error) *error = ErrnoText("cannot open", hostPath);
        return false;
    }
    // A file this process made keeps the folder's name index current.
    if (flags & O_CREAT) NoteHostEntryAdded(hostPath);
    const unsigned share = mode & 0x70;
    if (share == shareExclusive || share == shareDenyWrite) {
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            if (error) *error = ErrnoText("file is in use", hostPath);
            ::close(fd);
            return false;
        }
    }
    m_fd = fd;
    m_hostPath = hostPath;
    return true;
}

int64_t File::Read(void* buffer, int64_t count) {
    if (m_fd < 0 || count < 0) return -1;
    char* out = static_cast<char*>(buffer);
    int64_t total = 0;
    while (total < count) {
        ssize_t n = ::read(m_fd, out + total, static_cast<size_t>(count - total));
        if (n < 0) {
            if (errno == EINTR) continue;
            return total > 0 ? total : -1;
        }
        if (n == 0) break;
        total += n;
    }
    return total;
}

bool File::Write(const void* data, int64_t count) {
    if (m_fd < 0 || count < 0) return false;
    const char* in = static_cast<const char*>(data);
    int64_t total = 0;
    while (total < count) {
        ssize_t n = ::write(m_fd, in + total, static_cast<size_t>(count - total));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        total += n;
    }
    return true;
}

int64_t File::Seek(int64_t offset, SeekFrom from) {
    if (m_fd < 0) return -1;
    const int whence = from == fromBegin ? SEEK_SET : from == fromCurrent ? SEEK_CUR : SEEK_END;
    return ::lseek(m_fd, offset, whence);
}

int64_t File::ReadAt(int64_t offset, void* buffer, int64_t count) {
    if (m_fd < 0 || count < 0 || offset < 0) return -1;
    char* out = static_cast<char*>(buffer);
    int64_t total = 0;
    while (total < count) {
        const ssize_t n = ::pread(m_fd, out + total, static_cast<size_t>(count - total), offset + total);
        if (n < 0) {
            if (errno == EINTR) continue;
            return total > 0 ? total : -1;
        }
        if (n == 0) break;
        total += n;
    }
    return total;
}

bool File::WriteAt(int64_t offset, const void* data, int64_t count) {
    if (m_fd < 0 || count < 0 || offset < 0) return false;
    const char* in = static_cast<const char*>(data);
    int64_t total = 0;
    while (total < count) {
        const ssize_t n = ::pwrite(m_fd, in + total, static_cast<size_t>(count - total), offset + total);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        total += n;
    }
    return true;
}

int64_t File::Position() const {
    if (m_fd < 0) return -1;
    return ::lseek(m_fd, 0, SEEK_CUR);
}

int64_t File::Size() const {
    struct stat st {};
    if (m_fd < 0 || ::fstat(m_fd, &st) != 0) return -1;
    return st.st_size;
}

bool File::Truncate(int64_t length) { return m_fd >= 0 && ::ftruncate(m_fd, length) == 0; }

bool File::Sync() { return m_fd >= 0 && ::fsync(m_fd) == 0; }

bool File::Close() {
    if (m_fd < 0) return true;
    const int rc = ::close(m_fd);
    m_fd = -1;
    m_hostPath.clear();
    return rc == 0;
}

}  // namespace pv::platform
