// The service killed with SIGKILL at random moments while it publishes
// stories, then started again, over many rounds.  Each story goes to an
// archive alias (a numbered page in the day folder, an audio cut copied
// beside it, the five archive index pages and the day's story index, the
// story's rows in the archive database) and to a front page kept from one
// story to the next (modify_file, an ordered list, backups).
//
// After every kill each of them is a whole version - the old one or the
// new one, never a page cut short or two versions mixed: every page under
// its final name (and every finished work file, the one a restoral would
// take) is one story's page from its first line to its last, every index
// page is its template with whole link lines and the story index links
// only to pages that are there, the front page and its backups are whole
// lists of whole entries, and the database (opened as the next run would
// open it, its journal rolled back) passes "PRAGMA integrity_check" and
// holds only whole publications: a story row with the audio row of its cut,
// naming a page that is there.  In the end every story is published, every
// link of the archive leads somewhere, and nothing the killed runs had
// under way is left behind.
//
// How many kills landed where (writing a page, between page and rows, in a
// database write, ...) is printed at the end.
#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <string_view>
#include <thread>

#include "support/ArchiveDatabases.h"
#include "support/AudioTestSupport.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"
#include "transport/FileNames.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

constexpr int kStoriesPerRound = 3;
constexpr int kFrontPageLimit = 6;
const std::string kMarker = "<!--Quillmark Add new links before this line -->";
const std::string kPageTail = "</body></html>\r\n";

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    if (start < text.size()) lines.push_back(text.substr(start));  // a last line without its end: a page cut short
    return lines;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

// The texts that stand for the "*"s of pattern in text, each the shortest
// that lets the rest follow, or nothing when text is not of that form.  The
// whole text must be of the form; with prefixOnly, text may go on after it.
std::optional<std::vector<std::string>> Match(std::string_view text, std::string_view pattern,
                                              bool prefixOnly = false) {
    std::vector<std::string> captures;
    size_t at = 0;
    for (size_t from = 0;;) {
        const size_t star = pattern.find('*', from);
        const std::string_view literal = pattern.substr(from, star == std::string_view::npos ? star : star - from);
        if (text.substr(at, literal.size()) != literal) return std::nullopt;
        at += literal.size();
        if (star == std::string_view::npos) break;
        from = star + 1;
        const size_t nextStar = pattern.find('*', from);
        const std::string_view next =
            pattern.substr(from, nextStar == std::string_view::npos ? nextStar : nextStar - from);
        const size_t end = next.empty() ? text.size() : text.find(next, at);
        if (end == std::string_view::npos) return std::nullopt;
        captures.emplace_back(text.substr(at, end - at));
        at = end;
    }
    if (!prefixOnly && at != text.size()) return std::nullopt;
    return captures;
}

bool AllDigits(const std::string& text, size_t size) {
    return text.size() == size && text.find_first_not_of("0123456789") == std::string::npos;
}

struct Story {
    std::string title;  // the story text is title + ".txt"
    std::string slug;
    std::string token;  // a word only this story's page holds
    bool cut = false;   // links the audio cut
};

// What the database holds, as the next run would find it.
struct ArchiveRows {
    bool present = false;
    bool hotJournal = false;
    std::string integrity;
    struct Text {
        int id;
        std::string slug;
        std::string page;  // the day folder, "/", the page's name
    };
    std::vector<Text> texts;
    std::map<int, int> audioRows;  // text ID -> rows
};

// Where the kills landed, by what each left.
struct KillPoints {
    std::map<std::string, int> counts;
    void Note(const std::string& what) { ++counts[what]; }
};

class PublishKillTrial : public ::testing::Test {
protected:
    PublishKillTrial() { MakeNewsroom(work); }

