#include "publish/FolderAliasLine.h"

#include <algorithm>

#include "config/ProfileFile.h"
#include "platform/Wildcard.h"

namespace pv {

namespace {

constexpr std::string_view kMask = "****";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

FolderAliasOption ParseOption(std::string_view written) {
    FolderAliasOption option;
    option.written = std::string(written);
    const size_t equals = written.find('=');
    const bool split = equals != std::string_view::npos && equals > 0;
    option.key = platform::AsciiLowered(TrimBlanks(split ? written.substr(0, equals) : written));
    if (split) option.value = std::string(TrimBlanks(written.substr(equals + 1)));
    return option;
}

// Words that mark a key as a password's, misspelt ones included.
constexpr std::string_view kPasswordWords[] = {"pass", "pasw", "pw"};

// Everything after the "=" or ":" (else the blank) that follows a word
// naming a password becomes the mask.
std::string MaskPasswordValue(std::string text) {
    const std::string lower = platform::AsciiLowered(text);
    size_t word = std::string::npos;
    for (const std::string_view marker : kPasswordWords) word = std::min(word, lower.find(marker));
    if (word == std::string::npos) return text;
    size_t delimiter = text.find_first_of("=:", word);
    if (delimiter == std::string::npos) delimiter = text.find_first_of(" \t", word);
    if (delimiter == std::string::npos) return text;
    return text.substr(0, delimiter + 1) + std::string(kMask);
}

// In every "|ID|PASSWORD|" the password becomes the mask.  Where the part is
// cut short, where the password ends cannot be told: all after the user is
// masked (all after the first "|" when even the user is not closed).
std::string MaskCredentialParts(const std::string& text) {
    std::string shown;
    size_t from = 0;
    while (from < text.size()) {
        const size_t first = text.find('|', from);
        if (first == std::string::npos) return shown + text.substr(from);
        const size_t second = text.find('|', first + 1);
        if (second == std::string::npos) return shown + text.substr(from, first + 1 - from) + std::string(kMask);
        const size_t third = text.find('|', second + 1);
        shown += text.substr(from, second + 1 - from) + std::string(kMask);
        if (third == std::string::npos) return shown;
        shown += '|';
        from = third + 1;
    }
    return shown;
}

}  // namespace

bool IsFolderAliasComment(std::string_view line) {
    return line.empty() || line.front() == ';' || IsBlank(line.front());
}

std::optional<std::string_view> FolderAliasOfLine(std::string_view line) {
    const size_t semicolon = line.find(';');
    if (semicolon == std::string_view::npos) return std::nullopt;
    return line.substr(0, semicolon);
}

std::vector<FolderAliasOption> FolderAliasOptions(std::string_view line) {
    std::vector<FolderAliasOption> options;
    size_t start = line.find(';');
    while (start != std::string_view::npos) {
        const size_t end = line.find(';', start + 1);
        options.push_back(ParseOption(line.substr(start + 1, end == std::string_view::npos ? end : end - start - 1)));
        start = end;
    }
    return options;
}

std::string OptionTextForDisplay(std::string_view written) {
    return MaskCredentialParts(MaskPasswordValue(std::string(written)));
}

}  // namespace pv
