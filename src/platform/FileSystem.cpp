#include "platform/FileSystem.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/HostPath.h"

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
    if (::stat(WithoutTrailingSeparator(host).c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return true;
    if (error) *error = "cannot create folder " + host + ": " + (ec ? ec.message() : "not a folder");
    return false;
}

bool RemoveFile(const std::string& path, std::string* error) {
    std::string host;
    if (!Map(path, host, error)) return false;
    if (::unlink(host.c_str()) == 0 || errno == ENOENT) return true;
    SetErrno(error, "cannot remove", host);
    return false;
}

bool RenameReplace(const std::string& from, const std::string& to, std::string* error) {
    std::string hostFrom, hostTo;
    if (!Map(from, hostFrom, error) || !Map(to, hostTo, error)) return false;
    if (::rename(hostFrom.c_str(), hostTo.c_str()) == 0) return true;
    SetErrno(error, "cannot rename", hostFrom + " to " + hostTo);
    return false;
}

bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error) {
    std::string hostFrom, hostTo;
    if (!Map(from, hostFrom, error) || !Map(to, hostTo, error)) return false;
    if (::renameat2(AT_FDCWD, hostFrom.c_str(), AT_FDCWD, hostTo.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno == EINVAL || errno == ENOSYS) {
        // File systems without RENAME_NOREPLACE: link refuses an existing target.
        if (::link(hostFrom.c_str(), hostTo.c_str()) == 0) {
            ::unlink(hostFrom.c_str());
            return true;
        }
    }
    SetErrno(error, "cannot rename", hostFrom + " to " + hostTo);
    return false;
}

int64_t FileSize(const std::string& path) {
    std::string host;
    struct stat st {};
    if (!Map(path, host, nullptr) || ::stat(host.c_str(), &st) != 0) return -1;
    return st.st_size;
}

}  // namespace pv::platform
