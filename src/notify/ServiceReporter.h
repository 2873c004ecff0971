#pragma once
// The Reporter the lower layers are handed: status lines go to the status
// board, trace lines to the trace log.
#include "notify/StatusBoard.h"
#include "notify/TraceLog.h"
#include "platform/Reporter.h"

namespace pv {

class ServiceReporter final : public Reporter {
public:
    ServiceReporter(StatusBoard& board, TraceLog& trace) : m_board(board), m_trace(trace) {}
    void Status(const std::string& text, bool toStatusLog) override { m_board.AddStatusLine(text, toStatusLog); }
    void Trace(const std::string& text) override { m_trace.Write(text); }

private:
    StatusBoard& m_board;
    TraceLog& m_trace;
};

}  // namespace pv
