#pragma once
// Whether texts are well-formed XML as a feed reader takes them: each text
// is put inside an element of a Windows-1252 document whose document type
// declares the HTML entities a feed carries ("nbsp" and the Latin-1 letters,
// as the feed formats' own document types do) and parsed by Debian's Python
// (/usr/bin/python3, xml.dom.minidom), one run for all texts, started with
// an argument vector.
#include <optional>
#include <string>
#include <vector>

namespace pv::test {

// For each text, empty when it parsed, else the parser's complaint; nothing
// when the parser could not be run at all.
std::optional<std::vector<std::string>> XmlParseErrors(const std::vector<std::string>& texts);

}  // namespace pv::test
