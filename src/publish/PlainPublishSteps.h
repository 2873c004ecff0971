#pragma once
// Plain versions of the publication steps, for as long as their full
// components are not wired in:
//   SwapOnlyPageKeeper  puts the new page in place (OutputSwap); no backups,
//                       no restoral;
//   PageOnlyLinks       leaves the story's links alone; a deleted page goes
//                       without the files it links to;
//   NoSummary           an empty summary.
// The archive is DatabaseArchive, the index pages IndexPages.
#include <string>

#include "publish/OutputSwap.h"
#include "publish/PublishSteps.h"

namespace pv {

class SwapOnlyPageKeeper final : public PageKeeper {
public:
    explicit SwapOnlyPageKeeper(OutputSwap& swap) : m_swap(swap) {}

    Status RestoreBeforeWrite(Publication&) override { return Status::OK(); }
    void BackupOutput(Publication&) override {}
    Status ReplaceOutput(Publication& publication) override { return m_swap.Replace(publication); }
    void CheckAfterPublish(Publication&) override {}

private:
    OutputSwap& m_swap;
};

class PageOnlyLinks final : public StoryLinks {
public:
    Status MoveLinksToTop(Publication&) override { return Status::OK(); }
    Status TransferLinkedFiles(Publication&) override { return Status::OK(); }
    Status PurgePage(Publication& publication, const std::string& name, int depth) override;
};

class NoSummary final : public StorySummary {
public:
    std::string BuildSummary(Publication&) override { return {}; }
};

}  // namespace pv
