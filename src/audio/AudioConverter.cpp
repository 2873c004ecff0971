#include "audio/AudioConverter.h"

#include <cerrno>

#include "audio/AudioCompressor.h"
#include "audio/AudioFormatPrograms.h"
#include "audio/WmaEncoder.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "platform/Process.h"
#include "transport/FileNames.h"
#include "transport/FtpFile.h"
#include "transport/PathJoin.h"

namespace pv {

namespace {

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

AudioConversion ConversionTarget::Kind() const {
    if (format == kAudioFormatNone) return AudioConversion::none;
    if (!wmaProfile.empty()) return AudioConversion::wma;
    if (format >= kFirstExternalAudioFormat) return AudioConversion::externalProgram;
    return AudioConversion::compressor;
}

ConversionTarget ConversionTarget::OfRoute(const CDirOptions& route) {
    return {route.m_nAudioFormat, route.m_nAudioBitrate,       route.m_nAudioRatio,
            route.m_strWmaProfileName, route.m_bLockSampleOnDecode, route.m_nLockedSampleRate};
}

// One converter per conversion, so two never write the same file.
bool AudioConverter::Convert(const ConversionTarget& to, const std::string& source, std::string& target,
                             const std::string& outputName, const CAudioFileHeader& header, std::string& error) {
    switch (to.Kind()) {
        case AudioConversion::wma: return EncodeWma(to, source, target, error);
        case AudioConversion::externalProgram: return RunProgram(to, source, target, outputName, error);
        case AudioConversion::compressor:
        case AudioConversion::none: break;
    }
    return RunCompressor(to, source, target, header, error);
}

bool AudioConverter::RunCompressor(const ConversionTarget& to, const std::string& source, std::string& target,
                                   const CAudioFileHeader& header, std::string& error) {
    AudioCompressor compressor(m_codecs, m_clock);
    compressor.SetShare(m_settings.throttlingPercentage);
    return compressor.Compress(source, target, to.format, to.bitrate, to.ratio,
                               JoinPath(m_settings.workingFolder, "Pressvane\\Format.dat"), error, to.lockSampleRate,
                               to.lockedSampleRate, &header);
}

// Program n of section "Audio Formats" gets: the file, the path to write,
// and the name the output will have - each as one argument, never through a
// command line a shell would split.  It has failed when it exits with any
// code but 0 or leaves the path empty or missing: what it wrote then is no
// conversion to deliver in place of the file.
bool AudioConverter::RunProgram(const ConversionTarget& to, const std::string& source, std::string& target,
                                const std::string& outputName, std::string& error) {
    const int n = to.format;
    const AudioFormatProgram format =
        ReadAudioFormatProgram(m_settings.settingsFile, n, m_settings.compressionBatchFolder);
    const std::string& program = format.program;
    std::string hostProgram, hostSource, hostTarget;
    platform::ToHostPath(program, hostProgram);
    platform::ToHostPath(source, hostSource);
    platform::ToHostPath(target, hostTarget);
    platform::ProcessOptions options;
    options.timeLimit = m_settings.programTimeLimit;
    const platform::ProcessResult result =
        platform::RunProcess(platform::CommandForScript(hostProgram, {hostSource, hostTarget, outputName}), options);
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
    const std::string renamed = folder + name + format.suffix;
    if (renamed != target && !platform::RenameReplace(target, renamed, &error)) return false;
    target = renamed;
    return true;
}

bool AudioConverter::EncodeWma(const ConversionTarget& to, const std::string& source, std::string& target,
                               std::string& error) {
    CWMMain encoder(m_files, m_codecs);
    CFTPFile fileObject(m_files);
    std::string destination = target;
    const int32_t result = encoder.Encode(source, destination, to.wmaProfile, fileObject);
    if (result != 0) {
        error = encoder.ErrorText();
        platform::RemoveFile(destination);
        return false;
    }
    target = destination;
    return true;
}

}  // namespace pv
