// The safety net of a page that is rewritten: the restoral before the fill
// (its decision table, on real folders and on a real FTP server), the backup
// and the daily backups, the swap of the work file with the delayed-delete
// waits (on a server that lets go of a deleted page late), and the check
// after the publication.  Restoral mails go to a real SMTP server; waits go
// through the fake clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "notify/DebugReports.h"
#include "notify/MailSender.h"
#include "notify/WireMessages.h"
#include "publish/OutputRestoral.h"
#include "publish/OutputSwap.h"
#include "publish/StoryReports.h"
#include "support/FakeClock.h"
#include "support/FtpServers.h"
#include "support/RecordingReporter.h"
#include "support/ScopedTimeZone.h"
#include "support/SmtpServer.h"
#include "support/TempDir.h"
#include "transport/FileNames.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr int kMinFileSize = 20;
const std::string kPage = "<p>the page as it was</p>\r\n";
const std::string kWork = "<p>the page an interrupted run wrote</p>\r\n";
const std::string kBackup = "<p>the page before the last publication</p>\r\n";
const std::string kDefault = "<p>the alias's default page</p>\r\n";
const std::string kNewPage = "<p>the page this publication wrote</p>\r\n";
const std::string kTiny = "<p>\r\n";  // shorter than kMinFileSize

// Debug reports as "subject: message".
class RecordingMailer final : public Mailer {
public:
    std::string SendFileError(const std::string& subject, const std::string& message,
                              const std::vector<std::string>&) override {
        sent.push_back(subject + ": " + message);
        return {};
    }
    std::vector<std::string> sent;
};

// One publication of the page "News.htm" under the alias "Web" of route 3.
struct PagePublication {
    PagePublication(FileAccess& files, WireMessages& messages, Reporter& reporter, const Location& storage,
                    std::time_t started, const std::string& templateFolder)
        : openStory(files),
          submission{route, story, header, descriptor, Location(), Location(), openStory},
          state(RouteStoryState::From(route)),
          reports(messages, reporter, route, "Vote"),
          output(files),
          publication{submission, state, reports, output, values,
                      {storage, storage.Join("News.htm"), storage.Join("News.htm.tmp")}} {
        route.m_nRouteNumber = 3;
        story.work.alias = "Web";
        story.work.slug = "Vote";
        story.options.modifyFile = true;
        story.options.templateFolder = templateFolder;
        story.fileOptions.minFileSize = kMinFileSize;
        values.outputFilename = "News.htm";
        publication.started = started;
    }

    CDirOptions route;
    CFileData story;
    CTextFileHeader header;
    CDatFile descriptor;
    CFTPFile openStory;
    StorySubmission submission;
    RouteStoryState state;
    StoryReports reports;
    CFTPFile output;
    MacroValues values;
    Publication publication;
};

// Expected lines: "{output}", "{work}" and "{backup}" stand for the shown
// paths of the run; a line ending in "*" needs only to start with what is
// before the star (it is followed by a file error in the server's words).
void ExpectLines(const std::vector<std::string>& actual, std::vector<std::string> expected,
                 const std::map<std::string, std::string>& places, const std::string& what) {
    for (std::string& line : expected)
        for (const auto& [key, value] : places)
            for (size_t at = line.find(key); at != std::string::npos; at = line.find(key, at + value.size()))
                line.replace(at, key.size(), value);
    bool same = actual.size() == expected.size();
    for (size_t i = 0; same && i < actual.size(); ++i) {
        const std::string& want = expected[i];
        same = !want.empty() && want.back() == '*' ? actual[i].rfind(want.substr(0, want.size() - 1), 0) == 0
                                                   : actual[i] == want;
    }
    if (same) return;
    std::string text = what + " differ.\nActual:\n";
    for (const std::string& line : actual) text += "  [" + line + "]\n";
    text += "Expected:\n";
    for (const std::string& line : expected) text += "  [" + line + "]\n";
    ADD_FAILURE() << text;
}

class Restoral : public ::testing::Test {
protected:
    Restoral() {
        for (const char* folder : {"Pages", "Templates", "Debug"}) fs::create_directories(dir / folder);
        options.sendRestoralAttempts = true;
        options.restoralAttemptsEmailTo = "attempts@newsroom.test";
        options.sendRestoralFailures = true;
        options.restoralFailuresEmailTo = "failures@newsroom.test";
    }

