#include "audio/RelayedAudio.h"

#include <cerrno>

#include "audio/AudioCompressor.h"
#include "audio/WmaEncoder.h"
#include "config/SettingsReads.h"
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

// Why an external program could not run, in the words operators know.  A
// file the system cannot execute (ENOEXEC: neither a binary nor a script
// with a "#!" line; EACCES: no execute permission) is no batch or executable.
std::string StartFailure(const std::string& program, const std::string& source, const std::string& target,
                         int startErrno) {
    switch (startErrno) {
        case ENOENT: return "Compression: File not found: " + program;
        case E2BIG: return "Compression arguments exceed 1024 bytes.\n" + source + "\n" + target;
        case ENOEXEC:
        case EACCES: return "Compression: File is not a batch or executable: " + program;
        case ENOMEM: return "Compression: Not enough memory.";
        case EINVAL: return "Compression Internal failure. Call Quillmark";
        default: break;
    }
    if (platform::Exists(program) != platform::Existence::present) return "Compression: File not found: " + program;
    if (!platform::IsExecutable(program)) return "Compression: File is not a batch or executable: " + program;
    return "Compression Unknown Internal failure. Call Quillmark";
}

std::string SecondsText(std::chrono::milliseconds limit) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limit).count();
    return std::to_string(seconds) + (seconds == 1 ? " second" : " seconds");
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
    bool ok = false;
    // One converter per route, in this order, so two never write the same file.
    switch (route.Conversion()) {
        case AudioConversion::wma: ok = EncodeWma(route, workingFile, target, error); break;
        case AudioConversion::externalProgram: ok = RunExternal(route, workingFile, target, outputPath, error); break;
        case AudioConversion::compressor:
        case AudioConversion::none: ok = RunCompressor(route, workingFile, target, header, error); break;
    }
    if (!ok) {
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

bool RelayedAudio::RunCompressor(const CDirOptions& route, const std::string& source, std::string& target,
                                 const CAudioFileHeader& header, std::string& error) {
    AudioCompressor compressor(m_codecs, m_clock);
    compressor.SetShare(m_settings.throttlingPercentage);
    return compressor.Compress(source, target, route.m_nAudioFormat, route.m_nAudioBitrate, route.m_nAudioRatio,
                               JoinPath(m_settings.workingFolder, "Pressvane\\Format.dat"), error,
                               route.m_bLockSampleOnDecode, route.m_nLockedSampleRate, &header);
}

// Program n of section "Audio Formats" gets: the file, the path to write,
// and the name the output will have - each as one argument, never through a
// command line a shell would split.  It has failed when it exits with any
// code but 0 or leaves the path empty or missing: what it wrote then is no
// conversion to deliver in place of the file.
bool RelayedAudio::RunExternal(const CDirOptions& route, const std::string& source, std::string& target,
                               const std::string& outputPath, std::string& error) {
    const int n = route.m_nAudioFormat;
    SettingsReader reads(m_settings.settingsFile);
    std::string program = reads.String("Audio Formats", std::to_string(n) + " Exe", "echo");
    const std::string extension = reads.String("Audio Formats", std::to_string(n) + " Ext", "mp3");
    const bool hasFolder = program.find('\\') != std::string::npos || (!program.empty() && program.front() == '/');
    if (!hasFolder) program = m_settings.compressionBatchFolder + program;
    std::string hostProgram, hostSource, hostTarget;
    platform::ToHostPath(program, hostProgram);
    platform::ToHostPath(source, hostSource);
    platform::ToHostPath(target, hostTarget);
    platform::ProcessOptions options;
    options.timeLimit = m_settings.programTimeLimit;
    const platform::ProcessResult result =
        platform::RunProcess(platform::CommandForScript(hostProgram, {hostSource, hostTarget, NameOf(outputPath)}),
                             options);
    std::string failure;
    if (!result.started) failure = StartFailure(program, source, target, result.startErrno) + "\n";
    else if (result.timedOut)
        failure = "Compression: " + program + " did not end within its time limit of " +
                  SecondsText(m_settings.programTimeLimit) + " and was stopped.\n";
    else if (result.signal != 0) failure = "Compression: " + program + " was stopped by signal " + std::to_string(result.signal) + ".\n";
    else if (result.exitCode != 0)
        failure = "Compression: " + program + " ended with exit code " + std::to_string(result.exitCode) + ".\n";
    else if (platform::FileSize(target) <= 0) failure = "Compression: " + program + " wrote no output.\n";
    if (!failure.empty()) {
        error = failure + "Failed to compress audio file using compression " + std::to_string(n);
        return false;
    }
    std::string folder, name;
    SplitFolderAndName(target, &folder, &name);
    const std::string renamed = folder + name + extension;
    if (renamed != target && !platform::RenameReplace(target, renamed, &error)) return false;
    target = renamed;
    return true;
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

bool RelayedAudio::EncodeWma(const CDirOptions& route, const std::string& source, std::string& target, std::string& error) {
    CWMMain encoder(m_files, m_codecs);
    CFTPFile fileObject(m_files);
    std::string destination = target;
    const int32_t result = encoder.Encode(source, destination, route.m_strWmaProfileName, fileObject);
    if (result != 0) {
        error = encoder.ErrorText();
        platform::RemoveFile(destination);
        return false;
    }
    target = destination;
    return true;
}

}  // namespace pv
