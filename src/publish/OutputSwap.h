#pragma once
// Puts a freshly written work file in place of the page it replaces.  On
// this host's folders that is one rename over the old page, so the page is
// the old one or the new one at every moment.  An FTP server cannot do that:
// the old page is deleted first, and since some servers let go of a deleted
// file late, it is waited for (1, 5, 10, 20 and 40 seconds, 76 in all)
// before the work file is renamed.
#include "notify/DebugReports.h"
#include "platform/Clock.h"
#include "platform/Reporter.h"
#include "platform/Status.h"
#include "publish/Publication.h"
#include "transport/FileAccess.h"

namespace pv {

class OutputSwap {
public:
    OutputSwap(FileAccess& files, Reporter& reporter, platform::Clock& clock, DebugReports& debug);

    // paths.work becomes paths.output.  A failure has been reported; the old
    // page is still there, or (FTP, rename failed) the work file is kept for
    // the next publication to restore from.
    Status Replace(Publication& publication);

private:
    Status ReplaceOnServer(Publication& publication, CFTPFile& file);
    bool WaitUntilGone(CFTPFile& file, const Location& output);
    void DebugIfWorkSmall(const Publication& publication, CFTPFile& file);
    Status Fail(Publication& publication, const std::string& subject, const std::string& debugText,
                const std::string& fatalText);

    FileAccess& m_files;
    Reporter& m_reporter;
    platform::Clock& m_clock;
    DebugReports& m_debug;
};

// A finished file (a whole copy or page under a name of its own, in the
// target's folder) takes target's name, replacing what is there: on this
// host's folders by one rename; on a server by a rename, and where the
// server will not rename over an existing file, by deleting that file first.
// False (the file's error text says why) when the finished file could not be
// put in place; it is left where it was.
bool PutInPlace(CFTPFile& file, const Location& finished, const Location& target);

}  // namespace pv
