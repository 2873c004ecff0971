#include "publish/TemplateMarker.h"

#include "platform/Wildcard.h"

namespace pv {

std::optional<FoundMarker> FindMarker(std::string_view text) {
    const size_t opener = text.find(kMarkerOpener);
    if (opener == std::string_view::npos) return std::nullopt;
    FoundMarker marker;
    marker.before = text.substr(0, opener);
    const size_t nameStart = opener + kMarkerOpener.size();
    const size_t closer = text.find(kMarkerCloser, nameStart);
    if (closer == std::string_view::npos) {
        marker.corrupt = true;
        marker.after = text.substr(opener);
        return marker;
    }
    marker.name = text.substr(nameStart, closer - nameStart);
    marker.after = text.substr(closer + kMarkerCloser.size());
    return marker;
}

std::string MarkerText(std::string_view name) {
    std::string text(kMarkerOpener);
    text += name;
    text += kMarkerCloser;
    return text;
}

bool NameStartsWith(std::string_view name, std::string_view keyword) {
    return name.size() >= keyword.size() && platform::EqualsIgnoringCase(name.substr(0, keyword.size()), keyword);
}

namespace {

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

std::string LineEndsAsBlanks(std::string_view value) {
    std::string text;
    text.reserve(value.size());
    bool inLineEnd = false;
    for (const char c : value) {
        const bool lineEnd = c == '\r' || c == '\n';
        if (!lineEnd) text += c;
        else if (!inLineEnd) text += ' ';
        inLineEnd = lineEnd;
    }
    return text;
}

}  // namespace

std::string PageValue(std::string_view value) {
    std::string text = LineEndsAsBlanks(value);
    ReplaceAll(text, "<!--", "&lt;!--");
    ReplaceAll(text, "-->", "--&gt;");
    return text;
}

}  // namespace pv
