#include "notify/MailSender.h"

#include <cstdio>
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

std::string Hex(long value) {
    char text[32];
    std::snprintf(text, sizeof text, "%lx", value);
    return text;
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
            error = "Postie can't add email attachment. Error: " + Hex(CURLE_READ_ERROR) + " (" + path + ")";
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
    const std::string body = Cp1252ToUtf8(request.message);
    curl_mime_data(text, body.c_str(), body.size());
    curl_mime_type(text, "text/plain; charset=UTF-8");
    for (const std::string& path : attachments) {
        curl_mimepart* part = curl_mime_addpart(h.mime);
        curl_mime_filedata(part, path.c_str());  // streamed from the file
        curl_mime_encoder(part, "base64");
    }
    curl_easy_setopt(h.curl, CURLOPT_MIMEPOST, h.mime);
}

}  // namespace

void MailSender::Configure(const MailSettings& settings) {
    m_settings = settings;
    m_available = !settings.server.empty() && !settings.sender.empty();
}

bool MailSender::SendMail(const MailRequest& request, std::string& errorText, bool alwaysLogIn) const {
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
        errorText = "Postie can't connect to SMTP server: " + ServerName(m_settings.server) + ". Error: 0";
        return false;
    }
    const std::string sender = request.sender.empty() ? m_settings.sender : request.sender;
    curl_easy_setopt(h.curl, CURLOPT_URL, SmtpUrl(m_settings.server).c_str());
    curl_easy_setopt(h.curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h.curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_settings.connectTimeout.count()));
    curl_easy_setopt(h.curl, CURLOPT_TIMEOUT, static_cast<long>(m_settings.totalTimeout.count()));
    curl_easy_setopt(h.curl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_TRY));
    if (alwaysLogIn || !m_settings.user.empty()) {
        curl_easy_setopt(h.curl, CURLOPT_USERNAME, m_settings.user.c_str());
        curl_easy_setopt(h.curl, CURLOPT_PASSWORD, m_settings.password.c_str());
    }
    curl_easy_setopt(h.curl, CURLOPT_MAIL_FROM, ("<" + OneLine(sender) + ">").c_str());
    h.recipients = curl_slist_append(h.recipients, ("<" + OneLine(request.to) + ">").c_str());
    curl_easy_setopt(h.curl, CURLOPT_MAIL_RCPT, h.recipients);
    BuildMessage(h, request, sender, attachments);

    const CURLcode result = curl_easy_perform(h.curl);
    if (result == CURLE_OK) return true;
    double connected = 0;
    curl_easy_getinfo(h.curl, CURLINFO_CONNECT_TIME, &connected);
    const std::string server = ServerName(m_settings.server);
    if (result == CURLE_COULDNT_RESOLVE_HOST || result == CURLE_COULDNT_CONNECT || connected <= 0)
        errorText = "Postie can't connect to SMTP server: " + server + ". Error: " + Hex(result);
    else if (result == CURLE_LOGIN_DENIED)
        errorText = "Postie can't Login to SMTP server: " + server + ". Error: " + Hex(result);
    else
        errorText = "Postie can't Post email message. Error: " + Hex(result) + " (" + curl_easy_strerror(result) + ")";
    return false;
}

std::string DebugMailer::SendFileError(const std::string& subject, const std::string& message,
                                       const std::vector<std::string>& attachments) {
    std::string error;
    m_sender.SendMail({m_recipient, subject, message, attachments, ""}, error, true);
    return error;
}

}  // namespace pv
