#include "app/ConsolePrinter.h"

namespace pv {

LinePriority PriorityOf(const ProgressEvent& event) {
    if (std::holds_alternative<FatalError>(event)) return LinePriority::error;
    if (std::holds_alternative<OutputFailed>(event)) return LinePriority::warning;
    return LinePriority::info;
}

void ConsolePrinter::OnProgress(const ProgressEvent& event, const StatusLine& line) {
    PrintLine(line.stamped, PriorityOf(event));
}

// Status lines keep their "\r\n" inside; a terminal wants "\n".  The journal
// takes every line on its own, so each carries the priority.
void ConsolePrinter::PrintLine(const std::string& line, LinePriority priority) {
    const std::string prefix =
        m_journalPriorities ? "<" + std::to_string(static_cast<int>(priority)) + ">" : std::string();
    std::string text;
    text.reserve(line.size() + prefix.size() + 1);
    text += prefix;
    for (char c : line) {
        if (c == '\r') continue;
        text += c;
        if (c == '\n') text += prefix;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs(text.c_str(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

}  // namespace pv
