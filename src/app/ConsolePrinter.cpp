#include "app/ConsolePrinter.h"

namespace pv {

void ConsolePrinter::OnProgress(const ProgressEvent&, const StatusLine& line) { PrintLine(line.stamped); }

// Status lines keep their "\r\n" inside; a terminal wants "\n".
void ConsolePrinter::PrintLine(const std::string& line) {
    std::string text;
    text.reserve(line.size() + 1);
    for (char c : line)
        if (c != '\r') text += c;
    std::lock_guard<std::mutex> lock(m_mutex);
    std::fputs(text.c_str(), m_out);
    std::fputc('\n', m_out);
    std::fflush(m_out);
}

}  // namespace pv
