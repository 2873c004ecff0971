#include "notify/StatusBoard.h"

#include <algorithm>
#include <cstdio>

#include "notify/TextLines.h"
#include "platform/File.h"

namespace pv {

using platform::File;

namespace {

// The trace copy of a stamped line: "\n" line ends only, ending in one.
std::string TraceCopy(const std::string& stamped) {
    std::string copy = stamped + "\n";
    copy = ReplaceAll(copy, "\r\r\n", "\n");
    copy = ReplaceAll(copy, "\r\n", "\n");
    return ReplaceAll(copy, "\n\n", "\n");
}

}  // namespace

void StatusBoard::OnProgress(const ProgressEvent&, const StatusLine& line) { AddLine(line); }

void StatusBoard::AddStatusLine(const std::string& text, bool toStatusLog) {
    AddLine(StatusPrinter().Print(StatusNote{text, toStatusLog}, m_clock.NowSeconds()));
}

void StatusBoard::AddLine(const StatusLine& line) {
    const std::string traceCopy = TraceCopy(line.stamped);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_writeIndex = (m_writeIndex + 1) % kRingSize;
        m_display[m_writeIndex] = line.stamped;
        if (m_shownCount < m_displayLines) ++m_shownCount;
        m_changed = true;
        if (m_logOn && line.toStatusLog) {
            m_logQueue[m_logWriteCount % kRingSize] = traceCopy;
            ++m_logWriteCount;
        }
    }
    m_trace.Write(traceCopy);
}

bool StatusBoard::Refresh() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_changed) return false;
    if (m_logOn) WriteStatusLogLocked();
    const std::string display = DisplayTextLocked();
    if (m_heartbeat.enabled) WriteHeartbeatLocked(display);
    m_changed = false;
    return true;
}

void StatusBoard::ResetRing() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_writeIndex = kRingSize - 1;
    m_shownCount = 0;
}

void StatusBoard::SetDisplayLines(int lines) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_displayLines = std::clamp(lines, 0, kRingSize);
    m_shownCount = std::min(m_shownCount, m_displayLines);
}

void StatusBoard::ConfigureStatusLog(bool on, const std::string& folder) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_logOn = on;
    m_logFolder = folder;
}

void StatusBoard::SetHeartbeat(const HeartbeatSettings& settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_heartbeat = settings;
}

std::string StatusBoard::DisplayText() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return DisplayTextLocked();
}

int StatusBoard::WriteIndex() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writeIndex;
}

std::string StatusBoard::StatusLogFileName(std::time_t when) const {
    std::tm local{};
    platform::Clock::LocalTime(when, local);
    char name[32];
    std::snprintf(name, sizeof name, "%02u-%02u-%04u.STSIN.log", static_cast<unsigned>(local.tm_mon + 1),
                  static_cast<unsigned>(local.tm_mday), static_cast<unsigned>(local.tm_year + 1900));
    return m_logFolder + name;
}

std::string StatusBoard::DisplayTextLocked() const {
    std::string text;
    for (int i = 0; i < m_shownCount; ++i) {
        const int index = (m_writeIndex + kRingSize + 1 - m_shownCount + i) % kRingSize;
        text += m_display[index];
        text += "\r\n";
    }
    return text;
}

// Lines stay queued while the file cannot be opened.  When more than a ring's
// worth waited, the oldest were overwritten: only the newest 100 are written,
// each once and in order.
void StatusBoard::WriteStatusLogLocked() {
    if (m_logReadCount == m_logWriteCount) return;
    File file;
    if (!file.Open(StatusLogFileName(m_clock.NowSeconds()),
                   File::modeWrite | File::modeCreate | File::modeNoTruncate | File::modeAppend))
        return;
    if (m_logWriteCount - m_logReadCount > kRingSize) m_logReadCount = m_logWriteCount - kRingSize;
    std::string batch;
    for (; m_logReadCount < m_logWriteCount; ++m_logReadCount)
        batch += ReplaceAll(m_logQueue[m_logReadCount % kRingSize], "\n", "\r\n");
    file.Write(batch);
    file.Close();
}

// Written over the start of the file without truncating it: a shorter text
// leaves the tail of the previous one behind.
void StatusBoard::WriteHeartbeatLocked(const std::string& display) const {
    const size_t limit = static_cast<size_t>(std::max(0, m_heartbeat.maxFileSizeInBytes));
    const std::string tail = display.size() > limit ? display.substr(display.size() - limit) : display;
    File file;
    if (!file.Open(m_heartbeat.fileName, File::modeWrite | File::modeCreate | File::modeNoTruncate)) return;
    file.Write(tail);
    file.Close();
}

}  // namespace pv
