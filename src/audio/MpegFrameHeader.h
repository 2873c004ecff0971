#pragma once
// MPEG audio frame headers (ISO/IEC 11172-3, 13818-3).  Defined here in
// full, so that both the service and the codec module (which measures the
// frames it decodes) use the one decoding of them.
#include <cstdint>

namespace pv::audio {

struct MpegFrameHeader {
    int version = 0;  // 1 MPEG-1, 2 MPEG-2, 25 MPEG-2.5
    int layer = 0;    // 1, 2 or 3
    uint32_t bitRate = 0;  // bit/s; 0 for a free-format frame
    uint32_t sampleRate = 0;
    int channels = 0;
    bool padding = false;

    // Bytes of the frame, header included; 0 for a free-format frame.
    uint32_t FrameLength() const;
};

namespace mpeg_tables {

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index].
inline constexpr uint16_t kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
inline constexpr uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};

}  // namespace mpeg_tables

// Bytes of a frame without padding at the given rates.
inline uint32_t MpegFrameBytes(int version, int layer, uint32_t bitRate, uint32_t sampleRate) {
    if (sampleRate == 0) return 0;
    if (layer == 1) return 12 * bitRate / sampleRate * 4;
    const uint32_t factor = (layer == 3 && version != 1) ? 72 : 144;
    return static_cast<uint32_t>(static_cast<uint64_t>(factor) * bitRate / sampleRate);
}

inline uint32_t MpegFrameHeader::FrameLength() const {
    if (bitRate == 0) return 0;
    return MpegFrameBytes(version, layer, bitRate, sampleRate) + (padding ? (layer == 1 ? 4 : 1) : 0);
}

// Decodes the four header bytes.  False for no frame sync and for the
// reserved values (version, layer, bit rate index 15, sample rate index 3,
// emphasis 2).
inline bool DecodeMpegHeader(const unsigned char* b, MpegFrameHeader& out) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (b[1] >> 3) & 3;
    const int layerBits = (b[1] >> 1) & 3;
    const int bitRateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitRateIndex == 15 || rateIndex == 3 || (b[3] & 3) == 2) return false;
    MpegFrameHeader h;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.layer = 4 - layerBits;
    h.bitRate = 1000u * mpeg_tables::kBitRates[h.version == 1 ? 0 : 1][h.layer - 1][bitRateIndex];
    h.sampleRate = mpeg_tables::kMpeg1Rates[rateIndex] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
    h.channels = (b[3] >> 6) == 3 ? 1 : 2;
    h.padding = (b[2] >> 1) & 1;
    out = h;
    return true;
}

}  // namespace pv::audio
