// Index pages: the input is an index template, then (after a NUL byte) a
// link template, then (after another) the page as it stands, or nothing
// when the page is missing.  A value that every story field takes is fixed.
//
//  - The update ends, and only the page and its templates are left in the
//    folder: no hidden copy, no leftover.
//  - A page that was there and did not take the link is unchanged.
#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/IndexPages.h"
#include "publish/StoryReports.h"
#include "transport/FtpFile.h"

namespace {

struct Service {
    pv::NullReporter reporter;
    pv::fuzz::StillClock clock;
    pv::FileAccess access{reporter, clock};
    pv::WireMessages messages{access, reporter, pv::fuzz::Scratch().Folder()};
    pv::IndexPages pages{access, clock, pv::fuzz::Scratch().Folder()};
};

Service& TheService() {
    static Service service;
    return service;
}

std::string_view NextPart(std::string_view& input, bool& present) {
    const size_t cut = input.find('\0');
    present = true;
    const std::string_view part = input.substr(0, cut);
    if (cut == std::string_view::npos) {
        input = {};
        present = false;
    } else {
        input.remove_prefix(cut + 1);
    }
    return part;
}

std::string ReadAll(const std::string& path) {
    std::string text;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        char buffer[4096];
        for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, got);
        std::fclose(file);
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Service& service = TheService();
    std::string_view input = pv::fuzz::AsText(data, size);
    bool linkGiven = false, pageGiven = false;
    const std::string_view indexTemplate = NextPart(input, linkGiven);
    const std::string_view linkTemplate = NextPart(input, pageGiven);
    const std::string_view page = input;

    const std::string folder = pv::fuzz::Scratch().Folder();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        std::filesystem::remove(entry.path(), ignored);
    pv::fuzz::WriteWholeFile(folder + "IndexTemplate.htm", indexTemplate);
    pv::fuzz::WriteWholeFile(folder + "LinkTemplate.htm", linkTemplate);
    if (pageGiven) pv::fuzz::WriteWholeFile(folder + "Index.htm", page);

    pv::CDirOptions route;
    pv::CFileData story;
    story.options.templateFolder = folder;
    pv::CTextFileHeader header;
    pv::CDatFile descriptor;
    header.m_strCategory = header.m_strShow = "Local <news> & \"more\"";
    pv::MacroValues values;
    values.header = &header;
    values.descriptor = &descriptor;
    values.slug = "Council vote";
    values.outputFilename = "00041_vote.htm";
    pv::CFTPFile openStory(service.access);
    pv::StorySubmission submission{route, story, header, descriptor, {}, {}, openStory};
    pv::RouteStoryState state;
    pv::StoryReports reports(service.messages, service.reporter, route, values.slug);
    pv::CFTPFile output(service.access);
    pv::Publication publication{submission, state, reports, output, values, {}};
    const bool linked = service.pages.UpdateIndexPage(publication, pv::Location::Parse(folder + "Index.htm"),
                                                      "IndexTemplate.htm", "LinkTemplate.htm");

    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        const std::string name = entry.path().filename().string();
        PV_FUZZ_CHECK(name == "Index.htm" || name == "IndexTemplate.htm" || name == "LinkTemplate.htm");
    }
    const std::string after = ReadAll(folder + "Index.htm");
    if (pageGiven && !linked) PV_FUZZ_CHECK(after == page);
    return 0;
}
