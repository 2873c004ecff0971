#include "publish/LinkedFilePurge.h"

#include "platform/Wildcard.h"
#include "publish/StoryLines.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

constexpr unsigned kReadMode = platform::File::modeRead | platform::File::shareDenyNone;

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsPage(const std::string& name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string_view extension = std::string_view(name).substr(dot);
    for (const std::string_view page : {".txt", ".htm", ".html", ".php", ".asp", ".aspx"})
        if (platform::EqualsIgnoringCase(extension, page)) return true;
    return false;
}

}  // namespace

Location StorageFolderOf(const CFileData& story) {
    Location folder = Location::Parse(story.work.storagePath);
    const CFileData::AliasOptions& options = story.options;
    if (folder.IsFtp() && !folder.HasCredentials() && !options.userId.empty())
        folder = Location::Parse(folder.Display() + "|" + options.userId + "|" + options.password + "|");
    if (!folder.Empty() && !folder.IsFolder())
        folder = Location::Parse(folder.Written() + (folder.IsFtp() ? "/" : "\\"));
    return folder;
}

std::optional<Location> LinkedFileIn(const Location& folder, std::string_view name) {
    if (folder.Empty() || !folder.Problem().ok()) return std::nullopt;
    // Relative, and a file: no separator first or last, no drive, no scheme.
    if (name.empty() || IsSeparator(name.front()) || IsSeparator(name.back()) ||
        name.find(':') != std::string_view::npos)
        return std::nullopt;
    Location at = folder;
    while (!name.empty()) {
        const size_t cut = name.find_first_of("\\/");
        const std::string_view part = name.substr(0, cut);
        name = cut == std::string_view::npos ? std::string_view() : name.substr(cut + 1);
        if (part.empty() || part == ".") continue;
        at = name.empty() ? at.Join(part) : at.Subfolder(part);
        if (!at.Problem().ok()) return std::nullopt;
    }
    if (at.IsFolder()) return std::nullopt;
    return at;
}

LinkedFilePurge::LinkedFilePurge(FileAccess& files, StoryReports& reports, std::string user, std::string password)
    : m_files(files), m_reports(reports), m_user(std::move(user)), m_password(std::move(password)) {}

std::set<std::string> LinkedFilePurge::ReferencesOf(const Location& page) {
    std::set<std::string> names;
    CFTPFile file(m_files);
    file.SetCredentials(m_user, m_password);
    if (!file.Open(page, kReadMode)) return names;
    for (std::string line; file.ReadLine(line);)
        for (std::string& name : ReferencesOn(line)) names.insert(std::move(name));
    file.Close();
    return names;
}

bool LinkedFilePurge::PurgeFile(const Location& file, int depth) {
    if (!file.Problem().ok()) return false;
    if (!m_visited.insert(platform::AsciiLowered(file.Path())).second) return true;
    CFTPFile remover(m_files);
    remover.SetCredentials(m_user, m_password);
    const platform::Existence before = remover.ExistState(file);
    if (before == platform::Existence::absent) return true;
    if (depth > 0 && IsPage(file.Name())) {
        const Location folder = file.Folder();
        for (const std::string& name : ReferencesOf(file)) {
            const std::optional<Location> linked = LinkedFileIn(folder, name);
            if (linked && linked->Path() != file.Path()) PurgeFile(*linked, depth - 1);
        }
    }
    if (remover.Remove(file) == 0) return true;
    m_reports.Log("Cannot delete " + file.Display() + ". " + remover.ErrorText());
    return false;
}

void LinkedFilePurge::PurgeName(const Location& folder, std::string_view name, int depth) {
    if (const std::optional<Location> linked = LinkedFileIn(folder, name)) PurgeFile(*linked, depth);
}

}  // namespace pv
