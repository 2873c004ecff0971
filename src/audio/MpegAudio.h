#pragma once
// MPEG audio frame headers (ISO/IEC 11172-3, 13818-3), the wave format
// records that describe MPEG audio in a WAV file, and the location of the
// frames in a raw .mp2/.mp3 stream.
#include <cstdint>
#include <string>

#include "audio/WaveFormat.h"
#include "platform/File.h"

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

// Decodes the four header bytes.  False for no frame sync and for the
// reserved values (version, layer, bit rate index 15, sample rate index 3,
// emphasis 2).
bool DecodeMpegHeader(const unsigned char* bytes, MpegFrameHeader& out);

// Bytes of a frame without padding at the given rates (Layer 2 and 3).
uint32_t MpegFrameBytes(int version, int layer, uint32_t bitRate, uint32_t sampleRate);

// The "fmt " record that describes MPEG audio encoded at these values
// (tag 80 for Layer 2 with its 22 extra bytes, 85 for Layer 3 with 12).
WaveFormat MpegDestinationFormat(int layer, int channels, uint32_t sampleRate, uint32_t bitRate);

// Where the audio of a raw MPEG stream lies and what it is.
struct RawMpegStream {
    int64_t dataOffset = 0;  // the first frame
    int64_t dataSize = 0;    // up to the end of the file or its ID3v1 tag
    MpegFrameHeader header;
    WaveFormat format;       // the record that describes the stream
};

enum class RawMpegResult { ok, unreadable, noFrame, unsupported };

// Looks for the first frame in the first 2048 bytes of the audio (after an
// ID3v2 tag at the start); MPEG-2.5 and Layer I streams are unsupported.
RawMpegResult LocateRawMpeg(platform::File& file, RawMpegStream& out);

}  // namespace pv::audio
