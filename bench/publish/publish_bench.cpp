// publish_bench: the timed parts of bench/publish/run.
//
//   publish_bench pass WORKING-FOLDER
//       Reads the working folder's settings as the service does, builds the
//       service's work (RelayService) and hands every story waiting in the
//       input folder of each publishing route to its publishing half, in the
//       order the scan would, timing each story apart.  Prints one line per
//       story: "story <wall ms> <cpu ms> <file name>" (cpu: user + system
//       time of the process), and fails when a story
//       is not published.  What is not timed: the process start, the
//       settings, the listing of the input folder, and the status log's
//       writing (a timer thread's work in the service).
//
//   publish_bench rows DATABASE COUNT rows|stories
//       Writes COUNT publications (one "Text" row and one "Audio" row each)
//       into DATABASE (an archive database with the month's "Path" row)
//       through our archive store and prints the seconds taken.  rows: one
//       connection, one transaction per publication; stories: as the
//       publishing half does it for every story - open the database, find
//       the month's storage folder, store the rows, close.
//
//   publish_bench rows-sql DATABASE COUNT rows|stories
//       Prints the script that makes the sqlite3 command-line tool do the
//       same work with the same values, in the same journal and sync modes.
#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "app/RelayService.h"
#include "app/SettingsLoader.h"
#include "config/Ini.h"
#include "notify/ProgressHub.h"
#include "notify/ServiceReporter.h"
#include "notify/StatusBoard.h"
#include "notify/TraceLog.h"
#include "platform/Clock.h"
#include "platform/FileSystem.h"
#include "platform/HostEnvironment.h"
#include "platform/InFlightRecord.h"
#include "publish/SqliteArchiveStore.h"
#include "relay/MonitorState.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {
namespace {

using Steady = std::chrono::steady_clock;

double MillisecondsSince(Steady::time_point start) {
    return std::chrono::duration<double, std::milli>(Steady::now() - start).count();
}

// User + system time of the process so far, in milliseconds.
double CpuMilliseconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1000 + static_cast<double>(now.tv_nsec) / 1e6;
}

[[noreturn]] void Die(const std::string& text) {
    std::cerr << "publish_bench: " << text << "\n";
    std::exit(1);
}

// --- pass ------------------------------------------------------------------------

// The stories a scan of the route's input folder takes, in its order.
std::vector<tagFileInfo> WaitingStories(FileAccess& files, const CDirOptions& route, PublishOrder order,
                                        std::time_t scanStart) {
    std::vector<tagFileInfo> stories;
    CFTPFile lister(files);
    std::string name;
    const char* pattern = route.m_bProcessDatFiles ? "*.dat" : "*.txt";
    const int handle = lister.FindFirst(route.m_inDir, pattern, name);
    if (handle < 0 && !lister.ErrorText().empty()) Die("cannot list " + route.m_inDir.Display());
    while (!name.empty()) {
        const std::time_t when = lister.GetFindFileTime(handle);
        if (when <= scanStart && !IsHiddenCopyName(name))
            stories.push_back({name, static_cast<uint64_t>(std::max<int64_t>(0, lister.GetFindFileSize(handle))), when});
        name = lister.FindNext(handle);
    }
    lister.FindClose(handle);
    if (order == PublishOrder::oldestFirst)
        std::stable_sort(stories.begin(), stories.end(), [](const auto& a, const auto& b) { return a.time < b.time; });
    else if (order == PublishOrder::newestFirst)
        std::stable_sort(stories.begin(), stories.end(), [](const auto& a, const auto& b) { return a.time > b.time; });
    return stories;
}

