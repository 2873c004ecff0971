// The story text conversion: the input is a story text (header and body,
// as a newsroom system writes it).  It goes through the Story and TextFile
// blocks for an HTML page and for a feed, with its links moved to the top
// first and without, and through the summary.
//
//  - Every block succeeds, and its page lines end in "\r\n": no other
//    carriage return or line feed reaches the page.
//  - Nothing from the story opens or closes a comment in the page (the
//    link template writes none).
//  - In a feed, no markup character of the story reaches the page as it
//    is, unless the story wrote "&nbsp;" (text converted already is left).
//  - The summary holds no line end, tab or bracket, and is never longer
//    than 2000 characters and its "...".
//  - The story file itself is never changed.
#include <cstdio>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/LinkTemplates.h"
#include "publish/LinksToTop.h"
#include "publish/MacroExpander.h"
#include "publish/PageOutput.h"
#include "publish/StoryReferences.h"
#include "publish/StoryReports.h"
#include "publish/StorySummaryText.h"
#include "publish/StoryTextBlocks.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"

namespace {

using pv::platform::File;

constexpr unsigned kReadMode = File::modeRead | File::shareDenyNone;

class StillClock final : public pv::platform::Clock {
public:
    std::chrono::system_clock::time_point Now() const override {
        return std::chrono::system_clock::from_time_t(1765304643);
    }
    std::chrono::steady_clock::time_point Steady() const override { return {}; }
    void SleepFor(std::chrono::milliseconds) override {}
};

struct Service {
    Service() {
        route.m_strLinkExts[0] = {"wav"};
        route.m_strLinkExts[1] = {"jpg"};
        route.m_strLinkExts[2] = {"htm"};
        options.linesToIgnoreOnTopOfStory = 1;
        pv::fuzz::WriteWholeFile(pv::fuzz::Scratch() / "TextLinkTemplate.htm", "{link}");
    }
    pv::NullReporter reporter;
    StillClock clock;
    pv::FileAccess access{reporter, clock};
    pv::WireMessages messages{access, reporter, pv::fuzz::Scratch().Folder()};
    pv::CDirOptions route;
    pv::StoryOptions options;
    pv::LinkWriter links{access, pv::fuzz::Scratch().Folder()};
    pv::StoryTextBlocks blocks{access, pv::fuzz::Scratch().Folder(), options, links};
};

Service& TheService() {
    static Service service;
    return service;
}

std::string ReadAll(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
        std::fclose(file);
    }
    return text;
}

bool OnlyPageLineEnds(std::string_view page) {
    for (size_t i = 0; i < page.size(); ++i) {
        if (page[i] == '\r' && (i + 1 == page.size() || page[i + 1] != '\n')) return false;
        if (page[i] == '\n' && (i == 0 || page[i - 1] != '\r')) return false;
    }
    return true;
}

std::string Block(const std::string& storyPath, bool textFile, bool feed, bool linksOnTop) {
    Service& service = TheService();
    pv::CFileData story;
    story.options.templateFolder = pv::fuzz::Scratch().Folder();
    story.options.moveFirstLinksToTop = linksOnTop;
    story.work.lineBreak = feed ? "&lt;BR&gt;" : "<BR>";
    story.work.blank = "&nbsp;";
    story.work.feed = feed;
    pv::CFTPFile storyText(service.access);
    PV_FUZZ_CHECK(storyText.Open(storyPath, kReadMode));
    pv::StringPageOutput output;
    pv::StoryReports reports(service.messages, service.reporter, service.route, "s");
    pv::StoryReferences references(service.access, {}, service.route, story, reports, nullptr);
    pv::MacroValues values;
    values.audio = &references.AttachmentHeader();
    const pv::MacroExpander macros(values, service.clock);
    pv::TemplateFill fill{service.route, story, macros, storyText, output, reports, references};
    const std::string link = pv::fuzz::Scratch() / "TextLinkTemplate.htm";
    const pv::Status status = textFile ? service.blocks.WriteTextFileBlock(fill, link, false)
                                       : service.blocks.WriteStoryBlock(fill, link, false);
    PV_FUZZ_CHECK(status.ok());
    storyText.Close();
    return output.Text();
}

void CheckPage(const std::string& page, bool feed, bool storyHasNbsp) {
    PV_FUZZ_CHECK(OnlyPageLineEnds(page));
    PV_FUZZ_CHECK(page.find("<!--") == std::string::npos);
    PV_FUZZ_CHECK(page.find("-->") == std::string::npos);
    if (feed && !storyHasNbsp) PV_FUZZ_CHECK(page.find_first_of("<>\"'`") == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(pv::fuzz::AsText(data, size));
    const std::string storyPath = pv::fuzz::Scratch() / "story.txt";
    pv::fuzz::WriteWholeFile(storyPath, text);
    const bool hasNbsp = text.find("&nbsp;") != std::string::npos;

    for (const bool feed : {false, true}) {
        CheckPage(Block(storyPath, false, feed, false), feed, hasNbsp);
        CheckPage(Block(storyPath, true, feed, false), feed, hasNbsp);
    }

    // The links on top: the rewrite goes into a copy, and the copy is read.
    Service& service = TheService();
    const std::string copyPath = pv::fuzz::Scratch() / "copy.txt";
    {
        pv::CFTPFile story(service.access), copy(service.access);
        PV_FUZZ_CHECK(story.Open(storyPath, kReadMode));
        PV_FUZZ_CHECK(copy.Open(copyPath, File::modeCreate | File::modeWrite));
        PV_FUZZ_CHECK(pv::WriteLinksOnTop(service.route, service.options.linesToIgnoreOnTopOfStory, story, copy));
        PV_FUZZ_CHECK(copy.Close());
    }
    CheckPage(Block(copyPath, true, false, true), false, hasNbsp);

    for (const int length : {0, 150, 4000}) {
        const bool unicode = length == 150;
        const pv::SummarySettings settings{static_cast<int>(size % 3), static_cast<int>(size % 7) - 3, length,
                                           unicode ? 40 : 0, unicode};
        const std::string summary = pv::SummaryOfBody(text, settings);
        PV_FUZZ_CHECK(summary.find_first_of("\r\n\t[]") == std::string::npos);
        if (!unicode) PV_FUZZ_CHECK(summary.size() <= 2003);
    }
    PV_FUZZ_CHECK(ReadAll(storyPath) == text);
    return 0;
}
