// End-to-end runs of the built service on a working folder with a publishing
// route: story submissions (a story text with its header, and a descriptor
// beside it where the route reads descriptors) arrive in the input folder,
// "Pressvane\DBFolder.dat" names the folder alias they are published under,
// and the alias's text template makes the page.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>

#include "support/Browser.h"
#include "support/ChildProcess.h"
#include "support/FtpServers.h"
#include "support/TempDir.h"

namespace pv {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The alias's text template: markers for the header fields, the story body
// and the charset of the page.
const std::string kTextTemplate =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">\r\n"
    "<title><!--Quillmark Slug --></title></head>\r\n"
    "<body>\r\n"
    "<h1 id=\"slug\"><!--Quillmark Slug --></h1>\r\n"
    "<p id=\"writer\">By <!--Quillmark Writer --></p>\r\n"
    "<div id=\"story\">\r\n"
    "<!--Quillmark Story -->\r\n"
    "</div>\r\n"
    "</body></html>\r\n";
const std::string kLinkTemplate = "<a href=\"<!--Quillmark FirstLine1Filename -->\">Listen</a><br>\r\n";

struct Story {
    std::string title{};  // the file names are title + ".txt" and title + ".dat"
    std::string slug{};
    std::string alias = "News";
    std::string descriptorCommand = "Add";
    std::string headerCommand{};  // no CMD1 line when empty
    std::string body = "The council met on Tuesday.\r\nIt voted five to two for the new bridge.\r\n";
    int sender = 17;
};

// The submission descriptor: one value per line, by position.
std::string Descriptor(const Story& story) {
    std::string text = "Quillmark\r\nnewsdesk\r\n" + story.slug + "\r\n\r\n\r\n" + story.alias + "\r\n\r\n0\r\n0\r\n0\r\n" +
                       std::to_string(story.sender) + "\r\n0\r\ncouncil, bridge\r\n" + story.descriptorCommand + "\r\n";
    for (int user = 1; user <= 9; ++user) text += "user" + std::to_string(user) + "\r\n";
    return text;
}

std::string StoryText(const Story& story) {
    std::string text = "TQ32_SCRIPT1\r\nFILESLUG:" + story.slug + "\r\nFILECATG:Local,Politics\r\nFILEWRIT:Ann Reporter\r\n";
    if (!story.headerCommand.empty()) text += "FILECMD1:" + story.headerCommand + "\r\n";
    return text + story.body;
}

int Count(const std::string& text, const std::string& what) {
    int n = 0;
    for (size_t at = 0; (at = text.find(what, at)) != std::string::npos; at += what.size()) ++n;
    return n;
}

class PublishRun : public ::testing::Test {
protected:
    std::string Folder(const std::string& name) {
        fs::create_directories(work.Path() / name);
        return work.Folder() + name + "/";
    }
    // Route 0 publishes the stories of in/: with descriptors, under the alias
    // each descriptor names; without, under the route's alias "News".
    void Settings(bool descriptors = true) {
        fs::create_directories(work.Path() / "Pressvane");
        const std::string route =
            descriptors ? "ProcessDatFiles0=Yes\r\nProcessTxtFiles0=No\r\nAliases0=QMUseDBFolderAlias\r\n"
                        : "ProcessDatFiles0=No\r\nProcessTxtFiles0=Yes\r\nAliases0=News\r\n";
        test::WriteWholeFile(work / "Pressvane/Pressvane.ini",
                             "[Pressvane]\r\nLog=Yes\r\nDelay=1\r\n[FTP]\r\nSeconds Delay Between FTP Commands=0\r\n"
                             "[ONHOLD]\r\nWarn-via-PINWELL=No\r\n[MoveFiles]\r\nIn0=" +
                                 in + "\r\nOut0=\r\n" + route + "ScanTwice0=No\r\n");
    }
    void AliasFile(const std::string& lines) { test::WriteWholeFile(work / "Pressvane/DBFolder.dat", lines); }
    // Alias News: its page goes to output (a file name in the storage
    // folder), its templates lie in templates/.
    void AliasFileFor(const std::string& output, const std::string& options) {
        AliasFile("; the folder aliases of the newsroom\r\nNews;output_filename=" + output +
                  ";template_directory=" + templates + ";" + options + "\r\n");
    }
    void Template(const std::string& name, const std::string& text) { test::WriteWholeFile(templates + name, text); }
    void StandardTemplates() {
        Template("TextTemplate.htm", kTextTemplate);
        Template("TextLinkTemplate.htm", kLinkTemplate);
    }
    // A submission written a minute ago, so that the scan takes it.
    void Submit(const Story& story, bool descriptor = true) {
        Input(story.title + ".txt", StoryText(story));
        if (descriptor) Input(story.title + ".dat", Descriptor(story));
    }
    void Input(const std::string& name, const std::string& bytes) {
        test::WriteWholeFile(in + name, bytes);
        fs::last_write_time(in + name, fs::file_time_type::clock::now() - 1min);
    }
    int Run() {
        std::vector<std::string> argv{PRESSVANE_BIN, "/PATH=" + work.Folder(), "Once", "EasyExit", "/M"};
        test::ChildProcess child(argv, scratch / "out.txt",
                                 {"TEMP=" + temp.Path().string(), "PRESSVANE_RUNTIME_DIR=" + scratch.Path().string()});
        return child.Wait(120s);
    }
    std::string Output() const { return test::ReadWholeFile(scratch / "out.txt"); }
    std::string StatusLog() const {
        std::string log;
        if (fs::is_directory(work.Path() / "Pressvane/INLOG"))
            for (const auto& entry : fs::directory_iterator(work.Path() / "Pressvane/INLOG"))
                log += test::ReadWholeFile(entry.path().string());
        return log;
    }
    // The names of the regular files and folders directly in a folder.
    static std::set<std::string> Names(const std::string& folder) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
        return names;
    }
    // The unique-number file: four bytes, little-endian.
    static void WriteCounter(const std::string& path, uint32_t next) {
        std::string bytes(4, '\0');
        for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((next >> (8 * i)) & 0xFF);
        test::WriteWholeFile(path, bytes);
    }
    static int64_t ReadCounter(const std::string& path) {
        const std::string bytes = test::ReadWholeFile(path);
        if (bytes.size() != 4) return -1;
        uint32_t value = 0;
        for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[static_cast<size_t>(i)]);
        return value;
    }
    // The story is still there, unchanged: in the input folder or on hold.
    void ExpectKept(const Story& story, bool descriptor = true) {
        for (const auto& [name, bytes] : std::map<std::string, std::string>{
                 {story.title + ".txt", StoryText(story)}, {story.title + ".dat", Descriptor(story)}}) {
            if (!descriptor && name.ends_with(".dat")) continue;
            const bool waiting = fs::exists(in + name), held = fs::exists(in + "OnHold/" + name);
            EXPECT_TRUE(waiting || held) << name << " was lost\n" << Output();
            EXPECT_EQ(test::ReadWholeFile(waiting ? in + name : in + "OnHold/" + name), bytes) << name;
        }
    }
    void ExpectGone(const Story& story) {
        for (const std::string& name : {story.title + ".txt", story.title + ".dat"}) {
            EXPECT_FALSE(fs::exists(in + name)) << Output();
            EXPECT_FALSE(fs::exists(in + "OnHold/" + name)) << Output();
        }
    }
    // A filled page: the slug and the story's lines, no marker left, every
    // line ended by CR LF.
    static void ExpectPage(const std::string& page, const Story& story) {
        EXPECT_NE(page.find("<h1 id=\"slug\">" + story.slug + "</h1>\r\n"), std::string::npos) << page;
        EXPECT_NE(page.find("<title>" + story.slug + "</title>"), std::string::npos) << page;
        EXPECT_NE(page.find("By Ann Reporter"), std::string::npos) << page;
        for (size_t start = 0, end; (end = story.body.find("\r\n", start)) != std::string::npos; start = end + 2)
            EXPECT_NE(page.find(story.body.substr(start, end - start)), std::string::npos) << page;
        EXPECT_EQ(page.find("<!--Quillmark"), std::string::npos) << page;
        EXPECT_EQ(Count(page, "\n"), Count(page, "\r\n")) << page;
        EXPECT_TRUE(page.ends_with("</body></html>\r\n")) << page;
    }
    // Every file under a folder, recursively, with its bytes.
    static std::map<std::string, std::string> FilesUnder(const fs::path& top) {
        std::map<std::string, std::string> files;
        if (!fs::is_directory(top)) return files;
        for (const auto& entry : fs::recursive_directory_iterator(top))
            if (entry.is_regular_file()) files[entry.path().string()] = test::ReadWholeFile(entry.path().string());
        return files;
    }

    test::TempDir work;
    test::TempDir scratch;
    test::TempDir temp;  // the service's $TEMP
    const std::string in = Folder("in");
    const std::string storage = Folder("site");
    const std::string templates = Folder("templates");
    const std::string receipts = Folder("receipts");
};

