#include "platform/HostPath.h"

#include <dirent.h>
#include <memory>
#include <mutex>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include "platform/FolderCaseIndex.h"
#include "platform/Wildcard.h"

namespace pv::platform {

namespace {

std::mutex g_mapMutex;
PathMapSettings g_map;

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool IsControlByte(char c) { return static_cast<unsigned char>(c) < 0x20; }

bool HasDrivePrefix(const std::string& path) { return path.size() >= 2 && IsAsciiLetter(path[0]) && path[1] == ':'; }

bool HasSharePrefix(const std::string& path) { return path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1]); }

// Bytes that must never reach the host: control bytes, and '|' which only
// appears when credentials were not split off.
bool CheckBytes(const std::string& path, std::string* error) {
    for (char c : path) {
        if (IsControlByte(c)) return Fail(error, "path contains a control character");
        if (c == '|') return Fail(error, "path contains '|'");
    }
    return true;
}

std::vector<std::string> SplitComponents(std::string_view rest) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= rest.size()) {
        size_t end = start;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        if (end > start) parts.emplace_back(rest.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool LookupDrive(char letter, std::string& folder, std::string* error) {
    const char upper = AsciiUpper(letter);
    {
        std::lock_guard<std::mutex> lock(g_mapMutex);
        auto found = g_map.drives.find(upper);
        if (found == g_map.drives.end()) found = g_map.drives.find(AsciiLower(upper));
        if (found != g_map.drives.end()) folder = found->second;
    }
    if (!folder.empty()) return true;
    return Fail(error, std::string("drive ") + upper + ": is not mapped to a host folder");
}

bool LookupShareRoot(std::string& root, std::string* error) {
    {
        std::lock_guard<std::mutex> lock(g_mapMutex);
        root = g_map.shareRoot;
    }
    if (!root.empty()) return true;
    return Fail(error, "share paths (\\\\server\\share) cannot be used: no share root is set");
}

// Splits a local path into the host folder it starts from ("" when relative)
// and the text after that start.
bool SplitStart(const std::string& path, std::string& base, std::string_view& rest, std::string* error) {
    const std::string_view view(path);
    if (HasDrivePrefix(path)) {
        rest = view.substr(2);
        return LookupDrive(path[0], base, error);
    }
    if (HasSharePrefix(path)) {
        rest = view.substr(2);
        if (rest.empty() || IsSeparator(rest.front())) return Fail(error, "share path names no server");
        return LookupShareRoot(base, error);
    }
    if (IsSeparator(path[0])) {
        base = "/";
        rest = view.substr(1);
        return true;
    }
    base.clear();
    rest = view;
    return true;
}

std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty()) return name;
    if (folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string JoinAll(const std::string& base, const std::vector<std::string>& parts) {
    std::string joined = base;
    for (const auto& part : parts) joined = Join(joined, part);
    return joined;
}

bool NameExists(const std::string& hostPath) {
    struct stat st {};
    return ::lstat(hostPath.c_str(), &st) == 0;
}

// The entry of folder whose name equals name without regard to ASCII case.
// Several candidates ("news", "NEWS"): the byte-wise smallest, so the choice
// does not depend on directory order.
bool FindEntryIgnoringCase(const std::string& folder, const std::string& name, std::string& found) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return false;
    found.clear();
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view candidate(entry->d_name);
        if (candidate == "." || candidate == "..") continue;
        if (EqualsIgnoringCase(candidate, name) && (found.empty() || candidate < found)) found = candidate;
    }
    return !found.empty();
}

// Replaces each component that does not exist as written by the entry that
// matches it without regard to case.  Stops at the first component that is
// missing altogether: nothing below it can exist, so the rest stays as written.
// The common case - a file about to be made in a folder written correctly -
// costs one look at the folder, and its listing is usually known already.
void ResolveCase(const std::string& base, std::vector<std::string>& parts) {
    if (parts.empty() || NameExists(JoinAll(base, parts))) return;
    std::string current = base;
    size_t first = 0;
    if (parts.size() > 1) {
        const std::string parent = JoinAll(base, {parts.begin(), parts.end() - 1});
        if (NameExists(parent)) {
            current = parent;
            first = parts.size() - 1;
        }
    }
    bool asWritten = true;  // the whole path is known not to exist as written
    for (size_t index = first; index < parts.size(); ++index) {
        std::string& part = parts[index];
        const std::string candidate = Join(current, part);
        const bool knownMissing = asWritten && index == parts.size() - 1;
        if (!knownMissing && NameExists(candidate)) {
            current = candidate;
            continue;
        }
        std::string found;
        if (!FolderCaseIndex::Shared().MayHold(current, part) || !FindEntryIgnoringCase(current, part, found)) return;
        part = found;
        asWritten = false;
        current = Join(current, part);
    }
}

}  // namespace

void SetPathMap(const PathMapSettings& settings) {
    std::lock_guard<std::mutex> lock(g_mapMutex);
    g_map = settings;
}

PathMapSettings GetPathMap() {
    std::lock_guard<std::mutex> lock(g_mapMutex);
    return g_map;
}

bool ToHostPath(const std::string& path, std::string& host, std::string* error) {
    if (path.rfind("ftp://", 0) == 0) return Fail(error, "not a local path");
    if (path.empty()) return Fail(error, "empty path");
    if (!CheckBytes(path, error)) return false;
    std::string base;
    std::string_view rest;
    if (!SplitStart(path, base, rest, error)) return false;
    std::vector<std::string> parts = SplitComponents(rest);
    for (const auto& part : parts)
        if (part == "..") return Fail(error, "path climbs out of its folder with \"..\"");
    ResolveCase(base, parts);
    host = JoinAll(base, parts);
    if (IsSeparator(path.back()) && (host.empty() || host.back() != '/')) host += '/';
    return true;
}

bool IsSafeFileName(const std::string& name, std::string* why) {
    if (name.empty()) return Fail(why, "empty file name");
    if (name == "." || name == "..") return Fail(why, "file name \"" + name + "\" names a folder, not a file");
    for (char c : name) {
        if (IsControlByte(c)) return Fail(why, "file name contains a control character");
        if (c == '/' || c == '\\' || c == '|')
            return Fail(why, std::string("file name contains '") + c + "'");
    }
    return true;
}

}  // namespace pv::platform
