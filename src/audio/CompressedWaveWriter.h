#pragma once
// Writes the destination of a conversion: the RIFF WAVE form with "fmt ",
// "fact" (MPEG only), "data" and the tag block, in that order, each chunk
// completed before the next.  A destination that is not finished is removed.
#include <cstdint>
#include <string>

#include "audio/RiffWriter.h"
#include "audio/WaveFormat.h"
#include "platform/File.h"

namespace pv::audio {

class CompressedWaveWriter {
public:
    CompressedWaveWriter() = default;
    ~CompressedWaveWriter() { Abandon(); }
    CompressedWaveWriter(const CompressedWaveWriter&) = delete;
    CompressedWaveWriter& operator=(const CompressedWaveWriter&) = delete;

    // Creates the file and writes everything up to the start of the samples.
    bool Begin(const std::string& path, const WaveFormat& format, std::string& errorText);
    bool WriteSamples(const std::string& bytes, std::string& errorText);
    // Completes the data chunk, adds the tag block (when not empty), the
    // RIFF size and the sample count of the "fact" chunk, and closes.
    bool Finish(int64_t sampleCount, const std::string& tagBlock, bool withTags, std::string& errorText);
    // Closes and removes an unfinished file.
    void Abandon();

private:
    bool Fail(const std::string& message, std::string& errorText);
    bool WriteFact(std::string& errorText);
    bool WriteTags(const std::string& tagBlock, std::string& errorText);

    platform::File m_file;
    RiffWriter m_riff{m_file};
    std::string m_path;
    bool m_hasFact = false;
    int64_t m_factValueOffset = 0;
    bool m_finished = false;
};

}  // namespace pv::audio
