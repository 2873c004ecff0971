#pragma once
// Where the templates of a publication are.  A template name without a
// folder part (neither "\" nor "/") lies in the alias's template folder; a
// name with one is used as it is.  A missing text template is seeded with
// the file of the same bare name in the template folder (this is how a page
// under modify_file, which is its own template, first comes to be); a
// missing link template with the stock one of the working folder's
// "Pressvane\Templates\".
#include <string>

#include "platform/Status.h"
#include "transport/FileAccess.h"

namespace pv {

class TemplateFiles {
public:
    // workingFolder ends with a separator.
    TemplateFiles(FileAccess& files, std::string workingFolder);

    static std::string TemplatePath(const std::string& name, const std::string& templateFolder);

    // The text template's path, seeded from its default when missing.  The
    // failures (neither exists; the default cannot be copied) carry the
    // words of their fatal report.
    Status LocateTextTemplate(const std::string& name, const std::string& templateFolder, std::string& path);
    // The link template's path; the stock copy is put there when it is
    // missing.  It may still be missing: the links deal with that.
    std::string LocateLinkTemplate(const std::string& name, const std::string& templateFolder);

private:
    FileAccess& m_files;
    const std::string m_workingFolder;
};

}  // namespace pv
