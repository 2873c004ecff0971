#pragma once
// Turning the service's 8-bit texts into what an e-mail carries.
#include <string>

namespace pv {

// Text as UTF-8 for a mail: what already is UTF-8 (file names on this host,
// usually) is kept as it is; every byte that is not part of a valid UTF-8
// sequence is taken as Windows-1252 (texts from the settings and old files).
std::string MailUtf8(const std::string& text);
// Every line end (CR LF, a bare LF, a bare CR) as CR LF, as SMTP wants.
std::string CrLfLines(const std::string& text);
std::string Base64(const std::string& bytes);
// A subject line: line breaks and other control bytes become blanks;
// anything beyond ASCII is sent as encoded words (folded, each at most 75
// characters long).
std::string MailSubjectHeader(const std::string& subject);
// The Content-Disposition value of an attachment with this file name: the
// plain name when it is ASCII, otherwise the RFC 2231 form (in folded pieces
// when long).
std::string AttachmentDisposition(const std::string& fileName);
// A header value that must stay on one line (addresses).
std::string OneLine(const std::string& text);

}  // namespace pv
