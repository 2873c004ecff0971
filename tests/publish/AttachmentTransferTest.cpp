// The transfer of one file a story links to, on real folders with the real
// codecs, on 9 December 2026: names by the alias's prefix, numbered names,
// conversion, the clip from the play rotation in front of (and behind) the
// cut, the copy rules, the original deleted or kept, receipts, and no
// temporary file left on any path.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <set>

#include "audio/AudioFileHeader.h"
#include "notify/Receipts.h"
#include "platform/HostEnvironment.h"
#include "publish/AttachmentTransfer.h"
#include "publish/StoryReports.h"
#include "support/AudioTestSupport.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/ScopedTimeZone.h"
#include "support/TempDir.h"

namespace pv {
namespace {

namespace fs = std::filesystem;
using test::Chunk;

std::string Tags(const std::string& description) {
    return Chunk("LIST", "INFO" + Chunk("ICMT", "QMTGBEGN\r\nQMTGDESC:" + description + "\r\nQMTGENDL\r\n"));
}

// 8 kHz mono 16-bit: 16000 bytes a second.
std::string Cut() { return test::PcmWav(1, 8000, 16, 16000, {}, Tags("Council vote cut")); }
std::string Clip() { return test::PcmWav(1, 8000, 16, 4000, {}, Tags("Station ident")); }

std::string Samples(const std::string& file) {
    const size_t data = test::FindTopChunk(file, "data");
    return file.substr(data + 8, test::ChunkSize(file, data));
}

// The unique-number file: four bytes, little-endian.
std::string Counter(uint32_t value) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<size_t>(i)] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
}

// Public: the rows of the case table set the fixture up.
class AttachmentTransferTest : public ::testing::Test {
public:
    AttachmentTransferTest() {
        for (const char* folder : {"Pressvane", "Pages", "Links", "Receipts", "w/Audio", "w/Play"})
            fs::create_directories(dir.Path() / folder);
        clock.Set(std::chrono::system_clock::from_time_t(platform::Clock::MakeLocalTime(2026, 12, 9, 10, 15, 30)));
        test::WriteWholeFile(dir / "Pressvane/ReceiptConfirmationList.dat", "17;" + dir.Folder() + "Receipts/;\r\n");
        Reset();
    }

    void Reset() {
        for (const char* folder : {"Pages", "Links", "Receipts", "w/Audio", "w/Play"}) {
            fs::remove_all(dir.Path() / folder);
            fs::create_directories(dir.Path() / folder);
        }
        test::WriteWholeFile(dir / "w/Audio/cut.wav", Cut());
        test::WriteWholeFile(dir / "w/Play/Ident.wav", Clip());
        story.Reset();
        story.work.slug = "Council vote";
        story.work.alias = "Web";
        story.options.audioFormat = 1;
        state = RouteStoryState{};
        route = CDirOptions{};
        descriptor.m_nSenderNumber = 17;
        reporter.Clear();
    }

    // Transfers the file; path becomes where it went.
    bool Transfer(std::string& path) {
        CFTPFile openStory(files);
        StorySubmission submission{route, story, header, descriptor, Location::Parse(dir / "in/story.txt"),
                                   Location::Parse(dir / "in/story.dat"), openStory};
        StoryReports reports(messages, reporter, route, story.work.slug);
        CFTPFile output(files);
        MacroValues values;
        Publication publication{submission, state, reports, output, values, {}};
        publication.paths.storage = Location::Parse(dir.Folder() + "Pages/");
        const bool transferred = attachments.TransferAttachedFile(publication, path);
        prepended.CopyValues(publication.prependedAudio);
        return transferred;
    }

