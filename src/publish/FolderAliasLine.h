#pragma once
// The syntax of one line of the folder alias file DBFolder.dat:
//
//   ; a comment (so is an empty line, and a line that starts with a blank)
//   News;output_filename=News.htm;replace_file;eol=<br>
//
// The alias name is everything before the first ";", as written.  Options
// follow, separated by ";"; an option is a key alone or key "=" value, split
// at its first "=" unless that is the option's first character.  Keys and
// values are trimmed of blanks; keys are lower-cased, so they match without
// regard to case.  A value may itself hold "=".
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pv {

struct FolderAliasOption {
    std::string written;  // the option text as it stands in the line
    std::string key;      // trimmed, lower case
    std::string value;    // trimmed; empty for a key alone
};

// Whether a line holds nothing to read: empty, or starting with ";" or a blank.
bool IsFolderAliasComment(std::string_view line);

// The alias a usable line is for; none when the line has no ";" (such a line
// never matches an alias).
std::optional<std::string_view> FolderAliasOfLine(std::string_view line);

// The options of a line, in their order.  An empty piece (";;", or a ";" at
// the end of the line) is an option with an empty key.  A line without ";"
// has none.
std::vector<FolderAliasOption> FolderAliasOptions(std::string_view line);

// The option text as it may be shown on a status line: the value of a key
// that names a password, and the password of a credential part
// ("PATH|ID|PASSWORD|"), are shown as "****".
std::string OptionTextForDisplay(std::string_view written);

}  // namespace pv
