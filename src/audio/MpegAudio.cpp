#include "audio/MpegAudio.h"

#include "audio/ByteOrder.h"

namespace pv::audio {

namespace {

// kbit/s by [MPEG-1 ? 0 : 1][layer - 1][index].
constexpr uint16_t kBitRates[2][3][15] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}},
};
constexpr uint32_t kMpeg1Rates[3] = {44100, 48000, 32000};

constexpr int64_t kSearchBytes = 2048;
constexpr int kId3v1Size = 128;

// Layer codes, modes and flags of the MPEG-1 format record.
constexpr uint16_t kHeadLayer2 = 2;
constexpr uint16_t kModeStereo = 1;
constexpr uint16_t kModeSingleChannel = 8;
constexpr uint16_t kEmphasisNone = 1;
constexpr uint16_t kFlagIdMpeg1 = 0x10;
// Fields of the Layer 3 format record.
constexpr uint16_t kLayer3IdMpeg = 1;
constexpr uint32_t kLayer3PaddingOn = 1;
constexpr uint32_t kLayer3PaddingOff = 2;

std::string Layer2Extra(uint32_t bitRate, uint16_t mode, uint16_t emphasis, uint16_t flags) {
    std::string extra;
    AppendLE16(extra, kHeadLayer2);
    AppendLE32(extra, bitRate);
    AppendLE16(extra, mode);
    AppendLE16(extra, 0);  // mode extension
    AppendLE16(extra, emphasis);
    AppendLE16(extra, flags);
    AppendLE32(extra, 0);  // time stamps
    AppendLE32(extra, 0);
    return extra;
}

std::string Layer3Extra(uint32_t flags, uint32_t blockSize) {
    std::string extra;
    AppendLE16(extra, kLayer3IdMpeg);
    AppendLE32(extra, flags);
    AppendLE16(extra, static_cast<uint16_t>(blockSize));
    AppendLE16(extra, 1);  // frames per block
    AppendLE16(extra, 0);  // codec delay
    return extra;
}

// The record of a raw stream: channels, rate, a byte rate of rate x
// channels x 2 / 10, block alignment 2 with padding else 1, no bits.
WaveFormat RawStreamFormat(const MpegFrameHeader& h) {
    WaveFormat f;
    f.tag = h.layer == 3 ? kFormatMpegLayer3 : kFormatMpeg;
    f.channels = static_cast<uint16_t>(h.channels);
    f.samplesPerSec = h.sampleRate;
    f.avgBytesPerSec = h.sampleRate * static_cast<uint32_t>(h.channels) * 2 / 10;
    f.blockAlign = h.padding ? 2 : 1;
    f.bitsPerSample = 0;
    const uint32_t bitRate = h.bitRate != 0 ? h.bitRate : (h.version == 2 && h.layer == 3 ? 80000 : 128000);
    if (h.layer == 3) {
        f.extra = Layer3Extra(h.padding ? kLayer3PaddingOn : kLayer3PaddingOff,
                              MpegFrameBytes(h.version, 3, bitRate, h.sampleRate));
    } else {
        f.extra = Layer2Extra(bitRate, h.channels == 1 ? kModeSingleChannel : kModeStereo, 0, 4);
    }
    return f;
}

int64_t Id3v2Length(platform::File& file) {
    unsigned char tag[10];
    if (file.Seek(0, platform::File::fromBegin) != 0 || file.Read(tag, 10) != 10) return 0;
    if (tag[0] != 'I' || tag[1] != 'D' || tag[2] != '3') return 0;
    if ((tag[6] | tag[7] | tag[8] | tag[9]) & 0x80) return 0;
    const int64_t size = (tag[6] << 21) | (tag[7] << 14) | (tag[8] << 7) | tag[9];
    return 10 + size + ((tag[5] & 0x10) ? 10 : 0);
}

