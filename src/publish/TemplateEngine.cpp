#include "publish/TemplateEngine.h"

#include "publish/TemplateRun.h"
#include "transport/FtpFile.h"
#include "transport/Location.h"

namespace pv {

namespace {

constexpr unsigned kTemplateReadMode = platform::File::modeRead | platform::File::shareDenyNone;

// Counts one open template for as long as it lives.
class DepthScope {
public:
    explicit DepthScope(int& depth) : m_depth(depth) { ++m_depth; }
    ~DepthScope() { --m_depth; }
    DepthScope(const DepthScope&) = delete;
    DepthScope& operator=(const DepthScope&) = delete;

private:
    int& m_depth;
};

}  // namespace

TemplateEngine::TemplateEngine(FileAccess& files, std::string workingFolder, TemplateBlocks blocks)
    : m_files(files), m_templates(files, std::move(workingFolder)), m_blocks(blocks) {}

Status TemplateEngine::FillTemplate(TemplateFill& fill, const std::string& textTemplate,
                                    const std::string& linkTemplate) {
    if (m_depth >= kMaxTemplateDepth)
        return fill.reports.Fatal(Status::InvalidArgument(
            "Template " + Location::Parse(textTemplate).Display() + " includes itself, or templates nest deeper than " +
            std::to_string(kMaxTemplateDepth) + " levels."));
    const DepthScope scope(m_depth);
    Location where;
    const Status located = m_templates.LocateTextTemplate(textTemplate, fill.story.options.templateFolder, where);
    if (!located.ok()) return fill.reports.Fatal(located);
    return FillOpenTemplate(fill, where, linkTemplate);
}

Status TemplateEngine::FillOpenTemplate(TemplateFill& fill, const Location& where, const std::string& linkTemplate) {
    CFTPFile file(m_files);
    if (!file.Open(where, kTemplateReadMode))
        return fill.reports.Fatal(Status::IoError("Can't open text template file " + where.Display() + "."));
    const Location link = m_templates.LocateLinkTemplate(linkTemplate, fill.story.options.templateFolder);
    TemplateRun run(TemplateRun::Parts{fill, m_blocks, *this, file, where.Display(), link.WithCredentials()});
    Status filled = run.FillLines();
    // A template cut short by a read error would make a page cut short.
    if (filled.ok() && file.ReadFailed())
        filled = fill.reports.Fatal(Status::IoError("Can't read text template file " + where.Display() + "."));
    file.Close();
    return filled;
}

}  // namespace pv
