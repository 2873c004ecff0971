// Paths and names as the operator writes them: the input's first line is a
// path (Windows, share, FTP URL, with or without credentials) and a wildcard
// pattern; the rest is a file name matched against it.
#include <filesystem>

#include "FuzzSupport.h"
#include "platform/HostEnvironment.h"
#include "platform/HostPath.h"
#include "platform/Wildcard.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/Filename.h"
#include "transport/FtpPath.h"

namespace {

bool HasDotDotComponent(const std::string& path) {
    for (size_t at = 0; at <= path.size();) {
        const size_t end = std::min(path.find('/', at), path.size());
        if (path.compare(at, end - at, "..") == 0) return true;
        at = end + 1;
    }
    return false;
}

// Drive C and W and the share root live in the scratch folder.
const pv::platform::PathMapSettings& PathMap() {
    static const pv::platform::PathMapSettings map = [] {
        pv::platform::PathMapSettings settings;
        settings.drives['C'] = pv::fuzz::Scratch() / "c";
        settings.drives['W'] = pv::fuzz::Scratch() / "w";
        settings.shareRoot = pv::fuzz::Scratch() / "unc";
        for (const char* folder : {"c/News/In", "w/Audio", "unc/server/share/News"})
            std::filesystem::create_directories(pv::fuzz::Scratch() / folder);
        static pv::platform::HostEnvironment environment(settings);
        pv::platform::HostEnvironment::Install(&environment);
        return settings;
    }();
    return map;
}

void CheckHostPath(const std::string& path) {
    const pv::platform::PathMapSettings& map = PathMap();
    std::string host, error;
    if (!pv::platform::ToHostPath(path, host, &error)) return;
    PV_FUZZ_CHECK(!HasDotDotComponent(host));
    if (path.size() >= 2 && path[1] == ':' && (path[0] == 'c' || path[0] == 'C'))
        PV_FUZZ_CHECK(host.starts_with(map.drives.at('C')));
    if (path.starts_with("\\\\")) PV_FUZZ_CHECK(host.starts_with(map.shareRoot));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text = pv::fuzz::AsText(data, size);
    const size_t lf = std::min(text.find('\n'), text.size());
    const std::string path(text.substr(0, lf));
    const std::string name(text.substr(std::min(lf + 1, text.size())));

    CheckHostPath(path);
    pv::platform::IsSafeFileName(path);

    for (const bool allowPath : {false, true}) {
        std::string valid = path;
        pv::MakeValidFilename(valid, allowPath);
        PV_FUZZ_CHECK(!valid.empty());
        if (!allowPath) PV_FUZZ_CHECK(pv::platform::IsSafeFileName(valid));
    }
    std::string withSeparator = path;
    pv::AppendPathSeparator(withSeparator);
    PV_FUZZ_CHECK(path.empty() ? withSeparator.empty() : withSeparator.starts_with(path));
    std::string folder, file;
    pv::SplitFolderAndName(path, &folder, &file);
    PV_FUZZ_CHECK(folder + file == path);

    const pv::CFilename parts(path);
    PV_FUZZ_CHECK(parts.GetPath() + parts.GetFileName() == path);

    std::string rest = path, user, password;
    // A malformed credential part is cut off at its first "|": any text after
    // it may be a password.
    if (!pv::TakeCredentials(rest, user, password))
        PV_FUZZ_CHECK(pv::WithoutCredentials(path) == path.substr(0, path.find('|')));
    pv::FolderForDisplay(path);

    pv::IsFtpUrl(path);
    pv::IsSlashUrl(path);
    pv::NormalisePath(path);
    pv::FtpUrl url;
    if (pv::SplitFtpUrl(path, url)) PV_FUZZ_CHECK(!url.server.empty() && pv::IsFtpUrl(path));

    pv::platform::WildcardMatch(path, name);
    if (!name.empty() && name.find_first_of("*?") == std::string::npos) PV_FUZZ_CHECK(pv::platform::WildcardMatch("*", name));
    PV_FUZZ_CHECK(pv::platform::EqualsIgnoringCase(path, name) == (pv::platform::CompareIgnoringCase(path, name) == 0));
    const int order = pv::platform::CompareIgnoringCase(path, name);
    const int reverse = pv::platform::CompareIgnoringCase(name, path);
    PV_FUZZ_CHECK((order < 0) == (reverse > 0) && (order == 0) == (reverse == 0));
    return 0;
}
