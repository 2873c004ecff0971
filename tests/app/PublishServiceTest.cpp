// Stories published through the whole publishing half: the story branch of
// the scan, the publish driver, the alias file, the template engine and the
// file access, on real folders.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "app/PublishService.h"
#include "support/ArchiveDatabases.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

const std::string kTemplate =
    "<html><head><meta charset=\"windows-1252\"><title><!--Quillmark Slug --></title></head>\r\n"
    "<body><h1><!--Quillmark Slug --></h1>\r\n<!--Quillmark Story -->\r\n</body></html>\r\n";

std::string Story(const std::string& slug, const std::string& command, const std::string& body) {
    return "TQ32_SCRIPT1\r\nFILESLUG:" + slug + "\r\nFILECMD1:" + command + "\r\n" + body + "\r\n";
}

class Publishing : public ::testing::Test {
protected:
    Publishing() {
        for (const char* folder : {"in", "Pressvane", "Templates", "Pages"}) fs::create_directories(dir / folder);
        route.m_inDir = Location::Parse(dir.Folder() + "in/");
        route.m_bProcessDatFiles = false;
        route.m_bProcessTxtFiles = true;
        route.m_strAliases = {"Web"};
        test::WriteWholeFile(dir / "Templates/TextTemplate.htm", kTemplate);
        test::WriteWholeFile(dir / "Templates/TextTemplate.php", kTemplate);
    }

    void Aliases(const std::string& line) {
        test::WriteWholeFile(dir / "Pressvane/DBFolder.dat", line + ";template_directory=" + dir.Folder() + "Templates\r\n");
    }
    void SetCounter(uint32_t next) {
        const char bytes[4] = {char(next & 0xff), char((next >> 8) & 0xff), char((next >> 16) & 0xff), char(next >> 24)};
        test::WriteWholeFile(dir / "Pages/ID.dat", std::string(bytes, 4));
    }
    uint32_t Counter() const {
        const std::string bytes = test::ReadWholeFile(dir / "Pages/ID.dat");
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(bytes.at(i));
        return value;
    }
    bool Publish(const std::string& name, const std::string& text) {
        test::WriteWholeFile(dir / ("in/" + name), text);
        PublishService service(options, {workingFolder, files, reporter, trace, clock, messages, mail, receipts, lock,
                                         debugFiles, nullptr, exit, codecs});
        return service.Handle(route, {name, 0, clock.NowSeconds()}).published;
    }
    std::vector<std::string> Pages() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir / "Pages"))
            if (entry.path().filename() != "ID.dat") names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    bool Said(const std::string& text) const {
        for (const std::string& line : reporter.StatusLines())
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    test::TempDir dir;
    const std::string workingFolder = dir.Folder();
    test::FakeClock clock;
    test::RecordingReporter reporter;
    TraceLog trace{clock};
    FileAccess files{reporter, clock, FileAccessSettings{false, 0, 0, false, {}}};
    WireMessages messages{files, reporter, workingFolder};
    MailSender mail;
    Receipts receipts{files, messages, mail, clock, workingFolder};
    std::atomic<bool> exit{false};
    audio::CodecModule codecs;
    FolderLock lock{files, reporter, trace, clock, exit};
    DebugFiles debugFiles{clock, workingFolder};
    ServiceOptions options;
    CDirOptions route;
};

