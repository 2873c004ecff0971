#include "audio/TagBlock.h"

namespace pv {

namespace {

struct TagInfo {
    std::string_view prefix;
    std::string_view macro;
};

constexpr std::array<TagInfo, kAudioTagCount> kTags = {{
    {"QMTGDESC:", "AF Description"},
    {"QMTGOUTC:", "AF Outcue"},
    {"QMTGLPLD:", "AF LastPlayed"},
    {"QMTGTPLD:", "AF TimesPlayed"},
    {"QMTGSAVD:", "AF SavedBy"},
    {"QMTGCATG:", "AF Category"},
    {"QMTGSTAT:", "AF Status"},
    {"QMTGARST:", "AF Artist"},
    {"QMTGSTRT:", "AF StartDate"},
    {"QMTGSTOP:", "AF StopDate"},
    {"QMTGINTM:", "AF IntroTime"},
    {"QMTGOTTM:", "AF OutroTime"},
    {"QMTGINFD:", "AF IntroFade"},
    {"QMTGOTFD:", "AF OutroFade"},
    {"QMTGCDAT:", "AF CreationDate"},
    {"QMTGMDAT:", "AF ModificationDate"},
    {"QMTGDAYP:", ""},
    {"QMTGISCI:", ""},
    {"QMTGTAG1:", "AF Tag1"},
    {"QMTGALBM:", "AF Album"},
    {"QMTGYEAR:", "AF Year"},
}};

constexpr std::string_view kBegin = "QMTGBEGN\r\n";
constexpr std::string_view kEnd = "QMTGENDL\r\n";
constexpr std::string_view kBreak = "<BR>";

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// "\r\n", "\r" and "\n" each become one "<BR>".
std::string EncodeLineBreaks(const std::string& value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' || value[i] == '\n') {
            out += kBreak;
            if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n') ++i;
        } else {
            out += value[i];
        }
    }
    return out;
}

std::string_view TrimSpaces(std::string_view text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Where the prefix starts a line; failing that, where it stands anywhere, so
// a value that happens to quote another tag's prefix does not hide it.
size_t FindPrefix(std::string_view text, std::string_view prefix) {
    if (text.substr(0, prefix.size()) == prefix) return 0;
    const std::string atLineStart = "\n" + std::string(prefix);
    const size_t at = text.find(atLineStart);
    return at != std::string_view::npos ? at + 1 : text.find(prefix);
}

std::string ReadValue(std::string_view text, std::string_view prefix) {
    const size_t at = FindPrefix(text, prefix);
    if (at == std::string_view::npos) return {};
    const size_t start = at + prefix.size();
    const size_t end = text.find('\r', start);
    if (end == std::string_view::npos) return {};
    std::string value(TrimSpaces(text.substr(start, end - start)));
    ReplaceAll(value, kBreak, "\r\n");
    return value;
}

}  // namespace

std::string_view AudioTagPrefix(AudioTag tag) { return kTags[tag].prefix; }

std::string_view AudioTagMacroName(AudioTag tag) { return kTags[tag].macro; }

std::string BuildAudioTagBlock(const AudioTagValues& values) {
    std::string block(kBegin);
    for (int i = 0; i < kAudioTagCount; ++i) {
        block += kTags[i].prefix;
        block += EncodeLineBreaks(values[i]);
        block += "\r\n";
    }
    block += kEnd;
    return block;
}

AudioTagValues ParseAudioTagBlock(std::string_view text) {
    const size_t first = text.find(kTags[tagDescription].prefix);
    if (first != std::string_view::npos) text.remove_prefix(first);
    AudioTagValues values;
    for (int i = 0; i < kAudioTagCount; ++i) values[i] = ReadValue(text, kTags[i].prefix);
    return values;
}

}  // namespace pv