// Unique naming: "%05d_" with the storage folder's next number, the source
// name with its extension swapped for the output's.  The number lives in
// the folder's ID.dat, so the next run goes on from it.
TEST_F(PublishRun, EachStoryBecomesTheNextNumberedPageAndLeavesTheInput) {
    Settings();
    StandardTemplates();
    AliasFileFor(storage + "News.htm", "unique_file;confirmation=file");
    test::WriteWholeFile(work / "Pressvane/ReceiptConfirmationList.dat", "17;" + receipts + ";\r\n");
    WriteCounter(storage + "ID.dat", 41);
    const Story council{.title = "council", .slug = "Council vote"};
    Submit(council);

    ASSERT_EQ(Run(), 0) << Output();
    const std::string first = test::ReadWholeFile(storage + "00041_council.htm");
    ExpectPage(first, council);
    EXPECT_EQ(ReadCounter(storage + "ID.dat"), 42);
    EXPECT_EQ(Names(storage), (std::set<std::string>{"ID.dat", "00041_council.htm"})) << Output();
    ExpectGone(council);
    // The transmission receipt of the page, in the sender's receipt folder.
    const std::set<std::string> written = Names(receipts);
    ASSERT_EQ(written.size(), 1u) << Output();
    const std::string receiptName = *written.begin();
    EXPECT_EQ(receiptName.rfind("-00041_council.htm-Council_vote-Success-17-", 0), 0u) << receiptName;
    const std::string receipt = test::ReadWholeFile(receipts + receiptName);
    EXPECT_EQ(receipt.rfind("Council vote z z\r\n", 0), 0u) << receipt;
    EXPECT_NE(receipt.find("Sent by: 17\r\n"), std::string::npos) << receipt;
    EXPECT_NE(receipt.find("00041_council.htm\r\nSize: " + std::to_string(first.size()) + "\r\n"), std::string::npos)
        << receipt;

    const Story budget{.title = "budget", .slug = "Budget passes", .body = "The budget passed.\r\n"};
    Submit(budget);
    ASSERT_EQ(Run(), 0) << Output();
    ExpectPage(test::ReadWholeFile(storage + "00042_budget.htm"), budget);
    EXPECT_EQ(ReadCounter(storage + "ID.dat"), 43);
    EXPECT_EQ(test::ReadWholeFile(storage + "00041_council.htm"), first);
    ExpectGone(budget);
}

