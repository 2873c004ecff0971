#pragma once
// Little-endian integers in byte buffers, the byte order of RIFF files.
#include <cstddef>
#include <cstdint>
#include <string>

namespace pv::audio {

inline uint16_t GetLE16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

inline uint32_t GetLE32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

inline void PutLE16(unsigned char* p, uint16_t v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

inline void PutLE32(unsigned char* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

inline void AppendLE16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

inline void AppendLE32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

// The four bytes of a chunk id as text.
inline std::string FourCC(const unsigned char* p) { return std::string(reinterpret_cast<const char*>(p), 4); }

// Chunk data is padded to an even length in a RIFF file.
inline int64_t PadToEven(int64_t size) { return size + (size & 1); }

}  // namespace pv::audio
