#include "audio/AudioFileMerge.h"

#include <cstdint>
#include <vector>

#include "audio/ByteOrder.h"
#include "audio/WaveFormat.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace pv {

namespace {

constexpr int64_t kPieceBytes = 32000;
constexpr int64_t kMaxTrailingBytes = 9999;
constexpr int64_t kMaxRiffSize = 0xFFFFFFFFLL;

struct MergeInput {
    std::string path;
    platform::File file;
    audio::WaveFormat format;
    uint32_t riffSize = 0;
    uint32_t fmtSize = 0;
    int64_t dataSize = 0;
    int64_t dataOffset = 0;

    int FrameBytes() const { return format.channels * (format.bitsPerSample / 8); }
    int64_t TrailingBytes() const { return int64_t{riffSize} + 8 - (dataOffset + audio::PadToEven(dataSize)); }
};

std::string CantRead(const std::string& path) { return "Can't read file " + path + "."; }
std::string WrongLayout(const std::string& path) { return "File is not the correct format: " + path + "."; }

bool ReadFormat(MergeInput& in, std::string& message) {
    std::string bytes(in.fmtSize, '\0');
    if (in.file.Read(bytes.data(), in.fmtSize) != in.fmtSize) return message = CantRead(in.path), false;
    in.format.Parse(bytes);
    const auto& f = in.format;
    if (f.tag != audio::kFormatPcm || f.channels == 0 || f.bitsPerSample < 8 || f.bitsPerSample % 8 != 0) {
        return message = "File is not the correct format.", false;
    }
    return true;
}

bool OpenInput(MergeInput& in, std::string& message) {
    if (!in.file.Open(in.path, platform::File::modeRead)) return message = "Can't open file " + in.path + ".", false;
    unsigned char start[20];
    if (in.file.Read(start, 20) != 20) return message = CantRead(in.path), false;
    in.riffSize = audio::GetLE32(start + 4);
    in.fmtSize = audio::GetLE32(start + 16);
    if (audio::FourCC(start) != "RIFF" || audio::FourCC(start + 8) != "WAVE" || audio::FourCC(start + 12) != "fmt " ||
        (in.fmtSize != 16 && in.fmtSize != 18)) {
        return message = WrongLayout(in.path), false;
    }
    if (!ReadFormat(in, message)) return false;
    unsigned char data[8];
    if (in.file.Read(data, 8) != 8) return message = CantRead(in.path), false;
    if (audio::FourCC(data) != "data") return message = WrongLayout(in.path), false;
    in.dataSize = audio::GetLE32(data + 4);
    in.dataOffset = 20 + in.fmtSize + 8;
    return true;
}

bool SameFormat(const MergeInput& a, const MergeInput& b) {
    return a.format.channels == b.format.channels && a.format.samplesPerSec == b.format.samplesPerSec &&
           a.format.bitsPerSample == b.format.bitsPerSample;
}

class MergeWriter {
public:
    MergeWriter(platform::File& out, const std::string& path) : m_out(out), m_path(path), m_buffer(kPieceBytes) {}

