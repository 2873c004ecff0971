#pragma once
// Owning handles for the FFmpeg objects the codec engine uses.
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace pv::audio {

struct CodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct ParserFree {
    void operator()(AVCodecParserContext* p) const { av_parser_close(p); }
};
struct FrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct ResamplerFree {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct FifoFree {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using ParserPtr = std::unique_ptr<AVCodecParserContext, ParserFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using ResamplerPtr = std::unique_ptr<SwrContext, ResamplerFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;

// Keeps the libraries quiet: a service reports through its own status lines.
void SilenceFfmpegLog();

}  // namespace pv::audio
