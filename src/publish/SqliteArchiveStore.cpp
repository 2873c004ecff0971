#include "publish/SqliteArchiveStore.h"

#include <sqlite3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/Windows1252.h"

namespace pv {

namespace {

// The first 16 bytes of every SQLite database file.
constexpr std::string_view kSqliteMagic{"SQLite format 3\0", 16};
// Access (Jet and ACE) databases name their engine from byte 4 on.
constexpr size_t kAccessMagicOffset = 4;
constexpr std::string_view kJetMagic{"Standard Jet DB\0", 16};
constexpr std::string_view kAceMagic{"Standard ACE DB\0", 16};
constexpr size_t kMagicBytes = 20;

struct CloseConnection {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, CloseConnection>;

struct FinalizeStatement {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

// One prepared statement.  Values are bound by number; text goes in as
// UTF-8 and comes out as Windows-1252.  The first failure (of the prepare
// or of a bind) is kept and returned by the next Step.
class Statement {
public:
    Statement(sqlite3* db, std::string_view sql) {
        sqlite3_stmt* raw = nullptr;
        m_rc = sqlite3_prepare_v2(db, sql.data(), static_cast<int>(sql.size()), &raw, nullptr);
        m_statement.reset(raw);
    }

    void Bind(int index, const std::string& text) {
        const std::string utf8 = Utf8FromWindows1252(text);
        Keep(sqlite3_bind_text(m_statement.get(), index, utf8.data(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
    }
    void Bind(int index, const FieldText& value) {
        if (value) Bind(index, *value);
        else Keep(sqlite3_bind_null(m_statement.get(), index));
    }
    void Bind(int index, int64_t value) { Keep(sqlite3_bind_int64(m_statement.get(), index, value)); }

    // SQLITE_ROW, SQLITE_DONE or the error.
    int Step() {
        if (m_rc != SQLITE_OK) return m_rc;
        const int rc = sqlite3_step(m_statement.get());
        if (rc != SQLITE_ROW && rc != SQLITE_DONE) m_rc = rc;
        return rc;
    }
    // For the next row of values.
    void Reset() {
        if (!m_statement) return;
        sqlite3_reset(m_statement.get());
        sqlite3_clear_bindings(m_statement.get());
    }

    bool IsNull(int column) const { return sqlite3_column_type(m_statement.get(), column) == SQLITE_NULL; }
    int64_t Integer(int column) const { return sqlite3_column_int64(m_statement.get(), column); }
    std::string Text(int column) const {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_statement.get(), column));
        const int size = sqlite3_column_bytes(m_statement.get(), column);
        return text ? Windows1252FromUtf8(std::string_view(text, static_cast<size_t>(size))) : std::string();
    }

private:
    void Keep(int rc) {
        if (m_rc == SQLITE_OK) m_rc = rc;
    }

    std::unique_ptr<sqlite3_stmt, FinalizeStatement> m_statement;
    int m_rc = SQLITE_OK;
};

std::string Hex(const char* format, unsigned long value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// What a message box showed on the platform the archive came from, as two
// status lines (also in the status log): the provider's error, then the
// error's code, its meaning, where it came from and what it says.
void ShowDatabaseError(Reporter& reporter, const std::string& shown, int code, const std::string& description) {
    const auto number = static_cast<unsigned long>(code);
    reporter.Status("Provider Error:" + Hex("\t Error number: %lx\t", number) + description, true);
    reporter.Status("COM Error: Error\n\tCode = " + Hex("%08lx", number) + "\n\tCode meaning = " +
                        sqlite3_errstr(code) + "\n\tSource = SQLite " + shown + "\n\tDescription = " + description +
                        "\n",
                    true);
}

class SqliteArchiveDatabase final : public ArchiveDatabase {
public:
    SqliteArchiveDatabase(Connection db, std::string shown, Reporter& reporter)
        : m_db(std::move(db)), m_shown(std::move(shown)), m_reporter(reporter) {}

    // The journal and sync modes every connection works in.
    Status Configure();
    Status MonthFolder(const std::string& yearAndMonth, const std::string& firstPath, std::string& folder,
                       MonthRowSource& source) override;
    Status AddPublication(const StoryRow* story, const std::vector<AudioRow>& audio, int64_t& textId) override;

private:
    // A write transaction, rolled back unless committed.  Begun IMMEDIATE,
    // so that the writer's lock is taken (or waited for) before anything is
    // read: two instances never both find a month missing.
    class Transaction {
    public:
        explicit Transaction(SqliteArchiveDatabase& owner) : m_owner(owner) {}
        ~Transaction() {
            if (m_open) Statement(m_owner.m_db.get(), "ROLLBACK").Step();
        }
        Transaction(const Transaction&) = delete;
        Transaction& operator=(const Transaction&) = delete;
        int Begin() {
            const int rc = Statement(m_owner.m_db.get(), "BEGIN IMMEDIATE").Step();
            m_open = rc == SQLITE_DONE;
            return rc;
        }
        int Commit() {
            const int rc = Statement(m_owner.m_db.get(), "COMMIT").Step();
            if (rc == SQLITE_DONE) m_open = false;
            return rc;
        }

    private:
        SqliteArchiveDatabase& m_owner;
        bool m_open = false;
    };

    Status Fail(const std::string& text, int rc);
    Status AddStoryRow(const StoryRow& row, int64_t textId);
    Status AddAudioRows(const std::vector<AudioRow>& rows, int64_t textId);

    Connection m_db;
    const std::string m_shown;
    Reporter& m_reporter;
};

// The failure of an operation, with what the connection says of it.
Status SqliteArchiveDatabase::Fail(const std::string& text, int rc) {
    // The connection's own code and words where they are about this failure.
    const int last = sqlite3_extended_errcode(m_db.get());
    const bool connectionSaysWhy = (last & 0xff) == (rc & 0xff);
    const int code = connectionSaysWhy ? last : rc;
    const std::string description = connectionSaysWhy ? sqlite3_errmsg(m_db.get()) : sqlite3_errstr(rc);
    ShowDatabaseError(m_reporter, m_shown, code, description);
    return Status::IoError(text).WithDetail(m_shown + ": " + description);
}

Status SqliteArchiveDatabase::Configure() {
    sqlite3_busy_timeout(m_db.get(), SqliteArchiveStore::kBusyTimeoutMs);
    Statement journal(m_db.get(), "PRAGMA journal_mode=DELETE");
    if (const int rc = journal.Step(); rc != SQLITE_ROW) return Fail("Could not open the database " + m_shown, rc);
    // Another connection that keeps the file in WAL mode stops the switch;
    // a WAL journal is not safe on a shared folder.
    if (journal.Text(0) != "delete")
        return Fail("Could not open the database " + m_shown, SQLITE_BUSY)
            .WithDetail(m_shown + " is kept in journal mode " + journal.Text(0) + " by another program.");
    Statement sync(m_db.get(), "PRAGMA synchronous=FULL");
    if (const int rc = sync.Step(); rc != SQLITE_DONE) return Fail("Could not open the database " + m_shown, rc);
    return Status::OK();
}

Status SqliteArchiveDatabase::MonthFolder(const std::string& yearAndMonth, const std::string& firstPath,
                                          std::string& folder, MonthRowSource& source) {
    const std::string openFailed = "Could not open the Table Path";
    Transaction transaction(*this);
    if (const int rc = transaction.Begin(); rc != SQLITE_DONE) return Fail(openFailed, rc);

    // The last row of the month, as a backward search from the end finds it.
    Statement month(m_db.get(),
                    "SELECT \"Path\" FROM \"Path\" WHERE \"YearAndMonthArchived\" = ?1 ORDER BY \"ID\" DESC LIMIT 1");
    month.Bind(1, yearAndMonth);
    int rc = month.Step();
    if (rc == SQLITE_ROW) {
        folder = month.Text(0);
        source = MonthRowSource::found;
        return Status::OK();  // nothing written: the rollback ends the transaction
    }
    if (rc != SQLITE_DONE) return Fail(openFailed, rc);

    Statement last(m_db.get(), "SELECT \"Path\" FROM \"Path\" ORDER BY \"ID\" DESC LIMIT 1");
    rc = last.Step();
    if (rc == SQLITE_ROW) {
        folder = last.Text(0);
        AppendPathSeparator(folder);
        source = MonthRowSource::lastRow;
    } else if (rc == SQLITE_DONE) {
        folder = firstPath;
        source = MonthRowSource::firstRow;
    } else {
        return Fail(openFailed, rc);
    }

    Statement add(m_db.get(), "INSERT INTO \"Path\" (\"YearAndMonthArchived\", \"Path\") VALUES (?1, ?2)");
    add.Bind(1, yearAndMonth);
    add.Bind(2, folder);
    const std::string storeFailed = "Could not store the row of " + yearAndMonth + " in the Table Path";
    if (rc = add.Step(); rc != SQLITE_DONE) return Fail(storeFailed, rc);
    if (rc = transaction.Commit(); rc != SQLITE_DONE) return Fail(storeFailed, rc);
    return Status::OK();
}

Status SqliteArchiveDatabase::AddPublication(const StoryRow* story, const std::vector<AudioRow>& audio,
                                             int64_t& textId) {
    Transaction transaction(*this);
    if (const int rc = transaction.Begin(); rc != SQLITE_DONE) return Fail("Could not open the Table Text", rc);
    // One more than any text ID either table holds: taken inside the write
    // transaction, so no other writer can take the same one.
    Statement highest(m_db.get(),
                      "SELECT max(\"Highest\") FROM (SELECT max(\"TextID\") AS \"Highest\" FROM \"Text\" "
                      "UNION ALL SELECT max(\"TextID\") FROM \"Audio\")");
    if (const int rc = highest.Step(); rc != SQLITE_ROW) return Fail("Could not open the Table Text", rc);
    textId = (highest.IsNull(0) ? 0 : highest.Integer(0)) + 1;

    if (story) {
        if (Status added = AddStoryRow(*story, textId); !added.ok()) return added;
    }
    if (Status added = AddAudioRows(audio, textId); !added.ok()) return added;
    if (const int rc = transaction.Commit(); rc != SQLITE_DONE)
        return Fail("Could not store the rows of text " + std::to_string(textId), rc);
    return Status::OK();
}

Status SqliteArchiveDatabase::AddStoryRow(const StoryRow& row, int64_t textId) {
    Statement add(m_db.get(),
                  "INSERT INTO \"Text\" (\"TextID\", \"Slug\", \"Category\", \"Whom\", \"Writer\", \"CreationDate\", "
                  "\"ModificationDate\", \"Show\", \"CreationTime\", \"NextBroadcastStory\", \"TextFilename\", "
                  "\"Keywords\", \"YearAndMonthArchived\", \"DayArchived\") "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14)");
    add.Bind(1, textId);
    add.Bind(2, row.slug);
    add.Bind(3, row.category);
    add.Bind(4, row.whom);
    add.Bind(5, row.writer);
    add.Bind(6, row.creationDate);
    add.Bind(7, row.modificationDate);
    add.Bind(8, row.show);
    add.Bind(9, row.creationTime);
    add.Bind(10, row.nextBroadcastStory);
    add.Bind(11, row.textFilename);
    add.Bind(12, row.keywords);
    add.Bind(13, row.yearAndMonthArchived);
    add.Bind(14, row.dayArchived);
    if (const int rc = add.Step(); rc != SQLITE_DONE) return Fail("Could not open the Table Text", rc);
    return Status::OK();
}

Status SqliteArchiveDatabase::AddAudioRows(const std::vector<AudioRow>& rows, int64_t textId) {
    if (rows.empty()) return Status::OK();
    Statement add(m_db.get(),
                  "INSERT INTO \"Audio\" (\"TextID\", \"LinkedFilename\", \"Description\", \"OutCue\", "
                  "\"LastPlayed\", \"TimesPlayed\", \"SavedBy\", \"Category\", \"Status\", \"Artist\", "
                  "\"StartDate\", \"StopDate\", \"IntroTime\", \"OutroTime\", \"IntroFade\", \"OutroFade\", "
                  "\"CDat\", \"MDat\") "
                  "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16, ?17, ?18)");
    for (const AudioRow& row : rows) {
        add.Reset();
        add.Bind(1, textId);
        add.Bind(2, row.linkedFilename);
        add.Bind(3, row.description);
        add.Bind(4, row.outCue);
        add.Bind(5, row.lastPlayed);
        add.Bind(6, row.timesPlayed);
        add.Bind(7, row.savedBy);
        add.Bind(8, row.category);
        add.Bind(9, row.status);
        add.Bind(10, row.artist);
        add.Bind(11, row.startDate);
        add.Bind(12, row.stopDate);
        add.Bind(13, row.introTime);
        add.Bind(14, row.outroTime);
        add.Bind(15, row.introFade);
        add.Bind(16, row.outroFade);
        add.Bind(17, row.cDat);
        add.Bind(18, row.mDat);
        if (const int rc = add.Step(); rc != SQLITE_DONE) return Fail("Could not open the Table Audio", rc);
    }
    return Status::OK();
}

}  // namespace

DatabaseFileKind InspectDatabaseFile(const Location& file, std::string* error) {
    platform::File reader;
    if (!reader.Open(file.Path(), platform::File::modeRead | platform::File::shareDenyNone, error))
        return DatabaseFileKind::unreadable;
    char head[kMagicBytes] = {};
    int64_t got = 0;
    while (got < static_cast<int64_t>(kMagicBytes)) {
        const int64_t read = reader.Read(head + got, static_cast<int64_t>(kMagicBytes) - got);
        if (read < 0) {
            if (error) *error = "cannot read " + file.Display() + ": " + std::strerror(errno);
            return DatabaseFileKind::unreadable;
        }
        if (read == 0) break;
        got += read;
    }
    const std::string_view bytes(head, static_cast<size_t>(got));
    if (bytes.substr(0, kSqliteMagic.size()) == kSqliteMagic) return DatabaseFileKind::sqlite;
    const std::string_view engine = bytes.size() > kAccessMagicOffset ? bytes.substr(kAccessMagicOffset) : "";
    if (engine == kJetMagic || engine == kAceMagic) return DatabaseFileKind::access;
    return DatabaseFileKind::other;
}

SqliteArchiveStore::SqliteArchiveStore(FileAccess& files, Reporter& reporter) : m_files(files), m_reporter(reporter) {}

Status SqliteArchiveStore::Open(const Location& database, const Location& master,
                                std::unique_ptr<ArchiveDatabase>& opened) {
    const std::string shown = database.Display();
    const std::string openFailed = "Could not open the database " + shown;
    if (database.IsFtp())
        return Status::InvalidArgument(openFailed).WithDetail("An archive database cannot be on an FTP server.");
    if (!database.Problem().ok()) return Status::InvalidArgument(openFailed).WithDetail(database.Problem().message());

    switch (platform::Exists(database.Path())) {
    case platform::Existence::absent:
        if (Status made = MakeFromMaster(database, master); !made.ok()) return made;
        break;
    case platform::Existence::unknown:
        return Status::IoError(openFailed).WithDetail("Cannot tell whether " + shown + " exists.");
    case platform::Existence::present:
        break;
    }

    std::string error;
    if (const DatabaseFileKind kind = InspectDatabaseFile(database, &error); kind != DatabaseFileKind::sqlite)
        return RefuseFile(database, kind, error);
    std::string host;
    if (!platform::ToHostPath(database.Path(), host, &error)) return Status::InvalidArgument(openFailed).WithDetail(error);

    // Never made here: a database comes into being only as a copy of the master.
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(host.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_EXRESCODE, nullptr);
    Connection db(raw);
    if (rc != SQLITE_OK) {
        const int code = db ? sqlite3_extended_errcode(db.get()) : rc;
        const std::string description = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
        ShowDatabaseError(m_reporter, shown, code, description);
        return Status::IoError(openFailed).WithDetail(shown + ": " + description);
    }
    auto archive = std::make_unique<SqliteArchiveDatabase>(std::move(db), shown, m_reporter);
    if (Status configured = archive->Configure(); !configured.ok()) return configured;
    opened = std::move(archive);
    return Status::OK();
}

// The master, checked first (an Access master cannot serve), is copied under
// a hidden name and renamed into place without replacing.  When the rename
// finds a database there, another instance made it meanwhile: that one is
// used.
Status SqliteArchiveStore::MakeFromMaster(const Location& database, const Location& master) {
    const std::string failed = "Could not database the master database to " + database.Display();
    std::string error;
    switch (InspectDatabaseFile(master, &error)) {
    case DatabaseFileKind::sqlite:
        break;
    case DatabaseFileKind::access:
        return Status::InvalidArgument(failed).WithDetail(
            "The master database " + master.Display() + " is an Access database, not an SQLite one.");
    case DatabaseFileKind::other:
        return Status::InvalidArgument(failed).WithDetail("The master database " + master.Display() +
                                                          " is not an SQLite database.");
    case DatabaseFileKind::unreadable:
        return Status::NotFound(failed).WithDetail(error.empty() ? "Cannot read " + master.Display() + "." : error);
    }
    CFTPFile copier(m_files);
    if (copier.CopyFile(master, database, true)) return Status::OK();
    if (platform::Exists(database.Path()) == platform::Existence::present) return Status::OK();
    return Status::IoError(failed).WithDetail(copier.ErrorText());
}

Status SqliteArchiveStore::RefuseFile(const Location& file, DatabaseFileKind kind, const std::string& error) {
    const std::string shown = file.Display();
    switch (kind) {
    case DatabaseFileKind::access:
        return Status::InvalidArgument("The database " + shown +
                                       " is an Access database; it is left as it is.")
            .WithDetail("Archive databases are SQLite files: move it away, or name another database file.");
    case DatabaseFileKind::other:
        return Status::InvalidArgument("The database " + shown + " is not an SQLite database; it is left as it is.")
            .WithDetail("Move it away, or name another database file.");
    case DatabaseFileKind::unreadable:
    case DatabaseFileKind::sqlite:
        break;
    }
    return Status::IoError("Could not open the database " + shown).WithDetail(error);
}

}  // namespace pv
