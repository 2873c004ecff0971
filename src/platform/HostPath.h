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

// Maps a path; false with an error text when it cannot be mapped (unmapped
// drive, UNC without share root, a name that climbs out with "..").
bool ToHostPath(const std::string& path, std::string& host, std::string* error = nullptr);

}  // namespace pv::platform
