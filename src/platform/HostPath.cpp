#include "platform/HostPath.h"

#include <cerrno>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>
#include <vector>

#include "platform/HostEnvironment.h"
#include "platform/Wildcard.h"

namespace pv::platform {

namespace {

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

bool LookupDrive(const HostEnvironment* env, char letter, std::string& folder, std::string* error) {
    if (env && env->DriveFolder(letter, folder)) return true;
    return Fail(error, std::string("drive ") + AsciiUpper(letter) + ": is not mapped to a host folder");
}

bool LookupShareRoot(const HostEnvironment* env, std::string& root, std::string* error) {
    if (env) root = env->ShareRoot();
    if (!root.empty()) return true;
    return Fail(error, "share paths (\\\\server\\share) cannot be used: no share root is set");
}

// Splits a local path into the host folder it starts from ("" when relative)
// and the text after that start.
bool SplitStart(const HostEnvironment* env, const std::string& path, std::string& base, std::string_view& rest,
                std::string* error) {
    const std::string_view view(path);
    if (HasDrivePrefix(path)) {
        rest = view.substr(2);
        return LookupDrive(env, path[0], base, error);
    }
    if (HasSharePrefix(path)) {
        rest = view.substr(2);
        if (rest.empty() || IsSeparator(rest.front())) return Fail(error, "share path names no server");
        return LookupShareRoot(env, base, error);
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

// The entry of folder whose name equals name without regard to ASCII case:
// the name itself when it is there, else, of several candidates ("news",
// "NEWS"), the byte-wise smallest, so the choice does not depend on
// directory order.
bool FindEntryIgnoringCase(const std::string& folder, const std::string& name, std::string& found) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return false;
    found.clear();
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view candidate(entry->d_name);
        if (candidate == "." || candidate == "..") continue;
        if (candidate == name) {
            found = name;
            return true;
        }
        if (EqualsIgnoringCase(candidate, name) && (found.empty() || candidate < found)) found = candidate;
    }
    return !found.empty();
}

using Holds = FolderCaseIndex::Holds;

// What folder holds under name without regard to case: the environment's
// index knows, or (with none installed) the folder is read each time.
Holds LookUp(HostEnvironment* env, const std::string& folder, const std::string& name) {
    if (env) return env->Names().Lookup(folder, name);
    struct stat st {};
    const bool isFolder = ::stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    return isFolder ? Holds::maybe : Holds::noFolder;
}

// A local path split for the host: the folder its start maps to ("/" for a
// host absolute path, "" for the current folder) and the components after it.
struct SplitPath {
    std::string base;
    std::vector<std::string> parts;
    bool trailingSeparator = false;

    std::string Folder() const { return JoinAll(base, {parts.begin(), parts.end() - 1}); }
    std::string Host() const {
        std::string host = JoinAll(base, parts);
        if (trailingSeparator && (host.empty() || host.back() != '/')) host += '/';
        return host;
    }
};

bool Split(HostEnvironment* env, const std::string& path, SplitPath& split, std::string* error) {
    if (path.rfind("ftp://", 0) == 0) return Fail(error, "not a local path");
    if (path.empty()) return Fail(error, "empty path");
    if (!CheckBytes(path, error)) return false;
    std::string_view rest;
    if (!SplitStart(env, path, split.base, rest, error)) return false;
    split.parts = SplitComponents(rest);
    for (const auto& part : split.parts)
        if (part == "..") return Fail(error, "path climbs out of its folder with \"..\"");
    split.trailingSeparator = IsSeparator(path.back());
    return true;
}

// Replaces each component by the entry that matches it without regard to
// case, from the first one on, where the path as written does not exist.
// Stops at the first component that is missing altogether: nothing below it
// can exist, so the rest stays as written.
void ResolveFromStart(HostEnvironment* env, SplitPath& split) {
    std::vector<std::string>& parts = split.parts;
    std::string current = split.base;
    bool asWritten = true;  // the whole path is known not to exist as written
    for (size_t index = 0; index < parts.size(); ++index) {
        std::string& part = parts[index];
        const std::string candidate = Join(current, part);
        const bool knownMissing = asWritten && index == parts.size() - 1;
        if (!knownMissing && NameExists(candidate)) {
            current = candidate;
            continue;
        }
        std::string found;
        if (LookUp(env, current, part) != Holds::maybe || !FindEntryIgnoringCase(current, part, found)) return;
        part = found;
        asWritten = false;
        current = Join(current, part);
    }
}

// The path as written does not exist.  Usually only its last name differs
// from the disk: its folder's record tells (no look at the disk at all in a
// batch that has seen the folder), and only a name that may be there in
// other letters costs a read of the folder.
void ResolveMissing(HostEnvironment* env, SplitPath& split) {
    if (split.parts.empty()) return;
    const std::string folder = split.Folder();
    std::string found;
    switch (LookUp(env, folder, split.parts.back())) {
        case Holds::no: return;
        case Holds::maybe:
            if (FindEntryIgnoringCase(folder, split.parts.back(), found)) split.parts.back() = found;
            return;
        case Holds::noFolder:
            if (split.parts.size() > 1) ResolveFromStart(env, split);
            return;
    }
}

}  // namespace

bool OnExistingHostPath(const std::string& path, const std::function<bool(const std::string& host)>& attempt,
                        std::string* error) {
    HostEnvironment* env = HostEnvironment::Installed();
    SplitPath split;
    if (!Split(env, path, split, error)) return false;
    const std::string asWritten = split.Host();
    if (attempt(asWritten)) return true;
    const int missing = errno;
    ResolveMissing(env, split);
    const std::string resolved = split.Host();
    if (resolved != asWritten) attempt(resolved);
    else errno = missing;
    return true;
}

bool ToHostPath(const std::string& path, std::string& host, std::string* error) {
    HostEnvironment* env = HostEnvironment::Installed();
    SplitPath split;
    if (!Split(env, path, split, error)) return false;
    if (split.parts.empty()) {
        host = split.Host();
        return true;
    }
    // A folder checked in this batch tells at once; otherwise a name that is
    // there as written (a file replaced or appended to) costs one look.
    const std::string folder = split.Folder();
    Holds known = Holds::no;
    if (env && env->Names().Known(folder, split.parts.back(), known)) {
        std::string found;
        if (known == Holds::maybe && !NameExists(JoinAll(split.base, split.parts)) &&
            FindEntryIgnoringCase(folder, split.parts.back(), found))
            split.parts.back() = found;
    } else if (!NameExists(JoinAll(split.base, split.parts))) {
        ResolveMissing(env, split);
    }
    host = split.Host();
    return true;
}

namespace {

std::string WithoutTrailingSlash(std::string host) {
    while (host.size() > 1 && host.back() == '/') host.pop_back();
    return host;
}

}  // namespace

void NoteHostEntryAdded(const std::string& hostPath) {
    if (HostEnvironment* env = HostEnvironment::Installed()) env->Names().NoteAdded(hostPath);
}

void NoteHostEntryRemoved(const std::string& hostPath) {
    if (HostEnvironment* env = HostEnvironment::Installed()) env->Names().NoteRemoved(hostPath);
}

void NoteHostFolderSeen(const std::string& hostPath, const struct stat& st) {
    if (HostEnvironment* env = HostEnvironment::Installed()) env->Names().Observed(WithoutTrailingSlash(hostPath), st);
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
