#pragma once
// The status lines: the display ring the window (or console) shows, the queue
// of lines waiting for the daily status log, and the heartbeat file.  An
// observer of the service's progress: both threads add lines; the window
// tick refreshes.  One mutex guards it all.
#include <array>
#include <cstdint>
#include <mutex>
#include <string>

#include "notify/ProgressObserver.h"
#include "notify/TraceLog.h"
#include "platform/Clock.h"

namespace pv {

struct HeartbeatSettings {
    bool enabled = false;
    std::string fileName = "C:\\Temp\\PressvaneHeartBeat.txt";
    int maxFileSizeInBytes = 5000;
};

class StatusBoard final : public ProgressObserver {
public:
    static constexpr int kRingSize = 100;

    StatusBoard(platform::Clock& clock, TraceLog& trace) : m_clock(clock), m_trace(trace) {}

    // Adds the stamped line to the display ring, the trace log and, when
    // asked and the status log is on, the status log queue.
    void OnProgress(const ProgressEvent& event, const StatusLine& line) override;
    // A line in finished words, stamped now, for this board alone.
    void AddStatusLine(const std::string& text, bool toStatusLog);
    // The window tick: appends queued lines to today's status log, rewrites
    // the heartbeat and returns true when the display text changed.
    bool Refresh();

    // Called at every settings read: the next line goes to ring index 0.
    void ResetRing();
    void SetDisplayLines(int lines);  // clamped to 0..100
    void ConfigureStatusLog(bool on, const std::string& folder);
    void SetHeartbeat(const HeartbeatSettings& settings);

    std::string DisplayText() const;
    // Today's status log file: folder + "MM-DD-YYYY.STSIN.log".
    std::string StatusLogFileName(std::time_t when) const;
    int WriteIndex() const;

private:
    void AddLine(const StatusLine& line);
    std::string DisplayTextLocked() const;
    void WriteStatusLogLocked();
    void WriteHeartbeatLocked(const std::string& display) const;

    platform::Clock& m_clock;
    TraceLog& m_trace;
    mutable std::mutex m_mutex;

    std::array<std::string, kRingSize> m_display;
    int m_writeIndex = kRingSize - 1;
    int m_shownCount = 0;
    int m_displayLines = 20;
    bool m_changed = false;

    std::array<std::string, kRingSize> m_logQueue;
    uint64_t m_logWriteCount = 0;
    uint64_t m_logReadCount = 0;
    bool m_logOn = false;
    std::string m_logFolder;

    HeartbeatSettings m_heartbeat;
};

}  // namespace pv
