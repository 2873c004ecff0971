#pragma once
// File-system operations on paths as the operator wrote them (mapped through
// HostPath).  Failures come back as false plus an error text, never as
// exceptions.
#include <cstdint>
#include <string>

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
// Size in bytes, or -1 when the file cannot be examined.
int64_t FileSize(const std::string& path);

}  // namespace pv::platform
