#include "audio/RiffWriter.h"

#include "audio/ByteOrder.h"

namespace pv::audio {

namespace {
constexpr int64_t kMaxChunkSize = 0xFFFFFFFFLL;
}

bool RiffWriter::Begin(const std::string& id, const std::string& listType) {
    if (id.size() != 4 || (!listType.empty() && listType.size() != 4)) return false;
    std::string header = id;
    AppendLE32(header, 0);
    header += listType;
    const int64_t sizeField = m_position + 4;
    if (!Write(header)) return false;
    m_open.push_back(sizeField);
    return true;
}

bool RiffWriter::Write(const void* data, int64_t count) {
    if (!m_file.Write(data, count)) return false;
    m_position += count;
    return true;
}

bool RiffWriter::End() {
    if (m_open.empty()) return false;
    const int64_t sizeField = m_open.back();
    m_open.pop_back();
    const int64_t size = m_position - (sizeField + 4);
    if (size > kMaxChunkSize) return false;
    if (size & 1) {
        const char pad = 0;
        if (!Write(&pad, 1)) return false;
    }
    unsigned char bytes[4];
    PutLE32(bytes, static_cast<uint32_t>(size));
    if (m_file.Seek(sizeField, platform::File::fromBegin) != sizeField) return false;
    if (!m_file.Write(bytes, 4)) return false;
    return m_file.Seek(m_position, platform::File::fromBegin) == m_position;
}

bool RiffWriter::WriteChunk(const std::string& id, const std::string& data) {
    return Begin(id) && Write(data) && End();
}

}  // namespace pv::audio
