#pragma once
// Encodes samples into the destination format (PCM, MPEG Layer 2 through
// the MP2 encoder, Layer 3 through LAME): samples are queued until a whole
// encoder frame is there, the packets go to the caller.
#include <cstdint>
#include <string>

#include "audio/FfmpegDecoder.h"

namespace pv::audio {

class FfmpegEncoder {
public:
    CodecOpen Open(const WaveFormat& destination);

    // What the encoder wants as input.
    AVSampleFormat SampleFormat() const { return m_context->sample_fmt; }
    int SampleRate() const { return m_context->sample_rate; }
    const AVChannelLayout& ChannelLayout() const { return m_context->ch_layout; }

    // Queues samples (in SampleFormat) and encodes every whole frame.
    bool Write(const uint8_t* const* planes, int samples, std::string& out);
    // Encodes the rest (the last frame padded with silence when the encoder
    // needs whole frames) and the packets the encoder still holds.
    bool Finish(std::string& out);

    // Sample frames handed to the encoder, padding not counted.
    int64_t SamplesEncoded() const { return m_samplesEncoded; }

private:
    bool EncodeQueued(int samples, std::string& out);
    bool Receive(std::string& out);

    CodecContextPtr m_context;
    FifoPtr m_fifo;
    FramePtr m_frame;
    PacketPtr m_packet;
    int m_frameSamples = 0;
    int64_t m_samplesEncoded = 0;
};

}  // namespace pv::audio
