#pragma once
// The wave format record of a "fmt " chunk: the 18-byte base (tag, channels,
// rate, byte rate, block alignment, bits per sample, extra size) and its
// extra bytes.
#include <cstdint>
#include <string>

namespace pv::audio {

enum WaveFormatTag : uint16_t {
    kFormatPcm = 1,
    kFormatIeeeFloat = 3,
    kFormatMpeg = 80,        // MPEG audio Layer 1/2
    kFormatMpegLayer3 = 85,  // MPEG audio Layer 3
    kFormatExtensible = 0xFFFE,
};

struct WaveFormat {
    static constexpr int kBaseSize = 18;

    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    std::string extra;  // its length is the extra size field

    // Parses a "fmt " chunk's bytes: at least 16; a missing extra size reads
    // as 0; the extra bytes are cut to what the chunk holds.  False when
    // fewer than 16 bytes are given.
    bool Parse(const std::string& bytes);
    // The 18-byte base and the extra bytes.
    std::string Serialize() const;
    // What a "fmt " chunk holds: 16 bytes for tag 0, the whole record otherwise.
    std::string ChunkBytes() const { return tag == 0 ? Serialize().substr(0, 16) : Serialize(); }

    // The format tag that says what the samples are: the sub-format of an
    // extensible record, the tag itself otherwise.
    uint16_t EffectiveTag() const;
};

}  // namespace pv::audio
