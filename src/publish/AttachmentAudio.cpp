#include "publish/AttachmentAudio.h"

#include "audio/AudioFormatPrograms.h"
#include "transport/FileNames.h"

namespace pv {

namespace {

constexpr int kFormatMpegLayer2 = 80;

// Where a path's name starts: after its last "/" or "\".
size_t NameStart(const std::string& path) {
    const size_t cut = path.find_last_of("\\/");
    return cut == std::string::npos ? 0 : cut + 1;
}

}  // namespace

AttachmentAudioPlan AttachmentAudioPlan::Of(const CFileData::AliasOptions& options, const CDirOptions& route) {
    AttachmentAudioPlan plan;
    plan.target = {options.audioFormat,        options.audioBitrate,         options.audioRatio,
                   options.wmaProfileFilename, route.m_bLockSampleOnDecode, route.m_nLockedSampleRate};
    if (options.prependAudio) plan.prependName = options.audioToPrepend;
    plan.prependSilenceMs = options.audioPrependSilence;
    plan.appendToo = options.appendPrependedAudio;
    plan.appendSilenceMs = options.audioAppendSilence;
    return plan;
}

bool IsAttachedAudioName(const std::string& name) {
    const std::string extension = LowerExtension(name.substr(NameStart(name)));
    return extension == ".wav" || extension == ".mp2" || extension == ".mp3";
}

std::string ExpectedExtension(const AttachmentAudioPlan& plan, const AudioConverterSettings& settings) {
    const ConversionTarget& target = plan.target;
    switch (target.Kind()) {
        case AudioConversion::none: return {};
        case AudioConversion::wma: return ".wma";
        case AudioConversion::externalProgram:
        case AudioConversion::compressor: break;
    }
    if (!plan.prependName.empty() || target.ratio > 1 || target.bitrate > 0) {
        if (target.format == kFormatMpegLayer2) return ".mp2";
        if (target.format == kAudioFormatMpegLayer3) return ".mp3";
        return {};
    }
    if (target.Kind() != AudioConversion::externalProgram) return {};
    return SuffixExtension(
        ReadAudioFormatProgram(settings.settingsFile, target.format, settings.compressionBatchFolder).suffix);
}

bool NeedsConversion(const ConversionTarget& target, const CAudioFileHeader& header) {
    switch (target.Kind()) {
        case AudioConversion::none: return false;
        case AudioConversion::wma: return true;
        case AudioConversion::externalProgram:
        case AudioConversion::compressor: break;
    }
    if (header.FormatTag() != target.format) return true;
    return target.lockSampleRate && static_cast<int>(header.SampleRate()) != target.lockedSampleRate;
}

std::string ExtensionOf(const std::string& path) {
    const std::string name = path.substr(NameStart(path));
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? std::string() : name.substr(dot);
}

std::string WithExtension(const std::string& path, const std::string& extension) {
    if (extension.empty()) return path;
    return path.substr(0, path.size() - ExtensionOf(path).size()) + extension;
}

}  // namespace pv