    std::unique_ptr<OutputRestoral> Keeper() {
        return std::make_unique<OutputRestoral>(
            OutputRestoralContext{files, reporter, clock, debug, mail, swap, workingFolder}, options);
    }
    std::unique_ptr<PagePublication> Page(const Location& storage) {
        return std::make_unique<PagePublication>(files, messages, reporter, storage, clock.NowSeconds(),
                                                 dir.Folder() + "Templates/");
    }
    std::unique_ptr<PagePublication> LocalPage() { return Page(Location::Parse(dir.Folder() + "Pages/")); }
    void StartMailServer() {
        smtp = std::make_unique<test::SmtpServer>();
        mail = MailSender(MailSettings{"127.0.0.1:" + std::to_string(smtp->Port()), smtp->User(), smtp->Password(),
                                       "pressvane@newsroom.test"});
    }
    // The restoral mails since the first `from`, as "attempts: subject".
    std::vector<std::string> MailsSince(size_t from, size_t expected) const {
        smtp->WaitForMessages(from + expected, 10s);
        std::vector<std::string> mails;
        const auto messages = smtp->Messages();
        for (size_t i = from; i < messages.size(); ++i) {
            const std::string& to = messages[i].recipients.empty() ? "" : messages[i].recipients.front();
            mails.push_back(to.substr(0, to.find('@')) + ": " + messages[i].subject);
        }
        return mails;
    }
    std::vector<std::string> FatalTexts() const {
        std::vector<std::string> texts;
        for (const ProgressEvent& event : reporter.Events())
            if (const auto* fatal = std::get_if<FatalError>(&event)) texts.push_back(fatal->text);
        return texts;
    }
    std::vector<std::string> StatusLinesWith(const std::string& part) const {
        std::vector<std::string> lines;
        for (const std::string& line : reporter.StatusLines())
            if (line.find(part) != std::string::npos) lines.push_back(line);
        return lines;
    }
    std::vector<std::string> RestoralTraces() const {
        std::vector<std::string> lines;
        for (const std::string& line : reporter.TraceLines())
            if (line.starts_with("RESTORAL") || line.starts_with("BACKUP")) lines.push_back(line);
        return lines;
    }
    static std::set<std::string> Names(const fs::path& folder) {
        std::set<std::string> names;
        if (fs::exists(folder))
            for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
        return names;
    }
    static void Put(const fs::path& file, const std::string& text) {
        fs::create_directories(file.parent_path());
        test::WriteWholeFile(file.string(), text);
    }
    std::string BackupFolder() const { return dir / "Backups/IN3/Web"; }

    test::ScopedTimeZone zone{test::kEasternTime};
    test::TempDir dir;
    const std::string workingFolder = dir.Folder();
    test::FakeClock clock;  // Tuesday 12/9/2025 08:20 in the Eastern zone
    test::RecordingReporter reporter;
    FileAccess files{reporter, clock, FileAccessSettings{false, 0, 0, false, {}}};
    WireMessages messages{files, reporter, workingFolder};
    DebugFiles debugFiles{clock, workingFolder + "Debug/"};
    RecordingMailer debugMailer;
    DebugReports debug{debugFiles, &debugMailer};
    OutputSwap swap{files, reporter, clock, debug};
    StoryOptions options;
    std::unique_ptr<test::SmtpServer> smtp;
    MailSender mail;
};

// ---------------------------------------------------------------------------
// Before the fill: the decision table.

const std::string kWorkAttempt =
    "RESTORAL ATTEMPT: Alias: Web Slug: Vote\nCopying the temp file {work}\n to the destination file {output}\n";
const std::string kBackupAttempt =
    "RESTORAL ATTEMPT: Alias: Web Slug: Vote\nCopying the backup file {backup}\n to the destination file {output}\n";
// Over FTP there is no system error: the server's refusal is the file error.
const std::string kWorkFailed =
    "RESTORAL FAILED: \n Cannot copy the temp file {work}\n to the destination file {output}\n Therefore we will "
    "fail so we don't delete the temp file.\nError: Failed to Put file*";
const std::string kBackupFailed =
    "RESTORAL FAILED: Cannot copy the backup file {backup}\n to the destination file {output}\n Therefore we will "
    "fail so we don't delete the temp file.\n";
const std::string kNoPageFailed =
    "RESTORAL FAILED: Alias: Web Slug: Vote\nThe destination file {output} does not exist, and there is no temp "
    "or backup file either.\n Therefore we can't do anything but fail.\n";

const std::string kWorkFatal =
    "\n Cannot rename the temp file {work}\n to the destination {output}\n Therefore we will fail so we don't "
    "delete the temp file.\nError: Failed to Put file*";
const std::string kBackupFatal =
    "FATAL ERROR: The destination file {output} does not exist,\nand there is no temp or backup file either.\n"
    "Therefore we can't do anything but fail.\n";
const std::string kNoPageFatal =
    "The destination file {output} does not exist, and there is no temp or backup file either.\n Therefore we "
    "can't do anything but fail.\n";

