#include "transport/FileNames.h"

#include <algorithm>
#include <string_view>

namespace pv {

namespace {

constexpr std::string_view kReplaced = "& ";
// Characters that have a meaning to a shell, a wildcard matcher, HTML or a
// URL, plus "|" which no Windows name may hold.
constexpr std::string_view kDeleted = "[]{}()?*'\",;#<>%$|";
constexpr std::string_view kPathCharacters = ":\\/";

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

bool Contains(std::string_view set, char c) { return set.find(c) != std::string_view::npos; }

// Blanks and ampersands: dropped at the start, "_" elsewhere.
void ReplaceSeparatingCharacters(std::string& text) {
    const auto first = text.find_first_not_of(kReplaced);
    text.erase(0, first == std::string::npos ? text.size() : first);
    std::replace_if(text.begin(), text.end(), [](char c) { return Contains(kReplaced, c); }, '_');
}

void DeleteUnsafeCharacters(std::string& text, bool bAllowPath) {
    const auto unsafe = [bAllowPath](char c) {
        return Contains(kDeleted, c) || IsControl(static_cast<unsigned char>(c)) ||
               (!bAllowPath && Contains(kPathCharacters, c));
    };
    text.erase(std::remove_if(text.begin(), text.end(), unsafe), text.end());
}

void ReplaceHighBytes(std::string& text) {
    std::replace_if(
        text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }, '_');
}

// Shrinks every run of c to a single c.
void CollapseRuns(std::string& text, char c) {
    const auto doubled = [c](char a, char b) { return a == c && b == c; };
    text.erase(std::unique(text.begin(), text.end(), doubled), text.end());
}

bool EndsInSeparator(const std::string& path) {
    return !path.empty() && (path.back() == '\\' || path.back() == '/');
}

}  // namespace

void MakeValidFilename(std::string& text, bool bAllowPath) {
    if (text.empty()) text = "z";
    ReplaceSeparatingCharacters(text);
    DeleteUnsafeCharacters(text, bAllowPath);
    ReplaceHighBytes(text);
    CollapseRuns(text, '-');
    CollapseRuns(text, '_');
    if (text.empty()) text = "z";
}

void AppendPathSeparator(std::string& path) {
    if (path.empty() || EndsInSeparator(path)) return;
    if (path.find('\\') != std::string::npos) {
        path += '\\';
    } else if (path.find('/') != std::string::npos) {
        path += '/';
    } else if ((path.size() < 2 || path[1] != ':') && path.find(':') != std::string::npos) {
        path += '/';  // a URL such as "ftp:host"
    } else {
        path += '\\';
    }
}

void SplitFolderAndName(const std::string& path, std::string* folder, std::string* name) {
    const auto separator = path.find_last_of("\\/");
    const auto nameStart = separator == std::string::npos ? 0 : separator + 1;
    if (folder) *folder = path.substr(0, nameStart);
    if (name) *name = path.substr(nameStart);
}

}  // namespace pv
