#include "platform/RunningProgram.h"

#include <climits>
#include <cstdlib>
#include <unistd.h>

namespace pv::platform {

std::string ExecutablePath() {
    char buffer[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    // A result that fills the buffer may have been cut short.
    if (length <= 0 || static_cast<size_t>(length) >= sizeof buffer) return {};
    return std::string(buffer, static_cast<size_t>(length));
}

std::string ExecutableFolder() {
    const std::string path = ExecutablePath();
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string TemporaryFolder() {
    for (const char* name : {"TEMP", "TMPDIR"}) {
        std::string value = EnvironmentValue(name);
        if (!value.empty()) return value;
    }
    return "/tmp";
}

}  // namespace pv::platform
