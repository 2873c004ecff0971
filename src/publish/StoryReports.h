#pragma once
// Where the publication of one story reports: fatal reports go out with the
// route and the story's slug (status line, the pass's fatal flag, and a
// message for the wire browser when the route asks for one); status
// messages go to the status line.
#include <string>

#include "config/DirOptions.h"
#include "notify/WireMessages.h"
#include "platform/Reporter.h"
#include "platform/Status.h"

namespace pv {

class StoryReports {
public:
    StoryReports(WireMessages& fatalErrors, Reporter& reporter, const CDirOptions& route, std::string slug);

    void Fatal(const std::string& text);
    // The fatal report of a failure (its message, then its detail on the
    // next line); returns the failure for the caller to pass on.
    Status Fatal(const Status& failure);
    void Note(const std::string& text);
    // A status line that also goes to the status log.
    void Log(const std::string& text);

private:
    WireMessages& m_fatalErrors;
    Reporter& m_reporter;
    const CDirOptions& m_route;
    const std::string m_slug;
};

}  // namespace pv
