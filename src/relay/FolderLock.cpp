#include "relay/FolderLock.h"

#include <cstdio>

#include "transport/Credentials.h"

namespace pv {

namespace {

constexpr const char* kLockName = "InUse.dat";

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%X", value);
    return text;
}

uint32_t LittleEndian32(const unsigned char* bytes) {
    return bytes[0] | (bytes[1] << 8) | (bytes[2] << 16) | (static_cast<uint32_t>(bytes[3]) << 24);
}

// The file a lock is written to before it is renamed to "InUse.dat".
std::string CandidateName(uint32_t ownerId) { return "InUse" + Hex(ownerId) + ".tmp"; }

}  // namespace

FolderLock::FolderLock(FileAccess& files, Reporter& reporter, TraceLog& trace, platform::Clock& clock,
                       const std::atomic<bool>& exitFlag, LockSettings settings)
    : m_files(files),
      m_reporter(reporter),
      m_trace(trace),
      m_clock(clock),
      m_exit(exitFlag),
      m_settings(settings),
      m_deleteOneInUse(settings.deleteOneInUse),
      m_salt(std::random_device{}()) {}

int64_t FolderLock::NowMilliseconds() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(m_clock.Steady().time_since_epoch()).count();
}

bool FolderLock::IsStale(CFTPFile& file, const Location& lockFile, const Location& folder) {
    std::string name;
    const int handle = file.FindFirst(lockFile.Folder(), lockFile.Name(), name);
    const std::time_t modified = name.empty() ? 0 : file.GetFindFileTime(handle);
    file.FindClose(handle);
    if (name.empty()) return false;
    const long long ageMinutes = (m_clock.NowSeconds() - modified) / 60;
    if (ageMinutes < m_settings.maxInUseAgeMinutes) return false;
    m_reporter.Status("Lock file is too old in folder " + folder.Display() + ". We are deleting it.", true);
    return true;
}

bool FolderLock::WriteCandidate(const Location& candidate) {
    CFTPFile writer(m_files);
    if (!writer.Open(candidate, platform::File::modeWrite | platform::File::modeCreateNew | platform::File::modeCreate))
        return false;
    const unsigned char bytes[4] = {static_cast<unsigned char>(m_ownerId), static_cast<unsigned char>(m_ownerId >> 8),
                                    static_cast<unsigned char>(m_ownerId >> 16),
                                    static_cast<unsigned char>(m_ownerId >> 24)};
    writer.Write(bytes, 4);
    return writer.Close();
}

Status FolderLock::LockDir(CFTPFile& file, const Location& place) {
    TraceScope scope(m_trace, "CPressvaneDlg::LockDir - Lock directory");
    const Location folder = FolderOf(place);
    const std::string& shown = folder.Display();
    const Location lockFile = folder.Join(kLockName);
    const int64_t deadline = NowMilliseconds() + static_cast<int64_t>(m_settings.maxTimeOutMinutes) * 60000;
    for (;;) {
        const platform::Existence state = file.ExistState(lockFile);
        if (state == platform::Existence::present && m_deleteOneInUse) {
            file.Remove(lockFile);
            m_deleteOneInUse = false;
            continue;
        }
        if (state == platform::Existence::present && !(IsStale(file, lockFile, folder) && file.Remove(lockFile) == 0)) {
            if (NowMilliseconds() > deadline)
                return Status::Busy("Can't lock dest folder " + shown + ".\nMax TimeOut was reached.");
            if (m_exit) return Status::Aborted();
            m_reporter.Status("Waiting for access to dest folder " + shown + ".", true);
            m_clock.SleepFor(std::chrono::seconds(std::max(1, m_settings.retryDelaySeconds)));
            continue;
        }
        if (state == platform::Existence::unknown)
            return Status::IoError("Can't lock dest folder " + shown + ".\nIts lock file could not be checked.")
                .WithDetail(file.ErrorText());
        break;
    }
    // The tick count alone can repeat between machines started together.
    m_ownerId = static_cast<uint32_t>(NowMilliseconds()) ^ (m_salt() & 0xFFFF0000u);
    const Location candidate = folder.Join(CandidateName(m_ownerId));
    // Noted before anything is written, so that a crash from here on leaves
    // nothing that the next start cannot find and take away.
    m_files.NoteInFlight(kInFlightLock, Hex(m_ownerId) + "\t" + shown);
    if (!WriteCandidate(candidate)) {
        file.Remove(candidate);
        m_files.ClearInFlight(kInFlightLock);
        return Status::IoError("Can't create lock file in folder " + shown + ".");
    }
    if (file.Rename(candidate, lockFile) != 0) {
        file.Remove(candidate);
        m_files.ClearInFlight(kInFlightLock);
        return Status::Busy("Can't rename lock file in folder " + shown + ".");
    }
    const Status check = CheckTakenLock(folder);
    if (check.ok()) return check;
    m_files.ClearInFlight(kInFlightLock);
    return check.WithDetail("Lock file wasn't ours in folder " + shown + ".");
}

