#pragma once
// Keeps every event, status line (as the status printer words it) and trace
// line, for tests that check what was reported.
#include <mutex>
#include <string>
#include <vector>

#include "notify/StatusPrinter.h"
#include "platform/Reporter.h"

namespace pv::test {

class RecordingReporter final : public Reporter {
public:
    void Report(const ProgressEvent& event) override {
        const StatusLine line = StatusPrinter().Print(event, 0);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.push_back(event);
        m_status.push_back(line.text);
        if (line.toStatusLog) m_logged.push_back(line.text);
    }
    void Trace(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_trace.push_back(text);
    }
    std::vector<ProgressEvent> Events() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_events;
    }
    std::vector<std::string> StatusLines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_status;
    }
    std::vector<std::string> LoggedLines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_logged;
    }
    std::vector<std::string> TraceLines() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_trace;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_events.clear();
        m_status.clear();
        m_logged.clear();
        m_trace.clear();
    }
    std::string AllText() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string all;
        for (const auto& line : m_status) all += line + "\n";
        for (const auto& line : m_trace) all += line + "\n";
        return all;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<ProgressEvent> m_events;
    std::vector<std::string> m_status, m_logged, m_trace;
};

}  // namespace pv::test
