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
    void BeginScope(const std::string& name, std::string& indent) override { m_trace.BeginScope(name, indent); }
    void EndScope(const std::string& name, const std::string& indent) override { m_trace.EndScope(name, indent); }

private:
    StatusBoard& m_board;
    TraceLog& m_trace;
};

}  // namespace pv
