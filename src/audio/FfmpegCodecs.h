#pragma once
// The codec engine's implementations on the FFmpeg libraries.  Only the
// codec module is built from these; the service reaches them through
// CodecEngine.
#include <memory>

#include "audio/CodecEngine.h"

namespace pv::audio {

std::unique_ptr<Transcoder> NewFfmpegTranscoder();
std::unique_ptr<WmaStream> NewFfmpegWmaStream();
unsigned FfmpegUnsupportedWmaValues(const WmaProfile& profile);

}  // namespace pv::audio