// A page named after its slug stays in the storage folder whatever the
// slug holds: separators and dot names never reach the file name.
TEST_F(PublishRun, ASlugNeverLeadsThePageOutOfTheStorageFolder) {
    Settings();
    StandardTemplates();
    AliasFileFor(storage + "News.htm", "unique_file;use_slug_for_filename");
    const std::vector<std::string> slugs = {"../escaped-a", "..\\escaped-b", "sub/dir/escaped-c", ".."};
    for (size_t n = 0; n < slugs.size(); ++n) {
        Story story{.title = "story" + std::to_string(n), .slug = slugs[n]};
        Submit(story);
    }
    ASSERT_EQ(Run(), 0) << Output();
    std::vector<std::string> pages;
    for (const auto& [path, bytes] : FilesUnder(work.Path())) {
        if (!path.ends_with(".htm") || path.rfind(templates, 0) == 0) continue;
        pages.push_back(path);
        EXPECT_EQ(fs::path(path).parent_path().string() + "/", storage) << path;
    }
    EXPECT_EQ(pages.size(), slugs.size()) << Output();
    EXPECT_FALSE(fs::exists(work / "escaped-a.htm"));
    EXPECT_FALSE(fs::exists(work / "escaped-b.htm"));
    EXPECT_FALSE(fs::exists(storage + "sub"));
    for (size_t n = 0; n < slugs.size(); ++n) ExpectGone(Story{.title = "story" + std::to_string(n)});
}

// The command comes from the descriptor unless the story's header names
// one.  Delete under a replace_file alias removes the page and writes none.
struct DeleteCase {
    const char* name;
    const char* descriptorCommand;
    const char* headerCommand;
    bool removed;
};

