#pragma once
// One publication: one story under one folder alias, from the read of the
// alias's options to the receipt.  The publish driver fills it step by step
// and hands it to the steps other components take (archive, page safety,
// index, links); each step reads what it needs and writes only its own part.
#include <ctime>
#include <memory>
#include <string>

#include "config/RouteStoryState.h"
#include "publish/MacroValues.h"
#include "publish/StoryDriver.h"
#include "publish/StoryReports.h"
#include "publish/StoryTextCopy.h"
#include "transport/FtpFile.h"
#include "transport/Location.h"

namespace pv {

class StoryReferences;

// The places of one publication.  Every location keeps the storage folder's
// FTP credentials; what is shown uses Display().
struct PublicationPaths {
    Location storage;  // the folder the page goes to, ending in a separator
    Location output;   // storage + the output file name
    Location work;     // output + ".tmp": the whole new page, until it is put in place
};

struct Publication {
    StorySubmission& submission;
    RouteStoryState& routeState;
    StoryReports& reports;
    CFTPFile& output;  // every output operation runs through it
    MacroValues& values;
    PublicationPaths paths;
    // The page's naming for this publication: a fresh numbered (or slug, or
    // source) name, rather than a fixed page that is rewritten.
    bool uniqueNaming = false;
    // When the publication started: its weekday names the daily backup.
    std::time_t started = 0;
    // The files the story's references name (set by the driver).
    StoryReferences* references = nullptr;
    // The story rewritten for this publication, when a step rewrote it
    // (links moved to the top); the templates then read it.
    std::unique_ptr<StoryTextCopy> storyCopy = nullptr;
    // The metadata of the audio put in front of the story's audio (the
    // "Prepended AF" macros); empty until an attachment gets some.
    CAudioFileHeader prependedAudio{};

    // The story text the steps and the templates read.
    CFileString& StoryText() { return storyCopy ? static_cast<CFileString&>(storyCopy->File()) : submission.openStory; }
    const CDirOptions& Route() const { return submission.route; }
    CFileData& Story() { return submission.story; }
    const CFileData& Story() const { return submission.story; }
    const CFileData::AliasOptions& Options() const { return submission.story.options; }
};

}  // namespace pv
