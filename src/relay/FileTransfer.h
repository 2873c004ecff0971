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
#include <optional>
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

// What the conversion made of one file, kept for every output of it.
struct ConvertedFile {
    std::string file;     // the converted file; empty: the source goes out as it is
    bool failed = false;  // a conversion was needed and failed
};

struct RelayHooks {
    // At the first output of a file: may convert the working source and
    // change the output path (extension, a name from the cart chunk).
    std::function<ConvertedFile(const CDirOptions& route, const std::string& workingSource, const std::string& sourceName,
                                std::string& outputPath)>
        convert;
    // At each further output: names the output path after that conversion,
    // or says again that the file goes out as it is.  Nothing is converted twice.
    std::function<void(const CDirOptions& route, const std::string& workingSource, const std::string& sourceName,
                       const ConvertedFile& converted, std::string& outputPath)>
        reuse;
    // A receipt for an output that received the file (sourcePath: the local
    // file it was made from, before any conversion).
    std::function<void(const CDirOptions& route, const std::string& outputPath, const std::string& fileName,
                       const std::string& sourcePath)>
        receipt;
};

class FileTransfer {
public:
    FileTransfer(FileAccess& files, Reporter& reporter, FolderLock& lock, PostMoveCommands& postMove,
                 RelayHooks hooks = {})
        : m_files(files), m_reporter(reporter), m_lock(lock), m_postMove(postMove), m_hooks(std::move(hooks)) {}
    void Transfer(const CDirOptions& route, const tagFileInfo& file);

private:
    struct Delivery {
        Location path;             // the file delivered
        Location folder;           // its folder, prefix folder included
        bool movedSource = false;  // the working source itself was renamed there
    };

    struct CopyOutcome {
        bool moved = false;  // renamed there instead of copied
        int64_t size = -1;   // the destination's size, when the copy or move saw it
    };

    bool RenameSpacesToUnderscores(const CDirOptions& route, std::string& name);
    bool DownloadInput(const Location& input, const std::string& name, Location& localCopy);
    bool DeliverTo(const CDirOptions& route, const Location& destination, const std::string& name,
                   const Location& workingSource, bool lastOutput, bool mayMoveSource, Delivery& delivery);
    // The converted file to deliver (empty: the working source goes out).
    Location Converted(const CDirOptions& route, const Location& workingSource, const std::string& name,
                       Location& outputPath);
    bool CopyToOutput(const CDirOptions& route, const Location& source, const Location& outputPath,
                      const std::string& name, bool mayMoveSource, CopyOutcome& outcome);
    bool MakeSureFolderExists(CFTPFile& file, const Location& folder, const std::string& name);
    bool DrawUniquePath(CFTPFile& file, const Location& folder, const std::string& name, Location& path);
    static bool UsesUniqueNumbers(const CDirOptions& route);
    void Status(const std::string& text) { m_reporter.Status(text, true); }

    static constexpr int kLastUniqueNumber = 99999;

    FileAccess& m_files;
    Reporter& m_reporter;
    FolderLock& m_lock;
    PostMoveCommands& m_postMove;
    const RelayHooks m_hooks;
    std::optional<ConvertedFile> m_conversion;  // of the file in hand, once made
    std::set<std::string> m_ftpFoldersSeen;  // FTP output folders known to exist, as written
};

// The prefix folder name for a file, or empty when none applies.
std::string PrefixFolder(const std::string& name, int prefixCharCount);

}  // namespace pv
