#pragma once
// Debug reports ("Debug Email Enable"): a debug file with the text, and a
// mail of it, with the file attached, to "Debug Email To".  Off when no
// debug mailer is given; a report never changes what the caller does.
#include <string>

#include "notify/DebugFiles.h"
#include "transport/Mailer.h"

namespace pv {

class DebugReports {
public:
    DebugReports(DebugFiles& files, Mailer* mailer) : m_files(files), m_mailer(mailer) {}

    bool On() const { return m_mailer != nullptr; }
    void Send(const std::string& subject, const std::string& text) { Send(subject, text, text); }
    // The file holds text, the mail says message (with the file attached).
    void Send(const std::string& subject, const std::string& text, const std::string& message);

private:
    DebugFiles& m_files;
    Mailer* m_mailer;
};

}  // namespace pv
