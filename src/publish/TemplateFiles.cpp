#include "publish/TemplateFiles.h"

#include "transport/FtpFile.h"
#include "transport/Location.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

constexpr const char* kStockTemplates = "Pressvane\\Templates\\";

bool HasFolderPart(const std::string& name) { return name.find_first_of("\\/") != std::string::npos; }

}  // namespace

TemplateFiles::TemplateFiles(FileAccess& files, std::string workingFolder)
    : m_files(files), m_workingFolder(std::move(workingFolder)) {}

std::string TemplateFiles::TemplatePath(const std::string& name, const std::string& templateFolder) {
    return HasFolderPart(name) ? name : JoinPath(templateFolder, name);
}

Status TemplateFiles::LocateTextTemplate(const std::string& name, const std::string& templateFolder,
                                         std::string& path) {
    path = TemplatePath(name, templateFolder);
    const Location wanted = Location::Parse(path);
    CFTPFile file(m_files);
    if (file.ExistState(wanted) != platform::Existence::absent) return Status::OK();
    const Location fallback = Location::Parse(templateFolder).Join(wanted.Name());
    if (fallback.Path() == wanted.Path() || file.ExistState(fallback) == platform::Existence::absent)
        return Status::NotFound("Neither the TextTemplate nor the default TextTemplate exist. " + wanted.Display());
    if (!file.CopyFile(fallback, wanted))
        return Status::IoError("Error copying the default text template file to " + wanted.Display() + ". " +
                               file.ErrorText());
    return Status::OK();
}

std::string TemplateFiles::LocateLinkTemplate(const std::string& name, const std::string& templateFolder) {
    const std::string path = TemplatePath(name, templateFolder);
    const Location wanted = Location::Parse(path);
    CFTPFile file(m_files);
    if (file.ExistState(wanted) != platform::Existence::absent) return path;
    const Location stock = Location::Parse(JoinPath(m_workingFolder, kStockTemplates)).Join(wanted.Name());
    if (file.ExistState(stock) == platform::Existence::present) file.CopyFile(stock, wanted);
    return path;
}

}  // namespace pv
