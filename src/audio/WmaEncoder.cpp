#include "audio/WmaEncoder.h"

#include <algorithm>
#include <climits>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/mathematics.h>
}

#include "audio/ByteOrder.h"
#include "audio/FfmpegHandles.h"
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

// The message with the path in it; FTP credentials in the path are never shown.
std::string WithPath(const char* pattern, const std::string& path) {
    std::string text = pattern;
    text.replace(text.find("%s"), 2, WithoutCredentials(path));
    return text;
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

// --- FFmpeg side -------------------------------------------------------------

struct FormatContextFree {
    void operator()(AVFormatContext* p) const {
        if (p->pb) avio_closep(&p->pb);
        avformat_free_context(p);
    }
};
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;

const AVCodec* EncoderFor(uint16_t formatTag) {
    switch (formatTag) {
        case audio::kWmaVersion1: return avcodec_find_encoder_by_name("wmav1");
        case audio::kWmaVersion2: return avcodec_find_encoder_by_name("wmav2");
        default: return nullptr;
    }
}

// An encoder opened as the profile says, or null when it cannot be.
audio::CodecContextPtr OpenEncoder(const audio::WmaProfile& profile) {
    audio::SilenceFfmpegLog();
    const AVCodec* codec = EncoderFor(profile.formatTag);
    if (!codec || profile.samplesPerSec > INT_MAX) return nullptr;
    audio::CodecContextPtr context(avcodec_alloc_context3(codec));
    if (!context) return nullptr;
    context->sample_rate = static_cast<int>(profile.samplesPerSec);
    av_channel_layout_default(&context->ch_layout, profile.channels);
    context->sample_fmt = AV_SAMPLE_FMT_FLTP;
    context->bit_rate = profile.bitRate;
    context->time_base = AVRational{1, context->sample_rate};
    if (avcodec_open2(context.get(), codec, nullptr) < 0 || context->frame_size <= 0) return nullptr;
    return context;
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

// Interleaved 16-bit samples into one float plane per channel.
void ToPlanarFloat(const uint8_t* data, int samples, int channels, std::vector<std::vector<float>>& planes) {
    planes.resize(static_cast<size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        std::vector<float>& plane = planes[static_cast<size_t>(c)];
        plane.resize(static_cast<size_t>(samples));
        const uint8_t* p = data + 2 * c;
        for (int i = 0; i < samples; ++i, p += 2 * channels) {
            plane[static_cast<size_t>(i)] = static_cast<float>(static_cast<int16_t>(audio::GetLE16(p))) / 32768.0f;
        }
    }
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

// One output file being written: the encoder, the ASF muxer and the queue
// that cuts the samples into encoder frames.
struct WmaWriter::Output {
    audio::CodecContextPtr codec;
    FormatContextPtr format;
    AVStream* stream = nullptr;
    audio::FramePtr frame;
    audio::PacketPtr packet;
    audio::FifoPtr fifo;
    std::vector<std::vector<float>> planes;
    int64_t nextPts = 0;  // of the first queued sample, in samples
    bool fileCreated = false;

    bool Open(const audio::WmaProfile& profile, const std::string& hostPath);
    bool AllocateQueue();
    bool Queue(uint64_t time, const uint8_t* data, size_t size);
    bool EncodeFrame(int samples);
    bool Drain();
    bool Finish();
};

bool WmaWriter::Output::Open(const audio::WmaProfile& profile, const std::string& hostPath) {
    codec = OpenEncoder(profile);
    AVFormatContext* context = nullptr;
    if (!codec || avformat_alloc_output_context2(&context, nullptr, "asf", nullptr) < 0 || !context) return false;
    format.reset(context);
    stream = avformat_new_stream(context, nullptr);
    if (!stream || avcodec_parameters_from_context(stream->codecpar, codec.get()) < 0) return false;
    stream->time_base = codec->time_base;
    // "file:" keeps a ':' in the name from being read as a protocol.
    const std::string url = "file:" + hostPath;
    if (avio_open(&context->pb, url.c_str(), AVIO_FLAG_WRITE) < 0) return false;
    fileCreated = true;
    return avformat_write_header(context, nullptr) >= 0 && AllocateQueue();
}

bool WmaWriter::Output::AllocateQueue() {
    frame.reset(av_frame_alloc());
    packet.reset(av_packet_alloc());
    fifo.reset(av_audio_fifo_alloc(codec->sample_fmt, codec->ch_layout.nb_channels, codec->frame_size));
    if (!frame || !packet || !fifo) return false;
    frame->format = codec->sample_fmt;
    frame->nb_samples = codec->frame_size;
    frame->sample_rate = codec->sample_rate;
    return av_channel_layout_copy(&frame->ch_layout, &codec->ch_layout) >= 0 &&
           av_frame_get_buffer(frame.get(), 0) >= 0;
}

// Queues the whole sample frames of the data; the queue's first sample is
// timed by the sample time when the queue was empty.
bool WmaWriter::Output::Queue(uint64_t time, const uint8_t* data, size_t size) {
    const int channels = codec->ch_layout.nb_channels;
    const int samples = static_cast<int>(size / (static_cast<size_t>(channels) * (kInputBits / 8)));
    if (samples == 0) return true;
    if (av_audio_fifo_size(fifo.get()) == 0) {
        nextPts = av_rescale(static_cast<int64_t>(time), codec->sample_rate, kTimeUnitsPerSecond);
    }
    ToPlanarFloat(data, samples, channels, planes);
    std::vector<void*> pointers;
    for (auto& plane : planes) pointers.push_back(plane.data());
    if (av_audio_fifo_write(fifo.get(), pointers.data(), samples) != samples) return false;
    while (av_audio_fifo_size(fifo.get()) >= codec->frame_size) {
        if (!EncodeFrame(codec->frame_size)) return false;
    }
    return true;
}

// Encodes one frame from the queue; a short last frame is filled up with
// silence, as the encoder takes whole frames only.
bool WmaWriter::Output::EncodeFrame(int samples) {
    if (av_frame_make_writable(frame.get()) < 0) return false;
    void** planes = reinterpret_cast<void**>(frame->extended_data);
    if (av_audio_fifo_read(fifo.get(), planes, samples) != samples) return false;
    if (samples < codec->frame_size) {
        av_samples_set_silence(frame->extended_data, samples, codec->frame_size - samples, codec->ch_layout.nb_channels,
                               codec->sample_fmt);
    }
    frame->nb_samples = codec->frame_size;
    frame->pts = nextPts;
    nextPts += samples;
    return avcodec_send_frame(codec.get(), frame.get()) >= 0 && Drain();
}

bool WmaWriter::Output::Drain() {
    for (;;) {
        const int rc = avcodec_receive_packet(codec.get(), packet.get());
        if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
        if (rc < 0) return false;
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        if (av_interleaved_write_frame(format.get(), packet.get()) < 0) return false;
    }
}

bool WmaWriter::Output::Finish() {
    const int rest = av_audio_fifo_size(fifo.get());
    if (rest > 0 && !EncodeFrame(rest)) return false;
    if (avcodec_send_frame(codec.get(), nullptr) < 0 || !Drain()) return false;
    if (av_write_trailer(format.get()) < 0 || format->pb->error < 0) return false;
    return avio_closep(&format->pb) >= 0;
}

WmaWriter::WmaWriter() = default;
WmaWriter::~WmaWriter() = default;

void WmaWriter::SetProfile(const audio::WmaProfile& profile) {
    m_output.reset();
    m_profile = profile;
    m_input = {};
    m_inputFormats.clear();
    if (OpenEncoder(profile)) m_inputFormats.push_back(PcmInput(profile));
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
    m_output = std::make_unique<Output>();
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
    const bool created = m_output && m_output->fileCreated;
    m_output.reset();
    return created;
}

// --- CWMMain -------------------------------------------------------------------

CWMMain::CWMMain(FileAccess& access) : m_access(access) {}

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
    if (FindPcmInputFormat(*m_pWriter, 0, input) < 0) return false;
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
    if (!m_pWriter) m_pWriter = std::make_unique<WmaWriter>();
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
