#pragma once
// A plain binary file on the host, opened by the path as the operator wrote it
// (mapped through HostPath).  The only file handle type the rest of the program
// uses; text handling (CRLF) lives above it.
#include <cstdint>
#include <string>

namespace pv::platform {

class File {
public:
    // Mode bits with the values the settings and callers use.
    enum Mode : unsigned {
        modeRead = 0x0000,
        modeWrite = 0x0001,
        modeReadWrite = 0x0002,
        shareExclusive = 0x0010,
        shareDenyWrite = 0x0020,
        shareDenyRead = 0x0030,
        shareDenyNone = 0x0040,
        modeCreate = 0x1000,      // create; truncates unless modeNoTruncate
        modeNoTruncate = 0x2000,
        typeText = 0x4000,
        typeBinary = 0x8000,
        modeCreateNew = 0x10000,  // fail if the file exists (exclusive create)
        modeAppend = 0x20000,     // every write goes to the end
    };
    enum SeekFrom { fromBegin = 0, fromCurrent = 1, fromEnd = 2 };

    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    // Opens the file; false with an error text on failure.  Share-exclusive
    // modes take a non-blocking flock, so two holders of our own files exclude
    // each other.
    bool Open(const std::string& path, unsigned mode, std::string* error = nullptr);
    // Opens a path that is already a host path (no mapping).
    bool OpenHost(const std::string& hostPath, unsigned mode, std::string* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }

    // Reads up to count bytes; returns the number read, 0 at end of file, -1 on error.
    int64_t Read(void* buffer, int64_t count);
    // Writes all bytes; false on any error (short write included).
    bool Write(const void* data, int64_t count);
    bool Write(const std::string& text) { return Write(text.data(), static_cast<int64_t>(text.size())); }
    // Reads or writes at offset, leaving the file position alone; as Read
    // and Write otherwise.
    int64_t ReadAt(int64_t offset, void* buffer, int64_t count);
    bool WriteAt(int64_t offset, const void* data, int64_t count);
    // Returns the new position, or -1 on error.
    int64_t Seek(int64_t offset, SeekFrom from);
    int64_t Position() const;
    int64_t Size() const;
    bool Truncate(int64_t length);
    bool Sync();
    // Closes; false when the close reported an error (a lost write).
    bool Close();

    const std::string& HostPath() const { return m_hostPath; }
    int Descriptor() const { return m_fd; }

private:
    bool Adopt(int fd, const std::string& hostPath, int flags, unsigned mode, std::string* error);

    int m_fd = -1;
    std::string m_hostPath;
};

}  // namespace pv::platform
