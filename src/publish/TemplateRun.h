#pragma once
// One template being filled: its lines, its markers, and the blocks and
// regions they open.  The template engine makes one for every template it
// fills, nested ones included.
#include <optional>
#include <string>
#include <string_view>

#include "platform/Status.h"
#include "publish/ConditionalSections.h"
#include "publish/TemplateBlocks.h"
#include "transport/FileString.h"

namespace pv {

class TemplateRun {
public:
    struct Parts {
        TemplateFill& fill;
        const TemplateBlocks& blocks;
        TemplateFiller& filler;       // for the templates this one includes
        CFileString& templateFile;    // open, at its start
        std::string shownPath;        // the template as named in messages
        std::string linkTemplate;     // the link template's path, credentials kept
    };

    explicit TemplateRun(Parts parts);

    // Copies every line of the template, markers expanded.
    Status FillLines();

private:
    // How a marker came out: a failed block stops the fill; a region
    // (replaced region, ordered list) has written lines of its own and ended
    // with its end marker, which the rest of the template line follows.
    struct Outcome {
        Status status;
        bool endsRegion = false;
    };

    Status FillLine(std::string_view line);
    Outcome ExpandMarker(std::string_view name);
    std::optional<Outcome> ExpandBlock(std::string_view name);
    void KeepUnknownMarker(std::string_view name);
    void SwitchSection(std::string_view name);
    void ReportImproperSection(std::string_view name);
    Status WriteStoryBlock(std::string_view name);
    Status ReplaceRegion(std::string_view name);
    void DropOldRegion();
    void Fatal(const std::string& text);

    void WriteText(std::string_view text);
    void WriteMarker(std::string_view name);
    bool ExpansionEnabled() const { return m_parts.fill.story.templateState.expansionEnabled; }

    Parts m_parts;
    ConditionalSections m_conditions;
};

}  // namespace pv