const std::string kMissingDebug = "Output file doesn't exist: .";
const std::string kWorkFailedDebug =
    "Output file doesn't exist: The output file doesn't exist, the temp file does exist, but it can't be copied.\n"
    "Output file: {output}\nTemp file: {work}\nError: Failed to Put file*";
std::string BackupDebug(const char* success) {
    return "Output file doesn't exist: The output file didn't exist, the temp file didn't exist, the backup file "
           "did exist.\nOutput file: {output}\nBackup file: {backup}\nSuccess: " +
           std::string(success) + "\n";
}

struct RestoralRow {
    const char* name;
    // What is there before: nullptr for nothing.
    const std::string* page;
    const std::string* work;
    bool backups;  // "BackupOutputFiles"
    const std::string* backup;
    const std::string* defaultPage;
    bool refused;  // the storage folder takes no new files (FTP only)
    // What comes of it.
    bool ok;
    const std::string* pageAfter;
    std::vector<std::string> traces;
    std::vector<std::string> fatals;
    std::vector<std::string> mails;
    std::vector<std::string> debugReports;
};

const std::vector<RestoralRow>& RestoralRows() {
    static const std::vector<RestoralRow> rows = {
        {"the page is there", &kPage, &kWork, true, &kBackup, &kDefault, false,
         true, &kPage, {}, {}, {}, {}},
        {"a page shorter than minfilesize counts as missing: the work file replaces it", &kTiny, &kWork, true,
         &kBackup, &kDefault, false,
         true, &kWork, {kWorkAttempt}, {},
         {"attempts: Pvane is trying to restore from the temp file 12/9/2025 08:20"}, {kMissingDebug}},
        {"the work file of an interrupted run comes before the backup", nullptr, &kWork, true, &kBackup, &kDefault,
         false,
         true, &kWork, {kWorkAttempt}, {},
         {"attempts: Pvane is trying to restore from the temp file 12/9/2025 08:20"}, {kMissingDebug}},
        {"a work file shorter than minfilesize is passed over for the backup", nullptr, &kTiny, true, &kBackup,
         &kDefault, false,
         true, &kBackup, {kBackupAttempt}, {},
         {"attempts: Pvane is trying to restore from the backup file 12/9/2025 08:20"},
         {kMissingDebug, BackupDebug("Passed")}},
        {"the backup", nullptr, nullptr, true, &kBackup, &kDefault, false,
         true, &kBackup, {kBackupAttempt}, {},
         {"attempts: Pvane is trying to restore from the backup file 12/9/2025 08:20"},
         {kMissingDebug, BackupDebug("Passed")}},
        {"a first publication has nothing to restore, and no default page is taken", nullptr, nullptr, true,
         nullptr, &kDefault, false,
         true, nullptr, {kBackupAttempt}, {},
         {"attempts: Pvane is trying to restore from the backup file 12/9/2025 08:20"},
         {kMissingDebug, BackupDebug("Passed")}},
        {"without backups the default page starts the page anew", nullptr, nullptr, false, &kBackup, &kDefault,
         false,
         true, &kDefault, {}, {}, {}, {kMissingDebug}},
        {"without backups and without a default page the story fails", nullptr, nullptr, false, &kBackup, nullptr,
         false,
         false, nullptr, {kNoPageFailed}, {kNoPageFatal},
         {"failures: Lorvex failed to restore file 12//9//2025 08:20"}, {kMissingDebug}},
        {"a work file that cannot be copied fails the story and stays", nullptr, &kWork, true, &kBackup,
         &kDefault, true,
         false, nullptr, {kWorkAttempt, kWorkFailed}, {kWorkFatal},
         {"attempts: Pvane is trying to restore from the temp file 12/9/2025 08:20",
          "failures: Pvane failed to restore from the temp file 12/9/2025 08:20"},
         {kMissingDebug, kWorkFailedDebug}},
        {"a backup that cannot be copied fails the story", nullptr, nullptr, true, &kBackup, &kDefault, true,
         false, nullptr, {kBackupAttempt, kBackupFailed}, {kBackupFatal},
         {"attempts: Pvane is trying to restore from the backup file 12/9/2025 08:20",
          "failures: Pvane failed to restore from the temp file 12/9/2025 08:20"},
         {kMissingDebug, BackupDebug("Failed")}},
        {"a default page that cannot be copied fails the story", nullptr, nullptr, false, nullptr, &kDefault, true,
         false, nullptr, {kNoPageFailed}, {kNoPageFatal},
         {"failures: Lorvex failed to restore file 12//9//2025 08:20"}, {kMissingDebug}},
    };
    return rows;
}

