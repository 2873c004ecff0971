#pragma once
// The conditional markers of a template, over the template state kept in
// the story record:
//
//   "If " + macro   the section that follows is written when the macro's
//                   value is not empty (a name that is no macro changes
//                   nothing);
//   "Else"          the other way round;
//   "EndIf"         back to what was in force before the If.
//
// A section inside a section that is not written is not written either,
// whatever its own If says.  While nothing is written, every name counts as
// a macro with an empty value, so blocks and lists there are skipped.
#include <optional>
#include <string>
#include <string_view>

#include "publish/MacroExpander.h"
#include "publish/StoryReports.h"
#include "transport/FileData.h"

namespace pv {

class ConditionalSections {
public:
    ConditionalSections(CFileData::TemplateState& state, StoryReports& reports);

    // What a marker name gives as a macro: the conditional forms (which
    // change the state and give an empty value), an empty value for every
    // name while output is suppressed, else the expander's value; nothing
    // when the name is no macro.
    std::optional<std::string> ExpandMacro(std::string_view name, const MacroExpander& macros);

    bool Suppressed() const { return m_state.outputSuppressed; }

private:
    bool HandleConditional(std::string_view name, const MacroExpander& macros);
    void If(std::string_view macroName, const MacroExpander& macros);
    void Else();
    void EndIf();

    CFileData::TemplateState& m_state;
    StoryReports& m_reports;
};

}  // namespace pv