    std::set<std::string> Names(const std::string& folder) const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.Path() / folder)) {
            const std::string name = entry.path().filename().string();
            if (name != "ID.dat") names.insert(name);
        }
        return names;
    }
    bool Said(const std::string& text) const { return reporter.AllText().find(text) != std::string::npos; }
    bool TemporaryFilesLeft() {
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator(files.TempFolder(), ec))
            if (entry.path().filename().string().starts_with("ZZQMTemp")) return true;
        return false;
    }

    test::ScopedTimeZone zone{"UTC0"};
    test::TempDir dir;
    platform::HostEnvironment host{platform::PathMapSettings{{{'W', (dir.Path() / "w").string()}}, {}}};
    platform::ScopedHostEnvironment installed{host};
    const std::string workingFolder = dir.Folder();
    test::FakeClock clock;
    test::RecordingReporter reporter;
    FileAccess files{reporter, clock};
    WireMessages messages{files, reporter, workingFolder};
    MailSender mail;
    Receipts receipts{files, messages, mail, clock, workingFolder};
    audio::CodecModule codecs;
    // The play rotation reads headers afresh, so it keeps real time.
    CAudioFileHeaderCache headers;
    CPlayRotationEngine rotation{headers, "W:\\Play", reporter};
    AudioConverter converter{files, codecs, clock, {workingFolder, workingFolder + "Pressvane/Pressvane.ini", {}, 100}};
    AttachmentTransfer attachments{{files, clock, receipts, converter, rotation, workingFolder}};

    CDirOptions route;
    CFileData story;
    CTextFileHeader header;
    CDatFile descriptor;
    RouteStoryState state;
    CAudioFileHeader prepended;
};

