#include "app/StatusFeed.h"

#include <algorithm>

namespace pv {

void StatusFeed::OnProgress(const ProgressEvent&, const StatusLine& line) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lines.push_back(line.stamped);
    if (m_lines.size() > kKept) m_lines.pop_front();
    m_changed = true;
}

bool StatusFeed::TakeDisplay(int lines, std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_changed) return false;
    m_changed = false;
    const size_t shown = std::min(m_lines.size(), static_cast<size_t>(std::max(lines, 0)));
    text.clear();
    for (auto line = m_lines.end() - static_cast<std::ptrdiff_t>(shown); line != m_lines.end(); ++line)
        text += *line + "\r\n";
    return true;
}

}  // namespace pv
