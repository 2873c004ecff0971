#include "publish/DatePlaceholders.h"

#include <cstdio>
#include <string_view>

namespace pv {

namespace {

std::string Digits(int number, int width) {
    char text[16];
    std::snprintf(text, sizeof text, "%0*d", width, number);
    return text;
}

void ReplaceAll(std::string& text, std::string_view placeholder, const std::string& value) {
    for (size_t at = text.find(placeholder); at != std::string::npos; at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
}

}  // namespace

void FillDatePlaceholders(std::string& text, const std::tm& date) {
    if (text.find('[') == std::string::npos) return;
    ReplaceAll(text, "[YYYY]", Digits(date.tm_year + 1900, 4));
    ReplaceAll(text, "[MM]", Digits(date.tm_mon + 1, 2));
    ReplaceAll(text, "[DD]", Digits(date.tm_mday, 2));
}

}  // namespace pv
