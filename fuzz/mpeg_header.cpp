// MPEG audio: every four bytes of the input as a frame header, and the input
// as a raw .mp2/.mp3 file whose first frame is looked for.
#include "FuzzSupport.h"
#include "audio/MpegAudio.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace pv::audio;
    for (size_t at = 0; at + 4 <= size && at < 64; ++at) {
        MpegFrameHeader header;
        if (!DecodeMpegHeader(data + at, header)) continue;
        PV_FUZZ_CHECK(header.layer >= 1 && header.layer <= 3 && header.sampleRate != 0);
        header.FrameLength();
        MpegFrameBytes(header.version, header.layer, header.bitRate, header.sampleRate);
        MpegDestinationFormat(header.layer, header.channels, header.sampleRate, header.bitRate);
    }

    const std::string path = pv::fuzz::Scratch() / "in.mp3";
    pv::fuzz::WriteWholeFile(path, pv::fuzz::AsText(data, size));
    pv::platform::File file;
    PV_FUZZ_CHECK(file.Open(path, pv::platform::File::modeRead));
    RawMpegStream stream;
    if (LocateRawMpeg(file, stream) == RawMpegResult::ok) {
        PV_FUZZ_CHECK(stream.dataOffset >= 0 && stream.dataSize >= 0);
        PV_FUZZ_CHECK(stream.dataOffset + stream.dataSize <= static_cast<int64_t>(size));
    }
    return 0;
}
