#pragma once
// Where the templates of a publication are.  A template name without a
// folder part (neither "\" nor "/") lies in the alias's template folder; a
// name with one is used as it is.  A relative path hangs off the working
// folder.  A missing text template is seeded with the file of the same bare
// name in the template folder (this is how a page under modify_file, which
// is its own template, first comes to be); a missing link template with the
// stock one of the working folder's "Pressvane\Templates\".
#include <string>

#include "platform/Status.h"
#include "transport/FileAccess.h"
#include "transport/Location.h"

namespace pv {

class TemplateFiles {
public:
    // workingFolder ends with a separator.
    TemplateFiles(FileAccess& files, std::string workingFolder);

    // The template's place, by the rule above.
    Location TemplateLocation(const std::string& name, const std::string& templateFolder) const;

    // The text template, seeded from its default when missing.  The
    // failures (neither exists; the default cannot be copied) carry the
    // words of their fatal report.
    Status LocateTextTemplate(const std::string& name, const std::string& templateFolder, Location& where);
    // The link template; the stock copy is put there when it is missing.  It
    // may still be missing: the links deal with that.
    Location LocateLinkTemplate(const std::string& name, const std::string& templateFolder);

private:
    Location Anchored(const std::string& path) const;

    FileAccess& m_files;
    const std::string m_workingFolder;
};

}  // namespace pv
