#include "publish/PlainPublishSteps.h"

#include <algorithm>
#include <cstdio>

namespace pv {

FolderOnlyArchive::FolderOnlyArchive(FolderAliasReader& aliases, platform::Clock& clock, std::string workingFolder)
    : m_aliases(aliases), m_clock(clock), m_workingFolder(std::move(workingFolder)) {}

Status FolderOnlyArchive::PrepareArchive(Publication& publication) {
    CFileData& story = publication.Story();
    if (story.work.alias.empty()) {
        publication.reports.Fatal("Invalid alias " + story.work.alias + ".");
        return Status::InvalidArgument("Invalid alias.");
    }
    NoteArchiveDate(publication);
    if (Status read = m_aliases.ReadFolderDat(publication.Route(), publication.routeState, story); !read.ok())
        return read;
    if (Status storage = ChooseStorage(publication); !storage.ok()) return storage;
    CFileData::AliasOptions& options = story.options;
    if (options.templateFolder.empty())
        options.templateFolder = options.databaseFolder.empty() ? story.work.storagePath : options.databaseFolder + "Templates\\";
    return Status::OK();
}

void FolderOnlyArchive::NoteArchiveDate(Publication& publication) {
    std::tm now{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), now);
    char yearAndMonth[32], day[16];
    std::snprintf(yearAndMonth, sizeof yearAndMonth, "%04d\\%02d", now.tm_year + 1900, now.tm_mon + 1);
    std::snprintf(day, sizeof day, "%02d", now.tm_mday);
    publication.values.archive = {yearAndMonth, day};
    publication.Story().work.archiveSubfolder = std::string(yearAndMonth) + "\\" + day;
}

// The day folder under the database folder's "Files\" for an alias with a
// database (unless it replaces or modifies a fixed page); else the folder of
// the fixed output name, which keeps only its name.
Status FolderOnlyArchive::ChooseStorage(Publication& publication) {
    CFileData& story = publication.Story();
    CFileData::AliasOptions& options = story.options;
    std::string& storage = story.work.storagePath;
    if (!options.databaseFolder.empty() && !options.replaceFile && !options.modifyFile) {
        storage = options.databaseFolder + "Files\\" + story.work.archiveSubfolder + "\\";
        if (publication.Route().m_bMakeSurePathsExist) publication.output.mkdir(Location::Parse(storage));
    }
    if (!options.outputFilename.empty()) {
        Location fixed = Location::Parse(options.outputFilename);
        if (fixed.Kind() == LocationKind::relative) fixed = Location::Parse(Anchored(options.outputFilename));
        options.outputFilename = fixed.Name();
        if (storage.empty()) storage = fixed.Folder().WithCredentials();
    }
    if (storage.empty()) {
        publication.reports.Fatal("No storage path is available.");
        return Status::NotFound("No storage path is available.");
    }
    return Status::OK();
}

// A relative path hangs off the working folder, written with its separators.
std::string FolderOnlyArchive::Anchored(std::string path) const {
    if (!m_workingFolder.empty() && m_workingFolder.front() == '/') std::replace(path.begin(), path.end(), '\\', '/');
    return m_workingFolder + path;
}

Status PageOnlyLinks::PurgePage(Publication& publication, const std::string& name, int) {
    const Location page = publication.paths.storage.Join(name);
    if (!page.Problem().ok()) return Status::InvalidArgument("Cannot delete " + name + ": " + page.Problem().message());
    if (publication.output.ExistState(page) == platform::Existence::absent) return Status::OK();
    if (publication.output.Remove(page) == 0) return Status::OK();
    publication.reports.Note("Cannot delete " + page.Display() + ". " + publication.output.ErrorText());
    return Status::IoError("Cannot delete " + page.Display() + ".");
}

}  // namespace pv
