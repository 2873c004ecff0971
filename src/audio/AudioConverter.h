#pragma once
// Converts one audio file into a temporary file, by one of three means:
// the WMA encoder with a profile, an operator's program of section "Audio
// Formats" (formats 1000 and up), or the compressor to the WAV format tag
// the number names.  The relayed files of a route and the files attached to
// a story both convert through here.
#include <chrono>
#include <string>

#include "audio/AudioFileHeader.h"
#include "audio/CodecEngine.h"
#include "config/DirOptions.h"
#include "platform/Clock.h"
#include "transport/FileAccess.h"

namespace pv {

struct AudioConverterSettings {
    std::string workingFolder;
    std::string settingsFile;            // for section "Audio Formats"
    std::string compressionBatchFolder;  // "CompressionBatchFilePath"
    int throttlingPercentage = 50;
    // Longest an external program (compressor, tagging tool) may run before
    // it is stopped, so that a hung one cannot stall the service.
    std::chrono::milliseconds programTimeLimit{std::chrono::minutes(10)};
};

// What to convert to.
struct ConversionTarget {
    int format = 0;   // a WAV format tag (1 to 999) or an operator's program (1000 and up)
    int bitrate = 0;  // bit/s; 0: none
    int ratio = 0;    // below 2: none
    std::string wmaProfile;
    bool lockSampleRate = false;
    int lockedSampleRate = 22050;

    // None for format 0; then a profile means WMA, and the format decides.
    AudioConversion Kind() const;
    static ConversionTarget OfRoute(const CDirOptions& route);
};

class AudioConverter {
public:
    AudioConverter(FileAccess& files, audio::CodecModule& codecs, platform::Clock& clock,
                   AudioConverterSettings settings)
        : m_files(files), m_codecs(codecs), m_clock(clock), m_settings(std::move(settings)) {}

    // Converts source into target, a temporary path the caller made; target
    // may change (the extension of the format, an operator's suffix).  An
    // operator's program gets outputName (the name the output will have) as
    // its third argument.  header: the source's, whose tags the compressor
    // carries over.  False with the reason in error (possibly empty); what
    // was written under target is then the caller's to remove.
    bool Convert(const ConversionTarget& to, const std::string& source, std::string& target,
                 const std::string& outputName, const CAudioFileHeader& header, std::string& error);

    const AudioConverterSettings& Settings() const { return m_settings; }

private:
    bool EncodeWma(const ConversionTarget& to, const std::string& source, std::string& target, std::string& error);
    bool RunProgram(const ConversionTarget& to, const std::string& source, std::string& target,
                    const std::string& outputName, std::string& error);
    bool RunCompressor(const ConversionTarget& to, const std::string& source, std::string& target,
                       const CAudioFileHeader& header, std::string& error);

    FileAccess& m_files;
    audio::CodecModule& m_codecs;
    platform::Clock& m_clock;
    const AudioConverterSettings m_settings;
};

}  // namespace pv
