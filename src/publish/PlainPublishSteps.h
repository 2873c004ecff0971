#pragma once
// Plain versions of the publication steps, for as long as their full
// components are not wired in:
//   FolderOnlyArchive   reads the alias's options and files the story in a
//                       folder: the folder of the alias's fixed output name,
//                       or (an alias with a database) the database folder's
//                       "Files\YYYY\MM\DD\"; no database is written;
//   SwapOnlyPageKeeper  puts the new page in place (OutputSwap); no backups,
//                       no restoral;
//   PageOnlyLinks       leaves the story's links alone; a deleted page goes
//                       without the files it links to;
//   NoSummary           an empty summary.
#include <string>

#include "publish/FolderAliasReader.h"
#include "publish/OutputSwap.h"
#include "publish/PublishSteps.h"

namespace pv {

class FolderOnlyArchive final : public StoryArchive {
public:
    // workingFolder ends with a separator: relative folders hang off it.
    FolderOnlyArchive(FolderAliasReader& aliases, platform::Clock& clock, std::string workingFolder);

    Status PrepareArchive(Publication& publication) override;
    Status WriteStoryRow(Publication&) override { return Status::OK(); }
    void Close(Publication&) override {}

private:
    void NoteArchiveDate(Publication& publication);
    Status ChooseStorage(Publication& publication);
    std::string Anchored(std::string path) const;

    FolderAliasReader& m_aliases;
    platform::Clock& m_clock;
    const std::string m_workingFolder;
};

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
