#pragma once
// The files a story links to, as steps of its publication: the story text
// rewritten with its links on top (into a private copy, LinksToTop.h), the
// transfer of every linked file before the page is filled
// (StoryReferences.h), and the removal of a page with the files it links
// to (LinkedFilePurge.h) - for the Delete command, and for the files that
// page content dropped by the fill linked to.
#include "publish/PublishSteps.h"
#include "publish/StoryOptions.h"
#include "transport/FileAccess.h"

namespace pv {

class LinkedFiles final : public StoryLinks {
public:
    LinkedFiles(FileAccess& files, const StoryOptions& options);

    Status MoveLinksToTop(Publication& publication) override;
    Status TransferLinkedFiles(Publication& publication) override;
    Status PurgePage(Publication& publication, const std::string& name, int depth) override;

private:
    FileAccess& m_files;
    const int m_linesToIgnore;
};

}  // namespace pv
