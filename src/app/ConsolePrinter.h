#pragma once
// The console view: every status line on stdout as shown, time stamp first,
// with "\n" line ends for the terminal.
#include <cstdio>
#include <mutex>
#include <string>

#include "notify/ProgressObserver.h"

namespace pv {

class ConsolePrinter final : public ProgressObserver {
public:
    explicit ConsolePrinter(std::FILE* out = stdout) : m_out(out) {}

    void OnProgress(const ProgressEvent& event, const StatusLine& line) override;
    // A line of the console's own (where the service works, when it started).
    void PrintLine(const std::string& line);

private:
    std::FILE* m_out;
    std::mutex m_mutex;  // the front end prints its own lines while the monitor reports
};

}  // namespace pv
