#include "platform/ServiceManager.h"

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/RunningProgram.h"

namespace pv::platform {

namespace {

// The socket address of $NOTIFY_SOCKET; its length, or 0 when it cannot be one.
socklen_t NotifyAddress(const std::string& name, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (name.size() < 2 || name.size() >= sizeof address.sun_path || (name[0] != '/' && name[0] != '@')) return 0;
    std::memcpy(address.sun_path, name.data(), name.size());
    if (name[0] == '@') address.sun_path[0] = '\0';  // an abstract name: no terminating NUL counts
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (name[0] == '/' ? 1 : 0));
}

}  // namespace

bool NotifyServiceManager(const std::string& state) {
    sockaddr_un address{};
    const socklen_t length = NotifyAddress(EnvironmentValue("NOTIFY_SOCKET"), address);
    if (length == 0) return false;
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const ssize_t sent = ::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL,
                                  reinterpret_cast<const sockaddr*>(&address), length);
    ::close(fd);
    return sent == static_cast<ssize_t>(state.size());
}

bool IsJournalStream(int fd) {
    const std::string stream = EnvironmentValue("JOURNAL_STREAM");
    unsigned long long device = 0;
    unsigned long long inode = 0;
    if (stream.empty() || std::sscanf(stream.c_str(), "%llu:%llu", &device, &inode) != 2) return false;
    struct stat info {};
    if (::fstat(fd, &info) != 0) return false;
    return info.st_dev == device && info.st_ino == inode;
}

}  // namespace pv::platform
