#include "audio/WmaEncoder.h"

#include <algorithm>
#include <utility>

#include "audio/ByteOrder.h"
#include "audio/CodecEngine.h"
#include "platform/File.h"
#include "platform/FileSystem.h"
#include "platform/HostPath.h"
#include "transport/Credentials.h"
#include "transport/FtpFile.h"

namespace pv {

namespace {

constexpr uint64_t kTimeUnitsPerSecond = 10'000'000;  // sample times count 100 ns
constexpr int64_t kMaxProfileBytes = 1 << 20;          // saved profiles are a few KB
// A PCM "fmt " chunk holds 16 bytes, 18 with the extra size, 40 at most in
// the extensible form; anything else cannot be a source we accept.
constexpr uint32_t kSmallestFmtSize = 16;
constexpr uint32_t kLargestFmtSize = 40;
constexpr uint16_t kInputBits = 16;

constexpr unsigned kSourceMode = platform::File::modeRead | platform::File::shareDenyNone | platform::File::typeBinary;
constexpr unsigned kProfileMode = platform::File::modeRead | platform::File::shareDenyNone;

constexpr const char* kCantOpen = "Can't open file %s.";
constexpr const char* kCantRead = "Can't read file %s.";
constexpr const char* kNotCorrectFormat = "File is not the correct format: %s.";
constexpr const char* kNoProfile = "Profile does not exist: %s.";
constexpr const char* kNoMatch = "Audio file does not match profile %s.";
constexpr const char* kNoCodecs = "Can't load the audio codecs: ";
constexpr const char* kUnsupported = "Profile %s asks for what the WMA encoder does not support: ";

// The message with the path in it; FTP credentials in the path are never shown.
std::string WithPath(const char* pattern, const std::string& path) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, WithoutCredentials(path));
    return text;
}

std::string CodecName(uint16_t formatTag) {
    switch (formatTag) {
        case audio::kWmaVoice: return " (WMA Voice)";
        case audio::kWmaVersion1: return " (WMA 1)";
        case audio::kWmaVersion2: return " (WMA 2)";
        case audio::kWmaPro: return " (WMA Pro)";
        case audio::kWmaLossless: return " (WMA Lossless)";
        default: return "";
    }
}

// The values of the profile that the encoders cannot serve, named with the
// profile's own numbers so the operator knows what to change.
std::string UnsupportedText(const audio::WmaProfile& p, unsigned values) {
    const std::string tag = "format tag " + std::to_string(p.formatTag) + CodecName(p.formatTag);
    const std::string channels = std::to_string(p.channels) + (p.channels == 1 ? " channel" : " channels");
    const std::string rate = "sample rate " + std::to_string(p.samplesPerSec) + " Hz";
    const std::string bitRate = "bit rate " + std::to_string(p.bitRate) + " bit/s";
    if (values & audio::kWmaValueCombination)
        return tag + " with " + channels + ", " + rate + " and " + bitRate + " together.";
    std::string text;
    const std::pair<unsigned, const std::string*> parts[] = {{audio::kWmaValueFormatTag, &tag},
                                                             {audio::kWmaValueChannels, &channels},
                                                             {audio::kWmaValueSampleRate, &rate},
                                                             {audio::kWmaValueBitRate, &bitRate}};
    for (const auto& [bit, part] : parts) {
        if (values & bit) text += (text.empty() ? "" : ", ") + *part;
    }
    return text + ".";
}

bool EndsWithWma(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return tail == ".wma";
}

// Reads until count bytes are there or the file gives no more.
template <typename FileType>
int64_t ReadFully(FileType& file, void* buffer, int64_t count) {
    int64_t done = 0;
    while (done < count) {
        const int64_t n = file.Read(static_cast<char*>(buffer) + done, count - done);
        if (n <= 0) break;
        done += n;
    }
    return done;
}

