#pragma once
// CWMMain: encodes one PCM WAV file into a WMA file (ASF container) as a
// saved encoding profile (".prx") says.  The source must already be in the
// PCM format the profile expects (its rate and channels, 16 bits): the
// encoder never resamples or converts, and the profile decides the codec,
// bit rate and channels of the output.  One encoder per conversion, used by
// one thread.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audio/WaveFormat.h"
#include "audio/WmaProfile.h"

namespace pv {

class CFTPFile;
class FileAccess;

namespace audio {
class CodecModule;
class WmaStream;
}

// Result codes: 0 is success, negative is failure.
constexpr int32_t kWmaOk = 0;
constexpr int32_t kWmaFailed = static_cast<int32_t>(0x80004005u);            // any other failure
constexpr int32_t kWmaPathNotFound = static_cast<int32_t>(0x80070003u);      // destination has no host path
constexpr int32_t kWmaInvalidData = static_cast<int32_t>(0x8007000Du);       // profile text unusable
constexpr int32_t kWmaOutOfMemory = static_cast<int32_t>(0x8007000Eu);       // also: destination too short
constexpr int32_t kWmaInvalidArgument = static_cast<int32_t>(0x80070057u);   // profile file cannot be opened
constexpr int32_t kWmaNoPcmInputFormat = static_cast<int32_t>(0xC00D0BB8u);  // profile's codec not encodable

// One sample handed to the writer: `size` bytes of the data chunk from
// `offset`, at `time` in 100-nanosecond units.
struct WmaSample {
    uint64_t offset = 0;
    uint32_t size = 0;
    uint64_t time = 0;
};

// The sample that starts bytesDone bytes into a data chunk of dataSize
// bytes: one second of audio, less at the end; time = bytesDone * 10^7 /
// bytesPerSecond, rounded down.  Size 0 when the data is used up.
WmaSample OneSecondSample(uint64_t bytesDone, uint64_t dataSize, uint32_t bytesPerSecond);
// Every sample of a data chunk, in order.
std::vector<WmaSample> OneSecondSamples(uint64_t dataSize, uint32_t bytesPerSecond);

// Writes one WMA file: given a profile it names the PCM input it accepts
// (none when the profile's codec, rate, channels or bit rate cannot be
// encoded, or when the codec module cannot be loaded), then takes timed PCM
// samples and writes the ASF output.
class WmaWriter {
public:
    explicit WmaWriter(audio::CodecModule& codecs);
    ~WmaWriter();
    WmaWriter(const WmaWriter&) = delete;
    WmaWriter& operator=(const WmaWriter&) = delete;

    // Replaces the profile; ends any unfinished output first.
    void SetProfile(const audio::WmaProfile& profile);
    int InputFormatCount(int input) const;
    int32_t GetInputFormat(int input, int index, audio::WaveFormat& format) const;
    int32_t SetInputProps(int input, const audio::WaveFormat& format);
    // A host path.
    int32_t SetOutputFilename(const std::string& hostPath);
    // Creates the output file and writes its header.
    int32_t BeginWriting();
    // Interleaved PCM of the input format; time in 100-ns units.
    int32_t WriteSample(int input, uint64_t time, const uint8_t* data, size_t size);
    // Encodes what is queued and finishes the file.
    int32_t EndWriting();
    // Drops an unfinished output; true when a file had been created for it
    // (the caller removes that partial file).
    bool Abort();

    // Why the codec module could not be loaded; empty when it is loaded.
    const std::string& EngineError() const { return m_engineError; }
    // The profile's values the encoders cannot serve (audio::kWmaValue...
    // bits); 0 when it has an input format, or when no codecs are loaded.
    unsigned UnsupportedValues() const { return m_unsupported; }

private:
    audio::CodecModule& m_codecs;
    audio::WmaProfile m_profile;
    unsigned m_unsupported = 0;
    std::vector<audio::WaveFormat> m_inputFormats;
    audio::WaveFormat m_input;
    std::string m_hostPath;
    std::unique_ptr<audio::WmaStream> m_output;
    std::string m_engineError;
};

class CWMMain {
public:
    // codecs: the service's codec module, loaded when the writer needs it.
    CWMMain(FileAccess& access, audio::CodecModule& codecs);
    virtual ~CWMMain();
    CWMMain(const CWMMain&) = delete;
    CWMMain& operator=(const CWMMain&) = delete;

    // Encodes sourcePath into destinationPath (".wma" appended unless it ends
    // so; the caller goes on with the changed path) as the profile says.  The
    // source is read through the file access with fileObject's FTP user and
    // password.  0 on success; negative on failure, with ErrorText() set for
    // the failures that have a message.  A partial output is removed.
    int32_t Encode(const std::string& sourcePath, std::string& destinationPath, const std::string& profilePath,
                   CFTPFile& fileObject);
    int32_t LoadProfile(const std::string& profilePath, audio::WmaProfile& profile);
    // Afterwards the encoder holds a writer, kept for its whole life.
    int32_t GetWriter();
    // The first PCM input format the writer offers for the input.
    int32_t FindPcmInputFormat(WmaWriter& writer, int input, audio::WaveFormat& format);

    WmaWriter* Writer() { return m_pWriter.get(); }
    const std::string& ErrorText() const { return m_strErrorText; }
    int32_t LastResult() const { return m_hrLastResult; }

private:
    struct SourceLayout {
        audio::WaveFormat format;
        uint32_t dataSize = 0;
    };

    int32_t Result(int32_t code) { return m_hrLastResult = code; }
    bool Failed(int32_t code);
    bool FailedWith(const char* pattern, const std::string& path, int32_t code = kWmaFailed);
    bool ReadSourceLayout(CFTPFile& source, const std::string& sourcePath, SourceLayout& layout);
    bool PrepareWriter(const std::string& profilePath, const audio::WaveFormat& sourceFormat);
    bool WriteOutput(CFTPFile& source, const SourceLayout& layout, const std::string& destinationPath);
    bool WriteSamples(CFTPFile& source, const SourceLayout& layout);

    FileAccess& m_access;
    audio::CodecModule& m_codecs;
    std::unique_ptr<WmaWriter> m_pWriter;
    std::string m_strErrorText;
    int32_t m_hrLastResult = kWmaOk;
};

}  // namespace pv
