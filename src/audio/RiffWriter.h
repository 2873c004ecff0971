#pragma once
// Writes a RIFF file chunk by chunk: a chunk is begun with a provisional
// size, filled, and ended, which pads its data to an even length and writes
// its real size.  Chunks nest (the "RIFF" form, "LIST" lists).  Offsets are
// 64-bit; a chunk that would not fit the 32-bit size field is an error.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/File.h"

namespace pv::audio {

class RiffWriter {
public:
    // Writes at the file's current position, which must be known: pass it.
    RiffWriter(platform::File& file, int64_t position = 0) : m_file(file), m_position(position) {}

    // Begins a chunk; with a list type ("WAVE", "INFO") the chunk is a list.
    bool Begin(const std::string& id, const std::string& listType = std::string());
    bool Write(const void* data, int64_t count);
    bool Write(const std::string& bytes) { return Write(bytes.data(), static_cast<int64_t>(bytes.size())); }
    // Ends the innermost open chunk.
    bool End();

    // Writes one whole chunk.
    bool WriteChunk(const std::string& id, const std::string& data);

    int64_t Position() const { return m_position; }
    int OpenChunks() const { return static_cast<int>(m_open.size()); }

private:
    platform::File& m_file;
    int64_t m_position;
    std::vector<int64_t> m_open;  // file offsets of the size fields of open chunks
};

}  // namespace pv::audio
