#include "publish/DatabaseArchive.h"

#include <cstdio>

#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

// The index pages of the archive, from the top down: the database folder's
// year list, then a year's months, then the storage folder's years, a
// year's months and a month's days.
struct ArchiveIndex {
    const char* indexTemplate;
    const char* linkTemplate;
};
constexpr ArchiveIndex kDatabaseYears{"DBYearIndexTemplate.htm", "DBYearIndexLinkTemplate.htm"};
constexpr ArchiveIndex kDatabaseMonths{"DBMonthIndexTemplate.htm", "DBMonthIndexLinkTemplate.htm"};
constexpr ArchiveIndex kStorageYears{"StorageYearIndexTemplate.htm", "StorageYearIndexLinkTemplate.htm"};
constexpr ArchiveIndex kStorageMonths{"StorageMonthIndexTemplate.htm", "StorageMonthIndexLinkTemplate.htm"};
constexpr ArchiveIndex kStorageDays{"StorageDayIndexTemplate.htm", "StorageDayIndexLinkTemplate.htm"};
constexpr const char* kIndexPage = "Index.htm";

std::string TwoDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", number);
    return text;
}

std::string FourDigits(int number) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d", number);
    return text;
}

}  // namespace

DatabaseArchive::DatabaseArchive(FolderAliasReader& aliases, ArchiveStore& store, IndexPageUpdater& indexes,
                                 FileAccess& files, platform::Clock& clock, std::string workingFolder)
    : m_aliases(aliases),
      m_store(store),
      m_indexes(indexes),
      m_files(files),
      m_clock(clock),
      m_workingFolder(std::move(workingFolder)) {}

Status DatabaseArchive::PrepareArchive(Publication& publication) {
    Forget();
    CFileData& story = publication.Story();
    if (story.work.alias.empty()) {
        publication.reports.Fatal("Invalid alias " + story.work.alias + ".");
        return Status::InvalidArgument("Invalid alias.");
    }
    const ArchiveDay day = NoteArchiveDay(publication);
    if (Status read = m_aliases.ReadFolderDat(publication.Route(), publication.routeState, story); !read.ok())
        return read;
    CFileData::AliasOptions& options = story.options;
    AnchorDatabase(options);
    if (!options.databaseFolder.empty()) {
        CFTPFile probe(m_files);
        if (probe.FolderExists(Location::Parse(options.databaseFolder)) != platform::Existence::present) {
            const std::string text = "Database path " + Location::Parse(options.databaseFolder).Display() +
                                     " does not exist.";
            options.databasePath.clear();
            publication.reports.Fatal(text);
            return Status::NotFound(text);
        }
        if (!options.replaceFile && !options.modifyFile) {
            if (Status filed = FileInDayFolder(publication, day); !filed.ok()) return filed;
        }
    }
    if (Status taken = TakeOutputFolder(publication); !taken.ok()) return taken;
    DefaultTemplateFolder(story);
    return Status::OK();
}

// One moment for every part of the date, so that a story published at
// midnight is not filed under one day and listed under the next.
DatabaseArchive::ArchiveDay DatabaseArchive::NoteArchiveDay(Publication& publication) {
    std::tm now{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), now);
    const ArchiveDay day{FourDigits(now.tm_year + 1900), TwoDigits(now.tm_mon + 1), TwoDigits(now.tm_mday)};
    publication.values.archive = {day.YearAndMonth(), day.day};
    return day;
}

void DatabaseArchive::AnchorDatabase(CFileData::AliasOptions& options) const {
    options.databasePath = Anchored(options.databasePath);
    options.databaseFolder = Anchored(options.databaseFolder);
}

