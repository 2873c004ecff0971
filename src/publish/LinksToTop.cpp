#include "publish/LinksToTop.h"

#include <array>
#include <string>

#include "publish/StoryLines.h"

namespace pv {

namespace {

constexpr size_t kKinds = 3;
using Links = std::array<std::string, kKinds>;

std::string TypeOf(std::string_view name) {
    const std::string type = LowerExtensionWithoutDot(name);
    return type.empty() ? "wav" : type;
}

bool Listed(const std::vector<std::string>& list, const std::string& type) {
    for (const std::string& entry : list)
        if (entry == type) return true;
    return false;
}

bool Complete(const Links& links) {
    for (const std::string& link : links)
        if (link.empty()) return false;
    return true;
}

// The first reference of each kind in the rest of the story.
Links FindLinks(const CDirOptions& route, CFileString& story) {
    Links links;
    for (std::string line; !Complete(links) && story.ReadLine(line);) {
        for (const std::string& name : ReferencesOn(line)) {
            const std::string type = TypeOf(name);
            for (size_t kind = 0; kind < kKinds; ++kind)
                if (links[kind].empty() && Listed(route.m_strLinkExts[kind], type)) links[kind] = "[" + name + "]";
        }
    }
    return links;
}

// The line without the first occurrences of the links still to be moved;
// a link cut out is cleared.  A reference with an empty name ends the walk.
std::string WithoutMovedLinks(const std::string& line, Links& links) {
    std::string kept;
    size_t from = 0;
    for (const LinePiece& piece : SplitStoryLine(line)) {
        if (!piece.reference) continue;
        const std::string_view name = StripBlanks(piece.text);
        if (name.empty()) break;
        const std::string bracketed = "[" + std::string(name) + "]";
        for (std::string& link : links) {
            if (link != bracketed) continue;
            const size_t start = static_cast<size_t>(piece.span.data() - line.data());
            kept.append(line, from, start - from);
            from = start + piece.span.size();
            link.clear();
            break;
        }
    }
    kept.append(line, from, std::string::npos);
    return kept;
}

}  // namespace

bool WriteLinksOnTop(const CDirOptions& route, int linesToIgnore, CFileString& story, CFileString& copy) {
    bool written = true;
    const auto writeLine = [&](const std::string& text) { written = copy.WriteText(text + "\n") && written; };

    SkipMagicLine(story);
    const int64_t afterMagic = story.GetPosition();
    std::string line;
    if (afterMagic > 0) {
        story.SeekToBegin();
        story.ReadLine(line);
        writeLine(line);
    }
    while (HeaderLineFollows(story) && story.ReadLine(line)) writeLine(line);
    for (int i = 0; i < linesToIgnore && story.ReadLine(line); ++i) writeLine("");
    const int64_t bodyStart = story.GetPosition();

    Links links = FindLinks(route, story);
    for (const std::string& link : links) writeLine(link);
    story.Seek(bodyStart, CFileString::seekBegin);
    while (story.ReadLine(line)) writeLine(WithoutMovedLinks(line, links));
    return written;
}

}  // namespace pv