void PrintTo(const DeleteCase& c, std::ostream* out) { *out << c.name; }

class PublishDelete : public PublishRun, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(PublishDelete, DeleteUnderAReplacingAliasRemovesThePage) {
    const DeleteCase& c = GetParam();
    Settings();
    StandardTemplates();
    AliasFileFor(storage + "News.htm", "replace_file");
    const std::string earlier = "<html><body><h1 id=\"slug\">Yesterday's page</h1>\r\n<p>" + std::string(200, 'x') +
                                "</p>\r\n</body></html>\r\n";
    test::WriteWholeFile(storage + "News.htm", earlier);
    const Story story{.title = "gone", .slug = "Withdrawn", .descriptorCommand = c.descriptorCommand,
                      .headerCommand = c.headerCommand};
    Submit(story);
    ASSERT_EQ(Run(), 0) << Output();
    ExpectGone(story);
    if (c.removed) {
        EXPECT_FALSE(fs::exists(storage + "News.htm")) << Output();
        EXPECT_TRUE(fs::is_empty(storage)) << Output();
    } else {
        ExpectPage(test::ReadWholeFile(storage + "News.htm"), story);
        EXPECT_EQ(Names(storage), std::set<std::string>{"News.htm"}) << Output();
    }
}

INSTANTIATE_TEST_SUITE_P(Commands, PublishDelete,
                         ::testing::Values(DeleteCase{"DescriptorSaysDelete", "Delete", "", true},
                                           DeleteCase{"HeaderDeleteOverridesDescriptorAdd", "Add", "Delete", true},
                                           DeleteCase{"HeaderAddOverridesDescriptorDelete", "Delete", "Add", false}),
                         [](const auto& info) { return std::string(info.param.name); });

// A fill that fails leaves the page that was there as it was (no truncated
// or half-written page, no work file left beside it) and keeps the story
// for another attempt.  Under modify_file the page is its own template.
struct BrokenCase {
    const char* name;
    const char* mode;  // "replace_file" or "modify_file"
    std::map<std::string, std::string> templates;
    std::string earlierPage;
    const char* report;  // a part of the fatal report
};

const std::string kPagePadding = "<p>" + std::string(150, '.') + "</p>\r\n";  // above minfilesize

void PrintTo(const BrokenCase& c, std::ostream* out) { *out << c.name; }

class PublishBroken : public PublishRun, public ::testing::WithParamInterface<BrokenCase> {};

TEST_P(PublishBroken, FailedFillLeavesTheEarlierPageAndKeepsTheStory) {
    const BrokenCase& c = GetParam();
    Settings();
    for (const auto& [name, text] : c.templates) Template(name, text);
    Template("TextLinkTemplate.htm", kLinkTemplate);
    AliasFileFor(storage + "News.htm", c.mode);
    test::WriteWholeFile(storage + "News.htm", c.earlierPage);
    const Story story{.title = "council", .slug = "Council vote"};
    Submit(story);

    ASSERT_EQ(Run(), 0) << Output();
    EXPECT_EQ(test::ReadWholeFile(storage + "News.htm"), c.earlierPage) << Output();
    EXPECT_EQ(Names(storage), std::set<std::string>{"News.htm"}) << Output();
    ExpectKept(story);
    EXPECT_NE(Output().find(c.report), std::string::npos) << Output();

    // Mended, the same story publishes.
    Template("TextTemplate.htm", kTextTemplate);
    for (const auto& [name, text] : c.templates)
        if (name != "TextTemplate.htm") Template(name, "<p>part</p>\r\n");
    if (std::string(c.mode) == "modify_file") test::WriteWholeFile(storage + "News.htm", kTextTemplate);
    for (const std::string& name : {story.title + ".txt", story.title + ".dat"})
        if (fs::exists(in + "OnHold/" + name)) fs::rename(in + "OnHold/" + name, in + name);
    ASSERT_EQ(Run(), 0) << Output();
    ExpectPage(test::ReadWholeFile(storage + "News.htm"), story);
    ExpectGone(story);
}

const std::string kReplaceSelf =
    "<html><body>\r\n<!--Quillmark Begin Replace TextTemplate.htm TextLinkTemplate.htm -->\r\n"
    "<!--Quillmark End Replace -->\r\n</body></html>\r\n";
const std::string kIncludesPart =
    "<html><body>\r\n<!--Quillmark Begin Replace Part.htm TextLinkTemplate.htm -->\r\n"
    "<!--Quillmark End Replace -->\r\n</body></html>\r\n";
