#include "notify/MailText.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "transport/Windows1252.h"

namespace pv {

namespace {

// A byte that is no UTF-8: its Windows-1252 character, or U+FFFD for the
// five bytes Windows-1252 leaves unassigned (a mail shows no C1 controls).
void AppendCp1252(std::string& out, unsigned char c) {
    static constexpr unsigned char kUnassigned[] = {0x81, 0x8D, 0x8F, 0x90, 0x9D};
    if (std::find(std::begin(kUnassigned), std::end(kUnassigned), c) != std::end(kUnassigned)) {
        out += "\xEF\xBF\xBD";
        return;
    }
    const char byte = static_cast<char>(c);
    out += Utf8FromWindows1252(std::string_view(&byte, 1));
}

bool InRange(unsigned char c, unsigned char low, unsigned char high) { return c >= low && c <= high; }

// The length of the well-formed UTF-8 sequence at text[at] (no overlong
// forms, no surrogates, nothing beyond U+10FFFF); 0 when there is none.
size_t Utf8SequenceAt(const std::string& text, size_t at) {
    auto byte = [&](size_t i) { return at + i < text.size() ? static_cast<unsigned char>(text[at + i]) : 0; };
    const unsigned char lead = byte(0);
    auto continued = [&](size_t count) {
        for (size_t i = 2; i <= count; ++i)
            if (!InRange(byte(i), 0x80, 0xBF)) return false;
        return true;
    };
    if (lead < 0x80) return 1;
    if (InRange(lead, 0xC2, 0xDF)) return InRange(byte(1), 0x80, 0xBF) ? 2 : 0;
    if (InRange(lead, 0xE0, 0xEF)) {
        const unsigned char low = lead == 0xE0 ? 0xA0 : 0x80, high = lead == 0xED ? 0x9F : 0xBF;
        return InRange(byte(1), low, high) && continued(2) ? 3 : 0;
    }
    if (InRange(lead, 0xF0, 0xF4)) {
        const unsigned char low = lead == 0xF0 ? 0x90 : 0x80, high = lead == 0xF4 ? 0x8F : 0xBF;
        return InRange(byte(1), low, high) && continued(3) ? 4 : 0;
    }
    return 0;
}

bool IsAscii(const std::string& text) {
    for (unsigned char c : text)
        if (c >= 0x80) return false;
    return true;
}

}  // namespace

std::string MailUtf8(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size();) {
        const size_t length = Utf8SequenceAt(text, at);
        if (length == 0) {
            AppendCp1252(out, static_cast<unsigned char>(text[at++]));
        } else {
            out.append(text, at, length);
            at += length;
        }
    }
    return out;
}

std::string CrLfLines(const std::string& text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t at = 0; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '\r' || c == '\n') {
            out += "\r\n";
            if (c == '\r' && at + 1 < text.size() && text[at + 1] == '\n') ++at;
        } else {
            out += c;
        }
    }
    return out;
}

std::string Base64(const std::string& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) | (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                           static_cast<unsigned char>(bytes[i + 2]);
        out += {kDigits[v >> 18], kDigits[(v >> 12) & 63], kDigits[(v >> 6) & 63], kDigits[v & 63]};
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kDigits[v >> 18];
        out += kDigits[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kDigits[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::string OneLine(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return out;
}

std::string MailSubjectHeader(const std::string& subject) {
    const std::string line = OneLine(subject);
    if (IsAscii(line)) return line;
    // 45 bytes make 60 Base64 characters: with "=?UTF-8?B?" and "?=" 72 of
    // the 75 an encoded word may have.  A character is never split.
    constexpr size_t kWordBytes = 45;
    const std::string text = MailUtf8(line);
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t end = at;
        while (end < text.size()) {
            const size_t length = std::max<size_t>(Utf8SequenceAt(text, end), 1);
            if (end > at && end + length - at > kWordBytes) break;
            end += length;
        }
        if (!out.empty()) out += "\r\n ";
        out += "=?UTF-8?B?" + Base64(text.substr(at, end - at)) + "?=";
        at = end;
    }
    return out;
}

std::string AttachmentDisposition(const std::string& fileName) {
    const std::string name = OneLine(fileName);
    if (IsAscii(name)) {
        std::string quoted;
        for (char c : name) {
            if (c == '"' || c == '\\') quoted += '\\';
            quoted += c;
        }
        return "attachment; filename=\"" + quoted + "\"";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    for (unsigned char c : MailUtf8(name)) {
        const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                           std::string_view("!#$&+-.^_`|~").find(static_cast<char>(c)) != std::string_view::npos;
        if (plain) {
            encoded += static_cast<char>(c);
        } else {
            encoded += '%';
            encoded += kHex[c >> 4];
            encoded += kHex[c & 15];
        }
    }
    // Long names go in numbered pieces on lines of their own (RFC 2231
    // continuations), never splitting a %XX.
    constexpr size_t kPiece = 60;
    if (encoded.size() <= kPiece) return "attachment; filename*=UTF-8''" + encoded;
    std::string out = "attachment";
    for (size_t at = 0, n = 0; at < encoded.size(); ++n) {
        size_t end = std::min(at + kPiece, encoded.size());
        if (end < encoded.size() && encoded[end - 1] == '%') end -= 1;
        else if (end < encoded.size() && encoded[end - 2] == '%') end -= 2;
        out += ";\r\n filename*" + std::to_string(n) + "*=" + (n == 0 ? "UTF-8''" : "") + encoded.substr(at, end - at);
        at = end;
    }
    return out;
}

}  // namespace pv
