#include "platform/WriteProbe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/HostPath.h"

namespace pv::platform {

WriteState ProbeWriters(const std::string& path) {
    int fd = -1;
    const auto open = [&fd](const std::string& host) {
        fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        return fd >= 0 || (errno != ENOENT && errno != ENOTDIR);
    };
    if (!OnExistingHostPath(path, open)) return WriteState::unknown;
    if (fd < 0) return errno == EWOULDBLOCK ? WriteState::beingWritten : WriteState::unknown;
    // Closing the only descriptor of the open file gives the lease back.
    const WriteState state = ::fcntl(fd, F_SETLEASE, F_RDLCK) == 0           ? WriteState::idle
                             : (errno == EAGAIN || errno == EBUSY) ? WriteState::beingWritten
                                                                   : WriteState::unknown;
    ::close(fd);
    return state;
}

}  // namespace pv::platform
