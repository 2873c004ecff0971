#include "notify/MailSender.h"

#include <ctime>
#include <curl/curl.h>
#include <memory>
#include <mutex>

#include "notify/MailText.h"
#include "platform/File.h"
#include "platform/HostPath.h"

namespace pv {

namespace {

void InitCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

std::string SmtpUrl(const std::string& server) {
    const bool hasPort = server.find(':') != std::string::npos;
    return "smtp://" + server + (hasPort ? "" : ":25");
}

std::string ServerName(const std::string& server) { return server.substr(0, server.find(':')); }

// An attachment that cannot be read stops the mail before anything is sent.
bool CheckAttachments(const std::vector<std::string>& paths, std::vector<std::string>& hostPaths, std::string& error) {
    for (const std::string& path : paths) {
        std::string host;
        platform::File file;
        if (!platform::ToHostPath(path, host) || !file.OpenHost(host, platform::File::modeRead)) {
            error = "Postie can't add email attachment. Error: can't read " + path;
            return false;
        }
        hostPaths.push_back(host);
    }
    return true;
}

std::string DateHeader() {
    char text[64];
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    std::strftime(text, sizeof text, "Date: %a, %d %b %Y %H:%M:%S %z", &local);
    return text;
}

// Plain 7-bit text in lines SMTP takes as they are; anything else goes
// quoted-printable.
bool SevenBitLines(const std::string& body) {
    constexpr size_t kMaxLine = 998;
    size_t line = 0;
    for (unsigned char c : body) {
        if (c >= 0x80) return false;
        line = c == '\n' ? 0 : line + 1;
        if (line > kMaxLine) return false;
    }
    return true;
}

struct CurlHandles {
    CURL* curl = curl_easy_init();
    curl_slist* recipients = nullptr;
    curl_slist* headers = nullptr;
    curl_mime* mime = nullptr;
    ~CurlHandles() {
        if (mime) curl_mime_free(mime);
        curl_slist_free_all(recipients);
        curl_slist_free_all(headers);
        if (curl) curl_easy_cleanup(curl);
    }
};

void BuildMessage(CurlHandles& h, const MailRequest& request, const std::string& sender,
                  const std::vector<std::string>& attachments) {
    h.headers = curl_slist_append(h.headers, DateHeader().c_str());
    h.headers = curl_slist_append(h.headers, ("From: " + OneLine(sender)).c_str());
    h.headers = curl_slist_append(h.headers, ("To: " + OneLine(request.to)).c_str());
    h.headers = curl_slist_append(h.headers, ("Subject: " + MailSubjectHeader(request.subject)).c_str());
    curl_easy_setopt(h.curl, CURLOPT_HTTPHEADER, h.headers);
    h.mime = curl_mime_init(h.curl);
    curl_mimepart* text = curl_mime_addpart(h.mime);
    const std::string body = CrLfLines(MailUtf8(request.message));
    curl_mime_data(text, body.c_str(), body.size());
    curl_mime_type(text, "text/plain; charset=UTF-8");
    if (!SevenBitLines(body)) curl_mime_encoder(text, "quoted-printable");
    for (const std::string& path : attachments) {
        curl_mimepart* part = curl_mime_addpart(h.mime);
        curl_mime_filedata(part, path.c_str());  // streamed from the file
        curl_mime_encoder(part, "base64");
        const std::string name = path.substr(path.rfind('/') + 1);
        const std::string disposition = "Content-Disposition: " + AttachmentDisposition(name);
        curl_mime_headers(part, curl_slist_append(nullptr, disposition.c_str()), 1);
    }
    curl_easy_setopt(h.curl, CURLOPT_MIMEPOST, h.mime);
}

void SetTls(CURL* curl, MailTls tls) {
    curl_easy_setopt(curl, CURLOPT_USE_SSL, static_cast<long>(tls == MailTls::off ? CURLUSESSL_NONE : CURLUSESSL_TRY));
    if (tls == MailTls::noVerify) {
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 0L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 0L);
    }
}

bool CertificateRefused(CURLcode result) {
    return result == CURLE_PEER_FAILED_VERIFICATION || result == CURLE_SSL_CACERT_BADFILE ||
           result == CURLE_SSL_ISSUER_ERROR || result == CURLE_SSL_INVALIDCERTSTATUS ||
           result == CURLE_SSL_PINNEDPUBKEYNOTMATCH || result == CURLE_SSL_CRL_BADFILE;
}

bool TlsFailed(CURLcode result) {
    return result == CURLE_SSL_CONNECT_ERROR || result == CURLE_SSL_CIPHER || result == CURLE_SSL_CERTPROBLEM ||
           result == CURLE_SSL_ENGINE_NOTFOUND || result == CURLE_SSL_ENGINE_SETFAILED ||
           result == CURLE_SSL_ENGINE_INITFAILED || result == CURLE_USE_SSL_FAILED || result == CURLE_SSL_CLIENTCERT;
}

std::string TlsSetting(const char* value) { return std::string("\"") + kMailTlsKey + "=" + value + "\""; }

std::string InMailSection() { return std::string(" in section [") + kMailSection + "]"; }

// curl's words for the failure, with its details when it has any.
std::string CurlText(CURLcode result, const char* detail) {
    std::string text = curl_easy_strerror(result);
    std::string more = detail;
    while (!more.empty() && (more.back() == '\n' || more.back() == '\r')) more.pop_back();
    if (!more.empty() && more != text) text += ": " + more;
    return text;
}

// What a failed transfer means to the operator.  Everything before the mail
// transaction (the connection, the greeting, TLS) is a failure to connect.
std::string FailureText(CURL* curl, CURLcode result, const char* detail, const MailSettings& settings) {
    long reply = 0;
    double connected = 0;
    curl_off_t transaction = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &reply);
    curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME, &connected);
    curl_easy_getinfo(curl, CURLINFO_PRETRANSFER_TIME_T, &transaction);
    const std::string server = ServerName(settings.server);
    const std::string why = CurlText(result, detail);
    const std::string connect = "Postie can't connect to SMTP server: " + server + ". Error: ";
    const std::string login = "Postie can't Login to SMTP server: " + server + ". Error: ";
    if (result == CURLE_LOGIN_DENIED) return login + why;
    if (reply == 530 && settings.user.empty())
        return login + why + ". The server wants a log-in: set \"User ID\" and \"Password\"" + InMailSection() + ".";
    if (reply == 530) return login + why;
    if (CertificateRefused(result))
        return connect + why + ". The server's certificate could not be verified: add its authority to this "
               "host's trusted certificates, or set " + TlsSetting("NoVerify") + InMailSection() +
               " to send without checking it (" + TlsSetting("Off") + " sends without TLS).";
    if (TlsFailed(result))
        return connect + why + ". TLS with the server failed: " + TlsSetting("Off") + InMailSection() +
               " sends without TLS.";
    if (result == CURLE_OPERATION_TIMEDOUT && reply == 0 && connected > 0)
        return connect + "the server took the connection but sent no greeting within " +
               std::to_string(settings.connectTimeout.count()) + " seconds (" + why + ")";
    if (transaction <= 0) return connect + why;
    return "Postie can't Post email message. Error: " + why;
}

}  // namespace

