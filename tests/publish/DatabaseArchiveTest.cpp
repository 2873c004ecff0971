// The archive step of a publication on real folders and real SQLite files
// (a drive D: of the test's own): the month's storage folder from table
// "Path", the day folders, the archive index pages, the rows of a
// publication, and the files the archive refuses to touch.  What is in a
// database is read back with the sqlite3 tool.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "audio/AudioFileHeader.h"
#include "publish/DatabaseArchive.h"
#include "publish/SqliteArchiveStore.h"
#include "support/ArchiveDatabases.h"
#include "support/AudioTestSupport.h"
#include "FolderAliasFixture.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

// What the archive asked of the index pages, with the template folder the
// alias had at that moment (the templates are looked up there).
struct IndexCall {
    std::string page;
    std::string indexTemplate;
    std::string linkTemplate;
    std::string templateFolder;
    bool operator==(const IndexCall&) const = default;
};

std::ostream& operator<<(std::ostream& out, const IndexCall& call) {
    return out << call.page << " (" << call.indexTemplate << ", " << call.linkTemplate << ", " << call.templateFolder
               << ")";
}

class RecordingIndexPages final : public IndexPageUpdater {
public:
    bool UpdateIndexPage(Publication& publication, const Location& page, const std::string& indexTemplate,
                         const std::string& linkTemplate) override {
        calls.push_back({page.Display(), indexTemplate, linkTemplate, publication.Options().templateFolder});
        return true;
    }
    std::vector<IndexCall> calls;
};

// The first 20 bytes of an Access database of either engine.
std::string AccessHeader(const std::string& engine) {
    return std::string("\x00\x01\x00\x00", 4) + "Standard " + engine + " DB" + std::string(1, '\0') +
           std::string(2028, '\x5a');
}

class DatabaseArchiveTest : public test::FolderAliasFixture {
protected:
    static constexpr const char* kLine = "News;database=D:\\Archive\\news.mdb";

    DatabaseArchiveTest() {
        test::InstallMasterDatabase(WorkingFolder());
        SetDay(2026, 12, 9);
        route.m_bMakeSurePathsExist = true;
    }

    void SetDay(int year, int month, int day) {
        clock.Set(std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(year, month, day, 10, 15, 0)));
    }
    // One publication under the alias, the working folder's alias file
    // holding just this line.
    Status Prepare(const std::string& line, const std::string& alias = "News") {
        WriteCentral({line});
        story.work.alias = alias;
        return archive.PrepareArchive(publication);
    }
    std::string Database() const { return OnDriveD("Archive/news.mdb"); }
    std::string Rows(const std::string& sql) const { return test::SqliteRows(Database(), sql); }
    // A database made from the master beforehand, with sql run on it.
    void Seed(const std::string& sql) {
        fs::copy_file(test::MasterDatabase(), Database(), fs::copy_options::overwrite_existing);
        test::SqliteRun(Database(), sql);
    }
    std::string Master() const { return WorkingFolder() + "Pressvane/Templates/Master.mdb"; }
    std::vector<std::string> Entries(const std::string& folder) const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    RecordingIndexPages indexes;
    SqliteArchiveStore store{access, reporter};
    DatabaseArchive archive{reader, store, indexes, access, clock, WorkingFolder()};
    CTextFileHeader header;
    CDatFile descriptor;
    CFTPFile openStory{access};
    StorySubmission submission{route, story, header, descriptor, Location(), Location(), openStory};
    StoryReports reports{wire, reporter, route, "Council vote"};
    CFTPFile output{access};
    MacroValues values;
    Publication publication{submission, state, reports, output, values, {}};
};

