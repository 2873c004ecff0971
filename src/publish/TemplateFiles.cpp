#include "publish/TemplateFiles.h"

#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr const char* kStockTemplates = "Pressvane\\Templates\\";

bool HasFolderPart(const std::string& name) { return name.find_first_of("\\/") != std::string::npos; }

}  // namespace

TemplateFiles::TemplateFiles(FileAccess& files, std::string workingFolder)
    : m_files(files), m_workingFolder(std::move(workingFolder)) {}

Location TemplateFiles::Anchored(const std::string& path) const {
    const Location location = Location::Parse(path);
    if (location.Kind() != LocationKind::relative || location.Empty()) return location;
    return Location::Parse(JoinPath(m_workingFolder, path));
}

Location TemplateFiles::TemplateLocation(const std::string& name, const std::string& templateFolder) const {
    return Anchored(HasFolderPart(name) ? name : JoinPath(templateFolder, name));
}

Status TemplateFiles::LocateTextTemplate(const std::string& name, const std::string& templateFolder,
                                         Location& where) {
    where = TemplateLocation(name, templateFolder);
    CFTPFile file(m_files);
    if (file.ExistState(where) != platform::Existence::absent) return Status::OK();
    const Location fallback = Anchored(templateFolder).Join(where.Name());
    if (fallback.Path() == where.Path() || file.ExistState(fallback) == platform::Existence::absent)
        return Status::NotFound("Neither the TextTemplate nor the default TextTemplate exist. " + where.Display());
    if (!file.CopyFile(fallback, where))
        return Status::IoError("Error copying the default text template file to " + where.Display() + ". " +
                               file.ErrorText());
    return Status::OK();
}

Location TemplateFiles::LocateLinkTemplate(const std::string& name, const std::string& templateFolder) {
    const Location where = TemplateLocation(name, templateFolder);
    CFTPFile file(m_files);
    if (file.ExistState(where) != platform::Existence::absent) return where;
    const Location stock = Location::Parse(JoinPath(m_workingFolder, kStockTemplates)).Join(where.Name());
    if (file.ExistState(stock) == platform::Existence::present) file.CopyFile(stock, where);
    return where;
}

}  // namespace pv
