#pragma once
// A small file in which the service notes what it has under way in shared
// folders, so that a start after a crash (kill -9, power cut) can take away
// what the dead process left: the output folder it held a lock on, and the
// temporary copy it was writing.  The file is kept open and flock'ed while
// the process runs, so a second process never reads or rewrites the record
// of a live one.
//
// Format: one line per entry, "<key>\t<value>\r\n".  The values never hold
// FTP credentials.
#include <map>
#include <string>

namespace pv::platform {

class InFlightRecord {
public:
    InFlightRecord() = default;
    ~InFlightRecord();
    InFlightRecord(const InFlightRecord&) = delete;
    InFlightRecord& operator=(const InFlightRecord&) = delete;

    // Opens (creating) and locks the record file.  What an earlier process
    // left in it is kept for Leftover(); the file itself starts empty.
    // False when another live process holds the file or it cannot be made:
    // Set and Clear then do nothing.
    bool Open(const std::string& path, std::string* error = nullptr);
    bool IsOpen() const { return m_fd >= 0; }

    // The entries a process that ended without clearing them left behind.
    const std::map<std::string, std::string>& Leftover() const { return m_leftover; }

    // Notes (or replaces) one entry, or takes it away; the file is rewritten
    // before they return.
    void Set(const std::string& key, const std::string& value);
    void Clear(const std::string& key);

private:
    void Write();

    static constexpr size_t kUnknownLength = static_cast<size_t>(-1);

    int m_fd = -1;
    size_t m_length = kUnknownLength;  // of the file, as last written
    std::map<std::string, std::string> m_entries;
    std::map<std::string, std::string> m_leftover;
};

}  // namespace pv::platform