bool SameSampleFormat(const audio::WaveFormat& a, const audio::WaveFormat& b) {
    return a.tag == b.tag && a.channels == b.channels && a.samplesPerSec == b.samplesPerSec &&
           a.bitsPerSample == b.bitsPerSample;
}

// The PCM the writer takes for a profile: its rate and channels, 16 bits.
audio::WaveFormat PcmInput(const audio::WmaProfile& profile) {
    audio::WaveFormat format;
    format.tag = audio::kFormatPcm;
    format.channels = profile.channels;
    format.samplesPerSec = profile.samplesPerSec;
    format.bitsPerSample = kInputBits;
    format.blockAlign = static_cast<uint16_t>(profile.channels * (kInputBits / 8));
    format.avgBytesPerSec = profile.samplesPerSec * format.blockAlign;
    return format;
}

}  // namespace

// --- sample slices -------------------------------------------------------------

WmaSample OneSecondSample(uint64_t bytesDone, uint64_t dataSize, uint32_t bytesPerSecond) {
    WmaSample sample;
    sample.offset = bytesDone;
    if (bytesPerSecond == 0 || bytesDone >= dataSize) return sample;
    sample.size = static_cast<uint32_t>(std::min<uint64_t>(bytesPerSecond, dataSize - bytesDone));
    // bytesDone * 10^7 / bytesPerSecond, rounded down, without overflow.
    sample.time = bytesDone / bytesPerSecond * kTimeUnitsPerSecond +
                  bytesDone % bytesPerSecond * kTimeUnitsPerSecond / bytesPerSecond;
    return sample;
}

std::vector<WmaSample> OneSecondSamples(uint64_t dataSize, uint32_t bytesPerSecond) {
    std::vector<WmaSample> samples;
    for (uint64_t done = 0;;) {
        const WmaSample sample = OneSecondSample(done, dataSize, bytesPerSecond);
        if (sample.size == 0) return samples;
        samples.push_back(sample);
        done += sample.size;
    }
}

// --- WmaWriter -----------------------------------------------------------------

WmaWriter::WmaWriter(audio::CodecModule& codecs) : m_codecs(codecs) {}
WmaWriter::~WmaWriter() = default;

void WmaWriter::SetProfile(const audio::WmaProfile& profile) {
    m_output.reset();
    m_profile = profile;
    m_input = {};
    m_inputFormats.clear();
    const audio::CodecEngine* engine = m_codecs.Engine(&m_engineError);
    m_unsupported = engine ? engine->UnsupportedWmaValues(profile) : 0;
    if (engine && m_unsupported == 0) m_inputFormats.push_back(PcmInput(profile));
}

int WmaWriter::InputFormatCount(int input) const { return input == 0 ? static_cast<int>(m_inputFormats.size()) : 0; }

int32_t WmaWriter::GetInputFormat(int input, int index, audio::WaveFormat& format) const {
    if (index < 0 || index >= InputFormatCount(input)) return kWmaInvalidArgument;
    format = m_inputFormats[static_cast<size_t>(index)];
    return kWmaOk;
}

int32_t WmaWriter::SetInputProps(int input, const audio::WaveFormat& format) {
    if (InputFormatCount(input) == 0 || !SameSampleFormat(format, m_inputFormats.front())) return kWmaNoPcmInputFormat;
    m_input = format;
    return kWmaOk;
}

int32_t WmaWriter::SetOutputFilename(const std::string& hostPath) {
    if (hostPath.empty()) return kWmaInvalidArgument;
    m_hostPath = hostPath;
    return kWmaOk;
}

int32_t WmaWriter::BeginWriting() {
    if (m_input.tag != audio::kFormatPcm || m_hostPath.empty()) return kWmaInvalidArgument;
    const audio::CodecEngine* engine = m_codecs.Engine(&m_engineError);
    if (!engine) return kWmaFailed;
    m_output = engine->NewWmaStream();
    return m_output->Open(m_profile, m_hostPath) ? kWmaOk : kWmaFailed;
}