// How the page is named, and what the storage folder's counter does.
TEST_F(Publishing, ThePageIsNamedAsTheAliasSays) {
    struct Case {
        std::string options;
        std::string source;
        std::string page;
        uint32_t counterAfter;
    };
    const Case cases[] = {
        {"output_filename=Pages/News.htm;replace_file", "vote.txt", "News.htm", 41},
        {"output_filename=Pages/News.htm", "story.txt", "00041_story.htm", 42},
        {"output_filename=Pages/News.htm;dont_prepend_number_to_unique_filename", "story.txt", "story.htm", 42},
        {"output_filename=Pages/News.htm;use_original_filename", "story.txt", "story.htm", 41},
        {"output_filename=Pages/News.php;unique_file;use_slug_for_filename", "story.txt", "Council_vote.php", 41},
        // Story data never names a path: the slug's separators and dots stay in the name.
        {"output_filename=Pages/News.htm;unique_file;use_slug_for_filename", "story.txt", "......evil.htm", 41},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        fs::remove_all(dir / "Pages");
        fs::create_directories(dir / "Pages");
        SetCounter(41);
        Aliases("Web;" + c.options);
        const bool hostile = c.page.find("evil") != std::string::npos;
        const std::string slug = hostile ? "..\\..\\..\\evil" : "Council vote";
        // Each case runs with a fresh driver, so an alias turning unique naming on does not carry over.
        ASSERT_TRUE(Publish(c.source, Story(slug, "Add", "The council voted.")));
        const std::vector<std::string> pages = Pages();
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages.front(), c.page);
        EXPECT_EQ(pages.front().find_first_of("/\\"), std::string::npos) << pages.front();
        EXPECT_EQ(Counter(), c.counterAfter);
        EXPECT_TRUE(fs::is_empty(dir / "in"));
    }
    EXPECT_FALSE(fs::exists(dir.Folder() + "../evil.htm"));
}

TEST_F(Publishing, APageShowsTheSlugAndTheStoryText) {
    Aliases("Web;output_filename=Pages/News.htm;replace_file");
    ASSERT_TRUE(Publish("vote.txt", Story("Council vote", "Add", "The council voted.\r\nTwice.")));
    EXPECT_EQ(test::ReadWholeFile(dir / "Pages/News.htm"),
              "<html><head><meta charset=\"windows-1252\"><title>Council vote</title></head>\r\n"
              "<body><h1>Council vote</h1>\r\nThe council voted.<BR>\r\nTwice.<BR>\r\n\r\n</body></html>\r\n");
    EXPECT_TRUE(Said("Transferring vote.txt to Web containing slug Council vote."));
}

// A counter that was lost starts again at 0; a number whose page is there
// already is passed over, never written over.
TEST_F(Publishing, AFreshNumberNeverNamesAnOldPage) {
    Aliases("Web;output_filename=Pages/News.htm");
    test::WriteWholeFile(dir / "Pages/00000_vote.htm", "old page");
    ASSERT_TRUE(Publish("vote.txt", Story("Vote", "Add", "Text.")));
    EXPECT_EQ(test::ReadWholeFile(dir / "Pages/00000_vote.htm"), "old page");
    EXPECT_TRUE(fs::exists(dir / "Pages/00001_vote.htm"));
    EXPECT_EQ(Counter(), 2u);
}

TEST_F(Publishing, DeleteRemovesAReplacedPageAndWritesNone) {
    Aliases("Web;output_filename=Pages/News.htm;replace_file");
    ASSERT_TRUE(Publish("vote.txt", Story("Vote", "Add", "Text.")));
    ASSERT_TRUE(fs::exists(dir / "Pages/News.htm"));
    ASSERT_TRUE(Publish("vote.txt", Story("Vote", "Delete", "Text.")));
    EXPECT_TRUE(Pages().empty());
}

