// The story's references: names and their variants, which files are copied,
// the transfer at the first look-up (once), the link line slots, and taking
// back a copy.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "publish/StoryReferences.h"
#include "support/AudioTestSupport.h"
#include "publish/StoryFixture.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class References : public test::StoryFixture {
protected:
    void Put(const std::string& relative, const std::string& bytes = "data") {
        fs::create_directories((dir.Path() / relative).parent_path());
        test::WriteWholeFile(dir / relative, bytes);
    }
};

TEST(ReferenceNames, VariantsShareTheirKey) {
    struct Case {
        std::string name, key, high, low;
    };
    const std::vector<Case> cases = {
        {"C:\\Cuts\\News_LO.wav", "C:\\Cuts\\News.wav", "C:\\Cuts\\News_HI.wav", "C:\\Cuts\\News_LO.wav"},
        {"C:\\Cuts\\News_hi.wav", "C:\\Cuts\\News.wav", "C:\\Cuts\\News_HI.wav", "C:\\Cuts\\News_LO.wav"},
        {"C:\\Cuts\\News.wav", "C:\\Cuts\\News.wav", "C:\\Cuts\\News_HI.wav", "C:\\Cuts\\News_LO.wav"},
        {"cut", "cut", "cut_HI", "cut_LO"},
        {"a.b\\c_LO", "a.b\\c", "a.b\\c_HI", "a.b\\c_LO"},
        {"_HI.wav", ".wav", "_HI.wav", "_LO.wav"},
        {"HI.wav", "HI.wav", "HI_HI.wav", "HI_LO.wav"},
    };
    for (const Case& c : cases) {
        const ReferenceNames names = SplitReference(c.name);
        EXPECT_EQ(names.key, c.key) << c.name;
        EXPECT_EQ(names.high, c.high) << c.name;
        EXPECT_EQ(names.low, c.low) << c.name;
    }
}

TEST(ReferenceNames, LinkForm) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"C:\\Web\\a.wav", "\\Web\\a.wav"},
        {"http://www.example.com/a.htm", "www.example.com/a.htm"},
        {"ftp://host/web/|user|secret|a.wav", "host/web/a.wav"},
        {"/srv/pages/00041_cut.wav", "/srv/pages/00041_cut.wav"},
        {"cut.wav", "cut.wav"},
    };
    for (const auto& [path, link] : cases) EXPECT_EQ(LinkForm(path), link) << path;
}

