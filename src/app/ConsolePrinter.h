#pragma once
// The console view: every status line on stdout as shown, time stamp first,
// with "\n" line ends for the terminal.  When stdout is the journal, each
// line starts with its syslog priority ("<3>" for fatal errors, "<4>" for a
// failed output, "<6>" otherwise), so the journal files it accordingly.
#include <cstdio>
#include <mutex>
#include <string>

#include "notify/ProgressObserver.h"

namespace pv {

// Syslog priorities the console gives its lines in the journal.
enum class LinePriority { error = 3, warning = 4, info = 6 };

LinePriority PriorityOf(const ProgressEvent& event);

class ConsolePrinter final : public ProgressObserver {
public:
    explicit ConsolePrinter(std::FILE* out = stdout, bool journalPriorities = false)
        : m_out(out), m_journalPriorities(journalPriorities) {}

    void OnProgress(const ProgressEvent& event, const StatusLine& line) override;
    // A line of the console's own (where the service works, when it started).
    void PrintLine(const std::string& line, LinePriority priority = LinePriority::info);

private:
    std::FILE* m_out;
    const bool m_journalPriorities;
    std::mutex m_mutex;  // the front end prints its own lines while the monitor reports
};

}  // namespace pv
