#pragma once
// What a cheap look at a file tells: which file it is, its size, when it was
// last modified and its permission bits; and setting those bits on a file we
// create (the settings file holds passwords, so it is created for its owner
// only).
#include <chrono>
#include <cstdint>
#include <string>

#include "platform/File.h"
#include "platform/FileSystem.h"

namespace pv::platform {

struct FileStamp {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    std::chrono::system_clock::time_point modified{};
    unsigned permissions = 0;  // the rwx bits of the mode (07777 at most)
    bool regular = false;      // a plain file (not a folder, pipe or device)

    bool operator==(const FileStamp&) const = default;
};

// Examines the path (following symbolic links).  "unknown" when the question
// could not be answered.
Existence StampOf(const std::string& path, FileStamp& stamp);
// Examines an open file; false when it cannot be examined.
bool StampOf(const File& file, FileStamp& stamp);

// Sets the permission bits of an open file, e.g. 0600.
bool SetPermissions(File& file, unsigned permissions, std::string* error = nullptr);

}  // namespace pv::platform
