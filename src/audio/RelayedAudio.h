#pragma once
// Converts relayed audio on its way to an output: to the route's target
// format through the compressor, to WMA through a profile, or with an
// operator's external program; then the MP3 tagging tool and the cart data.
// A conversion that fails never loses the file: it goes out unchanged.
#include <chrono>
#include <string>

#include "audio/AudioFileHeader.h"
#include "config/DirOptions.h"
#include "notify/DebugFiles.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
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
    RelayedAudio(FileAccess& files, Reporter& reporter, DebugFiles& debug, platform::Clock& clock,
                 RelayedAudioSettings settings)
        : m_files(files), m_reporter(reporter), m_debug(debug), m_clock(clock), m_settings(std::move(settings)) {}

    // The converted file to deliver (outputPath may take its extension or a
    // name from the cart chunk), or an empty text to deliver workingFile as it is.
    std::string ConvertRelayedAudio(CDirOptions& route, const std::string& workingFile, const std::string& sourceName,
                                    std::string& outputPath);

    // Whether the route converts this file at all.
    // formatRead: the header's format record was read from the file.
    static bool NeedsConversion(const CDirOptions& route, const std::string& sourceName,
                                const CAudioFileHeader& header, bool formatRead, bool convertCartToChunk);

private:
    bool EncodeWma(CDirOptions& route, const std::string& source, std::string& target, std::string& error);
    bool RunExternal(CDirOptions& route, const std::string& source, std::string& target, const std::string& outputPath,
                     std::string& error);
    bool RunCompressor(CDirOptions& route, const std::string& source, std::string& target,
                       const CAudioFileHeader& header, std::string& error);
    void TagMp3(const std::string& sourceName, const std::string& converted);

    FileAccess& m_files;
    Reporter& m_reporter;
    DebugFiles& m_debug;
    platform::Clock& m_clock;
    RelayedAudioSettings m_settings;
};

}  // namespace pv