class RestoralTable : public Restoral {
protected:
    // Runs every row against storage folders reached through `folderOf`
    // (the open one, or one that refuses new files), whose host folders are
    // hostOf.
    void RunTable(bool withRefusals, const std::function<Location(bool refused)>& folderOf,
                  const std::function<fs::path(bool refused)>& hostOf) {
        for (const RestoralRow& row : RestoralRows()) {
            if (row.refused && !withRefusals) continue;
            SCOPED_TRACE(row.name);
            const fs::path host = hostOf(row.refused);
            for (const fs::path& folder : {host, fs::path(dir / "Backups"), fs::path(dir / "Templates")}) {
                fs::remove_all(folder);
                fs::create_directories(folder);
            }
            if (row.page) Put(host / "News.htm", *row.page);
            if (row.work) Put(host / "News.htm.tmp", *row.work);
            if (row.backup) Put(BackupFolder() + "/News.htm", *row.backup);
            if (row.defaultPage) Put(dir / "Templates/News.htm", *row.defaultPage);
            reporter.Clear();
            debugMailer.sent.clear();
            const size_t mailsBefore = smtp->Messages().size();

            options.backupOutputFiles = row.backups;
            auto keeper = Keeper();
            auto page = Page(folderOf(row.refused));
            const Status restored = keeper->RestoreBeforeWrite(page->publication);

            EXPECT_EQ(restored.ok(), row.ok) << restored.message();
            if (row.pageAfter) {
                EXPECT_EQ(test::ReadWholeFile((host / "News.htm").string()), *row.pageAfter);
            } else {
                EXPECT_FALSE(fs::exists(host / "News.htm"));
            }
            // The work file is only ever copied; nothing else is left behind.
            if (row.work) {
                EXPECT_EQ(test::ReadWholeFile((host / "News.htm.tmp").string()), *row.work);
            }
            std::set<std::string> expectedNames;
            if (row.pageAfter) expectedNames.insert("News.htm");
            if (row.work) expectedNames.insert("News.htm.tmp");
            EXPECT_EQ(Names(host), expectedNames);
            const std::set<std::string> backups =
                row.backup ? std::set<std::string>{"News.htm", "Tuesday"} : std::set<std::string>{"Tuesday"};
            EXPECT_EQ(Names(BackupFolder()), backups);
            if (row.backup) {
                EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/News.htm"), *row.backup);
            }

            const std::map<std::string, std::string> places = {
                {"{output}", page->publication.paths.output.Display()},
                {"{work}", page->publication.paths.work.Display()},
                {"{backup}", dir.Folder() + "Backups/IN3/Web/News.htm"}};
            ExpectLines(RestoralTraces(), row.traces, places, "Trace lines");
            ExpectLines(FatalTexts(), row.fatals, places, "Fatal reports");
            ExpectLines(MailsSince(mailsBefore, row.mails.size()), row.mails, places, "Restoral mails");
            ExpectLines(debugMailer.sent, row.debugReports, places, "Debug reports");
        }
    }
};

TEST_F(RestoralTable, OnLocalFolders) {
    StartMailServer();
    RunTable(false, [&](bool) { return Location::Parse(dir.Folder() + "Pages/"); },
             [&](bool) { return fs::path(dir / "Pages"); });
}

// The storage folder on a server; the refusing one lists and reads, but
// takes no file.  Backups and the default page stay on this host.
TEST_F(RestoralTable, OnAnFtpServer) {
    StartMailServer();
    test::PyFtpServer::Options serverOptions;
    serverOptions.folderPermissions = {{"Locked", "elr"}};
    test::PyFtpServer server(serverOptions);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/";
    const std::string logon = "|" + server.User() + "|" + server.Password() + "|";
    RunTable(
        true, [&](bool refused) { return Location::Parse(url + (refused ? "Locked/" : "Pages/") + logon); },
        [&](bool refused) { return server.Root() / (refused ? "Locked" : "Pages"); });
}

TEST_F(Restoral, RestoralMailsSayWhatWasTriedForWhichStory) {
    StartMailServer();
    options.backupOutputFiles = false;
    auto keeper = Keeper();
    auto page = LocalPage();
    Put(dir / "Pages/News.htm.tmp", kWork);
    ASSERT_TRUE(keeper->RestoreBeforeWrite(page->publication).ok());
    fs::remove(dir / "Pages/News.htm");
    fs::remove(dir / "Pages/News.htm.tmp");
    EXPECT_FALSE(keeper->RestoreBeforeWrite(page->publication).ok());

    ASSERT_TRUE(smtp->WaitForMessages(2, 10s));
    const auto mails = smtp->Messages();
    ASSERT_EQ(mails.size(), 2u);
    const std::string output = dir.Folder() + "Pages/News.htm";
    auto lines = [](std::string text) {
        text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
        return text;
    };
    EXPECT_EQ(mails[0].recipients, std::vector<std::string>{"attempts@newsroom.test"});
    EXPECT_EQ(lines(mails[0].text),
              "Alias: Web\nSlug: Vote\nOutput File: " + output + "\nTemp Filename: " + output + ".tmp\n");
    EXPECT_EQ(mails[1].recipients, std::vector<std::string>{"failures@newsroom.test"});
    EXPECT_EQ(lines(mails[1].text), "Alias: Web\nSlug: Vote\nOutput File: " + output +
                                        "\nThere is no temp file and no backup file. Therefore ee must abort the "
                                        "publish.\n");
}

