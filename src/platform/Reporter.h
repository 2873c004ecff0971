#pragma once
// How code below the service shell reports: progress events (each becomes a
// status line, shown and optionally also written to the daily status log)
// and trace lines (trace log only).  The app wires the real sink in;
// NullReporter drops everything.
#include <string>

#include "platform/ProgressEvent.h"
#include "platform/Status.h"

namespace pv {

class Reporter {
public:
    virtual ~Reporter() = default;
    virtual void Report(const ProgressEvent& event) = 0;
    // A status line in finished words, reported as a note.
    void Status(const std::string& text, bool toStatusLog) { Report(StatusNote{text, toStatusLog}); }
    virtual void Trace(const std::string& text) = 0;
    // A traced operation: "name starting." and, at its end, "name." in the
    // trace, indented four blanks for every operation it is nested in.
    // indent receives what the end line needs.
    virtual void BeginScope(const std::string& name, std::string& indent) { Trace(indent + name + " starting."); }
    virtual void EndScope(const std::string& name, const std::string& indent) { Trace(indent + name + "."); }
};

// Frames one traced operation for as long as it lives.
class ReportedScope {
public:
    ReportedScope(Reporter& reporter, std::string name, bool on = true) : m_reporter(on ? &reporter : nullptr),
                                                                          m_name(std::move(name)) {
        if (m_reporter) m_reporter->BeginScope(m_name, m_indent);
    }
    ~ReportedScope() {
        if (m_reporter) m_reporter->EndScope(m_name, m_indent);
    }
    ReportedScope(const ReportedScope&) = delete;
    ReportedScope& operator=(const ReportedScope&) = delete;

private:
    Reporter* m_reporter;
    std::string m_name;
    std::string m_indent;
};

// Shows a failure: its message, then its detail on the next status line
// (either is left out when empty).
inline void ShowFailure(Reporter& reporter, const Status& status, bool toStatusLog = true) {
    if (!status.message().empty()) reporter.Status(status.message(), toStatusLog);
    if (!status.detail().empty()) reporter.Status(status.detail(), toStatusLog);
}

class NullReporter final : public Reporter {
public:
    void Report(const ProgressEvent&) override {}
    void Trace(const std::string&) override {}
};

}  // namespace pv
