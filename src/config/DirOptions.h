#pragma once
// One input folder route: an input folder, its outputs and options.
#include <memory>
#include <string>
#include <vector>

namespace pv {

class CDirOptions {
public:
    std::string m_strInDir;                  // input folder as configured (ends with a separator)
    std::vector<std::string> m_strDestDirs;  // output folders as configured
};

using RouteList = std::vector<std::unique_ptr<CDirOptions>>;

}  // namespace pv