int32_t WmaWriter::WriteSample(int input, uint64_t time, const uint8_t* data, size_t size) {
    if (!m_output || input != 0) return kWmaInvalidArgument;
    return m_output->Queue(time, data, size) ? kWmaOk : kWmaFailed;
}

int32_t WmaWriter::EndWriting() {
    if (!m_output) return kWmaInvalidArgument;
    if (!m_output->Finish()) return kWmaFailed;
    m_output.reset();
    return kWmaOk;
}

bool WmaWriter::Abort() {
    const bool created = m_output && m_output->FileCreated();
    m_output.reset();
    return created;
}

// --- CWMMain -------------------------------------------------------------------

CWMMain::CWMMain(FileAccess& access, audio::CodecModule& codecs) : m_access(access), m_codecs(codecs) {}

CWMMain::~CWMMain() = default;

bool CWMMain::Failed(int32_t code) {
    Result(code);
    return false;
}

bool CWMMain::FailedWith(const char* pattern, const std::string& path, int32_t code) {
    m_strErrorText = WithPath(pattern, path);
    return Failed(code);
}

int32_t CWMMain::Encode(const std::string& sourcePath, std::string& destinationPath, const std::string& profilePath,
                        CFTPFile& fileObject) {
    if (destinationPath.size() <= 4) return Result(kWmaOutOfMemory);
    if (!EndsWithWma(destinationPath)) destinationPath += ".wma";
    CFTPFile source(m_access);
    source.SetCredentials(fileObject.FtpUser(), fileObject.FtpPassword());
    if (!source.Open(sourcePath, kSourceMode)) {
        FailedWith(kCantOpen, sourcePath);
        return m_hrLastResult;
    }
    SourceLayout layout;
    if (!ReadSourceLayout(source, sourcePath, layout) || !PrepareWriter(profilePath, layout.format) ||
        !WriteOutput(source, layout, destinationPath)) {
        return m_hrLastResult;
    }
    return Result(kWmaOk);
}

// "RIFF", size, "WAVE", then "fmt " with a PCM wave format, then the header
// of "data": nothing else may stand between them.
bool CWMMain::ReadSourceLayout(CFTPFile& source, const std::string& sourcePath, SourceLayout& layout) {
    unsigned char head[20];
    if (ReadFully(source, head, sizeof head) != sizeof head) return FailedWith(kCantRead, sourcePath);
    if (audio::FourCC(head) != "RIFF" || audio::FourCC(head + 8) != "WAVE" || audio::FourCC(head + 12) != "fmt ") {
        return FailedWith(kNotCorrectFormat, sourcePath);
    }
    const uint32_t fmtSize = audio::GetLE32(head + 16);
    if (fmtSize < kSmallestFmtSize || fmtSize > kLargestFmtSize) return FailedWith(kNotCorrectFormat, sourcePath);
    std::string fmt(static_cast<size_t>(audio::PadToEven(fmtSize)), '\0');  // with the pad byte of an odd size
    if (ReadFully(source, fmt.data(), static_cast<int64_t>(fmt.size())) != static_cast<int64_t>(fmt.size())) {
        return FailedWith(kCantRead, sourcePath);
    }
    if (!layout.format.Parse(fmt.substr(0, fmtSize)) || layout.format.tag != audio::kFormatPcm) {
        return FailedWith(kNotCorrectFormat, sourcePath);
    }
    unsigned char data[8];
    if (ReadFully(source, data, sizeof data) != sizeof data) return FailedWith(kCantRead, sourcePath);
    if (audio::FourCC(data) != "data") return FailedWith(kNotCorrectFormat, sourcePath);
    layout.dataSize = audio::GetLE32(data + 4);
    return true;
}

