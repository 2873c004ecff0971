#include "notify/TraceLog.h"

#include <cstdio>

#include "notify/TextLines.h"
#include "platform/File.h"
#include "platform/FileSystem.h"

namespace pv {

using platform::File;

void TraceLog::Configure(const std::string& fileName, bool traceFtpFile, bool traceFtpClient) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fileName = fileName;
    m_sizeLimit = 1000000;
    m_ftpFileName.clear();
    m_ftpClientName.clear();
    if (traceFtpFile) {
        m_sizeLimit *= 100;
        m_ftpFileName = fileName;
    }
    if (traceFtpClient) {
        m_sizeLimit *= 2;
        m_ftpClientName = fileName;
    }
}

bool TraceLog::Enabled() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return !m_fileName.empty();
}

std::string TraceLog::FileName() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_fileName;
}

std::string TraceLog::FtpFileTraceName() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ftpFileName;
}

std::string TraceLog::FtpClientTraceName() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_ftpClientName;
}

int64_t TraceLog::SizeLimit() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sizeLimit;
}

std::string TraceLog::SlotFileName(std::time_t when) const {
    std::tm local{};
    if (!platform::Clock::LocalTime(when, local)) local = std::tm{};
    const size_t cut = m_fileName.find_last_of("\\/");
    const std::string folder = cut == std::string::npos ? std::string() : m_fileName.substr(0, cut + 1);
    const std::string name = cut == std::string::npos ? m_fileName : m_fileName.substr(cut + 1);
    char slot[16];
    std::snprintf(slot, sizeof slot, "%02d_%01d0_", local.tm_hour, local.tm_min / 10);
    return folder + slot + name;
}

void TraceLog::Write(const std::string& text) {
    std::lock_guard<std::mutex> lock(m_mutex);
    WriteLocked(text);
}

void TraceLog::WriteLocked(const std::string& text) {
    if (m_fileName.empty()) return;
    std::string line = text;
    if (line.empty() || line.back() != '\n') line += '\n';
    line = ToCrLf(line);

    const std::time_t now = m_clock.NowSeconds();
    const std::string slotFile = SlotFileName(now);
    ShrinkIfFull(slotFile);

    std::tm local{};
    platform::Clock::LocalTime(now, local);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d: ", local.tm_hour, local.tm_min, local.tm_sec);
    File file;
    if (!file.Open(slotFile, File::modeWrite | File::modeCreate | File::modeNoTruncate | File::modeAppend)) return;
    file.Write(stamp + line);
    file.Close();
}

// A full slot file keeps its first half: copied into name + "2", which then
// replaces it.  Streams in blocks; the file can be hundreds of megabytes.
void TraceLog::ShrinkIfFull(const std::string& slotFile) {
    const int64_t size = platform::FileSize(slotFile);
    if (size < 0 || size < m_sizeLimit) return;
    const std::string halfFile = slotFile + "2";
    File in, out;
    if (!in.Open(slotFile, File::modeRead)) return;
    if (!out.Open(halfFile, File::modeWrite | File::modeCreate)) return;
    int64_t left = m_sizeLimit / 2;
    char buffer[65536];
    while (left > 0) {
        const int64_t n = in.Read(buffer, std::min<int64_t>(left, sizeof buffer));
        if (n <= 0 || !out.Write(buffer, n)) break;
        left -= n;
    }
    in.Close();
    if (!out.Close()) {
        platform::RemoveFile(halfFile);
        return;
    }
    platform::RenameReplace(halfFile, slotFile);
}

void TraceLog::BeginScope(const std::string& name, std::string& indentOut) {
    std::lock_guard<std::mutex> lock(m_mutex);
    indentOut.assign(static_cast<size_t>(m_depth) * 4, ' ');
    WriteLocked(indentOut + name + " starting.\r\n");
    ++m_depth;
}

void TraceLog::EndScope(const std::string& name, const std::string& indent) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_depth > 0) --m_depth;
    WriteLocked(indent + name + ".\r\n");
}

TraceScope::TraceScope(TraceLog& log, std::string name) : m_log(log), m_name(std::move(name)) {
    m_log.BeginScope(m_name, m_indent);
}

TraceScope::~TraceScope() { m_log.EndScope(m_name, m_indent); }

}  // namespace pv
