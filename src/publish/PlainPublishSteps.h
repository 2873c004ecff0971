#pragma once
// Plain versions of the publication steps, for as long as their full
// components are not wired in:
//   PageOnlyLinks       leaves the story's links alone; a deleted page goes
//                       without the files it links to.
// The archive is DatabaseArchive, the index pages IndexPages, the page's
// restoral and backups OutputRestoral.
#include <string>

#include "publish/PublishSteps.h"

namespace pv {

class PageOnlyLinks final : public StoryLinks {
public:
    Status MoveLinksToTop(Publication&) override { return Status::OK(); }
    Status TransferLinkedFiles(Publication&) override { return Status::OK(); }
    Status PurgePage(Publication& publication, const std::string& name, int depth) override;
};

}  // namespace pv
