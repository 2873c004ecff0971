#pragma once
// Turns progress events into status lines: the one place that knows the
// words of every typed event and whether its line goes to the status log.
#include <ctime>
#include <string>

#include "platform/ProgressEvent.h"

namespace pv {

// One status line as every view gets it.
struct StatusLine {
    std::string text;          // the words, line ends as written
    bool toStatusLog = false;  // also for the daily status log (when that is on)
    std::string stamped;       // time stamp, then the words with "\r\n" line ends: as shown
};

class StatusPrinter {
public:
    // The status line of an event reported at `when`.
    StatusLine Print(const ProgressEvent& event, std::time_t when) const;

private:
    static StatusLine Words(const StatusNote& note);
    static StatusLine Words(const PassStarted& started);
    static StatusLine Words(const FileFound& found);
    static StatusLine Words(const OutputStarted& started);
    static StatusLine Words(const OutputDelivered& delivered);
    static StatusLine Words(const OutputFailed& failed);
    static StatusLine Words(const PassEnded& ended);
    static StatusLine Words(const FatalError& error);
};

}  // namespace pv
