#pragma once
// The publishing half of the service: what turns a story that a publishing
// route's scan finds into a page.  Built once, fully configured, beside the
// relay it shares file access, messages, mail, receipts and the folder lock
// with; the scan hands it every story file (Handle).
#include <ctime>
#include <string>

#include "app/ServiceOptions.h"
#include "audio/AudioConverter.h"
#include "audio/AudioFileHeaderCache.h"
#include "audio/CodecEngine.h"
#include "notify/DebugReports.h"
#include "notify/Receipts.h"
#include "publish/AttachmentTransfer.h"
#include "publish/DatabaseArchive.h"
#include "publish/DeferredPurges.h"
#include "publish/FolderAliasReader.h"
#include "publish/IndexPages.h"
#include "publish/LinkTemplates.h"
#include "publish/LinkedFiles.h"
#include "publish/OrderedList.h"
#include "publish/OutputRestoral.h"
#include "publish/OutputSwap.h"
#include "publish/SqliteArchiveStore.h"
#include "publish/StoryIntake.h"
#include "publish/StoryPublisher.h"
#include "publish/StorySummaryText.h"
#include "publish/StoryTextBlocks.h"
#include "publish/TemplateEngine.h"
#include "relay/FolderLock.h"
#include "rotation/PlayRotationEngine.h"

namespace pv {

// What the publishing half shares with the relay and the service object.
struct PublishContext {
    const std::string& workingFolder;
    FileAccess& files;
    Reporter& reporter;
    TraceLog& trace;
    platform::Clock& clock;
    WireMessages& messages;
    const MailSender& mail;
    Receipts& receipts;
    FolderLock& lock;
    DebugFiles& debugFiles;
    Mailer* debugMailer;  // null: debug reports are off
    const std::atomic<bool>& exit;
    audio::CodecModule& codecs;  // the service's, for the attached audio
};

class PublishService {
public:
    PublishService(const ServiceOptions& options, const PublishContext& context);
    PublishService(const PublishService&) = delete;
    PublishService& operator=(const PublishService&) = delete;

    StoryOutcome Handle(const CDirOptions& route, const tagFileInfo& file) { return m_intake.Handle(route, file); }

private:
    static std::string PlayFolder(const std::string& folder, const std::string& workingFolder);

    DebugReports m_debug;
    FolderAliasReader m_aliases;
    OutputSwap m_swap;
    OutputRestoral m_pages;
    IndexPages m_index;  // the story index and the archive's index pages
    SqliteArchiveStore m_archiveStore;
    DatabaseArchive m_archive;
    LinkedFiles m_links;
    TextSummary m_summary;
    CAudioFileHeaderCache m_audioHeaders;
    CPlayRotationEngine m_rotation;
    AudioConverter m_converter;
    AttachmentTransfer m_attachments;
    LinkWriter m_linkWriter;
    StoryTextBlocks m_storyText;
    DeferredPurges m_purges;
    OrderedList m_orderedLists;
    TemplateEngine m_templates;
    StoryPublisher m_publisher;
    StoryIntake m_intake;
};

}  // namespace pv
