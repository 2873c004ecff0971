#pragma once
// Turns a path as the operator wrote it (Windows form in settings files:
// "C:\News\In\", "\\server\share\x", or a plain host path) into a host path.
// This is the one place where that happens.
#include <map>
#include <string>

namespace pv::platform {

struct PathMapSettings {
    // Drive letter (upper case) -> host folder, e.g. 'C' -> "/srv/pressvane/c".
    std::map<char, std::string> drives;
    // Host folder where "\\server\share" trees are mounted: "\\srv\news\a"
    // becomes shareRoot + "/srv/news/a".  Empty: UNC paths cannot be mapped.
    std::string shareRoot;
};

// Process-wide map, set once at start-up from the settings (before the
// monitor thread starts) and read by every file operation afterwards.
void SetPathMap(const PathMapSettings& settings);
PathMapSettings GetPathMap();

// Maps a local path to a host path:
//   "X:\a\b", "x:/a/b", "X:"   drive table folder + "/a/b"
//   "\\server\share\a"         shareRoot + "/server/share/a"
//   "/a/b"                     host absolute, as written
//   anything else              relative to the current folder, kept relative
// Backslashes become '/', a trailing separator is kept.  When the result does
// not exist as written, each component is looked up in its folder without
// regard to ASCII case; components that do not exist keep their spelling.
// False with an error text for "ftp://" paths, an unmapped drive, a UNC path
// without share root, a ".." component, '|' or control bytes.  The error text
// never repeats the path (it may carry credentials); callers add context.
bool ToHostPath(const std::string& path, std::string& host, std::string* error = nullptr);

// Whether a single file name taken from input (a listing, a story, a cart
// chunk) may be used inside a folder: not empty, not "." or "..", and free of
// '/', '\', '|' and control bytes.  False with the reason otherwise.
bool IsSafeFileName(const std::string& name, std::string* why = nullptr);

}  // namespace pv::platform
