#pragma once
// A file read and written line by line.  Reads go through a read-ahead
// buffer so that a line read is normally one scan of memory; the file's
// physical position therefore runs ahead of the logical one by the number of
// buffered bytes, and every write, seek, flush or close first gives those
// bytes back.  Text is 8-bit bytes; lines end in "\r\n" on write.
//
// The file-transfer class built on top of this one replaces the virtual
// operations, so keep them virtual.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/File.h"

namespace pv {

class CFileString {
public:
    static constexpr int64_t kBufferSize = 20000;
    // Refill only when at most this many bytes are still buffered.
    static constexpr int64_t kRefillThreshold = 9999;
    // Reads wanting more than this (after the buffer is used up) go straight
    // to the file.
    static constexpr int64_t kDirectReadSize = 5000;

    static constexpr int seekBegin = 0;
    static constexpr int seekCurrent = 1;
    static constexpr int seekEnd = 2;

    CFileString();
    virtual ~CFileString();
    CFileString(const CFileString&) = delete;
    CFileString& operator=(const CFileString&) = delete;

    // Opens the file with platform::File mode bits; false with an error text
    // on failure.  Any file already open is closed first.
    virtual bool Open(const std::string& path, unsigned mode, std::string* error = nullptr);
    // Gives back the read-ahead and closes.  False when the close failed or
    // any write since Open failed, so a lost write is never reported as done.
    virtual bool Close();
    // Delivers up to count bytes; fewer only at end of file (or on a read
    // error, which counts as end of data).
    virtual int64_t Read(void* destination, int64_t count);
    // Writes at the logical position.  False on failure; the failure is also
    // remembered for Close.
    virtual bool Write(const void* data, int64_t count);
    // Moves the physical position back to the logical one and empties the
    // read-ahead.  False when that seek failed.
    virtual bool Flush();

    // origin: seekBegin, seekCurrent or seekEnd.  Returns the new position,
    // or -1 on error.  The read-ahead is emptied either way.
    virtual int64_t Seek(int64_t offset, int origin);
    virtual int64_t SeekToBegin();
    // The logical position (what the caller has consumed), or -1 on error.
    virtual int64_t GetPosition();

    // Reads one line into buffer, keeping its line feed, at most size - 1
    // bytes, always zero-terminated.  A longer line continues in the next
    // call.  Returns buffer, or nullptr at end of file (buffer then holds "").
    virtual char* ReadLine(char* buffer, int64_t size);
    // Reads one whole line, however long, without its line end ("\n" or
    // "\r\n").  False with an empty text at end of file.
    virtual bool ReadLine(std::string& text);
    // Writes text with every "\n" turned into "\r\n".
    virtual bool WriteText(const std::string& text);

    // Reads or writes count bytes at offset, whatever the position; neither
    // the position nor the read-ahead changes.  A failed write makes Close
    // fail, as one through Write does.
    int64_t ReadAt(int64_t offset, void* destination, int64_t count);
    bool WriteAt(int64_t offset, const void* data, int64_t count);

    bool IsOpen() const { return m_file.IsOpen(); }
    // Whether a read of the file failed since it was opened.  Reads treat a
    // failure as the end of the data, so a reader that must not take a cut
    // file for a whole one asks here.
    bool ReadFailed() const { return m_readFailed; }
    // Length of the file in bytes, or -1.
    int64_t GetLength() const { return m_file.Size(); }
    // The path as given to Open.
    const std::string& GetFilePath() const { return m_path; }

protected:
    platform::File& BaseFile() { return m_file; }
    int64_t BufferedCount() const { return m_count; }
    // Forgets the read-ahead without moving the file.
    void DiscardBuffer();
    // For a derived class's own reads of BaseFile().
    void NoteReadFailure() { m_readFailed = true; }

private:
    void FillBuffer();
    const char* FindLineFeed() const;
    int64_t TakeBuffered(char* destination, int64_t count);

    platform::File m_file;
    std::string m_path;
    std::unique_ptr<char[]> m_buffer;
    int64_t m_index = 0;  // first unread byte in m_buffer
    int64_t m_count = 0;  // unread bytes from m_index on
    bool m_writeFailed = false;
    bool m_readFailed = false;
};

}  // namespace pv
