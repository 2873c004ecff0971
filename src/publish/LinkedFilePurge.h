#pragma once
// Removes a published page together with the files it links to: every
// "[name]" on every line of a page (".txt", ".htm", ".html", ".php", ".asp",
// ".aspx") names a file beside it, which goes too, and so on for the pages
// among them, down to a depth.
//
// Every removal stays inside one folder tree (the storage folder): a name
// is followed only when it is relative and stays below its page's folder.
// Absolute names, drive and share forms, URLs (anything with ":"), ".."
// components, credential parts and control bytes are never followed.  Each
// file is visited once per purge, so pages that link to each other end the
// walk instead of multiplying it.
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "publish/StoryReports.h"
#include "transport/FileAccess.h"
#include "transport/FileData.h"
#include "transport/Location.h"

namespace pv {

// The story's storage folder as a location, with the alias's FTP user when
// the folder is on a server and names none itself; ending in a separator.
Location StorageFolderOf(const CFileData& story);

// The file `name` names in folder, when it stays below the folder.
std::optional<Location> LinkedFileIn(const Location& folder, std::string_view name);

class LinkedFilePurge {
public:
    // The FTP user and password go with every operation on a server.
    LinkedFilePurge(FileAccess& files, StoryReports& reports, std::string user, std::string password);

    // Removes the file (and, for a page, what it links to, `depth` levels
    // down).  False when the file is still there afterwards.
    bool PurgeFile(const Location& file, int depth);
    // The same for the file a name in a page of `folder` names; a name that
    // would leave the folder is passed over.
    void PurgeName(const Location& folder, std::string_view name, int depth);

private:
    std::set<std::string> ReferencesOf(const Location& page);

    FileAccess& m_files;
    StoryReports& m_reports;
    const std::string m_user;
    const std::string m_password;
    std::set<std::string> m_visited;
};

}  // namespace pv
