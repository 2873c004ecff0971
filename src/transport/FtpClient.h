#pragma once
// The service's own FTP client: one control connection to one server, logged
// on with one set of credentials, passive data connections for transfers and
// listings.  Everything runs on the thread that owns the client; every wait
// is a poll() with a time-out, so nothing hangs for longer than that.
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>

#include "platform/Reporter.h"
#include "platform/Socket.h"
#include "platform/Status.h"
#include "transport/FtpListParser.h"

namespace pv {

struct FtpListingSlot;
class FtpListingTable;

struct FtpClientSettings {
    bool traceClient = false;  // "TraceLogFtpClient": protocol traffic to the trace log
    bool logLogons = false;    // "Log FTP logons": the logon steps too
    std::chrono::milliseconds timeout{30000};  // connect, reply and data inactivity limit
};

struct FtpLogonParameters {
    std::string host;
    int port = 21;
    std::string user, password, account;
    std::string firewallHost, firewallUser, firewallPassword;
    int firewallPort = 21;
    int logonType = 0;
    bool operator==(const FtpLogonParameters&) const = default;
};

// What the last listing found.
enum class FtpListResult { listed, noSuchFile, failed };

class CFtpClient {
public:
    // listings: where the client's open listings are kept (see FtpListing.h).
    CFtpClient(Reporter& reporter, FtpClientSettings settings, FtpListingTable& listings,
               FtpListParser::NowFunction now = {});
    ~CFtpClient();
    CFtpClient(const CFtpClient&) = delete;
    CFtpClient& operator=(const CFtpClient&) = delete;

    bool LogOnToServer(const std::string& host, int port, const std::string& user, const std::string& password,
                       const std::string& account = "", const std::string& firewallHost = "",
                       const std::string& firewallUser = "", const std::string& firewallPassword = "",
                       int firewallPort = 21, int logonType = 0);
    // Sends "QUIT" (no reply read), closes both connections, logged off.
    void Quit();

    bool WriteCommandString(const std::string& command);
    bool ReadResponeString();
    bool SendCommand(const std::string& command, int expectedClass);

    // One file in image mode, passive.  get: remote -> local file; else local -> remote.
    bool MoveFile(const std::string& remote, const std::string& local, bool get, bool passive = true);

    // Listings (see FtpListing.h for the slot table): a slot handle, or -1
    // when no slot is free or the listing failed (m_strErrorText says why).
    int FindFirst(const std::string& name);
    bool FindNextEntry(int slot);
    // The entry FindNextEntry found last; null for a slot that is not open.
    const FtpListEntry* FindEntry(int slot) const;
    void FindClose(int slot);
    FtpListResult LastListResult() const { return m_eLastListResult; }

    // Whether the last MoveFile that uploaded may have left a file on the
    // server: its STOR was sent and not refused.
    bool StoreMayHaveWritten() const { return m_bStoreMayHaveWritten; }
    bool IsLoggedOn() const { return m_bLoggedOn; }
    const FtpLogonParameters& Logon() const { return m_logon; }
    int ReplyClass() const { return m_nReplyClass; }

    std::string m_strRetMsg;   // last reply line, or a failure text
    std::string m_strErrorText;  // failure of the last transfer or listing
    // Why the last logon failed, in words for the operator ("Connection
    // refused", the server's 530 reply, ...); ok after a good logon.
    Status m_logonFailure;
    bool m_bLoggedOn = false;
    bool m_bInUse = false;

private:
    platform::Deadline NextDeadline() const { return std::chrono::steady_clock::now() + m_settings.timeout; }
    void Trace(const std::string& text) const;
    void TraceLogon(const std::string& text) const;
    std::string ShownCommand(const std::string& command) const;

    bool OpenControlChannel(const std::string& host, int port);
    bool DrainControl(platform::Deadline deadline);
    bool ReadReplyLine(platform::Deadline deadline);
    void SetRetMsg(std::string line);
    void EndSession();

    bool RunLogonSequence(const FtpLogonParameters& p, const std::string& commandHost);
    std::string LogonCommand(int code, const FtpLogonParameters& p, const std::string& commandHost) const;

    bool EnterPassiveMode(uint32_t& address, uint16_t& port);
    bool FailTransfer(const std::string& text);
    bool FetchListing(const std::string& target, std::string& out);
    bool NamesEntry(const std::string& listing, const std::string& name);
    void ListFolderForName(const std::string& path, FtpListingSlot& listing);
    bool ReceiveListing(platform::TcpSocket& data, std::string& out);

    // No reply line of any server comes near this; a longer one is junk.
    static constexpr size_t kMaxReplyLine = 64 * 1024;

    Reporter& m_reporter;
    FtpClientSettings m_settings;
    FtpListingTable& m_listings;
    unsigned m_id;
    platform::TcpSocket m_control;
    std::string m_partialLine;       // received bytes after the last line feed
    std::deque<std::string> m_replyQueue;
    int m_nReplyClass = 0;
    FtpLogonParameters m_logon;
    FtpListResult m_eLastListResult = FtpListResult::listed;
    bool m_bStoreMayHaveWritten = false;
    FtpListParser m_parser;
};

// Decodes "(h1,h2,h3,h4,p1,p2)" of a PASV reply; false when malformed or a
// number is outside 0..255.
bool DecodePassiveReply(const std::string& reply, uint32_t& address, uint16_t& port);

}  // namespace pv
