// File transfers of CFtpClient over passive data connections.
#include <cstdlib>
#include <vector>

#include "platform/File.h"
#include "platform/Wildcard.h"
#include "transport/FtpClient.h"

namespace pv {

namespace {

constexpr size_t kDataChunk = 256 * 1024;

// Outcome codes of the data side of a transfer.
constexpr int kDataOk = 0;
constexpr int kDataSocketError = -1;
constexpr int kDataLocalFileError = -2;
constexpr int kDataTimedOut = -3;
constexpr int kDataShort = -4;

bool ReadByte(const std::string& text, size_t& at, long& value) {
    const size_t start = at;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
    if (at == start || at - start > 3) return false;
    value = std::strtol(text.c_str() + start, nullptr, 10);
    return value <= 255;
}

// The path on the server: "ftp://host:port/path" gives "/path".
std::string ServerPath(const std::string& remote) {
    if (remote.size() >= 7 && platform::EqualsIgnoringCase(remote.substr(0, 6), "ftp://")) {
        const size_t slash = remote.find('/', 6);
        return slash == std::string::npos ? std::string("/") : remote.substr(slash);
    }
    return remote;
}

// The byte count a "150 ... (12345 bytes)" reply announces, or -1.
int64_t AnnouncedSize(const std::string& reply) {
    const size_t bytes = reply.rfind(" bytes)");
    if (bytes == std::string::npos) return -1;
    const size_t open = reply.rfind('(', bytes);
    if (open == std::string::npos) return -1;
    const std::string number = reply.substr(open + 1, bytes - open - 1);
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return -1;
    return std::strtoll(number.c_str(), nullptr, 10);
}

int ReceiveToFile(platform::TcpSocket& data, platform::File& file, std::chrono::milliseconds timeout,
                  int64_t& received) {
    std::vector<char> buffer(kDataChunk);
    for (;;) {
        const platform::TcpSocket::Io io = data.Receive(buffer.data(), buffer.size());
        if (io.wouldBlock) {
            if (!data.WaitReadable(std::chrono::steady_clock::now() + timeout)) return kDataTimedOut;
            continue;
        }
        if (io.Failed()) return kDataSocketError;
        if (io.bytes == 0) return kDataOk;
        if (!file.Write(buffer.data(), io.bytes)) return kDataLocalFileError;
        received += io.bytes;
    }
}

int SendFromFile(platform::TcpSocket& data, platform::File& file, std::chrono::milliseconds timeout) {
    std::vector<char> buffer(kDataChunk);
    for (;;) {
        const int64_t n = file.Read(buffer.data(), static_cast<int64_t>(buffer.size()));
        if (n < 0) return kDataLocalFileError;
        if (n == 0) return kDataOk;
        int error = 0;
        if (!data.SendAll(buffer.data(), static_cast<size_t>(n), std::chrono::steady_clock::now() + timeout, &error))
            return error ? error : kDataSocketError;
    }
}

}  // namespace

bool DecodePassiveReply(const std::string& reply, uint32_t& address, uint16_t& port) {
    const size_t open = reply.find('(');
    const size_t close = open == std::string::npos ? open : reply.find(')', open);
    if (close == std::string::npos) return false;
    const std::string inner = reply.substr(open + 1, close - open - 1);
    long parts[6];
    size_t at = 0;
    for (int i = 0; i < 6; ++i) {
        while (at < inner.size() && inner[at] == ' ') ++at;
        if (!ReadByte(inner, at, parts[i])) return false;
        while (at < inner.size() && inner[at] == ' ') ++at;
        if (i < 5 && (at >= inner.size() || inner[at++] != ',')) return false;
    }
    if (at != inner.size()) return false;
    address = static_cast<uint32_t>((parts[0] << 24) | (parts[1] << 16) | (parts[2] << 8) | parts[3]);
    port = static_cast<uint16_t>(parts[4] * 256 + parts[5]);
    return true;
}

bool CFtpClient::EnterPassiveMode(uint32_t& address, uint16_t& port) {
    if (!SendCommand("TYPE I", 2)) return FailTransfer("Failure trying to set Binary mode.");
    Trace("CFtpClient::MoveFile: Set BINARY mode completed Successfully. m_strRetMsg: " + m_strRetMsg);
    if (!SendCommand("PASV", 2)) return FailTransfer("Failure trying to set PASV mode.");
    if (!DecodePassiveReply(m_strRetMsg, address, port)) {
        m_strErrorText = "Failure trying to decode IP address and Port number.";
        return false;
    }
    Trace("CFtpClient::EstablishDataConnection: IP: " + platform::DottedIpv4(address) + " Port: " +
          std::to_string(port));
    return true;
}

bool CFtpClient::FailTransfer(const std::string& text) {
    m_strErrorText = text;
    Trace("CFtpClient::MoveFile - " + text);
    return false;
}

bool CFtpClient::MoveFile(const std::string& remote, const std::string& local, bool get, bool /*passive*/) {
    Trace("CFtpClient::MoveFile - Starting");
    m_strErrorText.clear();
    m_bStoreMayHaveWritten = false;
    platform::File file;
    const unsigned mode = get ? platform::File::modeWrite | platform::File::modeCreate : platform::File::modeRead;
    if (!file.Open(local, mode)) return FailTransfer("Failure trying to open file on local machine.");

    uint32_t address = 0;
    uint16_t port = 0;
    if (!EnterPassiveMode(address, port)) return false;
    if (!WriteCommandString((get ? "RETR " : "STOR ") + ServerPath(remote)))
        return FailTransfer("Failure trying to Send command string.");
    // From here the server may have created (or cut) the remote file, unless
    // it refuses the STOR outright.
    m_bStoreMayHaveWritten = !get;
    platform::TcpSocket data;
    std::string error;
    if (!data.Connect(address, port, NextDeadline(), &error)) {
        Trace("CFtpClient::EstablishDataConnection: " + error);
        m_strErrorText = "Failure trying to Establish Data Connection.";
    }
    if (!ReadResponeString() || m_nReplyClass != 1) {
        if (m_nReplyClass == 4 || m_nReplyClass == 5) m_bStoreMayHaveWritten = false;
        data.Close();
        return FailTransfer("Failure from trying to Send command string.");
    }
    const int64_t announced = get ? AnnouncedSize(m_strRetMsg) : -1;
    int64_t received = 0;
    int dataError = kDataSocketError;
    if (data.IsOpen()) {
        dataError = get ? ReceiveToFile(data, file, m_settings.timeout, received)
                        : SendFromFile(data, file, m_settings.timeout);
        if (!get && dataError == kDataOk) data.ShutdownWrite();
    }
    data.Close();
    if (dataError == kDataOk && announced >= 0 && received != announced) dataError = kDataShort;
    if (!file.Close() && dataError == kDataOk) dataError = kDataLocalFileError;
    // The server's 226 does not make a transfer good that did not end normally.
    const bool confirmed = ReadResponeString() && m_nReplyClass == 2;
    if (confirmed && dataError == kDataOk) {
        Trace("CFtpClient::MoveFile - Success.");
        return true;
    }
    char code[16];
    std::snprintf(code, sizeof code, "%X", static_cast<unsigned>(dataError));
    return FailTransfer("Failure during data transfer. m_strRetMsg: " + m_strRetMsg + " DataError: " + code);
}

}  // namespace pv
