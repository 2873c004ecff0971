#pragma once
// The text template engine: a page is made by copying a template line by
// line into the output and replacing every marker in it (TemplateMarker.h).
//
// What a marker name means, in the order tried (names without regard to case):
//   "Template Name " + section + " begin" / " end"
//                  switches expansion on and off for the alias's named
//                  section (alias option template_name); the marker stays;
//   while expansion is off, every other marker stays as written;
//   "If ...", "Else", "EndIf" and every macro (ConditionalSections.h,
//                  MacroExpander.h): replaced by the value;
//   "TextFile", "Story" and their "-RSS" forms: the story text block;
//   "Begin Ordered List " + parameters: an ordered list region;
//   "Begin Replace " + text template + " " + link template: the lines up to
//                  "<!--Quillmark End Replace -->" (matched exactly) are
//                  rebuilt from the named template on every fill; both
//                  markers stay, so the region is found again when the page
//                  is its own template (modify_file).
// Anything else is reported and stays in the page as written.
//
// Templates are found as TemplateFiles.h says.  Templates nest (replaced
// regions, list entries); a template that includes itself, or nesting
// deeper than kMaxTemplateDepth, stops the fill with a fatal report.
//
// The engine writes to the caller's output only; putting the page in place
// is the publish driver's business.
#include <string>

#include "platform/Status.h"
#include "publish/TemplateBlocks.h"
#include "publish/TemplateFiles.h"
#include "transport/FileAccess.h"
#include "transport/Location.h"

namespace pv {

class TemplateEngine final : public TemplateFiller {
public:
    static constexpr int kMaxTemplateDepth = 8;

    // workingFolder ends with a separator (stock link templates lie in its
    // "Pressvane\Templates\").
    TemplateEngine(FileAccess& files, std::string workingFolder, TemplateBlocks blocks);

    // Fills the text template into fill.output.  OK when the template was
    // copied to its end and every block succeeded; a failure has been sent
    // as a fatal report, and the output holds a part of the page.
    Status FillTemplate(TemplateFill& fill, const std::string& textTemplate,
                        const std::string& linkTemplate) override;

private:
    Status FillOpenTemplate(TemplateFill& fill, const Location& where, const std::string& linkTemplate);

    FileAccess& m_files;
    TemplateFiles m_templates;
    TemplateBlocks m_blocks;
    int m_depth = 0;
};

}  // namespace pv
