#include "platform/InstanceLock.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/RunningProgram.h"

namespace pv::platform {

namespace {

constexpr char kShowRequest[] = "show\n";

bool FillAddress(const std::string& path, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

std::string InstanceLock::DefaultFolder() {
    for (const char* name : {"PRESSVANE_RUNTIME_DIR", "XDG_RUNTIME_DIR"}) {
        std::string value = EnvironmentValue(name);
        if (!value.empty()) return value;
    }
    return "/tmp";
}

InstanceLock::InstanceLock(std::string folder) {
    const std::string base = folder + "/pressvane-" + std::to_string(::getuid());
    m_lockPath = base + ".lock";
    m_socketPath = base + ".sock";
}

InstanceLock::~InstanceLock() {
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        ::unlink(m_socketPath.c_str());
    }
    if (m_lockFd >= 0) ::close(m_lockFd);
}

bool InstanceLock::Acquire(std::string* error) {
    m_lockFd = ::open(m_lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_lockFd < 0) {
        if (error) *error = "cannot open lock file " + m_lockPath + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(m_lockFd, LOCK_EX | LOCK_NB) != 0) {
        ::close(m_lockFd);
        m_lockFd = -1;
        return false;
    }
    // We hold the lock, so any socket file left is stale.
    ::unlink(m_socketPath.c_str());
    sockaddr_un address{};
    if (!FillAddress(m_socketPath, address)) return true;
    m_listenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_listenFd >= 0 && (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
                            ::listen(m_listenFd, 4) != 0)) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
    return true;
}

bool InstanceLock::AskRunningInstanceToShow() {
    sockaddr_un address{};
    if (!FillAddress(m_socketPath, address)) return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool sent = ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
                      ::send(fd, kShowRequest, sizeof kShowRequest - 1, MSG_NOSIGNAL) > 0;
    ::close(fd);
    return sent;
}

bool InstanceLock::TakeShowRequest() {
    if (m_listenFd < 0) return false;
    const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return false;
    // Any connection counts as a request; the text is read only to drain it.
    char buffer[16];
    ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    ::close(fd);
    return true;
}

}  // namespace pv::platform
