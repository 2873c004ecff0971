#include "support/AudioTestSupport.h"

#include <cstdio>
#include <unistd.h>

#include "platform/Process.h"
#include "support/TempDir.h"

namespace pv::test {

std::string LE16(uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

std::string LE32(uint32_t v) {
    std::string out;
    for (int i = 0; i < 4; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
    return out;
}

std::string WmaProfileBytes(int formatTag, int channels, int rate, int bitRate) {
    char subtype[16];
    std::snprintf(subtype, sizeof subtype, "%08X", static_cast<unsigned>(formatTag));
    const std::string text =
        "<profile version=\"589824\" storageformat=\"1\" name=\"Newsroom\" description=\"\">\r\n"
        " <streamconfig majortype=\"{73647561-0000-0010-8000-00AA00389B71}\" streamnumber=\"1\" bitrate=\"" +
        std::to_string(bitRate) + "\">\r\n  <wmmediatype subtype=\"{" + subtype +
        "-0000-0010-8000-00AA00389B71}\">\r\n   <waveformatex wFormatTag=\"" + std::to_string(formatTag) +
        "\" nChannels=\"" + std::to_string(channels) + "\" nSamplesPerSec=\"" + std::to_string(rate) +
        "\" nAvgBytesPerSec=\"" + std::to_string(bitRate / 8) +
        "\" nBlockAlign=\"2048\" wBitsPerSample=\"16\"/>\r\n  </wmmediatype>\r\n </streamconfig>\r\n</profile>\r\n";
    std::string profile = "\xFF\xFE";
    for (char c : text) profile += std::string{c, '\0'};
    return profile;
}

std::string Chunk(const std::string& id, const std::string& data) {
    std::string out = id + LE32(static_cast<uint32_t>(data.size())) + data;
    if (data.size() & 1) out += '\0';
    return out;
}

std::string RiffWave(const std::string& chunks) { return "RIFF" + LE32(static_cast<uint32_t>(chunks.size() + 4)) + "WAVE" + chunks; }

std::string PcmFormat(uint16_t channels, uint32_t rate, uint16_t bits) {
    const uint16_t align = static_cast<uint16_t>(channels * bits / 8);
    return LE16(1) + LE16(channels) + LE32(rate) + LE32(rate * align) + LE16(align) + LE16(bits);
}

std::string PcmWav(uint16_t channels, uint32_t rate, uint16_t bits, size_t dataBytes, const std::string& before,
                   const std::string& after) {
    std::string samples(dataBytes, '\0');
    for (size_t i = 0; i < dataBytes; ++i) samples[i] = static_cast<char>(i * 7);
    return RiffWave(Chunk("fmt ", PcmFormat(channels, rate, bits)) + before + Chunk("data", samples) + after);
}

uint32_t ChunkSize(const std::string& file, size_t chunkOffset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(file[chunkOffset + 4 + i]);
    return v;
}

size_t FindTopChunk(const std::string& file, const std::string& id) {
    for (size_t at = 12; at + 8 <= file.size();) {
        if (file.compare(at, 4, id) == 0) return at;
        const size_t size = ChunkSize(file, at);
        at += 8 + size + (size & 1);
    }
    return std::string::npos;
}

ToolResult RunTool(const std::vector<std::string>& argv) {
    TempDir dir;
    platform::ProcessOptions options;
    options.stdoutFile = dir / "out.txt";
    options.stderrFile = options.stdoutFile;
    options.timeLimit = std::chrono::seconds(120);
    const auto result = platform::RunProcess(argv, options);
    return {result.started ? result.exitCode : -1, ReadWholeFile(options.stdoutFile)};
}

bool MakeSine(const std::string& path, int rate, int channels, int bits, double seconds) {
    // Repeatable: the same dither every time, so a test sees the same file.
    return RunTool({"sox", "-R", "-n", "-r", std::to_string(rate), "-c", std::to_string(channels), "-b",
                    std::to_string(bits), "-e", bits == 8 ? "unsigned-integer" : "signed-integer", path, "synth",
                    std::to_string(seconds), "sine", "440"})
               .exitCode == 0;
}

std::map<std::string, std::string> Probe(const std::string& path) {
    const auto result = RunTool({"ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries",
                                 "format=format_name,duration:stream=codec_name,sample_rate,channels,bit_rate", "-of",
                                 "default=noprint_wrappers=1", path});
    std::map<std::string, std::string> fields;
    size_t start = 0;
    for (size_t end; (end = result.output.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = result.output.substr(start, end - start);
        const auto eq = line.find('=');
        if (eq != std::string::npos) fields[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return fields;
}

std::string DecodeErrors(const std::string& path) {
    const auto result = RunTool({"ffmpeg", "-nostdin", "-v", "error", "-i", path, "-f", "null", "-"});
    if (result.exitCode != 0) return "exit " + std::to_string(result.exitCode) + ": " + result.output;
    return result.output;
}

}  // namespace pv::test
