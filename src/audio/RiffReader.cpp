#include "audio/RiffReader.h"

#include "audio/ByteOrder.h"

namespace pv::audio {

namespace {

bool IsListId(const std::string& id) { return id == "RIFF" || id == "LIST"; }

bool IsIdCharacter(char c) {
    return c == ' ' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

}  // namespace

bool IsChunkIdText(const std::string& id) {
    if (id.size() != 4) return false;
    for (char c : id) {
        if (!IsIdCharacter(c)) return false;
    }
    return true;
}

bool RiffReader::ReadAt(int64_t offset, void* buffer, int64_t count) {
    if (m_file.Seek(offset, platform::File::fromBegin) != offset) return false;
    return m_file.Read(buffer, count) == count;
}

bool RiffReader::FindForm(const std::string& formType, RiffChunk& out) {
    const int64_t size = FileSize();
    if (size < 0) return false;
    return Search(0, size, true, formType, out);
}

bool RiffReader::FindChunk(const RiffChunk& parent, const std::string& wanted, RiffChunk& out) {
    return Search(PadToEven(parent.dataOffset), parent.End(), false, wanted, out);
}

bool RiffReader::Search(int64_t start, int64_t end, bool topLevel, const std::string& wanted, RiffChunk& out) {
    for (int64_t offset = start; offset + 8 <= end; ) {
        unsigned char header[8];
        if (!ReadAt(offset, header, 8)) return false;
        RiffChunk chunk;
        chunk.id = FourCC(header);
        chunk.size = GetLE32(header + 4);
        chunk.dataOffset = offset + 8;
        if (topLevel && offset == start && chunk.id != "RIFF") return false;
        if (!IsChunkIdText(chunk.id)) return false;
        if (IsListId(chunk.id)) {
            unsigned char type[4];
            if (chunk.size < 4 || !ReadAt(chunk.dataOffset, type, 4)) return false;
            chunk.listType = FourCC(type);
            if (chunk.listType == wanted) {
                chunk.dataOffset += 4;
                chunk.size -= 4;
                out = chunk;
                return true;
            }
        } else if (chunk.id == wanted) {
            out = chunk;
            return true;
        }
        offset = chunk.dataOffset + PadToEven(chunk.size);
    }
    return false;
}

bool RiffReader::ReadData(const RiffChunk& chunk, int64_t maxBytes, std::string& out) {
    const int64_t fileSize = FileSize();
    if (chunk.size > maxBytes || fileSize < 0 || chunk.End() > fileSize) return false;
    out.assign(static_cast<size_t>(chunk.size), '\0');
    return chunk.size == 0 || ReadAt(chunk.dataOffset, out.data(), chunk.size);
}

bool RiffReader::ReadStart(const RiffChunk& chunk, int64_t count, std::string& out) {
    if (count > chunk.size) count = chunk.size;
    out.assign(static_cast<size_t>(count), '\0');
    return count == 0 || ReadAt(chunk.dataOffset, out.data(), count);
}

}  // namespace pv::audio
