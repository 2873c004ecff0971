#pragma once
// Sends the service's e-mails over SMTP: connect, log in, attach, post,
// disconnect, with the failure texts operators know from the logs.  A dead
// mail server costs at most the time-outs, never a stalled monitor.
#include <chrono>
#include <string>
#include <vector>

#include "config/GlobalSettings.h"
#include "transport/Mailer.h"

namespace pv {

struct MailSettings {
    std::string server;  // "host" or "host:port" (25 when absent)
    std::string user;    // empty: no log-in
    std::string password;
    std::string sender;
    // Up to the server's greeting and the log-in; then the whole mail.
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds totalTimeout{120};
    MailTls tls = MailTls::verify;
};

struct MailRequest {
    std::string to;
    std::string subject;
    std::string message;
    std::vector<std::string> attachments;  // paths as the operator wrote them
    std::string sender;                    // empty: the configured sender
};

class MailSender {
public:
    // Mail is off (not "installed") without a server and a sender.
    MailSender() = default;
    explicit MailSender(MailSettings settings);
    bool Available() const { return m_available; }
    const MailSettings& Settings() const { return m_settings; }

    // True when the message was posted.  The error text says why not, in the
    // words of the mail library (and what to change where a setting can help).
    // An empty user sends without logging in.
    bool SendMail(const MailRequest& request, std::string& errorText) const;

private:
    MailSettings m_settings;
    bool m_available = false;
};

// The file access's failure mails: to the debug recipient.
class DebugMailer final : public Mailer {
public:
    DebugMailer(const MailSender& sender, std::string recipient) : m_sender(sender), m_recipient(std::move(recipient)) {}
    std::string SendFileError(const std::string& subject, const std::string& message,
                              const std::vector<std::string>& attachments) override;

private:
    const MailSender& m_sender;
    std::string m_recipient;
};

}  // namespace pv
