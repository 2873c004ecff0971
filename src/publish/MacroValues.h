#pragma once
// Everything the template macros show about one publication, gathered by
// the publish driver before a template is filled.  The expander reads it
// and changes nothing.  Absent parts (no header, no descriptor, no audio)
// give empty values.
#include <ctime>
#include <optional>
#include <string>

#include "audio/AudioFileHeader.h"
#include "publish/DatFile.h"
#include "publish/TextFileHeader.h"

namespace pv {

// The files on the story's three link lines, for the FirstLine macros.
// The real one transfers a file the first time its name is asked for.
class LinkLineFiles {
public:
    virtual ~LinkLineFiles() = default;
    // The published name, without folder, of the file on link line `line`
    // (1 to 3), or of its low-quality ("Lo") file; empty when the line holds
    // none.
    virtual std::string PublishedName(int line, bool low) = 0;
};

// The archive folders the story is filed under.
struct ArchiveFolders {
    std::string yearAndMonth;  // "2025\12"
    std::string day;           // "09"
};

struct MacroValues {
    const CTextFileHeader* header = nullptr;
    const CDatFile* descriptor = nullptr;
    // The metadata of the story's audio file and of the audio put in front
    // of it.
    const CAudioFileHeader* audio = nullptr;
    const CAudioFileHeader* prependedAudio = nullptr;
    LinkLineFiles* linkLines = nullptr;

    std::string slug;            // as the scan cleaned it
    std::string aliasName;       // the folder alias published to
    std::string outputFilename;  // the page's file name
    std::string storagePath;     // the alias's storage folder (credentials are never shown)
    std::string uniqueFilePath;  // empty without unique naming
    std::string uniqueFilename;  // empty without unique naming
    std::string storySummary;
    ArchiveFolders archive;
    // The story text file's creation and last-write times; unknown: empty.
    std::optional<std::time_t> storyFileCreated;
    std::optional<std::time_t> storyFileModified;
    // "Use-Unicode-Conversions": apostrophes in most values become "&lsquo;".
    bool useUnicodeConversions = false;
};

}  // namespace pv
