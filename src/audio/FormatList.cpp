#include "audio/FormatList.h"

#include "audio/ByteOrder.h"
#include "audio/MpegAudio.h"
#include "platform/File.h"

namespace pv::audio {

namespace {

constexpr uint32_t kPcmRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000};
constexpr uint32_t kMpeg1Rates[] = {32000, 44100, 48000};
constexpr uint32_t kMpeg2Rates[] = {16000, 22050, 24000};
constexpr uint32_t kMaxPcmRate = 384000;
constexpr int kMaxPcmChannels = 8;
constexpr int64_t kMaxListBytes = 1 << 20;

// kbit/s of each layer and version.
constexpr uint32_t kMpeg1Layer2[] = {32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384};
constexpr uint32_t kMpeg1Layer3[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr uint32_t kMpeg2BitRates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};

// MPEG-1 Layer 2 allows only some bit rates per channel mode.
bool Layer2Allows(int channels, uint32_t kbps) {
    if (channels == 1) return kbps <= 192;
    return kbps == 64 || kbps >= 96;
}

WaveFormat PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormat f;
    f.tag = kFormatPcm;
    f.channels = channels;
    f.samplesPerSec = rate;
    f.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    f.avgBytesPerSec = rate * f.blockAlign;
    f.bitsPerSample = bits;
    return f;
}

uint16_t PcmBits(uint16_t sourceBits) {
    return sourceBits == 8 || sourceBits == 16 || sourceBits == 24 || sourceBits == 32 ? sourceBits : 16;
}

void AddPcm(const WaveFormat& source, std::vector<WaveFormat>& out) {
    if (source.channels < 1 || source.channels > kMaxPcmChannels) return;
    const uint16_t bits = PcmBits(source.bitsPerSample);
    bool sourceRateListed = false;
    for (uint32_t rate : kPcmRates) {
        out.push_back(PcmFormat(source.channels, rate, bits));
        sourceRateListed = sourceRateListed || rate == source.samplesPerSec;
    }
    if (!sourceRateListed && source.samplesPerSec > 0 && source.samplesPerSec <= kMaxPcmRate) {
        out.push_back(PcmFormat(source.channels, source.samplesPerSec, bits));
    }
}

template <size_t N>
void AddMpeg(int layer, int channels, const uint32_t (&rates)[3], const uint32_t (&kbpsList)[N], bool mpeg1,
             std::vector<WaveFormat>& out) {
    for (uint32_t rate : rates) {
        for (uint32_t kbps : kbpsList) {
            if (layer == 2 && mpeg1 && !Layer2Allows(channels, kbps)) continue;
            out.push_back(MpegDestinationFormat(layer, channels, rate, kbps * 1000));
        }
    }
}

// The first record of a list made for the source: the source's record, with
// more than 32 bits per sample taken as 16.
std::string ListKey(const WaveFormat& source) {
    WaveFormat key = source;
    if (key.bitsPerSample > 32) key.bitsPerSample = 16;
    return key.Serialize();
}

bool ReadRecord(const std::string& bytes, size_t& at, WaveFormat& out) {
    if (bytes.size() - at < static_cast<size_t>(WaveFormat::kBaseSize)) return false;
    const size_t extra = GetLE16(reinterpret_cast<const unsigned char*>(bytes.data()) + at + 16);
    const size_t length = WaveFormat::kBaseSize + extra;
    if (bytes.size() - at < length) return false;
    out.Parse(bytes.substr(at, length));
    at += length;
    return true;
}

// The list's first record and its candidates, when the file holds a list
// made for this source.
bool ReadList(const std::string& listPath, const WaveFormat& source, std::vector<WaveFormat>& candidates) {
    platform::File file;
    if (!file.Open(listPath, platform::File::modeRead)) return false;
    const int64_t size = file.Size();
    if (size < 0 || size > kMaxListBytes) return false;
    std::string bytes(static_cast<size_t>(size), '\0');
    if (file.Read(bytes.data(), size) != size) return false;
    const std::string wanted = ListKey(source);
    if (bytes.compare(0, wanted.size(), wanted) != 0) return false;
    candidates.clear();
    size_t at = wanted.size();
    for (WaveFormat record; ReadRecord(bytes, at, record);) candidates.push_back(record);
    return true;
}

uint64_t Distance(uint64_t a, uint64_t b) { return a > b ? a - b : b - a; }

}  // namespace

std::vector<WaveFormat> CandidateFormats(const WaveFormat& source) {
    std::vector<WaveFormat> out;
    AddPcm(source, out);
    if (source.channels == 1 || source.channels == 2) {
        AddMpeg(2, source.channels, kMpeg1Rates, kMpeg1Layer2, true, out);
        AddMpeg(2, source.channels, kMpeg2Rates, kMpeg2BitRates, false, out);
        AddMpeg(3, source.channels, kMpeg1Rates, kMpeg1Layer3, true, out);
        AddMpeg(3, source.channels, kMpeg2Rates, kMpeg2BitRates, false, out);
    }
    return out;
}

bool BuildFormatList(const std::string& listPath, const WaveFormat& source) {
    std::string bytes = ListKey(source);
    for (const WaveFormat& candidate : CandidateFormats(source)) bytes += candidate.Serialize();
    // Truncated only once the lock is ours, never under another writer.
    platform::File file;
    const unsigned mode = platform::File::modeCreate | platform::File::modeNoTruncate | platform::File::modeWrite |
                          platform::File::shareExclusive;
    if (!file.Open(listPath, mode)) return false;
    const bool written = file.Truncate(0) && file.Write(bytes);
    return file.Close() && written;
}

bool ChooseFormat(const WaveFormat& source, const FormatRequest& request, const std::vector<WaveFormat>& candidates,
                  WaveFormat& out) {
    uint64_t targetBytes = 99999999;
    if (request.bitRate != 0) targetBytes = request.bitRate / 8;
    else if (request.ratio >= 2) targetBytes = source.avgBytesPerSec / static_cast<uint32_t>(request.ratio);
    const uint64_t targetRate = request.lockSampleRate ? request.sampleRate : source.samplesPerSec;
    const WaveFormat* best = nullptr;
    for (const WaveFormat& c : candidates) {
        if (c.tag != request.formatNumber) continue;
        if (best) {
            const uint64_t rate = Distance(c.samplesPerSec, targetRate);
            const uint64_t bestRate = Distance(best->samplesPerSec, targetRate);
            const bool nearerBytes = Distance(c.avgBytesPerSec, targetBytes) < Distance(best->avgBytesPerSec, targetBytes);
            if (rate > bestRate || (rate == bestRate && !nearerBytes)) continue;
        }
        best = &c;
    }
    if (!best) return false;
    out = *best;
    return true;
}

bool GetDestFormat(const WaveFormat& source, const FormatRequest& request, const std::string& listPath,
                   WaveFormat& out) {
    std::vector<WaveFormat> candidates;
    if (!ReadList(listPath, source, candidates)) {
        if (!BuildFormatList(listPath, source) || !ReadList(listPath, source, candidates)) return false;
    }
    return ChooseFormat(source, request, candidates, out);
}

}  // namespace pv::audio