TEST_F(AttachmentTransferTest, TransferCases) {
    struct Case {
        const char* what;
        std::function<void(AttachmentTransferTest&)> setUp;
        const char* attachment;              // as the story names it
        bool transferred;
        std::set<std::string> pages;         // Pages/ afterwards, ID.dat aside
        const char* said = "";               // a status line that must be there
        bool originalKept = true;
        std::map<std::string, std::string> contents = {};  // files of Pages/ and their bytes afterwards
    };
    std::set<std::string> allNumbered{"cut.wav"};
    for (int n = 1; n <= 99; ++n) allNumbered.insert("cut_" + std::to_string(n) + ".wav");
    using T = AttachmentTransferTest;
    const Case cases[] = {
        {"no naming option: the next number of the storage folder",
         [](T& t) { test::WriteWholeFile(t.dir / "Pages/ID.dat", Counter(41)); },
         "W:\\Audio\\cut.wav", true, {"00041_cut.wav"}, "Sucess: Output FileSize: 16"},
        {"the counter starts again at 0 after 99999",
         [](T& t) { test::WriteWholeFile(t.dir / "Pages/ID.dat", Counter(99999)); },
         "W:\\Audio\\cut.wav", true, {"99999_cut.wav"}},
        {"the date, year first",
         [](T& t) { t.story.fileOptions.prependDashedDateToAttachmentFilenames = true; },
         "W:\\Audio\\cut.wav", true, {"2026-12-09-cut.wav"}},
        {"the date, month first",
         [](T& t) { t.story.fileOptions.prependDateToAttachmentFilenames = true; },
         "W:\\Audio\\cut.wav", true, {"12-09-2026-cut.wav"}},
        {"the slug", [](T& t) { t.story.options.useSlugForFilename = true; },
         "W:\\Audio\\cut.wav", true, {"Council_vote_cut.wav"}},
        {"the original name", [](T& t) { t.story.options.useOriginalFilename = true; },
         "W:\\Audio\\cut.wav", true, {"cut.wav"}},
        {"numbered names: a taken name becomes the first free title_n",
         [](T& t) {
             t.story.options.useOriginalFilename = t.story.options.useNumberedOutputFilenamesForAttachments = true;
             for (const char* name : {"cut.wav", "cut_1.wav"}) test::WriteWholeFile(t.dir / ("Pages/" + std::string(name)), "x");
         },
         "W:\\Audio\\cut.wav", true, {"cut.wav", "cut_1.wav", "cut_2.wav"}},
        {"numbered names: when all 99 are taken nothing is overwritten",
         [](T& t) {
             t.story.options.useOriginalFilename = t.story.options.useNumberedOutputFilenamesForAttachments = true;
             test::WriteWholeFile(t.dir / "Pages/cut.wav", "x");
             for (int n = 1; n <= 99; ++n)
                 test::WriteWholeFile(t.dir / ("Pages/cut_" + std::to_string(n) + ".wav"), "x");
         },
         "W:\\Audio\\cut.wav", false, allNumbered, "The names cut_1.wav to cut_99.wav are all taken", true,
         {{"cut.wav", "x"}, {"cut_99.wav", "x"}}},
        {"the same format is copied over what is there",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             test::WriteWholeFile(t.dir / "Pages/cut.wav", "an older cut");
         },
         "W:\\Audio\\cut.wav", true, {"cut.wav"}, "", true, {{"cut.wav", Cut()}}},
        {"MPEG audio without a WAV wrapper goes as a plain file",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.story.options.audioFormat = 85;
             t.story.options.audioToPrepend = "Ident";
             t.story.options.prependAudio = true;
             test::WriteWholeFile(t.dir / "w/Audio/raw.mp3", std::string(5000, '\xff'));
         },
         "W:\\Audio\\raw.mp3", true, {"raw.mp3"}, "", true, {{"raw.mp3", std::string(5000, '\xff')}}},
        {"format 0 converts nothing, profile or not",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.story.options.audioFormat = 0;
             t.story.options.wmaProfileFilename = t.dir / "news.prx";
         },
         "W:\\Audio\\cut.wav", true, {"cut.wav"}, "", true, {{"cut.wav", Cut()}}},
        {"\"Replace Text Only\" transfers nothing",
         [](T& t) { t.story.work.command = kCmdReplaceTextOnly; },
         "W:\\Audio\\cut.wav", false, {}},
        {"dont_copy_linked_files transfers nothing",
         [](T& t) {
             t.story.options.dontCopyLinkedFiles = true;
             t.story.options.deleteLinkedFilesAfterCopy = true;
         },
         "W:\\Audio\\cut.wav", false, {}},
        {"delete_linked_files_after_copy takes the original once the copy is in place",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.story.options.deleteLinkedFilesAfterCopy = true;
         },
         "W:\\Audio\\cut.wav", true, {"cut.wav"}, "", false},
        {"a failed compression leaves no output and keeps the original",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.story.options.deleteLinkedFilesAfterCopy = true;
             t.story.options.audioFormat = 1001;
             test::WriteWholeFile(t.dir / "Pressvane/Pressvane.ini", "[Audio Formats]\r\n1001 Exe=/nonexistent/encoder\r\n");
         },
         "W:\\Audio\\cut.wav", false, {}, "Unable to compress audio file"},
        {"a converted file never replaces an output that is there",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.story.options.audioFormat = 85;
             t.story.options.audioBitrate = 32000;
             test::WriteWholeFile(t.dir / "Pages/cut.mp3", "an older cut");
         },
         "W:\\Audio\\cut.wav", false, {"cut.mp3"}, "Copy of compressed output file failed.", true,
         {{"cut.mp3", "an older cut"}}},
        {"unless overwrite_attachment_files",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.story.options.audioFormat = 85;
             t.story.options.audioBitrate = 32000;
             t.story.fileOptions.overwriteAttachmentFiles = true;
             test::WriteWholeFile(t.dir / "Pages/cut.mp3", "an older cut");
         },
         "W:\\Audio\\cut.wav", true, {"cut.mp3"}},
        {"the route's link output folder",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             t.state.linkOutputPath = t.dir.Folder() + "Links/";
         },
         "W:\\Audio\\cut.wav", true, {}},
        {"a relative name hangs off the working folder",
         [](T& t) {
             t.story.options.useOriginalFilename = true;
             test::WriteWholeFile(t.dir / "Pressvane/local.wav", Cut());
         },
         "Pressvane/local.wav", true, {"local.wav"}},
        {"a missing file is said and not linked",
         [](T& t) { t.story.options.useOriginalFilename = true; },
         "W:\\Audio\\absent.wav", false, {}, "Unable to transfer attached file absent.wav to Web."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Reset();
        c.setUp(*this);
        std::string path = c.attachment;
        const std::string original = path;
        EXPECT_EQ(Transfer(path), c.transferred) << reporter.AllText();
        EXPECT_EQ(Names("Pages"), c.pages);
        for (const auto& [name, bytes] : c.contents)
            EXPECT_TRUE(test::ReadWholeFile(dir / ("Pages/" + name)) == bytes) << name;
        if (c.transferred) {
            EXPECT_NE(path, original);
            EXPECT_TRUE(fs::exists(path)) << path;
        } else {
            EXPECT_EQ(path, original) << "a file that did not go is linked where it is";
        }
        if (*c.said) {
            EXPECT_TRUE(Said(c.said)) << reporter.AllText();
        }
        if (original == "W:\\Audio\\cut.wav") {
            EXPECT_EQ(fs::exists(dir / "w/Audio/cut.wav"), c.originalKept);
        }
        EXPECT_FALSE(TemporaryFilesLeft());
    }
}

