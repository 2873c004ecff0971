#include "platform/WriteProbe.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include "platform/HostPath.h"

namespace pv::platform {

WriteState ProbeWriters(const std::string& path) {
    std::string host;
    if (!ToHostPath(path, host)) return WriteState::unknown;
    const int fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return errno == EWOULDBLOCK ? WriteState::beingWritten : WriteState::unknown;
    WriteState state = WriteState::idle;
    if (::fcntl(fd, F_SETLEASE, F_RDLCK) == 0) ::fcntl(fd, F_SETLEASE, F_UNLCK);
    else state = (errno == EAGAIN || errno == EBUSY) ? WriteState::beingWritten : WriteState::unknown;
    ::close(fd);
    return state;
}

}  // namespace pv::platform
