// The publish driver's work file, on real folders: the page is written under
// a name of its own and becomes the work file "<output>.tmp" (the one a
// restoral takes) only once it is whole.  The filler here looks into the
// storage folder while the page is being written, as a crash would find it.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "notify/DebugReports.h"
#include "notify/Receipts.h"
#include "publish/DeferredPurges.h"
#include "publish/IndexPages.h"
#include "publish/OutputRestoral.h"
#include "publish/OutputSwap.h"
#include "publish/LinkedFiles.h"
#include "publish/AttachmentTransfer.h"
#include "publish/StoryPublisher.h"
#include "publish/StorySummaryText.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
}

// Writes two lines, looking at the storage folder in between; stops after
// the first when told to.
class PeekingFiller final : public TemplateFiller {
public:
    explicit PeekingFiller(fs::path storage) : m_storage(std::move(storage)) {}
    Status FillTemplate(TemplateFill& fill, const std::string&, const std::string&) override {
        fill.output.WriteLine("<p>first half</p>");
        namesWhileWriting = Names(m_storage);
        if (stop) {
            fill.reports.Fatal("The template stopped.");
            return Status::IoError("The template stopped.");
        }
        fill.output.WriteLine("<p>second half</p>");
        return Status::OK();
    }
    bool stop = false;
    std::set<std::string> namesWhileWriting;

private:
    fs::path m_storage;
};

// An alias that keeps the page "News.htm" of the folder Pages/ (modify_file).
class KeptPageArchive final : public StoryArchive {
public:
    explicit KeptPageArchive(std::string storage) : m_storage(std::move(storage)) {}
    Status PrepareArchive(Publication& publication) override {
        CFileData& story = publication.Story();
        story.options.outputFilename = "News.htm";
        story.options.outputExtension = ".htm";
        story.options.modifyFile = true;
        story.work.storagePath = m_storage;
        return Status::OK();
    }
    Status WriteStoryRow(Publication&) override { return Status::OK(); }
    Status WriteAudioRow(Publication&, const std::string&, const CAudioFileHeader&) override { return Status::OK(); }
    Status Commit(Publication&) override { return Status::OK(); }
    void Close(Publication&) override {}

private:
    std::string m_storage;
};

class WorkFile : public ::testing::Test {
protected:
    WorkFile() {
        for (const char* folder : {"in", "Pages"}) fs::create_directories(dir / folder);
        test::WriteWholeFile(dir / "in/vote.txt", "TQ32_SCRIPT1\r\nFILESLUG:Vote\r\nThe council voted.\r\n");
        route.m_inDir = Location::Parse(dir.Folder() + "in/");
        route.m_strAliases = {"Web"};
        route.m_bLockOutputFolders = false;  // no lock file beside the page
    }

    bool Publish() {
        CFTPFile openStory(files);
        EXPECT_TRUE(openStory.Open(dir / "in/vote.txt", platform::File::modeRead | platform::File::shareDenyNone));
        story.Reset();
        story.work.alias = "Web";
        story.work.slug = "Vote";
        StorySubmission submission{route, story, header, descriptor, Location::Parse(dir / "in/vote.txt"),
                                   Location::Parse(dir / "in/vote.dat"), openStory};
        return publisher.PublishStory(submission);
    }
    std::string Page() const { return test::ReadWholeFile(dir / "Pages/News.htm"); }

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
    FolderLock lock{files, reporter, trace, clock, exit};
    DebugFiles debugFiles{clock, workingFolder};
    DebugReports debug{debugFiles, nullptr};
    KeptPageArchive archive{workingFolder + "Pages/"};
    OutputSwap swap{files, reporter, clock, debug};
    OutputRestoral pages{{files, reporter, clock, debug, mail, swap, workingFolder}, StoryOptions{}};
    IndexPages index{files, clock, workingFolder};
    LinkedFiles links{files, StoryOptions{}};
    TextSummary summary{false};
    audio::CodecModule codecs;
    CAudioFileHeaderCache audioHeaders{clock};
    CPlayRotationEngine rotation{audioHeaders, workingFolder, reporter};
    AudioConverter converter{files, codecs, clock, {}};
    AttachmentTransfer attachments{{files, clock, receipts, converter, rotation, workingFolder}};
    PeekingFiller filler{dir / "Pages"};
    DeferredPurges purges;
    StoryPublisher publisher{{files, reporter, messages, clock, lock, receipts, debug, workingFolder},
                             StoryOptions{},
                             {archive, pages, index, links, summary, filler, purges, attachments}};
    CDirOptions route;
    CFileData story;
    CTextFileHeader header;
    CDatFile descriptor;
};

TEST_F(WorkFile, ThePageBecomesTheWorkFileOnlyOnceItIsWhole) {
    struct Row {
        const char* name;
        bool staleWorkFile;  // a finished work file of an earlier run, whose page is in place
        bool stop;           // the fill stops half way
        std::set<std::string> whileWriting;
        const char* pageAfter;
    };
    const std::string whole = "<p>first half</p>\r\n<p>second half</p>\r\n";
    const Row rows[] = {
        {"a fill that ends", false, false, {"News.htm", "News.htm.tmp.part"}, nullptr},
        {"a fill that stops", false, true, {"News.htm", "News.htm.tmp.part"}, "<p>the page as it was</p>\r\n"},
        {"a work file of an earlier run gives way", true, false,
         {"News.htm", "News.htm.tmp", "News.htm.tmp.part"}, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        test::WriteWholeFile(dir / "Pages/News.htm", "<p>the page as it was</p>\r\n");
        if (row.staleWorkFile) test::WriteWholeFile(dir / "Pages/News.htm.tmp", "<p>an older page</p>\r\n");
        filler.stop = row.stop;
        EXPECT_EQ(Publish(), !row.stop);

        EXPECT_EQ(filler.namesWhileWriting, row.whileWriting);
        EXPECT_EQ(Page(), row.pageAfter ? row.pageAfter : whole);
        EXPECT_EQ(Names(dir / "Pages"), std::set<std::string>{"News.htm"});
    }
}

}  // namespace
}  // namespace pv