// The story's day folder in the storage folder of the month, which the
// database's table "Path" names.
Status DatabaseArchive::FileInDayFolder(Publication& publication, const ArchiveDay& day) {
    CFileData& story = publication.Story();
    const CFileData::AliasOptions& options = story.options;
    if (Status opened = OpenDatabase(publication); !opened.ok()) return opened;

    std::string month;
    MonthRowSource source = MonthRowSource::found;
    const std::string firstPath = JoinPath(options.databaseFolder, "Files\\");
    if (Status found = m_database->MonthFolder(day.YearAndMonth(), firstPath, month, source); !found.ok())
        return publication.reports.Fatal(found);
    if (source == MonthRowSource::firstRow)
        publication.reports.Log("No paths specified in the database. Defaulting to: DatabasePath\\Files.");
    // Names are appended to it: a row written without its separator gets one.
    AppendPathSeparator(month);
    const Location storage = Location::Parse(month);
    if (storage.Empty() || !storage.Problem().ok())
        return publication.reports.Fatal(Status::InvalidArgument("The storage folder \"" + storage.Display() +
                                                                 "\" of " + day.YearAndMonth() + " in " +
                                                                 Location::Parse(options.databasePath).Display() +
                                                                 " cannot be used.")
                                             .WithDetail(storage.Problem().message()));

    // The archive index pages are made from the alias's templates, so the
    // template folder is settled before they are written.
    DefaultTemplateFolder(story);
    if (publication.Route().m_bMakeSurePathsExist) MakeArchiveFolders(publication, storage, day);
    UpdateArchiveIndexes(publication, storage, day);

    story.work.storagePath = storage.Subfolder(day.year).Subfolder(day.month).Subfolder(day.day).WithCredentials();
    story.work.archiveSubfolder = day.year + "\\" + day.month + "\\" + day.day;
    return Status::OK();
}

Status DatabaseArchive::OpenDatabase(Publication& publication) {
    if (m_database) return Status::OK();
    const Location database = Location::Parse(publication.Options().databasePath);
    const Location master = Location::Parse(JoinPath(m_workingFolder, kMasterDatabase));
    if (Status opened = m_store.Open(database, master, m_database); !opened.ok()) {
        m_database.reset();
        return publication.reports.Fatal(opened);
    }
    return Status::OK();
}

// Whether each was made shows when it is used.
void DatabaseArchive::MakeArchiveFolders(Publication& publication, const Location& storage, const ArchiveDay& day) {
    const CFileData::AliasOptions& options = publication.Options();
    CFTPFile maker(m_files);
    maker.SetCredentials(options.userId, options.password);
    maker.mkdir(Location::Parse(options.databaseFolder).Subfolder(day.year));
    maker.mkdir(storage);
    maker.mkdir(storage.Subfolder(day.year));
    maker.mkdir(storage.Subfolder(day.year).Subfolder(day.month));
    maker.mkdir(storage.Subfolder(day.year).Subfolder(day.month).Subfolder(day.day));
}

// A page that cannot be updated has been reported and does not stop the
// publication.
void DatabaseArchive::UpdateArchiveIndexes(Publication& publication, const Location& storage, const ArchiveDay& day) {
    const Location database = Location::Parse(publication.Options().databaseFolder);
    const struct {
        Location page;
        ArchiveIndex templates;
    } pages[] = {
        {database.Join(kIndexPage), kDatabaseYears},
        {database.Subfolder(day.year).Join(kIndexPage), kDatabaseMonths},
        {storage.Join(kIndexPage), kStorageYears},
        {storage.Subfolder(day.year).Join(kIndexPage), kStorageMonths},
        {storage.Subfolder(day.year).Subfolder(day.month).Join(kIndexPage), kStorageDays},
    };
    for (const auto& index : pages)
        m_indexes.UpdateIndexPage(publication, index.page, index.templates.indexTemplate, index.templates.linkTemplate);
}

