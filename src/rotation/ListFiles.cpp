#include "rotation/ListFiles.h"

#include "platform/FileSystem.h"
#include "rotation/PlayName.h"

namespace pv::rotation {

namespace {

constexpr size_t kFlushBytes = 65536;

}  // namespace

ListWriter::~ListWriter() { Discard(); }

void ListWriter::Discard() {
    if (!m_file.IsOpen()) return;
    m_file.Close();
    platform::RemoveFile(m_temporaryPath);
}

bool ListWriter::Begin(const std::string& listPath, std::string& error) {
    Discard();
    m_listPath = listPath;
    m_temporaryPath = TemporaryListPath(listPath);
    m_pending.clear();
    m_failed = false;
    // Not truncated before the lock is ours: a file another writer holds
    // stays as that writer has it.
    const unsigned mode = platform::File::modeCreate | platform::File::modeNoTruncate | platform::File::modeWrite |
                          platform::File::shareExclusive;
    std::string reason;
    if (!m_file.Open(m_temporaryPath, mode, &reason)) {
        error = "cannot write " + m_temporaryPath + " (" + reason + ")";
        return false;
    }
    if (!m_file.Truncate(0)) {
        Discard();
        error = "cannot write " + m_temporaryPath;
        return false;
    }
    return true;
}

bool ListWriter::Flush() {
    if (!m_pending.empty() && !m_file.Write(m_pending)) m_failed = true;
    m_pending.clear();
    return !m_failed;
}

bool ListWriter::AddLine(const std::string& line) {
    m_pending += line;
    m_pending += "\r\n";
    return m_pending.size() < kFlushBytes || Flush();
}

bool ListWriter::Commit(bool replace, std::string& error) {
    if (!m_file.IsOpen()) return error = "no list is being written", false;
    // On disk before it takes the list's name, so the name never stands for
    // fewer lines than were written.
    if (!Flush() || !m_file.Sync()) {
        Discard();
        error = "cannot write " + m_temporaryPath;
        return false;
    }
    // Renamed while still held, so no other writer can start on the
    // temporary name before the list is in place.
    const bool placed = replace ? platform::RenameReplace(m_temporaryPath, m_listPath, &error)
                                : platform::RenameNoReplace(m_temporaryPath, m_listPath, &error);
    if (!placed) {
        Discard();
        return false;
    }
    m_file.Close();
    return true;
}

std::string RotationRecordName(const char* record) {
    size_t length = 0;
    while (length < static_cast<size_t>(kRotationRecordBytes) && record[length] != '\0' && record[length] != '\r' &&
           record[length] != '\n')
        ++length;
    return std::string(record, length);
}

bool ConvertRotationFile(const std::string& rotationPath, const std::string& listPath, std::string& error) {
    platform::File rotation;
    std::string reason;
    if (!rotation.Open(rotationPath, platform::File::modeRead, &reason)) return error = reason, false;
    if (rotation.Seek(kRotationHeaderBytes, platform::File::fromBegin) != kRotationHeaderBytes)
        return error = "cannot read " + rotationPath, false;
    ListWriter list;
    if (!list.Begin(listPath, error)) return false;
    char record[kRotationRecordBytes * 512];
    for (;;) {
        const int64_t got = rotation.Read(record, sizeof record);
        if (got < 0) return error = "cannot read " + rotationPath, false;
        for (int64_t at = 0; at + kRotationRecordBytes <= got; at += kRotationRecordBytes)
            if (!list.AddLine("[" + RotationRecordName(record + at) + "]")) break;
        if (got < static_cast<int64_t>(sizeof record)) break;
    }
    if (list.Commit(false, error)) return true;
    // Another writer converted it first: theirs is the same list.
    return platform::Exists(listPath) == platform::Existence::present;
}

}  // namespace pv::rotation
