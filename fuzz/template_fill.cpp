// The text template engine and the macro expander: the input is a template,
// then (after a NUL byte, if any) a value that every story field takes.
//
//  - Filled with expansion switched off (a named section no template can
//    name), the page is the template line for line, "\r\n" after each.
//  - Filled normally, the fill ends (nested templates stop at the depth
//    limit) and a template without a marker opener is copied as it is.
//  - No macro value holds a marker opener or a comment end, nor a line end.
// Templates that would include files outside the scratch folder (a
// separator or colon in a Begin Replace name) are skipped.
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "platform/Wildcard.h"
#include "publish/DeferredPurges.h"
#include "publish/LinkTemplates.h"
#include "publish/MacroExpander.h"
#include "publish/StandInBlocks.h"
#include "publish/StoryReferences.h"
#include "publish/StoryReports.h"
#include "publish/StoryTextBlocks.h"
#include "publish/TemplateEngine.h"
#include "publish/TemplateMarker.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"

namespace {

using pv::platform::File;

constexpr unsigned kReadMode = File::modeRead | File::shareDenyNone;

struct Service {
    pv::NullReporter reporter;
    pv::fuzz::StillClock clock;
    pv::FileAccess access{reporter, clock};
    pv::WireMessages messages{access, reporter, pv::fuzz::Scratch().Folder()};
    pv::CDirOptions route;
    pv::StoryOptions options;
    pv::LinkWriter links{access, pv::fuzz::Scratch().Folder()};
    pv::StoryTextBlocks storyText{access, pv::fuzz::Scratch().Folder(), options, links};
    pv::PassThroughOrderedList lists;
    pv::DeferredPurges linkedFiles;
    pv::TemplateEngine engine{access, pv::fuzz::Scratch().Folder(), pv::TemplateBlocks{storyText, lists, linkedFiles}};
};

Service& TheService() {
    static Service service;
    return service;
}

const char* const kMacroNames[] = {
    "Slug", "Category", "First Category", "Show", "Writer", "CreationDate", "WhoModified", "Keywords",
    "NextBroadcastFile", "TextFilename", "YearAndMonthArchived", "MonthArchived", "StoragePath", "StorySummary",
    "UniqueFilePath", "UniqueFilePathNoServer", "UniqueFilename", "User1", "User1 First Field Only", "User9",
    "Filename Chars 0,40", "Slug-RSS", "Show-RSS-RSS", "StoragePath-RSS", "AF Description"};

std::vector<std::string_view> Lines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        lines.push_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return lines;
}

// A Begin Replace marker naming a path or a server.
bool NamesOutsideFiles(std::string_view templateText) {
    for (const std::string_view line : Lines(templateText))
        for (size_t at = line.find(pv::kMarkerOpener); at != std::string_view::npos;
             at = line.find(pv::kMarkerOpener, at + 1)) {
            const std::string_view name = line.substr(at + pv::kMarkerOpener.size());
            if (pv::NameStartsWith(name, "Begin Replace") && name.find_first_of("/\\:") != std::string_view::npos)
                return true;
        }
    return false;
}

// The template's lines as the engine reads them, each ended with "\r\n".
std::string LineByLine(const std::string& path) {
    pv::CFTPFile file(TheService().access);
    PV_FUZZ_CHECK(file.Open(path, kReadMode));
    std::string copy;
    for (std::string line; file.ReadLine(line);) copy += line + "\r\n";
    file.Close();
    return copy;
}

struct Story {
    pv::CFileData record;
    pv::CTextFileHeader header;
    pv::CDatFile descriptor;
    pv::MacroValues values;
};

void GiveEveryField(Story& story, const std::string& value) {
    story.record.options.templateFolder = pv::fuzz::Scratch().Folder();
    for (std::string* field : {&story.header.m_strCategory, &story.header.m_strShow, &story.header.m_strWriter,
                               &story.header.m_strDate, &story.header.m_strWho, &story.header.m_strNext})
        *field = value;
    story.descriptor.m_strKeywords = value;
    for (std::string& user : story.descriptor.m_strUser) user = value;
    story.values.header = &story.header;
    story.values.descriptor = &story.descriptor;
    for (std::string* field : {&story.values.slug, &story.values.outputFilename, &story.values.storagePath,
                               &story.values.uniqueFilePath, &story.values.uniqueFilename,
                               &story.values.storySummary, &story.values.archive.yearAndMonth})
        *field = value;
}

std::string Fill(Story& story, bool& ok) {
    Service& service = TheService();
    pv::CFTPFile storyText(service.access);
    PV_FUZZ_CHECK(storyText.Open(pv::fuzz::Scratch() / "story.txt", kReadMode));
    pv::StringPageOutput output;
    pv::StoryReports reports(service.messages, service.reporter, service.route, story.values.slug);
    pv::StoryReferences references(service.access, {}, service.route, story.record, reports, nullptr);
    story.values.audio = &references.AttachmentHeader();
    const pv::MacroExpander macros(story.values, service.clock);
    pv::TemplateFill fill{service.route, story.record, macros, storyText, output, reports, references};
    ok = service.engine.FillTemplate(fill, "TextTemplate.htm", "TextLinkTemplate.htm").ok();
    service.linkedFiles.Forget();
    return output.Text();
}

void CheckValuesAreSafe(const Story& story) {
    const pv::MacroExpander macros(story.values, TheService().clock);
    for (const char* name : kMacroNames) {
        const std::optional<std::string> value = macros.Value(name);
        PV_FUZZ_CHECK(value);
        PV_FUZZ_CHECK(value->find("<!--") == std::string::npos && value->find("-->") == std::string::npos);
        PV_FUZZ_CHECK(value->find_first_of("\r\n") == std::string::npos);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = pv::fuzz::AsText(data, size);
    const size_t nul = input.find('\0');
    const std::string templateText(input.substr(0, nul));
    const std::string value(nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1));
    if (NamesOutsideFiles(templateText)) return 0;
    const std::string templatePath = pv::fuzz::Scratch() / "TextTemplate.htm";
    pv::fuzz::WriteWholeFile(templatePath, templateText);
    pv::fuzz::WriteWholeFile(pv::fuzz::Scratch() / "story.txt", "TQ32_SCRIPT1\r\nFILESLUG:s\r\n" + value + "\r\n");

    Story story;
    GiveEveryField(story, value);
    CheckValuesAreSafe(story);

    bool ok = false;
    story.record.options.templateName = "\n";
    story.record.templateState.expansionEnabled = false;
    const std::string copied = Fill(story, ok);
    PV_FUZZ_CHECK(ok);
    PV_FUZZ_CHECK(copied == LineByLine(templatePath));

    Story expanded;
    GiveEveryField(expanded, value);
    const std::string page = Fill(expanded, ok);
    if (templateText.find(pv::kMarkerOpener) == std::string::npos) PV_FUZZ_CHECK(ok && page == copied);
    return 0;
}