// Which references are copied with the story.  Copy path folders are
// "<working folder>Pressvane/In/", "W:\Audio\" and "W:\Pictures" (no
// separator at its end: it still matches only a whole folder name).
TEST_F(References, WhichFilesAreCopied) {
    struct Case {
        std::string name;
        bool copied;
        std::string note;  // a status line that must be shown, if any
    };
    const std::vector<Case> cases = {
        {"W:\\Audio\\cut.wav", true, ""},
        {"w:/audio/Cut.WAV", true, ""},
        {"W:\\Pictures\\photo.jpg", true, ""},
        {"Pressvane\\In\\cut.wav", true, ""},
        {"W:\\Audio2\\cut.wav", false, "No copy path found for: W:\\Audio2\\cut.wav"},
        {"W:\\PicturesOld\\photo.jpg", false, "No copy path found for: W:\\PicturesOld\\photo.jpg"},
        {"W:\\Audio.wav", false, "No copy path found for: W:\\Audio.wav"},
        {"http://www.example.com/cut.wav", false, ""},
        {"www.example.com/cut.wav", false, ""},
        {"notes.html", false, ""},
        {"W:\\Audio\\page.htm", false, ""},
        {"W:\\Audio\\..\\..\\secret.wav", false, "is not a usable path"},
        {"..\\..\\etc\\passwd", false, "is not a usable path"},
        {"/etc/passwd", false, ""},
        {"C:\\x", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        reporter.Clear();
        const ReferenceRecord* record = references->FindOrAdd(c.name);
        ASSERT_NE(record, nullptr);
        EXPECT_EQ(!record->notCopied, c.copied);
        if (c.note.empty()) EXPECT_TRUE(Notes().empty()) << Notes().front();
        else EXPECT_TRUE(Noted(c.note)) << (Notes().empty() ? "no note" : Notes().front());
    }
    EXPECT_EQ(references->FindOrAdd(""), nullptr);

    // "Transfer All Links" copies a listed file from anywhere, but never a
    // web address or a name that climbs out.
    settings.transferAllLinks = true;
    MakeReferences();
    EXPECT_FALSE(references->FindOrAdd("/elsewhere/cut.wav")->notCopied);
    EXPECT_TRUE(references->FindOrAdd("https://example.com/cut.wav")->notCopied);
    EXPECT_TRUE(references->FindOrAdd("/elsewhere/../cut.wav")->notCopied);
}

// The high-quality file when it is there, else the key's file; the low one
// beside; one record and one transfer for every variant named.
TEST_F(References, VariantsResolveToOneRecordAndOneTransfer) {
    Put("w/Audio/News_HI.wav", "high");
    Put("w/Audio/News.wav", "plain");
    Put("w/Audio/News_LO.wav", "low");
    Put("w/Audio/Only.wav", "only");
    const std::string pages = dir.Folder() + "Pages/";
    EXPECT_EQ(references->Output("W:\\Audio\\News.wav"), pages + "News_HI.wav");
    EXPECT_EQ(references->Output("W:\\Audio\\News_HI.wav"), pages + "News_HI.wav");
    EXPECT_EQ(references->Output("W:\\Audio\\News_LO.wav"), pages + "News_HI.wav");
    EXPECT_EQ(references->LowOutput("W:\\Audio\\News.wav"), pages + "News_LO.wav");
    EXPECT_EQ(references->LowOutput("W:\\Audio\\News.wav"), pages + "News_LO.wav");
    EXPECT_EQ(transfers, (std::vector<std::string>{"W:\\Audio\\News_HI.wav", "W:\\Audio\\News_LO.wav"}));
    EXPECT_EQ(test::ReadWholeFile(dir / "Pages/News_HI.wav"), "high");
    EXPECT_EQ(references->Records().size(), 1u);

    EXPECT_EQ(references->Output("W:\\Audio\\Only_HI.wav"), pages + "Only.wav");
    EXPECT_EQ(transfers.back(), "W:\\Audio\\Only.wav");
    EXPECT_EQ(references->LowOutput("W:\\Audio\\Only.wav"), "");
}

// A file that is not copied, or missing, is linked where the story names it.
TEST_F(References, FilesNotCopiedAreLinkedWhereTheyAre) {
    Put("w/Other/x.wav");
    EXPECT_EQ(references->Output("W:\\Other\\x.wav"), "\\Other\\x.wav");
    EXPECT_EQ(references->Output("W:\\Audio\\missing.wav"), "\\Audio\\missing.wav");
    EXPECT_EQ(references->Output("http://www.example.com/story.htm"), "www.example.com/story.htm");
    EXPECT_TRUE(transfers.empty());
}

// A failed transfer is not tried again, and the file is linked where it is.
TEST_F(References, AFailedTransferIsTriedOnce) {
    Put("w/Audio/cut.wav");
    failTransfers = true;
    EXPECT_EQ(references->Output("W:\\Audio\\cut.wav"), "\\Audio\\cut.wav");
    EXPECT_EQ(references->Output("W:\\Audio\\cut.wav"), "\\Audio\\cut.wav");
    EXPECT_EQ(transfers.size(), 1u);
}

// The scan before the fill transfers every file to be copied, each once;
// later look-ups find them transferred.
TEST_F(References, TheScanTransfersEachFileOnce) {
    Put("w/Audio/a.wav");
    Put("w/Pictures/b.jpg");
    WriteStory("TQ32_SCRIPT1\r\nFILESLUG:x\r\n[W:\\Audio\\a.wav] [W:\\Pictures\\b.jpg]\r\n[W:\\Audio\\a_HI.wav] "
               "[page.htm] [W:\\Audio\\none.wav]\r\n");
    CFTPFile storyText(access);
    ASSERT_TRUE(storyText.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
    references->TransferAll(storyText);
    references->Output("W:\\Audio\\a.wav");
    EXPECT_EQ(transfers, (std::vector<std::string>{"W:\\Audio\\a.wav", "W:\\Pictures\\b.jpg"}));
}

// Every transfer fills the first free slot whose list holds its extension:
// Line1 wav and mp3, Line2 jpg, Line3 wav.
TEST_F(References, LinkLinesTakeTheFirstFileOfTheirKind) {
    for (const char* file : {"w/Audio/first.wav", "w/Audio/second.wav", "w/Audio/third.wav", "w/Pictures/p.jpg"})
        Put(file);
    EXPECT_EQ(references->PublishedName(1, false), "");
    references->Output("W:\\Pictures\\p.jpg");
    references->Output("W:\\Audio\\first.wav");
    references->Output("W:\\Audio\\second.wav");
    references->Output("W:\\Audio\\third.wav");
    EXPECT_EQ(references->LinkLine(1), "W:\\Audio\\first.wav");
    EXPECT_EQ(references->LinkLine(2), "W:\\Pictures\\p.jpg");
    EXPECT_EQ(references->LinkLine(3), "W:\\Audio\\second.wav");
    EXPECT_EQ(references->PublishedName(1, false), "first.wav");
    EXPECT_EQ(references->PublishedName(2, false), "p.jpg");
    EXPECT_EQ(references->PublishedName(4, false), "");
    EXPECT_FALSE(references->AssignLinkLine("W:\\Audio\\fourth.wav"));
}

// The attachment header describes the file last looked up.
TEST_F(References, TheHeaderDescribesTheLinkedFile) {
    Put("w/Audio/cut.wav", test::PcmWav(1, 8000, 16, 24000));
    references->Output("W:\\Audio\\cut.wav");
    EXPECT_EQ(references->AttachmentHeader().LengthMs(), 1500);
    references->ClearAttachmentHeader();
    EXPECT_EQ(references->AttachmentHeader().LengthMs(), 0);
}

// A copy is taken back only when this publication made it and the file it
// came from is still there.
TEST_F(References, OnlyCopiesMadeHereAreTakenBack) {
    Put("w/Audio/cut.wav");
    Put("w/Audio/gone.wav");
    Put("Pages/page.wav", "a page's own file");
    references->Output("W:\\Audio\\cut.wav");
    references->Output("W:\\Audio\\gone.wav");
    ASSERT_TRUE(fs::exists(dir / "Pages/cut.wav"));
    fs::remove(dir / "w/Audio/gone.wav");
    references->WithdrawCopies("W:\\Audio\\cut.wav");
    references->WithdrawCopies("W:\\Audio\\gone.wav");
    references->WithdrawCopies("W:\\Other\\page.wav");
    EXPECT_FALSE(fs::exists(dir / "Pages/cut.wav"));
    EXPECT_TRUE(fs::exists(dir / "w/Audio/cut.wav"));
    EXPECT_TRUE(fs::exists(dir / "Pages/gone.wav"));
    EXPECT_TRUE(fs::exists(dir / "Pages/page.wav"));
    EXPECT_EQ(references->Output("W:\\Audio\\cut.wav"), "\\Audio\\cut.wav");
}

}  // namespace
}  // namespace pv
