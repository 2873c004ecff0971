#include "audio/AudioFormatPrograms.h"

#include "config/SettingsReads.h"

namespace pv {

namespace {

constexpr const char* kSection = "Audio Formats";

}  // namespace

AudioFormatProgram ReadAudioFormatProgram(const std::string& settingsFile, int number,
                                          const std::string& compressionBatchFolder) {
    SettingsReader reads(settingsFile);
    AudioFormatProgram format;
    format.program = reads.String(kSection, std::to_string(number) + " Exe", "echo");
    format.suffix = reads.String(kSection, std::to_string(number) + " Ext", "mp3");
    const bool hasFolder =
        format.program.find('\\') != std::string::npos || (!format.program.empty() && format.program.front() == '/');
    if (!hasFolder) format.program = compressionBatchFolder + format.program;
    return format;
}

std::string SuffixExtension(const std::string& suffix) {
    const size_t dot = suffix.rfind('.');
    if (dot == std::string::npos || suffix.find_first_of("\\/", dot) != std::string::npos) return {};
    return suffix.substr(dot);
}

}  // namespace pv