int Pass(std::string workingFolder) {
    if (!workingFolder.ends_with('/')) workingFolder += '/';
    platform::Clock& clock = platform::DefaultClock();
    // As the service object sets itself up (CPressvaneDlg): the host
    // environment, the status lines and logs, the settings in their three
    // rounds, then the service's work.
    platform::HostEnvironment environment;
    platform::ScopedHostEnvironment installed(environment);
    StartupOptions startup;
    startup.workingFolder = workingFolder;
    startup.once = startup.easyExit = true;
    TraceLog trace(clock);
    ProgressHub progress(clock);
    StatusBoard status(clock, trace);
    ServiceReporter reporter(progress, trace);
    progress.AddObserver(status);
    CIni ini;
    ServiceOptions options;
    RouteList routes;
    SettingsLoader loader(startup, ini, reporter);
    loader.ReadStartupKeys(options);
    environment.SetPathMap(options.hostPaths);
    loader.ReadMainKeys(options, routes);
    trace.Configure(options.status.traceLogFilename, options.status.traceFtpFile, options.status.traceFtpClient);
    const std::string logFolder = JoinPath(workingFolder, "Pressvane\\INLOG\\");
    platform::MakeDirs(logFolder);
    status.ConfigureStatusLog(options.status.statusLog, logFolder);
    loader.ReadLaterKeys(options);
    platform::InFlightRecord inFlight;
    inFlight.Open(JoinPath(workingFolder, "Pressvane\\InFlight.dat"));
    MonitorState state;
    RelayService service(options, RelayContext{workingFolder, reporter, trace, clock, state, routes,
                                               inFlight.IsOpen() ? &inFlight : nullptr});

    int failed = 0;
    Steady::time_point lastRefresh = Steady::now();
    for (const auto& route : routes) {
        if (!route->m_bProcessDatFiles && !route->m_bProcessTxtFiles) continue;
        for (const tagFileInfo& story : WaitingStories(service.Files(), *route, options.relay.publishOrder,
                                                       clock.NowSeconds())) {
            const double cpu = CpuMilliseconds();
            const Steady::time_point start = Steady::now();
            const StoryOutcome outcome = service.Publishing().Handle(*route, story);
            const double ms = MillisecondsSince(start);
            std::printf("story %.3f %.3f %s\n", ms, CpuMilliseconds() - cpu, story.name.c_str());
            if (!outcome.published) {
                std::fprintf(stderr, "publish_bench: %s was not published\n", story.name.c_str());
                ++failed;
            }
            // The status log, as the service's timer thread writes it: at
            // most every tick (250 ms), between stories here.
            if (Steady::now() - lastRefresh >= std::chrono::milliseconds(250)) {
                status.Refresh();
                lastRefresh = Steady::now();
            }
        }
    }
    status.Refresh();
    std::fflush(stdout);
    return failed == 0 ? 0 : 1;
}

// --- rows ------------------------------------------------------------------------

const char* const kYearAndMonth = "2026\\12";

// The rows of publication n: a story filed today with one linked cut.
StoryRow TextRow(int n) {
    StoryRow row;
    row.slug = "Riverside council approved the new bridge " + std::to_string(n);
    row.category = "Local,Politics";
    row.whom = "desk";
    row.writer = "Ann Reporter";
    row.creationDate = "2026-12-09";
    row.modificationDate = "2026-12-09";
    row.show = "Morning News";
    row.creationTime = "06:00:00";
    row.nextBroadcastStory = "";
    row.textFilename = [n] {
        char name[32];
        std::snprintf(name, sizeof name, "%05d_s%06d.htm", n, n);
        return std::string(name);
    }();
    row.keywords = "riverside, council, news";
    row.yearAndMonthArchived = kYearAndMonth;
    row.dayArchived = "09";
    return row;
}

AudioRow CutRow(int n) {
    AudioRow row;
    row.linkedFilename = "W:\\Audio\\cut" + std::to_string(n) + ".wav";
    row.description = "Council vote, reaction";
    row.outCue = "...for Radio News.";
    row.timesPlayed = 0;
    row.savedBy = "desk";
    row.category = "NEWS";
    row.introTime = "00:00:02.500";
    row.outroTime = "00:00:31.000";
    return row;
}

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        if (c == '\'') quoted += '\'';
        quoted += c;
    }
    return quoted + "'";
}

std::string Quoted(const FieldText& value) { return value ? Quoted(*value) : std::string("NULL"); }

std::string FirstPath(const std::string& database) {
    const size_t slash = database.rfind('/');
    return (slash == std::string::npos ? std::string() : database.substr(0, slash + 1)) + "Files/";
}

int Rows(const std::string& database, int count, bool perStory) {
    platform::SystemClock clock;
    NullReporter reporter;
    FileAccess files(reporter, clock, FileAccessSettings{false, 0, 0, false, {}});
    SqliteArchiveStore store(files, reporter);
    const Location file = Location::Parse(database);
    const Location master = Location::Parse(database + ".master-unused");
    std::unique_ptr<ArchiveDatabase> db;
    const Steady::time_point start = Steady::now();
    for (int n = 1; n <= count; ++n) {
        if (!db || perStory) {
            db.reset();
            if (Status opened = store.Open(file, master, db); !opened.ok())
                Die(opened.message() + ": " + opened.detail());
        }
        if (perStory) {
            std::string folder;
            MonthRowSource source = MonthRowSource::found;
            if (Status month = db->MonthFolder(kYearAndMonth, FirstPath(database), folder, source); !month.ok())
                Die(month.message() + ": " + month.detail());
        }
        const StoryRow row = TextRow(n);
        const std::vector<AudioRow> cuts{CutRow(n)};
        int64_t textId = 0;
        if (Status stored = db->AddPublication(&row, cuts, textId); !stored.ok())
            Die(stored.message() + ": " + stored.detail());
    }
    db.reset();
    std::printf("%.4f\n", MillisecondsSince(start) / 1000);
    return 0;
}