// Mails go out only for what the settings switch on.
TEST_F(Restoral, RestoralMailsFollowTheirSettings) {
    StartMailServer();
    options.sendRestoralAttempts = false;
    options.backupOutputFiles = false;
    auto keeper = Keeper();
    auto page = LocalPage();
    Put(dir / "Pages/News.htm.tmp", kWork);
    ASSERT_TRUE(keeper->RestoreBeforeWrite(page->publication).ok());
    fs::remove(dir / "Pages/News.htm");
    fs::remove(dir / "Pages/News.htm.tmp");
    options.sendRestoralAttempts = true;
    options.sendRestoralFailures = false;
    EXPECT_FALSE(Keeper()->RestoreBeforeWrite(page->publication).ok());
    EXPECT_FALSE(smtp->WaitForMessages(1, 300ms));
    // The trace lines and the fatal report do not depend on them.
    EXPECT_EQ(RestoralTraces().size(), 2u);
    EXPECT_EQ(FatalTexts().size(), 1u);
}

// ---------------------------------------------------------------------------
// Backups

TEST_F(Restoral, TheBackupAndTheDailyBackupHoldThePageAsItWas) {
    auto keeper = Keeper();
    auto page = LocalPage();
    Put(dir / "Pages/News.htm", kPage);
    keeper->BackupOutput(page->publication);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/News.htm"), kPage);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/Tuesday/News.htm"), kPage);
    EXPECT_EQ(RestoralTraces(), std::vector<std::string>{"BACKUP ATTEMPT: m_bBackupOutputFiles: Yes bOutputFileExists: Yes\n"});

    // The next publication, a day later, replaces the backup and starts
    // Wednesday's; Tuesday's stays until next Tuesday.
    Put(dir / "Pages/News.htm", kNewPage);
    page->publication.started += 24 * 3600;
    keeper->BackupOutput(page->publication);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/News.htm"), kNewPage);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/Tuesday/News.htm"), kPage);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/Wednesday/News.htm"), kNewPage);
    EXPECT_EQ(Names(BackupFolder()), (std::set<std::string>{"News.htm", "Tuesday", "Wednesday"}));
    EXPECT_EQ(Names(BackupFolder() + "/Tuesday"), std::set<std::string>{"News.htm"});
    EXPECT_TRUE(StatusLinesWith("Non-fatal error").empty());
}

// The daily backup is filed under the weekday the publication started on,
// in the host's zone, even when the copy is made after midnight.
TEST_F(Restoral, TheDailyBackupIsFiledUnderTheWeekdayThePublicationStarted) {
    const std::time_t sunday = platform::Clock::MakeLocalTime(2025, 12, 7, 12, 0, 0);
    const struct {
        std::time_t started;
        std::time_t now;
        const char* weekday;
    } rows[] = {
        {sunday, sunday, "Sunday"},
        {sunday + 1 * 86400, sunday + 1 * 86400, "Monday"},
        {sunday + 2 * 86400, sunday + 2 * 86400, "Tuesday"},
        {sunday + 3 * 86400, sunday + 3 * 86400, "Wednesday"},
        {sunday + 4 * 86400, sunday + 4 * 86400, "Thursday"},
        {sunday + 5 * 86400, sunday + 5 * 86400, "Friday"},
        {sunday + 6 * 86400, sunday + 6 * 86400, "Saturday"},
        {platform::Clock::MakeLocalTime(2025, 12, 16, 23, 59, 50), platform::Clock::MakeLocalTime(2025, 12, 17, 0, 0, 10),
         "Tuesday"},
    };
    auto keeper = Keeper();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.weekday);
        clock.Set(std::chrono::system_clock::from_time_t(row.now));
        auto page = LocalPage();
        page->publication.started = row.started;
        const std::string text = "<p>page before the publication of " + std::to_string(row.started) + "</p>\r\n";
        Put(dir / "Pages/News.htm", text);
        fs::remove_all(BackupFolder() + "/" + row.weekday);
        keeper->BackupOutput(page->publication);
        EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/" + row.weekday + "/News.htm"), text);
        EXPECT_EQ(keeper->BackupsOf(page->publication).daily.Display(),
                  dir.Folder() + "Backups/IN3/Web/" + row.weekday + "/");
    }
    EXPECT_EQ(Names(BackupFolder()), (std::set<std::string>{"News.htm", "Sunday", "Monday", "Tuesday", "Wednesday",
                                                            "Thursday", "Friday", "Saturday"}));
}