bool CWMMain::PrepareWriter(const std::string& profilePath, const audio::WaveFormat& sourceFormat) {
    audio::WmaProfile profile;
    if (LoadProfile(profilePath, profile) < 0) return FailedWith(kNoProfile, profilePath, m_hrLastResult);
    if (GetWriter() < 0) return false;
    m_pWriter->SetProfile(profile);
    audio::WaveFormat input;
    if (FindPcmInputFormat(*m_pWriter, 0, input) < 0) {
        if (!m_pWriter->EngineError().empty()) m_strErrorText = kNoCodecs + m_pWriter->EngineError();
        else if (const unsigned values = m_pWriter->UnsupportedValues(); values != 0)
            m_strErrorText = WithPath(kUnsupported, profilePath) + UnsupportedText(profile, values);
        return false;
    }
    if (Result(m_pWriter->SetInputProps(0, input)) < 0) return false;
    if (!SameSampleFormat(input, sourceFormat)) return FailedWith(kNoMatch, profilePath);
    return true;
}

bool CWMMain::WriteOutput(CFTPFile& source, const SourceLayout& layout, const std::string& destinationPath) {
    std::string hostPath;
    if (!platform::ToHostPath(destinationPath, hostPath)) return Failed(kWmaPathNotFound);
    if (Result(m_pWriter->SetOutputFilename(hostPath)) < 0) return false;
    const bool written = Result(m_pWriter->BeginWriting()) >= 0 && WriteSamples(source, layout) &&
                         Result(m_pWriter->EndWriting()) >= 0;
    if (!written && m_pWriter->Abort()) platform::RemoveFile(destinationPath);
    return written;
}

// One second of audio per sample, the last one less; a data chunk that
// declares more than the file holds ends where the file does.
bool CWMMain::WriteSamples(CFTPFile& source, const SourceLayout& layout) {
    const audio::WaveFormat& f = layout.format;
    const uint32_t bytesPerSecond = (static_cast<uint32_t>(f.channels) * f.bitsPerSample * f.samplesPerSec) >> 3;
    std::vector<uint8_t> buffer(bytesPerSecond);
    for (uint64_t bytesDone = 0;;) {
        const WmaSample sample = OneSecondSample(bytesDone, layout.dataSize, bytesPerSecond);
        if (sample.size == 0) return true;
        const int64_t got = ReadFully(source, buffer.data(), sample.size);
        if (got <= 0) return true;
        if (Result(m_pWriter->WriteSample(0, sample.time, buffer.data(), static_cast<size_t>(got))) < 0) return false;
        bytesDone += static_cast<uint64_t>(got);
    }
}

int32_t CWMMain::LoadProfile(const std::string& profilePath, audio::WmaProfile& profile) {
    platform::File file;
    if (!file.Open(profilePath, kProfileMode)) return Result(kWmaInvalidArgument);
    const int64_t size = file.Size();
    if (size < 0 || size > kMaxProfileBytes) return Result(kWmaInvalidData);
    std::string bytes(static_cast<size_t>(size), '\0');
    if (ReadFully(file, bytes.data(), size) != size) return Result(kWmaInvalidData);
    return Result(audio::ParseWmaProfile(bytes, profile) ? kWmaOk : kWmaInvalidData);
}

int32_t CWMMain::GetWriter() {
    if (!m_pWriter) m_pWriter = std::make_unique<WmaWriter>(m_codecs);
    return Result(kWmaOk);
}

int32_t CWMMain::FindPcmInputFormat(WmaWriter& writer, int input, audio::WaveFormat& format) {
    const int count = writer.InputFormatCount(input);
    for (int index = 0; index < count; ++index) {
        audio::WaveFormat candidate;
        if (Result(writer.GetInputFormat(input, index, candidate)) < 0) return m_hrLastResult;
        if (candidate.tag == audio::kFormatPcm) {
            format = candidate;
            return Result(kWmaOk);
        }
    }
    return Result(kWmaNoPcmInputFormat);
}

}  // namespace pv
