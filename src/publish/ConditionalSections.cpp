#include "publish/ConditionalSections.h"

#include "platform/Wildcard.h"
#include "publish/TemplateMarker.h"

namespace pv {

namespace {
constexpr std::string_view kIf = "If ";
}

ConditionalSections::ConditionalSections(CFileData::TemplateState& state, StoryReports& reports)
    : m_state(state), m_reports(reports) {}

std::optional<std::string> ConditionalSections::ExpandMacro(std::string_view name, const MacroExpander& macros) {
    if (HandleConditional(name, macros)) return std::string();
    if (m_state.outputSuppressed) return std::string();
    return macros.Value(name);
}

bool ConditionalSections::HandleConditional(std::string_view name, const MacroExpander& macros) {
    if (NameStartsWith(name, kIf)) If(name.substr(kIf.size()), macros);
    else if (platform::EqualsIgnoringCase(name, "Else")) Else();
    else if (platform::EqualsIgnoringCase(name, "EndIf")) EndIf();
    else return false;
    return true;
}

void ConditionalSections::If(std::string_view macroName, const MacroExpander& macros) {
    const bool enclosingSuppressed = m_state.outputSuppressed;
    m_state.conditionStack.push_back(enclosingSuppressed);
    const std::optional<std::string> value = macros.Value(macroName);
    if (value) m_state.outputSuppressed = enclosingSuppressed || value->empty();
}

void ConditionalSections::Else() {
    if (m_state.conditionStack.empty()) {
        m_reports.Fatal("Else macro without If macro.");
        m_state.outputSuppressed = !m_state.outputSuppressed;
        return;
    }
    const bool enclosingSuppressed = m_state.conditionStack.back();
    m_state.outputSuppressed = enclosingSuppressed || !m_state.outputSuppressed;
}

void ConditionalSections::EndIf() {
    if (m_state.conditionStack.empty()) {
        m_reports.Fatal("EndIf macro without If macro.");
        m_state.outputSuppressed = false;
        return;
    }
    m_state.outputSuppressed = m_state.conditionStack.back();
    m_state.conditionStack.pop_back();
}

}  // namespace pv
