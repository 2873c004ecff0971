#include "publish/LinkTemplates.h"

#include "platform/Wildcard.h"
#include "publish/ConditionalSections.h"
#include "publish/MacroPaths.h"
#include "publish/StoryReferences.h"
#include "publish/TemplateMarker.h"

namespace pv {

namespace {

using platform::EqualsIgnoringCase;

constexpr unsigned kTemplateReadMode = platform::File::modeRead | platform::File::shareDenyNone;
constexpr std::string_view kNotCopiedExtension = ".ALT";
constexpr size_t kLongestType = 4;  // the dot and three letters
constexpr std::string_view kChars = "LinkedFilename Chars ";
constexpr size_t kCharsMinimum = 23;
constexpr std::string_view kTitleChars = "LinkedFilenameTitle Chars ";
constexpr size_t kTitleCharsMinimum = 28;

std::string WithoutFolder(std::string_view path) {
    const size_t cut = path.find_last_of("\\/");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string BeforeLastDot(const std::string& text) {
    const size_t dot = text.rfind('.');
    return dot == std::string::npos ? text : text.substr(0, dot);
}

std::string FromLastDot(const std::string& text) {
    const size_t dot = text.rfind('.');
    return dot == std::string::npos ? text : text.substr(dot);
}

// The macros of one output: the output itself or the low one.
std::optional<std::string> OutputValue(std::string_view macro, const std::string& output) {
    if (EqualsIgnoringCase(macro, "Title")) return NormaliseSeparators(BeforeLastDot(WithoutFolder(output)));
    if (EqualsIgnoringCase(macro, "NoPath")) return NormaliseSeparators(WithoutFolder(output));
    if (EqualsIgnoringCase(macro, "NoServer")) return NormaliseSeparators(RemoveServerPart(output));
    return std::nullopt;
}

}  // namespace

std::string BareName(std::string_view name) {
    const size_t cut = name.find_last_of("\\/");
    return std::string(cut == std::string_view::npos || cut == 0 ? name : name.substr(cut + 1));
}

std::string ReferenceType(std::string_view name, std::string_view extensionlessType) {
    const std::string bare = BareName(name);
    const size_t dot = bare.rfind('.');
    if (dot == std::string::npos) return std::string(extensionlessType);
    const std::string type = bare.substr(dot);
    if (type.size() > kLongestType || type.find_first_of("\\/") != std::string::npos)
        return std::string(extensionlessType);
    return platform::AsciiLowered(type);
}

std::string TypeTemplateName(std::string_view linkTemplateName, std::string_view type, bool copied) {
    const size_t nameStart = linkTemplateName.find_last_of("\\/") + 1;  // 0 without a folder
    const size_t dot = linkTemplateName.rfind('.');
    if (dot == std::string_view::npos || dot < nameStart) return {};
    std::string name(linkTemplateName.substr(0, dot));
    name += type.empty() || type.front() != '.' ? type : type.substr(1);
    name += copied ? linkTemplateName.substr(dot) : kNotCopiedExtension;
    return name;
}

std::optional<std::string> LinkedFilenameValue(std::string_view name, const LinkedFile& file) {
    const std::string linked = file.copied ? WithoutFolder(file.output) : file.output;
    if (name.size() >= kTitleCharsMinimum && NameStartsWith(name, kTitleChars))
        return CharacterRange(WithoutFolder(file.output), name.substr(kTitleChars.size()));
    if (name.size() >= kCharsMinimum && NameStartsWith(name, kChars))
        return CharacterRange(file.output, name.substr(kChars.size()));
    if (!NameStartsWith(name, "LinkedFilename")) return std::nullopt;
    const std::string_view rest = name.substr(std::string_view("LinkedFilename").size());
    if (rest.empty()) return NormaliseSeparators(linked);
    if (EqualsIgnoringCase(rest, "Original")) return NormaliseSeparators(file.original);
    if (EqualsIgnoringCase(rest, "NoExt")) return BeforeLastDot(NormaliseSeparators(linked));
    if (EqualsIgnoringCase(rest, "ExtOnly")) return FromLastDot(NormaliseSeparators(linked));
    if (std::optional<std::string> value = OutputValue(rest, file.output)) return value;
    if (rest.size() >= 2 && EqualsIgnoringCase(rest.substr(rest.size() - 2), "Lo")) {
        const std::string_view macro = rest.substr(0, rest.size() - 2);
        if (macro.empty()) return NormaliseSeparators(WithoutFolder(file.lowOutput ? file.lowOutput() : std::string()));
        if (EqualsIgnoringCase(macro, "NoPath") || EqualsIgnoringCase(macro, "Title") ||
            EqualsIgnoringCase(macro, "NoServer"))
            return OutputValue(macro, file.lowOutput ? file.lowOutput() : std::string());
    }
    return std::nullopt;
}

bool OpenLinkTemplate::Rewind(const Location& where) {
    if (m_open && *m_open == where && m_file.IsOpen()) return m_file.SeekToBegin() == 0;
    Close();
    if (!m_file.Open(where, kTemplateReadMode)) return false;
    m_open = where;
    return true;
}

void OpenLinkTemplate::Close() {
    if (m_file.IsOpen()) m_file.Close();
    m_open.reset();
}

LinkWriter::LinkWriter(FileAccess& files, std::string workingFolder) : m_templates(files, std::move(workingFolder)) {}

// The template of that name where the alias keeps its templates, copied
// from the template store first when it is missing there.
bool LinkWriter::OpenTemplate(TemplateFill& fill, OpenLinkTemplate& open, const std::string& name) {
    if (name.empty()) return false;
    const Location where = m_templates.LocateLinkTemplate(name, fill.story.options.templateFolder);
    return where.Problem().ok() && open.Rewind(where);
}

bool LinkWriter::WriteLink(TemplateFill& fill, OpenLinkTemplate& open, const std::string& linkTemplateName,
                           const std::string& referenceName) {
    StoryReferences& references = fill.references;
    const ReferenceRecord* record = references.FindOrAdd(referenceName);
    const bool copied = record && !record->notCopied;
    const std::string type = ReferenceType(referenceName, fill.story.options.extensionlessTemplateExt);
    const std::string typeTemplate = TypeTemplateName(linkTemplateName, type, copied);
    if (!OpenTemplate(fill, open, typeTemplate) && !OpenTemplate(fill, open, linkTemplateName)) {
        open.Close();
        const std::string& wanted = typeTemplate.empty() ? linkTemplateName : typeTemplate;
        const Location shown = m_templates.TemplateLocation(wanted, fill.story.options.templateFolder);
        fill.reports.Log("Can't open link template file " + shown.Display() + ". Using an error template instead.");
        fill.output.Write(PageValue("[ " + BareName(referenceName) + "-FileTemplateNotFound ]"));
        fill.output.Write(fill.story.work.lineBreak);
        fill.output.EndLine();
        references.WithdrawCopies(referenceName);
        return false;
    }
    WriteTemplate(fill, open, referenceName);
    return true;
}

void LinkWriter::WriteTemplate(TemplateFill& fill, OpenLinkTemplate& open, const std::string& referenceName) {
    StoryReferences& references = fill.references;
    CFTPFile& file = open.File();
    const Location& shown = open.Where();
    ConditionalSections conditions(fill.story.templateState, fill.reports);
    const auto write = [&](std::string_view text) {
        if (!text.empty() && !conditions.Suppressed()) fill.output.Write(text);
    };
    std::optional<LinkedFile> linked;
    for (std::string line; file.ReadLine(line);) {
        std::string_view rest = line;
        while (const std::optional<FoundMarker> marker = FindMarker(rest)) {
            write(marker->before);
            if (marker->corrupt) {
                fill.reports.Log("Corrupt macro definition in TextLinkTemplate file " + shown.Display() + ".");
                rest = marker->after.substr(kMarkerOpener.size());
                break;
            }
            rest = marker->after;
            // The first marker resolves the reference: its transfer, and the
            // header the "AF" macros show.
            if (!linked) {
                linked.emplace();
                linked->original = referenceName;
                linked->output = references.Output(referenceName);
                const ReferenceRecord* record = references.Find(referenceName);
                linked->copied = record && !record->notCopied;
                linked->lowOutput = [&references, &referenceName] { return references.LowOutput(referenceName); };
            }
            if (const std::optional<std::string> value = conditions.ExpandMacro(marker->name, fill.macros)) {
                write(*value);
            } else if (const std::optional<std::string> value = LinkedFilenameValue(marker->name, *linked)) {
                write(PageValue(*value));
            } else {
                fill.reports.Log("Unrecognized macro name in text link template file " + shown.Display() + ".");
            }
        }
        write(rest);
        if (!conditions.Suppressed()) fill.output.EndLine();
    }
}

}  // namespace pv
