#pragma once
// Paths derived from a configured folder.
#include <string>

namespace pv {

// folder + relative, where relative is written with "\" (as the settings
// and fixed names are).  When the folder holds only forward slashes (a host
// path), the "\" of relative become "/" so the result keeps one style.
std::string JoinPath(const std::string& folder, const std::string& relative);

}  // namespace pv
