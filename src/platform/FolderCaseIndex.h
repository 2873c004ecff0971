#pragma once
// Remembers, for folders where names were looked up without regard to case,
// which names each folder holds (folded to upper case).  A lookup of a name
// that does not exist as written then need not read the whole folder each
// time: relaying a thousand new files into one folder would otherwise read
// that folder a thousand times.
//
// A folder's record is used while the folder's modification time is the one
// it had when the record was made, and the record is younger than kMaxAge;
// otherwise the folder is read again.  Changes this process makes are
// applied to the record as they are made (NoteAdded, NoteRemoved); the next
// look at the folder takes the new modification time for theirs when it
// comes within kOwnChangeWindow of the look before.  So a change another
// program makes within that window, or in the same clock tick as one of
// ours, can go unseen until the record expires: the new file then gets its
// name exactly as written, next to a name that differs only in case - never
// a lost or overwritten file.
//
// Within a batch (BeginBatch .. EndBatch; see LookupBatch in
// HostEnvironment.h) a record checked once is used without looking at the
// folder again until the batch ends, or the record expires.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <unordered_map>

struct stat;

namespace pv::platform {

class FolderCaseIndex {
public:
    static constexpr std::chrono::milliseconds kMaxAge{2000};
    static constexpr std::chrono::milliseconds kOwnChangeWindow{100};
    static constexpr size_t kMaxFolders = 64;
    static constexpr size_t kMaxNames = 500'000;  // in all records together

    enum class Holds {
        no,        // surely no entry equal to the name without regard to case
        maybe,     // there may be one (or the folder cannot be read): look
        noFolder,  // the folder does not exist as written, or is no folder
    };
    Holds Lookup(const std::string& folder, const std::string& name);
    // What Lookup would say, when it can say it without looking at the
    // folder (in a batch that has checked it); false otherwise.
    bool Known(const std::string& folder, const std::string& name, Holds& holds);

    // False when the host folder surely holds no entry equal to name without
    // regard to case; true when it may (or cannot be read: the caller then
    // looks for itself).
    bool MayHold(const std::string& folder, const std::string& name) { return Lookup(folder, name) != Holds::no; }

    // The folder was just examined (st: what stat said): that counts as a
    // look at it for its record.
    void Observed(const std::string& folder, const struct stat& st);
    // This process created hostPath, or renamed a file to it.
    void NoteAdded(const std::string& hostPath);
    // This process removed hostPath, or renamed it away.
    void NoteRemoved(const std::string& hostPath);

    void BeginBatch();
    void EndBatch();

    FolderCaseIndex();
    ~FolderCaseIndex();
    FolderCaseIndex(const FolderCaseIndex&) = delete;
    FolderCaseIndex& operator=(const FolderCaseIndex&) = delete;

private:
    using Clock = std::chrono::steady_clock;

    struct Record {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long modifiedNs = 0;
        Clock::time_point readAt;     // when the folder was read
        Clock::time_point checkedAt;  // when last found current
        bool ownChanges = false;      // changed by us since checkedAt
        uint64_t batch = 0;           // the batch it was checked in (0: none)
        std::unordered_map<std::string, uint32_t> names;  // upper case -> entries folding to it
    };

    // Whether the record still describes the folder as st shows it (taking
    // a new modification time for our own changes, see above).
    static bool Current(Record& record, const struct stat& st, Clock::time_point now);
    void MarkChecked(Record& record, Clock::time_point now) const;
    bool Trusted(const Record& record, Clock::time_point now) const;
    void Touched(const std::string& hostPath, bool added);
    void Erase(std::unordered_map<std::string, Record>::iterator record);
    // Drops the oldest records until one of names more fits.
    void MakeRoom(size_t names);

    std::mutex m_mutex;
    std::unordered_map<std::string, Record> m_records;
    size_t m_names = 0;  // in all records
    int m_batchDepth = 0;
    uint64_t m_batch = 0;  // the current (or last) batch
};

}  // namespace pv::platform
