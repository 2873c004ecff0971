#pragma once
// Joins two PCM WAV files of the same format into one, with a gap of silence
// between them, on the byte level.  Each input is "RIFF", "WAVE", a "fmt "
// chunk of 16 or 18 bytes with format tag 1, then the "data" chunk.  The
// output holds the second file's format record, the joined samples and the
// chunks that followed one file's data (its tags): the second's unless the
// caller asks for the first's.
#include <string>

namespace pv {

class CAudioFileMerge {
public:
    // Whose chunks after the data (text tags) the joined file carries.
    enum class TagsFrom { second, first };

    // Writes first + silence + second to outputPath, which may be one of the
    // inputs: the output is written to a temporary file in its folder and
    // renamed over it only when complete, so a failure changes nothing.  On
    // failure errorText says why.
    bool Merge(const std::string& firstPath, const std::string& secondPath, const std::string& outputPath,
               int silenceMs, std::string& errorText, TagsFrom tags = TagsFrom::second);
};

}  // namespace pv
