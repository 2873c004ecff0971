#include "transport/Filename.h"

namespace pv {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

CFilename::CFilename(const std::string& path) : m_path(path) {
    std::string::size_type start = 0;
    if (path.size() >= 2 && path[1] == ':') {
        m_drive = path.substr(0, 2);
        start = 2;
    }
    const std::string rest = path.substr(start);
    const auto lastSeparator = rest.find_last_of("\\/");
    const auto nameStart = lastSeparator == std::string::npos ? 0 : lastSeparator + 1;
    m_dir = rest.substr(0, nameStart);
    const std::string name = rest.substr(nameStart);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos) {
        m_title = name;
    } else {
        m_title = name.substr(0, dot);
        m_ext = name.substr(dot);
    }
}

platform::Existence CFilename::CheckExists() const {
    std::string path = m_path;
    if (!path.empty() && IsSeparator(path.back())) path.pop_back();
    if (path.empty()) return platform::Existence::absent;
    return platform::Exists(path);
}

bool CFilename::Exists() const { return CheckExists() == platform::Existence::present; }

}  // namespace pv
