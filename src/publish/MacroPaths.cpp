#include "publish/MacroPaths.h"

#include <algorithm>
#include <cstdlib>

#include "publish/TemplateMarker.h"
#include "transport/Credentials.h"

namespace pv {

namespace {

bool IsWebForm(std::string_view path) {
    for (const std::string_view prefix : {"ftp:", "http:", "https:", "www.", "//www."})
        if (NameStartsWith(path, prefix)) return true;
    return false;
}

void ReplaceChar(std::string& text, char from, char to) { std::replace(text.begin(), text.end(), from, to); }

// A number as the standard string-to-integer conversion reads it: leading
// blanks, a sign, digits; anything else ends it, no digits read as 0.
long long LeadingNumber(std::string_view text) {
    const std::string copy(text);
    return std::strtoll(copy.c_str(), nullptr, 10);
}

}  // namespace

std::string NormaliseSeparators(std::string_view path) {
    std::string text(path);
    if (IsWebForm(path)) ReplaceChar(text, '\\', '/');
    else ReplaceChar(text, '/', '\\');
    return text;
}

std::string RemoveServerPart(std::string_view path) {
    std::string_view rest = path;
    if (rest.size() >= 2 && rest[1] == ':') {
        rest.remove_prefix(2);
    } else if (const size_t colon = rest.find(':', 1); colon != std::string_view::npos) {
        rest.remove_prefix(std::min(rest.size(), colon + 3));
    }
    if (const size_t separator = rest.find_first_of("/\\"); separator != std::string_view::npos && separator > 0)
        rest.remove_prefix(separator + 1);
    std::string text(rest);
    ReplaceChar(text, '\\', '/');
    return text;
}

std::string ShownPath(std::string_view path) { return WithoutCredentials(std::string(path)); }

std::string CharacterRange(const std::string& text, std::string_view parameters) {
    const size_t comma = parameters.find(',');
    if (comma == std::string_view::npos || text.empty()) return {};
    const long long last = std::min<long long>(LeadingNumber(parameters.substr(comma + 1)),
                                               static_cast<long long>(text.size()) - 1);
    const long long first = std::max<long long>(LeadingNumber(parameters.substr(0, comma)), 0);
    if (first > last) return {};
    return text.substr(static_cast<size_t>(first), static_cast<size_t>(last - first + 1));
}

}  // namespace pv
