#include "publish/TemplateRun.h"

#include "platform/Wildcard.h"
#include "publish/TemplateMarker.h"

namespace pv {

namespace {

using platform::EqualsIgnoringCase;

constexpr std::string_view kSectionSwitch = "Template Name ";
constexpr std::string_view kBeginOrderedList = "Begin Ordered List ";
constexpr std::string_view kBeginReplace = "Begin Replace ";
constexpr std::string_view kEndReplaceLine = "<!--Quillmark End Replace -->";
constexpr int kPurgeLinkDepth = 10;

// A keyword followed by at least one more character.
bool StartsWithKeyword(std::string_view name, std::string_view keyword) {
    return name.size() > keyword.size() && NameStartsWith(name, keyword);
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

// A line of old region content that names a linked file: "[name]".
std::string_view LinkedFileOf(std::string_view line) {
    if (line.size() < 2 || line.front() != '[' || line.back() != ']') return {};
    return TrimBlanks(line.substr(1, line.size() - 2));
}

bool OpensReplacedRegion(std::string_view line) {
    for (std::optional<FoundMarker> marker = FindMarker(line); marker && !marker->corrupt;
         marker = FindMarker(marker->after))
        if (StartsWithKeyword(marker->name, kBeginReplace)) return true;
    return false;
}

}  // namespace

TemplateRun::TemplateRun(Parts parts)
    : m_parts(std::move(parts)), m_conditions(m_parts.fill.story.templateState, m_parts.fill.reports) {}

Status TemplateRun::FillLines() {
    for (std::string line; m_parts.templateFile.ReadLine(line);) {
        const Status status = FillLine(line);
        if (!status.ok()) return status;
    }
    return Status::OK();
}

// A region's end marker ends its line at once: what follows it on the
// template line starts a line of its own, so the end marker stands alone
// when the page is read again as a template.
Status TemplateRun::FillLine(std::string_view line) {
    std::string_view rest = line;
    bool endedByRegion = false;
    while (const std::optional<FoundMarker> marker = FindMarker(rest)) {
        WriteText(marker->before);
        rest = marker->after;
        if (marker->corrupt) {
            m_parts.fill.reports.Note("Corrupt macro definition in TextTemplate file " + m_parts.shownPath + ".");
            endedByRegion = false;
            break;
        }
        const Outcome outcome = ExpandMarker(marker->name);
        if (!outcome.status.ok()) return outcome.status;
        if (outcome.endsRegion) m_parts.fill.output.EndLine();
        endedByRegion = outcome.endsRegion;
    }
    if (endedByRegion && rest.empty()) return Status::OK();
    WriteText(rest);
    if (!m_conditions.Suppressed()) m_parts.fill.output.EndLine();
    return Status::OK();
}

TemplateRun::Outcome TemplateRun::ExpandMarker(std::string_view name) {
    if (StartsWithKeyword(name, kSectionSwitch)) {
        SwitchSection(name);
        WriteMarker(name);
        return {};
    }
    if (!ExpansionEnabled()) {
        WriteMarker(name);
        return {};
    }
    if (const std::optional<std::string> value = m_conditions.ExpandMacro(name, m_parts.fill.macros)) {
        WriteText(*value);
        return {};
    }
    if (std::optional<Outcome> block = ExpandBlock(name)) return *block;
    KeepUnknownMarker(name);
    return {};
}

std::optional<TemplateRun::Outcome> TemplateRun::ExpandBlock(std::string_view name) {
    if (EqualsIgnoringCase(name, "TextFile") || EqualsIgnoringCase(name, "TextFile-RSS") ||
        EqualsIgnoringCase(name, "Story") || EqualsIgnoringCase(name, "Story-RSS"))
        return Outcome{WriteStoryBlock(name)};
    // A bare Begin marker opens a list with every default.
    if (StartsWithKeyword(name, kBeginOrderedList) ||
        EqualsIgnoringCase(TrimBlanks(name), TrimBlanks(kBeginOrderedList)))
        return Outcome{m_parts.blocks.orderedLists.WriteOrderedList(m_parts.fill, m_parts.templateFile, name,
                                                                    m_parts.filler),
                       true};
    if (StartsWithKeyword(name, kBeginReplace)) return Outcome{ReplaceRegion(name), true};
    return std::nullopt;
}

// A marker the engine cannot expand here is reported and stays in the page.
void TemplateRun::KeepUnknownMarker(std::string_view name) {
    const std::string text(name);
    if (EqualsIgnoringCase(name, "End Ordered Entry"))
        Fatal(text + " not valid outside of Begin/End Ordered Entry context.");
    else if (EqualsIgnoringCase(name, "End Ordered List"))
        Fatal(text + " not valid without a Begin Ordered List.");
    else
        Fatal("Unrecognized macro name " + text + " in text template file " + m_parts.shownPath + ".");
    WriteMarker(name);
}

// "Template Name " + section + " " + "begin" or "end".  Without a
// template_name every section is expanded; with one, its own begin and end
// switch expansion on and off and other sections change nothing.
void TemplateRun::SwitchSection(std::string_view name) {
    const std::string_view rest = name.substr(kSectionSwitch.size());
    const size_t blank = rest.rfind(' ');
    if (blank == std::string_view::npos || blank == 0 || rest.size() - blank - 1 < 2) {
        ReportImproperSection(name);
        return;
    }
    const std::string_view section = rest.substr(0, blank);
    const std::string_view word = rest.substr(blank + 1);
    CFileData& story = m_parts.fill.story;
    if (story.options.templateName.empty()) {
        story.templateState.expansionEnabled = true;
    } else if (EqualsIgnoringCase(section, story.options.templateName)) {
        if (EqualsIgnoringCase(word, "begin")) story.templateState.expansionEnabled = true;
        else if (EqualsIgnoringCase(word, "end")) story.templateState.expansionEnabled = false;
        else ReportImproperSection(name);
    }
}

Status TemplateRun::WriteStoryBlock(std::string_view name) {
    const bool feedMode = name.size() > 4 && EqualsIgnoringCase(name.substr(name.size() - 4), "-RSS");
    StoryTextConverter& converter = m_parts.blocks.storyText;
    if (NameStartsWith(name, "TextFile"))
        return converter.WriteTextFileBlock(m_parts.fill, m_parts.linkTemplate, feedMode);
    return converter.WriteStoryBlock(m_parts.fill, m_parts.linkTemplate, feedMode);
}

// The marker, the included template, and the end marker; the old content
// of the region is read past and dropped.
Status TemplateRun::ReplaceRegion(std::string_view name) {
    const std::string_view templates = name.substr(kBeginReplace.size());
    const size_t blank = templates.find(' ');
    const std::string textTemplate(templates.substr(0, blank));
    const std::string linkTemplate(blank == std::string_view::npos ? std::string_view() : templates.substr(blank + 1));
    m_parts.fill.output.WriteLine(MarkerText(name));
    const Status filled = m_parts.filler.FillTemplate(m_parts.fill, textTemplate, linkTemplate);
    if (!filled.ok()) return filled;
    DropOldRegion();
    m_parts.fill.output.Write(kEndReplaceLine);
    return Status::OK();
}

// Up to the end marker that closes this region (regions inside it close
// first); the files the dropped lines link to go too, unless the alias
// keeps them.  A template that ends first ends the region.
void TemplateRun::DropOldRegion() {
    const bool purge = !m_parts.fill.story.options.dontPurgeOldLinkedFiles;
    int innerRegions = 0;
    for (std::string line; m_parts.templateFile.ReadLine(line);) {
        if (line == kEndReplaceLine) {
            if (innerRegions == 0) return;
            --innerRegions;
            continue;
        }
        if (OpensReplacedRegion(line)) ++innerRegions;
        const std::string_view linked = LinkedFileOf(line);
        if (purge && !linked.empty())
            m_parts.blocks.linkedFiles.PurgeLinkedFile(m_parts.fill, std::string(linked), kPurgeLinkDepth);
    }
}

void TemplateRun::ReportImproperSection(std::string_view name) {
    Fatal("Improperly formatted macro " + std::string(name) + " in text template file " + m_parts.shownPath + ".");
}

void TemplateRun::Fatal(const std::string& text) { m_parts.fill.reports.Fatal(text); }

void TemplateRun::WriteText(std::string_view text) {
    if (!text.empty() && !m_conditions.Suppressed()) m_parts.fill.output.Write(text);
}

void TemplateRun::WriteMarker(std::string_view name) { m_parts.fill.output.Write(MarkerText(name)); }

}  // namespace pv