const std::string kPartIncludesTemplate =
    "<div>\r\n<!--Quillmark Begin Replace TextTemplate.htm TextLinkTemplate.htm -->\r\n"
    "<!--Quillmark End Replace -->\r\n</div>\r\n";
const std::string kLoop = "<!--Quillmark Begin Replace Loop.htm TextLinkTemplate.htm -->\r\n";

INSTANTIATE_TEST_SUITE_P(
    Templates, PublishBroken,
    ::testing::Values(
        BrokenCase{"ReplaceWithoutTemplate", "replace_file", {}, "<html><body>earlier</body></html>\r\n" + kPagePadding,
                   "Neither the TextTemplate nor the default TextTemplate exist."},
        BrokenCase{"ReplaceWithTemplateNamingItself", "replace_file", {{"TextTemplate.htm", kReplaceSelf}},
                   "<html><body>earlier</body></html>\r\n" + kPagePadding, "includes itself"},
        BrokenCase{"ReplaceWithTemplatesIncludingEachOther", "replace_file",
                   {{"TextTemplate.htm", kIncludesPart}, {"Part.htm", kPartIncludesTemplate}},
                   "<html><body>earlier</body></html>\r\n" + kPagePadding, "includes itself"},
        BrokenCase{"ModifyPageNamingAMissingTemplate", "modify_file", {},
                   "<html><body>\r\n" + kPagePadding +
                       "<!--Quillmark Begin Replace Missing.htm TextLinkTemplate.htm -->\r\n<p>earlier entry</p>\r\n"
                       "<!--Quillmark End Replace -->\r\n</body></html>\r\n",
                   "Neither the TextTemplate nor the default TextTemplate exist."},
        BrokenCase{"ModifyPageIncludingATemplateThatIncludesItself", "modify_file", {{"Loop.htm", kLoop}},
                   "<html><body>\r\n" + kPagePadding +
                       "<!--Quillmark Begin Replace Loop.htm TextLinkTemplate.htm -->\r\n<p>earlier entry</p>\r\n"
                       "<!--Quillmark End Replace -->\r\n</body></html>\r\n",
                   "includes itself"}),
    [](const auto& info) { return std::string(info.param.name); });

