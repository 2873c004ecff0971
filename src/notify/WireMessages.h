#pragma once
// Message files for the newsroom's wire browser: fatal errors of a route and
// relay receipts, dropped as "Pvane000.txt" ... "Pvane999.txt" into the
// working folder's "PINWELL" folder.
#include <atomic>
#include <string>

#include "config/DirOptions.h"
#include "platform/Reporter.h"
#include "transport/FileAccess.h"

namespace pv {

class WireMessages {
public:
    // fatalFlag: where the monitor keeps its "this pass had a fatal error"
    // flag (null: none).
    WireMessages(FileAccess& files, Reporter& reporter, std::string workingFolder,
                 std::atomic<bool>* fatalFlag = nullptr);

    // Set at every settings read.
    void ResetCounter() { m_counter = 0; }

    // Status line, the monitor's flag, and a message file when the route asks
    // for one.  The route may be null (no route involved).
    void PostFatalError(const CDirOptions* route, const std::string& slug, const std::string& text);
    // Writes one message file (optional header line first); false when none
    // could be written.
    bool WriteMessage(const std::string& header, const std::string& text);

    std::string DropFolder() const;
    int Counter() const { return m_counter; }

private:
    std::string MessagePath(int number) const;
    int NextFreeNumber();

    FileAccess& m_files;
    Reporter& m_reporter;
    std::string m_workingFolder;
    std::atomic<bool>* const m_fatalFlag;
    int m_counter = 0;
};

}  // namespace pv
