#pragma once
// Converts relayed audio on its way to an output: to the route's target
// format through the compressor, to WMA through a profile, or with an
// operator's external program; then the MP3 tagging tool and the cart data.
// A conversion that fails never loses the file: it goes out unchanged.
#include <chrono>
#include <string>

#include "audio/AudioConverter.h"
#include "audio/AudioFileHeader.h"
#include "audio/CodecEngine.h"
#include "config/DirOptions.h"
#include "notify/DebugFiles.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "relay/FileTransfer.h"
#include "transport/FileAccess.h"

namespace pv {

// The conversion's settings (shared with every other conversion) and the
// cart chunk's.
struct RelayedAudioSettings : AudioConverterSettings {
    bool convertCartToChunk = false;
    bool saveEntireCartDataToTag = false;
    int nameFromCartMode = CAudioFileHeader::nameFromCutId;
};

class RelayedAudio {
public:
    // codecs: the service's codec module, for the compressor and the WMA encoder.
    RelayedAudio(FileAccess& files, audio::CodecModule& codecs, Reporter& reporter, DebugFiles& debug,
                 platform::Clock& clock, RelayedAudioSettings settings)
        : m_files(files),
          m_reporter(reporter),
          m_debug(debug),
          m_converter(files, codecs, clock, settings),
          m_settings(std::move(settings)) {}

    // Converts the working file for the route, at its first output: the
    // converted file to deliver (outputPath may take its extension or a name
    // from the cart chunk), or no file to deliver workingFile as it is.
    ConvertedFile ConvertRelayedAudio(const CDirOptions& route, const std::string& workingFile, const std::string& sourceName,
                                      std::string& outputPath);
    // Each further output of the same file gets the same conversion: its path
    // is named as the first output's was, or (when the conversion failed) the
    // operator is told again that it goes out as it is.
    void NameConvertedOutput(const std::string& workingFile, const ConvertedFile& converted, std::string& outputPath);

    // Whether the route converts this file at all.
    // formatRead: the header's format record was read from the file.
    static bool NeedsConversion(const CDirOptions& route, const std::string& sourceName,
                                const CAudioFileHeader& header, bool formatRead, bool convertCartToChunk);

private:
    void TagMp3(const std::string& sourceName, const std::string& converted);
    void ReportUnconverted(const std::string& outputPath);
    bool NamesFromCart(const CAudioFileHeader& source, bool headerRead) const;

    FileAccess& m_files;
    Reporter& m_reporter;
    DebugFiles& m_debug;
    AudioConverter m_converter;
    RelayedAudioSettings m_settings;
};

}  // namespace pv
