// The codec module's entry point: the engine on the FFmpeg libraries.
#include <type_traits>

#include "audio/FfmpegCodecs.h"

namespace pv::audio {

namespace {

class FfmpegEngine final : public CodecEngine {
public:
    std::unique_ptr<Transcoder> NewTranscoder() const override { return NewFfmpegTranscoder(); }
    std::unique_ptr<WmaStream> NewWmaStream() const override { return NewFfmpegWmaStream(); }
    unsigned UnsupportedWmaValues(const WmaProfile& profile) const override {
        return FfmpegUnsupportedWmaValues(profile);
    }
};

}  // namespace

}  // namespace pv::audio

// Looked up by name (kCodecEngineEntryPoint) when the module is loaded; the
// only symbol the module exports.
extern "C" __attribute__((visibility("default"))) pv::audio::CodecEngine* pressvane_codec_engine(int version) {
    static pv::audio::FfmpegEngine engine;
    return version == pv::audio::kCodecEngineVersion ? &engine : nullptr;
}

// The entry point has the type the loader calls it through.
static_assert(std::is_same_v<decltype(&pressvane_codec_engine), pv::audio::CodecEngineEntry>);
