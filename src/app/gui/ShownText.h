#pragma once
// The service's 8-bit texts (Windows-1252 from settings and old files, UTF-8
// file names of this host) as Qt shows them.
#include <QString>
#include <string>

namespace pv::gui {

// Valid UTF-8 stays as it is, every other byte is read as Windows-1252, and
// "\r\n" line ends become "\n".
QString ShownText(const std::string& text);

}  // namespace pv::gui
