// The table-driven logon of CFtpClient: direct, and through the usual kinds
// of FTP firewall and proxy.
#include "transport/FtpClient.h"

#include <vector>

namespace pv {

namespace {

constexpr int LO = -2;  // logged on
constexpr int ER = -1;  // refused
constexpr int kLogonTypes = 9;

// Triples of (command code, next position after a 2xx, next after a 3xx).
const std::vector<int> kSequences[kLogonTypes] = {
    {0, LO, 3, 1, LO, 6, 2, LO, ER},
    {3, 6, 3, 4, 6, ER, 5, ER, 9, 0, LO, 12, 1, LO, 15, 2, LO, ER},
    {3, 6, 3, 4, 6, ER, 6, LO, 9, 1, LO, 12, 2, LO, ER},
    {7, 3, 3, 0, LO, 6, 1, LO, 9, 2, LO, ER},
    {3, 6, 3, 4, 6, ER, 0, LO, 9, 1, LO, 12, 2, LO, ER},
    {6, LO, 3, 1, LO, 6, 2, LO, ER},
    {8, 6, 3, 4, 6, ER, 0, LO, 9, 1, LO, 12, 2, LO, ER},
    {9, ER, 3, 1, LO, 6, 2, LO, ER},
    {10, LO, 3, 11, LO, 6, 2, LO, ER},
};

}  // namespace

std::string CFtpClient::LogonCommand(int code, const FtpLogonParameters& p, const std::string& commandHost) const {
    switch (code) {
    case 0: return "USER " + p.user;
    case 1: return "PASS " + p.password;
    case 2: return "ACCT " + p.account;
    case 3: return "USER " + p.firewallUser;
    case 4: return "PASS " + p.firewallPassword;
    case 5: return "SITE " + commandHost;
    case 6: return "USER " + p.user + "@" + commandHost;
    case 7: return "OPEN " + commandHost;
    case 8: return "USER " + p.firewallUser + "@" + commandHost;
    case 9: return "USER " + p.user + "@" + commandHost + " " + p.firewallUser;
    case 10: return "USER " + p.user + "@" + p.firewallUser + "@" + commandHost;
    case 11: return "PASS " + p.password + "@" + p.firewallPassword;
    default: return {};
    }
}

bool CFtpClient::RunLogonSequence(const FtpLogonParameters& p, const std::string& commandHost) {
    const std::vector<int>& sequence = kSequences[p.logonType];
    for (int position = 0;;) {
        if (position < 0 || position + 2 >= static_cast<int>(sequence.size())) return false;
        if (!WriteCommandString(LogonCommand(sequence[position], p, commandHost))) {
            Trace("CFtpClient::LogOnToServer: WriteCommandString failed");
            return false;
        }
        if (!ReadResponeString() || (m_nReplyClass != 2 && m_nReplyClass != 3)) {
            Trace("CFtpClient::LogOnToServer: ReadResponeString failed");
            m_logonFailure = m_strRetMsg.empty() ? Status::IoError("the server did not answer the logon in time")
                                                 : Status::Refused("the server refused the logon: " + m_strRetMsg);
            return false;
        }
        const int next = sequence[position + m_nReplyClass - 1];
        if (next == LO) return true;
        if (next == ER) return false;
        position = next;
    }
}

bool CFtpClient::LogOnToServer(const std::string& host, int port, const std::string& user,
                               const std::string& password, const std::string& account,
                               const std::string& firewallHost, const std::string& firewallUser,
                               const std::string& firewallPassword, int firewallPort, int logonType) {
    const FtpLogonParameters p{host,         port,         user,         password,         account,
                               firewallHost, firewallUser, firewallPassword, firewallPort, logonType};
    TraceLogon("CFtpClient::LogOnToServer: Checking Logon. m_bLoggedOn: " + std::to_string(m_bLoggedOn ? 1 : 0));
    if (m_bLoggedOn) {
        if (p == m_logon) {
            Trace("CFtpClient::LogOnToServer: Leaving Server Logged On");
            return true;
        }
        TraceLogon("CFtpClient::LogOnToServer: Logging Off Server.");
        Quit();
    }
    TraceLogon("CFtpClient::LogOnToServer: Starting to Login.");
    m_logonFailure = Status::OK();
    bool ok = false;
    if (logonType < 0 || logonType >= kLogonTypes) {
        Trace("CFtpClient::LogOnToServer: Logon Connect code is illegal. nLogonType: " + std::to_string(logonType));
    } else {
        const bool direct = logonType == 0;
        const std::string commandHost = port == 21 ? host : host + ":" + std::to_string(port);
        const bool connected = OpenControlChannel(direct ? host : firewallHost, direct ? port : firewallPort);
        if (!SendCommand("", 2)) {
            Trace("CFtpClient::LogOnToServer: Get initial connect msg failed.");
            if (connected)
                m_logonFailure = m_strRetMsg.empty()
                                     ? Status::IoError("the server sent no greeting in time")
                                     : Status::Refused("the server refused the connection: " + m_strRetMsg);
        } else {
            ok = RunLogonSequence(p, commandHost);
        }
    }
    if (ok) {
        m_logon = p;
        m_bLoggedOn = true;
        return true;
    }
    Trace("CFtpClient::LogOnToServer: Logon failed");
    if (m_logonFailure.ok()) m_logonFailure = Status::Refused("the logon failed");
    EndSession();
    SetRetMsg("Logon failed");
    return false;
}

}  // namespace pv
