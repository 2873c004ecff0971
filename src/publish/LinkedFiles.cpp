#include "publish/LinkedFiles.h"

#include "publish/LinkedFilePurge.h"
#include "publish/LinksToTop.h"
#include "publish/MacroPaths.h"
#include "publish/StoryReferences.h"

namespace pv {

LinkedFiles::LinkedFiles(FileAccess& files, const StoryOptions& options)
    : m_files(files), m_linesToIgnore(options.linesToIgnoreOnTopOfStory) {}

// Always from the story as it arrived, so a retry rewrites the same text.
Status LinkedFiles::MoveLinksToTop(Publication& publication) {
    publication.storyCopy.reset();
    auto copy = std::make_unique<StoryTextCopy>(m_files);
    if (!copy->Create()) {
        publication.reports.Fatal("Cannot create " + copy->Path() + ".\n");
        return Status::IoError("Cannot create " + copy->Path() + ".");
    }
    const bool written = WriteLinksOnTop(publication.Route(), m_linesToIgnore, publication.StoryText(), copy->File());
    if (!written || !copy->Reopen()) {
        publication.reports.Fatal("Cannot Open " + copy->Path() + ".\n");
        return Status::IoError("Cannot write " + copy->Path() + ".");
    }
    publication.storyCopy = std::move(copy);
    return Status::OK();
}

Status LinkedFiles::TransferLinkedFiles(Publication& publication) {
    if (publication.references) publication.references->TransferAll(publication.StoryText());
    return Status::OK();
}

// The name as the page (or the publisher) writes it, relative to the
// storage folder; a name that would leave the folder is refused.
Status LinkedFiles::PurgePage(Publication& publication, const std::string& name, int depth) {
    const std::optional<Location> page = LinkedFileIn(publication.paths.storage, name);
    if (!page) {
        publication.reports.Log("Cannot delete " + ShownPath(name) + ": it is not a file of the storage folder.");
        return Status::InvalidArgument("Cannot delete " + ShownPath(name) + ".");
    }
    const CFileData::AliasOptions& options = publication.Options();
    LinkedFilePurge purge(m_files, publication.reports, options.userId, options.password);
    if (purge.PurgeFile(*page, depth)) return Status::OK();
    return Status::IoError("Cannot delete " + page->Display() + ".");
}

}  // namespace pv
