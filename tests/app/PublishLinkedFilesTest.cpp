// Stories that link to files, published through the whole publishing half
// on real folders: the files land beside the page and the page's links
// reach them (in a real browser too), a Delete takes them away again and
// nothing outside the storage folder, a story whose links go to the top is
// never rewritten, and the archive gets one "Audio" row per linked cut.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/PublishService.h"
#include "platform/HostEnvironment.h"
#include "support/ArchiveDatabases.h"
#include "support/AudioTestSupport.h"
#include "support/Browser.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

// The page; a script notes on every link where the browser resolved it.
const std::string kTemplate =
    "<html><head><meta charset=\"windows-1252\"><title><!--Quillmark Slug --></title></head>\r\n"
    "<body><h1><!--Quillmark Slug --></h1>\r\n<!--Quillmark Story -->\r\n"
    "<script>for (const e of document.querySelectorAll('[href],[src]')) "
    "e.setAttribute('data-target', e.href || e.src);</script>\r\n</body></html>\r\n";
const std::string kAudioLink =
    "<a class=\"cut\" href=\"<!--Quillmark LinkedFilename -->\">[<!--Quillmark LinkedFilename -->]</a>";
const std::string kPictureLink =
    "<img class=\"picture\" src=\"<!--Quillmark LinkedFilename -->\" alt=\"[<!--Quillmark LinkedFilename -->]\">";
const std::string kOtherLink = "<span class=\"other\">[<!--Quillmark LinkedFilenameOriginal -->]</span>";

const std::string kBody =
    "Listen [W:\\Audio\\cut.wav] and look [W:\\Pictures\\photo.jpg]; [W:\\Audio\\missing.wav] is gone.\r\n"
    "Hostile: [..\\..\\etc\\passwd] [/etc/passwd] [C:\\x]";

std::string Story(const std::string& command, const std::string& body) {
    return "TQ32_SCRIPT1\r\nFILESLUG:Council vote\r\nFILECMD1:" + command + "\r\n" + body + "\r\n";
}

class LinkedFilesPublishing : public ::testing::Test {
protected:
    LinkedFilesPublishing() {
        for (const char* folder : {"in", "Pressvane/Templates", "Templates", "site/Pages", "w/Audio", "w/Pictures",
                                   "c", "etc"})
            fs::create_directories(dir / folder);
        route.m_inDir = Location::Parse(dir.Folder() + "in/");
        route.m_bProcessDatFiles = false;
        route.m_bProcessTxtFiles = true;
        route.m_strAliases = {"Web"};
        options.stories.copyExtensions = {"wav", "jpg"};
        options.stories.copyPaths = {dir.Folder() + "Pressvane/In/", "W:\\Audio\\", "W:\\Pictures\\"};
        test::WriteWholeFile(dir / "Templates/TextTemplate.htm", kTemplate);
        test::WriteWholeFile(dir / "Templates/TextLinkTemplatewav.htm", kAudioLink);
        test::WriteWholeFile(dir / "Templates/TextLinkTemplatejpg.htm", kPictureLink);
        test::WriteWholeFile(dir / "Templates/TextLinkTemplate.htm", kOtherLink);
        test::WriteWholeFile(dir / "w/Audio/cut.wav", test::PcmWav(1, 8000, 16, 16000));
        test::WriteWholeFile(dir / "w/Pictures/photo.jpg", "\xff\xd8\xff\xe0 not much of a picture");
        // What the hostile references would reach if they were followed.
        test::WriteWholeFile(dir / "etc/passwd", "root:x:0:0");
        test::WriteWholeFile(dir / "c/x", "drive C");
        Aliases("Web;output_filename=site/Pages/News.htm;replace_file");
    }

