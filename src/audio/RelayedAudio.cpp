#include "audio/RelayedAudio.h"

#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Process.h"
#include "platform/Wildcard.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

bool IsAudioName(const std::string& name) {
    const std::string ext = LowerExtension(name);
    return ext == ".wav" || ext == ".mp2" || ext == ".mp3" || ext == ".mp4" || ext == ".3gp";
}

// The file name part of a path: after its last "/" and its last "\".
std::string NameOf(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ReplaceExtension(const std::string& path, const std::string& extensionFrom) {
    const std::string name = NameOf(extensionFrom);
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0) return path;
    const size_t cut = path.find_last_of("\\/");
    const size_t nameStart = cut == std::string::npos ? 0 : cut + 1;
    const size_t oldDot = path.rfind('.');
    const std::string stem = (oldDot == std::string::npos || oldDot < nameStart) ? path : path.substr(0, oldDot);
    return stem + name.substr(dot);
}

}  // namespace

bool RelayedAudio::NeedsConversion(const CDirOptions& route, const std::string& sourceName,
                                   const CAudioFileHeader& header, bool formatRead, bool convertCartToChunk) {
    if (!IsAudioName(sourceName) || route.Conversion() == AudioConversion::none) return false;
    const int sourceTag = formatRead ? header.FormatTag() : -1;
    if (sourceTag != route.m_nAudioFormat || convertCartToChunk) return true;
    if (!route.m_bLockSampleOnDecode) return false;
    if (static_cast<int>(header.SampleRate()) == route.m_nLockedSampleRate) return false;
    const bool mp3Kept = route.m_bDontRecompressMP3Files && LowerExtension(sourceName) == ".mp3" &&
                         (route.m_nAudioFormat == kAudioFormatMpegLayer3 || route.m_nAudioFormat == 1001);
    return !mp3Kept;
}

ConvertedFile RelayedAudio::ConvertRelayedAudio(const CDirOptions& route, const std::string& workingFile,
                                                const std::string& sourceName, std::string& outputPath) {
    // Only audio files of a route that converts are ever looked into.
    if (!IsAudioName(sourceName) || route.Conversion() == AudioConversion::none) return {};
    CAudioFileHeader header(&m_reporter);
    const bool headerRead = header.ReadHeader(workingFile);
    // A WAV file cut short (its data chunk says more than the file holds)
    // still says what its samples are, so the same-format rule passes it on
    // as it passes on the whole file.
    const bool formatRead = headerRead || header.DataCutShort();
    if (!NeedsConversion(route, sourceName, header, formatRead, m_settings.convertCartToChunk)) return {};
    const int sourceTag = formatRead ? header.FormatTag() : 0;
    m_debug.Write("Attempting to recompress file.\n    Input file: " + workingFile + "\n    Source format: " +
                  std::to_string(sourceTag) + "\n    Destination format: " + std::to_string(route.m_nAudioFormat) +
                  "\n    pDirOptions->m_bDontRecompressMP3Files: " + (route.m_bDontRecompressMP3Files ? "1" : "0") +
                  "\n");
    std::string target = m_files.TempFolder() + "x";
    CFTPFile(m_files).MakeTempName(target);
    std::string error;
    if (!m_converter.Convert(ConversionTarget::OfRoute(route), workingFile, target, NameOf(outputPath), header, error)) {
        platform::RemoveFile(target);
        if (!error.empty()) m_reporter.Status(error, true);
        ReportUnconverted(outputPath);
        return {.file = {}, .failed = true};
    }
    outputPath = ReplaceExtension(outputPath, target);
    if (route.m_bId3TagMp3Files) TagMp3(sourceName, target);
    if (NamesFromCart(header, headerRead)) {
        CAudioFileHeader converted(&m_reporter);
        converted.SetInfoFromCart(header, target, m_settings.saveEntireCartDataToTag);
        converted.NameFromCart(header, outputPath, m_settings.nameFromCartMode);
    }
    return {.file = target, .failed = false};
}

void RelayedAudio::NameConvertedOutput(const std::string& workingFile, const ConvertedFile& converted,
                                       std::string& outputPath) {
    if (converted.failed) {
        ReportUnconverted(outputPath);
        return;
    }
    if (converted.file.empty()) return;
    outputPath = ReplaceExtension(outputPath, converted.file);
    CAudioFileHeader header(&m_reporter);
    const bool headerRead = header.ReadHeader(workingFile);
    if (NamesFromCart(header, headerRead))
        CAudioFileHeader(&m_reporter).NameFromCart(header, outputPath, m_settings.nameFromCartMode);
}

bool RelayedAudio::NamesFromCart(const CAudioFileHeader& source, bool headerRead) const {
    return headerRead && source.HasCart() && m_settings.convertCartToChunk;
}

void RelayedAudio::ReportUnconverted(const std::string& outputPath) {
    m_reporter.Status("Unable to compress audio file " + WithoutCredentials(outputPath) + ".", true);
    m_reporter.Status("Moving the file " + WithoutCredentials(outputPath) + " as is instead of compressing it.", true);
}

void RelayedAudio::TagMp3(const std::string& sourceName, const std::string& converted) {
    const size_t dot = sourceName.rfind('.');
    const std::string title = (dot == std::string::npos || dot == 0) ? sourceName : sourceName.substr(0, dot);
    std::string tool, file;
    if (!platform::ToHostPath(JoinPath(m_settings.workingFolder, "id3.exe"), tool) ||
        !platform::ToHostPath(converted, file))
        return;
    platform::ProcessOptions options;
    options.timeLimit = m_settings.programTimeLimit;
    platform::RunProcess({tool, "-2", "-t", title, file}, options);
}

}  // namespace pv
