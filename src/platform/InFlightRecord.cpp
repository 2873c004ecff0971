#include "platform/InFlightRecord.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/HostPath.h"

namespace pv::platform {

namespace {

constexpr size_t kMaxRecordBytes = 64 * 1024;

std::map<std::string, std::string> ParseRecord(const std::string& text) {
    std::map<std::string, std::string> entries;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const size_t tab = line.find('\t');
        if (tab != std::string::npos && tab > 0) entries[line.substr(0, tab)] = line.substr(tab + 1);
        start = end + 1;
    }
    return entries;
}

}  // namespace

InFlightRecord::~InFlightRecord() {
    if (m_fd < 0) return;
    // A clean end leaves nothing under way.
    [[maybe_unused]] const int truncated = ::ftruncate(m_fd, 0);
    ::close(m_fd);
}

bool InFlightRecord::Open(const std::string& path, std::string* error) {
    std::string host;
    std::string mapError;
    if (!ToHostPath(path, host, &mapError)) {
        if (error) *error = mapError;
        return false;
    }
    const int fd = ::open(host.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        if (error) *error = "cannot open " + host + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        if (error) *error = host + " is held by another running process";
        ::close(fd);
        return false;
    }
    std::string text;
    char buffer[4096];
    for (ssize_t n; text.size() < kMaxRecordBytes && (n = ::read(fd, buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    m_leftover = ParseRecord(text);
    m_fd = fd;
    Write();
    return true;
}

void InFlightRecord::Set(const std::string& key, const std::string& value) {
    if (m_fd < 0) return;
    m_entries[key] = value;
    Write();
}

void InFlightRecord::Clear(const std::string& key) {
    if (m_fd < 0 || m_entries.erase(key) == 0) return;
    Write();
}

// One write at offset 0, then the length: a reader after a crash sees either
// the old entries or the new ones followed by stale bytes, which it skips as
// lines without a key.  Text at least as long as the file's needs no new
// length, and no text at all only the length.
void InFlightRecord::Write() {
    std::string text;
    for (const auto& [key, value] : m_entries) text += key + "\t" + value + "\r\n";
    const bool written = text.empty() || ::pwrite(m_fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size());
    const bool cut = !written || text.size() >= m_length || ::ftruncate(m_fd, static_cast<off_t>(text.size())) == 0;
    m_length = written && cut ? text.size() : kUnknownLength;
}

}  // namespace pv::platform
