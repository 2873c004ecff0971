#pragma once
// A view of the service's progress: the console, the status board, a window.
#include "notify/StatusPrinter.h"
#include "platform/ProgressEvent.h"

namespace pv {

class ProgressObserver {
public:
    virtual ~ProgressObserver() = default;
    // Every reported event with the status line printed from it, one at a
    // time and in the order they were reported.  Runs on the reporting
    // thread; it may report in turn (that line follows this one).
    virtual void OnProgress(const ProgressEvent& event, const StatusLine& line) = 0;
};

}  // namespace pv
