// The cart mapping and the "AF" macro values of CAudioFileHeader.
#include <algorithm>
#include <cstdio>

#include "audio/AudioFileHeader.h"
#include "platform/Wildcard.h"
#include "transport/Credentials.h"
#include "transport/FileNames.h"
#include "transport/Filename.h"

namespace pv {

namespace {

using audio::CartChunk;

std::string CommasToUnderscores(std::string text) {
    std::replace(text.begin(), text.end(), ',', '_');
    return text;
}

std::string CartDateTime(const CartChunk& cart, audio::CartField date, audio::CartField time) {
    return audio::RearrangeCartDate(cart.Text(date)) + " " + cart.Text(time);
}

std::string MillisecondsText(int64_t ms) {
    char text[48];
    std::snprintf(text, sizeof text, "%lld.%03d", static_cast<long long>(ms / 1000), static_cast<int>(ms % 1000));
    return text;
}

std::string TrimBlanks(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// A cut ID is a key of the playout system, not text for people: it is made
// a plain file name as input names are.
std::string CutIdName(const CartChunk& cart) {
    std::string name = cart.Text(audio::cartCutId);
    if (!name.empty()) MakeValidFilename(name, false);
    return name;
}

// A title keeps the words and blanks people gave it: only "/", ",", ":",
// "\", "?", "*" and "|" (separators, drive and credential marks, wildcards,
// list commas) become "_", and the blanks around it go.
std::string TitleName(const CartChunk& cart) {
    std::string title = cart.Text(audio::cartTitle);
    std::replace_if(
        title.begin(), title.end(), [](char c) { return std::string_view("/,:\\?*|").find(c) != std::string_view::npos; },
        '_');
    return TrimBlanks(title);
}

bool IsControl(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// What keeps a name in its folder: no control bytes, no separators, and no
// leading dots (no hidden name, and never "." or "..").  Empty when nothing
// is left.
std::string NameInFolder(std::string name) {
    name.erase(std::remove_if(name.begin(), name.end(), IsControl), name.end());
    std::replace_if(
        name.begin(), name.end(), [](char c) { return c == '/' || c == '\\'; }, '_');
    name.erase(0, name.find_first_not_of(". "));
    return TrimBlanks(name);
}

std::string NameText(const CartChunk& cart, int mode) {
    if (mode == CAudioFileHeader::nameFromCutId) return NameInFolder(CutIdName(cart));
    if (mode == CAudioFileHeader::nameFromTitle) return NameInFolder(TitleName(cart));
    return {};
}

}  // namespace

bool CAudioFileHeader::SetInfoFromCart(const CAudioFileHeader& source, const std::string& targetPath,
                                       bool saveEntireCart) {
    if (m_pReporter) m_pReporter->Status("Setting INFO based on CART chunk:", true);
    const CartChunk cart = source.m_cart;  // source may be this very object
    const uint32_t sampleRate = source.m_nSampleRate;
    ReadHeader(targetPath);
    const struct {
        AudioTag tag;
        std::string value;
    } values[] = {
        {tagDescription, cart.Text(audio::cartTitle)},
        {tagArtist, cart.Text(audio::cartArtist)},
        {tagCategory, cart.Text(audio::cartCategory)},
        {tagOutCue, cart.Text(audio::cartOutCue)},
        {tagSavedBy, cart.Text(audio::cartProducerAppId)},
        {tagStartDate, CartDateTime(cart, audio::cartStartDate, audio::cartStartTime)},
        {tagStopDate, CartDateTime(cart, audio::cartEndDate, audio::cartEndTime)},
    };
    for (const auto& v : values) m_strTags[v.tag] = CommasToUnderscores(v.value);
    if (sampleRate != 0) {
        const int64_t introMs = static_cast<int64_t>(cart.PostTimer(0).value) * 1000 / sampleRate;
        m_strTags[tagIntroTime] = MillisecondsText(introMs);
    }
    if (saveEntireCart) {
        if (m_pReporter) m_pReporter->Status("   Tag1 set to entire Cart Chunk", true);
        if (!m_strTags[tagTag1].empty()) m_strTags[tagTag1] += "\n";
        m_strTags[tagTag1] += cart.Dump();
    }
    DeriveValues();
    return WriteTagsToFile(targetPath, false);
}

int CAudioFileHeader::NameModeFromSetting(std::string_view setting) {
    if (platform::EqualsIgnoringCase(setting, "CUTID")) return nameFromCutId;
    if (platform::EqualsIgnoringCase(setting, "LONG")) return nameFromTitle;
    return nameUnchanged;
}

bool CAudioFileHeader::NameFromCart(const CAudioFileHeader& source, std::string& outputPath, int mode) {
    const std::string name = NameText(source.m_cart, mode);
    // The name is taken without the credential part, which stays with the folder.
    const CFilename old(WithoutCredentials(outputPath));
    if (old.GetExt().empty() || name.empty()) return false;
    const std::string renamed = FolderKeepingCredentials(outputPath, false) + name + old.GetExt();
    if (WithoutCredentials(renamed) == WithoutCredentials(outputPath)) return false;
    if (m_pReporter) {
        m_pReporter->Status("Changing Output filename from " + WithoutCredentials(outputPath) + " to " +
                                WithoutCredentials(renamed) + ".",
                            true);
    }
    outputPath = renamed;
    return true;
}

bool CAudioFileHeader::AfMacroValue(std::string_view name, std::string& value) const {
    using platform::EqualsIgnoringCase;
    for (int tag = 0; tag < kAudioTagCount; ++tag) {
        const auto macro = AudioTagMacroName(static_cast<AudioTag>(tag));
        if (!macro.empty() && EqualsIgnoringCase(name, macro)) {
            value = m_strTags[tag];
            return true;
        }
    }
    if (EqualsIgnoringCase(name, "AF Length Seconds")) {
        value = std::to_string(m_nLengthSeconds);
    } else if (EqualsIgnoringCase(name, "AF Length Milliseconds")) {
        value = MillisecondsText(m_nLengthMs);
    } else if (EqualsIgnoringCase(name, "AF Length Milliseconds Only")) {
        value = std::to_string(m_nLengthMs);
    } else if (EqualsIgnoringCase(name, "AF Tag1 Summary")) {
        const std::string& tag1 = m_strTags[tagTag1];
        const auto point = tag1.find('.');
        value = point != std::string::npos && point != 0 ? tag1.substr(0, point) : tag1;
    } else {
        return false;
    }
    return true;
}

}  // namespace pv
