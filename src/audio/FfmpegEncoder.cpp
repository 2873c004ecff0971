#include "audio/FfmpegEncoder.h"

namespace pv::audio {

namespace {

constexpr int kPcmFrameSamples = 4096;

const AVCodec* FindEncoder(const WaveFormat& f) {
    switch (f.tag) {
        case kFormatMpegLayer3: {
            const AVCodec* lame = avcodec_find_encoder_by_name("libmp3lame");
            return lame ? lame : avcodec_find_encoder(AV_CODEC_ID_MP3);
        }
        case kFormatMpeg: {
            const AVCodec* mp2 = avcodec_find_encoder_by_name("mp2");
            return mp2 ? mp2 : avcodec_find_encoder(AV_CODEC_ID_MP2);
        }
        case kFormatPcm:
            switch (f.bitsPerSample) {
                case 8: return avcodec_find_encoder(AV_CODEC_ID_PCM_U8);
                case 16: return avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
                case 24: return avcodec_find_encoder(AV_CODEC_ID_PCM_S24LE);
                case 32: return avcodec_find_encoder(AV_CODEC_ID_PCM_S32LE);
                default: return nullptr;
            }
        default: return nullptr;
    }
}

// The encoder's first sample format, or its planar s16 when it takes that
// (what a 16-bit source converts into without loss or work).
AVSampleFormat ChooseSampleFormat(const AVCodec& codec) {
    if (!codec.sample_fmts) return AV_SAMPLE_FMT_S16;
    for (const AVSampleFormat* f = codec.sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f) {
        if (*f == AV_SAMPLE_FMT_S16P || *f == AV_SAMPLE_FMT_S16) return *f;
    }
    return codec.sample_fmts[0];
}

bool TakesPartialFrames(const AVCodec& codec) {
    return (codec.capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;
}

}  // namespace

CodecOpen FfmpegEncoder::Open(const WaveFormat& destination) {
    SilenceFfmpegLog();
    const AVCodec* codec = FindEncoder(destination);
    if (!codec || destination.channels == 0 || destination.samplesPerSec == 0) return CodecOpen::notPossible;
    m_context.reset(avcodec_alloc_context3(codec));
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    if (!m_context || !m_frame || !m_packet) return CodecOpen::failed;
    m_context->sample_rate = static_cast<int>(destination.samplesPerSec);
    av_channel_layout_default(&m_context->ch_layout, destination.channels);
    m_context->sample_fmt = ChooseSampleFormat(*codec);
    m_context->time_base = AVRational{1, m_context->sample_rate};
    if (destination.tag != kFormatPcm) m_context->bit_rate = static_cast<int64_t>(destination.avgBytesPerSec) * 8;
    if (avcodec_open2(m_context.get(), codec, nullptr) < 0) return CodecOpen::notPossible;
    m_frameSamples = m_context->frame_size > 0 ? m_context->frame_size : kPcmFrameSamples;
    m_fifo.reset(av_audio_fifo_alloc(m_context->sample_fmt, destination.channels, m_frameSamples));
    m_frame->format = m_context->sample_fmt;
    m_frame->nb_samples = m_frameSamples;
    m_frame->sample_rate = m_context->sample_rate;
    if (!m_fifo || av_channel_layout_copy(&m_frame->ch_layout, &m_context->ch_layout) < 0 ||
        av_frame_get_buffer(m_frame.get(), 0) < 0) {
        return CodecOpen::failed;
    }
    return CodecOpen::ok;
}

bool FfmpegEncoder::Receive(std::string& out) {
    for (;;) {
        const int rc = avcodec_receive_packet(m_context.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        out.append(reinterpret_cast<const char*>(m_packet->data), static_cast<size_t>(m_packet->size));
        av_packet_unref(m_packet.get());
    }
}

// Encodes one frame of the given number of queued samples; a frame short of
// what the encoder needs is filled up with silence.
bool FfmpegEncoder::EncodeQueued(int samples, std::string& out) {
    m_frame->nb_samples = m_frameSamples;
    if (av_frame_make_writable(m_frame.get()) < 0) return false;
    void** planes = reinterpret_cast<void**>(m_frame->extended_data);
    if (av_audio_fifo_read(m_fifo.get(), planes, samples) != samples) return false;
    const bool partialAllowed = TakesPartialFrames(*m_context->codec) || m_context->frame_size == 0;
    const int frameSamples = partialAllowed ? samples : m_frameSamples;
    if (frameSamples > samples) {
        av_samples_set_silence(m_frame->extended_data, samples, frameSamples - samples, m_context->ch_layout.nb_channels,
                               m_context->sample_fmt);
    }
    m_frame->nb_samples = frameSamples;
    m_frame->pts = m_samplesEncoded;
    m_samplesEncoded += samples;
    if (avcodec_send_frame(m_context.get(), m_frame.get()) < 0) return false;
    return Receive(out);
}

bool FfmpegEncoder::Write(const uint8_t* const* planes, int samples, std::string& out) {
    if (samples > 0) {
        void** data = reinterpret_cast<void**>(const_cast<uint8_t**>(planes));
        if (av_audio_fifo_write(m_fifo.get(), data, samples) != samples) return false;
    }
    while (av_audio_fifo_size(m_fifo.get()) >= m_frameSamples) {
        if (!EncodeQueued(m_frameSamples, out)) return false;
    }
    return true;
}

bool FfmpegEncoder::Finish(std::string& out) {
    const int rest = av_audio_fifo_size(m_fifo.get());
    if (rest > 0 && !EncodeQueued(rest, out)) return false;
    if (avcodec_send_frame(m_context.get(), nullptr) < 0) return false;
    return Receive(out);
}

}  // namespace pv::audio
