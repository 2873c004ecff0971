// WMA streams on FFmpeg: the wmav1/wmav2 encoder, the ASF muxer and an audio
// queue that cuts the timed PCM pieces into encoder frames.
#include <climits>
#include <vector>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
}

#include "audio/ByteOrder.h"
#include "audio/FfmpegCodecs.h"
#include "audio/FfmpegHandles.h"

namespace pv::audio {

namespace {

constexpr int64_t kTimeUnitsPerSecond = 10'000'000;  // input times count 100 ns
constexpr int kInputBytesPerSample = 2;              // 16-bit PCM

struct FormatContextFree {
    void operator()(AVFormatContext* p) const {
        if (p->pb) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;

const AVCodec* EncoderFor(uint16_t formatTag) {
    switch (formatTag) {
        case kWmaVersion1: return avcodec_find_encoder_by_name("wmav1");
        case kWmaVersion2: return avcodec_find_encoder_by_name("wmav2");
        default: return nullptr;
    }
}

// An encoder opened as the profile says, or null when it cannot be.
CodecContextPtr OpenEncoder(const WmaProfile& profile) {
    SilenceFfmpegLog();
    const AVCodec* codec = EncoderFor(profile.formatTag);
    if (!codec || profile.samplesPerSec > INT_MAX) return nullptr;
    CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return nullptr;
    context->sample_rate = static_cast<int>(profile.samplesPerSec);
    av_channel_layout_default(&context->ch_layout, profile.channels);
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->bit_rate = profile.bitRate;
    context->time_base = AVRational{1, context->sample_rate};
    if (avcodec_open2(context.get(), codec, nullptr) < 0 || context->frame_size <= 0) return nullptr;
    return context;
}

// Interleaved 16-bit samples into one float plane per channel.
void ToPlanarFloat(const uint8_t* data, int samples, int channels, std::vector<std::vector<float>>& planes) {
    planes.resize(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        std::vector<float>& plane = planes[static_cast<size_t>(c)];
        plane.resize(static_cast<size_t>(samples));
        const uint8_t* p = data + 2 * c;
        for (int i = 0; i < samples; ++i, p += 2 * channels) {
            plane[static_cast<size_t>(i)] = static_cast<float>(static_cast<int16_t>(GetLE16(p))) / 32768.0f;
        }
    }
}

class FfmpegWmaStream final : public WmaStream {
public:
    bool Open(const WmaProfile& profile, const std::string& hostPath) override;
    bool Queue(uint64_t time, const uint8_t* data, size_t size) override;
    bool Finish() override;
    bool FileCreated() const override { return m_fileCreated; }

private:
    bool AllocateQueue();
    bool EncodeFrame(int samples);
    bool Drain();

    CodecContextPtr m_codec;
    FormatContextPtr m_format;
    AVStream* m_stream = nullptr;
    FramePtr m_frame;
    PacketPtr m_packet;
    FifoPtr m_fifo;
    std::vector<std::vector<float>> m_planes;
    int64_t m_nextPts = 0;  // of the first queued sample, in samples
    bool m_fileCreated = false;
};

bool FfmpegWmaStream::Open(const WmaProfile& profile, const std::string& hostPath) {
    m_codec = OpenEncoder(profile);
    AVFormatContext* context = nullptr;
    if (!m_codec || avformat_alloc_output_context2(&context, nullptr, "asf", nullptr) < 0 || !context) return false;
    m_format.reset(context);
    m_stream = avformat_new_stream(context, nullptr);
    if (!m_stream || avcodec_parameters_from_context(m_stream->codecpar, m_codec.get()) < 0) return false;
    m_stream->time_base = m_codec->time_base;
    // "file:" keeps a ':' in the name from being read as a protocol.
    const std::string url = "file:" + hostPath;
    if (avio_open(&context->pb, url.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    m_fileCreated = true;
    return avformat_write_header(context, nullptr) >= 0 && AllocateQueue();
}

bool FfmpegWmaStream::AllocateQueue() {
    m_frame.reset(av_frame_alloc());
    m_packet.reset(av_packet_alloc());
    m_fifo.reset(av_audio_fifo_alloc(m_codec->sample_fmt, m_codec->ch_layout.nb_channels, m_codec->frame_size));
    if (!m_frame || !m_packet || !m_fifo) return false;
    m_frame->format = m_codec->sample_fmt;
    m_frame->nb_samples = m_codec->frame_size;
    m_frame->sample_rate = m_codec->sample_rate;
    return av_channel_layout_copy(&m_frame->ch_layout, &m_codec->ch_layout) >= 0 &&
           av_frame_get_buffer(m_frame.get(), 0) >= 0;
}

// The queue's first sample is timed by the sample time when the queue was empty.
bool FfmpegWmaStream::Queue(uint64_t time, const uint8_t* data, size_t size) {
    const int channels = m_codec->ch_layout.nb_channels;
    const int samples = static_cast<int>(size / (static_cast<size_t>(channels) * kInputBytesPerSample));
    if (samples == 0) return true;
    if (av_audio_fifo_size(m_fifo.get()) == 0) {
        m_nextPts = av_rescale(static_cast<int64_t>(time), m_codec->sample_rate, kTimeUnitsPerSecond);
    }
    ToPlanarFloat(data, samples, channels, m_planes);
    std::vector<void*> pointers;
    for (auto& plane : m_planes) pointers.push_back(plane.data());
    if (av_audio_fifo_write(m_fifo.get(), pointers.data(), samples) != samples) return false;
    while (av_audio_fifo_size(m_fifo.get()) >= m_codec->frame_size) {
        if (!EncodeFrame(m_codec->frame_size)) return false;
    }
    return true;
}

// Encodes one frame from the queue; a short last frame is filled up with
// silence, as the encoder takes whole frames only.
bool FfmpegWmaStream::EncodeFrame(int samples) {
    if (av_frame_make_writable(m_frame.get()) < 0) return false;
    void** planes = reinterpret_cast<void**>(m_frame->extended_data);
    if (av_audio_fifo_read(m_fifo.get(), planes, samples) != samples) return false;
    if (samples < m_codec->frame_size) {
        av_samples_set_silence(m_frame->extended_data, samples, m_codec->frame_size - samples,
                               m_codec->ch_layout.nb_channels, m_codec->sample_fmt);
    }
    m_frame->nb_samples = m_codec->frame_size;
    m_frame->pts = m_nextPts;
    m_nextPts += samples;
    return avcodec_send_frame(m_codec.get(), m_frame.get()) >= 0 && Drain();
}

bool FfmpegWmaStream::Drain() {
    for (;;) {
        const int rc = avcodec_receive_packet(m_codec.get(), m_packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        av_packet_rescale_ts(m_packet.get(), m_codec->time_base, m_stream->time_base);
        m_packet->stream_index = m_stream->index;
        if (av_interleaved_write_frame(m_format.get(), m_packet.get()) < 0) return false;
    }
}

bool FfmpegWmaStream::Finish() {
    const int rest = av_audio_fifo_size(m_fifo.get());
    if (rest > 0 && !EncodeFrame(rest)) return false;
    if (avcodec_send_frame(m_codec.get(), nullptr) < 0 || !Drain()) return false;
    if (av_write_trailer(m_format.get()) < 0 || m_format->pb->error < 0) return false;
    return avio_closep(&m_format->pb) >= 0;
}

}  // namespace

std::unique_ptr<WmaStream> NewFfmpegWmaStream() { return std::make_unique<FfmpegWmaStream>(); }

// Each value is tried on its own, the others taken from a profile the
// encoders serve (WMA 2, stereo, 44.1 kHz, 128 kbit/s): a value the encoder
// will not open with even there is one it does not support.  A codec we have
// no encoder for is tried no further; its other values are judged by the
// WMA 2 encoder.
unsigned FfmpegUnsupportedWmaValues(const WmaProfile& profile) {
    if (OpenEncoder(profile)) return 0;
    WmaProfile served;
    served.formatTag = EncoderFor(profile.formatTag) ? profile.formatTag : uint16_t{kWmaVersion2};
    served.channels = 2;
    served.samplesPerSec = 44100;
    served.bitRate = 128000;
    unsigned unsupported = served.formatTag == profile.formatTag ? 0 : kWmaValueFormatTag;
    const auto opensWith = [&served](auto change) {
        WmaProfile trial = served;
        change(trial);
        return OpenEncoder(trial) != nullptr;
    };
    if (!opensWith([&](WmaProfile& p) { p.channels = profile.channels; })) unsupported |= kWmaValueChannels;
    if (!opensWith([&](WmaProfile& p) { p.samplesPerSec = profile.samplesPerSec; })) unsupported |= kWmaValueSampleRate;
    if (!opensWith([&](WmaProfile& p) { p.bitRate = profile.bitRate; })) unsupported |= kWmaValueBitRate;
    return unsupported != 0 ? unsupported : kWmaValueCombination;
}

}  // namespace pv::audio
