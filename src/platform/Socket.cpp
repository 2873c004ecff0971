#include "platform/Socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace pv::platform {

namespace {

int MillisecondsUntil(Deadline deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return 0;
    return left.count() > 1000000 ? 1000000 : static_cast<int>(left.count());
}

}  // namespace

std::string SocketErrorText(int error) { return std::strerror(error); }

bool ResolveIpv4(const std::string& host, uint32_t& address, std::string* error) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, host.c_str(), &parsed) == 1) {
        address = ntohl(parsed.s_addr);
        return true;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = ::getaddrinfo(host.c_str(), nullptr, &hints, &found);
    if (rc != 0 || !found) {
        if (error) *error = "cannot look up " + host + ": " + ::gai_strerror(rc);
        return false;
    }
    address = ntohl(reinterpret_cast<sockaddr_in*>(found->ai_addr)->sin_addr.s_addr);
    ::freeaddrinfo(found);
    return true;
}

std::string DottedIpv4(uint32_t address) {
    return std::to_string((address >> 24) & 0xFF) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

TcpSocket::~TcpSocket() { Close(); }

TcpSocket::TcpSocket(TcpSocket&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }

TcpSocket& TcpSocket::operator=(TcpSocket&& other) noexcept {
    if (this != &other) {
        Close();
        m_fd = other.m_fd;
        other.m_fd = -1;
    }
    return *this;
}

bool TcpSocket::Connect(uint32_t address, uint16_t port, Deadline deadline, std::string* error) {
    Close();
    m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0) {
        if (error) *error = "cannot create socket: " + SocketErrorText(errno);
        return false;
    }
    const int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(port);
    target.sin_addr.s_addr = htonl(address);
    if (::connect(m_fd, reinterpret_cast<sockaddr*>(&target), sizeof target) == 0) return true;
    int problem = errno;
    if (problem == EINPROGRESS) {
        if (!WaitWritable(deadline)) {
            problem = ETIMEDOUT;
        } else {
            socklen_t length = sizeof problem;
            if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &problem, &length) != 0) problem = errno;
            if (problem == 0) return true;
        }
    }
    if (error) *error = "cannot connect to " + DottedIpv4(address) + ":" + std::to_string(port) + ": " +
                        SocketErrorText(problem);
    Close();
    return false;
}

TcpSocket::Io TcpSocket::Send(const void* data, size_t size) {
    Io io;
    const ssize_t n = ::send(m_fd, data, size, MSG_NOSIGNAL);
    if (n >= 0) io.bytes = n;
    else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) io.wouldBlock = true;
    else io.error = errno;
    return io;
}

TcpSocket::Io TcpSocket::Receive(void* buffer, size_t size) {
    Io io;
    const ssize_t n = ::recv(m_fd, buffer, size, 0);
    if (n >= 0) io.bytes = n;
    else if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) io.wouldBlock = true;
    else io.error = errno;
    return io;
}

bool TcpSocket::WaitFor(short events, Deadline deadline) {
    if (m_fd < 0) return false;
    for (;;) {
        pollfd entry{m_fd, events, 0};
        const int rc = ::poll(&entry, 1, MillisecondsUntil(deadline));
        if (rc > 0) return true;
        if (rc == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool TcpSocket::WaitReadable(Deadline deadline) { return WaitFor(POLLIN, deadline); }

bool TcpSocket::WaitWritable(Deadline deadline) { return WaitFor(POLLOUT, deadline); }

bool TcpSocket::SendAll(const void* data, size_t size, Deadline deadline, int* error) {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
        const Io io = Send(bytes, size);
        if (io.Failed()) {
            if (error) *error = io.error;
            return false;
        }
        if (io.wouldBlock) {
            if (!WaitWritable(deadline)) {
                if (error) *error = ETIMEDOUT;
                return false;
            }
            continue;
        }
        bytes += io.bytes;
        size -= static_cast<size_t>(io.bytes);
    }
    return true;
}

void TcpSocket::ShutdownWrite() {
    if (m_fd >= 0) ::shutdown(m_fd, SHUT_WR);
}

void TcpSocket::Close() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

bool TcpSocket::LocalAddress(uint32_t& address, uint16_t& port) const {
    sockaddr_in local{};
    socklen_t length = sizeof local;
    if (m_fd < 0 || ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&local), &length) != 0) return false;
    address = ntohl(local.sin_addr.s_addr);
    port = ntohs(local.sin_port);
    return true;
}

}  // namespace pv::platform
