#pragma once
// The Reporter the lower layers are handed: progress events go to every
// observer of the service's progress, trace lines to the trace log.
#include "notify/ProgressHub.h"
#include "notify/TraceLog.h"
#include "platform/Reporter.h"

namespace pv {

class ServiceReporter final : public Reporter {
public:
    ServiceReporter(ProgressHub& progress, TraceLog& trace) : m_progress(progress), m_trace(trace) {}
    void Report(const ProgressEvent& event) override { m_progress.Publish(event); }
    void Trace(const std::string& text) override { m_trace.Write(text); }
    void BeginScope(const std::string& name, std::string& indent) override { m_trace.BeginScope(name, indent); }
    void EndScope(const std::string& name, const std::string& indent) override { m_trace.EndScope(name, indent); }

private:
    ProgressHub& m_progress;
    TraceLog& m_trace;
};

}  // namespace pv