MailSender::MailSender(MailSettings settings)
    : m_settings(std::move(settings)), m_available(!m_settings.server.empty() && !m_settings.sender.empty()) {}

bool MailSender::SendMail(const MailRequest& request, std::string& errorText) const {
    errorText.clear();
    if (!m_available) {
        errorText = "Can't send email via Postie because Postie is not installed.";
        return false;
    }
    std::vector<std::string> attachments;
    if (!CheckAttachments(request.attachments, attachments, errorText)) return false;
    InitCurlOnce();
    CurlHandles h;
    if (!h.curl) {
        errorText = "Postie can't connect to SMTP server: " + ServerName(m_settings.server) +
                    ". Error: the mail library could not start";
        return false;
    }
    char detail[CURL_ERROR_SIZE] = "";
    const std::string sender = request.sender.empty() ? m_settings.sender : request.sender;
    curl_easy_setopt(h.curl, CURLOPT_ERRORBUFFER, detail);
    curl_easy_setopt(h.curl, CURLOPT_URL, SmtpUrl(m_settings.server).c_str());
    curl_easy_setopt(h.curl, CURLOPT_NOSIGNAL, 1L);
    // Covers the server's greeting and the log-in too: a server that takes
    // the connection and says nothing costs this long, not the whole limit.
    curl_easy_setopt(h.curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_settings.connectTimeout.count()));
    curl_easy_setopt(h.curl, CURLOPT_TIMEOUT, static_cast<long>(m_settings.totalTimeout.count()));
    SetTls(h.curl, m_settings.tls);
    if (!m_settings.user.empty()) {
        curl_easy_setopt(h.curl, CURLOPT_USERNAME, m_settings.user.c_str());
        curl_easy_setopt(h.curl, CURLOPT_PASSWORD, m_settings.password.c_str());
    }
    curl_easy_setopt(h.curl, CURLOPT_MAIL_FROM, ("<" + OneLine(sender) + ">").c_str());
    h.recipients = curl_slist_append(h.recipients, ("<" + OneLine(request.to) + ">").c_str());
    curl_easy_setopt(h.curl, CURLOPT_MAIL_RCPT, h.recipients);
    BuildMessage(h, request, sender, attachments);

    const CURLcode result = curl_easy_perform(h.curl);
    if (result == CURLE_OK) return true;
    errorText = FailureText(h.curl, result, detail, m_settings);
    return false;
}

std::string DebugMailer::SendFileError(const std::string& subject, const std::string& message,
                                       const std::vector<std::string>& attachments) {
    std::string error;
    m_sender.SendMail({m_recipient, subject, message, attachments, ""}, error);
    return error;
}

}  // namespace pv