// The alias's fixed output name keeps only its name; its folder is the
// storage folder of a story that has no day folder.  A relative name hangs
// off the working folder.
Status DatabaseArchive::TakeOutputFolder(Publication& publication) {
    CFileData& story = publication.Story();
    CFileData::AliasOptions& options = story.options;
    std::string& storage = story.work.storagePath;
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

void DatabaseArchive::DefaultTemplateFolder(CFileData& story) {
    CFileData::AliasOptions& options = story.options;
    if (!options.templateFolder.empty()) return;
    options.templateFolder =
        options.databaseFolder.empty() ? story.work.storagePath : JoinPath(options.databaseFolder, "Templates\\");
}

// The slug is the one the page shows (the descriptor's on routes that read
// descriptors); the other fields are the header's as written.
Status DatabaseArchive::WriteStoryRow(Publication& publication) {
    if (publication.Options().databasePath.empty()) return Status::OK();
    const CTextFileHeader& header = publication.submission.header;
    const CFileData& story = publication.Story();
    StoryRow row;
    row.slug = story.work.slug;
    row.category = header.m_strCategory;
    row.whom = header.m_strWho;
    row.writer = header.m_strWriter;
    const ArchiveFieldValue created = ArchiveDate(header.m_strDate);
    NoteInvalid(publication, created, "CreationDate", header.m_strDate);
    row.creationDate = created.value;
    const ArchiveFieldValue modified = ArchiveDate(story.work.fileDate);
    NoteInvalid(publication, modified, "ModificationDate", story.work.fileDate);
    row.modificationDate = modified.value;
    row.show = header.m_strShow;
    const ArchiveFieldValue time = ArchiveCreationTime(header.m_strTime);
    NoteInvalid(publication, time, "CreationTime", header.m_strTime);
    row.creationTime = time.value;
    row.nextBroadcastStory = header.m_strNext;
    row.textFilename = publication.values.outputFilename;
    row.keywords = publication.submission.descriptor.m_strKeywords;
    row.yearAndMonthArchived = publication.values.archive.yearAndMonth;
    row.dayArchived = publication.values.archive.day;
    m_storyRow = std::move(row);
    return Status::OK();
}

Status DatabaseArchive::WriteAudioRow(Publication& publication, const std::string& linkedFilename,
                                      const CAudioFileHeader& header) {
    if (publication.Options().databasePath.empty()) return Status::OK();
    AudioRow row;
    row.linkedFilename = linkedFilename;
    row.description = header.Tag(tagDescription);
    row.outCue = header.Tag(tagOutCue);
    row.lastPlayed = header.Tag(tagLastPlayed);
    row.timesPlayed = ArchiveInteger(header.Tag(tagTimesPlayed));
    row.savedBy = header.Tag(tagSavedBy);
    row.category = header.Tag(tagCategory);
    row.status = header.Tag(tagStatus);
    row.artist = header.Tag(tagArtist);
    const ArchiveFieldValue start = ArchiveDate(header.Tag(tagStartDate));
    NoteInvalid(publication, start, "StartDate", header.Tag(tagStartDate));
    row.startDate = start.value;
    const ArchiveFieldValue stop = ArchiveDate(header.Tag(tagStopDate));
    NoteInvalid(publication, stop, "StopDate", header.Tag(tagStopDate));
    row.stopDate = stop.value;
    // The cue tags count seconds ("7.5"): stored as the time into the cut.
    row.introTime = ArchiveCueTime(header.IntroTimeMs());
    row.outroTime = ArchiveCueTime(header.OutroTimeMs());
    row.introFade = header.Tag(tagIntroFade);
    row.outroFade = header.Tag(tagOutroFade);
    row.cDat = header.Tag(tagCreationDate);
    row.mDat = header.Tag(tagModificationDate);
    m_audioRows.push_back(std::move(row));
    return Status::OK();
}

Status DatabaseArchive::Commit(Publication& publication) {
    if (!m_storyRow && m_audioRows.empty()) return Status::OK();
    Status stored = OpenDatabase(publication);
    if (stored.ok()) {
        int64_t textId = 0;
        stored = m_database->AddPublication(m_storyRow ? &*m_storyRow : nullptr, m_audioRows, textId);
        if (!stored.ok()) publication.reports.Fatal(stored);
    }
    m_storyRow.reset();
    m_audioRows.clear();
    return stored;
}

void DatabaseArchive::Close(Publication&) { Forget(); }

void DatabaseArchive::Forget() {
    m_storyRow.reset();
    m_audioRows.clear();
    m_database.reset();
}

void DatabaseArchive::NoteInvalid(Publication& publication, const ArchiveFieldValue& value, const std::string& field,
                                  const std::string& text) {
    if (value.invalid)
        publication.reports.Log("\"" + text + "\" is not a valid value of " + field + "; the archive keeps it empty.");
}

std::string DatabaseArchive::Anchored(std::string path) const {
    if (path.empty() || Location::Parse(path).Kind() != LocationKind::relative) return path;
    return JoinPath(m_workingFolder, path);
}

}  // namespace pv
