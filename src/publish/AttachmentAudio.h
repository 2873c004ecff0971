#pragma once
// What a folder alias asks of a story's attached audio: the clip put in
// front of it (and, when asked, behind it again), and the format it is
// converted to.  The decisions here are pure; AttachmentTransfer acts on them.
#include <string>

#include "audio/AudioConverter.h"
#include "audio/AudioFileHeader.h"
#include "config/DirOptions.h"
#include "transport/FileData.h"

namespace pv {

struct AttachmentAudioPlan {
    // The alias's audio_format, audio_bitrate, audio_ratio and
    // wma_profile_filename (each the route's unless the alias names its
    // own), with the route's sample-rate lock.
    ConversionTarget target;
    std::string prependName;  // audio_to_prepend: a play name; empty: none
    int prependSilenceMs = 0;
    bool appendToo = false;  // append_prepended_audio
    int appendSilenceMs = 0;

    static AttachmentAudioPlan Of(const CFileData::AliasOptions& options, const CDirOptions& route);
};

// Whether a name is an audio file an attachment may convert: ".wav",
// ".mp2" or ".mp3" (any case).
bool IsAttachedAudioName(const std::string& name);

// The extension (with its dot) the output is expected to end in, which
// replaces the attachment's own before anything is converted; empty when
// the name keeps its extension.  No conversion (format 0) keeps it; a
// profile gives ".wma"; with a clip to put in front, a ratio or a bit rate,
// format 80 gives ".mp2" and 85 ".mp3"; an operator's program the
// extension its "%d Ext" gives the converted file.
std::string ExpectedExtension(const AttachmentAudioPlan& plan, const AudioConverterSettings& settings);

// Whether the file is converted: never for format 0; always with a
// profile (a PCM file is encoded, never just renamed); otherwise when its
// format tag is not the target's, or the route locks a sample rate the file
// does not have.
bool NeedsConversion(const ConversionTarget& target, const CAudioFileHeader& header);

// The extension of a path's name: from its last "." on (a name that starts
// with its only "." has none).
std::string ExtensionOf(const std::string& path);
// path with its extension replaced by `extension` (with its dot); as it is
// when `extension` is empty.
std::string WithExtension(const std::string& path, const std::string& extension);

}  // namespace pv
