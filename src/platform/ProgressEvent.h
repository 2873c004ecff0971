#pragma once
// What the service reports as it works, as typed events.  The layers below
// the service report these through their Reporter; the status printer turns
// each into its status line and every view observes them.
//
// Paths in events are in their shown form: credentials taken out, ready to
// put in front of people.
#include <cstdint>
#include <ctime>
#include <string>
#include <variant>

namespace pv {

// A status line in finished words; every line without an event of its own.
struct StatusNote {
    std::string text;
    bool toStatusLog = false;
    bool operator==(const StatusNote&) const = default;
};

// A pass over every route begins.
struct PassStarted {
    bool operator==(const PassStarted&) const = default;
};

// A file of a route's input folder is taken for relaying.
struct FileFound {
    std::string inputFolder;  // the route's input folder, shown
    std::string inputFile;    // the file in it, shown
    std::string fileName;
    uint64_t size = 0;        // as the listing gave it
    std::time_t time = 0;     // the file's time, as the listing gave it
    bool operator==(const FileFound&) const = default;
};

// The file goes to one output (before the copy).
struct OutputStarted {
    std::string output;  // the output file, shown
    int64_t size = 0;    // of the file that goes out (converted or not); -1: unreadable
    bool operator==(const OutputStarted&) const = default;
};

// One output has the file.
struct OutputDelivered {
    std::string output;  // the output file, shown
    int64_t size = 0;    // at the output
    bool operator==(const OutputDelivered&) const = default;
};

// Where an output failed.
enum class OutputStep {
    makeFolder,      // the output folder could not be made
    checkName,       // whether the numbered name exists could not be told
    drawNumber,      // every unique number is taken
    copy,            // the copy (or upload) failed
    renameIntoPlace  // the copy under a temporary name could not be renamed
};

// One output did not get the file.
struct OutputFailed {
    OutputStep step = OutputStep::copy;
    std::string output;    // shown: the output file, or its folder for makeFolder and drawNumber
    std::string cause;     // the file layer's error text (may be empty)
    std::string fileName;  // the relayed file's name
    std::string source;    // shown: the file that was to go out (copy and renameIntoPlace)
    bool operator==(const OutputFailed&) const = default;
};

// A pass over every route is over.
struct PassEnded {
    bool hadFatalError = false;
    bool operator==(const PassEnded&) const = default;
};

// Something stops a route (or the service) from working.
struct FatalError {
    std::string text;
    bool operator==(const FatalError&) const = default;
};

using ProgressEvent =
    std::variant<StatusNote, PassStarted, FileFound, OutputStarted, OutputDelivered, OutputFailed, PassEnded, FatalError>;

}  // namespace pv
