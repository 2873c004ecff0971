#pragma once
// Remembers, for folders where names were looked up without regard to case,
// which names each folder holds (folded to upper case).  A lookup of a name
// that does not exist as written then need not read the whole folder each
// time: relaying a thousand new files into one folder would otherwise read
// that folder a thousand times.
//
// A folder's record is used while the folder's modification time is the one
// it had when the record was made (or when this process last changed the
// folder itself, see NoteAdded) and the record is younger than kMaxAge;
// otherwise the folder is read again.  A change made by another program in
// the same clock tick as one of ours can go unseen until the record expires:
// the new file then gets its name exactly as written, next to a name that
// differs only in case - never a lost or overwritten file.
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
    static constexpr size_t kMaxFolders = 64;
    static constexpr size_t kMaxNames = 500'000;  // in all records together

    // False when the host folder surely holds no entry equal to name without
    // regard to case; true when it may (or cannot be read: the caller then
    // looks for itself).
    bool MayHold(const std::string& folder, const std::string& name);
    // This process created hostPath, or renamed a file to it.
    void NoteAdded(const std::string& hostPath);
    // This process removed hostPath, or renamed it away.
    void NoteRemoved(const std::string& hostPath);

    // The index the host-path layer uses.
    static FolderCaseIndex& Shared();

    FolderCaseIndex();
    ~FolderCaseIndex();
    FolderCaseIndex(const FolderCaseIndex&) = delete;
    FolderCaseIndex& operator=(const FolderCaseIndex&) = delete;

private:
    struct Record {
        unsigned long long device = 0;
        unsigned long long inode = 0;
        long long modifiedNs = 0;
        std::chrono::steady_clock::time_point readAt;     // when the folder was read
        std::chrono::steady_clock::time_point checkedAt;  // when last found current
        std::unordered_map<std::string, uint32_t> names;  // upper case -> entries folding to it
    };

    static bool Describes(const Record& record, const struct stat& st);
    void Touched(const std::string& hostPath, bool added);
    // Drops the oldest records until one of names more fits.
    void MakeRoom(size_t names);

    std::mutex m_mutex;
    std::unordered_map<std::string, Record> m_records;
    size_t m_names = 0;  // in all records
};

}  // namespace pv::platform
