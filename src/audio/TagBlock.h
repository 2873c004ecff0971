#pragma once
// The text tag block kept in the ICMT sub-chunk of a WAV file's LIST/INFO
// chunk: "QMTGBEGN", one "QMTGxxxx:value" line per tag, "QMTGENDL", each line
// ending in CR LF.  Line breaks inside a value are written as "<BR>".
#include <array>
#include <string>
#include <string_view>

namespace pv {

// The tags in the order of the block.
enum AudioTag {
    tagDescription,
    tagOutCue,
    tagLastPlayed,
    tagTimesPlayed,
    tagSavedBy,
    tagCategory,
    tagStatus,
    tagArtist,
    tagStartDate,
    tagStopDate,
    tagIntroTime,
    tagOutroTime,
    tagIntroFade,
    tagOutroFade,
    tagCreationDate,
    tagModificationDate,
    tagDayPart,
    tagIsci,
    tagTag1,
    tagAlbum,
    tagYear,
    kAudioTagCount
};

using AudioTagValues = std::array<std::string, kAudioTagCount>;

// "QMTGDESC:" and the others: tag name and colon, 9 characters.
std::string_view AudioTagPrefix(AudioTag tag);
// The name of the tag's "AF" macro ("AF Description"); empty when it has none.
std::string_view AudioTagMacroName(AudioTag tag);

// Builds the block from the values (line breaks become "<BR>").
std::string BuildAudioTagBlock(const AudioTagValues& values);
// Reads the values from the block text; missing tags read as empty.
AudioTagValues ParseAudioTagBlock(std::string_view text);

}  // namespace pv
