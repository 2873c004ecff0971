#include "rotation/PlayName.h"

#include "platform/Wildcard.h"
#include "transport/FileNames.h"
#include "transport/Filename.h"

namespace pv::rotation {

namespace {

constexpr PlayType kPlayTypes[] = {
    {".rpl", PlayKind::list},  {".rot", PlayKind::rotationFile}, {".wav", PlayKind::audio},
    {".txt", PlayKind::list},  {".mp2", PlayKind::audio},        {".mp3", PlayKind::audio},
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::span<const PlayType> PlayTypes() { return kPlayTypes; }

bool IsAbsolutePlayPath(const std::string& path) {
    return path.find(':') != std::string::npos || path.starts_with("/") || path.starts_with("\\\\");
}

PlayPath SplitPlayPath(const std::string& path) {
    const CFilename parts(path);
    return {parts.GetPath() + parts.GetTitle(), parts.GetExt()};
}

std::string PlaceInFolder(std::string folder, const std::string& path) {
    if (folder.empty() || IsAbsolutePlayPath(path)) return path;
    AppendPathSeparator(folder);
    return folder + path;
}

std::optional<std::string> ListEntry(const std::string& line) {
    const size_t open = line.find('[');
    const size_t close = line.rfind(']');
    if (open == std::string::npos || close == std::string::npos || close < open) return std::nullopt;
    size_t first = open + 1;
    size_t last = close;
    while (first < last && IsBlank(line[first])) ++first;
    while (last > first && IsBlank(line[last - 1])) --last;
    return line.substr(first, last - first);
}

std::string TemporaryListPath(const std::string& listPath) {
    const CFilename parts(listPath);
    return parts.GetPath() + parts.GetTitle() + "_$$QM.rpl";
}

}  // namespace pv::rotation