// The same work for the sqlite3 tool: the text ID taken inside the
// transaction as ours takes it (one more than any in either table), the
// rows inserted with it.
int RowsSql(const std::string& database, int count, bool perStory) {
    const std::string pragmas = "PRAGMA busy_timeout=15000;\nPRAGMA journal_mode=DELETE;\nPRAGMA synchronous=FULL;\n";
    std::string script;
    if (!perStory) script += pragmas;
    for (int n = 1; n <= count; ++n) {
        if (perStory) {
            script += ".open " + database + "\n" + pragmas;
            script += "BEGIN IMMEDIATE;\nSELECT \"Path\" FROM \"Path\" WHERE \"YearAndMonthArchived\" = " +
                      Quoted(std::string(kYearAndMonth)) + " ORDER BY \"ID\" DESC LIMIT 1;\nROLLBACK;\n";
        }
        const StoryRow t = TextRow(n);
        const AudioRow a = CutRow(n);
        script += "BEGIN IMMEDIATE;\n";
        script +=
            "INSERT INTO \"Text\" (\"TextID\", \"Slug\", \"Category\", \"Whom\", \"Writer\", \"CreationDate\", "
            "\"ModificationDate\", \"Show\", \"CreationTime\", \"NextBroadcastStory\", \"TextFilename\", "
            "\"Keywords\", \"YearAndMonthArchived\", \"DayArchived\") SELECT coalesce(max(\"Highest\"), 0) + 1, " +
            Quoted(t.slug) + ", " + Quoted(t.category) + ", " + Quoted(t.whom) + ", " + Quoted(t.writer) + ", " +
            Quoted(t.creationDate) + ", " + Quoted(t.modificationDate) + ", " + Quoted(t.show) + ", " +
            Quoted(t.creationTime) + ", " + Quoted(t.nextBroadcastStory) + ", " + Quoted(t.textFilename) + ", " +
            Quoted(t.keywords) + ", " + Quoted(t.yearAndMonthArchived) + ", " + Quoted(t.dayArchived) +
            " FROM (SELECT max(\"TextID\") AS \"Highest\" FROM \"Text\" UNION ALL SELECT max(\"TextID\") FROM "
            "\"Audio\");\n";
        script += "INSERT INTO \"Audio\" (\"TextID\", \"LinkedFilename\", \"Description\", \"OutCue\", "
                  "\"LastPlayed\", \"TimesPlayed\", \"SavedBy\", \"Category\", \"Status\", \"Artist\", "
                  "\"StartDate\", \"StopDate\", \"IntroTime\", \"OutroTime\", \"IntroFade\", \"OutroFade\", "
                  "\"CDat\", \"MDat\") VALUES ((SELECT \"TextID\" FROM \"Text\" WHERE \"ID\" = "
                  "last_insert_rowid()), " +
                  Quoted(a.linkedFilename) + ", " + Quoted(a.description) + ", " + Quoted(a.outCue) + ", " +
                  Quoted(a.lastPlayed) + ", " + std::to_string(a.timesPlayed) + ", " + Quoted(a.savedBy) + ", " +
                  Quoted(a.category) + ", " + Quoted(a.status) + ", " + Quoted(a.artist) + ", " +
                  Quoted(a.startDate) + ", " + Quoted(a.stopDate) + ", " + Quoted(a.introTime) + ", " +
                  Quoted(a.outroTime) + ", " + Quoted(a.introFade) + ", " + Quoted(a.outroFade) + ", " +
                  Quoted(a.cDat) + ", " + Quoted(a.mDat) + ");\n";
        script += "COMMIT;\n";
    }
    std::fwrite(script.data(), 1, script.size(), stdout);
    return 0;
}

}  // namespace
}  // namespace pv

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "pass") return pv::Pass(args[1]);
    if (args.size() == 4 && (args[0] == "rows" || args[0] == "rows-sql") &&
        (args[3] == "rows" || args[3] == "stories")) {
        const int count = std::atoi(args[2].c_str());
        const bool perStory = args[3] == "stories";
        return args[0] == "rows" ? pv::Rows(args[1], count, perStory) : pv::RowsSql(args[1], count, perStory);
    }
    std::cerr << "usage: publish_bench pass WORKING-FOLDER\n"
                 "       publish_bench rows|rows-sql DATABASE COUNT rows|stories\n";
    return 2;
}
