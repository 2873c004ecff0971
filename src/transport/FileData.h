#pragma once
// The working record of one file while the directory scan and the story
// publisher process it: the options of the folder alias being published, the
// state of the template being filled, and the values worked out on the way.
//
// Two resets: Reset() when the scan starts a new file, ResetOptions() before
// the options of each alias are read.  Every group below is a plain struct
// with its defaults written on the members, so a field added to a group is
// reset with it without further code.
#include <string>
#include <vector>

namespace pv {

class CFileData {
public:
    static constexpr const char* kDefaultTextTemplate = "TextTemplate";
    static constexpr const char* kDefaultLinkTemplate = "TextLinkTemplate";
    static constexpr const char* kDefaultExtensionlessTemplateExt = ".htm";
    static constexpr int kDefaultMinFileSize = 100;

    // Options of the folder alias being published; back to these defaults
    // before every read of the alias file.
    struct AliasOptions {
        std::string databasePath;
        std::string databaseFolder;  // folder of databasePath, with its separator
        std::string outputFilename;
        std::string outputExtension;
        std::string templateFolder;
        std::string templateName;  // named template section
        std::string textTemplateName = kDefaultTextTemplate;
        std::string linkTemplateName = kDefaultLinkTemplate;
        std::string extensionlessTemplateExt = kDefaultExtensionlessTemplateExt;
        std::string userId;
        std::string password;
        std::string backupPath;
        std::string audioToPrepend;
        std::string wmaProfileFilename;

        bool replaceFile = false;
        bool modifyFile = false;
        bool noIndex = false;
        bool replaceOrderedEntry = false;
        bool dontPurgeOldLinkedFiles = false;
        bool moveFirstLinksToTop = false;
        bool useSlugForFilename = false;
        bool dontModifyAttachmentFilenames = false;
        bool useNumberedOutputFilenamesForAttachments = false;
        bool copyDatFile = false;
        bool useOriginalFilename = false;
        bool copyLinkedFiles = false;
        bool dontCopyLinkedFiles = false;
        bool deleteLinkedFilesAfterCopy = false;
        bool prependAudio = false;
        bool appendPrependedAudio = false;
        bool receiptByFile = false;
        bool receiptByEmail = false;

        int orderedEntry = 0;
        int audioFormat = 0;
        int audioBitrate = 0;
        int audioRatio = 0;
        int audioPrependSilence = 0;
        int audioAppendSilence = 0;
    };

    // Alias options that one alias of a story hands on to the next: reset
    // only when a new file starts, not before each alias.
    struct FileOptions {
        int minFileSize = kDefaultMinFileSize;
        bool overwriteAttachmentFiles = false;
        bool prependDateToAttachmentFilenames = false;
        bool prependDashedDateToAttachmentFilenames = false;
    };

    // State of the template being filled; reset with the alias options.
    struct TemplateState {
        bool expansionEnabled = true;
        bool outputSuppressed = false;
        std::vector<bool> conditionStack;  // saved outputSuppressed, one per open If
    };

    // Values the scan and the publisher work out for this file.
    struct WorkValues {
        std::string sourcePath;
        std::string alias;                 // the alias being published
        std::vector<std::string> aliases;  // every alias the story goes to
        std::string slug;
        int command = 0;        // the publishing command (a StoryCommand code)
        std::string fileDate;   // the story file's time as "MM/DD/YYYY"
        std::string fileTime;   // and as "HH:MM:SS"
        std::string storagePath;  // the folder the page goes to, ending in a separator
        std::string archiveSubfolder;
        // What a line break and a blank of story text become in the page.
        std::string lineBreak;
        std::string blank;
        // The alias's "nbsp": blank runs become the blank text everywhere,
        // preformatted text and plain-text pages too.
        bool blankOverride = false;
        // "addspacetoblanklines": an empty line of story text gets a blank.
        bool addSpaceToBlankLines = false;
        // "rss": the story blocks always write for a feed.
        bool feed = false;
        std::vector<std::string> strings;
        std::vector<unsigned> numbers;
    };

    CFileData() = default;

    // A new file: everything cleared, then the alias option defaults.
    void Reset();
    // Before the options of one alias are read.
    void ResetOptions();

    AliasOptions options;
    FileOptions fileOptions;
    TemplateState templateState;
    WorkValues work;

    // Story header, submission descriptor, the two audio headers and the
    // attached-file records join here as their classes arrive; Reset()
    // clears them.
};

}  // namespace pv
