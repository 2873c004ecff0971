#include "audio/CartChunk.h"

#include <cstdio>

#include "audio/ByteOrder.h"

namespace pv::audio {

namespace {

struct FieldPlace {
    size_t offset;
    size_t width;
};

constexpr std::array<FieldPlace, kCartTextFieldCount> kPlaces = {{
    {0, 4},       // Version
    {4, 64},      // Title
    {68, 64},     // Artist
    {132, 64},    // CutID
    {196, 64},    // ClientID
    {260, 64},    // Category
    {324, 64},    // Classification
    {388, 64},    // OutCue
    {452, 10},    // StartDate
    {462, 8},     // StartTime
    {470, 10},    // EndDate
    {480, 8},     // EndTime
    {488, 64},    // ProducerAppID
    {552, 64},    // ProducerAppVersion
    {616, 64},    // UserDef
    {748, 276},   // Reserved
    {1024, 1024}, // URL
}};

constexpr size_t kLevelReferenceOffset = 680;
constexpr size_t kPostTimerOffset = 684;

std::string UpToNul(std::string text) {
    const auto nul = text.find('\0');
    if (nul != std::string::npos) text.erase(nul);
    return text;
}

void AppendLine(std::string& out, const char* label, const std::string& value) {
    out += label;
    out += ": ";
    out += value;
    out += '\n';
}

}  // namespace

std::string CartChunk::Bytes(size_t offset, size_t width) const {
    if (offset >= m_bytes.size()) return std::string(width, '\0');
    std::string bytes = m_bytes.substr(offset, width);
    bytes.resize(width, '\0');
    return bytes;
}

uint32_t CartChunk::Number(size_t offset) const {
    const std::string bytes = Bytes(offset, 4);
    return GetLE32(reinterpret_cast<const unsigned char*>(bytes.data()));
}

std::string CartChunk::Text(CartField field) const {
    return UpToNul(Bytes(kPlaces[field].offset, kPlaces[field].width));
}

int32_t CartChunk::LevelReference() const { return static_cast<int32_t>(Number(kLevelReferenceOffset)); }

CartPostTimer CartChunk::PostTimer(int index) const {
    const size_t offset = kPostTimerOffset + static_cast<size_t>(index) * 8;
    return {Bytes(offset, 4), Number(offset + 4)};
}

std::string CartChunk::TagText() const {
    return m_bytes.size() > kTagTextOffset ? UpToNul(m_bytes.substr(kTagTextOffset)) : std::string();
}

std::string CartChunk::Dump() const {
    static constexpr const char* kLabels[] = {
        "Version",  "Title",     "Artist",  "CutID",     "ClientID",      "Category",           "Classification",
        "OutCue",   "StartDate", "StartTime", "StopDate", "StopTime",     "ProducerAppID",      "ProducerAppVersion",
        "UserDef"};
    std::string out;
    for (int field = cartVersion; field <= cartUserDef; ++field) {
        std::string value = Text(static_cast<CartField>(field));
        if (field == cartStartDate || field == cartEndDate) value = RearrangeCartDate(value);
        AppendLine(out, kLabels[field], value);
    }
    out += "LevelReference: " + std::to_string(LevelReference()) + "\n";
    for (int i = 0; i < kPostTimerCount; ++i) {
        const CartPostTimer timer = PostTimer(i);
        const std::string index = "PostTimer[" + std::to_string(i) + "]";
        out += index + ".Usage: " + UpToNul(timer.usage) + "\n";
        out += index + ".Value: " + std::to_string(static_cast<int32_t>(timer.value)) + "\n";
    }
    AppendLine(out, "Reserved", Text(cartReserved));
    AppendLine(out, "URL", Text(cartUrl));
    AppendLine(out, "TagText", TagText());
    return out;
}

std::string CartChunk::EntireText() const {
    std::string text;
    text.reserve(m_bytes.size());
    for (size_t i = 0; i < m_bytes.size(); ++i) {
        if (m_bytes[i] != '\0') {
            text += m_bytes[i];
        } else if (i == 0 || m_bytes[i - 1] != '\0') {
            text += "\r\n";
        }
    }
    return text;
}

CartProperties ParseProgramAssociatedData(std::string_view text) {
    static constexpr std::string_view kOpen = "<program-associated-data>";
    static constexpr std::string_view kClose = "</program-associated-data>";
    static constexpr std::string_view kProperty = "<property name=\"";
    static constexpr std::string_view kValue = "\" value=\"";
    static constexpr std::string_view kPropertyEnd = "\"/>";
    CartProperties properties;
    const size_t open = text.find(kOpen);
    if (open == std::string_view::npos || open == 0) return properties;
    const size_t start = open + kOpen.size();
    const size_t close = text.find(kClose, start);
    if (close == std::string_view::npos) return properties;
    const std::string_view block = text.substr(start, close - start);
    for (size_t at = block.find(kProperty); at != std::string_view::npos; at = block.find(kProperty, at + 1)) {
        const size_t nameStart = at + kProperty.size();
        const size_t nameEnd = block.find('"', nameStart);
        if (nameEnd == std::string_view::npos || block.substr(nameEnd, kValue.size()) != kValue) continue;
        const size_t valueStart = nameEnd + kValue.size();
        const size_t valueEnd = block.find('"', valueStart);
        if (valueEnd == std::string_view::npos || block.substr(valueEnd, kPropertyEnd.size()) != kPropertyEnd) continue;
        const std::string_view name = block.substr(nameStart, nameEnd - nameStart);
        for (int i = 0; i < kCartPropertyCount; ++i) {
            if (name == kCartPropertyNames[i]) properties[i] = std::string(block.substr(valueStart, valueEnd - valueStart));
        }
    }
    return properties;
}

std::string RearrangeCartDate(const std::string& date) {
    if (date.size() != 10) return date;
    if (date[2] == '-' || date[2] == '/') {
        return date.substr(0, 2) + "/" + date.substr(3, 2) + "/" + date.substr(6, 4);
    }
    return date.substr(5, 2) + "/" + date.substr(8, 2) + "/" + date.substr(0, 4);
}

}  // namespace pv::audio
