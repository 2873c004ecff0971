#pragma once
// The operator's conversion programs of section "Audio Formats": program n
// is "%d Exe" (default "echo"; a name without folder lies in the
// compression batch folder) and "%d Ext" (default "mp3"), the text appended
// to the converted file's name as written, so a value meant as an
// extension carries its own dot.  Both keys are written back as read.
// Every conversion reads them here, so they have one default each.
#include <string>

namespace pv {

struct AudioFormatProgram {
    std::string program;  // as the settings name it, completed with the batch folder
    std::string suffix;   // "%d Ext" as written
};

AudioFormatProgram ReadAudioFormatProgram(const std::string& settingsFile, int number,
                                          const std::string& compressionBatchFolder);

// The extension a name gets when the suffix is appended to it: the suffix
// from its last "." on ("mp3" gives none, ".mp3" gives ".mp3").
std::string SuffixExtension(const std::string& suffix);

}  // namespace pv