// A template that is missing, or that stops the fill, leaves the page that
// was there as it was, and no work file; the story stays to be tried again.
TEST_F(Publishing, AFailedFillLeavesThePageAsItWas) {
    struct Case {
        std::string name;
        std::string templateText;  // empty: no template at all
    };
    const Case cases[] = {
        {"missing", ""},
        {"includes itself", "<!--Quillmark Begin Replace TextTemplate.htm TextLinkTemplate.htm -->\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Aliases("Web;output_filename=Pages/News.htm;replace_file");
        test::WriteWholeFile(dir / "Templates/TextTemplate.htm", kTemplate);
        ASSERT_TRUE(Publish("vote.txt", Story("Vote", "Add", "First.")));
        const std::string before = test::ReadWholeFile(dir / "Pages/News.htm");

        if (c.templateText.empty()) {
            fs::remove(dir / "Templates/TextTemplate.htm");
        } else {
            test::WriteWholeFile(dir / "Templates/TextTemplate.htm", c.templateText);
        }
        options.stories.putRetriesOnHold = false;
        EXPECT_FALSE(Publish("vote.txt", Story("Vote", "Add", "Second.")));
        EXPECT_EQ(test::ReadWholeFile(dir / "Pages/News.htm"), before);
        EXPECT_EQ(Pages(), std::vector<std::string>{"News.htm"});
        EXPECT_TRUE(fs::exists(dir / "in/vote.txt"));
        options.stories.putRetriesOnHold = true;
        fs::remove(dir / "in/vote.txt");
    }
}

// A file that a rebuilt region no longer links to goes once the new page is
// in place - and stays when the page cannot be written.
TEST_F(Publishing, FilesOfDroppedContentGoOnlyWithTheNewPage) {
    Aliases("Web;output_filename=Pages/News.htm;modify_file");
    test::WriteWholeFile(dir / "Templates/Region.htm", "<p><!--Quillmark Slug --></p>\r\n");
    const std::string region =
        "<!--Quillmark Begin Replace Region.htm TextLinkTemplate.htm -->\r\n[old.txt]\r\n<!--Quillmark End Replace -->\r\n";
    struct Case {
        std::string tail;  // after the region
        bool published;
    };
    const Case cases[] = {
        {"<!--Quillmark Begin Replace Missing.htm TextLinkTemplate.htm -->\r\n<!--Quillmark End Replace -->\r\n", false},
        {"</html>\r\n", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tail);
        test::WriteWholeFile(dir / "Pages/News.htm", "<html>\r\n" + region + c.tail);
        test::WriteWholeFile(dir / "Pages/old.txt", "linked");
        options.stories.putRetriesOnHold = false;
        EXPECT_EQ(Publish("vote.txt", Story("Vote", "Add", "Text.")), c.published);
        EXPECT_EQ(fs::exists(dir / "Pages/old.txt"), !c.published);
        const std::string page = test::ReadWholeFile(dir / "Pages/News.htm");
        EXPECT_EQ(page.find("<p>Vote</p>") != std::string::npos, c.published) << page;
        fs::remove(dir / "in/vote.txt");
    }
}

// The output folder is locked while the page is written, and let go after.
TEST_F(Publishing, TheStorageFolderIsLockedAndReleased) {
    route.m_bLockOutputFolders = true;
    Aliases("Web;output_filename=Pages/News.htm;modify_file");
    test::WriteWholeFile(dir / "Templates/News.htm", kTemplate);
    ASSERT_TRUE(Publish("vote.txt", Story("Vote", "Add", "Text.")));
    EXPECT_EQ(Pages(), std::vector<std::string>{"News.htm"});
}

// A story under an alias that asks for receipts by file: the receipt names
// the page, and a failed publication names the failure.
TEST_F(Publishing, TheTransmissionReceiptNamesThePage) {
    route.m_bProcessDatFiles = true;
    route.m_bProcessTxtFiles = false;
    fs::create_directories(dir / "Receipts");
    test::WriteWholeFile(dir / "Pressvane/ReceiptConfirmationList.dat", "17;" + dir.Folder() + "Receipts/;\r\n");
    Aliases("Web;output_filename=Pages/News.htm;replace_file;confirmation=file");
    test::WriteWholeFile(dir / "in/vote.txt", Story("Vote", "Add", "Text."));
    std::string descriptor;
    for (int line = 1; line <= 13; ++line) descriptor += (line == 3 ? "Vote" : line == 6 ? "Web" : line == 11 ? "17" : "x") + std::string("\r\n");
    ASSERT_TRUE(Publish("vote.dat", descriptor));
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir / "Receipts")) written.push_back(entry.path().filename().string());
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(written.front().rfind("-News.htm-Vote-Success-17-", 0), 0u) << written.front();
    const std::string text = test::ReadWholeFile(dir.Folder() + "Receipts/" + written.front());
    EXPECT_NE(text.find("Filename: " + dir.Folder() + "Pages/News.htm\r\n"), std::string::npos) << text;
}


