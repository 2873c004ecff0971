#pragma once
// Converts one audio file (a WAV file of any format the decoders know, or a
// raw MPEG Layer 2/3 stream) into a RIFF WAVE file holding PCM, MPEG Layer 2
// or MPEG Layer 3, with the source's text tags.  The destination format is
// chosen from the format list file; the work runs in blocks, with the
// processor throttle pausing between them.
#include <cstdint>
#include <string>

#include "audio/AudioFileHeader.h"
#include "audio/CompressedWaveWriter.h"
#include "audio/FormatList.h"
#include "audio/ProcessorThrottle.h"
#include "platform/Clock.h"

namespace pv {

namespace audio {
class CodecModule;
class Transcoder;
}

class AudioCompressor {
public:
    static constexpr int64_t kBlockBytes = 163840;

    // codecs: the service's codec module, loaded when a conversion needs it.
    explicit AudioCompressor(audio::CodecModule& codecs, platform::Clock& clock = platform::DefaultClock())
        : m_codecs(codecs), m_throttle(clock) {}

    // destinationPath gets the extension of the format (".wav" for 0 and 1,
    // ".mp2" for 80, ".mp3" for 85).  bitRate in bit/s (0: none); ratio
    // below 2: none.  The source header's tags go into the destination.  A
    // source that does not decode cleanly (damaged frames beyond a few, or
    // data that mostly is no audio) fails too.  On failure errorText says
    // why and no destination file is left behind.
    bool Compress(const std::string& sourcePath, std::string& destinationPath, int formatNumber, int bitRate,
                  int ratio, const std::string& formatListPath, std::string& errorText, bool lockSampleRate,
                  int sampleRate, const CAudioFileHeader* sourceHeader);

    // Throttle: the busy share in percent ("Throttling Percentage").
    void SetShare(int percent) { m_throttle.SetShare(percent); }
    void StartBusy() { m_throttle.StartBusy(); }
    void Pause() { m_throttle.Pause(); }

    // The destination name for a format number; false for an unknown one.
    static bool DestinationName(std::string& path, int formatNumber);

private:
    struct Source;
    bool OpenSource(const std::string& path, platform::File& file, Source& source, std::string& errorText);
    bool WriteDestination(platform::File& in, const Source& source, const audio::WaveFormat& destination,
                          const std::string& path, const CAudioFileHeader* sourceHeader, std::string& errorText);
    bool ConvertData(platform::File& in, const Source& source, audio::Transcoder& transcoder,
                     audio::CompressedWaveWriter& out, std::string& errorText);

    audio::CodecModule& m_codecs;
    audio::ProcessorThrottle m_throttle;
};

}  // namespace pv
