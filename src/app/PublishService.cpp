#include "app/PublishService.h"

#include "rotation/PlayName.h"
#include "transport/PathJoin.h"

namespace pv {

// A relative play folder hangs off the working folder, as the other
// folders of the settings do.
std::string PublishService::PlayFolder(const std::string& folder, const std::string& workingFolder) {
    if (folder.empty() || rotation::IsAbsolutePlayPath(folder)) return folder;
    return JoinPath(workingFolder, folder);
}

PublishService::PublishService(const ServiceOptions& options, const PublishContext& context)
    : m_debug(context.debugFiles, context.debugMailer),
      m_aliases(context.files, context.reporter, context.trace, context.messages, context.clock, context.workingFolder),
      m_swap(context.files, context.reporter, context.clock, m_debug),
      m_pages({context.files, context.reporter, context.clock, m_debug, context.mail, m_swap, context.workingFolder},
              options.stories),
      m_index(context.files, context.clock, context.workingFolder),
      m_archiveStore(context.files, context.reporter),
      m_archive(m_aliases, m_archiveStore, m_index, context.files, context.clock, context.workingFolder),
      m_links(context.files, options.stories),
      m_summary(options.stories.useUnicodeConversions),
      m_audioHeaders(context.clock, &context.reporter),
      m_rotation(m_audioHeaders, PlayFolder(options.stories.defaultPlayPath, context.workingFolder), context.reporter),
      m_converter(context.files, context.codecs, context.clock, options.audio),
      m_attachments({context.files, context.clock, context.receipts, m_converter, m_rotation, context.workingFolder}),
      m_linkWriter(context.files, context.workingFolder),
      m_storyText(context.files, context.workingFolder, options.stories, m_linkWriter),
      m_orderedLists(context.clock, m_purges),
      m_templates(context.files, context.workingFolder, {m_storyText, m_orderedLists, m_purges}),
      m_publisher({context.files, context.reporter, context.messages, context.clock, context.lock, context.receipts,
                   m_debug, context.workingFolder},
                  options.stories,
                  {m_archive, m_pages, m_index, m_links, m_summary, m_templates, m_purges, m_attachments}),
      m_intake({context.files, context.reporter, context.trace, context.clock, context.messages, context.mail,
                context.exit, context.clock.NowSeconds()},
               options.stories, m_publisher) {}

}  // namespace pv
