#pragma once
// The format list file (Format.dat): the source format it was made for, then
// every format that source can be converted into, as wave format records
// without separators.  It is rebuilt whenever the source format changes.
#include <cstdint>
#include <string>
#include <vector>

#include "audio/WaveFormat.h"

namespace pv::audio {

// The formats our codecs offer for a source, with the source's channel
// count: PCM at the common rates (and the source's own), MPEG-1 and MPEG-2
// Layer 2 and Layer 3 at their legal rate and bit rate combinations.
std::vector<WaveFormat> CandidateFormats(const WaveFormat& source);

// Writes the list file for the source (opened exclusively while written).
bool BuildFormatList(const std::string& listPath, const WaveFormat& source);

struct FormatRequest {
    int formatNumber = 0;     // wanted format tag
    uint32_t bitRate = 0;     // bit/s; 0 = none
    int ratio = 0;            // compression ratio; below 2 = none
    bool lockSampleRate = false;
    uint32_t sampleRate = 0;  // when locked
};

// Chooses the destination from the list file (building it when it is
// missing or made for another source): among records with the wanted tag the
// one nearest the target sample rate, then nearest the target byte rate.
bool GetDestFormat(const WaveFormat& source, const FormatRequest& request, const std::string& listPath,
                   WaveFormat& out);

// The choice itself, over candidates already read.
bool ChooseFormat(const WaveFormat& source, const FormatRequest& request, const std::vector<WaveFormat>& candidates,
                  WaveFormat& out);

}  // namespace pv::audio
