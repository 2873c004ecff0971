#pragma once
// Turns the bytes of a WAV file's data chunk (or a raw MPEG stream) into
// decoded frames: the decoder is chosen by the format tag, MPEG streams are
// split into frames by the parser, other formats into whole blocks.
#include <cstddef>
#include <functional>

#include "audio/CodecEngine.h"
#include "audio/FfmpegHandles.h"
#include "audio/WaveFormat.h"

namespace pv::audio {

// Callers pad the data they hand over by kCodecInputPadding bytes.
static_assert(kCodecInputPadding >= AV_INPUT_BUFFER_PADDING_SIZE, "decoders read past the end of their input");

class FfmpegDecoder {
public:
    using FrameSink = std::function<bool(const AVFrame&)>;

    CodecOpen Open(const WaveFormat& source);

    // Decodes what it can of the bytes (followed by kCodecInputPadding
    // readable bytes) and hands every frame to the sink.  consumed tells how
    // many bytes were used; the rest (less than a block) belongs in front of
    // the next call.  False on a codec failure or when the sink fails.  Data
    // the decoder finds invalid is skipped and counted (Decoded).
    bool Decode(const unsigned char* data, size_t size, size_t& consumed, const FrameSink& sink);
    // Hands over the frames still held back by the parser and the decoder.
    bool Flush(const FrameSink& sink);
    const DecodeCount& Decoded() const { return m_count; }

private:
    bool SendPacket(const unsigned char* data, size_t size, const FrameSink& sink);
    bool Drain(const FrameSink& sink);
    bool Parse(const unsigned char* data, size_t size, const FrameSink& sink);
    size_t AudioBytes(const unsigned char* data, size_t size) const;

    CodecContextPtr m_context;
    ParserPtr m_parser;
    PacketPtr m_packet;
    FramePtr m_frame;
    size_t m_blockBytes = 0;   // unit of data without a parser
    size_t m_packetBytes = 0;  // bytes sent at a time without a parser
    bool m_mpeg = false;       // MPEG audio: packets start with a frame header
    DecodeCount m_count;
};

}  // namespace pv::audio
