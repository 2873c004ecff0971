#pragma once
// How a story text is read by everything that turns it into something else
// (the story blocks, the summary, the attachment scan, the rewrite that puts
// the links on top):
//
//   TQ32_SCRIPT1            the magic line, optional, matched exactly
//   FILESLUG:Council vote   header lines: the next nine bytes are "FILE",
//   ...                     four bytes of key and ":" (a probe that reads
//                           them and goes back)
//   body                    everything after the last header line
//
// In the body a reference is a "[" and the next "]" after it on the same
// line; the name is what lies between them, blanks at both ends removed.
#include <string>
#include <string_view>
#include <vector>

#include "transport/FileString.h"

namespace pv {

// A line of an equals sign and 25 hyphens: the newsroom system's separator
// between a story and the script it carries.
inline constexpr std::string_view kSeparatorLine = "=-------------------------";

// Whether the next nine bytes are a header line's start; the position stays.
bool HeaderLineFollows(CFileString& story);
// To the start, then past the magic line when the story has one.
void SkipMagicLine(CFileString& story);
// To the start, then past the magic line and the header lines: the first
// body line is next.
void SkipStoryHeader(CFileString& story);

// The text without the blanks at both ends.
std::string_view StripBlanks(std::string_view text);

// One piece of a body line.
struct LinePiece {
    bool reference = false;
    // A text piece's text; a reference's name as written between its
    // brackets (not trimmed).
    std::string_view text;
    // A reference's whole span, brackets included.
    std::string_view span;
};

// A body line cut into text pieces and references, left to right.  The
// character just before a "[" goes with the reference when it is a blank or
// a tab (so "Hear it [cut.wav] now" gives "Hear it", the reference and
// " now"); any other character stays with the text.  "[]" gives nothing; a
// "[" without a "]" after it is text.
std::vector<LinePiece> SplitStoryLine(std::string_view line);

// The names of the references on a line, trimmed, empty ones left out.
std::vector<std::string> ReferencesOn(std::string_view line);

// The extension of a name from its last ".", without the dot, in ASCII lower
// case; empty without a ".".
std::string LowerExtensionWithoutDot(std::string_view name);

}  // namespace pv