// Stories of an alias that archives into a database: filed in the day
// folder that the database's table "Path" leads to, with one row each,
// written only once the publication has succeeded.  The database is read
// with the sqlite3 tool.
class ArchivedPublishing : public Publishing {
protected:
    ArchivedPublishing() {
        test::InstallMasterDatabase(workingFolder);
        fs::create_directories(dir / "Archive");
        clock.Set(std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(2026, 12, 9, 10, 15, 0)));
    }

    void ArchiveAliases(const std::string& options = "") {
        Aliases("Web;database=" + dir.Folder() + "Archive/news.mdb;output_file_extension=.htm" + options);
    }
    static std::string HeaderStory(const std::string& slug, const std::string& command) {
        return "TQ32_SCRIPT1\r\nFILESLUG:" + slug + "\r\nFILECATG:Local\r\nFILEWRIT:ed\r\n"
               "FILEDATE:12/08/2026 17:00:00\r\nFILETIME:Tue16:45:00\r\nFILECMD1:" + command +
               "\r\nThe council voted.\r\n";
    }
    std::string Rows(const std::string& sql) const { return test::SqliteRows(dir / "Archive/news.mdb", sql); }
    std::string DayFolder() const { return dir / "Archive/Files/2026/12/09"; }
    std::vector<std::string> DayPages() const {
        std::vector<std::string> names;
        if (!fs::is_directory(DayFolder())) return names;
        for (const auto& entry : fs::directory_iterator(DayFolder()))
            if (entry.path().filename() != "ID.dat") names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// The first story of a new database makes the month's row with the database
// folder's "Files", and its page goes to the day folder under it.
TEST_F(ArchivedPublishing, AStoryIsFiledInItsDayFolderWithItsRow) {
    ArchiveAliases();
    ASSERT_TRUE(Publish("vote.txt", HeaderStory("Council vote", "Add"))) << reporter.AllText();
    EXPECT_EQ(DayPages(), std::vector<std::string>{"00000_vote.htm"});
    EXPECT_EQ(Rows("SELECT \"YearAndMonthArchived\", \"Path\" FROM \"Path\""),
              "2026\\12|" + dir.Folder() + "Archive/Files/\n");
    EXPECT_EQ(Rows("SELECT \"TextID\", \"Slug\", \"Category\", \"Writer\", \"CreationDate\", \"CreationTime\", "
                   "\"TextFilename\", \"YearAndMonthArchived\", \"DayArchived\" FROM \"Text\""),
              "1|Council vote|Local|ed|2026-12-08|16:45:00|00000_vote.htm|2026\\12|09\n");
    EXPECT_TRUE(Said("No paths specified in the database. Defaulting to: DatabasePath\\Files."));
}

// The archive's index pages each list the day, in the folders made for
// them (they are updated before the story is named); the day's story index
// lists the story.
TEST_F(ArchivedPublishing, TheArchiveIndexPagesListTheDay) {
    route.m_bMakeSurePathsExist = true;
    const std::string index = "<ul>\r\n<!--Quillmark Add new links before this line -->\r\n</ul>\r\n";
    for (const char* kind : {"DBYear", "DBMonth", "StorageYear", "StorageMonth", "StorageDay", "Story"}) {
        test::WriteWholeFile(dir / ("Templates/" + std::string(kind) + "IndexTemplate.htm"), index);
        test::WriteWholeFile(dir / ("Templates/" + std::string(kind) + "IndexLinkTemplate.htm"),
                             "<li><!--Quillmark YearAndMonthArchived -->|<!--Quillmark DayArchived -->|"
                             "<!--Quillmark TextFilename --></li>\r\n");
    }
    ArchiveAliases();
    ASSERT_TRUE(Publish("vote.txt", HeaderStory("Council vote", "Add"))) << reporter.AllText();
    const auto listing = [](const std::string& line) {
        return "<ul>\r\n<li>" + line + "</li>\r\n<!--Quillmark Add new links before this line -->\r\n</ul>\r\n";
    };
    for (const char* page : {"Archive/Index.htm", "Archive/2026/Index.htm", "Archive/Files/Index.htm",
                             "Archive/Files/2026/Index.htm", "Archive/Files/2026/12/Index.htm"}) {
        SCOPED_TRACE(page);
        EXPECT_EQ(test::ReadWholeFile(dir / page), listing("2026\\12|09|"));
    }
    EXPECT_EQ(test::ReadWholeFile(dir / "Archive/Files/2026/12/09/Index.htm"), listing("2026\\12|09|00000_vote.htm"));
}

// A publication that fails - before its page is written, or after - leaves
// no row; the retry that succeeds writes its row once.
TEST_F(ArchivedPublishing, AFailedPublicationLeavesNoRowAndItsRetryWritesItOnce) {
    struct Case {
        std::string name;
        std::string options;
        std::function<void()> breakIt;
        std::function<void()> mendIt;
    };
    const Case cases[] = {
        {"a failed fill", "", [&] { fs::remove(dir / "Templates/TextTemplate.htm"); },
         [&] { test::WriteWholeFile(dir / "Templates/TextTemplate.htm", kTemplate); }},
        // The page is in place when the descriptor copy fails.
        {"a failed descriptor copy", ";copy_dat_file", [] {},
         [&] { test::WriteWholeFile(dir / "in/vote.dat", "descriptor\r\n"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(dir / "Archive");
        fs::create_directories(dir / "Archive");
        ArchiveAliases(c.options);
        c.breakIt();
        options.stories.putRetriesOnHold = false;
        EXPECT_FALSE(Publish("vote.txt", HeaderStory("Vote", "Add")));
        EXPECT_TRUE(fs::exists(dir / "in/vote.txt"));
        EXPECT_EQ(Rows("SELECT count(*) FROM \"Text\""), "0\n");

        c.mendIt();
        ASSERT_TRUE(Publish("vote.txt", HeaderStory("Vote", "Add"))) << reporter.AllText();
        EXPECT_EQ(Rows("SELECT count(*) FROM \"Text\""), "1\n");
        const std::string page = Rows("SELECT \"TextFilename\" FROM \"Text\"");
        EXPECT_TRUE(fs::exists(DayFolder() + "/" + page.substr(0, page.size() - 1))) << page;
        fs::remove(dir / "in/vote.dat");
    }
}

// A Delete removes the page and writes no row; the story's row stays.
TEST_F(ArchivedPublishing, DeleteRemovesThePageAndWritesNoRow) {
    ArchiveAliases(";unique_file;use_slug_for_filename");
    ASSERT_TRUE(Publish("vote.txt", HeaderStory("Vote", "Add"))) << reporter.AllText();
    EXPECT_EQ(DayPages(), std::vector<std::string>{"Vote.htm"});
    ASSERT_TRUE(Publish("vote.txt", HeaderStory("Vote", "Delete"))) << reporter.AllText();
    EXPECT_TRUE(DayPages().empty());
    EXPECT_EQ(Rows("SELECT \"TextID\", \"Slug\", \"TextFilename\" FROM \"Text\""), "1|Vote|Vote.htm\n");
}

// Quotes, semicolons and comment marks in a slug are stored as written.
TEST_F(ArchivedPublishing, AHostileSlugIsStoredAsWritten) {
    const std::string slug = "Mayor's \"plan\"; DROP TABLE \"Text\"; --";
    ArchiveAliases();
    ASSERT_TRUE(Publish("vote.txt", HeaderStory(slug, "Add"))) << reporter.AllText();
    EXPECT_EQ(Rows("SELECT \"Slug\" FROM \"Text\""), slug + "\n");
    EXPECT_EQ(Rows("SELECT count(*) FROM sqlite_schema WHERE type = 'table'"), "3\n");
}

// A page kept under modify_file: the first story fixes its "First:" line,
// every story rewrites the "Latest" region.
class KeptPage : public Publishing {
protected:
    KeptPage() {
        Aliases("Web;output_filename=Pages/News.htm;modify_file");
        test::WriteWholeFile(dir / "Templates/News.htm",
                             "<html>\r\n<p>First: <!--Quillmark Slug --></p>\r\n"
                             "<div><!--Quillmark Begin Replace Latest.htm x --></div>\r\n"
                             "<!--Quillmark End Replace -->\r\n</html>\r\n");
        test::WriteWholeFile(dir / "Templates/Latest.htm", "<h2><!--Quillmark Slug --></h2>\r\n");
    }
    bool PublishSlug(const std::string& slug) { return Publish("vote.txt", Story(slug, "Add", "Text.")); }
    std::string Page() const { return test::ReadWholeFile(dir / "Pages/News.htm"); }
    std::string Backup() const { return dir.Folder() + "Backups/IN0/Web/News.htm"; }
    bool Traced(const std::string& start) const {
        for (const std::string& line : reporter.TraceLines())
            if (line.rfind(start, 0) == 0) return true;
        return false;
    }
};

// The page removed by hand comes back from its backup before the next
// story is filled in, so it keeps what earlier stories put there.
TEST_F(KeptPage, AnOutputRemovedByHandIsRestoredFromItsBackup) {
    ASSERT_TRUE(PublishSlug("Vote one"));
    const std::string first = Page();
    EXPECT_FALSE(fs::exists(Backup()));  // there was nothing to back up yet
    ASSERT_TRUE(PublishSlug("Vote two"));
    EXPECT_EQ(test::ReadWholeFile(Backup()), first);
    EXPECT_EQ(test::ReadWholeFile(dir.Folder() + "Backups/IN0/Web/" + OutputRestoral::WeekdayName(clock.NowSeconds()) +
                                  "/News.htm"),
              first);
    EXPECT_NE(Page().find("<h2>Vote two</h2>"), std::string::npos) << Page();

    fs::remove(dir / "Pages/News.htm");
    reporter.Clear();
    ASSERT_TRUE(PublishSlug("Vote three"));
    EXPECT_NE(Page().find("<p>First: Vote one</p>"), std::string::npos) << Page();
    EXPECT_NE(Page().find("<h2>Vote three</h2>"), std::string::npos) << Page();
    EXPECT_TRUE(Traced("RESTORAL ATTEMPT: Alias: Web Slug: Vote three\nCopying the backup file " + Backup() +
                       "\n to the destination file " + dir.Folder() + "Pages/News.htm\n"));
    EXPECT_EQ(Pages(), std::vector<std::string>{"News.htm"});
}

// What a crash leaves beside a missing page: a finished work file is the
// page of the interrupted publication and is taken; a page cut short while
// it was written is not, and the backup is taken instead.
TEST_F(KeptPage, OnlyAFinishedWorkFileIsTakenForAMissingPage) {
    struct Row {
        const char* name;
        const char* leftOver;
        const char* firstLine;  // of the page after the next publication
    };
    const Row rows[] = {
        {"a finished work file", "News.htm.tmp", "<p>First: From the work file</p>"},
        {"a work file cut short", "News.htm.tmp.part", "<p>First: From the backup</p>"},
    };
    // Pages of at least the default minfilesize (100 bytes).
    const std::string head = "<html>\r\n<head><title>The kept page of the newsroom</title></head>\r\n";
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        fs::remove_all(dir / "Pages");
        fs::create_directories(dir / "Pages");
        fs::create_directories(dir / "Backups/IN0/Web");
        test::WriteWholeFile(Backup(), head + "<p>First: From the backup</p>\r\n</html>\r\n");
        test::WriteWholeFile(dir / ("Pages/" + std::string(row.leftOver)),
                             row.leftOver == std::string("News.htm.tmp")
                                 ? head + "<p>First: From the work file</p>\r\n</html>\r\n"
                                 : head + "<p>First: From the work file</p>\r\n<p>Seco");
        ASSERT_TRUE(PublishSlug("Vote"));
        EXPECT_NE(Page().find(row.firstLine), std::string::npos) << Page();
        EXPECT_EQ(Pages(), std::vector<std::string>{"News.htm"});
    }
}

// A freshly drawn number names a new page: a backup or a work file of that
// name from before is never taken for it, and nothing is backed up.
TEST_F(Publishing, AFreshNumberIsNeverTakenForAPageToRestore) {
    Aliases("Web;output_filename=Pages/News.htm");
    SetCounter(41);
    fs::create_directories(dir / "Backups/IN0/Web");
    test::WriteWholeFile(dir / "Backups/IN0/Web/00041_vote.htm", "old backup");
    test::WriteWholeFile(dir / "Pages/00041_vote.htm.tmp", "old work file of another page");
    ASSERT_TRUE(Publish("vote.txt", Story("Vote", "Add", "The council voted.")));
    EXPECT_EQ(Pages(), std::vector<std::string>{"00041_vote.htm"});
    EXPECT_NE(test::ReadWholeFile(dir / "Pages/00041_vote.htm").find("The council voted."), std::string::npos);
    EXPECT_EQ(test::ReadWholeFile(dir / "Backups/IN0/Web/00041_vote.htm"), "old backup");
    for (const std::string& line : reporter.TraceLines()) {
        EXPECT_NE(line.rfind("RESTORAL", 0), 0u) << line;
        EXPECT_NE(line.rfind("BACKUP", 0), 0u) << line;
    }
}

}  // namespace
}  // namespace pv