TEST_F(Restoral, TheBackupFolderIsTheAliasBackuppathOrOneOfTheRouteAndAlias) {
    struct Row {
        const char* name;
        std::string backupPath;
        std::string alias;
        std::string expectedFolder;
    };
    std::string hostile = "..\\..\\Web/x";
    MakeValidFilename(hostile, false);
    const Row rows[] = {
        {"route and alias", "", "Web", dir.Folder() + "Backups/IN3/Web/"},
        {"a backuppath", dir.Folder() + "Saved/", "Web", dir.Folder() + "Saved/"},
        {"a relative backuppath hangs off the working folder", "Kept\\Pages\\", "Web", dir.Folder() + "Kept/Pages/"},
        // An alias name with path characters stays one folder under the route's.
        {"an alias name with path characters", "", "..\\..\\Web/x", dir.Folder() + "Backups/IN3/" + hostile + "/"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto keeper = Keeper();
        auto page = LocalPage();
        page->story.options.backupPath = row.backupPath;
        page->story.work.alias = row.alias;
        Put(dir / "Pages/News.htm", kPage);
        keeper->BackupOutput(page->publication);
        EXPECT_EQ(test::ReadWholeFile(row.expectedFolder + "News.htm"), kPage);
        EXPECT_EQ(test::ReadWholeFile(row.expectedFolder + "Tuesday/News.htm"), kPage);
    }
    EXPECT_EQ(hostile.find_first_of("/\\"), std::string::npos);
    EXPECT_EQ(Names(dir / "Backups/IN3"), (std::set<std::string>{"Web", hostile}));
    EXPECT_EQ(Names(dir.Path().parent_path()).count("Web"), 0u);
}

// A page on a server is fetched under a hidden name and put in place only
// whole: a download that fails leaves the earlier backup as it was.
TEST_F(Restoral, ABackupThatCannotBeFetchedLeavesTheEarlierBackup) {
    test::PyFtpServer::Options serverOptions;
    serverOptions.folderPermissions = {{"Unreadable", "el"}};
    test::PyFtpServer server(serverOptions);
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/";
    const std::string logon = "|" + server.User() + "|" + server.Password() + "|";
    auto keeper = Keeper();

    Put(server.Root() / "Pages/News.htm", kPage);
    auto page = Page(Location::Parse(url + "Pages/" + logon));
    keeper->BackupOutput(page->publication);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/News.htm"), kPage);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/Tuesday/News.htm"), kPage);

    Put(server.Root() / "Unreadable/News.htm", kNewPage);
    auto unreadable = Page(Location::Parse(url + "Unreadable/" + logon));
    keeper->BackupOutput(unreadable->publication);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/News.htm"), kPage);
    EXPECT_EQ(test::ReadWholeFile(BackupFolder() + "/Tuesday/News.htm"), kPage);
    EXPECT_EQ(Names(BackupFolder()), (std::set<std::string>{"News.htm", "Tuesday"}));
    EXPECT_EQ(Names(BackupFolder() + "/Tuesday"), std::set<std::string>{"News.htm"});
    const std::vector<std::string> failures = StatusLinesWith("Non-fatal error");
    ASSERT_EQ(failures.size(), 2u);
    EXPECT_NE(failures[0].find("\n Non-fatal error. We could not backup destination file " + url +
                               "Unreadable/News.htm.\n We will continue without backing it up.\nError: "),
              std::string::npos)
        << failures[0];
    EXPECT_TRUE(FatalTexts().empty());
}

// ---------------------------------------------------------------------------
// The swap of the work file into place

TEST_F(Restoral, OnThisHostTheWorkFileIsRenamedOverThePage) {
    auto keeper = Keeper();
    auto page = LocalPage();
    Put(dir / "Pages/News.htm", kPage);
    Put(dir / "Pages/News.htm.tmp", kNewPage);
    ASSERT_TRUE(keeper->ReplaceOutput(page->publication).ok());
    EXPECT_EQ(test::ReadWholeFile(dir / "Pages/News.htm"), kNewPage);
    EXPECT_EQ(Names(dir / "Pages"), std::set<std::string>{"News.htm"});
    EXPECT_EQ(clock.Sleeps(), 0);
    EXPECT_TRUE(StatusLinesWith("Delayed delete. Waiting").empty());
}

