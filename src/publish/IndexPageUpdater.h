#pragma once
// Index pages: the story index of a storage folder and the archive's year,
// month and day indexes.  Each lists the stories published into it, one
// link line above every "<!--Quillmark Add new links before this line -->"
// marker, never the same link twice.
#include <string>

#include "publish/Publication.h"

namespace pv {

class IndexPageUpdater {
public:
    virtual ~IndexPageUpdater() = default;
    // Puts the story's link on the index page (made from indexTemplate when
    // it is missing), with the link line made from linkTemplate.  True when
    // the page holds the link afterwards; a failure has been reported.
    virtual bool UpdateIndexPage(Publication& publication, const Location& indexPage,
                                 const std::string& indexTemplate, const std::string& linkTemplate) = 0;
};

}  // namespace pv
