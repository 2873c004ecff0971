#include "publish/MacroExpander.h"

#include <algorithm>
#include <array>

#include "platform/Wildcard.h"
#include "publish/FeedText.h"
#include "publish/MacroPaths.h"
#include "publish/MacroTable.h"
#include "publish/TemplateMarker.h"

namespace pv {

namespace {

constexpr std::string_view kFeedSuffix = "-RSS";
constexpr std::string_view kFilenameChars = "Filename Chars ";
// "Filename Chars " and at least "a,b".
constexpr size_t kFilenameCharsMinimum = 17;
constexpr std::string_view kAudioPrefix = "AF ";
constexpr std::string_view kPrependedPrefix = "Prepended ";

// The audio fields that the prepended audio's metadata offers.
constexpr std::array<std::string_view, 17> kPrependedFields = {
    "AF Description", "AF Outcue",   "AF LastPlayed", "AF TimesPlayed",  "AF SavedBy",        "AF Category",
    "AF Artist",      "AF StartDate", "AF StopDate",  "AF IntroTime",    "AF OutroTime",      "AF IntroFade",
    "AF OutroFade",   "AF CreationDate", "AF ModificationDate", "AF Length Seconds", "AF Length Milliseconds"};

bool EndsWithFeedSuffix(std::string_view name) {
    return name.size() > kFeedSuffix.size() &&
           NameStartsWith(name.substr(name.size() - kFeedSuffix.size()), kFeedSuffix);
}

void ReplaceApostrophes(std::string& text) {
    for (size_t at = text.find('\''); at != std::string::npos; at = text.find('\'', at + 1))
        text.replace(at, 1, "&lsquo;");
}

bool IsPrependedField(std::string_view field) {
    return std::any_of(kPrependedFields.begin(), kPrependedFields.end(),
                       [field](std::string_view known) { return platform::EqualsIgnoringCase(field, known); });
}

}  // namespace

MacroExpander::MacroExpander(const MacroValues& values, const platform::Clock& clock)
    : m_values(values), m_clock(clock) {}

std::optional<std::string> MacroExpander::Value(std::string_view name) const {
    std::tm now{};
    platform::Clock::LocalTime(m_clock.NowSeconds(), now);
    std::optional<std::string> value = UnsafeValue(name, now);
    if (value) *value = PageValue(*value);
    return value;
}

// A feed form converts the plain value; the apostrophes of the plain value
// are left to the feed conversion ("&apos;"), so a feed never shows an
// escaped "&lsquo;".
std::optional<std::string> MacroExpander::UnsafeValue(std::string_view name, const std::tm& now) const {
    if (EndsWithFeedSuffix(name)) {
        std::optional<std::string> value = FeedValue(name.substr(0, name.size() - kFeedSuffix.size()), now);
        if (value) ConvertForFeed(*value);
        return value;
    }
    std::optional<std::string> value = PlainValue(name, now);
    if (value && m_values.useUnicodeConversions && !IsRawMacro(name)) ReplaceApostrophes(*value);
    return value;
}

std::optional<std::string> MacroExpander::FeedValue(std::string_view name, const std::tm& now) const {
    if (EndsWithFeedSuffix(name)) return UnsafeValue(name, now);
    return PlainValue(name, now);
}

std::optional<std::string> MacroExpander::PlainValue(std::string_view name, const std::tm& now) const {
    if (const NamedMacro* macro = FindNamedMacro(name)) return macro->value(MacroInputs{m_values, now});
    if (name.size() >= kFilenameCharsMinimum && NameStartsWith(name, kFilenameChars))
        return FilenameChars(name.substr(kFilenameChars.size()));
    return AudioValue(name);
}

bool MacroExpander::IsRawMacro(std::string_view name) {
    const NamedMacro* macro = FindNamedMacro(name);
    return macro && macro->raw;
}

std::optional<std::string> MacroExpander::AudioValue(std::string_view name) const {
    std::string value;
    if (NameStartsWith(name, kAudioPrefix)) {
        const CAudioFileHeader& audio = m_values.audio ? *m_values.audio : m_noAudio;
        if (audio.AfMacroValue(name, value)) return value;
    } else if (NameStartsWith(name, kPrependedPrefix) && IsPrependedField(name.substr(kPrependedPrefix.size()))) {
        const CAudioFileHeader& audio = m_values.prependedAudio ? *m_values.prependedAudio : m_noAudio;
        if (audio.AfMacroValue(name.substr(kPrependedPrefix.size()), value)) return value;
    }
    return std::nullopt;
}

// "first,last" of the output file name; the indices are clamped to the
// name, and a range that ends before it starts is empty.
std::string MacroExpander::FilenameChars(std::string_view parameters) const {
    return CharacterRange(m_values.outputFilename, parameters);
}

std::string MacroExpander::ExpandLine(std::string_view line) const {
    std::string expanded;
    std::string_view rest = line;
    while (const std::optional<FoundMarker> marker = FindMarker(rest)) {
        expanded += marker->before;
        if (marker->corrupt) {
            rest = marker->after;
            break;
        }
        const std::optional<std::string> value = Value(marker->name);
        expanded += value ? *value : MarkerText(marker->name);
        rest = marker->after;
    }
    expanded += rest;
    return expanded;
}

}  // namespace pv
