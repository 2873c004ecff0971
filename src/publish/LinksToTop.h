#pragma once
// The story text with its first link of each link line kind on top
// (alias option move_first_links_to_top), so that the page can show the
// cut, the picture and the page a story leads with in fixed places:
//
//   the magic line and the header lines, as they are;
//   an empty line for each of the "LinesToIgnoreOnTopOfStory" lines (their
//     text goes);
//   three link lines: "[" + name + "]" of the first reference whose type
//     (its extension in lower case; "wav" without one) is in the route's
//     "LinkExtsForLine1_%d", then "..2_%d", then "..3_%d" - an empty line for
//     a kind the story has none of (one reference may serve several kinds);
//   the body, with the first occurrence of each moved link cut out of its
//     line (the text around it stays).
// The story blocks then read the three link lines where the header and the
// ignored lines end.
#include "config/DirOptions.h"
#include "transport/FileString.h"

namespace pv {

// Writes the rewritten story into `copy` (open for writing, at its start).
// False when a write failed.
bool WriteLinksOnTop(const CDirOptions& route, int linesToIgnore, CFileString& story, CFileString& copy);

}  // namespace pv
