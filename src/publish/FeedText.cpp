#include "publish/FeedText.h"

#include <algorithm>
#include <string_view>

namespace pv {

namespace {

constexpr std::string_view kNbsp = "&nbsp;";

// The HTML 4.01 entity names of the ISO 8859-1 code points 192 to 255.
constexpr std::string_view kLatinEntities[64] = {
    "Agrave", "Aacute", "Acirc",  "Atilde", "Auml",   "Aring",  "AElig",  "Ccedil", "Egrave", "Eacute", "Ecirc",
    "Euml",   "Igrave", "Iacute", "Icirc",  "Iuml",   "ETH",    "Ntilde", "Ograve", "Oacute", "Ocirc",  "Otilde",
    "Ouml",   "times",  "Oslash", "Ugrave", "Uacute", "Ucirc",  "Uuml",   "Yacute", "THORN",  "szlig",  "agrave",
    "aacute", "acirc",  "atilde", "auml",   "aring",  "aelig",  "ccedil", "egrave", "eacute", "ecirc",  "euml",
    "igrave", "iacute", "icirc",  "iuml",   "eth",    "ntilde", "ograve", "oacute", "ocirc",  "otilde", "ouml",
    "divide", "oslash", "ugrave", "uacute", "ucirc",  "uuml",   "yacute", "thorn",  "yuml"};

// What one character becomes; empty when it stays.  isLast: it is the last
// character of the text.
std::string Replacement(unsigned char c, bool isLast) {
    switch (c) {
        case '"': case '`': case 146: case 180: return "&quot;";
        case '&': return isLast ? std::string() : "&amp;";
        case '\'': return "&apos;";
        case '<': return "&lt;";
        case '>': return "&gt;";
        case 160: return std::string(kNbsp);
        default: break;
    }
    if (c >= 192) return "&" + std::string(kLatinEntities[c - 192]) + ";";
    return {};
}

// Whether original[0, end) followed by the converted tail begins with
// "&nbsp;".  The tail is held back to front.
bool BeginsWithNbsp(std::string_view original, size_t end, std::string_view tailReversed) {
    const size_t fromOriginal = std::min(end, kNbsp.size());
    if (original.substr(0, fromOriginal) != kNbsp.substr(0, fromOriginal)) return false;
    const std::string_view wanted = kNbsp.substr(fromOriginal);
    if (tailReversed.size() < wanted.size()) return false;
    for (size_t i = 0; i < wanted.size(); ++i)
        if (tailReversed[tailReversed.size() - 1 - i] != wanted[i]) return false;
    return true;
}

void ShrinkRuns(std::string& text, char c) {
    const auto last = std::unique(text.begin(), text.end(), [c](char a, char b) { return a == c && b == c; });
    text.erase(last, text.end());
}

// mayBeConverted: the "&nbsp;" rule applies.
void Convert(std::string& text, bool mayBeConverted) {
    // The converted tail is built back to front, then turned around.
    std::string tailReversed;
    tailReversed.reserve(text.size());
    for (size_t i = text.size(); i-- > 0;) {
        std::string piece;
        if (!mayBeConverted || !BeginsWithNbsp(text, i + 1, tailReversed))
            piece = Replacement(static_cast<unsigned char>(text[i]), tailReversed.empty());
        if (piece.empty()) piece = std::string(1, text[i]);
        tailReversed.append(piece.rbegin(), piece.rend());
    }
    text.assign(tailReversed.rbegin(), tailReversed.rend());
    ShrinkRuns(text, ' ');
    ShrinkRuns(text, '_');
    ShrinkRuns(text, '-');
}

}  // namespace

void ConvertForFeed(std::string& text) { Convert(text, true); }

void ConvertPlainTextForFeed(std::string& text) { Convert(text, false); }

}  // namespace pv
