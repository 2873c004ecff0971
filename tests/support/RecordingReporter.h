#pragma once
// Keeps every status and trace line, for tests that check what was reported.
#include <mutex>
#include <string>
#include <vector>

#include "platform/Reporter.h"

namespace pv::test {

class RecordingReporter final : public Reporter {
public:
    void Status(const std::string& text, bool toStatusLog) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_status.push_back(text);
        if (toStatusLog) m_logged.push_back(text);
    }
    void Trace(const std::string& text) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_trace.push_back(text);
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
    std::string AllText() const {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::string all;
        for (const auto& line : m_status) all += line + "\n";
        for (const auto& line : m_trace) all += line + "\n";
        return all;
    }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_status, m_logged, m_trace;
};

}  // namespace pv::test
