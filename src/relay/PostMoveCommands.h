#pragma once
// After a delivery to a local or share folder, every ".bat" file lying in
// that folder is run once, in listing order, and deleted.
#include <chrono>
#include <string>
#include <vector>

#include "platform/Reporter.h"
#include "transport/FileAccess.h"

namespace pv {

class PostMoveCommands {
public:
    PostMoveCommands(FileAccess& files, Reporter& reporter, std::string workingFolder,
                     std::chrono::milliseconds timeLimit = std::chrono::minutes(10))
        : m_files(files), m_reporter(reporter), m_workingFolder(std::move(workingFolder)), m_timeLimit(timeLimit) {}

    void RunPostMoveBatchFiles(const std::string& outputFolder);
    std::string LauncherPath() const;

private:
    bool EnsureLauncher();
    void RunOne(const std::string& batchFile);

    FileAccess& m_files;
    Reporter& m_reporter;
    std::string m_workingFolder;
    std::chrono::milliseconds m_timeLimit;
};

// The argument vector that runs one batch file through the launcher whose
// text is given (see PostMoveCommands.cpp).  Host paths.
std::vector<std::string> LaunchCommand(const std::string& launcherText, const std::string& launcherHost,
                                       const std::string& batchHost);

}  // namespace pv
