#include "transport/FileNames.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <string_view>

#include "platform/Wildcard.h"

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

// "." and ".." name a folder, never a file of their own; a name of dots
// alone is one of them on one system or the other (Windows drops trailing dots).
bool OnlyDots(std::string_view name) { return !name.empty() && name.find_first_not_of('.') == std::string_view::npos; }

// Every part of a path (between separators) that is only dots becomes "z",
// so a sanitised name or path can never climb out of its folder.
void ReplaceDotNames(std::string& text) {
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t end = std::min(text.find_first_of(kPathCharacters, start), text.size());
        const std::string_view part(text.data() + start, end - start);
        out += OnlyDots(part) ? std::string_view("z") : part;
        if (end == text.size()) break;
        out += text[end];
        start = end + 1;
    }
    text = std::move(out);
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
    ReplaceDotNames(text);
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

namespace {
constexpr std::string_view kHiddenCopyPrefix = ".pvcopy-";
constexpr std::string_view kHiddenCopySuffix = ".part";
constexpr size_t kHiddenCopyDigits = 12;
}  // namespace

std::string HiddenCopyName() {
    thread_local std::mt19937_64 random{std::random_device{}()};
    char digits[kHiddenCopyDigits + 1];
    std::snprintf(digits, sizeof digits, "%012llx",
                  static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
    return std::string(kHiddenCopyPrefix) + digits + std::string(kHiddenCopySuffix);
}

bool IsHiddenCopyName(std::string_view name) {
    if (name.size() != kHiddenCopyPrefix.size() + kHiddenCopyDigits + kHiddenCopySuffix.size()) return false;
    if (name.substr(0, kHiddenCopyPrefix.size()) != kHiddenCopyPrefix) return false;
    if (name.substr(name.size() - kHiddenCopySuffix.size()) != kHiddenCopySuffix) return false;
    const std::string_view digits = name.substr(kHiddenCopyPrefix.size(), kHiddenCopyDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

void SplitFolderAndName(const std::string& path, std::string* folder, std::string* name) {
    const auto separator = path.find_last_of("\\/");
    const auto nameStart = separator == std::string::npos ? 0 : separator + 1;
    if (folder) *folder = path.substr(0, nameStart);
    if (name) *name = path.substr(nameStart);
}

std::string LowerExtension(const std::string& name) {
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : platform::AsciiLowered(std::string_view(name).substr(dot));
}

}  // namespace pv
