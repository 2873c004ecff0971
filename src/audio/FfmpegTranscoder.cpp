// Transcoder on FFmpeg: the decoder, the resampler (rate, layout and sample
// format) and the encoder, one piece at a time.
#include <string>

extern "C" {
#include <libavutil/samplefmt.h>
}

#include "audio/FfmpegCodecs.h"
#include "audio/FfmpegDecoder.h"
#include "audio/FfmpegEncoder.h"

namespace pv::audio {

namespace {

class FfmpegTranscoder final : public Transcoder {
public:
    FfmpegTranscoder() = default;
    ~FfmpegTranscoder() override;
    FfmpegTranscoder(const FfmpegTranscoder&) = delete;
    FfmpegTranscoder& operator=(const FfmpegTranscoder&) = delete;

    CodecOpen Open(const WaveFormat& source, const WaveFormat& destination) override;
    bool Convert(const unsigned char* data, size_t size, size_t& consumed, std::string& out) override;
    bool Finish(std::string& out) override;
    int64_t SamplesEncoded() const override { return m_encoder.SamplesEncoded(); }
    DecodeCount Decoded() const override { return m_decoder.Decoded(); }

private:
    bool OnFrame(const AVFrame& frame, std::string& out);
    bool StartResampler(const AVFrame& frame);
    bool Resample(const uint8_t* const* input, int samples, std::string& out, int& made);
    bool FlushResampler(std::string& out);
    bool SameInput(const AVFrame& frame) const;

    FfmpegDecoder m_decoder;
    FfmpegEncoder m_encoder;
    ResamplerPtr m_resampler;
    int m_inputFormat = -1;
    int m_inputRate = 0;
    AVChannelLayout m_inputLayout{};
    uint8_t** m_buffer = nullptr;
    int m_bufferSamples = 0;
};

FfmpegTranscoder::~FfmpegTranscoder() {
    av_channel_layout_uninit(&m_inputLayout);
    if (m_buffer) av_freep(&m_buffer[0]);
    av_freep(&m_buffer);
}

CodecOpen FfmpegTranscoder::Open(const WaveFormat& source, const WaveFormat& destination) {
    const CodecOpen decoder = m_decoder.Open(source);
    if (decoder != CodecOpen::ok) return decoder;
    return m_encoder.Open(destination);
}

bool FfmpegTranscoder::StartResampler(const AVFrame& frame) {
    SwrContext* swr = nullptr;
    const int rc = swr_alloc_set_opts2(&swr, const_cast<AVChannelLayout*>(&m_encoder.ChannelLayout()),
                                       m_encoder.SampleFormat(), m_encoder.SampleRate(),
                                       const_cast<AVChannelLayout*>(&frame.ch_layout),
                                       static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    m_resampler.reset(swr);
    m_inputFormat = frame.format;
    m_inputRate = frame.sample_rate;
    av_channel_layout_uninit(&m_inputLayout);
    return rc >= 0 && av_channel_layout_copy(&m_inputLayout, &frame.ch_layout) >= 0 && swr_init(swr) >= 0;
}

// Converts input samples (none: flush the resampler) and hands them on.
bool FfmpegTranscoder::Resample(const uint8_t* const* input, int samples, std::string& out, int& made) {
    const int room = swr_get_out_samples(m_resampler.get(), samples);
    if (room < 0) return false;
    if (room > m_bufferSamples) {
        if (m_buffer) av_freep(&m_buffer[0]);
        av_freep(&m_buffer);
        if (av_samples_alloc_array_and_samples(&m_buffer, nullptr, m_encoder.ChannelLayout().nb_channels, room,
                                               m_encoder.SampleFormat(), 0) < 0) {
            return false;
        }
        m_bufferSamples = room;
    }
    made = swr_convert(m_resampler.get(), m_buffer, m_bufferSamples, const_cast<const uint8_t**>(input), samples);
    return made >= 0 && m_encoder.Write(m_buffer, made, out);
}

// Hands on the samples the resampler still holds (its filter delay).
bool FfmpegTranscoder::FlushResampler(std::string& out) {
    for (int made = 1; m_resampler && made > 0;) {
        if (!Resample(nullptr, 0, out, made)) return false;
    }
    return true;
}

bool FfmpegTranscoder::SameInput(const AVFrame& frame) const {
    return frame.format == m_inputFormat && frame.sample_rate == m_inputRate &&
           av_channel_layout_compare(&frame.ch_layout, &m_inputLayout) == 0;
}

bool FfmpegTranscoder::OnFrame(const AVFrame& frame, std::string& out) {
    if (!m_resampler || !SameInput(frame)) {
        // A stream may change its layout between frames (MPEG mono and stereo).
        if (!FlushResampler(out) || !StartResampler(frame)) return false;
    }
    int made = 0;
    return Resample(frame.extended_data, frame.nb_samples, out, made);
}

bool FfmpegTranscoder::Convert(const unsigned char* data, size_t size, size_t& consumed, std::string& out) {
    return m_decoder.Decode(data, size, consumed, [this, &out](const AVFrame& frame) { return OnFrame(frame, out); });
}

bool FfmpegTranscoder::Finish(std::string& out) {
    if (!m_decoder.Flush([this, &out](const AVFrame& frame) { return OnFrame(frame, out); })) return false;
    return FlushResampler(out) && m_encoder.Finish(out);
}

}  // namespace

std::unique_ptr<Transcoder> NewFfmpegTranscoder() { return std::make_unique<FfmpegTranscoder>(); }

}  // namespace pv::audio
