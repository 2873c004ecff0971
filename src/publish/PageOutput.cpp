#include "publish/PageOutput.h"

namespace pv {

void FilePageOutput::Write(std::string_view bytes) {
    m_pending += bytes;
    if (m_pending.size() >= kBufferSize) Flush();
}

void FilePageOutput::Flush() {
    if (m_pending.empty()) return;
    m_file.Write(m_pending.data(), static_cast<int64_t>(m_pending.size()));
    m_pending.clear();
}

}  // namespace pv
