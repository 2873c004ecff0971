#pragma once
// Relays one selected file of a route to each of its outputs: output names
// (prefix folder, unique number), folder lock, FTP input through a local copy,
// the conversion hook, copy (optionally under a temporary name), receipts and
// post-move commands; the input is deleted once every output has it.  On one
// file system the last output gets the file by a rename where that leaves
// the same result as a copy and the deletion.
#include <cstdint>
#include <ctime>
#include <functional>
#include <set>
#include <string>

#include "config/DirOptions.h"
#include "platform/Reporter.h"
#include "relay/FolderLock.h"
#include "relay/PostMoveCommands.h"
#include "transport/FileAccess.h"

namespace pv {

struct tagFileInfo {
    std::string name;
    uint64_t size = 0;
    std::time_t time = 0;
};

struct RelayHooks {
    // May replace the working source by a converted file and change the
    // output path; returns the converted file (deleted after the copy), or
    // an empty text when nothing was converted.
    std::function<std::string(CDirOptions& route, const std::string& workingSource, const std::string& sourceName,
                              std::string& outputPath)>
        convert;
    // A receipt for an output that received the file (sourcePath: the local
    // file it was made from, before any conversion).
    std::function<void(CDirOptions& route, const std::string& outputPath, const std::string& fileName,
                       const std::string& sourcePath)>
        receipt;
};

class FileTransfer {
public:
    FileTransfer(FileAccess& files, Reporter& reporter, FolderLock& lock, PostMoveCommands& postMove)
        : m_files(files), m_reporter(reporter), m_lock(lock), m_postMove(postMove) {}

    void SetHooks(RelayHooks hooks) { m_hooks = std::move(hooks); }
    void Transfer(CDirOptions& route, const tagFileInfo& file);

private:
    struct Delivery {
        std::string path;          // the file delivered
        std::string folder;        // its folder, prefix folder included
        bool movedSource = false;  // the working source itself was renamed there
    };

    struct CopyOutcome {
        bool moved = false;        // renamed there instead of copied
        int64_t checkedSize = -1;  // the destination's size, when the copy checked it
    };

    bool RenameSpacesToUnderscores(CDirOptions& route, std::string& name);
    bool DownloadInput(const std::string& input, const std::string& name, std::string& localCopy);
    bool DeliverTo(CDirOptions& route, const std::string& destination, const std::string& name,
                   const std::string& workingSource, bool mayMoveSource, Delivery& delivery);
    bool CopyToOutput(CDirOptions& route, const std::string& source, const std::string& outputPath,
                      const std::string& name, bool mayMoveSource, CopyOutcome& outcome);
    bool MakeSureFolderExists(CFTPFile& file, const std::string& folder);
    bool DrawUniquePath(CFTPFile& file, const std::string& folder, const std::string& name, std::string& path);
    static bool UsesUniqueNumbers(const CDirOptions& route);
    void Status(const std::string& text) { m_reporter.Status(text, true); }

    static constexpr int kLastUniqueNumber = 99999;

    FileAccess& m_files;
    Reporter& m_reporter;
    FolderLock& m_lock;
    PostMoveCommands& m_postMove;
    RelayHooks m_hooks;
    std::set<std::string> m_ftpFoldersSeen;  // FTP output folders known to exist
};

// The prefix folder name for a file, or empty when none applies.
std::string PrefixFolder(const std::string& name, int prefixCharCount);

}  // namespace pv