TEST_F(AttachmentTransferTest, TwoTransfersOfOneFileGetConsecutiveNumbers) {
    test::WriteWholeFile(dir / "Pages/ID.dat", Counter(41));
    for (const char* expected : {"00041_cut.wav", "00042_cut.wav"}) {
        std::string path = "W:\\Audio\\cut.wav";
        ASSERT_TRUE(Transfer(path)) << reporter.AllText();
        EXPECT_EQ(path, dir.Folder() + "Pages/" + expected);
    }
    EXPECT_TRUE(Said("Transferring attached file cut.wav to Web size: " + std::to_string(Cut().size()) + "."));
}

TEST_F(AttachmentTransferTest, ClipInFrontAndBehindKeepsTheCutsTags) {
    story.options.useOriginalFilename = true;
    story.options.audioToPrepend = "Ident";
    story.options.prependAudio = true;
    story.options.audioPrependSilence = 250;  // 4000 bytes
    story.options.appendPrependedAudio = true;
    story.options.audioAppendSilence = 125;  // 2000 bytes
    std::string path = "W:\\Audio\\cut.wav";
    ASSERT_TRUE(Transfer(path)) << reporter.AllText();
    const std::string joined = test::ReadWholeFile(path);
    const std::string clip = Samples(Clip()), cut = Samples(Cut());
    EXPECT_TRUE(Samples(joined) == clip + std::string(4000, '\0') + cut + std::string(2000, '\0') + clip);
    CAudioFileHeader tags;
    ASSERT_TRUE(tags.ReadHeader(path));
    EXPECT_EQ(tags.Tag(tagDescription), "Council vote cut");
    EXPECT_EQ(joined.find("Station ident"), std::string::npos);
    EXPECT_EQ(prepended.Tag(tagDescription), "Station ident") << "the \"Prepended AF\" macros show the clip";
    EXPECT_FALSE(TemporaryFilesLeft());
}

TEST_F(AttachmentTransferTest, AClipThatCannotBeJoinedLeavesTheCutAsItIs) {
    story.options.useOriginalFilename = true;
    story.options.audioToPrepend = "Ident";
    story.options.prependAudio = true;
    test::WriteWholeFile(dir / "w/Play/Ident.wav", test::PcmWav(2, 44100, 16, 400));
    std::string path = "W:\\Audio\\cut.wav";
    ASSERT_TRUE(Transfer(path)) << reporter.AllText();
    EXPECT_EQ(test::ReadWholeFile(path), Cut());
    EXPECT_TRUE(Said("Files are not the same format.")) << reporter.AllText();
    EXPECT_FALSE(TemporaryFilesLeft());
}

// The clips of a rotation list go in turn, one per attachment.
TEST_F(AttachmentTransferTest, ClipsComeFromTheRotationInTurn) {
    story.options.audioToPrepend = "Idents";
    story.options.prependAudio = true;
    test::WriteWholeFile(dir / "w/Play/Idents.rpl", "[one]\r\n[two]\r\n");
    test::WriteWholeFile(dir / "w/Play/one.wav", test::PcmWav(1, 8000, 16, 100, {}, Tags("one")));
    test::WriteWholeFile(dir / "w/Play/two.wav", test::PcmWav(1, 8000, 16, 100, {}, Tags("two")));
    std::vector<std::string> given;
    for (int i = 0; i < 3; ++i) {
        std::string path = "W:\\Audio\\cut.wav";
        ASSERT_TRUE(Transfer(path)) << reporter.AllText();
        given.push_back(prepended.Tag(tagDescription));
    }
    EXPECT_EQ(given, (std::vector<std::string>{"one", "two", "one"}));
}

