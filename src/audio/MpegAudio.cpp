#include "audio/MpegAudio.h"

#include "audio/ByteOrder.h"

namespace pv::audio {

namespace {

constexpr int64_t kSearchBytes = 2048;
constexpr int kId3v1Size = 128;
// Frames that must follow one another before bytes count as MPEG audio: a
// lone sync word turns up in text, in other codecs' data and in noise.
constexpr int kChainFrames = 4;

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

bool SameStream(const MpegFrameHeader& a, const MpegFrameHeader& b) {
    return a.version == b.version && a.layer == b.layer && a.sampleRate == b.sampleRate;
}

// Whether the frame whose header is first, at offset, starts a stream: the
// next frames' headers lie where the frames before them end and have the
// same version, layer and sample rate - kChainFrames frames in all, or fewer
// that end exactly at the end of the audio.  A free-format frame (no length)
// gives nowhere to look for the next one.
bool FramesFollow(platform::File& file, int64_t offset, int64_t audioEnd, const MpegFrameHeader& first) {
    MpegFrameHeader header = first;
    int64_t at = offset;
    for (int frames = 1; frames < kChainFrames; ++frames) {
        const uint32_t length = header.FrameLength();
        if (length == 0) return false;
        at += length;
        if (at == audioEnd) return true;
        unsigned char bytes[4];
        MpegFrameHeader next;
        if (at + 4 > audioEnd || file.Seek(at, platform::File::fromBegin) != at || file.Read(bytes, 4) != 4 ||
            !DecodeMpegHeader(bytes, next) || !SameStream(next, first)) {
            return false;
        }
        header = next;
    }
    return true;
}

}  // namespace

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
    const int64_t end = EndsInId3v1(file, fileSize) ? fileSize - kId3v1Size : fileSize;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    int64_t at = 0;
    MpegFrameHeader header;
    while (at + 4 <= got && !(DecodeMpegHeader(p + at, header) && FramesFollow(file, start + at, end, header))) ++at;
    if (at + 4 > got) return RawMpegResult::noFrame;
    if (header.version == 25 || header.layer == 1) return RawMpegResult::unsupported;
    out.dataOffset = start + at;
    out.dataSize = end > out.dataOffset ? end - out.dataOffset : 0;
    out.header = header;
    out.format = RawStreamFormat(header);
    return RawMpegResult::ok;
}

}  // namespace pv::audio