// A server that answers a deletion at once but lets go of the file late:
// the page is waited for, 1, 5, 10, 20 and 40 seconds, before the work file
// takes its name.
class DelayedDelete : public Restoral {
protected:
    DelayedDelete() : server(LingeringPages()) {
        Put(server.Root() / "Pages/News.htm", kPage);
        Put(server.Root() / "Pages/News.htm.tmp", kNewPage);
        page = Page(Location::Parse("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/Pages/|" + server.User() +
                                    "|" + server.Password() + "|"));
    }
    static test::PyFtpServer::Options LingeringPages() {
        test::PyFtpServer::Options lingering;
        lingering.lingeringNames = {"News.htm"};
        return lingering;
    }
    // The page goes for good after the given number of waits.
    void GoneAfterWaits(int waits) {
        clock.OnSleep([this, waits](int) {
            if (static_cast<int>(StatusLinesWith("Delayed delete. Waiting").size()) == waits)
                fs::remove(server.Root() / "Pages/News.htm");
        });
    }
    std::chrono::seconds Waited() const {
        return std::chrono::duration_cast<std::chrono::seconds>(clock.Steady().time_since_epoch());
    }

    test::PyFtpServer server;
    std::unique_ptr<PagePublication> page;
};

TEST_F(DelayedDelete, APageThatGoesAfterTheSecondWaitIsReplaced) {
    GoneAfterWaits(2);
    ASSERT_TRUE(Keeper()->ReplaceOutput(page->publication).ok());
    EXPECT_EQ(StatusLinesWith("Delayed delete. Waiting"),
              (std::vector<std::string>{"Delayed delete. Waiting 1 second.", "Delayed delete. Waiting 5 seconds."}));
    EXPECT_EQ(Waited(), 6s);
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "Pages/News.htm").string()), kNewPage);
    EXPECT_EQ(Names(server.Root() / "Pages"), std::set<std::string>{"News.htm"});
    EXPECT_TRUE(FatalTexts().empty());
}

TEST_F(DelayedDelete, APageThatNeverGoesIsGivenUpAndTheWorkFileDeleted) {
    const Status replaced = Keeper()->ReplaceOutput(page->publication);
    EXPECT_FALSE(replaced.ok());
    EXPECT_EQ(StatusLinesWith("Delayed delete. Waiting"),
              (std::vector<std::string>{"Delayed delete. Waiting 1 second.", "Delayed delete. Waiting 5 seconds.",
                                        "Delayed delete. Waiting 10 seconds.", "Delayed delete. Waiting 20 seconds.",
                                        "Delayed delete. Waiting 40 seconds."}));
    EXPECT_EQ(Waited(), 76s);
    EXPECT_EQ(FatalTexts(), std::vector<std::string>{"Delayed delete. Cannot delete the original file. Giving up.\n"});
    EXPECT_EQ(debugMailer.sent, std::vector<std::string>{"Delayed delete failure: Can't delete the original file. "
                                                         "Delayed delete failure.\nOutput file: " +
                                                         page->publication.paths.output.Display() + "\n"});
    EXPECT_EQ(Names(server.Root() / "Pages"), std::set<std::string>{"News.htm"});
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "Pages/News.htm").string()), kPage);
}

// A page the server will not delete stays; so does everything else.
TEST_F(Restoral, APageTheServerWillNotDeleteIsKept) {
    test::PyFtpServer::Options serverOptions;
    serverOptions.folderPermissions = {{"Locked", "elr"}};
    test::PyFtpServer server(serverOptions);
    Put(server.Root() / "Locked/News.htm", kPage);
    Put(server.Root() / "Locked/News.htm.tmp", kNewPage);
    auto page = Page(Location::Parse("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/Locked/|" +
                                     server.User() + "|" + server.Password() + "|"));
    EXPECT_FALSE(Keeper()->ReplaceOutput(page->publication).ok());
    EXPECT_EQ(FatalTexts(), std::vector<std::string>{"Cannot delete the original file.\n"});
    EXPECT_EQ(debugMailer.sent, std::vector<std::string>{"Can't delete file: Can't delete the original file.\nOutput file: " +
                                                         page->publication.paths.output.Display() + "\n"});
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "Locked/News.htm").string()), kPage);
    EXPECT_EQ(clock.Sleeps(), 0);
}