    bool Write(const void* data, int64_t count, std::string& message) {
        if (m_out.Write(data, count)) return true;
        message = "Can't write file " + m_path + ".";
        return false;
    }
    bool Copy(MergeInput& in, int64_t offset, int64_t count, std::string& message) {
        if (in.file.Seek(offset, platform::File::fromBegin) != offset) return message = CantRead(in.path), false;
        for (int64_t left = count; left > 0;) {
            const int64_t piece = left < kPieceBytes ? left : kPieceBytes;
            if (in.file.Read(m_buffer.data(), piece) != piece) return message = CantRead(in.path), false;
            if (!Write(m_buffer.data(), piece, message)) return false;
            left -= piece;
        }
        return true;
    }
    bool Silence(int64_t count, unsigned char value, std::string& message) {
        std::vector<unsigned char> silence(static_cast<size_t>(count < kPieceBytes ? count : kPieceBytes), value);
        for (int64_t left = count; left > 0;) {
            const int64_t piece = left < kPieceBytes ? left : kPieceBytes;
            if (!Write(silence.data(), piece, message)) return false;
            left -= piece;
        }
        return true;
    }

private:
    platform::File& m_out;
    std::string m_path;
    std::vector<char> m_buffer;
};

std::string OutputHeader(const audio::WaveFormat& format, int64_t riffSize, int64_t dataSize) {
    audio::WaveFormat record = format;
    record.extra.clear();
    std::string header = "RIFF";
    audio::AppendLE32(header, static_cast<uint32_t>(riffSize));
    header += "WAVEfmt ";
    audio::AppendLE32(header, audio::WaveFormat::kBaseSize);
    header += record.Serialize();
    header += "data";
    audio::AppendLE32(header, static_cast<uint32_t>(dataSize));
    return header;
}

struct Plan {
    int64_t silenceBytes = 0;
    int64_t joinedSize = 0;
    int64_t trailingBytes = 0;  // carried over, 0 when not
    int64_t riffSize = 0;
};

Plan MakePlan(const MergeInput& first, const MergeInput& second, const MergeInput& tagged, int silenceMs) {
    Plan plan;
    const int64_t frame = second.FrameBytes();
    const int64_t ms = silenceMs > 0 ? silenceMs : 0;
    const int64_t frames = int64_t{second.format.samplesPerSec} * ms / 1000;  // fits: 32 x 31 bits
    plan.silenceBytes = frames > kMaxRiffSize ? kMaxRiffSize + 1 : frames * frame;
    plan.joinedSize = first.dataSize + plan.silenceBytes + second.dataSize;
    const int64_t trailing = tagged.TrailingBytes();
    plan.trailingBytes = trailing >= 1 && trailing <= kMaxTrailingBytes ? trailing : 0;
    plan.riffSize = 38 + audio::PadToEven(plan.joinedSize) + plan.trailingBytes;
    return plan;
}

bool WriteJoined(MergeInput& first, MergeInput& second, MergeInput& tagged, const Plan& plan, platform::File& out,
                 const std::string& outPath, std::string& message) {
    MergeWriter writer(out, outPath);
    const std::string header = OutputHeader(second.format, plan.riffSize, plan.joinedSize);
    const unsigned char silence = second.format.bitsPerSample == 8 ? 0x80 : 0x00;
    if (!writer.Write(header.data(), static_cast<int64_t>(header.size()), message) ||
        !writer.Copy(first, first.dataOffset, first.dataSize, message) ||
        !writer.Silence(plan.silenceBytes, silence, message) ||
        !writer.Copy(second, second.dataOffset, second.dataSize, message)) {
        return false;
    }
    if (plan.joinedSize & 1) {
        const char pad = 0;
        if (!writer.Write(&pad, 1, message)) return false;
    }
    const int64_t trailingStart = tagged.dataOffset + audio::PadToEven(tagged.dataSize);
    return plan.trailingBytes == 0 || writer.Copy(tagged, trailingStart, plan.trailingBytes, message);
}

bool Join(MergeInput& first, MergeInput& second, MergeInput& tagged, const std::string& outputPath, int silenceMs,
          std::string& message) {
    if (!OpenInput(first, message) || !OpenInput(second, message)) return false;
    if (!SameFormat(first, second)) return message = "Files are not the same format.", false;
    const Plan plan = MakePlan(first, second, tagged, silenceMs);
    if (plan.riffSize > kMaxRiffSize) return message = "The joined file would be larger than 4 GB.", false;
    const std::string temporary = outputPath + ".joining";
    platform::File out;
    if (!out.Open(temporary, platform::File::modeCreate | platform::File::modeWrite)) {
        return message = "Can't write file " + outputPath + ".", false;
    }
    const bool written = WriteJoined(first, second, tagged, plan, out, outputPath, message);
    const bool closed = out.Close();
    if (written && !closed) message = "Can't write file " + outputPath + ".";
    if (!written || !closed || !platform::RenameReplace(temporary, outputPath, &message)) {
        platform::RemoveFile(temporary);
        return false;
    }
    return true;
}

}  // namespace

bool CAudioFileMerge::Merge(const std::string& firstPath, const std::string& secondPath,
                            const std::string& outputPath, int silenceMs, std::string& errorText, TagsFrom tags) {
    MergeInput first, second;
    first.path = firstPath;
    second.path = secondPath;
    std::string message;
    MergeInput& tagged = tags == TagsFrom::first ? first : second;
    if (Join(first, second, tagged, outputPath, silenceMs, message)) return true;
    errorText = "Can't merge audio files " + firstPath + "\nand " + secondPath + ".\n" + message;
    return false;
}

}  // namespace pv
