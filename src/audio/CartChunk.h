#pragma once
// The broadcast cart chunk ("cart"): fixed text and number fields at fixed
// offsets, then free tag text.  A chunk shorter than its fields reads as if
// padded with zero bytes; nothing is read beyond the bytes given.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pv::audio {

enum CartField {
    cartVersion,
    cartTitle,
    cartArtist,
    cartCutId,
    cartClientId,
    cartCategory,
    cartClassification,
    cartOutCue,
    cartStartDate,
    cartStartTime,
    cartEndDate,
    cartEndTime,
    cartProducerAppId,
    cartProducerAppVersion,
    cartUserDef,
    cartReserved,
    cartUrl,
    kCartTextFieldCount
};

struct CartPostTimer {
    std::string usage;  // 4 characters, NULs kept
    uint32_t value = 0;  // in samples
};

class CartChunk {
public:
    static constexpr int kPostTimerCount = 8;
    static constexpr size_t kTagTextOffset = 2048;

    CartChunk() = default;
    explicit CartChunk(std::string bytes) : m_bytes(std::move(bytes)) {}

    bool Empty() const { return m_bytes.empty(); }
    const std::string& Bytes() const { return m_bytes; }

    // A text field up to its width or its first NUL.
    std::string Text(CartField field) const;
    int32_t LevelReference() const;
    CartPostTimer PostTimer(int index) const;
    // From offset 2048 to the end of the chunk, up to the first NUL.
    std::string TagText() const;

    // The readable dump, one "Label: value\n" line per field.
    std::string Dump() const;
    // The chunk as text: its bytes with every run of NUL bytes replaced by
    // one CR LF.
    std::string EntireText() const;

private:
    std::string Bytes(size_t offset, size_t width) const;
    uint32_t Number(size_t offset) const;

    std::string m_bytes;
};

// Properties of the "<program-associated-data>" block of the cart text.
constexpr int kCartPropertyCount = 8;
constexpr std::array<std::string_view, kCartPropertyCount> kCartPropertyNames = {
    "OwnerIdentifier", "Identifier", "Title", "Artist", "Album", "Genre", "CommentTitle", "Comment"};
using CartProperties = std::array<std::string, kCartPropertyCount>;

// Reads the block from the cart text (CartChunk::EntireText): each property
// written exactly as <property name="NAME" value="VALUE"/>; names are
// compared with letter case and unknown ones are skipped.  A block at the
// very start of the text, or none, gives empty properties.
CartProperties ParseProgramAssociatedData(std::string_view text);

// A cart date as MM/DD/YYYY: a 10-character date whose third character is
// "-" or "/" is MM?DD?YYYY, any other 10-character date YYYY?MM?DD; text of
// another length is returned as it is.
std::string RearrangeCartDate(const std::string& date);

}  // namespace pv::audio
