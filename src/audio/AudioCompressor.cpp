#include "audio/AudioCompressor.h"

#include <cstring>
#include <vector>

#include "audio/CodecEngine.h"
#include "audio/MpegAudio.h"
#include "audio/RiffReader.h"

namespace pv {

namespace {

constexpr int64_t kMaxFormatBytes = 18 + 65535;
// Damaged frames let through: a few anywhere (one burst of bad bytes can
// cost the parser several frames before it finds the stream again), or one
// in ten of a long source.
constexpr int64_t kDamagedAllowed = 4;
constexpr int64_t kDamagedShareAllowed = 10;

// Whether the decoder made the source's audio of it.  The decoder skips what
// it cannot use, so bytes that only look like audio (a few MPEG frames ahead
// of text, another codec's data under an MPEG name) give a short sliver of
// sound without an error.  A source is refused when frames are damaged
// beyond the allowance, or when the audio decoded accounts for less than
// half of its data (less than half the duration its size promises at the
// stream's own bit rate).
bool DecodedCleanly(const audio::DecodeCount& count, int64_t dataSize, const std::string& path,
                    std::string& errorText) {
    const std::string start = "Compress: Source file " + path + " does not decode cleanly: ";
    if (count.damaged > kDamagedAllowed && count.damaged > count.packets / kDamagedShareAllowed) {
        errorText = start + std::to_string(count.damaged) + " of its " + std::to_string(count.packets) +
                    " audio frames are damaged.";
        return false;
    }
    if (count.audioBytes * 2 < dataSize) {
        errorText = start + "its audio accounts for only " + std::to_string(count.audioBytes) + " of its " +
                    std::to_string(dataSize) + " bytes of data.";
        return false;
    }
    return true;
}

}  // namespace

struct AudioCompressor::Source {
    std::string path;
    audio::WaveFormat format;
    int64_t dataOffset = 0;
    int64_t dataSize = 0;
    bool isWave = false;
};

bool AudioCompressor::DestinationName(std::string& path, int formatNumber) {
    const char* extension = nullptr;
    switch (formatNumber) {
        case 0:
        case audio::kFormatPcm: extension = ".wav"; break;
        case audio::kFormatMpeg: extension = ".mp2"; break;
        case audio::kFormatMpegLayer3: extension = ".mp3"; break;
        default: return false;
    }
    if (path.size() >= 4 && path[path.size() - 4] == '.') path.erase(path.size() - 4);
    path += extension;
    return true;
}

namespace {

// The WAVE form's format record and samples; false with a message when the
// file is a WAVE file without them.  found tells whether it is one at all.
bool ReadWaveSource(platform::File& file, const std::string& path, audio::WaveFormat& format,
                    audio::RiffChunk& data, bool& found, std::string& errorText) {
    audio::RiffReader riff(file);
    audio::RiffChunk wave, fmt;
    found = riff.FindForm("WAVE", wave);
    if (!found) return false;
    if (!riff.FindChunk(wave, "fmt ", fmt)) {
        errorText = "Compress: Can't find FMT chunk in source file " + path + ". We can't determine it's format.";
        return false;
    }
    std::string bytes;
    if (!riff.ReadData(fmt, kMaxFormatBytes, bytes) || !format.Parse(bytes)) {
        errorText = "Compress: Error trying to read the FMT chuck of source file " + path + ".";
        return false;
    }
    if (!riff.FindChunk(wave, "data", data)) {
        errorText = "Compress: Error trying to read the DATA chuck of source file " + path +
                    ". It must not have any audio data.";
        return false;
    }
    return true;
}

}  // namespace

bool AudioCompressor::OpenSource(const std::string& path, platform::File& file, Source& source,
                                 std::string& errorText) {
    source.path = path;
    if (!file.Open(path, platform::File::modeRead)) {
        errorText = "Compress: Can't open source file " + path + ".";
        return false;
    }
    audio::RiffChunk data;
    if (ReadWaveSource(file, path, source.format, data, source.isWave, errorText)) {
        source.dataOffset = data.dataOffset;
        source.dataSize = data.size;
        return true;
    }
    if (source.isWave) return false;
    audio::RawMpegStream stream;
    const auto found = audio::LocateRawMpeg(file, stream);
    if (found == audio::RawMpegResult::unreadable) errorText = "Compress: Can't read source file " + path + ".";
    if (found != audio::RawMpegResult::ok) return false;
    source.format = stream.format;
    source.dataOffset = stream.dataOffset;
    source.dataSize = stream.dataSize;
    return true;
}

bool AudioCompressor::Compress(const std::string& sourcePath, std::string& destinationPath, int formatNumber,
                               int bitRate, int ratio, const std::string& formatListPath, std::string& errorText,
                               bool lockSampleRate, int sampleRate, const CAudioFileHeader* sourceHeader) {
    errorText.clear();
    if (!DestinationName(destinationPath, formatNumber)) {
        errorText = "Compress: Invalid destination audio file format " + std::to_string(formatNumber) + ".";
        return false;
    }
    platform::File in;
    Source source;
    if (!OpenSource(sourcePath, in, source, errorText)) return false;
    audio::FormatRequest request;
    request.formatNumber = formatNumber;
    request.bitRate = bitRate > 0 ? static_cast<uint32_t>(bitRate) : 0;
    request.ratio = ratio;
    request.lockSampleRate = lockSampleRate;
    request.sampleRate = sampleRate > 0 ? static_cast<uint32_t>(sampleRate) : 0;
    audio::WaveFormat destination;
    if (!audio::GetDestFormat(source.format, request, formatListPath, destination) &&
        (!audio::BuildFormatList(formatListPath, source.format) ||
         !audio::GetDestFormat(source.format, request, formatListPath, destination))) {
        errorText = "Compress: Error trying to get the dest format block";
        return false;
    }
    if (source.isWave && source.dataOffset + source.dataSize > in.Size()) {
        errorText = "Compress: Source file too small to hold source data. Source file " + sourcePath +
                    ". It must not have all the audio data.";
        return false;
    }
    return WriteDestination(in, source, destination, destinationPath, sourceHeader, errorText);
}

bool AudioCompressor::WriteDestination(platform::File& in, const Source& source,
                                       const audio::WaveFormat& destination, const std::string& path,
                                       const CAudioFileHeader* sourceHeader, std::string& errorText) {
    audio::CompressedWaveWriter out;
    if (!out.Begin(path, destination, errorText)) return false;
    std::string engineError;
    const audio::CodecEngine* engine = m_codecs.Engine(&engineError);
    if (!engine) {
        errorText = "Compress: Can't load the audio codecs: " + engineError;
        return false;
    }
    const std::unique_ptr<audio::Transcoder> transcoder = engine->NewTranscoder();
    switch (transcoder->Open(source.format, destination)) {
        case audio::CodecOpen::ok: break;
        case audio::CodecOpen::notPossible:
            errorText = "Compress: Error compression of these formats is not possible on this system.";
            return false;
        case audio::CodecOpen::failed: errorText = "Compress: Error opening audio stream."; return false;
    }
    if (!ConvertData(in, source, *transcoder, out, errorText)) return false;
    const std::string tags = sourceHeader ? sourceHeader->BuildTagBlock() : std::string();
    return out.Finish(transcoder->SamplesEncoded(), tags, sourceHeader != nullptr, errorText);
}

bool AudioCompressor::ConvertData(platform::File& in, const Source& source, audio::Transcoder& transcoder,
                                  audio::CompressedWaveWriter& out, std::string& errorText) {
    const int64_t capacity = source.dataSize < kBlockBytes ? source.dataSize : kBlockBytes;
    std::vector<unsigned char> buffer(static_cast<size_t>(capacity) + audio::kCodecInputPadding);
    if (in.Seek(source.dataOffset, platform::File::fromBegin) != source.dataOffset) {
        errorText = "Compress: Error reading audio stream.";
        return false;
    }
    std::string encoded;
    int64_t remaining = source.dataSize;
    size_t leftover = 0;
    for (bool first = true;; first = false) {
        if (!first) m_throttle.Pause();
        m_throttle.StartBusy();
        const int64_t wanted = std::min<int64_t>(remaining, capacity - static_cast<int64_t>(leftover));
        if (wanted > 0 && in.Read(buffer.data() + leftover, wanted) != wanted) {
            errorText = "Compress: Error reading audio stream.";
            return false;
        }
        remaining -= wanted;
        const size_t size = leftover + static_cast<size_t>(wanted);
        std::memset(buffer.data() + size, 0, audio::kCodecInputPadding);
        size_t consumed = 0;
        encoded.clear();
        const bool last = remaining == 0;
        if (!transcoder.Convert(buffer.data(), size, consumed, encoded) || (last && !transcoder.Finish(encoded))) {
            errorText = "Compress: Error converting audio stream.";
            return false;
        }
        leftover = size - consumed;
        std::memmove(buffer.data(), buffer.data() + consumed, leftover);
        if (!out.WriteSamples(encoded, errorText)) return false;
        if (last) return DecodedCleanly(transcoder.Decoded(), source.dataSize, source.path, errorText);
    }
}

}  // namespace pv
