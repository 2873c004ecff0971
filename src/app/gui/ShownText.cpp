#include "app/gui/ShownText.h"

#include "notify/MailText.h"

namespace pv::gui {

// The mail's conversion is the one wanted here too.
QString ShownText(const std::string& text) {
    std::string utf8 = MailUtf8(text);
    std::erase(utf8, '\r');
    return QString::fromStdString(utf8);
}

}  // namespace pv::gui
