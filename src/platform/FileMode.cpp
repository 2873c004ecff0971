#include "platform/FileMode.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/HostPath.h"

namespace pv::platform {

namespace {

FileStamp FromStat(const struct stat& st) {
    FileStamp stamp;
    stamp.device = static_cast<uint64_t>(st.st_dev);
    stamp.inode = static_cast<uint64_t>(st.st_ino);
    stamp.size = static_cast<int64_t>(st.st_size);
    const auto sinceEpoch = std::chrono::seconds(st.st_mtim.tv_sec) + std::chrono::nanoseconds(st.st_mtim.tv_nsec);
    stamp.modified = std::chrono::system_clock::time_point(
        std::chrono::duration_cast<std::chrono::system_clock::duration>(sinceEpoch));
    stamp.permissions = static_cast<unsigned>(st.st_mode & 07777);
    stamp.regular = S_ISREG(st.st_mode);
    return stamp;
}

}  // namespace

Existence StampOf(const std::string& path, FileStamp& stamp) {
    struct stat st {};
    int rc = -1;
    if (!OnExistingHostPath(path, [&](const std::string& host) {
            rc = ::stat(host.c_str(), &st);
            return rc == 0 || (errno != ENOENT && errno != ENOTDIR);
        }))
        return Existence::unknown;
    if (rc != 0) return (errno == ENOENT || errno == ENOTDIR) ? Existence::absent : Existence::unknown;
    stamp = FromStat(st);
    return Existence::present;
}

bool StampOf(const File& file, FileStamp& stamp) {
    struct stat st {};
    if (!file.IsOpen() || ::fstat(file.Descriptor(), &st) != 0) return false;
    stamp = FromStat(st);
    return true;
}

bool SetPermissions(File& file, unsigned permissions, std::string* error) {
    if (!file.IsOpen()) {
        if (error) *error = "cannot set the permissions of a file that is not open";
        return false;
    }
    if (::fchmod(file.Descriptor(), static_cast<mode_t>(permissions & 07777)) == 0) return true;
    if (error) *error = "cannot set the permissions of " + file.HostPath() + ": " + std::strerror(errno);
    return false;
}

}  // namespace pv::platform
