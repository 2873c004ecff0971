#pragma once
// The developer-level trace log: one file per ten-minute slot of the day,
// opened, appended and closed for every line so that both threads and other
// processes always see whole lines.
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/Clock.h"

namespace pv {

class TraceLog {
public:
    explicit TraceLog(platform::Clock& clock) : m_clock(clock) {}

    // Set by the settings reader: an empty name turns tracing off.  The size
    // limit is 1,000,000 bytes, x100 with FTP file tracing, then x2 with FTP
    // client tracing.
    void Configure(const std::string& fileName, bool traceFtpFile, bool traceFtpClient);

    void Write(const std::string& text);

    // Indented "name starting." / "name." lines around a traced operation.
    void BeginScope(const std::string& name, std::string& indentOut);
    void EndScope(const std::string& name, const std::string& indent);

    bool Enabled() const;
    std::string FileName() const;
    std::string FtpFileTraceName() const;
    std::string FtpClientTraceName() const;
    int64_t SizeLimit() const;
    // The file a line written at `when` goes to: folder of the trace name +
    // "HH_M0_" + the name with its extension.
    std::string SlotFileName(std::time_t when) const;

private:
    void WriteLocked(const std::string& text);
    void ShrinkIfFull(const std::string& slotFile);

    platform::Clock& m_clock;
    mutable std::mutex m_mutex;
    std::string m_fileName;
    std::string m_ftpFileName;
    std::string m_ftpClientName;
    int64_t m_sizeLimit = 1000000;
    int m_depth = 0;
};

// Frames a traced operation; the end line is written when it goes out of scope.
class TraceScope {
public:
    TraceScope(TraceLog& log, std::string name);
    ~TraceScope();
    TraceScope(const TraceScope&) = delete;
    TraceScope& operator=(const TraceScope&) = delete;

private:
    TraceLog& m_log;
    std::string m_name;
    std::string m_indent;
};

}  // namespace pv
