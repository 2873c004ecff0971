// Ordered lists: the input is the list's entries as a page holds them, then
// (after a NUL byte) the parameters of its Begin marker, then (after
// another) the slug of the story published into it.  The page is filled
// with Add Unique and then with Delete of the same story.
//
//  - Both fills end; the list is closed once in each page.
//  - After Add Unique the story's entry is in the page; after the Delete
//    that follows, the page holds one entry of the story fewer.
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "config/DirOptions.h"
#include "config/StoryCommand.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/DeferredPurges.h"
#include "publish/LinkTemplates.h"
#include "publish/MacroExpander.h"
#include "publish/OrderedList.h"
#include "publish/StoryReferences.h"
#include "publish/StoryReports.h"
#include "publish/StoryTextBlocks.h"
#include "publish/TemplateEngine.h"
#include "publish/TemplateMarker.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"

namespace {

using pv::platform::File;

struct Service {
    pv::NullReporter reporter;
    pv::fuzz::StillClock clock;
    pv::FileAccess access{reporter, clock};
    pv::WireMessages messages{access, reporter, pv::fuzz::Scratch().Folder()};
    pv::CDirOptions route;
    pv::StoryOptions options;
    pv::LinkWriter links{access, pv::fuzz::Scratch().Folder()};
    pv::StoryTextBlocks storyText{access, pv::fuzz::Scratch().Folder(), options, links};
    pv::DeferredPurges linkedFiles;
    pv::OrderedList lists{clock, linkedFiles};
    pv::TemplateEngine engine{access, pv::fuzz::Scratch().Folder(), pv::TemplateBlocks{storyText, lists, linkedFiles}};
};

Service& TheService() {
    static Service service;
    return service;
}

std::string_view NextPart(std::string_view& input) {
    const size_t cut = input.find('\0');
    const std::string_view part = input.substr(0, cut);
    input = cut == std::string_view::npos ? std::string_view() : input.substr(cut + 1);
    return part;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Fills Page.htm with the story; the page written becomes Page.htm.
std::string Fill(const std::string& slug, int command, bool& ok) {
    Service& service = TheService();
    pv::CFileData record;
    record.options.templateFolder = pv::fuzz::Scratch().Folder();
    record.work.command = command;
    pv::CTextFileHeader header;
    header.m_strSlug = slug;
    header.m_strDate = "12/08/2025";
    pv::CDatFile descriptor;
    descriptor.m_strUser[0] = slug;
    pv::MacroValues values;
    values.header = &header;
    values.descriptor = &descriptor;
    values.slug = slug;
    pv::CFTPFile storyText(service.access);
    PV_FUZZ_CHECK(storyText.Open(pv::fuzz::Scratch() / "story.txt", File::modeRead | File::shareDenyNone));
    pv::StringPageOutput output;
    pv::StoryReports reports(service.messages, service.reporter, service.route, slug);
    pv::StoryReferences references(service.access, {}, service.route, record, reports, nullptr);
    values.audio = &references.AttachmentHeader();
    const pv::MacroExpander macros(values, service.clock);
    pv::TemplateFill fill{service.route, record, macros, storyText, output, reports, references};
    ok = service.engine.FillTemplate(fill, "Page.htm", "TextLinkTemplate.htm").ok();
    service.linkedFiles.Forget();
    if (ok) pv::fuzz::WriteWholeFile(pv::fuzz::Scratch() / "Page.htm", output.Text());
    return output.Text();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view input = pv::fuzz::AsText(data, size);
    const std::string entries(NextPart(input));
    const std::string parameters(NextPart(input));
    const std::string slug(input);
    // The parameters stay on the marker's line and name templates of the scratch folder.
    if (parameters.find_first_of("\r\n/\\:") != std::string::npos || parameters.find("-->") != std::string::npos)
        return 0;
    if (entries.find("<!--Quillmark End Ordered List -->") != std::string::npos) return 0;
    static const bool templatesWritten = [] {
        for (const char* name : {"TextTemplate.htm", "Entry.htm"})
            pv::fuzz::WriteWholeFile(pv::fuzz::Scratch() / name, "<li><!--Quillmark Slug --></li>\r\n");
        pv::fuzz::WriteWholeFile(pv::fuzz::Scratch() / "story.txt", "TQ32_SCRIPT1\r\nFILESLUG:s\r\nText.\r\n");
        return true;
    }();
    (void)templatesWritten;
    pv::fuzz::WriteWholeFile(pv::fuzz::Scratch() / "Page.htm", "<!--Quillmark Begin Ordered List " + parameters +
                                                                   " -->\r\n" + entries +
                                                                   "\r\n<!--Quillmark End Ordered List -->\r\n");
    const std::string entryLine = "<!--Quillmark Entry Slug " + pv::PageValue(slug) + " -->";
    bool ok = false;
    const std::string added = Fill(slug, pv::kCmdAddUnique, ok);
    if (!ok) return 0;
    PV_FUZZ_CHECK(Count(added, "<!--Quillmark End Ordered List -->") == 1);
    const size_t afterAdd = Count(added, entryLine + "\r\n");
    PV_FUZZ_CHECK(afterAdd >= 1);
    const std::string deleted = Fill(slug, pv::kCmdDelete, ok);
    PV_FUZZ_CHECK(ok);
    PV_FUZZ_CHECK(Count(deleted, "<!--Quillmark End Ordered List -->") == 1);
    PV_FUZZ_CHECK(Count(deleted, entryLine + "\r\n") + 1 == afterAdd);
    return 0;
}
