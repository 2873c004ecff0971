#pragma once
// The wave format records that describe MPEG audio in a WAV file, and the
// location of the frames in a raw .mp2/.mp3 stream.
#include <cstdint>
#include <string>

#include "audio/MpegFrameHeader.h"
#include "audio/WaveFormat.h"
#include "platform/File.h"

namespace pv::audio {

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

// Looks for the first frame that starts a stream in the first 2048 bytes of
// the audio (after an ID3v2 tag at the start): only a frame followed by
// three more, each where the one before ends and of the same version, layer
// and sample rate - or by fewer that end exactly where the audio ends (the
// end of the file or its ID3v1 tag) - counts, since a lone sync word turns
// up in text, in other codecs' data and in noise.  Free-format frames (no
// length to follow) never count.  MPEG-2.5 and Layer I streams are
// unsupported.
RawMpegResult LocateRawMpeg(platform::File& file, RawMpegStream& out);

}  // namespace pv::audio
