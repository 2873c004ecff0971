#include "audio/CompressedWaveWriter.h"

#include "audio/ByteOrder.h"
#include "platform/FileSystem.h"

namespace pv::audio {

bool CompressedWaveWriter::Fail(const std::string& message, std::string& errorText) {
    errorText = message;
    Abandon();
    return false;
}

void CompressedWaveWriter::Abandon() {
    if (m_finished || m_path.empty()) return;
    m_file.Close();
    platform::RemoveFile(m_path);
    m_path.clear();
}

bool CompressedWaveWriter::Begin(const std::string& path, const WaveFormat& format, std::string& errorText) {
    const std::string where = " in the destination file " + path + ".";
    if (!m_file.Open(path, platform::File::modeCreate | platform::File::modeWrite)) {
        return Fail("Compress: Error creating WAVE chunk" + where, errorText);
    }
    m_path = path;
    if (!m_riff.Begin("RIFF", "WAVE")) return Fail("Compress: Error creating WAVE chunk" + where, errorText);
    if (!m_riff.Begin("fmt ")) return Fail("Compress: Error creating FMT chunk" + where, errorText);
    if (!m_riff.Write(format.ChunkBytes())) {
        return Fail("Compress: Error writing FMT chunk to the destination file " + path + ".", errorText);
    }
    if (!m_riff.End()) return Fail("Compress: Error ascending out of FMT chunk" + where, errorText);
    m_hasFact = format.tag == kFormatMpeg || format.tag == kFormatMpegLayer3;
    if (m_hasFact && !WriteFact(errorText)) return false;
    if (!m_riff.Begin("data")) return Fail("Compress: Error creating DATA chunk" + where, errorText);
    return true;
}

bool CompressedWaveWriter::WriteFact(std::string& errorText) {
    const std::string where = " in the destination file " + m_path + ".";
    if (!m_riff.Begin("fact")) return Fail("Compress: Error creating FACT chunk" + where, errorText);
    m_factValueOffset = m_riff.Position();
    if (!m_riff.Write(std::string(4, '\0'))) {
        return Fail("Compress: Error writing FACT chunk to the destination file " + m_path + ".", errorText);
    }
    if (!m_riff.End()) return Fail("Compress: Error ascending out of FACT chunk" + where, errorText);
    return true;
}

bool CompressedWaveWriter::WriteSamples(const std::string& bytes, std::string& errorText) {
    if (bytes.empty() || m_riff.Write(bytes)) return true;
    return Fail("Compress: Error writing DATA chunk to the destination file " + m_path + ".", errorText);
}

bool CompressedWaveWriter::WriteTags(const std::string& tagBlock, std::string& errorText) {
    if (!m_riff.Begin("LIST", "INFO")) return Fail("Compress: Error creating INFO chunk.", errorText);
    if (!m_riff.Begin("ICMT")) return Fail("Compress: Error creating ICMT chunk.", errorText);
    if (!m_riff.Write(tagBlock)) return Fail("Compress: Error writing ICMT chunk.", errorText);
    if (!m_riff.End()) return Fail("Compress: Error ascending out of ICMT chunk.", errorText);
    if (!m_riff.End()) return Fail("Compress: Error ascending out of INFO chunk.", errorText);
    return true;
}

bool CompressedWaveWriter::Finish(int64_t sampleCount, const std::string& tagBlock, bool withTags,
                                  std::string& errorText) {
    if (!m_riff.End()) return Fail("Compress: Error ascending out of DATA chunk.", errorText);
    if (withTags && !WriteTags(tagBlock, errorText)) return false;
    if (!m_riff.End()) return Fail("Compress: Error ascending out of WAVE chunk.", errorText);
    if (m_hasFact) {
        if (m_file.Seek(m_factValueOffset, platform::File::fromBegin) != m_factValueOffset) {
            return Fail("Compress: Error seeking to the beginning of the FACT chunk.", errorText);
        }
        unsigned char count[4];
        PutLE32(count, sampleCount > 0xFFFFFFFFLL ? 0xFFFFFFFFu : static_cast<uint32_t>(sampleCount));
        if (!m_file.Write(count, 4)) return Fail("Compress: Error writing to the FACT chunk.", errorText);
    }
    if (!m_file.Close()) {
        return Fail("Compress: Error writing DATA chunk to the destination file " + m_path + ".", errorText);
    }
    m_finished = true;
    return true;
}

}  // namespace pv::audio
