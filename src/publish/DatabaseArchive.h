#pragma once
// The archive of a folder alias: where the driver's StoryArchive steps are
// done.  Before a story is published (PrepareArchive):
//   the archive date is taken (year and month "2026\12", day "09"), the
//   alias's options are read (FolderAliasReader), and for an alias with a
//   database (that neither replaces nor modifies a fixed page) the database
//   is opened - made from the master "Pressvane\Templates\Master.mdb" of the
//   working folder when it is missing - and the month's storage folder taken
//   from its table "Path" (a new month gets the folder of the last month; an
//   empty table the database folder's "Files\"); the year, month and day
//   folders are made when the route makes sure its paths exist; the five
//   archive index pages get the day; the story is filed in the day folder.
//   The folder of the alias's fixed output name serves when no day folder
//   does, and the template folder is, unless the alias names one, the
//   database folder's "Templates\" or the storage folder.
// The rows of the publication (the story's "Text" row, an "Audio" row for
// every cut it links to) wait for Commit, which stores them in one
// transaction under one new text ID once the page is in place; Close drops
// whatever was not committed.  A failed publication therefore leaves no
// rows, and its retry writes them once.
//
// Relative database paths hang off the working folder.  One publication at
// a time (the monitor thread's).
#include <ctime>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Clock.h"
#include "publish/ArchiveStore.h"
#include "publish/FolderAliasReader.h"
#include "publish/IndexPageUpdater.h"
#include "publish/PublishSteps.h"
#include "transport/FileAccess.h"

namespace pv {

class DatabaseArchive final : public StoryArchive {
public:
    // Under the working folder: the database every new archive database is
    // a copy of.
    static constexpr const char* kMasterDatabase = "Pressvane\\Templates\\Master.mdb";

    // workingFolder ends with a separator.
    DatabaseArchive(FolderAliasReader& aliases, ArchiveStore& store, IndexPageUpdater& indexes, FileAccess& files,
                    platform::Clock& clock, std::string workingFolder);

    Status PrepareArchive(Publication& publication) override;
    Status WriteStoryRow(Publication& publication) override;
    Status WriteAudioRow(Publication& publication, const std::string& linkedFilename,
                         const CAudioFileHeader& header) override;
    Status Commit(Publication& publication) override;
    void Close(Publication& publication) override;

private:
    // The archive date in its parts ("2026", "12", "09").
    struct ArchiveDay {
        std::string year;
        std::string month;
        std::string day;
        std::string YearAndMonth() const { return year + "\\" + month; }
    };

    ArchiveDay NoteArchiveDay(Publication& publication);
    void AnchorDatabase(CFileData::AliasOptions& options) const;
    Status FileInDayFolder(Publication& publication, const ArchiveDay& day);
    Status OpenDatabase(Publication& publication);
    void MakeArchiveFolders(Publication& publication, const Location& storage, const ArchiveDay& day);
    void UpdateArchiveIndexes(Publication& publication, const Location& storage, const ArchiveDay& day);
    Status TakeOutputFolder(Publication& publication);
    static void DefaultTemplateFolder(CFileData& story);
    static void NoteInvalid(Publication& publication, const ArchiveFieldValue& value, const std::string& field,
                            const std::string& text);
    std::string Anchored(std::string path) const;
    void Forget();

    FolderAliasReader& m_aliases;
    ArchiveStore& m_store;
    IndexPageUpdater& m_indexes;
    FileAccess& m_files;
    platform::Clock& m_clock;
    const std::string m_workingFolder;

    // The publication in hand: its database (once opened) and the rows
    // waiting for Commit.
    std::unique_ptr<ArchiveDatabase> m_database;
    std::optional<StoryRow> m_storyRow;
    std::vector<AudioRow> m_audioRows;
};

}  // namespace pv
