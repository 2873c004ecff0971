#include "platform/FolderCaseIndex.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace pv::platform {

namespace {

std::string Upper(std::string_view text) {
    std::string upper(text);
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return upper;
}

bool StatFolder(const std::string& folder, struct stat& st) {
    return ::stat(folder.empty() ? "." : folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

long long ModifiedNs(const struct stat& st) {
    return static_cast<long long>(st.st_mtim.tv_sec) * 1'000'000'000LL + st.st_mtim.tv_nsec;
}

bool ReadNames(const std::string& folder, std::unordered_map<std::string, uint32_t>& names) {
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.empty() ? "." : folder.c_str()), ::closedir);
    if (!dir) return false;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir.get());
        if (!entry) return errno == 0;
        const std::string_view name(entry->d_name);
        if (name != "." && name != "..") ++names[Upper(name)];
    }
}

// "/srv/out/news.txt" -> "/srv/out" and "news.txt"; the folder is written as
// the host-path layer builds it ("/" for the root, "" for the current folder).
void SplitHostPath(std::string hostPath, std::string& folder, std::string& name) {
    while (hostPath.size() > 1 && hostPath.back() == '/') hostPath.pop_back();
    const size_t cut = hostPath.find_last_of('/');
    if (cut == std::string::npos) {
        folder.clear();
        name = hostPath;
        return;
    }
    folder = cut == 0 ? "/" : hostPath.substr(0, cut);
    name = hostPath.substr(cut + 1);
}

}  // namespace

bool FolderCaseIndex::Current(Record& record, const struct stat& st, Clock::time_point now) {
    if (record.device != st.st_dev || record.inode != st.st_ino || now - record.readAt >= kMaxAge) return false;
    if (record.modifiedNs == ModifiedNs(st)) return true;
    if (!record.ownChanges || now - record.checkedAt >= kOwnChangeWindow) return false;
    record.modifiedNs = ModifiedNs(st);
    return true;
}

void FolderCaseIndex::MarkChecked(Record& record, Clock::time_point now) const {
    record.checkedAt = now;
    record.ownChanges = false;
    record.batch = m_batchDepth > 0 ? m_batch : 0;
}

bool FolderCaseIndex::Trusted(const Record& record, Clock::time_point now) const {
    return m_batchDepth > 0 && record.batch == m_batch && now - record.readAt < kMaxAge;
}

FolderCaseIndex::FolderCaseIndex() = default;
FolderCaseIndex::~FolderCaseIndex() = default;

bool FolderCaseIndex::Known(const std::string& folder, const std::string& name, Holds& holds) {
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_records.find(folder);
    if (found == m_records.end() || !Trusted(found->second, now)) return false;
    holds = found->second.names.count(Upper(name)) != 0 ? Holds::maybe : Holds::no;
    return true;
}

FolderCaseIndex::Holds FolderCaseIndex::Lookup(const std::string& folder, const std::string& name) {
    const std::string wanted = Upper(name);
    if (Holds known = Holds::no; Known(folder, name, known)) return known;
    struct stat st {};
    if (!StatFolder(folder, st)) return Holds::noFolder;
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_records.find(folder);
    if (found != m_records.end() && Current(found->second, st, now)) {
        MarkChecked(found->second, now);
        return found->second.names.count(wanted) != 0 ? Holds::maybe : Holds::no;
    }
    // Described by the state before reading: a change while reading leaves
    // a different time behind, and the next lookup reads again.
    Record record;
    record.device = st.st_dev;
    record.inode = st.st_ino;
    record.modifiedNs = ModifiedNs(st);
    record.readAt = now;
    MarkChecked(record, now);
    if (found != m_records.end()) Erase(found);
    if (!ReadNames(folder, record.names)) return Holds::maybe;
    const bool holds = record.names.count(wanted) != 0;
    // A folder too large to keep is read again at each lookup.
    if (record.names.size() <= kMaxNames) {
        MakeRoom(record.names.size());
        m_names += record.names.size();
        m_records.emplace(folder, std::move(record));
    }
    return holds ? Holds::maybe : Holds::no;
}

void FolderCaseIndex::Observed(const std::string& folder, const struct stat& st) {
    if (!S_ISDIR(st.st_mode)) return;
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_records.find(folder);
    if (found == m_records.end() || Trusted(found->second, now)) return;
    if (Current(found->second, st, now)) MarkChecked(found->second, now);
    else Erase(found);
}

void FolderCaseIndex::NoteAdded(const std::string& hostPath) { Touched(hostPath, true); }

void FolderCaseIndex::NoteRemoved(const std::string& hostPath) { Touched(hostPath, false); }

void FolderCaseIndex::Touched(const std::string& hostPath, bool added) {
    std::string folder, name;
    SplitHostPath(hostPath, folder, name);
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_records.find(folder);
    if (found == m_records.end()) return;
    Record& record = found->second;
    // Only a record checked just now can tell our change from other
    // programs' changes made since.
    if (now - record.checkedAt >= kOwnChangeWindow) {
        Erase(found);
        return;
    }
    // Each upper-case name counts the entries that fold to it, so removing
    // one of two case variants keeps the other.  A file made over one that
    // was there already counts twice: that costs at most one needless read
    // of the folder later, never a name missed.
    const std::string upper = Upper(name);
    if (added) {
        if (record.names[upper]++ == 0) ++m_names;
    } else if (const auto entry = record.names.find(upper); entry != record.names.end() && --entry->second == 0) {
        record.names.erase(entry);
        --m_names;
    }
    record.ownChanges = true;
}

void FolderCaseIndex::BeginBatch() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_batchDepth++ == 0) ++m_batch;
}

void FolderCaseIndex::EndBatch() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_batchDepth > 0) --m_batchDepth;
}

void FolderCaseIndex::Erase(std::unordered_map<std::string, Record>::iterator record) {
    m_names -= record->second.names.size();
    m_records.erase(record);
}

void FolderCaseIndex::MakeRoom(size_t names) {
    while (!m_records.empty() && (m_records.size() >= kMaxFolders || m_names + names > kMaxNames)) {
        const auto oldest = std::min_element(m_records.begin(), m_records.end(), [](const auto& a, const auto& b) {
            return a.second.readAt < b.second.readAt;
        });
        Erase(oldest);
    }
}

}  // namespace pv::platform
