#pragma once
// The marker grammar of templates and pages.  A marker is
//
//   "<!--Quillmark " + name + " -->"
//
// on one line; the name is everything between the opener (with its trailing
// blank) and the first " -->" after it, blanks included.  A line may hold
// several markers.  The opener is matched exactly; names are compared
// without regard to case by whoever interprets them.
//
// Values put into a page pass through PageValue, so that nothing taken from
// a story can open or close a marker (or an HTML comment) in the page: under
// modify_file the page is the next publication's template, and a slug must
// not become a command there.
#include <optional>
#include <string>
#include <string_view>

namespace pv {

inline constexpr std::string_view kMarkerOpener = "<!--Quillmark ";
inline constexpr std::string_view kMarkerCloser = " -->";

// One marker found in a line.
struct FoundMarker {
    std::string_view before;  // the text in front of the opener
    std::string_view name;    // empty when corrupt
    std::string_view after;   // the text after the closer; from the opener on when corrupt
    bool corrupt = false;     // an opener without a closer after it
};

// The first marker in text, or nothing when text holds no opener.
std::optional<FoundMarker> FindMarker(std::string_view text);

// "<!--Quillmark " + name + " -->"
std::string MarkerText(std::string_view name);

// Whether a name starts with a keyword (compared without regard to case).
bool NameStartsWith(std::string_view name, std::string_view keyword);

// A value as it may stand in a page: every "<!--" becomes "&lt;!--" and
// every "-->" becomes "--&gt;" (so it can neither open a marker or comment
// nor end one early), and every run of carriage returns and line feeds
// becomes one blank (a value never adds a line to the page).
std::string PageValue(std::string_view value);

}  // namespace pv
