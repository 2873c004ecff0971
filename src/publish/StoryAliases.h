#pragma once
// The folder aliases a story is published under.  An alias comes from the
// route, from the submission descriptor, or from the "aliases" option of
// another alias; it names a line of the alias file and may end up in output
// names, so one that could name a path (a separator, "..", a control byte)
// is refused.  Each alias is published once per story, whatever its case,
// so aliases that list each other (or themselves) still come to an end.
#include <string>
#include <string_view>

#include "platform/Reporter.h"
#include "platform/Status.h"
#include "transport/FileData.h"

namespace pv {

// Ok, or why the text cannot be a folder alias: empty, or holding "/", "\",
// "..", or a control byte.  The message shows the alias with control bytes
// as "?".
Status CheckAliasName(std::string_view alias);

enum class AliasAdded { added, alreadyListed, refused };

// Appends alias to the story's alias list unless it is already there or is
// the alias being published (compared without regard to case).  A refused
// alias is not added; it is shown on a status line (also to the status log),
// with origin - where the alias was found - on the line after.
AliasAdded AddStoryAlias(CFileData::WorkValues& story, const std::string& alias, Reporter& reporter,
                         const std::string& origin);

}  // namespace pv
