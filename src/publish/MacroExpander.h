#pragma once
// The macro expander: what a macro name stands for in a page.  One
// component for every kind of page (text templates, link templates,
// ordered-list entries, index pages); it needs only the values of the
// publication and a clock, so it is used without the template engine too.
//
// A name is looked up without regard to case:
//   - name + "-RSS": the value of name, converted for a feed;
//   - the named macros (MacroTable.h);
//   - "Filename Chars " + first + "," + last: characters first to last
//     (from 0, both included) of the output file name, clamped to the name;
//     empty without the comma;
//   - the "AF" and "Prepended AF" fields of the audio metadata.
// Under "Use-Unicode-Conversions" apostrophes become "&lsquo;", except in
// the raw macros (Slug, the file names and paths, the "now" numbers) and in
// the "-RSS" forms, whose conversion writes them as "&apos;".
// Every value leaves as PageValue makes it (TemplateMarker.h).
//
// The conditional forms (If, Else, EndIf) change the state of the template
// being filled; they are ConditionalSections', on top of this.
#include <optional>
#include <string>
#include <string_view>

#include "audio/AudioFileHeader.h"
#include "platform/Clock.h"
#include "publish/MacroValues.h"

namespace pv {

class MacroExpander {
public:
    // Both are kept by reference and must outlive the expander.
    MacroExpander(const MacroValues& values, const platform::Clock& clock);

    // The value of macro `name` as it goes into a page, or nothing when
    // `name` is no macro.
    std::optional<std::string> Value(std::string_view name) const;

    // The line with every marker that names a macro replaced by its value;
    // other markers, and an opener without a closer, stay as written.
    std::string ExpandLine(std::string_view line) const;

    const MacroValues& Values() const { return m_values; }

private:
    std::optional<std::string> UnsafeValue(std::string_view name, const std::tm& now) const;
    std::optional<std::string> FeedValue(std::string_view name, const std::tm& now) const;
    std::optional<std::string> PlainValue(std::string_view name, const std::tm& now) const;
    static bool IsRawMacro(std::string_view name);
    std::optional<std::string> AudioValue(std::string_view name) const;
    std::string FilenameChars(std::string_view parameters) const;

    const MacroValues& m_values;
    const platform::Clock& m_clock;
    const CAudioFileHeader m_noAudio;
};

}  // namespace pv