    static platform::PathMapSettings Drives(const test::TempDir& dir) {
        platform::PathMapSettings map;
        map.drives['W'] = (dir.Path() / "w").string();
        map.drives['C'] = (dir.Path() / "c").string();
        return map;
    }
    void Aliases(const std::string& line) {
        test::WriteWholeFile(dir / "Pressvane/DBFolder.dat",
                             line + ";template_directory=" + dir.Folder() + "Templates\r\n");
    }
    bool Publish(const std::string& text) {
        test::WriteWholeFile(dir / "in/vote.txt", text);
        PublishService service(options, {workingFolder, files, reporter, trace, clock, messages, mail, receipts, lock,
                                         debugFiles, nullptr, exit, codecs});
        return service.Handle(route, {"vote.txt", 0, clock.NowSeconds()}).published;
    }
    std::string Page() const { return test::ReadWholeFile(dir / "site/Pages/News.htm"); }
    // The names in the storage folder but the page and the counter.
    std::vector<std::string> LinkedFiles() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir / "site/Pages")) {
            const std::string name = entry.path().filename().string();
            if (name != "News.htm" && name != "ID.dat") names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // The values of an attribute in a page, in order.
    static std::vector<std::string> Attributes(const std::string& page, const std::string& attribute) {
        std::vector<std::string> values;
        const std::string start = attribute + "=\"";
        for (size_t at = page.find(start); at != std::string::npos; at = page.find(start, at + 1)) {
            const size_t from = at + start.size();
            values.push_back(page.substr(from, page.find('"', from) - from));
        }
        return values;
    }
    void ExpectNothingOutsideTouched() const {
        EXPECT_EQ(test::ReadWholeFile(dir / "etc/passwd"), "root:x:0:0");
        EXPECT_EQ(test::ReadWholeFile(dir / "c/x"), "drive C");
        EXPECT_TRUE(fs::exists(dir / "w/Audio/cut.wav"));
        EXPECT_TRUE(fs::exists(dir / "w/Pictures/photo.jpg"));
        EXPECT_TRUE(fs::exists("/etc/passwd"));
    }

    test::TempDir dir;
    platform::HostEnvironment host{Drives(dir)};
    platform::ScopedHostEnvironment installed{host};
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

// The WAV and the picture are copied beside the page and linked by their
// new names; the missing file is linked by its name; the hostile names are
// shown as written and copied nowhere.
TEST_F(LinkedFilesPublishing, LinkedFilesLandBesideThePage) {
    ASSERT_TRUE(Publish(Story("Add", kBody)));
    const std::vector<std::string> copies = LinkedFiles();
    ASSERT_EQ(copies.size(), 2u) << Page();
    EXPECT_EQ(copies[0].substr(copies[0].size() - 8), "_cut.wav");
    EXPECT_EQ(copies[1].substr(copies[1].size() - 10), "_photo.jpg");
    EXPECT_EQ(test::ReadWholeFile(dir / ("site/Pages/" + copies[0])), test::ReadWholeFile(dir / "w/Audio/cut.wav"));

    const std::string page = Page();
    EXPECT_EQ(Attributes(page, "href"), (std::vector<std::string>{copies[0], "missing.wav"})) << page;
    EXPECT_EQ(Attributes(page, "src"), (std::vector<std::string>{copies[1]})) << page;
    EXPECT_NE(page.find("<span class=\"other\">[..\\..\\etc\\passwd]</span>"), std::string::npos) << page;
    EXPECT_NE(page.find("<span class=\"other\">[C:\\x]</span>"), std::string::npos) << page;
    ExpectNothingOutsideTouched();
}

// The browser resolves the page's links to the files that were copied.
TEST_F(LinkedFilesPublishing, ThePageRendersWithWorkingLinks) {
    ASSERT_TRUE(Publish(Story("Add", kBody)));
    const test::RenderedPage rendered = test::RenderInChromium((dir.Path() / "site/Pages/News.htm").string());
    if (rendered.Absent()) GTEST_SKIP() << rendered.details;
    ASSERT_TRUE(rendered.Rendered()) << rendered.details;
    const std::vector<std::string> targets = Attributes(rendered.dom, "data-target");
    ASSERT_EQ(targets.size(), 3u) << rendered.dom;
    const std::string folder = test::FileUrl((dir.Path() / "site/Pages").string()) + "/";
    const std::vector<std::string> copies = LinkedFiles();
    EXPECT_EQ(targets, (std::vector<std::string>{folder + copies[0], folder + copies[1], folder + "missing.wav"}));
    for (const std::string& copy : copies) EXPECT_TRUE(fs::exists(dir / ("site/Pages/" + copy))) << copy;
    EXPECT_NE(rendered.dom.find("[..\\..\\etc\\passwd]"), std::string::npos) << rendered.dom;
}

// A Delete takes the page and the files it links to, and nothing outside
// the storage folder, whatever the page names.
TEST_F(LinkedFilesPublishing, DeleteTakesTheLinkedFilesAndNothingOutside) {
    ASSERT_TRUE(Publish(Story("Add", kBody)));
    ASSERT_EQ(LinkedFiles().size(), 2u);
    test::WriteWholeFile(dir / "site/Pages/Index.htm", "the story index");
    ASSERT_TRUE(Publish(Story("Delete", kBody)));
    EXPECT_FALSE(fs::exists(dir / "site/Pages/News.htm"));
    EXPECT_EQ(LinkedFiles(), std::vector<std::string>{"Index.htm"});
    ExpectNothingOutsideTouched();
}

// A Delete under an alias that keeps linked files takes the page only.
TEST_F(LinkedFilesPublishing, DeleteKeepsLinkedFilesWhenTheAliasSaysSo) {
    ASSERT_TRUE(Publish(Story("Add", kBody)));
    Aliases("Web;output_filename=site/Pages/News.htm;replace_file;dont_purge_old_linked_files");
    ASSERT_TRUE(Publish(Story("Delete", kBody)));
    EXPECT_FALSE(fs::exists(dir / "site/Pages/News.htm"));
    EXPECT_EQ(LinkedFiles().size(), 2u);
}

// Links moved to the top come from a private copy of the story: the story
// in the input folder is the same after a failed attempt, the retry shows
// the links once, and the linked files are copied from the rewritten story.
TEST_F(LinkedFilesPublishing, LinksMovedToTopNeverRewriteTheStory) {
    route.m_strLinkExts[0] = {"wav"};
    options.stories.aliasRetryCount = 1;
    options.stories.aliasRetryDelayMs = 1000;
    options.stories.putRetriesOnHold = false;
    Aliases("Web;output_filename=site/Pages/News.htm;replace_file;move_first_links_to_top;copy_all_links_before_text;"
            "texttemplatename=Top");
    const std::string story = Story("Add", "Intro.\r\nListen [W:\\Audio\\cut.wav] now.");
    std::string seenBeforeRetry;
    clock.OnSleep([&](int) {
        seenBeforeRetry = test::ReadWholeFile(dir / "in/vote.txt");
        test::WriteWholeFile(dir / "Templates/Top.htm", "<!--Quillmark TextFile -->\r\n");
    });
    ASSERT_TRUE(Publish(story));
    EXPECT_EQ(seenBeforeRetry, story);
    const std::vector<std::string> copies = LinkedFiles();
    ASSERT_FALSE(copies.empty());
    EXPECT_EQ(test::ReadWholeFile(dir / ("site/Pages/" + copies.back())), test::ReadWholeFile(dir / "w/Audio/cut.wav"));
    EXPECT_EQ(Page(), "FILESLUG:Council vote<BR>\r\nFILECMD1:Add<BR>\r\n[W:\\Audio\\cut.wav]<BR>\r\n<BR>\r\n<BR>\r\n"
                      "Intro.<BR>\r\nListen  now.<BR>\r\n\r\n");
    for (const auto& entry : fs::directory_iterator(files.TempFolder()))
        EXPECT_EQ(entry.path().filename().string().find("QMDBTemp"), std::string::npos) << entry.path();
}

// An alias that archives its stories: one "Audio" row for each cut the
// page links to, however often the page names it (the story and its feed
// form, the _HI variant), none for a picture; none from a publication that
// failed, and its retry writes each once.  The database is read with the
// sqlite3 tool.
TEST_F(LinkedFilesPublishing, TheArchiveGetsOneAudioRowPerLinkedCut) {
    test::InstallMasterDatabase(workingFolder);
    fs::create_directories(dir / "Archive");
    test::WriteWholeFile(dir / "w/Audio/cut_HI.wav", test::PcmWav(1, 8000, 16, 24000));
    test::WriteWholeFile(dir / "w/Audio/other.wav", test::PcmWav(1, 8000, 16, 8000));
    Aliases("Web;database=" + dir.Folder() + "Archive/news.mdb;output_file_extension=.htm");
    const std::string blocks = "<!--Quillmark Story -->\r\n<!--Quillmark Story-RSS -->\r\n";
    const std::string story =
        Story("Add", "[W:\\Audio\\cut.wav] and [W:\\Audio\\cut_HI.wav] [W:\\Pictures\\photo.jpg]\r\n"
                     "[W:\\Audio\\other.wav] [W:\\Audio\\cut.wav]");
    const std::string database = dir / "Archive/news.mdb";

    test::WriteWholeFile(dir / "Templates/TextTemplate.htm",
                         blocks + "<!--Quillmark Begin Replace Missing.htm TextLinkTemplate.htm -->\r\n");
    options.stories.putRetriesOnHold = false;
    EXPECT_FALSE(Publish(story));
    EXPECT_EQ(test::SqliteRows(database, "SELECT count(*) FROM \"Audio\""), "0\n");

    test::WriteWholeFile(dir / "Templates/TextTemplate.htm", blocks);
    ASSERT_TRUE(Publish(story)) << reporter.AllText();
    EXPECT_EQ(test::SqliteRows(database, "SELECT \"TextID\" FROM \"Text\""), "1\n");
    EXPECT_EQ(test::SqliteRows(database, "SELECT \"TextID\", \"LinkedFilename\" FROM \"Audio\" ORDER BY rowid"),
              "1|W:\\Audio\\cut.wav\n1|W:\\Audio\\other.wav\n");
}

}  // namespace
}  // namespace pv