    // A working folder with the publishing route, the two aliases, their
    // templates, the master database and the audio cut.
    void MakeNewsroom(const test::TempDir& dir) {
        for (const char* folder : {"Pressvane", "in", "archive", "site", "templates/News", "templates/Front", "cuts",
                                   "system"})
            fs::create_directories(dir.Path() / folder);
        test::InstallMasterDatabase(dir.Folder());
        test::WriteWholeFile(dir / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\nBackupOutputFiles=Yes\r\n"
                             "[ONHOLD]\r\nWarn-via-PINWELL=No\r\n[MoveFiles]\r\nIn0=" + dir.Folder() +
                                 "in/\r\nOut0=\r\nProcessDatFiles0=No\r\nProcessTxtFiles0=Yes\r\nAliases0=News,Front\r\n"
                                 "ScanTwice0=No\r\nMakeSurePathsExist0=Yes\r\n");
        test::WriteWholeFile(dir / "Pressvane/DBFolder.dat",
                             "News;database=" + dir.Folder() + "archive/News.mdb;output_file_extension=.htm;"
                             "template_directory=" + dir.Folder() + "templates/News/\r\n"
                             "Front;output_filename=" + dir.Folder() + "site/Front.htm;modify_file;"
                             "template_directory=" + dir.Folder() + "templates/Front/\r\n");
        test::WriteWholeFile(dir / "system/CusDir32.dat", "Cuts;" + dir.Folder() + "cuts/\r\n");
        test::WriteWholeFile(dir / "cuts/cut.wav", cut);

        const std::string news = dir.Folder() + "templates/News/";
        test::WriteWholeFile(news + "TextTemplate.htm",
                             "<html><head><meta charset=\"windows-1252\"><title><!--Quillmark Slug --></title></head>\r\n"
                             "<body><h1><!--Quillmark Slug --></h1>\r\n<!--Quillmark Story -->\r\n" + kPageTail);
        test::WriteWholeFile(news + "TextLinkTemplatewav.htm",
                             "<a class=\"cut\" href=\"<!--Quillmark LinkedFilename -->\">cut</a>");
        test::WriteWholeFile(news + "TextLinkTemplate.htm", "<a href=\"<!--Quillmark LinkedFilename -->\">link</a>");
        const std::map<std::string, std::string> links = {
            {"DBYear", "<!--Quillmark YearArchived -->/Index.htm"},
            {"DBMonth", "../Files/<!--Quillmark YearArchived -->/<!--Quillmark MonthArchived -->/Index.htm"},
            {"StorageYear", "<!--Quillmark YearArchived -->/Index.htm"},
            {"StorageMonth", "<!--Quillmark MonthArchived -->/Index.htm"},
            {"StorageDay", "<!--Quillmark DayArchived -->/Index.htm"},
            {"Story", "<!--Quillmark TextFilename -->"},
        };
        for (const auto& [kind, href] : links) {
            test::WriteWholeFile(news + kind + "IndexTemplate.htm", IndexHead(kind) + "<ul>\r\n" + kMarker + "\r\n" +
                                                                        "</ul>\r\n" + kPageTail);
            test::WriteWholeFile(news + kind + "IndexLinkTemplate.htm",
                                 "<li><a href=\"" + href + "\"><!--Quillmark Slug --></a></li>\r\n");
        }

        const std::string front = dir.Folder() + "templates/Front/";
        test::WriteWholeFile(front + "Front.htm", kFrontHead + "<!--Quillmark Begin Ordered List Fixed Descending " +
                                                      std::to_string(kFrontPageLimit) +
                                                      " FrontEntry.htm FrontEntryLink.htm -->\r\n"
                                                      "<!--Quillmark End Ordered List -->\r\n" + kFrontTail);
        test::WriteWholeFile(front + "FrontEntry.htm",
                             "<li><a href=\"../archive/Files/<!--Quillmark YearArchived -->/<!--Quillmark MonthArchived "
                             "-->/<!--Quillmark DayArchived -->/Index.htm\"><!--Quillmark Slug --></a></li>\r\n");
        test::WriteWholeFile(front + "FrontEntryLink.htm", "<a href=\"<!--Quillmark LinkedFilename -->\">link</a>");
    }

    static std::string IndexHead(const std::string& kind) {
        return "<html><head><title>" + kind + "</title></head><body>\r\n";
    }

