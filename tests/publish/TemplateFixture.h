#pragma once
// A publication to fill templates for: a story with header, descriptor and
// story text, the values its macros show, a template folder in a fresh
// working folder, and the template engine with the story text blocks, the
// plain ordered lists and a purger that records what it is asked to remove.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "publish/MacroExpander.h"
#include "publish/LinkTemplates.h"
#include "publish/StandInBlocks.h"
#include "publish/StoryReferences.h"
#include "publish/StoryReports.h"
#include "publish/StoryTextBlocks.h"
#include "publish/TemplateEngine.h"
#include "support/FakeClock.h"
#include "support/RecordingReporter.h"
#include "support/ScopedTimeZone.h"
#include "support/TempDir.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"

namespace pv::test {

// The linked files a replaced region drops, in order.
class RecordingPurger final : public LinkedFilePurger {
public:
    void PurgeLinkedFile(TemplateFill&, const std::string& name, int depth) override {
        purged.push_back(name + "@" + std::to_string(depth));
    }
    std::vector<std::string> purged;
};

inline constexpr const char* kStoryText =
    "TQ32_SCRIPT1\r\nFILESLUG:Council vote\r\nFILESHOW:Bob's Hour\r\nThe council met.\r\nIt voted.\r\n";

class TemplateFixture : public ::testing::Test {
protected:
    TemplateFixture() {
        std::filesystem::create_directories(dir / "tpl");
        story.options.templateFolder = TemplateFolder();
        header.m_strSlug = "Council vote";
        header.m_strCategory = "News,Local";
        header.m_strShow = "Bob's Hour";
        header.m_strWriter = "Ann";
        descriptor.m_strUser[0] = "alpha,beta";
        values.header = &header;
        values.descriptor = &descriptor;
        values.slug = "Council vote";
        values.aliasName = "Local";
        values.outputFilename = "00042_story.htm";
        values.audio = &references.AttachmentHeader();
        // Plain text: lines end without markup, blanks stay blanks.
        story.work.blank = " ";
        WriteWholeFile(dir / "story.txt", kStoryText);
    }

    std::string TemplateFolder() const { return dir.Folder() + "tpl/"; }
    void WriteTemplate(const std::string& name, const std::string& text) { WriteWholeFile(dir / ("tpl/" + name), text); }

    // Fills the template of that name (in the template folder unless it
    // names a folder) and gives what was written.
    std::string FillNamed(const std::string& name, const std::string& link = "TextLinkTemplate.htm") {
        CFTPFile storyText(access);
        EXPECT_TRUE(storyText.Open(dir / "story.txt", platform::File::modeRead | platform::File::shareDenyNone));
        StringPageOutput output;
        StoryReports reports(messages, reporter, route, values.slug);
        const MacroExpander macros(values, clock);
        TemplateFill fill{route, story, macros, storyText, output, reports, references};
        status = engine.FillTemplate(fill, name, link);
        return output.Text();
    }
    std::string Fill(const std::string& text) {
        WriteTemplate("TextTemplate.htm", text);
        return FillNamed("TextTemplate.htm");
    }
    // A new publication: the template state as the alias options leave it.
    void ResetState() {
        story.templateState = CFileData::TemplateState{};
        story.templateState.expansionEnabled = story.options.templateName.empty();
    }

    std::vector<std::string> FatalTexts() const {
        std::vector<std::string> texts;
        for (const ProgressEvent& event : reporter.Events())
            if (const auto* fatal = std::get_if<FatalError>(&event)) texts.push_back(fatal->text);
        return texts;
    }
    std::vector<std::string> Notes() const {
        std::vector<std::string> texts;
        for (const ProgressEvent& event : reporter.Events())
            if (const auto* note = std::get_if<StatusNote>(&event)) texts.push_back(note->text);
        return texts;
    }

    ScopedTimeZone zone{kEasternTime};
    TempDir dir;
    RecordingReporter reporter;
    FakeClock clock;
    FileAccess access{reporter, clock};
    WireMessages messages{access, reporter, dir.Folder()};
    CDirOptions route;
    CFileData story;
    CTextFileHeader header;
    CDatFile descriptor;
    MacroValues values;
    StoryReports referenceReports{messages, reporter, route, "Council vote"};
    StoryReferences references{access, ReferenceSettings{}, route, story, referenceReports, nullptr};
    StoryOptions storyOptions;
    LinkWriter links{access, dir.Folder()};
    StoryTextBlocks storyBlocks{access, dir.Folder(), storyOptions, links};
    PassThroughOrderedList lists;
    RecordingPurger purger;
    TemplateEngine engine{access, dir.Folder(), TemplateBlocks{storyBlocks, lists, purger}};
    Status status;
};

}  // namespace pv::test
