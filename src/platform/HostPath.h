#pragma once
// Turns a path as the operator wrote it (Windows form in settings files:
// "C:\News\In\", "\\server\share\x", or a plain host path) into a host path.
// This is the one place where that happens.
#include <functional>
#include <map>
#include <string>

struct stat;

namespace pv::platform {

struct PathMapSettings {
    // Drive letter (upper case) -> host folder, e.g. 'C' -> "/srv/pressvane/c".
    std::map<char, std::string> drives;
    // Host folder where "\\server\share" trees are mounted: "\\srv\news\a"
    // becomes shareRoot + "/srv/news/a".  Empty: UNC paths cannot be mapped.
    std::string shareRoot;
};

// The map lives in the installed HostEnvironment (HostEnvironment.h), as does
// the index of folder names that keeps case-insensitive lookups cheap.
//
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

// The platform's own file operations map a path when they use it, and look
// at the disk only where the operation itself cannot tell.  A name about to
// be made (a created file or folder, the target of a rename or copy) is
// mapped by ToHostPath, so that it replaces an entry that matches it without
// regard to case.  An operation on an entry that exists goes through
// OnExistingHostPath: attempt runs on the host path as written and returns
// false when that path does not exist (errno ENOENT or ENOTDIR); it then
// runs again on the path with each component looked up without regard to
// case, when that differs (errno is left as the last attempt left it).
// False, with the reason, when the path cannot be mapped.
bool OnExistingHostPath(const std::string& path, const std::function<bool(const std::string& host)>& attempt,
                        std::string* error = nullptr);
// This process made, or removed, the entry at hostPath; a folder was just
// examined (st: what stat said).  Keeps the folder name index current.
void NoteHostEntryAdded(const std::string& hostPath);
void NoteHostEntryRemoved(const std::string& hostPath);
void NoteHostFolderSeen(const std::string& hostPath, const struct stat& st);

// Whether a single file name taken from input (a listing, a story, a cart
// chunk) may be used inside a folder: not empty, not "." or "..", and free of
// '/', '\', '|' and control bytes.  False with the reason otherwise.
bool IsSafeFileName(const std::string& name, std::string* why = nullptr);

}  // namespace pv::platform
