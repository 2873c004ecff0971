#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "FolderAliasFixture.h"
#include "support/FtpServers.h"

namespace pv {
namespace {

namespace fs = std::filesystem;

class FolderAliasOptions : public test::FolderAliasFixture {
protected:
    FolderAliasOptions() {
        route.m_nAudioFormat = 85;
        route.m_nAudioBitrate = 64000;
        route.m_nAudioRatio = 3;
        route.m_strWmaProfileName = "Route.prx";
    }
    // Reads News from a line that has an output file name besides options.
    void ReadOptions(const std::string& options) {
        reporter.Clear();
        const std::string line = "News;output_filename=News.htm;replace_file";
        ASSERT_TRUE(ReadLine(options.empty() ? line : line + ";" + options).ok());
        EXPECT_EQ(Fatals(), std::vector<std::string>{});
    }
};

TEST_F(FolderAliasOptions, EveryStoryOptionReachesItsField) {
    ReadOptions(
        "convert_text;no_index;replace_ordered_entry;ordered_entry=7;audio_format=80;audio_bitrate=128000;"
        "audio_ratio=2;userid=editor;password=s3cret;dont_purge_old_linked_files;audio_to_prepend=D:\\Sting.wav;"
        "audio_prepend_silence=250;append_prepended_audio;audio_append_silence=500;wma_profile_filename=Story.prx;"
        "template_name=Evening;move_first_links_to_top;WhoLabel=Who;sluglabel=x;datelabel=x;showlabel=x;timelabel=x;"
        "writerlabel=x;commandlabel=x;categorylabel=x;nextbroadcastfilelabel=x;user1label=x;user9label=x;"
        "texttemplatename=Story;linktemplatename=StoryLink;use_slug_for_filename;dont_modify_attachment_filenames;"
        "usenumberedoutputfilenamesforattachments;backuppath=D:\\Backup;copy_dat_file;use_original_filename;"
        "delete_linked_files_after_copy;confirmation=both");
    const CFileData::AliasOptions& o = story.options;
    EXPECT_TRUE(o.noIndex);
    EXPECT_TRUE(o.replaceOrderedEntry);
    EXPECT_EQ(o.orderedEntry, 7);
    EXPECT_EQ(o.audioFormat, 80);
    EXPECT_EQ(o.audioBitrate, 128000);
    EXPECT_EQ(o.audioRatio, 2);
    EXPECT_EQ(o.userId, "editor");
    EXPECT_EQ(o.password, "s3cret");
    EXPECT_TRUE(o.dontPurgeOldLinkedFiles);
    EXPECT_EQ(o.audioToPrepend, "D:\\Sting.wav");
    EXPECT_TRUE(o.prependAudio);
    EXPECT_EQ(o.audioPrependSilence, 250);
    EXPECT_TRUE(o.appendPrependedAudio);
    EXPECT_EQ(o.audioAppendSilence, 500);
    EXPECT_EQ(o.wmaProfileFilename, "Story.prx");
    EXPECT_EQ(o.templateName, "Evening");
    EXPECT_FALSE(story.templateState.expansionEnabled);
    EXPECT_TRUE(o.moveFirstLinksToTop);
    EXPECT_EQ(o.textTemplateName, "Story");
    EXPECT_EQ(o.linkTemplateName, "StoryLink");
    EXPECT_TRUE(o.useSlugForFilename);
    EXPECT_TRUE(o.dontModifyAttachmentFilenames);
    EXPECT_TRUE(o.useNumberedOutputFilenamesForAttachments);
    EXPECT_EQ(o.backupPath, "D:\\Backup\\");
    EXPECT_TRUE(o.copyDatFile);
    EXPECT_TRUE(o.useOriginalFilename);
    EXPECT_TRUE(o.copyLinkedFiles);
    EXPECT_FALSE(o.dontCopyLinkedFiles);
    EXPECT_TRUE(o.deleteLinkedFilesAfterCopy);
    EXPECT_TRUE(o.receiptByFile);
    EXPECT_TRUE(o.receiptByEmail);
}

TEST_F(FolderAliasOptions, EveryReadStartsFromTheDefaultsAndTheRoutesAudioSettings) {
    story.work.storagePath = "D:\\Archive\\2026\\";
    story.work.archiveSubfolder = "2026";
    ReadOptions(
        "no_index;audio_format=80;texttemplatename=Story;template_name=Evening;backuppath=D:\\B;"
        "confirmation=file;templateextensionforextensionlessfiles=txt");
    EXPECT_EQ(story.work.storagePath, "");
    EXPECT_EQ(story.work.archiveSubfolder, "");
    ReadOptions("");
    const CFileData::AliasOptions& o = story.options;
    EXPECT_FALSE(o.noIndex);
    EXPECT_EQ(o.audioFormat, 85);
    EXPECT_EQ(o.audioBitrate, 64000);
    EXPECT_EQ(o.audioRatio, 3);
    EXPECT_EQ(o.wmaProfileFilename, "Route.prx");
    EXPECT_EQ(o.textTemplateName, "TextTemplate");
    EXPECT_EQ(o.linkTemplateName, "TextLinkTemplate");
    EXPECT_EQ(o.extensionlessTemplateExt, ".htm");
    EXPECT_EQ(o.templateName, "");
    EXPECT_TRUE(story.templateState.expansionEnabled);
    EXPECT_EQ(o.backupPath, "");
    EXPECT_FALSE(o.receiptByFile);
    EXPECT_EQ(o.userId, "");
}

TEST_F(FolderAliasOptions, FourOptionsLastForTheWholeFileNotJustTheAlias) {
    WriteCentral(
        {"News;output_filename=News.htm;replace_file;minfilesize=500;overwrite_attachment_files;"
         "prepend_date_to_attachment_filenames;Prepend_Date_To_Attachment_Filenames_YYYY-MM-DD-",
         "Sports;output_filename=Sports.htm;replace_file;minfilesize=20"});
    ASSERT_TRUE(Read("News").ok());
    EXPECT_EQ(story.fileOptions.minFileSize, 500);
    ASSERT_TRUE(Read("Weather").ok());  // the first line again
    ASSERT_TRUE(Read("Sports").ok());
    EXPECT_EQ(story.fileOptions.minFileSize, 20);
    EXPECT_TRUE(story.fileOptions.overwriteAttachmentFiles);
    EXPECT_TRUE(story.fileOptions.prependDateToAttachmentFilenames);
    EXPECT_TRUE(story.fileOptions.prependDashedDateToAttachmentFilenames);
    story.Reset();  // a new file
    ASSERT_TRUE(Read("Sports").ok());
    EXPECT_FALSE(story.fileOptions.overwriteAttachmentFiles);
    EXPECT_FALSE(story.fileOptions.prependDateToAttachmentFilenames);
    EXPECT_FALSE(story.fileOptions.prependDashedDateToAttachmentFilenames);
}

TEST_F(FolderAliasOptions, TheLastLinkedFileOptionSetsAllThreeFlags) {
    const struct {
        std::string options;
        bool copy, dontCopy, deleteAfterCopy;
    } cases[] = {
        {"", false, false, false},
        {"copy_all_links_before_text", true, false, false},
        {"delete_linked_files_after_copy", true, false, true},
        {"dont_copy_linked_files", false, true, false},
        {"delete_linked_files_after_copy;copy_all_links_before_text", true, false, false},
        {"dont_copy_linked_files;delete_linked_files_after_copy", true, false, true},
        {"copy_all_links_before_text;dont_copy_linked_files", false, true, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        ReadOptions(c.options);
        EXPECT_EQ(story.options.copyLinkedFiles, c.copy);
        EXPECT_EQ(story.options.dontCopyLinkedFiles, c.dontCopy);
        EXPECT_EQ(story.options.deleteLinkedFilesAfterCopy, c.deleteAfterCopy);
    }
}

TEST_F(FolderAliasOptions, ConfirmationSetsTheReceiptFlags) {
    const struct {
        std::string value;
        bool byFile, byEmail;
    } cases[] = {
        {"file", true, false}, {"FILE", true, false},  {"email", false, true}, {"EMail", false, true},
        {"Both", true, true},  {"mail", false, false}, {"", false, false},     {"both,file", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ReadOptions("confirmation=" + c.value);
        EXPECT_EQ(story.options.receiptByFile, c.byFile);
        EXPECT_EQ(story.options.receiptByEmail, c.byEmail);
    }
    ReadOptions("confirmation=both;confirmation=email");
    EXPECT_FALSE(story.options.receiptByFile);
}

TEST_F(FolderAliasOptions, TheTemplateExtensionForExtensionlessFilesGetsItsDot) {
    const struct {
        std::string options, extension;
    } cases[] = {
        {"templateextensionforextensionlessfiles=txt", ".txt"},
        {"templateextensionforextensionlessfiles=.txt", ".txt"},
        {"TemplateExtensionForExtensionlessFiles = shtml ", ".shtml"},
        {"templateextensionforextensionlessfiles=", ""},
        {"templateextensionforextensionlessfiles", ""},
        {"", ".htm"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        ReadOptions(c.options);
        EXPECT_EQ(story.options.extensionlessTemplateExt, c.extension);
    }
}

TEST_F(FolderAliasOptions, IntegersAreTheirLeadingDigits) {
    const struct {
        std::string value;
        int number;
    } cases[] = {{"42", 42}, {"-12abc", -12}, {"x", 0}, {"", 0}, {"7 days", 7}, {"99999999999", 2147483647}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        ReadOptions("ordered_entry=" + c.value + ";minfilesize=" + c.value + ";summarylength=" + c.value);
        EXPECT_EQ(story.options.orderedEntry, c.number);
        EXPECT_EQ(story.fileOptions.minFileSize, c.number);
        EXPECT_EQ(state.summaryLength, c.number);
    }
}

TEST_F(FolderAliasOptions, RouteValuesAreResetAtEveryReadOrKeptForTheRun) {
    route.m_nSummaryOffset = 1;
    route.m_nSummaryLength = 150;
    route.m_nSummaryMinAdditionalSentenceLength = 40;
    route.m_nSummaryMaxAdditionalSentenceLength = 41;
    state = RouteStoryState::From(route);
    EXPECT_EQ(state.summaryLength, 150);
    EXPECT_EQ(state.summaryMaxAdditionalSentenceLength, 41);

    WriteCentral(
        {"News;output_filename=News.htm;replace_file;EOL=<br>;nbsp=&nbsp;;linkoutputpath=D:\\Links;"
         "summaryoffset=5;summarylength=300;summaryminadditionalsentencelength=20;"
         "summarymaxadditionalsentencelength=60;addspacetoblanklines;dontrecompressmp3files;"
         "dont_prepend_number_to_unique_filename",
         "Sports;output_filename=Sports.htm;replace_file;eol;nbsp",
         "Feed;output_filename=Feed.xml;replace_file;rss;eol=<br/>;nbsp=<sp> & <tab>"});
    ASSERT_TRUE(Read("News").ok());
    EXPECT_TRUE(state.eolOverride);
    EXPECT_EQ(state.eol, "<br>");
    EXPECT_TRUE(state.nbspOverride);
    EXPECT_EQ(state.nbsp, "&nbsp");  // the ";" ends the option
    EXPECT_EQ(state.linkOutputPath, "D:\\Links\\");
    EXPECT_FALSE(state.rss);
    EXPECT_EQ(state.summaryOffset, 5);
    EXPECT_EQ(state.summaryLength, 300);
    EXPECT_EQ(state.summaryMinAdditionalSentenceLength, 20);
    EXPECT_EQ(state.summaryMaxAdditionalSentenceLength, 60);
    EXPECT_TRUE(state.addSpaceToBlankLines);
    EXPECT_TRUE(state.dontRecompressMp3Files);
    EXPECT_TRUE(state.dontPrependNumber);
    EXPECT_EQ(Fatals(), std::vector<std::string>{"Invalid option  in DBFolder.dat for alias News will be ignored."});

    ASSERT_TRUE(Read("Sports").ok());
    EXPECT_TRUE(state.eolOverride);
    EXPECT_EQ(state.eol, "");
    EXPECT_TRUE(state.nbspOverride);
    EXPECT_EQ(state.nbsp, "");
    EXPECT_EQ(state.linkOutputPath, "");
    EXPECT_EQ(state.summaryLength, 300);
    EXPECT_TRUE(state.addSpaceToBlankLines);
    EXPECT_TRUE(state.dontRecompressMp3Files);
    EXPECT_TRUE(state.dontPrependNumber);

    ASSERT_TRUE(Read("Feed").ok());
    EXPECT_TRUE(state.rss);
    EXPECT_EQ(state.eol, "&lt;br/&gt;");
    EXPECT_EQ(state.nbsp, "&lt;sp&gt; & &lt;tab&gt;");

    ASSERT_TRUE(Read("Weather").ok());  // the first line again: no rss
    EXPECT_FALSE(state.rss);
    EXPECT_EQ(state.eol, "<br>");

    // The route is configuration: nothing of this reached it.
    EXPECT_EQ(route.m_nSummaryLength, 150);
    EXPECT_FALSE(route.m_bAddSpaceToBlankLines);
    EXPECT_FALSE(route.m_bEolOverride);
    EXPECT_EQ(route.m_strLinkOutputPath, "");
}

// ---------------------------------------------------------------------------
// Over FTP

TEST_F(FolderAliasOptions, TheInputFoldersCopyOnAnFtpServerWithItsFoldersThere) {
    test::PyFtpServer server;
    fs::create_directories(server.Root() / "in" / "Pressvane");
    fs::create_directories(server.Root() / "db");
    const std::string url = "ftp://127.0.0.1:" + std::to_string(server.Port());
    const std::string logon = "|" + server.User() + "|" + server.Password() + "|";
    test::WriteWholeFile(
        (server.Root() / "in" / "Pressvane" / "DBFolder.dat").string(),
        Lines({"News;database=" + url + "/db/" + logon + "news.mdb;template_directory=" + url + "/templates/[YYYY]" +
               logon + ";output_filename=" + url + "/web/" + logon + "News.htm;replace_file"}));
    WriteCentral({"News;output_filename=Central.htm"});
    route.m_inDir = Location::Parse(url + "/in/" + logon);

    const Status status = Read("News");
    ASSERT_TRUE(status.ok()) << status.message() << "\n" << status.detail() << "\n" << reporter.AllText();
    EXPECT_EQ(story.options.databaseFolder, url + "/db/");
    EXPECT_EQ(story.options.templateFolder, url + "/templates/2026" + logon + "/");
    EXPECT_TRUE(fs::is_directory(server.Root() / "templates" / "2026"));
    EXPECT_EQ(story.options.outputFilename, url + "/web/" + logon + "News.htm");
    EXPECT_EQ(story.options.userId, server.User());
    EXPECT_EQ(story.options.password, server.Password());
    EXPECT_EQ(Fatals(), std::vector<std::string>{});

    // A missing database folder on the server; no password in what is shown.
    WriteCentral({"News;database=" + url + "/nodb/" + logon + "news.mdb;output_filename=a.htm"});
    route.m_inDir = Location::Parse(url + "/elsewhere/" + logon);
    EXPECT_FALSE(Read("News").ok());
    EXPECT_EQ(Fatals(), std::vector<std::string>{"Database path " + url + "/nodb/ for alias News does not exist."});
    EXPECT_EQ(reporter.AllText().find(server.Password()), std::string::npos);
    EXPECT_EQ(fileReporter.AllText().find(server.Password()), std::string::npos);
}

}  // namespace
}  // namespace pv
