#include "publish/MacroPaths.h"

#include <algorithm>

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

}  // namespace pv
