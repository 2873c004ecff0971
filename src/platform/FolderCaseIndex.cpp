#include "platform/FolderCaseIndex.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <string_view>
#include <sys/stat.h>

namespace pv::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A change of our own refreshes a folder's record only when the record was
// checked against the folder this recently, so that changes other programs
// made in between are not taken for ours.
constexpr std::chrono::milliseconds kOwnChangeWindow{100};

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

bool FolderCaseIndex::Describes(const Record& record, const struct stat& st) {
    return record.device == st.st_dev && record.inode == st.st_ino && record.modifiedNs == ModifiedNs(st);
}

FolderCaseIndex::FolderCaseIndex() = default;
FolderCaseIndex::~FolderCaseIndex() = default;

FolderCaseIndex& FolderCaseIndex::Shared() {
    static FolderCaseIndex index;
    return index;
}

bool FolderCaseIndex::MayHold(const std::string& folder, const std::string& name) {
    struct stat st {};
    if (!StatFolder(folder, st)) return true;
    const std::string wanted = Upper(name);
    const Clock::time_point now = Clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_records.find(folder);
    if (found != m_records.end() && Describes(found->second, st) && now - found->second.readAt < kMaxAge) {
        found->second.checkedAt = now;
        return found->second.names.count(wanted) != 0;
    }
    // Described by the state before reading: a change while reading leaves
    // a different time behind, and the next lookup reads again.
    Record record;
    record.device = st.st_dev;
    record.inode = st.st_ino;
    record.modifiedNs = ModifiedNs(st);
    record.readAt = record.checkedAt = now;
    if (found != m_records.end()) {
        m_names -= found->second.names.size();
        m_records.erase(found);
    }
    if (!ReadNames(folder, record.names)) return true;
    const bool holds = record.names.count(wanted) != 0;
    // A folder too large to keep is read again at each lookup.
    if (record.names.size() <= kMaxNames) {
        MakeRoom(record.names.size());
        m_names += record.names.size();
        m_records.emplace(folder, std::move(record));
    }
    return holds;
}

void FolderCaseIndex::NoteAdded(const std::string& hostPath) { Touched(hostPath, true); }

void FolderCaseIndex::NoteRemoved(const std::string& hostPath) { Touched(hostPath, false); }

void FolderCaseIndex::Touched(const std::string& hostPath, bool added) {
    std::string folder, name;
    SplitHostPath(hostPath, folder, name);
    std::lock_guard<std::mutex> lock(m_mutex);
    auto found = m_records.find(folder);
    if (found == m_records.end()) return;
    Record& record = found->second;
    struct stat st {};
    const bool recent = Clock::now() - record.checkedAt < kOwnChangeWindow;
    if (!recent || !StatFolder(folder, st) || record.device != st.st_dev || record.inode != st.st_ino) {
        m_names -= record.names.size();
        m_records.erase(found);
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
    record.modifiedNs = ModifiedNs(st);
}

void FolderCaseIndex::MakeRoom(size_t names) {
    while (!m_records.empty() && (m_records.size() >= kMaxFolders || m_names + names > kMaxNames)) {
        const auto oldest = std::min_element(m_records.begin(), m_records.end(), [](const auto& a, const auto& b) {
            return a.second.readAt < b.second.readAt;
        });
        m_names -= oldest->second.names.size();
        m_records.erase(oldest);
    }
}

}  // namespace pv::platform
