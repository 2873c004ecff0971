// One conversion through AudioCompressor, timed by bench/audio/run.
// Usage: audio_bench SOURCE DESTINATION FORMAT BITRATE SHARE FORMAT_LIST
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/AudioCompressor.h"
#include "audio/CodecEngine.h"

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: %s SOURCE DESTINATION FORMAT BITRATE SHARE FORMAT_LIST\n", argv[0]);
        return 2;
    }
    std::string destination = argv[2];
    std::string error;
    pv::CAudioFileHeader header;
    const bool tagged = header.ReadHeader(argv[1]);
    pv::audio::CodecModule codecs;
    pv::AudioCompressor compressor(codecs);
    compressor.SetShare(std::atoi(argv[5]));
    const auto start = std::chrono::steady_clock::now();
    const bool ok = compressor.Compress(argv[1], destination, std::atoi(argv[3]), std::atoi(argv[4]), 0, argv[6],
                                        error, false, 0, tagged ? &header : nullptr);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok) {
        std::fprintf(stderr, "audio_bench: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s %.3f s\n", destination.c_str(), seconds);
    return 0;
}
