#pragma once
// Converts relayed audio on its way to an output: to the route's target
// format through the compressor, to WMA through a profile, or with an
// operator's external program; then the MP3 tagging tool and the cart data.
// A conversion that fails never loses the file: it goes out unchanged.
#include <chrono>
#include <string>

#include "audio/AudioFileHeader.h"
#include "audio/CodecEngine.h"
#include "config/DirOptions.h"
#include "notify/DebugFiles.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "relay/FileTransfer.h"
#include "transport/FileAccess.h"

namespace pv {

struct RelayedAudioSettings {
    std::string workingFolder;
    std::string settingsFile;            // for section "Audio Formats"
    std::string compressionBatchFolder;  // "CompressionBatchFilePath"
    int throttlingPercentage = 50;
    bool convertCartToChunk = false;
    bool saveEntireCartDataToTag = false;
    int nameFromCartMode = CAudioFileHeader::nameFromCutId;
    // Longest an external program (compressor, tagging tool) may run before
    // it is stopped, so that a hung one cannot stall the service.
    std::chrono::milliseconds programTimeLimit{std::chrono::minutes(10)};
};

class RelayedAudio {
public:
    // codecs: the service's codec module, for the compressor and the WMA encoder.
    RelayedAudio(FileAccess& files, audio::CodecModule& codecs, Reporter& reporter, DebugFiles& debug,
                 platform::Clock& clock, RelayedAudioSettings settings)
        : m_files(files),
          m_codecs(codecs),
          m_reporter(reporter),
          m_debug(debug),
          m_clock(clock),
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
    bool EncodeWma(const CDirOptions& route, const std::string& source, std::string& target, std::string& error);
    bool RunExternal(const CDirOptions& route, const std::string& source, std::string& target, const std::string& outputPath,
                     std::string& error);
    bool RunCompressor(const CDirOptions& route, const std::string& source, std::string& target,
                       const CAudioFileHeader& header, std::string& error);
    void TagMp3(const std::string& sourceName, const std::string& converted);
    void ReportUnconverted(const std::string& outputPath);
    bool NamesFromCart(const CAudioFileHeader& source, bool headerRead) const;

    FileAccess& m_files;
    audio::CodecModule& m_codecs;
    Reporter& m_reporter;
    DebugFiles& m_debug;
    platform::Clock& m_clock;
    RelayedAudioSettings m_settings;
};

}  // namespace pv
