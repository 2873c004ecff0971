#pragma once
// ProcessDirectory: one route, one pass.  Lists the input folder, keeps the
// files that are complete and not newer than the scan start, orders them and
// hands each to the relay (or, on a route that publishes stories, to the
// story handler).
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "config/DirOptions.h"
#include "notify/TraceLog.h"
#include "notify/WireMessages.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "relay/FileTransfer.h"
#include "relay/MonitorState.h"
#include "transport/FileAccess.h"

namespace pv {

// What became of one story file: whether it was published, and the alias
// and slug that the scan's closing line names.
struct StoryOutcome {
    bool published = false;
    std::string alias;
    std::string slug;
};

class DirectoryScan {
public:
    // Publishes one story file of a route; the story issue fills it in.
    using StoryHandler = std::function<StoryOutcome(const CDirOptions& route, const tagFileInfo& file)>;

    DirectoryScan(FileAccess& files, Reporter& reporter, TraceLog& trace, platform::Clock& clock,
                  MonitorState& state, WireMessages& messages, FileTransfer& transfer,
                  PublishOrder order = PublishOrder::listing, StoryHandler story = {});


    void ProcessDirectory(const CDirOptions& route);

    // Lists the route's files not newer than the scan start, in publish order.
    // False when the listing failed.
    bool ListFiles(const Location& folder, const std::string& pattern, bool ftp, std::vector<tagFileInfo>& files);
    static void Order(std::vector<tagFileInfo>& files, PublishOrder order);

private:
    bool PassesScanTwice(const CDirOptions& route, const tagFileInfo& file, bool ftp);
    bool AcceptableName(const CDirOptions& route, const std::string& name);
    bool DueForReport(const std::string& path);
    bool StillBeingWritten(const Location& file, bool ftp);
    // True when the file got past the selection (name, scan-twice).
    bool HandleFile(const CDirOptions& route, const tagFileInfo& file, bool ftp, StoryOutcome& story);
    void ShowStart(const tagFileInfo& file);

    FileAccess& m_files;
    Reporter& m_reporter;
    TraceLog& m_trace;
    platform::Clock& m_clock;
    static constexpr std::time_t kRefusedReportSeconds = 3600;
    static constexpr size_t kMaxRefusedRemembered = 10000;
    std::map<std::string, std::time_t> m_refusedReported;  // refused path -> when last reported
    // What the previous scan of each route saw, for the scan-twice rule.
    struct ScanTwiceMemory {
        std::vector<std::string> names;
        std::vector<uint64_t> sizes;  // parallel to the names
    };
    std::map<const CDirOptions*, ScanTwiceMemory> m_scanTwice;
    MonitorState& m_state;
    WireMessages& m_messages;
    FileTransfer& m_transfer;
    const PublishOrder m_publishOrder;
    const StoryHandler m_story;
};

}  // namespace pv