// The storage folder on an FTP server, its logon in the alias's output
// file name.  A numbered page lands there; a page rewritten in place
// (modify_file) that is missing fails with a report naming it, and one
// whose fill fails stays on the server as it was.  The logon shows in no
// page, receipt, status line, log or message the runs wrote.
TEST_F(PublishRun, PagesOnAnFtpStorageFolderNeverShowTheLogon) {
    test::VsftpdServer server;
    const fs::path site = server.Root() / "site";
    fs::create_directories(site);
    WriteCounter((site / "ID.dat").string(), 41);
    server.HandRootToUser();
    Settings();
    // The paths the page may show, each without the logon.
    Template("TextTemplate.htm", kTextTemplate.substr(0, kTextTemplate.find("</body>")) +
                                     "<p id=\"paths\"><!--Quillmark StoragePath -->|<!--Quillmark UniqueFilePath -->|"
                                     "<!--Quillmark UniqueFilePathNoServer -->|<!--Quillmark TextFilename --></p>\r\n"
                                     "</body></html>\r\n");
    Template("TextLinkTemplate.htm", kLinkTemplate);
    const std::string logon = "|" + server.User() + "|" + server.Password() + "|";
    const std::string shown = "ftp://127.0.0.1:" + std::to_string(server.Port()) + "/site/";
    AliasFileFor(shown + logon + "News.htm", "unique_file;confirmation=file");
    test::WriteWholeFile(work / "Pressvane/ReceiptConfirmationList.dat", "17;" + receipts + ";\r\n");
    const Story council{.title = "council", .slug = "Council vote"};
    Submit(council);

    ASSERT_EQ(Run(), 0) << Output();
    std::map<std::string, std::string> outputs{{"the first run's output", Output()}};
    const std::string page = test::ReadWholeFile((site / "00041_council.htm").string());
    ExpectPage(page, council);
    EXPECT_NE(page.find("<p id=\"paths\">" + shown + "|" + shown + "|site/|00041_council.htm</p>\r\n"),
              std::string::npos)
        << page;
    EXPECT_EQ(ReadCounter((site / "ID.dat").string()), 42) << Output();
    EXPECT_EQ(Names(site.string()), (std::set<std::string>{"ID.dat", "00041_council.htm"})) << Output();
    ExpectGone(council);
    ASSERT_EQ(Names(receipts).size(), 1u) << Output();

    AliasFileFor(shown + logon + "Latest.htm", "modify_file");
    const Story update{.title = "update", .slug = "Bridge update"};
    Submit(update);
    ASSERT_EQ(Run(), 0) << Output();
    outputs["the second run's output"] = Output();
    EXPECT_NE(Output().find("Neither the TextTemplate nor the default TextTemplate exist. " + shown + "Latest.htm"),
              std::string::npos)
        << Output();
    EXPECT_FALSE(fs::exists(site / "Latest.htm"));
    ExpectKept(update);

    const std::string earlier = "<html><body>\r\n" + kPagePadding +
                                "<!--Quillmark Begin Replace Missing.htm TextLinkTemplate.htm -->\r\n"
                                "<p>earlier entry</p>\r\n<!--Quillmark End Replace -->\r\n</body></html>\r\n";
    test::WriteWholeFile((site / "Latest.htm").string(), earlier);
    server.HandRootToUser();
    fs::remove_all(in + "OnHold");
    Submit(update);
    ASSERT_EQ(Run(), 0) << Output();
    outputs["the third run's output"] = Output();
    EXPECT_EQ(test::ReadWholeFile((site / "Latest.htm").string()), earlier) << Output();
    EXPECT_EQ(Names(site.string()), (std::set<std::string>{"ID.dat", "00041_council.htm", "Latest.htm"})) << Output();
    ExpectKept(update);

    std::map<std::string, std::string> written = FilesUnder(work.Path());
    written.erase(work / "Pressvane/DBFolder.dat");  // the logon is configured there
    for (const auto& [path, bytes] : FilesUnder(server.Root())) written[path] = bytes;
    written.insert(outputs.begin(), outputs.end());
    written["the status log"] = StatusLog();
    EXPECT_FALSE(StatusLog().empty());
    for (const auto& [path, bytes] : written) {
        EXPECT_EQ(bytes.find(server.Password()), std::string::npos) << path << ":\n" << bytes;
        EXPECT_EQ(bytes.find(logon), std::string::npos) << path << ":\n" << bytes;
    }
}

// The page as a reader's browser shows it: the slug and the story, decoded
// by the charset the template declares (the slug's 0xE9 is an e acute in
// Windows-1252).  The route reads no descriptors: the slug is the header's.
TEST_F(PublishRun, PublishedPageRendersInABrowserWithTheTemplatesCharset) {
    Settings(false);
    Template("TextTemplate.htm",
             kTextTemplate.substr(0, kTextTemplate.find("</body>")) +
                 "<script>document.body.setAttribute('data-charset', document.characterSet);</script>\r\n"
                 "</body></html>\r\n");
    Template("TextLinkTemplate.htm", kLinkTemplate);
    AliasFileFor(storage + "News.htm", "unique_file");
    WriteCounter(storage + "ID.dat", 7);
    const Story story{.title = "cafe", .slug = "Caf\xe9 reopens", .body = "The caf\xe9 on Main Street reopened.\r\n"};
    Submit(story, false);
    ASSERT_EQ(Run(), 0) << Output();
    const std::string page = storage + "00007_cafe.htm";
    ASSERT_TRUE(fs::exists(page)) << Output();
    ExpectGone(story);

    const test::RenderedPage shown = test::RenderInChromium(page);
    if (shown.Absent()) GTEST_SKIP() << shown.details;
    ASSERT_TRUE(shown.Rendered()) << shown.details;
    EXPECT_NE(shown.dom.find("<h1 id=\"slug\">Caf\xc3\xa9 reopens</h1>"), std::string::npos) << shown.dom;
    EXPECT_NE(shown.dom.find("<title>Caf\xc3\xa9 reopens</title>"), std::string::npos) << shown.dom;
    EXPECT_NE(shown.dom.find("The caf\xc3\xa9 on Main Street reopened."), std::string::npos) << shown.dom;
    EXPECT_NE(shown.dom.find("charset=windows-1252"), std::string::npos) << shown.dom;
    EXPECT_NE(shown.dom.find("data-charset=\"windows-1252\""), std::string::npos) << shown.dom;
}

