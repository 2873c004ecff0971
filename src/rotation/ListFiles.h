#pragma once
// Writing rotation lists so that a reader, or a crash, never meets half a
// list: a list is written whole under its temporary name and then renamed
// over the list in one step.  Also the conversion of a rotation file (fixed
// records written by other software) into a list.
#include <string>

#include "platform/File.h"

namespace pv::rotation {

// One list being written under the temporary name of the list it will
// become.  The temporary file is held exclusively while it is written, so
// two writers never mix their lines; it is removed again unless Commit put
// it in place.
class ListWriter {
public:
    ListWriter() = default;
    ~ListWriter();
    ListWriter(const ListWriter&) = delete;
    ListWriter& operator=(const ListWriter&) = delete;

    // Starts the list that will become listPath.  False, with the reason,
    // when the temporary file cannot be made or another writer holds it.
    bool Begin(const std::string& listPath, std::string& error);
    // One line; the line end (carriage return and line feed) is added.
    bool AddLine(const std::string& line);
    // Puts the written list in place of listPath (replace) or only where no
    // file is (never replace).  False, with the reason, when anything since
    // Begin failed; the old list is then untouched.
    bool Commit(bool replace, std::string& error);

private:
    bool Flush();
    void Discard();

    platform::File m_file;
    std::string m_listPath;
    std::string m_temporaryPath;
    std::string m_pending;
    bool m_failed = false;
};

// Bytes of a rotation file's header, which is skipped, and of each record.
inline constexpr int kRotationHeaderBytes = 768;
inline constexpr int kRotationRecordBytes = 9;

// The play name of one record: its text up to the first zero byte (all nine
// bytes when it has none), and never past a line end, so that one record
// is one list line.
std::string RotationRecordName(const char* record);

// Writes the list of rotationPath to listPath: one line "[name]" per whole
// record, in record order, without a marker; a short remainder is ignored.
// The list appears only when whole, and never replaces a list that another
// writer put there meanwhile (that list is used: true).
bool ConvertRotationFile(const std::string& rotationPath, const std::string& listPath, std::string& error);

}  // namespace pv::rotation
