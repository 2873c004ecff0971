#include "config/HostPathSettings.h"

#include "config/ProfileFile.h"

namespace pv {

namespace {
constexpr const char* kSection = "Host Paths";
}

std::map<char, std::string> ParseDriveMap(const std::string& value, std::vector<std::string>& rejected) {
    std::map<char, std::string> drives;
    size_t start = 0;
    while (start <= value.size()) {
        const size_t end = std::min(value.find(';', start), value.size());
        const std::string entry(TrimBlanks(std::string_view(value).substr(start, end - start)));
        if (!entry.empty()) {
            const size_t equals = entry.find('=');
            const std::string letter(TrimBlanks(std::string_view(entry).substr(0, equals)));
            const std::string folder =
                equals == std::string::npos ? std::string() : std::string(TrimBlanks(entry.substr(equals + 1)));
            const char c = letter.size() == 1 ? letter[0] : '\0';
            const bool isLetter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
            if (isLetter && !folder.empty()) drives[static_cast<char>(c & ~0x20)] = folder;
            else rejected.push_back(entry);
        }
        start = end + 1;
    }
    return drives;
}

platform::PathMapSettings ReadHostPathSettings(SettingsReader& reads, Reporter& reporter) {
    platform::PathMapSettings settings;
    std::vector<std::string> rejected;
    settings.drives = ParseDriveMap(reads.String(kSection, "Drive Map", ""), rejected);
    for (const std::string& entry : rejected)
        reporter.Status("Drive Map entry ignored (it should read like C=/srv/newsroom/c): " + entry, true);
    settings.shareRoot = reads.String(kSection, "Share Root", "");
    return settings;
}

}  // namespace pv
