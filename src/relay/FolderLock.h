#pragma once
// Locks an output folder against other writers with an "InUse.dat" file
// holding the owner's 32-bit identifier (little endian).  The lock is taken
// by renaming a freshly written temporary file to "InUse.dat", which fails
// when the lock file exists already.
//
// On local and share folders the rename never replaces an existing lock
// file, so two writers cannot both succeed, and the lock is ours once the
// rename succeeded.  On FTP folders the servers' RNTO may replace an
// existing file; the content is checked after the rename to tell the loser,
// but a writer that checked just before the winner's rename could still
// believe it holds the lock until its next check.  Either way the content
// is checked before the lock file is removed.
#include <atomic>
#include <cstdint>
#include <random>
#include <string>

#include "notify/TraceLog.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "platform/Status.h"
#include "transport/FileAccess.h"
#include "transport/FtpFile.h"

namespace pv {

// The in-flight record's key for the lock held: "<owner id in hex>\t<folder>".
inline constexpr const char* kInFlightLock = "lock";

struct LockSettings {
    int retryDelaySeconds = 5;     // "Lock Retry Delay Seconds": between looks at a taken lock
    int maxTimeOutMinutes = 240;   // "Lock Max Time Out Minutes": longest wait for one folder
    int maxInUseAgeMinutes = 60;   // "Lock Max InUse Age Minutes": an older lock file is broken
    // "DeleteOneInUse" on the command line: the first lock file met is
    // deleted without waiting.
    bool deleteOneInUse = false;
};

class FolderLock {
public:
    FolderLock(FileAccess& files, Reporter& reporter, TraceLog& trace, platform::Clock& clock,
               const std::atomic<bool>& exitFlag, LockSettings settings = {});

    // `place` is the folder (ending in a separator), or a file in it; the
    // work is done through `file`.  A failure comes back with the words for
    // the operator; the caller shows them.  Waiting for a lock and breaking
    // a stale one are shown as they happen.
    Status LockDir(CFTPFile& file, const Location& place);
    // Whether the folder's lock file holds our identifier; why not, if not.
    Status CheckDirLock(CFTPFile& file, const Location& place);
    // Removes the lock file, but only when it is ours.
    void UnLockDir(CFTPFile& file, const Location& place);

    // After a crash: removes from the folder (place as for LockDir) the lock
    // candidate of ownerId, and the lock file when it holds ownerId (which
    // is shown).  A failure when the lock file could not be removed.
    Status ReleaseLeftover(CFTPFile& file, const Location& place, uint32_t ownerId);

    uint32_t OwnerId() const { return m_ownerId; }
    static Location FolderOf(const Location& place) { return place.IsFolder() ? place : place.Folder(); }

private:
    enum class OwnerRead { unopened, tooShort, read };
    OwnerRead ReadOwner(const Location& folder, uint32_t& id);
    Status CheckLocked(const Location& folder);
    Status CheckTakenLock(const Location& folder);
    bool WriteCandidate(const Location& candidate);
    bool IsStale(CFTPFile& file, const Location& lockFile, const Location& folder);
    int64_t NowMilliseconds() const;

    FileAccess& m_files;
    Reporter& m_reporter;
    TraceLog& m_trace;
    platform::Clock& m_clock;
    const std::atomic<bool>& m_exit;
    const LockSettings m_settings;
    bool m_deleteOneInUse;  // until the first lock file met is deleted
    uint32_t m_ownerId = 0;
    std::mt19937 m_salt;  // the random part of owner identifiers
};

}  // namespace pv