TEST_F(AttachmentTransferTest, WmaProfileEncodesPcmIntoWindowsMediaAudio) {
    // wmav2, 64 kbit/s, 22.05 kHz mono, and a cut in the PCM the profile takes.
    test::WriteWholeFile(dir / "news.prx", test::WmaProfileBytes(353, 1, 22050, 64000));
    test::WriteWholeFile(dir / "w/Audio/cut.wav", test::PcmWav(1, 22050, 16, 44100));
    story.options.useOriginalFilename = true;
    story.options.wmaProfileFilename = dir / "news.prx";  // and format 1, the file's own
    std::string path = "W:\\Audio\\cut.wav";
    ASSERT_TRUE(Transfer(path)) << reporter.AllText();
    EXPECT_EQ(path, dir.Folder() + "Pages/cut.wma");
    auto probe = test::Probe(path);
    EXPECT_EQ(probe["format_name"], "asf");
    EXPECT_EQ(probe["codec_name"], "wmav2");
    EXPECT_EQ(test::DecodeErrors(path), "");
    EXPECT_FALSE(TemporaryFilesLeft());
}

TEST_F(AttachmentTransferTest, AnOperatorsProgramGetsFourArgumentsAndItsSuffix) {
    const std::string script = dir / "encode it.sh";
    test::WriteWholeFile(script, "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + (dir / "argv.txt") + "\"\ncp \"$1\" \"$2\"\n");
    fs::permissions(script, fs::perms::owner_all);
    test::WriteWholeFile(dir / "Pressvane/Pressvane.ini", "[Audio Formats]\r\n1002 Exe=" + script + "\r\n1002 Ext=.mp3\r\n");
    story.options.useOriginalFilename = true;
    story.options.audioFormat = 1002;
    std::string path = "W:\\Audio\\cut.wav";
    ASSERT_TRUE(Transfer(path)) << reporter.AllText();
    EXPECT_EQ(path, dir.Folder() + "Pages/cut.mp3");
    const std::string argv = test::ReadWholeFile(dir / "argv.txt");
    EXPECT_TRUE(argv.ends_with("\ncut.mp3\n")) << argv;
    EXPECT_EQ(std::count(argv.begin(), argv.end(), '\n'), 3) << argv;
    EXPECT_FALSE(TemporaryFilesLeft());
}

TEST_F(AttachmentTransferTest, TheSenderGetsAReceiptForEachFileAndOutcome) {
    story.options.useOriginalFilename = true;
    story.options.receiptByEmail = true;
    std::string good = "W:\\Audio\\cut.wav", missing = "W:\\Audio\\absent.wav";
    EXPECT_TRUE(Transfer(good));
    EXPECT_FALSE(Transfer(missing));
    std::string texts;
    for (const std::string& name : Names("Receipts")) texts += test::ReadWholeFile(dir / ("Receipts/" + name));
    EXPECT_NE(texts.find("File: " + dir.Folder() + "Pages/cut.wav was successfully received."), std::string::npos)
        << texts;
    EXPECT_NE(texts.find("Council vote-Failure z z"), std::string::npos) << texts;
    EXPECT_NE(texts.find("absent.wav was NOT successfully received."), std::string::npos) << texts;

    // "Replace Text Only" transfers nothing but still answers the sender.
    fs::remove_all(dir.Path() / "Receipts");
    fs::create_directories(dir.Path() / "Receipts");
    story.work.command = kCmdReplaceTextOnly;
    std::string again = "W:\\Audio\\cut.wav";
    EXPECT_FALSE(Transfer(again));
    EXPECT_EQ(Names("Receipts").size(), 1u);
}

}  // namespace
}  // namespace pv