// An empty table "Path" gets the month with the database folder's "Files\";
// the folders are made, the five archive index pages get the day (with the
// templates of the alias's template folder, settled before), and the story
// goes to the day folder.  The database folder may be written as a drive
// path, a host path or relative to the working folder.
TEST_F(DatabaseArchiveTest, TheFirstStoryOfANewDatabaseFilesItsMonthUnderFiles) {
    const std::string host = dir.Folder() + "host/";
    const std::string relative = WorkingFolder() + "Relative/";
    fs::create_directories(host);
    fs::create_directories(relative);
    struct Case {
        std::string line;
        std::string database;  // the file on the host
        std::string folder;    // the database folder as the service writes it
        std::string files;     // its "Files" folder, as the row "Path" holds it
        char separator;
    };
    const Case cases[] = {
        {kLine, Database(), "D:\\Archive\\", "D:\\Archive\\Files\\", '\\'},
        {"News;database=" + host + "news.mdb", host + "news.mdb", host, host + "Files/", '/'},
        {"News;database=Relative\\news.mdb", relative + "news.mdb", relative, relative + "Files/", '/'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        reporter.Clear();
        indexes.calls.clear();
        ASSERT_TRUE(Prepare(c.line).ok()) << reporter.AllText();
        archive.Close(publication);

        EXPECT_EQ(test::SqliteRows(c.database, "SELECT \"ID\", \"YearAndMonthArchived\", \"Path\" FROM \"Path\""),
                  "1|2026\\12|" + c.files + "\n");
        EXPECT_EQ(test::SqliteRows(c.database, "SELECT count(*) FROM \"Text\""), "0\n");
        const auto in = [&](const std::string& parts) {
            std::string path = parts;
            for (char& ch : path)
                if (ch == '|') ch = c.separator;
            return path;
        };
        EXPECT_EQ(story.work.storagePath, in(c.files + "2026|12|09|"));
        EXPECT_EQ(story.work.archiveSubfolder, "2026\\12\\09");
        EXPECT_EQ(values.archive.yearAndMonth, "2026\\12");
        EXPECT_EQ(values.archive.day, "09");
        EXPECT_EQ(story.options.templateFolder, in(c.folder + "Templates|"));
        EXPECT_EQ(OtherLines(), std::vector<std::string>{
                                    "No paths specified in the database. Defaulting to: DatabasePath\\Files."});
        EXPECT_TRUE(Fatals().empty());

        const std::string made = c.database.substr(0, c.database.size() - std::string("news.mdb").size());
        for (const char* folder : {"2026", "Files/2026/12/09"})
            EXPECT_TRUE(fs::is_directory(made + folder)) << folder;
        const std::string templates = story.options.templateFolder;
        const std::vector<IndexCall> expected = {
            {in(c.folder + "Index.htm"), "DBYearIndexTemplate.htm", "DBYearIndexLinkTemplate.htm", templates},
            {in(c.folder + "2026|Index.htm"), "DBMonthIndexTemplate.htm", "DBMonthIndexLinkTemplate.htm", templates},
            {in(c.files + "Index.htm"), "StorageYearIndexTemplate.htm", "StorageYearIndexLinkTemplate.htm", templates},
            {in(c.files + "2026|Index.htm"), "StorageMonthIndexTemplate.htm", "StorageMonthIndexLinkTemplate.htm",
             templates},
            {in(c.files + "2026|12|Index.htm"), "StorageDayIndexTemplate.htm", "StorageDayIndexLinkTemplate.htm",
             templates},
        };
        EXPECT_EQ(indexes.calls, expected);
    }
}

// A month with a row keeps it (the last of its rows); a new month gets the
// folder of the last row, with a separator when that row has none.
TEST_F(DatabaseArchiveTest, AMonthIsFoundOrGetsTheFolderOfTheLastRow) {
    const std::string host = dir.Folder() + "hostfiles";
    struct Case {
        std::string name;
        std::vector<std::string> rows;  // "YYYY\MM|Path", in the order added
        int year;
        int month;
        std::string storage;
        std::string added;  // the row added, if any
    };
    const Case cases[] = {
        {"a new year", {"2026\\12|D:\\Archive\\Files\\"}, 2027, 1, "D:\\Archive\\Files\\2027\\01\\09\\",
         "2027\\01|D:\\Archive\\Files\\"},
        {"the last row, not the first", {"2026\\10|D:\\Old\\", "2026\\11|D:\\Elsewhere\\"}, 2026, 12,
         "D:\\Elsewhere\\2026\\12\\09\\", "2026\\12|D:\\Elsewhere\\"},
        {"a row without its separator", {"2026\\11|D:\\Elsewhere"}, 2026, 12, "D:\\Elsewhere\\2026\\12\\09\\",
         "2026\\12|D:\\Elsewhere\\"},
        {"a host folder", {"2026\\11|" + host}, 2026, 12, host + "/2026/12/09/", "2026\\12|" + host + "/"},
        {"a month that has its row", {"2026\\12|D:\\Old\\", "2027\\01|D:\\New\\"}, 2026, 12,
         "D:\\Old\\2026\\12\\09\\", ""},
        {"the month's last row", {"2026\\12|D:\\First\\", "2026\\12|D:\\Second\\"}, 2026, 12,
         "D:\\Second\\2026\\12\\09\\", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reporter.Clear();
        std::string seed, before;
        for (const std::string& row : c.rows) {
            const size_t bar = row.find('|');
            seed += "INSERT INTO \"Path\" (\"YearAndMonthArchived\", \"Path\") VALUES ('" + row.substr(0, bar) +
                    "', '" + row.substr(bar + 1) + "');";
            before += row + "\n";
        }
        Seed(seed);
        SetDay(c.year, c.month, 9);
        ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
        archive.Close(publication);
        EXPECT_EQ(story.work.storagePath, c.storage);
        EXPECT_EQ(Rows("SELECT \"YearAndMonthArchived\", \"Path\" FROM \"Path\" ORDER BY \"ID\""),
                  before + (c.added.empty() ? "" : c.added + "\n"));
        EXPECT_TRUE(OtherLines().empty());
    }
}

// The folders are made only for a route that makes sure its paths exist.
TEST_F(DatabaseArchiveTest, TheDayFoldersAreMadeOnlyWhenTheRouteAsks) {
    route.m_bMakeSurePathsExist = false;
    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    EXPECT_EQ(story.work.storagePath, "D:\\Archive\\Files\\2026\\12\\09\\");
    EXPECT_EQ(Entries(OnDriveD("Archive")), std::vector<std::string>{"news.mdb"});
}

// An alias that replaces or modifies one fixed page files it in that page's
// folder: no database, no archive index page, but the template folder
// still defaults to the database folder's.
TEST_F(DatabaseArchiveTest, AFixedPageIsNotArchived) {
    fs::create_directories(OnDriveD("Pages"));
    for (const char* option : {"replace_file", "modify_file"}) {
        SCOPED_TRACE(option);
        ASSERT_TRUE(Prepare(std::string(kLine) + ";output_filename=D:\\Pages\\News.htm;" + option).ok())
            << reporter.AllText();
        EXPECT_EQ(story.work.storagePath, "D:\\Pages\\");
        EXPECT_EQ(story.options.outputFilename, "News.htm");
        EXPECT_EQ(story.options.templateFolder, "D:\\Archive\\Templates\\");
        EXPECT_TRUE(indexes.calls.empty());
        EXPECT_TRUE(fs::is_empty(OnDriveD("Archive")));
    }
}

// Each failure is one fatal report, and leaves no database and no copy of
// the master behind.
TEST_F(DatabaseArchiveTest, AStoryThatCannotBeFiledFailsWithItsMessage) {
    struct Case {
        std::string name;
        std::string alias;
        std::string line;
        std::function<void()> arrange;
        std::string fatal;   // the report begins so
        std::string detail;  // and holds this
    };
    const Case cases[] = {
        {"no alias", "", kLine, [] {}, "Invalid alias .", ""},
        {"a missing database folder", "News", "News;database=D:\\Missing\\news.mdb", [] {},
         "Database path D:\\Missing\\ for alias News does not exist.", ""},
        {"no master", "News", kLine, [&] { fs::remove(Master()); },
         "Could not database the master database to D:\\Archive\\news.mdb", "Master.mdb"},
        {"an Access master", "News", kLine, [&] { test::WriteWholeFile(Master(), AccessHeader("Jet")); },
         "Could not database the master database to D:\\Archive\\news.mdb", "is an Access database"},
        {"a master that is no database", "News", kLine, [&] { test::WriteWholeFile(Master(), "master\r\n"); },
         "Could not database the master database to D:\\Archive\\news.mdb", "is not an SQLite database"},
        {"a database folder only", "News", "News;database=D:\\Archive\\", [] {}, "No storage path is available.",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reporter.Clear();
        test::InstallMasterDatabase(WorkingFolder());
        c.arrange();
        EXPECT_FALSE(Prepare(c.line, c.alias).ok());
        archive.Close(publication);
        const std::vector<std::string> fatals = Fatals();
        ASSERT_EQ(fatals.size(), 1u) << reporter.AllText();
        EXPECT_EQ(fatals.front().rfind(c.fatal, 0), 0u) << fatals.front();
        EXPECT_NE(fatals.front().find(c.detail), std::string::npos) << fatals.front();
        EXPECT_TRUE(fs::is_empty(OnDriveD("Archive")));
        EXPECT_TRUE(indexes.calls.empty());
    }
}

// A file that is not an SQLite database where the database should be (an
// Access database above all) is refused and left exactly as it was.
TEST_F(DatabaseArchiveTest, AFileInTheWayIsNeverWritten) {
    struct Case {
        std::string name;
        std::string bytes;
        std::string fatal;
    };
    const Case cases[] = {
        {"Access (Jet)", AccessHeader("Jet"), "is an Access database; it is left as it is."},
        {"Access (ACE)", AccessHeader("ACE"), "is an Access database; it is left as it is."},
        {"text", "YearAndMonthArchived;Path\r\n", "is not an SQLite database; it is left as it is."},
        {"empty", "", "is not an SQLite database; it is left as it is."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reporter.Clear();
        test::WriteWholeFile(Database(), c.bytes);
        EXPECT_FALSE(Prepare(kLine).ok());
        archive.Close(publication);
        const std::vector<std::string> fatals = Fatals();
        ASSERT_EQ(fatals.size(), 1u) << reporter.AllText();
        EXPECT_EQ(fatals.front().rfind("The database D:\\Archive\\news.mdb " + c.fatal, 0), 0u) << fatals.front();
        EXPECT_EQ(test::ReadWholeFile(Database()), c.bytes);
        EXPECT_EQ(Entries(OnDriveD("Archive")), std::vector<std::string>{"news.mdb"});
    }
}

// What the database says of a failure goes on two status lines (with the
// status log); the operation's failure is the fatal report, and nothing of
// the publication is stored.
TEST_F(DatabaseArchiveTest, ADatabaseErrorIsShownOnStatusLines) {
    struct Case {
        std::string name;
        std::string schema;  // of the database in place
        std::string table;   // the one that is missing
        bool prepared;       // whether the preparation gets through
    };
    const Case cases[] = {
        {"no table Path", "CREATE TABLE \"Text\" (\"TextID\");", "Path", false},
        {"no table Text",
         "CREATE TABLE \"Path\" (\"ID\" INTEGER PRIMARY KEY, \"YearAndMonthArchived\", \"Path\");"
         "CREATE TABLE \"Audio\" (\"TextID\");",
         "Text", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reporter.Clear();
        fs::remove(Database());
        test::SqliteRun(Database(), c.schema);
        Status status = Prepare(kLine);
        ASSERT_EQ(status.ok(), c.prepared) << reporter.AllText();
        if (status.ok()) {
            ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
            status = archive.Commit(publication);
            EXPECT_FALSE(status.ok());
        }
        archive.Close(publication);
        const std::vector<std::string> fatals = Fatals();
        ASSERT_EQ(fatals.size(), 1u) << reporter.AllText();
        EXPECT_EQ(fatals.front(), "Could not open the Table " + c.table + "\nD:\\Archive\\news.mdb: no such table: " +
                                      c.table);
        std::vector<std::string> lines = OtherLines();
        if (c.prepared) lines.erase(lines.begin());  // the first month's line
        EXPECT_EQ(lines, (std::vector<std::string>{
                             "Provider Error:\t Error number: 1\tno such table: " + c.table,
                             "COM Error: Error\n\tCode = 00000001\n\tCode meaning = SQL logic error\n\tSource = "
                             "SQLite D:\\Archive\\news.mdb\n\tDescription = no such table: " + c.table + "\n"}));
        if (c.prepared) {
            EXPECT_EQ(Rows("SELECT count(*) FROM \"Path\""), "1\n");
        }
    }
}

// A name that appears at the database's place while the master is copied
// (here a link to nowhere, which no existence test sees) is not replaced:
// the copy is put in place only where nothing is.
TEST_F(DatabaseArchiveTest, TheMasterNeverReplacesWhatAppearsInItsPlace) {
    fs::create_symlink("elsewhere.mdb", Database());
    EXPECT_FALSE(Prepare(kLine).ok());
    archive.Close(publication);
    ASSERT_EQ(Fatals().size(), 1u) << reporter.AllText();
    EXPECT_EQ(Fatals().front().rfind("Could not database the master database to D:\\Archive\\news.mdb", 0), 0u);
    EXPECT_TRUE(fs::is_symlink(Database()));
    EXPECT_EQ(fs::read_symlink(Database()), "elsewhere.mdb");
    EXPECT_EQ(Entries(OnDriveD("Archive")), std::vector<std::string>{"news.mdb"});
}

// A database that is there is used as it is: its rows stay, and text IDs go
// on from its highest.
TEST_F(DatabaseArchiveTest, AnExistingDatabaseIsUsedAsItIs) {
    Seed("INSERT INTO \"Path\" (\"YearAndMonthArchived\", \"Path\") VALUES ('2026\\12', 'D:\\Archive\\Files\\');"
         "INSERT INTO \"Text\" (\"TextID\", \"Slug\") VALUES (41, 'Older story');"
         "INSERT INTO \"Audio\" (\"TextID\", \"LinkedFilename\") VALUES (57, 'older.mp3');");
    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
    ASSERT_TRUE(archive.Commit(publication).ok()) << reporter.AllText();
    archive.Close(publication);
    EXPECT_EQ(Rows("SELECT \"TextID\", \"Slug\" FROM \"Text\" ORDER BY \"ID\""),
              "41|Older story\n58|Council vote\n");
    EXPECT_EQ(Rows("SELECT count(*) FROM \"Path\""), "1\n");
}

// The story's row holds the header's fields as written (quotes, semicolons
// and comment marks included), dates and times as ISO 8601 text that
// SQLite's date functions take, and Windows-1252 text as UTF-8.
TEST_F(DatabaseArchiveTest, TheStoryRowHoldsTheStoryAsWritten) {
    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    story.work.slug = "Mayor's \"plan\"; DROP TABLE \"Text\"; --";
    header.m_strCategory = "News,Local";
    header.m_strWho = "ed";
    header.m_strWriter = "Caf\xe9 desk \x93" "A\x94";
    header.m_strDate = "12/31/2005 10:00:00";
    header.m_strShow = "Morning";
    header.m_strTime = "Tue10:30:00";
    header.m_strNext = "weather'; --";
    story.work.fileDate = "12/09/2026";
    descriptor.m_strKeywords = "vote; 'council' -- budget";
    values.outputFilename = "00041_vote.htm";
    ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
    ASSERT_TRUE(archive.Commit(publication).ok()) << reporter.AllText();
    archive.Close(publication);

    EXPECT_EQ(Rows("SELECT \"TextID\", \"Slug\", \"Category\", \"Whom\", \"Writer\", \"CreationDate\", "
                   "\"ModificationDate\", \"Show\", \"CreationTime\", \"NextBroadcastStory\", \"TextFilename\", "
                   "\"Keywords\", \"YearAndMonthArchived\", \"DayArchived\" FROM \"Text\""),
              "1|Mayor's \"plan\"; DROP TABLE \"Text\"; --|News,Local|ed|Caf\xc3\xa9 desk \xe2\x80\x9c" "A\xe2\x80\x9d|"
              "2005-12-31|2026-12-09|Morning|10:30:00|weather'; --|00041_vote.htm|vote; 'council' -- budget|"
              "2026\\12|09\n");
    EXPECT_EQ(Rows("SELECT typeof(\"CreationDate\"), date(\"CreationDate\", '+1 day'), "
                   "time(\"CreationTime\", '+45 minutes') FROM \"Text\""),
              "text|2006-01-01|11:15:00\n");
    EXPECT_EQ(Rows("SELECT name FROM sqlite_schema WHERE type = 'table' ORDER BY name"), "Audio\nPath\nText\n");
}

// Dates that are no dates stay empty, with a status line that says so.
TEST_F(DatabaseArchiveTest, ADateThatIsNoDateStaysEmpty) {
    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    header.m_strDate = "02/30/2026";
    header.m_strTime = "";
    story.work.fileDate = "0/0/0";
    reporter.Clear();
    ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
    ASSERT_TRUE(archive.Commit(publication).ok()) << reporter.AllText();
    archive.Close(publication);
    EXPECT_EQ(Rows("SELECT \"CreationDate\", \"ModificationDate\", \"CreationTime\" FROM \"Text\""), "NULL|NULL|NULL\n");
    EXPECT_EQ(OtherLines(),
              std::vector<std::string>{"\"02/30/2026\" is not a valid value of CreationDate; the archive keeps it empty."});
}

// The audio rows of a cut's tags, stored with the story's row under one
// text ID; nothing is in the database before the commit, and a publication
// closed without one leaves nothing; each publication has a new text ID.
TEST_F(DatabaseArchiveTest, APublicationsRowsShareOneTextIdAndWaitForTheCommit) {
    const std::string tags = "QMTGDESC:Mayor's speech\r\nQMTGOUTC:...and that's final\r\nQMTGLPLD:12/08/2026\r\n"
                             "QMTGTPLD:3\r\nQMTGSAVD:ed\r\nQMTGCATG:NEWS\r\nQMTGSTAT:ready\r\nQMTGARST:Mayor\r\n"
                             "QMTGSTRT:12/01/2026 06:00:00\r\nQMTGSTOP:12/31/2026\r\nQMTGINTM:7.5\r\n"
                             "QMTGOTTM:62.25\r\nQMTGINFD:Fade\r\nQMTGOTFD:Talk\r\nQMTGCDAT:12/01/2026\r\n"
                             "QMTGMDAT:12/02/2026\r\n";
    const std::string wav = dir / "cut.wav";
    test::WriteWholeFile(wav, test::PcmWav(1, 8000, 16, 1600, {},
                                           test::Chunk("LIST", "INFO" + test::Chunk("ICMT", tags))));
    CAudioFileHeader cut;
    ASSERT_TRUE(cut.ReadHeader(wav)) << cut.LastError();

    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    ASSERT_TRUE(archive.WriteAudioRow(publication, "00042_cut.mp3", cut).ok());
    ASSERT_TRUE(archive.WriteAudioRow(publication, "00043_cut.mp3", cut).ok());
    ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
    EXPECT_EQ(Rows("SELECT count(*) FROM \"Text\"; SELECT count(*) FROM \"Audio\""), "0\n0\n");
    ASSERT_TRUE(archive.Commit(publication).ok()) << reporter.AllText();
    archive.Close(publication);

    EXPECT_EQ(Rows("SELECT \"TextID\", \"LinkedFilename\", \"Description\", \"OutCue\", \"LastPlayed\", "
                   "\"TimesPlayed\", \"SavedBy\", \"Category\", \"Status\", \"Artist\", \"StartDate\", "
                   "\"StopDate\", \"IntroTime\", \"OutroTime\", \"IntroFade\", \"OutroFade\", \"CDat\", \"MDat\" "
                   "FROM \"Audio\" ORDER BY \"ID\""),
              "1|00042_cut.mp3|Mayor's speech|...and that's final|12/08/2026|3|ed|NEWS|ready|Mayor|2026-12-01|"
              "2026-12-31|00:00:07.500|00:01:02.250|Fade|Talk|12/01/2026|12/02/2026\n"
              "1|00043_cut.mp3|Mayor's speech|...and that's final|12/08/2026|3|ed|NEWS|ready|Mayor|2026-12-01|"
              "2026-12-31|00:00:07.500|00:01:02.250|Fade|Talk|12/01/2026|12/02/2026\n");
    EXPECT_EQ(Rows("SELECT \"TextID\" FROM \"Text\""), "1\n");

    // Not committed: nothing stays.
    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    ASSERT_TRUE(archive.WriteAudioRow(publication, "00044_cut.mp3", cut).ok());
    ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
    archive.Close(publication);
    EXPECT_EQ(Rows("SELECT count(*) FROM \"Text\"; SELECT count(*) FROM \"Audio\""), "1\n2\n");

    // The next publication.
    ASSERT_TRUE(Prepare(kLine).ok()) << reporter.AllText();
    ASSERT_TRUE(archive.WriteStoryRow(publication).ok());
    ASSERT_TRUE(archive.Commit(publication).ok()) << reporter.AllText();
    archive.Close(publication);
    EXPECT_EQ(Rows("SELECT \"TextID\" FROM \"Text\" ORDER BY \"ID\""), "1\n2\n");
}

// The master the build made has the tables and columns of the archive,
// with the types the rows are written as.
TEST(MasterDatabase, HoldsTheArchiveTables) {
    const auto columns = [](const std::string& table) {
        return test::SqliteRows(test::MasterDatabase(),
                                "SELECT name, type FROM pragma_table_info('" + table + "') ORDER BY cid");
    };
    EXPECT_EQ(columns("Path"), "ID|INTEGER\nYearAndMonthArchived|TEXT\nPath|TEXT\n");
    EXPECT_EQ(columns("Text"),
              "ID|INTEGER\nTextID|INTEGER\nSlug|TEXT\nCategory|TEXT\nWhom|TEXT\nWriter|TEXT\nCreationDate|DATE\n"
              "ModificationDate|DATE\nShow|TEXT\nCreationTime|TIME\nNextBroadcastStory|TEXT\nTextFilename|TEXT\n"
              "Keywords|TEXT\nYearAndMonthArchived|TEXT\nDayArchived|TEXT\n");
    EXPECT_EQ(columns("Audio"),
              "ID|INTEGER\nTextID|INTEGER\nLinkedFilename|TEXT\nDescription|TEXT\nOutCue|TEXT\nLastPlayed|TEXT\n"
              "TimesPlayed|INTEGER\nSavedBy|TEXT\nCategory|TEXT\nStatus|TEXT\nArtist|TEXT\nStartDate|DATE\n"
              "StopDate|DATE\nIntroTime|TIME\nOutroTime|TIME\nIntroFade|TEXT\nOutroFade|TEXT\nCDat|TEXT\n"
              "MDat|TEXT\n");
    EXPECT_EQ(test::SqliteRows(test::MasterDatabase(), "SELECT count(*) FROM \"Path\"; PRAGMA journal_mode"),
              "0\ndelete\n");
}

}  // namespace
}  // namespace pv
