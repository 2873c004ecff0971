#include "transport/FtpClient.h"

#include <atomic>
#include <cstdio>

namespace pv {

namespace {

std::atomic<unsigned> g_nextClientId{1};

bool HoldsLineBreakOrNul(const std::string& text) { return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

}  // namespace

CFtpClient::CFtpClient(Reporter& reporter, FtpClientSettings settings, FtpListingTable& listings,
                       FtpListParser::NowFunction now)
    : m_reporter(reporter),
      m_settings(settings),
      m_listings(listings),
      m_id(g_nextClientId.fetch_add(1)),
      m_parser(std::move(now)) {}

CFtpClient::~CFtpClient() {
    if (m_bLoggedOn) Quit();
}

void CFtpClient::Trace(const std::string& text) const {
    if (!m_settings.traceClient) return;
    char id[16];
    std::snprintf(id, sizeof id, "%X ", m_id);
    m_reporter.Trace(id + text);
}

void CFtpClient::TraceLogon(const std::string& text) const {
    if (m_settings.logLogons) Trace(text);
}

// Passwords never reach the trace log.
std::string CFtpClient::ShownCommand(const std::string& command) const {
    if (command.size() >= 5 && (command.compare(0, 5, "PASS ") == 0 || command.compare(0, 5, "pass ") == 0))
        return "PASS ****";
    return command;
}

bool CFtpClient::OpenControlChannel(const std::string& host, int port) {
    m_partialLine.clear();
    m_replyQueue.clear();
    Trace("CFtpClient::LookupAddress: Address: " + host);
    uint32_t address = 0;
    std::string error;
    if (!platform::ResolveIpv4(host, address, &error)) {
        Trace("CFtpClient::LookupAddress: Error looking up address. Error: " + error);
        m_logonFailure = Status::NotFound("cannot find the host " + host + ": " + error);
        return false;
    }
    Trace("CFtpClient::EstablishConnection: IP: " + platform::DottedIpv4(address) + " Port: " + std::to_string(port));
    if (port <= 0 || port > 65535 || !m_control.Connect(address, static_cast<uint16_t>(port), NextDeadline(), &error)) {
        Trace("CFtpClient::EstablishConnection: Error creating socket. Error: " + error);
        m_logonFailure =
            Status::Refused(error.empty() ? "cannot connect to " + host + ":" + std::to_string(port) : error);
        return false;
    }
    return true;
}

// Takes what the control connection has for us now, until it would block or
// the reply's deadline passes (a server that never stops sending cannot hold
// us).  A line is queued only when its line feed has arrived, so a reply
// split over two receives is still one line.  When the server closes, the
// bytes it sent first still count.  A line longer than any reply ends the
// session: false.
bool CFtpClient::DrainControl(platform::Deadline deadline) {
    char buffer[10000];
    while (m_control.IsOpen()) {
        const platform::TcpSocket::Io io = m_control.Receive(buffer, sizeof buffer);
        if (io.wouldBlock) return true;
        if (io.Failed() || io.bytes == 0) {
            if (!m_partialLine.empty()) m_replyQueue.push_back(std::move(m_partialLine));
            m_partialLine.clear();
            m_control.Close();
            return true;
        }
        // Only the new bytes are searched for line feeds.
        size_t searchFrom = m_partialLine.size();
        m_partialLine.append(buffer, static_cast<size_t>(io.bytes));
        size_t lineStart = 0;
        for (size_t lf; (lf = m_partialLine.find('\n', searchFrom)) != std::string::npos; searchFrom = lineStart) {
            std::string line = m_partialLine.substr(lineStart, lf - lineStart);
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lineStart = lf + 1;
            Trace("CFtpClient::ReadReply: Replay added to queue. Reply: " + line);
            m_replyQueue.push_back(std::move(line));
        }
        m_partialLine.erase(0, lineStart);
        if (m_partialLine.size() > kMaxReplyLine) {
            Trace("CFtpClient::ReadReply: a reply line longer than " + std::to_string(kMaxReplyLine) +
                  " bytes; closing the connection");
            EndSession();
            SetRetMsg("Reply line too long");
            return false;
        }
        if (std::chrono::steady_clock::now() >= deadline) return true;
    }
    return true;
}

void CFtpClient::SetRetMsg(std::string line) {
    m_strRetMsg = std::move(line);
    const char first = m_strRetMsg.empty() ? '\0' : m_strRetMsg[0];
    m_nReplyClass = (first >= '0' && first <= '9') ? first - '0' : 0;
}

// A reply that does not come in time ends the session: a late reply must
// never be read as the answer to the next command.
bool CFtpClient::ReadReplyLine(platform::Deadline deadline) {
    if (!DrainControl(deadline)) return false;
    while (m_replyQueue.empty() && m_control.IsOpen()) {
        if (std::chrono::steady_clock::now() >= deadline || !m_control.WaitReadable(deadline)) {
            Trace("CFtpClient::ReadResponeString - no reply in time; closing the connection");
            EndSession();
            break;
        }
        if (!DrainControl(deadline)) return false;
    }
    if (m_replyQueue.empty()) {
        SetRetMsg("");
        return false;
    }
    SetRetMsg(std::move(m_replyQueue.front()));
    m_replyQueue.pop_front();
    return true;
}

// One deadline for the whole reply, all lines of a multi-line one included:
// a server that keeps sending continuation lines cannot hold us longer.
bool CFtpClient::ReadResponeString() {
    const platform::Deadline deadline = NextDeadline();
    if (!ReadReplyLine(deadline)) return false;
    Trace("CFtpClient::ReadResponeString - m_strRetMsg = " + m_strRetMsg);
    if (m_strRetMsg.size() > 3 && m_strRetMsg[3] == '-') {
        const std::string code = m_strRetMsg.substr(0, 3);
        for (;;) {
            if (!ReadReplyLine(deadline)) return false;
            Trace("CFtpClient::ReadResponeString - m_strRetMsg = " + m_strRetMsg);
            if (m_strRetMsg.size() > 3 && m_strRetMsg[3] == ' ' && m_strRetMsg.compare(0, 3, code) == 0) break;
        }
    }
    return true;
}

bool CFtpClient::WriteCommandString(const std::string& command) {
    if (command.empty()) return true;
    if (HoldsLineBreakOrNul(command)) {
        SetRetMsg("Command refused: its argument holds a line break or NUL byte");
        Trace("CFtpClient::WriteCommandString - refused a command holding a line break or NUL");
        return false;
    }
    const std::string line = command + "\r\n";
    Trace("CFtpClient::WriteCommandString - strOutputString = " + ShownCommand(command));
    int error = 0;
    if (!m_control.IsOpen() || !m_control.SendAll(line.data(), line.size(), NextDeadline(), &error)) {
        Trace("CFtpClient::WriteCommandString2: send failed: " + platform::SocketErrorText(error));
        SetRetMsg("Network error");
        EndSession();
        return false;
    }
    return true;
}

bool CFtpClient::SendCommand(const std::string& command, int expectedClass) {
    if (!command.empty() && !WriteCommandString(command)) return false;
    return ReadResponeString() && m_nReplyClass == expectedClass;
}

void CFtpClient::EndSession() {
    m_control.Close();
    m_bLoggedOn = false;
    m_partialLine.clear();
    m_replyQueue.clear();
}

void CFtpClient::Quit() {
    if (m_control.IsOpen()) {
        const std::string quit = "QUIT\r\n";
        Trace("CFtpClient::WriteCommandString - strOutputString = QUIT");
        m_control.Send(quit.data(), quit.size());
    }
    EndSession();
}

}  // namespace pv
