#pragma once
// The metadata of one WAV file: its format record, length, the text tags of
// its LIST/INFO/ICMT block with the values derived from them, and its
// broadcast cart chunk.  Reads a file, writes the tag block back into one,
// and maps cart data onto the tags and onto output names.
#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>

#include "audio/CartChunk.h"
#include "audio/RiffReader.h"
#include "audio/TagBlock.h"
#include "audio/TagValues.h"
#include "audio/WaveFormat.h"
#include "platform/Reporter.h"

namespace pv {

class CAudioFileHeader {
public:
    // "TargetName-from-CART" modes.
    enum NameMode { nameUnchanged = 0, nameFromCutId = 1, nameFromTitle = 2 };

    // Status lines (messages of WriteTagsToFile, the cart mapping) go to the
    // reporter; without one they are dropped.
    explicit CAudioFileHeader(Reporter* reporter = nullptr);

    // Replaces everything by what the file holds.  False for a file that
    // cannot be opened, has no RIFF/WAVE form, no usable "fmt " or "data"
    // chunk, or a cart chunk the file cannot back.  Derived values are set
    // whatever the outcome.
    bool ReadHeader(const std::string& path);
    // Whether ReadHeader failed only because the "data" chunk says more than
    // the file holds (a file cut short): the format record and sample rate
    // were read all the same.
    bool DataCutShort() const { return m_bDataCutShort; }

    std::string BuildTagBlock() const;
    // Replaces everything after the file's "data" chunk by a LIST/INFO/ICMT
    // chunk with the tag block.  With showMessages a failure is also shown
    // as a status line; LastError() holds it either way.
    bool WriteTagsToFile(const std::string& path, bool showMessages);

    // Copies the file path, the 16 tag values, cue times, fade codes, both
    // lengths, the album and the year.
    void CopyValues(const CAudioFileHeader& other);

    // The readable dump of the cart chunk.
    std::string CartText() const { return m_cart.Dump(); }

    // Reads the target file's header into this object, sets its tags from the
    // source's cart chunk and writes them into the target.
    bool SetInfoFromCart(const CAudioFileHeader& source, const std::string& targetPath, bool saveEntireCart);
    // Renames outputPath after the source's cart CutID (nameFromCutId) or
    // Title (nameFromTitle), keeping its folder and extension.  The name is
    // made safe, so it never leaves the folder.  True when the path changed.
    bool NameFromCart(const CAudioFileHeader& source, std::string& outputPath, int mode);
    // The mode of a "TargetName-from-CART" setting ("CUTID", "LONG", other).
    static int NameModeFromSetting(std::string_view setting);

    // The value of an "AF" macro ("AF Description", "AF Length Seconds", ...);
    // false when the name is not one of them.
    bool AfMacroValue(std::string_view name, std::string& value) const;

    const std::string& FilePath() const { return m_strFilePath; }
    const std::string& Tag(AudioTag tag) const { return m_strTags[tag]; }
    void SetTag(AudioTag tag, std::string value) { m_strTags[tag] = std::move(value); }
    const audio::DayPartFlags& DayPartFlags() const { return m_dayParts; }
    void SetDayPartFlags(const audio::DayPartFlags& flags) { m_dayParts = flags; }

    int64_t IntroTimeMs() const { return m_nIntroTimeMs; }
    int64_t OutroTimeMs() const { return m_nOutroTimeMs; }
    int IntroFade() const { return m_nIntroFade; }
    int OutroFade() const { return m_nOutroFade; }
    int LengthSeconds() const { return m_nLengthSeconds; }
    int64_t LengthMs() const { return m_nLengthMs; }
    std::time_t StartTime() const { return m_tStart; }
    std::time_t StopTime() const { return m_tStop; }
    uint32_t SampleRate() const { return m_nSampleRate; }
    const audio::WaveFormat& Format() const { return m_format; }
    uint16_t FormatTag() const { return m_format.tag; }

    bool HasCart() const { return !m_cart.Empty(); }
    const audio::CartChunk& Cart() const { return m_cart; }
    const std::string& EntireCartChunk() const { return m_strEntireCartChunk; }
    const audio::CartProperties& CartProperties() const { return m_cartProperties; }

    const std::string& LastError() const { return m_strError; }

    // Stamps kept by the header cache.
    int64_t m_nReadTimeMs = 0;
    int64_t m_nLastUseMs = 0;

private:
    void Clear();
    bool ReadChunks();
    void ReadTags(audio::RiffReader& riff, const audio::RiffChunk& wave);
    bool ReadCart(audio::RiffReader& riff, const audio::RiffChunk& wave);
    void DeriveValues();
    bool Fail(const std::string& message, bool showMessages);

    Reporter* m_pReporter;
    std::string m_strFilePath;
    AudioTagValues m_strTags;
    audio::DayPartFlags m_dayParts{};
    int64_t m_nIntroTimeMs = 0;
    int64_t m_nOutroTimeMs = 0;
    int m_nIntroFade = 0;
    int m_nOutroFade = 0;
    int m_nLengthSeconds = 0;
    int64_t m_nLengthMs = 0;
    std::time_t m_tStart = 0;
    std::time_t m_tStop = 0;
    uint32_t m_nSampleRate = 0;
    audio::WaveFormat m_format;
    audio::CartChunk m_cart;
    std::string m_strEntireCartChunk;
    audio::CartProperties m_cartProperties;
    std::string m_strError;
    bool m_bDataCutShort = false;
};

}  // namespace pv
