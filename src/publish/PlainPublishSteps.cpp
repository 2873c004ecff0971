#include "publish/PlainPublishSteps.h"

#include <cstdio>
#include <ctime>

#include "config/StoryCommand.h"
#include "transport/FileNames.h"
#include "transport/PathJoin.h"

namespace pv {

CopyOnlyAttachments::CopyOnlyAttachments(FileAccess& files, platform::Clock& clock, std::string workingFolder)
    : m_files(files), m_clock(clock), m_workingFolder(std::move(workingFolder)) {}

Location CopyOnlyAttachments::Anchored(const std::string& path) const {
    const Location location = Location::Parse(path);
    if (location.Kind() != LocationKind::relative || m_workingFolder.empty()) return location;
    return Location::Parse(JoinPath(m_workingFolder, path));
}

// The first the alias asks for: none, the slug, the date (year first or
// month first), or the next number of the folder's ID.dat (unless the alias
// keeps original names).
std::string CopyOnlyAttachments::Prefix(Publication& publication, const Location& folder) {
    const CFileData& story = publication.Story();
    const CFileData::AliasOptions& options = story.options;
    std::tm now{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), now);
    char text[32] = "";
    if (options.dontModifyAttachmentFilenames) return {};
    if (options.useSlugForFilename) return story.work.slug + "_";
    if (story.fileOptions.prependDashedDateToAttachmentFilenames) {
        std::snprintf(text, sizeof text, "%04d-%02d-%02d-", now.tm_year + 1900, now.tm_mon + 1, now.tm_mday);
    } else if (story.fileOptions.prependDateToAttachmentFilenames) {
        std::snprintf(text, sizeof text, "%02d-%02d-%04d-", now.tm_mon + 1, now.tm_mday, now.tm_year + 1900);
    } else if (!options.useOriginalFilename) {
        const int number = publication.output.GetNextNumber(folder);
        if (number >= 0) std::snprintf(text, sizeof text, "%05d_", number);
    }
    return text;
}

bool CopyOnlyAttachments::TransferAttachedFile(Publication& publication, std::string& path) {
    const CFileData& story = publication.Story();
    const CFileData::AliasOptions& options = story.options;
    if (story.work.command == kCmdReplaceTextOnly || options.dontCopyLinkedFiles) return false;
    const Location source = Anchored(path);
    Location folder = publication.routeState.linkOutputPath.empty() ? publication.paths.storage
                                                                     : Anchored(publication.routeState.linkOutputPath);
    if (!folder.Empty() && !folder.IsFolder()) folder = Location::Parse(folder.Written() + "/");
    std::string name = Prefix(publication, folder) + source.Name();
    MakeValidFilename(name, false);
    const Location target = folder.Join(name);

    CFTPFile file(m_files);
    file.SetCredentials(options.userId, options.password);
    const int64_t size = file.GetFileSize(source);
    publication.reports.Note("Transferring attached file " + source.Name() + " to " + story.work.alias +
                             " size: " + std::to_string(size) + ".");
    if (source.Problem().ok()) file.mkdir(folder);
    if (!file.CopyFile(source, target)) {
        publication.reports.Note("Unable to transfer attached file " + source.Name() + " to " + story.work.alias +
                                 ". Error: " + file.ErrorText());
        return false;
    }
    publication.reports.Note("Sucess: Output FileSize: " + std::to_string(file.GetFileSize(target)) + ".");
    path = target.WithCredentials();
    return true;
}

}  // namespace pv
