#pragma once
// The codec engine: decoding, resampling and encoding of audio, and the WMA
// (ASF) writer.  It lives in a module of its own (libpressvane-codecs.so)
// that is loaded on the first conversion, so that runs which never convert
// audio do not pay for loading the codec libraries at start-up.  The rest of
// the service sees only these interfaces.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "audio/WaveFormat.h"
#include "audio/WmaProfile.h"

namespace pv::platform {
class DynamicLibrary;
}

namespace pv::audio {

enum class CodecOpen { ok, notPossible, failed };

// What the decoder made of the source so far: the packets it was handed
// (frames the parser cut, or blocks of the data), how many of them it found
// damaged, and the source bytes of the packets it decoded that hold audio
// (an MPEG packet's frame, not what the parser let through after it).
struct DecodeCount {
    int64_t packets = 0;
    int64_t damaged = 0;
    int64_t audioBytes = 0;
};

// Zero bytes that must follow the data handed to Transcoder::Convert (the
// decoders read a little past the end of what they are given).
constexpr size_t kCodecInputPadding = 64;

// Converts audio from one wave format to another in pieces: decode, change
// rate and sample layout, encode.  Memory stays bounded by the piece size.
class Transcoder {
public:
    virtual ~Transcoder() = default;

    virtual CodecOpen Open(const WaveFormat& source, const WaveFormat& destination) = 0;
    // Converts source bytes (followed by kCodecInputPadding readable bytes)
    // and appends the encoded bytes to out.  consumed tells how many were
    // used; the rest (less than one block) belongs in front of the next piece.
    virtual bool Convert(const unsigned char* data, size_t size, size_t& consumed, std::string& out) = 0;
    // Ends the stream: everything still held back is encoded.
    virtual bool Finish(std::string& out) = 0;
    // Sample frames of the destination written so far.
    virtual int64_t SamplesEncoded() const = 0;
    // What the source gave so far; data that does not decode is skipped,
    // and this tells how much there was.
    virtual DecodeCount Decoded() const = 0;
};

// One WMA file being written: the encoder the profile asks for, the ASF
// muxer, and the queue that cuts the input into encoder frames.  The input
// is interleaved 16-bit PCM at the profile's rate and channels.
class WmaStream {
public:
    virtual ~WmaStream() = default;

    // Creates the file (a host path) and writes its header.
    virtual bool Open(const WmaProfile& profile, const std::string& hostPath) = 0;
    // Queues the whole sample frames of the data and encodes every full
    // encoder frame; time (100-ns units) places the data when the queue is empty.
    virtual bool Queue(uint64_t time, const uint8_t* data, size_t size) = 0;
    // Encodes what is queued and completes the file.
    virtual bool Finish() = 0;
    // Whether Open got as far as creating the file.
    virtual bool FileCreated() const = 0;
};

// The values of a WMA profile that the engine's encoders cannot serve, as
// bits of CodecEngine::UnsupportedWmaValues: 0 when an encoder opens with
// the profile.
constexpr unsigned kWmaValueFormatTag = 1u << 0;
constexpr unsigned kWmaValueChannels = 1u << 1;
constexpr unsigned kWmaValueSampleRate = 1u << 2;
constexpr unsigned kWmaValueBitRate = 1u << 3;
// Each value can be served on its own, but not all of them together.
constexpr unsigned kWmaValueCombination = 1u << 4;

class CodecEngine {
public:
    virtual ~CodecEngine() = default;

    virtual std::unique_ptr<Transcoder> NewTranscoder() const = 0;
    virtual std::unique_ptr<WmaStream> NewWmaStream() const = 0;
    // Which of the profile's codec, channels, rate and bit rate no encoder
    // opens with (kWmaValue... bits); 0 when one does.
    virtual unsigned UnsupportedWmaValues(const WmaProfile& profile) const = 0;
};

// The module's one export: its engine, or null when the module was built
// against another version of these interfaces.
constexpr const char* kCodecEngineEntryPoint = "pressvane_codec_engine";
constexpr int kCodecEngineVersion = 3;
using CodecEngineEntry = CodecEngine* (*)(int version);

// Name of the module file; the module is looked for next to the running
// executable, then where an installation puts it (the architecture's
// library folder, pressvane/), then where the build put it.  The environment
// variable, when set, names the one module file to use instead.
constexpr const char* kCodecModuleName = "libpressvane-codecs.so";
constexpr const char* kCodecModuleVariable = "PRESSVANE_CODEC_MODULE";

// Loads the module at modulePath into library (which must stay loaded as
// long as the engine is used; the module's code is never unmapped) and
// returns its engine; null with a reason that names the module otherwise.
CodecEngine* LoadCodecEngine(const std::string& modulePath, platform::DynamicLibrary& library, std::string& error);

// The codec module of one service (made by the service and handed to what
// converts audio): loaded on the first call of Engine, from whichever thread
// comes first.  Its code stays in memory until the process ends (see
// LoadCodecEngine); the engine is used through this object only.
class CodecModule {
public:
    CodecModule();
    ~CodecModule();
    CodecModule(const CodecModule&) = delete;
    CodecModule& operator=(const CodecModule&) = delete;

    // The engine; null when the module cannot be loaded, with the reason in
    // error (the same on every call).
    CodecEngine* Engine(std::string* error = nullptr);

private:
    std::once_flag m_once;
    std::unique_ptr<platform::DynamicLibrary> m_library;
    CodecEngine* m_engine = nullptr;
    std::string m_error;
};

}  // namespace pv::audio
