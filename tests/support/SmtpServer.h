#pragma once
// A real SMTP server (aiosmtpd, tests/support/smtp/smtp_server.py) for the
// mailer's tests, started and stopped by the tests on a free port of 127.0.0.1.
// AUTH LOGIN and PLAIN are offered over plain TCP and checked against User() /
// Password(); a wrong pair is refused with 535 and nothing is delivered.  With
// requireAuth, MAIL before a successful AUTH is refused with 530.  With
// offerStartTls it also offers STARTTLS with a self-signed certificate for
// 127.0.0.1 (clients must not verify it).  Like strict production servers it
// refuses (550) a message with a bare LF or CR unless allowBareLineEnds.  A
// silent server accepts connections and never answers (no greeting).
// The constructor throws std::runtime_error with the server's output when the
// server cannot start.  Stop() ends it (the destructor does too); the messages
// received stay readable until the object goes.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/FtpServers.h"
#include "support/TempDir.h"

namespace pv::test {

class SmtpServer {
public:
    struct Options {
        std::string user = "mailer";
        std::string password = "m41l-pw";
        bool requireAuth = true;
        bool offerStartTls = false;
        bool allowBareLineEnds = false;
        bool silent = false;
    };
    struct Message {
        std::string mailFrom;                 // the MAIL FROM address, without <>
        std::vector<std::string> recipients;  // the RCPT TO addresses, in order
        std::string raw;                      // the DATA bytes (dot-unstuffed, CRLF line ends)
        bool tls = false;                     // sent after STARTTLS
        bool authenticated = false;           // sent after a successful AUTH
        // Decoded by Python's email package, as UTF-8: the subject, the first
        // text/plain part and the attachments' file names.  parseError says
        // why they could not be decoded (then they are empty).
        std::string subject;
        std::string text;
        std::vector<std::string> attachmentNames;
        std::string parseError;
    };

    SmtpServer() : SmtpServer(Options{}) {}
    explicit SmtpServer(Options options);
    ~SmtpServer() { Stop(); }
    SmtpServer(const SmtpServer&) = delete;
    SmtpServer& operator=(const SmtpServer&) = delete;

    std::string Host() const { return "127.0.0.1"; }
    int Port() const { return m_port; }
    const std::string& User() const { return m_options.user; }
    const std::string& Password() const { return m_options.password; }
    // Every message accepted so far, in arrival order.
    std::vector<Message> Messages() const;
    size_t MessageCount() const;
    // True once at least count messages have arrived; false when the limit passes.
    bool WaitForMessages(size_t count, std::chrono::milliseconds limit) const;
    // The server's output: one line per command received, AUTH results, messages.
    std::string Log() const { return m_process.LogTail(1000000); }
    void Stop() { m_process.Stop(); }

private:
    Options m_options;
    TempDir m_dir;
    std::filesystem::path m_out;
    ServerProcess m_process;
    int m_port = 0;
};

}  // namespace pv::test
