#pragma once
// Turning the service's 8-bit texts into what an e-mail carries.
#include <string>

namespace pv {

// Windows-1252 bytes to UTF-8.
std::string Cp1252ToUtf8(const std::string& text);
std::string Base64(const std::string& bytes);
// A subject line: line breaks and other control bytes become blanks;
// anything beyond ASCII is sent as an encoded word.
std::string MailSubjectHeader(const std::string& subject);
// A header value that must stay on one line (addresses).
std::string OneLine(const std::string& text);

}  // namespace pv