// The identifier in the folder's lock file.
FolderLock::OwnerRead FolderLock::ReadOwner(const Location& folder, uint32_t& id) {
    CFTPFile lock(m_files);
    if (!lock.Open(folder.Join(kLockName), platform::File::modeRead | platform::File::typeBinary))
        return OwnerRead::unopened;
    unsigned char bytes[4] = {0, 0, 0, 0};
    const int64_t got = lock.ReadAt(0, bytes, 4);
    lock.Close();
    if (got < 4) return OwnerRead::tooShort;
    id = LittleEndian32(bytes);
    return OwnerRead::read;
}

// The lock and the lock candidate a process that died left in a folder; the
// lock file goes only when it still holds that process's identifier.
Status FolderLock::ReleaseLeftover(CFTPFile& file, const Location& place, uint32_t ownerId) {
    const Location folder = FolderOf(place);
    file.Remove(folder.Join(CandidateName(ownerId)));
    uint32_t id = 0;
    if (ReadOwner(folder, id) != OwnerRead::read || id != ownerId) return Status::OK();
    if (file.Remove(folder.Join(kLockName)) != 0)
        return Status::IoError("Can't remove the lock file this service left in folder " + folder.Display() + ". " +
                               file.ErrorText());
    m_reporter.Status("Removed the lock file this service left in folder " + folder.Display() + " when it stopped.",
                      true);
    return Status::OK();
}

Status FolderLock::CheckDirLock(CFTPFile&, const Location& place) {
    TraceScope scope(m_trace, "CPressvaneDlg::CheckDirLock - Check for locked directory");
    return CheckLocked(FolderOf(place));
}

// Right after our candidate was renamed to the lock file.  On a local or
// share folder that rename never replaces a lock file, so the lock is ours;
// an FTP server's RNTO may replace one, so there the lock file is read back.
Status FolderLock::CheckTakenLock(const Location& folder) {
    TraceScope scope(m_trace, "CPressvaneDlg::CheckDirLock - Check for locked directory");
    if (!folder.IsFtp()) return Status::OK();
    return CheckLocked(folder);
}

Status FolderLock::CheckLocked(const Location& folder) {
    const std::string& shown = folder.Display();
    uint32_t id = 0;
    const OwnerRead read = ReadOwner(folder, id);
    if (read == OwnerRead::unopened) return Status::IoError("Can't open lock file in folder " + shown + ".");
    if (read == OwnerRead::tooShort) return Status::IoError("Can't read lock file in folder " + shown + ".");
    if (id != m_ownerId)
        return Status::Busy("ID is not ours in lock file in folder " + shown + ".\nOur ID: " + Hex(m_ownerId) +
                            " InUse.dat ID: " + Hex(id));
    return Status::OK();
}

// Another writer's lock is never removed by us.
void FolderLock::UnLockDir(CFTPFile& file, const Location& place) {
    TraceScope scope(m_trace, "CPressvaneDlg::UnLockDir - Unlock directory");
    const Location folder = FolderOf(place);
    if (!CheckLocked(folder).ok()) return;
    if (file.Remove(folder.Join(kLockName)) == 0) m_files.ClearInFlight(kInFlightLock);
}

}  // namespace pv
