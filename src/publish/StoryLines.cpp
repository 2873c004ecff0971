#include "publish/StoryLines.h"

#include "platform/Wildcard.h"
#include "publish/TextFileHeader.h"

namespace pv {

bool HeaderLineFollows(CFileString& story) {
    const int64_t position = story.GetPosition();
    char probe[9];
    const int64_t read = story.Read(probe, sizeof probe);
    story.Seek(position, CFileString::seekBegin);
    return read == 9 && std::string_view(probe, 4) == "FILE" && probe[8] == ':';
}

void SkipMagicLine(CFileString& story) {
    story.SeekToBegin();
    std::string line;
    if (!story.ReadLine(line) || line != CTextFileHeader::kMagicLine) story.SeekToBegin();
}

void SkipStoryHeader(CFileString& story) {
    SkipMagicLine(story);
    std::string line;
    while (HeaderLineFollows(story) && story.ReadLine(line)) {
    }
}

std::string_view StripBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

std::vector<LinePiece> SplitStoryLine(std::string_view line) {
    std::vector<LinePiece> pieces;
    std::string_view rest = line;
    while (!rest.empty()) {
        const size_t open = rest.find('[');
        const size_t close = open == std::string_view::npos ? open : rest.find(']', open + 1);
        if (close == std::string_view::npos) {
            pieces.push_back({false, rest, rest});
            break;
        }
        std::string_view before = rest.substr(0, open);
        if (!before.empty() && (before.back() == ' ' || before.back() == '\t')) before.remove_suffix(1);
        if (!before.empty()) pieces.push_back({false, before, before});
        pieces.push_back({true, rest.substr(open + 1, close - open - 1), rest.substr(open, close - open + 1)});
        rest = rest.substr(close + 1);
    }
    return pieces;
}

std::vector<std::string> ReferencesOn(std::string_view line) {
    std::vector<std::string> names;
    for (const LinePiece& piece : SplitStoryLine(line)) {
        const std::string_view name = StripBlanks(piece.text);
        if (piece.reference && !name.empty()) names.emplace_back(name);
    }
    return names;
}

std::string LowerExtensionWithoutDot(std::string_view name) {
    const size_t dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : platform::AsciiLowered(name.substr(dot + 1));
}

}  // namespace pv
