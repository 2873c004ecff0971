#include "transport/FileString.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace pv {

CFileString::CFileString() : m_buffer(std::make_unique_for_overwrite<char[]>(kBufferSize)) {}

// The platform file closes itself; a derived class's Close is not reachable
// from here, and nobody is left to hear a close failure anyway.
CFileString::~CFileString() = default;

bool CFileString::Open(const std::string& path, unsigned mode, std::string* error) {
    CFileString::Close();
    if (!m_file.Open(path, mode, error)) return false;
    m_path = path;
    return true;
}

bool CFileString::Close() {
    DiscardBuffer();
    const bool closed = m_file.Close();
    const bool ok = closed && !m_writeFailed;
    m_writeFailed = false;
    m_readFailed = false;
    m_path.clear();
    return ok;
}

void CFileString::DiscardBuffer() {
    m_index = 0;
    m_count = 0;
}

int64_t CFileString::TakeBuffered(char* destination, int64_t count) {
    const int64_t n = std::min(m_count, count);
    if (n <= 0) return 0;
    std::memcpy(destination, m_buffer.get() + m_index, static_cast<size_t>(n));
    m_index += n;
    m_count -= n;
    if (m_count == 0) m_index = 0;
    return n;
}

void CFileString::FillBuffer() {
    if (m_count > kRefillThreshold) return;
    if (m_index > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_index, static_cast<size_t>(m_count));
        m_index = 0;
    }
    const int64_t n = m_file.Read(m_buffer.get() + m_count, kBufferSize - m_count);
    if (n < 0) {
        DiscardBuffer();  // a read error counts as no data at all
        m_readFailed = true;
        return;
    }
    m_count += n;
}

const char* CFileString::FindLineFeed() const {
    if (m_count <= 0) return nullptr;
    const void* hit = std::memchr(m_buffer.get() + m_index, '\n', static_cast<size_t>(m_count));
    return static_cast<const char*>(hit);
}

int64_t CFileString::Read(void* destination, int64_t count) {
    if (count <= 0 || destination == nullptr) return 0;
    char* out = static_cast<char*>(destination);
    int64_t total = TakeBuffered(out, count);
    const int64_t wanted = count - total;
    if (wanted > kDirectReadSize) {
        // The buffer is empty here, so the physical position is the logical one.
        const int64_t n = m_file.Read(out + total, wanted);
        if (n < 0) m_readFailed = true;
        return n < 0 ? total : total + n;
    }
    if (wanted > 0) {
        FillBuffer();
        total += TakeBuffered(out + total, wanted);
    }
    return total;
}

bool CFileString::Write(const void* data, int64_t count) {
    if (count < 0 || (count > 0 && data == nullptr) || !Flush()) {
        m_writeFailed = true;
        return false;
    }
    if (count == 0) return m_file.IsOpen();
    if (!m_file.Write(data, count)) {
        m_writeFailed = true;
        return false;
    }
    return true;
}

int64_t CFileString::ReadAt(int64_t offset, void* destination, int64_t count) {
    return m_file.ReadAt(offset, destination, count);
}

bool CFileString::WriteAt(int64_t offset, const void* data, int64_t count) {
    if (m_file.WriteAt(offset, data, count)) return true;
    m_writeFailed = true;
    return false;
}

bool CFileString::Flush() {
    bool ok = true;
    if (m_count > 0) ok = m_file.Seek(-m_count, platform::File::fromCurrent) >= 0;
    DiscardBuffer();
    return ok;
}

int64_t CFileString::Seek(int64_t offset, int origin) {
    if (origin < seekBegin || origin > seekEnd) return -1;
    if (origin == seekCurrent) {
        // The file is ahead of the caller by the buffered bytes.
        if (offset < std::numeric_limits<int64_t>::min() + m_count) {
            DiscardBuffer();
            return -1;
        }
        offset -= m_count;
    }
    DiscardBuffer();
    return m_file.Seek(offset, static_cast<platform::File::SeekFrom>(origin));
}

int64_t CFileString::SeekToBegin() { return Seek(0, seekBegin); }

int64_t CFileString::GetPosition() {
    const int64_t physical = m_file.Position();
    if (physical < 0) {
        DiscardBuffer();
        return -1;
    }
    return physical - m_count;
}

bool CFileString::ReadLine(std::string& text) {
    text.clear();
    bool gotData = false;
    for (;;) {
        const char* lineFeed = FindLineFeed();
        if (lineFeed == nullptr) {
            FillBuffer();
            lineFeed = FindLineFeed();
        }
        if (m_count == 0) return gotData;
        gotData = true;
        const char* start = m_buffer.get() + m_index;
        if (lineFeed == nullptr) {
            // No line end yet: keep this part and read on.
            text.append(start, static_cast<size_t>(m_count));
            DiscardBuffer();
            continue;
        }
        const int64_t length = lineFeed - start;
        text.append(start, static_cast<size_t>(length));
        m_index += length + 1;
        m_count -= length + 1;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        return true;
    }
}

char* CFileString::ReadLine(char* buffer, int64_t size) {
    if (buffer == nullptr || size <= 0) return nullptr;
    const int64_t room = size - 1;
    int64_t used = 0;
    while (used < room) {
        const char* lineFeed = FindLineFeed();
        if (lineFeed == nullptr) {
            FillBuffer();
            lineFeed = FindLineFeed();
        }
        if (m_count == 0) break;
        const int64_t lineBytes =
            lineFeed ? lineFeed - (m_buffer.get() + m_index) + 1 : m_count;
        const int64_t taken = TakeBuffered(buffer + used, std::min(lineBytes, room - used));
        used += taken;
        if (lineFeed != nullptr && taken == lineBytes) break;
    }
    buffer[used] = '\0';
    return used > 0 ? buffer : nullptr;
}

bool CFileString::WriteText(const std::string& text) {
    const auto lineFeeds = std::count(text.begin(), text.end(), '\n');
    std::string out;
    out.reserve(text.size() + static_cast<size_t>(lineFeeds));
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return Write(out.data(), static_cast<int64_t>(out.size()));
}

}  // namespace pv
