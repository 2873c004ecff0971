#include "audio/WmaProfile.h"

#include <initializer_list>
#include <limits>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

namespace pv::audio {

namespace {

using Attributes = std::map<std::string, std::string>;  // names in lower case

struct Element {
    std::string name;  // lower case; an end tag's name starts with '/'
    Attributes attributes;
};

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string Lower(std::string text) {
    for (char& c : text) c = AsciiLower(c);
    return text;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
           c == '-' || c == '.';
}

char Ascii(unsigned unit) { return unit < 0x80 ? static_cast<char>(unit) : '?'; }

std::string FromUtf16(const std::string& bytes, size_t start, bool bigEndian) {
    std::string text;
    text.reserve(bytes.size() / 2);
    for (size_t i = start; i + 1 < bytes.size(); i += 2) {
        const unsigned first = static_cast<unsigned char>(bytes[i]);
        const unsigned second = static_cast<unsigned char>(bytes[i + 1]);
        text += Ascii(bigEndian ? (first << 8 | second) : (second << 8 | first));
    }
    return text;
}

std::string From8Bit(const std::string& bytes, size_t start) {
    std::string text;
    text.reserve(bytes.size());
    for (size_t i = start; i < bytes.size(); ++i) text += Ascii(static_cast<unsigned char>(bytes[i]));
    return text;
}

bool StartsWith(const std::string& bytes, std::string_view prefix) {
    return bytes.size() >= prefix.size() && std::string_view(bytes).substr(0, prefix.size()) == prefix;
}

// Walks the elements of the text one start or end tag at a time, skipping
// comments, processing instructions and declarations.
class ElementReader {
public:
    explicit ElementReader(const std::string& text) : m_text(text) {}

    bool Next(Element& element) {
        while ((m_pos = m_text.find('<', m_pos)) != std::string::npos) {
            if (SkipMarkup()) continue;
            ++m_pos;
            element.name = Lower(ReadName(true));
            element.attributes.clear();
            ReadAttributes(element.attributes);
            return true;
        }
        m_pos = m_text.size();
        return false;
    }

private:
    // Steps over "<!-- ... -->", "<? ... ?>" and "<! ... >"; false elsewhere.
    bool SkipMarkup() {
        if (m_text.compare(m_pos, 4, "<!--") == 0) {
            const size_t end = m_text.find("-->", m_pos + 4);
            m_pos = end == std::string::npos ? m_text.size() : end + 3;
            return true;
        }
        if (m_pos + 1 < m_text.size() && (m_text[m_pos + 1] == '?' || m_text[m_pos + 1] == '!')) {
            const size_t end = m_text.find('>', m_pos);
            m_pos = end == std::string::npos ? m_text.size() : end + 1;
            return true;
        }
        return false;
    }

