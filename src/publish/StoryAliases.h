#pragma once
// The folder aliases a story is published under.  An alias comes from the
// route, from the submission descriptor, or from the "aliases" option of
// another alias; it names a line of the alias file and may end up in folder
// and file names, so one that could name a path is refused.  Each alias is
// listed once per story, whatever its case, so aliases that list each other
// (or themselves) come to an end.
#include <string>

#include "transport/FileData.h"

namespace pv {

// Whether a folder alias may be used: not empty, and free of separators,
// "..", "|", ":" and control bytes (an alias names folders and files).  Why
// not when it may not.
bool IsUsableAlias(const std::string& alias, std::string* why = nullptr);

// The alias as a status line may show it: control bytes become "?".
std::string AliasForDisplay(const std::string& alias);

enum class AliasAdded { added, alreadyListed, refused };

// Appends alias to the story's alias list unless it is already there or is
// the alias being published (compared without regard to case).  A refused
// alias is not added; why says why.
AliasAdded AddStoryAlias(CFileData::WorkValues& story, const std::string& alias, std::string* why = nullptr);

}  // namespace pv
