#pragma once
// Finds chunks in a RIFF file, the way every WAV reader of this program
// walks it: 64-bit offsets, chunk data padded to even, and an id made of
// anything but blanks, digits and letters ends the walk.
#include <cstdint>
#include <string>

#include "platform/File.h"

namespace pv::audio {

struct RiffChunk {
    std::string id;        // "RIFF", "LIST", "fmt ", "data", ...
    std::string listType;  // for "RIFF" and "LIST" chunks, else empty
    int64_t dataOffset = 0;  // file offset of the data (after the list type of a list)
    int64_t size = 0;        // bytes of data (without the list type of a list)

    int64_t End() const { return dataOffset + size; }
};

class RiffReader {
public:
    explicit RiffReader(platform::File& file) : m_file(file) {}

    // Finds the top-level "RIFF" form of the given type ("WAVE").
    bool FindForm(const std::string& formType, RiffChunk& out);
    // Finds a chunk inside parent (a "RIFF" or "LIST" chunk).  A wanted id
    // matches a list whose list type equals it ("INFO" finds "LIST"/"INFO"),
    // or any other chunk with that id.
    bool FindChunk(const RiffChunk& parent, const std::string& wanted, RiffChunk& out);

    // Reads the chunk's whole data.  False when the chunk reaches past the end
    // of the file or holds more than maxBytes: nothing is allocated for sizes
    // the file cannot back.
    bool ReadData(const RiffChunk& chunk, int64_t maxBytes, std::string& out);
    // Reads up to count bytes from the start of the chunk's data; false on a
    // short read.
    bool ReadStart(const RiffChunk& chunk, int64_t count, std::string& out);

    int64_t FileSize() const { return m_file.Size(); }

private:
    bool Search(int64_t start, int64_t end, bool topLevel, const std::string& wanted, RiffChunk& out);
    bool ReadAt(int64_t offset, void* buffer, int64_t count);

    platform::File& m_file;
};

bool IsChunkIdText(const std::string& id);

}  // namespace pv::audio
