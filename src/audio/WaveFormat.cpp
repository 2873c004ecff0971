#include "audio/WaveFormat.h"

#include "audio/ByteOrder.h"

namespace pv::audio {

namespace {
// The sub-format GUID of an extensible record starts 6 bytes into its extra
// bytes; its first two bytes are the format tag.
constexpr size_t kSubFormatOffset = 6;
}  // namespace

bool WaveFormat::Parse(const std::string& bytes) {
    if (bytes.size() < 16) return false;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    tag = GetLE16(p);
    channels = GetLE16(p + 2);
    samplesPerSec = GetLE32(p + 4);
    avgBytesPerSec = GetLE32(p + 8);
    blockAlign = GetLE16(p + 12);
    bitsPerSample = GetLE16(p + 14);
    extra.clear();
    if (bytes.size() >= 18) {
        const size_t extraSize = GetLE16(p + 16);
        extra = bytes.substr(18, extraSize);
    }
    return true;
}

std::string WaveFormat::Serialize() const {
    std::string out;
    out.reserve(kBaseSize + extra.size());
    AppendLE16(out, tag);
    AppendLE16(out, channels);
    AppendLE32(out, samplesPerSec);
    AppendLE32(out, avgBytesPerSec);
    AppendLE16(out, blockAlign);
    AppendLE16(out, bitsPerSample);
    AppendLE16(out, static_cast<uint16_t>(extra.size()));
    out += extra;
    return out;
}

uint16_t WaveFormat::EffectiveTag() const {
    if (tag == kFormatExtensible && extra.size() >= kSubFormatOffset + 2) {
        return GetLE16(reinterpret_cast<const unsigned char*>(extra.data()) + kSubFormatOffset);
    }
    return tag;
}

}  // namespace pv::audio
