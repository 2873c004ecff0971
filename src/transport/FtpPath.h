#pragma once
// Path forms the file access tells apart: FTP URLs ("ftp://server[:port]/path",
// lower-case scheme), other URLs, and local or share paths.
#include <cstdint>
#include <string>

namespace pv {

// "ftp:" exactly (lower case) and at least five characters.
bool IsFtpUrl(const std::string& path);
// Starts with "ftp:", "http:", "https:", "www." or "//www." in any case.
bool IsSlashUrl(const std::string& path);
// URLs get "/" for every "\"; local and share paths keep the separators they
// were written with (the host path layer understands both).
std::string NormalisePath(std::string path);

struct FtpUrl {
    std::string server;
    uint16_t port = 21;
    std::string object;  // path on the server, from the first "/" after the server
};
// False unless the path is an FTP URL with a non-empty server and a valid port.
bool SplitFtpUrl(const std::string& url, FtpUrl& out);

}  // namespace pv