    // Stories written a minute ago, so that the scan takes them; every
    // other one links the cut.
    void AddStories(const test::TempDir& dir, int round) {
        for (int n = 0; n < kStoriesPerRound; ++n) {
            char title[32];
            std::snprintf(title, sizeof title, "r%02ds%d", round, n);
            Story story{title, std::string("Story ") + title, std::string("token-") + title, n % 2 == 0};
            std::string text = "TQ32_SCRIPT1\r\nFILESLUG:" + story.slug +
                               "\r\nFILEWRIT:desk\r\nFILEDATE:03/09/2026\r\nFILETIME:Mon06:00:00\r\nFILECMD1:Add\r\n"
                               "Report " + story.token + " from the newsroom.\r\n";
            if (story.cut) text += "[" + dir.Folder() + "cuts/cut.wav]\r\n";
            const std::string path = dir / ("in/" + story.title + ".txt");
            test::WriteWholeFile(path, text);
            fs::last_write_time(path, fs::file_time_type::clock::now() - 1min);
            if (&dir == &work) stories[story.slug] = story;
        }
    }

    std::vector<std::string> Argv(const test::TempDir& dir, bool once) const {
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + dir.Folder(), "EasyExit", "/M"};
        if (once) argv.push_back("Once");
        return argv;
    }
    std::vector<std::string> Environment() const {
        return {"TEMP=" + temp.Path().string(), "PRESSVANE_RUNTIME_DIR=" + scratch.Path().string()};
    }

    // How long a run takes to publish one round of stories, from its first
    // story on: the span the kills are spread over.
    std::chrono::microseconds PublishingTime() {
        test::TempDir calibration;
        MakeNewsroom(calibration);
        AddStories(calibration, 0);
        const std::string log = scratch / "calibration.txt";
        test::ChildProcess child(Argv(calibration, true), log, Environment());
        const auto limit = std::chrono::steady_clock::now() + 60s;
        while (test::ReadWholeFile(log).find("Transferring") == std::string::npos &&
               std::chrono::steady_clock::now() < limit)
            std::this_thread::sleep_for(200us);
        const auto started = std::chrono::steady_clock::now();
        EXPECT_EQ(child.Wait(120s), 0) << test::ReadWholeFile(log);
        EXPECT_TRUE(fs::is_empty(calibration.Path() / "in")) << test::ReadWholeFile(log);
        return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - started);
    }

    // The database as the next opener finds it: a copy of the file with its
    // journal beside it, opened writable, so that a journal left hot by a
    // kill is rolled back first.
    ArchiveRows ReadArchive() {
        ArchiveRows rows;
        const fs::path database = work.Path() / "archive/News.mdb";
        if (!fs::exists(database)) return rows;
        rows.present = true;
        const fs::path copy = scratch.Path() / "check";
        fs::remove_all(copy);
        fs::create_directories(copy);
        fs::copy_file(database, copy / "News.mdb");
        const fs::path journal = work.Path() / "archive/News.mdb-journal";
        if (fs::exists(journal) && fs::file_size(journal) > 0) {
            rows.hotJournal = true;
            fs::copy_file(journal, copy / "News.mdb-journal");
        }
        const test::ToolResult read = test::RunTool(
            {"/usr/bin/sqlite3", "-batch", "-bail", "-noheader", "-list", "-separator", "|", (copy / "News.mdb").string(),
             "PRAGMA integrity_check; "
             "SELECT 'T', \"TextID\", \"Slug\", \"YearAndMonthArchived\" || '\\' || \"DayArchived\" || '\\' || "
             "\"TextFilename\" FROM \"Text\"; "
             "SELECT 'A', \"TextID\", count(*) FROM \"Audio\" GROUP BY \"TextID\";"});
        EXPECT_EQ(read.exitCode, 0) << read.output;
        std::istringstream lines(read.output);
        std::string line;
        std::getline(lines, rows.integrity);
        while (std::getline(lines, line)) {
            std::vector<std::string> fields;
            std::stringstream split(line);
            for (std::string field; std::getline(split, field, '|');) fields.push_back(field);
            if (fields.size() == 4 && fields[0] == "T") {
                std::string page = fields[3];
                std::replace(page.begin(), page.end(), '\\', '/');
                rows.texts.push_back({std::stoi(fields[1]), fields[2], page});
            } else if (fields.size() == 3 && fields[0] == "A") {
                rows.audioRows[std::stoi(fields[1])] = std::stoi(fields[2]);
            } else {
                ADD_FAILURE() << "unexpected line from sqlite3: " << line;
            }
        }
        return rows;
    }

    // A story page from its first line to its last, of one story only; its
    // cut, when it links one, whole beside it.  Returns the story's slug.
    std::string CheckStoryPage(const fs::path& page, const std::string& when) {
        const std::string bytes = test::ReadWholeFile(page.string());
        const auto head = Match(bytes,
                                "<html><head><meta charset=\"windows-1252\"><title>*</title></head>\r\n"
                                "<body><h1>*</h1>\r\n",
                                true);
        if (!head || (*head)[0] != (*head)[1] || !stories.count((*head)[0])) {
            ADD_FAILURE() << when << ": " << page << " is not a story's page:\n" << bytes;
            return {};
        }
        const Story& story = stories.at((*head)[0]);
        EXPECT_TRUE(bytes.ends_with(kPageTail)) << when << ": " << page << " is cut short:\n" << bytes;
        EXPECT_EQ(Count(bytes, "<html>"), 1) << when << ": " << page << ":\n" << bytes;
        EXPECT_EQ(Count(bytes, "</html>"), 1) << when << ": " << page << ":\n" << bytes;
        EXPECT_EQ(Count(bytes, "token-"), 1) << when << ": " << page << ":\n" << bytes;
        EXPECT_NE(bytes.find("Report " + story.token + " from the newsroom."), std::string::npos)
            << when << ": " << page << ":\n" << bytes;
        const std::string linkStart = "<a class=\"cut\" href=\"";
        const size_t link = bytes.find(linkStart);
        const auto cutLink = link == std::string::npos
                                 ? std::nullopt
                                 : Match(std::string_view(bytes).substr(link), "<a class=\"cut\" href=\"*_cut.wav\">cut</a>", true);
        const bool linksCut = cutLink && AllDigits((*cutLink)[0], 5);
        EXPECT_EQ(linksCut, story.cut) << when << ": " << page << ":\n" << bytes;
        if (linksCut) {
            const std::string name = (*cutLink)[0] + "_cut.wav";
            EXPECT_EQ(test::ReadWholeFile((page.parent_path() / name).string()), cut)
                << when << ": the cut " << name << " of " << page;
        }
        return story.slug;
    }

    // An index page: its template with whole link lines above the marker,
    // each once.  Returns its links (href, text).
    std::vector<std::pair<std::string, std::string>> CheckIndexPage(const fs::path& page, const std::string& when,
                                                                    std::string* kind) {
        const std::string bytes = test::ReadWholeFile(page.string());
        const std::vector<std::string> lines = Lines(bytes);
        std::vector<std::pair<std::string, std::string>> links;
        const auto title = lines.empty() ? std::nullopt : Match(lines[0], "<html><head><title>*</title></head><body>");
        const bool whole = bytes.ends_with(kPageTail) && lines.size() >= 5 && title &&
                           lines[1] == "<ul>" && lines[lines.size() - 3] == kMarker &&
                           lines[lines.size() - 2] == "</ul>" && lines.back() == "</body></html>";
        if (!whole) {
            ADD_FAILURE() << when << ": " << page << " is not a whole index page:\n" << bytes;
            return links;
        }
        *kind = (*title)[0];
        std::set<std::string> seen;
        for (size_t n = 2; n + 3 < lines.size(); ++n) {
            const auto link = Match(lines[n], "<li><a href=\"*\">*</a></li>");
            if (!link || (*link)[0].empty() || (*link)[0].find('"') != std::string::npos ||
                (*link)[1].find('<') != std::string::npos) {
                ADD_FAILURE() << when << ": " << page << " line " << n << " is no whole link: " << lines[n];
                continue;
            }
            EXPECT_TRUE(seen.insert(lines[n]).second) << when << ": " << page << " links twice: " << lines[n];
            links.emplace_back((*link)[0], (*link)[1]);
        }
        return links;
    }

    // A front page (or its backup or work file): the template's lines around
    // a list of whole entries, at most the list's limit.  Returns the slugs
    // of its entries, top first.
    std::vector<std::string> CheckFrontPage(const fs::path& page, const std::string& when) {
        const std::string bytes = test::ReadWholeFile(page.string());
        const std::vector<std::string> lines = Lines(bytes);
        std::vector<std::string> slugs;
        const std::vector<std::string> head = Lines(kFrontHead), tail = Lines(kFrontTail);
        const bool framed = bytes.ends_with(kFrontTail) && lines.size() >= head.size() + tail.size() + 2 &&
                            std::equal(head.begin(), head.end(), lines.begin()) &&
                            std::equal(tail.begin(), tail.end(), lines.end() - static_cast<long>(tail.size())) &&
                            lines[head.size()].starts_with("<!--Quillmark Begin Ordered List ") &&
                            lines[lines.size() - tail.size() - 1] == "<!--Quillmark End Ordered List -->";
        if (!framed) {
            ADD_FAILURE() << when << ": " << page << " is not a whole front page:\n" << bytes;
            return slugs;
        }
        const size_t first = head.size() + 1, end = lines.size() - tail.size() - 1;
        if ((end - first) % 4 != 0) ADD_FAILURE() << when << ": " << page << " holds a broken entry:\n" << bytes;
        for (size_t n = first; n + 4 <= end; n += 4) {
            const auto slug = Match(lines[n + 1], "<!--Quillmark Entry Slug * -->");
            const auto entry = Match(lines[n + 2], "<li><a href=\"../archive/Files/*/*/*/Index.htm\">*</a></li>");
            const bool whole = lines[n] == "<!--Quillmark Entry Date 03/09/2026 -->" && slug && entry &&
                               AllDigits((*entry)[0], 4) && AllDigits((*entry)[1], 2) && AllDigits((*entry)[2], 2) &&
                               (*slug)[0] == (*entry)[3] && stories.count((*slug)[0]) &&
                               lines[n + 3] == "<!--Quillmark End Ordered Entry -->";
            EXPECT_TRUE(whole) << when << ": " << page << " entry at line " << n << " is not whole:\n" << bytes;
            if (whole) slugs.push_back((*slug)[0]);
        }
        EXPECT_LE(slugs.size(), static_cast<size_t>(kFrontPageLimit)) << when << ": " << page;
        return slugs;
    }

    static bool IsHidden(const fs::path& path) { return IsHiddenCopyName(path.filename().string()); }
    // The output folder's lock and lock candidate, which a killed run leaves
    // for the next start to release.
    static bool IsLock(const fs::path& path) {
        const std::string name = path.filename().string();
        return name == "InUse.dat" || (name.starts_with("InUse") && name.ends_with(".tmp"));
    }

    // Every file the service wrote is a whole version of itself; notes what
    // the kill left under way.  `leftovers` keeps those of earlier kills.
    void CheckEverything(const std::string& when, KillPoints* points) {
        const ArchiveRows rows = ReadArchive();
        std::set<std::string> under;
        if (rows.present) {
            EXPECT_EQ(rows.integrity, "ok") << when;
            if (rows.hotJournal) under.insert("in a database write (journal rolled back)");
        }
        // The rows: whole publications, each naming a page that is there.
        std::set<std::string> rowPages;
        for (const ArchiveRows::Text& text : rows.texts) {
            ASSERT_TRUE(stories.count(text.slug)) << when << ": a row of an unknown story " << text.slug;
            const Story& story = stories.at(text.slug);
            EXPECT_EQ(rows.audioRows.count(text.id) ? rows.audioRows.at(text.id) : 0, story.cut ? 1 : 0)
                << when << ": the rows of text " << text.id << " (" << text.slug << ") are not whole";
            const fs::path page = work.Path() / "archive/Files" / text.page;
            EXPECT_TRUE(fs::exists(page)) << when << ": the row of " << text.slug << " names " << page
                                          << ", which is not there";
            if (fs::exists(page)) {
                EXPECT_EQ(CheckStoryPage(page, when), text.slug) << when << ": " << page;
            }
            rowPages.insert(page.string());
            if (fs::exists(work.Path() / ("in/" + story.title + ".txt")) && !rowsSeenBefore.count(text.id))
                under.insert("after the archive rows, before the story left the input (front page included)");
        }
        for (const auto& [id, count] : rows.audioRows) {
            bool hasText = false;
            for (const ArchiveRows::Text& text : rows.texts) hasText |= text.id == id;
            EXPECT_TRUE(hasText) << when << ": audio rows of text " << id << " without its story row";
        }
        // A stored publication is never lost again.
        std::map<int, std::string> rowSlugs;
        for (const ArchiveRows::Text& text : rows.texts) rowSlugs[text.id] = text.slug;
        for (const auto& [id, slug] : storedRows)
            EXPECT_EQ(rowSlugs.count(id) ? rowSlugs.at(id) : "(none)", slug) << when << ": the row of text " << id;
        storedRows = rowSlugs;
        for (const ArchiveRows::Text& text : rows.texts) rowsSeenBefore.insert(text.id);

        // Every file of the archive folders.
        for (const auto& entry : fs::recursive_directory_iterator(work.Path() / "archive")) {
            if (!entry.is_regular_file()) continue;
            const fs::path& path = entry.path();
            const std::string name = path.filename().string();
            const std::string inArchive = fs::relative(path, work.Path() / "archive").string();
            if (inArchive == "News.mdb" || inArchive == "News.mdb-journal" || name == "ID.dat" || IsLock(path)) continue;
            if (IsHidden(path)) {
                if (leftovers.insert(path.string()).second) under.insert("writing an index page or a copy (hidden file)");
                continue;
            }
            if (name == "Index.htm") {
                std::string kind;
                const auto links = CheckIndexPage(path, when, &kind);
                if (kind == "Story") {
                    // Links are only ever added: the earlier page's links come first.
                    std::vector<std::string> hrefs;
                    for (const auto& [href, slug] : links) hrefs.push_back(href);
                    std::vector<std::string>& before = storyIndexLinks[path.string()];
                    EXPECT_TRUE(hrefs.size() >= before.size() && std::equal(before.begin(), before.end(), hrefs.begin()))
                        << when << ": " << path << " lost links it had: " << ::testing::PrintToString(before);
                    before = hrefs;
                    for (const auto& [href, slug] : links) {
                        const fs::path target = path.parent_path() / href;
                        EXPECT_TRUE(fs::exists(target)) << when << ": " << path << " links to " << href
                                                        << ", which is not there";
                        if (fs::exists(target)) {
                            EXPECT_EQ(CheckStoryPage(target, when), slug) << when << ": " << href;
                        }
                    }
                } else {
                    EXPECT_LE(links.size(), 1u) << when << ": " << path;
                }
            } else if (name.ends_with(".htm")) {
                CheckStoryPage(path, when);
                pagesSeen.insert(path.string());
                if (!rowPages.count(path.string()) && pagesWithoutRows.insert(path.string()).second)
                    under.insert("after the page went in place, before its rows");
            } else if (name.ends_with(".htm.tmp")) {
                CheckStoryPage(path, when);  // a finished work file is whole
                if (leftovers.insert(path.string()).second) under.insert("after the page was written, before it went in place");
            } else if (name.ends_with(".htm.tmp.part")) {
                if (leftovers.insert(path.string()).second) under.insert("writing a page");
            } else if (name.ends_with("_cut.wav")) {
                EXPECT_EQ(test::ReadWholeFile(path.string()), cut) << when << ": " << path;
            } else {
                ADD_FAILURE() << when << ": unexpected file " << path;
            }
        }

        for (const std::string& page : pagesSeen) EXPECT_TRUE(fs::exists(page)) << when << ": " << page << " is gone";

        // The front page, its work files and its backups.
        const fs::path front = work.Path() / "site/Front.htm";
        for (const auto& entry : fs::directory_iterator(work.Path() / "site")) {
            const fs::path& path = entry.path();
            if (path == front) {
                // New entries go on top and the last ones drop off the
                // bottom; what stays keeps its order.
                const std::vector<std::string> entries = CheckFrontPage(path, when);
                bool follows = false;
                for (size_t added = 0; added <= entries.size() && !follows; ++added)
                    follows = entries.size() - added <= frontEntries.size() &&
                              std::equal(entries.begin() + static_cast<long>(added), entries.end(), frontEntries.begin());
                EXPECT_TRUE(follows) << when << ": the front page lists " << ::testing::PrintToString(entries)
                                     << " after " << ::testing::PrintToString(frontEntries);
                frontEntries = entries;
            } else if (path.filename() == "Front.htm.tmp") {
                CheckFrontPage(path, when);
                if (test::ReadWholeFile(path.string()) != lastFrontWork)
                    under.insert("after the front page was written, before it went in place");
                lastFrontWork = test::ReadWholeFile(path.string());
            } else if (path.filename() == "Front.htm.tmp.part") {
                under.insert("writing the front page");
            } else if (IsLock(path)) {
                continue;
            } else if (IsHidden(path)) {
                if (leftovers.insert(path.string()).second) under.insert("writing an index page or a copy (hidden file)");
            } else {
                ADD_FAILURE() << when << ": unexpected file " << path;
            }
        }
        if (fs::exists(work.Path() / "Backups")) {
            for (const auto& entry : fs::recursive_directory_iterator(work.Path() / "Backups")) {
                if (!entry.is_regular_file()) continue;
                if (IsHidden(entry.path())) {
                    if (leftovers.insert(entry.path().string()).second) under.insert("writing a backup (hidden file)");
                    continue;
                }
                EXPECT_EQ(entry.path().filename(), "Front.htm") << when << ": unexpected file " << entry.path();
                CheckFrontPage(entry.path(), when);
            }
        }
        if (points) {
            if (under.empty()) points->Note("between steps (or before the first story)");
            for (const std::string& what : under) points->Note(what);
        }
    }

    // The last story the run's output says the front page took.
    static std::string LastOnFrontPage(const std::string& output) {
        const std::string before = "to Front containing slug ", after = ".\nTime needed to process alias";
        std::string slug;
        for (size_t at = output.find(before); at != std::string::npos; at = output.find(before, at + 1)) {
            const size_t start = at + before.size(), end = output.find(after, start);
            if (end != std::string::npos && output.find('\n', start) == end + 1) slug = output.substr(start, end - start);
        }
        return slug;
    }

    inline static const std::string kFrontHead = "<html><head><title>Front</title></head><body>\r\n<ol>\r\n";
    inline static const std::string kFrontTail = "</ol>\r\n" + kPageTail;

    test::TempDir work, scratch, temp;
    const std::string cut = test::PcmWav(1, 8000, 16, 4000);
    std::map<std::string, Story> stories;  // by slug
    std::set<int> rowsSeenBefore;
    std::set<std::string> pagesWithoutRows, leftovers, pagesSeen;
    std::map<int, std::string> storedRows;                           // text ID -> slug
    std::map<std::string, std::vector<std::string>> storyIndexLinks;  // by index page
    std::vector<std::string> frontEntries;
    std::string lastFrontWork;
};

