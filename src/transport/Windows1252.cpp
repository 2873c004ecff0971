#include "transport/Windows1252.h"

#include <array>
#include <cstdint>

namespace pv {

namespace {

// The characters of 0x80 to 0x9F; the unassigned bytes keep their own number.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char kUnmappable = '?';

char32_t CharacterOf(unsigned char byte) {
    return byte >= 0x80 && byte <= 0x9F ? kHighControls[byte - 0x80] : byte;
}

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The byte of a character, or kUnmappable.
char ByteOf(char32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<char>(code);
    for (size_t i = 0; i < kHighControls.size(); ++i)
        if (kHighControls[i] == code) return static_cast<char>(0x80 + i);
    return kUnmappable;
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Decodes the well-formed sequence at text[at]: its length, or 0 when there
// is none there.
size_t DecodeAt(std::string_view text, size_t at, char32_t& code) {
    const auto byte = [&](size_t i) -> unsigned char {
        return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0;
    };
    const unsigned char lead = byte(0);
    size_t length = 0;
    char32_t lowest = 0;
    if (lead < 0x80) {
        code = lead;
        return 1;
    } else if ((lead & 0xE0) == 0xC0) {
        length = 2, code = lead & 0x1F, lowest = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, code = lead & 0x0F, lowest = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, code = lead & 0x07, lowest = 0x10000;
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (!IsContinuation(byte(i))) return 0;
        code = (code << 6) | (byte(i) & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return length;
}

}  // namespace

std::string Utf8FromWindows1252(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) AppendUtf8(out, CharacterOf(static_cast<unsigned char>(c)));
    return out;
}

std::string Windows1252FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        char32_t code = 0;
        const size_t length = DecodeAt(text, at, code);
        out += length == 0 ? kUnmappable : ByteOf(code);
        at += length == 0 ? 1 : length;
    }
    return out;
}

}  // namespace pv
