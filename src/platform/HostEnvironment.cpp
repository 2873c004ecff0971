#include "platform/HostEnvironment.h"

#include <atomic>

#include "platform/Wildcard.h"

namespace pv::platform {

namespace {

// The one environment installed; it is owned by whoever installed it.
std::atomic<HostEnvironment*> g_installed{nullptr};

}  // namespace

void HostEnvironment::SetPathMap(const PathMapSettings& map) {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    m_map = map;
}

PathMapSettings HostEnvironment::PathMap() const {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    return m_map;
}

bool HostEnvironment::DriveFolder(char letter, std::string& folder) const {
    const char upper = (letter >= 'a' && letter <= 'z') ? static_cast<char>(letter - 'a' + 'A') : letter;
    std::lock_guard<std::mutex> lock(m_mapMutex);
    auto found = m_map.drives.find(upper);
    if (found == m_map.drives.end()) found = m_map.drives.find(AsciiLower(upper));
    if (found == m_map.drives.end() || found->second.empty()) return false;
    folder = found->second;
    return true;
}

std::string HostEnvironment::ShareRoot() const {
    std::lock_guard<std::mutex> lock(m_mapMutex);
    return m_map.shareRoot;
}

HostEnvironment* HostEnvironment::Installed() { return g_installed.load(std::memory_order_acquire); }

HostEnvironment* HostEnvironment::Install(HostEnvironment* env) {
    return g_installed.exchange(env, std::memory_order_acq_rel);
}

}  // namespace pv::platform
