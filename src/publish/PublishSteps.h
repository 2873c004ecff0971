#pragma once
// The steps of a publication that other components take.  The publish driver
// calls them in its order (StoryPublisher.h); each has a plain version
// (PlainPublishSteps.h) for as long as its full component is not wired in.
#include <string>

#include "audio/AudioFileHeader.h"
#include "platform/Status.h"
#include "publish/Publication.h"

namespace pv {

// The alias's options and where its stories are filed.  The rows a
// publication writes go into the archive together, at Commit, or not at
// all: a publication that fails leaves no rows, and its retry writes them
// once.
class StoryArchive {
public:
    virtual ~StoryArchive() = default;
    // Reads the alias's options into the story (the alias reader), fills
    // the archive folders, the story's storage folder (story.work.storagePath,
    // ending in a separator) and the template folder when the alias names
    // none.  A failure has been reported.
    virtual Status PrepareArchive(Publication& publication) = 0;
    // The story's row, once its page is in place.
    virtual Status WriteStoryRow(Publication& publication) = 0;
    // The row of an audio cut the story links to (linkedFilename as the
    // story's reference names it; header: the cut's metadata).  The driver
    // writes one for every cut a page links to, after the story's row.
    virtual Status WriteAudioRow(Publication& publication, const std::string& linkedFilename,
                                 const CAudioFileHeader& header) = 0;
    // The publication succeeded: the rows written for it are stored, all or
    // none.  A failure has been reported and fails the publication.
    virtual Status Commit(Publication& publication) = 0;
    // At the end of every publication, whatever its outcome: rows that were
    // not committed are dropped.
    virtual void Close(Publication& publication) = 0;
};

// Keeps the page safe while it is rewritten: restores a missing page before
// the fill, keeps backups, puts the new page in place of the old one, and
// checks afterwards that the page is there.
class PageKeeper {
public:
    virtual ~PageKeeper() = default;
    // Before the fill of a page that is rewritten; a failure (reported)
    // fails the story.
    virtual Status RestoreBeforeWrite(Publication& publication) = 0;
    virtual void BackupOutput(Publication& publication) = 0;
    // After a successful fill: paths.work becomes paths.output.  On failure
    // (reported) the old page is still in place.
    virtual Status ReplaceOutput(Publication& publication) = 0;
    // After the receipt, for a rewritten page; reports only.
    virtual void CheckAfterPublish(Publication& publication) = 0;
};

// The index page of the story's storage folder.
class StoryIndexer {
public:
    virtual ~StoryIndexer() = default;
    virtual Status AddToStoryIndex(Publication& publication) = 0;
};

// The files a story references.
class StoryLinks {
public:
    virtual ~StoryLinks() = default;
    // Rewrites the story text with its linked-file lines first.
    virtual Status MoveLinksToTop(Publication& publication) = 0;
    // Publishes the files the story links to.
    virtual Status TransferLinkedFiles(Publication& publication) = 0;
    // Removes the file `name` of the storage folder (as a page names it:
    // it may hold a subfolder) and, to `depth` levels, the files it links
    // to.  Nothing outside the storage folder is ever removed.
    virtual Status PurgePage(Publication& publication, const std::string& name, int depth) = 0;
};

// Publishes one file a story links to, to where the story's linked files
// go.
class AttachedFileTransfer {
public:
    virtual ~AttachedFileTransfer() = default;
    // path: the file as the story names it.  True when the file was
    // transferred; path is then where it went (credentials kept).  A failure
    // has been reported and leaves path as it was.
    virtual bool TransferAttachedFile(Publication& publication, std::string& path) = 0;
};

// The story summary of the "StorySummary" macro.
class StorySummary {
public:
    virtual ~StorySummary() = default;
    // Reads the story text from its start; the caller rewinds it afterwards.
    virtual std::string BuildSummary(Publication& publication) = 0;
};

}  // namespace pv
