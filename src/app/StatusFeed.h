#pragma once
// The status lines as the window shows them: an observer of the service's
// progress that keeps the last lines it saw.  The monitor thread adds lines;
// the window takes the display text on its timer tick.
#include <deque>
#include <mutex>
#include <string>

#include "notify/ProgressObserver.h"

namespace pv {

class StatusFeed final : public ProgressObserver {
public:
    // Lines kept; "Display Lines" never asks for more.
    static constexpr size_t kKept = 100;

    void OnProgress(const ProgressEvent& event, const StatusLine& line) override;

    // When a line came since the last call: the last `lines` lines, oldest
    // first, each followed by "\r\n", and true.  False otherwise.
    bool TakeDisplay(int lines, std::string& text);

private:
    std::mutex m_mutex;
    std::deque<std::string> m_lines;
    bool m_changed = false;
};

}  // namespace pv
