#pragma once
// The options of a folder alias line and what each sets: most go into the
// story record, a few into the route's story state.  "database" and
// "template_directory" are not here: they test and make folders, and the
// reader handles them (FolderAliasReader).
#include "config/RouteStoryState.h"
#include "platform/Reporter.h"
#include "publish/FolderAliasLine.h"
#include "transport/FileData.h"

namespace pv {

struct FolderAliasTarget {
    CFileData& story;
    RouteStoryState& route;
    Reporter& reporter;  // status lines of conflicting options and refused aliases
};

// Applies one option; false when its key is none of the table's (an invalid
// option, which the caller reports).
bool ApplyFolderAliasOption(const FolderAliasOption& option, FolderAliasTarget& target);

}  // namespace pv
