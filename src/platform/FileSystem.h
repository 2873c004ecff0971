#pragma once
// File-system operations on paths as the operator wrote them (mapped through
// HostPath).  Failures come back as false plus an error text, never as
// exceptions.
#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace pv::platform {

enum class Existence { absent, present, unknown };

// Whether a file or folder exists.  "unknown" when the question could not be
// answered (permission denied on a parent, unmapped path, I/O error).
Existence Exists(const std::string& path);
bool PathExists(const std::string& path);  // Exists(path) == present
bool IsDirectory(const std::string& path);

// Creates the folder and all missing parents; true when it exists afterwards.
bool MakeDirs(const std::string& path, std::string* error = nullptr);
// Removes a file; true only when the file is known to be absent afterwards.
bool RemoveFile(const std::string& path, std::string* error = nullptr);
// Renames, replacing an existing target atomically.
bool RenameReplace(const std::string& from, const std::string& to, std::string* error = nullptr);
// Renames only when the target does not exist (never replaces).
bool RenameNoReplace(const std::string& from, const std::string& to, std::string* error = nullptr);
// Whether the file exists and may be run by us.
bool IsExecutable(const std::string& path);
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);

// Last-modified time, or -1 when the file cannot be examined.
std::time_t ModifiedTime(const std::string& path);
// Sets the last-modified time (the access time is left alone).
bool SetModifiedTime(const std::string& path, std::time_t modified, std::string* error = nullptr);

struct DirEntry {
    std::string name;
    bool isDirectory = false;
    int64_t size = 0;
    std::time_t modified = 0;
};

// One entry, found without listing its folder (the name is the one on disk,
// which may differ from the path in letter case).
Existence DescribeEntry(const std::string& path, DirEntry& entry);

// The entries of folder whose names match the wildcard pattern (Windows rules,
// see WildcardMatch; an empty pattern means "*"), without "." and "..", sorted
// by name without regard to ASCII case (equal names then byte-wise), so the
// order is the same on every pass.  Symbolic links are described by their
// target; a dangling link is listed as a file of size 0.  False with an error
// when the folder cannot be read, which is not the same as an empty folder.
bool ListFolder(const std::string& folder, const std::string& pattern, std::vector<DirEntry>& out,
                std::string* error = nullptr);

// Copies the bytes of one file to another through a fixed-size buffer.
// failIfExists: an existing target is an error and is left untouched;
// otherwise it is replaced.  A target left incomplete by a failure is removed.
// Only the contents are copied: the target gets a new modified time.
bool CopyFileContents(const std::string& from, const std::string& to, bool failIfExists,
                      std::string* error = nullptr);

// What a copy into place may set on the copy, and what it tells of it.
struct PlacedCopy {
    // The copy's modified time: the source's (keepSourceTime), or this one
    // (when not negative); otherwise the time it was made.
    bool keepSourceTime = false;
    std::time_t modified = -1;
    int64_t* size = nullptr;  // receives the size of the copy
};

// Copies as CopyFileContents does, but into `temporary` (a new name in the
// target's folder) first, which is then renamed to the target in one step -
// replacing it, or never (failIfExists) - so that no reader, and no crash,
// ever leaves part of the file under the target's name.  The temporary file
// is removed again on failure.
bool CopyFileIntoPlace(const std::string& from, const std::string& to, const std::string& temporary,
                       bool failIfExists, std::string* error = nullptr, const PlacedCopy& placed = {});

// Moves a file by renaming it, where that leaves exactly what copying it and
// then removing the source would: both names on one file system, the source
// a regular file owned by this user with no other name (hard link), the
// target not the source itself.  An existing target is replaced atomically
// (or, without replace, makes the move fail), and the moved file gets the
// permissions a copy would get.  False when the file was not moved - nothing
// was changed, and the caller copies instead (which also reports whatever
// made the rename fail).  movedSize receives the size of the file moved.
bool MoveByRename(const std::string& from, const std::string& to, bool replace = true, int64_t* movedSize = nullptr);

}  // namespace pv::platform
