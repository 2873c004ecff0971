#pragma once
// Archive databases in SQLite files, one file per folder alias under the
// name the alias gives (".mdb" included); the master database
// "Master.mdb" is an SQLite file too, made by the build from
// ArchiveSchema.sql.
//
// A missing database is made by copying the master to a hidden name in the
// database's folder and renaming that into place without replacing, so two
// instances that make the same database at once never overwrite each
// other's.  Before a file is opened its first bytes are read: an Access
// database (or any other file that is not SQLite) is refused and never
// written.  Every statement is prepared with its values bound; the journal
// is a separate file deleted after each transaction (journal_mode=DELETE,
// which works on any file system) and every commit waits for the disk
// (synchronous=FULL).
//
// Errors of the database are reported where they happen, as two status
// lines: "Provider Error" with the error number and the database's message,
// and "COM Error" with the code, its meaning, the source and the
// description.
#include <memory>
#include <string>

#include "platform/Reporter.h"
#include "publish/ArchiveStore.h"
#include "transport/FileAccess.h"

namespace pv {

// What the first bytes of a file say it is.
enum class DatabaseFileKind { sqlite, access, other, unreadable };
DatabaseFileKind InspectDatabaseFile(const Location& file, std::string* error = nullptr);

class SqliteArchiveStore final : public ArchiveStore {
public:
    // How long a statement waits for another writer's transaction to end.
    static constexpr int kBusyTimeoutMs = 15000;

    SqliteArchiveStore(FileAccess& files, Reporter& reporter);

    Status Open(const Location& database, const Location& master, std::unique_ptr<ArchiveDatabase>& opened) override;

private:
    Status MakeFromMaster(const Location& database, const Location& master);
    static Status RefuseFile(const Location& file, DatabaseFileKind kind, const std::string& error);

    FileAccess& m_files;
    Reporter& m_reporter;
};

}  // namespace pv
