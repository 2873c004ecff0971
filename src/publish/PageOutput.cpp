#include "publish/PageOutput.h"

namespace pv {

void FilePageOutput::Write(std::string_view bytes) {
    if (!bytes.empty()) m_file.Write(bytes.data(), static_cast<int64_t>(bytes.size()));
}

}  // namespace pv
