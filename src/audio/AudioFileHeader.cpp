#include "audio/AudioFileHeader.h"

#include "audio/ByteOrder.h"
#include "platform/File.h"

namespace pv {

namespace {

constexpr int64_t kMaxCommentBytes = 16 * 1024 * 1024;
constexpr int64_t kMaxCartBytes = 64 * 1024 * 1024;

}  // namespace

CAudioFileHeader::CAudioFileHeader(Reporter* reporter) : m_pReporter(reporter) { DeriveValues(); }

void CAudioFileHeader::Clear() {
    for (auto& value : m_strTags) value.clear();
    m_nIntroTimeMs = m_nOutroTimeMs = 0;
    m_nIntroFade = m_nOutroFade = 0;
    m_nLengthSeconds = 0;
    m_nLengthMs = 0;
    m_nSampleRate = 0;
    m_format = audio::WaveFormat();
    m_cart = audio::CartChunk();
    m_strEntireCartChunk.clear();
    m_cartProperties = audio::CartProperties();
    m_strError.clear();
    m_bDataCutShort = false;
}

bool CAudioFileHeader::ReadHeader(const std::string& path) {
    Clear();
    m_strFilePath = path;
    const bool ok = ReadChunks();
    DeriveValues();
    return ok;
}

bool CAudioFileHeader::ReadChunks() {
    platform::File file;
    if (!file.Open(m_strFilePath, platform::File::modeRead)) return false;
    audio::RiffReader riff(file);
    audio::RiffChunk wave, fmt, data;
    std::string bytes;
    if (!riff.FindForm("WAVE", wave) || !riff.FindChunk(wave, "fmt ", fmt)) return false;
    if (!riff.ReadStart(fmt, audio::WaveFormat::kBaseSize, bytes) || !m_format.Parse(bytes)) return false;
    m_nSampleRate = m_format.samplesPerSec;
    if (!riff.FindChunk(wave, "data", data)) return false;
    if (data.End() > riff.FileSize()) {
        m_bDataCutShort = true;
        return false;
    }
    if (m_format.avgBytesPerSec != 0) {
        m_nLengthMs = data.size * 1000 / m_format.avgBytesPerSec;
        m_nLengthSeconds = static_cast<int>((m_nLengthMs + 500) / 1000);
    }
    ReadTags(riff, wave);
    return ReadCart(riff, wave);
}

// Tags are written back after the data, so a file may also hold an INFO list
// before it (another program's, or one with older tags): the last list with a
// readable comment holds the tags.
void CAudioFileHeader::ReadTags(audio::RiffReader& riff, const audio::RiffChunk& wave) {
    audio::RiffChunk rest = wave, info, comment;
    std::string text;
    bool found = false;
    while (rest.size > 0 && riff.FindChunk(rest, "INFO", info)) {
        std::string candidate;
        if (riff.FindChunk(info, "ICMT", comment) && riff.ReadData(comment, kMaxCommentBytes, candidate)) {
            text = std::move(candidate);
            found = true;
        }
        rest.dataOffset = audio::PadToEven(info.End());
        rest.size = wave.End() - rest.dataOffset;
    }
    if (found) m_strTags = ParseAudioTagBlock(text);
}

bool CAudioFileHeader::ReadCart(audio::RiffReader& riff, const audio::RiffChunk& wave) {
    audio::RiffChunk cart;
    std::string bytes;
    if (!riff.FindChunk(wave, "cart", cart) || cart.size == 0) return true;
    if (!riff.ReadData(cart, kMaxCartBytes, bytes)) return false;
    m_cart = audio::CartChunk(std::move(bytes));
    m_strEntireCartChunk = m_cart.EntireText();
    m_cartProperties = audio::ParseProgramAssociatedData(m_strEntireCartChunk);
    return true;
}

void CAudioFileHeader::DeriveValues() {
    m_nIntroTimeMs = audio::ParseCueTimeMs(m_strTags[tagIntroTime]);
    m_nOutroTimeMs = audio::ParseCueTimeMs(m_strTags[tagOutroTime]);
    m_nIntroFade = audio::FadeCode(m_strTags[tagIntroFade]);
    m_nOutroFade = audio::FadeCode(m_strTags[tagOutroFade]);
    m_tStart = audio::ParseTagDate(m_strTags[tagStartDate], false);
    m_tStop = audio::ParseTagDate(m_strTags[tagStopDate], true);
    m_dayParts = audio::DecodeDayParts(m_strTags[tagDayPart]);
}

std::string CAudioFileHeader::BuildTagBlock() const {
    AudioTagValues values = m_strTags;
    values[tagDayPart] = audio::EncodeDayParts(m_dayParts);
    return BuildAudioTagBlock(values);
}

void CAudioFileHeader::CopyValues(const CAudioFileHeader& other) {
    m_strFilePath = other.m_strFilePath;
    for (int tag = tagDescription; tag <= tagModificationDate; ++tag) m_strTags[tag] = other.m_strTags[tag];
    m_strTags[tagAlbum] = other.m_strTags[tagAlbum];
    m_strTags[tagYear] = other.m_strTags[tagYear];
    m_nIntroTimeMs = other.m_nIntroTimeMs;
    m_nOutroTimeMs = other.m_nOutroTimeMs;
    m_nIntroFade = other.m_nIntroFade;
    m_nOutroFade = other.m_nOutroFade;
    m_nLengthSeconds = other.m_nLengthSeconds;
    m_nLengthMs = other.m_nLengthMs;
}

bool CAudioFileHeader::Fail(const std::string& message, bool showMessages) {
    m_strError = message;
    if (showMessages && m_pReporter) m_pReporter->Status(message, true);
    return false;
}

namespace {

std::string TagListChunk(const std::string& block) {
    std::string comment = block;
    if (comment.size() & 1) comment += '\0';
    std::string list = "LIST";
    audio::AppendLE32(list, static_cast<uint32_t>(comment.size() + 12));
    list += "INFOICMT";
    audio::AppendLE32(list, static_cast<uint32_t>(comment.size()));
    return list + comment;
}

}  // namespace

bool CAudioFileHeader::WriteTagsToFile(const std::string& path, bool showMessages) {
    platform::File file;
    if (!file.Open(path, platform::File::modeReadWrite)) return Fail("Error opening wave file.", showMessages);
    unsigned char start[12];
    if (file.Read(start, 12) != 12 || audio::FourCC(start) != "RIFF" || audio::FourCC(start + 8) != "WAVE") {
        return Fail("File is not a wave file.", showMessages);
    }
    // The chunks are found as ReadHeader finds them.  Everything after the
    // data goes, so a format chunk there (the wave rules put it before the
    // data) would go too and leave a file nothing can read: such a file is
    // left as it is.
    audio::RiffReader riff(file);
    audio::RiffChunk wave, format, data;
    wave.id = "RIFF";
    wave.listType = "WAVE";
    wave.dataOffset = 12;
    wave.size = static_cast<int64_t>(audio::GetLE32(start + 4)) - 4;
    if (!riff.FindChunk(wave, "data", data) || data.End() > riff.FileSize()) {
        return Fail("File has no data chunk.", showMessages);
    }
    if (riff.FindChunk(wave, "fmt ", format) && format.dataOffset > data.dataOffset) {
        return Fail("File has its format chunk after the data chunk.", showMessages);
    }
    const int64_t dataEnd = data.End();
    std::string tail = (dataEnd & 1) ? std::string(1, '\0') : std::string();
    tail += TagListChunk(BuildTagBlock());
    const int64_t newLength = dataEnd + static_cast<int64_t>(tail.size());
    unsigned char riffSize[4];
    audio::PutLE32(riffSize, static_cast<uint32_t>(newLength - 8));
    const bool written = newLength - 8 <= 0xFFFFFFFFLL && file.Seek(dataEnd, platform::File::fromBegin) == dataEnd &&
                         file.Write(tail.data(), static_cast<int64_t>(tail.size())) && file.Truncate(newLength) &&
                         file.Seek(4, platform::File::fromBegin) == 4 && file.Write(riffSize, 4);
    if (!file.Close() || !written) return Fail("Error writing wave file.", showMessages);
    return true;
}

}  // namespace pv
