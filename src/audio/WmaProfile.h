#pragma once
// A saved WMA encoding profile (".prx"): XML text, normally UTF-16LE with a
// byte-order mark.  Only the audio stream's wave format and bit rate matter
// to us, so this is a small tolerant reader of element attributes, not a
// general XML parser: names are matched without regard to ASCII case, values
// stand in single or double quotes, anything it does not know is skipped.
#include <cstdint>
#include <string>

namespace pv::audio {

// Wave format tags of the codecs a profile may name.
enum WmaFormatTag : uint16_t {
    kWmaVoice = 0x000A,
    kWmaVersion1 = 0x0160,
    kWmaVersion2 = 0x0161,
    kWmaPro = 0x0162,
    kWmaLossless = 0x0163,
};

struct WmaProfile {
    uint16_t formatTag = 0;       // the output codec's wave format tag
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint32_t bitRate = 0;         // bits per second of the audio stream
};

// The profile file's bytes as 8-bit text: UTF-16 (LE or BE, told by the
// byte-order mark or, without one, by where the zero bytes are) or UTF-8 /
// 8-bit.  Characters outside ASCII become '?': only ASCII names and numbers
// are read from it.
std::string ProfileText(const std::string& bytes);

// Reads the audio stream of a profile file's bytes: the first "waveformatex"
// element (fields wFormatTag, nChannels, nSamplesPerSec, nAvgBytesPerSec,
// nBlockAlign, wBitsPerSample) and the bit rate of the "streamconfig" around
// it.  A missing format tag is taken from the media subtype GUID, a missing
// bit rate from the average bytes per second, missing bits as 16.  False
// when there is no wave format or it lacks channels or sample rate.
bool ParseWmaProfile(const std::string& bytes, WmaProfile& profile);

}  // namespace pv::audio
