#pragma once
// The story branch of the directory scan: one story file of a publishing
// route, from the file as it arrived to its end.  A ".wav" on a route that
// precreates stories gets a story text written for it first.  The descriptor
// and the header are read, a long-waiting story is mailed about, and the
// story is handed to the publish driver once for every alias (with retries);
// then it is deleted, put on hold, or left for the next pass.
#include <atomic>
#include <ctime>
#include <set>
#include <string>

#include "config/DirOptions.h"
#include "notify/MailSender.h"
#include "notify/TraceLog.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "publish/StoryAliases.h"
#include "publish/StoryDriver.h"
#include "publish/StoryOptions.h"
#include "relay/DirectoryScan.h"
#include "transport/FileAccess.h"
#include "transport/FileData.h"

namespace pv {

// The alias that means "the alias the descriptor names".
inline constexpr const char* kDescriptorAlias = "QMUseDBFolderAlias";

struct StoryIntakeContext {
    FileAccess& files;
    Reporter& reporter;
    TraceLog& trace;
    platform::Clock& clock;
    WireMessages& messages;
    const MailSender& mail;
    const std::atomic<bool>& exit;
    std::time_t serviceStart;
};

class StoryIntake {
public:
    StoryIntake(const StoryIntakeContext& context, StoryOptions options, StoryDriver& driver);

    StoryOutcome Handle(const CDirOptions& route, const tagFileInfo& file);

private:
    struct Paths {
        Location input;       // the file as listed
        Location descriptor;  // <title>.dat
        Location storyText;   // <title>.txt
    };
    static Paths PathsFor(const CDirOptions& route, const std::string& name);
    bool Precreate(const CDirOptions& route, const std::string& name, const Location& storyText);
    bool ReadDescriptor(const Paths& paths, CDatFile& descriptor);
    void NoteFileTime(std::time_t when);
    void MailIfDelayed(const tagFileInfo& file, const Location& storyText);
    bool PublishAll(StorySubmission& submission, const std::string& fileName);
    bool PublishAlias(StorySubmission& submission, const std::string& alias);
    bool ResolveAlias(const CDirOptions& route, const CDatFile& descriptor, std::string& alias);
    void PauseBeforeRetry();
    void Finish(const CDirOptions& route, const Paths& paths, bool failed, bool precreated);
    void PutOnHold(const CDirOptions& route, const Paths& paths, bool withInput);
    bool MoveIntoFolder(const Location& file, const Location& folder);
    void WriteWarning(const Location& file, const std::string& text);
    void Notify(const std::string& to, const std::string& text);

    StoryIntakeContext m_context;
    const StoryOptions m_options;
    StoryDriver& m_driver;
    CFileData m_story;
};

}  // namespace pv
