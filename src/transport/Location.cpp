#include "transport/Location.h"

#include "platform/HostPath.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FtpPath.h"

namespace pv {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

bool HasControlByte(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

// Whether some component of the path is "..".
bool ClimbsOut(std::string_view path) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = start;
        while (end < path.size() && !IsSeparator(path[end])) ++end;
        if (path.substr(start, end - start) == "..") return true;
        start = end + 1;
    }
    return false;
}

std::string CredentialPart(const std::string& user, const std::string& password) {
    return user.empty() ? std::string() : "|" + user + "|" + password + "|";
}

}  // namespace

Location Location::Parse(std::string_view text) {
    Location location;
    location.m_written = std::string(text);
    location.m_display = location.m_written;
    std::string error;
    if (!TakeCredentials(location.m_display, location.m_user, location.m_password, &error)) {
        location.m_display = location.m_written.substr(0, location.m_written.find('|'));
        location.m_user.clear();
        location.m_password.clear();
        location.m_problem = Status::InvalidArgument(error);
    }
    location.Classify();
    return location;
}

Location Location::FromParts(std::string display, std::string user, std::string password) {
    Location location;
    location.m_display = std::move(display);
    location.m_user = std::move(user);
    location.m_password = std::move(password);
    location.m_written = location.WithCredentials();
    location.Classify();
    return location;
}

void Location::Classify() {
    m_path = NormalisePath(m_display);
    if (IsFtpUrl(m_path)) {
        m_kind = LocationKind::ftp;
        FtpUrl url;
        if (SplitFtpUrl(m_path, url)) {
            m_server = url.server;
            m_port = url.port;
            m_object = url.object;
        }
    } else if (m_path.size() >= 2 && IsAsciiLetter(m_path[0]) && m_path[1] == ':') {
        m_kind = LocationKind::drive;
    } else if (m_path.size() >= 2 && IsSeparator(m_path[0]) && IsSeparator(m_path[1])) {
        m_kind = LocationKind::share;
    } else if (!m_path.empty() && IsSeparator(m_path[0])) {
        m_kind = LocationKind::hostAbsolute;
    } else {
        m_kind = LocationKind::relative;
    }
    if (!m_problem.ok()) return;
    if (HasControlByte(m_written))
        m_problem = Status::InvalidArgument("path contains a control character");
    else if (ClimbsOut(m_kind == LocationKind::ftp ? m_object : m_path))
        m_problem = Status::InvalidArgument("path climbs out of its folder with \"..\"");
}

bool Location::IsFolder() const { return !m_display.empty() && IsSeparator(m_display.back()); }

Location Location::Join(std::string_view name) const {
    std::string folder = m_display;
    AppendPathSeparator(folder);
    Location joined = FromParts(folder + std::string(name), m_user, m_password);
    std::string why;
    if (!m_problem.ok())
        joined.m_problem = m_problem;
    else if (!platform::IsSafeFileName(std::string(name), &why))
        joined.m_problem = Status::InvalidArgument(why);
    return joined;
}

Location Location::Folder() const {
    const size_t cut = m_display.find_last_of("\\/");
    Location folder = FromParts(cut == std::string::npos ? m_display : m_display.substr(0, cut + 1), m_user,
                                m_password);
    if (!m_problem.ok()) folder.m_problem = m_problem;
    return folder;
}

std::string Location::Name() const {
    const size_t cut = m_display.find_last_of("\\/");
    return cut == std::string::npos ? m_display : m_display.substr(cut + 1);
}

// A location with a problem gives the text as written, so that the file
// operation refuses it with its own words.
std::string Location::WithCredentials() const {
    if (!m_problem.ok()) return m_written;
    const size_t nameStart = m_display.find_last_of("\\/") + 1;  // 0 without a separator
    return m_display.substr(0, nameStart) + CredentialPart(m_user, m_password) + m_display.substr(nameStart);
}

Location Location::Subfolder(std::string_view name) const {
    Location folder = Join(name);
    if (!folder.m_problem.ok()) return folder;
    Location made = FromParts(folder.m_display + (!m_display.empty() && m_display.back() == '\\' ? "\\" : "/"),
                              m_user, m_password);
    return made;
}

}  // namespace pv
