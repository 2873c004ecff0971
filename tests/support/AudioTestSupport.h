#pragma once
// WAV fixtures built byte by byte, and the audio tools (sox, ffprobe,
// ffmpeg) run on our output.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pv::test {

std::string LE16(uint16_t v);
std::string LE32(uint32_t v);
// One chunk: id, size, data and a pad byte when the size is odd.
std::string Chunk(const std::string& id, const std::string& data);
// "RIFF", the size of what follows, "WAVE", then the chunks given.
std::string RiffWave(const std::string& chunks);
// The 16 bytes of a PCM "fmt " chunk.
std::string PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits);
// A PCM WAV file: "fmt ", the chunks before, "data" with dataBytes bytes of
// a ramp, the chunks after.
std::string PcmWav(uint16_t channels, uint32_t rate, uint16_t bits, size_t dataBytes,
                   const std::string& before = {}, const std::string& after = {});

// Offset of the first chunk with the id at the top level of a RIFF file's
// bytes (walking with even padding); npos when absent.
size_t FindTopChunk(const std::string& file, const std::string& id);
uint32_t ChunkSize(const std::string& file, size_t chunkOffset);

struct ToolResult {
    int exitCode = -1;
    std::string output;  // stdout and stderr together
};
// A saved WMA profile (UTF-16LE XML with a byte-order mark) for one audio
// stream of the given codec tag (353: wmav2), channels, rate and bit rate.
std::string WmaProfileBytes(int formatTag, int channels, int rate, int bitRate);

// Runs a tool found on PATH and collects its output.
ToolResult RunTool(const std::vector<std::string>& argv);
// Makes a WAV file with sox: a sine of the given length, the same bytes
// on every call.
bool MakeSine(const std::string& path, int rate, int channels, int bits, double seconds);
// What ffprobe says of a file: "format_name", "duration" (container) and
// "codec_name", "sample_rate", "channels", "bit_rate" (first audio stream).
std::map<std::string, std::string> Probe(const std::string& path);
// Decodes the whole file with ffmpeg; returns what it printed at level
// "error" (nothing for a clean file), or a note when it did not run.
std::string DecodeErrors(const std::string& path);

}  // namespace pv::test
