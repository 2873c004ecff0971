#include "audio/FfmpegDecoder.h"

#include <algorithm>
#include <cstring>
#include <mutex>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/log.h>
}

#include "audio/MpegFrameHeader.h"

namespace pv::audio {

void SilenceFfmpegLog() {
    static std::once_flag once;
    std::call_once(once, [] { av_log_set_level(AV_LOG_QUIET); });
}

namespace {

constexpr int kMaxChannels = 64;
constexpr size_t kPcmPacketBytes = 65536;

int ContainerBits(const WaveFormat& f) { return (f.bitsPerSample + 7) / 8 * 8; }

AVCodecID PcmDecoderId(const WaveFormat& f, uint16_t tag) {
    const int bits = ContainerBits(f);
    if (tag == kFormatIeeeFloat) return bits == 32 ? AV_CODEC_ID_PCM_F32LE : bits == 64 ? AV_CODEC_ID_PCM_F64LE : AV_CODEC_ID_NONE;
    switch (bits) {
        case 8: return AV_CODEC_ID_PCM_U8;
        case 16: return AV_CODEC_ID_PCM_S16LE;
        case 24: return AV_CODEC_ID_PCM_S24LE;
        case 32: return AV_CODEC_ID_PCM_S32LE;
        default: return AV_CODEC_ID_NONE;
    }
}

AVCodecID DecoderId(const WaveFormat& f) {
    const uint16_t tag = f.EffectiveTag();
    if (tag == kFormatPcm || tag == kFormatIeeeFloat) return PcmDecoderId(f, tag);
    const AVCodecTag* const tables[] = {avformat_get_riff_audio_tags(), nullptr};
    return av_codec_get_id(tables, tag);
}

bool IsPcm(const WaveFormat& f) {
    const uint16_t tag = f.EffectiveTag();
    return tag == kFormatPcm || tag == kFormatIeeeFloat;
}

bool SetExtradata(AVCodecContext& context, const std::string& extra) {
    if (extra.empty()) return true;
    context.extradata = static_cast<uint8_t*>(av_mallocz(extra.size() + AV_INPUT_BUFFER_PADDING_SIZE));
    if (!context.extradata) return false;
    std::memcpy(context.extradata, extra.data(), extra.size());
    context.extradata_size = static_cast<int>(extra.size());
    return true;
}

}  // namespace

CodecOpen FfmpegDecoder::Open(const WaveFormat& source) {
    SilenceFfmpegLog();
    if (source.channels == 0 || source.channels > kMaxChannels || source.samplesPerSec == 0) return CodecOpen::failed;
    const AVCodecID id = DecoderId(source);
    const AVCodec* codec = id == AV_CODEC_ID_NONE ? nullptr : avcodec_find_decoder(id);
    if (!codec) return CodecOpen::notPossible;
    m_context.reset(avcodec_alloc_context3(codec));
    m_packet.reset(av_packet_alloc());
    m_frame.reset(av_frame_alloc());
    if (!m_context || !m_packet || !m_frame || !SetExtradata(*m_context, source.extra)) return CodecOpen::failed;
    m_context->sample_rate = static_cast<int>(source.samplesPerSec);
    av_channel_layout_default(&m_context->ch_layout, source.channels);
    m_context->block_align = source.blockAlign;
    m_context->bit_rate = static_cast<int64_t>(source.avgBytesPerSec) * 8;
    m_context->bits_per_coded_sample = source.bitsPerSample;
    m_parser.reset(av_parser_init(id));
    m_mpeg = id == AV_CODEC_ID_MP1 || id == AV_CODEC_ID_MP2 || id == AV_CODEC_ID_MP3;
    m_blockBytes = IsPcm(source) ? static_cast<size_t>(source.channels) * ContainerBits(source) / 8 : source.blockAlign;
    if (!m_parser && m_blockBytes == 0) return CodecOpen::failed;
    m_packetBytes = IsPcm(source) ? kPcmPacketBytes / m_blockBytes * m_blockBytes : m_blockBytes;
    if (m_packetBytes == 0) m_packetBytes = m_blockBytes;
    return avcodec_open2(m_context.get(), codec, nullptr) == 0 ? CodecOpen::ok : CodecOpen::failed;
}

bool FfmpegDecoder::Drain(const FrameSink& sink) {
    for (;;) {
        const int rc = avcodec_receive_frame(m_context.get(), m_frame.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc == AVERROR_INVALIDDATA) {
            ++m_count.damaged;
            continue;
        }
        if (rc < 0) return false;
        const bool ok = sink(*m_frame);
        av_frame_unref(m_frame.get());
        if (!ok) return false;
    }
}

// The MPEG parser hands over whatever lies between two frames along with the
// first (the decoder then finds the rest invalid): an MPEG packet holds as
// much audio as its frame header says.  Other packets are audio as a whole.
size_t FfmpegDecoder::AudioBytes(const unsigned char* data, size_t size) const {
    MpegFrameHeader header;
    if (!m_mpeg || size < 4 || !DecodeMpegHeader(data, header) || header.FrameLength() == 0) return size;
    return std::min<size_t>(size, header.FrameLength());
}

bool FfmpegDecoder::SendPacket(const unsigned char* data, size_t size, const FrameSink& sink) {
    m_packet->data = const_cast<uint8_t*>(data);
    m_packet->size = static_cast<int>(size);
    const int rc = avcodec_send_packet(m_context.get(), m_packet.get());
    m_packet->data = nullptr;
    m_packet->size = 0;
    ++m_count.packets;
    if (rc == AVERROR_INVALIDDATA) ++m_count.damaged;
    else if (rc < 0) return false;
    else m_count.audioBytes += static_cast<int64_t>(AudioBytes(data, size));
    return Drain(sink);
}

bool FfmpegDecoder::Parse(const unsigned char* data, size_t size, const FrameSink& sink) {
    // Flushing passes no data: the parser then gives what it still holds.
    do {
        uint8_t* out = nullptr;
        int outSize = 0;
        const int used = av_parser_parse2(m_parser.get(), m_context.get(), &out, &outSize, data, static_cast<int>(size),
                                          AV_NOPTS_VALUE, AV_NOPTS_VALUE, 0);
        if (used < 0) return false;
        data += used;
        size -= static_cast<size_t>(used);
        if (outSize > 0 && !SendPacket(out, static_cast<size_t>(outSize), sink)) return false;
        if (outSize == 0 && (!data || used == 0)) break;
    } while (size > 0 || !data);
    return true;
}

bool FfmpegDecoder::Decode(const unsigned char* data, size_t size, size_t& consumed, const FrameSink& sink) {
    consumed = 0;
    if (m_parser) {
        if (size > 0 && !Parse(data, size, sink)) return false;
        consumed = size;
        return true;
    }
    while (size - consumed >= m_blockBytes) {
        size_t bytes = size - consumed < m_packetBytes ? size - consumed : m_packetBytes;
        bytes -= bytes % m_blockBytes;
        if (!SendPacket(data + consumed, bytes, sink)) return false;
        consumed += bytes;
    }
    return true;
}

bool FfmpegDecoder::Flush(const FrameSink& sink) {
    if (m_parser && !Parse(nullptr, 0, sink)) return false;
    const int rc = avcodec_send_packet(m_context.get(), nullptr);
    if (rc < 0 && rc != AVERROR_EOF) return false;
    return Drain(sink);
}

}  // namespace pv::audio
