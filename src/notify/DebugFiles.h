#pragma once
// One file per debug event, named by the time it was written.
#include <string>

#include "platform/Clock.h"

namespace pv {

class DebugFiles {
public:
    // Empty folder: files land in the current folder.
    explicit DebugFiles(platform::Clock& clock, std::string folder = {}) : m_clock(clock), m_folder(std::move(folder)) {}
    const std::string& Folder() const { return m_folder; }
    // folder + "Debug MM-DD-YYYY HH_MM_SS.txt"; an existing file of that name
    // is replaced.  Best effort: nothing is reported when it cannot be written.
    std::string Write(const std::string& text);

private:
    platform::Clock& m_clock;
    std::string m_folder;
};

}  // namespace pv
