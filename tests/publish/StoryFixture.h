#pragma once
// One story on its way to a page, in a fresh working folder:
//   work/                    the working folder (relative linked files hang off it)
//   work/Pressvane/Templates the template store
//   tpl/                     the alias's template folder
//   w/Audio, w/Pictures      drive W: of a host environment of the test's own
//   Pages/                   the storage folder linked files are copied to
// with the story's references, whose transfers copy into Pages/ and are
// written down, and the link writer and story blocks over them.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "platform/HostEnvironment.h"
#include "publish/LinkTemplates.h"
#include "publish/MacroExpander.h"
#include "publish/PageOutput.h"
#include "publish/StoryOptions.h"
#include "publish/StoryReferences.h"
#include "publish/StoryReports.h"
#include "publish/StoryTextBlocks.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/TempDir.h"
#include "transport/FileAccess.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"

namespace pv::test {

class StoryFixture : public ::testing::Test {
protected:
    StoryFixture() {
        namespace fs = std::filesystem;
        for (const char* folder : {"work/Pressvane/Templates", "tpl", "w/Audio", "w/Pictures", "Pages"})
            fs::create_directories(dir.Path() / folder);
        story.Reset();
        story.work.slug = "Council vote";
        story.work.alias = "Web";
        story.work.storagePath = dir.Folder() + "Pages/";
        story.options.templateFolder = dir.Folder() + "tpl/";
        story.options.outputExtension = ".htm";
        UsePage(".htm");
        settings.copyExtensions = {"wav", "mp2", "mp3", "jpg", "bmp", "wma", "wmv"};
        settings.copyPaths = {WorkingFolder() + "Pressvane/In/", "W:\\Audio\\", "W:\\Pictures"};
        settings.workingFolder = WorkingFolder();
        route.m_strLinkExts[0] = {"wav", "mp3"};
        route.m_strLinkExts[1] = {"jpg"};
        route.m_strLinkExts[2] = {"wav"};
        values.slug = story.work.slug;
        MakeReferences();
    }

    // A new publication's references, with the settings as they are now.
    void MakeReferences() {
        references = std::make_unique<StoryReferences>(access, settings, route, story, reports,
                                                       [this](std::string& path) { return Transfer(path); });
        values.audio = &references->AttachmentHeader();
        values.linkLines = references.get();
    }

    static platform::PathMapSettings DriveW(const TempDir& dir) {
        platform::PathMapSettings map;
        map.drives['W'] = (dir.Path() / "w").string();
        return map;
    }

    std::string WorkingFolder() const { return dir.Folder() + "work/"; }
    std::string LinkTemplatePath(const std::string& name = "TextLinkTemplate.htm") const {
        return dir.Folder() + "tpl/" + name;
    }
    void WriteTemplate(const std::string& name, const std::string& text) { WriteWholeFile(dir / ("tpl/" + name), text); }
    void WriteStock(const std::string& name, const std::string& text) {
        WriteWholeFile(dir / ("work/Pressvane/Templates/" + name), text);
    }
    void WriteStory(const std::string& text) { WriteWholeFile(dir / "story.txt", text); }

    // The line break and blank texts the driver sets for a page extension.
    void UsePage(const std::string& extension) {
        const bool plain = extension == ".txt";
        story.work.lineBreak = plain ? "" : "<BR>";
        story.work.blank = plain ? " " : "&nbsp;";
    }
    // The texts under the alias option "rss".
    void UseFeed() {
        story.work.lineBreak = "&lt;BR&gt;";
        story.work.blank = "&nbsp;";
        story.work.feed = true;
    }

    // What the block writes for the story file, with the fixture's link
    // template; the converter is made for the options given.
    std::string Block(bool textFile, bool feedMode = false) {
        LinkWriter links(access, WorkingFolder());
        StoryTextBlocks blocks(access, WorkingFolder(), storyOptions, links);
        return Block(blocks, textFile, feedMode);
    }
    std::string Block(StoryTextBlocks& blocks, bool textFile, bool feedMode) {
        CFTPFile storyText(access);
        EXPECT_TRUE(storyText.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
        StringPageOutput output;
        const MacroExpander macros(values, clock);
        TemplateFill fill{route, story, macros, storyText, output, reports, *references};
        const Status status = textFile ? blocks.WriteTextFileBlock(fill, LinkTemplatePath(), feedMode)
                                       : blocks.WriteStoryBlock(fill, LinkTemplatePath(), feedMode);
        EXPECT_TRUE(status.ok());
        return output.Text();
    }

    // The link of one reference written alone, and whether it was.
    std::string Link(const std::string& name, bool* written = nullptr,
                     const std::string& linkTemplate = "TextLinkTemplate.htm") {
        LinkWriter links(access, WorkingFolder());
        OpenLinkTemplate open(access);
        CFTPFile storyText(access);
        StringPageOutput output;
        const MacroExpander macros(values, clock);
        TemplateFill fill{route, story, macros, storyText, output, reports, *references};
        const bool ok = links.WriteLink(fill, open, LinkTemplatePath(linkTemplate), name);
        if (written) *written = ok;
        return output.Text();
    }

    std::vector<std::string> Notes() const {
        std::vector<std::string> texts;
        for (const ProgressEvent& event : reporter.Events())
            if (const auto* note = std::get_if<StatusNote>(&event)) texts.push_back(note->text);
        return texts;
    }
    bool Noted(const std::string& text) const {
        for (const std::string& note : Notes())
            if (note.find(text) != std::string::npos) return true;
        return false;
    }

    // A transfer as the attachment step makes one: a copy into Pages/ under
    // the file's own name, written down.
    bool Transfer(std::string& path) {
        transfers.push_back(path);
        if (failTransfers) return false;
        const Location source = Location::Parse(path.find_first_of("/\\") == 0 || path.find(':') == 1
                                                    ? path
                                                    : WorkingFolder() + path);
        const Location target = Location::Parse(dir.Folder() + "Pages/").Join(source.Name());
        CFTPFile file(access);
        if (!file.CopyFile(source, target)) return false;
        path = target.Written();
        return true;
    }

    TempDir dir;
    platform::HostEnvironment host{DriveW(dir)};
    platform::ScopedHostEnvironment installed{host};
    FakeClock clock;
    RecordingReporter reporter;
    FileAccess access{reporter, clock};
    WireMessages messages{access, reporter, dir.Folder()};
    CDirOptions route;
    CFileData story;
    StoryOptions storyOptions;
    ReferenceSettings settings;
    StoryReports reports{messages, reporter, route, "Council vote"};
    std::vector<std::string> transfers;
    bool failTransfers = false;
    MacroValues values;
    std::unique_ptr<StoryReferences> references;
};

}  // namespace pv::test