TEST_F(PublishKillTrial, EveryPageIndexAndDatabaseIsAWholeVersionAfterEveryKill) {
    const std::chrono::microseconds span = PublishingTime();
    std::mt19937 random(20261211);
    constexpr int kRounds = 40;
    KillPoints points;
    int killedWithStoriesLeft = 0;
    for (int round = 0; round < kRounds; ++round) {
        AddStories(work, round);
        const std::string log = scratch / ("run" + std::to_string(round) + ".txt");
        {
            // Killed at a random moment once publishing has begun, spread
            // over the time a round of stories takes.
            test::ChildProcess child(Argv(work, false), log, Environment());
            const auto limit = std::chrono::steady_clock::now() + 30s;
            while (test::ReadWholeFile(log).find("Transferring") == std::string::npos &&
                   std::chrono::steady_clock::now() < limit)
                std::this_thread::sleep_for(200us);
            const auto delay = std::uniform_int_distribution<long>(0, span.count() * 6 / 5)(random);
            std::this_thread::sleep_for(std::chrono::microseconds(delay));
            child.Signal(SIGKILL);
            child.Wait(10s);
        }
        for (const auto& entry : fs::directory_iterator(work.Path() / "in"))
            if (entry.path().extension() == ".txt") {
                ++killedWithStoriesLeft;
                break;
            }
        CheckEverything("after kill " + std::to_string(round), &points);
        EXPECT_FALSE(fs::exists(work.Path() / "in/OnHold")) << "round " << round << "\n" << test::ReadWholeFile(log);
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(killedWithStoriesLeft, kRounds / 3) << "the kills came too late to interrupt anything";

    // A run that is let finish publishes what is left.
    const std::string last = scratch / "last.txt";
    test::ChildProcess finish(Argv(work, true), last, Environment());
    ASSERT_EQ(finish.Wait(300s), 0) << test::ReadWholeFile(last);
    const std::string output = test::ReadWholeFile(last);
    CheckEverything("at the end", nullptr);

    // Every story is published: its row names its page, which the day's
    // story index lists.
    EXPECT_TRUE(fs::is_empty(work.Path() / "in")) << output;
    const ArchiveRows rows = ReadArchive();
    EXPECT_FALSE(rows.hotJournal);
    std::map<std::string, int> rowsOf;
    for (const ArchiveRows::Text& text : rows.texts) ++rowsOf[text.slug];
    for (const auto& [slug, story] : stories) EXPECT_GE(rowsOf[slug], 1) << slug << " was lost";
    std::set<std::string> listed;
    for (const auto& entry : fs::recursive_directory_iterator(work.Path() / "archive")) {
        if (entry.path().filename() != "Index.htm") continue;
        std::string kind;
        for (const auto& [href, text] : CheckIndexPage(entry.path(), "at the end", &kind)) {
            const fs::path target = (entry.path().parent_path() / href).lexically_normal();
            EXPECT_TRUE(fs::exists(target)) << entry.path() << " links to " << href << ", which is not there";
            if (kind == "Story") listed.insert(target.string());
        }
    }
    for (const ArchiveRows::Text& text : rows.texts)
        EXPECT_TRUE(listed.count((work.Path() / "archive/Files" / text.page).lexically_normal().string()))
            << text.page << " is not listed on its day's story index";

    // The front page shows the latest stories, the last one published on top.
    const std::vector<std::string> front = CheckFrontPage(work.Path() / "site/Front.htm", "at the end");
    ASSERT_EQ(front.size(), static_cast<size_t>(kFrontPageLimit));
    EXPECT_EQ(front.front(), LastOnFrontPage(output)) << output;

    // Nothing the killed runs had under way is left.
    std::vector<std::string> left;
    for (const auto& entry : fs::recursive_directory_iterator(work.Path())) {
        const std::string name = entry.path().filename().string();
        if (IsHiddenCopyName(name) || name.ends_with(".tmp.part") || name.ends_with(".mdb-journal") ||
            IsLock(entry.path()))
            left.push_back(entry.path().string());
    }
    EXPECT_TRUE(left.empty()) << "left behind: " << ::testing::PrintToString(left);
    EXPECT_TRUE(fs::is_empty(temp.Path())) << "temporary folders left behind";
    EXPECT_EQ(test::ReadWholeFile(work / "Pressvane/InFlight.dat"), "");

    // The figures of the trial.
    int published = 0, twice = 0;
    for (const auto& [slug, count] : rowsOf) {
        published += count >= 1;
        twice += count > 1;
    }
    std::ostringstream figures;
    figures << kRounds << " kills over " << span.count() * 6 / 5 << " us after publishing began; " << stories.size()
            << " stories, " << published << " published, " << twice << " published twice (killed after their archive "
            << "rows, before the story left the input), " << pagesWithoutRows.size()
            << " page(s) without rows (killed between page and rows; published again)\n";
    for (const auto& [what, count] : points.counts) figures << "  killed " << what << ": " << count << "\n";
    std::cout << figures.str();
    RecordProperty("figures", figures.str());
}

}  // namespace
}  // namespace pv
