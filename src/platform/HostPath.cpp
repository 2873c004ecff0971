#include "platform/HostPath.h"

#include <mutex>

namespace pv::platform {

namespace {
std::mutex g_mapMutex;
PathMapSettings g_map;
}  // namespace

void SetPathMap(const PathMapSettings& settings) {
    std::lock_guard<std::mutex> lock(g_mapMutex);
    g_map = settings;
}

PathMapSettings GetPathMap() {
    std::lock_guard<std::mutex> lock(g_mapMutex);
    return g_map;
}

bool ToHostPath(const std::string& path, std::string& host, std::string* error) {
    // Placeholder until the full mapping lands: separators only.
    (void)error;
    host = path;
    for (char& c : host)
        if (c == '\\') c = '/';
    return true;
}

}  // namespace pv::platform
