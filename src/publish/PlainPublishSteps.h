#pragma once
// Plain versions of the publication steps, for as long as their full
// components are not wired in:
//   CopyOnlyAttachments copies a linked file as it is into the folder for
//                       linked files (the storage folder unless the alias
//                       names one), under its name with the alias's prefix
//                       (none, the slug, a date, or a number from the
//                       folder's ID.dat); no audio conversion, no audio put
//                       in front, no receipt, and the original always stays.
// The archive is DatabaseArchive, the index pages IndexPages, the page's
// restoral and backups OutputRestoral.
#include <string>

#include "publish/PublishSteps.h"

namespace pv {

class CopyOnlyAttachments final : public AttachedFileTransfer {
public:
    // workingFolder ends with a separator: relative names hang off it.
    CopyOnlyAttachments(FileAccess& files, platform::Clock& clock, std::string workingFolder);

    bool TransferAttachedFile(Publication& publication, std::string& path) override;

private:
    std::string Prefix(Publication& publication, const Location& folder);
    Location Anchored(const std::string& path) const;

    FileAccess& m_files;
    platform::Clock& m_clock;
    const std::string m_workingFolder;
};

}  // namespace pv