    std::string ReadName(bool allowSlash) {
        const size_t start = m_pos;
        if (allowSlash && m_pos < m_text.size() && m_text[m_pos] == '/') ++m_pos;
        while (m_pos < m_text.size() && IsNameChar(m_text[m_pos])) ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    void SkipSpaces() {
        while (m_pos < m_text.size() && IsSpace(m_text[m_pos])) ++m_pos;
    }

    // A quoted value, or an unquoted one up to a space or the tag's end;
    // nothing for a quote that never closes (the text was cut).
    std::optional<std::string> ReadValue() {
        if (m_pos < m_text.size() && (m_text[m_pos] == '"' || m_text[m_pos] == '\'')) {
            const char quote = m_text[m_pos++];
            const size_t end = m_text.find(quote, m_pos);
            if (end == std::string::npos) {
                m_pos = m_text.size();
                return std::nullopt;
            }
            std::string value = m_text.substr(m_pos, end - m_pos);
            m_pos = end + 1;
            return value;
        }
        const size_t start = m_pos;
        while (m_pos < m_text.size() && !IsSpace(m_text[m_pos]) && m_text[m_pos] != '>' && m_text[m_pos] != '/') {
            ++m_pos;
        }
        return m_text.substr(start, m_pos - start);
    }

    // Reads name="value" pairs up to the '>' that ends the tag; the first of
    // two attributes with the same name counts.
    void ReadAttributes(Attributes& attributes) {
        for (;;) {
            SkipSpaces();
            if (m_pos >= m_text.size()) return;
            if (m_text[m_pos] == '>') {
                ++m_pos;
                return;
            }
            const std::string name = Lower(ReadName(false));
            if (name.empty()) {
                ++m_pos;  // '/' of an empty element, or a stray character
                continue;
            }
            SkipSpaces();
            if (m_pos >= m_text.size() || m_text[m_pos] != '=') continue;
            ++m_pos;
            SkipSpaces();
            if (auto value = ReadValue()) attributes.emplace(name, std::move(*value));
        }
    }

    const std::string& m_text;
    size_t m_pos = 0;
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = AsciiLower(c);
    return (c >= 'a' && c <= 'f') ? c - 'a' + 10 : -1;
}

// A decimal or "0x" hexadecimal number, surrounding spaces allowed.
std::optional<uint64_t> Number(std::string_view text) {
    while (!text.empty() && IsSpace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    unsigned base = 10;
    if (text.size() > 2 && text[0] == '0' && AsciiLower(text[1]) == 'x') {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || text.size() > 16) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) return std::nullopt;
        value = value * base + static_cast<unsigned>(digit);
    }
    return value;
}

// The first of the names that is present with a number that fits T.
template <typename T>
std::optional<T> Field(const Attributes& attributes, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        const auto found = attributes.find(name);
        if (found == attributes.end()) continue;
        const auto value = Number(found->second);
        if (value && *value <= std::numeric_limits<T>::max()) return static_cast<T>(*value);
        return std::nullopt;
    }
    return std::nullopt;
}

// The format tag in a media subtype GUID "{00000161-0000-0010-8000-...}".
std::optional<uint16_t> SubtypeTag(const Attributes& mediaType) {
    const auto found = mediaType.find("subtype");
    if (found == mediaType.end()) return std::nullopt;
    std::string_view guid = found->second;
    if (!guid.empty() && guid.front() == '{') guid.remove_prefix(1);
    if (guid.size() < 9 || guid[8] != '-') return std::nullopt;
    const auto value = Number("0x" + std::string(guid.substr(0, 8)));
    if (!value || *value > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(*value);
}

bool ReadAudioStream(const Attributes& wave, const Attributes& mediaType, const Attributes& stream,
                     WmaProfile& profile) {
    WmaProfile p;
    p.formatTag = Field<uint16_t>(wave, {"wformattag", "formattag"}).value_or(SubtypeTag(mediaType).value_or(0));
    p.channels = Field<uint16_t>(wave, {"nchannels", "channels"}).value_or(0);
    p.samplesPerSec = Field<uint32_t>(wave, {"nsamplespersec", "samplespersec", "samplerate"}).value_or(0);
    p.avgBytesPerSec = Field<uint32_t>(wave, {"navgbytespersec", "avgbytespersec"}).value_or(0);
    p.blockAlign = Field<uint16_t>(wave, {"nblockalign", "blockalign"}).value_or(0);
    p.bitsPerSample = Field<uint16_t>(wave, {"wbitspersample", "bitspersample"}).value_or(16);
    const uint64_t fromAverage = static_cast<uint64_t>(p.avgBytesPerSec) * 8;
    const uint32_t fallback =
        fromAverage <= std::numeric_limits<uint32_t>::max() ? static_cast<uint32_t>(fromAverage) : 0;
    p.bitRate = Field<uint32_t>(stream, {"bitrate"}).value_or(fallback);
    if (p.channels == 0 || p.samplesPerSec == 0) return false;
    profile = p;
    return true;
}

}  // namespace

std::string ProfileText(const std::string& bytes) {
    if (StartsWith(bytes, "\xFF\xFE")) return FromUtf16(bytes, 2, false);
    if (StartsWith(bytes, "\xFE\xFF")) return FromUtf16(bytes, 2, true);
    if (StartsWith(bytes, "\xEF\xBB\xBF")) return From8Bit(bytes, 3);
    if (bytes.size() >= 2 && bytes[0] != '\0' && bytes[1] == '\0') return FromUtf16(bytes, 0, false);
    if (bytes.size() >= 2 && bytes[0] == '\0' && bytes[1] != '\0') return FromUtf16(bytes, 0, true);
    return From8Bit(bytes, 0);
}

bool ParseWmaProfile(const std::string& bytes, WmaProfile& profile) {
    const std::string text = ProfileText(bytes);
    ElementReader reader(text);
    Element element;
    Attributes stream, mediaType;
    while (reader.Next(element)) {
        if (element.name == "streamconfig") {
            stream = element.attributes;
            mediaType.clear();
        } else if (element.name == "/streamconfig") {
            stream.clear();
            mediaType.clear();
        } else if (element.name == "wmmediatype") {
            mediaType = element.attributes;
        } else if (element.name == "waveformatex") {
            return ReadAudioStream(element.attributes, mediaType, stream, profile);
        }
    }
    return false;
}

}  // namespace pv::audio