bool EndsInId3v1(platform::File& file, int64_t fileSize) {
    char tag[3];
    if (fileSize < kId3v1Size || file.Seek(fileSize - kId3v1Size, platform::File::fromBegin) < 0) return false;
    return file.Read(tag, 3) == 3 && tag[0] == 'T' && tag[1] == 'A' && tag[2] == 'G';
}

}  // namespace

uint32_t MpegFrameBytes(int version, int layer, uint32_t bitRate, uint32_t sampleRate) {
    if (sampleRate == 0) return 0;
    if (layer == 1) return 12 * bitRate / sampleRate * 4;
    const uint32_t factor = (layer == 3 && version != 1) ? 72 : 144;
    return static_cast<uint32_t>(static_cast<uint64_t>(factor) * bitRate / sampleRate);
}

uint32_t MpegFrameHeader::FrameLength() const {
    if (bitRate == 0) return 0;
    return MpegFrameBytes(version, layer, bitRate, sampleRate) + (padding ? (layer == 1 ? 4 : 1) : 0);
}

bool DecodeMpegHeader(const unsigned char* b, MpegFrameHeader& out) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (b[1] >> 3) & 3;
    const int layerBits = (b[1] >> 1) & 3;
    const int bitRateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitRateIndex == 15 || rateIndex == 3 || (b[3] & 3) == 2) return false;
    MpegFrameHeader h;
    h.version = versionBits == 3 ? 1 : versionBits == 2 ? 2 : 25;
    h.layer = 4 - layerBits;
    h.bitRate = 1000u * kBitRates[h.version == 1 ? 0 : 1][h.layer - 1][bitRateIndex];
    h.sampleRate = kMpeg1Rates[rateIndex] / (h.version == 1 ? 1 : h.version == 2 ? 2 : 4);
    h.channels = (b[3] >> 6) == 3 ? 1 : 2;
    h.padding = (b[2] >> 1) & 1;
    out = h;
    return true;
}

WaveFormat MpegDestinationFormat(int layer, int channels, uint32_t sampleRate, uint32_t bitRate) {
    const int version = sampleRate >= 32000 ? 1 : 2;
    WaveFormat f;
    f.tag = layer == 3 ? kFormatMpegLayer3 : kFormatMpeg;
    f.channels = static_cast<uint16_t>(channels);
    f.samplesPerSec = sampleRate;
    f.avgBytesPerSec = bitRate / 8;
    f.blockAlign = 1;
    f.bitsPerSample = 0;
    if (layer == 3) {
        f.extra = Layer3Extra(0, MpegFrameBytes(version, 3, bitRate, sampleRate));
    } else {
        f.extra = Layer2Extra(bitRate, channels == 1 ? kModeSingleChannel : kModeStereo, kEmphasisNone,
                              version == 1 ? kFlagIdMpeg1 : 0);
    }
    return f;
}

RawMpegResult LocateRawMpeg(platform::File& file, RawMpegStream& out) {
    const int64_t fileSize = file.Size();
    const int64_t start = Id3v2Length(file);
    std::string bytes(kSearchBytes, '\0');
    if (fileSize < 0 || file.Seek(start, platform::File::fromBegin) != start) return RawMpegResult::unreadable;
    const int64_t got = file.Read(bytes.data(), kSearchBytes);
    if (got < 4) return RawMpegResult::unreadable;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    int64_t at = 0;
    MpegFrameHeader header;
    while (at + 4 <= got && !DecodeMpegHeader(p + at, header)) ++at;
    if (at + 4 > got) return RawMpegResult::noFrame;
    if (header.version == 25 || header.layer == 1) return RawMpegResult::unsupported;
    const int64_t end = EndsInId3v1(file, fileSize) ? fileSize - kId3v1Size : fileSize;
    out.dataOffset = start + at;
    out.dataSize = end > out.dataOffset ? end - out.dataOffset : 0;
    out.header = header;
    out.format = RawStreamFormat(header);
    return RawMpegResult::ok;
}

}  // namespace pv::audio
