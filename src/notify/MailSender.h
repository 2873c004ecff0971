#pragma once
// Sends the service's e-mails over SMTP: connect, log in, attach, post,
// disconnect, with the failure texts operators know from the logs.  A dead
// mail server costs at most the time-outs, never a stalled monitor.
#include <chrono>
#include <string>
#include <vector>

#include "transport/Mailer.h"

namespace pv {

struct MailSettings {
    std::string server;  // "host" or "host:port" (25 when absent)
    std::string user;
    std::string password;
    std::string sender;
    std::chrono::seconds connectTimeout{15};
    std::chrono::seconds totalTimeout{120};
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
    MailSender() = default;
    // Mail is off (not "installed") until configured with a server and a sender.
    void Configure(const MailSettings& settings);
    bool Available() const { return m_available; }
    const MailSettings& Settings() const { return m_settings; }

    // True when the message was posted.  The error text says why not.  With
    // alwaysLogIn false an empty user sends without logging in.
    bool SendMail(const MailRequest& request, std::string& errorText, bool alwaysLogIn = false) const;

private:
    MailSettings m_settings;
    bool m_available = false;
};

// The file access's failure mails: to the debug recipient, always logged in.
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
