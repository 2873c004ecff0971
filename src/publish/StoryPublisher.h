#pragma once
// The publish driver: one story under one folder alias becomes one page in
// the alias's storage folder.  In order:
//   the alias's options and archive folders (StoryArchive), the summary,
//   the output name (a number from the storage folder's ID.dat, the slug,
//   the source name, or the alias's fixed name), the Delete command, links
//   to the top, the folder lock, the linked files, the restoral of a missing
//   page and its backup (PageKeeper), the fill of the text template into a
//   work file beside the page, the swap of the work file into place, the
//   story index, the archive row, the copy of the descriptor, the commit of
//   the archive rows (only now: a publication that fails leaves none), and
//   on every way out the transmission receipt and the check that the page
//   is there.
//
// Names made from a slug or a source name never carry path characters, so a
// story cannot reach outside its storage folder.  The page is always
// written to "<output>.tmp.part" first, named "<output>.tmp" (the work file a
// restoral may take) once the fill and the close succeeded, and then put in
// place: a failed fill leaves the page that was there as it was, and a crash
// never leaves half a page under a name that is restored from.
#include <map>
#include <string>

#include "config/DirOptions.h"
#include "config/RouteStoryState.h"
#include "notify/DebugReports.h"
#include "notify/Receipts.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/DeferredPurges.h"
#include "publish/PublishSteps.h"
#include "publish/StoryDriver.h"
#include "publish/StoryOptions.h"
#include "publish/TemplateBlocks.h"
#include "relay/FolderLock.h"
#include "transport/FileAccess.h"

namespace pv {

struct PublisherContext {
    FileAccess& files;
    Reporter& reporter;
    WireMessages& fatalErrors;
    platform::Clock& clock;
    FolderLock& lock;
    Receipts& receipts;
    DebugReports& debug;
    const std::string& workingFolder;  // ends with a separator: relative linked files hang off it
};

// The components the driver hands steps to.
struct PublishComponents {
    StoryArchive& archive;
    PageKeeper& pages;
    StoryIndexer& index;
    StoryLinks& links;
    StorySummary& summary;
    TemplateFiller& templates;
    DeferredPurges& purges;  // what the fill let go, removed once the page is in place
    AttachedFileTransfer& attachments;
};

class StoryPublisher final : public StoryDriver {
public:
    static constexpr int kPurgeLinkDepth = 10;
    // The counter of ID.dat runs from 0 to this and wraps.
    static constexpr int kLastPageNumber = 99999;

    StoryPublisher(const PublisherContext& context, const StoryOptions& options, PublishComponents components);

    bool PublishStory(StorySubmission& submission) override;
    void AfterPublication(const CDirOptions& route) override;

    // What the aliases changed about a route so far in this run.
    RouteStoryState& StateOf(const CDirOptions& route);

private:
    // How far a publication got, for the steps on its way out.
    struct Progress {
        bool locked = false;
        bool pathsBuilt = false;  // the output and work paths are known
    };

    Status Publish(Publication& publication, Progress& progress);
    Status PrepareStorage(Publication& publication);
    Status NameOutput(Publication& publication, std::string& name);
    Status DrawNumberedName(Publication& publication, const std::string& source, std::string& name);
    Status DeleteStory(Publication& publication);
    bool HandlesLinkedFiles(const Publication& publication) const;
    Status WritePage(Publication& publication);
    Status FillWorkFile(Publication& publication, CFTPFile& work);
    Status AfterPageInPlace(Publication& publication);
    Status WriteArchiveRows(Publication& publication);
    Status CopyDescriptor(Publication& publication);
    void Finish(Publication& publication, const Progress& progress, bool published);
    void SetTextStrings(Publication& publication);
    bool RewritesPage(const Publication& publication) const;
    void DebugIfSmall(const Publication& publication, const Location& file, int64_t size, const std::string& text);

    PublisherContext m_context;
    const StoryOptions m_options;
    PublishComponents m_components;
    std::map<const CDirOptions*, RouteStoryState> m_routeStates;
};

}  // namespace pv