// The story index of the storage folder, end to end: made from its template
// by the first story, one more link for a second story, none for the same
// story published again (its page keeps its name); a browser shows the
// links in order, each reaching its page.
TEST_F(PublishRun, TheStoryIndexListsEachStoryOnceWithLinksThatReachItsPage) {
    Settings(false);
    StandardTemplates();
    const std::string head = "<html><head><meta charset=\"windows-1252\"><title>Stories</title></head>\r\n<body><ul>\r\n";
    const std::string tail =
        "</ul>\r\n<script>for (const a of document.querySelectorAll('a')) a.setAttribute('data-target', a.href);"
        "</script>\r\n</body></html>\r\n";
    const std::string marker = "<!--Quillmark Add new links before this line -->";
    Template("StoryIndexTemplate.htm", head + marker + "\r\n" + tail);
    Template("StoryIndexLinkTemplate.htm", "<!-- one line per story -->\r\n"
                                           "<li><a href=\"<!--Quillmark TextFilename -->\"><!--Quillmark Slug --></a></li>\r\n");
    AliasFileFor(storage + "News.htm", "use_original_filename");
    const Story council{.title = "council", .slug = "Council vote"};
    const Story budget{.title = "budget", .slug = "Budget passes", .body = "The budget passed.\r\n"};
    const std::string councilLink = "<li><a href=\"council.htm\">Council vote</a></li>\r\n";
    const std::string budgetLink = "<li><a href=\"budget.htm\">Budget passes</a></li>\r\n";
    struct Step {
        const Story& story;
        std::string index;  // after the step
        std::set<std::string> files;
    };
    const std::set<std::string> both{"Index.htm", "council.htm", "budget.htm"};
    const Step steps[] = {
        {council, head + councilLink + marker + "\r\n" + tail, {"Index.htm", "council.htm"}},
        {budget, head + councilLink + budgetLink + marker + "\r\n" + tail, both},
        {council, head + councilLink + budgetLink + marker + "\r\n" + tail, both},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.story.title);
        Submit(step.story, false);
        ASSERT_EQ(Run(), 0) << Output();
        ExpectGone(step.story);
        ExpectPage(test::ReadWholeFile(storage + step.story.title + ".htm"), step.story);
        EXPECT_EQ(test::ReadWholeFile(storage + "Index.htm"), step.index) << Output();
        EXPECT_EQ(Names(storage), step.files) << Output();
    }

    const test::RenderedPage shown = test::RenderInChromium(storage + "Index.htm");
    if (shown.Absent()) GTEST_SKIP() << shown.details;
    ASSERT_TRUE(shown.Rendered()) << shown.details;
    const std::string folder = test::FileUrl(storage);
    const std::string expected = "<li><a href=\"council.htm\" data-target=\"" + folder +
                                 "council.htm\">Council vote</a></li>\n"
                                 "<li><a href=\"budget.htm\" data-target=\"" + folder +
                                 "budget.htm\">Budget passes</a></li>\n";
    EXPECT_NE(shown.dom.find(expected), std::string::npos) << shown.dom;
    EXPECT_EQ(Count(shown.dom, "<a "), 2) << shown.dom;
}

// What a run killed while publishing was writing (what the in-flight record
// then holds, written here as the killed run left it) goes at the next
// start: a page's unfinished work file, an index page being written under
// a hidden name.  A finished work file, which may be the only copy of a
// page, stays whatever the record says.
TEST_F(PublishRun, WhatAKilledRunWasWritingGoesAtTheNextStart) {
    Settings(false);
    struct Case {
        const char* key;
        std::string file;
        bool removed;
    };
    const Case cases[] = {
        {"work file", storage + "00041_council.htm.tmp.part", true},
        {"copy", storage + ".pvcopy-0123456789ab.part", true},
        {"work file", storage + "Other.htm.tmp", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        test::WriteWholeFile(c.file, "<html><body><p>cut sh");
        test::WriteWholeFile(work / "Pressvane/InFlight.dat", std::string(c.key) + "\t" + c.file + "\r\n");
        ASSERT_EQ(Run(), 0) << Output();
        EXPECT_EQ(fs::exists(c.file), !c.removed) << Output();
        EXPECT_EQ(Output().find("Removed the unfinished") != std::string::npos, c.removed) << Output();
        EXPECT_EQ(test::ReadWholeFile(work / "Pressvane/InFlight.dat"), "");
    }
}

}  // namespace
}  // namespace pv
