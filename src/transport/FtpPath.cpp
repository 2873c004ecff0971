#include "transport/FtpPath.h"

#include <cstdlib>

#include "platform/Wildcard.h"

namespace pv {

namespace {

bool StartsWithIgnoringCase(const std::string& text, const char* prefix) {
    const std::string p(prefix);
    return text.size() >= p.size() && platform::EqualsIgnoringCase(text.substr(0, p.size()), p);
}

}  // namespace

bool IsFtpUrl(const std::string& path) { return path.size() >= 5 && path.compare(0, 4, "ftp:") == 0; }

bool IsSlashUrl(const std::string& path) {
    for (const char* prefix : {"ftp:", "http:", "https:", "www.", "//www."})
        if (StartsWithIgnoringCase(path, prefix)) return true;
    return false;
}

std::string NormalisePath(std::string path) {
    if (IsSlashUrl(path))
        for (char& c : path)
            if (c == '\\') c = '/';
    return path;
}

bool SplitFtpUrl(const std::string& url, FtpUrl& out) {
    if (!IsFtpUrl(url) || url.compare(0, 6, "ftp://") != 0) return false;
    const size_t hostStart = 6;
    const size_t slash = url.find('/', hostStart);
    const std::string hostPort = url.substr(hostStart, slash == std::string::npos ? std::string::npos : slash - hostStart);
    const size_t colon = hostPort.rfind(':');
    out.server = colon == std::string::npos ? hostPort : hostPort.substr(0, colon);
    out.port = 21;
    if (colon != std::string::npos) {
        const std::string port = hostPort.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos) return false;
        const long value = std::strtol(port.c_str(), nullptr, 10);
        if (value <= 0 || value > 65535) return false;
        out.port = static_cast<uint16_t>(value);
    }
    out.object = slash == std::string::npos ? std::string("/") : url.substr(slash);
    return !out.server.empty();
}

}  // namespace pv
