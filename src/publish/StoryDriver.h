#pragma once
// What publishes one story under one folder alias.  The scan's story branch
// (StoryIntake) hands each alias of a story to it in turn.
#include <ctime>
#include <optional>
#include <string>

#include "config/DirOptions.h"
#include "publish/DatFile.h"
#include "publish/TextFileHeader.h"
#include "transport/FileData.h"
#include "transport/FtpFile.h"
#include "transport/Location.h"

namespace pv {

// One story as the scan found it, for one publication attempt.
struct StorySubmission {
    const CDirOptions& route;
    CFileData& story;  // story.work.alias: the alias to publish under
    const CTextFileHeader& header;
    const CDatFile& descriptor;  // clear when the route reads no descriptors
    Location storyText;          // the story text in the input folder
    Location descriptorFile;     // its descriptor (which may not exist)
    CFTPFile& openStory;         // the story text, open at its first body line
    // The story file's time as the folder listed it (this host keeps no
    // creation time apart: it stands for both).
    std::optional<std::time_t> fileTime = std::nullopt;
};

class StoryDriver {
public:
    virtual ~StoryDriver() = default;
    // True when the story was published under submission.story.work.alias.
    // May add aliases to submission.story.work.aliases (they are published
    // after the others).
    virtual bool PublishStory(StorySubmission& submission) = 0;
    // After a story was published: naming goes back to what the aliases ask
    // for (unique names off until an alias turns them on again).
    virtual void AfterPublication(const CDirOptions& route) = 0;
};

}  // namespace pv