// A work file the server will not rename stays behind; the check after the
// publication tries to restore the page from it, and reports when it cannot.
TEST_F(Restoral, AWorkFileThatCannotBeRenamedStaysAndIsReportedAfterThePublication) {
    StartMailServer();
    test::PyFtpServer::Options serverOptions;
    serverOptions.folderPermissions = {{"NoRename", "elrd"}};
    test::PyFtpServer server(serverOptions);
    Put(server.Root() / "NoRename/News.htm", kPage);
    Put(server.Root() / "NoRename/News.htm.tmp", kNewPage);
    auto page = Page(Location::Parse("ftp://127.0.0.1:" + std::to_string(server.Port()) + "/NoRename/|" +
                                     server.User() + "|" + server.Password() + "|"));
    auto keeper = Keeper();
    EXPECT_FALSE(keeper->ReplaceOutput(page->publication).ok());
    EXPECT_EQ(FatalTexts(),
              std::vector<std::string>{"Cannot rename temp file to original file,\nLeaving temp file behind.\n"});
    EXPECT_EQ(Names(server.Root() / "NoRename"), std::set<std::string>{"News.htm.tmp"});

    reporter.Clear();
    keeper->CheckAfterPublish(page->publication);
    const std::map<std::string, std::string> places = {{"{output}", page->publication.paths.output.Display()},
                                                       {"{work}", page->publication.paths.work.Display()}};
    ExpectLines(RestoralTraces(), {kWorkAttempt, kWorkFailed}, places, "Trace lines");
    ExpectLines(FatalTexts(), {kWorkFatal}, places, "Fatal reports");
    ExpectLines(MailsSince(0, 2),
                {"attempts: Lorvex is trying to restore from the temp file 12/9/2025 08:20",
                 "failures: Lorvex failed to restore from the temp file 12/9/2025 08:20"},
                places, "Restoral mails");
    EXPECT_EQ(test::ReadWholeFile((server.Root() / "NoRename/News.htm.tmp").string()), kNewPage);
}

// ---------------------------------------------------------------------------
// After the publication

TEST_F(Restoral, AfterThePublicationAMissingPageIsRestoredOnceMore) {
    StartMailServer();
    struct Row {
        const char* name;
        const std::string* page;
        const std::string* work;
        bool backups;
        const std::string* backup;
        const std::string* pageAfter;
        std::vector<std::string> traces;
        std::vector<std::string> fatals;
        std::vector<std::string> mails;
    };
    const Row rows[] = {
        {"the page is there", &kPage, &kWork, true, &kBackup, &kPage, {}, {}, {}},
        {"from the work file", nullptr, &kWork, true, &kBackup, &kWork, {kWorkAttempt}, {},
         {"attempts: Lorvex is trying to restore from the temp file 12/9/2025 08:20"}},
        {"from the backup", nullptr, nullptr, true, &kBackup, &kBackup, {kBackupAttempt}, {},
         {"attempts: Lorvex is trying to restore from the backup file 12/9/2025 08:20"}},
        {"a missing backup is a failure here", nullptr, nullptr, true, nullptr, nullptr,
         {kBackupAttempt, kBackupFailed}, {kBackupFatal},
         {"attempts: Lorvex is trying to restore from the backup file 12/9/2025 08:20",
          "failures: Pressvane failed to restore from the temp file 12/9/2025 08:20"}},
        {"without backups nothing is taken, not even the default page", nullptr, nullptr, false, &kBackup, nullptr,
         {kNoPageFailed}, {kNoPageFatal}, {"failures: Lorvex failed to restore file 12//9//2025 08:20"}},
    };
    Put(dir / "Templates/News.htm", kDefault);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        for (const fs::path& folder : {fs::path(dir / "Pages"), fs::path(dir / "Backups")}) {
            fs::remove_all(folder);
            fs::create_directories(folder);
        }
        if (row.page) Put(dir / "Pages/News.htm", *row.page);
        if (row.work) Put(dir / "Pages/News.htm.tmp", *row.work);
        if (row.backup) Put(BackupFolder() + "/News.htm", *row.backup);
        reporter.Clear();
        debugMailer.sent.clear();
        const size_t mailsBefore = smtp->Messages().size();
        options.backupOutputFiles = row.backups;
        auto page = LocalPage();
        Keeper()->CheckAfterPublish(page->publication);

        if (row.pageAfter) {
            EXPECT_EQ(test::ReadWholeFile(dir / "Pages/News.htm"), *row.pageAfter);
        } else {
            EXPECT_FALSE(fs::exists(dir / "Pages/News.htm"));
        }
        EXPECT_TRUE(fs::is_directory(BackupFolder() + "/Tuesday"));
        const std::map<std::string, std::string> places = {{"{output}", dir.Folder() + "Pages/News.htm"},
                                                           {"{work}", dir.Folder() + "Pages/News.htm.tmp"},
                                                           {"{backup}", dir.Folder() + "Backups/IN3/Web/News.htm"}};
        ExpectLines(RestoralTraces(), row.traces, places, "Trace lines");
        ExpectLines(FatalTexts(), row.fatals, places, "Fatal reports");
        ExpectLines(MailsSince(mailsBefore, row.mails.size()), row.mails, places, "Restoral mails");
        EXPECT_TRUE(debugMailer.sent.empty());
    }
}

}  // namespace
}  // namespace pv
