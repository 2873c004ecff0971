#pragma once
// A private copy of a story text, in the service's temporary folder, for a
// publication that rewrites the story before it reads it (links moved to
// the top).  The story that arrived is never written: a crash leaves it as
// it was, and a retry starts again from it.  The copy goes when this object
// does.
#include <string>

#include "transport/FileAccess.h"
#include "transport/FtpFile.h"

namespace pv {

class StoryTextCopy {
public:
    explicit StoryTextCopy(FileAccess& files) : m_files(files), m_path(files.NewTempCopyName(".txt")), m_file(files) {}
    ~StoryTextCopy() {
        if (m_file.IsOpen()) m_file.Close();
        CFTPFile remover(m_files);
        remover.Remove(m_path);
    }
    StoryTextCopy(const StoryTextCopy&) = delete;
    StoryTextCopy& operator=(const StoryTextCopy&) = delete;

    const std::string& Path() const { return m_path; }
    // Opens the copy, empty, for writing.
    bool Create() {
        return m_file.Open(m_path, platform::File::modeCreate | platform::File::modeReadWrite |
                                       platform::File::shareExclusive);
    }
    // Closes what was written (false when a write failed) and opens the copy
    // again for reading.
    bool Reopen() {
        if (!m_file.Close()) return false;
        return m_file.Open(m_path, platform::File::modeRead | platform::File::shareDenyNone);
    }
    CFTPFile& File() { return m_file; }

private:
    FileAccess& m_files;
    const std::string m_path;
    CFTPFile m_file;
};

}  // namespace pv
