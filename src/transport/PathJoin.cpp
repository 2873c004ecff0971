#include "transport/PathJoin.h"

namespace pv {

std::string JoinPath(const std::string& folder, const std::string& relative) {
    const bool slashesOnly = folder.find('/') != std::string::npos && folder.find('\\') == std::string::npos;
    std::string tail = relative;
    if (slashesOnly)
        for (char& c : tail)
            if (c == '\\') c = '/';
    return folder + tail;
}

}  // namespace pv
