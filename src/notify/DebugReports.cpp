#include "notify/DebugReports.h"

namespace pv {

void DebugReports::Send(const std::string& subject, const std::string& text, const std::string& message) {
    if (!On()) return;
    const std::string file = m_files.Write(text);
    std::vector<std::string> attachments;
    if (!file.empty()) attachments.push_back(file);
    m_mailer->SendFileError(subject, message, attachments);
}

}  // namespace pv
