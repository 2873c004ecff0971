#pragma once
// A non-blocking TCP connection over IPv4, waited on with poll().  The FTP
// client pumps these from the thread that owns it; nothing here blocks
// beyond the deadline it is given.  Sends never raise SIGPIPE.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace pv::platform {

using Deadline = std::chrono::steady_clock::time_point;

// Resolves a host name or dotted address to an IPv4 address (host byte order).
bool ResolveIpv4(const std::string& host, uint32_t& address, std::string* error = nullptr);
std::string DottedIpv4(uint32_t address);

class TcpSocket {
public:
    // Outcome of one send or receive: bytes moved (> 0), peer closed (0, receive
    // only), nothing possible now (wouldBlock), or an error (errno kept).
    struct Io {
        int64_t bytes = 0;
        bool wouldBlock = false;
        int error = 0;
        bool Failed() const { return error != 0; }
    };

    TcpSocket() = default;
    ~TcpSocket();
    TcpSocket(const TcpSocket&) = delete;
    TcpSocket& operator=(const TcpSocket&) = delete;
    TcpSocket(TcpSocket&& other) noexcept;
    TcpSocket& operator=(TcpSocket&& other) noexcept;

    // Starts a connect and waits for it until the deadline.
    bool Connect(uint32_t address, uint16_t port, Deadline deadline, std::string* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }

    Io Send(const void* data, size_t size);
    Io Receive(void* buffer, size_t size);
    // Waits until the socket can be read (or the peer closed it) / written.
    // False at the deadline or on a poll error.
    bool WaitReadable(Deadline deadline);
    bool WaitWritable(Deadline deadline);
    // Sends everything, waiting for room as needed; false on error or deadline.
    bool SendAll(const void* data, size_t size, Deadline deadline, int* error = nullptr);

    // Ends our sending direction; the peer sees end of file.
    void ShutdownWrite();
    void Close();
    // Address and port of the local end (host byte order).
    bool LocalAddress(uint32_t& address, uint16_t& port) const;

private:
    bool WaitFor(short events, Deadline deadline);
    int m_fd = -1;
};

std::string SocketErrorText(int error);

}  // namespace pv::platform
