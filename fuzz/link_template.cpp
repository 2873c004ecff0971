// Link templates: the input is a link template, then (after a NUL byte, if
// any) the reference the story makes.  The template is the one for the
// reference's type, and every file the reference might name is absent, so
// nothing is transferred.
//
//  - The link is written (the template is there) and the fill ends.
//  - A template without a marker opener is written as it is, line for line.
//  - Each template line gives at most one page line: no value adds one.
//  - Without any template the error text is one page line, and a file of
//    the storage folder that shares the reference's bare name stays (it
//    is no copy this publication made).
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

#include "FuzzSupport.h"
#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/LinkTemplates.h"
#include "publish/MacroExpander.h"
#include "publish/PageOutput.h"
#include "publish/StoryReferences.h"
#include "publish/StoryReports.h"
#include "publish/TemplateMarker.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"

namespace {

class StillClock final : public pv::platform::Clock {
public:
    std::chrono::system_clock::time_point Now() const override {
        return std::chrono::system_clock::from_time_t(1765304643);
    }
    std::chrono::steady_clock::time_point Steady() const override { return {}; }
    void SleepFor(std::chrono::milliseconds) override {}
};

struct Service {
    Service() { std::filesystem::create_directories(pv::fuzz::Scratch() / "Pages"); }
    pv::NullReporter reporter;
    StillClock clock;
    pv::FileAccess access{reporter, clock};
    pv::WireMessages messages{access, reporter, pv::fuzz::Scratch().Folder()};
    pv::CDirOptions route;
    pv::LinkWriter links{access, pv::fuzz::Scratch().Folder()};
};

Service& TheService() {
    static Service service;
    return service;
}

size_t Count(std::string_view text, std::string_view what) {
    size_t count = 0;
    for (size_t at = text.find(what); at != std::string_view::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// The template's lines as the writer reads them, each ended with "\r\n".
std::string LineByLine(const std::string& path) {
    pv::CFTPFile file(TheService().access);
    PV_FUZZ_CHECK(file.Open(path, pv::platform::File::modeRead | pv::platform::File::shareDenyNone));
    std::string copy;
    for (std::string line; file.ReadLine(line);) copy += line + "\r\n";
    file.Close();
    return copy;
}

bool Exists(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input = pv::fuzz::AsText(data, size);
    const size_t nul = input.find('\0');
    const std::string templateText(input.substr(0, nul));
    std::string reference(nul == std::string_view::npos ? "cut.wav" : input.substr(nul + 1));
    // A reference is one line of a story, between brackets, trimmed.
    if (reference.find_first_of("\r\n[]") != std::string::npos || reference.empty() || reference.front() == ' ' ||
        reference.back() == ' ')
        reference = "cut.wav";

    Service& service = TheService();
    pv::CFileData story;
    story.options.templateFolder = pv::fuzz::Scratch().Folder();
    story.work.storagePath = pv::fuzz::Scratch() / "Pages/";
    story.work.lineBreak = "<BR>";
    // Every type, and no type, is written from the one template: the link
    // template's name gives no type-specific one.
    const std::string linkTemplate = pv::fuzz::Scratch() / "Link";
    pv::fuzz::WriteWholeFile(linkTemplate, templateText);

    const auto write = [&](std::string& page) {
        pv::StringPageOutput output;
        pv::StoryReports reports(service.messages, service.reporter, service.route, "s");
        pv::StoryReferences references(service.access, {}, service.route, story, reports, nullptr);
        pv::MacroValues values;
        values.audio = &references.AttachmentHeader();
        values.linkLines = &references;
        const pv::MacroExpander macros(values, service.clock);
        pv::CFTPFile storyText(service.access);
        pv::TemplateFill fill{service.route, story, macros, storyText, output, reports, references};
        pv::OpenLinkTemplate open(service.access);
        const bool written = service.links.WriteLink(fill, open, linkTemplate, reference);
        page = output.Text();
        return written;
    };

    std::string page;
    PV_FUZZ_CHECK(write(page));
    const std::string lines = LineByLine(linkTemplate);
    if (templateText.find(pv::kMarkerOpener) == std::string::npos) PV_FUZZ_CHECK(page == lines);
    PV_FUZZ_CHECK(Count(page, "\n") <= Count(lines, "\n"));

    std::remove(linkTemplate.c_str());
    const std::string bare = pv::BareName(reference);
    bool plantable = !bare.empty() && bare.size() <= 100 && bare != "." && bare != "..";
    for (const char c : bare) plantable = plantable && c > ' ' && c < 127 && c != '/' && c != '\\' && c != '|';
    const std::string sameName = pv::fuzz::Scratch() / ("Pages/" + bare);
    if (plantable) pv::fuzz::WriteWholeFile(sameName, "a page of the storage folder");
    PV_FUZZ_CHECK(!write(page));
    PV_FUZZ_CHECK(Count(page, "\r\n") == 1 && page.size() >= 2 && page.substr(page.size() - 2) == "\r\n");
    if (plantable) {
        PV_FUZZ_CHECK(Exists(sameName));
        std::remove(sameName.c_str());
    }
    return 0;
}
