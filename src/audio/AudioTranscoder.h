#pragma once
// Converts audio from one wave format to another in pieces: decode, change
// rate and sample layout, encode.  Memory stays bounded by the piece size.
#include <cstddef>
#include <cstdint>
#include <string>

#include "audio/FfmpegDecoder.h"
#include "audio/FfmpegEncoder.h"

namespace pv::audio {

class AudioTranscoder {
public:
    CodecOpen Open(const WaveFormat& source, const WaveFormat& destination);

    // Converts source bytes (followed by FfmpegDecoder::kInputPadding
    // readable bytes) and appends the encoded bytes to out.  consumed tells
    // how many were used; the rest (less than one block) belongs in front of
    // the next piece.
    bool Convert(const unsigned char* data, size_t size, size_t& consumed, std::string& out);
    // Ends the stream: everything still held back is encoded.
    bool Finish(std::string& out);

    // Sample frames of the destination written so far.
    int64_t SamplesEncoded() const { return m_encoder.SamplesEncoded(); }

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

public:
    AudioTranscoder() = default;
    ~AudioTranscoder();
    AudioTranscoder(const AudioTranscoder&) = delete;
    AudioTranscoder& operator=(const AudioTranscoder&) = delete;
};

}  // namespace pv::audio
